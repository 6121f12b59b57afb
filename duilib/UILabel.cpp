#include "duilib/UILabel.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"

#include <cmath>
#include <functional>
#include <cwchar>

namespace DuiLib {

namespace {
bool SetColorAttr(const wchar_t* value, DWORD& target) {
    DWORD c = 0;
    if (!Markup::ParseColor(value, c)) {
        return false;
    }
    target = c;
    return true;
}

void DrawRuns(Gdiplus::Graphics& g, const Render::TextLayout& layout, const Render::TextFonts& fonts,
              const std::function<DWORD(const Render::TextRun&)>& colorOf, const RECT& clip, float scale) {
    const Render::TypographicFormat format;
    Gdiplus::Region saved;
    g.GetClip(&saved);
    g.IntersectClip(Gdiplus::Rect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top));
    for (const Render::TextRun& run : layout.runs) {
        Gdiplus::Font* font = run.link >= 0 ? fonts.link : (run.bold ? fonts.bold : fonts.normal);
        if (font == nullptr) {
            font = fonts.normal;
        }
        Gdiplus::SolidBrush brush(Render::ToColor(colorOf(run)));
        // Whole pixels keep the glyphs crisp.
        const Gdiplus::PointF origin(std::round(run.box.X), std::round(run.box.Y));
        g.DrawString(run.text.c_str(), static_cast<INT>(run.text.size()), font, origin, format.get(), &brush);
        if (run.link >= 0) {
            // Links are underlined by hand: GDI+ does not draw a LOGFONT's underline everywhere.
            Gdiplus::FontFamily family;
            font->GetFamily(&family);
            const INT style = font->GetStyle();
            const float lineSpacing = static_cast<float>(family.GetLineSpacing(style));
            const float ascent = lineSpacing > 0 ? layout.lineHeight * family.GetCellAscent(style) / lineSpacing
                                                 : layout.lineHeight * 0.8f;
            const float thickness = std::max(1.0f, std::floor(scale));
            const float y = std::round(origin.Y + ascent + scale);
            const Gdiplus::RectF line(origin.X, y, std::round(run.box.Width), thickness);
            g.FillRectangle(&brush, line);
        }
    }
    g.SetClip(&saved);
}
} // namespace

// ---- label ----

const wchar_t* CLabelUI::GetClass() const {
    return L"Label";
}

void* CLabelUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Label") == 0 ? this : CControlUI::GetInterface(pstrName);
}

void CLabelUI::SetText(const wchar_t* pstrText) {
    if (m_sText == pstrText) {
        return;
    }
    CControlUI::SetText(pstrText);
    m_layoutValid = false;
    if (m_bAutoHeight) {
        NeedUpdate();
    }
}

void CLabelUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    m_layoutValid = false;
}

SIZE CLabelUI::EstimateSize(SIZE szAvailable) {
    SIZE sz = CControlUI::EstimateSize(szAvailable);
    if (!m_bAutoHeight || m_pManager == nullptr || sz.cy > 0) {
        return sz;
    }
    Gdiplus::Graphics* g = m_pManager->GetMeasureGraphics();
    if (g == nullptr) {
        return sz;
    }
    const int width = (sz.cx > 0 ? sz.cx : szAvailable.cx) - m_pManager->Scale(m_rcTextPadding.left) -
                      m_pManager->Scale(m_rcTextPadding.right);
    const Render::TextLayout layout = Render::LayoutText(*g, m_pManager->GetTextFonts(m_iFont), m_sText.str(),
                                                         static_cast<float>(width), m_bWordBreak, m_bMarkup);
    sz.cy = static_cast<LONG>(std::ceil(layout.height)) + m_pManager->Scale(m_rcTextPadding.top) +
            m_pManager->Scale(m_rcTextPadding.bottom);
    return sz;
}

void CLabelUI::SetFont(int id) {
    m_iFont = id;
    m_layoutValid = false;
    Invalidate();
}

