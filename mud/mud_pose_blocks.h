// Layout of the two std140 uniform blocks MudPoseA and MudPoseB of the scene shader, filled by the
// mudling packing: plain vec4 arrays in declaration order, so each struct is copied into its
// buffer byte for byte. The renderer only uploads the bytes.
#pragma once

#include "raylib.h"

#include <cstddef>

constexpr int MUD_POSE_SLOTS = 48;          // mudling slots per block array
constexpr int MUD_POSE_LIMBS = 96;          // two limbs (or cavities, chunks) per slot
constexpr int MUD_POSE_TILE_COUNT = 144;    // 16 x 9 screen tiles
constexpr int MUD_POSE_A_BYTES = 13824;
constexpr int MUD_POSE_B_BYTES = 15360;
constexpr int MUD_POSE_A_BINDING = 0;       // uniform-buffer binding points
constexpr int MUD_POSE_B_BINDING = 1;

struct MudPoseBlockA {
    Vector4 mudBodies[MUD_POSE_SLOTS];        // centre xyz, drawing radius
    Vector4 mudShapes[MUD_POSE_SLOTS];        // scale xyz, heading
    Vector4 mudStates[MUD_POSE_SLOTS];        // strand, eyes, sheen, phase
    Vector4 mudPatches[MUD_POSE_SLOTS];       // spawn x, z, mound, crater
    Vector4 mudBursts[MUD_POSE_SLOTS];        // touchdown xyz, seconds since
    Vector4 mudImpacts[MUD_POSE_SLOTS];       // splash drop landing times
    Vector4 mudDashStarts[MUD_POSE_SLOTS];
    Vector4 mudDashEnds[MUD_POSE_SLOTS];
    Vector4 mudDashImpactsA[MUD_POSE_SLOTS];
    Vector4 mudDashImpactsB[MUD_POSE_SLOTS];
    Vector4 mudMergeBodies[MUD_POSE_SLOTS];
    Vector4 mudMergeShapes[MUD_POSE_SLOTS];
    Vector4 mudLegHips[MUD_POSE_LIMBS];
    Vector4 mudLegKnees[MUD_POSE_LIMBS];
    Vector4 mudLegFeet[MUD_POSE_LIMBS];
};

struct MudPoseBlockB {
    Vector4 mudWalkers[MUD_POSE_SLOTS];       // leg visibility, bound radius, drawn, partner + 1
    Vector4 mudGolemBodies[MUD_POSE_SLOTS];
    Vector4 mudGolemShapes[MUD_POSE_SLOTS];
    Vector4 mudArmShoulders[MUD_POSE_LIMBS];
    Vector4 mudArmElbows[MUD_POSE_LIMBS];
    Vector4 mudArmHands[MUD_POSE_LIMBS];
    Vector4 mudWounds[MUD_POSE_LIMBS];
    Vector4 mudDamageChunks[MUD_POSE_LIMBS];
    Vector4 mudCorpseMotion[MUD_POSE_SLOTS];
    Vector4 mudCorpseBase[MUD_POSE_SLOTS];
    Vector4 mudCorpsePlanes[MUD_POSE_SLOTS];
    Vector4 mudCutPlanes[MUD_POSE_SLOTS];
    Vector4 mudCutStates[MUD_POSE_SLOTS];
    Vector4 mudBossScars[MUD_POSE_SLOTS];
    Vector4 mudSpecials[MUD_POSE_SLOTS];
};

static_assert(sizeof(Vector4) == 16, "std140 vec4 arrays have a 16-byte stride");
static_assert(sizeof(MudPoseBlockA) == MUD_POSE_A_BYTES, "MudPoseA size");
static_assert(offsetof(MudPoseBlockA, mudBodies) == 0, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudShapes) == 768, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudStates) == 1536, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudPatches) == 2304, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudBursts) == 3072, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudImpacts) == 3840, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudDashStarts) == 4608, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudDashEnds) == 5376, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudDashImpactsA) == 6144, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudDashImpactsB) == 6912, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudMergeBodies) == 7680, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudMergeShapes) == 8448, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudLegHips) == 9216, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudLegKnees) == 10752, "MudPoseA layout");
static_assert(offsetof(MudPoseBlockA, mudLegFeet) == 12288, "MudPoseA layout");

static_assert(sizeof(MudPoseBlockB) == MUD_POSE_B_BYTES, "MudPoseB size");
static_assert(offsetof(MudPoseBlockB, mudWalkers) == 0, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudGolemBodies) == 768, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudGolemShapes) == 1536, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudArmShoulders) == 2304, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudArmElbows) == 3840, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudArmHands) == 5376, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudWounds) == 6912, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudDamageChunks) == 8448, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudCorpseMotion) == 9984, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudCorpseBase) == 10752, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudCorpsePlanes) == 11520, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudCutPlanes) == 12288, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudCutStates) == 13056, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudBossScars) == 13824, "MudPoseB layout");
static_assert(offsetof(MudPoseBlockB, mudSpecials) == 14592, "MudPoseB layout");
