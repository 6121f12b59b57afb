// Reminders: what tells people before their pause runs out and when it ends early. Each check reads
// the pause (the engine's values), Windows' own record and the policies, and what this user was
// last told (HKEY_CURRENT_USER\SOFTWARE\Norvane\Lullgate\reminders), and decides on at most one
// new event. The same decision serves LullgateReminder.exe (a balloon) and `lullgate-cli remind`.
// The window and the console tool note a resume made from Lullgate, so nobody is told that a pause
// they ended themselves has ended.
#pragma once

#include "pause/PauseRules.h"
#include "pause/WindowsPauseView.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace NvLullgate {
class PauseWinUpdates;
}

namespace NvLullgate::Reminders {

inline constexpr wchar_t kKeyPath[] = L"SOFTWARE\\Norvane\\Lullgate\\reminders";

enum class Event {
    none,
    endsSoon, // the pause ends within 3 days
    lastDay,  // the pause ends today
    ended,    // a pause seen before is gone before its end, or Windows says it ended it
    policy,   // a policy now turns pausing off while a pause is set
};
[[nodiscard]] const wchar_t* EventName(Event event); // "endsSoon" ..., null for none

// What this user was last told, as stored. Texts are Z-time texts without padding.
struct Record {
    bool enabled = true;    // the window's "Remind me" choice; absent means on
    std::string pauseEnd;   // the end of the pause last seen, "" when none
    std::string shown;      // the events already shown for that pause, each followed by ';'
    std::string resumedEnd; // the end of a pause this user resumed from Lullgate
    bool operator==(const Record&) const = default;
};

// The pause as the engine and Windows report it now.
struct PauseNow {
    bool paused = false;
    std::string endTime; // when paused: the Z-time end, without padding
    WindowsPauseRecord windows;
};

struct Decision {
    Event event = Event::none;
    Record next;                      // what to store afterwards
    std::string eventEnd;             // the Z-time end the event speaks of ("" for none)
    std::optional<uint32_t> daysLeft; // of the current pause
    bool changed = false;             // next differs from what was stored (set by Check)
    std::string pausedUntil;          // the local end date of the current pause (set by Check)
};

// The decision alone, for a given moment: never the same event twice for one pause, nothing when
// no pause was ever seen, nothing for a pause this user resumed from Lullgate; while reminders
// are off, the events are passed over (recorded as shown) so that turning them on later does not
// bring back old news.
[[nodiscard]] Decision Decide(const PauseNow& now, const Record& record, __time64_t time);

// Reads and writes the record; false when it cannot be read or written (logged).
[[nodiscard]] bool ReadRecord(Record& record);
[[nodiscard]] bool WriteRecord(const Record& record);

// A check as the reminder makes it: reads everything, decides for now (Seams::Time), and unless
// `dryRun` stores the record when it changed. False when the pause or the record could not be
// read. A user who has not agreed to Lullgate gets no decision, and nothing is stored for them.
[[nodiscard]] bool Check(PauseWinUpdates& engine, bool dryRun, Decision& decision);

// The window's choice.
[[nodiscard]] bool IsEnabled();
[[nodiscard]] bool SetEnabled(bool enabled);
// Notes that this user resumed the pause ending at `endTime` from Lullgate (padding allowed).
void NoteResumed(const std::string& endTime);

// The text of an event's notification in the lookup's words, with the end date (local) put in.
[[nodiscard]] std::wstring Text(const Decision& decision, const PauseRules::Lookup& lookup);

} // namespace NvLullgate::Reminders
