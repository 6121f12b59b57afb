// Files that a test places beside its own executable (where the program looks for version.xml
// and config\url.xml) and removes again. ctest runs the cases of one test exe as parallel
// processes sharing that folder, so a holder also owns a named mutex for its whole life.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// A whole file's bytes (empty when it cannot be read), and a whole file written as the bytes given.
std::string ReadWholeFile(const std::wstring& path);
[[nodiscard]] bool WriteWholeFile(const std::wstring& path, std::string_view bytes);

class BesideExeFiles {
public:
    BesideExeFiles();
    ~BesideExeFiles();
    BesideExeFiles(const BesideExeFiles&) = delete;
    BesideExeFiles& operator=(const BesideExeFiles&) = delete;

    // `relative` is relative to the exe's folder, e.g. L"config\\url.xml"; missing parent folders
    // are made (and removed afterwards). The bytes are written as they are.
    bool Write(const std::wstring& relative, std::string_view bytes);
    bool MakeDirectory(const std::wstring& relative) { return MakeParents(relative + L"\\"); }
    // Removes a file or empty folder now (for "the file is missing" cases).
    void Remove(const std::wstring& relative);
    std::wstring Path(const std::wstring& relative) const { return m_dir + L"\\" + relative; }

private:
    bool MakeParents(const std::wstring& relative);

    HANDLE m_mutex = nullptr;
    std::wstring m_dir;
    std::vector<std::wstring> m_files; // removed in reverse order
    std::vector<std::wstring> m_dirs;
};

// A fresh folder under %TEMP%, deleted with everything in it afterwards.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::wstring& Path() const { return m_path; }
    bool Write(const std::wstring& name, std::string_view bytes) const;

private:
    std::wstring m_path;
};

// Makes `dir` the working directory while it lives.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::wstring& dir);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    std::wstring m_previous;
};
