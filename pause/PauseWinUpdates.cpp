#include "pause/PauseWinUpdates.h"

#include "common/Seams.h"
#include "common/StringConv.h"
#include "common/UniqueHandle.h"
#include "log/LogManager.h"
#include "pause/PauseTime.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace NvLullgate {
namespace {

// Windows Update's own settings key and values. The program is 64-bit, so without a WOW64 flag
// every access lands in the 64-bit view, where Windows Update reads them.
constexpr wchar_t kUxSettingsPath[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
constexpr wchar_t kMaxPauseDays[] = L"FlightSettingsMaxPauseDays";
constexpr wchar_t kFeatureStart[] = L"PauseFeatureUpdatesStartTime";
constexpr wchar_t kFeatureEnd[] = L"PauseFeatureUpdatesEndTime";
constexpr wchar_t kQualityStart[] = L"PauseQualityUpdatesStartTime";
constexpr wchar_t kQualityEnd[] = L"PauseQualityUpdatesEndTime";
constexpr wchar_t kUpdatesStart[] = L"PauseUpdatesStartTime";
constexpr wchar_t kUpdatesExpiry[] = L"PauseUpdatesExpiryTime";

constexpr char kZTimeFormat[] = "%Y-%m-%dT%H:%M:%SZ";
constexpr char kDateFormat[] = "%Y-%m-%d";
constexpr size_t kBufferChars = 260;
// Every text value is stored as exactly this many bytes (130 UTF-16 units), zero-padded.
constexpr DWORD kTextValueBytes = 260;
// A real pause value is 260 bytes. Anything far beyond that is damage, not a pause: it is refused
// before a buffer is made for it, as if the read had been given a buffer of this size.
constexpr DWORD kMaxValueBytes = 4096;
constexpr __time64_t kSecondsPerDay = 86400;

} // namespace

PauseWinUpdates& PauseWinUpdates::GetInstance() {
    static PauseWinUpdates instance;
    return instance;
}

// ---- Timestamps -------------------------------------------------------------------------------

bool PauseWinUpdates::RegTimeToDatetime(const char* strTime, __time64_t& time) {
    if (strTime == nullptr) {
        LOG_WARN("RegTime To Datetime strTime is null");
        return false;
    }
    // Only a text that ends before its first number is refused; a partial text keeps its unread
    // fields at 0, and whatever follows the last field read (the padding of a stored value) is
    // ignored. Out-of-range fields are normalised (day 0 is the last day of the month before); a
    // time outside 1970..3000 gives -1, which is still a result.
    if (!PauseTime::ScanZTime(strTime, time)) {
        LOG_WARN("RegTimeToDatetime sscanf_s format error, strTime: " << strTime);
        return false;
    }
    return true;
}

bool PauseWinUpdates::GetCurrentTimeZ(std::string& zTime) {
    const __time64_t now = Seams::Time();
    tm utc{};
    if (const errno_t error = _gmtime64_s(&utc, &now); error != 0) {
        LOG_ERROR("gmtime_s error: " << error);
        return false;
    }
    char buffer[kBufferChars]{};
    if (strftime(buffer, sizeof(buffer), kZTimeFormat, &utc) == 0) {
        LOG_ERROR("strftime error");
        return false;
    }
    zTime = buffer;
    return true;
}

bool PauseWinUpdates::GetRegEndTimeZ(uint32_t day, const std::string& startTime, std::string& endTime) {
    __time64_t start = 0;
    if (!RegTimeToDatetime(startTime.c_str(), start)) {
        LOG_ERROR("RegTime To Datetime error : " << startTime);
        return false;
    }
    // Whole days in UTC: the end keeps the start's time of day across any daylight-saving change.
    const __time64_t end = start + static_cast<__time64_t>(day) * kSecondsPerDay;
    tm utc{};
    if (const errno_t error = _gmtime64_s(&utc, &end); error != 0) {
        LOG_ERROR("GetRegEndTimeZ error: " << error);
        return false;
    }
    char buffer[kBufferChars]{};
    if (strftime(buffer, sizeof(buffer), kZTimeFormat, &utc) == 0) {
        LOG_ERROR("strftime error");
        return false;
    }
    endTime = buffer;
    return true;
}

bool PauseWinUpdates::ZtimeToSysTime(const std::string& zTime, std::string& date) {
    __time64_t time = 0;
    if (!RegTimeToDatetime(zTime.c_str(), time)) {
        LOG_ERROR("RegTime To Datetime error, zTime : " << zTime);
        return false;
    }
    tm local{};
    if (const errno_t error = _localtime64_s(&local, &time); error != 0) {
        LOG_ERROR("localtime_s error: " << error);
        return false;
    }
    char buffer[kBufferChars]{};
    if (strftime(buffer, sizeof(buffer), kDateFormat, &local) == 0) {
        LOG_ERROR("GetCurrentSysTime strftime error");
        return false;
    }
    date = buffer;
    return true;
}

// ---- Settings store ---------------------------------------------------------------------------

bool PauseWinUpdates::SetRegFormWinUpdateUxSet(const std::wstring& name, const std::string& text) {
    unique_hkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) {
        const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_WRITE, nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS) {
            LOG_WARN(L"RegCreateKeyEx errorID:" << status << L",lpSubKey : " << kUxSettingsPath);
            return false;
        }
    }
    wchar_t buffer[kBufferChars]{};
    const std::wstring wide = AnsiToWide(text);
    // The copy ends at the first zero, as a string copy would. A text that leaves no room for its
    // terminator inside the fixed 260 bytes would be stored cut or unterminated, so it is refused
    // rather than written corrupted.
    const size_t length = wcsnlen(wide.c_str(), wide.size());
    if (length == 0 || length >= kTextValueBytes / sizeof(wchar_t)) {
        LOG_ERROR("swprintf_s error : " << text);
        return false;
    }
    wmemcpy(buffer, wide.c_str(), length);
    const LSTATUS status = Seams::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                                                 reinterpret_cast<const BYTE*>(buffer), kTextValueBytes);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegSetValueEx errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    return true;
}

