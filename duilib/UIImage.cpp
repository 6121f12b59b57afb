#include "duilib/UIImage.h"

#include "duilib/UILimits.h"
#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"

#include "common/UniqueHandle.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace DuiLib {

namespace {

// GDI+ as the live sessions share it. Only the UI thread makes sessions and draws, as everywhere
// in the toolkit, so there is no lock.
struct GdiplusState {
    int sessions = 0;
    ULONG_PTR token = 0;
    struct Entry {
        std::unique_ptr<Gdiplus::Bitmap> bitmap; // the premultiplied copy; null for an unreadable file
        float drawnScale = 1.0f;
        unsigned long long pixels = 0;
        unsigned long long lastUse = 0;
    };
    // By full path, at most Limits::kMaxCachedImages entries and kMaxCachedPixels pixels; the
    // image used longest ago makes room for a new one.
    std::map<std::wstring, Entry> images;
    unsigned long long cachedPixels = 0;
    unsigned long long uses = 0;
};

GdiplusState g_gdiplus;

float ScaleFromName(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    const std::wstring stem = path.substr(0, dot);
    if (stem.size() >= 5 && stem.compare(stem.size() - 5, 5, L"@1.5x") == 0) {
        return 1.5f;
    }
    if (stem.size() >= 3 && stem.compare(stem.size() - 3, 3, L"@2x") == 0) {
        return 2.0f;
    }
    if (stem.size() >= 3 && stem.compare(stem.size() - 3, 3, L"@3x") == 0) {
        return 3.0f;
    }
    return 1.0f;
}

unsigned ReadAt(HANDLE file, LONGLONG offset, BYTE* buffer, DWORD size) {
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD read = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !ReadFile(file, buffer, size, &read, nullptr)) {
        return 0;
    }
    return read;
}

UINT BigEndian16(const BYTE* p) {
    return (UINT{p[0]} << 8) | p[1];
}
UINT BigEndian32(const BYTE* p) {
    return (BigEndian16(p) << 16) | BigEndian16(p + 2);
}
UINT LittleEndian16(const BYTE* p) {
    return (UINT{p[1]} << 8) | p[0];
}
UINT LittleEndian32(const BYTE* p) {
    return (LittleEndian16(p + 2) << 16) | LittleEndian16(p);
}
UINT Magnitude(UINT value) {
    const auto v = static_cast<long long>(static_cast<INT>(value));
    return static_cast<UINT>(std::min(v < 0 ? -v : v, 0xFFFFFFFFLL));
}

// The pixel size a PNG, GIF, BMP or JPEG file states in its header, read without decoding the file
// (some GDI+ decode a whole image just to say how large it is). False for other formats.
bool HeaderSize(const std::wstring& path, UINT& width, UINT& height) {
    unique_file_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    BYTE h[26] = {};
    const unsigned n = ReadAt(file.get(), 0, h, sizeof(h));
    if (n >= 24 && memcmp(h, "\x89PNG\r\n\x1a\n", 8) == 0 && memcmp(h + 12, "IHDR", 4) == 0) {
        width = BigEndian32(h + 16);
        height = BigEndian32(h + 20);
        return true;
    }
    if (n >= 10 && (memcmp(h, "GIF87a", 6) == 0 || memcmp(h, "GIF89a", 6) == 0)) {
        width = LittleEndian16(h + 6);
        height = LittleEndian16(h + 8);
        return true;
    }
    if (n >= 26 && h[0] == 'B' && h[1] == 'M') {
        const bool core = LittleEndian32(h + 14) == 12; // the old header of 16-bit sizes
        width = core ? LittleEndian16(h + 18) : Magnitude(LittleEndian32(h + 18));
        height = core ? LittleEndian16(h + 20) : Magnitude(LittleEndian32(h + 22)); // negative: top-down
        return true;
    }
    if (n >= 4 && h[0] == 0xFF && h[1] == 0xD8) {
        // JPEG: the frame header among the segments before the first scan.
        LONGLONG at = 2;
        for (int segment = 0; segment < 4096; ++segment) {
            BYTE m[9] = {};
            const unsigned got = ReadAt(file.get(), at, m, sizeof(m));
            if (got < 4 || m[0] != 0xFF) {
                return false;
            }
            const BYTE type = m[1];
            if (type >= 0xC0 && type <= 0xCF && type != 0xC4 && type != 0xC8 && type != 0xCC) {
                if (got < sizeof(m)) {
                    return false;
                }
                height = BigEndian16(m + 5);
                width = BigEndian16(m + 7);
                return true;
            }
            if (type == 0xD9 || type == 0xDA) {
                return false;
            }
            const bool standalone = type == 0xFF || type == 0x01 || (type >= 0xD0 && type <= 0xD7);
            at += standalone ? (type == 0xFF ? 1 : 2) : 2 + BigEndian16(m + 2);
        }
    }
    return false;
}

