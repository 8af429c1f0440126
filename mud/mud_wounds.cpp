// Mudling wounds: the hit operations, chunks, death and the corpse collapse.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Soil and chunks
//   [SECTION] Death
//   [SECTION] Corpse collapse
//   [SECTION] Contact marches
//   [SECTION] Sphere strikes
//   [SECTION] Blade strikes
//   [SECTION] Plasma and repel
//   [SECTION] Ledger
#include "mud/mud_wounds.h"

#include "mud/mud_merge.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "mud/mud_shape.h"
#include "world/terrain.h"

#include <cmath>
#include <cstring>

// [SECTION] Helpers

static constexpr float SPHERE_CLAY_FACTOR = 1.9098593f;   // 6 / pi: grid points per unit sphere
static constexpr float CONTACT_MARGIN = 0.012f;           // metres: close enough to count as touching
static constexpr float MARCH_MIN_STEP = 0.008f;
static constexpr float LETHAL_LOSS = 0.55f;               // share of the clay a body survives losing
static constexpr float MAX_LOSS_PER_STRIKE = 0.48f;

static int UsedCount(const MudPool &pool) { return ClampInt(pool.count, 0, MUD_CAPACITY); }
static float Frac(float x) { return x - std::floor(x); }

uint64_t MudHitMaskBit(int slot) { return slot >= 0 && slot < 64 ? 1ull << slot : 0ull; }

// Fusion interruption belongs to the merging code; until it is joined here a fusing body is
// struck as it stands.
// A strike on a fusing body first gives each of the two its own clay back.
static void InterruptFusion(MudPool &pool, int i) { MudMergeInterrupt(pool, i); }

static float BaseVolume(const MudSlot &s)
{
    return s.boss && s.storedVolume > 0.0f ? s.storedVolume : s.mass * s.size * s.size * s.size;
}

static bool Strikable(const MudSlot &s)
{
    return s.mass > 0.0f && s.state != MUD_BURIED && s.state != MUD_FREE && s.state != MUD_CORPSE && IsFinite(s.position);
}

static float SegmentDistance(Vector3 p, Vector3 a, Vector3 b)
{
    Vector3 ab = b - a;
    float length2 = Vector3DotProduct(ab, ab);
    float t = length2 > 1e-12f ? ClampSafe(Vector3DotProduct(p - a, ab) / length2, 0.0f, 1.0f) : 0.0f;
    return Vector3Distance(p, a + ab * t);
}

static float SegmentDistanceXZ(Vector3 p, Vector3 a, Vector3 b)
{
    p.y = a.y = b.y = 0.0f;
    return SegmentDistance(p, a, b);
}

static void TouchdownAt(MudSlot &s, Vector3 p)
{
    s.touchdown = p;
    if (!(s.touchdown.y >= 0.08f)) s.touchdown.y = 0.08f;
    s.sinceTouchdown = 0.0f;
}

static void ClearAttackLatches(MudSlot &s) { s.dashActive = s.kickActive = s.punchActive = s.projectileActive = 0; }

static Vector4 NoPlane() { return {0.0f, 0.0f, 0.0f, 0.0f}; }

// [SECTION] Soil and chunks

// Clay reaching the ground: into the soil, or into the pool's ledger when there is none (or the
// soil refuses it), so no clay vanishes.
static void DepositBody(MudPool &pool, Soil *soil, Vector3 at, float amount, float wetness, float dryness)
{
    if (!(amount > 0.0f)) return;
    if (!soil || !SoilDepositBody(*soil, at, amount, wetness, dryness)) pool.unplacedClay += amount;
}

static void DepositPattern(MudPool &pool, Soil *soil, Vector3 at, const float *weights, float spacing, float amount,
                           float wetness, float dryness)
{
    if (!(amount > 0.0f)) return;
    if (!soil || !SoilDepositPattern(*soil, at, weights, MUD_PRINT_SIDE, spacing, amount, wetness, dryness))
        pool.unplacedClay += amount;
}

void MudWoundsDebrisLaunch(MudPool &pool, Soil *soil, int i, Vector3 p, Vector3 d, float amount)
{
    if (!MudPoolIndexValid(pool, i) || !(amount > 0.0f) || !IsFinite(amount)) return;
    MudSlot &s = pool.slots[i];
    int k = !s.debris[0].active ? 0 : (!s.debris[1].active ? 1 : -1);
    if (k < 0) {
        DepositBody(pool, soil, p, amount, s.wetness, s.dryness);
        return;
    }
    MudDebris &chunk = s.debris[k];
    chunk = MudDebris{};
    chunk.active = 1;
    chunk.volume = amount;
    chunk.radius = std::cbrt(amount);
    chunk.wetness = s.wetness;
    chunk.dryness = s.dryness;
    chunk.position = p;
    chunk.position.y = std::fmax(p.y, TerrainHeight(p.x, p.z) + chunk.radius + 0.05f);
    Vector3 h = {p.x - s.position.x, 0.0f, p.z - s.position.z};
    float length = LengthXZ(h);
    if (length < 0.1f || !IsFinite(length)) {
        float angle = 1.31f * s.phase + 2.71f * (float)k;
        h = {std::cos(angle), 0.0f, std::sin(angle)};
    } else {
        h = h * (1.0f / length);
    }
    float speed = 1.8f + 0.7f * Frac(s.phase);
    chunk.velocity = h * speed + d * 0.35f;
    chunk.velocity.y = 2.4f + 0.8f * Frac(s.phase + 0.71f * (float)k);
}

