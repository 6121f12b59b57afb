#include "duilib/UIRender.h"

#include <cmath>
#include <memory>

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

HBITMAP CreatePixelBitmap(HDC dc, int cx, int cy, DWORD** bits) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy; // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = bitmap != nullptr ? static_cast<DWORD*>(pixels) : nullptr;
    return bitmap;
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

// Fills `piece`, drawn for the top-left corner with that corner at the origin, in each of the
// four corners of `r`.
void FillMirrored(Gdiplus::Graphics& g, Gdiplus::Brush& brush, const Gdiplus::GraphicsPath& piece,
                  const Gdiplus::RectF& r) {
    const float sx[] = {1, -1, 1, -1};
    const float sy[] = {1, 1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        std::unique_ptr<Gdiplus::GraphicsPath> mirrored(piece.Clone());
        const Gdiplus::Matrix place(sx[i], 0, 0, sy[i], sx[i] > 0 ? r.X : r.GetRight(),
                                    sy[i] > 0 ? r.Y : r.GetBottom());
        if (mirrored && mirrored->Transform(&place) == Gdiplus::Ok) {
            g.FillPath(&brush, mirrored.get());
        }
    }
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
    // The ring a pen of this width would stroke along the middle of the edge, filled instead: four
    // straight sides and four corner pieces. Under Wine, GDI+ rasterises an anti-aliased path over
    // its whole bounding box, so one outline around a window cost more than everything inside it;
    // in pieces only the corners are paths, each as small as its radius.
    Gdiplus::SolidBrush brush(ToColor(argb));
    const float corner = std::ceil(fit);
    if (fit <= width + 0.5f || r.Width <= 2 * corner || r.Height <= 2 * corner) {
        Gdiplus::GraphicsPath path(Gdiplus::FillModeAlternate);
        AddRoundRect(path, r, fit);
        Gdiplus::RectF inner = r;
        inner.Inflate(-width, -width);
        if (inner.Width > 0 && inner.Height > 0) {
            AddRoundRect(path, inner, std::max(0.0f, fit - width));
        }
        g.FillPath(&brush, &path);
        return;
    }
    // The top-left corner piece with the outer corner at the origin, mirrored into the others.
    // It reaches to whole pixels (`corner`), where the straight sides begin without a seam.
    const float inner = fit - width;
    Gdiplus::GraphicsPath piece;
    piece.AddArc(0.0f, 0.0f, 2 * fit, 2 * fit, 180, 90);
    piece.AddLine(fit, 0.0f, corner, 0.0f);
    piece.AddLine(corner, 0.0f, corner, width);
    piece.AddLine(corner, width, fit, width);
    piece.AddArc(width, width, 2 * inner, 2 * inner, 270, -90);
    piece.AddLine(width, fit, width, corner);
    piece.AddLine(width, corner, 0.0f, corner);
    piece.CloseFigure();
    FillMirrored(g, brush, piece, r);
    g.FillRectangle(&brush, r.X + corner, r.Y, r.Width - 2 * corner, width);
    g.FillRectangle(&brush, r.X + corner, r.GetBottom() - width, r.Width - 2 * corner, width);
    g.FillRectangle(&brush, r.X, r.Y + corner, width, r.Height - 2 * corner);
    g.FillRectangle(&brush, r.GetRight() - width, r.Y + corner, width, r.Height - 2 * corner);
}

TypographicFormat::TypographicFormat() : m_format(Gdiplus::StringFormat::GenericTypographic()) {
    m_format.SetFormatFlags(m_format.GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                            Gdiplus::StringFormatFlagsNoWrap);
}

} // namespace DuiLib::Render
