// The scheduled task that runs LullgateReminder.exe for whoever signs in: one task,
// "Lullgate\Reminders", for the Users group with least privilege (the reminder never runs
// elevated), at every sign-in and daily at 10:00 local time. Both installers register it through
// schtasks with the definition below and remove it on uninstall. Wine's task store keeps neither
// triggers nor command, so the definition is checked on its own.
#pragma once

#include <string>

namespace ReminderTask {

inline constexpr wchar_t kTaskName[] = L"Lullgate\\Reminders";
inline constexpr wchar_t kReminderExe[] = L"LullgateReminder.exe";

// The task definition (Task Scheduler schema 1.2) for the reminder in `installFolder`.
[[nodiscard]] std::wstring TaskXml(const std::wstring& installFolder);

// Hands TaskXml to schtasks (/Create /XML, replacing a task of that name); the definition is
// written into the install folder, which only administrators can change, and removed again.
// False with `why` set when schtasks can't be run or fails.
[[nodiscard]] bool Register(const std::wstring& installFolder, std::wstring& why);
// schtasks /Delete for the task; false with `why` set when schtasks fails (also when there was
// no such task).
[[nodiscard]] bool Remove(std::wstring& why);

} // namespace ReminderTask
