#include "app/field.h"
#include "tests/support/field_run.h"
#include "player/bindings.h"
#include "player/player.h"
#include "world/camera.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};
const float NAN_F = std::numeric_limits<float>::quiet_NaN();
const float INF_F = std::numeric_limits<float>::infinity();

float Length(Vector3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
float Wrap(float a) { return std::atan2(std::sin(a), std::cos(a)); }


using PlayerRun = TestRun;

std::unique_ptr<TestRun> NewRun(uint32_t seed) { return TestRunStart(seed); }

void Frame(TestRun &run, const char *held, const char *pressed, float dt, bool focused = true)
{
    TestRunFrame(run, held, pressed, dt, focused);
}

void Hold(TestRun &run, const char *held, float seconds, float hz) { TestRunHold(run, held, seconds, hz); }

// Walks a body from `start` along world `direction` for `seconds` at `hz`.
Player Walk(Vector3 start, Vector3 direction, float seconds, float hz)
{
    Player p;
    PlayerReset(p, start);
    int frames = (int)std::lround(seconds * hz);
    for (int i = 0; i < frames; i++) PlayerStep(p, direction, 1.0f / hz, i / hz);
    return p;
}

}  // namespace

TEST(PlayerStep, WalksStrictlyAlongTheScreenAxes)
{
    struct Case { const char *key; Vector3 direction; } cases[] = {
        {"W", {-0.6f, 0.0f, -0.8f}}, {"S", {0.6f, 0.0f, 0.8f}}, {"D", {0.8f, 0.0f, -0.6f}}, {"A", {-0.8f, 0.0f, 0.6f}},
    };
    for (const Case &c : cases) {
        auto run = NewRun(1);
        Hold(*run, c.key, 1.5f, 60.0f);
        const Player &p = run->field.player;
        Vector3 d = c.direction;
        // Velocity at full speed along the axis and nothing across it.
        EXPECT_NEAR(p.velocity.x, PLAYER_BASE_SPEED * d.x, 1e-3f) << c.key;
        EXPECT_NEAR(p.velocity.z, PLAYER_BASE_SPEED * d.z, 1e-3f) << c.key;
        EXPECT_NEAR(p.position.x * d.z - p.position.z * d.x, 0.0f, 1e-4f) << c.key;
        EXPECT_NEAR(Wrap(p.yaw - std::atan2(d.x, d.z)), 0.0f, 1e-3f) << c.key;
        EXPECT_NEAR(p.walkBlend, 1.0f, 1e-3f) << c.key;
        EXPECT_EQ(p.position.y, TerrainHeight(p.position.x, p.position.z)) << c.key;
    }
}

TEST(PlayerStep, TopSpeedFollowsTheShopAndTheDeveloperSwitch)
{
    struct Case { float multiplier; bool cheat; float speed; } cases[] = {
        {1.0f, false, 2.7f}, {1.4f, false, 3.78f}, {0.5f, false, 2.7f}, {3.0f, true, 27.0f}, {1.0f, true, 27.0f},
    };
    for (const Case &c : cases) {
        Player p;
        PlayerReset(p, {0.0f, 0.0f, 0.0f});
        p.speedMultiplier = c.multiplier;
        p.speedTimesTen = c.cheat;
        for (int i = 0; i < 120; i++) {
            PlayerStep(p, {1.0f, 0.0f, 0.0f}, 1.0f / 60.0f, 0.0f);
            ASSERT_LE(Length(p.velocity), c.speed * 1.00001f);
        }
        EXPECT_NEAR(Length(p.velocity), c.speed, c.speed * 1e-4f) << c.multiplier << " " << c.cheat;
    }
    struct Level { int level; float multiplier; } levels[] = {{-1, 1.0f}, {0, 1.0f}, {5, 2.0f}, {10, 3.0f}, {11, 3.0f}};
    for (const Level &l : levels) {
        Player p;
        PlayerReset(p, {0.0f, 0.0f, 0.0f});
        PlayerSetSpeedLevel(p, l.level);
        EXPECT_NEAR(p.speedMultiplier, l.multiplier, 1e-6f) << l.level;
    }
}

