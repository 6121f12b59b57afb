#include "tests/pause/PauseTestSupport.h"

#include "common/Seams.h"
#include "common/UniqueHandle.h"

#include <atomic>
#include <thread>

using namespace PauseTest;

namespace {

const std::wstring kPath = kSettings;
const std::string kStart = "2024-03-01T01:30:00Z";

class PauseOperations : public EngineTest {
protected:
    // A complete pause of the given length, as this program leaves it.
    void Pause(uint32_t day) {
        std::string date;
        ASSERT_TRUE(engine->DoPauseWinUpdate(day, date));
    }
};

// The texts themselves are read back by the main window's keyboard test; here, the order of the
// writes, the type of the day count and the local date of the end.
TEST_F(PauseOperations, PauseWritesTheDayCountThenTheStartsThenTheEnds) {
    ScopedZone zone("XXX-08");
    std::vector<std::wstring> writes;
    Seams::SetRegSetValue([&](HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
        writes.push_back(name);
        return ::RegSetValueExW(key, name, reserved, type, data, size);
    });
    engine->m_curSysTime = kStart; // as the last status read left it
    std::string date;
    ASSERT_TRUE(engine->DoPauseWinUpdate(36, date));
    EXPECT_EQ(writes,
              (std::vector<std::wstring>{kMaxDays, L"PauseFeatureUpdatesStartTime", L"PauseQualityUpdatesStartTime",
                                         L"PauseUpdatesStartTime", L"PauseFeatureUpdatesEndTime",
                                         L"PauseQualityUpdatesEndTime", L"PauseUpdatesExpiryTime"}));
    std::vector<BYTE> days;
    DWORD type = 0;
    ASSERT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, kPath, kMaxDays, days, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)); // the count itself: the main window's keyboard test
    EXPECT_EQ(date, "2024-04-06");
    EXPECT_TRUE(engine->m_isPaused);
    // The key did not exist: only the day count says so before creating it.
    EXPECT_EQ(capture.Lines(),
              std::vector<CapturedLine>{Warn(L"RegOpenKeyEx errorID : 2,lpSubKey : " + kPath, "SetRegMaxPauseDays")});
}

TEST_F(PauseOperations, PauseResumeAndPauseAgainKeepTheStartOfTheStatusRead) {
    engine->m_curSysTime = kStart; // stands for a status read long before the clicks
    Pause(36);
    ASSERT_TRUE(engine->DoRecoveringWinUpdate());
    EXPECT_EQ(engine->m_curSysTime, kStart); // a resume keeps it
    Pause(40);
    EXPECT_EQ(ReadBack(L"PauseUpdatesStartTime"), Padded(kStart));
    EXPECT_EQ(ReadBack(L"PauseUpdatesExpiryTime"), Padded("2024-04-10T01:30:00Z"));
}

TEST_F(PauseOperations, AFailureAtAnyWriteLeavesExactlyTheEarlierState) {
    // Earlier states: a pause by another writer (terminated texts, a day count of its own), and one
    // value a clean-up left (every other value is new).
    const std::function<void()> earlier[] = {
        [this] {
            WriteSixTerminated(L"2024-01-01T00:00:00Z", L"2095-01-01T00:00:00Z");
            ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kPath, kMaxDays, 50));
        },
        [] { ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kPath, L"PauseUpdatesExpiryTime", L"2095-01-01T00:00:00Z")); },
    };
    for (const auto& seed : earlier) {
        for (int failing = 1; failing <= 7; ++failing) {
            SCOPED_TRACE(testing::Message() << "write " << failing);
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE");
            seed();
            const Snapshot before = Dumped(kPath);
            int count = 0;
            Seams::SetRegSetValue(
                [&](HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
                    return ++count == failing ? ERROR_ACCESS_DENIED
                                              : ::RegSetValueExW(key, name, reserved, type, data, size);
                });
            capture.Clear();
            engine->m_curSysTime = kStart;
            std::string date = "untouched";
            EXPECT_FALSE(engine->DoPauseWinUpdate(36, date));
            EXPECT_EQ(Dumped(kPath), before);
            EXPECT_EQ(date, "untouched");
            // The failed step, then that what was there is back (a first write that failed wrote nothing).
            ASSERT_GE(capture.Lines().size(), 2u);
            EXPECT_EQ(capture.Lines().back(),
                      failing == 1
                          ? Error(L"set reg max pause days error", "DoPauseWinUpdate")
                          : Warn(L"the pause values are back as they were before the pause", "RestorePauseValues"));
        }
    }
}

