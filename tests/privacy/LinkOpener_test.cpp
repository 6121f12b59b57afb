#include "privacy/LinkOpener.h"
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/ShellRecorder.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <fstream>

namespace privacy = NvPcPrivacySecurity;
using privacy::LinkStatus;
using Requests = std::vector<ShellRecorder::Request>;

namespace {

const std::wstring kBrowserKey = privacy::kBrowserUninstallKey;

CapturedLine Error(const std::wstring& text) {
    return {4, text + L"(NvPcPrivacySecurity::OpenDocument)"};
}
CapturedLine Refused(const std::wstring& target) {
    return Error(L"link refused, only https addresses and documents in the program's folder open: " + target);
}

// "C:\a b" as "file:///C:/a%20b" (the folders these tests use hold no other character to encode).
std::wstring FileAddress(const std::wstring& path) {
    std::wstring address = L"file:///";
    for (const wchar_t c : path) {
        address += c == L'\\' ? L"/" : c == L' ' ? L"%20" : std::wstring(1, c);
    }
    return address;
}

class LinkTest : public RegistrySandboxTest {
protected:
    void SetUp() override {
        RegistrySandboxTest::SetUp();
        privacy::BrowserPath().clear();
        ASSERT_TRUE(m_files.Write(L"docs\\a b.html", "doc"));
        ASSERT_TRUE(m_files.Write(L"res\\Notice\\notice.htm", "notice"));
    }
    // The maker's browser's uninstall entry (the sandbox joins the registry views), leading to a
    // scratch folder with or without the browser in it.
    void InstallBrowser(bool withExe) {
        ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kBrowserKey, L"InstallLocation", m_browserDir.Path()));
        if (withExe) {
            ASSERT_TRUE(m_browserDir.Write(L"NorvaneBrowser.exe", "MZ"));
        }
    }
    std::wstring BrowserExe() const { return m_browserDir.Path() + L"\\NorvaneBrowser.exe"; }

    const std::wstring m_dir = GetModuleDirectory();
    const std::wstring m_doc = m_dir + L"\\docs\\a b.html";
    BesideExeFiles m_files;
    ShellRecorder m_shell;
    LogCapture m_log;
    ScratchDirectory m_browserDir;
};

// Only config\url.xml beside the executable counts, never one in the working directory. The first
// element of exactly the key's name wins; a link the file lacks does nothing and says nothing, one
// it holds in an unsafe form is refused aloud.
TEST_F(LinkTest, ConfiguredLinksComeFromTheFileBesideTheProgram) {
    ScratchDirectory elsewhere;
    CreateDirectoryW((elsewhere.Path() + L"\\config").c_str(), nullptr);
    ASSERT_TRUE(elsewhere.Write(L"config\\url.xml", "<Config><UserAgreement url=\"https://cwd.test/\"/></Config>"));
    ScopedWorkingDirectory cwd(elsewhere.Path());
    for (const char* unusable : {"<Settings><UserAgreement url=\"https://a.test/\"/></Settings>",
                                 "<Config><UserAgreement url=\"https://a.test/\"></Config>",
                                 "<Config><Group><UserAgreement url=\"https://a.test/\"/></Group></Config>", ""}) {
        m_files.Remove(L"config\\url.xml");
        ASSERT_TRUE(*unusable == '\0' ? m_files.MakeDirectory(L"config\\url.xml")
                                      : m_files.Write(L"config\\url.xml", unusable));
        EXPECT_FALSE(privacy::OpenUserAgreement()) << unusable;
    }
    m_files.Remove(L"config\\url.xml");
    EXPECT_FALSE(privacy::OpenUserAgreement());
    EXPECT_TRUE(m_log.Lines().empty());

    ASSERT_TRUE(m_files.Write(L"config\\url.xml", "<Config><privacystatement url=\"https://a.test/lower\"/>"
                                                  "<PrivacyStatement url=\"https://a.test/?a=1&amp;b=2\"/>"
                                                  "<PrivacyStatement url=\"https://a.test/second\"/>"
                                                  "<UserAgreement url=\"https://a.test/&quot; --x\"/>"
                                                  "<ChangeNoticaty url=\"file:///C:/Windows/win.ini\"/></Config>"));
    EXPECT_TRUE(privacy::OpenPrivacyStatement());
    EXPECT_TRUE(privacy::OpenUserAgreement());
    EXPECT_EQ(privacy::OpenConfiguredLink(privacy::kChangeNoticeKey).status, LinkStatus::Refused);
    EXPECT_EQ(m_shell.requests, Requests{ShellRecorder::Opened(L"https://a.test/?a=1&b=2")});
    EXPECT_EQ(m_log.Lines(), (std::vector{Refused(L"https://a.test/\" --x"), Refused(L"file:///C:/Windows/win.ini")}));
    std::string url = "unchanged";
    for (const char* absent : {"PRIVACYSTATEMENT", "Privacy", ""}) {
        EXPECT_FALSE(privacy::ReadUrlConfig(absent, url)) << absent;
    }
    // Found without "url": true, and the out-parameter keeps what it had.
    ASSERT_TRUE(m_files.Write(L"config\\url.xml", "<Config><UserAgreement other=\"x\"/></Config>"));
    EXPECT_TRUE(privacy::ReadUrlConfig("UserAgreement", url));
    EXPECT_EQ(url, "unchanged");
}

