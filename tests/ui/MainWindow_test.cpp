#include "ui/MainWindow.h"

#include "common/RegistryRead.h"
#include "common/Seams.h"
#include "duilib/UIAutomationDetail.h"
#include "tests/pause/PauseTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace NvLullgate {
struct MainWindowTestAccess {
    static int32_t Frame(const MainWindow& w) { return w.m_loadingFrame; }
};
} // namespace NvLullgate

using namespace DuiLib;
using NvLullgate::MainWindow;
using UiDriver::ModalAnswer;
using UiDriver::UiWindow;
using UiDriver::UseSkin;

namespace {

using PauseTest::kSettings;
const wchar_t kReminders[] = L"SOFTWARE\\Norvane\\Lullgate\\reminders";
const wchar_t kPauseCircle[] = L"drawable\\ProgressCircle\\ProgressCircle_pause@1.5x.png";

// The controls whose visibility makes a view, and the views as the names of those shown.
const wchar_t* const kViewControls[] = {L"progressButton",       L"pauseDaysEdit",     L"editErrorTips",
                                        L"pauseUpdateButton",    L"calmlockPauseTips", L"recoverUpdateButton",
                                        L"recoverupdatetipLable"};
const std::wstring kLoading = L"progressButton";
const std::wstring kNotPaused = L"pauseDaysEdit editErrorTips pauseUpdateButton";
const std::wstring kPaused = L"calmlockPauseTips recoverUpdateButton";
const std::wstring kResuming = L"calmlockPauseTips recoverupdatetipLable";

CapturedLine Error(const std::wstring& text, const std::wstring& operation) {
    return {4, text + L"(NvLullgate::MainWindow::" + operation + L")"};
}

class MainWindowTest : public RegistrySandboxTest {
protected:
    void SetUp() override {
        RegistrySandboxTest::SetUp();
        UseSkin();
        // The settings page is recorded, not opened: the launcher gets a finished "process".
        Seams::SetCreateProcess(
            [this](LPCWSTR, LPWSTR commandLine, auto, auto, auto, auto, auto, auto, auto, LPPROCESS_INFORMATION pi) {
                launches.emplace_back(commandLine);
                pi->hProcess = CreateEventW(nullptr, TRUE, TRUE, nullptr);
                pi->hThread = CreateEventW(nullptr, TRUE, TRUE, nullptr);
                return TRUE;
            });
    }
    void TearDown() override {
        window.reset();
        Seams::SetCreateProcess(nullptr);
        Seams::SetTime(nullptr);
        RegistrySandboxTest::TearDown();
    }

    // Creates and shows the window the way start-up does.
    void Open() {
        window = std::make_unique<MainWindow>();
        ASSERT_NE(window->Create(nullptr, L"", WS_POPUP, WS_EX_WINDOWEDGE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr),
                  nullptr);
        window->CenterWindow();
        window->ShowWindow(true, true);
        w = UiWindow(window->GetHWND());
    }
    // Timer notifications as the toolkit sends them, without waiting 16 ms for each.
    void Tick(UINT id, int times) {
        CControlUI* carrier = w.Control(id == 1 ? L"progressButton" : L"recoverupdatetipLable");
        for (int i = 0; i < times; ++i) {
            w.Manager()->SendNotify(carrier, DUI_MSGTYPE_TIMER, id, 0);
        }
    }
    void Load() {
        Open();
        Tick(1, 61);
    }
    std::wstring View() const {
        std::wstring shown;
        for (const wchar_t* name : kViewControls) {
            if (w.Control(name)->IsVisibleInTree()) {
                shown += (shown.empty() ? L"" : L" ") + std::wstring(name);
            }
        }
        return shown;
    }
    // Replaces the days text as a paste does: one change, whatever the characters.
    void Enter(const std::wstring& text) const {
        HWND edit = w.ControlAs<CEditUI>(L"pauseDaysEdit", L"Edit")->GetNativeWindow();
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Answers the message window that `action` opens and returns the text it showed.
    std::wstring MessageFrom(const std::function<void()>& action) {
        std::wstring shown = L"no message";
        ModalAnswer answer(L"LullgateConfirmWnd", nullptr, [&](UiWindow& m) {
            shown = m.Text(L"describeText");
            m.Click(L"confirmButton");
        });
        action();
        return shown;
    }
    // The window goes, and the program's quit message waits for the message loop.
    static bool QuitArrives(HWND hwnd) {
        UiDriver::PumpUntil([&] { return !IsWindow(hwnd); });
        MSG msg{};
        return !IsWindow(hwnd) && PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    }
    std::vector<CapturedLine> WindowLines() const {
        std::vector<CapturedLine> lines;
        for (const CapturedLine& line : capture.Lines()) {
            if (line.text.find(L"(NvLullgate::MainWindow::") != std::wstring::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }
    static void WritePause(const std::wstring& start, const std::wstring& end) {
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kSettings, PauseTest::kSixValues[i], i % 2 == 0 ? start : end));
        }
    }

