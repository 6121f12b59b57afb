// CCheckBoxUI: a button that holds an on/off choice, drawn as a box (ticked when on) with its text
// beside it. A click, Enter or Space on the focused box, and a screen reader's toggle all turn it
// over and then report "click", so the window reads the new state in its click handler.
#pragma once

#include "duilib/UIButton.h"

namespace DuiLib {

class CCheckBoxUI : public CButtonUI {
public:
    CCheckBoxUI();
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;
    void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) override;
    void Activate() override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(Gdiplus::Graphics& g) override;

    [[nodiscard]] bool IsSelected() const { return m_bSelected; }
    // Sets the state without a notification (the window setting what it read, say).
    void Selected(bool selected);

protected:
    // The box is the control's outline: no frame around box and text, also in high contrast.
    DWORD CurrentBorderColor() const override;

private:
    bool m_bSelected = false;
};

} // namespace DuiLib
