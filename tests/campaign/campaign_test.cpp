#include "campaign/bosses.h"
#include "campaign/campaign.h"
#include "campaign/population.h"
#include "tests/campaign/campaign_fixture.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using camptest::CampRun;

namespace {

struct Rate {
    float hz;
    int frames90;   // updates from a level start to its 90 s gate
    int frames60;   // ... to the 60 s gate of level 3
};

// 90 s and 60 s of 1/30, 1/60 and 1/144 s float steps.
const Rate RATES[] = {{30.0f, 2700, 1800}, {60.0f, 5400, 3600}, {144.0f, 12960, 8640}};

// What a whole campaign did, update by update.
struct Trace {
    int gateFrame[5];       // update that opened each level's gate
    int startFrame[5];      // update in which each level began (0: the reset)
    int victoryFrame;
    int victories;
    bool clearedEarly;      // a gate cleared while one of its bosses was unsummoned or alive
    bool lingered;          // every boss was dead but the gate did not clear
    bool level3HalfDead;    // level 3 was seen with its first boss dead and the second alive
    bool resetsEqual;       // every reset along the way equalled a fresh start
    bool clearSkipped;      // a gate was cleared without wiping out the wave
    std::vector<std::string> clockJustBefore;  // clock text in the update before each gate
};

// Every boss of the gate was summoned and is now dead, judged from the pool alone.
bool GateBossesDead(const Campaign &c, const MudPool &pool)
{
    if (c.phase != CAMPAIGN_GATE || c.bossCount < 1) return false;
    for (int i = 0; i < c.bossCount; i++) {
        int slot = c.bossSlot[i];
        if (slot < 0 || slot >= pool.count) return false;
        const MudSlot &s = pool.slots[slot];
        if (s.boss && s.health > 0.0f && s.state != MUD_CORPSE && s.state != MUD_FREE) return false;
    }
    return true;
}

bool ResetEqualsFresh(const CampRun &run)
{
    static const auto fresh = camptest::Start();
    auto copy = std::make_unique<CampRun>(run);
    CampaignReset(copy->campaign, copy->pool);
    return memcmp(&copy->campaign, &fresh->campaign, sizeof(Campaign)) == 0 &&
           memcmp(&copy->pool, &fresh->pool, sizeof(MudPool)) == 0;
}

// The scripted fight: each boss dies 2 s after it is formed (the gatherer once it has gathered),
// the first boss of a gate before the second, 3 s apart.
Trace PlayCampaign(float hz)
{
    Trace t{};
    t.resetsEqual = true;
    auto run = camptest::Start();
    const float dt = 1.0f / hz;
    float gateAge = 0.0f;
    float sinceFirstKill = -1.0f;
    int limit = (int)(hz * 900.0f);
    char text[16];
    for (int f = 1; f <= limit && run->campaign.phase != CAMPAIGN_VICTORY; f++) {
        Campaign &c = run->campaign;
        bool deadBefore = GateBossesDead(c, run->pool);
        int level = c.level;
        HudClockText(CampaignHudClock(c), text);
        std::string before = text;
        bool clearRan = true;
        CampaignEvents e = camptest::StepSettled(*run, dt, &clearRan);
        bool cleared = e.levelStarted || e.victory;
        if (!clearRan) t.clearSkipped = true;
        if (cleared && !deadBefore) t.clearedEarly = true;
        if (!cleared && deadBefore) t.lingered = true;
        if (e.gateOpened) {
            t.gateFrame[level] = f;
            t.clockJustBefore.push_back(before);
            gateAge = 0.0f;
            sinceFirstKill = -1.0f;
            t.resetsEqual = t.resetsEqual && ResetEqualsFresh(*run);
        }
        if (e.levelStarted) t.startFrame[c.level] = f;
        if (e.victory) {
            t.victoryFrame = f;
            t.victories++;
        }
        if (f % (int)(hz * 37.0f) == 0) t.resetsEqual = t.resetsEqual && ResetEqualsFresh(*run);
        if (c.phase != CAMPAIGN_GATE) continue;
        gateAge += dt;
        if (c.level == 3 && CampaignBossAlive(c, run->pool, 1) && !CampaignBossAlive(c, run->pool, 0) &&
            c.bossSlot[0] >= 0)
            t.level3HalfDead = true;
        // The killer.
        if (sinceFirstKill >= 0.0f) sinceFirstKill += dt;
        for (int i = 0; i < c.bossCount; i++) {
            if (!CampaignBossAlive(c, run->pool, i) || gateAge < 2.0f) continue;
            const MudSlot &s = run->pool.slots[c.bossSlot[i]];
            if (s.gatherer) continue;
            if (i == 1 && !(sinceFirstKill >= 3.0f)) continue;
            camptest::KillBoss(run->pool, c.bossSlot[i]);
            if (i == 0) sinceFirstKill = 0.0f;
        }
    }
    // After victory nothing more happens.
    auto frozen = std::make_unique<Campaign>(run->campaign);
    for (int f = 0; f < 30; f++) {
        CampaignEvents e = camptest::Step(*run, dt);
        if (e.victory) t.victories++;
    }
    if (memcmp(frozen.get(), &run->campaign, sizeof(Campaign)) != 0) t.victories += 100;
    t.resetsEqual = t.resetsEqual && ResetEqualsFresh(*run);
    return t;
}

}  // namespace