    LogCapture capture;
    std::unique_ptr<MainWindow> window;
    UiWindow w;
    std::vector<std::wstring> launches;
};

TEST_F(MainWindowTest, DaysTextEnablesPauseOnlyFrom36To365) {
    Load();
    // How a typed count is read has its own test; here, that the button and the hint follow it.
    const std::wstring hint = L"Enter a number from 36 to 365.";
    const struct {
        const wchar_t* text;
        bool enabled;
        std::wstring hint;
    } cases[] = {{L"36", true, L""}, {L"366", false, hint}, {L"60x", true, L""}, {L"", false, L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "days text '" << std::wstring(c.text) << "'");
        Enter(c.text);
        EXPECT_EQ(w.Text(L"pauseDaysEdit"), c.text); // a paste is not filtered as typing is
        EXPECT_EQ(w.Control(L"pauseUpdateButton")->IsEnabled(), c.enabled);
        EXPECT_EQ(w.Text(L"editErrorTips"), c.hint);
    }
    EXPECT_TRUE(WindowLines().empty());
}

TEST_F(MainWindowTest, FramesTurnForSixtyTicksAndTheStatusIsReadOnTheSixtyFirst) {
    Open();
    EXPECT_EQ(View(), kLoading);
    EXPECT_EQ(w.Control(L"progressButton")->GetForeImage(),
              L"file='drawable\\ic_update@2x.png' reverse='true' dest='56,56,104,104'");
    // A frame repaints only the progress control (and its focus ring's margin), and a frame once
    // drawn is not kept decoded.
    RECT around = w.Control(L"progressButton")->GetPos();
    InflateRect(&around, 5, 5);
    UpdateWindow(w.Hwnd());
    const size_t cached = Render::ImageCacheSize(); // the window's own images; at most one frame joins them
    for (int frame = 1; frame <= 60; ++frame) {
        ValidateRect(w.Hwnd(), nullptr);
        Tick(1, 1);
        wchar_t image[64] = {};
        swprintf_s(image, 64, L"drawable\\ProgressCircle\\loading %03d@1.5x.png", frame);
        ASSERT_EQ(w.Control(L"progressButton")->GetBkImage(), image);
        RECT update{};
        RECT both{};
        ASSERT_TRUE(GetUpdateRect(w.Hwnd(), &update, FALSE));
        UnionRect(&both, &update, &around);
        ASSERT_TRUE(EqualRect(&both, &around)) << frame;
        UpdateWindow(w.Hwnd());
        ASSERT_LE(Render::ImageCacheSize(), cached + 1) << frame;
    }
    EXPECT_EQ(View(), kLoading);
    EXPECT_TRUE(capture.Lines().empty()); // the engine has not been asked yet
    Tick(1, 1);
    EXPECT_EQ(NvLullgate::MainWindowTestAccess::Frame(*window), 1); // 60 wraps to 1
    EXPECT_EQ(w.Control(L"progressButton")->GetBkImage(), kPauseCircle);
    EXPECT_EQ(View(), kNotPaused);
    EXPECT_FALSE(capture.Lines().empty()); // no pause values: the engine says so at warn
    EXPECT_TRUE(WindowLines().empty());
}

// Frames come from the strip decoded ahead (UIImageStrip.h) once it has them: the next one, and one
// far on, look exactly as drawn from their files, at 100 % (scaled) and 150 % (as the files are).
TEST_F(MainWindowTest, FramesFromTheStripLookAsDrawnFromTheirFiles) {
    for (const int dpi : {96, 144}) {
        std::unique_ptr<MainWindow> windows[2];
        UiWindow views[2];
        for (int i = 0; i < 2; ++i) {
            Open();
            RECT rc{0, 0, MulDiv(440, dpi, 96), MulDiv(330, dpi, 96)};
            SendMessageW(w.Hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rc));
            windows[i] = std::move(window);
            views[i] = w;
            w.Control(L"progressButton")->KillTimer(1); // the frames move only with the ticks below
        }
        views[1].Control(L"progressButton")->SetBkImageFrames({}); // this one draws every frame from its file
        const auto paint = [](const UiWindow& view) {              // true when the frame was not decoded from its file
            const std::wstring frame =
                CPaintManagerUI::ResolveResourcePath(view.Control(L"progressButton")->GetBkImage());
            Render::ForgetImage(frame);
            const size_t cached = Render::ImageCacheSize();
            (void)view.Manager()->Render();
            const bool fromStrip = Render::ImageCacheSize() == cached;
            Render::ForgetImage(frame);
            return fromStrip;
        };
        for (const int ticks : {1, 1, 13}) { // frames 1, 2 and 15
            for (UiWindow& view : views) {
                w = view;
                Tick(1, ticks);
            }
            ASSERT_TRUE(UiDriver::PumpUntil([&] { return paint(views[0]); })) << dpi;
            ASSERT_FALSE(paint(views[1]));
            const RECT rc = views[0].Control(L"progressButton")->GetPos();
            for (LONG y = rc.top; y < rc.bottom; ++y) {
                for (LONG x = rc.left; x < rc.right; ++x) {
                    ASSERT_EQ(views[0].Manager()->GetPaintedPixel(POINT{x, y}),
                              views[1].Manager()->GetPaintedPixel(POINT{x, y}))
                        << dpi << " " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(MainWindowTest, UnreadableStatusShowsTheSystemErrorAndQuits) {
    // A clock past what the runtime can express.
    Seams::SetTime([] { return static_cast<__time64_t>(-1); });
    Open();
    EXPECT_EQ(MessageFrom([&] { Tick(1, 61); }),
              L"Lullgate couldn't read the Windows Update settings and will close now.");
    EXPECT_EQ(WindowLines(), std::vector<CapturedLine>{Error(L"GetPauseStatus is fail", L"SetInitUX")});
    EXPECT_TRUE(QuitArrives(w.Hwnd()));
}

// A paused-until text that cannot be formatted with one date leaves every control as it was.
TEST_F(MainWindowTest, PausedTextThatCannotBeFormattedChangesNothing) {
    WritePause(L"2024-01-01T00:00:00Z", L"2095-01-01T12:00:00Z");
    for (const wchar_t* language : {L"x-long", L"x-twodates", L"x-number"}) {
        SCOPED_TRACE(testing::Message() << std::wstring(language));
        capture.Clear();
        UseSkin(L"res\\", L"test-skins\\tips\\values\\", language);
        Load();
        EXPECT_EQ(WindowLines(), std::vector<CapturedLine>{Error(L"swprintf_s is fail", L"SetRecoverUX")});
        EXPECT_EQ(w.Text(L"calmlockPauseTips"), L"");
        EXPECT_FALSE(w.Control(L"calmlockPauseTips")->IsVisible());
        EXPECT_FALSE(w.Control(L"recoverUpdateButton")->IsVisible());
    }
}

const std::wstring kSetFail = L"Lullgate couldn't change the Windows Update settings. Please try again.";

TEST_F(MainWindowTest, FailingPauseOrResumeShowsTheMessageAndKeepsTheView) {
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kSettings));
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kSettings));
    Load();
    Enter(L"60");
    EXPECT_EQ(MessageFrom([&] { w.Click(L"pauseUpdateButton"); }), kSetFail);
    EXPECT_EQ(View(), kNotPaused);
    EXPECT_EQ(w.Text(L"pauseDaysEdit"), L"60");
    EXPECT_EQ(WindowLines(), std::vector<CapturedLine>{Error(L"DoPauseWinUpdate fail!", L"ClickPauseButton")});

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE");
    WritePause(L"2024-01-01T00:00:00Z", L"2095-01-01T12:00:00Z");
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kSettings));
    Load();
    ASSERT_EQ(View(), kPaused);
    EXPECT_EQ(MessageFrom([&] { w.Click(L"recoverUpdateButton"); }), kSetFail);
    EXPECT_EQ(View(), kPaused);
    EXPECT_TRUE(launches.empty());
}

