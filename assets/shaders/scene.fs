#version 330
// Scene shader: one full-screen pass that ray-marches the world seen by the orthographic follow
// camera (ground, chasm, astronaut, mudlings, canyon composite, meteors, blades, high clouds) and
// writes tone-mapped colour plus a linear depth that meshes drawn afterwards test against.
// Start-up replaces the first line by "#version 330" and "#define ENABLE_CANYON 0|1".
//
// Index
//   [SECTION] Uniforms and blocks
//   [SECTION] Distance helpers       noise, clayNoise, primitives, analytic intersections
//   [SECTION] Per-object fields      arena, terrain and patches, astronaut parts, saw blade
//   [SECTION] Scene map              the astronaut with materials
//   [SECTION] Marching               floor search, astronaut, mudlings, meteor rocks, blades
//   [SECTION] Normals
//   [SECTION] Shadows                player, clouds, blades, mudlings
//   [SECTION] Shading                astronaut, ground, chasm, meteors, blades, mist, clouds
//   [SECTION] main

#ifndef ENABLE_CANYON
#define ENABLE_CANYON 0
#endif
#define ENABLE_GROUND_FOG 0      // the low dust strata stay compiled out
#define ENABLE_HIGH_CLOUDS 1

// [SECTION] Uniforms and blocks

in vec2 fragTexCoord;
in vec4 fragColor;
out vec4 finalColor;

uniform ivec4 graphicsQuality;      // clouds, shadows, spray, creature detail (each 0..2)
uniform vec2 resolution;            // target size in pixels
uniform vec3 cameraPosition;
uniform vec3 cameraForward;
uniform vec3 cameraRight;
uniform vec3 cameraUp;
uniform vec2 depthRange;            // near, 1 / (far - near)
uniform float viewHeight;           // metres of view height
uniform vec3 playerPosition;
uniform float playerYaw;
uniform vec3 bodyOffset;            // torso offset from the hip pivot, player frame
uniform vec3 bodyAngles;            // torso pitch, twist, roll
uniform vec2 footAngles[2];         // per foot: yaw, pitch
uniform vec3 joints[12];            // player frame: legs (hip, knee, foot) x2, arms (shoulder, elbow, hand) x2
uniform int playerVisible;
uniform float playerFlash;
uniform vec4 shipShadow;            // ship xyz with altitude, strength
uniform float atmosphereTime;       // seconds of run time
uniform int mudCount;
uniform ivec2 mudTiles[144];        // per 16 x 9 screen tile, two 32-bit slot masks
uniform sampler2D groundTracks;     // unit 1
uniform sampler2D terrainDetail;    // unit 2: cracks, relief, grain, height
uniform sampler2D terrainHeights;   // unit 3
uniform sampler2D soilDeposits;     // unit 4: height, wetness, dryness
uniform vec2 trackOrigin;
uniform float arenaHalfSize;
uniform vec2 arenaCornerRadii;      // (-,-) corner, (+,+) corner
uniform int soilActive;
uniform float soilHeightBound;
uniform int meteorCount;
uniform vec4 meteorBodies[8];       // rock centre, radius
uniform vec4 meteorTargets[8];      // impact point, warning strength
uniform vec4 meteorStates[8];       // time, stage, random angle, impact-cloud age
uniform vec4 meteorStarts[8];       // launch point, heat
uniform int spikeCount;
uniform vec4 spikeBodies[8];        // blade centre on the ground, emergence
uniform vec4 spikeDirections[8];    // heading x, z; spin phase; state
#if ENABLE_CANYON
uniform sampler2D rockColor;        // unit 5: prepass colour
uniform sampler2D rockDepth;        // unit 6: prepass depth
uniform int rocksActive;
#endif

layout(std140) uniform MudPoseA {
    vec4 mudBodies[48];
    vec4 mudShapes[48];
    vec4 mudStates[48];
    vec4 mudPatches[48];
    vec4 mudBursts[48];
    vec4 mudImpacts[48];
    vec4 mudDashStarts[48];
    vec4 mudDashEnds[48];
    vec4 mudDashImpactsA[48];
    vec4 mudDashImpactsB[48];
    vec4 mudMergeBodies[48];
    vec4 mudMergeShapes[48];
    vec4 mudLegHips[96];
    vec4 mudLegKnees[96];
    vec4 mudLegFeet[96];
};

layout(std140) uniform MudPoseB {
    vec4 mudWalkers[48];
    vec4 mudGolemBodies[48];
    vec4 mudGolemShapes[48];
    vec4 mudArmShoulders[96];
    vec4 mudArmElbows[96];
    vec4 mudArmHands[96];
    vec4 mudWounds[96];
    vec4 mudDamageChunks[96];
    vec4 mudCorpseMotion[48];
    vec4 mudCorpseBase[48];
    vec4 mudCorpsePlanes[48];
    vec4 mudCutPlanes[48];
    vec4 mudCutStates[48];
    vec4 mudBossScars[48];
    vec4 mudSpecials[48];
};

const vec3 SUN = vec3(-0.1187711, 0.9897595, 0.0791808);
const vec2 SHADOW_SHIFT = vec2(0.12, -0.08);     // horizontal shadow offset per metre of height
const float PI = 3.14159265;
const float FAR_FLOOR = 200.0;                    // depth of the chasm beyond the outline
const float CLOUD_HEIGHT = 16.0;
const float CLOUD_HALF = 1.2;
const vec3 PIVOT = vec3(0.0, 1.12, 0.0);          // torso pivot above the feet
const vec3 HEAD = vec3(0.0, 2.005, 0.014);        // helmet centre, body frame
const float PLAYER_BOUND = 1.65;

// Per-ray state, set once in main() and read by the fields below.
float yawCos, yawSin;
mat3 bodyMatrix;                // player frame -> body frame rotation
mat3 bootMatrix[2];             // player frame -> boot frame rotation, per leg
ivec2 tileMask;                 // this pixel's mudling slots, limited to mudCount
int rayPatchSlots[48];          // slots whose birth patch can reach this ray, ascending
int rayPatchCount;

// [SECTION] Distance helpers

float hash12(vec2 c)
{
    return fract(sin(dot(c, vec2(127.1, 311.7))) * 43758.5453);
}

// 2D value noise with smoothstep interpolation, 0..1.
float noise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    float a = hash12(i);
    float b = hash12(i + vec2(1.0, 0.0));
    float c = hash12(i + vec2(0.0, 1.0));
    float d = hash12(i + vec2(1.0, 1.0));
    return mix(mix(a, b, u.x), mix(c, d, u.x), u.y);
}

float hash13(vec3 p)
{
    p = fract(p * 0.1031);
    p += dot(p, p.yzx + 33.33);
    return fract((p.x + p.y) * p.z);
}

// 3D value noise with quintic interpolation: x = value, yzw = gradient.
vec4 clayNoise(vec3 x)
{
    vec3 i = floor(x);
    vec3 w = fract(x);
    vec3 u = w * w * w * (w * (w * 6.0 - 15.0) + 10.0);
    vec3 du = 30.0 * w * w * (w * (w - 2.0) + 1.0);
    float a = hash13(i);
    float b = hash13(i + vec3(1.0, 0.0, 0.0));
    float c = hash13(i + vec3(0.0, 1.0, 0.0));
    float d = hash13(i + vec3(1.0, 1.0, 0.0));
    float e = hash13(i + vec3(0.0, 0.0, 1.0));
    float f = hash13(i + vec3(1.0, 0.0, 1.0));
    float g = hash13(i + vec3(0.0, 1.0, 1.0));
    float h = hash13(i + vec3(1.0, 1.0, 1.0));
    float k1 = b - a;
    float k2 = c - a;
    float k3 = e - a;
    float k4 = a - b - c + d;
    float k5 = a - c - e + g;
    float k6 = a - b - e + f;
    float k7 = -a + b + c - d + e - f - g + h;
    float value = a + k1 * u.x + k2 * u.y + k3 * u.z + k4 * u.x * u.y + k5 * u.y * u.z
                + k6 * u.z * u.x + k7 * u.x * u.y * u.z;
    vec3 gradient = du * vec3(k1 + k4 * u.y + k6 * u.z + k7 * u.y * u.z,
                              k2 + k5 * u.z + k4 * u.x + k7 * u.z * u.x,
                              k3 + k6 * u.x + k5 * u.y + k7 * u.x * u.y);
    return vec4(value, gradient);
}

