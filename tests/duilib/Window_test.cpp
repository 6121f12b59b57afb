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

// A dialog whose "yes" button closes it with IDYES.
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
};

class WindowTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_NE(owner.Open(), nullptr);
    }
    // Shows a dialog modally over the owner, as the program's windows do, and answers it from inside
    // its loop with `answer`.
    UINT RunDialog(const std::function<void(UiWindow&)>& answer, bool* ownerDisabledInside = nullptr) {
        YesDialog dialog(L"DuiTestDialog");
        HWND ownerHwnd = owner.GetHWND();
        ModalAnswer answerer(L"DuiDialog", L"DuiTestDialog", [&](UiWindow& w) {
            if (ownerDisabledInside != nullptr) {
                *ownerDisabledInside = !IsWindowEnabled(ownerHwnd);
            }
            answer(w);
        });
        const UINT result = dialog.ShowModalOver(ownerHwnd, L"DuiDialog");
        EXPECT_TRUE(answerer.Answered());
        EXPECT_EQ(dialog.GetHWND(), nullptr); // the window is gone when ShowModal returns
        return result;
    }

    TestWindow owner{kOwnerSkin};
};

} // namespace

TEST_F(WindowTest, ModalDisablesTheOwnerAndReturnsTheCloseCode) {
    bool ownerDisabled = false;
    const UINT result = RunDialog([](UiWindow& w) { w.Click(L"yes"); }, &ownerDisabled);
    EXPECT_EQ(result, static_cast<UINT>(IDYES));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.GetHWND()));
}

TEST_F(WindowTest, ClosingByOtherMeansIsNotAConfirmation) {
    // The system menu's Close.
    EXPECT_EQ(RunDialog([](UiWindow& w) { PostMessageW(w.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }),
              static_cast<UINT>(IDCANCEL));
    // Alt+F4.
    EXPECT_EQ(RunDialog([](UiWindow& w) { PostMessageW(w.Hwnd(), WM_SYSKEYDOWN, VK_F4, (1 << 29) | 1); }),
              static_cast<UINT>(IDCANCEL));
    // A plain WM_CLOSE and a destroyed window.
    EXPECT_EQ(RunDialog([](UiWindow& w) { PostMessageW(w.Hwnd(), WM_CLOSE, IDYES, 0); }), static_cast<UINT>(IDCANCEL));
    EXPECT_EQ(RunDialog([](UiWindow& w) { DestroyWindow(w.Hwnd()); }), static_cast<UINT>(IDCANCEL));
    // Escape, and the title-bar close button by its conventional name.
    EXPECT_EQ(RunDialog([](UiWindow& w) { w.PressKey(VK_ESCAPE); }), static_cast<UINT>(IDCANCEL));
    EXPECT_EQ(RunDialog([](UiWindow& w) { w.Click(L"closebtn"); }), static_cast<UINT>(IDCANCEL));
    EXPECT_TRUE(IsWindowEnabled(owner.GetHWND()));
}

TEST_F(WindowTest, EscapeDoesNotCloseAModelessWindow) {
    owner.Driver().PressKey(VK_ESCAPE);
    UiDriver::Pump(50);
    EXPECT_TRUE(IsWindow(owner.GetHWND()));
}

TEST_F(WindowTest, ShowModalWithoutAWindowReturnsAtOnce) {
    TestWindow never(kDialogSkin);
    EXPECT_NE(never.ShowModal(), static_cast<UINT>(IDYES));
}

TEST_F(WindowTest, QuitDuringAModalLoopReachesTheOuterLoop) {
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
    SetWindowPos(owner.GetHWND(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.CenterToParentWindow();
    RECT ro{};
    RECT rd{};
    GetWindowRect(owner.GetHWND(), &ro);
    GetWindowRect(dialog.GetHWND(), &rd);
    EXPECT_LE(std::abs((ro.left + ro.right) / 2 - (rd.left + rd.right) / 2), 1);
    EXPECT_LE(std::abs((ro.top + ro.bottom) / 2 - (rd.top + rd.bottom) / 2), 1);

    // A minimised owner lies off screen; the dialog then centres on the owner's monitor.
    ShowWindow(owner.GetHWND(), SW_MINIMIZE);
    dialog.CenterToParentWindow();
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(owner.GetHWND(), MONITOR_DEFAULTTONEAREST), &mi);
    GetWindowRect(dialog.GetHWND(), &rd);
    EXPECT_LE(std::abs((mi.rcWork.left + mi.rcWork.right) / 2 - (rd.left + rd.right) / 2), 1);
    EXPECT_LE(std::abs((mi.rcWork.top + mi.rcWork.bottom) / 2 - (rd.top + rd.bottom) / 2), 1);
}

TEST_F(WindowTest, DeletingAnOpenWindowDestroysItQuietly) {
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
    const UINT outer = RunDialog([&](UiWindow& outerWindow) {
        YesDialog inner(L"DuiTestInner");
        inner.Create(owner.GetHWND(), L"DuiInner", WS_POPUP, 0);
        ModalAnswer answerInner(L"DuiInner", nullptr, [](UiWindow& w) { w.Click(L"yes"); });
        EXPECT_EQ(inner.ShowModal(), static_cast<UINT>(IDYES));
        ownerEnabledAfterInner = IsWindowEnabled(owner.GetHWND()) != FALSE;
        PostMessageW(outerWindow.Hwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(outer, static_cast<UINT>(IDCANCEL));
    EXPECT_FALSE(ownerEnabledAfterInner);
    EXPECT_TRUE(IsWindowEnabled(owner.GetHWND()));
}

namespace {
// Declines the first WM_CLOSE, as an "are you sure?" window would.
class DecliningWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    int declines = 1;

protected:
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM, LPARAM, BOOL& bHandled) override {
        bHandled = uMsg == WM_CLOSE && declines > 0 ? (--declines, TRUE) : FALSE;
        return 0;
    }
};
} // namespace

TEST_F(WindowTest, DeclinedCloseKeepsTheOwnerDisabled) {
    DecliningWindow dialog(kDialogSkin, L"DuiTestDialog");
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
