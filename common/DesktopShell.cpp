#include "common/DesktopShell.h"

#include "common/UniqueHandle.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

struct SystemString {
    using type = BSTR;
    static type invalid() noexcept { return nullptr; }
    static void close(type text) noexcept { SysFreeString(text); }
};
using unique_bstr = UniqueResource<SystemString>;

// A VARIANT that clears what it holds. An empty one stands for an argument left out.
class Variant {
public:
    Variant() noexcept { VariantInit(&m_value); }
    explicit Variant(LPCWSTR text) noexcept : Variant() {
        m_value.bstrVal = SysAllocString(text != nullptr ? text : L"");
        m_value.vt = m_value.bstrVal != nullptr ? VT_BSTR : VT_EMPTY;
    }
    explicit Variant(int number) noexcept : Variant() {
        m_value.vt = VT_I4;
        m_value.lVal = number;
    }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    [[nodiscard]] VARIANT* get() noexcept { return &m_value; }
    [[nodiscard]] const VARIANT& value() const noexcept { return m_value; }
    // A text argument that could not be allocated must not turn into a left-out one.
    [[nodiscard]] bool IsText() const noexcept { return m_value.vt == VT_BSTR; }

private:
    VARIANT m_value;
};

// COM on this thread for the length of one request. A thread already in the multithreaded
// apartment keeps it: the shell's objects are reached from there just as well.
class ComApartment {
public:
    ComApartment() noexcept : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    [[nodiscard]] bool Usable() const noexcept { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

private:
    HRESULT m_result;
};

// The shell's automation object as Explorer itself serves it: found through the desktop window's
// folder view, so that what it starts is started by Explorer's process, not by ours. Creating
// "Shell.Application" directly would give an object inside this process instead.
unique_com<IShellDispatch2> FindDesktopShell() {
    unique_com<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                reinterpret_cast<void**>(windows.put())))) {
        return {};
    }
    Variant location(static_cast<int>(CSIDL_DESKTOP));
    Variant root;
    LONG window = 0;
    unique_com<IDispatch> desktop;
    // S_FALSE means no desktop window is registered: there is no shell to ask.
    if (windows.get()->FindWindowSW(location.get(), root.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                    desktop.put()) != S_OK ||
        !desktop) {
        return {};
    }
    unique_com<IServiceProvider> services;
    unique_com<IShellBrowser> browser;
    unique_com<IShellView> view;
    unique_com<IDispatch> background;
    unique_com<IShellFolderViewDual> folderView;
    unique_com<IDispatch> application;
    unique_com<IShellDispatch2> shell;
    if (FAILED(desktop.get()->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(services.put()))) ||
        FAILED(services.get()->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                            reinterpret_cast<void**>(browser.put()))) ||
        FAILED(browser.get()->QueryActiveShellView(view.put())) || !view ||
        FAILED(
            view.get()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.put()))) ||
        FAILED(
            background.get()->QueryInterface(IID_IShellFolderViewDual, reinterpret_cast<void**>(folderView.put()))) ||
        FAILED(folderView.get()->get_Application(application.put())) || !application ||
        FAILED(application.get()->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(shell.put())))) {
        return {};
    }
    return shell;
}

} // namespace

bool StartThroughDesktopShell(LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int showCommand) {
    const ComApartment apartment;
    if (!apartment.Usable()) {
        return false;
    }
    // Everything below is released before the apartment closes.
    const unique_com<IShellDispatch2> shell = FindDesktopShell();
    if (!shell) {
        return false;
    }
    const unique_bstr fileText(SysAllocString(file));
    Variant arguments(parameters);
    Variant directory;
    Variant operation(verb);
    Variant show(showCommand);
    if (!fileText || !arguments.IsText() || !operation.IsText()) {
        return false;
    }
    // Explorer starts the program, so it is Explorer that may hand it the foreground.
    (void)CoAllowSetForegroundWindow(shell.get(), nullptr);
    // Only S_OK is a start: the shell answers S_FALSE when it could not carry the request out.
    return shell.get()->ShellExecute(fileText.get(), arguments.value(), directory.value(), operation.value(),
                                     show.value()) == S_OK;
}