float sdSphere(vec3 p, float r)
{
    return length(p) - r;
}

// Conservative bound: never longer than the true distance.
float sdEllipsoid(vec3 p, vec3 r)
{
    return (length(p / r) - 1.0) * min(r.x, min(r.y, r.z));
}

// Half size s includes the rounding r.
float sdRoundBox(vec3 p, vec3 s, float r)
{
    vec3 q = abs(p) - s + r;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - r;
}

// Degenerate segments (a == b, e.g. before the first pose upload) fall back to a sphere.
float sdCapsule(vec3 p, vec3 a, vec3 b, float r)
{
    vec3 pa = p - a;
    vec3 ba = b - a;
    float h = clamp(dot(pa, ba) / max(dot(ba, ba), 1e-8), 0.0, 1.0);
    return length(pa - ba * h) - r;
}

float sdTaperedCapsule(vec3 p, vec3 a, vec3 b, float r0, float r1)
{
    vec3 pa = p - a;
    vec3 ba = b - a;
    float l2 = max(dot(ba, ba), 1e-8);
    float h = clamp(dot(pa, ba) / l2, 0.0, 1.0);
    float dr = r1 - r0;
    return (length(pa - ba * h) - (r0 + dr * h)) / sqrt(1.0 + dr * dr / l2);
}

// Vertical cylinder of radius r and half height hh.
float sdCylinder(vec3 p, float r, float hh)
{
    vec2 d = abs(vec2(length(p.xz), p.y)) - vec2(r, hh);
    return min(max(d.x, d.y), 0.0) + length(max(d, 0.0));
}

float sdTriangle(vec2 p, vec2 p0, vec2 p1, vec2 p2)
{
    vec2 e0 = p1 - p0, e1 = p2 - p1, e2 = p0 - p2;
    vec2 v0 = p - p0, v1 = p - p1, v2 = p - p2;
    vec2 pq0 = v0 - e0 * clamp(dot(v0, e0) / dot(e0, e0), 0.0, 1.0);
    vec2 pq1 = v1 - e1 * clamp(dot(v1, e1) / dot(e1, e1), 0.0, 1.0);
    vec2 pq2 = v2 - e2 * clamp(dot(v2, e2) / dot(e2, e2), 0.0, 1.0);
    float s = sign(e0.x * e2.y - e0.y * e2.x);
    vec2 d = min(min(vec2(dot(pq0, pq0), s * (v0.x * e0.y - v0.y * e0.x)),
                     vec2(dot(pq1, pq1), s * (v1.x * e1.y - v1.y * e1.x))),
                     vec2(dot(pq2, pq2), s * (v2.x * e2.y - v2.y * e2.x)));
    return -sqrt(d.x) * sign(d.y);
}

// Hard union of (distance, material): the nearer wins, on a tie the earlier.
vec2 opUnion(vec2 a, vec2 b)
{
    return b.x < a.x ? b : a;
}

// Rotation about y: forward (0, 0, 1) turned by a points to (sin a, 0, cos a).
vec3 rotY(vec3 v, float a)
{
    float c = cos(a), s = sin(a);
    return vec3(v.x * c + v.z * s, v.y, v.z * c - v.x * s);
}

vec3 rotX(vec3 v, float a)
{
    float c = cos(a), s = sin(a);
    return vec3(v.x, v.y * c - v.z * s, v.y * s + v.z * c);
}

vec3 rotZ(vec3 v, float a)
{
    float c = cos(a), s = sin(a);
    return vec3(v.x * c - v.y * s, v.x * s + v.y * c, v.z);
}

// Entry and exit distances of a ray (unit direction) through a sphere; exit < entry on a miss.
vec2 sphereInterval(vec3 ro, vec3 rd, vec3 centre, float radius)
{
    vec3 oc = ro - centre;
    float b = dot(oc, rd);
    float h = b * b - (dot(oc, oc) - radius * radius);
    if (h < 0.0) return vec2(1e9, -1e9);
    h = sqrt(h);
    return vec2(-b - h, -b + h);
}

// Entry and exit of a ray through an axis-aligned ellipsoid; exit < entry on a miss.
vec2 ellipsoidInterval(vec3 ro, vec3 rd, vec3 centre, vec3 radii)
{
    vec3 o = (ro - centre) / radii;
    vec3 d = rd / radii;
    float a = dot(d, d);
    float b = dot(o, d);
    float h = b * b - a * (dot(o, o) - 1.0);
    if (h < 0.0) return vec2(1e9, -1e9);
    h = sqrt(h);
    return vec2((-b - h) / a, (-b + h) / a);
}

// [SECTION] Per-object fields

// Signed distance to the arena outline in the ground plane: negative inside.
float arenaDistance(vec2 p)
{
    float r = (p.x < 0.0 && p.y < 0.0) ? arenaCornerRadii.x
            : ((p.x > 0.0 && p.y > 0.0) ? arenaCornerRadii.y : 0.0);
    vec2 q = abs(p) - vec2(arenaHalfSize - r);
    return min(max(q.x, q.y), 0.0) + length(max(q, 0.0)) - r;
}

// Soil deposit (height, wetness, dryness); zero while no soil is active or outside the arena square.
vec4 soilDeposit(vec2 xz)
{
    if (soilActive != 1 || abs(xz.x) > 128.0 || abs(xz.y) > 128.0) return vec4(0.0);
    return textureLod(soilDeposits, (xz + 128.0) / 256.0, 0.0);
}

// Baked ground height plus the soil deposit.
float terrainHeight(vec2 xz)
{
    return textureLod(terrainHeights, (xz + 144.0) / 288.0, 0.0).r + soilDeposit(xz).r;
}

bool tileHasSlot(int i)
{
    int word = i < 32 ? tileMask.x : tileMask.y;
    return ((uint(word) >> uint(i & 31)) & 1u) != 0u;
}

// Birth mound and crater of one slot at a ground point.
float mudPatchAt(int i, vec2 xz)
{
    vec4 patch = mudPatches[i];
    float d = length(xz - patch.xy);
    float d2 = d * d;
    float mound = max(0.0, 1.0 - d2 / 1.44);
    float bowl = max(0.0, 1.0 - d2 / 0.64);
    float lip = max(0.0, 1.0 - abs(d - 0.83) / 0.30);
    return patch.z * mound * mound + patch.w * (-0.20 * bowl * bowl + 0.065 * lip * lip);
}

// Keeps the tile's slots whose birth patch lies near this ray's horizontal line.
void mudPatchMaskForRay(vec3 ro, vec3 rd)
{
    rayPatchCount = 0;
    vec2 along = rd.xz;
    float alongLength = length(along);
    bool vertical = alongLength < 1e-6;
    along = vertical ? vec2(0.0) : along / alongLength;
    for (int i = 0; i < 48; i++) {
        if (i >= mudCount) break;
        if (!tileHasSlot(i)) continue;
        vec4 patch = mudPatches[i];
        if (patch.z <= 0.0 && patch.w <= 0.0) continue;
        vec2 offset = patch.xy - ro.xz;
        float off = vertical ? 0.0 : abs(offset.x * along.y - offset.y * along.x);
        float margin = 0.0001 * (1.0 + max(abs(offset.x), abs(offset.y)));
        if (vertical || off <= 1.525 + margin) {
            rayPatchSlots[rayPatchCount] = i;
            rayPatchCount++;
        }
    }
}

