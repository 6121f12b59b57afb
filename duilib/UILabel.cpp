#include "duilib/UILabel.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"
#include "duilib/UITheme.h"

#include <cmath>
#include <functional>
#include <cwchar>

namespace DuiLib {

namespace {
void DrawRuns(Gdiplus::Graphics& g, const Render::TextLayout& layout, const Render::TextFonts& fonts,
              const std::function<DWORD(const Render::TextRun&)>& colorOf, const RECT& clip, float scale) {
    const Render::TypographicFormat format;
    Gdiplus::Region saved;
    g.GetClip(&saved);
    g.IntersectClip(Gdiplus::Rect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top));
    Gdiplus::RectF visible;
    const bool bounded = g.GetClipBounds(&visible) == Gdiplus::Ok;
    visible.Inflate(layout.lineHeight, layout.lineHeight); // glyphs may reach a little past their box
    for (const Render::TextRun& run : layout.runs) {
        // Only runs that can be seen go to GDI+, which fails on text reaching far outside the frame.
        if (bounded && !visible.IntersectsWith(run.box)) {
            continue;
        }
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
        (void)Markup::ParseColor(pstrValue, m_dwTextColor);
    } else if (name == L"disabledtextcolor") {
        (void)Markup::ParseColor(pstrValue, m_dwDisabledTextColor);
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
        return Theme::Color(Theme::Role::GrayText,
                            m_dwDisabledTextColor != 0
                                ? m_dwDisabledTextColor
                                : (m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFFA0A0A0));
    }
    return Theme::Color(Theme::Role::Text, m_dwTextColor != 0
                                               ? m_dwTextColor
                                               : (m_pManager ? m_pManager->GetDefaultTextColor() : 0xFF000000));
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

} // namespace DuiLib
