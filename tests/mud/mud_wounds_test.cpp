// Mudling wounds: the clay ledger through every kind of strike and collapse, hurt-once masks,
// boss hit points, the recoil side of a cut, chunk landings at two frame rates, the empty print
// grids, the plasma kill threshold, input guards, death records and the golem's held bun.
//
// Index
//   [SECTION] Fixture and helpers
//   [SECTION] Clay ledger
//   [SECTION] Hurt once
//   [SECTION] Strikes
//   [SECTION] Chunks and corpses
//   [SECTION] Guards
//   [SECTION] Deaths and holds
#include "mud/mud_wounds.h"

#include "common/maths.h"
#include "mud/mud_shape.h"
#include "tests/mud/mud_fixture.h"
#include "world/soil.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace mudtest;

namespace {

// [SECTION] Fixture and helpers

constexpr float METEOR_RADIUS = 0.58f;
const Vector3 FAR_PLAYER = {60.0f, 0.0f, 60.0f};

// One soil shared by the tests of this file (its grids are 36 MiB), reset before each test.
class MudWoundsTest : public ::testing::Test {
protected:
    static Soil soil;
    static void SetUpTestSuite() { ASSERT_TRUE(SoilCreate(soil)); }
    static void TearDownTestSuite() { SoilRelease(soil); }
    void SetUp() override { SoilReset(soil); }
};
Soil MudWoundsTest::soil{};

// A pool that keeps still while it is stepped: no merging, no attacks, the player far away.
std::unique_ptr<MudPool> QuietPool()
{
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    pool->attacksEnabled = 0;
    return pool;
}

double Ledger(const MudPool &pool, const Soil &soil) { return MudWoundsClay(pool) + SoilTotal(soil); }

Vector3 Top(const MudSlot &s) { return {s.position.x, s.position.y + 3.0f, s.position.z}; }

// Steps the pool until no corpse or chunk is left (at most 5 s), checking the ledger every step.
// Returns the largest relative drift seen.
double SettleDrift(MudPool &pool, Soil &soil, double expected, float dt)
{
    double worst = std::fabs(Ledger(pool, soil) - expected) / expected;
    for (int step = 0; step < (int)(5.0f / dt); step++) {
        MudPoolUpdate(pool, FAR_PLAYER, dt, &soil);
        worst = std::fmax(worst, std::fabs(Ledger(pool, soil) - expected) / expected);
        bool busy = false;
        for (int i = 0; i < pool.count; i++) {
            const MudSlot &s = pool.slots[i];
            busy = busy || s.state == MUD_CORPSE || s.debris[0].active || s.debris[1].active;
        }
        if (!busy) break;
    }
    return worst;
}

bool Settled(const MudPool &pool)
{
    for (int i = 0; i < pool.count; i++) {
        const MudSlot &s = pool.slots[i];
        if (s.state == MUD_CORPSE || s.debris[0].active || s.debris[1].active) return false;
    }
    return true;
}

// A golem at g holding the bun b in its grab.
void Hold(MudPool &pool, int g, int b)
{
    pool.slots[g].state = MUD_GRAB;
    pool.slots[g].duration = 0.8f;
    pool.slots[g].heldBun = b;
    pool.slots[b].state = MUD_HELD;
    pool.slots[b].holder = g;
}

// [SECTION] Clay ledger

struct LedgerCase {
    const char *name;
    std::function<void(MudPool &)> place;           // the bodies
    std::function<void(MudPool &, Soil &)> strike;  // what happens to them
};

void Meteor(MudPool &pool, Soil &soil, int i)
{
    MudHitSphere(pool, soil, Top(pool.slots[i]), pool.slots[i].position, METEOR_RADIUS, nullptr);
}

// Small spheres dropped beside the core at `count` headings, `step` radians apart: wounds
// that are not lethal by themselves.
int Pokes(MudPool &pool, Soil &soil, int i, int count, float step, float radius)
{
    int hits = 0;
    for (int k = 0; k < count; k++) {
        float angle = step * (float)k;
        Vector3 at = pool.slots[i].position + Vector3{std::cos(angle), 0.0f, std::sin(angle)} * 0.75f;
        hits += MudHitSphere(pool, soil, at + Vector3{0.0f, 2.0f, 0.0f}, at, radius, nullptr);
    }
    return hits;
}

int PokeAt(MudPool &pool, Soil &soil, int i, float angle, float radius)
{
    Vector3 at = pool.slots[i].position + Vector3{std::cos(angle), 0.0f, std::sin(angle)} * 0.75f;
    return MudHitSphere(pool, soil, at + Vector3{0.0f, 2.0f, 0.0f}, at, radius, nullptr);
}

void Blade(MudPool &pool, Soil &soil, int i, float offset)
{
    Vector3 c = pool.slots[i].position;
    MudHitBlade(pool, soil, {c.x + offset, 1.0f, c.z - 3.0f}, {c.x + offset, 1.0f, c.z + 3.0f}, 0.05f, {0, 0, 0}, nullptr);
}

TEST_F(MudWoundsTest, ClayIsNeitherMadeNorLostThroughStrikesAndCollapse)
{
    const LedgerCase cases[] = {
        {"glancing meteor", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 2.0f); },
         [](MudPool &pool, Soil &soil) {
             Vector3 at = pool.slots[0].position + Vector3{0.95f, 0.0f, 0.0f};
             MudHitSphere(pool, soil, at + Vector3{0.0f, 3.0f, 0.0f}, at, METEOR_RADIUS, nullptr);
         }},
        {"lethal meteor", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 4.0f); },
         [](MudPool &pool, Soil &soil) { Meteor(pool, soil, 0); }},
        {"third cavity", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 3.0f); },
         [](MudPool &pool, Soil &soil) { Pokes(pool, soil, 0, 3, 2.1f, 0.25f); }},
        {"side cut", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 3.0f); },
         [](MudPool &pool, Soil &soil) { Blade(pool, soil, 0, 0.55f); }},
        {"split", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 5.0f); },
         [](MudPool &pool, Soil &soil) { Blade(pool, soil, 0, 0.1f); }},
        {"both chunks busy", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 6.0f); },
         [](MudPool &pool, Soil &soil) { Pokes(pool, soil, 0, 4, 1.7f, 0.3f); }},
        {"split with one empty grid", [](MudPool &pool) { AddBody(pool, 0.0f, 0.0f, 2.0f); },
         [](MudPool &pool, Soil &) {
             MudSlot copy = pool.slots[0];
             MudWoundsDie(pool, 0, true, {1.0f, 0.0f, 0.0f, -5.0f}, copy, true);
         }},
        {"killed holder and its held bun",
         [](MudPool &pool) {
             AddBody(pool, 0.0f, 0.0f, 7.0f);
             AddBody(pool, 1.4f, 0.0f, 1.0f);
             AddBody(pool, 10.0f, 0.0f, 7.0f);
             AddBody(pool, 11.4f, 0.0f, 1.0f);
             Hold(pool, 0, 1);
             Hold(pool, 2, 3);
         },
         [](MudPool &pool, Soil &soil) {
             Meteor(pool, soil, 0);
             Meteor(pool, soil, 3);
         }},
        {"wave clear of 40 bodies",
         [](MudPool &pool) {
             for (int k = 0; k < 40; k++)
                 AddBody(pool, -30.0f + 6.0f * (float)(k % 10), -12.0f + 6.0f * (float)(k / 10), (float)(1 + k % 9));
         },
         [](MudPool &pool, Soil &) { MudPoolClearWave(pool); }},
    };
    for (const LedgerCase &c : cases) {
        for (float rate : {30.0f, 144.0f}) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string((int)rate) + " Hz");
            SoilReset(soil);
            auto pool = QuietPool();
            c.place(*pool);
            double expected = Ledger(*pool, soil);
            c.strike(*pool, soil);
            EXPECT_LT(std::fabs(Ledger(*pool, soil) - expected) / expected, 1e-4) << "right after the strike";
            EXPECT_LT(SettleDrift(*pool, soil, expected, 1.0f / rate), 1e-4);
            EXPECT_TRUE(Settled(*pool));
            EXPECT_EQ(pool->unplacedClay, 0.0f);
            EXPECT_NEAR(SoilMassClods(soil), SoilTotal(soil), 1e-4 * expected);
        }
    }
}

