#include "duilib/UIButton.h"

#include "duilib/UIImage.h"
#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"
#include "duilib/UITheme.h"

#include <cwchar>

namespace DuiLib {

namespace {
// A button's image in high contrast: its shape in one theme colour. The skin's icons are drawn in
// one dark colour that would vanish on a dark theme's window.
bool DrawSilhouette(Gdiplus::Graphics& g, CPaintManagerUI* manager, const RECT& rc, const wchar_t* image,
                    DWORD colour) {
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0) {
        return false;
    }
    Gdiplus::Bitmap shape(cx, cy, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics sg(&shape);
        Render::PrepareGraphics(sg);
        sg.TranslateTransform(static_cast<float>(-rc.left), static_cast<float>(-rc.top));
        if (!Render::DrawImage(sg, manager, rc, image)) {
            return false;
        }
    }
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect whole(0, 0, cx, cy);
    if (shape.LockBits(&whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) !=
        Gdiplus::Ok) {
        return false;
    }
    for (int y = 0; y < cy; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride);
        for (int x = 0; x < cx; ++x) {
            row[x] = (row[x] & 0xFF000000u) | (colour & 0x00FFFFFFu);
        }
    }
    shape.UnlockBits(&data);
    return g.DrawImage(&shape, rc.left, rc.top, cx, cy) == Gdiplus::Ok;
}
} // namespace

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
        (void)Markup::ParseColor(pstrValue, m_dwHotBkColor);
    } else if (name == L"pushedbkcolor") {
        (void)Markup::ParseColor(pstrValue, m_dwPushedBkColor);
    } else if (name == L"disabledbkcolor") {
        (void)Markup::ParseColor(pstrValue, m_dwDisabledBkColor);
    } else if (name == L"hottextcolor") {
        (void)Markup::ParseColor(pstrValue, m_dwHotTextColor);
    } else if (name == L"pushedtextcolor") {
        (void)Markup::ParseColor(pstrValue, m_dwPushedTextColor);
    } else if (name == L"hotbordercolor") {
        (void)Markup::ParseColor(pstrValue, m_dwHotBorderColor);
    } else if (name == L"pushedbordercolor") {
        (void)Markup::ParseColor(pstrValue, m_dwPushedBorderColor);
    } else if (name == L"disabledbordercolor") {
        (void)Markup::ParseColor(pstrValue, m_dwDisabledBorderColor);
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

bool CButtonUI::IsHighlighted() const {
    return IsEnabled() && (m_bHot || m_bPushed || IsFocused() || IsDefault());
}

DWORD CButtonUI::CurrentBkColor() const {
    const DWORD skin = StateColor(m_dwBkColor, m_dwHotBkColor, m_dwPushedBkColor, m_dwDisabledBkColor);
    if (Theme::IsHighContrast() && IsHighlighted()) {
        return Theme::Color(Theme::Role::Highlight, skin);
    }
    return Theme::Color(Theme::Role::Window, skin);
}

DWORD CButtonUI::CurrentBorderColor() const {
    const DWORD skin = StateColor(m_dwBorderColor, m_dwHotBorderColor, m_dwPushedBorderColor, m_dwDisabledBorderColor);
    // In high contrast a button with text needs its outline: its background is the window's.
    if (Theme::IsHighContrast() && ((skin >> 24) != 0 || !m_sText.IsEmpty())) {
        return Theme::Color(IsEnabled() ? Theme::Role::Text : Theme::Role::GrayText, 0xFF000000);
    }
    return skin;
}

DWORD CButtonUI::CurrentTextColor() const {
    if (Theme::IsHighContrast() && IsHighlighted()) {
        return Theme::Color(Theme::Role::HighlightText, 0xFF000000);
    }
    // No disabled text colour of its own: the label's colours (disabled ones included) apply.
    return StateColor(CLabelUI::CurrentTextColor(), Theme::Color(Theme::Role::Text, m_dwHotTextColor),
                      Theme::Color(Theme::Role::Text, m_dwPushedTextColor), 0);
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
    if (Theme::IsHighContrast()) {
        // State images are looks of the skin's own; the theme's colours say the state here.
        for (const CDuiString* shape : {&m_sNormalImage, &m_sForeImage}) {
            if (!shape->IsEmpty()) {
                (void)DrawSilhouette(g, m_pManager, m_rcItem, *shape, CurrentTextColor());
            }
        }
        return;
    }
    if (!image->IsEmpty()) {
        (void)Render::DrawImage(g, m_pManager, m_rcItem, *image); // a missing image leaves the background
    }
    CLabelUI::PaintStatusImage(g); // the fore image, over the state image
}

} // namespace DuiLib
