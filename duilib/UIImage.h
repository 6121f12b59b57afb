// GDI+ for the process and the images drawn with it. A GdiplusSession keeps GDI+ (and the image
// cache, which holds GDI+ bitmaps) alive while it lives: the program's start owns one for the whole
// run, and every window's manager holds one too, so GDI+ runs while any window exists even where
// the start forgot it, and always ends with its last owner, never in static destruction.
// Image descriptions: a bare file name or "file='x.png' dest='l,t,r,b' source='l,t,r,b'
// reverse='true' fade='128'".
#pragma once

#include "duilib/UIRender.h"

#include <string>

namespace DuiLib {

class CPaintManagerUI;

class GdiplusSession {
public:
    // Starts GDI+, or joins the session already running. Sessions are made on the UI thread.
    GdiplusSession();
    // The last session to end drops the cached images and shuts GDI+ down.
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    // Whether GDI+ is usable while this object lives (false when it failed to start).
    [[nodiscard]] bool IsStarted() const { return m_started; }
    // Whether any session holds GDI+ now.
    [[nodiscard]] static bool IsRunning();

private:
    bool m_started = false;
};

namespace Render {

struct ImageDesc {
    std::wstring file;
    RECT dest{}; // 96-DPI units relative to the control; used when hasDest
    bool hasDest = false;
    RECT source{}; // pixels of the image file; used when hasSource
    bool hasSource = false;
    bool reverse = false; // mirrored left to right
    BYTE fade = 255;
};

// A bare name or an attribute list; false when no file is named.
[[nodiscard]] bool ParseImageDesc(const wchar_t* text, ImageDesc& desc);

struct CachedImage {
    Gdiplus::Bitmap* bitmap = nullptr; // owned by the cache
    // The scale the file was drawn for, from its name: "@1.5x" and "@2x"; 1 otherwise.
    float drawnScale = 1.0f;
};

// Loads (once per session) and returns an image by full path; null bitmap when the file is
// missing or unreadable, or when no GDI+ session runs.
CachedImage GetImage(const std::wstring& fullPath);
// Forgets every cached image (tests, skin reloads).
void FlushImageCache();
// Forgets one cached image: for images shown once, such as the frames of an animation.
void ForgetImage(const std::wstring& fullPath);
// Number of images currently held by the cache.
size_t ImageCacheSize();

// Draws an image description into the control rectangle `rc` (pixels). Without dest the image is
// stretched over the control. False when the image cannot be drawn.
[[nodiscard]] bool DrawImage(Gdiplus::Graphics& g, CPaintManagerUI* manager, const RECT& rc,
                             const wchar_t* description);
// Draws `source` (bitmap pixels) of a bitmap into `dest`, mirrored and faded as asked: what
// DrawImage does once the image is found, for others that must draw exactly as it does.
[[nodiscard]] bool DrawBitmap(Gdiplus::Graphics& g, Gdiplus::Bitmap& bitmap, const Gdiplus::RectF& dest,
                              const Gdiplus::RectF& source, bool reverse, BYTE fade);

} // namespace Render
} // namespace DuiLib
