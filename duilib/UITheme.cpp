#include "duilib/UITheme.h"

namespace DuiLib::Theme {

namespace {

std::optional<bool> g_forced;
std::optional<bool> g_system;

bool QuerySystem() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof(hc);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(hc), &hc, 0) != FALSE &&
           (hc.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

int SystemIndex(Role role) {
    switch (role) {
    case Role::Window:
        return COLOR_WINDOW;
    case Role::Text:
        return COLOR_WINDOWTEXT;
    case Role::Link:
        return COLOR_HOTLIGHT;
    case Role::Highlight:
        return COLOR_HIGHLIGHT;
    case Role::HighlightText:
        return COLOR_HIGHLIGHTTEXT;
    case Role::GrayText:
        return COLOR_GRAYTEXT;
    }
    return COLOR_WINDOWTEXT;
}

} // namespace

bool IsHighContrast() {
    if (g_forced.has_value()) {
        return *g_forced;
    }
    if (!g_system.has_value()) {
        g_system = QuerySystem();
    }
    return *g_system;
}

void Refresh() {
    g_system = QuerySystem();
}

void ForceHighContrast(std::optional<bool> on) {
    g_forced = on;
}

DWORD Color(Role role, DWORD skin) {
    if ((role == Role::Window || role == Role::Text) && (skin >> 24) == 0) {
        return skin;
    }
    if (!IsHighContrast()) {
        return skin;
    }
    const COLORREF c = GetSysColor(SystemIndex(role));
    return 0xFF000000u | (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) |
           GetBValue(c);
}

} // namespace DuiLib::Theme
