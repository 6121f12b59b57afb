// Painting of one window: the tree is drawn into one off-screen 32-bit bitmap (background, the
// controls, the window border, the keyboard focus ring) and the painted part copied to the window,
// so nothing flickers. Also the window's shape: rounded corners by the system on Windows 11, by a
// window region elsewhere.
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

    // Paints `rcPaint` of the tree into the frame and copies it to `target` (null: the frame only).
    void Paint(HDC target, const RECT& rcPaint);
    // Whether a frame was painted.
    [[nodiscard]] bool HasFrame() const { return m_bits != nullptr; }
    // Pixel of the last frame at a client point, 0xAARRGGBB; 0 outside.
    [[nodiscard]] DWORD PaintedPixel(POINT pt) const;
    // Rounds the window's corners as the skin's roundcorner asks, for the current size and DPI.
    void UpdateShape();

private:
    [[nodiscard]] bool EnsureFrame(int cx, int cy);

    CPaintManagerUI& m_manager;
    const WindowLook& m_look;
    // A 32-bit top-down DIB selected into its own memory DC. Declared in this order so the bitmap
    // leaves the DC before it is deleted, and the DC goes last.
    unique_memdc m_dc;
    unique_gdi<HBITMAP> m_bitmap;
    ScopedSelectObject m_selection;
    DWORD* m_bits = nullptr;
    SIZE m_size{};
};

} // namespace DuiLib