bool PauseWinUpdates::ReadRegFormWinUpdateUxSet(const std::wstring& name, std::string& text) {
    unique_hkey key;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID:" << status << L",lpSubKey : " << kUxSettingsPath);
        return false;
    }
    DWORD type = 0;
    DWORD size = 0;
    status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegQueryValueEx get size errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    if (size > kMaxValueBytes) {
        LOG_WARN(L"RegQueryValueEx get value errorID : " << static_cast<LSTATUS>(ERROR_MORE_DATA) << L",lpSubKey : "
                                                         << name);
        return false;
    }
    // Room for every byte the value holds, also an odd last one, so the second query can never
    // write past the buffer; only whole UTF-16 units are read back.
    const DWORD units = size / sizeof(wchar_t);
    std::vector<wchar_t> buffer((size + 1) / sizeof(wchar_t), L'\0');
    status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                              buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegQueryValueEx get value errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    // Every unit counts, also the zero padding after the text (as spaces), so two values agree
    // only when their stored data has the same length.
    for (DWORD i = 0; i < units; ++i) {
        text.push_back(buffer[i] == L'\0' ? ' ' : static_cast<char>(buffer[i] & 0xFF));
    }
    return true;
}

bool PauseWinUpdates::DeleteRegFormWinUpdateUxSet(const std::wstring& name) {
    unique_hkey key;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << kUxSettingsPath);
        return false;
    }
    status = RegDeleteValueW(key.get(), name.c_str());
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegDeleteValue errorID : " << status << L",lpSubKey : " << name);
        return false;
    }
    return true;
}

bool PauseWinUpdates::SetRegMaxPauseDays(uint32_t day) {
    unique_hkey key;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << kUxSettingsPath);
        status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS) {
            LOG_WARN(L"RegCreateKeyEx errorID : " << status << L",lpSubKey : " << kUxSettingsPath);
            return false;
        }
    }
    const DWORD value = day;
    status = Seams::RegSetValueExW(key.get(), kMaxPauseDays, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof(value));
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegSetValueEx lpSubKey errorID : " << status << L",lpSubKey : " << kMaxPauseDays);
        return false;
    }
    return true;
}

bool PauseWinUpdates::FindRegMaxPauseDays() {
    unique_hkey key;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << kUxSettingsPath);
        return false;
    }
    if (RegQueryValueExW(key.get(), kMaxPauseDays, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        LOG_WARN(L"PauseMaxDays key not found.");
        return false;
    }
    return true;
}

