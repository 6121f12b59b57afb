#include "duilib/UIBuilder.h"

#include "duilib/UIButton.h"
#include "duilib/UICheckBox.h"
#include "duilib/UIContainer.h"
#include "duilib/UIEdit.h"
#include "duilib/UIHorizontalLayout.h"
#include "duilib/UILabel.h"
#include "duilib/UILimits.h"
#include "duilib/UIText.h"
#include "duilib/UIVerticalLayout.h"
#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"

#include <tinyxml2.h>

#include <cwchar>
#include <memory>
#include <string>

namespace DuiLib {

namespace {

std::wstring Wide(const char* utf8) {
    return Markup::Utf8ToWide(utf8);
}

bool IsSettingElement(const char* name) {
    return strcmp(name, "Font") == 0 || strcmp(name, "Style") == 0 || strcmp(name, "Default") == 0 ||
           strcmp(name, "Include") == 0;
}

class Parser {
public:
    Parser(CPaintManagerUI* pm, IDialogBuilderCallback* callback) : m_pm(pm), m_callback(callback) {}

    // Builds the control elements below `parentElement`; returns the first one built.
    CControlUI* Build(const tinyxml2::XMLNode* parentElement, CControlUI* parent) {
        CControlUI* first = nullptr;
        for (const tinyxml2::XMLElement* e = parentElement->FirstChildElement(); e != nullptr;
             e = e->NextSiblingElement()) {
            if (IsSettingElement(e->Name())) {
                if (m_pm != nullptr) {
                    ReadSetting(e, 0);
                }
                continue;
            }
            CControlUI* control = BuildOne(e, parent);
            if (control == nullptr) {
                continue;
            }
            if (first == nullptr) {
                first = control;
            }
            if (parent == nullptr) {
                break; // one root control per layout
            }
        }
        return first;
    }

    // Whether Include elements were left out because the build had read its share of files.
    [[nodiscard]] bool IncludesCut() const { return m_includesCut; }

private:
    void ReadSetting(const tinyxml2::XMLElement* e, int depth) {
        const char* name = e->Name();
        if (strcmp(name, "Include") == 0) {
            // Shared fonts and styles of several windows: the settings of another layout file.
            // Nested includes are followed a few levels deep, which also stops a file including
            // itself, and one build reads a bounded number of files in all, so files including
            // each other many times do not multiply.
            if (depth >= 4) {
                return;
            }
            if (m_includes >= Limits::kMaxIncludes) {
                m_includesCut = true;
                return;
            }
            ++m_includes;
            std::string content;
            if (!Markup::ReadWholeFile(CPaintManagerUI::ResolveResourcePath(Wide(e->Attribute("source")).c_str()),
                                       content)) {
                return;
            }
            tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
            if (doc.Parse(content.data(), content.size()) != tinyxml2::XML_SUCCESS || doc.RootElement() == nullptr) {
                return;
            }
            for (const tinyxml2::XMLElement* c = doc.RootElement()->FirstChildElement(); c != nullptr;
                 c = c->NextSiblingElement()) {
                if (IsSettingElement(c->Name())) {
                    ReadSetting(c, depth + 1);
                }
            }
        } else if (strcmp(name, "Font") == 0) {
            m_pm->AddFont(e->IntAttribute("id", -1), Wide(e->Attribute("name")).c_str(), e->IntAttribute("size", 14),
                          e->BoolAttribute("bold"), e->BoolAttribute("underline"), e->BoolAttribute("italic"),
                          e->BoolAttribute("default"));
        } else if (strcmp(name, "Style") == 0) {
            m_pm->AddStyle(Wide(e->Attribute("name")).c_str(), Wide(e->Attribute("value")).c_str());
        } else if (strcmp(name, "Default") == 0) {
            m_pm->AddDefaultAttributeList(Wide(e->Attribute("name")).c_str(), Wide(e->Attribute("value")).c_str());
        }
    }

    // Builds one element and its children. The control goes into `parent` (which then owns it), or,
    // without a parent, to the caller as the tree's root; null for an element nobody can make.
    CControlUI* BuildOne(const tinyxml2::XMLElement* e, CControlUI* parent) {
        const std::wstring className = Wide(e->Name());
        std::unique_ptr<CControlUI> control = CDialogBuilder::CreateControlByClass(className.c_str());
        if (control == nullptr && m_callback != nullptr) {
            // The callback hands over a control it made with new.
            control.reset(m_callback->CreateControl(className.c_str()));
        }
        if (control == nullptr) {
            return nullptr; // unknown element: skipped with its children
        }
        control->SetManager(m_pm, parent);
        if (m_pm != nullptr) {
            if (const wchar_t* defaults = m_pm->GetDefaultAttributeList(className.c_str())) {
                control->ApplyAttributeList(defaults);
            }
        }
        for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
            control->SetAttribute(Wide(a->Name()).c_str(), Wide(a->Value()).c_str());
        }
        if (auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"))) {
            Build(e, container);
        }
        CControlUI* built = control.get();
        if (parent != nullptr) {
            // Create admits only containers as parents.
            (void)static_cast<CContainerUI*>(parent->GetInterface(L"Container"))->Add(control.release());
        } else {
            (void)control.release(); // the root: Create's caller owns it
        }
        return built;
    }

    CPaintManagerUI* m_pm;
    IDialogBuilderCallback* m_callback;
    int m_includes = 0;
    bool m_includesCut = false;
};

} // namespace

