// Scene renderer developer modes: fixed-scene captures with a frame-time report, and a
// windowed self-check that reads pixels and depth back from small targets.
//
// Index
//   [SECTION] Fixed scenes
//   [SECTION] Read-back
//   [SECTION] Captures
//   [SECTION] Self-check
#include "dev/scene_capture.h"
#include "dev/scene_capture_mud.h"
#include "player/meteor.h"
#include "dev/ship_capture.h"
#include "dev/scene_check_mud.h"
#include "dev/tracks_check.h"

#include "app/app.h"
#include "app/field_view.h"
#include "render/scene.h"
#include "render/terrain_gpu.h"
#include "world/arena.h"
#include "world/terrain.h"

#include "raymath.h"
#include "rlgl.h"
#include "external/glad.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

static const SceneQuality CAPTURE_PRESETS[3] = {{0, 1, 0, 0}, {1, 1, 0, 1}, {2, 2, 1, 2}};

// [SECTION] Fixed scenes


// Locations of both programs looked up here, so the modes do not depend on how start-up filled them.
static SceneShaders CaptureShaders(const App &app)
{
    SceneShaders shaders = app.gpu.shaders;
    shaders.interiorLocs = SceneLookupUniforms(shaders.interior, false);
    shaders.canyonLocs = SceneLookupUniforms(shaders.canyon, true);
    return shaders;
}