static Vector3 Ballistic(const MudDebris &chunk, float t)
{
    return {chunk.position.x + chunk.velocity.x * t, chunk.position.y + chunk.velocity.y * t - 4.9f * t * t,
            chunk.position.z + chunk.velocity.z * t};
}

// Height of the chunk's bottom above the ground after t seconds of this step.
static float Clearance(const MudDebris &chunk, float t)
{
    Vector3 p = Ballistic(chunk, t);
    return p.y - chunk.radius - TerrainHeight(p.x, p.z);
}

// The first moment in [0, span] at which the chunk's bottom meets the ground, or -1. The span is
// scanned in fifths so a bump crossed within one step is not jumped over, then bisected.
static float LandingTime(const MudDebris &chunk, float span)
{
    if (!(Clearance(chunk, 0.0f) > 0.0f)) return 0.0f;
    float lo = 0.0f;
    for (int k = 1; k <= 5; k++) {
        float hi = span * (float)k / 5.0f;
        if (Clearance(chunk, hi) > 0.0f) {
            lo = hi;
            continue;
        }
        for (int n = 0; n < 24; n++) {
            float mid = 0.5f * (lo + hi);
            if (Clearance(chunk, mid) > 0.0f) lo = mid;
            else hi = mid;
        }
        return hi;
    }
    return -1.0f;
}

void MudWoundsDebrisFly(MudPool &pool, Soil *soil, int i, float dt)
{
    if (!MudPoolIndexValid(pool, i) || !(dt > 0.0f) || !IsFinite(dt)) return;
    MudSlot &s = pool.slots[i];
    for (MudDebris &chunk : s.debris) {
        if (!chunk.active) continue;
        // The flight is the exact parabola from the state at the start of the step, so where and
        // when a chunk lands does not depend on the frame rate.
        float span = dt;
        bool timeUp = false;
        float left = MUD_DEBRIS_MAX_AIRBORNE - chunk.airborne;
        if (!(left > dt)) {
            span = std::fmax(left, 0.0f);
            timeUp = true;
        }
        float landing = LandingTime(chunk, span);
        if (landing < 0.0f && !timeUp) {
            chunk.position = Ballistic(chunk, dt);
            chunk.velocity.y -= 9.8f * dt;
            chunk.airborne += dt;
            continue;
        }
        float t = landing < 0.0f ? span : landing;
        chunk.position = Ballistic(chunk, t);
        chunk.position.y = TerrainHeight(chunk.position.x, chunk.position.z);
        chunk.velocity.y -= 9.8f * t;
        chunk.airborne += t;
        chunk.active = 0;
        DepositBody(pool, soil, chunk.position, chunk.volume, chunk.wetness, chunk.dryness);
    }
}

// [SECTION] Death

DeathRecord MudWoundsDeathRecord(const MudSlot &slot)
{
    DeathRecord record{};
    float L = MudBodyScale(slot);
    float g = slot.golemGrowth;
    Vector3 side = {std::cos(slot.yaw), 0.0f, -std::sin(slot.yaw)};
    Vector3 forward = {std::sin(slot.yaw), 0.0f, std::cos(slot.yaw)};
    Vector3 eye[2];
    for (int k = 0; k < 2; k++) {
        float m = (k == 0 ? -1.0f : 1.0f) * (0.34f - 0.01f * g);
        float h = 0.29f - 0.1f * g + 0.025f * g * m;
        float f = std::sqrt(std::fmax(0.0f, 1.0f - m * m - h * h));
        eye[k] = slot.position + side * (m * L * slot.scale.x) + Vector3{0.0f, h * L * slot.scale.y, 0.0f} +
                 forward * (f * L * slot.scale.z);
    }
    uint32_t eyes = 2, total = 2;
    float mass = slot.mass;
    if (slot.roller) {
        eyes = total = 10;
    } else if (slot.boss || !IsFinite(mass) || !(mass >= 2.0f)) {
        eyes = total = 2;
    } else {
        eyes = 1;
        total = 2u * (uint32_t)ClampInt((int)std::round(std::fmin(mass, 100.0f)), 1, 9);
    }
    record.value = total / eyes;
    record.eyes = eyes;
    record.eye0 = eyes == 1 ? Vector3Lerp(eye[0], eye[1], 0.5f) : eye[0];
    record.eye1 = eye[1];
    record.size = eyes >= 2 ? ClampSafe(L * 0.13f, 0.10f, 0.22f) : ClampSafe((float)record.value * 0.006f + 0.16f, 0.18f, 0.28f);
    record.heading = slot.yaw;
    record.seed = slot.phase;
    record.center = slot.position;
    record.roller = slot.roller ? 1 : 0;
    return record;
}

