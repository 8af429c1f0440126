// Support: the drone's and the repel's schedules at three frame rates, what a pulse may move,
// where a bolt ends, the kept aim, the dial's values, the clearing at victory and the input
// guards.
#include "player/support.h"

#include "campaign/shop.h"
#include "common/maths.h"
#include "mud/mud_pool.h"
#include "tests/mud/mud_fixture.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace mudtest;

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};
const Vector3 PLAYER = {0.0f, 0.0f, 0.0f};

std::unique_ptr<MudPool> QuietPool()
{
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    pool->attacksEnabled = 0;
    return pool;
}

Support Fresh()
{
    Support s;
    SupportReset(s);
    return s;
}

ShopState Levels(int drone, int repel)
{
    ShopState shop{};
    shop.level[SHOP_DRONE] = drone;
    shop.level[SHOP_REPEL] = repel;
    return shop;
}

bool SameBytes(const Support &a, const Support &b) { return memcmp(&a, &b, sizeof(Support)) == 0; }

// The record with its clocks (the only values an idle update moves) set to those of `like`.
Support WithClocksOf(Support s, const Support &like)
{
    s.droneClock = like.droneClock;
    s.sinceRepel = like.sinceRepel;
    s.muzzleFlash = like.muzzleFlash;
    for (int k = 0; k < SUPPORT_IMPACT_CAPACITY; k++) s.impacts[k].age = like.impacts[k].age;
    return s;
}

void PlaceBolt(Support &s, Vector3 at, Vector3 velocity)
{
    s.bolts[0] = {};
    s.bolts[0].position = s.bolts[0].previous = at;
    s.bolts[0].velocity = velocity;
    s.bolts[0].active = 1;
}

}  // namespace

// A newly bought drone fires on the first update that has a target, then once per 40 s
// (level 1) of accumulated steps, each shot within one frame of its time.
TEST(Support, NewDroneFiresAtOnceThenOncePerInterval)
{
    ShopState shop = Levels(1, 0);
    float interval = ShopDroneInterval(&shop);
    ASSERT_EQ(interval, 40.0f);
    for (float rate : RATES) {
        float dt = 1.0f / rate;
        auto pool = QuietPool();
        Support s = Fresh();
        // Nothing to see at first: no shot, and the drone waits ready.
        for (int frame = 0; frame < 10; frame++) SupportUpdate(s, *pool, PLAYER, dt, interval, 0.0f);
        EXPECT_EQ(s.shotsFired, 0);
        int boss = AddBoss(*pool, 6.0f, 4.0f, 2);
        std::vector<double> shots;
        double time = 0.0;
        for (int frame = 0; frame < (int)(125.0f * rate); frame++) {
            int before = s.shotsFired;
            SupportUpdate(s, *pool, PLAYER, dt, interval, 0.0f);
            time += dt;
            if (s.shotsFired > before) shots.push_back(time);
        }
        ASSERT_EQ(shots.size(), 4u) << rate;
        EXPECT_EQ(shots[0], (double)dt) << rate;
        for (int k = 1; k < 4; k++) EXPECT_NEAR(shots[k] - shots[0], 40.0 * k, dt + 1e-3) << rate << " shot " << k;
        EXPECT_EQ(s.lastTarget, boss);
        EXPECT_EQ(s.boltHits, 4);
        EXPECT_EQ(pool->slots[boss].health, pool->slots[boss].maxHealth - 4.0f);
    }
}

// A newly bought repel pulses one full interval after it was enabled (then once per interval);
// a cheaper interval bought meanwhile shortens the running timer at once.
TEST(Support, NewRepelPulsesOneIntervalLater)
{
    for (float rate : RATES) {
        float dt = 1.0f / rate;
        for (bool upgrade : {false, true}) {
            ShopState shop = Levels(0, 1);
            auto pool = QuietPool();
            AddBody(*pool, 2.0f, 0.0f, 1.0f);
            Support s = Fresh();
            std::vector<double> pulses;
            double time = 0.0;
            for (int frame = 0; frame < (int)(125.0f * rate); frame++) {
                if (upgrade && frame == (int)(10.0f * rate)) shop.level[SHOP_REPEL] = 7;  // 30 s
                int before = s.pulses;
                SupportUpdate(s, *pool, PLAYER, dt, 0.0f, ShopRepelInterval(&shop));
                time += dt;
                if (s.pulses > before) pulses.push_back(time);
            }
            // Bought at 10 s, the 30 s level cuts the 50 s still to run down to 30.
            double first = upgrade ? 40.0 : 60.0, period = upgrade ? 30.0 : 60.0;
            ASSERT_GE(pulses.size(), 2u) << rate;
            EXPECT_GE(pulses[0], first - 1e-3) << rate;
            EXPECT_LT(pulses[0], first + dt + 1e-3) << rate;
            EXPECT_NEAR(pulses[1] - pulses[0], period, dt + 1e-3) << rate;
        }
    }
}

