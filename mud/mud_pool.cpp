// Mudling pool: reset, placement, birth, the bun hop cycle, rollers, the gatherer, and the order
// of one update. Movement and contacts are in mud_gait.cpp, fusion in mud_merge.cpp, bun and
// walker attacks in mud_attack.cpp, golem arms, punches and throws in mud_golem.cpp.
//
// Index
//   [SECTION] Derived quantities
//   [SECTION] Obstacle tests and the phase clock
//   [SECTION] Later stages of the update
//   [SECTION] Reset and settings
//   [SECTION] Placement
//   [SECTION] Birth and hop cycle
//   [SECTION] Rollers
//   [SECTION] Gatherer
//   [SECTION] Update
//   [SECTION] Queries
#include "mud/mud_pool.h"

#include "common/maths.h"
#include "mud/mud_attack.h"
#include "mud/mud_gait.h"
#include "mud/mud_golem.h"
#include "mud/mud_merge.h"
#include "mud/mud_wounds.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>
#include <cstring>

static constexpr float PI_F = 3.14159265358979f;

static int UsedCount(const MudPool &pool) { return ClampInt(pool.count, 0, MUD_CAPACITY); }
static float Frac(float x) { return x - std::floor(x); }
static float HorizontalDistance(Vector3 a, Vector3 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z)); }

// [SECTION] Derived quantities

int MudFormClass(float mass) { return mass >= 7.0f ? 2 : (mass >= 4.0f ? 1 : 0); }
bool MudWalkerShaped(const MudSlot &slot) { return slot.mass >= 4.0f || slot.walkerGrowth > 0.001f; }
bool MudGolemShaped(const MudSlot &slot) { return slot.mass >= 7.0f || slot.golemGrowth > 0.001f; }
bool MudIsBun(const MudSlot &slot) { return slot.mass < 4.0f && slot.walkerGrowth <= 0.001f; }
float MudBodyRadius(const MudSlot &slot) { return std::cbrt(slot.mass) * slot.size; }

float MudBodyScale(const MudSlot &slot)
{
    float legNorm = slot.legNorm > 0.0f ? slot.legNorm : 1.0f;
    return MudBodyRadius(slot) * legNorm;
}

float MudSizeFactor(const MudSlot &slot) { return ClampSafe(slot.size / MUD_UNIT_SIZE, 0.9f, 1.0f); }
float MudBossFactor(const MudSlot &slot) { return slot.boss && !slot.gatherer ? 1.5f : 1.0f; }
float MudTempo(const MudSlot &slot) { return (2.0f - MudSizeFactor(slot)) * MudBossFactor(slot); }

float MudClayVolume(const MudSlot &slot)
{
    float base = slot.boss && slot.storedVolume > 0.0f ? slot.storedVolume : slot.mass * slot.size * slot.size * slot.size;
    float volume = base - slot.wounds.removedVolume;
    return IsFinite(volume) && volume > 0.0f ? volume : 0.0f;
}

Vector3 MudRestShape(const MudSlot &slot) { return MudRestShapeFor(slot.walkerGrowth, slot.golemGrowth); }

Vector3 MudRestShapeFor(float walkerGrowth, float golemGrowth)
{
    float w = Smoothstep(walkerGrowth);
    float g = Smoothstep(golemGrowth);
    Vector3 walker = {1.13f + 0.1f * w, 0.68f - 0.1f * w, 1.03f - 0.06f * w};
    return {walker.x + (0.94f - walker.x) * g, walker.y + (1.03f - walker.y) * g, walker.z + (0.89f - walker.z) * g};
}

float MudRestHeight(const MudSlot &slot, float shapeY)
{
    float R = MudBodyRadius(slot);
    float legNorm = slot.legNorm > 0.0f ? slot.legNorm : 1.0f;
    return TerrainHeight(slot.position.x, slot.position.z) + R * legNorm * shapeY - 0.025f +
           Smoothstep(slot.walkerGrowth) * slot.legLength + Smoothstep(slot.golemGrowth) * R * 0.43f;
}

// [SECTION] Obstacle tests and the phase clock

float MudObstacleSweep(const MudObstacle &obstacle, Vector3 from, Vector3 to, float r, bool vertical)
{
    if (!obstacle.active || !IsFinite(from) || !IsFinite(to) || !IsFinite(r)) return 1.0f;
    float reach = r + obstacle.radius;
    float fx = from.x - obstacle.position.x, fz = from.z - obstacle.position.z;
    float dx = to.x - from.x, dz = to.z - from.z;
    float a = dx * dx + dz * dz;
    float c = fx * fx + fz * fz - reach * reach;
    float h0, h1;
    if (a < 1e-12f) {
        if (!(c < 0.0f)) return 1.0f;
        h0 = 0.0f;
        h1 = 1.0f;
    } else {
        float b = 2.0f * (fx * dx + fz * dz);
        float disc = b * b - 4.0f * a * c;
        if (!(disc > 0.0f)) return 1.0f;
        float root = std::sqrt(disc);
        h0 = std::fmax((-b - root) / (2.0f * a), 0.0f);
        h1 = std::fmin((-b + root) / (2.0f * a), 1.0f);
        if (!(h0 < h1)) return 1.0f;
    }
    if (vertical) {
        float low = obstacle.position.y - r, high = obstacle.position.y + obstacle.height + r;
        float dy = to.y - from.y;
        float v0, v1;
        if (std::fabs(dy) < 1e-9f) {
            if (from.y < low || from.y > high) return 1.0f;
            v0 = 0.0f;
            v1 = 1.0f;
        } else {
            float ta = (low - from.y) / dy, tb = (high - from.y) / dy;
            v0 = std::fmin(ta, tb);
            v1 = std::fmax(ta, tb);
        }
        h0 = std::fmax(h0, v0);
        h1 = std::fmin(h1, v1);
        if (h0 > h1) return 1.0f;
    }
    return h0;
}

