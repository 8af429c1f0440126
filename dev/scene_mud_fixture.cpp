// Hand-packed mudlings for the renderer's developer checks and captures.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Creatures
//   [SECTION] Effects and wounds
//   [SECTION] Tile masks
#include "dev/scene_mud_fixture.h"

#include "common/maths.h"
#include "world/terrain.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

// [SECTION] Helpers

static constexpr float UNIT_SIZE = 0.65f;
static const Vector3 BUN_REST = {1.13f, 0.68f, 1.03f};
static const Vector3 WALKER_REST = {1.23f, 0.58f, 0.97f};
static const Vector3 GOLEM_REST = {0.94f, 1.03f, 0.89f};

static Vector4 V4(Vector3 v, float w) { return {v.x, v.y, v.z, w}; }
static Vector3 XYZ(Vector4 v) { return {v.x, v.y, v.z}; }
static Vector3 Sideways(float yaw) { return {std::cos(yaw), 0.0f, -std::sin(yaw)}; }
static Vector3 Forward(float yaw) { return {std::sin(yaw), 0.0f, std::cos(yaw)}; }
static float Frac(float x) { return x - std::floor(x); }

void SceneMudFixtureReset(SceneMudFixture &f, bool terrain)
{
    memset(&f, 0, sizeof(f));
    f.terrain = terrain;
}

float SceneMudFixtureGround(const SceneMudFixture &f, float x, float z)
{
    return f.terrain ? TerrainBaseHeight(x, z) : 0.0f;
}

static int NewSlot(SceneMudFixture &f)
{
    if (f.count >= MUD_POSE_SLOTS) return -1;
    return f.count++;
}

// Body, shape, states and patch of a formed creature standing at its spawn point.
static void PackBody(SceneMudFixture &f, int s, Vector3 centre, float drawRadius, Vector3 scale, float yaw, float phase)
{
    f.a.mudBodies[s] = V4(centre, drawRadius);
    f.a.mudShapes[s] = V4(scale, yaw);
    f.a.mudStates[s] = {0.0f, 1.0f, 1.0f, phase};
    f.a.mudPatches[s] = {centre.x, centre.z, 0.0f, 1.0f};
    f.a.mudBursts[s] = {centre.x, std::fmax(centre.y, 0.08f), centre.z, 10.0f};
    f.b.mudWalkers[s] = {0.0f, 0.0f, 1.0f, 0.0f};
}

static float Distance(Vector3 a, Vector3 b) { return Vector3Length(Vector3Subtract(a, b)); }

// The walking leg pose of a creature of body radius R and drawing radius S, fully grown.
static void PackLegs(SceneMudFixture &f, int s, Vector3 position, float yaw, float R, float S, float g, float gait)
{
    float radius = (0.31f - 0.07f * g) * R;
    Vector3 side = Sideways(yaw), fwd = Forward(yaw);
    float bound = 1.8f * R;
    for (int leg = 0; leg < 2; leg++) {
        float sigma = leg == 0 ? -1.0f : 1.0f;
        float c = Frac(gait + 0.5f * (float)leg);
        float forward, lift;
        if (c < 0.58f) {
            forward = 0.38f - 0.76f * c / 0.58f;
            lift = 0.0f;
        } else {
            float w = (c - 0.58f) / 0.42f;
            forward = 0.76f * Smoothstep(w) - 0.38f;
            lift = 0.26f * R * std::sin(PI * w);
        }
        float footSide = sigma * (0.7f - 0.21f * g) * R;
        Vector3 foot = Vector3Add(position, Vector3Add(Vector3Scale(fwd, forward * R), Vector3Scale(side, footSide)));
        foot.y = SceneMudFixtureGround(f, foot.x, foot.z) + 0.85f * radius + lift;
        Vector3 hip = Vector3Add(position, Vector3Subtract(Vector3Scale(side, sigma * ((0.39f * R - 0.46f * S) * g + 0.46f * S)),
                                                           Vector3Scale(fwd, 0.07f * R * g)));
        hip.y = position.y + 0.03f * S - 1.1f * R * g;
        Vector3 under = Vector3Add(position, Vector3Scale(side, footSide));
        Vector3 knee = Vector3Add(Vector3Add(position, Vector3Scale(side, (0.76f - 0.24f * g) * sigma * R)),
                                  Vector3Scale(Vector3Subtract(foot, under), 0.35f));
        knee.y = hip.y - (0.16f + 0.39f * g) * S;
        knee = Vector3Lerp(knee, Vector3Lerp(hip, foot, 0.5f), g);
        f.a.mudLegHips[2 * s + leg] = V4(hip, radius);
        f.a.mudLegKnees[2 * s + leg] = V4(knee, radius);
        f.a.mudLegFeet[2 * s + leg] = V4(foot, radius);
        for (Vector3 joint : {hip, knee, foot}) bound = std::fmax(bound, Distance(joint, position) + 1.6f * radius);
    }
    f.b.mudWalkers[s].x = 1.0f;
    f.b.mudWalkers[s].y = bound + 0.16f;
}

