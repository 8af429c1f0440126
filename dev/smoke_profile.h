// The developer runs that use the real profile file: "--smoke profile" walks the real screens
// through a death and a purchase and quits with the exit fade, "profile-check" only reloads the
// profile and quits, "profile-hold" plays on and keeps earning so the autosave keeps writing until
// the process is killed. A small driver reads what is on screen before every loop iteration and
// presses the next key through the same input snapshot a keyboard fills; it arranges the field
// only through the game's own functions (coins into the wallet, a blow to the astronaut), since a
// real fight takes far too many frames on a software renderer. Pure: no window.
#pragma once

#include "app/field.h"
#include "dev/dev_run.h"
#include "frontend/menu.h"
#include "frontend/profile.h"

#include <cstdint>

enum SmokeProfileKind : uint8_t {
    SMOKE_PROFILE_FLOW,    // play, pause, continue, die, shop, buy, quit
    SMOKE_PROFILE_CHECK,   // the main menu, then quit
    SMOKE_PROFILE_HOLD,    // play and earn until killed, or until the frame limit
};

constexpr int SMOKE_PROFILE_EVENT_CAPACITY = 48;
constexpr int SMOKE_PROFILE_REPORT_CAPACITY = 1024;
constexpr int SMOKE_PROFILE_GAP = 5;              // iterations between two presses
constexpr int SMOKE_PROFILE_WALK = 30;            // iterations the first walk holds its key
constexpr uint64_t SMOKE_PROFILE_PAY = 100;       // coins paid once the run is resumed
constexpr int SMOKE_PROFILE_HOLD_EVERY = 30;      // profile-hold: one coin every this many iterations
constexpr int SMOKE_PROFILE_UPGRADE = SHOP_COINS; // the first card, focused when the shop opens

// What the driver sees of the screens before an iteration.
struct SmokeProfileView {
    int screen;        // MenuScreen; MENU_SCREEN_PLAY while no menu is up
    int dialog;        // MenuDialog
    int focus;         // the focused control of the screen or dialog
    bool fading;       // the exit fade has begun
};

struct SmokeProfile {
    SmokeProfileKind kind;
    Profile loaded;            // the profile as the start-up loaded it
    int lastPress;             // the iteration of the last press, -SMOKE_PROFILE_GAP at first
    bool walked;               // the first walk has been held
    int pauses;                // pauses opened
    bool paid;                 // the wallet was paid SMOKE_PROFILE_PAY
    bool struck;               // the astronaut was dealt a lethal blow
    int diedAt;                // the iteration the astronaut died, -1 while alive
    bool shopTried;            // the buy button was pressed once
    bool bought;               // the upgrade's level rose in the shop
    int saves;                 // saves of the profile seen
    int saveFailures;          // saves that did not write
    DevEvent events[SMOKE_PROFILE_EVENT_CAPACITY];
    int eventCount;
    bool overflow;             // a press found no room
    char report[SMOKE_PROFILE_REPORT_CAPACITY];
    int reportLength;
};

// The kind of a "--smoke" second argument ("profile", "profile-check", "profile-hold"); false
// for any other.
bool SmokeProfileKindFor(const char *argument, SmokeProfileKind &kind);
// The name of the run's report, picture and screens trace ("smoke-profile" ...).
const char *SmokeProfileName(SmokeProfileKind kind);
// Empties the record for a run of `kind` that starts from `loaded`.
void SmokeProfileBegin(SmokeProfile &run, SmokeProfileKind kind, const Profile &loaded);
// Before the game step of loop iteration `iteration`: arranges the field and appends the next
// press for what the screens show.
void SmokeProfileArrange(SmokeProfile &run, Field &field, const Profile &profile, const SmokeProfileView &view,
                         int iteration);
// A save of the profile was seen at `iteration`; `profile` is what was written.
void SmokeProfileSaved(SmokeProfile &run, const Profile &profile, int iteration, bool ok);
// The script as it stands.
DevScript SmokeProfileScript(const SmokeProfile &run);
// The closing lines: what was loaded, what the run keeps, what it did.
void SmokeProfileFinish(SmokeProfile &run, const Profile &profile, const char *path);
// "coins C remainder R levels a,b,... intro I": one profile on one report line.
void SmokeProfileDescribe(const Profile &profile, char *out, int capacity);
