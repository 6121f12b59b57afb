#include "duilib/UIManager.h"

#include "common/UniqueHandle.h"

#include "duilib/UIEdit.h"
#include "duilib/UIMarkup.h"

#include "common/ModulePath.h"

#include <commctrl.h>
#include <dwmapi.h>

#include <algorithm>
#include <cwchar>

namespace DuiLib {

namespace {

HINSTANCE g_instance = nullptr;
std::wstring g_resourcePath;
std::vector<CPaintManagerUI*> g_managers;

// Hands one mouse or focus event to a control.
void DeliverEvent(CControlUI* control, int type, POINT pt = POINT{}, WPARAM wParam = 0) {
    TEventUI event;
    event.Type = type;
    event.pSender = control;
    event.ptMouse = pt;
    event.wParam = wParam;
    control->DoEvent(event);
}

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
    m_measureGraphics.reset();
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
    UpdateWindowShape();
}

int CPaintManagerUI::Scale(int value96) const {
    return MulDiv(value96, m_dpi, 96);
}

float CPaintManagerUI::ScaleF(float value96) const {
    return value96 * static_cast<float>(m_dpi) / 96.0f;
}

void CPaintManagerUI::SetWindowAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    const std::wstring name = pstrName;
    DWORD color = 0;
    if (name == L"size") {
        m_szInit = Markup::ParseSize(pstrValue);
    } else if (name == L"caption") {
        m_rcCaption = Markup::ParseRect(pstrValue);
    } else if (name == L"roundcorner") {
        int v[2];
        Markup::ParseInts(pstrValue, v, 2);
        m_szRoundCorner = SIZE{v[0], v[1] != 0 ? v[1] : v[0]};
    } else if (name == L"bkcolor" && Markup::ParseColor(pstrValue, color)) {
        m_bkColor = color;
    } else if (name == L"bordercolor" && Markup::ParseColor(pstrValue, color)) {
        m_borderColor = color;
    } else if (name == L"bordersize") {
        m_borderSize = _wtoi(pstrValue);
    } else if (name == L"textcolor" && Markup::ParseColor(pstrValue, color)) {
        m_textColor = color;
    } else if (name == L"disabledtextcolor" && Markup::ParseColor(pstrValue, color)) {
        m_disabledTextColor = color;
    } else if (name == L"linkcolor" && Markup::ParseColor(pstrValue, color)) {
        m_linkColor = color;
    } else if (name == L"linkhovercolor" && Markup::ParseColor(pstrValue, color)) {
        m_linkHoverColor = color;
    } else if (name == L"focuscolor" && Markup::ParseColor(pstrValue, color)) {
        m_focusColor = color;
    }
}

// ---- fonts ----

void CPaintManagerUI::AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic,
                              bool isDefault) {
    FontInfo info;
    info.face = face != nullptr && *face != L'\0' ? face : L"Microsoft YaHei UI";
    info.size = size > 0 ? size : 14;
    info.bold = bold;
    info.underline = underline;
    info.italic = italic;
    m_fontInfo[id] = info;
    m_fontCache.erase(id);
    if (isDefault || m_defaultFontId == -1) {
        m_defaultFontId = id;
        m_fontCache.erase(-1);
    }
    // Native edit boxes made earlier in the skin hold a font that was just freed.
    for (CEditUI* edit : m_edits) {
        edit->RefreshNativeFont();
    }
}

const CPaintManagerUI::FontInfo& CPaintManagerUI::FontById(int id) const {
    static const FontInfo kBuiltIn{L"Microsoft YaHei UI", 14, false, false, false};
    auto it = m_fontInfo.find(id);
    if (it == m_fontInfo.end()) {
        it = m_fontInfo.find(m_defaultFontId);
    }
    return it != m_fontInfo.end() ? it->second : kBuiltIn;
}

