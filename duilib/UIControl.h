// The base of every control: name, text, visibility, enabled state, position (computed in pixels
// by the layout pass from 96-DPI attributes), background colour and images, border, per-control
// timers, and the attribute parser that the XML builder feeds.
#pragma once

#include "duilib/UIDefine.h"
#include "duilib/UIRender.h"

#include <memory>
#include <string>
#include <vector>

namespace DuiLib {

class CPaintManagerUI;
namespace Render {
class ImageStrip;
}

enum UIEVENT {
    UIEVENT_MOUSEENTER = 1,
    UIEVENT_MOUSELEAVE,
    UIEVENT_MOUSEMOVE,
    UIEVENT_BUTTONDOWN,
    UIEVENT_BUTTONUP,
    UIEVENT_SETFOCUS,
    UIEVENT_KILLFOCUS,
};

struct TEventUI {
    int Type = 0;
    CControlUI* pSender = nullptr;
    POINT ptMouse{};
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // Class name as used in layouts ("Control", "Button", ...), and the interface lookup by it.
    virtual const wchar_t* GetClass() const;
    virtual void* GetInterface(const wchar_t* pstrName);

    virtual CDuiString GetName() const;
    virtual void SetName(const wchar_t* pstrName);
    virtual CDuiString GetText() const;
    virtual void SetText(const wchar_t* pstrText);
    CDuiString GetToolTip() const { return m_sToolTip; }
    void SetToolTip(const wchar_t* text) { m_sToolTip = text; }
    // The name a screen reader speaks when the text says too little (an icon-only button), or "".
    CDuiString GetAccName() const { return m_sAccName; }
    void SetAccName(const wchar_t* name) { m_sAccName = name; }
    UINT_PTR GetTag() const { return m_tag; }
    void SetTag(UINT_PTR tag) { m_tag = tag; }

    virtual bool IsVisible() const;
    virtual void SetVisible(bool bVisible = true);
    // Visible itself and through every parent.
    bool IsVisibleInTree() const;
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool bEnable = true);
    bool IsHot() const { return m_bHot; }
    bool IsPushed() const { return m_bPushed; }
    bool IsFocused() const;
    void SetFocus();

