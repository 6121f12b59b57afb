#include "appcommon/Common.h"
#include "tests/appcommon/BesideExe.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

using NvLullgate::Common;

namespace {

const std::wstring kTag = L"(NvLullgate::Common::GetAppVersion)";

CapturedLine Error(const std::wstring& message) {
    return {4, message + kTag};
}

class GetAppVersionTest : public ::testing::Test {
protected:
    LogCapture m_log;
    BesideExeFiles m_files;
};

TEST_F(GetAppVersionTest, ValueIsTakenUnchangedWithEntitiesResolved) {
    ASSERT_TRUE(m_files.Write(L"version.xml", "<?xml version=\"1.0\"?>\n<!-- c -->\n<Config a=\"b\">\n"
                                              "  <Other Value=\"9\"/>\n"
                                              "  <ConfigItem Name=\"x\" Value=\" 2.5&amp;1 \">text</ConfigItem>\n"
                                              "  <ConfigItem Value=\"3.0\"/>\n</Config>\n"));
    EXPECT_EQ(Common::GetAppVersion(), " 2.5&1 ");
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(GetAppVersionTest, EmptyValueGivesEmptyVersionWithoutLogLine) {
    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"\"/></Config>"));
    EXPECT_EQ(Common::GetAppVersion(), "");
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(GetAppVersionTest, MalformedContentsLogTheirStep) {
    struct Case {
        const char* contents;
        std::wstring message;
    };
    const Case cases[] = {
        {"<Settings><ConfigItem Value=\"1.0\"/></Settings>",
         L"get Config Node fail,xml format error! xml file:version.xml"},
        {"<Config><ConfigItem Name=\"v\"/><ConfigItem Value=\"1.0\"/></Config>",
         L"get Value attribute fail,xml format error! xml file:version.xml"},
        {"<Config><Item Value=\"1.0\"/></Config>", L"get Value attribute fail,xml format error! xml file:version.xml"},
        {"<config><ConfigItem Value=\"1.0\"/></config>",
         L"get Config Node fail,xml format error! xml file:version.xml"},
        {"<Config><ConfigItem Value=\"1.0\"></Config>", L"Load version.xml error"},
        {"", L"Load version.xml error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents);
        m_log.Clear();
        ASSERT_TRUE(m_files.Write(L"version.xml", c.contents));
        EXPECT_EQ(Common::GetAppVersion(), "");
        EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{Error(c.message)});
    }
}

TEST_F(GetAppVersionTest, MissingFileOrFolderOfThatName) {
    m_files.Remove(L"version.xml");
    EXPECT_EQ(Common::GetAppVersion(), "");
    ASSERT_TRUE(m_files.MakeDirectory(L"version.xml"));
    EXPECT_EQ(Common::GetAppVersion(), "");
    const CapturedLine missing = Error(L"get xml file fail. file name:version.xml");
    EXPECT_EQ(m_log.Lines(), (std::vector<CapturedLine>{missing, missing}));
}

TEST_F(GetAppVersionTest, FoundBesideExecutableWhateverTheWorkingDirectory) {
    ScratchDirectory elsewhere;
    ASSERT_TRUE(elsewhere.Write(L"version.xml", "<Config><ConfigItem Value=\"from-cwd\"/></Config>"));
    ScopedWorkingDirectory cwd(elsewhere.Path());

    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"beside-exe\"/></Config>"));
    EXPECT_EQ(Common::GetAppVersion(), "beside-exe");
    // Read anew on every call, and never from the working directory.
    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"changed\"/></Config>"));
    EXPECT_EQ(Common::GetAppVersion(), "changed");
    m_files.Remove(L"version.xml");
    EXPECT_EQ(Common::GetAppVersion(), "");
}

// Two plain popup windows, the second created above the first.
class ShowTopByHwndTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (HWND& hwnd : m_windows) {
            hwnd = CreateWindowExW(0, L"STATIC", L"LullgateTests-ShowTop", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100,
                                   nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
            ASSERT_NE(hwnd, nullptr);
        }
    }
    void TearDown() override {
        for (HWND hwnd : m_windows) {
            DestroyWindow(hwnd);
        }
    }
    static bool IsAbove(HWND upper, HWND lower) {
        for (HWND next = GetWindow(upper, GW_HWNDNEXT); next != nullptr; next = GetWindow(next, GW_HWNDNEXT)) {
            if (next == lower) {
                return true;
            }
        }
        return false;
    }
    HWND m_windows[2]{};
};

TEST_F(ShowTopByHwndTest, RaisesWithoutStayingTopmost) {
    const HWND lower = m_windows[0];
    const HWND upper = m_windows[1];
    SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ASSERT_TRUE(IsAbove(upper, lower));

    LogCapture log;
    Common::ShowTopByHwnd(lower);
    EXPECT_TRUE(IsAbove(lower, upper));
    EXPECT_EQ(GetWindowLongW(lower, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetForegroundWindow(), lower);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(ShowTopByHwndTest, NullHandleIsLogged) {
    LogCapture log;
    Common::ShowTopByHwnd(nullptr);
    EXPECT_EQ(log.Lines(), (std::vector<CapturedLine>{
                               {4, L"hwnd is null, show top by hwnd fail!(NvLullgate::Common::ShowTopByHwnd)"}}));
}

} // namespace
