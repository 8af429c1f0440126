#include "dev/bot.h"
#include "dev/bot_run.h"
#include "dev/dev_loop.h"
#include "common/maths.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A field of a fresh run with the campaign off, for the bot's eyes.
struct SightRig {
    std::unique_ptr<DevLoop> loop = std::make_unique<DevLoop>();
    SightRig()
    {
        DevLoopOptions o{};
        o.seed = FIELD_DEVELOPER_SEED;
        DevLoopStart(*loop, o);
    }
    ~SightRig() { DevLoopRelease(*loop); }
    int AddBody(Vector3 at, bool boss)
    {
        MudPool &m = loop->field.mud;
        int i = m.count++;
        MudSlot &s = m.slots[i];
        s = {};
        s.mass = boss ? 6.0f : 1.0f;
        s.size = boss ? MUD_BOSS_SIZE : MUD_UNIT_SIZE;
        s.boss = boss ? 1 : 0;
        s.health = boss ? 32.0f : 0.0f;
        s.state = MUD_RESTING;
        s.legNorm = 1.0f;
        s.position = s.previousPosition = at;
        return i;
    }
};

// A run in the open: the astronaut walking, a creature close by, both abilities ready.
BotSight OpenSight()
{
    BotSight s{};
    s.alive = true;
    s.speed = 2.7f;
    s.screenRight = {0.8f, 0.0f, -0.6f};
    s.screenUp = {-0.6f, 0.0f, -0.8f};
    for (int i = 0; i < BINDINGS_SLOT_COUNT; i++) s.slotKey[i] = i;
    s.quarters = s.maxQuarters = 20;
    s.campaign = true;
    s.level = 1;
    s.creatureCount = 1;
    s.creatures[0].position = {2.0f, 0.0f, 2.0f};
    s.creatures[0].radius = 0.65f;
    return s;
}

}  // namespace

// The bot sees what the screen shows: creatures inside the view, bosses anywhere (their edge
// markers), nothing hidden under the ground.
TEST(BotSee, OnlyWhatTheScreenShows)
{
    SightRig rig;
    rig.AddBody({3.0f, 0.5f, 2.0f}, false);
    rig.AddBody({90.0f, 0.5f, 90.0f}, false);
    int boss = rig.AddBody({-90.0f, 1.0f, 80.0f}, true);
    int buried = rig.AddBody({1.0f, 0.0f, -2.0f}, false);
    rig.loop->field.mud.slots[buried].state = MUD_CORPSE;
    BotSight sight;
    BotSee(rig.loop->field, 1.0f / 60.0f, rig.loop->letterbox, sight);
    ASSERT_EQ(sight.creatureCount, 2);
    EXPECT_FLOAT_EQ(sight.creatures[0].position.x, 3.0f);
    EXPECT_EQ(sight.creatures[1].boss, 1);
    EXPECT_FLOAT_EQ(sight.creatures[1].position.x, rig.loop->field.mud.slots[boss].position.x);
}

// The keys move: the meteor is cast with whatever key the HUD shows for it, the blade with its
// own, and movement uses the key now bound to the chosen direction, pressed anew.
TEST(BotPlay, PressesTheKeysTheHudShows)
{
    struct Case {
        int slotKey[BINDINGS_SLOT_COUNT];
    };
    const Case cases[] = {
        {{0, 1, 2, 3, 4, 5}},
        {{4, 1, 2, 3, 0, 5}},   // W and J exchanged: W calls the meteor, J walks up
        {{0, 5, 2, 3, 4, 1}},   // A and K exchanged
    };
    for (const Case &c : cases) {
        Bot bot;
        BotReset(bot, 7);
        BotSight s = OpenSight();
        for (int i = 0; i < BINDINGS_SLOT_COUNT; i++) s.slotKey[i] = c.slotKey[i];
        FrameInput in;
        BotPlay(bot, s, 1.0f / 60.0f, {0.0f, 0.0f}, in);
        int meteor = BindingsKeyCode(c.slotKey[SLOT_ABILITY1]);
        EXPECT_TRUE(in.keyPressed[meteor]) << "meteor key " << meteor;
        ASSERT_GE(bot.moveSlot, 0);
        int move = BindingsKeyCode(c.slotKey[bot.moveSlot]);
        EXPECT_TRUE(in.keyDown[move] && in.keyPressed[move]);
        // Nothing but the bound keys.
        for (int k = 0; k < INPUT_KEY_LIMIT; k++) {
            if (in.keyDown[k]) {
                EXPECT_GE(BindingsKeyIndex(k), 0) << k;
            }
        }
        // A cooling meteor is not pressed again; the same direction stays held without a new press.
        s.cooldown[0] = 0.3f;
        int held = bot.moveSlot;
        BotPlay(bot, s, 1.0f / 60.0f, {0.0f, 0.0f}, in);
        EXPECT_FALSE(in.keyPressed[meteor]);
        if (bot.moveSlot == held) {
            EXPECT_FALSE(in.keyPressed[BindingsKeyCode(c.slotKey[held])]);
        }
    }
}