TEST(PlayerStep, FrozenStepsLeaveTheBodyUntouched)
{
    // Mid-turn, so yawRate, velocity and the gait are all in motion.
    Player p;
    PlayerReset(p, {5.0f, 0.0f, 5.0f});
    for (int i = 0; i < 60; i++) PlayerStep(p, {1.0f, 0.0f, 0.0f}, 1.0f / 60.0f, i / 60.0f);
    for (int i = 0; i < 5; i++) PlayerStep(p, {0.0f, 0.0f, -1.0f}, 1.0f / 60.0f, 1.0f + i / 60.0f);
    ASSERT_NE(p.yawRate, 0.0f);
    Player before;
    memcpy(&before, &p, sizeof p);
    struct Case { float dt; Vector3 direction; } cases[] = {
        {0.0f, {0.0f, 0.0f, -1.0f}}, {-0.0f, {0.0f, 0.0f, 0.0f}}, {-0.02f, {1.0f, 0.0f, 0.0f}},
        {NAN_F, {0.0f, 0.0f, -1.0f}}, {INF_F, {0.0f, 0.0f, -1.0f}}, {1.0f / 60.0f, {NAN_F, 0.0f, 0.0f}},
        {1.0f / 60.0f, {0.0f, 0.0f, INF_F}},
    };
    for (const Case &c : cases) {
        PlayerStep(p, c.direction, c.dt, 3.0f);
        EXPECT_EQ(memcmp(&p, &before, sizeof p), 0) << c.dt << " " << c.direction.x;
    }
}

TEST(PlayerStep, PauseLeavesTheRunByteIdenticalAndResumesAsIfNeverPaused)
{
    // Two runs of the same script; the second is paused mid-walk (held keys and fresh ability
    // presses included). Each pause frame changes nothing, and both runs end identical.
    auto plain = NewRun(BINDINGS_DEVELOPER_SEED);
    auto paused = NewRun(BINDINGS_DEVELOPER_SEED);
    for (PlayerRun *run : {plain.get(), paused.get()}) {
        Hold(*run, "W", 1.0f, 60.0f);
        Frame(*run, "WD", "DJ", 1.0f / 60.0f);
        Hold(*run, "WD", 0.1f, 60.0f);
    }
    for (float dt : {0.0f, 0.0f, NAN_F, -1.0f, INF_F, 0.0f}) {
        auto before = std::make_unique<Field>(paused->field);
        Frame(*paused, "WD", "JK", dt);
        EXPECT_EQ(memcmp(&paused->field, before.get(), sizeof(Field)), 0) << dt;
        EXPECT_EQ(memcmp(&paused->field.bindings, &before->bindings, sizeof(Bindings)), 0) << dt;
    }
    for (PlayerRun *run : {plain.get(), paused.get()}) {
        Frame(*run, "WD", "K", 1.0f / 60.0f);
        Hold(*run, "D", 31.0f, 60.0f);
    }
    EXPECT_EQ(memcmp(&plain->field, &paused->field, sizeof(Field)), 0);
    EXPECT_EQ(memcmp(&plain->field.bindings, &paused->field.bindings, sizeof(Bindings)), 0);
    EXPECT_EQ(paused->field.bindings.swapCount, 1);
}

