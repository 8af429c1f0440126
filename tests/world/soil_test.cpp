// Soil deposits: the clay ledger of every deposit, the height limit and the queries at the
// arena's edge, the press's mass balance over long walks at three frame rates (also at the grid's
// edge), the grid's invariants after a seeded mix of operations, the upload rectangles, reset
// and the ground the terrain height reads.
//
// Index
//   [SECTION] Fixture and helpers
//   [SECTION] Deposits
//   [SECTION] Queries
//   [SECTION] Press
//   [SECTION] Invariants
//   [SECTION] Upload
//   [SECTION] Lifecycle and ground
#include "world/soil.h"

#include "common/maths.h"
#include "render/soil_gpu.h"
#include "tests/support/log_capture.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// [SECTION] Fixture and helpers

constexpr double FOUR_THIRDS_PI = 4.0 * 3.14159265358979323846 / 3.0;

// One soil shared by the tests of this file (its grids are 36 MiB), reset before each test.
class SoilTest : public ::testing::Test {
protected:
    static Soil soil;
    static void SetUpTestSuite() { ASSERT_TRUE(SoilCreate(soil)); }
    static void TearDownTestSuite() { SoilRelease(soil); }
    void SetUp() override { SoilReset(soil); }
    void TearDown() override { SoilBindGround(nullptr); }
};
Soil SoilTest::soil{};

int Index(int row, int column) { return row * SOIL_SIZE + column; }
int CellAt(float world) { return (int)std::floor((world + 128.0f) * 4.0f); }
float Centre(int k) { return ((float)k + 0.5f) * 0.25f - 128.0f; }

// Column volume over every cell, m^3.
double ColumnVolume(const Soil &s)
{
    double sum = 0.0;
    for (int k = 0; k < SOIL_CELL_COUNT; ++k) sum += s.volume[k];
    return sum * 0.0625;
}

// Clods and column volume (m^3) of the cells within `half` metres of (x, z) in both axes: the
// walks stay well inside theirs, so clay leaving it counts as lost.
struct Sums {
    double clods, volume;
};

Sums SumsAround(const Soil &s, float x, float z, float half)
{
    Sums sums = {0.0, 0.0};
    int j0 = std::max(CellAt(x - half), 0), j1 = std::min(CellAt(x + half), SOIL_SIZE - 1);
    int i0 = std::max(CellAt(z - half), 0), i1 = std::min(CellAt(z + half), SOIL_SIZE - 1);
    for (int i = i0; i <= i1; ++i) {
        for (int j = j0; j <= j1; ++j) {
            sums.clods += s.cells[Index(i, j)].mass;
            sums.volume += s.volume[Index(i, j)];
        }
    }
    sums.clods *= 0.0625 / FOUR_THIRDS_PI;
    sums.volume *= 0.0625;
    return sums;
}

// A square window of cells, copied.
struct Window {
    int first, last;  // rows and columns first..last
    std::vector<SoilCell> cells;
    std::vector<float> volume;
};

Window Snapshot(const Soil &s, int first, int last)
{
    Window w{first, last, {}, {}};
    for (int i = first; i <= last; ++i) {
        for (int j = first; j <= last; ++j) {
            w.cells.push_back(s.cells[Index(i, j)]);
            w.volume.push_back(s.volume[Index(i, j)]);
        }
    }
    return w;
}

bool SameCell(const SoilCell &a, const SoilCell &b, float va, float vb)
{
    return std::memcmp(&a, &b, sizeof(SoilCell)) == 0 && std::memcmp(&va, &vb, sizeof(float)) == 0;
}

// Cells of the window that differ from the snapshot.
int ChangedCells(const Soil &s, const Window &w)
{
    int changed = 0, n = 0;
    for (int i = w.first; i <= w.last; ++i) {
        for (int j = w.first; j <= w.last; ++j, ++n) {
            changed += !SameCell(s.cells[Index(i, j)], w.cells[n], s.volume[Index(i, j)], w.volume[n]);
        }
    }
    return changed;
}

// Every invariant of one cell and its block; an empty string when they hold.
std::string CellFault(const Soil &s, int i, int j)
{
    const SoilCell &c = s.cells[Index(i, j)];
    float v = s.volume[Index(i, j)];
    int block = (i / 32) * 32 + j / 32;
    char text[256];
    auto fault = [&](const char *what) {
        snprintf(text, sizeof(text), "cell (%d, %d) %s: h %g w %g d %g m %g V %g block %g", i, j, what, (double)c.height,
                 (double)c.wetness, (double)c.dryness, (double)c.mass, (double)v, (double)s.blockMax[block]);
        return std::string(text);
    };
    if (!IsFinite(c.height) || !IsFinite(c.wetness) || !IsFinite(c.dryness) || !IsFinite(c.mass) || !IsFinite(v)) return fault("not finite");
    if (!(v >= 0.0f && v <= c.mass)) return fault("volume outside 0..mass");
    if (std::fabs(c.height - 0.18f * v / (v + 0.24f)) > 1e-6f * (1.0f + c.height)) return fault("height does not follow volume");
    if (c.height > 0.18f) return fault("height above 0.18");
    if (c.wetness < 0.0f || c.wetness > 1.0f || c.dryness < 0.0f || c.dryness > 1.0f) return fault("material outside 0..1");
    if (s.blockMax[block] < c.height) return fault("above its block maximum");
    if (c.mass > 0.0f && s.blockMax[block] < SOIL_OCCUPIED) return fault("occupied in an empty block");
    if (!(c.mass > 0.0f) && (c.height != 0.0f || c.wetness != 0.0f || c.dryness != 0.0f || v != 0.0f || c.mass != 0.0f))
        return fault("no mass but not empty");
    if (s.maxHeight < s.blockMax[block]) return fault("block above the global maximum");
    return {};
}