// A launch that fails is logged and the view still returns (the keyboard case below sees the
// page open); the resumed pause is noted, so the reminder will not tell this user it ended.
TEST_F(MainWindowTest, ResumeOpensTheSettingsPageAfterSixtyTicks) {
    Seams::SetCreateProcess([this](LPCWSTR, LPWSTR commandLine, auto...) {
        launches.emplace_back(commandLine);
        return FALSE;
    });
    WritePause(L"2024-01-01T00:00:00Z", L"2095-01-01T12:00:00Z");
    Load();
    ASSERT_TRUE(w.Click(L"recoverUpdateButton"));
    EXPECT_EQ(View(), kResuming);
    EXPECT_EQ(w.Text(L"calmlockPauseTips"), L"Updates are paused until 2095-01-01");
    Tick(2, 59);
    EXPECT_TRUE(launches.empty());
    Tick(2, 1);
    EXPECT_EQ(launches, std::vector<std::wstring>{L"control update"});
    EXPECT_EQ(View(), kNotPaused);
    std::wstring resumed;
    EXPECT_EQ(Registry::ReadString(HKEY_CURRENT_USER, kReminders, L"resumedEnd", resumed), ERROR_SUCCESS);
    EXPECT_EQ(resumed, L"2095-01-01T12:00:00Z");
    EXPECT_EQ(WindowLines(),
              std::vector<CapturedLine>{Error(L"Jump windows update sys UI fail!", L"AnimationRecover")});
}

