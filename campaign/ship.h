// Ship: the crashed shuttle of a run and the finale's state machine. The wreck stands beside the
// player from the start, its hull is a solid circle the player slides along, the final boss drops
// the crystal, the player carries it back, the engine is repaired, the player boards and the
// shuttle launches until it has departed.
//
// Pure simulation: no window, no GL. What it needs from outside (the final boss, the ground the
// crystal lands on) is handed in. The guidance texts and markers are drawn by hud/ship_draw.h.
#pragma once

#include "raylib.h"

#include <cstdint>

constexpr float SHIP_HULL_RADIUS = 0.88f;          // metres: the player's collision circle around the base
constexpr float SHIP_SLIDE_MARGIN = 0.0001f;       // metres a slid body is kept outside the circle
constexpr float SHIP_FOOTPRINT_RADIUS = 1.55f;     // metres of arena clearance around the wreck
constexpr float SHIP_CREATURE_RADIUS = 1.1f;       // metres: the mudlings' obstacle cylinder
constexpr float SHIP_CREATURE_HEIGHT = 3.55f;      // metres; the cylinder is dropped above this altitude
constexpr float SHIP_PICKUP_RADIUS = 0.55f;        // metres from the crystal to the player's step
constexpr float SHIP_INSTALL_RADIUS = 3.4f;        // metres from the base at which the crystal flies in
constexpr float SHIP_BOARD_RADIUS = 0.64f;         // metres from the hatch
constexpr float SHIP_BOARD_DELAY = 0.65f;          // seconds after the repair before the hatch opens
constexpr float SHIP_LAUNCH_SECONDS = 4.6f;        // seconds from boarding to departure
constexpr float SHIP_IGNITION_SECONDS = 0.45f;     // seconds the engines burn before the lift-off
constexpr float SHIP_LAUNCH_ACCELERATION = 2.35f;  // altitude = this x (time past ignition)^2
constexpr float SHIP_FLIGHT_SECONDS = 0.85f;       // seconds of the toss and of the installation
constexpr float SHIP_CRYSTAL_CLEARANCE = 1.58f;    // metres: the crystal never lands closer to the base
constexpr float SHIP_TOSS_DISTANCE = 4.5f;         // metres from the boss to the landing point
constexpr int SHIP_TOSS_CANDIDATES = 24;
constexpr float SHIP_CARRY_HEIGHT = 1.15f;         // metres above the player's feet
constexpr int SHIP_FINAL_LEVEL = 4;                // the campaign level whose boss holds the crystal
constexpr Vector3 SHIP_HATCH_OFFSET = {0.0f, 0.0f, 1.35f};
constexpr Vector3 SHIP_SOCKET_OFFSET = {0.83f, 1.65f, 0.48f};   // y is above base + altitude

enum ShipPhase : int32_t {
    SHIP_WRECKED = 0,
    SHIP_REPAIRED = 1,
    SHIP_LAUNCHING = 2,   // the player is aboard from here on
    SHIP_DEPARTED = 3,    // the victory screen
};

enum ShipCrystalState : int32_t {
    SHIP_CRYSTAL_NONE = 0,
    SHIP_CRYSTAL_DROPPED = 1,      // tossed, then lying and bobbing
    SHIP_CRYSTAL_ATTRACTED = 2,    // flying to the player
    SHIP_CRYSTAL_CARRIED = 3,      // floating above the player
    SHIP_CRYSTAL_INSTALLING = 4,   // flying into the socket
    SHIP_CRYSTAL_INSTALLED = 5,
};

