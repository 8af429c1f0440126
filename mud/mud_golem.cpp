// Golem arms and attacks: arm pose, arm spring, punch, pickup, throw, and the thrown bun.
//
// Index
//   [SECTION] Arm pose
//   [SECTION] Arm spring
//   [SECTION] Punch, grab and throw
//   [SECTION] Pickups
//   [SECTION] Thrown bun
//   [SECTION] Held buns
#include "mud/mud_golem.h"

#include "common/maths.h"
#include "mud/mud_attack.h"
#include "mud/mud_gait.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>

static constexpr float PI_F = 3.14159265358979f;

static int UsedCount(const MudPool &pool) { return ClampInt(pool.count, 0, MUD_CAPACITY); }
static float PhaseT(const MudSlot &s) { return ClampSafe(s.timer / s.duration, 0.0f, 1.0f); }
static int HandIndex(const MudSlot &s) { return s.hand == 1 ? 1 : 0; }
static float HorizontalDistance(Vector3 a, Vector3 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z)); }

static bool PunchState(int state) { return state == MUD_PUNCH_WINDUP || state == MUD_PUNCH_STRIKE || state == MUD_PUNCH_RECOVERY; }
static bool ThrowState(int state) { return state == MUD_GRAB || state == MUD_THROW_WINDUP || state == MUD_THROW_FOLLOW; }
static bool FreeStanding(int state) { return state == MUD_RESTING || state == MUD_HOP_CROUCH || state == MUD_WALKING; }

// [SECTION] Arm pose

// Body-frame offset (x sideways, z forward, units of R) turned by `angle` the way the heading
// turns, then kept at least `least` out to side `sigma`.
static Vector3 Swing(float x, float z, float angle, float sigma, float least)
{
    float c = std::cos(angle), s = std::sin(angle);
    float sx = x * c + z * s, sz = -x * s + z * c;
    if (sigma * sx < least) sx = sigma * least;
    return {sx, 0.0f, sz};
}

