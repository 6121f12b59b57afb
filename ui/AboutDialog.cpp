#include "ui/AboutDialog.h"

namespace NvLullgate {

const wchar_t* AboutDialog::GetWindowClassName() const {
    return L"CalmlockAboutWndUI";
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::OnClick(DuiLib::TNotifyUI& msg) {
    if (msg.pSender != nullptr && msg.pSender->GetName() == L"aboutWndCloseButton") {
        Close(1);
    }
}

DuiLib::CDuiString AboutDialog::GetSkinFile() {
    return L"layout\\about.xml";
}

} // namespace NvLullgate
