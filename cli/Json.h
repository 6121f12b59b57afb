// A small JSON writer for lullgate-cli's --json output: one object, fields in the order written,
// strings escaped as JSON requires (the output is UTF-16 here and becomes UTF-8 on the way out).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace NvLullgate::Cli {

class JsonObject {
public:
    JsonObject& Field(const wchar_t* name, const std::wstring& text);
    JsonObject& Field(const wchar_t* name, const std::optional<std::wstring>& text); // null when empty
    JsonObject& Field(const wchar_t* name, bool value);
    JsonObject& Field(const wchar_t* name, long long value);
    JsonObject& Field(const wchar_t* name, const std::optional<long long>& value);
    JsonObject& Field(const wchar_t* name, const JsonObject& object);
    JsonObject& Field(const wchar_t* name, const std::vector<std::wstring>& texts); // an array of strings
    [[nodiscard]] std::wstring Text() const { return L"{" + m_body + L"}"; }

private:
    JsonObject& Raw(const wchar_t* name, const std::wstring& json);
    std::wstring m_body;
};

} // namespace NvLullgate::Cli
