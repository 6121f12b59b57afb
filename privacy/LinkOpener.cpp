#include "privacy/LinkOpener.h"

#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"

#include <windows.h>
#include <pathcch.h>
#include <tinyxml2.h>

#include <initializer_list>
#include <string_view>

namespace NvPcPrivacySecurity {

namespace {

constexpr wchar_t kOpenVerb[] = L"Open";
// Longer than any address a browser takes, and than any path in the program's folder.
constexpr std::size_t kMaxTargetChars = 2048;

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

bool IsAsciiAlnum(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// The characters an address is written in (letters, digits, "-._~", the delimiters and "%"): no
// blank, quote, angle bracket, backslash or control character. Such an address is one argument of
// any command line as it stands, so nothing is ever quoted around it.
bool IsAddress(std::wstring_view text) {
    for (const wchar_t c : text) {
        if (!IsAsciiAlnum(c) && std::wstring_view(L"-._~:/?#[]@!$&'()*+,;=%").find(c) == std::wstring_view::npos) {
            return false;
        }
    }
    return true;
}

// "file:///C:/Program%20Files/..." as the path "C:\Program Files\..."; empty when it is not a
// local file address (a host, as in file://server/share, is not) or does not decode as UTF-8.
std::wstring PathFromFileAddress(std::wstring_view address) {
    constexpr std::wstring_view kLocalFile = L"file:///";
    if (!StartsWithNoCase(address, kLocalFile) || !IsAddress(address)) {
        return {};
    }
    std::string bytes;
    for (std::size_t i = kLocalFile.size(); i < address.size(); ++i) {
        if (address[i] != L'%') {
            bytes += address[i] == L'/' ? '\\' : static_cast<char>(address[i]);
            continue;
        }
        const int high = i + 2 < address.size() ? HexValue(address[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(address[i + 2]) : -1;
        if (low < 0) {
            return {};
        }
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring path(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length <= 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                           path.data(), length) != length) {
        return {};
    }
    return path;
}

// The file: address of a full path, every byte outside [A-Za-z0-9-._~:/] percent-encoded as UTF-8
// (the form the installer writes into url.xml).
std::wstring FileAddressOf(const std::wstring& path) {
    const std::string utf8 = [&path] {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
        (void)WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), bytes.data(), size, nullptr,
                                  nullptr);
        return bytes;
    }();
    constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring address = L"file:///";
    for (const char byte : utf8) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\\') {
            address += L'/';
        } else if (IsAsciiAlnum(c) || std::string_view("-._~:").find(static_cast<char>(c)) != std::string_view::npos) {
            address += static_cast<wchar_t>(c);
        } else {
            address += L'%';
            address += static_cast<wchar_t>(kHex[c >> 4]);
            address += static_cast<wchar_t>(kHex[c & 0xF]);
        }
    }
    return address;
}

// The long form of an existing entry's full path (no 8.3 short names); empty when it can't be had.
std::wstring LongPathOf(const std::wstring& path) {
    const DWORD size = GetLongPathNameW(path.c_str(), nullptr, 0);
    std::wstring result(size, L'\0');
    const DWORD length = size > 0 ? GetLongPathNameW(path.c_str(), result.data(), size) : 0;
    if (length == 0 || length >= size) {
        return {};
    }
    result.resize(length);
    return result;
}

// Whether `path` is a full path in the plain form the program writes: a drive, then steps
// separated by single backslashes, none of them "." or "..", none ending in a dot or a blank
// (Windows drops those, so ".. " would mean ".."), no stream and no character a file name can't
// hold. A path in any other form could lead elsewhere than its text seems to say.
bool IsPlainFullPath(const std::wstring& path) {
    const wchar_t drive = path.empty() ? L'\0' : static_cast<wchar_t>(path[0] | 0x20);
    if (path.size() < 4 || drive < L'a' || drive > L'z' || path[1] != L':' || path[2] != L'\\') {
        return false;
    }
    for (std::size_t start = 3;;) {
        const std::size_t end = path.find(L'\\', start);
        const std::wstring_view step =
            std::wstring_view(path).substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (step.empty() || step.back() == L'.' || step.back() == L' ' ||
            step.find_first_of(L"\"*/:<>?|") != std::wstring_view::npos) {
            return false;
        }
        for (const wchar_t c : step) {
            if (c < 0x20) {
                return false;
            }
        }
        if (end == std::wstring::npos) {
            return true;
        }
        start = end + 1;
    }
}

// Whether `path` names an existing file inside "docs\" or "res\Notice\" of the program's folder,
// compared in their long forms (an 8.3 short name is the same file).
bool IsProgramDocument(const std::wstring& path, const std::wstring& programFolder) {
    if (!IsPlainFullPath(path) || !IsExistingFile(path.c_str())) {
        return false;
    }
    const std::wstring document = LongPathOf(path);
    const std::wstring folder = LongPathOf(programFolder);
    if (document.empty() || folder.empty()) {
        return false;
    }
    for (const wchar_t* documents : {L"\\docs\\", L"\\res\\Notice\\"}) {
        const std::wstring prefix = folder + documents;
        if (document.size() > prefix.size() && StartsWithNoCase(document, prefix)) {
            return true;
        }
    }
    return false;
}

} // namespace

