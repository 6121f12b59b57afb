// What every toolkit test shares: the ToolkitTest fixture, which points the toolkit at the test skin
// and string folders beside the test executable and puts the process-wide settings back afterwards;
// TestWindow, a skinned window whose skin is layout text or a file under the test skin folder and
// which records every notification it receives; and OpenWindowTest, with one such window open.
#pragma once

#include "duilib/UIlib.h"
#include "tests/support/UiDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

struct Note {
    std::wstring type;
    std::wstring sender;
    WPARAM wParam = 0;
    POINT pt{};
};

class TestWindow : public DuiLib::WindowImplBase {
public:
    explicit TestWindow(std::wstring skin, std::wstring className = L"DuiTestWindow")
        : m_skin(std::move(skin)), m_className(std::move(className)) {}

    // Creates the window (shown unless `show` is false) and returns its handle.
    HWND Open(HWND parent = nullptr, bool show = true) {
        Create(parent, L"DuiTest", WS_POPUP, 0);
        if (show && m_hWnd != nullptr) {
            ShowWindow(true, true);
        }
        return m_hWnd;
    }
    UiDriver::UiWindow Driver() const { return UiDriver::UiWindow(m_hWnd); }
    DuiLib::CPaintManagerUI& Pm() { return m_pm; }

    std::vector<Note> notes;
    int initCount = 0;

    std::vector<Note> NotesOf(const wchar_t* type) const {
        std::vector<Note> result;
        std::copy_if(notes.begin(), notes.end(), std::back_inserter(result),
                     [&](const Note& n) { return n.type == type; });
        return result;
    }

    void InitWindow() override { ++initCount; }
    void Notify(DuiLib::TNotifyUI& msg) override {
        notes.push_back(Note{msg.sType.str(), msg.pSender != nullptr ? msg.pSender->GetName().str() : L"", msg.wParam,
                             msg.ptMouse});
        WindowImplBase::Notify(msg);
    }

protected:
    const wchar_t* GetWindowClassName() const override { return m_className.c_str(); }
    DuiLib::CDuiString GetSkinFile() override { return m_skin.c_str(); }

private:
    std::wstring m_skin;
    std::wstring m_className;
};

class ToolkitTest : public ::testing::Test {
protected:
    // Skin files and images from the test skin folder, strings from its values folder, in English.
    void SetUp() override {
        DuiLib::CPaintManagerUI::SetResourcePath(SkinFolder().c_str());
        DuiLib::UICulture::GetInstance()->SetStringPath((SkinFolder() + L"values").c_str());
        DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", false);
    }
    // Tests may replace the query of the display language; the next one starts with the real one.
    void TearDown() override { DuiLib::UICulture::SetDisplayLanguageQuery(nullptr); }

    static std::wstring SkinFolder() { return DuiLib::CPaintManagerUI::GetInstancePath().str() + L"skin\\"; }
    // Paints the window's frame and reads one pixel of it, 0xAARRGGBB.
    static DWORD PaintedPixel(TestWindow& window, int x, int y) {
        (void)window.Pm().Render(); // without a frame every pixel reads 0, which no expectation accepts
        return window.Pm().GetPaintedPixel(POINT{x, y});
    }
};

// One window of a skin, open and laid out at 96 DPI for each test.
class OpenWindowTest : public ToolkitTest {
protected:
    explicit OpenWindowTest(const wchar_t* skin) : window(skin) {}
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_NE(window.Open(), nullptr);
        window.Pm().SetDPI(96);
        window.Pm().EnsureLayout();
        driver = window.Driver();
    }
    DWORD Pixel(int x, int y) { return PaintedPixel(window, x, y); }

    TestWindow window;
    UiDriver::UiWindow driver;
};