// ---- Status and operations --------------------------------------------------------------------

bool PauseWinUpdates::GetPauseStatus(std::string& endDate) {
    if (!InitPauseStatus()) {
        LOG_ERROR("InitPauseStatus error!");
        return false;
    }
    if (m_isPaused && !ZtimeToSysTime(m_pauseEndTime, endDate)) {
        LOG_ERROR("Ztime To SysTime error, m_pauseEndTime" << m_pauseEndTime);
        // An end that cannot be shown is no pause anyone can rely on. The status itself is known,
        // so the window shows "not paused" (from which a new pause replaces the damaged values)
        // instead of a system error that would end the program.
        m_isPaused = false;
        m_pauseStartTime.clear();
        m_pauseEndTime.clear();
    }
    return true;
}

bool PauseWinUpdates::InitPauseStatus() {
    m_isPaused = false;
    m_pauseStartTime.clear();
    m_pauseEndTime.clear();
    m_curSysTime.clear();
    if (!GetCurrentTimeZ(m_curSysTime)) {
        LOG_ERROR("get current time error!");
        return false;
    }
    std::string startTime;
    std::string endTime;
    // A pause that cannot be read or does not hold is simply no pause: the status is still known.
    if (!GetSysPauseStartTimeAndEndTime(startTime, endTime) || !CheckTime(startTime, endTime, m_curSysTime)) {
        return true;
    }
    m_isPaused = true;
    m_pauseStartTime = startTime;
    m_pauseEndTime = endTime;
    return true;
}

bool PauseWinUpdates::GetSysPauseStartTimeAndEndTime(std::string& startTime, std::string& endTime) {
    std::string featureStart, featureEnd, qualityStart, qualityEnd, updatesStart, updatesExpiry;
    if (!ReadRegFormWinUpdateUxSet(kFeatureStart, featureStart) ||
        !ReadRegFormWinUpdateUxSet(kFeatureEnd, featureEnd) ||
        !ReadRegFormWinUpdateUxSet(kQualityStart, qualityStart) ||
        !ReadRegFormWinUpdateUxSet(kQualityEnd, qualityEnd) ||
        !ReadRegFormWinUpdateUxSet(kUpdatesStart, updatesStart) ||
        !ReadRegFormWinUpdateUxSet(kUpdatesExpiry, updatesExpiry)) {
        LOG_WARN("read reg form winUpdateUxSet error!");
        return false;
    }
    if (featureStart != qualityStart || qualityStart != updatesStart) {
        LOG_WARN("Reg start time is not equal!");
        return false;
    }
    if (featureEnd != qualityEnd || qualityEnd != updatesExpiry) {
        LOG_WARN("Reg end time is not equal!");
        return false;
    }
    startTime = updatesStart;
    endTime = updatesExpiry;
    return true;
}

bool PauseWinUpdates::CheckTime(const std::string& startTime, const std::string& endTime, const std::string& curTime) {
    __time64_t start = 0, end = 0, current = 0;
    if (!RegTimeToDatetime(startTime.c_str(), start)) {
        LOG_WARN("startTime RegTime To Datetime fail!");
        return false;
    }
    if (!RegTimeToDatetime(endTime.c_str(), end)) {
        LOG_WARN("endTime RegTime To Datetime fail!");
        return false;
    }
    if (!RegTimeToDatetime(curTime.c_str(), current)) {
        LOG_WARN("curTime RegTime To Datetime fail!");
        return false;
    }
    if (start >= end) {
        LOG_WARN("startTime >= endTime!");
        return false;
    }
    // A start still in the future is accepted: Windows Update honours such a pause as well.
    if (current >= end) {
        LOG_WARN("curTime >= endTime!");
        return false;
    }
    return true;
}