// A pulse pushes the six nearest pushable bodies within 5 m and no other: never a roller, never
// one farther out; a boss at 2.5 m/s and the rest at 14 m/s, straight away from the player.
TEST(Support, PulseMovesAtMostSixNearbyBodiesAndNoRoller)
{
    auto pool = QuietPool();
    int boss = AddBoss(*pool, 0.0f, 3.2f, 0);
    Vector3 rollerAt = {1.0f, 0.0f, 0.0f};
    int roller = MudPoolSpawnRoller(*pool, rollerAt, {0.0f, 0.0f, 1.0f}, 0.4f);
    ASSERT_GE(roller, 0);
    Vector3 rollerVelocity = pool->slots[roller].rollVelocity;
    std::vector<int> bodies;
    const float distances[] = {1.5f, 2.0f, 2.5f, 3.0f, 3.5f, 4.0f, 4.5f, 5.5f};
    for (int k = 0; k < 8; k++) {
        float a = 0.9f * (float)k + 2.0f;
        bodies.push_back(AddBody(*pool, distances[k] * std::cos(a), distances[k] * std::sin(a), 1.0f));
    }
    Support s = Fresh();
    SupportUpdate(s, *pool, PLAYER, 0.05f, 0.0f, 30.0f);
    SupportUpdate(s, *pool, PLAYER, 30.0f, 0.0f, 30.0f);
    ASSERT_EQ(s.pulses, 1);
    EXPECT_EQ(s.pushed, 6);
    int moved = 0;
    for (int i = 0; i < pool->count; i++) {
        const MudSlot &b = pool->slots[i];
        float speed = LengthXZ(b.knockback);
        if (speed == 0.0f) continue;
        moved++;
        EXPECT_LT(DistanceXZ(b.position, PLAYER), 5.0f);
        EXPECT_FLOAT_EQ(speed, i == boss ? 2.5f : 14.0f) << i;
        // Straight away from the player.
        EXPECT_NEAR((b.knockback.x * b.position.x + b.knockback.z * b.position.z) / (speed * LengthXZ(b.position)), 1.0f, 1e-5f);
    }
    EXPECT_EQ(moved, 6);
    EXPECT_GT(LengthXZ(pool->slots[boss].knockback), 0.0f);
    for (int k = 0; k < 5; k++) EXPECT_GT(LengthXZ(pool->slots[bodies[k]].knockback), 0.0f) << k;
    for (int k = 5; k < 8; k++) EXPECT_EQ(LengthXZ(pool->slots[bodies[k]].knockback), 0.0f) << k;
    EXPECT_EQ(LengthXZ(pool->slots[roller].knockback), 0.0f);
    EXPECT_EQ(pool->slots[roller].rollVelocity.z, rollerVelocity.z);
    EXPECT_FLOAT_EQ(s.repelCentre.y, TerrainHeight(0.0f, 0.0f) + 0.1f);
}

