#include "player/pose.h"
#include "player/player.h"
#include "common/maths.h"

#include <cmath>

static constexpr float TORSO_PIVOT_HIP_Y = 1.1f;  // hip height above the feet when standing
static constexpr float SHOULDER_Y = 1.555f;


Vector3 PlayerTorsoTransform(const PlayerPoseState &pose, Vector3 point)
{
    float p = pose.bodyAngles.x, t = pose.bodyAngles.y, r = pose.bodyAngles.z;
    float x = point.x - PLAYER_TORSO_PIVOT.x;
    float y = point.y - PLAYER_TORSO_PIVOT.y;
    float z = point.z - PLAYER_TORSO_PIVOT.z;
    float y1 = y * std::cos(p) - z * std::sin(p);
    float z1 = y * std::sin(p) + z * std::cos(p);
    float x2 = x * std::cos(t) + z1 * std::sin(t);
    float z2 = z1 * std::cos(t) - x * std::sin(t);
    float x3 = x2 * std::cos(r) - y1 * std::sin(r);
    float y3 = x2 * std::sin(r) + y1 * std::cos(r);
    return {x3 + PLAYER_TORSO_PIVOT.x + pose.bodyOffset.x, y3 + PLAYER_TORSO_PIVOT.y + pose.bodyOffset.y,
            z2 + PLAYER_TORSO_PIVOT.z + pose.bodyOffset.z};
}

// Knee of a two-bone leg from hip to foot, bent forward and perpendicular to the leg.
static Vector3 Knee(Vector3 hip, Vector3 foot, float *reach)
{
    Vector3 d = {foot.x - hip.x, foot.y - hip.y, foot.z - hip.z};
    float k = Vector3Length(d);
    *reach = k;
    Vector3 mid = {hip.x + 0.5f * d.x, hip.y + 0.5f * d.y, hip.z + 0.5f * d.z};
    if (k <= 1e-6f) return mid;
    Vector3 u = {d.x / k, d.y / k, d.z / k};
    Vector3 n = {-u.x * u.z, -u.y * u.z, 1.0f - u.z * u.z};
    float nl = Vector3Length(n);
    n = nl > 1e-6f ? Vector3{n.x / nl, n.y / nl, n.z / nl} : Vector3{0.0f, 0.0f, 1.0f};
    float h = std::fmin(0.5f * k, PLAYER_LEG_BONE);
    float bend = std::sqrt(std::fmax(PLAYER_LEG_BONE * PLAYER_LEG_BONE - h * h, 0.0f));
    return {mid.x + n.x * bend, mid.y + n.y * bend, mid.z + n.z * bend};
}

