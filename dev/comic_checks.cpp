// The opening comic's self-check, played through its clock and through the menus' driver.
#include "dev/comic_checks.h"

#include "dev/menu_checks.h"
#include "frontend/comic.h"
#include "frontend/encyclopedia.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace {

struct Tally {
    int passed, failed;
};

void Check(Tally &t, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? t.passed : t.failed)++;
}

// The first frame at `rate` on which the comic shows panel `panel` (or, with panel 4, is ready).
int FrameOf(int rate, int panel)
{
    ComicState comic;
    ComicReset(comic);
    for (int frame = 1; frame <= 20 * rate; frame++) {
        ComicAdvance(comic, 1.0f / (float)rate, false, false);
        if (panel < 4 ? comic.panel >= panel : ComicFinalReady(comic)) return frame;
    }
    return -1;
}

} // namespace

int DevTestComic()
{
    Tally t{};
    char line[128];
    for (int rate : {30, 60, 144}) {
        bool exact = true;
        for (int panel = 1; panel <= 4; panel++) exact = exact && FrameOf(rate, panel) == 3 * panel * rate;
        snprintf(line, sizeof(line), "at %d Hz the panels appear at frames %d, %d, %d and the page is ready at %d", rate,
                 FrameOf(rate, 1), FrameOf(rate, 2), FrameOf(rate, 3), FrameOf(rate, 4));
        Check(t, exact, line);
    }

    ComicState comic;
    ComicReset(comic);
    ComicAdvance(comic, 0.7f, false, false);
    ComicState before = comic;
    ComicAdvance(comic, 0.0f, false, false);
    ComicAdvance(comic, NAN, false, false);
    ComicAdvance(comic, -1.0f, false, false);
    Check(t, comic.panel == before.panel && comic.clock == before.clock, "steps of 0, NaN and -1 change nothing");
    ComicReset(comic);
    ComicAdvance(comic, 10.0f, false, false);
    Check(t, comic.panel == 3 && std::fabs(ComicTime(comic) - 1.0f) < 1e-6f, "one 10 s frame reaches panel 4 with 1 s kept");
    ComicReset(comic);
    bool early = false;
    for (int i = 0; i < 60 * 11; i++) early = early || ComicAdvance(comic, 1.0f / 60.0f, true, false);
    Check(t, !early, "a confirm before 12 s does nothing");
    for (int i = 0; i < 60 * 600; i++) ComicAdvance(comic, 1.0f / 60.0f, false, false);
    Check(t, !comic.finished && ComicFinalReady(comic), "the last page waits ten minutes without ending");
    Check(t, ComicAdvance(comic, 1.0f / 60.0f, true, false), "a confirm on the ready page finishes it");

    DevMenuDriver d;
    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    d.profile.introSeen = false;
    DevMenuMouse(d, {304.0f, 281.0f}, true);   // "Играть"
    bool opened = d.menu.screen == MENU_SCREEN_COMIC && d.menu.comicFirstLaunch && !d.profile.introSeen;
    DevMenuIdle(d, 60);
    int action = DevMenuPress(d, KEY_ESCAPE);
    Check(t, opened && action == MENU_ACTION_NEW_GAME && d.profile.introSeen && d.menu.screen == MENU_SCREEN_PLAY,
          "the first \"Играть\" plays the comic; skipping it starts the run and marks it seen");

    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    d.profile.introSeen = false;
    MenuShow(d.menu, MENU_SCREEN_ENCYCLOPEDIA);
    DevMenuMouse(d, {600.0f, 177.0f}, true);   // "Вступительный комикс"
    bool replay = d.menu.screen == MENU_SCREEN_COMIC && !d.menu.comicFirstLaunch;
    DevMenuIdle(d, 60 * 13);
    action = DevMenuPress(d, KEY_ENTER);
    Check(t, replay && action == MENU_ACTION_NONE && d.menu.screen == MENU_SCREEN_ENCYCLOPEDIA && !d.profile.introSeen,
          "a replay from the encyclopedia returns there and changes no progress");

    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    d.profile.introSeen = false;
    MenuOpenComic(d.menu, true);
    DevMenuIdle(d, 100);
    Check(t, MenuCloseDuringIntro(d.menu, d.profile) && d.profile.introSeen, "closing the window during the intro marks it seen");

    printf("%d passed, %d failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}