std::unique_ptr<CControlUI> CDialogBuilder::CreateControlByClass(const wchar_t* className) {
    const std::wstring name = className != nullptr ? className : L"";
    if (name == L"Control") {
        return std::make_unique<CControlUI>();
    }
    if (name == L"Container") {
        return std::make_unique<CContainerUI>();
    }
    if (name == L"VerticalLayout") {
        return std::make_unique<CVerticalLayoutUI>();
    }
    if (name == L"HorizontalLayout") {
        return std::make_unique<CHorizontalLayoutUI>();
    }
    if (name == L"Label") {
        return std::make_unique<CLabelUI>();
    }
    if (name == L"Text") {
        return std::make_unique<CTextUI>();
    }
    if (name == L"Button") {
        return std::make_unique<CButtonUI>();
    }
    if (name == L"CheckBox") {
        return std::make_unique<CCheckBoxUI>();
    }
    if (name == L"Edit") {
        return std::make_unique<CEditUI>();
    }
    return nullptr;
}

CControlUI* CDialogBuilder::Create(const wchar_t* xml, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                                   CControlUI* pParent) {
    m_error.Empty();
    if (xml == nullptr || *xml == L'\0') {
        m_error = L"no layout given";
        return nullptr;
    }
    std::string content;
    if (xml[0] == L'<') {
        const int length = WideCharToMultiByte(CP_UTF8, 0, xml, -1, nullptr, 0, nullptr, nullptr);
        content.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
        if (length > 1) {
            WideCharToMultiByte(CP_UTF8, 0, xml, -1, content.data(), length, nullptr, nullptr);
        }
    } else if (!Markup::ReadWholeFile(CPaintManagerUI::ResolveResourcePath(xml), content)) {
        m_error = CDuiString(L"cannot read layout file ") + CPaintManagerUI::ResolveResourcePath(xml).c_str();
        return nullptr;
    }
    if (pParent != nullptr && pParent->GetInterface(L"Container") == nullptr) {
        m_error = L"the parent control cannot hold controls";
        return nullptr;
    }
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    if (doc.Parse(content.data(), content.size()) != tinyxml2::XML_SUCCESS) {
        m_error = CDuiString(L"layout is not well-formed XML: ") + Wide(doc.ErrorStr()).c_str();
        return nullptr;
    }
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (root == nullptr) {
        m_error = L"layout has no root element";
        return nullptr;
    }
    if (pManager != nullptr) {
        pManager->BeginBuild();
    }
    Parser parser(pManager, pCallback);
    CControlUI* result = nullptr;
    if (strcmp(root->Name(), "Window") == 0) {
        if (pManager != nullptr) {
            for (const tinyxml2::XMLAttribute* a = root->FirstAttribute(); a != nullptr; a = a->Next()) {
                pManager->SetWindowAttribute(Wide(a->Name()).c_str(), Wide(a->Value()).c_str());
            }
        }
        result = parser.Build(root, pParent);
    } else {
        // A bare control tree: the root element is the control.
        result = parser.Build(&doc, pParent);
    }
    const bool stylesCut = pManager != nullptr && pManager->EndBuild();
    if (stylesCut || parser.IncludesCut()) {
        // Said once for the build; the window still shows what was built.
        std::wstring what;
        if (stylesCut) {
            what = std::to_wstring(Limits::kMaxStyleExpansions) + L" style expansions";
        }
        if (parser.IncludesCut()) {
            what += (what.empty() ? L"" : L" and ") + std::to_wstring(Limits::kMaxIncludes) + L" includes";
        }
        Limits::Report(L"layout " + (xml[0] == L'<' ? std::wstring(L"text") : std::wstring(xml)) +
                       L" asks for more than " + what + L"; the rest is left out");
    }
    if (result == nullptr) {
        m_error = L"layout holds no control";
    }
    return result;
}

// ---- the window's styles and default attributes, as builds use them ----

void CPaintManagerUI::AddStyle(const wchar_t* name, const wchar_t* attributes) {
    if (name != nullptr && attributes != nullptr) {
        m_styles[name] = attributes;
    }
}

const wchar_t* CPaintManagerUI::GetStyle(const wchar_t* name) const {
    auto it = m_styles.find(name != nullptr ? name : L"");
    return it != m_styles.end() ? it->second.c_str() : nullptr;
}

void CPaintManagerUI::ApplyStyle(CControlUI& control, const wchar_t* name) {
    constexpr int kMaxStyleDepth = 8;
    const wchar_t* attributes = GetStyle(name);
    if (attributes == nullptr || m_styleDepth >= kMaxStyleDepth) {
        return;
    }
    const bool outermost = m_styleDepth == 0 && m_buildDepth == 0;
    if (outermost) {
        m_styleExpansions = 0;
        m_stylesCut = false;
    }
    if (m_styleExpansions >= Limits::kMaxStyleExpansions) {
        m_stylesCut = true;
    } else {
        ++m_styleExpansions;
        ++m_styleDepth;
        control.ApplyAttributeList(attributes);
        --m_styleDepth;
    }
    if (outermost && m_stylesCut) {
        Limits::Report(L"style '" + std::wstring(name) + L"' expands into more than " +
                       std::to_wstring(Limits::kMaxStyleExpansions) + L" styles; the rest are left out");
    }
}

void CPaintManagerUI::BeginBuild() {
    if (m_buildDepth++ == 0) {
        m_styleExpansions = 0;
        m_stylesCut = false;
    }
}

bool CPaintManagerUI::EndBuild() {
    return --m_buildDepth == 0 && m_stylesCut;
}

void CPaintManagerUI::AddDefaultAttributeList(const wchar_t* controlClass, const wchar_t* attributes) {
    if (controlClass != nullptr && attributes != nullptr) {
        m_defaults[controlClass] = attributes;
    }
}

const wchar_t* CPaintManagerUI::GetDefaultAttributeList(const wchar_t* controlClass) const {
    auto it = m_defaults.find(controlClass != nullptr ? controlClass : L"");
    return it != m_defaults.end() ? it->second.c_str() : nullptr;
}

} // namespace DuiLib
