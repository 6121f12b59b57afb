#include "privacy/ui/ChangeNoticationUI.h"

#include "common/StringConv.h"
#include "log/LogManager.h"
#include "privacy/LinkOpener.h"

#include <cstdio>
#include <string>

namespace NvPcPrivacySecurity {

namespace {

// Composed texts are made in a buffer of this many characters, terminator included.
constexpr size_t kTextBufferSize = 260;

// The string-table keys behind one mode's texts. A null title key keeps the layout's title.
struct ModeKeys {
    const wchar_t* titleKey;
    const wchar_t* argumentKey;
    const wchar_t* linkKey;
};

const ModeKeys* KeysFor(ChangeType type) {
    static constexpr ModeKeys kBoth{nullptr, L"IDS_PRIVACY_AND_USER_TEXT", L"IDS_CHANGE_PRIVACY_AND_USER_LINK"};
    static constexpr ModeKeys kPrivacy{L"IDS_PRIVACY_STAEMENT", L"IDS_PRIVACY_STAEMENT", L"IDS_CHANGE_PRIVACY_LINK"};
    static constexpr ModeKeys kUserAgreement{L"IDS_USERAGREEMENT", L"IDS_USERAGREEMENT",
                                             L"IDS_CHANGE_USER_AGREEMENT_LINK"};
    switch (type) {
    case ChangeBoth:
        return &kBoth;
    case ChangePrivacy:
        return &kPrivacy;
    case ChangeUserAgreement:
        return &kUserAgreement;
    default:
        return nullptr;
    }
}

DuiLib::CDuiString Text(const wchar_t* key) {
    return DuiLib::UICulture::GetInstance()->GetString(key);
}

// The formats are data from the skin, not code: any conversion other than the one text argument
// ("%s", or "%ls" which means the same on every runtime) and "%%" would read an argument that
// was never passed.
bool TakesOneTextAtMost(const std::wstring& format) {
    int texts = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') {
            continue;
        }
        const std::wstring_view rest = std::wstring_view(format).substr(i + 1);
        if (rest.starts_with(L"%")) {
            i += 1;
        } else if (rest.starts_with(L"s")) {
            ++texts;
            i += 1;
        } else if (rest.starts_with(L"ls")) {
            ++texts;
            i += 2;
        } else {
            return false;
        }
    }
    return texts <= 1;
}

// Formats the text of `formatKey` with `argument` into the fixed buffer. A result too long for it
// is cut, never allowed to overflow (the secure printf would end the process instead). False
// (logged) when the format is unusable; the control then keeps the layout's text.
bool ComposeText(const wchar_t* formatKey, const DuiLib::CDuiString& argument, std::wstring& text) {
    const DuiLib::CDuiString format = Text(formatKey);
    if (!TakesOneTextAtMost(format.str())) {
        LOG_WARN(L"format text is not usable, key: " << formatKey);
        return false;
    }
    wchar_t buffer[kTextBufferSize]{};
    if (_snwprintf_s(buffer, kTextBufferSize, _TRUNCATE, format.GetData(), argument.GetData()) < 0) {
        LOG_WARN(L"text cut to " << kTextBufferSize - 1 << L" characters, key: " << formatKey);
    }
    text = buffer;
    return true;
}

} // namespace

ChangeNoticationUI::~ChangeNoticationUI() = default;

const wchar_t* ChangeNoticationUI::GetWindowClassName() const {
    return L"ChangeNoticationUI";
}

DuiLib::CDuiString ChangeNoticationUI::GetSkinFile() {
    return L"layout\\ChangeNoticationUI.xml";
}

void ChangeNoticationUI::InitWindow() {
    SetWindowTextW(m_hWnd, L"ChangeNotication");
    m_btnAgree = m_pm.FindControl(L"btnAgree");
    m_btnCancel = m_pm.FindControl(L"btnCancel");
    m_title = m_pm.FindControl(L"changeNotificationTitle");
    m_description = m_pm.FindControl(L"changeNotificationDes");
    m_notificationDetail = m_pm.FindControl(L"changeNotificationDetail");
    m_currentDetail = m_pm.FindControl(L"changeCurrentDetail");
    if (m_btnAgree == nullptr || m_btnCancel == nullptr || m_title == nullptr || m_notificationDetail == nullptr ||
        m_currentDetail == nullptr) {
        // A broken skin shows its own texts; the window can still be declined.
        LOG_ERROR(L"change notification control is null!");
        return;
    }
    SetTexts();
}

void ChangeNoticationUI::SetTexts() {
    const ModeKeys* keys = KeysFor(m_changeType);
    if (keys == nullptr) {
        return;
    }
    if (keys->titleKey != nullptr) {
        m_title->SetText((Text(keys->titleKey) + Text(L"IDS_CHANGE_NOTICATION")).GetData());
    }
    std::wstring text;
    if (ComposeText(L"IDS_CHANGE_NOTICATION_DES", Text(keys->argumentKey), text) && m_description != nullptr) {
        m_description->SetText(text.c_str());
    }
    if (ComposeText(L"IDS_CHANGE_CURRENT_DETAILS_LINK", Text(keys->linkKey), text)) {
        m_currentDetail->SetText(text.c_str());
    }
}

void ChangeNoticationUI::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.sType == DuiLib::DUI_MSGTYPE_CLICK) {
        OnClick(msg);
    } else if (msg.sType == DuiLib::DUI_MSGTYPE_LINK) {
        OnLink(msg);
    }
}

void ChangeNoticationUI::OnClick(DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"btnCancel") {
        Close(kResultCancel);
    } else if (name == L"btnAgree") {
        Close(kResultAgree);
    }
}

void ChangeNoticationUI::OnLink(const DuiLib::TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const DuiLib::CDuiString name = msg.pSender->GetName();
    if (name == L"changeCurrentDetail") {
        auto* current = m_pm.FindControlAs<DuiLib::CTextUI>(L"changeCurrentDetail", L"Text");
        if (current == nullptr) {
            return;
        }
        // A single-document line has one link, to that document; the line for both names the
        // privacy statement first and the user agreement second.
        switch (current->GetLinkContentIndex(msg.ptMouse)) {
        case 0:
            (void)(m_changeType == ChangeUserAgreement ? OpenUserAgreement() : OpenPrivacyStatement());
            break;
        case 1:
            (void)OpenUserAgreement();
            break;
        default:
            break;
        }
    } else if (name == L"changeNotificationDetail") {
        std::string url;
        if (ReadUrlConfig(kChangeNoticeKey, url)) {
            (void)OpenLink(BrowserPath(), AnsiToWide(url));
        }
    }
}

} // namespace NvPcPrivacySecurity
