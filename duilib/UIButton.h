// CButtonUI: a clickable label with centred text. Its background, outline, text and images follow
// its state (normal, hot, pushed, disabled, focused); a release inside the pressed button, or Enter
// or Space on the focused one, reports "click".
#pragma once

#include "duilib/UILabel.h"

namespace DuiLib {

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
    // In high contrast, the look of the focused, the default and the hot button: highlight colours.
    bool IsHighlighted() const;

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
