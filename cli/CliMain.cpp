// lullgate-cli.exe: sets up the log when elevated (its own section of config\logConfig.cfg, named
// after this executable), runs the command and writes what it produced: wide characters to a console, UTF-8
// without a byte-order mark when redirected, so that PowerShell's ConvertFrom-Json reads it.
#include "cli/Cli.h"
#include "duilib/UICulture.h"
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"

#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <sstream>
#include <string>
#include <vector>

namespace {

void WriteAll(DWORD which, const std::wstring& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        (void)WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // Line ends as Windows tools write them.
    std::wstring crlf;
    for (const wchar_t c : text) {
        if (c == L'\n') {
            crlf += L'\r';
        }
        crlf += c;
    }
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return;
    }
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), utf8.data(), size, nullptr, nullptr);
    (void)WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

int RunProgram() {
    int argc = 0;
    const unique_local<wchar_t**> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < argc; ++i) {
        args.emplace_back(argv.get()[i]);
    }
    // Only an elevated run logs. The log folders must be made by an administrator's process (the
    // elevated log set-up refuses folders an ordinary user could have made), so a plain `status`
    // from a normal prompt must not be the one to make them.
    DWORD elevated = 0;
    DWORD length = 0;
    if (Seams::QueryTokenElevation(&elevated, &length) && elevated != 0) {
        LogManager::GetInstance().SetLogDirectory("Lullgate");
        LogManager::GetInstance().Initialize();
    }
    // The program's English texts, from the string table shipped beside it: scripts and their logs
    // read the same words on every machine, whatever the display language.
    DuiLib::UICulture::GetInstance()->SetStringPath(BesideExePath(L"res\\values").c_str());
    DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
    std::wostringstream out;
    std::wostringstream err;
    const int code = NvLullgate::Cli::Run(args, out, err);
    WriteAll(STD_OUTPUT_HANDLE, out.str());
    WriteAll(STD_ERROR_HANDLE, err.str());
    return code;
}

} // namespace

int wmain() {
    // Libraries come from System32 only, never from the folder the tool was copied to.
    (void)SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    try {
        return RunProgram();
    } catch (const std::exception&) {
        WriteAll(STD_ERROR_HANDLE, L"lullgate-cli: out of memory\n");
        return NvLullgate::Cli::kFailed;
    }
}
