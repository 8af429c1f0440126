#include "render/scene.h"

#include "rlgl.h"

SceneLocations SceneLookupUniforms(Shader shader)
{
    SceneLocations l{};
    l.resolution = GetShaderLocation(shader, "resolution");
    l.cameraPosition = GetShaderLocation(shader, "cameraPosition");
    l.cameraForward = GetShaderLocation(shader, "cameraForward");
    l.cameraRight = GetShaderLocation(shader, "cameraRight");
    l.cameraUp = GetShaderLocation(shader, "cameraUp");
    l.depthRange = GetShaderLocation(shader, "depthRange");
    l.viewHeight = GetShaderLocation(shader, "viewHeight");
    l.playerPosition = GetShaderLocation(shader, "playerPosition");
    l.playerYaw = GetShaderLocation(shader, "playerYaw");
    l.atmosphereTime = GetShaderLocation(shader, "atmosphereTime");
    l.arenaHalfSize = GetShaderLocation(shader, "arenaHalfSize");
    l.arenaCornerRadii = GetShaderLocation(shader, "arenaCornerRadii");
    return l;
}

void SceneShadersRelease(SceneShaders &shaders)
{
    if (shaders.interior.id != 0) UnloadShader(shaders.interior);
    if (shaders.canyon.id != 0) UnloadShader(shaders.canyon);
    shaders = {};
}

static bool SceneEnsureTarget(SceneTarget &target, int width, int height)
{
    if (target.texture.id != 0 && target.width == width && target.height == height) return true;
    SceneTargetRelease(target);
    target.texture = LoadRenderTexture(width, height);
    if (!IsRenderTextureValid(target.texture)) {
        target.texture = {};
        return false;
    }
    SetTextureFilter(target.texture.texture, TEXTURE_FILTER_BILINEAR);
    target.width = width;
    target.height = height;
    return true;
}

static void SetVec3(Shader shader, int loc, Vector3 v)
{
    if (loc >= 0) SetShaderValue(shader, loc, &v, SHADER_UNIFORM_VEC3);
}

static void SetFloat(Shader shader, int loc, float v)
{
    if (loc >= 0) SetShaderValue(shader, loc, &v, SHADER_UNIFORM_FLOAT);
}

static void SetVec2(Shader shader, int loc, float x, float y)
{
    float v[2] = {x, y};
    if (loc >= 0) SetShaderValue(shader, loc, v, SHADER_UNIFORM_VEC2);
}

bool SceneRender(SceneTarget &target, const SceneShaders &shaders, const Field &field, int width, int height)
{
    if (!SceneEnsureTarget(target, width, height)) return false;
    const Shader &shader = shaders.interior;
    const SceneLocations &l = shaders.interiorLocs;
    const FollowCamera &camera = field.camera;

    BeginTextureMode(target.texture);
    ClearBackground(BLACK);
    float nearPlane = (float)rlGetCullDistanceNear();
    float farPlane = (float)rlGetCullDistanceFar();
    SetFloat(shader, l.atmosphereTime, field.totalTime);
    SetVec2(shader, l.depthRange, nearPlane, 1.0f / (farPlane - nearPlane));
    SetVec2(shader, l.resolution, (float)width, (float)height);
    SetVec3(shader, l.cameraPosition, camera.position);
    SetVec3(shader, l.cameraForward, camera.forward);
    SetVec3(shader, l.cameraRight, camera.right);
    SetVec3(shader, l.cameraUp, camera.up);
    SetFloat(shader, l.viewHeight, camera.viewHeight);
    SetVec3(shader, l.playerPosition, field.player.position);
    SetFloat(shader, l.playerYaw, field.player.yaw);
    SetFloat(shader, l.arenaHalfSize, 128.0f);
    SetVec2(shader, l.arenaCornerRadii, 16.0f, 24.0f);

    BeginShaderMode(shader);
    rlEnableDepthTest();
    DrawRectangle(0, 0, width, height, WHITE);
    EndShaderMode();
    rlDrawRenderBatchActive();
    rlDisableDepthTest();
    EndTextureMode();
    return true;
}

void SceneTargetRelease(SceneTarget &target)
{
    if (target.texture.id != 0) UnloadRenderTexture(target.texture);
    target = {};
}