float mudPatchHeight(vec2 xz)
{
    float h = 0.0;
    for (int k = 0; k < 48; k++) {
        if (k >= rayPatchCount) break;
        h += mudPatchAt(rayPatchSlots[k], xz);
    }
    return h;
}

// The ground the floor search finds: terrain plus the mudlings' birth patches.
float soilHeight(vec2 xz)
{
    return terrainHeight(xz) + mudPatchHeight(xz);
}

vec3 toPlayerFrame(vec3 w)
{
    vec3 d = w - playerPosition;
    return vec3(yawCos * d.x - yawSin * d.z, d.y, yawSin * d.x + yawCos * d.z);
}

// Torso, helmet, pack and their trim, in the body frame.
vec2 astronautBody(vec3 b)
{
    vec3 t = b;
    t.z /= 0.73;
    vec2 res = vec2(sdTaperedCapsule(t, vec3(0.0, 1.28, 0.0), vec3(0.0, 1.455, 0.0), 0.19, 0.285) * 0.73, 1.0);
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.0, 1.105, 0.0), vec3(0.218, 0.15, 0.17), 0.070), 2.0));
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.0, 1.20, 0.0), vec3(0.231, 0.031, 0.183), 0.024), 2.0));
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.0, 1.20, 0.184), vec3(0.058, 0.029, 0.018), 0.009), 5.0));
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.0, 1.48, 0.192), vec3(0.225, 0.159, 0.051), 0.064), 7.0));
    res = opUnion(res, vec2(sdCylinder(b - vec3(0.0, 1.735, 0.0), 0.182, 0.055), 2.0));
    res = opUnion(res, vec2(sdCylinder(b - vec3(0.0, 1.764, 0.0), 0.201, 0.017), 7.0));

    // The helmet group only matters when its bound is nearer than what we have.
    vec3 h = b - HEAD;
    if (length(h) - 0.42 < res.x) {
        float shell = max(sdEllipsoid(h, vec3(0.278, 0.292, 0.302)), dot(h, vec3(0.0, 0.8, 0.6)) - 0.278);
        res = opUnion(res, vec2(shell, 7.0));
        float rim = max(sdEllipsoid(h, vec3(0.286, 0.300, 0.310)),
                        sdRoundBox(h - vec3(0.0, 0.004, 0.268), vec3(0.232, 0.136, 0.15), 0.052));
        res = opUnion(res, vec2(rim, 2.0));
        float visor = max(sdEllipsoid(h, vec3(0.291, 0.305, 0.315)),
                          sdRoundBox(h - vec3(0.0, 0.006, 0.282), vec3(0.205, 0.111, 0.15), 0.042));
        res = opUnion(res, vec2(visor, 3.0));
        vec3 ear = vec3(abs(h.x), h.y, h.z);
        res = opUnion(res, vec2(sdRoundBox(ear - vec3(0.267, -0.05, -0.006), vec3(0.022, 0.07, 0.065), 0.018), 5.0));
        res = opUnion(res, vec2(sdRoundBox(h - vec3(0.0, -0.19, 0.171), vec3(0.185, 0.063, 0.084), 0.050), 7.0));
    }

    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.0, 1.44, -0.275), vec3(0.218, 0.295, 0.125), 0.085), 2.0));
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.0, 1.46, -0.358), vec3(0.175, 0.235, 0.055), 0.045), 7.0));
    vec3 m = vec3(abs(b.x), b.y, b.z);
    res = opUnion(res, vec2(sdCapsule(m, vec3(0.127, 1.36, -0.417), vec3(0.127, 1.47, -0.417), 0.030), 4.0));
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.093, 1.51, 0.244), vec3(0.064, 0.039, 0.008), 0.007), 5.0));
    res = opUnion(res, vec2(sdRoundBox(b - vec3(0.094, 1.522, 0.252), vec3(0.042, 0.008, 0.005), 0.003), 4.0));
    return res;
}

// One leg in the player frame; skipped while its bound is farther than `res`.
vec2 astronautLeg(vec2 res, vec3 p, int leg)
{
    vec3 hip = joints[3 * leg];
    vec3 knee = joints[3 * leg + 1];
    vec3 foot = joints[3 * leg + 2];
    float bound = min(sdCapsule(p, hip, knee, 0.20), sdCapsule(p, knee, foot, 0.33));
    if (bound > res.x) return res;
    res = opUnion(res, vec2(sdTaperedCapsule(p, hip, mix(hip, knee, 0.80), 0.151, 0.113), 1.0));
    res = opUnion(res, vec2(sdSphere(p - knee, 0.116), 2.0));
    res = opUnion(res, vec2(sdTaperedCapsule(p, mix(knee, foot, 0.18), foot, 0.118, 0.083), 1.0));
    res = opUnion(res, vec2(sdRoundBox(p - knee - vec3(0.0, 0.0, 0.097), vec3(0.074, 0.079, 0.030), 0.023), 5.0));
    vec3 q = bootMatrix[leg] * (p - foot);
    res = opUnion(res, vec2(sdRoundBox(q - vec3(0.0, -0.035, 0.045), vec3(0.119, 0.102, 0.182), 0.060), 2.0));
    res = opUnion(res, vec2(sdRoundBox(q - vec3(0.0, -0.118, 0.050), vec3(0.122, 0.022, 0.186), 0.018), 6.0));
    res = opUnion(res, vec2(sdRoundBox(q - vec3(0.0, -0.048, 0.175), vec3(0.099, 0.05, 0.023), 0.020), 5.0));
    return res;
}

// One arm in the player frame; skipped while its bound is farther than `res`.
vec2 astronautArm(vec2 res, vec3 p, int arm)
{
    vec3 s = joints[6 + 3 * arm];
    vec3 e = joints[7 + 3 * arm];
    vec3 h = joints[8 + 3 * arm];
    vec3 tip = h + 0.12 * (h - e);
    float bound = min(sdCapsule(p, s, e, 0.20), sdCapsule(p, e, tip, 0.13));
    if (bound > res.x) return res;
    res = opUnion(res, vec2(sdTaperedCapsule(p, s, mix(s, e, 0.77), 0.158, 0.099), 1.0));
    res = opUnion(res, vec2(sdTaperedCapsule(p, s, mix(s, e, 0.16), 0.168, 0.149), 7.0));
    res = opUnion(res, vec2(sdSphere(p - e, 0.098), 2.0));
    res = opUnion(res, vec2(sdTaperedCapsule(p, mix(e, h, 0.20), mix(e, h, 0.73), 0.112, 0.085), 1.0));
    res = opUnion(res, vec2(sdCapsule(p, mix(e, h, 0.77), mix(e, h, 0.84), 0.089), 5.0));
    res = opUnion(res, vec2(sdCapsule(p, mix(e, h, 0.91), tip, 0.087), 2.0));
    return res;
}

// Simplified body the quality-2 player shadow marches against.
float astronautShadowField(vec3 w)
{
    vec3 p = toPlayerFrame(w);
    vec3 b = bodyMatrix * (p - bodyOffset - PIVOT) + PIVOT;
    float d = sdEllipsoid(b - HEAD, vec3(0.271, 0.286, 0.297));
    d = min(d, sdRoundBox(b - vec3(0.0, 1.375, 0.0), vec3(0.275, 0.27, 0.195), 0.12));
    for (int leg = 0; leg < 2; leg++) {
        d = min(d, sdCapsule(p, joints[3 * leg], joints[3 * leg + 1], 0.12));
        d = min(d, sdCapsule(p, joints[3 * leg + 1], joints[3 * leg + 2], 0.10));
    }
    for (int arm = 0; arm < 2; arm++) {
        d = min(d, sdTaperedCapsule(p, joints[6 + 3 * arm], joints[7 + 3 * arm], 0.14, 0.085));
        d = min(d, sdCapsule(p, joints[7 + 3 * arm], joints[8 + 3 * arm], 0.09));
    }
    return d;
}

