// Start-up and memory of the real Lullgate.exe from dist/ against the bare window, both started by
// this launcher with CreateProcess, alternately: the time from CreateProcess to the first completed
// paint of the visible main window, and the peak working set once the loading has ended and the
// status shows. scripts/bench runs it in a throwaway Wine prefix (cmake/wine-throwaway-run): the
// first start there gives consent as a person would, so the timed starts go straight to the window.
//   startup_bench.exe <dist folder> <bare window exe>
#include "bench/BenchReport.h"
#include "common/UniqueHandle.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kPairs = 25;
// Longer than the loading phase, so the memory figure is that of the window showing the status.
constexpr DWORD kShowingMs = 1500;

struct Program {
    std::wstring exe;
    const wchar_t* windowClass;
    const wchar_t* title;
};

struct Start {
    double seconds = 0;
    double peakBytes = 0;
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
    PostMessageW(window, WM_CLOSE, 0, 0);
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup_bench <dist folder> <bare window exe>\n");
        return 2;
    }
    const Program lullgate{std::wstring(argv[1]) + L"\\Lullgate.exe", L"CalmlockUI", L"Calmlock"};
    const Program bare{argv[2], L"LullgateBenchBare", L"Bare"};
    if (!GiveConsent(lullgate)) {
        std::fprintf(stderr, "startup_bench: Lullgate showed no main window after consent\n");
        return 1;
    }
    (void)Launch(lullgate); // warm-up: both programs' files in the cache
    (void)Launch(bare);

    std::vector<Start> ours;
    std::vector<Start> reference;
    const auto pairs = Bench::Alternate(
        kPairs, [&] { return ours.emplace_back(Launch(lullgate)).seconds; },
        [&] { return reference.emplace_back(Launch(bare)).seconds; });
    std::vector<double> ourPeaks;
    std::vector<double> barePeaks;
    std::vector<double> ownShare;
    for (size_t i = 0; i < ours.size(); ++i) {
        ourPeaks.push_back(ours[i].peakBytes);
        barePeaks.push_back(reference[i].peakBytes);
        ownShare.push_back(ours[i].peakBytes - reference[i].peakBytes);
    }

    Bench::Table("Start-up",
                 "From CreateProcess to the first completed paint of the visible main window (consent given, "
                 "the loading phase not waited for), against a bare Win32 window started the same way, alternately.");
    Bench::Row("Lullgate.exe", pairs.ours, 1e3, "ms");
    Bench::Row("bare window", pairs.reference, 1e3, "ms");
    Bench::Row("Lullgate / bare", pairs.ratios, 1, "×", 1.5);

    constexpr double kMiB = 1.0 / 1048576;
    Bench::Table("Memory", "Peak working set of the child after 1.5 s showing its window (Lullgate: the status view). "
                           "Under Wine both include Wine's own libraries; the difference is the program's own share.");
    Bench::Row("Lullgate.exe", ourPeaks, kMiB, "MB", 25);
    Bench::Row("bare window", barePeaks, kMiB, "MB");
    Bench::Row("Lullgate − bare", ownShare, kMiB, "MB");
    return 0;
}
