// How the values of the log settings file become the logger's limits and threshold. The file is
// edited by hand, so every number is held to a usable range instead of being trusted.
#pragma once

#include <cstdint>
#include <string>

namespace LogDetail {

// "maxFileSize" in MiB. 2047 is the largest size whose byte count fits a signed 32-bit number, as
// older readers of these files expect; 0 or less would rotate on every line.
inline constexpr int kMinFileSizeMiB = 1;
inline constexpr int kMaxFileSizeMiB = 2047;
// "backupFileNum". Every rotation walks all backup names, so a huge or negative count (which
// would wrap to a huge unsigned one) would stall each rotation.
inline constexpr int kMinBackupFiles = 0;
inline constexpr int kMaxBackupFiles = 100;

// The sink's size limit in bytes for a "maxFileSize" value, clamped to the bounds above.
std::uint64_t SizeLimitFromSetting(int maxFileSizeMiB);
// The sink's backup count for a "backupFileNum" value, clamped to the bounds above.
std::uint64_t BackupCountFromSetting(int backupFileNum);
// Whether a "logPath" value names a file inside the user directory: a file name, or subfolders
// and a file name ("sub\run.log"), separated by "\" or "/". Refused: empty names and steps (so no
// absolute or UNC path), "." and ".." steps, steps ending in a dot or a blank (Windows drops those,
// turning ".. " into ".."), any colon (drives, streams) and the characters no file name may hold.
[[nodiscard]] bool IsSafeLogPath(const std::string& name);
// The section and logger name of an executable: the file name of its full path up to the first
// ".exe", case-sensitively, so that tool.EXE keeps its whole name.
[[nodiscard]] std::string BaseNameFromImagePath(const std::string& path);
// The spdlog level for a "logLevel" text: "debug", "info", "warn", "error" exactly; warn otherwise.
[[nodiscard]] int LevelFromSetting(const std::string& text);

} // namespace LogDetail
