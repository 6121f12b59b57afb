#include "common/RegistryRead.h"

#include <cwchar>
#include <vector>

namespace Registry {

LSTATUS ReadDword(HKEY key, const wchar_t* subKey, const wchar_t* name, DWORD& value) {
    DWORD data = 0;
    DWORD size = sizeof(data);
    const LSTATUS status = RegGetValueW(key, subKey, name, RRF_RT_REG_DWORD, nullptr, &data, &size);
    if (status == ERROR_SUCCESS) {
        value = data;
    }
    return status;
}

LSTATUS ReadString(HKEY key, const wchar_t* subKey, const wchar_t* name, std::wstring& value) {
    // One read into a bounded buffer: a string that changes between a size query and the read
    // cannot make the second one overrun, and an oversized value is never allocated for.
    std::vector<wchar_t> buffer(kMaxStringBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = kMaxStringBytes;
    const LSTATUS status = RegGetValueW(key, subKey, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
    if (status == ERROR_SUCCESS) {
        value.assign(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
    }
    return status;
}

} // namespace Registry
