// lullgate-cli: the pause engine for administrators and scripts. `status`, `pause <days>` and
// `resume` with the window program's exact behaviour (same engine, same bytes, same consent
// record), documented exit codes, text for people and --json for scripts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace NvLullgate {
class PauseWinUpdates;
}

namespace NvLullgate::Cli {

// Stable: scripts and management tools act on them.
enum ExitCode : int {
    kDone = 0,          // done
    kFailed = 1,        // the operation failed; the message says why, the log has the detail
    kWrongUse = 2,      // bad arguments, days out of range
    kNoConsent = 3,     // the consent record is missing or out of date (pause and resume)
    kNotElevated = 4,   // pause and resume need an elevated prompt
    kPolicyForbids = 5, // policy turns pausing off (pause only); nothing is written
};

// Runs one command line (the arguments after the program name). People's text and JSON go to
// `out`; messages about wrong use and failures to `err` (in --json mode failures go to `out` as
// JSON as well, so a script reads one object whatever happened).
[[nodiscard]] int Run(const std::vector<std::wstring>& args, std::wostream& out, std::wostream& err,
                      PauseWinUpdates& engine);
[[nodiscard]] int Run(const std::vector<std::wstring>& args, std::wostream& out, std::wostream& err);

} // namespace NvLullgate::Cli
