#include "app/frame_rules.h"

#include "common/maths.h"

#include <cmath>

float FrameClampDt(float frameTime)
{
    if (!std::isfinite(frameTime) || frameTime <= 0.0f) return 0.0f;
    return frameTime < FRAME_DT_LIMIT ? frameTime : FRAME_DT_LIMIT;
}

FrameSteps FrameComputeSteps(const FrameConditions &c)
{
    FrameSteps s{};
    s.frame = (c.focused && !c.menuTransition) ? FrameClampDt(c.frameTime) : 0.0f;
    s.player = (c.dead || c.aboardShip) ? 0.0f : s.frame;
    s.world = (c.dead || c.victory) ? 0.0f : s.frame;
    s.campaign = s.world;
    s.mud = (c.dead && !c.victory) ? 0.0f : s.frame;
    return s;
}

// Every value of the player that reaches the simulation or the shader, pose included.
static bool PlayerFinite(const Player &p)
{
    if (!IsFinite(p.position) || !IsFinite(p.velocity) || !IsFinite(p.yaw) || !IsFinite(p.walkBlend) ||
        !IsFinite(p.yawRate) || !IsFinite(p.speedMultiplier))
        return false;
    const PlayerPoseState &pose = p.pose;
    for (const Vector3 &joint : pose.joints)
        if (!IsFinite(joint)) return false;
    for (int i = 0; i < 2; i++) {
        const PlayerFoot &foot = pose.feet[i];
        if (!IsFinite(pose.armSwing[i]) || !IsFinite(pose.footAngles[i]) || !IsFinite(foot.position) ||
            !IsFinite(foot.yaw) || !IsFinite(foot.pitch))
            return false;
    }
    return IsFinite(pose.bodyOffset) && IsFinite(pose.bodyAngles) && IsFinite(pose.gaitPhase);
}

static bool CameraFinite(const FollowCamera &c)
{
    return IsFinite(c.target) && IsFinite(c.position) && IsFinite(c.forward) && IsFinite(c.right) &&
           IsFinite(c.up) && IsFinite(c.viewHeight);
}

bool FrameConsistent(const Field &field)
{
    const Player &p = field.player;
    if (!PlayerFinite(p) || !CameraFinite(field.camera)) return false;
    // The footprint, a hair inside the radius the slide keeps, never overlaps the hull.
    if (ShipHullOverlaps(field.ship, p.position, 0.3199f)) return false;
    return Vector3Length(p.velocity) <= PLAYER_BASE_SPEED * PlayerSpeedFactor(p) + 0.001f;
}

bool FrameCameraBasisConsistent(const FollowCamera &camera)
{
    return std::fabs(Vector3Length(CameraMoveDirection(camera, 1.0f, 1.0f)) - 1.0f) <= 1e-4f;
}