// A view of the standing astronaut with the camera snapped onto `look` (camera target minus 0.65 m).
static SceneView FixedView(Vector3 player, Vector3 look, float yaw, float zoom, float time)
{
    SceneView view{};
    view.camera.viewHeight = zoom;
    CameraFollow(view.camera, look, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    view.playerPosition = player;
    view.playerYaw = yaw;
    view.playerVisible = true;
    // The game's own rest pose, as a fresh run starts with it.
    Player standing{};
    PlayerReset(standing, player);
    view.pose = FieldScenePose(standing.pose);
    view.time = time;
    return view;
}

// A settled full-speed walk, by the game's own gait: the astronaut walks straight ahead for a
// few seconds of 60 Hz steps.
static ScenePose StridePose()
{
    Player walker{};
    PlayerReset(walker, {0.0f, 0.0f, 0.0f});
    Vector3 ahead = {std::sin(walker.yaw), 0.0f, std::cos(walker.yaw)};
    for (int i = 0; i < 200; i++) PlayerStep(walker, ahead, 1.0f / 60.0f, (float)i / 60.0f);
    return FieldScenePose(walker.pose);
}

enum MeteorShot { SHOT_NONE, SHOT_WARNING, SHOT_FALL, SHOT_IMPACT };

// One meteor cast on `target` (a ground point) and flown by the game's own meteor system to a
// moment of the phase the shot shows, with no creature and the player far away.
static void FixedMeteor(SceneMeteors &meteors, MeteorShot shot, Vector3 target, const FollowCamera &camera)
{
    if (shot == SHOT_NONE) return;
    static MeteorSystem system;
    static MudPool pool;
    static Soil soil;
    MeteorReset(system);
    MudPoolReset(pool, 0);
    SoilReset(soil);
    MeteorCast(system, target, camera.position, camera.up, camera.viewHeight);
    float seconds = shot == SHOT_WARNING ? 0.39f : (shot == SHOT_FALL ? 0.65f + 0.95f : 0.65f + 1.24f + 0.26f);
    Vector3 away = {target.x + 60.0f, target.y, target.z};
    for (float t = 0.0f; t < seconds - 1e-4f; t += 1.0f / 60.0f)
        MeteorUpdate(system, pool, soil, away, away, std::fmin(1.0f / 60.0f, seconds - t));
    MeteorRender m;
    MeteorRenderData(system, m);
    static_assert(sizeof(meteors) == sizeof(m), "meteor record");
    memcpy(&meteors, &m, sizeof(m));
}

// A blade `distance` metres from `origin` along `heading`, in a phase of its run.
static void FixedBlade(SceneSpikes &spikes, Vector3 origin, Vector2 heading, float distance, int phase, float emergence)
{
    int k = spikes.count++;
    float sigma = phase >= 3 ? -1.0f : 1.0f;
    spikes.bodies[k] = {origin.x + heading.x * distance, origin.y, origin.z + heading.y * distance, emergence};
    spikes.directions[k] = {sigma * heading.x, sigma * heading.y, 2.37f * (float)(k + 1), (float)phase};
}

// Eight meteors in every phase and eight blades in flight across the view of the combat case.
static void CombatWeapons(SceneView &view)
{
    static const MeteorShot shots[3] = {SHOT_WARNING, SHOT_FALL, SHOT_IMPACT};
    view.meteors.count = 0;
    for (int i = 0; i < SCENE_METEOR_CAPACITY; i++) {
        float a = 0.785f * (float)i;
        Vector3 target = {7.0f * std::cos(a), 0.0f, 4.0f * std::sin(a)};
        target.y = TerrainBaseHeight(target.x, target.z);
        SceneMeteors one{};
        FixedMeteor(one, shots[i % 3], target, view.camera);
        int k = view.meteors.count++;
        view.meteors.bodies[k] = one.bodies[0];
        view.meteors.targets[k] = one.targets[0];
        view.meteors.states[k] = one.states[0];
        view.meteors.starts[k] = one.starts[0];
    }
    view.spikes.count = 0;
    for (int i = 0; i < SCENE_SPIKE_CAPACITY; i++) {
        float a = 0.785f * (float)i + 0.4f;
        FixedBlade(view.spikes, {0.0f, 0.0f, 0.0f}, {std::cos(a), std::sin(a)}, 2.0f + 0.9f * (float)i, i % 2 ? 1 : 3, 1.0f);
        Vector4 &b = view.spikes.bodies[view.spikes.count - 1];
        b.y = TerrainBaseHeight(b.x, b.z);
    }
}

// [SECTION] Read-back

constexpr int CHECK_MAX_PIXELS = 480 * 270;

struct Readback {
    int width, height;
    unsigned char rgba[CHECK_MAX_PIXELS * 4];
    float depth[CHECK_MAX_PIXELS];
};

static bool ReadFramebuffer(unsigned int framebuffer, int width, int height, Readback &out)
{
    if (width <= 0 || height <= 0 || width * height > CHECK_MAX_PIXELS) return false;
    rlDrawRenderBatchActive();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, out.depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    out.width = width;
    out.height = height;
    return true;
}

static bool ReadTarget(const SceneTarget &target, Readback &out)
{
    return ReadFramebuffer(target.texture.id, target.width, target.height, out);
}

// Ray origin of pixel (x, y), counted from the bottom-left like gl_FragCoord.
static Vector3 PixelOrigin(const FollowCamera &c, int width, int height, int x, int y)
{
    float u = ((float)x + 0.5f - 0.5f * (float)width) / (float)height;
    float v = ((float)y + 0.5f - 0.5f * (float)height) / (float)height;
    return Vector3Add(c.position, Vector3Scale(Vector3Add(Vector3Scale(c.right, u), Vector3Scale(c.up, v)), c.viewHeight));
}

static float DepthOf(float distance)
{
    float nearPlane = (float)rlGetCullDistanceNear();
    float farPlane = (float)rlGetCullDistanceFar();
    return (distance - nearPlane) / (farPlane - nearPlane);
}

// Distance along the view to the flat ground (the neutral height texture) under pixel (x, y).
static float FlatGroundDistance(const FollowCamera &c, int width, int height, int x, int y, Vector3 &point)
{
    Vector3 o = PixelOrigin(c, width, height, x, y);
    float t = -o.y / c.forward.y;
    point = Vector3Add(o, Vector3Scale(c.forward, t));
    return t;
}

static int ChannelDifference(const Readback &a, const Readback &b, int pixel)
{
    int worst = 0;
    for (int c = 0; c < 3; c++) {
        int d = std::abs((int)a.rgba[pixel * 4 + c] - (int)b.rgba[pixel * 4 + c]);
        if (d > worst) worst = d;
    }
    return worst;
}

// [SECTION] Captures

static bool ExportTarget(const SceneTarget &target, const char *name)
{
    char path[256];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    Image image = LoadImageFromTexture(target.texture.texture);
    if (!IsImageValid(image)) return false;
    ImageFlipVertical(&image);
    bool ok = ExportImage(image, path);
    UnloadImage(image);
    if (!ok) TraceLog(LOG_WARNING, "CAPTURE: could not write %s", path);
    return ok;
}

enum CaptureExtra { EXTRA_NONE, EXTRA_STRIDE, EXTRA_FLASH, EXTRA_BLADES_OUT, EXTRA_BLADES_BACK };

struct CaptureScene {
    const char *name;
    Vector2 player;         // x, z; y follows the ground
    float zoom;
    MeteorShot meteor;
    CaptureExtra extra;
    int clouds, shadows;    // -1 keeps the preset's value
    float time;
};

static const CaptureScene CAPTURE_SCENES[] = {
    {"arena-centre", {0.0f, 0.0f}, 20.0f, SHOT_NONE, EXTRA_NONE, -1, -1, 12.0f},
    {"corner-plus-plus", {112.0f, 112.0f}, 30.0f, SHOT_NONE, EXTRA_NONE, -1, -1, 12.0f},
    {"corner-minus-minus", {-114.0f, -114.0f}, 30.0f, SHOT_NONE, EXTRA_NONE, -1, -1, 12.0f},
    {"astronaut-standing", {3.0f, -2.0f}, 5.5f, SHOT_NONE, EXTRA_NONE, -1, -1, 12.0f},
    {"astronaut-stride", {3.0f, -2.0f}, 5.5f, SHOT_NONE, EXTRA_STRIDE, -1, -1, 12.0f},
    {"astronaut-flash", {3.0f, -2.0f}, 5.5f, SHOT_NONE, EXTRA_FLASH, -1, -1, 12.0f},
    {"meteor-warning", {-6.0f, 4.0f}, 9.0f, SHOT_WARNING, EXTRA_NONE, -1, -1, 12.0f},
    {"meteor-fall", {-6.0f, 4.0f}, 9.0f, SHOT_FALL, EXTRA_NONE, -1, -1, 12.0f},
    {"meteor-impact", {-6.0f, 4.0f}, 9.0f, SHOT_IMPACT, EXTRA_NONE, -1, -1, 12.0f},
    {"blades-out", {8.0f, 6.0f}, 9.0f, SHOT_NONE, EXTRA_BLADES_OUT, -1, -1, 12.3f},
    {"blades-back", {8.0f, 6.0f}, 9.0f, SHOT_NONE, EXTRA_BLADES_BACK, -1, -1, 12.3f},
    {"clouds-off", {20.0f, -30.0f}, 30.0f, SHOT_NONE, EXTRA_NONE, 0, 2, 40.0f},
    {"clouds-on", {20.0f, -30.0f}, 30.0f, SHOT_NONE, EXTRA_NONE, 2, 2, 40.0f},
    // Over the chasm the slab is seen against the dark drop, where banding showed worst.
    {"clouds-chasm", {-118.0f, 118.0f}, 30.0f, SHOT_NONE, EXTRA_NONE, 2, 2, 40.0f},
    {"shadows-0", {8.0f, 6.0f}, 9.0f, SHOT_NONE, EXTRA_BLADES_OUT, 2, 0, 12.3f},
    {"shadows-1", {8.0f, 6.0f}, 9.0f, SHOT_NONE, EXTRA_BLADES_OUT, 2, 1, 12.3f},
    {"shadows-2", {8.0f, 6.0f}, 9.0f, SHOT_NONE, EXTRA_BLADES_OUT, 2, 2, 12.3f},
};

static SceneView CaptureSceneView(const CaptureScene &scene)
{
    float ground = TerrainBaseHeight(scene.player.x, scene.player.y);
    Vector3 player = {scene.player.x, ground, scene.player.y};
    SceneView view = FixedView(player, player, 0.4f, scene.zoom, scene.time);
    if (scene.extra == EXTRA_STRIDE) view.pose = StridePose();
    if (scene.extra == EXTRA_FLASH) view.playerFlash = 1.0f;
    Vector3 target = {player.x + 1.6f, 0.0f, player.z - 0.6f};
    target.y = TerrainBaseHeight(target.x, target.z);
    FixedMeteor(view.meteors, scene.meteor, target, view.camera);
    if (scene.extra == EXTRA_BLADES_OUT || scene.extra == EXTRA_BLADES_BACK) {
        Vector2 heading = {std::sin(0.4f), std::cos(0.4f)};
        Vector3 origin = {player.x, 0.0f, player.z};
        int phase = scene.extra == EXTRA_BLADES_OUT ? 1 : 3;
        FixedBlade(view.spikes, origin, heading, 2.4f, phase, 1.0f);
        FixedBlade(view.spikes, origin, {heading.y, -heading.x}, 1.8f, phase, 1.0f);
        FixedBlade(view.spikes, origin, {-heading.y, heading.x}, 2.2f, 0, 0.45f);
        for (int k = 0; k < view.spikes.count; k++)
            view.spikes.bodies[k].y = TerrainBaseHeight(view.spikes.bodies[k].x, view.spikes.bodies[k].z);
    }
    return view;
}

static int CompareFloat(const void *a, const void *b)
{
    float x = *(const float *)a, y = *(const float *)b;
    return (x > y) - (x < y);
}

struct FrameTimes {
    float wallMs;   // median wall time
    float cpuMs;    // median process CPU time (all of the software rasteriser's threads)
};

// Median times of `frames` renders, each finished on the GPU before the clocks stop.
static FrameTimes MedianFrameTimes(SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                                   const SceneGround &ground, int width, int height, int frames)
{
    float wall[16], cpu[16];
    if (frames > 16) frames = 16;
    SceneRender(resources, shaders, view, ground, width, height);   // warm-up: target and program state
    glFinish();
    for (int i = 0; i < frames; i++) {
        double start = GetTime();
        clock_t cpuStart = clock();
        SceneRender(resources, shaders, view, ground, width, height);
        glFinish();
        wall[i] = (float)((GetTime() - start) * 1000.0);
        cpu[i] = (float)((double)(clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    }
    qsort(wall, (size_t)frames, sizeof(float), CompareFloat);
    qsort(cpu, (size_t)frames, sizeof(float), CompareFloat);
    return {wall[frames / 2], cpu[frames / 2]};
}

// First pass of each program on a small target; drivers that compile lazily pay for it here.
static void FirstPassTimes(SceneResources &resources, const SceneShaders &shaders, const SceneGround &ground,
                           float &interiorMs, float &canyonMs, float &steadyMs)
{
    SceneView view = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 20.0f, 12.0f);
    double start = GetTime();
    SceneRender(resources, shaders, view, ground, 320, 180);
    glFinish();
    interiorMs = (float)((GetTime() - start) * 1000.0);
    start = GetTime();
    if (SceneCanyonBegin(resources, view.camera, 320, 180)) {
        SceneCanyonEnd();
        BeginTextureMode(resources.target.texture);
        SceneDrawPass(resources, shaders, view, ground, 320, 180, true);
        EndTextureMode();
    }
    glFinish();
    canyonMs = (float)((GetTime() - start) * 1000.0);
    start = GetTime();
    SceneRender(resources, shaders, view, ground, 320, 180);
    glFinish();
    steadyMs = (float)((GetTime() - start) * 1000.0);
}

int SceneCaptureArena(App &app, int graphicsPreset)
{
    if (MakeDirectory("artifacts") != 0) {
        TraceLog(LOG_ERROR, "CAPTURE: could not create artifacts/");
        return 1;
    }
    if (graphicsPreset < 0 || graphicsPreset > 2) graphicsPreset = 2;
    SceneShaders shaders = CaptureShaders(app);
    SceneResources resources{};
    TerrainTextures terrain{};
    if (!SceneCreate(resources)) return 1;
    if (!TerrainTexturesCreate(terrain)) TraceLog(LOG_WARNING, "CAPTURE: terrain textures unavailable; flat neutral ground");
    SceneGround ground{};
    ground.heights = terrain.heights;
    ground.detail = terrain.detail;
    SceneQuality saved = SceneGraphicsQuality();

    float interiorMs = 0.0f, canyonMs = 0.0f, steadyMs = 0.0f;
    FirstPassTimes(resources, shaders, ground, interiorMs, canyonMs, steadyMs);

    int failures = 0;
    const int width = 960, height = 540;
    for (const CaptureScene &scene : CAPTURE_SCENES) {
        SceneQuality quality = CAPTURE_PRESETS[graphicsPreset];
        if (scene.clouds >= 0) quality.clouds = scene.clouds;
        if (scene.shadows >= 0) quality.shadows = scene.shadows;
        SceneSetGraphicsQuality(quality);
        SceneView view = CaptureSceneView(scene);
        if (!SceneRender(resources, shaders, view, ground, width, height) || !ExportTarget(resources.target, scene.name))
            failures++;
    }

    FILE *report = fopen("artifacts/capture-arena.txt", "w");
    if (report) {
        fprintf(report, "renderer %s\n", (const char *)glGetString(GL_RENDERER));
        fprintf(report, "picture preset %d\n", graphicsPreset);
        fprintf(report, "first pass 320x180: interior %.1f ms, canyon %.1f ms, steady %.1f ms\n", interiorMs, canyonMs, steadyMs);
        SceneView centre = FixedView({0.0f, TerrainBaseHeight(0.0f, 0.0f), 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 20.0f, 12.0f);
        struct CaptureSize {
            int width, height;
        };
        static const CaptureSize sizes[] = {{640, 360}, {1280, 720}};
        for (int preset = 0; preset < 3; preset++) {
            SceneSetGraphicsQuality(CAPTURE_PRESETS[preset]);
            for (const auto &size : sizes) {
                FrameTimes t = MedianFrameTimes(resources, shaders, centre, ground, size.width, size.height, 5);
                fprintf(report, "arena centre quality %d %dx%d: median wall %.1f ms, cpu %.1f ms (5 frames)\n", preset,
                        size.width, size.height, t.wallMs, t.cpuMs);
                fflush(report);
            }
        }
        fprintf(report, "failures %d\n", failures);
        fclose(report);
    } else {
        failures++;
    }
    // What the creatures and the weapons cost the software renderer, in artifacts/capture-mud-render.txt.
    if (SceneCaptureMud(resources, shaders, ground, CombatWeapons) != 0) failures++;

    SceneSetGraphicsQuality(saved);
    TerrainTexturesRelease(terrain);
    SceneRelease(resources);
    return failures == 0 ? 0 : 1;
}

// [SECTION] Self-check

struct CheckTally {
    int passed, failed;
};

static void Check(CheckTally &tally, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (ok) tally.passed++;
    else tally.failed++;
}

static Readback readA, readB, readC;   // large: kept out of the stack

static bool CheckBlocks(SceneResources &resources, const SceneShaders &shaders)
{
    glEnable(0xFFFFu);   // leaves GL_INVALID_ENUM pending, as a careless earlier call would
    bool ok = SceneBindMudPoseBlocks(resources, shaders.interior) && SceneBindMudPoseBlocks(resources, shaders.canyon);
    for (int i = 0; i < 2 && ok; i++) {
        GLint size = 0;
        glBindBuffer(GL_UNIFORM_BUFFER, resources.poseBuffers[i]);
        glGetBufferParameteriv(GL_UNIFORM_BUFFER, GL_BUFFER_SIZE, &size);
        glBindBuffer(GL_UNIFORM_BUFFER, 0);
        ok = size == (i == 0 ? SCENE_MUD_POSE_A_BYTES : SCENE_MUD_POSE_B_BYTES);
    }
    return ok && resources.blocksProgram == shaders.canyon.id;
}

// Beyond the rounded (+,+) corner: chasm colour at depth 200; inside: the ground's own depth.
static void CheckChasm(CheckTally &tally, SceneResources &resources, const SceneShaders &shaders)
{
    const int w = 320, h = 180;
    SceneView view = FixedView({112.0f, 0.0f, 112.0f}, {112.0f, 0.0f, 112.0f}, 0.4f, 30.0f, 5.0f);
    view.playerVisible = false;
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readA);
    int chasm = 0, floor = 0, colourMisses = 0, depthMisses = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            Vector3 p;
            float t = FlatGroundDistance(view.camera, w, h, x, y, p);
            float sd = ArenaSignedDistance(p.x, p.z);
            int i = y * w + x;
            if (sd > 0.5f) {
                chasm++;
                float s = std::fmin(std::fmax(sd / 18.0f, 0.0f), 1.0f);
                s = s * s * (3.0f - 2.0f * s);
                float haze = 0.92f + 0.16f * (128.0f / 255.0f);
                const float a[3] = {0.026f, 0.017f, 0.012f}, b[3] = {0.073f, 0.048f, 0.030f};
                float sx = ((float)x + 0.5f) / (float)w - 0.5f, sy = ((float)y + 0.5f) / (float)h - 0.5f;
                float v = std::sqrt(sx * sx + sy * sy) * 1.3f;
                for (int c = 0; c < 3; c++) {
                    float col = (a[c] + (b[c] - a[c]) * s) * haze;
                    col = std::pow(col / (col + 0.65f), 1.0f / 2.2f) * (1.0f - 0.16f * v * v);
                    if (std::abs((int)readA.rgba[i * 4 + c] - (int)std::lround(col * 255.0f)) > 2) colourMisses++;
                }
                if (std::fabs(readA.depth[i] - DepthOf(SCENE_CHASM_DEPTH)) > 1e-6f) depthMisses++;
            } else if (sd < -0.5f) {
                floor++;
                if (std::fabs(readA.depth[i] - DepthOf(t)) > 5e-7f) depthMisses++;
            }
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "chasm beyond the outline: %d chasm and %d floor pixels, %d colour and %d depth misses",
             chasm, floor, colourMisses, depthMisses);
    Check(tally, chasm > 2000 && floor > 2000 && colourMisses == 0 && depthMisses == 0, line);
}

// A mesh drawn after the pass at the ground's distance agrees with the ray-marched depth.
static void CheckMeshDepth(CheckTally &tally, SceneResources &resources, const SceneShaders &shaders, int w, int h)
{
    SceneView view = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 20.0f, 5.0f);
    view.playerVisible = false;
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readA);
    BeginTextureMode(resources.target.texture);
    BeginMode3D(CameraToRaylib(view.camera));
    DrawPlane({-3.0f, 0.004f, 0.0f}, {2.0f, 2.0f}, RED);    // 4 mm above: must show
    DrawPlane({3.0f, -0.004f, 0.0f}, {2.0f, 2.0f}, BLUE);   // 4 mm below: must stay hidden
    EndMode3D();
    EndTextureMode();
    ReadTarget(resources.target, readB);
    int above = 0, aboveMisses = 0, below = 0, belowMisses = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            Vector3 p;
            FlatGroundDistance(view.camera, w, h, x, y, p);
            int i = y * w + x;
            // Half a metre inside each square, away from the rasterised edges.
            if (std::fabs(p.x + 3.0f) < 0.5f && std::fabs(p.z) < 0.5f) {
                above++;
                if (readB.rgba[i * 4] != RED.r || readB.rgba[i * 4 + 1] != RED.g || readB.rgba[i * 4 + 2] != RED.b) aboveMisses++;
            }
            if (std::fabs(p.x - 3.0f) < 0.5f && std::fabs(p.z) < 0.5f) {
                below++;
                if (ChannelDifference(readA, readB, i) != 0) belowMisses++;
            }
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "mesh depth at %dx%d: %d/%d pixels of a quad 4 mm above shown, %d/%d of one 4 mm below hidden",
             w, h, above - aboveMisses, above, below - belowMisses, below);
    Check(tally, above > 20 && below > 20 && aboveMisses == 0 && belowMisses == 0, line);
}