TEST_F(MudWoundsTest, WithoutSoilTheClayIsKeptInTheLedger)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 4.0f);
    double expected = MudWoundsClay(*pool);
    MudHitSphere(*pool, soil, Top(pool->slots[i]), pool->slots[i].position, METEOR_RADIUS, nullptr);
    double struck = SoilTotal(soil);
    for (int step = 0; step < 300; step++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f);
    EXPECT_TRUE(Settled(*pool));
    EXPECT_GT(pool->unplacedClay, 0.0f);
    EXPECT_NEAR(MudWoundsClay(*pool) + struck, expected, 1e-4 * expected);
}

// [SECTION] Hurt once

TEST_F(MudWoundsTest, MaskBitsAreDistinctForEverySlot)
{
    uint64_t all = 0;
    for (int i = 0; i < MUD_CAPACITY; i++) {
        EXPECT_EQ(all & MudHitMaskBit(i), 0u) << "slot " << i;
        all |= MudHitMaskBit(i);
    }
    EXPECT_EQ(std::popcount(all), MUD_CAPACITY);

    // Bodies in slots 0, 31, 32 and 47 struck by one sphere sweep each set only their own bit.
    auto pool = QuietPool();
    for (int k = 0; k < MUD_CAPACITY; k++) AddBody(*pool, -90.0f + 3.8f * (float)k, 0.0f, 2.0f);
    uint64_t mask = 0;
    for (int slot : {0, 31, 32, 47}) {
        const MudSlot &s = pool->slots[slot];
        EXPECT_EQ(MudHitSphere(*pool, soil, Top(s), s.position, METEOR_RADIUS, &mask), 1) << "slot " << slot;
    }
    EXPECT_EQ(mask, MudHitMaskBit(0) | MudHitMaskBit(31) | MudHitMaskBit(32) | MudHitMaskBit(47));
    EXPECT_NE(MudHitMaskBit(31), MudHitMaskBit(32));
}

