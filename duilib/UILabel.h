// Text controls. CLabelUI draws one text (aligned, optionally wrapped) in a skin font; CTextUI adds
// link markup ({a}...{/a}) whose links are underlined, show the hand cursor, take keyboard focus
// one by one and report "link"; CButtonUI draws normal/hot/pushed/disabled/focused looks from
// colours or images and reports "click".
#pragma once

#include "duilib/UIControl.h"
#include "duilib/UITextLayout.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;

    void SetText(const wchar_t* pstrText) override;
    void SetPos(RECT rc) override;
    SIZE EstimateSize(SIZE szAvailable) override;
    void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) override;
    void PaintText(Gdiplus::Graphics& g) override;
    void OnDpiChanged() override;

    int GetFont() const { return m_iFont; }
    void SetFont(int id);
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD argb);
    UINT GetTextStyle() const { return m_uTextStyle; }
    bool IsWordBreak() const { return m_bWordBreak; }
    RECT GetTextPadding() const { return m_rcTextPadding; }

protected:
    // Lays the text out for the current rectangle and DPI (cached until one of them changes).
    const Render::TextLayout& EnsureTextLayout();
    void DropTextLayout() { m_layoutValid = false; }
    RECT TextRect() const;
    virtual DWORD CurrentTextColor() const;
    virtual DWORD RunColor(const Render::TextRun& run) const;

    int m_iFont = -1;
    DWORD m_dwTextColor = 0; // 0: the window's default text colour
    DWORD m_dwDisabledTextColor = 0;
    UINT m_uTextStyle = Render::kAlignLeft | Render::kAlignVCenter;
    bool m_bWordBreak = false;
    bool m_bMarkup = false;
    bool m_bAutoHeight = false;
    RECT m_rcTextPadding{};
    Render::TextLayout m_layout;
    bool m_layoutValid = false;
    RECT m_layoutRect{};
    int m_layoutDpi = 0;
};

class CTextUI : public CLabelUI {
public:
    CTextUI();
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;

    // 0-based index of the link under the point (client pixels), -1 when there is none.
    int GetLinkContentIndex(const POINT& ptMouse);
    int GetLinkCount() const { return m_linkCount; }

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

class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;

    void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) override;
    bool IsInteractive(POINT pt) const override;
    int GetFocusStopCount() const override;
    void Activate() override;
    const wchar_t* GetCursor(POINT pt) const override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(Gdiplus::Graphics& g) override;

    void SetNormalImage(const wchar_t* image);
    void SetHotImage(const wchar_t* image);
    void SetPushedImage(const wchar_t* image);
    void SetDisabledImage(const wchar_t* image);

protected:
    DWORD CurrentBkColor() const override;
    DWORD CurrentBorderColor() const override;
    DWORD CurrentTextColor() const override;
    // Background, outline and text follow the state alike: the disabled colour (else the normal
    // one) while disabled, then the pushed, then the hot colour where set, else the normal one.
    DWORD StateColor(DWORD normal, DWORD hot, DWORD pushed, DWORD disabled) const;

    bool m_bPressing = false;
    CDuiString m_sNormalImage;
    CDuiString m_sHotImage;
    CDuiString m_sPushedImage;
    CDuiString m_sDisabledImage;
    CDuiString m_sFocusedImage;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwPushedBkColor = 0;
    DWORD m_dwDisabledBkColor = 0;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
    DWORD m_dwHotBorderColor = 0;
    DWORD m_dwPushedBorderColor = 0;
    DWORD m_dwDisabledBorderColor = 0;
};

} // namespace DuiLib
