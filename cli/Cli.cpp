#include "cli/Cli.h"

#include "appcommon/Common.h"
#include "cli/Json.h"
#include "common/Seams.h"
#include "common/StringConv.h"
#include "log/LogManager.h"
#include "duilib/UICulture.h"
#include "pause/PauseRules.h"
#include "pause/PauseWinUpdates.h"
#include "pause/WindowsPauseView.h"
#include "privacy/OptPrivacySecurityReg.h"
#include "remind/Reminders.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>
#include <ostream>

namespace NvLullgate::Cli {
namespace {

using NvPcPrivacySecurity::OptPrivacySecurityReg;

constexpr wchar_t kHelp[] = LR"(lullgate-cli - pause Windows Update, see the pause, resume it.

Usage:
  lullgate-cli status [--json]
  lullgate-cli pause <days> [--agree] [--json]     days: 36 to 365
  lullgate-cli resume [--open-settings] [--agree] [--json]
  lullgate-cli remind [--dry-run] [--json]
  lullgate-cli --help | --version

pause and resume write under HKEY_LOCAL_MACHINE: run them from an elevated prompt. They also need
your consent to Lullgate's privacy statement and user agreement, as the Lullgate window asks for it.
Read them in the docs folder beside this program (privacy-statement.html, user-agreement.html);
--agree records your consent, as the window's Agree button does.

Exit codes: 0 done, 1 failed (see the message and the log), 2 wrong use, 3 consent missing or out
of date, 4 not elevated, 5 policy forbids pausing (nothing written).
)";

struct Options {
    std::wstring command;
    std::wstring days;
    bool json = false;
    bool agree = false;
    bool openSettings = false;
    bool dryRun = false;
};

std::wstring Joined(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names) {
        text += (text.empty() ? L"" : L", ") + name;
    }
    return text;
}

class Output {
public:
    Output(std::wostream& out, std::wostream& err, bool json) : m_out(out), m_err(err), m_json(json) {}

    // A failure: one line for people on the error stream, or one JSON object for scripts.
    int Fail(int code, const std::wstring& message) {
        if (m_json) {
            m_out << JsonObject().Field(L"exitCode", static_cast<long long>(code)).Field(L"message", message).Text()
                  << L"\n";
        } else {
            m_err << L"lullgate-cli: " << message << L"\n";
        }
        return code;
    }
    std::wostream& Out() { return m_out; }
    [[nodiscard]] bool Json() const { return m_json; }

private:
    std::wostream& m_out;
    std::wostream& m_err;
    bool m_json;
};

// Parses the arguments; an error text when they are wrong.
std::optional<std::wstring> Parse(const std::vector<std::wstring>& args, Options& options) {
    for (const std::wstring& arg : args) {
        if (arg == L"--json") {
            options.json = true;
        } else if (arg == L"--agree") {
            options.agree = true;
        } else if (arg == L"--open-settings") {
            options.openSettings = true;
        } else if (arg == L"--dry-run") {
            options.dryRun = true;
        } else if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            options.command = L"--help";
            return std::nullopt;
        } else if (arg == L"--version") {
            options.command = L"--version";
            return std::nullopt;
        } else if (!arg.empty() && arg.front() == L'-') {
            return L"unknown option " + arg + L" (see lullgate-cli --help)";
        } else if (options.command.empty()) {
            options.command = arg;
        } else if (options.command == L"pause" && options.days.empty()) {
            options.days = arg;
        } else {
            return L"unexpected argument " + arg + L" (see lullgate-cli --help)";
        }
    }
    if (options.command.empty()) {
        return L"no command given (see lullgate-cli --help)";
    }
    if (options.command != L"status" && options.command != L"pause" && options.command != L"resume" &&
        options.command != L"remind") {
        return L"unknown command " + options.command + L" (see lullgate-cli --help)";
    }
    if (options.command == L"pause" && options.days.empty()) {
        return L"pause needs a number of days from 36 to 365, for example: lullgate-cli pause 60";
    }
    if (options.openSettings && options.command != L"resume") {
        return L"--open-settings goes with resume only";
    }
    if (options.agree && options.command != L"pause" && options.command != L"resume") {
        return L"--agree goes with pause and resume only";
    }
    if (options.dryRun && options.command != L"remind") {
        return L"--dry-run goes with remind only";
    }
    return std::nullopt;
}

bool IsElevated() {
    DWORD elevated = 0;
    DWORD length = 0;
    return Seams::QueryTokenElevation(&elevated, &length) && elevated != 0;
}

std::optional<long long> Optional(const std::optional<uint32_t>& value) {
    return value ? std::optional<long long>(*value) : std::nullopt;
}
std::optional<std::wstring> Optional(const std::optional<std::string>& text) {
    return text ? std::optional<std::wstring>(AnsiToWide(*text)) : std::nullopt;
}

const wchar_t* NoteName(WindowsPauseNote note) {
    switch (note) {
    case WindowsPauseNote::confirmed:
        return L"confirmed";
    case WindowsPauseNote::endedByWindows:
        return L"endedByWindows";
    case WindowsPauseNote::fewerDaysAllowed:
        return L"fewerDaysAllowed";
    case WindowsPauseNote::policyForbids:
        return L"policyForbids";
    case WindowsPauseNote::nothing:
        break;
    }
    return L"nothing";
}

