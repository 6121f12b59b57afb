#include "pause/WindowsPauseView.h"

#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"
#include "pause/PauseTime.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <string_view>

namespace NvLullgate {
namespace {

// Windows keeps these itself; the program only ever opens them with KEY_READ.
constexpr wchar_t kRecordPath[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UpdatePolicy\\Settings";
constexpr wchar_t kQualityStatus[] = L"PausedQualityStatus";
constexpr wchar_t kFeatureStatus[] = L"PausedFeatureStatus";
constexpr wchar_t kQualityDate[] = L"PausedQualityDate";
constexpr wchar_t kFeatureDate[] = L"PausedFeatureDate";
constexpr const wchar_t* kPolicyPaths[] = {L"SOFTWARE\\Policies\\Microsoft\\Windows\\WindowsUpdate",
                                           L"SOFTWARE\\Microsoft\\PolicyManager\\current\\device\\Update"};
constexpr wchar_t kDisablePause[] = L"SetDisablePauseUXAccess";
constexpr wchar_t kUxSettingsPath[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
constexpr wchar_t kMaxPauseDays[] = L"FlightSettingsMaxPauseDays";

// No value read here comes near this; a larger one is damage and is not read at all.
constexpr DWORD kMaxValueBytes = 4096;

bool IsAbsent(LSTATUS status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

// Opens a key for reading. False when it is absent (Windows said nothing) or cannot be opened
// (logged).
bool OpenForReading(const wchar_t* path, unique_hkey& key) {
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS && !IsAbsent(status)) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << path);
    }
    return status == ERROR_SUCCESS;
}

// One value of the expected type into a bounded buffer. False when it is absent, cannot be read or
// has another type (the last two logged).
bool QueryValue(HKEY key, const wchar_t* name, DWORD expectedType, std::array<BYTE, kMaxValueBytes>& data,
                DWORD& size) {
    DWORD type = REG_NONE;
    size = static_cast<DWORD>(data.size());
    const LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    if (IsAbsent(status)) {
        return false;
    }
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegQueryValueEx errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    if (type != expectedType || (expectedType == REG_DWORD && size != sizeof(DWORD))) {
        LOG_WARN(L"RegQueryValueEx unexpected type : " << type << L", size : " << size << L",lpSubKey : " << name);
        return false;
    }
    return true;
}

std::optional<uint32_t> ReadDword(HKEY key, const wchar_t* name) {
    std::array<BYTE, kMaxValueBytes> data{};
    DWORD size = 0;
    if (!QueryValue(key, name, REG_DWORD, data, size)) {
        return std::nullopt;
    }
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof(value));
    return value;
}

std::optional<std::string> ReadText(HKEY key, const wchar_t* name) {
    std::array<BYTE, kMaxValueBytes> data{};
    DWORD size = 0;
    if (!QueryValue(key, name, REG_SZ, data, size)) {
        return std::nullopt;
    }
    // Whole UTF-16 units up to the first zero; a stored terminator is optional.
    std::wstring text(size / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    text.resize(std::wcslen(text.c_str()));
    return WideToAnsi(text);
}

} // namespace

WindowsPauseRecord WindowsPauseView::Read() {
    WindowsPauseRecord record;
    if (unique_hkey key; OpenForReading(kRecordPath, key)) {
        record.m_qualityStatus = ReadDword(key.get(), kQualityStatus);
        record.m_featureStatus = ReadDword(key.get(), kFeatureStatus);
        record.m_qualityDate = ReadText(key.get(), kQualityDate);
        record.m_featureDate = ReadText(key.get(), kFeatureDate);
    }
    for (const wchar_t* path : kPolicyPaths) {
        if (unique_hkey key; OpenForReading(path, key) && ReadDword(key.get(), kDisablePause) == 1U) {
            record.m_policyKey = path;
            break;
        }
    }
    if (unique_hkey key; OpenForReading(kUxSettingsPath, key)) {
        record.m_maxPauseDays = ReadDword(key.get(), kMaxPauseDays);
    }
    return record;
}

bool WindowsPauseView::DaysLeft(const std::string& endTime, __time64_t now, uint32_t& days) {
    __time64_t end = -1;
    if (!PauseTime::ScanZTime(endTime.c_str(), end) || end < 0) {
        LOG_WARN("end time is not a time : " << endTime);
        return false;
    }
    if (end <= now) {
        return false; // no pause left to count
    }
    tm localNow{};
    tm localEnd{};
    if (const errno_t error = _localtime64_s(&localNow, &now); error != 0) {
        LOG_WARN("localtime_s error: " << error);
        return false;
    }
    if (const errno_t error = _localtime64_s(&localEnd, &end); error != 0) {
        LOG_WARN("localtime_s error: " << error);
        return false;
    }
    // Calendar days, not 24-hour spans: a pause ending tonight has 0 days left, one ending just
    // after midnight 1. A clock turned back over midnight can put the end's date before today's.
    const long long difference =
        PauseTime::DaysFromCivil(1900LL + localEnd.tm_year, localEnd.tm_mon + 1, localEnd.tm_mday) -
        PauseTime::DaysFromCivil(1900LL + localNow.tm_year, localNow.tm_mon + 1, localNow.tm_mday);
    days = difference > 0 ? static_cast<uint32_t>(difference) : 0U;
    return true;
}

WindowsPauseNote WindowsPauseView::Decide(bool paused, uint32_t daysLeft, const WindowsPauseRecord& record) {
    const bool policyForbids = !record.m_policyKey.empty();
    if (!paused) {
        return policyForbids ? WindowsPauseNote::policyForbids : WindowsPauseNote::nothing;
    }
    if (record.m_qualityStatus == 2U || record.m_featureStatus == 2U) {
        return WindowsPauseNote::endedByWindows;
    }
    if (policyForbids) {
        return WindowsPauseNote::policyForbids;
    }
    if (record.m_maxPauseDays.has_value() && *record.m_maxPauseDays < daysLeft) {
        return WindowsPauseNote::fewerDaysAllowed;
    }
    if (record.m_qualityStatus == 1U && record.m_featureStatus == 1U) {
        return WindowsPauseNote::confirmed;
    }
    return WindowsPauseNote::nothing;
}

} // namespace NvLullgate
