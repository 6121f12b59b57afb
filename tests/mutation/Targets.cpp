// The targets: every reader of something a user, an installer or another program may have damaged,
// each with the real files it is mutated from and the property its result must keep.
#include "tests/mutation/Harness.h"

#include "appcommon/Common.h"
#include "common/ModulePath.h"
#include "common/Seams.h"
#include "common/UniqueHandle.h"
#include "duilib/UIlib.h"
#include "log/LogManager.h"
#include "log/ProtectedRotatingFileSink.h"
#include "pause/PauseTime.h"
#include "privacy/LinkOpener.h"
#include "tests/log/LogTestFiles.h"
#include "tests/support/BesideExe.h"
#include "tests/pause/PauseTestSupport.h"

#include <spdlog/spdlog.h>

#include <filesystem>
#include <initializer_list>
#include <memory>

namespace Mutation {

namespace {

using NvLullgate::PauseTime::kLatestTime;

std::string TooLong(std::size_t got, const std::string& input) {
    return got <= input.size() ? std::string()
                               : "a text of " + std::to_string(got) + " characters from an input of " +
                                     std::to_string(input.size()) + " bytes";
}

std::vector<std::string> SeedFiles(std::initializer_list<const wchar_t*> names) {
    std::vector<std::string> seeds;
    for (const wchar_t* name : names) {
        seeds.push_back(ReadWholeFile(BesideExePath(name)));
        if (seeds.back().empty()) {
            return {}; // a seed that was not deployed: the child cannot start
        }
    }
    return seeds;
}

// XML's own pieces (a declaration from the seeds' own text around "<?xml "), and the root of the
// settings files.
const std::vector<std::string> kXmlTokens = {"<",      ">",     "</",           "/>",        "=\"",      "<![CDATA[ ",
                                             "]]>",    "&amp;", "&#x10FFFF;",   "&#0;",      "<!-- ",    " -->",
                                             "<?xml ", "?>",    "\xef\xbb\xbf", "\xff\xfe<", "<Config>", "</Config>"};

// ---- Layouts, built and painted -----------------------------------------------------------------

class LayoutWindow : public DuiLib::WindowImplBase {
public:
    DuiLib::CPaintManagerUI& Pm() { return m_pm; }

protected:
    const wchar_t* GetWindowClassName() const override { return L"LullgateMutationWindow"; }
    DuiLib::CDuiString GetSkinFile() override { return L"layout\\mutated.xml"; }
};

Check StartLayout() {
    auto gdiplus = std::make_shared<DuiLib::GdiplusSession>();
    DuiLib::CPaintManagerUI::SetResourcePath(BesideExePath(L"res\\").c_str());
    DuiLib::UICulture::GetInstance()->SetStringPath(BesideExePath(L"res\\values").c_str());
    DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
    return [gdiplus](const std::string& input) -> std::string {
        if (!WriteWholeFile(BesideExePath(L"res\\layout\\mutated.xml"), input)) {
            return "the layout could not be written";
        }
        LayoutWindow window;
        HWND hwnd = window.Create(nullptr, L"Mutation", WS_POPUP, 0);
        if (hwnd == nullptr) {
            return "no window";
        }
        (void)window.Pm().Render(); // a layout may leave nothing to paint
        DestroyWindow(hwnd);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
            DispatchMessageW(&msg);
        }
        return {};
    };
}

// ---- String tables ------------------------------------------------------------------------------

Check StartStrings() {
    const std::wstring folder = BesideExePath(L"mutation-strings");
    CreateDirectoryW(folder.c_str(), nullptr);
    // Every key of the real table, looked up in the damaged one.
    std::vector<std::wstring> keys;
    const std::string table = ReadWholeFile(BesideExePath(L"res\\values\\en-US.xml"));
    for (std::size_t at = table.find("name=\""); at != std::string::npos; at = table.find("name=\"", at + 1)) {
        const std::size_t end = table.find('"', at + 6);
        keys.emplace_back(table.begin() + static_cast<std::ptrdiff_t>(at) + 6,
                          table.begin() + static_cast<std::ptrdiff_t>(end));
    }
    DuiLib::UICulture::GetInstance()->SetStringPath(folder.c_str());
    return [folder, keys](const std::string& input) -> std::string {
        if (!WriteWholeFile(folder + L"\\en-US.xml", input)) {
            return "the table could not be written";
        }
        DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
        for (const std::wstring& key : keys) {
            const std::size_t length = DuiLib::UICulture::GetInstance()->GetString(key.c_str()).str().size();
            if (std::string problem = TooLong(length, input + std::string(key.size(), ' ')); !problem.empty()) {
                return problem;
            }
        }
        return {};
    };
}

// ---- Timestamps ---------------------------------------------------------------------------------

// Inside the span a time must come back unchanged through its own text; outside it is -1.
std::string CheckTimestamp(const std::string& input) {
    __time64_t time = 0;
    if (!NvLullgate::PauseTime::ScanZTime(input.c_str(), time) || time == -1) {
        return {};
    }
    if (time < 0 || time > kLatestTime) {
        return "time " + std::to_string(time) + " outside 1970..3000";
    }
    tm utc{};
    char text[32] = {};
    __time64_t again = -1;
    if (_gmtime64_s(&utc, &time) != 0 || strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc) == 0 ||
        !NvLullgate::PauseTime::ScanZTime(text, again) || again != time) {
        return "time " + std::to_string(time) + " does not come back through " + text;
    }
    return {};
}

