// The log set-up: the protected directory tree, the settings file beside the executable, and the
// logger over the protected rotating file sink with the configured threshold and line pattern.
// Nothing here reports its own failures except SetSpdlogger, whose statement is dropped because
// the log isn't ready: a failed set-up simply leaves the log not ready, and the next statement
// tries again.
#include "log/LogManager.h"

#include "common/Seams.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "log/LogDirectoryAcl.h"
#include "log/LogSettings.h"
#include "log/ProtectedRotatingFileSink.h"

#include <windows.h>

#include <spdlog/pattern_formatter.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace LogDetail {

std::uint64_t SizeLimitFromSetting(int maxFileSizeMiB) {
    return static_cast<std::uint64_t>(std::clamp(maxFileSizeMiB, kMinFileSizeMiB, kMaxFileSizeMiB)) << 20;
}

std::uint64_t BackupCountFromSetting(int backupFileNum) {
    return static_cast<std::uint64_t>(std::clamp(backupFileNum, kMinBackupFiles, kMaxBackupFiles));
}

int LevelFromSetting(const std::string& text) {
    // Exact, case-sensitive names; anything else keeps the default threshold, warn.
    if (text == "debug") {
        return spdlog::level::debug;
    }
    if (text == "info") {
        return spdlog::level::info;
    }
    if (text == "error") {
        return spdlog::level::err;
    }
    return spdlog::level::warn;
}

} // namespace LogDetail

namespace {

const std::string kLogConfigFile = "config\\logConfig.cfg";

bool IsExistingEntry(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(AnsiToWide(path), error);
    return std::filesystem::status_known(status) && std::filesystem::exists(status) &&
           status.type() != std::filesystem::file_type::unknown;
}

bool CreateDirectoryWithAcl(const std::string& path, int mode) {
    if (IsExistingEntry(path)) {
        return true;
    }
    LogDetail::DirectoryAccessEntries entries;
    if (!entries.Build(mode)) {
        return false;
    }
    const unique_local<PACL> acl = entries.MakeAcl();
    if (!acl) {
        return false;
    }
    SECURITY_DESCRIPTOR descriptor{};
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl.get(), FALSE)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    return CreateDirectoryA(path.c_str(), &attributes) == TRUE;
}

// False when the log directory itself can't be made: no log file can be opened under it then.
bool CreateLogDirectories(const std::string& logDir) {
    namespace fs = std::filesystem;
    const fs::path dir(AnsiToWide(logDir));
    std::error_code error;
    const fs::file_status status = fs::status(dir, error);
    if (!fs::status_known(status) || !fs::exists(status) || status.type() == fs::file_type::unknown) {
        fs::create_directories(dir, error);
        if (!fs::is_directory(dir, error)) {
            return false;
        }
    }
    // Clears a read-only attribute someone put on the folder; a failure shows when the file opens.
    fs::permissions(dir, fs::perms::owner_all | fs::perms::others_read, fs::perm_options::add, error);

    // Both folders exist after every attempt, whichever of them this process logs to.
    if (!CreateDirectoryWithAcl(logDir + "admin", LogDetail::kAdminDirectoryMode)) {
        CreateDirectoryA((logDir + "admin").c_str(), nullptr);
    }
    if (!CreateDirectoryWithAcl(logDir + "usr", LogDetail::kUsrDirectoryMode)) {
        CreateDirectoryA((logDir + "usr").c_str(), nullptr);
    }
    return true;
}

std::string ReadProfileString(const std::string& section, const char* key, const std::string& file) {
    char buffer[260] = {};
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key, nullptr, buffer, 260, file.c_str());
    return std::string(buffer, length);
}

bool GetProcessBaseName(std::string& baseName) {
    const unique_handle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
    if (!process) {
        return false;
    }
    char buffer[260] = {};
    DWORD size = 259;
    const std::string fullPath = QueryFullProcessImageNameA(process.get(), 0, buffer, &size) ? buffer : "";
    const std::size_t lastSep = fullPath.rfind('\\');
    const std::string fileName = lastSep == std::string::npos ? fullPath : fullPath.substr(lastSep + 1);
    // Case-sensitive on purpose: tool.EXE keeps its whole name as its section.
    baseName = fileName.substr(0, fileName.find(".exe"));
    return true;
}