TEST_F(MudWoundsTest, OneStrikeOverManyFramesDamagesEachBodyOnce)
{
    // A small sphere swept through two bodies in twenty pieces: each gets exactly one cavity.
    auto pool = QuietPool();
    int a = AddBody(*pool, 0.0f, 0.0f, 3.0f);
    int b = AddBody(*pool, 3.0f, 0.0f, 3.0f);
    float y = pool->slots[a].position.y + 0.3f;
    Vector3 from = {-2.0f, y, 0.55f}, to = {5.0f, y, 0.55f};
    uint64_t mask = 0;
    int hits = 0;
    for (int k = 0; k < 20; k++)
        hits += MudHitSphere(*pool, soil, Vector3Lerp(from, to, (float)k / 20.0f), Vector3Lerp(from, to, (float)(k + 1) / 20.0f),
                             0.15f, &mask);
    EXPECT_EQ(hits, 2);
    EXPECT_EQ(pool->slots[a].wounds.woundCount, 1);
    EXPECT_EQ(pool->slots[b].wounds.woundCount, 1);

    // One blade swing in pieces cuts each body once: a second cut would kill.
    auto blades = QuietPool();
    int c = AddBody(*blades, 0.0f, 0.0f, 3.0f);
    int d = AddBody(*blades, 0.0f, 4.0f, 3.0f);
    mask = 0;
    hits = 0;
    for (int k = 0; k < 20; k++) {
        float z0 = -3.0f + 10.0f * (float)k / 20.0f, z1 = -3.0f + 10.0f * (float)(k + 1) / 20.0f;
        hits += MudHitBlade(*blades, soil, {0.6f, 1.0f, z0}, {0.6f, 1.0f, z1}, 0.05f, {0, 0, 0}, &mask);
    }
    EXPECT_EQ(hits, 2);
    for (int i : {c, d}) {
        EXPECT_EQ(blades->slots[i].state, MUD_RESTING) << "slot " << i;
        EXPECT_EQ(blades->slots[i].wounds.planarCut, 1) << "slot " << i;
    }
}

