// The log set-up is tested through copies of log_probe.exe under other names, each beside its own
// config\logConfig.cfg in a scratch folder, logging under a test product name of its own.
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "log/LogDirectoryAcl.h"
#include "log/LogSettings.h"
#include "tests/log/LogTestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using LogTestFiles::ReadBytes;

namespace {

// The tag of the probe's statements.
constexpr char kProbeTag[] = "(`anonymous-namespace'::RunCommand)";
// The owner of what a standard user creates: a local account's SID.
constexpr wchar_t kStandardUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

class LogSetUp : public ::testing::Test {
public:
    LogSetUp()
        : m_name(::testing::UnitTest::GetInstance()->current_test_info()->name()), m_product("LullgateTests-" + m_name),
          m_folder(L"LullgateSetUpTests-" + std::wstring(m_name.begin(), m_name.end())) {
        LogTestFiles::RemoveTree(ProductFolder());
    }
    ~LogSetUp() override { LogTestFiles::RemoveTree(ProductFolder()); }

protected:
    std::wstring ProductFolder() const {
        return L"C:\\ProgramData\\Dired\\" + std::wstring(m_product.begin(), m_product.end());
    }
    std::string LogDir() const { return "C:\\ProgramData\\Dired\\" + m_product + "\\log\\"; }
    // The entry the set-up leaves in the Application event log (type 1, error; event 1) when it stops.
    std::string Event(const std::string& why) const {
        return m_product + "|1|1|Log set-up: " + why + "; nothing is logged.";
    }

    // Puts the probe into the scratch folder as `exeName`, with `settings` as its settings file
    // (none when absent).
    void Install(const std::wstring& exeName, const std::optional<std::string>& settings) {
        ASSERT_TRUE(
            CopyFileW((GetModuleDirectory() + L"\\log_probe.exe").c_str(), (m_folder.Path() / exeName).c_str(), FALSE));
        std::filesystem::create_directories(m_folder.Path() / L"config");
        const std::filesystem::path settingsFile = m_folder.Path() / L"config" / L"logConfig.cfg";
        std::filesystem::remove(settingsFile);
        if (settings) {
            LogTestFiles::WriteBytes(settingsFile, *settings);
        }
    }

    // Runs the installed probe with the product name and `commands`; returns its report.
    std::map<std::string, std::string> Run(const std::wstring& exeName, const std::wstring& commands = L"") {
        std::map<std::string, std::string> report;
        const std::filesystem::path exe = m_folder.Path() / exeName;
        std::wstring commandLine =
            L"\"" + exe.wstring() + L"\" " + std::wstring(m_product.begin(), m_product.end()) + L" " + commands;
        std::filesystem::remove(m_folder.Path() / L"probe-report.txt");
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info)) {
            ADD_FAILURE() << "probe did not start: " << GetLastError();
            return report;
        }
        const unique_handle process(info.hProcess);
        const unique_handle thread(info.hThread);
        EXPECT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
        std::istringstream lines(ReadBytes(m_folder.Path() / L"probe-report.txt"));
        for (std::string line; std::getline(lines, line);) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos) {
                std::string& value = report[line.substr(0, eq)]; // a key given twice ("size") collects its values
                if (!value.empty()) {
                    value += ',';
                }
                value += line.substr(eq + 1);
            }
        }
        return report;
    }

    std::string m_name;
    std::string m_product;
    LogTestFiles::ScratchFolder m_folder;
};