// An address is handed over whole, so it must hold nothing a command line could split or quote;
// a document must lie in the program's own "docs" or "res\Notice" folder, named in plain form.
TEST_F(LinkTest, EverythingElseIsRefused) {
    ASSERT_TRUE(m_files.Write(L"docs2\\a.html", "x"));
    m_shell.requests.clear();
    const std::wstring folder = FileAddress(m_dir);
    for (const std::wstring& target : std::vector<std::wstring>{
             L"https://example.test/\" --load-extension=x", L"https://example.test/a b", L"https://example.test/a\\b",
             L"https:///example.test/", L"http://example.test/", L"javascript:alert(1)", L"",
             L"file:///C:/Windows/win.ini", folder + L"/docs/../config", folder + L"/docs/a%20b.html%3Astream",
             folder + L"/docs/a%2", L"file://server/share/docs/a.html", m_dir + L"\\docs\\.\\a b.html",
             m_dir + L"\\docs\\a b.html ", m_dir + L"\\docs\\\\a b.html", m_dir + L"\\docs",
             m_dir + L"\\docs\\missing.html", m_dir + L"\\docs2\\a.html", L"\\\\server\\share\\docs\\a.html"}) {
        m_log.Clear();
        const privacy::LinkResult result = privacy::OpenDocument(privacy::BrowserPath(), target);
        EXPECT_EQ(result.status, LinkStatus::Refused) << WideToAnsi(target);
        EXPECT_EQ(result.address, L"");
        EXPECT_EQ(m_log.Lines(), std::vector{Refused(target)});
    }
    EXPECT_TRUE(m_shell.requests.empty());
}

// https: addresses and the program's own documents (by file: address or path) open through the
// desktop shell. The maker's browser, when its uninstall entry leads to it, gets the address as
// its one argument (a document as its file: address); without it, or when it fails, the user's
// own program for the address is asked. Without a desktop shell nothing starts, and the result
// says where the document is.
TEST_F(LinkTest, TheDesktopShellStartsTheBrowserOrNothingStarts) {
    enum Browser { None, TooLongEntry, EntryWithoutExe, Installed };
    const std::wstring site = L"https://example.test/";
    const std::wstring query = L"https://example.test/a?b=1&c=(2)#x";
    const std::wstring notice = m_dir + L"\\res\\Notice\\notice.htm";
    const auto browser = [this](const std::wstring& address) {
        return ShellRecorder::Request{L"Open", BrowserExe(), address, SW_SHOW}; // the address its one argument
    };
    const struct {
        Browser browser;
        std::wstring target;
        std::deque<bool> shellAnswers;
        Requests requests;
    } cases[] = {
        {Installed, site, {true}, {browser(site)}},
        {Installed, m_doc, {true}, {browser(FileAddress(m_doc))}},
        {Installed, site, {false, true}, {browser(site), ShellRecorder::Opened(site)}},
        {Installed, site, {false, false}, {browser(site), ShellRecorder::Opened(site)}},
        {None, query, {true}, {ShellRecorder::Opened(query)}},
        {None, L"HTTPS://example.test/", {true}, {ShellRecorder::Opened(L"HTTPS://example.test/")}},
        {None, FileAddress(m_doc), {true}, {ShellRecorder::Opened(m_doc)}},
        {None, notice, {true}, {ShellRecorder::Opened(notice)}},
        {TooLongEntry, site, {true}, {ShellRecorder::Opened(site)}},
        {EntryWithoutExe, site, {true}, {ShellRecorder::Opened(site)}},
    };
    std::vector<std::wstring> told; // where the user is told the document is
    privacy::SetNotStartedNotice([&told](const std::wstring& address) { told.push_back(address); });
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        told.clear();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str());
        DeleteFileW(BrowserExe().c_str());
        if (c.browser == TooLongEntry) { // longer than the 260-character buffer
            ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kBrowserKey, L"InstallLocation", std::wstring(300, L'a')));
        } else if (c.browser != None) {
            InstallBrowser(c.browser == Installed);
        }
        privacy::BrowserPath() = L"previous";
        m_shell.requests.clear();
        m_shell.results = c.shellAnswers;
        m_log.Clear();
        const bool opened = c.shellAnswers.back();
        const privacy::LinkResult result = privacy::OpenDocument(privacy::BrowserPath(), c.target);
        EXPECT_EQ(result.status, opened ? LinkStatus::Opened : LinkStatus::NotStarted);
        EXPECT_EQ(result.address, c.target.starts_with(L"file:") ? m_doc : c.target);
        EXPECT_EQ(m_shell.requests, c.requests);
        const std::wstring notStarted = L"link not opened, no desktop shell started it as the signed-in user: ";
        EXPECT_EQ(m_log.Lines(),
                  opened ? std::vector<CapturedLine>{} : std::vector{Error(notStarted + result.address)});
        EXPECT_EQ(told, opened ? std::vector<std::wstring>{} : std::vector{result.address});
        // Only a found browser's path counts; a folder without it leaves the path empty.
        EXPECT_EQ(privacy::BrowserPath(), c.browser == Installed         ? BrowserExe()
                                          : c.browser == EntryWithoutExe ? L""
                                                                         : L"previous");
    }
    privacy::SetNotStartedNotice(nullptr);
}