bool PauseWinUpdates::DoPauseWinUpdate(uint32_t day, std::string& endDate) {
    // What was there before, so that a write failing half-way leaves no half-written pause that
    // neither this program nor Windows would recognise.
    std::vector<SavedValue> before;
    if (!SavePauseValues(before)) {
        LOG_ERROR("pause values could not be read before the pause; nothing was written");
        return false;
    }
    if (!SetRegMaxPauseDays(day)) {
        LOG_ERROR("set reg max pause days error");
        return false;
    }
    if (!SetPauseWindowsUpdate(day)) {
        LOG_ERROR("set pause windows update error");
        RestorePauseValues(before);
        return false;
    }
    // The pause is in place at this point; a date that cannot be shown does not undo it.
    if (!ZtimeToSysTime(m_pauseEndTime, endDate)) {
        LOG_ERROR("Ztime To SysTime error : " << m_pauseEndTime);
    }
    return true;
}

bool PauseWinUpdates::SetPauseWindowsUpdate(uint32_t day) {
    // The start is the moment of the last status read, so a pause set, resumed and set again in one
    // run keeps one start; only an instance that never read the status takes the time now.
    if (m_curSysTime.empty() && !GetCurrentTimeZ(m_curSysTime)) {
        LOG_ERROR("m_curSysTime is null");
        return false;
    }
    std::string endTime;
    if (!GetRegEndTimeZ(day, m_curSysTime, endTime)) {
        LOG_ERROR("get reg end timez error, day : " << day << ", m_curSysTime : " << m_curSysTime);
        return false;
    }
    for (const wchar_t* name : {kFeatureStart, kQualityStart, kUpdatesStart}) {
        if (!SetRegFormWinUpdateUxSet(name, m_curSysTime)) {
            LOG_ERROR("SetRegFormWinUpdateUxSet error");
            return false;
        }
    }
    for (const wchar_t* name : {kFeatureEnd, kQualityEnd, kUpdatesExpiry}) {
        if (!SetRegFormWinUpdateUxSet(name, endTime)) {
            LOG_ERROR("SetRegFormWinUpdateUxSet error");
            return false;
        }
    }
    m_pauseStartTime = m_curSysTime;
    m_pauseEndTime = endTime;
    m_isPaused = true;
    return true;
}

bool PauseWinUpdates::DoRecoveringWinUpdate() {
    if (FindRegMaxPauseDays() && !DeleteRegFormWinUpdateUxSet(kMaxPauseDays)) {
        LOG_ERROR("DeleteRegFormWinUpdateUxSet error");
    }
    // Every value that is there goes, whatever happened to the others: one removed by Windows or a
    // clean-up tool must not keep the rest (the expiry among them) in place.
    std::vector<std::wstring> present;
    if (ExistingPauseValues(present)) {
        for (const std::wstring& name : present) {
            if (name != kMaxPauseDays && !DeleteRegFormWinUpdateUxSet(name)) {
                LOG_ERROR("DeleteRegFormWinUpdateUxSet error");
            }
        }
    }
    // Done only when nothing of a pause is left; a value gone meanwhile is as good as removed.
    std::vector<std::wstring> remaining{L"(unreadable)"};
    if (!ExistingPauseValues(remaining) || !remaining.empty()) {
        std::wstring names;
        for (const std::wstring& name : remaining) {
            names += (names.empty() ? L"" : L", ") + name;
        }
        LOG_ERROR(L"pause values remain: " << names);
        return false;
    }
    m_pauseStartTime.clear();
    m_pauseEndTime.clear();
    m_isPaused = false;
    return true;
}

bool PauseWinUpdates::ExistingPauseValues(std::vector<std::wstring>& names) {
    unique_hkey key;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_READ, key.put());
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
        names.clear();
        return true;
    }
    if (status != ERROR_SUCCESS) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << kUxSettingsPath);
        return false;
    }
    std::vector<std::wstring> found;
    for (const wchar_t* name :
         {kMaxPauseDays, kFeatureStart, kFeatureEnd, kQualityStart, kQualityEnd, kUpdatesStart, kUpdatesExpiry}) {
        const LSTATUS query = RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr);
        if (query == ERROR_SUCCESS) {
            found.emplace_back(name);
        } else if (query != ERROR_FILE_NOT_FOUND) {
            LOG_WARN(L"RegQueryValueEx errorID : " << query << L",lpSubKey : " << name);
            return false;
        }
    }
    names = std::move(found);
    return true;
}

std::vector<std::wstring> PauseWinUpdates::LeftoverPauseValues() {
    std::vector<std::wstring> names;
    if (m_isPaused || !ExistingPauseValues(names) || names.empty() ||
        (names.size() == 1 && names[0] == kMaxPauseDays)) {
        return {};
    }
    return names;
}

