#include "tests/support/RegistrySandbox.h"

#include "common/UniqueHandle.h"

#include <sddl.h>

#include <atomic>
#include <memory>

namespace {

constexpr wchar_t kSandboxParent[] = L"Software\\LullgateTestSandbox";
// Always granted on a restricted key, so the sandbox can undo the restriction and delete the key.
constexpr REGSAM kHousekeeping = WRITE_DAC | READ_CONTROL | DELETE;

std::wstring UniqueName() {
    static std::atomic<unsigned> counter{0};
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()) + L"-" +
           std::to_wstring(counter++);
}

const wchar_t* RootName(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? L"HKLM" : root == HKEY_CURRENT_USER ? L"HKCU" : nullptr;
}

bool Create(HKEY parent, const std::wstring& path, unique_hkey& key) {
    return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
           ERROR_SUCCESS;
}

// Replaces the DACL of `key` with one that grants Everyone `allowed` (and the housekeeping rights).
bool SetKeyDacl(HKEY key, REGSAM allowed) {
    wchar_t sddl[32]{};
    swprintf_s(sddl, 32, L"D:(A;;0x%08lX;;;WD)", static_cast<unsigned long>(allowed | kHousekeeping));
    unique_local<PSECURITY_DESCRIPTOR> descriptor;
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(), nullptr) &&
           RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.get()) == ERROR_SUCCESS;
}

} // namespace

ScopedRegistrySandbox::ScopedRegistrySandbox() : m_name(UniqueName()) {
    if (!Create(HKEY_CURRENT_USER, kSandboxParent, m_parent) ||
        !Create(m_parent.get(), m_name + L"\\HKLM", m_machine) || !Create(m_parent.get(), m_name + L"\\HKCU", m_user) ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine.get()) != ERROR_SUCCESS) {
        return;
    }
    if (RegOverridePredefKey(HKEY_CURRENT_USER, m_user.get()) != ERROR_SUCCESS) {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        return;
    }
    m_active = true;
}

ScopedRegistrySandbox::~ScopedRegistrySandbox() {
    if (m_active) {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    }
    m_machine.reset();
    m_user.reset();
    if (m_parent) {
        for (const std::wstring& path : m_restricted) {
            unique_hkey key;
            if (RegOpenKeyExW(m_parent.get(), path.c_str(), 0, WRITE_DAC, key.put()) == ERROR_SUCCESS) {
                SetKeyDacl(key.get(), KEY_ALL_ACCESS);
            }
        }
        RegDeleteTreeW(m_parent.get(), m_name.c_str());
        RegDeleteKeyW(m_parent.get(), m_name.c_str());
    }
}

std::wstring ScopedRegistrySandbox::ScratchPath() const {
    return std::wstring(kSandboxParent) + L"\\" + m_name;
}

bool ScopedRegistrySandbox::RestrictKey(HKEY root, const std::wstring& path, REGSAM allowed) {
    const wchar_t* rootName = RootName(root);
    if (!m_active || rootName == nullptr) {
        return false;
    }
    unique_hkey key;
    const bool ok = RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC | READ_CONTROL, key.put()) == ERROR_SUCCESS &&
                    SetKeyDacl(key.get(), allowed);
    if (ok) {
        m_restricted.push_back(m_name + L"\\" + rootName + L"\\" + path);
    }
    return ok;
}

void RegistrySandboxTest::SetUp() {
    m_sandbox = std::make_unique<ScopedRegistrySandbox>();
    ASSERT_TRUE(m_sandbox->Active()) << "registry sandbox could not be set up";
}

bool RegistrySandboxTest::CreateKey(HKEY root, const std::wstring& path) {
    unique_hkey key;
    return Create(root, path, key);
}

bool RegistrySandboxTest::KeyExists(HKEY root, const std::wstring& path) {
    unique_hkey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool RegistrySandboxTest::ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
    std::vector<BYTE> data;
    DWORD type = 0;
    return ReadRaw(root, path, name, data, type);
}

// RegQueryValueExW, not RegGetValueW: the bytes exactly as stored, a missing terminator included.
bool RegistrySandboxTest::ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name,
                                  std::vector<BYTE>& data, DWORD& type) {
    unique_hkey key;
    DWORD size = 0;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    data.assign(size, 0);
    const LSTATUS status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);
    return status == ERROR_SUCCESS;
}

// RegSetKeyValueW makes the key when it is missing.
bool RegistrySandboxTest::WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                   const void* data, DWORD size) {
    return RegSetKeyValueW(root, path.c_str(), name.c_str(), type, data, size) == ERROR_SUCCESS;
}

bool RegistrySandboxTest::WriteString(HKEY root, const std::wstring& path, const std::wstring& name,
                                      const std::wstring& text) {
    return WriteRaw(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool RegistrySandboxTest::WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    return WriteRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}
