#include "privacy/ui/PrivacySecurityWelcomUI.h"

#include "log/LogManager.h"
#include "privacy/LinkOpener.h"
#include "privacy/ui/PrivacySecurityApi.h"

namespace NvPcPrivacySecurity {

PrivacySecurityWelcomUI::~PrivacySecurityWelcomUI() = default;

const wchar_t* PrivacySecurityWelcomUI::GetWindowClassName() const {
    return L"PrivacySecurityWelcomUI";
}

DuiLib::CDuiString PrivacySecurityWelcomUI::GetSkinFile() {
    return L"layout\\PrivacySecurityWelcomUI.xml";
}

void PrivacySecurityWelcomUI::InitWindow() {
    SetWindowTextW(m_hWnd, L"PrivacySecurityWelcom");
    m_privacyStatement = m_pm.FindControlAs<DuiLib::CTextUI>(L"PrivacyStatement", L"Text");
    m_agreedButton = m_pm.FindControl(L"AgreedButton");
    m_cancelButton = m_pm.FindControl(L"CancelButton");
    if (m_privacyStatement == nullptr || m_agreedButton == nullptr || m_cancelButton == nullptr) {
        // Still usable: without the agree button the window can only be declined (Esc, Alt+F4).
        LOG_ERROR(L"privacy welcome control is null!");
    }
}

void PrivacySecurityWelcomUI::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_LINK) {
        OnLink(msg);
    }
}

void PrivacySecurityWelcomUI::OnClick(DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"AgreedButton") {
        Close(kResultAgree);
    } else if (name == L"CancelButton") {
        Close(kResultCancel);
    }
}

void PrivacySecurityWelcomUI::OnLink(const DuiLib::TNotifyUI& msg) {
    if (m_privacyStatement == nullptr) {
        return;
    }
    // The sentence names the user agreement first and the privacy statement second.
    switch (m_privacyStatement->GetLinkContentIndex(msg.ptMouse)) {
    case 0:
        (void)OpenUserAgreement(); // a link missing from the configuration simply does nothing
        break;
    case 1:
        (void)OpenPrivacyStatement();
        break;
    default:
        break;
    }
}

} // namespace NvPcPrivacySecurity
