// Mudling movement: radii, the pushed move, steering, walking and its gait, the walking legs, the
// shuttle push-out and the crowd contact solve.
//
// Index
//   [SECTION] Attacks and merging
//   [SECTION] Radii and weights
//   [SECTION] Pushed move
//   [SECTION] Shuttle push-out and crowd solve
//   [SECTION] Steering
//   [SECTION] Walking and gait
//   [SECTION] Leg pose
#include "mud/mud_gait.h"

#include "common/maths.h"
#include "mud/mud_attack.h"
#include "mud/mud_golem.h"
#include "mud/mud_merge.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>

static constexpr float PI_F = 3.14159265358979f;
static constexpr int MAX_CIRCLES = MUD_CAPACITY + 1;

static int UsedCount(const MudPool &pool) { return ClampInt(pool.count, 0, MUD_CAPACITY); }
static float Frac(float x) { return x - std::floor(x); }

// Horizontal unit direction `d` turned by g radians; positive g turns towards the positive side
// of the cross product d x result.
static Vector3 Turn(Vector3 d, float g)
{
    float c = std::cos(g), s = std::sin(g);
    return {d.x * c - d.z * s, 0.0f, d.z * c + d.x * s};
}
static float Cross(Vector3 a, Vector3 b) { return a.x * b.z - a.z * b.x; }
static float DotXZ(Vector3 a, Vector3 b) { return a.x * b.x + a.z * b.z; }

// [SECTION] Attacks and merging

// Merge compatibility of slots i and j: bodies that may fuse neither block nor crowd each other.
static bool MayMerge(const MudPool &pool, int i, int j) { return MudMergeCompatible(pool, i, j); }
// Walker kick or golem punch start when the player is in reach; true when one started.
static bool StartMeleeAttack(MudPool &pool, int i, Vector3 player)
{
    if (MudGolemShaped(pool.slots[i])) return MudGolemStartPunch(pool, i, player);
    return MudAttackStartKick(pool, i, player);
}

// Bodies that take part in contacts and steering: formed, on the ground and not carried.
static bool Solid(const MudSlot &s)
{
    if (!(s.mass > 0.0f)) return false;
    switch (s.state) {
    case MUD_BURIED:
    case MUD_FREE:
    case MUD_HELD:
    case MUD_THROWN:
    case MUD_PUDDLE:
    case MUD_REASSEMBLY:
    case MUD_CORPSE:
        return false;
    default:
        return true;
    }
}

// [SECTION] Radii and weights

float MudGaitBaseRadius(const MudSlot &slot)
{
    float R = MudBodyRadius(slot);
    if (slot.state == MUD_DASH_WINDUP || slot.state == MUD_DASH) return R * 1.9f;
    float k = 1.42f - 0.28f * Smoothstep(slot.walkerGrowth);
    if (slot.state == MUD_DASH_RECOVERY) k = std::fmax(k, 1.12f * slot.scale.z);
    return R * k;
}

float MudGaitContactRadius(const MudSlot &slot)
{
    float rb = MudGaitBaseRadius(slot);
    float R = MudBodyRadius(slot);
    float rc = rb;
    if (MudGolemShaped(slot)) rc = std::fmax(rc, 1.65f * R);
    if (slot.state == MUD_PUDDLE || slot.state == MUD_REASSEMBLY) rc = std::fmax(rc, 2.3f * R);
    return IsFinite(rc) ? rc : rb;
}

Vector2 MudGaitFootprint(const MudSlot &slot)
{
    if (!(slot.mass < 4.0f) || slot.walkerGrowth > 0.001f || slot.state == MUD_PUDDLE) {
        float rc = MudGaitContactRadius(slot);
        return {rc, rc};
    }
    float S = MudBodyScale(slot);
    float a = S * slot.scale.x, b = S * slot.scale.z;
    float c = std::cos(slot.yaw), s = std::sin(slot.yaw);
    float ex = std::sqrt((b * s) * (b * s) + (a * c) * (a * c));
    float ez = std::sqrt((b * c) * (b * c) + (a * s) * (a * s));
    float lobes = Smoothstep((slot.scale.y - 0.14f) / 0.28f);
    if (lobes > 0.01f) {
        float ex0 = ex, ez0 = ez;
        for (int k = 0; k < 3; k++) {
            float theta = 2.094f * (float)k + slot.phase;
            float ox = 0.62f * a * std::cos(theta), oz = 0.62f * b * std::sin(theta);
            float wx = ox * c + oz * s, wz = -ox * s + oz * c;
            ex = std::fmax(ex, std::fabs(wx) + 0.46f * ex0 * lobes);
            ez = std::fmax(ez, std::fabs(wz) + 0.46f * ez0 * lobes);
        }
        ex += 0.15f * S * lobes;
        ez += 0.15f * S * lobes;
    }
    return {ex, ez};
}

