#include "duilib/UIContainer.h"

#include "duilib/UILimits.h"
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
    return m_items[static_cast<size_t>(iIndex)].get();
}

bool CContainerUI::Add(CControlUI* pControl) {
    if (pControl == nullptr) {
        return false;
    }
    pControl->SetManager(m_pManager, this);
    m_items.emplace_back(pControl);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* pControl) {
    auto it = std::find_if(m_items.begin(), m_items.end(),
                           [pControl](const std::unique_ptr<CControlUI>& item) { return item.get() == pControl; });
    if (it == m_items.end()) {
        return false;
    }
    // Out of the list first: while the child goes, the tree no longer reaches it.
    std::unique_ptr<CControlUI> removed = std::move(*it);
    m_items.erase(it);
    removed.reset();
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    // The children leave the list before they are deleted, as in Remove.
    std::vector<std::unique_ptr<CControlUI>> items;
    items.swap(m_items);
    items.clear();
    NeedUpdate();
}

void CContainerUI::SetInset(RECT rc) {
    m_rcInset = rc;
    NeedUpdate();
}

RECT CContainerUI::InnerRect() const {
    return ItemRectLess(m_rcInset);
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
    for (const auto& child : m_items) {
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloat(child.get(), inner);
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
        m_iChildPadding = Markup::ParseInt(pstrValue);
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
    for (const auto& child : m_items) {
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
    for (const auto& child : m_items) {
        if (CControlUI* found = child->FindControlByName(pstrName)) {
            return found;
        }
    }
    return nullptr;
}

void CContainerUI::CollectControls(std::vector<CControlUI*>& controls) {
    controls.push_back(this);
    for (const auto& child : m_items) {
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
    for (const auto& child : m_items) {
        if (child->IsVisible()) {
            child->DoPaint(g, overlap);
        }
    }
    g.SetClip(&saved);
}

void CContainerUI::OnDpiChanged() {
    for (const auto& child : m_items) {
        child->OnDpiChanged();
    }
}

namespace {

// Reads and builds rectangles and sizes along a line of children ("main", top to bottom in a
// vertical layout, left to right in a horizontal one) and across it ("cross"), so that one layout
// routine serves both orientations.
struct LineAxis {
    bool vertical;

    int MainStart(const RECT& r) const { return vertical ? r.top : r.left; }
    int MainEnd(const RECT& r) const { return vertical ? r.bottom : r.right; }
    int CrossStart(const RECT& r) const { return vertical ? r.left : r.top; }
    int CrossEnd(const RECT& r) const { return vertical ? r.right : r.bottom; }
    int Main(SIZE s) const { return vertical ? s.cy : s.cx; }
    int Cross(SIZE s) const { return vertical ? s.cx : s.cy; }
    SIZE MakeSize(int main, int cross) const { return vertical ? SIZE{cross, main} : SIZE{main, cross}; }
    RECT MakeRect(int main, int cross, int mainLength, int crossLength) const {
        return vertical ? RECT{cross, main, cross + crossLength, main + mainLength}
                        : RECT{main, cross, main + mainLength, cross + crossLength};
    }
};

} // namespace

void CContainerUI::SetPosInLine(RECT rc, bool vertical) {
    CControlUI::SetPos(rc);
    if (m_pManager == nullptr) {
        return;
    }
    const LineAxis axis{vertical};
    const RECT inner = InnerRect();
    const int innerCross = axis.CrossEnd(inner) - axis.CrossStart(inner);
    const int gap = m_pManager->Scale(m_iChildPadding);
    const ChildAlign align = vertical ? m_childAlign : m_childVAlign;
    // Room across the line for a child: the inner area less the child's margins on both sides.
    auto crossRoom = [&](const RECT& pad) {
        return innerCross - m_pManager->Scale(axis.CrossStart(pad)) - m_pManager->Scale(axis.CrossEnd(pad));
    };

    // First pass: fixed lengths and margins; the rest share what is left.
    // Sums over many children in long long: each length is bounded, their count is not.
    long long fixedTotal = 0;
    int flexible = 0;
    int placed = 0;
    for (const auto& child : m_items) {
        if (!child->IsVisible() || child->IsFloat()) {
            continue;
        }
        const RECT pad = child->GetPadding();
        const SIZE sz = child->EstimateSize(axis.MakeSize(0, crossRoom(pad)));
        fixedTotal += m_pManager->Scale(axis.MainStart(pad)) + m_pManager->Scale(axis.MainEnd(pad));
        if (axis.Main(sz) > 0) {
            fixedTotal += axis.Main(sz);
        } else {
            ++flexible;
        }
        ++placed;
    }
    if (placed > 1) {
        fixedTotal += static_cast<long long>(gap) * (placed - 1);
    }
    int remainingSpace = static_cast<int>(
        std::clamp(axis.MainEnd(inner) - axis.MainStart(inner) - fixedTotal, 0LL, 2LL * Limits::kMaxCoordinate));
    int remainingFlexible = flexible;

    long long pos = axis.MainStart(inner);
    for (const auto& child : m_items) {
        if (!child->IsVisible()) {
            continue;
        }
        if (child->IsFloat()) {
            PlaceFloat(child.get(), inner);
            continue;
        }
        const RECT pad = child->GetPadding();
        const int available = crossRoom(pad);
        const SIZE sz = child->EstimateSize(axis.MakeSize(0, available));
        int length = axis.Main(sz);
        if (length <= 0) {
            length = remainingFlexible > 0 ? remainingSpace / remainingFlexible : 0;
            const int mn = m_pManager->Scale(axis.Main(child->GetMinSize()));
            const int mx = m_pManager->Scale(axis.Main(child->GetMaxSize()));
            length = std::clamp(length, mn, std::max(mn, mx));
            remainingSpace -= length;
            --remainingFlexible;
        }
        const int thickness = axis.Cross(sz) > 0 ? std::min(axis.Cross(sz), available) : available;
        int crossPos = axis.CrossStart(inner) + m_pManager->Scale(axis.CrossStart(pad));
        if (align == ChildAlign::Center) {
            crossPos += (available - thickness) / 2;
        } else if (align == ChildAlign::End) {
            crossPos += available - thickness;
        }
        pos += m_pManager->Scale(axis.MainStart(pad));
        child->SetPos(axis.MakeRect(Limits::ClampCoordinate(pos), crossPos, length, thickness));
        pos += length + m_pManager->Scale(axis.MainEnd(pad)) + gap;
    }
}

} // namespace DuiLib