TEST_F(MudWoundsTest, BossesLoseHitPointsBySphereBladeAndPlasma)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 6.0f, MUD_BOSS_SIZE);
    MudSlot &boss = pool->slots[i];
    boss.boss = 1;
    boss.bossIndex = 1;
    boss.health = boss.maxHealth = 32.0f;
    boss.storedVolume = 6.0f * MUD_BOSS_SIZE * MUD_BOSS_SIZE * MUD_BOSS_SIZE;
    double clay = MudWoundsClay(*pool);
    Vector3 c = boss.position;
    EXPECT_EQ(MudHitSphere(*pool, soil, Top(boss), c, METEOR_RADIUS, nullptr), 1);
    EXPECT_FLOAT_EQ(boss.health, 29.0f);
    EXPECT_FLOAT_EQ(boss.hitKind, 1.0f);
    EXPECT_EQ(MudHitBlade(*pool, soil, {c.x - 6.0f, 1.0f, c.z}, {c.x + 6.0f, 1.0f, c.z}, 0.1f, {0, 0, 0}, nullptr), 1);
    EXPECT_FLOAT_EQ(boss.health, 27.0f);
    EXPECT_FLOAT_EQ(boss.hitKind, 2.0f);
    EXPECT_EQ(MudHitPlasma(*pool, {c.x - 8.0f, c.y, c.z}, {c.x + 8.0f, c.y, c.z}, 0.1f, nullptr), i);
    EXPECT_FLOAT_EQ(boss.health, 26.0f);
    EXPECT_FLOAT_EQ(boss.hitKind, 3.0f);
    // Hit points only: no clay leaves a boss, and it lives on.
    EXPECT_EQ(boss.state, MUD_WALKING);
    EXPECT_DOUBLE_EQ(MudWoundsClay(*pool), clay);

    // At zero it dies, paying a reward, and does not go below zero.
    boss.health = 2.0f;
    MudHitSphere(*pool, soil, Top(boss), boss.position, METEOR_RADIUS, nullptr);
    EXPECT_EQ(boss.health, 0.0f);
    EXPECT_EQ(boss.state, MUD_CORPSE);
    EXPECT_EQ(pool->deathCount, 1);
}

// [SECTION] Strikes

TEST_F(MudWoundsTest, GlancingMeteorLeavesAnEmptyCavityAndTheCoreKills)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 3.0f);
    MudSlot &s = pool->slots[i];
    Vector3 at = s.position + Vector3{1.0f, 0.0f, 0.0f};
    EXPECT_EQ(MudHitSphere(*pool, soil, at + Vector3{0.0f, 3.0f, 0.0f}, at, METEOR_RADIUS, nullptr), 1);
    ASSERT_EQ(s.state, MUD_RESTING);
    ASSERT_EQ(s.wounds.woundCount, 1);
    MudShapeLimbs limbs = MudShapeLimbsOf(s);
    MudShape shape;
    MudShapePrepare(s, limbs, shape);
    float radius;
    Vector3 cavity = MudShapeCavity(s, limbs, 0, &radius);
    EXPECT_GT(MudShapeDistance(shape, cavity), 0.0f) << "the cavity is empty";
    EXPECT_TRUE(s.debris[0].active);

    auto core = QuietPool();
    int j = AddBody(*core, 0.0f, 0.0f, 3.0f);
    MudHitSphere(*core, soil, Top(core->slots[j]), core->slots[j].position, METEOR_RADIUS, nullptr);
    EXPECT_EQ(core->slots[j].state, MUD_CORPSE);
    EXPECT_EQ(core->deathCount, 1);
}

TEST_F(MudWoundsTest, TheThirdCavityKillsInsteadOfHealing)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 3.0f);
    MudSlot &s = pool->slots[i];
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(PokeAt(*pool, soil, i, 2.1f * (float)k, 0.25f), 1) << "strike " << k;
        if (k < 2) {
            EXPECT_EQ(s.wounds.woundCount, k + 1);
            EXPECT_NE(s.state, MUD_CORPSE);
        }
    }
    EXPECT_EQ(s.state, MUD_CORPSE);
    EXPECT_EQ(s.wounds.woundCount, 2) << "the corpse keeps both cavities";
}