// A walk across a deposit: `steps` presses of equal length from `from` to `to`, dt each.
void Walk(Soil &s, Vector3 from, Vector3 to, int steps, float radius, float strength, float dt)
{
    for (int k = 0; k < steps; ++k) {
        Vector3 a = Vector3Lerp(from, to, (float)k / (float)steps);
        Vector3 b = Vector3Lerp(from, to, (float)(k + 1) / (float)steps);
        SoilPress(s, a, b, radius, strength, dt);
    }
}

// [SECTION] Deposits

TEST_F(SoilTest, BlobRaisesColumnVolumeByFourThirdsPiTimesItsAmount)
{
    struct Case {
        const char *name;
        Vector3 centre;
        float amount, radius;
    } cases[] = {
        {"unit blob at the centre", {0.0f, 0.0f, 0.0f}, 1.0f, 1.0f},
        {"small blob off the grid lines", {10.3f, 2.0f, -7.9f}, 0.1f, 0.5f},
        {"radius below the least, clamped to 0.25", {-3.0f, 0.0f, 4.0f}, 0.7f, 0.01f},
        {"centre beyond the wall, clamped inside", {127.99f, 0.0f, -300.0f}, 2.0f, 1.5f},
        {"large body", {-60.0f, 0.0f, 60.0f}, 12.0f, 4.9f},
    };
    double total = 0.0, volume = 0.0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SoilDepositBlob(soil, c.centre, c.amount, c.radius, 0.6f, 0.2f));
        total += c.amount;
        volume += FOUR_THIRDS_PI * c.amount;
        EXPECT_DOUBLE_EQ(SoilTotal(soil), total);
        EXPECT_NEAR(ColumnVolume(soil), volume, volume * 1e-5);
        EXPECT_NEAR(SoilMassClods(soil), total, total * 1e-5);
    }
}

TEST_F(SoilTest, HeightStaysBelowTheLimitHoweverMuchIsDeposited)
{
    for (float amount : {1.0f, 100.0f, 1e4f, 1e6f}) SoilDepositBlob(soil, {20.0f, 0.0f, 20.0f}, amount, 0.3f, 1.0f, 0.0f);
    float h = SoilHeight(soil, 20.0f, 20.0f);
    EXPECT_LE(h, 0.18f);
    EXPECT_GT(h, 0.1799f);
    EXPECT_LE(SoilMaxHeight(soil), 0.18f);
    EXPECT_GE(SoilMaxHeight(soil), h);
}

TEST_F(SoilTest, BodyDepositReachesTwiceTheCubeRootOfItsMassPlusAThird)
{
    // mass 8: radius 2 * 2 + 0.3 = 4.3 m.
    Vector3 c = {Centre(600), 0.0f, Centre(600)};
    ASSERT_TRUE(SoilDepositBody(soil, c, 8.0f, 0.5f, 0.5f));
    EXPECT_GT(soil.cells[Index(600, 600 + 16)].mass, 0.0f);  // 4.0 m
    EXPECT_GT(soil.cells[Index(600, 600 + 17)].mass, 0.0f);  // 4.25 m
    EXPECT_EQ(soil.cells[Index(600, 600 + 18)].mass, 0.0f);  // 4.5 m
    EXPECT_EQ(soil.cells[Index(600 - 18, 600)].mass, 0.0f);
    EXPECT_NEAR(SoilMassClods(soil), 8.0, 8e-5);
    // Nothing for no mass, a negative or a non-finite one.
    for (float bad : {0.0f, -1.0f, NAN, INFINITY}) EXPECT_FALSE(SoilDepositBody(soil, c, bad, 0.5f, 0.5f));
    EXPECT_DOUBLE_EQ(SoilTotal(soil), 8.0);
}

TEST_F(SoilTest, AddCellRejectsBadIndexAmountAndMaterialsAndMixesByMass)
{
    struct Case {
        const char *name;
        int index;
        float amount, wetness, dryness;
    } rejected[] = {
        {"index below the grid", -1, 1.0f, 0.5f, 0.5f},
        {"index past the grid", SOIL_CELL_COUNT, 1.0f, 0.5f, 0.5f},
        {"largest index", INT_MAX, 1.0f, 0.5f, 0.5f},
        {"no amount", 7, 0.0f, 0.5f, 0.5f},
        {"negative amount", 7, -1.0f, 0.5f, 0.5f},
        {"NaN amount", 7, NAN, 0.5f, 0.5f},
        {"infinite amount", 7, INFINITY, 0.5f, 0.5f},
        {"NaN wetness", 7, 1.0f, NAN, 0.5f},
        {"infinite dryness", 7, 1.0f, 0.5f, -INFINITY},
    };
    for (const Case &c : rejected) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(SoilAddCell(soil, c.index, c.amount, c.wetness, c.dryness));
    }
    EXPECT_EQ(soil.cells[7].mass, 0.0f);

    ASSERT_TRUE(SoilAddCell(soil, 7, 1.0f, 7.0f, -2.0f));  // materials clamped to 1 and 0
    ASSERT_TRUE(SoilAddCell(soil, 7, 3.0f, 0.0f, 1.0f));
    EXPECT_FLOAT_EQ(soil.cells[7].mass, 4.0f);
    EXPECT_FLOAT_EQ(soil.cells[7].wetness, 0.25f);
    EXPECT_FLOAT_EQ(soil.cells[7].dryness, 0.75f);
    EXPECT_FLOAT_EQ(soil.volume[7], 4.0f);
    // Counted in the ledger, and so pressed like any other deposit.
    EXPECT_NEAR(SoilTotal(soil), 4.0 * 0.0625 / FOUR_THIRDS_PI, 1e-7);
    EXPECT_NEAR(SoilMassClods(soil), SoilTotal(soil), 1e-7);
    SoilPress(soil, {Centre(7) - 1.0f, 0.0f, Centre(0)}, {Centre(7) + 1.0f, 0.0f, Centre(0)}, 0.5f, 1.8f, 0.05f);
    EXPECT_LT(soil.cells[7].mass, 4.0f);
    EXPECT_NEAR(SoilMassClods(soil), SoilTotal(soil), 1e-7);

    ASSERT_TRUE(SoilAddCell(soil, 9, FLT_MAX, 0.5f, 0.5f));
    EXPECT_FALSE(SoilAddCell(soil, 9, FLT_MAX, 0.5f, 0.5f));  // would overflow
    EXPECT_TRUE(IsFinite(soil.cells[9].mass));
}

