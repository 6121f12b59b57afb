#include "tests/support/LogCapture.h"

#include "log/LogManager.h"

#include <windows.h>

#include <spdlog/sinks/base_sink.h>
#include <spdlog/logger.h>

#include <ostream>

struct LogCapture::State {
    mutable std::mutex mutex;
    std::vector<CapturedLine> lines;
    int flushes = 0;
};

namespace {

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), needed);
    return result;
}

class CaptureSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    explicit CaptureSink(std::shared_ptr<LogCapture::State> state) : m_state(std::move(state)) {}

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->lines.push_back(
            {static_cast<int>(msg.level), FromUtf8(std::string(msg.payload.data(), msg.payload.size()))});
    }
    void flush_() override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        ++m_state->flushes;
    }

private:
    std::shared_ptr<LogCapture::State> m_state;
};

} // namespace

struct LogCapture::Saved {
    std::shared_ptr<spdlog::logger> logger;
    bool ready = false;
};

void PrintTo(const CapturedLine& line, std::ostream* os) {
    std::string narrow;
    for (wchar_t c : line.text) {
        narrow += (c < 0x80) ? static_cast<char>(c) : '?';
    }
    *os << "{" << line.level << ", \"" << narrow << "\"}";
}

LogCapture::LogCapture() : m_state(std::make_shared<State>()), m_saved(std::make_unique<Saved>()) {
    m_saved->logger = g_spdlogger;
    m_saved->ready = LogManagerTestAccess::IsReady();
    auto logger = std::make_shared<spdlog::logger>("lullgate-test-capture", std::make_shared<CaptureSink>(m_state));
    logger->set_level(spdlog::level::trace);
    g_spdlogger = logger;
    LogManagerTestAccess::RunSetUp([] { return true; });
}

LogCapture::~LogCapture() {
    LogManagerTestAccess::Reset();
    g_spdlogger = m_saved->logger;
    if (m_saved->ready) {
        LogManagerTestAccess::RunSetUp([] { return true; });
    }
}

std::vector<CapturedLine> LogCapture::Lines() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->lines;
}

int LogCapture::FlushCount() const {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->flushes;
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->lines.clear();
    m_state->flushes = 0;
}

bool LogManagerTestAccess::IsReady() {
    return LogManager::GetInstance().m_ready;
}

void LogManagerTestAccess::Reset() {
    LogManager& manager = LogManager::GetInstance();
    std::lock_guard<std::mutex> lock(manager.m_mutex);
    manager.m_ready = false;
    g_spdlogger.reset();
}

void LogManagerTestAccess::ClearReady() {
    LogManager& manager = LogManager::GetInstance();
    std::lock_guard<std::mutex> lock(manager.m_mutex);
    manager.m_ready = false;
}

void LogManagerTestAccess::RunSetUp(const std::function<bool()>& setUp) {
    LogManager::GetInstance().RunSetUp(setUp);
}

std::string LogManagerTestAccess::LogDirectory() {
    return LogManager::GetInstance().m_logDir;
}
