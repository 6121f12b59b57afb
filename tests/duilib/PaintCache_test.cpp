#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace DuiLib;

namespace {

const wchar_t* kCacheSkin = LR"(<Window size="200,120" bkcolor="#FFFFFF">
    <Container>
        <Label name="label" float="true" pos="10,10,190,40" text="Before" textcolor="#FF000000"/>
        <Button name="button" float="true" pos="10,60,90,90" bkcolor="#FF0067C0" disabledbkcolor="#FFC5C5C5"/>
    </Container>
</Window>)";

// A control that counts how often it is drawn.
struct CountedControl : CControlUI {
    void PaintBkColor(Gdiplus::Graphics& g) override {
        ++paints;
        CControlUI::PaintBkColor(g);
    }
    int paints = 0;
};

std::vector<DWORD> Frame(TestWindow& window) {
    std::vector<DWORD> pixels;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 200; ++x) {
            pixels.push_back(window.Pm().GetPaintedPixel(POINT{x, y}));
        }
    }
    return pixels;
}

} // namespace

// The window's bitmap is kept: a paint Windows asks for alone copies it, a control that changed is
// drawn again alone, and what the window then shows is what a paint from scratch would show.
TEST_F(ToolkitTest, BackBufferDrawsAgainOnlyWhatChanged) {
    TestWindow window{kCacheSkin};
    ASSERT_NE(window.Open(), nullptr);
    auto owned = std::make_unique<CountedControl>();
    CountedControl* counted = owned.get();
    counted->SetAttribute(L"float", L"true");
    counted->SetAttribute(L"pos", L"120,60,190,90");
    counted->SetBkColor(0xFF00A000);
    ASSERT_TRUE(static_cast<CContainerUI*>(window.Pm().GetRoot())->Add(owned.release()));
    UpdateWindow(window.GetHWND());
    const struct {
        const char* change;
        std::function<void()> make;
        int paints; // of the counted control
    } cases[] = {
        {"window uncovered", [&] { InvalidateRect(window.GetHWND(), nullptr, FALSE); }, 0},
        {"label's text", [&] { window.Pm().FindControl(L"label")->SetText(L"After"); }, 0},
        {"button disabled", [&] { window.Pm().FindControl(L"button")->SetEnabled(false); }, 0},
        {"counted control's colour", [&] { counted->SetBkColor(0xFFA00000); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        const int before = counted->paints;
        c.make();
        UpdateWindow(window.GetHWND());
        EXPECT_EQ(counted->paints - before, c.paints);
        const std::vector<DWORD> repainted = Frame(window);
        ASSERT_TRUE(window.Pm().Render());
        EXPECT_EQ(repainted, Frame(window));
    }
}
