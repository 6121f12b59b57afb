// LullgateMsiCheck.dll: the MSI's custom action that checks and secures the install folder before
// Windows Installer writes a file there, as the NSIS setup does with LullgateInstallHelper.exe
// ("prepare"). It runs deferred and without impersonation, from the package's Binary table (which
// Windows Installer extracts to its own protected folder), with [INSTALLDIR] as CustomActionData.
// A refused folder ends the installation (1603) with its reason in the MSI log and, with a user
// interface, in a message.
#include "packaging/InstallSecurity.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <exception>
#include <string>

namespace {

constexpr wchar_t kProduct[] = L"Lullgate";

// The text goes in field 1 with "[1]" for template: brackets in a folder's name would otherwise be
// taken for property references.
void Report(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    PMSIHANDLE record = MsiCreateRecord(1); // closes the record when it goes
    if (static_cast<MSIHANDLE>(record) == 0) {
        return;
    }
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    (void)MsiProcessMessage(install, kind, record);
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    DWORD size = 0;
    wchar_t none[1] = {};
    if (MsiGetPropertyW(install, name, none, &size) != ERROR_MORE_DATA) {
        return {};
    }
    std::wstring value(size + 1, L'\0');
    size = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(size);
    return value;
}

UINT Check(MSIHANDLE install) {
    const std::wstring folder = Property(install, L"CustomActionData");
    std::wstring why;
    if (!InstallSecurity::CreateLogTree(kProduct, why)) {
        // The program refuses such a log tree as well and then logs nothing; installing goes on.
        Report(install, INSTALLMESSAGE_INFO, L"Lullgate: the log folders are not made: " + why);
    }
    if (!InstallSecurity::SecureInstallFolder(folder, why)) {
        const std::wstring text =
            L"Lullgate can't be installed into " + folder + L": " + why + L". Choose another folder.";
        InstallSecurity::AppendInstallLog(kProduct, text);
        Report(install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), text);
        return ERROR_INSTALL_FAILURE;
    }
    Report(install, INSTALLMESSAGE_INFO, L"Lullgate: " + folder + L" is secured");
    return ERROR_SUCCESS;
}

} // namespace

extern "C" __declspec(dllexport) UINT __stdcall CheckInstallFolder(MSIHANDLE install) {
    try {
        return Check(install);
    } catch (const std::exception&) {
        return ERROR_INSTALL_FAILURE;
    }
}
