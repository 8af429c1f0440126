#include "campaign/bosses.h"
#include "common/maths.h"
#include "tests/campaign/campaign_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using camptest::CampRun;

TEST(BossGate, GathererIsSummonedInViewAndGathersExactlyTwentyOfTwentyFiveBuns)
{
    auto run = camptest::Start();
    EXPECT_TRUE(camptest::OpenGate(*run, 1.0f / 60.0f).gateOpened);
    Campaign &c = run->campaign;
    int g = c.bossSlot[0];
    ASSERT_GE(g, 0);
    const MudSlot &boss = run->pool.slots[g];
    ASSERT_TRUE(boss.gatherer);
    float distance = LengthXZ(boss.position - run->player);
    EXPECT_GE(distance, 8.0f);
    EXPECT_LE(distance, 10.0f);
    // 25 formed buns around the gatherer, all close enough to be absorbed together.
    float stored = boss.storedVolume, clay = 0.0f;
    int first = run->pool.count;
    for (int k = 0; k < 25; k++) {
        float a = 6.2831853f * (float)k / 25.0f;
        int i = camptest::AddBody(run->pool, boss.position.x + 0.5f * std::cos(a), boss.position.z + 0.5f * std::sin(a), 1.0f);
        clay += MudClayVolume(run->pool.slots[i]);
    }
    run->pool.mergeEnabled = 0;
    int frames = 0, largestGulp = 0;
    while (boss.gatherer && frames < 60 * 10) {
        int before = boss.gathered;
        camptest::Step(*run, 1.0f / 60.0f);
        largestGulp = std::max(largestGulp, boss.gathered - before);
        frames++;
    }
    EXPECT_EQ(largestGulp, 20) << "all 25 touch it in the same update";
    EXPECT_EQ(boss.gathered, 20);
    EXPECT_FLOAT_EQ(boss.size, MUD_BOSS_SIZE);
    EXPECT_FALSE(boss.gatherer) << "still gathering: takes no damage";
    EXPECT_EQ(MudBossFactor(boss), 1.5f);
    EXPECT_TRUE(CampaignBossAlive(c, run->pool, 0));
    // Clay ledger: twenty buns went into the boss, five stand free with theirs.
    int freed = 0;
    float left = 0.0f;
    for (int i = first; i < first + 25; i++) {
        const MudSlot &s = run->pool.slots[i];
        if (s.mass > 0.0f && s.state != MUD_FREE) {
            freed++;
            left += MudClayVolume(s);
            EXPECT_EQ(s.leader, -1);
        }
    }
    EXPECT_EQ(freed, 5);
    EXPECT_NEAR(boss.storedVolume - stored + left, clay, 1e-4f);
    EXPECT_EQ(c.phase, CAMPAIGN_GATE);
}

TEST(BossGate, EveryGateSummonsInTheUpdateThatOpensIt)
{
    struct Case {
        int level;
        int count;
        int forms[2];
        bool gatherer;
    };
    const Case cases[] = {{1, 1, {0, 0}, true}, {2, 1, {1, 0}, false}, {3, 2, {0, 1}, false}, {4, 1, {2, 0}, false}};
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        for (const Case &k : cases) {
            auto run = camptest::Start();
            CampaignStartLevel(run->campaign, run->pool, k.level);
            run->campaign.clock = (double)CampaignLevelLength(k.level) - 0.5 / hz;
            ASSERT_TRUE(camptest::Step(*run, 1.0f / hz).gateOpened);
            const Campaign &c = run->campaign;
            ASSERT_EQ(c.bossCount, k.count);
            for (int i = 0; i < k.count; i++) {
                ASSERT_TRUE(CampaignBossAlive(c, run->pool, i)) << k.level << " " << i;
                const MudSlot &s = run->pool.slots[c.bossSlot[i]];
                EXPECT_EQ(s.bossIndex, k.forms[i]);
                EXPECT_EQ(s.gatherer != 0, k.gatherer);
                EXPECT_EQ(s.size, k.gatherer ? MUD_UNIT_SIZE : MUD_BOSS_SIZE);
            }
            // A reset of the run removes every boss and clears the gate.
            CampaignReset(run->campaign, run->pool);
            EXPECT_EQ(CampaignLivingBosses(run->pool), 0);
            EXPECT_EQ(run->campaign.phase, CAMPAIGN_ORDINARY);
            EXPECT_EQ(run->campaign.bossCount, 0);
        }
    }
}