float MudGaitPairReach(const MudPool &pool, int i, int j)
{
    const MudSlot &a = pool.slots[i], &b = pool.slots[j];
    if (MayMerge(pool, i, j)) return (MudBodyRadius(a) + MudBodyRadius(b)) * 1.1f;
    return MudGaitBaseRadius(a) + MudGaitBaseRadius(b) + 0.025f;
}

float MudGaitPushWeight(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    if (s.boss && s.gatherer) return 0.0f;
    if (s.state == MUD_BURIED || s.state == MUD_EMERGING || s.state == MUD_DASH || s.state == MUD_BOSS_LEAP) return 0.0f;
    float mass = s.mass;
    if (s.state == MUD_ABSORBING && MudPoolIndexValid(pool, s.partner)) mass += pool.slots[s.partner].mass;
    float k = s.boss ? 12.0f : 1.0f;
    return 1.0f / std::fmax(k * mass, 1.0f);
}

bool MudGaitPushable(const MudPool &pool, int i)
{
    if (!MudPoolIndexValid(pool, i)) return false;
    const MudSlot &s = pool.slots[i];
    if (!(s.mass > 0.0f) || (s.boss && s.gatherer) || MudPoolFollowsGatherer(pool, i)) return false;
    if (MudPoolIndexValid(pool, s.heldBun) || MudPoolIndexValid(pool, s.holder)) return false;
    switch (s.state) {
    case MUD_BURIED:
    case MUD_EMERGING:
    case MUD_ABSORBING:
    case MUD_ABSORBED:
    case MUD_FREE:
    case MUD_GRAB:
    case MUD_THROW_WINDUP:
    case MUD_HELD:
    case MUD_THROWN:
    case MUD_PUDDLE:
    case MUD_REASSEMBLY:
    case MUD_CORPSE:
        return false;
    default:
        return true;
    }
}

// [SECTION] Pushed move

// Position and every anchor that travels with the body, horizontally.
static void MoveWithAnchors(MudSlot &s, Vector3 d)
{
    s.position.x += d.x;
    s.position.z += d.z;
    if (s.state != MUD_DASH && s.state != MUD_DASH_WINDUP && s.state != MUD_DASH_RECOVERY && s.state != MUD_BOSS_LEAP) {
        s.from.x += d.x;
        s.from.z += d.z;
        s.to.x += d.x;
        s.to.z += d.z;
    }
    s.mergeStart.x += d.x;
    s.mergeStart.z += d.z;
    s.attackBase.x += d.x;
    s.attackBase.z += d.z;
    for (Vector3 &foot : s.kickFoot) {
        foot.x += d.x;
        foot.z += d.z;
    }
}

void MudGaitStopDash(MudSlot &slot)
{
    if (slot.state != MUD_DASH) return;
    slot.dashDuration = MudAttackCutSweepDuration(slot, slot.position);
    slot.dashTo = slot.position;
    slot.state = MUD_DASH_RECOVERY;
    slot.timer = 0.0f;
    slot.duration = 0.68f;
    slot.steps += 1;
    slot.cooldown = 2.0f + 0.3f * Frac(slot.phase);
    MudTouchdown(slot);
}