Vector3 MudObstaclePushOut(const MudObstacle &obstacle, Vector3 from, Vector3 to, float r)
{
    if (!obstacle.active || !IsFinite(from) || !IsFinite(to) || !IsFinite(r)) return to;
    Vector3 p = to;
    float fraction = MudObstacleSweep(obstacle, from, to, r, false);
    if (fraction < 1.0f) {
        float t = std::fmax(fraction - 0.0001f, 0.0f);
        p.x = from.x + (to.x - from.x) * t;
        p.z = from.z + (to.z - from.z) * t;
    }
    float need = r + obstacle.radius + 0.001f;
    float px = p.x - obstacle.position.x, pz = p.z - obstacle.position.z;
    if (px * px + pz * pz >= need * need) return p;
    // Out on the side the body came from, so a body never tunnels through to the far side.
    float ax = from.x - obstacle.position.x, az = from.z - obstacle.position.z;
    float length = std::sqrt(ax * ax + az * az);
    if (length < 1e-6f) {
        ax = px;
        az = pz;
        length = std::sqrt(ax * ax + az * az);
    }
    if (length < 1e-6f) {
        ax = 1.0f;
        az = 0.0f;
        length = 1.0f;
    }
    p.x = obstacle.position.x + ax / length * need;
    p.z = obstacle.position.z + az / length * need;
    return p;
}

float MudPhaseOvershoot(const MudSlot &slot) { return slot.timer >= slot.duration ? slot.timer - slot.duration : -1.0f; }
void MudPhaseCarry(MudSlot &slot, float overshoot) { slot.timer = overshoot > 0.0f ? overshoot : 0.0f; }

void MudTouchdown(MudSlot &slot)
{
    slot.touchdown = slot.position;
    if (!(slot.touchdown.y >= 0.08f)) slot.touchdown.y = 0.08f;
    slot.sinceTouchdown = 0.0f;
}

// [SECTION] Later stages of the update
// Places in the update order that merging, attacks, golem arms and wounds fill in; a wound
// place changes nothing until its stage exists.

// Golem arm spring: first-frame set-up of lag, velocity and last yaw for golem shapes.
static void ArmSpringInit(MudPool &pool, int i) { MudGolemArmSpringInit(pool.slots[i]); }
// Golem arm pose snapshot for the swept queries; without arms every joint repeats the position.
static void ArmSnapshot(MudSlot &slot) { slot.previousArms = MudGolemArmPose(slot, nullptr); }
// Golem pickups of lone buns.
static void GolemPickups(MudPool &pool, Vector3 player) { MudGolemPickups(pool, player); }
// Merge pairing: starts fusions between compatible touching bodies.
static void MergePairing(MudPool &pool) { MudMergePairing(pool); }
// Fusion step of an absorbing slot.
static void FusionStep(MudPool &pool, int i, float dt) { MudMergeStep(pool, i, dt); }
// Fusion interruption before anything else happens to a fusing body.
static void FusionInterrupt(MudPool &pool, int i) { MudMergeInterrupt(pool, i); }
// Corpse collapse and its soil deposit.
static void CorpseStep(MudPool &pool, int i, float dt, Soil *soil) { MudWoundsCorpseStep(pool, soil, i, dt); }
// Flight and landing of a slot's two debris chunks.
static void DebrisFly(MudPool &pool, int i, float dt, Soil *soil) { MudWoundsDebrisFly(pool, soil, i, dt); }
// Death without reward (wave clean-up): frozen-pose collapse.
static void DieWithoutReward(MudPool &pool, int i)
{
    MudSlot preHit = pool.slots[i];
    MudWoundsDie(pool, i, false, Vector4{0.0f, 0.0f, 0.0f, 0.0f}, preHit, false);
}
// Held, thrown, puddle and reassembly states of a thrown bun; true when it claimed the slot.
static bool ThrownBunStep(MudPool &pool, int i, float) { return MudGolemThrownStep(pool, i); }
// Golem punch and throw states; true when it claimed the slot.
static bool GolemAttackStep(MudPool &pool, int i, Vector3, float) { return MudGolemAttackStep(pool, i); }
// Golem arm spring step after the gait.
static void ArmSpringStep(MudPool &pool, int i, float dt) { MudGolemArmSpringStep(pool.slots[i], dt); }
// Held buns follow their golem's hand.
static void HeldBunsFollow(MudPool &pool) { MudGolemHeldFollow(pool); }
// Dash windup at the end of a bun's rest; true when the bun starts one instead of hopping.
static bool StartDashWindup(MudPool &pool, int i, Vector3 player) { return MudAttackStartDashWindup(pool, i, player); }
// Per-frame pose of the dash windup, dash, dash recovery and boss leap.
static void BunAttackFrame(MudPool &pool, int i, Vector3, float) { MudAttackBunFrame(pool, i); }
// End actions of those states.
static bool BunAttackEnd(MudPool &pool, int i, Vector3) { return MudAttackBunEnd(pool, i); }

// [SECTION] Reset and settings

bool MudPoolIndexValid(const MudPool &pool, int index) { return index >= 0 && index < UsedCount(pool); }

void MudPoolReset(MudPool &pool, int limit)
{
    memset(&pool, 0, sizeof(pool));
    pool.rng = 7319u;
    pool.spawnTimer = 0.5f;
    pool.mergeEnabled = 1;
    pool.attacksEnabled = 1;
    pool.limit = ClampInt(limit, 0, MUD_CAPACITY);
    for (MudSlot &slot : pool.slots) slot.heldBun = slot.holder = -1;
}

