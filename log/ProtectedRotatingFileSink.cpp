#include "log/ProtectedRotatingFileSink.h"

#include <windows.h>

#include <direct.h>
#include <io.h>
#include <share.h>

#include <spdlog/common.h>
#include <spdlog/fmt/fmt.h>

#include <cerrno>
#include <cstdio>

namespace {

// _chmod modes. Only the write bit (0x80) means anything on Windows: 0x1A0 clears the read-only
// attribute, 0x120 sets it.
constexpr int kModeReadWrite = 0x1A0;
constexpr int kModeReadOnly = 0x120;

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates the folder part of `fileName` with every missing parent, stopping at the first folder
// that can't be made. The outcome is not checked here: the open that follows reports it.
void CreateParentFolders(const std::string& fileName) {
    const std::size_t lastSep = fileName.find_last_of("\\/");
    if (lastSep == std::string::npos) {
        return;
    }
    const std::string folder = fileName.substr(0, lastSep);
    if (folder.empty() || PathExists(folder)) {
        return;
    }
    std::size_t pos = 0;
    while (true) {
        pos = folder.find_first_of("\\/", pos);
        const std::string prefix = pos == std::string::npos ? folder : folder.substr(0, pos);
        // Empty prefixes come from a leading or doubled separator; drive roots ("C:") exist.
        if (!prefix.empty() && !PathExists(prefix) && _mkdir(prefix.c_str()) != 0) {
            return;
        }
        if (pos == std::string::npos) {
            return;
        }
        ++pos;
    }
}

// What is at a log file's name. A link is a symbolic link or junction, or a file with more than
// one name (a hard link): writing, truncating or un-marking through it would change whatever it
// leads to.
enum class Entry { file, link, noFile, noFolder };

Entry Inspect(const std::string& name) {
    const unique_file_handle entry(
        CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!entry) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND   ? Entry::noFile
               : error == ERROR_PATH_NOT_FOUND ? Entry::noFolder
                                               : Entry::file; // there, but not for this process to look at
    }
    if (!GetFileInformationByHandle(entry.get(), &info)) {
        return Entry::file;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks > 1 ? Entry::link
                                                                                                  : Entry::file;
}

// Moves `source` onto `target`, replacing it in one step: a backup that can't be replaced (held
// open by a viewer or a scanner) is then kept, where deleting it first would lose it. A backup is
// read-only, which MoveFileEx won't replace, so the mark is cleared first and put back if the move
// fails. A target the rotation has just moved on (`targetMoved`) has no mark to clear: the move is
// then the only step, which keeps a rotation's cost near a plain rename chain.
bool MoveReplacing(const std::string& source, const std::string& target, bool targetMoved) {
    // _chmod succeeds only on an entry that is there, so it also tells whether there was one.
    const bool targetWasThere = !targetMoved && _chmod(target.c_str(), kModeReadWrite) == 0;
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    const DWORD error = GetLastError();
    if (targetWasThere) {
        (void)_chmod(target.c_str(), kModeReadOnly);
    }
    SetLastError(error);
    return false;
}

} // namespace

void ProtectedLogFile::Open(const std::string& name, bool truncate) {
    Close();
    m_fileName = name;
    // Only administrators can put entries in the protected log folder, but a log left from before
    // it was protected could be a link: never write through one.
    const Entry entry = Inspect(name);
    if (entry == Entry::link) {
        spdlog::throw_spdlog_ex("Refusing to open " + name + " for writing: it is a link");
    }
    // No file where its folder is (as after a rotation moved it on): no mark to clear and nothing to
    // empty, the append makes the file. Each step left out is a round trip to the file system.
    bool steps = entry != Entry::noFile;
    for (int tryIndex = 0; tryIndex < m_openTries; ++tryIndex) {
        if (steps) {
            CreateParentFolders(name);
            // A log left by an earlier run is read-only; the file may also not exist yet.
            (void)_chmod(name.c_str(), kModeReadWrite);
            if (truncate) {
                const unique_cfile emptied(_fsopen(name.c_str(), "wb", _SH_DENYNO));
                if (!emptied) {
                    continue;
                }
            }
        }
        m_file.reset(_fsopen(name.c_str(), "ab", _SH_DENYNO));
        // A file the append has just made is writable; one that was there is made so.
        if (m_file && (!steps || _chmod(name.c_str(), kModeReadWrite) == 0)) {
            return;
        }
        m_file.reset();
        steps = true; // whatever went wrong, the next try takes every step
        Sleep(m_openIntervalMs);
    }
    spdlog::throw_spdlog_ex("Failed opening file " + name + " for writing", errno);
}

