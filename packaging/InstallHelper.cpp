// LullgateInstallHelper.exe: the steps of an installation that NSIS and Windows Installer can't take
// themselves. The NSIS setup runs it from its temporary folder to check and secure the chosen
// folder before writing any file there ("check", "prepare"); everything else runs it from the
// install folder, once that folder is secured, so nothing it reads can have been changed by a
// standard user. Each failure is printed and added to setup.log in the admin log folder.
//
//   LullgateInstallHelper check <install folder>     exit 10 when the folder is refused
//   LullgateInstallHelper prepare <install folder>   the log tree, then the folder secured (10: refused)
//   LullgateInstallHelper url [<install folder>]     config\url.xml written (13 on failure)
//   LullgateInstallHelper remove-url [<install folder>]
//   LullgateInstallHelper add-task [<install folder>] | remove-task
//                                                    the reminder's scheduled task (14 on failure)
//
// The install folder is the helper's own unless given: no program can be started from a folder
// whose path is longer than MAX_PATH, so for such a folder the setup runs these steps from its
// temporary copy too.
//
// config\url.xml comes from the template built into this program, in which @DOCS_URL@ stands for
// the docs folder: a file URL whose every byte outside [A-Za-z0-9-._~/:] is percent-encoded as
// UTF-8, so the file stays plain ASCII whatever the folder's name (privacy/DeployLinks.cmake does
// the same for the build tree).
#include "common/ModulePath.h"
#include "common/UniqueHandle.h"
#include "packaging/InstallSecurity.h"
#include "packaging/ReminderTask.h"
#include "packaging/Utf8.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

namespace {

constexpr wchar_t kProduct[] = L"Lullgate";
constexpr int kUrlTemplateResource = 101;

enum ExitCode : int {
    kDone = 0,
    kWrongUse = 2,
    kFolderRefused = 10,
    kUrlFailed = 13,
    kTaskFailed = 14,
    kUnexpected = 20,
};

// Printed for the installer (nsExec reads the ANSI code page) and kept in setup.log.
int Fail(int code, const std::wstring& why) {
    const std::string line = [&why] {
        const int size = WideCharToMultiByte(CP_ACP, 0, why.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string ansi(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
        WideCharToMultiByte(CP_ACP, 0, why.c_str(), -1, ansi.data(), size, nullptr, nullptr);
        return std::string(ansi.c_str());
    }();
    std::fputs((line + "\n").c_str(), stdout);
    InstallSecurity::AppendInstallLog(kProduct, why);
    return code;
}

std::string DocsUrl(std::wstring folder) {
    for (wchar_t& c : folder) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    folder += L"/docs";
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file:///";
    for (const char signedByte : ToUtf8(folder)) {
        const auto byte = static_cast<unsigned char>(signedByte);
        const bool plain = (byte >= '0' && byte <= ':') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= 'a' && byte <= 'z') || byte == '-' || byte == '.' || byte == '/' || byte == '_' ||
                           byte == '~';
        if (plain) {
            url += static_cast<char>(byte);
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

std::string_view UrlTemplate() {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kUrlTemplateResource), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    return data == nullptr ? std::string_view()
                           : std::string_view(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

int WriteUrlConfig(const std::wstring& folder) {
    std::string text(UrlTemplate());
    if (text.empty()) {
        return Fail(kUrlFailed, L"config\\url.xml: the template is missing from the helper");
    }
    const std::string token = "@DOCS_URL@";
    const std::string url = DocsUrl(folder);
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + url.size())) {
        text.replace(at, token.size(), url);
    }
    // Written beside the target and moved over it, so a failure never leaves half a file.
    const std::wstring output = folder + L"\\config\\url.xml";
    const std::wstring partial = output + L".tmp";
    {
        const unique_file_handle file(
            CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size()) {
            return Fail(kUrlFailed, partial + L" can't be written (error " + std::to_wstring(GetLastError()) + L")");
        }
    }
    if (!MoveFileExW(partial.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        DeleteFileW(partial.c_str());
        return Fail(kUrlFailed, output + L" can't be written (error " + std::to_wstring(error) + L")");
    }
    return kDone;
}

int Run(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    std::wstring why;
    if ((command == L"check" || command == L"prepare") && argc == 3) {
        if (command == L"prepare" && !InstallSecurity::CreateLogTree(kProduct, why)) {
            // The program refuses such a log tree as well and then logs nothing; installing goes on.
            (void)Fail(kDone, L"The log folders are not made: " + why);
        }
        const bool ready = command == L"check" ? (why = InstallSecurity::InstallFolderRefusal(argv[2])).empty()
                                               : InstallSecurity::SecureInstallFolder(argv[2], why);
        return ready ? kDone
                     : Fail(kFolderRefused, L"Lullgate can't be installed into " + std::wstring(argv[2]) + L": " + why +
                                                L". Choose another folder.");
    }
    if (argc != 2 && argc != 3) {
        return kWrongUse;
    }
    std::wstring folder = argc == 3 ? std::wstring(argv[2]) : GetModuleDirectory();
    while (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    if (folder.empty()) {
        return Fail(kUnexpected, L"The install folder can't be found");
    }
    if (command == L"url") {
        return WriteUrlConfig(folder);
    }
    if (command == L"remove-url") {
        const std::wstring file = folder + L"\\config\\url.xml";
        return DeleteFileW(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND
                   ? kDone
                   : Fail(kUrlFailed, file + L" can't be removed (error " + std::to_wstring(GetLastError()) + L")");
    }
    if (command == L"add-task") {
        return ReminderTask::Register(folder, why)
                   ? kDone
                   : Fail(kTaskFailed, L"The reminder's task is not registered: " + why);
    }
    if (command == L"remove-task") {
        return ReminderTask::Remove(why) ? kDone : Fail(kTaskFailed, L"The reminder's task is not removed: " + why);
    }
    return kWrongUse;
}

} // namespace

int main() {
    // Run from a temporary folder by the setup: no library is taken from beside it.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    int argc = 0;
    const unique_local<wchar_t**> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv) {
        return kUnexpected;
    }
    try {
        return Run(argc, argv.get());
    } catch (const std::exception&) {
        return kUnexpected;
    }
}
