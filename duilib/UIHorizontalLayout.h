// CHorizontalLayoutUI: children left to right; fixed widths first, the free width shared by the
// rest, and across the line they sit as childvalign says.
#pragma once

#include "duilib/UIContainer.h"

namespace DuiLib {

class CHorizontalLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;
    void SetPos(RECT rc) override;
};

} // namespace DuiLib
