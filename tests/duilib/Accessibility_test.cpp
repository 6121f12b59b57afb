// What a screen reader gets from a skinned window (UI Automation, read back through Wine's own
// client side from the window's handle, and the provider called directly), and how the window
// looks in a high-contrast theme.
#include "tests/duilib/ToolkitTest.h"

#include "duilib/UITheme.h"

#include <oleauto.h>
#include <uiautomationclient.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace DuiLib;

namespace {

const wchar_t* kSkin = LR"(<Window size="320,200" bkcolor="#FFFFFF" focuscolor="#FF0067C0">
    <VerticalLayout>
        <HorizontalLayout name="titleBar" height="32">
            <Control/>
            <Button name="closebtn" width="32" accname="IDS_HELLO" tooltip="x"/>
        </HorizontalLayout>
        <Text name="message" text="Something {b}failed{/b}. See {a}the log{/a} or {a}help{/a}." height="60"/>
        <Button name="hidden" text="Secret" visible="false" height="20"/>
        <HorizontalLayout height="40">
            <Button name="off" text="Later" width="80" enabled="false"/>
            <Button name="ok" text="OK" width="80" bkcolor="#FFE0E0E0" default="true"/>
        </HorizontalLayout>
    </VerticalLayout>
</Window>)";

constexpr HRESULT kNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kNotEnabled = static_cast<HRESULT>(0x80040200);

using Seen = UiDriver::Described;
using UiDriver::Invoke;

class AccessibilityTest : public OpenWindowTest {
protected:
    AccessibilityTest() : OpenWindowTest(kSkin) {}
    void TearDown() override {
        Theme::ForceHighContrast(std::nullopt);
        AutomationTree::SetEventSink(nullptr);
        window.Close(IDCANCEL);
        UiDriver::PumpUntil([&] { return !IsWindow(window.GetHWND()); });
        OpenWindowTest::TearDown();
    }

    // The provider of a control (or of a link of a text), released by the holder.
    static void Release(IRawElementProviderSimple* element) { element->Release(); }
    using Element = std::unique_ptr<IRawElementProviderSimple, void (*)(IRawElementProviderSimple*)>;
    Element ElementOf(const wchar_t* name, int link = -1) {
        return Element(window.Pm().GetAutomation().Element(window.Pm().FindControl(name), link), Release);
    }
    static VARIANT Property(IRawElementProviderSimple* element, PROPERTYID id) {
        VARIANT v;
        VariantInit(&v);
        EXPECT_EQ(element->GetPropertyValue(id, &v), S_OK);
        return v;
    }
};

constexpr int kButton = 50000;
constexpr int kHyperlink = 50005;
constexpr int kText = 50020;

} // namespace

TEST_F(AccessibilityTest, ClientsFindTheVisibleControlsAndTheirStateAndPlace) {
    std::vector<Seen> seen;
    ASSERT_TRUE(UiDriver::Describe(window.GetHWND(), seen));
    for (const Seen& expected : std::vector<Seen>{
             {L"Hello", kButton}, // the icon-only button's accname, through the strings
             {L"Something failed. See the log or help.", kText},
             {L"the log", kHyperlink},
             {L"help", kHyperlink},
             {L"Later", kButton}, // disabled, still there
         }) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), expected), seen.end())
            << std::string(expected.name.begin(), expected.name.end()) << " " << expected.type;
    }
    // Spacers are no elements (hidden controls are none either: the main window's tree test).
    EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [](const Seen& s) { return s.type == 0; }));

    // Each element tells its state and place.
    window.Pm().SetFocus(window.Pm().FindControl(L"ok"), true);
    struct Case {
        const wchar_t* control;
        PROPERTYID property;
        bool expected;
    };
    for (const Case& c :
         {Case{L"ok", UIA_IsEnabledPropertyId, true}, Case{L"off", UIA_IsEnabledPropertyId, false},
          Case{L"ok", UIA_IsKeyboardFocusablePropertyId, true},
          Case{L"message", UIA_IsKeyboardFocusablePropertyId, true}, // its links
          Case{L"off", UIA_IsKeyboardFocusablePropertyId, false}, Case{L"ok", UIA_HasKeyboardFocusPropertyId, true},
          Case{L"closebtn", UIA_HasKeyboardFocusPropertyId, false}}) {
        const Element element = ElementOf(c.control);
        ASSERT_NE(element, nullptr);
        const VARIANT v = Property(element.get(), c.property);
        EXPECT_EQ(v.vt, VT_BOOL);
        EXPECT_EQ(v.boolVal != VARIANT_FALSE, c.expected) << c.property;
    }
    VARIANT id = Property(ElementOf(L"ok").get(), UIA_AutomationIdPropertyId);
    EXPECT_STREQ(id.bstrVal, L"ok");
    VariantClear(&id);

    IRawElementProviderFragment* fragment = nullptr;
    ASSERT_EQ(
        ElementOf(L"ok")->QueryInterface(__uuidof(IRawElementProviderFragment), reinterpret_cast<void**>(&fragment)),
        S_OK);
    UiaRect rect{};
    EXPECT_EQ(fragment->get_BoundingRectangle(&rect), S_OK);
    fragment->Release();
    const RECT pos = window.Pm().FindControl(L"ok")->GetPos();
    POINT screen{pos.left, pos.top};
    ClientToScreen(window.GetHWND(), &screen);
    EXPECT_EQ(rect.left, screen.x);
    EXPECT_EQ(rect.top, screen.y);
    EXPECT_EQ(rect.width, pos.right - pos.left);

    EXPECT_EQ(ElementOf(L"hidden"), nullptr);
}