TEST(PlayerStep, SameWalkAtEveryFrameRate)
{
    // Walk up, right, a reversal and a stop: the same path within millimetres at any rate.
    Vector3 position[3];
    float yaw[3], blend[3];
    for (int r = 0; r < 3; r++) {
        auto run = NewRun(9);
        Hold(*run, "W", 3.0f, RATES[r]);
        Hold(*run, "D", 1.0f, RATES[r]);
        Hold(*run, "A", 0.5f, RATES[r]);
        Hold(*run, "", 1.0f, RATES[r]);
        position[r] = run->field.player.position;
        yaw[r] = run->field.player.yaw;
        blend[r] = run->field.player.walkBlend;
    }
    for (int r = 1; r < 3; r++) {
        EXPECT_NEAR(position[r].x, position[0].x, 2e-3f) << RATES[r];
        EXPECT_NEAR(position[r].z, position[0].z, 2e-3f) << RATES[r];
        EXPECT_NEAR(Wrap(yaw[r] - yaw[0]), 0.0f, 5e-3f) << RATES[r];
        EXPECT_NEAR(blend[r], blend[0], 1e-3f) << RATES[r];
    }
}

TEST(PlayerStep, ArenaWallStopsTheBodyAndItSlidesAlongIt)
{
    // Pushed diagonally into the -x wall: the body stays inside and slides along z with the
    // velocity it really travels.
    for (float hz : RATES) {
        Player p;
        PlayerReset(p, {-126.5f, 0.0f, 60.0f});
        Vector3 direction = {-0.6f, 0.0f, -0.8f};
        for (int i = 0; i < (int)(3.0f * hz); i++) {
            PlayerStep(p, direction, 1.0f / hz, i / hz);
            ASSERT_TRUE(ArenaContainsCircle(p.position, PLAYER_RADIUS)) << hz << " frame " << i;
        }
        EXPECT_NEAR(p.position.x, -ARENA_HALF_SIZE + PLAYER_RADIUS, 1e-3f) << hz;
        EXPECT_NEAR(p.velocity.x, 0.0f, 1e-3f) << hz;
        EXPECT_NEAR(p.velocity.z, -0.8f * PLAYER_BASE_SPEED, 1e-2f) << hz;
        EXPECT_NEAR(Wrap(p.yaw - 3.14159265f), 0.0f, 1e-2f) << hz;
    }
}

TEST(PlayerStep, TravelledSpeedNeverReadsAboveTheTopSpeedFarFromTheOrigin)
{
    // Far out, position rounding makes the travelled distance per frame a little longer or
    // shorter than speed * dt; it must never read as faster than the body may go.
    const Vector3 starts[] = {{-60.0f, 0.0f, -60.0f}, {100.0f, 0.0f, 100.0f}, {-120.0f, 0.0f, 110.0f}};
    const Vector3 directions[] = {{1, 0, 0}, {0, 0, -1}, {0.6f, 0, -0.8f}, {-0.6f, 0, -0.8f}, {0.8f, 0, -0.6f},
                                  {-0.8f, 0, 0.6f}, {0.6f, 0, 0.8f}};
    for (float hz : RATES) {
        for (Vector3 start : starts) {
            for (Vector3 direction : directions) {
                Player p;
                PlayerReset(p, start);
                for (int i = 0; i < (int)(3.0f * hz); i++) {
                    PlayerStep(p, direction, 1.0f / hz, i / hz);
                    ASSERT_LE(Length(p.velocity), PLAYER_BASE_SPEED * 1.000001f)
                        << hz << " Hz from " << start.x << "," << start.z << " towards " << direction.x << ","
                        << direction.z;
                }
            }
        }
    }
}

