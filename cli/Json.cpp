#include "cli/Json.h"

#include <cwchar>

namespace NvLullgate::Cli {
namespace {

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (const wchar_t c : text) {
        switch (c) {
        case L'"':
            out += L"\\\"";
            break;
        case L'\\':
            out += L"\\\\";
            break;
        case L'\n':
            out += L"\\n";
            break;
        case L'\r':
            out += L"\\r";
            break;
        case L'\t':
            out += L"\\t";
            break;
        default:
            if (c < 0x20) {
                wchar_t escaped[8]{};
                (void)swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + L"\"";
}

} // namespace

JsonObject& JsonObject::Raw(const wchar_t* name, const std::wstring& json) {
    if (!m_body.empty()) {
        m_body += L",";
    }
    m_body += Quoted(name) + L":" + json;
    return *this;
}

JsonObject& JsonObject::Field(const wchar_t* name, const std::wstring& text) {
    return Raw(name, Quoted(text));
}

JsonObject& JsonObject::Field(const wchar_t* name, const std::optional<std::wstring>& text) {
    return Raw(name, text ? Quoted(*text) : L"null");
}

JsonObject& JsonObject::Field(const wchar_t* name, bool value) {
    return Raw(name, value ? L"true" : L"false");
}

JsonObject& JsonObject::Field(const wchar_t* name, long long value) {
    return Raw(name, std::to_wstring(value));
}

JsonObject& JsonObject::Field(const wchar_t* name, const std::optional<long long>& value) {
    return Raw(name, value ? std::to_wstring(*value) : L"null");
}

JsonObject& JsonObject::Field(const wchar_t* name, const JsonObject& object) {
    return Raw(name, object.Text());
}

JsonObject& JsonObject::Field(const wchar_t* name, const std::vector<std::wstring>& texts) {
    std::wstring array;
    for (const std::wstring& text : texts) {
        array += (array.empty() ? L"" : L",") + Quoted(text);
    }
    return Raw(name, L"[" + array + L"]");
}

} // namespace NvLullgate::Cli
