#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace DuiLib;

namespace {

const wchar_t* kInputSkin = LR"(<Window size="400,300">
    <Font id="0" name="Tahoma" size="14" default="true"/>
    <VerticalLayout inset="10,10,10,10" childpadding="6">
        <Button name="first" text="First" height="30" bkcolor="#FF0067C0" hotbkcolor="#FF1975C5" pushedbkcolor="#FF005A9E"/>
        <Button name="disabled" text="Disabled" height="30" enabled="false"/>
        <Button name="hiddenButton" text="Hidden" height="30" visible="false"/>
        <Text name="links" height="40" text="{a}First link{/a} plain words {a}Second{/a}" wordbreak="false"/>
        <Edit name="edit" height="32"/>
        <Button name="ok" text="OK" height="30" default="true"/>
        <Label name="label" text="Just a label" height="20"/>
    </VerticalLayout>
</Window>)";

class InputTest : public OpenWindowTest {
protected:
    InputTest() : OpenWindowTest(kInputSkin) {}
    std::ptrdiff_t Clicks(const wchar_t* name) const {
        const std::vector<Note> clicks = window.NotesOf(DUI_MSGTYPE_CLICK);
        return std::count_if(clicks.begin(), clicks.end(), [&](const Note& n) { return n.sender == name; });
    }
    POINT Outside(const wchar_t* name) const {
        const RECT rc = driver.Control(name)->GetPos();
        return POINT{rc.right + 20, rc.bottom + 3};
    }
    POINT LinkPoint(int index) const { return driver.LinkPoint(L"links", index); }
};

} // namespace

TEST_F(InputTest, ClickNeedsPressAndReleaseInsideTheSameControl) {
    ASSERT_TRUE(driver.Click(L"first"));
    EXPECT_EQ(Clicks(L"first"), 1);

    // Pressed inside, released outside: no click.
    driver.MouseDown(driver.Centre(L"first"));
    driver.MouseUp(Outside(L"first"));
    // Pressed outside, released inside: no click either.
    driver.MouseDown(Outside(L"first"));
    driver.MouseUp(driver.Centre(L"first"));
    // Pressed on one button, released on another: neither is clicked.
    driver.MouseDown(driver.Centre(L"first"));
    driver.MouseUp(driver.Centre(L"ok"));
    // Neither is a disabled button or a label.
    driver.Click(L"disabled");
    driver.Click(L"label");
    EXPECT_EQ(window.NotesOf(DUI_MSGTYPE_CLICK).size(), 1u);
}

