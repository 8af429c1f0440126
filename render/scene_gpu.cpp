// Scene renderer, GL half.
//
// Index
//   [SECTION] Uniform locations
//   [SECTION] Resources and targets
//   [SECTION] MudPose blocks
//   [SECTION] Frame
#include "render/scene.h"

#include "common/maths.h"

#include "rlgl.h"

#include "external/glad.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

// [SECTION] Uniform locations

SceneLocations SceneLookupUniforms(Shader shader, bool canyon)
{
    SceneLocations l{};
    for (int i = 0; i < SCENE_UNIFORM_COUNT; i++)
        l.loc[i] = SceneUniformRequired(i, canyon) ? GetShaderLocation(shader, SCENE_UNIFORM_NAMES[i]) : -1;
    return l;
}


bool SceneCheckUniforms(const SceneLocations &locations, bool canyon)
{
    bool ok = true;
    for (int i = 0; i < SCENE_UNIFORM_COUNT; i++) {
        if (!SceneUniformRequired(i, canyon) || locations.loc[i] >= 0) continue;
        TraceLog(LOG_WARNING, "SCENE: uniform %s missing in the %s program", SCENE_UNIFORM_NAMES[i],
                 canyon ? "canyon" : "interior");
        ok = false;
    }
    return ok;
}

void SceneShadersRelease(SceneShaders &shaders)
{
    if (shaders.interior.id != 0) UnloadShader(shaders.interior);
    if (shaders.canyon.id != 0) UnloadShader(shaders.canyon);
    shaders = {};
}



// [SECTION] Resources and targets

static Texture2D SceneSolidTexture(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
    unsigned char pixel[4] = {r, g, b, a};
    Texture2D t{};
    t.id = rlLoadTexture(pixel, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8, 1);
    if (t.id == 0) return t;
    t.width = 1;
    t.height = 1;
    t.mipmaps = 1;
    t.format = PIXELFORMAT_UNCOMPRESSED_R8G8B8A8;
    return t;
}

bool SceneCreate(SceneResources &resources)
{
    resources.neutralZero = SceneSolidTexture(0, 0, 0, 0);
    // Mid relief and grain, no cracks, height 0 m in the alpha encoding.
    resources.neutralDetail = SceneSolidTexture(0, 128, 128, 128);
    if (resources.neutralZero.id == 0 || resources.neutralDetail.id == 0) {
        TraceLog(LOG_ERROR, "SCENE: neutral ground textures could not be created");
        SceneRelease(resources);
        return false;
    }
    return true;
}

void SceneTargetRelease(SceneTarget &target)
{
    if (target.texture.id != 0) UnloadRenderTexture(target.texture);
    target = {};
}

void SceneRelease(SceneResources &resources)
{
    SceneTargetRelease(resources.target);
    SceneTargetRelease(resources.canyon);
    for (unsigned int &buffer : resources.poseBuffers) {
        if (buffer != 0) glDeleteBuffers(1, &buffer);
        buffer = 0;
    }
    if (resources.neutralZero.id != 0) rlUnloadTexture(resources.neutralZero.id);
    if (resources.neutralDetail.id != 0) rlUnloadTexture(resources.neutralDetail.id);
    resources = {};
}

static bool SceneEnsureTarget(SceneTarget &target, int width, int height)
{
    if (target.texture.id != 0 && target.width == width && target.height == height) return true;
    SceneTargetRelease(target);
    if (width <= 0 || height <= 0) return false;
    RenderTexture2D texture = LoadRenderTexture(width, height);
    if (!IsRenderTextureValid(texture) || !rlFramebufferComplete(texture.id)) {
        if (texture.id != 0) UnloadRenderTexture(texture);
        return false;
    }
    SetTextureFilter(texture.texture, TEXTURE_FILTER_BILINEAR);
    target.texture = texture;
    target.width = width;
    target.height = height;
    return true;
}

