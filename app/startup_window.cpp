// Entry, start-up and shutdown.
//
// Index
//   [SECTION] Loading screen
//   [SECTION] Scene-shader preparation
//   [SECTION] Game start-up and shutdown
//   [SECTION] Entry
#include "app/startup.h"

#include "app/app.h"
#include "app/assets.h"
#include "app/command_line.h"
#include "app/display.h"
#include "app/field_view.h"
#include "app/frame_rules.h"
#include "audio/audio.h"
#include "dev/dev_modes.h"
#include "frontend/menu_draw.h"
#include "hud/eye_coins_draw.h"
#include "hud/hud_draw.h"
#include "platform/platform.h"
#include "render/canyon_gpu.h"
#include "render/soil_gpu.h"
#include "render/terrain_gpu.h"
#include "render/tracks_gpu.h"

#include "external/glad.h"
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <memory>
#include <new>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>


static const char *const WINDOW_TITLE = "Glorvent 0.1.1";

// [SECTION] Loading screen

static void DrawCentred(const char *text, float size, float spacing, float y, Color color)
{
    Vector2 extent = MeasureTextEx(hudFont, text, size, spacing);
    DrawTextEx(hudFont, text, {((float)GetScreenWidth() - extent.x) * 0.5f, y}, size, spacing, color);
}

void StartupDrawLoading(const char *message)
{
    float h = (float)GetScreenHeight();
    float t = (float)GetTime();
    BeginDrawing();
    ClearBackground({35, 27, 23, 255});
    DrawCentred("GLORVENT", 48.0f, 2.0f, 0.42f * h, {238, 213, 165, 255});
    DrawCentred(message, 22.0f, 1.0f, 0.56f * h, {202, 184, 157, 255});
    for (int i = 0; i < 3; i++) {
        float alpha = 0.35f + 0.65f * (0.5f + 0.5f * std::sin(4.0f * t - (float)i));
        DrawCircleV({(float)GetScreenWidth() * 0.5f - 22.0f + 22.0f * (float)i, 0.65f * h}, 5.0f,
                    Fade({233, 175, 78, 255}, alpha));
    }
    EndDrawing();
}

// [SECTION] Scene-shader preparation

static void CompileVariant(SceneShaderJob &job, int canyon)
{
    int components = 0;
    glGetIntegerv(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS, &components);
    TraceLog(LOG_INFO, "Mudling data: 48 uniform-buffer slots (13824/15360 bytes); default fragment uniform capacity %d components",
             components);

    char *text = LoadFileText(job.path);
    if (!text) return;
    // The file's own "#version 330" line is replaced by ours, which adds the variant switch.
    char *source = SceneVariantSource(text, canyon);
    if (!source) {
        UnloadFileText(text);
        return;
    }
    const char *variant = canyon ? "canyon" : "interior";
    TraceLog(LOG_INFO, "Scene shader: compiling %s variant", variant);
    double start = GetTime();
    job.slots[canyon] = LoadShaderFromMemory(nullptr, source);
    TraceLog(LOG_INFO, "STARTUP: %s scene shader compiled/linked in %.3f seconds", variant, GetTime() - start);
    MemFree(source);
    UnloadFileText(text);
}

static void CompileJob(SceneShaderJob &job)
{
    CompileVariant(job, 0);
    CompileVariant(job, 1);
}

static void ShaderWorker(void *arg)
{
    SceneShaderJob &job = *(SceneShaderJob *)arg;
    glfwMakeContextCurrent((GLFWwindow *)job.context);
    CompileJob(job);
    // The programs must be complete before the main context uses them.
    glFinish();
    glfwMakeContextCurrent(nullptr);
}