TEST_F(PauseOperations, ResumeRemovesWhatIsThereAndFailsOnlyOnWhatStays) {
    // With any one value already gone, the others still go.
    for (int missing = 0; missing < 7; ++missing) {
        Pause(36);
        const std::wstring gone = missing == 0 ? kMaxDays : kSixValues[missing - 1];
        ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSettings, gone.c_str()), ERROR_SUCCESS);
        EXPECT_TRUE(engine->DoRecoveringWinUpdate()) << testing::PrintToString(gone);
        EXPECT_FALSE(engine->m_isPaused);
        std::vector<std::wstring> left{L"?"};
        EXPECT_TRUE(engine->ExistingPauseValues(left));
        EXPECT_TRUE(left.empty()) << testing::PrintToString(left);
    }
    // With nothing there, and with no key at all, a resume is done: scripts run it twice.
    EXPECT_TRUE(engine->DoRecoveringWinUpdate());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE");
    EXPECT_TRUE(engine->DoRecoveringWinUpdate());

    // A value that exists but cannot be removed: the resume fails and says what remains.
    Pause(36);
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kPath));
    capture.Clear();
    EXPECT_FALSE(engine->DoRecoveringWinUpdate());
    EXPECT_TRUE(engine->m_isPaused); // a failed resume leaves the instance as it was
    EXPECT_EQ(capture.Lines().back(),
              Error(L"pause values remain: FlightSettingsMaxPauseDays, PauseFeatureUpdatesStartTime, "
                    L"PauseFeatureUpdatesEndTime, PauseQualityUpdatesStartTime, PauseQualityUpdatesEndTime, "
                    L"PauseUpdatesStartTime, PauseUpdatesExpiryTime",
                    "DoRecoveringWinUpdate"));
}

TEST_F(PauseOperations, LeftoversAreValuesOfNoValidPause) {
    const struct {
        const char* what;
        std::function<void()> seed;
        std::vector<std::wstring> leftovers;
    } cases[] = {
        {"a valid pause", [this] { WriteSix("2024-01-01T00:00:00Z", "2095-01-01T00:00:00Z"); }, {}},
        {"one that has run out",
         [this] { WriteSix("2024-01-01T00:00:00Z", "2024-02-01T00:00:00Z"); },
         {kSixValues[0], kSixValues[1], kSixValues[2], kSixValues[3], kSixValues[4], kSixValues[5]}},
        {"the expiry and the day count",
         [this] {
             ASSERT_TRUE(Access::SetText(*engine, L"PauseUpdatesExpiryTime", "2095-01-01T00:00:00Z"));
             ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kPath, kMaxDays, 60));
         },
         {kMaxDays, L"PauseUpdatesExpiryTime"}},
        {"the day count alone", [] { ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, kPath, kMaxDays, 60)); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE");
        c.seed();
        std::string date;
        ASSERT_TRUE(engine->GetPauseStatus(date));
        EXPECT_EQ(engine->LeftoverPauseValues(), c.leftovers);
    }
}

// (A day count that cannot be written is the first failing write of the failure test.)
TEST_F(PauseOperations, PauseThatCannotEndLeavesNoPauseValue) {
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kPath));
    engine->m_curSysTime = kStart;
    std::string date;
    EXPECT_FALSE(engine->DoPauseWinUpdate(400000, date)); // ends after the year 3000
    EXPECT_EQ(capture.Lines()[1], Error(L"get reg end timez error, day : 400000, m_curSysTime : 2024-03-01T01:30:00Z",
                                        "SetPauseWindowsUpdate"));
    EXPECT_EQ(Dumped(kPath).size(), 1u); // the key alone: the day count written first is gone again
    EXPECT_FALSE(engine->m_isPaused);
}

