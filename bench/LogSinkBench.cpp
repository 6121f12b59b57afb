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

// Seconds of the statements that rotate, with three backups present: the limit holds
// `linesPerFile` lines, the filler statements are not timed.
std::vector<double> RotationCosts(const std::string& base, const std::function<spdlog::sink_ptr(std::uint64_t)>& make,
                                  std::uint64_t lineLength) {
    constexpr int linesPerFile = 8;
    auto logger = MakeLogger("rotation", make(lineLength * linesPerFile + lineLength / 2));
    std::vector<double> costs;
    // The first file starts empty; after each rotation it holds the line that rotated.
    for (int i = 0; i < linesPerFile; ++i) {
        Statement(*logger);
    }
    for (int rotation = 0; rotation < kRotations + 4; ++rotation) {
        const double cost = Bench::Time([&] { Statement(*logger); });
        // The first rotations create the backups; time only those that shift three of them.
        if (rotation >= 4) {
            costs.push_back(cost);
        }
        for (int i = 1; i < linesPerFile; ++i) {
            Statement(*logger);
        }
    }
    if (FileSize(base) != lineLength * linesPerFile ||
        FileSize(ProtectedRotatingFileSink::FileNameByIndex(base, 3)) == 0) {
        std::printf("warning: rotation did not happen as planned for %s\n", base.c_str());
    }
    return costs;
}

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

    const std::vector<double> oursRotation = RotationCosts((folder / "rot-ours.log").string(),
                                                           [&](std::uint64_t limit) {
                                                               return std::make_shared<ProtectedRotatingFileSink>(
                                                                   (folder / "rot-ours.log").string(), limit, 3, false);
                                                           },
                                                           lineLength);
    const std::vector<double> theirRotation =
        RotationCosts((folder / "rot-spdlog.log").string(),
                      [&](std::uint64_t limit) {
                          return std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
                              (folder / "rot-spdlog.log").string(), limit, 3);
                      },
                      lineLength);
    std::printf("| **The statement that rotates** (3 backups present, %d samples, line %llu bytes) |||||\n", kRotations,
                static_cast<unsigned long long>(lineLength));
    Bench::Row("ProtectedRotatingFileSink", oursRotation, 1e6, "µs");
    Bench::Row("spdlog rotating_file_sink_mt", theirRotation, 1e6, "µs");

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
