#include "tests/support/LogCapture.h"

#include "log/LogManager.h"

#include <windows.h>

#include <spdlog/sinks/base_sink.h>
#include <spdlog/logger.h>

#include <ostream>
#include <string_view>

struct LogCapture::State {
    mutable std::mutex mutex;
    std::vector<CapturedLine> lines;
    int flushes = 0;
};

namespace {

// UTF-8 never takes fewer bytes than UTF-16 takes units, so the text's own size is room enough.
std::wstring FromUtf8(std::string_view text) {
    std::wstring result(text.size(), L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                                          static_cast<int>(result.size()));
    result.resize(static_cast<size_t>(units > 0 ? units : 0));
    return result;
}

class CaptureSink final : public spdlog::sinks::base_sink<std::mutex> {
public:
    explicit CaptureSink(std::shared_ptr<LogCapture::State> state) : m_state(std::move(state)) {}

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->lines.push_back({static_cast<int>(msg.level), FromUtf8({msg.payload.data(), msg.payload.size()})});
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
    ClearReady();
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
