#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

using namespace DuiLib;

namespace {

const wchar_t* kRenderSkin = LR"(<Window size="200,120" bkcolor="#FFFFFF">
    <Container>
        <Button name="button" float="true" pos="10,10,90,40" bkcolor="#FF0067C0" hotbkcolor="#FF1975C5" pushedbkcolor="#FF005A9E" disabledbkcolor="#FFC5C5C5"/>
        <Control name="image" float="true" pos="100,10,120,20" bkimage="drawable\halves.png"/>
        <Control name="mirrored" float="true" pos="100,30,120,40" bkimage="file='drawable\halves.png' reverse='true'"/>
        <Control name="placed" float="true" pos="130,10,190,40" bkimage="file='drawable\halves.png' dest='20,10,40,20'"/>
        <Control name="missing" float="true" pos="130,50,190,60" bkcolor="#FF00FF00" bkimage="drawable\none.png"/>
    </Container>
</Window>)";

class RenderTest : public OpenWindowTest {
protected:
    RenderTest() : OpenWindowTest(kRenderSkin) {}
};

} // namespace

TEST_F(RenderTest, ButtonLookFollowsItsState) {
    const POINT centre = driver.Centre(L"button");
    EXPECT_EQ(Pixel(centre.x, centre.y), 0xFF0067C0u);
    driver.MouseMove(centre);
    EXPECT_EQ(Pixel(centre.x, centre.y), 0xFF1975C5u);
    driver.MouseDown(centre);
    EXPECT_EQ(Pixel(centre.x, centre.y), 0xFF005A9Eu);
    driver.MouseUp(centre);
    driver.Control(L"button")->SetEnabled(false);
    EXPECT_EQ(Pixel(centre.x, centre.y), 0xFFC5C5C5u);
}

// A PNG's alpha blends over the background, "reverse" mirrors it, "dest" places it (scaled with the
// DPI), and a missing one leaves the background and is not looked for again.
TEST_F(RenderTest, ImagesBlendMirrorPlaceAndScaleAndMissingOnesAreNotRetried) {
    EXPECT_EQ(Pixel(102, 15), 0xFFFF0000u); // opaque red half
    const DWORD blended = Pixel(117, 15);   // 50 % blue over white
    EXPECT_NEAR(static_cast<int>((blended >> 16) & 0xFF), 128, 3);
    EXPECT_NEAR(static_cast<int>((blended >> 8) & 0xFF), 128, 3);
    EXPECT_EQ(blended & 0xFF, 0xFFu);
    EXPECT_EQ(Pixel(117, 35), 0xFFFF0000u); // mirrored: red now on the right
    EXPECT_NE(Pixel(102, 35), 0xFFFF0000u);
    // dest 20,10,40,20 inside the control at 130,10: red from x 150 to 160, nothing above y 20.
    EXPECT_EQ(Pixel(152, 25), 0xFFFF0000u);
    EXPECT_EQ(Pixel(152, 15), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(145, 25), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(160, 55), 0xFF00FF00u);
    const size_t cached = Render::ImageCacheSize();
    Pixel(160, 55);
    EXPECT_EQ(Render::ImageCacheSize(), cached);

    RECT suggested{0, 0, 400, 240};
    SendMessageW(window.GetHWND(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    // The placed image: dest 20,10,40,20 at 200 % is 40,20,80,40 inside the control at 260,20.
    EXPECT_EQ(Pixel(305, 50), 0xFFFF0000u);
    EXPECT_EQ(Pixel(295, 50), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(305, 35), 0xFFFFFFFFu);
    const std::wstring folder = CPaintManagerUI::GetResourcePath().str();
    EXPECT_FLOAT_EQ(Render::GetImage(folder + L"drawable\\halves@2x.png").drawnScale, 2.0f);
    EXPECT_FLOAT_EQ(Render::GetImage(folder + L"drawable\\halves.png").drawnScale, 1.0f);
    // A loaded image keeps no file open: the skin can be replaced while the program runs.
    const std::wstring copy = folder + L"drawable\\halves-copy.png";
    ASSERT_TRUE(CopyFileW((folder + L"drawable\\halves.png").c_str(), copy.c_str(), FALSE));
    const Render::CachedImage image = Render::GetImage(copy);
    ASSERT_NE(image.bitmap, nullptr);
    EXPECT_EQ(image.bitmap->GetWidth(), 20u);
    EXPECT_TRUE(DeleteFileW(copy.c_str()));
}

TEST_F(RenderTest, WrappedTextStaysInsideItsWidth) {
    TestWindow text(LR"(<Window size="200,200"><VerticalLayout>
        <Text name="t" width="120" autoheight="true" text="One two three four five six seven eight nine ten {a}a link{/a} &#x65E5;&#x672C;&#x8A9E;&#x306E;&#x6587;&#x7AE0;&#x3082;&#x6298;&#x308A;&#x8FD4;&#x3059;"/>
        <Label name="after" height="10"/>
    </VerticalLayout></Window>)");
    ASSERT_NE(text.Open(), nullptr);
    text.Pm().SetDPI(96);
    text.Pm().EnsureLayout();
    CControlUI* t = text.Pm().FindControl(L"t");
    const RECT rc = t->GetPos();
    // Several lines, and the next control starts below them.
    EXPECT_GT(rc.bottom - rc.top, 60);
    EXPECT_EQ(text.Pm().FindControl(L"after")->GetPos().top, rc.bottom);
    auto* asText = static_cast<CTextUI*>(t->GetInterface(L"Text"));
    const RECT link = asText->GetFocusRect();
    EXPECT_LE(link.right, rc.right + 1);
    EXPECT_GT(link.top, rc.top); // the link wrapped below the first line
}
