// Windows' own view of a pause, read without writing anything. The pause values this program
// writes are a request; whether Windows Update honours it shows in the record it keeps itself, in
// the policies that forbid pausing and in the longest pause it allows. The windows decide from this
// view what, if anything, to add to "paused until ..."; they say nothing where Windows said nothing.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace NvLullgate {

// What Windows has said. An empty member means it said nothing: the key or value is absent, or it
// could not be read (which has been logged).
struct WindowsPauseRecord {
    // "PausedQualityStatus" and "PausedFeatureStatus": 0 not paused, 1 paused, 2 the pause was
    // ended by Windows.
    std::optional<uint32_t> m_qualityStatus;
    std::optional<uint32_t> m_featureStatus;
    // "PausedQualityDate" and "PausedFeatureDate", as stored.
    std::optional<std::string> m_qualityDate;
    std::optional<std::string> m_featureDate;
    // The key (without its hive) whose "SetDisablePauseUXAccess" = 1 forbids pausing; empty when
    // no policy does.
    std::wstring m_policyKey;
    // "FlightSettingsMaxPauseDays": the longest pause Windows allows now.
    std::optional<uint32_t> m_maxPauseDays;
};

// The one remark about Windows' view that the window adds.
enum class WindowsPauseNote {
    nothing,          // Windows has said nothing that bears on the pause
    confirmed,        // both of Windows' statuses say paused
    endedByWindows,   // Windows ended the pause (a status of 2)
    fewerDaysAllowed, // Windows now allows fewer days than this pause has left
    policyForbids,    // a policy forbids pausing, so Windows ignores a pause set here
};

class WindowsPauseView {
public:
    // Reads the record under "SOFTWARE\Microsoft\WindowsUpdate\UpdatePolicy\Settings", the policy
    // under "SOFTWARE\Policies\Microsoft\Windows\WindowsUpdate" or
    // "SOFTWARE\Microsoft\PolicyManager\current\device\Update", and the maximum under
    // "SOFTWARE\Microsoft\WindowsUpdate\UX\Settings" (all HKEY_LOCAL_MACHINE, read-only access).
    // Absent keys and values log nothing; a key or value that cannot be read, or holds another
    // type, logs one warning and stays empty.
    [[nodiscard]] static WindowsPauseRecord Read();

    // What to add to the paused view (paused true) or the not-paused view. Windows' word that the
    // pause ended comes first, then a forbidding policy, then a maximum below the days left, and
    // a confirmation only when nothing speaks against the pause. The not-paused view only speaks
    // of a forbidding policy.
    [[nodiscard]] static WindowsPauseNote Decide(bool paused, uint32_t daysLeft, const WindowsPauseRecord& record);
};

} // namespace NvLullgate
