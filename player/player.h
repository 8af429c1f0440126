// The astronaut's body: position, velocity, facing and walking pose of the one player in a run.
#pragma once

#include "player/pose.h"
#include "raylib.h"

constexpr float PLAYER_START_YAW = 0.4f;   // radians, facing at run start
constexpr float PLAYER_RADIUS = 0.32f;     // metres, footprint used against the arena and hull
constexpr float PLAYER_BASE_SPEED = 2.7f;  // metres per second at speed multiplier 1
constexpr float PLAYER_CHEAT_FACTOR = 10.0f;   // speed multiplier of the developer switch
constexpr float PLAYER_VELOCITY_RATE = 20.0f;  // 1/s, easing of velocity towards the input
constexpr float PLAYER_TURN_RATE = 14.0f;      // 1/s, easing of yaw and walkBlend
constexpr float PLAYER_TURN_LIMIT = 9.0f;      // radians per second at most
constexpr float PLAYER_TURN_MIN_SPEED = 0.12f; // m/s; slower bodies keep their facing
constexpr int PLAYER_SPEED_LEVEL_MAX = 10;

struct Ship;

struct Player {
    Vector3 position;       // metres; y = ground height under the feet
    Vector3 velocity;       // metres per second actually travelled in the last step
    float yaw;              // radians, 0 faces +z, positive turns towards +x; not wrapped
    float walkBlend;        // 0..1 eased share of full walking speed
    float yawRate;          // radians per second turned in the last step
    PlayerPoseState pose;   // limbs, torso and feet, advanced at the end of every step
    bool speedTimesTen;     // developer switch: ten times the base speed
    float speedMultiplier;  // from the shop's speed level, at least 1
};

// Zero-fills the body, places it at `position` facing PLAYER_START_YAW in the standing pose.
void PlayerReset(Player &player, Vector3 position);
// Speed multiplier in force: 10 under the developer switch, else the shop's (at least 1).
float PlayerSpeedFactor(const Player &player);
// Sets the shop's speed multiplier, 1 + 0.2 per level, level clamped to 0..10.
void PlayerSetSpeedLevel(Player &player, int level);
// One movement step towards `direction` (ground plane, length <= 1): eased velocity, arena
// clamp and the shuttle's hull (`hull` may be null), facing with a turn limit, ground height,
// then the pose. With dt <= 0, dt not finite or a non-finite direction only the height and the
// pose are recomputed.
void PlayerStep(Player &player, Vector3 direction, float dt, float time, const Ship *hull = nullptr);
// One frame standing aboard the shuttle: no velocity, walkBlend settling to 0, pose advanced.
void PlayerStandAboard(Player &player, float dt, float time);
