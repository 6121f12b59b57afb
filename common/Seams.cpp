#include "common/Seams.h"

#include "common/DesktopShell.h"
#include "common/UniqueHandle.h"

#include <utility>

namespace Seams {
namespace {

CreateProcessFn& CreateProcessOverride() {
    static CreateProcessFn fn;
    return fn;
}
ShellExecuteExFn& ShellExecuteOverride() {
    static ShellExecuteExFn fn;
    return fn;
}
TokenElevationFn& TokenElevationOverride() {
    static TokenElevationFn fn;
    return fn;
}
DesktopShellExecuteFn& DesktopShellExecuteOverride() {
    static DesktopShellExecuteFn fn;
    return fn;
}

} // namespace

void SetCreateProcess(CreateProcessFn fn) {
    CreateProcessOverride() = std::move(fn);
}
void SetShellExecuteEx(ShellExecuteExFn fn) {
    ShellExecuteOverride() = std::move(fn);
}
void SetTokenElevation(TokenElevationFn fn) {
    TokenElevationOverride() = std::move(fn);
}
void SetDesktopShellExecute(DesktopShellExecuteFn fn) {
    DesktopShellExecuteOverride() = std::move(fn);
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
    if (const auto& fn = CreateProcessOverride()) {
        return fn(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles, creationFlags,
                  environment, currentDirectory, startupInfo, processInformation);
    }
    return ::CreateProcessW(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                            creationFlags, environment, currentDirectory, startupInfo, processInformation);
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
    if (const auto& fn = ShellExecuteOverride()) {
        return fn(info);
    }
    return ::ShellExecuteExW(info);
}

BOOL QueryTokenElevation(DWORD* isElevated, DWORD* returnedLength) {
    if (const auto& fn = TokenElevationOverride()) {
        return fn(isElevated, returnedLength);
    }
    unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return FALSE;
    }
    TOKEN_ELEVATION elevation{};
    DWORD length = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &length)) {
        return FALSE;
    }
    *isElevated = elevation.TokenIsElevated;
    *returnedLength = length;
    return TRUE;
}

bool DesktopShellExecute(LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int showCommand) {
    if (const auto& fn = DesktopShellExecuteOverride()) {
        return fn(verb, file, parameters, showCommand);
    }
    return StartThroughDesktopShell(verb, file, parameters, showCommand);
}

} // namespace Seams
