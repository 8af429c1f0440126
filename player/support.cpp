// Support simulation.
//
// Index
//   [SECTION] Reset and queries
//   [SECTION] Bolts
//   [SECTION] Drone
//   [SECTION] Update
#include "player/support.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "mud/mud_pool.h"
#include "mud/mud_wounds.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>

constexpr float DRONE_ARENA_RADIUS = 0.3f;     // metres the drone keeps from the arena's edge
constexpr float DRONE_EASE_RATE = 8.0f;        // per second
constexpr float DRONE_MIN_HEIGHT = 0.7f;       // metres above the ground
constexpr float BOLT_START_OFFSET = 0.32f;     // metres ahead of the drone a bolt appears
constexpr float BOLT_GROUND_STOP = 0.035f;     // metres above the ground a bolt stops
constexpr float BOLT_GROUND_END = 0.04f;       // metres above the ground a bolt ends
constexpr float BOLT_SAMPLE_SPACING = 0.18f;   // metres between ground samples of one flight step
constexpr int BOLT_SAMPLES_MAX = 256;
constexpr int BOLT_REFINE_STEPS = 10;          // halvings of the sample interval that meets the ground
constexpr float LINE_CLEARANCE = 0.04f;        // metres the line of sight keeps above the ground
constexpr float REPEL_CENTRE_LIFT = 0.1f;      // metres

// [SECTION] Reset and queries

void SupportReset(Support &support)
{
    support = {};
    support.sinceRepel = 10.0f;
    support.lastTarget = -1;
    support.aim = {0.0f, 0.0f, 1.0f};
    for (SupportImpact &impact : support.impacts) impact.age = SUPPORT_IMPACT_IDLE_AGE;
}

void SupportClearShots(Support &support)
{
    for (PlasmaBolt &bolt : support.bolts) bolt = {};
    for (SupportImpact &impact : support.impacts) impact.age = std::fmax(impact.age, SUPPORT_IMPACT_IDLE_AGE);
    support.sinceRepel = std::fmax(support.sinceRepel, SUPPORT_RING_SECONDS);
    support.muzzleFlash = 0.0f;
}

bool SupportDroneShown(const Support &support) { return support.droneWasOn && support.dronePlaced; }

SupportDial SupportDialState(const Support &support)
{
    SupportDial dial{};
    dial.visible = support.repelWasOn != 0;
    if (!dial.visible) return dial;
    float interval = support.lastRepelInterval;
    // Before the first update after a purchase the interval is not known yet: no ring, no 0/0.
    dial.ring = IsFinite(interval) && interval > 0.0f;
    dial.fill = dial.ring ? 1.0f - ClampSafe(support.repelTimer / interval, 0.0f, 1.0f) : 0.0f;
    float since = support.sinceRepel;
    dial.glow = since < SUPPORT_DIAL_GLOW_SECONDS ? ClampSafe(1.0f - since / SUPPORT_DIAL_GLOW_SECONDS, 0.0f, 1.0f) : 0.0f;
    dial.seconds = (int)std::ceil(ClampSafe(support.repelTimer, 0.0f, 100000.0f));
    return dial;
}

// [SECTION] Bolts

static void Impact(Support &support, Vector3 at)
{
    support.impacts[support.impactNext] = {at, 0.0f};
    support.impactNext = (support.impactNext + 1) % SUPPORT_IMPACT_CAPACITY;
}

static bool BelowStop(Vector3 p) { return p.y <= TerrainHeight(p.x, p.z) + BOLT_GROUND_STOP; }

