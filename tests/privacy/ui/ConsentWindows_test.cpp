#include "common/ModulePath.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "privacy/ui/PrivacySecurityApi.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <set>

using namespace NvPcPrivacySecurity;
using UiDriver::ModalAnswer;
using UiDriver::UiWindow;

namespace {

const std::wstring kSign = L"SOFTWARE\\Norvane\\Lullgate\\sign";
const ShellRecorder::Request kPrivacy = ShellRecorder::Opened(L"https://example.test/privacy");
const ShellRecorder::Request kAgreement = ShellRecorder::Opened(L"https://example.test/agreement");
const ShellRecorder::Request kChanges = ShellRecorder::Opened(L"https://example.test/changes");

using Answer = std::function<void(UiWindow&)>;
Answer Click(const wchar_t* name) {
    return [name](UiWindow& w) { EXPECT_TRUE(w.Click(name)); };
}
Answer Press(UINT vk) {
    return [vk](UiWindow& w) { w.PressKey(vk); };
}

class ConsentWindowTest : public RegistrySandboxTest {
protected:
    void SetUp() override {
        RegistrySandboxTest::SetUp();
        UiDriver::UseSkin();
        ASSERT_TRUE(m_files.Write(L"config\\url.xml",
                                  "<Config><PrivacyStatement url=\"https://example.test/privacy\"/>"
                                  "<UserAgreement url=\"https://example.test/agreement\"/>"
                                  "<ChangeNoticaty url=\"https://example.test/changes\"/></Config>"));
        ASSERT_NE(m_owner.Create(nullptr, L"Owner", WS_POPUP, 0), nullptr); // hidden, as at start-up
        CreateDirectoryW((m_scratch.Path() + L"\\layout").c_str(), nullptr);
    }
    // Shows the first-run window (no mode) or the change notice as start-up does and answers it.
    bool Show(std::optional<ChangeType> mode, const Answer& answer) {
        ModalAnswer answerer(mode ? L"ChangeNotication" : L"PrivacySecurityWelcom",
                             mode ? L"ChangeNoticationUI" : L"PrivacySecurityWelcomUI", answer);
        const bool agreed = mode ? PrivacySecurityApi::ShowChangeNoticationUI(m_owner.GetHWND(), *mode)
                                 : PrivacySecurityApi::ShowPrivacySecurityWelcomUI(m_owner.GetHWND());
        EXPECT_TRUE(answerer.Answered());
        return agreed;
    }
    // A bare change-notice skin in the scratch folder whose texts name their controls; `omit`
    // leaves one control out.
    void UseChangeSkin(const std::string& omit) {
        std::string xml = "<Window size='480,360'><VerticalLayout>";
        for (const char* name : {"changeNotificationTitle", "changeNotificationDes", "changeCurrentDetail",
                                 "changeNotificationDetail", "btnAgree", "btnCancel"}) {
            xml += name != omit ? std::string("<Text name='") + name + "' text='layout' height='30'/>" : "";
        }
        ASSERT_TRUE(m_scratch.Write(L"layout\\ChangeNoticationUI.xml", xml + "</VerticalLayout></Window>"));
        UiDriver::UseSkin(m_scratch.Path() + L"\\");
    }

