// Canyon rocks, CPU half: contour, rock noise, profile, chunk geometry and visibility.
//
// Index
//   [SECTION] Contour
//   [SECTION] Rock noise
//   [SECTION] Rock points
//   [SECTION] Chunks
//   [SECTION] Visibility
#include "world/canyon.h"

#include "common/maths.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>
#include <cstdint>

// [SECTION] Contour

static constexpr float HALF_PI_F = 1.57079637f;
static constexpr float PI_F = 3.14159274f;

static const float SEGMENT_LENGTHS[CANYON_SEGMENT_COUNT] = {
    240.0f,                 // -x wall, from (-128, 128) toward -z
    16.0f * HALF_PI_F,      // (-x, -z) arc, radius 16
    240.0f,                 // -z wall, from (-112, -128) toward +x
    232.0f,                 // +x wall, from (128, -128) toward +z
    24.0f * HALF_PI_F,      // (+x, +z) arc, radius 24
    232.0f,                 // +z wall, from (104, 128) toward -x
};

float CanyonSegmentLength(int segment)
{
    return segment >= 0 && segment < CANYON_SEGMENT_COUNT ? SEGMENT_LENGTHS[segment] : 0.0f;
}

// Moves s into its segment's range [0, length): onward into the next segments, back into the
// previous ones. A few rounds cover every parameter the chunks ask for.
static void ResolveParameter(int &segment, float &s)
{
    if (segment < 0 || segment >= CANYON_SEGMENT_COUNT) segment = 0;
    if (!IsFinite(s)) s = 0.0f;
    for (int round = 0; round < 2 * CANYON_SEGMENT_COUNT; round++) {
        if (s >= SEGMENT_LENGTHS[segment]) {
            s -= SEGMENT_LENGTHS[segment];
            segment = (segment + 1) % CANYON_SEGMENT_COUNT;
        } else if (s < 0.0f) {
            segment = (segment + CANYON_SEGMENT_COUNT - 1) % CANYON_SEGMENT_COUNT;
            s += SEGMENT_LENGTHS[segment];
        } else {
            return;
        }
    }
    s = ClampSafe(s, 0.0f, SEGMENT_LENGTHS[segment]);
}

CanyonRim CanyonContour(int segment, float s)
{
    ResolveParameter(segment, s);
    CanyonRim rim{};
    switch (segment) {
    case 0:
        rim = {{-128.0f, 128.0f - s}, {-1.0f, 1.0f - Smoothstep(s / 8.0f)}, 1.0f};
        break;
    case 1: {
        if (s == 0.0f) {
            // The float cosine and sine of pi miss the wall's direction by a few ulps.
            rim = {{-128.0f, -112.0f}, {-1.0f, 0.0f}, 1.0f};
            break;
        }
        float a = PI_F + s / 16.0f;
        float c = std::cos(a), n = std::sin(a);
        rim = {{-112.0f + 16.0f * c, -112.0f + 16.0f * n}, {c, n}, 1.0f};
        break;
    }
    case 2:
        rim = {{s - 112.0f, -128.0f}, {1.0f - Smoothstep((240.0f - s) / 8.0f), -1.0f}, 1.0f};
        break;
    case 3:
        rim = {{128.0f, s - 128.0f}, {1.0f, Smoothstep(s / 8.0f) - 1.0f}, 1.0f - Smoothstep((s - 6.0f) / 28.0f)};
        break;
    case 4: {
        if (s == 0.0f) {
            rim = {{128.0f, 104.0f}, {1.0f, 0.0f}, 0.0f};
            break;
        }
        float a = s / 24.0f;
        float c = std::cos(a), n = std::sin(a);
        rim = {{104.0f + 24.0f * c, 104.0f + 24.0f * n}, {c, n}, 0.0f};
        break;
    }
    default:
        rim = {{104.0f - s, 128.0f}, {Smoothstep((232.0f - s) / 8.0f) - 1.0f, 1.0f},
               1.0f - Smoothstep((232.0f - s - 6.0f) / 28.0f)};
        break;
    }
    return rim;
}

// [SECTION] Rock noise

