#include "duilib/UIRender.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace DuiLib::Render {

namespace {

struct GdiplusSession {
    ULONG_PTR token = 0;
    bool ok = false;
    std::map<std::wstring, std::pair<std::unique_ptr<Gdiplus::Bitmap>, float>> images;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        ok = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        // Images must go before GDI+ itself.
        images.clear();
        if (ok) {
            Gdiplus::GdiplusShutdown(token);
        }
    }
};

GdiplusSession& Session() {
    static GdiplusSession session;
    return session;
}

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

bool IsCjk(wchar_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x3000 && c <= 0x303F);
}

// Characters that must not begin a line (closing punctuation, CJK and Latin).
bool IsNoLineStart(wchar_t c) {
    static const wchar_t kChars[] =
        L"\uFF0C\u3002\u3001\uFF01\uFF1F\uFF1B\uFF1A\uFF09\u300D\u300F\u3011\u201D\u2019,.!?;:)]";
    return wcschr(kChars, c) != nullptr && c != L'\0';
}

struct Segment {
    std::wstring text;
    int link = -1;
    bool bold = false;
    bool newline = false;
};

// Splits markup into styled segments. Unknown "{...}" sequences stay literal text.
std::vector<Segment> ParseMarkup(const std::wstring& text, bool markup, int* linkCount) {
    std::vector<Segment> segments;
    int links = 0;
    int currentLink = -1;
    bool bold = false;
    std::wstring pending;
    auto flush = [&] {
        if (!pending.empty()) {
            segments.push_back(Segment{pending, currentLink, bold, false});
            pending.clear();
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            continue;
        }
        if (c == L'\n') {
            flush();
            segments.push_back(Segment{L"", -1, false, true});
            continue;
        }
        if (markup && c == L'{') {
            const size_t close = text.find(L'}', i);
            if (close != std::wstring::npos) {
                const std::wstring tag = text.substr(i + 1, close - i - 1);
                bool known = true;
                if (tag == L"a" || tag.rfind(L"a ", 0) == 0) {
                    flush();
                    currentLink = links++;
                } else if (tag == L"/a") {
                    flush();
                    currentLink = -1;
                } else if (tag == L"b") {
                    flush();
                    bold = true;
                } else if (tag == L"/b") {
                    flush();
                    bold = false;
                } else if (tag == L"n") {
                    flush();
                    segments.push_back(Segment{L"", -1, false, true});
                } else {
                    known = false;
                }
                if (known) {
                    i = close;
                    continue;
                }
            }
        }
        pending += c;
    }
    flush();
    if (linkCount != nullptr) {
        *linkCount = links;
    }
    return segments;
}

} // namespace

Gdiplus::StringFormat& TypographicFormat() {
    static Gdiplus::StringFormat* format = [] {
        auto* f = Gdiplus::StringFormat::GenericTypographic()->Clone();
        f->SetFormatFlags(f->GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces |
                          Gdiplus::StringFormatFlagsNoWrap);
        return f;
    }();
    return *format;
}

namespace {

float Measure(Gdiplus::Graphics& g, Gdiplus::Font* font, const std::wstring& text) {
    if (text.empty() || font == nullptr) {
        return 0;
    }
    Gdiplus::RectF box;
    g.MeasureString(text.c_str(), static_cast<INT>(text.size()), font, Gdiplus::PointF(0, 0), &TypographicFormat(),
                    &box);
    return box.Width;
}

} // namespace

bool EnsureGdiplus() {
    return Session().ok;
}

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
    if (!EnsureGdiplus()) {
        return {};
    }
    auto& images = Session().images;
    auto found = images.find(fullPath);
    if (found == images.end()) {
        std::unique_ptr<Gdiplus::Bitmap> bitmap;
        Gdiplus::Bitmap file(fullPath.c_str());
        if (file.GetLastStatus() == Gdiplus::Ok && file.GetWidth() > 0 && file.GetHeight() > 0) {
            // Keep a premultiplied copy: it draws faster than the file's own format, and the file
            // is not held open (GDI+ locks a file for as long as a bitmap made from it lives).
            const INT width = static_cast<INT>(file.GetWidth());
            const INT height = static_cast<INT>(file.GetHeight());
            bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
            bool copied = bitmap->GetLastStatus() == Gdiplus::Ok;
            if (copied) {
                Gdiplus::Graphics copy(bitmap.get());
                copy.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
                copied = copy.DrawImage(&file, 0, 0, width, height) == Gdiplus::Ok;
            }
            if (!copied) {
                bitmap.reset();
            }
        }
        // A missing file stays remembered as missing, so it is not retried on every paint.
        found = images.emplace(fullPath, std::make_pair(std::move(bitmap), ScaleFromName(fullPath))).first;
    }
    return CachedImage{found->second.first.get(), found->second.second};
}

