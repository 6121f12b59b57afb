#include "duilib/UIMouse.h"

#include "duilib/UIManager.h"
#include "duilib/UIWindowLook.h"

namespace DuiLib {

void MouseInput::UpdateHot(POINT pt) {
    CControlUI* now = m_manager.FindControl(pt);
    if (now != nullptr && !now->IsEnabled()) {
        now = nullptr;
    }
    if (now != m_hover) {
        if (m_hover != nullptr) {
            DeliverEvent(m_hover, UIEVENT_MOUSELEAVE, pt);
        }
        m_hover = now;
        if (m_hover != nullptr) {
            DeliverEvent(m_hover, UIEVENT_MOUSEENTER, pt);
        }
    }
    m_toolTip.Follow(m_manager.GetPaintWindow(), m_hover, m_manager.Scale(320));
    if (m_hover != nullptr) {
        DeliverEvent(m_hover, UIEVENT_MOUSEMOVE, pt);
    }
}

bool MouseInput::OnMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    m_manager.EnsureLayout();
    HWND window = m_manager.GetPaintWindow();
    switch (uMsg) {
    case WM_MOUSEMOVE:
        if (!m_trackingLeave) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, window, 0};
            m_trackingLeave = TrackMouseEvent(&tme) != FALSE;
        }
        if (m_capture != nullptr) {
            DeliverEvent(m_capture, UIEVENT_MOUSEMOVE, pt, wParam);
        } else {
            UpdateHot(pt);
        }
        return true;
    case WM_MOUSELEAVE:
        m_trackingLeave = false;
        if (m_hover != nullptr && m_capture == nullptr) {
            DeliverEvent(m_hover, UIEVENT_MOUSELEAVE, pt);
            m_hover = nullptr;
            m_toolTip.Follow(window, nullptr, m_manager.Scale(320));
        }
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        CControlUI* control = m_manager.FindControl(pt);
        if (control == nullptr || !control->IsEnabled()) {
            return true;
        }
        if (control->GetFocusStopCount() > 0 && control->IsInteractive(pt)) {
            m_manager.SetFocus(control, false);
        }
        if (control->IsInteractive(pt)) {
            m_capture = control;
            ::SetCapture(window);
        }
        DeliverEvent(control, UIEVENT_BUTTONDOWN, pt, wParam);
        return true;
    }
    case WM_LBUTTONUP: {
        CControlUI* control = m_capture;
        m_capture = nullptr;
        if (GetCapture() == window) {
            ReleaseCapture();
        }
        if (control != nullptr) {
            DeliverEvent(control, UIEVENT_BUTTONUP, pt, wParam);
            UpdateHot(pt);
        }
        return true;
    }
    default:
        return false;
    }
}

void MouseInput::OnCaptureChanged(HWND newCapture) {
    if (m_capture != nullptr && newCapture != m_manager.GetPaintWindow()) {
        // Capture taken away (another window, a menu): the press is cancelled, no click.
        CControlUI* control = m_capture;
        m_capture = nullptr;
        DeliverEvent(control, UIEVENT_BUTTONUP, POINT{-100000, -100000});
    }
}

bool MouseInput::HitTest(LPARAM lParam, LRESULT& result) {
    HWND window = m_manager.GetPaintWindow();
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(window, &pt);
    RECT client{};
    GetClientRect(window, &client);
    if (!PtInRect(&client, pt)) {
        return false;
    }
    result = HTCLIENT;
    const RECT caption = m_look.caption;
    if (pt.x >= m_manager.Scale(caption.left) && pt.x < client.right - m_manager.Scale(caption.right) &&
        pt.y >= m_manager.Scale(caption.top) && pt.y < m_manager.Scale(caption.bottom)) {
        m_manager.EnsureLayout();
        CControlUI* control = m_manager.FindControl(pt);
        if (control == nullptr || !control->IsEnabled() || !control->IsInteractive(pt)) {
            result = HTCAPTION;
        }
    }
    return true;
}

bool MouseInput::SetCursor(WPARAM wParam, LPARAM lParam) {
    HWND window = m_manager.GetPaintWindow();
    if (LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != window) {
        return false;
    }
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(window, &pt);
    CControlUI* control = m_capture != nullptr ? m_capture : m_manager.FindControl(pt);
    const wchar_t* cursor = control != nullptr && control->IsEnabled() ? control->GetCursor(pt) : IDC_ARROW;
    ::SetCursor(LoadCursorW(nullptr, cursor));
    return true;
}

void MouseInput::Forget(const CControlUI* control) {
    if (m_hover == control) {
        m_hover = nullptr;
    }
    if (m_capture == control) {
        m_capture = nullptr;
    }
    m_toolTip.Forget(m_manager.GetPaintWindow(), control);
}

} // namespace DuiLib
