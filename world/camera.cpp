#include "world/camera.h"

#include <cmath>

static Vector3 V3Add(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
static Vector3 V3Scale(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

static Vector3 V3Normalize(Vector3 v)
{
    float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0f)) return {0.0f, 0.0f, 0.0f};
    return V3Scale(v, 1.0f / length);
}

static Vector3 V3Cross(Vector3 a, Vector3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

void CameraFollow(FollowCamera &camera, Vector3 playerPosition, Vector3 playerVelocity, float dt, bool snap)
{
    Vector3 desired = V3Add(V3Add(playerPosition, {0.0f, 0.65f, 0.0f}), V3Scale(playerVelocity, 0.12f));
    if (snap) {
        camera.target = desired;
    } else if (dt > 0.0f && std::isfinite(dt)) {
        float k = 1.0f - std::exp(-5.5f * dt);
        camera.target = V3Add(camera.target,
                              V3Scale({desired.x - camera.target.x, desired.y - camera.target.y,
                                       desired.z - camera.target.z}, k));
    }
    camera.position = V3Add(camera.target, CAMERA_OFFSET);
    camera.forward = V3Normalize({-CAMERA_OFFSET.x, -CAMERA_OFFSET.y, -CAMERA_OFFSET.z});
    camera.right = V3Normalize(V3Cross(camera.forward, {0.0f, 1.0f, 0.0f}));
    camera.up = V3Cross(camera.right, camera.forward);
}

Vector3 CameraMoveDirection(const FollowCamera &camera, float a, float b)
{
    Vector3 right = V3Normalize({camera.right.x, 0.0f, camera.right.z});
    Vector3 forward = V3Normalize({camera.forward.x, 0.0f, camera.forward.z});
    Vector3 d = V3Add(V3Scale(right, a), V3Scale(forward, b));
    float length = std::sqrt(d.x * d.x + d.z * d.z);
    if (length > 1.0f) d = V3Scale(d, 1.0f / length);
    return d;
}

Camera3D CameraToRaylib(const FollowCamera &camera)
{
    Camera3D c{};
    c.position = camera.position;
    c.target = camera.target;
    c.up = camera.up;
    c.fovy = camera.viewHeight;
    c.projection = CAMERA_ORTHOGRAPHIC;
    return c;
}
