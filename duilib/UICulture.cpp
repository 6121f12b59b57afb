#include "duilib/UICulture.h"

#include "duilib/UIMarkup.h"

#include "common/UniqueHandle.h"

#include <tinyxml2.h>

#include <cwchar>
#include <vector>

namespace DuiLib {

namespace {

std::wstring SystemDisplayLanguage() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LANGID lang = GetUserDefaultUILanguage();
    if (LCIDToLocaleName(MAKELCID(lang, SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) > 0) {
        return name;
    }
    return {};
}

UICulture::DisplayLanguageQuery g_displayLanguageQuery = &SystemDisplayLanguage;

std::wstring PrimaryLanguage(const std::wstring& tag) {
    return tag.substr(0, tag.find(L'-'));
}

} // namespace

UICulture* UICulture::GetInstance() {
    static UICulture instance;
    return &instance;
}

void UICulture::SetDisplayLanguageQuery(DisplayLanguageQuery query) {
    g_displayLanguageQuery = query != nullptr ? query : &SystemDisplayLanguage;
    GetInstance()->m_loaded = false;
}

void UICulture::SetLanguage(const wchar_t* tag, bool useDisplayLanguage) {
    m_requested = tag != nullptr ? tag : L"";
    m_useDisplayLanguage = useDisplayLanguage;
    m_loaded = false;
}

void UICulture::SetStringPath(const wchar_t* folder) {
    m_folder = folder != nullptr ? folder : L"";
    if (!m_folder.empty() && m_folder.back() != L'\\' && m_folder.back() != L'/') {
        m_folder += L'\\';
    }
    m_loaded = false;
}

CDuiString UICulture::GetLanguage() {
    EnsureLoaded();
    return CDuiString(m_chosen);
}

bool UICulture::HasFileFor(const std::wstring& tag) const {
    if (tag.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW((m_folder + tag + L".xml").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring UICulture::ChooseLanguage() const {
    if (m_useDisplayLanguage) {
        std::wstring display = g_displayLanguageQuery();
        if (HasFileFor(display)) {
            return display;
        }
        // The same language for another region still reads better than another language.
        const std::wstring primary = PrimaryLanguage(display);
        if (!primary.empty()) {
            if (PrimaryLanguage(m_requested) == primary && HasFileFor(m_requested)) {
                return m_requested;
            }
            WIN32_FIND_DATAW data{};
            unique_find_handle find(FindFirstFileW((m_folder + primary + L"-*.xml").c_str(), &data));
            if (find) {
                const std::wstring name = data.cFileName;
                return name.substr(0, name.size() - 4);
            }
        }
    }
    return m_requested;
}

bool UICulture::LoadFile(const std::wstring& tag, std::map<std::wstring, std::wstring>& table) const {
    table.clear();
    std::string content;
    if (tag.empty() || !Markup::ReadWholeFile(m_folder + tag + L".xml", content)) {
        return false;
    }
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    if (doc.Parse(content.data(), content.size()) != tinyxml2::XML_SUCCESS) {
        return false;
    }
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (root == nullptr) {
        return false;
    }
    for (const tinyxml2::XMLElement* item = root->FirstChildElement("string"); item != nullptr;
         item = item->NextSiblingElement("string")) {
        const char* name = item->Attribute("name");
        if (name == nullptr) {
            continue;
        }
        // An element's text may be split around entities; gather every text node.
        std::string text;
        for (const tinyxml2::XMLNode* node = item->FirstChild(); node != nullptr; node = node->NextSibling()) {
            if (const tinyxml2::XMLText* t = node->ToText()) {
                text += t->Value();
            }
        }
        table[Markup::Utf8ToWide(name)] = Markup::Utf8ToWide(text.c_str());
    }
    return true;
}

void UICulture::EnsureLoaded() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    m_chosen = ChooseLanguage();
    // A language without a readable file has no texts: every key then shows itself.
    (void)LoadFile(m_chosen, m_strings);
    if (m_requested != m_chosen) {
        (void)LoadFile(m_requested, m_fallback);
    } else {
        m_fallback.clear();
    }
}

bool UICulture::HasString(const wchar_t* key) {
    if (key == nullptr) {
        return false;
    }
    EnsureLoaded();
    return m_strings.count(key) != 0 || m_fallback.count(key) != 0;
}

CDuiString UICulture::GetString(const wchar_t* key) {
    if (key == nullptr || *key == L'\0') {
        return {};
    }
    EnsureLoaded();
    if (auto it = m_strings.find(key); it != m_strings.end()) {
        return CDuiString(it->second);
    }
    if (auto it = m_fallback.find(key); it != m_fallback.end()) {
        return CDuiString(it->second);
    }
    return CDuiString(key);
}

CDuiString UICulture::ResolveText(const wchar_t* value) {
    if (value != nullptr && wcsncmp(value, L"IDS_", 4) == 0 && wcschr(value, L' ') == nullptr) {
        return GetInstance()->GetString(value);
    }
    return CDuiString(value);
}

} // namespace DuiLib
