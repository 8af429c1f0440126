#include "player/player.h"

#include "campaign/ship.h"
#include "world/arena.h"
#include "world/terrain.h"
#include "common/maths.h"

#include <cmath>

static Vector3 LimitLength(Vector3 v, float limit)
{
    float length = Vector3Length(v);
    return length > limit && length > 0.0f ? Vector3Scale(v, limit / length) : v;
}

// Within this of a half turn, which way round is decided by float rounding alone.
constexpr float PLAYER_REVERSAL_TOLERANCE = 1e-3f;

void PlayerReset(Player &player, Vector3 position)
{
    player = {};
    player.position = position;
    player.yaw = PLAYER_START_YAW;
    player.speedMultiplier = 1.0f;
    PlayerPose(player, 0.0f, 0.0f);
}

float PlayerSpeedFactor(const Player &player)
{
    if (player.speedTimesTen) return PLAYER_CHEAT_FACTOR;
    return player.speedMultiplier > 1.0f ? player.speedMultiplier : 1.0f;
}

void PlayerSetSpeedLevel(Player &player, int level)
{
    int l = level < 0 ? 0 : (level > PLAYER_SPEED_LEVEL_MAX ? PLAYER_SPEED_LEVEL_MAX : level);
    player.speedMultiplier = 1.0f + 0.2f * (float)l;
}

void PlayerStep(Player &player, Vector3 direction, float dt, float time, const Ship *hull)
{
    Player &p = player;
    // Frozen frames (pause, lost focus, death) must leave the run exactly as it was.
    if (!(dt > 0.0f) || !std::isfinite(dt) || !IsFinite(direction)) {
        p.position.y = TerrainHeight(p.position.x, p.position.z);
        PlayerPose(p, 0.0f, time);
        return;
    }

    float speed = PLAYER_BASE_SPEED * PlayerSpeedFactor(p);
    float ease = EaseFactor(PLAYER_VELOCITY_RATE, dt);
    Vector3 target = Vector3Scale(direction, speed);
    p.velocity.x += (target.x - p.velocity.x) * ease;
    p.velocity.y += (target.y - p.velocity.y) * ease;
    p.velocity.z += (target.z - p.velocity.z) * ease;
    p.velocity = LimitLength(p.velocity, speed);
    if (p.velocity.x * p.velocity.x + p.velocity.y * p.velocity.y + p.velocity.z * p.velocity.z < 1e-5f)
        p.velocity = {0.0f, 0.0f, 0.0f};

    Vector3 old = p.position;
    Vector3 moved = {old.x + p.velocity.x * dt, old.y + p.velocity.y * dt, old.z + p.velocity.z * dt};
    p.position = hull ? ShipSlideBody(*hull, old, moved, PLAYER_RADIUS) : ArenaClampCircle(moved, PLAYER_RADIUS);

    // Travelled velocity; rounding far from the origin must not lift it above the top speed.
    Vector3 travelled = {(p.position.x - old.x) / dt, (p.position.y - old.y) / dt, (p.position.z - old.z) / dt};
    p.velocity = LimitLength(travelled, speed);

    float s = Vector3Length(p.velocity);
    float oldYaw = p.yaw;
    if (s > PLAYER_TURN_MIN_SPEED) {
        float delta = WrapAngle(std::atan2(p.velocity.x, p.velocity.z) - p.yaw);
        // A reversal turns the way the body already turns (left when it was not turning), so the
        // same input faces the same way at every frame rate.
        if (std::fabs(delta) > PI - PLAYER_REVERSAL_TOLERANCE) delta = (p.yawRate < 0.0f ? -1.0f : 1.0f) * std::fabs(delta);
        float turn = delta * EaseFactor(PLAYER_TURN_RATE, dt);
        float limit = PLAYER_TURN_LIMIT * dt;
        turn = turn < -limit ? -limit : (turn > limit ? limit : turn);
        p.yaw += turn;
    }
    p.yawRate = WrapAngle(p.yaw - oldYaw) / dt;

    p.walkBlend = EaseToward(p.walkBlend, ClampSafe(s / PLAYER_BASE_SPEED, 0.0f, 1.0f), PLAYER_TURN_RATE, dt);

    p.position.y = TerrainHeight(p.position.x, p.position.z);
    PlayerPose(p, dt, time);
}

void PlayerStandAboard(Player &player, float dt, float time)
{
    if (!(dt > 0.0f) || !std::isfinite(dt)) {
        PlayerPose(player, 0.0f, time);
        return;
    }
    player.velocity = {0.0f, 0.0f, 0.0f};
    player.walkBlend = EaseToward(player.walkBlend, 0.0f, PLAYER_TURN_RATE, dt);
    PlayerPose(player, dt, time);
}
