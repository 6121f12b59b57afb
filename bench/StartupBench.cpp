// Start-up, memory and shut-down of the real Lullgate.exe from dist/ against the bare window, both
// started by this launcher with CreateProcess, alternately: the time from CreateProcess to the first
// completed paint of the visible main window, the peak working set once the loading has ended and
// the status shows, and the time from a click on the close button to the end of the process. Both
// are closed the same way, by a press and release of the left button over their close button (the
// bare window has one in the same place). scripts/bench runs it in a throwaway Wine prefix
// (cmake/wine-throwaway-run): the first start there gives consent as a person would, so the timed
// starts go straight to the window. With --close-only it measures the shut-down alone, in fewer
// pairs: scripts/bench runs it so under Wine's X11 driver on a virtual display as well.
//   startup_bench.exe <dist folder> <bare window exe> [--close-only]
#include "bench/BenchReport.h"
#include "common/UniqueHandle.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kPairs = 25;
constexpr int kCloseOnlyPairs = 5;
// Longer than the loading phase, so the memory figure is that of the window showing the status.
constexpr DWORD kShowingMs = 1500;
// How long the pointer rests over the close button before the click.
constexpr DWORD kRestMs = 200;

struct Program {
    std::wstring exe;
    const wchar_t* windowClass;
    const wchar_t* title;
};

struct Start {
    double seconds = 0;
    double peakBytes = 0;
    double closeSeconds = 0; // from the click on the close button to the end of the process
};

bool PollUntil(const std::function<bool()>& done, double limitSeconds) {
    const double end = Bench::Seconds() + limitSeconds;
    while (Bench::Seconds() < end) {
        if (done()) {
            return true;
        }
        Sleep(1);
    }
    return false;
}

HWND VisibleWindow(const wchar_t* windowClass, const wchar_t* title) {
    HWND window = FindWindowW(windowClass, title);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// The first paint has completed once the window is visible, its thread has come back to its
// messages (a sent message returns only then) and what is left to paint is less than the whole
// client: showing invalidates all of it, the loading animation afterwards only its own control.
bool FirstPaintDone(HWND window) {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) == 0) {
        return false;
    }
    RECT client{};
    RECT update{};
    GetClientRect(window, &client);
    return !GetUpdateRect(window, &update, FALSE) || !EqualRect(&client, &update);
}

// The pointer comes to rest over the close button (40 × 40 units at the right end of the top edge,
// in both programs), as a person's does before clicking; the click itself, a press and release of
// the left button, is what `click` does.
LPARAM PointOnCloseButton(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int dpi = GetDpiForWindow(window) != 0 ? static_cast<int>(GetDpiForWindow(window)) : 96;
    const LPARAM at = MAKELPARAM(client.right - MulDiv(20, dpi, 96), MulDiv(20, dpi, 96));
    PostMessageW(window, WM_MOUSEMOVE, 0, at);
    return at;
}

void Click(HWND window, LPARAM at) {
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
}

class Child {
public:
    explicit Child(const std::wstring& exe) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        std::wstring commandLine = L"\"" + exe + L"\"";
        wchar_t temp[MAX_PATH + 1]{};
        GetTempPathW(MAX_PATH + 1, temp);
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, temp, &startup,
                           &info)) {
            m_process.reset(info.hProcess);
            m_thread.reset(info.hThread);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (m_process && WaitForSingleObject(m_process.get(), 10000) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "startup_bench: a program did not end when closed\n");
            TerminateProcess(m_process.get(), 99);
            WaitForSingleObject(m_process.get(), 5000);
        }
    }
    // Waits for the process to end; false when it has not within the limit.
    [[nodiscard]] bool Ended(DWORD limitMs) const {
        return m_process && WaitForSingleObject(m_process.get(), limitMs) == WAIT_OBJECT_0;
    }
    [[nodiscard]] bool Started() const { return m_process.valid(); }
    [[nodiscard]] double PeakBytes() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        return GetProcessMemoryInfo(m_process.get(), &counters, sizeof(counters))
                   ? static_cast<double>(counters.PeakWorkingSetSize)
                   : 0;
    }

