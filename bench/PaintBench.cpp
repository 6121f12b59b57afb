// Painting of the main window at 100 % and 150 %, two windows in this process: one showing the
// status (not paused), one loading. Figures, pair by pair with their reference:
// - a full paint of the status view from scratch (everything invalidated through the toolkit) and
//   a repaint after one control changed (the pause button enabled or disabled, as typing does);
// - a repaint of the unchanged window (invalidated by Windows alone, as when it is uncovered)
//   against the least any repaint does: a plain window of the same size whose paint is one BitBlt
//   of its client area, repainted the same way (under Wine, invalidating, BeginPaint and EndPaint
//   cost several times the BitBlt itself, which is shown too);
// - each loading tick (the timer's notification and the paint it causes, the frame's first and
//   only showing in the animation's one turn) against a full paint of the status view. The ticks
//   come every 16 ms, as the window's timer sends them, so the frames' worker runs as it does
//   in the program; the area each tick invalidates is checked too.
#include "bench/BenchReport.h"
#include "common/UniqueHandle.h"
#include "duilib/UIlib.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/UiDriver.h"
#include "ui/MainWindow.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPairs = 101;
constexpr int kLoadingTicks = 60; // the tick that ends the loading shows the status
constexpr double kTimerPeriod = 0.016;

std::unique_ptr<NvLullgate::MainWindow> Open(int dpi) {
    auto window = std::make_unique<NvLullgate::MainWindow>();
    if (window->Create(nullptr, L"", WS_POPUP, WS_EX_WINDOWEDGE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                       CW_USEDEFAULT, nullptr) == nullptr) {
        return nullptr;
    }
    window->CenterWindow();
    window->ShowWindow(true, true);
    if (dpi != 96) {
        RECT rc{};
        GetWindowRect(window->GetHWND(), &rc);
        rc.right = rc.left + MulDiv(rc.right - rc.left, dpi, 96);
        rc.bottom = rc.top + MulDiv(rc.bottom - rc.top, dpi, 96);
        SendMessageW(window->GetHWND(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rc));
    }
    UpdateWindow(window->GetHWND());
    return window;
}

void Tick(const UiDriver::UiWindow& w) {
    w.Manager()->SendNotify(w.Control(L"progressButton"), DuiLib::DUI_MSGTYPE_TIMER, 1, 0);
}

double FullPaint(const UiDriver::UiWindow& w) {
    return Bench::Time([&] {
        w.Manager()->Invalidate();
        UpdateWindow(w.Hwnd());
    });
}

struct Loading {
    Bench::Pairs pairs;            // tick against a full paint of the status view
    std::vector<double> areaShare; // of the client
    std::vector<double> fromStrip; // the ticks whose frame came from the strip
    int fromFiles = 0;             // frames not yet in the strip when shown
    RECT invalidated{};
    RECT progress{};
    RECT client{};
};

// Every loading tick but the last, each paired with a full paint of the status window.
Loading Ticks(const UiDriver::UiWindow& loading, const UiDriver::UiWindow& status) {
    Loading result;
    GetClientRect(loading.Hwnd(), &result.client);
    result.progress = loading.Control(L"progressButton")->GetPos();
    const double clientArea = static_cast<double>(result.client.right) * result.client.bottom;
    const size_t cached = DuiLib::Render::ImageCacheSize();
    const double start = Bench::Seconds();
    for (int tick = 1; tick < kLoadingTicks; ++tick) {
        const auto oneTick = [&] {
            while (Bench::Seconds() < start + tick * kTimerPeriod) {
                Sleep(1);
            }
            ValidateRect(loading.Hwnd(), nullptr);
            const double from = Bench::Seconds();
            Tick(loading);
            RECT update{};
            if (GetUpdateRect(loading.Hwnd(), &update, FALSE)) {
                UnionRect(&result.invalidated, &result.invalidated, &update);
            }
            result.areaShare.push_back(static_cast<double>(update.right - update.left) * (update.bottom - update.top) /
                                       clientArea);
            UpdateWindow(loading.Hwnd());
            const double seconds = Bench::Seconds() - from;
            // A frame drawn from its file stays in the image cache until the next tick.
            if (DuiLib::Render::ImageCacheSize() > cached) {
                ++result.fromFiles;
            } else {
                result.fromStrip.push_back(seconds);
            }
            return seconds;
        };
        double ours = 0;
        double reference = 0;
        if (tick % 2 == 0) {
            ours = oneTick();
            reference = FullPaint(status);
        } else {
            reference = FullPaint(status);
            ours = oneTick();
        }
        result.pairs.ours.push_back(ours);
        result.pairs.reference.push_back(reference);
        result.pairs.ratios.push_back(ours / reference);
    }
    Tick(loading);
    return result;
}

// The floor of a repaint: a plain window of the same size whose whole paint is one BitBlt of its
// client area from a memory bitmap, invalidated and updated the same way.
class PlainWindow {
public:
    PlainWindow(HDC source, const RECT& client) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"LullgateBenchPlain";
        (void)RegisterClassW(&windowClass);
        m_hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"Plain", WS_POPUP | WS_VISIBLE, 0, 0, client.right,
                                 client.bottom, nullptr, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(source));
        UpdateWindow(m_hwnd);
    }
    ~PlainWindow() { DestroyWindow(m_hwnd); }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    [[nodiscard]] HWND Hwnd() const { return m_hwnd; }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_ERASEBKGND) {
            return 1;
        }
        if (message != WM_PAINT) {
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        const ScopedPaint paint(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        BitBlt(paint.get(), 0, 0, client.right, client.bottom,
               reinterpret_cast<HDC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)), 0, 0, SRCCOPY);
        return 0;
    }
    HWND m_hwnd = nullptr;
};