Vector3 MudGaitPushedMove(MudPool &pool, int i, Vector3 d)
{
    if (!MudPoolIndexValid(pool, i) || !IsFinite(d)) return {0.0f, 0.0f, 0.0f};
    d.y = 0.0f;
    MudSlot &a = pool.slots[i];
    int j = a.state == MUD_ABSORBING && MudPoolIndexValid(pool, a.partner) && a.partner != i ? a.partner : -1;

    // 1. The footprint box (of the pair) stays inside the arena.
    Vector2 ea = MudGaitFootprint(a);
    float minX = a.position.x - ea.x, maxX = a.position.x + ea.x;
    float minZ = a.position.z - ea.y, maxZ = a.position.z + ea.y;
    if (j >= 0) {
        const MudSlot &b = pool.slots[j];
        Vector2 eb = MudGaitFootprint(b);
        minX = std::fmin(minX, b.position.x - eb.x);
        maxX = std::fmax(maxX, b.position.x + eb.x);
        minZ = std::fmin(minZ, b.position.z - eb.y);
        maxZ = std::fmax(maxZ, b.position.z + eb.y);
    }
    Vector3 centre = {0.5f * (minX + maxX), 0.0f, 0.5f * (minZ + maxZ)};
    Vector2 half = {0.5f * (maxX - minX), 0.5f * (maxZ - minZ)};
    Vector3 moved = {centre.x + d.x, 0.0f, centre.z + d.z};
    Vector3 clamped = ArenaClampExtents(moved, half);
    if (clamped.x != moved.x || clamped.z != moved.z) {
        d.x = clamped.x - centre.x;
        d.z = clamped.z - centre.z;
    }

    // 2. Out of the shuttle, for each body of the pair.
    if (pool.obstacle.active) {
        for (int round = 0; round < 3; round++) {
            for (int k = 0; k < 2; k++) {
                int index = k == 0 ? i : j;
                if (index < 0) continue;
                const MudSlot &s = pool.slots[index];
                Vector3 target = {s.position.x + d.x, s.position.y, s.position.z + d.z};
                Vector3 pushed = MudObstaclePushOut(pool.obstacle, s.position, target, MudGaitContactRadius(s));
                d.x += pushed.x - target.x;
                d.z += pushed.z - target.z;
            }
        }
    }

    // 3. A move too small to matter changes nothing, so an idle frame never ends a dash.
    if (!(d.x * d.x + d.z * d.z >= MUD_PUSH_EPSILON * MUD_PUSH_EPSILON)) return {0.0f, 0.0f, 0.0f};
    MoveWithAnchors(a, d);
    if (j >= 0) MoveWithAnchors(pool.slots[j], d);
    // 4. A real shove stops a dash.
    MudGaitStopDash(a);
    return d;
}

// [SECTION] Shuttle push-out and crowd solve

static void CorrectFromShuttle(MudPool &pool, int i, Vector3 d)
{
    MudSlot &s = pool.slots[i];
    MoveWithAnchors(s, d);
    if (s.state == MUD_BURIED || s.state == MUD_EMERGING) {
        s.spawnPoint.x += d.x;
        s.spawnPoint.z += d.z;
    }
    if (s.state == MUD_DASH) {
        MudGaitStopDash(s);
    } else if (s.state == MUD_DASH_RECOVERY) {
        // The hit sweep ends where the body really stopped.
        s.dashDuration = MudAttackCutSweepDuration(s, s.position);
        s.dashTo = s.position;
    }
}

// Correction that takes slot i out of the shuttle along its motion of this update; zero when
// it is not inside.
static Vector3 ShuttleCorrection(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    Vector3 pushed = MudObstaclePushOut(pool.obstacle, s.previousPosition, s.position, MudGaitContactRadius(s));
    Vector3 d = {pushed.x - s.position.x, 0.0f, pushed.z - s.position.z};
    return d.x * d.x + d.z * d.z > 1e-9f ? d : Vector3{0.0f, 0.0f, 0.0f};
}

