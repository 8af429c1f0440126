#include "player/meteor.h"

#include "common/maths.h"
#include "mud/mud_wounds.h"
#include "world/terrain.h"

#include <cmath>

constexpr float PHASE_END_SLACK = 0.000001f;        // seconds: a phase this close to its end is over
constexpr float BODY_LOW = 0.3f, BODY_HIGH = 2.0f;  // metres: the player's body above the feet
constexpr int SEARCH_STEPS = 18;
// Each sub-step ends a phase or uses up the step, so three phases need at most three; the
// bound only guards against a phase that would never end.
constexpr int SUB_STEP_LIMIT = 8;

static float PhaseLength(int phase)
{
    if (phase == METEOR_WARNING) return METEOR_WARNING_SECONDS;
    if (phase == METEOR_FALL) return METEOR_FALL_SECONDS;
    return METEOR_BURST_SECONDS;
}

void MeteorReset(MeteorSystem &system) { system = {}; }

bool MeteorCast(MeteorSystem &system, Vector3 target, Vector3 cameraPosition, Vector3 cameraUp, float zoom)
{
    if (!IsFinite(target) || !IsFinite(cameraPosition) || !IsFinite(cameraUp) || !IsFinite(zoom)) {
        TraceLog(LOG_WARNING, "METEOR: cast refused, its target or camera is not finite");
        return false;
    }
    if (system.queueCount >= METEOR_QUEUE_CAPACITY) {
        TraceLog(LOG_WARNING, "METEOR: cast dropped, %d casts are already waiting", METEOR_QUEUE_CAPACITY);
        return false;
    }
    target.y = TerrainHeight(target.x, target.z) + METEOR_TARGET_LIFT;
    // The rock enters where it sits 0.55 x zoom + 0.58 m above the screen centre: just beyond
    // the top edge of the view.
    float h = (zoom * 0.55f + 0.58f - Vector3DotProduct(target - cameraPosition, cameraUp)) / std::fmax(0.2f, cameraUp.y);
    h = std::fmax(METEOR_MIN_ENTRY, h);
    if (!IsFinite(h)) {
        TraceLog(LOG_WARNING, "METEOR: cast refused, its entry height is not finite");
        return false;
    }
    MeteorRequest &r = system.queue[(system.queueHead + system.queueCount) % METEOR_QUEUE_CAPACITY];
    r.target = target;
    r.start = {target.x, target.y + h, target.z};
    system.queueCount += 1;
    return true;
}

// Squared distance from the rock's centre to the player's body (the vertical segment 0.3..2.0 m
// above the feet) at parameter t of a sub-step along which both move linearly.
static float BodySeparation2(Vector3 rockFrom, Vector3 rockTo, Vector3 feetFrom, Vector3 feetTo, float t)
{
    Vector3 rel = Vector3Lerp(rockFrom, rockTo, t) - Vector3Lerp(feetFrom, feetTo, t);
    float dy = rel.y - ClampSafe(rel.y, BODY_LOW, BODY_HIGH);
    return rel.x * rel.x + dy * dy + rel.z * rel.z;
}

// The least separation over the sub-step. The separation is convex in t (an affine path's
// distance to a segment), so a ternary search finds it.
static float LeastSeparation2(Vector3 rockFrom, Vector3 rockTo, Vector3 feetFrom, Vector3 feetTo)
{
    float lo = 0.0f, hi = 1.0f;
    for (int k = 0; k < SEARCH_STEPS; k++) {
        float a = lo + (hi - lo) / 3.0f, b = hi - (hi - lo) / 3.0f;
        if (BodySeparation2(rockFrom, rockTo, feetFrom, feetTo, a) < BodySeparation2(rockFrom, rockTo, feetFrom, feetTo, b))
            hi = b;
        else
            lo = a;
    }
    float least = BodySeparation2(rockFrom, rockTo, feetFrom, feetTo, 0.5f * (lo + hi));
    least = std::fmin(least, BodySeparation2(rockFrom, rockTo, feetFrom, feetTo, 1.0f));
    return std::fmin(least, BodySeparation2(rockFrom, rockTo, feetFrom, feetTo, 0.0f));
}

