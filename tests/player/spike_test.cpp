// Spike: the blade's course (rise, 25 m at most, hover only at full range, back to the origin)
// at three frame rates, cuts once each way, the player struck only by a returning blade, long
// steps against short ones, the trail segments, the queue and the input guards.
#include "player/spike.h"

#include "common/maths.h"
#include "mud/mud_pool.h"
#include "tests/mud/mud_fixture.h"
#include "tests/support/log_capture.h"
#include "world/soil.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

using namespace mudtest;

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};
const Vector3 FAR_PLAYER = {-60.0f, 0.0f, -60.0f};
constexpr double FULL_LIFE = 0.26 + 23.75 / 12.0 + 0.2 + 25.0 / 15.0 + 0.28;  // seconds

class SpikeTest : public ::testing::Test {
protected:
    static Soil soil;
    static void SetUpTestSuite() { ASSERT_TRUE(SoilCreate(soil)); }
    static void TearDownTestSuite() { SoilRelease(soil); }
    void SetUp() override
    {
        SoilReset(soil);
        pool = NewPool(0);
        pool->mergeEnabled = 0;
        pool->attacksEnabled = 0;
        system = std::make_unique<SpikeSystem>();
        SpikeReset(*system);
    }
    bool Step(Vector3 before, Vector3 after, float dt) { return SpikeUpdate(*system, *pool, soil, before, after, dt); }

    std::unique_ptr<MudPool> pool;
    std::unique_ptr<SpikeSystem> system;
};
Soil SpikeTest::soil{};

float Along(const Spike &b) { return (b.position.x - b.origin.x) * b.direction.x + (b.position.z - b.origin.z) * b.direction.z; }

}  // namespace