void CLabelUI::SetTextColor(DWORD argb) {
    m_dwTextColor = argb;
    Invalidate();
}

void CLabelUI::OnDpiChanged() {
    m_layoutValid = false;
}

void CLabelUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"font") {
        SetFont(_wtoi(pstrValue));
    } else if (name == L"textcolor") {
        SetColorAttr(pstrValue, m_dwTextColor);
    } else if (name == L"disabledtextcolor") {
        SetColorAttr(pstrValue, m_dwDisabledTextColor);
    } else if (name == L"align") {
        m_uTextStyle &= ~(Render::kAlignCenter | Render::kAlignRight);
        if (wcscmp(pstrValue, L"center") == 0) {
            m_uTextStyle |= Render::kAlignCenter;
        } else if (wcscmp(pstrValue, L"right") == 0) {
            m_uTextStyle |= Render::kAlignRight;
        }
        m_layoutValid = false;
    } else if (name == L"valign") {
        m_uTextStyle &= ~(Render::kAlignVCenter | Render::kAlignBottom);
        if (wcscmp(pstrValue, L"vcenter") == 0 || wcscmp(pstrValue, L"center") == 0) {
            m_uTextStyle |= Render::kAlignVCenter;
        } else if (wcscmp(pstrValue, L"bottom") == 0) {
            m_uTextStyle |= Render::kAlignBottom;
        }
        m_layoutValid = false;
    } else if (name == L"wordbreak") {
        m_bWordBreak = Markup::ParseBool(pstrValue);
        m_layoutValid = false;
    } else if (name == L"markup") {
        m_bMarkup = Markup::ParseBool(pstrValue);
        m_layoutValid = false;
    } else if (name == L"autoheight") {
        m_bAutoHeight = Markup::ParseBool(pstrValue);
        NeedUpdate();
    } else if (name == L"textpadding") {
        m_rcTextPadding = Markup::ParseRect(pstrValue);
        m_layoutValid = false;
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

RECT CLabelUI::TextRect() const {
    return ItemRectLess(m_rcTextPadding);
}

const Render::TextLayout& CLabelUI::EnsureTextLayout() {
    const RECT rc = TextRect();
    if (m_layoutValid && EqualRect(&rc, &m_layoutRect) && m_pManager != nullptr &&
        m_layoutDpi == m_pManager->GetDPI()) {
        return m_layout;
    }
    m_layout = Render::TextLayout{};
    m_layoutValid = false;
    if (m_pManager == nullptr) {
        return m_layout;
    }
    Gdiplus::Graphics* g = m_pManager->GetMeasureGraphics();
    if (g == nullptr) {
        return m_layout;
    }
    m_layout = Render::LayoutText(*g, m_pManager->GetTextFonts(m_iFont), m_sText.str(),
                                  static_cast<float>(rc.right - rc.left), m_bWordBreak, m_bMarkup);
    Render::PlaceLayout(m_layout, rc, m_uTextStyle);
    m_layoutRect = rc;
    m_layoutDpi = m_pManager->GetDPI();
    m_layoutValid = true;
    return m_layout;
}

DWORD CLabelUI::CurrentTextColor() const {
    if (!IsEnabled()) {
        return m_dwDisabledTextColor != 0 ? m_dwDisabledTextColor
                                          : (m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFFA0A0A0);
    }
    return m_dwTextColor != 0 ? m_dwTextColor : (m_pManager ? m_pManager->GetDefaultTextColor() : 0xFF000000);
}

DWORD CLabelUI::RunColor(const Render::TextRun& /*run*/) const {
    return CurrentTextColor();
}

void CLabelUI::PaintText(Gdiplus::Graphics& g) {
    if (m_sText.IsEmpty() || m_pManager == nullptr) {
        return;
    }
    const Render::TextLayout& layout = EnsureTextLayout();
    DrawRuns(
        g, layout, m_pManager->GetTextFonts(m_iFont), [this](const Render::TextRun& run) { return RunColor(run); },
        m_rcItem, m_pManager->ScaleF(1.0f));
}

// ---- text with links ----

CTextUI::CTextUI() {
    m_bMarkup = true;
    m_bWordBreak = true;
    m_uTextStyle = Render::kAlignLeft | Render::kAlignTop;
}

const wchar_t* CTextUI::GetClass() const {
    return L"Text";
}

void* CTextUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Text") == 0 ? this : CLabelUI::GetInterface(pstrName);
}