MudArmPose MudGolemArmPose(const MudSlot &slot, bool *valid)
{
    MudArmPose pose{};
    float R = MudBodyRadius(slot);
    float g = Smoothstep(slot.golemGrowth);
    Vector3 P = slot.position;
    pose.radius = 0.25f * R;
    pose.visibility = g;
    pose.torsoCentre = P;
    for (int k = 0; k < 2; k++) pose.shoulder[k] = pose.elbow[k] = pose.hand[k] = P;
    bool exists = g > 0.001f && MudGolemShaped(slot) && slot.mass > 0.0f && slot.state != MUD_BURIED && slot.state != MUD_FREE;
    if (valid) *valid = exists;
    if (!exists) return pose;

    float phi = slot.phase;
    float a = std::sin(1.37f * phi + 0.91f), b = std::sin(0.83f * phi + 2.1f), c = 0.5f + 0.5f * std::sin(0.71f * phi + 1.6f);
    Vector3 side = {std::cos(slot.yaw), 0.0f, -std::sin(slot.yaw)};
    Vector3 forward = {std::sin(slot.yaw), 0.0f, std::cos(slot.yaw)};
    auto at = [&](float x, float z, float y) {
        Vector3 p = P + side * (x * R) + forward * (z * R);
        p.y = y;
        return p;
    };

    pose.torsoCentre = at(0.04f * a * g, (0.025f * b - 0.08f) * g, P.y - (0.65f + 0.025f * c) * R * g);
    pose.torsoRadii = Vector3{0.62f + 0.022f * std::sin(1.91f * phi + 0.35f), 0.79f + 0.016f * c, 0.55f + 0.022f * b} * (R * g);

    // Locked endpoints of the active hand come from the attack, never from the spring.
    Vector3 dir = LengthXZ(slot.attackDir) > 0.5f ? slot.attackDir : forward;
    Vector3 lockedSide = {dir.z, 0.0f, -dir.x};
    auto locked = [&](float x, float z, float y) {
        Vector3 p = slot.attackBase + lockedSide * (x * R) + dir * (z * R);
        p.y = y;
        return p;
    };
    float t = PhaseT(slot), k = Smoothstep(t);
    int active = PunchState(slot.state) || ThrowState(slot.state) ? HandIndex(slot) : -1;

    for (int i = 0; i < 2; i++) {
        float sigma = i == 0 ? -1.0f : 1.0f;
        float e = std::sin(1.17f * phi + 2.3f * (float)i + 0.4f);
        float w = std::sin(2.0f * PI_F * (slot.gaitPhase + 0.5f * (float)i)) * slot.gaitWeight;
        Vector3 shoulder = at((0.62f + 0.018f * e) * sigma + 0.035f * a, 0.028f * sigma * b - 0.12f,
                              P.y - (0.035f * sigma * a + 0.48f + 0.012f * c) * R);
        Vector3 eo = Swing((1.29f + 0.04f * e) * sigma + 0.018f * a, 0.035f * e - 0.04f + 0.1f * w, 0.55f * slot.armLag, sigma, 1.05f);
        Vector3 elbow = at(eo.x, eo.z, P.y - (0.04f * sigma * a + 0.98f) * R);
        Vector3 ho = Swing(sigma * (1.22f + 0.018f * e), 0.025f * sigma * b + 0.21f + 0.25f * w, slot.armLag, sigma, 1.1f);
        Vector3 hand = at(ho.x, ho.z, P.y - (0.028f * sigma * a + 1.25f) * R);

        if (i == active) {
            Vector3 cocked = locked(0.94f * sigma, -0.65f, slot.attackBase.y - 0.55f * R);
            Vector3 strike = locked(0.05f * sigma, 2.55f, TerrainHeight(slot.attackBase.x, slot.attackBase.z) + 1.05f);
            Vector3 carry = locked(0.81f * sigma, -0.32f, slot.attackBase.y + 0.48f * R);
            Vector3 release = locked(0.15f * sigma, 1.26f, slot.attackBase.y - 0.25f * R);
            float p = 0.0f;
            switch (slot.state) {
            case MUD_PUNCH_WINDUP: hand = Vector3Lerp(hand, cocked, k); break;
            case MUD_PUNCH_STRIKE: hand = Vector3Lerp(cocked, strike, k); p = k; break;
            case MUD_PUNCH_RECOVERY: hand = Vector3Lerp(strike, hand, k); p = 1.0f - k; break;
            case MUD_GRAB:
                hand = t < 0.42f ? Vector3Lerp(hand, slot.pickupFrom, Smoothstep(t / 0.42f))
                                 : Vector3Lerp(slot.pickupFrom, carry, Smoothstep((t - 0.42f) / 0.58f));
                break;
            case MUD_THROW_WINDUP: hand = Vector3Lerp(carry, release, Smoothstep(t / MUD_THROW_RELEASE_AT)); break;
            default: hand = Vector3Lerp(release, hand, k); break;
            }
            if (PunchState(slot.state)) {
                elbow = elbow + (Vector3Lerp(shoulder, hand, 0.6f) - elbow) * 0.7f;
                elbow.y += (1.0f - p) * 0.12f * R;
            } else {
                elbow = elbow + (Vector3Lerp(shoulder, hand, 0.55f) - elbow) * 0.78f;
            }
        }
        // Arms grow out of the torso; no joint leaves the arena or enters the shuttle.
        Vector3 joints[3] = {shoulder, elbow, hand};
        for (Vector3 &j : joints) {
            j = Vector3Lerp(pose.torsoCentre, j, g);
            j = MudGaitKeepOutOfShuttle(slot.obstacle, ArenaClampCircle(j, 1.3f * pose.radius), pose.radius);
        }
        pose.shoulder[i] = joints[0];
        pose.elbow[i] = joints[1];
        pose.hand[i] = joints[2];
    }
    return pose;
}

// [SECTION] Arm spring

