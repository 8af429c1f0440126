// The encyclopedia: which creatures a frame sights and what reaches the profile, the specimens
// the entries show, and the list's scrolling by wheel, bar and keys.
//
// Index
//   [SECTION] Sightings
//   [SECTION] Entries
//   [SECTION] Scrolling
#include "frontend/encyclopedia.h"

#include "tests/frontend/menu_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

// [SECTION] Sightings

// A pool with one formed creature 3 m east of the origin; a row bends it into its case.
static void OneCreature(MudPool &pool, float mass)
{
    MudPoolReset(pool, 0);
    pool.count = 1;
    MudSlot &s = pool.slots[0];
    s.mass = mass;
    s.size = MUD_UNIT_SIZE;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.scale = {1.0f, 1.0f, 1.0f};
    s.position = {3.0f, 0.5f, 0.0f};
    s.state = mass < 4.0f ? MUD_RESTING : MUD_WALKING;
    s.emergence = s.presence = 1.0f;
}

static void Boss(MudSlot &s, int index)
{
    s.boss = 1;
    s.bossIndex = index;
    s.health = s.maxHealth = 30.0f;
}

TEST(EncyclopediaSighting, EachCaseSetsItsOwnBitOrNone)
{
    struct Row {
        const char *name;
        float mass;
        std::function<void(MudSlot &)> bend;
        float radius;
        int32_t bits;
    };
    const std::vector<Row> rows = {
        {"a bun with no boss anywhere", 3.0f, [](MudSlot &) {}, 5.0f, 1 << 0},
        {"a walker", 5.0f, [](MudSlot &) {}, 5.0f, 1 << 1},
        {"a golem", 8.0f, [](MudSlot &) {}, 5.0f, 1 << 2},
        {"a golem of exactly 7", 7.0f, [](MudSlot &) {}, 5.0f, 1 << 2},
        {"farther than the radius", 3.0f, [](MudSlot &) {}, 2.99f, 0},
        {"exactly at the radius", 3.0f, [](MudSlot &) {}, 3.0f, 1 << 0},
        {"height does not count", 3.0f, [](MudSlot &s) { s.position.y = 40.0f; }, 3.0f, 1 << 0},
        {"buried", 3.0f, [](MudSlot &s) { s.state = MUD_BURIED; }, 5.0f, 0},
        {"emerging below 0.045", 3.0f, [](MudSlot &s) { s.state = MUD_EMERGING; s.emergence = 0.044f; }, 5.0f, 0},
        {"emerging at 0.045", 3.0f, [](MudSlot &s) { s.state = MUD_EMERGING; s.emergence = 0.045f; }, 5.0f, 1 << 0},
        {"a corpse", 5.0f, [](MudSlot &s) { s.state = MUD_CORPSE; }, 5.0f, 0},
        {"a merge partner being absorbed", 3.0f, [](MudSlot &s) { s.state = MUD_ABSORBED; }, 5.0f, 0},
        {"a free slot", 3.0f, [](MudSlot &s) { s.state = MUD_FREE; }, 5.0f, 0},
        {"no mass", 3.0f, [](MudSlot &s) { s.mass = 0.0f; }, 5.0f, 0},
        {"no size", 3.0f, [](MudSlot &s) { s.size = 0.0f; }, 5.0f, 0},
        {"a broken position", 3.0f, [](MudSlot &s) { s.position.x = NAN; }, 5.0f, 0},
        {"a live roller, never emerged", 1.0f, [](MudSlot &s) { s.roller = 1; s.emergence = 0.0f; s.state = MUD_HOP_FLIGHT; },
         5.0f, 1 << 3},
        {"boss 0", 3.0f, [](MudSlot &s) { Boss(s, 0); }, 5.0f, 1 << 4},
        {"boss 1", 6.0f, [](MudSlot &s) { Boss(s, 1); }, 5.0f, 1 << 5},
        {"boss 2", 9.0f, [](MudSlot &s) { Boss(s, 2); }, 5.0f, 1 << 6},
        {"a dead boss", 9.0f, [](MudSlot &s) { Boss(s, 2); s.health = 0.0f; }, 5.0f, 0},
        {"a boss still buried", 9.0f, [](MudSlot &s) { Boss(s, 2); s.state = MUD_BURIED; }, 5.0f, 0},
        {"a boss numbered past the entries", 9.0f, [](MudSlot &s) { Boss(s, 3); }, 5.0f, 0},
        {"a boss numbered below them", 9.0f, [](MudSlot &s) { Boss(s, -1); }, 5.0f, 0},
        {"a negative radius", 3.0f, [](MudSlot &) {}, -1.0f, 0},
        {"a radius that is no number", 3.0f, [](MudSlot &) {}, NAN, 0},
    };
    std::unique_ptr<MudPool> pool(new MudPool);
    for (const Row &row : rows) {
        OneCreature(*pool, row.mass);
        row.bend(pool->slots[0]);
        int32_t bits = EncyclopediaSighted(*pool, {0.0f, 0.0f, 0.0f}, row.radius);
        EXPECT_EQ(bits, row.bits) << row.name;
        EXPECT_EQ(bits & ~ENCYCLOPEDIA_KNOWN_BITS, 0) << row.name;
    }
}