// Footprint of the frozen silhouette for the soil: per cell of a 17 x 17 grid around the centre,
// how many of 12 heights are inside the clay; with a split, cells on the plane's positive side
// go to the second grid.
static void ComputePrints(MudSlot &s)
{
    MudShapeLimbs limbs{};
    limbs.legs = s.wounds.frozenLegs;
    limbs.arms = s.wounds.frozenArms;
    limbs.hasLegs = limbs.legs.visibility > 0.001f;
    limbs.hasArms = limbs.arms.visibility > 0.001f;
    MudShape shape;
    MudShapePrepareFrozen(s, limbs, shape);
    Vector3 lo, hi;
    MudShapeBounds(shape, &lo, &hi);
    Vector3 c = s.position;
    float m = std::fmax(std::fmax(c.x - lo.x, hi.x - c.x), std::fmax(c.z - lo.z, hi.z - c.z));
    m = std::fmax(m, 0.01f);
    float cell = 2.0f * m / 16.0f;
    Vector4 plane = s.wounds.deathPlane;
    bool split = s.wounds.split != 0;
    int totals[2] = {0, 0};
    memset(s.wounds.printGrids, 0, sizeof(s.wounds.printGrids));
    float height = hi.y - lo.y;
    for (int row = 0; row < MUD_PRINT_SIDE; row++) {
        for (int column = 0; column < MUD_PRINT_SIDE; column++) {
            float x = c.x + (float)(column - 8) * cell, z = c.z + (float)(row - 8) * cell;
            float step = height / (float)MUD_PRINT_SAMPLES;
            int count = MudShapeColumnInside(shape, x, z, lo.y + 0.5f * step, step, MUD_PRINT_SAMPLES);
            int grid = split && plane.x * x + plane.z * z + plane.w > 0.0f ? 1 : 0;
            s.wounds.printGrids[grid][row * MUD_PRINT_SIDE + column] = (uint8_t)count;
            totals[grid] += count;
        }
    }
    // An empty silhouette still presses its clay under the body; the share is only a ratio
    // once there is something to divide.
    if (totals[0] + totals[1] == 0) {
        s.wounds.printGrids[0][8 * MUD_PRINT_SIDE + 8] = 1;
        s.wounds.printFirstShare = 1.0f;
    } else {
        s.wounds.printFirstShare = (float)totals[0] / (float)(totals[0] + totals[1]);
    }
    s.wounds.printCellSize = cell;
    s.wounds.printTop = hi.y - s.wounds.groundLevel[0];
    s.wounds.corpseBound = std::fmax(Vector3Distance(lo, c), Vector3Distance(hi, c));
}

// A golem holding slot i lets go of it; a dying golem drops its bun, which lives on.
static void ReleaseHold(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    if (MudPoolIndexValid(pool, s.holder) && s.holder != i) {
        MudSlot &golem = pool.slots[s.holder];
        if (golem.heldBun == i) {
            golem.heldBun = -1;
            if (golem.state == MUD_GRAB || golem.state == MUD_THROW_WINDUP) {
                golem.state = MUD_THROW_FOLLOW;
                golem.timer = 0.0f;
                golem.duration = 0.45f;
                golem.cooldown = 1.1f;
            }
        }
    }
    if (MudPoolIndexValid(pool, s.heldBun) && s.heldBun != i) {
        MudSlot &bun = pool.slots[s.heldBun];
        if (bun.holder == i && bun.state == MUD_HELD && bun.mass > 0.0f) {
            bun.holder = -1;
            bun.from = bun.to = bun.position;
            bun.to.y = TerrainHeight(bun.position.x, bun.position.z) + 0.7f * MudBodyRadius(bun);
            bun.flightVelocity = {0.0f, 0.0f, 0.0f};
            bun.state = MUD_THROWN;
            bun.timer = 0.0f;
            bun.duration = 0.45f;
        } else if (bun.holder == i) {
            bun.holder = -1;
        }
    }
    s.heldBun = s.holder = -1;
}

