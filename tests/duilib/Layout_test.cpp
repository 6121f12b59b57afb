#include "tests/duilib/ToolkitTest.h"

#include "duilib/UIMarkup.h"

#include <gtest/gtest.h>

#include <array>

using namespace DuiLib;

namespace {

const wchar_t* kAttributesSkin = LR"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,240" roundcorner="8,8" bkcolor="#FFFFFF">
    <Font id="0" name="Tahoma" size="14" default="true"/>
    <Font id="1" name="Tahoma" size="20" bold="true"/>
    <Style name="accent" value="bkcolor='#FF0067C0' textcolor='#FFFFFFFF' height='32'"/>
    <Default name="Button" value="borderround='4' width='96'"/>
    <VerticalLayout name="root" inset="24,0,24,24" childpadding="8">
        <Label name="title" text="IDS_HELLO" font="1" align="center" valign="bottom" textcolor="#1A1A1A" height="40"/>
        <Button name="ok" text="OK" style="accent" height="36"/>
        <Edit name="days" maxchar="3" numberonly="true" width="96"/>
        <Unknown name="skipped"><Button name="insideUnknown"/></Unknown>
    </VerticalLayout>
</Window>)";

const wchar_t* kGeometrySkin = LR"(<Window size="300,200">
    <VerticalLayout inset="10,10,10,10" childpadding="5">
        <Label name="label" height="20"/>
        <HorizontalLayout name="row" height="40">
            <Button name="left" width="50"/>
            <Control name="flex"/>
            <Button name="right" width="60" padding="5,0,0,0"/>
        </HorizontalLayout>
        <Container name="rest">
            <Control name="float" float="true" pos="10,10,30,40"/>
        </Container>
        <Label name="gone" height="30" visible="false"/>
    </VerticalLayout>
</Window>)";

// Skin, strings and language as every toolkit test has them.
using LayoutTest = ToolkitTest;

} // namespace

// What no other test shows through behaviour: sizes, geometry, colours, states and links are read
// back by the tests that lay out, draw and click them; string keys as texts and digits-only edits
// by the main window's tests.
TEST_F(LayoutTest, AttributesBecomeControlState) {
    TestWindow window(kAttributesSkin);
    ASSERT_NE(window.Open(), nullptr);
    CPaintManagerUI& pm = window.Pm();
    EXPECT_EQ(pm.GetRoundCorner().cx, 8);

    auto* title = static_cast<CLabelUI*>(pm.FindControl(L"title")->GetInterface(L"Label"));
    EXPECT_EQ(title->GetFont(), 1);
    EXPECT_EQ(title->GetTextColor(), 0xFF1A1A1Au);
    EXPECT_EQ(title->GetTextStyle(), Render::kAlignCenter | Render::kAlignBottom);

    // Class defaults first, then the style, then the element's own attributes in order.
    CControlUI* ok = pm.FindControl(L"ok");
    EXPECT_EQ(ok->GetFixedWidth(), 96);
    EXPECT_EQ(ok->GetFixedHeight(), 36);
    EXPECT_EQ(ok->GetBkColor(), 0xFF0067C0u);

    auto* days = static_cast<CEditUI*>(pm.FindControl(L"days")->GetInterface(L"Edit"));
    ASSERT_NE(days, nullptr);
    EXPECT_EQ(SendMessageW(days->GetNativeWindow(), EM_GETLIMITTEXT, 0, 0), 3);
    // Unknown elements are skipped with everything inside them.
    EXPECT_EQ(pm.FindControl(L"skipped"), nullptr);
    EXPECT_EQ(pm.FindControl(L"insideUnknown"), nullptr);
}

// What drawing does not show (tests/duilib/Render_test.cpp draws files, mirrors and places): the
// fade, a bare name with a blank, descriptions without a file, and colours a damaged skin may hold.
TEST_F(LayoutTest, ImageDescriptionsAndValues) {
    Render::ImageDesc desc;
    ASSERT_TRUE(Render::ParseImageDesc(L"file='drawable\\a.png' dest='1,2,3,4' reverse='true' fade='128'", desc));
    EXPECT_EQ(desc.fade, 128);
    ASSERT_TRUE(Render::ParseImageDesc(L"drawable\\a b.png", desc)); // nothing is kept from before
    EXPECT_EQ(desc.file, L"drawable\\a b.png");
    EXPECT_FALSE(desc.hasDest || desc.reverse || desc.fade != 255);
    EXPECT_FALSE(Render::ParseImageDesc(L"", desc));
    EXPECT_FALSE(Render::ParseImageDesc(L"dest='1,2,3,4'", desc));

    DWORD color = 0;
    EXPECT_TRUE(Markup::ParseColor(L"#800067C0", color));
    EXPECT_EQ(color, 0x800067C0u);
    EXPECT_FALSE(Markup::ParseColor(L"#12345", color));
    EXPECT_FALSE(Markup::ParseColor(L"#GG0000", color));
    // A malformed list keeps what came before the fault.
    const auto list = Markup::ParseAttributeList(L"a='1' b=\"two words\" c=3 d='4'");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].second, L"two words");
}

