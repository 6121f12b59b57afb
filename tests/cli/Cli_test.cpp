// lullgate-cli's commands in-process, in the registry sandbox, with an engine of their own: exit
// codes, the bytes a pause writes (the window's, for the same moment), --json read back, every kind
// of wrong use, a token without elevation, and consent with and without --agree.
#include "cli/Cli.h"
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "duilib/UICulture.h"
#include "pause/PauseRules.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "tests/pause/PauseTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

using PauseTest::Access;
using PauseTest::kSettings;
using PauseTest::kSixValues;

// The fields of a flat JSON object (a nested object comes back as its text).
std::map<std::wstring, std::wstring> JsonFields(const std::wstring& json) {
    std::map<std::wstring, std::wstring> fields;
    size_t at = json.find(L'{') + 1;
    while (at < json.size() && json[at] == L'"') {
        const size_t nameEnd = json.find(L'"', at + 1);
        const std::wstring name = json.substr(at + 1, nameEnd - at - 1);
        size_t valueStart = nameEnd + 2; // past ":
        size_t valueEnd = valueStart;
        if (json[valueStart] == L'"') {
            valueEnd = json.find(L'"', valueStart + 1) + 1;
        } else if (json[valueStart] == L'{') {
            int depth = 0;
            do {
                depth += json[valueEnd] == L'{' ? 1 : json[valueEnd] == L'}' ? -1 : 0;
                ++valueEnd;
            } while (depth > 0);
        } else {
            valueEnd = json.find_first_of(L",}", valueStart);
        }
        fields[name] = json.substr(valueStart, valueEnd - valueStart);
        at = valueEnd + 1;
    }
    return fields;
}

class CliTest : public PauseTest::EngineTest {
protected:
    void SetUp() override {
        PauseTest::EngineTest::SetUp();
        // The English string table beside the test, as lullgate-cli reads it beside itself.
        DuiLib::UICulture::GetInstance()->SetStringPath(BesideExePath(L"res\\values").c_str());
        DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
    }
    void TearDown() override {
        Seams::SetTokenElevation(nullptr);
        Seams::SetTime(nullptr);
        PauseTest::EngineTest::TearDown();
    }
    int Cli(const std::vector<std::wstring>& args) {
        out.str({});
        err.str({});
        return NvLullgate::Cli::Run(args, out, err, *engine);
    }
    void Agree() { ASSERT_TRUE(NvPcPrivacySecurity::OptPrivacySecurityReg::SetToolPriacyStatusReg()); }
    bool AnyPauseValue() {
        for (const std::wstring& name : kSixValues) {
            if (ValueExists(HKEY_LOCAL_MACHINE, kSettings, name)) {
                return true;
            }
        }
        return ValueExists(HKEY_LOCAL_MACHINE, kSettings, PauseTest::kMaxDays);
    }

    std::wostringstream out;
    std::wostringstream err;
};

TEST_F(CliTest, WrongUseEndsWithTwoAndWritesNothing) {
    Agree();
    // How a day count is read has its own test; here, that every kind of wrong line is refused.
    const std::vector<std::vector<std::wstring>> wrong = {{},
                                                          {L"pause"},
                                                          {L"pause", L"60x"},
                                                          {L"pause", L"60", L"61"},
                                                          {L"status", L"now"},
                                                          {L"--bogus"},
                                                          {L"frobnicate"},
                                                          {L"status", L"--open-settings"},
                                                          {L"status", L"--agree"}};
    for (const auto& args : wrong) {
        EXPECT_EQ(Cli(args), 2) << testing::PrintToString(args);
        EXPECT_FALSE(err.str().empty());
        EXPECT_FALSE(AnyPauseValue());
    }
    // In --json mode the failure is one object on the output, wherever the flag stands.
    for (const auto& args : std::vector<std::vector<std::wstring>>{{L"pause", L"7", L"--json"},
                                                                   {L"pause", L"60", L"--bogus", L"--json"}}) {
        EXPECT_EQ(Cli(args), 2);
        EXPECT_EQ(JsonFields(out.str()).at(L"exitCode"), L"2") << out.str();
    }
}

