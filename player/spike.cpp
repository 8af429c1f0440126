#include "player/spike.h"

#include "common/maths.h"
#include "mud/mud_wounds.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>

constexpr float PHASE_END_SLACK = 0.000001f;   // seconds: a phase this close to its end is over
constexpr float FULL_RANGE = 24.99999f;        // a blade stopped short of this skips the hover
constexpr int SEARCH_STEPS = 18;
// Each sub-step ends a phase or uses up the step, so five phases need at most five; the bound
// only guards against a phase that would never end.
constexpr int SUB_STEP_LIMIT = 12;

static float PhaseLength(const Spike &b)
{
    switch (b.phase) {
    case SPIKE_RISE: return SPIKE_RISE_SECONDS;
    case SPIKE_OUT: return (b.range - b.startDistance) / SPIKE_OUT_SPEED;
    case SPIKE_HOVER: return SPIKE_HOVER_SECONDS;
    case SPIKE_BACK: return b.range / SPIKE_BACK_SPEED;
    default: return SPIKE_SINK_SECONDS;
    }
}

static Vector3 OnGround(Vector3 origin, Vector3 direction, float distance)
{
    Vector3 p = origin + direction * distance;
    p.y = TerrainHeight(p.x, p.z);
    return p;
}

void SpikeReset(SpikeSystem &system) { system = {}; }

bool SpikeLaunch(SpikeSystem &system, Vector3 origin, Vector3 direction)
{
    if (!IsFinite(origin) || !IsFinite(direction)) {
        TraceLog(LOG_WARNING, "SPIKE: launch refused, its origin or direction is not finite");
        return false;
    }
    if (system.queueCount >= SPIKE_QUEUE_CAPACITY) {
        TraceLog(LOG_WARNING, "SPIKE: launch dropped, %d launches are already waiting", SPIKE_QUEUE_CAPACITY);
        return false;
    }
    Vector3 d = {direction.x, 0.0f, direction.z};
    float length2 = d.x * d.x + d.z * d.z;
    d = length2 < 0.001f ? Vector3{0.0f, 0.0f, 1.0f} : d * (1.0f / std::sqrt(length2));
    origin = ArenaClampCircle(origin, SPIKE_BODY_RADIUS);
    origin.y = TerrainHeight(origin.x, origin.z);
    SpikeRequest &r = system.queue[(system.queueHead + system.queueCount) % SPIKE_QUEUE_CAPACITY];
    r.origin = origin;
    r.direction = d;
    system.queueCount += 1;
    return true;
}

// Squared ground distance from the player's feet to the blade (0.8 m along its direction) at
// parameter t of a sub-step along which both move linearly.
static float BladeSeparation2(Vector3 bladeFrom, Vector3 bladeTo, Vector3 feetFrom, Vector3 feetTo, Vector3 direction,
                              float t)
{
    Vector3 rel = Vector3Lerp(feetFrom, feetTo, t) - Vector3Lerp(bladeFrom, bladeTo, t);
    rel.y = 0.0f;
    float along = ClampSafe(rel.x * direction.x + rel.z * direction.z, -SPIKE_HALF_LENGTH, SPIKE_HALF_LENGTH);
    float x = rel.x - direction.x * along, z = rel.z - direction.z * along;
    return x * x + z * z;
}

// The least separation over the sub-step; convex in t (an affine path's distance to a segment),
// so a ternary search finds it.
static float LeastSeparation2(Vector3 bladeFrom, Vector3 bladeTo, Vector3 feetFrom, Vector3 feetTo, Vector3 direction)
{
    float lo = 0.0f, hi = 1.0f;
    for (int k = 0; k < SEARCH_STEPS; k++) {
        float a = lo + (hi - lo) / 3.0f, b = hi - (hi - lo) / 3.0f;
        if (BladeSeparation2(bladeFrom, bladeTo, feetFrom, feetTo, direction, a) <
            BladeSeparation2(bladeFrom, bladeTo, feetFrom, feetTo, direction, b))
            hi = b;
        else
            lo = a;
    }
    float least = BladeSeparation2(bladeFrom, bladeTo, feetFrom, feetTo, direction, 0.5f * (lo + hi));
    least = std::fmin(least, BladeSeparation2(bladeFrom, bladeTo, feetFrom, feetTo, direction, 1.0f));
    return std::fmin(least, BladeSeparation2(bladeFrom, bladeTo, feetFrom, feetTo, direction, 0.0f));
}