bool StartupPrepareSceneShaders(SceneShaderJob &job)
{
    double start = GetTime();
    StartupDrawLoading("Подготовка графики...");

    GLFWwindow *mainContext = glfwGetCurrentContext();
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    GLFWwindow *hidden = mainContext ? glfwCreateWindow(1, 1, "Glorvent shader compiler", nullptr, mainContext) : nullptr;
    glfwDefaultWindowHints();
    // Creating a window may change the current context on some platforms.
    if (mainContext) glfwMakeContextCurrent(mainContext);

    PlatformThread worker{};
    bool started = false;
    if (hidden) {
        job.context = hidden;
        started = PlatformThreadStart(worker, ShaderWorker, &job);
        if (!started) glfwDestroyWindow(hidden);
    }

    if (!started) {
        TraceLog(LOG_WARNING, "STARTUP: background GL context unavailable; using synchronous shader compilation");
        job.context = nullptr;
        CompileJob(job);
        TraceLog(LOG_INFO, "STARTUP: synchronous scene shader preparation %.3f seconds", GetTime() - start);
        return !WindowShouldClose();
    }

    bool closeSeen = false;
    unsigned polls = 0;
    while (true) {
        PollInputEvents();
        if (WindowShouldClose()) closeSeen = true;
        polls++;
        if (PlatformThreadWait(worker, 16)) break;
    }
    PlatformThreadClose(worker);
    glfwDestroyWindow(hidden);
    job.context = nullptr;
    TraceLog(LOG_INFO, "STARTUP: scene shader preparation %.3f seconds; %u window event polls", GetTime() - start, polls);
    return !closeSeen;
}

// [SECTION] Game start-up and shutdown

// The last error line, for the dialog of a game started without a console (a double-click).
static char startupLastError[512];

// raylib's own log format on standard output, remembering the last error line.
static void StartupLog(int level, const char *format, va_list args)
{
    static const char *const LABELS[] = {"", "TRACE: ", "DEBUG: ", "INFO: ", "WARNING: ", "ERROR: ", "FATAL: ", ""};
    char line[512];
    vsnprintf(line, sizeof(line), format, args);
    printf("%s%s\n", LABELS[level >= 0 && level <= LOG_NONE ? level : 0], line);
    fflush(stdout);
    if (level >= LOG_ERROR) snprintf(startupLastError, sizeof(startupLastError), "%s", line);
}

// A failed start: the status, after the last error line is shown where the log reaches no one.
static int StartupFailed(const App &app, int status)
{
    PlatformShowStartupError(startupLastError[0] ? startupLastError : "Glorvent could not start.", app.developerMode);
    return status;
}

// Releases what start-up created, in reverse order; safe on anything not created yet.
static void StartupRelease(App &a)
{
    MenuGraphicsRelease(a.menuGraphics);
    AudioShutdown();
    CanyonFree(a.gpu.canyon);
    ShipRendererRelease(a.gpu.ship);
    TrackAtlasFree(a.field.tracks);
    SoilTextureRelease(a.gpu.soil);
    EyeCoinsDrawRelease();
    FieldRelease(a.field);
    TerrainTexturesRelease(a.gpu.terrain);
    SceneRelease(a.gpu.scene);
    HudUnload();
    SceneShadersRelease(a.gpu.shaders);
}

