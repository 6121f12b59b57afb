// Opening the privacy statement, the user agreement, the change notice and local files. The
// addresses come from "config\url.xml" beside the executable, read anew at every click; a link
// opens in the maker's browser when it is installed, otherwise through explorer.exe, started as
// the signed-in user through the desktop's shell whenever there is one. Every failure here is
// silent: a link that cannot be read or opened simply does nothing.
#pragma once

#include <string>

namespace NvPcPrivacySecurity {

// Element names in config\url.xml.
inline constexpr char kPrivacyStatementKey[] = "PrivacyStatement";
inline constexpr char kUserAgreementKey[] = "UserAgreement";
inline constexpr char kChangeNoticeKey[] = "ChangeNoticaty";

// The maker's browser: its uninstall entry (32-bit registry view) and executable name.
inline constexpr wchar_t kBrowserUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Norvane NorvaneBrowser";
inline constexpr wchar_t kBrowserExeName[] = L"NorvaneBrowser.exe";
inline constexpr wchar_t kExplorerPath[] = L"C:\\Windows\\explorer.exe";

// The process-wide browser path lent to OpenLink; its content counts only when FindBrowser
// has just reported success.
std::wstring& BrowserPath();

// True when <Config> in config\url.xml has a child element named exactly `key` (the first one
// wins); `url` gets its "url" attribute only when that attribute exists.
[[nodiscard]] bool ReadUrlConfig(const std::string& key, std::string& url);
// Open the configured link; true when the link was found in the configuration.
[[nodiscard]] bool OpenPrivacyStatement();
[[nodiscard]] bool OpenUserAgreement();
// Looks the browser up through its uninstall entry. On success `path` holds the browser's full
// path; when the entry names a folder without the browser, `path` is emptied.
[[nodiscard]] bool FindBrowser(std::wstring& path);
// Starts the browser (or explorer.exe) with ` "target"`: through the desktop's shell first, so
// it runs without this process's elevation, else with ShellExecuteExW (once more with explorer.exe
// when the browser fails). True when a shell accepted the request.
[[nodiscard]] bool OpenLink(std::wstring& browserPath, const std::wstring& target);

} // namespace NvPcPrivacySecurity
