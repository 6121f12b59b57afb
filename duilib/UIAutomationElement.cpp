// One UI Automation element of a toolkit window: its properties, its place among the others, and
// the invoke pattern of buttons and links.
#include "duilib/UIAutomationDetail.h"

#include "duilib/UICheckBox.h"
#include "duilib/UIContainer.h"
#include "duilib/UIEdit.h"
#include "duilib/UIManager.h"
#include "duilib/UIText.h"

#include <algorithm>
#include <string>

namespace DuiLib {

using namespace AutomationDetail;

namespace {

void SetString(VARIANT* v, const std::wstring& text) {
    v->vt = VT_BSTR;
    v->bstrVal = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
}

void SetInt(VARIANT* v, int value) {
    v->vt = VT_I4;
    v->lVal = value;
}

void SetBool(VARIANT* v, bool value) {
    v->vt = VT_BOOL;
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace

// One element: the window (no control), a control, or one link of a text. It answers while its
// tree holds it; once its control or window goes it says so to every call.
class AutomationElement final : public IRawElementProviderSimple,
                                public IRawElementProviderFragment,
                                public IRawElementProviderFragmentRoot,
                                public InvokeProvider,
                                public ToggleProvider {
public:
    AutomationElement(AutomationTree* tree, CControlUI* control, int link, int id)
        : m_tree(tree), m_control(control), m_link(link), m_id(id) {}
    virtual ~AutomationElement() = default; // only Release deletes it
    AutomationElement(const AutomationElement&) = delete;
    AutomationElement& operator=(const AutomationElement&) = delete;

    void Disconnect() {
        m_tree = nullptr;
        m_control = nullptr;
    }

    // ---- IUnknown ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IRawElementProviderSimple)) {
            *out = static_cast<IRawElementProviderSimple*>(this);
        } else if (riid == __uuidof(IRawElementProviderFragment)) {
            *out = static_cast<IRawElementProviderFragment*>(this);
        } else if (riid == __uuidof(IRawElementProviderFragmentRoot) && IsWindowElement()) {
            *out = static_cast<IRawElementProviderFragmentRoot*>(this);
        } else if (riid == kIidInvokeProvider && IsInvokable()) {
            *out = static_cast<InvokeProvider*>(this);
        } else if (riid == kIidToggleProvider && IsToggle()) {
            *out = static_cast<ToggleProvider*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) {
            delete this; // NOLINT(cppcoreguidelines-owning-memory): a COM object owns itself
        }
        return static_cast<ULONG>(refs);
    }