CPaintManagerUI::FontCache& CPaintManagerUI::CacheFor(int id) {
    if (m_fontInfo.find(id) == m_fontInfo.end()) {
        id = -1;
    }
    FontCache& cache = m_fontCache[id];
    if (cache.dpi == m_dpi && cache.fonts[0]) {
        return cache;
    }
    const FontInfo& info = FontById(id);
    GetMeasureGraphics(); // makes the memory DC the fonts are created against
    cache = FontCache{};
    cache.dpi = m_dpi;
    for (std::size_t style = 0; style < cache.fonts.size(); ++style) {
        LOGFONTW lf{};
        lf.lfHeight = -Scale(info.size);
        lf.lfWeight = (info.bold || (style & 1)) ? FW_SEMIBOLD : FW_NORMAL;
        lf.lfUnderline = (info.underline || (style & 2)) ? TRUE : FALSE;
        lf.lfItalic = info.italic ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        // The skin's face first, then the faces every Windows 10/11 has.
        const wchar_t* faces[] = {info.face.c_str(), L"Segoe UI", L"Tahoma"};
        for (const wchar_t* face : faces) {
            wcsncpy_s(lf.lfFaceName, face, _TRUNCATE);
            auto font = std::make_unique<Gdiplus::Font>(m_measureDC.get(), &lf);
            if (font->GetLastStatus() == Gdiplus::Ok && font->IsAvailable()) {
                cache.fonts[style] = std::move(font);
                break;
            }
        }
        if (!cache.fonts[style]) {
            cache.fonts[style] = std::make_unique<Gdiplus::Font>(
                Gdiplus::FontFamily::GenericSansSerif(), static_cast<float>(Scale(info.size)),
                (style & 1) ? Gdiplus::FontStyleBold : 0, Gdiplus::UnitPixel);
        }
        if (style == 0) {
            cache.hfont.reset(CreateFontIndirectW(&lf));
        }
    }
    return cache;
}

Gdiplus::Font* CPaintManagerUI::GetFont(int id, bool bold, bool underline) {
    return CacheFor(id).fonts[(bold ? 1 : 0) | (underline ? 2 : 0)].get();
}

HFONT CPaintManagerUI::GetHFONT(int id) {
    return CacheFor(id).hfont.get();
}

Render::TextFonts CPaintManagerUI::GetTextFonts(int id) {
    FontCache& cache = CacheFor(id);
    // Links use the plain font and get their underline drawn, the same on every GDI+.
    return Render::TextFonts{cache.fonts[0].get(), cache.fonts[1].get(), cache.fonts[0].get()};
}

Gdiplus::Graphics* CPaintManagerUI::GetMeasureGraphics() {
    if (!m_measureGraphics) {
        if (!m_measureDC) {
            m_measureDC.reset(CreateCompatibleDC(nullptr));
        }
        if (!m_measureDC) {
            return nullptr;
        }
        m_measureGraphics = std::make_unique<Gdiplus::Graphics>(m_measureDC.get());
        Render::PrepareGraphics(*m_measureGraphics);
    }
    return m_measureGraphics.get();
}

// ---- styles ----

void CPaintManagerUI::AddStyle(const wchar_t* name, const wchar_t* attributes) {
    if (name != nullptr && attributes != nullptr) {
        m_styles[name] = attributes;
    }
}

const wchar_t* CPaintManagerUI::GetStyle(const wchar_t* name) const {
    auto it = m_styles.find(name != nullptr ? name : L"");
    return it != m_styles.end() ? it->second.c_str() : nullptr;
}

void CPaintManagerUI::AddDefaultAttributeList(const wchar_t* controlClass, const wchar_t* attributes) {
    if (controlClass != nullptr && attributes != nullptr) {
        m_defaults[controlClass] = attributes;
    }
}

const wchar_t* CPaintManagerUI::GetDefaultAttributeList(const wchar_t* controlClass) const {
    auto it = m_defaults.find(controlClass != nullptr ? controlClass : L"");
    return it != m_defaults.end() ? it->second.c_str() : nullptr;
}

// ---- focus and keys ----

