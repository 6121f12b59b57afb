#include "pause/WindowsPauseView.h"

#include "common/StringConv.h"
#include "common/RegistryRead.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"

#include <windows.h>

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

// Opens a key for reading. False when it is absent (Windows said nothing) or cannot be opened
// (logged).
bool OpenForReading(const wchar_t* path, unique_hkey& key) {
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS && !Registry::IsAbsent(status)) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << path);
    }
    return status == ERROR_SUCCESS;
}

// An absent value is Windows saying nothing; any other failure, a value of another type among
// them, is logged and counts as nothing said as well.
bool Said(LSTATUS status, const wchar_t* name) {
    if (status != ERROR_SUCCESS && !Registry::IsAbsent(status)) {
        LOG_WARN(L"RegGetValue errorID : " << status << L",lpSubKey : " << name);
    }
    return status == ERROR_SUCCESS;
}

std::optional<uint32_t> ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0;
    return Said(Registry::ReadDword(key, nullptr, name, value), name) ? std::optional<uint32_t>(value) : std::nullopt;
}

std::optional<std::string> ReadText(HKEY key, const wchar_t* name) {
    std::wstring text;
    return Said(Registry::ReadString(key, nullptr, name, text), name) ? std::optional<std::string>(WideToAnsi(text))
                                                                      : std::nullopt;
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
