// The pause engine: tells whether Windows Update is paused and until which local day, pauses it for
// a number of days, resumes it and opens its settings page. The pause values Windows Update keeps
// under HKLM are the only lasting record; the instance remembers what it last read or wrote.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace NvLullgate {

struct PauseWinUpdatesTestAccess;

class PauseWinUpdates {
public:
    // The single instance of the process, created on first use.
    static PauseWinUpdates& GetInstance();

    // True when the status could be determined; the caller then reads m_isPaused. When paused,
    // endDate receives the local date ("%Y-%m-%d") of the pause end; otherwise it is left alone.
    // A pause whose end date cannot be made counts as not paused.
    [[nodiscard]] bool GetPauseStatus(std::string& endDate);
    // Writes the day count and the six pause values. endDate receives the local end date; if that
    // date cannot be made the pause still counts as written. When a write fails, every value is put
    // back as it was before (its data, or its absence), so no half-written pause is left.
    [[nodiscard]] bool DoPauseWinUpdate(uint32_t day, std::string& endDate);
    // Deletes the day count and the six pause values, each that exists; one already gone counts as
    // removed. False only when a value that exists could not be removed (the log names what remains).
    [[nodiscard]] bool DoRecoveringWinUpdate();
    // Opens the Windows Update settings page and returns once that program has ended.
    [[nodiscard]] bool JumpWinUpdateUI();

    // The names of the pause values that exist now: the day count, then the six in the order a
    // resume deletes them. False (names unchanged) when the key exists but cannot be read.
    [[nodiscard]] bool ExistingPauseValues(std::vector<std::wstring>& names);
    // After a status read that found no valid pause: the pause values still set, when any of the
    // six is (an expired pause, or one damaged by a failed write or a clean-up); a resume clears
    // them. Empty while paused. The day count alone is no leftover: it is a setting that other
    // tools use to lengthen what Windows' own page offers, and it pauses nothing.
    [[nodiscard]] std::vector<std::wstring> LeftoverPauseValues();

    ~PauseWinUpdates() = default;
    PauseWinUpdates(const PauseWinUpdates&) = delete;
    PauseWinUpdates& operator=(const PauseWinUpdates&) = delete;

    // Z-time texts ("%Y-%m-%dT%H:%M:%SZ"): the pause the instance knows of (as read back, or as
    // written), and the moment of the last status read, which is the start of every later pause.
    std::string m_pauseStartTime;
    std::string m_pauseEndTime;
    std::string m_curSysTime;
    bool m_isPaused = false;

private:
    PauseWinUpdates() = default;

    // Timestamps. Each leaves its output unchanged when it fails.
    [[nodiscard]] bool RegTimeToDatetime(const char* strTime, __time64_t& time);
    [[nodiscard]] bool GetCurrentTimeZ(std::string& zTime);
    [[nodiscard]] bool GetRegEndTimeZ(uint32_t day, const std::string& startTime, std::string& endTime);
    [[nodiscard]] bool ZtimeToSysTime(const std::string& zTime, std::string& date);

    // Single-value operations on the Windows Update settings key; each opens and closes the key.
    [[nodiscard]] bool SetRegFormWinUpdateUxSet(const std::wstring& name, const std::string& text);
    [[nodiscard]] bool ReadRegFormWinUpdateUxSet(const std::wstring& name, std::string& text);
    [[nodiscard]] bool DeleteRegFormWinUpdateUxSet(const std::wstring& name);
    [[nodiscard]] bool SetRegMaxPauseDays(uint32_t day);
    [[nodiscard]] bool FindRegMaxPauseDays();

    [[nodiscard]] bool InitPauseStatus();
    [[nodiscard]] bool GetSysPauseStartTimeAndEndTime(std::string& startTime, std::string& endTime);
    [[nodiscard]] bool CheckTime(const std::string& startTime, const std::string& endTime, const std::string& curTime);
    [[nodiscard]] bool SetPauseWindowsUpdate(uint32_t day);

    // A pause value as it was before a pause began, to put back if the pause fails half-way.
    struct SavedValue {
        std::wstring name;
        bool existed = false;
        unsigned long type = 0; // REG_*
        std::vector<unsigned char> data;
    };
    [[nodiscard]] bool SavePauseValues(std::vector<SavedValue>& saved);
    void RestorePauseValues(const std::vector<SavedValue>& saved);

    friend struct PauseWinUpdatesTestAccess;
};

} // namespace NvLullgate
