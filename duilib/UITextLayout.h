// Text layout: reads link markup ({a}...{/a}, {b}...{/b}, {n}) into styled runs, breaks them into
// lines within a width (between words and between CJK characters; closing punctuation never starts
// a line; a word wider than the line is broken between characters) and places the lines in a
// rectangle. Widths come from a measuring function, so the line breaker itself needs no GDI+;
// LayoutText measures with GDI+ fonts.
#pragma once

#include "duilib/UIRender.h"

#include <functional>
#include <string>
#include <vector>

namespace DuiLib::Render {

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

// Width in pixels of `text` in the style of a run: a link's font, else bold or normal.
using MeasureText = std::function<float(const std::wstring& text, bool link, bool bold)>;

// Removes markup and returns the plain text (also used to tell whether text carries links).
std::wstring StripMarkup(const std::wstring& text, int* linkCount = nullptr);

// Breaks `text` into lines of `lineHeight` within `maxWidth` pixels (wrapping when `wrap`; a width
// of 0 or less does not wrap); with `markup` false braces are plain characters. Positions are
// relative to (0,0) and left aligned; alignment comes with PlaceLayout.
TextLayout BreakLines(const MeasureText& measure, float lineHeight, const std::wstring& text, float maxWidth, bool wrap,
                      bool markup);

// BreakLines measured with the fonts on `g`; the line height is the normal font's. Empty without
// a normal font.
TextLayout LayoutText(Gdiplus::Graphics& g, const TextFonts& fonts, const std::wstring& text, float maxWidth, bool wrap,
                      bool markup);

// Moves the runs into `rc` according to `align` (TextAlign flags).
void PlaceLayout(TextLayout& layout, const RECT& rc, UINT align);

} // namespace DuiLib::Render