TEST_F(SoilTest, PatternFollowsItsWeights)
{
    // 3 x 3, spacing one cell, centred on a cell centre: the samples fall on the weights.
    float single[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    Vector3 c = {Centre(300), 0.0f, Centre(400)};
    ASSERT_TRUE(SoilDepositPattern(soil, c, single, 3, 0.25f, 2.0f, 0.5f, 0.5f));
    EXPECT_FLOAT_EQ(soil.cells[Index(400, 300)].mass, 2.0f * 4.1887903f / 0.0625f);
    EXPECT_EQ(soil.cells[Index(400, 301)].mass, 0.0f);

    // Weight only in the first column (l = 0): the clay lies on the -x side only.
    float left[9] = {1, 0, 0, 1, 0, 0, 1, 0, 0};
    Vector3 d = {Centre(700), 0.0f, Centre(700)};
    ASSERT_TRUE(SoilDepositPattern(soil, d, left, 3, 0.5f, 1.0f, 0.5f, 0.5f));
    EXPECT_GT(soil.cells[Index(700, 698)].mass, 0.0f);
    EXPECT_GT(soil.cells[Index(701, 699)].mass, 0.0f);
    EXPECT_EQ(soil.cells[Index(700, 700)].mass, 0.0f);
    EXPECT_EQ(soil.cells[Index(700, 701)].mass, 0.0f);
    EXPECT_NEAR(SoilMassClods(soil), 3.0, 3e-5);
    EXPECT_DOUBLE_EQ(SoilTotal(soil), 3.0);
}

TEST_F(SoilTest, PatternBetweenCellCentresGoesIntoTheCentreCell)
{
    // Half-width 0.05 m around a cell corner: no cell centre inside.
    float flat[4] = {1, 1, 1, 1};
    ASSERT_TRUE(SoilDepositPattern(soil, {0.0f, 0.0f, 0.0f}, flat, 2, 0.1f, 0.5f, 0.5f, 0.5f));
    EXPECT_FLOAT_EQ(soil.cells[Index(512, 512)].mass, 0.5f * 4.1887903f * 16.0f);
    EXPECT_NEAR(SoilMassClods(soil), 0.5, 5e-6);
}

TEST_F(SoilTest, PatternClampsItsMaterials)
{
    float w[17 * 17];
    for (float &x : w) x = 1.0f;
    ASSERT_TRUE(SoilDepositPattern(soil, {-30.0f, 0.0f, 12.0f}, w, 17, 0.2f, 1.5f, 5.0f, -3.0f));
    int touched = 0;
    for (int i = CellAt(12.0f) - 8; i <= CellAt(12.0f) + 8; ++i) {
        for (int j = CellAt(-30.0f) - 8; j <= CellAt(-30.0f) + 8; ++j) {
            const SoilCell &c = soil.cells[Index(i, j)];
            if (c.mass <= 0.0f) continue;
            touched++;
            EXPECT_EQ(c.wetness, 1.0f);
            EXPECT_EQ(c.dryness, 0.0f);
        }
    }
    EXPECT_GT(touched, 100);
}

TEST_F(SoilTest, UnusablePatternIsReportedAndDepositedAsABody)
{
    static const float zeros[9] = {};
    static const float negative[9] = {0, 0, 0, 0, 1, 0, 0, -0.5f, 0};
    static const float notFinite[9] = {0, 0, 0, 0, 1, NAN, 0, 0, 0};
    static const float ones[4 * 66 * 66] = {1.0f};
    struct Case {
        const char *name;
        const float *weights;
        int n;
        float spacing;
    } cases[] = {
        {"all weights zero", zeros, 3, 0.25f},
        {"no pattern", nullptr, 3, 0.25f},
        {"one cell", ones, 1, 0.25f},
        {"66 cells", ones, 66, 0.25f},
        {"no spacing", ones, 3, 0.0f},
        {"NaN spacing", ones, 3, NAN},
        {"negative weight", negative, 3, 0.25f},
        {"NaN weight", notFinite, 3, 0.25f},
    };
    double total = 0.0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        EXPECT_TRUE(SoilDepositPattern(soil, {5.0f, 0.0f, -5.0f}, c.weights, c.n, c.spacing, 0.8f, 0.5f, 0.5f));
        total += 0.8f;
        ASSERT_EQ(log.count(LOG_WARNING), 1);
        EXPECT_NE(log.lines()[0].text.find("SOIL:"), std::string::npos);
        EXPECT_DOUBLE_EQ(SoilTotal(soil), total);
        EXPECT_NEAR(SoilMassClods(soil), total, total * 1e-5);
    }
    // As a body: radius 2 cbrt(0.8) + 0.3 = 2.16 m around the centre.
    EXPECT_GT(SoilHeight(soil, 6.8f, -5.0f), 0.0f);
    EXPECT_EQ(SoilHeight(soil, 7.6f, -5.0f), 0.0f);
}