void MudPoolSetObstacle(MudPool &pool, Vector3 position, float radius, float height, bool active)
{
    MudObstacle obstacle{};
    if (IsFinite(position) && IsFinite(radius) && IsFinite(height)) {
        obstacle.position = position;
        obstacle.radius = radius > 0.0f ? radius : 0.0f;
        obstacle.height = height > 0.0f ? height : 0.0f;
        obstacle.active = active && radius > 0.0f && height > 0.0f ? 1 : 0;
    }
    pool.obstacle = obstacle;
    for (int i = 0; i < UsedCount(pool); i++) pool.slots[i].obstacle = obstacle;
}

void MudPoolSetDirector(MudPool &pool, int buns, int walkers, int golems)
{
    pool.director = 1;
    pool.limit = 0;
    pool.formCountsValid = 0;
    pool.directorTarget[0] = ClampInt(buns, 0, MUD_CAPACITY);
    pool.directorTarget[1] = ClampInt(walkers, 0, MUD_CAPACITY);
    pool.directorTarget[2] = ClampInt(golems, 0, MUD_CAPACITY);
}

void MudPoolQueueExtra(MudPool &pool)
{
    if (pool.queued <= MUD_QUEUE_MAX - MUD_QUEUE_STEP) pool.queued += MUD_QUEUE_STEP;
}

// [SECTION] Placement

int MudPoolSpawn(MudPool &pool, Vector3 centre, bool force, float mass, float size, bool gathererPlacement)
{
    if (!IsFinite(centre) || !IsFinite(mass) || !IsFinite(size) || !(mass > 0.0f) || !(size > 0.0f)) return -1;
    if (!force && !(pool.count < pool.limit)) return -1;
    int used = UsedCount(pool);
    int index = -1;
    if (used < MUD_CAPACITY) {
        index = used;
    } else {
        for (int i = 0; i < MUD_CAPACITY && index < 0; i++) {
            const MudSlot &s = pool.slots[i];
            if (s.state == MUD_FREE && !s.debris[0].active && !s.debris[1].active) index = i;
        }
    }
    if (index < 0) return -1;

    float R0 = std::cbrt(mass) * size;
    float clearance = gathererPlacement ? 5.7f : (mass < 7.0f ? 1.9f : 1.65f);
    int attempts = gathererPlacement ? 40 : 120;
    for (int attempt = 0; attempt < attempts; attempt++) {
        float u1 = LcgUnit(pool.rng);
        float u2 = LcgUnit(pool.rng);
        float angle = 2.0f * PI_F * u1;
        float distance = gathererPlacement ? 8.0f + 2.0f * u2
                                           : (pool.director ? 6.5f + 9.0f * u2 : 5.5f + 3.0f * u2) +
                                                 std::fmax(0.0f, R0 - 0.65f) * 1.8f;
        distance += 10.0f * (float)(attempt / 40);
        Vector3 candidate = {centre.x + std::cos(angle) * distance, centre.y, centre.z + std::sin(angle) * distance};
        if (!ArenaContainsCircle(candidate, clearance * R0)) continue;
        if (pool.obstacle.active && HorizontalDistance(candidate, pool.obstacle.position) < clearance * R0 + pool.obstacle.radius)
            continue;
        Vector3 ground = {candidate.x, 0.0f, candidate.z};
        if (Vector3Distance(ground, centre) <= 4.5f) continue;
        bool clear = true;
        for (int j = 0; j < used && clear; j++) {
            if (j == index) continue;
            const MudSlot &other = pool.slots[j];
            if (HorizontalDistance(ground, other.spawnPoint) < 1.8f) clear = false;
            if (other.mass > 0.0f && HorizontalDistance(ground, other.position) < (MudBodyRadius(other) + R0) * 1.42f + 0.1f)
                clear = false;
        }
        if (!clear) continue;

        pool.formCountsValid = 0;
        MudSlot &s = pool.slots[index];
        memset(&s, 0, sizeof(s));
        s.obstacle = pool.obstacle;
        s.spawnPoint = s.from = s.position = ground;
        s.mass = mass;
        s.leader = s.heldBun = s.holder = -1;
        s.wetness = 1.0f;
        s.size = (0.9f + 0.1f * LcgUnit(pool.rng)) * size;
        s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
        s.golemGrowth = mass >= 7.0f ? 1.0f : 0.0f;
        s.legLength = std::cbrt(mass) * s.walkerGrowth * s.size * 0.85f;
        s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
        s.phase = 50.0f * LcgUnit(pool.rng);
        s.yaw = std::atan2(centre.x - ground.x, centre.z - ground.z);
        s.state = MUD_BURIED;
        s.sinceTouchdown = 10.0f;
        s.duration = 1.25f / MudTempo(s);
        s.scale = {1.0f, 0.01f, 1.0f};
        if (index == used) pool.count = used + 1;
        return index;
    }
    return -1;
}

int MudPoolSpawnBoss(MudPool &pool, Vector3 centre, int bossIndex, bool asGatherer)
{
    static const float HEALTH[3] = {24.0f, 32.0f, 44.0f};
    int form = ClampInt(bossIndex, 0, 2);
    bool gatherer = asGatherer && form == 0;
    float size = gatherer ? MUD_UNIT_SIZE : MUD_BOSS_SIZE;
    float mass = 3.0f * (float)form + 3.0f;
    int index = MudPoolSpawn(pool, centre, true, mass, size, gatherer);
    if (index < 0) return -1;
    MudSlot &s = pool.slots[index];
    s.boss = 1;
    s.bossIndex = form;
    s.gatherer = gatherer ? 1 : 0;
    s.health = s.maxHealth = HEALTH[form];
    s.size = size;
    s.storedVolume = size * size * size * mass;
    s.sinceHit = 100.0f;
    s.cooldown = 1.5f;
    s.legLength = std::cbrt(mass) * size * s.walkerGrowth * 0.85f;
    if (gatherer) {
        s.state = MUD_RESTING;
        s.scale = MudRestShape(s);
        s.position.y = MudRestHeight(s, s.scale.y);
        s.presence = 1.0f;
        s.duration = 1.0f;
    } else {
        // The burial is timed with the boss's own tempo, known only now that it is a boss.
        s.duration = 1.25f / MudTempo(s);
    }
    return index;
}

