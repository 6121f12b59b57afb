#include "tests/support/UiDriver.h"

#include <oleauto.h>
// Not <uiautomation.h>: its API header names a parameter `new` and does not compile as C++.
#include <uiautomationclient.h>

#include <atomic>
#include <thread>
#include <vector>

// The invoke pattern's interface: IUnknown's three methods, then Invoke. With external linkage:
// the compiler may take a call on a class nothing in this file derives from as unreachable.
struct InvokePattern : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;

protected:
    ~InvokePattern() = default;
};

namespace UiDriver {

namespace {

// A visible window of this thread by title and/or class (either may be null).
UiWindow FindWindowOfThread(const wchar_t* title, const wchar_t* className) {
    struct Wanted {
        const wchar_t* title;
        const wchar_t* className;
        HWND found;
    } wanted{title, className, nullptr};
    const auto check = [](HWND hwnd, LPARAM lParam) -> BOOL {
        auto* w = reinterpret_cast<Wanted*>(lParam);
        wchar_t text[256] = {};
        wchar_t cls[256] = {};
        GetWindowTextW(hwnd, text, 256);
        GetClassNameW(hwnd, cls, 256);
        const bool match = IsWindowVisible(hwnd) && (w->title == nullptr || wcscmp(text, w->title) == 0) &&
                           (w->className == nullptr || wcscmp(cls, w->className) == 0);
        w->found = match ? hwnd : nullptr;
        return match ? FALSE : TRUE;
    };
    EnumThreadWindows(GetCurrentThreadId(), check, reinterpret_cast<LPARAM>(&wanted));
    return UiWindow(wanted.found);
}

std::vector<ModalAnswer*> g_answers;

} // namespace

void UseSkin(const std::wstring& skin, const std::wstring& strings, const wchar_t* language) {
    const auto full = [](const std::wstring& path) {
        return path.find(L':') != std::wstring::npos ? path : DuiLib::CPaintManagerUI::GetInstancePath().str() + path;
    };
    DuiLib::CPaintManagerUI::SetResourcePath(full(skin).c_str());
    DuiLib::UICulture::GetInstance()->SetStringPath(full(strings).c_str());
    DuiLib::UICulture::GetInstance()->SetLanguage(language, false);
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    } while (GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Pump(5);
    }
    return true;
}

DuiLib::CControlUI* UiWindow::Control(const wchar_t* name) const {
    DuiLib::CPaintManagerUI* manager = Manager();
    return manager != nullptr ? manager->FindControl(name) : nullptr;
}

