// Shows one skinned window for screenshots (scripts/shots): the skin gallery, the message window,
// the consent windows, the withdrawal confirmation, the about window, or the main window in one of
// its views, in a given language, over a plain light backdrop, and quits after a few seconds. The
// main window's pauses and resumes go to a registry sandbox, and the settings page is never opened.
//   ui_shot_host.exe gallery|confirm|confirm-long|confirm-link|consent|change|change-privacy|withdraw|about
//                    |main-<view> <language tag> [seconds]
//   views: loading, empty, valid, range, paused, resuming
// A name ending in "-hc" shows the window in a high-contrast theme (white on black, as Windows'
// "Night sky"); the system colours are put back before the host ends.
#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "duilib/UITheme.h"
#include "privacy/ui/ChangeNoticationUI.h"
#include "privacy/ui/PrivacySecurityWelcomUI.h"
#include "privacy/ui/StopServiceConfirmUI.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/UiDriver.h"
#include "ui/AboutDialog.h"
#include "ui/ConfirmWindow.h"
#include "remind/Balloon.h"
#include "remind/Reminders.h"
#include "ui/MainWindow.h"

#include <cwchar>
#include <iterator>
#include <memory>
#include <string>

using namespace DuiLib;

namespace {

class GalleryWindow : public WindowImplBase {
protected:
    const wchar_t* GetWindowClassName() const override { return L"DuiGalleryUI"; }
    CDuiString GetSkinFile() override { return L"layout\\gallery.xml"; }
};

LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        unique_gdi<HBRUSH> brush(CreateSolidBrush(RGB(0xF3, 0xF3, 0xF3)));
        FillRect(reinterpret_cast<HDC>(wParam), &rc, brush.get());
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeBackdrop() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &BackdropProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ShotBackdrop";
    RegisterClassExW(&wc);
    HWND hwnd =
        CreateWindowExW(0, L"ShotBackdrop", L"ShotBackdrop", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(hwnd);
    return hwnd;
}

// The colours of a dark high-contrast theme while it lives, for this Wine session; the old ones after.
class HighContrastColours {
public:
    HighContrastColours() {
        for (size_t i = 0; i < std::size(kIndexes); ++i) {
            m_saved[i] = GetSysColor(kIndexes[i]);
        }
        const COLORREF theme[] = {RGB(0, 0, 0),      RGB(255, 255, 255), RGB(255, 255, 0),
                                  RGB(26, 235, 255), RGB(0, 0, 0),       RGB(63, 242, 63)};
        (void)SetSysColors(static_cast<int>(std::size(kIndexes)), kIndexes, theme);
        DuiLib::Theme::ForceHighContrast(true);
    }
    ~HighContrastColours() { (void)SetSysColors(static_cast<int>(std::size(kIndexes)), kIndexes, m_saved); }
    HighContrastColours(const HighContrastColours&) = delete;
    HighContrastColours& operator=(const HighContrastColours&) = delete;

private:
    static constexpr INT kIndexes[] = {COLOR_WINDOW,    COLOR_WINDOWTEXT,    COLOR_HOTLIGHT,
                                       COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_GRAYTEXT};
    COLORREF m_saved[std::size(kIndexes)]{};
};

// A DWORD under HKEY_LOCAL_MACHINE (the sandbox's; the key is made when missing).
void SeedDword(const wchar_t* path, const wchar_t* name, DWORD value) {
    (void)RegSetKeyValueW(HKEY_LOCAL_MACHINE, path, name, REG_DWORD, &value, sizeof(value));
}

// Brings the main window to `view` and holds it there.
void ShowMainView(NvLullgate::MainWindow& window, std::wstring view) {
    // What Windows says: its confirmation or its end of the pause (shown paused), or a policy.
    constexpr wchar_t kRecord[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UpdatePolicy\\Settings";
    if (view == L"confirmed" || view == L"ended") {
        SeedDword(kRecord, L"PausedQualityStatus", view == L"ended" ? 2 : 1);
        SeedDword(kRecord, L"PausedFeatureStatus", 1);
        view = L"paused";
    } else if (view == L"policy") {
        SeedDword(L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate", L"SetDisablePauseUXAccess", 1);
        view = L"empty";
    } else if (view == L"leftovers") {
        // An expired pause: its values are still there, so is the day count it wrote.
        constexpr wchar_t kSettings[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
        constexpr wchar_t kExpiry[] = L"2024-11-16T12:00:00Z";
        SeedDword(kSettings, L"FlightSettingsMaxPauseDays", 60);
        (void)RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSettings, L"PauseUpdatesExpiryTime", REG_SZ, kExpiry,
                              sizeof(kExpiry));
        view = L"empty";
    }
    UiDriver::UiWindow driver(window.GetHWND());
    CPaintManagerUI& pm = window.GetPaintManager();
    CControlUI* progress = pm.FindControl(L"progressButton");
    // The ticks come from here rather than the 16 ms timer, so every picture shows the same moment:
    // a quarter of a turn while loading, else the status read.
    progress->KillTimer(1);
    for (int i = 0; i < (view == L"loading" ? 15 : 61); ++i) {
        pm.SendNotify(progress, DUI_MSGTYPE_TIMER, 1, 0);
    }
    if (view == L"valid" || view == L"range") {
        driver.PressKey(VK_TAB); // the keyboard's focus line shows on the field
        for (const wchar_t c : std::wstring(view == L"valid" ? L"60" : L"400")) {
            SendMessageW(GetFocus(), WM_CHAR, c, 1);
        }
    } else if (view == L"paused" || view == L"resuming") {
        driver.Type(L"pauseDaysEdit", L"60");
        driver.Click(L"pauseUpdateButton");
        if (view == L"resuming") {
            driver.Click(L"recoverUpdateButton");
            pm.FindControl(L"recoverupdatetipLable")->KillTimer(2);
        }
        driver.MouseMove(POINT{0, 0});
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring what = argc > 1 ? argv[1] : L"confirm";
    std::unique_ptr<HighContrastColours> highContrast;
    if (what.ends_with(L"-hc")) {
        what.resize(what.size() - 3);
        highContrast = std::make_unique<HighContrastColours>();
    }
    const std::wstring language = argc > 2 ? argv[2] : L"en-US";
    const int seconds = argc > 3 ? _wtoi(argv[3]) : 6;
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const GdiplusSession gdiplus; // before any window, and gone only after the last one

    CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    UiDriver::UseSkin(L"res\\", what == L"gallery" ? L"gallery\\values\\" : L"res\\values\\", language.c_str());

    if (what.starts_with(L"balloon-")) {
        // The reminder's balloon, as it tells of the event named (Lullgate.exe is not started).
        Seams::SetShellExecuteEx([](auto...) { return TRUE; });
        NvLullgate::Reminders::Decision decision;
        decision.event =
            what == L"balloon-ended" ? NvLullgate::Reminders::Event::ended : NvLullgate::Reminders::Event::endsSoon;
        decision.eventEnd = "2025-03-16T12:00:00Z";
        decision.daysLeft = 3;
        const auto lookUp = [](const wchar_t* key) { return UICulture::GetInstance()->GetString(key).str(); };
        (void)NvLullgate::Reminders::ShowBalloon(
            {lookUp(L"IDS_APP_NAME"), NvLullgate::Reminders::Text(decision, lookUp), lookUp(L"IDS_APP_NAME")},
            LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(103)), static_cast<DWORD>(seconds) * 1000);
        return 0;
    }
    HWND backdrop = MakeBackdrop();
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });

    if (what == L"gallery") {
        GalleryWindow window;
        window.Create(backdrop, L"DuiGallery", WS_POPUP, 0);
        window.CenterWindow();
        window.ShowWindow(true, true);
        // Show the looks a still picture cannot otherwise catch: hover and keyboard focus.
        UiDriver::UiWindow driver(window.GetHWND());
        CPaintManagerUI& pm = window.GetPaintManager();
        pm.SetFocus(pm.FindControl(L"secondaryFocus"), true);
        driver.MouseMove(driver.Centre(L"primaryHot"));
        CPaintManagerUI::MessageLoop();
        return 0;
    }
    if (what.starts_with(L"main-")) {
        ScopedRegistrySandbox sandbox;
        Seams::SetCreateProcess([](auto...) { return FALSE; });
        // A fixed today (2025-01-15), so a pause of 60 days always shows the same end.
        Seams::SetTime([] { return static_cast<__time64_t>(1736942400); });
        NvLullgate::MainWindow window;
        window.Create(nullptr, L"", WS_POPUP, WS_EX_WINDOWEDGE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, nullptr);
        window.CenterWindow();
        window.ShowWindow(true, true);
        ShowMainView(window, what.substr(5));
        CPaintManagerUI::MessageLoop();
        return 0;
    }
    // Each window with the title the program gives it, so the script can find it.
    std::unique_ptr<WindowImplBase> window;
    const wchar_t* title = L"LullgateConfirmWnd";
    if (what == L"consent") {
        window = std::make_unique<NvPcPrivacySecurity::PrivacySecurityWelcomUI>();
        title = L"PrivacySecurityWelcom";
    } else if (what == L"change" || what == L"change-privacy") {
        window = std::make_unique<NvPcPrivacySecurity::ChangeNoticationUI>(
            what == L"change" ? NvPcPrivacySecurity::ChangeBoth : NvPcPrivacySecurity::ChangePrivacy);
        title = L"ChangeNotication";
    } else if (what == L"withdraw") {
        window = std::make_unique<NvPcPrivacySecurity::StopServiceConfirmUI>();
        title = L"StopServiceConfirm";
    } else if (what == L"about") {
        window = std::make_unique<NvLullgate::AboutDialog>();
        title = L"CalmlockAboutWnd";
    } else if (what == L"confirm-link") {
        // A document no desktop shell could open, named where it lies.
        std::wstring text = UICulture::GetInstance()->GetString(L"IDS_LINK_NOT_OPENED").str();
        text.replace(text.find(L"%s"), 2, L"C:\\Program Files\\Lullgate\\docs\\privacy-statement.html");
        window = std::make_unique<ConfirmWindow>(text);
    } else {
        window = std::make_unique<ConfirmWindow>(
            UICulture::GetInstance()
                ->GetString(what == L"confirm-long" ? L"IDS_SYSTEM_RRROR" : L"IDS_PAUSE_SET_FAIL")
                .str());
    }
    window->Create(backdrop, title, WS_POPUP, 0);
    window->CenterToParentWindow();
    window->ShowModal();
    return 0;
}
