#include "ui/ConfirmWindow.h"

#include "tests/support/LogCapture.h"
#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace DuiLib;
using UiDriver::ModalAnswer;
using UiDriver::UiWindow;

namespace {

// Closing by Esc, Alt+F4 or the system menu is the toolkit's (tests/duilib/Window_test.cpp); here
// only what the message window adds: its text, its button and the skin it needs.
class ConfirmWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiDriver::UseSkin();
        ASSERT_NE(owner.Create(nullptr, L"Owner", WS_POPUP, 0), nullptr);
        owner.ShowWindow(true, true);
    }
    // Creates the window as the main window does and shows it modally, answering with `answer`
    // once a window with the title start-up looks for is there; `shown` gets its "describeText".
    UINT Show(const std::wstring& text, const std::function<void(UiWindow&)>& answer) {
        ConfirmWindow window(text);
        ModalAnswer answerer(L"LullgateConfirmWnd", L"LullgateConfirmWndUI", [&](UiWindow& w) {
            shown = w.Text(L"describeText");
            answer(w);
        });
        const UINT result = window.ShowModalOver(owner.GetHWND(), L"LullgateConfirmWnd");
        EXPECT_TRUE(answerer.Answered());
        return result;
    }

    std::wstring shown = L"not shown";
    UiDriver::OwnerWindow owner;
};

} // namespace

// The button and Enter (it is the default button) confirm with 6; a screen reader finds the
// message and the button (UI Automation: Text, Button).
TEST_F(ConfirmWindowTest, ShowsTheTextAndConfirmsWithSix) {
    std::vector<UiDriver::Described> seen;
    const auto click = [&](UiWindow& w) {
        EXPECT_TRUE(UiDriver::Describe(w.Hwnd(), seen));
        EXPECT_TRUE(w.Click(L"confirmButton"));
    };
    EXPECT_EQ(Show(L"Something failed.", click), 6u);
    EXPECT_EQ(shown, L"Something failed.");
    for (const UiDriver::Described& expected : {UiDriver::Described{L"Something failed.", 50020}, {L"OK", 50000}}) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), expected), seen.end());
    }
    EXPECT_EQ(Show(L"x", [](UiWindow& w) { w.PressKey(VK_RETURN); }), 6u);
}

TEST_F(ConfirmWindowTest, SkinWithoutConfirmButtonLogsAndStillOpens) {
    UiDriver::UseSkin(L"test-skins\\nobutton\\");
    LogCapture capture;
    EXPECT_EQ(Show(L"Message", [](UiWindow& w) { w.PressKey(VK_ESCAPE); }), 2u);
    EXPECT_EQ(shown, L"layout text"); // the message was not set
    EXPECT_EQ(capture.Lines(),
              (std::vector<CapturedLine>{{4, L"confirm control is null!(ConfirmWindow::InitWindow)"}}));
}
