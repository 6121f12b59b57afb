// Opening the privacy statement, the user agreement, the change notice and the open-source notice.
// The addresses come from "config\url.xml" beside the executable, read anew at every click. This
// process runs elevated, and a browser it started would be elevated too, with every page and file
// dialog it then shows: so it starts nothing itself. Every document opens through the signed-in
// user's desktop shell, which starts the browser with the user's ordinary rights. Only https:
// addresses and documents inside the program's own folder ("docs\", "res\Notice\") are opened,
// each handed over whole, as the item the shell opens or as the one argument of the maker's
// browser, never pasted into a command line. When no desktop shell can start it, nothing starts:
// the result then carries the document's address so that the window can tell the user where it is.
#pragma once

#include <functional>
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

enum class LinkStatus {
    Opened,        // the desktop shell accepted the request
    NotConfigured, // config\url.xml has no such link: the click does nothing (not logged)
    Refused,       // neither an https: address nor a document in the program's folder (logged)
    NotStarted,    // no desktop shell could start it; nothing was started (logged)
};

struct LinkResult {
    LinkStatus status = LinkStatus::NotConfigured;
    // Where the document is (the https: address or the document's path), for the message a window
    // shows when the status is NotStarted. Empty unless the target was accepted.
    std::wstring address;
};

// What an accepted target gives the shell: the item it opens with the user's own program for it
// (the address, or the document's full path), and the same as one address for the maker's
// browser's command line (a document as a file: address), which holds no blank and no quote.
struct LinkTarget {
    std::wstring item;
    std::wstring argument;
};

// Accepts an https: address made only of the characters an address may hold, or a file: address
// or full path of an existing document in `programFolder`'s "docs\" or "res\Notice\" folders, in
// the plain form the program writes (no "." or ".." steps, no streams). Refused: empty `item`.
[[nodiscard]] LinkTarget ResolveLinkTarget(const std::wstring& target, const std::wstring& programFolder);

// The process-wide browser path lent to OpenLink; its content counts only when FindBrowser
// has just reported success.
std::wstring& BrowserPath();

// True when <Config> in config\url.xml has a child element named exactly `key` (the first one
// wins); `url` gets its "url" attribute only when that attribute exists.
[[nodiscard]] bool ReadUrlConfig(const std::string& key, std::string& url);
// Opens the link of `key` from config\url.xml as OpenDocument does; NotConfigured when the file
// or the element is missing.
[[nodiscard]] LinkResult OpenConfiguredLink(const char* key);
// Open the configured link; true when the link was found in the configuration.
[[nodiscard]] bool OpenPrivacyStatement();
[[nodiscard]] bool OpenUserAgreement();
// Looks the browser up through its uninstall entry. On success `path` holds the browser's full
// path; when the entry names a folder without the browser, `path` is emptied.
[[nodiscard]] bool FindBrowser(std::wstring& path);
// Opens `target` (see ResolveLinkTarget) through the desktop shell: in the maker's browser when
// FindBrowser finds it, and with the user's own program for it when there is none or it fails.
[[nodiscard]] LinkResult OpenDocument(std::wstring& browserPath, const std::wstring& target);
// What tells the user where a document is when nothing could start it (the program shows its
// message window; nothing by default). Called by OpenDocument with the result's address.
using NotStartedNotice = std::function<void(const std::wstring& address)>;
void SetNotStartedNotice(NotStartedNotice notice);

// OpenDocument for callers that only need to know whether the desktop shell accepted the request.
[[nodiscard]] bool OpenLink(std::wstring& browserPath, const std::wstring& target);

} // namespace NvPcPrivacySecurity
