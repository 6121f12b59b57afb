// Runs in its own process, started with the Unix zone TZ=America/New_York: the C runtime then
// takes the zone, with its daylight-saving rules, from the system once its own TZ is cleared.
#include "tests/pause/PauseTestSupport.h"

using namespace PauseTest;

TEST(PauseDst, WinterStartAndSummerEndKeepTheUtcHourAndShowTheLocalDay) {
    _putenv("TZ=");
    _tzset();
    auto engine = Access::Make();
    std::string end, startDate, endDate;
    ASSERT_TRUE(Access::GetRegEndTimeZ(*engine, 150, "2024-01-15T04:30:00Z", end));
    EXPECT_EQ(end, "2024-06-13T04:30:00Z");
    // 04:30 UTC is 23:30 the day before in winter (UTC-5) but 00:30 the same day in summer (UTC-4).
    ASSERT_TRUE(Access::ZtimeToSysTime(*engine, "2024-01-15T04:30:00Z", startDate));
    ASSERT_TRUE(Access::ZtimeToSysTime(*engine, end, endDate));
    EXPECT_EQ(startDate, "2024-01-14");
    EXPECT_EQ(endDate, "2024-06-13");
}
