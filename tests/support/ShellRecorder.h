// Records every ShellExecuteExW request instead of starting a program, while it lives. Each entry
// is the program and its parameters as the shell would get them ("C:\Windows\explorer.exe" and
// ` "target"`); queued results let a test make the shell refuse.
#pragma once

#include "common/Seams.h"

#include <deque>
#include <ostream>
#include <string>
#include <vector>

class ShellRecorder {
public:
    struct Request {
        std::wstring file;
        std::wstring parameters;
        bool operator==(const Request&) const = default;
    };

    ShellRecorder() {
        // Opening through the desktop's shell comes first in the program; the link opener's own
        // tests cover it. Here it declines, so every request reaches the recorded call.
        Seams::SetDesktopShellExecute([](LPCWSTR, LPCWSTR, LPCWSTR, int) { return false; });
        Seams::SetShellExecuteEx([this](SHELLEXECUTEINFOW* info) {
            requests.push_back({info->lpFile != nullptr ? info->lpFile : L"",
                                info->lpParameters != nullptr ? info->lpParameters : L""});
            BOOL result = TRUE;
            if (!results.empty()) {
                result = results.front();
                results.pop_front();
            }
            return result;
        });
    }
    ~ShellRecorder() {
        Seams::SetShellExecuteEx(nullptr);
        Seams::SetDesktopShellExecute(nullptr);
    }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    // What explorer.exe (the fallback when the maker's browser is missing) gets for `target`.
    static Request Explorer(const std::wstring& target) {
        return {L"C:\\Windows\\explorer.exe", L" \"" + target + L"\""};
    }

    std::vector<Request> requests;
    std::deque<BOOL> results; // answers in turn; TRUE once they run out
};

// Printed by GoogleTest when an assertion on requests fails (ASCII shown as is, others as '?').
inline void PrintTo(const ShellRecorder::Request& request, std::ostream* os) {
    for (const wchar_t c : request.file + L" |" + request.parameters) {
        *os << (c < 0x80 ? static_cast<char>(c) : '?');
    }
}
