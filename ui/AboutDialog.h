// The about window: product name and version, the links to the user agreement and the privacy
// statement, the local open-source notice, and the withdrawal of consent, which after a
// confirmation deletes the consent record and ends the program. The main window creates it
// ("CalmlockAboutWnd"), centres it over itself, shows it modally and deletes it afterwards.
#pragma once

#include "duilib/UIlib.h"

namespace NvLullgate {

class AboutDialog : public DuiLib::WindowImplBase {
public:
    AboutDialog() = default;
    ~AboutDialog() override;

    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFile() override;

private:
    void OnLink(const DuiLib::TNotifyUI& msg);
    void ShowOpenSourceSoftwareNotice();
    void ShowStopServiceConfirmWindow();

    DuiLib::CTextUI* m_privacyLink = nullptr;
    DuiLib::CControlUI* m_stopServices = nullptr;
};

} // namespace NvLullgate
