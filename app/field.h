// Field: the state of one run. One instance lives from start-up to shutdown and a new run
// resets it in place, subsystem by subsystem; nothing in it is allocated per frame. Members that
// own GPU objects or heap memory survive FieldReset untouched (their resets only clear them).
#pragma once

#include "player/bindings.h"
#include "player/health.h"
#include "player/meteor.h"
#include "player/spike.h"
#include "player/support.h"
#include "audio/audio_scene.h"
#include "campaign/campaign.h"
#include "campaign/eye_coins.h"
#include "campaign/ship.h"
#include "campaign/shop.h"
#include "frontend/profile.h"
#include "mud/mud_pool.h"
#include "world/soil.h"
#include "world/tracks.h"
#include "player/player.h"
#include "world/camera.h"

#include <cstdint>

constexpr uint32_t FIELD_DEVELOPER_SEED = 1906723731u;  // fixed seed of developer modes
constexpr float FIELD_DEATH_RESET_SECONDS = 2.0f;       // dead this long without a revive: run over
constexpr float FIELD_PLAYER_CONTACT_RADIUS = 0.27f;    // metres: the body the creatures touch
constexpr int FIELD_AMBIENT_LIMIT = 12;                 // creatures born around the player outside a campaign

// Values the loop owns that a new run keeps, together so one assignment keeps them all.
struct FieldLoopFlags {
    bool runActive;         // a run started from the menu is in progress
    bool newGameRequested;  // the menu asked for a new run; consumed by the next game frame
    bool debugPanelVisible; // developer panel shown
    bool immortal;          // developer toggle, forwarded to health every frame
    bool speedTimesTen;     // developer toggle, forwarded to the player every frame
    bool campaign;          // runs follow the campaign's levels (normal play); off: ambient creatures
};

struct Field {
    Player player;          // the astronaut's body and its pose
    Bindings bindings;      // which key means what, and the exchange schedule
    Health health;          // quarter hearts, invulnerability, revives
    MeteorSystem meteors;   // the meteors called down and the casts waiting
    SpikeSystem spikes;     // the blades thrown and the launches waiting
    Support support;        // the bought drone and repel wave
    Ship ship;              // the crashed shuttle, the crystal and the finale
    ShopState shop;         // the upgrade levels in force and the revives spent in this run
    AudioScene audio;       // what the run sounded like last frame, and this frame's cues
    FollowCamera camera;    // follow camera with its zoom
    uint32_t seed;          // seed the run was started with
    Soil soil;              // clay pressed into the ground; its grids are heap memory made at start-up
    TrackAtlas tracks;      // prints and strips in the mud; its targets and tiles are made at start-up
    MudPool mud;            // every creature of the run
    Campaign campaign;      // the level clock, the director, the bosses and the rolling rows
    EyeCoins coins;         // the eyes the dead leave and the wallet; the eyes' storage is heap memory

    float totalTime;        // seconds: sum of game-frame steps since the run began
    double runTime;         // seconds alive and not aboard the shuttle
    double deathTime;       // seconds since health reached zero with no revive left
    FieldLoopFlags loop;
};

// Starts a new run from `seed`: each subsystem's reset in turn, the player at the centre facing
// 0.4 rad, the camera snapped. Keeps the zoom the player chose, the loop's flags and the shop's
// levels and wallet (taken from `profile` when one is given); the revives spent start again from 0.
void FieldReset(Field &field, uint32_t seed, const Profile *profile = nullptr);
// Frees what a run holds on the heap (the eyes' storage, the soil's grids); safe twice.
void FieldRelease(Field &field);
// Copies what the run earns and spends into the profile: the wallet and the shop's levels.
void FieldSyncProfile(const Field &field, Profile &profile);
// The scene audio observer's look at the run after a step of dt (0: memories only, no sound).
void FieldObserveSound(Field &field, float dt);
// The campaign has been won: only the shuttle's finale is left.
bool FieldVictory(const Field &field);