// Start-up, the frame loop and shutdown of one process; `app` starts value-initialised.
static int StartupRunGame(App &app)
{
    app.flow.consistent = true;
    FieldControlsReset(app.input.controls);

    SetTraceLogLevel(LOG_INFO);
    SetTraceLogCallback(StartupLog);
    SetConfigFlags(FLAG_WINDOW_RESIZABLE);
    InitWindow(1280, 720, WINDOW_TITLE);
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "STARTUP: the window could not be created");
        return StartupFailed(app, 1);
    }
    SetExitKey(KEY_NULL);
    DisplaySetWindowIcon();

    int units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    if (units <= 6) {
        TraceLog(LOG_ERROR, "Scene requires seven fragment texture units.");
        CloseWindow();
        return StartupFailed(app, 2);
    }

    SetWindowMinSize(960, 600);
    DisplayInit(app.display);
    SetTargetFPS(app.developerMode ? 0 : 60);

    // The profile: developer modes neither read nor write it, but the runs that test it.
    AppPersistence &keep = app.persistence;
    ProfileDefaults(keep.profile);
    keep.enabled = false;
    bool ownProfile = !app.developerMode || (app.dev && app.dev->profileRun);
    if (ownProfile && ProfileDefaultPath(keep.path, sizeof(keep.path))) {
        ProfileLoadInfo info{};
        ProfileLoad(keep.profile, keep.path, &info);
        // A file that could not be read, or one from a newer game, is never overwritten.
        keep.enabled = info.writable;
        keep.saveFailed = !info.writable;
    }
    keep.saved = keep.profile;

    // The stored preferences.
    const Profile &prefs = keep.profile;
    InputSetGamepad(prefs.gamepad);
    DisplaySetRenderScale(prefs.graphics[0]);
    SceneSetGraphicsQuality({prefs.graphics[1], prefs.graphics[2], prefs.graphics[3], prefs.graphics[4]});
    if (prefs.borderless && !DisplaySetBorderless(app.display, true)) keep.profile.borderless = false;

    char path[2048];
    snprintf(path, sizeof(path), "%sassets/fonts/Exo2-Bold.ttf", GetApplicationDirectory());
    if (!HudLoad(path)) {
        CloseWindow();
        return StartupFailed(app, 2);
    }

    MenuInit(app.menu);
    if (!AppMenusOn(app)) MenuShow(app.menu, MENU_SCREEN_PLAY);

    // Sound: a missing device leaves the game silent, not broken.
    AudioPublisherReset(app.audio);
    if (!app.developerMode) AudioInit((uint32_t)GetRandomValue(1, 2147483647));
    AppPublishAudio(app, nullptr);
    // The window shows the game at once, before the long shader preparation.
    if (!app.developerMode) {
        BeginDrawing();
        ClearBackground(BLACK);
        MenuDraw(app.menu, app.persistence.profile, &app.menuGraphics);
        EndDrawing();
    }

    SceneShaderJob job{};
    snprintf(job.path, sizeof(job.path), "%sassets/shaders/scene.fs", GetApplicationDirectory());
    if (!StartupPrepareSceneShaders(job)) {
        for (Shader &s : job.slots) if (s.id != 0) UnloadShader(s);
        AudioShutdown();
        HudUnload();
        CloseWindow();
        return 0;
    }
    AppGpu &gpu = app.gpu;
    gpu.shaders.interior = job.slots[0];
    gpu.shaders.canyon = job.slots[1];
    gpu.shaders.interiorLocs = SceneLookupUniforms(gpu.shaders.interior, false);
    gpu.shaders.canyonLocs = SceneLookupUniforms(gpu.shaders.canyon, true);
    bool sceneReady = IsShaderValid(gpu.shaders.interior) && SceneCheckUniforms(gpu.shaders.interiorLocs, false) &&
                      IsShaderValid(gpu.shaders.canyon) && SceneCheckUniforms(gpu.shaders.canyonLocs, true) &&
                      SceneBindMudPoseBlocks(gpu.scene, gpu.shaders.interior) &&
                      SceneBindMudPoseBlocks(gpu.scene, gpu.shaders.canyon) && SceneCreate(gpu.scene);
    if (!sceneReady) {
        TraceLog(LOG_ERROR, "Scene shader did not compile or required uniforms are missing.");
        StartupRelease(app);
        CloseWindow();
        return StartupFailed(app, 2);
    }
    if (app.dev) {
        int preset = app.dev->graphicsPreset;
        SceneSetGraphicsQuality(SceneQuality{preset, preset, preset, preset});
    }

    uint32_t seed = app.developerMode ? FIELD_DEVELOPER_SEED : (uint32_t)GetRandomValue(1, 2147483647);
    app.field.loop.campaign = !app.developerMode;
    FieldReset(app.field, seed, &keep.profile);
    if (!FrameCameraBasisConsistent(app.field.camera)) app.flow.consistent = false;
    // The game opens on its main menu; most developer runs go straight into a run.
    app.field.loop.runActive = !AppMenusOn(app);
    app.screens.menu = &app.menu;
    app.screens.profile = &keep.profile;
    app.screens.menusOn = AppMenusOn(app);
    app.screens.menuVisible = AppMenusOn(app);

    StartupDrawLoading("Подготовка поверхности...");
    if (!TerrainTexturesCreate(gpu.terrain) || !SoilCreate(app.field.soil)) {
        StartupRelease(app);
        CloseWindow();
        return StartupFailed(app, 2);
    }
    SoilBindGround(&app.field.soil);
    gpu.soil = SoilBuildTexture(app.field.soil);
    if (!IsTextureValid(gpu.soil)) {
        TraceLog(LOG_ERROR, "STARTUP: the soil-deposit texture could not be created");
        StartupRelease(app);
        CloseWindow();
        return StartupFailed(app, 2);
    }
    if (!TrackAtlasCreate(app.field.tracks)) {
        StartupRelease(app);
        CloseWindow();
        return StartupFailed(app, 2);
    }
    StartupDrawLoading("Подготовка окружения...");
    // The encyclopedia's previews are built now so no menu frame pays for them; without them the
    // encyclopedia still lists its entries.
    SpecimenPreviewsCreate(app.menuGraphics.previews);
    if (!CanyonInit(gpu.canyon)) {
        TraceLog(LOG_ERROR, "Canyon initialization failed");
        StartupRelease(app);
        CloseWindow();
        return StartupFailed(app, 2);
    }
    if (!ShipRendererCreate(gpu.ship)) {
        TraceLog(LOG_ERROR, "Ship renderer initialization failed");
        StartupRelease(app);
        CloseWindow();
        return StartupFailed(app, 2);
    }
    // Some drivers finish compiling on first use: pay for that here rather than in the first frame.
    double warmStart = GetTime();
    SceneWarmUp(gpu.scene, gpu.shaders, FieldSceneView(app.field), AppSceneGround(app));
    TraceLog(LOG_INFO, "STARTUP: scene programs warmed up in %.3f seconds", GetTime() - warmStart);
    HideCursor();

    int status;
    if (app.dev) {
        status = DevRunWindowed(app);
    } else {
        LoopRun(app);
        status = app.flow.consistent ? 0 : 3;
    }
    // What the run earned is kept: the last save before everything goes.
    FieldSyncProfile(app.field, keep.profile);
    if (keep.enabled && !ProfileSave(keep.profile, keep.path)) {
        TraceLog(LOG_ERROR, "Progress could not be saved: %s", keep.path);
        // A developer run over the profile has failed when its file was not written.
        if (app.dev && status == 0) status = 1;
    }
    StartupRelease(app);
    CloseWindow();
    return status;
}

// [SECTION] Entry

int StartupMain(int argc, char **argv)
{
    AssetInstallHooks();
    CommandLine command = CommandLineParse(argc, argv);
    switch (command.kind) {
    case COMMAND_LICENSES:
        return AssetPrintLicenses();
    case COMMAND_SELF_CHECK:
        return DevRunSelfCheck(command);
    case COMMAND_WINDOWED_DEV:
    case COMMAND_GAME:
        break;
    }
    // The application record is owned here for the whole run; too large for some main-thread stacks.
    std::unique_ptr<App> app(new (std::nothrow) App());
    if (!app) {
        TraceLog(LOG_ERROR, "STARTUP: out of memory for the application record");
        return 2;
    }
    int status = 2;
    if (command.kind != COMMAND_WINDOWED_DEV || DevConfigure(*app, command)) status = StartupRunGame(*app);
    DevRunFree(*app);
    return status;
}
