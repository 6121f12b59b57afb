// A stand-in for a system library, built as gdiplus.dll and dwmapi.dll: placed beside Lullgate.exe
// it records that it was loaded (a file "<name>.loaded" beside itself) and otherwise does nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8]{};
        const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatW(path, L".loaded");
            HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (marker != INVALID_HANDLE_VALUE) {
                CloseHandle(marker);
            }
        }
    }
    return TRUE;
}
