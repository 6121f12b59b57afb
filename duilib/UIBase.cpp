#include "duilib/UIBase.h"

#include "duilib/UIManager.h"

#include <algorithm>

namespace DuiLib {

CWindowWnd::~CWindowWnd() {
    DetachAndDestroy();
}

void CWindowWnd::DetachAndDestroy() {
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        // The object is going: detach it first, so no message reaches a half-destroyed object.
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        HWND hwnd = m_hWnd;
        m_hWnd = nullptr;
        DestroyWindow(hwnd);
    }
    m_hWnd = nullptr;
}

UINT CWindowWnd::GetClassStyle() const {
    return CS_DBLCLKS;
}

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::StaticWndProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszClassName = GetWindowClassName();
    if (RegisterClassExW(&wc) != 0) {
        return true;
    }
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx,
                        int cy, HMENU hMenu) {
    if (m_hWnd != nullptr || !RegisterWindowClass()) {
        return nullptr;
    }
    // CW_USEDEFAULT means nothing for a popup; the skin gives the size when the window is made.
    if (x == CW_USEDEFAULT) {
        x = 0;
    }
    if (y == CW_USEDEFAULT) {
        y = 0;
    }
    if (cx == CW_USEDEFAULT) {
        cx = 0;
    }
    if (cy == CW_USEDEFAULT) {
        cy = 0;
    }
    m_bCloseRequested = false;
    m_nModalResult = IDCANCEL;
    CreateWindowExW(dwExStyle, GetWindowClassName(), pstrName, dwStyle, x, y, cx, cy, hwndParent, hMenu,
                    CPaintManagerUI::GetInstance(), this);
    return m_hWnd;
}

void CWindowWnd::ShowWindow(bool bShow, bool bTakeFocus) {
    if (m_hWnd != nullptr) {
        ::ShowWindow(m_hWnd, bShow ? (bTakeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
    }
}

UINT CWindowWnd::ShowModal() {
    if (m_hWnd == nullptr || !IsWindow(m_hWnd)) {
        return static_cast<UINT>(-1);
    }
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    m_bModal = true;
    m_nModalResult = IDCANCEL;
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    m_bOwnerDisabledByModal = owner != nullptr && IsWindowEnabled(owner);
    if (m_bOwnerDisabledByModal) {
        EnableWindow(owner, FALSE);
    }
    MSG msg{};
    while (m_hWnd != nullptr && IsWindow(m_hWnd)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The application is quitting: hand the quit message on to the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (m_bOwnerDisabledByModal && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        if (IsWindowVisible(owner)) {
            SetForegroundWindow(owner);
        }
    }
    m_bOwnerDisabledByModal = false;
    m_bModal = false;
    return m_nModalResult;
}

void CWindowWnd::Close(UINT nRet) {
    if (m_hWnd == nullptr || !IsWindow(m_hWnd)) {
        return;
    }
    m_bCloseRequested = true;
    m_nCloseCode = nRet;
    ::PostMessageW(m_hWnd, WM_CLOSE, nRet, 0);
}

void CWindowWnd::CenterWindow() {
    if (m_hWnd == nullptr) {
        return;
    }
    RECT rcWindow{};
    GetWindowRect(m_hWnd, &rcWindow);
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT area = mi.rcWork;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    }
    const int width = rcWindow.right - rcWindow.left;
    const int height = rcWindow.bottom - rcWindow.top;
    int x = (area.left + area.right - width) / 2;
    int y = (area.top + area.bottom - height) / 2;
    // Stay on the monitor's work area.
    x = std::max(static_cast<int>(mi.rcWork.left), std::min(x, static_cast<int>(mi.rcWork.right) - width));
    y = std::max(static_cast<int>(mi.rcWork.top), std::min(y, static_cast<int>(mi.rcWork.bottom) - height));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT nRes) {
    if (m_hWnd == nullptr) {
        return;
    }
    // Shared icons belong to the system; nothing to free.
    auto load = [nRes](int size) {
        return static_cast<HICON>(
            LoadImageW(CPaintManagerUI::GetInstance(), MAKEINTRESOURCEW(nRes), IMAGE_ICON, size, size, LR_SHARED));
    };
    const UINT dpi = GetDpiForWindow(m_hWnd) != 0 ? GetDpiForWindow(m_hWnd) : 96;
    if (HICON big = load(static_cast<int>(GetSystemMetricsForDpi(SM_CXICON, dpi)))) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    }
    if (HICON small = load(static_cast<int>(GetSystemMetricsForDpi(SM_CXSMICON, dpi)))) {
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }
}

LRESULT CWindowWnd::SendMessageW(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::PostMessageW(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND /*hWnd*/) {}

LRESULT CALLBACK CWindowWnd::StaticWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (uMsg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<CWindowWnd*>(cs->lpCreateParams);
        self->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
    if (uMsg == WM_CLOSE) {
        // The result is decided by how the close came: Close(code) or anything else.
        self->m_nModalResult = self->m_bCloseRequested ? self->m_nCloseCode : IDCANCEL;
        self->m_bCloseRequested = false;
        HWND owner = self->m_bModal && self->m_bOwnerDisabledByModal ? GetWindow(hWnd, GW_OWNER) : nullptr;
        if (owner != nullptr) {
            // The owner must be enabled before this window goes, or Windows activates another
            // application's window instead of it.
            EnableWindow(owner, TRUE);
        }
        const LRESULT result = self->HandleMessage(uMsg, wParam, lParam);
        if (owner != nullptr && IsWindow(hWnd) && IsWindow(owner)) {
            // The window declined to close: it is still modal, so its owner stays disabled.
            EnableWindow(owner, FALSE);
        }
        return result;
    }
    if (uMsg == WM_NCDESTROY) {
        const LRESULT result = self->HandleMessage(uMsg, wParam, lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(hWnd);
        return result;
    }
    return self->HandleMessage(uMsg, wParam, lParam);
}

} // namespace DuiLib
