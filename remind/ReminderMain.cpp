// LullgateReminder.exe: started by the scheduled task at sign-in and every morning, as the user
// who signed in. It checks once, shows at most one balloon in the user's language and exits.
#include "common/ModulePath.h"
#include "duilib/UICulture.h"
#include "pause/PauseWinUpdates.h"
#include "remind/Balloon.h"
#include "remind/Reminders.h"

#include <windows.h>

namespace {

std::wstring LookUp(const wchar_t* key) {
    return DuiLib::UICulture::GetInstance()->GetString(key).str();
}

int Remind(HINSTANCE instance) {
    using namespace NvLullgate::Reminders;
    DuiLib::UICulture::GetInstance()->SetStringPath(BesideExePath(L"res\\values").c_str());
    DuiLib::UICulture::GetInstance()->SetLanguage(L"en-US", true);
    Decision decision;
    if (!Check(NvLullgate::PauseWinUpdates::GetInstance(), true, decision)) {
        return 1;
    }
    if (decision.event != Event::none) {
        const BalloonText text{LookUp(L"IDS_APP_NAME"), Text(decision, LookUp), LookUp(L"IDS_APP_NAME")};
        HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(103));
        // Told only once it could be shown: a user without a notification area hears of it later.
        if (ShowBalloon(text, icon) == BalloonEnd::failed) {
            return 1;
        }
    }
    return decision.changed && !WriteRecord(decision.next) ? 1 : 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    // Libraries come from System32 only, never from the folder the program lies in.
    (void)SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return Remind(instance);
}
