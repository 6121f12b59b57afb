// Records every start the program asks of the signed-in user's desktop shell, instead of starting
// anything, while it lives. The desktop shell is the only way the elevated program opens documents
// and links, so nothing may be started from the process itself: a ShellExecuteExW call from here
// fails the test. Queued results let a test make the desktop shell refuse or be unreachable.
#pragma once

#include "common/Seams.h"

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <string>
#include <vector>

class ShellRecorder {
public:
    struct Request {
        std::wstring verb;
        std::wstring file;
        std::wstring parameters;
        int show = SW_SHOW;
        bool operator==(const Request&) const = default;
    };

    ShellRecorder() {
        Seams::SetDesktopShellExecute([this](LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, int show) {
            const auto text = [](LPCWSTR t) { return std::wstring(t != nullptr ? t : L""); };
            requests.push_back({text(verb), text(file), text(parameters), show});
            bool result = true;
            if (!results.empty()) {
                result = results.front();
                results.pop_front();
            }
            return result;
        });
        Seams::SetShellExecuteEx([](SHELLEXECUTEINFOW*) {
            ADD_FAILURE() << "started from the elevated process itself instead of through the desktop shell";
            return FALSE;
        });
    }
    ~ShellRecorder() {
        Seams::SetShellExecuteEx(nullptr);
        Seams::SetDesktopShellExecute(nullptr);
    }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    // `item` (an address or a document's path) opened with the user's own program for it.
    static Request Opened(const std::wstring& item) { return {L"Open", item, L"", SW_SHOW}; }

    std::vector<Request> requests;
    std::deque<bool> results; // answers in turn; true once they run out
};

// Printed by GoogleTest when an assertion on requests fails (ASCII shown as is, others as '?').
inline void PrintTo(const ShellRecorder::Request& request, std::ostream* os) {
    for (const wchar_t c : request.verb + L" " + request.file + L" |" + request.parameters) {
        *os << (c < 0x80 ? static_cast<char>(c) : '?');
    }
    *os << " show " << request.show;
}