TEST_F(SoilTest, DepositsIgnoreInvalidAmountsAndCentres)
{
    float w[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    LogCapture log;
    for (float amount : {0.0f, -2.0f, NAN, INFINITY, FLT_MAX}) {
        EXPECT_FALSE(SoilDepositBlob(soil, {0.0f, 0.0f, 0.0f}, amount, 1.0f, 0.5f, 0.5f));
        EXPECT_FALSE(SoilDepositPattern(soil, {0.0f, 0.0f, 0.0f}, w, 3, 0.25f, amount, 0.5f, 0.5f));
    }
    EXPECT_FALSE(SoilDepositBlob(soil, {NAN, 0.0f, 0.0f}, 1.0f, 1.0f, 0.5f, 0.5f));
    EXPECT_FALSE(SoilDepositBlob(soil, {0.0f, 0.0f, 0.0f}, 1.0f, NAN, 0.5f, 0.5f));
    EXPECT_FALSE(SoilDepositBlob(soil, {0.0f, 0.0f, 0.0f}, 1.0f, 1.0f, INFINITY, 0.5f));
    EXPECT_FALSE(SoilDepositPattern(soil, {0.0f, 0.0f, INFINITY}, w, 3, 0.25f, 1.0f, 0.5f, 0.5f));
    EXPECT_FALSE(SoilDepositPattern(soil, {0.0f, 0.0f, 0.0f}, w, 3, 0.25f, 1.0f, NAN, 0.5f));
    EXPECT_EQ(SoilTotal(soil), 0.0);
    EXPECT_EQ(SoilMaxHeight(soil), 0.0f);
    EXPECT_EQ(log.count(LOG_WARNING), 0);
}

// [SECTION] Queries

TEST_F(SoilTest, HeightIsZeroOutsideTheArenaAndHoldsTheEdgeCellsUpToTheWall)
{
    SoilDepositBlob(soil, {127.9f, 0.0f, 0.125f}, 1.0f, 1.0f, 0.5f, 0.5f);
    SoilDepositBlob(soil, {-127.9f, 0.0f, -127.9f}, 1.0f, 1.0f, 0.5f, 0.5f);
    float edge = soil.cells[Index(512, 1023)].height;
    float corner = soil.cells[Index(0, 0)].height;
    ASSERT_GT(edge, 0.0f);
    struct Case {
        const char *name;
        float x, z, expected;
    } cases[] = {
        {"edge cell centre", 127.875f, 0.125f, edge},
        {"between the last centre and the wall", 127.95f, 0.125f, edge},
        {"on the wall", 128.0f, 0.125f, edge},
        {"corner on both walls", -128.0f, -128.0f, corner},
        {"just past the wall", 128.01f, 0.125f, 0.0f},
        {"far outside", -300.0f, 0.0f, 0.0f},
        {"NaN x", NAN, 0.125f, 0.0f},
        {"NaN z", 127.9f, NAN, 0.0f},
        {"infinite", INFINITY, -INFINITY, 0.0f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SoilHeight(soil, c.x, c.z), c.expected);
    }
}

TEST_F(SoilTest, HeightIsContinuousAcrossCells)
{
    SoilDepositBlob(soil, {3.0f, 0.0f, -2.0f}, 1.0f, 1.2f, 0.5f, 0.5f);
    for (float x = 1.5f; x < 4.5f; x += 0.25f) {  // cell borders
        float below = SoilHeight(soil, x - 1e-4f, -2.0f), above = SoilHeight(soil, x + 1e-4f, -2.0f);
        EXPECT_NEAR(below, above, 1e-4f) << x;
    }
    EXPECT_EQ(SoilHeight(soil, Centre(524), Centre(504)), soil.cells[Index(504, 524)].height);
}

TEST_F(SoilTest, MaxHeightInBoundsTheHeightsOfItsRectangle)
{
    SoilDepositBlob(soil, {40.0f, 0.0f, 40.0f}, 2.0f, 1.0f, 0.5f, 0.5f);
    float bound = SoilMaxHeightIn(soil, 38.0f, 38.0f, 42.0f, 42.0f);
    uint32_t r = 12345u;
    for (int k = 0; k < 500; ++k) {
        float x = 38.0f + 4.0f * (float)(Xorshift32(r) >> 8) / 16777216.0f;
        float z = 38.0f + 4.0f * (float)(Xorshift32(r) >> 8) / 16777216.0f;
        ASSERT_LE(SoilHeight(soil, x, z), bound);
    }
    EXPECT_GT(bound, 0.0f);
    EXPECT_EQ(SoilMaxHeightIn(soil, 42.0f, 42.0f, 38.0f, 38.0f), bound);          // corners in any order
    EXPECT_EQ(SoilMaxHeightIn(soil, -60.0f, -60.0f, -50.0f, -50.0f), 0.0f);      // no soil there
    EXPECT_EQ(SoilMaxHeightIn(soil, 130.0f, -10.0f, 300.0f, 10.0f), 0.0f);       // outside the arena
    EXPECT_EQ(SoilMaxHeightIn(soil, NAN, 0.0f, 1.0f, 1.0f), SoilMaxHeight(soil));  // unknown: the global bound
    // The blob lies in block column 20, which begins at x = 32 m. A rectangle ending 0.1 m short
    // of it still sees it (a height there interpolates from the next cell); 0.2 m short does not.
    const float firstSoilX = 32.0f;
    EXPECT_GT(SoilMaxHeightIn(soil, 30.0f, 38.0f, firstSoilX - 0.1f, 42.0f), 0.0f);
    EXPECT_EQ(SoilMaxHeightIn(soil, 20.0f, 38.0f, firstSoilX - 0.2f, 42.0f), 0.0f);
}

// [SECTION] Press

TEST_F(SoilTest, PressDoesNothingWithoutSoilOrWithInvalidInput)
{
    Vector3 a = {-1.0f, 0.0f, 0.0f}, b = {1.0f, 0.0f, 0.0f};
    SoilMarkUploaded(soil);
    SoilPress(soil, a, b, 1.0f, 1.8f, 0.016f);  // nothing was ever deposited
    EXPECT_FALSE(soil.textureStale);

    SoilDepositBlob(soil, {0.0f, 0.0f, 0.0f}, 1.0f, 1.5f, 0.5f, 0.5f);
    SoilMarkUploaded(soil);
    Window before = Snapshot(soil, CellAt(-6.0f), CellAt(6.0f));
    struct Case {
        const char *name;
        Vector3 from, to;
        float radius, strength, dt;
    } cases[] = {
        {"no time", a, b, 1.0f, 1.8f, 0.0f},
        {"negative time", a, b, 1.0f, 1.8f, -0.016f},
        {"NaN time", a, b, 1.0f, 1.8f, NAN},
        {"no radius", a, b, 0.0f, 1.8f, 0.016f},
        {"NaN radius", a, b, NAN, 1.8f, 0.016f},
        {"no strength", a, b, 1.0f, 0.0f, 0.016f},
        {"infinite strength", a, b, 1.0f, INFINITY, 0.016f},
        {"NaN start", {NAN, 0.0f, 0.0f}, b, 1.0f, 1.8f, 0.016f},
        {"infinite end", a, {1.0f, 0.0f, INFINITY}, 1.0f, 1.8f, 0.016f},
        {"zero-length step", a, a, 1.0f, 1.8f, 0.016f},
        {"step below 0.00001 m", a, {a.x + 5e-6f, 0.0f, 0.0f}, 1.0f, 1.8f, 0.016f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SoilPress(soil, c.from, c.to, c.radius, c.strength, c.dt);
        EXPECT_EQ(ChangedCells(soil, before), 0);
        EXPECT_FALSE(soil.textureStale);
    }
    // A vertical step has no horizontal length either.
    SoilPress(soil, {0.0f, 0.0f, 0.0f}, {0.0f, 2.0f, 0.0f}, 1.0f, 1.8f, 0.016f);
    EXPECT_EQ(ChangedCells(soil, before), 0);
}

// Walks of 12 m across a body's deposit keep its mass, whatever the rate, speed, radius and
// strength, at the centre, against the +x wall and into the (-x, -z) corner. The delta box that
// is too small for wide bodies, and writes past the grid's edge, both show here.
TEST_F(SoilTest, WalksConserveMassAtEveryRateRadiusAndStrength)
{
    struct Fixture {
        const char *name;
        Vector3 blob, from, to;
    } fixtures[] = {
        {"centre", {0.0f, 0.0f, 0.0f}, {-6.0f, 0.0f, 0.05f}, {6.0f, 0.0f, 0.05f}},
        {"blob at x = 127.8 pressed toward +x", {127.8f, 0.0f, 3.0f}, {116.0f, 0.0f, 3.1f}, {128.0f, 0.0f, 3.1f}},
        {"into the (-x, -z) corner", {-127.8f, 0.0f, -127.8f}, {-119.3f, 0.0f, -119.3f}, {-127.8f, 0.0f, -127.8f}},
    };
    const float rates[] = {30.0f, 60.0f, 144.0f};
    const float speeds[] = {1.5f, 3.0f};
    const float radii[] = {0.125f, 0.5f, 1.0f, 1.5f, 2.0f};
    const float strengths[] = {1.1f, 1.8f, 10.0f};
    for (const Fixture &f : fixtures) {
        for (float rate : rates) {
            for (float speed : speeds) {
                for (float radius : radii) {
                    // The narrow radii only at the extremes of strength: their boxes are small.
                    for (float strength : strengths) {
                        if (radius < 1.0f && strength == 1.8f) continue;
                        SoilReset(soil);
                        SoilDepositBody(soil, f.blob, 3.0f, 0.7f, 0.2f);
                        Vector3 middle = Vector3Lerp(f.from, f.to, 0.5f);
                        Sums before = SumsAround(soil, middle.x, middle.z, 14.0f);
                        ASSERT_NEAR(before.clods, 3.0, 3e-5);
                        float length = Vector3Distance(f.from, f.to);
                        int steps = (int)std::lround(length / speed * rate);
                        Walk(soil, f.from, f.to, steps, radius, strength, 1.0f / rate);
                        Sums after = SumsAround(soil, middle.x, middle.z, 14.0f);
                        ASSERT_NEAR(after.clods, before.clods, before.clods * 1e-3)
                            << f.name << " at " << rate << " Hz, " << speed << " m/s, radius " << radius << ", strength "
                            << strength;
                        // Trodden soil is compacted, so the column volume falls.
                        ASSERT_LT(after.volume, before.volume) << f.name;
                    }
                }
            }
        }
    }
}

// The same walk compacts the deposit alike at 30, 60 and 144 Hz.
TEST_F(SoilTest, WalkCompactsAlikeAtEveryRate)
{
    for (float radius : {0.32f, 1.0f, 2.0f}) {
        double kept[3];
        const float rates[] = {30.0f, 60.0f, 144.0f};
        for (int k = 0; k < 3; ++k) {
            SoilReset(soil);
            SoilDepositBody(soil, {0.0f, 0.0f, 0.0f}, 3.0f, 0.5f, 0.5f);
            double before = SumsAround(soil, 0.0f, 0.0f, 14.0f).volume;
            Walk(soil, {-6.0f, 0.0f, 0.05f}, {6.0f, 0.0f, 0.05f}, (int)std::lround(4.0f * rates[k]), radius, 1.8f, 1.0f / rates[k]);
            kept[k] = SumsAround(soil, 0.0f, 0.0f, 14.0f).volume / before;
        }
        EXPECT_NEAR(kept[0], kept[2], 0.05 * kept[2]) << "radius " << radius;
        EXPECT_NEAR(kept[1], kept[2], 0.05 * kept[2]) << "radius " << radius;
    }
}

// After a wide walk across a deposit, every cell the walk changed carries a height that matches
// its volume and lies in a block marked for upload, cells that only lost clay included.
TEST_F(SoilTest, WalkLeavesChangedCellsConsistentAndDirty)
{
    struct Fixture {
        const char *name;
        Vector3 blob, from, to;
    } fixtures[] = {
        {"centre", {0.0f, 0.0f, 0.0f}, {-6.0f, 0.0f, 0.0f}, {6.0f, 0.0f, 0.0f}},
        {"edge", {127.8f, 0.0f, 3.0f}, {116.0f, 0.0f, 3.0f}, {128.0f, 0.0f, 3.0f}},
    };
    for (const Fixture &f : fixtures) {
        SCOPED_TRACE(f.name);
        SoilReset(soil);
        SoilDepositBody(soil, f.blob, 3.0f, 0.7f, 0.2f);
        SoilMarkUploaded(soil);
        std::vector<SoilCell> before(soil.cells, soil.cells + SOIL_CELL_COUNT);
        std::vector<float> volumes(soil.volume, soil.volume + SOIL_CELL_COUNT);
        Walk(soil, f.from, f.to, 480, 2.0f, 1.8f, 1.0f / 60.0f);
        int changed = 0, lostOnly = 0;
        for (int i = 0; i < SOIL_SIZE; ++i) {
            for (int j = 0; j < SOIL_SIZE; ++j) {
                int k = Index(i, j);
                std::string fault = CellFault(soil, i, j);
                ASSERT_TRUE(fault.empty()) << fault;
                if (SameCell(soil.cells[k], before[k], soil.volume[k], volumes[k])) continue;
                changed++;
                lostOnly += soil.cells[k].mass < before[k].mass;
                ASSERT_TRUE(soil.blockDirty[(i / 32) * 32 + j / 32]) << "cell " << i << ", " << j;
            }
        }
        EXPECT_GT(changed, 100);
        EXPECT_GT(lostOnly, 10);
        EXPECT_TRUE(soil.textureStale);
    }
}

// The press is cut into segments of at most 0.75 m: one long step over a deposit moves about as
// much clay as the same path in short steps with the same total time.
TEST_F(SoilTest, LongStepIsPressedLikeShortSteps)
{
    auto pressedVolume = [&](int steps) {
        SoilReset(soil);
        SoilDepositBody(soil, {0.0f, 0.0f, 0.0f}, 3.0f, 0.5f, 0.5f);
        double before = ColumnVolume(soil);
        Walk(soil, {-3.0f, 0.0f, 0.0f}, {3.0f, 0.0f, 0.0f}, steps, 0.8f, 1.8f, 0.4f / (float)steps);
        return before - ColumnVolume(soil);
    };
    double one = pressedVolume(1), eight = pressedVolume(8);
    EXPECT_GT(one, 0.0);
    EXPECT_NEAR(one, eight, 0.02 * eight);
}

// [SECTION] Invariants

// 200 seeded operations of every kind near the (+x, +z) corner, some of them invalid; after each
// one the cells satisfy every invariant and every changed cell's block is dirty; at the end the
// ledger balances and nothing outside the corner was touched.
TEST_F(SoilTest, InvariantsHoldAfter200SeededOperations)
{
    const int first = CellAt(100.0f), last = SOIL_SIZE - 1;
    uint32_t r = 0x9e3779b9u;
    auto unit = [&r] { return (float)(Xorshift32(r) >> 8) / 16777216.0f; };
    auto place = [&] { return Vector3{108.0f + 21.0f * unit(), 0.0f, 108.0f + 21.0f * unit()}; };
    auto material = [&] { return unit() * 1.4f - 0.2f; };  // sometimes outside 0..1
    float pattern[17 * 17];
    LogCapture log;  // the unusable patterns report themselves
    int changedTotal = 0;
    for (int op = 0; op < 200; ++op) {
        SCOPED_TRACE("operation " + std::to_string(op));
        Window before = Snapshot(soil, first, last);
        double total = SoilTotal(soil);
        int kind = (int)(unit() * 6.0f);
        bool invalid = unit() < 0.1f;
        float bad = invalid ? NAN : 1.0f;
        switch (kind) {
        case 0: {
            int i = first + (int)(unit() * (float)(last - first + 1)), j = first + (int)(unit() * (float)(last - first + 1));
            SoilAddCell(soil, Index(i, j), unit() * 2.0f * bad, material(), material());
            break;
        }
        case 1:
            SoilDepositBlob(soil, place(), unit() * 3.0f, (0.1f + 2.9f * unit()) * bad, material(), material());
            break;
        case 2:
            SoilDepositBody(soil, place(), unit() * 5.0f * bad, material(), material());
            break;
        case 3: {
            for (float &w : pattern) w = unit() < 0.4f ? 0.0f : unit() * 12.0f;
            if (unit() < 0.1f) for (float &w : pattern) w = 0.0f;
            SoilDepositPattern(soil, place(), pattern, 17, 0.05f + 0.35f * unit(), unit() * 2.0f * bad, material(), material());
            break;
        }
        default: {
            Vector3 from = place();
            float angle = unit() * 6.2831853f, length = unit() * unit() * 2.5f;
            Vector3 to = {from.x + std::sin(angle) * length, 0.0f, from.z + std::cos(angle) * length * bad};
            SoilPress(soil, from, to, 0.05f + 2.45f * unit(), 0.5f + 11.5f * unit(), 1.0f / 144.0f + unit() * 0.045f);
            break;
        }
        }
        ASSERT_GE(SoilTotal(soil), total);
        int n = 0;
        bool anyDirty = false;
        for (bool d : soil.blockDirty) anyDirty = anyDirty || d;
        for (int i = first; i <= last; ++i) {
            for (int j = first; j <= last; ++j, ++n) {
                std::string fault = CellFault(soil, i, j);
                ASSERT_TRUE(fault.empty()) << fault;
                if (SameCell(soil.cells[Index(i, j)], before.cells[n], soil.volume[Index(i, j)], before.volume[n])) continue;
                changedTotal++;
                ASSERT_TRUE(soil.blockDirty[(i / 32) * 32 + j / 32]) << "changed cell " << i << ", " << j << " in a clean block";
            }
        }
        EXPECT_EQ(soil.textureStale, anyDirty);
        // The bound the renderer marches under covers every height.
        for (int k = 0; k < 8; ++k) {
            Vector3 p = place();
            ASSERT_LE(SoilHeight(soil, p.x, p.z), SoilMaxHeightIn(soil, p.x - 0.3f, p.z - 0.3f, p.x + 0.3f, p.z + 0.3f));
        }
        SoilMarkUploaded(soil);
    }
    EXPECT_GT(changedTotal, 1000);
    EXPECT_GT(SoilTotal(soil), 50.0);
    EXPECT_NEAR(SoilMassClods(soil), SoilTotal(soil), SoilTotal(soil) * 1e-4);
    for (int i = 0; i < SOIL_SIZE; ++i) {
        for (int j = 0; j < SOIL_SIZE; ++j) {
            if (i >= first && j >= first) continue;
            ASSERT_TRUE(SameCell(soil.cells[Index(i, j)], SoilCell{}, soil.volume[Index(i, j)], 0.0f)) << i << ", " << j;
        }
    }
}

// [SECTION] Upload

struct PlanCase {
    const char *name;
    std::vector<int> dirtyBlocks;  // row * 32 + column
    std::vector<SoilUploadRect> rects;
};

TEST(SoilUploadPlan, RectanglesForDirtyBlocks)
{
    std::vector<int> all, allButOne, fullRow;
    for (int b = 0; b < SOIL_BLOCK_COUNT; ++b) all.push_back(b);
    for (int b = 0; b < SOIL_BLOCK_COUNT; ++b) if (b != 5 * 32 + 9) allButOne.push_back(b);
    for (int c = 0; c < 32; ++c) fullRow.push_back(7 * 32 + c);
    std::vector<SoilUploadRect> allButOneRects;
    for (int a = 0; a < 32; ++a) {
        if (a == 5) {
            allButOneRects.push_back({0, 160, 9 * 32, 32});
            allButOneRects.push_back({10 * 32, 160, 22 * 32, 32});
        } else {
            allButOneRects.push_back({0, a * 32, 1024, 32});
        }
    }
    const PlanCase cases[] = {
        {"nothing dirty", {}, {}},
        {"everything dirty: the whole texture at once", all, {{0, 0, 1024, 1024}}},
        {"the first block", {0}, {{0, 0, 32, 32}}},
        {"row 3, column 5", {3 * 32 + 5}, {{160, 96, 32, 32}}},
        {"three neighbours merge", {2 * 32 + 4, 2 * 32 + 5, 2 * 32 + 6}, {{128, 64, 96, 32}}},
        {"a gap keeps runs apart", {2 * 32 + 4, 2 * 32 + 6}, {{128, 64, 32, 32}, {192, 64, 32, 32}}},
        {"the row's two ends", {31 * 32 + 0, 31 * 32 + 31}, {{0, 992, 32, 32}, {992, 992, 32, 32}}},
        {"runs never join across rows", {0 * 32 + 31, 1 * 32 + 0}, {{992, 0, 32, 32}, {0, 32, 32, 32}}},
        {"a full row", fullRow, {{0, 224, 1024, 32}}},
        {"all but one block", allButOne, allButOneRects},
    };
    for (const PlanCase &c : cases) {
        SCOPED_TRACE(c.name);
        bool dirty[SOIL_BLOCK_COUNT] = {};
        for (int b : c.dirtyBlocks) dirty[b] = true;
        SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY];
        int count = SoilUploadPlan(dirty, rects);
        ASSERT_EQ(count, (int)c.rects.size());
        for (int k = 0; k < count; ++k) {
            EXPECT_EQ(rects[k].x, c.rects[k].x) << k;
            EXPECT_EQ(rects[k].y, c.rects[k].y) << k;
            EXPECT_EQ(rects[k].width, c.rects[k].width) << k;
            EXPECT_EQ(rects[k].height, c.rects[k].height) << k;
        }
    }
}

// Random and alternating dirty sets: the rectangles cover exactly the dirty blocks, once each,
// and every one that is not the whole texture fits the staging buffer.
TEST(SoilUploadPlan, RectanglesCoverExactlyTheDirtyBlocks)
{
    uint32_t r = 77u;
    for (int trial = 0; trial < 40; ++trial) {
        bool dirty[SOIL_BLOCK_COUNT];
        float density = (float)trial / 39.0f;
        for (int b = 0; b < SOIL_BLOCK_COUNT; ++b) {
            dirty[b] = trial == 0 ? ((b / 32 + b) % 2 == 0) : (float)(Xorshift32(r) >> 8) / 16777216.0f < density;
        }
        SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY];
        int count = SoilUploadPlan(dirty, rects);
        ASSERT_LE(count, SOIL_UPLOAD_RECT_CAPACITY);
        int covered[SOIL_BLOCK_COUNT] = {};
        for (int k = 0; k < count; ++k) {
            const SoilUploadRect &q = rects[k];
            bool whole = q.width == SOIL_SIZE && q.height == SOIL_SIZE;
            ASSERT_TRUE(whole || q.width * q.height <= SOIL_STAGING_TEXELS);
            ASSERT_TRUE(q.x % 32 == 0 && q.y % 32 == 0 && q.width % 32 == 0 && q.height % 32 == 0);
            for (int a = q.y / 32; a < (q.y + q.height) / 32; ++a) {
                for (int b = q.x / 32; b < (q.x + q.width) / 32; ++b) covered[a * 32 + b]++;
            }
        }
        for (int b = 0; b < SOIL_BLOCK_COUNT; ++b) ASSERT_EQ(covered[b], dirty[b] ? 1 : 0) << "trial " << trial << " block " << b;
        if (trial == 0) {
            EXPECT_EQ(count, SOIL_UPLOAD_RECT_CAPACITY);
        }
    }
}

