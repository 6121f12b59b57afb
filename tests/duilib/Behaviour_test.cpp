#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace DuiLib;

namespace {

const wchar_t* kSkin = LR"(<Window size="300,200" caption="0,0,0,40" bkcolor="#FFFFFF">
    <Font id="0" name="Tahoma" size="14" default="true"/>
    <VerticalLayout>
        <HorizontalLayout height="40">
            <Label name="captionText" text="Title"/>
            <Button name="closebtn" width="40" bkcolor="#FFEEEEEE"/>
        </HorizontalLayout>
        <VerticalLayout name="group" inset="20,10,20,10" childpadding="10">
            <Button name="button" height="30" bkcolor="#FF0067C0" borderround="4"/>
            <Edit name="edit" height="32" bordercolor="#FFD1D1D1"/>
        </VerticalLayout>
    </VerticalLayout>
</Window>)";

class BehaviourTest : public OpenWindowTest {
protected:
    BehaviourTest() : OpenWindowTest(kSkin) {}
    LRESULT HitTest(POINT client) {
        ClientToScreen(window.GetHWND(), &client);
        return SendMessageW(window.GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y));
    }
};

} // namespace

TEST_F(BehaviourTest, CaptionDragsExceptOverItsButtons) {
    EXPECT_EQ(HitTest(POINT{20, 20}), HTCAPTION);
    EXPECT_EQ(HitTest(driver.Centre(L"closebtn")), HTCLIENT);
    EXPECT_EQ(HitTest(POINT{20, 60}), HTCLIENT); // below the caption
    // A disabled button in the caption drags like the caption itself.
    window.Pm().FindControl(L"closebtn")->SetEnabled(false);
    EXPECT_EQ(HitTest(driver.Centre(L"closebtn")), HTCAPTION);
}

TEST_F(BehaviourTest, FocusRingOnlyAfterKeyboardUseAndAnEditsAccentLine) {
    const RECT rc = window.Pm().FindControl(L"button")->GetPos();
    const int ringX = rc.left - 3; // 2 px ring, 2 px outside the control
    const int ringY = (rc.top + rc.bottom) / 2;
    driver.Click(L"button");
    EXPECT_EQ(Pixel(ringX, ringY), 0xFFFFFFFFu);
    driver.PressKey(VK_TAB);       // to the edit
    driver.PressKey(VK_TAB, true); // back to the button, by keyboard
    EXPECT_EQ(window.Pm().GetFocus()->GetName(), L"button");
    EXPECT_EQ(Pixel(ringX, ringY), 0xFF0067C0u);
    EXPECT_EQ(Pixel(rc.left - 1, ringY), 0xFFFFFFFFu); // the gap between ring and control
    // A focused edit shows its accent line instead.
    const RECT edit = window.Pm().FindControl(L"edit")->GetPos();
    const POINT bottom{(edit.left + edit.right) / 2, edit.bottom - 1};
    EXPECT_NE(Pixel(bottom.x, bottom.y), 0xFF0067C0u);
    driver.Type(L"edit", L"1");
    EXPECT_EQ(Pixel(bottom.x, bottom.y), 0xFF0067C0u);
}

TEST_F(BehaviourTest, NativeEditFollowsVisibilityOfItsParents) {
    auto* edit = static_cast<CEditUI*>(window.Pm().FindControl(L"edit")->GetInterface(L"Edit"));
    HWND native = edit->GetNativeWindow();
    window.Pm().FindControl(L"group")->SetVisible(false);
    window.Pm().EnsureLayout();
    EXPECT_FALSE(IsWindowVisible(native));
    // Controls inside a hidden container are not Tab stops.
    driver.PressKey(VK_TAB);
    EXPECT_EQ(window.Pm().GetFocus(), window.Pm().FindControl(L"closebtn"));
    window.Pm().FindControl(L"group")->SetVisible(true);
    window.Pm().EnsureLayout();
    EXPECT_TRUE(IsWindowVisible(native));
    // The native box sits inside the drawn frame.
    RECT box{};
    GetWindowRect(native, &box);
    MapWindowPoints(nullptr, window.GetHWND(), reinterpret_cast<POINT*>(&box), 2);
    const RECT frame = edit->GetPos();
    EXPECT_GT(box.left, frame.left);
    EXPECT_LT(box.right, frame.right);
    EXPECT_GE(box.top, frame.top);
    EXPECT_LE(box.bottom, frame.bottom);
}

TEST_F(BehaviourTest, RemovedControlsStopTheirTimersAndLoseFocus) {
    CControlUI* button = window.Pm().FindControl(L"button");
    ASSERT_TRUE(button->SetTimer(5, 10));
    button->SetFocus();
    auto* group = static_cast<CContainerUI*>(window.Pm().FindControl(L"group")->GetInterface(L"Container"));
    ASSERT_TRUE(group->Remove(button));
    EXPECT_EQ(window.Pm().GetFocus(), nullptr);
    window.notes.clear();
    UiDriver::Pump(80);
    EXPECT_TRUE(window.NotesOf(DUI_MSGTYPE_TIMER).empty());
    EXPECT_EQ(window.Pm().FindControl(L"button"), nullptr);
    // A control without a window cannot run a timer.
    CControlUI loose;
    EXPECT_FALSE(loose.SetTimer(1, 10));
}

TEST(DuiString, FormatCompareAndSlices) {
    CDuiString s(L"Hello");
    s += L", world";
    EXPECT_EQ(s, L"Hello, world");
    EXPECT_NE(s, L"hello, world");
    EXPECT_EQ(s.CompareNoCase(L"HELLO, WORLD"), 0);
    EXPECT_EQ(s.Mid(7), L"world");
    EXPECT_EQ(s.Mid(99), L"");
    EXPECT_EQ(s.Left(-1), L"");
    EXPECT_EQ(s.Find(L"world"), 7);
    EXPECT_EQ(s.Find(L"x"), -1);
    // An over-long result is cut, not a crash.
    CDuiString big;
    EXPECT_EQ(big.Format(L"%s", std::wstring(5000, L'x').c_str()), -1);
    EXPECT_EQ(big.GetLength(), 1023);
    CDuiString fromNull(static_cast<const wchar_t*>(nullptr));
    EXPECT_TRUE(fromNull.IsEmpty());
}

TEST_F(BehaviourTest, TooltipFollowsTheHoveredControl) {
    window.Pm().FindControl(L"closebtn")->SetToolTip(L"Close");
    window.Pm().FindControl(L"group")->SetToolTip(L"Group");
    driver.MouseMove(driver.Centre(L"closebtn"));
    ASSERT_NE(window.Pm().GetToolTipWindow(), nullptr);
    EXPECT_EQ(window.Pm().GetToolTipText(), L"Close");
    EXPECT_EQ(SendMessageW(window.Pm().GetToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
    // A control without its own tooltip shows its parent's.
    driver.MouseMove(driver.Centre(L"button"));
    EXPECT_EQ(window.Pm().GetToolTipText(), L"Group");
    driver.MouseMove(POINT{20, 20});
    EXPECT_EQ(window.Pm().GetToolTipText(), L"");
    EXPECT_EQ(SendMessageW(window.Pm().GetToolTipWindow(), TTM_GETTOOLCOUNT, 0, 0), 0);
}