static bool HasArmSpring(const MudSlot &s)
{
    return MudGolemShaped(s) && s.mass > 0.0f && s.state != MUD_BURIED && s.state != MUD_FREE && s.state != MUD_CORPSE;
}

void MudGolemArmSpringInit(MudSlot &slot)
{
    slot.armLag = slot.armLagVelocity = 0.0f;
    slot.armLastYaw = slot.yaw;
    slot.armReady = 1;
}

void MudGolemArmSpringStep(MudSlot &slot, float dt)
{
    if (!(dt > 0.0f) || !IsFinite(dt)) return;
    if (!HasArmSpring(slot)) {
        slot.armLag = slot.armLagVelocity = 0.0f;
        slot.armLastYaw = slot.yaw;
        return;
    }
    if (!slot.armReady) MudGolemArmSpringInit(slot);
    float turn = WrapAngle(slot.yaw - slot.armLastYaw);
    slot.armLastYaw = slot.yaw;
    if (std::fabs(turn) < 1e-6f && std::fabs(slot.armLag) < 1e-5f && std::fabs(slot.armLagVelocity) < 1e-4f) {
        slot.armLag = slot.armLagVelocity = 0.0f;
        return;
    }
    // Exact damped response over dt to a turn at constant rate: the same at any frame rate.
    constexpr float ZETA = 6.2f, OMEGA_D = 7.846018f;
    float omega = turn / dt;
    float rest = -1.24f * omega / 10.0f;
    float y0 = slot.armLag - rest, u0 = slot.armLagVelocity - omega;
    float decay = std::exp(-ZETA * dt), cs = std::cos(OMEGA_D * dt), sn = std::sin(OMEGA_D * dt);
    float lag = decay * (y0 * cs + (u0 + ZETA * y0) * sn / OMEGA_D) + rest;
    float velocity = decay * (u0 * cs - (ZETA * u0 + 100.0f * y0) * sn / OMEGA_D) + omega;
    if (!IsFinite(lag) || !IsFinite(velocity)) lag = velocity = 0.0f;
    // At a bound the arm moves with the body unless it is already swinging back.
    if (lag > MUD_ARM_LAG_LIMIT) {
        lag = MUD_ARM_LAG_LIMIT;
        if (velocity - omega > 0.0f) velocity = omega;
    } else if (lag < -MUD_ARM_LAG_LIMIT) {
        lag = -MUD_ARM_LAG_LIMIT;
        if (velocity - omega < 0.0f) velocity = omega;
    }
    slot.armLag = lag;
    slot.armLagVelocity = ClampSafe(velocity, -MUD_ARM_SPEED_LIMIT, MUD_ARM_SPEED_LIMIT);
}

// [SECTION] Punch, grab and throw

bool MudGolemStartPunch(MudPool &pool, int i, Vector3 player)
{
    MudSlot &s = pool.slots[i];
    MudAttackLockTarget(s, player);
    s.gaitWeight = 0.0f;
    s.hand = 1 - HandIndex(s);
    s.state = MUD_PUNCH_WINDUP;
    s.timer = 0.0f;
    s.duration = MUD_PUNCH_WINDUP_SECONDS;
    s.punchHitDone = 0;
    return true;
}

