// Typed reads of registry values for the program's own purposes (Windows' view of a pause, the
// reminder's record of what it has shown). RegGetValueW with a type filter: a value of another
// type is refused by the system instead of being reinterpreted, a string comes back terminated
// whether or not it was stored so, and no read is larger than it needs to be. The reads and writes
// Windows Update and the consent record define keep their own exact calls; these are the rest.
#pragma once

#include <windows.h>

#include <string>

namespace Registry {

// Strings longer than this are damage, not settings: refused with ERROR_MORE_DATA.
inline constexpr DWORD kMaxStringBytes = 4096;

// The status of RegGetValueW: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND when the key or the value is
// absent; ERROR_UNSUPPORTED_TYPE when the value has another type; ERROR_MORE_DATA for a string
// over kMaxStringBytes; any other code the system gave. `subKey` may be null to read from `key`
// itself. The output is changed only on success.
[[nodiscard]] LSTATUS ReadDword(HKEY key, const wchar_t* subKey, const wchar_t* name, DWORD& value);
// REG_SZ only (an expandable string is not expanded here, so it is refused too). The text ends at
// its first zero.
[[nodiscard]] LSTATUS ReadString(HKEY key, const wchar_t* subKey, const wchar_t* name, std::wstring& value);

// True for the codes of an absent key or value, which most callers treat as "nothing said".
[[nodiscard]] inline bool IsAbsent(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

} // namespace Registry
