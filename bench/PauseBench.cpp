// Cost of the status read, the pause and the resume of the pause engine, each against the bare
// registry calls the operation needs (open, query or set or delete, close), in the registry sandbox
// so the machine's own Windows Update values are never touched. The status is read with a pause in
// place, the case where every value is read and its end date converted. A pause first saves the
// seven values it writes (so that a failed write can put them back), and a resume looks for the
// values that are there before removing them and again afterwards: the bare calls do the same.
#include "bench/BenchReport.h"
#include "common/UniqueHandle.h"
#include "pause/PauseWinUpdates.h"
#include "tests/support/RegistrySandbox.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using NvLullgate::PauseWinUpdates;

constexpr int kPairs = 301;
constexpr wchar_t kSettings[] = L"SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings";
constexpr wchar_t kMaxDays[] = L"FlightSettingsMaxPauseDays";
const wchar_t* const kValues[] = {L"PauseFeatureUpdatesStartTime", L"PauseFeatureUpdatesEndTime",
                                  L"PauseQualityUpdatesStartTime", L"PauseQualityUpdatesEndTime",
                                  L"PauseUpdatesStartTime",        L"PauseUpdatesExpiryTime"};
constexpr DWORD kLargestValue = 4096; // what a saved value may hold

// One open of the key, each of the seven values asked for (with its data when `data`), close.
void ReadAll(bool data) {
    unique_hkey key;
    (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, key.put());
    std::vector<BYTE> buffer(kLargestValue);
    const auto query = [&](const wchar_t* name) {
        DWORD type = 0;
        DWORD size = kLargestValue;
        (void)RegQueryValueExW(key.get(), name, nullptr, data ? &type : nullptr, data ? buffer.data() : nullptr,
                               data ? &size : nullptr);
    };
    query(kMaxDays);
    for (const wchar_t* name : kValues) {
        query(name);
    }
}

// Each value: open, ask its size, read it, close.
void BareStatus() {
    for (const wchar_t* name : kValues) {
        unique_hkey key;
        (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, key.put());
        DWORD size = 0;
        (void)RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, &size);
        wchar_t buffer[130]{};
        size = sizeof(buffer);
        (void)RegQueryValueExW(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    }
}

// The seven values saved, the day count, then each value: open, set, close.
void BarePause() {
    ReadAll(true);
    {
        unique_hkey key;
        (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_ALL_ACCESS, key.put());
        const DWORD days = 60;
        (void)RegSetValueExW(key.get(), kMaxDays, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&days), sizeof(days));
    }
    const wchar_t text[130] = L"2026-01-01T00:00:00Z";
    for (const wchar_t* name : kValues) {
        unique_hkey key;
        (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_ALL_ACCESS, key.put());
        (void)RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    }
}

// Look for the day count, delete it, look for the values there, each value: open, delete, close,
// and look again that none is left.
void BareResume() {
    {
        unique_hkey key;
        (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_ALL_ACCESS, key.put());
        (void)RegQueryValueExW(key.get(), kMaxDays, nullptr, nullptr, nullptr, nullptr);
    }
    {
        unique_hkey key;
        (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_ALL_ACCESS, key.put());
        (void)RegDeleteValueW(key.get(), kMaxDays);
    }
    ReadAll(false);
    for (const wchar_t* name : kValues) {
        unique_hkey key;
        (void)RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_ALL_ACCESS, key.put());
        (void)RegDeleteValueW(key.get(), name);
    }
    ReadAll(false);
}

void Report(const char* what, const Bench::Pairs& pairs) {
    std::printf("| %s |||||\n", what);
    Bench::Row("engine", pairs.ours, 1e6, "µs");
    Bench::Row("bare registry calls", pairs.reference, 1e6, "µs");
    Bench::Row("engine / bare", pairs.ratios, 1, "×", 1.1);
}

} // namespace

int main() {
    const ScopedRegistrySandbox sandbox;
    PauseWinUpdates& engine = PauseWinUpdates::GetInstance();
    std::string endDate;
    auto pause = [&] {
        if (!engine.DoPauseWinUpdate(60, endDate)) {
            std::fprintf(stderr, "pause_bench: the pause failed\n");
        }
    };
    if (!sandbox.Active()) {
        std::fprintf(stderr, "pause_bench: no registry sandbox\n");
        return 1;
    }
    pause(); // the key and a pause in place for the status reads
    Bench::Table("Status, pause, resume",
                 "Each operation once per sample, in the registry sandbox, against the bare registry calls it needs "
                 "(the absolute times are the registry's round trips); ratios pair by pair.");
    const auto status = Bench::Alternate(
        kPairs, [&] { return Bench::Time([&] { (void)engine.GetPauseStatus(endDate); }); },
        [] { return Bench::Time(BareStatus); });
    Report("Status (a pause in place)", status);
    const auto pausing = Bench::Alternate(
        kPairs, [&] { return Bench::Time(pause); }, [] { return Bench::Time(BarePause); });
    Report("Pause (60 days): the seven values saved, then written", pausing);
    const auto resuming = Bench::Alternate(
        kPairs, [&] { return Bench::Time([&] { (void)engine.DoRecoveringWinUpdate(); }); },
        [] { return Bench::Time(BareResume); }, pause);
    Report("Resume: the values there looked for, removed, looked for again", resuming);
    return 0;
}
