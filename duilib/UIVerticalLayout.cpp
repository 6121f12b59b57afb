#include "duilib/UIVerticalLayout.h"

#include <cwchar>

namespace DuiLib {

const wchar_t* CVerticalLayoutUI::GetClass() const {
    return L"VerticalLayout";
}

void* CVerticalLayoutUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"VerticalLayout") == 0 ? this : CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
    SetPosInLine(rc, true);
}

} // namespace DuiLib
