#include "log/LogManager.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace NvLullgate {
class PauseWinUpdates {
public:
    static void SetRegMaxPauseDays(long code) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << code << L",lpSubKey : "
                                            << L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings");
    }
};
} // namespace NvLullgate

namespace {
void MixedValues() {
    const int negative = -2147024891; // an HRESULT as a signed decimal
    const unsigned long code = 4294967295UL;
    const std::wstring wide = L"C:\\Programme\\\u00DCbung\\\u65E5\u672C";
    const std::string narrow = "v\xE9";
    LOG_ERROR("values: " << negative << "," << code << "," << wide << "," << narrow);
}
} // namespace

TEST(LogStatement, LineIsMessageValuesThenTagAndEveryStatementFlushes) {
    LogCapture capture;
    NvLullgate::PauseWinUpdates::SetRegMaxPauseDays(2);
    MixedValues();
    // The narrow byte E9 becomes U+00E9 by value, not through any code page; no digit grouping.
    EXPECT_EQ(capture.Lines(),
              (std::vector<CapturedLine>{
                  {3, L"RegOpenKeyEx errorID : 2,lpSubKey : SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings"
                      L"(NvLullgate::PauseWinUpdates::SetRegMaxPauseDays)"},
                  {4, L"values: -2147024891,4294967295,C:\\Programme\\\u00DCbung\\\u65E5\u672C,v\u00E9"
                      L"(`anonymous-namespace'::MixedValues)"}}));
    EXPECT_EQ(capture.FlushCount(), 2);
}

TEST(LogStatement, DroppedWhileNotReadyAndDuringTheSetUpWithoutReentry) {
    const BesideExeFiles noSettings; // waits while a set-up test has its settings beside this executable
    LogManager::GetInstance().SetLogDirectory("LullgateTests");
    LogCapture capture;
    LogManagerTestAccess::ClearReady();
    // The logger exists but the service is not ready: the set-up attempt fails (no settings beside
    // the test exe) and the statement must vanish, with no flush either.
    LOG_WARN(L"dropped");
    EXPECT_TRUE(capture.Lines().empty());
    EXPECT_EQ(capture.FlushCount(), 0);
    EXPECT_FALSE(LogManagerTestAccess::IsReady());

    // A statement during the set-up is dropped too, without running the set-up again.
    int setUpRuns = 0;
    // If the statement re-entered the set-up, the non-recursive lock would deadlock here (the test
    // would time out) or the set-up would run twice.
    LogManagerTestAccess::RunSetUp([&] {
        ++setUpRuns;
        LOG_ERROR(L"set spd log fail");
        return false;
    });
    EXPECT_EQ(setUpRuns, 1);
    EXPECT_TRUE(capture.Lines().empty());
    EXPECT_FALSE(LogManagerTestAccess::IsReady());
}
