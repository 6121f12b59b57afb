// CWindowWnd: a native top-level window owned by a C++ object. It registers the window class,
// routes messages to the virtual HandleMessage, and runs modal loops: ShowModal disables the
// owner, runs until the window is gone and returns the code given to Close; a window closed any
// other way (system menu, Alt+F4, WM_CLOSE) returns IDCANCEL (2).
#pragma once

#include "duilib/UIDefine.h"

namespace DuiLib {

class CWindowWnd {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd();
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; } // NOLINT

    // The parent of a WS_POPUP window becomes its owner. Null on failure.
    HWND Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU hMenu = nullptr);
    void ShowWindow(bool bShow = true, bool bTakeFocus = true);
    // Runs a nested message loop until the window is destroyed; the owner is disabled meanwhile.
    // Returns the Close code, IDCANCEL when closed otherwise, UINT(-1) without a window.
    UINT ShowModal();
    // Closes the window (posted, so a handler may call it) with the code ShowModal returns.
    void Close(UINT nRet = IDOK);
    // Centres over the owner when it is visible, otherwise on the work area of the monitor.
    void CenterWindow();
    // Icon from the module's resources, big and small.
    void SetIcon(UINT nRes);
    bool IsModal() const { return m_bModal; }

    LRESULT SendMessageW(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessageW(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
    // After the last message of the window; the object itself is not deleted here.
    virtual void OnFinalMessage(HWND hWnd);

    [[nodiscard]] bool RegisterWindowClass();
    // Destroys a window still open when its object is deleted, without calling back into the object.
    void DetachAndDestroy();
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    bool m_bModal = false;
    // Whether ShowModal disabled the owner. An owner already disabled by an outer modal window
    // stays disabled until that window ends.
    bool m_bOwnerDisabledByModal = false;
    bool m_bCloseRequested = false;
    UINT m_nCloseCode = IDCANCEL;
    UINT m_nModalResult = IDCANCEL;
};

} // namespace DuiLib