TEST(CampaignWhole, GatesOpenAtTheirLengthAtEveryRateAndVictoryComesOnce)
{
    for (const Rate &rate : RATES) {
        SCOPED_TRACE(rate.hz);
        Trace t = PlayCampaign(rate.hz);
        EXPECT_EQ(t.gateFrame[1], rate.frames90);
        EXPECT_EQ(t.gateFrame[2] - t.startFrame[2], rate.frames90);
        EXPECT_EQ(t.gateFrame[3] - t.startFrame[3], rate.frames60);
        EXPECT_EQ(t.gateFrame[4] - t.startFrame[4], rate.frames90);
        ASSERT_EQ(t.clockJustBefore.size(), 4u);
        for (const std::string &s : t.clockJustBefore) EXPECT_EQ(s, "00:01");
        EXPECT_FALSE(t.clearedEarly);
        EXPECT_FALSE(t.lingered);
        EXPECT_FALSE(t.clearSkipped);
        EXPECT_TRUE(t.level3HalfDead) << "level 3 went on with its second boss alive";
        EXPECT_EQ(t.victories, 1);
        EXPECT_GT(t.victoryFrame, t.gateFrame[4]);
        EXPECT_TRUE(t.resetsEqual);
    }
}

TEST(CampaignClock, DoubleClockReachesTheGateOnTheFrameNotBefore)
{
    for (const Rate &rate : RATES) {
        SCOPED_TRACE(rate.hz);
        auto run = camptest::Start();
        float dt = 1.0f / rate.hz;
        for (int f = 1; f < rate.frames90; f++) {
            CampaignEvents e = camptest::StepCampaign(*run, dt);
            ASSERT_FALSE(e.gateOpened) << "frame " << f;
        }
        EXPECT_LT(run->campaign.clock, 90.0);
        CampaignEvents e = camptest::StepCampaign(*run, dt);
        EXPECT_TRUE(e.gateOpened);
        EXPECT_EQ(run->campaign.phase, CAMPAIGN_GATE);
        EXPECT_EQ(run->campaign.clock, 90.0);
        // The boss is summoned in the very update that opens the gate.
        EXPECT_TRUE(CampaignBossAlive(run->campaign, run->pool, 0));
        // During the fight the clock stands and the HUD says so.
        for (int f = 0; f < (int)(rate.hz * 20.0f); f++) camptest::StepCampaign(*run, dt);
        EXPECT_EQ(run->campaign.clock, 90.0);
        char text[16];
        HudClockText(CampaignHudClock(run->campaign), text);
        EXPECT_STREQ(text, "БОСС");
    }
}