static void Admit(SpikeSystem &system)
{
    for (int i = 0; i < SPIKE_CAPACITY && system.queueCount > 0; i++) {
        Spike &b = system.slots[i];
        if (b.active) continue;
        const SpikeRequest &r = system.queue[system.queueHead];
        system.queueHead = (system.queueHead + 1) % SPIKE_QUEUE_CAPACITY;
        system.queueCount -= 1;
        b = {};
        b.origin = r.origin;
        b.direction = r.direction;
        b.range = ArenaRayExitCircle(r.origin, {r.direction.x, r.direction.z}, SPIKE_BODY_RADIUS, SPIKE_RANGE);
        b.startDistance = b.distance = std::fmin(SPIKE_START_DISTANCE, b.range);
        b.position = b.previous = OnGround(b.origin, b.direction, b.distance);
        system.launched += 1;
        b.look = (float)system.launched * 2.37f;
        b.phase = SPIKE_RISE;
        b.active = 1;
    }
}

// One blade over the whole step; true when it struck the player.
static bool Advance(SpikeSystem &system, Spike &b, MudPool &pool, Soil &soil, Vector3 playerBefore, Vector3 playerAfter,
                    float dt)
{
    bool playerPath = IsFinite(playerBefore) && IsFinite(playerAfter);
    bool struck = false;
    float left = dt, s = 0.0f;
    for (int sub = 0; sub < SUB_STEP_LIMIT && left > 0.0f && b.active; sub++) {
        float length = PhaseLength(b);
        float f = std::fmin(left, std::fmax(0.0f, length - b.phaseTime));
        b.previous = b.position;
        b.phaseTime += f;
        bool out = b.phase == SPIKE_OUT, back = b.phase == SPIKE_BACK;
        bool ends = b.phaseTime >= length - PHASE_END_SLACK;
        if (out || back) {
            // A run that ends here ends exactly at its far end or back at the origin.
            if (out) b.distance = ends ? b.range : std::fmin(b.range, b.startDistance + SPIKE_OUT_SPEED * b.phaseTime);
            if (back) b.distance = ends ? 0.0f : std::fmax(0.0f, b.range - SPIKE_BACK_SPEED * b.phaseTime);
            b.position = OnGround(b.origin, b.direction, b.distance);
            Vector3 cut = out ? b.direction : b.direction * -1.0f;
            system.mudHits += (uint32_t)MudHitBlade(pool, soil, b.previous, b.position, SPIKE_CUT_RADIUS, cut,
                                                    out ? &b.outMask : &b.backMask);
            if (system.segmentCount < SPIKE_SEGMENT_CAPACITY) system.segments[system.segmentCount++] = {b.previous, b.position};
            if (back && !b.playerHit && playerPath) {
                Vector3 feetFrom = playerBefore + (playerAfter - playerBefore) * (s / dt);
                Vector3 feetTo = playerBefore + (playerAfter - playerBefore) * ((s + f) / dt);
                float reach2 = SPIKE_PLAYER_REACH * SPIKE_PLAYER_REACH;
                if (LeastSeparation2(b.previous, b.position, feetFrom, feetTo, b.direction) < reach2) {
                    b.playerHit = 1;
                    struck = true;
                }
            }
        }
        if (ends) {
            // The sub-step stopped at the phase end; what is left of the step runs the next phase.
            b.phaseTime = std::fmax(0.0f, b.phaseTime - length);
            // A blade the arena's edge stopped short turns straight back.
            b.phase = out && b.range < FULL_RANGE ? SPIKE_BACK : b.phase + 1;
            if (b.phase > SPIKE_SINK) {
                b = {};
                system.completed += 1;
            }
        }
        left -= f;
        s += f;
    }
    return struck;
}

bool SpikeUpdate(SpikeSystem &system, MudPool &pool, Soil &soil, Vector3 playerBefore, Vector3 playerAfter, float dt)
{
    if (!IsFinite(dt) || !(dt > 0.0f)) return false;
    system.segmentCount = 0;
    Admit(system);
    bool struck = false;
    for (Spike &b : system.slots)
        if (b.active) struck = Advance(system, b, pool, soil, playerBefore, playerAfter, dt) || struck;
    return struck;
}

void SpikeRenderData(const SpikeSystem &system, SpikeRender &out)
{
    out = {};
    for (const Spike &b : system.slots) {
        if (!b.active) continue;
        int k = out.count++;
        float e = 1.0f;
        if (b.phase == SPIKE_RISE) e = ClampSafe(b.phaseTime / SPIKE_RISE_SECONDS, 0.0f, 1.0f);
        if (b.phase == SPIKE_SINK) e = 1.0f - ClampSafe(b.phaseTime / SPIKE_SINK_SECONDS, 0.0f, 1.0f);
        out.bodies[k] = {b.position.x, b.position.y, b.position.z, Smoothstep(e)};
        // The blade faces where it travels.
        float sigma = b.phase >= SPIKE_BACK ? -1.0f : 1.0f;
        out.directions[k] = {sigma * b.direction.x, sigma * b.direction.z, b.look, (float)b.phase};
    }
}
