#include "duilib/UIManager.h"

#include "duilib/UIEdit.h"
#include "duilib/UITheme.h"

#include "common/ModulePath.h"
#include "common/UniqueHandle.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace DuiLib {

namespace {

HINSTANCE g_instance = nullptr;
std::wstring g_resourcePath;
std::vector<CPaintManagerUI*> g_managers;

bool IsAbsolutePath(const wchar_t* path) {
    return path != nullptr && path[0] != L'\0' &&
           ((path[1] == L':') || (path[0] == L'\\' && path[1] == L'\\') || (path[0] == L'/' && path[1] == L'/'));
}

} // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
    g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
    for (const TimerInfo& t : m_timers) {
        if (m_hWnd != nullptr && IsWindow(m_hWnd)) {
            ::KillTimer(m_hWnd, t.nativeId);
        }
    }
    m_timers.clear();
    // The tree goes while the manager is whole; reset() empties m_pRoot before deleting, so the
    // controls leaving see no root.
    m_pRoot.reset();
}

// ---- process-wide ----

void CPaintManagerUI::SetInstance(HINSTANCE hInst) {
    g_instance = hInst;
}

HINSTANCE CPaintManagerUI::GetInstance() {
    return g_instance != nullptr ? g_instance : GetModuleHandleW(nullptr);
}

CDuiString CPaintManagerUI::GetInstancePath() {
    std::wstring dir = GetModuleDirectory();
    if (!dir.empty() && dir.back() != L'\\') {
        dir += L'\\';
    }
    return CDuiString(dir);
}

void CPaintManagerUI::SetResourcePath(const wchar_t* pStrPath) {
    g_resourcePath = pStrPath != nullptr ? pStrPath : L"";
    if (!g_resourcePath.empty() && g_resourcePath.back() != L'\\' && g_resourcePath.back() != L'/') {
        g_resourcePath += L'\\';
    }
}

CDuiString CPaintManagerUI::GetResourcePath() {
    return CDuiString(g_resourcePath);
}

std::wstring CPaintManagerUI::ResolveResourcePath(const wchar_t* file) {
    if (file == nullptr) {
        return {};
    }
    if (IsAbsolutePath(file)) {
        return file;
    }
    return g_resourcePath + file;
}