TEST(BossGate, NamesOfTheForms)
{
    EXPECT_STREQ(BossName(0), "Босс-грязевик");
    EXPECT_STREQ(BossName(1), "Босс-топтун");
    EXPECT_STREQ(BossName(2), "Босс-голем");
    EXPECT_STREQ(BossName(7), "Босс-голем");
}

// [SECTION] HUD layout

namespace {

struct Hud {
    std::unique_ptr<CampRun> run;
    std::unique_ptr<BossHud> hud = std::make_unique<BossHud>();
};

Hud HudWithBosses(const Vector3 *offsets, const int *forms, int n)
{
    Hud h;
    h.run = camptest::Start();
    for (int i = 0; i < n; i++) {
        int slot = MudPoolSpawnBoss(h.run->pool, h.run->player, forms[i], forms[i] == 0);
        EXPECT_GE(slot, 0);
        MudSlot &s = h.run->pool.slots[slot];
        s.position = {offsets[i].x, 1.0f, offsets[i].z};
    }
    return h;
}

float Distance(Vector2 a, Vector2 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)); }

}  // namespace

TEST(BossHud, TwoOffScreenBossesOnOneSideGetSeparatedNamedMarkers)
{
    const float W = 1280.0f, H = 720.0f;
    // Pairs far beyond one edge, seen from the view centre at nearly the same angle.
    struct Case {
        Vector3 a, b;
    };
    const Case cases[] = {
        {{60.0f, 0.0f, -45.0f}, {62.0f, 0.0f, -46.0f}},   // beyond the right edge
        {{-60.0f, 0.0f, 45.0f}, {-61.0f, 0.0f, 44.0f}},   // left
        {{-50.0f, 0.0f, -70.0f}, {-52.0f, 0.0f, -71.0f}}, // top
        {{40.0f, 0.0f, 60.0f}, {41.0f, 0.0f, 62.0f}},     // bottom
        {{95.0f, 0.0f, -10.0f}, {90.0f, 0.0f, 5.0f}},     // near a corner
    };
    const int forms[2] = {1, 2};
    for (const Case &k : cases) {
        Vector3 offsets[2] = {k.a, k.b};
        Hud h = HudWithBosses(offsets, forms, 2);
        BossHudLayout(h.run->pool, h.run->camera, W, H, 1.0f, *h.hud);
        ASSERT_EQ(h.hud->barCount, 0);
        ASSERT_EQ(h.hud->markerCount, 2);
        const BossMarker &m0 = h.hud->markers[0], &m1 = h.hud->markers[1];
        EXPECT_GE(Distance(m0.point, m1.point), BOSS_MARKER_SPACING) << k.a.x << " " << k.a.z;
        for (const BossMarker *m : {&m0, &m1}) {
            EXPECT_GE(m->point.x, BOSS_MARKER_INSET_X - 1e-3f);
            EXPECT_LE(m->point.x, W - BOSS_MARKER_INSET_X + 1e-3f);
            EXPECT_GE(m->point.y, BOSS_MARKER_INSET_Y - 1e-3f);
            EXPECT_LE(m->point.y, H - BOSS_MARKER_INSET_Y + 1e-3f);
            EXPECT_NEAR(std::hypot(m->direction.x, m->direction.y), 1.0f, 1e-4f);
            Vector2 label = BossMarkerLabelOrigin(m->point, {110.0f, 17.0f}, W, H);
            EXPECT_GE(label.x, 8.0f);
            EXPECT_LE(label.x + 110.0f, W - 8.0f);
            EXPECT_GE(label.y, 8.0f);
            EXPECT_LE(label.y + 17.0f, H - 8.0f);
        }
        EXPECT_EQ(m0.form, 1);
        EXPECT_EQ(m1.form, 2);
    }
}