TEST_F(CliTest, PauseAndResumeAsTheStatusReportsThem) {
    Agree();
    ASSERT_EQ(Cli({L"pause", L"60"}), 0) << err.str();
    EXPECT_NE(out.str().find(L"paused until"), std::wstring::npos);

    // The bytes written are the engine's (its own test); here, the fields that report them.
    std::string endDate;
    ASSERT_TRUE(engine->GetPauseStatus(endDate));
    const std::string end = NvLullgate::PauseRules::Unpadded(engine->m_pauseEndTime);
    ASSERT_EQ(Cli({L"status", L"--json"}), 0);
    const auto fields = JsonFields(out.str());
    EXPECT_EQ(fields.at(L"paused"), L"true");
    EXPECT_EQ(fields.at(L"pausedUntil"), L"\"" + std::wstring(endDate.begin(), endDate.end()) + L"\"");
    EXPECT_EQ(fields.at(L"endUtc"), L"\"" + std::wstring(end.begin(), end.end()) + L"\"");
    EXPECT_EQ(fields.at(L"daysLeft"), L"60"); // counted between local calendar dates
    const auto windows = JsonFields(fields.at(L"windows"));
    EXPECT_EQ(windows.at(L"maxPauseDays"), L"60");    // the pause itself wrote it
    EXPECT_EQ(windows.at(L"qualityStatus"), L"null"); // Windows has said nothing in the sandbox
    EXPECT_EQ(windows.at(L"says"), L"\"nothing\"");

    ASSERT_EQ(Cli({L"resume", L"--json"}), 0);
    EXPECT_EQ(JsonFields(out.str()).at(L"wasPaused"), L"true");
    EXPECT_FALSE(AnyPauseValue());
    ASSERT_EQ(Cli({L"status", L"--json"}), 0);
    EXPECT_EQ(JsonFields(out.str()).at(L"paused"), L"false");
    EXPECT_EQ(JsonFields(out.str()).at(L"pausedUntil"), L"null");
}

TEST_F(CliTest, ExitCodesTellWhatIsInPlaceAndRepeatsAreDone) {
    Agree();
    for (const auto& args :
         std::vector<std::vector<std::wstring>>{{L"pause", L"60"}, {L"pause", L"60"}, {L"resume"}, {L"resume"}}) {
        EXPECT_EQ(Cli(args), 0) << testing::PrintToString(args) << err.str();
    }
    EXPECT_FALSE(AnyPauseValue());

    // What a damaged pause left shows in the status and goes with a resume.
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kSettings, L"PauseUpdatesExpiryTime", L"2095-01-01T00:00:00Z"));
    ASSERT_EQ(Cli({L"status", L"--json"}), 0);
    EXPECT_EQ(JsonFields(out.str()).at(L"leftoverValues"), L"[\"PauseUpdatesExpiryTime\"]");
    ASSERT_EQ(Cli({L"resume", L"--json"}), 0);
    EXPECT_EQ(JsonFields(out.str()).at(L"wasPaused"), L"false");
    EXPECT_FALSE(AnyPauseValue());
    ASSERT_EQ(Cli({L"status", L"--json"}), 0);
    EXPECT_EQ(JsonFields(out.str()).at(L"leftoverValues"), L"[]");

    // A pause that reads back as something else is not done, and says what is in place.
    Seams::SetRegSetValue([](HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
        const std::wstring other = L"2095-01-01T00:00:00Z";
        return std::wstring(name) == L"PauseUpdatesExpiryTime"
                   ? ::RegSetValueExW(key, name, reserved, type, reinterpret_cast<const BYTE*>(other.c_str()), 42)
                   : ::RegSetValueExW(key, name, reserved, type, data, size);
    });
    EXPECT_EQ(Cli({L"pause", L"60"}), 1);
    EXPECT_NE(err.str().find(L"now say: Windows Update is not paused."), std::wstring::npos) << err.str();
    Seams::SetRegSetValue(nullptr);

    // A resume that cannot remove what is there names it.
    ASSERT_EQ(Cli({L"pause", L"60"}), 0);
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kSettings));
    EXPECT_EQ(Cli({L"resume"}), 1);
    EXPECT_NE(err.str().find(L"still set: FlightSettingsMaxPauseDays, PauseFeatureUpdatesStartTime"),
              std::wstring::npos)
        << err.str();
}

