#include "tests/pause/PauseTestSupport.h"

using namespace PauseTest;

namespace {

const std::wstring kPath = kSettings;
const CapturedLine kReadError = Warn(L"read reg form winUpdateUxSet error!", "GetSysPauseStartTimeAndEndTime");

class PauseStatus : public EngineTest {
protected:
    // The status as the main window asks for it; the date it passes in must stay untouched unless
    // a pause is found.
    void ExpectNotPaused(const std::vector<CapturedLine>& lines) {
        std::string date = "untouched";
        EXPECT_TRUE(engine->GetPauseStatus(date));
        EXPECT_FALSE(engine->m_isPaused);
        EXPECT_EQ(date, "untouched");
        EXPECT_EQ(engine->m_curSysTime.size(), 20u);
        EXPECT_EQ(capture.Lines(), lines);
        capture.Clear();
    }
};

TEST_F(PauseStatus, FutureOrNonTimestampStartBeforeTheEndCountsAsPaused) {
    ScopedZone zone("XXX-08");
    WriteSix("2090-01-01T00:00:00Z", "2095-01-01T20:00:00Z");
    std::string date;
    ASSERT_TRUE(engine->GetPauseStatus(date));
    EXPECT_TRUE(engine->m_isPaused);
    EXPECT_EQ(date, "2095-01-02"); // the local day of the end
    EXPECT_EQ(engine->m_pauseEndTime, Padded("2095-01-01T20:00:00Z"));
    WriteSix("abc", "2095-01-01T20:00:00Z");
    ASSERT_TRUE(engine->GetPauseStatus(date));
    EXPECT_TRUE(engine->m_isPaused);
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(PauseStatus, NoValuesOrPausesThatDoNotHoldAreNotPaused) {
    ExpectNotPaused({Warn(L"RegOpenKeyEx errorID:2,lpSubKey : " + kPath, "ReadRegFormWinUpdateUxSet"), kReadError});
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kPath));
    ExpectNotPaused({Warn(L"RegQueryValueEx get size errorID : 2,lpSubKey : PauseFeatureUpdatesStartTime",
                          "ReadRegFormWinUpdateUxSet"),
                     kReadError});

    WriteSix("2020-01-01T00:00:00Z", "2020-03-01T00:00:00Z");
    ExpectNotPaused({Warn(L"curTime >= endTime!", "CheckTime")});
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kPath, L"PauseUpdatesExpiryTime")); // only a resume removes it

    WriteSix("2090-01-01T00:00:00Z", "2090-01-01T00:00:00Z"); // as a pause of 0 days writes it
    ExpectNotPaused({Warn(L"startTime >= endTime!", "CheckTime")});

    // An end that cannot be represented (or lies past the year 3000: the timestamp test) is -1, and
    // must not end in a failed status read.
    WriteSix("2024-01-01T00:00:00Z", "abc");
    ExpectNotPaused({Warn(L"startTime >= endTime!", "CheckTime")});
}

TEST_F(PauseStatus, ValuesAgreeOnlyWhenTheirStoredLengthsAgree) {
    // Another writer's values, each with one terminating zero: they agree among themselves.
    WriteSixTerminated(L"2024-01-01T00:00:00Z", L"2095-01-01T00:00:00Z");
    std::string date;
    ASSERT_TRUE(engine->GetPauseStatus(date));
    EXPECT_TRUE(engine->m_isPaused);
    EXPECT_EQ(engine->m_pauseEndTime, "2095-01-01T00:00:00Z ");

    // The same text rewritten here is 130 characters long and no longer equals the other two.
    ASSERT_TRUE(Access::SetText(*engine, L"PauseUpdatesExpiryTime", "2095-01-01T00:00:00Z"));
    ExpectNotPaused({Warn(L"Reg end time is not equal!", "GetSysPauseStartTimeAndEndTime")});
    ASSERT_TRUE(Access::SetText(*engine, L"PauseQualityUpdatesStartTime", "2024-01-01T00:00:00Z"));
    ExpectNotPaused({Warn(L"Reg start time is not equal!", "GetSysPauseStartTimeAndEndTime")});
}

} // namespace