// The recoil shoves the body away from the blade whichever side it stands on and whichever way
// the blade runs.
TEST_F(MudWoundsTest, BladeRecoilPushesAwayFromTheBlade)
{
    struct Case {
        float offset;     // blade line x relative to the body centre
        float direction;  // blade travels toward +z (1) or -z (-1)
    };
    for (Case c : {Case{0.6f, 1.0f}, Case{0.6f, -1.0f}, Case{-0.6f, 1.0f}, Case{-0.6f, -1.0f}}) {
        SCOPED_TRACE("blade at " + std::to_string(c.offset) + " going " + std::to_string(c.direction));
        auto pool = QuietPool();
        int i = AddBody(*pool, 0.0f, 0.0f, 3.0f);
        MudSlot &s = pool->slots[i];
        float x = s.position.x + c.offset;
        ASSERT_EQ(MudHitBlade(*pool, soil, {x, 1.0f, -3.0f * c.direction}, {x, 1.0f, 3.0f * c.direction}, 0.05f, {0, 0, 0},
                              nullptr),
                  1);
        ASSERT_EQ(s.wounds.planarCut, 1);
        EXPECT_NEAR(LengthXZ(s.recoil), 4.0f, 1e-4f);
        EXPECT_LT(s.recoil.x * c.offset, 0.0f) << "shoved away from the blade line";
        float before = std::fabs(s.position.x - x);
        MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f, &soil);
        EXPECT_GT(std::fabs(s.position.x - x), before);
    }
}

TEST_F(MudWoundsTest, DistantBladeChangesNothing)
{
    auto pool = QuietPool();
    AddBody(*pool, 0.0f, 0.0f, 3.0f);
    auto before = CopyPool(*pool);
    uint64_t mask = 0;
    EXPECT_EQ(MudHitBlade(*pool, soil, {2.5f, 1.0f, -3.0f}, {2.5f, 1.0f, 3.0f}, 0.05f, {0, 0, 0}, &mask), 0);
    EXPECT_EQ(mask, 0u);
    EXPECT_TRUE(SameBytes(*pool, *before));
}

TEST_F(MudWoundsTest, PlasmaKillsAtThreeScorchesOrMore)
{
    struct Case {
        float scorch;  // before the bolt
        bool dies;
    };
    for (Case c : {Case{0.0f, false}, Case{1.0f, false}, Case{2.0f, true}, Case{2.4f, true}, Case{1.9f, false}}) {
        SCOPED_TRACE("scorch " + std::to_string(c.scorch));
        auto pool = QuietPool();
        int i = AddBody(*pool, 0.0f, 0.0f, 2.0f);
        pool->slots[i].scorch = c.scorch;
        Vector3 p = pool->slots[i].position;
        Vector3 contact = {};
        EXPECT_EQ(MudHitPlasma(*pool, {p.x - 6.0f, p.y, p.z}, {p.x + 6.0f, p.y, p.z}, 0.05f, &contact), i);
        EXPECT_LT(contact.x, p.x) << "the beam's first contact";
        EXPECT_EQ(pool->slots[i].state == MUD_CORPSE, c.dies);
        EXPECT_FLOAT_EQ(pool->slots[i].hitKind, 3.0f);
    }
}

TEST_F(MudWoundsTest, RepelPushesTheNearestAwayWithoutHurting)
{
    auto pool = QuietPool();
    int near = AddBody(*pool, 2.0f, 0.0f, 1.0f);
    int middle = AddBody(*pool, 0.0f, -3.0f, 2.0f);
    int far = AddBody(*pool, 4.5f, 0.0f, 1.0f);
    double clay = MudWoundsClay(*pool);
    EXPECT_EQ(MudRepel(*pool, {0.0f, 0.0f, 0.0f}, 5.0f, 2), 2);
    EXPECT_NEAR(pool->slots[near].knockback.x, 14.0f, 1e-4f);
    EXPECT_NEAR(pool->slots[middle].knockback.z, -14.0f, 1e-4f);
    EXPECT_EQ(pool->slots[far].knockback.x, 0.0f) << "only the two nearest";
    EXPECT_DOUBLE_EQ(MudWoundsClay(*pool), clay);
    EXPECT_EQ(pool->slots[near].state, MUD_RESTING);
}

// [SECTION] Chunks and corpses

// A chunk's landing point and time do not depend on the frame rate.
TEST_F(MudWoundsTest, ChunksLandAtTheSamePointAndTimeAtAnyRate)
{
    Vector3 landing[2];
    float airborne[2];
    float rates[2] = {30.0f, 144.0f};
    for (int r = 0; r < 2; r++) {
        auto pool = QuietPool();
        int i = AddBody(*pool, 3.0f, 2.0f, 2.0f);
        MudWoundsDebrisLaunch(*pool, &soil, i, pool->slots[i].position + Vector3{0.5f, 0.2f, 0.1f}, {0.0f, -1.0f, 0.0f}, 0.05f);
        const MudDebris &chunk = pool->slots[i].debris[0];
        ASSERT_TRUE(chunk.active);
        for (int step = 0; step < 600 && chunk.active; step++) MudWoundsDebrisFly(*pool, &soil, i, 1.0f / rates[r]);
        ASSERT_FALSE(chunk.active);
        landing[r] = chunk.position;
        airborne[r] = chunk.airborne;
        EXPECT_NEAR(chunk.position.y, TerrainHeight(chunk.position.x, chunk.position.z), 1e-5f);
    }
    EXPECT_NEAR(airborne[0], airborne[1], 1e-4f);
    EXPECT_NEAR(Vector3Distance(landing[0], landing[1]), 0.0f, 1e-3f);
}