static void Admit(MeteorSystem &system)
{
    for (int i = 0; i < METEOR_CAPACITY && system.queueCount > 0; i++) {
        Meteor &m = system.slots[i];
        if (m.active) continue;
        const MeteorRequest &r = system.queue[system.queueHead];
        system.queueHead = (system.queueHead + 1) % METEOR_QUEUE_CAPACITY;
        system.queueCount -= 1;
        m = {};
        m.target = r.target;
        m.start = r.start;
        m.position = m.previous = r.start;
        m.phase = METEOR_WARNING;
        system.spawned += 1;
        m.look = (float)system.spawned * 1.71f;
        m.active = 1;
    }
}

// One meteor over the whole step; true when it struck the player.
static bool Advance(MeteorSystem &system, Meteor &m, MudPool &pool, Soil &soil, Vector3 playerBefore,
                    Vector3 playerAfter, float dt)
{
    bool playerPath = IsFinite(playerBefore) && IsFinite(playerAfter);
    bool struck = false;
    float b = dt, s = 0.0f;
    for (int sub = 0; sub < SUB_STEP_LIMIT && b > 0.0f && m.active; sub++) {
        float length = PhaseLength(m.phase);
        float f = std::fmin(b, std::fmax(0.0f, length - m.phaseTime));
        m.previous = m.position;
        m.phaseTime += f;
        if (m.phase == METEOR_FALL) {
            // A fall that starts at a third of its mean speed and accelerates.
            float u = ClampSafe(m.phaseTime / METEOR_FALL_SECONDS, 0.0f, 1.0f);
            float k = (0.65f * u + 0.35f) * u;
            m.position = m.start + (m.target - m.start) * k;
            system.mudHits += (uint32_t)MudHitSphere(pool, soil, m.previous, m.position, METEOR_ROCK_RADIUS, &m.contactMask);
            if (!m.playerHit && playerPath) {
                Vector3 feetFrom = playerBefore + (playerAfter - playerBefore) * (s / dt);
                Vector3 feetTo = playerBefore + (playerAfter - playerBefore) * ((s + f) / dt);
                float reach2 = METEOR_PLAYER_REACH * METEOR_PLAYER_REACH;
                if (LeastSeparation2(m.previous, m.position, feetFrom, feetTo) < reach2) {
                    m.playerHit = 1;
                    struck = true;
                }
            }
        }
        if (m.phaseTime >= length - PHASE_END_SLACK) {
            // The sub-step stopped at the phase end; what is left of the step runs the next phase.
            m.phaseTime = std::fmax(0.0f, m.phaseTime - length);
            if (m.phase == METEOR_FALL) system.impacts += 1;
            m.phase += 1;
            if (m.phase > METEOR_BURST) m = {};
        }
        b -= f;
        s += f;
    }
    return struck;
}

bool MeteorUpdate(MeteorSystem &system, MudPool &pool, Soil &soil, Vector3 playerBefore, Vector3 playerAfter, float dt)
{
    if (!IsFinite(dt) || !(dt > 0.0f)) return false;
    Admit(system);
    bool struck = false;
    for (Meteor &m : system.slots)
        if (m.active) struck = Advance(system, m, pool, soil, playerBefore, playerAfter, dt) || struck;
    return struck;
}

void MeteorRenderData(const MeteorSystem &system, MeteorRender &out)
{
    out = {};
    for (const Meteor &m : system.slots) {
        if (!m.active) continue;
        int k = out.count++;
        bool warning = m.phase == METEOR_WARNING, fall = m.phase == METEOR_FALL, burst = m.phase == METEOR_BURST;
        out.bodies[k] = {m.position.x, m.position.y, m.position.z, fall ? METEOR_ROCK_RADIUS : 0.0f};
        float strength = warning ? 0.2f + 0.8f * ClampSafe(m.phaseTime / METEOR_WARNING_SECONDS, 0.0f, 1.0f) : (fall ? 1.0f : 0.0f);
        out.targets[k] = {m.target.x, m.target.y - METEOR_TARGET_LIFT, m.target.z, strength};
        out.states[k] = {m.phaseTime, (float)m.phase, m.look, burst ? m.phaseTime / METEOR_BURST_SECONDS : 0.0f};
        out.starts[k] = {m.start.x, m.start.y, m.start.z, fall ? m.phaseTime / METEOR_FALL_SECONDS : 0.0f};
    }
}
