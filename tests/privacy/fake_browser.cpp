// Stands in for the maker's browser in the one test that really calls ShellExecuteExW: writes its
// own command line (UTF-8) to command-line.txt beside itself and exits.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t path[MAX_PATH]{};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, length);
    dir.resize(dir.find_last_of(L'\\') + 1);
    const wchar_t* commandLine = GetCommandLineW();
    std::string utf8(4 * wcslen(commandLine) + 1, '\0');
    const int converted =
        WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(converted > 0 ? static_cast<std::size_t>(converted - 1) : 0);
    // Written under another name first so that the test never reads half a line.
    const std::wstring partial = dir + L"command-line.tmp";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(partial.c_str(), (dir + L"command-line.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