void MudGaitShuttlePushOut(MudPool &pool)
{
    if (!pool.obstacle.active) return;
    for (int i = 0; i < UsedCount(pool); i++) {
        const MudSlot &s = pool.slots[i];
        if (!(s.mass > 0.0f) || s.roller) continue;
        if (s.state == MUD_ABSORBED || s.state == MUD_FREE || s.state == MUD_HELD || s.state == MUD_THROWN ||
            s.state == MUD_CORPSE)
            continue;
        Vector3 d = ShuttleCorrection(pool, i);
        if (d.x == 0.0f && d.z == 0.0f) continue;
        CorrectFromShuttle(pool, i, d);
        int j = s.state == MUD_ABSORBING && MudPoolIndexValid(pool, s.partner) && s.partner != i ? s.partner : -1;
        if (j < 0) continue;
        CorrectFromShuttle(pool, j, d);
        Vector3 again = ShuttleCorrection(pool, j);
        if (again.x == 0.0f && again.z == 0.0f) continue;
        CorrectFromShuttle(pool, i, again);
        CorrectFromShuttle(pool, j, again);
    }
}

static bool InCrowd(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    return Solid(s) && !s.roller && !MudPoolFollowsGatherer(pool, i);
}

// The body an absorbed slot is moved, stopped and weighed through.
static int CrowdBody(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    if (s.state == MUD_ABSORBED && MudPoolIndexValid(pool, s.partner)) return s.partner;
    return i;
}

static bool PastBirth(const MudSlot &s) { return s.state != MUD_BURIED && s.state != MUD_EMERGING; }

// Which dashes a contact ends; n points from body j to body i.
static void CrowdDashRules(MudPool &pool, int bi, int bj, Vector3 n)
{
    MudSlot &a = pool.slots[bi], &b = pool.slots[bj];
    bool aDash = a.state == MUD_DASH, bDash = b.state == MUD_DASH;
    if (aDash && a.boss && !b.boss && PastBirth(b)) {
        MudGaitStopDash(b);
    } else if (bDash && b.boss && !a.boss && PastBirth(a)) {
        MudGaitStopDash(a);
    } else {
        if (aDash && DotXZ(a.attackDir, n) < -0.65f) MudGaitStopDash(a);
        if (bDash && DotXZ(b.attackDir, n) > 0.65f) MudGaitStopDash(b);
    }
}

// Radii a pass of the crowd solve reads for every pair, refreshed when a dash stops.
struct CrowdRadii {
    float R[MUD_CAPACITY];
    float rb[MUD_CAPACITY];
};

static void CrowdRadiiOf(const MudPool &pool, int i, CrowdRadii &radii)
{
    radii.R[i] = MudBodyRadius(pool.slots[i]);
    radii.rb[i] = MudGaitBaseRadius(pool.slots[i]);
}

float MudGaitCrowdSolve(MudPool &pool)
{
    int used = UsedCount(pool);
    bool member[MUD_CAPACITY];
    CrowdRadii radii;
    for (int i = 0; i < used; i++) {
        member[i] = InCrowd(pool, i);
        CrowdRadiiOf(pool, i, radii);
    }
    float worst = 0.0f;
    for (int pass = 0; pass < MUD_CROWD_PASSES; pass++) {
        worst = 0.0f;
        for (int i = 0; i < used; i++) {
            if (!member[i]) continue;
            for (int j = i + 1; j < used; j++) {
                if (!member[j]) continue;
                int bi = CrowdBody(pool, i), bj = CrowdBody(pool, j);
                if (bi == bj) continue;
                const MudSlot &si = pool.slots[i], &sj = pool.slots[j];
                float dx = si.position.x - sj.position.x, dz = si.position.z - sj.position.z;
                float distanceSq = dx * dx + dz * dz;
                float reach = MayMerge(pool, i, j) ? (radii.R[i] + radii.R[j]) * 1.1f : radii.rb[i] + radii.rb[j] + 0.025f;
                if (distanceSq >= reach * reach) continue;
                float distance = std::sqrt(distanceSq);
                float overlap = reach - distance;
                if (overlap > worst) worst = overlap;
                if (!(overlap > 0.001f)) continue;
                Vector3 n;
                if (distance > 0.0001f) {
                    n = {dx / distance, 0.0f, dz / distance};
                } else {
                    float angle = (float)j + 2.4f * (float)i;
                    n = {std::cos(angle), 0.0f, std::sin(angle)};
                }
                CrowdDashRules(pool, bi, bj, n);
                float wi = MudGaitPushWeight(pool, bi), wj = MudGaitPushWeight(pool, bj);
                if (wi == 0.0f && wj == 0.0f) {
                    if (pool.slots[bj].state == MUD_DASH) MudGaitStopDash(pool.slots[bj]);
                    else if (pool.slots[bi].state == MUD_DASH) MudGaitStopDash(pool.slots[bi]);
                    wi = MudGaitPushWeight(pool, bi);
                    wj = MudGaitPushWeight(pool, bj);
                }
                float sum = wi + wj;
                if (sum > 0.0f) {
                    float amount = overlap + 0.001f;
                    MudGaitPushedMove(pool, bi, n * (amount * wi / sum));
                    MudGaitPushedMove(pool, bj, n * (-amount * wj / sum));
                }
                // A stopped dash shrinks the contact radius.
                CrowdRadiiOf(pool, i, radii);
                CrowdRadiiOf(pool, j, radii);
            }
        }
        if (worst < MUD_CROWD_SETTLED) break;
    }
    return worst;
}

