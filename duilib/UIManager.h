// One CPaintManagerUI per window: it owns the window's control tree, lays it out in pixels for the
// window's DPI, paints it into one off-screen bitmap copied to the window, routes mouse, keyboard,
// focus and timer messages to the controls, and sends their notifications to the window. The
// static part holds the process-wide settings: module instance, resource folder, message loop.
#pragma once

#include "duilib/UIControl.h"
#include "duilib/UIDefine.h"
#include "duilib/UIImage.h"
#include "duilib/UITextLayout.h"

#include "common/UniqueHandle.h"

#include <array>
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

    // ---- per window ----
    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWnd; }
    // Makes the control the root of the window's tree; the manager owns it from then on (and
    // deletes a previous root). False for null.
    bool AttachDialog(CControlUI* pControl);
    CControlUI* GetRoot() const { return m_pRoot.get(); }
    CControlUI* FindControl(const wchar_t* pstrName) const;
    CControlUI* FindControl(POINT pt) const;

    void AddNotifier(INotifyUI* pControl);
    void RemoveNotifier(INotifyUI* pControl);
    void SendNotify(CControlUI* pControl, const wchar_t* pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0,
                    POINT pt = POINT{});
    void AddMessageFilter(IMessageFilterUI* pFilter);
    void RemoveMessageFilter(IMessageFilterUI* pFilter);

    bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    bool KillTimer(CControlUI* pControl, UINT nTimerID);
    void KillTimers(CControlUI* pControl);

    // DPI of the window (0 counts as 96) and scaling of 96-DPI units to pixels.
    int GetDPI() const { return m_dpi; }
    void SetDPI(int dpi);
    int Scale(int value96) const;
    float ScaleF(float value96) const;

    // Window element settings, 96-DPI units.
    SIZE GetInitSize() const { return m_szInit; }
    void SetInitSize(int cx, int cy) { m_szInit = SIZE{cx, cy}; }
    RECT GetCaptionRect() const { return m_rcCaption; }
    void SetCaptionRect(const RECT& rc) { m_rcCaption = rc; }
    SIZE GetRoundCorner() const { return m_szRoundCorner; }
    void SetRoundCorner(int cx, int cy) { m_szRoundCorner = SIZE{cx, cy}; }
    void SetWindowAttribute(const wchar_t* name, const wchar_t* value);
    DWORD GetDefaultLinkColor() const { return m_linkColor; }
    DWORD GetDefaultLinkHoverColor() const { return m_linkHoverColor; }
    DWORD GetDefaultTextColor() const { return m_textColor; }
    DWORD GetDefaultDisabledColor() const { return m_disabledTextColor; }
    DWORD GetFocusColor() const { return m_focusColor; }

    // Fonts: sizes in 96-DPI pixels. Id -1 (or an unknown id) is the default font.
    void AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic, bool isDefault);
    Gdiplus::Font* GetFont(int id, bool bold = false, bool underline = false);
    HFONT GetHFONT(int id);
    Render::TextFonts GetTextFonts(int id);
    // A graphics object for measuring text outside of painting.
    Gdiplus::Graphics* GetMeasureGraphics();

    // Styles (<Style name value>) and per-class defaults (<Default name value>).
    void AddStyle(const wchar_t* name, const wchar_t* attributes);
    const wchar_t* GetStyle(const wchar_t* name) const;
    void AddDefaultAttributeList(const wchar_t* controlClass, const wchar_t* attributes);
    const wchar_t* GetDefaultAttributeList(const wchar_t* controlClass) const;

    // The tooltip window (null until a control with a tooltip was hovered) and its current text.
    HWND GetToolTipWindow() const { return m_hToolTip; }
    const std::wstring& GetToolTipText() const { return m_toolTipText; }

    // Focus: the control that takes keys; `byKeyboard` shows the focus ring.
    CControlUI* GetFocus() const { return m_pFocus; }
    void SetFocus(CControlUI* pControl, bool byKeyboard = false);
    bool IsFocusVisible() const { return m_bFocusVisible; }
    // Tab / Shift+Tab: next enabled, visible focus stop in layout order, wrapping around.
    void MoveFocus(bool forward);
    CControlUI* GetDefaultButton() const;
    // Enter, Space and Tab as the window sees them (also from EDIT children). True when used.
    bool HandleKey(UINT vk);

    void Invalidate();
    void Invalidate(const RECT& rc);
    void NeedUpdate();
    // Lays out the tree now if anything changed.
    void EnsureLayout();
    // Paints the whole tree into the off-screen bitmap (as WM_PAINT does, without the window).
    bool Render();
    // Pixel of the last painted frame at a client point, 0xAARRGGBB; 0 outside.
    DWORD GetPaintedPixel(POINT pt) const;

    // Handles a window message for the tree; true when it consumed it (result in lRes).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // Called by controls that are being removed.
    void ReapObjects(CControlUI* pControl);
    // Native EDIT children register here so that keys, colours and focus reach them.
    void RegisterEdit(CEditUI* edit);
    void UnregisterEdit(CEditUI* edit);

