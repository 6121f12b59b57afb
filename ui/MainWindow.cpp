#include "ui/MainWindow.h"

#include "appcommon/Common.h"
#include "common/StringConv.h"
#include "log/LogManager.h"
#include "common/Seams.h"
#include "pause/PauseRules.h"
#include "pause/PauseWinUpdates.h"
#include "pause/WindowsPauseView.h"
#include "remind/Reminders.h"
#include "ui/AboutDialog.h"
#include "ui/ConfirmWindow.h"

#include <memory>
#include <new>
#include <vector>

namespace NvLullgate {

namespace {

constexpr UINT kLoadingTimer = 1;
constexpr UINT kRecoverTimer = 2;
constexpr UINT kTimerPeriodMs = 16;
constexpr int32_t kLoadingFrames = 60;
constexpr int32_t kLoadingTicks = 60;
constexpr int32_t kRecoverTicks = 60;
constexpr size_t kBufferChars = 260;

constexpr wchar_t kPauseCircleImage[] = L"drawable\\ProgressCircle\\ProgressCircle_pause@1.5x.png";
constexpr wchar_t kUpdateGlyphImage[] = L"file='drawable\\ic_update@2x.png' reverse='true' dest='56,56,104,104'";

// The image of loading frame `frame` (1 to 60); false when it cannot be formatted.
bool LoadingFrameImage(int32_t frame, wchar_t (&image)[kBufferChars]) {
    return _snwprintf_s(image, kBufferChars, _TRUNCATE, L"drawable\\ProgressCircle\\loading %03d@1.5x.png", frame) >= 1;
}

DuiLib::CDuiString LookUp(const wchar_t* key) {
    return DuiLib::UICulture::GetInstance()->GetString(key);
}

// The paused-until text comes from a string file, so it is checked before it reaches the formatter:
// with one argument to give, any conversion other than a single %s (a stray %d, a second %s) would
// read what was never passed.
bool TakesOneDateAtMost(const wchar_t* format) {
    int dates = 0;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (*p != L'%') {
            continue;
        }
        ++p;
        if (*p == L'%') {
            continue;
        }
        if (*p != L's' || ++dates > 1) {
            return false;
        }
    }
    return true;
}

} // namespace

const wchar_t* MainWindow::GetWindowClassName() const {
    return L"CalmlockUI";
}

MainWindow::~MainWindow() = default;

void MainWindow::InitWindow() {
    // A second start finds this window by its class and this title.
    SetWindowTextW(m_hWnd, L"Calmlock");
    m_loadingFrame = 0;
    m_loadingTicks = 0;
    m_recoverTicks = 0;

    m_pauseButton = m_pm.FindControl(L"pauseUpdateButton");
    m_recoverButton = m_pm.FindControl(L"recoverUpdateButton");
    m_recoverTipLabel = m_pm.FindControl(L"recoverupdatetipLable");
    m_progress = m_pm.FindControl(L"progressButton");
    m_pauseDayEdit = m_pm.FindControlAs<DuiLib::CEditUI>(L"pauseDaysEdit", L"Edit");
    m_pauseTips = m_pm.FindControlAs<DuiLib::CTextUI>(L"calmlockPauseTips", L"Text");
    m_EditErrorText = m_pm.FindControlAs<DuiLib::CTextUI>(L"editErrorTips", L"Text");
    m_optionLayout = m_pm.FindControlAs<DuiLib::CContainerUI>(L"optionlayout", L"Container");
    m_subtitleLayout = m_pm.FindControlAs<DuiLib::CContainerUI>(L"subtitlelayout", L"Container");
    m_buttonLayout = m_pm.FindControlAs<DuiLib::CContainerUI>(L"buttonlayout", L"Container");

    if (m_pauseButton == nullptr || m_recoverButton == nullptr || m_recoverTipLabel == nullptr ||
        m_progress == nullptr || m_pauseDayEdit == nullptr || m_pauseTips == nullptr || m_EditErrorText == nullptr ||
        m_optionLayout == nullptr || m_subtitleLayout == nullptr || m_buttonLayout == nullptr) {
        LOG_ERROR(L"get pause windows update control fail.");
        return;
    }
    // This user's choice of reminders, as the reminder reads it.
    if (auto* remind = m_pm.FindControlAs<DuiLib::CCheckBoxUI>(L"remindCheck", L"CheckBox")) {
        remind->Selected(Reminders::IsEnabled());
    }
    m_progress->SetBkImage(kPauseCircleImage);
    m_progress->SetForeImage(kUpdateGlyphImage);
    // Decoding a frame costs more than painting the window: the frames are decoded once, ahead of
    // the animation, rather than at every tick.
    std::vector<std::wstring> frames;
    for (int32_t frame = 1; frame <= kLoadingFrames; ++frame) {
        wchar_t image[kBufferChars]{};
        if (LoadingFrameImage(frame, image)) {
            frames.emplace_back(image);
        }
    }
    m_progress->SetBkImageFrames(frames);
    // Started while the window is still hidden: loading runs behind the consent windows. A timer
    // fails only for a control without a window, and InitWindow runs with the window made.
    (void)m_progress->SetTimer(kLoadingTimer, kTimerPeriodMs);
}

