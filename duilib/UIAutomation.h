// What a screen reader sees of a window: the window answers WM_GETOBJECT with a UI Automation
// fragment root, and every visible control (and every link of a text) is an element with a name,
// a type, a place and its state; buttons and links can be invoked. UI Automation's functions are
// looked up at run time, so windows work unchanged where they are missing.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

struct IRawElementProviderSimple;

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;
class AutomationElement;

class AutomationTree {
public:
    explicit AutomationTree(CPaintManagerUI& manager);
    ~AutomationTree();
    AutomationTree(const AutomationTree&) = delete;
    AutomationTree& operator=(const AutomationTree&) = delete;

    // WM_GETOBJECT: true (result in lRes) when asked for the window's own UI Automation root.
    [[nodiscard]] bool OnGetObject(WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    // WM_DESTROY: clients let go of the root, and every element stops answering.
    void OnDestroy();
    // The keyboard focus moved (to a control, or to one link of a text); told to listening clients.
    void OnFocusChanged(CControlUI* control);
    // A control is going away: its elements are disconnected from their clients.
    void Forget(const CControlUI* control);
    // The message an invoke posts to the window; true when `msg` was it.
    [[nodiscard]] bool OnMessage(UINT msg);

    // The element of the window (null control), of a control, or of one link of a text (link >= 0),
    // with a reference the caller releases; null for a control that is hidden or not in the tree.
    [[nodiscard]] IRawElementProviderSimple* Element(CControlUI* control, int link = -1);

    // Where the events clients listen for go (focus changes, invokes): by default to UI Automation
    // while a client listens. Tests set a recorder; while one is set, it gets every event.
    using EventSink = std::function<void(IRawElementProviderSimple* element, int eventId)>;
    static void SetEventSink(EventSink sink);

private:
    friend class AutomationElement;
    using Key = std::pair<const CControlUI*, int>;

    // The element for the key, made on first use and kept until its control goes.
    AutomationElement* Find(CControlUI* control, int link);
    // Raises an event on the element of the control (and link) when someone listens.
    void Raise(CControlUI* control, int link, int eventId);
    // Invoking posts, so that a client is never held by what a click starts (a modal window).
    void QueueInvoke(CControlUI* control, int link);
    // The elements directly inside an element, in layout order: a text's links, or the visible
    // controls inside a container (the window's: inside its root control).
    [[nodiscard]] std::vector<Key> ChildKeys(CControlUI* control, int link) const;

    CPaintManagerUI& m_manager;
    std::map<Key, AutomationElement*> m_elements; // each holds one reference
    std::vector<Key> m_invokes;
    Key m_lastFocus{nullptr, -1}; // the last focus told, so that a focus set again is not told twice
    int m_nextId = 1;
    bool m_rootGiven = false;
};

} // namespace DuiLib
