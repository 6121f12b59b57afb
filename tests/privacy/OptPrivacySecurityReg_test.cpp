#include "privacy/OptPrivacySecurityReg.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>

using NvPcPrivacySecurity::OptPrivacySecurityReg;

namespace {

const std::wstring kSign = L"SOFTWARE\\Norvane\\Lullgate\\sign";
const std::wstring kTagPrefix = L"(NvPcPrivacySecurity::OptPrivacySecurityReg::";

CapturedLine Warn(const std::wstring& message, const std::wstring& function) {
    return {3, message + kTagPrefix + function + L")"};
}
CapturedLine ReadFailure(int code, const std::wstring& value, const std::wstring& function) {
    return Warn(L"RegQueryValueEx get value errorID : " + std::to_wstring(code) + L",lpSubKey : " + value, function);
}

// The consent record lives in HKEY_CURRENT_USER, which the sandbox redirects. Writing the record
// reads version.xml beside the test exe, so the fixture also owns that folder.
class ConsentRecordTest : public RegistrySandboxTest {
protected:
    // Arranges a record; a missing optional leaves that value out.
    void Record(std::optional<DWORD> agree, std::optional<std::wstring> userVersion,
                std::optional<std::wstring> privacyVersion) {
        ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kSign));
        if (agree) {
            ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSign, L"useragree", *agree));
        }
        if (userVersion) {
            ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSign, L"useragreementversion", *userVersion));
        }
        if (privacyVersion) {
            ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSign, L"priversion", *privacyVersion));
        }
    }
    std::wstring ReadString(const std::wstring& name) {
        std::vector<BYTE> data;
        DWORD type = 0;
        if (!ReadRaw(HKEY_CURRENT_USER, kSign, name, data, type) || type != REG_SZ || data.size() < 2) {
            return L"<unreadable>";
        }
        // Stored with its terminator: (characters + 1) * 2 bytes.
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
        EXPECT_EQ(text[data.size() / 2 - 1], L'\0') << "value " << std::string(name.begin(), name.end());
        return std::wstring(text, data.size() / 2 - 1);
    }

    BesideExeFiles m_files;
    LogCapture m_log;
};

TEST_F(ConsentRecordTest, NoRecordMeansNotAgreed) {
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), NvPcPrivacySecurity::StatusNotAgreed);
    EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{Warn(L"RegOpenKeyEx errorID : 2,lpSubKey : "
                                                            L"SOFTWARE\\Norvane\\Lullgate\\sign",
                                                            L"CheckToolPriacyStatusReg")});
}

TEST_F(ConsentRecordTest, FlagDecidesOnlyWhenItReadsOtherThanOne) {
    Record(0, L"20231124", L"20231124");
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 1);
    EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{Warn(L"user doesn't agree!", L"CheckToolPriacyStatusReg")});

    // Missing, or too long for its 4-byte buffer: logged, and the versions decide alone.
    m_log.Clear();
    Record(std::nullopt, L"20231124", L"20231124");
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, kSign.c_str(), L"useragree"), ERROR_SUCCESS);
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 0);
    const ULONGLONG wide = 1;
    ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, kSign, L"useragree", REG_QWORD, &wide, sizeof(wide)));
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 0);
    EXPECT_EQ(m_log.Lines(), (std::vector<CapturedLine>{ReadFailure(2, L"useragree", L"GetRegDWordValue"),
                                                        ReadFailure(234, L"useragree", L"GetRegDWordValue")}));

    // The stored type is not checked: four bytes holding 1 count as agreement.
    m_log.Clear();
    const DWORD one = 1;
    ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, kSign, L"useragree", REG_BINARY, &one, sizeof(one)));
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 0);
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(ConsentRecordTest, UnreadableVersionMeansNotAgreed) {
    Record(1, std::nullopt, L"20231124");
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 1);
    EXPECT_EQ(m_log.Lines(),
              (std::vector<CapturedLine>{ReadFailure(2, L"useragreementversion", L"GetRegSzValue"),
                                         Warn(L"The key value is incomplete!", L"CheckToolPriacyStatusReg")}));

    // 259 characters still fit the 260-byte buffer (and differ from the current version);
    // 260 do not, and an unreadable version is the same as a missing one.
    m_log.Clear();
    Record(1, L"20231124", std::wstring(259, L'9'));
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 2);
    Record(1, L"20231124", std::wstring(260, L'9'));
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 1);
    const std::vector<CapturedLine> expected{
        Warn(L"The privacy statement version is inconsistent with the current version!", L"ComparePriacyStatusReg"),
        ReadFailure(234, L"priversion", L"GetRegSzValue"),
        Warn(L"The key value is incomplete!", L"CheckToolPriacyStatusReg")};
    EXPECT_EQ(m_log.Lines(), expected);
}

