// lullgate-cli's commands in-process, in the registry sandbox, with an engine of their own: exit
// codes, the fields that report a pause (the bytes are the engine's own test), every kind of wrong
// use, a token without elevation, and consent with and without --agree.
#include "cli/Cli.h"
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "duilib/UICulture.h"
#include "pause/PauseRules.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "tests/pause/PauseTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

namespace {

using PauseTest::kSettings;
using Consent = NvPcPrivacySecurity::OptPrivacySecurityReg;

class CliTest : public PauseTest::EngineTest {
protected:
    // This user has agreed (the consent test takes it back); the English string table lies beside
    // the test, as lullgate-cli reads it beside itself.
    void SetUp() override {
        PauseTest::EngineTest::SetUp();
        ASSERT_TRUE(Consent::SetToolPriacyStatusReg());
        DuiLib::UICulture::GetInstance()->SetStringPath(BesideExePath(L"res\\values").c_str());
        DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
    }
    // Runs one command line, split at blanks.
    int Cli(const std::wstring& line) {
        std::wistringstream words(line);
        const std::vector<std::wstring> args(std::istream_iterator<std::wstring, wchar_t>(words), {});
        out.str({});
        err.str({});
        return NvLullgate::Cli::Run(args, out, err, *engine);
    }
    // Whether the output holds `field` ("name":value, the name quoted) as one whole field.
    bool Has(const std::wstring& field) const {
        const std::wstring text = out.str();
        return text.find(field + L",") != std::wstring::npos || text.find(field + L"}") != std::wstring::npos;
    }
    // The engine's own look at the seven values (its test shows it sees each of them).
    bool AnyPauseValue() {
        std::vector<std::wstring> names{L"?"};
        return !engine->ExistingPauseValues(names) || !names.empty();
    }

    std::wostringstream out;
    std::wostringstream err;
};

TEST_F(CliTest, WrongUseEndsWithTwoAndWritesNothing) {
    // How a day count is read has its own test; here, that every kind of wrong line is refused.
    for (const wchar_t* args : {L"", L"pause", L"pause 60x", L"pause 60 61", L"status now", L"--bogus", L"frobnicate",
                                L"status --open-settings", L"status --agree", L"remind --agree"}) {
        EXPECT_EQ(Cli(args), 2) << args;
        EXPECT_FALSE(err.str().empty());
        EXPECT_FALSE(AnyPauseValue());
    }
    // In --json mode the failure is one object on the output, wherever the flag stands.
    for (const wchar_t* args : {L"pause 7 --json", L"pause 60 --bogus --json"}) {
        EXPECT_EQ(Cli(args), 2);
        EXPECT_TRUE(Has(L"\"exitCode\":2")) << out.str();
    }
}

TEST_F(CliTest, PauseAndResumeAsTheStatusReportsThem) {
    ASSERT_EQ(Cli(L"pause 60"), 0) << err.str();
    EXPECT_NE(out.str().find(L"paused until"), std::wstring::npos);

    std::string endDate;
    ASSERT_TRUE(engine->GetPauseStatus(endDate));
    const std::string end = NvLullgate::PauseRules::Unpadded(engine->m_pauseEndTime);
    ASSERT_EQ(Cli(L"status --json"), 0);
    EXPECT_TRUE(Has(L"\"paused\":true"));
    EXPECT_TRUE(Has(L"\"pausedUntil\":\"" + std::wstring(endDate.begin(), endDate.end()) + L"\""));
    EXPECT_TRUE(Has(L"\"endUtc\":\"" + std::wstring(end.begin(), end.end()) + L"\""));
    EXPECT_TRUE(Has(L"\"daysLeft\":60"));        // counted between local calendar dates
    EXPECT_TRUE(Has(L"\"maxPauseDays\":60"));    // Windows' view: the pause itself wrote it
    EXPECT_TRUE(Has(L"\"qualityStatus\":null")); // Windows has said nothing in the sandbox
    EXPECT_TRUE(Has(L"\"says\":\"nothing\"")) << out.str();

    ASSERT_EQ(Cli(L"resume --json"), 0);
    EXPECT_TRUE(Has(L"\"wasPaused\":true"));
    EXPECT_FALSE(AnyPauseValue());
    ASSERT_EQ(Cli(L"status --json"), 0);
    EXPECT_TRUE(Has(L"\"paused\":false"));
    EXPECT_TRUE(Has(L"\"pausedUntil\":null")) << out.str();
}

TEST_F(CliTest, ExitCodesTellWhatIsInPlaceAndRepeatsAreDone) {
    for (const wchar_t* args : {L"pause 60", L"pause 60", L"resume", L"resume"}) {
        EXPECT_EQ(Cli(args), 0) << args << err.str();
    }
    EXPECT_FALSE(AnyPauseValue());

    // What a damaged pause left shows in the status and goes with a resume.
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kSettings, L"PauseUpdatesExpiryTime", L"2095-01-01T00:00:00Z"));
    ASSERT_EQ(Cli(L"status --json"), 0);
    EXPECT_TRUE(Has(L"\"leftoverValues\":[\"PauseUpdatesExpiryTime\"]")) << out.str();
    ASSERT_EQ(Cli(L"resume --json"), 0);
    EXPECT_TRUE(Has(L"\"wasPaused\":false"));
    EXPECT_FALSE(AnyPauseValue());
    ASSERT_EQ(Cli(L"status --json"), 0);
    EXPECT_TRUE(Has(L"\"leftoverValues\":[]"));

    // A pause that reads back as something else is not done, and says what is in place.
    Seams::SetRegSetValue([](HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
        const std::wstring other = L"2095-01-01T00:00:00Z";
        return std::wstring(name) == L"PauseUpdatesExpiryTime"
                   ? ::RegSetValueExW(key, name, reserved, type, reinterpret_cast<const BYTE*>(other.c_str()), 42)
                   : ::RegSetValueExW(key, name, reserved, type, data, size);
    });
    EXPECT_EQ(Cli(L"pause 60"), 1);
    EXPECT_NE(err.str().find(L"now say: Windows Update is not paused."), std::wstring::npos) << err.str();
    Seams::SetRegSetValue(nullptr);

    // A resume that cannot remove what is there names it; a pause that cannot be written fails.
    ASSERT_EQ(Cli(L"pause 60"), 0);
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kSettings));
    EXPECT_EQ(Cli(L"resume"), 1);
    EXPECT_NE(err.str().find(L"still set: FlightSettingsMaxPauseDays, PauseFeatureUpdatesStartTime"),
              std::wstring::npos)
        << err.str();
    EXPECT_EQ(Cli(L"pause 60 --json"), 1);
    EXPECT_TRUE(Has(L"\"exitCode\":1"));
    EXPECT_NE(out.str().find(L"the log has the detail"), std::wstring::npos) << out.str();
}