void CPaintManagerUI::SetFocus(CControlUI* pControl, bool byKeyboard) {
    auto* edit = pControl != nullptr ? static_cast<CEditUI*>(pControl->GetInterface(L"Edit")) : nullptr;
    if (pControl == m_pFocus) {
        if (m_bFocusVisible != byKeyboard) {
            m_bFocusVisible = byKeyboard;
        }
        if (pControl != nullptr) {
            pControl->Invalidate();
        }
    } else {
        CControlUI* old = m_pFocus;
        m_pFocus = pControl;
        m_bFocusVisible = byKeyboard;
        if (old != nullptr) {
            DeliverEvent(old, UIEVENT_KILLFOCUS);
            old->Invalidate();
            SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
        }
        if (pControl != nullptr) {
            DeliverEvent(pControl, UIEVENT_SETFOCUS);
            pControl->Invalidate();
            SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
        }
    }
    // Keys must reach the right native window: the EDIT for an edit, this window otherwise.
    if (m_hWnd != nullptr) {
        HWND target = edit != nullptr && edit->GetNativeWindow() != nullptr ? edit->GetNativeWindow() : m_hWnd;
        if (::GetFocus() != target && IsWindowVisible(m_hWnd)) {
            ::SetFocus(target);
        }
    }
}

void CPaintManagerUI::MoveFocus(bool forward) {
    if (m_pRoot == nullptr) {
        return;
    }
    EnsureLayout();
    std::vector<CControlUI*> controls;
    m_pRoot->CollectControls(controls);
    struct Stop {
        CControlUI* control;
        int index;
    };
    std::vector<Stop> stops;
    for (CControlUI* c : controls) {
        if (!c->IsEnabled() || !c->IsVisibleInTree()) {
            continue;
        }
        const int count = c->GetFocusStopCount();
        for (int i = 0; i < count; ++i) {
            stops.push_back(Stop{c, i});
        }
    }
    if (stops.empty()) {
        return;
    }
    int current = -1;
    for (size_t i = 0; i < stops.size(); ++i) {
        if (stops[i].control == m_pFocus && stops[i].index == m_pFocus->GetFocusStop()) {
            current = static_cast<int>(i);
            break;
        }
    }
    const int count = static_cast<int>(stops.size());
    int next = 0;
    if (current < 0) {
        next = forward ? 0 : count - 1;
    } else {
        next = (current + (forward ? 1 : count - 1)) % count;
    }
    if (m_pFocus != nullptr) {
        m_pFocus->Invalidate();
    }
    stops[static_cast<size_t>(next)].control->SetFocusStop(stops[static_cast<size_t>(next)].index);
    SetFocus(stops[static_cast<size_t>(next)].control, true);
    if (auto* edit = static_cast<CEditUI*>(m_pFocus->GetInterface(L"Edit"));
        edit != nullptr && edit->GetNativeWindow()) {
        // Tabbing into an edit selects its text, as in every Windows dialog.
        SendMessageW(edit->GetNativeWindow(), EM_SETSEL, 0, -1);
    }
}

CControlUI* CPaintManagerUI::GetDefaultButton() const {
    if (m_pRoot == nullptr) {
        return nullptr;
    }
    std::vector<CControlUI*> controls;
    m_pRoot->CollectControls(controls);
    for (CControlUI* c : controls) {
        if (c->IsDefault() && c->IsEnabled() && c->IsVisibleInTree()) {
            return c;
        }
    }
    return nullptr;
}