    BesideExeFiles m_files;
    ScratchDirectory m_scratch;
    ShellRecorder m_shell;
    UiDriver::OwnerWindow m_owner;
};

// In both windows only the agree button (or Enter, which presses it) gives consent, written once the
// window has gone; the cancel button and Esc write nothing (the toolkit's Window_test shows that every
// other way of closing is no agreement). Without an owner nothing is shown at all.
TEST_F(ConsentWindowTest, OnlyAgreeGivesConsent) {
    const struct {
        std::optional<ChangeType> mode;
        Answer answer;
        bool agreed;
    } cases[] = {
        {std::nullopt, Click(L"AgreedButton"), true},  {std::nullopt, Press(VK_RETURN), true},
        {std::nullopt, Click(L"CancelButton"), false}, {std::nullopt, Press(VK_ESCAPE), false},
        {ChangeBoth, Click(L"btnAgree"), true},        {ChangeBoth, Press(VK_RETURN), true},
        {ChangeBoth, Click(L"btnCancel"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << &c - cases);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane");
        EXPECT_EQ(Show(c.mode, c.answer), c.agreed);
        EXPECT_EQ(OptPrivacySecurityReg::CheckToolPriacyStatusReg(), c.agreed ? StatusCurrent : StatusNotAgreed);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane");
    EXPECT_FALSE(PrivacySecurityApi::ShowPrivacySecurityWelcomUI(nullptr));
    EXPECT_FALSE(PrivacySecurityApi::ShowChangeNoticationUI(nullptr, ChangeBoth));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSign));
}

// The sentence names the user agreement first and the privacy statement second; its plain text
// opens nothing even when a link notification arrives from there. Tab reaches the first link.
TEST_F(ConsentWindowTest, FirstRunLinksOpenTheDocumentsInTheirOrder) {
    const auto link = [](int index) {
        return [index](UiWindow& w) {
            const POINT pt = w.LinkPoint(L"PrivacyStatement", index);
            ASSERT_GE(pt.x, 0);
            w.Manager()->SendNotify(w.Control(L"PrivacyStatement"), DuiLib::DUI_MSGTYPE_LINK, 0, 0, pt);
        };
    };
    const struct {
        Answer action;
        std::vector<ShellRecorder::Request> opened;
    } cases[] = {
        {[](UiWindow& w) { w.ClickAt(w.LinkPoint(L"PrivacyStatement", 0)); }, {kAgreement}},
        {[](UiWindow& w) { EXPECT_EQ(w.Invoke(L"PrivacyStatement", 1), S_OK); }, {kPrivacy}}, // a screen reader
        {link(-1), {}},
        {[](UiWindow& w) { w.PressKey(VK_TAB), w.PressKey(VK_RETURN); }, {kAgreement}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opened.size());
        m_shell.requests.clear();
        EXPECT_FALSE(Show(std::nullopt, [&](UiWindow& w) {
            c.action(w);
            w.PressKey(VK_ESCAPE);
        }));
        EXPECT_EQ(m_shell.requests, c.opened);
    }
}

// Each mode names its document in the title, the description and the current-documents line
// (which, for both, carries the privacy statement first); its links follow that order, and
// "See what changed" opens the notice of changes. The formats' %s reads wide text.
TEST_F(ConsentWindowTest, ChangeNoticeComposesItsTextsAndRoutesItsLinksByMode) {
    ASSERT_TRUE(m_scratch.Write(L"en-US.xml", R"(<resources>
        <string name="IDS_PRIVACY_STAEMENT">PS</string>
        <string name="IDS_USERAGREEMENT">UA</string>
        <string name="IDS_PRIVACY_AND_USER_TEXT">PS+UA</string>
        <string name="IDS_CHANGE_NOTICATION"> changed</string>
        <string name="IDS_CHANGE_NOTICATION_DES">des [%s] 100%%</string>
        <string name="IDS_CHANGE_CURRENT_DETAILS_LINK">cur [%ls]</string>
        <string name="IDS_CHANGE_PRIVACY_LINK">{a}p{/a}</string>
        <string name="IDS_CHANGE_USER_AGREEMENT_LINK">{a}u{/a}</string>
        <string name="IDS_CHANGE_PRIVACY_AND_USER_LINK">{a}p{/a} + {a}u{/a}</string>
        <string name="IDS_CHANGE_SEE_WHAT_CHANGED">{a}changes{/a}</string>
        <string name="IDS_CHANGE_BOTH_TITLE">Title</string></resources>)"));
    UiDriver::UseSkin(L"res\\", m_scratch.Path() + L"\\");
    const struct {
        ChangeType mode;
        const wchar_t* title;
        const wchar_t* description;
        const wchar_t* current;
        std::vector<ShellRecorder::Request> opened; // by link 0, 1, ... then "See what changed"
    } cases[] = {
        {ChangePrivacy, L"PS changed", L"des [PS] 100%", L"cur [{a}p{/a}]", {kPrivacy, kChanges}},
        {ChangeUserAgreement, L"UA changed", L"des [UA] 100%", L"cur [{a}u{/a}]", {kAgreement, kChanges}},
        {ChangeBoth, L"Title", L"des [PS+UA] 100%", L"cur [{a}p{/a} + {a}u{/a}]", {kPrivacy, kAgreement, kChanges}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        m_shell.requests.clear();
        EXPECT_FALSE(Show(c.mode, [&](UiWindow& w) {
            EXPECT_EQ(w.Text(L"changeNotificationTitle"), c.title);
            EXPECT_EQ(w.Text(L"changeNotificationDes"), c.description);
            EXPECT_EQ(w.Text(L"changeCurrentDetail"), c.current);
            const int links = static_cast<int>(c.opened.size()) - 1;
            for (int link = 0; link < links; ++link) {
                w.ClickAt(w.LinkPoint(L"changeCurrentDetail", link));
            }
            w.ClickAt(w.LinkPoint(L"changeNotificationDetail", 0));
            w.PressKey(VK_ESCAPE);
        }));
        EXPECT_EQ(m_shell.requests, c.opened);
    }
}

// A skin without one of the five controls the notice needs keeps its own texts (the description
// alone may be missing); so does an unknown mode.
TEST_F(ConsentWindowTest, ChangeNoticeWithIncompleteSkinSetsNoText) {
    const CapturedLine missing{4, L"change notification control is null!(NvPcPrivacySecurity::ChangeNoticationUI::"
                                  L"InitWindow)"};
    for (const std::string omit : {"changeNotificationTitle", "changeNotificationDetail", "changeCurrentDetail",
                                   "btnAgree", "btnCancel", "changeNotificationDes", ""}) {
        SCOPED_TRACE(omit);
        const bool set = omit == "changeNotificationDes"; // the one control the notice can do without
        UseChangeSkin(omit);
        LogCapture log;
        EXPECT_FALSE(Show(omit.empty() ? ChangeType{3} : ChangePrivacy, [&](UiWindow& w) {
            for (const wchar_t* name : {L"changeNotificationTitle", L"changeCurrentDetail"}) {
                EXPECT_TRUE(w.Control(name) == nullptr || (w.Text(name) == L"layout") != set);
            }
            w.PressKey(VK_ESCAPE);
        }));
        EXPECT_EQ(log.Lines(), (set || omit.empty() ? std::vector<CapturedLine>{} : std::vector{missing}));
    }
}

// The formats come from a file anyone can edit: a text too long for the 260-character buffer is
// cut, and a format that would read an argument never passed is refused. Neither may crash.
TEST_F(ConsentWindowTest, ChangeNoticeCutsLongTextsAndRefusesBrokenFormats) {
    const std::wstring tag = L"(NvPcPrivacySecurity::`anonymous-namespace'::ComposeText)";
    const std::wstring refused = L"format text is not usable, key: IDS_CHANGE_NOTICATION_DES" + tag;
    const struct {
        std::string format;
        std::wstring shown;
        std::wstring logged;
    } cases[] = {
        {std::string(300, 'x') + "%s", std::wstring(259, L'x'),
         L"text cut to 259 characters, key: IDS_CHANGE_NOTICATION_DES" + tag},
        {"%d of %s", L"layout", refused},
        {"%s and %s", L"layout", refused},
        {"ends in %", L"layout", refused},
    };
    UseChangeSkin("");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.substr(0, 12));
        ASSERT_TRUE(m_scratch.Write(L"en-US.xml", "<resources><string name=\"IDS_CHANGE_NOTICATION_DES\">" + c.format +
                                                      "</string></resources>"));
        UiDriver::UseSkin(m_scratch.Path() + L"\\", m_scratch.Path() + L"\\");
        LogCapture log;
        EXPECT_FALSE(Show(ChangePrivacy, [&](UiWindow& w) {
            EXPECT_EQ(w.Text(L"changeNotificationDes"), c.shown);
            w.PressKey(VK_ESCAPE);
        }));
        EXPECT_EQ(log.Lines(), (std::vector<CapturedLine>{{3, c.logged}}));
    }
}

// Both shipped languages have the same keys, and each shipped format takes exactly one text.
TEST_F(ConsentWindowTest, ShippedLanguagesHaveTheSameKeysAndUsableFormats) {
    std::set<std::string> keys[2];
    for (int i = 0; i < 2; ++i) {
        const std::string xml =
            ReadWholeFile(BesideExePath(i == 0 ? L"res\\values\\en-US.xml" : L"res\\values\\zh-CN.xml"));
        const std::regex item(R"re(name="(IDS_\w+)">([^<]*)<)re");
        for (std::sregex_iterator it(xml.begin(), xml.end(), item), end; it != end; ++it) {
            keys[i].insert((*it)[1]);
            const std::string value = (*it)[2];
            if ((*it)[1].str().find("_DES") != std::string::npos || (*it)[1] == "IDS_CHANGE_CURRENT_DETAILS_LINK") {
                EXPECT_EQ(value.find('%'), value.rfind('%')) << value;
                EXPECT_NE(value.find("%s"), std::string::npos) << value;
            }
        }
    }
    EXPECT_GT(keys[0].size(), 30u);
    EXPECT_EQ(keys[0], keys[1]);
}

} // namespace