bool MudWoundsDie(MudPool &pool, int i, bool split, Vector4 plane, const MudSlot &preHit, bool reward)
{
    if (!MudPoolIndexValid(pool, i)) return false;
    MudSlot &s = pool.slots[i];
    if (s.state == MUD_CORPSE || s.state == MUD_FREE || !(s.mass > 0.0f)) return false;
    if (reward && pool.deathCount >= 0 && pool.deathCount < MUD_DEATH_CAPACITY)
        pool.deaths[pool.deathCount++] = MudWoundsDeathRecord(preHit);
    pool.formCountsValid = 0;

    // The body dies in the shape it had when struck.
    bool legsValid = false;
    s.wounds.frozenLegs = MudGaitLegPose(preHit, &legsValid);
    if (!legsValid) s.wounds.frozenLegs.visibility = 0.0f;
    MudArmPose arms{};
    if (!MudShapeArmPose(preHit, &arms)) arms = MudArmPose{};
    s.wounds.frozenArms = arms;
    s.position = preHit.position;
    s.scale = preHit.scale;
    s.yaw = preHit.yaw;
    s.walkerGrowth = preHit.walkerGrowth;
    s.golemGrowth = preHit.golemGrowth;
    s.legLength = preHit.legLength;
    s.legNorm = MudBodyScale(preHit) / std::fmax(MudBodyRadius(preHit), 0.001f);

    s.wounds.deathPlane = plane;
    s.wounds.split = split ? 1 : 0;
    s.compression = 1.0f;
    s.separation = 0.0f;
    float ground = TerrainHeight(s.position.x, s.position.z);
    s.wounds.groundLevel[0] = s.wounds.groundLevel[1] = ground;

    ReleaseHold(pool, i);

    s.mergeStart = s.position;
    s.mergeStartScale = s.scale;
    s.savedWalkerGrowth = s.walkerGrowth;
    s.savedGolemGrowth = s.golemGrowth;
    s.savedLegLength = s.legLength;
    s.savedLegNorm = s.legNorm;

    s.state = MUD_CORPSE;
    s.timer = 0.0f;
    s.duration = MUD_CORPSE_SECONDS;
    s.wounds.finalDeposit = 0;
    s.presence = 0.0f;
    s.spray = 0.0f;
    s.recoil = {0.0f, 0.0f, 0.0f};
    s.knockback = {0.0f, 0.0f, 0.0f};
    s.wounds.depositedFraction = 0.0f;
    s.wounds.corpseVolume = MudClayVolume(s);
    ClearAttackLatches(s);
    ComputePrints(s);
    return true;
}

// [SECTION] Corpse collapse

static void PressPrints(MudPool &pool, Soil *soil, const MudSlot &s, float amount)
{
    if (!(amount > 0.0f)) return;
    float weights[2][MUD_PRINT_CELLS];
    for (int g = 0; g < 2; g++)
        for (int k = 0; k < MUD_PRINT_CELLS; k++) weights[g][k] = (float)s.wounds.printGrids[g][k];
    Vector4 plane = s.wounds.deathPlane;
    Vector3 normal = {plane.x, 0.0f, plane.z};
    float share = ClampSafe(s.wounds.printFirstShare, 0.0f, 1.0f);
    float first = s.wounds.split ? amount * share : amount;
    float second = amount - first;
    float spacing = s.wounds.printCellSize;
    DepositPattern(pool, soil, s.position - normal * s.separation, weights[0], spacing, first, s.wetness, s.dryness);
    DepositPattern(pool, soil, s.position + normal * s.separation, weights[1], spacing, second, s.wetness, s.dryness);
}

void MudWoundsCorpseStep(MudPool &pool, Soil *soil, int i, float dt)
{
    if (!MudPoolIndexValid(pool, i) || !(dt > 0.0f) || !IsFinite(dt)) return;
    MudSlot &s = pool.slots[i];
    if (s.state != MUD_CORPSE) return;
    s.timer += dt;
    float t = s.timer;
    float R = MudBodyRadius(s);
    s.separation = s.wounds.split ? Smoothstep(t / 0.28f) * R * 0.55f : 0.0f;
    s.compression = 1.0f - (1.0f - MUD_CORPSE_FLAT) * Smoothstep((t - 0.12f) / 1.08f);
    s.presence = 0.0f;
    if (!s.wounds.finalDeposit) {
        float q = Smoothstep((t - 0.55f) / 0.65f);
        if (q > s.wounds.depositedFraction) {
            float amount = std::fmin((q - s.wounds.depositedFraction) * s.wounds.corpseVolume, MudClayVolume(s));
            PressPrints(pool, soil, s, amount);
            if (amount > 0.0f) s.wounds.removedVolume += amount;
            s.wounds.depositedFraction = q;
        }
        if (t >= s.duration) {
            PressPrints(pool, soil, s, MudClayVolume(s));
            s.wounds.removedVolume = BaseVolume(s);
            s.wounds.finalDeposit = 1;
        }
    }
    if (s.wounds.finalDeposit && !s.debris[0].active && !s.debris[1].active) {
        s.mass = 0.0f;
        s.wounds = MudWounds{};
        s.walkerGrowth = s.golemGrowth = 0.0f;
        s.state = MUD_FREE;
    }
}

// [SECTION] Contact marches

// March of a sphere along `from` + dir x [0, length]: the first point where the clay is within
// the radius (+ margin), stepping by `share` of the gap; the end point is tested when passed.
static bool MarchSphere(const MudShape &shape, Vector3 from, Vector3 dir, float length, float radius, float share,
                        int maxSteps, Vector3 *contact, float *along)
{
    float s = 0.0f;
    for (int n = 0; n < maxSteps; n++) {
        Vector3 p = from + dir * s;
        float gap = MudShapeDistance(shape, p) - radius;
        if (gap <= CONTACT_MARGIN) {
            *contact = p;
            *along = s;
            return true;
        }
        if (s >= length) return false;
        s += std::fmax(share * gap, MARCH_MIN_STEP);
        if (s > length) s = length;
    }
    return false;
}