// The reminder's decision for scripts: what it would tell, counted as told unless --dry-run, and
// nothing once this user resumed from Lullgate.
TEST_F(CliTest, RemindTellsWhatTheReminderWouldAndAResumeHereSilencesIt) {
    Seams::SetTime([] { return static_cast<__time64_t>(1736942400); }); // 2025-01-15T12:00:00Z
    const auto notify = [this](const std::wstring& args, const std::wstring& expected) {
        EXPECT_EQ(Cli(L"remind --json " + args), 0);
        EXPECT_TRUE(Has(L"\"notify\":" + expected)) << out.str();
    };
    ASSERT_EQ(Cli(L"pause 60"), 0);
    notify(L"", L"null");
    EXPECT_TRUE(Has(L"\"daysLeft\":60"));
    // Removed behind Lullgate's back, before its end: "ended", once.
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettings), ERROR_SUCCESS);
    notify(L"--dry-run", L"\"ended\"");
    notify(L"", L"\"ended\"");
    notify(L"", L"null");
    // Resumed here: nothing.
    ASSERT_EQ(Cli(L"pause 60"), 0);
    ASSERT_EQ(Cli(L"resume"), 0);
    notify(L"", L"null");
}

TEST_F(CliTest, WithoutElevationPauseAndResumeEndWithFourAndStatusStillWorks) {
    Seams::SetTokenElevation([](DWORD* elevated, DWORD* length) {
        *elevated = 0;
        *length = sizeof(DWORD);
        return TRUE;
    });
    EXPECT_EQ(Cli(L"pause 60"), 4);
    EXPECT_NE(err.str().find(L"elevated"), std::wstring::npos);
    EXPECT_EQ(Cli(L"resume"), 4);
    EXPECT_FALSE(AnyPauseValue());
    EXPECT_EQ(Cli(L"status"), 0);
}

TEST_F(CliTest, PolicyThatForbidsPausingEndsWithFiveAndWritesNothing) {
    const std::wstring policy = L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate";
    ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, policy, L"SetDisablePauseUXAccess", 1));
    EXPECT_EQ(Cli(L"pause 60 --json"), 5);
    EXPECT_TRUE(Has(L"\"exitCode\":5"));
    EXPECT_FALSE(AnyPauseValue());
    ASSERT_EQ(Cli(L"status --json"), 0);
    EXPECT_TRUE(Has(L"\"policyForbidsPause\":true"));
    EXPECT_TRUE(Has(L"\"says\":\"policyForbids\"")) << out.str();
    EXPECT_EQ(Cli(L"status"), 0);
    EXPECT_NE(out.str().find(L"turns pausing off"), std::wstring::npos);
}

TEST_F(CliTest, ConsentIsNeededForChangesAndAgreeRecordsIt) {
    ASSERT_TRUE(Consent::DeletToolPriacyStatusReg());
    EXPECT_EQ(Cli(L"pause 60"), 3);
    EXPECT_FALSE(AnyPauseValue());
    EXPECT_EQ(Cli(L"resume"), 3);
    EXPECT_EQ(Cli(L"status"), 0); // reading needs no consent
    EXPECT_EQ(Cli(L"pause 60 --agree"), 0);
    EXPECT_EQ(Consent::CheckToolPriacyStatusReg(), NvPcPrivacySecurity::StatusCurrent);
    EXPECT_TRUE(AnyPauseValue());
}

TEST_F(CliTest, HelpAndVersion) {
    EXPECT_EQ(Cli(L"--help"), 0);
    EXPECT_NE(out.str().find(L"Exit codes"), std::wstring::npos);
    EXPECT_NE(out.str().find(L"privacy-statement.html"), std::wstring::npos);
    EXPECT_EQ(Cli(L"--version"), 0); // version.xml is not beside the test: an empty line
}

} // namespace
