// CVerticalLayoutUI: children top to bottom; fixed heights first, the free height shared by the
// rest, and across the line they sit as childalign says.
#pragma once

#include "duilib/UIContainer.h"

namespace DuiLib {

class CVerticalLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;
    void SetPos(RECT rc) override;
};

} // namespace DuiLib
