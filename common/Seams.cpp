#include "common/Seams.h"

#include "common/DesktopShell.h"
#include "common/UniqueHandle.h"

#include <aclapi.h>
#include <sddl.h>

#include <utility>

namespace Seams {
namespace {

// One replaceable function per seam type; every seam has a signature of its own.
template <typename Fn> Fn& Override() {
    static Fn fn;
    return fn;
}

} // namespace

void SetCreateProcess(CreateProcessFn fn) {
    Override<CreateProcessFn>() = std::move(fn);
}
void SetShellExecuteEx(ShellExecuteExFn fn) {
    Override<ShellExecuteExFn>() = std::move(fn);
}
void SetTokenElevation(TokenElevationFn fn) {
    Override<TokenElevationFn>() = std::move(fn);
}
void SetDesktopShellExecute(DesktopShellExecuteFn fn) {
    Override<DesktopShellExecuteFn>() = std::move(fn);
}
void SetEntryOwner(EntryOwnerFn fn) {
    Override<EntryOwnerFn>() = std::move(fn);
}
void SetRegSetValue(RegSetValueFn fn) {
    Override<RegSetValueFn>() = std::move(fn);
}
void SetTime(TimeFn fn) {
    Override<TimeFn>() = std::move(fn);
}
void SetShellNotifyIcon(ShellNotifyIconFn fn) {
    Override<ShellNotifyIconFn>() = std::move(fn);
}

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
    if (const auto& fn = Override<CreateProcessFn>()) {
        return fn(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles, creationFlags,
                  environment, currentDirectory, startupInfo, processInformation);
    }
    return ::CreateProcessW(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                            creationFlags, environment, currentDirectory, startupInfo, processInformation);
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
    if (const auto& fn = Override<ShellExecuteExFn>()) {
        return fn(info);
    }
    return ::ShellExecuteExW(info);
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    if (const auto& fn = Override<RegSetValueFn>()) {
        return fn(key, name, reserved, type, data, size);
    }
    return ::RegSetValueExW(key, name, reserved, type, data, size);
}

__time64_t Time() {
    if (const auto& fn = Override<TimeFn>()) {
        return fn();
    }
    return _time64(nullptr);
}

BOOL ShellNotifyIconW(DWORD message, NOTIFYICONDATAW* data) {
    if (const auto& fn = Override<ShellNotifyIconFn>()) {
        return fn(message, data);
    }
    return ::Shell_NotifyIconW(message, data);
}

BOOL QueryTokenElevation(DWORD* isElevated, DWORD* returnedLength) {
    if (const auto& fn = Override<TokenElevationFn>()) {
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
    if (const auto& fn = Override<DesktopShellExecuteFn>()) {
        return fn(verb, file, parameters, showCommand);
    }
    return StartThroughDesktopShell(verb, file, parameters, showCommand);
}

BOOL QueryEntryOwner(LPCWSTR path, DWORD* attributes, std::wstring* ownerSid) {
    if (const auto& fn = Override<EntryOwnerFn>()) {
        return fn(path, attributes, ownerSid);
    }
    // FILE_FLAG_OPEN_REPARSE_POINT: the junction or link itself, never the folder it leads to.
    const unique_file_handle entry(
        CreateFileW(path, READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry) {
        return FALSE;
    }
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(entry.get(), FileBasicInfo, &basic, sizeof(basic))) {
        return FALSE;
    }
    PSID owner = nullptr; // points into the descriptor
    unique_local<PSECURITY_DESCRIPTOR> descriptor;
    if (GetSecurityInfo(entry.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        descriptor.put()) != ERROR_SUCCESS ||
        owner == nullptr) {
        return FALSE;
    }
    unique_local<LPWSTR> ownerText;
    if (!ConvertSidToStringSidW(owner, ownerText.put())) {
        return FALSE;
    }
    *attributes = basic.FileAttributes;
    *ownerSid = ownerText.get();
    return TRUE;
}

namespace {

struct EventSourceTraits {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type source) noexcept { DeregisterEventSource(source); }
};

} // namespace

void SetEventLog(EventLogFn fn) {
    Override<EventLogFn>() = std::move(fn);
}

bool ReportEventLog(LPCWSTR source, WORD type, DWORD eventId, LPCWSTR text) {
    if (const auto& fn = Override<EventLogFn>()) {
        return fn(source, type, eventId, text);
    }
    // A source nobody registered still writes: Event Viewer then shows the text after a note that
    // the source's message file is missing.
    const UniqueResource<EventSourceTraits> eventSource(RegisterEventSourceW(nullptr, source));
    if (!eventSource) {
        return false;
    }
    LPCWSTR strings[] = {text};
    return ReportEventW(eventSource.get(), type, 0, eventId, nullptr, 1, 0, strings, nullptr) != FALSE;
}

void SetEntrySecurity(EntrySecurityFn fn) {
    Override<EntrySecurityFn>() = std::move(fn);
}

DWORD SecureEntry(LPCWSTR path, PSECURITY_DESCRIPTOR descriptor) {
    if (const auto& fn = Override<EntrySecurityFn>()) {
        return fn(path, descriptor);
    }
    SECURITY_ATTRIBUTES made{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    if (CreateDirectoryW(path, &made)) {
        return ERROR_SUCCESS;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return GetLastError();
    }
    // The entry itself: a junction put in place of a folder must not hand its target our owner
    // and access list.
    const unique_file_handle entry(CreateFileW(path, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                               nullptr));
    if (!entry) {
        return GetLastError();
    }
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(entry.get(), FileBasicInfo, &basic, sizeof(basic))) {
        return GetLastError();
    }
    if ((basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return ERROR_CANT_ACCESS_FILE;
    }
    PSID owner = nullptr; // both point into the descriptor
    PACL acl = nullptr;
    BOOL defaulted = FALSE;
    BOOL hasAcl = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &hasAcl, &acl, &defaulted) ||
        !GetSecurityDescriptorControl(descriptor, &control, &revision)) {
        return GetLastError();
    }
    SECURITY_INFORMATION parts = owner != nullptr ? OWNER_SECURITY_INFORMATION : 0;
    if (hasAcl) {
        parts |=
            DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                            : UNPROTECTED_DACL_SECURITY_INFORMATION);
    }
    return SetSecurityInfo(entry.get(), SE_FILE_OBJECT, parts, owner, nullptr, hasAcl ? acl : nullptr, nullptr);
}

} // namespace Seams
