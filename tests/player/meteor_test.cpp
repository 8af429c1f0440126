// Meteor: the player struck once or never at three frame rates, the slot's lifetime, large steps
// against small ones, the queue's capacity and order, the entry above the view, the render
// arrays and the input guards.
#include "player/meteor.h"

#include "common/maths.h"
#include "mud/mud_pool.h"
#include "tests/mud/mud_fixture.h"
#include "tests/support/log_capture.h"
#include "world/camera.h"
#include "world/soil.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

using namespace mudtest;

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};
const Vector3 FAR_PLAYER = {60.0f, 0.0f, 60.0f};

class MeteorTest : public ::testing::Test {
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
        system = std::make_unique<MeteorSystem>();
        MeteorReset(*system);
    }

    // Casts onto `target` with the follow camera looking at it at the default zoom.
    bool Cast(Vector3 target, float zoom = CAMERA_ZOOM_DEFAULT)
    {
        FollowCamera camera{};
        camera.viewHeight = zoom;
        CameraFollow(camera, target, {0.0f, 0.0f, 0.0f}, 0.0f, true);
        return MeteorCast(*system, target, camera.position, camera.up, camera.viewHeight);
    }

    bool Step(Vector3 before, Vector3 after, float dt) { return MeteorUpdate(*system, *pool, soil, before, after, dt); }

    std::unique_ptr<MudPool> pool;
    std::unique_ptr<MeteorSystem> system;
};
Soil MeteorTest::soil{};

bool SameBytes(const MeteorSystem &a, const MeteorSystem &b) { return memcmp(&a, &b, sizeof(MeteorSystem)) == 0; }

}  // namespace

// Whoever stands on the target when the rock comes down is struck, once; whoever walks off at
// walking speed from the moment of the cast never is.
TEST_F(MeteorTest, StandingPlayerIsStruckOnceAndAWalkerNever)
{
    const Vector3 target = {3.0f, 0.0f, -2.0f};
    const Vector3 walks[] = {{2.7f, 0.0f, 0.0f}, {0.0f, 0.0f, -2.7f}, {-1.909f, 0.0f, 1.909f}};
    for (float rate : RATES) {
        float dt = 1.0f / rate;
        SetUp();
        ASSERT_TRUE(Cast(target));
        int strikes = 0;
        for (int frame = 0; frame < (int)(3.0f * rate); frame++) strikes += Step(target, target, dt);
        EXPECT_EQ(strikes, 1) << rate << " Hz";
        for (Vector3 v : walks) {
            SetUp();
            ASSERT_TRUE(Cast(target));
            strikes = 0;
            for (int frame = 0; frame < (int)(3.0f * rate); frame++) {
                Vector3 before = target + v * ((float)frame * dt), after = target + v * ((float)(frame + 1) * dt);
                strikes += Step(before, after, dt);
            }
            EXPECT_EQ(strikes, 0) << rate << " Hz, walking " << v.x << ", " << v.z;
        }
    }
}