// Least body distance at eight heights (0.1 .. 1.5 m) above the ground at (x, z); the height
// that gave it is the contact.
static float BladeColumn(const MudShape &shape, float x, float z, Vector3 *closest)
{
    float ground = TerrainHeight(x, z);
    float best = 1e30f;
    *closest = {x, ground + 0.1f, z};
    for (int k = 0; k < 8; k++) {
        Vector3 p = {x, ground + 0.1f + 0.2f * (float)k, z};
        float d = MudShapeDistance(shape, p);
        if (d < best) {
            best = d;
            *closest = p;
        }
    }
    return best;
}

static bool MarchBlade(const MudShape &shape, Vector3 from, Vector3 dir, float length, float radius, Vector3 *contact)
{
    float s = 0.0f;
    for (int n = 0; n < 64; n++) {
        Vector3 p = from + dir * s;
        Vector3 closest = p;
        float gap = BladeColumn(shape, p.x, p.z, &closest) - radius;
        if (gap <= CONTACT_MARGIN) {
            *contact = closest;
            return true;
        }
        if (s >= length) return false;
        s += std::fmax(0.65f * gap, MARCH_MIN_STEP);
        if (s > length) s = length;
    }
    return false;
}

// [SECTION] Sphere strikes

// Hit points and the mark of a boss; the gatherer only lands.
static void BossHit(MudPool &pool, int i, Vector3 contact, float kind, float damage, float flash, bool touchdown)
{
    MudSlot &s = pool.slots[i];
    if (touchdown) TouchdownAt(s, contact);
    if (s.gatherer) return;
    MudSlot preHit = s;
    float R = std::fmax(MudBodyRadius(s), 0.001f);
    Vector3 local = MudShapeToBody(s.yaw, contact - s.position) * (1.0f / R);
    if (kind > 2.5f)
        local = {local.x / std::fmax(s.scale.x, 0.05f), local.y / std::fmax(s.scale.y, 0.05f),
                 local.z / std::fmax(s.scale.z, 0.05f)};
    s.hitPoint = local;
    s.hitKind = kind;
    s.hitFlash = flash;
    s.sinceHit = 0.0f;
    s.health = std::fmax(0.0f, s.health - damage);
    if (!(s.health > 0.0f)) MudWoundsDie(pool, i, false, NoPlane(), preHit, true);
}

// Body part whose surface is nearest to c: 0 torso, 1-2 arms, 3-4 legs, with the limb-curve
// parameter of the nearest sample and the anchor point.
static int NearestPart(const MudSlot &s, const MudShapeLimbs &limbs, Vector3 c, float *at, Vector3 *anchor)
{
    float S = MudBodyScale(s);
    float best;
    if (limbs.hasArms) {
        const MudArmPose &arms = limbs.arms;
        Vector3 radii = {std::fmax(arms.torsoRadii.x, 0.002f), std::fmax(arms.torsoRadii.y, 0.002f),
                         std::fmax(arms.torsoRadii.z, 0.002f)};
        best = std::fabs(MudShapeEllipsoid(MudShapeToBody(s.yaw, c - arms.torsoCentre), radii));
    } else {
        Vector3 radii = {std::fmax(S * s.scale.x, 0.001f), std::fmax(S * s.scale.y, 0.001f), std::fmax(S * s.scale.z, 0.001f)};
        best = std::fabs(MudShapeEllipsoid(MudShapeToBody(s.yaw, c - s.position), radii));
    }
    int part = 0;
    *at = 0.0f;
    *anchor = s.position;
    for (int limb = 0; limb < 4; limb++) {
        bool arm = limb < 2;
        if (arm ? !limbs.hasArms : !limbs.hasLegs) continue;
        int k = limb & 1;
        Vector3 root = arm ? limbs.arms.shoulder[k] : limbs.legs.hip[k];
        Vector3 middle = arm ? limbs.arms.elbow[k] : limbs.legs.knee[k];
        Vector3 tip = arm ? limbs.arms.hand[k] : limbs.legs.foot[k];
        float width = arm ? limbs.arms.radius * limbs.arms.visibility : limbs.legs.radius * limbs.legs.visibility;
        for (int j = 0; j <= 12; j++) {
            float t = (float)j / 12.0f;
            Vector3 point = MudGaitLimbPoint(root, middle, tip, t);
            float radius = width * (arm ? MudShapeArmTaper(t) : MudShapeLegTaper(t));
            float d = std::fabs(Vector3Distance(c, point) - radius);
            if (d < best) {
                best = d;
                part = arm ? 1 + k : 3 + k;
                *at = t;
                *anchor = point;
            }
        }
    }
    return part;
}