TEST_F(MudWoundsTest, AThirdChunkGoesIntoTheSoilAtOnce)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 6.0f);
    MudSlot &s = pool->slots[i];
    ASSERT_EQ(PokeAt(*pool, soil, i, 0.0f, 0.3f), 1);
    ASSERT_EQ(PokeAt(*pool, soil, i, 2.0f, 0.3f), 1);
    ASSERT_TRUE(s.debris[0].active && s.debris[1].active);
    EXPECT_EQ(SoilTotal(soil), 0.0);
    float removed = s.wounds.removedVolume;
    PokeAt(*pool, soil, i, 4.0f, 0.3f);
    EXPECT_NEAR(SoilTotal(soil), s.wounds.removedVolume - removed, 1e-6);
    EXPECT_GT(SoilTotal(soil), 0.0);
}

TEST_F(MudWoundsTest, BothGridsEmptyStillPressTheClayUnderTheBody)
{
    // Cavities that hollow out the whole silhouette leave no sample inside the clay.
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 2.0f);
    MudSlot &s = pool->slots[i];
    s.wounds.woundCount = 2;
    s.wounds.cavities[0] = {0.0f, 0.0f, 0.0f, 4.0f};
    s.wounds.cavities[1] = {0.0f, 0.0f, 0.0f, 4.0f};
    double expected = MudWoundsClay(*pool);
    MudSlot copy = s;
    ASSERT_TRUE(MudWoundsDie(*pool, i, false, {0.0f, 0.0f, 0.0f, 0.0f}, copy, false));
    EXPECT_EQ(s.wounds.printFirstShare, 1.0f);
    EXPECT_EQ(s.wounds.printGrids[0][8 * 17 + 8], 1);
    EXPECT_LT(SettleDrift(*pool, soil, expected, 1.0f / 60.0f), 1e-4);
    EXPECT_NEAR(SoilTotal(soil), expected, 1e-4 * expected);
    EXPECT_GT(SoilHeight(soil, s.position.x, s.position.z), 0.0f);
}

TEST_F(MudWoundsTest, CorpseFlattensInItsFrozenShapeAndWaitsForItsChunks)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 4.0f);
    MudSlot &s = pool->slots[i];
    Vector3 centre = s.position;
    MudHitSphere(*pool, soil, Top(s), s.position, METEOR_RADIUS, nullptr);
    ASSERT_EQ(s.state, MUD_CORPSE);
    ASSERT_TRUE(s.debris[0].active);
    auto paused = CopyPool(*pool);
    MudPoolUpdate(*pool, FAR_PLAYER, 0.0f, &soil);
    EXPECT_TRUE(SameBytes(*pool, *paused)) << "paused, nothing advances";

    // Keep the chunk aloft past the collapse: the slot stays a flat corpse until it lands.
    s.debris[0].velocity.y = 14.0f;
    for (int step = 0; step < 90; step++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f, &soil);
    EXPECT_EQ(s.position.x, centre.x) << "the silhouette does not move";
    EXPECT_EQ(s.position.z, centre.z);
    EXPECT_NEAR(s.compression, MUD_CORPSE_FLAT, 1e-6f);
    EXPECT_EQ(s.wounds.finalDeposit, 1);
    EXPECT_EQ(s.state, MUD_CORPSE) << "a chunk is still flying";
    EXPECT_EQ(MudPoolSpawn(*pool, centre, true, 1.0f, MUD_UNIT_SIZE, false), 1) << "the next spawn takes a new slot";
    for (int step = 0; step < 300 && s.debris[0].active; step++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f, &soil);
    MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f, &soil);
    EXPECT_EQ(s.state, MUD_FREE);
    EXPECT_EQ(s.mass, 0.0f);
}

