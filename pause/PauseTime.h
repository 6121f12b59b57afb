// Calendar arithmetic shared by the pause engine and the reader of Windows' own pause record. The
// UTC conversion of a Z-time text is done here rather than by the C runtime: runtimes disagree on
// which broken-down times lie inside 1970..3000 (some look only at the year field, before fields
// that overflow are carried), and the pause status must not depend on which one the program runs on.
#pragma once

#include <ctime>

namespace NvLullgate::PauseTime {

// The last supported second, 3000-12-31T23:59:59Z.
inline constexpr __time64_t kLatestTime = 32535215999;

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar; month is 1..12.
[[nodiscard]] long long DaysFromCivil(long long year, int month, int day);

// The point in time of broken-down UTC fields as a text spells them (year as written, month
// 1..12). Fields out of range are carried first (day 0 is the last day of the month before,
// month 13 January of the next year); a normalised time outside 1970..kLatestTime gives -1.
[[nodiscard]] __time64_t UtcFieldsToTime(int year, int month, int day, int hour, int minute, int second);

// Scans a Z-time text ("%d-%d-%dT%d:%d:%dZ") into a point in time. Only a text that ends before its
// first number fails; fields not read stay 0 and whatever follows the last field read (such as the
// padding of a stored value) is ignored. time is left unchanged on failure.
[[nodiscard]] bool ScanZTime(const char* text, __time64_t& time);

} // namespace NvLullgate::PauseTime
