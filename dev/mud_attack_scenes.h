// Scripted mudling scenes for the fusion and attack self-checks, benchmarks and captures: pure
// functions that set a pool up and say where the player stands. A capture drives them by
// calling MudPoolUpdate(pool, scene.player, dt) each frame (scene.dodge once the aim is locked).
#pragma once

#include "mud/mud_pool.h"

struct MudScene {
    Vector3 player;       // where the player stands
    Vector3 dodge;        // where a dodging player steps once the aim is locked
    int subject;          // the slot the scene is about
    int other;            // a second slot it involves (donor, bun, boss), or -1
};

// A formed creature standing at (x, z): a resting bun below mass 4, else walking. Slot or -1.
int MudSceneAddBody(MudPool &pool, float x, float z, float mass, float size);
// Boss `index` formed and resting at (x, z), ready to attack. Slot or -1.
int MudSceneAddBoss(MudPool &pool, float x, float z, int index);

// Two bodies of massA and massB touching far from the player, attacks off: one fusion.
MudScene MudSceneFusion(MudPool &pool, float massA, float massB);
// A resting one-clod bun 5 m from a standing player: a dash.
MudScene MudSceneDash(MudPool &pool);
// A walker beside a standing player: alternating kicks.
MudScene MudSceneKick(MudPool &pool);
// A golem beside a lone bun with the player 8 m ahead: grab, throw, puddle, reassembly.
MudScene MudSceneGolemThrow(MudPool &pool);
// A golem beside a standing player: alternating punches.
MudScene MudSceneGolemPunch(MudPool &pool);
// Boss 0 12 m from a standing player: a leap first, then a dash.
MudScene MudSceneBossAttacks(MudPool &pool);
constexpr int MUD_CROWD_MIXED = 0;     // 24 buns, 12 walkers, 12 golems
constexpr int MUD_CROWD_WALKERS = 1;   // 48 walkers
constexpr int MUD_CROWD_GOLEMS = 2;    // 16 golems among 32 one-clod buns

// 48 formed creatures on rings around a player at the origin, merging off so the count stays.
MudScene MudSceneCrowd(MudPool &pool, int kind);
