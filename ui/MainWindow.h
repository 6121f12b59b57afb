// The main window: about a second of loading animation, then the pause status read from the pause
// engine, shown as a days field with a pause button (not paused) or the day updates are paused
// until with a resume button (paused). Registry work belongs to the engine; failures are shown in
// the message window. Closing this window ends the program.
#pragma once

#include "duilib/UIlib.h"

#include <cstdint>
#include <string>

namespace NvLullgate {

struct MainWindowTestAccess;

class MainWindow : public DuiLib::WindowImplBase {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

protected:
    const wchar_t* GetWindowClassName() const override;

public:
    ~MainWindow() override;
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

public:
    void Notify(DuiLib::TNotifyUI& msg) override;

private:
    void AnimationLoading();
    // One tick of the delay between a resume and the opening of the settings page.
    void AnimationRecover();
    void SetInitUX();
    void SetPauseUX();
    void SetRecoverUX(const std::string& endDate);
    [[nodiscard]] bool CheckEdit();
    void EnterPauseDayEdit(const DuiLib::TNotifyUI& msg);
    void ClickPauseButton();
    void ShowPauseFailWindow();
    void ShowConfirmWindow(const std::wstring& text);
    void ShowAboutForm();
    void QuitApplication();
    // The line under the status about Windows' own view of the pause: days left and what Windows
    // says, read afresh each time a view is set; empty and hidden when there is nothing to say.
    void ShowWindowsView(bool paused, const std::string& endTime);
    // The parts of the not-paused view beyond the ten controls: the words around the days field,
    // and the line about values an earlier pause left (only when there are such values).
    void ShowPartsOfView(bool notPaused);
    // Removes the pause (or what an earlier one left) and starts the delay before the settings
    // page opens; a failure is shown in the message window.
    void ResumeUpdates();

    // Owned by the window's manager; null until found in InitWindow.
    DuiLib::CControlUI* m_pauseButton = nullptr;
    DuiLib::CControlUI* m_recoverButton = nullptr;
    DuiLib::CControlUI* m_recoverTipLabel = nullptr;
    DuiLib::CControlUI* m_progress = nullptr;
    DuiLib::CEditUI* m_pauseDayEdit = nullptr;
    DuiLib::CTextUI* m_pauseTips = nullptr;
    DuiLib::CTextUI* m_EditErrorText = nullptr;
    DuiLib::CContainerUI* m_optionLayout = nullptr;
    DuiLib::CContainerUI* m_subtitleLayout = nullptr;
    DuiLib::CContainerUI* m_buttonLayout = nullptr;
    int32_t m_loadingFrame = 0;
    int32_t m_loadingTicks = 0;
    int32_t m_recoverTicks = 0;

    friend struct MainWindowTestAccess;
};

} // namespace NvLullgate