private:
    unique_handle m_process;
    unique_handle m_thread;
};

Start Launch(const Program& program) {
    Start start;
    const double from = Bench::Seconds();
    const Child child(program.exe);
    HWND window = nullptr;
    if (!child.Started() ||
        !PollUntil(
            [&] { return (window = VisibleWindow(program.windowClass, program.title)) && FirstPaintDone(window); },
            30)) {
        std::fprintf(stderr, "startup_bench: no window painted by %ls\n", program.exe.c_str());
        return start;
    }
    start.seconds = Bench::Seconds() - from;
    Sleep(kShowingMs);
    start.peakBytes = child.PeakBytes();
    const LPARAM closeButton = PointOnCloseButton(window);
    Sleep(kRestMs);
    const double closing = Bench::Seconds();
    Click(window, closeButton);
    if (child.Ended(10000)) {
        start.closeSeconds = Bench::Seconds() - closing;
    }
    return start;
}

// The first start in a fresh prefix asks for consent: agreed with Enter (the default button).
bool GiveConsent(const Program& lullgate) {
    const Child child(lullgate.exe);
    HWND consent = nullptr;
    HWND window = nullptr;
    PollUntil(
        [&] {
            consent = VisibleWindow(L"PrivacySecurityWelcomUI", L"PrivacySecurityWelcom");
            window = VisibleWindow(lullgate.windowClass, lullgate.title);
            return consent != nullptr || window != nullptr;
        },
        30);
    if (consent != nullptr) {
        Sleep(300);
        PostMessageW(consent, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(consent, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
        PollUntil([&] { return (window = VisibleWindow(lullgate.windowClass, lullgate.title)) != nullptr; }, 30);
    }
    if (window != nullptr) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return window != nullptr;
}

// Lullgate's figure over the reference's, start by start.
std::vector<double> Ratios(const std::vector<Start>& ours, const std::vector<Start>& reference, double Start::*figure) {
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < reference.size(); ++i) {
        ratios.push_back(reference[i].*figure > 0 ? ours[i].*figure / reference[i].*figure : 0);
    }
    return ratios;
}

// The program's peak over the reference's, start by start.
std::vector<double> PeakShares(const std::vector<Start>& program, const std::vector<Start>& reference) {
    std::vector<double> shares;
    for (size_t i = 0; i < program.size() && i < reference.size(); ++i) {
        shares.push_back(program[i].peakBytes - reference[i].peakBytes);
    }
    return shares;
}

std::vector<double> Figures(const std::vector<Start>& starts, double Start::*figure) {
    std::vector<double> figures(starts.size());
    std::transform(starts.begin(), starts.end(), figures.begin(),
                   [figure](const Start& start) { return start.*figure; });
    return figures;
}

void ReportClose(const std::vector<Start>& ours, const std::vector<Start>& reference, const std::vector<Start>& gdiplus,
                 bool closeOnly) {
    if (closeOnly) {
        std::printf("| **Under Wine's X11 driver on a virtual display without a window manager (Xvfb, %zu pairs)** "
                    "|||||\n",
                    ours.size());
    } else {
        Bench::Table("Shut-down",
                     "From a click on the close button (the pointer resting over it, then a press and release of "
                     "the left button) to the end of the process, seen from outside as its handle is signalled; "
                     "after the start-up above (the status view showing), Wine's null display driver.");
    }
    Bench::Row("Lullgate.exe", Figures(ours, &Start::closeSeconds), 1e3, "ms");
    Bench::Row("bare window", Figures(reference, &Start::closeSeconds), 1e3, "ms");
    Bench::Row("Lullgate / bare", Ratios(ours, reference, &Start::closeSeconds), 1, "×", closeOnly ? 0 : 1.5);
    if (!gdiplus.empty()) {
        Bench::Row("bare window drawn with GDI+ (started for the run, shut down at its end)",
                   Figures(gdiplus, &Start::closeSeconds), 1e3, "ms");
        Bench::Row("Lullgate / bare window drawn with GDI+", Ratios(ours, gdiplus, &Start::closeSeconds), 1, "×");
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool closeOnly = argc == 4 && std::wstring(argv[3]) == L"--close-only";
    if (argc != 3 && !closeOnly) {
        std::fprintf(stderr, "usage: startup_bench <dist folder> <bare window exe> [--close-only]\n");
        return 2;
    }
    const Program lullgate{std::wstring(argv[1]) + L"\\Lullgate.exe", L"CalmlockUI", L"Calmlock"};
    const Program bare{argv[2], L"LullgateBenchBare", L"Bare"};
    // Built beside the bare window.
    const std::wstring bareExe = argv[2];
    const std::wstring benchFolder = bareExe.substr(0, bareExe.find_last_of(L"\\/") + 1);
    const Program gdiplusWindow{benchFolder + L"bare_gdiplus_window.exe", L"LullgateBenchBare", L"Bare GDI+"};
    const Program threadWindow{benchFolder + L"bare_thread_window.exe", L"LullgateBenchBare", L"Bare"};
    if (!GiveConsent(lullgate)) {
        std::fprintf(stderr, "startup_bench: Lullgate showed no main window after consent\n");
        return 1;
    }
    (void)Launch(lullgate); // warm-up: both programs' files in the cache
    (void)Launch(bare);

    std::vector<Start> ours;
    std::vector<Start> reference;
    // Each right after its bare window, so that they see the same machine.
    std::vector<Start> gdiplus;
    std::vector<Start> thread;
    const auto pairs = Bench::Alternate(
        closeOnly ? kCloseOnlyPairs : kPairs, [&] { return ours.emplace_back(Launch(lullgate)).seconds; },
        [&] {
            const double seconds = reference.emplace_back(Launch(bare)).seconds;
            if (!closeOnly) {
                gdiplus.push_back(Launch(gdiplusWindow));
                thread.push_back(Launch(threadWindow));
            }
            return seconds;
        });
    if (closeOnly) {
        ReportClose(ours, reference, gdiplus, true);
        return 0;
    }
    Bench::Table("Start-up",
                 "From CreateProcess to the first completed paint of the visible main window (consent given, "
                 "the loading phase not waited for), against a bare Win32 window started the same way, alternately.");
    Bench::Row("Lullgate.exe", pairs.ours, 1e3, "ms");
    Bench::Row("bare window", pairs.reference, 1e3, "ms");
    Bench::Row("Lullgate / bare", pairs.ratios, 1, "×", 1.5);

    constexpr double kMiB = 1.0 / 1048576;
    Bench::Table("Memory", "Peak working set of the child after 1.5 s showing its window (Lullgate: the loading, then "
                           "the status view). Under Wine both include Wine's own libraries; the difference is what "
                           "the program adds.");
    Bench::Row("Lullgate.exe", Figures(ours, &Start::peakBytes), kMiB, "MB");
    Bench::Row("bare window", Figures(reference, &Start::peakBytes), kMiB, "MB");
    Bench::Row("Lullgate − bare", PeakShares(ours, reference), kMiB, "MB", 8);
    Bench::Row("bare window drawn with GDI+", Figures(gdiplus, &Start::peakBytes), kMiB, "MB");
    Bench::Row("  GDI+ − bare (what GDI+ and one line of text add under Wine)", PeakShares(gdiplus, reference), kMiB,
               "MB");
    Bench::Row("bare window that first ran one short worker thread", Figures(thread, &Start::peakBytes), kMiB, "MB");
    Bench::Row("  thread − bare (what one more thread costs under Wine; the loading animation's decoder is one)",
               PeakShares(thread, reference), kMiB, "MB");

    ReportClose(ours, reference, gdiplus, false);
    return 0;
}