int MudPoolSpawnRoller(MudPool &pool, Vector3 &position, Vector3 velocity, float radius)
{
    if (!IsFinite(position) || !IsFinite(velocity) || !IsFinite(radius)) return -1;
    radius = ClampSafe(radius, 0.35f, 1.2f);
    if (pool.obstacle.active &&
        HorizontalDistance(position, pool.obstacle.position) < radius * 1.08f + pool.obstacle.radius)
        return -1;
    int used = UsedCount(pool);
    int index = -1;
    for (int i = 0; i < used && index < 0; i++) {
        const MudSlot &s = pool.slots[i];
        if (s.state == MUD_FREE && !s.debris[0].active && !s.debris[1].active) index = i;
    }
    if (index < 0 && used < MUD_CAPACITY) index = used;
    if (index < 0) return -1;

    MudSlot &s = pool.slots[index];
    memset(&s, 0, sizeof(s));
    s.obstacle = pool.obstacle;
    s.size = radius;
    s.roller = 1;
    s.mass = 1.0f;
    s.wetness = 1.0f;
    s.leader = s.heldBun = s.holder = -1;
    position = ArenaClampCircle(position, radius * 1.08f);
    s.position = position;
    s.state = MUD_HOP_FLIGHT;
    s.scale = {1.0f, 1.0f, 1.0f};
    s.spawnPoint = s.from = position;
    s.rollVelocity = {velocity.x, 0.0f, velocity.z};
    s.duration = 100.0f;
    s.position.y = TerrainHeight(position.x, position.z) + radius;
    s.phase = 50.0f * LcgUnit(pool.rng);
    s.sinceTouchdown = 10.0f;
    s.previousPosition = s.endPosition = s.position;
    // A roller placed past the high-water mark must raise it, or nothing would ever see it.
    if (index == used) pool.count = used + 1;
    return index;
}

// [SECTION] Birth and hop cycle

// Pose of the current bun state at its phase clock; `elapsed` is the time spent in the state
// during this update.
static void BunFrame(MudPool &pool, int i, Vector3 player, float elapsed)
{
    MudSlot &s = pool.slots[i];
    float t = ClampSafe(s.timer / s.duration, 0.0f, 1.0f);
    float R = MudBodyRadius(s);
    float ground = TerrainHeight(s.position.x, s.position.z);
    float sf = MudSizeFactor(s);
    switch (s.state) {
    case MUD_BURIED:
        s.mound = (0.07f * std::sin(22.0f * t) + 1.0f) * Smoothstep(t) * 0.38f;
        s.presence = 0.0f;
        s.position.y = ground - R;
        s.scale = {1.0f, 0.01f, 1.0f};
        break;
    case MUD_EMERGING: {
        s.position.x = s.spawnPoint.x;
        s.position.z = s.spawnPoint.z;
        ground = TerrainHeight(s.position.x, s.position.z);
        float g = Smoothstep(5.0f * t);
        float arc = std::sin(PI_F * t);
        s.emergence = Smoothstep(3.0f * t);
        s.mound = (1.0f - s.emergence) * 0.38f;
        s.spray = t < 0.48f ? (1.0f - Smoothstep(t / 0.48f)) * 0.22f : 0.0f;
        s.presence = Smoothstep(5.0f * (t - 0.12f));
        if (MudWalkerShaped(s)) {
            s.walkerGrowth = s.emergence;
            s.golemGrowth = s.mass >= 7.0f ? s.emergence : 0.0f;
            Vector3 rest = MudRestShape(s);
            s.scale = {rest.x * (0.85f + 0.15f * t), rest.y * (0.55f + 0.45f * s.emergence), rest.z * (0.85f + 0.15f * t)};
            s.position.y = MudRestHeight(s, s.scale.y) + 1.25f * arc;
        } else {
            float xz = 0.9f - 0.15f * arc + 0.22f * t;
            s.scale = {xz, 0.55f * Smoothstep(4.0f * t) + 0.6f - 0.42f * t, xz};
            s.position.y = ground - (1.0f - g) * 0.2f * R + 0.68f * R * g + 1.25f * sf * arc;
        }
        float before = (s.timer - elapsed) / s.duration;
        if (before < 0.48f && t >= 0.48f) MudTouchdown(s);
        break;
    }
    case MUD_RESTING: {
        float w = std::exp(-3.5f * t) * std::sin(3.0f * PI_F * t);
        Vector3 rest = MudRestShape(s);
        s.scale = {rest.x + 0.13f * w, rest.y - 0.16f * w, rest.z + 0.12f * w};
        s.position.y = MudRestHeight(s, s.scale.y);
        break;
    }
    case MUD_HOP_CROUCH: {
        float k = Smoothstep(t);
        s.scale = {1.13f + 0.17f * k, 0.68f - 0.22f * k, 1.03f + 0.15f * k};
        s.position.y = ground + s.scale.y * R - 0.025f;
        float dx = s.to.x - s.from.x, dz = s.to.z - s.from.z;
        if (std::fabs(dx) + std::fabs(dz) < 0.02f) {
            dx = player.x - s.position.x;
            dz = player.z - s.position.z;
        }
        if (std::fabs(dx) + std::fabs(dz) > 0.0f) s.yaw += WrapAngle(std::atan2(dx, dz) - s.yaw) * EaseFactor(12.0f, elapsed);
        break;
    }
    case MUD_HOP_FLIGHT: {
        s.position.x = s.from.x + (s.to.x - s.from.x) * t;
        s.position.z = s.from.z + (s.to.z - s.from.z) * t;
        ground = TerrainHeight(s.position.x, s.position.z);
        float k = Smoothstep(7.0f * t), w = std::sin(PI_F * t);
        s.scale = {1.3f - 0.28f * k - 0.13f * w, 0.46f + 0.34f * k + 0.38f * w, 1.18f - 0.2f * k - 0.06f * w};
        float h = s.boss ? 1.7f : 0.85f;
        s.position.y = ground + s.scale.y * R + sf * h * 4.0f * t * (1.0f - t) - 0.025f;
        break;
    }
    case MUD_DASH_WINDUP:
    case MUD_DASH:
    case MUD_DASH_RECOVERY:
    case MUD_BOSS_LEAP:
        BunAttackFrame(pool, i, player, elapsed);
        break;
    default:
        break;
    }
}

