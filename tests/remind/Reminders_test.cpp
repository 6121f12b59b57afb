// The reminder's decision over seeded pauses, zones and what was told before (each row twice: the
// second run tells nothing), the balloon it shows, and the built program itself.
#include "remind/Balloon.h"
#include "remind/Reminders.h"

#include "common/ModulePath.h"
#include "duilib/UICulture.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "tests/pause/PauseTestSupport.h"

using namespace PauseTest;
namespace Reminders = NvLullgate::Reminders;
using Reminders::Event;

namespace {

constexpr __time64_t kNow = 1736942400; // 2025-01-15T12:00:00Z
const std::wstring kRecordKey = Reminders::kKeyPath;
const std::wstring kWindowsRecord = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UpdatePolicy\\Settings";
const std::wstring kPolicy = L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate";

class RemindersTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(NvPcPrivacySecurity::OptPrivacySecurityReg::SetToolPriacyStatusReg());
        Seams::SetTime([this] { return now; });
    }
    Event Run(bool dryRun = false) {
        Reminders::Decision decision;
        EXPECT_TRUE(Reminders::Check(*engine, dryRun, decision));
        return decision.event;
    }
    __time64_t now = kNow;
};

TEST_F(RemindersTest, EachNewEventOnceAndNothingOnTheNextRun) {
    const std::string kMonth = "2025-02-14T12:00:00Z", kTonight = "2025-01-15T20:00:00Z",
                      kTwoDays = "2025-01-17T12:00:00Z", kPast = "2025-01-14T12:00:00Z";
    // What this user was told of the pause ending at `end`.
    const auto told = [](const std::string& end, const char* shown, const std::string& resumed = "") {
        return Reminders::Record{true, end, shown, resumed};
    };
    enum Says { silent, windowsEndedIt, policyForbids }; // Windows' record or a policy
    const struct {
        const char* what;
        const char* zone;
        std::string end; // of the pause values; "" for none
        Says windows;
        Reminders::Record before;
        Event event;
    } rows[] = {
        {"never a pause", "UTC0", "", silent, {}, Event::none},
        {"first sight, a month left", "UTC0", kMonth, silent, {}, Event::none},
        {"three days left", "UTC0", "2025-01-18T12:00:00Z", silent, {}, Event::endsSoon},
        // The same moments: 20:00 on the 15th ahead of UTC, ending 11:00 on the 16th...
        {"tomorrow, ahead of UTC", "XXX-08", "2025-01-16T03:00:00Z", silent, {}, Event::endsSoon},
        // ...and 07:00 on the 15th behind it, ending 22:00 the same day.
        {"today, behind UTC", "XXX+05", "2025-01-16T03:00:00Z", silent, {}, Event::lastDay},
        {"told it ends soon, now the last day", "UTC0", kTonight, silent, told(kTonight, "endsSoon;"), Event::lastDay},
        {"told it ends soon, still two days", "UTC0", kTwoDays, silent, told(kTwoDays, "endsSoon;"), Event::none},
        {"a new pause", "UTC0", kTwoDays, silent, told("2025-01-10T12:00:00Z", "endsSoon;lastDay;"), Event::endsSoon},
        {"values gone before the end", "UTC0", "", silent, told(kMonth, ""), Event::ended},
        {"resumed from Lullgate", "UTC0", "", silent, told(kMonth, "", kMonth), Event::none},
        {"ran out as told", "UTC0", kPast, silent, told(kPast, "endsSoon;lastDay;"), Event::none},
        {"Windows ended it", "UTC0", kMonth, windowsEndedIt, {}, Event::ended},
        {"a policy turns pausing off", "UTC0", kMonth, policyForbids, {}, Event::policy},
        {"reminders off", "UTC0", kTwoDays, silent, {false, "", "", ""}, Event::none},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE");
        RegDeleteTreeW(HKEY_CURRENT_USER, kRecordKey.c_str());
        ScopedZone zone(row.zone);
        if (!row.end.empty()) {
            WriteSix("2024-12-01T12:00:00Z", row.end);
        }
        if (row.windows == windowsEndedIt) {
            ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kWindowsRecord, L"PausedQualityStatus", 2));
        } else if (row.windows == policyForbids) {
            ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kPolicy, L"SetDisablePauseUXAccess", 1));
        }
        ASSERT_TRUE(Reminders::WriteRecord(row.before));
        EXPECT_EQ(Run(true), row.event) << "dry run";
        EXPECT_EQ(Run(), row.event);
        EXPECT_EQ(Run(), Event::none) << "second run";
    }
}