// [SECTION] Steering

struct Circle {
    float x, z, radius;
};

static float ShuttleSideways(const MudPool &pool, const MudSlot &s, Vector3 d, float *along)
{
    Vector3 offset = {pool.obstacle.position.x - s.position.x, 0.0f, pool.obstacle.position.z - s.position.z};
    *along = DotXZ(offset, d);
    return Cross(d, offset);
}

// Side on which an obstacle at sideways offset `side` is passed: away from it, or by the
// slot's parity when it lies nearly straight ahead.
static int PassingSide(float side, int i)
{
    if (side > 0.03f) return -1;
    if (side < -0.03f) return 1;
    return (i & 1) ? -1 : 1;
}

Vector3 MudGaitHopSteer(MudPool &pool, int i, Vector3 desired, float length)
{
    MudSlot &s = pool.slots[i];
    desired.y = 0.0f;
    float rc = MudGaitContactRadius(s);
    Circle circles[MAX_CIRCLES];
    int count = 0;
    if (!MudPoolFollowsGatherer(pool, i)) {
        for (int j = 0; j < UsedCount(pool); j++) {
            const MudSlot &o = pool.slots[j];
            if (j == i || !Solid(o) || MayMerge(pool, i, j)) continue;
            circles[count++] = {o.position.x, o.position.z, MudGaitPairReach(pool, i, j) + 0.16f};
        }
    }
    bool avoiding = false;
    if (pool.obstacle.active) {
        float radius = rc + pool.obstacle.radius + 0.16f;
        circles[count++] = {pool.obstacle.position.x, pool.obstacle.position.z, radius};
        float along;
        float side = ShuttleSideways(pool, s, desired, &along);
        if (along > 0.0f && along < radius + length && std::fabs(side) < radius) {
            avoiding = true;
            if (s.avoidTimer != 1.0f) s.avoidSide = PassingSide(side, i);
        }
    }
    s.avoidTimer = avoiding ? 1.0f : 0.0f;

    float best = -INFINITY;
    Vector3 bestDir = desired;
    for (int k = 0; k <= 12; k++) {
        float g = 0.0f;
        if (k > 0) g = 0.3f * (float)((k + 1) / 2) * (((i + k) & 1) ? 1.0f : -1.0f);
        Vector3 dir = Turn(desired, g);
        float score = std::cos(g) - 0.015f * (float)k;
        if (avoiding && g * (float)s.avoidSide < 0.0f) score -= 0.65f;
        for (int c = 0; c < count; c++) {
            for (int q = 1; q <= 4; q++) {
                float reach = length * 0.25f * (float)q;
                float px = s.position.x + dir.x * reach - circles[c].x, pz = s.position.z + dir.z * reach - circles[c].z;
                float pen = std::fmax(0.0f, circles[c].radius - std::sqrt(px * px + pz * pz));
                score -= 7.0f * pen * pen;
            }
        }
        score -= 10.0f * std::fmax(0.0f, ArenaSignedDistance(s.position.x + dir.x * length, s.position.z + dir.z * length) + rc);
        if (score > best) {
            best = score;
            bestDir = dir;
        }
    }
    return {bestDir.x, 0.0f, bestDir.z};
}

