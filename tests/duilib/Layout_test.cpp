#include "tests/duilib/ToolkitTest.h"

#include "duilib/UIMarkup.h"

#include <gtest/gtest.h>

using namespace DuiLib;

namespace {

const wchar_t* kAttributesSkin = LR"(<?xml version="1.0" encoding="utf-8"?>
<Window size="320,240" caption="0,0,0,40" roundcorner="8,8" bkcolor="#FFFFFF">
    <Font id="0" name="Tahoma" size="14" default="true"/>
    <Font id="1" name="Tahoma" size="20" bold="true"/>
    <Style name="accent" value="bkcolor='#FF0067C0' textcolor='#FFFFFFFF' height='32'"/>
    <Default name="Button" value="borderround='4' width='96'"/>
    <VerticalLayout name="root" inset="24,0,24,24" childpadding="8">
        <Label name="title" text="IDS_HELLO" font="1" align="center" valign="bottom" textcolor="#1A1A1A" height="40"/>
        <Label name="hidden" text="plain text" visible="false" padding="1,2,3,4"/>
        <Button name="ok" text="OK" style="accent" height="36" default="true" enabled="false"/>
        <Edit name="days" maxchar="3" numberonly="true" width="96"/>
        <Text name="links" text="Read {a}one{/a} and {a}two{/a}."/>
        <Container name="box" bkimage="file='drawable\dot.png' dest='1,2,3,4' reverse='true'">
            <Control name="floating" float="true" pos="10,10,30,40"/>
        </Container>
        <Unknown name="skipped"><Button name="insideUnknown"/></Unknown>
    </VerticalLayout>
</Window>)";

// Skin, strings and language as every toolkit test has them.
using LayoutTest = ToolkitTest;

} // namespace

TEST_F(LayoutTest, AttributesBecomeControlState) {
    TestWindow window(kAttributesSkin);
    ASSERT_NE(window.Open(), nullptr);
    CPaintManagerUI& pm = window.Pm();
    EXPECT_EQ(window.initCount, 1);
    EXPECT_EQ(pm.GetInitSize().cx, 320);
    EXPECT_EQ(pm.GetCaptionRect().bottom, 40);
    EXPECT_EQ(pm.GetRoundCorner().cx, 8);

    auto* title = static_cast<CLabelUI*>(pm.FindControl(L"title")->GetInterface(L"Label"));
    EXPECT_EQ(title->GetText(), L"Hello"); // a key in a layout is looked up
    EXPECT_EQ(title->GetFont(), 1);
    EXPECT_EQ(title->GetTextColor(), 0xFF1A1A1Au);
    EXPECT_EQ(title->GetTextStyle(), Render::kAlignCenter | Render::kAlignBottom);
    EXPECT_EQ(title->GetFixedHeight(), 40);

    CControlUI* hidden = pm.FindControl(L"hidden");
    EXPECT_FALSE(hidden->IsVisible());
    EXPECT_EQ(hidden->GetText(), L"plain text");
    EXPECT_EQ(hidden->GetPadding().bottom, 4);

    // Class defaults first, then the style, then the element's own attributes in order.
    CControlUI* ok = pm.FindControl(L"ok");
    EXPECT_EQ(ok->GetFixedWidth(), 96);
    EXPECT_EQ(ok->GetFixedHeight(), 36);
    EXPECT_EQ(ok->GetBkColor(), 0xFF0067C0u);
    EXPECT_TRUE(ok->IsDefault());
    EXPECT_FALSE(ok->IsEnabled());

    auto* days = static_cast<CEditUI*>(pm.FindControl(L"days")->GetInterface(L"Edit"));
    ASSERT_NE(days, nullptr);
    EXPECT_TRUE(days->IsNumberOnly());
    EXPECT_EQ(SendMessageW(days->GetNativeWindow(), EM_GETLIMITTEXT, 0, 0), 3);

    auto* links = static_cast<CTextUI*>(pm.FindControl(L"links")->GetInterface(L"Text"));
    EXPECT_EQ(links->GetLinkCount(), 2);

    EXPECT_EQ(pm.FindControl(L"box")->GetBkImage(), L"file='drawable\\dot.png' dest='1,2,3,4' reverse='true'");
    EXPECT_TRUE(pm.FindControl(L"floating")->IsFloat());
    // Unknown elements are skipped with everything inside them.
    EXPECT_EQ(pm.FindControl(L"skipped"), nullptr);
    EXPECT_EQ(pm.FindControl(L"insideUnknown"), nullptr);
    EXPECT_EQ(pm.FindControl(L"nonexistent"), nullptr);
}

TEST_F(LayoutTest, ImageDescriptionsAndValues) {
    Render::ImageDesc desc;
    ASSERT_TRUE(
        Render::ParseImageDesc(L"file='drawable\\a b.png' dest='56,56,104,104' reverse='true' fade='128'", desc));
    EXPECT_EQ(desc.file, L"drawable\\a b.png");
    EXPECT_TRUE(desc.hasDest);
    EXPECT_EQ(desc.dest.left, 56);
    EXPECT_EQ(desc.dest.bottom, 104);
    EXPECT_TRUE(desc.reverse);
    EXPECT_EQ(desc.fade, 128);
    ASSERT_TRUE(Render::ParseImageDesc(L"drawable\\plain.png", desc));
    EXPECT_EQ(desc.file, L"drawable\\plain.png");
    EXPECT_FALSE(desc.hasDest);
    EXPECT_FALSE(Render::ParseImageDesc(L"", desc));
    EXPECT_FALSE(Render::ParseImageDesc(L"dest='1,2,3,4'", desc));

    DWORD color = 0;
    EXPECT_TRUE(Markup::ParseColor(L"#0067C0", color));
    EXPECT_EQ(color, 0xFF0067C0u);
    EXPECT_TRUE(Markup::ParseColor(L"#800067C0", color));
    EXPECT_EQ(color, 0x800067C0u);
    EXPECT_FALSE(Markup::ParseColor(L"#12345", color));
    EXPECT_FALSE(Markup::ParseColor(L"#GG0000", color));
    // A malformed list keeps what came before the fault.
    const auto list = Markup::ParseAttributeList(L"a='1' b=\"two words\" c=3 d='4'");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].second, L"two words");
}

