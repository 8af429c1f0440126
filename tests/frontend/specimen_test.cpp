// The encyclopedia's specimens: the question mark's field, the sampling boxes, the meshes marching
// tetrahedra makes of every specimen, and the retry rule of a specimen that fails.
#include "frontend/specimen.h"

#include "raymath.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

TEST(SpecimenField, TheQuestionMarkIsOpenAtItsHookAndSolidInItsDot)
{
    EXPECT_GE(SpecimenQuestionField({0.0f, 1.75f, 0.0f}), 0.0f);   // the centre of the hook
    EXPECT_LT(SpecimenQuestionField({0.0f, 0.2f, 0.0f}), 0.0f);    // in the dot
    EXPECT_LT(SpecimenQuestionField({-0.015f, 0.85f, 0.0f}), 0.0f);  // in the stem
    EXPECT_GT(SpecimenQuestionField({-0.015f, 0.47f, 0.0f}), 0.0f);  // the gap above the dot
}

// The field is the least of the 28 hook chords, the two stem tubes and the dot, whatever shortcut
// finds the nearest chord.
TEST(SpecimenField, TheQuestionMarkIsTheLeastOfItsParts)
{
    Vector3 p[29];
    p[0] = {-0.56f, 1.95f, 0.0f};
    for (int i = 1; i <= 28; i++) {
        float a = (160.0f - (float)i * 270.0f / 28.0f) * PI / 180.0f;
        p[i] = {0.59f * std::cos(a), 1.75f + 0.58f * std::sin(a), 0.025f * std::sin(0.42f * (float)i)};
    }
    auto tube = [](Vector3 q, Vector3 a, Vector3 b, float r) {
        Vector3 ba = b - a;
        float t = Clamp(Vector3DotProduct(q - a, ba) / Vector3DotProduct(ba, ba), 0.0f, 1.0f);
        return Vector3Length(q - (a + ba * t)) - r;
    };
    uint32_t seed = 12345u;
    float worst = 0.0f;
    for (int n = 0; n < 20000; n++) {
        auto unit = [&] {
            seed = seed * 1664525u + 1013904223u;
            return (float)(seed >> 8) / 16777216.0f;
        };
        Vector3 q = {-1.0f + 2.0f * unit(), -0.1f + 2.8f * unit(), -0.5f + unit()};
        // Not near the hook circle's axis, far from all clay, where the nearest chord is anyone's.
        if (std::hypot(q.x, q.y - 1.75f) < 0.15f) continue;
        float d = 1e9f;
        for (int i = 0; i < 28; i++) d = std::fmin(d, tube(q, p[i], p[i + 1], 0.205f));
        d = std::fmin(d, tube(q, p[28], {-0.015f, 0.93f, 0.0f}, 0.2f));
        d = std::fmin(d, tube(q, {-0.015f, 0.93f, 0.0f}, {-0.015f, 0.74f, 0.0f}, 0.2f));
        d = std::fmin(d, Vector3Length(q - Vector3{-0.015f, 0.2f, 0.0f}) - 0.215f);
        worst = std::fmax(worst, std::fabs(SpecimenQuestionField(q) - d));
    }
    EXPECT_LT(worst, 1e-6f);
}

// For every specimen the first box already holds the whole surface: every point of a 25 x 25 grid
// on each of its six faces is outside, so no box ever grows.
TEST(SpecimenField, TheFirstBoxEnclosesEverySpecimen)
{
    for (int k = 0; k < SPECIMEN_COUNT; k++) {
        SpecimenSource source;
        ASSERT_TRUE(SpecimenPrepare(k, source)) << k;
        Vector3 lo = source.boxMin, hi = source.boxMax;
        float worst = 1e9f;
        for (int axis = 0; axis < 3; axis++)
            for (int side = 0; side < 2; side++)
                for (int i = 0; i < 25; i++)
                    for (int j = 0; j < 25; j++) {
                        float u = (float)i / 24.0f, v = (float)j / 24.0f;
                        float c[3] = {0, 0, 0};
                        float l[3] = {lo.x, lo.y, lo.z}, h[3] = {hi.x, hi.y, hi.z};
                        int a = (axis + 1) % 3, b = (axis + 2) % 3;
                        c[axis] = side ? h[axis] : l[axis];
                        c[a] = l[a] + u * (h[a] - l[a]);
                        c[b] = l[b] + v * (h[b] - l[b]);
                        worst = std::fmin(worst, SpecimenField(source, {c[0], c[1], c[2]}));
                    }
        EXPECT_GT(worst, 0.0f) << "specimen " << k;
    }
    SpecimenSource bad;
    EXPECT_FALSE(SpecimenPrepare(5, bad));
    EXPECT_FALSE(SpecimenPrepare(-1, bad));
}