bool MudGolemRelease(MudPool &pool, int g)
{
    MudSlot &G = pool.slots[g];
    int b = G.heldBun;
    G.heldBun = -1;
    if (!MudPoolIndexValid(pool, b) || b == g) return false;
    MudSlot &B = pool.slots[b];
    if (B.state != MUD_HELD || B.mass != 1.0f || B.holder != g) return false;
    float Rb = MudBodyRadius(B);
    Vector3 start = ArenaClampCircle(MudGolemArmPose(G, nullptr).hand[HandIndex(G)], 1.42f * Rb);
    B.from = B.position = B.previousPosition = B.flightFrom = B.flightTo = start;
    B.holder = -1;
    B.state = MUD_THROWN;
    B.timer = 0.0f;
    // The spot locked at the pickup: a player who dodged since is not followed.
    Vector3 target = G.lockedTarget;
    float d = HorizontalDistance(start, target);
    Vector3 dir = d > 0.001f ? Vector3{(target.x - start.x) / d, 0.0f, (target.z - start.z) / d} : G.attackDir;
    Vector3 to = ArenaClampCircle(target + dir * MUD_THROW_OVERRUN, 2.3f * Rb);
    to.y = TerrainHeight(to.x, to.z) + 0.7f * Rb;
    B.to = to;
    B.duration = ClampSafe((d + MUD_THROW_OVERRUN) / 8.8f, 0.32f, 1.4f);
    B.lockedTarget = target;
    B.attackDir = dir;
    B.yaw = std::atan2(dir.x, dir.z);
    B.flightVelocity = (to - start) * (1.0f / B.duration);
    B.projectileHitDone = 0;
    B.presence = 1.0f;
    G.pickupCooldown = 4.0f;
    return true;
}

static void GolemFrame(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    float t = PhaseT(s), k = Smoothstep(t);
    float R = MudBodyRadius(s);
    if (PunchState(s.state)) {
        float lean = s.state == MUD_PUNCH_WINDUP ? -0.15f * k * R
                                                 : (s.state == MUD_PUNCH_STRIKE ? (0.33f * k - 0.15f) * R : (1.0f - k) * 0.18f * R);
        s.position.x = s.attackBase.x + s.attackDir.x * lean;
        s.position.z = s.attackBase.z + s.attackDir.z * lean;
        if (s.state == MUD_PUNCH_STRIKE) s.punchActive = 1;
    }
    s.scale = MudRestShape(s);
    s.position.y = MudRestHeight(s, s.scale.y);
    if (s.state == MUD_THROW_WINDUP && t >= MUD_THROW_RELEASE_AT && s.heldBun >= 0) MudGolemRelease(pool, i);
}

// Starts the next attack phase; true once the golem walks again.
static bool GolemEnd(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    s.timer = 0.0f;
    switch (s.state) {
    case MUD_PUNCH_WINDUP:
        s.state = MUD_PUNCH_STRIKE;
        s.duration = MUD_PUNCH_STRIKE_SECONDS;
        return false;
    case MUD_PUNCH_STRIKE:
        s.state = MUD_PUNCH_RECOVERY;
        s.duration = MUD_PUNCH_RECOVERY_SECONDS;
        s.cooldown = 1.5f;
        return false;
    case MUD_GRAB:
        s.state = MUD_THROW_WINDUP;
        s.duration = MUD_THROW_WINDUP_SECONDS;
        return false;
    case MUD_THROW_WINDUP:
        // A step that jumps over the release point still lets go of the bun.
        if (s.heldBun >= 0) MudGolemRelease(pool, i);
        s.state = MUD_THROW_FOLLOW;
        s.duration = MUD_THROW_FOLLOW_SECONDS;
        s.cooldown = 1.1f;
        return false;
    default:
        s.state = MUD_WALKING;
        s.duration = 1.0f;
        return true;
    }
}

bool MudGolemAttackStep(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    if (!PunchState(s.state) && !ThrowState(s.state)) return false;
    for (int chain = 0; chain < MUD_PHASE_CHAIN_LIMIT; chain++) {
        GolemFrame(pool, i);
        float overshoot = MudPhaseOvershoot(s);
        if (overshoot < 0.0f) break;
        bool over = GolemEnd(pool, i);
        MudPhaseCarry(s, overshoot);
        if (over) break;
    }
    return true;
}

// [SECTION] Pickups

static bool Candidate(const MudPool &pool, int b)
{
    const MudSlot &s = pool.slots[b];
    return !s.boss && !s.roller && s.mass == 1.0f && FreeStanding(s.state) && !MudPoolIndexValid(pool, s.holder) &&
           !MudPoolFollowsGatherer(pool, b);
}

