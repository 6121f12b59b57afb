#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

using namespace DuiLib;

namespace {

std::wstring g_displayLanguage;
std::wstring FakeDisplayLanguage() {
    return g_displayLanguage;
}

class CultureTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        UICulture::SetDisplayLanguageQuery(&FakeDisplayLanguage);
        culture = UICulture::GetInstance();
        culture->SetStringPath((CPaintManagerUI::GetInstancePath() + L"skin\\values\\").GetData());
    }
    UICulture* culture = nullptr;
};

} // namespace

TEST_F(CultureTest, LooksKeysUpInTheSelectedLanguage) {
    culture->SetLanguage(L"zh-CN", false);
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"\u4F60\u597D");
    culture->SetLanguage(L"en-US", false);
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"Hello");
    // Text is kept exactly, spaces and entities included.
    EXPECT_EQ(culture->GetString(L"IDS_SPACED"), L"  two  spaces & an entity  ");
}

TEST_F(CultureTest, TextsOfBlanksAreKeptAsWritten) {
    culture->SetLanguage(L"en-US", false);
    EXPECT_EQ(culture->GetString(L"IDS_BLANK"), L" ");
    EXPECT_EQ(culture->GetString(L"IDS_CDATA"), L"  <b> \t\n ");
}

TEST_F(CultureTest, MissingKeyGivesTheKeyItself) {
    culture->SetLanguage(L"en-US", false);
    EXPECT_EQ(culture->GetString(L"IDS_NO_SUCH_KEY"), L"IDS_NO_SUCH_KEY");
    EXPECT_FALSE(culture->HasString(L"IDS_NO_SUCH_KEY"));
    EXPECT_EQ(culture->GetString(L""), L"");
    EXPECT_EQ(culture->GetString(nullptr), L"");
    // A language without a file: every key gives itself.
    culture->SetLanguage(L"fr-FR", false);
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"IDS_HELLO");
}

TEST_F(CultureTest, FlagPrefersTheDisplayLanguageWhenTheSkinHasIt) {
    g_displayLanguage = L"en-US";
    culture->SetLanguage(L"zh-CN", true);
    EXPECT_EQ(culture->GetLanguage(), L"en-US");
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"Hello");

    // Same language, other region.
    g_displayLanguage = L"en-GB";
    culture->SetLanguage(L"zh-CN", true);
    EXPECT_EQ(culture->GetLanguage(), L"en-US");

    // A display language the skin lacks: the given tag.
    g_displayLanguage = L"de-DE";
    culture->SetLanguage(L"zh-CN", true);
    EXPECT_EQ(culture->GetLanguage(), L"zh-CN");
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"\u4F60\u597D");

    // Without the flag the display language is ignored.
    g_displayLanguage = L"en-US";
    culture->SetLanguage(L"zh-CN", false);
    EXPECT_EQ(culture->GetLanguage(), L"zh-CN");
}

TEST_F(CultureTest, KeyMissingInTheDisplayLanguageFallsBackToTheGivenTag) {
    g_displayLanguage = L"zh-CN";
    culture->SetLanguage(L"en-US", true);
    EXPECT_EQ(culture->GetLanguage(), L"zh-CN");
    EXPECT_EQ(culture->GetString(L"IDS_ONLY_EN"), L"Only in English");
}

TEST_F(CultureTest, LanguageCanBeChosenBeforeTheFolderIsSet) {
    // Start-up selects the language first and names the folder afterwards.
    culture->SetStringPath(L"");
    culture->SetLanguage(L"zh-CN", false);
    culture->SetStringPath((CPaintManagerUI::GetInstancePath() + L"skin\\values").GetData());
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"\u4F60\u597D");
    EXPECT_EQ(UICulture::ResolveText(L"IDS_HELLO"), L"\u4F60\u597D");
    EXPECT_EQ(UICulture::ResolveText(L"IDS_ not a key"), L"IDS_ not a key");
}
