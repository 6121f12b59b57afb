#include "duilib/UIImage.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"

#include <cwchar>
#include <map>
#include <memory>
#include <utility>

namespace DuiLib {

namespace {

// GDI+ as the live sessions share it. Only the UI thread makes sessions and draws, as everywhere
// in the toolkit, so there is no lock.
struct GdiplusState {
    int sessions = 0;
    ULONG_PTR token = 0;
    // By full path: the premultiplied copy (null for a file that could not be read) and the scale
    // the file was drawn for.
    std::map<std::wstring, std::pair<std::unique_ptr<Gdiplus::Bitmap>, float>> images;
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

// Keeps a premultiplied copy: it draws faster than the file's own format, and the file is not held
// open (GDI+ locks a file for as long as a bitmap made from it lives). Null when unreadable.
std::unique_ptr<Gdiplus::Bitmap> LoadCopy(const std::wstring& fullPath) {
    Gdiplus::Bitmap file(fullPath.c_str());
    if (file.GetLastStatus() != Gdiplus::Ok || file.GetWidth() == 0 || file.GetHeight() == 0) {
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
            OutputDebugStringW(L"duilib: GDI+ did not start; windows draw nothing\n");
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
    g_gdiplus.images.clear();
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
    auto found = g_gdiplus.images.find(fullPath);
    if (found == g_gdiplus.images.end()) {
        // A missing file stays remembered as missing, so it is not retried on every paint.
        found = g_gdiplus.images.emplace(fullPath, std::make_pair(LoadCopy(fullPath), ScaleFromName(fullPath))).first;
    }
    return CachedImage{found->second.first.get(), found->second.second};
}

void FlushImageCache() {
    g_gdiplus.images.clear();
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
    Gdiplus::ImageAttributes attributes;
    Gdiplus::ImageAttributes* attrs = nullptr;
    if (desc.fade < 255) {
        Gdiplus::ColorMatrix matrix = {
            {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, desc.fade / 255.0f, 0}, {0, 0, 0, 0, 1}}};
        attributes.SetColorMatrix(&matrix);
        attrs = &attributes;
    }
    // Mirroring: the destination parallelogram starts at the right edge and runs leftwards.
    const Gdiplus::PointF points[3] = {
        {desc.reverse ? dest.GetRight() : dest.X, dest.Y},
        {desc.reverse ? dest.X : dest.GetRight(), dest.Y},
        {desc.reverse ? dest.GetRight() : dest.X, dest.GetBottom()},
    };
    return g.DrawImage(image.bitmap, points, 3, source.X, source.Y, source.Width, source.Height, Gdiplus::UnitPixel,
                       attrs) == Gdiplus::Ok;
}

} // namespace Render
} // namespace DuiLib