TEST_F(SoilTest, StageRectCopiesRowsContiguously)
{
    SoilDepositBlob(soil, {Centre(100), 0.0f, Centre(200)}, 1.0f, 2.0f, 0.3f, 0.6f);
    static SoilCell staging[SOIL_STAGING_TEXELS];
    SoilUploadRect rect = {64, 192, 96, 32};
    ASSERT_TRUE(SoilStageRect(soil, rect, staging));
    bool any = false;
    for (int i = 0; i < rect.height; ++i) {
        for (int j = 0; j < rect.width; ++j) {
            const SoilCell &a = staging[i * rect.width + j], &b = soil.cells[Index(rect.y + i, rect.x + j)];
            ASSERT_EQ(std::memcmp(&a, &b, sizeof(SoilCell)), 0) << i << ", " << j;
            any = any || a.mass > 0.0f;
        }
    }
    EXPECT_TRUE(any);
    const SoilUploadRect rejected[] = {{-32, 0, 32, 32}, {1000, 0, 32, 32}, {0, 1000, 32, 32},
                                       {0, 0, 0, 32},    {0, 0, 1024, 64},  {0, 0, 64, 1024}};
    for (const SoilUploadRect &q : rejected) EXPECT_FALSE(SoilStageRect(soil, q, staging));
}