static bool SceneEnsureCanyonTarget(SceneTarget &target, int width, int height)
{
    if (target.texture.id != 0 && target.width == width && target.height == height) return true;
    SceneTargetRelease(target);
    RenderTexture2D t{};
    bool ok = width > 0 && height > 0;
    if (ok) t.id = rlLoadFramebuffer();
    if (t.id != 0) {
        t.texture.id = rlLoadTexture(nullptr, width, height, PIXELFORMAT_UNCOMPRESSED_R16G16B16A16, 1);
        t.texture = {t.texture.id, width, height, 1, PIXELFORMAT_UNCOMPRESSED_R16G16B16A16};
        t.depth.id = rlLoadTextureDepth(width, height, false);
        t.depth = {t.depth.id, width, height, 1, 19};
    }
    // rlLoadTextureDepth falls back to a renderbuffer where depth textures are unsupported.
    ok = ok && t.id != 0 && t.texture.id != 0 && t.depth.id != 0 && glIsTexture(t.depth.id) == GL_TRUE;
    if (ok) {
        rlFramebufferAttach(t.id, t.texture.id, RL_ATTACHMENT_COLOR_CHANNEL0, RL_ATTACHMENT_TEXTURE2D, 0);
        rlFramebufferAttach(t.id, t.depth.id, RL_ATTACHMENT_DEPTH, RL_ATTACHMENT_TEXTURE2D, 0);
        ok = rlFramebufferComplete(t.id);
    }
    if (!ok) {
        TraceLog(LOG_ERROR, "Canyon color/depth target could not be created.");
        if (t.texture.id != 0) rlUnloadTexture(t.texture.id);
        if (t.id != 0) rlUnloadFramebuffer(t.id);   // also deletes an attached depth object
        else if (t.depth.id != 0) rlUnloadTexture(t.depth.id);
        return false;
    }
    for (unsigned int id : {t.texture.id, t.depth.id}) {
        rlTextureParameters(id, RL_TEXTURE_MIN_FILTER, RL_TEXTURE_FILTER_NEAREST);
        rlTextureParameters(id, RL_TEXTURE_MAG_FILTER, RL_TEXTURE_FILTER_NEAREST);
        rlTextureParameters(id, RL_TEXTURE_WRAP_S, RL_TEXTURE_WRAP_CLAMP);
        rlTextureParameters(id, RL_TEXTURE_WRAP_T, RL_TEXTURE_WRAP_CLAMP);
    }
    target.texture = t;
    target.width = width;
    target.height = height;
    return true;
}

bool SceneCanyonBegin(SceneResources &resources, const FollowCamera &camera, int width, int height)
{
    if (!SceneEnsureCanyonTarget(resources.canyon, width, height)) return false;
    BeginTextureMode(resources.canyon.texture);
    ClearBackground({0, 0, 0, 0});
    BeginMode3D(CameraToRaylib(camera));
    return true;
}

void SceneCanyonEnd()
{
    EndMode3D();
    EndTextureMode();
}

// [SECTION] MudPose blocks

static const int MUD_POSE_BYTES[2] = {SCENE_MUD_POSE_A_BYTES, SCENE_MUD_POSE_B_BYTES};
static const char *const MUD_POSE_NAMES[2] = {"MudPoseA", "MudPoseB"};

bool SceneBindMudPoseBlocks(SceneResources &resources, Shader shader)
{
    // An error left over from an earlier call must not fail this check.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; i++) {
    }

    GLint capacity = 0;
    glGetIntegerv(GL_MAX_UNIFORM_BLOCK_SIZE, &capacity);
    if (capacity < SCENE_MUD_POSE_B_BYTES) {
        TraceLog(LOG_ERROR, "Uniform block capacity %d is below required %d", (int)capacity, SCENE_MUD_POSE_B_BYTES);
        return false;
    }
    for (int i = 0; i < 2; i++) {
        GLuint index = glGetUniformBlockIndex(shader.id, MUD_POSE_NAMES[i]);
        if (index == GL_INVALID_INDEX) {
            TraceLog(LOG_ERROR, "Missing Mudling uniform block %s", MUD_POSE_NAMES[i]);
            return false;
        }
        GLint size = 0;
        glGetActiveUniformBlockiv(shader.id, index, GL_UNIFORM_BLOCK_DATA_SIZE, &size);
        if (size != MUD_POSE_BYTES[i]) {
            TraceLog(LOG_ERROR, "Unexpected %s layout: %d bytes, expected %d", MUD_POSE_NAMES[i], (int)size, MUD_POSE_BYTES[i]);
            return false;
        }
        if (resources.poseBuffers[i] == 0) {
            // Zero contents: no slot is drawn before the first packing.
            static const unsigned char zeros[SCENE_MUD_POSE_B_BYTES] = {};
            glGenBuffers(1, &resources.poseBuffers[i]);
            glBindBuffer(GL_UNIFORM_BUFFER, resources.poseBuffers[i]);
            glBufferData(GL_UNIFORM_BUFFER, MUD_POSE_BYTES[i], zeros, GL_DYNAMIC_DRAW);
        }
        glUniformBlockBinding(shader.id, index, (GLuint)i);
        glBindBufferBase(GL_UNIFORM_BUFFER, (GLuint)i, resources.poseBuffers[i]);
    }
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        TraceLog(LOG_ERROR, "SCENE: MudPose block binding failed (GL error 0x%04x)", (unsigned)error);
        return false;
    }
    resources.blocksProgram = shader.id;
    resources.blocksBound = true;
    return true;
}