// Frame of blade k: x across the blade, y up, z along its heading; origin at the blade centre.
struct Blade {
    vec3 centre;
    vec3 across;
    vec3 heading;
    float spin;
};

Blade bladeFrame(int k)
{
    Blade blade;
    vec4 body = spikeBodies[k];
    vec4 dirs = spikeDirections[k];
    vec2 h = dirs.xy;
    float hl = length(h);
    h = hl > 1e-5 ? h / hl : vec2(0.0, 1.0);
    blade.heading = vec3(h.x, 0.0, h.y);
    blade.across = vec3(h.y, 0.0, -h.x);
    blade.centre = body.xyz + vec3(0.0, mix(-0.79, 0.72, body.w), 0.0);
    blade.spin = dirs.z + 18.0 * atmosphereTime;
    return blade;
}

vec3 bladeLocal(Blade blade, vec3 w)
{
    vec3 d = w - blade.centre;
    return vec3(dot(d, blade.across), d.y, dot(d, blade.heading));
}

// Circular saw with eighteen hooked teeth, bevelled faces and a hub; y = 1 on the hub.
vec2 sawField(vec3 q, float spin)
{
    const float PERIOD = 2.0 * PI / 18.0;
    float radius = length(q.zy);
    float angle = atan(q.y, q.z) + spin;
    float a = mod(angle, PERIOD) - 0.5 * PERIOD;
    vec2 s = radius * vec2(cos(a), sin(a));
    vec2 rootA = 0.63 * vec2(cos(-0.5 * PERIOD), sin(-0.5 * PERIOD));
    vec2 tip = 0.75 * vec2(cos(-0.3 * PERIOD), sin(-0.3 * PERIOD));
    vec2 rootB = 0.63 * vec2(cos(0.5 * PERIOD), sin(0.5 * PERIOD));
    float outline = min(radius - 0.665, sdTriangle(s, rootA, tip, rootB));
    float halfWidth = mix(0.068, 0.012, smoothstep(0.42, 0.75, radius));
    vec2 w = vec2(outline, abs(q.x) - halfWidth);
    float saw = min(max(w.x, w.y), 0.0) + length(max(w, 0.0)) - 0.003;
    vec2 hw = vec2(radius - 0.16 + 0.02, abs(q.x) - 0.115 + 0.02);
    float hub = min(max(hw.x, hw.y), 0.0) + length(max(hw, 0.0)) - 0.02;
    return hub < saw ? vec2(hub, 1.0) : vec2(saw, 0.0);
}

// [SECTION] Scene map

// The astronaut: hard union of every primitive, x = distance, y = material id.
vec2 sceneMap(vec3 w)
{
    vec3 p = toPlayerFrame(w);
    vec3 b = bodyMatrix * (p - bodyOffset - PIVOT) + PIVOT;
    // Capsules and a sphere around the torso, helmet and limbs never overestimate: beyond the
    // reach of the occlusion probes they are a safe step and spare the full field.
    float bound = min(sdCapsule(b, vec3(0.0, 0.95, 0.0), vec3(0.0, 1.80, 0.0), 0.52), sdSphere(b - HEAD, 0.42));
    for (int limb = 0; limb < 4; limb++) {
        vec3 a = joints[3 * limb];
        vec3 m = joints[3 * limb + 1];
        vec3 e = joints[3 * limb + 2];
        float far = limb < 2 ? sdCapsule(p, m, e, 0.33) : sdCapsule(p, m, e + 0.12 * (e - m), 0.13);
        bound = min(bound, min(sdCapsule(p, a, m, 0.20), far));
    }
    if (bound > 0.3) return vec2(bound, 0.0);
    vec2 res = astronautBody(b);
    res = astronautLeg(res, p, 0);
    res = astronautLeg(res, p, 1);
    res = astronautArm(res, p, 0);
    res = astronautArm(res, p, 1);
    return res;
}

// [SECTION] Marching

// Distance along the ray to the ground, with the step budget of the situation.
float floorSearch(vec3 ro, vec3 rd, bool tileHasMud)
{
    float t = -ro.y / rd.y;
    if (soilActive == 1) {
        float tNear = (soilHeightBound + 0.8 - ro.y) / rd.y;
        float tFar = (-0.8 - ro.y) / rd.y;
        for (int i = 0; i < 8; i++) {
            vec3 p = ro + rd * t;
            float next = (soilHeight(p.xz) - ro.y) / rd.y;
            t = clamp(mix(t, next, 0.75), tNear, tFar);
        }
        vec3 p = ro + rd * t;
        if (abs(p.y - soilHeight(p.xz)) > 0.008) {
            float lo = tNear, hi = tFar;
            for (int i = 0; i < 12; i++) {
                float mid = 0.5 * (lo + hi);
                vec3 q = ro + rd * mid;
                if (q.y > soilHeight(q.xz)) lo = mid;
                else hi = mid;
            }
            t = 0.5 * (lo + hi);
        }
    } else if (tileHasMud) {
        for (int i = 0; i < 7; i++) {
            vec3 p = ro + rd * t;
            t = (soilHeight(p.xz) - ro.y) / rd.y;
        }
    } else {
        for (int i = 0; i < 4; i++) {
            vec3 p = ro + rd * t;
            t = (terrainHeight(p.xz) - ro.y) / rd.y;
        }
    }
    return t;
}

// Sphere-traces the astronaut up to tMax; returns (distance, material) or (-1, 0).
vec2 traceAstronaut(vec3 ro, vec3 rd, float tMax, float eps)
{
    vec2 span = sphereInterval(ro, rd, playerPosition + vec3(0.0, 1.10, 0.12), PLAYER_BOUND);
    float t = max(0.0, span.x);
    float tEnd = min(span.y, tMax);
    if (tEnd <= t) return vec2(-1.0, 0.0);
    for (int i = 0; i < 112; i++) {
        if (t > tEnd) break;
        vec2 h = sceneMap(ro + rd * t);
        if (h.x < eps) return vec2(t, h.y);
        t += max(0.78 * h.x, 0.45 * eps);
    }
    return vec2(-1.0, 0.0);
}

// Mudlings: until the creature fields arrive, each drawn slot of this tile is its plain body
// ellipsoid. Returns true and updates depth, colour and normal on a nearer hit.
bool traceMud(vec3 ro, vec3 rd, inout float depth, inout vec3 colour)
{
    bool found = false;
    for (int i = 0; i < 48; i++) {
        if (i >= mudCount) break;
        if (!tileHasSlot(i) || mudWalkers[i].z < 0.5) continue;
        vec4 body = mudBodies[i];
        vec4 shape = mudShapes[i];
        vec3 radii = max(body.w * shape.xyz, vec3(0.02));
        vec3 o = rotY(ro - body.xyz, -shape.w);
        vec3 d = rotY(rd, -shape.w);
        vec2 span = ellipsoidInterval(o, d, vec3(0.0), radii);
        if (span.y < span.x || span.x >= depth) continue;
        vec3 q = o + d * span.x;
        vec3 n = rotY(normalize(q / (radii * radii)), shape.w);
        vec3 base = mix(vec3(0.075, 0.028, 0.010), vec3(0.23, 0.10, 0.037), 0.47);
        colour = base * (vec3(0.29, 0.34, 0.39) + vec3(1.3, 1.05, 0.75) * max(dot(n, SUN), 0.0));
        depth = span.x;
        found = true;
    }
    return found;
}

