#include "duilib/UIDefine.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

namespace DuiLib {

CDuiString::CDuiString(const wchar_t* text, int length) {
    Assign(text, length);
}

void CDuiString::Assign(const wchar_t* text, int length) {
    if (text == nullptr) {
        m_str.clear();
    } else if (length < 0) {
        m_str = text;
    } else {
        m_str.assign(text, static_cast<size_t>(length));
    }
}

int CDuiString::Compare(const wchar_t* text) const {
    return wcscmp(m_str.c_str(), text != nullptr ? text : L"");
}

int CDuiString::CompareNoCase(const wchar_t* text) const {
    return _wcsicmp(m_str.c_str(), text != nullptr ? text : L"");
}

CDuiString CDuiString::Left(int count) const {
    if (count < 0) {
        count = 0;
    }
    return CDuiString(m_str.substr(0, static_cast<size_t>(count)));
}

CDuiString CDuiString::Mid(int pos, int count) const {
    if (pos < 0 || pos >= GetLength()) {
        return {};
    }
    return CDuiString(
        m_str.substr(static_cast<size_t>(pos), count < 0 ? std::wstring::npos : static_cast<size_t>(count)));
}

int CDuiString::Find(const wchar_t* sub, int start) const {
    if (sub == nullptr || start < 0 || start > GetLength()) {
        return -1;
    }
    const size_t at = m_str.find(sub, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::Format(const wchar_t* format, ...) {
    wchar_t buffer[1024] = {};
    va_list args{};
    va_start(args, format);
    // _TRUNCATE: an over-long result is cut instead of calling the invalid-parameter handler.
    const int written = _vsnwprintf_s(buffer, _countof(buffer), _TRUNCATE, format, args);
    va_end(args);
    m_str = buffer;
    return written;
}

} // namespace DuiLib