void MainWindow::OnClick(DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"closeButton") {
        QuitApplication();
    } else if (name == L"minButton") {
        SendMessageW(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (name == L"aboutButton") {
        ShowAboutForm();
    } else if (name == L"pauseUpdateButton") {
        ClickPauseButton();
    } else if (name == L"recoverUpdateButton") {
        ResumeUpdates();
    } else if (name == L"remindCheck") {
        auto* remind = static_cast<DuiLib::CCheckBoxUI*>(msg.pSender->GetInterface(L"CheckBox"));
        if (remind != nullptr && !Reminders::SetEnabled(remind->IsSelected())) {
            LOG_ERROR(L"reminder choice not stored");
        }
    }
}

void MainWindow::ResumeUpdates() {
    PauseWinUpdates& engine = PauseWinUpdates::GetInstance();
    const std::string pauseEnd = engine.m_isPaused ? engine.m_pauseEndTime : std::string();
    if (!engine.DoRecoveringWinUpdate()) {
        ShowPauseFailWindow();
        return;
    }
    if (!pauseEnd.empty()) {
        Reminders::NoteResumed(pauseEnd); // this user ended it: no reminder tells them it ended
    }
    if (m_recoverButton != nullptr) {
        m_recoverButton->SetVisible(false);
    }
    if (m_recoverTipLabel != nullptr) {
        m_recoverTipLabel->SetVisible(true);
        (void)m_recoverTipLabel->SetTimer(kRecoverTimer, kTimerPeriodMs); // the window exists: it starts
    }
    // What Windows said about the pause, and what an earlier one left, no longer apply while it is
    // being removed; a resume of leftovers starts from the days field, which goes as well.
    for (const wchar_t* name :
         {L"windowsViewText", L"leftoverText", L"pauseDaysGroup", L"editErrorTips", L"pauseUpdateButton"}) {
        if (DuiLib::CControlUI* control = m_pm.FindControl(name)) {
            control->SetVisible(false);
        }
    }
}

DuiLib::CDuiString MainWindow::GetSkinFile() {
    return L"layout\\MainWindow.xml";
}

LRESULT MainWindow::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM /*lParam*/, BOOL& bHandled) {
    if (uMsg == WM_CLOSE || uMsg == WM_QUIT) {
        QuitApplication();
    }
    // A second start asks this window to restore itself. While it is still hidden behind the
    // consent question (hidden, not minimised), showing it would put it on screen, disabled,
    // before consent was given: bring the question forward instead.
    if (uMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE && !::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd)) {
        if (HWND question = ::GetWindow(m_hWnd, GW_ENABLEDPOPUP); question != nullptr && question != m_hWnd) {
            Common::ShowTopByHwnd(question);
        }
        bHandled = TRUE;
        return 0;
    }
    // The toolkit goes on with every message: a WM_CLOSE still destroys the window.
    bHandled = FALSE;
    return 0;
}

void MainWindow::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_TIMER) {
        if (msg.wParam == kLoadingTimer) {
            AnimationLoading();
            SetInitUX();
            ++m_loadingTicks;
        } else if (msg.wParam == kRecoverTimer) {
            AnimationRecover();
        }
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_TEXTCHANGED) {
        EnterPauseDayEdit(msg);
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_LINK && msg.pSender != nullptr &&
               msg.pSender->GetName() == L"leftoverText") {
        // Values an earlier pause left are cleared the one way a pause is: by a resume.
        ResumeUpdates();
    }
}

