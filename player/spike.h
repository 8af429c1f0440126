// Spike: the spinning blade fin the astronaut throws ahead. It rises out of the mud in front of
// the launch point, runs along the ground up to 25 m (less where the arena's edge is nearer),
// hovers at the far end when it got the whole way, runs back to the launch point and sinks. It
// cuts every creature it passes once on the way out and once on the way back; on the way back
// it strikes the player who stands on its line. Pure simulation: the pool, the soil and the
// player's path are handed in; the renderer and the ground tracks are handed plain records.
//
// Every record is laid out without implicit padding, so equal state means equal bytes; a slot
// is zero-filled when its blade has sunk.
#pragma once

#include "raylib.h"

#include <cstddef>
#include <cstdint>

struct MudPool;
struct Soil;

constexpr int SPIKE_CAPACITY = 8;                 // live blades
constexpr int SPIKE_QUEUE_CAPACITY = 32;          // launches waiting for a slot
constexpr int SPIKE_SEGMENT_CAPACITY = 16;        // cut segments one update lists
constexpr float SPIKE_RANGE = 25.0f;              // metres a blade runs on open ground
constexpr float SPIKE_START_DISTANCE = 1.25f;     // metres ahead of the launch point it rises
constexpr float SPIKE_BODY_RADIUS = 0.8f;         // metres kept from the arena's edge
constexpr float SPIKE_OUT_SPEED = 12.0f;          // m/s
constexpr float SPIKE_BACK_SPEED = 15.0f;         // m/s
constexpr float SPIKE_RISE_SECONDS = 0.26f;
constexpr float SPIKE_HOVER_SECONDS = 0.2f;
constexpr float SPIKE_SINK_SECONDS = 0.28f;
constexpr float SPIKE_CUT_RADIUS = 0.28f;         // metres: the edge swept through the creatures
constexpr float SPIKE_HALF_LENGTH = 0.4f;         // metres of blade each side of its centre
constexpr float SPIKE_PLAYER_REACH = 0.55f;       // metres from the blade to the player
constexpr float SPIKE_STRIP_WIDTH = 0.16f;        // metres: the scratch a cut segment leaves

enum SpikePhase : int32_t { SPIKE_RISE = 0, SPIKE_OUT = 1, SPIKE_HOVER = 2, SPIKE_BACK = 3, SPIKE_SINK = 4 };

struct SpikeRequest {
    Vector3 origin;      // launch point on the ground
    Vector3 direction;   // unit, y = 0
};

// Where a blade was before and after one sub-step of a moving phase.
struct SpikeSegment {
    Vector3 from, to;
};

struct Spike {
    Vector3 origin;          // launch point on the ground
    Vector3 direction;       // unit direction on the ground
    Vector3 position;        // blade centre now, on the ground
    Vector3 previous;        // blade centre before the last sub-step
    float phaseTime;         // seconds in the current phase
    float distance;          // metres from the origin along the direction
    float look;              // launched x 2.37 at admission: spin offset for the renderer
    float range;             // metres this blade may run: the free distance, at most 25
    float startDistance;     // min(1.25, range): where the blade rises
    uint32_t pad0;
    uint64_t outMask;        // creature slots cut on the way out (bit i: slot i)
    uint64_t backMask;       // creature slots cut on the way back
    int32_t phase;           // SpikePhase
    uint8_t active;          // slot in use
    uint8_t playerHit;       // this blade has already struck the player
    uint8_t pad1[2];
};

struct SpikeSystem {
    Spike slots[SPIKE_CAPACITY];
    SpikeRequest queue[SPIKE_QUEUE_CAPACITY];          // ring buffer
    SpikeSegment segments[SPIKE_SEGMENT_CAPACITY];     // cut segments of the last update (ground strips)
    int32_t queueHead;       // oldest request, 0..31
    int32_t queueCount;      // launches waiting, 0..32
    int32_t segmentCount;    // valid segments, 0..16; cleared by every update with a positive step
    uint32_t launched;       // blades admitted since reset
    uint32_t completed;      // blades that finished all phases since reset
    uint32_t mudHits;        // creature cuts since reset
};

static_assert(sizeof(Spike) == 96 && offsetof(Spike, outMask) == 72, "Spike has no padding");
static_assert(sizeof(SpikeSystem) == 8 * 96 + 32 * 24 + 16 * 24 + 24, "SpikeSystem has no padding");

// What the scene shader reads, in the layout of the renderer's spike record (count, then two
// arrays of eight four-component vectors); entries beyond count are zero.
struct SpikeRender {
    int32_t count;                        // active blades, 0..8
    Vector4 bodies[SPIKE_CAPACITY];       // blade centre; emergence 0 (buried) .. 1
    Vector4 directions[SPIKE_CAPACITY];   // travel direction x, z; spin offset; phase
};
static_assert(sizeof(SpikeRender) == 4 + 2 * SPIKE_CAPACITY * 16 && offsetof(SpikeRender, bodies) == 4 &&
                  offsetof(SpikeRender, directions) == 132,
              "SpikeRender matches the renderer's spike record");

// No blade, no request, no segment, every counter 0.
void SpikeReset(SpikeSystem &system);
// Queues a blade from `origin` (clamped into the arena, put on the ground) along the horizontal
// part of `direction` ((0, 0, 1) when that is nearly zero). False, one log line and nothing
// queued when 32 launches are waiting or an input is not finite.
bool SpikeLaunch(SpikeSystem &system, Vector3 origin, Vector3 direction);
// Admits waiting launches into free slots and advances every blade by dt, sub-stepped at phase
// ends; a moving blade cuts the creatures it passes (their chunks land in `soil`) and lists its
// path in `segments`; a returning blade strikes the player moving from playerBefore to
// playerAfter. True when a blade struck the player in this update. Nothing changes (the
// segments of the last update stay listed) unless dt is finite and positive.
bool SpikeUpdate(SpikeSystem &system, MudPool &pool, Soil &soil, Vector3 playerBefore, Vector3 playerAfter, float dt);
// The scene shader's blade arrays for the active slots in order.
void SpikeRenderData(const SpikeSystem &system, SpikeRender &out);
