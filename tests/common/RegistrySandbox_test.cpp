#include "tests/support/RegistrySandbox.h"

#include <windows.h>

namespace {

constexpr wchar_t kUpdateSettings[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
constexpr wchar_t kSign[] = L"SOFTWARE\\Norvane\\Lullgate\\sign";
constexpr wchar_t kProbe[] = L"LullgateSandboxProbe";

LSTATUS ReadProbe(HKEY root, const wchar_t* path) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    return RegGetValueW(root, path, kProbe, RRF_RT_REG_DWORD, nullptr, &value, &size);
}

} // namespace

// What a sandbox writes reaches neither the machine's hive nor the user's, each sandbox starts
// empty, and its scratch key is gone afterwards. Other test processes run their own sandboxes in
// parallel, so only this one's key is looked at. (Read-only keys are shown by the tests that use
// them: their writes fail with 5.)
TEST(RegistrySandbox, WritesStayInsideAndTheScratchKeyIsDeletedAfterwards) {
    ASSERT_EQ(ReadProbe(HKEY_LOCAL_MACHINE, kUpdateSettings), ERROR_FILE_NOT_FOUND);
    std::wstring scratch;
    {
        ScopedRegistrySandbox sandbox;
        ASSERT_TRUE(sandbox.Active());
        scratch = sandbox.ScratchPath();
        EXPECT_EQ(ReadProbe(HKEY_CURRENT_USER, kSign), ERROR_FILE_NOT_FOUND);
        const DWORD value = 36;
        for (const auto& [root, path] : {std::pair{HKEY_LOCAL_MACHINE, kUpdateSettings}, {HKEY_CURRENT_USER, kSign}}) {
            ASSERT_EQ(RegSetKeyValueW(root, path, kProbe, REG_DWORD, &value, sizeof(value)), ERROR_SUCCESS);
            EXPECT_EQ(ReadProbe(root, path), ERROR_SUCCESS);
        }
    }
    EXPECT_EQ(ReadProbe(HKEY_LOCAL_MACHINE, kUpdateSettings), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadProbe(HKEY_CURRENT_USER, kSign), ERROR_FILE_NOT_FOUND);
    unique_hkey key;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_READ, key.put()), ERROR_FILE_NOT_FOUND);
}