// One bolt over dt: stopped by the arena's edge and the ground, ended by the first creature it
// meets, by stopping short, by age or by touching the ground.
static void FlyBolt(Support &support, PlasmaBolt &bolt, MudPool &pool, float dt)
{
    bolt.previous = bolt.position;
    Vector3 next = bolt.position + bolt.velocity * dt;
    float length = Vector3Length(next - bolt.previous);
    if (!IsFinite(next) || !IsFinite(length)) {
        bolt = {};
        return;
    }
    float w = 1.0f;
    float speed = LengthXZ(bolt.velocity);
    if (speed > 0.0001f) {
        Vector2 heading = {bolt.velocity.x / speed, bolt.velocity.z / speed};
        float reach = speed * dt;
        w = ClampSafe(ArenaRayExitCircle(bolt.position, heading, SUPPORT_BOLT_RADIUS, reach) / reach, 0.0f, 1.0f);
    }
    int n = (int)std::ceil(ClampSafe(length / BOLT_SAMPLE_SPACING, 1.0f, (float)BOLT_SAMPLES_MAX));
    float f = w, above = 0.0f;
    for (int k = 1; k <= n; k++) {
        float at = std::fmin(w, (float)k / (float)n);
        if (BelowStop(Vector3Lerp(bolt.previous, next, at))) {
            // The crossing lies between the last sample above and this one: a bolt stops on the
            // ground, not a sample's length inside it.
            float below = at;
            for (int i = 0; i < BOLT_REFINE_STEPS; i++) {
                float mid = 0.5f * (above + below);
                if (BelowStop(Vector3Lerp(bolt.previous, next, mid))) below = mid;
                else above = mid;
            }
            f = below;
            break;
        }
        if (at >= w) {
            f = w;
            break;
        }
        above = at;
    }
    Vector3 point = Vector3Lerp(bolt.previous, next, f);
    Vector3 contact = point;
    int hit = MudHitPlasma(pool, bolt.previous, point, SUPPORT_BOLT_RADIUS, &contact);
    bolt.position = point;
    bolt.age += dt;
    if (hit >= 0) {
        Impact(support, contact);
        support.boltHits += 1;
        bolt = {};
        return;
    }
    bool grounded = point.y - TerrainHeight(point.x, point.z) <= BOLT_GROUND_END;
    if (f < 0.9999f || bolt.age > SUPPORT_BOLT_LIFETIME || grounded) {
        Impact(support, point);
        bolt = {};
    }
}

// [SECTION] Drone

// The line from the drone to a creature's centre keeps above the ground at seven points.
static bool ClearLine(Vector3 from, Vector3 to)
{
    for (int k = 1; k <= 7; k++) {
        Vector3 p = Vector3Lerp(from, to, (float)k / 8.0f);
        if (p.y < TerrainHeight(p.x, p.z) + LINE_CLEARANCE) return false;
    }
    return true;
}

// Fires at the nearest pushable creature in range with a clear line, leading its motion; false
// when no bolt is free or nothing can be seen.
static bool Shoot(Support &support, const MudPool &pool, float dt)
{
    PlasmaBolt *bolt = nullptr;
    for (PlasmaBolt &b : support.bolts)
        if (!b.active && !bolt) bolt = &b;
    if (!bolt) return false;
    int target = -1;
    float nearest = 0.0f;
    for (int i = 0; i < pool.count && i < MUD_CAPACITY; i++) {
        if (!MudGaitPushable(pool, i)) continue;
        const MudSlot &s = pool.slots[i];
        float d = Vector3Distance(support.dronePosition, s.position);
        if (!(d <= SUPPORT_DRONE_RANGE) || (target >= 0 && !(d < nearest))) continue;
        if (!ClearLine(support.dronePosition, s.position)) continue;
        target = i;
        nearest = d;
    }
    if (target < 0) return false;
    const MudSlot &s = pool.slots[target];
    Vector3 aimPoint = s.position;
    // Positions before the pool's last update exist only once it has run.
    if (pool.frame > 0 && dt > 0.0001f) {
        Vector3 v = {(s.position.x - s.previousPosition.x) / dt, 0.0f, (s.position.z - s.previousPosition.z) / dt};
        float speed = LengthXZ(v);
        if (speed > SUPPORT_LEAD_SPEED_MAX) v = v * (SUPPORT_LEAD_SPEED_MAX / speed);
        if (IsFinite(v)) aimPoint = aimPoint + v * std::fmin(nearest / SUPPORT_BOLT_SPEED, SUPPORT_LEAD_MAX);
    }
    // A target at the drone's centre gives no direction: the previous aim is kept.
    Vector3 aim = NormalizeOrZero(aimPoint - support.dronePosition);
    if (Vector3LengthSqr(aim) > 0.5f) support.aim = aim;
    *bolt = {};
    bolt->position = bolt->previous = support.dronePosition + support.aim * BOLT_START_OFFSET;
    bolt->velocity = support.aim * SUPPORT_BOLT_SPEED;
    bolt->active = 1;
    support.shotsFired += 1;
    support.muzzleFlash = SUPPORT_MUZZLE_SECONDS;
    support.lastTarget = target;
    return true;
}

