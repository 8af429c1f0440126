// Mudling contacts: the swept primitives and the five queries.
//
// Index
//   [SECTION] Geometry
//   [SECTION] Swept primitives
//   [SECTION] Wounded bodies
//   [SECTION] Body touch
//   [SECTION] Attack queries
#include "mud/mud_contact.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "mud/mud_shape.h"

#include <cmath>

// [SECTION] Geometry

static int UsedCount(const MudPool &pool) { return ClampInt(pool.count, 0, MUD_CAPACITY); }

static bool PlayerValid(Vector3 from, Vector3 to, float radius)
{
    return IsFinite(from) && IsFinite(to) && IsFinite(radius) && radius >= 0.0f;
}

// Closest distance between segments p1-q1 and p2-q2.
static float SegmentSegmentDistance(Vector3 p1, Vector3 q1, Vector3 p2, Vector3 q2)
{
    constexpr float EPS = 1e-12f;
    Vector3 d1 = q1 - p1, d2 = q2 - p2, r = p1 - p2;
    float a = Vector3DotProduct(d1, d1), e = Vector3DotProduct(d2, d2), f = Vector3DotProduct(d2, r);
    float s = 0.0f, t = 0.0f;
    if (a <= EPS && e <= EPS) return Vector3Length(r);
    if (a <= EPS) {
        t = ClampSafe(f / e, 0.0f, 1.0f);
    } else {
        float c = Vector3DotProduct(d1, r);
        if (e <= EPS) {
            s = ClampSafe(-c / a, 0.0f, 1.0f);
        } else {
            float b = Vector3DotProduct(d1, d2);
            float denom = a * e - b * b;
            s = denom > EPS ? ClampSafe((b * f - c * e) / denom, 0.0f, 1.0f) : 0.0f;
            t = (b * s + f) / e;
            if (t < 0.0f) {
                t = 0.0f;
                s = ClampSafe(-c / a, 0.0f, 1.0f);
            } else if (t > 1.0f) {
                t = 1.0f;
                s = ClampSafe((b - c) / a, 0.0f, 1.0f);
            }
        }
    }
    return Vector3Length((p1 + d1 * s) - (p2 + d2 * t));
}

static float PointSegmentDistanceXZ(Vector3 p, Vector3 a, Vector3 b)
{
    Vector3 ab = {b.x - a.x, 0.0f, b.z - a.z}, ap = {p.x - a.x, 0.0f, p.z - a.z};
    float length2 = ab.x * ab.x + ab.z * ab.z;
    float t = length2 > 1e-12f ? ClampSafe((ap.x * ab.x + ap.z * ab.z) / length2, 0.0f, 1.0f) : 0.0f;
    return LengthXZ(ap - ab * t);
}

// [SECTION] Swept primitives

bool MudContactSweepCylinder(Vector3 partFrom, Vector3 partTo, float sideways, float forward, float halfHeight, float yaw,
                             Vector3 playerFrom, Vector3 playerTo, float radius)
{
    Vector3 r0 = partFrom - playerFrom;
    Vector3 v = (partTo - partFrom) - (playerTo - playerFrom);
    // The moments the part's vertical extent overlaps the player's span.
    float lo = MUD_CONTACT_LOW - halfHeight, hi = MUD_CONTACT_HIGH + halfHeight;
    float t0 = 0.0f, t1 = 1.0f;
    if (std::fabs(v.y) < 1e-9f) {
        if (r0.y < lo || r0.y > hi) return false;
    } else {
        float ta = (lo - r0.y) / v.y, tb = (hi - r0.y) / v.y;
        t0 = std::fmax(t0, std::fmin(ta, tb));
        t1 = std::fmin(t1, std::fmax(ta, tb));
        if (!(t0 <= t1)) return false;
    }
    // Normalised ellipse coordinates of the relative centre, linear in the frame fraction.
    float c = std::cos(yaw), s = std::sin(yaw);
    float a = sideways + radius, b = forward + radius;
    if (!(a > 0.0f) || !(b > 0.0f)) return false;
    float u0 = (r0.x * c - r0.z * s) / a, du = (v.x * c - v.z * s) / a;
    float w0 = (r0.x * s + r0.z * c) / b, dw = (v.x * s + v.z * c) / b;
    float speed2 = du * du + dw * dw;
    float t = speed2 > 1e-12f ? ClampSafe(-(u0 * du + w0 * dw) / speed2, t0, t1) : t0;
    float u = u0 + du * t, w = w0 + dw * t;
    return u * u + w * w <= 1.0f;
}

