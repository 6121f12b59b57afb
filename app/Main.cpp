// The entry point: log set-up, the single-instance lock (a second start hands over to the running
// instance and ends), DPI awareness, the toolkit's resources and language, then the main window
// behind the consent gate and the message loop. The process always ends with 0.
#include "appcommon/Common.h"
#include "duilib/UIlib.h"
#include "log/LogManager.h"
#include "privacy/LinkOpener.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "privacy/ui/PrivacySecurityApi.h"
#include "ui/ConfirmWindow.h"
#include "ui/MainWindow.h"

#include "common/UniqueHandle.h"

#include <windows.h>
#include <shellscalingapi.h>

#include <memory>
#include <new>

namespace {

constexpr char kProductName[] = "Lullgate";
constexpr wchar_t kInstanceLockName[] = L"windows//PC/Calmlock";
constexpr wchar_t kMainWindowClass[] = L"CalmlockUI";
constexpr wchar_t kMainWindowTitle[] = L"Calmlock";
constexpr UINT kMainIconId = 103;

// True when another instance holds the lock. `lock` receives the handle opened or created (null
// when neither worked: the process then runs as the first instance, without a lock).
bool IsAppRunning(const wchar_t* mutexName, unique_handle& lock) {
    lock.reset(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, mutexName));
    if (lock) {
        return true;
    }
    // A null DACL: an instance started under another account of this session can still open it.
    SECURITY_DESCRIPTOR descriptor{};
    (void)InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    (void)SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;
    lock.reset(CreateMutexW(&attributes, TRUE, mutexName));
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

// Hands over to the running instance: its main window is restored and raised.
void MoveWndToTop() {
    HWND running = FindWindowW(kMainWindowClass, kMainWindowTitle);
    if (running == nullptr) {
        LOG_ERROR(L"get current show window hwnd fail.");
        return;
    }
    SendMessageW(running, WM_SYSCOMMAND, SC_RESTORE, 0);
    NvLullgate::Common::ShowTopByHwnd(running);
}

void DPIAware() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 1;
    version.wServicePackMajor = 0;
    ULONGLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    if (!VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, condition)) {
        return;
    }
    // The manifest already declares per-monitor awareness, so Windows answers E_ACCESSDENIED here
    // on every start; the call stays for a copy started without its manifest.
    const HRESULT result = SetProcessDpiAwareness(PROCESS_PER_MONITOR_DPI_AWARE);
    if (NvLullgate::Common::IsDpiAwarenessFailure(result)) {
        LOG_ERROR(L"SetProcessDpiAwareness fail, error code: " << static_cast<long>(result));
    }
}

void InitUIResource(HINSTANCE instance) {
    DuiLib::CPaintManagerUI::SetInstance(instance);
    const DuiLib::CDuiString folder = DuiLib::CPaintManagerUI::GetInstancePath();
    DuiLib::CPaintManagerUI::SetResourcePath((folder + L"res/").GetData());
    DuiLib::UICulture::GetInstance()->SetLanguage(L"zh-CN", true);
    (void)SetCurrentDirectoryW(folder.GetData()); // files are found beside the exe either way
    DuiLib::UICulture::GetInstance()->SetStringPath((folder + L"\\" + L"res/values/").GetData());
    // A document no desktop shell could open is not lost: the user is told where it is.
    NvPcPrivacySecurity::SetNotStartedNotice(NvLullgate::TellLinkNotOpened);
}

// Asks for consent as the record requires, over the hidden main window. True when the main window
// may be shown.
bool PassConsentGate(HWND owner) {
    using namespace NvPcPrivacySecurity;
    switch (OptPrivacySecurityReg::CheckToolPriacyStatusReg()) {
    case StatusCurrent:
        return true;
    case StatusNotAgreed:
        return PrivacySecurityApi::ShowPrivacySecurityWelcomUI(owner);
    case StatusPrivacyChanged:
        return PrivacySecurityApi::ShowChangeNoticationUI(owner, ChangePrivacy);
    case StatusUserAgreementChanged:
        return PrivacySecurityApi::ShowChangeNoticationUI(owner, ChangeUserAgreement);
    case StatusBothChanged:
        return PrivacySecurityApi::ShowChangeNoticationUI(owner, ChangeBoth);
    default:
        return false;
    }
}

void ShowMainWnd() {
    const std::unique_ptr<NvLullgate::MainWindow> window(new (std::nothrow) NvLullgate::MainWindow());
    if (!window) {
        return;
    }
    window->Create(nullptr, L"", WS_POPUP, WS_EX_WINDOWEDGE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                   nullptr);
    window->CenterWindow();
    window->SetIcon(kMainIconId);
    window->ShowWindow(false, true);
    HWND hwnd = window->GetHWND();
    if (hwnd == nullptr) {
        // Without a window no quit message would ever arrive: end here instead of looping forever.
        LOG_ERROR(L"create mian windows m_hWnd is null");
        return;
    }
    if (!PassConsentGate(hwnd)) {
        // The main window quits on WM_CLOSE; the loop below then returns at once.
        window->SendMessageW(WM_CLOSE, 0, 0);
    } else {
        window->ShowWindow(true, true);
        NvLullgate::Common::ShowTopByHwnd(hwnd);
    }
    DuiLib::CPaintManagerUI::MessageLoop();
    // The window is gone, every setting is in the registry and every log line was flushed as it
    // was written: nothing is left to do. The process ends here rather than first freeing, piece
    // by piece, the window's controls, images, fonts and GDI+, which the system takes back with
    // the process at once; that teardown was a third of the time from the close button to the
    // end of the process.
    ExitProcess(0);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // An elevated program must never load a library planted beside it (a downloads folder, say):
    // from here on libraries come from System32 only. GDI+ and the DWM library are delay-loaded,
    // so they too are loaded after this line.
    (void)SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    LogManager::GetInstance().SetLogDirectory(kProductName);
    LogManager::GetInstance().Initialize();

    unique_handle lock;
    if (IsAppRunning(kInstanceLockName, lock)) {
        MoveWndToTop();
    } else {
        DPIAware();
        // GDI+ for the whole run. A window that ran ends the process itself (ShowMainWnd); one
        // that could not be made ends GDI+ here rather than in static destruction.
        const DuiLib::GdiplusSession gdiplus;
        InitUIResource(instance);
        ShowMainWnd();
    }
    lock.reset();
    return 0;
}
