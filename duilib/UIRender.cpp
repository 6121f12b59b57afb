#include "duilib/UIRender.h"

namespace DuiLib::Render {

void PrepareGraphics(Gdiplus::Graphics& g) {
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
}

Gdiplus::Color ToColor(DWORD argb) {
    return Gdiplus::Color(static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8),
                          static_cast<BYTE>(argb));
}

void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, float radius) {
    radius = std::min(radius, std::min(r.Width, r.Height) / 2);
    if (radius <= 0.5f) {
        path.AddRectangle(r);
        return;
    }
    const float d = radius * 2;
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.GetRight() - d, r.Y, d, d, 270, 90);
    path.AddArc(r.GetRight() - d, r.GetBottom() - d, d, d, 0, 90);
    path.AddArc(r.X, r.GetBottom() - d, d, d, 90, 90);
    path.CloseFigure();
}

void FillRect(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float radius) {
    if ((argb >> 24) == 0 || rc.right <= rc.left || rc.bottom <= rc.top) {
        return;
    }
    Gdiplus::SolidBrush brush(ToColor(argb));
    const Gdiplus::RectF r(static_cast<float>(rc.left), static_cast<float>(rc.top),
                           static_cast<float>(rc.right - rc.left), static_cast<float>(rc.bottom - rc.top));
    if (radius <= 0.5f) {
        g.FillRectangle(&brush, r);
        return;
    }
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, radius);
    g.FillPath(&brush, &path);
}

void DrawBorder(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float width, float radius) {
    if ((argb >> 24) == 0 || width <= 0 || rc.right <= rc.left || rc.bottom <= rc.top) {
        return;
    }
    Gdiplus::Pen pen(ToColor(argb), width);
    const float half = width / 2;
    const Gdiplus::RectF r(static_cast<float>(rc.left) + half, static_cast<float>(rc.top) + half,
                           static_cast<float>(rc.right - rc.left) - width,
                           static_cast<float>(rc.bottom - rc.top) - width);
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, std::max(0.0f, radius - half));
    g.DrawPath(&pen, &path);
}

TypographicFormat::TypographicFormat() : m_format(Gdiplus::StringFormat::GenericTypographic()) {
    m_format.SetFormatFlags(m_format.GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                            Gdiplus::StringFormatFlagsNoWrap);
}

} // namespace DuiLib::Render