// A bolt strikes the first body it meets: one grazed on the way to the body it was aimed at.
// It stops at the arena's edge and at the ground, never beyond.
TEST(Support, BoltHitsTheFirstBodyAndStopsAtWallsAndGround)
{
    auto pool = QuietPool();
    int far = AddBody(*pool, 10.0f, 0.0f, 2.0f);
    int near = AddBody(*pool, 5.0f, 0.45f, 2.0f);
    Support s = Fresh();
    Vector3 from = {0.0f, pool->slots[far].position.y, 0.0f};
    PlaceBolt(s, from, Vector3Normalize(pool->slots[far].position - from) * SUPPORT_BOLT_SPEED);
    for (int frame = 0; frame < 60 && s.bolts[0].active; frame++) SupportUpdate(s, *pool, PLAYER, 1.0f / 60.0f, 0.0f, 0.0f);
    EXPECT_EQ(s.boltHits, 1);
    EXPECT_EQ(pool->slots[near].scorch, 1.0f);
    EXPECT_EQ(pool->slots[far].scorch, 0.0f);
    EXPECT_LT(s.impacts[0].position.x, 5.0f);

    struct Case {
        const char *name;
        Vector3 at, velocity;
        bool wall;  // stops at the wall, else at the ground
    } cases[] = {
        {"+x wall", {127.0f, 1.5f, 3.0f}, {18.0f, 0.0f, 0.0f}, true},
        {"-z wall, slanting", {10.0f, 1.5f, -127.0f}, {6.0f, 0.0f, -16.9706f}, true},
        {"ground", {0.0f, 1.0f, 0.0f}, {3.0f, -17.7482f, 0.0f}, false},
        {"ground, steep", {-20.0f, 2.0f, 7.0f}, {0.0f, -18.0f, 0.4f}, false},
    };
    for (const Case &c : cases) {
        auto empty = QuietPool();
        s = Fresh();
        PlaceBolt(s, c.at, c.velocity);
        for (int frame = 0; frame < 10 && s.bolts[0].active; frame++) SupportUpdate(s, *empty, PLAYER, 1.0f / 60.0f, 0.0f, 0.0f);
        EXPECT_FALSE(s.bolts[0].active) << c.name;
        Vector3 end = s.impacts[0].position;
        EXPECT_EQ(s.impactNext, 1) << c.name;
        EXPECT_TRUE(ArenaContainsCircle(end, SUPPORT_BOLT_RADIUS)) << c.name;
        EXPECT_GE(end.y, TerrainHeight(end.x, end.z)) << c.name;
        // It ends on the obstacle, neither short of it nor inside it.
        if (c.wall) {
            EXPECT_NEAR(ArenaSignedDistance(end.x, end.z), -SUPPORT_BOLT_RADIUS, 0.01f) << c.name;
        } else {
            EXPECT_NEAR(end.y - TerrainHeight(end.x, end.z), 0.035f, 0.01f) << c.name;
        }
    }
}

// A target at the drone's very centre gives no direction: the previous aim is kept and the
// bolt flies along it instead of becoming NaN.
TEST(Support, ZeroLengthAimKeepsThePreviousAim)
{
    auto pool = QuietPool();
    Support s = Fresh();
    SupportUpdate(s, *pool, PLAYER, 0.05f, 40.0f, 0.0f);
    ASSERT_TRUE(s.dronePlaced);
    ASSERT_EQ(s.shotsFired, 0);
    int i = AddBody(*pool, 0.0f, 0.0f, 1.0f);
    pool->slots[i].position = pool->slots[i].previousPosition = s.dronePosition;
    Vector3 drone = s.dronePosition;
    SupportUpdate(s, *pool, PLAYER, 1e-7f, 40.0f, 0.0f);
    ASSERT_EQ(s.dronePosition.x, drone.x);  // a step too short to move the drone
    ASSERT_EQ(s.shotsFired, 1);
    EXPECT_EQ(s.aim.x, 0.0f);
    EXPECT_EQ(s.aim.y, 0.0f);
    EXPECT_EQ(s.aim.z, 1.0f);
    EXPECT_TRUE(IsFinite(s.bolts[0].position) && IsFinite(s.bolts[0].velocity));
}

// With both aids off an update moves only the clocks, and the creatures not at all.
TEST(Support, WithBothAidsOffOnlyTheClocksChange)
{
    auto pool = QuietPool();
    AddBody(*pool, 1.0f, 1.0f, 2.0f);
    AddBody(*pool, 6.0f, -2.0f, 5.0f);
    Support s = Fresh();
    for (int frame = 0; frame < 120; frame++) {
        Support before = s;
        auto poolBefore = CopyPool(*pool);
        SupportUpdate(s, *pool, PLAYER, 1.0f / 60.0f, 0.0f, 0.0f);
        EXPECT_TRUE(SameBytes(WithClocksOf(before, s), s)) << frame;
        EXPECT_TRUE(mudtest::SameBytes(*pool, *poolBefore)) << frame;
    }
    EXPECT_NEAR(s.droneClock, 2.0f, 1e-4f);
}