void PlayerPose(Player &player, float dt, float time)
{
    // A frozen frame still rebuilds the joints, from unchanged inputs, so they stay identical.
    if (!(dt > 0.0f) || !std::isfinite(dt)) dt = 0.0f;
    if (!std::isfinite(time)) time = 0.0f;
    PlayerPoseState &pose = player.pose;
    const Vector3 v = player.velocity;
    const float f = player.walkBlend;
    const float s = Vector3Length(v);
    const float cy = std::cos(player.yaw), sy = std::sin(player.yaw);

    // 1. Cadence and phase.
    float cadence = 1.45f + 0.45f * f;
    pose.gaitPhase = std::fmod(pose.gaitPhase + ClampSafe(4.0f * f, 0.0f, 1.0f) * cadence * dt, 1.0f);
    if (pose.gaitPhase < 0.0f) pose.gaitPhase += 1.0f;

    // 2. Travel direction in the player frame.
    float lateral = 0.0f, forward = 1.0f;
    if (s > 0.02f) {
        lateral = (cy * v.x - sy * v.z) / s;
        forward = (sy * v.x + cy * v.z) / s;
    }

    // 3-4. Feet: the stride stops growing at walking speed so fast bodies do not split the legs.
    float halfStride = std::fmin(s, PLAYER_BASE_SPEED) * PLAYER_STANCE_SHARE / (2.0f * cadence);
    Vector3 footJoint[2];
    for (int i = 0; i < 2; i++) {
        float side = i == 0 ? -1.0f : 1.0f;
        float u = std::fmod(pose.gaitPhase + 0.5f * (float)i, 1.0f);
        float reach, lift, angle;
        bool swinging = u >= PLAYER_STANCE_SHARE;
        if (!swinging) {
            float F = u / PLAYER_STANCE_SHARE;
            reach = halfStride - 2.0f * halfStride * F;
            lift = 0.0f;
            angle = 0.42f * Smoothstep(F) - 0.1f;
        } else {
            float w = (u - PLAYER_STANCE_SHARE) / (1.0f - PLAYER_STANCE_SHARE);
            float F = ClampSafe((w - 0.08f) / 0.92f, 0.0f, 1.0f);
            reach = -halfStride + 2.0f * halfStride * Smoothstep(F);
            lift = 0.3f * f * std::pow(std::fmax(std::sin(PI * w), 0.0f), 1.15f);
            angle = 0.46f - 0.56f * Smoothstep(w);
        }
        float pitch = angle * f;
        float sp = std::sin(pitch);
        Vector3 local = {ClampSafe(lateral * reach, -0.025f, 0.025f) + PLAYER_FOOT_HALF_SPREAD * side,
                         std::fmax(0.0f, 0.235f * sp) + std::fmax(0.0f, -0.135f * sp) + lift + 0.145f,
                         forward * reach + 0.025f};
        footJoint[i] = local;

        PlayerFoot &foot = pose.feet[i];
        foot.position = {player.position.x + cy * local.x + sy * local.z, player.position.y + local.y,
                         player.position.z + cy * local.z - sy * local.x};
        foot.yaw = player.yaw + 0.025f * side;
        foot.pitch = pitch;
        foot.airborne = swinging && f > 0.015f;
        pose.footAngles[i] = {0.025f * side, pitch};
    }

    // 5. Torso: a double bob per cycle while walking, a slow breath while standing.
    float k24 = 1.0f - std::exp(-24.0f * dt);
    float k13 = 1.0f - std::exp(-13.0f * dt);
    float b = std::sin(2.0f * PI * pose.gaitPhase);
    float bob = (0.039f * std::cos(4.0f * PI * (pose.gaitPhase - 0.43f)) - 0.006f) * f +
                0.004f * std::sin(2.1f * time) * (1.0f - f);
    pose.bodyOffset.x += (0.016f * b * f - pose.bodyOffset.x) * k24;
    pose.bodyOffset.y += (bob - pose.bodyOffset.y) * k24;
    pose.bodyOffset.z += (0.0f - pose.bodyOffset.z) * k24;
    float roll = (ClampSafe(0.006f * player.yawRate, -0.05f, 0.05f) - 0.06f * lateral) * f;
    pose.bodyAngles.x += (0.14f * forward * f - pose.bodyAngles.x) * k13;
    pose.bodyAngles.y += (0.05f * b * f - pose.bodyAngles.y) * k13;
    pose.bodyAngles.z += (roll - pose.bodyAngles.z) * k13;

    // 6. Legs.
    for (int i = 0; i < 2; i++) {
        float side = i == 0 ? -1.0f : 1.0f;
        Vector3 hip = {0.5f * pose.bodyOffset.x + PLAYER_HIP_HALF_WIDTH * side, pose.bodyOffset.y + TORSO_PIVOT_HIP_Y,
                       0.0f};
        float reach;
        Vector3 knee = Knee(hip, footJoint[i], &reach);
        int base = i == 0 ? PLAYER_JOINT_LEFT_HIP : PLAYER_JOINT_RIGHT_HIP;
        pose.joints[base + 0] = hip;
        pose.joints[base + 1] = knee;
        pose.joints[base + 2] = footJoint[i];
        pose.maxLegReach = std::fmax(pose.maxLegReach, reach);
    }

    // 7. Arms swing against the legs; the torso carries them.
    float k22 = 1.0f - std::exp(-22.0f * dt);
    float bend = 0.18f + 0.87f * f;
    for (int c = 0; c < 2; c++) {
        float side = c == 0 ? -1.0f : 1.0f;
        float target = -0.06f - 0.56f * f * std::cos(2.0f * PI * pose.gaitPhase + PI * (float)c);
        pose.armSwing[c] += (target - pose.armSwing[c]) * k22;
        float X = pose.armSwing[c];
        float elbowY = SHOULDER_Y - PLAYER_UPPER_ARM * std::cos(X);
        float elbowZ = PLAYER_UPPER_ARM * std::sin(X);
        int base = c == 0 ? PLAYER_JOINT_LEFT_SHOULDER : PLAYER_JOINT_RIGHT_SHOULDER;
        pose.joints[base + 0] = PlayerTorsoTransform(pose, {PLAYER_SHOULDER_HALF_WIDTH * side, SHOULDER_Y, 0.0f});
        pose.joints[base + 1] = PlayerTorsoTransform(pose, {0.36f * side, elbowY, elbowZ});
        pose.joints[base + 2] = PlayerTorsoTransform(
            pose, {0.372f * side, elbowY - PLAYER_FOREARM * std::cos(X + bend), elbowZ + PLAYER_FOREARM * std::sin(X + bend)});
    }

    // 8. Developer statistic.
    float gap = footJoint[1].x - footJoint[0].x;
    pose.minFootGap = pose.statsValid ? std::fmin(pose.minFootGap, gap) : gap;
    pose.statsValid = true;
}
