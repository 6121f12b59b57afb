// What a layout's <Window> element says about the window as a whole: its size and caption area in
// 96-DPI units, its corner radius, background and border, and the colours controls fall back to
// when they name none. The manager holds one; painting, input and the controls read it.
#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

struct WindowLook {
    SIZE initSize{};
    RECT caption{}; // l,t from the top-left corner; r from the right edge; b from the top
    SIZE roundCorner{};
    DWORD bkColor = 0; // 0: white
    DWORD borderColor = 0;
    int borderSize = 1;
    DWORD textColor = 0xFF1A1A1A;
    DWORD disabledTextColor = 0xFFA0A0A0;
    DWORD linkColor = 0xFF0067C0;
    DWORD linkHoverColor = 0xFF005A9E;
    DWORD focusColor = 0xFF0067C0;
    // What a screen reader calls the window ("accname", a text or a string key); empty: its title.
    // A window's title may be a fixed name other programs find it by, not a name for people.
    std::wstring accName;

    // One attribute of the <Window> element; unknown names and malformed colours change nothing.
    void SetAttribute(const wchar_t* name, const wchar_t* value);
};

} // namespace DuiLib