// A meteor rock: spinning ellipsoid clipped by four planes, intersected analytically.
// Returns the hit distance (or -1), the world normal and the rock-frame point.
float traceMeteorRock(int k, vec3 ro, vec3 rd, out vec3 normal, out vec3 local)
{
    normal = vec3(0.0, 1.0, 0.0);
    local = vec3(0.0);
    vec4 body = meteorBodies[k];
    float w = body.w;
    if (w <= 0.001) return -1.0;
    vec4 state = meteorStates[k];
    float spin = state.z + 1.8 * state.x;
    vec3 radii = w * vec3(0.95, 0.89, 0.82);
    vec3 o = rotY(ro - body.xyz, -spin) / radii;
    vec3 d = rotY(rd, -spin) / radii;
    float a = dot(d, d);
    float b = dot(o, d);
    float h = b * b - a * (dot(o, o) - 1.0);
    if (h < 0.0) return -1.0;
    h = sqrt(h);
    float enter = (-b - h) / a;
    float leave = (-b + h) / a;
    vec3 unitNormal = o + d * enter;
    for (int f = 0; f < 4; f++) {
        float angle = state.z + float(f) * 0.5 * PI;
        vec3 n = normalize(vec3(cos(angle), (f == 0 || f == 2) ? 0.38 : -0.32, sin(angle)));
        float dn = dot(d, n);
        float on = dot(o, n);
        if (abs(dn) < 1e-7) {
            if (on > 0.81) return -1.0;
            continue;
        }
        float tp = (0.81 - on) / dn;
        if (dn > 0.0) {
            leave = min(leave, tp);
        } else if (tp > enter) {
            enter = tp;
            unitNormal = n;
        }
    }
    if (leave <= enter) return -1.0;
    local = (o + d * enter) * radii;
    normal = rotY(normalize(unitNormal / radii), spin);
    return enter;
}

// Sphere-traces blade k up to tMax; returns (distance, hub flag) or (-1, 0).
vec2 traceBlade(int k, vec3 ro, vec3 rd, float tMax)
{
    Blade blade = bladeFrame(k);
    vec2 span = sphereInterval(ro, rd, blade.centre, 0.80);
    float t = span.x;
    float tEnd = min(span.y, tMax);
    if (tEnd <= t) return vec2(-1.0, 0.0);
    for (int i = 0; i < 40; i++) {
        if (t > tEnd) break;
        vec2 h = sawField(bladeLocal(blade, ro + rd * t), blade.spin);
        if (h.x < 0.0015) return vec2(t, h.y);
        t += max(0.001, 0.8 * h.x);
    }
    return vec2(-1.0, 0.0);
}

// [SECTION] Normals

vec3 astronautNormal(vec3 p, float e)
{
    const vec2 k = vec2(1.0, -1.0);
    return normalize(k.xyy * sceneMap(p + k.xyy * e).x + k.yyx * sceneMap(p + k.yyx * e).x
                   + k.yxy * sceneMap(p + k.yxy * e).x + k.xxx * sceneMap(p + k.xxx * e).x);
}

vec3 bladeNormal(Blade blade, vec3 p)
{
    const vec2 k = vec2(1.0, -1.0);
    const float e = 0.0015;
    vec3 q = bladeLocal(blade, p);
    vec3 local = normalize(k.xyy * sawField(q + k.xyy * e, blade.spin).x + k.yyx * sawField(q + k.yyx * e, blade.spin).x
                         + k.yxy * sawField(q + k.yxy * e, blade.spin).x + k.xxx * sawField(q + k.xxx * e, blade.spin).x);
    return normalize(blade.across * local.x + vec3(0.0, local.y, 0.0) + blade.heading * local.z);
}

// [SECTION] Shadows

// Light reaching p past the astronaut: 1 with shadows off or the astronaut hidden.
float shadow(vec3 p)
{
    if (graphicsQuality.y <= 0 || playerVisible != 1) return 1.0;
    if (graphicsQuality.y == 1)
        return 1.0 - 0.55 * (1.0 - smoothstep(0.20, 0.65, length(p.xz - playerPosition.xz)));
    vec2 span = sphereInterval(p, SUN, playerPosition + vec3(0.0, 1.10, 0.0), PLAYER_BOUND);
    float t = max(0.035, span.x);
    if (span.y <= t) return 1.0;
    float light = 1.0;
    for (int i = 0; i < 20; i++) {
        if (t > span.y) break;
        float d = astronautShadowField(p + SUN * t);
        if (d < 0.0015) return 0.12;
        light = min(light, 9.0 * d / max(t, 0.01));
        t += clamp(0.85 * d, 0.025, 0.30);
    }
    return clamp(light, 0.12, 1.0);
}

// Cloud column density over a ground-plane point, 0..1.
float cloudColumn(vec2 q)
{
    float T = atmosphereTime;
    vec2 drift = vec2(0.18 * T + 0.45 * sin(0.09 * T), 0.065 * T + 0.3 * sin(0.13 * T));
    vec2 warped = q - drift + 1.3 * vec2(sin(0.19 * q.y - 0.11 * T), sin(0.16 * q.x + 0.08 * T));
    vec2 uv = 0.0013 * warped + vec2(0.42, 0.57);
    float eddy = textureLod(terrainDetail, 0.71 * uv + vec2(0.21, 0.17) + T * vec2(-0.00013, 0.00009), 0.0).g;
    uv += 0.0025 * vec2(eddy - 0.5, 0.3 * sin(6.0 * eddy + 0.12 * T));
    float broad = textureLod(terrainDetail, uv, 0.0).g;
    const float threshold = 0.6 - 1e-5;
    if (0.70 * broad + 0.30 < threshold) return 0.0;
    float detail = textureLod(terrainDetail, 2.73 * uv + vec2(0.18, 0.31) + T * vec2(-0.00065, 0.00024), 0.0).g;
    if (0.70 * broad + 0.23 * detail + 0.07 < threshold) return 0.0;
    float erosion = textureLod(terrainDetail, 5.1 * uv + vec2(0.33, 0.12) + T * vec2(-0.0011, -0.00032), 0.0).g;
    return smoothstep(0.60, 0.77, 0.70 * broad + 0.23 * detail + 0.07 * erosion);
}

float cloudShadow(vec3 p)
{
#if ENABLE_HIGH_CLOUDS
    if (graphicsQuality.x < 1 || graphicsQuality.y < 2 || p.y >= CLOUD_HEIGHT + CLOUD_HALF) return 1.0;
    vec2 q = p.xz + SUN.xz * max(CLOUD_HEIGHT - p.y, 0.0) / SUN.y;
    return 1.0 - sqrt(cloudColumn(q)) * 0.65
               * (1.0 - smoothstep(CLOUD_HEIGHT - CLOUD_HALF, CLOUD_HEIGHT + CLOUD_HALF, p.y));
#else
    return 1.0;
#endif
}

// Blades between p and the sun, within 1.6 m: each multiplies the light by 0.28.
float bladeShadow(vec3 p)
{
    if (graphicsQuality.y < 2) return 1.0;
    float light = 1.0;
    for (int k = 0; k < 8; k++) {
        if (k >= spikeCount) break;
        if (spikeBodies[k].w < 0.001 || length(p.xz - spikeBodies[k].xz) > 1.6) continue;
        Blade blade = bladeFrame(k);
        vec2 span = sphereInterval(p, SUN, blade.centre, 0.80);
        float t = max(0.0, span.x);
        for (int i = 0; i < 24; i++) {
            if (t > span.y) break;
            float d = sawField(bladeLocal(blade, p + SUN * t), blade.spin).x;
            if (d < 0.0015) {
                light *= 0.28;
                break;
            }
            t += max(0.002, 0.8 * d);
        }
    }
    return max(light, 0.2);
}

// Mudling shadows arrive with the creature fields.
float mudShadow(vec3 p)
{
    return 1.0;
}

// [SECTION] Shading

vec3 materialAlbedo(int id)
{
    if (id == 1) return vec3(0.70, 0.665, 0.58);
    if (id == 2) return vec3(0.025, 0.042, 0.05);
    if (id == 3) return vec3(0.013, 0.16, 0.22);
    if (id == 4) return vec3(0.04, 0.36, 0.41);
    if (id == 5) return vec3(0.16, 0.19, 0.20);
    if (id == 6) return vec3(0.025, 0.030, 0.029);
    return vec3(0.82, 0.785, 0.69);
}