bool CPaintManagerUI::HandleKey(UINT vk) {
    CControlUI* focus = m_pFocus;
    const bool focusUsable = focus != nullptr && focus->IsEnabled() && focus->IsVisibleInTree();
    const bool focusIsEdit = focus != nullptr && focus->GetInterface(L"Edit") != nullptr;
    switch (vk) {
    case VK_TAB:
        MoveFocus((GetKeyState(VK_SHIFT) & 0x8000) == 0);
        return true;
    case VK_RETURN:
        if (focusUsable && !focusIsEdit && focus->GetFocusStopCount() > 0) {
            focus->Activate();
            return true;
        }
        if (CControlUI* button = GetDefaultButton()) {
            button->Activate();
            return true;
        }
        return false;
    case VK_SPACE:
        if (focusUsable && !focusIsEdit && focus->GetFocusStopCount() > 0) {
            focus->Activate();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---- layout and painting ----

void CPaintManagerUI::Invalidate() {
    if (m_hWnd != nullptr) {
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CPaintManagerUI::Invalidate(const RECT& rc) {
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

bool CPaintManagerUI::EnsureOffscreen(int cx, int cy) {
    if (m_offscreen && m_offscreenSize.cx == cx && m_offscreenSize.cy == cy) {
        return true;
    }
    if (!m_offscreenDC) {
        m_offscreenDC.reset(CreateCompatibleDC(nullptr));
        if (!m_offscreenDC) {
            return false;
        }
    }
    m_offscreenSelection.reset();
    m_offscreen.reset();
    m_offscreenBits = nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy; // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_offscreen.reset(CreateDIBSection(m_offscreenDC.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!m_offscreen) {
        return false;
    }
    m_offscreenBits = static_cast<DWORD*>(bits);
    m_offscreenSize = SIZE{cx, cy};
    m_offscreenSelection = ScopedSelectObject(m_offscreenDC.get(), m_offscreen.get());
    return true;
}

void CPaintManagerUI::PaintTo(HDC hdc, const RECT& rcPaint) {
    if (m_hWnd == nullptr || m_pRoot == nullptr) {
        return;
    }
    EnsureLayout();
    RECT client{};
    GetClientRect(m_hWnd, &client);
    if (client.right <= 0 || client.bottom <= 0 || !EnsureOffscreen(client.right, client.bottom)) {
        return;
    }
    {
        Gdiplus::Graphics g(m_offscreenDC.get());
        Render::PrepareGraphics(g);
        g.SetClip(Gdiplus::Rect(rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top));
        const float radius = ScaleF(static_cast<float>(m_szRoundCorner.cx));
        g.Clear(Render::ToColor(m_bkColor != 0 ? m_bkColor : 0xFFFFFFFF));
        m_pRoot->DoPaint(g, rcPaint);
        if ((m_borderColor >> 24) != 0) {
            Render::DrawBorder(g, client, m_borderColor,
                               ScaleF(static_cast<float>(m_borderSize > 0 ? m_borderSize : 1)), radius);
        }
        if (m_bFocusVisible && m_pFocus != nullptr && m_pFocus->IsVisibleInTree() && m_pFocus->IsEnabled() &&
            m_pFocus->GetInterface(L"Edit") == nullptr) {
            RECT ring = m_pFocus->GetFocusRect();
            InflateRect(&ring, Scale(4), Scale(4));
            Render::DrawBorder(g, ring, m_focusColor, ScaleF(2), m_pFocus->Radius() + ScaleF(4));
        }
    }
    if (hdc != nullptr) {
        BitBlt(hdc, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top,
               m_offscreenDC.get(), rcPaint.left, rcPaint.top, SRCCOPY);
    }
}

bool CPaintManagerUI::Render() {
    if (m_hWnd == nullptr || m_pRoot == nullptr) {
        return false;
    }
    RECT client{};
    GetClientRect(m_hWnd, &client);
    PaintTo(nullptr, client);
    return m_offscreenBits != nullptr;
}

DWORD CPaintManagerUI::GetPaintedPixel(POINT pt) const {
    if (m_offscreenBits == nullptr || pt.x < 0 || pt.y < 0 || pt.x >= m_offscreenSize.cx ||
        pt.y >= m_offscreenSize.cy) {
        return 0;
    }
    return m_offscreenBits[static_cast<size_t>(pt.y) * static_cast<size_t>(m_offscreenSize.cx) +
                           static_cast<size_t>(pt.x)] |
           0xFF000000u;
}

namespace {
// Windows 11 rounds a window's corners itself, anti-aliased and with its shadow, when asked
// (DWMWA_WINDOW_CORNER_PREFERENCE = 33, DWMWCP_ROUND = 2); Windows 10 refuses the attribute. Wine
// accepts it without rounding anything, so there the region is used as on Windows 10.
bool RoundCornersByDwm(HWND hwnd) {
    static const bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    if (underWine) {
        return false;
    }
    const DWORD round = 2;
    return SUCCEEDED(DwmSetWindowAttribute(hwnd, 33, &round, sizeof(round)));
}
} // namespace

void CPaintManagerUI::UpdateWindowShape() {
    if (m_hWnd == nullptr || m_szRoundCorner.cx <= 0) {
        return;
    }
    if (RoundCornersByDwm(m_hWnd)) {
        return;
    }
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    const int diameter = Scale(m_szRoundCorner.cx) * 2;
    unique_gdi<HRGN> region(
        CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, diameter, diameter));
    // On success the window owns the region.
    if (region && SetWindowRgn(m_hWnd, region.get(), TRUE) != 0) {
        region.release();
    }
}

// ---- controls leaving ----

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
    if (m_pFocus == pControl) {
        m_pFocus = nullptr;
    }
    if (m_pHover == pControl) {
        m_pHover = nullptr;
    }
    if (m_pToolTipControl == pControl) {
        m_pToolTipControl = nullptr;
        m_toolTipText.clear();
        if (m_hToolTip != nullptr && IsWindow(m_hToolTip)) {
            TOOLINFOW ti{};
            ti.cbSize = TTTOOLINFOW_V2_SIZE;
            ti.hwnd = m_hWnd;
            ti.uId = 1;
            SendMessageW(m_hToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
    if (m_pCapture == pControl) {
        m_pCapture = nullptr;
    }
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

void CPaintManagerUI::UpdateToolTip() {
    CControlUI* control = m_pHover;
    while (control != nullptr && control->GetToolTip().IsEmpty()) {
        control = control->GetParent();
    }
    const std::wstring text = control != nullptr ? control->GetToolTip().str() : std::wstring();
    if (control == m_pToolTipControl && text == m_toolTipText) {
        return;
    }
    m_pToolTipControl = control;
    m_toolTipText = text;
    if (m_hToolTip == nullptr) {
        if (text.empty()) {
            return;
        }
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        m_hToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                     GetInstance(), nullptr);
        if (m_hToolTip == nullptr) {
            return;
        }
        SendMessageW(m_hToolTip, TTM_SETMAXTIPWIDTH, 0, Scale(320));
    }
    // One tool for the whole window, moved to the hovered control; the tooltip window watches the
    // mouse itself (TTF_SUBCLASS). The V2 size works with every comctl32 version.
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = m_hWnd;
    ti.uId = 1;
    SendMessageW(m_hToolTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (control != nullptr) {
        ti.rect = control->GetPos();
        ti.lpszText = m_toolTipText.data();
        SendMessageW(m_hToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void CPaintManagerUI::UpdateHot(POINT pt) {
    CControlUI* now = FindControl(pt);
    if (now != nullptr && !now->IsEnabled()) {
        now = nullptr;
    }
    if (now != m_pHover) {
        if (m_pHover != nullptr) {
            DeliverEvent(m_pHover, UIEVENT_MOUSELEAVE, pt);
        }
        m_pHover = now;
        if (m_pHover != nullptr) {
            DeliverEvent(m_pHover, UIEVENT_MOUSEENTER, pt);
        }
    }
    UpdateToolTip();
    if (m_pHover != nullptr) {
        DeliverEvent(m_pHover, UIEVENT_MOUSEMOVE, pt);
    }
}

bool CPaintManagerUI::OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    EnsureLayout();
    switch (uMsg) {
    case WM_MOUSEMOVE:
        if (!m_bTrackingLeave) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
            m_bTrackingLeave = TrackMouseEvent(&tme) != FALSE;
        }
        if (m_pCapture != nullptr) {
            DeliverEvent(m_pCapture, UIEVENT_MOUSEMOVE, pt, wParam);
        } else {
            UpdateHot(pt);
        }
        return true;
    case WM_MOUSELEAVE:
        m_bTrackingLeave = false;
        if (m_pHover != nullptr && m_pCapture == nullptr) {
            DeliverEvent(m_pHover, UIEVENT_MOUSELEAVE, pt);
            m_pHover = nullptr;
            UpdateToolTip();
        }
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        CControlUI* control = FindControl(pt);
        if (control == nullptr || !control->IsEnabled()) {
            return true;
        }
        if (control->GetFocusStopCount() > 0 && control->IsInteractive(pt)) {
            SetFocus(control, false);
        }
        if (control->IsInteractive(pt)) {
            m_pCapture = control;
            SetCapture(m_hWnd);
        }
        DeliverEvent(control, UIEVENT_BUTTONDOWN, pt, wParam);
        return true;
    }
    case WM_LBUTTONUP: {
        CControlUI* control = m_pCapture;
        m_pCapture = nullptr;
        if (GetCapture() == m_hWnd) {
            ReleaseCapture();
        }
        if (control != nullptr) {
            DeliverEvent(control, UIEVENT_BUTTONUP, pt, wParam);
            UpdateHot(pt);
        }
        return true;
    }
    default:
        return false;
    }
}

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
    switch (uMsg) {
    case WM_ERASEBKGND:
        lRes = 1;
        return true;
    case WM_PAINT: {
        const ScopedPaint paint(m_hWnd);
        if (paint.get() != nullptr) {
            PaintTo(paint.get(), paint.rect());
        }
        return true;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(m_hWnd, &client);
        PaintTo(reinterpret_cast<HDC>(wParam), client);
        return true;
    }
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            NeedUpdate();
            UpdateWindowShape();
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
    case WM_NCHITTEST: {
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(m_hWnd, &pt);
        RECT client{};
        GetClientRect(m_hWnd, &client);
        if (!PtInRect(&client, pt)) {
            return false;
        }
        lRes = HTCLIENT;
        const RECT caption = m_rcCaption;
        if (pt.x >= Scale(caption.left) && pt.x < client.right - Scale(caption.right) && pt.y >= Scale(caption.top) &&
            pt.y < Scale(caption.bottom)) {
            EnsureLayout();
            CControlUI* control = FindControl(pt);
            if (control == nullptr || !control->IsEnabled() || !control->IsInteractive(pt)) {
                lRes = HTCAPTION;
            }
        }
        return true;
    }
    case WM_SETCURSOR: {
        if (LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != m_hWnd) {
            return false;
        }
        POINT pt{};
        GetCursorPos(&pt);
        ScreenToClient(m_hWnd, &pt);
        CControlUI* control = m_pCapture != nullptr ? m_pCapture : FindControl(pt);
        const wchar_t* cursor = control != nullptr && control->IsEnabled() ? control->GetCursor(pt) : IDC_ARROW;
        ::SetCursor(LoadCursorW(nullptr, cursor));
        lRes = TRUE;
        return true;
    }
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
        return OnMouse(uMsg, wParam, lParam);
    case WM_CAPTURECHANGED:
        if (m_pCapture != nullptr && reinterpret_cast<HWND>(lParam) != m_hWnd) {
            // Capture taken away (another window, a menu): the press is cancelled, no click.
            CControlUI* control = m_pCapture;
            m_pCapture = nullptr;
            DeliverEvent(control, UIEVENT_BUTTONUP, POINT{-100000, -100000});
        }
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
        // A held Enter or Space activates once, not at the keyboard's repeat rate.
        if ((lParam & 0x40000000) != 0 && (wParam == VK_RETURN || wParam == VK_SPACE)) {
            return true;
        }
        if (HandleKey(static_cast<UINT>(wParam))) {
            return true;
        }
        return false;
    case WM_SETFOCUS:
        if (m_pFocus != nullptr) {
            if (auto* edit = static_cast<CEditUI*>(m_pFocus->GetInterface(L"Edit"));
                edit != nullptr && edit->GetNativeWindow() != nullptr && IsWindowVisible(edit->GetNativeWindow())) {
                ::SetFocus(edit->GetNativeWindow());
            }
            m_pFocus->Invalidate();
        }
        return false;
    case WM_KILLFOCUS:
        if (m_pFocus != nullptr) {
            m_pFocus->Invalidate();
        }
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
