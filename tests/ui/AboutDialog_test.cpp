#include "ui/AboutDialog.h"

#include "common/ModulePath.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "tests/support/BesideExe.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RegistrySandbox.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

using DuiLib::CPaintManagerUI;
using NvPcPrivacySecurity::OptPrivacySecurityReg;
using UiDriver::ModalAnswer;
using UiDriver::UiWindow;
using Answer = std::function<void(UiWindow&)>;

namespace {

CapturedLine Error(const std::wstring& message, const wchar_t* function) {
    return {4, message + L"(NvLullgate::AboutDialog::" + function + L")"};
}

Answer Keys(int tabs, UINT last) {
    return [tabs, last](UiWindow& w) {
        for (int i = 0; i < tabs; ++i) {
            w.PressKey(VK_TAB);
        }
        w.PressKey(last);
    };
}

class AboutDialogTest : public RegistrySandboxTest {
protected:
    void SetUp() override {
        RegistrySandboxTest::SetUp();
        UiDriver::UseSkin();
        ASSERT_TRUE(m_files.Write(L"config\\url.xml",
                                  "<Config><PrivacyStatement url=\"https://example.test/privacy\"/>"
                                  "<UserAgreement url=\"https://example.test/agreement\"/></Config>"));
        ASSERT_TRUE(m_files.Write(L"version.xml", "<Config><ConfigItem Value=\"1.2.3\"/></Config>"));
        ASSERT_NE(m_owner.Create(nullptr, L"Owner", WS_POPUP, 0), nullptr);
        m_owner.ShowWindow(true, true);
    }
    // Opens the about window the way the main window does and answers it; its modal result.
    UINT Show(const Answer& answer) {
        NvLullgate::AboutDialog about;
        ModalAnswer answerer(L"CalmlockAboutWnd", L"CalmlockAboutWndUI", answer);
        const UINT result = about.ShowModalOver(m_owner.GetHWND(), L"CalmlockAboutWnd");
        EXPECT_TRUE(answerer.Answered());
        return result;
    }
    static std::wstring Notice() { return BesideExePath(L"res\\Notice\\OpenSourceSoftwareNotice.htm"); }

    BesideExeFiles m_files;
    ShellRecorder m_shell;
    UiDriver::OwnerWindow m_owner;
};

// The layout's "Version " followed by the version read beside the executable (how a missing or
// broken version file reads is appcommon's Common_test). A skin without "toolVersion" stops
// looking; without the links or the withdraw button it says so and keeps the rest.
TEST_F(AboutDialogTest, VersionAndMissingControls) {
    std::wstring shown;
    EXPECT_EQ(Show([&](UiWindow& w) {
                  shown = w.Text(L"toolVersion");
                  EXPECT_TRUE(w.Click(L"aboutWndCloseButton"));
              }),
              1u);
    EXPECT_EQ(shown, L"Version 1.2.3");

    LogCapture log;
    ScratchDirectory skin;
    CreateDirectoryW((skin.Path() + L"\\layout").c_str(), nullptr);
    CPaintManagerUI::SetResourcePath((skin.Path() + L"\\").c_str());
    for (const char* omit : {"toolVersion", "AboutPrivacyStatement", "StopServices"}) {
        SCOPED_TRACE(omit);
        std::string xml = "<Window size='400,300'><VerticalLayout>";
        for (const char* name : {"toolVersion", "AboutPrivacyStatement", "StopServices"}) {
            xml += std::string(name) != omit ? std::string("<Text name='") + name + "' height='30'/>" : "";
        }
        ASSERT_TRUE(skin.Write(L"layout\\about.xml", xml + "</VerticalLayout></Window>"));
        log.Clear();
        EXPECT_EQ(Show(Keys(0, VK_ESCAPE)), 2u);
        EXPECT_EQ(log.Lines(),
                  (std::vector<CapturedLine>{Error(std::string(omit) == "toolVersion" ? L"version control is null!"
                                                                                      : L"about UI control is null!",
                                                   L"InitWindow")}));
    }
}

// The first link opens the user agreement, the second the privacy statement, the plain text
// between them nothing; the notice link opens the shipped notice. Tab reaches every link.
TEST_F(AboutDialogTest, LinksOpenTheDocumentsAndTheNotice) {
    const auto click = [](const wchar_t* name, int index) {
        return [name, index](UiWindow& w) {
            const POINT pt = w.LinkPoint(name, index);
            ASSERT_GE(pt.x, 0);
            w.Manager()->SendNotify(w.Control(name), DuiLib::DUI_MSGTYPE_LINK, 0, 0, pt);
        };
    };
    const auto agreement = ShellRecorder::Opened(L"https://example.test/agreement");
    const auto privacy = ShellRecorder::Opened(L"https://example.test/privacy");
    const auto notice = ShellRecorder::Opened(Notice());
    const struct {
        Answer action;
        std::vector<ShellRecorder::Request> opened;
    } cases[] = {
        {click(L"AboutPrivacyStatement", 0), {agreement}},
        {click(L"AboutPrivacyStatement", -1), {}},
        {Keys(2, VK_RETURN), {privacy}}, // the second link
        {Keys(3, VK_RETURN), {notice}},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opened.size());
        m_shell.requests.clear();
        EXPECT_EQ(Show([&](UiWindow& w) { c.action(w), w.PressKey(VK_ESCAPE); }), 2u);
        EXPECT_EQ(m_shell.requests, c.opened);
    }
    EXPECT_TRUE(log.Lines().empty());
}

