// Small services the application shell and the consent windows share: the version text, read
// anew from "version.xml" beside the executable on every call, and raising a window to the front.
// Kept in its own target so the privacy code can use it without depending on the executable.
#pragma once

#include <windows.h>

#include <string>

namespace NvLullgate {

class Common {
public:
    // The "Value" attribute of the first <Config>/<ConfigItem> in version.xml beside the
    // executable, exactly as written; empty (and logged) when it cannot be read.
    static std::string GetAppVersion();
    // Puts the window at the top of the z-order without leaving it topmost, and gives it the
    // foreground. A null handle is logged and ignored.
    static void ShowTopByHwnd(HWND hwnd);
    // Whether SetProcessDpiAwareness's answer is a failure worth logging. E_ACCESSDENIED only says
    // the awareness was set already, as the manifest does on every normal start: nothing failed.
    [[nodiscard]] static bool IsDpiAwarenessFailure(HRESULT result);
};

} // namespace NvLullgate