// [SECTION] Lifecycle and ground

TEST_F(SoilTest, TextureCallsWithoutAWindowFailSafely)
{
    LogCapture log;
    Texture2D texture = SoilBuildTexture(soil);
    EXPECT_EQ(texture.id, 0u);
    EXPECT_EQ(log.count(LOG_ERROR), 1);
    // No texture: nothing is sent and the blocks stay marked for the upload that will come.
    SoilDepositBody(soil, {1.0f, 0.0f, 1.0f}, 1.0f, 0.5f, 0.5f);
    EXPECT_FALSE(SoilUpload(soil, texture));
    EXPECT_TRUE(soil.textureStale);
    SoilTextureRelease(texture);
    SoilTextureRelease(texture);
    EXPECT_EQ(texture.id, 0u);
}


TEST_F(SoilTest, ResetClearsEverythingAndTheNextUploadSendsTheWholeTexture)
{
    SoilDepositBody(soil, {10.0f, 0.0f, 10.0f}, 4.0f, 0.5f, 0.5f);
    Walk(soil, {7.0f, 0.0f, 10.0f}, {13.0f, 0.0f, 10.0f}, 60, 1.0f, 1.8f, 1.0f / 60.0f);
    SoilMarkUploaded(soil);
    SoilReset(soil);
    EXPECT_EQ(SoilTotal(soil), 0.0);
    EXPECT_EQ(SoilMaxHeight(soil), 0.0f);
    EXPECT_EQ(SoilMassClods(soil), 0.0);
    EXPECT_EQ(SoilHeight(soil, 10.0f, 10.0f), 0.0f);
    EXPECT_EQ(SoilMaxHeightIn(soil, 0.0f, 0.0f, 20.0f, 20.0f), 0.0f);
    EXPECT_TRUE(soil.textureStale);
    SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY];
    ASSERT_EQ(SoilUploadPlan(soil.blockDirty, rects), 1);
    EXPECT_EQ(rects[0].width, SOIL_SIZE);
    EXPECT_EQ(rects[0].height, SOIL_SIZE);
    // Presses do nothing until the next deposit.
    SoilMarkUploaded(soil);
    Walk(soil, {7.0f, 0.0f, 10.0f}, {13.0f, 0.0f, 10.0f}, 60, 1.0f, 1.8f, 1.0f / 60.0f);
    EXPECT_FALSE(soil.textureStale);
    EXPECT_TRUE(SoilDepositBody(soil, {10.0f, 0.0f, 10.0f}, 1.0f, 0.5f, 0.5f));
    EXPECT_NEAR(SoilMassClods(soil), 1.0, 1e-5);
}

