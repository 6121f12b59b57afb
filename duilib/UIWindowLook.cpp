#include "duilib/UIWindowLook.h"

#include "duilib/UICulture.h"
#include "duilib/UILimits.h"
#include "duilib/UIMarkup.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace DuiLib {

void WindowLook::SetAttribute(const wchar_t* name, const wchar_t* value) {
    const std::wstring attribute = name;
    DWORD color = 0;
    if (attribute == L"size") {
        // The window is painted into one bitmap of its size.
        initSize = Markup::ParseSize(value);
        initSize.cx = std::clamp(initSize.cx, 0L, static_cast<LONG>(Limits::kMaxWindowSize));
        initSize.cy = std::clamp(initSize.cy, 0L, static_cast<LONG>(Limits::kMaxWindowSize));
    } else if (attribute == L"caption") {
        caption = Markup::ParseRect(value);
    } else if (attribute == L"roundcorner") {
        int v[2];
        (void)Markup::ParseInts(value, v, 2); // what does not parse is 0: no rounding
        roundCorner = SIZE{v[0], v[1] != 0 ? v[1] : v[0]};
    } else if (attribute == L"bkcolor" && Markup::ParseColor(value, color)) {
        bkColor = color;
    } else if (attribute == L"bordercolor" && Markup::ParseColor(value, color)) {
        borderColor = color;
    } else if (attribute == L"bordersize") {
        borderSize = Markup::ParseInt(value);
    } else if (attribute == L"textcolor" && Markup::ParseColor(value, color)) {
        textColor = color;
    } else if (attribute == L"disabledtextcolor" && Markup::ParseColor(value, color)) {
        disabledTextColor = color;
    } else if (attribute == L"linkcolor" && Markup::ParseColor(value, color)) {
        linkColor = color;
    } else if (attribute == L"linkhovercolor" && Markup::ParseColor(value, color)) {
        linkHoverColor = color;
    } else if (attribute == L"focuscolor" && Markup::ParseColor(value, color)) {
        focusColor = color;
    } else if (attribute == L"accname") {
        accName = UICulture::ResolveText(value).str();
    }
}

} // namespace DuiLib
