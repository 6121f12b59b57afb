#include "duilib/UIFont.h"

#include "duilib/UILimits.h"

#include <algorithm>
#include <cwchar>
#include <string>

namespace DuiLib {

void FontTable::Add(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic, bool isDefault) {
    FontInfo info;
    info.face = face != nullptr && *face != L'\0' ? face : L"Microsoft YaHei UI";
    info.size = size > 0 ? size : 14;
    if (info.size > Limits::kMaxFontSize) {
        // GDI+ caches glyphs by their size: a font thousands of pixels high takes gigabytes.
        Limits::Report(L"font " + std::to_wstring(id) + L" is " + std::to_wstring(info.size) + L" px; drawn at " +
                       std::to_wstring(Limits::kMaxFontSize) + L" px");
        info.size = Limits::kMaxFontSize;
    }
    info.bold = bold;
    info.underline = underline;
    info.italic = italic;
    m_fontInfo[id] = info;
    m_fontCache.erase(id);
    if (isDefault || m_defaultFontId == -1) {
        m_defaultFontId = id;
        m_fontCache.erase(-1);
    }
}

const FontTable::FontInfo& FontTable::FontById(int id) const {
    static const FontInfo kBuiltIn{L"Microsoft YaHei UI", 14, false, false, false};
    auto it = m_fontInfo.find(id);
    if (it == m_fontInfo.end()) {
        it = m_fontInfo.find(m_defaultFontId);
    }
    return it != m_fontInfo.end() ? it->second : kBuiltIn;
}

FontTable::FontCache& FontTable::CacheFor(int id, int dpi) {
    if (m_fontInfo.find(id) == m_fontInfo.end()) {
        id = -1;
    }
    FontCache& cache = m_fontCache[id];
    if (cache.dpi == dpi && cache.fonts[0]) {
        return cache;
    }
    const FontInfo& info = FontById(id);
    (void)GetMeasureGraphics(); // makes the memory DC the fonts are created against
    cache = FontCache{};
    cache.dpi = dpi;
    const int pixels = std::min(MulDiv(info.size, dpi, 96), Limits::kMaxFontPixels);
    for (std::size_t style = 0; style < cache.fonts.size(); ++style) {
        LOGFONTW lf{};
        lf.lfHeight = -pixels;
        lf.lfWeight = (info.bold || (style & 1)) ? FW_SEMIBOLD : FW_NORMAL;
        lf.lfUnderline = (info.underline || (style & 2)) ? TRUE : FALSE;
        lf.lfItalic = info.italic ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = CLEARTYPE_QUALITY;
        // The skin's face first, then the faces every Windows 10/11 has.
        const wchar_t* faces[] = {info.face.c_str(), L"Segoe UI", L"Tahoma"};
        for (const wchar_t* face : faces) {
            wcsncpy_s(lf.lfFaceName, face, _TRUNCATE);
            auto font = std::make_unique<Gdiplus::Font>(m_measureDC.get(), &lf);
            if (font->GetLastStatus() == Gdiplus::Ok && font->IsAvailable()) {
                cache.fonts[style] = std::move(font);
                break;
            }
        }
        if (!cache.fonts[style]) {
            cache.fonts[style] =
                std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), static_cast<float>(pixels),
                                                (style & 1) ? Gdiplus::FontStyleBold : 0, Gdiplus::UnitPixel);
        }
        if (style == 0) {
            cache.hfont.reset(CreateFontIndirectW(&lf));
        }
    }
    return cache;
}

HFONT FontTable::GetHFONT(int id, int dpi) {
    return CacheFor(id, dpi).hfont.get();
}

Render::TextFonts FontTable::GetTextFonts(int id, int dpi) {
    FontCache& cache = CacheFor(id, dpi);
    // Links use the plain font and get their underline drawn, the same on every GDI+.
    return Render::TextFonts{cache.fonts[0].get(), cache.fonts[1].get(), cache.fonts[0].get()};
}

Gdiplus::Graphics* FontTable::GetMeasureGraphics() {
    if (!m_measureGraphics) {
        if (!m_measureDC) {
            m_measureDC.reset(CreateCompatibleDC(nullptr));
        }
        if (!m_measureDC) {
            return nullptr;
        }
        m_measureGraphics = std::make_unique<Gdiplus::Graphics>(m_measureDC.get());
        Render::PrepareGraphics(*m_measureGraphics);
    }
    return m_measureGraphics.get();
}

} // namespace DuiLib