namespace {

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

RECT PosOf(TestWindow& w, const wchar_t* name) {
    w.Pm().EnsureLayout();
    return w.Pm().FindControl(name)->GetPos();
}

void ExpectRect(const RECT& actual, LONG l, LONG t, LONG r, LONG b, const char* what) {
    EXPECT_EQ(actual.left, l) << what;
    EXPECT_EQ(actual.top, t) << what;
    EXPECT_EQ(actual.right, r) << what;
    EXPECT_EQ(actual.bottom, b) << what;
}

} // namespace

TEST_F(LayoutTest, RectanglesAt96Dpi) {
    TestWindow window(kGeometrySkin);
    ASSERT_NE(window.Open(), nullptr);
    window.Pm().SetDPI(96);
    RECT client{};
    GetClientRect(window.GetHWND(), &client);
    ASSERT_EQ(client.right, 300);
    ASSERT_EQ(client.bottom, 200);
    ExpectRect(PosOf(window, L"label"), 10, 10, 290, 30, "label");
    ExpectRect(PosOf(window, L"row"), 10, 35, 290, 75, "row");
    ExpectRect(PosOf(window, L"left"), 10, 35, 60, 75, "left");
    ExpectRect(PosOf(window, L"flex"), 60, 35, 225, 75, "flex");
    ExpectRect(PosOf(window, L"right"), 230, 35, 290, 75, "right");
    // A hidden child takes no space: the flexible container reaches the bottom inset.
    ExpectRect(PosOf(window, L"rest"), 10, 80, 290, 190, "rest");
    ExpectRect(PosOf(window, L"float"), 20, 90, 40, 120, "float");
}

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
    ExpectRect(PosOf(window, L"label"), 15, 15, 435, 45, "label");
    ExpectRect(PosOf(window, L"row"), 15, 53, 435, 113, "row");
    ExpectRect(PosOf(window, L"left"), 15, 53, 90, 113, "left");
    ExpectRect(PosOf(window, L"right"), 345, 53, 435, 113, "right");
    ExpectRect(PosOf(window, L"rest"), 15, 121, 435, 285, "rest");
    ExpectRect(PosOf(window, L"float"), 30, 136, 60, 181, "float");
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

TEST_F(LayoutTest, MissingOrBrokenSkinStillMakesAWindow) {
    TestWindow missing(L"layout\\does-not-exist.xml");
    ASSERT_NE(missing.Open(), nullptr);
    EXPECT_EQ(missing.initCount, 1);
    EXPECT_EQ(missing.Pm().FindControl(L"anything"), nullptr);

    CDialogBuilder builder;
    EXPECT_EQ(builder.Create(L"<Window><Label name='x'></Window>"), nullptr);
    EXPECT_NE(builder.GetLastErrorMessage().Find(L"XML"), -1);
}

TEST_F(LayoutTest, StylesNamingEachOtherInACircleDoNotRecurseForever) {
    TestWindow circular(LR"(<Window size="100,100">
        <Style name="a" value="style='b' height='30'"/>
        <Style name="b" value="style='a'"/>
        <VerticalLayout><Label name="x" style="a"/></VerticalLayout>
    </Window>)");
    ASSERT_NE(circular.Open(), nullptr);
    ASSERT_NE(circular.Pm().FindControl(L"x"), nullptr);
    EXPECT_EQ(circular.Pm().FindControl(L"x")->GetFixedHeight(), 30);
}

TEST_F(LayoutTest, FontDeclaredAfterAnEditReachesItsNativeBox) {
    TestWindow window(LR"(<Window size="200,100">
        <VerticalLayout><Edit name="e"/><Font id="1" name="Tahoma" size="20" default="true"/></VerticalLayout>
    </Window>)");
    ASSERT_NE(window.Open(), nullptr);
    auto* edit = static_cast<CEditUI*>(window.Pm().FindControl(L"e")->GetInterface(L"Edit"));
    ASSERT_NE(edit, nullptr);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(edit->GetNativeWindow(), WM_GETFONT, 0, 0));
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT)) << "the edit holds a freed font";
}

TEST_F(LayoutTest, ControlsAreBuiltIntoContainersOnly) {
    CDialogBuilder builder;
    CContainerUI box;
    ASSERT_NE(builder.Create(L"<Label name='a'/>", nullptr, nullptr, &box), nullptr);
    EXPECT_EQ(box.GetCount(), 1); // owned by the box from here
    // A control that cannot hold children gets none, rather than a tree nobody owns.
    CControlUI plain;
    EXPECT_EQ(builder.Create(L"<Label name='b'/>", nullptr, nullptr, &plain), nullptr);
    EXPECT_FALSE(builder.GetLastErrorMessage().IsEmpty());
}
