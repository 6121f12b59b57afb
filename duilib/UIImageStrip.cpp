#include "duilib/UIImageStrip.h"

#include "duilib/UIImage.h"
#include "duilib/UILimits.h"

#include "common/UniqueHandle.h"

#include <wincodec.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace DuiLib::Render {

class ImageStrip::Canvas {
public:
    Canvas(int cx, int cy) : m_dc(CreateCompatibleDC(nullptr)), m_size{cx, cy} {
        if (m_dc) {
            m_bitmap.reset(CreatePixelBitmap(m_dc.get(), cx, cy, &m_bits));
        }
        if (m_bitmap) {
            m_selection = ScopedSelectObject(m_dc.get(), m_bitmap.get());
        }
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    [[nodiscard]] HDC Dc() const { return m_dc.get(); }
    // The pixels, row by row, top-down; null when the bitmap could not be made.
    [[nodiscard]] DWORD* Bits() const { return m_bits; }
    [[nodiscard]] size_t Count() const { return static_cast<size_t>(m_size.cx) * static_cast<size_t>(m_size.cy); }

    // Draws `image` stretched over `rc` as DrawImage draws a background image, and copies the pixels
    // of `rc` to `pixels`, row by row.
    [[nodiscard]] bool Scale(Gdiplus::Bitmap& image, const RECT& rc, std::vector<DWORD>& pixels) {
        if (m_bits == nullptr) {
            return false;
        }
        std::fill_n(m_bits, Count(), 0u);
        {
            Gdiplus::Graphics g(m_dc.get());
            PrepareGraphics(g);
            const Gdiplus::RectF dest(static_cast<float>(rc.left), static_cast<float>(rc.top),
                                      static_cast<float>(rc.right - rc.left), static_cast<float>(rc.bottom - rc.top));
            const Gdiplus::RectF source(0, 0, static_cast<float>(image.GetWidth()),
                                        static_cast<float>(image.GetHeight()));
            if (!DrawBitmap(g, image, dest, source, false, 255)) {
                return false;
            }
        }
        GdiFlush();
        const auto cx = static_cast<size_t>(rc.right - rc.left);
        for (LONG y = rc.top; y < rc.bottom; ++y) {
            std::copy_n(m_bits + static_cast<size_t>(y) * static_cast<size_t>(m_size.cx) + static_cast<size_t>(rc.left),
                        cx, pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y - rc.top) * cx));
        }
        return true;
    }

private:
    // Declared in this order so the bitmap leaves the DC before it is deleted, and the DC goes last.
    unique_memdc m_dc;
    unique_gdi<HBITMAP> m_bitmap;
    ScopedSelectObject m_selection;
    DWORD* m_bits = nullptr;
    SIZE m_size{};
};

namespace {

// COM on the worker's thread, for the imaging component.
class ComThread {
public:
    ComThread() noexcept : m_result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComThread() {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;

    [[nodiscard]] bool Usable() const noexcept { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

// A frame file's pixels as 32-bit BGRA with straight alpha, as GDI+ reads the file for the image
// cache (the imaging component alone takes a third of the time GDI+ takes over it); false when the
// file is unreadable or larger than an image may be.
bool ReadFrame(IWICImagingFactory& factory, const std::wstring& path, std::vector<DWORD>& pixels, UINT& cx, UINT& cy) {
    unique_com<IWICBitmapDecoder> decoder;
    unique_com<IWICBitmapFrameDecode> frame;
    unique_com<IWICFormatConverter> converter;
    if (FAILED(factory.CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                 decoder.put())) ||
        FAILED(decoder.get()->GetFrame(0, frame.put())) || FAILED(frame.get()->GetSize(&cx, &cy)) || cx == 0 ||
        cy == 0 || cx > Limits::kMaxImageSide || cy > Limits::kMaxImageSide ||
        static_cast<unsigned long long>(cx) * cy > Limits::kMaxImagePixels ||
        FAILED(factory.CreateFormatConverter(converter.put())) ||
        FAILED(converter.get()->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                           0.0, WICBitmapPaletteTypeCustom))) {
        return false;
    }
    pixels.resize(static_cast<size_t>(cx) * cy);
    return SUCCEEDED(converter.get()->CopyPixels(nullptr, cx * 4, static_cast<UINT>(pixels.size() * sizeof(DWORD)),
                                                 reinterpret_cast<BYTE*>(pixels.data())));
}

// An image's pixels premultiplied, as the image cache keeps them.
bool CopyPixels(Gdiplus::Bitmap& image, std::vector<DWORD>& pixels) {
    const auto cx = static_cast<INT>(image.GetWidth());
    const auto cy = static_cast<INT>(image.GetHeight());
    Gdiplus::BitmapData data{};
    data.Width = static_cast<UINT>(cx);
    data.Height = static_cast<UINT>(cy);
    data.Stride = cx * 4;
    data.PixelFormat = PixelFormat32bppPARGB;
    data.Scan0 = pixels.data();
    Gdiplus::Rect all(0, 0, cx, cy);
    return image.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, PixelFormat32bppPARGB,
                          &data) == Gdiplus::Ok &&
           image.UnlockBits(&data) == Gdiplus::Ok;
}

// The runs in which `now` differs from `before`: offset, count, then the pixels of `now`.
std::vector<DWORD> Difference(const std::vector<DWORD>& before, const std::vector<DWORD>& now) {
    std::vector<DWORD> runs;
    size_t i = 0;
    while (i < now.size()) {
        if (now[i] == before[i]) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < now.size() && now[end] != before[end]) {
            ++end;
        }
        runs.push_back(static_cast<DWORD>(i));
        runs.push_back(static_cast<DWORD>(end - i));
        runs.insert(runs.end(), now.begin() + static_cast<std::ptrdiff_t>(i),
                    now.begin() + static_cast<std::ptrdiff_t>(end));
        i = end;
    }
    return runs;
}

