// Canyon rocks: the rock noise against the seeded formula, the chunk layout and its seams, where
// the rock stands along the outline, and the culling against the sphere test and the geometry.
#include "world/canyon.h"

#include "render/canyon_gpu.h"
#include "world/camera.h"
#include "raymath.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The rock noise the slow obvious way: the terrain's lattice hash with the rock's corner seeds.
float PlainRockNoise(float a, float b)
{
    auto hash = [](uint32_t n) {
        uint32_t m = (n ^ (n >> 13)) * 1274126177u;
        return (float)((m >> 8) ^ (m >> 24)) * (1.0f / 16777216.0f);
    };
    float ia = std::floor(a), ib = std::floor(b);
    uint32_t e = (uint32_t)(int64_t)ia * 374761393u + (uint32_t)(int64_t)ib * 668265263u;
    float c00 = hash(e + 741103597u), c10 = hash(e + 1115864990u);
    float c01 = hash(e + 1409368860u), c11 = hash(e + 1784130253u);
    float fa = a - ia, fb = b - ib;
    float sa = (3.0f - 2.0f * fa) * fa * fa, sb = (3.0f - 2.0f * fb) * fb * fb;
    float l0 = c00 + (c10 - c00) * sa, l1 = c01 + (c11 - c01) * sa;
    return l0 + (l1 - l0) * sb;
}

struct Chunks {
    CanyonChunkSpan spans[CANYON_CHUNK_CAPACITY];
    int count;
};

Chunks Layout()
{
    Chunks c{};
    c.count = CanyonChunkSpans(c.spans, CANYON_CHUNK_CAPACITY);
    return c;
}

using Grid = CanyonGridPoint[CANYON_CHUNK_ROWS][CANYON_PROFILE_POINTS];

Camera3D ViewOf(float x, float z, float zoom)
{
    FollowCamera follow{};
    follow.viewHeight = zoom;
    CameraFollow(follow, {x, 0.0f, z}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return CameraToRaylib(follow);
}

const Canyon &Bounded()
{
    static Canyon canyon = [] {
        Canyon c{};
        c.count = CanyonComputeBounds(c.bounds, CANYON_CHUNK_CAPACITY);
        c.ready = true;
        return c;
    }();
    return canyon;
}

constexpr int VIEW_W = 1280, VIEW_H = 720;

}  // namespace

TEST(CanyonRockNoise, IsTheTerrainNoiseWithTheRockSeedsBitForBit)
{
    uint32_t r = 12345u;
    for (int i = 0; i < 20000; i++) {
        r = r * 1664525u + 1013904223u;
        float a = ((float)(r >> 8) / 16777216.0f - 0.5f) * 600.0f;
        r = r * 1664525u + 1013904223u;
        float b = ((float)(r >> 8) / 16777216.0f - 0.5f) * 600.0f;
        if (i % 7 == 0) a = std::floor(a);   // on the lattice lines too
        ASSERT_EQ(CanyonRockNoise(a, b), PlainRockNoise(a, b)) << a << ", " << b;
    }
    EXPECT_EQ(CanyonRockNoise(NAN, 1.0f), 0.0f);
    EXPECT_EQ(CanyonRockNoise(1.0f, INFINITY), 0.0f);
}

TEST(CanyonLayout, SegmentsCutInto127ChunksOf280Triangles)
{
    Chunks c = Layout();
    ASSERT_EQ(c.count, 127);
    int perSegment[CANYON_SEGMENT_COUNT] = {};
    for (int i = 0; i < c.count; i++) perSegment[c.spans[i].segment]++;
    const int expected[CANYON_SEGMENT_COUNT] = {30, 4, 30, 29, 5, 29};
    for (int s = 0; s < CANYON_SEGMENT_COUNT; s++) EXPECT_EQ(perSegment[s], expected[s]) << "segment " << s;

    // Every vertex slot written, nothing beyond, and every triangle a real one.
    const int guard = 3;
    std::vector<float> positions((CANYON_CHUNK_VERTICES + guard) * 3, NAN), normals(positions.size(), NAN);
    std::vector<float> texcoords((CANYON_CHUNK_VERTICES + guard) * 2, NAN);
    std::vector<unsigned char> colors((CANYON_CHUNK_VERTICES + guard) * 4, 7);
    for (int i = 0; i < c.count; i++) {
        std::fill(positions.begin(), positions.end(), NAN);
        CanyonBuildChunk(c.spans, c.count, i, {positions.data(), normals.data(), texcoords.data(), colors.data()});
        int triangles = 0;
        for (int t = 0; t < CANYON_CHUNK_VERTICES / 3; t++) {
            const float *p = &positions[t * 9];
            Vector3 a = {p[0], p[1], p[2]}, b = {p[3], p[4], p[5]}, d = {p[6], p[7], p[8]};
            float area = 0.5f * Vector3Length(Vector3CrossProduct(b - a, d - a));
            if (area > 1e-5f) triangles++;
        }
        EXPECT_EQ(triangles, 280) << "chunk " << i;
        for (int v = CANYON_CHUNK_VERTICES * 3; v < (int)positions.size(); v++) ASSERT_TRUE(std::isnan(positions[v]));
        for (int v = CANYON_CHUNK_VERTICES; v < CANYON_CHUNK_VERTICES + guard; v++) ASSERT_EQ(colors[v * 4], 7);
    }
}