void SceneUploadMudPose(const SceneResources &resources, int block, int offset, const void *data, int bytes)
{
    if (block < 0 || block > 1 || resources.poseBuffers[block] == 0 || !data || offset < 0 || bytes <= 0 ||
        offset > MUD_POSE_BYTES[block] - bytes)
        return;
    glBindBuffer(GL_UNIFORM_BUFFER, resources.poseBuffers[block]);
    glBufferSubData(GL_UNIFORM_BUFFER, offset, bytes, data);
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
}

int SceneUploadMudBlocks(const SceneResources &resources, const SceneView &view)
{
    const unsigned char *blocks[2] = {(const unsigned char *)view.mudPoseA, (const unsigned char *)view.mudPoseB};
    if (!blocks[0] || !blocks[1] || !resources.blocksBound || resources.poseBuffers[0] == 0 || resources.poseBuffers[1] == 0)
        return 0;
    SceneMudRange ranges[SCENE_MUD_ARRAY_COUNT];
    int n = SceneMudUploadRanges(view.mudCount, ranges);
    // Entries past the count keep last frame's bytes: the shader reads slots below mudCount only.
    for (int block = 0; block < 2 && n > 0; block++) {
        glBindBuffer(GL_UNIFORM_BUFFER, resources.poseBuffers[block]);
        for (int i = 0; i < n; i++)
            if (ranges[i].block == block) glBufferSubData(GL_UNIFORM_BUFFER, ranges[i].offset, ranges[i].bytes, blocks[block] + ranges[i].offset);
    }
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    return n > 0 ? ClampInt(view.mudCount, 0, SCENE_MUD_SLOTS) : 0;
}

// [SECTION] Frame

static void SetInt(Shader s, int loc, int v) { SetShaderValue(s, loc, &v, SHADER_UNIFORM_INT); }
static void SetFloat(Shader s, int loc, float v) { SetShaderValue(s, loc, &v, SHADER_UNIFORM_FLOAT); }
static void SetVec2(Shader s, int loc, Vector2 v) { SetShaderValue(s, loc, &v, SHADER_UNIFORM_VEC2); }
static void SetVec3(Shader s, int loc, Vector3 v) { SetShaderValue(s, loc, &v, SHADER_UNIFORM_VEC3); }
static void SetVec4(Shader s, int loc, Vector4 v) { SetShaderValue(s, loc, &v, SHADER_UNIFORM_VEC4); }

static void SetVec4Array(Shader s, int loc, const Vector4 *v, int count)
{
    if (count > 0) SetShaderValueV(s, loc, v, SHADER_UNIFORM_VEC4, count);
}

static int ClampCount(int count, int capacity) { return count < 0 ? 0 : (count > capacity ? capacity : count); }