// The 32-bit registry view is only separate in a real hive, not in the sandbox, so this case uses
// the real HKEY_LOCAL_MACHINE of the test Wine prefix, and only there. It removes what it wrote.
TEST(BrowserRegistryView, OnlyThe32BitEntryCounts) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        GTEST_SKIP() << "writes to the real HKEY_LOCAL_MACHINE: only in the Wine test prefix";
    }
    const unique_handle lock(CreateMutexW(nullptr, FALSE, L"Local\\LullgateTests-BrowserRegistryView"));
    ASSERT_TRUE(lock);
    WaitForSingleObject(lock.get(), INFINITE);
    ScratchDirectory dir;
    ASSERT_TRUE(dir.Write(L"NorvaneBrowser.exe", "MZ"));
    // Looks for the browser with its entry in one view only, and removes the entry again (also one
    // left over from an interrupted run).
    const auto findWithEntryIn = [&](REGSAM view) {
        for (const REGSAM any : {REGSAM{KEY_WOW64_32KEY}, REGSAM{KEY_WOW64_64KEY}}) {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), any, 0);
        }
        unique_hkey key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key.get(), L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.Path().c_str()),
                       static_cast<DWORD>((dir.Path().size() + 1) * sizeof(wchar_t)));
        key.reset();
        std::wstring path;
        const bool found = privacy::FindBrowser(path);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kBrowserKey.c_str(), view, 0);
        return found ? path : L"";
    };
    EXPECT_EQ(findWithEntryIn(KEY_WOW64_32KEY), dir.Path() + L"\\NorvaneBrowser.exe");
    EXPECT_EQ(findWithEntryIn(KEY_WOW64_64KEY), L"");
    ReleaseMutex(lock.get());
}

// One real launch: Wine's explorer serves the desktop's shell window, so the real request reaches
// it and it starts the stand-in browser (a small program beside this test that records its
// command line); nothing is started from this process.
TEST_F(LinkTest, RealDesktopShellStartsTheBrowserWithTheAddress) {
    Seams::SetDesktopShellExecute(nullptr);
    ASSERT_TRUE(CopyFileW((m_dir + L"\\fake_browser.exe").c_str(), BrowserExe().c_str(), FALSE));
    InstallBrowser(false);
    const std::wstring address = L"https://example.test/a?b=(1)&c='2'";
    EXPECT_TRUE(privacy::OpenLink(privacy::BrowserPath(), address));
    std::string commandLine;
    for (int i = 0; i < 200 && commandLine.empty(); ++i) {
        Sleep(50);
        std::ifstream in(std::filesystem::path(m_browserDir.Path() + L"\\command-line.txt"), std::ios::binary);
        std::getline(in, commandLine);
    }
    // The helper may still be closing its file; give it a moment before the folder is removed.
    for (int i = 0; i < 100 && !DeleteFileW(BrowserExe().c_str()); ++i) {
        Sleep(50);
    }
    EXPECT_TRUE(commandLine.ends_with(WideToAnsi(L" " + address))) << commandLine;
}

// The build deploys the documents and a generated url.xml into "deployed" beside this test; every
// link must be accepted as the shipped document in that folder, which names the version the
// consent records.
TEST(DeployedLinks, EveryLinkLeadsToAShippedDocument) {
    const std::wstring dir = GetModuleDirectory() + L"\\deployed";
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    ASSERT_EQ(document.LoadFile(WideToAnsi(dir + L"\\config\\url.xml").c_str()), tinyxml2::XML_SUCCESS);
    const char* links[][3] = {
        {"PrivacyStatement", "privacy-statement.html", "<title>Lullgate Privacy Statement</title>"},
        {"UserAgreement", "user-agreement.html", "<title>Lullgate User Agreement</title>"},
        {"ChangeNoticaty", "change-notice.html", "<title>Lullgate: Notice of Changes</title>"},
    };
    for (const auto& [key, file, title] : links) {
        const tinyxml2::XMLElement* element = document.FirstChildElement("Config")->FirstChildElement(key);
        const char* url = element != nullptr ? element->Attribute("url") : nullptr;
        ASSERT_NE(url, nullptr) << key;
        const std::wstring path = privacy::ResolveLinkTarget(AnsiToWide(url), dir).item;
        EXPECT_EQ(_wcsicmp(path.c_str(), (dir + L"\\docs\\" + AnsiToWide(file)).c_str()), 0) << url;
        const std::string contents = ReadWholeFile(path);
        EXPECT_NE(contents.find(title), std::string::npos) << url;
        EXPECT_NE(contents.find("20231124"), std::string::npos) << url;
    }
}

} // namespace