// A real bun out of the ground and a real roller are both discovered with no boss in the arena.
TEST(EncyclopediaSighting, SpawnedCreaturesAreSeenWithoutABossFight)
{
    std::unique_ptr<MudPool> pool(new MudPool);
    MudPoolReset(*pool, 0);
    int bun = MudPoolSpawn(*pool, {0.0f, 0.0f, 0.0f}, true, 2.0f, MUD_UNIT_SIZE, false);
    ASSERT_GE(bun, 0);
    Vector3 player = pool->slots[bun].spawnPoint;
    EXPECT_EQ(EncyclopediaSighted(*pool, player, 10.0f), 0);   // buried
    for (int i = 0; i < 600 && pool->slots[bun].state != MUD_RESTING; i++) MudPoolUpdate(*pool, player, 1.0f / 60.0f);
    ASSERT_EQ(pool->slots[bun].state, MUD_RESTING);
    EXPECT_EQ(EncyclopediaSighted(*pool, player, 10.0f), 1 << 0);

    Vector3 at = {player.x + 4.0f, 0.0f, player.z};
    ASSERT_GE(MudPoolSpawnRoller(*pool, at, {2.0f, 0.0f, 0.0f}, 0.8f), 0);
    EXPECT_EQ(EncyclopediaSighted(*pool, player, 10.0f), (1 << 0) | (1 << 3));
}

// The sighting radius is 0.82 x the camera's view height; only growth counts as a change, and
// nothing beyond the seven known bits ever reaches the profile.
TEST(EncyclopediaSighting, RecordingGrowsTheSetWithinItsSevenBits)
{
    std::unique_ptr<MudPool> pool(new MudPool);
    OneCreature(*pool, 5.0f);   // a walker 3 m away
    Profile profile;
    ProfileDefaults(profile);
    EXPECT_FALSE(EncyclopediaRecordSightings(profile, *pool, {0.0f, 0.0f, 0.0f}, 3.0f / 0.82f - 0.01f));
    EXPECT_EQ(profile.discoveries, 0);
    EXPECT_TRUE(EncyclopediaRecordSightings(profile, *pool, {0.0f, 0.0f, 0.0f}, 3.0f / 0.82f + 0.01f));
    EXPECT_EQ(profile.discoveries, 1 << 1);
    EXPECT_FALSE(EncyclopediaRecordSightings(profile, *pool, {0.0f, 0.0f, 0.0f}, 10.0f));   // nothing new
    EXPECT_FALSE(EncyclopediaRecordSightings(profile, *pool, {0.0f, 0.0f, 0.0f}, NAN));

    // A stray high bit in memory is cleared, never saved: the profile stays valid.
    profile.discoveries |= 1 << 7;
    EXPECT_TRUE(EncyclopediaRecordSightings(profile, *pool, {0.0f, 0.0f, 0.0f}, 10.0f));
    EXPECT_EQ(profile.discoveries, 1 << 1);
    EXPECT_TRUE(ProfileValid(profile, PROFILE_LEVEL_SECONDS));
}

