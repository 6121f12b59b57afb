// The about window, opened modally from the main window. For now it shows the product name and a
// close button; the version, the document links and the withdrawal of consent come with the full
// window.
#pragma once

#include "duilib/UIlib.h"

namespace NvLullgate {

class AboutDialog : public DuiLib::WindowImplBase {
public:
    AboutDialog() = default;

protected:
    const wchar_t* GetWindowClassName() const override;

public:
    ~AboutDialog() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

protected:
    DuiLib::CDuiString GetSkinFile() override;
};

} // namespace NvLullgate
