// Mudling shape: the CPU clay field against the facts the hits rely on: the column count equals a
// sample-by-sample count, the bounds hold all the clay, cavities and cuts are empty, a corpse
// flattens and splits.
#include "mud/mud_shape.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "tests/mud/mud_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace mudtest;

namespace {

// Bodies of every form, whole and wounded, alive and as corpses.
std::vector<MudSlot> Bodies()
{
    auto pool = NewPool(0);
    std::vector<MudSlot> bodies;
    for (float mass : {1.0f, 3.0f, 4.0f, 6.0f, 8.0f}) {
        int i = AddBody(*pool, 0.0f, 0.0f, mass);
        MudSlot s = pool->slots[i];
        s.yaw = 0.4f * mass;
        bodies.push_back(s);
        MudSlot wounded = s;
        wounded.wounds.woundCount = 2;
        wounded.wounds.cavities[0] = {0.6f, 0.2f, 0.1f, 0.35f};
        wounded.wounds.cavities[1] = {-0.2f, -0.5f, 0.5f, 0.3f};
        wounded.wounds.planarCut = 1;
        wounded.wounds.cutPlane = {0.7f * s.scale.x, 0.0f, -0.7f * s.scale.z, -0.3f};
        bodies.push_back(wounded);
        MudSlot corpse = wounded;
        corpse.wounds.frozenLegs = MudGaitLegPose(s, nullptr);
        corpse.state = MUD_CORPSE;
        corpse.wounds.split = 1;
        corpse.wounds.deathPlane = {1.0f, 0.0f, 0.0f, -s.position.x};
        corpse.separation = 0.2f;
        corpse.compression = 0.4f;
        corpse.wounds.groundLevel[0] = corpse.wounds.groundLevel[1] = s.position.y - 1.0f;
        bodies.push_back(corpse);
    }
    // Stretched shapes: a dashing bun, a puddle, a hop, and seeded squashes of every form.
    uint32_t rng = 4711u;
    for (int k = 0; k < 24; k++) {
        Vector3 scale = {0.1f + 2.1f * LcgUnit(rng), 0.1f + 1.5f * LcgUnit(rng), 0.1f + 2.1f * LcgUnit(rng)};
        if (k == 0) scale = {0.88f, 0.58f, 1.70f};
        if (k == 1) scale = {2.18f, 0.1f, 1.78f};
        if (k == 2) scale = {1.3f, 0.46f, 1.18f};
        int i = AddBody(*pool, 0.0f, 0.0f, 1.0f + (float)(k % 9));
        MudSlot s = pool->slots[i];
        s.scale = scale;
        s.yaw = 0.3f * (float)k;
        bodies.push_back(s);
    }
    return bodies;
}

TEST(MudShape, ColumnCountEqualsEverySampleCounted)
{
    for (const MudSlot &s : Bodies()) {
        SCOPED_TRACE("mass " + std::to_string(s.mass) + " state " + std::to_string(s.state) +
                     (s.wounds.woundCount ? " wounded" : ""));
        MudShape shape;
        MudShapePrepare(s, MudShapeLimbsOf(s), shape);
        float step = 0.05f;
        int columns = 0, differing = 0;
        for (float x = -2.5f; x <= 2.5f; x += 0.23f)
            for (float z = -2.5f; z <= 2.5f; z += 0.23f) {
                float y0 = s.position.y - 2.0f;
                int brute = 0;
                for (int k = 0; k < 80; k++) brute += MudShapeDistance(shape, {s.position.x + x, y0 + step * (float)k, s.position.z + z}) <= 0.0f;
                int column = MudShapeColumnInside(shape, s.position.x + x, s.position.z + z, y0, step, 80);
                columns++;
                differing += column != brute;
            }
        EXPECT_EQ(differing, 0) << "of " << columns << " columns";
    }
}

TEST(MudShape, BoundsHoldAllTheClay)
{
    for (const MudSlot &s : Bodies()) {
        if (s.state == MUD_CORPSE) continue;  // the bounds are of the uncompressed silhouette
        SCOPED_TRACE("mass " + std::to_string(s.mass));
        MudShape shape;
        MudShapePrepare(s, MudShapeLimbsOf(s), shape);
        Vector3 lo, hi;
        MudShapeBounds(shape, &lo, &hi);
        int outside = 0, inside = 0;
        for (float x = -3.0f; x <= 3.0f; x += 0.1f)
            for (float y = -3.0f; y <= 3.0f; y += 0.1f)
                for (float z = -3.0f; z <= 3.0f; z += 0.16f) {
                    Vector3 p = s.position + Vector3{x, y, z};
                    if (MudShapeDistance(shape, p) > 0.0f) continue;
                    inside++;
                    bool within = p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z;
                    outside += !within;
                }
        EXPECT_GT(inside, 0);
        EXPECT_EQ(outside, 0);
    }
}

TEST(MudShape, CavitiesAndCutsAreEmpty)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 0.0f, 0.0f, 3.0f);
    MudSlot &s = pool->slots[i];
    s.yaw = 0.0f;
    s.wounds.woundCount = 1;
    s.wounds.cavities[0] = {0.0f, 0.0f, 0.0f, 0.3f};
    s.wounds.planarCut = 1;
    s.wounds.cutPlane = {s.scale.x, 0.0f, 0.0f, -0.5f};  // removed beyond x = 0.5 R
    MudShapeLimbs limbs = MudShapeLimbsOf(s);
    MudShape shape;
    MudShapePrepare(s, limbs, shape);
    float R = MudBodyRadius(s);
    Vector3 c = s.position;
    EXPECT_GT(MudShapeDistance(shape, c), 0.0f) << "the cavity at the centre";
    EXPECT_TRUE(MudShapeRemoved(shape, c));
    EXPECT_LT(MudShapeDistance(shape, c + Vector3{-0.5f * R, 0.0f, 0.0f}), 0.0f) << "clay beside it";
    EXPECT_GT(MudShapeDistance(shape, c + Vector3{0.7f * R, 0.0f, 0.0f}), 0.0f) << "beyond the cut";
    EXPECT_TRUE(MudShapeRemoved(shape, c + Vector3{0.7f * R, 0.0f, 0.0f}));
    EXPECT_FALSE(MudShapeRemoved(shape, c + Vector3{-0.5f * R, 0.0f, 0.0f}));
}

