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
CapturedLine Changed(const std::wstring& what) {
    return Warn(L"The " + what + L" inconsistent with the current version!", L"ComparePriacyStatusReg");
}

// A REG_SZ as the record stores it: UTF-16 with its terminator.
std::vector<BYTE> Sz(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

// The consent record lives in HKEY_CURRENT_USER, which the sandbox redirects. Writing the record
// reads version.xml beside the test exe, so the fixture also owns that folder.
class ConsentRecordTest : public RegistrySandboxTest {
protected:
    std::vector<BYTE> Stored(const std::wstring& name) {
        std::vector<BYTE> data;
        DWORD type = 0;
        EXPECT_TRUE(ReadRaw(HKEY_CURRENT_USER, kSign, name, data, type) && type == REG_SZ) << name.size();
        return data;
    }

    BesideExeFiles m_files;
    LogCapture m_log;
};

// The flag counts against the user only when it reads other than 1 (missing, too long for its four
// bytes or of another type, it is logged and the versions decide alone); a version that cannot be
// read (missing, or 260 characters for a 260-byte buffer) means not agreed; otherwise the versions
// pick the notice. No record at all: not agreed.
TEST_F(ConsentRecordTest, StatusFromTheStoredRecord) {
    const std::wstring current = L"20231124";
    const CapturedLine incomplete = Warn(L"The key value is incomplete!", L"CheckToolPriacyStatusReg");
    const std::wstring sz = L"GetRegSzValue";
    const struct {
        DWORD flagType; // REG_NONE: no flag
        ULONGLONG flag;
        std::optional<std::wstring> user, privacy;
        int status;
        std::vector<CapturedLine> logged;
    } cases[] = {
        {REG_DWORD, 0, current, current, 1, {Warn(L"user doesn't agree!", L"CheckToolPriacyStatusReg")}},
        {REG_NONE, 0, current, current, 0, {ReadFailure(2, L"useragree", L"GetRegDWordValue")}},
        {REG_QWORD, 1, current, current, 0, {ReadFailure(234, L"useragree", L"GetRegDWordValue")}},
        {REG_BINARY, 1, current, current, 0, {}},
        {REG_DWORD, 1, std::nullopt, current, 1, {ReadFailure(2, L"useragreementversion", sz), incomplete}},
        {REG_DWORD, 1, current, std::wstring(260, L'9'), 1, {ReadFailure(234, L"priversion", sz), incomplete}},
        {REG_DWORD, 1, current, std::wstring(259, L'9'), 2, {Changed(L"privacy statement version is")}},
        {REG_DWORD, 1, current, L"20231123", 2, {Changed(L"privacy statement version is")}},
        {REG_DWORD, 1, current, L"20231124 ", 2, {Changed(L"privacy statement version is")}},
        {REG_DWORD, 1, L"20991231", current, 3, {Changed(L"user version is")}},
        {REG_DWORD, 1, L"", current, 3, {Changed(L"user version is")}},
        {REG_DWORD, 1, L"2023112", L"x", 4, {Changed(L"version of the privacy statement and user agreement is")}},
    };
    EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 1);
    EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{
                                 Warn(L"RegOpenKeyEx errorID : 2,lpSubKey : " + kSign, L"CheckToolPriacyStatusReg")});
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << &c - cases);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane");
        ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kSign));
        if (c.flagType != REG_NONE) {
            ASSERT_TRUE(
                WriteRaw(HKEY_CURRENT_USER, kSign, L"useragree", c.flagType, &c.flag, c.flagType == REG_QWORD ? 8 : 4));
        }
        for (const auto& [name, text] : {std::pair{L"useragreementversion", c.user}, {L"priversion", c.privacy}}) {
            ASSERT_TRUE(!text || WriteString(HKEY_CURRENT_USER, kSign, name, *text));
        }
        m_log.Clear();
        EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), c.status);
        EXPECT_EQ(m_log.Lines(), c.logged);
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

// Agreeing writes every value of the record for the current versions, and again over an old record
// (here without a version file: an empty app version); unrelated values in the key stay.
TEST_F(ConsentRecordTest, WrittenRecordIsCurrentAndRewrittenOnAgreeingAgain) {
    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"7.1.0\"/></Config>"));
    for (const wchar_t* appVersion : {L"7.1.0", L""}) {
        const __time64_t before = _time64(nullptr);
        ASSERT_TRUE(OptPrivacySecurityReg::SetToolPriacyStatusReg());
        // Read back as current (the versions and the flag), and logged nothing on the way.
        EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), 0);
        EXPECT_EQ(Stored(L"accountID"), Sz(L""));
        EXPECT_EQ(Stored(L"appversion"), Sz(appVersion));
        std::vector<BYTE> flag;
        DWORD type = 0;
        EXPECT_TRUE(ReadRaw(HKEY_CURRENT_USER, kSign, L"useragree", flag, type) && type == REG_DWORD);
        const std::vector<BYTE> time = Stored(L"time");
        EXPECT_GE(time, Sz(LocalStamp(before)));
        EXPECT_LE(time, Sz(LocalStamp(_time64(nullptr))));
        EXPECT_EQ(time.size(), Sz(LocalStamp(before)).size());

        for (const wchar_t* name : {L"time", L"priversion", L"appversion", L"useragree", L"other"}) {
            ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSign, name, L"old"));
        }
        m_files.Remove(L"version.xml");
    }
    EXPECT_EQ(Stored(L"other"), Sz(L"old"));
    EXPECT_EQ(m_log.Lines(), (std::vector<CapturedLine>{
                                 {4, L"get xml file fail. file name:version.xml(NvLullgate::Common::GetAppVersion)"}}));
}

TEST_F(ConsentRecordTest, WriteFailsWhenTheKeyCannotBeOpenedForWriting) {
    ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"1\"/></Config>"));
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kSign));
    ASSERT_TRUE(Sandbox().MakeKeyReadOnly(HKEY_CURRENT_USER, kSign));
    EXPECT_FALSE(OptPrivacySecurityReg::SetToolPriacyStatusReg());
    EXPECT_EQ(m_log.Lines(), std::vector<CapturedLine>{
                                 Warn(L"RegCreateKeyEx errorID:5,lpSubKey : " + kSign, L"SetToolPriacyStatusReg")});
}

TEST_F(ConsentRecordTest, WithdrawalDeletesSignThenLullgateAndKeepsNorvane) {
    const CapturedLine failedWith2 =
        Warn(L"RegOpenKeyEx errorID : 2,lpSubKey : SOFTWARE\\Norvane", L"DeletToolPriacyStatusReg");
    // No "SOFTWARE\Norvane" at all: the first step fails.
    EXPECT_FALSE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());

    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kSign));
    EXPECT_TRUE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane"));

    // "Lullgate" without "sign": the second step fails and "Lullgate" stays.
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"));
    EXPECT_FALSE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"));

    // A sibling of "sign": "sign" goes, "Lullgate" cannot (it still has a subkey).
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kSign));
    ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\other"));
    EXPECT_FALSE(OptPrivacySecurityReg::DeletToolPriacyStatusReg());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSign));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\other"));

    EXPECT_EQ(m_log.Lines(), (std::vector<CapturedLine>{failedWith2, failedWith2,
                                                        Warn(L"RegOpenKeyEx errorID : 5,lpSubKey : SOFTWARE\\Norvane",
                                                             L"DeletToolPriacyStatusReg")}));
}

} // namespace