static void RecordCavity(MudSlot &s, const MudShapeLimbs &limbs, Vector3 c, float rc)
{
    float at;
    Vector3 anchor;
    int part = NearestPart(s, limbs, c, &at, &anchor);
    float R = std::fmax(MudBodyRadius(s), 0.001f);
    Vector3 local = MudShapeToBody(s.yaw, c - anchor);
    float volumeScale = std::cbrt(std::fmax(s.scale.x * s.scale.y * s.scale.z, 0.0001f));
    int k = ClampInt(s.wounds.woundCount, 0, 1);
    s.wounds.cavities[k] = {local.x / (R * std::fmax(s.scale.x, 1e-4f)), local.y / (R * std::fmax(s.scale.y, 1e-4f)),
                            local.z / (R * std::fmax(s.scale.z, 1e-4f)), rc / (R * volumeScale)};
    s.wounds.cavityPart[k] = part;
    s.wounds.cavityAt[k] = at;
    s.wounds.woundCount = k + 1;
}

// One sphere strike on an ordinary body; false for a glancing miss that changes nothing.
static bool SphereOnBody(MudPool &pool, Soil &soil, int i, Vector3 from, Vector3 d, float radius, Vector3 contact)
{
    MudSlot &s = pool.slots[i];
    MudSlot preHit = s;
    MudShapeLimbs limbs = MudShapeLimbsOf(s);
    MudShape shape;
    MudShapePrepare(s, limbs, shape);

    Vector3 toCentre = s.position - from;
    float behind = Vector3DotProduct(toCentre, d);
    float offLine = Vector3Length(toCentre - d * behind);
    bool lethal = behind >= -radius && offLine < 0.33f * MudBodyScale(s) + 0.22f * radius;
    Vector3 c = contact + d * (0.85f * radius);
    float rc = 1.05f * radius;
    if (Vector3Distance(c, s.position) <= 0.9f * rc) lethal = true;

    int n = 0;
    for (int a = 0; a < 5; a++)
        for (int b = 0; b < 5; b++)
            for (int e = 0; e < 5; e++) {
                Vector3 offset = {(-0.8f + 0.4f * (float)a) * rc, (-0.8f + 0.4f * (float)b) * rc, (-0.8f + 0.4f * (float)e) * rc};
                if (Vector3LengthSqr(offset) > rc * rc) continue;
                if (MudShapeDistance(shape, c + offset) <= 0.0f) n++;
            }
    float remaining = MudClayVolume(s);
    float amount = std::fmin(rc * rc * rc * SPHERE_CLAY_FACTOR * (float)n / 125.0f, MAX_LOSS_PER_STRIKE * remaining);
    if (amount < 0.003f * remaining && !lethal && s.wounds.woundCount < 2) return false;

    amount = std::fmax(amount, 0.015f * remaining);
    s.wounds.removedVolume += amount;
    MudWoundsDebrisLaunch(pool, &soil, i, c, d, amount);
    TouchdownAt(s, c);
    if (!lethal && s.wounds.woundCount < 2 && s.wounds.removedVolume < LETHAL_LOSS * BaseVolume(s)) {
        RecordCavity(s, limbs, c, rc);
        return true;
    }
    MudWoundsDie(pool, i, false, NoPlane(), preHit, true);
    return true;
}

int MudHitSphere(MudPool &pool, Soil &soil, Vector3 from, Vector3 to, float radius, uint64_t *mask)
{
    if (!IsFinite(from) || !IsFinite(to) || !IsFinite(radius) || !(radius > 0.0f)) return 0;
    Vector3 segment = to - from;
    float length = Vector3Length(segment);
    if (!IsFinite(length)) return 0;
    Vector3 d = length > 1e-6f ? segment * (1.0f / length) : Vector3{0.0f, -1.0f, 0.0f};
    int hits = 0;
    for (int i = 0; i < UsedCount(pool); i++) {
        uint64_t bit = MudHitMaskBit(i);
        if (mask && (*mask & bit)) continue;
        MudSlot &s = pool.slots[i];
        if (!Strikable(s)) continue;
        if (SegmentDistance(s.position, from, to) > 3.5f * MudBodyRadius(s) + radius) continue;
        MudShape shape;
        MudShapePrepare(s, MudShapeLimbsOf(s), shape);
        Vector3 contact;
        float along;
        if (!MarchSphere(shape, from, d, length, radius, 0.75f, 48, &contact, &along)) continue;
        InterruptFusion(pool, i);
        bool hit = true;
        if (s.boss) {
            BossHit(pool, i, contact, 1.0f, 3.0f, 0.22f, true);
        } else if (s.roller) {
            MudSlot preHit = s;
            float amount = 0.35f * MudClayVolume(s);
            s.wounds.removedVolume += amount;
            MudWoundsDebrisLaunch(pool, &soil, i, contact, d, amount);
            TouchdownAt(s, contact);
            MudWoundsDie(pool, i, false, NoPlane(), preHit, true);
        } else {
            hit = SphereOnBody(pool, soil, i, from, d, radius, contact);
        }
        if (!hit) continue;
        hits++;
        if (mask) *mask |= bit;
    }
    return hits;
}

