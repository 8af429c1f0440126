// Ordinary mudling attacks: bun dash, boss 0's leap, walker kick.
//
// Index
//   [SECTION] Aim and sweeps
//   [SECTION] Dash and leap
//   [SECTION] Kick
#include "mud/mud_attack.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>

static constexpr float PI_F = 3.14159265358979f;

static float Frac(float x) { return x - std::floor(x); }
static float PhaseT(const MudSlot &s) { return ClampSafe(s.timer / s.duration, 0.0f, 1.0f); }

// [SECTION] Aim and sweeps

bool MudAttackIsBossZero(const MudSlot &slot) { return slot.boss && slot.bossIndex == 0; }

Vector3 MudAttackAim(const MudSlot &slot, Vector3 target)
{
    float dx = target.x - slot.position.x, dz = target.z - slot.position.z;
    float d = std::sqrt(dx * dx + dz * dz);
    if (d > 0.001f && IsFinite(d)) return {dx / d, 0.0f, dz / d};
    return {std::sin(slot.yaw), 0.0f, std::cos(slot.yaw)};
}

float MudAttackCutSweepDuration(const MudSlot &slot, Vector3 stop)
{
    float lx = slot.dashTo.x - slot.dashFrom.x, lz = slot.dashTo.z - slot.dashFrom.z;
    float lengthSq = lx * lx + lz * lz;
    float duration = std::fmax(slot.dashDuration, 0.0f);
    if (!(lengthSq > 1e-10f)) return std::fmax(0.0f, std::fmin(duration, slot.dashElapsed));
    float along = ((stop.x - slot.dashFrom.x) * lx + (stop.z - slot.dashFrom.z) * lz) / lengthSq;
    return duration * ClampSafe(along, 0.0f, 1.0f);
}

void MudAttackLockTarget(MudSlot &s, Vector3 player)
{
    s.lockedTarget = {player.x, 0.0f, player.z};
    s.attackBase = s.position;
    s.attackDir = MudAttackAim(s, s.lockedTarget);
    s.yaw = std::atan2(s.attackDir.x, s.attackDir.z);
}

// [SECTION] Dash and leap

bool MudAttackStartDashWindup(MudPool &pool, int i, Vector3 player)
{
    MudSlot &s = pool.slots[i];
    MudAttackLockTarget(s, player);
    s.state = MUD_DASH_WINDUP;
    s.timer = 0.0f;
    s.duration = MUD_DASH_WINDUP_SECONDS;
    s.dashHitDone = 0;
    if (MudAttackIsBossZero(s)) {
        s.duration = MUD_BOSS_WINDUP_SECONDS;
        // Leap, dash, leap, dash, starting with a leap.
        s.bossLeapNext = (uint8_t)(1 - (s.bossDashes & 1));
        s.bossDashes += 1;
    }
    return true;
}

static Vector3 DashShape(float w) { return {0.88f - 0.06f * w, 0.58f - 0.05f * w, 1.53f + 0.17f * w}; }

// The planned length cut where the stretched body would leave the arena, so a blocked dash
// stops short along its own line instead of bending.
static float DashLength(MudSlot &s, float planned)
{
    Vector3 keep = s.scale;
    Vector2 direction = {s.attackDir.x, s.attackDir.z};
    float L = planned;
    for (int k = 1; k <= 64; k++) {
        float l = (float)k / 64.0f;
        s.scale = DashShape(std::sin(PI_F * l));
        Vector2 extents = MudGaitFootprint(s);
        extents.x += 0.002f;
        extents.y += 0.002f;
        float reach = ArenaRayExitExtents(s.position, direction, extents, l * planned);
        if (reach < l * planned) L = std::fmin(L, reach / l);
    }
    s.scale = keep;
    return std::fmax(0.0f, L);
}

static void StartDash(MudSlot &s, float carried)
{
    float dx = s.lockedTarget.x - s.position.x, dz = s.lockedTarget.z - s.position.z;
    float distance = std::sqrt(dx * dx + dz * dz);
    if (distance > 0.001f) {
        s.attackDir = {dx / distance, 0.0f, dz / distance};
        s.yaw = std::atan2(s.attackDir.x, s.attackDir.z);
    }
    float planned = distance + MUD_DASH_OVERRUN;
    if (MudAttackIsBossZero(s)) planned = std::fmax(MUD_BOSS_DASH_LENGTH, distance + 10.0f);
    float L = DashLength(s, planned);
    float speed = s.boss ? MUD_BOSS_DASH_SPEED : MUD_DASH_SPEED;
    s.from = s.dashFrom = s.position;
    s.to = s.dashTo = {s.from.x + s.attackDir.x * L, s.from.y, s.from.z + s.attackDir.z * L};
    s.state = MUD_DASH;
    s.timer = 0.0f;
    s.duration = s.dashDuration = std::fmax(L / speed, MUD_DASH_MIN_SECONDS);
    // The sweep clock runs with the phase clock, which starts with the carried overshoot.
    s.dashElapsed = std::fmax(carried, 0.0f);
    MudTouchdown(s);
}

