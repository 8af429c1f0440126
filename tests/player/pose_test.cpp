#include "player/player.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

float Distance(Vector3 a, Vector3 b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

void ExpectNear(Vector3 actual, Vector3 expected, float tolerance, const char *what)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what;
}

// A body walking straight ahead at `speed` with a settled walkBlend.
Player Walker(float speed, float walkBlend)
{
    Player p;
    PlayerReset(p, {0.0f, 0.0f, 0.0f});
    p.yaw = 0.0f;
    p.velocity = {0.0f, 0.0f, speed};
    p.walkBlend = walkBlend;
    return p;
}

}  // namespace

TEST(PlayerPose, StandingPoseAfterReset)
{
    Player p;
    PlayerReset(p, {3.0f, 0.5f, -2.0f});
    const PlayerPoseState &pose = p.pose;
    ExpectNear(pose.joints[PLAYER_JOINT_LEFT_FOOT], {-0.215f, 0.145f, 0.025f}, 1e-6f, "left foot");
    ExpectNear(pose.joints[PLAYER_JOINT_RIGHT_FOOT], {0.215f, 0.145f, 0.025f}, 1e-6f, "right foot");
    ExpectNear(pose.joints[PLAYER_JOINT_LEFT_HIP], {-0.185f, 1.1f, 0.0f}, 1e-6f, "left hip");
    ExpectNear(pose.joints[PLAYER_JOINT_RIGHT_HIP], {0.185f, 1.1f, 0.0f}, 1e-6f, "right hip");
    for (int side = 0; side < 2; side++) {
        EXPECT_FALSE(pose.feet[side].airborne);
        // Two bones of 0.51 m with the knee bent forward, never backwards.
        Vector3 hip = pose.joints[side * 3], knee = pose.joints[side * 3 + 1], foot = pose.joints[side * 3 + 2];
        EXPECT_NEAR(Distance(hip, knee), PLAYER_LEG_BONE, 1e-4f);
        EXPECT_NEAR(Distance(knee, foot), PLAYER_LEG_BONE, 1e-4f);
        EXPECT_GT(knee.z, 0.5f * (hip.z + foot.z));
        // Arms hang: the hand is well below its shoulder.
        Vector3 shoulder = pose.joints[PLAYER_JOINT_LEFT_SHOULDER + side * 3];
        Vector3 hand = pose.joints[PLAYER_JOINT_LEFT_HAND + side * 3];
        EXPECT_LT(hand.y, shoulder.y - 0.5f);
        EXPECT_NEAR(hand.x, shoulder.x, 0.05f);
    }
}

TEST(PlayerPose, FeetAreTurnedIntoTheWorldByTheFacing)
{
    // Facing +x: the body's right is -z, its forward is +x.
    Player p;
    PlayerReset(p, {10.0f, 1.0f, 20.0f});
    p.yaw = 1.5707963f;
    PlayerPose(p, 0.0f, 0.0f);
    ExpectNear(p.pose.feet[1].position, {10.025f, 1.145f, 19.785f}, 1e-5f, "right foot");
    ExpectNear(p.pose.feet[0].position, {10.025f, 1.145f, 20.215f}, 1e-5f, "left foot");
    EXPECT_NEAR(p.pose.feet[1].yaw, p.yaw + 0.025f, 1e-6f);
    EXPECT_NEAR(p.pose.feet[0].yaw, p.yaw - 0.025f, 1e-6f);
}

