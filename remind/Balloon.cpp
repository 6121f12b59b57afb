#include "remind/Balloon.h"

#include "common/ModulePath.h"
#include "common/Seams.h"

#include <shellapi.h>

#include <cwchar>

namespace NvLullgate::Reminders {
namespace {

constexpr UINT kCallback = WM_APP + 1;
constexpr UINT_PTR kLimitTimer = 1;
constexpr wchar_t kClass[] = L"LullgateReminder";

struct State {
    BalloonEnd end = BalloonEnd::timedOut;
    bool done = false;
};

void Finish(HWND window, BalloonEnd end) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state != nullptr && !state->done) {
        state->end = end;
        state->done = true;
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCallback) {
        // Version 4 of the notification area: the event is in the low word.
        switch (LOWORD(lParam)) {
        case NIN_BALLOONUSERCLICK:
            Finish(window, BalloonEnd::clicked);
            break;
        case NIN_BALLOONTIMEOUT:
        case NIN_BALLOONHIDE:
            Finish(window, BalloonEnd::closed);
            break;
        default:
            break;
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == kLimitTimer) {
        Finish(window, BalloonEnd::timedOut);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CopyText(wchar_t* target, size_t size, const std::wstring& text) {
    (void)wcsncpy_s(target, size, text.c_str(), _TRUNCATE);
}

// Lullgate.exe beside the reminder, started by the signed-in user's shell: it asks for elevation
// itself, so the reminder never holds more rights than the user has.
void StartLullgate() {
    const std::wstring program = BesideExePath(L"Lullgate.exe");
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.nShow = SW_SHOWNORMAL;
    (void)Seams::ShellExecuteExW(&info);
}

} // namespace

BalloonEnd ShowBalloon(const BalloonText& text, HICON icon, DWORD limitMs) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    (void)RegisterClassExW(&windowClass); // already registered is fine
    HWND window =
        CreateWindowExW(0, kClass, kClass, WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        return BalloonEnd::failed;
    }
    State state;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE | NIF_INFO | NIF_SHOWTIP;
    data.uCallbackMessage = kCallback;
    data.hIcon = icon;
    data.hBalloonIcon = icon;
    data.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
    CopyText(data.szTip, std::size(data.szTip), text.tip);
    CopyText(data.szInfoTitle, std::size(data.szInfoTitle), text.title);
    CopyText(data.szInfo, std::size(data.szInfo), text.text);
    if (!Seams::ShellNotifyIconW(NIM_ADD, &data)) {
        DestroyWindow(window);
        return BalloonEnd::failed;
    }
    data.uVersion = NOTIFYICON_VERSION_4;
    (void)Seams::ShellNotifyIconW(NIM_SETVERSION, &data);
    SetTimer(window, kLimitTimer, limitMs, nullptr);

    MSG msg{};
    while (!state.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    KillTimer(window, kLimitTimer);
    (void)Seams::ShellNotifyIconW(NIM_DELETE, &data);
    DestroyWindow(window);
    if (state.end == BalloonEnd::clicked) {
        StartLullgate();
    }
    return state.end;
}

} // namespace NvLullgate::Reminders