TEST_F(MudWoundsTest, SplitCorpseHalvesDriftApartAndBothDeposit)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 5.0f);
    MudSlot &s = pool->slots[i];
    Vector3 c = s.position;
    MudHitBlade(*pool, soil, {c.x, 1.0f, c.z - 3.0f}, {c.x, 1.0f, c.z + 3.0f}, 0.05f, {0, 0, 0}, nullptr);
    ASSERT_EQ(s.state, MUD_CORPSE);
    ASSERT_EQ(s.wounds.split, 1);
    EXPECT_GT(s.wounds.printFirstShare, 0.3f);
    EXPECT_LT(s.wounds.printFirstShare, 0.7f);
    for (int step = 0; step < 30; step++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f, &soil);
    EXPECT_NEAR(s.separation, 0.55f * MudBodyRadius(s), 1e-4f);
    // The gap between the halves is empty; each half keeps its clay.
    MudShape shape;
    MudShapePrepare(s, MudShapeLimbsOf(s), shape);
    float y = s.wounds.groundLevel[1] + (s.position.y - s.wounds.groundLevel[0]) * s.compression;
    EXPECT_GT(MudShapeDistance(shape, {c.x, y, c.z}), 0.0f);
    EXPECT_LT(MudShapeDistance(shape, {c.x + s.separation + 0.2f, y, c.z}), 0.0f);
    EXPECT_LT(MudShapeDistance(shape, {c.x - s.separation - 0.2f, y, c.z}), 0.0f);
    for (int step = 0; step < 120; step++) MudPoolUpdate(*pool, FAR_PLAYER, 1.0f / 60.0f, &soil);
    float offset = s.mass > 0.0f ? s.separation : 0.55f * std::cbrt(5.0f) * MUD_UNIT_SIZE;
    EXPECT_GT(SoilHeight(soil, c.x - offset, c.z), 0.0f);
    EXPECT_GT(SoilHeight(soil, c.x + offset, c.z), 0.0f);
}

// [SECTION] Guards

