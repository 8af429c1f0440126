// Mudling render data: fills the two MudPose blocks and the per-tile slot masks of the scene
// shader from the pool. Pure simulation code: the camera comes in as plain vectors.
//
// Contract with the shader beyond the block comments of mud/mud_pose_blocks.h:
// - mudImpacts: landing times of the four landing drops in seconds after the touchdown (the
//   clock of mudBursts.w), only while the touchdown is younger than 1.7 s; 0 for a drop that
//   never rises above the ground.
// - mudDashImpactsA/B: landing times of the six dash drops in seconds after the dash start (the
//   clock of mudDashStarts.w: emission time plus flight); 0 for a drop not emitted because the
//   dash ended first.
// - Tile masks: bit i of a tile is set wherever slot i's body, legs, arms, birth strand and
//   patch, landing or dash drops, fusion donor, corpse, debris, or the shadow of any of them on
//   the ground can be seen this frame. Extra bits are allowed; a missing one is a bug.
#pragma once

#include "mud/mud_pool.h"
#include "mud/mud_pose_blocks.h"

#include <cstddef>
#include <cstdint>

constexpr int MUD_TILE_COLUMNS = 16;
constexpr int MUD_TILE_ROWS = 9;             // row 0 at the bottom of the view
constexpr int MUD_PACK_RECORD_BYTES = 30336;
constexpr int MUD_PACK_ARRAY_COUNT = 30;     // vec4 arrays of both blocks

// Both blocks in their std140 layout, followed by `mudTiles`; cleared before every pack.
struct MudPackRecord {
    MudPoseBlockA a;
    MudPoseBlockB b;
    int32_t tiles[MUD_POSE_TILE_COUNT][2];   // per tile (row x 16 + column): slots 0..31, 32..47
};
static_assert(sizeof(MudPackRecord) == MUD_PACK_RECORD_BYTES, "MudPackRecord is both blocks and the tile masks");
static_assert(offsetof(MudPackRecord, b) == MUD_POSE_A_BYTES, "MudPoseB follows MudPoseA");
static_assert(offsetof(MudPackRecord, tiles) == MUD_POSE_A_BYTES + MUD_POSE_B_BYTES, "tiles follow both blocks");

// One vec4 array of a block: where it lives in the record and in its uniform buffer.
struct MudPackArray {
    int block;          // 0 MudPoseA, 1 MudPoseB
    int offset;         // std140 offset in the block, bytes
    int entries;        // vec4 entries (48 or 96); the first 2 x count of 96 are in use
    int perSlot;        // entries per slot: 1 or 2
    const char *name;
};
extern const MudPackArray MUD_PACK_ARRAYS[MUD_PACK_ARRAY_COUNT];

// Fills `record` from slots 0..count-1 (free slots included, so their craters stay drawn) for
// an orthographic camera at `cameraPosition` with unit `cameraRight` and `cameraUp`, a view
// `viewHeight` metres high and `aspect` = width / height. Returns mudCount (the pool's count).
// A non-finite or degenerate view marks every tile for every slot.
int MudPack(const MudPool &pool, MudPackRecord &record, Vector3 cameraPosition, Vector3 cameraRight, Vector3 cameraUp,
            float viewHeight, float aspect);

// Landing times of a slot's four landing drops, seconds after its touchdown (0 when a drop
// never rises above the terrain).
void MudPackSplashLandings(const MudSlot &slot, float landings[4]);
