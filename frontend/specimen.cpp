// Specimens: the fields, the posed creatures, sampling and marching tetrahedra.
//
// Index
//   [SECTION] Distance helpers
//   [SECTION] Fields
//   [SECTION] Sources
//   [SECTION] Sampling
//   [SECTION] Marching tetrahedra
//   [SECTION] Retry rule
#include "frontend/specimen.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "raymath.h"
#include "world/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

// [SECTION] Distance helpers

static float SMin(float a, float b, float k)
{
    k = std::fmax(k, 0.0001f);
    float h = ClampSafe(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
    return b + (a - b) * h - k * h * (1.0f - h);
}

// The ellipsoid bound (k0 - 1) k0 / k1 of radii r around the origin.
static float Ellipsoid(Vector3 q, Vector3 r)
{
    r = {std::fmax(r.x, 0.001f), std::fmax(r.y, 0.001f), std::fmax(r.z, 0.001f)};
    float k0 = Vector3Length({q.x / r.x, q.y / r.y, q.z / r.z});
    float k1 = Vector3Length({q.x / (r.x * r.x), q.y / (r.y * r.y), q.z / (r.z * r.z)});
    if (k1 <= 1e-4f) return -std::fmin(r.x, std::fmin(r.y, r.z));
    return (k0 - 1.0f) * k0 / k1;
}

// Distance to the segment a-b minus its radius.
static float Tube(Vector3 p, Vector3 a, Vector3 b, float radius)
{
    Vector3 ba = b - a;
    float length2 = Vector3DotProduct(ba, ba);
    float t = length2 > 0.0f ? ClampSafe(Vector3DotProduct(p - a, ba) / length2, 0.0f, 1.0f) : 0.0f;
    return Vector3Length(p - (a + ba * t)) - radius;
}

// A segment whose radius runs linearly from ra to rb, its distance corrected for the slope.
static float TaperedTube(Vector3 p, Vector3 a, Vector3 b, float ra, float rb)
{
    Vector3 ba = b - a;
    float length2 = Vector3DotProduct(ba, ba);
    float t = length2 > 0.0f ? ClampSafe(Vector3DotProduct(p - a, ba) / length2, 0.0f, 1.0f) : 0.0f;
    float d = Vector3Length(p - (a + ba * t)) - (ra + (rb - ra) * t);
    float slope = length2 > 0.0f ? (rb - ra) / std::sqrt(length2) : 0.0f;
    return d / std::sqrt(1.0f + slope * slope);
}

// [SECTION] Fields

// The hook's polyline: P_0, then P_1..P_28 round a circle of 0.59 about (0, 1.75).
struct HookPoints {
    Vector3 p[29];
};

static const HookPoints &Hook()
{
    static const HookPoints hook = [] {
        HookPoints h{};
        h.p[0] = {-0.56f, 1.95f, 0.0f};
        for (int i = 1; i <= 28; i++) {
            float a = (160.0f - (float)i * 270.0f / 28.0f) * (3.14159265f / 180.0f);
            h.p[i] = {0.59f * std::cos(a), 1.75f + 0.58f * std::sin(a), 0.025f * std::sin(0.42f * (float)i)};
        }
        return h;
    }();
    return hook;
}

// The hook's nearest chords lie at the point's own angle round the circle, or at the hook's two
// ends: testing those, not all 28, gives the same distance everywhere but near the circle's axis,
// more than 0.3 from any clay, where it may read a few millimetres long.
static float HookDistance(Vector3 p)
{
    const HookPoints &h = Hook();
    float theta = std::atan2(p.y - 1.75f, p.x) * (180.0f / 3.14159265f);
    if (theta > 160.0f) theta -= 360.0f;
    int s = (int)std::floor((160.0f - theta) / (270.0f / 28.0f));
    float d = 1e9f;
    auto chord = [&](int i) { d = std::fmin(d, Tube(p, h.p[i], h.p[i + 1], 0.205f)); };
    for (int i : {0, 1, 26, 27}) chord(i);
    for (int i = std::max(s - 2, 2); i <= std::min(s + 2, 25); i++) chord(i);
    return d;
}

float SpecimenQuestionField(Vector3 p)
{
    const HookPoints &h = Hook();
    Vector3 bend = {-0.015f, 0.93f, 0.0f};
    float d = HookDistance(p);
    d = std::fmin(d, Tube(p, h.p[28], bend, 0.2f));
    d = std::fmin(d, Tube(p, bend, {-0.015f, 0.74f, 0.0f}, 0.2f));
    return std::fmin(d, Vector3Length(p - Vector3{-0.015f, 0.2f, 0.0f}) - 0.215f);
}

// One leg at p: the limb curve as three tapered chords (radius 1.2 -> 0.85 x the limb radius
// w), blended by golem growth g into the straight golem leg from hip to foot.
static float Leg(const MudLegPose &legs, int leg, float w, float g, Vector3 p)
{
    Vector3 hip = legs.hip[leg], knee = legs.knee[leg], foot = legs.foot[leg];
    float straight = g > 0.001f ? TaperedTube(p, hip, foot, 1.2f * w, 0.85f * w) : 0.0f;
    if (g >= 0.999f) return straight;
    float curved = 1e9f;
    for (int i = 0; i < 3; i++) {
        float t0 = (float)i / 3.0f, t1 = (float)(i + 1) / 3.0f;
        Vector3 a = MudGaitLimbPoint(hip, knee, foot, t0), b = MudGaitLimbPoint(hip, knee, foot, t1);
        curved = std::fmin(curved, TaperedTube(p, a, b, (1.2f - 0.35f * t0) * w, (1.2f - 0.35f * t1) * w));
    }
    return g > 0.001f ? curved + (straight - curved) * g : curved;
}

float SpecimenCreatureField(const SpecimenSource &source, Vector3 p)
{
    const MudSlot &s = source.slot;
    float S = MudBodyScale(s);
    Vector3 radii = s.scale * S;
    // The body frame: x sideways, z forward along the heading.
    Vector3 d = p - s.position;
    float sy = std::sin(s.yaw), cy = std::cos(s.yaw);
    Vector3 q = {d.x * cy - d.z * sy, d.y, d.x * sy + d.z * cy};
    float field = Ellipsoid(q, radii);

    // The bun's skirt: three lobes round its foot, gone once legs grow.
    float skirt = Smoothstep((s.scale.y - 0.14f) / 0.28f) * (1.0f - Smoothstep(s.walkerGrowth));
    if (skirt > 0.01f) {
        Vector3 lobe = {0.46f * radii.x * skirt, 0.38f * radii.y * skirt, 0.46f * radii.z * skirt};
        for (int j = 0; j < 3; j++) {
            float a = 2.094f * (float)j + s.phase;
            Vector3 offset = {0.62f * radii.x * std::cos(a), -0.5f * radii.y, 0.62f * radii.z * std::sin(a)};
            field = SMin(field, Ellipsoid(q - offset, lobe), 0.2f * S * skirt);
        }
    }

    if (source.hasLegs) {
        float g = Smoothstep(s.golemGrowth);
        float w = source.legs.radius * source.legs.visibility;
        float legs = SMin(Leg(source.legs, 0, w, g, p), Leg(source.legs, 1, w, g, p), S * (0.55f - 0.37f * g));
        field = SMin(field, legs, (0.65f - 0.45f * g) * S);
    }
    return field;
}

float SpecimenField(const SpecimenSource &source, Vector3 p)
{
    return source.kind == SPECIMEN_QUESTION ? SpecimenQuestionField(p) : SpecimenCreatureField(source, p);
}

// [SECTION] Sources

// A fresh creature of the kind, played until it stands in its named state, then posed at the
// origin: yaw 0, no gait or arm swing, a fixed animation phase.
static bool PoseCreature(int kind, SpecimenSource &out)
{
    std::unique_ptr<MudPool> pool(new (std::nothrow) MudPool);
    if (!pool) return false;
    MudPoolReset(*pool, 0);
    int index;
    if (kind == SPECIMEN_ROLLER) {
        Vector3 at = {0.0f, 0.0f, 0.0f};
        index = MudPoolSpawnRoller(*pool, at, {0.0f, 0.0f, 0.0f}, 0.8f);
    } else {
        static const float MASS[3] = {3.0f, 6.0f, 9.0f};
        index = MudPoolSpawn(*pool, {0.0f, 0.0f, 0.0f}, true, MASS[kind], MUD_UNIT_SIZE, false);
        int wanted = kind == SPECIMEN_BUN ? MUD_RESTING : MUD_WALKING;
        // Out of the ground and into its state within a few simulated seconds; the player
        // stands where it was born, so it has nowhere to go.
        for (int frame = 0; index >= 0 && frame < 600 && pool->slots[index].state != wanted; frame++)
            MudPoolUpdate(*pool, pool->slots[index].spawnPoint, 1.0f / 60.0f);
        if (index >= 0 && pool->slots[index].state != wanted) index = -1;
    }
    if (index < 0) return false;

    MudSlot &s = pool->slots[index];
    s.position.x = s.position.z = 0.0f;
    s.yaw = 0.0f;
    s.gaitWeight = 0.0f;
    s.armLag = s.armLagVelocity = 0.0f;
    s.phase = s.gaitPhase = kind == SPECIMEN_GOLEM ? 3.42f : 1.71f;
    s.spray = 0.0f;
    if (kind == SPECIMEN_ROLLER) {
        s.position.y = TerrainHeight(0.0f, 0.0f) + s.size;
    } else {
        // At rest the body's height above the ground is its rest height: the same at the origin.
        s.scale = MudRestShape(s);
        s.position.y = MudRestHeight(s, s.scale.y);
    }
    s.previousPosition = s.endPosition = s.position;
    out.slot = s;
    bool valid = false;
    out.legs = MudGaitLegPose(s, &valid);
    out.hasLegs = valid && out.legs.visibility > 0.001f;
    return true;
}

bool SpecimenPrepare(int kind, SpecimenSource &source)
{
    source = SpecimenSource{};
    if (kind < 0 || kind >= SPECIMEN_COUNT) return false;
    source.kind = kind;
    // The question mark borrows the bun's frame for its shading and its growth step.
    if (!PoseCreature(kind == SPECIMEN_QUESTION ? SPECIMEN_BUN : kind, source)) return false;
    const MudSlot &s = source.slot;
    float R = MudBodyRadius(s), S = MudBodyScale(s);
    source.growStep = SPECIMEN_GROW * R;
    source.headCenter = s.position;
    source.headRadii = s.scale * S;
    source.golem = ClampSafe(s.golemGrowth, 0.0f, 1.0f);
    source.hasEyes = kind <= SPECIMEN_GOLEM ? 1.0f : 0.0f;
    if (kind == SPECIMEN_QUESTION) {
        source.boxMin = {-0.95f, -0.08f, -0.4f};
        source.boxMax = {0.95f, 2.6f, 0.4f};
    } else {
        source.boxMin = {-1.95f * R, TerrainHeight(0.0f, 0.0f) - 0.2f * R, -1.5f * R};
        source.boxMax = {1.95f * R, s.position.y + S * s.scale.y + 0.55f * R, 1.5f * R};
    }
    return true;
}

// [SECTION] Sampling

namespace {

// The sampled grid of one box: values and their gradients.
struct Grid {
    float *value;
    Vector3 *gradient;
    Vector3 origin, step;
};

constexpr int NX = SPECIMEN_GRID_X, NY = SPECIMEN_GRID_Y, NZ = SPECIMEN_GRID_Z;

inline int At(int x, int y, int z) { return (z * NY + y) * NX + x; }

} // namespace

// Samples the box; true when some sample on its faces is inside or on the surface.
static bool Sample(const SpecimenSource &source, Grid &grid, Vector3 lo, Vector3 hi)
{
    grid.origin = lo;
    grid.step = {(hi.x - lo.x) / (float)(NX - 1), (hi.y - lo.y) / (float)(NY - 1), (hi.z - lo.z) / (float)(NZ - 1)};
    bool touched = false;
    for (int z = 0; z < NZ; z++)
        for (int y = 0; y < NY; y++)
            for (int x = 0; x < NX; x++) {
                Vector3 p = {lo.x + grid.step.x * (float)x, lo.y + grid.step.y * (float)y, lo.z + grid.step.z * (float)z};
                float v = SpecimenField(source, p);
                if (!IsFinite(v)) v = 1.0f;   // a broken sample counts as outside, never as clay
                grid.value[At(x, y, z)] = v;
                bool face = x == 0 || y == 0 || z == 0 || x == NX - 1 || y == NY - 1 || z == NZ - 1;
                if (face && v <= 0.0f) touched = true;
            }
    return touched;
}

// Central differences inside, one-sided on the faces.
static void Gradients(Grid &grid)
{
    auto diff = [&](int i, int count, int stride, int index, float h) {
        int a = i > 0 ? index - stride : index, b = i < count - 1 ? index + stride : index;
        return (grid.value[b] - grid.value[a]) / ((float)((b - a) / stride) * h);
    };
    for (int z = 0; z < NZ; z++)
        for (int y = 0; y < NY; y++)
            for (int x = 0; x < NX; x++) {
                int i = At(x, y, z);
                Vector3 g = {diff(x, NX, 1, i, grid.step.x), diff(y, NY, NX, i, grid.step.y),
                             diff(z, NZ, NX * NY, i, grid.step.z)};
                float length = Vector3Length(g);
                grid.gradient[i] = length > 0.0f && IsFinite(length) ? g / length : g;
            }
}

// [SECTION] Marching tetrahedra

namespace {

struct Corner {
    Vector3 position, normal;
    float value;
};

struct Collector {
    SpecimenMesh *mesh;
    bool failed;
};

} // namespace

static bool Reserve(Collector &c, int more)
{
    SpecimenMesh &m = *c.mesh;
    if (m.vertexCount + more <= m.capacity) return true;
    int capacity = m.capacity > 0 ? m.capacity : SPECIMEN_FIRST_VERTICES;
    while (capacity < m.vertexCount + more) {
        if (capacity > (1 << 26)) return false;
        capacity *= 2;
    }
    float *positions = (float *)std::realloc(m.positions, (size_t)capacity * 3 * sizeof(float));
    if (positions) m.positions = positions;
    float *normals = positions ? (float *)std::realloc(m.normals, (size_t)capacity * 3 * sizeof(float)) : nullptr;
    if (normals) m.normals = normals;
    if (!positions || !normals) return false;
    m.capacity = capacity;
    return true;
}

// The surface point on the edge between an inside and an outside corner.
static Corner EdgeVertex(const Corner &a, const Corner &b)
{
    float denominator = a.value - b.value;
    float t = denominator != 0.0f ? ClampSafe(a.value / denominator, 0.0f, 1.0f) : 0.5f;
    Corner v;
    v.position = Vector3Lerp(a.position, b.position, t);
    v.normal = NormalizeOrZero(Vector3Lerp(a.normal, b.normal, t));
    v.value = 0.0f;
    return v;
}

static void Emit(Collector &c, Corner a, Corner b, Corner v)
{
    if (c.failed) return;
    Vector3 face = Vector3CrossProduct(b.position - a.position, v.position - a.position);
    if (Vector3DotProduct(face, face) < 1e-13f) return;
    // Wound to face out, where the field's gradient points.
    if (Vector3DotProduct(face, a.normal + b.normal + v.normal) < 0.0f) std::swap(b, v);
    if (!Reserve(c, 3)) {
        c.failed = true;
        return;
    }
    SpecimenMesh &m = *c.mesh;
    for (const Corner *k : {&a, &b, &v}) {
        float *p = m.positions + 3 * m.vertexCount, *n = m.normals + 3 * m.vertexCount;
        p[0] = k->position.x, p[1] = k->position.y, p[2] = k->position.z;
        n[0] = k->normal.x, n[1] = k->normal.y, n[2] = k->normal.z;
        m.vertexCount += 1;
    }
}

static void Tetrahedron(Collector &c, const Corner *k[4])
{
    int inside[4], outside[4], ni = 0, no = 0;
    for (int i = 0; i < 4; i++) {
        if (k[i]->value < 0.0f) inside[ni++] = i;
        else outside[no++] = i;
    }
    if (ni == 0 || no == 0) return;
    if (ni == 1 || no == 1) {
        // The lone corner on its side and the three edges that meet at it.
        int lone = ni == 1 ? inside[0] : outside[0];
        const int *others = ni == 1 ? outside : inside;
        Emit(c, EdgeVertex(*k[lone], *k[others[0]]), EdgeVertex(*k[lone], *k[others[1]]),
             EdgeVertex(*k[lone], *k[others[2]]));
        return;
    }
    const Corner &i0 = *k[inside[0]], &i1 = *k[inside[1]], &o0 = *k[outside[0]], &o1 = *k[outside[1]];
    Corner a = EdgeVertex(i0, o0), b = EdgeVertex(i0, o1), d = EdgeVertex(i1, o0), e = EdgeVertex(i1, o1);
    Emit(c, a, b, d);
    Emit(c, b, e, d);
}

static void March(const Grid &grid, Collector &c)
{
    static const int OFFSET[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    static const int TETRA[6][4] = {{0, 5, 1, 6}, {0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 4, 5, 6}};
    for (int z = 0; z + 1 < NZ && !c.failed; z++)
        for (int y = 0; y + 1 < NY; y++)
            for (int x = 0; x + 1 < NX; x++) {
                Corner corner[8];
                int inside = 0;
                for (int k = 0; k < 8; k++) {
                    int gx = x + OFFSET[k][0], gy = y + OFFSET[k][1], gz = z + OFFSET[k][2];
                    int i = At(gx, gy, gz);
                    corner[k].position = {grid.origin.x + grid.step.x * (float)gx, grid.origin.y + grid.step.y * (float)gy,
                                          grid.origin.z + grid.step.z * (float)gz};
                    corner[k].normal = grid.gradient[i];
                    corner[k].value = grid.value[i];
                    inside += corner[k].value < 0.0f;
                }
                if (inside == 0 || inside == 8) continue;
                for (const int *t : TETRA) {
                    const Corner *k[4] = {&corner[t[0]], &corner[t[1]], &corner[t[2]], &corner[t[3]]};
                    Tetrahedron(c, k);
                }
            }
}

SpecimenResult SpecimenPolygonise(const SpecimenSource &source, SpecimenMesh &mesh)
{
    mesh = SpecimenMesh{};
    if (source.kind < 0 || source.kind >= SPECIMEN_COUNT || !IsFinite(source.boxMin) || !IsFinite(source.boxMax))
        return SPECIMEN_BAD_KIND;
    constexpr size_t POINTS = (size_t)NX * NY * NZ;
    Grid grid{};
    std::unique_ptr<float[]> values(new (std::nothrow) float[POINTS]);
    std::unique_ptr<Vector3[]> gradients(new (std::nothrow) Vector3[POINTS]);
    if (!values || !gradients) return SPECIMEN_NO_MEMORY;
    grid.value = values.get();
    grid.gradient = gradients.get();

    Vector3 lo = source.boxMin, hi = source.boxMax;
    float grow = IsFinite(source.growStep) && source.growStep > 0.0f ? source.growStep : 0.0f;
    int samplings = 0;
    bool touched = true;
    while (touched && samplings < SPECIMEN_SAMPLINGS) {
        if (samplings > 0) {
            lo = lo - Vector3{grow, grow, grow};
            hi = hi + Vector3{grow, grow, grow};
        }
        touched = Sample(source, grid, lo, hi);
        samplings += 1;
    }
    if (touched) return SPECIMEN_BOUNDARY;
    Gradients(grid);

    Collector c{&mesh, false};
    if (!Reserve(c, SPECIMEN_FIRST_VERTICES)) c.failed = true;
    if (!c.failed) March(grid, c);
    if (c.failed) {
        SpecimenMeshFree(mesh);
        return SPECIMEN_NO_MEMORY;
    }
    if (mesh.vertexCount == 0) {
        SpecimenMeshFree(mesh);
        return SPECIMEN_EMPTY;
    }
    Vector3 bmin = {mesh.positions[0], mesh.positions[1], mesh.positions[2]}, bmax = bmin;
    for (int i = 1; i < mesh.vertexCount; i++) {
        Vector3 p = {mesh.positions[3 * i], mesh.positions[3 * i + 1], mesh.positions[3 * i + 2]};
        bmin = Vector3Min(bmin, p);
        bmax = Vector3Max(bmax, p);
    }
    mesh.boundsMin = bmin;
    mesh.boundsMax = bmax;
    mesh.centre = (bmin + bmax) * 0.5f;
    Vector3 size = bmax - bmin;
    mesh.largestSide = std::fmax(size.x, std::fmax(size.y, size.z));
    mesh.samplings = samplings;
    mesh.headCenter = source.headCenter;
    mesh.headRadii = source.headRadii;
    mesh.golem = source.golem;
    mesh.hasEyes = source.hasEyes;
    return SPECIMEN_OK;
}

SpecimenResult SpecimenBuild(int kind, SpecimenMesh &mesh)
{
    mesh = SpecimenMesh{};
    SpecimenSource source;
    if (!SpecimenPrepare(kind, source)) return SPECIMEN_BAD_KIND;
    return SpecimenPolygonise(source, mesh);
}

void SpecimenMeshFree(SpecimenMesh &mesh)
{
    std::free(mesh.positions);
    std::free(mesh.normals);
    mesh = SpecimenMesh{};
}

// [SECTION] Retry rule

bool SpecimenGateMayTry(const SpecimenGate &gate) { return !gate.ready && gate.tries < SPECIMEN_TRIES; }

bool SpecimenGateFailed(SpecimenGate &gate)
{
    if (gate.tries < 255) gate.tries += 1;
    return gate.tries == 1;
}

bool SpecimenBuildGated(const SpecimenSource &source, SpecimenGate &gate, SpecimenMesh &mesh)
{
    if (!SpecimenGateMayTry(gate)) return false;
    SpecimenResult result = SpecimenPolygonise(source, mesh);
    if (result == SPECIMEN_OK) return true;
    if (SpecimenGateFailed(gate)) {
        if (result == SPECIMEN_BOUNDARY)
            TraceLog(LOG_ERROR, "BESTIARY: Specimen %d reached its sampling boundary", source.kind);
        else if (result == SPECIMEN_NO_MEMORY)
            TraceLog(LOG_ERROR, "BESTIARY: Specimen %d ran out of memory", source.kind);
        else
            TraceLog(LOG_ERROR, "BESTIARY: Specimen %d has no surface", source.kind);
    }
    return false;
}

bool SpecimenBuildKindGated(int kind, SpecimenGate &gate, SpecimenMesh &mesh)
{
    if (!SpecimenGateMayTry(gate)) return false;
    SpecimenSource source;
    if (SpecimenPrepare(kind, source)) return SpecimenBuildGated(source, gate, mesh);
    if (SpecimenGateFailed(gate)) TraceLog(LOG_ERROR, "BESTIARY: Specimen %d could not be posed", kind);
    return false;
}