static void Reserve(MudPool &pool, int g, int b, Vector3 player)
{
    MudSlot &G = pool.slots[g], &B = pool.slots[b];
    MudAttackLockTarget(G, player);
    G.gaitWeight = 0.0f;
    Vector3 side = {std::cos(G.yaw), 0.0f, -std::sin(G.yaw)};
    G.hand = (B.position.x - G.position.x) * side.x + (B.position.z - G.position.z) * side.z > 0.0f ? 1 : 0;
    G.pickupFrom = B.position;
    G.heldBun = b;
    G.state = MUD_GRAB;
    G.timer = 0.0f;
    G.duration = MUD_GRAB_SECONDS;
    B.holder = g;
    B.state = MUD_HELD;
    B.timer = 0.0f;
    B.duration = 1.0f;
    B.spray = 0.0f;
    B.presence = 1.0f;
    B.projectileActive = B.projectileHitDone = 0;
    B.dashActive = 0;
}

void MudGolemPickups(MudPool &pool, Vector3 player)
{
    if (!pool.attacksEnabled) return;
    int used = UsedCount(pool);
    for (int g = 0; g < used; g++) {
        const MudSlot &G = pool.slots[g];
        if (!(G.mass >= 7.0f) || !FreeStanding(G.state) || G.cooldown > 0.0f || G.pickupCooldown > 0.0f ||
            MudPoolIndexValid(pool, G.heldBun))
            continue;
        int best = -1;
        float bestDistance = INFINITY;
        for (int b = 0; b < used; b++) {
            if (b == g || !Candidate(pool, b)) continue;
            float d = HorizontalDistance(G.position, pool.slots[b].position);
            if (!(d <= MudGaitPairReach(pool, g, b) + 0.28f) || !(d < bestDistance)) continue;
            if (MudObstacleSweep(pool.obstacle, G.position, pool.slots[b].position, 0.1f, false) < 1.0f) continue;
            best = b;
            bestDistance = d;
        }
        if (best >= 0) Reserve(pool, g, best, player);
    }
}

// [SECTION] Thrown bun

static void StartPuddle(MudSlot &s)
{
    s.holder = -1;
    s.state = MUD_PUDDLE;
    s.timer = 0.0f;
    s.duration = MUD_PUDDLE_SECONDS;
    s.scale = {2.18f, 0.1f, 1.78f};
    s.presence = 0.0f;
    s.steps += 1;
    s.position.y = TerrainHeight(s.position.x, s.position.z) + 0.1f * MudBodyRadius(s) - 0.02f;
    MudTouchdown(s);
}

// A held bun whose golem no longer holds it falls where it is instead of hanging in the air.
static void Drop(MudSlot &s)
{
    s.holder = -1;
    s.from = s.to = s.position;
    s.to.y = TerrainHeight(s.position.x, s.position.z) + 0.7f * MudBodyRadius(s);
    s.flightVelocity = {0.0f, 0.0f, 0.0f};
    s.state = MUD_THROWN;
    s.timer = 0.0f;
    s.duration = 0.45f;
}

static bool HeldByItsGolem(const MudPool &pool, int b)
{
    const MudSlot &s = pool.slots[b];
    if (!MudPoolIndexValid(pool, s.holder) || s.holder == b) return false;
    const MudSlot &G = pool.slots[s.holder];
    return G.heldBun == b && (G.state == MUD_GRAB || G.state == MUD_THROW_WINDUP);
}

// One frame of flight; true when the bun has landed (or struck the shuttle or the player).
static bool FlightFrame(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    if (s.projectileHitDone) return true;
    s.projectileActive = 1;
    float t = PhaseT(s);
    Vector3 p = Vector3Lerp(s.from, s.to, t);
    p.y += 3.0f * t * (1.0f - t);
    float Rb = MudBodyRadius(s);
    float fraction = MudObstacleSweep(pool.obstacle, s.flightFrom, p, Rb, true);
    if (fraction < 1.0f) {
        // The sweep ends at the shuttle, so the flight can hurt nothing beyond it.
        Vector3 cut = Vector3Lerp(s.flightFrom, p, std::fmax(fraction - 0.0001f, 0.0f));
        s.flightTo = cut;
        Vector3 out = MudObstaclePushOut(pool.obstacle, s.flightFrom, cut, 2.3f * Rb);
        s.position = {out.x, cut.y, out.z};
        return true;
    }
    s.position = s.flightTo = p;
    s.scale = {0.87f, 0.84f, 1.24f};
    return false;
}

