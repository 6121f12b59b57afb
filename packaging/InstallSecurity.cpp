#include "packaging/InstallSecurity.h"

#include "common/Seams.h"
#include "log/LogDirectoryAcl.h"
#include "packaging/Utf8.h"

#include <sddl.h>

#include <cstring>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

namespace InstallSecurity {

namespace {

constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
// SYSTEM and Administrators full control, Users read and execute (FILE_GENERIC_READ |
// FILE_GENERIC_EXECUTE), each inherited by every file and folder inside.
constexpr wchar_t kInstallFolderAcl[] = L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

std::wstring ErrorText(DWORD error) {
    return L"error " + std::to_wstring(error);
}

// The access list of an SDDL text, copied out of the descriptor the conversion allocates.
unique_local<PACL> AclFromSddl(const wchar_t* sddl) {
    unique_local<PACL> copy;
    unique_local<PSECURITY_DESCRIPTOR> descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(), nullptr)) {
        return copy;
    }
    PACL acl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorDacl(descriptor.get(), &present, &acl, &defaulted) || !present || acl == nullptr) {
        return copy;
    }
    copy.reset(static_cast<PACL>(LocalAlloc(LMEM_FIXED, acl->AclSize)));
    if (copy) {
        std::memcpy(copy.get(), acl, acl->AclSize);
    }
    return copy;
}

unique_local<PACL> LogAcl(int mode) {
    LogDetail::DirectoryAccessEntries entries;
    return entries.Build(mode) ? entries.MakeAcl() : unique_local<PACL>();
}

bool Exists(const std::wstring& path, DWORD& error) {
    // The entry's own attributes: a junction at the end of the path is not followed.
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        error = ERROR_SUCCESS;
        return true;
    }
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        error = ERROR_SUCCESS;
    }
    return false;
}

// Why an existing folder is not trusted, or empty when it is (LogDetail::FolderRefusal).
std::wstring FolderRefusal(const std::wstring& path) {
    DWORD attributes = 0;
    std::wstring owner;
    if (!Seams::QueryEntryOwner(path.c_str(), &attributes, &owner)) {
        return path + L" is not used: its owner can't be read";
    }
    const wchar_t* refusal = LogDetail::FolderRefusal(attributes, owner);
    return refusal == nullptr ? std::wstring() : path + L" is not used: " + refusal;
}

// "C:\a\b" for "C:\a\b\" and the like; empty when `folder` is not a local absolute path to a
// folder below a drive's root, or has "." or ".." or a stream (":") in it.
std::wstring NormalizedFolder(std::wstring folder) {
    while (folder.size() > 3 && folder.back() == L'\\') {
        folder.pop_back();
    }
    const wchar_t letter = folder.empty() ? L'\0' : static_cast<wchar_t>(folder[0] | 0x20);
    const bool drive = folder.size() > 3 && letter >= L'a' && letter <= L'z' && folder[1] == L':' && folder[2] == L'\\';
    if (!drive || folder.find(L'/') != std::wstring::npos || folder.find(L':', 2) != std::wstring::npos ||
        folder.find(L"\\\\") != std::wstring::npos) {
        return {};
    }
    const std::wstring_view rest = std::wstring_view(folder).substr(2);
    for (std::size_t at = 0; at != std::wstring_view::npos;) {
        const std::size_t next = rest.find(L'\\', at + 1);
        const std::wstring_view part = rest.substr(at + 1, next == std::wstring_view::npos ? next : next - at - 1);
        if (part == L"." || part == L"..") {
            return {};
        }
        at = next;
    }
    return folder;
}

// Each folder from the first below the root to `folder` itself: C:\a, C:\a\b, ...
std::vector<std::wstring> FoldersOnTheWay(const std::wstring& folder) {
    std::vector<std::wstring> folders;
    for (std::size_t end = folder.find(L'\\', 3); end != std::wstring::npos; end = folder.find(L'\\', end + 1)) {
        folders.push_back(folder.substr(0, end));
    }
    folders.push_back(folder);
    return folders;
}

bool Secure(const std::wstring& path, FolderKind kind, std::wstring& why) {
    FolderDescriptor descriptor;
    if (!descriptor.Build(kind)) {
        why = path + L": its access list can't be made (" + ErrorText(GetLastError()) + L")";
        return false;
    }
    const DWORD error = Seams::SecureEntry(path.c_str(), descriptor.Get());
    if (error != ERROR_SUCCESS) {
        why = path + L" can't be secured (" + ErrorText(error) + L")";
        return false;
    }
    return true;
}

// Everything inside `folder`, deepest last: each entry gets the install folder's owner and list.
bool SecureContents(const std::wstring& folder, std::wstring& why) {
    WIN32_FIND_DATAW found{};
    const unique_find_handle find(
        FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring path = folder + L"\\" + name;
        DWORD attributes = 0;
        std::wstring owner;
        if (!Seams::QueryEntryOwner(path.c_str(), &attributes, &owner)) {
            why = path + L" can't be read";
            return false;
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            why = path + L" is a junction or link, which no installation of Lullgate makes";
            return false;
        }
        if (!Secure(path, FolderKind::InstallFolder, why) ||
            ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !SecureContents(path, why))) {
            return false;
        }
    } while (FindNextFileW(find.get(), &found));
    return true;
}