TEST(CampaignClock, LevelStartShowsItsLengthAndVictoryShowsZero)
{
    auto run = camptest::Start();
    char text[16];
    HudClockText(CampaignHudClock(run->campaign), text);
    EXPECT_STREQ(text, "01:30");
    CampaignStartLevel(run->campaign, run->pool, 3);
    HudClockText(CampaignHudClock(run->campaign), text);
    EXPECT_STREQ(text, "01:00");
    camptest::StepCampaign(*run, 0.5f / 60.0f);
    HudClockText(CampaignHudClock(run->campaign), text);
    EXPECT_STREQ(text, "01:00");
    run->campaign.phase = CAMPAIGN_VICTORY;
    HudClockText(CampaignHudClock(run->campaign), text);
    EXPECT_STREQ(text, "00:00");
}

TEST(CampaignClock, PausedOrBrokenStepsChangeNothing)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 3);
    // Into a row warning, so its time is part of what must not move.
    for (int f = 0; f < 80; f++) camptest::Step(*run, 1.0f / 60.0f);
    ASSERT_TRUE(run->campaign.rowWarning);
    auto before = std::make_unique<CampRun>(*run);
    const float bad[] = {0.0f, -0.01f, NAN, INFINITY};
    for (float dt : bad) {
        CampaignEvents e = CampaignUpdate(run->campaign, run->pool, run->camera, run->player, dt);
        EXPECT_FALSE(e.gateOpened || e.levelStarted || e.victory);
    }
    CampaignUpdate(run->campaign, run->pool, run->camera, {NAN, 0.0f, 0.0f}, 1.0f / 60.0f);
    EXPECT_TRUE(camptest::SameBytes(*run, *before));
}

TEST(CampaignGate, ClearingAGateStartsTheNextLevelClean)
{
    auto run = camptest::Start();
    camptest::OpenGate(*run, 1.0f / 60.0f);
    ASSERT_EQ(run->campaign.phase, CAMPAIGN_GATE);
    camptest::KillBoss(run->pool, run->campaign.bossSlot[0]);
    CampaignEvents e = camptest::Step(*run, 1.0f / 60.0f);
    EXPECT_TRUE(e.levelStarted);
    const Campaign &c = run->campaign;
    EXPECT_EQ(c.level, 2);
    EXPECT_EQ(c.phase, CAMPAIGN_ORDINARY);
    EXPECT_EQ(c.clock, 0.0);
    EXPECT_EQ(c.bossCount, 0);
    EXPECT_EQ(c.bossSlot[0], -1);
    EXPECT_EQ(c.bossSlot[1], -1);
    EXPECT_EQ(c.targetBuns, 5);
    EXPECT_EQ(c.targetWalkers, 10);
    EXPECT_EQ(c.targetGolems, 2);
    EXPECT_EQ(run->pool.directorTarget[1], 10);
}

TEST(CampaignGate, WithoutBossesTheEncounterIsNeverWon)
{
    auto run = camptest::Start();
    Campaign &c = run->campaign;
    c.phase = CAMPAIGN_GATE;
    c.bossCount = 0;
    EXPECT_FALSE(BossEncounterUpdate(c, run->pool, run->player));
    for (int f = 0; f < 120; f++) camptest::StepCampaign(*run, 1.0f / 60.0f);
    EXPECT_EQ(c.level, 1);
    EXPECT_EQ(c.phase, CAMPAIGN_GATE);
}