POINT UiWindow::Centre(const wchar_t* name) const {
    DuiLib::CPaintManagerUI* manager = Manager();
    DuiLib::CControlUI* control = Control(name);
    if (manager == nullptr || control == nullptr) {
        return POINT{-1, -1};
    }
    manager->EnsureLayout();
    const RECT rc = control->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

POINT UiWindow::LinkPoint(const wchar_t* name, int index) const {
    auto* text = ControlAs<DuiLib::CTextUI>(name, L"Text");
    if (text == nullptr) {
        return POINT{-1, -1};
    }
    Manager()->EnsureLayout();
    // Links are found by asking the control itself, the way a mouse click is resolved.
    const RECT rc = text->GetPos();
    for (LONG y = rc.top + 1; y < rc.bottom; y += 2) {
        for (LONG x = rc.left + 1; x < rc.right; x += 2) {
            const POINT pt{x, y};
            if (text->GetLinkContentIndex(pt) == index) {
                return pt;
            }
        }
    }
    return POINT{-1, -1};
}

void UiWindow::Send(UINT message, WPARAM keys, POINT pt) const {
    SendMessageW(m_hwnd, message, keys,
                 MAKELPARAM(static_cast<WORD>(static_cast<short>(pt.x)), static_cast<WORD>(static_cast<short>(pt.y))));
}

void UiWindow::ClickAt(POINT pt) const {
    MouseMove(pt);
    MouseDown(pt);
    MouseUp(pt);
}

bool UiWindow::Click(const wchar_t* name) const {
    if (Control(name) == nullptr) {
        return false;
    }
    ClickAt(Centre(name));
    return true;
}

bool UiWindow::Type(const wchar_t* editName, const std::wstring& text) const {
    auto* edit = ControlAs<DuiLib::CEditUI>(editName, L"Edit");
    if (edit == nullptr || edit->GetNativeWindow() == nullptr) {
        return false;
    }
    edit->SetFocus();
    for (wchar_t c : text) {
        SendMessageW(edit->GetNativeWindow(), WM_CHAR, c, 1);
    }
    return true;
}

void UiWindow::PressKey(UINT vk, bool shift) const {
    HWND target = GetFocus();
    if (target == nullptr || (target != m_hwnd && GetAncestor(target, GA_ROOT) != m_hwnd)) {
        target = m_hwnd;
    }
    BYTE saved[256] = {};
    GetKeyboardState(saved);
    BYTE keys[256];
    memcpy(keys, saved, sizeof(keys));
    keys[VK_SHIFT] = shift ? 0x80 : keys[VK_SHIFT];
    SetKeyboardState(keys);
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    SendMessageW(target, WM_KEYDOWN, vk, 1 | (static_cast<LPARAM>(scan) << 16));
    if (IsWindow(target)) {
        SendMessageW(target, WM_KEYUP, vk, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
    }
    SetKeyboardState(saved);
}

std::wstring UiWindow::Text(const wchar_t* name) const {
    DuiLib::CControlUI* control = Control(name);
    return control != nullptr ? control->GetText().str() : std::wstring();
}

ModalAnswer::ModalAnswer(const wchar_t* title, const wchar_t* className, std::function<void(UiWindow&)> action,
                         DWORD timeoutMs)
    : m_title(title != nullptr ? title : L""), m_className(className != nullptr ? className : L""),
      m_action(std::move(action)), m_deadline(GetTickCount() + timeoutMs) {
    m_timer = SetTimer(nullptr, 0, 20, &ModalAnswer::OnTimer);
    g_answers.push_back(this);
}

ModalAnswer::~ModalAnswer() {
    if (m_timer != 0) {
        KillTimer(nullptr, m_timer);
    }
    if (m_timedOut) {
        // The quit posted to end the unanswered loop must not end the next test's loops as well.
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    std::erase(g_answers, this);
}

void CALLBACK ModalAnswer::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    for (ModalAnswer* answer : std::vector<ModalAnswer*>(g_answers)) {
        if (answer->m_timer == id) {
            answer->Check();
        }
    }
}

void ModalAnswer::Check() {
    UiWindow window = FindWindowOfThread(m_title.empty() ? nullptr : m_title.c_str(),
                                         m_className.empty() ? nullptr : m_className.c_str());
    m_answered = window.IsValid();
    m_timedOut = !m_answered && static_cast<LONG>(GetTickCount() - m_deadline) > 0;
    if (!m_answered && !m_timedOut) {
        return;
    }
    KillTimer(nullptr, m_timer);
    m_timer = 0;
    if (m_answered) {
        m_action(window);
    } else {
        PostQuitMessage(0);
    }
}

namespace {

// The client side of UI Automation, in-process under Wine 8; not in MinGW's headers.
using HUIANODE = struct UiaNode*;
struct UiaCondition {
    int type; // 0: true
};
struct UiaCacheRequest {
    UiaCondition* viewCondition;
    int scope; // 1: the element itself
    PROPERTYID* properties;
    int propertyCount;
    PATTERNID* patterns;
    int patternCount;
    int elementMode; // 1: full
};
struct NodeApi {
    HRESULT(WINAPI* fromHandle)(HWND, HUIANODE*) = nullptr;
    HRESULT(WINAPI* getProperty)(HUIANODE, PROPERTYID, VARIANT*) = nullptr;
    HRESULT(WINAPI* navigate)
    (HUIANODE, NavigateDirection, UiaCondition*, UiaCacheRequest*, SAFEARRAY**, BSTR*) = nullptr;
    HRESULT(WINAPI* nodeFromVariant)(VARIANT*, HUIANODE*) = nullptr;
    BOOL(WINAPI* release)(HUIANODE) = nullptr;

    NodeApi() {
        HMODULE module = LoadLibraryExW(L"uiautomationcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        Resolve(module, "UiaNodeFromHandle", fromHandle);
        Resolve(module, "UiaGetPropertyValue", getProperty);
        Resolve(module, "UiaNavigate", navigate);
        Resolve(module, "UiaHUiaNodeFromVariant", nodeFromVariant);
        Resolve(module, "UiaNodeRelease", release);
    }
    template <typename T> static void Resolve(HMODULE module, const char* name, T& fn) {
        fn = module != nullptr ? reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                               : nullptr;
    }
    [[nodiscard]] bool Complete() const { return fromHandle && getProperty && navigate && nodeFromVariant && release; }
};

void Walk(const NodeApi& api, HUIANODE node, std::vector<Described>& seen, int depth) {
    if (depth >= 10) {
        return;
    }
    UiaCondition all{0};
    UiaCacheRequest request{&all, 1, nullptr, 0, nullptr, 0, 1};
    NavigateDirection direction = NavigateDirection_FirstChild;
    HUIANODE current = node;
    for (;;) {
        SAFEARRAY* data = nullptr;
        BSTR structure = nullptr;
        HUIANODE next = nullptr;
        if (SUCCEEDED(api.navigate(current, direction, &all, &request, &data, &structure)) && data != nullptr) {
            VARIANT first;
            VariantInit(&first);
            LONG index[2] = {0, 0};
            if (SUCCEEDED(SafeArrayGetElement(data, index, &first))) {
                (void)api.nodeFromVariant(&first, &next);
            }
        }
        SafeArrayDestroy(data);
        SysFreeString(structure);
        if (current != node) {
            api.release(current);
        }
        if (next == nullptr) {
            return;
        }
        VARIANT name;
        VARIANT type;
        VariantInit(&name);
        VariantInit(&type);
        (void)api.getProperty(next, UIA_NamePropertyId, &name);
        (void)api.getProperty(next, UIA_ControlTypePropertyId, &type);
        seen.push_back(Described{name.vt == VT_BSTR && name.bstrVal != nullptr ? name.bstrVal : L"",
                                 type.vt == VT_I4 ? type.lVal : 0});
        VariantClear(&name);
        Walk(api, next, seen, depth + 1);
        current = next;
        direction = NavigateDirection_NextSibling;
    }
}

} // namespace

HRESULT Invoke(IRawElementProviderSimple* element) {
    IUnknown* pattern = nullptr;
    HRESULT hr = element->GetPatternProvider(UIA_InvokePatternId, &pattern);
    if (FAILED(hr) || pattern == nullptr) {
        return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    hr = static_cast<InvokePattern*>(pattern)->Invoke();
    pattern->Release();
    return hr;
}

HRESULT UiWindow::Invoke(const wchar_t* name, int link) const {
    DuiLib::CPaintManagerUI* manager = Manager();
    IRawElementProviderSimple* element =
        manager != nullptr ? manager->GetAutomation().Element(Control(name), link) : nullptr;
    if (element == nullptr) {
        return E_INVALIDARG;
    }
    const HRESULT hr = UiDriver::Invoke(element);
    element->Release();
    Pump();
    return hr;
}

bool Describe(HWND window, std::vector<Described>& elements, std::wstring* rootName) {
    static const NodeApi api;
    if (!api.Complete()) {
        return false;
    }
    // The client runs on a thread of its own, as a screen reader runs in a process of its own;
    // the window's provider is called on this thread, from its messages.
    HRESULT found = E_FAIL;
    std::atomic<bool> done = false;
    std::thread client([&] {
        HUIANODE root = nullptr;
        found = api.fromHandle(window, &root);
        if (SUCCEEDED(found)) {
            if (rootName != nullptr) {
                VARIANT name;
                VariantInit(&name);
                (void)api.getProperty(root, UIA_NamePropertyId, &name);
                *rootName = name.vt == VT_BSTR && name.bstrVal != nullptr ? name.bstrVal : L"";
                VariantClear(&name);
            }
            Walk(api, root, elements, 0);
            api.release(root);
        }
        done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); }, 20000);
    client.join();
    return finished && SUCCEEDED(found);
}

} // namespace UiDriver
