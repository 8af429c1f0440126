// Scene renderer, pure half: the uniform contract's names and requirements, the graphics-quality
// vector, the variant source, the visible ground rectangle and the MudPose array table. No GL.
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

// [SECTION] MudPose arrays

const SceneMudArray SCENE_MUD_ARRAYS[SCENE_MUD_ARRAY_COUNT] = {
    {"mudBodies", 0, 0, 1},          {"mudShapes", 0, 768, 1},         {"mudStates", 0, 1536, 1},
    {"mudPatches", 0, 2304, 1},      {"mudBursts", 0, 3072, 1},        {"mudImpacts", 0, 3840, 1},
    {"mudDashStarts", 0, 4608, 1},   {"mudDashEnds", 0, 5376, 1},      {"mudDashImpactsA", 0, 6144, 1},
    {"mudDashImpactsB", 0, 6912, 1}, {"mudMergeBodies", 0, 7680, 1},   {"mudMergeShapes", 0, 8448, 1},
    {"mudLegHips", 0, 9216, 2},      {"mudLegKnees", 0, 10752, 2},     {"mudLegFeet", 0, 12288, 2},
    {"mudWalkers", 1, 0, 1},         {"mudGolemBodies", 1, 768, 1},    {"mudGolemShapes", 1, 1536, 1},
    {"mudArmShoulders", 1, 2304, 2}, {"mudArmElbows", 1, 3840, 2},     {"mudArmHands", 1, 5376, 2},
    {"mudWounds", 1, 6912, 2},       {"mudDamageChunks", 1, 8448, 2},  {"mudCorpseMotion", 1, 9984, 1},
    {"mudCorpseBase", 1, 10752, 1},  {"mudCorpsePlanes", 1, 11520, 1}, {"mudCutPlanes", 1, 12288, 1},
    {"mudCutStates", 1, 13056, 1},   {"mudBossScars", 1, 13824, 1},    {"mudSpecials", 1, 14592, 1},
};

int SceneMudUploadRanges(int count, SceneMudRange ranges[SCENE_MUD_ARRAY_COUNT])
{
    if (count <= 0) return 0;
    if (count > SCENE_MUD_SLOTS) count = SCENE_MUD_SLOTS;
    for (int i = 0; i < SCENE_MUD_ARRAY_COUNT; i++) {
        const SceneMudArray &a = SCENE_MUD_ARRAYS[i];
        ranges[i] = {a.block, a.offset, count * a.perSlot * SCENE_MUD_VEC4_BYTES};
    }
    return SCENE_MUD_ARRAY_COUNT;
}