std::string GetUserDirectoryName() {
    DWORD isElevated = 0;
    DWORD returnedLength = 0;
    const bool elevated =
        Seams::QueryTokenElevation(&isElevated, &returnedLength) && returnedLength == sizeof(DWORD) && isElevated != 0;
    return elevated ? "admin\\" : "usr\\";
}

int ReadLogLevel(const std::string& section, const std::string& file) {
    return LogDetail::LevelFromSetting(ReadProfileString(section, "logLevel", file));
}

void SetSpdlogger(const std::string& loggerName, const std::string& logFilePath, const std::string& settingsPath) {
    const int maxFileSize =
        static_cast<int>(GetPrivateProfileIntA(loggerName.c_str(), "maxFileSize", 1, settingsPath.c_str()));
    const int backupFileNum =
        static_cast<int>(GetPrivateProfileIntA(loggerName.c_str(), "backupFileNum", 1, settingsPath.c_str()));
    const std::uint64_t sizeLimit = LogDetail::SizeLimitFromSetting(maxFileSize);
    const std::uint64_t backupCount = LogDetail::BackupCountFromSetting(backupFileNum);

    // Whatever the attempts give replaces the logger; after five failures it is empty.
    g_spdlogger.reset();
    for (int attempt = 0; attempt < 5; ++attempt) {
        try {
            // The log isn't ready, so no statement uses a logger of this name: one still registered
            // comes from an earlier attempt of this process that never finished, and would make
            // every later attempt fail on the name.
            spdlog::drop(loggerName);
            g_spdlogger = spdlog::synchronous_factory::create<ProtectedRotatingFileSink>(loggerName, logFilePath,
                                                                                         sizeLimit, backupCount, false);
        } catch (const std::exception&) {
            LOG_ERROR(L"set spd log fail");
        }
        if (g_spdlogger) {
            return;
        }
    }
}

// The settings file beside the executable, as a narrow path; empty when the executable's path
// can't be had or can't be written in the ANSI code page (the profile functions take no other).
std::string GetSettingsFilePath() {
    wchar_t modulePath[261] = {};
    if (GetModuleFileNameW(nullptr, modulePath, 259) == 0) {
        return {};
    }
    std::wstring dir = std::filesystem::path(modulePath).parent_path().wstring();
    if (!dir.empty() && dir.back() != L':' && dir.back() != L'\\' && dir.back() != L'/') {
        dir += L'\\';
    }
    const std::wstring settingsPath = dir + AnsiToWide(kLogConfigFile);
    const std::string narrow = WideToAnsi(settingsPath);
    return AnsiToWide(narrow) == settingsPath ? narrow : std::string();
}

} // namespace

bool LogManager::SetUpLogger() {
    // Without a product name there is no log folder: relative "admin" and "usr" folders would
    // land in whatever the working directory is.
    if (m_logDir.empty() || !CreateLogDirectories(m_logDir)) {
        return false;
    }
    const std::string settingsPath = GetSettingsFilePath();
    if (settingsPath.empty()) {
        return false;
    }
    std::string baseName;
    if (!GetProcessBaseName(baseName)) {
        return false;
    }
    const std::string logName = ReadProfileString(baseName, "logPath", settingsPath);
    if (logName.empty()) {
        return false;
    }
    const std::string logFilePath = m_logDir + GetUserDirectoryName() + logName;
    const std::string pattern = ReadProfileString(baseName, "fileFormat", settingsPath);
    if (pattern.empty()) {
        return false;
    }
    SetSpdlogger(baseName, logFilePath, settingsPath);
    if (!g_spdlogger) {
        return false;
    }
    g_spdlogger->set_level(static_cast<spdlog::level::level_enum>(ReadLogLevel(baseName, settingsPath)));
    spdlog::set_formatter(
        std::make_unique<spdlog::pattern_formatter>(pattern, spdlog::pattern_time_type::local, std::string("\r\n")));
    return true;
}