void Replay(const std::vector<DWORD>& runs, DWORD* pixels, size_t size) {
    size_t i = 0;
    while (i + 2 <= runs.size()) {
        const size_t offset = runs[i];
        const size_t count = runs[i + 1];
        i += 2;
        if (count > runs.size() - i || offset > size || count > size - offset) {
            return;
        }
        std::copy_n(runs.begin() + static_cast<std::ptrdiff_t>(i), count, pixels + offset);
        i += count;
    }
}

} // namespace

ImageStrip::ImageStrip(std::vector<std::wstring> names, std::vector<std::wstring> paths)
    : m_names(std::move(names)), m_paths(std::move(paths)) {}

ImageStrip::~ImageStrip() = default;

void ImageStrip::Prepare(const RECT& rc) {
    if (!EqualRect(&rc, &m_place)) {
        Start(rc);
    }
}

bool ImageStrip::Draw(Gdiplus::Graphics& g, const RECT& rc, const std::wstring& name) {
    const auto found = std::find(m_names.begin(), m_names.end(), name);
    if (found == m_names.end() || !EqualRect(&rc, &m_place)) {
        return false;
    }
    if (!Show(static_cast<size_t>(found - m_names.begin()))) {
        return false;
    }
    // Blended as GDI+ blends a premultiplied image drawn 1:1, inside the clip of the graphics
    // (always a rectangle: the painted part within the containers).
    Gdiplus::Rect clip;
    if (g.GetClipBounds(&clip) != Gdiplus::Ok) {
        return false;
    }
    const RECT clipRect{clip.X, clip.Y, clip.GetRight(), clip.GetBottom()};
    RECT visible{};
    if (!IntersectRect(&visible, &rc, &clipRect)) {
        return true;
    }
    HDC target = g.GetHDC();
    if (target == nullptr) {
        return false;
    }
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const int cx = visible.right - visible.left;
    const int cy = visible.bottom - visible.top;
    const BOOL drawn = GdiAlphaBlend(target, visible.left, visible.top, cx, cy, m_shown->Dc(), visible.left - rc.left,
                                     visible.top - rc.top, cx, cy, blend);
    g.ReleaseHDC(target);
    return drawn != FALSE;
}

size_t ImageStrip::ReadyFrames() const {
    const std::lock_guard lock(m_mutex);
    return m_frames.size();
}

size_t ImageStrip::Bytes() const {
    const std::lock_guard lock(m_mutex);
    size_t bytes = m_shown != nullptr ? m_shown->Count() * sizeof(DWORD) : 0;
    for (const std::vector<DWORD>& runs : m_frames) {
        bytes += runs.size() * sizeof(DWORD);
    }
    return bytes;
}