TEST(BossHud, SeparationKeepsTheTextsRuleWhereItWorks)
{
    const float W = 1280.0f, H = 720.0f;
    // Side edge: 62 px towards the centre line.
    Vector2 p = BossMarkerSeparate({1244.0f, 200.0f}, {1244.0f, 230.0f}, W, H);
    EXPECT_FLOAT_EQ(p.x, 1244.0f);
    EXPECT_FLOAT_EQ(p.y, 292.0f);
    // Top edge: 100 px towards the centre line.
    p = BossMarkerSeparate({800.0f, 48.0f}, {820.0f, 48.0f}, W, H);
    EXPECT_FLOAT_EQ(p.x, 720.0f);
    // Between the first and the centre line, pushing towards the line would leave them 42 px
    // apart: the second goes beside the first instead.
    p = BossMarkerSeparate({36.0f, 300.0f}, {36.0f, 280.0f}, W, H);
    EXPECT_GE(Distance(p, {36.0f, 300.0f}), BOSS_MARKER_SPACING);
    // Far enough apart already: unchanged.
    p = BossMarkerSeparate({36.0f, 100.0f}, {36.0f, 400.0f}, W, H);
    EXPECT_FLOAT_EQ(p.y, 400.0f);
}

TEST(BossHud, BarsFollowHealthAndTheGathererShowsItsPips)
{
    const float W = 1280.0f, H = 720.0f;
    Vector3 offsets[2] = {{3.0f, 0.0f, -2.0f}, {-4.0f, 0.0f, 1.0f}};
    const int forms[2] = {0, 1};
    Hud h = HudWithBosses(offsets, forms, 2);
    MudPool &pool = h.run->pool;
    int gatherer = 0, walker = 1;
    pool.slots[gatherer].gathered = 7;
    pool.slots[walker].health = 8.0f;  // a quarter of 32
    BossHudLayout(pool, h.run->camera, W, H, 0.0f, *h.hud);
    ASSERT_EQ(h.hud->markerCount, 0);
    ASSERT_EQ(h.hud->barCount, 2);
    const BossBar &g = h.hud->bars[0], &w = h.hud->bars[1];
    EXPECT_TRUE(g.gatherer);
    EXPECT_EQ(g.gathered, 7);
    EXPECT_FALSE(w.gatherer);
    for (const BossBar *b : {&g, &w}) {
        EXPECT_GE(b->frame.width, BOSS_BAR_MIN_WIDTH);
        EXPECT_LE(b->frame.width, BOSS_BAR_MAX_WIDTH);
        EXPECT_EQ(b->frame.height, BOSS_BAR_HEIGHT);
        EXPECT_GE(b->frame.x, 8.0f);
        EXPECT_LE(b->frame.x + b->frame.width, W - 8.0f);
    }
    EXPECT_EQ(g.fillWidth, g.frame.width - 4.0f);
    EXPECT_EQ(w.fillWidth, std::ceil(0.25f * (w.frame.width - 4.0f)));
    // The bar sits above the boss's centre on screen.
    Vector2 centre = HudProject(h.run->camera, pool.slots[walker].position, W, H);
    EXPECT_LT(w.frame.y + w.frame.height, centre.y);
    // Twenty pips spread across the bar, 24 px below its top.
    Vector2 p0 = BossPipCentre(g, 0), p19 = BossPipCentre(g, 19);
    EXPECT_GT(p0.x, g.frame.x);
    EXPECT_LT(p19.x, g.frame.x + g.frame.width);
    EXPECT_FLOAT_EQ(p0.y, g.frame.y + BOSS_PIP_DROP);
    EXPECT_NEAR((p19.x - p0.x) / 19.0f, g.frame.width / 20.0f, 1e-3f);
    // Dead, absorbed or collapsing bosses show nothing.
    camptest::KillBoss(pool, walker);
    pool.slots[gatherer].state = MUD_ABSORBED;
    BossHudLayout(pool, h.run->camera, W, H, 0.0f, *h.hud);
    EXPECT_EQ(h.hud->barCount + h.hud->markerCount, 0);
}