// [SECTION] Creatures

int SceneMudFixtureBun(SceneMudFixture &f, float x, float z, float mass, float yaw, float phase)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    float R = std::cbrt(mass) * UNIT_SIZE;
    Vector3 centre = {x, SceneMudFixtureGround(f, x, z) + R * BUN_REST.y - 0.025f, z};
    PackBody(f, s, centre, R, BUN_REST, yaw, phase);
    return s;
}

int SceneMudFixtureWalker(SceneMudFixture &f, float x, float z, float mass, float yaw, float phase, float gait)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    float R = std::cbrt(mass) * UNIT_SIZE;
    float S = UNIT_SIZE;   // leg normalisation 1 / cbrt(mass)
    float legLength = 0.85f * R;
    Vector3 centre = {x, SceneMudFixtureGround(f, x, z) + S * WALKER_REST.y - 0.025f + legLength, z};
    PackBody(f, s, centre, S, WALKER_REST, yaw, phase);
    PackLegs(f, s, centre, yaw, R, S, 0.0f, gait);
    return s;
}

int SceneMudFixtureGolem(SceneMudFixture &f, float x, float z, float mass, float yaw, float phase, float gait)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    float R = std::cbrt(mass) * UNIT_SIZE;
    float S = UNIT_SIZE;
    Vector3 p = {x, SceneMudFixtureGround(f, x, z) + S * GOLEM_REST.y - 0.025f + 0.85f * R + 0.43f * R, z};
    PackBody(f, s, p, S, GOLEM_REST, yaw, phase);
    PackLegs(f, s, p, yaw, R, S, 1.0f, gait);

    // The arm pose at rest with the walking swing, no spring lag.
    float a = std::sin(1.37f * phase + 0.91f), b = std::sin(0.83f * phase + 2.1f), c = 0.5f + 0.5f * std::sin(0.71f * phase + 1.6f);
    Vector3 side = Sideways(yaw), fwd = Forward(yaw);
    auto at = [&](float sx, float fz, float y) {
        Vector3 q = Vector3Add(p, Vector3Add(Vector3Scale(side, sx * R), Vector3Scale(fwd, fz * R)));
        q.y = y;
        return q;
    };
    Vector3 torso = at(0.04f * a, 0.025f * b - 0.08f, p.y - (0.65f + 0.025f * c) * R);
    Vector3 radii = {(0.62f + 0.022f * std::sin(1.91f * phase + 0.35f)) * R, (0.79f + 0.016f * c) * R, (0.55f + 0.022f * b) * R};
    f.b.mudGolemBodies[s] = V4(torso, 1.0f);
    f.b.mudGolemShapes[s] = V4(radii, 0.0f);
    float armRadius = 0.25f * R;
    float bound = Vector3Length(radii) + Distance(torso, p);
    for (int arm = 0; arm < 2; arm++) {
        float sigma = arm == 0 ? -1.0f : 1.0f;
        float e = std::sin(1.17f * phase + 2.3f * (float)arm + 0.4f);
        float swing = std::sin(2.0f * PI * (gait + 0.5f * (float)arm));
        Vector3 shoulder = at((0.62f + 0.018f * e) * sigma + 0.035f * a, 0.028f * sigma * b - 0.12f,
                              p.y - (0.035f * sigma * a + 0.48f + 0.012f * c) * R);
        Vector3 elbow = at((1.29f + 0.04f * e) * sigma + 0.018f * a, 0.035f * e - 0.04f + 0.1f * swing,
                           p.y - (0.04f * sigma * a + 0.98f) * R);
        Vector3 hand = at(sigma * (1.22f + 0.018f * e), 0.025f * sigma * b + 0.21f + 0.25f * swing,
                          p.y - (0.028f * sigma * a + 1.25f) * R);
        f.b.mudArmShoulders[2 * s + arm] = V4(shoulder, armRadius);
        f.b.mudArmElbows[2 * s + arm] = V4(elbow, armRadius);
        f.b.mudArmHands[2 * s + arm] = V4(hand, armRadius);
        for (Vector3 joint : {shoulder, elbow, hand}) bound = std::fmax(bound, Distance(joint, p) + 1.65f * armRadius);
    }
    f.b.mudWalkers[s].y = std::fmax(f.b.mudWalkers[s].y, bound + 0.2f);
    return s;
}