// Invoking queues the click (or the link) for the window's own messages, so inside a modal loop it is
// that loop that carries it out (a link of the consent window is invoked in ConsentWindows_test).
TEST_F(AccessibilityTest, InvokingDoesWhatAClickDoesAndIsTold) {
    std::vector<std::pair<std::wstring, int>> events;
    AutomationTree::SetEventSink([&](IRawElementProviderSimple* element, int eventId) {
        VARIANT name = Property(element, UIA_NamePropertyId);
        events.emplace_back(name.bstrVal, eventId);
        VariantClear(&name);
    });
    EXPECT_EQ(Invoke(ElementOf(L"message", 1).get()), S_OK);
    EXPECT_EQ(Invoke(ElementOf(L"ok").get()), S_OK);
    EXPECT_EQ(Invoke(ElementOf(L"off").get()), kNotEnabled);
    EXPECT_EQ(Invoke(ElementOf(L"message").get()), E_NOINTERFACE); // a text is no button
    UiDriver::Pump(50);
    const std::vector<Note> links = window.NotesOf(DUI_MSGTYPE_LINK);
    ASSERT_EQ(links.size(), 1u);
    // The second link, at a point inside it as a click gives.
    EXPECT_EQ(static_cast<CTextUI*>(window.Pm().FindControl(L"message"))->GetLinkContentIndex(links[0].pt), 1);
    ASSERT_EQ(window.NotesOf(DUI_MSGTYPE_CLICK).size(), 1u);
    EXPECT_EQ(window.NotesOf(DUI_MSGTYPE_CLICK)[0].sender, L"ok");

    driver.PressKey(VK_TAB);
    const std::vector<std::pair<std::wstring, int>> expected{{L"help", 20009}, {L"OK", 20009}, {L"Hello", 20005}};
    EXPECT_EQ(events, expected);
}

TEST_F(AccessibilityTest, ElementsOfControlsThatGoStopAnswering) {
    const Element button = ElementOf(L"ok");
    const Element root(window.Pm().GetAutomation().Element(nullptr), Release);
    auto* row = static_cast<CContainerUI*>(window.Pm().FindControl(L"ok")->GetParent());
    ASSERT_TRUE(row->Remove(window.Pm().FindControl(L"ok")));
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(button->GetPropertyValue(UIA_NamePropertyId, &v), kNotAvailable);
    EXPECT_EQ(Invoke(button.get()), kNotAvailable);
    window.Close(IDCANCEL);
    UiDriver::PumpUntil([&] { return !IsWindow(window.GetHWND()); });
    IRawElementProviderSimple* host = nullptr;
    EXPECT_EQ(root->get_HostRawElementProvider(&host), kNotAvailable);
}

TEST_F(AccessibilityTest, HighContrastPaintsWithTheThemeColours) {
    const auto sys = [](int index) {
        const COLORREF c = GetSysColor(index);
        return 0xFF000000u | (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) |
               GetBValue(c);
    };
    auto* message = static_cast<CTextUI*>(window.Pm().FindControl(L"message"));
    const RECT link = message->GetLinkRect(0);
    const RECT ok = window.Pm().FindControl(L"ok")->GetPos();
    const RECT off = window.Pm().FindControl(L"off")->GetPos();
    // The link's underline runs along its bottom; find a pixel of it in the link's colour.
    const auto linkHas = [&](DWORD colour) {
        for (int y = link.top; y < link.bottom + 3; ++y) {
            for (int x = link.left; x < link.right; ++x) {
                if (window.Pm().GetPaintedPixel(POINT{x, y}) == colour) {
                    return true;
                }
            }
        }
        return false;
    };
    window.Pm().SetFocus(window.Pm().FindControl(L"closebtn"), true);
    const RECT close = window.Pm().FindControl(L"closebtn")->GetPos();
    struct Case {
        bool on;
        DWORD window, button, link, ring;
    };
    for (const Case& c :
         {Case{false, 0xFFFFFFFF, 0xFFE0E0E0, 0xFF0067C0, 0xFF0067C0},
          Case{true, sys(COLOR_WINDOW), sys(COLOR_HIGHLIGHT), sys(COLOR_HOTLIGHT), sys(COLOR_HIGHLIGHT)}}) {
        Theme::ForceHighContrast(c.on);
        ASSERT_TRUE(window.Pm().Render());
        EXPECT_EQ(window.Pm().GetPaintedPixel(POINT{300, 180}), c.window) << c.on;
        EXPECT_EQ(window.Pm().GetPaintedPixel(POINT{ok.left + 4, ok.top + 4}), c.button) << c.on; // the default
        EXPECT_TRUE(linkHas(c.link)) << c.on;
        EXPECT_EQ(window.Pm().GetPaintedPixel(POINT{close.left - 3, (close.top + close.bottom) / 2}), c.ring) << c.on;
    }
    // A button with words keeps an outline on the window colour; a disabled one in grey text.
    bool outlined = false;
    for (int x = off.left; x < off.left + 3; ++x) {
        outlined = outlined || window.Pm().GetPaintedPixel(POINT{x, (off.top + off.bottom) / 2}) == sys(COLOR_GRAYTEXT);
    }
    EXPECT_TRUE(outlined);
}
