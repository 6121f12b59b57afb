// The process-wide log service and the two statement forms every part of the program uses.
// A statement is built at its call site: the message and values, then "(" + function tag + ")",
// written at warn (3) or error (4). Statements never throw and never change the caller's flow;
// while no log file can be set up they are dropped. This header stays light: spdlog itself is
// only included inside log/.
#pragma once

#include "log/FunctionTag.h"

#include <atomic>
#include <concepts>
#include <functional>
#include <locale>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>

namespace spdlog {
class logger;
}

// The logger made by the set-up; empty until the set-up succeeds.
extern std::shared_ptr<spdlog::logger> g_spdlogger;

class LogManager {
public:
    static LogManager& GetInstance();

    // Derives the log directory "C:\ProgramData\Dired\<product>\log\" from the product name.
    void SetLogDirectory(std::string productName);
    // Creates the directories, reads the settings beside the exe and makes the logger. Safe to call
    // again: it does nothing once the log is ready.
    void Initialize();
    // Logs the stream's whole text at `level` and flushes. Before the log is ready, one set-up
    // attempt is made first; if it fails the statement is dropped.
    void Write(int level, std::wostringstream& statement);

    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

private:
    LogManager() = default;
    ~LogManager() = default;

    // Runs `setUp` under m_mutex unless the log is ready, marking this thread as inside the set-up;
    // sets m_ready when it returns true with a logger in place.
    void RunSetUp(const std::function<bool()>& setUp);
    // The body of the set-up; true when g_spdlogger is usable.
    [[nodiscard]] bool SetUpLogger();

    std::string m_logDir;
    // Also the source name of what the set-up tells the Application event log.
    std::string m_productName;
    // Read by Write without the lock; once true it stays true for the life of the process.
    std::atomic<bool> m_ready{false};
    // Held for the whole set-up. Not recursive: a statement issued by the set-up itself is
    // dropped by Write instead of re-entering (see Write).
    std::mutex m_mutex;

    friend struct LogManagerTestAccess;
};

namespace LogDetail {

// Inserts the pieces of a statement into its wide stream: wide text as it is, narrow text widened
// byte for byte (each byte becomes the wide character of the same value, never through a locale),
// integers in plain decimal (the stream is in the classic locale).
class StatementBuilder {
public:
    explicit StatementBuilder(std::wostringstream& stream) : m_stream(stream) {}

    StatementBuilder& operator<<(const wchar_t* text) {
        if (text != nullptr) {
            m_stream << text;
        }
        return *this;
    }
    StatementBuilder& operator<<(std::wstring_view text) {
        m_stream.write(text.data(), static_cast<std::streamsize>(text.size()));
        return *this;
    }
    StatementBuilder& operator<<(const std::wstring& text) { return *this << std::wstring_view(text); }
    StatementBuilder& operator<<(wchar_t c) {
        m_stream.put(c);
        return *this;
    }

    StatementBuilder& operator<<(const char* text) { return text != nullptr ? *this << std::string_view(text) : *this; }
    StatementBuilder& operator<<(std::string_view text) {
        for (char c : text) {
            m_stream.put(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
        return *this;
    }
    StatementBuilder& operator<<(const std::string& text) { return *this << std::string_view(text); }
    StatementBuilder& operator<<(char c) {
        m_stream.put(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        return *this;
    }

    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, wchar_t>) StatementBuilder&
    operator<<(T value) {
        m_stream << value;
        return *this;
    }

private:
    std::wostringstream& m_stream;
};

inline constexpr int kLevelWarn = 3;
inline constexpr int kLevelError = 4;

} // namespace LogDetail

#define LULLGATE_LOG_STATEMENT(level, ...)                                                                             \
    do {                                                                                                               \
        LULLGATE_DECLARE_FUNCTION_TAG(lullgateFunctionTag_);                                                           \
        std::wostringstream lullgateStatement_;                                                                        \
        lullgateStatement_.imbue(std::locale::classic());                                                              \
        ::LogDetail::StatementBuilder(lullgateStatement_)                                                              \
            << __VA_ARGS__ << L"(" << lullgateFunctionTag_.c_str() << L")";                                            \
        ::LogManager::GetInstance().Write((level), lullgateStatement_);                                                \
    } while (false)

// LOG_WARN(L"RegOpenKeyEx errorID : " << code << L",lpSubKey : " << path);
#define LOG_WARN(...) LULLGATE_LOG_STATEMENT(::LogDetail::kLevelWarn, __VA_ARGS__)
#define LOG_ERROR(...) LULLGATE_LOG_STATEMENT(::LogDetail::kLevelError, __VA_ARGS__)
