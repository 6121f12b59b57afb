#include "duilib/UIToolTip.h"

#include "duilib/UIControl.h"
#include "duilib/UIManager.h"

#include <commctrl.h>

namespace DuiLib {

namespace {

// The one tool of the window. The V2 size works with every comctl32 version.
TOOLINFOW WindowTool(HWND owner) {
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = owner;
    ti.uId = 1;
    return ti;
}

} // namespace

void ToolTip::Follow(HWND owner, CControlUI* hovered, int maxWidth) {
    CControlUI* control = hovered;
    while (control != nullptr && control->GetToolTip().IsEmpty()) {
        control = control->GetParent();
    }
    const std::wstring text = control != nullptr ? control->GetToolTip().str() : std::wstring();
    if (control == m_control && text == m_text) {
        return;
    }
    m_control = control;
    m_text = text;
    if (m_hwnd == nullptr) {
        if (text.empty()) {
            return;
        }
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        m_hwnd = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                 CPaintManagerUI::GetInstance(), nullptr);
        if (m_hwnd == nullptr) {
            return;
        }
        SendMessageW(m_hwnd, TTM_SETMAXTIPWIDTH, 0, maxWidth);
    }
    // The tooltip window watches the mouse itself (TTF_SUBCLASS).
    TOOLINFOW ti = WindowTool(owner);
    ti.uFlags = TTF_SUBCLASS;
    SendMessageW(m_hwnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (control != nullptr) {
        ti.rect = control->GetPos();
        ti.lpszText = m_text.data();
        SendMessageW(m_hwnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void ToolTip::Forget(HWND owner, const CControlUI* control) {
    if (m_control != control) {
        return;
    }
    m_control = nullptr;
    m_text.clear();
    if (m_hwnd != nullptr && IsWindow(m_hwnd)) {
        TOOLINFOW ti = WindowTool(owner);
        SendMessageW(m_hwnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

} // namespace DuiLib