// [SECTION] Blade strikes

// Share of the clay inside the body's box that lies on the far side of the plane from the centre.
static float FarShare(const MudShape &shape, Vector3 normal, Vector3 through, float centreSide)
{
    Vector3 lo, hi;
    MudShapeBounds(shape, &lo, &hi);
    int inside = 0, far = 0;
    float step = (hi.y - lo.y) / 9.0f;
    for (int a = 0; a < 13; a++)
        for (int e = 0; e < 13; e++) {
            float x = lo.x + (hi.x - lo.x) * ((float)a + 0.5f) / 13.0f, z = lo.z + (hi.z - lo.z) * ((float)e + 0.5f) / 13.0f;
            int count = MudShapeColumnInside(shape, x, z, lo.y + 0.5f * step, step, 9);
            inside += count;
            // The plane is vertical: a whole column lies on one side of it.
            float side = normal.x * (x - through.x) + normal.z * (z - through.z);
            if (side * centreSide < 0.0f) far += count;
        }
    return inside > 0 ? (float)far / (float)inside : 0.0f;
}

// One blade strike on an ordinary body; false when nothing was cut.
static bool BladeOnBody(MudPool &pool, Soil &soil, int i, Vector3 normal, Vector3 contact)
{
    MudSlot &s = pool.slots[i];
    MudSlot preHit = s;
    float R = MudBodyRadius(s);
    Vector4 plane = {normal.x, 0.0f, normal.z, -(normal.x * contact.x + normal.z * contact.z)};
    float side = normal.x * (s.position.x - contact.x) + normal.z * (s.position.z - contact.z);
    if (std::fabs(side) <= 0.35f * R) {
        TouchdownAt(s, contact);
        MudWoundsDie(pool, i, true, plane, preHit, true);
        return true;
    }
    MudShape shape;
    MudShapePrepare(s, MudShapeLimbsOf(s), shape);
    float f = FarShare(shape, normal, contact, side);
    if (f < 0.003f) return false;
    TouchdownAt(s, contact);
    ClearAttackLatches(s);
    if (s.wounds.planarCut) {
        MudWoundsDie(pool, i, true, plane, preHit, true);
        return true;
    }
    float sign = side > 0.0f ? 1.0f : -1.0f;
    float amount = std::fmin(f, MAX_LOSS_PER_STRIKE) * MudClayVolume(s);
    s.wounds.removedVolume += amount;
    MudWoundsDebrisLaunch(pool, &soil, i, contact, normal * -sign, amount);
    if (s.wounds.removedVolume >= LETHAL_LOSS * BaseVolume(s)) {
        MudWoundsDie(pool, i, true, plane, preHit, true);
        return true;
    }
    // The removed side is the positive side of the stored plane, through the contact.
    Vector3 removed = MudShapeToBody(s.yaw, normal * -sign);
    s.wounds.cutPlane = {removed.x * s.scale.x, 0.0f, removed.z * s.scale.z, -std::fabs(side) / std::fmax(R, 0.001f)};
    s.wounds.planarCut = 1;
    // Away from the blade, toward the side the body kept.
    s.recoil = normal * (4.0f * sign);
    MudGaitStopDash(s);
    return true;
}

int MudHitBlade(MudPool &pool, Soil &soil, Vector3 from, Vector3 to, float radius, Vector3 cutDirection, uint64_t *mask)
{
    if (!IsFinite(from) || !IsFinite(to) || !IsFinite(radius) || !IsFinite(cutDirection) || !(radius > 0.0f)) return 0;
    Vector3 path = {to.x - from.x, 0.0f, to.z - from.z};
    float length = LengthXZ(path);
    if (!IsFinite(length)) return 0;
    Vector3 dir = length > 1e-6f ? path * (1.0f / length) : Vector3{0.0f, 0.0f, 1.0f};
    Vector3 orientation = {cutDirection.x, 0.0f, cutDirection.z};
    float orientationLength = LengthXZ(orientation);
    orientation = orientationLength > 1e-6f && IsFinite(orientationLength) ? orientation * (1.0f / orientationLength) : dir;
    Vector3 normal = {-orientation.z, 0.0f, orientation.x};
    int hits = 0;
    for (int i = 0; i < UsedCount(pool); i++) {
        uint64_t bit = MudHitMaskBit(i);
        if (mask && (*mask & bit)) continue;
        MudSlot &s = pool.slots[i];
        if (!Strikable(s)) continue;
        if (SegmentDistanceXZ(s.position, from, to) > 3.5f * MudBodyRadius(s) + radius) continue;
        MudShape shape;
        MudShapePrepare(s, MudShapeLimbsOf(s), shape);
        Vector3 contact;
        if (!MarchBlade(shape, from, dir, length, radius, &contact)) continue;
        InterruptFusion(pool, i);
        bool hit = true;
        if (s.boss) {
            BossHit(pool, i, contact, 2.0f, 2.0f, 0.22f, true);
        } else if (s.roller) {
            MudSlot preHit = s;
            TouchdownAt(s, contact);
            Vector4 plane = {normal.x, 0.0f, normal.z, -(normal.x * contact.x + normal.z * contact.z)};
            MudWoundsDie(pool, i, true, plane, preHit, true);
        } else {
            hit = BladeOnBody(pool, soil, i, normal, contact);
        }
        if (!hit) continue;
        hits++;
        if (mask) *mask |= bit;
    }
    return hits;
}

