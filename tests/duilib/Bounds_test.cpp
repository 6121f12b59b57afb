#include "tests/duilib/ToolkitTest.h"

#include "duilib/UILimits.h"
#include "tests/support/BesideExe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace DuiLib;

namespace {

std::vector<std::wstring> g_reports;

// A PNG whose header claims 8192 x 8192 pixels (0x2000 each); what follows does not matter, as the
// size must be refused before anything is decoded.
const std::string kPngBomb("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x20\0\0\0\x20\0\x08\x06\0\0\0\0\0\0\0", 33);

class BoundsTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        g_reports.clear();
        Limits::SetReportSink([](const wchar_t* message) { g_reports.emplace_back(message); });
        Render::FlushImageCache(); // a refused image is reported when it is first asked for
    }
    void TearDown() override {
        Limits::SetReportSink(nullptr);
        ToolkitTest::TearDown();
    }
};

} // namespace

// Each skin asks for what once crashed the painter or expanded without end. The window must open,
// paint to the end (the green control is painted last) and say once what it left out.
TEST_F(BoundsTest, HostileSkinsOpenAndPaintWhatCanBeShown) {
    std::string fanout = "<Window>";
    for (int i = 0; i < 48; ++i) {
        fanout += "<Include source=\"fanout.xml\"/>";
    }
    BesideExeFiles files; // removed afterwards
    ASSERT_TRUE(
        files.Write(L"skin\\fanout.xml", fanout + "<Style name=\"green\" value=\"bkcolor='#FF00FF00'\"/></Window>"));
    ASSERT_TRUE(files.Write(L"skin\\drawable\\bomb.png", kPngBomb));
    const std::wstring green = LR"(<Control float="true" pos="150,10,190,50" bkcolor="#FF00FF00"/>)";
    const std::wstring longText = std::wstring(100000, L'W');
    std::wstring selfNaming;
    for (int i = 0; i < 9; ++i) {
        selfNaming += L"style='self' ";
    }
    const struct {
        const char* what;
        std::wstring body; // inside <Window><Container>
        std::wstring header = L"";
        const wchar_t* report = nullptr; // part of the one report, or none
    } cases[] = {
        {"huge font", L"<Label text=\"Huge\"/>" + green, L"<Font id=\"0\" size=\"30000\"/>", L"font 0 is 30000 px"},
        {"long text in a large font",
         L"<Label font=\"1\" text=\"" + longText + L"\"/><Text font=\"1\" text=\"" + longText + L"\"/>" + green,
         L"<Font id=\"1\" size=\"400\"/>"},
        {"huge rounded control",
         LR"(<Control float="true" pos="0,0,3000,60000" bkcolor="#FF0000FF" bordercolor="#FF000000" borderround="40"/>
             <Control float="true" pos="-2000,-2000,3000,3000" borderround="2500" bordercolor="#FF000000"/>)" +
             green},
        {"far-away focused button",
         LR"(<Button name="far" float="true" pos="30000,30000,30100,30040" text="Far" borderround="4"/>
             <Button name="near" float="true" pos="-99999,10,100,50" text="Near"/>)" +
             green},
        {"self-naming style", LR"(<Control style="self"/>)" + green,
         L"<Style name=\"self\" value=\"" + selfNaming + L"\"/>", L"256 style expansions"},
        {"include fan-out", LR"(<Control float="true" pos="150,10,190,50" style="green"/>)",
         LR"(<Include source="fanout.xml"/>)", L"64 includes"},
        {"unclosed markup", L"<Text text=\"" + std::wstring(80000, L'{') + L"\"/>" + green},
        {"image bomb",
         LR"(<Control float="true" pos="150,10,190,50" bkcolor="#FF00FF00" bkimage="drawable\bomb.png"/>)", L"",
         L"is 8192 x 8192 pixels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_reports.clear();
        TestWindow window(L"<Window size=\"200,100\">" + c.header + L"<Container>" + c.body + L"</Container></Window>");
        ASSERT_NE(window.Open(), nullptr);
        window.Pm().SetDPI(96);
        if (CControlUI* farButton = window.Pm().FindControl(L"far")) {
            window.Pm().SetFocus(farButton, true);
        }
        EXPECT_EQ(window.initCount, 1);
        EXPECT_EQ(PaintedPixel(window, 170, 30), 0xFF00FF00u);
        if (c.report != nullptr) {
            ASSERT_EQ(g_reports.size(), 1u);
            EXPECT_NE(g_reports[0].find(c.report), std::wstring::npos) << g_reports[0];
        } else {
            EXPECT_TRUE(g_reports.empty());
        }
    }
}

TEST_F(BoundsTest, WhatIsKeptIsBounded) {
    // A huge font is made at the largest size the toolkit draws, also at a high DPI.
    TestWindow window(LR"(<Window size="100,100"><Font id="0" size="6000"/><Label/></Window>)");
    ASSERT_NE(window.Open(), nullptr);
    for (int dpi : {96, 480}) {
        window.Pm().SetDPI(dpi);
        const Gdiplus::Font* font = window.Pm().GetTextFonts(0).normal;
        ASSERT_NE(font, nullptr);
        EXPECT_LE(font->GetSize(), static_cast<float>(dpi == 96 ? Limits::kMaxFontSize : Limits::kMaxFontPixels));
    }
    // The cache keeps a bounded number of images, also of missing ones.
    for (size_t i = 0; i <= Limits::kMaxCachedImages; ++i) {
        (void)Render::GetImage(SkinFolder() + L"none" + std::to_wstring(i) + L".png");
    }
    EXPECT_EQ(Render::ImageCacheSize(), Limits::kMaxCachedImages);
    // Positions far outside any screen are held where the layout's sums cannot overflow.
    CControlUI control;
    control.SetPos(RECT{-2147483647, 0, 2147483647, 10});
    EXPECT_EQ(control.GetPos().left, -Limits::kMaxCoordinate);
    EXPECT_EQ(control.GetPos().right, Limits::kMaxCoordinate);
}

TEST_F(BoundsTest, LongTextGoesToGdiplusInBoundedRuns) {
    const auto tenPixelsEach = [](const std::wstring& text, bool, bool) {
        return 10.0f * static_cast<float>(text.size());
    };
    // One word of 20000 px; and 80,000 '{' whose only '}' closes no tag stay text.
    for (const std::wstring& text : {std::wstring(2000, L'w'), std::wstring(80000, L'{') + L"}"}) {
        const Render::TextLayout layout = Render::BreakLines(tenPixelsEach, 10, text, 0, false, true);
        std::wstring drawn;
        for (const Render::TextRun& run : layout.runs) {
            EXPECT_LE(run.text.size(), Limits::kMaxRunChars);
            EXPECT_LE(run.box.Width, Limits::kMaxRunPixels);
            drawn += run.text;
        }
        // Nothing is lost up to where no control reaches.
        EXPECT_EQ(drawn, text.substr(0, drawn.size()));
        EXPECT_GE(static_cast<float>(drawn.size()) * 10, std::min(10.0f * static_cast<float>(text.size()), 32767.0f));
    }
}