bool MudContactSweepCapsule(Vector3 a0, Vector3 b0, Vector3 a1, Vector3 b1, float partRadius, Vector3 playerFrom,
                            Vector3 playerTo, float radius)
{
    Vector3 playerMove = playerTo - playerFrom;
    // No point of the part can close the gap faster than its faster end.
    float fastest = std::fmax(Vector3Length((a1 - a0) - playerMove), Vector3Length((b1 - b0) - playerMove));
    Vector3 bottom = {0.0f, MUD_CONTACT_LOW + radius, 0.0f}, top = {0.0f, MUD_CONTACT_HIGH - radius, 0.0f};
    float t = 0.0f;
    for (int step = 0; step < MUD_CONTACT_ADVANCE_STEPS; step++) {
        Vector3 a = Vector3Lerp(a0, a1, t), b = Vector3Lerp(b0, b1, t);
        Vector3 feet = Vector3Lerp(playerFrom, playerTo, t);
        float gap = SegmentSegmentDistance(a, b, feet + bottom, feet + top) - partRadius - radius;
        if (gap <= MUD_CONTACT_GAP) return true;
        if (!(fastest > 1e-9f)) return false;
        t += gap / fastest;
        if (!(t <= 1.0f)) return false;
    }
    return false;
}

// [SECTION] Wounded bodies

// Ring of 16 points of radius `ring` around p in the horizontal plane.
static bool RingTouches(const MudShape &shape, Vector3 p, float ring)
{
    for (int k = 0; k < 16; k++) {
        float angle = (float)k * (2.0f * PI / 16.0f);
        Vector3 q = {p.x + ring * std::cos(angle), p.y, p.z + ring * std::sin(angle)};
        if (MudShapeRemoved(shape, q)) continue;
        if (MudShapeDistance(shape, q) <= 0.0f) return true;
    }
    return false;
}

bool MudContactWounded(const MudSlot &slot, Vector3 playerFrom, Vector3 playerTo, float radius)
{
    if (!PlayerValid(playerFrom, playerTo, radius) || !IsFinite(slot.position) || !IsFinite(slot.previousPosition))
        return false;
    MudShapeLimbs limbs = MudShapeLimbsOf(slot);
    MudShape shape;
    MudShapePrepare(slot, limbs, shape);
    // The player's path as seen from the body, which stands in its end pose.
    Vector3 start = playerFrom + (slot.position - slot.previousPosition), end = playerTo;
    float bound = MudShapeBoundRadius(slot, limbs) + radius;
    if (PointSegmentDistanceXZ(slot.position, start, end) > bound) return false;
    float lowest = std::fmin(start.y, end.y) + MUD_CONTACT_LOW, highest = std::fmax(start.y, end.y) + MUD_CONTACT_HIGH;
    if (slot.position.y < lowest - bound || slot.position.y > highest + bound) return false;
    float length = Vector3Distance(start, end);
    if (!IsFinite(length)) return false;
    int steps = (int)ClampSafe(std::ceil(length / 0.075f), 1.0f, 1024.0f);
    for (int k = 0; k <= steps; k++) {
        Vector3 feet = Vector3Lerp(start, end, (float)k / (float)steps);
        for (int j = 0; j <= 20; j++) {
            float h = MUD_CONTACT_LOW + (MUD_CONTACT_HIGH - MUD_CONTACT_LOW) * (float)j / 20.0f;
            float beyond = std::fmax(0.0f, std::fmax(MUD_CONTACT_LOW + radius - h, h - (MUD_CONTACT_HIGH - radius)));
            float c = std::sqrt(std::fmax(0.0f, radius * radius - beyond * beyond));
            Vector3 p = {feet.x, feet.y + h, feet.z};
            // An axis point in removed clay does not count, but the capsule around it still
            // reaches whatever clay survives next to the cut.
            float d = MudShapeDistance(shape, p);
            if (d <= 0.0f && !MudShapeRemoved(shape, p)) return true;
            if (d <= 1.35f * c + 0.04f && (RingTouches(shape, p, 0.5f * c) || RingTouches(shape, p, c))) return true;
        }
    }
    return false;
}

// [SECTION] Body touch

static bool Wounded(const MudSlot &s) { return s.wounds.woundCount > 0 || s.wounds.planarCut; }

static bool Touchable(const MudSlot &s)
{
    if (!(s.mass > 0.0f) || !(s.size > 0.0f) || !(s.scale.x > 0.0f) || !(s.scale.y > 0.0f) || !(s.scale.z > 0.0f)) return false;
    switch (s.state) {
    case MUD_BURIED:
    case MUD_FREE:
    case MUD_HELD:
    case MUD_THROWN:
    case MUD_PUDDLE:
    case MUD_CORPSE:
        return false;
    case MUD_REASSEMBLY:
        return s.timer >= 0.65f * s.duration;
    default:
        return true;
    }
}

