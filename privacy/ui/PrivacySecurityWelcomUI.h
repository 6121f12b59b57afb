// The first-run consent window: what the program does and keeps, the sentence with the links to
// the user agreement (first) and the privacy statement (second), and Cancel / Agree. Every text
// comes from the layout; the window only routes the links and turns the buttons into results.
#pragma once

#include "duilib/UIlib.h"

namespace NvPcPrivacySecurity {

class PrivacySecurityWelcomUI : public DuiLib::WindowImplBase {
public:
    PrivacySecurityWelcomUI() = default;
    ~PrivacySecurityWelcomUI() override;

    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFile() override;

private:
    void OnLink(const DuiLib::TNotifyUI& msg);

    DuiLib::CTextUI* m_privacyStatement = nullptr;
    DuiLib::CControlUI* m_agreedButton = nullptr;
    DuiLib::CControlUI* m_cancelButton = nullptr;
};

} // namespace NvPcPrivacySecurity