TEST(SoilLifecycle, ResetAndQueriesAreSafeBeforeCreateAndReleaseTwice)
{
    Soil empty{};
    SoilReset(empty);
    EXPECT_EQ(empty.cells, nullptr);
    EXPECT_TRUE(empty.textureStale);
    EXPECT_EQ(SoilHeight(empty, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(SoilMaxHeightIn(empty, -1.0f, -1.0f, 1.0f, 1.0f), 0.0f);
    EXPECT_FALSE(SoilDepositBody(empty, {0.0f, 0.0f, 0.0f}, 1.0f, 0.5f, 0.5f));
    EXPECT_FALSE(SoilAddCell(empty, 0, 1.0f, 0.5f, 0.5f));
    SoilPress(empty, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 1.0f, 1.0f, 0.016f);
    SoilUploadRect rect = {0, 0, 32, 32};
    static SoilCell staging[32 * 32];
    EXPECT_FALSE(SoilStageRect(empty, rect, staging));
    EXPECT_EQ(SoilMassClods(empty), 0.0);
    SoilRelease(empty);
    SoilRelease(empty);
    EXPECT_EQ(empty.cells, nullptr);
}

TEST_F(SoilTest, TerrainHeightAddsTheBoundSoilOnly)
{
    SoilDepositBody(soil, {5.0f, 0.0f, 5.0f}, 2.0f, 0.5f, 0.5f);
    float deposit = SoilHeight(soil, 5.0f, 5.0f);
    ASSERT_GT(deposit, 0.01f);
    EXPECT_EQ(TerrainHeight(5.0f, 5.0f), TerrainBaseHeight(5.0f, 5.0f));  // nothing bound
    SoilBindGround(&soil);
    EXPECT_EQ(SoilGround(), &soil);
    EXPECT_EQ(TerrainHeight(5.0f, 5.0f), TerrainBaseHeight(5.0f, 5.0f) + deposit);
    EXPECT_EQ(TerrainHeight(-50.0f, 30.0f), TerrainBaseHeight(-50.0f, 30.0f));  // no soil there
    EXPECT_EQ(TerrainHeight(NAN, 5.0f), 0.0f);
    SoilReset(soil);  // a new run
    EXPECT_EQ(TerrainHeight(5.0f, 5.0f), TerrainBaseHeight(5.0f, 5.0f));

    // Releasing the bound soil unbinds it, so the ground never reads freed grids.
    Soil own{};
    ASSERT_TRUE(SoilCreate(own));
    SoilBindGround(&own);
    SoilRelease(own);
    EXPECT_EQ(SoilGround(), nullptr);
    EXPECT_EQ(TerrainHeight(5.0f, 5.0f), TerrainBaseHeight(5.0f, 5.0f));
}

}  // namespace