int CPaintManagerUI::MessageLoop() {
    MSG msg{};
    BOOL result = FALSE;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (result == -1) {
            return -1;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

CPaintManagerUI* CPaintManagerUI::FromWindow(HWND hWnd) {
    for (HWND h = hWnd; h != nullptr; h = GetParent(h)) {
        for (CPaintManagerUI* manager : g_managers) {
            if (manager->m_hWnd == h) {
                return manager;
            }
        }
        if ((GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return nullptr;
}

// ---- per window ----

void CPaintManagerUI::Init(HWND hWnd) {
    m_hWnd = hWnd;
    if (std::find(g_managers.begin(), g_managers.end(), this) == g_managers.end()) {
        g_managers.push_back(this);
    }
    const UINT dpi = hWnd != nullptr ? GetDpiForWindow(hWnd) : 0;
    m_dpi = dpi == 0 ? 96 : static_cast<int>(dpi);
}

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
    if (pControl == nullptr) {
        return false;
    }
    if (m_pRoot.get() != pControl) {
        m_pRoot.reset(pControl);
    }
    m_pRoot->SetManager(this, nullptr);
    NeedUpdate();
    return true;
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* pstrName) const {
    if (m_pRoot == nullptr || pstrName == nullptr) {
        return nullptr;
    }
    return m_pRoot->FindControlByName(pstrName);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    return m_pRoot != nullptr ? m_pRoot->FindControlAt(pt) : nullptr;
}

void CPaintManagerUI::AddNotifier(INotifyUI* pControl) {
    if (pControl != nullptr && std::find(m_notifiers.begin(), m_notifiers.end(), pControl) == m_notifiers.end()) {
        m_notifiers.push_back(pControl);
    }
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* pControl) {
    m_notifiers.erase(std::remove(m_notifiers.begin(), m_notifiers.end(), pControl), m_notifiers.end());
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, const wchar_t* pstrMessage, WPARAM wParam, LPARAM lParam,
                                 POINT pt) {
    TNotifyUI msg;
    msg.sType = pstrMessage;
    msg.pSender = pControl;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.ptMouse = pt;
    msg.dwTimestamp = GetTickCount();
    // A handler may add or remove notifiers (or open a modal window); work on a copy.
    const std::vector<INotifyUI*> notifiers = m_notifiers;
    for (INotifyUI* notifier : notifiers) {
        notifier->Notify(msg);
    }
}

void CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) {
    if (pFilter != nullptr && std::find(m_filters.begin(), m_filters.end(), pFilter) == m_filters.end()) {
        m_filters.push_back(pFilter);
    }
}

void CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) {
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), pFilter), m_filters.end());
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse) {
    if (pControl == nullptr || m_hWnd == nullptr) {
        return false;
    }
    for (const TimerInfo& t : m_timers) {
        if (t.control == pControl && t.id == nTimerID) {
            return ::SetTimer(m_hWnd, t.nativeId, uElapse, nullptr) != 0;
        }
    }
    const UINT_PTR nativeId = m_nextTimerId++;
    if (::SetTimer(m_hWnd, nativeId, uElapse, nullptr) == 0) {
        return false;
    }
    m_timers.push_back(TimerInfo{pControl, nTimerID, nativeId});
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->control == pControl && it->id == nTimerID) {
            if (m_hWnd != nullptr) {
                ::KillTimer(m_hWnd, it->nativeId);
            }
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimers(CControlUI* pControl) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->control == pControl) {
            if (m_hWnd != nullptr) {
                ::KillTimer(m_hWnd, it->nativeId);
            }
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

void CPaintManagerUI::SetDPI(int dpi) {
    if (dpi <= 0) {
        dpi = 96;
    }
    if (dpi == m_dpi) {
        return;
    }
    m_dpi = dpi;
    if (m_pRoot != nullptr) {
        m_pRoot->OnDpiChanged();
    }
    NeedUpdate();
    m_painter.UpdateShape();
}

int CPaintManagerUI::Scale(int value96) const {
    return MulDiv(value96, m_dpi, 96);
}

float CPaintManagerUI::ScaleF(float value96) const {
    return value96 * static_cast<float>(m_dpi) / 96.0f;
}

// ---- window settings and fonts ----

void CPaintManagerUI::SetWindowAttribute(const wchar_t* name, const wchar_t* value) {
    m_look.SetAttribute(name, value);
}

void CPaintManagerUI::AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic,
                              bool isDefault) {
    m_fonts.Add(id, face, size, bold, underline, italic, isDefault);
    // Native edit boxes made earlier in the skin hold a font that was just freed.
    for (CEditUI* edit : m_edits) {
        edit->RefreshNativeFont();
    }
}

HFONT CPaintManagerUI::GetHFONT(int id) {
    return m_fonts.GetHFONT(id, m_dpi);
}

Render::TextFonts CPaintManagerUI::GetTextFonts(int id) {
    return m_fonts.GetTextFonts(id, m_dpi);
}

Gdiplus::Graphics* CPaintManagerUI::GetMeasureGraphics() {
    return m_fonts.GetMeasureGraphics();
}

// ---- layout and painting ----

