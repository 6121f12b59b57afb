// A small program the log set-up tests copy under other names (Other.exe, tool.EXE, ...) beside a
// settings file of their own, because the set-up reads its section from the running executable's
// name and its settings from beside it. It runs the set-up, carries out the statements given on
// its command line and writes what it found to probe-report.txt beside itself.
//
//   log_probe <product> [usr] [owner:<folder>=<sid> | junction:<folder>] ...
//             [warn:<text> | error:<text> | direct:<text> | size] ...
//
// "usr" fakes a token without elevation; "direct" writes an error line without the flush of a
// statement; "size" records the log file's length on disk at that moment. Wine keeps no folder
// owners (every folder reports the user's own SID) and no junctions, so the probe answers the
// owner look-up itself: Administrators, and the real attributes, unless "owner:" names another
// owner or "junction:" makes a junction of a folder (given below C:\ProgramData), which is there
// even when nothing is on disk: a junction whose target can't be resolved. Every entry meant for
// the Application event log is reported as "event=<source>|<type>|<id>|<text>".
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/StringConv.h"
#include "log/LogManager.h"
#include "log/ProtectedRotatingFileSink.h"

#include <windows.h>
#include <shellapi.h>

#include <spdlog/logger.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::wstring LogFileName() {
    if (!g_spdlogger || g_spdlogger->sinks().empty()) {
        return {};
    }
    const auto* sink = dynamic_cast<const ProtectedRotatingFileSink*>(g_spdlogger->sinks().front().get());
    return sink == nullptr ? std::wstring() : AnsiToWide(sink->BaseFileName());
}

std::string Report() {
    std::string report = "ready=" + std::string(g_spdlogger ? "1" : "0") + "\n";
    if (!g_spdlogger) {
        return report;
    }
    report += "logger=" + g_spdlogger->name() + "\n";
    report += "level=" + std::to_string(static_cast<int>(g_spdlogger->level())) + "\n";
    if (const auto* sink = dynamic_cast<const ProtectedRotatingFileSink*>(g_spdlogger->sinks().front().get())) {
        report += "file=" + sink->BaseFileName() + "\n";
        report += "limit=" + std::to_string(sink->SizeLimit()) + "\n";
        report += "backups=" + std::to_string(sink->BackupCount()) + "\n";
    }
    return report;
}

std::string SizeOnDisk() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(LogFileName().c_str(), GetFileExInfoStandard, &data)) {
        return "size=none\n";
    }
    return "size=" + std::to_string(data.nFileSizeLow) + "\n";
}

// Installs the owner look-up from the "owner:" and "junction:" commands.
void FakeFolderOwners(const std::vector<std::wstring>& args) {
    std::map<std::wstring, std::wstring> owners;
    std::set<std::wstring> junctions;
    const std::wstring below = L"C:\\ProgramData\\";
    for (const std::wstring& arg : args) {
        if (arg.rfind(L"owner:", 0) == 0 && arg.find(L'=') != std::wstring::npos) {
            owners[below + arg.substr(6, arg.find(L'=') - 6)] = arg.substr(arg.find(L'=') + 1);
        } else if (arg.rfind(L"junction:", 0) == 0) {
            junctions.insert(below + arg.substr(9));
        }
    }
    Seams::SetEntryOwner([owners, junctions](LPCWSTR path, DWORD* attributes, std::wstring* ownerSid) {
        const DWORD real = GetFileAttributesW(path);
        if (junctions.contains(path)) {
            *attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        } else if (real == INVALID_FILE_ATTRIBUTES) {
            return FALSE;
        } else {
            *attributes = real;
        }
        const auto owner = owners.find(path);
        *ownerSid = owner != owners.end() ? owner->second : L"S-1-5-32-544";
        return TRUE;
    });
}

void RunCommand(const std::wstring& command, std::string& report) {
    if (command.rfind(L"warn:", 0) == 0) {
        LOG_WARN(command.substr(5));
    } else if (command.rfind(L"error:", 0) == 0) {
        LOG_ERROR(command.substr(6));
    } else if (command.rfind(L"direct:", 0) == 0 && g_spdlogger) {
        g_spdlogger->log(spdlog::level::err, std::wstring_view(command).substr(7));
    } else if (command == L"size") {
        report += SizeOnDisk();
    }
}

} // namespace

int Run() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2) {
        return 2;
    }
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);

    if (args.size() > 1 && args[1] == L"usr") {
        Seams::SetTokenElevation([](DWORD* isElevated, DWORD* returnedLength) {
            *isElevated = 0;
            *returnedLength = sizeof(DWORD);
            return TRUE;
        });
    }
    FakeFolderOwners(args);
    std::string events;
    Seams::SetEventLog([&events](LPCWSTR source, WORD type, DWORD id, LPCWSTR text) {
        events += "event=" + WideToAnsi(source) + "|" + std::to_string(type) + "|" + std::to_string(id) + "|" +
                  WideToAnsi(text) + "\n";
        return true;
    });
    LogManager::GetInstance().SetLogDirectory(WideToAnsi(args[0]));
    LogManager::GetInstance().Initialize();

    std::string report = Report();
    for (std::size_t i = 1; i < args.size(); ++i) {
        RunCommand(args[i], report);
    }
    std::ofstream(std::filesystem::path(GetModuleDirectory()) / L"probe-report.txt", std::ios::binary)
        << report << events;
    return 0;
}

int main() {
    // A probe that dies of an exception would only show up as a missing report.
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "log_probe: %s\n", e.what());
        return 3;
    }
}