int SceneMudFixtureBirth(SceneMudFixture &f, float x, float z, float t, float phase)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    float R = UNIT_SIZE;
    float ground = SceneMudFixtureGround(f, x, z);
    if (t < 0.0f) {
        float tb = std::fmin(-t, 1.0f);
        float mound = (0.07f * std::sin(22.0f * tb) + 1.0f) * Smoothstep(tb) * 0.38f;
        PackBody(f, s, {x, ground - R, z}, R, {1.0f, 0.01f, 1.0f}, 0.0f, phase);
        f.a.mudStates[s].y = 0.0f;
        f.a.mudPatches[s] = {x, z, mound, 0.0f};
        f.b.mudWalkers[s].z = 0.0f;   // buried: only the mound shows
        return s;
    }
    t = std::fmin(t, 1.0f);
    float g = Smoothstep(5.0f * t), arc = std::sin(PI * t);
    Vector3 centre = {x, ground - (1.0f - g) * 0.2f * R + 0.68f * R * g + 1.25f * arc, z};
    float sx = 0.9f - 0.15f * arc + 0.22f * t;
    Vector3 scale = {sx, 0.55f * Smoothstep(4.0f * t) + 0.6f - 0.42f * t, sx};
    float emergence = Smoothstep(3.0f * t);
    PackBody(f, s, centre, R, scale, 0.0f, phase);
    f.a.mudStates[s].x = t < 0.48f ? (1.0f - Smoothstep(t / 0.48f)) * 0.22f : 0.0f;
    f.a.mudStates[s].y = Smoothstep(5.0f * (t - 0.12f));
    f.a.mudPatches[s] = {x, z, (1.0f - emergence) * 0.38f, emergence};
    return s;
}

int SceneMudFixtureCrater(SceneMudFixture &f, float x, float z)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    f.a.mudPatches[s] = {x, z, 0.0f, 1.0f};
    f.a.mudBursts[s].w = 10.0f;
    return s;
}

