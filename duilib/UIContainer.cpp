#include "duilib/UIContainer.h"

#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"

#include <algorithm>
#include <cwchar>

namespace DuiLib {

CContainerUI::~CContainerUI() {
    RemoveAll();
}

const wchar_t* CContainerUI::GetClass() const {
    return L"Container";
}

void* CContainerUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Container") == 0 ? this : CControlUI::GetInterface(pstrName);
}

CControlUI* CContainerUI::GetItemAt(int iIndex) const {
    if (iIndex < 0 || iIndex >= GetCount()) {
        return nullptr;
    }
    return m_items[static_cast<size_t>(iIndex)];
}

bool CContainerUI::Add(CControlUI* pControl) {
    if (pControl == nullptr) {
        return false;
    }
    pControl->SetManager(m_pManager, this);
    m_items.push_back(pControl);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl) {
    auto it = std::find(m_items.begin(), m_items.end(), pControl);
    if (it == m_items.end()) {
        return false;
    }
    m_items.erase(it);
    delete pControl;
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(m_items);
    for (CControlUI* item : items) {
        delete item;
    }
    NeedUpdate();
}

void CContainerUI::SetInset(RECT rc) {
    m_rcInset = rc;
    NeedUpdate();
}

RECT CContainerUI::InnerRect() const {
    RECT rc = m_rcItem;
    if (m_pManager != nullptr) {
        rc.left += m_pManager->Scale(m_rcInset.left);
        rc.top += m_pManager->Scale(m_rcInset.top);
        rc.right -= m_pManager->Scale(m_rcInset.right);
        rc.bottom -= m_pManager->Scale(m_rcInset.bottom);
    }
    return rc;
}

void CContainerUI::PlaceFloat(CControlUI* child, const RECT& inner) {
    // Float positions are relative to the container's own rectangle, not its inset.
    (void)inner;
    const RECT pos = child->GetFloatPos();
    const SIZE fixed = child->EstimateSize(SIZE{});
    RECT rc;
    rc.left = m_rcItem.left + m_pManager->Scale(pos.left);
    rc.top = m_rcItem.top + m_pManager->Scale(pos.top);
    rc.right = pos.right > pos.left ? m_rcItem.left + m_pManager->Scale(pos.right) : rc.left + fixed.cx;
    rc.bottom = pos.bottom > pos.top ? m_rcItem.top + m_pManager->Scale(pos.bottom) : rc.top + fixed.cy;
    child->SetPos(rc);
}

void CContainerUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_pManager == nullptr) {
        return;
    }
    const RECT inner = InnerRect();
    for (CControlUI* child : m_items) {
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloat(child, inner);
            continue;
        }
        const RECT pad = child->GetPadding();
        RECT rcChild{inner.left + m_pManager->Scale(pad.left), inner.top + m_pManager->Scale(pad.top),
                     inner.right - m_pManager->Scale(pad.right), inner.bottom - m_pManager->Scale(pad.bottom)};
        const SIZE sz = child->EstimateSize(SIZE{rcChild.right - rcChild.left, rcChild.bottom - rcChild.top});
        if (sz.cx > 0) {
            rcChild.right = rcChild.left + sz.cx;
        }
        if (sz.cy > 0) {
            rcChild.bottom = rcChild.top + sz.cy;
        }
        child->SetPos(rcChild);
    }
}

void CContainerUI::SetVisible(bool bVisible) {
    CControlUI::SetVisible(bVisible);
}

void CContainerUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    if (wcscmp(pstrName, L"inset") == 0) {
        SetInset(Markup::ParseRect(pstrValue));
    } else if (wcscmp(pstrName, L"childpadding") == 0) {
        m_iChildPadding = _wtoi(pstrValue);
        NeedUpdate();
    } else if (wcscmp(pstrName, L"childalign") == 0) {
        m_childAlign = wcscmp(pstrValue, L"center") == 0  ? ChildAlign::Center
                       : wcscmp(pstrValue, L"right") == 0 ? ChildAlign::End
                                                          : ChildAlign::Start;
        NeedUpdate();
    } else if (wcscmp(pstrName, L"childvalign") == 0) {
        m_childVAlign = wcscmp(pstrValue, L"vcenter") == 0 || wcscmp(pstrValue, L"center") == 0 ? ChildAlign::Center
                        : wcscmp(pstrValue, L"bottom") == 0                                     ? ChildAlign::End
                                                                                                : ChildAlign::Start;
        NeedUpdate();
    } else {
        CControlUI::SetAttribute(pstrName, pstrValue);
    }
}

void CContainerUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
    CControlUI::SetManager(pManager, pParent);
    for (CControlUI* child : m_items) {
        child->SetManager(pManager, this);
    }
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!m_bVisible || !PtInRect(&m_rcItem, pt)) {
        return nullptr;
    }
    // Later children are drawn on top, so they are asked first.
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (CControlUI* found = (*it)->FindControlAt(pt)) {
            return found;
        }
    }
    return this;
}

CControlUI* CContainerUI::FindControlByName(const wchar_t* pstrName) {
    if (m_sName == pstrName) {
        return this;
    }
    for (CControlUI* child : m_items) {
        if (CControlUI* found = child->FindControlByName(pstrName)) {
            return found;
        }
    }
    return nullptr;
}

void CContainerUI::CollectControls(std::vector<CControlUI*>& controls) {
    controls.push_back(this);
    for (CControlUI* child : m_items) {
        child->CollectControls(controls);
    }
}

void CContainerUI::DoPaint(Gdiplus::Graphics& g, const RECT& rcPaint) {
    RECT overlap{};
    if (!IntersectRect(&overlap, &rcPaint, &m_rcItem)) {
        return;
    }
    CControlUI::DoPaint(g, rcPaint);
    Gdiplus::Region saved;
    g.GetClip(&saved);
    g.IntersectClip(
        Gdiplus::Rect(overlap.left, overlap.top, overlap.right - overlap.left, overlap.bottom - overlap.top));
    for (CControlUI* child : m_items) {
        if (child->IsVisible()) {
            child->DoPaint(g, overlap);
        }
    }
    g.SetClip(&saved);
}

void CContainerUI::OnDpiChanged() {
    for (CControlUI* child : m_items) {
        child->OnDpiChanged();
    }
}

// ---- vertical ----

const wchar_t* CVerticalLayoutUI::GetClass() const {
    return L"VerticalLayout";
}

void* CVerticalLayoutUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"VerticalLayout") == 0 ? this : CContainerUI::GetInterface(pstrName);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_pManager == nullptr) {
        return;
    }
    const RECT inner = InnerRect();
    const int innerWidth = inner.right - inner.left;
    const int gap = m_pManager->Scale(m_iChildPadding);

    // First pass: fixed heights and margins; the rest share what is left.
    int fixedTotal = 0;
    int flexible = 0;
    int placed = 0;
    for (CControlUI* child : m_items) {
        if (!child->IsVisible() || child->IsFloat()) {
            continue;
        }
        const RECT pad = child->GetPadding();
        const SIZE sz =
            child->EstimateSize(SIZE{innerWidth - m_pManager->Scale(pad.left) - m_pManager->Scale(pad.right), 0});
        fixedTotal += m_pManager->Scale(pad.top) + m_pManager->Scale(pad.bottom);
        if (sz.cy > 0) {
            fixedTotal += sz.cy;
        } else {
            ++flexible;
        }
        ++placed;
    }
    if (placed > 1) {
        fixedTotal += gap * (placed - 1);
    }
    const int freeSpace = std::max(0, static_cast<int>(inner.bottom - inner.top) - fixedTotal);
    int remainingFlexible = flexible;
    int remainingSpace = freeSpace;

    int y = inner.top;
    for (CControlUI* child : m_items) {
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloat(child, inner);
            continue;
        }
        const RECT pad = child->GetPadding();
        const int availableWidth = innerWidth - m_pManager->Scale(pad.left) - m_pManager->Scale(pad.right);
        const SIZE sz = child->EstimateSize(SIZE{availableWidth, 0});
        int height = sz.cy;
        if (height <= 0) {
            height = remainingFlexible > 0 ? remainingSpace / remainingFlexible : 0;
            const SIZE mn = child->GetMinSize();
            const SIZE mx = child->GetMaxSize();
            height = std::clamp(height, m_pManager->Scale(mn.cy),
                                std::max(m_pManager->Scale(mn.cy), m_pManager->Scale(mx.cy)));
            remainingSpace -= height;
            --remainingFlexible;
        }
        int width = sz.cx > 0 ? std::min(static_cast<int>(sz.cx), availableWidth) : availableWidth;
        int left = inner.left + m_pManager->Scale(pad.left);
        if (m_childAlign == ChildAlign::Center) {
            left += (availableWidth - width) / 2;
        } else if (m_childAlign == ChildAlign::End) {
            left += availableWidth - width;
        }
        y += m_pManager->Scale(pad.top);
        child->SetPos(RECT{left, y, left + width, y + height});
        y += height + m_pManager->Scale(pad.bottom) + gap;
    }
}