// Pixels whose depth lies in front of the flat ground: the astronaut.
static bool CoveredPixel(const Readback &r, const FollowCamera &camera, int x, int y)
{
    Vector3 p;
    float t = FlatGroundDistance(camera, r.width, r.height, x, y, p);
    return r.depth[y * r.width + x] < DepthOf(t) - 1e-5f;
}

static void CheckFlash(CheckTally &tally, SceneResources &resources, const SceneShaders &shaders)
{
    const int w = 320, h = 180;
    SceneView view = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 5.5f, 5.0f);
    view.playerFlash = 1.0f;
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readA);
    view.playerFlash = 0.0f;
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readB);
    int covered = 0, dim = 0, plainWhite = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            if (!CoveredPixel(readA, view.camera, x, y)) continue;
            covered++;
            const unsigned char *a = &readA.rgba[(y * w + x) * 4];
            const unsigned char *b = &readB.rgba[(y * w + x) * 4];
            if (a[0] < 240 || a[1] < 240 || a[2] < 240) dim++;
            if (b[0] >= 240 && b[1] >= 240 && b[2] >= 240) plainWhite++;
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "flash silhouette: %d astronaut pixels, %d below near-white; %d near-white without the flash",
             covered, dim, plainWhite);
    Check(tally, covered > 500 && dim == 0 && plainWhite < covered / 20, line);
}

