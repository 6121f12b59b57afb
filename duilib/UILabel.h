// CLabelUI draws one text (aligned, optionally wrapped, optionally with markup) in a skin font, in
// the window's text colours unless it has its own. It is the base of the other text controls:
// CTextUI (links), CButtonUI and CEditUI.
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
    bool IsMarkup() const { return m_bMarkup; }
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

} // namespace DuiLib
