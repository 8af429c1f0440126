// The opening comic: its clock at several frame rates, bad and long steps, confirm and skip, and
// the comic in the menus (first launch, archive replay, closing the window during it).
//
// Index
//   [SECTION] Clock
//   [SECTION] Confirm and skip
//   [SECTION] In the menus
#include "frontend/comic.h"

#include "frontend/encyclopedia.h"

#include "tests/frontend/menu_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

// [SECTION] Clock

// The frame at which each event first holds, stepping at a fixed rate from a fresh comic.
static int FirstFrame(float rate, bool (*event)(const ComicState &))
{
    ComicState comic;
    ComicReset(comic);
    for (int frame = 1; frame <= (int)(20.0f * rate); frame++) {
        ComicAdvance(comic, 1.0f / rate, false, false);
        if (event(comic)) return frame;
    }
    return -1;
}

TEST(ComicClock, EventsFallOnTheirExactFramesAt30_60And144Hz)
{
    struct Event {
        const char *name;
        bool (*holds)(const ComicState &);
        int seconds;
    };
    const Event events[] = {
        {"first caption", [](const ComicState &c) { return ComicCaptionVisible(c, 0); }, 1},
        {"second panel", [](const ComicState &c) { return c.panel >= 1; }, 3},
        {"second caption", [](const ComicState &c) { return ComicCaptionVisible(c, 1); }, 4},
        {"third panel", [](const ComicState &c) { return c.panel >= 2; }, 6},
        {"fourth panel", [](const ComicState &c) { return c.panel >= 3; }, 9},
        {"last caption", [](const ComicState &c) { return ComicCaptionVisible(c, 3); }, 10},
        {"page ready", [](const ComicState &c) { return ComicFinalReady(c); }, 12},
    };
    for (int rate : {30, 60, 144}) {
        for (const Event &e : events)
            EXPECT_EQ(FirstFrame((float)rate, e.holds), rate * e.seconds) << e.name << " at " << rate << " Hz";
    }
    // The brief's own figures: the second panel at frames 90, 180 and 432.
    EXPECT_EQ(FirstFrame(30.0f, [](const ComicState &c) { return c.panel >= 1; }), 90);
    EXPECT_EQ(FirstFrame(60.0f, [](const ComicState &c) { return c.panel >= 1; }), 180);
    EXPECT_EQ(FirstFrame(144.0f, [](const ComicState &c) { return c.panel >= 1; }), 432);
}

TEST(ComicClock, BadStepsChangeNothing)
{
    ComicState comic;
    ComicReset(comic);
    ComicAdvance(comic, 1.3f, false, false);
    for (float dt : {0.0f, -0.5f, NAN, INFINITY, -INFINITY}) {
        ComicState before = comic;
        EXPECT_FALSE(ComicAdvance(comic, dt, false, false)) << dt;
        EXPECT_EQ(comic.panel, before.panel) << dt;
        EXPECT_EQ(comic.clock, before.clock) << dt;
        EXPECT_EQ(comic.finished, before.finished) << dt;
    }
}

TEST(ComicClock, ALongFrameRevealsSeveralPanelsAndKeepsTheRemainder)
{
    ComicState comic;
    ComicReset(comic);
    EXPECT_FALSE(ComicAdvance(comic, 10.0f, false, false));
    EXPECT_EQ(comic.panel, 3);
    EXPECT_NEAR(ComicTime(comic), 1.0f, 1e-6f);
    for (int k = 0; k < 4; k++) EXPECT_TRUE(ComicCaptionVisible(comic, k)) << k;
    EXPECT_FALSE(ComicFinalReady(comic));
    ComicAdvance(comic, 2.0f, false, false);
    EXPECT_TRUE(ComicFinalReady(comic));

    // Playback alone never ends the page; the last panel's clock stops at 30 s.
    for (int i = 0; i < 100; i++) EXPECT_FALSE(ComicAdvance(comic, 1.0e6f, false, false));
    EXPECT_FALSE(comic.finished);
    EXPECT_EQ(comic.clock, COMIC_LAST_LIMIT_NS);
}

// [SECTION] Confirm and skip

TEST(ComicConfirm, OnlyTheReadyPageTakesAConfirmAndNoneIsRemembered)
{
    ComicState comic;
    ComicReset(comic);
    for (int frame = 0; frame < 60 * 12 - 1; frame++) EXPECT_FALSE(ComicAdvance(comic, 1.0f / 60.0f, true, false)) << frame;
    EXPECT_FALSE(ComicFinalReady(comic));
    EXPECT_FALSE(ComicAdvance(comic, 1.0f / 60.0f, false, false));   // ready now, but no fresh confirm
    EXPECT_TRUE(ComicFinalReady(comic));
    EXPECT_FALSE(comic.finished);
    EXPECT_TRUE(ComicAdvance(comic, 0.0f, true, false));
    EXPECT_TRUE(comic.finished);
    EXPECT_TRUE(ComicAdvance(comic, 1.0f, false, false));   // finished stays finished

    ComicReset(comic);
    EXPECT_TRUE(ComicAdvance(comic, NAN, false, true));   // a skip works at any moment
}