// The rock noise differs from the terrain's only in its corner seeds (741103597 and the same
// three steps beyond it, against 1013904223). Shifting the lattice by a whole cell vector moves
// the terrain's seeds onto the rock's, so its corner values are terrain lattice values, which the
// terrain noise returns exactly at integer coordinates.
static constexpr int ROCK_SHIFT_A = -12223;
static constexpr int ROCK_SHIFT_B = 28147;
static_assert((uint32_t)ROCK_SHIFT_A * 374761393u + (uint32_t)ROCK_SHIFT_B * 668265263u == 741103597u - 1013904223u,
              "the lattice shift must carry the terrain's corner seeds onto the rock's");

static constexpr float ROCK_NOISE_LIMIT = 4194304.0f;   // 2^22: shifted lattice indices stay exact floats

static float RockCorner(float ia, float ib)
{
    return TerrainValueNoise(ia + (float)ROCK_SHIFT_A, ib + (float)ROCK_SHIFT_B);
}

float CanyonRockNoise(float a, float b)
{
    if (!(std::fabs(a) < ROCK_NOISE_LIMIT) || !(std::fabs(b) < ROCK_NOISE_LIMIT)) return 0.0f;   // also NaN
    float ia = std::floor(a), ib = std::floor(b);
    float sa = Smoothstep(a - ia), sb = Smoothstep(b - ib);
    float c00 = RockCorner(ia, ib), c10 = RockCorner(ia + 1.0f, ib);
    float c01 = RockCorner(ia, ib + 1.0f), c11 = RockCorner(ia + 1.0f, ib + 1.0f);
    return Lerp(Lerp(c00, c10, sa), Lerp(c01, c11, sa), sb);
}

// [SECTION] Rock points

static const float CLIFF_REACH[CANYON_PROFILE_POINTS] = {-0.58f, -0.23f, 0.04f, 0.25f, 0.65f, 1.2f, 2.0f, 3.3f,
                                                         5.2f, 8.4f, 15.0f, 26.0f, 34.0f, 43.0f, 54.0f};
static const float HEIGHT_SHAPE[CANYON_PROFILE_POINTS] = {0.0f, 0.0f, 0.045f, 0.14f, 0.29f, 0.47f, 0.65f, 0.82f,
                                                          0.96f, 1.0f, 0.96f, 1.04f, 1.02f, 1.0f, 1.0f};
static const float RELIEF[CANYON_PROFILE_POINTS] = {0.0f, 0.0f, 0.025f, 0.6f, 0.86f, 1.0f, 1.0f, 1.0f,
                                                    0.88f, 0.7f, 0.3f, 0.0f, 0.0f, 0.0f, 0.0f};
static const float EDGE_REACH[CANYON_PROFILE_POINTS] = {-0.58f, -0.09f, 0.16f, 0.43f, 0.74f, 1.1f, 1.5f, 2.0f,
                                                        2.6f, 3.2f, 3.9f, 4.7f, 5.8f, 7.2f, 9.0f};
static const float DROP_HEIGHT[CANYON_PROFILE_POINTS] = {-0.24f, 0.035f, 0.025f, -0.92f, -2.0f, -4.0f, -6.6f, -9.4f,
                                                         -12.3f, -15.7f, -19.0f, -22.0f, -35.0f, -52.0f, -72.0f};

// Everything about a rock column that depends only on where it stands on the rim.
struct RimColumn {
    CanyonRim rim;
    float c;          // rim coordinate 0.71 R.x + 0.53 R.z
    float prominence; // G
    float lip;        // A: lip roughness
    float floorNoise; // B
    float footing;    // F
    float spur;       // f: 1 near the square corners (-128, 128) and (128, -128), 0 far away
    float exponent;   // of the height shape
    float scale;      // cliff height, metres
    float ground;     // terrain height at R
};

// The rim is immutable for the whole program, so it stands on the bare ground: the soil a run
// later piles up must not reach it (and is not there when start-up builds it).
static float Ground(float x, float z) { return TerrainBaseHeight(x, z); }