// Hidden astronaut: the picture equals one with the astronaut far out of view (no body, no
// shadow, no contact darkening).
static void CheckHidden(CheckTally &tally, SceneResources &resources, const SceneShaders &shaders)
{
    const int w = 320, h = 180;
    SceneQuality saved = SceneGraphicsQuality();
    SceneSetGraphicsQuality({0, 2, 1, 2});
    SceneView view = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 8.0f, 5.0f);
    view.playerVisible = false;
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readA);
    view.playerVisible = true;
    view.playerPosition = {60.0f, 0.0f, -60.0f};
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readB);
    view.playerPosition = {0.0f, 0.0f, 0.0f};
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readC);
    int differ = 0, visibleDiffer = 0;
    for (int i = 0; i < w * h; i++) {
        if (ChannelDifference(readA, readB, i) > 1) differ++;
        if (ChannelDifference(readA, readC, i) > 1) visibleDiffer++;
    }
    SceneSetGraphicsQuality(saved);
    char line[160];
    snprintf(line, sizeof(line), "hidden astronaut: %d pixels differ from an empty view (%d with it shown)", differ, visibleDiffer);
    Check(tally, differ == 0 && visibleDiffer > 500, line);
}

// Shadow quality 0 casts nothing; quality 2 casts the marched shadow of a floating astronaut
// 1.6 m aside, clear of its contact darkening; quality 1 keeps the suit unshaded.
static void CheckShadowQuality(CheckTally &tally, SceneResources &resources, const SceneShaders &shaders)
{
    const int w = 320, h = 180;
    SceneQuality saved = SceneGraphicsQuality();
    SceneView view = FixedView({0.0f, 10.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 20.0f, 5.0f);
    int changed[3] = {0, 0, 0};
    for (int q = 0; q <= 2; q += 2) {
        SceneSetGraphicsQuality({0, q, 1, 2});
        view.playerVisible = true;
        SceneRender(resources, shaders, view, {}, w, h);
        ReadTarget(resources.target, readA);
        view.playerVisible = false;
        SceneRender(resources, shaders, view, {}, w, h);
        ReadTarget(resources.target, readB);
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                Vector3 p;
                FlatGroundDistance(view.camera, w, h, x, y, p);
                float away = std::sqrt(p.x * p.x + p.z * p.z);
                if (away < 1.2f || CoveredPixel(readA, view.camera, x, y)) continue;
                if (ChannelDifference(readA, readB, y * w + x) > 1) changed[q]++;
            }
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "shadow quality 0 casts nothing: %d shaded ground pixels (%d at quality 2)", changed[0], changed[2]);
    Check(tally, changed[0] == 0 && changed[2] > 20, line);

    SceneView ground = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 6.0f, 5.0f);
    SceneSetGraphicsQuality({0, 0, 1, 2});
    SceneRender(resources, shaders, ground, {}, w, h);
    ReadTarget(resources.target, readA);
    SceneSetGraphicsQuality({0, 1, 1, 2});
    SceneRender(resources, shaders, ground, {}, w, h);
    ReadTarget(resources.target, readB);
    int suit = 0, suitDiffer = 0, disc = 0;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            int i = y * w + x;
            if (CoveredPixel(readA, ground.camera, x, y)) {
                suit++;
                if (ChannelDifference(readA, readB, i) > 1) suitDiffer++;
            } else if (ChannelDifference(readA, readB, i) > 2) {
                disc++;
            }
        }
    }
    SceneSetGraphicsQuality(saved);
    snprintf(line, sizeof(line), "shadow quality 1: disc on %d ground pixels, %d of %d suit pixels changed", disc, suitDiffer, suit);
    Check(tally, disc > 50 && suit > 500 && suitDiffer == 0, line);
}