static void SceneSetUniforms(Shader s, const int *loc, const SceneView &view, const SceneGround &ground,
                             int width, int height, bool canyon, bool rocksActive, int mud)
{
    const FollowCamera &camera = view.camera;
    float nearPlane = (float)rlGetCullDistanceNear();
    float farPlane = (float)rlGetCullDistanceFar();
    SetFloat(s, loc[SCENE_U_PLAYER_FLASH], view.playerFlash);
    SetFloat(s, loc[SCENE_U_ATMOSPHERE_TIME], view.time);
    SetVec2(s, loc[SCENE_U_DEPTH_RANGE], {nearPlane, 1.0f / (farPlane - nearPlane)});
    SetVec2(s, loc[SCENE_U_RESOLUTION], {(float)width, (float)height});
    SetVec3(s, loc[SCENE_U_CAMERA_POSITION], camera.position);
    SetVec3(s, loc[SCENE_U_CAMERA_FORWARD], camera.forward);
    SetVec3(s, loc[SCENE_U_CAMERA_RIGHT], camera.right);
    SetVec3(s, loc[SCENE_U_CAMERA_UP], camera.up);
    SetFloat(s, loc[SCENE_U_VIEW_HEIGHT], camera.viewHeight);
    SetVec3(s, loc[SCENE_U_PLAYER_POSITION], view.playerPosition);
    SetInt(s, loc[SCENE_U_PLAYER_VISIBLE], view.playerVisible ? 1 : 0);
    SetVec4(s, loc[SCENE_U_SHIP_SHADOW], view.shipShadow);
    SetFloat(s, loc[SCENE_U_PLAYER_YAW], view.playerYaw);
    SetVec3(s, loc[SCENE_U_BODY_OFFSET], view.pose.bodyOffset);
    SetVec3(s, loc[SCENE_U_BODY_ANGLES], view.pose.bodyAngles);
    SetShaderValueV(s, loc[SCENE_U_FOOT_ANGLES], view.pose.footAngles, SHADER_UNIFORM_VEC2, 2);
    SetShaderValueV(s, loc[SCENE_U_JOINTS], view.pose.joints, SHADER_UNIFORM_VEC3, SCENE_JOINT_COUNT);

    int meteors = ClampCount(view.meteors.count, SCENE_METEOR_CAPACITY);
    SetInt(s, loc[SCENE_U_METEOR_COUNT], meteors);
    SetVec4Array(s, loc[SCENE_U_METEOR_BODIES], view.meteors.bodies, meteors);
    SetVec4Array(s, loc[SCENE_U_METEOR_TARGETS], view.meteors.targets, meteors);
    SetVec4Array(s, loc[SCENE_U_METEOR_STATES], view.meteors.states, meteors);
    SetVec4Array(s, loc[SCENE_U_METEOR_STARTS], view.meteors.starts, meteors);
    int spikes = ClampCount(view.spikes.count, SCENE_SPIKE_CAPACITY);
    SetInt(s, loc[SCENE_U_SPIKE_COUNT], spikes);
    SetVec4Array(s, loc[SCENE_U_SPIKE_BODIES], view.spikes.bodies, spikes);
    SetVec4Array(s, loc[SCENE_U_SPIKE_DIRECTIONS], view.spikes.directions, spikes);

    bool soil = ground.soilHeightBound > 0.0f && std::isfinite(ground.soilHeightBound);
    SetInt(s, loc[SCENE_U_SOIL_ACTIVE], soil ? 1 : 0);
    SetFloat(s, loc[SCENE_U_SOIL_HEIGHT_BOUND], soil ? ground.soilHeightBound : 0.0f);
    SceneQuality q = SceneGraphicsQuality();
    int quality[4] = {q.clouds, q.shadows, q.spray, q.detail};
    SetShaderValue(s, loc[SCENE_U_GRAPHICS_QUALITY], quality, SHADER_UNIFORM_IVEC4);
    SetFloat(s, loc[SCENE_U_ARENA_HALF_SIZE], ARENA_HALF_SIZE);
    SetVec2(s, loc[SCENE_U_ARENA_CORNER_RADII], {ARENA_CORNER_RADIUS_NEGATIVE, ARENA_CORNER_RADIUS_POSITIVE});
    if (canyon) SetInt(s, loc[SCENE_U_ROCKS_ACTIVE], rocksActive ? 1 : 0);
    SetVec2(s, loc[SCENE_U_TRACK_ORIGIN], ground.trackOrigin);

    SetInt(s, loc[SCENE_U_MUD_COUNT], mud);
    if (mud > 0) SetShaderValueV(s, loc[SCENE_U_MUD_TILES], view.mudTiles, SHADER_UNIFORM_IVEC2, SCENE_MUD_TILE_COUNT);
}

