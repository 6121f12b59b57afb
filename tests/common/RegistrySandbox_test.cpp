#include "tests/support/RegistrySandbox.h"

#include <windows.h>

namespace {

constexpr wchar_t kUpdateSettings[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
constexpr wchar_t kProbeValue[] = L"LullgateSandboxProbe";

// Reads the probe straight from the machine's hive, bypassing any override.
bool RealProbeExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettings, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool exists = RegQueryValueExW(key, kProbeValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

} // namespace

TEST(RegistrySandbox, WritesInsideNeverReachTheRealHive) {
    ASSERT_FALSE(RealProbeExists());
    {
        ScopedRegistrySandbox sandbox;
        ASSERT_TRUE(sandbox.Active());
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        const DWORD value = 36;
        ASSERT_EQ(RegSetValueExW(key, kProbeValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettings, 0, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegQueryValueExW(key, kProbeValue, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    EXPECT_FALSE(RealProbeExists());
}

TEST(RegistrySandbox, EachSandboxStartsEmptyAndIsDeletedAfterwards) {
    std::wstring scratch;
    {
        ScopedRegistrySandbox sandbox;
        ASSERT_TRUE(sandbox.Active());
        scratch = sandbox.ScratchPath();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\sign", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    // Other test processes run their own sandboxes in parallel, so look only at this one's key.
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\sign", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

class ReadOnlyKey : public RegistrySandboxTest {};

TEST_F(ReadOnlyKey, DeniesWriteOpensButAllowsReads) {
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kUpdateSettings, L"Existing", 1));
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kUpdateSettings));

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettings, 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettings, 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUpdateSettings, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kUpdateSettings, L"Existing"));
    // The fixture's teardown must still be able to lift the restriction and delete the scratch key.
}
