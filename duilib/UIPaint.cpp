#include "duilib/UIPaint.h"

#include "duilib/UIManager.h"
#include "duilib/UITheme.h"
#include "duilib/UIWindowLook.h"

#include <dwmapi.h>

#include <cmath>

namespace DuiLib {

namespace {
// Windows 11 rounds a window's corners itself, anti-aliased and with its shadow, when asked
// (DWMWA_WINDOW_CORNER_PREFERENCE = 33, DWMWCP_ROUND = 2); Windows 10 refuses the attribute. Wine
// accepts it without rounding anything, so there the region is used as on Windows 10.
bool RoundCornersByDwm(HWND hwnd) {
    static const bool underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    if (underWine) {
        return false;
    }
    const DWORD round = 2;
    return SUCCEEDED(DwmSetWindowAttribute(hwnd, 33, &round, sizeof(round)));
}
} // namespace

bool WindowPainter::EnsureFrame(int cx, int cy) {
    if (m_bitmap && m_size.cx == cx && m_size.cy == cy) {
        return true;
    }
    if (!m_dc) {
        m_dc.reset(CreateCompatibleDC(nullptr));
        if (!m_dc) {
            return false;
        }
    }
    m_selection.reset();
    m_bitmap.reset();
    m_bitmap.reset(Render::CreatePixelBitmap(m_dc.get(), cx, cy, &m_bits));
    if (!m_bitmap) {
        return false;
    }
    m_size = SIZE{cx, cy};
    m_allStale = true; // a new bitmap holds nothing yet
    m_selection = ScopedSelectObject(m_dc.get(), m_bitmap.get());
    return true;
}

void WindowPainter::Invalidate(const RECT& rc) {
    if (rc.right > rc.left && rc.bottom > rc.top) {
        UnionRect(&m_stale, &m_stale, &rc);
    }
}

void WindowPainter::Paint(HDC target, const RECT& rcPaint) {
    HWND window = m_manager.GetPaintWindow();
    if (window == nullptr || m_manager.GetRoot() == nullptr) {
        return;
    }
    m_manager.EnsureLayout();
    RECT client{};
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0 || !EnsureFrame(client.right, client.bottom)) {
        return;
    }
    RECT stale = client;
    if (!m_allStale && !IntersectRect(&stale, &m_stale, &client)) {
        stale = RECT{};
    }
    // Taken before drawing: whatever is invalidated while the tree draws is drawn next time.
    m_allStale = false;
    m_stale = RECT{};
    if (!IsRectEmpty(&stale)) {
        Draw(client, stale);
    }
    if (target != nullptr) {
        BitBlt(target, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left, rcPaint.bottom - rcPaint.top,
               m_dc.get(), rcPaint.left, rcPaint.top, SRCCOPY);
    }
}

void WindowPainter::Draw(const RECT& client, const RECT& rc) {
    // An opaque background is filled by GDI: GDI+ clears a part of a bitmap as slowly as it fills
    // the whole of it, which under Wine costs more than anything an animation frame draws.
    const DWORD background = Theme::Color(Theme::Role::Window, m_look.bkColor != 0 ? m_look.bkColor : 0xFFFFFFFF);
    const bool opaque = (background >> 24) == 0xFF;
    if (opaque) {
        SetBkColor(m_dc.get(), RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
        ExtTextOutW(m_dc.get(), 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    }
    Gdiplus::Graphics g(m_dc.get());
    Render::PrepareGraphics(g);
    g.SetClip(Gdiplus::Rect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top));
    const float radius = m_manager.ScaleF(static_cast<float>(m_look.roundCorner.cx));
    if (!opaque) {
        g.Clear(Render::ToColor(background));
    }
    m_manager.GetRoot()->DoPaint(g, rc);
    // Stroking the outline costs as much as the rest of a full paint, whatever the clip: it is
    // left out when the painted part lies clear of it, as an animation frame inside does.
    const float borderWidth = m_manager.ScaleF(static_cast<float>(m_look.borderSize > 0 ? m_look.borderSize : 1));
    RECT inside = client;
    const int reach = static_cast<int>(std::ceil(radius + borderWidth)) + 1;
    InflateRect(&inside, -reach, -reach);
    const bool clearOfBorder =
        rc.left >= inside.left && rc.top >= inside.top && rc.right <= inside.right && rc.bottom <= inside.bottom;
    if ((m_look.borderColor >> 24) != 0 && !clearOfBorder) {
        Render::DrawBorder(g, client, Theme::Color(Theme::Role::Text, m_look.borderColor), borderWidth, radius);
    }
    // The ring around the focused control; an edit shows its focus line instead.
    CControlUI* focus = m_manager.GetFocus();
    if (m_manager.IsFocusVisible() && focus != nullptr && focus->IsVisibleInTree() && focus->IsEnabled() &&
        focus->GetInterface(L"Edit") == nullptr) {
        RECT ring = focus->GetFocusRect();
        InflateRect(&ring, m_manager.Scale(4), m_manager.Scale(4));
        Render::DrawBorder(g, ring, Theme::Color(Theme::Role::Highlight, m_look.focusColor), m_manager.ScaleF(2),
                           focus->Radius() + m_manager.ScaleF(4));
    }
}

DWORD WindowPainter::PaintedPixel(POINT pt) const {
    if (m_bits == nullptr || pt.x < 0 || pt.y < 0 || pt.x >= m_size.cx || pt.y >= m_size.cy) {
        return 0;
    }
    return m_bits[static_cast<size_t>(pt.y) * static_cast<size_t>(m_size.cx) + static_cast<size_t>(pt.x)] | 0xFF000000u;
}

void WindowPainter::UpdateShape() {
    HWND window = m_manager.GetPaintWindow();
    if (window == nullptr || m_look.roundCorner.cx <= 0) {
        return;
    }
    if (RoundCornersByDwm(window)) {
        return;
    }
    RECT rc{};
    GetWindowRect(window, &rc);
    const int diameter = m_manager.Scale(m_look.roundCorner.cx) * 2;
    unique_gdi<HRGN> region(
        CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, diameter, diameter));
    // On success the window owns the region.
    if (region && SetWindowRgn(window, region.get(), TRUE) != 0) {
        region.release();
    }
}

} // namespace DuiLib