int SceneMudFixtureFusion(SceneMudFixture &f, float x, float z, float mA, float mB, float s)
{
    int A = NewSlot(f);
    if (A < 0) return -1;
    int B = NewSlot(f);
    if (B < 0) {
        f.count--;
        return -1;
    }
    float size3 = UNIT_SIZE * UNIT_SIZE * UNIT_SIZE;
    float VA = mA * size3, VB = mB * size3, V = VA + VB;
    float rA = std::cbrt(VA + s * VB), rB = std::cbrt((1.0f - s) * VB);
    float RA = std::cbrt(VA), RB = std::cbrt(VB);
    Vector3 startA = {x - 0.55f * RA, 0.0f, z}, startB = {x + 0.55f * RB + 0.5f * RA, 0.0f, z + 0.2f};
    startA.y = SceneMudFixtureGround(f, startA.x, startA.z) + RA * BUN_REST.y - 0.025f;
    startB.y = SceneMudFixtureGround(f, startB.x, startB.z) + RB * BUN_REST.y - 0.025f;
    Vector3 C = Vector3Lerp(startA, startB, VB / V);
    C.y = SceneMudFixtureGround(f, C.x, C.z) + BUN_REST.y * std::cbrt(V) - 0.025f;
    Vector3 pA = Vector3Lerp(startA, C, s), pB = Vector3Lerp(startB, C, s);
    PackBody(f, A, pA, rA, BUN_REST, 0.3f, 3.7f);
    PackBody(f, B, pB, rB, BUN_REST, -0.8f, 11.2f);
    f.a.mudStates[B].y = 0.0f;    // absorbed: no eyes of its own
    f.b.mudWalkers[B].z = 0.0f;   // drawn through its absorber
    f.b.mudWalkers[A].w = (float)B + 1.0f;
    f.a.mudMergeBodies[A] = V4(pB, rB);
    f.a.mudMergeShapes[A] = V4(BUN_REST, -0.8f);
    f.b.mudWalkers[A].y = Distance(pA, pB);
    return A;
}

int SceneMudFixtureCorpse(SceneMudFixture &f, float x, float z, float mass, float t, bool split, float nx, float nz)
{
    int s = SceneMudFixtureBun(f, x, z, mass, 0.4f, 5.3f);
    if (s < 0) return -1;
    float R = f.a.mudBodies[s].w;
    float length = std::sqrt(nx * nx + nz * nz);
    Vector3 n = length > 1e-6f ? Vector3{nx / length, 0.0f, nz / length} : Vector3{1.0f, 0.0f, 0.0f};
    Vector3 c = XYZ(f.a.mudBodies[s]);
    float ground = SceneMudFixtureGround(f, x, z);
    float separation = split ? Smoothstep(t / 0.28f) * R * 0.55f : 0.0f;
    float compression = 1.0f - 0.982f * Smoothstep((t - 0.12f) / 1.08f);
    f.a.mudStates[s].y = 0.0f;
    f.b.mudCorpseMotion[s] = {n.x, n.z, separation, compression};
    f.b.mudCorpseBase[s] = {ground, ground, 1.0f, split ? 1.0f : 0.0f};
    f.b.mudCorpsePlanes[s] = V4(n, -Vector3DotProduct(n, c));
    // Corners of the frozen silhouette's box, lobes included.
    float corner = Vector3Length({1.22f * R, 0.68f * R, 1.11f * R});
    f.b.mudWalkers[s].y = corner + separation + 0.2f;
    return s;
}

int SceneMudFixturePuddle(SceneMudFixture &f, float x, float z, float yaw)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    float R = UNIT_SIZE;
    float ground = SceneMudFixtureGround(f, x, z);
    PackBody(f, s, {x, ground + 0.1f * R - 0.02f, z}, R, {2.18f, 0.1f, 1.78f}, yaw, 2.9f);
    f.a.mudStates[s].y = 0.0f;
    // The ground's slope by central differences 0.1 m either side.
    f.b.mudGolemShapes[s] = {(SceneMudFixtureGround(f, x + 0.1f, z) - SceneMudFixtureGround(f, x - 0.1f, z)) / 0.2f, 0.0f,
                             (SceneMudFixtureGround(f, x, z + 0.1f) - SceneMudFixtureGround(f, x, z - 0.1f)) / 0.2f, 0.0f};
    return s;
}

int SceneMudFixtureRoller(SceneMudFixture &f, float x, float z, float radius, float roll)
{
    int s = NewSlot(f);
    if (s < 0) return -1;
    Vector3 scale = {1.0f + 0.07f * std::sin(roll), 1.0f + 0.065f * std::cos(roll), 1.0f - 0.05f * std::sin(roll)};
    PackBody(f, s, {x, SceneMudFixtureGround(f, x, z) + scale.y * radius, z}, radius, scale, 0.24f * roll, 17.0f);
    f.a.mudStates[s].y = 0.0f;
    f.b.mudSpecials[s].w = 1.0f;
    return s;
}