// [SECTION] Entries

// Unseen entries show the question mark whatever they stand for; bosses show their ordinary form.
TEST(EncyclopediaEntries, UnseenEntriesShowTheQuestionMark)
{
    const int seenSpecimen[ENCYCLOPEDIA_ENTRY_COUNT] = {SPECIMEN_BUN,    SPECIMEN_WALKER, SPECIMEN_GOLEM, SPECIMEN_ROLLER,
                                                        SPECIMEN_BUN,    SPECIMEN_WALKER, SPECIMEN_GOLEM};
    Profile profile;
    ProfileDefaults(profile);
    profile.discoveries = (1 << 1) | (1 << 5);
    for (int entry = 0; entry < ENCYCLOPEDIA_ENTRY_COUNT; entry++) {
        EXPECT_EQ(EncyclopediaSpecimenFor(entry, false), SPECIMEN_QUESTION) << entry;
        EXPECT_EQ(EncyclopediaSpecimenFor(entry, true), seenSpecimen[entry]) << entry;
        EXPECT_EQ(EncyclopediaDiscovered(profile, entry), entry == 1 || entry == 5) << entry;
    }
    EXPECT_EQ(EncyclopediaSpecimenFor(7, true), SPECIMEN_QUESTION);
    EXPECT_EQ(EncyclopediaSpecimenFor(-1, true), SPECIMEN_QUESTION);
    EXPECT_FALSE(EncyclopediaDiscovered(profile, 7));
    // Erasing progress forgets them all.
    ProfileResetProgress(profile);
    for (int entry = 0; entry < ENCYCLOPEDIA_ENTRY_COUNT; entry++) EXPECT_FALSE(EncyclopediaDiscovered(profile, entry));
}

// [SECTION] Scrolling

// The mouse rests over the list unless told otherwise.
static MenuRig EncyclopediaRig(Vector2 mouse = {600.0f, 400.0f})
{
    MenuRig rig;
    rig.profile.introSeen = true;
    MenuShow(rig.menu, MENU_SCREEN_ENCYCLOPEDIA);
    rig.MoveTo(mouse);
    return rig;
}

TEST(EncyclopediaScroll, TheWheelStopsAtTheFirstAndTheLastCreature)
{
    MenuRig rig = EncyclopediaRig();
    MenuInput in = rig.Idle();
    in.wheel = 1.0f;
    rig.Frame(in);
    EXPECT_EQ(rig.menu.scroll, 0.0f);
    in.wheel = -2.0f;
    rig.Frame(in);
    EXPECT_EQ(rig.menu.scroll, 168.0f);
    in.wheel = -50.0f;
    rig.Frame(in);
    EXPECT_EQ(rig.menu.scroll, ENCYCLOPEDIA_SCROLL_MAX);
    // Outside the list the wheel does nothing.
    in.wheel = 3.0f;
    in.pointer = in.mouse = {600.0f, 180.0f};
    rig.Frame(in);
    EXPECT_EQ(rig.menu.scroll, ENCYCLOPEDIA_SCROLL_MAX);
    in.wheel = NAN;
    in.pointer = in.mouse = {600.0f, 400.0f};
    rig.Frame(in);
    EXPECT_EQ(rig.menu.scroll, ENCYCLOPEDIA_SCROLL_MAX);
}

TEST(EncyclopediaScroll, TheBarDragsTheListAcrossItsWholeRange)
{
    MenuRig rig = EncyclopediaRig();
    Rectangle bar = ENCYCLOPEDIA_BAR_RECT;
    float x = bar.x - 8.0f;   // the grown hit area
    rig.Click(Vector2{x, bar.y + 0.5f * ENCYCLOPEDIA_THUMB});
    EXPECT_TRUE(rig.menu.scrollDrag);
    EXPECT_EQ(rig.menu.scroll, 0.0f);
    rig.Hold({x, bar.y + 0.5f * bar.height});
    EXPECT_NEAR(rig.menu.scroll, 0.5f * ENCYCLOPEDIA_SCROLL_MAX, 1e-3f);
    rig.Hold({300.0f, 5000.0f});   // far past the end, off the bar
    EXPECT_EQ(rig.menu.scroll, ENCYCLOPEDIA_SCROLL_MAX);
    EXPECT_NEAR(EncyclopediaThumbY(rig.menu.scroll) + ENCYCLOPEDIA_THUMB, bar.y + bar.height, 1e-3f);
    rig.MoveTo({300.0f, 5000.0f});
    EXPECT_FALSE(rig.menu.scrollDrag);
    rig.Hold({x, bar.y});   // held without a press on the bar: no drag
    EXPECT_EQ(rig.menu.scroll, ENCYCLOPEDIA_SCROLL_MAX);
}

