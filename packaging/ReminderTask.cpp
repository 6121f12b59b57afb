#include "packaging/ReminderTask.h"

#include "common/Seams.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace ReminderTask {

namespace {

// Long enough for schtasks on a slow machine; it never waits for the user.
constexpr DWORD kSchtasksTimeoutMs = 60000;

std::wstring XmlEscaped(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        switch (c) {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += L"&quot;";
            break;
        case L'\'':
            escaped += L"&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

bool RunSchtasks(const std::wstring& arguments, std::wstring& why) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        why = L"the system folder can't be found";
        return false;
    }
    // The full path: never a schtasks.exe from the working directory or the search path.
    const std::wstring exe = std::wstring(system) + L"\\schtasks.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!Seams::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &info)) {
        why = L"schtasks could not be started (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    const unique_handle process(info.hProcess);
    const unique_handle thread(info.hThread);
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.get(), kSchtasksTimeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &exitCode)) {
        why = L"schtasks did not finish";
        return false;
    }
    if (exitCode != 0) {
        why = L"schtasks ended with " + std::to_wstring(exitCode);
        return false;
    }
    return true;
}

} // namespace

std::wstring TaskXml(const std::wstring& installFolder) {
    std::wstring folder = installFolder;
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    // The sign-in trigger waits a minute so the notification area is there to show the balloon; a
    // daily run missed while the machine was off runs when it is next on (StartWhenAvailable).
    // The start date only anchors the daily schedule: local time, no zone, so 10:00 wherever it runs.
    return LR"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <RegistrationInfo>
    <Author>Norvane</Author>
    <Description>Tells each signed-in user before Windows Update resumes after a pause, and when Windows ends a pause.</Description>
    <URI>\Lullgate\Reminders</URI>
  </RegistrationInfo>
  <Triggers>
    <LogonTrigger>
      <Enabled>true</Enabled>
      <Delay>PT1M</Delay>
    </LogonTrigger>
    <CalendarTrigger>
      <StartBoundary>2026-01-01T10:00:00</StartBoundary>
      <Enabled>true</Enabled>
      <ScheduleByDay>
        <DaysInterval>1</DaysInterval>
      </ScheduleByDay>
    </CalendarTrigger>
  </Triggers>
  <Principals>
    <Principal id="Users">
      <GroupId>S-1-5-32-545</GroupId>
      <RunLevel>LeastPrivilege</RunLevel>
    </Principal>
  </Principals>
  <Settings>
    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>
    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>
    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>
    <StartWhenAvailable>true</StartWhenAvailable>
    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>
    <AllowStartOnDemand>true</AllowStartOnDemand>
    <Enabled>true</Enabled>
    <Hidden>false</Hidden>
    <ExecutionTimeLimit>PT5M</ExecutionTimeLimit>
    <Priority>7</Priority>
  </Settings>
  <Actions Context="Users">
    <Exec>
      <Command>)" +
           XmlEscaped(folder + L"\\" + kReminderExe) + LR"(</Command>
    </Exec>
  </Actions>
</Task>
)";
}

bool Register(const std::wstring& installFolder, std::wstring& why) {
    std::wstring folder = installFolder;
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    const std::wstring xmlFile = folder + L"\\reminders-task.xml";
    {
        // UTF-16 with its byte-order mark, as the declaration says.
        const unique_file_handle file(
            CreateFileW(xmlFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::wstring text = L"\xFEFF" + TaskXml(folder);
        DWORD written = 0;
        const auto bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (!file || !WriteFile(file.get(), text.data(), bytes, &written, nullptr) || written != bytes) {
            why = xmlFile + L" can't be written (error " + std::to_wstring(GetLastError()) + L")";
            return false;
        }
    }
    const bool registered =
        RunSchtasks(L"/Create /TN \"" + std::wstring(kTaskName) + L"\" /XML \"" + xmlFile + L"\" /F", why);
    DeleteFileW(xmlFile.c_str());
    return registered;
}

bool Remove(std::wstring& why) {
    return RunSchtasks(L"/Delete /TN \"" + std::wstring(kTaskName) + L"\" /F", why);
}

} // namespace ReminderTask