// [SECTION] Effects and wounds

void SceneMudFixtureMark(SceneMudFixture &f, int slot, Vector3 offset, float kind, float since, float flash, float special)
{
    if (slot < 0 || slot >= f.count) return;
    f.b.mudBossScars[slot] = V4(Vector3Add(XYZ(f.a.mudBodies[slot]), offset), kind);
    f.b.mudSpecials[slot] = {flash, since, special, f.b.mudSpecials[slot].w};
}

// First time a drop leaving `from` with velocity v has its bottom (radius r) at the ground.
static float LandingTime(const SceneMudFixture &f, Vector3 from, Vector3 v, float r)
{
    float prev = 0.0f;
    for (int i = 1; i <= 2000; i++) {
        float t = 0.002f * (float)i;
        float y = from.y + v.y * t - 4.9f * t * t - r;
        if (y <= SceneMudFixtureGround(f, from.x + v.x * t, from.z + v.z * t)) {
            float lo = prev, hi = t;
            for (int k = 0; k < 20; k++) {
                float mid = 0.5f * (lo + hi);
                float ym = from.y + v.y * mid - 4.9f * mid * mid - r;
                if (ym <= SceneMudFixtureGround(f, from.x + v.x * mid, from.z + v.z * mid)) hi = mid;
                else lo = mid;
            }
            return hi;
        }
        prev = t;
    }
    return 4.0f;
}

void SceneMudFixtureLanding(SceneMudFixture &f, int slot, float since)
{
    if (slot < 0 || slot >= f.count) return;
    Vector3 touchdown = XYZ(f.a.mudBodies[slot]);
    touchdown.y = std::fmax(touchdown.y, 0.08f);
    f.a.mudBursts[slot] = V4(touchdown, since);
    float phase = f.a.mudStates[slot].w;
    float times[4];
    for (int j = 0; j < 4; j++) {
        float seed = phase + 13.71f * (float)j;
        float angle = 4.18f * seed, speed = 1.1f + 0.8f * Frac(seed);
        Vector3 v = {std::cos(angle) * speed, 2.0f + 1.4f * Frac(3.1f * seed), std::sin(angle) * speed};
        times[j] = LandingTime(f, touchdown, v, 0.055f + 0.045f * Frac(7.3f * seed));
    }
    f.a.mudImpacts[slot] = since < 1.7f ? Vector4{times[0], times[1], times[2], times[3]} : Vector4{};
}

void SceneMudFixtureDash(SceneMudFixture &f, int slot, Vector3 from, Vector3 to, float elapsed)
{
    if (slot < 0 || slot >= f.count) return;
    float R = f.a.mudBodies[slot].w;
    from.y = SceneMudFixtureGround(f, from.x, from.z) + R * 0.58f - 0.025f;
    to.y = SceneMudFixtureGround(f, to.x, to.z) + R * 0.58f - 0.025f;
    float length = Distance(from, to);
    float duration = std::fmax(length / 10.5f, 0.08f);
    float t = ClampSafe(elapsed / duration, 0.0f, 1.0f);
    Vector3 p = Vector3Lerp(from, to, t);
    float w = std::sin(PI * t);
    float yaw = std::atan2(to.x - from.x, to.z - from.z);
    Vector3 scale = {0.88f - 0.06f * w, 0.58f - 0.05f * w, 1.53f + 0.17f * w};
    p.y = SceneMudFixtureGround(f, p.x, p.z) + R * scale.y - 0.025f + 0.11f * w;
    f.a.mudBodies[slot] = V4(p, R);
    f.a.mudShapes[slot] = V4(scale, yaw);
    f.a.mudDashStarts[slot] = V4(from, elapsed);
    f.a.mudDashEnds[slot] = V4(to, duration);
    Vector3 dir = Vector3Normalize(Vector3Subtract(to, from));
    dir.y = 0.0f;
    Vector3 right = {dir.z, 0.0f, -dir.x};
    float phase = f.a.mudStates[slot].w;
    float times[6] = {};
    for (int j = 0; j < 6; j++) {
        float emit = 0.03f + 0.08f * (float)j;
        if (emit >= duration) break;
        float side = j % 2 == 0 ? -1.0f : 1.0f;
        float seed = phase + 11.31f * (float)j;
        float r = 0.045f + 0.025f * Frac(7.3f * seed);
        Vector3 start = Vector3Add(Vector3Lerp(from, to, emit / duration), Vector3Scale(right, side * 0.65f * R));
        start.y = SceneMudFixtureGround(f, start.x, start.z) + 0.18f;
        Vector3 v = Vector3Add(Vector3Scale(dir, -0.65f), Vector3Scale(right, side * (1.7f + 0.6f * Frac(seed))));
        v.y = 1.8f + 0.7f * Frac(3.1f * seed);
        times[j] = LandingTime(f, start, v, r);
    }
    f.a.mudDashImpactsA[slot] = {times[0], times[1], times[2], times[3]};
    f.a.mudDashImpactsB[slot] = {times[4], times[5], 0.0f, 0.0f};
}

