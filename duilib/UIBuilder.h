// Builds a control tree from an XML layout: the <Window> element's attributes go to the window's
// manager, <Font>, <Style> and <Default> elements define shared settings, and every other element
// becomes a control whose attributes go, in document order, to its SetAttribute.
#pragma once

#include "duilib/UIControl.h"

#include <memory>

namespace DuiLib {

class CPaintManagerUI;

class CDialogBuilder {
public:
    // `xml` is a layout file relative to the resource folder (or absolute), or the layout text
    // itself when it begins with '<'. Without `pParent` it returns the root control, which the
    // caller owns (AttachDialog hands it to a manager); with one (a container) the controls are
    // added to it and the first is returned. Null when the layout cannot be read.
    CControlUI* Create(const wchar_t* xml, IDialogBuilderCallback* pCallback = nullptr,
                       CPaintManagerUI* pManager = nullptr, CControlUI* pParent = nullptr);
    // Why the last Create failed ("" after success).
    const CDuiString& GetLastErrorMessage() const { return m_error; }

    // Makes a control of a known class ("Button", "Text", ...); null for unknown names.
    static std::unique_ptr<CControlUI> CreateControlByClass(const wchar_t* className);

private:
    CDuiString m_error;
};

} // namespace DuiLib
