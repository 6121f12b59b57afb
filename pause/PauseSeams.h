// The registry write of the pause engine, replaceable by tests. It defaults to RegSetValueExW. A
// test installs a replacement to record the order of the writes or to act between two writes of
// one sequence (for example to lock the key after the second of six values), a moment nothing in
// the registry sandbox can reach on its own. Installing an empty function restores the real call.
#pragma once

#include <windows.h>

#include <functional>

namespace NvLullgate::PauseSeams {

using RegSetValueFn =
    std::function<LSTATUS(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)>;

void SetRegSetValue(RegSetValueFn fn);

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);

} // namespace NvLullgate::PauseSeams