static void StartLeap(MudSlot &s)
{
    float R = MudBodyRadius(s);
    s.from = s.position;
    s.scale = {1.13f, 0.68f, 1.03f};
    Vector3 to = {s.lockedTarget.x - s.attackDir.x * R * 0.7f, s.position.y, s.lockedTarget.z - s.attackDir.z * R * 0.7f};
    s.to = ArenaClampExtents(to, MudGaitFootprint(s));
    s.state = MUD_BOSS_LEAP;
    s.timer = 0.0f;
    s.duration = MUD_LEAP_SECONDS;
    MudTouchdown(s);
}

void MudAttackBunFrame(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    float t = PhaseT(s);
    float R = MudBodyRadius(s);
    switch (s.state) {
    case MUD_DASH_WINDUP: {
        // Two inhales while the body backs away from the locked line.
        float a = Smoothstep(t / 0.24f), b = Smoothstep((t - 0.26f) / 0.16f), c = Smoothstep((t - 0.46f) / 0.29f);
        float f = 0.5f * a - 0.25f * b + 0.65f * c;
        s.scale = {1.13f + 0.3f * f, 0.68f + 0.64f * f, 1.03f + 0.24f * f};
        Vector3 back = s.attackBase - s.attackDir * (R * (0.15f * a + 0.37f * c));
        s.position = ArenaClampExtents({back.x, s.position.y, back.z}, MudGaitFootprint(s));
        s.position.y = TerrainHeight(s.position.x, s.position.z) + R * s.scale.y - 0.025f;
        break;
    }
    case MUD_DASH: {
        s.dashActive = 1;
        s.position.x = s.from.x + (s.to.x - s.from.x) * t;
        s.position.z = s.from.z + (s.to.z - s.from.z) * t;
        float w = std::sin(PI_F * t);
        s.scale = DashShape(w);
        s.position.y = TerrainHeight(s.position.x, s.position.z) + R * s.scale.y - 0.025f + 0.11f * w;
        break;
    }
    case MUD_DASH_RECOVERY: {
        float w = std::sin(PI_F * std::fmin(2.0f * t, 1.0f)) * std::exp(-2.0f * t), k = Smoothstep(2.0f * t);
        s.scale = {0.88f + 0.25f * k + 0.23f * w, 0.58f + 0.1f * k - 0.17f * w, 1.53f - 0.5f * k + 0.1f * w};
        s.position.y = TerrainHeight(s.position.x, s.position.z) + R * s.scale.y - 0.025f;
        break;
    }
    case MUD_BOSS_LEAP: {
        float k = Smoothstep(t);
        s.position.x = s.from.x + (s.to.x - s.from.x) * k;
        s.position.z = s.from.z + (s.to.z - s.from.z) * k;
        float g = Smoothstep(6.0f * t), f = Smoothstep(5.0f * (t - 0.8f));
        Vector3 stretched = {1.13f - 0.19f * g, 0.68f + 0.44f * g, 1.03f - 0.09f * g};
        s.scale = Vector3Lerp(stretched, {1.13f, 0.68f, 1.03f}, f);
        s.position.y = MudRestHeight(s, s.scale.y) + 4.0f * t * (1.0f - t) * MUD_LEAP_APEX;
        break;
    }
    default:
        break;
    }
}

bool MudAttackBunEnd(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    switch (s.state) {
    case MUD_DASH_WINDUP:
        if (MudAttackIsBossZero(s) && s.bossLeapNext) StartLeap(s);
        else StartDash(s, MudPhaseOvershoot(s));
        return true;
    case MUD_DASH:
        MudGaitStopDash(s);
        return true;
    case MUD_DASH_RECOVERY:
        s.state = MUD_RESTING;
        s.timer = 0.0f;
        s.duration = 0.12f;
        return true;
    case MUD_BOSS_LEAP:
        s.steps += 1;
        s.state = MUD_RESTING;
        s.timer = 0.0f;
        s.duration = 0.8f;
        s.cooldown = 2.4f;
        MudTouchdown(s);
        return true;
    default:
        return false;
    }
}

// [SECTION] Kick

bool MudAttackStartKick(MudPool &pool, int i, Vector3 player)
{
    MudSlot &s = pool.slots[i];
    MudLegPose legs = MudGaitLegPose(s, nullptr);
    s.kickFoot[0] = legs.foot[0];
    s.kickFoot[1] = legs.foot[1];
    MudAttackLockTarget(s, player);
    s.kickLeg = s.kickLeg == 1 ? 0 : 1;
    s.state = MUD_KICK_WINDUP;
    s.timer = 0.0f;
    s.duration = MUD_KICK_WINDUP_SECONDS;
    s.kickHitDone = 0;
    s.gaitWeight = 0.0f;
    return true;
}

