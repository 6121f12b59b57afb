#include "ui/ConfirmWindow.h"

#include "log/LogManager.h"

#include <memory>
#include <new>

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

namespace NvLullgate {

void ShowMessageOver(HWND owner, const std::wstring& text) {
    const std::unique_ptr<ConfirmWindow> window(new (std::nothrow) ConfirmWindow(text));
    if (window == nullptr) {
        LOG_ERROR(L"create confirm window fail");
        return;
    }
    (void)window->ShowModalOver(owner, L"LullgateConfirmWnd"); // one button: there is no answer to act on
}

void TellLinkNotOpened(const std::wstring& address) {
    // Put in as text: an address is no format, and a translation cannot reach the C runtime's.
    std::wstring text = DuiLib::UICulture::GetInstance()->GetString(L"IDS_LINK_NOT_OPENED").str();
    if (const size_t at = text.find(L"%s"); at != std::wstring::npos) {
        text.replace(at, 2, address);
    }
    ShowMessageOver(GetActiveWindow(), text);
}

} // namespace NvLullgate