bool PauseWinUpdates::SavePauseValues(std::vector<SavedValue>& saved) {
    saved.clear();
    unique_hkey key;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_READ, key.put());
    const bool keyAbsent = status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
    if (status != ERROR_SUCCESS && !keyAbsent) {
        LOG_WARN(L"RegOpenKeyEx errorID : " << status << L",lpSubKey : " << kUxSettingsPath);
        return false;
    }
    for (const wchar_t* name :
         {kMaxPauseDays, kFeatureStart, kFeatureEnd, kQualityStart, kQualityEnd, kUpdatesStart, kUpdatesExpiry}) {
        SavedValue value;
        value.name = name;
        if (!keyAbsent) {
            value.data.resize(kMaxValueBytes);
            DWORD type = 0;
            DWORD size = kMaxValueBytes;
            const LSTATUS query = RegQueryValueExW(key.get(), name, nullptr, &type, value.data.data(), &size);
            if (query != ERROR_SUCCESS && query != ERROR_FILE_NOT_FOUND) {
                // Too large to have been written by anyone pausing updates, or unreadable: what could
                // not be kept could not be put back either.
                LOG_WARN(L"RegQueryValueEx get value errorID : " << query << L",lpSubKey : " << name);
                return false;
            }
            value.existed = query == ERROR_SUCCESS;
            value.type = type;
            value.data.resize(value.existed ? size : 0);
        }
        saved.push_back(std::move(value));
    }
    return true;
}

void PauseWinUpdates::RestorePauseValues(const std::vector<SavedValue>& saved) {
    unique_hkey key;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUxSettingsPath, 0, KEY_ALL_ACCESS, key.put());
    if (status != ERROR_SUCCESS) {
        LOG_ERROR(L"pause values not restored, RegOpenKeyEx errorID : " << status);
        return;
    }
    bool restored = true;
    for (const SavedValue& value : saved) {
        const LSTATUS result = value.existed
                                   ? Seams::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type,
                                                           value.data.data(), static_cast<DWORD>(value.data.size()))
                                   : RegDeleteValueW(key.get(), value.name.c_str());
        if (result != ERROR_SUCCESS && !(result == ERROR_FILE_NOT_FOUND && !value.existed)) {
            LOG_ERROR(L"restoring " << value.name << L" failed, errorID : " << result);
            restored = false;
        }
    }
    if (restored) {
        LOG_WARN("the pause values are back as they were before the pause");
    }
}

bool PauseWinUpdates::JumpWinUpdateUI() {
    wchar_t commandLine[kBufferChars]{}; // CreateProcessW may write into its command line
    if (_snwprintf_s(commandLine, kBufferChars, _TRUNCATE, L"%ls", L"control update") <= 0) {
        LOG_ERROR("swprintf_s command error");
        return false;
    }
    // The program runs elevated with its own folder as working directory. Without an application
    // name CreateProcessW would look for control.exe there before the system folder, so a file
    // planted beside the exe would run with administrator rights: name the system's one exactly.
    wchar_t systemDir[kBufferChars]{};
    const UINT dirLength = GetSystemDirectoryW(systemDir, static_cast<UINT>(kBufferChars));
    const DWORD dirError = GetLastError();
    wchar_t application[kBufferChars]{};
    if (dirLength == 0 || dirLength >= kBufferChars ||
        _snwprintf_s(application, kBufferChars, _TRUNCATE, L"%ls\\control.exe", systemDir) <= 0) {
        LOG_ERROR("GetSystemDirectory error : " << dirError);
        return false;
    }
    STARTUPINFOW startupInfo{};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInfo{};
    if (!Seams::CreateProcessW(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                               &processInfo)) {
        LOG_ERROR("CreateProcess command error");
        return false;
    }
    const unique_handle process(processInfo.hProcess);
    const unique_handle thread(processInfo.hThread);
    // The caller continues only once the settings program has ended; a wait that fails says
    // nothing about that, so it is not reported as success.
    if (WaitForSingleObject(process.get(), INFINITE) == WAIT_FAILED) {
        LOG_ERROR("WaitForSingleObject error : " << GetLastError());
        return false;
    }
    return true;
}

} // namespace NvLullgate
