#include "appcommon/Common.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

using NvLullgate::Common;

namespace {

CapturedLine Error(const std::wstring& message) {
    return {4, message + L"(NvLullgate::Common::GetAppVersion)"};
}

// Each file gives its version, or nothing and one line naming the step that failed. The file is read
// anew each time, from beside the executable and never from the working directory (which holds one
// of its own here); a folder of that name is no file.
TEST(GetAppVersion, FirstConfigItemValueOrTheFailedStep) {
    LogCapture log;
    BesideExeFiles files;
    ScratchDirectory elsewhere;
    ASSERT_TRUE(elsewhere.Write(L"version.xml", "<Config><ConfigItem Value=\"from-cwd\"/></Config>"));
    const ScopedWorkingDirectory cwd(elsewhere.Path());
    const std::wstring noConfig = L"get Config Node fail,xml format error! xml file:version.xml";
    const std::wstring noValue = L"get Value attribute fail,xml format error! xml file:version.xml";
    const std::wstring missing = L"get xml file fail. file name:version.xml";
    const struct {
        const char* contents; // null: no file
        const char* version;
        std::wstring message; // empty: nothing logged
    } cases[] = {
        {"<?xml version=\"1.0\"?>\n<!-- c -->\n<Config a=\"b\">\n  <Other Value=\"9\"/>\n"
         "  <ConfigItem Name=\"x\" Value=\" 2.5&amp;1 \">text</ConfigItem>\n  <ConfigItem Value=\"3.0\"/>\n</Config>\n",
         " 2.5&1 ", L""}, // taken unchanged, entities resolved
        {"<Config><ConfigItem Value=\"\"/></Config>", "", L""},
        {"<Settings><ConfigItem Value=\"1.0\"/></Settings>", "", noConfig},
        {"<config><ConfigItem Value=\"1.0\"/></config>", "", noConfig},
        {"<Config><ConfigItem Name=\"v\"/><ConfigItem Value=\"1.0\"/></Config>", "", noValue},
        {"<Config><Item Value=\"1.0\"/></Config>", "", noValue},
        {"<Config><ConfigItem Value=\"1.0\"></Config>", "", L"Load version.xml error"},
        {nullptr, "", missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents != nullptr ? c.contents : "no file");
        log.Clear();
        files.Remove(L"version.xml");
        ASSERT_TRUE(c.contents == nullptr || files.Write(L"version.xml", c.contents));
        EXPECT_EQ(Common::GetAppVersion(), c.version);
        EXPECT_EQ(log.Lines(),
                  c.message.empty() ? std::vector<CapturedLine>{} : std::vector<CapturedLine>{Error(c.message)});
    }
    ASSERT_TRUE(files.MakeDirectory(L"version.xml"));
    log.Clear();
    EXPECT_EQ(Common::GetAppVersion(), "");
    EXPECT_EQ(log.Lines(), std::vector<CapturedLine>{Error(missing)});
}

struct Popup {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"LullgateTests-ShowTop", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ~Popup() { DestroyWindow(hwnd); }
};

bool IsAbove(HWND upper, HWND lower) {
    HWND next = GetWindow(upper, GW_HWNDNEXT);
    while (next != nullptr && next != lower) {
        next = GetWindow(next, GW_HWNDNEXT);
    }
    return next == lower;
}

TEST(ShowTopByHwnd, RaisesWithoutStayingTopmostAndLogsANullHandle) {
    Popup lower, upper;
    ASSERT_TRUE(lower.hwnd != nullptr && upper.hwnd != nullptr);
    SetWindowPos(upper.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ASSERT_TRUE(IsAbove(upper.hwnd, lower.hwnd));

    LogCapture log;
    Common::ShowTopByHwnd(lower.hwnd);
    EXPECT_TRUE(IsAbove(lower.hwnd, upper.hwnd));
    EXPECT_EQ(GetWindowLongW(lower.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The foreground window is not checked: it is shared by every test process running in parallel
    // on the same desktop, and Wine grants SetForegroundWindow unconditionally anyway.
    Common::ShowTopByHwnd(nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<CapturedLine>{
                               {4, L"hwnd is null, show top by hwnd fail!(NvLullgate::Common::ShowTopByHwnd)"}}));
}

// With the manifest's per-monitor awareness every start is answered E_ACCESSDENIED: no failure.
TEST(DpiAwareness, OnlyRealFailuresCount) {
    EXPECT_FALSE(Common::IsDpiAwarenessFailure(S_OK));
    EXPECT_FALSE(Common::IsDpiAwarenessFailure(E_ACCESSDENIED));
    EXPECT_TRUE(Common::IsDpiAwarenessFailure(E_INVALIDARG));
}

} // namespace
