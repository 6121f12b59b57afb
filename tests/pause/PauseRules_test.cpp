// The rules every front end shares: the day range and both ways of reading a day count, the
// days left between local calendar dates, and how what Windows says becomes one line.
#include "pause/PauseRules.h"

#include "tests/pause/PauseTestSupport.h"

using namespace PauseTest;
namespace Rules = NvLullgate::PauseRules;
using NvLullgate::WindowsPauseNote;
using NvLullgate::WindowsPauseRecord;

namespace {

TEST(PauseRules, TypedAndScriptedDayCountsAreReadTheirOwnWay) {
    // A person's field reads like strtol; a script's argument is digits only, in the shared range.
    const struct {
        const wchar_t* text;
        long typed;
        std::optional<uint32_t> argument;
    } cases[] = {
        {L"36", 36, 36},
        {L"365", 365, 365},
        {L"35", 35, std::nullopt},
        {L"366", 366, std::nullopt},
        {L"-5", -5, {}},
        {L" 60", 60, {}},
        {L"60x", 60, {}},
        {L"", 0, {}},
        {L"0060", 60, std::nullopt},
        {L"+60", 60, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << std::wstring(c.text) << "'");
        EXPECT_EQ(Rules::ReadTypedDays(c.text), c.typed);
        EXPECT_EQ(Rules::ParseDayArgument(c.text), c.argument);
    }
}

TEST(PauseRules, DaysLeftCountsLocalCalendarDays) {
    LogCapture capture;
    // "XXX-08" is eight hours ahead of UTC, "XXX+05" five hours behind; each row's UTC dates (or
    // its 24-hour spans) would give the other answer.
    const struct {
        const char* zone;
        __time64_t now;
        std::string end;
        std::optional<uint32_t> days;
    } cases[] = {
        {"UTC0", 1709294400, Padded("2024-03-31T12:00:00Z"), 30}, // from 2024-03-01T12:00:00Z
        {"XXX-08", 1709323200, "2024-03-02T15:59:59Z", 0},        // 03-02 04:00 to 23:59:59 there
        {"XXX-08", 1709287200, "2024-03-01T16:00:00Z", 1},        // 03-01 18:00 to 03-02 00:00 there
        {"XXX+05", 1709272800, "2024-03-02T04:59:59Z", 0},        // 03-01 01:00 to 23:59:59 there
        {"XXX+05", 1709348400, "2024-03-02T05:00:00Z", 1},        // 03-01 22:00 to 03-02 00:00 there
        {"UTC0", 1709294400, "2024-03-01T12:00:00Z", {}},         // ends now: nothing left to count
        {"UTC0", 1709294400, "3001-01-01T00:00:00Z", {}},         // no time at all
    };
    for (const auto& c : cases) {
        ScopedZone zone(c.zone);
        EXPECT_EQ(Rules::DaysLeft(c.end, c.now), c.days) << c.zone << " " << c.end;
    }
    const CapturedLine notATime{3, L"end time is not a time : 3001-01-01T00:00:00Z(NvLullgate::PauseRules::DaysLeft)"};
    EXPECT_EQ(capture.Lines(), std::vector<CapturedLine>{notATime});
}

TEST(PauseRules, RemarkJoinsTheDaysLeftAndWhatWindowsSays) {
    // Keys come back as themselves, the counts put in; a full-width stop joins without a blank.
    const auto lookup = [](const wchar_t* key) {
        const std::wstring k = key;
        return k == L"IDS_WINDOWS_DAYS_LEFT"    ? std::wstring(L"%d left\u3002")
               : k == L"IDS_WINDOWS_FEWER_DAYS" ? std::wstring(L"max %d.")
                                                : k;
    };
    const __time64_t now = 1709251200; // 2024-03-01T00:00:00Z
    WindowsPauseRecord confirmed;
    confirmed.m_qualityStatus = 1;
    confirmed.m_featureStatus = 1;
    WindowsPauseRecord fewer;
    fewer.m_maxPauseDays = 7;
    WindowsPauseRecord policy;
    policy.m_policyKey = L"SOFTWARE\\Policies";
    const struct {
        bool paused;
        std::string end;
        WindowsPauseRecord record;
        std::optional<uint32_t> daysLeft;
        WindowsPauseNote note;
        std::wstring text;
    } cases[] = {
        {true, "2024-03-11T00:00:00Z", {}, 10, WindowsPauseNote::nothing, L"10 left\u3002"},
        {true, "2024-03-11T00:00:00Z", confirmed, 10, WindowsPauseNote::confirmed,
         L"10 left\u3002IDS_WINDOWS_CONFIRMED"},
        {true, "2024-03-11T00:00:00Z", fewer, 10, WindowsPauseNote::fewerDaysAllowed, L"10 left\u3002max 7."},
        {true, "2024-03-02T00:00:00Z", confirmed, 1, WindowsPauseNote::confirmed,
         L"IDS_WINDOWS_ONE_DAY_LEFT IDS_WINDOWS_CONFIRMED"},
        {true, "2024-03-01T12:00:00Z", {}, 0, WindowsPauseNote::nothing, L"IDS_WINDOWS_ENDS_TODAY"},
        {false, "", policy, {}, WindowsPauseNote::policyForbids, L"IDS_WINDOWS_POLICY"},
    };
    ScopedZone zone("UTC0");
    for (const auto& c : cases) {
        const Rules::Remark remark = Rules::Describe(c.paused, c.end, c.record, now, lookup);
        EXPECT_EQ(remark.daysLeft, c.daysLeft) << c.text;
        EXPECT_EQ(remark.note, c.note) << c.text;
        EXPECT_EQ(remark.text, c.text);
    }
}

} // namespace
