// Arena shape and boundary queries: the outline, the edge cases as tables, clamp/containment
// agreement over dense grids, ray exits, oversized shapes and non-finite input.
#include "world/arena.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

constexpr float PI_F = 3.14159265358979f;
constexpr float NEG_CENTRE = -112.0f;  // (-,-) arc centre, both coordinates
constexpr float POS_CENTRE = 104.0f;   // (+,+) arc centre, both coordinates

Vector3 P(float x, float z, float y = 0.0f) { return {x, y, z}; }

bool SameBits(Vector3 a, Vector3 b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Points of one rounded arc at steps of pi/64, at `distance` from its centre.
template <typename Visit>
void ForArcPoints(float distance, Visit visit)
{
    for (int k = 0; k <= 32; ++k) {
        float angle = PI_F + (float)k * PI_F / 64.0f;  // (-,-) quadrant: pi .. 3pi/2
        Vector2 n = {std::cos(angle), std::sin(angle)};
        visit(NEG_CENTRE, n, 16.0f, distance);
        visit(POS_CENTRE, Vector2{-n.x, -n.y}, 24.0f, distance);  // (+,+) quadrant: 0 .. pi/2
    }
}

}  // namespace

// [SECTION] Outline

TEST(ArenaSignedDistance, Table)
{
    struct Row { float x, z, expected; const char *what; } rows[] = {
        {0.0f, 0.0f, -128.0f, "centre"},
        {128.0f, 0.0f, 0.0f, "+x wall"},
        {-128.0f, 0.0f, 0.0f, "-x wall"},
        {0.0f, 131.0f, 3.0f, "outside +z wall, on the axis"},
        {0.0f, -130.0f, 2.0f, "outside -z wall, on the axis"},
        {128.0f, -128.0f, 0.0f, "sharp (+,-) corner"},
        {-128.0f, 128.0f, 0.0f, "sharp (-,+) corner"},
        {127.0f, -127.0f, -1.0f, "inside the sharp (+,-) corner"},
        {-128.0f, -112.0f, 0.0f, "(-,-) arc tangent point on the x wall"},
        {-112.0f, -128.0f, 0.0f, "(-,-) arc tangent point on the z wall"},
        {128.0f, 104.0f, 0.0f, "(+,+) arc tangent point on the x wall"},
        {104.0f, 128.0f, 0.0f, "(+,+) arc tangent point on the z wall"},
        {-112.0f, -112.0f, -16.0f, "(-,-) arc centre"},
        {104.0f, 104.0f, -24.0f, "(+,+) arc centre"},
        {-128.0f, -128.0f, std::sqrt(512.0f) - 16.0f, "cut (-,-) corner"},
        {128.0f, 128.0f, std::sqrt(1152.0f) - 24.0f, "cut (+,+) corner"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_NEAR(ArenaSignedDistance(r.x, r.z), r.expected, 2e-5f);
    }
}

TEST(ArenaSignedDistance, ArcPointsLieOnTheOutline)
{
    ForArcPoints(0.0f, [](float centre, Vector2 n, float radius, float) {
        float x = centre + n.x * radius, z = centre + n.y * radius;
        EXPECT_LE(std::fabs(ArenaSignedDistance(x, z)), 3e-5f) << x << ", " << z;
    });
}

// [SECTION] Edge cases

TEST(ArenaContains, Table)
{
    struct Row { Vector3 p; float radius; bool expected; const char *what; } circles[] = {
        {P(0, 0), 0.8f, true, "centre"},
        {P(127.2f, 0), 0.8f, true, "touching the +x wall"},
        {P(127.21f, 0), 0.8f, false, "through the +x wall"},
        {P(127, -127), 0.5f, true, "sharp (+,-) corner is square"},
        {P(-127, 127), 0.5f, true, "sharp (-,+) corner is square"},
        {P(127, 127), 0.5f, false, "rounded (+,+) corner"},
        {P(-127, -127), 0.5f, false, "rounded (-,-) corner"},
        {P(128, -128), 0.0f, true, "point on the sharp corner"},
        {P(-127.2f, -112), 0.8f, true, "(-,-) tangent point"},
        {P(-112, -127.2f), 0.8f, true, "(-,-) tangent point, z wall"},
        {P(127.2f, 104), 0.8f, true, "(+,+) tangent point"},
        {P(104, 127.2f), 0.8f, true, "(+,+) tangent point, z wall"},
        {P(-112, -112), 16.0f, true, "radius 16 at the (-,-) arc centre"},
        {P(-112, -112), 16.01f, false, "radius above 16 at the (-,-) arc centre"},
        {P(-112, -112), 20.0f, false, "radius 20 at the (-,-) arc centre"},
        {P(-108, -108), 20.0f, true, "radius 20: sharp allowed corner at -128 + r"},
        {P(104, 104), 24.0f, true, "radius 24: sharp allowed corner at 128 - r"},
        {P(100, 100), 28.0f, true, "radius 28: both allowed corners sharp"},
        {P(-100, -100), 28.0f, true, "radius 28: (-,-) allowed corner sharp"},
        {P(0, 0), 128.0f, true, "radius 128 at the centre"},
        {P(0, 0), 500.0f, true, "oversized radius: pinned to the centre"},
        {P(0.001f, 0), 500.0f, false, "oversized radius off the centre"},
        {P(0, 0), -3.0f, true, "negative radius is a point"},
        {P(128, 0), -3.0f, true, "negative radius on the wall"},
        {P(0, 0, NAN), 1.0f, true, "y takes no part"},
    };
    for (const Row &r : circles) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ArenaContainsCircle(r.p, r.radius), r.expected);
    }
    struct ExtentRow { Vector3 p; Vector2 e; bool expected; const char *what; } extents[] = {
        {P(0, 0), {0.55f, 1.35f}, true, "centre"},
        {P(127.45f, 100.0f), {0.55f, 1.35f}, true, "against +x wall below the arc"},
        {P(127.46f, 0), {0.55f, 1.35f}, false, "through the +x wall"},
        {P(0, -126.65f), {0.55f, 1.35f}, true, "against -z wall"},
        {P(127.45f, -126.65f), {0.55f, 1.35f}, true, "in the sharp (+,-) corner"},
        {P(-127.45f, 126.65f), {0.55f, 1.35f}, true, "in the sharp (-,+) corner"},
        {P(-127.45f, -126.65f), {0.55f, 1.35f}, false, "in the rounded (-,-) corner"},
        {P(127.45f, 126.65f), {0.55f, 1.35f}, false, "in the rounded (+,+) corner"},
        {P(0, 0), {116, 116}, true, "extent limit at the centre"},
        {P(0, 0), {500, 500}, true, "oversized extents are clamped to the limit"},
        {P(12, -12), {500, 500}, true, "oversized: sharp (+,-) corner of the 12 m region"},
        {P(12.1f, 0), {500, 500}, false, "oversized: outside the 12 m region"},
        {P(0, 0), {-1, -1}, true, "negative extents are a point"},
    };
    for (const ExtentRow &r : extents) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(ArenaContainsExtents(r.p, r.e), r.expected);
    }
}

