// Stands in for the maker's browser in the one test that really calls ShellExecuteExW: writes the
// arguments of its command line to command-line.txt beside itself and exits.
#include <windows.h>

#include <fstream>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    char path[MAX_PATH]{};
    std::string dir(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    dir.resize(dir.find_last_of('\\') + 1);
    // Written under another name first so that the test never reads half a line.
    const std::string partial = dir + "command-line.tmp";
    std::ofstream(partial, std::ios::binary) << arguments;
    return MoveFileExA(partial.c_str(), (dir + "command-line.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
