#include "duilib/UIControl.h"

#include "duilib/UICulture.h"
#include "duilib/UIImage.h"
#include "duilib/UIImageStrip.h"
#include "duilib/UILimits.h"
#include "duilib/UIManager.h"
#include "duilib/UIMarkup.h"
#include "duilib/UITheme.h"

#include <cwchar>

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager != nullptr) {
        m_pManager->ReapObjects(this);
    }
}

const wchar_t* CControlUI::GetClass() const {
    return L"Control";
}

void* CControlUI::GetInterface(const wchar_t* pstrName) {
    return wcscmp(pstrName, L"Control") == 0 ? this : nullptr;
}

CDuiString CControlUI::GetName() const {
    return m_sName;
}

void CControlUI::SetName(const wchar_t* pstrName) {
    m_sName = pstrName;
}

CDuiString CControlUI::GetText() const {
    return m_sText;
}

void CControlUI::SetText(const wchar_t* pstrText) {
    if (m_sText == pstrText) {
        return;
    }
    m_sText = pstrText;
    Invalidate();
}

bool CControlUI::IsVisible() const {
    return m_bVisible;
}

bool CControlUI::IsVisibleInTree() const {
    for (const CControlUI* c = this; c != nullptr; c = c->m_pParent) {
        if (!c->m_bVisible) {
            return false;
        }
    }
    return true;
}

void CControlUI::SetVisible(bool bVisible) {
    if (m_bVisible == bVisible) {
        return;
    }
    m_bVisible = bVisible;
    if (!bVisible) {
        SetHot(false);
        SetPushed(false);
    }
    NeedUpdate();
}

bool CControlUI::IsEnabled() const {
    return m_bEnabled;
}

void CControlUI::SetEnabled(bool bEnable) {
    if (m_bEnabled == bEnable) {
        return;
    }
    m_bEnabled = bEnable;
    if (!bEnable) {
        SetHot(false);
        SetPushed(false);
    }
    Invalidate();
}

bool CControlUI::IsFocused() const {
    return m_pManager != nullptr && m_pManager->GetFocus() == this;
}

void CControlUI::SetFocus() {
    if (m_pManager != nullptr) {
        m_pManager->SetFocus(this);
    }
}

void CControlUI::SetBkImage(const wchar_t* pStrImage) {
    if (m_sBkImage == pStrImage) {
        return;
    }
    m_sBkImage = pStrImage;
    Invalidate();
}

void CControlUI::SetForeImage(const wchar_t* pStrImage) {
    if (m_sForeImage == pStrImage) {
        return;
    }
    m_sForeImage = pStrImage;
    Invalidate();
}

void CControlUI::SetBkImageFrames(const std::vector<std::wstring>& names) {
    m_bkFrames.reset();
    if (names.empty()) {
        return;
    }
    // Only plain names: an attribute list (a part of the file, a fade) is drawn as always.
    std::vector<std::wstring> plain;
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names) {
        if (!name.empty() && name.find(L'=') == std::wstring::npos) {
            plain.push_back(name);
            paths.push_back(CPaintManagerUI::ResolveResourcePath(name.c_str()));
        }
    }
    m_bkFrames = std::make_unique<Render::ImageStrip>(std::move(plain), std::move(paths));
}

void CControlUI::SetBkColor(DWORD argb) {
    m_dwBkColor = argb;
    Invalidate();
}

void CControlUI::SetBorderColor(DWORD argb) {
    m_dwBorderColor = argb;
    Invalidate();
}

void CControlUI::SetPos(RECT rc) {
    // Far past any screen nothing can be seen, and GDI+ and the layout's sums would overflow.
    rc = Limits::ClampRect(rc);
    if (rc.right < rc.left) {
        rc.right = rc.left;
    }
    if (rc.bottom < rc.top) {
        rc.bottom = rc.top;
    }
    if (EqualRect(&rc, &m_rcItem)) {
        return; // nothing moved: no repaint (a layout pass runs while painting)
    }
    Invalidate();
    m_rcItem = rc;
    Invalidate();
}

SIZE CControlUI::EstimateSize(SIZE /*szAvailable*/) {
    if (m_pManager == nullptr) {
        return m_cxyFixed;
    }
    return SIZE{m_pManager->Scale(m_cxyFixed.cx), m_pManager->Scale(m_cxyFixed.cy)};
}

void CControlUI::SetFixedWidth(int cx) {
    m_cxyFixed.cx = cx < 0 ? 0 : cx;
    NeedUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    m_cxyFixed.cy = cy < 0 ? 0 : cy;
    NeedUpdate();
}