TEST_F(InputTest, HoverPressAndCursorFollowTheMouse) {
    // Hot and pushed on the way in are the render test's; here, leaving and coming back.
    CControlUI* first = driver.Control(L"first");
    driver.MouseMove(driver.Centre(L"first"));
    driver.MouseDown(driver.Centre(L"first"));
    // Dragging out of a pressed button shows it released; back in shows it pressed.
    driver.MouseMove(Outside(L"first"));
    EXPECT_FALSE(first->IsPushed());
    driver.MouseMove(driver.Centre(L"first"));
    EXPECT_TRUE(first->IsPushed());
    driver.MouseUp(driver.Centre(L"first"));
    EXPECT_FALSE(first->IsPushed());
    driver.MouseMove(driver.Centre(L"ok"));
    EXPECT_FALSE(first->IsHot());
    EXPECT_TRUE(driver.Control(L"ok")->IsHot());
    SendMessageW(window.GetHWND(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(driver.Control(L"ok")->IsHot());
    // The cursor is a hand over buttons and links only.
    auto* text = driver.Control(L"links");
    EXPECT_EQ(text->GetCursor(LinkPoint(1)), IDC_HAND);
    EXPECT_EQ(text->GetCursor(POINT{text->GetPos().right - 2, text->GetPos().bottom - 2}), IDC_ARROW);
    EXPECT_EQ(driver.Control(L"first")->GetCursor(driver.Centre(L"first")), IDC_HAND);
    EXPECT_EQ(driver.Control(L"label")->GetCursor(driver.Centre(L"label")), IDC_ARROW);
    EXPECT_EQ(driver.Control(L"edit")->GetCursor(driver.Centre(L"edit")), IDC_IBEAM);
}

TEST_F(InputTest, LinkIndexUnderThePoint) {
    auto* text = static_cast<CTextUI*>(driver.Control(L"links")->GetInterface(L"Text"));
    const POINT first = LinkPoint(0);
    const POINT second = LinkPoint(1);
    const POINT plain{(text->GetFocusRect().right + second.x) / 2, first.y}; // between the two links
    EXPECT_EQ(text->GetLinkContentIndex(plain), -1);
    EXPECT_EQ(text->GetLinkContentIndex(POINT{-5, -5}), -1);
    driver.ClickAt(first);
    driver.ClickAt(plain);
    driver.ClickAt(second);
    // A press on one link and release on the other opens nothing.
    driver.MouseDown(first);
    driver.MouseUp(second);
    const auto links = window.NotesOf(DUI_MSGTYPE_LINK);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(text->GetLinkContentIndex(links[0].pt), 0);
    EXPECT_EQ(text->GetLinkContentIndex(links[1].pt), 1);
}

// Enter and Space on what Tab reached are the about and main windows' keyboard tests.
TEST_F(InputTest, TabVisitsEnabledVisibleStopsInLayoutOrder) {
    std::vector<std::pair<std::wstring, int>> visited;
    for (int i = 0; i < 6; ++i) {
        driver.PressKey(VK_TAB);
        CControlUI* focus = window.Pm().GetFocus();
        ASSERT_NE(focus, nullptr);
        visited.emplace_back(focus->GetName().str(), focus->GetFocusStop());
    }
    // Disabled and hidden buttons are skipped; each link is a stop; the order wraps around.
    const std::vector<std::pair<std::wstring, int>> expected{{L"first", 0}, {L"links", 0}, {L"links", 1},
                                                             {L"edit", 0},  {L"ok", 0},    {L"first", 0}};
    EXPECT_EQ(visited, expected);

    driver.PressKey(VK_TAB, true); // and back round the other way
    EXPECT_EQ(window.Pm().GetFocus()->GetName(), L"ok");
}

TEST_F(InputTest, TypedChangesAreReportedEnterActivatesTheDefaultButtonAndCtrlASelectsAll) {
    ASSERT_TRUE(driver.Type(L"edit", L"36a"));
    SendMessageW(GetFocus(), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(window.NotesOf(DUI_MSGTYPE_TEXTCHANGED).size(), 4u);
    EXPECT_EQ(driver.Text(L"edit"), L"36");
    driver.Control(L"edit")->SetText(L"");
    EXPECT_EQ(window.NotesOf(DUI_MSGTYPE_TEXTCHANGED).size(), 4u);

    // Enter in an edit activates the default button, once however long it is held, and adds nothing
    // to a single-line edit; without an enabled default button it does nothing. Ctrl+A selects all.
    ASSERT_TRUE(driver.Type(L"edit", L"365"));
    HWND edit = GetFocus();
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1 | 0x40000000); // auto-repeat
    EXPECT_EQ(Clicks(L"ok"), 1);
    EXPECT_EQ(driver.Text(L"edit"), L"365");
    driver.Control(L"ok")->SetEnabled(false);
    driver.PressKey(VK_RETURN);
    EXPECT_EQ(Clicks(L"ok"), 1);

    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(edit, WM_KEYDOWN, 'A', 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
}

TEST_F(InputTest, ClickingMovesFocusWithoutTheKeyboardRing) {
    driver.Click(L"first");
    EXPECT_EQ(window.Pm().GetFocus(), driver.Control(L"first")); // the ring stays off: the behaviour test
    // A hidden focused control gives up Enter to the default button.
    driver.Control(L"first")->SetVisible(false);
    driver.PressKey(VK_RETURN);
    EXPECT_EQ(Clicks(L"ok"), 1);
}