// The whole flow with the keyboard alone: Tab to the field, type, Enter pauses (for 60 days from the
// moment of the status read); Tab to resume, Space resumes; Tab to about, Enter opens it.
TEST_F(MainWindowTest, KeyboardAlonePausesAndResumes) {
    Seams::SetTime([] { return static_cast<__time64_t>(1709294400); }); // 2024-03-01T12:00:00Z
    Load();
    w.PressKey(VK_TAB);
    ASSERT_EQ(w.Manager()->GetFocus(), w.Control(L"pauseDaysEdit"));
    for (wchar_t c : std::wstring(L"6a0")) { // digits only from the keyboard
        SendMessageW(GetFocus(), WM_CHAR, c, 1);
    }
    EXPECT_EQ(w.Text(L"pauseDaysEdit"), L"60");
    w.PressKey(VK_RETURN);
    ASSERT_EQ(View(), kPaused);
    EXPECT_EQ(w.Text(L"calmlockPauseTips"), L"Updates are paused until 2024-04-30");
    // Windows' view is read again: the pause wrote its own maximum of 60, and nothing of Windows'.
    EXPECT_EQ(w.Text(L"windowsViewText"), L"60 days left.");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\WindowsUpdate\\UpdatePolicy"));

    w.PressKey(VK_TAB); // the reminder choice comes before the buttons
    ASSERT_EQ(w.Manager()->GetFocus(), w.Control(L"remindCheck"));
    w.PressKey(VK_TAB);
    ASSERT_EQ(w.Manager()->GetFocus(), w.Control(L"recoverUpdateButton"));
    w.PressKey(VK_SPACE);
    EXPECT_EQ(View(), kResuming);
    Tick(2, 60);
    EXPECT_EQ(View(), kNotPaused);
    EXPECT_EQ(w.Text(L"pauseDaysEdit"), L"");
    EXPECT_EQ(launches.size(), 1u);
    // After the page, Tab reaches the about button past the field and the reminder choice; Enter
    // opens the about window modally over this one.
    w.PressKey(VK_TAB);
    w.PressKey(VK_TAB);
    w.PressKey(VK_TAB);
    EXPECT_EQ(w.Manager()->GetFocus(), w.Control(L"aboutButton"));
    HWND owner = nullptr;
    ModalAnswer answer(L"CalmlockAboutWnd", nullptr, [&](UiWindow& about) {
        owner = IsWindowEnabled(w.Hwnd()) ? nullptr : GetWindow(about.Hwnd(), GW_OWNER); // modal: owner disabled
        PostMessageW(about.Hwnd(), WM_CLOSE, 0, 0);
    });
    w.PressKey(VK_RETURN);
    EXPECT_EQ(owner, w.Hwnd());
    EXPECT_TRUE(IsWindowEnabled(w.Hwnd()));
    EXPECT_TRUE(WindowLines().empty());
}

TEST_F(MainWindowTest, CloseButtonCloseAndQuitMessagesEndTheProgram) {
    const std::function<void(UiWindow&)> ways[] = {
        [](UiWindow& m) { m.Click(L"closeButton"); },
        [](UiWindow& m) { SendMessageW(m.Hwnd(), WM_CLOSE, 0, 0); },
        [](UiWindow& m) { SendMessageW(m.Hwnd(), WM_QUIT, 0, 0); },
    };
    for (const auto& way : ways) {
        Load();
        way(w);
        EXPECT_TRUE(QuitArrives(w.Hwnd()));
    }
}