// Insets, child padding, fixed and flexible sizes, a hidden child that takes no space (the flexible
// container reaches the bottom inset) and a floating control, all scaled after a DPI change.
TEST_F(LayoutTest, RectanglesAt144DpiAfterDpiChange) {
    TestWindow window(kGeometrySkin);
    ASSERT_NE(window.Open(), nullptr);
    RECT suggested{100, 100, 550, 400};
    SendMessageW(window.GetHWND(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.Pm().GetDPI(), 144);
    RECT client{};
    GetClientRect(window.GetHWND(), &client);
    ASSERT_EQ(client.right, 450);
    ASSERT_EQ(client.bottom, 300);
    window.Pm().EnsureLayout();
    const struct {
        const wchar_t* name;
        std::array<LONG, 4> rect; // left, top, right, bottom
    } expected[] = {{L"label", {15, 15, 435, 45}}, {L"row", {15, 53, 435, 113}},    {L"left", {15, 53, 90, 113}},
                    {L"flex", {90, 53, 337, 113}}, {L"right", {345, 53, 435, 113}}, {L"rest", {15, 121, 435, 285}},
                    {L"float", {30, 136, 60, 181}}};
    for (const auto& e : expected) {
        const RECT r = window.Pm().FindControl(e.name)->GetPos();
        EXPECT_EQ((std::array<LONG, 4>{r.left, r.top, r.right, r.bottom}), e.rect) << e.name;
    }
    // A DPI of 0 (unknown) counts as 96.
    window.Pm().SetDPI(0);
    EXPECT_EQ(window.Pm().GetDPI(), 96);
    EXPECT_EQ(window.Pm().Scale(40), 40);
}

TEST_F(LayoutTest, SkinSizeIsScaledWhenTheWindowIsMade) {
    TestWindow window(kGeometrySkin);
    ASSERT_NE(window.Open(), nullptr);
    RECT rc{};
    GetWindowRect(window.GetHWND(), &rc);
    const int dpi = window.Pm().GetDPI();
    EXPECT_EQ(rc.right - rc.left, MulDiv(300, dpi, 96));
    EXPECT_EQ(rc.bottom - rc.top, MulDiv(200, dpi, 96));
}

TEST_F(LayoutTest, MissingOrBrokenSkinStillMakesAWindowAndControlsGoIntoContainersOnly) {
    TestWindow missing(L"layout\\does-not-exist.xml");
    ASSERT_NE(missing.Open(), nullptr);
    EXPECT_EQ(missing.initCount, 1);
    EXPECT_EQ(missing.Pm().FindControl(L"anything"), nullptr);

    CDialogBuilder builder;
    EXPECT_EQ(builder.Create(L"<Window><Label name='x'></Window>"), nullptr);
    EXPECT_NE(builder.GetLastErrorMessage().Find(L"XML"), -1);
    // Controls are built into containers only: a control that cannot hold children gets none,
    // rather than a tree nobody owns.
    CContainerUI box;
    ASSERT_NE(builder.Create(L"<Label name='a'/>", nullptr, nullptr, &box), nullptr);
    EXPECT_EQ(box.GetCount(), 1); // owned by the box from here
    CControlUI plain;
    EXPECT_EQ(builder.Create(L"<Label name='b'/>", nullptr, nullptr, &plain), nullptr);
    EXPECT_FALSE(builder.GetLastErrorMessage().IsEmpty());
}

// The edit's native box gets the skin's font even when it is declared after the edit (it must not
// keep a freed one), and a larger one when the DPI grows.
TEST_F(LayoutTest, FontDeclaredAfterAnEditReachesItsNativeBoxAndGrowsWithTheDpi) {
    TestWindow window(LR"(<Window size="200,100">
        <VerticalLayout><Edit name="e"/><Font id="1" name="Tahoma" size="20" default="true"/></VerticalLayout>
    </Window>)");
    ASSERT_NE(window.Open(), nullptr);
    window.Pm().SetDPI(96);
    auto* edit = static_cast<CEditUI*>(window.Pm().FindControl(L"e")->GetInterface(L"Edit"));
    ASSERT_NE(edit, nullptr);
    const auto height = [&] {
        LOGFONTW lf{};
        const auto font = reinterpret_cast<HFONT>(SendMessageW(edit->GetNativeWindow(), WM_GETFONT, 0, 0));
        return GetObjectW(font, sizeof(lf), &lf) > 0 ? std::abs(lf.lfHeight) : 0; // 0: a freed font
    };
    EXPECT_EQ(height(), 20);
    RECT suggested{0, 0, 300, 150};
    SendMessageW(window.GetHWND(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(height(), 30);
}