LinkTarget ResolveLinkTarget(const std::wstring& target, const std::wstring& programFolder) {
    if (target.size() > kMaxTargetChars) {
        return {};
    }
    constexpr std::wstring_view kHttps = L"https://";
    if (StartsWithNoCase(target, kHttps)) {
        // A host must follow: "https:///x" names none.
        if (target.size() > kHttps.size() && target[kHttps.size()] != L'/' && IsAddress(target)) {
            return {target, target};
        }
        return {};
    }
    const std::wstring document = StartsWithNoCase(target, L"file:") ? PathFromFileAddress(target) : target;
    if (!IsProgramDocument(document, programFolder)) {
        return {};
    }
    return {document, FileAddressOf(document)};
}

std::wstring& BrowserPath() {
    static std::wstring path; // initialised once, safely, on first use
    return path;
}

bool ReadUrlConfig(const std::string& key, std::string& url) {
    const std::wstring path = BesideExePath(L"config\\url.xml");
    if (path.empty() || !IsExistingFile(path.c_str())) {
        return false;
    }
    const std::string narrowPath = WideToAnsi(path);
    if (narrowPath.empty()) {
        return false;
    }
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.LoadFile(narrowPath.c_str()) != tinyxml2::XML_SUCCESS) {
        return false;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("Config");
    if (root == nullptr) {
        return false;
    }
    for (const tinyxml2::XMLElement* child = root->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const char* name = child->Name();
        if (name == nullptr || key != name) {
            continue;
        }
        if (const char* value = child->Attribute("url"); value != nullptr) {
            url = value;
        }
        return true;
    }
    return false;
}

LinkResult OpenConfiguredLink(const char* key) {
    std::string url;
    if (!ReadUrlConfig(key, url)) {
        return {};
    }
    return OpenDocument(BrowserPath(), AnsiToWide(url));
}

bool OpenPrivacyStatement() {
    // The result tells whether the link was configured, not whether a browser came up.
    return OpenConfiguredLink(kPrivacyStatementKey).status != LinkStatus::NotConfigured;
}

bool OpenUserAgreement() {
    return OpenConfiguredLink(kUserAgreementKey).status != LinkStatus::NotConfigured;
}

bool FindBrowser(std::wstring& path) {
    // The browser is a 32-bit program: its uninstall entry lives in the 32-bit view.
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrowserUninstallKey, 0, KEY_READ | KEY_WOW64_32KEY, key.put()) !=
            ERROR_SUCCESS ||
        !key) {
        return false;
    }
    wchar_t location[MAX_PATH]{};
    DWORD type = REG_SZ;
    DWORD size = sizeof(location);
    if (RegQueryValueExW(key.get(), L"InstallLocation", nullptr, &type, reinterpret_cast<BYTE*>(location), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    // A value that fills the buffer completely carries no terminator of its own.
    location[MAX_PATH - 1] = L'\0';
    wchar_t combined[MAX_PATH]{};
    if (PathCchCombine(combined, MAX_PATH, location, kBrowserExeName) != S_OK) {
        return false;
    }
    path = combined;
    if (IsExistingFile(combined)) {
        return true;
    }
    path.clear();
    return false;
}

namespace {
NotStartedNotice& Notice() {
    static NotStartedNotice notice;
    return notice;
}
} // namespace

void SetNotStartedNotice(NotStartedNotice notice) {
    Notice() = std::move(notice);
}

LinkResult OpenDocument(std::wstring& browserPath, const std::wstring& target) {
    const std::wstring programFolder = GetModuleDirectory();
    const LinkTarget resolved = programFolder.empty() ? LinkTarget{} : ResolveLinkTarget(target, programFolder);
    if (resolved.item.empty()) {
        LOG_ERROR(L"link refused, only https addresses and documents in the program's folder open: " << target);
        return {LinkStatus::Refused, {}};
    }
    // The desktop shell starts the program as the signed-in user. Without it nothing is started
    // from here: whatever this process starts runs as administrator.
    if (FindBrowser(browserPath) &&
        Seams::DesktopShellExecute(kOpenVerb, browserPath.c_str(), resolved.argument.c_str(), SW_SHOW)) {
        return {LinkStatus::Opened, resolved.item};
    }
    if (Seams::DesktopShellExecute(kOpenVerb, resolved.item.c_str(), L"", SW_SHOW)) {
        return {LinkStatus::Opened, resolved.item};
    }
    LOG_ERROR(L"link not opened, no desktop shell started it as the signed-in user: " << resolved.item);
    if (Notice()) {
        Notice()(resolved.item);
    }
    return {LinkStatus::NotStarted, resolved.item};
}

bool OpenLink(std::wstring& browserPath, const std::wstring& target) {
    return OpenDocument(browserPath, target).status == LinkStatus::Opened;
}

} // namespace NvPcPrivacySecurity