void CPaintManagerUI::Invalidate() {
    m_painter.InvalidateAll();
    if (m_hWnd != nullptr) {
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
    m_painter.Invalidate(rc);
    if (m_hWnd != nullptr) {
        InvalidateRect(m_hWnd, &rc, FALSE);
    }
}

void CPaintManagerUI::NeedUpdate() {
    m_bNeedLayout = true;
    Invalidate();
}

void CPaintManagerUI::EnsureLayout() {
    if (m_hWnd == nullptr || m_pRoot == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(m_hWnd, &client);
    if (m_bNeedLayout || client.right != m_layoutSize.cx || client.bottom != m_layoutSize.cy) {
        DoLayout();
    }
}

void CPaintManagerUI::DoLayout() {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    m_bNeedLayout = false;
    m_layoutSize = SIZE{client.right, client.bottom};
    m_pRoot->SetPos(client);
    for (CEditUI* edit : m_edits) {
        edit->SyncNativeWindow();
    }
}

bool CPaintManagerUI::Render() {
    if (m_hWnd == nullptr || m_pRoot == nullptr) {
        return false;
    }
    RECT client{};
    GetClientRect(m_hWnd, &client);
    m_painter.InvalidateAll();
    m_painter.Paint(nullptr, client);
    return m_painter.HasFrame();
}

// ---- controls leaving ----

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
    m_focus.Forget(pControl);
    m_mouse.Forget(pControl);
    m_automation.Forget(pControl);
    KillTimers(pControl);
}

void CPaintManagerUI::RegisterEdit(CEditUI* edit) {
    if (std::find(m_edits.begin(), m_edits.end(), edit) == m_edits.end()) {
        m_edits.push_back(edit);
    }
}

void CPaintManagerUI::UnregisterEdit(CEditUI* edit) {
    m_edits.erase(std::remove(m_edits.begin(), m_edits.end(), edit), m_edits.end());
}

CEditUI* CPaintManagerUI::EditFromHwnd(HWND hwnd) const {
    for (CEditUI* edit : m_edits) {
        if (edit->GetNativeWindow() == hwnd) {
            return edit;
        }
    }
    return nullptr;
}

// ---- messages ----

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    lRes = 0;
    if (m_hWnd == nullptr) {
        return false;
    }
    for (IMessageFilterUI* filter : std::vector<IMessageFilterUI*>(m_filters)) {
        bool handled = false;
        const LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }
    if (m_automation.OnMessage(uMsg)) {
        return true;
    }
    switch (uMsg) {
    case WM_GETOBJECT:
        return m_automation.OnGetObject(wParam, lParam, lRes);
    case WM_DESTROY:
        m_automation.OnDestroy();
        return false;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        // A high-contrast theme switched on or off: every control, and the edit boxes, repaint.
        Theme::Refresh();
        m_painter.InvalidateAll();
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        return false;
    case WM_ERASEBKGND:
        lRes = 1;
        return true;
    case WM_PAINT: {
        const ScopedPaint paint(m_hWnd);
        if (paint.get() != nullptr) {
            m_painter.Paint(paint.get(), paint.rect());
        }
        return true;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(m_hWnd, &client);
        m_painter.Paint(reinterpret_cast<HDC>(wParam), client);
        return true;
    }
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            NeedUpdate();
            m_painter.UpdateShape();
        }
        return false;
    case WM_DPICHANGED: {
        SetDPI(LOWORD(wParam));
        if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
            SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return true;
    }
    case WM_NCHITTEST:
        return m_mouse.HitTest(lParam, lRes);
    case WM_SETCURSOR:
        if (!m_mouse.SetCursor(wParam, lParam)) {
            return false;
        }
        lRes = TRUE;
        return true;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
        return m_mouse.OnMouse(uMsg, wParam, lParam);
    case WM_CAPTURECHANGED:
        m_mouse.OnCaptureChanged(reinterpret_cast<HWND>(lParam));
        return false;
    case WM_TIMER:
        for (const TimerInfo& t : m_timers) {
            if (t.nativeId == wParam) {
                const TimerInfo timer = t; // the handler may kill it
                SendNotify(timer.control, DUI_MSGTYPE_TIMER, timer.id, 0);
                return true;
            }
        }
        return false;
    case WM_KEYDOWN:
        return m_focus.OnKeyDown(wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        m_focus.OnWindowFocus(uMsg == WM_SETFOCUS);
        return false;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE) {
            if (CEditUI* edit = EditFromHwnd(reinterpret_cast<HWND>(lParam))) {
                edit->OnNativeChange();
                return true;
            }
        }
        return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (CEditUI* edit = EditFromHwnd(reinterpret_cast<HWND>(lParam))) {
            lRes = reinterpret_cast<LRESULT>(edit->OnCtlColor(reinterpret_cast<HDC>(wParam)));
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace DuiLib
