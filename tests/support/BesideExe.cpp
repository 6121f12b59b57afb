#include "tests/support/BesideExe.h"

#include "common/ModulePath.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush().good();
}

BesideExeFiles::BesideExeFiles() : m_dir(GetModuleDirectory()) {
    m_mutex = CreateMutexW(nullptr, FALSE, L"Local\\LullgateTests-BesideExeFiles");
    if (m_mutex != nullptr) {
        WaitForSingleObject(m_mutex, INFINITE); // WAIT_ABANDONED also makes us the owner
    }
}

BesideExeFiles::~BesideExeFiles() {
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        Remove(*it);
    }
    for (auto it = m_dirs.rbegin(); it != m_dirs.rend(); ++it) {
        RemoveDirectoryW(it->c_str());
    }
    if (m_mutex != nullptr) {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
}

bool BesideExeFiles::MakeParents(const std::wstring& relative) {
    for (size_t slash = relative.find(L'\\'); slash != std::wstring::npos; slash = relative.find(L'\\', slash + 1)) {
        const std::wstring dir = Path(relative.substr(0, slash));
        if (CreateDirectoryW(dir.c_str(), nullptr)) {
            m_dirs.push_back(dir);
        } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return true;
}

bool BesideExeFiles::Write(const std::wstring& relative, std::string_view bytes) {
    m_files.push_back(relative);
    return MakeParents(relative) && WriteWholeFile(Path(relative), bytes);
}

void BesideExeFiles::Remove(const std::wstring& relative) {
    DeleteFileW(Path(relative).c_str());
    RemoveDirectoryW(Path(relative).c_str());
}

ScratchDirectory::ScratchDirectory() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"LullgateTests-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(m_path), ignored);
}

bool ScratchDirectory::Write(const std::wstring& name, std::string_view bytes) const {
    return WriteWholeFile(m_path + L"\\" + name, bytes);
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::wstring& dir)
    : m_previous(std::filesystem::current_path().wstring()) {
    SetCurrentDirectoryW(dir.c_str());
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    SetCurrentDirectoryW(m_previous.c_str());
}