static RimColumn Column(int segment, float s)
{
    typedef float (*Noise)(float, float);
    const Noise N = CanyonRockNoise;
    RimColumn col{};
    col.rim = CanyonContour(segment, s);
    Vector2 R = col.rim.point;
    float c = 0.71f * R.x + 0.53f * R.y;
    col.c = c;
    col.prominence = Smoothstep((0.22f * N(1.12f * c, 61.0f) + 0.78f * N(0.52f * c, 43.0f) - 0.24f) / 0.54f);
    col.lip = ClampSafe(0.12f * N(1.43f * c, 117.0f) + 0.88f * Smoothstep((N(0.62f * c, 83.0f) - 0.28f) / 0.44f), 0.0f, 1.0f);
    col.floorNoise = 0.76f * N(0.18f * R.x + 31.0f, 0.18f * R.y - 17.0f) + 0.24f * N(0.53f * R.x - 11.0f, 0.53f * R.y + 47.0f);
    col.footing = 1.28f * Smoothstep((col.floorNoise - 0.18f) / 0.64f) + 0.12f;
    float d = std::fmin(Vector2Distance(R, {-128.0f, 128.0f}), Vector2Distance(R, {128.0f, -128.0f}));
    col.spur = 1.0f - Smoothstep((d - 12.0f) / 52.0f);
    col.exponent = (N(0.12f * c, 37.0f) - 0.5f) * 0.16f + (col.prominence - 0.5f) * 0.72f + 1.06f;
    col.scale = 6.5f + 4.9f * N(0.099f * c, 7.0f) + 1.6f * N(0.32f * c, 11.0f);
    col.ground = Ground(R.x, R.y);
    return col;
}

static Vector3 ColumnPoint(const RimColumn &col, int k)
{
    const float w = col.rim.weight, A = col.lip, B = col.floorNoise, G = col.prominence, F = col.footing;
    const float f = col.spur;
    float g = CanyonRockNoise(1.03f * col.c, 0.18f * (float)k + 19.0f);
    float h = CanyonRockNoise(0.27f * col.c, 0.21f * (float)k + 29.0f);
    float o = std::sin((float)(k < 11 ? k : 11) * PI_F / 11.0f);

    float E;
    if (k == 0) E = Lerp(-0.65f - 0.65f * A, -0.5f - 1.65f * A, w);
    else if (k == 1) E = Lerp(-0.2f - 0.45f * A, -0.12f - 1.5f * A, w);
    else if (k == 2) E = Lerp(F, 0.35f * B + 0.04f, w);
    else
        E = std::exp(0.2f * (float)(2 - k)) * (1.0f - w) * F
          + (3.1f * G * G + 0.27f * g + 0.16f * h) * Lerp(0.42f * o, RELIEF[k], w) + Lerp(EDGE_REACH[k], CLIFF_REACH[k], w);
    if (k == 10) E += 18.0f * f * w;
    if (k > 10) E += 64.0f * f * w;

    Vector2 xz = col.rim.point + col.rim.outward * E;
    float y;
    if (k < 3) {
        float H = Ground(xz.x, xz.y);
        if (k == 0) y = H - 0.24f;
        else if (k == 1) y = H + Lerp(0.025f + 0.055f * A, 0.18f * A - 0.04f, w);
        else y = H + Lerp(0.025f + 0.08f * B, 0.085f * A + 0.065f, w);
    } else {
        float H = col.ground;
        float X = ((g - 0.5f) * 0.23f + (G - 0.5f) * 0.76f) * o + DROP_HEIGHT[k];
        float Q = std::pow(HEIGHT_SHAPE[k], col.exponent) * col.scale;
        y = H + Lerp(X, ((h - 0.5f) * 0.3f + (g - 0.5f) * 0.26f) * o + Q, w);
        // Near the corners the spurs fall off into the drop.
        if (k > 11) y = Lerp(y, H + X, Smoothstep((float)(k - 11) / 3.0f) * f);
    }
    return {xz.x, y, xz.y};
}

Vector3 CanyonRockPoint(int segment, float s, int k)
{
    return ColumnPoint(Column(segment, s), ClampInt(k, 0, CANYON_PROFILE_POINTS - 1));
}

// The full profile at one rim parameter.
static CanyonRim Profile(int segment, float s, Vector3 points[CANYON_PROFILE_POINTS])
{
    RimColumn col = Column(segment, s);
    for (int k = 0; k < CANYON_PROFILE_POINTS; k++) points[k] = ColumnPoint(col, k);
    return col.rim;
}

// [SECTION] Chunks

