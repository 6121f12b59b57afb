// CTextUI: a label with link markup ({a}...{/a}), wrapped and top-aligned by default. Its links are
// underlined, change colour under the mouse, show the hand cursor, take the keyboard focus one by
// one and report "link" with their index.
#pragma once

#include "duilib/UILabel.h"

namespace DuiLib {

class CTextUI : public CLabelUI {
public:
    CTextUI();
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;

    // 0-based index of the link under the point (client pixels), -1 when there is none.
    int GetLinkContentIndex(const POINT& ptMouse);
    int GetLinkCount() const { return m_linkCount; }
    // Where the link lies (client pixels; the whole control for an index without a link), and its
    // plain text.
    RECT GetLinkRect(int index) const;
    std::wstring GetLinkText(int index) const;
    // What a click on the link does: "link" with its index (nothing for an index without a link).
    void ActivateLink(int index);

    void SetText(const wchar_t* pstrText) override;
    void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) override;
    bool IsInteractive(POINT pt) const override;
    int GetFocusStopCount() const override;
    RECT GetFocusRect() const override;
    void Activate() override;
    const wchar_t* GetCursor(POINT pt) const override;
    void DoEvent(TEventUI& event) override;

protected:
    DWORD RunColor(const Render::TextRun& run) const override;
    int LinkAt(POINT pt) const;

    int m_linkCount = 0;
    int m_hotLink = -1;
    int m_pressedLink = -1;
    DWORD m_dwLinkColor = 0;
    DWORD m_dwLinkHoverColor = 0;
};

} // namespace DuiLib
