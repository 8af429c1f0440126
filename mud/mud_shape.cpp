// Mudling shape: preparation and evaluation of the CPU clay field.
//
// Index
//   [SECTION] Frames and tapers
//   [SECTION] Limbs
//   [SECTION] Preparation
//   [SECTION] Distance
//   [SECTION] Bounds
#include "mud/mud_shape.h"

#include "mud/mud_golem.h"

#include "common/maths.h"
#include "mud/mud_gait.h"

#include <cmath>

// [SECTION] Frames and tapers

Vector3 MudShapeToWorld(float yaw, Vector3 local)
{
    float c = std::cos(yaw), s = std::sin(yaw);
    return {local.x * c + local.z * s, local.y, -local.x * s + local.z * c};
}

Vector3 MudShapeToBody(float yaw, Vector3 world)
{
    float c = std::cos(yaw), s = std::sin(yaw);
    return {world.x * c - world.z * s, world.y, world.x * s + world.z * c};
}

float MudShapeArmTaper(float t)
{
    if (t <= 0.55f) return 1.2f - 0.5f * Smoothstep(t / 0.55f);
    return 0.7f + 0.4f * Smoothstep((t - 0.55f) / 0.45f);
}

float MudShapeLegTaper(float t) { return 1.2f - 0.35f * t; }

static Vector3 ToBody(const MudShape &shape, Vector3 d)
{
    return {d.x * shape.cosYaw - d.z * shape.sinYaw, d.y, d.x * shape.sinYaw + d.z * shape.cosYaw};
}