// A closed, outward-facing surface on the field's zero level: the triangles' area vectors cancel,
// the enclosed volume is positive, every normal is a unit vector on the triangle's outer side.
TEST(SpecimenMeshes, EverySpecimenIsAClosedOutwardSurfaceOnItsZeroLevel)
{
    for (int k = 0; k < SPECIMEN_COUNT; k++) {
        SpecimenSource source;
        ASSERT_TRUE(SpecimenPrepare(k, source));
        SpecimenMesh mesh{};
        ASSERT_EQ(SpecimenPolygonise(source, mesh), SPECIMEN_OK) << k;
        EXPECT_EQ(mesh.samplings, 1) << k;
        ASSERT_GT(mesh.vertexCount, 3000) << k;
        ASSERT_EQ(mesh.vertexCount % 3, 0) << k;
        float step = std::fmax((source.boxMax.x - source.boxMin.x) / 48.0f, (source.boxMax.y - source.boxMin.y) / 56.0f);
        Vector3 areaSum = {0, 0, 0};
        double area = 0.0, volume = 0.0;
        int misfaced = 0, offSurface = 0, badNormals = 0;
        for (int t = 0; t < mesh.vertexCount / 3; t++) {
            Vector3 p[3], n[3];
            for (int i = 0; i < 3; i++) {
                const float *q = mesh.positions + 3 * (3 * t + i), *m = mesh.normals + 3 * (3 * t + i);
                p[i] = {q[0], q[1], q[2]};
                n[i] = {m[0], m[1], m[2]};
                if (std::fabs(Vector3Length(n[i]) - 1.0f) > 1e-3f) badNormals++;
                if (std::fabs(SpecimenField(source, p[i])) > 0.5f * step) offSurface++;
            }
            Vector3 face = Vector3CrossProduct(p[1] - p[0], p[2] - p[0]);
            ASSERT_GE(Vector3DotProduct(face, face), 1e-13f);
            if (Vector3DotProduct(face, n[0] + n[1] + n[2]) < 0.0f) misfaced++;
            areaSum = areaSum + face * 0.5f;
            area += 0.5 * Vector3Length(face);
            volume += Vector3DotProduct(p[0], Vector3CrossProduct(p[1], p[2])) / 6.0;
        }
        EXPECT_EQ(misfaced, 0) << k;
        EXPECT_EQ(badNormals, 0) << k;
        EXPECT_EQ(offSurface, 0) << k;
        EXPECT_LT(Vector3Length(areaSum), 1e-3 * area) << k;
        EXPECT_GT(volume, 0.0) << k;
        // The bounds are those of the vertices, the largest side the one the preview scales by.
        Vector3 size = mesh.boundsMax - mesh.boundsMin;
        EXPECT_FLOAT_EQ(mesh.largestSide, std::fmax(size.x, std::fmax(size.y, size.z))) << k;
        EXPECT_EQ(mesh.hasEyes, k <= SPECIMEN_GOLEM ? 1.0f : 0.0f);
        SpecimenMeshFree(mesh);
        SpecimenMeshFree(mesh);   // safe twice
    }
}

TEST(SpecimenMeshes, TheSameSpecimenBuildsTheSameMesh)
{
    SpecimenMesh a{}, b{};
    ASSERT_EQ(SpecimenBuild(SPECIMEN_WALKER, a), SPECIMEN_OK);
    ASSERT_EQ(SpecimenBuild(SPECIMEN_WALKER, b), SPECIMEN_OK);
    ASSERT_EQ(a.vertexCount, b.vertexCount);
    EXPECT_EQ(memcmp(a.positions, b.positions, (size_t)a.vertexCount * 3 * sizeof(float)), 0);
    EXPECT_EQ(memcmp(a.normals, b.normals, (size_t)a.vertexCount * 3 * sizeof(float)), 0);
    SpecimenMeshFree(a);
    SpecimenMeshFree(b);
}

// A specimen whose surface never leaves its box is tried twice, logs one line, and is then left
// alone for good.
TEST(SpecimenRetry, AFailedSpecimenLogsOnceAndIsGivenUpAfterOneRetry)
{
    SpecimenSource source;
    ASSERT_TRUE(SpecimenPrepare(SPECIMEN_QUESTION, source));
    source.boxMin = {-0.1f, 0.1f, -0.1f};   // inside the dot, and never growing
    source.boxMax = {0.1f, 0.3f, 0.1f};
    source.growStep = 0.0f;
    SpecimenMesh mesh{};
    EXPECT_EQ(SpecimenPolygonise(source, mesh), SPECIMEN_BOUNDARY);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.positions, nullptr);

    LogCapture log;
    SpecimenGate gate{};
    int attempts = 0;
    for (int frame = 0; frame < 10; frame++) {
        if (SpecimenGateMayTry(gate)) attempts++;
        EXPECT_FALSE(SpecimenBuildGated(source, gate, mesh));
    }
    EXPECT_EQ(attempts, SPECIMEN_TRIES);
    EXPECT_FALSE(SpecimenGateMayTry(gate));
    int errors = 0;
    for (const LogLine &line : log.lines())
        if (line.level == LOG_ERROR) {
            errors++;
            EXPECT_EQ(line.text, "BESTIARY: Specimen 4 reached its sampling boundary");
        }
    EXPECT_EQ(errors, 1);

    // A good specimen builds on its first try; the caller then marks it ready and it is not built again.
    SpecimenGate good{};
    ASSERT_TRUE(SpecimenBuildKindGated(SPECIMEN_BUN, good, mesh));
    good.ready = 1;
    SpecimenMesh again{};
    EXPECT_FALSE(SpecimenBuildKindGated(SPECIMEN_BUN, good, again));
    EXPECT_EQ(again.vertexCount, 0);
    SpecimenMeshFree(mesh);
}
