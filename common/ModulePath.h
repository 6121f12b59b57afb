// Paths relative to the running executable. Settings, skin and documents lie beside the exe,
// and the program must find them whatever the working directory is and however long the folder
// it was installed into: every caller goes through these, none keeps a fixed-size buffer.
#pragma once

#include <string>

// The executable's full path; empty if the system cannot give it.
std::wstring GetModulePath();
// The folder holding the executable, without a trailing separator; empty on failure.
std::wstring GetModuleDirectory();

// Full path of `name` (a file or a relative path such as "config\url.xml") in the executable's
// folder. Empty when the executable's folder cannot be had. Logs nothing: callers say what they
// were looking for.
[[nodiscard]] std::wstring BesideExePath(const wchar_t* name);

// True when `path` names an existing entry that is not a folder.
[[nodiscard]] bool IsExistingFile(const wchar_t* path);