TEST_F(MainWindowTest, ClicksGoByTheExactName) {
    Load();
    // None of these may quit, minimise, open a window (the test would hang in it) or pause.
    for (const wchar_t* name :
         {L"closeButtonX", L"closebutton", L"aboutButtonX", L"pauseUpdateButton1", L"recoverUpdateButtonX"}) {
        CButtonUI stranger;
        stranger.SetName(name);
        TNotifyUI click{};
        click.sType = DUI_MSGTYPE_CLICK;
        click.pSender = &stranger;
        window->Notify(click);
    }
    UiDriver::Pump(50);
    EXPECT_TRUE(IsWindowVisible(w.Hwnd()));
    EXPECT_FALSE(IsIconic(w.Hwnd()));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kSettings, L"FlightSettingsMaxPauseDays"));

    ASSERT_TRUE(w.Click(L"minButton"));
    EXPECT_TRUE(IsIconic(w.Hwnd()));
}

TEST_F(MainWindowTest, SkinMissingAControlLogsAndStartsNoTimer) {
    UseSkin(L"test-skins\\nocontrol\\", L"res\\values\\", L"en-US");
    Open();
    UiDriver::Pump(100);
    EXPECT_EQ(capture.Lines(),
              std::vector<CapturedLine>{Error(L"get pause windows update control fail.", L"InitWindow")});
    EXPECT_EQ(w.Control(L"progressButton")->GetBkImage(), L"skin.png"); // no frame was ever set
    wchar_t title[32] = {};
    GetWindowTextW(w.Hwnd(), title, 32);
    EXPECT_STREQ(title, L"Calmlock"); // a second start still finds it
}

// The paused-until line and Windows' own view under it: days left and Windows' word, in both
// languages (read again after a pause: the keyboard case).
TEST_F(MainWindowTest, WindowsViewLineSaysWhatWindowsSaysAndNothingElse) {
    const std::wstring record = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UpdatePolicy\\Settings";
    const std::wstring policy = L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate";
    // 2024-03-01T00:00:00Z as "now"; a pause ending 2024-03-11T00:00:00Z has 10 days left.
    Seams::SetTime([] { return static_cast<__time64_t>(1709251200); });
    const struct {
        const wchar_t* language;
        std::wstring pausedUntil; // empty: no pause
        std::function<void()> seed;
        std::wstring line;
    } cases[] = {
        // How the line is made has its own test; here, that the window reads and shows it.
        {L"en-US", L"Updates are paused until 2024-03-11",
         [&] {
             WriteDword(HKEY_LOCAL_MACHINE, record, L"PausedQualityStatus", 1);
             WriteDword(HKEY_LOCAL_MACHINE, record, L"PausedFeatureStatus", 1);
         },
         L"10 days left. Windows confirms the pause."},
        {L"zh-CN", L"\u66F4\u65B0\u5DF2\u6682\u505C\u81F3 2024-03-11",
         [&] { WriteDword(HKEY_LOCAL_MACHINE, record, L"PausedQualityStatus", 2); },
         L"\u8FD8\u5269 10 \u5929\u3002Windows \u8868\u793A\u5DF2\u7ED3\u675F\u6B64\u6B21\u6682\u505C\u3002"},
        {L"en-US", L"", [] {}, L""},
        {L"en-US", L"", [&] { WriteDword(HKEY_LOCAL_MACHINE, policy, L"SetDisablePauseUXAccess", 1); },
         L"A policy on this PC turns pausing off. Windows ignores a pause set here."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE");
        UseSkin(L"res\\", L"res\\values\\", c.language);
        if (!c.pausedUntil.empty()) {
            WritePause(L"2024-02-01T00:00:00Z", L"2024-03-11T00:00:00Z");
        }
        c.seed();
        Load();
        EXPECT_EQ(w.Text(L"calmlockPauseTips"), c.pausedUntil);
        EXPECT_EQ(w.Text(L"windowsViewText"), c.line);
        EXPECT_EQ(w.Control(L"windowsViewText")->IsVisible(), !c.line.empty());
    }
}

// Values a damaged or expired pause left: one line in the not-paused view, whose link clears them
// with the resume the paused view offers; gone once they are.
TEST_F(MainWindowTest, LeftoversAreShownAndClearedByAResume) {
    const struct {
        const wchar_t* language;
        std::wstring line;
    } cases[] = {
        {L"en-US", L"Values from an earlier pause are still set. Clear them"},
        {L"zh-CN", L"\u4E4B\u524D\u6682\u505C\u7559\u4E0B\u7684\u8BBE\u7F6E\u4ECD\u7136\u5B58\u5728\u3002"
                   L"\u6E05\u9664"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.language));
        UseSkin(L"res\\", L"res\\values\\", c.language);
        ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kSettings, L"PauseUpdatesExpiryTime", L"2095-01-01T00:00:00Z"));
        Load();
        EXPECT_EQ(View(), kNotPaused);
        ASSERT_TRUE(w.Control(L"leftoverText")->IsVisible());
        EXPECT_EQ(Render::StripMarkup(w.Text(L"leftoverText")), c.line);
        w.ClickAt(w.LinkPoint(L"leftoverText", 0));
        EXPECT_EQ(View(), L"recoverupdatetipLable");
        EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kSettings, L"PauseUpdatesExpiryTime"));
        Tick(2, 60);
        EXPECT_EQ(View(), kNotPaused);
        EXPECT_FALSE(w.Control(L"leftoverText")->IsVisible());
        EXPECT_EQ(launches.size(), 1u);
        launches.clear();
    }
}