static float SmoothMin(float a, float b, float k)
{
    k = std::fmax(k, MUD_SHAPE_SMIN_MIN);
    float h = ClampSafe(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
    return b + (a - b) * h - k * h * (1.0f - h);
}

// (k0 - 1) k0 / k1 with k0 = |q / r|, k1 = |q / r^2|: close to the true distance near the surface.
float MudShapeEllipsoid(Vector3 q, Vector3 r)
{
    Vector3 a = {q.x / r.x, q.y / r.y, q.z / r.z};
    Vector3 b = {a.x / r.x, a.y / r.y, a.z / r.z};
    float k1 = Vector3Length(b);
    if (k1 <= 1e-4f) return -std::fmin(r.x, std::fmin(r.y, r.z));
    float k0 = Vector3Length(a);
    return (k0 - 1.0f) * k0 / k1;
}

static float TaperedCapsule(Vector3 p, const MudShapeSegment &seg)
{
    Vector3 ab = seg.b - seg.a;
    float length2 = Vector3DotProduct(ab, ab);
    float h = length2 > 1e-12f ? ClampSafe(Vector3DotProduct(p - seg.a, ab) / length2, 0.0f, 1.0f) : 0.0f;
    float d = Vector3Length(p - (seg.a + ab * h)) - (seg.ra + (seg.rb - seg.ra) * h);
    float slope = length2 > 1e-12f ? (seg.rb - seg.ra) / std::sqrt(length2) : 0.0f;
    return d / std::sqrt(1.0f + slope * slope);
}

// [SECTION] Limbs

// The golem arm pose belongs to the golem-arm code; until it is joined here no living body has arms.
bool MudShapeArmPose(const MudSlot &slot, MudArmPose *arms)
{
    bool valid = false;
    *arms = MudGolemArmPose(slot, &valid);
    return valid;
}

MudShapeLimbs MudShapeLimbsOf(const MudSlot &slot)
{
    MudShapeLimbs limbs{};
    if (slot.state == MUD_CORPSE) {
        limbs.legs = slot.wounds.frozenLegs;
        limbs.arms = slot.wounds.frozenArms;
        limbs.hasLegs = limbs.legs.visibility > 0.001f;
        limbs.hasArms = limbs.arms.visibility > 0.001f;
        return limbs;
    }
    bool valid = false;
    limbs.legs = MudGaitLegPose(slot, &valid);
    limbs.hasLegs = valid;
    limbs.hasArms = MudShapeArmPose(slot, &limbs.arms);
    return limbs;
}

Vector3 MudShapeCavity(const MudSlot &slot, const MudShapeLimbs &limbs, int k, float *radius)
{
    float R = MudBodyRadius(slot);
    Vector4 cavity = slot.wounds.cavities[k];
    int part = slot.wounds.cavityPart[k];
    float at = slot.wounds.cavityAt[k];
    Vector3 anchor = slot.position;
    if ((part == 1 || part == 2) && limbs.hasArms)
        anchor = MudGaitLimbPoint(limbs.arms.shoulder[part - 1], limbs.arms.elbow[part - 1], limbs.arms.hand[part - 1], at);
    if ((part == 3 || part == 4) && limbs.hasLegs)
        anchor = MudGaitLimbPoint(limbs.legs.hip[part - 3], limbs.legs.knee[part - 3], limbs.legs.foot[part - 3], at);
    Vector3 offset = {cavity.x * R * slot.scale.x, cavity.y * R * slot.scale.y, cavity.z * R * slot.scale.z};
    float volumeScale = std::cbrt(std::fmax(slot.scale.x * slot.scale.y * slot.scale.z, 0.0001f));
    *radius = cavity.w * R * volumeScale;
    return anchor + MudShapeToWorld(slot.yaw, offset);
}

// [SECTION] Preparation

static float Aspect(Vector3 r)
{
    float lo = std::fmin(r.x, std::fmin(r.y, r.z)), hi = std::fmax(r.x, std::fmax(r.y, r.z));
    return lo > 0.0f ? hi / lo : 1.0f;
}

void MudShapePrepareFrozen(const MudSlot &slot, const MudShapeLimbs &limbs, MudShape &shape)
{
    shape = MudShape{};
    float S = MudBodyScale(slot);
    float R = MudBodyRadius(slot);
    shape.centre = slot.position;
    shape.cosYaw = std::cos(slot.yaw);
    shape.sinYaw = std::sin(slot.yaw);
    shape.radii = {std::fmax(S * slot.scale.x, 0.001f), std::fmax(S * slot.scale.y, 0.001f),
                   std::fmax(S * slot.scale.z, 0.001f)};

    float walker = Smoothstep(slot.walkerGrowth);
    shape.skirt = Smoothstep((slot.scale.y - 0.14f) / 0.28f) * (1.0f - walker);
    if (shape.skirt > 0.01f) {
        Vector3 r = shape.radii;
        for (int j = 0; j < 3; j++) {
            float a = 2.094f * (float)j + slot.phase;
            Vector3 local = {0.62f * r.x * std::cos(a), -0.5f * r.y, 0.62f * r.z * std::sin(a)};
            shape.lobeCentre[j] = shape.centre + MudShapeToWorld(slot.yaw, local);
        }
        shape.lobeRadii = {0.46f * r.x * shape.skirt, 0.38f * r.y * shape.skirt, 0.46f * r.z * shape.skirt};
        shape.skirtBlend = 0.2f * S * shape.skirt;
    }

    float g = Smoothstep(slot.golemGrowth);
    shape.hasLegs = limbs.hasLegs;
    if (limbs.hasLegs) {
        const MudLegPose &legs = limbs.legs;
        float w = legs.radius * legs.visibility;
        for (int k = 0; k < 2; k++) {
            for (int c = 0; c < 3; c++) {
                float t0 = (float)c / 3.0f, t1 = (float)(c + 1) / 3.0f;
                shape.curved[k][c] = {MudGaitLimbPoint(legs.hip[k], legs.knee[k], legs.foot[k], t0),
                                      MudGaitLimbPoint(legs.hip[k], legs.knee[k], legs.foot[k], t1),
                                      MudShapeLegTaper(t0) * w, MudShapeLegTaper(t1) * w};
            }
            shape.straight[k] = {legs.hip[k], legs.foot[k], 1.2f * w, 0.85f * w};
        }
        shape.legGolem = g;
        shape.legJoin = S * (0.55f + (0.18f - 0.55f) * g);
        shape.legBlend = (0.65f - 0.45f * g) * S;
    }

    shape.hasArms = limbs.hasArms;
    if (limbs.hasArms) {
        const MudArmPose &arms = limbs.arms;
        shape.torsoCentre = arms.torsoCentre;
        shape.torsoRadii = {std::fmax(arms.torsoRadii.x, 0.002f), std::fmax(arms.torsoRadii.y, 0.002f),
                            std::fmax(arms.torsoRadii.z, 0.002f)};
        for (int k = 0; k < 2; k++) {
            shape.shoulder[k] = arms.shoulder[k];
            shape.elbow[k] = arms.elbow[k];
            shape.hand[k] = arms.hand[k];
        }
        shape.armWidth = arms.radius * arms.visibility;
        float widest = 1.2f * shape.armWidth;
        for (int k = 0; k < 2; k++) {
            // The limb curve stays inside the box of its three control points.
            Vector3 lo = Vector3Min(shape.shoulder[k], Vector3Min(shape.elbow[k], shape.hand[k]));
            Vector3 hi = Vector3Max(shape.shoulder[k], Vector3Max(shape.elbow[k], shape.hand[k]));
            shape.armLo[k] = lo - Vector3{widest, widest, widest};
            shape.armHi[k] = hi + Vector3{widest, widest, widest};
        }
        shape.armBlend = 0.24f * arms.radius;
        shape.golemBlend = 0.2f * S;
    }

    shape.cavityCount = ClampInt(slot.wounds.woundCount, 0, 2);
    for (int k = 0; k < shape.cavityCount; k++) shape.cavityCentre[k] = MudShapeCavity(slot, limbs, k, &shape.cavityRadius[k]);

    if (slot.wounds.planarCut) {
        Vector4 cut = slot.wounds.cutPlane;
        Vector3 local = {slot.scale.x != 0.0f ? cut.x / slot.scale.x : 0.0f, 0.0f,
                         slot.scale.z != 0.0f ? cut.z / slot.scale.z : 0.0f};
        Vector3 normal = MudShapeToWorld(slot.yaw, local);
        float length = LengthXZ(normal);
        if (length >= 1e-5f && IsFinite(length)) {
            shape.cut = true;
            shape.cutNormal = normal * (1.0f / length);
            shape.cutOffset = R * cut.w / length;
        }
    }
    shape.compression = 1.0f;
    float aspect = Aspect(shape.radii);
    if (shape.skirt > 0.01f) aspect = std::fmax(aspect, Aspect(shape.lobeRadii));
    if (shape.hasArms) aspect = std::fmax(aspect, Aspect(shape.torsoRadii));
    shape.steepness = std::fmax(MUD_SHAPE_STEEPNESS_MIN, 1.2f * aspect);
}

void MudShapePrepare(const MudSlot &slot, const MudShapeLimbs &limbs, MudShape &shape)
{
    MudShapePrepareFrozen(slot, limbs, shape);
    if (slot.state != MUD_CORPSE) return;
    shape.corpse = true;
    shape.split = slot.wounds.split != 0;
    shape.deathPlane = slot.wounds.deathPlane;
    shape.separation = shape.split ? slot.separation : 0.0f;
    shape.compression = std::fmax(slot.compression, 0.005f);
    shape.groundFrozen = slot.wounds.groundLevel[0];
    shape.groundCompressed = slot.wounds.groundLevel[1];
}

// [SECTION] Distance

// Distance from p to an axis-aligned box (0 inside).
static float BoxDistance(Vector3 p, Vector3 lo, Vector3 hi)
{
    float dx = std::fmax(std::fmax(lo.x - p.x, p.x - hi.x), 0.0f);
    float dy = std::fmax(std::fmax(lo.y - p.y, p.y - hi.y), 0.0f);
    float dz = std::fmax(std::fmax(lo.z - p.z, p.z - hi.z), 0.0f);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Closest point of an arm's limb curve: the best of three chords, refined by Newton steps.
static float ArmTube(const MudShape &shape, int k, Vector3 p)
{
    Vector3 s = shape.shoulder[k], e = shape.elbow[k], h = shape.hand[k];
    float bestT = 0.0f, bestD = 1e30f;
    for (int c = 0; c < 3; c++) {
        float t0 = (float)c / 3.0f, t1 = (float)(c + 1) / 3.0f;
        Vector3 a = MudGaitLimbPoint(s, e, h, t0), b = MudGaitLimbPoint(s, e, h, t1);
        Vector3 ab = b - a;
        float length2 = Vector3DotProduct(ab, ab);
        float u = length2 > 1e-12f ? ClampSafe(Vector3DotProduct(p - a, ab) / length2, 0.0f, 1.0f) : 0.0f;
        float d = Vector3DistanceSqr(p, a + ab * u);
        if (d < bestD) {
            bestD = d;
            bestT = t0 + (t1 - t0) * u;
        }
    }
    // B(t) = s + 2t(e - s) + t^2 (s - 2e + h)
    Vector3 first = (e - s) * 2.0f, second = (s - e * 2.0f + h) * 2.0f;
    float t = bestT;
    for (int n = 0; n < 3; n++) {
        Vector3 at = MudGaitLimbPoint(s, e, h, t);
        Vector3 tangent = first + second * t;
        float f = Vector3DotProduct(at - p, tangent);
        float df = Vector3DotProduct(tangent, tangent) + Vector3DotProduct(at - p, second);
        if (!(std::fabs(df) > 1e-12f)) break;
        t = ClampSafe(t - f / df, 0.0f, 1.0f);
    }
    float d = Vector3Distance(p, MudGaitLimbPoint(s, e, h, t)) - MudShapeArmTaper(t) * shape.armWidth;
    return 0.6f * d;
}

// The uncarved living field at p.
static float LivingField(const MudShape &shape, Vector3 p)
{
    Vector3 q = ToBody(shape, p - shape.centre);
    float d = MudShapeEllipsoid(q, shape.radii);
    if (shape.skirt > 0.01f) {
        for (int j = 0; j < 3; j++) {
            float lobe = MudShapeEllipsoid(ToBody(shape, p - shape.lobeCentre[j]), shape.lobeRadii);
            d = SmoothMin(d, lobe, shape.skirtBlend);
        }
    }
    if (shape.hasLegs) {
        float leg[2];
        for (int k = 0; k < 2; k++) {
            float curved = 1e30f;
            if (shape.legGolem < 0.999f)
                for (int c = 0; c < 3; c++) curved = std::fmin(curved, TaperedCapsule(p, shape.curved[k][c]));
            float straight = shape.legGolem > 0.001f ? TaperedCapsule(p, shape.straight[k]) : 1e30f;
            if (shape.legGolem <= 0.001f) leg[k] = curved;
            else if (shape.legGolem >= 0.999f) leg[k] = straight;
            else leg[k] = curved + (straight - curved) * shape.legGolem;
        }
        d = SmoothMin(d, SmoothMin(leg[0], leg[1], shape.legJoin), shape.legBlend);
    }
    if (shape.hasArms) {
        float golem = MudShapeEllipsoid(ToBody(shape, p - shape.torsoCentre), shape.torsoRadii);
        for (int k = 0; k < 2; k++) {
            // An arm a blend width or more beyond the field so far cannot change it.
            float reach = 0.6f * BoxDistance(p, shape.armLo[k], shape.armHi[k]);
            if (reach >= golem + std::fmax(shape.armBlend, MUD_SHAPE_SMIN_MIN)) continue;
            golem = SmoothMin(golem, ArmTube(shape, k, p), shape.armBlend);
        }
        d = SmoothMin(d, golem, shape.golemBlend);
    }
    return d;
}

static float Carved(const MudShape &shape, Vector3 p)
{
    float d = LivingField(shape, p);
    for (int k = 0; k < shape.cavityCount; k++) d = std::fmax(d, shape.cavityRadius[k] - Vector3Distance(p, shape.cavityCentre[k]));
    if (shape.cut) {
        float plane = shape.cutNormal.x * (p.x - shape.centre.x) + shape.cutNormal.z * (p.z - shape.centre.z) + shape.cutOffset;
        d = std::fmax(d, plane);
    }
    return d;
}

static float PlaneAt(const Vector4 &plane, Vector3 p) { return plane.x * p.x + plane.y * p.y + plane.z * p.z + plane.w; }

float MudShapeDistance(const MudShape &shape, Vector3 p)
{
    if (!shape.corpse) return Carved(shape, p);
    float side = PlaneAt(shape.deathPlane, p) >= 0.0f ? 1.0f : -1.0f;
    Vector3 frozen = p;
    frozen.x -= shape.deathPlane.x * shape.separation * side;
    frozen.z -= shape.deathPlane.z * shape.separation * side;
    frozen.y = shape.groundFrozen + (p.y - shape.groundCompressed) / shape.compression;
    float d = Carved(shape, frozen) * shape.compression;
    if (shape.split) d = std::fmax(d, -side * PlaneAt(shape.deathPlane, frozen));
    return d;
}

int MudShapeColumnInside(const MudShape &shape, float x, float z, float y0, float step, int n)
{
    int inside = 0;
    int k = 0;
    while (k < n) {
        float d = MudShapeDistance(shape, {x, y0 + (float)k * step, z});
        float reach = std::fabs(d) / shape.steepness;
        int j = k + 1;
        while (j < n && (float)(j - k) * step < reach) j++;
        if (d <= 0.0f) inside += j - k;
        k = j;
    }
    return inside;
}

bool MudShapeRemoved(const MudShape &shape, Vector3 p)
{
    for (int k = 0; k < shape.cavityCount; k++)
        if (Vector3Distance(p, shape.cavityCentre[k]) < shape.cavityRadius[k]) return true;
    if (shape.cut) {
        float plane = shape.cutNormal.x * (p.x - shape.centre.x) + shape.cutNormal.z * (p.z - shape.centre.z) + shape.cutOffset;
        if (plane > 0.0f) return true;
    }
    return false;
}

// [SECTION] Bounds

static void Grow(Vector3 &lo, Vector3 &hi, Vector3 p, Vector3 r)
{
    lo = Vector3Min(lo, p - r);
    hi = Vector3Max(hi, p + r);
}

// World half-extents of a body-frame box of semi-axes r turned by the heading.
static Vector3 TurnedExtents(const MudShape &shape, Vector3 r)
{
    float c = std::fabs(shape.cosYaw), s = std::fabs(shape.sinYaw);
    return {r.x * c + r.z * s, r.y, r.x * s + r.z * c};
}

void MudShapeBounds(const MudShape &shape, Vector3 *lo, Vector3 *hi)
{
    Vector3 l = shape.centre, h = shape.centre;
    Vector3 r = shape.radii;
    float blend = 0.0f;
    if (shape.skirt > 0.01f) {
        // The lobes reach 0.62 + 0.46 of a semi-axis out and 0.88 down.
        Vector3 lobes = {1.08f * r.x, r.y, 1.08f * r.z};
        Grow(l, h, shape.centre, TurnedExtents(shape, lobes));
        l.y = std::fmin(l.y, shape.centre.y - 0.88f * r.y);
        blend = std::fmax(blend, shape.skirtBlend);
    } else {
        Grow(l, h, shape.centre, TurnedExtents(shape, r));
    }
    if (shape.hasLegs) {
        for (int k = 0; k < 2; k++) {
            for (int c = 0; c < 3; c++) {
                const MudShapeSegment &seg = shape.curved[k][c];
                float ra = std::fmax(seg.ra, seg.rb);
                Grow(l, h, seg.a, {ra, ra, ra});
                Grow(l, h, seg.b, {ra, ra, ra});
            }
        }
        blend = std::fmax(blend, std::fmax(shape.legJoin, shape.legBlend));
    }
    if (shape.hasArms) {
        Grow(l, h, shape.torsoCentre, TurnedExtents(shape, shape.torsoRadii));
        float ra = 1.2f * shape.armWidth;
        for (int k = 0; k < 2; k++) {
            // The limb curve lies inside the triangle of its three points.
            Grow(l, h, shape.shoulder[k], {ra, ra, ra});
            Grow(l, h, shape.elbow[k], {ra, ra, ra});
            Grow(l, h, shape.hand[k], {ra, ra, ra});
        }
        blend = std::fmax(blend, std::fmax(shape.armBlend, shape.golemBlend));
    }
    // A smooth minimum swells the surface by at most a quarter of its width.
    Vector3 margin = {0.25f * blend, 0.25f * blend, 0.25f * blend};
    *lo = l - margin;
    *hi = h + margin;
}

float MudShapeBoundRadius(const MudSlot &slot, const MudShapeLimbs &limbs)
{
    float S = MudBodyScale(slot);
    float bound = std::fmax(slot.scale.x, std::fmax(slot.scale.y, slot.scale.z)) * S * 1.35f;
    if (limbs.hasLegs) {
        const MudLegPose &legs = limbs.legs;
        float reach = 1.5f * legs.radius;
        for (int k = 0; k < 2; k++) {
            bound = std::fmax(bound, Vector3Distance(legs.hip[k], slot.position) + reach);
            bound = std::fmax(bound, Vector3Distance(legs.knee[k], slot.position) + reach);
            bound = std::fmax(bound, Vector3Distance(legs.foot[k], slot.position) + reach);
        }
    }
    if (limbs.hasArms) {
        const MudArmPose &arms = limbs.arms;
        bound = std::fmax(bound, Vector3Distance(arms.torsoCentre, slot.position) + Vector3Length(arms.torsoRadii));
        for (int k = 0; k < 2; k++) {
            // The tube is 1.2 arm radii wide at the shoulder: one radius would cut it off.
            bound = std::fmax(bound, Vector3Distance(arms.shoulder[k], slot.position) + 1.2f * arms.radius);
            bound = std::fmax(bound, Vector3Distance(arms.elbow[k], slot.position) + 1.2f * arms.radius);
            bound = std::fmax(bound, Vector3Distance(arms.hand[k], slot.position) + 1.2f * arms.radius);
        }
    }
    return bound + 0.1f;
}