TEST(PlayerPose, FullWalkHasTheCadenceStrideAndSwingOfTheGait)
{
    // At 2.7 m/s with a settled blend: 1.9 cycles per second, half stride 0.256 m, each foot
    // in the air for 64 % of the cycle and the two feet half a cycle apart.
    const float dt = 1.0f / 240.0f;
    for (float speed : {2.7f, 27.0f}) {
        Player p = Walker(speed, 1.0f);
        int frames = 2400, airborne[2] = {}, bothPlanted = 0, wraps = 0;
        float reachMax = -1.0f, reachMin = 1.0f, phase = p.pose.gaitPhase;
        for (int i = 0; i < frames; i++) {
            PlayerPose(p, dt, i * dt);
            if (p.pose.gaitPhase < phase) wraps++;
            phase = p.pose.gaitPhase;
            for (int side = 0; side < 2; side++) {
                airborne[side] += p.pose.feet[side].airborne;
                if (!p.pose.feet[side].airborne) {
                    float reach = p.pose.joints[side * 3 + 2].z - 0.025f;
                    reachMax = std::fmax(reachMax, reach);
                    reachMin = std::fmin(reachMin, reach);
                }
            }
            bothPlanted += !p.pose.feet[0].airborne && !p.pose.feet[1].airborne;
        }
        EXPECT_NEAR(wraps + phase, 1.9f * frames * dt, 0.01f) << speed;
        EXPECT_NEAR(airborne[0] / (float)frames, 0.64f, 0.01f) << speed;
        EXPECT_NEAR(airborne[1] / (float)frames, 0.64f, 0.01f) << speed;
        EXPECT_EQ(bothPlanted, 0) << speed;
        // The stride stops growing above walking speed.
        EXPECT_NEAR(reachMax, 0.2558f, 2e-3f) << speed;
        EXPECT_NEAR(reachMin, -0.2558f, 2e-3f) << speed;
    }
}

TEST(PlayerPose, StandingStillBreathesWithPlantedFeet)
{
    Player p = Walker(0.0f, 0.0f);
    float phase = p.pose.gaitPhase, lowest = 1.0f, highest = -1.0f;
    const float dt = 1.0f / 60.0f;
    for (int i = 0; i < 600; i++) {
        PlayerPose(p, dt, i * dt);
        EXPECT_EQ(p.pose.gaitPhase, phase);
        EXPECT_FALSE(p.pose.feet[0].airborne || p.pose.feet[1].airborne);
        if (i > 60) {
            lowest = std::fmin(lowest, p.pose.bodyOffset.y);
            highest = std::fmax(highest, p.pose.bodyOffset.y);
        }
    }
    EXPECT_LE(highest, 0.004f);
    EXPECT_GE(lowest, -0.004f);
    EXPECT_GT(highest - lowest, 0.007f);
}

TEST(PlayerPose, TorsoLeansIntoTheWalkAndCarriesTheArms)
{
    Player p = Walker(2.7f, 1.0f);
    float spread = 0.0f;
    for (int i = 0; i < 60; i++) {
        PlayerPose(p, 1.0f / 60.0f, i / 60.0f);
        spread = std::fmax(spread, std::fabs(p.pose.armSwing[0] - p.pose.armSwing[1]));
    }
    EXPECT_NEAR(p.pose.bodyAngles.x, 0.14f, 1e-3f);
    // Shoulders lean ahead of the hips, and the transform keeps their distance to the pivot.
    for (int side = 0; side < 2; side++) {
        Vector3 shoulder = p.pose.joints[PLAYER_JOINT_LEFT_SHOULDER + side * 3];
        EXPECT_GT(shoulder.z, 0.04f);
        Vector3 pivot = {PLAYER_TORSO_PIVOT.x + p.pose.bodyOffset.x, PLAYER_TORSO_PIVOT.y + p.pose.bodyOffset.y,
                         PLAYER_TORSO_PIVOT.z + p.pose.bodyOffset.z};
        Vector3 rest = {(side == 0 ? -1.0f : 1.0f) * PLAYER_SHOULDER_HALF_WIDTH, 1.555f, 0.0f};
        EXPECT_NEAR(Distance(shoulder, pivot), Distance(rest, PLAYER_TORSO_PIVOT), 1e-5f);
    }
    // The arms swing against each other around a slight backward rest.
    EXPECT_NEAR(p.pose.armSwing[0] + p.pose.armSwing[1], -0.12f, 1e-3f);
    EXPECT_GT(spread, 0.8f);
}