// Every folder and file (or only every file) under `folder`, in a stable order.
std::vector<std::filesystem::path> EntriesUnder(const std::filesystem::path& folder, bool filesOnly = false) {
    std::vector<std::filesystem::path> entries;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        if (!filesOnly || entry.is_regular_file()) {
            entries.push_back(entry.path());
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

TEST_F(LogSetUp, UnusableSettingsGiveNoLoggerButTheTreeIsMade) {
    const std::vector<std::optional<std::string>> settings = {
        std::nullopt,                                         // no settings file
        "[Lullgate]\r\nlogPath=run.log\r\nfileFormat=%v\r\n", // no [Other] section
        "[Other]\r\nfileFormat=%v\r\n",                       // no logPath
        "[Other]\r\nlogPath=run.log\r\nfileFormat=\r\n",      // empty fileFormat
        "[Other]\r\nlogPath=..\\x.log\r\nfileFormat=%v\r\n",  // out of the log folder: said, once
    };
    for (const auto& text : settings) {
        SCOPED_TRACE(text.value_or("(no file)"));
        Install(L"Other.exe", text);
        auto report = Run(L"Other.exe", L"warn:dropped error:dropped");
        EXPECT_EQ(report["ready"], "0");
        EXPECT_TRUE(std::filesystem::is_directory(LogDir() + "admin"));
        EXPECT_TRUE(std::filesystem::is_directory(LogDir() + "usr"));
        EXPECT_TRUE(EntriesUnder(ProductFolder(), true).empty());
        EXPECT_FALSE(LogTestFiles::Exists(LogDir() + "x.log"));
        EXPECT_EQ(report["event"], &text == &settings.back() ? Event("\"logPath\" does not name a file inside the log "
                                                                     "folder: ..\\x.log")
                                                             : "");
    }
}

// Sizes and counts are held to a usable range (a set-up run shows them reaching the sink).
TEST(LogSettings, NumbersAreClamped) {
    EXPECT_EQ(LogDetail::SizeLimitFromSetting(0), 1u << 20);
    EXPECT_EQ(LogDetail::SizeLimitFromSetting(2048), 2047ull << 20);
    EXPECT_EQ(LogDetail::BackupCountFromSetting(-1), 0u);
    EXPECT_EQ(LogDetail::BackupCountFromSetting(1000), 100u);
}

// Subfolders may be named; nothing may lead out of the user directory.
TEST(LogSettings, LogPathNamesAFileInsideTheLogFolder) {
    for (const char* name : {"run.log", "sub\\run.log", "a/b\\run.log", "..run.log", "x.y"}) {
        EXPECT_TRUE(LogDetail::IsSafeLogPath(name)) << name;
    }
    for (const char* name :
         {"", "..\\x.log", "C:\\x.log", "C:x.log", "\\\\srv\\x.log", "\\x.log", "/x.log", "sub\\", "sub\\\\x.log",
          ".\\x.log", "sub\\..\\..\\x.log", ".. \\x.log", "sub.\\x.log", "x.log:s", "a*.log", "a\"b.log", "a\tb.log"}) {
        EXPECT_FALSE(LogDetail::IsSafeLogPath(name)) << name;
    }
}

TEST_F(LogSetUp, SectionAndLoggerAreNamedAfterTheExecutable) {
    Install(L"Other.exe", "[Other]\r\nlogPath=run.log\r\nfileFormat=%l|%v\r\nlogLevel=Error\r\n");
    auto report = Run(L"Other.exe", L"warn:\u00DCbung-\u65E5\u672C");
    EXPECT_EQ(report["ready"], "1");
    EXPECT_EQ(report["logger"], "Other");
    EXPECT_EQ(report["level"], "3"); // "Error" is not "error"
    EXPECT_EQ(report["limit"], "1048576");
    EXPECT_EQ(report["backups"], "1");
    EXPECT_EQ(report["file"], LogDir() + "admin\\run.log");
    // UTF-8 without a byte-order mark, CRLF line ends.
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\run.log"),
              std::string("warning|\xC3\x9C") + "bung-\xE6\x97\xA5\xE6\x9C\xAC" + kProbeTag + "\r\n");

    // The ".exe" search is case-sensitive: tool.EXE reads [tool.EXE], not [tool].
    Install(L"tool.EXE", "[tool]\r\nlogPath=wrong.log\r\nfileFormat=%v\r\n"
                         "[tool.EXE]\r\nlogPath=tool.log\r\nfileFormat=%v\r\nmaxFileSize=10\r\nbackupFileNum=3\r\n");
    report = Run(L"tool.EXE");
    EXPECT_EQ(report["logger"], "tool.EXE");
    EXPECT_EQ(report["file"], LogDir() + "admin\\tool.log");
    EXPECT_EQ(report["limit"], "10485760");
    EXPECT_EQ(report["backups"], "3");
}

TEST_F(LogSetUp, ThresholdErrorDropsWarnStatementsButStillFlushes) {
    Install(L"Other.exe", "[Other]\r\nlogPath=run.log\r\nfileFormat=%l|%v\r\nlogLevel=error\r\n");
    // "direct" leaves its line in the file buffer; the dropped warn statement must flush it.
    const auto report = Run(L"Other.exe", L"direct:first size warn:dropped size error:kept");
    EXPECT_EQ(report.at("level"), "4");
    EXPECT_EQ(report.at("size"), "0,13");
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\run.log"), std::string("error|first\r\nerror|kept") + kProbeTag + "\r\n");
}

TEST_F(LogSetUp, WithoutElevationTheLogGoesUnderUsr) {
    Install(L"Other.exe", "[Other]\r\nlogPath=run.log\r\nfileFormat=%v\r\nlogLevel=warning\r\n");
    const auto report = Run(L"Other.exe", L"usr error:x");
    EXPECT_EQ(report.at("level"), "3");
    EXPECT_EQ(report.at("file"), LogDir() + "usr\\run.log");
    EXPECT_EQ(ReadBytes(LogDir() + "usr\\run.log"), std::string("x") + kProbeTag + "\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(LogDir() + "admin"));
}

TEST_F(LogSetUp, LinesCarryLocalTime) {
    Install(L"Other.exe", "[Other]\r\nlogPath=run.log\r\nfileFormat=%H:%M %v\r\n");
    const auto localNow = [] { // in a zone 5 h 30 ahead of UTC
        SYSTEMTIME utc{};
        GetSystemTime(&utc);
        const int minutes = (utc.wHour * 60 + utc.wMinute + 5 * 60 + 30) % (24 * 60);
        char text[8] = {};
        snprintf(text, sizeof(text), "%02d:%02d", minutes / 60, minutes % 60);
        return std::string(text);
    };
    // The C runtime takes the local zone from TZ; the probe inherits it.
    _wputenv(L"TZ=XXX-05:30");
    const std::string before = localNow();
    Run(L"Other.exe", L"error:x");
    _wputenv(L"TZ=");
    const std::string line = ReadBytes(LogDir() + "admin\\run.log");
    EXPECT_TRUE(line.rfind(before, 0) == 0 || line.rfind(localNow(), 0) == 0) << line;
}

// Anyone may create folders under C:\ProgramData. A folder on the way to the log file that a
// standard user owns, or that is a junction (also one whose target can't be resolved, which looks
// like no folder at all), ends an elevated set-up before anything is made or written inside it;
// the Application event log says why, once however often the set-up is tried again.
TEST_F(LogSetUp, FoldersOthersCouldHavePutThereEndTheSetUp) {
    Install(L"Other.exe", "[Other]\r\nlogPath=sub\\run.log\r\nfileFormat=%v\r\n");
    const std::wstring product = L"Dired\\" + std::wstring(m_product.begin(), m_product.end());
    for (const std::wstring& level : {std::wstring(L"Dired"), product, product + L"\\log", product + L"\\log\\admin",
                                      product + L"\\log\\admin\\sub"}) {
        for (const bool junction : {false, true}) {
            const std::string folder = "C:\\ProgramData\\" + std::string(level.begin(), level.end());
            SCOPED_TRACE(folder + (junction ? " junction" : " owned by a user"));
            LogTestFiles::RemoveTree(ProductFolder());
            const std::filesystem::path real = junction ? std::filesystem::path(folder).parent_path() : folder;
            std::filesystem::create_directories(real);
            if (level.ends_with(L"sub")) { // "admin" has passed: "usr" is made beside it
                std::filesystem::create_directories(LogDir() + "usr");
            }
            const std::vector<std::filesystem::path> before = EntriesUnder(ProductFolder());
            auto report =
                Run(L"Other.exe", (junction ? L"junction:" + level : L"owner:" + level + L"=" + kStandardUser) +
                                      L" error:dropped error:dropped");
            EXPECT_EQ(report["ready"], "0");
            EXPECT_EQ(EntriesUnder(ProductFolder()), before);
            EXPECT_EQ(report["event"],
                      Event(folder + " is not used: " +
                            (junction ? "it is a junction or link"
                                      : "its owner is not Administrators, SYSTEM or TrustedInstaller")));
        }
    }
}

// "logPath" may name subfolders: the set-up makes them, and on the next run finds them as it
// finds the folders above.
TEST_F(LogSetUp, FoldersTheSetUpMadeItselfPass) {
    Install(L"Other.exe", "[Other]\r\nlogPath=sub\\deeper\\run.log\r\nfileFormat=%v\r\n");
    // Once they exist, the product's folders count as a standard user's.
    const std::wstring product = L"Dired\\" + std::wstring(m_product.begin(), m_product.end());
    std::wstring fakes;
    for (const std::wstring& level : {product, product + L"\\log", product + L"\\log\\admin",
                                      product + L"\\log\\admin\\sub", product + L"\\log\\admin\\sub\\deeper"}) {
        fakes += L"owner:" + level + L"=" + kStandardUser + L" ";
    }
    EXPECT_EQ(Run(L"Other.exe", fakes + L"error:made")["ready"], "1");
    const std::string written = std::string("made") + kProbeTag + "\r\n";
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\sub\\deeper\\run.log"), written);
    // The next run did not make them and so finds them owned by someone else.
    EXPECT_EQ(Run(L"Other.exe", fakes + L"error:found")["ready"], "0");
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\sub\\deeper\\run.log"), written);
}

namespace {

unique_local<PSID> SidOf(const wchar_t* text) {
    unique_local<PSID> sid;
    EXPECT_TRUE(ConvertStringSidToSidW(text, sid.put()));
    return sid;
}

struct ExpectedAce {
    const wchar_t* sid;
    DWORD mask;
};

// The ACL made from the entries: the account names must lead back to the well-known SIDs, in the
// same order, as grants inherited by files and folders.
void ExpectAccessList(int mode, const std::vector<ExpectedAce>& expected) {
    LogDetail::DirectoryAccessEntries entries;
    ASSERT_TRUE(entries.Build(mode));
    const unique_local<PACL> acl = entries.MakeAcl();
    ASSERT_TRUE(acl);
    ASSERT_EQ(acl.get()->AceCount, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(acl.get(), static_cast<DWORD>(i), &ace));
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(allowed->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(allowed->Mask, expected[i].mask);
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&allowed->SidStart), SidOf(expected[i].sid).get()));
    }
}

} // namespace

