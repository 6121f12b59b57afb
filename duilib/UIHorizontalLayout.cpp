#include "duilib/UIHorizontalLayout.h"

#include <cwchar>

namespace DuiLib {

const wchar_t* CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"HorizontalLayout") == 0 ? this : CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
    SetPosInLine(rc, false);
}

} // namespace DuiLib