    // ---- IRawElementProviderSimple ----
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        // Without COM threading: UI Automation itself brings the calls for a window's provider to
        // the window's thread. (Wine 8 deadlocks on nested elements of a provider using COM's.)
        *out = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        if (pattern == UIA_InvokePatternId && IsInvokable()) {
            *out = static_cast<InvokeProvider*>(this);
            AddRef();
        } else if (pattern == kTogglePattern && IsToggle()) {
            *out = static_cast<ToggleProvider*>(this);
            AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        VariantInit(out);
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        if (IsWindowElement()) {
            // The window's own provider describes it, except for a name given for people.
            if (property == UIA_NamePropertyId && !m_tree->m_manager.GetAccName().empty()) {
                SetString(out, m_tree->m_manager.GetAccName());
            }
            return S_OK;
        }
        CTextUI* text = AsText(m_control);
        switch (property) {
        case UIA_NamePropertyId:
            SetString(out, Name());
            break;
        case UIA_ControlTypePropertyId:
            SetInt(out, ControlType());
            break;
        case UIA_AutomationIdPropertyId:
            SetString(out, m_control->GetName().str() + (m_link >= 0 ? L"#" + std::to_wstring(m_link) : L""));
            break;
        case UIA_ClassNamePropertyId:
            SetString(out, m_control->GetClass());
            break;
        case UIA_IsEnabledPropertyId:
            SetBool(out, m_control->IsEnabled());
            break;
        case UIA_IsKeyboardFocusablePropertyId:
            SetBool(out, m_control->IsEnabled() &&
                             (m_link >= 0 ? text->GetFocusStopCount() > m_link : m_control->GetFocusStopCount() > 0));
            break;
        case UIA_HasKeyboardFocusPropertyId:
            SetBool(out, HasFocus());
            break;
        case kToggleStateProperty:
            if (IsToggle()) {
                SetInt(out, IsOn() ? 1 : 0);
            }
            break;
        default:
            break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        // The window, and a native edit box, are described by their own window's provider as well.
        HWND host = nullptr;
        if (IsWindowElement()) {
            host = m_tree->m_manager.GetPaintWindow();
        } else if (auto* edit = static_cast<CEditUI*>(m_control->GetInterface(L"Edit")); edit != nullptr) {
            host = edit->GetNativeWindow();
        }
        if (host == nullptr || Uia().hostProviderFromHwnd == nullptr) {
            return S_OK;
        }
        return Uia().hostProviderFromHwnd(host, out);
    }

    // ---- IRawElementProviderFragment ----
    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction, IRawElementProviderFragment** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        AutomationTree::Key target{nullptr, -2};
        if (direction == NavigateDirection_Parent) {
            if (!IsWindowElement()) {
                target = ParentKey();
            }
        } else if (direction == NavigateDirection_FirstChild || direction == NavigateDirection_LastChild) {
            const std::vector<AutomationTree::Key> children = m_tree->ChildKeys(m_control, m_link);
            if (!children.empty()) {
                target = direction == NavigateDirection_FirstChild ? children.front() : children.back();
            }
        } else if (!IsWindowElement()) {
            const AutomationTree::Key parent = ParentKey();
            const std::vector<AutomationTree::Key> siblings =
                m_tree->ChildKeys(const_cast<CControlUI*>(parent.first), parent.second);
            const auto it = std::find(siblings.begin(), siblings.end(), AutomationTree::Key{m_control, m_link});
            if (it != siblings.end()) {
                if (direction == NavigateDirection_NextSibling && it + 1 != siblings.end()) {
                    target = *(it + 1);
                } else if (direction == NavigateDirection_PreviousSibling && it != siblings.begin()) {
                    target = *(it - 1);
                }
            }
        }
        if (target.second == -2) {
            return S_OK;
        }
        AutomationElement* element = m_tree->Find(const_cast<CControlUI*>(target.first), target.second);
        if (element != nullptr) {
            *out = static_cast<IRawElementProviderFragment*>(element);
            element->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        if (IsWindowElement()) {
            return S_OK; // the window's own identity
        }
        SAFEARRAY* ids = SafeArrayCreateVector(VT_I4, 0, 2);
        if (ids == nullptr) {
            return E_OUTOFMEMORY;
        }
        LONG index = 0;
        int value = kAppendRuntimeId;
        (void)SafeArrayPutElement(ids, &index, &value);
        index = 1;
        value = m_id;
        (void)SafeArrayPutElement(ids, &index, &value);
        *out = ids;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = UiaRect{};
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        HWND window = m_tree->m_manager.GetPaintWindow();
        RECT rc{};
        if (IsWindowElement()) {
            GetClientRect(window, &rc);
        } else {
            m_tree->m_manager.EnsureLayout();
            rc = m_link >= 0 ? AsText(m_control)->GetLinkRect(m_link) : m_control->GetPos();
        }
        POINT topLeft{rc.left, rc.top};
        ClientToScreen(window, &topLeft);
        *out = UiaRect{static_cast<double>(topLeft.x), static_cast<double>(topLeft.y),
                       static_cast<double>(rc.right - rc.left), static_cast<double>(rc.bottom - rc.top)};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFocus() override {
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        if (IsWindowElement()) {
            return S_OK;
        }
        if (!m_control->IsEnabled()) {
            return kElementNotEnabled;
        }
        if (m_control->GetFocusStopCount() <= std::max(m_link, 0)) {
            return kNotSupported;
        }
        if (m_link >= 0) {
            m_control->SetFocusStop(m_link);
        }
        m_tree->m_manager.SetFocus(m_control, true);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        AutomationElement* root = m_tree->Find(nullptr, -1);
        *out = static_cast<IRawElementProviderFragmentRoot*>(root);
        root->AddRef();
        return S_OK;
    }

    // ---- IRawElementProviderFragmentRoot ----
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double x, double y, IRawElementProviderFragment** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        POINT pt{static_cast<LONG>(x), static_cast<LONG>(y)};
        ScreenToClient(m_tree->m_manager.GetPaintWindow(), &pt);
        CControlUI* control = m_tree->m_manager.FindControl(pt);
        while (control != nullptr && !IsElement(control)) {
            control = control->GetParent();
        }
        int link = -1;
        if (CTextUI* text = AsText(control); text != nullptr) {
            link = text->GetLinkContentIndex(pt);
        }
        if (control == m_tree->m_manager.GetRoot()) {
            control = nullptr;
        }
        AutomationElement* element = m_tree->Find(control, link);
        if (element != nullptr) {
            *out = static_cast<IRawElementProviderFragment*>(element);
            element->AddRef();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (!IsAlive()) {
            return kElementNotAvailable;
        }
        CControlUI* focus = m_tree->m_manager.GetFocus();
        if (focus == nullptr) {
            return S_OK;
        }
        AutomationElement* element = m_tree->Find(focus, AsText(focus) != nullptr ? focus->GetFocusStop() : -1);
        if (element != nullptr) {
            *out = static_cast<IRawElementProviderFragment*>(element);
            element->AddRef();
        }
        return S_OK;
    }

    // ---- IInvokeProvider ----
    HRESULT STDMETHODCALLTYPE Invoke() override {
        if (!IsAlive() || !IsInvokable()) {
            return kElementNotAvailable;
        }
        if (!m_control->IsEnabled()) {
            return kElementNotEnabled;
        }
        m_tree->QueueInvoke(m_control, m_link);
        return S_OK;
    }

    // ---- IToggleProvider: a check box turns over as a click would turn it ----
    HRESULT STDMETHODCALLTYPE Toggle() override {
        if (!IsAlive() || !IsToggle()) {
            return kElementNotAvailable;
        }
        if (!m_control->IsEnabled()) {
            return kElementNotEnabled;
        }
        m_tree->QueueInvoke(m_control, -1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ToggleState(int* state) override {
        if (state == nullptr) {
            return E_POINTER;
        }
        if (!IsAlive() || !IsToggle()) {
            return kElementNotAvailable;
        }
        *state = IsOn() ? 1 : 0;
        return S_OK;
    }

private:
    [[nodiscard]] bool IsWindowElement() const { return m_control == nullptr; }
    [[nodiscard]] bool IsToggle() const {
        return m_control != nullptr && m_control->GetInterface(L"CheckBox") != nullptr;
    }
    [[nodiscard]] bool IsOn() const {
        return static_cast<CCheckBoxUI*>(m_control->GetInterface(L"CheckBox"))->IsSelected();
    }
    [[nodiscard]] bool IsAlive() const {
        if (m_tree == nullptr) {
            return false;
        }
        if (IsWindowElement()) {
            return true;
        }
        if (!m_control->IsVisibleInTree()) {
            return false;
        }
        return m_link < 0 || m_link < AsText(m_control)->GetLinkCount();
    }
    [[nodiscard]] bool IsInvokable() const {
        return m_control != nullptr && !IsToggle() && (m_link >= 0 || m_control->GetInterface(L"Button") != nullptr);
    }
    [[nodiscard]] bool HasFocus() const {
        HWND window = m_tree->m_manager.GetPaintWindow();
        HWND native = ::GetFocus();
        if (native == nullptr || (native != window && !IsChild(window, native))) {
            return false;
        }
        return m_tree->m_manager.GetFocus() == m_control && (m_link < 0 || m_control->GetFocusStop() == m_link);
    }
    [[nodiscard]] std::wstring Name() const {
        if (m_link >= 0) {
            return AsText(m_control)->GetLinkText(m_link);
        }
        if (!m_control->GetAccName().IsEmpty()) {
            return m_control->GetAccName().str();
        }
        const bool isEdit = m_control->GetInterface(L"Edit") != nullptr;
        if (!isEdit && !m_control->GetText().IsEmpty()) {
            auto* label = static_cast<CLabelUI*>(m_control->GetInterface(L"Label"));
            const std::wstring text = m_control->GetText().str();
            return label != nullptr && label->IsMarkup() ? Render::StripMarkup(text) : text;
        }
        return m_control->GetToolTip().str();
    }
    [[nodiscard]] int ControlType() const {
        if (m_link >= 0) {
            return kHyperlinkType;
        }
        if (IsToggle()) {
            return kCheckBoxType;
        }
        if (m_control->GetInterface(L"Button") != nullptr) {
            return kButtonType;
        }
        if (m_control->GetInterface(L"Edit") != nullptr) {
            return kEditType;
        }
        if (m_control->GetInterface(L"Container") != nullptr) {
            return kPaneType;
        }
        return kTextType;
    }
    // The element around this one: the text of a link, else the nearest element among the
    // control's parents, else the window.
    [[nodiscard]] AutomationTree::Key ParentKey() const {
        if (m_link >= 0) {
            return {m_control, -1};
        }
        CControlUI* root = m_tree->m_manager.GetRoot();
        for (CControlUI* p = m_control->GetParent(); p != nullptr && p != root; p = p->GetParent()) {
            if (IsElement(p)) {
                return {p, -1};
            }
        }
        return {nullptr, -1};
    }
    LONG m_refs = 1;
    AutomationTree* m_tree;
    CControlUI* m_control;
    int m_link;
    int m_id;
};

namespace AutomationDetail {

AutomationElement* MakeElement(AutomationTree* tree, CControlUI* control, int link, int id) {
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): the caller holds the element's first reference
    return new AutomationElement(tree, control, link, id);
}

void Disconnect(AutomationElement* element) {
    element->Disconnect();
}

IRawElementProviderSimple* AsSimple(AutomationElement* element) {
    return static_cast<IRawElementProviderSimple*>(element);
}

} // namespace AutomationDetail
} // namespace DuiLib
