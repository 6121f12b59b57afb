#include "pause/PauseSeams.h"

#include <utility>

namespace NvLullgate::PauseSeams {
namespace {

RegSetValueFn& RegSetValueOverride() {
    static RegSetValueFn fn;
    return fn;
}

TimeFn& TimeOverride() {
    static TimeFn fn;
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

void SetTime(TimeFn fn) {
    TimeOverride() = std::move(fn);
}

__time64_t Time() {
    if (const auto& fn = TimeOverride()) {
        return fn();
    }
    return _time64(nullptr);
}

} // namespace NvLullgate::PauseSeams