struct Ship {
    Vector3 position;        // base point; y is the ground height there
    Vector3 crystal;         // current crystal position
    Vector3 crystalFrom;     // start of the crystal's current flight (toss or installation)
    Vector3 bossPoint;       // last observed position of the final boss
    Vector3 crystalTarget;   // landing point of the toss; y = ground + 0.4
    Vector3 playerSeen;      // player position at the last reset or update
    float clock;             // seconds since the run began
    float phaseTime;         // seconds in the current phase
    float crystalTime;       // seconds in the current crystal state
    float altitude;          // metres risen above the base
    float smoke;             // 0..1, the wreck's smoke
    ShipPhase phase;
    ShipCrystalState crystalState;
    bool bossSeen;           // a final-boss position has been recorded
    bool enabled;            // this run has a shuttle; every operation ignores a disabled one
};

// What the shuttle sees of the campaign and the final boss in one watch.
struct ShipBossView {
    int level;                 // campaign level 1..4 (0: no campaign)
    int phase;                 // campaign phase: 0 ordinary, 1 boss gate, 2 victory
    int bossCount;             // bosses the campaign lists for its gate, 0..2
    bool bossPresent[2];       // the listed slot index is valid and the slot still holds a boss
    Vector3 bossPosition[2];   // that slot's position
    // Ground as the mudling world reports it (birth mounds and craters included); null: terrain.
    float (*groundHeight)(const void *context, float x, float z);
    const void *groundContext;
};

// Where a marker stands in the view and which way its chevron points.
struct ShipMarker {
    Vector2 point;       // pixels in the view
    Vector2 direction;   // unit: outward when off-screen, (0, 1) down when on screen
    bool onScreen;
};

// New wreck beside `player`: the first candidate offset that stays 2 m away once clamped into the
// arena, smoke 1, no crystal, no boss record. Returns the player position moved out of the hull
// for a body of `bodyRadius` (unchanged when it was clear; a non-finite one is taken as the centre).
Vector3 ShipReset(Ship &ship, Vector3 player, float bodyRadius);
// One step of the finale with the player's position before and after this frame's movement.
// True exactly in the step in which the shuttle departs. Nothing changes unless dt is finite and
// positive and the shuttle is enabled.
bool ShipUpdate(Ship &ship, Vector3 playerBefore, Vector3 playerAfter, float dt);
// Records the final boss while its gate runs and drops the crystal once the campaign reaches
// victory; only on the final level and only once per run.
void ShipWatchFinalBoss(Ship &ship, const ShipBossView &view);
// The proposed position of a body of `radius` corrected against the hull (sliding along it) and
// clamped into the arena; y is the proposed one. The hull stops blocking once the shuttle launches.
Vector3 ShipSlideBody(const Ship &ship, Vector3 previous, Vector3 proposed, float radius);
// The player is aboard: launching or departed.
bool ShipPlayerAboard(const Ship &ship);
Vector3 ShipHatchPoint(const Ship &ship);
Vector3 ShipSocketPoint(const Ship &ship);
// The mudlings' obstacle cylinder exists: enabled, not departed and lower than its height.
bool ShipObstacleActive(const Ship &ship);
// A body of `radius` at `position` overlaps the hull circle while the hull blocks.
bool ShipHullOverlaps(const Ship &ship, Vector3 position, float radius);
// The scene's blob shadow: (x, y + altitude, z, e^(-0.35 altitude)); zeros without a shuttle or
// once departed.
Vector4 ShipShadow(const Ship &ship);
// The victory screen's "Выйти в меню" button for a view of that size.
Rectangle ShipExitButtonRect(float viewWidth, float viewHeight);
// Marker for `target` seen by the orthographic camera (position, right and up axes, view height
// in metres) in a view of `viewSize` pixels; on screen it hovers above the target with `clock`.
ShipMarker ShipMarkerPlace(Vector3 target, Vector3 cameraPosition, Vector3 cameraRight, Vector3 cameraUp,
                           float viewHeightMetres, Vector2 viewSize, float clock);
// Top-left corner of a marker's label of `textSize` pixels: behind an off-screen arrow, above an
// on-screen one, kept 12 px from the sides and between y = 94 and the bottom margin.
Vector2 ShipMarkerLabelOrigin(const ShipMarker &marker, Vector2 textSize, Vector2 viewSize);
