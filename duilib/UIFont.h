// The fonts of one window: the skin's <Font> definitions by id and, made on first use for the
// window's DPI, the GDI+ fonts text is laid out and drawn with (normal, semibold, underlined, both)
// and the HFONT native children take. Also the memory DC that text is measured on outside of
// painting, which the fonts are created against.
#pragma once

#include "duilib/UITextLayout.h"

#include "common/UniqueHandle.h"

#include <array>
#include <map>
#include <memory>
#include <string>

namespace DuiLib {

class FontTable {
public:
    FontTable() = default;
    FontTable(const FontTable&) = delete;
    FontTable& operator=(const FontTable&) = delete;

    // A font by number; `size` in 96-DPI pixels, at most Limits::kMaxFontSize (and at most
    // Limits::kMaxFontPixels once scaled for the DPI). The first font added, or the last one marked
    // default, serves id -1 and ids nobody defined.
    void Add(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic, bool isDefault);
    // The fonts of `id` at `dpi`; null fonts only when GDI+ cannot make any.
    Render::TextFonts GetTextFonts(int id, int dpi);
    HFONT GetHFONT(int id, int dpi);
    // A graphics object for measuring text outside of painting; null when no DC can be made.
    Gdiplus::Graphics* GetMeasureGraphics();

private:
    struct FontInfo {
        std::wstring face;
        int size = 14;
        bool bold = false;
        bool underline = false;
        bool italic = false;
    };
    struct FontCache {
        int dpi = 0;
        std::array<std::unique_ptr<Gdiplus::Font>, 4> fonts; // normal, bold, underline, bold+underline
        unique_gdi<HFONT> hfont;
    };
    const FontInfo& FontById(int id) const;
    FontCache& CacheFor(int id, int dpi);

    std::map<int, FontInfo> m_fontInfo;
    int m_defaultFontId = -1;
    std::map<int, FontCache> m_fontCache;
    // The graphics object goes before the DC it measures on.
    unique_memdc m_measureDC;
    std::unique_ptr<Gdiplus::Graphics> m_measureGraphics;
};

} // namespace DuiLib
