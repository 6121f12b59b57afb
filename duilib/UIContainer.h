// CContainerUI: a control that owns children. A plain container stacks them over its whole inner
// area; the vertical and horizontal layouts (UIVerticalLayout.h, UIHorizontalLayout.h) line them up
// with the line layout here, fixed sizes first and the free space shared by the rest. Children with
// float="true" sit at their "pos" relative to the container (absolute placement).
#pragma once

#include "duilib/UIControl.h"

#include <memory>
#include <vector>

namespace DuiLib {

class CContainerUI : public CControlUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    const wchar_t* GetClass() const override;
    void* GetInterface(const wchar_t* pstrName) override;

    CControlUI* GetItemAt(int iIndex) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Takes the control (made with new, as IDialogBuilderCallback::CreateControl makes them) into
    // this container, which owns it from then on; false, with nothing taken, for null.
    [[nodiscard]] bool Add(CControlUI* pControl);
    // Removes and deletes the child; false when it is not a child of this container.
    [[nodiscard]] bool Remove(CControlUI* pControl);
    void RemoveAll();

    RECT GetInset() const { return m_rcInset; }
    void SetInset(RECT rc);
    int GetChildPadding() const { return m_iChildPadding; }

    void SetPos(RECT rc) override;
    void SetVisible(bool bVisible = true) override;
    void SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent) override;
    CControlUI* FindControlAt(POINT pt) override;
    CControlUI* FindControlByName(const wchar_t* pstrName) override;
    void CollectControls(std::vector<CControlUI*>& controls) override;
    void DoPaint(Gdiplus::Graphics& g, const RECT& rcPaint) override;
    void OnDpiChanged() override;

protected:
    // Inner rectangle in pixels: the item less the inset.
    RECT InnerRect() const;
    void PlaceFloat(CControlUI* child, const RECT& inner);
    // Lays the children out in one line, top to bottom (vertical) or left to right, fixed lengths
    // first and the free space shared by the rest; across the line they sit as childalign/childvalign say.
    void SetPosInLine(RECT rc, bool vertical);
    enum class ChildAlign { Start, Center, End };

    // The children, owned: a control belongs to exactly one container, or is a window's root.
    std::vector<std::unique_ptr<CControlUI>> m_items;
    RECT m_rcInset{};
    int m_iChildPadding = 0;
    ChildAlign m_childAlign = ChildAlign::Start;  // across a vertical layout
    ChildAlign m_childVAlign = ChildAlign::Start; // across a horizontal layout
};

} // namespace DuiLib