TEST(MudShape, CorpseFlattensTowardItsBase)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 0.0f, 0.0f, 2.0f);
    MudSlot s = pool->slots[i];
    s.state = MUD_CORPSE;
    s.wounds.groundLevel[0] = s.wounds.groundLevel[1] = s.position.y - 0.5f;
    MudShapeLimbs limbs = MudShapeLimbsOf(s);
    // Highest clay above the body centre's column, for a few compressions.
    float previous = 1e9f;
    for (float compression : {1.0f, 0.5f, 0.1f, 0.018f}) {
        s.compression = compression;
        MudShape shape;
        MudShapePrepare(s, limbs, shape);
        float top = -1e9f;
        for (float y = s.position.y - 1.0f; y < s.position.y + 2.0f; y += 0.002f)
            if (MudShapeDistance(shape, {s.position.x, y, s.position.z}) <= 0.0f) top = y;
        float base = s.wounds.groundLevel[1];
        EXPECT_LT(top, previous);
        previous = top;
        if (compression == 1.0f) continue;
        // The frozen height above the base, scaled.
        MudSlot whole = s;
        whole.compression = 1.0f;
        MudShape frozen;
        MudShapePrepare(whole, limbs, frozen);
        float frozenTop = -1e9f;
        for (float y = s.position.y - 1.0f; y < s.position.y + 2.0f; y += 0.002f)
            if (MudShapeDistance(frozen, {s.position.x, y, s.position.z}) <= 0.0f) frozenTop = y;
        EXPECT_NEAR(top - base, (frozenTop - base) * compression, 0.004f);
    }
}

}  // namespace
