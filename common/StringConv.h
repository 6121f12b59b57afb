// Conversions between narrow text in the system's ANSI code page and UTF-16.
// Both ask the system for the needed length first, passing the source's explicit length (so
// embedded zeros survive and no terminator is counted), then fill a string of exactly that size.
// An empty source and a failed conversion both give an empty result.
#pragma once

#include <string>
#include <string_view>

std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);
