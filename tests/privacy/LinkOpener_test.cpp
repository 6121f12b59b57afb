#include "privacy/LinkOpener.h"
#include "common/ModulePath.h"
#include "common/StringConv.h"
#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace privacy = NvPcPrivacySecurity;

namespace {

const std::wstring kExplorer = L"C:\\Windows\\explorer.exe";

// One ShellExecuteExW request as the seam saw it, as text, so that a mismatch prints readably.
std::wstring Describe(const SHELLEXECUTEINFOW& info) {
    const auto text = [](const wchar_t* t) { return t != nullptr ? L"[" + std::wstring(t) + L"]" : L"null"; };
    const bool restZero = info.hwnd == nullptr && info.hInstApp == nullptr && info.lpIDList == nullptr &&
                          info.lpClass == nullptr && info.hkeyClass == nullptr && info.dwHotKey == 0 &&
                          info.hIcon == nullptr && info.hProcess == nullptr;
    return std::to_wstring(info.cbSize) + L" mask " + std::to_wstring(info.fMask) + L" " + text(info.lpVerb) + L" " +
           text(info.lpFile) + L" " + text(info.lpParameters) + L" dir " + text(info.lpDirectory) + L" show " +
           std::to_wstring(info.nShow) + (restZero ? L"" : L" and other members set");
}

std::wstring Expected(const std::wstring& file, const std::wstring& parameters) {
    return L"112 mask " + std::to_wstring(SEE_MASK_NOCLOSEPROCESS) + L" [Open] [" + file + L"] [" + parameters +
           L"] dir null show " + std::to_wstring(SW_SHOW);
}

// Records every request instead of starting anything; answers from a list of results (default:
// success, with a real handle as the started process so the test can see it closed).
class ShellRecorder {
public:
    ShellRecorder() {
        Seams::SetShellExecuteEx([this](SHELLEXECUTEINFOW* info) {
            calls.push_back(Describe(*info));
            const BOOL result = results.empty() ? TRUE : results.front();
            if (!results.empty()) {
                results.pop_front();
            }
            if (result) {
                info->hProcess = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                processes.push_back(info->hProcess);
            }
            return result;
        });
    }
    ~ShellRecorder() { Seams::SetShellExecuteEx(nullptr); }

    std::vector<std::wstring> calls;
    std::deque<BOOL> results;
    std::vector<HANDLE> processes;
};

// Records every request to the desktop's shell; answers from a list of results (default: failure,
// so that the calls made from this process follow as without a desktop shell).
class DesktopRecorder {
public:
    DesktopRecorder() {
        Seams::SetDesktopShellExecute([this](LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int show) {
            calls.push_back(Desktop(verb, file, parameters, show));
            const bool result = !results.empty() && results.front();
            if (!results.empty()) {
                results.pop_front();
            }
            return result;
        });
    }
    ~DesktopRecorder() { Seams::SetDesktopShellExecute(nullptr); }

    static std::wstring Desktop(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                                int show = SW_SHOW) {
        return L"[" + verb + L"] [" + file + L"] [" + parameters + L"] show " + std::to_wstring(show);
    }

    std::vector<std::wstring> calls;
    std::deque<bool> results;
};

bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

const std::wstring kBrowserKey = privacy::kBrowserUninstallKey;

class LinkTest : public RegistrySandboxTest {
protected:
    void SetUp() override {
        RegistrySandboxTest::SetUp();
        privacy::BrowserPath().clear();
    }
    // The maker's browser installed in a scratch folder (the sandbox joins the registry views).
    void InstallBrowser(bool withExe) {
        ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kBrowserKey, L"InstallLocation", m_browserDir.Path()));
        if (withExe) {
            ASSERT_TRUE(m_browserDir.Write(L"NorvaneBrowser.exe", "MZ"));
        }
    }
    std::wstring BrowserExe() const { return m_browserDir.Path() + L"\\NorvaneBrowser.exe"; }

    // Opens `target` for real with the stand-in browser installed; returns the command line it
    // recorded (empty when it did not start).
    std::string OpenWithStandInBrowser(const std::wstring& target) {
        const std::wstring helper = GetModuleDirectory() + L"\\fake_browser.exe";
        EXPECT_TRUE(CopyFileW(helper.c_str(), BrowserExe().c_str(), FALSE));
        InstallBrowser(false);
        EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), target));
        const std::wstring output = m_browserDir.Path() + L"\\command-line.txt";
        std::string commandLine;
        for (int i = 0; i < 200 && commandLine.empty(); ++i) {
            Sleep(50);
            std::ifstream in(std::filesystem::path(output), std::ios::binary);
            std::getline(in, commandLine);
        }
        // The helper may still be closing its file; give it a moment before the folder is removed.
        for (int i = 0; i < 100 && !DeleteFileW(BrowserExe().c_str()); ++i) {
            Sleep(50);
        }
        return commandLine;
    }

    BesideExeFiles m_files;
    DesktopRecorder m_desktop;
    ShellRecorder m_shell;
    LogCapture m_log; // nothing here is ever logged
    ScratchDirectory m_browserDir;
};

