#include "tests/pause/PauseTestSupport.h"

#include <climits>

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

TEST_F(PauseTimestamps, CurrentTimeIsUtcWhateverTheZone) {
    for (const char* tz : {"XXX-05:30", "XXX-08"}) {
        ScopedZone zone(tz);
        const __time64_t before = _time64(nullptr);
        std::string now;
        ASSERT_TRUE(Access::GetCurrentTimeZ(*engine, now));
        __time64_t parsed = 0;
        ASSERT_EQ(now.size(), 20u);
        ASSERT_TRUE(ToTime(now.c_str(), parsed));
        EXPECT_GE(parsed, before) << tz << " " << now;
        EXPECT_LE(parsed, _time64(nullptr)) << tz << " " << now;
    }
}

// Texts convert as UTC with unread fields 0; the 1970..3000 span is decided on the time the
// fields carry to, the same on every runtime, not on the year field as written.
TEST_F(PauseTimestamps, TextsConvertAsUtcWithinTheSpanAfterCarrying) {
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
        {"-2147483648-01-01T00:00:00Z", -1},   // a year that overflows once 1900 is taken off
        {"1969-12-32T00:00:00Z", 0},           // carries into 1970-01-01
        {"3000-12-32T00:00:00Z", -1},          // carries past 3000-12-31T23:59:59Z
        {"3000-12-30T47:59:59Z", 32535215999}, // carries onto the last second
        {"2990-01-40000T00:00:00Z", -1},       // a day in the tens of thousands
        {"2024-00-2147483647T00:00:00Z", -1},  // as far as a field reaches
        {"2024-13-01T00:00:00Z", 1735689600},  // 2025-01-01
        {"2025-01-01T-1:00:00Z", 1735686000},  // 2024-12-31T23:00:00Z
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

// An end moves by whole UTC days; its date is the local one: five and a half hours ahead, the day
// turns at 18:30 UTC (eight hours ahead, 20:00 UTC is already the next morning: the status test).
TEST_F(PauseTimestamps, EndMovesByWholeUtcDaysUpToTheYear3000AndShowsTheLocalDate) {
    ScopedZone zone("XXX-05:30"); // the end's UTC days do not depend on it
    for (const auto& [zTime, expected] :
         {std::pair{"2024-04-05T18:29:59Z", "2024-04-05"}, std::pair{"2024-04-05T18:30:00Z", "2024-04-06"}}) {
        std::string date;
        ASSERT_TRUE(DateOf(zTime, date));
        EXPECT_EQ(date, expected) << zTime;
    }
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
