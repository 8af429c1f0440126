// Mudling render data: one pass over the used slots filling both blocks, then the tile masks.
//
// Index
//   [SECTION] Arrays
//   [SECTION] Arm pose
//   [SECTION] Drops
//   [SECTION] Tiles
//   [SECTION] Packing
#include "mud/mud_pack.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "mud/mud_golem.h"
#include "world/terrain.h"

#include <cmath>
#include <cstring>

// [SECTION] Arrays

#define MUD_A(member, per) {0, (int)offsetof(MudPoseBlockA, member), (int)(sizeof(MudPoseBlockA::member) / 16), per, #member}
#define MUD_B(member, per) {1, (int)offsetof(MudPoseBlockB, member), (int)(sizeof(MudPoseBlockB::member) / 16), per, #member}
const MudPackArray MUD_PACK_ARRAYS[MUD_PACK_ARRAY_COUNT] = {
    MUD_A(mudBodies, 1), MUD_A(mudShapes, 1), MUD_A(mudStates, 1), MUD_A(mudPatches, 1),
    MUD_A(mudBursts, 1), MUD_A(mudImpacts, 1), MUD_A(mudDashStarts, 1), MUD_A(mudDashEnds, 1),
    MUD_A(mudDashImpactsA, 1), MUD_A(mudDashImpactsB, 1), MUD_A(mudMergeBodies, 1), MUD_A(mudMergeShapes, 1),
    MUD_A(mudLegHips, 2), MUD_A(mudLegKnees, 2), MUD_A(mudLegFeet, 2),
    MUD_B(mudWalkers, 1), MUD_B(mudGolemBodies, 1), MUD_B(mudGolemShapes, 1),
    MUD_B(mudArmShoulders, 2), MUD_B(mudArmElbows, 2), MUD_B(mudArmHands, 2),
    MUD_B(mudWounds, 2), MUD_B(mudDamageChunks, 2),
    MUD_B(mudCorpseMotion, 1), MUD_B(mudCorpseBase, 1), MUD_B(mudCorpsePlanes, 1),
    MUD_B(mudCutPlanes, 1), MUD_B(mudCutStates, 1), MUD_B(mudBossScars, 1), MUD_B(mudSpecials, 1),
};
#undef MUD_A
#undef MUD_B

static float Frac(float x) { return x - std::floor(x); }
static Vector4 V4(Vector3 v, float w) { return {v.x, v.y, v.z, w}; }

// Body frame (x sideways, y up, z forward) to world directions.
static Vector3 BodyToWorld(float yaw, Vector3 local)
{
    float c = std::cos(yaw), s = std::sin(yaw);
    return {local.x * c + local.z * s, local.y, -local.x * s + local.z * c};
}

// [SECTION] Arm pose

// The golem arm pose of a living slot; false while the slot has no arms.
static bool ArmPose(const MudPool &pool, int i, MudArmPose *arms)
{
    bool valid = false;
    *arms = MudGolemArmPose(pool.slots[i], &valid);
    return valid;
}

// [SECTION] Drops

struct Drop {
    Vector3 start;
    Vector3 velocity;
    float radius;
};

static float DropGround(const MudPool *pool, float x, float z) { return pool ? MudGroundHeight(*pool, x, z) : TerrainHeight(x, z); }

// First time after launch at which the drop's bottom is back on the ground; 0 for a drop that
// never rises above it. Flat-ground root, refined on the real ground.
static float DropLanding(const Drop &drop, const MudPool *pool)
{
    float bottom = drop.start.y - drop.radius;
    float vy = drop.velocity.y;
    float c = bottom - DropGround(pool, drop.start.x, drop.start.z);
    float disc = vy * vy + 19.6f * c;
    if (!(disc >= 0.0f)) return 0.0f;
    float t = (vy + std::sqrt(disc)) / 9.8f;
    float apex = std::fmax(vy / 9.8f, 0.0f);
    for (int k = 0; k < 4; k++) {
        float x = drop.start.x + drop.velocity.x * t, z = drop.start.z + drop.velocity.z * t;
        float f = bottom + vy * t - 4.9f * t * t - DropGround(pool, x, z);
        float slope = std::fmin(vy - 9.8f * t, -0.1f);
        t = std::fmax(t - f / slope, apex);
    }
    return IsFinite(t) && t > 0.0f ? t : 0.0f;
}

