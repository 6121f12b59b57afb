// The change notice: shown instead of the first-run window when the user agreed to an older
// version of one or both documents. Its title, description and current-documents line are
// composed from the string table for the mode; "See what changed" opens the notice of changes.
#pragma once

#include "duilib/UIlib.h"
#include "privacy/ui/PrivacySecurityApi.h"

namespace NvPcPrivacySecurity {

class ChangeNoticationUI : public DuiLib::WindowImplBase {
public:
    explicit ChangeNoticationUI(ChangeType type) : m_changeType(type) {}
    ~ChangeNoticationUI() override;

    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFile() override;

private:
    void SetTexts();
    void OnLink(const DuiLib::TNotifyUI& msg);

    ChangeType m_changeType;
    DuiLib::CControlUI* m_btnAgree = nullptr;
    DuiLib::CControlUI* m_btnCancel = nullptr;
    DuiLib::CControlUI* m_title = nullptr;
    DuiLib::CControlUI* m_description = nullptr;
    DuiLib::CControlUI* m_notificationDetail = nullptr;
    DuiLib::CControlUI* m_currentDetail = nullptr;
};

} // namespace NvPcPrivacySecurity