Vector3 MudGaitBypassSteer(MudPool &pool, int i, Vector3 desired, Vector3 player, float remaining, float dt)
{
    MudSlot &s = pool.slots[i];
    desired.y = 0.0f;
    float R = MudBodyRadius(s);
    float rc = MudGaitContactRadius(s);
    float ahead = std::fmin(remaining, 0.45f * R + 1.05f);
    float myDistance = std::sqrt((s.position.x - player.x) * (s.position.x - player.x) +
                                 (s.position.z - player.z) * (s.position.z - player.z));
    Circle circles[MAX_CIRCLES];
    int count = 0;
    for (int j = 0; j < UsedCount(pool); j++) {
        const MudSlot &o = pool.slots[j];
        if (j == i || !Solid(o) || MayMerge(pool, i, j)) continue;
        if (s.state == MUD_WALKING && o.state == MUD_WALKING) {
            // Of two walkers only the one farther from the player gives way.
            float other = std::sqrt((o.position.x - player.x) * (o.position.x - player.x) +
                                    (o.position.z - player.z) * (o.position.z - player.z));
            bool yields = std::fabs(myDistance - other) > 0.35f ? myDistance > other : j < i;
            if (!yields) continue;
        }
        circles[count++] = {o.position.x, o.position.z, MudGaitPairReach(pool, i, j) + 0.04f};
    }
    if (pool.obstacle.active)
        circles[count++] = {pool.obstacle.position.x, pool.obstacle.position.z, rc + pool.obstacle.radius + 0.1f};

    float nearest = INFINITY, nearestSide = 0.0f;
    for (int c = 0; c < count; c++) {
        Vector3 offset = {circles[c].x - s.position.x, 0.0f, circles[c].z - s.position.z};
        float along = DotXZ(offset, desired), side = Cross(desired, offset);
        if (along >= 0.0f && along <= circles[c].radius + ahead && std::fabs(side) < circles[c].radius && along < nearest) {
            nearest = along;
            nearestSide = side;
        }
    }
    if (nearest < INFINITY) {
        if (s.avoidTimer <= 0.0f) s.avoidSide = PassingSide(nearestSide, i);
        s.avoidTimer = 0.55f;
    } else {
        s.avoidTimer = std::fmax(0.0f, s.avoidTimer - dt);
    }

    Vector3 reference = s.gaitDir.x * s.gaitDir.x + s.gaitDir.z * s.gaitDir.z > 0.5f ? Vector3{s.gaitDir.x, 0.0f, s.gaitDir.z}
                                                                                     : desired;
    float best = -INFINITY;
    Vector3 bestDir = desired;
    for (int k = -8; k <= 8; k++) {
        Vector3 dir = Turn(desired, 0.2f * (float)k);
        float score = 0.45f * DotXZ(reference, dir) + 2.0f * std::cos(0.2f * (float)k);
        if (s.avoidTimer > 0.0f && k * s.avoidSide < 0) score -= 0.65f;
        for (int c = 0; c < count; c++) {
            float ox = circles[c].x - s.position.x, oz = circles[c].z - s.position.z;
            float t = ClampSafe(ox * dir.x + oz * dir.z, 0.0f, ahead);
            float px = ox - dir.x * t, pz = oz - dir.z * t;
            float pen = std::fmax(0.0f, circles[c].radius - std::sqrt(px * px + pz * pz));
            score -= 12.0f * pen * pen + 8.0f * pen;
        }
        score -= 10.0f * std::fmax(0.0f, ArenaSignedDistance(s.position.x + dir.x * ahead, s.position.z + dir.z * ahead) + rc);
        if (score > best) {
            best = score;
            bestDir = dir;
        }
    }
    float e = EaseFactor(12.0f, dt);
    Vector3 blended = {reference.x + (bestDir.x - reference.x) * e, 0.0f, reference.z + (bestDir.z - reference.z) * e};
    float length = std::sqrt(blended.x * blended.x + blended.z * blended.z);
    s.gaitDir = length > 1e-6f ? Vector3{blended.x / length, 0.0f, blended.z / length} : bestDir;
    return s.gaitDir;
}

// [SECTION] Walking and gait

