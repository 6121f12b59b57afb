#include "duilib/UIText.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"
#include "duilib/UITheme.h"

#include <cmath>
#include <cwchar>

namespace DuiLib {

CTextUI::CTextUI() {
    m_bMarkup = true;
    m_bWordBreak = true;
    m_uTextStyle = Render::kAlignLeft | Render::kAlignTop;
}

const wchar_t* CTextUI::GetClass() const {
    return L"Text";
}

void* CTextUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Text") == 0 ? this : CLabelUI::GetInterface(pstrName);
}

void CTextUI::SetText(const wchar_t* pstrText) {
    CLabelUI::SetText(pstrText);
    Render::StripMarkup(m_sText.str(), &m_linkCount);
    if (!m_bMarkup) {
        m_linkCount = 0;
    }
    m_hotLink = -1;
    m_pressedLink = -1;
    if (m_focusStop >= m_linkCount) {
        m_focusStop = 0;
    }
}

void CTextUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    if (wcscmp(pstrName, L"linkcolor") == 0) {
        (void)Markup::ParseColor(pstrValue, m_dwLinkColor);
    } else if (wcscmp(pstrName, L"linkhovercolor") == 0) {
        (void)Markup::ParseColor(pstrValue, m_dwLinkHoverColor);
    } else {
        CLabelUI::SetAttribute(pstrName, pstrValue);
        if (wcscmp(pstrName, L"markup") == 0) {
            SetText(CDuiString(m_sText).GetData());
            Render::StripMarkup(m_sText.str(), &m_linkCount);
            if (!m_bMarkup) {
                m_linkCount = 0;
            }
        }
    }
}

int CTextUI::LinkAt(POINT pt) const {
    if (!m_layoutValid) {
        return -1;
    }
    for (const Render::TextRun& run : m_layout.runs) {
        if (run.link >= 0 && run.box.Contains(static_cast<float>(pt.x) + 0.5f, static_cast<float>(pt.y) + 0.5f)) {
            return run.link;
        }
    }
    return -1;
}

int CTextUI::GetLinkContentIndex(const POINT& ptMouse) {
    if (m_linkCount == 0 || !PtInRect(&m_rcItem, ptMouse)) {
        return -1;
    }
    EnsureTextLayout();
    return LinkAt(ptMouse);
}

bool CTextUI::IsInteractive(POINT pt) const {
    // Asking lays the text out if it was never painted (a hidden window still answers).
    return IsEnabled() && m_linkCount > 0 && const_cast<CTextUI*>(this)->GetLinkContentIndex(pt) >= 0;
}

int CTextUI::GetFocusStopCount() const {
    return IsEnabled() && m_bKeyboard ? m_linkCount : 0;
}

RECT CTextUI::GetFocusRect() const {
    return GetLinkRect(m_focusStop);
}

std::wstring CTextUI::GetLinkText(int index) const {
    if (index < 0 || index >= m_linkCount) {
        return {};
    }
    // The words between the index-th {a} and its {/a}, without the markup inside them.
    const std::wstring& all = m_sText.str();
    size_t open = 0;
    for (int i = 0; i <= index; ++i) {
        open = all.find(L"{a}", i == 0 ? 0 : open + 3);
        if (open == std::wstring::npos) {
            return {};
        }
    }
    const size_t close = all.find(L"{/a}", open + 3);
    return Render::StripMarkup(
        all.substr(open + 3, close == std::wstring::npos ? std::wstring::npos : close - open - 3));
}

RECT CTextUI::GetLinkRect(int index) const {
    const_cast<CTextUI*>(this)->EnsureTextLayout();
    RECT result{};
    bool any = false;
    for (const Render::TextRun& run : m_layout.runs) {
        if (run.link != index) {
            continue;
        }
        RECT r{static_cast<LONG>(std::floor(run.box.X)), static_cast<LONG>(std::floor(run.box.Y)),
               static_cast<LONG>(std::ceil(run.box.GetRight())), static_cast<LONG>(std::ceil(run.box.GetBottom()))};
        if (any) {
            UnionRect(&result, &result, &r);
        } else {
            result = r;
            any = true;
        }
    }
    return any ? result : m_rcItem;
}

void CTextUI::Activate() {
    ActivateLink(m_focusStop);
}

void CTextUI::ActivateLink(int index) {
    if (m_pManager == nullptr || index < 0 || index >= m_linkCount) {
        return;
    }
    EnsureTextLayout();
    // The point lies inside the link, so a handler asking GetLinkContentIndex gets this link.
    for (const Render::TextRun& run : m_layout.runs) {
        if (run.link == index) {
            const POINT pt{static_cast<LONG>(run.box.X + run.box.Width / 2),
                           static_cast<LONG>(run.box.Y + run.box.Height / 2)};
            m_pManager->SendNotify(this, DUI_MSGTYPE_LINK, static_cast<WPARAM>(index), 0, pt);
            return;
        }
    }
}

const wchar_t* CTextUI::GetCursor(POINT pt) const {
    return IsInteractive(pt) ? IDC_HAND : IDC_ARROW;
}

void CTextUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_MOUSEENTER: {
        const int link = GetLinkContentIndex(event.ptMouse);
        if (link != m_hotLink) {
            m_hotLink = link;
            Invalidate();
        }
        break;
    }
    case UIEVENT_MOUSELEAVE:
        if (m_hotLink != -1) {
            m_hotLink = -1;
            Invalidate();
        }
        break;
    case UIEVENT_BUTTONDOWN:
        m_pressedLink = GetLinkContentIndex(event.ptMouse);
        if (m_pressedLink >= 0) {
            m_focusStop = m_pressedLink;
        }
        break;
    case UIEVENT_BUTTONUP: {
        const int pressed = m_pressedLink;
        m_pressedLink = -1;
        // A link fires only when pressed and released on the same link.
        if (pressed >= 0 && GetLinkContentIndex(event.ptMouse) == pressed && m_pManager != nullptr) {
            m_pManager->SendNotify(this, DUI_MSGTYPE_LINK, static_cast<WPARAM>(pressed), 0, event.ptMouse);
        }
        break;
    }
    default:
        break;
    }
}

DWORD CTextUI::RunColor(const Render::TextRun& run) const {
    if (run.link < 0 || !IsEnabled()) {
        return CurrentTextColor();
    }
    if (run.link == m_hotLink) {
        return Theme::Color(Theme::Role::Link,
                            m_dwLinkHoverColor != 0
                                ? m_dwLinkHoverColor
                                : (m_pManager ? m_pManager->GetDefaultLinkHoverColor() : 0xFF005A9E));
    }
    return Theme::Color(Theme::Role::Link, m_dwLinkColor != 0
                                               ? m_dwLinkColor
                                               : (m_pManager ? m_pManager->GetDefaultLinkColor() : 0xFF0067C0));
}

} // namespace DuiLib
