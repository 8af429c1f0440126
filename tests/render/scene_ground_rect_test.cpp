// The ground rectangle whose highest soil deposit bounds the floor search: it must contain every
// ground point the camera can show, and not much more.
#include "render/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

FollowCamera CameraAt(float x, float z, float viewHeight)
{
    FollowCamera camera{};
    camera.viewHeight = viewHeight;
    CameraFollow(camera, {x, 0.0f, z}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return camera;
}

// Where the ray through screen point (u, v) (in view heights, centre 0) meets the height y.
Vector2 GroundHit(const FollowCamera &c, float u, float v, float y)
{
    Vector3 o = {c.position.x + (c.right.x * u + c.up.x * v) * c.viewHeight,
                 c.position.y + (c.right.y * u + c.up.y * v) * c.viewHeight,
                 c.position.z + (c.right.z * u + c.up.z * v) * c.viewHeight};
    float t = (y - o.y) / c.forward.y;
    return {o.x + c.forward.x * t, o.z + c.forward.z * t};
}

}  // namespace

TEST(SceneGroundRect, ContainsEveryVisibleGroundPointWithinItsPadding)
{
    struct Case {
        float x, z, viewHeight, aspect;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 20.0f, 16.0f / 9.0f},
        {0.0f, 0.0f, 5.5f, 16.0f / 9.0f},
        {110.0f, 110.0f, 30.0f, 16.0f / 9.0f},
        {-120.0f, 40.0f, 30.0f, 4.0f / 3.0f},
        {7.5f, -3.0f, 12.0f, 1.0f},
        {0.0f, 0.0f, 30.0f, 3.0f},
    };
    for (const Case &c : cases) {
        FollowCamera camera = CameraAt(c.x, c.z, c.viewHeight);
        SceneGroundRect r = SceneGroundRectFor(camera, c.aspect);
        // Soil and terrain stay within a few decimetres of the camera target's plane.
        float slack[4] = {1e9f, 1e9f, 1e9f, 1e9f};   // smallest distance of a hit to each side
        for (int i = 0; i <= 16; i++) {
            for (int j = 0; j <= 16; j++) {
                float u = (-0.5f + (float)i / 16.0f) * c.aspect;
                float v = -0.5f + (float)j / 16.0f;
                for (float y : {camera.target.y - 1.0f, camera.target.y, camera.target.y + 0.5f}) {
                    Vector2 p = GroundHit(camera, u, v, y);
                    EXPECT_GE(p.x, r.minX) << c.x << "," << c.z << " zoom " << c.viewHeight;
                    EXPECT_LE(p.x, r.maxX) << c.x << "," << c.z << " zoom " << c.viewHeight;
                    EXPECT_GE(p.y, r.minZ) << c.x << "," << c.z << " zoom " << c.viewHeight;
                    EXPECT_LE(p.y, r.maxZ) << c.x << "," << c.z << " zoom " << c.viewHeight;
                    if (y != camera.target.y) continue;
                    slack[0] = std::fmin(slack[0], p.x - r.minX);
                    slack[1] = std::fmin(slack[1], r.maxX - p.x);
                    slack[2] = std::fmin(slack[2], p.y - r.minZ);
                    slack[3] = std::fmin(slack[3], r.maxZ - p.y);
                }
            }
        }
        // In the target's plane the corners reach exactly to the 2 m padding on every side.
        for (float s : slack) EXPECT_NEAR(s, 2.0f, 1e-3f) << c.x << "," << c.z << " zoom " << c.viewHeight;
    }
}

TEST(SceneGroundRect, UnusableViewsBoundTheWholeArena)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char *name;
        float aspect, viewHeight, targetX;
    };
    const Case cases[] = {
        {"zero aspect", 0.0f, 20.0f, 0.0f},
        {"negative aspect", -1.0f, 20.0f, 0.0f},
        {"NaN aspect", nan, 20.0f, 0.0f},
        {"infinite aspect", inf, 20.0f, 0.0f},
        {"zero zoom", 16.0f / 9.0f, 0.0f, 0.0f},
        {"NaN target", 16.0f / 9.0f, 20.0f, nan},
    };
    for (const Case &c : cases) {
        FollowCamera camera = CameraAt(0.0f, 0.0f, c.viewHeight);
        camera.target.x = c.targetX;
        SceneGroundRect r = SceneGroundRectFor(camera, c.aspect);
        EXPECT_LE(r.minX, -128.0f) << c.name;
        EXPECT_LE(r.minZ, -128.0f) << c.name;
        EXPECT_GE(r.maxX, 128.0f) << c.name;
        EXPECT_GE(r.maxZ, 128.0f) << c.name;
    }
}
