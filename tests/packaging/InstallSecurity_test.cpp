// The install folder and log tree rules, through the seams: Wine shows neither owners, access lists
// nor junctions, so owners and junctions are faked and each security descriptor is recorded.
#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "packaging/InstallSecurity.h"
#include "tests/log/LogTestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

constexpr wchar_t kStandardUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";
// What each kind of folder gets: owner; then "inherited" (no list of its own) or the entries.
constexpr wchar_t kOwnerOnly[] = L"S-1-5-32-544 inherited";
constexpr wchar_t kInstallAcl[] =
    L"S-1-5-32-544 protected S-1-5-18:1f01ff:3 S-1-5-32-544:1f01ff:3 S-1-5-32-545:1200a9:3";
constexpr wchar_t kAdminAcl[] = L"S-1-5-32-544 protected S-1-5-18:10000000:3 S-1-5-32-544:10000000:3";
constexpr wchar_t kUsrAcl[] = L"S-1-5-32-544 S-1-5-32-545:c000ffff:3 S-1-5-32-544:10000000:3 S-1-5-18:10000000:3";

std::wstring SidText(PSID sid) {
    unique_local<LPWSTR> text;
    return ConvertSidToStringSidW(sid, text.put()) ? text.get() : L"?";
}

std::wstring Describe(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    PACL acl = nullptr;
    BOOL defaulted = FALSE;
    BOOL hasAcl = FALSE;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    (void)GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    (void)GetSecurityDescriptorDacl(descriptor, &hasAcl, &acl, &defaulted);
    (void)GetSecurityDescriptorControl(descriptor, &control, &revision);
    std::wstring description = SidText(owner) + (!hasAcl                              ? L" inherited"
                                                 : (control & SE_DACL_PROTECTED) != 0 ? L" protected"
                                                                                      : L"");
    ACCESS_ALLOWED_ACE* ace = nullptr;
    for (DWORD i = 0; hasAcl && i < acl->AceCount && GetAce(acl, i, reinterpret_cast<void**>(&ace)); ++i) {
        wchar_t entry[48] = {};
        _snwprintf_s(entry, _countof(entry), _TRUNCATE, L":%lx:%x%ls", ace->Mask, unsigned{ace->Header.AceFlags},
                     ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? L"" : L":not a grant");
        description += L" " + SidText(&ace->SidStart) + entry;
    }
    return description;
}

class InstallSecurityTest : public ::testing::Test {
public:
    InstallSecurityTest() {
        LogTestFiles::RemoveTree(m_root);
        std::filesystem::create_directories(m_root);
        Seams::SetEntryOwner([this](LPCWSTR path, DWORD* attributes, std::wstring* owner) {
            *attributes = GetFileAttributesW(path) | (m_junctions.contains(path) ? FILE_ATTRIBUTE_REPARSE_POINT : 0);
            *owner = m_userOwned.contains(path) ? kStandardUser : L"S-1-5-32-544";
            return *attributes != INVALID_FILE_ATTRIBUTES;
        });
        // As the real call, a missing folder is made.
        Seams::SetEntrySecurity([this](LPCWSTR path, PSECURITY_DESCRIPTOR descriptor) {
            m_secured[path] = Describe(descriptor);
            return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES || CreateDirectoryW(path, nullptr)
                       ? DWORD{ERROR_SUCCESS}
                       : GetLastError();
        });
    }
    ~InstallSecurityTest() override {
        Seams::SetEntryOwner(nullptr);
        Seams::SetEntrySecurity(nullptr);
        LogTestFiles::RemoveTree(m_root);
    }

protected:
    std::wstring Made(const std::wstring& relative) {
        std::filesystem::create_directories(m_root / relative);
        return Path(relative);
    }
    std::wstring Path(const std::wstring& relative) const { return (m_root / relative).wstring(); }

    const std::filesystem::path m_root = std::filesystem::path(L"C:\\LullgateInstallTests") /
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::set<std::wstring> m_userOwned;
    std::set<std::wstring> m_junctions;
    std::map<std::wstring, std::wstring> m_secured;
};