// A step that is zero, negative or not finite, or a player position that is not finite, changes
// nothing at all: drone, bolts in flight, timers and creatures stay byte for byte.
TEST(Support, InvalidStepsChangeNothing)
{
    auto pool = QuietPool();
    AddBoss(*pool, 5.0f, 5.0f, 2);
    AddBody(*pool, 1.5f, 0.0f, 1.0f);
    Support s = Fresh();
    SupportUpdate(s, *pool, PLAYER, 0.05f, 15.0f, 30.0f);
    ASSERT_EQ(s.shotsFired, 1);
    ASSERT_TRUE(s.bolts[0].active);
    for (float dt : {0.0f, -0.02f, NAN, INFINITY, -INFINITY}) {
        Support before = s;
        auto poolBefore = CopyPool(*pool);
        SupportUpdate(s, *pool, PLAYER, dt, 15.0f, 30.0f);
        SupportUpdate(s, *pool, {NAN, 0.0f, 0.0f}, 0.05f, 15.0f, 30.0f);
        EXPECT_TRUE(SameBytes(before, s)) << dt;
        EXPECT_TRUE(mudtest::SameBytes(*pool, *poolBefore)) << dt;
    }
    // A non-finite interval is an aid that is off.
    SupportUpdate(s, *pool, PLAYER, 0.05f, NAN, INFINITY);
    EXPECT_FALSE(s.droneWasOn);
    EXPECT_FALSE(s.repelWasOn);
    EXPECT_EQ(s.lastDroneInterval, 0.0f);
}

// The dial shows nothing until the repel has run once, never divides by a zero interval, counts
// down and glows after a pulse.
TEST(Support, DialFollowsTheRepelWithoutDividingByZero)
{
    auto pool = QuietPool();
    Support s = Fresh();
    EXPECT_FALSE(SupportDialState(s).visible);
    SupportUpdate(s, *pool, PLAYER, 0.05f, 0.0f, 60.0f);
    SupportDial dial = SupportDialState(s);
    EXPECT_TRUE(dial.visible && dial.ring);
    EXPECT_NEAR(dial.fill, 0.05f / 60.0f, 1e-6f);
    EXPECT_EQ(dial.seconds, 60);
    EXPECT_EQ(dial.glow, 0.0f);
    SupportUpdate(s, *pool, PLAYER, 60.0f, 0.0f, 60.0f);
    ASSERT_EQ(s.pulses, 1);
    dial = SupportDialState(s);
    EXPECT_EQ(dial.glow, 1.0f);
    EXPECT_NEAR(dial.fill, 0.05f / 60.0f, 1e-5f);
    SupportUpdate(s, *pool, PLAYER, 0.3f, 0.0f, 60.0f);
    EXPECT_NEAR(SupportDialState(s).glow, 0.5f, 1e-5f);

    // A record on with no interval known draws no ring and no NaN.
    s.lastRepelInterval = 0.0f;
    dial = SupportDialState(s);
    EXPECT_TRUE(dial.visible);
    EXPECT_FALSE(dial.ring);
    EXPECT_EQ(dial.fill, 0.0f);
    SupportUpdate(s, *pool, PLAYER, 0.05f, 0.0f, 0.0f);
    EXPECT_FALSE(SupportDialState(s).visible);
}

// Clearing at victory leaves no bolt, impact flash or ring in the air and keeps the schedules.
TEST(Support, ClearingEndsShotsAndKeepsTimers)
{
    auto pool = QuietPool();
    AddBoss(*pool, 5.0f, 5.0f, 2);
    Support s = Fresh();
    SupportUpdate(s, *pool, PLAYER, 0.05f, 15.0f, 30.0f);
    SupportUpdate(s, *pool, PLAYER, 30.0f, 15.0f, 30.0f);
    ASSERT_EQ(s.pulses, 1);
    SupportUpdate(s, *pool, PLAYER, 0.05f, 15.0f, 30.0f);
    Support before = s;
    SupportClearShots(s);
    for (const PlasmaBolt &b : s.bolts) EXPECT_FALSE(b.active);
    for (const SupportImpact &i : s.impacts) EXPECT_GE(i.age, SUPPORT_IMPACT_SECONDS);
    EXPECT_GE(s.sinceRepel, SUPPORT_RING_SECONDS);
    EXPECT_EQ(s.droneTimer, before.droneTimer);
    EXPECT_EQ(s.repelTimer, before.repelTimer);
    EXPECT_EQ(s.shotsFired, before.shotsFired);
    EXPECT_EQ(s.pulses, before.pulses);
    EXPECT_TRUE(SupportDroneShown(s));
}