TEST(CampaignGate, LevelThreeWaitsForBothBosses)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 3);
    camptest::OpenGate(*run, 1.0f / 60.0f);
    Campaign &c = run->campaign;
    ASSERT_EQ(c.bossCount, 2);
    EXPECT_EQ(c.bossForm[0], 0);
    EXPECT_EQ(c.bossForm[1], 1);
    ASSERT_TRUE(CampaignBossAlive(c, run->pool, 0));
    ASSERT_TRUE(CampaignBossAlive(c, run->pool, 1));
    // Neither is a gatherer on this level; the gate brings its own crowd.
    EXPECT_FALSE(run->pool.slots[c.bossSlot[0]].gatherer);
    EXPECT_EQ(c.targetBuns, 15);
    EXPECT_EQ(c.targetWalkers, 15);
    EXPECT_EQ(c.targetGolems, 5);
    camptest::KillBoss(run->pool, c.bossSlot[0]);
    for (int f = 0; f < 600; f++) {
        CampaignEvents e = camptest::Step(*run, 1.0f / 60.0f);
        ASSERT_FALSE(e.levelStarted) << "frame " << f;
    }
    camptest::KillBoss(run->pool, c.bossSlot[1]);
    EXPECT_TRUE(camptest::Step(*run, 1.0f / 60.0f).levelStarted);
    EXPECT_EQ(c.level, 4);
}

// Fills every slot of the pool with a standing ordinary creature far from the player.
static void FillPool(MudPool &pool)
{
    while (pool.count < MUD_CAPACITY) {
        int i = pool.count;
        camptest::AddBody(pool, -100.0f + 4.0f * (float)(i % 12), -100.0f + 4.0f * (float)(i / 12), 1.0f);
    }
}

TEST(CampaignGate, FullPoolKeepsTheGateWaitingAndSummonsInTheFirstUpdateWithRoom)
{
    LogCapture log;
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 4);
    FillPool(run->pool);
    Campaign &c = run->campaign;
    // The campaign alone: nothing in the pool frees a slot until the test does.
    while (CampaignSkipMinute(c) > 0.0f) {
    }
    EXPECT_TRUE(camptest::StepCampaign(*run, 1.0f / 60.0f).gateOpened);
    for (int f = 0; f < 300; f++) {
        CampaignEvents e = camptest::StepCampaign(*run, 1.0f / 60.0f);
        ASSERT_FALSE(e.victory || e.levelStarted);
    }
    EXPECT_EQ(c.bossSlot[0], -1);
    EXPECT_EQ(c.summonFailures[0], 301);
    EXPECT_EQ(c.phase, CAMPAIGN_GATE);
    EXPECT_EQ(log.count(LOG_WARNING), 1) << "one line for the first failure, not one per update";
    // Room appears: the next update summons the giant golem into it.
    run->pool.slots[17].mass = 0.0f;
    run->pool.slots[17].state = MUD_FREE;
    camptest::StepCampaign(*run, 1.0f / 60.0f);
    EXPECT_EQ(c.bossSlot[0], 17);
    EXPECT_TRUE(CampaignBossAlive(c, run->pool, 0));
    EXPECT_EQ(run->pool.slots[17].bossIndex, 2);
}

TEST(CampaignGate, GiantGolemFitsBesideFortyCreatures)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 4);
    run->campaign.clock = 60.0;
    for (int f = 0; f < 60 * 25 && run->campaign.phase == CAMPAIGN_ORDINARY; f++) camptest::Step(*run, 1.0f / 60.0f);
    MudFormCounts counts = MudPoolCountForms(run->pool);
    ASSERT_EQ(counts.counts[0] + counts.counts[1] + counts.counts[2], 40);
    camptest::OpenGate(*run, 1.0f / 60.0f);
    EXPECT_TRUE(CampaignBossAlive(run->campaign, run->pool, 0));
}

