// File helpers for the log tests: scratch folders that are removed with everything in them (the
// sink leaves its closed files read-only, which a plain delete refuses), whole-file reads, and
// the read-only attribute.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace LogTestFiles {

inline bool Exists(const std::filesystem::path& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsReadOnly(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

inline void SetReadOnly(const std::filesystem::path& path, bool readOnly) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    SetFileAttributesW(path.c_str(), readOnly ? (attributes | FILE_ATTRIBUTE_READONLY)
                                              : (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)));
}

// The file's bytes; empty when it can't be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Removes a folder tree, clearing read-only attributes first.
inline void RemoveTree(const std::filesystem::path& root) {
    std::error_code error;
    if (!std::filesystem::exists(root, error)) {
        return;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
        SetReadOnly(entry.path(), false);
    }
    SetReadOnly(root, false);
    std::filesystem::remove_all(root, error);
}

// A fresh folder under the temp folder, removed with its contents at the end of the test.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        m_path = std::filesystem::path(temp) / (name + L"-" + std::to_wstring(GetCurrentProcessId()));
        RemoveTree(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() { RemoveTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    // The narrow form the sink takes (these folders are ASCII).
    [[nodiscard]] std::string Narrow(const std::wstring& relative) const { return (m_path / relative).string(); }

private:
    std::filesystem::path m_path;
};

} // namespace LogTestFiles
