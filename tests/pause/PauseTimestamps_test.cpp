#include "tests/pause/PauseTestSupport.h"

#include <climits>
#include <utility>

using namespace PauseTest;

namespace {

class PauseTimestamps : public EngineTest {
protected:
    bool ToTime(const char* text, __time64_t& t) { return Access::RegTimeToDatetime(*engine, text, t); }
    bool EndOf(uint32_t day, const std::string& start, std::string& end) {
        return Access::GetRegEndTimeZ(*engine, day, start, end);
    }
    bool DateOf(const std::string& zTime, std::string& date) { return Access::ZtimeToSysTime(*engine, zTime, date); }
};

TEST_F(PauseTimestamps, WorkedExampleInAZoneEightHoursAhead) {
    ScopedZone zone("XXX-08");
    std::string end, date, lateDate;
    ASSERT_TRUE(EndOf(35, "2024-03-01T01:30:00Z", end));
    EXPECT_EQ(end, "2024-04-05T01:30:00Z");
    ASSERT_TRUE(DateOf(end, date));
    EXPECT_EQ(date, "2024-04-05");
    // 20:00 UTC is already the next morning there.
    ASSERT_TRUE(DateOf("2024-04-05T20:00:00Z", lateDate));
    EXPECT_EQ(lateDate, "2024-04-06");
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(PauseTimestamps, CurrentTimeIsUtcWhateverTheZone) {
    for (const auto& [tz, offset] : {std::pair{"XXX-05:30", 19800}, std::pair{"XXX-08", 28800}}) {
        ScopedZone zone(tz);
        __time64_t before = 0, after = 0;
        std::string now;
        do { // retry if the second turned over during the call
            before = _time64(nullptr);
            ASSERT_TRUE(Access::GetCurrentTimeZ(*engine, now));
            after = _time64(nullptr);
        } while (before != after);
        tm local{};
        ASSERT_EQ(_localtime64_s(&local, &before), 0);
        __time64_t parsed = 0;
        ASSERT_EQ(now.size(), 20u);
        ASSERT_TRUE(ToTime(now.c_str(), parsed));
        // The Z text is the local wall clock minus the zone's offset.
        EXPECT_EQ(parsed, _mkgmtime64(&local) - offset) << tz << " " << now;
    }
}

TEST_F(PauseTimestamps, TextsConvertAsUtcWithUnreadFieldsZero) {
    const struct {
        std::string text;
        __time64_t expected;
    } cases[] = {
        {"2024-03-01T01:30:00Z", 1709256600},
        {"2024-03-01T01:30:00Z" + std::string(110, ' '), 1709256600}, // a stored value's padding
        {"2024-05", 1714435200},                                      // day 0: 2024-04-30T00:00:00Z
        {"abc", -1},                                                  // year 0 cannot be represented
        {"1969-12-31T23:59:59Z", -1},
        {"3000-12-31T23:59:59Z", 32535215999},
        {"3001-01-01T00:00:00Z", -1},
        {"-2147483648-01-01T00:00:00Z", -1}, // a year that overflows once 1900 is taken off
    };
    for (const auto& c : cases) {
        __time64_t t = 42;
        EXPECT_TRUE(ToTime(c.text.c_str(), t)) << c.text;
        EXPECT_EQ(t, c.expected) << c.text;
    }
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(PauseTimestamps, EmptyOrBlankTextIsAFormatErrorForEveryCaller) {
    for (const std::string text : {"", "   ", " \t\r\n"}) {
        capture.Clear();
        const std::wstring wide(text.begin(), text.end());
        const CapturedLine formatError =
            Warn(L"RegTimeToDatetime sscanf_s format error, strTime: " + wide, "RegTimeToDatetime");
        __time64_t t = 42;
        std::string end = "untouched", date = "untouched";
        EXPECT_FALSE(ToTime(text.c_str(), t));
        EXPECT_FALSE(EndOf(35, text, end));
        EXPECT_FALSE(DateOf(text, date));
        EXPECT_EQ(t, 42);
        EXPECT_EQ(end, "untouched");
        EXPECT_EQ(date, "untouched");
        EXPECT_EQ(capture.Lines(),
                  (std::vector<CapturedLine>{
                      formatError, formatError, Error(L"RegTime To Datetime error : " + wide, "GetRegEndTimeZ"),
                      formatError, Error(L"RegTime To Datetime error, zTime : " + wide, "ZtimeToSysTime")}));
    }
    capture.Clear();
    __time64_t t = 42;
    EXPECT_FALSE(ToTime(nullptr, t));
    EXPECT_EQ(capture.Lines(),
              std::vector<CapturedLine>{Warn(L"RegTime To Datetime strTime is null", "RegTimeToDatetime")});
}

TEST_F(PauseTimestamps, EndMovesByWholeUtcDaysUpToTheYear3000) {
    std::string end;
    ASSERT_TRUE(EndOf(0, "2024-03-01T01:30:00Z", end));
    EXPECT_EQ(end, "2024-03-01T01:30:00Z");
    ASSERT_TRUE(EndOf(36, "2024-03-01T01:30:00Z" + std::string(110, ' '), end));
    EXPECT_EQ(end, "2024-04-06T01:30:00Z");
    // Past the year 3000 the break-down refuses the sum, also for the largest day count.
    for (const uint32_t day : {400000u, UINT_MAX}) {
        end = "untouched";
        EXPECT_FALSE(EndOf(day, "2024-03-01T01:30:00Z", end));
        EXPECT_EQ(end, "untouched");
    }
    EXPECT_EQ(capture.Lines(), (std::vector<CapturedLine>{Error(L"GetRegEndTimeZ error: 22", "GetRegEndTimeZ"),
                                                          Error(L"GetRegEndTimeZ error: 22", "GetRegEndTimeZ")}));
}

} // namespace
