// The consent gate's entry points for start-up: the first-run consent window and the change
// notice, each shown modally over the (still hidden) main window. Agreeing writes the consent
// record once the window has closed; any other way out leaves the record as it was.
#pragma once

#include <windows.h>

#include <cstdint>

namespace NvPcPrivacySecurity {

// What the change notice tells the user has changed since the consent on record.
using ChangeType = std::uint32_t;
enum : ChangeType {
    ChangeBoth = 0,          // both documents
    ChangePrivacy = 1,       // the privacy statement only
    ChangeUserAgreement = 2, // the user agreement only
};

// Modal results of the consent windows and the withdrawal confirmation.
inline constexpr UINT kResultAgree = IDYES;     // 6
inline constexpr UINT kResultCancel = IDCANCEL; // 2

class PrivacySecurityApi {
public:
    // True when the user agreed; the consent record has then been written. A null owner shows
    // nothing and counts as refusal.
    [[nodiscard]] static bool ShowPrivacySecurityWelcomUI(const HWND& owner);
    [[nodiscard]] static bool ShowChangeNoticationUI(const HWND& owner, ChangeType type);
};

} // namespace NvPcPrivacySecurity
