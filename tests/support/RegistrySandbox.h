// Registry sandbox for tests: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are redirected, for the
// whole process, to fresh scratch keys, so tests exercise the real registry API without touching
// the machine's Windows Update values or the user's consent record. The scratch keys are deleted
// afterwards. Access-denied paths are made with a restrictive DACL on a scratch key.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ScopedRegistrySandbox {
public:
    ScopedRegistrySandbox();
    ~ScopedRegistrySandbox();
    ScopedRegistrySandbox(const ScopedRegistrySandbox&) = delete;
    ScopedRegistrySandbox& operator=(const ScopedRegistrySandbox&) = delete;

    [[nodiscard]] bool Active() const { return m_active; }
    // The scratch key's path under the real HKEY_CURRENT_USER.
    [[nodiscard]] std::wstring ScratchPath() const;

    // Replaces the DACL of root\path (inside the sandbox) so that only `allowed` access is granted
    // to everyone; the key must exist. Undone before the sandbox is deleted.
    [[nodiscard]] bool RestrictKey(HKEY root, const std::wstring& path, REGSAM allowed);
    // Reads and enumerates still work; opening for write (KEY_ALL_ACCESS, KEY_WRITE, KEY_SET_VALUE)
    // fails with ERROR_ACCESS_DENIED.
    [[nodiscard]] bool MakeKeyReadOnly(HKEY root, const std::wstring& path) {
        return RestrictKey(root, path, KEY_READ);
    }

private:
    unique_hkey m_parent;  // real HKCU\Software\LullgateTestSandbox
    std::wstring m_name;   // this sandbox's scratch key under m_parent
    unique_hkey m_machine; // stands in for HKEY_LOCAL_MACHINE
    unique_hkey m_user;    // stands in for HKEY_CURRENT_USER
    bool m_active = false;
    std::vector<std::wstring> m_restricted; // scratch-relative paths whose DACL was changed
};

// Fixture: every test runs inside its own sandbox.
class RegistrySandboxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { m_sandbox.reset(); }

    ScopedRegistrySandbox& Sandbox() { return *m_sandbox; }

    // Small helpers for arranging and inspecting registry state inside the sandbox.
    static bool CreateKey(HKEY root, const std::wstring& path);
    static bool KeyExists(HKEY root, const std::wstring& path);
    static bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name);
    // Raw bytes and type of a value; false if it cannot be read.
    static bool ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name, std::vector<BYTE>& data,
                        DWORD& type);
    static bool WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                         DWORD size);
    // REG_SZ stored with its terminator, as most writers do.
    static bool WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text);
    static bool WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);

private:
    std::unique_ptr<ScopedRegistrySandbox> m_sandbox;
};