TEST(EncyclopediaScroll, KeyboardFocusBringsEachRowFullyIntoView)
{
    MenuRig rig = EncyclopediaRig({600.0f, 120.0f});
    Rectangle view = ENCYCLOPEDIA_VIEWPORT;
    for (int row = 0; row < ENCYCLOPEDIA_ENTRY_COUNT; row++) {
        rig.Step(0, 1);
        MenuFocusItem list[MENU_FOCUS_CAPACITY];
        int n = MenuFocusList(rig.menu, rig.profile, list);
        ASSERT_EQ(n, 9);
        ASSERT_EQ(list[rig.menu.focusIndex].row, row);
        Rectangle r = EncyclopediaRowRect(row, rig.menu.scroll);
        EXPECT_GE(r.y, view.y) << row;
        EXPECT_LE(r.y + r.height, view.y + view.height) << row;
    }
    EXPECT_EQ(rig.menu.scroll, 946.0f);   // as little as it takes: the last row's bottom on the list's edge
    rig.Step(0, 1);
    EXPECT_EQ(rig.Focused(), "Назад");
    rig.Step(0, 1);   // wraps to the archive button
    EXPECT_EQ(rig.Focused(), "Вступительный комикс");
    rig.Step(0, 1);
    EXPECT_EQ(rig.menu.scroll, 10.0f);   // back up: the first row's top on the list's edge
    EXPECT_EQ(EncyclopediaScrollIntoView(ENCYCLOPEDIA_SCROLL_MAX, 6), ENCYCLOPEDIA_SCROLL_MAX);   // already in view
    EXPECT_EQ(EncyclopediaScrollIntoView(NAN, 0), 0.0f);
}

TEST(EncyclopediaScroll, TheMouseFocusesRowsOnlyInsideTheList)
{
    MenuRig rig = EncyclopediaRig();
    rig.Step(0, 1);
    rig.MoveTo({600.0f, 300.0f});   // over row 0
    EXPECT_EQ(rig.Focused(), "01");
    int serial = rig.menu.cueSerial;
    rig.MoveTo({600.0f, 500.0f});   // over row 1: rows are no hover targets
    EXPECT_EQ(rig.Focused(), "02");
    EXPECT_EQ(rig.menu.cueSerial, serial);
    // Row 2 reaches below the list at scroll 0; its hidden part is not in the list.
    rig.MoveTo({600.0f, 640.0f});
    EXPECT_EQ(rig.Focused(), "02");
}

TEST(EncyclopediaScroll, AComicReplayReturnsToTheSameScroll)
{
    MenuRig rig = EncyclopediaRig();
    rig.profile.discoveries = 0x15;
    Profile before = rig.profile;
    MenuInput in = rig.Idle();
    in.wheel = -5.0f;
    rig.Frame(in);
    float scroll = rig.menu.scroll;
    ASSERT_GT(scroll, 0.0f);
    int serial = rig.menu.cueSerial;
    rig.Click(ENCYCLOPEDIA_COMIC_RECT);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_COMIC);
    EXPECT_EQ(rig.menu.cueSerial, serial + 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_ACCEPT);
    EXPECT_FALSE(rig.menu.comicFirstLaunch);
    EXPECT_EQ(MenuMusicContext(rig.menu), 9);
    EXPECT_EQ(rig.Back(), MENU_ACTION_NONE);   // skipped at once
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_ENCYCLOPEDIA);
    EXPECT_EQ(rig.menu.scroll, scroll);
    EXPECT_TRUE(ProfileEqual(rig.profile, before));
}