TEST_F(MudWoundsTest, InvalidStrikesChangeNothing)
{
    const float nan = NAN, inf = INFINITY;
    struct Case {
        const char *name;
        Vector3 from, to;
        float radius;
        Vector3 cut;
    };
    const Case cases[] = {
        {"NaN start", {nan, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.5f, {0, 0, 0}},
        {"infinite end", {0.0f, 3.0f, 0.0f}, {0.0f, -inf, 0.0f}, 0.5f, {0, 0, 0}},
        {"NaN radius", {0.0f, 3.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, nan, {0, 0, 0}},
        {"zero radius", {0.0f, 3.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, {0, 0, 0}},
        {"negative radius", {0.0f, 3.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, -1.0f, {0, 0, 0}},
        {"huge segment", {-3e38f, 1.0f, 0.0f}, {3e38f, 1.0f, 0.0f}, 0.5f, {0, 0, 0}},
        {"NaN cut direction", {-3.0f, 1.0f, 0.0f}, {3.0f, 1.0f, 0.0f}, 0.5f, {nan, 0.0f, 1.0f}},
    };
    auto pool = QuietPool();
    AddBody(*pool, 0.0f, 0.0f, 3.0f);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto before = CopyPool(*pool);
        uint64_t mask = 0x5a5a0000ull;
        bool sphereToo = c.cut.x == c.cut.x;  // the cut direction is the blade's alone
        if (sphereToo) {
            EXPECT_EQ(MudHitSphere(*pool, soil, c.from, c.to, c.radius, &mask), 0);
            EXPECT_EQ(MudHitPlasma(*pool, c.from, c.to, c.radius, nullptr), -1);
        }
        EXPECT_EQ(MudHitBlade(*pool, soil, c.from, c.to, c.radius, c.cut, &mask), 0);
        EXPECT_EQ(mask, 0x5a5a0000ull);
        EXPECT_TRUE(SameBytes(*pool, *before));
        EXPECT_EQ(SoilTotal(soil), 0.0);
    }
    EXPECT_EQ(MudRepel(*pool, {NAN, 0.0f, 0.0f}, 5.0f, 4), 0);
    EXPECT_EQ(MudRepel(*pool, {0.0f, 0.0f, 0.0f}, INFINITY, 4), 0);
}

// [SECTION] Deaths and holds

TEST_F(MudWoundsTest, DeathRecordsPayByTheBodyKilled)
{
    struct Case {
        float mass;
        bool roller;
        uint32_t eyes, value;
    };
    for (Case c : {Case{1.0f, false, 2, 1}, Case{2.0f, false, 1, 4}, Case{4.0f, false, 1, 8}, Case{7.0f, false, 1, 14},
                   Case{9.0f, false, 1, 18}, Case{1.0f, true, 10, 1}}) {
        SCOPED_TRACE("mass " + std::to_string(c.mass) + (c.roller ? " roller" : ""));
        auto pool = QuietPool();
        int i = AddBody(*pool, 0.0f, 0.0f, c.mass);
        pool->slots[i].roller = c.roller ? 1 : 0;
        MudHitSphere(*pool, soil, Top(pool->slots[i]), pool->slots[i].position, METEOR_RADIUS, nullptr);
        ASSERT_EQ(pool->deathCount, 1);
        const DeathRecord &r = pool->deaths[0];
        EXPECT_EQ(r.eyes, c.eyes);
        EXPECT_EQ(r.value, c.value);
        EXPECT_EQ(r.roller, c.roller ? 1 : 0);
        EXPECT_GT(r.eye0.y, r.center.y) << "eyes sit on the upper face";
        // Later strikes on the corpse add nothing.
        MudHitSphere(*pool, soil, Top(pool->slots[i]), pool->slots[i].position, METEOR_RADIUS, nullptr);
        EXPECT_EQ(pool->deathCount, 1);
    }

    // A full queue drops the record; the death itself happens.
    auto full = QuietPool();
    int i = AddBody(*full, 0.0f, 0.0f, 2.0f);
    full->deathCount = MUD_DEATH_CAPACITY;
    MudHitSphere(*full, soil, Top(full->slots[i]), full->slots[i].position, METEOR_RADIUS, nullptr);
    EXPECT_EQ(full->slots[i].state, MUD_CORPSE);
    EXPECT_EQ(full->deathCount, MUD_DEATH_CAPACITY);

    // A wave clear pays nothing and spares the bosses.
    auto wave = QuietPool();
    for (int k = 0; k < 6; k++) AddBody(*wave, 4.0f * (float)k, 0.0f, 1.0f + (float)k);
    wave->slots[5].boss = 1;
    wave->slots[5].health = 10.0f;
    MudPoolClearWave(*wave);
    EXPECT_EQ(wave->deathCount, 0);
    for (int k = 0; k < 5; k++) EXPECT_EQ(wave->slots[k].state, MUD_CORPSE);
    EXPECT_EQ(wave->slots[5].state, MUD_WALKING);
}

TEST_F(MudWoundsTest, KilledHolderDropsItsBunAndAKilledBunFreesItsHolder)
{
    auto pool = QuietPool();
    int g = AddBody(*pool, 0.0f, 0.0f, 7.0f);
    int b = AddBody(*pool, 1.4f, 0.0f, 1.0f);
    Hold(*pool, g, b);
    MudHitSphere(*pool, soil, Top(pool->slots[g]), pool->slots[g].position, METEOR_RADIUS, nullptr);
    ASSERT_EQ(pool->slots[g].state, MUD_CORPSE);
    EXPECT_EQ(pool->slots[b].state, MUD_THROWN);
    EXPECT_EQ(pool->slots[b].holder, -1);
    EXPECT_GT(pool->slots[b].mass, 0.0f);
    EXPECT_NEAR(pool->slots[b].duration, 0.45f, 1e-6f);

    auto other = QuietPool();
    int g2 = AddBody(*other, 0.0f, 0.0f, 7.0f);
    int b2 = AddBody(*other, 1.4f, 0.0f, 1.0f);
    Hold(*other, g2, b2);
    other->slots[g2].state = MUD_THROW_WINDUP;
    MudHitSphere(*other, soil, Top(other->slots[b2]), other->slots[b2].position, METEOR_RADIUS, nullptr);
    ASSERT_EQ(other->slots[b2].state, MUD_CORPSE);
    EXPECT_EQ(other->slots[g2].heldBun, -1);
    EXPECT_EQ(other->slots[g2].state, MUD_THROW_FOLLOW);
    EXPECT_NEAR(other->slots[g2].cooldown, 1.1f, 1e-6f);
}

}  // namespace
