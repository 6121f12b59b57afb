// The access lists of the two log folders: "admin" (local system and Administrators only) and
// "usr" (also Users, so a process without elevation can write its log), and the test an elevated
// process puts every existing folder on its way to "admin" through. Built in memory apart from the
// folder creation so the entries can be checked where the file system keeps no ACLs or owners.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>
#include <aclapi.h>

#include <array>
#include <string>

namespace LogDetail {

inline constexpr int kAdminDirectoryMode = 0;
inline constexpr int kUsrDirectoryMode = 1;

// The explicit-access entries of one folder mode, each granting its mask to an account named
// after a well-known SID, inherited by files and subfolders. The entries point into this object's
// own name buffers, so it is neither copied nor moved.
class DirectoryAccessEntries {
public:
    DirectoryAccessEntries() = default;
    DirectoryAccessEntries(const DirectoryAccessEntries&) = delete;
    DirectoryAccessEntries& operator=(const DirectoryAccessEntries&) = delete;

    // Fills the entries of `mode` (kAdminDirectoryMode or kUsrDirectoryMode); false when the mode
    // is unknown or an account name can't be found.
    [[nodiscard]] bool Build(int mode);
    [[nodiscard]] const EXPLICIT_ACCESS_W* Entries() const { return m_entries.data(); }
    [[nodiscard]] ULONG Count() const { return m_count; }
    // The access list made of the entries; empty when SetEntriesInAclW fails.
    [[nodiscard]] unique_local<PACL> MakeAcl() const;

private:
    static constexpr std::size_t kMaxEntries = 3;
    static constexpr DWORD kNameChars = 260;
    std::array<std::array<wchar_t, kNameChars>, kMaxEntries> m_names{};
    std::array<EXPLICIT_ACCESS_W, kMaxEntries> m_entries{};
    ULONG m_count = 0;
};

// The account name (without domain) of a SID given as text, such as "S-1-5-18"; `name` holds
// 260 wide characters.
[[nodiscard]] bool GetAccountNameBySid(const wchar_t* sidText, wchar_t* name);

// Why an elevated process must not use an existing folder with these attributes and this owner
// (SID text) on its way to its log file; nullptr when it may. Anyone may create folders under
// C:\ProgramData, so only a real folder (no junction or link) owned by Administrators, SYSTEM or
// TrustedInstaller is trusted: nobody else can have chosen where it leads.
[[nodiscard]] const wchar_t* FolderRefusal(DWORD attributes, const std::wstring& ownerSid);

// Gives an existing "admin" folder the access list it is made with, protected from inheritance,
// so that what C:\ProgramData lets every user do (create files and folders) stops at it.
[[nodiscard]] bool ApplyAdminAccessList(const std::wstring& path);

} // namespace LogDetail
