// Shows one skinned window for screenshots (scripts/shots): the skin gallery, the message window,
// the consent windows, the withdrawal confirmation or the about window, in a given language,
// over a plain light backdrop, and quits after a few seconds.
//   ui_shot_host.exe gallery|confirm|confirm-long|consent|change|change-privacy|withdraw|about
//                    <language tag> [seconds]
#include "privacy/ui/ChangeNoticationUI.h"
#include "privacy/ui/PrivacySecurityWelcomUI.h"
#include "privacy/ui/StopServiceConfirmUI.h"
#include "tests/support/UiDriver.h"
#include "ui/AboutDialog.h"
#include "ui/ConfirmWindow.h"

#include <cwchar>
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring what = argc > 1 ? argv[1] : L"confirm";
    const std::wstring language = argc > 2 ? argv[2] : L"en-US";
    const int seconds = argc > 3 ? _wtoi(argv[3]) : 6;
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);

    const std::wstring base = CPaintManagerUI::GetInstancePath().str();
    CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath((base + L"res\\").c_str());
    UICulture::GetInstance()->SetLanguage(language.c_str(), false);
    UICulture::GetInstance()->SetStringPath(
        (base + (what == L"gallery" ? L"gallery\\values\\" : L"res\\values\\")).c_str());

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
