// The log set-up runs in this process, as the program runs it: its section is named after this
// executable ([log_tests]), its settings lie beside it (config\logConfig.cfg), and it logs under a
// test product name of its own. Wine keeps no folder owners (every folder reports the user's own
// SID) and shows no junctions, so the owner look-up is answered here: Administrators and the real
// attributes, unless a test names another owner or makes a junction of a folder (which is there
// even when nothing is on disk: a junction whose target can't be resolved).
#include "common/Seams.h"
#include "common/StringConv.h"
#include "log/LogDirectoryAcl.h"
#include "log/LogManager.h"
#include "log/LogSettings.h"
#include "log/ProtectedRotatingFileSink.h"
#include "tests/log/LogTestFiles.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <spdlog/logger.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using LogTestFiles::ReadBytes;

namespace {

// The tag of the statements below.
constexpr char kTag[] = "(`anonymous-namespace'::Say)";
// The owner of what a standard user creates: a local account's SID.
constexpr wchar_t kStandardUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

void Say(int level, const std::wstring& text) {
    if (level == LogDetail::kLevelWarn) {
        LOG_WARN(text);
    } else {
        LOG_ERROR(text);
    }
}

class LogSetUp : public ::testing::Test {
public:
    LogSetUp()
        : m_product(std::string("LullgateTests-") + testing::UnitTest::GetInstance()->current_test_info()->name()) {
        LogTestFiles::RemoveTree(ProductFolder());
        LogManager::GetInstance().SetLogDirectory(m_product);
        Seams::SetEntryOwner([this](LPCWSTR path, DWORD* attributes, std::wstring* owner) {
            const DWORD real = GetFileAttributesW(path);
            if (!m_junctions.contains(path) && real == INVALID_FILE_ATTRIBUTES) {
                return FALSE;
            }
            *attributes = m_junctions.contains(path) ? FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT : real;
            *owner = m_owners.contains(path) ? m_owners.at(path) : L"S-1-5-32-544";
            return TRUE;
        });
        Seams::SetEventLog([this](LPCWSTR source, WORD type, DWORD id, LPCWSTR text) {
            m_events.push_back(WideToAnsi(source) + "|" + std::to_string(type) + "|" + std::to_string(id) + "|" +
                               WideToAnsi(text));
            return true;
        });
    }
    ~LogSetUp() override {
        Forget();
        Seams::SetEntryOwner(nullptr);
        Seams::SetEventLog(nullptr);
        Seams::SetTokenElevation(nullptr);
        LogTestFiles::RemoveTree(ProductFolder());
    }

protected:
    std::wstring ProductFolder() const { return L"C:\\ProgramData\\Dired\\" + AnsiToWide(m_product); }
    std::string LogDir() const { return "C:\\ProgramData\\Dired\\" + m_product + "\\log\\"; }
    // The entry the set-up leaves in the Application event log (type 1, error; event 1) when it stops.
    std::vector<std::string> Event(const std::string& why) const {
        return {m_product + "|1|1|Log set-up: " + why + "; nothing is logged."};
    }
    // Forgets the logger and closes its file, as at the end of a run.
    static void Forget() {
        LogManagerTestAccess::Reset();
        spdlog::drop_all();
    }
    // A new start with `settings` as the settings file beside this executable (none when absent):
    // whether the log is ready.
    bool Start(const std::optional<std::string>& settings) {
        Forget();
        m_files.Remove(L"config\\logConfig.cfg");
        if (settings) {
            EXPECT_TRUE(m_files.Write(L"config\\logConfig.cfg", *settings));
        }
        LogManager::GetInstance().Initialize();
        return LogManagerTestAccess::IsReady();
    }
    static const ProtectedRotatingFileSink& Sink() {
        return dynamic_cast<const ProtectedRotatingFileSink&>(*g_spdlogger->sinks().front());
    }

