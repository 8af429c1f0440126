#include "app/frame_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

TEST(FrameSteps, FollowTheFreezeRules)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char *name;
        FrameConditions in;
        FrameSteps out;
    };
    const Case cases[] = {
        {"playing", {0.016f, true, false, false, false, false}, {0.016f, 0.016f, 0.016f, 0.016f, 0.016f}},
        {"stall is capped", {0.4f, true, false, false, false, false}, {0.05f, 0.05f, 0.05f, 0.05f, 0.05f}},
        {"unfocused", {0.016f, false, false, false, false, false}, {0, 0, 0, 0, 0}},
        {"menu opened or closed", {0.016f, true, true, false, false, false}, {0, 0, 0, 0, 0}},
        {"dead", {0.016f, true, false, true, false, false}, {0.016f, 0, 0, 0, 0}},
        {"aboard", {0.016f, true, false, false, true, false}, {0.016f, 0, 0.016f, 0.016f, 0.016f}},
        {"victory", {0.016f, true, false, false, false, true}, {0.016f, 0.016f, 0, 0, 0.016f}},
        {"dead in victory", {0.016f, true, false, true, false, true}, {0.016f, 0, 0, 0, 0.016f}},
        {"negative", {-0.01f, true, false, false, false, false}, {0, 0, 0, 0, 0}},
        {"infinite", {inf, true, false, false, false, false}, {0, 0, 0, 0, 0}},
        {"not a number", {nan, true, false, false, false, false}, {0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        FrameSteps s = FrameComputeSteps(c.in);
        EXPECT_FLOAT_EQ(s.frame, c.out.frame) << c.name;
        EXPECT_FLOAT_EQ(s.player, c.out.player) << c.name;
        EXPECT_FLOAT_EQ(s.world, c.out.world) << c.name;
        EXPECT_FLOAT_EQ(s.campaign, c.out.campaign) << c.name;
        EXPECT_FLOAT_EQ(s.mud, c.out.mud) << c.name;
    }
}

class ConsistencyTest : public ::testing::Test {
protected:
    void SetUp() override { FieldReset(field, 1234); }
    Field field{};
};

TEST_F(ConsistencyTest, FreshRunIsConsistentAndCameraBasisIsUnit)
{
    EXPECT_TRUE(FrameConsistent(field));
    EXPECT_TRUE(FrameCameraBasisConsistent(field.camera));
}

// Any value of the player or the camera that is not finite fails the check: the body, the
// speed multiplier (a NaN one would quietly shrink the speed bound) and every pose value the
// shader receives.
TEST_F(ConsistencyTest, NonFiniteValuesFail)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char *name;
        void (*spoil)(Field &, float);
    } cases[] = {
        {"position", [](Field &f, float v) { f.player.position.x = v; }},
        {"yaw rate", [](Field &f, float v) { f.player.yawRate = v; }},
        {"speed multiplier", [](Field &f, float v) { f.player.speedMultiplier = v; }},
        {"knee", [](Field &f, float v) { f.player.pose.joints[PLAYER_JOINT_LEFT_KNEE].y = v; }},
        {"hand", [](Field &f, float v) { f.player.pose.joints[PLAYER_JOINT_RIGHT_HAND].z = v; }},
        {"body offset", [](Field &f, float v) { f.player.pose.bodyOffset.y = v; }},
        {"body angles", [](Field &f, float v) { f.player.pose.bodyAngles.z = v; }},
        {"foot angle", [](Field &f, float v) { f.player.pose.footAngles[1].y = v; }},
        {"foot", [](Field &f, float v) { f.player.pose.feet[0].position.x = v; }},
        {"arm swing", [](Field &f, float v) { f.player.pose.armSwing[1] = v; }},
        {"camera up", [](Field &f, float v) { f.camera.up.y = v; }},
        {"zoom", [](Field &f, float v) { f.camera.viewHeight = v; }},
    };
    for (const Case &c : cases) {
        for (float v : {nan, inf}) {
            Field broken = field;
            c.spoil(broken, v);
            EXPECT_FALSE(FrameConsistent(broken)) << c.name << " " << v;
        }
    }
}

TEST_F(ConsistencyTest, SpeedBoundCountsTheMultiplierOnce)
{
    struct Case {
        float multiplier;
        bool timesTen;
        float speed;
        bool consistent;
    };
    const Case cases[] = {
        {1.0f, false, 2.7f, true},
        {1.0f, false, 2.71f, false},
        {0.2f, false, 2.7f, true},        // a multiplier below 1 still allows the base speed
        {3.0f, false, 8.1f, true},        // 2.7 × 3, not 2.7 × 3 × 3
        {3.0f, false, 8.2f, false},
        {3.0f, true, 27.0f, true},        // the developer switch replaces the shop's multiplier
        {3.0f, true, 27.1f, false},
    };
    for (const Case &c : cases) {
        Field f = field;
        f.player.speedMultiplier = c.multiplier;
        f.player.speedTimesTen = c.timesTen;
        f.player.velocity = {c.speed * 0.6f, 0.0f, c.speed * 0.8f};
        EXPECT_EQ(FrameConsistent(f), c.consistent) << c.multiplier << " " << c.speed;
    }
}

TEST(FieldReset, NewRunMatchesAFreshStart)
{
    Field fresh{};
    FieldReset(fresh, 77);

    Field played{};
    FieldReset(played, 5);
    played.player.position = {40.0f, 0.3f, -12.0f};
    played.player.velocity = {2.0f, 0.0f, 1.0f};
    played.player.yaw = 9.0f;
    played.totalTime = 812.5f;
    played.runTime = 700.0;
    played.deathTime = 1.5f;
    played.loop.newGameRequested = true;
    CameraFollow(played.camera, played.player.position, played.player.velocity, 0.5f, false);
    FieldReset(played, 77);

    EXPECT_EQ(memcmp(&played, &fresh, sizeof(Field)), 0);
    EXPECT_EQ(played.player.yaw, PLAYER_START_YAW);
    EXPECT_EQ(played.camera.viewHeight, CAMERA_ZOOM_DEFAULT);
    EXPECT_EQ(played.camera.target.y, 0.65f);
}

TEST(FieldReset, KeepsTheChosenZoomAndDeveloperToggles)
{
    Field field{};
    FieldReset(field, 1);
    field.camera.viewHeight = 7.5f;
    field.loop.immortal = true;
    field.loop.speedTimesTen = true;
    FieldReset(field, 2);
    EXPECT_EQ(field.camera.viewHeight, 7.5f);
    EXPECT_TRUE(field.loop.immortal);
    EXPECT_TRUE(field.loop.speedTimesTen);
    EXPECT_EQ(field.seed, 2u);
}