static void LandFromHop(MudSlot &s)
{
    s.state = MUD_RESTING;
    s.timer = 0.0f;
    s.duration = 0.46f / MudTempo(s);
    MudTouchdown(s);
}

// The decision at the end of a bun's rest: dash when the player is in reach, else a hop that
// stops short of the player, bent around the crowd and the shuttle.
static void EndRest(MudPool &pool, int i, Vector3 player)
{
    MudSlot &s = pool.slots[i];
    if (MudWalkerShaped(s)) {
        s.state = MUD_WALKING;
        s.timer = 0.0f;
        s.duration = 1.0f;
        return;
    }
    float R = MudBodyRadius(s);
    float dx = player.x - s.position.x, dz = player.z - s.position.z;
    float d = std::sqrt(dx * dx + dz * dz);
    if (pool.attacksEnabled && s.cooldown <= 0.0f && d <= (R + 2.0f) * 3.0f &&
        MudObstacleSweep(pool.obstacle, s.position, player, 0.1f, false) >= 1.0f && StartDashWindup(pool, i, player))
        return;
    Vector3 direction = d > 0.001f ? Vector3{dx / d, 0.0f, dz / d} : Vector3{1.0f, 0.0f, 0.0f};
    float length = std::fmin(s.boss ? 2.8f : 1.4f, std::fmax(0.0f, d - (1.42f * R + 0.45f)));
    direction = MudGaitHopSteer(pool, i, direction, length);
    s.from = {s.position.x, 0.0f, s.position.z};
    s.to = ArenaClampExtents({s.from.x + direction.x * length, 0.0f, s.from.z + direction.z * length}, MudGaitFootprint(s));
    s.state = MUD_HOP_CROUCH;
    s.timer = 0.0f;
    s.duration = 0.22f / MudTempo(s);
}

// End action of the current bun state; false when the state has none (yet).
static bool BunEnd(MudPool &pool, int i, Vector3 player)
{
    MudSlot &s = pool.slots[i];
    switch (s.state) {
    case MUD_BURIED:
        s.state = MUD_EMERGING;
        s.timer = 0.0f;
        s.duration = 0.95f / MudTempo(s);
        return true;
    case MUD_EMERGING:
        s.spray = s.mound = 0.0f;
        s.emergence = s.presence = 1.0f;
        LandFromHop(s);
        return true;
    case MUD_RESTING:
        EndRest(pool, i, player);
        return true;
    case MUD_HOP_CROUCH:
        s.state = MUD_HOP_FLIGHT;
        s.timer = 0.0f;
        s.duration = 0.64f / MudTempo(s);
        return true;
    case MUD_HOP_FLIGHT:
        s.steps += 1;
        LandFromHop(s);
        return true;
    case MUD_DASH_WINDUP:
    case MUD_DASH:
    case MUD_DASH_RECOVERY:
    case MUD_BOSS_LEAP:
        return BunAttackEnd(pool, i, player);
    default:
        return false;
    }
}

// Birth, hops and bun attacks of one slot, with each phase end handing its overshoot on.
static void BunStep(MudPool &pool, int i, Vector3 player, float dt)
{
    MudSlot &s = pool.slots[i];
    float elapsed = dt;
    for (int chain = 0; chain < MUD_PHASE_CHAIN_LIMIT; chain++) {
        BunFrame(pool, i, player, elapsed);
        float overshoot = MudPhaseOvershoot(s);
        if (overshoot < 0.0f || !BunEnd(pool, i, player)) return;
        MudPhaseCarry(s, overshoot);
        elapsed = s.timer;
    }
}

// [SECTION] Rollers