TEST(ArenaClamp, Table)
{
    struct Row { Vector3 p; float radius; Vector3 expected; float tolerance; const char *what; } rows[] = {
        {P(200, 5, 7), 0.8f, P(127.2f, 5, 7), 0.0f, "+x wall, y kept"},
        {P(5, -300), 0.8f, P(5, -127.2f), 0.0f, "-z wall"},
        {P(200, -200), 0.5f, P(127.5f, -127.5f), 0.0f, "sharp (+,-) corner"},
        {P(-200, 200), 0.5f, P(-127.5f, 127.5f), 0.0f, "sharp (-,+) corner"},
        {P(-130, -130), 0.0f, P(NEG_CENTRE - 16.0f / std::sqrt(2.0f), NEG_CENTRE - 16.0f / std::sqrt(2.0f)), 4e-5f,
         "(-,-) arc"},
        {P(130, 130), 0.0f, P(POS_CENTRE + 24.0f / std::sqrt(2.0f), POS_CENTRE + 24.0f / std::sqrt(2.0f)), 4e-5f,
         "(+,+) arc"},
        {P(-200, -200), 16.0f, P(-112, -112), 0.0f, "radius 16: sharp allowed (-,-) corner"},
        {P(200, 200), 24.0f, P(104, 104), 0.0f, "radius 24: sharp allowed (+,+) corner"},
        {P(-200, -200), 30.0f, P(-98, -98), 0.0f, "radius 30: sharp allowed (-,-) corner"},
        {P(50, -70), 500.0f, P(0, 0), 0.0f, "oversized radius pinned to the centre"},
        {P(-128, -112), 0.0f, P(-128, -112), 0.0f, "tangent point stays"},
        {P(104, 128), 0.0f, P(104, 128), 0.0f, "tangent point stays"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Vector3 c = ArenaClampCircle(r.p, r.radius);
        EXPECT_NEAR(c.x, r.expected.x, r.tolerance);
        EXPECT_NEAR(c.z, r.expected.z, r.tolerance);
        EXPECT_EQ(c.y, r.expected.y);
        EXPECT_TRUE(ArenaContainsCircle(c, r.radius));
    }
}

TEST(ArenaClamp, PointsTenMetresOutsideEitherArcComeBackInside)
{
    ForArcPoints(0.0f, [](float centre, Vector2 n, float radius, float) {
        Vector3 p = P(centre + n.x * (radius + 10.0f), centre + n.y * (radius + 10.0f));
        Vector3 c = ArenaClampCircle(p, 0.8f);
        EXPECT_TRUE(ArenaContainsCircle(c, 0.8f)) << p.x << ", " << p.z;
        // The result lies on the arc of radius R - 0.8, 2e-5 inside.
        float d = std::hypot(c.x - centre, c.z - centre);
        EXPECT_NEAR(d, radius - 0.8f, 4e-5f);
    });
}

TEST(ArenaClamp, ExtentsResultAndItsRectangleCornersAreInside)
{
    const Vector2 e = {0.55f, 1.35f};
    const Vector3 points[] = {P(-200, -200), P(200, 200), P(-130, -125), P(126, 131), P(200, -200),
                              P(-200, 200), P(-127.9f, -113), P(120, 127.9f), P(0, 0), P(300, 3)};
    for (Vector3 p : points) {
        Vector3 c = ArenaClampExtents(p, e);
        SCOPED_TRACE(::testing::Message() << p.x << ", " << p.z << " -> " << c.x << ", " << c.z);
        EXPECT_TRUE(ArenaContainsExtents(c, e));
        for (float sx : {-1.0f, 1.0f}) {
            for (float sz : {-1.0f, 1.0f}) {
                EXPECT_TRUE(ArenaContainsCircle(P(c.x + sx * e.x, c.z + sz * e.y), 0.0f)) << sx << ", " << sz;
            }
        }
    }
}

TEST(ArenaClamp, AllowedPointsComeBackBitForBit)
{
    const Vector3 points[] = {P(0, 0, 3), P(-0.0f, -0.0f), P(127.2f, -127.2f), P(-120, -112),
                              P(110, 110), P(1e-30f, -1e-30f), P(-127.2f, 100)};
    for (Vector3 p : points) {
        EXPECT_TRUE(SameBits(ArenaClampCircle(p, 0.8f), p)) << p.x << ", " << p.z;
        EXPECT_TRUE(SameBits(ArenaClampExtents(p, {0.5f, 0.8f}), p)) << p.x << ", " << p.z;
    }
}

// [SECTION] Clamp and containment agree

TEST(ArenaClamp, AgreesWithContainmentOnADenseGridForCircles)
{
    const float radii[] = {0.0f, 0.3f, 0.8f, 3.0f, 15.99f, 16.0f, 16.01f, 20.0f, 23.99f, 24.0f, 24.01f,
                           60.0f, 127.9f, 128.0f, 1000.0f};
    long failures = 0, moved = 0;
    for (float r : radii) {
        for (int i = 0; i <= 700; ++i) {
            for (int j = 0; j <= 700; ++j) {
                Vector3 p = P(-140.0f + (float)i * 0.4f, -140.0f + (float)j * 0.4f);
                Vector3 c = ArenaClampCircle(p, r);
                bool contained = ArenaContainsCircle(c, r);
                if (!contained && failures++ < 5) ADD_FAILURE() << "r " << r << " at " << p.x << ", " << p.z;
                // A point the clamp moves was outside (or in the 2e-5 slack): nothing allowed moves far.
                if (!SameBits(c, p)) {
                    ++moved;
                    if (ArenaContainsCircle(p, r)) {
                        EXPECT_LE(std::hypot(c.x - p.x, c.z - p.z), 4e-5f) << "r " << r << " at " << p.x << ", " << p.z;
                    }
                }
            }
        }
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(moved, 0);
}

TEST(ArenaClamp, AgreesWithContainmentOnADenseGridForExtents)
{
    // Half extents from small bodies to the limit and past it, including unequal pairs where one
    // corner arc passes the opposite wall.
    const Vector2 extents[] = {{0.0f, 0.0f}, {0.55f, 1.35f}, {3.0f, 0.2f}, {40.0f, 10.0f}, {100.0f, 0.0f},
                               {108.0f, 108.0f}, {110.0f, 113.0f}, {112.0f, 112.0f}, {115.0f, 116.0f},
                               {116.0f, 0.0f}, {0.0f, 116.0f}, {116.0f, 116.0f}, {116.5f, 0.0f},
                               {0.0f, 118.0f}, {120.0f, 120.0f}, {125.0f, 125.0f}, {128.0f, 3.0f}, {1e6f, 1e6f}};
    long failures = 0;
    for (Vector2 e : extents) {
        for (int i = 0; i <= 560; ++i) {
            for (int j = 0; j <= 560; ++j) {
                Vector3 p = P(-140.0f + (float)i * 0.5f, -140.0f + (float)j * 0.5f);
                Vector3 c = ArenaClampExtents(p, e);
                if (!ArenaContainsExtents(c, e) && failures++ < 5) {
                    ADD_FAILURE() << "extents " << e.x << ", " << e.y << " at " << p.x << ", " << p.z << " -> " << c.x
                                  << ", " << c.y;
                }
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(ArenaClamp, ExtentsNearTheLimitAgreeAroundTheCrossingArcs)
{
    // Fine grid over the small regions of large extents, where both arcs act on the same points.
    long failures = 0;
    for (float ex = 104.0f; ex <= 116.0f; ex += 1.0f) {
        for (float ez = 104.0f; ez <= 116.0f; ez += 1.0f) {
            float hx = 128.0f - ex + 1.0f, hz = 128.0f - ez + 1.0f;
            for (int i = 0; i <= 200; ++i) {
                for (int j = 0; j <= 200; ++j) {
                    Vector3 p = P(-hx + 2.0f * hx * (float)i / 200.0f, -hz + 2.0f * hz * (float)j / 200.0f);
                    Vector3 c = ArenaClampExtents(p, {ex, ez});
                    if (!ArenaContainsExtents(c, {ex, ez}) && failures++ < 5) {
                        ADD_FAILURE() << ex << ", " << ez << " at " << p.x << ", " << p.z;
                    }
                }
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(ArenaClamp, ExtentsBeyondTheLimitAreTheLimit)
{
    // Unclamped, (3, 3) with half extents 125 went to (-4.03, -4.03), which containment rejects.
    Vector3 c = ArenaClampExtents(P(3, 3), {125, 125});
    EXPECT_TRUE(ArenaContainsExtents(c, {125, 125}));
    EXPECT_TRUE(SameBits(c, ArenaClampExtents(P(3, 3), {ARENA_EXTENT_LIMIT, ARENA_EXTENT_LIMIT})));
    for (float x = -20.0f; x <= 20.0f; x += 0.5f) {
        for (float z = -20.0f; z <= 20.0f; z += 0.5f) {
            EXPECT_EQ(ArenaContainsExtents(P(x, z), {126, 200}), ArenaContainsExtents(P(x, z), {116, 116}));
        }
    }
}

// [SECTION] Ray exits

TEST(ArenaRayExit, FromFourMetresInsideAlongTheArcNormal)
{
    ForArcPoints(0.0f, [](float centre, Vector2 n, float radius, float) {
        Vector3 o = P(centre + n.x * (radius - 4.0f), centre + n.y * (radius - 4.0f), 2.5f);
        float t = ArenaRayExitCircle(o, n, 0.8f, 1000.0f);
        SCOPED_TRACE(::testing::Message() << o.x << ", " << o.z);
        EXPECT_NEAR(t, 3.2f, 8e-5f);
        EXPECT_TRUE(ArenaContainsCircle(P(o.x + n.x * t, o.z + n.y * t), 0.8f));
        EXPECT_FALSE(ArenaContainsCircle(P(o.x + n.x * (t + 0.01f), o.z + n.y * (t + 0.01f)), 0.8f));
    });
}

TEST(ArenaRayExit, Table)
{
    struct Row { Vector3 o; Vector2 d; float radius, maxDistance, expected, tolerance; const char *what; } rows[] = {
        {P(0, 0), {1, 0}, 0.8f, 1000.0f, 127.2f, 0.0f, "to the +x wall"},
        {P(0, 0), {2, 0}, 0.8f, 1000.0f, 63.6f, 0.0f, "distances in direction units"},
        {P(0, 0), {0, -1}, 0.8f, 10.0f, 10.0f, 0.0f, "maximum first"},
        {P(0, 0), {1, 0}, 0.8f, -5.0f, 0.0f, 0.0f, "negative maximum"},
        {P(0, 0), {0, 0}, 0.8f, 12.5f, 12.5f, 0.0f, "zero direction: the maximum"},
        {P(0, 0), {0, 0}, 0.8f, -1.0f, 0.0f, 0.0f, "zero direction, negative maximum"},
        {P(0, 0), {0, 0}, 0.8f, INFINITY, FLT_MAX, 0.0f, "zero direction, infinite maximum"},
        {P(127.2f, 0), {1, 0}, 0.8f, 5.0f, 0.0f, 0.0f, "on the wall, moving out"},
        {P(127.2f, 0), {-1, 0}, 0.8f, 5.0f, 5.0f, 0.0f, "on the wall, moving in"},
        {P(200, 0), {-1, 0}, 0.8f, 100.0f, 0.0f, 0.0f, "origin outside"},
        {P(120, -120), {1, -1}, 0.5f, 100.0f, 7.5f, 0.0f, "into the sharp (+,-) corner"},
        {P(-120, -100), {0, -1}, 0.0f, 100.0f, 12.0f + std::sqrt(256.0f - 64.0f), 1e-4f, "down into the (-,-) arc"},
        {P(100, 120), {1, 0}, 0.0f, 100.0f, 4.0f + std::sqrt(576.0f - 256.0f), 1e-4f, "along +x into the (+,+) arc"},
        {P(-126, -112.5f), {-1, -1}, 0.0f, 100.0f, (std::sqrt(14.5f * 14.5f + 2.0f * 59.75f) - 14.5f) / 2.0f, 1e-4f,
         "from inside the (-,-) arc near its tangent point, outward"},
        {P(0, 0), {-1, -1}, 500.0f, 100.0f, 0.0f, 0.0f, "oversized radius: pinned, no travel"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        float t = ArenaRayExitCircle(r.o, r.d, r.radius, r.maxDistance);
        EXPECT_NEAR(t, r.expected, r.tolerance);
        if (std::isfinite(t) && t < FLT_MAX) {
            EXPECT_TRUE(ArenaContainsCircle(P(r.o.x + r.d.x * t, r.o.z + r.d.y * t), r.radius) || t == 0.0f);
        }
    }
    // Direction components below 1e-6 still stop at the walls and arcs on a long ray.
    float tiny = ArenaRayExitCircle(P(0, 0), {1e-7f, 0}, 0.0f, 1e12f);
    EXPECT_NEAR(tiny * 1e-7f, 128.0f, 1e-3f);
    EXPECT_TRUE(ArenaContainsCircle(P(tiny * 1e-7f, 0), 0.0f));
    float tinyCorner = ArenaRayExitCircle(P(120, 110), {3e-5f, 3e-5f}, 0.0f, 1e12f);
    EXPECT_TRUE(ArenaContainsCircle(P(120 + tinyCorner * 3e-5f, 110 + tinyCorner * 3e-5f), 0.0f));
    EXPECT_GT(tinyCorner * 3e-5f, 1.0f);
    // Extents: the rectangle's allowed region.
    EXPECT_FLOAT_EQ(ArenaRayExitExtents(P(0, 0), {1, 0}, {0.55f, 1.35f}, 1000.0f), 127.45f);
    EXPECT_FLOAT_EQ(ArenaRayExitExtents(P(0, 0), {0, -1}, {0.55f, 1.35f}, 1000.0f), 126.65f);
    EXPECT_EQ(ArenaRayExitExtents(P(0, 0), {0, 0}, {0.55f, 1.35f}, 7.0f), 7.0f);
    EXPECT_EQ(ArenaRayExitExtents(P(300, 0), {-1, 0}, {0.55f, 1.35f}, 7.0f), 0.0f);
}

TEST(ArenaRayExit, EndPointsStayInsideAndAreTheExitNearCorners)
{
    // Origins in a grid over both rounded corners and the walls, directions all around.
    long failures = 0;
    const Vector2 e = {0.55f, 1.35f};
    for (int i = 0; i <= 60; ++i) {
        for (int j = 0; j <= 60; ++j) {
            for (int corner = 0; corner < 2; ++corner) {
                float s = corner == 0 ? -1.0f : 1.0f;
                Vector3 o = P(s * (98.0f + (float)i * 0.5f), s * (98.0f + (float)j * 0.5f));
                for (int k = 0; k < 16; ++k) {
                    float a = (float)k * PI_F / 8.0f + 0.1f;
                    Vector2 d = {std::cos(a), std::sin(a)};
                    if (ArenaContainsCircle(o, 0.8f)) {
                        float t = ArenaRayExitCircle(o, d, 0.8f, 400.0f);
                        bool in = ArenaContainsCircle(P(o.x + d.x * t, o.z + d.y * t), 0.8f);
                        bool beyond = ArenaContainsCircle(P(o.x + d.x * (t + 0.01f), o.z + d.y * (t + 0.01f)), 0.8f);
                        if ((!in || beyond) && failures++ < 5) {
                            ADD_FAILURE() << "circle from " << o.x << ", " << o.z << " dir " << a << " t " << t;
                        }
                    }
                    if (ArenaContainsExtents(o, e)) {
                        float t = ArenaRayExitExtents(o, d, e, 400.0f);
                        bool in = ArenaContainsExtents(P(o.x + d.x * t, o.z + d.y * t), e);
                        bool beyond = ArenaContainsExtents(P(o.x + d.x * (t + 0.01f), o.z + d.y * (t + 0.01f)), e);
                        if ((!in || beyond) && failures++ < 5) {
                            ADD_FAILURE() << "extents from " << o.x << ", " << o.z << " dir " << a << " t " << t;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(ArenaRayExit, LargeExtentsWithBothArcsActive)
{
    long failures = 0;
    const Vector2 e = {114.0f, 115.0f};
    for (int i = -30; i <= 30; ++i) {
        for (int j = -30; j <= 30; ++j) {
            Vector3 o = P((float)i * 0.5f, (float)j * 0.5f);
            if (!ArenaContainsExtents(o, e)) continue;
            for (int k = 0; k < 32; ++k) {
                float a = (float)k * PI_F / 16.0f + 0.05f;
                Vector2 d = {std::cos(a), std::sin(a)};
                float t = ArenaRayExitExtents(o, d, e, 400.0f);
                bool in = ArenaContainsExtents(P(o.x + d.x * t, o.z + d.y * t), e);
                bool beyond = ArenaContainsExtents(P(o.x + d.x * (t + 0.01f), o.z + d.y * (t + 0.01f)), e);
                if ((!in || beyond) && failures++ < 5) ADD_FAILURE() << o.x << ", " << o.z << " dir " << a << " t " << t;
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

// [SECTION] Non-finite input

TEST(Arena, NonFiniteInputGivesDefinedResults)
{
    const float bad[] = {NAN, INFINITY, -INFINITY};
    for (float v : bad) {
        SCOPED_TRACE(v);
        EXPECT_EQ(ArenaSignedDistance(v, 0), INFINITY);
        EXPECT_EQ(ArenaSignedDistance(0, v), INFINITY);

        EXPECT_FALSE(ArenaContainsCircle(P(v, 0), 1));
        EXPECT_FALSE(ArenaContainsCircle(P(0, v), 1));
        EXPECT_FALSE(ArenaContainsCircle(P(0, 0), v));
        EXPECT_FALSE(ArenaContainsExtents(P(v, 0), {1, 1}));
        EXPECT_FALSE(ArenaContainsExtents(P(0, 0), {v, 1}));
        EXPECT_FALSE(ArenaContainsExtents(P(0, 0), {1, v}));

        Vector3 p = P(v, 5, 2);
        EXPECT_TRUE(SameBits(ArenaClampCircle(p, 1), p));
        EXPECT_TRUE(SameBits(ArenaClampExtents(p, {1, 1}), p));
        Vector3 q = P(300, 5, 2);
        EXPECT_TRUE(SameBits(ArenaClampCircle(q, v), q));
        EXPECT_TRUE(SameBits(ArenaClampExtents(q, {v, 1}), q));

        EXPECT_EQ(ArenaRayExitCircle(P(v, 0), {1, 0}, 1, 10), 0.0f);
        EXPECT_EQ(ArenaRayExitCircle(P(0, 0), {v, 0}, 1, 10), 0.0f);
        EXPECT_EQ(ArenaRayExitCircle(P(0, 0), {0, v}, 1, 10), 0.0f);
        EXPECT_EQ(ArenaRayExitCircle(P(0, 0), {1, 0}, v, 10), 0.0f);
        EXPECT_EQ(ArenaRayExitExtents(P(0, v), {1, 0}, {1, 1}, 10), 0.0f);
        EXPECT_EQ(ArenaRayExitExtents(P(0, 0), {v, 1}, {1, 1}, 10), 0.0f);
        EXPECT_EQ(ArenaRayExitExtents(P(0, 0), {1, 0}, {1, v}, 10), 0.0f);
    }
    EXPECT_EQ(ArenaRayExitCircle(P(0, 0), {1, 0}, 1, NAN), 0.0f);
    EXPECT_EQ(ArenaRayExitCircle(P(0, 0), {1, 0}, 1, INFINITY), 127.0f);
    // A finite y that is NaN passes through untouched and takes no part.
    Vector3 c = ArenaClampCircle(P(300, 0, NAN), 1);
    EXPECT_EQ(c.x, 127.0f);
    EXPECT_TRUE(std::isnan(c.y));
}
