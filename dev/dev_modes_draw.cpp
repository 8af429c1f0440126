// Developer modes.
//
// Index
//   [SECTION] Self-checks
//   [SECTION] Scripts
//   [SECTION] Reports
//   [SECTION] Dispatch
#include "dev/dev_modes.h"

#include "app/assets.h"
#include "app/display.h"
#include "player/bindings.h"
#include "player/hud.h"
#include "dev/scene_capture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// [SECTION] Self-checks

// Every embedded asset loads with a positive size, and a Windows-style path finds the shader.
static int DevTestEmbedded()
{
    int failures = 0;
    for (const AssetEntry &entry : ASSET_TABLE) {
        int size = 0;
        unsigned char *data = LoadFileData(entry.path, &size);
        if (!data || size <= 0) {
            printf("FAIL %d %s\n", entry.id, entry.path);
            failures++;
        } else {
            printf("ok   %d %s (%d bytes)\n", entry.id, entry.path, size);
        }
        UnloadFileData(data);
    }
    char *scene = LoadFileText("C:\\arbitrary folder\\assets\\shaders\\scene.fs");
    if (!scene || strncmp(scene, "#version 330", 12) != 0) {
        printf("FAIL scene shader through a Windows path\n");
        failures++;
    }
    UnloadFileText(scene);
    printf("%d passed, %d failed\n", ASSET_COUNT + 1 - failures, failures);
    return failures == 0 ? 0 : 1;
}

int DevRunSelfCheck(const CommandLine &command)
{
    if (strcmp(command.name, "--test-embedded") == 0) return DevTestEmbedded();
    TraceLog(LOG_WARNING, "DEV: %s is not part of this build", command.name);
    return 2;
}

// [SECTION] Scripts

// The smoke run: walk a square with the keys as bound at start, cast both abilities, zoom in
// and out, lose focus for a while.
static const DevEvent SMOKE_SCRIPT[] = {
    {10, DEV_EVENT_PRESS, KEY_W, 50, 0.0f},
    {20, DEV_EVENT_WHEEL, 0, 1, 5.0f},
    {40, DEV_EVENT_PRESS, KEY_D, 40, 0.0f},     // pressed while W is held: D wins
    {60, DEV_EVENT_UNFOCUS, 0, 20, 0.0f},
    {90, DEV_EVENT_PRESS, KEY_S, 40, 0.0f},
    {100, DEV_EVENT_PRESS, KEY_J, 1, 0.0f},
    {120, DEV_EVENT_WHEEL, 0, 1, -8.0f},
    {130, DEV_EVENT_PRESS, KEY_A, 40, 0.0f},
    {150, DEV_EVENT_PRESS, KEY_K, 1, 0.0f},
    {175, DEV_EVENT_PAD_PRESS, GAMEPAD_BUTTON_LEFT_FACE_UP, 30, 0.0f},
};

// Several stages of walking under moving keys: each key in turn, held for a while.
constexpr int BINDINGS_SCRIPT_FRAMES = 60 * 100;
static DevEvent bindingsScript[BINDINGS_SCRIPT_FRAMES / 45 + 1];

static int BuildBindingsScript()
{
    static const int keys[] = {KEY_W, KEY_D, KEY_S, KEY_A, KEY_J, KEY_W, KEY_A, KEY_K, KEY_S, KEY_D};
    int n = 0;
    for (int frame = 30; frame + 45 <= BINDINGS_SCRIPT_FRAMES; frame += 45) {
        int key = keys[n % 10];
        bool ability = key == KEY_J || key == KEY_K;
        bindingsScript[n++] = {frame, DEV_EVENT_PRESS, key, ability ? 1 : 40, 0.0f};
    }
    return n;
}

// [SECTION] Reports

static int CompareFloat(const void *a, const void *b)
{
    float x = *(const float *)a, y = *(const float *)b;
    return (x > y) - (x < y);
}

static void WriteTimingReport(const App &app, const char *path, int status)
{
    int n = app.dev.timingCount;
    static float cpu[DEV_TIMING_CAPACITY];
    static float wall[DEV_TIMING_CAPACITY];
    memcpy(cpu, app.dev.cpuMs, sizeof(float) * (size_t)n);
    memcpy(wall, app.dev.wallMs, sizeof(float) * (size_t)n);
    qsort(cpu, (size_t)n, sizeof(float), CompareFloat);
    qsort(wall, (size_t)n, sizeof(float), CompareFloat);
    FILE *f = fopen(path, "w");
    if (!f) {
        TraceLog(LOG_WARNING, "DEV: could not write %s", path);
        return;
    }
    fprintf(f, "frames %d\n", app.frameCount);
    if (n > 0) {
        fprintf(f, "cpu_ms_per_frame min %.3f median %.3f max %.3f\n", cpu[0], cpu[n / 2], cpu[n - 1]);
        fprintf(f, "wall_ms_per_frame min %.3f median %.3f max %.3f\n", wall[0], wall[n / 2], wall[n - 1]);
    }
    const Player &p = app.field.player;
    fprintf(f, "player %.3f %.3f %.3f yaw %.4f\n", p.position.x, p.position.y, p.position.z, p.yaw);
    fprintf(f, "consistent %d\nstatus %d\n", app.consistent ? 1 : 0, status);
    fclose(f);
}

