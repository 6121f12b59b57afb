// The tooltip of one window: a standard tooltip control showing the text of the hovered control,
// or of its nearest ancestor that has one. One tool covers the window and moves to the control;
// the tooltip window watches the mouse itself.
#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

class CControlUI;

class ToolTip {
public:
    ToolTip() = default;
    ToolTip(const ToolTip&) = delete;
    ToolTip& operator=(const ToolTip&) = delete;

    // Shows the tooltip that belongs to `hovered` (null: none) over `owner`. The tooltip window
    // is made, `maxWidth` pixels wide at most, the first time there is something to show.
    void Follow(HWND owner, CControlUI* hovered, int maxWidth);
    // A control is going away: its tooltip is taken down.
    void Forget(HWND owner, const CControlUI* control);

    // Null until a control with a tooltip was hovered; destroyed with the owner window.
    [[nodiscard]] HWND Window() const { return m_hwnd; }
    [[nodiscard]] const std::wstring& Text() const { return m_text; }

private:
    HWND m_hwnd = nullptr;
    const CControlUI* m_control = nullptr;
    std::wstring m_text;
};

} // namespace DuiLib