// The rock lands 1.89 s after admission and the slot frees at 2.74 s, on the first frame that
// reaches each time, at every rate.
TEST_F(MeteorTest, ImpactAndReleaseComeOnTheFrameThatReachesTheirTime)
{
    for (float rate : RATES) {
        SetUp();
        ASSERT_TRUE(Cast({0.0f, 0.0f, 0.0f}));
        int impactFrame = -1, releaseFrame = -1;
        for (int frame = 1; frame <= (int)(4.0f * rate); frame++) {
            Step(FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            if (impactFrame < 0 && system->impacts == 1) impactFrame = frame;
            if (releaseFrame < 0 && !system->slots[0].active) releaseFrame = frame;
        }
        EXPECT_EQ(impactFrame, (int)std::ceil(1.89 * rate)) << rate << " Hz";
        EXPECT_EQ(releaseFrame, (int)std::ceil(2.74 * rate)) << rate << " Hz";
        EXPECT_EQ(system->spawned, 1u);
    }
}

// A long step is sub-stepped at the phase ends: one 3 s step ends where 180 steps of 1/60 s do,
// and a 1.27 s step leaves the rock 0.62 s into its fall.
TEST_F(MeteorTest, OneLongStepEndsWhereManySmallOnesDo)
{
    const Vector3 target = {-4.0f, 0.0f, 5.0f};
    auto run = [&](int steps, float dt) {
        SetUp();
        AddBody(*pool, target.x, target.z, 2.0f);
        EXPECT_TRUE(Cast(target));
        int strikes = 0;
        for (int k = 0; k < steps; k++) strikes += Step(target, target, dt);
        EXPECT_EQ(strikes, 1);
        return std::make_unique<MeteorSystem>(*system);
    };
    auto once = run(1, 3.0f);
    auto many = run(180, 1.0f / 60.0f);
    EXPECT_TRUE(SameBytes(*once, *many));
    EXPECT_EQ(once->impacts, 1u);
    EXPECT_EQ(once->mudHits, 1u);
    EXPECT_FALSE(once->slots[0].active);

    SetUp();
    ASSERT_TRUE(Cast(target));
    Step(FAR_PLAYER, FAR_PLAYER, 1.27f);
    const Meteor &m = system->slots[0];
    EXPECT_EQ(m.phase, METEOR_FALL);
    EXPECT_NEAR(m.phaseTime, 0.62f, 1e-5f);
    EXPECT_EQ(system->impacts, 0u);
}

// 64 casts wait; the 65th is refused with one warning. The waiting casts enter in order as slots
// free, and twenty of them have all landed after 8 s.
TEST_F(MeteorTest, QueueHoldsSixtyFourAndAdmitsInOrder)
{
    {
        LogCapture log;
        for (int k = 0; k < METEOR_QUEUE_CAPACITY; k++) ASSERT_TRUE(Cast({(float)k, 0.0f, 0.0f}));
        EXPECT_FALSE(Cast({99.0f, 0.0f, 0.0f}));
        EXPECT_EQ(log.count(LOG_WARNING), 1);
        EXPECT_EQ(system->queueCount, METEOR_QUEUE_CAPACITY);
    }
    Step(FAR_PLAYER, FAR_PLAYER, 1.0f / 60.0f);
    for (int i = 0; i < METEOR_CAPACITY; i++) EXPECT_EQ(system->slots[i].target.x, (float)i);
    EXPECT_EQ(system->queueCount, METEOR_QUEUE_CAPACITY - METEOR_CAPACITY);

    SetUp();
    for (int k = 0; k < 20; k++) ASSERT_TRUE(Cast({(float)(4 * k) - 40.0f, 0.0f, 10.0f}));
    for (int frame = 0; frame < 480; frame++) Step(FAR_PLAYER, FAR_PLAYER, 1.0f / 60.0f);
    EXPECT_EQ(system->queueCount, 0);
    EXPECT_EQ(system->impacts, 20u);
}

// A creature in the rock's path is struck once, however many steps the rock overlaps it.
TEST_F(MeteorTest, ACreatureUnderTheRockIsStruckOnce)
{
    int boss = AddBoss(*pool, 0.0f, 0.0f, 2);
    ASSERT_GE(boss, 0);
    float health = pool->slots[boss].health;
    ASSERT_TRUE(Cast({0.0f, 0.0f, 0.0f}));
    for (int frame = 0; frame < 400; frame++) Step(FAR_PLAYER, FAR_PLAYER, 1.0f / 144.0f);
    EXPECT_EQ(system->mudHits, 1u);
    EXPECT_EQ(pool->slots[boss].health, health - 3.0f);
}

// The rock enters straight above its target, just beyond the top edge of the view, and never
// lower than 7 m.
TEST_F(MeteorTest, RockEntersAboveTheTopOfTheView)
{
    const Vector3 target = {12.0f, 0.0f, -7.0f};
    for (float zoom : {CAMERA_ZOOM_MIN, CAMERA_ZOOM_DEFAULT, CAMERA_ZOOM_MAX}) {
        SetUp();
        FollowCamera camera{};
        camera.viewHeight = zoom;
        CameraFollow(camera, target, {0.0f, 0.0f, 0.0f}, 0.0f, true);
        ASSERT_TRUE(MeteorCast(*system, target, camera.position, camera.up, zoom));
        const MeteorRequest &r = system->queue[0];
        EXPECT_FLOAT_EQ(r.target.y, TerrainHeight(target.x, target.z) + METEOR_TARGET_LIFT);
        EXPECT_EQ(r.start.x, r.target.x);
        EXPECT_EQ(r.start.z, r.target.z);
        float above = r.start.y - r.target.y;
        EXPECT_GE(above, 7.0f);
        // Height on screen above the view's centre, in metres of view height.
        float onScreen = Vector3DotProduct(r.start - camera.target, camera.up);
        if (above > 7.0f) {
            EXPECT_NEAR(onScreen, 0.55f * zoom + 0.58f, 2e-3f) << zoom;
        } else {
            EXPECT_GE(onScreen, 0.5f * zoom) << zoom;
        }
    }
}

// Each phase shows in the scene arrays as the shader expects; entries past the count are zero.
TEST_F(MeteorTest, RenderArraysFollowThePhases)
{
    const Vector3 target = {1.0f, 0.0f, 1.0f};
    float ground = TerrainHeight(target.x, target.z);
    ASSERT_TRUE(Cast(target));
    MeteorRender r;
    struct Moment {
        float dt;
        float radius, warning, cloud, heat;
    } moments[] = {
        {0.325f, 0.0f, 0.6f, 0.0f, 0.0f},           // half the warning
        {0.325f + 0.62f, 0.58f, 1.0f, 0.0f, 0.5f},  // half the fall
        {0.62f + 0.425f, 0.0f, 0.0f, 0.5f, 0.0f},   // half the burst
    };
    for (const Moment &m : moments) {
        Step(FAR_PLAYER, FAR_PLAYER, m.dt);
        MeteorRenderData(*system, r);
        ASSERT_EQ(r.count, 1);
        EXPECT_FLOAT_EQ(r.bodies[0].w, m.radius);
        EXPECT_NEAR(r.targets[0].w, m.warning, 1e-5f);
        EXPECT_NEAR(r.targets[0].y, ground, 1e-5f);
        EXPECT_NEAR(r.states[0].w, m.cloud, 1e-5f);
        EXPECT_NEAR(r.starts[0].w, m.heat, 1e-5f);
        EXPECT_EQ(r.states[0].z, 1.71f);
        for (int k = 1; k < METEOR_CAPACITY; k++) EXPECT_EQ(r.bodies[k].y, 0.0f);
    }
    Step(FAR_PLAYER, FAR_PLAYER, 1.0f);
    MeteorRenderData(*system, r);
    EXPECT_EQ(r.count, 0);
}

// A step that is zero, negative or not finite changes nothing, even with casts waiting and a
// rock in the air; afterwards the meteor goes on to end as usual. Casts with non-finite input
// are refused.
TEST_F(MeteorTest, InvalidStepsAndCastsChangeNothing)
{
    const Vector3 target = {0.0f, 0.0f, 0.0f};
    AddBody(*pool, target.x, target.z, 3.0f);
    ASSERT_TRUE(Cast(target));
    ASSERT_TRUE(Cast(target));
    for (int pass = 0; pass < 2; pass++) {
        for (float dt : {0.0f, -0.1f, NAN, INFINITY, -INFINITY}) {
            MeteorSystem before = *system;
            auto poolBefore = CopyPool(*pool);
            EXPECT_FALSE(Step(target, target, dt));
            EXPECT_TRUE(SameBytes(*system, before)) << dt;
            EXPECT_TRUE(mudtest::SameBytes(*pool, *poolBefore)) << dt;
        }
        Step(FAR_PLAYER, FAR_PLAYER, 1.0f);  // the second pass runs with a rock in the fall
    }
    Step(FAR_PLAYER, FAR_PLAYER, 1.8f);
    EXPECT_FALSE(system->slots[0].active);
    EXPECT_EQ(system->impacts, 2u);

    LogCapture log;
    SetUp();
    FollowCamera camera{};
    camera.viewHeight = 20.0f;
    CameraFollow(camera, target, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    EXPECT_FALSE(MeteorCast(*system, {NAN, 0.0f, 0.0f}, camera.position, camera.up, 20.0f));
    EXPECT_FALSE(MeteorCast(*system, target, {0.0f, INFINITY, 0.0f}, camera.up, 20.0f));
    EXPECT_FALSE(MeteorCast(*system, target, camera.position, {0.0f, NAN, 0.0f}, 20.0f));
    EXPECT_FALSE(MeteorCast(*system, target, camera.position, camera.up, NAN));
    EXPECT_EQ(system->queueCount, 0);
    EXPECT_EQ(log.count(LOG_WARNING), 4);
}

// A reset in mid-fall leaves a record identical to a fresh one.
TEST_F(MeteorTest, ResetClearsEverything)
{
    ASSERT_TRUE(Cast({0.0f, 0.0f, 0.0f}));
    ASSERT_TRUE(Cast({2.0f, 0.0f, 0.0f}));
    Step(FAR_PLAYER, FAR_PLAYER, 1.0f);
    MeteorReset(*system);
    MeteorSystem fresh{};
    EXPECT_TRUE(SameBytes(*system, fresh));
}