// Canyon program: a floating prepass cube shows with its own colour and depth, empty prepass
// pixels change nothing, and a cube standing on the ground takes soil at its foot.
static void CheckCanyon(CheckTally &tally, SceneResources &resources, const SceneShaders &shaders)
{
    const int w = 320, h = 180;
    SceneView view = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 12.0f, 5.0f);
    SceneRender(resources, shaders, view, {}, w, h);
    ReadTarget(resources.target, readA);
    int rock = 0, rockMisses = 0, empty = 0, emptyMisses = 0, foot = 0, collar = 0;
    bool made = true;
    for (int standing = 0; standing < 2 && made; standing++) {
        made = SceneCanyonBegin(resources, view.camera, w, h);
        if (!made) break;
        DrawCube({3.0f, standing ? 0.5f : 1.5f, 0.0f}, 1.0f, 1.0f, 1.0f, RED);
        SceneCanyonEnd();
        ReadFramebuffer(resources.canyon.texture.id, w, h, readC);
        BeginTextureMode(resources.target.texture);
        ClearBackground(BLACK);
        SceneDrawPass(resources, shaders, view, {}, w, h, true);
        EndTextureMode();
        ReadTarget(resources.target, readB);
        for (int i = 0; i < w * h; i++) {
            const unsigned char *c = &readB.rgba[i * 4];
            bool red = c[0] >= c[1] + 60 && c[0] >= c[2] + 40;
            if (readC.depth[i] >= 0.999999f) {
                empty++;
                if (ChannelDifference(readA, readB, i) > 1 || std::fabs(readA.depth[i] - readB.depth[i]) > 1e-6f) emptyMisses++;
            } else if (!standing) {
                rock++;
                if (std::fabs(readB.depth[i] - readC.depth[i]) > 1e-6f || !red) rockMisses++;
            } else if (readC.depth[i] < readA.depth[i] - 2e-6f) {
                // Rock in front of the ground: within the foot's few centimetres it turns to soil.
                foot++;
                if (!red) collar++;
            }
        }
    }
    char line[200];
    snprintf(line, sizeof(line), "canyon composite: %d rock pixels (%d wrong), %d empty (%d changed), %d of %d foot pixels under soil",
             rock, rockMisses, empty, emptyMisses, collar, foot);
    Check(tally, made && rock > 100 && rockMisses == 0 && emptyMisses == 0 && collar > 5 && collar < foot / 3, line);
}

