// Drawing primitives of the toolkit on GDI+: colours, filled and outlined rounded rectangles, the
// settings every Graphics is prepared with, and the one string format text is measured and drawn
// with. Images are in UIImage.h, text layout in UITextLayout.h.
#pragma once

#include <windows.h>
// GDI+ needs these names visible; the build defines NOMINMAX for the rest of the program.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

namespace DuiLib::Render {

// Anti-aliased shapes, high-quality image scaling and ClearType text. Measuring and painting must
// use the same text hint, or wrapped lines differ between the two.
void PrepareGraphics(Gdiplus::Graphics& g);

Gdiplus::Color ToColor(DWORD argb);
// A 32-bit top-down DIB section of cx x cy pixels for `dc`, its pixels at `*bits`; null on failure.
[[nodiscard]] HBITMAP CreatePixelBitmap(HDC dc, int cx, int cy, DWORD** bits);
void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, float radius);
// Shapes are drawn only where they meet the graphics' clip (nothing when they miss it), and a
// shape far larger than the clip is cut down to it first.
void FillRect(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float radius);
// Outlines inside rc with the given pen width.
void DrawBorder(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float width, float radius);

// The format text runs are measured and drawn with (typographic, trailing spaces counted, no
// wrapping): one format for both, so a run is drawn exactly as wide as it was measured. Made where
// it is used, so no GDI+ object outlives the GDI+ session.
class TypographicFormat {
public:
    TypographicFormat();
    TypographicFormat(const TypographicFormat&) = delete;
    TypographicFormat& operator=(const TypographicFormat&) = delete;

    [[nodiscard]] const Gdiplus::StringFormat* get() const { return &m_format; }

private:
    Gdiplus::StringFormat m_format;
};

} // namespace DuiLib::Render