// The status, with Windows' own view, as a JSON object and as lines for people. False when the
// status cannot be read.
bool DescribeStatus(PauseWinUpdates& engine, JsonObject& json, std::wstring& text) {
    std::string endDate;
    if (!engine.GetPauseStatus(endDate)) {
        return false;
    }
    const bool paused = engine.m_isPaused;
    std::optional<std::wstring> until;
    std::optional<std::wstring> endUtc;
    std::optional<long long> daysLeft;
    const WindowsPauseRecord record = WindowsPauseView::Read();
    const PauseRules::Remark remark =
        PauseRules::Describe(paused, engine.m_pauseEndTime, record, Seams::Time(),
                             [](const wchar_t* key) { return DuiLib::UICulture::GetInstance()->GetString(key).str(); });
    if (paused) {
        until = AnsiToWide(endDate);
        endUtc = AnsiToWide(PauseRules::Unpadded(engine.m_pauseEndTime));
        if (remark.daysLeft) {
            daysLeft = *remark.daysLeft;
        }
    }
    JsonObject windows;
    windows.Field(L"qualityStatus", Optional(record.m_qualityStatus))
        .Field(L"featureStatus", Optional(record.m_featureStatus))
        .Field(L"qualityDate", Optional(record.m_qualityDate))
        .Field(L"featureDate", Optional(record.m_featureDate))
        .Field(L"policyForbidsPause", !record.m_policyKey.empty())
        .Field(L"policyKey",
               record.m_policyKey.empty() ? std::nullopt : std::optional<std::wstring>(L"HKLM\\" + record.m_policyKey))
        .Field(L"maxPauseDays", Optional(record.m_maxPauseDays))
        .Field(L"says", std::wstring(NoteName(remark.note)));
    const std::vector<std::wstring> leftovers = engine.LeftoverPauseValues();
    json.Field(L"paused", paused)
        .Field(L"pausedUntil", until)
        .Field(L"endUtc", endUtc)
        .Field(L"daysLeft", daysLeft)
        .Field(L"leftoverValues", leftovers)
        .Field(L"windows", windows);
    text = paused ? L"Windows Update is paused until " + *until + L" (ends " + *endUtc + L")."
                  : L"Windows Update is not paused.";
    if (!remark.text.empty()) {
        text += L"\n" + remark.text;
    }
    // Where a policy turns pausing off, administrators need to know which one.
    if (!record.m_policyKey.empty()) {
        text += L" (HKLM\\" + record.m_policyKey + L")";
    }
    if (!leftovers.empty()) {
        text += L"\nValues from an earlier pause are still set (" + Joined(leftovers) +
                L"); lullgate-cli resume clears them.";
    }
    return true;
}

int Status(PauseWinUpdates& engine, Output& output) {
    JsonObject json;
    std::wstring text;
    if (!DescribeStatus(engine, json, text)) {
        return output.Fail(kFailed, L"the pause status could not be read; the log has the detail");
    }
    output.Out() << (output.Json() ? json.Text() : text) << L"\n";
    return kDone;
}

// Elevation, then consent (recorded with --agree). kDone when the command may go on.
int CheckCanChange(const Options& options, Output& output) {
    if (!IsElevated()) {
        return output.Fail(kNotElevated, options.command + L" writes under HKEY_LOCAL_MACHINE and needs an elevated "
                                                           L"prompt: open one with \"Run as administrator\"");
    }
    if (OptPrivacySecurityReg::CheckToolPriacyStatusReg() == NvPcPrivacySecurity::StatusCurrent) {
        return kDone;
    }
    if (!options.agree) {
        return output.Fail(kNoConsent, L"consent to the current privacy statement and user agreement is not recorded "
                                       L"for this account; read them (docs folder beside this program) and run "
                                       L"again with --agree");
    }
    if (!OptPrivacySecurityReg::SetToolPriacyStatusReg()) {
        return output.Fail(kFailed, L"your consent could not be recorded; the log has the detail");
    }
    return kDone;
}

int Pause(const Options& options, PauseWinUpdates& engine, Output& output) {
    const std::optional<uint32_t> days = PauseRules::ParseDayArgument(options.days);
    if (!days) {
        return output.Fail(kWrongUse, L"days must be a whole number from 36 to 365, not \"" + options.days + L"\"");
    }
    if (const int code = CheckCanChange(options, output); code != kDone) {
        return code;
    }
    if (const WindowsPauseRecord record = WindowsPauseView::Read(); !record.m_policyKey.empty()) {
        return output.Fail(kPolicyForbids, L"a policy turns pausing off on this device (HKLM\\" + record.m_policyKey +
                                               L"); Windows would ignore the pause, so nothing was written");
    }
    // The status read takes the moment the pause starts from, as the window does.
    std::string endDate;
    if (!engine.GetPauseStatus(endDate)) {
        return output.Fail(kFailed, L"the pause status could not be read; the log has the detail");
    }
    endDate.clear();
    if (!engine.DoPauseWinUpdate(*days, endDate)) {
        return output.Fail(kFailed, L"the pause could not be written; the values are as they were before (the log "
                                    L"has the detail)");
    }
    const std::string written = engine.m_pauseEndTime;
    // Done only when what is now in place, read back as `status` shows it, is this very pause.
    JsonObject json;
    std::wstring text;
    if (!DescribeStatus(engine, json, text)) {
        return output.Fail(kFailed, L"the pause was written but could not be read back; the log has the detail");
    }
    if (!engine.m_isPaused || PauseRules::Unpadded(engine.m_pauseEndTime) != written) {
        return output.Fail(kFailed, L"the pause was written, but Windows Update's values now say: " + text);
    }
    output.Out() << (output.Json() ? json.Text() : text) << L"\n";
    return kDone;
}

