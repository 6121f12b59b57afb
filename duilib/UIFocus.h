// The keyboard focus of one window: which control takes the keys (and which of its stops, for a
// text's links), whether the focus ring shows (only once the keyboard was used), the Tab order
// (enabled, visible stops in layout order, wrapping around), and what Enter, Space and Tab do.
// Focus changes reach the control as an event and the window as "setfocus"/"killfocus".
#pragma once

#include <windows.h>

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;

class KeyboardFocus {
public:
    explicit KeyboardFocus(CPaintManagerUI& manager) : m_manager(manager) {}
    KeyboardFocus(const KeyboardFocus&) = delete;
    KeyboardFocus& operator=(const KeyboardFocus&) = delete;

    [[nodiscard]] CControlUI* Get() const { return m_focus; }
    [[nodiscard]] bool IsRingVisible() const { return m_ringVisible; }
    // Focuses the control (null: none); `byKeyboard` shows the ring. The native focus follows:
    // an edit's EDIT box, else the window.
    void Set(CControlUI* control, bool byKeyboard);
    // Tab / Shift+Tab.
    void Move(bool forward);
    // Enter, Space and Tab as the window sees them (also from EDIT children). True when used.
    [[nodiscard]] bool HandleKey(UINT vk);
    // WM_KEYDOWN of the window; true when the key was used.
    [[nodiscard]] bool OnKeyDown(WPARAM vk, LPARAM flags);
    // WM_SETFOCUS / WM_KILLFOCUS of the window: the focused control's look changes with it.
    void OnWindowFocus(bool gained);
    // A control is going away.
    void Forget(const CControlUI* control);

private:
    [[nodiscard]] CControlUI* DefaultButton() const;

    CPaintManagerUI& m_manager;
    CControlUI* m_focus = nullptr;
    bool m_ringVisible = false;
};

} // namespace DuiLib