void CTextUI::SetText(const wchar_t* pstrText) {
    CLabelUI::SetText(pstrText);
    Render::StripMarkup(m_sText.str(), &m_linkCount);
    if (!m_bMarkup) {
        m_linkCount = 0;
    }
    m_hotLink = -1;
    m_pressedLink = -1;
    if (m_focusStop >= m_linkCount) {
        m_focusStop = 0;
    }
}

void CTextUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    if (wcscmp(pstrName, L"linkcolor") == 0) {
        SetColorAttr(pstrValue, m_dwLinkColor);
    } else if (wcscmp(pstrName, L"linkhovercolor") == 0) {
        SetColorAttr(pstrValue, m_dwLinkHoverColor);
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
        if (wcscmp(pstrName, L"markup") == 0) {
            SetText(CDuiString(m_sText).GetData());
            Render::StripMarkup(m_sText.str(), &m_linkCount);
            if (!m_bMarkup) {
                m_linkCount = 0;
            }
        }
    }
}

int CTextUI::LinkAt(POINT pt) const {
    if (!m_layoutValid) {
        return -1;
    }
    for (const Render::TextRun& run : m_layout.runs) {
        if (run.link >= 0 && run.box.Contains(static_cast<float>(pt.x) + 0.5f, static_cast<float>(pt.y) + 0.5f)) {
            return run.link;
        }
    }
    return -1;
}

int CTextUI::GetLinkContentIndex(const POINT& ptMouse) {
    if (m_linkCount == 0 || !PtInRect(&m_rcItem, ptMouse)) {
        return -1;
    }
    EnsureTextLayout();
    return LinkAt(ptMouse);
}

bool CTextUI::IsInteractive(POINT pt) const {
    // Asking lays the text out if it was never painted (a hidden window still answers).
    return IsEnabled() && m_linkCount > 0 && const_cast<CTextUI*>(this)->GetLinkContentIndex(pt) >= 0;
}

int CTextUI::GetFocusStopCount() const {
    return IsEnabled() && m_bKeyboard ? m_linkCount : 0;
}

RECT CTextUI::GetFocusRect() const {
    const_cast<CTextUI*>(this)->EnsureTextLayout();
    RECT result{};
    bool any = false;
    for (const Render::TextRun& run : m_layout.runs) {
        if (run.link != m_focusStop) {
            continue;
        }
        RECT r{static_cast<LONG>(std::floor(run.box.X)), static_cast<LONG>(std::floor(run.box.Y)),
               static_cast<LONG>(std::ceil(run.box.GetRight())), static_cast<LONG>(std::ceil(run.box.GetBottom()))};
        if (any) {
            UnionRect(&result, &result, &r);
        } else {
            result = r;
            any = true;
        }
    }
    return any ? result : m_rcItem;
}

void CTextUI::Activate() {
    if (m_pManager == nullptr || m_focusStop < 0 || m_focusStop >= m_linkCount) {
        return;
    }
    EnsureTextLayout();
    // The point lies inside the link, so a handler asking GetLinkContentIndex gets this link.
    for (const Render::TextRun& run : m_layout.runs) {
        if (run.link == m_focusStop) {
            const POINT pt{static_cast<LONG>(run.box.X + run.box.Width / 2),
                           static_cast<LONG>(run.box.Y + run.box.Height / 2)};
            m_pManager->SendNotify(this, DUI_MSGTYPE_LINK, static_cast<WPARAM>(m_focusStop), 0, pt);
            return;
        }
    }
}

