// File helpers for the log tests: whole-file reads, the read-only attribute, and removing a tree
// with everything in it (the sink leaves its closed files read-only, which a plain delete refuses).
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace LogTestFiles {

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

} // namespace LogTestFiles