int CanyonChunkSpans(CanyonChunkSpan *spans, int capacity)
{
    int count = 0;
    for (int segment = 0; segment < CANYON_SEGMENT_COUNT; segment++) {
        float length = SEGMENT_LENGTHS[segment];
        for (int piece = 0;; piece++) {
            float start = (float)piece * CANYON_CHUNK_LENGTH;
            if (length - start < CANYON_CHUNK_MIN_LENGTH) break;
            if (count >= capacity) return count;
            spans[count++] = {segment, start, std::fmin(CANYON_CHUNK_LENGTH, length - start)};
        }
    }
    return count;
}

static Vector3 UnitOrZero(Vector3 v)
{
    float length = Vector3Length(v);
    return length > 0.0f ? v * (1.0f / length) : Vector3{0.0f, 0.0f, 0.0f};
}

// One row of grid points at rim parameter s of a segment.
static void GridRow(int segment, float s, CanyonGridPoint row[CANYON_PROFILE_POINTS])
{
    Vector3 here[CANYON_PROFILE_POINTS], ahead[CANYON_PROFILE_POINTS], behind[CANYON_PROFILE_POINTS];
    CanyonRim rim = Profile(segment, s, here);
    Profile(segment, s + CANYON_TANGENT_STEP, ahead);
    Profile(segment, s - CANYON_TANGENT_STEP, behind);
    for (int k = 0; k < CANYON_PROFILE_POINTS; k++) {
        Vector3 across = {0.0f, 0.0f, 0.0f};
        if (k > 0) across = across + UnitOrZero(here[k] - here[k - 1]);
        if (k + 1 < CANYON_PROFILE_POINTS) across = across + UnitOrZero(here[k + 1] - here[k]);
        Vector3 along = ahead[k] - behind[k];
        // Along the rim, then outward: the normal faces the arena and the sky.
        Vector3 normal = UnitOrZero(Vector3CrossProduct(along, across));
        if (normal.x == 0.0f && normal.y == 0.0f && normal.z == 0.0f) normal = {0.0f, 1.0f, 0.0f};
        float t = 0.94f + 0.06f * CanyonRockNoise(0.31f * (rim.point.x + rim.point.y), 0.16f * here[k].y + 11.0f);
        unsigned char grey = (unsigned char)ClampInt((int)(t * 255.0f + 0.5f), 0, 255);
        row[k] = {here[k], normal, rim.point, {grey, grey, grey, 255}};
    }
}

void CanyonChunkGrid(const CanyonChunkSpan *spans, int count, int index,
                     CanyonGridPoint grid[CANYON_CHUNK_ROWS][CANYON_PROFILE_POINTS])
{
    if (!spans || count <= 0) return;
    index = ClampInt(index, 0, count - 1);
    const CanyonChunkSpan &span = spans[index];
    const CanyonChunkSpan &next = spans[(index + 1) % count];
    for (int i = 0; i < CANYON_CHUNK_ROWS; i++) {
        // The border row is the next chunk's first row, evaluated the same way: s0 + 10 x
        // length / 10 need not round to the next start, and a segment's end belongs to the next.
        if (i + 1 < CANYON_CHUNK_ROWS)
            GridRow(span.segment, span.start + (float)i * span.length / (float)(CANYON_CHUNK_ROWS - 1), grid[i]);
        else
            GridRow(next.segment, next.start, grid[i]);
    }
}

static void PutVertex(CanyonChunkArrays out, int v, const CanyonGridPoint &p)
{
    out.positions[v * 3 + 0] = p.position.x;
    out.positions[v * 3 + 1] = p.position.y;
    out.positions[v * 3 + 2] = p.position.z;
    out.normals[v * 3 + 0] = p.normal.x;
    out.normals[v * 3 + 1] = p.normal.y;
    out.normals[v * 3 + 2] = p.normal.z;
    out.texcoords[v * 2 + 0] = p.foot.x;
    out.texcoords[v * 2 + 1] = p.foot.y;
    out.colors[v * 4 + 0] = p.tint.r;
    out.colors[v * 4 + 1] = p.tint.g;
    out.colors[v * 4 + 2] = p.tint.b;
    out.colors[v * 4 + 3] = p.tint.a;
}