    // Background and the image drawn over it; both are image descriptions (see README).
    CDuiString GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const wchar_t* pStrImage);
    CDuiString GetForeImage() const { return m_sForeImage; }
    void SetForeImage(const wchar_t* pStrImage);
    // The background images this control will show one after another, by the names SetBkImage is
    // given (an animation's frames, plain file names): they are decoded once, ahead of the
    // animation and at the size they are drawn, instead of at every frame (UIImageStrip.h). An
    // empty list lets them go.
    void SetBkImageFrames(const std::vector<std::wstring>& names);
    DWORD GetBkColor() const { return m_dwBkColor; }
    void SetBkColor(DWORD argb);
    DWORD GetBorderColor() const { return m_dwBorderColor; }
    void SetBorderColor(DWORD argb);

    // Position in client pixels, as the last layout pass set it.
    const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc);
    // Size wanted by the control in pixels for the manager's DPI; 0 in a direction means "share
    // the free space".
    virtual SIZE EstimateSize(SIZE szAvailable);
    // Fixed size and limits in 96-DPI units.
    int GetFixedWidth() const { return m_cxyFixed.cx; }
    int GetFixedHeight() const { return m_cxyFixed.cy; }
    void SetFixedWidth(int cx);
    void SetFixedHeight(int cy);
    SIZE GetMinSize() const { return m_cxyMin; }
    SIZE GetMaxSize() const { return m_cxyMax; }
    RECT GetPadding() const { return m_rcPadding; } // outer margin, 96-DPI units
    bool IsFloat() const { return m_bFloat; }
    RECT GetFloatPos() const { return m_rcFloatPos; } // 96-DPI units, relative to the parent

    virtual void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue);
    // Applies "name='value' ..." in order.
    void ApplyAttributeList(const wchar_t* pstrList);

    // Timers: the window gets a "timer" notification with `nTimerID` in wParam every period.
    [[nodiscard]] bool SetTimer(UINT nTimerID, UINT uElapse);
    void KillTimer(UINT nTimerID);

    CPaintManagerUI* GetManager() const { return m_pManager; }
    CControlUI* GetParent() const { return m_pParent; }
    virtual void SetManager(CPaintManagerUI* pManager, CControlUI* pParent);

    // Deepest visible control under the point (pixels), or null.
    virtual CControlUI* FindControlAt(POINT pt);
    virtual CControlUI* FindControlByName(const wchar_t* pstrName);
    // Appends this control and its descendants in layout order.
    virtual void CollectControls(std::vector<CControlUI*>& controls);

    // Mouse and keyboard behaviour.
    // True for controls that take clicks (buttons, links, edits): they get hot/pushed states and
    // the caption area does not drag the window where they are.
    virtual bool IsInteractive(POINT pt) const;
    // Keyboard stops inside this control (0: not focusable; a text gives one per link).
    virtual int GetFocusStopCount() const;
    virtual void SetFocusStop(int index);
    virtual int GetFocusStop() const { return m_focusStop; }
    // Rectangle around which the focus ring is drawn, pixels.
    virtual RECT GetFocusRect() const;
    // Corner radius of the background, border and focus ring, pixels.
    float Radius() const;
    // Enter or Space on the focused control.
    virtual void Activate();
    virtual const wchar_t* GetCursor(POINT pt) const;
    virtual void DoEvent(TEventUI& event);
    // The default button is activated by Enter when no other button has the focus.
    bool IsDefault() const { return m_bDefault; }

    virtual void Invalidate();
    void NeedUpdate();
    // Called by the manager after a DPI change (fonts, native children).
    virtual void OnDpiChanged() {}

    virtual void DoPaint(Gdiplus::Graphics& g, const RECT& rcPaint);
    virtual void PaintBkColor(Gdiplus::Graphics& g);
    virtual void PaintBkImage(Gdiplus::Graphics& g);
    virtual void PaintStatusImage(Gdiplus::Graphics& g);
    virtual void PaintText(Gdiplus::Graphics& g);
    virtual void PaintBorder(Gdiplus::Graphics& g);

protected:
    // Current background and border colour; buttons vary them with their state.
    // Both through the high-contrast theme (UITheme.h).
    virtual DWORD CurrentBkColor() const;
    virtual DWORD CurrentBorderColor() const;
    // The item rectangle less a margin given in 96-DPI units (the whole item before a manager is set).
    RECT ItemRectLess(const RECT& margin) const;
    void SetHot(bool hot);
    void SetPushed(bool pushed);

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CDuiString m_sName;
    CDuiString m_sText;
    CDuiString m_sToolTip;
    CDuiString m_sAccName;
    CDuiString m_sBkImage;
    CDuiString m_sForeImage;
    std::unique_ptr<Render::ImageStrip> m_bkFrames;
    UINT_PTR m_tag = 0;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    bool m_bFloat = false;
    bool m_bHot = false;
    bool m_bPushed = false;
    bool m_bDefault = false;
    bool m_bKeyboard = true;
    int m_focusStop = 0;
    RECT m_rcItem{};
    SIZE m_cxyFixed{};
    SIZE m_cxyMin{};
    SIZE m_cxyMax{9999, 9999};
    RECT m_rcPadding{};
    RECT m_rcFloatPos{};
    DWORD m_dwBkColor = 0;
    DWORD m_dwBorderColor = 0;
    int m_nBorderSize = 0; // 96-DPI units; a border colour alone draws 1
    bool m_bBorderSides = false;
    RECT m_rcBorderSides{}; // per-side widths, 96-DPI units, when bordersize has four values
    int m_nBorderRound = 0; // corner radius, 96-DPI units
};

// Hands one mouse or focus event to a control, as the window's input and focus handling do.
inline void DeliverEvent(CControlUI* control, int type, POINT pt = POINT{}, WPARAM wParam = 0) {
    TEventUI event;
    event.Type = type;
    event.pSender = control;
    event.ptMouse = pt;
    event.wParam = wParam;
    control->DoEvent(event);
}

} // namespace DuiLib