// A screen reader finds the paused view as it is seen: no days field, none of the words around it,
// and the window called by the product's name (its title stays the name a second start looks for,
// as the skin case above shows).
TEST_F(MainWindowTest, PausedViewTreeHoldsOnlyWhatIsShown) {
    WritePause(L"2024-01-01T00:00:00Z", L"2095-01-01T12:00:00Z");
    Load();
    ASSERT_EQ(View(), kPaused);
    std::vector<UiDriver::Described> seen;
    std::wstring root;
    ASSERT_TRUE(UiDriver::Describe(w.Hwnd(), seen, &root));
    EXPECT_EQ(root, L"Lullgate");
    const auto has = [&](const std::wstring& name) {
        return std::any_of(seen.begin(), seen.end(), [&](const UiDriver::Described& d) { return d.name == name; });
    };
    EXPECT_TRUE(has(L"Updates are paused until 2095-01-01"));
    EXPECT_TRUE(has(L"Resume updates"));
    for (const wchar_t* hidden : {L"Pause updates for", L"days", L"Pause updates", L"Enter a number from 36 to 365."}) {
        EXPECT_FALSE(has(hidden)) << std::wstring(hidden);
    }
    EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [](const UiDriver::Described& d) {
        return d.type == 50004; // UIA_EditControlTypeId
    }));
}

// Reminders stay on until this user turns them off, and the next start shows the choice as the
// reminder will read it. A screen reader reads the state and turns it over through the toggle
// pattern, the way Space does.
TEST_F(MainWindowTest, ReminderChoiceIsKeptForThisUser) {
    const auto stored = [] {
        DWORD enabled = 2;
        EXPECT_EQ(Registry::ReadDword(HKEY_CURRENT_USER, kReminders, L"enabled", enabled), ERROR_SUCCESS);
        return enabled;
    };
    Load();
    EXPECT_TRUE(w.ControlAs<CCheckBoxUI>(L"remindCheck", L"CheckBox")->IsSelected());
    ASSERT_TRUE(w.Click(L"remindCheck"));
    EXPECT_EQ(stored(), 0u);
    Load();
    auto* box = w.ControlAs<CCheckBoxUI>(L"remindCheck", L"CheckBox");
    EXPECT_FALSE(box->IsSelected());
    IRawElementProviderSimple* element = w.Manager()->GetAutomation().Element(box);
    ASSERT_NE(element, nullptr);
    IUnknown* pattern = nullptr;
    ASSERT_EQ(element->GetPatternProvider(AutomationDetail::kTogglePattern, &pattern), S_OK);
    auto* toggle = static_cast<AutomationDetail::ToggleProvider*>(pattern);
    int state = -1;
    EXPECT_EQ(toggle->get_ToggleState(&state), S_OK);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(toggle->Toggle(), S_OK);
    UiDriver::Pump();
    EXPECT_TRUE(box->IsSelected());
    EXPECT_EQ(stored(), 1u);
    pattern->Release();
    element->Release();
    EXPECT_TRUE(WindowLines().empty());
}

} // namespace