constexpr char kThreeLinks[] = "<?xml version=\"1.0\"?>\n<Config>\n"
                               "  <UserAgreement url=\"https://example.test/agreement\"/>\n"
                               "  <PrivacyStatement url=\"https://example.test/first?a=1&amp;b=2\"/>\n"
                               "  <PrivacyStatement url=\"https://example.test/second\"/>\n"
                               "  <privacystatement url=\"https://example.test/lower\"/>\n"
                               "  <ChangeNoticaty other=\"x\"/>\n</Config>\n";

TEST_F(LinkTest, ReadUrlConfigTakesTheFirstElementOfExactlyThatName) {
    ASSERT_TRUE(m_files.Write(L"config\\url.xml", kThreeLinks));
    std::string url = "unchanged";
    EXPECT_TRUE(privacy::ReadUrlConfig("PrivacyStatement", url));
    EXPECT_EQ(url, "https://example.test/first?a=1&b=2");
    EXPECT_TRUE(privacy::ReadUrlConfig("UserAgreement", url));
    EXPECT_EQ(url, "https://example.test/agreement");
    // Found without "url": true, and the out-parameter keeps what it had.
    EXPECT_TRUE(privacy::ReadUrlConfig("ChangeNoticaty", url));
    EXPECT_EQ(url, "https://example.test/agreement");
    EXPECT_FALSE(privacy::ReadUrlConfig("PRIVACYSTATEMENT", url));
    EXPECT_FALSE(privacy::ReadUrlConfig("Privacy", url));
    EXPECT_FALSE(privacy::ReadUrlConfig("", url));
    EXPECT_EQ(url, "https://example.test/agreement");

    // Only the lower-case spelling present: not found.
    ASSERT_TRUE(m_files.Write(L"config\\url.xml", "<Config><privacystatement url=\"u\"/></Config>"));
    EXPECT_FALSE(privacy::ReadUrlConfig("PrivacyStatement", url));
}

// Only config\url.xml beside the executable counts, never one in the working directory.
TEST_F(LinkTest, UnusableConfigurationOpensNothing) {
    ScratchDirectory elsewhere;
    CreateDirectoryW((elsewhere.Path() + L"\\config").c_str(), nullptr);
    ASSERT_TRUE(elsewhere.Write(L"config\\url.xml", "<Config><UserAgreement url=\"cwd\"/></Config>"));
    ScopedWorkingDirectory cwd(elsewhere.Path());
    const char* unusable[] = {
        "<Settings><PrivacyStatement url=\"u\"/></Settings>",
        "<Config><PrivacyStatement url=\"u\"></Config>",
        "<Config><Group><PrivacyStatement url=\"u\"/></Group></Config>",
    };
    for (const char* contents : unusable) {
        SCOPED_TRACE(contents);
        ASSERT_TRUE(m_files.Write(L"config\\url.xml", contents));
        EXPECT_FALSE(privacy::OpenPrivacyStatement());
    }
    m_files.Remove(L"config\\url.xml");
    EXPECT_FALSE(privacy::OpenUserAgreement());
    ASSERT_TRUE(m_files.MakeDirectory(L"config\\url.xml"));
    EXPECT_FALSE(privacy::OpenUserAgreement());
    EXPECT_TRUE(m_desktop.calls.empty());
    EXPECT_TRUE(m_shell.calls.empty());
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(LinkTest, OpensThroughExplorerWithTheQuotedAddress) {
    ASSERT_TRUE(m_files.Write(L"config\\url.xml", kThreeLinks));
    EXPECT_TRUE(privacy::OpenPrivacyStatement());
    EXPECT_TRUE(privacy::OpenUserAgreement());
    // An element without "url" still opens, with an empty quoted parameter.
    ASSERT_TRUE(m_files.Write(L"config\\url.xml", "<Config><PrivacyStatement/></Config>"));
    EXPECT_TRUE(privacy::OpenPrivacyStatement());
    // A target with quotes of its own is passed unchanged inside the quotes.
    std::wstring& browser = privacy::BrowserPath();
    EXPECT_TRUE(privacy::OpenLink(browser, L"C:\\a \"b\"\\c.htm"));

    EXPECT_EQ(m_shell.calls, (std::vector<std::wstring>{
                                 Expected(kExplorer, L" \"https://example.test/first?a=1&b=2\""),
                                 Expected(kExplorer, L" \"https://example.test/agreement\""),
                                 Expected(kExplorer, L" \"\""),
                                 Expected(kExplorer, L" \"C:\\a \"b\"\\c.htm\""),
                             }));
    // The started processes are not waited for, but their handles are released.
    for (HANDLE process : m_shell.processes) {
        EXPECT_FALSE(IsOpenHandle(process));
    }
}

TEST_F(LinkTest, InstalledBrowserIsPreferredWhileItsExeIsThere) {
    std::wstring path = L"previous";
    EXPECT_FALSE(privacy::FindBrowser(path)); // no entry
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kBrowserKey));
    EXPECT_FALSE(privacy::FindBrowser(path)); // no "InstallLocation"
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kBrowserKey, L"InstallLocation", std::wstring(300, L'a')));
    EXPECT_FALSE(privacy::FindBrowser(path)); // longer than the 260-character buffer
    EXPECT_EQ(path, L"previous");

    InstallBrowser(true);
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), L"https://example.test/"));
    EXPECT_EQ(privacy::BrowserPath(), BrowserExe());
    // The folder without the exe: explorer.exe, and the remembered path is emptied.
    ASSERT_TRUE(DeleteFileW(BrowserExe().c_str()));
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), L"t"));
    EXPECT_EQ(privacy::BrowserPath(), L"");
    EXPECT_EQ(m_shell.calls, (std::vector<std::wstring>{Expected(BrowserExe(), L" \"https://example.test/\""),
                                                        Expected(kExplorer, L" \"t\"")}));
}