static Vector3 DropAt(const Drop &drop, float t)
{
    return {drop.start.x + drop.velocity.x * t, drop.start.y + drop.velocity.y * t - 4.9f * t * t,
            drop.start.z + drop.velocity.z * t};
}

static Drop SplashDrop(const MudSlot &s, int j)
{
    float seed = s.phase + 13.71f * (float)j;
    float angle = 4.18f * seed;
    float speed = 1.1f + 0.8f * Frac(seed);
    Drop drop;
    drop.start = s.touchdown;
    drop.velocity = {std::cos(angle) * speed, 2.0f + 1.4f * Frac(3.1f * seed), std::sin(angle) * speed};
    drop.radius = 0.055f + 0.045f * Frac(7.3f * seed);
    return drop;
}

void MudPackSplashLandings(const MudSlot &slot, float landings[4])
{
    for (int j = 0; j < 4; j++) landings[j] = DropLanding(SplashDrop(slot, j), nullptr);
}

static bool DashOnShow(const MudSlot &s) { return s.dashDuration > 0.03f && s.dashElapsed < 1.6f; }

// Dash drop j, launched `*emission` seconds after the dash start; false when the dash ended first.
static bool DashDrop(const MudPool &pool, const MudSlot &s, int j, Drop *drop, float *emission)
{
    *emission = 0.03f + 0.08f * (float)j;
    if (!(*emission < s.dashDuration)) return false;
    Vector3 line = {s.dashTo.x - s.dashFrom.x, 0.0f, s.dashTo.z - s.dashFrom.z};
    float length = LengthXZ(line);
    Vector3 dir = length > 1e-5f ? line * (1.0f / length) : Vector3{std::sin(s.yaw), 0.0f, std::cos(s.yaw)};
    Vector3 right = {dir.z, 0.0f, -dir.x};
    float side = (j & 1) ? 1.0f : -1.0f;
    float seed = s.phase + 11.31f * (float)j;
    Vector3 point = Vector3Lerp(s.dashFrom, s.dashTo, *emission / s.dashDuration);
    drop->start = point + right * (side * 0.65f * MudBodyRadius(s));
    drop->start.y = MudGroundHeight(pool, drop->start.x, drop->start.z) + 0.18f;
    drop->velocity = dir * -0.65f + right * (side * (1.7f + 0.6f * Frac(seed)));
    drop->velocity.y = 1.8f + 0.7f * Frac(3.1f * seed);
    drop->radius = 0.045f + 0.025f * Frac(7.3f * seed);
    return true;
}

// [SECTION] Tiles

struct TileView {
    Vector3 position, right, up;
    float width, height;   // metres
    bool valid;
};

static void MarkAll(MudPackRecord &record, int slot)
{
    for (int t = 0; t < MUD_POSE_TILE_COUNT; t++) record.tiles[t][slot / 32] |= (int32_t)(1u << (slot % 32));
}

// Marks the tiles a circle of `radius` around `p` covers on screen.
static void Mark(MudPackRecord &record, const TileView &view, int slot, Vector3 p, float radius)
{
    if (!view.valid || !IsFinite(p) || !IsFinite(radius)) {
        MarkAll(record, slot);
        return;
    }
    radius = std::fmax(radius, 0.0f);
    Vector3 d = p - view.position;
    float u = Vector3DotProduct(d, view.right) / view.width + 0.5f;
    float v = Vector3DotProduct(d, view.up) / view.height + 0.5f;
    float c0 = (u - radius / view.width) * MUD_TILE_COLUMNS, c1 = (u + radius / view.width) * MUD_TILE_COLUMNS;
    float r0 = (v - radius / view.height) * MUD_TILE_ROWS, r1 = (v + radius / view.height) * MUD_TILE_ROWS;
    if (c1 < 0.0f || c0 >= (float)MUD_TILE_COLUMNS || r1 < 0.0f || r0 >= (float)MUD_TILE_ROWS) return;
    int col0 = (int)std::floor(ClampSafe(c0, 0.0f, MUD_TILE_COLUMNS - 1.0f));
    int col1 = (int)std::floor(ClampSafe(c1, 0.0f, MUD_TILE_COLUMNS - 1.0f));
    int row0 = (int)std::floor(ClampSafe(r0, 0.0f, MUD_TILE_ROWS - 1.0f));
    int row1 = (int)std::floor(ClampSafe(r1, 0.0f, MUD_TILE_ROWS - 1.0f));
    int32_t bit = (int32_t)(1u << (slot % 32));
    for (int row = row0; row <= row1; row++)
        for (int col = col0; col <= col1; col++) record.tiles[row * MUD_TILE_COLUMNS + col][slot / 32] |= bit;
}