std::wstring LogFolder(const std::wstring& product) {
    return L"C:\\ProgramData\\Dired\\" + product + L"\\log";
}

} // namespace

bool FolderDescriptor::Build(FolderKind kind) {
    if (!ConvertStringSidToSidW(kAdministratorsSid, m_owner.put())) {
        return false;
    }
    switch (kind) {
    case FolderKind::OwnerOnly:
        m_acl.reset();
        break;
    case FolderKind::InstallFolder:
        m_acl = AclFromSddl(kInstallFolderAcl);
        break;
    case FolderKind::LogAdmin:
        m_acl = LogAcl(LogDetail::kAdminDirectoryMode);
        break;
    case FolderKind::LogUsr:
        m_acl = LogAcl(LogDetail::kUsrDirectoryMode);
        break;
    }
    if (kind != FolderKind::OwnerOnly && !m_acl) {
        return false;
    }
    // "usr" inherits what C:\ProgramData gives, as the program makes it; the others keep only
    // their own entries, so what the parent lets every user do stops at them.
    const bool isProtected = kind == FolderKind::InstallFolder || kind == FolderKind::LogAdmin;
    return InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorOwner(&m_descriptor, m_owner.get(), FALSE) &&
           (!m_acl || SetSecurityDescriptorDacl(&m_descriptor, TRUE, m_acl.get(), FALSE)) &&
           (!isProtected || SetSecurityDescriptorControl(&m_descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED));
}

std::wstring InstallFolderRefusal(const std::wstring& folder) {
    const std::wstring normalized = NormalizedFolder(folder);
    if (normalized.empty()) {
        return L"\"" + folder + L"\" is not a folder on a local drive";
    }
    for (const std::wstring& path : FoldersOnTheWay(normalized)) {
        DWORD error = ERROR_SUCCESS;
        if (!Exists(path, error)) {
            return error == ERROR_SUCCESS ? std::wstring() : path + L" can't be read (" + ErrorText(error) + L")";
        }
        if (std::wstring refusal = FolderRefusal(path); !refusal.empty()) {
            return refusal;
        }
    }
    return {};
}

bool SecureInstallFolder(const std::wstring& folder, std::wstring& why) {
    why = InstallFolderRefusal(folder);
    if (!why.empty()) {
        return false;
    }
    const std::wstring normalized = NormalizedFolder(folder);
    const std::vector<std::wstring> folders = FoldersOnTheWay(normalized);
    for (std::size_t i = 0; i + 1 < folders.size(); ++i) {
        DWORD error = ERROR_SUCCESS;
        if (!Exists(folders[i], error) && !Secure(folders[i], FolderKind::OwnerOnly, why)) {
            return false;
        }
    }
    return Secure(normalized, FolderKind::InstallFolder, why) && SecureContents(normalized, why);
}

bool CreateLogTree(const std::wstring& product, std::wstring& why) {
    why.clear();
    const std::wstring log = LogFolder(product);
    // The program trusts the folders below C:\ProgramData that pass FolderRefusal; C:\ProgramData
    // itself belongs to Windows.
    for (const std::wstring& path : FoldersOnTheWay(log)) {
        if (path.size() <= std::wstring_view(L"C:\\ProgramData").size()) {
            continue;
        }
        DWORD error = ERROR_SUCCESS;
        if (Exists(path, error)) {
            why = FolderRefusal(path);
            if (!why.empty()) {
                return false;
            }
        } else if (error != ERROR_SUCCESS) {
            why = path + L" can't be read (" + ErrorText(error) + L")";
            return false;
        } else if (!Secure(path, FolderKind::OwnerOnly, why)) {
            return false;
        }
    }
    for (const auto& [name, kind] :
         {std::pair{L"admin", FolderKind::LogAdmin}, std::pair{L"usr", FolderKind::LogUsr}}) {
        const std::wstring path = log + L"\\" + name;
        DWORD error = ERROR_SUCCESS;
        if (Exists(path, error)) {
            why = FolderRefusal(path);
        } else if (error != ERROR_SUCCESS) {
            why = path + L" can't be read (" + ErrorText(error) + L")";
        }
        if (!why.empty() || !Secure(path, kind, why)) {
            return false;
        }
    }
    return true;
}

void AppendInstallLog(const std::wstring& product, const std::wstring& line) {
    const std::wstring path = LogFolder(product) + L"\\admin\\setup.log";
    const unique_file_handle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                              nullptr, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_BASIC_INFO basic{};
    if (!file || !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof(basic)) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32] = {};
    _snwprintf_s(stamp, _countof(stamp), _TRUNCATE, L"%04u-%02u-%02u %02u:%02u:%02u ", unsigned{now.wYear},
                 unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour}, unsigned{now.wMinute},
                 unsigned{now.wSecond});
    const std::string text = ToUtf8(stamp + line + L"\r\n");
    DWORD written = 0;
    (void)WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace InstallSecurity
