// The driver of the developer runs over the real profile file.
//
// Index
//   [SECTION] Kinds and report
//   [SECTION] Driver
#include "dev/smoke_profile.h"

#include "campaign/eye_coins.h"
#include "player/health.h"
#include "raylib.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// [SECTION] Kinds and report

bool SmokeProfileKindFor(const char *argument, SmokeProfileKind &kind)
{
    if (!argument) return false;
    if (strcmp(argument, "profile") == 0) kind = SMOKE_PROFILE_FLOW;
    else if (strcmp(argument, "profile-check") == 0) kind = SMOKE_PROFILE_CHECK;
    else if (strcmp(argument, "profile-hold") == 0) kind = SMOKE_PROFILE_HOLD;
    else return false;
    return true;
}

const char *SmokeProfileName(SmokeProfileKind kind)
{
    switch (kind) {
    case SMOKE_PROFILE_CHECK: return "smoke-profile-check";
    case SMOKE_PROFILE_HOLD: return "smoke-profile-hold";
    default: return "smoke-profile";
    }
}

static void Note(SmokeProfile &run, const char *format, ...)
{
    int room = SMOKE_PROFILE_REPORT_CAPACITY - run.reportLength;
    if (room <= 1) return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(run.report + run.reportLength, (size_t)room, format, args);
    va_end(args);
    if (n > 0) run.reportLength += n < room ? n : room - 1;
}

void SmokeProfileDescribe(const Profile &p, char *out, int capacity)
{
    if (!out || capacity <= 0) return;
    int n = snprintf(out, (size_t)capacity, "coins %llu remainder %d levels", (unsigned long long)p.coins,
                     (int)p.coinRemainder);
    for (int i = 0; i < SHOP_UPGRADE_COUNT && n > 0 && n < capacity; i++)
        n += snprintf(out + n, (size_t)(capacity - n), "%s%d", i == 0 ? " " : ",", (int)p.shop.level[i]);
    if (n > 0 && n < capacity) snprintf(out + n, (size_t)(capacity - n), " intro %d", p.introSeen ? 1 : 0);
}

void SmokeProfileBegin(SmokeProfile &run, SmokeProfileKind kind, const Profile &loaded)
{
    run = {};
    run.kind = kind;
    run.loaded = loaded;
    run.lastPress = -SMOKE_PROFILE_GAP;
    run.diedAt = -1;
    char text[160];
    SmokeProfileDescribe(loaded, text, sizeof(text));
    Note(run, "profile loaded %s\n", text);
}

void SmokeProfileSaved(SmokeProfile &run, const Profile &profile, int iteration, bool ok)
{
    if (!ok) {
        run.saveFailures++;
        TraceLog(LOG_WARNING, "DEV: the profile could not be saved at iteration %d", iteration);
        return;
    }
    run.saves++;
    char text[160];
    SmokeProfileDescribe(profile, text, sizeof(text));
    TraceLog(LOG_INFO, "DEV: profile saved at iteration %d: %s", iteration, text);
}

DevScript SmokeProfileScript(const SmokeProfile &run) { return {run.events, run.eventCount}; }

void SmokeProfileFinish(SmokeProfile &run, const Profile &profile, const char *path)
{
    char text[160];
    SmokeProfileDescribe(profile, text, sizeof(text));
    Note(run, "profile kept %s\n", text);
    Note(run, "profile path %s\n", path && path[0] ? path : "(none)");
    Note(run, "saves %d failed %d died_at %d bought %d pauses %d overflow %d\n", run.saves, run.saveFailures,
         run.diedAt, run.bought ? 1 : 0, run.pauses, run.overflow ? 1 : 0);
}

// [SECTION] Driver

// Presses `key` now for `frames` iterations; the next press waits SMOKE_PROFILE_GAP after it ends.
static void Press(SmokeProfile &run, int iteration, int key, int frames)
{
    if (run.eventCount >= SMOKE_PROFILE_EVENT_CAPACITY) {
        run.overflow = true;
        return;
    }
    run.events[run.eventCount++] = {iteration, DEV_EVENT_PRESS, key, frames, 0.0f, {}};
    run.lastPress = iteration + frames - 1;
}