TEST(LogDirectoryAccess, AdminGrantsSystemAndAdministratorsUsrAlsoUsers) {
    ExpectAccessList(LogDetail::kAdminDirectoryMode, {{L"S-1-5-18", GENERIC_ALL}, {L"S-1-5-32-544", GENERIC_ALL}});
    ExpectAccessList(LogDetail::kUsrDirectoryMode,
                     {{L"S-1-5-32-545", 0xC000FFFF}, {L"S-1-5-32-544", GENERIC_ALL}, {L"S-1-5-18", GENERIC_ALL}});
}

TEST(LogDirectoryAccess, OnlyRealFoldersOfTrustedOwnersPass) {
    constexpr DWORD folder = FILE_ATTRIBUTE_DIRECTORY;
    const std::wstring administrators = L"S-1-5-32-544";
    const std::wstring trustedInstaller = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    for (const std::wstring& owner : {administrators, std::wstring(L"S-1-5-18"), trustedInstaller}) {
        EXPECT_EQ(LogDetail::FolderRefusal(folder, owner), nullptr) << std::string(owner.begin(), owner.end());
    }
    EXPECT_NE(LogDetail::FolderRefusal(folder, L"S-1-5-32-545"), nullptr); // Users
    EXPECT_NE(LogDetail::FolderRefusal(folder, kStandardUser), nullptr);
    EXPECT_NE(LogDetail::FolderRefusal(folder | FILE_ATTRIBUTE_REPARSE_POINT, administrators), nullptr);
    EXPECT_NE(LogDetail::FolderRefusal(FILE_ATTRIBUTE_NORMAL, administrators), nullptr);
}

// The real look-up, once: Wine gives every folder the user's own SID, so only its form is checked.
TEST(LogDirectoryAccess, RealOwnerLookUpReadsTheEntryItself) {
    LogTestFiles::ScratchFolder scratch(L"LullgateOwnerLookUp");
    DWORD attributes = 0;
    std::wstring owner;
    ASSERT_TRUE(Seams::QueryEntryOwner(scratch.Path().c_str(), &attributes, &owner));
    EXPECT_TRUE(owner.starts_with(L"S-1-")) << std::string(owner.begin(), owner.end());
    EXPECT_FALSE(Seams::QueryEntryOwner((scratch.Path() / L"missing").c_str(), &attributes, &owner));
}
