#include "app/frame_rules.h"

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

static bool FiniteV(Vector3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool FrameConsistent(const Field &field)
{
    const Player &p = field.player;
    const FollowCamera &c = field.camera;
    if (!FiniteV(p.position) || !FiniteV(p.velocity) || !std::isfinite(p.yaw) ||
        !std::isfinite(p.walkBlend) || !std::isfinite(p.yawRate))
        return false;
    if (!FiniteV(c.target) || !FiniteV(c.position) || !FiniteV(c.forward) || !FiniteV(c.right) ||
        !FiniteV(c.up) || !std::isfinite(c.viewHeight))
        return false;
    float speed = std::sqrt(p.velocity.x * p.velocity.x + p.velocity.y * p.velocity.y +
                            p.velocity.z * p.velocity.z);
    return speed <= PLAYER_BASE_SPEED * PlayerSpeedFactor(p) + 0.001f;
}

bool FrameCameraBasisConsistent(const FollowCamera &camera)
{
    Vector3 d = CameraMoveDirection(camera, 1.0f, 1.0f);
    float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return std::fabs(length - 1.0f) <= 1e-4f;
}