// Moves the focus of a vertical list to `target`, or accepts once it is there.
static void FocusAndAccept(SmokeProfile &run, int iteration, int focus, int target)
{
    if (focus == target) Press(run, iteration, KEY_ENTER, 1);
    else Press(run, iteration, focus < target ? KEY_DOWN : KEY_UP, 1);
}

void SmokeProfileArrange(SmokeProfile &run, Field &field, const Profile &profile, const SmokeProfileView &view,
                         int iteration)
{
    bool playing = view.screen == MENU_SCREEN_PLAY && field.loop.runActive;
    if (run.struck && run.diedAt < 0 && !HealthAlive(field.health)) {
        run.diedAt = iteration;
        Note(run, "died at iteration %d\n", iteration);
    }
    // Earnings the autosave keeps writing while the run is played; the developer switch keeps
    // the creatures from ending the run, so a kill always lands in play.
    if (run.kind == SMOKE_PROFILE_HOLD && playing) {
        field.loop.immortal = true;
        if (iteration % SMOKE_PROFILE_HOLD_EVERY == 0) EyeCoinsAddToWallet(field.coins, 1);
    }
    int level = profile.shop.level[SMOKE_PROFILE_UPGRADE];
    if (!run.bought && level > run.loaded.shop.level[SMOKE_PROFILE_UPGRADE]) {
        run.bought = true;
        Note(run, "bought upgrade %d: level %d at iteration %d\n", SMOKE_PROFILE_UPGRADE, level, iteration);
    }
    if (view.fading || iteration - run.lastPress < SMOKE_PROFILE_GAP) return;

    // The quit dialog opens on "Нет": one step left to "Да", then accept.
    if (view.dialog == MENU_DIALOG_QUIT) {
        Press(run, iteration, view.focus != 0 ? KEY_LEFT : KEY_ENTER, 1);
        return;
    }
    if (view.dialog != MENU_DIALOG_NONE) {
        Press(run, iteration, KEY_ESCAPE, 1);
        return;
    }
    switch (view.screen) {
    case MENU_SCREEN_COMIC:
        Press(run, iteration, KEY_ESCAPE, 1);
        break;
    case MENU_SCREEN_MAIN: {
        bool shopped = run.bought || run.shopTried;
        bool done = run.kind == SMOKE_PROFILE_CHECK || (run.kind == SMOKE_PROFILE_FLOW && run.diedAt >= 0 && shopped);
        if (done) Press(run, iteration, KEY_ESCAPE, 1);   // opens the quit dialog
        else if (run.kind == SMOKE_PROFILE_FLOW && run.diedAt >= 0) FocusAndAccept(run, iteration, view.focus, 1);
        else FocusAndAccept(run, iteration, view.focus, 0);
        break;
    }
    case MENU_SCREEN_SHOP:
        // One try: a purchase refused leaves the shop, and the report says nothing was bought.
        if (run.kind != SMOKE_PROFILE_FLOW || run.bought || run.shopTried) {
            Press(run, iteration, KEY_ESCAPE, 1);
        } else if (view.focus != SMOKE_PROFILE_UPGRADE) {
            Press(run, iteration, KEY_TAB, 1);
        } else {
            Press(run, iteration, KEY_ENTER, 1);
            run.shopTried = true;
        }
        break;
    case MENU_SCREEN_PAUSE:
        FocusAndAccept(run, iteration, view.focus, 0);   // "Играть" resumes the run
        break;
    case MENU_SCREEN_PLAY:
        if (!playing || run.kind != SMOKE_PROFILE_FLOW) break;
        if (!run.walked) {
            Press(run, iteration, KEY_W, SMOKE_PROFILE_WALK);
            run.walked = true;
        } else if (run.pauses == 0) {
            Press(run, iteration, KEY_ESCAPE, 1);
            run.pauses++;
        } else if (!run.paid) {
            EyeCoinsAddToWallet(field.coins, SMOKE_PROFILE_PAY);
            run.paid = true;
            Note(run, "paid %llu coins at iteration %d\n", (unsigned long long)SMOKE_PROFILE_PAY, iteration);
        } else if (!run.struck && run.diedAt < 0 && HealthAlive(field.health)) {
            run.struck = HealthDamage(field.health, field.health.quarters);
        }
        break;
    default:
        break;
    }
}