void ImageStrip::Start(const RECT& rc) {
    m_worker = std::jthread(); // the worker for the old place stops
    {
        const std::lock_guard lock(m_mutex);
        m_frames.clear();
    }
    m_place = rc;
    m_showsFrame = false;
    m_shown.reset();
    // The worker scales into a bitmap reaching from the client's corner to the control's far
    // corner; a control partly outside the client, or one larger than an image may be, draws its
    // frames from their files.
    const auto cx = static_cast<unsigned long long>(rc.right - rc.left);
    const auto cy = static_cast<unsigned long long>(rc.bottom - rc.top);
    if (rc.left < 0 || rc.top < 0 || cx == 0 || cy == 0 ||
        static_cast<unsigned long long>(rc.right) * static_cast<unsigned long long>(rc.bottom) >
            Limits::kMaxImagePixels) {
        return;
    }
    m_shown = std::make_unique<Canvas>(static_cast<int>(cx), static_cast<int>(cy));
    if (m_shown->Bits() == nullptr) {
        m_shown.reset();
        return;
    }
    m_worker = std::jthread([this, rc](const std::stop_token& stop) { Decode(stop, rc); });
}

void ImageStrip::Decode(const std::stop_token& stop, RECT rc) {
    // Behind the window's own thread: a frame that comes late is drawn from its file, while a
    // window that comes late is seen.
    (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    std::vector<DWORD> before(static_cast<size_t>(cx) * static_cast<size_t>(cy), 0);
    std::vector<DWORD> now(before.size());
    std::unique_ptr<Canvas> canvas; // made for the first frame that must be scaled
    const ComThread com;
    unique_com<IWICImagingFactory> factory;
    if (!com.Usable() || FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())))) {
        return;
    }
    std::vector<DWORD> straight;
    std::vector<DWORD> premultiplied;
    unsigned long long kept = 0; // pixels (and run headers) held so far
    for (size_t i = 0; i < m_paths.size() && !stop.stop_requested(); ++i) {
        // A frame that cannot be read stops the strip there: the window draws it from its file,
        // and that reports what is wrong with it.
        UINT fileCx = 0;
        UINT fileCy = 0;
        if (!ReadFrame(*factory.get(), m_paths[i], straight, fileCx, fileCy)) {
            return;
        }
        Gdiplus::Bitmap file(static_cast<INT>(fileCx), static_cast<INT>(fileCy), static_cast<INT>(fileCx * 4),
                             PixelFormat32bppARGB, reinterpret_cast<BYTE*>(straight.data()));
        if (static_cast<int>(fileCx) == cx && static_cast<int>(fileCy) == cy) {
            if (!CopyPixels(file, now)) {
                return;
            }
        } else {
            premultiplied.resize(straight.size());
            if (!CopyPixels(file, premultiplied)) {
                return;
            }
            Gdiplus::Bitmap image(static_cast<INT>(fileCx), static_cast<INT>(fileCy), static_cast<INT>(fileCx * 4),
                                  PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(premultiplied.data()));
            if (canvas == nullptr) {
                canvas = std::make_unique<Canvas>(rc.right, rc.bottom);
            }
            if (!canvas->Scale(image, rc, now)) {
                return;
            }
        }
        std::vector<DWORD> runs = Difference(before, now);
        kept += runs.size();
        if (kept > Limits::kMaxStripPixels) {
            return; // frames that differ so much are drawn from their files
        }
        {
            const std::lock_guard lock(m_mutex);
            m_frames.push_back(std::move(runs));
        }
        before.swap(now);
    }
}

bool ImageStrip::Show(size_t index) {
    const std::lock_guard lock(m_mutex);
    if (index >= m_frames.size() || m_shown == nullptr) {
        return false;
    }
    if (m_showsFrame && m_shownIndex == index) {
        return true;
    }
    // The next frame needs only its own runs; any other is replayed from the first.
    GdiFlush(); // GDI is done with the bitmap before it changes
    if (!m_showsFrame || m_shownIndex + 1 != index) {
        std::fill_n(m_shown->Bits(), m_shown->Count(), 0u);
        for (size_t i = 0; i < index; ++i) {
            Replay(m_frames[i], m_shown->Bits(), m_shown->Count());
        }
    }
    Replay(m_frames[index], m_shown->Bits(), m_shown->Count());
    m_shownIndex = index;
    m_showsFrame = true;
    return true;
}

} // namespace DuiLib::Render
