// The rules every front end of the pause follows (the window, lullgate-cli, the reminder), kept
// in one place so that a new front end copies none of them: how long a pause may last, how a typed
// or scripted day count is read, how many days are left, and the words for what Windows says
// about a pause. Texts come from the program's string table through a lookup the caller gives,
// so each front end speaks the user's language (or the one its readers expect).
#pragma once

#include "pause/WindowsPauseView.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace NvLullgate::PauseRules {

inline constexpr uint32_t kMinDays = 36;
inline constexpr uint32_t kMaxDays = 365;

// Whether a pause of `days` may be set.
[[nodiscard]] constexpr bool IsAllowed(long long days) {
    return days >= kMinDays && days <= kMaxDays;
}

// A days field as a person types it, read as strtol reads it: leading blanks and a sign are read
// and the number ends at the first non-digit (" 60" and "60x" are 60, "abc" is 0).
[[nodiscard]] long ReadTypedDays(const std::wstring& text);

// A day count on a command line: digits only, and allowed. A script that passes "60d" or " 60"
// has a bug worth hearing about, so anything else gives nothing.
[[nodiscard]] std::optional<uint32_t> ParseDayArgument(const std::wstring& text);

// Whole days from `now` to the end of a pause (a Z-time text, padding allowed), counted between
// the local calendar dates of the two: 0 when it ends later today, 1 when it ends tomorrow.
// Nothing when the end is not after now or cannot be converted.
[[nodiscard]] std::optional<uint32_t> DaysLeft(const std::string& endTime, __time64_t now);

// A stored Z-time text as read back (its zero padding turned into blanks) without the blanks.
[[nodiscard]] std::string Unpadded(const std::string& zTime);

// The local calendar date ("%Y-%m-%d") of a Z-time text (padding allowed); nothing when it is no
// time the runtime can show.
[[nodiscard]] std::optional<std::string> LocalDate(const std::string& zTime);

// A text of the string table by key.
using Lookup = std::function<std::wstring(const wchar_t* key)>;

// What a front end adds to the status: the days left of a pause, what Windows says about it, and
// both as one line in the lookup's words (empty when there is nothing to say).
struct Remark {
    std::optional<uint32_t> daysLeft;
    WindowsPauseNote note = WindowsPauseNote::nothing;
    std::wstring text;
};
[[nodiscard]] Remark Describe(bool paused, const std::string& endTime, const WindowsPauseRecord& record, __time64_t now,
                              const Lookup& lookup);

} // namespace NvLullgate::PauseRules