TEST_F(RemindersTest, NothingForAUserWithoutConsentAndNothingKept) {
    ASSERT_TRUE(NvPcPrivacySecurity::OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    WriteSix("2024-12-01T12:00:00Z", "2025-01-16T12:00:00Z");
    EXPECT_EQ(Run(), Event::none);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kRecordKey));
}

TEST_F(RemindersTest, TextsInBothLanguagesCarryTheLocalDate) {
    ScopedZone zone("XXX-08");
    DuiLib::UICulture::GetInstance()->SetStringPath(BesideExePath(L"res\\values").c_str());
    Reminders::Decision ended;
    ended.event = Event::ended;
    ended.eventEnd = "2025-02-14T20:00:00Z"; // the 15th, eight hours ahead
    Reminders::Decision soon;
    soon.event = Event::endsSoon;
    soon.eventEnd = "2025-01-17T12:00:00Z";
    soon.daysLeft = 2;
    const auto lookup = [](const wchar_t* key) { return DuiLib::UICulture::GetInstance()->GetString(key).str(); };
    DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
    EXPECT_EQ(Reminders::Text(ended, lookup), L"Updates are no longer paused. The pause was to last until 2025-02-15.");
    EXPECT_EQ(Reminders::Text(soon, lookup),
              L"Updates are paused until 2025-01-17. Windows Update resumes in 2 days; open Lullgate to pause again.");
    DuiLib::UICulture::GetInstance()->SetLanguage(L"zh-CN", false);
    EXPECT_EQ(Reminders::Text(ended, lookup),
              L"\u66F4\u65B0\u5DF2\u4E0D\u518D\u6682\u505C\u3002\u6B64\u6B21\u6682\u505C\u539F\u5B9A\u6301\u7EED\u5230 "
              L"2025-02-15\u3002");
}

// The balloon as the notification area receives it; a click on it starts Lullgate through the
// shell, and without one the icon goes once the time is up.
TEST_F(RemindersTest, BalloonCarriesItsTextsAndAClickStartsLullgate) {
    std::vector<DWORD> calls;
    NOTIFYICONDATAW added{};
    std::vector<std::wstring> started;
    for (const bool click : {true, false}) {
        calls.clear();
        Seams::SetShellNotifyIcon([&](DWORD message, NOTIFYICONDATAW* data) {
            calls.push_back(message);
            if (message == NIM_ADD) {
                added = *data;
                if (click) {
                    PostMessageW(data->hWnd, data->uCallbackMessage, 0, MAKELPARAM(NIN_BALLOONUSERCLICK, 1));
                }
            }
            return TRUE;
        });
        Seams::SetShellExecuteEx([&](SHELLEXECUTEINFOW* info) {
            started.emplace_back(info->lpFile);
            return TRUE;
        });
        HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
        const auto end =
            Reminders::ShowBalloon({L"Lullgate", L"Updates are no longer paused.", L"Lullgate"}, icon, 100);
        EXPECT_EQ(end, click ? Reminders::BalloonEnd::clicked : Reminders::BalloonEnd::timedOut);
        EXPECT_EQ(calls, (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_DELETE}));
        EXPECT_STREQ(added.szInfoTitle, L"Lullgate");
        EXPECT_STREQ(added.szInfo, L"Updates are no longer paused.");
        EXPECT_EQ(added.uFlags & NIF_INFO, static_cast<UINT>(NIF_INFO));
        EXPECT_EQ(added.dwInfoFlags, static_cast<DWORD>(NIIF_USER | NIIF_LARGE_ICON));
        EXPECT_EQ(added.hBalloonIcon, icon);
    }
    EXPECT_EQ(started, std::vector<std::wstring>{BesideExePath(L"Lullgate.exe")});
}

// Started by a task for every user: a windowed program (no console flashes up) that asks for no
// more rights than the user has.
TEST(ReminderProgram, IsAGuiProgramThatAsksForNoElevation) {
    const HMODULE image =
        LoadLibraryExW(LULLGATE_REMINDER_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~static_cast<ULONG_PTR>(3));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                               SizeofResource(image, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    FreeLibrary(image);
}

} // namespace