vec3 shadeAstronaut(vec3 p, vec3 rd, int id, float eps)
{
    if (playerFlash > 0.5) return vec3(12.0);
    vec3 n = astronautNormal(p, eps);
    float occlusion = 0.0;
    for (int i = 1; i <= 3; i++) {
        float h = 0.065 * float(i);
        occlusion += max(h - sceneMap(p + n * h).x, 0.0) * 0.65 / float(i);
    }
    float ao = clamp(1.0 - occlusion, 0.5, 1.0);
    // The soft disc of shadow quality 1 lies on the ground; only the marched shadow falls on the suit.
    float selfShadow = graphicsQuality.y >= 2 ? shadow(p + 0.015 * n) : 1.0;
    float visibility = selfShadow * cloudShadow(p);
    vec3 albedo = materialAlbedo(id);
    float shine = id == 3 ? 1.2 : (id == 7 ? 0.28 : 0.10);
    float exponent = id == 3 ? 110.0 : (id == 7 ? 55.0 : 25.0);
    vec3 h = normalize(SUN - rd);
    float facing = max(dot(n, -rd), 0.0);
    vec3 colour = albedo * (vec3(0.35, 0.44, 0.52) * ao + vec3(1.35, 1.22, 1.0) * max(dot(n, SUN), 0.0) * visibility)
                + vec3(1.0, 0.92, 0.80) * shine * visibility * pow(max(dot(n, h), 0.0), exponent)
                + vec3(0.15, 0.32, 0.36) * 0.24 * pow(1.0 - facing, 3.0);
    if (id == 3) {
        vec3 r = reflect(rd, n);
        colour += mix(vec3(0.10, 0.075, 0.045), vec3(0.12, 0.31, 0.40), smoothstep(-0.15, 0.65, r.y)) * 0.6;
        colour += vec3(0.30, 0.24, 0.16) * 0.35 * exp(-r.y * r.y * 60.0);
        colour += vec3(1.6, 1.55, 1.45) * pow(max(dot(r, normalize(vec3(-0.45, 1.0, 0.35))), 0.0), 90.0);
    }
    if (id == 4) colour += 0.24 * albedo;
    return colour;
}

vec2 trackUv(vec2 xz)
{
    vec2 uv = (xz - trackOrigin) / 64.0;
    return vec2(uv.x, 1.0 - uv.y);
}

// Geology, tracks, deposits, relief, light and meteor warnings at a floor point p.
vec3 shadeGround(vec3 p, vec3 rd)
{
    vec2 detailUv = (p.xz + 48.0) / 96.0;
    vec4 g = textureLod(terrainDetail, detailUv, 0.0);
    vec2 tuv = trackUv(p.xz);
    bool onAtlas = all(greaterThanEqual(tuv, vec2(0.0))) && all(lessThanEqual(tuv, vec2(1.0)));
    vec4 tracks = onAtlas ? textureLod(groundTracks, tuv, 0.0) : vec4(0.0);
    vec4 deposit = soilDeposit(p.xz);
    float clay = smoothstep(0.0, 0.055, deposit.r);
    float wetDeposit = clamp(deposit.g, 0.0, 1.0) * clay;

    vec3 base = mix(vec3(0.065, 0.027, 0.011), vec3(0.24, 0.125, 0.052), mix(0.48, g.g, 0.75)) * (0.94 + 0.12 * g.b);
    base *= 1.0 - 0.48 * tracks.r;
    base = mix(base, vec3(0.045, 0.017, 0.006), 0.85 * tracks.g);
    float dry = 1.0 - 0.9 * tracks.g;
    base = mix(base, mix(vec3(0.115, 0.048, 0.017), vec3(0.066, 0.025, 0.008), wetDeposit), 0.88 * clay);
    dry *= 1.0 - 0.95 * clay;
    base *= 1.0 - 0.52 * g.r * dry;
    base *= 0.96 + 0.08 * g.b;
    base *= mix(0.86, 1.0, smoothstep(0.22, 0.52, g.g));

    const float e = 0.022;
    float hx = (soilHeight(p.xz + vec2(e, 0.0)) - soilHeight(p.xz - vec2(e, 0.0))) / (2.0 * e);
    float hz = (soilHeight(p.xz + vec2(0.0, e)) - soilHeight(p.xz - vec2(0.0, e))) / (2.0 * e);
    vec2 rp = 14.0 * p.xz;
    float ripple = noise(rp);
    float dx = noise(rp + vec2(14.0 * e, 0.0)) - noise(rp - vec2(14.0 * e, 0.0));
    float dz = noise(rp + vec2(0.0, 14.0 * e)) - noise(rp - vec2(0.0, 14.0 * e));
    vec3 n = normalize(vec3(-hx - 0.6 * dx, 1.0, -hz - 0.6 * dz));
    const float texel = 1.0 / 2048.0;
    float gx = textureLod(terrainDetail, detailUv + vec2(texel, 0.0), 0.0).g - textureLod(terrainDetail, detailUv - vec2(texel, 0.0), 0.0).g;
    float gz = textureLod(terrainDetail, detailUv + vec2(0.0, texel), 0.0).g - textureLod(terrainDetail, detailUv - vec2(0.0, texel), 0.0).g;
    n = normalize(n + vec3(-gx, 0.0, -gz) * 1.7 * dry);

    float visibility = shadow(p + vec3(0.0, 0.018, 0.0)) * mudShadow(p) * cloudShadow(p) * bladeShadow(p);
    float wall = (p.x < 0.0 && p.z < 0.0) ? -arenaDistance(p.xz) : min(p.x + 128.0, p.z + 128.0);
    wall += 1.1 * (g.g - 0.5) + 0.35 * (g.b - 0.5);
    visibility *= mix(0.92, 1.0, smoothstep(-0.12, 1.05, wall));
    if (graphicsQuality.y > 0) {
        vec2 blob = p.xz - shipShadow.xz - SHADOW_SHIFT * (shipShadow.y - p.y + 1.8);
        visibility *= 1.0 - 0.62 * shipShadow.w * (1.0 - smoothstep(0.65, 1.38, length(blob)));
    }
    float contact = 1.0;
    if (playerVisible == 1) {
        vec2 off = p.xz - playerPosition.xz;
        contact = 1.0 - 0.22 * exp(-2.8 * dot(off, off));
    }

    float wetness = max(max(0.10 * smoothstep(0.38, 0.60, noise(0.65 * p.xz)), 0.90 * tracks.g),
                        0.82 * wetDeposit * (1.0 - 0.45 * clamp(deposit.b, 0.0, 1.0)));
    float shine = pow(max(dot(n, normalize(SUN - rd)), 0.0), mix(65.0, 32.0, clay)) * wetness
                * mix(0.55, 0.20, clay) * (1.0 - 0.2 * clay * ripple);
    vec3 colour = base * (vec3(0.34, 0.39, 0.43) + vec3(1.2, 1.08, 0.87) * max(dot(n, SUN), 0.0) * visibility) * contact
                + vec3(1.0, 0.86, 0.66) * shine * visibility;

    for (int k = 0; k < 8; k++) {
        if (k >= meteorCount) break;
        float strength = meteorTargets[k].w;
        float d = length(p.xz - meteorTargets[k].xz);
        if (strength <= 0.001 || d > 1.05) continue;
        float r0 = mix(0.52, 0.85, strength);
        colour = mix(colour, vec3(0.009, 0.005, 0.003), (1.0 - smoothstep(0.34 * r0, r0, d)) * (0.62 + 0.20 * strength));
        float rim = (1.0 - smoothstep(0.025, 0.095, abs(d - 0.93 * r0))) * strength;
        colour += vec3(0.20, 0.075, 0.018) * (0.88 + 0.12 * sin(13.0 * meteorStates[k].x)) * rim;
    }
    return colour;
}