// Where the sun casts point p on the ground below it; the ground's own height is taken into
// account, since a raised or sunken patch of terrain moves the shadow on screen.
static Vector3 ShadowPoint(Vector3 p)
{
    float ground = TerrainHeight(p.x, p.z);
    float above = p.y - ground;
    return {p.x + 0.12f * above, ground, p.z - 0.08f * above};
}

// Reach of a body ellipsoid's shadow around its shadow point: the soft edge widens with the
// height above the ground.
static float ShadowReach(Vector3 centre, Vector3 radii, float floorRadius)
{
    float largest = std::fmax(std::fmax(radii.x, radii.y), std::fmax(radii.z, 0.02f));
    float above = std::fmax(0.0f, centre.y - TerrainHeight(centre.x, centre.z) - radii.y);
    return std::fmax(floorRadius, largest * (1.22f + 0.1f * above) + 0.05f);
}

// [SECTION] Packing

static float LegBound(const MudLegPose &legs, Vector3 centre, float R)
{
    float bound = 1.8f * R;
    for (int k = 0; k < 2; k++) {
        bound = std::fmax(bound, Vector3Distance(legs.hip[k], centre) + 1.6f * legs.radius);
        bound = std::fmax(bound, Vector3Distance(legs.knee[k], centre) + 1.6f * legs.radius);
        bound = std::fmax(bound, Vector3Distance(legs.foot[k], centre) + 1.6f * legs.radius);
    }
    return bound + 0.16f;
}

static float ArmBound(const MudArmPose &arms, Vector3 centre)
{
    float bound = Vector3Length(arms.torsoRadii) + Vector3Distance(arms.torsoCentre, centre);
    for (int k = 0; k < 2; k++) {
        bound = std::fmax(bound, Vector3Distance(arms.shoulder[k], centre) + 1.65f * arms.radius);
        bound = std::fmax(bound, Vector3Distance(arms.elbow[k], centre) + 1.65f * arms.radius);
        bound = std::fmax(bound, Vector3Distance(arms.hand[k], centre) + 1.65f * arms.radius);
    }
    return bound + 0.2f;
}

static bool SlotLegs(const MudSlot &s, MudLegPose *legs)
{
    if (s.state == MUD_CORPSE) {
        *legs = s.wounds.frozenLegs;
        return legs->visibility > 0.001f;
    }
    bool valid = false;
    *legs = MudGaitLegPose(s, &valid);
    return valid;
}

static bool SlotArms(const MudPool &pool, int i, MudArmPose *arms)
{
    const MudSlot &s = pool.slots[i];
    if (s.state == MUD_CORPSE) {
        *arms = s.wounds.frozenArms;
        return arms->visibility > 0.001f;
    }
    return ArmPose(pool, i, arms);
}

// Combined leg and arm bound of a slot (0 without limbs).
static float LimbBound(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    MudLegPose legs;
    MudArmPose arms;
    float bound = 0.0f;
    if (SlotLegs(s, &legs)) bound = LegBound(legs, s.position, MudBodyRadius(s));
    if (SlotArms(pool, i, &arms)) bound = std::fmax(bound, ArmBound(arms, s.position));
    return bound;
}