    const std::string m_product;
    BesideExeFiles m_files;
    std::map<std::wstring, std::wstring> m_owners;
    std::set<std::wstring> m_junctions;
    std::vector<std::string> m_events;
};

// Every folder and file under `folder`, in a stable order.
std::vector<std::filesystem::path> EntriesUnder(const std::filesystem::path& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> entries(std::filesystem::recursive_directory_iterator(folder, error), {});
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

TEST_F(LogSetUp, UnusableSettingsGiveNoLoggerButTheTreeIsMade) {
    const std::vector<std::optional<std::string>> settings = {
        std::nullopt,                                            // no settings file
        "[Lullgate]\r\nlogPath=run.log\r\nfileFormat=%v\r\n",    // no [log_tests] section
        "[log_tests]\r\nfileFormat=%v\r\n",                      // no logPath
        "[log_tests]\r\nlogPath=run.log\r\nfileFormat=\r\n",     // empty fileFormat
        "[log_tests]\r\nlogPath=..\\x.log\r\nfileFormat=%v\r\n", // out of the log folder: said, once
    };
    for (const auto& text : settings) {
        SCOPED_TRACE(text.value_or("(no file)"));
        m_events.clear();
        EXPECT_FALSE(Start(text));
        Say(LogDetail::kLevelWarn, L"dropped"); // tries the set-up again
        const std::filesystem::path log = ProductFolder() + L"\\log";
        EXPECT_EQ(EntriesUnder(ProductFolder()),
                  (std::vector<std::filesystem::path>{log, log / L"admin", log / L"usr"}));
        EXPECT_EQ(m_events, &text == &settings.back()
                                ? Event("\"logPath\" does not name a file inside the log folder: ..\\x.log")
                                : std::vector<std::string>{});
    }
}

// Sizes and counts are held to a usable range; the section is named after the executable, up to a
// case-sensitive ".exe".
TEST(LogSettings, NumbersAreClampedAndTheSectionIsTheExecutablesName) {
    EXPECT_EQ(LogDetail::SizeLimitFromSetting(0), 1u << 20);
    EXPECT_EQ(LogDetail::SizeLimitFromSetting(2048), 2047ull << 20);
    EXPECT_EQ(LogDetail::BackupCountFromSetting(-1), 0u);
    EXPECT_EQ(LogDetail::BackupCountFromSetting(1000), 100u);
    EXPECT_EQ(LogDetail::BaseNameFromImagePath("C:\\a.exe\\Other.exe"), "Other");
    EXPECT_EQ(LogDetail::BaseNameFromImagePath("C:\\a\\tool.EXE"), "tool.EXE");
    EXPECT_EQ(LogDetail::BaseNameFromImagePath(""), "");
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

// The level, the file's sizes and its lines as the section of this executable sets them.
TEST_F(LogSetUp, SettingsOfTheExecutablesSectionAreUsedAndLinesAreUtf8) {
    // "Error" is not "error": the warn statement is written.
    ASSERT_TRUE(Start("[log_tests]\r\nlogPath=run.log\r\nfileFormat=%l|%v\r\nlogLevel=Error\r\n"));
    EXPECT_EQ(Sink().SizeLimit(), 1048576u);
    EXPECT_EQ(Sink().BackupCount(), 1u);
    Say(LogDetail::kLevelWarn, L"\u00DCbung-\u65E5\u672C");
    // UTF-8 without a byte-order mark, CRLF line ends.
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\run.log"),
              std::string("warning|\xC3\x9C") + "bung-\xE6\x97\xA5\xE6\x9C\xAC" + kTag + "\r\n");

    ASSERT_TRUE(Start("[log_tests]\r\nlogPath=tool.log\r\nfileFormat=%l|%v\r\nmaxFileSize=10\r\nbackupFileNum=3\r\n"
                      "logLevel=error\r\n"));
    EXPECT_EQ(Sink().SizeLimit(), 10485760u);
    EXPECT_EQ(Sink().BackupCount(), 3u);
    // A line written past the statements stays in the file buffer; the dropped warn statement must
    // flush it.
    g_spdlogger->error("first");
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\tool.log"), "");
    Say(LogDetail::kLevelWarn, L"dropped");
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\tool.log"), "error|first\r\n");
    Say(LogDetail::kLevelError, L"kept");
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\tool.log"), std::string("error|first\r\nerror|kept") + kTag + "\r\n");
}

TEST_F(LogSetUp, WithoutElevationTheLogGoesUnderUsr) {
    Seams::SetTokenElevation([](DWORD* isElevated, DWORD* returnedLength) {
        *isElevated = 0;
        *returnedLength = sizeof(DWORD);
        return TRUE;
    });
    ASSERT_TRUE(Start("[log_tests]\r\nlogPath=run.log\r\nfileFormat=%v\r\n"));
    Say(LogDetail::kLevelError, L"x");
    EXPECT_EQ(ReadBytes(LogDir() + "usr\\run.log"), std::string("x") + kTag + "\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(LogDir() + "admin"));
}

TEST_F(LogSetUp, LinesCarryLocalTime) {
    const auto localNow = [] { // in a zone 5 h 30 ahead of UTC
        SYSTEMTIME utc{};
        GetSystemTime(&utc);
        const int minutes = (utc.wHour * 60 + utc.wMinute + 5 * 60 + 30) % (24 * 60);
        char text[8] = {};
        snprintf(text, sizeof(text), "%02d:%02d", minutes / 60, minutes % 60);
        return std::string(text);
    };
    // The C runtime takes the local zone from TZ.
    _wputenv(L"TZ=XXX-05:30");
    _tzset();
    const std::string before = localNow();
    ASSERT_TRUE(Start("[log_tests]\r\nlogPath=run.log\r\nfileFormat=%H:%M %v\r\n"));
    Say(LogDetail::kLevelError, L"x");
    _wputenv(L"TZ=");
    _tzset();
    const std::string line = ReadBytes(LogDir() + "admin\\run.log");
    EXPECT_TRUE(line.rfind(before, 0) == 0 || line.rfind(localNow(), 0) == 0) << line;
}

// Anyone may create folders under C:\ProgramData. A folder on the way to the log file that a
// standard user owns, or that is a junction (also one whose target can't be resolved, which looks
// like no folder at all), ends an elevated set-up before anything is made or written inside it;
// the Application event log says why, once however often the set-up is tried again.
TEST_F(LogSetUp, FoldersOthersCouldHavePutThereEndTheSetUp) {
    const std::string product = "C:\\ProgramData\\Dired\\" + m_product;
    for (const std::string& folder : {std::string("C:\\ProgramData\\Dired"), product, product + "\\log",
                                      product + "\\log\\admin", product + "\\log\\admin\\sub"}) {
        for (const bool junction : {false, true}) {
            SCOPED_TRACE(folder + (junction ? " junction" : " owned by a user"));
            LogTestFiles::RemoveTree(ProductFolder());
            std::filesystem::create_directories(junction ? std::filesystem::path(folder).parent_path() : folder);
            if (folder.ends_with("sub")) { // "admin" has passed: "usr" is made beside it
                std::filesystem::create_directories(LogDir() + "usr");
            }
            m_owners.clear();
            m_junctions.clear();
            if (junction) {
                m_junctions.insert(AnsiToWide(folder));
            } else {
                m_owners[AnsiToWide(folder)] = kStandardUser;
            }
            m_events.clear();
            const std::vector<std::filesystem::path> before = EntriesUnder(ProductFolder());
            EXPECT_FALSE(Start("[log_tests]\r\nlogPath=sub\\run.log\r\nfileFormat=%v\r\n"));
            Say(LogDetail::kLevelError, L"dropped"); // tries the set-up again
            EXPECT_EQ(EntriesUnder(ProductFolder()), before);
            EXPECT_EQ(m_events, Event(folder + " is not used: " +
                                      (junction ? "it is a junction or link"
                                                : "its owner is not Administrators, SYSTEM or TrustedInstaller")));
        }
    }
}

// "logPath" may name subfolders: the set-up makes them (and at the next start checks them as the
// folders above: the test above).
TEST_F(LogSetUp, FoldersTheSetUpMadeItselfPass) {
    // Once they exist, the product's folders count as a standard user's.
    for (const wchar_t* level : {L"", L"\\log", L"\\log\\admin", L"\\log\\admin\\sub", L"\\log\\admin\\sub\\deeper"}) {
        m_owners[ProductFolder() + level] = kStandardUser;
    }
    ASSERT_TRUE(Start("[log_tests]\r\nlogPath=sub\\deeper\\run.log\r\nfileFormat=%v\r\n"));
    Say(LogDetail::kLevelError, L"made");
    EXPECT_EQ(ReadBytes(LogDir() + "admin\\sub\\deeper\\run.log"), std::string("made") + kTag + "\r\n");
}

// Owners and junctions on the way to the log are refused by the set-up's own test above; here,
// the other trusted owners, Users, and an entry that is no folder.
TEST(LogDirectoryAccess, OnlyRealFoldersOfTrustedOwnersPass) {
    for (const wchar_t* owner :
         {L"S-1-5-32-544", L"S-1-5-18", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"}) {
        EXPECT_EQ(LogDetail::FolderRefusal(FILE_ATTRIBUTE_DIRECTORY, owner), nullptr) << owner;
    }
    EXPECT_NE(LogDetail::FolderRefusal(FILE_ATTRIBUTE_DIRECTORY, L"S-1-5-32-545"), nullptr); // Users
    EXPECT_NE(LogDetail::FolderRefusal(FILE_ATTRIBUTE_NORMAL, L"S-1-5-32-544"), nullptr);
}

// The real look-up, once: Wine gives every folder the user's own SID, so only its form is checked.
TEST(LogDirectoryAccess, RealOwnerLookUpReadsTheEntryItself) {
    const ScratchDirectory scratch;
    DWORD attributes = 0;
    std::wstring owner;
    ASSERT_TRUE(Seams::QueryEntryOwner(scratch.Path().c_str(), &attributes, &owner));
    EXPECT_TRUE(owner.starts_with(L"S-1-")) << std::string(owner.begin(), owner.end());
    EXPECT_FALSE(Seams::QueryEntryOwner((scratch.Path() + L"\\missing").c_str(), &attributes, &owner));
}
