#version 330
// Scene shader: one full-screen pass that ray-marches the world seen by the orthographic follow
// camera (ground, chasm, astronaut, mudlings, canyon composite, meteors, blades, high clouds) and
// writes tone-mapped colour plus a linear depth that meshes drawn afterwards test against.
// Start-up replaces the first line by "#version 330" and "#define ENABLE_CANYON 0|1".
//
// Index
//   [SECTION] Uniforms and blocks
//   [SECTION] Distance helpers       noise, clayNoise, primitives, smooth minimum, limb curves,
//                                    analytic intersections
//   [SECTION] Per-object fields      arena, terrain and patches, mudling bodies, astronaut parts,
//                                    saw blade
//   [SECTION] Scene map              the astronaut with materials
//   [SECTION] Marching               floor search, astronaut, mudlings with drops, meteor rocks, blades
//   [SECTION] Normals                astronaut, blades (mudling normals come with their march)
//   [SECTION] Shadows                player, clouds, blades, mudlings
//   [SECTION] Shading                astronaut, mudlings and drops, ground, chasm, meteors, blades,
//                                    mist, clouds
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
uvec2 rayPatchMask;             // slots whose birth patch can reach this ray, bit i of word i / 32

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

// A creature's heading frame: x sideways, y up, z forward; cs = (cos heading, sin heading).
vec3 toHeading(vec3 v, vec2 cs)
{
    return vec3(v.x * cs.x - v.z * cs.y, v.y, v.z * cs.x + v.x * cs.y);
}

vec3 fromHeading(vec3 v, vec2 cs)
{
    return vec3(v.x * cs.x + v.z * cs.y, v.y, v.z * cs.x - v.x * cs.y);
}

// Polynomial smooth minimum over a blend width k (metres).
float smin(float a, float b, float k)
{
    k = max(k, 1e-4);
    float h = clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return mix(b, a, h) - k * h * (1.0 - h);
}

// Tapered capsule whose radius eases in and out along the segment, so chained segments meet
// without a crease; the divisor covers the easing's steepest slope (1.5 times the linear one).
float sdEasedTaper(vec3 p, vec3 a, vec3 b, float r0, float r1)
{
    vec3 pa = p - a;
    vec3 ba = b - a;
    float l2 = max(dot(ba, ba), 1e-8);
    float h = clamp(dot(pa, ba) / l2, 0.0, 1.0);
    float dr = r1 - r0;
    return (length(pa - ba * h) - (r0 + dr * h * h * (3.0 - 2.0 * h))) / sqrt(1.0 + 2.25 * dr * dr / l2);
}

// Limb curve: quadratic Bezier from a to c with b as its control point.
vec3 bezier(vec3 a, vec3 b, vec3 c, float t)
{
    return mix(mix(a, b, t), mix(b, c, t), t);
}

// Component j (0..3) of v without indexing it at run time, which software rasterisers spill.
float vecAt(vec4 v, int j)
{
    return j == 0 ? v.x : (j == 1 ? v.y : (j == 2 ? v.z : v.w));
}

// Golem arm width along its curve, in arm radii: thick shoulder, slim wrist, heavy fist.
float armTaper(float t)
{
    return t < 0.55 ? 1.2 - 0.5 * smoothstep(0.0, 0.55, t) : 0.7 + 0.4 * smoothstep(0.55, 1.0, t);
}