const wchar_t* CTextUI::GetCursor(POINT pt) const {
    return IsInteractive(pt) ? IDC_HAND : IDC_ARROW;
}

void CTextUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_MOUSEENTER: {
        const int link = GetLinkContentIndex(event.ptMouse);
        if (link != m_hotLink) {
            m_hotLink = link;
            Invalidate();
        }
        break;
    }
    case UIEVENT_MOUSELEAVE:
        if (m_hotLink != -1) {
            m_hotLink = -1;
            Invalidate();
        }
        break;
    case UIEVENT_BUTTONDOWN:
        m_pressedLink = GetLinkContentIndex(event.ptMouse);
        if (m_pressedLink >= 0) {
            m_focusStop = m_pressedLink;
        }
        break;
    case UIEVENT_BUTTONUP: {
        const int pressed = m_pressedLink;
        m_pressedLink = -1;
        // A link fires only when pressed and released on the same link.
        if (pressed >= 0 && GetLinkContentIndex(event.ptMouse) == pressed && m_pManager != nullptr) {
            m_pManager->SendNotify(this, DUI_MSGTYPE_LINK, static_cast<WPARAM>(pressed), 0, event.ptMouse);
        }
        break;
    }
    default:
        break;
    }
}

DWORD CTextUI::RunColor(const Render::TextRun& run) const {
    if (run.link < 0 || !IsEnabled()) {
        return CurrentTextColor();
    }
    if (run.link == m_hotLink) {
        return m_dwLinkHoverColor != 0 ? m_dwLinkHoverColor
                                       : (m_pManager ? m_pManager->GetDefaultLinkHoverColor() : 0xFF005A9E);
    }
    return m_dwLinkColor != 0 ? m_dwLinkColor : (m_pManager ? m_pManager->GetDefaultLinkColor() : 0xFF0067C0);
}

// ---- button ----

CButtonUI::CButtonUI() {
    m_uTextStyle = Render::kAlignCenter | Render::kAlignVCenter;
}

const wchar_t* CButtonUI::GetClass() const {
    return L"Button";
}

void* CButtonUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Button") == 0 ? this : CLabelUI::GetInterface(pstrName);
}

void CButtonUI::SetNormalImage(const wchar_t* image) {
    m_sNormalImage = image;
    Invalidate();
}
void CButtonUI::SetHotImage(const wchar_t* image) {
    m_sHotImage = image;
    Invalidate();
}
void CButtonUI::SetPushedImage(const wchar_t* image) {
    m_sPushedImage = image;
    Invalidate();
}
void CButtonUI::SetDisabledImage(const wchar_t* image) {
    m_sDisabledImage = image;
    Invalidate();
}

void CButtonUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"normalimage") {
        SetNormalImage(pstrValue);
    } else if (name == L"hotimage") {
        SetHotImage(pstrValue);
    } else if (name == L"pushedimage") {
        SetPushedImage(pstrValue);
    } else if (name == L"disabledimage") {
        SetDisabledImage(pstrValue);
    } else if (name == L"focusedimage") {
        m_sFocusedImage = pstrValue;
    } else if (name == L"hotbkcolor") {
        SetColorAttr(pstrValue, m_dwHotBkColor);
    } else if (name == L"pushedbkcolor") {
        SetColorAttr(pstrValue, m_dwPushedBkColor);
    } else if (name == L"disabledbkcolor") {
        SetColorAttr(pstrValue, m_dwDisabledBkColor);
    } else if (name == L"hottextcolor") {
        SetColorAttr(pstrValue, m_dwHotTextColor);
    } else if (name == L"pushedtextcolor") {
        SetColorAttr(pstrValue, m_dwPushedTextColor);
    } else if (name == L"hotbordercolor") {
        SetColorAttr(pstrValue, m_dwHotBorderColor);
    } else if (name == L"pushedbordercolor") {
        SetColorAttr(pstrValue, m_dwPushedBorderColor);
    } else if (name == L"disabledbordercolor") {
        SetColorAttr(pstrValue, m_dwDisabledBorderColor);
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
    }
}

