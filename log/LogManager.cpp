#include "log/LogManager.h"

#include <spdlog/logger.h>

std::shared_ptr<spdlog::logger> g_spdlogger;

namespace {

// Set while this thread runs the set-up. A statement issued by the set-up itself (its own
// failure report) must be dropped: the set-up lock is held and is not re-entrant.
thread_local bool t_inSetUp = false;

class SetUpScope {
public:
    SetUpScope() { t_inSetUp = true; }
    ~SetUpScope() { t_inSetUp = false; }
    SetUpScope(const SetUpScope&) = delete;
    SetUpScope& operator=(const SetUpScope&) = delete;
};

} // namespace

LogManager& LogManager::GetInstance() {
    static LogManager instance;
    return instance;
}

void LogManager::SetLogDirectory(std::string productName) {
    // The set-up reads the directory under the same lock.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_logDir = "C:\\ProgramData\\Dired\\" + productName + "\\log\\";
    m_productName = std::move(productName);
}

void LogManager::Initialize() {
    RunSetUp([this] { return SetUpLogger(); });
}

void LogManager::RunSetUp(const std::function<bool()>& setUp) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_ready) {
        return;
    }
    SetUpScope scope;
    try {
        if (setUp() && g_spdlogger) {
            m_ready = true;
        }
    } catch (...) {
        // A failed set-up is retried by the next statement; nothing escapes to the caller.
    }
}

void LogManager::Write(int level, std::wostringstream& statement) {
    try {
        if (!m_ready) {
            if (t_inSetUp) {
                return;
            }
            Initialize();
            if (!m_ready) {
                return;
            }
        }
        const std::shared_ptr<spdlog::logger> logger = g_spdlogger;
        if (!logger || level < spdlog::level::trace || level > spdlog::level::off) {
            return;
        }
        const std::wstring text = statement.str();
        // spdlog converts to UTF-8, filters by threshold and reports its own errors to its
        // error handler; the flush happens whether or not the line passed the threshold.
        logger->log(static_cast<spdlog::level::level_enum>(level), std::wstring_view(text));
        logger->flush();
    } catch (...) {
        // Logging never disturbs its caller.
    }
}
