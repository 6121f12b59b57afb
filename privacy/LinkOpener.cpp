#include "privacy/LinkOpener.h"

#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"

#include <pathcch.h>
#include <shellapi.h>
#include <tinyxml2.h>

namespace NvPcPrivacySecurity {

namespace {

constexpr wchar_t kOpenVerb[] = L"Open";

// Opens a link found in the configuration; whether it actually opened is not the caller's
// concern (the click simply does nothing visible).
bool OpenConfiguredLink(const char* key) {
    std::string url;
    const bool found = ReadUrlConfig(key, url);
    if (found) {
        // The result tells whether the link was configured, not whether a browser came up.
        (void)OpenLink(BrowserPath(), AnsiToWide(url));
    }
    return found;
}

} // namespace

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

bool OpenPrivacyStatement() {
    return OpenConfiguredLink(kPrivacyStatementKey);
}

bool OpenUserAgreement() {
    return OpenConfiguredLink(kUserAgreementKey);
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

bool OpenLink(std::wstring& browserPath, const std::wstring& target) {
    const std::wstring parameters = L" \"" + target + L"\"";
    const bool useBrowser = FindBrowser(browserPath);
    const wchar_t* file = useBrowser ? browserPath.c_str() : kExplorerPath;

    // This process runs elevated, and so would a browser it starts itself, with every page it
    // then opens. The desktop's shell starts it as the signed-in user instead; only when there is
    // no shell to ask, or it could not start the program, is it started from here.
    if (Seams::DesktopShellExecute(kOpenVerb, file, parameters.c_str(), SW_SHOW)) {
        return true;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = kOpenVerb;
    info.lpFile = file;
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOW;
    BOOL opened = Seams::ShellExecuteExW(&info);
    if (!opened && useBrowser) {
        info.lpFile = kExplorerPath;
        opened = Seams::ShellExecuteExW(&info);
    }
    // We never wait for the started program; only release the handle the shell gave back.
    unique_handle process(opened ? info.hProcess : nullptr);
    return opened != FALSE;
}

} // namespace NvPcPrivacySecurity