void MainWindow::AnimationLoading() {
    if (m_progress == nullptr) {
        LOG_ERROR(L"progress control is null");
        return;
    }
    m_loadingFrame = m_loadingFrame < kLoadingFrames ? m_loadingFrame + 1 : 1;
    wchar_t image[kBufferChars]{};
    if (!LoadingFrameImage(m_loadingFrame, image)) {
        return;
    }
    const DuiLib::CDuiString shown = m_progress->GetBkImage();
    m_progress->SetBkImage(image);
    // A frame drawn before the strip had it went through the image cache; each shows once per
    // start, and kept decoded there the sixty would hold 13 MB for nothing.
    if (shown != kPauseCircleImage) {
        DuiLib::Render::ForgetImage(DuiLib::CPaintManagerUI::ResolveResourcePath(shown.GetData()));
    }
}

void MainWindow::AnimationRecover() {
    if (++m_recoverTicks < kRecoverTicks) {
        return;
    }
    m_recoverTicks = 0;
    // Blocks until the settings program has ended; the view changes only afterwards.
    if (!PauseWinUpdates::GetInstance().JumpWinUpdateUI()) {
        LOG_ERROR(L"Jump windows update sys UI fail!");
    }
    if (m_recoverTipLabel != nullptr) {
        m_recoverTipLabel->KillTimer(kRecoverTimer);
        m_recoverTipLabel->SetVisible(false);
    }
    SetPauseUX();
}

void MainWindow::SetInitUX() {
    if (m_loadingTicks < kLoadingTicks) {
        return;
    }
    PauseWinUpdates& engine = PauseWinUpdates::GetInstance();
    std::string endDate;
    const bool statusRead = engine.GetPauseStatus(endDate);
    const bool paused = engine.m_isPaused;
    if (m_progress == nullptr) {
        LOG_ERROR(L"m_progress is null");
        return;
    }
    m_progress->KillTimer(kLoadingTimer);
    m_progress->SetBkImage(kPauseCircleImage);
    m_progress->SetBkImageFrames({}); // the animation is over
    if (!statusRead) {
        LOG_ERROR(L"GetPauseStatus is fail");
        ShowConfirmWindow(LookUp(L"IDS_SYSTEM_RRROR").str());
        QuitApplication();
        return;
    }
    m_progress->SetVisible(false);
    for (DuiLib::CControlUI* layout :
         {static_cast<DuiLib::CControlUI*>(m_subtitleLayout), static_cast<DuiLib::CControlUI*>(m_optionLayout),
          static_cast<DuiLib::CControlUI*>(m_buttonLayout)}) {
        if (layout != nullptr) {
            layout->SetVisible(true);
        }
    }
    if (paused) {
        SetRecoverUX(endDate);
    } else {
        SetPauseUX();
    }
}

void MainWindow::ShowWindowsView(bool paused, const std::string& endTime) {
    auto* line = static_cast<DuiLib::CTextUI*>(m_pm.FindControl(L"windowsViewText"));
    if (line == nullptr) {
        return;
    }
    const std::wstring text =
        PauseRules::Describe(paused, endTime, WindowsPauseView::Read(), Seams::Time(), [](const wchar_t* key) {
            return LookUp(key).str();
        }).text;
    line->SetText(text.c_str());
    line->SetVisible(!text.empty());
}

void MainWindow::ShowPartsOfView(bool notPaused) {
    // The words around the days field go with it: hidden under the paused-until line they would
    // still be read out by a screen reader.
    if (DuiLib::CControlUI* group = m_pm.FindControl(L"pauseDaysGroup")) {
        group->SetVisible(notPaused);
    }
    if (DuiLib::CControlUI* leftovers = m_pm.FindControl(L"leftoverText")) {
        leftovers->SetVisible(notPaused && !PauseWinUpdates::GetInstance().LeftoverPauseValues().empty());
    }
}

void MainWindow::SetPauseUX() {
    if (m_pauseButton != nullptr) {
        m_pauseButton->SetVisible(true);
        m_pauseButton->SetEnabled(false);
    }
    if (m_pauseDayEdit != nullptr) {
        m_pauseDayEdit->SetText(L"");
        m_pauseDayEdit->SetVisible(true);
    }
    if (m_EditErrorText != nullptr) {
        m_EditErrorText->SetText(L"");
        m_EditErrorText->SetVisible(true);
    }
    for (DuiLib::CControlUI* control :
         {static_cast<DuiLib::CControlUI*>(m_pauseTips), m_recoverButton, m_recoverTipLabel}) {
        if (control != nullptr && control->IsVisible()) {
            control->SetVisible(false);
        }
    }
    ShowPartsOfView(true);
    ShowWindowsView(false, {});
}

