#include "render/ship.h"

#include "common/maths.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Vertex storage for a builder.
struct MeshStore {
    std::vector<float> positions, normals, texcoords;
    std::vector<unsigned char> colors;
    ShipMeshBuffer buffer{};

    explicit MeshStore(int capacity)
        : positions(3 * capacity), normals(3 * capacity), texcoords(2 * capacity), colors(4 * capacity)
    {
        buffer = {positions.data(), normals.data(), texcoords.data(), colors.data(), capacity, 0, false};
    }
    Vector3 Position(int i) const { return {positions[3 * i], positions[3 * i + 1], positions[3 * i + 2]}; }
    Vector3 Normal(int i) const { return {normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]}; }
    int Material(int i) const { return (int)texcoords[2 * i]; }
};

// A camera following a point, as the game's follow camera does.
FollowCamera CameraAt(Vector3 look, float zoom)
{
    FollowCamera c{};
    c.viewHeight = zoom;
    CameraFollow(c, look, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return c;
}

ShipView WreckAt(Vector3 base)
{
    ShipView v{};
    v.exists = true;
    v.position = base;
    v.smoke = 1.0f;
    v.clock = 7.3f;
    return v;
}

}  // namespace

TEST(ShipMesh, HullWithinItsLimitsAndSphere)
{
    MeshStore hull(SHIP_HULL_VERTEX_LIMIT);
    ASSERT_TRUE(ShipBuildHull(hull.buffer));
    int triangles = hull.buffer.count / 3;
    EXPECT_EQ(hull.buffer.count % 3, 0);
    EXPECT_GE(triangles, 8800);
    EXPECT_LE(triangles, 9400);
    EXPECT_LE(hull.buffer.count, 32000);
    bool used[8] = {};
    int outside = 0, badNormals = 0, badMaterial = 0;
    for (int i = 0; i < hull.buffer.count; i++) {
        Vector3 p = hull.Position(i);
        if (Vector3Distance(p, SHIP_HULL_SPHERE_OFFSET) > SHIP_HULL_SPHERE_RADIUS) outside++;
        if (std::fabs(Vector3Length(hull.Normal(i)) - 1.0f) > 1e-3f) badNormals++;
        int m = hull.Material(i);
        if (m < 1 || m > 6) badMaterial++;
        else used[m] = true;
        EXPECT_EQ(hull.colors[4 * i + 3], 255);
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(badNormals, 0);
    EXPECT_EQ(badMaterial, 0);
    for (int m = 1; m <= 6; m++) EXPECT_TRUE(used[m]) << "material " << m;
}

TEST(ShipMesh, CrystalAndQuad)
{
    MeshStore crystal(SHIP_CRYSTAL_TRIANGLES * 3);
    ASSERT_TRUE(ShipBuildCrystal(crystal.buffer));
    EXPECT_EQ(crystal.buffer.count, 72);
    for (int i = 0; i < crystal.buffer.count; i++) {
        EXPECT_EQ(crystal.Material(i), SHIP_MATERIAL_CRYSTAL);
        EXPECT_LE(Vector3Length(crystal.Position(i)), SHIP_CRYSTAL_SPHERE_RADIUS);
    }
    MeshStore quad(6);
    ASSERT_TRUE(ShipBuildQuad(quad.buffer));
    for (int i = 0; i < 6; i++) {
        Vector3 p = quad.Position(i);
        EXPECT_EQ(std::fabs(p.x), 1.0f);
        EXPECT_EQ(std::fabs(p.y), 1.0f);
        EXPECT_EQ(quad.texcoords[2 * i], 0.5f * p.x + 0.5f);
        EXPECT_EQ(quad.texcoords[2 * i + 1], 0.5f * p.y + 0.5f);
    }
}

TEST(ShipMesh, OverflowFailsTheBuildWithoutWritingPastTheEnd)
{
    MeshStore small(9000);
    EXPECT_FALSE(ShipBuildHull(small.buffer));
    EXPECT_TRUE(small.buffer.overflow);
    EXPECT_LE(small.buffer.count, 9000);
    MeshStore tiny(10);
    EXPECT_FALSE(ShipBuildCrystal(tiny.buffer));
    EXPECT_EQ(tiny.buffer.count, 0);
}

TEST(ShipMesh, BodyProfileFollowsItsControlPoints)
{
    EXPECT_FLOAT_EQ(ShipBodyRadius(0.2f), 0.6f);
    EXPECT_FLOAT_EQ(ShipBodyRadius(0.68f), 0.6f);
    EXPECT_NEAR(ShipBodyRadius(1.55f), 0.88f, 1e-5f);
    EXPECT_NEAR(ShipBodyRadius(2.88f), 0.65f, 1e-5f);
    EXPECT_EQ(ShipBodyRadius(3.6f), 0.0f);
    // The hull circle of the finale is the body's widest ring.
    float widest = 0.0f;
    for (float y = 0.0f; y < 4.0f; y += 0.001f) {
        EXPECT_GE(ShipBodyRadius(y), 0.0f);
        widest = std::fmax(widest, ShipBodyRadius(y));
    }
    EXPECT_NEAR(widest, 0.88f, 0.002f);
}

TEST(ShipPlan, DecisionTable)
{
    Vector3 base = {-3.6f, 0.0f, -1.3f};
    Vector3 far = {40.0f, 0.0f, 30.0f};
    struct Case {
        const char *name;
        ShipView ship;
        Vector3 look;
        bool hull, crystal, prepass, anything;
    };
    ShipView wreck = WreckAt(base);
    ShipView crystalAway = wreck;
    crystalAway.crystalExists = true;
    crystalAway.crystal = {far.x, 0.4f, far.z};
    ShipView departed = crystalAway;
    departed.departed = true;
    departed.crystalInstalled = true;
    departed.crystal = base;
    ShipView none = wreck;
    none.exists = false;
    const Case cases[] = {
        {"wreck in view", wreck, base, true, false, true, true},
        {"wreck out of view", wreck, far, false, false, false, false},
        {"crystal in view, hull out of view", crystalAway, far, false, true, true, true},
        {"departed", departed, base, false, false, false, false},
        {"no shuttle", none, base, false, false, false, false},
    };
    for (const Case &c : cases) {
        ShipFramePlan plan = ShipPlanFrame(c.ship, CameraAt(c.look, 20.0f), 640, 360);
        EXPECT_EQ(plan.hull, c.hull) << c.name;
        EXPECT_EQ(plan.crystal, c.crystal) << c.name;
        EXPECT_EQ(plan.prepass, c.prepass) << c.name;
        EXPECT_EQ(plan.billboardCount > 0, c.anything) << c.name;
    }
}

TEST(ShipPlan, SmokeIsCulledSortedAndStopsAtZero)
{
    Vector3 base = {-3.6f, 0.0f, -1.3f};
    FollowCamera camera = CameraAt(base, 20.0f);
    ShipView wreck = WreckAt(base);
    ShipFramePlan plan = ShipPlanFrame(wreck, camera, 640, 360);
    EXPECT_EQ(plan.smokeCount, SHIP_SMOKE_PUFFS);
    for (int i = 1; i < plan.smokeCount; i++) {
        float a = Vector3DotProduct(plan.billboards[i - 1].centre - camera.position, camera.forward);
        float b = Vector3DotProduct(plan.billboards[i].centre - camera.position, camera.forward);
        EXPECT_GE(a, b) << "puff " << i;
    }
    // A tight view of the hull's foot leaves the higher puffs out.
    FollowCamera close = CameraAt({base.x + 2.0f, 0.0f, base.z + 2.0f}, 5.5f);
    EXPECT_LT(ShipPlanFrame(wreck, close, 640, 360).smokeCount, SHIP_SMOKE_PUFFS);
    for (float smoke : {0.0f, 0.002f}) {
        wreck.smoke = smoke;
        EXPECT_EQ(ShipPlanFrame(wreck, camera, 640, 360).smokeCount, 0) << smoke;
    }
}

// The plume fades in over 0.55 s; the dust ring stops once the shuttle is 9 m up.
TEST(ShipPlan, PlumeFadesInAndDustStopsAbove9Metres)
{
    Vector3 base = {-3.6f, 0.0f, -1.3f};
    ShipView launch = WreckAt(base);
    launch.smoke = 0.0f;
    launch.launching = true;
    launch.crystalExists = true;
    launch.crystalInstalled = true;
    struct Case { float phaseTime, altitude; bool plume; float plumeAlpha; int dust; } cases[] = {
        {0.0f, 0.0f, false, 0.0f, 0},       {0.275f, 0.0f, true, 0.45f, 8},  {0.55f, 0.0f, true, 0.9f, 8},
        {2.0f, 5.0f, true, 0.9f, 8},        {3.0f, 8.9f, true, 0.9f, 8},     {3.1f, 9.1f, true, 0.9f, 0},
    };
    for (const Case &c : cases) {
        launch.phaseTime = c.phaseTime;
        launch.altitude = c.altitude;
        Vector3 look = {base.x, base.y + c.altitude, base.z};
        ShipFramePlan plan = ShipPlanFrame(launch, CameraAt(look, 20.0f), 640, 360);
        EXPECT_EQ(plan.plume, c.plume) << c.phaseTime;
        EXPECT_EQ(plan.dustCount, c.dust) << c.altitude;
        EXPECT_EQ(plan.smokeCount, 0);
        for (int i = 0; i < plan.billboardCount; i++) {
            if (plan.billboards[i].mode == SHIP_EFFECT_PLUME) {
                EXPECT_NEAR(plan.billboards[i].tint.w, c.plumeAlpha, 1e-5f);
            }
        }
    }
}

TEST(ShipPlan, InViewTestSidesAndBehind)
{
    FollowCamera camera = CameraAt({0.0f, 0.0f, 0.0f}, 20.0f);
    // 20 m of view height at 16:9: 17.8 m to each side along the camera's right axis.
    Vector3 centre = camera.target;
    EXPECT_TRUE(ShipSphereInView(camera, 640, 360, centre + camera.right * 18.5f, 1.0f));
    EXPECT_FALSE(ShipSphereInView(camera, 640, 360, centre + camera.right * 19.0f, 1.0f));
    EXPECT_TRUE(ShipSphereInView(camera, 640, 360, centre + camera.up * 10.9f, 1.0f));
    EXPECT_FALSE(ShipSphereInView(camera, 640, 360, centre + camera.up * 11.1f, 1.0f));
    EXPECT_FALSE(ShipSphereInView(camera, 640, 360, camera.position - camera.forward * 2.0f, 1.0f));
    EXPECT_FALSE(ShipSphereInView(camera, 0, 360, centre, 1.0f));
}

TEST(ShipRenderer, CreateWithoutAWindowFailsCleanlyAndReleaseIsSafe)
{
    LogCapture log;
    ShipRenderer renderer{};
    ShipRendererRelease(renderer);   // before create
    EXPECT_FALSE(ShipRendererCreate(renderer));
    EXPECT_FALSE(renderer.ready);
    EXPECT_EQ(log.count(LOG_ERROR), 1);
    bool named = false;
    for (const LogLine &l : log.lines())
        if (l.level == LOG_ERROR && l.text == "Ship shader compilation/link, required uniforms, or immutable mesh upload failed.") named = true;
    EXPECT_TRUE(named);
    ShipRendererRelease(renderer);
    ShipRendererRelease(renderer);
    EXPECT_EQ(renderer.material.maps, nullptr);
    EXPECT_FALSE(ShipNeedsPrepass(renderer, WreckAt({0.0f, 0.0f, 0.0f}), CameraAt({0.0f, 0.0f, 0.0f}, 20.0f), 640, 360));
}
