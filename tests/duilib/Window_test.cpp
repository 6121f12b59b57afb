#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace DuiLib;
using UiDriver::ModalAnswer;
using UiDriver::UiWindow;

namespace {

const wchar_t* kOwnerSkin = LR"(<Window size="300,200">
    <VerticalLayout>
        <Label name="ticker" height="20"/>
        <Label name="other" height="20"/>
    </VerticalLayout>
</Window>)";

const wchar_t* kDialogSkin = LR"(<Window size="200,100">
    <HorizontalLayout>
        <Button name="yes" text="Yes"/>
        <Button name="closebtn" text="x" width="30"/>
    </HorizontalLayout>
</Window>)";

// A dialog whose "yes" button closes it with IDYES, and which declines the first `declines`
// WM_CLOSE messages, as an "are you sure?" window would.
class YesDialog : public TestWindow {
public:
    explicit YesDialog(const wchar_t* className) : TestWindow(kDialogSkin, className) {}
    void Notify(TNotifyUI& msg) override {
        if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender->GetName() == L"yes") {
            Close(IDYES);
            return;
        }
        TestWindow::Notify(msg);
    }
    int declines = 0;

protected:
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) override {
        bHandled = uMsg == WM_CLOSE && declines > 0 ? (--declines, TRUE) : FALSE;
        return 0;
    }
};

class WindowTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_NE(owner.Open(), nullptr);
    }
    // Shows a dialog modally over the owner, as the program's windows do, and answers it from inside
    // its loop with `answer`. The owner is disabled while the dialog is up and enabled again after.
    UINT RunDialog(const std::function<void(UiWindow&)>& answer) {
        YesDialog dialog(L"DuiTestDialog");
        HWND ownerHwnd = owner.GetHWND();
        ModalAnswer answerer(L"DuiDialog", L"DuiTestDialog", [&](UiWindow& w) {
            EXPECT_FALSE(IsWindowEnabled(ownerHwnd));
            answer(w);
        });
        const UINT result = dialog.ShowModalOver(ownerHwnd, L"DuiDialog");
        EXPECT_TRUE(answerer.Answered());
        EXPECT_EQ(dialog.GetHWND(), nullptr); // the window is gone when ShowModal returns
        EXPECT_TRUE(IsWindowEnabled(ownerHwnd));
        return result;
    }

    TestWindow owner{kOwnerSkin};
};

} // namespace

