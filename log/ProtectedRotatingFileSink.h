// The log file sink: one UTF-8 file rotated by size into numbered backups (run.log, run.1.log, ...).
// A log file is writable only while the sink holds it open; every file it closes (at rotation and
// at exit) is marked read-only, so backups and the log of an earlier run lie read-only on disk.
// It never writes through a link, and a rotation that can't move a backup loses no line.
// Private to log/: it pulls in spdlog, which the rest of the program never sees.
#pragma once

#include "common/UniqueHandle.h"

#include <spdlog/sinks/base_sink.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

// Owns the open log file. Errors are spdlog's exceptions: the sink runs inside spdlog, which
// catches them in the logger and hands them to its error handler, so a failed write loses one
// statement and never reaches the code that issued it.
class ProtectedLogFile {
public:
    ProtectedLogFile() = default;
    ~ProtectedLogFile() { Close(); }
    ProtectedLogFile(const ProtectedLogFile&) = delete;
    ProtectedLogFile& operator=(const ProtectedLogFile&) = delete;

    // Opens `name` for appending (emptied first when `truncate`), making it writable; creates
    // missing folders. Throws spdlog_ex after five failed tries, and at once when `name` is a link.
    void Open(const std::string& name, bool truncate);
    // Opens the last opened name again.
    void Reopen(bool truncate);
    // Closes the file if open and marks it read-only.
    void Close();
    void Write(const spdlog::memory_buf_t& buffer);
    void Flush();
    // The open file's length in bytes.
    [[nodiscard]] std::uint64_t Size() const;
    [[nodiscard]] const std::string& FileName() const { return m_fileName; }
    [[nodiscard]] bool IsOpen() const { return m_file.valid(); }

private:
    unique_cfile m_file;
    std::string m_fileName;
    int m_openTries = 5;
    unsigned long m_openIntervalMs = 10;
};

class ProtectedRotatingFileSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    // Opens the base file (throws spdlog_ex when it can't be opened). The set-up always passes
    // false for `rotateOnOpen`.
    ProtectedRotatingFileSink(std::string baseFileName, std::uint64_t sizeLimit, std::uint64_t backupCount,
                              bool rotateOnOpen);

    // Index 0 is the base itself; index i is stem + "." + i + extension (run.log -> run.2.log).
    [[nodiscard]] static std::string FileNameByIndex(const std::string& baseFileName, std::uint64_t index);

    [[nodiscard]] const std::string& BaseFileName() const { return m_baseFileName; }
    [[nodiscard]] std::uint64_t SizeLimit() const { return m_sizeLimit; }
    [[nodiscard]] std::uint64_t BackupCount() const { return m_backupCount; }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override;
    void flush_() override;

private:
    // Shifts the backups and starts an empty current file. When a backup can't be moved, stops
    // there and keeps appending to the current file, so no line is lost; the returned text says
    // what failed (empty on success). The size then counts from this attempt, so the next one
    // comes after another size limit's worth of lines.
    std::string Rotate();

    std::string m_baseFileName;
    std::uint64_t m_sizeLimit = 0;
    std::uint64_t m_backupCount = 0;
    std::uint64_t m_currentSize = 0;
    ProtectedLogFile m_file;
};
