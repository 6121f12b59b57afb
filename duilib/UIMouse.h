// The mouse in one window: which control is under it (hot) and which holds the capture after a
// press, the events they get (enter, leave, move, down, up), the tooltip that follows the hovered
// control, the cursor, and which part of the caption area drags the window.
#pragma once

#include "duilib/UIToolTip.h"

#include <windows.h>

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;
struct WindowLook;

class MouseInput {
public:
    MouseInput(CPaintManagerUI& manager, const WindowLook& look) : m_manager(manager), m_look(look) {}
    MouseInput(const MouseInput&) = delete;
    MouseInput& operator=(const MouseInput&) = delete;

    // WM_MOUSEMOVE, WM_MOUSELEAVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK and WM_LBUTTONUP; false for
    // other messages.
    [[nodiscard]] bool OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // WM_CAPTURECHANGED: a press whose capture was taken away ends without a click.
    void OnCaptureChanged(HWND newCapture);
    // WM_NCHITTEST: the caption area drags the window except over controls that take clicks.
    // False outside the client area (the system answers).
    [[nodiscard]] bool HitTest(LPARAM lParam, LRESULT& result);
    // WM_SETCURSOR: the cursor of the control under the mouse. False when not for the client area.
    [[nodiscard]] bool SetCursor(WPARAM wParam, LPARAM lParam);
    // A control is going away.
    void Forget(const CControlUI* control);

    [[nodiscard]] const ToolTip& GetToolTip() const { return m_toolTip; }

private:
    void UpdateHot(POINT pt);

    CPaintManagerUI& m_manager;
    const WindowLook& m_look;
    CControlUI* m_hover = nullptr;
    CControlUI* m_capture = nullptr;
    bool m_trackingLeave = false;
    ToolTip m_toolTip;
};

} // namespace DuiLib