// The interior program with its linear colour as output; the tone curve's pow would turn a NaN
// into black on some drivers and hide it.
static Shader LinearOutputProgram()
{
    char path[2048];
    snprintf(path, sizeof(path), "%sassets/shaders/scene.fs", GetApplicationDirectory());
    char *text = LoadFileText(path);
    char *variant = SceneVariantSource(text, 0);
    UnloadFileText(text);
    if (!variant) return Shader{};
    const char *rest = strchr(variant, '\n') + 1;
    size_t length = strlen(variant) + 64;
    char *source = (char *)MemAlloc((unsigned int)length);
    snprintf(source, length, "#version 330\n#define SCENE_LINEAR_OUTPUT 1\n%s", rest);
    MemFree(variant);
    Shader shader = LoadShaderFromMemory(nullptr, source);
    MemFree(source);
    return shader;
}

// Every value the meteor and blade systems can send, including the rests between phases, with
// a degenerate pose: the linear colour in a float target must stay finite and non-negative.
static void CheckFinite(CheckTally &tally, SceneResources &resources)
{
    const int w = 160, h = 90;
    static float pixels[w * h * 4];
    SceneShaders probe{};
    probe.interior = LinearOutputProgram();
    probe.interiorLocs = SceneLookupUniforms(probe.interior, false);
    SceneQuality saved = SceneGraphicsQuality();
    SceneSetGraphicsQuality({2, 2, 1, 2});
    SceneView view = FixedView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.4f, 7.0f, 1234.5f);
    view.pose = ScenePose{};   // degenerate: every joint at the feet
    SceneMeteors &m = view.meteors;
    m.count = 8;
    m.bodies[0] = {0.0f, 0.0f, 0.0f, 0.0f};   // between phases: no rock, no heat, no direction
    m.starts[0] = {0.0f, 0.0f, 0.0f, 0.0f};
    m.bodies[1] = {1.0f, 1.0f, 0.0f, 0.58f};  // falling with its launch point on the rock
    m.starts[1] = {1.0f, 1.0f, 0.0f, 0.5f};
    m.bodies[2] = {-1.0f, 2.0f, 0.5f, 0.58f};
    m.starts[2] = {-1.0f, 9.0f, 0.5f, 0.0f};
    m.bodies[3] = {0.5f, 0.5f, -1.0f, 0.0f};  // hot but without a rock
    m.starts[3] = {0.5f, 8.0f, -1.0f, 1.0f};
    m.states[4] = {0.0f, 2.0f, 0.3f, 0.0f};   // impact cloud at age 0 and at its end
    m.targets[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    m.states[5] = {0.8f, 2.0f, 0.3f, 0.999f};
    m.targets[5] = {1.0f, 0.0f, 1.0f, 0.0f};
    m.targets[6] = {0.0f, 0.0f, 0.0f, 1.0f};  // warning centred on the astronaut
    m.bodies[7] = {0.2f, 3.0f, 0.2f, 0.58f};
    m.starts[7] = {0.2f, 16.0f, 0.2f, 0.99f};
    SceneSpikes &s = view.spikes;
    s.count = 8;
    const float emergence[8] = {0.0f, 0.0005f, 0.05f, 1.0f, 1.0f, 0.5f, 1.0f, 1.0f};
    for (int k = 0; k < 8; k++) {
        s.bodies[k] = {-2.0f + 0.6f * (float)k, 0.0f, 0.3f * (float)k - 1.0f, emergence[k]};
        s.directions[k] = {k == 3 ? 0.0f : 1.0f, 0.0f, (float)k, (float)(k % 5)};   // blade 3: no heading
    }
    s.bodies[6] = {0.0f, 0.0f, 0.0f, 1.0f};   // on the astronaut's feet

    RenderTexture2D target{};
    target.id = rlLoadFramebuffer();
    target.texture = {rlLoadTexture(nullptr, w, h, PIXELFORMAT_UNCOMPRESSED_R32G32B32A32, 1), w, h, 1,
                      PIXELFORMAT_UNCOMPRESSED_R32G32B32A32};
    target.depth = {rlLoadTextureDepth(w, h, true), w, h, 1, 19};
    rlFramebufferAttach(target.id, target.texture.id, RL_ATTACHMENT_COLOR_CHANNEL0, RL_ATTACHMENT_TEXTURE2D, 0);
    rlFramebufferAttach(target.id, target.depth.id, RL_ATTACHMENT_DEPTH, RL_ATTACHMENT_RENDERBUFFER, 0);
    bool made = IsShaderValid(probe.interior) && SceneCheckUniforms(probe.interiorLocs, false) &&
                rlFramebufferComplete(target.id);
    int bad = 0;
    if (made) {
        BeginTextureMode(target);
        ClearBackground(BLACK);
        SceneDrawPass(resources, probe, view, {}, w, h, false);
        EndTextureMode();
        glBindFramebuffer(GL_FRAMEBUFFER, target.id);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, pixels);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        for (int i = 0; i < w * h * 4; i++)
            if (!std::isfinite(pixels[i]) || pixels[i] < 0.0f) bad++;
    }
    UnloadRenderTexture(target);
    SceneShadersRelease(probe);
    SceneSetGraphicsQuality(saved);
    char line[160];
    snprintf(line, sizeof(line), "float target under every meteor and blade state: %d non-finite or negative values", bad);
    Check(tally, made && bad == 0, line);
}