// Beyond the outline: dark fading into the depth, broken by a faint haze.
vec3 shadeChasm(vec3 floorPoint)
{
    float haze = textureLod(terrainDetail, 0.003 * floorPoint.xz + vec2(0.31, 0.72), 0.0).g;
    return mix(vec3(0.026, 0.017, 0.012), vec3(0.073, 0.048, 0.030),
               smoothstep(0.0, 18.0, arenaDistance(floorPoint.xz))) * (0.92 + 0.16 * haze);
}

vec3 shadeMeteorRock(int k, vec3 n, vec3 local)
{
    float seed = meteorStates[k].z;
    vec3 q = local / max(meteorBodies[k].w, 0.001);
    vec4 grit = clayNoise(7.0 * q + vec3(seed, 2.0 * seed, 0.5 * seed));
    vec4 fine = clayNoise(19.0 * q + 3.1);
    vec3 bump = rotY(grit.yzw * 0.22 + fine.yzw * 0.08, 1.8 * meteorStates[k].x + seed);
    n = normalize(n - (bump - n * dot(bump, n)));
    float grain = clamp(0.65 * grit.x + 0.35 * fine.x, 0.0, 1.0);
    vec3 albedo = mix(vec3(0.055, 0.033, 0.020), vec3(0.18, 0.125, 0.075), grain);
    return albedo * (vec3(0.32, 0.38, 0.43) + vec3(1.35, 1.15, 0.86) * max(dot(n, SUN), 0.0));
}

vec3 shadeBlade(int k, vec3 p, vec3 rd, float hub)
{
    Blade blade = bladeFrame(k);
    vec3 n = bladeNormal(blade, p);
    vec3 q = bladeLocal(blade, p);
    float radius = length(q.zy);
    vec3 steel = mix(vec3(0.43, 0.50, 0.56), vec3(0.68, 0.75, 0.80), smoothstep(0.48, 0.72, radius));
    if (hub > 0.5) steel = vec3(0.19, 0.23, 0.27);
    // Nine slots cut between the hub and the teeth, turning with the blade.
    float slotAngle = mod(atan(q.y, q.z) + blade.spin, 2.0 * PI / 9.0) - PI / 9.0;
    float slot = (1.0 - smoothstep(0.012, 0.022, abs(slotAngle) * radius))
               * smoothstep(0.37, 0.39, radius) * (1.0 - smoothstep(0.62, 0.64, radius));
    steel *= 1.0 - 0.78 * slot;
    if (graphicsQuality.w > 0 && hub < 0.5) steel *= 0.94 + 0.06 * sin(radius * 320.0);
    vec3 h = normalize(SUN - rd);
    float nh = max(dot(n, h), 0.0);
    vec3 colour = steel * (vec3(0.32, 0.38, 0.43) + vec3(1.3, 1.15, 0.9) * max(dot(n, SUN), 0.0))
                + vec3(1.0, 0.95, 0.88) * (1.2 * pow(nh, 64.0) + 0.25 * pow(nh, 12.0));
    if (graphicsQuality.w >= 2) {
        vec3 r = reflect(rd, n);
        colour += steel * mix(vec3(0.10, 0.075, 0.045), vec3(0.12, 0.31, 0.40), smoothstep(-0.15, 0.65, r.y)) * 0.45;
        colour += vec3(0.10, 0.14, 0.16) * pow(1.0 - max(dot(n, -rd), 0.0), 3.0);
    }
    float above = p.y - terrainHeight(p.xz);
    float dirt = 1.0 - smoothstep(0.0, 0.35, above);
    colour = mix(colour, vec3(0.05, 0.028, 0.014), 0.75 * dirt);
    return colour;
}

// One translucent ellipsoid puff in front of `depth`, laid over `colour`.
vec3 mistPuff(vec3 colour, vec3 ro, vec3 rd, float depth, vec3 centre, vec3 radii, vec3 tint, float density)
{
    if (density <= 0.0) return colour;
    vec2 span = ellipsoidInterval(ro, rd, centre, radii);
    float t1 = min(span.y, depth);
    if (t1 <= span.x) return colour;
    vec3 q = (ro + rd * (0.5 * (span.x + t1)) - centre) / radii;
    float profile = max(0.0, 1.0 - dot(q, q));
    float opacity = 1.0 - exp(-density * (t1 - span.x) * profile * profile);
    return mix(colour, tint, opacity);
}

vec3 meteorMist(vec3 colour, vec3 ro, vec3 rd, float depth)
{
    bool allPuffs = graphicsQuality.z > 0;
    for (int k = 0; k < 8; k++) {
        if (k >= meteorCount) break;
        vec4 body = meteorBodies[k];
        vec4 state = meteorStates[k];
        float heat = meteorStarts[k].w;
        vec3 trail = meteorStarts[k].xyz - body.xyz;
        float trailLength = length(trail);
        // No rock, no heat or no direction means no trail (zero radii would divide by zero).
        if (body.w > 0.001 && heat > 0.0 && trailLength > 1e-4) {
            trail /= trailLength;
            for (int i = 2; i >= 0; i--) {
                if (!allPuffs && i != 0) continue;
                float fi = float(i);
                float taper = 1.0 - 0.2 * fi;
                vec3 centre = body.xyz + trail * body.w * (0.85 + 0.95 * fi);
                vec3 radii = body.w * vec3(0.62 * taper, 1.18, 0.62 * taper);
                vec3 tint = mix(vec3(0.26, 0.105, 0.033), vec3(0.65, 0.255, 0.055), 1.0 - 0.33 * fi);
                colour = mistPuff(colour, ro, rd, depth, centre, radii, tint, 0.70 * smoothstep(0.0, 0.12, heat) * taper);
            }
        }
        float age = state.w;
        if (state.y >= 1.5 && age < 1.0) {
            for (int i = 0; i < 4; i++) {
                if (!allPuffs && (i == 1 || i == 3)) continue;
                float a = state.z + float(i) * 0.5 * PI;
                float s = 0.20 + 1.55 * age;
                vec3 centre = meteorTargets[k].xyz + vec3(cos(a) * s, 0.18 + 0.66 * age, sin(a) * s);
                vec3 radii = vec3(0.48 + 0.52 * age, 0.24 + 0.40 * age, 0.48 + 0.52 * age);
                colour = mistPuff(colour, ro, rd, depth, centre, radii, vec3(0.27, 0.18, 0.095),
                                  1.55 * (1.0 - smoothstep(0.32, 1.0, age)));
            }
        }
    }
    return colour;
}

vec3 bladeDust(vec3 colour, vec3 ro, vec3 rd, float depth)
{
    bool allPuffs = graphicsQuality.z > 0;
    for (int k = 0; k < 8; k++) {
        if (k >= spikeCount) break;
        float emergence = spikeBodies[k].w;
        if (emergence < 0.05) continue;
        Blade blade = bladeFrame(k);
        float state = spikeDirections[k].w;
        float moving = (abs(state - 1.0) < 0.5 || abs(state - 3.0) < 0.5) ? 1.0 : 0.3;
        for (int i = 2; i >= 0; i--) {
            if (!allPuffs && i != 0) continue;
            float phase = fract(2.7 * atmosphereTime + float(i) / 3.0 + spikeDirections[k].z);
            vec3 centre = spikeBodies[k].xyz - blade.heading * (0.25 + 1.15 * phase) * moving
                        + vec3(0.0, 0.15 + 0.25 * phase, 0.0);
            vec3 radii = vec3(0.22 + 0.24 * phase, 0.17 + 0.16 * phase, 0.22 + 0.24 * phase);
            colour = mistPuff(colour, ro, rd, depth, centre, radii, vec3(0.25, 0.17, 0.092),
                              emergence * (1.0 - phase) * 0.9);
        }
    }
    return colour;
}

