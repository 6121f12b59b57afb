#include "tests/support/RegistrySandbox.h"

#include <aclapi.h>

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
    if (root == HKEY_LOCAL_MACHINE) {
        return L"HKLM";
    }
    if (root == HKEY_CURRENT_USER) {
        return L"HKCU";
    }
    return nullptr;
}

// Sets a DACL on `key` that grants `allowed` to Everyone, or no DACL at all (full access) when
// `restrict` is false.
bool SetKeyDacl(HKEY key, bool restrict, REGSAM allowed) {
    SECURITY_DESCRIPTOR descriptor{};
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) {
        return false;
    }
    std::vector<BYTE> aclBuffer;
    PACL acl = nullptr;
    BYTE everyone[SECURITY_MAX_SID_SIZE]{};
    if (restrict) {
        DWORD sidSize = sizeof(everyone);
        if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize)) {
            return false;
        }
        aclBuffer.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone));
        acl = reinterpret_cast<PACL>(aclBuffer.data());
        if (!InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, allowed | kHousekeeping, everyone)) {
            return false;
        }
    }
    if (!SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
        return false;
    }
    return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
}

} // namespace

ScopedRegistrySandbox::ScopedRegistrySandbox() : m_name(UniqueName()) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSandboxParent, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &m_parent, nullptr) != ERROR_SUCCESS) {
        m_parent = nullptr;
        return;
    }
    const std::wstring machine = m_name + L"\\HKLM";
    const std::wstring user = m_name + L"\\HKCU";
    if (RegCreateKeyExW(m_parent, machine.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &m_machine, nullptr) != ERROR_SUCCESS ||
        RegCreateKeyExW(m_parent, user.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &m_user,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine) != ERROR_SUCCESS) {
        return;
    }
    if (RegOverridePredefKey(HKEY_CURRENT_USER, m_user) != ERROR_SUCCESS) {
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
    if (m_machine != nullptr) {
        RegCloseKey(m_machine);
    }
    if (m_user != nullptr) {
        RegCloseKey(m_user);
    }
    if (m_parent != nullptr) {
        for (const std::wstring& path : m_restricted) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(m_parent, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
                SetKeyDacl(key, false, 0);
                RegCloseKey(key);
            }
        }
        RegDeleteTreeW(m_parent, m_name.c_str());
        RegDeleteKeyW(m_parent, m_name.c_str());
        RegCloseKey(m_parent);
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
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC | READ_CONTROL, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok = SetKeyDacl(key, true, allowed);
    RegCloseKey(key);
    if (ok) {
        m_restricted.push_back(m_name + L"\\" + rootName + L"\\" + path);
    }
    return ok;
}

bool ScopedRegistrySandbox::MakeKeyReadOnly(HKEY root, const std::wstring& path) {
    return RestrictKey(root, path, KEY_READ);
}

void RegistrySandboxTest::SetUp() {
    m_sandbox = std::make_unique<ScopedRegistrySandbox>();
    ASSERT_TRUE(m_sandbox->Active()) << "registry sandbox could not be set up";
}

void RegistrySandboxTest::TearDown() {
    m_sandbox.reset();
}

bool RegistrySandboxTest::CreateKey(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool RegistrySandboxTest::KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool RegistrySandboxTest::ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
    std::vector<BYTE> data;
    DWORD type = 0;
    return ReadRaw(root, path, name, data, type);
}

bool RegistrySandboxTest::ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name,
                                  std::vector<BYTE>& data, DWORD& type) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data.assign(size, 0);
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, size ? data.data() : nullptr, &size);
        data.resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool RegistrySandboxTest::WriteRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                   const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LSTATUS status = RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool RegistrySandboxTest::WriteString(HKEY root, const std::wstring& path, const std::wstring& name,
                                      const std::wstring& text) {
    return WriteRaw(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool RegistrySandboxTest::WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
    return WriteRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}
