// What the automation tree and its elements share inside the toolkit: UI Automation's functions
// as looked up at run time, the identifiers UI Automation fixes, and the rule for which controls
// are elements. Not for use outside duilib/.
#pragma once

#include "duilib/UIAutomation.h"

#include <oleauto.h>
// Not <uiautomation.h>: its API header names a parameter `new` and does not compile as C++.
#include <uiautomationclient.h>

namespace DuiLib {

class CTextUI;

namespace AutomationDetail {

// Not in MinGW's headers: the invoke pattern's interface and the identifiers UI Automation fixes.
MIDL_INTERFACE("54fcb24b-e18e-47a2-b4d3-eccbe77599a2")
InvokeProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke() = 0;

protected:
    ~InvokeProvider() = default; // released through IUnknown, as every COM interface
};
constexpr IID kIidInvokeProvider{0x54fcb24b, 0xe18e, 0x47a2, {0xb4, 0xd3, 0xec, 0xcb, 0xe7, 0x75, 0x99, 0xa2}};
// The toggle pattern's interface (a check box); its state is 0 off, 1 on (ToggleState).
MIDL_INTERFACE("56d00bd0-c4f4-433c-a836-1a52a57e0892")
ToggleProvider : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Toggle() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ToggleState(int* state) = 0;

protected:
    ~ToggleProvider() = default;
};
constexpr IID kIidToggleProvider{0x56d00bd0, 0xc4f4, 0x433c, {0xa8, 0x36, 0x1a, 0x52, 0xa5, 0x7e, 0x08, 0x92}};
constexpr int kTogglePattern = 10015;
constexpr int kToggleStateProperty = 30086;
constexpr int kCheckBoxType = 50002;
constexpr HRESULT kElementNotEnabled = static_cast<HRESULT>(0x80040200);
constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kNotSupported = static_cast<HRESULT>(0x80040204);
constexpr LONG kRootObjectId = -25;
constexpr int kAppendRuntimeId = 3;
constexpr int kButtonType = 50000;
constexpr int kEditType = 50004;
constexpr int kHyperlinkType = 50005;
constexpr int kTextType = 50020;
constexpr int kPaneType = 50033;
constexpr int kFocusChangedEvent = 20005;
constexpr int kInvokedEvent = 20009;

// The functions of uiautomationcore.dll, from the system folder only; all null where it is missing.
struct UiaApi {
    LRESULT(WINAPI* returnRawElementProvider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*) = nullptr;
    HRESULT(WINAPI* hostProviderFromHwnd)(HWND, IRawElementProviderSimple**) = nullptr;
    HRESULT(WINAPI* raiseAutomationEvent)(IRawElementProviderSimple*, EVENTID) = nullptr;
    BOOL(WINAPI* clientsAreListening)() = nullptr;
    HRESULT(WINAPI* disconnectProvider)(IRawElementProviderSimple*) = nullptr;
};

const UiaApi& Uia();

// Controls that mean something to a reader: every control but a plain one without words (spacers).
[[nodiscard]] bool IsElement(CControlUI* control);
[[nodiscard]] CTextUI* AsText(CControlUI* control);

// The element of the window (null control), a control, or one link of a text, holding one
// reference for its maker; Disconnect makes it answer "not available" from then on.
[[nodiscard]] AutomationElement* MakeElement(AutomationTree* tree, CControlUI* control, int link, int id);
void Disconnect(AutomationElement* element);
[[nodiscard]] IRawElementProviderSimple* AsSimple(AutomationElement* element);

} // namespace AutomationDetail
} // namespace DuiLib
