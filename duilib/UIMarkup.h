// Parsing of the small value syntaxes used by skin attributes: colours ("#RRGGBB", "#AARRGGBB"),
// integer lists ("l,t,r,b"), booleans, and attribute lists ("name='value' other=\"value\"") as used
// by image descriptions and styles; and reading a layout or string file whole. Internal to the toolkit.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace DuiLib::Markup {

// Parses "#RRGGBB" (opaque) or "#AARRGGBB" into 0xAARRGGBB; false on anything else, and `argb`
// keeps what it held (so a colour attribute with a malformed value keeps the current colour).
[[nodiscard]] bool ParseColor(const wchar_t* text, DWORD& argb);
// Parses up to `count` comma-separated integers, each held to ±Limits::kMaxCoordinate; missing ones
// stay 0. False when nothing parses.
[[nodiscard]] bool ParseInts(const wchar_t* text, int* values, int count);
// One integer as ParseInts reads it (a position, size or width); 0 when none parses.
int ParseInt(const wchar_t* text);
RECT ParseRect(const wchar_t* text);
SIZE ParseSize(const wchar_t* text);
bool ParseBool(const wchar_t* text);
// Splits "a='1' b=\"2\"" into pairs; stops at the first malformed item.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const wchar_t* text);
std::wstring Utf8ToWide(const char* text);
// Reads a whole file (at most 16 MiB) into `content`; false when it cannot be opened or read.
[[nodiscard]] bool ReadWholeFile(const std::wstring& path, std::string& content);

} // namespace DuiLib::Markup