static bool RollerStep(MudPool &pool, int i, float dt)
{
    MudSlot &s = pool.slots[i];
    if (!s.roller) return false;
    float radius = s.size * 1.08f;
    Vector3 before = s.position;
    s.position.x += s.rollVelocity.x * dt;
    s.position.z += s.rollVelocity.z * dt;
    if (pool.obstacle.active) {
        Vector3 pushed = MudObstaclePushOut(pool.obstacle, before, s.position, radius);
        if (pushed.x != s.position.x || pushed.z != s.position.z) {
            float nx = pushed.x - pool.obstacle.position.x, nz = pushed.z - pool.obstacle.position.z;
            float length = std::sqrt(nx * nx + nz * nz);
            if (length > 1e-6f) {
                nx /= length;
                nz /= length;
                float vn = s.rollVelocity.x * nx + s.rollVelocity.z * nz;
                if (vn < 0.0f) {
                    s.rollVelocity.x -= 2.0f * vn * nx;
                    s.rollVelocity.z -= 2.0f * vn * nz;
                }
            }
            s.position = pushed;
        }
    }
    bool outside = !ArenaContainsCircle(s.position, radius);
    s.position = ArenaClampCircle(s.position, radius);
    float angle = LengthXZ(s.rollVelocity) * s.timer / std::fmax(s.size, 0.1f);
    s.scale = {1.0f + 0.07f * std::sin(angle), 1.0f + 0.065f * std::cos(angle), 1.0f - 0.05f * std::sin(angle)};
    s.position.y = TerrainHeight(s.position.x, s.position.z) + s.scale.y * s.size;
    s.yaw = 0.24f * angle;
    s.presence = 0.0f;
    if (s.timer >= 18.0f || outside) {
        s.mass = 0.0f;
        s.state = MUD_FREE;
    }
    return true;
}

// [SECTION] Gatherer

bool MudPoolBossAlive(const MudPool &pool, int index)
{
    if (!MudPoolIndexValid(pool, index)) return false;
    const MudSlot &s = pool.slots[index];
    return s.boss && s.health > 0.0f && s.state != MUD_FREE && s.state != MUD_CORPSE;
}

static bool GathererAlive(const MudPool &pool, int index)
{
    return MudPoolBossAlive(pool, index) && pool.slots[index].gatherer;
}

bool MudPoolFollowsGatherer(const MudPool &pool, int index)
{
    if (!MudPoolIndexValid(pool, index)) return false;
    const MudSlot &s = pool.slots[index];
    return !s.boss && s.mass > 0.0f && s.leader != index && GathererAlive(pool, s.leader);
}

// Every free-standing bun of the arena answers the first gatherer still short of its twenty.
static void GathererRecruit(MudPool &pool)
{
    int used = UsedCount(pool);
    for (int g = 0; g < used; g++) {
        if (!GathererAlive(pool, g) || pool.slots[g].gathered >= MUD_GATHER_TARGET) continue;
        for (int b = 0; b < used; b++) {
            MudSlot &s = pool.slots[b];
            if (b == g || s.boss || s.roller || !(s.mass > 0.0f) || s.mass > 3.0f) continue;
            if (MudPoolFollowsGatherer(pool, b)) continue;
            if (s.state != MUD_RESTING && s.state != MUD_HOP_CROUCH && s.state != MUD_HOP_FLIGHT && s.state != MUD_WALKING)
                continue;
            s.from = s.to = s.position;
            s.leader = g;
            s.state = MUD_HOP_FLIGHT;
            s.timer = 0.0f;
            s.duration = 0.65f;
            s.cooldown = 10.0f;
            s.dashActive = 0;
        }
        return;
    }
}

static void GathererGrow(MudSlot &s, float dt)
{
    int gathered = ClampInt(s.gathered, 0, MUD_GATHER_TARGET);
    float target = (2.0f * std::cbrt((float)gathered / (float)MUD_GATHER_TARGET) + 1.0f) * MUD_UNIT_SIZE;
    s.size += (target - s.size) * EaseFactor(5.0f, dt);
    float e = 0.045f * std::sin(9.0f * s.timer);
    s.scale = {1.13f + e, 0.68f - 0.6f * e, 1.03f + e};
    s.position.y = MudRestHeight(s, s.scale.y);
    s.presence = 1.0f;
    s.mound = 0.0f;
    if (s.gathered >= MUD_GATHER_TARGET && std::fabs(s.size - MUD_BOSS_SIZE) < 0.008f) {
        s.size = MUD_BOSS_SIZE;
        s.gatherer = 0;
        s.state = MUD_RESTING;
        s.timer = 0.0f;
        s.duration = 0.6f;
        s.cooldown = 1.0f;
        MudTouchdown(s);
    }
}

// A recruited bun hops straight at its gatherer and is absorbed on contact, unless the gatherer
// is already whole: the count is checked before the clay changes hands.
static void FollowerHop(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    MudSlot &leader = pool.slots[s.leader];
    float Rb = MudBodyRadius(s), Rl = MudBodyRadius(leader);
    float dx = leader.position.x - s.position.x, dz = leader.position.z - s.position.z;
    float distance = std::sqrt(dx * dx + dz * dz);
    if (distance >= 0.3f * Rb + 0.8f * Rl || s.timer <= 0.15f) {
        bool over = s.timer >= s.duration;
        bool idle = std::fabs(s.to.x - s.from.x) + std::fabs(s.to.z - s.from.z) < 0.01f;
        if (over || idle) {
            MudPhaseCarry(s, over ? s.timer - s.duration : 0.0f);
            s.from = s.position;
            Vector3 direction = distance > 0.001f ? Vector3{dx / distance, 0.0f, dz / distance} : Vector3{1.0f, 0.0f, 0.0f};
            float length = std::fmin(distance, 2.5f);
            if (pool.obstacle.active) direction = MudGaitHopSteer(pool, i, direction, length);
            s.to = {s.from.x + direction.x * length, s.from.y, s.from.z + direction.z * length};
            s.yaw = std::atan2(direction.x, direction.z);
            s.steps += 1;
            s.duration = 0.52f + 0.13f * Frac(s.phase);
            MudTouchdown(s);
        }
        float t = ClampSafe(s.timer / s.duration, 0.0f, 1.0f);
        float w = std::sin(PI_F * t);
        s.position.x = s.from.x + (s.to.x - s.from.x) * t;
        s.position.z = s.from.z + (s.to.z - s.from.z) * t;
        s.scale = {1.13f - 0.18f * w, 0.68f + 0.3f * w, 1.03f - 0.12f * w};
        s.position.y = MudRestHeight(s, s.scale.y) + w;
        return;
    }
    if (leader.gathered >= MUD_GATHER_TARGET) {
        s.leader = -1;
        s.state = MUD_RESTING;
        s.timer = 0.0f;
        s.duration = 0.3f;
        return;
    }
    float bunVolume = MudClayVolume(s);
    float weight = leader.storedVolume + bunVolume;
    if (weight > 1e-5f) {
        leader.wetness = (leader.wetness * leader.storedVolume + s.wetness * bunVolume) / weight;
        leader.dryness = (leader.dryness * leader.storedVolume + s.dryness * bunVolume) / weight;
    }
    leader.gathered += 1;
    leader.storedVolume += bunVolume;
    leader.touchdown = s.position;
    if (!(leader.touchdown.y >= 0.08f)) leader.touchdown.y = 0.08f;
    leader.sinceTouchdown = 0.0f;
    if (pool.formCountsValid) pool.formCounts[MudFormClass(s.mass)] -= 1;
    s.mass = 0.0f;
    s.presence = 0.0f;
    s.spray = 0.0f;
    s.state = MUD_FREE;
}