// Whether an image of this size may be decoded and kept; says why not once for the file.
bool WithinBudget(const std::wstring& path, UINT width, UINT height) {
    if (width <= Limits::kMaxImageSide && height <= Limits::kMaxImageSide &&
        static_cast<unsigned long long>(width) * height <= Limits::kMaxImagePixels) {
        return true;
    }
    Limits::Report(L"image " + path + L" is " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
                   L" pixels, more than " + std::to_wstring(Limits::kMaxImagePixels) + L" in all or " +
                   std::to_wstring(Limits::kMaxImageSide) + L" a side; it is not drawn");
    return false;
}

// Keeps a premultiplied copy: it draws faster than the file's own format, and the file is not held
// open (GDI+ locks a file for as long as a bitmap made from it lives). Null when unreadable or too
// large: the size is checked before the image is decoded.
std::unique_ptr<Gdiplus::Bitmap> LoadCopy(const std::wstring& fullPath) {
    UINT headerWidth = 0;
    UINT headerHeight = 0;
    if (HeaderSize(fullPath, headerWidth, headerHeight) && !WithinBudget(fullPath, headerWidth, headerHeight)) {
        return nullptr;
    }
    Gdiplus::Bitmap file(fullPath.c_str());
    if (file.GetLastStatus() != Gdiplus::Ok || file.GetWidth() == 0 || file.GetHeight() == 0 ||
        !WithinBudget(fullPath, file.GetWidth(), file.GetHeight())) {
        return nullptr;
    }
    const INT width = static_cast<INT>(file.GetWidth());
    const INT height = static_cast<INT>(file.GetHeight());
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
    if (bitmap->GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    Gdiplus::Graphics copy(bitmap.get());
    copy.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    if (copy.DrawImage(&file, 0, 0, width, height) != Gdiplus::Ok) {
        return nullptr;
    }
    return bitmap;
}

} // namespace

GdiplusSession::GdiplusSession() {
    if (g_gdiplus.sessions == 0) {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&g_gdiplus.token, &input, nullptr) != Gdiplus::Ok) {
            Limits::Report(L"GDI+ did not start; windows draw nothing");
            return;
        }
    }
    ++g_gdiplus.sessions;
    m_started = true;
}

GdiplusSession::~GdiplusSession() {
    if (!m_started || --g_gdiplus.sessions > 0) {
        return;
    }
    // Images are GDI+ objects: they go before GDI+ itself.
    Render::FlushImageCache();
    Gdiplus::GdiplusShutdown(g_gdiplus.token);
    g_gdiplus.token = 0;
}

bool GdiplusSession::IsRunning() {
    return g_gdiplus.sessions > 0;
}

