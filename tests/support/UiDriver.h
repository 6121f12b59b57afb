// Drives skinned windows in tests the way a user would: finds a window and its controls by name,
// clicks a control by sending real mouse messages to its centre, types into edits character by
// character, presses keys, and answers a modal window from inside its own loop. Everything runs on
// the test's thread and works headless under Wine's null graphics driver.
#pragma once

#include "duilib/UIlib.h"

#include <functional>
#include <string>
#include <vector>

namespace UiDriver {

// Points the toolkit at a skin folder and a string folder (beside the executable unless given with
// a drive, ending in a backslash) and a language, as start-up does.
void UseSkin(const std::wstring& skin = L"res\\", const std::wstring& strings = L"res\\values\\",
             const wchar_t* language = L"en-US");

// A plain window that owns the modal windows under test, as the main window owns them.
class OwnerWindow : public DuiLib::WindowImplBase {
protected:
    const wchar_t* GetWindowClassName() const override { return L"LullgateTestOwner"; }
    DuiLib::CDuiString GetSkinFile() override { return L"<Window size='440,330'><VerticalLayout/></Window>"; }
};

// Runs the thread's messages for about `ms` milliseconds (at least one pass).
void Pump(DWORD ms = 0);
// Runs messages until `done` holds or `timeoutMs` passes; true when it held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);

class UiWindow {
public:
    explicit UiWindow(HWND hwnd = nullptr) : m_hwnd(hwnd) {}

    bool IsValid() const { return m_hwnd != nullptr && IsWindow(m_hwnd); }
    HWND Hwnd() const { return m_hwnd; }
    DuiLib::CPaintManagerUI* Manager() const { return DuiLib::CPaintManagerUI::FromWindow(m_hwnd); }
    DuiLib::CControlUI* Control(const wchar_t* name) const;
    template <typename T> T* ControlAs(const wchar_t* name, const wchar_t* interfaceName) const {
        DuiLib::CControlUI* c = Control(name);
        return c != nullptr ? static_cast<T*>(c->GetInterface(interfaceName)) : nullptr;
    }

    // Centre of a control in client pixels (after laying the window out).
    POINT Centre(const wchar_t* name) const;
    // A client point over link `index` of a text control, or over its plain text for -1;
    // {-1, -1} when there is none.
    POINT LinkPoint(const wchar_t* name, int index) const;
    bool Click(const wchar_t* name) const;
    void ClickAt(POINT pt) const;
    void MouseMove(POINT pt) const { Send(WM_MOUSEMOVE, 0, pt); }
    void MouseDown(POINT pt) const { Send(WM_LBUTTONDOWN, MK_LBUTTON, pt); }
    void MouseUp(POINT pt) const { Send(WM_LBUTTONUP, 0, pt); }
    // Focuses the edit and sends each character as WM_CHAR, as the keyboard would.
    bool Type(const wchar_t* editName, const std::wstring& text) const;
    // Key down and up to the window that has the keyboard focus (this window when none).
    void PressKey(UINT vk, bool shift = false) const;
    std::wstring Text(const wchar_t* name) const;
    // Invokes the control, or link `link` of a text, through its UI Automation element as a screen
    // reader does, and runs the messages that carry the click out; the element's result.
    HRESULT Invoke(const wchar_t* name, int link = -1) const;

private:
    void Send(UINT message, WPARAM keys, POINT pt) const;

    HWND m_hwnd;
};

// While it lives, waits (on a thread timer, so inside any modal loop) for a visible window with the
// given title and/or class and runs `action` on it once. If none shows up within `timeoutMs`, the
// running modal loop is ended with a quit message so the test fails instead of hanging.
class ModalAnswer {
public:
    ModalAnswer(const wchar_t* title, const wchar_t* className, std::function<void(UiWindow&)> action,
                DWORD timeoutMs = 5000);
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool Answered() const { return m_answered; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Check();

    std::wstring m_title;
    std::wstring m_className;
    std::function<void(UiWindow&)> m_action;
    DWORD m_deadline;
    UINT_PTR m_timer = 0;
    bool m_answered = false;
    bool m_timedOut = false;
};

// Invokes an element through its invoke pattern as a screen reader does; the pattern's result, or
// E_NOINTERFACE when the element has none.
[[nodiscard]] HRESULT Invoke(IRawElementProviderSimple* element);

// One element as a screen reader sees it: its name and its UI Automation control type.
struct Described {
    std::wstring name;
    int type = 0;
    bool operator==(const Described&) const = default;
};
// Every element under the window, depth first, read back through UI Automation's own client from
// the window's handle while this thread answers it, and the name of the window's own element when
// asked for; false when the client cannot read the window.
[[nodiscard]] bool Describe(HWND window, std::vector<Described>& elements, std::wstring* rootName = nullptr);

} // namespace UiDriver