static bool GathererStep(MudPool &pool, int i, float dt)
{
    MudSlot &s = pool.slots[i];
    if (s.gatherer && GathererAlive(pool, i)) {
        GathererGrow(s, dt);
        return true;
    }
    if (MudPoolFollowsGatherer(pool, i)) {
        FollowerHop(pool, i);
        return true;
    }
    return false;
}

// [SECTION] Update

static void RefreshFormCounts(MudPool &pool)
{
    if (pool.formCountsValid) return;
    MudFormCounts counts = MudPoolCountForms(pool);
    for (int k = 0; k < 3; k++) pool.formCounts[k] = counts.counts[k];
    pool.formCountsValid = 1;
}

// One creature per check towards the largest positive deficit; the clock advances by its
// interval so the cadence does not depend on the frame rate.
static void DirectorSpawns(MudPool &pool, Vector3 player, float dt)
{
    if (!pool.director) return;
    pool.directorTimer -= dt;
    for (int n = 0; n < MUD_PHASE_CHAIN_LIMIT && pool.directorTimer <= 0.0f; n++) {
        RefreshFormCounts(pool);
        float deficit[3];
        for (int k = 0; k < 3; k++)
            deficit[k] = pool.directorTarget[k] >= 1
                             ? (float)(pool.directorTarget[k] - pool.formCounts[k]) / (float)pool.directorTarget[k]
                             : 0.0f;
        float b = std::fmax(0.0f, deficit[0]);
        float mass = 0.0f;
        if (deficit[2] > b && deficit[2] > deficit[1]) mass = 7.0f;
        else if (deficit[1] > b) mass = 4.0f;
        else if (deficit[0] > 0.0f) mass = 1.0f;
        if (mass > 0.0f) MudPoolSpawn(pool, player, true, mass, MUD_UNIT_SIZE, false);
        pool.directorTimer += 0.32f;
    }
    if (pool.directorTimer <= 0.0f) pool.directorTimer = 0.32f;
}

static void QueuedSpawns(MudPool &pool, Vector3 player)
{
    for (int n = 0; n < MUD_QUEUE_PER_FRAME && pool.queued > 0; n++) {
        if (MudPoolSpawn(pool, player, true, 1.0f, MUD_UNIT_SIZE, false) < 0) break;
        pool.queued -= 1;
    }
}

static void AmbientSpawn(MudPool &pool, Vector3 player, float dt)
{
    pool.spawnTimer -= dt;
    for (int n = 0; n < MUD_PHASE_CHAIN_LIMIT && pool.spawnTimer <= 0.0f && pool.count < pool.limit; n++) {
        MudPoolSpawn(pool, player, false, 1.0f, MUD_UNIT_SIZE, false);
        pool.spawnTimer += pool.limit < 13 ? 1.25f : 0.17f;
    }
    // A pool at its limit does not bank attempts for later.
    if (pool.spawnTimer < 0.0f) pool.spawnTimer = 0.0f;
}

static void SnapshotSlots(MudPool &pool)
{
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        s.obstacle = pool.obstacle;
        if (MudGolemShaped(s) && !s.armReady) ArmSpringInit(pool, i);
        s.previousPosition = s.flightFrom = s.flightTo = s.position;
        s.dashActive = s.kickActive = s.punchActive = s.projectileActive = 0;
        s.stepDistance = 0.0f;
        s.previousLegs = MudGaitLegPose(s, nullptr);
        ArmSnapshot(s);
    }
}

static void AddHorizontal(Vector3 &v, Vector3 d)
{
    v.x += d.x;
    v.z += d.z;
}

static void Knockback(MudPool &pool, float dt)
{
    float decay = std::exp(-8.0f * dt);
    float share = (1.0f - decay) / 8.0f;
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (!MudGaitPushable(pool, i) || s.roller) {
            s.knockback = {0.0f, 0.0f, 0.0f};
        } else if (s.knockback.x != 0.0f || s.knockback.z != 0.0f) {
            MudGaitPushedMove(pool, i, {s.knockback.x * share, 0.0f, s.knockback.z * share});
            s.knockback = s.knockback * decay;
        }
        if (s.state == MUD_FREE || s.state == MUD_ABSORBED || s.state == MUD_CORPSE) continue;
        if (s.recoil.x == 0.0f && s.recoil.z == 0.0f) continue;
        Vector3 d = {s.recoil.x * share, 0.0f, s.recoil.z * share};
        AddHorizontal(s.position, d);
        if (s.state != MUD_DASH && s.state != MUD_DASH_RECOVERY && s.state != MUD_BOSS_LEAP) {
            AddHorizontal(s.from, d);
            AddHorizontal(s.to, d);
        }
        AddHorizontal(s.mergeStart, d);
        AddHorizontal(s.attackBase, d);
        AddHorizontal(s.kickFoot[0], d);
        AddHorizontal(s.kickFoot[1], d);
        s.recoil = s.recoil * decay;
    }
}

