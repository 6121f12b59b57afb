// A single-line edit box: the toolkit draws its frame (background, border, accent underline while
// focused) and places a native EDIT child inside it, so typing, IME, selection and the clipboard
// behave as everywhere in Windows. Every change the user makes is reported as "textchanged".
#pragma once

#include "duilib/UILabel.h"

#include "common/UniqueHandle.h"

namespace DuiLib {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    ~CEditUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;

    CDuiString GetText() const override;
    // Sets the text without a "textchanged" notification (only the user's changes are reported).
    void SetText(const wchar_t* pstrText) override;
    void SetEnabled(bool bEnable = true) override;
    void SetVisible(bool bVisible = true) override;
    void SetPos(RECT rc) override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent) override;
    void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) override;
    void OnDpiChanged() override;
    bool IsInteractive(POINT pt) const override;
    int GetFocusStopCount() const override;
    const wchar_t* GetCursor(POINT pt) const override;
    void DoEvent(TEventUI& event) override;
    void PaintText(Gdiplus::Graphics& g) override;
    void PaintBorder(Gdiplus::Graphics& g) override;

    HWND GetNativeWindow() const { return m_hEdit; }
    void SetMaxChar(UINT max);
    bool IsNumberOnly() const { return m_bNumberOnly; }
    bool IsReadOnly() const { return m_bReadOnly; }

    // Called by the manager.
    void SyncNativeWindow();
    // Hands the native box its current font again, after the skin replaced that font.
    void RefreshNativeFont();
    void OnNativeChange();
    HBRUSH OnCtlColor(HDC hdc);

private:
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateNativeWindow();
    DWORD EffectiveBkColor() const;

    HWND m_hEdit = nullptr; // destroyed with the edit control (or with its parent window)
    WNDPROC m_oldProc = nullptr;
    bool m_bSuppressChange = false;
    bool m_bNumberOnly = false;
    bool m_bPassword = false;
    bool m_bReadOnly = false;
    UINT m_uMaxChar = 255;
    DWORD m_dwFocusLineColor = 0;
    DWORD m_dwFocusBorderColor = 0;
    CDuiString m_sPrompt; // shown greyed while the edit is empty and not focused
    unique_gdi<HBRUSH> m_bkBrush;
    DWORD m_bkBrushColor = 0;
};

} // namespace DuiLib
