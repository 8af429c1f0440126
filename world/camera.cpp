#include "world/camera.h"

#include "common/maths.h"

#include <cmath>


void CameraFollow(FollowCamera &camera, Vector3 playerPosition, Vector3 playerVelocity, float dt, bool snap)
{
    Vector3 desired = Vector3Add(Vector3Add(playerPosition, {0.0f, 0.65f, 0.0f}), Vector3Scale(playerVelocity, 0.12f));
    if (snap) {
        camera.target = desired;
    } else if (dt > 0.0f && std::isfinite(dt)) {
        float k = EaseFactor(5.5f, dt);
        camera.target = Vector3Add(camera.target,
                              Vector3Scale({desired.x - camera.target.x, desired.y - camera.target.y,
                                       desired.z - camera.target.z}, k));
    }
    camera.position = Vector3Add(camera.target, CAMERA_OFFSET);
    camera.forward = NormalizeOrZero({-CAMERA_OFFSET.x, -CAMERA_OFFSET.y, -CAMERA_OFFSET.z});
    camera.right = NormalizeOrZero(Vector3CrossProduct(camera.forward, {0.0f, 1.0f, 0.0f}));
    camera.up = Vector3CrossProduct(camera.right, camera.forward);
}

Vector3 CameraMoveDirection(const FollowCamera &camera, float a, float b)
{
    Vector3 right = NormalizeOrZero({camera.right.x, 0.0f, camera.right.z});
    Vector3 forward = NormalizeOrZero({camera.forward.x, 0.0f, camera.forward.z});
    Vector3 d = Vector3Add(Vector3Scale(right, a), Vector3Scale(forward, b));
    float length = std::sqrt(d.x * d.x + d.z * d.z);
    if (length > 1.0f) d = Vector3Scale(d, 1.0f / length);
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
