#include "tests/duilib/ToolkitTest.h"

#include <gtest/gtest.h>

using namespace DuiLib;

namespace {

std::wstring g_displayLanguage;

class CultureTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        UICulture::SetDisplayLanguageQuery([] { return g_displayLanguage; });
        culture = UICulture::GetInstance();
        culture->SetStringPath((CPaintManagerUI::GetInstancePath() + L"skin\\values\\").GetData());
    }
    UICulture* culture = nullptr;
};

} // namespace

TEST_F(CultureTest, LooksKeysUpInTheSelectedLanguageOrGivesTheKey) {
    culture->SetLanguage(L"zh-CN", false);
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"\u4F60\u597D");
    culture->SetLanguage(L"en-US", false);
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"Hello");
    // Text is kept exactly: spaces, entities, texts of blanks alone and CDATA.
    EXPECT_EQ(culture->GetString(L"IDS_SPACED"), L"  two  spaces & an entity  ");
    EXPECT_EQ(culture->GetString(L"IDS_BLANK"), L" ");
    EXPECT_EQ(culture->GetString(L"IDS_CDATA"), L"  <b> \t\n ");
    // A missing key gives the key itself.
    EXPECT_EQ(culture->GetString(L"IDS_NO_SUCH_KEY"), L"IDS_NO_SUCH_KEY");
    EXPECT_FALSE(culture->HasString(L"IDS_NO_SUCH_KEY"));
    EXPECT_EQ(culture->GetString(L""), L"");
    EXPECT_EQ(culture->GetString(nullptr), L"");
    // A language without a file: every key gives itself.
    culture->SetLanguage(L"fr-FR", false);
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"IDS_HELLO");
}

// With the flag, the display language wins when the skin has it (also in another region); a key
// it lacks comes from the language given.
TEST_F(CultureTest, FlagPrefersTheDisplayLanguageWhenTheSkinHasIt) {
    const struct {
        const wchar_t* display;
        const wchar_t* given;
        bool flag;
        const wchar_t* chosen;
    } cases[] = {
        {L"en-US", L"zh-CN", true, L"en-US"}, {L"en-GB", L"zh-CN", true, L"en-US"},
        {L"de-DE", L"zh-CN", true, L"zh-CN"}, {L"en-US", L"zh-CN", false, L"zh-CN"},
        {L"zh-CN", L"en-US", true, L"zh-CN"},
    };
    for (const auto& c : cases) {
        g_displayLanguage = c.display;
        culture->SetLanguage(c.given, c.flag);
        EXPECT_EQ(culture->GetLanguage(), c.chosen) << c.display << " " << c.given << " " << c.flag;
    }
    EXPECT_EQ(culture->GetString(L"IDS_HELLO"), L"\u4F60\u597D");
    EXPECT_EQ(culture->GetString(L"IDS_ONLY_EN"), L"Only in English");
}

TEST_F(CultureTest, LanguageCanBeChosenBeforeTheFolderIsSet) {
    // Start-up selects the language first and names the folder afterwards.
    culture->SetStringPath(L"");
    culture->SetLanguage(L"zh-CN", false);
    culture->SetStringPath((CPaintManagerUI::GetInstancePath() + L"skin\\values").GetData());
    EXPECT_EQ(UICulture::ResolveText(L"IDS_HELLO"), L"\u4F60\u597D");
    EXPECT_EQ(UICulture::ResolveText(L"IDS_ not a key"), L"IDS_ not a key");
}