TEST(CampaignGate, FinalBossDeathIsVictoryOnceAndTheShuttleSeesIt)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 4);
    camptest::OpenGate(*run, 1.0f / 60.0f);
    const Campaign &c = run->campaign;
    ShipBossView view = CampaignShipView(c, run->pool);
    EXPECT_EQ(view.level, 4);
    EXPECT_EQ(view.phase, CAMPAIGN_GATE);
    ASSERT_TRUE(view.bossPresent[0]);
    camptest::KillBoss(run->pool, c.bossSlot[0]);
    EXPECT_TRUE(camptest::Step(*run, 1.0f / 60.0f).victory);
    EXPECT_EQ(c.phase, CAMPAIGN_VICTORY);
    EXPECT_EQ(c.levelAge, 0.0f);
    EXPECT_EQ(run->pool.directorTarget[0] + run->pool.directorTarget[1] + run->pool.directorTarget[2], 0);
    // The corpse is still the boss the shuttle watched, so the crystal drops where it fell.
    view = CampaignShipView(c, run->pool);
    EXPECT_EQ(view.phase, CAMPAIGN_VICTORY);
    EXPECT_TRUE(view.bossPresent[0]);
    EXPECT_FLOAT_EQ(view.groundHeight(view.groundContext, 3.0f, 4.0f), MudGroundHeight(run->pool, 3.0f, 4.0f));
    for (int f = 0; f < 60; f++) EXPECT_FALSE(camptest::Step(*run, 1.0f / 60.0f).victory);
    EXPECT_EQ(CampaignSkipMinute(run->campaign), 0.0f);
}

TEST(CampaignGate, ReusedSlotOfADeadBossIsNotThatBoss)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 3);
    camptest::OpenGate(*run, 1.0f / 60.0f);
    Campaign &c = run->campaign;
    // The walker boss's slot now holds the bun boss's record, as after a collapse and reuse.
    int a = c.bossSlot[0], b = c.bossSlot[1];
    camptest::KillBoss(run->pool, a);
    run->pool.slots[b].bossIndex = 0;
    EXPECT_FALSE(CampaignBossAlive(c, run->pool, 1));
    EXPECT_FALSE(CampaignBossAlive(c, run->pool, 0));
}

TEST(CampaignSkip, SkipsToTheNextMinuteOrTheGateOnlyInTheOrdinaryPhase)
{
    struct Case {
        int level;
        double clock;
        double expected;
    };
    const Case cases[] = {
        {1, 10.0, 60.0}, {1, 75.0, 90.0}, {1, 0.0, 60.0}, {1, 60.0, 90.0}, {3, 10.0, 60.0}, {2, 59.999, 60.0},
    };
    for (const Case &k : cases) {
        auto run = camptest::Start();
        CampaignStartLevel(run->campaign, run->pool, k.level);
        run->campaign.clock = k.clock;
        float skipped = CampaignSkipMinute(run->campaign);
        EXPECT_EQ(run->campaign.clock, k.expected) << k.level << " " << k.clock;
        EXPECT_NEAR(skipped, k.expected - k.clock, 1e-4);
    }
    // F4 at 0:10 on level 2: the next update asks the pool for the second minute's row.
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 2);
    run->campaign.clock = 10.0;
    CampaignSkipMinute(run->campaign);
    camptest::StepCampaign(*run, 1.0f / 60.0f);
    EXPECT_EQ(run->pool.directorTarget[0], 10);
    EXPECT_EQ(run->pool.directorTarget[1], 20);
    EXPECT_EQ(run->pool.directorTarget[2], 4);
    // F4 at 1:15 reaches the gate in the next update.
    run->campaign.clock = 75.0;
    CampaignSkipMinute(run->campaign);
    EXPECT_TRUE(camptest::StepCampaign(*run, 1.0f / 60.0f).gateOpened);
    // At the gate and in victory it does nothing.
    auto gate = std::make_unique<Campaign>(run->campaign);
    EXPECT_EQ(CampaignSkipMinute(run->campaign), 0.0f);
    EXPECT_EQ(memcmp(gate.get(), &run->campaign, sizeof(Campaign)), 0);
    run->campaign.phase = CAMPAIGN_VICTORY;
    auto won = std::make_unique<Campaign>(run->campaign);
    EXPECT_EQ(CampaignSkipMinute(run->campaign), 0.0f);
    EXPECT_EQ(memcmp(won.get(), &run->campaign, sizeof(Campaign)), 0);
}