// Each chunk's last row is the next one's first, bit for bit, at every segment joint and at the
// wrap from the +z wall back to the -x wall; and it really is the next stretch of the rim.
TEST(CanyonLayout, NeighboursShareTheirBorderRowsBitForBit)
{
    Chunks c = Layout();
    static Grid a, b;
    for (int i = 0; i < c.count; i++) {
        int next = (i + 1) % c.count;
        CanyonChunkGrid(c.spans, c.count, i, a);
        CanyonChunkGrid(c.spans, c.count, next, b);
        EXPECT_EQ(std::memcmp(a[CANYON_CHUNK_ROWS - 1], b[0], sizeof(a[0])), 0) << "chunk " << i << " to " << next;
        float step = c.spans[i].length / (float)(CANYON_CHUNK_ROWS - 1);
        float gap = Vector2Distance(a[CANYON_CHUNK_ROWS - 1][0].foot, a[CANYON_CHUNK_ROWS - 2][0].foot);
        EXPECT_NEAR(gap, step, 2e-3f) << "chunk " << i;
    }
}

TEST(CanyonContour, SegmentsJoinAndWrap)
{
    for (int s = 0; s < CANYON_SEGMENT_COUNT; s++) {
        float length = CanyonSegmentLength(s);
        CanyonRim end = CanyonContour(s, length - 1e-3f);
        CanyonRim start = CanyonContour((s + 1) % CANYON_SEGMENT_COUNT, 0.0f);
        EXPECT_LT(Vector2Distance(end.point, start.point), 2e-3f) << "joint after segment " << s;
        // A parameter at or past the end is the next segment's.
        CanyonRim atEnd = CanyonContour(s, length);
        EXPECT_EQ(std::memcmp(&atEnd, &start, sizeof(CanyonRim)), 0) << "segment " << s;
    }
    CanyonRim before = CanyonContour(0, -1.0f);
    CanyonRim last = CanyonContour(5, CanyonSegmentLength(5) - 1.0f);
    EXPECT_EQ(std::memcmp(&before, &last, sizeof(CanyonRim)), 0);
    // The arcs start exactly on their walls' directions.
    EXPECT_EQ(CanyonContour(1, 0.0f).outward.x, -1.0f);
    EXPECT_EQ(CanyonContour(1, 0.0f).outward.y, 0.0f);
    EXPECT_EQ(CanyonContour(2, 0.0f).outward.x, 0.0f);
    EXPECT_EQ(CanyonContour(2, 0.0f).outward.y, -1.0f);
}

// Cliffs on the -x and -z sides; on the +x and +z walls rock only within about 34 m of the square
// corners, and none on the (+x, +z) arc: there the ground breaks off into the drop.
TEST(CanyonProfile, RockStandsOnlyWhereTheRimIsWalled)
{
    auto highest = [](int segment, float s) {
        float top = -1e9f;
        for (int k = 0; k < CANYON_PROFILE_POINTS; k++) top = std::fmax(top, CanyonRockPoint(segment, s, k).y);
        return top;
    };
    struct Case {
        int segment;
        float s;
        bool rock;
    };
    const Case cases[] = {
        {0, 60.0f, true}, {0, 200.0f, true}, {1, 12.0f, true}, {2, 40.0f, true}, {2, 180.0f, true},
        {3, 5.0f, true}, {3, 40.0f, false}, {3, 120.0f, false}, {3, 220.0f, false},
        {4, 3.0f, false}, {4, 18.0f, false}, {4, 35.0f, false},
        {5, 20.0f, false}, {5, 150.0f, false}, {5, 227.0f, true},
    };
    for (const Case &c : cases) {
        float top = highest(c.segment, c.s);
        if (c.rock) EXPECT_GT(top, 3.0f) << "segment " << c.segment << " s " << c.s;
        else EXPECT_LT(top, 0.35f) << "segment " << c.segment << " s " << c.s;
    }
    // The drop has no bottom in sight and the floor-side foot sits just below the ground.
    EXPECT_LT(CanyonRockPoint(4, 18.0f, 14).y, -60.0f);
    Vector3 foot = CanyonRockPoint(0, 100.0f, 0);
    EXPECT_GT(foot.x, -128.0f);
    EXPECT_LT(foot.y, 0.0f);
}