// Continuous curved tube along the arm curve s-e-h: the nearest curve parameter from three
// chords, refined by Newton steps on (B(t) - p) . B'(t) = 0. Scaled down to stay a bound.
float sdArmTube(vec3 p, vec3 s, vec3 e, vec3 h, float w)
{
    vec3 b1 = bezier(s, e, h, 1.0 / 3.0);
    vec3 b2 = bezier(s, e, h, 2.0 / 3.0);
    float best = 1e20;
    float t = 0.0;
    for (int k = 0; k < 3; k++) {
        vec3 a = k == 0 ? s : (k == 1 ? b1 : b2);
        vec3 b = k == 0 ? b1 : (k == 1 ? b2 : h);
        vec3 pa = p - a;
        vec3 ba = b - a;
        float u = clamp(dot(pa, ba) / max(dot(ba, ba), 1e-8), 0.0, 1.0);
        vec3 off = pa - ba * u;
        float d2 = dot(off, off);
        if (d2 < best) {
            best = d2;
            t = (float(k) + u) / 3.0;
        }
        if (k >= 2) break;
    }
    vec3 first = e - s;
    vec3 bend = h - 2.0 * e + s;
    for (int k = 0; k < 3; k++) {
        vec3 q = bezier(s, e, h, t) - p;
        vec3 slope = 2.0 * (first + t * bend);
        float f = dot(q, slope);
        float df = dot(slope, slope) + 2.0 * dot(q, bend);
        if (df > 1e-6) t = clamp(t - f / df, 0.0, 1.0);
        if (k >= 2) break;
    }
    return (length(bezier(s, e, h, t) - p) - armTaper(t) * w) * 0.60;
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

// Lowest slot of a two-word slot mask, cleared from it; -1 once the mask is empty. Loops visit
// only the slots a tile lists, so an empty or sparse tile costs next to nothing.
int nextSlot(inout uvec2 bits)
{
    int word = bits.x != 0u ? 0 : 1;
    uint w = bits[word];
    if (w == 0u) return -1;
    uint low = w & (~w + 1u);
    bits[word] = w ^ low;
    return 32 * word + int(log2(float(low)) + 0.5);
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
    rayPatchMask = uvec2(0u);
    if (tileMask == ivec2(0)) return;
    vec2 along = rd.xz;
    float alongLength = length(along);
    bool vertical = alongLength < 1e-6;
    along = vertical ? vec2(0.0) : along / alongLength;
    uvec2 slots = uvec2(tileMask);
    int i = nextSlot(slots);
    for (int n = 0; n < 48; n++) {
        int s = max(i, 0);
        vec4 patch = mudPatches[s];
        vec2 offset = patch.xy - ro.xz;
        float off = vertical ? 0.0 : abs(offset.x * along.y - offset.y * along.x);
        float margin = 0.0001 * (1.0 + max(abs(offset.x), abs(offset.y)));
        if ((patch.z > 0.0 || patch.w > 0.0) && (vertical || off <= 1.525 + margin)) rayPatchMask[s >> 5] |= 1u << uint(s & 31);
        i = nextSlot(slots);
        if (i < 0) break;
    }
}

// Sum of this ray's patches in ascending slot order, visiting set bits only: a mask, not a
// list, since per-pixel arrays indexed at run time are slow on software rasterisers.
float mudPatchHeight(vec2 xz)
{
    uvec2 bits = rayPatchMask;
    int i = nextSlot(bits);
    if (i < 0) return 0.0;
    float h = 0.0;
    for (int n = 0; n < 48; n++) {
        h += mudPatchAt(max(i, 0), xz);
        i = nextSlot(bits);
        if (i < 0) break;
    }
    return h;
}

// The ground the floor search finds: terrain plus the mudlings' birth patches.
float soilHeight(vec2 xz)
{
    return terrainHeight(xz) + mudPatchHeight(xz);
}

// Plane value of a packed plane (normal, offset): positive on the removed side.
float mudPlane(vec4 plane, vec3 p)
{
    return dot(plane.xyz, p) + plane.w;
}

// Partner slot of an absorbing slot, or -1.
int mudPartner(int i)
{
    int j = int(mudWalkers[i].w + 0.5) - 1;
    return (j >= 0 && j < mudCount && j != i) ? j : -1;
}

// One body's drawing data, read from the blocks once per traced slot: a software rasteriser
// gathers every block read lane by lane, so the march must not repeat them for each sample.
struct MudClay {
    vec4 body;          // centre, drawing radius
    vec4 shape;         // scale, heading
    vec4 frame;         // heading cos, sin; first skirt lobe cos, sin
    vec3 parts;         // leg visibility, golem visibility, phase
    vec4 hip0, knee0, foot0, hip1, knee1, foot1;
    vec4 torso, axes;   // golem torso centre and visibility, semi-axes
    vec4 shoulder0, elbow0, hand0, shoulder1, elbow1, hand1;
    vec4 wound0, wound1;
    vec4 cut;           // living cut plane; a plane that removes nothing without a cut
};

// Slot s drawn around `body` (centre, drawing radius) with `shape` (scale, heading): its own
// record, or the absorber's record of a fusion donor.
MudClay mudLoad(int s, vec4 body, vec4 shape)
{
    MudClay c;
    c.body = body;
    c.shape = shape;
    float phase = mudStates[s].w;
    c.frame = vec4(cos(shape.w), sin(shape.w), cos(phase), sin(phase));
    c.parts = vec3(mudWalkers[s].x, mudGolemBodies[s].w, phase);
    c.hip0 = mudLegHips[2 * s];
    c.knee0 = mudLegKnees[2 * s];
    c.foot0 = mudLegFeet[2 * s];
    c.hip1 = mudLegHips[2 * s + 1];
    c.knee1 = mudLegKnees[2 * s + 1];
    c.foot1 = mudLegFeet[2 * s + 1];
    c.torso = mudGolemBodies[s];
    c.axes = mudGolemShapes[s];
    c.shoulder0 = mudArmShoulders[2 * s];
    c.elbow0 = mudArmElbows[2 * s];
    c.hand0 = mudArmHands[2 * s];
    c.shoulder1 = mudArmShoulders[2 * s + 1];
    c.elbow1 = mudArmElbows[2 * s + 1];
    c.hand1 = mudArmHands[2 * s + 1];
    c.wound0 = mudWounds[2 * s];
    c.wound1 = mudWounds[2 * s + 1];
    c.cut = mudCutStates[s].x > 0.5 ? mudCutPlanes[s] : vec4(0.0, 0.0, 0.0, -1e9);
    return c;
}

// The traced slot, set once per slot by mudPrepare: its body and fusion donor, and what the
// slot itself adds (corpse pose, birth strand, pooled slope).
MudClay mudClayA;
MudClay mudClayB;
int mudTraceParts;      // 1, or 2 with a fusion donor
bool mudTracePooled;    // the flat pooled form
vec4 mudTraceBase;      // corpse: ground levels, corpse flag, split flag
vec4 mudTraceMotion;    // corpse: separation direction x, z, separation, compression
vec4 mudTracePlane;     // corpse: death plane
vec4 mudTraceStrand;    // strand foot xyz, thickness

void mudPrepare(int i)
{
    vec4 base = mudCorpseBase[i];
    int j = base.z > 0.5 ? -1 : mudPartner(i);
    mudTraceParts = j >= 0 ? 2 : 1;
    // One copy of the loads serves both bodies; the second pass runs only for a fusion.
    for (int part = 0; part < 2; part++) {
        MudClay c = mudLoad(part == 0 ? i : max(j, 0), part == 0 ? mudBodies[i] : mudMergeBodies[i],
                            part == 0 ? mudShapes[i] : mudMergeShapes[i]);
        if (part == 0) mudClayA = c;
        mudClayB = c;
        if (part + 1 >= mudTraceParts) break;
    }
    mudTraceBase = base;
    mudTraceMotion = mudCorpseMotion[i];
    mudTracePlane = mudCorpsePlanes[i];
    vec4 birth = mudPatches[i];
    float spray = mudStates[i].x;
    mudTraceStrand = vec4(birth.x, terrainHeight(birth.xy) - 0.2 * birth.w, birth.y, spray);
    mudTracePooled = base.z < 0.5 && mudShapes[i].y < 0.42 && mudWalkers[i].x <= 0.001 && j < 0 && spray <= 0.001;
}

// Cavities and the living cut carved out of a body's field.
float mudCarve(MudClay c, vec3 p, float d)
{
    if (c.wound0.w > 0.0) d = max(d, c.wound0.w - length(p - c.wound0.xyz));
    if (c.wound1.w > 0.0) d = max(d, c.wound1.w - length(p - c.wound1.xyz));
    return max(d, mudPlane(c.cut, p));
}

// Legs joined to the field d. A leg whose bounding sphere lies beyond every blend stands in by
// that bound: cheaper on hardware that branches, and never longer than the true distance.
float mudLegs(MudClay c, vec3 p, float d, float R, float g)
{
    float kBody = R * mix(0.65, 0.20, g);
    float kPair = R * mix(0.55, 0.18, g);
    float legs = 1e9;
    for (int side = 0; side < 2; side++) {
        vec4 hip = side == 0 ? c.hip0 : c.hip1;
        vec3 knee = side == 0 ? c.knee0.xyz : c.knee1.xyz;
        vec3 foot = side == 0 ? c.foot0.xyz : c.foot1.xyz;
        float w = hip.w;
        vec3 m = (hip.xyz + knee + foot) / 3.0;
        float reach = max(max(length(hip.xyz - m), length(knee - m)), length(foot - m)) + 1.2 * w;
        float leg = length(p - m) - reach;
        if (w > 1e-4 && leg < min(d, legs) + kBody + kPair) {
            // Three eased segments along the curve; a golem's straight leg takes over by g.
            float curved = 1e9;
            vec3 a = hip.xyz;
            float ra = 1.2 * w;
            int segments = g < 0.999 ? 3 : 1;
            for (int k = 1; k <= 3; k++) {
                float t = float(k) / 3.0;
                vec3 b = bezier(hip.xyz, knee, foot, t);
                float rb = mix(1.2, 0.85, t) * w;
                curved = min(curved, sdEasedTaper(p, a, b, ra, rb));
                a = b;
                ra = rb;
                if (k >= segments) break;
            }
            float straight = sdTaperedCapsule(p, hip.xyz, foot, 1.2 * w, 0.85 * w);
            leg = g <= 0.001 ? curved : (g >= 0.999 ? straight : mix(curved, straight, g));
        }
        if (w > 1e-4) legs = legs > 1e8 ? leg : smin(legs, leg, kPair);
        if (side >= 1 || c.hip1.w <= 1e-4) break;
    }
    return legs > 1e8 ? d : smin(d, legs, kBody);
}

// Golem torso and arms joined to the body field d.
float mudGolem(MudClay c, vec3 p, float d, float R, float g)
{
    float golem = sdEllipsoid(toHeading(p - c.torso.xyz, c.frame.xy), max(c.axes.xyz, vec3(0.002)));
    for (int arm = 0; arm < 2; arm++) {
        vec4 shoulder = arm == 0 ? c.shoulder0 : c.shoulder1;
        vec3 elbow = arm == 0 ? c.elbow0.xyz : c.elbow1.xyz;
        vec3 hand = arm == 0 ? c.hand0.xyz : c.hand1.xyz;
        float w = shoulder.w;
        float k = 0.24 * w;
        // The curve stays inside the box of its three points: an arm clearly beyond the blends
        // stands in by its box distance, which never exceeds the tube's.
        vec3 lo = min(min(shoulder.xyz, elbow), hand) - 1.2 * w;
        vec3 hi = max(max(shoulder.xyz, elbow), hand) + 1.2 * w;
        float box = 0.6 * length(max(max(lo - p, p - hi), 0.0));
        float tube = box > min(golem, d) + k + 0.28 * R ? box : sdArmTube(p, shoulder.xyz, elbow, hand, w);
        if (w > 1e-4) golem = smin(golem, tube, k);
        if (arm >= 1 || c.shoulder1.w <= 1e-4) break;
    }
    return smin(d, golem, 0.28 * R) / (1.0 + 0.34 * g);
}

// One living body: ellipsoid with squash and stretch, the bun's three-lobed skirt, legs, golem
// torso and arms, carved by its cavities and cut.
float mudBody(MudClay c, vec3 p)
{
    float R = max(c.body.w, 1e-3);
    vec2 cs = c.frame.xy;
    float legs = c.parts.x;
    float g = c.parts.y;
    vec3 scale = max(c.shape.xyz, vec3(1e-3));
    vec3 radii = R * scale;
    if (graphicsQuality.w > 0 && g > 0.001) {
        // Hand-moulded golems: a slow two-wave warp of the whole clay.
        vec3 q = toHeading(p - c.body.xyz, cs) / R;
        float a = sin(dot(q, vec3(3.8, 2.1, 1.3)) + c.parts.z);
        float b = sin(dot(q, vec3(-2.6, 3.7, 2.9)) + 1.73 * c.parts.z);
        p += fromHeading(vec3(0.75, 0.30, -0.25) * a + vec3(-0.25, 0.55, 0.50) * b, cs) * 0.04 * R * g;
    }
    vec3 q = toHeading(p - c.body.xyz, cs);
    float d = sdEllipsoid(q, radii);
    float pooled = (1.0 - legs) * (1.0 - smoothstep(0.14, 0.42, scale.y));
    float skirt = (1.0 - legs) * (1.0 - pooled);
    if (skirt > 0.01) {
        float k = 0.2 * R * skirt * min(1.0, scale.y / 0.55);
        vec3 lobe = max(vec3(0.46, 0.38, 0.46) * radii * skirt, vec3(1e-3));
        // Lobes at 2.094 j + phase: the first from the frame, the others turned from it.
        vec2 a = c.frame.zw;
        for (int j = 0; j < 3; j++) {
            vec3 offset = vec3(0.62 * radii.x * a.x, -0.5 * radii.y, 0.62 * radii.z * a.y);
            d = smin(d, sdEllipsoid(q - offset, lobe), k);
            a = vec2(a.x * -0.4996578 - a.y * 0.8662229, a.y * -0.4996578 + a.x * 0.8662229);
            if (j >= 2 || skirt <= 0.01) break;
        }
    }
    if (legs > 0.001) d = mudLegs(c, p, d, R, g);
    if (g > 0.001) d = mudGolem(c, p, d, R, g);
    return mudCarve(c, p, d);
}

// The pooled form of a flat bun or puddle: a slab with squared-off rim, lying along the ground
// slope (packed in the torso semi-axes of a flat bun).
float mudPooled(MudClay c, vec3 p)
{
    vec3 radii = max(c.body.w * c.shape.xyz, vec3(1e-3));
    float pooled = 1.0 - smoothstep(0.14, 0.42, c.shape.y);
    vec3 w = p - c.body.xyz;
    w.y -= c.axes.x * w.x + c.axes.z * w.z;
    vec3 q = toHeading(w, c.frame.xy);
    vec2 u = q.xz / radii.xz;
    float u2 = dot(u, u);
    float corner = u2 > 1e-8 ? 4.0 * u.x * u.x * u.y * u.y / (u2 * u2) : 0.0;
    q.xz *= 1.0 + 0.22 * pooled * corner;
    return mudCarve(c, p, sdEllipsoid(q, radii) / mix(1.0, 1.6, pooled));
}

// A compressed corpse point taken back into its frozen pose; side picks the half (0 unsplit).
vec3 mudFrozen(vec4 base, vec4 motion, vec3 p, float side)
{
    vec3 q = p;
    q.xz -= motion.xy * motion.z * side;
    q.y = base.x + (q.y - base.y) / max(motion.w, 0.005);
    return q;
}

vec3 mudFrozenPoint(int i, vec3 p, float side)
{
    return mudFrozen(mudCorpseBase[i], mudCorpseMotion[i], p, side);
}

// Distance to the traced slot's clay (mudPrepare): living body with its fusion donor and
// birth strand, the pooled form, or a corpse half (side +1 / -1; 0 unsplit and living).
float mudField(vec3 p, float side)
{
    if (mudTracePooled) return mudPooled(mudClayA, p);
    bool corpse = mudTraceBase.z > 0.5;
    vec3 q = corpse ? mudFrozen(mudTraceBase, mudTraceMotion, p, side) : p;
    float R = mudClayA.body.w;
    float d = 1e9;
    for (int part = 0; part < 2; part++) {
        MudClay c = part == 0 ? mudClayA : mudClayB;
        float b = mudBody(c, q);
        d = part == 0 ? b : smin(d, b, min(c.body.w, 0.3 * R));
        if (part + 1 >= mudTraceParts) break;
    }
    if (corpse) {
        d *= max(mudTraceMotion.w, 0.005);
        if (mudTraceBase.w > 0.5) d = max(d, -side * mudPlane(mudTracePlane, q));
        return d;
    }
    float spray = mudTraceStrand.w;
    if (spray > 0.001) d = smin(d, sdTaperedCapsule(p, mudTraceStrand.xyz, mudClayA.body.xyz, 1.6 * spray, 0.65 * spray), 0.15);
    return d;
}

// A bun drawn by its body and skirt alone: no legs, golem parts, corpse, fusion, strand or pool.
bool mudPlainBun(int i)
{
    return mudWalkers[i].x <= 0.001 && mudGolemBodies[i].w <= 0.001 && mudCorpseBase[i].z < 0.5 &&
           mudWalkers[i].w < 0.5 && mudStates[i].x <= 0.001 && mudShapes[i].y >= 0.42;
}

// Smallest sphere holding two spheres (centre, radius).
vec4 encloseSpheres(vec4 a, vec4 b)
{
    float d = length(b.xyz - a.xyz);
    if (d + b.w <= a.w) return a;
    if (d + a.w <= b.w) return b;
    float r = 0.5 * (d + a.w + b.w);
    return vec4(a.xyz + (b.xyz - a.xyz) * ((r - a.w) / max(d, 1e-6)), r);
}

// Sphere holding everything slot i's field can draw: the body or its packed bound, lowered to
// the compressed centre for corpses, grown around the donor of a fusion and the birth strand.
// Reads no texture, so it is cheap enough to test every slot of a tile.
vec4 mudBound(int i)
{
    vec4 body = mudBodies[i];
    vec4 shape = mudShapes[i];
    // The skirt's lobes reach 1.23 radii out and their blend a little more: 1.22 would clip them.
    vec4 bound = vec4(body.xyz, max(body.w * (max(shape.x, max(shape.y, shape.z)) * 1.26 + 0.05), mudWalkers[i].y));
    vec4 base = mudCorpseBase[i];
    if (base.z > 0.5) {
        bound.y = (bound.y - base.x) * mudCorpseMotion[i].w + base.y;
        return bound;
    }
    int partner = mudPartner(i);
    if (partner >= 0) {
        vec4 donor = mudMergeBodies[i];
        vec4 donorShape = mudMergeShapes[i];
        float r = max(donor.w * (max(donorShape.x, max(donorShape.y, donorShape.z)) * 1.26 + 0.05), mudWalkers[partner].y);
        bound = encloseSpheres(bound, vec4(donor.xyz, r));
    }
    float spray = mudStates[i].x;
    if (spray > 0.001) {
        // The strand's foot lies in the ground under the jump, at most 1.5 m + R below the body.
        vec4 birth = mudPatches[i];
        vec3 top = vec3(birth.x, body.y, birth.y);
        vec4 strand = vec4(top - vec3(0.0, 0.75 + 0.5 * body.w, 0.0), 0.75 + 0.5 * body.w + 1.6 * spray + 0.15);
        bound = encloseSpheres(bound, strand);
    }
    return bound;
}

// Part of the ray that can meet slot i's clay: the plain bun's ellipsoid grown over its skirt; for
// walkers and golems the hull of the spans through the body, torso and limb spheres (each grown
// by its blends); else the whole bound. Needs mudPrepare(i).
vec2 mudSpan(int i, vec3 ro, vec3 rd)
{
    vec4 body = mudBodies[i];
    vec3 scale = max(mudShapes[i].xyz, vec3(1e-3));
    if (mudPlainBun(i)) {
        vec3 radii = body.w * (scale * 1.26 + 0.05);
        return ellipsoidInterval(toHeading(ro - body.xyz, mudClayA.frame.xy), toHeading(rd, mudClayA.frame.xy), vec3(0.0), radii);
    }
    vec4 bound = mudBound(i);
    vec2 whole = sphereInterval(ro, rd, bound.xyz, bound.w);
    bool limbed = mudCorpseBase[i].z < 0.5 && mudWalkers[i].w < 0.5 && mudStates[i].x <= 0.001;
    if (!limbed || whole.y < whole.x) return whole;
    float R = mudWalkers[i].y / 1.8;   // the leg bound is at least 1.8 R
    vec2 span = sphereInterval(ro, rd, body.xyz, body.w * (max(scale.x, max(scale.y, scale.z)) * 1.26 + 0.05) + 0.1 * R);
    vec4 torso = mudGolemBodies[i];
    if (torso.w > 0.001) {
        vec3 axes = mudGolemShapes[i].xyz;
        vec2 t = sphereInterval(ro, rd, torso.xyz, max(axes.x, max(axes.y, axes.z)) * 1.1 + 0.3 * R);
        span = vec2(min(span.x, t.x), max(span.y, t.y));
    }
    for (int limb = 0; limb < 4; limb++) {
        int k = 2 * i + (limb & 1);
        bool arm = limb >= 2;
        vec4 root = arm ? mudArmShoulders[k] : mudLegHips[k];
        vec3 mid = arm ? mudArmElbows[k].xyz : mudLegKnees[k].xyz;
        vec3 tip = arm ? mudArmHands[k].xyz : mudLegFeet[k].xyz;
        vec3 m = (root.xyz + mid + tip) / 3.0;
        float reach = max(max(length(root.xyz - m), length(mid - m)), length(tip - m)) + 1.2 * root.w + 0.3 * R;
        vec2 t = sphereInterval(ro, rd, m, reach);
        if (root.w > 1e-4) span = vec2(min(span.x, t.x), max(span.y, t.y));
        if (limb >= 3 || (limb == 1 && torso.w <= 0.001)) break;
    }
    return vec2(max(span.x, whole.x), min(span.y, whole.y));
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

vec3 shadeMud(int i, float side, vec3 p, vec3 rd, vec3 n);
vec3 shadeDrop(vec3 n, vec3 rd);

// Nearer hit of a ray with an ellipsoid (radii in the heading frame cs) than `best`.
bool dropHit(vec3 ro, vec3 rd, vec3 centre, vec3 radii, vec2 cs, inout float best, inout vec3 normal)
{
    vec3 o = toHeading(ro - centre, cs) / radii;
    vec3 d = toHeading(rd, cs) / radii;
    float a = dot(d, d);
    float b = dot(o, d);
    float h = b * b - a * (dot(o, o) - 1.0);
    if (h < 0.0) return false;
    float t = (-b - sqrt(h)) / a;
    if (t < 0.0 || t >= best) return false;
    best = t;
    normal = normalize(fromHeading((o + d * t) / radii, cs));
    return true;
}

// Landing drops of slot i: four (two at spray quality 0) fly from the touchdown point, splat
// where their bottoms meet the ground and throw three droplets each.
bool mudLandingDrops(int i, vec3 ro, vec3 rd, inout float best, inout vec3 normal)
{
    vec4 burst = mudBursts[i];
    vec4 landings = mudImpacts[i];
    float age = burst.w;
    float last = max(max(landings.x, landings.y), max(landings.z, landings.w));
    if (!(age >= 0.0 && age < 1.7 && last > 0.0 && age < last + 0.48)) return false;
    vec2 span = sphereInterval(ro, rd, burst.xyz, 3.2);
    if (span.y < span.x || span.x >= best) return false;
    bool found = false;
    float phase = mudStates[i].w;
    int drops = graphicsQuality.z > 0 ? 4 : 2;
    for (int j = 0; j < 4; j++) {
        float land = vecAt(landings, j);
        float seed = phase + 13.71 * float(j);
        float angle = 4.18 * seed;
        float speed = 1.1 + 0.8 * fract(seed);
        vec3 v = vec3(cos(angle) * speed, 2.0 + 1.4 * fract(3.1 * seed), sin(angle) * speed);
        float r = 0.055 + 0.045 * fract(7.3 * seed);
        if (land > 0.0 && age < land) {
            vec3 p = burst.xyz + vec3(v.x * age, v.y * age - 4.9 * age * age, v.z * age);
            found = dropHit(ro, rd, p, vec3(r), vec2(1.0, 0.0), best, normal) || found;
        }
        float a = age - land;
        if (land > 0.0 && a >= 0.0 && a <= 0.48) {
            vec3 ground = burst.xyz + vec3(v.x * land, v.y * land - 4.9 * land * land - r, v.z * land);
            float fade = 1.0 - smoothstep(0.28, 0.48, a);
            float spread = mix(r, 2.9 * r, smoothstep(0.0, 0.13, a));
            float thickness = mix(r, 0.015, smoothstep(0.0, 0.09, a)) * fade;
            if (spread * fade > 1e-3) {
                vec3 radii = vec3(spread * fade, max(0.004, thickness), 0.83 * spread * fade);
                found = dropHit(ro, rd, ground + vec3(0.0, 0.65 * thickness, 0.0), radii, vec2(cos(angle), -sin(angle)),
                                best, normal) || found;
            }
            float dr = 0.38 * r * (1.0 - smoothstep(0.10, 0.30, a));
            for (int k = 0; k < 3; k++) {
                float ak = angle + 2.094 * float(k);
                float rise = (0.95 + 0.55 * fract(seed + 0.37 * float(k))) * a - 4.9 * a * a;
                vec3 centre = ground + vec3(cos(ak) * 1.1 * a, rise + 1.35 * dr, sin(ak) * 1.1 * a);
                if (dr >= 1e-3 && rise >= 0.0)
                    found = dropHit(ro, rd, centre, vec3(1.0, 1.35, 1.0) * dr, vec2(1.0, 0.0), best, normal) || found;
                if (k >= 2 || dr < 1e-3) break;
            }
        }
        if (j + 1 >= drops) break;
    }
    return found;
}

// Dash spray of slot i: six side drops (two at spray quality 0) thrown off the dash line,
// alternately left and right, each splatting with one bounce droplet.
bool mudDashDrops(int i, vec3 ro, vec3 rd, inout float best, inout vec3 normal)
{
    vec4 start = mudDashStarts[i];
    vec4 end = mudDashEnds[i];
    float duration = end.w;
    float elapsed = start.w;
    if (!(duration > 0.03 && elapsed >= 0.0 && elapsed < 1.6)) return false;
    vec2 span = sphereInterval(ro, rd, 0.5 * (start.xyz + end.xyz), 0.5 * length(end.xyz - start.xyz) + 2.2);
    if (span.y < span.x || span.x >= best) return false;
    vec2 dir = end.xz - start.xz;
    float len = length(dir);
    dir = len > 1e-5 ? dir / len : vec2(0.0, 1.0);
    vec3 forward = vec3(dir.x, 0.0, dir.y);
    vec3 right = vec3(dir.y, 0.0, -dir.x);
    vec2 cs = vec2(dir.y, dir.x);
    float R = mudBodies[i].w;
    float phase = mudStates[i].w;
    vec4 landingsA = mudDashImpactsA[i];
    vec4 landingsB = mudDashImpactsB[i];
    // Drops are emitted in order, every 0.08 s from 0.03 s, while the dash lasts.
    float emitted = floor((min(elapsed, duration - 1e-6) - 0.03) / 0.08) + 1.0;
    int drops = min(graphicsQuality.z > 0 ? 6 : 2, int(clamp(emitted, 0.0, 6.0)));
    if (drops <= 0) return false;
    bool found = false;
    for (int j = 0; j < 6; j++) {
        float emit = 0.03 + 0.08 * float(j);
        float flown = elapsed - emit;
        float land = j < 4 ? vecAt(landingsA, j) : vecAt(landingsB, j - 4);
        float side = (j % 2 == 0) ? -1.0 : 1.0;
        float seed = phase + 11.31 * float(j);
        float r = 0.045 + 0.025 * fract(7.3 * seed);
        vec3 from = mix(start.xyz, end.xyz, emit / duration) + right * side * 0.65 * R;
        from.y = terrainHeight(from.xz) + 0.18;
        vec3 v = -0.65 * forward + right * side * (1.7 + 0.6 * fract(seed));
        v.y = 1.8 + 0.7 * fract(3.1 * seed);
        if (land > 0.0 && flown < land) {
            vec3 p = from + v * flown - vec3(0.0, 4.9 * flown * flown, 0.0);
            found = dropHit(ro, rd, p, vec3(1.0, 1.25, 1.0) * r, cs, best, normal) || found;
        }
        float a = flown - land;
        if (land > 0.0 && a >= 0.0 && a <= 0.36) {
            vec3 landed = from + v * land - vec3(0.0, 4.9 * land * land, 0.0);
            float fade = 1.0 - smoothstep(0.18, 0.36, a);
            float spread = r * mix(1.0, 3.1, smoothstep(0.0, 0.12, a));
            float thickness = max(0.004, mix(r, 0.012, smoothstep(0.0, 0.08, a)) * fade);
            if (spread * fade > 1e-3) {
                vec3 radii = vec3(spread * fade, thickness, 0.7 * spread * fade);
                found = dropHit(ro, rd, landed - vec3(0.0, r - thickness, 0.0), radii, cs, best, normal) || found;
            }
            float rise = a - 4.9 * a * a;
            if (rise >= 0.0) {
                vec3 centre = landed + right * side * 0.9 * a + vec3(0.0, rise, 0.0);
                found = dropHit(ro, rd, centre, vec3(0.36 * r), cs, best, normal) || found;
            }
        }
        if (j + 1 >= drops) break;
    }
    return found;
}

// Whether slot i has drops, spray or chunks on show this frame.
bool mudHasEffects(int i)
{
    vec4 burst = mudBursts[i];
    vec4 landings = mudImpacts[i];
    float last = max(max(landings.x, landings.y), max(landings.z, landings.w));
    bool landing = burst.w >= 0.0 && burst.w < 1.7 && last > 0.0 && burst.w < last + 0.48;
    bool dash = mudDashEnds[i].w > 0.03 && mudDashStarts[i].w >= 0.0 && mudDashStarts[i].w < 1.6;
    return landing || dash || mudDamageChunks[2 * i].w > 0.0 || mudDamageChunks[2 * i + 1].w > 0.0;
}

// Mudlings of this pixel's tile: clay bodies sphere-traced inside their bounds, drops, dash
// spray and debris chunks; the nearest hit in front of `depth` is shaded once. A first pass
// keeps the slots whose bound the ray meets and those with effects on show, so the costly
// passes run only for those. Loops test their end at the bottom: software rasterisers run a
// loop body once more for a test at the top.
bool traceMud(vec3 ro, vec3 rd, float eps, inout float depth, inout vec3 colour)
{
    float best = depth;
    uvec2 bodies = uvec2(0u);
    uvec2 effects = uvec2(0u);
    uvec2 slots = uvec2(tileMask);
    int i = nextSlot(slots);
    if (i >= 0) {
        for (int n = 0; n < 48; n++) {
            int s = max(i, 0);
            uint bit = 1u << uint(s & 31);
            if (mudWalkers[s].z > 0.5 || mudStates[s].x > 0.001) {
                vec4 bound = mudBound(s);
                vec2 span = sphereInterval(ro, rd, bound.xyz, bound.w);
                if (span.y > max(span.x, 0.0) && span.x < best) bodies[s >> 5] |= bit;
            }
            if (mudHasEffects(s)) effects[s >> 5] |= bit;
            i = nextSlot(slots);
            if (i < 0) break;
        }
    }

    int hitSlot = -1;
    float hitSide = 0.0;
    vec3 hitNormal = vec3(0.0, 1.0, 0.0);
    float e = 0.5 * eps + 0.001;
    i = nextSlot(bodies);
    if (i >= 0) {
        for (int n = 0; n < 48; n++) {
            int s = max(i, 0);
            mudPrepare(s);
            vec2 span = mudSpan(s, ro, rd);
            vec4 base = mudCorpseBase[s];
            bool split = base.z > 0.5 && base.w > 0.5;
            int steps = base.z > 0.5 ? 64 : 48;
            float t0 = max(span.x, 0.0);
            // The halves of a split corpse drift apart: each is traced on its own.
            for (int piece = 0; piece < 2; piece++) {
                float side = split ? (piece == 0 ? 1.0 : -1.0) : 0.0;
                float t = t0;
                float t1 = min(span.y, best);
                if (t < t1) {
                    // One field sample per pass: march samples, then at a hit the four samples
                    // of the tetrahedral normal, so the program holds a single copy of the field.
                    vec3 hitPoint = vec3(0.0);
                    vec3 gradient = vec3(0.0);
                    int probe = -1;
                    for (int k = 0; k < 68; k++) {
                        vec3 o = probe == 0 ? vec3(1.0, -1.0, -1.0) : (probe == 1 ? vec3(-1.0, -1.0, 1.0)
                               : (probe == 2 ? vec3(-1.0, 1.0, -1.0) : vec3(1.0, 1.0, 1.0)));
                        vec3 q = probe < 0 ? ro + rd * t : hitPoint + o * e;
                        float d = mudField(q, side);
                        if (probe >= 0) {
                            gradient += o * d;
                            if (probe == 3) {
                                float l = length(gradient);
                                hitNormal = l > 1e-9 ? gradient / l : -rd;
                                break;
                            }
                            probe++;
                        } else if (d < eps) {
                            best = t;
                            hitSlot = s;
                            hitSide = side;
                            hitPoint = q;
                            probe = 0;
                        } else {
                            t += max(0.85 * d, 0.5 * eps);
                            if (t > t1 || k + 1 >= steps) break;
                        }
                    }
                }
                if (!split) break;
            }
            i = nextSlot(bodies);
            if (i < 0) break;
        }
    }

    bool hitDrop = false;
    vec3 dropNormal = vec3(0.0, 1.0, 0.0);
    i = nextSlot(effects);
    if (i >= 0) {
        for (int n = 0; n < 48; n++) {
            int s = max(i, 0);
            if (mudLandingDrops(s, ro, rd, best, dropNormal)) hitDrop = true;
            if (mudDashDrops(s, ro, rd, best, dropNormal)) hitDrop = true;
            for (int k = 0; k < 2; k++) {
                vec4 chunk = mudDamageChunks[2 * s + k];
                if (chunk.w > 0.0 && dropHit(ro, rd, chunk.xyz, vec3(chunk.w), vec2(1.0, 0.0), best, dropNormal)) hitDrop = true;
                if (k >= 1) break;
            }
            i = nextSlot(effects);
            if (i < 0) break;
        }
    }
    if (!hitDrop && hitSlot < 0) return false;
    vec3 p = ro + rd * best;
    if (hitDrop) {
        colour = shadeDrop(dropNormal, rd);
    } else {
        colour = shadeMud(hitSlot, hitSide, p, rd, hitNormal);
    }
    depth = best;
    return true;
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

// Light left at p by one ellipsoid (radii in the heading frame cs) towards the sun.
float ellipsoidShadow(vec3 p, vec3 centre, vec3 radii, vec2 cs)
{
    radii = max(radii, vec3(0.02));
    float above = centre.y - p.y;
    if (above + radii.y <= 0.0) return 1.0;
    float softness = 0.12 + 0.10 * max(above - radii.y, 0.0);
    // The sun line's distance from the centre bounds the body-frame one from below.
    vec3 cp = centre - p;
    vec3 off = cp - SUN * dot(cp, SUN);
    float reach = (1.05 + softness) * max(radii.x, max(radii.y, radii.z));
    if (dot(off, off) >= reach * reach) return 1.0;
    vec3 o = toHeading(-cp, cs) / radii;
    vec3 d = toHeading(SUN, cs) / radii;
    float t = max(-dot(o, d) / dot(d, d), 0.0);
    float D = length(o + d * t);
    return 1.0 - 0.87 * (1.0 - smoothstep(0.85 - softness, 1.05 + softness, D));
}

// Light left at p by a limb segment a-b (radii ra, rb), both ends projected along the sun to
// the height of p; parts below p cast nothing.
float segmentShadow(vec3 p, vec3 a, vec3 b, float ra, float rb)
{
    float ha = a.y - p.y;
    float hb = b.y - p.y;
    if (ha <= 0.0 && hb <= 0.0) return 1.0;
    vec2 pa = a.xz - SUN.xz * (ha / SUN.y) - p.xz;
    vec2 ba = b.xz - SUN.xz * (hb / SUN.y) - p.xz - pa;
    float h = clamp(-dot(pa, ba) / max(dot(ba, ba), 1e-8), 0.0, 1.0);
    float height = mix(ha, hb, h);
    if (height <= 0.0) return 1.0;
    float distance = length(pa + ba * h);
    float r = mix(ra, rb, h);
    float softness = 0.04 + 0.06 * height;
    return 1.0 - 0.78 * (1.0 - smoothstep(max(0.0, r - softness), r + softness, distance));
}

// A frozen corpse point as it stands now: flattened, and carried with its half.
vec3 mudCompressedPoint(int i, vec3 v)
{
    vec4 base = mudCorpseBase[i];
    vec4 motion = mudCorpseMotion[i];
    v.y = base.y + (v.y - base.x) * motion.w;
    if (base.w > 0.5) v.xz += motion.xy * motion.z * sign(mudPlane(mudCorpsePlanes[i], v));
    return v;
}

// Legs, arms and golem torso of slot s (heading cs) at shadow quality 2; corpse points are
// carried into their compressed pose by slot `corpse` (-1 for the living).
float mudLimbShadow(int s, vec3 p, vec2 cs, int corpse)
{
    float light = 1.0;
    float g = mudGolemBodies[s].w;
    bool arms = mudArmShoulders[2 * s].w > 1e-4 || mudArmShoulders[2 * s + 1].w > 1e-4;
    bool legs = mudLegHips[2 * s].w > 1e-4 || mudLegHips[2 * s + 1].w > 1e-4;
    int limbCount = arms ? 4 : (legs ? 2 : 1);
    for (int limb = 0; limb < 4; limb++) {
        int k = 2 * s + (limb & 1);
        bool arm = limb >= 2;
        vec4 root = arm ? mudArmShoulders[k] : mudLegHips[k];
        vec3 mid = arm ? mudArmElbows[k].xyz : mudLegKnees[k].xyz;
        vec3 tip = arm ? mudArmHands[k].xyz : mudLegFeet[k].xyz;
        float w = root.w;
        vec3 a = corpse >= 0 ? mudCompressedPoint(corpse, root.xyz) : root.xyz;
        float ra = 1.2 * w;
        for (int j = 1; j <= 3; j++) {
            float t = float(j) / 3.0;
            vec3 b = bezier(root.xyz, mid, tip, t);
            if (!arm) b = mix(b, mix(root.xyz, tip, t), g);
            if (corpse >= 0) b = mudCompressedPoint(corpse, b);
            float rb = (arm ? armTaper(t) : mix(1.2, 0.85, t)) * w;
            if (w > 1e-4) light *= segmentShadow(p, a, b, ra, rb);
            a = b;
            ra = rb;
            if (j >= 3) break;
        }
        if (limb + 1 >= limbCount) break;
    }
    if (g > 0.001) {
        vec3 torso = mudGolemBodies[s].xyz;
        vec3 axes = mudGolemShapes[s].xyz;
        if (corpse >= 0) {
            torso = mudCompressedPoint(corpse, torso);
            axes.y *= mudCorpseMotion[corpse].w;
        }
        light *= ellipsoidShadow(p, torso, axes, cs);
    }
    return light;
}

// Cavities and the living cut of slot s let light through where the sun ray crosses them.
float mudOpenings(int s, vec3 p, float light, int corpse)
{
    for (int k = 0; k < 2; k++) {
        vec4 wound = mudWounds[2 * s + k];
        vec3 c = corpse >= 0 ? mudCompressedPoint(corpse, wound.xyz) : wound.xyz;
        float height = c.y - p.y;
        float distance = length(c.xz - SUN.xz * (height / SUN.y) - p.xz);
        if (wound.w > 0.0 && height > 0.0)
            light = mix(light, 1.0, 0.65 * (1.0 - smoothstep(0.42 * wound.w, wound.w, distance)));
        if (k >= 1) break;
    }
    if (mudCutStates[s].x > 0.5) {
        vec3 q = p + SUN * ((mudBodies[s].y - p.y) / SUN.y);
        light = mix(light, 1.0, smoothstep(-0.05, 0.10, mudPlane(mudCutPlanes[s], q)));
    }
    return light;
}

// Light left at ground point p by slot i: its body (a corpse in its compressed halves), the
// limbs at quality 2 and its openings, then a fusion donor's own.
float mudSlotShadow(int i, vec3 p, bool limbs)
{
    vec4 base = mudCorpseBase[i];
    int corpse = base.z > 0.5 ? i : -1;
    int partner = corpse >= 0 ? -1 : mudPartner(i);
    int parts = partner >= 0 ? 2 : 1;
    float light = 1.0;
    for (int part = 0; part < 2; part++) {
        int s = part == 0 ? i : max(partner, 0);
        int frozen = part == 0 ? corpse : -1;
        vec4 body = part == 0 ? mudBodies[i] : mudMergeBodies[i];
        vec4 shape = part == 0 ? mudShapes[i] : mudMergeShapes[i];
        vec2 cs = vec2(cos(shape.w), sin(shape.w));
        vec3 radii = body.w * shape.xyz;
        vec3 c = body.xyz;
        vec4 motion = vec4(1.0, 0.0, 0.0, 1.0);
        bool split = false;
        if (frozen >= 0) {
            motion = mudCorpseMotion[i];
            c.y = base.y + (c.y - base.x) * motion.w;
            radii.y *= motion.w;
            split = base.w > 0.5;
        }
        // The halves of a split corpse partLight on their own, and the gap between them stays lit.
        vec3 n = vec3(motion.x, 0.0, motion.y);
        float plane = mudPlane(mudCorpsePlanes[i], p + SUN * ((c.y - p.y) / SUN.y));
        float partLight = 1.0;
        for (int piece = 0; piece < 2; piece++) {
            float side = split ? (piece == 0 ? 1.0 : -1.0) : 0.0;
            float open = split ? smoothstep(-0.025, 0.045, side * plane - motion.z) : 1.0;
            partLight *= mix(1.0, ellipsoidShadow(p, c + n * motion.z * side, radii, cs), open);
            if (!split) break;
        }
        if (limbs) partLight *= mudLimbShadow(s, p, cs, frozen);
        light *= mudOpenings(s, p, partLight, frozen);
        if (part + 1 >= parts) break;
    }
    return light;
}

// Mudling shadows on a ground point: 0 none; 1 body ellipsoids; 2 also limbs and golem parts.
// Only the slots of this pixel's tile can reach it, and of those only the ones whose partLight lies
// near p are evaluated; the light never drops below 0.17.
float mudShadow(vec3 p)
{
    if (graphicsQuality.y <= 0 || tileMask == ivec2(0)) return 1.0;
    uvec2 casters = uvec2(0u);
    uvec2 slots = uvec2(tileMask);
    int i = nextSlot(slots);
    if (i >= 0) {
        for (int n = 0; n < 48; n++) {
            int s = max(i, 0);
            // Skip bodies whose cast, shifted along the sun, lies clearly elsewhere.
            vec4 bound = mudBound(s);
            float height = bound.y - p.y;
            vec2 shade = bound.xz - SUN.xz * (height / SUN.y);
            bool body = mudWalkers[s].z > 0.5 && height > -bound.w &&
                        length(p.xz - shade) < (1.25 + 0.1 * max(height, 0.0)) * bound.w + 0.3;
            if (body || mudDamageChunks[2 * s].w > 0.0 || mudDamageChunks[2 * s + 1].w > 0.0) casters[s >> 5] |= 1u << uint(s & 31);
            i = nextSlot(slots);
            if (i < 0) break;
        }
    }
    bool limbs = graphicsQuality.y >= 2;
    float light = 1.0;
    i = nextSlot(casters);
    if (i >= 0) {
        for (int n = 0; n < 48; n++) {
            int s = max(i, 0);
            if (mudWalkers[s].z > 0.5) light *= mudSlotShadow(s, p, limbs);
            for (int k = 0; k < 2; k++) {
                vec4 chunk = mudDamageChunks[2 * s + k];
                if (chunk.w > 0.0) light *= ellipsoidShadow(p, chunk.xyz, vec3(chunk.w), vec2(1.0, 0.0));
                if (k >= 1) break;
            }
            i = nextSlot(casters);
            if (i < 0 || light <= 0.17) break;
        }
    }
    return max(light, 0.17);
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

// Drops, splats and chunks: wet dark clay with a tight highlight.
vec3 shadeDrop(vec3 n, vec3 rd)
{
    vec3 h = normalize(SUN - rd);
    return vec3(0.105, 0.040, 0.012) * (0.35 + max(dot(n, SUN), 0.0))
         + vec3(0.6, 0.45, 0.24) * pow(max(dot(n, h), 0.0), 32.0);
}

// Clay at hit point p of slot i (side: the corpse half): grain, relief, puddle sheen, wet light,
// boss and scorch marks, hit flash and the glowing eyes.
vec3 shadeMud(int i, float side, vec3 p, vec3 rd, vec3 n)
{
    vec4 corpse = mudCorpseBase[i];
    vec3 frozen = corpse.z > 0.5 ? mudFrozenPoint(i, p, side) : p;
    int s = i;
    vec4 body = mudBodies[i];
    vec4 shape = mudShapes[i];
    vec2 cs = vec2(cos(shape.w), sin(shape.w));
    vec3 local = toHeading(frozen - body.xyz, cs);
    vec3 q = local / max(body.w * shape.xyz, vec3(1e-4));
    float eyes = mudStates[i].y;
    int partner = corpse.z > 0.5 ? -1 : mudPartner(i);
    if (partner >= 0) {
        // Where the donor's own sphere is nearer, the clay is the donor's.
        vec4 donor = mudMergeBodies[i];
        vec4 donorShape = mudMergeShapes[i];
        vec2 dcs = vec2(cos(donorShape.w), sin(donorShape.w));
        vec3 dlocal = toHeading(p - donor.xyz, dcs);
        vec3 dq = dlocal / max(donor.w * donorShape.xyz, vec3(1e-4));
        if (abs(length(dq) - 1.0) < abs(length(q) - 1.0)) {
            eyes = mudStates[partner].y * smoothstep(0.1, 0.65, donor.w / max(body.w, 1e-4));
            s = partner;
            body = donor;
            shape = donorShape;
            cs = dcs;
            local = dlocal;
            q = dq;
        }
    }
    float R = max(body.w, 1e-3);
    float g = mudGolemBodies[s].w;
    float phase = mudStates[s].w;
    vec3 v = -rd;

    float grain = 0.5 * (noise(p.xz * 8.3 + 0.7 * p.y) + noise(p.xy * 7.1 + 1.3 * p.z));
    vec3 base = mix(vec3(0.075, 0.028, 0.010), vec3(0.23, 0.10, 0.037), 0.38 + 0.18 * grain);
    float pooled = (1.0 - mudWalkers[s].x) * (1.0 - smoothstep(0.14, 0.42, shape.y));

    // Relief, evaluated only here at the final hit: lumps, hollows and (at detail 2) pores.
    float rho = 0.0;
    float clod = 0.5;
    if (graphicsQuality.w > 0) {
        rho = 1.0 - 0.8 * pooled;
        vec3 rel = local / R;
        if (mudSpecials[s].w > 0.5) {
            float roll = body.x / R;
            rel.xy = vec2(rel.x * cos(roll) - rel.y * sin(roll), rel.x * sin(roll) + rel.y * cos(roll));
        }
        vec3 seed = vec3(0.73, 1.17, 0.39) * phase;
        vec4 lumps = clayNoise(3.1 * rel + seed);
        vec3 gradient = 0.14 * lumps.yzw;
        if (graphicsQuality.w >= 2) gradient += 0.035 * clayNoise(10.3 * rel + seed.zxy + 11.7).yzw;
        clod = lumps.x;
        float hollow = 1.0 - smoothstep(0.18, 0.42, clod);
        gradient = fromHeading(gradient, cs);
        n = normalize(n - rho * (gradient - n * dot(gradient, n)));
        base *= mix(1.0, 0.87 + 0.25 * clod - 0.20 * hollow, rho);
    }
    base *= mix(1.0, 0.34, pooled);
    n = normalize(n + pooled * vec3(0.07 * sin(9.1 * p.x + 5.3 * p.z), 0.0, 0.07 * sin(7.7 * p.z - 2.1 * p.x)));

    float wet = mudStates[i].z;
    vec3 h = normalize(SUN - rd);
    float nh = max(dot(n, h), 0.0);
    float specular = pow(nh, mix(55.0, 27.0 + 31.0 * clod, rho)) * 1.35 * wet * mix(1.0, 0.36 + 0.46 * clod, rho)
                   * (1.0 - 0.78 * pooled);
    float broad = pow(nh, 10.0) * 0.12 * wet * (1.0 - 0.65 * pooled);
    float rim = 1.0 - clamp(dot(n, v), 0.0, 1.0);
    vec3 colour = base * (vec3(0.29, 0.34, 0.39) + vec3(1.3, 1.05, 0.75) * max(dot(n, SUN), 0.0))
                + vec3(1.0, 0.88, 0.67) * (specular + broad) + vec3(0.16, 0.20, 0.22) * pow(rim, 4.0) * wet * 0.25;

    // Marks of bosses and plasma scorches, in metres of the body frame around the hit point.
    vec4 scar = mudBossScars[i];
    vec4 special = mudSpecials[i];
    if (scar.w > 0.5) {
        vec3 offset = toHeading(p - scar.xyz, vec2(cos(mudShapes[i].w), sin(mudShapes[i].w)));
        float since = special.y;
        if (scar.w > 2.5) {
            float d = length(offset) + 0.13 * (grain - 0.5) + 0.065 * (clod - 0.5);
            float stamp = 1.0 - smoothstep(0.17, 0.46, d);
            colour = mix(colour, vec3(0.012, 0.015, 0.019), 0.97 * stamp) + vec3(0.03, 0.42, 0.56) * stamp * exp(-9.0 * since);
        } else {
            float stamp, lip;
            if (scar.w > 1.5) {
                float line = abs(offset.x + 0.18 * offset.y);
                float extent = 1.0 - smoothstep(0.75, 1.55, length(offset));
                stamp = (1.0 - smoothstep(0.024, 0.095, line)) * extent;
                float l = 25.0 * (line - 0.11);
                lip = exp(-l * l) * extent;
            } else {
                float r = length(offset);
                stamp = (1.0 - smoothstep(0.28, 0.80, r)) * (0.74 + 0.26 * grain);
                float l = 10.0 * (r - 0.67);
                lip = 0.35 * exp(-l * l);
            }
            float fade = 1.0 - smoothstep(6.0, 14.0, since);
            colour = mix(colour, 0.28 * colour, stamp * fade) + vec3(0.16, 0.075, 0.023) * lip * fade;
        }
    }
    colour = mix(colour, colour + vec3(0.60, 0.37, 0.13), clamp(2.6 * special.x, 0.0, 0.5));
    if (special.z > 1.5) colour += vec3(0.18, 0.066, 0.012) * rim * rim;

    // Eyes, part of the surface: sockets, a golem's brow and lids, and the ember glow.
    float eyeX = abs(q.x) - mix(0.34, 0.33, g);
    float eyeY = q.y - mix(0.29, 0.19, g) - g * (0.48 * eyeX + 0.025 * q.x);
    float e = length(vec2(eyeX / mix(0.115, 0.17, g), eyeY / mix(0.155, 0.077, g)));
    float face = smoothstep(0.35, 0.65, q.z) * eyes * (1.0 - smoothstep(0.06, 0.20, abs(length(q) - 1.0)));
    if (face > 0.0) {
        float socket = (1.0 - smoothstep(0.9, mix(1.8, 2.25, g), e)) * face;
        colour *= 1.0 - 0.85 * socket;
        float aperture = 1.0;
        if (g > 0.0) {
            float b = (eyeY - 0.13) / 0.072;
            float brow = exp(-b * b) * (1.0 - smoothstep(0.13, 0.27, abs(eyeX))) * face * g;
            colour = colour * (1.0 - 0.35 * brow) + 0.55 * base * brow;
            aperture = mix(1.0, 1.0 - smoothstep(0.032, 0.080, eyeY), g);
        }
        colour += vec3(1.0, 0.27, 0.003) * exp(-0.65 * e * e) * face * 0.35 * aperture
                + vec3(3.8, 1.85, 0.06) * (1.0 - smoothstep(0.60, 1.0, e)) * face * aperture;
    }
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
    // Samples at the same depth in every pixel band the slab into stripes; an interleaved-gradient
    // fraction of a step per pixel turns the bands into fine noise the eye averages away.
    float jitter = fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715))));
    float transmission = 1.0;
    vec3 scattered = vec3(0.0);
    for (int i = 0; i < 6; i++) {
        if (i >= samples) break;
        vec3 p = ro + rd * (t0 + (float(i) + jitter) * stepLength);
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

    // 5. Mudlings, only where this tile lists any: an empty tile does no creature work.
    if (tileMask != ivec2(0)) {
        float eps = max(0.0006, viewHeight / resolution.y * 0.13);
        if (traceMud(ro, rd, eps, depth, colour)) opaque = true;
    }

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
