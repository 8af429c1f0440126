// Follow camera: a fixed high orthographic view of the player; only target and height change.
// World state, not drawing: the run keeps it, and the simulation reads it (meteors enter above
// the view, the campaign spawns outside it).
#pragma once

#include "raylib.h"

constexpr float CAMERA_ZOOM_MIN = 5.5f;      // metres of view height
constexpr float CAMERA_ZOOM_MAX = 30.0f;
constexpr float CAMERA_ZOOM_DEFAULT = 20.0f;
constexpr Vector3 CAMERA_OFFSET = {18.0f, 28.5f, 24.0f};  // position minus target

struct FollowCamera {
    Vector3 target;     // point looked at
    Vector3 position;   // target + CAMERA_OFFSET
    Vector3 forward;    // normalize(target - position)
    Vector3 right;      // normalize(cross(forward, up axis))
    Vector3 up;         // cross(right, forward)
    float viewHeight;   // "zoom": metres of view height, CAMERA_ZOOM_MIN..CAMERA_ZOOM_MAX
};

// Moves the target towards the player (snap: at once) and recomputes the basis.
void CameraFollow(FollowCamera &camera, Vector3 playerPosition, Vector3 playerVelocity, float dt, bool snap);
// World ground direction for screen input (a right, b up), normalised if longer than 1.
Vector3 CameraMoveDirection(const FollowCamera &camera, float a, float b);
// The raylib camera for meshes drawn with the same orthographic view.
Camera3D CameraToRaylib(const FollowCamera &camera);
