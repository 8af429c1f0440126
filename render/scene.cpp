// Scene renderer, pure half: the uniform contract's names and requirements, the graphics-quality
// vector, the variant source and the visible ground rectangle. No GL.
#include "render/scene.h"

#include <cmath>
#include <cstdio>
#include <cstring>

// [SECTION] Uniform contract

const char *const SCENE_UNIFORM_NAMES[SCENE_UNIFORM_COUNT] = {
    "graphicsQuality", "resolution",
    "cameraPosition", "cameraForward", "cameraRight", "cameraUp",
    "depthRange", "viewHeight", "playerPosition", "playerYaw",
    "bodyOffset", "bodyAngles", "footAngles", "joints",
    "playerVisible", "playerFlash", "shipShadow", "atmosphereTime",
    "mudCount", "mudTiles",
    "groundTracks", "terrainDetail", "terrainHeights", "soilDeposits",
    "trackOrigin", "arenaHalfSize", "arenaCornerRadii",
    "soilActive", "soilHeightBound",
    "meteorCount", "meteorBodies", "meteorTargets", "meteorStates", "meteorStarts",
    "spikeCount", "spikeBodies", "spikeDirections",
    "rockColor", "rockDepth", "rocksActive",
};

static SceneQuality sceneQuality = {2, 2, 1, 2};   // the profile's default until start-up sets it

bool SceneUniformRequired(int index, bool canyon)
{
    if (index < 0 || index >= SCENE_UNIFORM_COUNT) return false;
    return index < SCENE_COMMON_UNIFORM_COUNT || canyon;
}

void SceneSetGraphicsQuality(SceneQuality quality)
{
    auto clamp = [](int v) { return v < 0 ? 0 : (v > 2 ? 2 : v); };
    sceneQuality = {clamp(quality.clouds), clamp(quality.shadows), clamp(quality.spray), clamp(quality.detail)};
}

SceneQuality SceneGraphicsQuality() { return sceneQuality; }

char *SceneVariantSource(const char *fileText, int canyon)
{
    if (!fileText) return nullptr;
    const char *rest = strchr(fileText, '\n');
    if (!rest) return nullptr;
    rest++;
    // The define must follow #version: nothing but comments may precede that line.
    const char *format = "#version 330\n#define ENABLE_CANYON %d\n%s";
    size_t length = strlen(rest) + 64;
    char *source = (char *)MemAlloc((unsigned int)length);
    if (!source) return nullptr;
    snprintf(source, length, format, canyon ? 1 : 0, rest);
    return source;
}

SceneGroundRect SceneGroundRectFor(const FollowCamera &camera, float aspect)
{
    const FollowCamera &c = camera;
    float h = 0.5f * c.viewHeight;
    bool valid = std::isfinite(aspect) && aspect > 0.0f && std::isfinite(h) && h > 0.0f &&
                 std::fabs(c.forward.y) > 1e-6f && std::isfinite(c.target.x) && std::isfinite(c.target.z);
    // Without a usable view the whole arena is in view: a bound must never miss soil.
    if (!valid) return {-ARENA_HALF_SIZE - 2.0f, -ARENA_HALF_SIZE - 2.0f,
                        ARENA_HALF_SIZE + 2.0f, ARENA_HALF_SIZE + 2.0f};
    float k = c.up.y / c.forward.y;
    float ex = aspect * h * std::fabs(c.right.x) + h * std::fabs(c.up.x - k * c.forward.x) + 2.0f;
    float ez = aspect * h * std::fabs(c.right.z) + h * std::fabs(c.up.z - k * c.forward.z) + 2.0f;
    return {c.target.x - ex, c.target.z - ez, c.target.x + ex, c.target.z + ez};
}