TEST_F(WindowTest, ModalReturnsTheCloseCodeAndClosingByOtherMeansIsNotAConfirmation) {
    const auto run = [this](void (*answer)(UiWindow&)) { return static_cast<int>(RunDialog(answer)); };
    EXPECT_EQ(run([](UiWindow& w) { w.Click(L"yes"); }), IDYES);
    // The system menu's Close, Alt+F4, a plain WM_CLOSE and a destroyed window.
    EXPECT_EQ(run([](UiWindow& w) { PostMessageW(w.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }), IDCANCEL);
    EXPECT_EQ(run([](UiWindow& w) { PostMessageW(w.Hwnd(), WM_SYSKEYDOWN, VK_F4, (1 << 29) | 1); }), IDCANCEL);
    EXPECT_EQ(run([](UiWindow& w) { PostMessageW(w.Hwnd(), WM_CLOSE, IDYES, 0); }), IDCANCEL);
    EXPECT_EQ(run([](UiWindow& w) { DestroyWindow(w.Hwnd()); }), IDCANCEL);
    // Escape, and the title-bar close button by its conventional name.
    EXPECT_EQ(run([](UiWindow& w) { w.PressKey(VK_ESCAPE); }), IDCANCEL);
    EXPECT_EQ(run([](UiWindow& w) { w.Click(L"closebtn"); }), IDCANCEL);
}

// A quit during a modal loop reaches the outer loop; without a window there is no loop at all.
TEST_F(WindowTest, QuitDuringAModalLoopReachesTheOuterLoopAndNoWindowHasNone) {
    TestWindow never(kDialogSkin);
    EXPECT_NE(never.ShowModal(), static_cast<UINT>(IDYES));
    TestWindow dialog(kDialogSkin, L"DuiTestDialog");
    dialog.Create(owner.GetHWND(), L"DuiDialog", WS_POPUP, 0);
    ModalAnswer answerer(L"DuiDialog", nullptr, [&](UiWindow&) {
        dialog.Close(1);
        PostQuitMessage(7);
    });
    EXPECT_EQ(dialog.ShowModal(), 1u);
    EXPECT_EQ(CPaintManagerUI::MessageLoop(), 7);
}

// Each control's timer brings its own id to it at its period (never early; late on a busy machine),
// also while the window is hidden. Setting an id again changes its period instead of adding a
// second timer; the same id on another control is another timer; a killed timer stops.
TEST_F(WindowTest, TimersDeliverTheirIdsAtTheirPeriodUntilKilled) {
    TestWindow hidden(kOwnerSkin, L"DuiHiddenWindow");
    ASSERT_NE(hidden.Open(nullptr, false), nullptr);
    CControlUI* ticker = hidden.Pm().FindControl(L"ticker");
    CControlUI* other = hidden.Pm().FindControl(L"other");
    ASSERT_TRUE(ticker->SetTimer(1, 20));
    ASSERT_TRUE(other->SetTimer(1, 10000));
    ASSERT_TRUE(other->SetTimer(2, 200));
    const DWORD start = GetTickCount();
    UiDriver::Pump(650);
    const DWORD elapsed = GetTickCount() - start;
    size_t fast = 0;
    size_t slow = 0;
    for (const Note& n : hidden.NotesOf(DUI_MSGTYPE_TIMER)) {
        EXPECT_EQ(n.wParam, n.sender == L"ticker" ? 1u : 2u);
        ++(n.sender == L"ticker" ? fast : slow);
    }
    EXPECT_LE(fast, elapsed / 20 + 1);
    EXPECT_GE(fast, 5u);
    EXPECT_LE(slow, elapsed / 200 + 1);
    EXPECT_GE(slow, 1u);

    ticker->KillTimer(1);
    ASSERT_TRUE(other->SetTimer(2, 10000));
    hidden.notes.clear();
    UiDriver::Pump(250);
    EXPECT_TRUE(hidden.NotesOf(DUI_MSGTYPE_TIMER).empty());
}

TEST_F(WindowTest, CenterToParentCentresOverTheOwner) {
    TestWindow dialog(kDialogSkin, L"DuiTestDialog");
    ASSERT_NE(dialog.Create(owner.GetHWND(), L"DuiDialog", WS_POPUP, 0), nullptr);
    const auto expectCentredOn = [&](const RECT& area) {
        dialog.CenterToParentWindow();
        RECT rd{};
        GetWindowRect(dialog.GetHWND(), &rd);
        EXPECT_LE(std::abs((area.left + area.right) / 2 - (rd.left + rd.right) / 2), 1);
        EXPECT_LE(std::abs((area.top + area.bottom) / 2 - (rd.top + rd.bottom) / 2), 1);
    };
    SetWindowPos(owner.GetHWND(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT ro{};
    GetWindowRect(owner.GetHWND(), &ro);
    expectCentredOn(ro);
    // A minimised owner lies off screen; the dialog then centres on the owner's monitor.
    ShowWindow(owner.GetHWND(), SW_MINIMIZE);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(owner.GetHWND(), MONITOR_DEFAULTTONEAREST), &mi);
    expectCentredOn(mi.rcWork);
}

// Escape does not close a modeless window; deleting one that is open destroys it quietly.
TEST_F(WindowTest, ModelessWindowsIgnoreEscapeAndAreDestroyedQuietlyWhenDeleted) {
    owner.Driver().PressKey(VK_ESCAPE);
    UiDriver::Pump(50);
    EXPECT_TRUE(IsWindow(owner.GetHWND()));
    auto window = std::make_unique<TestWindow>(LR"(<Window size="100,60"><VerticalLayout>
        <Edit name="e"/><Label name="l"/></VerticalLayout></Window>)");
    HWND hwnd = window->Open();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(window->Pm().FindControl(L"l")->SetTimer(1, 10));
    window.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    UiDriver::Pump(50); // no timer or paint reaches the deleted object
}

TEST_F(WindowTest, InnerModalOverADisabledOwnerLeavesItDisabled) {
    // A message window over the main window while a consent or about window is modal over it: when
    // the inner one closes, the owner must stay disabled until the outer one ends.
    bool ownerEnabledAfterInner = true;
    RunDialog([&](UiWindow& outerWindow) {
        YesDialog inner(L"DuiTestInner");
        inner.Create(owner.GetHWND(), L"DuiInner", WS_POPUP, 0);
        ModalAnswer answerInner(L"DuiInner", nullptr, [](UiWindow& w) { w.Click(L"yes"); });
        EXPECT_EQ(inner.ShowModal(), static_cast<UINT>(IDYES));
        ownerEnabledAfterInner = IsWindowEnabled(owner.GetHWND()) != FALSE;
        PostMessageW(outerWindow.Hwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(ownerEnabledAfterInner);
}

TEST_F(WindowTest, DeclinedCloseKeepsTheOwnerDisabled) {
    YesDialog dialog(L"DuiTestDialog");
    dialog.declines = 1;
    dialog.Create(owner.GetHWND(), L"DuiDialog", WS_POPUP, 0);
    bool ownerEnabledAfterDecline = true;
    ModalAnswer answerer(L"DuiDialog", nullptr, [&](UiWindow& w) {
        SendMessageW(w.Hwnd(), WM_CLOSE, 0, 0);
        ownerEnabledAfterDecline = IsWindowEnabled(owner.GetHWND()) != FALSE;
        dialog.Close(IDYES);
    });
    EXPECT_EQ(dialog.ShowModal(), static_cast<UINT>(IDYES));
    EXPECT_FALSE(ownerEnabledAfterDecline);
    EXPECT_TRUE(IsWindowEnabled(owner.GetHWND()));
}
