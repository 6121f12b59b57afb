// Runs the real Lullgate.exe from dist/ as a person would meet it: first start, agreeing, refusing,
// a second start, and the log it leaves. cmake/wine-throwaway-run gives this program a prefix of
// its own, so the consent record, the pause values and the log are the throwaway prefix's.
#include "common/UniqueHandle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The dist folder and the folder of the stand-in libraries, from the command line.
fs::path g_dist;
fs::path g_planted;

// A program of dist/ started from another folder (it must find its files beside itself); with an
// output file, a console program whose output goes there.
class Program {
public:
    explicit Program(const fs::path& exe = g_dist / L"Lullgate.exe", const std::wstring& arguments = L"",
                     const fs::path& output = {}) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!output.empty()) {
            m_output.reset(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = startup.hStdError = m_output.get();
        }
        std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
        wchar_t temp[MAX_PATH + 1]{};
        GetTempPathW(MAX_PATH + 1, temp);
        PROCESS_INFORMATION info{};
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, m_output.valid(),
                           m_output ? CREATE_NO_WINDOW : 0, nullptr, temp, &startup, &info)) {
            m_process.reset(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
    [[nodiscard]] bool Started() const { return m_process.valid(); }
    // The exit code, or -1 when it did not end in time.
    [[nodiscard]] long WaitForExit(DWORD ms = 20000) const {
        DWORD code = 0;
        return WaitForSingleObject(m_process.get(), ms) == WAIT_OBJECT_0 && GetExitCodeProcess(m_process.get(), &code)
                   ? static_cast<long>(code)
                   : -1;
    }
    ~Program() {
        if (m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process.get(), 99);
            WaitForSingleObject(m_process.get(), 5000);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

private:
    unique_file_handle m_output;
    unique_handle m_process;
};

HWND MainWindow() {
    return FindWindowW(L"CalmlockUI", L"Calmlock");
}
HWND ConsentWindow() {
    return FindWindowW(L"PrivacySecurityWelcomUI", L"PrivacySecurityWelcom");
}
bool MainVisible() {
    return IsWindowVisible(MainWindow()) != FALSE; // false for no window
}

// Polls until `done` holds; meanwhile `watch` runs on every round (to notice a window showing).
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               const std::function<void()>& watch = {}) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (watch) {
            watch();
        }
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

bool RecordExists() {
    unique_hkey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate\\sign", 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}
void DeleteRecord() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate");
}

// Waits for the consent window of a program started without a record and answers it with `key`
// (Enter: the default button, Agree; Esc: refuse), noting whether the main window was visible at
// any moment before the consent window went away.
struct FirstStart {
    bool consentShown = false;
    bool mainSeenBeforeAnswer = false;
};
FirstStart ShowConsentAndAnswer(WPARAM key) {
    FirstStart seen;
    // The main window seen visible while the question is still there: the consent window only ever
    // goes away, so if it exists after the main window was seen, both were there at once.
    auto watch = [&] { seen.mainSeenBeforeAnswer |= MainVisible() && ConsentWindow() != nullptr; };
    seen.consentShown = PollUntil([] { return IsWindowVisible(ConsentWindow()) != FALSE; }, 15s, watch);
    if (seen.consentShown) {
        PollUntil([] { return false; }, 500ms, watch); // it stays hidden while the question is open
        PostMessageW(ConsentWindow(), WM_KEYDOWN, key, 1);
        PostMessageW(ConsentWindow(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
        PollUntil([] { return ConsentWindow() == nullptr; }, 10s, watch);
    }
    return seen;
}

// Agreeing (Enter presses Agree) opens the main window and keeps the record; a second start while
// the first still asks leaves its main window hidden, and once it shows restores and raises it.
TEST(AppEndToEnd, FirstStartAsksBeforeShowingAndASecondStartOnlyRaisesTheFirst) {
    DeleteRecord();
    Program first;
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(PollUntil([] { return ConsentWindow() != nullptr; }, 15s));
    {
        Program second;
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(second.WaitForExit(), 0);
    }
    const FirstStart seen = ShowConsentAndAnswer(VK_RETURN);
    EXPECT_TRUE(seen.consentShown);
    EXPECT_FALSE(seen.mainSeenBeforeAnswer);
    ASSERT_TRUE(PollUntil(MainVisible, 10s));
    EXPECT_TRUE(RecordExists());
    ShowWindow(MainWindow(), SW_MINIMIZE);
    {
        Program second;
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(second.WaitForExit(), 0);
    }
    EXPECT_TRUE(PollUntil([] { return MainVisible() && !IsIconic(MainWindow()); }, 5s));
    PostMessageW(MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 0);
}

// Refusing (Esc) ends with 0 without a record or a main window. The run is a copy of the program
// with stand-ins named like the system libraries it uses beside it: none may be loaded. The runs so
// far have logged (the consent check at least) in the configured pattern.
TEST(AppEndToEnd, RefusingEndsWithZeroLoadsNoPlantedLibraryAndTheLogFollowsThePattern) {
    const fs::path folder = fs::temp_directory_path() / L"planted";
    fs::remove_all(folder);
    fs::copy(g_dist, folder, fs::copy_options::recursive);
    for (const wchar_t* name : {L"gdiplus.dll", L"dwmapi.dll"}) {
        fs::copy_file(g_planted / name, folder / name);
    }
    DeleteRecord();
    {
        Program program(folder / L"Lullgate.exe");
        ASSERT_TRUE(program.Started());
        // The consent window has painted before the answer: GDI+ and the DWM library are loaded.
        const FirstStart seen = ShowConsentAndAnswer(VK_ESCAPE);
        EXPECT_TRUE(seen.consentShown);
        EXPECT_FALSE(seen.mainSeenBeforeAnswer);
        bool mainSeen = false;
        EXPECT_TRUE(PollUntil([&] { return program.WaitForExit(0) != -1; }, 10s,
                              [&] { mainSeen = mainSeen || MainVisible(); }));
        EXPECT_FALSE(mainSeen);
        EXPECT_EQ(program.WaitForExit(), 0);
    }
    EXPECT_FALSE(RecordExists());
    for (const wchar_t* name : {L"gdiplus.dll.loaded", L"dwmapi.dll.loaded"}) {
        EXPECT_FALSE(fs::exists(folder / name)) << fs::path(name).string();
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);

    std::ifstream in(L"C:\\ProgramData\\Dired\\Lullgate\\log\\admin\\Lullgate.log", std::ios::binary);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    // [%Y-%m-%d %H:%M:%S.%e] [%l] [%P:%t] %v, ending in the statement's function tag and CR LF.
    static const std::regex pattern(
        R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[(warning|error)\] \[\d+:\d+\] .+\(.+\)\r)");
    EXPECT_TRUE(std::regex_match(line, pattern)) << line;
}

// Runs lullgate-cli.exe from dist/ with its output redirected to `output`; the exit code.
long RunCli(const std::wstring& arguments, const fs::path& output) {
    return Program(g_dist / L"lullgate-cli.exe", arguments, output).WaitForExit();
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AppEndToEnd, CliPausesReportsAndResumesWithUtf8OutputAndItsOwnLog) {
    // Wine gives every folder the user's own owner, so the log set-up trusts only folders the same
    // process made: start from a machine without log folders, as the tool's first elevated run.
    const fs::path logRoot = L"C:\\ProgramData\\Dired";
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(logRoot, ignored)) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(logRoot, ignored);
    const fs::path temp = fs::temp_directory_path();
    const fs::path out = temp / L"cli-pause.txt";
    ASSERT_EQ(RunCli(L"pause 60 --agree", out), 0) << ReadFileBytes(out);
    const fs::path statusOut = temp / L"cli-status.txt";
    ASSERT_EQ(RunCli(L"status --json", statusOut), 0) << ReadFileBytes(statusOut);
    const std::string json = ReadFileBytes(statusOut);
    EXPECT_NE(json.rfind("{\"paused\":true,", 0), std::string::npos) << json; // no byte-order mark first
    EXPECT_NE(json.find("\"daysLeft\":60"), std::string::npos) << json;
    ASSERT_EQ(RunCli(L"resume", temp / L"cli-resume.txt"), 0) << ReadFileBytes(temp / L"cli-resume.txt");
    ASSERT_EQ(RunCli(L"status", temp / L"cli-after.txt"), 0);
    EXPECT_EQ(ReadFileBytes(temp / L"cli-after.txt"), "Windows Update is not paused.\r\n");
    EXPECT_TRUE(fs::exists(logRoot / L"Lullgate\\log\\admin\\lullgate-cli.log"));
}

TEST(AppEndToEnd, VersionResourceEqualsVersionXml) {
    std::smatch match;
    const std::string xml = ReadFileBytes(g_dist / L"version.xml");
    ASSERT_TRUE(std::regex_search(xml, match, std::regex(R"re(<ConfigItem\s+Value="([^"]*)")re")));
    const std::string expected = match[1];

    const std::wstring exe = (g_dist / L"Lullgate.exe").wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    const std::string fromFixed = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                                  std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                                  std::to_string(HIWORD(fixed->dwProductVersionLS));
    EXPECT_EQ(fromFixed, expected);
    wchar_t* text16 = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&text16), &length));
    EXPECT_EQ(std::wstring(text16), std::wstring(expected.begin(), expected.end()));
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 2) {
        g_dist = argv[1];
        g_planted = argv[2];
    }
    return RUN_ALL_TESTS();
}