float MudGaitWalkSpeed(const MudSlot &slot) { return MudTempo(slot) * (MudGolemShaped(slot) ? 2.15f : 2.4f); }

float MudGaitCloseContact(const MudSlot &slot)
{
    float R = MudBodyRadius(slot);
    float k = MudGolemShaped(slot) ? 0.68f : 0.4f;
    return std::fmax(std::cbrt(slot.mass) * slot.size * slot.legNorm * 0.97f, k * R) + 0.22f;
}

bool MudGaitWalk(MudPool &pool, int i, Vector3 player, float dt)
{
    MudSlot &s = pool.slots[i];
    if (s.state == MUD_KICK_WINDUP || s.state == MUD_KICK_STRIKE || s.state == MUD_KICK_RECOVERY) {
        MudAttackKickStep(pool, i);
        return true;
    }
    if (s.state != MUD_WALKING || !(s.mass > 0.0f)) return false;
    float R = MudBodyRadius(s);
    float close = MudGaitCloseContact(s);
    float dx = player.x - s.position.x, dz = player.z - s.position.z;
    float d = std::sqrt(dx * dx + dz * dz);
    float reach = (MudGolemShaped(s) ? 1.3f : 0.85f) * R + close;
    if (pool.attacksEnabled && s.cooldown <= 0.0f && d <= reach &&
        MudObstacleSweep(pool.obstacle, s.position, player, 0.1f, false) >= 1.0f && StartMeleeAttack(pool, i, player))
        return true;
    float step = std::fmin(MudGaitWalkSpeed(s) * dt, std::fmax(0.0f, d - close));
    if (step > 0.0001f && d > 0.001f) {
        Vector3 direction = MudGaitBypassSteer(pool, i, {dx / d, 0.0f, dz / d}, player, d - close, dt);
        s.stepDistance = step;
        s.position.x += direction.x * step;
        s.position.z += direction.z * step;
        s.position = ArenaClampCircle(s.position, MudGaitContactRadius(s));
    }
    return true;
}

void MudGaitUpdate(MudSlot &slot, float dt)
{
    if (!(dt > 0.0f) || !IsFinite(dt)) return;
    float R = MudBodyRadius(slot);
    float mx = slot.position.x - slot.previousPosition.x, mz = slot.position.z - slot.previousPosition.z;
    float progress = ClampSafe(mx * slot.gaitDir.x + mz * slot.gaitDir.z, 0.0f, slot.stepDistance);
    if (R > 0.0f && IsFinite(slot.gaitPhase)) {
        float before = std::floor(2.0f * slot.gaitPhase);
        slot.gaitPhase += progress * 0.58f / (0.76f * R);
        float after = std::floor(2.0f * slot.gaitPhase);
        // Converted only once bounded: a degenerate radius must not turn into an undefined cast.
        if (after > before) slot.steps += (int)ClampSafe(after - before, 0.0f, 4.0f);
        // Whole cycles drop off so the phase keeps its precision on long walks.
        if (slot.gaitPhase >= 1024.0f) slot.gaitPhase -= 1024.0f;
    }
    float full = MudGaitWalkSpeed(slot) * dt;
    float target = full > 0.0f ? ClampSafe(progress / full, 0.0f, 1.0f) : 0.0f;
    slot.gaitWeight = EaseToward(slot.gaitWeight, target, 15.0f, dt);
    if (progress > 0.0001f) {
        float heading = std::atan2(slot.gaitDir.x, slot.gaitDir.z);
        slot.yaw += WrapAngle(heading - slot.yaw) * EaseFactor(10.0f, dt);
    }
    float bob = 4.0f * PI_F * slot.gaitPhase;
    slot.scale = MudRestShape(slot);
    slot.scale.y += 0.02f * slot.gaitWeight * std::sin(bob);
    slot.position.y = MudRestHeight(slot, slot.scale.y) + std::cos(bob) * R * 0.04f * slot.gaitWeight;
}

// [SECTION] Leg pose

Vector3 MudGaitLimbPoint(Vector3 root, Vector3 middle, Vector3 tip, float t)
{
    Vector3 a = Vector3Lerp(root, middle, t), b = Vector3Lerp(middle, tip, t);
    return Vector3Lerp(a, b, t);
}

