// The reference for start-up, memory and shut-down: a bare Win32 program that creates one window of
// the main window's size, paints a background and a line of text, and ends when the window is closed,
// also by a click on its close button: 40 × 40 units at the right end of the top edge, where the main
// window has its own. Built as bare_gdiplus_window (LULLGATE_BARE_GDIPLUS) it is the floor of any
// window drawn with GDI+: GDI+ started for the run, the line drawn through it in the skin's font, and
// GDI+ shut down at the end. Built as bare_thread_window (LULLGATE_BARE_THREAD) it first runs one
// short worker thread, as the main window does to decode its animation: what a thread alone costs.
// Separate programs, so that the bare one loads no GDI+ and starts no thread.
#include <windows.h>
#include <windowsx.h>

#include <gdiplus.h>

namespace {

#ifdef LULLGATE_BARE_GDIPLUS
constexpr bool g_gdiplus = true;
#else
constexpr bool g_gdiplus = false;
#endif

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (g_gdiplus) {
            Gdiplus::Graphics graphics(dc);
            const Gdiplus::Font font(L"Microsoft YaHei UI", 14, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
            const Gdiplus::SolidBrush ink(Gdiplus::Color(255, 0, 0, 0));
            graphics.DrawString(L"Bare window", -1, &font, Gdiplus::PointF(20, 20), &ink);
        } else {
            DrawTextW(dc, L"Bare window", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONUP: {
        RECT client{};
        GetClientRect(hwnd, &client);
        const int size = MulDiv(40, static_cast<int>(GetDpiForWindow(hwnd) != 0 ? GetDpiForWindow(hwnd) : 96), 96);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (at.x >= client.right - size && at.y < size) {
            DestroyWindow(hwnd);
        }
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

int Run(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"LullgateBenchBare";
    if (RegisterClassW(&windowClass) == 0) {
        return 1;
    }
    HWND hwnd = CreateWindowExW(0, windowClass.lpszClassName, g_gdiplus ? L"Bare GDI+" : L"Bare", WS_POPUP, 200, 200,
                                440, 330, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        return 1;
    }
    ShowWindow(hwnd, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
#ifdef LULLGATE_BARE_THREAD
    HANDLE worker = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
            return 0;
        },
        nullptr, 0, nullptr);
    if (worker != nullptr) {
        WaitForSingleObject(worker, INFINITE);
        CloseHandle(worker);
    }
#endif
    if (!g_gdiplus) {
        return Run(instance);
    }
    const Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        return 1;
    }
    const int result = Run(instance);
    Gdiplus::GdiplusShutdown(token);
    return result;
}
