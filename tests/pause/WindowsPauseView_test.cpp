#include "pause/WindowsPauseView.h"

#include "tests/pause/PauseTestSupport.h"

using namespace PauseTest;
using NvLullgate::WindowsPauseNote;
using NvLullgate::WindowsPauseRecord;
using NvLullgate::WindowsPauseView;

namespace {

const std::wstring kRecord = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UpdatePolicy\\Settings";
const std::wstring kGroupPolicy = L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate";
const std::wstring kMdmPolicy = L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\Update";
const std::wstring kUx = kSettings;

CapturedLine ViewWarn(const std::wstring& text, const wchar_t* function) {
    return {3, text + L"(NvLullgate::`anonymous-namespace'::" + function + L")"};
}

class WindowsPauseViewTest : public RegistrySandboxTest {
protected:
    // The reader never writes: not a value, not a key, wherever it looks.
    WindowsPauseRecord ReadUnchanged() {
        const Snapshot before = Dumped(L"SOFTWARE");
        WindowsPauseRecord record = WindowsPauseView::Read();
        EXPECT_EQ(Dumped(L"SOFTWARE"), before);
        return record;
    }
    LogCapture capture;
};

TEST_F(WindowsPauseViewTest, SeededStatesDecideTheRemark) {
    struct Seed {
        std::wstring path;
        const wchar_t* name;
        DWORD value;
    };
    const Seed q1{kRecord, L"PausedQualityStatus", 1}, f0{kRecord, L"PausedFeatureStatus", 0},
        f1{kRecord, L"PausedFeatureStatus", 1}, f2{kRecord, L"PausedFeatureStatus", 2},
        group0{kGroupPolicy, L"SetDisablePauseUXAccess", 0}, group1{kGroupPolicy, L"SetDisablePauseUXAccess", 1},
        device1{kMdmPolicy, L"SetDisablePauseUXAccess", 1}, max29{kUx, L"FlightSettingsMaxPauseDays", 29},
        max30{kUx, L"FlightSettingsMaxPauseDays", 30};
    // Every paused row has 30 days left.
    const struct {
        const char* what;
        std::vector<Seed> seeds;
        bool paused;
        WindowsPauseNote note;
        std::wstring policyKey;
    } cases[] = {
        {"no record", {}, true, WindowsPauseNote::nothing, L""},
        {"one paused", {q1, f0}, true, WindowsPauseNote::nothing, L""},
        {"one ended", {q1, f2}, true, WindowsPauseNote::endedByWindows, L""},
        {"ended, not paused here", {q1, f2}, false, WindowsPauseNote::nothing, L""},
        {"group policy", {group1}, false, WindowsPauseNote::policyForbids, kGroupPolicy},
        {"device policy over a confirmation",
         {q1, f1, group0, device1},
         true,
         WindowsPauseNote::policyForbids,
         kMdmPolicy},
        {"maximum below the days left", {q1, f1, max29}, true, WindowsPauseNote::fewerDaysAllowed, L""},
        {"maximum equal to the days left", {q1, f1, max30}, true, WindowsPauseNote::confirmed, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& seed : c.seeds) {
            ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, seed.path, seed.name, seed.value));
        }
        const WindowsPauseRecord record = ReadUnchanged();
        EXPECT_EQ(record.m_policyKey, c.policyKey);
        EXPECT_EQ(WindowsPauseView::Decide(c.paused, 30, record), c.note);
        for (const auto& seed : c.seeds) {
            ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, seed.path.c_str(), seed.name), ERROR_SUCCESS);
        }
    }
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(WindowsPauseViewTest, AbsentSaysNothingQuietlyAndUnreadableIsLoggedOnce) {
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kRecord, L"PausedQualityStatus", L"1")); // a DWORD as REG_SZ
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kRecord, L"PausedQualityDate", L"2024-03-01 01:30:00"));
    const std::vector<wchar_t> oversized(2100, L'7');
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, kRecord, L"PausedFeatureDate", REG_SZ, oversized.data(), 4200));
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kGroupPolicy, L"SetDisablePauseUXAccess", 1));
    ASSERT_TRUE(Sandbox().RestrictKey(HKEY_LOCAL_MACHINE, kGroupPolicy, 0));
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kUx)); // present, without a maximum

    const WindowsPauseRecord record = ReadUnchanged();
    EXPECT_EQ(record.m_qualityStatus, std::nullopt);
    EXPECT_EQ(record.m_featureStatus, std::nullopt);
    EXPECT_EQ(record.m_qualityDate, "2024-03-01 01:30:00");
    EXPECT_EQ(record.m_featureDate, std::nullopt);
    EXPECT_EQ(record.m_policyKey, L"");
    EXPECT_EQ(record.m_maxPauseDays, std::nullopt);
    EXPECT_EQ(capture.Lines(),
              (std::vector<CapturedLine>{
                  ViewWarn(L"RegGetValue errorID : 1630,lpSubKey : PausedQualityStatus", L"Said"),
                  ViewWarn(L"RegGetValue errorID : 234,lpSubKey : PausedFeatureDate", L"Said"),
                  ViewWarn(L"RegOpenKeyEx errorID : 5,lpSubKey : " + kGroupPolicy, L"OpenForReading")}));
}

} // namespace
