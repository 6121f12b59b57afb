// The automation tree of one window: UI Automation's entry points looked up at run time, the
// elements made on demand and disconnected when their controls go, events and invokes.
#include "duilib/UIAutomationDetail.h"

#include "duilib/UIContainer.h"
#include "duilib/UIManager.h"
#include "duilib/UIText.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace DuiLib {

using namespace AutomationDetail;

namespace {

UINT InvokeMessage() {
    static const UINT message = RegisterWindowMessageW(L"DuiLibAutomationInvoke");
    return message;
}

AutomationTree::EventSink& Sink() {
    static AutomationTree::EventSink sink;
    return sink;
}

template <typename T> void Resolve(HMODULE module, const char* name, T& fn) {
    fn = reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

} // namespace

namespace AutomationDetail {

const UiaApi& Uia() {
    static const UiaApi api = [] {
        UiaApi result;
        // Kept for the whole run: providers handed out may be called until the process ends.
        HMODULE module = LoadLibraryExW(L"uiautomationcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr) {
            OutputDebugStringW(
                L"duilib: uiautomationcore.dll is missing; windows are not described to screen readers\n");
            return result;
        }
        Resolve(module, "UiaReturnRawElementProvider", result.returnRawElementProvider);
        Resolve(module, "UiaHostProviderFromHwnd", result.hostProviderFromHwnd);
        Resolve(module, "UiaRaiseAutomationEvent", result.raiseAutomationEvent);
        Resolve(module, "UiaClientsAreListening", result.clientsAreListening);
        Resolve(module, "UiaDisconnectProvider", result.disconnectProvider);
        return result;
    }();
    return api;
}

bool IsElement(CControlUI* control) {
    // A spacer, and a text or label that holds nothing right now (a hint with no hint to give),
    // say nothing: a screen reader would stop on an empty element.
    const std::wstring_view kind = control->GetClass();
    if (kind != L"Control" && kind != L"Text" && kind != L"Label") {
        return true;
    }
    return !control->GetText().IsEmpty() || !control->GetAccName().IsEmpty();
}

CTextUI* AsText(CControlUI* control) {
    return control != nullptr ? static_cast<CTextUI*>(control->GetInterface(L"Text")) : nullptr;
}

} // namespace AutomationDetail

AutomationTree::AutomationTree(CPaintManagerUI& manager) : m_manager(manager) {}

AutomationTree::~AutomationTree() {
    OnDestroy();
}

void AutomationTree::SetEventSink(EventSink sink) {
    Sink() = std::move(sink);
}

bool AutomationTree::OnGetObject(WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
    if (static_cast<LONG>(lParam) != kRootObjectId || Uia().returnRawElementProvider == nullptr) {
        return false;
    }
    AutomationElement* root = Find(nullptr, -1);
    m_rootGiven = true;
    lRes = Uia().returnRawElementProvider(m_manager.GetPaintWindow(), wParam, lParam, AsSimple(root));
    return true;
}

void AutomationTree::OnDestroy() {
    if (m_rootGiven && Uia().returnRawElementProvider != nullptr) {
        (void)Uia().returnRawElementProvider(m_manager.GetPaintWindow(), 0, 0, nullptr);
    }
    m_rootGiven = false;
    m_invokes.clear();
    const std::map<Key, AutomationElement*> elements = std::move(m_elements);
    m_elements.clear();
    for (const auto& [key, element] : elements) {
        Disconnect(element);
        if (Uia().disconnectProvider != nullptr) {
            (void)Uia().disconnectProvider(AsSimple(element));
        }
        AsSimple(element)->Release();
    }
}

void AutomationTree::Forget(const CControlUI* control) {
    std::erase_if(m_invokes, [control](const Key& key) { return key.first == control; });
    if (m_lastFocus.first == control) {
        m_lastFocus = Key{nullptr, -1};
    }
    for (auto it = m_elements.begin(); it != m_elements.end();) {
        if (it->first.first != control) {
            ++it;
            continue;
        }
        AutomationElement* element = it->second;
        it = m_elements.erase(it);
        Disconnect(element);
        if (Uia().disconnectProvider != nullptr) {
            (void)Uia().disconnectProvider(AsSimple(element));
        }
        AsSimple(element)->Release();
    }
}

IRawElementProviderSimple* AutomationTree::Element(CControlUI* control, int link) {
    AutomationElement* element = Find(control, link);
    if (element == nullptr) {
        return nullptr;
    }
    AsSimple(element)->AddRef();
    return AsSimple(element);
}

AutomationElement* AutomationTree::Find(CControlUI* control, int link) {
    if (control != nullptr && (!control->IsVisibleInTree() || control->GetManager() != &m_manager)) {
        return nullptr;
    }
    const Key key{control, link};
    if (const auto it = m_elements.find(key); it != m_elements.end()) {
        return it->second;
    }
    // The map holds the element's first reference.
    AutomationElement* element = MakeElement(this, control, link, m_nextId++);
    m_elements.emplace(key, element);
    return element;
}

void AutomationTree::Raise(CControlUI* control, int link, int eventId) {
    const EventSink& sink = Sink();
    // Only a client that has asked for the window's root can hold its elements: until one has, no
    // event concerns anyone, and UI Automation is not loaded just to be asked (it costs start-up).
    const bool listening = sink || (m_rootGiven && Uia().clientsAreListening != nullptr &&
                                    Uia().raiseAutomationEvent != nullptr && Uia().clientsAreListening() != FALSE);
    if (!listening) {
        return;
    }
    AutomationElement* element = Find(control, link);
    if (element == nullptr) {
        return;
    }
    auto* simple = AsSimple(element);
    if (sink) {
        sink(simple, eventId);
    } else {
        (void)Uia().raiseAutomationEvent(simple, eventId);
    }
}

void AutomationTree::OnFocusChanged(CControlUI* control) {
    const Key focus{control, AsText(control) != nullptr ? control->GetFocusStop() : -1};
    if (focus == m_lastFocus) {
        return; // a click on the focused control moves nothing
    }
    m_lastFocus = focus;
    if (control != nullptr) {
        Raise(control, focus.second, kFocusChangedEvent);
    }
}

void AutomationTree::QueueInvoke(CControlUI* control, int link) {
    Raise(control, link, kInvokedEvent);
    m_invokes.emplace_back(control, link);
    (void)PostMessageW(m_manager.GetPaintWindow(), InvokeMessage(), 0, 0);
}

bool AutomationTree::OnMessage(UINT msg) {
    if (msg != InvokeMessage() || msg == 0) {
        return false;
    }
    if (m_invokes.empty()) {
        return true;
    }
    const Key key = m_invokes.front();
    m_invokes.erase(m_invokes.begin());
    auto* control = const_cast<CControlUI*>(key.first);
    if (!control->IsEnabled() || !control->IsVisibleInTree()) {
        return true;
    }
    if (key.second >= 0) {
        if (CTextUI* text = AsText(control); text != nullptr) {
            text->ActivateLink(key.second);
        }
    } else {
        control->Activate();
    }
    return true;
}

// The elements directly inside an element, in layout order: a text's links, or the visible
// controls inside a container (the window's: inside its root control).
std::vector<AutomationTree::Key> AutomationTree::ChildKeys(CControlUI* control, int link) const {
    std::vector<AutomationTree::Key> keys;
    if (link >= 0) {
        return keys;
    }
    if (control == nullptr) {
        control = m_manager.GetRoot();
        if (control == nullptr) {
            return keys;
        }
        if (!control->IsVisible()) {
            return keys;
        }
        if (control->GetInterface(L"Container") == nullptr) {
            if (IsElement(control)) {
                keys.emplace_back(control, -1);
            }
            return keys;
        }
    }
    if (CTextUI* text = AsText(control); text != nullptr) {
        for (int i = 0; i < text->GetLinkCount(); ++i) {
            keys.emplace_back(control, i);
        }
        return keys;
    }
    auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
    if (container == nullptr) {
        return keys;
    }
    for (int i = 0; i < container->GetCount(); ++i) {
        CControlUI* child = container->GetItemAt(i);
        if (!child->IsVisible()) {
            continue;
        }
        if (IsElement(child)) {
            keys.emplace_back(child, -1);
        }
    }
    return keys;
}

} // namespace DuiLib