static bool LegsTouch(const MudSlot &s, Vector3 from, Vector3 to, float radius)
{
    bool valid = false;
    MudLegPose now = MudGaitLegPose(s, &valid);
    const MudLegPose &before = s.previousLegs;
    float width = now.radius * now.visibility;
    if (!valid || !(width >= 0.001f)) return false;
    float g = Smoothstep(s.golemGrowth);
    for (int k = 0; k < 2; k++) {
        if (g > 0.001f) {
            // The golem leg is straight: its control point sits halfway between hip and foot.
            Vector3 kneeBefore = Vector3Lerp(before.hip[k], before.foot[k], 0.5f), kneeNow = Vector3Lerp(now.hip[k], now.foot[k], 0.5f);
            for (int c = 0; c < 6; c++) {
                float t0 = (float)c / 6.0f, t1 = (float)(c + 1) / 6.0f;
                Vector3 a0 = MudGaitLimbPoint(before.hip[k], kneeBefore, before.foot[k], t0);
                Vector3 b0 = MudGaitLimbPoint(before.hip[k], kneeBefore, before.foot[k], t1);
                Vector3 a1 = MudGaitLimbPoint(now.hip[k], kneeNow, now.foot[k], t0);
                Vector3 b1 = MudGaitLimbPoint(now.hip[k], kneeNow, now.foot[k], t1);
                if (MudContactSweepCapsule(a0, b0, a1, b1, MudShapeLegTaper(t0) * width, from, to, radius)) return true;
            }
        }
        if (g < 0.999f) {
            for (int c = 0; c < 3; c++) {
                float t0 = (float)c / 3.0f, t1 = (float)(c + 1) / 3.0f;
                Vector3 a0 = MudGaitLimbPoint(before.hip[k], before.knee[k], before.foot[k], t0);
                Vector3 b0 = MudGaitLimbPoint(before.hip[k], before.knee[k], before.foot[k], t1);
                Vector3 a1 = MudGaitLimbPoint(now.hip[k], now.knee[k], now.foot[k], t0);
                Vector3 b1 = MudGaitLimbPoint(now.hip[k], now.knee[k], now.foot[k], t1);
                if (MudContactSweepCapsule(a0, b0, a1, b1, MudShapeLegTaper(t0) * width, from, to, radius)) return true;
            }
        }
    }
    return false;
}

static bool TorsoAndArmsTouch(const MudSlot &s, Vector3 from, Vector3 to, float radius)
{
    MudArmPose now;
    if (!MudShapeArmPose(s, &now)) return false;
    const MudArmPose &before = s.previousArms;
    if (MudContactSweepCylinder(before.torsoCentre, now.torsoCentre, now.torsoRadii.x, now.torsoRadii.z, now.torsoRadii.y,
                                s.yaw, from, to, radius))
        return true;
    float width = now.radius * now.visibility;
    if (!(width >= 0.001f)) return false;
    for (int k = 0; k < 2; k++) {
        // A chord of a bent arm falls short of its curve by at most (1/6)^2 / 4 of the bend.
        float bend = std::fmax(Vector3Length(before.shoulder[k] + before.hand[k] - before.elbow[k] * 2.0f),
                               Vector3Length(now.shoulder[k] + now.hand[k] - now.elbow[k] * 2.0f));
        float margin = bend / 144.0f;
        for (int c = 0; c < 6; c++) {
            float t0 = (float)c / 6.0f, t1 = (float)(c + 1) / 6.0f;
            Vector3 a0 = MudGaitLimbPoint(before.shoulder[k], before.elbow[k], before.hand[k], t0);
            Vector3 b0 = MudGaitLimbPoint(before.shoulder[k], before.elbow[k], before.hand[k], t1);
            Vector3 a1 = MudGaitLimbPoint(now.shoulder[k], now.elbow[k], now.hand[k], t0);
            Vector3 b1 = MudGaitLimbPoint(now.shoulder[k], now.elbow[k], now.hand[k], t1);
            float chordRadius = std::fmax(MudShapeArmTaper(t0), MudShapeArmTaper(t1)) * width + margin;
            if (MudContactSweepCapsule(a0, b0, a1, b1, chordRadius, from, to, radius)) return true;
        }
    }
    return false;
}

bool MudContactTouch(const MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius)
{
    if (!PlayerValid(playerFrom, playerTo, radius)) return false;
    for (int i = 0; i < UsedCount(pool); i++) {
        const MudSlot &s = pool.slots[i];
        if (!Touchable(s) || !IsFinite(s.position) || !IsFinite(s.previousPosition)) continue;
        if (Wounded(s)) {
            if (MudContactWounded(s, playerFrom, playerTo, radius)) return true;
            continue;
        }
        float S = MudBodyScale(s);
        if (MudContactSweepCylinder(s.previousPosition, s.position, 1.04f * S * s.scale.x, 1.04f * S * s.scale.z,
                                    S * s.scale.y, s.yaw, playerFrom, playerTo, radius))
            return true;
        if (LegsTouch(s, playerFrom, playerTo, radius)) return true;
        if (TorsoAndArmsTouch(s, playerFrom, playerTo, radius)) return true;
    }
    return false;
}

