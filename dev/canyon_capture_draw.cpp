// Canyon captures: fixed views of the rim through the real prepass (SceneCanyonBegin, CanyonDraw,
// SceneCanyonEnd) and the canyon program of the scene shader.
//
// Index
//   [SECTION] Shots
//   [SECTION] Rendering
//   [SECTION] Modes
#include "dev/canyon_capture.h"

#include "app/app.h"
#include "app/field_view.h"
#include "render/canyon_gpu.h"
#include "render/scene.h"
#include "render/tracks_gpu.h"
#include "world/canyon.h"
#include "world/terrain.h"
#include "world/tracks.h"

#include "external/glad.h"

#include <cstdio>
#include <new>

// [SECTION] Shots

struct CanyonShot {
    const char *name;
    Vector2 look;       // camera target on the ground (x, z)
    float zoom;         // view height, metres
    bool astronaut;     // the astronaut stands at the look point
    bool tracks;        // a trail of marks leads to the astronaut: +x boot prints, a +z dash strip
};

static const CanyonShot DEMO_SHOTS[] = {
    {"canyon-demo-01-corner-minus-x-plus-z", {-118.0f, 118.0f}, 30.0f, true, false},
    {"canyon-demo-02-minus-x-wall-north", {-120.0f, 70.0f}, 20.0f, true, false},
    {"canyon-demo-03-minus-x-wall", {-120.0f, 10.0f}, 20.0f, true, false},
    {"canyon-demo-04-minus-x-wall-south", {-120.0f, -60.0f}, 20.0f, true, false},
    {"canyon-demo-05-arc-minus-minus", {-114.0f, -114.0f}, 30.0f, true, false},
    {"canyon-demo-06-minus-z-wall", {-50.0f, -120.0f}, 20.0f, true, false},
    {"canyon-demo-07-minus-z-wall-east", {60.0f, -120.0f}, 20.0f, true, false},
    {"canyon-demo-08-corner-plus-x-minus-z", {118.0f, -118.0f}, 30.0f, true, false},
    {"canyon-demo-09-plus-x-wall-fading", {120.0f, -84.0f}, 20.0f, true, false},
    {"canyon-demo-10-plus-x-open-edge", {120.0f, 20.0f}, 20.0f, true, false},
    {"canyon-demo-11-arc-plus-plus", {108.0f, 108.0f}, 30.0f, true, false},
    {"canyon-demo-12-plus-z-open-edge", {20.0f, 120.0f}, 20.0f, true, false},
    {"canyon-demo-13-plus-z-spurs", {-96.0f, 120.0f}, 20.0f, true, false},
    {"canyon-demo-14-arena-centre", {0.0f, 0.0f}, 20.0f, true, false},
};

static const CanyonShot CLIFF_SHOTS[] = {
    {"cliff-demo-minus-x-foot", {-125.2f, 24.0f}, 5.5f, true, false},
    {"cliff-demo-minus-z-foot", {-40.0f, -125.2f}, 5.5f, true, false},
    {"cliff-demo-arc-foot", {-121.5f, -121.5f}, 5.5f, true, false},
    {"cliff-demo-minus-x-wall-zoom-9", {-124.0f, -20.0f}, 9.0f, true, false},
    {"cliff-demo-marks-at-the-foot", {-125.2f, 40.0f}, 5.5f, true, true},
};

static const CanyonShot JUNCTION_SHOTS[] = {
    {"arena-junction-minus-x-plus-z", {-124.0f, 124.0f}, 14.0f, false, false},
    {"arena-junction-minus-x-arc", {-125.0f, -110.0f}, 14.0f, false, false},
    {"arena-junction-arc-minus-z", {-110.0f, -125.0f}, 14.0f, false, false},
    {"arena-junction-plus-x-minus-z", {124.0f, -124.0f}, 14.0f, false, false},
    {"arena-junction-plus-x-arc", {125.0f, 102.0f}, 14.0f, false, false},
    {"arena-junction-arc-plus-z", {102.0f, 125.0f}, 14.0f, false, false},
    {"arena-junction-wrap-overview", {-112.0f, 112.0f}, 30.0f, false, false},
};

// [SECTION] Rendering

struct CanyonCapture {
    App *app;
    SceneResources resources;
    SceneGround ground;
    Canyon *canyon;
    TrackAtlas *tracks;     // for shots with marks; null if it could not be made
    FILE *report;
    double initSeconds;
};