Vector3 MudGaitKeepOutOfShuttle(const MudObstacle &obstacle, Vector3 p, float r)
{
    if (!obstacle.active) return p;
    if (p.y < obstacle.position.y - r || p.y > obstacle.position.y + obstacle.height + r) return p;
    float need = r + obstacle.radius + 0.001f;
    float dx = p.x - obstacle.position.x, dz = p.z - obstacle.position.z;
    float length = std::sqrt(dx * dx + dz * dz);
    if (length >= need) return p;
    if (length < 1e-6f) {
        dx = 1.0f;
        dz = 0.0f;
        length = 1.0f;
    }
    p.x = obstacle.position.x + dx / length * need;
    p.z = obstacle.position.z + dz / length * need;
    return p;
}

MudLegPose MudGaitLegPose(const MudSlot &slot, bool *valid)
{
    MudLegPose pose{};
    float R = MudBodyRadius(slot);
    float S = MudBodyScale(slot);
    float g = Smoothstep(slot.golemGrowth);
    pose.radius = (0.31f - 0.07f * g) * R;
    pose.visibility = Smoothstep(slot.walkerGrowth);
    for (int k = 0; k < 2; k++) pose.hip[k] = pose.knee[k] = pose.foot[k] = slot.position;
    bool exists = pose.visibility > 0.001f && slot.mass > 0.0f && slot.state != MUD_BURIED && slot.state != MUD_FREE;
    if (valid) *valid = exists;
    if (!exists) return pose;

    Vector3 forward = {std::sin(slot.yaw), 0.0f, std::cos(slot.yaw)};
    Vector3 sideways = {std::cos(slot.yaw), 0.0f, -std::sin(slot.yaw)};
    Vector3 c = slot.position;
    for (int leg = 0; leg < 2; leg++) {
        float sigma = leg == 0 ? -1.0f : 1.0f;
        float cycle = Frac(slot.gaitPhase + 0.5f * (float)leg);
        float f, lift;
        if (cycle < 0.58f) {
            f = 0.38f - 0.76f * cycle / 0.58f;
            lift = 0.0f;
        } else {
            float w = (cycle - 0.58f) / 0.42f;
            f = 0.76f * Smoothstep(w) - 0.38f;
            lift = 0.26f * R * std::sin(PI_F * w);
        }
        f *= slot.gaitWeight;
        lift *= slot.gaitWeight;
        float sideOffset = sigma * (0.7f - 0.21f * g) * R;
        Vector3 foot = c + forward * (f * R) + sideways * sideOffset;
        foot.y = TerrainHeight(foot.x, foot.z) + 0.85f * pose.radius + lift;
        // The kick states pose their feet from the locked attack.
        float kickSide;
        if (MudAttackKickFoot(slot, leg, pose.radius, &foot, &kickSide)) sideOffset = sigma * kickSide * R;
        Vector3 hip = c + sideways * (sigma * ((0.39f * R - 0.46f * S) * g + 0.46f * S)) - forward * (0.07f * R * g);
        hip.y = c.y + 0.03f * S - 1.1f * R * g;
        Vector3 step = foot - (c + sideways * sideOffset);
        step.y = 0.0f;
        Vector3 knee = c + sideways * ((0.76f - 0.24f * g) * sigma * R) + step * 0.35f;
        knee.y = hip.y - (0.16f + 0.39f * g) * S;
        knee = Vector3Lerp(hip, knee, pose.visibility);
        foot = Vector3Lerp(hip, foot, pose.visibility);
        knee = Vector3Lerp(knee, Vector3Lerp(hip, foot, 0.5f), g);
        float clampRadius = 1.1f * pose.radius;
        pose.hip[leg] = MudGaitKeepOutOfShuttle(slot.obstacle, ArenaClampCircle(hip, clampRadius), pose.radius);
        pose.knee[leg] = MudGaitKeepOutOfShuttle(slot.obstacle, ArenaClampCircle(knee, clampRadius), pose.radius);
        pose.foot[leg] = MudGaitKeepOutOfShuttle(slot.obstacle, ArenaClampCircle(foot, clampRadius), pose.radius);
    }
    return pose;
}
