#include "privacy/ui/StopServiceConfirmUI.h"

#include "log/LogManager.h"
#include "privacy/ui/PrivacySecurityApi.h"

namespace NvPcPrivacySecurity {

StopServiceConfirmUI::~StopServiceConfirmUI() = default;

const wchar_t* StopServiceConfirmUI::GetWindowClassName() const {
    return L"StopServiceConfirmUI";
}

DuiLib::CDuiString StopServiceConfirmUI::GetSkinFile() {
    return L"layout\\StopServiceConfirmUI.xml";
}

void StopServiceConfirmUI::InitWindow() {
    SetWindowTextW(m_hWnd, L"StopServiceConfirm");
    m_cancelButton = m_pm.FindControl(L"stopServiceCancelBtn");
    m_confirmButton = m_pm.FindControl(L"stopServiceConfirmBtn");
    if (m_cancelButton == nullptr || m_confirmButton == nullptr) {
        // Without its confirm button the window can only be cancelled: nothing is withdrawn.
        LOG_ERROR(L"stop service confirm control is null!");
    }
}

void StopServiceConfirmUI::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.sType != DuiLib::DUI_MSGTYPE_CLICK) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"stopServiceConfirmBtn") {
        Close(kResultAgree);
    } else if (name == L"stopServiceCancelBtn") {
        Close(kResultCancel);
    }
}

} // namespace NvPcPrivacySecurity