bool MudGolemThrownStep(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    switch (s.state) {
    case MUD_HELD:
        if (!HeldByItsGolem(pool, i)) Drop(s);
        return true;
    case MUD_THROWN:
    case MUD_PUDDLE:
    case MUD_REASSEMBLY:
        break;
    default:
        return false;
    }
    float R = MudBodyRadius(s);
    for (int chain = 0; chain < MUD_PHASE_CHAIN_LIMIT; chain++) {
        float overshoot = -1.0f;
        if (s.state == MUD_THROWN) {
            bool stopped = FlightFrame(pool, i);
            overshoot = MudPhaseOvershoot(s);
            if (stopped || overshoot >= 0.0f) {
                StartPuddle(s);
                MudPhaseCarry(s, stopped ? 0.0f : overshoot);
                continue;
            }
            return true;
        }
        float t = PhaseT(s);
        if (s.state == MUD_PUDDLE) {
            float w = 0.1f * std::sin(4.0f * PI_F * t) * std::exp(-4.0f * t);
            s.scale = {2.18f + w, 0.1f, 1.78f - w};
            s.position.y = TerrainHeight(s.position.x, s.position.z) + 0.1f * R - 0.02f;
        } else if (s.state == MUD_REASSEMBLY) {
            float k = Smoothstep(t);
            s.scale = {2.18f - 1.05f * k, 0.1f + 0.58f * k + 0.1f * std::sin(3.0f * PI_F * t) * t * (1.0f - t), 1.78f - 0.75f * k};
            s.position.y = TerrainHeight(s.position.x, s.position.z) + s.scale.y * R - 0.025f;
            s.presence = Smoothstep(2.0f * (t - 0.5f));
        } else {
            return true;
        }
        overshoot = MudPhaseOvershoot(s);
        if (overshoot < 0.0f) return true;
        if (s.state == MUD_PUDDLE) {
            s.state = MUD_REASSEMBLY;
            s.duration = MUD_REASSEMBLY_SECONDS;
        } else {
            s.state = MUD_RESTING;
            s.duration = 0.35f;
            s.cooldown = 0.7f;
            s.presence = 1.0f;
        }
        MudPhaseCarry(s, overshoot);
    }
    return true;
}

// [SECTION] Held buns

void MudGolemHeldFollow(MudPool &pool)
{
    int used = UsedCount(pool);
    for (int b = 0; b < used; b++) {
        MudSlot &B = pool.slots[b];
        if (B.state != MUD_HELD || !(B.mass > 0.0f) || !MudPoolIndexValid(pool, B.holder) || B.holder == b) continue;
        const MudSlot &G = pool.slots[B.holder];
        Vector3 hand = MudGolemArmPose(G, nullptr).hand[HandIndex(G)];
        // Lifted between 32% and 47% of the grab.
        float k = G.state == MUD_GRAB ? Smoothstep((PhaseT(G) - 0.32f) / 0.15f) : 1.0f;
        float Rb = MudBodyRadius(B);
        Vector3 p = ArenaClampCircle(Vector3Lerp(G.pickupFrom, hand, k), 1.05f * Rb);
        float fraction = MudObstacleSweep(pool.obstacle, G.position, p, Rb, true);
        if (fraction < 1.0f) p = Vector3Lerp(G.position, p, std::fmax(fraction - 0.0001f, 0.0f));
        B.position = p;
        B.scale = {0.92f, 0.97f, 0.92f};
    }
}
