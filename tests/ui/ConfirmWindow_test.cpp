#include "ui/ConfirmWindow.h"

#include "tests/support/LogCapture.h"
#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace DuiLib;
using UiDriver::ModalAnswer;
using UiDriver::UiWindow;

namespace {

// A plain owner, as the main window is for the message window.
class OwnerWindow : public WindowImplBase {
protected:
    const wchar_t* GetWindowClassName() const override { return L"ConfirmTestOwner"; }
    CDuiString GetSkinFile() override { return L"<Window size='440,330'><VerticalLayout/></Window>"; }
};

class ConfirmWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseSkin(L"res\\");
        UICulture::GetInstance()->SetLanguage(L"en-US", false);
        UICulture::GetInstance()->SetStringPath((CPaintManagerUI::GetInstancePath() + L"res\\values\\").GetData());
        ASSERT_NE(owner.Create(nullptr, L"Owner", WS_POPUP, 0), nullptr);
        owner.ShowWindow(true, true);
    }
    static void UseSkin(const wchar_t* folder) {
        CPaintManagerUI::SetResourcePath((CPaintManagerUI::GetInstancePath() + folder).GetData());
    }
    // Creates the window as the main window does and shows it modally, answering with `answer`;
    // `shown` gets the text the window showed in "describeText".
    UINT Show(const std::wstring& text, const std::function<void(UiWindow&)>& answer) {
        auto window = std::make_unique<ConfirmWindow>(text);
        EXPECT_NE(window->Create(owner.GetHWND(), L"LullgateConfirmWnd", WS_POPUP, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr),
                  nullptr);
        window->CenterToParentWindow();
        ModalAnswer answerer(L"LullgateConfirmWnd", L"LullgateConfirmWndUI", [&](UiWindow& w) {
            shown = w.Text(L"describeText");
            answer(w);
        });
        const UINT result = window->ShowModal();
        EXPECT_TRUE(answerer.Answered());
        return result;
    }

    std::wstring shown = L"not shown";
    OwnerWindow owner;
};

} // namespace

// The button and Enter confirm (6); Esc and the system menu's Close cancel (2).
TEST_F(ConfirmWindowTest, ShowsTheTextAndReturnsTheAnswer) {
    const auto click = [](UiWindow& w) { EXPECT_TRUE(w.Click(L"confirmButton")); };
    const struct {
        const wchar_t* text;
        std::function<void(UiWindow&)> answer;
        UINT result;
    } cases[] = {
        {L"Something failed.", click, 6},
        {L"", click, 6},
        {L"x", [](UiWindow& w) { w.PressKey(VK_RETURN); }, 6},
        {L"x", [](UiWindow& w) { w.PressKey(VK_ESCAPE); }, 2},
        {L"x", [](UiWindow& w) { PostMessageW(w.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.result << " " << std::wstring(c.text));
        shown = L"not shown";
        EXPECT_EQ(Show(c.text, c.answer), c.result);
        EXPECT_EQ(shown, c.text);
    }
}

// A screen reader finds the message and the button that answers it (UI Automation: Text, Button).
TEST_F(ConfirmWindowTest, ScreenReadersFindTheMessageAndTheButton) {
    std::vector<UiDriver::Described> seen;
    EXPECT_EQ(Show(L"Something failed.",
                   [&](UiWindow& w) {
                       EXPECT_TRUE(UiDriver::Describe(w.Hwnd(), seen));
                       EXPECT_TRUE(w.Click(L"confirmButton"));
                   }),
              6u);
    for (const UiDriver::Described& expected :
         {UiDriver::Described{L"Something failed.", 50020}, UiDriver::Described{L"OK", 50000}}) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), expected), seen.end());
    }
}

TEST_F(ConfirmWindowTest, TitleAndLayoutAsStartUpAndTheLookExpect) {
    ConfirmWindow window(L"A message");
    ASSERT_NE(window.Create(owner.GetHWND(), L"LullgateConfirmWnd", WS_POPUP, 0), nullptr);
    UiWindow w(window.GetHWND());
    wchar_t title[64] = {};
    GetWindowTextW(w.Hwnd(), title, 64);
    EXPECT_STREQ(title, L"LullgateConfirmWnd"); // the title start-up and tests look for
    // The message sits above the default button, both inside the window.
    w.Manager()->EnsureLayout();
    RECT rc{};
    GetWindowRect(w.Hwnd(), &rc);
    const RECT text = w.Control(L"describeText")->GetPos();
    const RECT button = w.Control(L"confirmButton")->GetPos();
    EXPECT_LE(text.bottom, button.top);
    EXPECT_LE(button.right, rc.right - rc.left);
    EXPECT_TRUE(w.Control(L"confirmButton")->IsDefault());
    // The shared styles of layout\common.xml reached the button.
    EXPECT_EQ(w.Control(L"confirmButton")->GetBkColor(), 0xFF0067C0u);
    EXPECT_EQ(w.Control(L"confirmButton")->GetFixedHeight(), 32);
}

TEST_F(ConfirmWindowTest, SkinWithoutConfirmButtonLogsAndStillOpens) {
    UseSkin(L"test-skins\\nobutton\\");
    LogCapture capture;
    EXPECT_EQ(Show(L"Message", [](UiWindow& w) { w.PressKey(VK_ESCAPE); }), 2u);
    EXPECT_EQ(shown, L"layout text"); // the message was not set
    EXPECT_EQ(capture.Lines(),
              (std::vector<CapturedLine>{{4, L"confirm control is null!(ConfirmWindow::InitWindow)"}}));
}

TEST_F(ConfirmWindowTest, StringsExistInBothLanguages) {
    for (const wchar_t* language : {L"en-US", L"zh-CN"}) {
        UICulture::GetInstance()->SetLanguage(language, false);
        for (const wchar_t* key : {L"IDS_OK", L"IDS_APP_NAME", L"IDS_PAUSE_SET_FAIL", L"IDS_SYSTEM_RRROR"}) {
            EXPECT_TRUE(UICulture::GetInstance()->HasString(key)) << key;
        }
    }
    UICulture::GetInstance()->SetLanguage(L"zh-CN", false);
    EXPECT_EQ(UICulture::GetInstance()->GetString(L"IDS_OK"), L"\u786E\u5B9A");
}
