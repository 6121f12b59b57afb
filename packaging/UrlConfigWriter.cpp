// Run by the installer (from its temporary folder, never installed): writes config\url.xml for the
// folder the user chose, from the template in which @DOCS_URL@ stands for the docs folder. The
// address is a file URL whose every byte outside [A-Za-z0-9-._~/:] is percent-encoded as UTF-8, so
// the file stays plain ASCII whatever the folder's name (the build's DeployLinks.cmake does the same).
//   UrlConfigWriter <template> <output> <install folder>
#include "common/UniqueHandle.h"

#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ToUtf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                            nullptr);
    }
    return utf8;
}

std::string DocsUrl(std::wstring folder) {
    for (wchar_t& c : folder) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    while (!folder.empty() && folder.back() == L'/') {
        folder.pop_back();
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

int Run(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    std::ifstream in(std::filesystem::path(argv[1]), std::ios::binary);
    if (!in) {
        return 3;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    const std::string token = "@DOCS_URL@";
    const std::string url = DocsUrl(argv[3]);
    for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + url.size())) {
        text.replace(at, token.size(), url);
    }
    // Written beside the target and moved over it, so a failure never leaves half a file.
    const std::wstring output = argv[2];
    const std::wstring partial = output + L".tmp";
    {
        std::ofstream out(std::filesystem::path(partial), std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            return 4;
        }
    }
    return MoveFileExW(partial.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}

} // namespace

int main() {
    int argc = 0;
    const unique_local<wchar_t**> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!argv) {
        return 1;
    }
    try {
        return Run(argc, argv.get());
    } catch (const std::exception&) {
        return 6;
    }
}
