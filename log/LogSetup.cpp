// The log set-up: the protected directory tree, the settings file beside the executable, and the
// logger over the protected rotating file sink with the configured threshold and line pattern.
// A failed set-up simply leaves the log not ready, and the next statement tries again. Its own
// failures can't go to the log: SetSpdlogger's statement is dropped, and the refusals that guard
// an elevated process (a folder on the way to the log that someone else could have put there, a
// "logPath" that leaves the log folder) go to a debugger and to the Application event log.
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
#include <set>
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

bool IsSafeLogPath(const std::string& name) {
    // The settings file could otherwise send an elevated process's writes, renames and truncations
    // anywhere: every step must be a plain name inside the user directory.
    if (name.empty()) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        const std::string_view step =
            std::string_view(name).substr(start, end == std::string::npos ? end : end - start);
        if (step.empty() || step.back() == '.' || step.back() == ' ') {
            return false;
        }
        for (const char c : step) {
            if (static_cast<unsigned char>(c) < 0x20 ||
                std::string_view(":*?\"<>|").find(c) != std::string_view::npos) {
                return false;
            }
        }
        if (end == std::string::npos) {
            return true;
        }
        start = end + 1;
    }
}

std::string BaseNameFromImagePath(const std::string& path) {
    const std::size_t lastSep = path.rfind('\\');
    const std::string fileName = lastSep == std::string::npos ? path : path.substr(lastSep + 1);
    return fileName.substr(0, fileName.find(".exe"));
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

// Told to the Application event log under the product's name when the log can't be used.
constexpr DWORD kLogNotUsedEventId = 1;

// There is no log yet to say why the set-up stops. A debugger shows it, and so does the
// Application event log, where an administrator looks when a program's log stays empty: a
// standard user who made a folder on the way first must not be able to silence every elevated run
// unseen. The set-up is retried at every statement, so each reason is reported once per process.
void ReportRefusal(const std::string& product, const std::wstring& text) {
    const std::wstring line = L"Log set-up: " + text + L"; nothing is logged.";
    OutputDebugStringW((line + L"\n").c_str());
    static std::set<std::wstring> reported; // only touched under the set-up lock
    if (reported.insert(line).second) {
        (void)Seams::ReportEventLog(AnsiToWide(product).c_str(), EVENTLOG_ERROR_TYPE, kLogNotUsedEventId, line.c_str());
    }
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

// A folder made with default security (it inherits from the folder it is made in).
constexpr int kDefaultSecurity = -1;

enum class FolderState { Made, Existing, Unusable };

struct FolderUse {
    FolderState state;
    std::wstring refusal; // why an Unusable folder is not used
};

bool IsBelowProgramData(const std::string& path) {
    constexpr std::string_view kProgramData = "C:\\ProgramData\\";
    return path.size() > kProgramData.size() && path.starts_with(kProgramData);
}

// Makes a folder on the way to the log, or finds it. For an elevated process an existing folder
// below C:\ProgramData is used only when it is a real folder (no junction or link) of a trusted
// owner: anyone may create folders there, and a junction would send the log's writes, renames
// and truncations wherever its maker chose. The look is at the entry itself, never through it, so
// a junction whose target can't be resolved is seen as what it is, not taken for a missing folder
// that the creation then fails to make. Made only when this call created the folder: one that
// appears between the look and the creation is checked like any other.
FolderUse UseFolder(const std::string& path, int mode, bool elevated) {
    const std::wstring widePath = AnsiToWide(path);
    DWORD attributes = 0;
    std::wstring owner;
    bool looked = Seams::QueryEntryOwner(widePath.c_str(), &attributes, &owner) != FALSE;
    if (!looked) {
        if ((mode != kDefaultSecurity && CreateDirectoryWithAcl(path, mode)) ||
            CreateDirectoryA(path.c_str(), nullptr)) {
            return {FolderState::Made, {}};
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            return {FolderState::Unusable, widePath + L" can't be made (error " + std::to_wstring(error) + L")"};
        }
        looked = Seams::QueryEntryOwner(widePath.c_str(), &attributes, &owner) != FALSE;
    }
    if (!elevated || !IsBelowProgramData(path)) {
        return {FolderState::Existing, {}};
    }
    const wchar_t* refusal = looked ? LogDetail::FolderRefusal(attributes, owner) : L"its owner can't be read";
    if (refusal != nullptr) {
        return {FolderState::Unusable, widePath + L" is not used: " + refusal};
    }
    return {FolderState::Existing, {}};
}

// False when the log directory can't be used: a folder on the way could not be made, or this
// process is elevated and one of them could have been put there by someone else. The tree is
// walked level by level, so nothing is made inside a folder before it has passed.
bool CreateLogDirectories(const std::string& logDir, bool elevated, const std::string& product) {
    constexpr std::size_t kAfterDriveRoot = 3; // "C:\"
    for (std::size_t end = logDir.find('\\', kAfterDriveRoot); end != std::string::npos;
         end = logDir.find('\\', end + 1)) {
        const FolderUse use = UseFolder(logDir.substr(0, end), kDefaultSecurity, elevated);
        if (use.state == FolderState::Unusable) {
            ReportRefusal(product, use.refusal);
            return false;
        }
    }
    std::error_code error;
    // Clears a read-only attribute someone put on the folder; a failure shows when the file opens.
    std::filesystem::permissions(AnsiToWide(logDir),
                                 std::filesystem::perms::owner_all | std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add, error);

    // Both folders exist after every attempt, whichever of them this process logs to; only the one
    // it logs to has to pass. An "admin" folder that was there already then gets the access list
    // this program makes it with (one made by an earlier version may still inherit what every user
    // may do in C:\ProgramData), or it is not used.
    const std::string admin = logDir + "admin";
    const FolderUse adminUse = UseFolder(admin, LogDetail::kAdminDirectoryMode, elevated);
    if (elevated && adminUse.state == FolderState::Unusable) {
        ReportRefusal(product, adminUse.refusal);
        return false;
    }
    if (elevated && adminUse.state == FolderState::Existing && !LogDetail::ApplyAdminAccessList(AnsiToWide(admin))) {
        ReportRefusal(product, AnsiToWide(admin) + L" is not used: its access list can't be set");
        return false;
    }
    (void)UseFolder(logDir + "usr", LogDetail::kUsrDirectoryMode, elevated);
    return true;
}

// The subfolders "logPath" names ("sub" of "sub\run.log") under the user directory, made or
// checked as the folders above them were.
bool CreateLogPathFolders(const std::string& userDir, const std::string& logName, bool elevated,
                          const std::string& product) {
    for (std::size_t end = logName.find_first_of("\\/"); end != std::string::npos;
         end = logName.find_first_of("\\/", end + 1)) {
        const FolderUse use = UseFolder(userDir + logName.substr(0, end), kDefaultSecurity, elevated);
        if (use.state == FolderState::Unusable) {
            ReportRefusal(product, use.refusal);
            return false;
        }
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
    baseName =
        LogDetail::BaseNameFromImagePath(QueryFullProcessImageNameA(process.get(), 0, buffer, &size) ? buffer : "");
    return true;
}

bool IsProcessElevated() {
    DWORD isElevated = 0;
    DWORD returnedLength = 0;
    return Seams::QueryTokenElevation(&isElevated, &returnedLength) && returnedLength == sizeof(DWORD) &&
           isElevated != 0;
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
    const bool elevated = IsProcessElevated();
    if (m_logDir.empty() || !CreateLogDirectories(m_logDir, elevated, m_productName)) {
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
    if (!LogDetail::IsSafeLogPath(logName)) {
        ReportRefusal(m_productName, L"\"logPath\" does not name a file inside the log folder: " + AnsiToWide(logName));
        return false;
    }
    const std::string userDir = m_logDir + (elevated ? "admin\\" : "usr\\");
    const std::string pattern = ReadProfileString(baseName, "fileFormat", settingsPath);
    if (pattern.empty() || !CreateLogPathFolders(userDir, logName, elevated, m_productName)) {
        return false;
    }
    SetSpdlogger(baseName, userDir + logName, settingsPath);
    if (!g_spdlogger) {
        return false;
    }
    g_spdlogger->set_level(static_cast<spdlog::level::level_enum>(ReadLogLevel(baseName, settingsPath)));
    spdlog::set_formatter(
        std::make_unique<spdlog::pattern_formatter>(pattern, spdlog::pattern_time_type::local, std::string("\r\n")));
    return true;
}