// A repaint that Windows asks for alone (the window uncovered), of the window itself or also of
// the native edit inside it (the days field), which paints itself.
double Repaint(HWND hwnd, bool children) {
    return Bench::Time([&] {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | (children ? RDW_ALLCHILDREN : RDW_NOCHILDREN));
        UpdateWindow(hwnd);
    });
}

void Report(int dpi, const Loading& loading, const Bench::Pairs& unchanged, const std::vector<double>& withEdit,
            const std::vector<double>& bitBlt, const Bench::Pairs& changed) {
    const int percent = MulDiv(dpi, 100, 96);
    std::printf("| **%d %%** (client %ld × %ld px) |||||\n", percent, loading.client.right, loading.client.bottom);
    Bench::Row("full paint of the status view, from scratch", changed.reference, 1e3, "ms");
    Bench::Row("repaint after one control changed (the pause button)", changed.ours, 1e3, "ms");
    Bench::Row("  changed / full", changed.ratios, 1, "×", dpi == 144 ? 0.5 : 0);
    Bench::Row("repaint of the unchanged window", unchanged.ours, 1e3, "ms");
    Bench::Row("repaint of a plain window that only BitBlts its client area (the floor)", unchanged.reference, 1e3,
               "ms");
    Bench::Row("  unchanged / floor", unchanged.ratios, 1, "×", dpi == 144 ? 2 : 0);
    Bench::Row("repaint of the unchanged window with the days field's native edit", withEdit, 1e3, "ms");
    Bench::Row("the BitBlt alone (GetDC, BitBlt, ReleaseDC)", bitBlt, 1e3, "ms");
    Bench::Row("loading tick (notification and paint)", loading.pairs.ours, 1e3, "ms");
    Bench::Row("full paint of the status view beside it", loading.pairs.reference, 1e3, "ms");
    Bench::Row("  tick / full", loading.pairs.ratios, 1, "×", 0.25);
    Bench::Row("loading tick whose frame came from the strip", loading.fromStrip, 1e3, "ms");
    std::printf("| loading frames drawn from their files (the strip not there yet): %d of %zu |||||\n",
                loading.fromFiles, loading.pairs.ours.size());
    Bench::Row("loading tick: area invalidated, share of the client", loading.areaShare, 100, "%");
    const RECT& p = loading.progress;
    const RECT& u = loading.invalidated;
    std::printf("| loading tick: invalidated (all ticks) %ld,%ld–%ld,%ld; progress control %ld,%ld–%ld,%ld "
                "(the focus ring's margin around it) |||| %s |\n",
                u.left, u.top, u.right, u.bottom, p.left, p.top, p.right, p.bottom,
                u.left <= p.left && u.top <= p.top && u.right >= p.right && u.bottom >= p.bottom &&
                        (u.right - u.left) * (u.bottom - u.top) < loading.client.right * loading.client.bottom / 4
                    ? "only the progress control: met"
                    : "**missed**");
}

} // namespace

int main() {
    const DuiLib::GdiplusSession gdiplus;
    const ScopedRegistrySandbox sandbox; // the status read at the end of the loading
    const DuiLib::CDuiString base = DuiLib::CPaintManagerUI::GetInstancePath();
    DuiLib::CPaintManagerUI::SetResourcePath((base + L"res\\").GetData());
    DuiLib::UICulture::GetInstance()->SetStringPath((base + L"res\\values\\").GetData());
    DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);

    Bench::Table("Painting",
                 "The main window in this process (Wine's null display driver), ratios pair by pair. A full paint "
                 "draws everything anew; a repaint draws again only what the toolkit was told changed and copies "
                 "the rest from the window's back buffer. Loading ticks come every 16 ms, as the timer sends them.");
    for (int dpi : {96, 144}) {
        const auto statusWindow = Open(dpi);
        if (!statusWindow) {
            std::fprintf(stderr, "paint_bench: no main window\n");
            return 1;
        }
        const UiDriver::UiWindow status(statusWindow->GetHWND());
        for (int tick = 0; tick <= kLoadingTicks; ++tick) {
            Tick(status);
        }
        UpdateWindow(status.Hwnd());

        RECT client{};
        GetClientRect(status.Hwnd(), &client);
        const ScopedGetDC screen(status.Hwnd());
        const unique_memdc memory(CreateCompatibleDC(screen.get()));
        const unique_gdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        const ScopedSelectObject selected(memory.get(), bitmap.get());
        const PlainWindow plain(memory.get(), client);
        const Bench::Pairs unchanged = Bench::Alternate(
            kPairs, [&] { return Repaint(status.Hwnd(), false); }, [&] { return Repaint(plain.Hwnd(), false); });
        std::vector<double> withEdit;
        std::vector<double> bitBlt;
        for (int i = 0; i < kPairs; ++i) {
            withEdit.push_back(Repaint(status.Hwnd(), true));
            bitBlt.push_back(Bench::Time([&] {
                const ScopedGetDC dc(status.Hwnd());
                BitBlt(dc.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
            }));
        }

        DuiLib::CControlUI* button = status.Control(L"pauseUpdateButton");
        const Bench::Pairs changed = Bench::Alternate(
            kPairs,
            [&] {
                return Bench::Time([&] {
                    button->SetEnabled(!button->IsEnabled());
                    UpdateWindow(status.Hwnd());
                });
            },
            [&] { return FullPaint(status); });

        const auto loadingWindow = Open(dpi);
        if (!loadingWindow) {
            std::fprintf(stderr, "paint_bench: no second main window\n");
            return 1;
        }
        const Loading loading = Ticks(UiDriver::UiWindow(loadingWindow->GetHWND()), status);
        Report(dpi, loading, unchanged, withEdit, bitBlt, changed);
    }
    return 0;
}
