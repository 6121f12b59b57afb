#include "duilib/UITextLayout.h"

#include "duilib/UILimits.h"

#include <cmath>
#include <cwchar>
#include <map>
#include <string_view>
#include <tuple>

namespace DuiLib::Render {

namespace {

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
    // One pass: the next '}' is looked for again only once the scan has passed it, and a tag is
    // compared where it stands, so many '{' without a '}' cost no more than other characters.
    size_t close = 0;
    bool closeFound = false;
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
            if (!closeFound || (close != std::wstring::npos && close < i)) {
                close = text.find(L'}', i);
                closeFound = true;
            }
            if (close != std::wstring::npos) {
                const std::wstring_view tag = std::wstring_view(text).substr(i + 1, close - i - 1);
                bool known = true;
                if (tag == L"a" || tag.substr(0, 2) == L"a ") {
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

std::wstring StripMarkup(const std::wstring& text, int* linkCount) {
    std::wstring plain;
    for (const Segment& s : ParseMarkup(text, true, linkCount)) {
        plain += s.newline ? L"\n" : s.text;
    }
    return plain;
}

TextLayout BreakLines(const MeasureText& measure, float lineHeight, const std::wstring& text, float maxWidth, bool wrap,
                      bool markup) {
    TextLayout layout;
    layout.lineHeight = lineHeight;
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
            // No token is longer than GDI+ is asked to measure and draw at once; a longer word is
            // cut (never inside a surrogate pair), which no real text meets.
            const size_t end = std::min(s.text.size(), i + Limits::kMaxRunChars);
            if (space) {
                while (j < end && (s.text[j] == L' ' || s.text[j] == L'\t')) {
                    ++j;
                }
            } else if (!IsCjk(c)) {
                while (j < end && s.text[j] != L' ' && s.text[j] != L'\t' && !IsCjk(s.text[j])) {
                    ++j;
                }
                if (j == end && j < s.text.size() && j - i > 1 && IS_HIGH_SURROGATE(s.text[j - 1])) {
                    --j;
                }
            }
            tokens.push_back(Token{s.text.substr(i, j - i), s.link, s.bold, space, false});
            i = j;
        }
    }

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
                std::abs(last.box.GetRight() - x) < 0.01f && last.text.size() + t.size() <= Limits::kMaxRunChars &&
                last.box.Width + w <= Limits::kMaxRunPixels) {
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

    // A word wider than the line is measured by its characters; most repeat.
    std::map<std::tuple<wchar_t, bool, bool>, float> charWidths;
    auto measureChar = [&](wchar_t c, bool link, bool bold) {
        auto [it, added] = charWidths.try_emplace(std::make_tuple(c, link, bold), 0.0f);
        if (added) {
            it->second = measure(std::wstring(1, c), link, bold);
        }
        return it->second;
    };
    // No control reaches past Limits::kMaxCoordinate pixels, so text past it is never seen: it is
    // neither measured nor placed.
    const auto farthest = static_cast<float>(Limits::kMaxCoordinate);
    std::vector<Token> halves; // taken before the next token of `tokens`
    size_t next = 0;
    while (!halves.empty() || next < tokens.size()) {
        Token token{};
        if (halves.empty()) {
            token = tokens[next++];
        } else {
            token = std::move(halves.back());
            halves.pop_back();
        }
        if (static_cast<float>(line) * layout.lineHeight > farthest) {
            break;
        }
        if (token.newline) {
            newLine();
            continue;
        }
        if (x > farthest) {
            continue;
        }
        const bool link = token.link >= 0;
        const float w = measure(token.text, link, token.bold);
        // GDI+ draws a run through a buffer as large as the run, so a token wider than any screen
        // goes on in halves (never splitting a surrogate pair).
        size_t half = token.text.size() / 2;
        if (half > 0 && IS_HIGH_SURROGATE(token.text[half - 1])) {
            --half;
        }
        if (w > Limits::kMaxRunPixels && half > 0) {
            Token right = token;
            right.text.erase(0, half);
            token.text.resize(half);
            halves.push_back(std::move(right));
            halves.push_back(std::move(token));
            continue;
        }
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
                const float cw = measureChar(c, link, token.bold);
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

TextLayout LayoutText(Gdiplus::Graphics& g, const TextFonts& fonts, const std::wstring& text, float maxWidth, bool wrap,
                      bool markup) {
    if (fonts.normal == nullptr) {
        return TextLayout{};
    }
    const TypographicFormat format;
    const auto measure = [&](const std::wstring& run, bool link, bool bold) {
        Gdiplus::Font* font = link ? fonts.link : (bold ? fonts.bold : fonts.normal);
        if (font == nullptr) {
            font = fonts.normal;
        }
        if (run.empty()) {
            return 0.0f;
        }
        Gdiplus::RectF box;
        g.MeasureString(run.c_str(), static_cast<INT>(run.size()), font, Gdiplus::PointF(0, 0), format.get(), &box);
        return box.Width;
    };
    return BreakLines(measure, fonts.normal->GetHeight(&g), text, maxWidth, wrap, markup);
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