TEST(PlayerStep, TurnsNoFasterThanTheLimit)
{
    for (float hz : RATES) {
        float dt = 1.0f / hz;
        Player p = Walk({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, 1.0f, hz);
        float turned = 0.0f;
        for (int i = 0; i < (int)hz; i++) {
            float before = p.yaw;
            PlayerStep(p, {0.0f, 0.0f, -1.0f}, dt, 1.0f + i * dt);
            ASSERT_LE(std::fabs(p.yaw - before), PLAYER_TURN_LIMIT * dt + 1e-5f) << hz;
            ASSERT_LE(std::fabs(p.yawRate), PLAYER_TURN_LIMIT + 1e-3f) << hz;
            turned += p.yaw - before;
        }
        EXPECT_NEAR(std::fabs(Wrap(p.yaw)), 3.14159265f, 1e-2f) << hz;
        EXPECT_NEAR(std::fabs(turned), 3.14159265f, 1e-2f) << hz;
    }
}

TEST(PlayerStep, LegsStayWithinReachAndFeetNeverCross)
{
    // Frame rates, walking and developer speed, sudden reversals and turns.
    const Vector3 path[] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 0}, {0.6f, 0, -0.8f}, {-0.6f, 0, 0.8f}};
    for (float hz : RATES) {
        for (bool cheat : {false, true}) {
            Player p;
            PlayerReset(p, {0.0f, 0.0f, 0.0f});
            p.speedTimesTen = cheat;
            float time = 0.0f;
            for (Vector3 direction : path) {
                for (int i = 0; i < (int)(0.7f * hz); i++, time += 1.0f / hz) {
                    PlayerStep(p, direction, 1.0f / hz, time);
                    for (int side = 0; side < 2; side++) {
                        Vector3 hip = p.pose.joints[side * 3], knee = p.pose.joints[side * 3 + 1];
                        Vector3 foot = p.pose.joints[side * 3 + 2];
                        Vector3 leg = {foot.x - hip.x, foot.y - hip.y, foot.z - hip.z};
                        ASSERT_LE(Length(leg), 2.0f * PLAYER_LEG_BONE) << hz << " " << cheat;
                        Vector3 thigh = {knee.x - hip.x, knee.y - hip.y, knee.z - hip.z};
                        ASSERT_NEAR(Length(thigh), PLAYER_LEG_BONE, 1e-3f) << hz << " " << cheat;
                    }
                    ASSERT_GE(p.pose.joints[PLAYER_JOINT_RIGHT_FOOT].x - p.pose.joints[PLAYER_JOINT_LEFT_FOOT].x,
                              0.38f - 1e-5f) << hz << " " << cheat;
                }
            }
            EXPECT_TRUE(p.pose.statsValid);
            EXPECT_LE(p.pose.maxLegReach, 2.0f * PLAYER_LEG_BONE);
            EXPECT_GE(p.pose.minFootGap, 0.38f - 1e-5f);
        }
    }
}

TEST(PlayerStep, StandingAboardSettlesTheWalk)
{
    Player p = Walk({0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 1.0f, 60.0f);
    Vector3 position = p.position;
    Player walking;
    memcpy(&walking, &p, sizeof p);
    PlayerStandAboard(p, 0.0f, 1.0f);
    EXPECT_EQ(memcmp(&p, &walking, sizeof p), 0);
    for (int i = 0; i < 60; i++) PlayerStandAboard(p, 1.0f / 60.0f, 1.0f + i / 60.0f);
    EXPECT_EQ(Length(p.velocity), 0.0f);
    EXPECT_LT(p.walkBlend, 1e-5f);
    EXPECT_EQ(p.position.x, position.x);
    EXPECT_FALSE(p.pose.feet[0].airborne || p.pose.feet[1].airborne);
}

// A half turn by the keys: S after W points the velocity exactly backwards, where float rounding
// alone would pick the way round. Every rate turns the same way and faces the same way after.
TEST(PlayerStep, ReversalTurnsTheSameWayAtEveryRate)
{
    for (float startYaw : {0.4f, 0.0f, -2.0f}) {
        float yaw[3];
        for (int r = 0; r < 3; r++) {
            auto run = NewRun(3);
            run->field.player.yaw = startYaw;
            Hold(*run, "W", 2.0f, RATES[r]);
            Hold(*run, "S", 0.2f, RATES[r]);
            yaw[r] = run->field.player.yaw;
        }
        for (int r = 1; r < 3; r++) EXPECT_NEAR(Wrap(yaw[r] - yaw[0]), 0.0f, 0.15f) << startYaw << " at " << RATES[r];
    }
}
