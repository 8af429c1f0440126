// Scene renderer: the scene-shader programs, the scene render target and one frame of the world.
// Needs a GL context.
#pragma once

#include "app/field.h"
#include "raylib.h"

// Uniform locations the renderer sets; -1 where a program lacks one.
struct SceneLocations {
    int resolution;
    int cameraPosition, cameraForward, cameraRight, cameraUp;
    int depthRange;
    int viewHeight;
    int playerPosition;
    int playerYaw;
    int atmosphereTime;
    int arenaHalfSize;
    int arenaCornerRadii;
};

struct SceneShaders {
    Shader interior;              // ENABLE_CANYON 0
    Shader canyon;                // ENABLE_CANYON 1
    SceneLocations interiorLocs;
    SceneLocations canyonLocs;
};

struct SceneTarget {
    RenderTexture2D texture;      // colour plus depth buffer; id 0 until first use
    int width, height;            // pixels
};

SceneLocations SceneLookupUniforms(Shader shader);
// Unloads both programs; accepts empty ones.
void SceneShadersRelease(SceneShaders &shaders);
// Renders the world into the target, (re)creating it at width × height; false if it cannot be.
bool SceneRender(SceneTarget &target, const SceneShaders &shaders, const Field &field, int width, int height);
void SceneTargetRelease(SceneTarget &target);