void FlushImageCache() {
    Session().images.clear();
}

size_t ImageCacheSize() {
    return Session().images.size();
}

bool DrawImage(Gdiplus::Graphics& g, CPaintManagerUI* manager, const RECT& rc, const wchar_t* description) {
    ImageDesc desc;
    if (manager == nullptr || !ParseImageDesc(description, desc)) {
        return false;
    }
    const CachedImage image = GetImage(manager->ResolveResourcePath(desc.file.c_str()));
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

Gdiplus::Color ToColor(DWORD argb) {
    return Gdiplus::Color(static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8),
                          static_cast<BYTE>(argb));
}

void AddRoundRect(Gdiplus::GraphicsPath& path, const Gdiplus::RectF& r, float radius) {
    radius = std::min(radius, std::min(r.Width, r.Height) / 2);
    if (radius <= 0.5f) {
        path.AddRectangle(r);
        return;
    }
    const float d = radius * 2;
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.GetRight() - d, r.Y, d, d, 270, 90);
    path.AddArc(r.GetRight() - d, r.GetBottom() - d, d, d, 0, 90);
    path.AddArc(r.X, r.GetBottom() - d, d, d, 90, 90);
    path.CloseFigure();
}

void FillRect(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float radius) {
    if ((argb >> 24) == 0 || rc.right <= rc.left || rc.bottom <= rc.top) {
        return;
    }
    Gdiplus::SolidBrush brush(ToColor(argb));
    const Gdiplus::RectF r(static_cast<float>(rc.left), static_cast<float>(rc.top),
                           static_cast<float>(rc.right - rc.left), static_cast<float>(rc.bottom - rc.top));
    if (radius <= 0.5f) {
        g.FillRectangle(&brush, r);
        return;
    }
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, radius);
    g.FillPath(&brush, &path);
}

void DrawBorder(Gdiplus::Graphics& g, const RECT& rc, DWORD argb, float width, float radius) {
    if ((argb >> 24) == 0 || width <= 0 || rc.right <= rc.left || rc.bottom <= rc.top) {
        return;
    }
    Gdiplus::Pen pen(ToColor(argb), width);
    const float half = width / 2;
    const Gdiplus::RectF r(static_cast<float>(rc.left) + half, static_cast<float>(rc.top) + half,
                           static_cast<float>(rc.right - rc.left) - width,
                           static_cast<float>(rc.bottom - rc.top) - width);
    Gdiplus::GraphicsPath path;
    AddRoundRect(path, r, std::max(0.0f, radius - half));
    g.DrawPath(&pen, &path);
}

std::wstring StripMarkup(const std::wstring& text, int* linkCount) {
    std::wstring plain;
    for (const Segment& s : ParseMarkup(text, true, linkCount)) {
        plain += s.newline ? L"\n" : s.text;
    }
    return plain;
}