static void PackWounds(const MudSlot &s, const MudLegPose *legs, const MudArmPose *arms, MudPackRecord &record, int i)
{
    float R = MudBodyRadius(s);
    int count = ClampInt(s.wounds.woundCount, 0, 2);
    float volumeScale = std::cbrt(std::fmax(s.scale.x * s.scale.y * s.scale.z, 0.0001f));
    for (int k = 0; k < count; k++) {
        Vector4 cavity = s.wounds.cavities[k];
        Vector3 anchor = s.position;
        int part = s.wounds.cavityPart[k];
        float at = s.wounds.cavityAt[k];
        if ((part == 1 || part == 2) && arms)
            anchor = MudGaitLimbPoint(arms->shoulder[part - 1], arms->elbow[part - 1], arms->hand[part - 1], at);
        if ((part == 3 || part == 4) && legs)
            anchor = MudGaitLimbPoint(legs->hip[part - 3], legs->knee[part - 3], legs->foot[part - 3], at);
        Vector3 offset = {cavity.x * R * s.scale.x, cavity.y * R * s.scale.y, cavity.z * R * s.scale.z};
        record.b.mudWounds[2 * i + k] = V4(anchor + BodyToWorld(s.yaw, offset), cavity.w * R * volumeScale);
    }
}

// The stored body-frame cut plane (normal times scale, offset / R) back in world terms.
static void PackCut(const MudSlot &s, MudPackRecord &record, int i)
{
    if (!s.wounds.planarCut) return;
    Vector4 cut = s.wounds.cutPlane;
    Vector3 local = {s.scale.x != 0.0f ? cut.x / s.scale.x : 0.0f, 0.0f, s.scale.z != 0.0f ? cut.z / s.scale.z : 0.0f};
    Vector3 normal = BodyToWorld(s.yaw, local);
    float length = LengthXZ(normal);
    if (!(length >= 1e-5f)) return;
    normal = normal * (1.0f / length);
    float offset = -(normal.x * s.position.x + normal.z * s.position.z) + MudBodyRadius(s) * cut.w / length;
    record.b.mudCutPlanes[i] = {normal.x, 0.0f, normal.z, offset};
    record.b.mudCutStates[i] = {1.0f, 0.0f, 0.0f, 0.0f};
}

