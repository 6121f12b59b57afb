// WindowImplBase: the base of every skinned window. A derived window names its window class and
// its skin file; on creation the skin is built, the window takes the skin's size for its DPI,
// and InitWindow runs with every control findable by name. Notifications arrive in Notify, which
// passes "click" on to OnClick; window messages are offered to HandleCustomMessage first.
#pragma once

#include "duilib/UIBase.h"
#include "duilib/UIManager.h"

namespace DuiLib {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
public:
    WindowImplBase() = default;
    // A window still open goes before the manager and its controls do.
    ~WindowImplBase() override { DetachAndDestroy(); }

    // Called once the skin is built (the window exists, still hidden).
    virtual void InitWindow() {}
    // "click" notifications. A button named "closebtn" closes the window with IDCANCEL (2) and
    // one named "minbtn" minimises it, unless a derived window handles them first.
    virtual void OnClick(TNotifyUI& msg);
    void Notify(TNotifyUI& msg) override;
    // Centres the window over its parent (owner) window; like CenterWindow without one.
    void CenterToParentWindow();

    // Where ShowModalOver places the window: centred over its owner (CenterToParentWindow), or
    // as CenterWindow does (over a visible owner, else on the owner's monitor).
    enum class Placement { overOwner, centred };
    // Creates the window as a popup owned by `owner` under the window text `name`, places it and
    // runs its modal loop: every modal window of a program is opened this one way. Returns what
    // ShowModal returns (UINT(-1) when the window could not be made).
    UINT ShowModalOver(HWND owner, const wchar_t* name, Placement placement = Placement::overOwner);

    CPaintManagerUI& GetPaintManager() { return m_pm; }

protected:
    virtual CDuiString GetSkinFile() = 0;
    const wchar_t* GetWindowClassName() const override = 0;
    UINT GetClassStyle() const override;
    // Every message first; set bHandled to stop the toolkit's own handling.
    virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    CControlUI* CreateControl(const wchar_t* pstrClass) override;
    const wchar_t* QueryControlText(const wchar_t* lpstrId, const wchar_t* lpstrType) override;
    virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

    CPaintManagerUI m_pm;
    // The same manager under its longer name.
    CPaintManagerUI& m_PaintManager = m_pm;
};

} // namespace DuiLib
