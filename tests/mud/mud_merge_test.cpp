// Mudling fusion: the clay ledger through fusions and their interruption, the compatibility
// rules with the director's caps, the fusion's length at several frame rates, limbs growing
// without a jump in height, and the fusing donor as the renderer sees it.
#include "mud/mud_merge.h"
#include "mud/mud_pack.h"
#include "mud/mud_pool.h"
#include "tests/mud/mud_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace mudtest;

namespace {

const Vector3 FAR_PLAYER = {60.0f, 0.0f, 60.0f};

std::unique_ptr<MudPool> CalmPool()
{
    auto pool = NewPool(0);
    pool->attacksEnabled = 0;
    return pool;
}

// Places a body of `mass` touching slot `other` on its +x side.
int AddTouching(MudPool &pool, int other, float mass)
{
    const MudSlot &o = pool.slots[other];
    float gap = (MudBodyRadius(o) + std::cbrt(mass) * MUD_UNIT_SIZE) * 1.05f;
    return AddBody(pool, o.position.x + gap, o.position.z, mass);
}

void ExpectLedger(const MudPool &pool, double mass, double clay, const char *what)
{
    EXPECT_NEAR(TotalMass(pool), mass, 1e-5 * mass) << what;
    EXPECT_NEAR(TotalClay(pool), clay, 1e-5 * clay) << what;
}

// Runs until slot `a` has finished a fusion (or `seconds` pass), checking both ledgers every
// frame; returns the slot that survived, -1 if none did.
int FuseAndCheck(MudPool &pool, float hz, float seconds, const char *what)
{
    double mass = TotalMass(pool), clay = TotalClay(pool);
    bool started = false;
    for (int f = 0; f < (int)(seconds * hz); f++) {
        MudPoolUpdate(pool, FAR_PLAYER, 1.0f / hz);
        ExpectLedger(pool, mass, clay, what);
        int fusing = 0, survivor = -1;
        for (int i = 0; i < pool.count; i++) {
            if (pool.slots[i].state == MUD_ABSORBING || pool.slots[i].state == MUD_ABSORBED) fusing++;
            if (pool.slots[i].mass > 0.0f && pool.slots[i].state != MUD_FREE) survivor = i;
        }
        started = started || fusing > 0;
        if (started && fusing == 0) return survivor;
    }
    return -1;
}

TEST(MudMerge, ClayLedgerThroughFusionsAndAChainToAGolemOfNine)
{
    struct Case {
        float a, b;
    };
    for (Case c : {Case{1, 1}, Case{3, 1}, Case{2, 2}, Case{1, 3}}) {
        auto pool = CalmPool();
        int i = AddBody(*pool, 10.0f, 10.0f, c.a, 0.6f);
        int j = AddTouching(*pool, i, c.b);
        pool->slots[i].wetness = 0.2f;
        pool->slots[j].dryness = 0.5f;
        int survivor = FuseAndCheck(*pool, 60.0f, 3.0f, "pair");
        ASSERT_GE(survivor, 0) << c.a << "+" << c.b;
        const MudSlot &s = pool->slots[survivor];
        EXPECT_EQ(survivor, c.a >= c.b ? i : j) << "the heavier (or the lower slot) survives";
        EXPECT_EQ(s.mass, c.a + c.b);
        EXPECT_EQ(s.state, MUD_RESTING);
        EXPECT_EQ(pool->slots[survivor == i ? j : i].state, MUD_FREE);
        EXPECT_EQ(s.walkerGrowth, c.a + c.b >= 4.0f ? 1.0f : 0.0f);
        // Materials are mass-weighted means.
        float ma = c.a, mb = c.b;
        EXPECT_NEAR(s.wetness, (0.2f * ma + 1.0f * mb) / (ma + mb), 1e-6f);
        EXPECT_NEAR(s.dryness, 0.5f * mb / (ma + mb), 1e-6f);
    }

    // 1+1, then 2+2, walker + 3, golem of 7 + 2: each step's body takes the next one in.
    auto pool = CalmPool();
    int body = AddBody(*pool, -20.0f, 30.0f, 1.0f, 0.62f);
    for (float next : {1.0f, 2.0f, 3.0f, 2.0f}) {
        AddTouching(*pool, body, next);
        body = FuseAndCheck(*pool, 60.0f, 4.0f, "chain");
        ASSERT_GE(body, 0) << "fusion with " << next;
        // Let a walker settle before the next arrives.
        for (int f = 0; f < 30; f++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    }
    const MudSlot &golem = pool->slots[body];
    EXPECT_EQ(golem.mass, 9.0f);
    EXPECT_EQ(golem.golemGrowth, 1.0f);
    EXPECT_NEAR(golem.legNorm, 1.0f / std::cbrt(9.0f), 1e-6f);
    // The size follows from the clay: 1 x 0.62^3 + 8 x 0.65^3 of bodies, fused exactly.
    double clay = 0.62 * 0.62 * 0.62 + 8.0 * 0.65 * 0.65 * 0.65;
    EXPECT_NEAR(MudClayVolume(golem), clay, 1e-5 * clay);
}

TEST(MudMerge, InterruptionGivesEachBodyBackItsOwnClayAndGrowth)
{
    for (bool fromDonor : {false, true}) {
        auto pool = CalmPool();
        int a = AddBody(*pool, 0.0f, 30.0f, 4.0f);
        int b = AddTouching(*pool, a, 2.0f);
        pool->slots[b].wounds.removedVolume = 0.05f;  // clay a wound took stays lost
        pool->slots[b].wounds.woundCount = 1;
        MudSlot before[2] = {pool->slots[a], pool->slots[b]};
        double mass = TotalMass(*pool), clay = TotalClay(*pool);
        for (int f = 0; f < 30; f++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
        ASSERT_EQ(pool->slots[a].state, MUD_ABSORBING);
        ASSERT_GT(pool->slots[a].size, before[0].size) << "the survivor has swollen";
        MudMergeInterrupt(*pool, fromDonor ? b : a);
        ExpectLedger(*pool, mass, clay, "interrupted");
        for (int k = 0; k < 2; k++) {
            const MudSlot &s = pool->slots[k == 0 ? a : b];
            EXPECT_EQ(s.state, MUD_RESTING);
            EXPECT_EQ(s.partner, -1);
            EXPECT_EQ(s.presence, 1.0f);
            EXPECT_EQ(s.mass, before[k].mass);
            EXPECT_EQ(s.walkerGrowth, before[k].walkerGrowth);
            EXPECT_EQ(s.golemGrowth, before[k].golemGrowth);
            EXPECT_EQ(s.legLength, before[k].legLength);
            EXPECT_NEAR(MudClayVolume(s), MudClayVolume(before[k]), 1e-6f);
            EXPECT_NEAR(MudBodyScale(s), MudBodyScale(before[k]), 2e-6f) << "drawn at its own size";
            EXPECT_EQ(s.wounds.woundCount, 0);
        }
        // Not fusing any more: a second interruption changes nothing.
        auto copy = CopyPool(*pool);
        MudMergeInterrupt(*pool, a);
        EXPECT_TRUE(SameBytes(*pool, *copy));
    }
}

TEST(MudMerge, ADonorLeftWithoutItsSurvivorRestsWithItsOwnClay)
{
    auto pool = CalmPool();
    int a = AddBody(*pool, 0.0f, 30.0f, 3.0f);
    int b = AddTouching(*pool, a, 1.0f);
    float clayB = MudClayVolume(pool->slots[b]);
    for (int f = 0; f < 20; f++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    ASSERT_EQ(pool->slots[b].state, MUD_ABSORBED);
    // The survivor is taken out of the fusion by something that forgot its donor.
    pool->slots[a].state = MUD_RESTING;
    pool->slots[a].partner = -1;
    pool->slots[a].position.x -= 10.0f;
    MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    EXPECT_NE(pool->slots[b].state, MUD_ABSORBED);
    EXPECT_EQ(pool->slots[b].presence, 1.0f);
    EXPECT_NEAR(MudClayVolume(pool->slots[b]), clayB, 1e-6f);
}

TEST(MudMerge, CompatibilityTable)
{
    enum Setup { PLAIN, BOSS, ROLLER, MERGE_OFF, DASHING, HELD, SHUTTLE_BETWEEN, FOLLOWER };
    struct Case {
        const char *name;
        float a, b;
        Setup setup;
        bool fuse;
    };
    const Case cases[] = {
        {"1+1", 1, 1, PLAIN, true},
        {"2+1", 2, 1, PLAIN, true},
        {"3+1 makes a walker", 3, 1, PLAIN, true},
        {"2+2 makes a walker", 2, 2, PLAIN, true},
        {"walker and walker up to 9", 5, 4, PLAIN, true},
        {"5+5 is above 9", 5, 5, PLAIN, false},
        {"golem of 7 and a single clod", 7, 1, PLAIN, false},
        {"golem of 7 and a two-clod bun", 7, 2, PLAIN, true},
        {"golem of 9 and anything", 9, 1, PLAIN, false},
        {"a boss", 3, 1, BOSS, false},
        {"a roller", 1, 1, ROLLER, false},
        {"merging off", 1, 1, MERGE_OFF, false},
        {"a dashing bun", 1, 1, DASHING, false},
        {"a held bun", 2, 1, HELD, false},
        {"the shuttle between them", 1, 1, SHUTTLE_BETWEEN, false},
        {"a bun hopping to the gatherer", 1, 1, FOLLOWER, false},
    };
    for (const Case &c : cases) {
        auto pool = CalmPool();
        int i = AddBody(*pool, 0.0f, 30.0f, c.a);
        int j = AddBody(*pool, 2.0f, 30.0f, c.b);
        MudSlot &si = pool->slots[i], &sj = pool->slots[j];
        switch (c.setup) {
        case BOSS: si.boss = 1; si.health = 24.0f; break;
        case ROLLER: sj.roller = 1; break;
        case MERGE_OFF: pool->mergeEnabled = 0; break;
        case DASHING: sj.state = MUD_DASH; break;
        case HELD: sj.state = MUD_HELD; break;
        case SHUTTLE_BETWEEN: MudPoolSetObstacle(*pool, {1.0f, 0.0f, 30.0f}, 0.3f, 3.55f, true); break;
        case FOLLOWER: {
            int g = AddBody(*pool, 20.0f, 30.0f, 1.0f);
            pool->slots[g].boss = pool->slots[g].gatherer = 1;
            pool->slots[g].health = 24.0f;
            pool->slots[j].leader = g;
            break;
        }
        default: break;
        }
        EXPECT_EQ(MudMergeCompatible(*pool, i, j), c.fuse) << c.name;
        EXPECT_EQ(MudMergeCompatible(*pool, j, i), c.fuse) << c.name << " (either order)";
    }
    auto pool = CalmPool();
    int i = AddBody(*pool, 0.0f, 30.0f, 1.0f);
    EXPECT_FALSE(MudMergeCompatible(*pool, i, i));
    EXPECT_FALSE(MudMergeCompatible(*pool, i, 5));
}

TEST(MudMerge, DirectorCapsTheFormsFusionsMake)
{
    struct Case {
        const char *name;
        int buns, walkers, golems;
        float a, b;
        int otherWalkers;  // walkers already alive elsewhere
        bool fuse;
    };
    const Case cases[] = {
        {"no walkers wanted: 2+2 refused", 10, 0, 0, 2, 2, 0, false},
        {"one walker wanted, none alive: 2+2 allowed", 10, 1, 0, 2, 2, 0, true},
        {"one walker wanted and alive: 2+2 refused", 10, 1, 0, 2, 2, 1, false},
        {"a walker taking a bun stays a walker", 10, 1, 0, 4, 1, 0, true},
        {"no buns wanted: 1+1 refused", 0, 5, 5, 1, 1, 0, false},
        {"no golem wanted: 5+2 refused", 10, 5, 0, 5, 2, 0, false},
        {"a golem wanted: 5+2 allowed", 10, 5, 1, 5, 2, 0, true},
    };
    for (const Case &c : cases) {
        auto pool = CalmPool();
        int i = AddBody(*pool, 0.0f, 30.0f, c.a);
        int j = AddBody(*pool, 2.0f, 30.0f, c.b);
        for (int k = 0; k < c.otherWalkers; k++) AddBody(*pool, -20.0f - 4.0f * (float)k, 30.0f, 4.0f);
        MudPoolSetDirector(*pool, c.buns, c.walkers, c.golems);
        EXPECT_EQ(MudMergeCompatible(*pool, i, j), c.fuse) << c.name;
    }
    // Without a director the caps are open.
    auto pool = CalmPool();
    int i = AddBody(*pool, 0.0f, 30.0f, 2.0f);
    int j = AddBody(*pool, 2.0f, 30.0f, 2.0f);
    EXPECT_TRUE(MudMergeCompatible(*pool, i, j));
    // Two pairs of 2+2 with one walker wanted: the first fusion takes the only place.
    MudPoolSetDirector(*pool, 10, 1, 0);
    int k = AddBody(*pool, 0.0f, 40.0f, 2.0f);
    AddTouching(*pool, k, 2.0f);
    pool->slots[j].position.x = pool->slots[i].position.x + 1.4f;
    MudMergePairing(*pool);
    int fusions = 0;
    for (int n = 0; n < pool->count; n++) fusions += pool->slots[n].state == MUD_ABSORBING;
    EXPECT_EQ(fusions, 1);
}

TEST(MudMerge, FusionLastsItsTimeAtEveryRateAndLimbsGrowWithoutAJump)
{
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        auto pool = CalmPool();
        int a = AddBody(*pool, 5.0f, 30.0f, 3.0f);
        AddTouching(*pool, a, 1.0f);
        StateLog log{};
        float lastGrowth = 0.0f, lastY = pool->slots[a].position.y, worstJump = 0.0f;
        for (int f = 0; f < (int)(2.5f * hz); f++) {
            MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / hz);
            const MudSlot &s = pool->slots[a];
            log.Note(s.state, (f + 1) / (double)hz);
            EXPECT_GE(s.walkerGrowth, lastGrowth) << "legs only grow";
            lastGrowth = s.walkerGrowth;
            // Vertical speed: a jump would not shrink with the step.
            if (f > 0) worstJump = std::fmax(worstJump, std::fabs(s.position.y - lastY) * hz);
            lastY = s.position.y;
        }
        EXPECT_NEAR(log.Span(MUD_ABSORBING), MUD_FUSION_SECONDS, 1.0 / hz + 1e-4) << hz << " Hz";
        EXPECT_EQ(lastGrowth, 1.0f);
        EXPECT_LT(worstJump, 3.0f) << "the centre moves smoothly at " << hz << " Hz";
    }
}

TEST(MudMerge, NothingFusesWhileMergingIsOffOrPaused)
{
    auto pool = CalmPool();
    int a = AddBody(*pool, 5.0f, 30.0f, 1.0f);
    AddTouching(*pool, a, 1.0f);
    pool->mergeEnabled = 0;
    for (int f = 0; f < 120; f++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    for (int i = 0; i < pool->count; i++) EXPECT_EQ(pool->slots[i].mass, 1.0f);

    pool = CalmPool();
    a = AddBody(*pool, 5.0f, 30.0f, 1.0f);
    AddTouching(*pool, a, 1.0f);
    for (int f = 0; f < 20; f++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    ASSERT_EQ(pool->slots[a].state, MUD_ABSORBING);
    auto copy = CopyPool(*pool);
    for (float dt : {0.0f, -0.1f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        MudPoolUpdate(*pool, FAR_PLAYER, dt);
    EXPECT_TRUE(SameBytes(*pool, *copy)) << "a paused fusion does not advance";
}

TEST(MudMerge, TheFusingDonorIsPackedFadingIntoTheSurvivor)
{
    auto pool = CalmPool();
    int a = AddBody(*pool, 5.0f, 30.0f, 4.0f);
    int b = AddTouching(*pool, a, 2.0f);
    for (int f = 0; f < 32; f++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    ASSERT_EQ(pool->slots[a].state, MUD_ABSORBING);
    const MudSlot &donor = pool->slots[b];
    EXPECT_GT(donor.presence, 0.0f);
    EXPECT_LT(donor.presence, 1.0f);
    auto record = std::make_unique<MudPackRecord>();
    MudPack(*pool, *record, {5.0f, 30.0f, 50.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.6f, -0.8f}, 20.0f, 16.0f / 9.0f);
    Vector4 body = record->a.mudMergeBodies[a];
    EXPECT_EQ(body.x, donor.position.x);
    EXPECT_EQ(body.z, donor.position.z);
    EXPECT_FLOAT_EQ(body.w, MudBodyScale(donor));
    EXPECT_EQ(record->a.mudMergeShapes[a].y, donor.scale.y);
    EXPECT_EQ(record->b.mudWalkers[a].w, (float)(b + 1));
    EXPECT_EQ(record->a.mudStates[b].y, 0.0f) << "the donor itself is not drawn with eyes";
    EXPECT_EQ(record->b.mudWalkers[b].z, 0.0f);
}

}  // namespace