int SceneSelfCheck(App &app)
{
    CheckTally tally{};
    SceneShaders shaders = CaptureShaders(app);
    SceneResources resources{};
    if (!SceneCreate(resources)) {
        printf("0 passed, 1 failed\n");
        return 1;
    }
    SceneQuality saved = SceneGraphicsQuality();
    SceneSetGraphicsQuality({0, 2, 1, 2});

    Check(tally, SceneCheckUniforms(shaders.interiorLocs, false) && SceneCheckUniforms(shaders.canyonLocs, true) &&
                     GetShaderLocation(shaders.interior, "rockColor") < 0,
          "uniforms: 37 in the interior program, 40 in the canyon program");
    Check(tally, CheckBlocks(resources, shaders), "MudPose blocks: both programs bind after a stale GL error, 13824 and 15360 bytes");
    CheckChasm(tally, resources, shaders);
    CheckMeshDepth(tally, resources, shaders, 320, 180);
    CheckMeshDepth(tally, resources, shaders, 480, 270);
    Check(tally, resources.target.width == 480 && resources.target.height == 270, "resize: the scene target follows the requested size");
    CheckFlash(tally, resources, shaders);
    CheckHidden(tally, resources, shaders);
    CheckShadowQuality(tally, resources, shaders);
    CheckCanyon(tally, resources, shaders);
    char shipLine[200];
    Check(tally, ShipCaptureCheckDepth(resources, shaders, shipLine, sizeof(shipLine)), shipLine);
    SceneCheckMudCounts mud = SceneCheckMudDraw(resources, shaders);
    tally.passed += mud.passed;
    tally.failed += mud.failed;
    TracksCheckCounts tracks = TracksCheckWindowed();
    tally.passed += tracks.passed;
    tally.failed += tracks.failed;
    Check(tally, resources.canyon.width == 320, "canyon target: created on first use at the scene size");
    SceneRender(resources, shaders, FixedView({0, 0, 0}, {0, 0, 0}, 0.4f, 20.0f, 1.0f), {}, 320, 180);
    Check(tally, resources.blocksProgram == shaders.interior.id, "MudPose blocks: rebound when the interior program follows the canyon one");
    CheckFinite(tally, resources);

    SceneSetGraphicsQuality(saved);
    SceneRelease(resources);
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}
