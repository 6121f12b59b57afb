// The reminder's one notification: a balloon from the notification area with the program's icon
// (Windows 10 and 11 show it as a toast). A click on it starts Lullgate.exe through the shell, with
// the usual elevation prompt; the icon goes when the balloon closes, or after the time limit.
#pragma once

#include <windows.h>

#include <string>

namespace NvLullgate::Reminders {

struct BalloonText {
    std::wstring title; // at most 63 characters are shown
    std::wstring text;  // at most 255
    std::wstring tip;   // the icon's tooltip
};

enum class BalloonEnd { clicked, closed, timedOut, failed };

// Shows the balloon and runs messages until it is gone; `icon` is the program's icon.
[[nodiscard]] BalloonEnd ShowBalloon(const BalloonText& text, HICON icon, DWORD limitMs = 15000);

} // namespace NvLullgate::Reminders
