#include "duilib/UICulture.h"

#include "duilib/UIMarkup.h"

#include "common/UniqueHandle.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
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

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the markup item at `i` (a '<') ends: a comment, a CDATA section, a declaration or a tag,
// whose quoted attribute values may hold '>'.
size_t MarkupEnd(const std::string& xml, size_t i) {
    auto after = [&](const char* close, size_t from) {
        const size_t found = xml.find(close, from);
        return found == std::string::npos ? xml.size() : found + strlen(close);
    };
    if (xml.compare(i, 4, "<!--") == 0) {
        return after("-->", i + 4);
    }
    if (xml.compare(i, 9, "<![CDATA[") == 0) {
        return after("]]>", i + 9);
    }
    if (xml.compare(i, 2, "<?") == 0) {
        return after("?>", i + 2);
    }
    char quote = 0;
    for (size_t j = i + 1; j < xml.size(); ++j) {
        if (quote != 0) {
            quote = xml[j] == quote ? 0 : quote;
        } else if (xml[j] == '"' || xml[j] == '\'') {
            quote = xml[j];
        } else if (xml[j] == '>') {
            return j + 1;
        }
    }
    return xml.size();
}

// tinyxml2 drops text made only of blanks when a tag follows it (all of "<string> </string>", and
// the blanks before and after a CDATA section), even when told to keep whitespace; but it keeps
// blanks written as character references. So inside the strings, text made only of blanks is
// written that way before parsing. Line ends stay one "\n", as XML reads them everywhere else.
std::string KeepBlankTexts(const std::string& xml) {
    std::string out;
    out.reserve(xml.size());
    int depth = 0; // 1 inside the root element, 2 inside a string
    size_t i = 0;
    while (i < xml.size()) {
        if (xml[i] == '<') {
            const size_t end = MarkupEnd(xml, i);
            const bool tag = xml.compare(i, 2, "<!") != 0 && xml.compare(i, 2, "<?") != 0;
            if (tag && xml.compare(i, 2, "</") == 0) {
                --depth;
            } else if (tag && !(end >= i + 2 && xml[end - 1] == '>' && xml[end - 2] == '/')) {
                ++depth;
            }
            out.append(xml, i, end - i);
            i = end;
            continue;
        }
        size_t end = xml.find('<', i);
        end = end == std::string::npos ? xml.size() : end;
        const bool blank = std::all_of(xml.begin() + static_cast<std::ptrdiff_t>(i),
                                       xml.begin() + static_cast<std::ptrdiff_t>(end), IsBlank);
        if (!blank || depth < 2 || end == xml.size()) {
            out.append(xml, i, end - i);
            i = end;
            continue;
        }
        for (; i < end; ++i) {
            if (xml[i] == '\r' && i + 1 < end && xml[i + 1] == '\n') {
                continue; // the "\n" after it stands for both
            }
            out += xml[i] == '\t' ? "&#9;" : (xml[i] == ' ' ? "&#32;" : "&#10;");
        }
    }
    return out;
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
    content = KeepBlankTexts(content);
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
