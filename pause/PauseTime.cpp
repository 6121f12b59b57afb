#include "pause/PauseTime.h"

#include <cstdio>

namespace NvLullgate::PauseTime {
namespace {

constexpr long long kSecondsPerDay = 86400;

// The blanks sscanf skips before a number. A text of nothing else must be a format error, as the
// Windows runtime reports it (EOF); not every runtime does (Wine's gives 0), so it is decided here.
bool IsBlank(const char* text) {
    for (; *text != '\0'; ++text) {
        switch (*text) {
        case ' ':
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
            break;
        default:
            return false;
        }
    }
    return true;
}

// Division that rounds towards minus infinity, so that month -1 is December of the year before.
long long FloorDiv(long long value, long long divisor) {
    const long long quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

} // namespace

long long DaysFromCivil(long long year, int month, int day) {
    // Counted in 400-year eras from 0000-03-01, so that the leap day ends each counted year.
    year -= month <= 2 ? 1 : 0;
    const long long era = FloorDiv(year, 400);
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

__time64_t UtcFieldsToTime(int year, int month, int day, int hour, int minute, int second) {
    // Every int field fits 64-bit arithmetic many times over, so nothing can overflow on the way to
    // the range check, however far the fields lie out of range.
    const long long months = static_cast<long long>(month) - 1;
    const long long carriedYear = year + FloorDiv(months, 12);
    const int monthOfYear = static_cast<int>(months - FloorDiv(months, 12) * 12) + 1;
    const long long days = DaysFromCivil(carriedYear, monthOfYear, 1) + day - 1;
    const long long seconds =
        days * kSecondsPerDay + static_cast<long long>(hour) * 3600 + static_cast<long long>(minute) * 60 + second;
    return (seconds < 0 || seconds > kLatestTime) ? -1 : seconds;
}

bool ScanZTime(const char* text, __time64_t& time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (IsBlank(text) || sscanf_s(text, "%d-%d-%dT%d:%d:%dZ", &year, &month, &day, &hour, &minute, &second) == EOF) {
        return false;
    }
    time = UtcFieldsToTime(year, month, day, hour, minute, second);
    return true;
}

} // namespace NvLullgate::PauseTime