void SceneMudFixtureCavity(SceneMudFixture &f, int slot, int k, Vector3 offset, float radius)
{
    if (slot < 0 || slot >= f.count || k < 0 || k > 1) return;
    f.b.mudWounds[2 * slot + k] = V4(Vector3Add(XYZ(f.a.mudBodies[slot]), offset), radius);
}

void SceneMudFixtureCut(SceneMudFixture &f, int slot, float nx, float nz, float distance)
{
    if (slot < 0 || slot >= f.count) return;
    float length = std::sqrt(nx * nx + nz * nz);
    if (!(length > 1e-6f)) return;
    Vector3 n = {nx / length, 0.0f, nz / length};
    f.b.mudCutPlanes[slot] = V4(n, -Vector3DotProduct(n, XYZ(f.a.mudBodies[slot])) - distance);
    f.b.mudCutStates[slot] = {1.0f, 0.0f, 0.0f, 0.0f};
}

void SceneMudFixtureChunk(SceneMudFixture &f, int slot, int k, Vector3 position, float radius)
{
    if (slot < 0 || slot >= f.count || k < 0 || k > 1) return;
    f.b.mudDamageChunks[2 * slot + k] = V4(position, radius);
}

// [SECTION] Tile masks

struct TileFrame {
    Vector3 position, right, up;
    float W, H;
};

static Vector3 ShadowPoint(Vector3 p) { return {p.x + 0.12f * p.y, 0.0f, p.z - 0.08f * p.y}; }

static void Mark(SceneMudFixture &f, const TileFrame &frame, int slot, Vector3 p, float r)
{
    if (!(r > 0.0f) || !IsFinite(p)) return;
    Vector3 d = Vector3Subtract(p, frame.position);
    float u = Vector3DotProduct(d, frame.right) / frame.W + 0.5f;
    float v = Vector3DotProduct(d, frame.up) / frame.H + 0.5f;
    int c0 = ClampInt((int)std::floor(ClampSafe((u - r / frame.W) * 16.0f, -1.0f, 17.0f)), 0, 15);
    int c1 = ClampInt((int)std::floor(ClampSafe((u + r / frame.W) * 16.0f, -1.0f, 17.0f)), 0, 15);
    int r0 = ClampInt((int)std::floor(ClampSafe((v - r / frame.H) * 9.0f, -1.0f, 10.0f)), 0, 8);
    int r1 = ClampInt((int)std::floor(ClampSafe((v + r / frame.H) * 9.0f, -1.0f, 10.0f)), 0, 8);
    if ((u + r / frame.W) < 0.0f || (u - r / frame.W) > 1.0f || (v + r / frame.H) < 0.0f || (v - r / frame.H) > 1.0f) return;
    for (int row = r0; row <= r1; row++)
        for (int col = c0; col <= c1; col++) f.tiles[row * 16 + col][slot / 32] |= (int)(1u << (slot % 32));
}