// The reminder's decision for scripts: what it would tell, counted as told unless --dry-run, and
// nothing once this user resumed from Lullgate.
TEST_F(CliTest, RemindTellsWhatTheReminderWouldAndAResumeHereSilencesIt) {
    Agree();
    Seams::SetTime([] { return static_cast<__time64_t>(1736942400); }); // 2025-01-15T12:00:00Z
    const auto notify = [this](std::vector<std::wstring> args) {
        args.insert(args.begin(), {L"remind", L"--json"});
        EXPECT_EQ(Cli(args), 0);
        return JsonFields(out.str()).at(L"notify");
    };
    ASSERT_EQ(Cli({L"pause", L"60"}), 0);
    EXPECT_EQ(notify({}), L"null");
    EXPECT_EQ(JsonFields(out.str()).at(L"daysLeft"), L"60");
    // Removed behind Lullgate's back, before its end: "ended", once.
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings), ERROR_SUCCESS);
    EXPECT_EQ(notify({L"--dry-run"}), L"\"ended\"");
    EXPECT_EQ(notify({}), L"\"ended\"");
    EXPECT_EQ(notify({}), L"null");
    // Resumed here: nothing.
    ASSERT_EQ(Cli({L"pause", L"60"}), 0);
    EXPECT_EQ(notify({}), L"null");
    ASSERT_EQ(Cli({L"resume"}), 0);
    EXPECT_EQ(notify({}), L"null");
    EXPECT_EQ(Cli({L"remind", L"--agree"}), 2);
}

TEST_F(CliTest, WithoutElevationPauseAndResumeEndWithFourAndStatusStillWorks) {
    Agree();
    Seams::SetTokenElevation([](DWORD* elevated, DWORD* length) {
        *elevated = 0;
        *length = sizeof(DWORD);
        return TRUE;
    });
    EXPECT_EQ(Cli({L"pause", L"60"}), 4);
    EXPECT_NE(err.str().find(L"elevated"), std::wstring::npos);
    EXPECT_EQ(Cli({L"resume"}), 4);
    EXPECT_FALSE(AnyPauseValue());
    EXPECT_EQ(Cli({L"status"}), 0);
}

TEST_F(CliTest, PolicyThatForbidsPausingEndsWithFiveAndWritesNothing) {
    Agree();
    const std::wstring policy = L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate";
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, policy, L"SetDisablePauseUXAccess", 1));
    EXPECT_EQ(Cli({L"pause", L"60", L"--json"}), 5);
    EXPECT_EQ(JsonFields(out.str()).at(L"exitCode"), L"5");
    EXPECT_FALSE(AnyPauseValue());
    ASSERT_EQ(Cli({L"status", L"--json"}), 0);
    const auto windows = JsonFields(JsonFields(out.str()).at(L"windows"));
    EXPECT_EQ(windows.at(L"policyForbidsPause"), L"true");
    EXPECT_EQ(windows.at(L"says"), L"\"policyForbids\"");
    EXPECT_EQ(Cli({L"status"}), 0);
    EXPECT_NE(out.str().find(L"turns pausing off"), std::wstring::npos);
}

TEST_F(CliTest, ConsentIsNeededForChangesAndAgreeRecordsIt) {
    EXPECT_EQ(Cli({L"pause", L"60"}), 3);
    EXPECT_FALSE(AnyPauseValue());
    EXPECT_EQ(Cli({L"resume"}), 3);
    EXPECT_EQ(Cli({L"status"}), 0); // reading needs no consent
    EXPECT_EQ(Cli({L"pause", L"60", L"--agree"}), 0);
    EXPECT_EQ(NvPcPrivacySecurity::OptPrivacySecurityReg::CheckToolPriacyStatusReg(),
              NvPcPrivacySecurity::StatusCurrent);
    EXPECT_TRUE(AnyPauseValue());
}

TEST_F(CliTest, AFailedWriteEndsWithOne) {
    Agree();
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kSettings));
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kSettings));
    EXPECT_EQ(Cli({L"pause", L"60", L"--json"}), 1);
    EXPECT_EQ(JsonFields(out.str()).at(L"exitCode"), L"1");
    EXPECT_NE(JsonFields(out.str()).at(L"message").find(L"log"), std::wstring::npos);
}

TEST_F(CliTest, HelpAndVersion) {
    EXPECT_EQ(Cli({L"--help"}), 0);
    EXPECT_NE(out.str().find(L"Exit codes"), std::wstring::npos);
    EXPECT_NE(out.str().find(L"privacy-statement.html"), std::wstring::npos);
    EXPECT_EQ(Cli({L"--version"}), 0); // version.xml is not beside the test: an empty line
}

} // namespace
