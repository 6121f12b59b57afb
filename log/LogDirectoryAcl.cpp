#include "log/LogDirectoryAcl.h"

#include <sddl.h>

#include <initializer_list>

namespace LogDetail {

namespace {

constexpr wchar_t kLocalSystemSid[] = L"S-1-5-18";
constexpr wchar_t kAdministratorsSid[] = L"S-1-5-32-544";
constexpr wchar_t kUsersSid[] = L"S-1-5-32-545";
constexpr wchar_t kTrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// GENERIC_READ | GENERIC_WRITE and all sixteen object-specific rights: Users may create, write
// and rotate log files in "usr" without being able to change its ownership or access list.
constexpr DWORD kUsersAccess = 0xC000FFFF;

struct AccessRow {
    const wchar_t* sid;
    DWORD mask;
};

constexpr AccessRow kAdminRows[] = {{kLocalSystemSid, GENERIC_ALL}, {kAdministratorsSid, GENERIC_ALL}};
constexpr AccessRow kUsrRows[] = {
    {kUsersSid, kUsersAccess}, {kAdministratorsSid, GENERIC_ALL}, {kLocalSystemSid, GENERIC_ALL}};

} // namespace

bool GetAccountNameBySid(const wchar_t* sidText, wchar_t* name) {
    unique_local<PSID> sid;
    if (!ConvertStringSidToSidW(sidText, sid.put())) {
        return false;
    }
    DWORD nameChars = 260;
    wchar_t domain[260] = {};
    DWORD domainChars = 260;
    SID_NAME_USE use = SidTypeUnknown;
    return LookupAccountSidW(nullptr, sid.get(), name, &nameChars, domain, &domainChars, &use) != FALSE;
}

bool DirectoryAccessEntries::Build(int mode) {
    m_names = {};
    m_entries = {};
    m_count = 0;
    const AccessRow* rows = nullptr;
    std::size_t rowCount = 0;
    if (mode == kAdminDirectoryMode) {
        rows = kAdminRows;
        rowCount = std::size(kAdminRows);
    } else if (mode == kUsrDirectoryMode) {
        rows = kUsrRows;
        rowCount = std::size(kUsrRows);
    } else {
        return false;
    }
    for (std::size_t i = 0; i < rowCount; ++i) {
        if (!GetAccountNameBySid(rows[i].sid, m_names[i].data())) {
            return false;
        }
        BuildExplicitAccessWithNameW(&m_entries[i], m_names[i].data(), rows[i].mask, GRANT_ACCESS,
                                     OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    }
    m_count = static_cast<ULONG>(rowCount);
    return true;
}

unique_local<PACL> DirectoryAccessEntries::MakeAcl() const {
    unique_local<PACL> acl;
    if (m_count == 0) {
        return acl;
    }
    // SetEntriesInAclW takes the entries as non-const although it only reads them.
    auto* entries = const_cast<EXPLICIT_ACCESS_W*>(m_entries.data());
    if (SetEntriesInAclW(m_count, entries, nullptr, acl.put()) != ERROR_SUCCESS) {
        acl.reset();
    }
    return acl;
}

const wchar_t* FolderRefusal(DWORD attributes, const std::wstring& ownerSid) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return L"it is a junction or link";
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return L"it is not a folder";
    }
    for (const wchar_t* trusted : {kAdministratorsSid, kLocalSystemSid, kTrustedInstallerSid}) {
        if (ownerSid == trusted) {
            return nullptr;
        }
    }
    return L"its owner is not Administrators, SYSTEM or TrustedInstaller";
}

bool ApplyAdminAccessList(const std::wstring& path) {
    DirectoryAccessEntries entries;
    if (!entries.Build(kAdminDirectoryMode)) {
        return false;
    }
    const unique_local<PACL> acl = entries.MakeAcl();
    if (!acl) {
        return false;
    }
    // SetNamedSecurityInfoW takes the path as non-const although it only reads it.
    std::wstring name = path;
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 acl.get(), nullptr) == ERROR_SUCCESS;
}

} // namespace LogDetail
