#include "privacy/ui/PrivacySecurityApi.h"

#include "appcommon/Common.h"
#include "log/LogManager.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "privacy/ui/ChangeNoticationUI.h"
#include "privacy/ui/PrivacySecurityWelcomUI.h"

#include <memory>
#include <new>

namespace NvPcPrivacySecurity {

namespace {

// Shows a consent window modally over `owner` and records the consent when the user agreed.
// Consent is written only after the window has gone, so nothing is stored while it is open.
bool ShowConsentWindow(DuiLib::WindowImplBase& window, HWND owner, const wchar_t* name) {
    const UINT result = window.ShowModalOver(owner, name, DuiLib::WindowImplBase::Placement::centred);
    if (window.GetHWND() != nullptr) {
        // The loop was ended by the application quitting; the window is still there.
        NvLullgate::Common::ShowTopByHwnd(window.GetHWND());
    }
    if (result != kResultAgree) {
        return false;
    }
    // A failed write is logged where it happens; the user agreed, so the program goes on and
    // simply asks again at the next start.
    (void)OptPrivacySecurityReg::SetToolPriacyStatusReg();
    return true;
}

} // namespace

bool PrivacySecurityApi::ShowPrivacySecurityWelcomUI(const HWND& owner) {
    if (owner == nullptr) {
        return false;
    }
    const std::unique_ptr<PrivacySecurityWelcomUI> window(new (std::nothrow) PrivacySecurityWelcomUI);
    if (!window) {
        LOG_ERROR(L"create Privacy dialog fail!");
        return false;
    }
    return ShowConsentWindow(*window, owner, L"PrivacySecurityWelcom");
}

bool PrivacySecurityApi::ShowChangeNoticationUI(const HWND& owner, ChangeType type) {
    if (owner == nullptr) {
        return false;
    }
    const std::unique_ptr<ChangeNoticationUI> window(new (std::nothrow) ChangeNoticationUI(type));
    if (!window) {
        LOG_ERROR(L"create Privacy dialog fail!");
        return false;
    }
    return ShowConsentWindow(*window, owner, L"ChangeNotication");
}

} // namespace NvPcPrivacySecurity
