// Paths relative to the running executable. Settings, skin and documents lie beside the exe,
// and the program must find them whatever the working directory is.
#pragma once

#include <string>

// The executable's full path; empty if the system cannot give it.
std::wstring GetModulePath();
// The folder holding the executable, without a trailing separator; empty on failure.
std::wstring GetModuleDirectory();
