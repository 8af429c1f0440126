// Meteor: the ability that calls a rock down onto the spot the astronaut stood on when casting.
// A cast waits in a queue for one of eight slots; an admitted meteor warns (a ring on the
// ground), falls and bursts. The falling rock strikes every creature it sweeps through once, and
// strikes the player too if the player is still in the way. Pure simulation: the pool, the soil
// and the player's path are handed in; the renderer is handed plain records.
//
// Every record is laid out without implicit padding, so equal state means equal bytes; a slot
// is zero-filled when its meteor ends.
#pragma once

#include "raylib.h"

#include <cstddef>
#include <cstdint>

struct MudPool;
struct Soil;

constexpr int METEOR_CAPACITY = 8;                // live meteors
constexpr int METEOR_QUEUE_CAPACITY = 64;         // casts waiting for a slot
constexpr float METEOR_WARNING_SECONDS = 0.65f;   // phase 0: the ring on the ground
constexpr float METEOR_FALL_SECONDS = 1.24f;      // phase 1: the rock comes down
constexpr float METEOR_BURST_SECONDS = 0.85f;     // phase 2: the dust cloud
constexpr float METEOR_ROCK_RADIUS = 0.58f;       // metres: the sphere swept through the creatures
constexpr float METEOR_TARGET_LIFT = 0.203f;      // metres: the impact point above the ground
constexpr float METEOR_PLAYER_REACH = 0.85f;      // metres from the rock's centre to the player's body
constexpr float METEOR_MIN_ENTRY = 7.0f;          // metres: the lowest start above the target

enum MeteorPhase : int32_t { METEOR_WARNING = 0, METEOR_FALL = 1, METEOR_BURST = 2 };

struct MeteorRequest {
    Vector3 target;      // impact point: x, ground + 0.203, z
    Vector3 start;       // where the rock enters
};

struct Meteor {
    Vector3 target;          // locked impact point
    Vector3 start;           // where the rock enters
    Vector3 position;        // rock centre now
    Vector3 previous;        // rock centre before the last sub-step
    float phaseTime;         // seconds in the current phase
    float look;              // spawned x 1.71 at admission: rotation and grit of the rock
    int32_t phase;           // MeteorPhase
    uint32_t pad0;
    uint64_t contactMask;    // creature slots already struck by this meteor (bit i: slot i)
    uint8_t active;          // slot in use
    uint8_t playerHit;       // this meteor has already struck the player
    uint8_t pad1[6];
};

struct MeteorSystem {
    Meteor slots[METEOR_CAPACITY];
    MeteorRequest queue[METEOR_QUEUE_CAPACITY];  // ring buffer
    int32_t queueHead;       // oldest request, 0..63
    int32_t queueCount;      // requests waiting, 0..64
    uint32_t spawned;        // meteors admitted since reset (seeds the look)
    uint32_t impacts;        // falls completed since reset
    uint32_t mudHits;        // creature strikes since reset
    uint32_t pad;
};

static_assert(sizeof(MeteorRequest) == 24, "MeteorRequest has no padding");
static_assert(sizeof(Meteor) == 80 && offsetof(Meteor, contactMask) == 64, "Meteor has no padding");
static_assert(sizeof(MeteorSystem) == 8 * 80 + 64 * 24 + 24, "MeteorSystem has no padding");

// What the scene shader reads, in the layout of the renderer's meteor record (count, then four
// arrays of eight four-component vectors); entries beyond count are zero.
struct MeteorRender {
    int32_t count;                        // active meteors, 0..8
    Vector4 bodies[METEOR_CAPACITY];      // rock centre; radius 0.58 in the fall, else 0
    Vector4 targets[METEOR_CAPACITY];     // the ground under the target; warning strength
    Vector4 states[METEOR_CAPACITY];      // phase time, phase, look; burst progress
    Vector4 starts[METEOR_CAPACITY];      // where the rock entered; fall progress
};
static_assert(sizeof(MeteorRender) == 4 + 4 * METEOR_CAPACITY * 16 && offsetof(MeteorRender, bodies) == 4 &&
                  offsetof(MeteorRender, targets) == 132 && offsetof(MeteorRender, states) == 260 &&
                  offsetof(MeteorRender, starts) == 388,
              "MeteorRender matches the renderer's meteor record");

// No meteor, no request, every counter 0.
void MeteorReset(MeteorSystem &system);
// Queues a meteor onto `target` (the ground height is looked up), entering just above the top
// edge of the orthographic view given by the camera's position, up vector and view height.
// False, one log line and nothing queued when 64 casts are waiting or an input is not finite.
bool MeteorCast(MeteorSystem &system, Vector3 target, Vector3 cameraPosition, Vector3 cameraUp, float zoom);
// Admits waiting casts into free slots and advances every meteor by dt, sub-stepped at phase
// ends; the falling rock strikes the creatures it sweeps (their chunks land in `soil`) and the
// player moving from playerBefore to playerAfter over the step. True when a meteor struck the
// player in this update. Nothing changes unless dt is finite and positive.
bool MeteorUpdate(MeteorSystem &system, MudPool &pool, Soil &soil, Vector3 playerBefore, Vector3 playerAfter, float dt);
// The scene shader's meteor arrays for the active slots in order.
void MeteorRenderData(const MeteorSystem &system, MeteorRender &out);