// ---- Pause values -------------------------------------------------------------------------------

// The input holds the six texts separated by '|' (missing ones are absent values); each is stored
// widened byte by byte, with a terminating zero when the input's length is even.
Check StartPause() {
    auto sandbox = std::make_shared<ScopedRegistrySandbox>();
    if (!sandbox->Active()) {
        return {};
    }
    return [sandbox](const std::string& input) -> std::string {
        using PauseTest::kSettings;
        unique_hkey key;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                            nullptr) != ERROR_SUCCESS) {
            return "the settings key could not be made";
        }
        std::size_t from = 0;
        for (const std::wstring& name : PauseTest::kSixValues) {
            RegDeleteValueW(key.get(), name.c_str());
            if (from > input.size()) {
                continue;
            }
            const std::size_t end = std::min(input.find('|', from), input.size());
            std::wstring text;
            for (std::size_t i = from; i < end; ++i) {
                text += static_cast<wchar_t>(static_cast<unsigned char>(input[i]));
            }
            const std::size_t bytes = (text.size() + (input.size() % 2 == 0 ? 1 : 0)) * sizeof(wchar_t);
            RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(bytes));
            from = end + 1;
        }
        key.reset();
        const std::unique_ptr<NvLullgate::PauseWinUpdates> engine = PauseTest::Access::Make();
        std::string endDate;
        if (!engine->GetPauseStatus(endDate)) {
            return "the status read failed";
        }
        if (!engine->m_isPaused) {
            return {};
        }
        __time64_t start = -1, end = -1, now = -1;
        if (!NvLullgate::PauseTime::ScanZTime(engine->m_pauseStartTime.c_str(), start) ||
            !NvLullgate::PauseTime::ScanZTime(engine->m_pauseEndTime.c_str(), end) ||
            !NvLullgate::PauseTime::ScanZTime(engine->m_curSysTime.c_str(), now) || start < 0 || start >= end ||
            end <= now || end > kLatestTime || endDate.size() != 10) {
            return "paused from " + engine->m_pauseStartTime + " to " + engine->m_pauseEndTime + " (\"" + endDate +
                   "\")";
        }
        return {};
    };
}

// ---- Settings files -----------------------------------------------------------------------------

// The log set-up of this process (its section is named after the executable) with damaged
// settings: a logger, when one is made, writes in the log folder and nowhere else.
Check StartLogSettings() {
    constexpr char kProduct[] = "LullgateMutationTests";
    const std::filesystem::path productFolder = std::string("C:\\ProgramData\\Dired\\") + kProduct;
    LogTestFiles::RemoveTree(productFolder);
    CreateDirectoryW(BesideExePath(L"config").c_str(), nullptr);
    // Under Wine no folder has an owner an elevated process may trust; these are this test's own.
    Seams::SetEntryOwner([](LPCWSTR path, DWORD* attributes, std::wstring* ownerSid) {
        *attributes = GetFileAttributesW(path);
        *ownerSid = L"S-1-5-32-544"; // Administrators
        return *attributes != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE;
    });
    LogManager::GetInstance().SetLogDirectory(kProduct);
    const std::string logDir = LogManagerTestAccess::LogDirectory();
    const auto cleanUp = std::shared_ptr<void>(nullptr, [productFolder](void*) {
        LogManagerTestAccess::Reset();
        spdlog::drop_all();
        LogTestFiles::RemoveTree(productFolder);
    });
    return [cleanUp, logDir](const std::string& input) -> std::string {
        LogManagerTestAccess::Reset();
        if (!WriteWholeFile(BesideExePath(L"config\\logConfig.cfg"), input)) {
            return "the settings could not be written";
        }
        LogManager::GetInstance().Initialize();
        if (!g_spdlogger) {
            return {};
        }
        LOG_WARN(L"a line through the configured pattern");
        const auto sink = std::dynamic_pointer_cast<ProtectedRotatingFileSink>(g_spdlogger->sinks().front());
        if (!sink) {
            return "a logger without its protected sink";
        }
        const std::filesystem::path file = std::filesystem::path(sink->BaseFileName()).lexically_normal();
        const std::filesystem::path folder = std::filesystem::path(logDir).lexically_normal();
        if (file.parent_path() != folder / "admin" && file.parent_path() != folder / "usr") {
            return "a log at " + sink->BaseFileName();
        }
        return {};
    };
}