static CanyonBounds GridBounds(const CanyonGridPoint grid[CANYON_CHUNK_ROWS][CANYON_PROFILE_POINTS])
{
    CanyonBounds b{};
    b.min = b.max = grid[0][0].position;
    for (int i = 0; i < CANYON_CHUNK_ROWS; i++) {
        for (int k = 0; k < CANYON_PROFILE_POINTS; k++) {
            b.min = Vector3Min(b.min, grid[i][k].position);
            b.max = Vector3Max(b.max, grid[i][k].position);
        }
    }
    b.centre = (b.min + b.max) * 0.5f;
    b.radius = 0.5f * Vector3Distance(b.min, b.max);
    return b;
}

CanyonBounds CanyonBuildChunk(const CanyonChunkSpan *spans, int count, int index, CanyonChunkArrays out)
{
    CanyonGridPoint grid[CANYON_CHUNK_ROWS][CANYON_PROFILE_POINTS];
    CanyonChunkGrid(spans, count, index, grid);
    if (out.positions && out.normals && out.texcoords && out.colors) {
        int v = 0;
        for (int i = 0; i + 1 < CANYON_CHUNK_ROWS; i++) {
            for (int k = 0; k + 1 < CANYON_PROFILE_POINTS; k++) {
                const CanyonGridPoint &a = grid[i][k], &b = grid[i + 1][k];
                const CanyonGridPoint &c = grid[i + 1][k + 1], &d = grid[i][k + 1];
                if (((i + k) & 1) == 0) {
                    const CanyonGridPoint *tris[6] = {&a, &b, &c, &a, &c, &d};
                    for (const CanyonGridPoint *p : tris) PutVertex(out, v++, *p);
                } else {
                    const CanyonGridPoint *tris[6] = {&a, &b, &d, &b, &c, &d};
                    for (const CanyonGridPoint *p : tris) PutVertex(out, v++, *p);
                }
            }
        }
    }
    return GridBounds(grid);
}

int CanyonComputeBounds(CanyonBounds *bounds, int capacity)
{
    CanyonChunkSpan spans[CANYON_CHUNK_CAPACITY];
    int count = CanyonChunkSpans(spans, CANYON_CHUNK_CAPACITY);
    if (count > capacity) count = capacity;
    CanyonGridPoint grid[CANYON_CHUNK_ROWS][CANYON_PROFILE_POINTS];
    for (int i = 0; i < count; i++) {
        CanyonChunkGrid(spans, count, i, grid);
        bounds[i] = GridBounds(grid);
    }
    return count;
}

// [SECTION] Visibility

bool CanyonRimOutOfView(const Camera3D &camera, int width, int height)
{
    if (width <= 0 || height <= 0) return true;
    float viewHeight = camera.fovy;
    float inner = ARENA_HALF_SIZE - (viewHeight * (float)width / (float)height + 42.0f);
    return inner > std::fabs(camera.target.x) && inner > std::fabs(camera.target.z);
}

bool CanyonSphereInView(const CanyonBounds &bounds, const Camera3D &camera, int width, int height)
{
    if (width <= 0 || height <= 0) return false;
    Vector3 f = Vector3Normalize(camera.target - camera.position);
    Vector3 r = Vector3Normalize(Vector3CrossProduct(camera.up, f));
    Vector3 u = Vector3CrossProduct(f, r);
    Vector3 d = bounds.centre - camera.position;
    float viewHeight = camera.fovy;
    if (std::fabs(Vector3DotProduct(d, r)) > bounds.radius + viewHeight * (float)width / (2.0f * (float)height)) return false;
    if (std::fabs(Vector3DotProduct(d, u)) > bounds.radius + viewHeight * 0.5f) return false;
    return Vector3DotProduct(d, f) >= -bounds.radius;
}

int CanyonVisibleChunks(const Canyon &canyon, const Camera3D &camera, int width, int height, int *out, int capacity)
{
    if (!canyon.ready || width <= 0 || height <= 0 || !out || capacity <= 0) return 0;
    if (!IsFinite(camera.position) || !IsFinite(camera.target) || !IsFinite(camera.up) || !(camera.fovy > 0.0f) ||
        !IsFinite(camera.fovy))
        return 0;
    if (CanyonRimOutOfView(camera, width, height)) return 0;
    int n = 0;
    for (int i = 0; i < canyon.count && n < capacity; i++) {
        if (CanyonSphereInView(canyon.bounds[i], camera, width, height)) out[n++] = i;
    }
    return n;
}