// [SECTION] Attack queries

// The query's stamp for this update; false when it already ran (or attacks are off).
static bool TakeStamp(MudPool &pool, int query)
{
    if (!pool.attacksEnabled || pool.queryStamps[query] == pool.frame) return false;
    pool.queryStamps[query] = pool.frame;
    return true;
}

bool MudContactDash(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius)
{
    if (!PlayerValid(playerFrom, playerTo, radius) || !TakeStamp(pool, 0)) return false;
    bool hit = false;
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (!s.dashActive || s.dashHitDone || !(s.mass > 0.0f)) continue;
        if (!IsFinite(s.position) || !IsFinite(s.previousPosition) || !IsFinite(s.attackDir)) continue;
        float R = MudBodyRadius(s);
        float capsuleRadius = 0.95f * R * s.scale.x;
        float half = std::fmax(0.0f, R * s.scale.z - capsuleRadius);
        Vector3 dir = {s.attackDir.x, 0.0f, s.attackDir.z};
        // The body's path relative to the player against the capsule's axis around the player.
        Vector3 q0 = {s.previousPosition.x - playerFrom.x, 0.0f, s.previousPosition.z - playerFrom.z};
        Vector3 q1 = {s.position.x - playerTo.x, 0.0f, s.position.z - playerTo.z};
        if (SegmentSegmentDistance(q0, q1, dir * -half, dir * half) > capsuleRadius + radius) continue;
        if (Wounded(s) && !MudContactWounded(s, playerFrom, playerTo, radius)) continue;
        s.dashHitDone = 1;
        hit = true;
    }
    return hit;
}

bool MudContactKick(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius)
{
    if (!PlayerValid(playerFrom, playerTo, radius) || !TakeStamp(pool, 1)) return false;
    bool hit = false;
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (s.state == MUD_CORPSE || !s.kickActive || s.kickHitDone || (s.kickLeg != 0 && s.kickLeg != 1)) continue;
        bool valid = false;
        MudLegPose now = MudGaitLegPose(s, &valid);
        float foot = 0.85f * now.radius * now.visibility;
        if (!valid || !(foot > 0.0f)) continue;
        Vector3 before = s.previousLegs.foot[s.kickLeg], after = now.foot[s.kickLeg];
        if (!IsFinite(before) || !IsFinite(after)) continue;
        if (!MudContactSweepCylinder(before, after, foot, foot, foot, s.yaw, playerFrom, playerTo, radius)) continue;
        if (Wounded(s) && !MudContactWounded(s, playerFrom, playerTo, radius)) continue;
        s.kickHitDone = 1;
        hit = true;
    }
    return hit;
}

bool MudContactPunch(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius)
{
    if (!PlayerValid(playerFrom, playerTo, radius) || !TakeStamp(pool, 2)) return false;
    bool hit = false;
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if (s.state == MUD_CORPSE || !s.punchActive || s.punchHitDone || (s.hand != 0 && s.hand != 1)) continue;
        MudArmPose now;
        if (!MudShapeArmPose(s, &now)) continue;
        float fist = 1.1f * now.radius * now.visibility;
        if (!(fist > 0.0f)) continue;
        Vector3 before = s.previousArms.hand[s.hand], after = now.hand[s.hand];
        if (!IsFinite(before) || !IsFinite(after)) continue;
        if (!MudContactSweepCapsule(before, before, after, after, fist, playerFrom, playerTo, radius)) continue;
        if (Wounded(s) && !MudContactWounded(s, playerFrom, playerTo, radius)) continue;
        s.punchHitDone = 1;
        hit = true;
    }
    return hit;
}

bool MudContactProjectile(MudPool &pool, Vector3 playerFrom, Vector3 playerTo, float radius)
{
    if (!PlayerValid(playerFrom, playerTo, radius) || !TakeStamp(pool, 3)) return false;
    bool hit = false;
    for (int i = 0; i < UsedCount(pool); i++) {
        MudSlot &s = pool.slots[i];
        if ((s.state != MUD_THROWN && s.state != MUD_PUDDLE) || !s.projectileActive || s.projectileHitDone) continue;
        if (!(s.mass > 0.0f) || !(s.size > 0.0f) || !IsFinite(s.flightFrom) || !IsFinite(s.flightTo)) continue;
        float S = MudBodyScale(s);
        if (!MudContactSweepCylinder(s.flightFrom, s.flightTo, 0.87f * S, 1.24f * S, 0.84f * S, s.yaw, playerFrom, playerTo,
                                     radius))
            continue;
        if (Wounded(s) && !MudContactWounded(s, playerFrom, playerTo, radius)) continue;
        s.projectileHitDone = 1;
        hit = true;
    }
    return hit;
}