// On open ground the blade rises 1.25 m out, runs exactly 25 m, hovers, and ends exactly at its
// origin after 4.39 s; launched close to the edge it runs the free distance and turns straight
// back without hovering. The same at every rate.
TEST_F(SpikeTest, BladeRunsItsRangeAndComesBackToItsOrigin)
{
    struct Case {
        const char *name;
        Vector3 origin, direction;
        float range;
        bool hovers;
    } cases[] = {
        {"open ground", {2.0f, 0.0f, -3.0f}, {0.6f, 0.0f, 0.8f}, 25.0f, true},
        {"wall at 7.2 m", {120.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 7.2f, false},
        {"wall at 0.5 m", {0.0f, 0.0f, -126.7f}, {0.0f, 0.0f, -1.0f}, 0.5f, false},
    };
    for (const Case &c : cases) {
        for (float rate : RATES) {
            SetUp();
            ASSERT_TRUE(SpikeLaunch(*system, c.origin, c.direction));
            Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            const Spike &b = system->slots[0];
            EXPECT_EQ(b.phase, SPIKE_RISE) << c.name;
            EXPECT_NEAR(Along(b), std::fmin(1.25f, c.range), 1e-4f) << c.name << " " << rate;
            float farthest = 0.0f;
            bool hovered = false;
            Vector3 last = b.position, origin = b.origin;
            int frames = 1;
            while (system->slots[0].active && frames < 2000) {
                hovered = hovered || b.phase == SPIKE_HOVER;
                last = b.position;
                Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
                frames++;
                // The far end may be reached and left within one update: the trail shows it.
                for (int k = 0; k < system->segmentCount; k++) {
                    const SpikeSegment &g = system->segments[k];
                    farthest = std::fmax(farthest, LengthXZ(g.to - origin));
                }
            }
            EXPECT_NEAR(farthest, c.range, 1e-3f) << c.name << " " << rate;
            EXPECT_LE(farthest, 25.0f) << c.name;
            EXPECT_EQ(hovered, c.hovers) << c.name << " " << rate;
            EXPECT_EQ(last.x, origin.x) << c.name << " " << rate;
            EXPECT_EQ(last.z, origin.z) << c.name << " " << rate;
            EXPECT_EQ(system->completed, 1u);
            if (c.hovers) {
                EXPECT_EQ(frames, (int)std::ceil(FULL_LIFE * rate)) << rate;
            }
        }
    }
}

// A creature 10 m out is cut once going out and once coming back, however many steps the blade
// overlaps it: a boss, large or small, loses 2 hit points each way.
TEST_F(SpikeTest, ACreatureOnTheLineIsCutOnceEachWay)
{
    for (float rate : RATES) {
        for (int index : {0, 2}) {
            SetUp();
            int i = AddBoss(*pool, 10.0f, 0.0f, index);
            ASSERT_GE(i, 0);
            const MudSlot &s = pool->slots[i];
            float health = s.health;
            ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
            Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            while (system->slots[0].active && system->slots[0].phase < SPIKE_HOVER) Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            EXPECT_EQ(system->mudHits, 1u) << rate;
            EXPECT_EQ(s.health, health - 2.0f) << rate;
            while (system->slots[0].active) Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            EXPECT_EQ(system->mudHits, 2u) << rate;
            EXPECT_EQ(s.health, health - 4.0f) << rate;
        }
    }
}

// A player standing on the blade's line is struck once, and only by the returning blade; one
// who walks off sideways at walking speed right after the launch is never struck.
TEST_F(SpikeTest, OnlyTheReturningBladeStrikesThePlayer)
{
    const Vector3 origin = {5.0f, 0.0f, 5.0f}, direction = {0.0f, 0.0f, 1.0f};
    for (float rate : RATES) {
        float dt = 1.0f / rate;
        for (float standAt : {0.0f, 5.0f}) {
            SetUp();
            Vector3 player = origin + direction * standAt;
            ASSERT_TRUE(SpikeLaunch(*system, origin, direction));
            int strikes = 0;
            for (int frame = 0; frame < (int)(5.0f * rate); frame++) {
                int phaseBefore = system->slots[0].phase;
                bool struck = Step(player, player, dt);
                if (struck) {
                    EXPECT_EQ(phaseBefore, SPIKE_BACK) << rate << " Hz at " << standAt << " m";
                }
                strikes += struck;
            }
            EXPECT_EQ(strikes, 1) << rate << " Hz at " << standAt << " m";
        }
        SetUp();
        ASSERT_TRUE(SpikeLaunch(*system, origin, direction));
        int strikes = 0;
        const Vector3 sideways = {2.7f, 0.0f, 0.0f};
        for (int frame = 0; frame < (int)(5.0f * rate); frame++)
            strikes += Step(origin + sideways * ((float)frame * dt), origin + sideways * ((float)(frame + 1) * dt), dt);
        EXPECT_EQ(strikes, 0) << rate << " Hz walking off";
    }
}

// One 5 s update completes a full-range blade exactly as 300 updates of 1/60 s do, cutting the
// same creatures; a further update reports nothing.
TEST_F(SpikeTest, OneLongUpdateEndsWhereManyShortOnesDo)
{
    auto run = [&](int steps, float dt) {
        SetUp();
        AddBoss(*pool, 0.0f, 14.0f, 1);
        EXPECT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}));
        for (int k = 0; k < steps; k++) Step(FAR_PLAYER, FAR_PLAYER, dt);
        EXPECT_FALSE(Step(FAR_PLAYER, FAR_PLAYER, 0.1f));
        return std::make_unique<SpikeSystem>(*system);
    };
    auto once = run(1, 5.0f);
    float onceHealth = pool->slots[0].health;
    auto many = run(300, 1.0f / 60.0f);
    EXPECT_EQ(memcmp(once->slots, many->slots, sizeof(once->slots)), 0);
    EXPECT_EQ(once->completed, 1u);
    EXPECT_EQ(many->completed, 1u);
    EXPECT_EQ(once->launched, many->launched);
    EXPECT_EQ(once->mudHits, 2u);
    EXPECT_EQ(many->mudHits, 2u);
    EXPECT_EQ(pool->slots[0].health, onceHealth);
}

// The segments of each update trace the blade's moving path: 23.75 m out and 25 m back in all,
// at any rate; the hover lists none; an update with no step keeps the last list.
TEST_F(SpikeTest, TrailSegmentsTraceTheMovingPath)
{
    for (float rate : RATES) {
        SetUp();
        ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
        double length = 0.0;
        int frames = 0;
        while ((system->slots[0].active || frames == 0) && frames < 2000) {
            int phase = system->slots[0].phase;
            Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            frames++;
            if (phase == SPIKE_HOVER && system->slots[0].phase == SPIKE_HOVER) {
                EXPECT_EQ(system->segmentCount, 0);
            }
            for (int k = 0; k < system->segmentCount; k++)
                length += LengthXZ(system->segments[k].to - system->segments[k].from);
        }
        EXPECT_NEAR(length, 48.75, 1e-3) << rate;
    }
    SetUp();
    ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
    Step(FAR_PLAYER, FAR_PLAYER, 5.0f);
    EXPECT_EQ(system->segmentCount, 2);
    Step(FAR_PLAYER, FAR_PLAYER, 0.0f);
    EXPECT_EQ(system->segmentCount, 2);
}