// [SECTION] In the menus

static MenuRig FreshRig()
{
    MenuRig rig;
    rig.profile.introSeen = false;
    rig.MoveTo({700.0f, 100.0f});
    return rig;
}

static void ToReadyPage(MenuRig &rig)
{
    for (int i = 0; i < 60 * 12 + 5; i++) rig.Idle(1);
    ASSERT_TRUE(ComicFinalReady(rig.menu.comic));
}

TEST(ComicMenus, PlayOpensTheComicOnceAndItsEndStartsTheRun)
{
    MenuRig rig = FreshRig();
    EXPECT_EQ(rig.Click(MENU_MAIN_BUTTONS[0].rect), MENU_ACTION_NONE);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_COMIC);
    EXPECT_TRUE(rig.menu.comicFirstLaunch);
    EXPECT_EQ(MenuMusicContext(rig.menu), 9);
    EXPECT_FALSE(rig.profile.introSeen);   // opening it never marks it seen

    ToReadyPage(rig);
    int serial = rig.menu.cueSerial;
    EXPECT_EQ(rig.Click(Vector2{600.0f, 400.0f}), MENU_ACTION_NONE);   // a click beside "Далее"
    MenuInput held = rig.Idle();
    held.pointer = held.mouse = {1100.0f, 684.0f};
    held.held = true;
    EXPECT_EQ(rig.Frame(held), MENU_ACTION_NONE);   // held, not pressed
    EXPECT_EQ(rig.menu.cueSerial, serial);
    EXPECT_EQ(rig.Click(COMIC_NEXT_RECT), MENU_ACTION_NEW_GAME);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_ACCEPT);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_PLAY);
    EXPECT_TRUE(rig.profile.introSeen);

    // The next time "Играть" starts the run at once.
    MenuShow(rig.menu, MENU_SCREEN_MAIN);
    EXPECT_EQ(rig.Click(MENU_MAIN_BUTTONS[0].rect), MENU_ACTION_NEW_GAME);
}

TEST(ComicMenus, SkippingTheFirstLaunchStartsTheRunAndMarksItSeen)
{
    MenuRig rig = FreshRig();
    rig.Click(MENU_MAIN_BUTTONS[0].rect);
    rig.Idle(30);
    int serial = rig.menu.cueSerial;
    EXPECT_EQ(rig.Accept(), MENU_ACTION_NONE);   // a confirm before the page is ready does nothing
    EXPECT_EQ(rig.menu.cueSerial, serial);
    EXPECT_EQ(rig.Back(), MENU_ACTION_NEW_GAME);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_BACK);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_PLAY);
    EXPECT_TRUE(rig.profile.introSeen);
}

TEST(ComicMenus, AReplayFinishedWithAcceptChangesNoProgress)
{
    MenuRig rig = FreshRig();
    MenuShow(rig.menu, MENU_SCREEN_ENCYCLOPEDIA);
    rig.Click(ENCYCLOPEDIA_COMIC_RECT);
    ASSERT_EQ(rig.menu.screen, MENU_SCREEN_COMIC);
    ToReadyPage(rig);
    Profile before = rig.profile;
    EXPECT_EQ(rig.Accept(), MENU_ACTION_NONE);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_ENCYCLOPEDIA);
    EXPECT_TRUE(ProfileEqual(rig.profile, before));
    EXPECT_FALSE(rig.profile.introSeen);
}

// Closing the window while the comic plays as the introduction counts it as seen; a replay or
// an already seen comic changes nothing.
TEST(ComicMenus, ClosingTheWindowDuringTheIntroductionMarksItSeen)
{
    MenuRig rig = FreshRig();
    EXPECT_FALSE(MenuCloseDuringIntro(rig.menu, rig.profile));   // the main menu
    rig.Click(MENU_MAIN_BUTTONS[0].rect);
    rig.Idle(200);
    EXPECT_TRUE(MenuCloseDuringIntro(rig.menu, rig.profile));
    EXPECT_TRUE(rig.profile.introSeen);
    EXPECT_FALSE(MenuCloseDuringIntro(rig.menu, rig.profile));   // already seen: no change to save

    MenuRig replay = FreshRig();
    MenuShow(replay.menu, MENU_SCREEN_ENCYCLOPEDIA);
    MenuOpenComic(replay.menu, false);
    EXPECT_FALSE(MenuCloseDuringIntro(replay.menu, replay.profile));
    EXPECT_FALSE(replay.profile.introSeen);
}
