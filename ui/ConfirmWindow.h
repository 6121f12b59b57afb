// The message window: one text handed in by its creator (already looked up) and one confirm button
// that closes it with 6. Shown modally over the window that has something to tell the user.
#pragma once

#include "duilib/UIlib.h"

#include <string>

class ConfirmWindow : public DuiLib::WindowImplBase {
public:
    explicit ConfirmWindow(const std::wstring& message);
    ~ConfirmWindow() override;

    void InitWindow() override;
    void Notify(DuiLib::TNotifyUI& msg) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    DuiLib::CDuiString GetSkinFile() override;

private:
    std::wstring m_message;
};

namespace NvLullgate {
// Shows `text` in the message window, modally over `owner` (centred on the screen without one).
void ShowMessageOver(HWND owner, const std::wstring& text);
// The message that a document could not be opened for the user, naming where it is.
void TellLinkNotOpened(const std::wstring& address);
} // namespace NvLullgate