static SceneView ShotView(const CanyonShot &shot)
{
    SceneView view{};
    Vector3 look = {shot.look.x, TerrainBaseHeight(shot.look.x, shot.look.y), shot.look.y};
    view.camera.viewHeight = shot.zoom;
    CameraFollow(view.camera, look, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    Player standing{};
    PlayerReset(standing, look);
    view.playerPosition = look;
    view.playerYaw = 0.4f;
    view.playerVisible = shot.astronaut;
    view.pose = FieldScenePose(standing.pose);
    view.time = 12.0f;
    return view;
}

static bool ExportScene(const SceneTarget &target, const char *name)
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

// One frame as the game renders it: the interior pass, or the prepass and the canyon program when
// any rock is in view.
// Boot prints walking in from +x, a mud print beside them and a dash strip running off toward +z:
// where they show tells the atlas's orientation on the ground.
static void StampTrail(TrackAtlas &atlas, Vector3 player)
{
    TrackAtlasReset(atlas);
    TrackAtlasFollow(atlas, player);
    for (int k = 1; k <= 6; k++) {
        float side = k % 2 ? 0.12f : -0.12f;
        TrackStampPrint(atlas, {player.x + 0.7f * (float)k, player.y, player.z + side}, -1.5707963f, 1.0f, TRACK_STAMP_BOOT);
    }
    TrackStampPrint(atlas, {player.x + 1.2f, player.y, player.z - 1.1f}, 0.3f, 0.35f, TRACK_STAMP_MUD);
    TrackStampStrip(atlas, {player.x - 0.4f, player.y, player.z + 1.0f}, {player.x - 0.4f, player.y, player.z + 4.0f}, 0.45f);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
}

static bool RenderShot(CanyonCapture &c, const CanyonShot &shot, int width, int height)
{
    SceneView view = ShotView(shot);
    c.ground.tracks = {};
    c.ground.trackOrigin = {0.0f, 0.0f};
    if (shot.tracks && c.tracks) {
        StampTrail(*c.tracks, view.playerPosition);
        c.ground.tracks = c.tracks->window.texture;
        c.ground.trackOrigin = c.tracks->origin;
    }
    Camera3D camera = CameraToRaylib(view.camera);
    int visible[CANYON_CHUNK_CAPACITY];
    int chunks = CanyonVisibleChunks(*c.canyon, camera, width, height, visible, CANYON_CHUNK_CAPACITY);
    if (!SceneRender(c.resources, c.app->gpu.shaders, view, c.ground, width, height)) return false;
    glFinish();
    double start = GetTime();
    bool rocks = false;
    if (chunks > 0) {
        if (!SceneCanyonBegin(c.resources, view.camera, width, height)) return false;
        rocks = CanyonDraw(*c.canyon, camera, width, height);
        SceneCanyonEnd();
    }
    if (rocks) {
        BeginTextureMode(c.resources.target.texture);
        ClearBackground(BLACK);
        SceneDrawPass(c.resources, c.app->gpu.shaders, view, c.ground, width, height, true);
        EndTextureMode();
    }
    glFinish();
    double ms = (GetTime() - start) * 1000.0;
    if (c.report)
        fprintf(c.report, "%s: zoom %.1f at (%.1f, %.1f): %d chunks in view, prepass and canyon pass %.1f ms\n", shot.name,
                shot.zoom, shot.look.x, shot.look.y, chunks, ms);
    return ExportScene(c.resources.target, shot.name);
}

// Builds what the shots share, runs them, releases everything.
static int RunShots(App &app, const CanyonShot *shots, int count, const char *reportName, int width, int height)
{
    if (MakeDirectory("artifacts") != 0) {
        TraceLog(LOG_ERROR, "CAPTURE: could not create artifacts/");
        return 1;
    }
    CanyonCapture c{};
    c.app = &app;
    c.canyon = new (std::nothrow) Canyon();
    if (!c.canyon) return 2;
    double start = GetTime();
    if (!CanyonInit(*c.canyon)) {
        TraceLog(LOG_ERROR, "Canyon initialization failed");
        delete c.canyon;
        return 2;
    }
    c.initSeconds = GetTime() - start;
    if (!SceneCreate(c.resources)) {
        CanyonFree(*c.canyon);
        delete c.canyon;
        return 1;
    }
    bool marks = false;
    for (int i = 0; i < count; i++) marks = marks || shots[i].tracks;
    if (marks) {
        c.tracks = new (std::nothrow) TrackAtlas();
        if (c.tracks && !TrackAtlasCreate(*c.tracks)) {
            delete c.tracks;
            c.tracks = nullptr;
        }
    }
    c.ground = AppSceneGround(app);
    char path[256];
    snprintf(path, sizeof(path), "artifacts/%s.txt", reportName);
    c.report = fopen(path, "w");
    if (c.report) {
        fprintf(c.report, "renderer %s\n", (const char *)glGetString(GL_RENDERER));
        fprintf(c.report, "CanyonInit %.1f ms: %d chunks, %d triangles\n", c.initSeconds * 1000.0, c.canyon->count,
                c.canyon->count * CANYON_CHUNK_TRIANGLES);
    }
    SceneQuality saved = SceneGraphicsQuality();
    SceneSetGraphicsQuality({0, 2, 1, 2});   // no clouds: the rock itself is being judged
    int failures = 0;
    for (int i = 0; i < count; i++) failures += RenderShot(c, shots[i], width, height) ? 0 : 1;
    SceneSetGraphicsQuality(saved);
    if (c.report) {
        fprintf(c.report, "failures %d\n", failures);
        fclose(c.report);
    } else {
        failures++;
    }
    if (c.tracks) {
        TrackAtlasFree(*c.tracks);
        delete c.tracks;
    }
    SceneRelease(c.resources);
    CanyonFree(*c.canyon);
    delete c.canyon;
    return failures == 0 ? 0 : 1;
}

// [SECTION] Modes

int CanyonCaptureDemo(App &app)
{
    return RunShots(app, DEMO_SHOTS, (int)(sizeof(DEMO_SHOTS) / sizeof(DEMO_SHOTS[0])), "canyon-demo", 960, 540);
}

int CanyonCaptureCliff(App &app)
{
    return RunShots(app, CLIFF_SHOTS, (int)(sizeof(CLIFF_SHOTS) / sizeof(CLIFF_SHOTS[0])), "cliff-demo", 960, 540);
}

int CanyonCaptureJunctions(App &app)
{
    return RunShots(app, JUNCTION_SHOTS, (int)(sizeof(JUNCTION_SHOTS) / sizeof(JUNCTION_SHOTS[0])), "arena-junctions", 960, 540);
}
