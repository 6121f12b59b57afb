#include "pause/PauseSeams.h"

#include <utility>

namespace NvLullgate::PauseSeams {
namespace {

RegSetValueFn& RegSetValueOverride() {
    static RegSetValueFn fn;
    return fn;
}

} // namespace

void SetRegSetValue(RegSetValueFn fn) {
    RegSetValueOverride() = std::move(fn);
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    if (const auto& fn = RegSetValueOverride()) {
        return fn(key, name, reserved, type, data, size);
    }
    return ::RegSetValueExW(key, name, reserved, type, data, size);
}

} // namespace NvLullgate::PauseSeams
