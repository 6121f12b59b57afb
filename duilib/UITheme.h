// The colours of a high-contrast theme: while one is on, every control paints with the theme's
// system colours instead of the skin's. Painting asks here for each colour it uses, so the
// decision lives in one place and tests can switch the theme on without touching the system.
#pragma once

#include <windows.h>

#include <optional>

namespace DuiLib::Theme {

// What a colour is used for, mapped to the theme's system colour while high contrast is on.
enum class Role {
    Window,        // backgrounds (COLOR_WINDOW)
    Text,          // text and outlines (COLOR_WINDOWTEXT)
    Link,          // links (COLOR_HOTLIGHT)
    Highlight,     // the focused and the default button, the focus ring (COLOR_HIGHLIGHT)
    HighlightText, // text on the highlight (COLOR_HIGHLIGHTTEXT)
    GrayText,      // disabled text (COLOR_GRAYTEXT)
};

// Whether a high-contrast theme is on (read once, then again after Refresh).
[[nodiscard]] bool IsHighContrast();
// Reads the setting again, after WM_SETTINGCHANGE, WM_SYSCOLORCHANGE or WM_THEMECHANGED.
void Refresh();
// Forces high contrast on or off for this process; std::nullopt follows the system again.
void ForceHighContrast(std::optional<bool> on);
// The theme's colour for `role` (0xFFRRGGBB) while high contrast is on, else the skin's colour.
// A background or text colour the skin leaves fully transparent stays so: nothing was drawn there.
[[nodiscard]] DWORD Color(Role role, DWORD skin);

} // namespace DuiLib::Theme