void CControlUI::SetAttribute(const wchar_t* pstrName, const wchar_t* pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"name") {
        SetName(pstrValue);
    } else if (name == L"text") {
        SetText(UICulture::ResolveText(pstrValue));
    } else if (name == L"tooltip") {
        SetToolTip(UICulture::ResolveText(pstrValue));
    } else if (name == L"accname") {
        SetAccName(UICulture::ResolveText(pstrValue));
    } else if (name == L"pos") {
        m_rcFloatPos = Markup::ParseRect(pstrValue);
        if (m_cxyFixed.cx == 0 && m_rcFloatPos.right > m_rcFloatPos.left) {
            m_cxyFixed.cx = m_rcFloatPos.right - m_rcFloatPos.left;
        }
        if (m_cxyFixed.cy == 0 && m_rcFloatPos.bottom > m_rcFloatPos.top) {
            m_cxyFixed.cy = m_rcFloatPos.bottom - m_rcFloatPos.top;
        }
        NeedUpdate();
    } else if (name == L"float") {
        m_bFloat = Markup::ParseBool(pstrValue);
        NeedUpdate();
    } else if (name == L"width") {
        SetFixedWidth(Markup::ParseInt(pstrValue));
    } else if (name == L"height") {
        SetFixedHeight(Markup::ParseInt(pstrValue));
    } else if (name == L"minwidth") {
        m_cxyMin.cx = Markup::ParseInt(pstrValue);
    } else if (name == L"minheight") {
        m_cxyMin.cy = Markup::ParseInt(pstrValue);
    } else if (name == L"maxwidth") {
        m_cxyMax.cx = Markup::ParseInt(pstrValue);
    } else if (name == L"maxheight") {
        m_cxyMax.cy = Markup::ParseInt(pstrValue);
    } else if (name == L"padding") {
        m_rcPadding = Markup::ParseRect(pstrValue);
        NeedUpdate();
    } else if (name == L"visible") {
        SetVisible(Markup::ParseBool(pstrValue));
    } else if (name == L"enabled") {
        SetEnabled(Markup::ParseBool(pstrValue));
    } else if (name == L"bkcolor") {
        DWORD c = 0;
        if (Markup::ParseColor(pstrValue, c)) {
            SetBkColor(c);
        }
    } else if (name == L"bordercolor") {
        DWORD c = 0;
        if (Markup::ParseColor(pstrValue, c)) {
            SetBorderColor(c);
        }
    } else if (name == L"bordersize") {
        // One value for the whole outline, or four ("l,t,r,b") for single sides such as a rule.
        m_nBorderSize = Markup::ParseInt(pstrValue);
        m_bBorderSides = wcschr(pstrValue, L',') != nullptr;
        m_rcBorderSides = m_bBorderSides ? Markup::ParseRect(pstrValue) : RECT{};
    } else if (name == L"borderround") {
        m_nBorderRound = Markup::ParseInt(pstrValue);
    } else if (name == L"bkimage") {
        SetBkImage(pstrValue);
    } else if (name == L"foreimage") {
        SetForeImage(pstrValue);
    } else if (name == L"default") {
        m_bDefault = Markup::ParseBool(pstrValue);
    } else if (name == L"keyboard") {
        m_bKeyboard = Markup::ParseBool(pstrValue);
    } else if (name == L"style") {
        if (m_pManager != nullptr) {
            m_pManager->ApplyStyle(*this, pstrValue);
        }
    }
}

void CControlUI::ApplyAttributeList(const wchar_t* pstrList) {
    for (const auto& [name, value] : Markup::ParseAttributeList(pstrList)) {
        SetAttribute(name.c_str(), value.c_str());
    }
}

bool CControlUI::SetTimer(UINT nTimerID, UINT uElapse) {
    return m_pManager != nullptr && m_pManager->SetTimer(this, nTimerID, uElapse);
}

void CControlUI::KillTimer(UINT nTimerID) {
    if (m_pManager != nullptr) {
        (void)m_pManager->KillTimer(this, nTimerID); // one that was not running is stopped as well
    }
}

void CControlUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent) {
    m_pManager = pManager;
    m_pParent = pParent;
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
    if (!m_bVisible || !PtInRect(&m_rcItem, pt)) {
        return nullptr;
    }
    return this;
}

CControlUI* CControlUI::FindControlByName(const wchar_t* pstrName) {
    return m_sName == pstrName ? this : nullptr;
}

void CControlUI::CollectControls(std::vector<CControlUI*>& controls) {
    controls.push_back(this);
}

bool CControlUI::IsInteractive(POINT /*pt*/) const {
    return false;
}

