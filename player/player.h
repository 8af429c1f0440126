// The astronaut's body: position, velocity and facing of the one player in a run.
#pragma once

#include "raylib.h"

constexpr float PLAYER_START_YAW = 0.4f;   // radians, facing at run start
constexpr float PLAYER_RADIUS = 0.32f;     // metres, footprint used against the arena and hull
constexpr float PLAYER_BASE_SPEED = 2.7f;  // metres per second at speed multiplier 1

struct Player {
    Vector3 position;       // metres; y = ground height under the feet
    Vector3 velocity;       // metres per second actually travelled in the last step
    float yaw;              // radians, 0 faces +z, positive turns towards +x; not wrapped
    float walkBlend;        // 0..1 eased share of full walking speed
    float yawRate;          // radians per second turned in the last step
    bool speedTimesTen;     // developer switch: ten times the base speed
    float speedMultiplier;  // from the shop's speed level, at least 1
};

// Zero-fills the body and places it at `position` facing PLAYER_START_YAW.
void PlayerReset(Player &player, Vector3 position);
// Speed multiplier in force: 10 under the developer switch, else the shop's (at least 1).
float PlayerSpeedFactor(const Player &player);
