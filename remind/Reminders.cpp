#include "remind/Reminders.h"

#include "common/RegistryRead.h"
#include "common/Seams.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"
#include "pause/PauseTime.h"
#include "pause/PauseWinUpdates.h"
#include "privacy/OptPrivacySecurityReg.h"

#include <windows.h>

namespace NvLullgate::Reminders {
namespace {

constexpr wchar_t kEnabled[] = L"enabled";
constexpr wchar_t kPauseEnd[] = L"pauseEnd";
constexpr wchar_t kShown[] = L"shown";
constexpr wchar_t kResumedEnd[] = L"resumedEnd";

std::string Mark(Event event) {
    return WideToAnsi(EventName(event)) + ";";
}

bool WasShown(const Record& record, Event event) {
    return record.shown.find(Mark(event)) != std::string::npos;
}

// An absent value keeps its default; one that cannot be read, or holds another type, is logged.
bool ReadText(const wchar_t* name, std::string& text) {
    std::wstring wide;
    const LSTATUS status = Registry::ReadString(HKEY_CURRENT_USER, kKeyPath, name, wide);
    if (status == ERROR_SUCCESS) {
        text = WideToAnsi(wide);
    } else if (!Registry::IsAbsent(status)) {
        LOG_WARN(L"RegGetValue errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    return true;
}

} // namespace

const wchar_t* EventName(Event event) {
    switch (event) {
    case Event::endsSoon:
        return L"endsSoon";
    case Event::lastDay:
        return L"lastDay";
    case Event::ended:
        return L"ended";
    case Event::policy:
        return L"policy";
    case Event::none:
        break;
    }
    return nullptr;
}

Decision Decide(const PauseNow& now, const Record& record, __time64_t time) {
    Decision decision;
    decision.next = record;
    Record& next = decision.next;
    if (now.paused) {
        if (next.pauseEnd != now.endTime) {
            // Another pause than the one last seen: what was told and resumed was about that one.
            next = Record{record.enabled, now.endTime, {}, {}};
        }
        decision.daysLeft = PauseRules::DaysLeft(now.endTime, time);
        const uint32_t days = decision.daysLeft.value_or(UINT32_MAX);
        // Windows' word first: a pause it ended, or one a policy makes it ignore, matters more than
        // how long the pause has left.
        Event event = Event::none;
        switch (WindowsPauseView::Decide(true, days, now.windows)) {
        case WindowsPauseNote::endedByWindows:
            event = Event::ended;
            break;
        case WindowsPauseNote::policyForbids:
            event = Event::policy;
            break;
        default:
            break;
        }
        if (event != Event::none && WasShown(next, event)) {
            event = Event::none;
        }
        if (event == Event::none && days == 0 && !WasShown(next, Event::lastDay)) {
            event = Event::lastDay;
        } else if (event == Event::none && days >= 1 && days <= 3 && !WasShown(next, Event::endsSoon) &&
                   !WasShown(next, Event::lastDay)) {
            event = Event::endsSoon;
        }
        if (event != Event::none) {
            next.shown += Mark(event);
            if (event == Event::lastDay && !WasShown(next, Event::endsSoon)) {
                next.shown += Mark(Event::endsSoon); // the last day says it all
            }
            decision.event = event;
            decision.eventEnd = now.endTime;
        }
    } else if (!record.pauseEnd.empty()) {
        // The pause last seen is gone. Before its end, and not by this user's own resume, that is
        // news; at or after its end it ran out as announced.
        __time64_t end = -1;
        const bool early = PauseTime::ScanZTime(record.pauseEnd.c_str(), end) && end > time;
        if (early && record.resumedEnd != record.pauseEnd && !WasShown(record, Event::ended)) {
            decision.event = Event::ended;
            decision.eventEnd = record.pauseEnd;
        }
        next = Record{record.enabled, {}, {}, {}};
    }
    if (!record.enabled) {
        decision.event = Event::none; // passed over, but counted as told
    }
    return decision;
}

bool ReadRecord(Record& record) {
    Record read;
    DWORD enabled = 1;
    const LSTATUS status = Registry::ReadDword(HKEY_CURRENT_USER, kKeyPath, kEnabled, enabled);
    if (status != ERROR_SUCCESS && !Registry::IsAbsent(status)) {
        LOG_WARN(L"RegGetValue errorID : " << status << L",lpSubKey : " << kEnabled);
        return false;
    }
    read.enabled = status != ERROR_SUCCESS || enabled != 0;
    if (!ReadText(kPauseEnd, read.pauseEnd) || !ReadText(kShown, read.shown) ||
        !ReadText(kResumedEnd, read.resumedEnd)) {
        return false;
    }
    record = read;
    return true;
}

bool WriteRecord(const Record& record) {
    unique_hkey key;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                     nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegCreateKeyEx errorID : " << status << L",lpSubKey : " << kKeyPath);
        return false;
    }
    const DWORD enabled = record.enabled ? 1 : 0;
    status =
        RegSetValueExW(key.get(), kEnabled, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled), sizeof(enabled));
    for (const auto& [name, text] : {std::pair{kPauseEnd, &record.pauseEnd}, std::pair{kShown, &record.shown},
                                     std::pair{kResumedEnd, &record.resumedEnd}}) {
        if (status != ERROR_SUCCESS) {
            break;
        }
        const std::wstring wide = AnsiToWide(*text);
        status = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegSetValueEx errorID : " << status << L",lpSubKey : " << kKeyPath);
        return false;
    }
    return true;
}

bool Check(PauseWinUpdates& engine, bool dryRun, Decision& decision) {
    decision = Decision{};
    // Reminders are part of Lullgate: a user who has not agreed to it is told nothing, and nothing
    // is kept about them.
    if (NvPcPrivacySecurity::OptPrivacySecurityReg::CheckToolPriacyStatusReg() != NvPcPrivacySecurity::StatusCurrent) {
        return true;
    }
    std::string endDate;
    if (!engine.GetPauseStatus(endDate)) {
        return false;
    }
    PauseNow now{engine.m_isPaused, engine.m_isPaused ? PauseRules::Unpadded(engine.m_pauseEndTime) : std::string(),
                 WindowsPauseView::Read()};
    Record record;
    if (!ReadRecord(record)) {
        return false;
    }
    decision = Decide(now, record, Seams::Time());
    decision.changed = decision.next != record;
    decision.pausedUntil = engine.m_isPaused ? endDate : std::string();
    if (!dryRun && decision.changed) {
        (void)WriteRecord(decision.next); // logged; the event is still worth telling
    }
    return true;
}

bool IsEnabled() {
    Record record;
    return !ReadRecord(record) || record.enabled;
}

bool SetEnabled(bool enabled) {
    Record record;
    if (!ReadRecord(record)) {
        return false;
    }
    record.enabled = enabled;
    return WriteRecord(record);
}

void NoteResumed(const std::string& endTime) {
    Record record;
    if (ReadRecord(record)) {
        record.resumedEnd = PauseRules::Unpadded(endTime);
        (void)WriteRecord(record);
    }
}

std::wstring Text(const Decision& decision, const PauseRules::Lookup& lookup) {
    const wchar_t* key = nullptr;
    switch (decision.event) {
    case Event::endsSoon:
        key = decision.daysLeft == 1U ? L"IDS_REMIND_ENDS_TOMORROW" : L"IDS_REMIND_ENDS_SOON";
        break;
    case Event::lastDay:
        key = L"IDS_REMIND_LAST_DAY";
        break;
    case Event::ended:
        key = L"IDS_REMIND_ENDED";
        break;
    case Event::policy:
        key = L"IDS_REMIND_POLICY";
        break;
    case Event::none:
        return {};
    }
    // Put in as text, not formatted: a translation cannot reach the C runtime's formatting.
    std::wstring text = lookup(key);
    if (const size_t at = text.find(L"%s"); at != std::wstring::npos) {
        text.replace(at, 2, AnsiToWide(PauseRules::LocalDate(decision.eventEnd).value_or(decision.eventEnd)));
    }
    if (const size_t at = text.find(L"%d"); at != std::wstring::npos) {
        text.replace(at, 2, std::to_wstring(decision.daysLeft.value_or(0)));
    }
    return text;
}

} // namespace NvLullgate::Reminders