static void StatePass(MudPool &pool, Vector3 player, float dt, Soil *soil)
{
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (s.dashDuration > 0.0f) s.dashElapsed += dt;
        s.cooldown = std::fmax(0.0f, s.cooldown - dt);
        s.pickupCooldown = std::fmax(0.0f, s.pickupCooldown - dt);
        s.hitFlash = std::fmax(0.0f, s.hitFlash - dt);
        s.sinceTouchdown += dt;
        s.sinceHit += dt;
        DebrisFly(pool, i, dt, soil);
        // A massless slot in any other state is a left-over, never a creature.
        if (s.state == MUD_ABSORBED || s.state == MUD_FREE || !(s.mass > 0.0f)) continue;
        if (s.state == MUD_CORPSE) {
            CorpseStep(pool, i, dt, soil);
            continue;
        }
        if (s.state == MUD_ABSORBING) {
            FusionStep(pool, i, dt);
            continue;
        }
        s.timer += dt;
        if (RollerStep(pool, i, dt)) continue;
        if (GathererStep(pool, i, dt)) continue;
        if (ThrownBunStep(pool, i, dt)) continue;
        if (GolemAttackStep(pool, i, player, dt)) continue;
        if (MudGaitWalk(pool, i, player, dt)) continue;
        BunStep(pool, i, player, dt);
    }
}

static void ArenaContainment(MudPool &pool)
{
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (!(s.mass > 0.0f) || s.roller || s.state == MUD_ABSORBED || s.state == MUD_FREE || s.state == MUD_CORPSE)
            continue;
        bool outside = !ArenaContainsExtents(s.position, MudGaitFootprint(s));
        if (!outside && s.state == MUD_ABSORBING && MudPoolIndexValid(pool, s.partner)) {
            const MudSlot &partner = pool.slots[s.partner];
            outside = !ArenaContainsExtents(partner.position, MudGaitFootprint(partner));
        }
        if (outside) MudGaitPushedMove(pool, i, {0.0f, 0.0f, 0.0f});
    }
}

void MudPoolUpdate(MudPool &pool, Vector3 player, float dt, Soil *soil)
{
    if (!(dt > 0.0f) || !IsFinite(dt) || !IsFinite(player)) return;
    pool.frame += 1;
    pool.formCountsValid = 0;
    DirectorSpawns(pool, player, dt);
    QueuedSpawns(pool, player);
    AmbientSpawn(pool, player, dt);
    GathererRecruit(pool);
    SnapshotSlots(pool);
    GolemPickups(pool, player);
    Knockback(pool, dt);
    MergePairing(pool);
    StatePass(pool, player, dt, soil);
    MergePairing(pool);
    ArenaContainment(pool);
    MudGaitShuttlePushOut(pool);
    MudGaitCrowdSolve(pool);
    MudGaitShuttlePushOut(pool);
    MergePairing(pool);
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (s.state == MUD_WALKING && s.mass > 0.0f) MudGaitUpdate(s, dt);
        ArmSpringStep(pool, i, dt);
    }
    HeldBunsFollow(pool);
    for (int i = 0; i < UsedCount(pool); i++) pool.slots[i].endPosition = pool.slots[i].position;
    pool.formCountsValid = 0;
}

void MudPoolClearWave(MudPool &pool)
{
    pool.queued = 0;
    pool.formCountsValid = 0;
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (s.boss || !(s.mass > 0.0f) || s.state == MUD_FREE || s.state == MUD_CORPSE) continue;
        FusionInterrupt(pool, i);
        if (s.state == MUD_BURIED) {
            s.mass = 0.0f;
            s.state = MUD_FREE;
            s.mound = 0.0f;
        } else {
            DieWithoutReward(pool, i);
        }
    }
}

// [SECTION] Queries

MudFormCounts MudPoolCountForms(const MudPool &pool)
{
    MudFormCounts counts{};
    for (int i = 0; i < UsedCount(pool); i++) {
        const MudSlot &s = pool.slots[i];
        if (s.boss || s.roller || !(s.mass > 0.0f)) continue;
        if (s.state == MUD_FREE || s.state == MUD_ABSORBED || s.state == MUD_CORPSE) continue;
        float mass = s.mass;
        if (s.state == MUD_ABSORBING && MudPoolIndexValid(pool, s.partner)) mass += pool.slots[s.partner].mass;
        counts.counts[MudFormClass(mass)] += 1;
    }
    return counts;
}

float MudGroundHeight(const MudPool &pool, float x, float z)
{
    float height = TerrainHeight(x, z);
    if (!IsFinite(x) || !IsFinite(z)) return height;
    for (int i = 0; i < UsedCount(pool); i++) {
        const MudSlot &s = pool.slots[i];
        float dx = x - s.spawnPoint.x, dz = z - s.spawnPoint.z;
        float q = dx * dx + dz * dz;
        if (!(q < 2.25f)) continue;
        float mound = std::fmax(0.0f, 1.0f - q / 1.44f);
        float ring = std::fmax(0.0f, 1.0f - std::fabs(std::sqrt(q) - 0.83f) / 0.3f);
        float pit = std::fmax(0.0f, 1.0f - q / 0.64f);
        height += s.mound * mound * mound + s.emergence * (0.065f * ring * ring - 0.2f * pit * pit);
    }
    return height;
}
