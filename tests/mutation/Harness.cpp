// The generator, the child process that runs a target's inputs, and the watch the test keeps on it.
// The child writes the index of the input it is about to run into memory it shares with the test,
// so when it crashes or stops moving the test knows the input, makes it again from the seed and
// saves it for whoever reproduces the fault.
#include "tests/mutation/Harness.h"

#include "common/ModulePath.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "tests/support/BesideExe.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace Mutation {

namespace {

constexpr std::size_t kMaxInputBytes = std::size_t{64} << 10;
constexpr SIZE_T kMemoryLimitBytes = SIZE_T{512} << 20;

// Shared between the test and its child.
struct Progress {
    volatile LONG64 index;
    volatile LONG64 beat; // moves before every input, so a still value means a hang
    volatile LONG state;
    char detail[1024];
};
enum State : LONG { kRunning, kDone, kInsane, kMemory, kNoStart };

// Wine keeps no peak of the committed memory (its "peak" is the current value) and does not hold a
// job to its memory limit, but it does keep the peak working set; Windows keeps both.
SIZE_T PeakMemory() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    return GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))
               ? std::max(memory.PeakPagefileUsage, memory.PeakWorkingSetSize)
               : 0;
}

// splitmix64's finaliser: a bijection that spreads every input bit over the whole result.
std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// splitmix64. Streams started from nearby states are the same stream shifted, so callers start it
// from a mixed state.
class Rng {
public:
    explicit Rng(std::uint64_t state) : m_state(state) {}
    std::uint64_t Next() { return Mix(m_state += 0x9E3779B97F4A7C15ULL); }
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(Next() % bound); }
    template <typename T> const T& Pick(const std::vector<T>& items) { return items[Below(items.size())]; }

private:
    std::uint64_t m_state;
};

std::uint64_t Hash(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ULL; // FNV-1a
    for (char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    return h;
}

const std::vector<std::string> kNumbers = {
    "0",          "-1",         "255",         "65536",      "-32768",
    "2147483647", "2147483648", "-2147483649", "4294967296", "9223372036854775808",
    "1e308"};
constexpr char kByteChars[] = "<>/=\"'&;{}[]\\.:%-0123456789 \t\r\n\0\x7f\x80\xef\xbb\xbf\xff";
constexpr std::string_view kBytes{kByteChars, sizeof(kByteChars) - 1};

void Mutate(std::string& s, Rng& rng, const std::vector<std::string>& seeds, const std::vector<std::string>& tokens) {
    const std::size_t at = rng.Below(s.size() + 1);
    const std::size_t room = kMaxInputBytes - std::min(kMaxInputBytes, s.size());
    const auto chunkOf = [&rng](const std::string& from) {
        const std::size_t start = rng.Below(from.size());
        return from.substr(
            start, 1 + rng.Below(std::min<std::size_t>(from.size() - start, std::size_t{1} << (rng.Below(12) + 1))));
    };
    switch (rng.Below(8)) {
    case 0: // flip a bit
        if (!s.empty()) {
            s[at % s.size()] = static_cast<char>(s[at % s.size()] ^ (1 << rng.Below(8)));
        }
        break;
    case 1: // a byte that means something in one of the formats
        if (!s.empty()) {
            s[at % s.size()] = kBytes[rng.Below(kBytes.size())];
        }
        break;
    case 2: // cut a piece out
        s.erase(at, 1 + rng.Below(std::size_t{1} << (rng.Below(8) + 1)));
        break;
    case 3: // repeat a piece of itself
    case 4: // a piece of another seed
        if (!s.empty() || !seeds.empty()) {
            const std::string chunk = chunkOf(s.empty() || rng.Below(2) == 0 ? rng.Pick(seeds) : s);
            const std::size_t times = 1 + rng.Below(4);
            if (!chunk.empty() && chunk.size() * times <= room) {
                for (std::size_t i = 0; i < times; ++i) {
                    s.insert(at, chunk);
                }
            }
        }
        break;
    case 5: // a fragment of the format
        if (!tokens.empty() && rng.Pick(tokens).size() <= room) {
            s.insert(at, rng.Pick(tokens));
        }
        break;
    default: { // a number that sits on an edge, in place of the next one
        const std::size_t found = s.find_first_of("0123456789", at);
        const std::size_t first = found == std::string::npos ? at : found;
        const std::size_t last = std::min(s.find_first_not_of("0123456789", first), s.size());
        if (kNumbers.back().size() <= room) {
            s.replace(first, last - first, rng.Pick(kNumbers));
        }
        break;
    }
    }
}

// Runs inputs [first, first + count) of the seed, or the one input `replay` holds.
int RunChild(const Target& target, std::uint64_t seed, std::uint64_t first, std::uint64_t count, Progress& progress,
             const std::string* replay = nullptr) {
    // A crash ends the child at once with its code: no crash dialog, no debugger.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* info) -> LONG {
        TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
        return EXCEPTION_EXECUTE_HANDLER;
    });
    progress.index = static_cast<LONG64>(first);
    InterlockedIncrement64(&progress.beat);
    const std::vector<std::string> seeds = target.seeds();
    const Check check = seeds.empty() ? Check() : target.start();
    if (!check) {
        progress.state = kNoStart;
        return 1;
    }
    for (std::uint64_t i = first; i < first + count; ++i) {
        progress.index = static_cast<LONG64>(i);
        InterlockedIncrement64(&progress.beat);
        const std::string problem = check(replay != nullptr ? *replay : MakeInput(target, seeds, seed, i));
        const SIZE_T peak = PeakMemory();
        if (!problem.empty() || peak > kMemoryLimitBytes) {
            const std::string detail = problem.empty() ? "peak memory " + std::to_string(peak >> 20) + " MiB" : problem;
            snprintf(progress.detail, sizeof(progress.detail), "%s", detail.c_str());
            progress.state = problem.empty() ? kMemory : kInsane;
            return 1;
        }
    }
    progress.state = kDone;
    return 0;
}