// A settings file beside the executable, read by `read`, whose texts can only come from the file.
Check StartBesideFile(const wchar_t* relative, const std::function<std::size_t()>& read) {
    CreateDirectoryW(BesideExePath(L"config").c_str(), nullptr);
    const std::wstring path = BesideExePath(relative);
    return [path, read](const std::string& input) -> std::string {
        if (!WriteWholeFile(path, input)) {
            return "the file could not be written";
        }
        return TooLong(read(), input);
    };
}

std::size_t ReadUrls() {
    std::size_t longest = 0;
    for (const char* key : {NvPcPrivacySecurity::kPrivacyStatementKey, NvPcPrivacySecurity::kUserAgreementKey,
                            NvPcPrivacySecurity::kChangeNoticeKey}) {
        std::string url;
        if (NvPcPrivacySecurity::ReadUrlConfig(key, url)) {
            longest = std::max(longest, url.size());
        }
    }
    return longest;
}

std::vector<std::string> LogSettingsSeeds() {
    std::vector<std::string> seeds = SeedFiles({L"seeds\\logConfig.cfg"});
    if (!seeds.empty()) {
        // The section of this executable, in place of the program's.
        const std::size_t at = seeds[0].find("[Lullgate]");
        seeds[0].replace(at, 10, "[mutation_tests]");
        seeds.push_back("[mutation_tests]\r\nlogPath=x.log\r\nfileFormat=%v\r\n");
    }
    return seeds;
}

std::vector<std::string> PauseSeeds() {
    const auto six = [](const std::string& start, const std::string& end) {
        return start + "|" + end + "|" + start + "|" + end + "|" + start + "|" + end;
    };
    const std::string start = "2026-01-01T00:00:00Z";
    const std::string later = "2999-06-01T00:00:00Z";
    return {six(start, later), six(PauseTest::Padded(start), PauseTest::Padded(later)),
            six("2020-01-01T00:00:00Z", "2020-02-01T00:00:00Z")};
}

const std::vector<std::string> kTimeTokens = {"-", "T", ":", "Z", "+", " ", "\t", "%n", "99999", "-0", "3000-12-31"};

} // namespace

const std::vector<Target>& Targets() {
    static const std::vector<Target> targets = {
        {"layout",
         150,
         [] {
             return SeedFiles({L"res\\layout\\MainWindow.xml", L"res\\layout\\about.xml",
                               L"res\\layout\\ConfirmWindow.xml", L"res\\layout\\PrivacySecurityWelcomUI.xml",
                               L"res\\layout\\common.xml"});
         },
         {"<Include source=\"layout\\common.xml\"/>", "<Button name=\"b\" text=\"{a}x{/a}\" borderround=\"8,8\"/>",
          " width=\"", " pos=\"", " style=\"", " font=\"", " bkimage=\"", "..\\", "{", "{a}", "{/a}", "<Style ",
          "<Font ", "<Default ", " text=\"IDS_", " padding=\"-1,-1,-1,-1\""},
         StartLayout},
        {"strings", 300,
         [] {
             return SeedFiles({L"res\\values\\en-US.xml", L"res\\values\\zh-CN.xml"});
         },
         kXmlTokens, StartStrings},
        {"timestamp", 10000,
         [] {
             return std::vector<std::string>{"2026-03-14T09:26:53Z", "1970-01-01T00:00:00Z", "3000-12-31T23:59:59Z",
                                             "1969-12-32T00:00:00Z", PauseTest::Padded("2026-02-28T23:59:60Z")};
         },
         kTimeTokens, [] { return Check(CheckTimestamp); }},
        {"pause-values", 250, PauseSeeds, {"|", std::string(1, '\0'), "  "}, StartPause},
        {"log-settings",
         150,
         LogSettingsSeeds,
         {"[mutation_tests]\r\n", "logPath=", "..\\", "C:\\", "fileFormat=", "%", "%-64v",
          "maxFileSize=", "backupFileNum=", "logLevel=", "\r\n", ";", "="},
         StartLogSettings},
        {"link-settings", 250, [] { return SeedFiles({L"seeds\\url.xml"}); }, kXmlTokens,
         [] { return StartBesideFile(L"config\\url.xml", ReadUrls); }},
        {"version-file", 250, [] { return SeedFiles({L"seeds\\version.xml"}); }, kXmlTokens,
         [] { return StartBesideFile(L"version.xml", [] { return NvLullgate::Common::GetAppVersion().size(); }); }},
    };
    return targets;
}

} // namespace Mutation