void SceneMudFixtureTiles(SceneMudFixture &f, const FollowCamera &camera, float aspect)
{
    memset(f.tiles, 0, sizeof(f.tiles));
    TileFrame frame = {camera.position, camera.right, camera.up, camera.viewHeight * aspect, camera.viewHeight};
    for (int s = 0; s < f.count; s++) {
        Vector3 c = XYZ(f.a.mudBodies[s]);
        float R = f.a.mudBodies[s].w;
        float bound = f.b.mudWalkers[s].y;
        Vector4 base = f.b.mudCorpseBase[s];
        if (base.z > 0.5f) {
            Vector3 cc = c;
            cc.y = (c.y - base.x) * f.b.mudCorpseMotion[s].w + base.y;
            Mark(f, frame, s, cc, bound);
            Mark(f, frame, s, ShadowPoint(cc), bound + 0.1f);
        }
        Mark(f, frame, s, c, 2.5f * R + 0.8f);
        Mark(f, frame, s, ShadowPoint(c), 2.2f * R);
        Vector4 patch = f.a.mudPatches[s];
        Mark(f, frame, s, {patch.x, SceneMudFixtureGround(f, patch.x, patch.y), patch.y}, 1.8f);
        Vector4 burst = f.a.mudBursts[s], landings = f.a.mudImpacts[s];
        float last = std::fmax(std::fmax(landings.x, landings.y), std::fmax(landings.z, landings.w));
        if (burst.w < last + 0.48f) Mark(f, frame, s, XYZ(burst), 3.2f);
        if (f.b.mudWalkers[s].x > 0.001f) {
            for (int leg = 0; leg < 2; leg++)
                Mark(f, frame, s, ShadowPoint(XYZ(f.a.mudLegFeet[2 * s + leg])), 2.8f * f.a.mudLegFeet[2 * s + leg].w + 0.3f);
            Mark(f, frame, s, c, bound);
        }
        if (f.b.mudGolemBodies[s].w > 0.001f) {
            Mark(f, frame, s, c, bound);
            Mark(f, frame, s, ShadowPoint(c), bound);
        }
        for (int k = 0; k < 2; k++) {
            Vector4 chunk = f.b.mudDamageChunks[2 * s + k];
            if (chunk.w <= 0.0f) continue;
            Mark(f, frame, s, XYZ(chunk), chunk.w + 0.2f);
            Mark(f, frame, s, ShadowPoint(XYZ(chunk)), 1.5f * chunk.w + 0.25f);
        }
        int partner = (int)(f.b.mudWalkers[s].w + 0.5f) - 1;
        if (partner >= 0 && partner < f.count) {
            Vector4 donor = f.a.mudMergeBodies[s];
            Mark(f, frame, s, XYZ(donor), 2.5f * donor.w + 0.8f);
            Mark(f, frame, s, ShadowPoint(XYZ(donor)), 2.2f * donor.w);
            if (f.b.mudWalkers[partner].x > 0.001f) {
                Mark(f, frame, s, XYZ(donor), f.b.mudWalkers[partner].y);
                Mark(f, frame, s, ShadowPoint(XYZ(donor)), f.b.mudWalkers[partner].y);
            }
        }
        Vector4 ds = f.a.mudDashStarts[s], de = f.a.mudDashEnds[s];
        if (de.w > 0.03f && ds.w < 1.6f)
            Mark(f, frame, s, Vector3Lerp(XYZ(ds), XYZ(de), 0.5f), 0.5f * Distance(XYZ(ds), XYZ(de)) + 2.2f);
    }
}

void SceneMudFixtureView(const SceneMudFixture &f, SceneView &view)
{
    view.mudCount = f.count;
    memcpy(view.mudTiles, f.tiles, sizeof(view.mudTiles));
    view.mudPoseA = &f.a;
    view.mudPoseB = &f.b;
}
