// Field: the state of one run. One instance lives from start-up to shutdown and a new run
// resets it in place; nothing in it is allocated per frame.
#pragma once

#include "player/bindings.h"
#include "player/player.h"
#include "render/camera.h"

#include <cstdint>

constexpr uint32_t FIELD_DEVELOPER_SEED = 1906723731u;  // fixed seed of developer modes

struct Field {
    Player player;          // the astronaut's body and its pose
    Bindings bindings;      // which key means what, and the exchange schedule
    FollowCamera camera;    // follow camera with its zoom
    uint32_t seed;          // seed the run was started with

    float totalTime;        // seconds: sum of game-frame steps since the run began
    double runTime;         // seconds alive and not aboard the shuttle
    float deathTime;        // seconds since health reached zero with no revive left
    bool runActive;         // a run started from the menu is in progress
    bool newGameRequested;  // the menu asked for a new run; consumed by the next game frame
    bool debugPanelVisible; // developer panel shown
    bool immortal;          // developer toggle, forwarded to health every frame
    bool speedTimesTen;     // developer toggle, forwarded to the player every frame
};

// Starts a new run from `seed`: every subsystem reset, the player at the centre facing 0.4 rad,
// the camera snapped. Keeps the zoom the player chose and runActive.
void FieldReset(Field &field, uint32_t seed);
