#include "duilib/UIEdit.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"
#include "duilib/UITheme.h"

#include "duilib/UICulture.h"

#include <commctrl.h>

#include <algorithm>

#include <cwchar>

namespace DuiLib {

namespace {

constexpr UINT_PTR kEditIdBase = 0x4000;
UINT_PTR g_nextEditId = kEditIdBase;

COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}
} // namespace

CEditUI::CEditUI() {
    m_cxyFixed.cy = 32;
    m_nBorderRound = 4;
    m_rcTextPadding = RECT{10, 0, 10, 0};
}

CEditUI::~CEditUI() {
    if (m_pManager != nullptr) {
        m_pManager->UnregisterEdit(this);
    }
    if (m_hEdit != nullptr && IsWindow(m_hEdit)) {
        SetWindowLongPtrW(m_hEdit, GWLP_USERDATA, 0);
        DestroyWindow(m_hEdit);
    }
}

const wchar_t* CEditUI::GetClass() const {
    return L"Edit";
}

void* CEditUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Edit") == 0 ? this : CLabelUI::GetInterface(pstrName);
}

CDuiString CEditUI::GetText() const {
    if (m_hEdit == nullptr) {
        return m_sText;
    }
    const int length = GetWindowTextLengthW(m_hEdit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(m_hEdit, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return CDuiString(std::move(text));
}

void CEditUI::SetText(const wchar_t* pstrText) {
    m_sText = pstrText;
    if (m_hEdit != nullptr) {
        m_bSuppressChange = true;
        SetWindowTextW(m_hEdit, m_sText);
        m_bSuppressChange = false;
    }
    Invalidate();
}

void CEditUI::SetEnabled(bool bEnable) {
    CLabelUI::SetEnabled(bEnable);
    if (m_hEdit != nullptr) {
        EnableWindow(m_hEdit, bEnable ? TRUE : FALSE);
    }
}

void CEditUI::SetVisible(bool bVisible) {
    CLabelUI::SetVisible(bVisible);
    SyncNativeWindow();
}

void CEditUI::SetPos(RECT rc) {
    CLabelUI::SetPos(rc);
    SyncNativeWindow();
}

void CEditUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
    if (m_pManager != nullptr && m_pManager != pManager) {
        m_pManager->UnregisterEdit(this);
    }
    CLabelUI::SetManager(pManager, pParent);
    if (pManager != nullptr) {
        pManager->RegisterEdit(this);
        CreateNativeWindow();
    }
}

void CEditUI::CreateNativeWindow() {
    if (m_hEdit != nullptr || m_pManager == nullptr || m_pManager->GetPaintWindow() == nullptr) {
        return;
    }
    const DWORD style = WS_CHILD | ES_AUTOHSCROLL | ES_LEFT | (m_bNumberOnly ? ES_NUMBER : 0) |
                        (m_bPassword ? ES_PASSWORD : 0) | (m_bReadOnly ? ES_READONLY : 0);
    m_hEdit = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"EDIT", m_sText, style, 0, 0, 0, 0, m_pManager->GetPaintWindow(),
                              reinterpret_cast<HMENU>(g_nextEditId++), CPaintManagerUI::GetInstance(), nullptr);
    if (m_hEdit == nullptr) {
        return;
    }
    SetWindowLongPtrW(m_hEdit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_oldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(m_hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CEditUI::EditProc)));
    SendMessageW(m_hEdit, EM_LIMITTEXT, m_uMaxChar, 0);
    SendMessageW(m_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(m_pManager->GetHFONT(m_iFont)), FALSE);
    if (!m_sPrompt.IsEmpty()) {
        SendMessageW(m_hEdit, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(m_sPrompt.GetData()));
    }
    EnableWindow(m_hEdit, m_bEnabled ? TRUE : FALSE);
}

void CEditUI::SetMaxChar(UINT max) {
    m_uMaxChar = max;
    if (m_hEdit != nullptr) {
        SendMessageW(m_hEdit, EM_LIMITTEXT, max, 0);
    }
}

void CEditUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"maxchar") {
        SetMaxChar(static_cast<UINT>(_wtoi(pstrValue)));
    } else if (name == L"numberonly") {
        m_bNumberOnly = Markup::ParseBool(pstrValue);
        if (m_hEdit != nullptr) {
            LONG_PTR style = GetWindowLongPtrW(m_hEdit, GWL_STYLE);
            style = m_bNumberOnly ? (style | ES_NUMBER) : (style & ~static_cast<LONG_PTR>(ES_NUMBER));
            SetWindowLongPtrW(m_hEdit, GWL_STYLE, style);
        }
    } else if (name == L"password") {
        m_bPassword = Markup::ParseBool(pstrValue);
        if (m_hEdit != nullptr) {
            SendMessageW(m_hEdit, EM_SETPASSWORDCHAR, m_bPassword ? 0x25CF : 0, 0);
        }
    } else if (name == L"readonly") {
        m_bReadOnly = Markup::ParseBool(pstrValue);
        if (m_hEdit != nullptr) {
            SendMessageW(m_hEdit, EM_SETREADONLY, m_bReadOnly ? TRUE : FALSE, 0);
        }
    } else if (name == L"prompt") {
        m_sPrompt = UICulture::ResolveText(pstrValue);
        if (m_hEdit != nullptr) {
            SendMessageW(m_hEdit, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(m_sPrompt.GetData()));
        }
    } else if (name == L"focuslinecolor") {
        (void)Markup::ParseColor(pstrValue, m_dwFocusLineColor);
    } else if (name == L"focusbordercolor") {
        (void)Markup::ParseColor(pstrValue, m_dwFocusBorderColor);
    } else if (name == L"font") {
        CLabelUI::SetAttribute(pstrName, pstrValue);
        OnDpiChanged();
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
    }
}

void CEditUI::OnDpiChanged() {
    CLabelUI::OnDpiChanged();
    if (m_hEdit != nullptr && m_pManager != nullptr) {
        RefreshNativeFont();
        SyncNativeWindow();
    }
}

void CEditUI::RefreshNativeFont() {
    if (m_hEdit != nullptr && m_pManager != nullptr) {
        SendMessageW(m_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(m_pManager->GetHFONT(m_iFont)), TRUE);
    }
}

