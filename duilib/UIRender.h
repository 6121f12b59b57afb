// Drawing services of the toolkit: GDI+ start-up, the process-wide image cache, image descriptions
// ("file='x.png' dest='l,t,r,b' source='l,t,r,b' reverse='true' fade='128'" or a bare file name),
// filled and outlined rounded rectangles, and the text layout that wraps and aligns text carrying
// link markup ({a}...{/a}, {b}...{/b}, {n}) and records where every link was drawn.
#pragma once

#include <windows.h>
// GDI+ needs these names visible; the build defines NOMINMAX for the rest of the program.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

#include "common/UniqueHandle.h"

#include <string>
#include <vector>

namespace DuiLib {

class CPaintManagerUI;

namespace Render {

// Starts GDI+ once for the process; true when it is usable.
bool EnsureGdiplus();

struct ImageDesc {
    std::wstring file;
    RECT dest{}; // 96-DPI units relative to the control; used when hasDest
    bool hasDest = false;
    RECT source{}; // pixels of the image file; used when hasSource
    bool hasSource = false;
    bool reverse = false; // mirrored left to right
    BYTE fade = 255;
};

// A bare name or an attribute list; false when no file is named.
bool ParseImageDesc(const wchar_t* text, ImageDesc& desc);

struct CachedImage {
    Gdiplus::Bitmap* bitmap = nullptr;
    // The scale the file was drawn for, from its name: "@1.5x" and "@2x"; 1 otherwise.
    float drawnScale = 1.0f;
};

// Loads (once) and returns an image by full path; null bitmap when the file is missing or unreadable.
CachedImage GetImage(const std::wstring& fullPath);
// Forgets every cached image (tests, skin reloads).
void FlushImageCache();
// Number of images currently held by the cache.
size_t ImageCacheSize();

// Draws an image description into the control rectangle `rc` (pixels). Without dest the image is
// stretched over the control. False when the image cannot be drawn.
bool DrawImage(Gdiplus::Graphics& g, CPaintManagerUI* manager, const RECT& rc, const wchar_t* description);

Gdiplus::Color ToColor(DWORD argb);
void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, float radius);
void FillRect(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float radius);
// Outlines inside rc with the given pen width.
void DrawBorder(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float width, float radius);

// ---- text with markup ----------------------------------------------------------------------

struct TextRun {
    std::wstring text;
    Gdiplus::RectF box; // position in the layout, pixels
    int link = -1;      // index of the link this run belongs to, -1 for plain text
    bool bold = false;
    int line = 0;
};

struct TextLayout {
    std::vector<TextRun> runs;
    std::vector<float> lineWidths;
    float lineHeight = 0;
    float width = 0;
    float height = 0;
};

enum TextAlign : UINT {
    kAlignLeft = 0,
    kAlignCenter = 1,
    kAlignRight = 2,
    kAlignTop = 0,
    kAlignVCenter = 4,
    kAlignBottom = 8,
};

struct TextFonts {
    Gdiplus::Font* normal = nullptr;
    Gdiplus::Font* bold = nullptr;
    Gdiplus::Font* link = nullptr; // for link runs; their underline is drawn separately
};

// The format text runs are measured and drawn with (typographic, trailing spaces counted, no
// wrapping): one format for both, so a run is drawn exactly as wide as it was measured.
Gdiplus::StringFormat& TypographicFormat();

// Removes markup and returns the plain text (also used to tell whether text carries links).
std::wstring StripMarkup(const std::wstring& text, int* linkCount = nullptr);

// Lays out `text` within `maxWidth` pixels (wrapping when `wrap`); with `markup` false braces are
// plain characters. Positions are relative to (0,0) and left aligned; alignment comes at drawing.
TextLayout LayoutText(Gdiplus::Graphics& g, const TextFonts& fonts, const std::wstring& text, float maxWidth, bool wrap,
                      bool markup);

// Moves the runs into `rc` according to `align` (TextAlign flags) and returns the moved layout.
void PlaceLayout(TextLayout& layout, const RECT& rc, UINT align);

} // namespace Render
} // namespace DuiLib
