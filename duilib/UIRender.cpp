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

namespace {

// The part of `rc` worth handing to GDI+: false when none of it lies in the clip; otherwise `r` is
// `rc` with every edge that lies farther than `margin` outside the clip moved in to that distance,
// so shapes far larger than the window (whose paths overflow GDI+'s stack) become window-sized.
// With a margin past the corners' reach, what is moved is never seen.
bool VisiblePart(Gdiplus::Graphics& g, const RECT& rc, float margin, Gdiplus::RectF& r) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) {
        return false;
    }
    r = Gdiplus::RectF(static_cast<float>(rc.left), static_cast<float>(rc.top), static_cast<float>(rc.right - rc.left),
                       static_cast<float>(rc.bottom - rc.top));
    Gdiplus::RectF clip;
    if (g.GetClipBounds(&clip) != Gdiplus::Ok) {
        return true;
    }
    if (!clip.IntersectsWith(r)) {
        return false;
    }
    clip.Inflate(margin, margin);
    return Gdiplus::RectF::Intersect(r, r, clip) != FALSE;
}

// The corner radius a rectangle of this size can take.
float FittingRadius(const RECT& rc, float radius) {
    return std::min(radius, static_cast<float>(std::min(rc.right - rc.left, rc.bottom - rc.top)) / 2);
}

} // namespace

void FillRect(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float radius) {
    Gdiplus::RectF r;
    const float fit = FittingRadius(rc, radius);
    if ((argb >> 24) == 0 || !VisiblePart(g, rc, 2 * fit + 2, r)) {
        return;
    }
    Gdiplus::SolidBrush brush(ToColor(argb));
    if (radius <= 0.5f) {
        g.FillRectangle(&brush, r);
        return;
    }
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, fit);
    g.FillPath(&brush, &path);
}

void DrawBorder(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float width, float radius) {
    Gdiplus::RectF r;
    const float fit = FittingRadius(rc, radius);
    if ((argb >> 24) == 0 || width <= 0 || !VisiblePart(g, rc, 2 * fit + 2 * width + 2, r)) {
        return;
    }
    Gdiplus::Pen pen(ToColor(argb), width);
    const float half = width / 2;
    r.Inflate(-half, -half);
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, std::max(0.0f, fit - half));
    g.DrawPath(&pen, &path);
}

TypographicFormat::TypographicFormat() : m_format(Gdiplus::StringFormat::GenericTypographic()) {
    m_format.SetFormatFlags(m_format.GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                            Gdiplus::StringFormatFlagsNoWrap);
}

} // namespace DuiLib::Render
