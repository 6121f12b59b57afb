// Shared pieces of the pause engine tests: a fresh engine per test (the process-wide instance
// would carry its status from one test to the next), access to its inner operations, a scoped
// C-runtime time zone, and the expected form of the engine's log lines.
#pragma once

#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "pause/PauseWinUpdates.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>

namespace NvLullgate {
struct PauseWinUpdatesTestAccess {
    using Engine = PauseWinUpdates;
    static std::unique_ptr<Engine> Make() { return std::unique_ptr<Engine>(new Engine()); }
    static bool RegTimeToDatetime(Engine& e, const char* text, __time64_t& t) { return e.RegTimeToDatetime(text, t); }
    static bool GetCurrentTimeZ(Engine& e, std::string& out) { return e.GetCurrentTimeZ(out); }
    static bool GetRegEndTimeZ(Engine& e, uint32_t day, const std::string& start, std::string& out) {
        return e.GetRegEndTimeZ(day, start, out);
    }
    static bool ZtimeToSysTime(Engine& e, const std::string& zTime, std::string& out) {
        return e.ZtimeToSysTime(zTime, out);
    }
    static bool SetText(Engine& e, const std::wstring& name, const std::string& text) {
        return e.SetRegFormWinUpdateUxSet(name, text);
    }
    static bool ReadText(Engine& e, const std::wstring& name, std::string& text) {
        return e.ReadRegFormWinUpdateUxSet(name, text);
    }
    static bool Delete(Engine& e, const std::wstring& name) { return e.DeleteRegFormWinUpdateUxSet(name); }
    static bool SetMaxPauseDays(Engine& e, uint32_t day) { return e.SetRegMaxPauseDays(day); }
};
} // namespace NvLullgate

namespace PauseTest {

using Access = NvLullgate::PauseWinUpdatesTestAccess;

inline constexpr wchar_t kSettings[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
inline constexpr wchar_t kMaxDays[] = L"FlightSettingsMaxPauseDays";
// The six pause values in the order a resume deletes them.
inline const std::wstring kSixValues[] = {L"PauseFeatureUpdatesStartTime", L"PauseFeatureUpdatesEndTime",
                                          L"PauseQualityUpdatesStartTime", L"PauseQualityUpdatesEndTime",
                                          L"PauseUpdatesStartTime",        L"PauseUpdatesExpiryTime"};

// Every key and value under a HKLM key: the bytes and type of each value, by path and name.
using Snapshot = std::map<std::wstring, std::vector<BYTE>>;
inline Snapshot Dumped(const std::wstring& path) {
    Snapshot out;
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return out;
    }
    out[path];
    wchar_t name[256];
    std::vector<BYTE> data(8192);
    for (DWORD i = 0, chars = 256, type = 0, size = 8192;
         RegEnumValueW(key.get(), i, name, &chars, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
         ++i, chars = 256, size = 8192) {
        auto& value = out[path + L"|" + name];
        value.assign(data.begin(), data.begin() + size);
        value.push_back(static_cast<BYTE>(type));
    }
    for (DWORD i = 0, chars = 256;
         RegEnumKeyExW(key.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, chars = 256) {
        out.merge(Dumped(path + L"\\" + name));
    }
    return out;
}

// A stored text as it reads back after this program wrote it: the 20 characters, then one space
// for each of the 110 zero units of padding.
inline std::string Padded(const std::string& zTime) {
    return zTime + std::string(130 - zTime.size(), ' ');
}

inline CapturedLine Warn(const std::wstring& text, const char* op) {
    return {3, text + L"(NvLullgate::PauseWinUpdates::" + std::wstring(op, op + strlen(op)) + L")"};
}
inline CapturedLine Error(const std::wstring& text, const char* op) {
    return {4, text + L"(NvLullgate::PauseWinUpdates::" + std::wstring(op, op + strlen(op)) + L")"};
}

// The C runtime's zone for one test ("XXX-08" is eight hours ahead of UTC); the zone of the
// machine is back in force afterwards.
class ScopedZone {
public:
    explicit ScopedZone(const std::string& tz) {
        _putenv(("TZ=" + tz).c_str());
        _tzset();
    }
    ~ScopedZone() {
        _putenv("TZ=");
        _tzset();
    }
};

// An engine of its own, a log capture and the registry sandbox for every test; seams restored.
class EngineTest : public RegistrySandboxTest {
protected:
    // Every seam the engine, console and reminder tests replace goes back to the real call.
    void TearDown() override {
        Seams::SetRegSetValue(nullptr);
        Seams::SetCreateProcess(nullptr);
        Seams::SetTokenElevation(nullptr);
        Seams::SetTime(nullptr);
        Seams::SetShellNotifyIcon(nullptr);
        Seams::SetShellExecuteEx(nullptr);
        RegistrySandboxTest::TearDown();
    }

    // The six values as this program writes them (260 bytes each).
    void WriteSix(const std::string& start, const std::string& end) {
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(Access::SetText(*engine, kSixValues[i], i % 2 == 0 ? start : end));
        }
    }
    // The six values as another writer stores them: the text and one terminating zero.
    void WriteSixTerminated(const std::wstring& start, const std::wstring& end) {
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kSettings, kSixValues[i], i % 2 == 0 ? start : end));
        }
    }
    std::string ReadBack(const std::wstring& name) {
        std::string text;
        EXPECT_TRUE(Access::ReadText(*engine, name, text)) << "reading " << testing::PrintToString(name);
        return text;
    }

    std::unique_ptr<NvLullgate::PauseWinUpdates> engine = Access::Make();
    LogCapture capture;
};

} // namespace PauseTest