void ProtectedLogFile::Reopen(bool truncate) {
    if (m_fileName.empty()) {
        spdlog::throw_spdlog_ex("Failed re opening file - was not opened before");
    }
    Open(m_fileName, truncate);
}

void ProtectedLogFile::Close() {
    if (!m_file) {
        return;
    }
    m_file.reset();
    (void)_chmod(m_fileName.c_str(), kModeReadOnly);
}

void ProtectedLogFile::Write(const spdlog::memory_buf_t& buffer) {
    const std::size_t size = buffer.size();
    if (!m_file || std::fwrite(buffer.data(), 1, size, m_file.get()) != size) {
        spdlog::throw_spdlog_ex("Failed writing to file " + m_fileName, errno);
    }
}

void ProtectedLogFile::Flush() {
    if (m_file) {
        (void)std::fflush(m_file.get());
    }
}

std::uint64_t ProtectedLogFile::Size() const {
    const long long length = !m_file ? -1 : _filelengthi64(_fileno(m_file.get()));
    if (length < 0) {
        spdlog::throw_spdlog_ex("Failed getting file size from fd", errno);
    }
    return static_cast<std::uint64_t>(length);
}

ProtectedRotatingFileSink::ProtectedRotatingFileSink(std::string baseFileName, std::uint64_t sizeLimit,
                                                     std::uint64_t backupCount, bool rotateOnOpen)
    : m_baseFileName(std::move(baseFileName)), m_sizeLimit(sizeLimit), m_backupCount(backupCount) {
    m_file.Open(FileNameByIndex(m_baseFileName, 0), false);
    m_currentSize = m_file.Size();
    if (rotateOnOpen && m_currentSize > 0) {
        (void)Rotate();
        m_currentSize = m_file.Size();
    }
}

std::string ProtectedRotatingFileSink::FileNameByIndex(const std::string& baseFileName, std::uint64_t index) {
    if (index == 0) {
        return baseFileName;
    }
    // The extension starts at the last dot, unless that dot begins or ends the name or belongs to
    // a folder or a dot file (C:\logs.d\run, C:\logs\.hidden): then the whole name is the stem.
    std::string stem = baseFileName;
    std::string extension;
    const std::size_t dot = baseFileName.rfind('.');
    if (dot != std::string::npos && dot != 0 && dot != baseFileName.size() - 1) {
        const std::size_t sep = baseFileName.find_last_of("\\/");
        if (sep == std::string::npos || sep < dot - 1) {
            stem = baseFileName.substr(0, dot);
            extension = baseFileName.substr(dot);
        }
    }
    return fmt::format("{}.{}{}", stem, index, extension);
}

void ProtectedRotatingFileSink::sink_it_(const spdlog::details::log_msg& msg) {
    spdlog::memory_buf_t formatted;
    formatter_->format(msg, formatted);
    if (!m_file.IsOpen()) {
        // The reopen at the end of an earlier rotation failed. Appending keeps whatever is in the
        // base file; after a completed shift there is none, and a fresh file begins.
        m_file.Reopen(false);
        m_currentSize = m_file.Size();
    }
    m_currentSize += formatted.size();
    if (m_currentSize > m_sizeLimit) {
        const std::string failure = Rotate();
        m_currentSize = formatted.size();
        if (!failure.empty()) {
            // Said in the file itself: the log can't take a statement of its own from inside the sink.
            spdlog::memory_buf_t note;
            formatter_->format(spdlog::details::log_msg(msg.logger_name, spdlog::level::warn, failure), note);
            m_file.Write(note);
        }
    }
    m_file.Write(formatted);
}

void ProtectedRotatingFileSink::flush_() {
    m_file.Flush();
}

std::string ProtectedRotatingFileSink::Rotate() {
    m_file.Close();
    bool targetMoved = false; // the step before moved this step's target on
    for (std::uint64_t i = m_backupCount; i > 0; --i) {
        const std::string source = FileNameByIndex(m_baseFileName, i - 1);
        if (!PathExists(source)) {
            targetMoved = false;
            continue;
        }
        const std::string target = FileNameByIndex(m_baseFileName, i);
        targetMoved = MoveReplacing(source, target, targetMoved);
        if (targetMoved) {
            continue;
        }
        // Another program (a virus scanner, an editor) may hold the file for a moment, or has put
        // a file where the step before had moved one away.
        Sleep(100);
        targetMoved = MoveReplacing(source, target, false);
        if (!targetMoved) {
            const DWORD error = GetLastError();
            // The moves made so far only shifted older backups: the current file is still in place,
            // and the log goes on in it until the next try.
            m_file.Reopen(false);
            return fmt::format("log rotation stopped: {} could not be renamed to {} (error {}); the log goes on in "
                               "this file",
                               source, target, error);
        }
    }
    m_file.Reopen(true);
    return {};
}
