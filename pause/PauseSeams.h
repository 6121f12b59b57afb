// The registry write and the clock of the pause engine, replaceable by tests. They default to
// RegSetValueExW and _time64. A test installs a replacement write to record the order of the writes
// or to act between two writes of one sequence (for example to lock the key after the second of six
// values), a moment nothing in the registry sandbox can reach on its own; a replacement clock gives
// a moment the runtime cannot turn into a timestamp, the one way the status read itself fails.
// Installing an empty function restores the real call.
#pragma once

#include <windows.h>

#include <ctime>
#include <functional>

namespace NvLullgate::PauseSeams {

using RegSetValueFn =
    std::function<LSTATUS(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)>;

void SetRegSetValue(RegSetValueFn fn);

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

using TimeFn = std::function<__time64_t()>;

void SetTime(TimeFn fn);

// The current time in seconds since 1970, UTC.
__time64_t Time();

} // namespace NvLullgate::PauseSeams