TEST_F(PauseOperations, PauseWhoseEndDateCannotBeShownIsStillSet) {
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kPath)); // so that only the date is said
    engine->m_curSysTime = "3000-12-31T00:00:00Z";     // one day later lies past what converts back
    std::string date;
    EXPECT_TRUE(engine->DoPauseWinUpdate(1, date));
    EXPECT_EQ(date, "");
    EXPECT_TRUE(engine->m_isPaused);
    EXPECT_EQ(ReadBack(L"PauseUpdatesExpiryTime"), Padded("3001-01-01T00:00:00Z"));
    EXPECT_EQ(capture.Lines(),
              (std::vector<CapturedLine>{Error(L"localtime_s error: 22", "ZtimeToSysTime"),
                                         Error(L"Ztime To SysTime error : 3001-01-01T00:00:00Z", "DoPauseWinUpdate")}));
}

// ---- Opening the settings page ----------------------------------------------------------------

using PauseSettingsPage = EngineTest;

// The command line is the main window's test's; here, the program named by its full path, the wait
// for its end and the handles closed afterwards.
TEST_F(PauseSettingsPage, StartsTheSystemControlPanelAndWaitsUntilItEnds) {
    // Named, so that once our own handles are closed too, a failed open shows the engine closed its.
    const std::wstring name = L"LullgateTests-Pause-" + std::to_wstring(GetCurrentProcessId());
    unique_handle processEvent(CreateEventW(nullptr, TRUE, FALSE, (name + L"-process").c_str()));
    unique_handle threadEvent(CreateEventW(nullptr, TRUE, TRUE, (name + L"-thread").c_str()));
    std::wstring application;
    bool defaults = false;
    // Hands the engine duplicates of the events as its process and thread, so that its wait and its
    // closes act on real handles.
    Seams::SetCreateProcess([&](LPCWSTR app, LPWSTR, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta, BOOL inherit,
                                DWORD flags, LPVOID env, LPCWSTR dir, LPSTARTUPINFOW si, LPPROCESS_INFORMATION pi) {
        application = app ? app : L"";
        defaults = !inherit && !pa && !ta && !env && !dir && flags == 0 && si->cb == sizeof(STARTUPINFOW);
        HANDLE self = GetCurrentProcess();
        DuplicateHandle(self, processEvent.get(), self, &pi->hProcess, 0, FALSE, DUPLICATE_SAME_ACCESS);
        DuplicateHandle(self, threadEvent.get(), self, &pi->hThread, 0, FALSE, DUPLICATE_SAME_ACCESS);
        return TRUE;
    });
    std::atomic<bool> ended{false};
    std::thread program([&] {
        Sleep(200);
        ended = true;
        SetEvent(processEvent.get());
    });
    EXPECT_TRUE(engine->JumpWinUpdateUI());
    EXPECT_TRUE(ended);
    program.join();
    wchar_t system[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(application, std::wstring(system) + L"\\control.exe");
    EXPECT_TRUE(defaults);
    processEvent.reset();
    threadEvent.reset();
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, (name + L"-process").c_str()), nullptr);
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, (name + L"-thread").c_str()), nullptr);
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(PauseSettingsPage, FailedLaunchOrWaitIsReported) {
    Seams::SetCreateProcess([](auto...) { return FALSE; });
    EXPECT_FALSE(engine->JumpWinUpdateUI());
    // A launcher that hands back no process: nothing can be waited for.
    Seams::SetCreateProcess([](auto...) { return TRUE; });
    EXPECT_FALSE(engine->JumpWinUpdateUI());
    EXPECT_EQ(capture.Lines(), (std::vector<CapturedLine>{Error(L"CreateProcess command error", "JumpWinUpdateUI"),
                                                          Error(L"WaitForSingleObject error : 6", "JumpWinUpdateUI")}));
}

TEST_F(PauseSettingsPage, RealLaunchReturnsOnceTheProgramHasEnded) {
    // The recorded launches above cannot show that the real call works with these arguments. On
    // Windows the real settings page would stay open until someone closes it; Wine's control.exe
    // starts and ends on its own.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        GTEST_SKIP() << "only under Wine";
    }
    EXPECT_TRUE(engine->JumpWinUpdateUI());
    EXPECT_TRUE(capture.Lines().empty());
}

} // namespace
