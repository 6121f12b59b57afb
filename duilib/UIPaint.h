// Painting of one window: the tree is drawn into one off-screen 32-bit bitmap (background, the
// controls, the window border, the keyboard focus ring) and the painted part copied to the window,
// so nothing flickers. The bitmap is kept as the window's back buffer: only what was invalidated
// through the manager (a control that changed, a new layout, a new theme) is drawn again, and a
// paint that Windows asks for alone (the window uncovered, restored) is a copy. Also the window's
// shape: rounded corners by the system on Windows 11, by a window region elsewhere.
#pragma once

#include "duilib/UIRender.h"

#include "common/UniqueHandle.h"

namespace DuiLib {

class CPaintManagerUI;
struct WindowLook;

class WindowPainter {
public:
    WindowPainter(CPaintManagerUI& manager, const WindowLook& look) : m_manager(manager), m_look(look) {}
    WindowPainter(const WindowPainter&) = delete;
    WindowPainter& operator=(const WindowPainter&) = delete;

    // Draws what no longer shows the tree into the frame (all of it the first time and after a
    // resize), then copies `rcPaint` of the frame to `target` (null: the frame only).
    void Paint(HDC target, const RECT& rcPaint);
    // The part of the frame that no longer shows the tree: drawn again at the next Paint.
    void Invalidate(const RECT& rc);
    void InvalidateAll() { m_allStale = true; }
    // Whether a frame was painted.
    [[nodiscard]] bool HasFrame() const { return m_bits != nullptr; }
    // Pixel of the last frame at a client point, 0xAARRGGBB; 0 outside.
    [[nodiscard]] DWORD PaintedPixel(POINT pt) const;
    // Rounds the window's corners as the skin's roundcorner asks, for the current size and DPI.
    void UpdateShape();

private:
    [[nodiscard]] bool EnsureFrame(int cx, int cy);
    // Draws the tree, the window's outline and the focus ring where they meet `rc`.
    void Draw(const RECT& client, const RECT& rc);

    CPaintManagerUI& m_manager;
    const WindowLook& m_look;
    // A 32-bit top-down DIB selected into its own memory DC. Declared in this order so the bitmap
    // leaves the DC before it is deleted, and the DC goes last.
    unique_memdc m_dc;
    unique_gdi<HBITMAP> m_bitmap;
    ScopedSelectObject m_selection;
    DWORD* m_bits = nullptr;
    SIZE m_size{};
    // What must be drawn again: the union of the invalidated rectangles, or everything.
    RECT m_stale{};
    bool m_allStale = true;
};

} // namespace DuiLib