TEST_F(ConsentRecordTest, ChangedVersionsPickTheNotice) {
    struct Case {
        const wchar_t* userVersion;
        const wchar_t* privacyVersion;
        int status;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L"20231124", L"20231124", 0, nullptr},
        {L"20231124", L"20231123", 2, L"The privacy statement version is inconsistent with the current version!"},
        {L"20231124", L"20231124 ", 2, L"The privacy statement version is inconsistent with the current version!"},
        {L"20991231", L"20231124", 3, L"The user version is inconsistent with the current version!"},
        {L"", L"20231124", 3, L"The user version is inconsistent with the current version!"},
        {L"2023112", L"x", 4,
         L"The version of the privacy statement and user agreement is inconsistent with the current version!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.status << " " << std::wstring(c.privacyVersion).size());
        m_log.Clear();
        Record(1, c.userVersion, c.privacyVersion);
        EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), c.status);
        std::vector<CapturedLine> expected;
        if (c.message != nullptr) {
            expected.push_back(Warn(c.message, L"ComparePriacyStatusReg"));
        }
        EXPECT_EQ(m_log.Lines(), expected);
    }
}

// "time" is the local time of writing, to the second: "YYYY-MM-DD hh:mm:ss" sorts like the time.
std::wstring LocalStamp(__time64_t t) {
    tm parts{};
    _localtime64_s(&parts, &t);
    wchar_t text[32]{};
    wcsftime(text, 32, L"%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

TEST_F(ConsentRecordTest, WrittenRecordIsCurrentAndRewrittenOnAgreeingAgain) {
    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"7.1.0\"/></Config>"));
    const __time64_t before = _time64(nullptr);
    ASSERT_TRUE(OptPrivacySecurityReg::SetToolPriacyStatusReg());
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 0);
    EXPECT_EQ(ReadString(L"accountID"), L"");
    EXPECT_EQ(ReadString(L"appversion"), L"7.1.0");
    EXPECT_EQ(ReadString(L"priversion"), L"20231124");
    EXPECT_EQ(ReadString(L"useragreementversion"), L"20231124");
    std::vector<BYTE> flag;
    DWORD type = 0;
    ASSERT_TRUE(ReadRaw(HKEY_CURRENT_USER, kSign, L"useragree", flag, type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(flag, (std::vector<BYTE>{1, 0, 0, 0}));
    const std::wstring time = ReadString(L"time");
    EXPECT_EQ(time.size(), 19u);
    EXPECT_GE(time, LocalStamp(before));
    EXPECT_LE(time, LocalStamp(_time64(nullptr)));

    // Agreeing again rewrites the record (here without a version file: an empty app version);
    // unrelated values in the key stay.
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSign, L"time", L"old"));
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSign, L"priversion", L"old"));
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSign, L"other", L"kept"));
    m_files.Remove(L"version.xml");
    ASSERT_TRUE(OptPrivacySecurityReg::SetToolPriacyStatusReg());
    EXPECT_EQ(ReadString(L"time").size(), 19u);
    EXPECT_EQ(ReadString(L"appversion"), L"");
    EXPECT_EQ(ReadString(L"other"), L"kept");
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 0);
    const CapturedLine missing{4, L"get xml file fail. file name:version.xml(NvLullgate::Common::GetAppVersion)"};
    EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{missing});
}

TEST_F(ConsentRecordTest, WriteFailsWhenTheKeyCannotBeOpenedForWriting) {
    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"1\"/></Config>"));
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kSign));
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_CURRENT_USER, kSign));
    EXPECT_FALSE(OptPrivacySecurityReg::SetToolPriacyStatusReg());
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSign, L"useragree"));
    EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{Warn(L"RegCreateKeyEx errorID:5,lpSubKey : "
                                                            L"SOFTWARE\\Norvane\\Lullgate\\sign",
                                                            L"SetToolPriacyStatusReg")});
}

TEST_F(ConsentRecordTest, WithdrawalDeletesSignThenLullgateAndKeepsNorvane) {
    const CapturedLine failedWith2 =
        Warn(L"RegOpenKeyEx errorID : 2,lpSubKey : SOFTWARE\\Norvane", L"DeletToolPriacyStatusReg");
    // No "SOFTWARE\Norvane" at all: the first step fails.
    EXPECT_FALSE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());

    Record(1, L"20231124", L"20231124");
    EXPECT_TRUE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane"));

    // "Lullgate" without "sign": the second step fails and "Lullgate" stays.
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"));
    EXPECT_FALSE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"));

    // A sibling of "sign": "sign" goes, "Lullgate" cannot (it still has a subkey).
    Record(1, L"20231124", L"20231124");
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\other"));
    EXPECT_FALSE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSign));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\other"));

    EXPECT_EQ(m_log.Lines(), (std::vector<CapturedLine>{failedWith2, failedWith2,
                                                        Warn(L"RegOpenKeyEx errorID : 5,lpSubKey : SOFTWARE\\Norvane",
                                                             L"DeletToolPriacyStatusReg")}));
}

} // namespace
