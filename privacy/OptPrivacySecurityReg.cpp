#include "privacy/OptPrivacySecurityReg.h"

#include "appcommon/Common.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"

#include <cstring>
#include <ctime>
#include <utility>

namespace NvPcPrivacySecurity {

namespace {

constexpr wchar_t kValueAccountId[] = L"accountID";
constexpr wchar_t kValueAppVersion[] = L"appversion";
constexpr wchar_t kValuePrivacyVersion[] = L"priversion";
constexpr wchar_t kValueTime[] = L"time";
constexpr wchar_t kValueUserAgree[] = L"useragree";
constexpr wchar_t kValueUserAgreementVersion[] = L"useragreementversion";

// A string value that needs more room than this (259 characters and the terminator) is not read.
constexpr DWORD kStringBufferBytes = 260;

} // namespace

PrivacyStatus OptPrivacySecurityReg::CheckToolPriacyStatusReg() {
    unique_hkey key;
    const LSTATUS opened = RegOpenKeyExW(HKEY_CURRENT_USER, kSignKeyPath, 0, KEY_READ, key.put());
    if (opened != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << opened << L",lpSubKey : " << kSignKeyPath);
        return StatusNotAgreed;
    }
    // A flag that cannot be read does not count against the user: the versions decide alone.
    DWORD agreed = 1;
    (void)GetRegDWordValue(key.get(), kValueUserAgree, agreed);

    std::string userAgreementVersion;
    std::string privacyVersion;
    if (!GetRegSzValue(key.get(), kValueUserAgreementVersion, userAgreementVersion) ||
        !GetRegSzValue(key.get(), kValuePrivacyVersion, privacyVersion)) {
        LOG_WARN(L"The key value is incomplete!");
        return StatusNotAgreed;
    }
    if (agreed != 1) {
        LOG_WARN(L"user doesn't agree!");
        return StatusNotAgreed;
    }
    return ComparePriacyStatusReg(std::move(userAgreementVersion), std::move(privacyVersion));
}

// The copies are the operation's own by design: callers hand over texts they no longer need.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
int OptPrivacySecurityReg::ComparePriacyStatusReg(std::string userAgreementVersion, std::string privacyVersion) {
    const bool privacyCurrent = privacyVersion == kPrivacyStatementVersion;
    const bool userCurrent = userAgreementVersion == kUserAgreementVersion;
    if (privacyCurrent && userCurrent) {
        return StatusCurrent;
    }
    if (userCurrent) {
        LOG_WARN(L"The privacy statement version is inconsistent with the current version!");
        return StatusPrivacyChanged;
    }
    if (privacyCurrent) {
        LOG_WARN(L"The user version is inconsistent with the current version!");
        return StatusUserAgreementChanged;
    }
    LOG_WARN(L"The version of the privacy statement and user agreement is inconsistent with the current version!");
    return StatusBothChanged;
}

bool OptPrivacySecurityReg::SetToolPriacyStatusReg() {
    // Everything that can fail outside the registry is settled before the key is touched.
    const std::string accountId;
    const std::string appVersion = NvLullgate::Common::GetAppVersion();
    std::string consentTime;
    (void)GetSysCurTime(consentTime); // an unreadable clock leaves the time empty

    unique_hkey key;
    const LSTATUS created = RegCreateKeyExW(HKEY_CURRENT_USER, kSignKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (created != ERROR_SUCCESS) {
        LOG_WARN(L"RegCreateKeyEx errorID:" << created << L",lpSubKey : " << kSignKeyPath);
        return false;
    }
    const bool written = SetRegSzValue(key.get(), kValueAccountId, accountId) &&
                         SetRegSzValue(key.get(), kValueAppVersion, appVersion) &&
                         SetRegSzValue(key.get(), kValuePrivacyVersion, kPrivacyStatementVersion) &&
                         SetRegSzValue(key.get(), kValueTime, consentTime) &&
                         SetRegDWordValue(key.get(), kValueUserAgree, 1) &&
                         SetRegSzValue(key.get(), kValueUserAgreementVersion, kUserAgreementVersion);
    if (!written) {
        LOG_WARN(L"Registry Setup Failure!");
        return false;
    }
    return true;
}

bool OptPrivacySecurityReg::DeletToolPriacyStatusReg() {
    unique_hkey parent;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kParentKeyPath, 0, KEY_ALL_ACCESS, parent.put());
    if (status == ERROR_SUCCESS) {
        status = RegDeleteKeyW(parent.get(), L"Lullgate\\sign");
    }
    // What the reminders kept for this user goes with the consent it rested on (and "Lullgate" could
    // not be deleted while it holds a key).
    if (status == ERROR_SUCCESS) {
        const LSTATUS reminders = RegDeleteKeyW(parent.get(), L"Lullgate\\reminders");
        status = reminders == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : reminders;
    }
    if (status == ERROR_SUCCESS) {
        status = RegDeleteKeyW(parent.get(), L"Lullgate");
    }
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << kParentKeyPath);
        return false;
    }
    return true;
}

bool OptPrivacySecurityReg::SetRegDWordValue(HKEY key, const std::wstring& name, DWORD value) {
    const LSTATUS status =
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegSetValueEx errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    return true;
}

bool OptPrivacySecurityReg::GetRegDWordValue(HKEY key, const std::wstring& name, DWORD& value) {
    const std::string narrowName = WideToAnsi(name);
    DWORD type = 0;
    DWORD data = 0; // a shorter value fills only its own bytes
    DWORD size = sizeof(data);
    const LSTATUS status =
        RegQueryValueExA(key, narrowName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegQueryValueEx get value errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    value = data;
    return true;
}

bool OptPrivacySecurityReg::SetRegSzValue(HKEY key, const std::wstring& name, const std::string& text) {
    const std::wstring wide = AnsiToWide(text);
    const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()), bytes);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegSetValueEx errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    return true;
}

bool OptPrivacySecurityReg::GetRegSzValue(HKEY key, const std::wstring& name, std::string& text) {
    const std::string narrowName = WideToAnsi(name);
    char buffer[kStringBufferBytes]{};
    DWORD type = 0;
    DWORD size = kStringBufferBytes;
    const LSTATUS status =
        RegQueryValueExA(key, narrowName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegQueryValueEx get value errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    // A value stored without its terminator can fill the buffer completely: never read past it.
    text.assign(buffer, strnlen(buffer, sizeof(buffer)));
    return true;
}

bool OptPrivacySecurityReg::GetSysCurTime(std::string& text) {
    const __time64_t now = _time64(nullptr);
    tm local{};
    const errno_t error = _localtime64_s(&local, &now);
    if (error != 0) {
        LOG_ERROR(L"localtime_s error: " << error);
        return false;
    }
    char buffer[MAX_PATH]{};
    if (strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &local) == 0) {
        LOG_ERROR(L"strftime error");
        return false;
    }
    text = buffer;
    return true;
}

} // namespace NvPcPrivacySecurity
