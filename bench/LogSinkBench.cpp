// Cost of a log statement through the protected rotating sink against spdlog's own
// rotating_file_sink_mt: same pattern, same file system, same size limit and backup count, each
// statement formatted, written and flushed as LogManager::Write does. Both run in one process,
// in alternating rounds, so the ratio is not skewed by the machine's load drifting. Also the cost
// of the one statement that rotates with three backups present.
#include "log/ProtectedRotatingFileSink.h"

#include <windows.h>

#include <spdlog/logger.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <algorithm>
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

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

// Microseconds per statement for one round of `count` statements.
double Round(spdlog::logger& logger, int count) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        Statement(logger);
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end) * 1e6 / count;
}

std::uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Microseconds of the statements that rotate, with three backups present: the limit holds
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
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        Statement(*logger);
        QueryPerformanceCounter(&end);
        // The first rotations create the backups; time only those that shift three of them.
        if (rotation >= 4) {
            costs.push_back(Seconds(start, end) * 1e6);
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

    std::printf("Log statement cost (format, write, flush), pattern \"%s\", limit 1 MiB, 3 backups\n", kPattern);
    {
        auto oursLogger = MakeLogger("ours", std::make_shared<ProtectedRotatingFileSink>(ours, kOneMiB, 3, false));
        auto theirLogger =
            MakeLogger("spdlog", std::make_shared<spdlog::sinks::rotating_file_sink_mt>(theirs, kOneMiB, 3));
        Round(*oursLogger, kStatementsPerRound); // warm-up: file creation, caches
        Round(*theirLogger, kStatementsPerRound);

        std::vector<double> oursCosts;
        std::vector<double> theirCosts;
        std::vector<double> ratios;
        for (int round = 0; round < kRounds; ++round) {
            // Alternate which goes first so neither always runs on a warmer cache.
            double a = 0;
            double b = 0;
            if (round % 2 == 0) {
                a = Round(*oursLogger, kStatementsPerRound);
                b = Round(*theirLogger, kStatementsPerRound);
            } else {
                b = Round(*theirLogger, kStatementsPerRound);
                a = Round(*oursLogger, kStatementsPerRound);
            }
            oursCosts.push_back(a);
            theirCosts.push_back(b);
            ratios.push_back(a / b);
        }
        std::printf("  statements: %d rounds x %d each\n", kRounds, kStatementsPerRound);
        std::printf("  ProtectedRotatingFileSink : median %.2f us/statement (min %.2f)\n", Median(oursCosts),
                    *std::min_element(oursCosts.begin(), oursCosts.end()));
        std::printf("  rotating_file_sink_mt     : median %.2f us/statement (min %.2f)\n", Median(theirCosts),
                    *std::min_element(theirCosts.begin(), theirCosts.end()));
        std::printf("  ratio ours/spdlog         : median %.3fx over rounds (goal <= 1.25x)\n", Median(ratios));
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
    std::printf("Rotation with 3 backups present (the statement that rotates, %d samples, line %llu bytes)\n",
                kRotations, static_cast<unsigned long long>(lineLength));
    std::printf("  ProtectedRotatingFileSink : median %.1f us, max %.1f us\n", Median(oursRotation),
                *std::max_element(oursRotation.begin(), oursRotation.end()));
    std::printf("  rotating_file_sink_mt     : median %.1f us, max %.1f us\n", Median(theirRotation),
                *std::max_element(theirRotation.begin(), theirRotation.end()));

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