int Resume(const Options& options, PauseWinUpdates& engine, Output& output) {
    if (const int code = CheckCanChange(options, output); code != kDone) {
        return code;
    }
    std::string endDate;
    const bool known = engine.GetPauseStatus(endDate);
    const bool wasPaused = known && engine.m_isPaused;
    std::vector<std::wstring> before;
    (void)engine.ExistingPauseValues(before); // only for the words below; the resume checks for itself
    const std::string pauseEnd = wasPaused ? engine.m_pauseEndTime : std::string();
    // Removes every value that is there: a pause, one that has run out, or what a damaged one left.
    if (!engine.DoRecoveringWinUpdate()) {
        std::vector<std::wstring> remaining;
        const std::wstring still = engine.ExistingPauseValues(remaining) ? Joined(remaining) : L"unknown";
        return output.Fail(kFailed, L"the pause could not be removed completely; still set: " + still +
                                        L" (the log has the detail)");
    }
    if (wasPaused) {
        Reminders::NoteResumed(pauseEnd); // this user ended it: no reminder tells them it ended
    }
    if (options.openSettings && !engine.JumpWinUpdateUI()) {
        return output.Fail(kFailed, L"updates resume, but the settings page could not be opened");
    }
    JsonObject json;
    json.Field(L"paused", false)
        .Field(L"pausedUntil", std::optional<std::wstring>())
        .Field(L"endUtc", std::optional<std::wstring>())
        .Field(L"daysLeft", std::optional<long long>())
        .Field(L"wasPaused", wasPaused)
        .Field(L"removedValues", before);
    output.Out() << (output.Json()    ? json.Text()
                     : wasPaused      ? L"Windows Update resumes: the pause is removed."
                     : before.empty() ? L"Windows Update was not paused."
                                      : L"Windows Update was not paused; the values of an earlier pause are removed.")
                 << L"\n";
    return kDone;
}

// The reminder's decision for this account, without a balloon; unless --dry-run, it counts as
// told, as the reminder counts what it showed.
int Remind(const Options& options, PauseWinUpdates& engine, Output& output) {
    Reminders::Decision decision;
    if (!Reminders::Check(engine, options.dryRun, decision)) {
        return output.Fail(kFailed, L"the pause or the reminder record could not be read; the log has the detail");
    }
    const wchar_t* name = Reminders::EventName(decision.event);
    JsonObject json;
    json.Field(L"notify", name != nullptr ? std::optional<std::wstring>(name) : std::nullopt)
        .Field(L"pausedUntil", decision.pausedUntil.empty()
                                   ? std::nullopt
                                   : std::optional<std::wstring>(AnsiToWide(decision.pausedUntil)))
        .Field(L"daysLeft", decision.daysLeft ? std::optional<long long>(*decision.daysLeft) : std::nullopt);
    const std::wstring text = name == nullptr ? L"Nothing to tell." : Reminders::Text(decision, [](const wchar_t* key) {
        return DuiLib::UICulture::GetInstance()->GetString(key).str();
    });
    output.Out() << (output.Json() ? json.Text() : text) << L"\n";
    return kDone;
}

} // namespace

int Run(const std::vector<std::wstring>& args, std::wostream& out, std::wostream& err, PauseWinUpdates& engine) {
    Options options;
    const std::optional<std::wstring> wrong = Parse(args, options);
    // A script that asked for JSON reads JSON whatever else is wrong with its line, wherever the
    // flag stands (parsing stops at the first wrong argument).
    options.json = std::find(args.begin(), args.end(), L"--json") != args.end();
    Output output(out, err, options.json);
    if (wrong) {
        return output.Fail(kWrongUse, *wrong);
    }
    if (options.command == L"--help") {
        out << kHelp;
        return kDone;
    }
    if (options.command == L"--version") {
        out << AnsiToWide(Common::GetAppVersion()) << L"\n";
        return kDone;
    }
    if (options.command == L"status") {
        return Status(engine, output);
    }
    if (options.command == L"pause") {
        return Pause(options, engine, output);
    }
    if (options.command == L"remind") {
        return Remind(options, engine, output);
    }
    return Resume(options, engine, output);
}

int Run(const std::vector<std::wstring>& args, std::wostream& out, std::wostream& err) {
    return Run(args, out, err, PauseWinUpdates::GetInstance());
}

} // namespace NvLullgate::Cli