TEST(CampaignReset, ResetAfterARunEqualsAFreshStartAndReplaysTheSameRun)
{
    auto fresh = camptest::Start();
    auto run = camptest::Start({3.0f, 0.0f, -2.0f});
    CampaignStartLevel(run->campaign, run->pool, 3);
    for (int f = 0; f < 60 * 20; f++) {
        run->player.x += 0.02f;
        camptest::Step(*run, 1.0f / 60.0f);
    }
    ASSERT_GT(run->campaign.rowsSpawned, 0);
    CampaignReset(run->campaign, run->pool);
    EXPECT_EQ(memcmp(&run->campaign, &fresh->campaign, sizeof(Campaign)), 0);
    EXPECT_EQ(memcmp(&run->pool, &fresh->pool, sizeof(MudPool)), 0);
    EXPECT_EQ(run->campaign.rng, CAMPAIGN_RNG_SEED);
    // Garbage in the record before the reset leaves no trace either.
    auto dirty = camptest::Start();
    memset(&dirty->campaign, 0xA5, sizeof(Campaign));
    CampaignReset(dirty->campaign, dirty->pool);
    EXPECT_EQ(memcmp(&dirty->campaign, &fresh->campaign, sizeof(Campaign)), 0);

    // Two runs from a reset with the same inputs stay byte-identical.
    auto a = camptest::Start(), b = camptest::Start();
    for (CampRun *r : {a.get(), b.get()}) {
        CampaignStartLevel(r->campaign, r->pool, 3);
        for (int f = 0; f < 60 * 15; f++) {
            r->player.z -= 0.015f;
            camptest::Step(*r, 1.0f / 60.0f);
        }
    }
    EXPECT_TRUE(camptest::SameBytes(*a, *b));
}

TEST(CampaignBanner, FadesInAndOutAndIsGoneInVictory)
{
    struct Case {
        float age;
        int phase;
        float alpha;
    };
    const Case cases[] = {
        {0.0f, 0, 0.0f}, {0.11f, 0, 0.5f}, {0.22f, 0, 1.0f}, {2.8f, 1, 1.0f}, {3.2f, 0, 0.5f},
        {3.6f, 0, 0.0f}, {9.0f, 0, 0.0f}, {1.0f, 2, 0.0f},
    };
    Campaign c{};
    c.level = 2;
    for (const Case &k : cases) {
        c.levelAge = k.age;
        c.phase = k.phase;
        EXPECT_NEAR(CampaignBannerAlpha(c), k.alpha, 1e-5) << k.age << " " << k.phase;
    }
}

TEST(CampaignSnapshot, KeepsOnlyUsableOrthographicViews)
{
    auto run = camptest::Start();
    Campaign &c = run->campaign;
    Camera3D good = CameraToRaylib(run->camera);
    CampaignTakeSnapshot(c, good, 16.0f / 9.0f);
    EXPECT_TRUE(c.snapshotValid);
    Camera3D perspective = good;
    perspective.projection = CAMERA_PERSPECTIVE;
    Camera3D tiny = good;
    tiny.fovy = 0.9f;
    Camera3D collapsed = good;
    collapsed.target = collapsed.position;
    Camera3D broken = good;
    broken.position.y = NAN;
    struct Case {
        Camera3D camera;
        float aspect;
    };
    const Case cases[] = {{perspective, 1.7f}, {tiny, 1.7f}, {collapsed, 1.7f}, {broken, 1.7f}, {good, 0.05f}, {good, NAN}};
    for (const Case &k : cases) {
        CampaignTakeSnapshot(c, good, 16.0f / 9.0f);
        CampaignTakeSnapshot(c, k.camera, k.aspect);
        EXPECT_FALSE(c.snapshotValid);
        EXPECT_EQ(memcmp(&c.cameraSnapshot, &good, sizeof(Camera3D)), 0);
    }
}
