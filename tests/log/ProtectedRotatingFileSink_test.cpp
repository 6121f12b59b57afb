#include "log/ProtectedRotatingFileSink.h"
#include "tests/log/LogTestFiles.h"
#include "tests/support/BesideExe.h"

#include <gtest/gtest.h>

#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>

#include <memory>
#include <regex>
#include <string>

using LogTestFiles::IsReadOnly;
using LogTestFiles::ReadBytes;

namespace {

// Every test line is "line-NN\r\n", 9 bytes: a limit of 20 bytes holds two lines and the third
// crosses it.
constexpr std::uint64_t kTwoLines = 20;

std::string Line(int n) {
    return "line-" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "\r\n";
}

class SinkFiles : public ::testing::Test {
protected:
    // The scratch folder's own clean-up would stop at the read-only files the sink leaves.
    void TearDown() override { LogTestFiles::RemoveTree(m_scratch.Path()); }

    // The narrow path the sink takes (the scratch folder is ASCII).
    std::string Narrow(const wchar_t* name) const { return File(name).string(); }
    std::string Base() const { return Narrow(L"run.log"); }
    std::filesystem::path File(const wchar_t* name) const { return std::filesystem::path(m_scratch.Path()) / name; }

    static std::unique_ptr<spdlog::logger> MakeLogger(std::shared_ptr<ProtectedRotatingFileSink> sink) {
        auto logger = std::make_unique<spdlog::logger>("sink-test", std::move(sink));
        logger->set_formatter(
            std::make_unique<spdlog::pattern_formatter>("%v", spdlog::pattern_time_type::local, std::string("\r\n")));
        return logger;
    }

    static void WriteLines(spdlog::logger& logger, int first, int last) {
        for (int n = first; n <= last; ++n) {
            logger.warn("line-{:02}", n);
            logger.flush();
        }
    }

    ScratchDirectory m_scratch;
};

} // namespace

TEST(SinkFileNames, IndexGoesBeforeTheExtensionIfThereIsOne) {
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs\\run.log", 0), "C:\\logs\\run.log");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs\\run.log", 2), "C:\\logs\\run.2.log");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs\\run.old.log", 1), "C:\\logs\\run.old.1.log");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs\\run", 12), "C:\\logs\\run.12");
    // Dot files, dots in folder names and a trailing dot give no extension.
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs\\.hidden", 1), "C:\\logs\\.hidden.1");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex(".hidden", 1), ".hidden.1");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs.d\\run", 1), "C:\\logs.d\\run.1");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:/logs.d/run", 3), "C:/logs.d/run.3");
    EXPECT_EQ(ProtectedRotatingFileSink::FileNameByIndex("C:\\logs\\run.", 1), "C:\\logs\\run..1");
}

TEST_F(SinkFiles, RotationsShiftReadOnlyBackupsAndKeepTheNewestLines) {
    {
        auto logger = MakeLogger(std::make_shared<ProtectedRotatingFileSink>(Base(), kTwoLines, 2, false));
        // Rotations at lines 3, 5 and 7; by the third, both backups exist and are read-only.
        WriteLines(*logger, 1, 8);
        EXPECT_EQ(ReadBytes(File(L"run.log")), Line(7) + Line(8));
        EXPECT_EQ(ReadBytes(File(L"run.1.log")), Line(5) + Line(6));
        EXPECT_EQ(ReadBytes(File(L"run.2.log")), Line(3) + Line(4));
        EXPECT_FALSE(std::filesystem::exists(File(L"run.3.log")));
        EXPECT_TRUE(IsReadOnly(File(L"run.1.log")));
        EXPECT_TRUE(IsReadOnly(File(L"run.2.log")));
    }
    // Closing the sink leaves the current file read-only too.
    EXPECT_TRUE(IsReadOnly(File(L"run.log")));
    // Without backups, a rotation only empties the file.
    auto zero = MakeLogger(std::make_shared<ProtectedRotatingFileSink>(Narrow(L"zero.log"), kTwoLines, 0, false));
    WriteLines(*zero, 1, 5);
    EXPECT_EQ(ReadBytes(File(L"zero.log")), Line(5));
    EXPECT_FALSE(std::filesystem::exists(File(L"zero.1.log")));
}

