#include "ui/AboutDialog.h"

#include "appcommon/Common.h"
#include "common/ModulePath.h"
#include "common/StringConv.h"
#include "log/LogManager.h"
#include "privacy/LinkOpener.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "privacy/ui/PrivacySecurityApi.h"
#include "privacy/ui/StopServiceConfirmUI.h"

#include <memory>
#include <new>

namespace NvLullgate {

namespace {

constexpr wchar_t kNoticeFile[] = L"res\\Notice\\OpenSourceSoftwareNotice.htm";

} // namespace

AboutDialog::~AboutDialog() = default;

const wchar_t* AboutDialog::GetWindowClassName() const {
    return L"CalmlockAboutWndUI";
}

DuiLib::CDuiString AboutDialog::GetSkinFile() {
    return L"layout\\about.xml";
}

void AboutDialog::InitWindow() {
    DuiLib::CControlUI* version = m_pm.FindControl(L"toolVersion");
    if (version == nullptr) {
        LOG_ERROR(L"version control is null!");
        return;
    }
    // The layout holds the words before the version ("Version "); the number is read at run time.
    const std::wstring appVersion = AnsiToWide(Common::GetAppVersion());
    if (!appVersion.empty()) {
        version->SetText((version->GetText() + appVersion.c_str()).GetData());
    }
    m_privacyLink = m_pm.FindControlAs<DuiLib::CTextUI>(L"AboutPrivacyStatement", L"Text");
    m_stopServices = m_pm.FindControl(L"StopServices");
    if (m_privacyLink == nullptr || m_stopServices == nullptr) {
        LOG_ERROR(L"about UI control is null!");
    }
}

void AboutDialog::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_LINK) {
        OnLink(msg);
    }
}

void AboutDialog::OnClick(DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"aboutWndCloseButton") {
        Close(1);
    } else if (name == L"StopServices") {
        ShowStopServiceConfirmWindow();
    }
}

void AboutDialog::OnLink(const DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"AboutPrivacyStatement") {
        if (m_privacyLink == nullptr) {
            return;
        }
        // A link missing from the configuration simply does nothing.
        switch (m_privacyLink->GetLinkContentIndex(msg.ptMouse)) {
        case 0:
            (void)NvPcPrivacySecurity::OpenUserAgreement();
            break;
        case 1:
            (void)NvPcPrivacySecurity::OpenPrivacyStatement();
            break;
        default:
            break;
        }
    } else if (name == L"openSourceStatement") {
        ShowOpenSourceSoftwareNotice();
    }
}

void AboutDialog::ShowOpenSourceSoftwareNotice() {
    const std::wstring path = BesideExePath(kNoticeFile);
    if (path.empty()) {
        LOG_ERROR(L"get open source software notice file path fail!");
        return;
    }
    if (!IsExistingFile(path.c_str())) {
        LOG_ERROR(L"open source software notice file is not exist!");
        return;
    }
    if (!NvPcPrivacySecurity::OpenLink(NvPcPrivacySecurity::BrowserPath(), path)) {
        LOG_ERROR(L"open open source software notice file fail!");
    }
}

void AboutDialog::ShowStopServiceConfirmWindow() {
    UINT result = 0;
    {
        const std::unique_ptr<NvPcPrivacySecurity::StopServiceConfirmUI> confirm(
            new (std::nothrow) NvPcPrivacySecurity::StopServiceConfirmUI);
        if (!confirm) {
            LOG_ERROR(L"create confirm window fail");
            return;
        }
        result = confirm->ShowModalOver(m_hWnd, L"StopServiceConfirm");
    }
    if (result != NvPcPrivacySecurity::kResultAgree) {
        return;
    }
    // Withdrawal ends the program in the same click: the record goes, this window closes, and
    // the quit message ends the main loop, so the next start asks for consent again. A failed
    // delete is logged where it happens; the user asked to leave, so the program still ends.
    (void)NvPcPrivacySecurity::OptPrivacySecurityReg::DeletToolPriacyStatusReg();
    Close(1);
    PostQuitMessage(0);
}

} // namespace NvLullgate
