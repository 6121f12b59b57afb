// What both installers make sure of before a file of Lullgate is written, because the program runs
// elevated from the install folder: that folder, and every folder on its way, is a real folder only
// an administrator could have made (a standard user's folder or a junction is refused), and it gets
// Administrators for owner and an access list of its own. The log tree under C:\ProgramData is made
// the same way and with the program's own access lists, so no standard user can make it first.
// Owners, access lists and junctions go through the seams (common/Seams.h), since Wine keeps none.
#pragma once

#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace InstallSecurity {

// The security a folder is given. OwnerOnly: Administrators for owner, the access list inherited
// from the parent (the folders on the way). InstallFolder: SYSTEM and Administrators full control,
// Users read and execute, nothing inherited. LogAdmin and LogUsr: the log folders' own lists
// (log/LogDirectoryAcl.h), "admin" protected from inheritance as the program makes it.
enum class FolderKind { OwnerOnly, InstallFolder, LogAdmin, LogUsr };

// An absolute security descriptor of one kind, with the owner and access list it points to. Not
// copied or moved: the descriptor points into this object's own members.
class FolderDescriptor {
public:
    FolderDescriptor() = default;
    FolderDescriptor(const FolderDescriptor&) = delete;
    FolderDescriptor& operator=(const FolderDescriptor&) = delete;

    // False when a SID or the access list can't be made.
    [[nodiscard]] bool Build(FolderKind kind);
    [[nodiscard]] PSECURITY_DESCRIPTOR Get() { return &m_descriptor; }

private:
    unique_local<PSID> m_owner;
    unique_local<PACL> m_acl;
    SECURITY_DESCRIPTOR m_descriptor{};
};

// Why Lullgate may not be installed into `folder` (a sentence naming the folder that stops it), or
// empty when it may: the path must be a local absolute one (C:\...), and every existing folder on
// it below the drive's root must pass LogDetail::FolderRefusal. Looks only; changes nothing.
[[nodiscard]] std::wstring InstallFolderRefusal(const std::wstring& folder);

// Checks `folder` as above, then makes it (with any missing folder on its way) or, when it is there,
// gives it and everything in it Administrators for owner and the install folder's access list, so
// that what a standard user could change under an earlier, unprotected install is theirs no longer.
// A junction or link inside is refused. False with `why` set when it stops.
[[nodiscard]] bool SecureInstallFolder(const std::wstring& folder, std::wstring& why);

// Makes C:\ProgramData\Dired\<product>\log with "admin" and "usr" as the program makes them, each
// owned by Administrators; folders already there are checked as the program checks them and left
// alone when refused. False with `why` set when it stops.
[[nodiscard]] bool CreateLogTree(const std::wstring& product, std::wstring& why);

// Appends a time-stamped line to setup.log in the product's "admin" log folder, which only
// administrators can write to; does nothing when that folder is not there.
void AppendInstallLog(const std::wstring& product, const std::wstring& line);

} // namespace InstallSecurity
