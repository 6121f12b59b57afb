// The log set-up: the protected directory tree, the settings file beside the executable, and the
// logger over the protected rotating file sink with the configured threshold and line pattern.
// A failed set-up simply leaves the log not ready, and the next statement tries again. Its own
// failures can't go to the log: SetSpdlogger's statement is dropped, and the two refusals that
// guard an elevated process (a folder on the way to the log that someone else could have put
// there, a "logPath" that is not a plain file name) are told to a debugger (OutputDebugString).
#include "log/LogManager.h"

#include "common/ModulePath.h"
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
#include <string_view>
#include <system_error>

namespace LogDetail {

std::uint64_t SizeLimitFromSetting(int maxFileSizeMiB) {
    return static_cast<std::uint64_t>(std::clamp(maxFileSizeMiB, kMinFileSizeMiB, kMaxFileSizeMiB)) << 20;
}

std::uint64_t BackupCountFromSetting(int backupFileNum) {
    return static_cast<std::uint64_t>(std::clamp(backupFileNum, kMinBackupFiles, kMaxBackupFiles));
}

bool IsPlainFileName(const std::string& name) {
    // A separator or a drive would let the settings file send an elevated process's writes, renames
    // and truncations anywhere; "." and ".." name folders, not files. A colon also rules out
    // alternate data streams.
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
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

// There is no log yet to say why the set-up stops; a debugger or DebugView can show it.
void ReportRefusal(const std::wstring& text) {
    OutputDebugStringW((L"Log set-up: " + text + L"; nothing is logged.\n").c_str());
}

// True when this call made `path` with the access list of `mode`. The "admin" list is protected
// from inheritance: what C:\ProgramData lets every user do must not reach the folder an elevated
// process writes in.
bool CreateDirectoryWithAcl(const std::string& path, int mode) {
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
    if (mode == LogDetail::kAdminDirectoryMode &&
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    return CreateDirectoryA(path.c_str(), &attributes) == TRUE;
}

enum class FolderState { Made, Existing, Missing };

// Made only when this call created the folder: an entry that appears between the look and the
// creation counts as existing, and so is checked like any other.
FolderState MakeFolder(const std::string& path) {
    if (IsExistingEntry(path)) {
        return FolderState::Existing;
    }
    if (CreateDirectoryA(path.c_str(), nullptr)) {
        return FolderState::Made;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS ? FolderState::Existing : FolderState::Missing;
}

// "admin" or "usr": made with its access list, or with default security when that list can't be
// built.
FolderState MakeSubfolder(const std::string& path, int mode) {
    if (IsExistingEntry(path)) {
        return FolderState::Existing;
    }
    if (CreateDirectoryWithAcl(path, mode) || CreateDirectoryA(path.c_str(), nullptr)) {
        return FolderState::Made;
    }
    return IsExistingEntry(path) ? FolderState::Existing : FolderState::Missing;
}

// Whether an elevated process may use a folder it found on its way to the log (see FolderRefusal).
bool IsTrustedFolder(const std::string& path) {
    const std::wstring widePath = AnsiToWide(path);
    DWORD attributes = 0;
    std::wstring owner;
    const wchar_t* refusal = Seams::QueryEntryOwner(widePath.c_str(), &attributes, &owner)
                                 ? LogDetail::FolderRefusal(attributes, owner)
                                 : L"its owner can't be read";
    if (refusal != nullptr) {
        ReportRefusal(widePath + L" is not used: " + refusal);
        return false;
    }
    return true;
}

bool IsBelowProgramData(const std::string& path) {
    constexpr std::string_view kProgramData = "C:\\ProgramData\\";
    return path.size() > kProgramData.size() && path.starts_with(kProgramData);
}

// False when the log directory can't be made, or when this process is elevated and one of the
// folders on the way to its log could have been put there by someone else. The tree is walked
// level by level, so nothing is made inside a folder before it has passed.
bool CreateLogDirectories(const std::string& logDir, bool elevated) {
    constexpr std::size_t kAfterDriveRoot = 3; // "C:\"
    for (std::size_t end = logDir.find('\\', kAfterDriveRoot); end != std::string::npos;
         end = logDir.find('\\', end + 1)) {
        const std::string folder = logDir.substr(0, end);
        const FolderState state = MakeFolder(folder);
        if (state == FolderState::Missing ||
            (state == FolderState::Existing && elevated && IsBelowProgramData(folder) && !IsTrustedFolder(folder))) {
            return false;
        }
    }
    std::error_code error;
    if (!std::filesystem::is_directory(AnsiToWide(logDir), error)) {
        return false;
    }
    // Clears a read-only attribute someone put on the folder; a failure shows when the file opens.
    std::filesystem::permissions(AnsiToWide(logDir),
                                 std::filesystem::perms::owner_all | std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add, error);

    // An "admin" folder that was there already must pass like the others, and then gets the
    // access list this program makes it with (one made by an earlier version may still inherit
    // what every user may do in C:\ProgramData), or it is not used.
    const std::string admin = logDir + "admin";
    if (MakeSubfolder(admin, LogDetail::kAdminDirectoryMode) == FolderState::Existing && elevated) {
        if (!IsTrustedFolder(admin)) {
            return false;
        }
        if (!LogDetail::ApplyAdminAccessList(AnsiToWide(admin))) {
            ReportRefusal(AnsiToWide(admin) + L" is not used: its access list can't be set");
            return false;
        }
    }
    // Both folders exist after every attempt, whichever of them this process logs to.
    (void)MakeSubfolder(logDir + "usr", LogDetail::kUsrDirectoryMode);
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

bool IsProcessElevated() {
    DWORD isElevated = 0;
    DWORD returnedLength = 0;
    return Seams::QueryTokenElevation(&isElevated, &returnedLength) && returnedLength == sizeof(DWORD) &&
           isElevated != 0;
}

std::string GetUserDirectoryName() {
    return IsProcessElevated() ? "admin\\" : "usr\\";
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
    const std::wstring settingsPath = BesideExePath(AnsiToWide(kLogConfigFile).c_str());
    const std::string narrow = WideToAnsi(settingsPath);
    return !settingsPath.empty() && AnsiToWide(narrow) == settingsPath ? narrow : std::string();
}

} // namespace

bool LogManager::SetUpLogger() {
    // Without a product name there is no log folder: relative "admin" and "usr" folders would
    // land in whatever the working directory is.
    if (m_logDir.empty() || !CreateLogDirectories(m_logDir, IsProcessElevated())) {
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
    if (!LogDetail::IsPlainFileName(logName)) {
        ReportRefusal(L"\"logPath\" is not a plain file name: " + AnsiToWide(logName));
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