static void BindUnit(int unit, unsigned int texture)
{
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void SceneDrawPass(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                   const SceneGround &ground, int width, int height, bool rocksActive)
{
    bool canyon = rocksActive;
    Shader shader = canyon ? shaders.canyon : shaders.interior;
    const int *loc = canyon ? shaders.canyonLocs.loc : shaders.interiorLocs.loc;

    if (resources.blocksProgram != shader.id && !SceneBindMudPoseBlocks(resources, shader)) {
        // Start-up checked both programs, so this is a lost context at worst: warn once, no retry.
        TraceLog(LOG_WARNING, "SCENE: mudlings stay undrawn in the %s program", canyon ? "canyon" : "interior");
        resources.blocksProgram = shader.id;
        resources.blocksBound = false;
    }
    int mud = SceneUploadMudBlocks(resources, view);
    SceneSetUniforms(shader, loc, view, ground, width, height, canyon, rocksActive, mud);

    BeginShaderMode(shader);
    // Explicit units instead of raylib's first-free slot order, which would also merge two
    // samplers that share a stand-in texture.
    const int units[4] = {SCENE_UNIT_TRACKS, SCENE_UNIT_DETAIL, SCENE_UNIT_HEIGHTS, SCENE_UNIT_SOIL};
    const int samplers[4] = {SCENE_U_GROUND_TRACKS, SCENE_U_TERRAIN_DETAIL, SCENE_U_TERRAIN_HEIGHTS, SCENE_U_SOIL_DEPOSITS};
    const unsigned int textures[4] = {
        ground.tracks.id ? ground.tracks.id : resources.neutralZero.id,
        ground.detail.id ? ground.detail.id : resources.neutralDetail.id,
        ground.heights.id ? ground.heights.id : resources.neutralZero.id,
        ground.soil.id ? ground.soil.id : resources.neutralZero.id,
    };
    for (int i = 0; i < 4; i++) {
        SetInt(shader, loc[samplers[i]], units[i]);
        BindUnit(units[i], textures[i]);
    }
    if (canyon) {
        SetInt(shader, loc[SCENE_U_ROCK_COLOR], SCENE_UNIT_ROCK_COLOR);
        SetInt(shader, loc[SCENE_U_ROCK_DEPTH], SCENE_UNIT_ROCK_DEPTH);
        BindUnit(SCENE_UNIT_ROCK_COLOR, resources.canyon.texture.texture.id);
        BindUnit(SCENE_UNIT_ROCK_DEPTH, resources.canyon.texture.depth.id);
    }
    glActiveTexture(GL_TEXTURE0);

    rlEnableDepthTest();
    DrawRectangle(0, 0, width, height, WHITE);
    EndShaderMode();
    rlDrawRenderBatchActive();
    rlDisableDepthTest();
    for (int unit = SCENE_UNIT_TRACKS; unit <= (canyon ? SCENE_UNIT_ROCK_DEPTH : SCENE_UNIT_SOIL); unit++) BindUnit(unit, 0);
    glActiveTexture(GL_TEXTURE0);
}

bool SceneRender(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                 const SceneGround &ground, int width, int height, bool prepass)
{
    if (!SceneEnsureTarget(resources.target, width, height)) return false;
    BeginTextureMode(resources.target.texture);
    ClearBackground(BLACK);
    SceneDrawPass(resources, shaders, view, ground, width, height, prepass);
    EndTextureMode();
    return true;
}

void SceneEffectsBegin(SceneResources &resources, const FollowCamera &camera)
{
    BeginTextureMode(resources.target.texture);
    BeginMode3D(CameraToRaylib(camera));
}

void SceneEffectsEnd()
{
    EndMode3D();
    EndTextureMode();
}

void SceneWarmUp(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                 const SceneGround &ground)
{
    if (!SceneEnsureTarget(resources.target, SCENE_MIN_WIDTH, SCENE_MIN_HEIGHT)) return;
    BeginTextureMode(resources.target.texture);
    for (int canyon = 0; canyon < 2; canyon++) {
        ClearBackground(BLACK);
        SceneDrawPass(resources, shaders, view, ground, SCENE_MIN_WIDTH, SCENE_MIN_HEIGHT, canyon == 1);
    }
    EndTextureMode();
    glFinish();
}
