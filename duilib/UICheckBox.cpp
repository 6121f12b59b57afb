#include "duilib/UICheckBox.h"

#include "duilib/UIManager.h"
#include "duilib/UIRender.h"
#include "duilib/UITheme.h"

#include <cwchar>

namespace DuiLib {

namespace {
// The box, in 96-DPI pixels: 20 wide with 4 px corners, and the gap before the text.
constexpr int kBox = 20;
constexpr int kGap = 8;
constexpr float kCorner = 4.0F;
} // namespace

CCheckBoxUI::CCheckBoxUI() {
    m_uTextStyle = Render::kAlignLeft | Render::kAlignVCenter;
    m_rcTextPadding = RECT{kBox + kGap, 0, 0, 0};
}

const wchar_t* CCheckBoxUI::GetClass() const {
    return L"CheckBox";
}

void* CCheckBoxUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"CheckBox") == 0 ? this : CButtonUI::GetInterface(pstrName);
}

void CCheckBoxUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    if (wcscmp(pstrName, L"selected") == 0) {
        Selected(wcscmp(pstrValue, L"true") == 0);
    } else {
        CButtonUI::SetAttribute(pstrName, pstrValue);
    }
}

void CCheckBoxUI::Selected(bool selected) {
    if (m_bSelected != selected) {
        m_bSelected = selected;
        Invalidate();
    }
}

void CCheckBoxUI::Activate() {
    if (IsEnabled()) {
        Selected(!m_bSelected);
    }
    CButtonUI::Activate();
}

void CCheckBoxUI::DoEvent(TEventUI& event) {
    // A release inside the box that was pressed turns it over before the click is reported.
    if (event.Type == UIEVENT_BUTTONUP && m_bPressing && PtInRect(&m_rcItem, event.ptMouse) && IsEnabled()) {
        Selected(!m_bSelected);
    }
    CButtonUI::DoEvent(event);
}

DWORD CCheckBoxUI::CurrentBorderColor() const {
    return Theme::Color(Theme::Role::Text, m_dwBorderColor); // a plain control's outline, usually none
}

void CCheckBoxUI::PaintStatusImage(Gdiplus::Graphics& g) {
    if (m_pManager == nullptr) {
        return;
    }
    const int size = m_pManager->Scale(kBox);
    const int top = (m_rcItem.top + m_rcItem.bottom - size) / 2;
    const RECT box{m_rcItem.left, top, m_rcItem.left + size, top + size};
    const float corner = m_pManager->ScaleF(kCorner);
    const bool contrast = Theme::IsHighContrast();
    const bool hot = (m_bHot || m_bPushed) && IsEnabled();
    DWORD fill = 0;
    DWORD border = 0;
    if (!IsEnabled()) {
        fill = m_bSelected ? 0xFFC5C5C5 : 0xFFF5F5F5;
        border = contrast ? Theme::Color(Theme::Role::GrayText, 0) : 0xFFC5C5C5;
    } else if (m_bSelected) {
        fill = contrast ? Theme::Color(Theme::Role::Highlight, 0) : (hot ? 0xFF1975C5 : 0xFF0067C0);
        border = fill;
    } else {
        fill = contrast ? Theme::Color(Theme::Role::Window, 0xFFFFFFFF) : (hot ? 0xFFF3F3F3 : 0xFFFFFFFF);
        border = contrast ? Theme::Color(Theme::Role::Text, 0) : 0xFF8A8A8A;
    }
    Render::FillRect(g, box, fill, corner);
    Render::DrawBorder(g, box, border, m_pManager->ScaleF(1.0F), corner);
    if (!m_bSelected) {
        return;
    }
    // The tick: two strokes from the left middle down to the bottom third and up to the right.
    const auto x = [&](float f) { return static_cast<float>(box.left) + f * static_cast<float>(size); };
    const auto y = [&](float f) { return static_cast<float>(box.top) + f * static_cast<float>(size); };
    const DWORD tick = contrast ? Theme::Color(Theme::Role::HighlightText, 0xFFFFFFFF) : 0xFFFFFFFF;
    Gdiplus::Pen pen(Render::ToColor(tick), m_pManager->ScaleF(1.75F));
    pen.SetLineJoin(Gdiplus::LineJoinRound);
    pen.SetStartCap(Gdiplus::LineCapRound);
    pen.SetEndCap(Gdiplus::LineCapRound);
    const Gdiplus::PointF points[] = {{x(0.27F), y(0.52F)}, {x(0.43F), y(0.68F)}, {x(0.74F), y(0.34F)}};
    g.DrawLines(&pen, points, 3);
}

} // namespace DuiLib