// A notice that cannot be opened or found is logged with the step that failed.
TEST_F(AboutDialogTest, NoticeFailuresAreLogged) {
    const Answer clickNotice = [](UiWindow& w) { w.ClickAt(w.LinkPoint(L"openSourceStatement", 0)); };
    m_shell.results = {FALSE};
    LogCapture log;
    Show([&](UiWindow& w) { clickNotice(w), w.PressKey(VK_ESCAPE); });
    // Then the shipped file moved away, and a folder in its place.
    const std::wstring aside = Notice() + L".aside";
    ASSERT_TRUE(MoveFileW(Notice().c_str(), aside.c_str()));
    Show([&](UiWindow& w) { clickNotice(w), w.PressKey(VK_ESCAPE); });
    CreateDirectoryW(Notice().c_str(), nullptr);
    Show([&](UiWindow& w) { clickNotice(w), w.PressKey(VK_ESCAPE); });
    RemoveDirectoryW(Notice().c_str());
    ASSERT_TRUE(MoveFileW(aside.c_str(), Notice().c_str()));
    EXPECT_EQ(m_shell.requests.size(), 1u);
    const CapturedLine missing =
        Error(L"open source software notice file is not exist!", L"ShowOpenSourceSoftwareNotice");
    EXPECT_EQ(log.Lines(), (std::vector<CapturedLine>{
                               {4, L"link not opened, no desktop shell started it as the signed-in user: " + Notice() +
                                       L"(NvPcPrivacySecurity::OpenDocument)"},
                               Error(L"open open source software notice file fail!", L"ShowOpenSourceSoftwareNotice"),
                               missing,
                               missing}));
}

// Withdrawing deletes the record, closes the about window with 1 and ends the program's loop;
// cancelling (the default, so also Enter) changes nothing. The keyboard reaches both.
TEST_F(AboutDialogTest, WithdrawalDeletesTheRecordAndEndsTheProgram) {
    const Answer open = [](UiWindow& w) { EXPECT_TRUE(w.Click(L"StopServices")); };
    const struct {
        Answer openConfirm;
        Answer answerConfirm;
        bool withdrawn;
    } cases[] = {
        {open, [](UiWindow& w) { EXPECT_TRUE(w.Click(L"stopServiceConfirmBtn")); }, true},
        {Keys(4, VK_RETURN), Keys(1, VK_RETURN), true},
        {open, [](UiWindow& w) { EXPECT_TRUE(w.Click(L"stopServiceCancelBtn")); }, false},
        {Keys(4, VK_RETURN), Keys(0, VK_RETURN), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << &c - cases);
        ASSERT_TRUE(OptPrivacySecurityReg::SetToolPriacyStatusReg());
        ModalAnswer confirm(L"StopServiceConfirm", L"StopServiceConfirmUI", c.answerConfirm);
        const UINT result = Show([&](UiWindow& w) {
            c.openConfirm(w);
            UiDriver::Pump(50); // a withdrawal has closed the window by now
            if (w.IsValid()) {
                w.PressKey(VK_ESCAPE);
            }
        });
        EXPECT_TRUE(confirm.Answered());
        MSG quit{};
        EXPECT_EQ(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE, c.withdrawn);
        EXPECT_EQ(result, c.withdrawn ? 1u : 2u);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, L"SOFTWARE\\Norvane\\Lullgate"), !c.withdrawn);
    }
}

} // namespace
