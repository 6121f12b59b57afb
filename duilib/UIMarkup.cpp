#include "duilib/UIMarkup.h"

#include "duilib/UILimits.h"

#include "common/UniqueHandle.h"

#include <cwchar>
#include <cwctype>

namespace DuiLib::Markup {

bool ParseColor(const wchar_t* text, DWORD& argb) {
    if (text == nullptr) {
        return false;
    }
    while (iswspace(*text)) {
        ++text;
    }
    if (*text == L'#') {
        ++text;
    }
    const size_t length = wcslen(text);
    if (length != 6 && length != 8) {
        return false;
    }
    DWORD value = 0;
    for (size_t i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        int digit = 0;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else if (c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        } else {
            return false;
        }
        value = (value << 4) | static_cast<DWORD>(digit);
    }
    argb = length == 6 ? (0xFF000000u | value) : value;
    return true;
}

bool ParseInts(const wchar_t* text, int* values, int count) {
    for (int i = 0; i < count; ++i) {
        values[i] = 0;
    }
    if (text == nullptr) {
        return false;
    }
    const wchar_t* p = text;
    int parsed = 0;
    while (parsed < count && *p != L'\0') {
        wchar_t* end = nullptr;
        const long v = wcstol(p, &end, 10);
        if (end == p) {
            break;
        }
        values[parsed++] = Limits::ClampCoordinate(v);
        p = end;
        while (iswspace(*p)) {
            ++p;
        }
        if (*p != L',') {
            break;
        }
        ++p;
    }
    return parsed > 0;
}

int ParseInt(const wchar_t* text) {
    int value = 0;
    (void)ParseInts(text, &value, 1); // what does not parse is 0
    return value;
}

RECT ParseRect(const wchar_t* text) {
    int v[4];
    (void)ParseInts(text, v, 4); // what does not parse is 0

    return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ParseSize(const wchar_t* text) {
    int v[2];
    (void)ParseInts(text, v, 2); // what does not parse is 0

    return SIZE{v[0], v[1]};
}

bool ParseBool(const wchar_t* text) {
    return text != nullptr && (_wcsicmp(text, L"true") == 0 || wcscmp(text, L"1") == 0);
}

std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const wchar_t* text) {
    std::vector<std::pair<std::wstring, std::wstring>> result;
    if (text == nullptr) {
        return result;
    }
    const wchar_t* p = text;
    for (;;) {
        while (iswspace(*p)) {
            ++p;
        }
        if (*p == L'\0') {
            break;
        }
        const wchar_t* nameStart = p;
        while (*p != L'\0' && *p != L'=' && !iswspace(*p)) {
            ++p;
        }
        std::wstring name(nameStart, p);
        while (iswspace(*p)) {
            ++p;
        }
        if (*p != L'=' || name.empty()) {
            break;
        }
        ++p;
        while (iswspace(*p)) {
            ++p;
        }
        const wchar_t quote = *p;
        if (quote != L'\'' && quote != L'"') {
            break;
        }
        ++p;
        const wchar_t* valueStart = p;
        while (*p != L'\0' && *p != quote) {
            ++p;
        }
        if (*p != quote) {
            break;
        }
        result.emplace_back(std::move(name), std::wstring(valueStart, p));
        ++p;
    }
    return result;
}

std::wstring Utf8ToWide(const char* text) {
    if (text == nullptr || *text == '\0') {
        return {};
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) {
        return {};
    }
    std::wstring result(static_cast<size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    return result;
}

bool ReadWholeFile(const std::wstring& path, std::string& content) {
    unique_file_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 16LL * 1024 * 1024) {
        return false;
    }
    content.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return size.QuadPart == 0 ||
           (ReadFile(file.get(), content.data(), static_cast<DWORD>(size.QuadPart), &read, nullptr) &&
            read == static_cast<DWORD>(size.QuadPart));
}

} // namespace DuiLib::Markup