int CControlUI::GetFocusStopCount() const {
    return 0;
}

void CControlUI::SetFocusStop(int index) {
    m_focusStop = index;
}

RECT CControlUI::GetFocusRect() const {
    return m_rcItem;
}

void CControlUI::Activate() {}

const wchar_t* CControlUI::GetCursor(POINT /*pt*/) const {
    return IDC_ARROW;
}

void CControlUI::DoEvent(TEventUI& /*event*/) {}

void CControlUI::Invalidate() {
    if (m_pManager != nullptr && m_rcItem.right > m_rcItem.left) {
        RECT rc = m_rcItem;
        // The focus ring lies outside the control.
        InflateRect(&rc, m_pManager->Scale(5), m_pManager->Scale(5));
        m_pManager->Invalidate(rc);
    }
}

void CControlUI::NeedUpdate() {
    if (m_pManager != nullptr) {
        m_pManager->NeedUpdate();
    }
}

float CControlUI::Radius() const {
    return m_pManager != nullptr ? m_pManager->ScaleF(static_cast<float>(m_nBorderRound)) : 0.0f;
}

RECT CControlUI::ItemRectLess(const RECT& margin) const {
    RECT rc = m_rcItem;
    if (m_pManager != nullptr) {
        rc.left += m_pManager->Scale(margin.left);
        rc.top += m_pManager->Scale(margin.top);
        rc.right -= m_pManager->Scale(margin.right);
        rc.bottom -= m_pManager->Scale(margin.bottom);
    }
    return rc;
}

void CControlUI::SetHot(bool hot) {
    if (m_bHot != hot) {
        m_bHot = hot;
        Invalidate();
    }
}

void CControlUI::SetPushed(bool pushed) {
    if (m_bPushed != pushed) {
        m_bPushed = pushed;
        Invalidate();
    }
}

void CControlUI::DoPaint(Gdiplus::Graphics& g, const RECT& rcPaint) {
    RECT overlap{};
    if (!IntersectRect(&overlap, &rcPaint, &m_rcItem)) {
        return;
    }
    PaintBkColor(g);
    PaintBkImage(g);
    PaintStatusImage(g);
    PaintText(g);
    PaintBorder(g);
}

DWORD CControlUI::CurrentBkColor() const {
    return Theme::Color(Theme::Role::Window, m_dwBkColor);
}

DWORD CControlUI::CurrentBorderColor() const {
    return Theme::Color(Theme::Role::Text, m_dwBorderColor);
}

void CControlUI::PaintBkColor(Gdiplus::Graphics& g) {
    Render::FillRect(g, m_rcItem, CurrentBkColor(), Radius());
}

void CControlUI::PaintBkImage(Gdiplus::Graphics& g) {
    if (m_bkFrames != nullptr) {
        m_bkFrames->Prepare(m_rcItem);
        if (m_bkFrames->Draw(g, m_rcItem, m_sBkImage.str())) {
            return;
        }
    }
    if (!m_sBkImage.IsEmpty()) {
        (void)Render::DrawImage(g, m_pManager, m_rcItem, m_sBkImage); // a missing image leaves the colour
    }
}

void CControlUI::PaintStatusImage(Gdiplus::Graphics& g) {
    if (!m_sForeImage.IsEmpty()) {
        (void)Render::DrawImage(g, m_pManager, m_rcItem, m_sForeImage);
    }
}

void CControlUI::PaintText(Gdiplus::Graphics& /*g*/) {}

void CControlUI::PaintBorder(Gdiplus::Graphics& g) {
    const DWORD color = CurrentBorderColor();
    if ((color >> 24) == 0 || m_pManager == nullptr) {
        return;
    }
    if (m_bBorderSides) {
        const RECT& w = m_rcBorderSides;
        const RECT& r = m_rcItem;
        const int l = m_pManager->Scale(w.left), t = m_pManager->Scale(w.top);
        const int rt = m_pManager->Scale(w.right), b = m_pManager->Scale(w.bottom);
        Render::FillRect(g, RECT{r.left, r.top, r.left + l, r.bottom}, color, 0);
        Render::FillRect(g, RECT{r.left, r.top, r.right, r.top + t}, color, 0);
        Render::FillRect(g, RECT{r.right - rt, r.top, r.right, r.bottom}, color, 0);
        Render::FillRect(g, RECT{r.left, r.bottom - b, r.right, r.bottom}, color, 0);
        return;
    }
    const int size = m_nBorderSize > 0 ? m_nBorderSize : 1;
    Render::DrawBorder(g, m_rcItem, color, m_pManager->ScaleF(static_cast<float>(size)), Radius());
}

} // namespace DuiLib