static bool KickState(int state) { return state == MUD_KICK_WINDUP || state == MUD_KICK_STRIKE || state == MUD_KICK_RECOVERY; }

static Vector3 Sideways(Vector3 dir) { return {dir.z, 0.0f, -dir.x}; }

// The body leans over its support leg and along the locked line.
static void KickFrame(MudSlot &s)
{
    float t = PhaseT(s), k = Smoothstep(t);
    float R = MudBodyRadius(s);
    float sigma = s.kickLeg == 1 ? 1.0f : -1.0f;
    float f = 1.0f, g = 0.0f;
    if (s.state == MUD_KICK_WINDUP) {
        f = Smoothstep(2.0f * t);
        g = -0.11f * k;
    } else if (s.state == MUD_KICK_STRIKE) {
        g = 0.21f * k - 0.11f;
        s.kickActive = 1;
    } else {
        f = 1.0f - k;
        g = (1.0f - k) * 0.1f;
    }
    Vector3 sideways = {std::cos(s.yaw), 0.0f, -std::sin(s.yaw)};
    Vector3 p = s.attackBase - sideways * (sigma * 0.16f * R * f) + s.attackDir * (R * g);
    s.position.x = p.x;
    s.position.z = p.z;
    s.scale = {1.23f - 0.04f * f, 0.58f + 0.05f * f, 0.97f};
    s.position.y = TerrainHeight(s.position.x, s.position.z) + std::cbrt(s.mass) * s.size * s.legNorm * 0.58f - 0.025f +
                   s.legLength + 0.04f * R * f;
}

// Starts the next kick phase; true once the kick is over.
static bool KickEnd(MudSlot &s)
{
    s.timer = 0.0f;
    if (s.state == MUD_KICK_WINDUP) {
        s.state = MUD_KICK_STRIKE;
        s.duration = MUD_KICK_STRIKE_SECONDS;
        return false;
    }
    if (s.state == MUD_KICK_STRIKE) {
        s.state = MUD_KICK_RECOVERY;
        s.duration = MUD_KICK_RECOVERY_SECONDS;
        s.cooldown = 1.35f + 0.2f * Frac(s.phase);
        return false;
    }
    s.steps += 1;
    s.state = MUD_WALKING;
    s.duration = 1.0f;
    return true;
}

void MudAttackKickStep(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    for (int chain = 0; chain < MUD_PHASE_CHAIN_LIMIT && KickState(s.state); chain++) {
        KickFrame(s);
        float overshoot = MudPhaseOvershoot(s);
        if (overshoot < 0.0f) return;
        bool over = KickEnd(s);
        MudPhaseCarry(s, overshoot);
        if (over) return;
    }
}

bool MudAttackKickFoot(const MudSlot &slot, int leg, float limbRadius, Vector3 *foot, float *sideways)
{
    if (!KickState(slot.state)) return false;
    float R = MudBodyRadius(slot);
    float t = PhaseT(slot), k = Smoothstep(t);
    float sigma = leg == 0 ? -1.0f : 1.0f;
    float standard = 0.7f - 0.21f * Smoothstep(slot.golemGrowth);
    Vector3 dir = LengthXZ(slot.attackDir) > 0.5f ? slot.attackDir : Vector3{std::sin(slot.yaw), 0.0f, std::cos(slot.yaw)};
    Vector3 side = Sideways(dir);
    float raised = 0.06f * slot.legLength + 0.35f * R;
    if (leg != slot.kickLeg) {
        // The support foot stays on its spot and settles onto the ground.
        Vector3 p = slot.kickFoot[leg];
        float ground = TerrainHeight(p.x, p.z) + 0.85f * limbRadius;
        p.y = slot.state == MUD_KICK_WINDUP ? p.y + (ground - p.y) * Smoothstep(slot.timer / 0.15f) : ground;
        *foot = p;
        *sideways = standard;
        return true;
    }
    float lift, forward, across;
    if (slot.state == MUD_KICK_WINDUP) {
        lift = k * raised;
        forward = 0.04f - 0.72f * k;
        across = standard;
    } else if (slot.state == MUD_KICK_STRIKE) {
        lift = raised + 0.1f * R * std::sin(PI_F * t);
        forward = 2.58f * k - 0.68f;
        across = 0.7f - 0.6f * k;
    } else {
        lift = (1.0f - k) * raised;
        forward = 1.9f - 1.86f * k;
        across = 0.1f + 0.6f * k;
    }
    Vector3 p = slot.attackBase + dir * (forward * R) + side * (sigma * across * R);
    p.y = TerrainHeight(p.x, p.z) + 0.85f * limbRadius + lift;
    // The windup draws the foot from where it stood, so it never snaps.
    if (slot.state == MUD_KICK_WINDUP) p = Vector3Lerp(slot.kickFoot[leg], p, Smoothstep(4.0f * t));
    *foot = p;
    *sideways = across;
    return true;
}
