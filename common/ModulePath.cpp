#include "common/ModulePath.h"

#include <windows.h>

std::wstring GetModulePath() {
    // Paths may exceed MAX_PATH on systems with long paths enabled: grow until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring GetModuleDirectory() {
    std::wstring path = GetModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    path.resize(slash);
    return path;
}

std::wstring BesideExePath(const wchar_t* name) {
    const std::wstring dir = GetModuleDirectory();
    if (dir.empty() || name == nullptr) {
        return {};
    }
    return dir + L'\\' + name;
}

bool IsExistingFile(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return path != nullptr && GetFileAttributesExW(path, GetFileExInfoStandard, &data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