TEST(CanyonVisibility, TheArenaCentreShowsNoRock)
{
    int list[CANYON_CHUNK_CAPACITY];
    EXPECT_EQ(CanyonVisibleChunks(Bounded(), ViewOf(0.0f, 0.0f, 20.0f), VIEW_W, VIEW_H, list, CANYON_CHUNK_CAPACITY), 0);
    EXPECT_TRUE(CanyonRimOutOfView(ViewOf(0.0f, 0.0f, 20.0f), VIEW_W, VIEW_H));
    EXPECT_GT(CanyonVisibleChunks(Bounded(), ViewOf(-120.0f, 0.0f, 20.0f), VIEW_W, VIEW_H, list, CANYON_CHUNK_CAPACITY), 0);
    // Not ready, no size, a broken camera: nothing.
    Canyon empty{};
    EXPECT_EQ(CanyonVisibleChunks(empty, ViewOf(-120.0f, 0.0f, 20.0f), VIEW_W, VIEW_H, list, CANYON_CHUNK_CAPACITY), 0);
    EXPECT_EQ(CanyonVisibleChunks(Bounded(), ViewOf(-120.0f, 0.0f, 20.0f), 0, VIEW_H, list, CANYON_CHUNK_CAPACITY), 0);
    EXPECT_EQ(CanyonVisibleChunks(Bounded(), ViewOf(NAN, 0.0f, 20.0f), VIEW_W, VIEW_H, list, CANYON_CHUNK_CAPACITY), 0);
}

// The early test that skips the whole rim never hides a chunk the sphere test would show.
TEST(CanyonVisibility, EarlyTestNeverDropsWhatTheSphereTestShows)
{
    const Canyon &canyon = Bounded();
    int list[CANYON_CHUNK_CAPACITY];
    for (float zoom : {5.5f, 20.0f, 30.0f}) {
        int skipped = 0;
        for (float x = -128.0f; x <= 128.0f; x += 4.0f) {
            for (float z = -128.0f; z <= 128.0f; z += 4.0f) {
                Camera3D camera = ViewOf(x, z, zoom);
                int spheres = 0;
                for (int i = 0; i < canyon.count; i++) spheres += CanyonSphereInView(canyon.bounds[i], camera, VIEW_W, VIEW_H);
                int shown = CanyonVisibleChunks(canyon, camera, VIEW_W, VIEW_H, list, CANYON_CHUNK_CAPACITY);
                ASSERT_EQ(shown, spheres) << "zoom " << zoom << " at " << x << ", " << z;
                skipped += CanyonRimOutOfView(camera, VIEW_W, VIEW_H);
            }
        }
        EXPECT_GT(skipped, 100) << "zoom " << zoom;   // the early test does skip most interior views
    }
}

// A chunk with a vertex on screen is never culled.
TEST(CanyonVisibility, CullingKeepsEveryChunkWithAVertexOnScreen)
{
    Chunks c = Layout();
    std::vector<Grid> grids((size_t)c.count);
    for (int i = 0; i < c.count; i++) CanyonChunkGrid(c.spans, c.count, i, grids[(size_t)i]);
    const Canyon &canyon = Bounded();
    for (float zoom : {5.5f, 20.0f, 30.0f}) {
        for (float x = -128.0f; x <= 128.0f; x += 8.0f) {
            for (float z = -128.0f; z <= 128.0f; z += 8.0f) {
                Camera3D camera = ViewOf(x, z, zoom);
                int list[CANYON_CHUNK_CAPACITY];
                int n = CanyonVisibleChunks(canyon, camera, VIEW_W, VIEW_H, list, CANYON_CHUNK_CAPACITY);
                bool shown[CANYON_CHUNK_CAPACITY] = {};
                for (int i = 0; i < n; i++) shown[list[i]] = true;
                Vector3 f = Vector3Normalize(camera.target - camera.position);
                Vector3 r = Vector3Normalize(Vector3CrossProduct(f, {0.0f, 1.0f, 0.0f}));
                Vector3 u = Vector3CrossProduct(r, f);
                float halfW = zoom * (float)VIEW_W / (float)VIEW_H * 0.5f, halfH = zoom * 0.5f;
                for (int i = 0; i < c.count; i++) {
                    if (shown[i]) continue;
                    for (const auto &row : grids[(size_t)i]) {
                        for (const CanyonGridPoint &p : row) {
                            Vector3 d = p.position - camera.position;
                            bool onScreen = std::fabs(Vector3DotProduct(d, r)) <= halfW &&
                                            std::fabs(Vector3DotProduct(d, u)) <= halfH && Vector3DotProduct(d, f) > 0.0f;
                            ASSERT_FALSE(onScreen) << "chunk " << i << " culled at " << x << ", " << z << " zoom " << zoom;
                        }
                    }
                }
            }
        }
    }
}

TEST(CanyonRenderer, WithoutAWindowInitFailsCleanlyAndFreeIsSafeTwice)
{
    LogCapture log;
    static Canyon canyon{};
    EXPECT_FALSE(CanyonInit(canyon));
    EXPECT_EQ(log.count(LOG_ERROR), 1);
    EXPECT_FALSE(canyon.ready);
    EXPECT_EQ(canyon.count, 0);
    CanyonFree(canyon);
    CanyonFree(canyon);
    int list[4];
    EXPECT_EQ(CanyonVisibleChunks(canyon, ViewOf(-120.0f, 0.0f, 20.0f), VIEW_W, VIEW_H, list, 4), 0);
}