// [SECTION] Plasma and repel

int MudHitPlasma(MudPool &pool, Vector3 from, Vector3 to, float radius, Vector3 *contact)
{
    if (!IsFinite(from) || !IsFinite(to) || !IsFinite(radius) || !(radius > 0.0f)) return -1;
    Vector3 segment = to - from;
    float length = Vector3Length(segment);
    if (!IsFinite(length)) return -1;
    Vector3 d = length > 1e-6f ? segment * (1.0f / length) : Vector3{0.0f, -1.0f, 0.0f};
    int best = -1;
    float bestAlong = 0.0f;
    Vector3 bestPoint = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < UsedCount(pool); i++) {
        if (!MudGaitPushable(pool, i)) continue;
        const MudSlot &s = pool.slots[i];
        if (SegmentDistance(s.position, from, to) > 3.5f * MudBodyRadius(s) + radius + 0.01f) continue;
        MudShape shape;
        MudShapePrepare(s, MudShapeLimbsOf(s), shape);
        Vector3 point;
        float along;
        if (!MarchSphere(shape, from, d, length, radius + 0.01f, 0.75f, 48, &point, &along)) continue;
        if (best < 0 || along < bestAlong) {
            best = i;
            bestAlong = along;
            bestPoint = point;
        }
    }
    if (best < 0) return -1;
    MudSlot &s = pool.slots[best];
    if (s.boss) {
        BossHit(pool, best, bestPoint, 3.0f, 1.0f, 0.16f, false);
    } else {
        MudSlot preHit = s;
        float R = std::fmax(MudBodyRadius(s), 0.001f);
        Vector3 local = MudShapeToBody(s.yaw, bestPoint - s.position);
        s.hitPoint = {local.x / (R * std::fmax(s.scale.x, 0.05f)), local.y / (R * std::fmax(s.scale.y, 0.05f)),
                      local.z / (R * std::fmax(s.scale.z, 0.05f))};
        s.hitKind = 3.0f;
        s.hitFlash = 0.16f;
        s.sinceHit = 0.0f;
        s.scorch += 1.0f;
        // A fusion averages scorch, so it can pass 3 without ever equalling it.
        if (s.scorch >= 3.0f) MudWoundsDie(pool, best, false, NoPlane(), preHit, true);
    }
    if (contact) *contact = bestPoint;
    return best;
}

int MudRepel(MudPool &pool, Vector3 centre, float radius, int maxCount)
{
    if (!IsFinite(centre) || !IsFinite(radius) || !(radius > 0.0f) || maxCount <= 0) return 0;
    int limit = maxCount < MUD_CAPACITY ? maxCount : MUD_CAPACITY;
    uint64_t chosen = 0;
    int pushed = 0;
    for (; pushed < limit; pushed++) {
        int pick = -1;
        float pickDistance = 0.0f;
        for (int i = 0; i < UsedCount(pool); i++) {
            if ((chosen & MudHitMaskBit(i)) || !MudGaitPushable(pool, i) || pool.slots[i].roller) continue;
            float distance = LengthXZ(pool.slots[i].position - centre);
            if (!(distance < radius)) continue;
            if (pick < 0 || distance < pickDistance) {
                pick = i;
                pickDistance = distance;
            }
        }
        if (pick < 0) break;
        chosen |= MudHitMaskBit(pick);
        MudSlot &s = pool.slots[pick];
        Vector3 away = {s.position.x - centre.x, 0.0f, s.position.z - centre.z};
        away = pickDistance < 0.003f ? Vector3{std::cos(s.phase), 0.0f, std::sin(s.phase)} : away * (1.0f / pickDistance);
        s.knockback = away * (s.boss ? 2.5f : 14.0f);
        MudGaitStopDash(s);
        if (s.state != MUD_HOP_FLIGHT) {
            s.from = s.to = s.position;
            s.state = MUD_RESTING;
            s.timer = 0.0f;
            s.duration = 0.6f;
            s.cooldown = std::fmax(s.cooldown, 0.8f);
            s.punchActive = s.kickActive = s.dashActive = 0;
        }
        TouchdownAt(s, s.position);
    }
    return pushed;
}

// [SECTION] Ledger

double MudWoundsClay(const MudPool &pool)
{
    double clay = (double)pool.unplacedClay;
    for (int i = 0; i < UsedCount(pool); i++) {
        const MudSlot &s = pool.slots[i];
        if (s.mass > 0.0f) clay += (double)MudClayVolume(s);
        for (const MudDebris &chunk : s.debris)
            if (chunk.active) clay += (double)chunk.volume;
    }
    return clay;
}