namespace Render {

bool ParseImageDesc(const wchar_t* text, ImageDesc& desc) {
    desc = ImageDesc{};
    if (text == nullptr || *text == L'\0') {
        return false;
    }
    if (wcschr(text, L'=') == nullptr) {
        desc.file = text;
        return true;
    }
    for (const auto& [name, value] : Markup::ParseAttributeList(text)) {
        if (name == L"file" || name == L"res") {
            desc.file = value;
        } else if (name == L"dest") {
            desc.dest = Markup::ParseRect(value.c_str());
            desc.hasDest = true;
        } else if (name == L"source") {
            desc.source = Markup::ParseRect(value.c_str());
            desc.hasSource = true;
        } else if (name == L"reverse") {
            desc.reverse = Markup::ParseBool(value.c_str());
        } else if (name == L"fade") {
            desc.fade = static_cast<BYTE>(std::clamp(_wtoi(value.c_str()), 0, 255));
        }
    }
    return !desc.file.empty();
}

CachedImage GetImage(const std::wstring& fullPath) {
    if (!GdiplusSession::IsRunning()) {
        return {};
    }
    auto& images = g_gdiplus.images;
    auto found = images.find(fullPath);
    if (found == images.end()) {
        // A missing file stays remembered as missing, so it is not retried on every paint.
        GdiplusState::Entry entry;
        entry.bitmap = LoadCopy(fullPath);
        entry.drawnScale = ScaleFromName(fullPath);
        if (entry.bitmap) {
            entry.pixels = static_cast<unsigned long long>(entry.bitmap->GetWidth()) * entry.bitmap->GetHeight();
        }
        while (!images.empty() && (images.size() >= Limits::kMaxCachedImages ||
                                   g_gdiplus.cachedPixels + entry.pixels > Limits::kMaxCachedPixels)) {
            const auto oldest = std::min_element(images.begin(), images.end(), [](const auto& a, const auto& b) {
                return a.second.lastUse < b.second.lastUse;
            });
            g_gdiplus.cachedPixels -= oldest->second.pixels;
            images.erase(oldest);
        }
        g_gdiplus.cachedPixels += entry.pixels;
        found = images.emplace(fullPath, std::move(entry)).first;
    }
    found->second.lastUse = ++g_gdiplus.uses;
    return CachedImage{found->second.bitmap.get(), found->second.drawnScale};
}

void FlushImageCache() {
    g_gdiplus.images.clear();
    g_gdiplus.cachedPixels = 0;
}

void ForgetImage(const std::wstring& fullPath) {
    g_gdiplus.images.erase(fullPath);
}

size_t ImageCacheSize() {
    return g_gdiplus.images.size();
}

bool DrawImage(Gdiplus::Graphics& g, CPaintManagerUI* manager, const RECT& rc, const wchar_t* description) {
    ImageDesc desc;
    if (manager == nullptr || !ParseImageDesc(description, desc)) {
        return false;
    }
    const CachedImage image = GetImage(CPaintManagerUI::ResolveResourcePath(desc.file.c_str()));
    if (image.bitmap == nullptr) {
        return false;
    }
    Gdiplus::RectF dest(static_cast<float>(rc.left), static_cast<float>(rc.top), static_cast<float>(rc.right - rc.left),
                        static_cast<float>(rc.bottom - rc.top));
    if (desc.hasDest) {
        dest = Gdiplus::RectF(static_cast<float>(rc.left + manager->Scale(desc.dest.left)),
                              static_cast<float>(rc.top + manager->Scale(desc.dest.top)),
                              static_cast<float>(manager->Scale(desc.dest.right - desc.dest.left)),
                              static_cast<float>(manager->Scale(desc.dest.bottom - desc.dest.top)));
    }
    Gdiplus::RectF source(0, 0, static_cast<float>(image.bitmap->GetWidth()),
                          static_cast<float>(image.bitmap->GetHeight()));
    if (desc.hasSource) {
        source = Gdiplus::RectF(static_cast<float>(desc.source.left), static_cast<float>(desc.source.top),
                                static_cast<float>(desc.source.right - desc.source.left),
                                static_cast<float>(desc.source.bottom - desc.source.top));
    }
    if (dest.Width <= 0 || dest.Height <= 0 || source.Width <= 0 || source.Height <= 0) {
        return false;
    }
    return DrawBitmap(g, *image.bitmap, dest, source, desc.reverse, desc.fade);
}

bool DrawBitmap(Gdiplus::Graphics& g, Gdiplus::Bitmap& bitmap, const Gdiplus::RectF& dest, const Gdiplus::RectF& source,
                bool reverse, BYTE fade) {
    Gdiplus::ImageAttributes attributes;
    Gdiplus::ImageAttributes* attrs = nullptr;
    if (fade < 255) {
        Gdiplus::ColorMatrix matrix = {
            {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, fade / 255.0f, 0}, {0, 0, 0, 0, 1}}};
        attributes.SetColorMatrix(&matrix);
        attrs = &attributes;
    }
    // Mirroring: the destination parallelogram starts at the right edge and runs leftwards.
    const Gdiplus::PointF points[3] = {
        {reverse ? dest.GetRight() : dest.X, dest.Y},
        {reverse ? dest.X : dest.GetRight(), dest.Y},
        {reverse ? dest.GetRight() : dest.X, dest.GetBottom()},
    };
    return g.DrawImage(&bitmap, points, 3, source.X, source.Y, source.Width, source.Height, Gdiplus::UnitPixel,
                       attrs) == Gdiplus::Ok;
}

} // namespace Render
} // namespace DuiLib