void MainWindow::SetRecoverUX(const std::string& endDate) {
    const DuiLib::CDuiString format = LookUp(L"IDS_PAUSE_UPDATE_TIPS");
    const std::wstring date = AnsiToWide(endDate);
    // A translated text too long for the buffer is a failed format (-1), not the end of the process.
    wchar_t text[kBufferChars]{};
    if (!TakesOneDateAtMost(format.GetData()) ||
        _snwprintf_s(text, kBufferChars, _TRUNCATE, format.GetData(), date.c_str()) == -1) {
        LOG_ERROR(L"swprintf_s is fail");
        return;
    }
    if (m_pauseTips != nullptr) {
        m_pauseTips->SetText(text);
        m_pauseTips->SetVisible(true);
    }
    if (m_recoverButton != nullptr) {
        m_recoverButton->SetVisible(true);
    }
    for (DuiLib::CControlUI* control :
         {static_cast<DuiLib::CControlUI*>(m_pauseDayEdit), static_cast<DuiLib::CControlUI*>(m_EditErrorText),
          m_pauseButton, m_recoverTipLabel}) {
        if (control != nullptr && control->IsVisible()) {
            control->SetVisible(false);
        }
    }
    ShowPartsOfView(false);
    ShowWindowsView(true, PauseWinUpdates::GetInstance().m_pauseEndTime);
}

bool MainWindow::CheckEdit() {
    if (m_pauseDayEdit == nullptr || m_EditErrorText == nullptr) {
        LOG_ERROR(L"m_pauseDayEdit or m_EditErrorText is null!");
        return false;
    }
    const DuiLib::CDuiString text = m_pauseDayEdit->GetText();
    if (text.IsEmpty()) {
        m_EditErrorText->SetText(L"");
        return false;
    }
    if (PauseRules::IsAllowed(PauseRules::ReadTypedDays(text.str()))) {
        m_EditErrorText->SetText(L"");
        return true;
    }
    m_EditErrorText->SetText(LookUp(L"IDS_PAUSE_DAYS_ENTER_HINT"));
    return false;
}

void MainWindow::EnterPauseDayEdit(const DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender->GetName() != L"pauseDaysEdit") {
        return;
    }
    if (m_pauseButton == nullptr) {
        LOG_ERROR(L"m_pauseButton is null!");
        return;
    }
    m_pauseButton->SetEnabled(CheckEdit());
}

void MainWindow::ClickPauseButton() {
    if (m_pauseDayEdit == nullptr) {
        LOG_ERROR(L"m_pauseDayEdit is null!");
        return;
    }
    // The button is enabled only while the text holds 36 to 365, so the number is not checked again.
    const long days = PauseRules::ReadTypedDays(m_pauseDayEdit->GetText().str());
    std::string endDate;
    if (!PauseWinUpdates::GetInstance().DoPauseWinUpdate(static_cast<uint32_t>(days), endDate)) {
        LOG_ERROR(L"DoPauseWinUpdate fail!");
        ShowPauseFailWindow();
        return;
    }
    SetRecoverUX(endDate);
}

void MainWindow::ShowPauseFailWindow() {
    ShowConfirmWindow(LookUp(L"IDS_PAUSE_SET_FAIL").str());
}

void MainWindow::ShowConfirmWindow(const std::wstring& text) {
    ShowMessageOver(m_hWnd, text);
}

void MainWindow::ShowAboutForm() {
    const std::unique_ptr<AboutDialog> about(new (std::nothrow) AboutDialog());
    if (about == nullptr) {
        LOG_ERROR(L"create about dialog fail!");
        return;
    }
    (void)about->ShowModalOver(m_hWnd, L"CalmlockAboutWnd"); // how it was closed changes nothing here
}

void MainWindow::QuitApplication() {
    if (m_progress != nullptr) {
        m_progress->KillTimer(kLoadingTimer);
    }
    if (m_recoverTipLabel != nullptr) {
        m_recoverTipLabel->KillTimer(kRecoverTimer);
    }
    Close(1);
    PostQuitMessage(0);
}

} // namespace NvLullgate