static void SaveLastFrame(App &app, const char *path)
{
    if (IsImageValid(app.dev.lastFrame)) ExportImage(app.dev.lastFrame, path);
    UnloadImage(app.dev.lastFrame);
    app.dev.lastFrame = {};
}

static void TraceLayout(FILE *f, const App &app)
{
    const Bindings &b = app.field.bindings;
    static const char *const names = "WASDJK";
    fprintf(f, "swap %d at %.3f: up %c left %c down %c right %c meteor %c spike %c; next pair %d/%d\n",
            b.swapCount, b.clock, names[b.slotKey[SLOT_UP]], names[b.slotKey[SLOT_LEFT]],
            names[b.slotKey[SLOT_DOWN]], names[b.slotKey[SLOT_RIGHT]], names[b.slotKey[SLOT_ABILITY1]],
            names[b.slotKey[SLOT_ABILITY2]], b.pairA, b.pairB);
}

void DevAfterFrame(App &app)
{
    if (!app.dev.trace) return;
    FILE *f = (FILE *)app.dev.trace;
    const Field &field = app.field;
    if (field.bindings.swapCount != app.dev.lastSwapCount) {
        app.dev.lastSwapCount = field.bindings.swapCount;
        TraceLayout(f, app);
    }
    if (app.frameCount % 15 == 0) {
        fprintf(f, "frame %d t %.3f pos %.3f %.3f vel %.3f %.3f\n", app.frameCount, (double)field.totalTime,
                field.player.position.x, field.player.position.z, field.player.velocity.x, field.player.velocity.z);
    }
}

// [SECTION] Dispatch

bool DevConfigure(App &app, const CommandLine &command)
{
    app.developerMode = true;
    app.dev.active = true;
    app.dev.fixedStep = 1.0f / 60.0f;
    app.dev.frameLimit = 240;
    app.dev.lastSwapCount = -1;
    app.dev.graphicsPreset = command.graphicsPreset < 0 ? 2 : command.graphicsPreset;
    if (strcmp(command.name, "--smoke") == 0) {
        app.dev.mode = DEV_MODE_SMOKE;
        app.dev.events = SMOKE_SCRIPT;
        app.dev.eventCount = (int)(sizeof(SMOKE_SCRIPT) / sizeof(SMOKE_SCRIPT[0]));
        if (command.second) {
            int frames = atoi(command.second);
            if (frames > 0) app.dev.frameLimit = std::min(frames, 100000);
        }
        return true;
    }
    if (strcmp(command.name, "--capture-bindings") == 0) {
        app.dev.mode = DEV_MODE_CAPTURE_BINDINGS;
        app.dev.events = bindingsScript;
        app.dev.eventCount = BuildBindingsScript();
        app.dev.frameLimit = BINDINGS_SCRIPT_FRAMES;
        app.dev.drawEvery = 60;
        return true;
    }
    if (strcmp(command.name, "--capture-arena") == 0) {
        app.dev.mode = DEV_MODE_CAPTURE_ARENA;
        return true;
    }
    if (strcmp(command.name, "--capture-display") == 0) {
        app.dev.mode = DEV_MODE_SCENE_CHECK;
        return true;
    }
    if (strcmp(command.name, "--capture-hints") == 0) {
        app.dev.mode = DEV_MODE_CAPTURE_HINTS;
        app.dev.gamepad = command.gamepad;
        return true;
    }
    TraceLog(LOG_WARNING, "DEV: %s is not part of this build", command.name);
    return false;
}

int DevRunWindowed(App &app)
{
    if (MakeDirectory("artifacts") != 0) {
        TraceLog(LOG_WARNING, "DEV: could not create artifacts/");
        return 2;
    }
    switch (app.dev.mode) {
    case DEV_MODE_SMOKE:
        // Half the render size keeps the run short on a software renderer.
        DisplaySetRenderScale(DISPLAY_RENDER_SCALE_MIN);
        LoopRun(app);
        break;
    case DEV_MODE_CAPTURE_BINDINGS: {
        // A long walk: the smallest render size keeps it quick on a software renderer.
        DisplaySetRenderScale(DISPLAY_RENDER_SCALE_MIN);
        FILE *trace = fopen("artifacts/bindings-trace.txt", "w");
        if (!trace) {
            TraceLog(LOG_WARNING, "DEV: could not write artifacts/bindings-trace.txt");
            return 2;
        }
        app.dev.trace = trace;
        LoopRun(app);
        app.dev.trace = nullptr;
        fclose(trace);
        break;
    }
    case DEV_MODE_CAPTURE_HINTS:
        return HudCaptureHints(app, app.dev.gamepad);
    case DEV_MODE_CAPTURE_ARENA:
        return SceneCaptureArena(app, app.dev.graphicsPreset);
    case DEV_MODE_SCENE_CHECK:
        return SceneSelfCheck(app);
    case DEV_MODE_NONE:
        break;
    }
    int status = app.consistent ? 0 : 3;
    const char *name = app.dev.mode == DEV_MODE_SMOKE ? "smoke" : "capture-bindings";
    char path[64];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    SaveLastFrame(app, path);
    snprintf(path, sizeof(path), "artifacts/%s.txt", name);
    WriteTimingReport(app, path, status);
    return status;
}
