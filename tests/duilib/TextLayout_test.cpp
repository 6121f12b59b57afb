#include "duilib/UIlib.h"

#include <gtest/gtest.h>

#include <vector>

using namespace DuiLib;

namespace {

// Every character 10 px wide, so the expected lines can be worked out by hand.
float TenPixelsEach(const std::wstring& text, bool /*link*/, bool /*bold*/) {
    return 10.0f * static_cast<float>(text.size());
}

std::vector<std::wstring> LinesOf(const Render::TextLayout& layout) {
    std::vector<std::wstring> lines(layout.lineWidths.size());
    for (const Render::TextRun& run : layout.runs) {
        lines[static_cast<size_t>(run.line)] += run.text;
    }
    return lines;
}

struct BreakCase {
    const wchar_t* text;
    float maxWidth;
    bool wrap;
    std::vector<std::wstring> lines;
    float width; // widest line, trailing spaces not counted
};

} // namespace

TEST(LineBreaker, BreaksOnlyWhereALineMayEnd) {
    const BreakCase cases[] = {
        // Between words; the space stays at the end of the line it follows.
        {L"alpha beta gamma", 100, true, {L"alpha beta ", L"gamma"}, 100},
        {L"alpha beta gamma", 100, false, {L"alpha beta gamma"}, 160},
        {L"alpha beta", 0, true, {L"alpha beta"}, 100}, // no width: no wrapping
        // Between CJK characters, but a closing comma stays on the line before it.
        {L"\u4E00\u4E8C\u4E09\uFF0C\u56DB", 30, true, {L"\u4E00\u4E8C\u4E09\uFF0C", L"\u56DB"}, 40},
        // A word wider than the line is broken between characters.
        {L"abcdefgh", 30, true, {L"abc", L"def", L"gh"}, 30},
        {L"a{n}b\nc", 100, true, {L"a", L"b", L"c"}, 10},
        {L"{b}bold{/b} {a}link{/a}", 1000, true, {L"bold link"}, 90},
        {L"{n}x", 1000, true, {L"", L"x"}, 10},
    };
    for (const BreakCase& c : cases) {
        const Render::TextLayout layout = Render::BreakLines(&TenPixelsEach, 16, c.text, c.maxWidth, c.wrap, true);
        EXPECT_EQ(LinesOf(layout), c.lines) << c.text;
        EXPECT_FLOAT_EQ(layout.width, c.width) << c.text;
        EXPECT_FLOAT_EQ(layout.height, 16.0f * static_cast<float>(c.lines.size())) << c.text;
    }
}

// With fonts on a real surface: markup read only when asked for, wrapping only when asked for.
TEST(TextLayout, MarkupLinksAndLiteralBraces) {
    int links = 0;
    EXPECT_EQ(Render::StripMarkup(L"See {a}terms{/a}, {b}bold{/b} and {a}privacy{/a} {x} {", &links),
              L"See terms, bold and privacy {x} {");
    EXPECT_EQ(links, 2);
    CPaintManagerUI pm;
    Gdiplus::Graphics* g = pm.GetMeasureGraphics();
    const Render::TextLayout plain = Render::LayoutText(*g, pm.GetTextFonts(-1), L"{a}x{/a}", 1000, true, false);
    ASSERT_EQ(plain.runs.size(), 1u);
    EXPECT_EQ(plain.runs[0].text, L"{a}x{/a}");
    EXPECT_EQ(plain.runs[0].link, -1);
    EXPECT_EQ(Render::LayoutText(*g, pm.GetTextFonts(-1), L"alpha beta gamma", 10, false, true).lineWidths.size(), 1u);
}
