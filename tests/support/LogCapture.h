// Captures the statements written through LOG_WARN/LOG_ERROR so a test can compare them, level and
// text, exactly. While a capture lives, the log service counts as ready and writes into memory;
// afterwards the previous logger and readiness are restored.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct CapturedLine {
    int level = 0;
    std::wstring text; // the statement as written, decoded back from the UTF-8 the logger produced
    bool operator==(const CapturedLine&) const = default;
};

// Printed by GoogleTest when an assertion on lines fails.
void PrintTo(const CapturedLine& line, std::ostream* os);

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    [[nodiscard]] std::vector<CapturedLine> Lines() const;
    [[nodiscard]] int FlushCount() const;
    void Clear();

    struct State;

private:
    std::shared_ptr<State> m_state;
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};

// Test access to the log service's private state.
struct LogManagerTestAccess {
    // Whether the service currently counts as ready.
    static bool IsReady();
    // Forgets the logger and readiness, as at process start (the next statement runs the set-up).
    static void Reset();
    // Makes the service not ready again but keeps whatever logger is installed.
    static void ClearReady();
    // Runs `setUp` the way Initialize runs the real set-up: under the set-up lock, with this thread
    // marked as inside the set-up.
    static void RunSetUp(const std::function<bool()>& setUp);
    static std::string LogDirectory();
};