// One child for inputs [first, first + count) of the target; the fault it ended with, if any.
Fault WatchChild(const Target& target, std::uint64_t seed, std::uint64_t first, std::uint64_t count) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const unique_handle mapping(
        CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(Progress), nullptr));
    auto* progress = mapping ? static_cast<Progress*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    if (progress == nullptr) {
        return {"no start", first, "no shared memory", {}};
    }
    progress->index = -1;
    std::wstring commandLine = L"\"" + GetModulePath() + L"\" --mutation-child " + AnsiToWide(target.name) + L" " +
                               std::to_wstring(seed) + L" " + std::to_wstring(first) + L" " + std::to_wstring(count) +
                               L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(mapping.get()));
    // The job holds the child to the memory bound where the system enforces it (the child also
    // checks its own peak) and ends it with the job.
    const unique_handle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    limits.ProcessMemoryLimit = kMemoryLimitBytes;
    (void)SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Fault fault;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &info)) {
        fault = {"no start", first, "CreateProcess error " + std::to_string(GetLastError()), {}};
    } else {
        const unique_handle process(info.hProcess);
        const unique_handle thread(info.hThread);
        (void)AssignProcessToJobObject(job.get(), process.get());
        ResumeThread(thread.get());
        // A real input takes well under a second even under Wine; the first also pays for the start.
        const std::uint64_t hangLimitMs = FromEnvironment("LULLGATE_MUTATION_HANG_MS", 5000);
        LONG64 beat = -1;
        ULONGLONG lastMove = GetTickCount64();
        while (WaitForSingleObject(process.get(), 20) == WAIT_TIMEOUT) {
            if (progress->beat != beat) {
                beat = progress->beat;
                lastMove = GetTickCount64();
            } else if (GetTickCount64() - lastMove > hangLimitMs) {
                TerminateProcess(process.get(), 1);
                WaitForSingleObject(process.get(), INFINITE);
                fault = {"hang", 0, "no answer within " + std::to_string(hangLimitMs) + " ms", {}};
                break;
            }
        }
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        const LONG state = progress->state;
        if (fault.kind.empty() && state != kDone) {
            // The child tells what it found; one that never said it was done has crashed.
            char crash[64];
            snprintf(crash, sizeof(crash), "exit code 0x%08lX", code);
            fault = state == kInsane    ? Fault{"insane result", 0, progress->detail, {}}
                    : state == kMemory  ? Fault{"memory", 0, progress->detail, {}}
                    : state == kNoStart ? Fault{"no start", 0, "the target could not prepare its child", {}}
                                        : Fault{"crash", 0, crash, {}};
        }
        fault.index = progress->index < 0 ? first : static_cast<std::uint64_t>(progress->index);
    }
    UnmapViewOfFile(progress);
    return fault;
}

} // namespace

