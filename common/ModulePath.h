// Paths relative to the running executable. Settings, skin and documents lie beside the exe,
// and the program must find them whatever the working directory is.
#pragma once

#include <string>

// The executable's full path; empty if the system cannot give it.
std::wstring GetModulePath();
// The folder holding the executable, without a trailing separator; empty on failure.
std::wstring GetModuleDirectory();

// Full path of `name` (a file or a relative path such as "config\url.xml") in the executable's
// folder, built the way the program's files are always found: the module path in a MAX_PATH
// buffer, its file name removed, `name` appended. Empty when the module path does not fit (a
// cut-off path would name some other folder) or a step fails. Logs nothing: callers say what
// they were looking for.
[[nodiscard]] std::wstring BesideExePath(const wchar_t* name);

// True when `path` names an existing entry that is not a folder.
[[nodiscard]] bool IsExistingFile(const wchar_t* path);
