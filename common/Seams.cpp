#include "common/Seams.h"

#include "common/DesktopShell.h"
#include "common/UniqueHandle.h"

#include <aclapi.h>
#include <sddl.h>

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
EntryOwnerFn& EntryOwnerOverride() {
    static EntryOwnerFn fn;
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
void SetEntryOwner(EntryOwnerFn fn) {
    EntryOwnerOverride() = std::move(fn);
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

BOOL QueryEntryOwner(LPCWSTR path, DWORD* attributes, std::wstring* ownerSid) {
    if (const auto& fn = EntryOwnerOverride()) {
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

EntrySecurityFn& EntrySecurityOverride() {
    static EntrySecurityFn fn;
    return fn;
}

} // namespace

void SetEntrySecurity(EntrySecurityFn fn) {
    EntrySecurityOverride() = std::move(fn);
}

DWORD SecureEntry(LPCWSTR path, PSECURITY_DESCRIPTOR descriptor) {
    if (const auto& fn = EntrySecurityOverride()) {
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