// 32 launches wait; the 33rd is refused with one warning. Twenty at once all complete within
// 1080 updates of 1/60 s.
TEST_F(SpikeTest, QueueHoldsThirtyTwo)
{
    {
        LogCapture log;
        for (int k = 0; k < SPIKE_QUEUE_CAPACITY; k++) ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
        EXPECT_FALSE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
        EXPECT_EQ(log.count(LOG_WARNING), 1);
    }
    SetUp();
    for (int k = 0; k < 20; k++) ASSERT_TRUE(SpikeLaunch(*system, {(float)k, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}));
    for (int frame = 0; frame < 1080; frame++) Step(FAR_PLAYER, FAR_PLAYER, 1.0f / 60.0f);
    EXPECT_EQ(system->completed, 20u);
    EXPECT_EQ(system->queueCount, 0);
}

// A launch is put on the ground inside the arena along the horizontal part of its direction;
// a vertical one goes along +z; non-finite input is refused.
TEST_F(SpikeTest, LaunchInputIsCleanedOrRefused)
{
    ASSERT_TRUE(SpikeLaunch(*system, {200.0f, 5.0f, 0.0f}, {0.0f, 3.0f, 0.0f}));
    const SpikeRequest &r = system->queue[0];
    EXPECT_LE(r.origin.x, 128.0f - SPIKE_BODY_RADIUS + 1e-3f);
    EXPECT_FLOAT_EQ(r.origin.y, TerrainHeight(r.origin.x, r.origin.z));
    EXPECT_EQ(r.direction.x, 0.0f);
    EXPECT_EQ(r.direction.z, 1.0f);
    ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {3.0f, -2.0f, 4.0f}));
    EXPECT_FLOAT_EQ(system->queue[1].direction.x, 0.6f);
    EXPECT_EQ(system->queue[1].direction.y, 0.0f);

    LogCapture log;
    EXPECT_FALSE(SpikeLaunch(*system, {NAN, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {INFINITY, 0.0f, 0.0f}));
    EXPECT_FALSE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {0.0f, NAN, 1.0f}));
    EXPECT_EQ(system->queueCount, 2);
    EXPECT_EQ(log.count(LOG_WARNING), 3);
}

// A step that is zero, negative or not finite changes nothing, with launches waiting and with a
// blade running; afterwards the blade completes as usual.
TEST_F(SpikeTest, InvalidStepsChangeNothing)
{
    AddBody(*pool, 0.0f, 6.0f, 2.0f);
    ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}));
    for (int pass = 0; pass < 2; pass++) {
        for (float dt : {0.0f, -0.1f, NAN, INFINITY, -INFINITY}) {
            SpikeSystem before = *system;
            auto poolBefore = CopyPool(*pool);
            EXPECT_FALSE(Step(FAR_PLAYER, FAR_PLAYER, dt));
            EXPECT_EQ(memcmp(&before, system.get(), sizeof(SpikeSystem)), 0) << dt;
            EXPECT_TRUE(mudtest::SameBytes(*pool, *poolBefore)) << dt;
        }
        Step(FAR_PLAYER, FAR_PLAYER, 0.5f);
    }
    Step(FAR_PLAYER, FAR_PLAYER, 4.0f);
    EXPECT_EQ(system->completed, 1u);
}

// The blade faces where it travels and rises and sinks through the emergence value.
TEST_F(SpikeTest, RenderArraysFollowThePhases)
{
    ASSERT_TRUE(SpikeLaunch(*system, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}));
    SpikeRender r;
    Step(FAR_PLAYER, FAR_PLAYER, 0.13f);
    SpikeRenderData(*system, r);
    ASSERT_EQ(r.count, 1);
    EXPECT_NEAR(r.bodies[0].w, 0.5f, 1e-5f);
    EXPECT_EQ(r.directions[0].y, 1.0f);
    EXPECT_EQ(r.directions[0].w, (float)SPIKE_RISE);
    EXPECT_EQ(r.directions[0].z, 2.37f);
    Step(FAR_PLAYER, FAR_PLAYER, 0.13f + 23.75f / 12.0f + 0.2f + 1.0f);
    SpikeRenderData(*system, r);
    EXPECT_EQ(r.bodies[0].w, 1.0f);
    EXPECT_EQ(r.directions[0].y, -1.0f);
    EXPECT_EQ(r.directions[0].w, (float)SPIKE_BACK);
    for (int k = 1; k < SPIKE_CAPACITY; k++) EXPECT_EQ(r.directions[k].z, 0.0f);
}