void CEditUI::SyncNativeWindow() {
    if (m_hEdit == nullptr || m_pManager == nullptr) {
        return;
    }
    const bool visible = IsVisibleInTree() && m_rcItem.right > m_rcItem.left;
    if (!visible) {
        ShowWindow(m_hEdit, SW_HIDE);
        return;
    }
    // The native box is one text line high, centred in the frame; the frame is ours.
    RECT rc = TextRect();
    HFONT font = m_pManager->GetHFONT(m_iFont);
    int lineHeight = m_pManager->Scale(20);
    if (const ScopedGetDC dc(m_hEdit); dc) {
        const ScopedSelectObject selected(dc.get(), font);
        TEXTMETRICW tm{};
        if (GetTextMetricsW(dc.get(), &tm)) {
            lineHeight = tm.tmHeight + 2;
        }
    }
    const int frameBottom = m_rcItem.bottom - m_pManager->Scale(2); // keep the focus line clear
    int top = rc.top + (rc.bottom - rc.top - lineHeight) / 2;
    if (top + lineHeight > frameBottom) {
        top = std::max(static_cast<int>(rc.top), frameBottom - lineHeight);
    }
    SetWindowPos(m_hEdit, nullptr, rc.left, top, std::max(0L, rc.right - rc.left), lineHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CEditUI::OnNativeChange() {
    if (!m_bSuppressChange && m_pManager != nullptr) {
        m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
    }
}

DWORD CEditUI::EffectiveBkColor() const {
    return Theme::Color(Theme::Role::Window, (m_dwBkColor >> 24) != 0 ? m_dwBkColor : 0xFFFFFFFF);
}

HBRUSH CEditUI::OnCtlColor(HDC hdc) {
    const DWORD bk = EffectiveBkColor();
    ::SetTextColor(hdc, ToColorRef(CurrentTextColor()));
    ::SetBkColor(hdc, ToColorRef(bk));
    if (!m_bkBrush || m_bkBrushColor != bk) {
        m_bkBrush.reset(CreateSolidBrush(ToColorRef(bk)));
        m_bkBrushColor = bk;
    }
    return m_bkBrush.get();
}

bool CEditUI::IsInteractive(POINT /*pt*/) const {
    return IsEnabled();
}

int CEditUI::GetFocusStopCount() const {
    return IsEnabled() && m_bKeyboard ? 1 : 0;
}

const wchar_t* CEditUI::GetCursor(POINT /*pt*/) const {
    return IsEnabled() ? IDC_IBEAM : IDC_ARROW;
}

void CEditUI::DoEvent(TEventUI& event) {
    // A click on the frame around the native box puts the caret at the end of the text.
    if (event.Type == UIEVENT_BUTTONDOWN && m_hEdit != nullptr && IsEnabled()) {
        SetFocus();
        const int length = GetWindowTextLengthW(m_hEdit);
        SendMessageW(m_hEdit, EM_SETSEL, static_cast<WPARAM>(length), length);
    }
}

void CEditUI::PaintText(Gdiplus::Graphics& /*g*/) {
    // The native EDIT draws the text.
}

void CEditUI::PaintBorder(Gdiplus::Graphics& g) {
    const bool focused = m_hEdit != nullptr && ::GetFocus() == m_hEdit;
    if (focused && m_dwFocusBorderColor != 0) {
        Render::DrawBorder(g, m_rcItem, Theme::Color(Theme::Role::Highlight, m_dwFocusBorderColor),
                           m_pManager->ScaleF(1), Radius());
    } else {
        CLabelUI::PaintBorder(g);
    }
    if (focused && m_pManager != nullptr) {
        // The accent line along the bottom, clipped to the rounded frame.
        const DWORD color = Theme::Color(Theme::Role::Highlight,
                                         m_dwFocusLineColor != 0 ? m_dwFocusLineColor : m_pManager->GetFocusColor());
        Gdiplus::GraphicsPath path;
        Render::AddRoundRect(path,
                             Gdiplus::RectF(static_cast<float>(m_rcItem.left), static_cast<float>(m_rcItem.top),
                                            static_cast<float>(m_rcItem.right - m_rcItem.left),
                                            static_cast<float>(m_rcItem.bottom - m_rcItem.top)),
                             Radius());
        Gdiplus::Region saved;
        g.GetClip(&saved);
        Gdiplus::Region clip(&path);
        g.IntersectClip(&clip);
        const int line = m_pManager->Scale(2);
        Render::FillRect(g, RECT{m_rcItem.left, m_rcItem.bottom - line, m_rcItem.right, m_rcItem.bottom}, color, 0);
        g.SetClip(&saved);
    }
}

LRESULT CALLBACK CEditUI::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CEditUI*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->m_oldProc == nullptr) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    const WNDPROC oldProc = self->m_oldProc;
    switch (msg) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && (lParam & 0x40000000) != 0) {
            return 0; // held Enter: the default button fires once
        }
        if (wParam == 'A' && (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
            // Select all, which the classic single-line EDIT lacks.
            CallWindowProcW(oldProc, hwnd, EM_SETSEL, 0, -1);
            return 0;
        }
        if (wParam == VK_TAB || wParam == VK_RETURN) {
            if (self->m_pManager != nullptr && self->m_pManager->HandleKey(static_cast<UINT>(wParam))) {
                return 0;
            }
        } else if (wParam == VK_ESCAPE) {
            // Escape belongs to the window (a modal window closes).
            SendMessageW(::GetParent(hwnd), WM_KEYDOWN, wParam, lParam);
            return 0;
        }
        break;
    case WM_CHAR:
        // The keys handled above would only beep in a single-line edit.
        if (wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == 0x1B || wParam == 0x01) {
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (self->m_pManager != nullptr) {
            self->m_pManager->SetFocus(self);
        }
        self->Invalidate();
        break;
    case WM_KILLFOCUS:
        self->Invalidate();
        break;
    default:
        break;
    }
    return CallWindowProcW(oldProc, hwnd, msg, wParam, lParam);
}

} // namespace DuiLib