static void PackSlot(const MudPool &pool, int i, MudPackRecord &record, const TileView &view)
{
    const MudSlot &s = pool.slots[i];
    MudPoseBlockA &a = record.a;
    MudPoseBlockB &b = record.b;
    float R = MudBodyRadius(s);
    bool hidden = s.state == MUD_ABSORBED || s.state == MUD_FREE;
    bool corpse = s.state == MUD_CORPSE;
    bool depositing = corpse && !s.wounds.finalDeposit;
    bool drawn = s.mass > 0.0f && s.state != MUD_BURIED && !hidden && !(corpse && s.wounds.finalDeposit);

    a.mudBodies[i] = V4(s.position, MudBodyScale(s));
    a.mudShapes[i] = V4(s.scale, s.yaw);
    a.mudStates[i] = {s.spray, hidden ? 0.0f : s.presence, (1.0f - s.dryness) * s.wetness, s.phase};
    a.mudPatches[i] = {s.spawnPoint.x, s.spawnPoint.z, s.mound, s.emergence};
    a.mudBursts[i] = V4(s.touchdown, s.sinceTouchdown);
    bool splash = s.sinceTouchdown < 1.7f;
    float landings[4] = {};
    if (splash) {
        MudPackSplashLandings(s, landings);
        a.mudImpacts[i] = {landings[0], landings[1], landings[2], landings[3]};
    }
    b.mudSpecials[i] = {s.hitFlash, s.sinceHit, s.boss ? (s.gatherer ? 2.0f : 1.0f) : 0.0f, s.roller ? 1.0f : 0.0f};
    if (s.boss || s.hitKind > 2.5f) {
        Vector3 local = s.hitPoint * R;
        if (s.hitKind > 2.5f) local = {local.x * s.scale.x, local.y * s.scale.y, local.z * s.scale.z};
        b.mudBossScars[i] = V4(s.position + BodyToWorld(s.yaw, local), s.hitKind);
    }

    // Limbs and the bound radius the shader marches within.
    float bound = 0.0f;
    MudLegPose legs;
    bool hasLegs = SlotLegs(s, &legs);
    if (hasLegs) {
        float w = legs.radius * legs.visibility;
        for (int k = 0; k < 2; k++) {
            a.mudLegHips[2 * i + k] = V4(legs.hip[k], w);
            a.mudLegKnees[2 * i + k] = V4(legs.knee[k], w);
            a.mudLegFeet[2 * i + k] = V4(legs.foot[k], w);
        }
        bound = LegBound(legs, s.position, R);
    }
    float legBound = bound;
    MudArmPose arms;
    bool hasArms = SlotArms(pool, i, &arms);
    if (hasArms) {
        float w = arms.radius * arms.visibility;
        b.mudGolemBodies[i] = V4(arms.torsoCentre, arms.visibility);
        b.mudGolemShapes[i] = V4(arms.torsoRadii, 0.0f);
        for (int k = 0; k < 2; k++) {
            b.mudArmShoulders[2 * i + k] = V4(arms.shoulder[k], w);
            b.mudArmElbows[2 * i + k] = V4(arms.elbow[k], w);
            b.mudArmHands[2 * i + k] = V4(arms.hand[k], w);
        }
        bound = std::fmax(bound, ArmBound(arms, s.position));
    } else if (s.walkerGrowth <= 0.001f && s.scale.y <= 0.42f) {
        // A flat bun lies along the ground's slope.
        float x = s.position.x, z = s.position.z;
        b.mudGolemShapes[i] = {(TerrainHeight(x + 0.1f, z) - TerrainHeight(x - 0.1f, z)) / 0.2f, 0.0f,
                               (TerrainHeight(x, z + 0.1f) - TerrainHeight(x, z - 0.1f)) / 0.2f, 0.0f};
    }
    float armBound = bound;
    PackWounds(s, hasLegs ? &legs : nullptr, hasArms ? &arms : nullptr, record, i);
    PackCut(s, record, i);

    if (depositing) {
        Vector4 plane = s.wounds.deathPlane;
        b.mudCorpsePlanes[i] = plane;
        b.mudCorpseMotion[i] = {plane.x, plane.z, s.separation, s.compression};
        b.mudCorpseBase[i] = {s.wounds.groundLevel[0], s.wounds.groundLevel[1], 1.0f, s.wounds.split ? 1.0f : 0.0f};
        bound = std::fmax(bound, s.wounds.corpseBound + s.separation + 0.2f);
    }
    for (int k = 0; k < 2; k++)
        if (s.debris[k].active) b.mudDamageChunks[2 * i + k] = V4(s.debris[k].position, s.debris[k].radius);

    bool dash = DashOnShow(s);
    float dashLandings[6] = {};
    if (dash) {
        a.mudDashStarts[i] = V4(s.dashFrom, s.dashElapsed);
        a.mudDashEnds[i] = V4(s.dashTo, s.dashDuration);
        for (int j = 0; j < 6; j++) {
            Drop drop;
            float emission;
            if (DashDrop(pool, s, j, &drop, &emission)) dashLandings[j] = emission + DropLanding(drop, &pool);
        }
        a.mudDashImpactsA[i] = {dashLandings[0], dashLandings[1], dashLandings[2], dashLandings[3]};
        a.mudDashImpactsB[i] = {dashLandings[4], dashLandings[5], 0.0f, 0.0f};
    }

    int donor = s.state == MUD_ABSORBING && MudPoolIndexValid(pool, s.partner) && s.partner != i ? s.partner : -1;
    float donorBound = 0.0f;
    if (donor >= 0) {
        const MudSlot &d = pool.slots[donor];
        a.mudMergeBodies[i] = V4(d.position, MudBodyScale(d));
        a.mudMergeShapes[i] = V4(d.scale, d.yaw);
        donorBound = LimbBound(pool, donor);
        if (donorBound > 0.0f) bound = std::fmax(bound, Vector3Distance(s.position, d.position) + donorBound);
    }
    b.mudWalkers[i] = {hasLegs ? legs.visibility : 0.0f, bound, drawn ? 1.0f : 0.0f, donor >= 0 ? (float)(donor + 1) : 0.0f};

    // Tile masks.
    Vector3 radii = {R * std::fabs(s.scale.x), R * std::fabs(s.scale.y), R * std::fabs(s.scale.z)};
    Mark(record, view, i, s.position, 2.5f * R + 0.8f);
    Mark(record, view, i, ShadowPoint(s.position), ShadowReach(s.position, radii, 2.2f * R));
    Mark(record, view, i, {s.spawnPoint.x, TerrainHeight(s.spawnPoint.x, s.spawnPoint.z), s.spawnPoint.z}, 1.8f);
    if (splash) {
        float latest = std::fmax(std::fmax(landings[0], landings[1]), std::fmax(landings[2], landings[3]));
        if (s.sinceTouchdown < latest + 0.48f) {
            Mark(record, view, i, s.touchdown, 3.2f);
            // Drops from a high touchdown (a golem, a boss) fall farther than the splash circle.
            for (int j = 0; j < 4; j++) {
                Drop drop = SplashDrop(s, j);
                if (s.sinceTouchdown < landings[j]) {
                    Mark(record, view, i, DropAt(drop, s.sinceTouchdown), drop.radius + 0.05f);
                } else if (s.sinceTouchdown < landings[j] + 0.48f) {
                    Vector3 landing = DropAt(drop, landings[j]);
                    Mark(record, view, i, landing, 3.9f * drop.radius + 0.75f);
                }
            }
        }
    }
    if (hasLegs) {
        float w = legs.radius * legs.visibility;
        for (int k = 0; k < 2; k++) Mark(record, view, i, ShadowPoint(legs.foot[k]), 2.8f * w + 0.3f);
        Mark(record, view, i, s.position, legBound);
    }
    if (hasArms) {
        Mark(record, view, i, s.position, armBound);
        Mark(record, view, i, ShadowPoint(s.position), armBound);
    }
    if (depositing) {
        float g0 = s.wounds.groundLevel[0], g1 = s.wounds.groundLevel[1];
        Vector3 centre = {s.position.x, (s.position.y - g0) * s.compression + g1, s.position.z};
        float reach = s.wounds.corpseBound + s.separation;
        Mark(record, view, i, centre, reach + 0.2f);
        Mark(record, view, i, ShadowPoint(centre), reach + 0.3f);
    }
    for (int k = 0; k < 2; k++) {
        const MudDebris &chunk = s.debris[k];
        if (!chunk.active) continue;
        Mark(record, view, i, chunk.position, chunk.radius + 0.2f);
        Mark(record, view, i, ShadowPoint(chunk.position), 1.5f * chunk.radius + 0.25f);
    }
    if (donor >= 0) {
        const MudSlot &d = pool.slots[donor];
        float Rd = MudBodyRadius(d);
        Vector3 donorRadii = {Rd * std::fabs(d.scale.x), Rd * std::fabs(d.scale.y), Rd * std::fabs(d.scale.z)};
        Mark(record, view, i, d.position, 2.5f * Rd + 0.8f);
        Mark(record, view, i, ShadowPoint(d.position), ShadowReach(d.position, donorRadii, 2.2f * Rd));
        if (donorBound > 0.0f) {
            Mark(record, view, i, d.position, donorBound);
            Mark(record, view, i, ShadowPoint(d.position), donorBound);
        }
    }
    if (dash) {
        Vector3 middle = Vector3Lerp(s.dashFrom, s.dashTo, 0.5f);
        Mark(record, view, i, middle, 0.5f * Vector3Distance(s.dashFrom, s.dashTo) + 2.2f);
        for (int j = 0; j < 6; j++) {
            Drop drop;
            float emission;
            if (!DashDrop(pool, s, j, &drop, &emission) || s.dashElapsed < emission) continue;
            float age = s.dashElapsed - emission, flight = dashLandings[j] - emission;
            if (age < flight) Mark(record, view, i, DropAt(drop, age), drop.radius + 0.05f);
            else if (age < flight + 0.36f) Mark(record, view, i, DropAt(drop, flight), 3.5f * drop.radius + 0.6f);
        }
    }
}

int MudPack(const MudPool &pool, MudPackRecord &record, Vector3 cameraPosition, Vector3 cameraRight, Vector3 cameraUp,
            float viewHeight, float aspect)
{
    memset(&record, 0, sizeof(record));
    TileView view{};
    view.position = cameraPosition;
    view.right = cameraRight;
    view.up = cameraUp;
    view.height = viewHeight;
    view.width = viewHeight * aspect;
    view.valid = IsFinite(cameraPosition) && IsFinite(cameraRight) && IsFinite(cameraUp) && IsFinite(view.width) &&
                 viewHeight > 0.0f && aspect > 0.0f;
    int count = ClampInt(pool.count, 0, MUD_CAPACITY);
    for (int i = 0; i < count; i++) PackSlot(pool, i, record, view);
    return count;
}
