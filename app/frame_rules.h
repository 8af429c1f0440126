// The frame loop's pure rules: the five time steps of a game frame and the per-frame
// consistency check. No window or GL calls, so tests can drive them directly.
#pragma once

#include "app/field.h"

constexpr float FRAME_DT_LIMIT = 0.05f;   // seconds; a stall never steps more than three frames

// What decides the time steps of one game frame.
struct FrameConditions {
    float frameTime;        // raylib's frame time, seconds
    bool focused;           // the window has focus
    bool menuTransition;    // a menu opened or closed this frame
    bool dead;              // health units below 1
    bool aboardShip;        // the player is aboard the shuttle
    bool victory;           // the campaign is in its victory phase
};

struct FrameSteps {
    float frame;     // clamped frame time; 0 when frozen
    float player;    // 0 while dead or aboard
    float world;     // abilities, support, regeneration, contact damage, mudling marks
    float campaign;  // campaign clock and the bindings' swap clock
    float mud;       // mudlings keep moving in the victory phase even when dead
};

// Raw frame time limited to 0..FRAME_DT_LIMIT; 0 for non-finite or negative input.
float FrameClampDt(float frameTime);
FrameSteps FrameComputeSteps(const FrameConditions &conditions);

// False if any player or camera value is not finite or the player moves faster than its
// top speed allows.
bool FrameConsistent(const Field &field);
// The camera's diagonal movement direction has unit length (checked once at start-up).
bool FrameCameraBasisConsistent(const FollowCamera &camera);