std::string MakeInput(const Target& target, const std::vector<std::string>& seeds, std::uint64_t seed,
                      std::uint64_t index) {
    Rng rng(Mix(Mix(Hash(target.name) ^ seed) + index));
    std::string input = rng.Pick(seeds);
    for (std::size_t n = std::size_t{1} << rng.Below(4); n > 0; --n) {
        Mutate(input, rng, seeds, target.tokens);
    }
    return input;
}

Fault RunInChildren(const Target& target, std::uint64_t seed, std::uint64_t count) {
    Fault fault = WatchChild(target, seed, 0, count);
    if (!fault.kind.empty()) {
        fault.savedInput = BesideExePath((L"mutation-failures\\" + AnsiToWide(target.name) + L"-" +
                                          std::to_wstring(seed) + L"-" + std::to_wstring(fault.index) + L".bin")
                                             .c_str());
        CreateDirectoryW(BesideExePath(L"mutation-failures").c_str(), nullptr);
        if (!WriteWholeFile(fault.savedInput, MakeInput(target, target.seeds(), seed, fault.index))) {
            fault.savedInput.clear();
        }
    }
    return fault;
}

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

} // namespace Mutation

// "--mutation-child <target> <seed> <first> <count> <shared memory handle>" runs inputs for the
// test; a handle of 0 runs them alone and prints the outcome, which is how a fault is reproduced.
// "--mutation-replay <target> <file>" runs one saved (or hand-made) input alone. Anything else
// runs the tests.
int main(int argc, char** argv) {
    const std::string_view mode = argc > 2 ? argv[1] : "";
    const bool replay = mode == "--mutation-replay" && argc == 4;
    if ((mode == "--mutation-child" && argc == 7) || replay) {
        const auto number = [](const char* text) { return std::strtoull(text, nullptr, 10); };
        const std::uintptr_t handle = replay ? 0 : number(argv[6]);
        Mutation::Progress alone{};
        auto* progress = handle == 0 ? &alone
                                     : static_cast<Mutation::Progress*>(
                                           MapViewOfFile(reinterpret_cast<HANDLE>(handle), FILE_MAP_WRITE, 0, 0, 0));
        for (const Mutation::Target& target : Mutation::Targets()) {
            if (progress == nullptr || target.name != std::string_view(argv[2])) {
                continue;
            }
            const std::string input = replay ? ReadWholeFile(AnsiToWide(argv[3])) : std::string();
            const int code =
                replay ? Mutation::RunChild(target, 0, 0, 1, *progress, &input)
                       : Mutation::RunChild(target, number(argv[3]), number(argv[4]), number(argv[5]), *progress);
            if (handle == 0) {
                printf("input %lld: %s (peak memory %zu MiB)\n", static_cast<long long>(progress->index),
                       code == 0 ? "sane" : progress->detail, static_cast<std::size_t>(Mutation::PeakMemory() >> 20));
            }
            return code;
        }
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
