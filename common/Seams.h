// The few system calls that tests replace, for every part of the program. Each defaults to the
// real call; a test installs a replacement to record what would have been started (so no program
// is launched from a test), to fake a non-elevated token, to fake folder owners and junctions
// (none of which Wine can give), to act between two registry writes of one sequence, or to set
// the clock. Installing an empty function restores the real call. Only tests install replacements.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <ctime>
#include <functional>
#include <string>

namespace Seams {

using CreateProcessFn = std::function<BOOL(
    LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
    LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation)>;
using ShellExecuteExFn = std::function<BOOL(SHELLEXECUTEINFOW* info)>;
// The token-elevation query: returns FALSE when the query fails, otherwise fills TokenIsElevated
// and the length the system gave back.
using TokenElevationFn = std::function<BOOL(DWORD* isElevated, DWORD* returnedLength)>;
// A start through the signed-in user's desktop shell: verb, file, parameters and show command as
// ShellExecuteExW takes them. True when the shell accepted the request.
using DesktopShellExecuteFn = std::function<bool(LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int showCommand)>;
// The attributes and the owner (as SID text, such as "S-1-5-32-544") of a file-system entry, read
// from the entry itself: a reparse point is opened, not followed. FALSE when either can't be read.
using EntryOwnerFn = std::function<BOOL(LPCWSTR path, DWORD* attributes, std::wstring* ownerSid)>;

// The registry write of the pause engine: a test records the order of the writes or acts between
// two of them (for example locks the key after the second of six), a moment the registry sandbox
// cannot reach on its own.
using RegSetValueFn =
    std::function<LSTATUS(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)>;
// The clock every front end reads the current time from (seconds since 1970, UTC).
using TimeFn = std::function<__time64_t()>;
// The notification area (Shell_NotifyIconW): tests record the reminder's balloon and its texts.
using ShellNotifyIconFn = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

void SetCreateProcess(CreateProcessFn fn);
void SetShellExecuteEx(ShellExecuteExFn fn);
void SetTokenElevation(TokenElevationFn fn);
void SetDesktopShellExecute(DesktopShellExecuteFn fn);
void SetEntryOwner(EntryOwnerFn fn);
void SetRegSetValue(RegSetValueFn fn);
void SetTime(TimeFn fn);
void SetShellNotifyIcon(ShellNotifyIconFn fn);

[[nodiscard]] BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                                  LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                                  LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                  LPPROCESS_INFORMATION processInformation);
[[nodiscard]] BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
// OpenProcessToken(TOKEN_QUERY) + GetTokenInformation(TokenElevation) on the current process.
// True when the query succeeded; *isElevated is TokenIsElevated, *returnedLength the size given back.
[[nodiscard]] BOOL QueryTokenElevation(DWORD* isElevated, DWORD* returnedLength);
// StartThroughDesktopShell (common/DesktopShell.h): the program runs with the rights of the user
// whose desktop shell starts it, not with this process's.
[[nodiscard]] bool DesktopShellExecute(LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int showCommand);
// Opens `path` without following a reparse point, with FILE_READ_ATTRIBUTES and READ_CONTROL only.
[[nodiscard]] BOOL QueryEntryOwner(LPCWSTR path, DWORD* attributes, std::wstring* ownerSid);
[[nodiscard]] LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// The current time in seconds since 1970, UTC (_time64).
[[nodiscard]] __time64_t Time();
[[nodiscard]] BOOL ShellNotifyIconW(DWORD message, NOTIFYICONDATAW* data);

// An entry in the Windows Application event log: the event source's name, the event type
// (EVENTLOG_ERROR_TYPE, ...), the event id and one text. True when the entry was written.
using EventLogFn = std::function<bool(LPCWSTR source, WORD type, DWORD eventId, LPCWSTR text)>;
void SetEventLog(EventLogFn fn);
// RegisterEventSourceW on this machine + ReportEventW with the text as the event's one string.
[[nodiscard]] bool ReportEventLog(LPCWSTR source, WORD type, DWORD eventId, LPCWSTR text);

// Giving a file-system entry an owner and an access list, which Wine neither keeps nor shows: the
// descriptor's owner, and its access list when it has one (protected from inheritance when its
// control says so). A missing folder is made with the descriptor, so nobody can reach it between
// its making and its securing; an entry that is there is opened itself, never what a junction or
// link leads to. ERROR_SUCCESS, or the error that stopped it.
using EntrySecurityFn = std::function<DWORD(LPCWSTR path, PSECURITY_DESCRIPTOR descriptor)>;
void SetEntrySecurity(EntrySecurityFn fn);
// CreateDirectoryW with the descriptor; when the entry exists, SetSecurityInfo on a handle opened
// with FILE_FLAG_OPEN_REPARSE_POINT (ERROR_CANT_ACCESS_FILE for a junction or link).
[[nodiscard]] DWORD SecureEntry(LPCWSTR path, PSECURITY_DESCRIPTOR descriptor);

} // namespace Seams