TextLayout LayoutText(Gdiplus::Graphics& g, const TextFonts& fonts, const std::wstring& text, float maxWidth, bool wrap,
                      bool markup) {
    TextLayout layout;
    if (fonts.normal == nullptr) {
        return layout;
    }
    layout.lineHeight = fonts.normal->GetHeight(&g);
    if (maxWidth <= 0) {
        wrap = false;
    }

    // Tokens: a run of spaces, a word, or one CJK character; each can end a line after it.
    struct Token {
        std::wstring text;
        int link;
        bool bold;
        bool space;
        bool newline;
    };
    std::vector<Token> tokens;
    for (const Segment& s : ParseMarkup(text, markup, nullptr)) {
        if (s.newline) {
            tokens.push_back(Token{L"", -1, false, false, true});
            continue;
        }
        size_t i = 0;
        while (i < s.text.size()) {
            const wchar_t c = s.text[i];
            size_t j = i + 1;
            const bool space = c == L' ' || c == L'\t';
            if (space) {
                while (j < s.text.size() && (s.text[j] == L' ' || s.text[j] == L'\t')) {
                    ++j;
                }
            } else if (!IsCjk(c)) {
                while (j < s.text.size() && s.text[j] != L' ' && s.text[j] != L'\t' && !IsCjk(s.text[j])) {
                    ++j;
                }
            }
            tokens.push_back(Token{s.text.substr(i, j - i), s.link, s.bold, space, false});
            i = j;
        }
    }

    auto fontFor = [&](int link, bool bold) {
        Gdiplus::Font* f = link >= 0 ? fonts.link : (bold ? fonts.bold : fonts.normal);
        return f != nullptr ? f : fonts.normal;
    };

    int line = 0;
    float x = 0;
    float lineWidth = 0; // without trailing spaces
    auto newLine = [&] {
        layout.lineWidths.push_back(lineWidth);
        layout.width = std::max(layout.width, lineWidth);
        ++line;
        x = 0;
        lineWidth = 0;
    };
    auto place = [&](const std::wstring& t, int link, bool bold, float w) {
        // Runs of the same style on one line merge, so links are drawn as one piece.
        if (!layout.runs.empty()) {
            TextRun& last = layout.runs.back();
            if (last.line == line && last.link == link && last.bold == bold &&
                std::abs(last.box.GetRight() - x) < 0.01f) {
                last.text += t;
                last.box.Width += w;
                x += w;
                return;
            }
        }
        TextRun run;
        run.text = t;
        run.box = Gdiplus::RectF(x, static_cast<float>(line) * layout.lineHeight, w, layout.lineHeight);
        run.link = link;
        run.bold = bold;
        run.line = line;
        layout.runs.push_back(std::move(run));
        x += w;
    };

    for (const Token& token : tokens) {
        if (token.newline) {
            newLine();
            continue;
        }
        Gdiplus::Font* font = fontFor(token.link, token.bold);
        const float w = Measure(g, font, token.text);
        if (token.space) {
            if (x > 0) {
                place(token.text, token.link, token.bold, w);
            }
            continue;
        }
        const bool fits = x + w <= maxWidth + 0.5f;
        if (wrap && !fits && x > 0 && !IsNoLineStart(token.text[0])) {
            newLine();
        }
        if (wrap && w > maxWidth && x == 0) {
            // A word wider than the line is broken between characters.
            std::wstring part;
            float partWidth = 0;
            for (wchar_t c : token.text) {
                const float cw = Measure(g, font, std::wstring(1, c));
                if (!part.empty() && partWidth + cw > maxWidth) {
                    place(part, token.link, token.bold, partWidth);
                    lineWidth = x;
                    newLine();
                    part.clear();
                    partWidth = 0;
                }
                part += c;
                partWidth += cw;
            }
            place(part, token.link, token.bold, partWidth);
            lineWidth = x;
            continue;
        }
        place(token.text, token.link, token.bold, w);
        lineWidth = x;
    }
    layout.lineWidths.push_back(lineWidth);
    layout.width = std::max(layout.width, lineWidth);
    layout.height = static_cast<float>(layout.lineWidths.size()) * layout.lineHeight;
    return layout;
}

void PlaceLayout(TextLayout& layout, const RECT& rc, UINT align) {
    const float width = static_cast<float>(rc.right - rc.left);
    const float height = static_cast<float>(rc.bottom - rc.top);
    float top = static_cast<float>(rc.top);
    if (align & kAlignVCenter) {
        top += (height - layout.height) / 2;
    } else if (align & kAlignBottom) {
        top += height - layout.height;
    }
    for (TextRun& run : layout.runs) {
        const float lineWidth = layout.lineWidths[static_cast<size_t>(run.line)];
        float left = static_cast<float>(rc.left);
        if (align & kAlignCenter) {
            left += (width - lineWidth) / 2;
        } else if (align & kAlignRight) {
            left += width - lineWidth;
        }
        run.box.X += left;
        run.box.Y += top;
    }
}

} // namespace DuiLib::Render
