// Support: the two aids bought in the shop that work on their own. The plasma drone floats beside
// the astronaut's head and, once per interval, fires a plasma bolt at the nearest creature it can
// see within 15 m; the repel wave throws the six nearest creatures within 5 m away from the
// astronaut once per interval. This file is the simulation (flight, aim, bolts, impact flashes,
// the repel schedule and the dial's values); the drawing is hud/support_draw.h.
//
// The record is laid out without implicit padding, so equal state means equal bytes.
#pragma once

#include "raylib.h"

#include <cstdint>

struct MudPool;
struct FollowCamera;

constexpr int SUPPORT_BOLT_CAPACITY = 4;            // bolts in flight at most
constexpr int SUPPORT_IMPACT_CAPACITY = 6;          // impact flashes, a ring
constexpr float SUPPORT_DRONE_RANGE = 15.0f;        // metres from the drone to a target
constexpr float SUPPORT_BOLT_SPEED = 18.0f;         // m/s
constexpr float SUPPORT_BOLT_RADIUS = 0.12f;        // metres
constexpr float SUPPORT_BOLT_LIFETIME = 2.0f;       // seconds
constexpr float SUPPORT_LEAD_MAX = 0.5f;            // seconds of target motion the aim leads by at most
constexpr float SUPPORT_LEAD_SPEED_MAX = 6.0f;      // m/s of target speed the lead uses at most
constexpr float SUPPORT_REPEL_RADIUS = 5.0f;        // metres
constexpr int SUPPORT_REPEL_BODIES = 6;             // bodies one pulse pushes at most
constexpr float SUPPORT_MUZZLE_SECONDS = 0.15f;
constexpr float SUPPORT_IMPACT_SECONDS = 0.42f;     // an impact flash shows this long
constexpr float SUPPORT_RING_SECONDS = 0.85f;       // the repel ring spreads this long
constexpr float SUPPORT_DIAL_GLOW_SECONDS = 0.6f;   // the dial glows this long after a pulse
constexpr float SUPPORT_IMPACT_IDLE_AGE = 10.0f;    // age of an impact slot never used

struct PlasmaBolt {
    Vector3 position;
    Vector3 previous;        // position before the last update
    Vector3 velocity;        // m/s
    float age;               // seconds in flight
    uint8_t active;
    uint8_t pad[3];
};

struct SupportImpact {
    Vector3 position;
    float age;               // seconds since the bolt ended here
};

struct Support {
    Vector3 dronePosition;   // the drone's centre
    Vector3 aim;             // unit direction of the last shot; (0, 0, 1) after reset
    Vector3 repelCentre;     // where the last pulse happened: (x, ground + 0.1, z)
    float droneClock;        // seconds of support time (the drone's bobbing)
    float droneTimer;        // seconds until the drone may fire
    float repelTimer;        // seconds until the next pulse
    float lastDroneInterval; // the intervals of the previous update (0: that aid was off)
    float lastRepelInterval;
    float sinceRepel;        // seconds since the last pulse; 10 after reset
    float muzzleFlash;       // 0.15 at a shot, counts down to 0
    uint8_t dronePlaced;     // the drone has a position (it jumps there the first time)
    uint8_t droneWasOn;      // the drone was enabled in the previous update
    uint8_t repelWasOn;      // the repel was enabled in the previous update
    uint8_t pad;
    int32_t shotsFired;      // shots since reset
    int32_t boltHits;        // bolts that struck a creature since reset
    int32_t pulses;          // repel pulses since reset
    int32_t lastTarget;      // creature slot the last shot aimed at; -1 after reset
    int32_t pushed;          // creatures the last pulse pushed
    int32_t impactNext;      // next entry of the impact ring, 0..5
    PlasmaBolt bolts[SUPPORT_BOLT_CAPACITY];
    SupportImpact impacts[SUPPORT_IMPACT_CAPACITY];
};

static_assert(sizeof(PlasmaBolt) == 44, "PlasmaBolt has no padding");
static_assert(sizeof(Support) == 92 + 4 * 44 + 6 * 16, "Support has no padding");

// What the repel dial shows this frame.
struct SupportDial {
    bool visible;            // the repel is on
    bool ring;               // the interval is known and positive, so the countdown ring can be drawn
    float glow;              // 1 at a pulse, fading to 0 over 0.6 s
    float fill;              // share of the interval that has passed, 0..1
    int seconds;             // seconds left, rounded up
};

// Zero-fill, then: 10 s since a pulse, no target, aim (0, 0, 1), every impact long faded.
void SupportReset(Support &support);
// One frame of support time. droneInterval and repelInterval are the shop's (0: that aid is
// off); a newly enabled drone fires at the first creature it sees, a newly enabled repel pulses
// one full interval later, and a shorter interval shortens a running timer at once. Bolts fly,
// scorch the first creature they meet, and end at the ground, the arena's edge or after 2 s.
// Nothing at all changes unless dt is finite and positive and the player position is finite.
void SupportUpdate(Support &support, MudPool &pool, Vector3 playerPosition, float dt, float droneInterval, float repelInterval);
// Ends every bolt, impact flash and repel ring at once (the timers keep running), so nothing
// hangs in the air while the world stands still.
void SupportClearShots(Support &support);
// The drone is drawn: enabled in the last update and placed.
bool SupportDroneShown(const Support &support);
// The repel dial's values; nothing visible while the repel is off.
SupportDial SupportDialState(const Support &support);

