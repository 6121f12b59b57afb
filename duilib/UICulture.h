// Display strings of the skin. One file per language in the string folder, named after the
// language tag ("en-US.xml", "zh-CN.xml"), holding <string name="IDS_...">text</string> items.
// A key is looked up in the selected language, then in the language the application asked for,
// and a key found in neither gives the key itself, so a missing text is visible and findable.
#pragma once

#include "duilib/UIDefine.h"

#include <map>
#include <string>

namespace DuiLib {

class UICulture {
public:
    static UICulture* GetInstance();

    // Selects the language. With `useDisplayLanguage` true the user's Windows display language is
    // used when the string folder has a file for it (an exact tag first, then the same language in
    // another region: "en-GB" finds "en-US"); otherwise, and with false, `tag` is used.
    void SetLanguage(const wchar_t* tag, bool useDisplayLanguage);
    // Folder of the string files; a trailing separator is optional.
    void SetStringPath(const wchar_t* folder);
    // The language whose file is used ("" before any selection).
    CDuiString GetLanguage();
    CDuiString GetStringPath() const { return CDuiString(m_folder); }

    // Text of a key; the key itself when no file has it, "" for an empty key.
    CDuiString GetString(const wchar_t* key);
    bool HasString(const wchar_t* key);

    // Layout attribute values beginning with "IDS_" are keys; others are shown as written.
    static CDuiString ResolveText(const wchar_t* value);

    // Tests replace the query of the user's display language (a tag such as "de-DE").
    using DisplayLanguageQuery = std::wstring (*)();
    static void SetDisplayLanguageQuery(DisplayLanguageQuery query);

private:
    UICulture() = default;
    void EnsureLoaded();
    [[nodiscard]] bool LoadFile(const std::wstring& tag, std::map<std::wstring, std::wstring>& table) const;
    std::wstring ChooseLanguage() const;
    bool HasFileFor(const std::wstring& tag) const;

    std::wstring m_requested;
    bool m_useDisplayLanguage = false;
    std::wstring m_folder;
    bool m_loaded = false;
    std::wstring m_chosen;
    std::map<std::wstring, std::wstring> m_strings;
    std::map<std::wstring, std::wstring> m_fallback;
};

} // namespace DuiLib