// ---- horizontal ----

const wchar_t* CHorizontalLayoutUI::GetClass() const {
    return L"HorizontalLayout";
}

void* CHorizontalLayoutUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"HorizontalLayout") == 0 ? this : CContainerUI::GetInterface(pstrName);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    if (m_pManager == nullptr) {
        return;
    }
    const RECT inner = InnerRect();
    const int innerHeight = inner.bottom - inner.top;
    const int gap = m_pManager->Scale(m_iChildPadding);

    int fixedTotal = 0;
    int flexible = 0;
    int placed = 0;
    for (CControlUI* child : m_items) {
        if (!child->IsVisible() || child->IsFloat()) {
            continue;
        }
        const RECT pad = child->GetPadding();
        const SIZE sz =
            child->EstimateSize(SIZE{0, innerHeight - m_pManager->Scale(pad.top) - m_pManager->Scale(pad.bottom)});
        fixedTotal += m_pManager->Scale(pad.left) + m_pManager->Scale(pad.right);
        if (sz.cx > 0) {
            fixedTotal += sz.cx;
        } else {
            ++flexible;
        }
        ++placed;
    }
    if (placed > 1) {
        fixedTotal += gap * (placed - 1);
    }
    int remainingSpace = std::max(0, static_cast<int>(inner.right - inner.left) - fixedTotal);
    int remainingFlexible = flexible;

    int x = inner.left;
    for (CControlUI* child : m_items) {
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloat(child, inner);
            continue;
        }
        const RECT pad = child->GetPadding();
        const int availableHeight = innerHeight - m_pManager->Scale(pad.top) - m_pManager->Scale(pad.bottom);
        const SIZE sz = child->EstimateSize(SIZE{0, availableHeight});
        int width = sz.cx;
        if (width <= 0) {
            width = remainingFlexible > 0 ? remainingSpace / remainingFlexible : 0;
            const SIZE mn = child->GetMinSize();
            const SIZE mx = child->GetMaxSize();
            width = std::clamp(width, m_pManager->Scale(mn.cx),
                               std::max(m_pManager->Scale(mn.cx), m_pManager->Scale(mx.cx)));
            remainingSpace -= width;
            --remainingFlexible;
        }
        const int height = sz.cy > 0 ? std::min(static_cast<int>(sz.cy), availableHeight) : availableHeight;
        int top = inner.top + m_pManager->Scale(pad.top);
        if (m_childVAlign == ChildAlign::Center) {
            top += (availableHeight - height) / 2;
        } else if (m_childVAlign == ChildAlign::End) {
            top += availableHeight - height;
        }
        x += m_pManager->Scale(pad.left);
        child->SetPos(RECT{x, top, x + width, top + height});
        x += width + m_pManager->Scale(pad.right) + gap;
    }
}

} // namespace DuiLib