// A new folder is made with its access list; an existing one, and everything in it, gets it too, so
// what a standard user could change under an unprotected earlier install is theirs no longer.
TEST_F(InstallSecurityTest, FolderIsMadeOrSecuredWithEverythingInIt) {
    std::wstring why;
    ASSERT_TRUE(InstallSecurity::SecureInstallFolder(Path(L"Tools\\Lullgate\\"), why)) << why;
    EXPECT_EQ(m_secured, (std::map<std::wstring, std::wstring>{{Path(L"Tools"), kOwnerOnly},
                                                               {Path(L"Tools\\Lullgate"), kInstallAcl}}));
    m_secured.clear();
    Made(L"Lullgate\\res");
    std::ofstream(m_root / L"Lullgate\\Lullgate.exe") << "MZ";
    ASSERT_TRUE(InstallSecurity::SecureInstallFolder(Path(L"Lullgate"), why)) << why;
    EXPECT_EQ(m_secured, (std::map<std::wstring, std::wstring>{{Path(L"Lullgate"), kInstallAcl},
                                                               {Path(L"Lullgate\\Lullgate.exe"), kInstallAcl},
                                                               {Path(L"Lullgate\\res"), kInstallAcl}}));
}

TEST_F(InstallSecurityTest, FoldersSomeoneElseCouldHaveMadeAreRefused) {
    const struct {
        const wchar_t* faked; // the folder that is someone else's or a junction
        bool userOwned;
        const wchar_t* folder; // the install folder asked for
        const wchar_t* reason; // what the refusal says after the faked folder's path
    } cases[] = {
        {L"Taken\\Lullgate", true, L"Taken\\Lullgate", L" is not used: its owner is not Administrators"},
        {L"Public", true, L"Public\\Lullgate", L" is not used: its owner is not Administrators"}, // renamed away later
        {L"Link\\Lullgate", false, L"Link\\Lullgate", L" is not used: it is a junction or link"},
        {L"Inside\\Lullgate\\res", false, L"Inside\\Lullgate", L" is a junction or link"},
    };
    for (const auto& c : cases) {
        const std::wstring faked = Made(c.faked);
        (c.userOwned ? m_userOwned : m_junctions).insert(faked);
        std::wstring why;
        EXPECT_FALSE(InstallSecurity::SecureInstallFolder(Path(c.folder), why)) << c.folder;
        EXPECT_NE(why.find(faked + c.reason), std::wstring::npos) << why;
        EXPECT_FALSE(m_secured.contains(faked)) << c.faked;
    }
    for (const wchar_t* folder : {L"Lullgate", L"\\\\server\\share\\Lullgate", L"C:\\a\\..\\Lullgate"}) {
        EXPECT_NE(InstallSecurity::InstallFolderRefusal(folder), L"") << folder;
    }
}

TEST_F(InstallSecurityTest, LogTreeIsMadeWithTheProgramsAccessLists) {
    const std::wstring product = L"LullgateInstallTests-LogTree";
    const std::wstring log = L"C:\\ProgramData\\Dired\\" + product + L"\\log";
    LogTestFiles::RemoveTree(L"C:\\ProgramData\\Dired\\" + product);
    std::wstring why;
    EXPECT_TRUE(InstallSecurity::CreateLogTree(product, why)) << why;
    EXPECT_EQ(m_secured[L"C:\\ProgramData\\Dired\\" + product], kOwnerOnly);
    EXPECT_EQ(m_secured[log], kOwnerOnly);
    EXPECT_EQ(m_secured[log + L"\\admin"], kAdminAcl);
    EXPECT_EQ(m_secured[log + L"\\usr"], kUsrAcl);

    // A tree a standard user made first is refused as the program refuses it, and left alone.
    m_secured.clear();
    m_userOwned.insert(log);
    EXPECT_FALSE(InstallSecurity::CreateLogTree(product, why));
    EXPECT_NE(why.find(log + L" is not used"), std::wstring::npos) << why;
    EXPECT_TRUE(m_secured.empty());
    LogTestFiles::RemoveTree(L"C:\\ProgramData\\Dired\\" + product);
}

} // namespace
