#include "pause/PauseRules.h"

#include "common/StringConv.h"
#include "log/LogManager.h"
#include "pause/PauseTime.h"

#include <cstdlib>

namespace NvLullgate::PauseRules {
namespace {

// A count put into a translated text in place of its one "%d". Replaced as text, not formatted:
// a translation with another or a second conversion cannot reach the C runtime's formatting.
std::wstring WithCount(std::wstring text, long long count) {
    if (const size_t at = text.find(L"%d"); at != std::wstring::npos) {
        text.replace(at, 2, std::to_wstring(count));
    }
    return text;
}

const wchar_t* NoteKey(WindowsPauseNote note) {
    switch (note) {
    case WindowsPauseNote::confirmed:
        return L"IDS_WINDOWS_CONFIRMED";
    case WindowsPauseNote::endedByWindows:
        return L"IDS_WINDOWS_ENDED";
    case WindowsPauseNote::fewerDaysAllowed:
        return L"IDS_WINDOWS_FEWER_DAYS";
    case WindowsPauseNote::policyForbids:
        return L"IDS_WINDOWS_POLICY";
    case WindowsPauseNote::nothing:
        break;
    }
    return nullptr;
}

} // namespace

long ReadTypedDays(const std::wstring& text) {
    const std::string number = WideToAnsi(text);
    return std::strtol(number.c_str(), nullptr, 10);
}

std::optional<uint32_t> ParseDayArgument(const std::wstring& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return std::nullopt;
    }
    const unsigned long days = std::wcstoul(text.c_str(), nullptr, 10);
    return IsAllowed(days) ? std::optional<uint32_t>(static_cast<uint32_t>(days)) : std::nullopt;
}

std::optional<uint32_t> DaysLeft(const std::string& endTime, __time64_t now) {
    __time64_t end = -1;
    if (!PauseTime::ScanZTime(endTime.c_str(), end) || end < 0) {
        LOG_WARN("end time is not a time : " << endTime);
        return std::nullopt;
    }
    if (end <= now) {
        return std::nullopt; // no pause left to count
    }
    tm localNow{};
    tm localEnd{};
    if (const errno_t error = _localtime64_s(&localNow, &now); error != 0) {
        LOG_WARN("localtime_s error: " << error);
        return std::nullopt;
    }
    if (const errno_t error = _localtime64_s(&localEnd, &end); error != 0) {
        LOG_WARN("localtime_s error: " << error);
        return std::nullopt;
    }
    // Calendar days, not 24-hour spans: a pause ending tonight has 0 days left, one ending just
    // after midnight 1. A clock turned back over midnight can put the end's date before today's.
    const long long difference =
        PauseTime::DaysFromCivil(1900LL + localEnd.tm_year, localEnd.tm_mon + 1, localEnd.tm_mday) -
        PauseTime::DaysFromCivil(1900LL + localNow.tm_year, localNow.tm_mon + 1, localNow.tm_mday);
    return difference > 0 ? static_cast<uint32_t>(difference) : 0U;
}

std::string Unpadded(const std::string& zTime) {
    const size_t end = zTime.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : zTime.substr(0, end + 1);
}

std::optional<std::string> LocalDate(const std::string& zTime) {
    __time64_t time = -1;
    tm local{};
    char buffer[32]{};
    if (!PauseTime::ScanZTime(zTime.c_str(), time) || time < 0 || _localtime64_s(&local, &time) != 0 ||
        strftime(buffer, sizeof(buffer), "%Y-%m-%d", &local) == 0) {
        return std::nullopt;
    }
    return std::string(buffer);
}

Remark Describe(bool paused, const std::string& endTime, const WindowsPauseRecord& record, __time64_t now,
                const Lookup& lookup) {
    Remark remark;
    if (paused) {
        remark.daysLeft = DaysLeft(endTime, now);
    }
    remark.note = WindowsPauseView::Decide(paused, remark.daysLeft.value_or(0), record);
    if (remark.daysLeft) {
        remark.text = *remark.daysLeft == 0   ? lookup(L"IDS_WINDOWS_ENDS_TODAY")
                      : *remark.daysLeft == 1 ? lookup(L"IDS_WINDOWS_ONE_DAY_LEFT")
                                              : WithCount(lookup(L"IDS_WINDOWS_DAYS_LEFT"), *remark.daysLeft);
    }
    if (const wchar_t* key = NoteKey(remark.note)) {
        const std::wstring said = WithCount(lookup(key), record.m_maxPauseDays.value_or(0));
        // Sentences follow each other with a blank, except after full-width punctuation (Chinese).
        const bool fullWidthEnd = !remark.text.empty() && remark.text.back() >= 0x3000;
        remark.text += (remark.text.empty() || fullWidthEnd ? L"" : L" ") + said;
    }
    return remark;
}

} // namespace NvLullgate::PauseRules