static void DroneStep(Support &support, const MudPool &pool, Vector3 player, float dt, float interval)
{
    if (!support.droneWasOn) support.droneTimer = 0.0f;  // a new drone fires as soon as it sees a target
    else if (interval != support.lastDroneInterval) support.droneTimer = std::fmin(support.droneTimer, interval);
    float c = support.droneClock;
    Vector3 wanted = player + Vector3{0.16f * std::sin(0.65f * c) - 0.8f, 0.09f * std::sin(2.8f * c) + 1.75f, 0.6f};
    wanted = ArenaClampCircle(wanted, DRONE_ARENA_RADIUS);
    if (support.dronePlaced) {
        support.dronePosition = EaseToward(support.dronePosition, wanted, DRONE_EASE_RATE, dt);
    } else {
        support.dronePosition = wanted;
        support.dronePlaced = 1;
    }
    Vector3 &p = support.dronePosition;
    p.y = std::fmax(p.y, TerrainHeight(p.x, p.z) + DRONE_MIN_HEIGHT);
    // When the timer ran out inside this frame, the part of the frame since then is carried into
    // the next interval, so shots keep to the schedule; a drone that waited for a target starts
    // a whole interval.
    float before = support.droneTimer;
    float left = before - dt;
    if (left <= 0.0f && Shoot(support, pool, dt)) {
        float late = before > 0.0f ? -left : 0.0f;
        support.droneTimer = interval - late;
        if (support.droneTimer <= 0.0f) support.droneTimer = interval;
    } else {
        support.droneTimer = std::fmax(0.0f, left);
    }
}

// [SECTION] Update

static void RepelStep(Support &support, MudPool &pool, Vector3 player, float dt, float interval)
{
    if (!support.repelWasOn) support.repelTimer = interval;  // the first pulse comes one interval later
    else if (interval != support.lastRepelInterval) support.repelTimer = std::fmin(support.repelTimer, interval);
    support.repelTimer -= dt;
    if (support.repelTimer > 0.0f) return;
    support.pushed = MudRepel(pool, player, SUPPORT_REPEL_RADIUS, SUPPORT_REPEL_BODIES);
    support.pulses += 1;
    support.repelCentre = {player.x, TerrainHeight(player.x, player.z) + REPEL_CENTRE_LIFT, player.z};
    support.sinceRepel = 0.0f;
    support.repelTimer += interval;
    if (support.repelTimer <= 0.0f) support.repelTimer = interval;
}

void SupportUpdate(Support &support, MudPool &pool, Vector3 playerPosition, float dt, float droneInterval, float repelInterval)
{
    if (!IsFinite(dt) || !(dt > 0.0f) || !IsFinite(playerPosition)) return;
    support.sinceRepel += dt;
    support.droneClock += dt;
    support.muzzleFlash = std::fmax(0.0f, support.muzzleFlash - dt);
    for (SupportImpact &impact : support.impacts) impact.age += dt;

    for (PlasmaBolt &bolt : support.bolts)
        if (bolt.active) FlyBolt(support, bolt, pool, dt);

    bool droneOn = IsFinite(droneInterval) && droneInterval > 0.0f;
    bool repelOn = IsFinite(repelInterval) && repelInterval > 0.0f;
    if (droneOn) {
        DroneStep(support, pool, playerPosition, dt, droneInterval);
    } else {
        // The drone vanishes and is placed by the player again when next enabled.
        support.droneTimer = 0.0f;
        support.dronePlaced = 0;
    }
    if (repelOn) RepelStep(support, pool, playerPosition, dt, repelInterval);
    else support.repelTimer = 0.0f;

    support.lastDroneInterval = droneOn ? droneInterval : 0.0f;
    support.lastRepelInterval = repelOn ? repelInterval : 0.0f;
    support.droneWasOn = droneOn ? 1 : 0;
    support.repelWasOn = repelOn ? 1 : 0;
}
