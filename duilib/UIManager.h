// One CPaintManagerUI per window. It owns the window's control tree and everything the tree needs
// from the window: it keeps the registry of controls (root, lookup by name and point, native edit
// children), the per-control timers, the notifiers and message filters, the layout pass, and it
// dispatches the window's messages to the pieces that handle them: WindowPainter (UIPaint.h),
// MouseInput (UIMouse.h, with the ToolTip), KeyboardFocus (UIFocus.h) and the FontTable
// (UIFont.h). The static part holds the process-wide settings: module instance, resource folder,
// message loop.
#pragma once

#include "duilib/UIAutomation.h"
#include "duilib/UIControl.h"
#include "duilib/UIDefine.h"
#include "duilib/UIFocus.h"
#include "duilib/UIFont.h"
#include "duilib/UIImage.h"
#include "duilib/UIMouse.h"
#include "duilib/UIPaint.h"
#include "duilib/UITextLayout.h"
#include "duilib/UIWindowLook.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace DuiLib {

class CEditUI;

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // ---- process-wide ----
    static void SetInstance(HINSTANCE hInst);
    static HINSTANCE GetInstance();
    // Folder of the executable, ending in a backslash.
    static CDuiString GetInstancePath();
    // Folder that skin files and images are relative to; a trailing separator is added if missing.
    static void SetResourcePath(const wchar_t* pStrPath);
    static CDuiString GetResourcePath();
    // A relative file becomes resource folder + file; an absolute one stays.
    static std::wstring ResolveResourcePath(const wchar_t* file);
    // Runs the thread's message loop until WM_QUIT; returns its exit code.
    static int MessageLoop();
    // The manager of a window (or of the window an EDIT child belongs to); null if none.
    static CPaintManagerUI* FromWindow(HWND hWnd);

    // ---- the window and its tree ----
    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWnd; }
    // Makes the control the root of the window's tree; the manager owns it from then on (and
    // deletes a previous root). False for null.
    [[nodiscard]] bool AttachDialog(CControlUI* pControl);
    CControlUI* GetRoot() const { return m_pRoot.get(); }
    CControlUI* FindControl(const wchar_t* pstrName) const;
    CControlUI* FindControl(POINT pt) const;
    // The control of that name when it is of the kind asked for (GetInterface(kind), such as
    // L"Text" or L"Edit"); a control of another kind under the expected name counts as missing.
    template <typename T> T* FindControlAs(const wchar_t* pstrName, const wchar_t* kind) const {
        CControlUI* control = FindControl(pstrName);
        return control != nullptr ? static_cast<T*>(control->GetInterface(kind)) : nullptr;
    }

    void AddNotifier(INotifyUI* pControl);
    void RemoveNotifier(INotifyUI* pControl);
    void SendNotify(CControlUI* pControl, const wchar_t* pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0,
                    POINT pt = POINT{});
    void AddMessageFilter(IMessageFilterUI* pFilter);
    void RemoveMessageFilter(IMessageFilterUI* pFilter);

    // A "timer" notification for the control every `uElapse` ms, with `nTimerID` in wParam.
    [[nodiscard]] bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    // False when the control had no such timer.
    [[nodiscard]] bool KillTimer(CControlUI* pControl, UINT nTimerID);

    // DPI of the window (0 counts as 96) and scaling of 96-DPI units to pixels.
    int GetDPI() const { return m_dpi; }
    void SetDPI(int dpi);
    int Scale(int value96) const;
    float ScaleF(float value96) const;

    // The <Window> element's settings (96-DPI units) and the window's default colours.
    void SetWindowAttribute(const wchar_t* name, const wchar_t* value);
    SIZE GetInitSize() const { return m_look.initSize; }
    RECT GetCaptionRect() const { return m_look.caption; }
    SIZE GetRoundCorner() const { return m_look.roundCorner; }
    DWORD GetDefaultTextColor() const { return m_look.textColor; }
    DWORD GetDefaultDisabledColor() const { return m_look.disabledTextColor; }
    DWORD GetDefaultLinkColor() const { return m_look.linkColor; }
    DWORD GetDefaultLinkHoverColor() const { return m_look.linkHoverColor; }
    DWORD GetFocusColor() const { return m_look.focusColor; }
    const std::wstring& GetAccName() const { return m_look.accName; }

    // Fonts: sizes in 96-DPI pixels. Id -1 (or an unknown id) is the default font.
    void AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic, bool isDefault);
    HFONT GetHFONT(int id);
    Render::TextFonts GetTextFonts(int id);
    // A graphics object for measuring text outside of painting.
    Gdiplus::Graphics* GetMeasureGraphics();

    // Styles (<Style name value>) and per-class defaults (<Default name value>).
    void AddStyle(const wchar_t* name, const wchar_t* attributes);
    const wchar_t* GetStyle(const wchar_t* name) const;
    // Applies the named style's attributes to the control. Styles may name styles: a chain is cut
    // at a depth no real skin needs, so a circle of styles ends, and a build (or one style applied
    // outside a build) expands at most Limits::kMaxStyleExpansions styles in all, so styles naming
    // themselves many times do not multiply.
    void ApplyStyle(CControlUI& control, const wchar_t* name);
    void AddDefaultAttributeList(const wchar_t* controlClass, const wchar_t* attributes);
    const wchar_t* GetDefaultAttributeList(const wchar_t* controlClass) const;

    // The tooltip window (null until a control with a tooltip was hovered) and its current text.
    HWND GetToolTipWindow() const { return m_mouse.GetToolTip().Window(); }
    const std::wstring& GetToolTipText() const { return m_mouse.GetToolTip().Text(); }

    // Focus: the control that takes keys; `byKeyboard` shows the focus ring.
    CControlUI* GetFocus() const { return m_focus.Get(); }
    void SetFocus(CControlUI* pControl, bool byKeyboard = false) { m_focus.Set(pControl, byKeyboard); }
    bool IsFocusVisible() const { return m_focus.IsRingVisible(); }
    // Tab / Shift+Tab: next enabled, visible focus stop in layout order, wrapping around.
    void MoveFocus(bool forward) { m_focus.Move(forward); }

    void Invalidate();
    void Invalidate(const RECT& rc);
    void NeedUpdate();
    // Lays out the tree now if anything changed.
    void EnsureLayout();
    // Paints the whole tree anew into the off-screen bitmap (as the first WM_PAINT does, without the
    // window); false when there is nothing to paint or no bitmap.
    [[nodiscard]] bool Render();
    // Pixel of the last painted frame at a client point, 0xAARRGGBB; 0 outside.
    DWORD GetPaintedPixel(POINT pt) const { return m_painter.PaintedPixel(pt); }

    // What UI Automation clients see of the window (UIAutomation.h).
    AutomationTree& GetAutomation() { return m_automation; }

    // Handles a window message for the tree; true when it consumed it (result in lRes).
    [[nodiscard]] bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

