#include "duilib/WindowImplBase.h"

#include "duilib/UIBuilder.h"

#include <algorithm>
#include <memory>

namespace DuiLib {

UINT WindowImplBase::GetClassStyle() const {
    return CS_DBLCLKS | CS_DROPSHADOW;
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const CDuiString name = msg.pSender->GetName();
    if (name == L"closebtn") {
        Close(IDCANCEL);
    } else if (name == L"minbtn") {
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
}

UINT WindowImplBase::ShowModalOver(HWND owner, const wchar_t* name, Placement placement) {
    Create(owner, name, WS_POPUP, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr);
    if (placement == Placement::overOwner) {
        CenterToParentWindow();
    } else {
        CenterWindow();
    }
    return ShowModal();
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    }
}

void WindowImplBase::CenterToParentWindow() {
    if (m_hWnd == nullptr) {
        return;
    }
    HWND parent = GetWindow(m_hWnd, GW_OWNER);
    if (parent == nullptr) {
        parent = GetParent(m_hWnd);
    }
    // A minimised owner sits far off screen: centre on its monitor instead.
    if (parent == nullptr || IsIconic(parent)) {
        CenterWindow();
        return;
    }
    RECT rcParent{};
    RECT rcWindow{};
    GetWindowRect(parent, &rcParent);
    GetWindowRect(m_hWnd, &rcWindow);
    const int width = rcWindow.right - rcWindow.left;
    const int height = rcWindow.bottom - rcWindow.top;
    int x = rcParent.left + (rcParent.right - rcParent.left - width) / 2;
    int y = rcParent.top + (rcParent.bottom - rcParent.top - height) / 2;
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST), &mi)) {
        x = std::max(static_cast<int>(mi.rcWork.left), std::min(x, static_cast<int>(mi.rcWork.right) - width));
        y = std::max(static_cast<int>(mi.rcWork.top), std::min(y, static_cast<int>(mi.rcWork.bottom) - height));
    }
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT /*uMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, BOOL& bHandled) {
    bHandled = FALSE;
    return 0;
}

LRESULT WindowImplBase::MessageHandler(UINT /*uMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, bool& bHandled) {
    bHandled = false;
    return 0;
}

CControlUI* WindowImplBase::CreateControl(const wchar_t* /*pstrClass*/) {
    return nullptr;
}

const wchar_t* WindowImplBase::QueryControlText(const wchar_t* /*lpstrId*/, const wchar_t* /*lpstrType*/) {
    return nullptr;
}

LRESULT WindowImplBase::OnCreate(UINT /*uMsg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, BOOL& bHandled) {
    bHandled = TRUE;
    m_pm.Init(m_hWnd);
    // A skinned window draws its own frame, but it keeps the system menu (Alt+Space, the taskbar's
    // "Close window") and, when it has no owner, the taskbar's minimise and restore.
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    const bool owned = GetWindow(m_hWnd, GW_OWNER) != nullptr;
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, style | WS_SYSMENU | (owned ? 0 : WS_MINIMIZEBOX));
    CDialogBuilder builder;
    const CDuiString skin = GetSkinFile();
    std::unique_ptr<CControlUI> root(builder.Create(skin, this, &m_pm));
    if (root == nullptr) {
        // No skin: the window exists but shows nothing. InitWindow still runs, so a window that
        // looks its controls up finds none and says so in its own log.
        OutputDebugStringW((L"duilib: " + builder.GetLastErrorMessage().str() + L"\n").c_str());
        root = std::make_unique<CControlUI>();
    }
    (void)m_pm.AttachDialog(root.release()); // cannot fail for a control; the manager owns the tree
    m_pm.AddNotifier(this);
    m_pm.AddMessageFilter(this);
    const SIZE size = m_pm.GetInitSize();
    if (size.cx > 0 && size.cy > 0) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, m_pm.Scale(size.cx), m_pm.Scale(size.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_pm.EnsureLayout();
    InitWindow();
    return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_CREATE) {
        BOOL handled = FALSE;
        return OnCreate(uMsg, wParam, lParam, handled);
    }
    BOOL bHandled = FALSE;
    const LRESULT custom = HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    if (bHandled) {
        return custom;
    }
    if (uMsg == WM_KEYDOWN && wParam == VK_ESCAPE && m_bModal) {
        Close(IDCANCEL);
        return 0;
    }
    if (uMsg == WM_DESTROY) {
        m_pm.RemoveNotifier(this);
        m_pm.RemoveMessageFilter(this);
    }
    LRESULT result = 0;
    if (m_pm.MessageHandler(uMsg, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

} // namespace DuiLib