// Walking away from a crowd: with creatures close on one side, the bot takes a direction that
// opens the distance, and it steps off its own meteor's mark.
TEST(BotPlay, WalksAwayFromCrowdsAndOffItsMeteor)
{
    Bot bot;
    BotReset(bot, 3);
    BotSight s = OpenSight();
    s.creatureCount = 3;
    for (int i = 0; i < 3; i++) s.creatures[i] = {{1.5f + 0.5f * (float)i, 0.0f, 1.0f}, {}, 0.65f, 0, 0, 0, 0};
    FrameInput in;
    BotPlay(bot, s, 1.0f / 60.0f, {0.0f, 0.0f}, in);
    ASSERT_GE(bot.moveSlot, 0);
    Vector3 dir = bot.moveSlot == SLOT_UP      ? s.screenUp
                  : bot.moveSlot == SLOT_DOWN  ? s.screenUp * -1.0f
                  : bot.moveSlot == SLOT_RIGHT ? s.screenRight
                                               : s.screenRight * -1.0f;
    Vector3 crowd = {2.0f, 0.0f, 1.0f};
    EXPECT_LT(dir.x * crowd.x + dir.z * crowd.z, 0.0f);
    EXPECT_EQ(bot.meteorCount, 1);
}

// The shop through the real screen: from the main menu the bot opens "Магазин", clicks the buy
// buttons of its list while the wallet pays, goes back and starts a run; the coins spent are
// exactly the prices of the levels bought.
TEST(BotMenu, BuysThroughTheShopScreenThenPlays)
{
    auto run = std::make_unique<BotRun>();
    ASSERT_TRUE(BotRunStart(*run, 5, 1.0f / 60.0f));
    Profile &p = run->loop.profile;
    p.introSeen = true;
    p.coins = 1300;
    ShopState before = p.shop;
    for (int i = 0; i < 600 && !run->playing; i++) BotRunIterate(*run, nullptr);
    ASSERT_TRUE(run->playing);
    uint64_t spent = 0;
    ShopState walk = before;
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++)
        for (int l = before.level[id]; l < p.shop.level[id]; l++) {
            spent += ShopPrice(&walk, id);
            walk.level[id]++;
        }
    EXPECT_EQ(p.shop.level[SHOP_REVIVE], 1);
    EXPECT_GT(run->tally.purchases, 1);
    EXPECT_EQ(p.coins + spent, 1300u);
    // The run took the profile's levels and wallet with it.
    EXPECT_EQ(run->loop.field.coins.wallet, p.coins);
    EXPECT_EQ(ShopRevives(&run->loop.field.shop), 1);
    BotRunRelease(*run);
}

// The whole game, won: seed 10 dies in its first run, buys a revive and more through the shop,
// spends the revive in the second run and takes the shuttle home, then leaves the victory screen
// for the main menu. Every consistency check holds on the way.
TEST(BotRun, WinsSeedTenThroughTheShop)
{
    auto run = std::make_unique<BotRun>();
    ASSERT_TRUE(BotRunStart(*run, 10, 1.0f / 60.0f));
    const int limit = 60 * 60 * 40;
    int i = 0;
    // The profile counts the victory when the shuttle departs, not when the finale begins.
    bool finale = false;
    uint32_t victoriesAtFinale = 99;
    for (; i < limit && run->tally.wins == 0; i++) {
        BotRunIterate(*run, nullptr);
        if (!finale && run->loop.field.campaign.phase == CAMPAIGN_VICTORY) {
            finale = true;
            victoriesAtFinale = run->loop.profile.victories;
        }
    }
    ASSERT_EQ(run->tally.wins, 1) << "no win in 40 minutes of game";
    for (int k = 0; k < 180; k++) BotRunIterate(*run, nullptr);
    EXPECT_EQ(victoriesAtFinale, 0u);
    EXPECT_EQ(run->loop.profile.victories, 1u);
    const BotTally &t = run->tally;
    EXPECT_GE(t.deaths, 1);
    EXPECT_GE(t.purchases, 1);
    EXPECT_GE(t.bossesKilled, 5);
    EXPECT_GE(t.rowsSpawned, 1);
    EXPECT_GT(t.blows, 0);
    EXPECT_GT(t.coinsEarned, 0u);
    ASSERT_GE(run->runCount, 2);
    const BotRunSummary &last = run->runs[run->runCount - 1];
    EXPECT_TRUE(last.won);
    EXPECT_EQ(last.level, CAMPAIGN_FINAL_LEVEL);
    EXPECT_TRUE(run->loop.flow.menuVisible);
    EXPECT_TRUE(run->loop.menu.screen == MENU_SCREEN_MAIN || run->loop.menu.screen == MENU_SCREEN_SHOP);
    EXPECT_TRUE(run->loop.consistent) << "first failure at game frame " << run->loop.firstInconsistent;
    BotRunRelease(*run);
}