TEST_F(SinkFiles, ReadOnlyLogOfAnEarlierRunIsAppendedAndCountsTowardTheLimit) {
    ASSERT_TRUE(m_scratch.Write(L"run.log", "old-1\r\n")); // 7 bytes
    LogTestFiles::SetReadOnly(File(L"run.log"), true);

    auto logger = MakeLogger(std::make_shared<ProtectedRotatingFileSink>(Base(), kTwoLines, 1, false));
    EXPECT_FALSE(IsReadOnly(File(L"run.log")));
    // 7 + 9 = 16 fits; the next line would make 25 and starts the fresh file.
    WriteLines(*logger, 1, 2);
    EXPECT_EQ(ReadBytes(File(L"run.1.log")), "old-1\r\n" + Line(1));
    EXPECT_EQ(ReadBytes(File(L"run.log")), Line(2));
}

TEST_F(SinkFiles, OpenCreatesMissingFoldersAndFailsWhereNoFileCanBe) {
    const std::string nested = Narrow(L"a\\b.d\\run.log");
    { ProtectedRotatingFileSink sink(nested, kTwoLines, 1, false); }
    EXPECT_TRUE(std::filesystem::exists(File(L"a\\b.d\\run.log")));

    // A folder stands where the file should be: five tries, then spdlog's error.
    std::filesystem::create_directories(File(L"taken.log"));
    try {
        ProtectedRotatingFileSink sink(Narrow(L"taken.log"), kTwoLines, 1, false);
        ADD_FAILURE() << "the sink opened a folder";
    } catch (const spdlog::spdlog_ex& error) {
        EXPECT_NE(std::string(error.what()).find("Failed opening file " + Narrow(L"taken.log") + " for writing"),
                  std::string::npos)
            << error.what();
    }
}

// A viewer or a scanner holding the backup keeps it, and the log goes on in the current file with
// a line saying why, until a later try (another size limit on) finds the backup free.
TEST_F(SinkFiles, BackupHeldOpenKeepsEveryLine) {
    auto logger = MakeLogger(std::make_shared<ProtectedRotatingFileSink>(Base(), kTwoLines, 1, false));
    WriteLines(*logger, 1, 4);
    unique_file_handle viewer(CreateFileW(File(L"run.1.log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(viewer);
    WriteLines(*logger, 5, 6);
    // Windows' error number for the refused move is not the point here.
    const auto withoutErrorNumber = [](const std::string& text) {
        return std::regex_replace(text, std::regex(R"(\(error \d+\))"), "(error)");
    };
    const std::string note = "log rotation stopped: " + Base() + " could not be renamed to " + Narrow(L"run.1.log") +
                             " (error); the log goes on in this file\r\n";
    EXPECT_EQ(ReadBytes(File(L"run.1.log")), Line(1) + Line(2));
    EXPECT_EQ(withoutErrorNumber(ReadBytes(File(L"run.log"))), Line(3) + Line(4) + note + Line(5) + Line(6));
    viewer.reset();
    WriteLines(*logger, 7, 8);
    EXPECT_EQ(withoutErrorNumber(ReadBytes(File(L"run.1.log"))), Line(3) + Line(4) + note + Line(5) + Line(6));
    EXPECT_EQ(ReadBytes(File(L"run.log")), Line(7) + Line(8));
}

// A log that is a second name of another file (a hard link someone left) is never written through.
TEST_F(SinkFiles, LinkedLogIsNotOpened) {
    ASSERT_TRUE(m_scratch.Write(L"elsewhere.txt", "keep"));
    ASSERT_TRUE(CreateHardLinkW(File(L"run.log").c_str(), File(L"elsewhere.txt").c_str(), nullptr));
    EXPECT_THROW(ProtectedRotatingFileSink(Base(), kTwoLines, 1, false), spdlog::spdlog_ex);
    EXPECT_EQ(ReadBytes(File(L"elsewhere.txt")), "keep");
    EXPECT_FALSE(IsReadOnly(File(L"elsewhere.txt")));
}
