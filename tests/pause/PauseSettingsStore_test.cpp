#include "tests/pause/PauseTestSupport.h"

using namespace PauseTest;

namespace {

const std::wstring kPath = kSettings;
const std::wstring kStart = L"PauseUpdatesStartTime";

class PauseSettingsStore : public EngineTest {};

TEST_F(PauseSettingsStore, TextIsRegSzOf260BytesAndReadsBackAs130Characters) {
    ASSERT_TRUE(Access::SetText(*engine, kStart, "2024-03-01T01:30:00Z"));
    std::vector<BYTE> data;
    DWORD type = 0;
    ASSERT_TRUE(ReadRaw(HKEY_LOCAL_MACHINE, kPath, kStart, data, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    std::vector<BYTE> expected(260, 0);
    const std::string text = "2024-03-01T01:30:00Z";
    for (size_t i = 0; i < text.size(); ++i) {
        expected[2 * i] = static_cast<BYTE>(text[i]);
    }
    EXPECT_EQ(data, expected);
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(PauseSettingsStore, ReadBackTurnsEveryUnitIntoOneCharacterUpToALimit) {
    const struct {
        std::vector<wchar_t> units;
        DWORD type;
        std::string expected;
    } cases[] = {
        {{L'2', L'4', L'\0'}, REG_SZ, "24 "}, // another writer's terminator is one more character
        {{}, REG_SZ, ""},
        {{L'a', L'\0', L'b', L'\0'}, REG_SZ, "a b "}, // no stop at the first zero
        {{0x263A}, REG_SZ, ":"},                      // low 8 bits of the unit
        {{36, 0}, REG_DWORD, "$ "},                   // the type is not examined
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, kPath, kStart, c.type, c.units.data(),
                             static_cast<DWORD>(c.units.size() * sizeof(wchar_t))));
        EXPECT_EQ(ReadBack(kStart), c.expected);
    }
    // An odd byte count: only whole units are read, and the second query must not run past them.
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, kPath, kStart, REG_SZ, "A\0B\0C", 5));
    EXPECT_EQ(ReadBack(kStart), "AB");
    // A value far beyond a real one is unreadable, and said.
    const std::vector<wchar_t> units(2049, L'7');
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, kPath, kStart, REG_SZ, units.data(), 4096));
    EXPECT_EQ(ReadBack(kStart), std::string(2048, '7'));
    ASSERT_TRUE(WriteRaw(HKEY_LOCAL_MACHINE, kPath, kStart, REG_SZ, units.data(), 4097));
    std::string text = "kept";
    EXPECT_FALSE(Access::ReadText(*engine, kStart, text));
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(capture.Lines(),
              std::vector<CapturedLine>{
                  Warn(L"RegQueryValueEx get value errorID : 234,lpSubKey : " + kStart, "ReadRegFormWinUpdateUxSet")});
}

TEST_F(PauseSettingsStore, TextWriteCreatesTheKeySilentlyAndRefusesTextsThatDoNotFit) {
    ASSERT_TRUE(Access::SetText(*engine, kStart, std::string(129, '7'))); // fits with its terminator
    EXPECT_EQ(ReadBack(kStart), std::string(129, '7') + " ");
    EXPECT_TRUE(capture.Lines().empty());

    EXPECT_FALSE(Access::SetText(*engine, L"Empty", ""));
    EXPECT_FALSE(Access::SetText(*engine, L"Long", std::string(130, '7')));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kPath, L"Empty"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kPath, L"Long"));
    EXPECT_EQ(capture.Lines(), (std::vector<CapturedLine>{Error(L"swprintf_s error : ", "SetRegFormWinUpdateUxSet"),
                                                          Error(L"swprintf_s error : " + std::wstring(130, L'7'),
                                                                "SetRegFormWinUpdateUxSet")}));
}

TEST_F(PauseSettingsStore, RefusedChangesFailNamingTheStep) {
    // The key opens, but the value write itself is refused.
    Seams::SetRegSetValue(
        [](HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD) -> LSTATUS { return ERROR_ACCESS_DENIED; });
    EXPECT_FALSE(Access::SetText(*engine, kStart, "2024-03-01T01:30:00Z"));
    EXPECT_FALSE(Access::SetMaxPauseDays(*engine, 36));
    Seams::SetRegSetValue(nullptr);
    // A read-only key refuses every change but still reads.
    ASSERT_TRUE(Access::SetText(*engine, kStart, "2024-03-01T01:30:00Z"));
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kPath));
    EXPECT_FALSE(Access::SetText(*engine, kStart, "2025-03-01T01:30:00Z"));
    EXPECT_FALSE(Access::SetMaxPauseDays(*engine, 36));
    EXPECT_FALSE(Access::Delete(*engine, kStart));
    EXPECT_EQ(ReadBack(kStart), Padded("2024-03-01T01:30:00Z"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kPath, kMaxDays));
    EXPECT_EQ(capture.Lines(), (std::vector<CapturedLine>{
                                   Warn(L"RegSetValueEx errorID : 5,lpSubKey : " + kStart, "SetRegFormWinUpdateUxSet"),
                                   Warn(L"RegSetValueEx lpSubKey errorID : 5,lpSubKey : FlightSettingsMaxPauseDays",
                                        "SetRegMaxPauseDays"),
                                   Warn(L"RegCreateKeyEx errorID:5,lpSubKey : " + kPath, "SetRegFormWinUpdateUxSet"),
                                   Warn(L"RegOpenKeyEx errorID : 5,lpSubKey : " + kPath, "SetRegMaxPauseDays"),
                                   Warn(L"RegCreateKeyEx errorID : 5,lpSubKey : " + kPath, "SetRegMaxPauseDays"),
                                   Warn(L"RegOpenKeyEx errorID : 5,lpSubKey : " + kPath, "DeleteRegFormWinUpdateUxSet"),
                               }));
}

} // namespace
