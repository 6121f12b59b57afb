// The consent record: the current user's registry key in which Lullgate remembers that the user
// accepted the privacy statement and the user agreement, and which versions of them. Every
// operation opens, uses and closes the key itself, so all of them are class-level and stateless.
#pragma once

#include <windows.h>

#include <string>

namespace NvPcPrivacySecurity {

// The versions the user must have accepted; compared as opaque text (no ordering).
inline constexpr char kPrivacyStatementVersion[] = "20231124";
inline constexpr char kUserAgreementVersion[] = "20231124";

// Result of CheckToolPriacyStatusReg; start-up picks the consent window from it.
using PrivacyStatus = int;
enum : PrivacyStatus {
    StatusCurrent = 0,              // agreed to both current versions
    StatusNotAgreed = 1,            // no record, flag not 1, or a version unreadable
    StatusPrivacyChanged = 2,       // agreed, only the privacy statement changed since
    StatusUserAgreementChanged = 3, // agreed, only the user agreement changed since
    StatusBothChanged = 4,          // agreed, both changed since
};

class OptPrivacySecurityReg {
public:
    // HKEY_CURRENT_USER\<kSignKeyPath> holds the record; withdrawal deletes "Lullgate\sign", the
    // reminders' "Lullgate\reminders" and "Lullgate" under kParentKeyPath, and keeps kParentKeyPath.
    static constexpr wchar_t kSignKeyPath[] = L"SOFTWARE\\Norvane\\Lullgate\\sign";
    static constexpr wchar_t kParentKeyPath[] = L"SOFTWARE\\Norvane";

    [[nodiscard]] static PrivacyStatus CheckToolPriacyStatusReg();
    // 0, 2, 3 or 4 for the stored versions against the current ones.
    [[nodiscard]] static int ComparePriacyStatusReg(std::string userAgreementVersion, std::string privacyVersion);
    // Writes the whole record for the current versions; true when every value was written.
    [[nodiscard]] static bool SetToolPriacyStatusReg();
    // Withdraws consent; true when both "sign" and "Lullgate" were deleted.
    [[nodiscard]] static bool DeletToolPriacyStatusReg();

    [[nodiscard]] static bool SetRegDWordValue(HKEY key, const std::wstring& name, DWORD value);
    // `value` changes only on success.
    [[nodiscard]] static bool GetRegDWordValue(HKEY key, const std::wstring& name, DWORD& value);
    // Stores the ANSI text as REG_SZ (UTF-16, terminator included).
    [[nodiscard]] static bool SetRegSzValue(HKEY key, const std::wstring& name, const std::string& text);
    // Reads at most 259 ANSI characters; `text` changes only on success.
    [[nodiscard]] static bool GetRegSzValue(HKEY key, const std::wstring& name, std::string& text);
    // Local time as "%Y-%m-%d %H:%M:%S"; `text` changes only on success.
    [[nodiscard]] static bool GetSysCurTime(std::string& text);
};

} // namespace NvPcPrivacySecurity
