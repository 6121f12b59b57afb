#include "appcommon/Common.h"

#include "common/ModulePath.h"
#include "common/StringConv.h"
#include "log/LogManager.h"

#include <tinyxml2.h>

namespace NvLullgate {

namespace {

constexpr wchar_t kVersionFileName[] = L"version.xml";
constexpr char kVersionFileNameA[] = "version.xml";

} // namespace

std::string Common::GetAppVersion() {
    const std::wstring path = BesideExePath(kVersionFileName);
    if (path.empty() || !IsExistingFile(path.c_str())) {
        LOG_ERROR(L"get xml file fail. file name:" << kVersionFileNameA);
        return {};
    }
    // tinyxml2 opens the file by a narrow path, which the C runtime reads in the ANSI code page.
    const std::string narrowPath = WideToAnsi(path);
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (narrowPath.empty() || document.LoadFile(narrowPath.c_str()) != tinyxml2::XML_SUCCESS) {
        LOG_ERROR(L"Load " << kVersionFileNameA << L" error");
        return {};
    }
    const tinyxml2::XMLElement* config = document.FirstChildElement("Config");
    if (config == nullptr) {
        LOG_ERROR(L"get Config Node fail,xml format error! xml file:" << kVersionFileNameA);
        return {};
    }
    const tinyxml2::XMLElement* item = config->FirstChildElement("ConfigItem");
    const tinyxml2::XMLAttribute* value = item != nullptr ? item->FindAttribute("Value") : nullptr;
    if (value == nullptr) {
        LOG_ERROR(L"get Value attribute fail,xml format error! xml file:" << kVersionFileNameA);
        return {};
    }
    const char* text = value->Value();
    return text != nullptr ? std::string(text) : std::string();
}

void Common::ShowTopByHwnd(HWND hwnd) {
    if (hwnd == nullptr) {
        LOG_ERROR(L"hwnd is null, show top by hwnd fail!");
        return;
    }
    // Topmost and straight back: the window jumps above every normal window but does not stay
    // pinned above the user's other programs afterwards.
    constexpr UINT kFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER;
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
    SetForegroundWindow(hwnd);
}

bool Common::IsDpiAwarenessFailure(HRESULT result) {
    return result != S_OK && result != E_ACCESSDENIED;
}

} // namespace NvLullgate
