// The function tag of a log statement: the enclosing function's qualified name without return
// type or parameters, the same text on every compiler. MSVC's __FUNCTION__ already is that text
// ("NvLullgate::PauseWinUpdates::CheckTime", "`anonymous-namespace'::DPIAware"). GCC has no such
// macro, so its __PRETTY_FUNCTION__ is cut down to the same form at compile time.
#pragma once

#include <cstddef>
#include <string_view>

namespace LogDetail {

// Room for the longer spelling of unnamed namespaces in the rewritten name.
inline constexpr std::size_t kTagSlack = 64;

template <std::size_t N> struct FunctionTag {
    char text[N + kTagSlack]{};
    constexpr const char* c_str() const { return text; }
    constexpr std::string_view view() const { return std::string_view(text); }
};

// Reduces "ret-type qualified::name(params) const [with T = ...]" to "qualified::name" and
// spells GCC's "{anonymous}" the way MSVC does.
template <std::size_t N> consteval FunctionTag<N> MakeFunctionTag(const char (&pretty)[N]) {
    std::string_view sig(pretty, N - 1);

    // GCC appends template bindings as " [with T = int]"; MSVC's __FUNCTION__ has none.
    if (const std::size_t with = sig.rfind(" [with "); with != std::string_view::npos && sig.back() == ']') {
        sig = sig.substr(0, with);
    }

    // The parameter list is the last balanced "(...)"; qualifiers such as " const" may follow it.
    std::size_t close = sig.rfind(')');
    std::size_t open = std::string_view::npos;
    if (close != std::string_view::npos) {
        int depth = 0;
        for (std::size_t i = close + 1; i-- > 0;) {
            if (sig[i] == ')') {
                ++depth;
            } else if (sig[i] == '(') {
                if (--depth == 0) {
                    open = i;
                    break;
                }
            }
        }
    }
    std::string_view name = open == std::string_view::npos ? sig : sig.substr(0, open);

    // The name starts after the last blank that is not inside template brackets or parentheses:
    // what lies before it is the return type (absent for constructors and destructors).
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = name.size(); i-- > 0;) {
        const char c = name[i];
        if (c == '>' || c == ')') {
            ++depth;
        } else if (c == '<' || c == '(') {
            --depth;
        } else if (c == ' ' && depth == 0) {
            start = i + 1;
            break;
        }
    }
    name = name.substr(start);

    FunctionTag<N> tag{};
    constexpr std::string_view gccAnonymous = "{anonymous}";
    constexpr std::string_view msvcAnonymous = "`anonymous-namespace'";
    std::size_t out = 0;
    for (std::size_t i = 0; i < name.size() && out + 1 < sizeof(tag.text);) {
        if (name.substr(i, gccAnonymous.size()) == gccAnonymous) {
            for (char c : msvcAnonymous) {
                if (out + 1 < sizeof(tag.text)) {
                    tag.text[out++] = c;
                }
            }
            i += gccAnonymous.size();
        } else {
            tag.text[out++] = name[i++];
        }
    }
    return tag;
}

struct LiteralTag {
    const char* text;
    constexpr const char* c_str() const { return text; }
};

} // namespace LogDetail

// Declares a constant named `var` holding the enclosing function's tag; `var.c_str()` reads it.
#if defined(_MSC_VER) && !defined(__clang__)
#define LULLGATE_DECLARE_FUNCTION_TAG(var)                                                                             \
    static constexpr ::LogDetail::LiteralTag var {                                                                     \
        __FUNCTION__                                                                                                   \
    }
#else
#define LULLGATE_DECLARE_FUNCTION_TAG(var) static constexpr auto var = ::LogDetail::MakeFunctionTag(__PRETTY_FUNCTION__)
#endif
