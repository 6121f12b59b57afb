// The confirmation before consent is withdrawn: says that the program deletes its consent record
// and closes, and offers Cancel (the default) and Withdraw. The about window shows it and acts on
// its result; every text comes from the layout.
#pragma once

#include "duilib/UIlib.h"

namespace NvPcPrivacySecurity {

class StopServiceConfirmUI : public DuiLib::WindowImplBase {
public:
    StopServiceConfirmUI() = default;
    ~StopServiceConfirmUI() override;

    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFile() override;

private:
    DuiLib::CControlUI* m_cancelButton = nullptr;
    DuiLib::CControlUI* m_confirmButton = nullptr;
};

} // namespace NvPcPrivacySecurity