TEST_F(LinkTest, FailingBrowserIsRetriedOnceWithExplorer) {
    InstallBrowser(true);
    m_shell.results = {FALSE, FALSE};
    EXPECT_FALSE(privacy::OpenLink(privacy::BrowserPath(), L"t"));
    EXPECT_EQ(m_shell.calls,
              (std::vector<std::wstring>{Expected(BrowserExe(), L" \"t\""), Expected(kExplorer, L" \"t\"")}));

    m_shell.calls.clear();
    m_shell.results = {FALSE};
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), L"t"));
    ASSERT_EQ(m_shell.calls.size(), 2u);
    EXPECT_FALSE(IsOpenHandle(m_shell.processes.back()));

    // Explorer itself failing is not retried.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str());
    m_shell.calls.clear();
    m_shell.results = {FALSE};
    EXPECT_FALSE(privacy::OpenLink(privacy::BrowserPath(), L"t"));
    EXPECT_EQ(m_shell.calls.size(), 1u);
}

// Started from this elevated process the browser would be elevated too: the desktop's shell is
// asked first, with the same verb, file and parameters, and the calls from here follow only when
// it fails.
TEST_F(LinkTest, DesktopShellIsAskedFirstAndTheCallsFromHereFollowItsFailure) {
    using Recorded = std::vector<std::wstring>;
    InstallBrowser(true);
    m_desktop.results = {true};
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), L"t"));
    EXPECT_EQ(m_desktop.calls, (Recorded{DesktopRecorder::Desktop(L"Open", BrowserExe(), L" \"t\"")}));
    EXPECT_TRUE(m_shell.calls.empty());

    m_desktop.calls.clear();
    m_shell.results = {FALSE, TRUE};
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), L"t"));
    EXPECT_EQ(m_desktop.calls, (Recorded{DesktopRecorder::Desktop(L"Open", BrowserExe(), L" \"t\"")}));
    EXPECT_EQ(m_shell.calls, (Recorded{Expected(BrowserExe(), L" \"t\""), Expected(kExplorer, L" \"t\"")}));

    // Without the browser, explorer.exe is what the desktop's shell is asked to start.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str());
    m_desktop.calls.clear();
    m_shell.calls.clear();
    m_desktop.results = {true};
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), L"https://example.test/"));
    EXPECT_EQ(m_desktop.calls, (Recorded{DesktopRecorder::Desktop(L"Open", kExplorer, L" \"https://example.test/\"")}));
    EXPECT_TRUE(m_shell.calls.empty());
}