private:
    struct TimerInfo {
        CControlUI* control;
        UINT id;
        UINT_PTR nativeId;
    };
    struct FontInfo {
        std::wstring face;
        int size = 14;
        bool bold = false;
        bool underline = false;
        bool italic = false;
    };
    struct FontCache {
        int dpi = 0;
        std::array<std::unique_ptr<Gdiplus::Font>, 4> fonts; // normal, bold, underline, bold+underline
        unique_gdi<HFONT> hfont;
    };
    const FontInfo& FontById(int id) const;
    FontCache& CacheFor(int id);
    void DoLayout();
    void PaintTo(HDC hdc, const RECT& rcPaint);
    bool EnsureOffscreen(int cx, int cy);
    void UpdateHot(POINT pt);
    void UpdateToolTip();
    void UpdateWindowShape();
    CEditUI* EditFromHwnd(HWND hwnd) const;
    bool OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);

    // First member, so GDI+ outlives the fonts and graphics below.
    GdiplusSession m_gdiplus;
    HWND m_hWnd = nullptr;
    std::unique_ptr<CControlUI> m_pRoot;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    std::vector<TimerInfo> m_timers;
    UINT_PTR m_nextTimerId = 0x1000;
    std::vector<CEditUI*> m_edits;
    int m_dpi = 96;
    SIZE m_szInit{};
    RECT m_rcCaption{};
    SIZE m_szRoundCorner{};
    DWORD m_bkColor = 0;
    DWORD m_borderColor = 0;
    int m_borderSize = 1;
    DWORD m_linkColor = 0xFF0067C0;
    DWORD m_linkHoverColor = 0xFF005A9E;
    DWORD m_textColor = 0xFF1A1A1A;
    DWORD m_disabledTextColor = 0xFFA0A0A0;
    DWORD m_focusColor = 0xFF0067C0;
    std::map<int, FontInfo> m_fontInfo;
    int m_defaultFontId = -1;
    std::map<int, FontCache> m_fontCache;
    std::map<std::wstring, std::wstring> m_styles;
    std::map<std::wstring, std::wstring> m_defaults;
    CControlUI* m_pFocus = nullptr;
    bool m_bFocusVisible = false;
    CControlUI* m_pHover = nullptr;
    CControlUI* m_pCapture = nullptr;
    bool m_bTrackingLeave = false;
    HWND m_hToolTip = nullptr; // owned by the window: destroyed with it
    CControlUI* m_pToolTipControl = nullptr;
    std::wstring m_toolTipText;
    bool m_bNeedLayout = true;
    SIZE m_layoutSize{};
    // Off-screen frame: a 32-bit top-down DIB selected into its own memory DC. Declared in this
    // order so the bitmap leaves the DC before it is deleted, and the DC goes last.
    unique_memdc m_offscreenDC;
    unique_gdi<HBITMAP> m_offscreen;
    ScopedSelectObject m_offscreenSelection;
    DWORD* m_offscreenBits = nullptr;
    SIZE m_offscreenSize{};
    unique_memdc m_measureDC;
    std::unique_ptr<Gdiplus::Graphics> m_measureGraphics;
};

} // namespace DuiLib
