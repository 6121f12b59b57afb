// Starting a program as the signed-in user from this elevated process. The request goes to the
// desktop's own shell (Explorer, running with the user's ordinary rights), which starts the
// program itself, so the program does not inherit administrator rights from us.
#pragma once

#include <windows.h>

// Asks the desktop shell to carry out `verb` on `file` with `parameters` (no working directory)
// and `showCommand`, as ShellExecuteExW would. False when no desktop shell can be reached (none
// running, COM unavailable on this thread) or the shell reports that the start failed.
[[nodiscard]] bool StartThroughDesktopShell(LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int showCommand);