// The 32-bit registry view is only separate in a real hive, not in the sandbox, so this case uses
// the real HKEY_LOCAL_MACHINE of the test Wine prefix, and only there. It removes what it wrote.
bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(BrowserRegistryView, OnlyThe32BitEntryCounts) {
    if (!RunningUnderWine()) {
        GTEST_SKIP() << "writes to the real HKEY_LOCAL_MACHINE: only in the Wine test prefix";
    }
    const unique_handle lock(CreateMutexW(nullptr, FALSE, L"Local\\LullgateTests-BrowserRegistryView"));
    ASSERT_TRUE(lock);
    WaitForSingleObject(lock.get(), INFINITE);
    ScratchDirectory dir;
    ASSERT_TRUE(dir.Write(L"NorvaneBrowser.exe", "MZ"));
    for (const REGSAM view : {REGSAM{KEY_WOW64_32KEY}, REGSAM{KEY_WOW64_64KEY}}) { // left over from an interrupted run
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), view, 0);
    }
    // Looks for the browser with its entry in one view only, and removes the entry again.
    const auto findWithEntryIn = [&](REGSAM view, std::wstring& path) {
        unique_hkey key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key.get(), L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.Path().c_str()),
                       static_cast<DWORD>((dir.Path().size() + 1) * sizeof(wchar_t)));
        key.reset();
        const bool found = privacy::FindBrowser(path);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), view, 0);
        return found;
    };
    std::wstring path;
    EXPECT_TRUE(findWithEntryIn(KEY_WOW64_32KEY, path));
    EXPECT_EQ(path, dir.Path() + L"\\NorvaneBrowser.exe");
    path = L"previous";
    EXPECT_FALSE(findWithEntryIn(KEY_WOW64_64KEY, path));
    EXPECT_EQ(path, L"previous");
    unique_hkey left;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, left.put()),
              ERROR_FILE_NOT_FOUND);
    ReleaseMutex(lock.get());
}

// One real launch each way: a stand-in browser (a small program beside this test) records its
// command line. With the desktop's shell out of the way, ShellExecuteExW starts it from here.
TEST_F(LinkTest, RealShellExecuteStartsTheBrowserWithTheQuotedTarget) {
    Seams::SetShellExecuteEx(nullptr);
    const std::string commandLine = OpenWithStandInBrowser(L"file:///C:/Lullgate/docs/a b.html");
    EXPECT_TRUE(commandLine.ends_with(" \"file:///C:/Lullgate/docs/a b.html\"")) << commandLine;
}

// Wine's explorer serves the desktop's shell window, so there the real request reaches it and it
// starts the browser; nothing is started from this process.
TEST_F(LinkTest, RealDesktopShellStartsTheBrowserWithTheQuotedTarget) {
    Seams::SetDesktopShellExecute(nullptr);
    const std::string commandLine = OpenWithStandInBrowser(L"file:///C:/Lullgate/docs/a b.html");
    EXPECT_TRUE(commandLine.ends_with(" \"file:///C:/Lullgate/docs/a b.html\"")) << commandLine;
    EXPECT_TRUE(m_shell.calls.empty());
}

// The build deploys the documents and a generated url.xml into "deployed" beside this test; every
// link must lead, as an absolute file URL, to the shipped document.
std::wstring FileUrlToPath(const std::string& url) {
    std::string bytes;
    for (size_t i = std::strlen("file:///"); i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            bytes += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += url[i] == '/' ? '\\' : url[i];
        }
    }
    std::wstring path(bytes.size(), L'\0');
    path.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                             path.data(), static_cast<int>(path.size()))));
    return path;
}

TEST(DeployedLinks, EveryLinkLeadsToAShippedDocument) {
    const std::wstring dir = GetModuleDirectory() + L"\\deployed";
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    ASSERT_EQ(document.LoadFile(WideToAnsi(dir + L"\\config\\url.xml").c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = document.FirstChildElement("Config");
    ASSERT_NE(root, nullptr);
    const char* links[][3] = {
        {"PrivacyStatement", "privacy-statement.html", "<title>Lullgate Privacy Statement</title>"},
        {"UserAgreement", "user-agreement.html", "<title>Lullgate User Agreement</title>"},
        {"ChangeNoticaty", "change-notice.html", "<title>Lullgate: Notice of Changes</title>"},
    };
    for (const auto& [key, file, title] : links) {
        SCOPED_TRACE(key);
        const tinyxml2::XMLElement* element = root->FirstChildElement(key);
        ASSERT_NE(element, nullptr);
        const std::string url = element->Attribute("url") != nullptr ? element->Attribute("url") : "";
        ASSERT_TRUE(url.starts_with("file:///")) << url;
        const std::wstring path = FileUrlToPath(url);
        EXPECT_EQ(_wcsicmp(path.c_str(), (dir + L"\\docs\\" + AnsiToWide(file)).c_str()), 0) << url;
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        std::stringstream contents;
        contents << in.rdbuf();
        EXPECT_NE(contents.str().find(title), std::string::npos) << url;
        EXPECT_NE(contents.str().find("20231124"), std::string::npos) << "names the version the consent records";
    }
}

} // namespace
