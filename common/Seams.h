// The few system calls that tests replace. Each defaults to the real call; a test installs a
// replacement to record what would have been started (so no program is launched from a test)
// or to fake a non-elevated token, which Wine cannot give. Installing an empty function restores
// the real call. Only tests install replacements.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>

namespace Seams {

using CreateProcessFn = std::function<BOOL(
    LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
    LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation)>;
using ShellExecuteExFn = std::function<BOOL(SHELLEXECUTEINFOW* info)>;
// The token-elevation query: returns FALSE when the query fails, otherwise fills TokenIsElevated
// and the length the system gave back.
using TokenElevationFn = std::function<BOOL(DWORD* isElevated, DWORD* returnedLength)>;

void SetCreateProcess(CreateProcessFn fn);
void SetShellExecuteEx(ShellExecuteExFn fn);
void SetTokenElevation(TokenElevationFn fn);

[[nodiscard]] BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                                  LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                                  LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                  LPPROCESS_INFORMATION processInformation);
[[nodiscard]] BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
// OpenProcessToken(TOKEN_QUERY) + GetTokenInformation(TokenElevation) on the current process.
// True when the query succeeded; *isElevated is TokenIsElevated, *returnedLength the size given back.
[[nodiscard]] BOOL QueryTokenElevation(DWORD* isElevated, DWORD* returnedLength);

} // namespace Seams