bool CButtonUI::IsInteractive(POINT /*pt*/) const {
    return IsEnabled();
}

int CButtonUI::GetFocusStopCount() const {
    return IsEnabled() && m_bKeyboard ? 1 : 0;
}

void CButtonUI::Activate() {
    if (IsEnabled() && m_pManager != nullptr) {
        const POINT centre{(m_rcItem.left + m_rcItem.right) / 2, (m_rcItem.top + m_rcItem.bottom) / 2};
        m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK, 0, 0, centre);
    }
}

const wchar_t* CButtonUI::GetCursor(POINT /*pt*/) const {
    return IsEnabled() ? IDC_HAND : IDC_ARROW;
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEENTER:
        SetHot(true);
        break;
    case UIEVENT_MOUSELEAVE:
        SetHot(false);
        break;
    case UIEVENT_MOUSEMOVE:
        if (m_bPressing) {
            SetPushed(PtInRect(&m_rcItem, event.ptMouse) != FALSE);
        }
        break;
    case UIEVENT_BUTTONDOWN:
        m_bPressing = true;
        SetPushed(true);
        break;
    case UIEVENT_BUTTONUP: {
        const bool wasPressing = m_bPressing;
        m_bPressing = false;
        SetPushed(false);
        // A click is a release inside the control that was pressed.
        if (wasPressing && PtInRect(&m_rcItem, event.ptMouse) && IsEnabled() && m_pManager != nullptr) {
            m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK, 0, 0, event.ptMouse);
        }
        break;
    }
    default:
        break;
    }
}

DWORD CButtonUI::StateColor(DWORD normal, DWORD hot, DWORD pushed, DWORD disabled) const {
    if (!IsEnabled()) {
        return disabled != 0 ? disabled : normal;
    }
    if (m_bPushed && pushed != 0) {
        return pushed;
    }
    if ((m_bHot || m_bPushed) && hot != 0) {
        return hot;
    }
    return normal;
}

DWORD CButtonUI::CurrentBkColor() const {
    return StateColor(m_dwBkColor, m_dwHotBkColor, m_dwPushedBkColor, m_dwDisabledBkColor);
}

DWORD CButtonUI::CurrentBorderColor() const {
    return StateColor(m_dwBorderColor, m_dwHotBorderColor, m_dwPushedBorderColor, m_dwDisabledBorderColor);
}

DWORD CButtonUI::CurrentTextColor() const {
    // No disabled text colour of its own: the label's colours (disabled ones included) apply.
    return StateColor(CLabelUI::CurrentTextColor(), m_dwHotTextColor, m_dwPushedTextColor, 0);
}

void CButtonUI::PaintStatusImage(Gdiplus::Graphics& g) {
    const CDuiString* image = &m_sNormalImage;
    if (!IsEnabled()) {
        if (!m_sDisabledImage.IsEmpty()) {
            image = &m_sDisabledImage;
        }
    } else if (m_bPushed && !m_sPushedImage.IsEmpty()) {
        image = &m_sPushedImage;
    } else if ((m_bHot || m_bPushed) && !m_sHotImage.IsEmpty()) {
        image = &m_sHotImage;
    } else if (IsFocused() && !m_sFocusedImage.IsEmpty()) {
        image = &m_sFocusedImage;
    }
    if (!image->IsEmpty()) {
        Render::DrawImage(g, m_pManager, m_rcItem, *image);
    }
    CLabelUI::PaintStatusImage(g); // the fore image, over the state image
}

} // namespace DuiLib
