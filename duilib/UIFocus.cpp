#include "duilib/UIFocus.h"

#include "duilib/UIEdit.h"
#include "duilib/UIManager.h"

#include <vector>

namespace DuiLib {

void KeyboardFocus::Set(CControlUI* pControl, bool byKeyboard) {
    auto* edit = pControl != nullptr ? static_cast<CEditUI*>(pControl->GetInterface(L"Edit")) : nullptr;
    if (pControl == m_focus) {
        if (m_ringVisible != byKeyboard) {
            m_ringVisible = byKeyboard;
        }
        if (pControl != nullptr) {
            pControl->Invalidate();
        }
    } else {
        CControlUI* old = m_focus;
        m_focus = pControl;
        m_ringVisible = byKeyboard;
        if (old != nullptr) {
            DeliverEvent(old, UIEVENT_KILLFOCUS);
            old->Invalidate();
            m_manager.SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
        }
        if (pControl != nullptr) {
            DeliverEvent(pControl, UIEVENT_SETFOCUS);
            pControl->Invalidate();
            m_manager.SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
        }
    }
    m_manager.GetAutomation().OnFocusChanged(m_focus);
    // Keys must reach the right native window: the EDIT for an edit, this window otherwise.
    if (HWND window = m_manager.GetPaintWindow(); window != nullptr) {
        HWND target = edit != nullptr && edit->GetNativeWindow() != nullptr ? edit->GetNativeWindow() : window;
        if (::GetFocus() != target && IsWindowVisible(window)) {
            ::SetFocus(target);
        }
    }
}

void KeyboardFocus::Move(bool forward) {
    CControlUI* root = m_manager.GetRoot();
    if (root == nullptr) {
        return;
    }
    m_manager.EnsureLayout();
    std::vector<CControlUI*> controls;
    root->CollectControls(controls);
    struct Stop {
        CControlUI* control;
        int index;
    };
    std::vector<Stop> stops;
    for (CControlUI* c : controls) {
        if (!c->IsEnabled() || !c->IsVisibleInTree()) {
            continue;
        }
        const int count = c->GetFocusStopCount();
        for (int i = 0; i < count; ++i) {
            stops.push_back(Stop{c, i});
        }
    }
    if (stops.empty()) {
        return;
    }
    int current = -1;
    for (size_t i = 0; i < stops.size(); ++i) {
        if (stops[i].control == m_focus && stops[i].index == m_focus->GetFocusStop()) {
            current = static_cast<int>(i);
            break;
        }
    }
    const int count = static_cast<int>(stops.size());
    int next = 0;
    if (current < 0) {
        next = forward ? 0 : count - 1;
    } else {
        next = (current + (forward ? 1 : count - 1)) % count;
    }
    if (m_focus != nullptr) {
        m_focus->Invalidate();
    }
    stops[static_cast<size_t>(next)].control->SetFocusStop(stops[static_cast<size_t>(next)].index);
    Set(stops[static_cast<size_t>(next)].control, true);
    if (auto* edit = static_cast<CEditUI*>(m_focus->GetInterface(L"Edit"));
        edit != nullptr && edit->GetNativeWindow()) {
        // Tabbing into an edit selects its text, as in every Windows dialog.
        SendMessageW(edit->GetNativeWindow(), EM_SETSEL, 0, -1);
    }
}

CControlUI* KeyboardFocus::DefaultButton() const {
    CControlUI* root = m_manager.GetRoot();
    if (root == nullptr) {
        return nullptr;
    }
    std::vector<CControlUI*> controls;
    root->CollectControls(controls);
    for (CControlUI* c : controls) {
        if (c->IsDefault() && c->IsEnabled() && c->IsVisibleInTree()) {
            return c;
        }
    }
    return nullptr;
}

bool KeyboardFocus::HandleKey(UINT vk) {
    CControlUI* focus = m_focus;
    const bool focusUsable = focus != nullptr && focus->IsEnabled() && focus->IsVisibleInTree();
    const bool focusIsEdit = focus != nullptr && focus->GetInterface(L"Edit") != nullptr;
    switch (vk) {
    case VK_TAB:
        Move((GetKeyState(VK_SHIFT) & 0x8000) == 0);
        return true;
    case VK_RETURN:
        if (focusUsable && !focusIsEdit && focus->GetFocusStopCount() > 0) {
            focus->Activate();
            return true;
        }
        if (CControlUI* button = DefaultButton()) {
            button->Activate();
            return true;
        }
        return false;
    case VK_SPACE:
        if (focusUsable && !focusIsEdit && focus->GetFocusStopCount() > 0) {
            focus->Activate();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool KeyboardFocus::OnKeyDown(WPARAM vk, LPARAM flags) {
    // A held Enter or Space activates once, not at the keyboard's repeat rate.
    if ((flags & 0x40000000) != 0 && (vk == VK_RETURN || vk == VK_SPACE)) {
        return true;
    }
    return HandleKey(static_cast<UINT>(vk));
}

void KeyboardFocus::OnWindowFocus(bool gained) {
    if (m_focus == nullptr) {
        return;
    }
    if (auto* edit = static_cast<CEditUI*>(m_focus->GetInterface(L"Edit"));
        gained && edit != nullptr && edit->GetNativeWindow() != nullptr && IsWindowVisible(edit->GetNativeWindow())) {
        ::SetFocus(edit->GetNativeWindow());
    }
    m_focus->Invalidate();
}

void KeyboardFocus::Forget(const CControlUI* control) {
    if (m_focus == control) {
        m_focus = nullptr;
    }
}

} // namespace DuiLib
