#include "ui/ConfirmWindow.h"

#include "log/LogManager.h"

ConfirmWindow::ConfirmWindow(const std::wstring& message) : m_message(message) {}

ConfirmWindow::~ConfirmWindow() = default;

const wchar_t* ConfirmWindow::GetWindowClassName() const {
    return L"LullgateConfirmWndUI";
}

DuiLib::CDuiString ConfirmWindow::GetSkinFile() {
    return L"layout\\ConfirmWindow.xml";
}

void ConfirmWindow::InitWindow() {
    SetWindowTextW(m_hWnd, L"LullgateConfirmWnd");
    DuiLib::CControlUI* describeText = m_pm.FindControl(L"describeText");
    DuiLib::CControlUI* confirmButton = m_pm.FindControl(L"confirmButton");
    if (describeText == nullptr || confirmButton == nullptr) {
        // Without its button the window can still be closed (Esc, Alt+F4); it just shows no text.
        LOG_ERROR(L"confirm control is null!");
        return;
    }
    describeText->SetText(m_message.c_str());
}

void ConfirmWindow::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.pSender != nullptr) {
        const DuiLib::CDuiString name = msg.pSender->GetName();
        if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK && name == L"confirmButton") {
            Close(IDYES);
            return;
        }
    }
    WindowImplBase::Notify(msg);
}
