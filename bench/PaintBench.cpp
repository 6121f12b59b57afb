// Painting of the main window at 100 % and 150 %: one full paint of the status view (the whole tree
// into the off-screen frame and onto a DC, as WM_PRINTCLIENT asks), and one frame of the loading
// animation: the area a tick invalidates, and the time the resulting WM_PAINT takes. The loading
// frames are each drawn once per start, so the 100 % run decodes every frame image, as a start
// does; the 150 % run finds them cached.
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

namespace {

constexpr int kFullPaints = 101;
constexpr int kLoadingTicks = 60; // the tick that ends the loading shows the status

struct Frames {
    std::vector<double> seconds;
    std::vector<double> areaShare; // of the client
    RECT invalidated{};
    RECT progress{};
    RECT client{};
};

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

// Every loading tick but the last, as the window's timer sends them: what each invalidates, and
// the paint that follows.
Frames Loading(const UiDriver::UiWindow& w) {
    Frames frames;
    DuiLib::CControlUI* progress = w.Control(L"progressButton");
    GetClientRect(w.Hwnd(), &frames.client);
    frames.progress = progress->GetPos();
    const double clientArea = static_cast<double>(frames.client.right) * frames.client.bottom;
    for (int tick = 1; tick < kLoadingTicks; ++tick) {
        ValidateRect(w.Hwnd(), nullptr);
        w.Manager()->SendNotify(progress, DuiLib::DUI_MSGTYPE_TIMER, 1, 0);
        RECT update{};
        if (GetUpdateRect(w.Hwnd(), &update, FALSE)) {
            UnionRect(&frames.invalidated, &frames.invalidated, &update);
        }
        frames.areaShare.push_back(static_cast<double>(update.right - update.left) * (update.bottom - update.top) /
                                   clientArea);
        frames.seconds.push_back(Bench::Time([&] { UpdateWindow(w.Hwnd()); }));
    }
    w.Manager()->SendNotify(progress, DuiLib::DUI_MSGTYPE_TIMER, 1, 0);
    return frames;
}

std::vector<double> FullPaints(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const ScopedGetDC screen(hwnd);
    const unique_memdc dc(CreateCompatibleDC(screen.get()));
    const unique_gdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    const ScopedSelectObject selected(dc.get(), bitmap.get());
    std::vector<double> samples;
    samples.reserve(kFullPaints);
    for (int i = 0; i < kFullPaints; ++i) {
        samples.push_back(
            Bench::Time([&] { SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT); }));
    }
    return samples;
}

// The fixed cost of any paint: a 2 × 2 pixel spot of plain background near the left edge, clear
// of the window's border.
std::vector<double> SpotPaints(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const RECT spot{client.right / 16, client.bottom / 2, client.right / 16 + 2, client.bottom / 2 + 2};
    std::vector<double> samples;
    samples.reserve(kFullPaints);
    for (int i = 0; i < kFullPaints; ++i) {
        InvalidateRect(hwnd, &spot, FALSE);
        samples.push_back(Bench::Time([&] { UpdateWindow(hwnd); }));
    }
    return samples;
}

void Report(int dpi, const Frames& frames, const std::vector<double>& full, const std::vector<double>& spot) {
    const int percent = MulDiv(dpi, 100, 96);
    std::printf("| **%d %%** (client %ld × %ld px) |||||\n", percent, frames.client.right, frames.client.bottom);
    const std::string paint = "full paint of the status view";
    Bench::Row(paint.c_str(), full, 1e3, "ms", dpi == 144 ? 4 : 0);
    Bench::Row("paint of a 2 × 2 px spot of background (what any paint costs)", spot, 1e3, "ms");
    Bench::Row("loading frame: its paint", frames.seconds, 1e3, "ms");
    Bench::Row("loading frame: area invalidated, share of the client", frames.areaShare, 100, "%");
    const RECT& p = frames.progress;
    const RECT& u = frames.invalidated;
    std::printf("| loading frame: invalidated (all ticks) %ld,%ld–%ld,%ld; progress control %ld,%ld–%ld,%ld "
                "(the focus ring's margin around it) |||| %s |\n",
                u.left, u.top, u.right, u.bottom, p.left, p.top, p.right, p.bottom,
                u.left <= p.left && u.top <= p.top && u.right >= p.right && u.bottom >= p.bottom &&
                        (u.right - u.left) * (u.bottom - u.top) < frames.client.right * frames.client.bottom / 4
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

    Bench::Table("Painting", "The main window in this process (Wine's null display driver): a full paint of the "
                             "status view into a memory DC, and each loading tick: what it invalidates, and its "
                             "paint.");
    for (int dpi : {96, 144}) {
        const auto window = Open(dpi);
        if (!window) {
            std::fprintf(stderr, "paint_bench: no main window\n");
            return 1;
        }
        const UiDriver::UiWindow w(window->GetHWND());
        const Frames frames = Loading(w);
        const std::vector<double> full = FullPaints(w.Hwnd());
        Report(dpi, frames, full, SpotPaints(w.Hwnd()));
    }
    return 0;
}
