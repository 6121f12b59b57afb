// Cost of a log statement through the protected rotating sink against spdlog's own
// rotating_file_sink_mt: same pattern, same file system, same size limit and backup count, each
// statement formatted, written and flushed as LogManager::Write does. Both run in one process,
// in alternating rounds, so the ratio is not skewed by the machine's load drifting. Also the cost
// of the one statement that rotates with three backups present.
#include "bench/BenchReport.h"
#include "log/ProtectedRotatingFileSink.h"

#include <windows.h>

#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The shipped pattern and a typical statement of the program.
const char* const kPattern = "[%Y-%m-%d %H:%M:%S.%e] [%l] [%P:%t] %v";
const std::wstring kStatement = L"RegOpenKeyEx errorID : 2,lpSubKey : SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings"
                                L"(NvLullgate::PauseWinUpdates::SetRegMaxPauseDays)";
constexpr std::uint64_t kOneMiB = 1048576;
constexpr int kRounds = 21;
constexpr int kStatementsPerRound = 2000;
constexpr int kRotations = 200;

std::unique_ptr<spdlog::logger> MakeLogger(const char* name, spdlog::sink_ptr sink) {
    auto logger = std::make_unique<spdlog::logger>(name, std::move(sink));
    logger->set_formatter(
        std::make_unique<spdlog::pattern_formatter>(kPattern, spdlog::pattern_time_type::local, std::string("\r\n")));
    logger->set_level(spdlog::level::warn);
    return logger;
}

void Statement(spdlog::logger& logger) {
    logger.log(spdlog::level::warn, std::wstring_view(kStatement));
    logger.flush();
}

// Seconds per statement for one round of `count` statements.
double Round(spdlog::logger& logger, int count) {
    return Bench::Time([&] {
               for (int i = 0; i < count; ++i) {
                   Statement(logger);
               }
           }) /
           count;
}

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A log whose every eighth statement rotates: the limit holds eight lines, and after a rotation the
// file holds the line that rotated. Four rotations make the three backups every timed one shifts.
class RotatingLog {
public:
    static constexpr int kLinesPerFile = 8;

    RotatingLog(const std::string& base, const std::function<spdlog::sink_ptr(std::uint64_t)>& make,
                std::uint64_t lineLength)
        : m_base(base), m_lineLength(lineLength),
          m_logger(MakeLogger(base.c_str(), make(lineLength * kLinesPerFile + lineLength / 2))) {
        for (int i = 0; i < kLinesPerFile; ++i) {
            Statement(*m_logger);
        }
        for (int i = 0; i < 4; ++i) {
            (void)Next();
        }
    }
    // Seconds of the next statement that rotates; the statements that fill the file again are not timed.
    double Next() {
        const double cost = Bench::Time([&] { Statement(*m_logger); });
        for (int i = 1; i < kLinesPerFile; ++i) {
            Statement(*m_logger);
        }
        return cost;
    }
    [[nodiscard]] bool RotatedAsPlanned() const {
        return FileSize(m_base) == m_lineLength * kLinesPerFile &&
               FileSize(ProtectedRotatingFileSink::FileNameByIndex(m_base, 3)) != 0;
    }

private:
    std::string m_base;
    std::uint64_t m_lineLength;
    std::unique_ptr<spdlog::logger> m_logger;
};

void RemoveTree(const std::filesystem::path& root) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(root, error);
}

} // namespace

int Run() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::filesystem::path folder =
        std::filesystem::path(temp) / (L"LullgateBench-" + std::to_wstring(GetCurrentProcessId()));
    RemoveTree(folder);
    std::filesystem::create_directories(folder);
    const std::string ours = (folder / "ours.log").string();
    const std::string theirs = (folder / "spdlog.log").string();

    {
        auto oursLogger = MakeLogger("ours", std::make_shared<ProtectedRotatingFileSink>(ours, kOneMiB, 3, false));
        auto theirLogger =
            MakeLogger("spdlog", std::make_shared<spdlog::sinks::rotating_file_sink_mt>(theirs, kOneMiB, 3));
        Round(*oursLogger, kStatementsPerRound); // warm-up: file creation, caches
        Round(*theirLogger, kStatementsPerRound);
        const Bench::Pairs rounds = Bench::Alternate(
            kRounds, [&] { return Round(*oursLogger, kStatementsPerRound); },
            [&] { return Round(*theirLogger, kStatementsPerRound); });
        std::printf("\n## Logging\n\nOne statement formatted, written and flushed, pattern `%s`, limit 1 MiB, "
                    "3 backups; %d alternating rounds of %d statements, figures per statement, ratios round by "
                    "round.\n\n| Measure | Median | Min | Max | Goal |\n|---|--:|--:|--:|---|\n",
                    kPattern, kRounds, kStatementsPerRound);
        Bench::Row("ProtectedRotatingFileSink", rounds.ours, 1e6, "µs");
        Bench::Row("spdlog rotating_file_sink_mt", rounds.reference, 1e6, "µs");
        Bench::Row("ours / spdlog", rounds.ratios, 1, "×", 1.25);
    }

    // One line's length in the files, from a file that holds exactly one.
    const std::string probe = (folder / "probe.log").string();
    {
        auto logger = MakeLogger("probe", std::make_shared<ProtectedRotatingFileSink>(probe, kOneMiB, 0, false));
        Statement(*logger);
    }
    const std::uint64_t lineLength = FileSize(probe);

    {
        const std::string oursBase = (folder / "rot-ours.log").string();
        const std::string theirBase = (folder / "rot-spdlog.log").string();
        RotatingLog oursRotating(
            oursBase,
            [&](std::uint64_t limit) { return std::make_shared<ProtectedRotatingFileSink>(oursBase, limit, 3, false); },
            lineLength);
        RotatingLog theirRotating(
            theirBase,
            [&](std::uint64_t limit) {
                return std::make_shared<spdlog::sinks::rotating_file_sink_mt>(theirBase, limit, 3);
            },
            lineLength);
        const Bench::Pairs rotation = Bench::Alternate(
            kRotations, [&] { return oursRotating.Next(); }, [&] { return theirRotating.Next(); });
        for (const RotatingLog* log : {&oursRotating, &theirRotating}) {
            if (!log->RotatedAsPlanned()) {
                std::printf("warning: a rotation did not happen as planned\n");
            }
        }
        std::printf(
            "| **The statement that rotates** (3 backups present, %d alternating pairs, line %llu bytes) |||||\n",
            kRotations, static_cast<unsigned long long>(lineLength));
        Bench::Row("ProtectedRotatingFileSink", rotation.ours, 1e6, "µs");
        Bench::Row("spdlog rotating_file_sink_mt", rotation.reference, 1e6, "µs");
        Bench::Row("ours / spdlog", rotation.ratios, 1, "×", 1.2);
    }

    RemoveTree(folder);
    return 0;
}

int main() {
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "log_sink_bench: %s\n", e.what());
        return 1;
    }
}