private:
    // The controls' own hooks into their manager.
    friend class CControlUI;
    friend class CEditUI;
    friend class CDialogBuilder;
    // The builds of skins into this window: one style budget for each outermost build. EndBuild
    // tells whether that build's styles ran out of it.
    void BeginBuild();
    [[nodiscard]] bool EndBuild();
    // A control is going away: nothing may point at it any more.
    void ReapObjects(CControlUI* pControl);
    // Native EDIT children register here so that keys, colours, fonts and focus reach them.
    void RegisterEdit(CEditUI* edit);
    void UnregisterEdit(CEditUI* edit);
    // Enter, Space and Tab pressed in an EDIT child.
    [[nodiscard]] bool HandleKey(UINT vk) { return m_focus.HandleKey(vk); }

    struct TimerInfo {
        CControlUI* control;
        UINT id;
        UINT_PTR nativeId;
    };
    void KillTimers(CControlUI* pControl);
    void DoLayout();
    CEditUI* EditFromHwnd(HWND hwnd) const;

    // First member, so GDI+ outlives the fonts and the frame below.
    GdiplusSession m_gdiplus;
    HWND m_hWnd = nullptr;
    int m_dpi = 96;
    WindowLook m_look;
    std::unique_ptr<CControlUI> m_pRoot;
    std::vector<CEditUI*> m_edits;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    std::vector<TimerInfo> m_timers;
    UINT_PTR m_nextTimerId = 0x1000;
    std::map<std::wstring, std::wstring> m_styles;
    std::map<std::wstring, std::wstring> m_defaults;
    int m_buildDepth = 0;
    int m_styleDepth = 0;
    int m_styleExpansions = 0;
    bool m_stylesCut = false;
    bool m_bNeedLayout = true;
    SIZE m_layoutSize{};
    FontTable m_fonts;
    KeyboardFocus m_focus{*this};
    MouseInput m_mouse{*this, m_look};
    WindowPainter m_painter{*this, m_look};
    AutomationTree m_automation{*this};
};

} // namespace DuiLib
