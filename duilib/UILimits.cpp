#include "duilib/UILimits.h"

namespace DuiLib::Limits {

namespace {
ReportSink g_sink = nullptr;
} // namespace

RECT ClampRect(const RECT& rc) {
    return RECT{ClampCoordinate(rc.left), ClampCoordinate(rc.top), ClampCoordinate(rc.right),
                ClampCoordinate(rc.bottom)};
}

void Report(const std::wstring& message) {
    if (g_sink != nullptr) {
        g_sink(message.c_str());
        return;
    }
    OutputDebugStringW((L"duilib: " + message + L"\n").c_str());
}

void SetReportSink(ReportSink sink) {
    g_sink = sink;
}

} // namespace DuiLib::Limits
