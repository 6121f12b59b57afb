// Basic types shared by every part of the toolkit: the string type, the notification record that
// controls send to their window, and the small interfaces a window implements to receive them.
#pragma once

#include <windows.h>

#include <string>

namespace DuiLib {

class CControlUI;

// The toolkit's wide string. A thin value type over std::wstring with the operations windows use:
// built from wide text, compared with text, appended to, its character data read.
class CDuiString {
public:
    CDuiString() = default;
    CDuiString(const wchar_t* text) : m_str(text != nullptr ? text : L"") {} // NOLINT: implicit by design
    CDuiString(const wchar_t* text, int length);
    CDuiString(const std::wstring& text) : m_str(text) {}       // NOLINT
    CDuiString(std::wstring&& text) : m_str(std::move(text)) {} // NOLINT

    [[nodiscard]] const wchar_t* GetData() const { return m_str.c_str(); }
    [[nodiscard]] int GetLength() const { return static_cast<int>(m_str.size()); }
    [[nodiscard]] bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    void Append(const wchar_t* text) {
        if (text != nullptr) {
            m_str += text;
        }
    }
    void Assign(const wchar_t* text, int length = -1);
    // Case-sensitive comparison: <0, 0, >0 like wcscmp.
    [[nodiscard]] int Compare(const wchar_t* text) const;
    [[nodiscard]] int CompareNoCase(const wchar_t* text) const;
    [[nodiscard]] CDuiString Left(int count) const;
    [[nodiscard]] CDuiString Mid(int pos, int count = -1) const;
    [[nodiscard]] int Find(const wchar_t* sub, int start = 0) const;
    // Formats like swprintf_s (%s takes wide text); a result longer than 1023 characters is cut.
    int Format(const wchar_t* format, ...);

    [[nodiscard]] const std::wstring& str() const { return m_str; }
    operator const wchar_t*() const { return m_str.c_str(); } // NOLINT
    wchar_t operator[](int index) const { return m_str[static_cast<size_t>(index)]; }

    CDuiString& operator=(const wchar_t* text) {
        m_str = text != nullptr ? text : L"";
        return *this;
    }
    CDuiString& operator+=(const wchar_t* text) {
        Append(text);
        return *this;
    }
    CDuiString& operator+=(const CDuiString& other) {
        m_str += other.m_str;
        return *this;
    }
    CDuiString& operator+=(wchar_t c) {
        m_str += c;
        return *this;
    }
    CDuiString operator+(const wchar_t* text) const {
        CDuiString result(*this);
        result += text;
        return result;
    }
    CDuiString operator+(const CDuiString& other) const { return CDuiString(m_str + other.m_str); }

    bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
    bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }
    bool operator==(const CDuiString& other) const { return m_str == other.m_str; }
    bool operator!=(const CDuiString& other) const { return m_str != other.m_str; }
    bool operator<(const CDuiString& other) const { return m_str < other.m_str; }

private:
    std::wstring m_str;
};

// What a control tells its window: "click", "link", "timer", "textchanged", "setfocus",
// "killfocus". wParam carries the timer id for "timer"; ptMouse is in client pixels.
struct tagTNotifyUI {
    CDuiString sType;
    CDuiString sVirtualWnd;
    CControlUI* pSender = nullptr;
    DWORD dwTimestamp = 0;
    POINT ptMouse{};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
using TNotifyUI = tagTNotifyUI;

// Receives every notification of the controls of a window.
class INotifyUI {
public:
    virtual ~INotifyUI() = default;
    virtual void Notify(TNotifyUI& msg) = 0;
};

// Sees a window's messages before the toolkit handles them.
class IMessageFilterUI {
public:
    virtual ~IMessageFilterUI() = default;
    virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

// Makes controls for element names the builder does not know; null lets the builder skip them.
class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    virtual CControlUI* CreateControl(const wchar_t* pstrClass) = 0;
};

// Supplies a control's text by id at build time; null keeps the layout's text.
class IQueryControlText {
public:
    virtual ~IQueryControlText() = default;
    virtual const wchar_t* QueryControlText(const wchar_t* lpstrId, const wchar_t* lpstrType) = 0;
};

// Base of classes that receive notifications; kept for the shape of the window hierarchy.
class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
};

// Notification type names.
inline constexpr const wchar_t* DUI_MSGTYPE_CLICK = L"click";
inline constexpr const wchar_t* DUI_MSGTYPE_LINK = L"link";
inline constexpr const wchar_t* DUI_MSGTYPE_TIMER = L"timer";
inline constexpr const wchar_t* DUI_MSGTYPE_TEXTCHANGED = L"textchanged";
inline constexpr const wchar_t* DUI_MSGTYPE_SETFOCUS = L"setfocus";
inline constexpr const wchar_t* DUI_MSGTYPE_KILLFOCUS = L"killfocus";

} // namespace DuiLib