// High cloud slab between 14.8 and 17.2 m, sampled front to back up to the surface.
vec3 highClouds(vec3 colour, vec3 ro, vec3 rd, float depth)
{
#if ENABLE_HIGH_CLOUDS
    if (graphicsQuality.x <= 0 || rd.y > -1e-4) return colour;
    float t0 = (CLOUD_HEIGHT + CLOUD_HALF - ro.y) / rd.y;
    float t1 = min((CLOUD_HEIGHT - CLOUD_HALF - ro.y) / rd.y, depth);
    if (t1 <= t0) return colour;
    int samples = graphicsQuality.x >= 2 ? 6 : 3;
    float stepLength = (t1 - t0) / float(samples);
    float transmission = 1.0;
    vec3 scattered = vec3(0.0);
    for (int i = 0; i < 6; i++) {
        if (i >= samples) break;
        vec3 p = ro + rd * (t0 + (float(i) + 0.5) * stepLength);
        float column = cloudColumn(p.xz);
        float h = (p.y - CLOUD_HEIGHT) / CLOUD_HALF;
        float profile = max(0.0, column - h * h);
        if (profile <= 0.0) continue;
        float density = profile * profile;
        float sunlight = exp(-1.55 * max(0.0, sqrt(column) - h));
        vec3 light = vec3(0.20, 0.22, 0.24) + vec3(0.72, 0.65, 0.51) * sunlight;
        float opacity = 1.0 - exp(-density * stepLength * 1.15);
        scattered += transmission * opacity * light;
        transmission *= 1.0 - opacity;
    }
    return colour * transmission + scattered;
#else
    return colour;
#endif
}

// [SECTION] main

void main()
{
    // 1. One orthographic ray per pixel.
    vec2 uv = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;
    vec3 ro = cameraPosition + (cameraRight * uv.x + cameraUp * uv.y) * viewHeight;
    vec3 rd = normalize(cameraForward);

    yawCos = cos(playerYaw);
    yawSin = sin(playerYaw);
    bodyMatrix = mat3(rotX(rotY(rotZ(vec3(1.0, 0.0, 0.0), -bodyAngles.z), -bodyAngles.y), -bodyAngles.x),
                      rotX(rotY(rotZ(vec3(0.0, 1.0, 0.0), -bodyAngles.z), -bodyAngles.y), -bodyAngles.x),
                      rotX(rotY(rotZ(vec3(0.0, 0.0, 1.0), -bodyAngles.z), -bodyAngles.y), -bodyAngles.x));
    for (int leg = 0; leg < 2; leg++) {
        vec2 fa = footAngles[leg];
        bootMatrix[leg] = mat3(rotX(rotY(vec3(1.0, 0.0, 0.0), -fa.x), -fa.y),
                               rotX(rotY(vec3(0.0, 1.0, 0.0), -fa.x), -fa.y),
                               rotX(rotY(vec3(0.0, 0.0, 1.0), -fa.x), -fa.y));
    }

    // 2. Mudling slots of this screen tile, limited to the packed count.
    ivec2 tile = clamp(ivec2(gl_FragCoord.xy / resolution * vec2(16.0, 9.0)), ivec2(0), ivec2(15, 8));
    tileMask = mudTiles[tile.y * 16 + tile.x];
    int count = clamp(mudCount, 0, 48);
    uint lowKeep = count >= 32 ? 0xffffffffu : ((1u << uint(count)) - 1u);
    uint highKeep = count <= 32 ? 0u : ((1u << uint(count - 32)) - 1u);
    tileMask = ivec2(int(uint(tileMask.x) & lowKeep), int(uint(tileMask.y) & highKeep));
    mudPatchMaskForRay(ro, rd);

    // 3. Floor, and the chasm beyond the outline.
    float floorT = floorSearch(ro, rd, tileMask != ivec2(0));
    vec3 floorPoint = ro + rd * floorT;
    float floorOutline = arenaDistance(floorPoint.xz);
    bool onFloor = floorOutline <= 0.0;
    float depth = onFloor ? floorT : FAR_FLOOR;
    vec3 colour = vec3(0.0);
    bool opaque = false;

    // 4. Astronaut.
    if (playerVisible == 1) {
        float eps = max(0.0006, viewHeight / resolution.y * 0.13);
        vec2 hit = traceAstronaut(ro, rd, depth, eps);
        if (hit.x >= 0.0) {
            colour = shadeAstronaut(ro + rd * hit.x, rd, int(hit.y + 0.5), eps);
            depth = hit.x;
            opaque = true;
        }
    }

    // 5. Mudlings.
    if (traceMud(ro, rd, depth, colour)) opaque = true;

    // 6. Rock and hull from the prepass, with a soil collar near the outline.
    float soilBlend = 0.0;
    vec3 collarPoint = floorPoint;
#if ENABLE_CANYON
    if (rocksActive == 1) {
        ivec2 texel = ivec2(gl_FragCoord.xy);
        float sampleDepth = texelFetch(rockDepth, texel, 0).r;
        float rockT = depthRange.x + sampleDepth / depthRange.y;
        if (sampleDepth < 0.999999 && rockT < depth) {
            vec3 rp = ro + rd * rockT;
            colour = texelFetch(rockColor, texel, 0).rgb * mix(0.45, 1.0, cloudShadow(rp));
            depth = rockT;
            opaque = true;
            float outline = arenaDistance(rp.xz);
            if (outline < 2.4) {
                float ground = soilHeight(rp.xz);
                float a = rp.y - ground;
                float m = noise(0.82 * rp.xz + vec2(31.7, -17.2));
                soilBlend = (1.0 - smoothstep(0.035, mix(0.25, 0.48, m), a)) * smoothstep(-0.05, 0.018, a)
                          * (1.0 - smoothstep(0.35 + 0.4 * m, 2.4, outline));
                collarPoint = vec3(rp.x, ground, rp.z);
            }
        }
    }
#endif

    // 7. Ground or chasm.
    if (!opaque) {
        colour = onFloor ? shadeGround(floorPoint, rd) : shadeChasm(floorPoint);
    } else if (soilBlend > 0.0) {
        colour = mix(colour, shadeGround(collarPoint, rd), soilBlend);
    }

    // 8-9. Opaque meteor rocks and blades first, then their translucent mist and dust.
    for (int k = 0; k < 8; k++) {
        if (k >= meteorCount) break;
        vec3 n, local;
        float t = traceMeteorRock(k, ro, rd, n, local);
        if (t >= 0.0 && t < depth) {
            colour = shadeMeteorRock(k, n, local);
            depth = t;
        }
    }
    for (int k = 0; k < 8; k++) {
        if (k >= spikeCount) break;
        if (spikeBodies[k].w < 0.001) continue;
        vec2 hit = traceBlade(k, ro, rd, depth);
        if (hit.x >= 0.0) {
            colour = shadeBlade(k, ro + rd * hit.x, rd, hit.y);
            depth = hit.x;
        }
    }
    colour = meteorMist(colour, ro, rd, depth);
    colour = bladeDust(colour, ro, rd, depth);

    // 10. High clouds.
    colour = highClouds(colour, ro, rd, depth);

    // 11. Tone map, gamma, vignette.
    vec3 linear = colour;
    colour = pow(colour / (colour + 0.65), vec3(1.0 / 2.2));
    vec2 screen = gl_FragCoord.xy / resolution - 0.5;
    float v = length(screen) * 1.3;
    colour *= 1.0 - 0.16 * v * v;
    finalColor = vec4(colour, 1.0);
#ifdef SCENE_LINEAR_OUTPUT
    // Developer self-check only: the linear colour, so that a float target sees every value.
    finalColor = vec4(linear, 1.0);
#endif

    // 12. The depth an orthographic mesh at the same distance receives.
    gl_FragDepth = clamp((depth - depthRange.x) * depthRange.y, 0.0, 1.0);
}
