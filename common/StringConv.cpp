#include "common/StringConv.h"

#include <windows.h>

#include <climits>

std::wstring AnsiToWide(std::string_view text) {
    // The Win32 calls take an int length; anything longer cannot be converted in one piece.
    if (text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int sourceLength = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), sourceLength, nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::wstring result(static_cast<size_t>(needed), L'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), sourceLength, result.data(), needed);
    if (written != needed) {
        return {};
    }
    return result;
}

std::string WideToAnsi(std::wstring_view text) {
    if (text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int sourceLength = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), sourceLength, nullptr, 0, nullptr, nullptr);
    if (needed == 0) {
        return {};
    }
    std::string result(static_cast<size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(CP_ACP, 0, text.data(), sourceLength, result.data(), needed, nullptr, nullptr);
    if (written != needed) {
        return {};
    }
    return result;
}
