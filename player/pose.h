// The astronaut's walking pose: a procedural gait with planted and swinging feet, two-bone
// legs, arms swinging against them and a torso that bobs, twists and leans. Pure simulation.
#pragma once

#include "raylib.h"

#include <cstdint>

struct Player;

// Joint order of PlayerPoseState::joints.
constexpr int PLAYER_JOINT_LEFT_HIP = 0;
constexpr int PLAYER_JOINT_LEFT_KNEE = 1;
constexpr int PLAYER_JOINT_LEFT_FOOT = 2;
constexpr int PLAYER_JOINT_RIGHT_HIP = 3;
constexpr int PLAYER_JOINT_RIGHT_KNEE = 4;
constexpr int PLAYER_JOINT_RIGHT_FOOT = 5;
constexpr int PLAYER_JOINT_LEFT_SHOULDER = 6;
constexpr int PLAYER_JOINT_LEFT_ELBOW = 7;
constexpr int PLAYER_JOINT_LEFT_HAND = 8;
constexpr int PLAYER_JOINT_RIGHT_SHOULDER = 9;
constexpr int PLAYER_JOINT_RIGHT_ELBOW = 10;
constexpr int PLAYER_JOINT_RIGHT_HAND = 11;
constexpr int PLAYER_JOINT_COUNT = 12;

constexpr float PLAYER_LEG_BONE = 0.51f;          // metres, thigh and shin each
constexpr float PLAYER_HIP_HALF_WIDTH = 0.185f;
constexpr float PLAYER_FOOT_HALF_SPREAD = 0.215f;
constexpr float PLAYER_SHOULDER_HALF_WIDTH = 0.335f;
constexpr float PLAYER_UPPER_ARM = 0.3f;
constexpr float PLAYER_FOREARM = 0.275f;
constexpr float PLAYER_STANCE_SHARE = 0.36f;      // share of a foot's cycle spent planted
constexpr Vector3 PLAYER_TORSO_PIVOT = {0.0f, 1.12f, 0.0f};

struct PlayerFoot {
    Vector3 position;  // world metres
    float yaw;         // world radians
    float pitch;       // radians, toe up positive
    bool airborne;     // lifted in its swing (footfalls stamp boot prints)
};

// Pose block of the player. The player frame has its origin at the feet, x right, y up,
// z forward; joints and footAngles are in it, feet are in world space.
struct PlayerPoseState {
    float armSwing[2];                 // left, right shoulder swing, radians
    Vector3 bodyOffset;                // torso offset from the hip pivot, metres
    Vector3 bodyAngles;                // torso pitch (x), twist (y), roll (z), radians
    Vector2 footAngles[2];             // per foot: yaw (toe-out), pitch
    PlayerFoot feet[2];                // left, right
    float gaitPhase;                   // walk-cycle phase 0..1
    bool statsValid;                   // the two statistics below have a first value
    float minFootGap;                  // smallest lateral gap between the feet seen, metres
    float maxLegReach;                 // longest hip-to-foot distance seen, metres
    Vector3 joints[PLAYER_JOINT_COUNT];  // see PLAYER_JOINT_*
};

// Advances the pose by dt seconds from the body's velocity, walkBlend, yaw and yawRate;
// `time` is the run's total time (drives the idle breath). dt 0 recomputes the pose in place.
void PlayerPose(Player &player, float dt, float time);
// Applies the torso transform (pivot, pitch, twist, roll, offset) to a player-frame point.
Vector3 PlayerTorsoTransform(const PlayerPoseState &pose, Vector3 point);
