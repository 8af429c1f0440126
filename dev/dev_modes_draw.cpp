// Windowed developer modes: scripted runs of the real loop, and the renderer's own captures.
//
// Index
//   [SECTION] Scripts
//   [SECTION] Loop hooks
//   [SECTION] Reports
//   [SECTION] Dispatch
#include "dev/dev_modes.h"

#include "app/display.h"
#include "dev/canyon_capture.h"
#include "dev/dev_stage_attack.h"
#include "dev/dev_stage_front.h"
#include "dev/comic_capture.h"
#include "dev/loot_capture.h"
#include "dev/menu_capture.h"
#include "dev/scene_capture.h"
#include "dev/ship_capture.h"
#include "frontend/menu_draw.h"
#include "player/bindings.h"
#include "player/dev_panel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <new>

// [SECTION] Scripts

// The smoke run: walk a square with the keys as bound at start, cast both abilities, zoom in
// and out, lose focus for a while.
static const DevEvent SMOKE_SCRIPT[] = {
    {10, DEV_EVENT_PRESS, KEY_W, 50, 0.0f, {}},
    {20, DEV_EVENT_WHEEL, 0, 1, 5.0f, {}},
    {40, DEV_EVENT_PRESS, KEY_D, 40, 0.0f, {}},     // pressed while W is held: D wins
    {60, DEV_EVENT_UNFOCUS, 0, 20, 0.0f, {}},
    {90, DEV_EVENT_PRESS, KEY_S, 40, 0.0f, {}},
    {100, DEV_EVENT_PRESS, KEY_J, 1, 0.0f, {}},
    {120, DEV_EVENT_WHEEL, 0, 1, -8.0f, {}},
    {130, DEV_EVENT_PRESS, KEY_A, 40, 0.0f, {}},
    {150, DEV_EVENT_PRESS, KEY_K, 1, 0.0f, {}},
    {175, DEV_EVENT_PAD_PRESS, GAMEPAD_BUTTON_LEFT_FACE_UP, 30, 0.0f, {}},
};

// Through the real screens: "Играть" from the main menu, the opening comic skipped, a walk, pause and continue, another
// walk, pause, back to the main menu through its dialog, then "Выход" and its dialog: the exit
// fade ends the run.
static const DevEvent FLOW_SCRIPT[] = {
    {5, DEV_EVENT_PRESS, KEY_ENTER, 1, 0.0f, {}},
    {8, DEV_EVENT_PRESS, KEY_ESCAPE, 1, 0.0f, {}},     // the opening comic of a first run is skipped
    {10, DEV_EVENT_PRESS, KEY_W, 60, 0.0f, {}},
    {80, DEV_EVENT_PRESS, KEY_ESCAPE, 1, 0.0f, {}},
    {90, DEV_EVENT_PRESS, KEY_ENTER, 1, 0.0f, {}},
    {100, DEV_EVENT_PRESS, KEY_D, 50, 0.0f, {}},
    {160, DEV_EVENT_PRESS, KEY_ESCAPE, 1, 0.0f, {}},
    {170, DEV_EVENT_PRESS, KEY_DOWN, 1, 0.0f, {}},
    {175, DEV_EVENT_PRESS, KEY_DOWN, 1, 0.0f, {}},
    {180, DEV_EVENT_PRESS, KEY_ENTER, 1, 0.0f, {}},
    {185, DEV_EVENT_PRESS, KEY_LEFT, 1, 0.0f, {}},
    {190, DEV_EVENT_PRESS, KEY_ENTER, 1, 0.0f, {}},
    {200, DEV_EVENT_PRESS, KEY_UP, 1, 0.0f, {}},
    {205, DEV_EVENT_PRESS, KEY_ENTER, 1, 0.0f, {}},
    {210, DEV_EVENT_PRESS, KEY_LEFT, 1, 0.0f, {}},
    {215, DEV_EVENT_PRESS, KEY_ENTER, 1, 0.0f, {}},
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
        bindingsScript[n++] = {frame, DEV_EVENT_PRESS, key, ability ? 1 : 40, 0.0f, {}};
    }
    return n;
}

// The HUD at fixed moments of the first stage of the developer seed, then an ability cooling
// down, the cheat code and the developer panel being edited. Frame f ends at (f + 1) / 60 s.
static DevEvent hintsScript[32];

static int HintsFrame(double seconds) { return (int)(seconds * 60.0 + 0.5) - 1; }

static int BuildHintsScript(DevRun &dev)
{
    // The keys bound once the first exchange has happened, from the game's own schedule.
    Bindings schedule;
    BindingsReset(schedule, FIELD_DEVELOPER_SEED);
    for (int i = 0; i < 60 * 32; i++) BindingsUpdate(schedule, 1.0f / 60.0f);
    int meteorKey = BindingsKeyCode(schedule.slotKey[SLOT_ABILITY1]);
    int upKey = BindingsKeyCode(schedule.slotKey[SLOT_UP]);
    double swap = BINDINGS_INTERVAL_MIN;

    auto capture = [&dev](double seconds, const char *name) {
        if (dev.captureCount < DEV_CAPTURE_CAPACITY) dev.captures[dev.captureCount++] = {HintsFrame(seconds), name};
    };
    static char names[DEV_CAPTURE_CAPACITY][48];
    static const char *const SHOTS[] = {"fresh", "warning-5s", "warning-3s", "warning-1s", "exchange",
                                        "exchange-late", "cooldown", "cheat", "panel"};
    for (int i = 0; i < 9; i++) snprintf(names[i], sizeof(names[i]), "hints%s-%d-%s", dev.gamepad ? "-gamepad" : "", i + 1, SHOTS[i]);
    capture(0.5, names[0]);
    capture(swap - 4.95, names[1]);
    capture(swap - 2.9, names[2]);
    capture(swap - 0.9, names[3]);
    capture(swap + 0.22 * BINDINGS_SWAP_ANIM_SECONDS, names[4]);
    capture(swap + 0.62 * BINDINGS_SWAP_ANIM_SECONDS, names[5]);

    int n = 0;
    double cool = swap + 2.5;
    int coolFrame = HintsFrame(cool);
    if (dev.gamepad) {
        hintsScript[n++] = {coolFrame, DEV_EVENT_PAD_PRESS, InputPadButtonForKey(meteorKey), 1, 0.0f, {}};
        hintsScript[n++] = {coolFrame, DEV_EVENT_PAD_PRESS, InputPadButtonForKey(upKey), 20, 0.0f, {}};
    } else {
        hintsScript[n++] = {coolFrame, DEV_EVENT_PRESS, meteorKey, 1, 0.0f, {}};
        hintsScript[n++] = {coolFrame, DEV_EVENT_PRESS, upKey, 20, 0.0f, {}};
    }
    capture(cool + 0.2, names[6]);

    // The cheat code, then its confirmation half a second later.
    int cheatFrame = coolFrame + 30;
    static const int CODE[6] = {KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C};
    for (int i = 0; i < 6; i++) hintsScript[n++] = {cheatFrame + 2 * i, DEV_EVENT_PRESS, CODE[i], 1, 0.0f, {}};
    capture((cheatFrame + 11 + 30 + 1) / 60.0, names[7]);

    // F3 once the confirmation has gone; switch immortality on, then edit the opacity field and
    // leave the mouse over the immortality row.
    int panelFrame = cheatFrame + 11 + 200;
    float top = DevPanelTop(false);
    hintsScript[n++] = {panelFrame, DEV_EVENT_PRESS, KEY_F3, 1, 0.0f, {}};
    hintsScript[n++] = {panelFrame + 2, DEV_EVENT_CLICK, 0, 1, 0.0f, {150.0f, top + 12.0f}};
    hintsScript[n++] = {panelFrame + 4, DEV_EVENT_CLICK, 0, 1, 0.0f, {40.0f, top + 104.0f}};
    hintsScript[n++] = {panelFrame + 6, DEV_EVENT_CHAR, '0', 1, 0.0f, {}};
    hintsScript[n++] = {panelFrame + 7, DEV_EVENT_CHAR, ',', 1, 0.0f, {}};
    hintsScript[n++] = {panelFrame + 8, DEV_EVENT_CHAR, '5', 1, 0.0f, {}};
    hintsScript[n++] = {panelFrame + 9, DEV_EVENT_MOUSE, 0, 1, 0.0f, {150.0f, top + 12.0f}};
    dev.captures[dev.captureCount++] = {panelFrame + 12, names[8]};
    dev.frameLimit = panelFrame + 13;
    return n;
}

// [SECTION] Loop hooks

bool DevRunFinished(const DevRun &dev, int frame) { return frame >= dev.frameLimit; }

// The pictures asked for by the script and by the stage, in one list for the hooks.
static int ShotsAt(const DevRun &dev, int frame, const DevShot *out[], int capacity)
{
    int n = 0;
    for (int i = 0; i < dev.captureCount && n < capacity; i++)
        if (dev.captures[i].frame == frame) out[n++] = &dev.captures[i];
    if (dev.stage)
        for (int i = 0; i < dev.stage->shotCount && n < capacity; i++)
            if (dev.stage->shots[i].frame == frame) out[n++] = &dev.stage->shots[i];
    return n;
}

// The frame a picture or observation of the run is counted in: the loop iteration in a stage
// (the same count as game frames in a stage that never shows a menu), else the game frame.
static int RunFrame(const DevRun &dev, int gameFrame) { return dev.stage ? dev.iteration - 1 : gameFrame; }

bool DevRunDraws(const DevRun &dev, int gameFrame)
{
    int frame = RunFrame(dev, gameFrame);
    if (frame + 1 >= dev.frameLimit) return true;
    const DevShot *shots[1];
    if (ShotsAt(dev, frame, shots, 1) > 0) return true;
    if (dev.capturesOnly) return false;
    return dev.drawEvery <= 1 || frame % dev.drawEvery == 0;
}

// The menus as the last menu frame drew them, drawn again offscreen from the state that frame
// left (menu frames have no picture hook): the screen behind, then the menus.
static Image MenuFrameImage(App &app)
{
    RenderTexture2D target = LoadRenderTexture(GetScreenWidth(), GetScreenHeight());
    if (!IsRenderTextureValid(target)) return {};
    BeginTextureMode(target);
    ClearBackground(BLACK);
    if (MenuShowsGame(app.menu)) LoopDrawGame(app);
    MenuDraw(app.menu, app.persistence.profile, &app.menuGraphics);
    EndTextureMode();
    Image image = LoadImageFromTexture(target.texture);
    UnloadRenderTexture(target);
    if (IsImageValid(image)) {
        ImageFlipVertical(&image);
        ImageFormat(&image, PIXELFORMAT_UNCOMPRESSED_R8G8B8);
    }
    return image;
}

static void WriteShot(DevRun &dev, Image image, const char *name)
{
    char path[128];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    bool ok = IsImageValid(image) && ExportImage(image, path);
    if (!ok) {
        TraceLog(LOG_ERROR, "DEV: could not write %s", path);
        dev.artifactFailed = true;
    }
}

// Pictures of a stage's iteration that drew no game frame (a menu frame), taken once it is over.
static void PictureMenuFrame(App &app, int iteration)
{
    DevRun &dev = *app.dev;
    if (!dev.stage || iteration < 0 || dev.pictured == iteration) return;
    const DevShot *shots[8];
    int count = ShotsAt(dev, iteration, shots, 8);
    if (count == 0) return;
    Image image = MenuFrameImage(app);
    for (int i = 0; i < count; i++) WriteShot(dev, image, shots[i]->name);
    UnloadImage(image);
    dev.pictured = iteration;
}

// Observes every iteration before `iteration` the stage has not seen yet; once the sequence is
// over the run ends after the pictures still to come.
static void ObserveThrough(App &app, int iteration)
{
    DevRun &dev = *app.dev;
    if (!dev.stage) return;
    DevStage &stage = *dev.stage;
    while (dev.observed < iteration) {
        int frame = dev.observed++;
        DevStageObserve(stage, app.field, frame);
        if (!stage.done) continue;
        int last = frame + 1;
        for (int i = 0; i < stage.shotCount; i++)
            if (stage.shots[i].frame > last) last = stage.shots[i].frame;
        if (last + 1 < dev.frameLimit) dev.frameLimit = last + 1;
    }
}

void DevRunBeginFrame(App &app)
{
    if (app.dev->iteration == 0) app.dev->runStart = GetTime();
    app.dev->wallStart = GetTime();
    app.dev->cpuStart = (long long)clock();
}

void DevRunInput(App &app)
{
    DevRun &dev = *app.dev;
    // The iteration before this one may have been a menu frame: its pictures and observation.
    PictureMenuFrame(app, dev.iteration - 1);
    ObserveThrough(app, dev.iteration);
    // A run through the screens traces every change of screen with its iteration.
    if (dev.menus && dev.trace) {
        int screen = app.audio.exitStarted ? -2 : (app.screens.menuVisible ? app.menu.screen * 10 + app.menu.dialog : -1);
        if (screen != dev.lastSwapCount || dev.iteration == 0) {
            dev.lastSwapCount = screen;
            fprintf((FILE *)dev.trace, "iteration %d screen %d dialog %d menu %d run %d fade %d\n", dev.iteration,
                    app.menu.screen, app.menu.dialog, app.screens.menuVisible ? 1 : 0, app.field.loop.runActive ? 1 : 0,
                    app.audio.exitStarted ? 1 : 0);
            // A run may be killed: what it traced so far must be on disk.
            fflush((FILE *)dev.trace);
        }
    }
    bool close = app.input.frame.closeRequested;
    Rectangle box = DisplayLetterbox();
    // A staged run arranges the field before this frame's step and may add to its script.
    if (dev.stage) {
        dev.stage->viewWidth = box.width;
        dev.stage->viewHeight = box.height;
        DevStageArrange(*dev.stage, app.field, dev.iteration);
        dev.script = DevStageScript(*dev.stage);
    }
    if (dev.profileRun) {
        SmokeProfile &run = *dev.profileRun;
        const AppPersistence &keep = app.persistence;
        if (keep.lastSaveTime != dev.lastSaveSeen) {
            dev.lastSaveSeen = keep.lastSaveTime;
            SmokeProfileSaved(run, keep.saved, dev.iteration, !keep.saveFailed);
        }
        SmokeProfileView view{};
        view.screen = app.screens.menuVisible ? app.menu.screen : MENU_SCREEN_PLAY;
        view.dialog = app.menu.dialog;
        view.focus = app.menu.focusIndex;
        view.fading = app.audio.exitStarted;
        SmokeProfileArrange(run, app.field, keep.profile, view, dev.iteration);
        dev.script = SmokeProfileScript(run);
    }
    DevScriptInput(dev.script, dev.iteration, dev.fixedStep, {box.x, box.y}, app.input.frame);
    app.input.frame.closeRequested = close;
    ReplayRunInput(dev.replay, dev.iteration, app.field, app.input.frame);
    dev.iteration++;
}

void DevRunAfterDraw(App &app)
{
    DevRun &dev = *app.dev;
    int frame = RunFrame(dev, app.flow.frameCount);
    const DevShot *shots[8];
    int count = ShotsAt(dev, frame, shots, 8);
    if (count > 0) {
        Image image = LoadImageFromScreen();
        for (int i = 0; i < count; i++) WriteShot(dev, image, shots[i]->name);
        UnloadImage(image);
    }
    dev.pictured = frame;
    // The last picture: the last game frame, or the last frame of the exit fade that ends a run.
    if (frame + 1 >= dev.frameLimit || app.audio.exitStarted) {
        UnloadImage(dev.lastFrame);
        dev.lastFrame = LoadImageFromScreen();
    }
}

static void TraceLayout(FILE *f, const Bindings &b)
{
    static const char *const names = "WASDJK";
    fprintf(f, "swap %d at %.3f: up %c left %c down %c right %c meteor %c spike %c; next pair %d/%d\n",
            b.swapCount, b.clock, names[b.slotKey[SLOT_UP]], names[b.slotKey[SLOT_LEFT]],
            names[b.slotKey[SLOT_DOWN]], names[b.slotKey[SLOT_RIGHT]], names[b.slotKey[SLOT_ABILITY1]],
            names[b.slotKey[SLOT_ABILITY2]], b.pairA, b.pairB);
}

void DevRunAfterFrame(App &app)
{
    DevRun &dev = *app.dev;
    if (dev.timingCount < dev.frameLimit && dev.wallMs && dev.cpuMs) {
        dev.wallMs[dev.timingCount] = (float)((GetTime() - dev.wallStart) * 1000.0);
        dev.cpuMs[dev.timingCount] = (float)((double)((long long)clock() - dev.cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        dev.timingCount++;
    }
    ObserveThrough(app, dev.iteration);
    if (!dev.trace || dev.menus) return;
    FILE *f = (FILE *)dev.trace;
    const Field &field = app.field;
    if (field.bindings.swapCount != dev.lastSwapCount) {
        dev.lastSwapCount = field.bindings.swapCount;
        TraceLayout(f, field.bindings);
    }
    // The frame just stepped is frameCount - 1.
    if ((app.flow.frameCount - 1) % 15 == 0) {
        fprintf(f, "frame %d t %.3f pos %.3f %.3f vel %.3f %.3f\n", app.flow.frameCount - 1, (double)field.totalTime,
                field.player.position.x, field.player.position.z, field.player.velocity.x, field.player.velocity.z);
    }
}

// [SECTION] Reports

static int CompareFloat(const void *a, const void *b)
{
    float x = *(const float *)a, y = *(const float *)b;
    return (x > y) - (x < y);
}

static bool WriteTimingReport(App &app, const char *path, int status)
{
    DevRun &dev = *app.dev;
    int n = dev.timingCount;
    if (n > 0) {
        qsort(dev.cpuMs, (size_t)n, sizeof(float), CompareFloat);
        qsort(dev.wallMs, (size_t)n, sizeof(float), CompareFloat);
    }
    FILE *f = fopen(path, "w");
    if (!f) {
        TraceLog(LOG_ERROR, "DEV: could not write %s", path);
        return false;
    }
    fprintf(f, "frames %d\n", app.flow.frameCount);
    fprintf(f, "%s\n", DisplayDescribe());
    if (n > 0) {
        fprintf(f, "timed_frames %d\n", n);
        fprintf(f, "cpu_ms_per_frame min %.3f median %.3f max %.3f\n", dev.cpuMs[0], dev.cpuMs[n / 2], dev.cpuMs[n - 1]);
        fprintf(f, "wall_ms_per_frame min %.3f median %.3f max %.3f\n", dev.wallMs[0], dev.wallMs[n / 2], dev.wallMs[n - 1]);
        double total = 0.0;
        int slow = 0;
        for (int i = 0; i < n; i++) {
            total += dev.wallMs[i];
            slow += dev.wallMs[i] > 20.0f;
        }
        fprintf(f, "wall_ms_total %.1f frames_over_20ms %d\n", total, slow);
    }
    const Player &p = app.field.player;
    fprintf(f, "player %.3f %.3f %.3f yaw %.4f\n", p.position.x, p.position.y, p.position.z, p.yaw);
    fprintf(f, "consistent %d\nstatus %d\n", app.flow.consistent ? 1 : 0, status);
    if (dev.profileRun) {
        fprintf(f, "run_seconds %.2f\n", GetTime() - dev.runStart);
        fputs(dev.profileRun->report, f);
    }
    if (dev.stage) {
        fprintf(f, "run_seconds %.2f\n", GetTime() - dev.runStart);
        fputs(dev.stage->report, f);
        fprintf(f, "promises %d broken %d\n", dev.stage->promises, dev.stage->broken);
    }
    bool ok = ferror(f) == 0;
    ok = fclose(f) == 0 && ok;
    if (!ok) TraceLog(LOG_ERROR, "DEV: could not write %s", path);
    return ok;
}

static bool SaveLastFrame(DevRun &dev, const char *path)
{
    bool ok = IsImageValid(dev.lastFrame) && ExportImage(dev.lastFrame, path);
    if (!ok) TraceLog(LOG_ERROR, "DEV: could not write %s", path);
    UnloadImage(dev.lastFrame);
    dev.lastFrame = {};
    return ok;
}

// [SECTION] Dispatch

// A frame count given on the command line: digits only, 1..DEV_FRAME_LIMIT_MAX.
static bool ParseFrameCount(const char *text, int &out)
{
    if (!text || !*text) return false;
    long long value = 0;
    for (const char *c = text; *c; c++) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + (*c - '0');
        if (value > DEV_FRAME_LIMIT_MAX) return false;
    }
    if (value < 1) return false;
    out = (int)value;
    return true;
}

static bool DevAllocateTiming(DevRun &dev)
{
    dev.cpuMs = (float *)calloc((size_t)dev.frameLimit, sizeof(float));
    dev.wallMs = (float *)calloc((size_t)dev.frameLimit, sizeof(float));
    return dev.cpuMs && dev.wallMs;
}

bool DevConfigure(App &app, const CommandLine &command)
{
    DevRun *dev = (DevRun *)calloc(1, sizeof(DevRun));
    if (!dev) {
        TraceLog(LOG_ERROR, "DEV: out of memory for the developer run");
        return false;
    }
    app.dev = dev;
    app.developerMode = true;
    dev->fixedStep = 1.0f / 60.0f;
    dev->seed = FIELD_DEVELOPER_SEED;
    dev->frameLimit = 240;
    dev->lastSwapCount = -1;
    dev->pictured = -1;
    dev->gamepad = command.gamepad;
    dev->graphicsPreset = command.graphicsPreset < 0 ? 2 : command.graphicsPreset;
    if (strcmp(command.name, "--smoke") == 0) {
        dev->mode = DEV_MODE_SMOKE;
        dev->script = {SMOKE_SCRIPT, (int)(sizeof(SMOKE_SCRIPT) / sizeof(SMOKE_SCRIPT[0]))};
        dev->reportName = "smoke";
        SmokeProfileKind profileKind = SMOKE_PROFILE_FLOW;
        if (SmokeProfileKindFor(command.second, profileKind)) {
            // Over the real profile: the screens driven by what they show, the field arranged
            // through the game's own functions; only the frames pictured are drawn.
            dev->profileRun = (SmokeProfile *)calloc(1, sizeof(SmokeProfile));
            if (!dev->profileRun) {
                TraceLog(LOG_ERROR, "DEV: out of memory for the profile run");
                return false;
            }
            dev->profileRun->kind = profileKind;
            dev->menus = true;
            dev->capturesOnly = true;
            dev->frameLimit = profileKind == SMOKE_PROFILE_HOLD ? 20000 : 900;
            dev->reportName = SmokeProfileName(profileKind);
        } else if (command.second && strcmp(command.second, "flow") == 0) {
            dev->script = {FLOW_SCRIPT, (int)(sizeof(FLOW_SCRIPT) / sizeof(FLOW_SCRIPT[0]))};
            dev->menus = true;
            dev->frameLimit = 600;
            dev->drawEvery = 30;
            dev->reportName = "smoke-flow";
        } else if (command.second && !ParseFrameCount(command.second, dev->frameLimit)) {
            TraceLog(LOG_ERROR, "DEV: --smoke takes a frame count from 1 to %d, not \"%s\"", DEV_FRAME_LIMIT_MAX,
                     command.second);
            return false;
        }
    } else if (strcmp(command.name, "--capture-bindings") == 0) {
        dev->mode = DEV_MODE_CAPTURE_BINDINGS;
        dev->script = {bindingsScript, BuildBindingsScript()};
        dev->frameLimit = BINDINGS_SCRIPT_FRAMES;
        dev->drawEvery = 60;
        dev->reportName = "capture-bindings";
    } else if (strcmp(command.name, "--capture-hints") == 0) {
        dev->mode = DEV_MODE_CAPTURE_HINTS;
        dev->script = {hintsScript, BuildHintsScript(*dev)};
        dev->drawEvery = 1 << 30;
    } else if (DevStageKindFor(command.name) != DEV_STAGE_NONE) {
        // A staged capture: the stage sets the length of the run and draws only what it pictures.
        dev->mode = DEV_MODE_STAGE;
        dev->stage = (DevStage *)calloc(1, sizeof(DevStage));
        if (!dev->stage) {
            TraceLog(LOG_ERROR, "DEV: out of memory for the staged run");
            return false;
        }
        DevStageKind kind = DevStageKindFor(command.name);
        DevStageBegin(*dev->stage, kind, 1.0f / dev->fixedStep, app.field);
        dev->frameLimit = dev->stage->frameLimit;
        dev->menus = dev->stage->menus;
        dev->reportName = DevStageName(kind);
        dev->capturesOnly = true;
    } else if (strcmp(command.name, "--capture-arena") == 0) {
        dev->mode = DEV_MODE_CAPTURE_ARENA;
    } else if (strcmp(command.name, "--capture-display") == 0) {
        dev->mode = DEV_MODE_SCENE_CHECK;
    } else if (strcmp(command.name, "--capture-ship") == 0) {
        dev->mode = DEV_MODE_CAPTURE_SHIP;
    } else if (strcmp(command.name, "--capture-ship-obstacle") == 0) {
        dev->mode = DEV_MODE_CAPTURE_SHIP_OBSTACLE;
    } else if (strcmp(command.name, "--ship-demo") == 0) {
        dev->mode = DEV_MODE_SHIP_DEMO;
    } else if (strcmp(command.name, "--capture-comic") == 0) {
        dev->mode = DEV_MODE_CAPTURE_COMIC;
    } else if (strcmp(command.name, "--capture-loot") == 0) {
        dev->mode = DEV_MODE_CAPTURE_LOOT;
    } else if (strcmp(command.name, "--profile-loot") == 0) {
        dev->mode = DEV_MODE_PROFILE_LOOT;
    } else if (strcmp(command.name, "--capture-menu") == 0) {
        dev->mode = DEV_MODE_CAPTURE_MENU;
    } else if (strcmp(command.name, "--canyon-demo") == 0) {
        dev->mode = DEV_MODE_CANYON_DEMO;
    } else if (strcmp(command.name, "--cliff-demo") == 0) {
        dev->mode = DEV_MODE_CLIFF_DEMO;
    } else if (strcmp(command.name, "--capture-arena-junctions") == 0) {
        dev->mode = DEV_MODE_ARENA_JUNCTIONS;
    } else if (strcmp(command.name, "--replay") == 0) {
        dev->mode = DEV_MODE_REPLAY;
        if (!command.second || !ReplayRunOpen(dev->replay, command.second)) {
            TraceLog(LOG_ERROR, "DEV: --replay takes a replay file");
            return false;
        }
        const Replay &r = dev->replay.replay;
        dev->fixedStep = r.dt;
        dev->frameLimit = r.frameCount;
        dev->menus = (r.flags & REPLAY_MENUS) != 0;
        dev->seed = r.seed;
        dev->drawEvery = 300;
        dev->reportName = "replay";
    } else {
        TraceLog(LOG_WARNING, "DEV: %s is not part of this build", command.name);
        return false;
    }
    if (!DevAllocateTiming(*dev)) {
        TraceLog(LOG_ERROR, "DEV: out of memory for %d frames of timing", dev->frameLimit);
        return false;
    }
    return true;
}

void DevRunFree(App &app)
{
    if (!app.dev) return;
    ReplayRunFree(app.dev->replay);
    UnloadImage(app.dev->lastFrame);
    free(app.dev->stage);
    free(app.dev->profileRun);
    free(app.dev->cpuMs);
    free(app.dev->wallMs);
    free(app.dev);
    app.dev = nullptr;
}

int DevRunWindowed(App &app)
{
    DevRun &dev = *app.dev;
    if (!DirectoryExists("artifacts") && MakeDirectory("artifacts") != 0) {
        TraceLog(LOG_ERROR, "DEV: could not create artifacts/");
        return 1;
    }
    switch (dev.mode) {
    case DEV_MODE_CAPTURE_ARENA:
        return SceneCaptureArena(app, dev.graphicsPreset);
    case DEV_MODE_SCENE_CHECK:
        return SceneSelfCheck(app);
    case DEV_MODE_CAPTURE_SHIP:
        return ShipCaptureStills(app);
    case DEV_MODE_CAPTURE_SHIP_OBSTACLE:
        return ShipCaptureObstacle(app);
    case DEV_MODE_SHIP_DEMO:
        return ShipCaptureDemo(app);
    case DEV_MODE_CAPTURE_COMIC:
        return ComicCaptureStills(app, dev.gamepad);
    case DEV_MODE_CAPTURE_LOOT:
        return LootCaptureStills(app);
    case DEV_MODE_PROFILE_LOOT:
        return LootProfile(app);
    case DEV_MODE_CAPTURE_MENU:
        DisplaySetRenderScale(DISPLAY_RENDER_SCALE_MIN);
        return MenuCaptureStills(app, dev.gamepad);
    case DEV_MODE_CANYON_DEMO:
        return CanyonCaptureDemo(app);
    case DEV_MODE_CLIFF_DEMO:
        return CanyonCaptureCliff(app);
    case DEV_MODE_ARENA_JUNCTIONS:
        return CanyonCaptureJunctions(app);
    case DEV_MODE_CAPTURE_BINDINGS: {
        FILE *trace = fopen("artifacts/bindings-trace.txt", "w");
        if (!trace) {
            TraceLog(LOG_ERROR, "DEV: could not write artifacts/bindings-trace.txt");
            return 1;
        }
        dev.trace = trace;
        break;
    }
    case DEV_MODE_CAPTURE_HINTS:
        InputSetGamepad(dev.gamepad);
        break;
    case DEV_MODE_SMOKE:
        if (dev.menus) {
            char tracePath[96];
            snprintf(tracePath, sizeof(tracePath), "artifacts/%s-screens.txt", dev.reportName);
            FILE *trace = fopen(tracePath, "w");
            if (!trace) {
                TraceLog(LOG_ERROR, "DEV: could not write %s", tracePath);
                return 1;
            }
            dev.trace = trace;
        }
        if (dev.profileRun) SmokeProfileBegin(*dev.profileRun, dev.profileRun->kind, app.persistence.profile);
        break;
    default:
        break;
    }
    // The golem's turn at other rates, through the same stage with no window.
    DevStage *variants[2] = {};
    int variantCount = 0;
    double variantSeconds = 0.0;
    if (dev.stage && dev.stage->kind == DEV_STAGE_GOLEM_TURNS) {
        double start = GetTime();
        Field *scratch = new (std::nothrow) Field();
        for (float hz : {30.0f, 144.0f}) {
            DevStage *variant = scratch ? (DevStage *)calloc(1, sizeof(DevStage)) : nullptr;
            if (!variant) break;
            DevStageRunHeadless(*variant, *scratch, DEV_STAGE_GOLEM_TURNS, hz);
            variants[variantCount++] = variant;
        }
        if (scratch) FieldRelease(*scratch);
        delete scratch;
        variantSeconds = GetTime() - start;
    }

    // Long scripted runs keep the render size small on a software renderer.
    if (dev.mode != DEV_MODE_CAPTURE_HINTS) DisplaySetRenderScale(DISPLAY_RENDER_SCALE_MIN);
    // A replay starts its run as the recording did; every other run records one.
    if (dev.mode == DEV_MODE_REPLAY) {
        const Replay &r = dev.replay.replay;
        app.field.loop.campaign = (r.flags & REPLAY_CAMPAIGN) != 0;
        app.field.loop.immortal = (r.flags & REPLAY_IMMORTAL) != 0;
        FieldReset(app.field, r.seed, &app.persistence.profile);
        app.field.loop.runActive = !AppMenusOn(app);
    } else if (!dev.profileRun) {
        // A run over the profile file cannot be replayed: the file it started from is not recorded.
        ReplayRunRecord(dev.replay, dev.seed, dev.fixedStep, ReplayRunFlags(app.field, dev.menus, true));
    }
    if (dev.stage && dev.stage->menus) {
        dev.stage->profile = &app.persistence.profile;
        dev.stage->menu = &app.menu;
    }
    LoopRun(app);
    // A run that ended on a menu frame: its pictures, its observation and its last picture.
    int last = dev.iteration - 1;
    bool menuEnd = dev.stage && last >= 0 && dev.pictured != last;
    PictureMenuFrame(app, last);
    ObserveThrough(app, dev.iteration);
    if (menuEnd) {
        UnloadImage(dev.lastFrame);
        dev.lastFrame = MenuFrameImage(app);
    }

    int status = app.flow.consistent ? 0 : 3;
    if (dev.stage) {
        DevStage &stage = *dev.stage;
        DevStageFinish(stage, app.field);
        if (stage.kind == DEV_STAGE_GOLEM_TURNS) {
            DevStageNote(stage, "other rates computed headless in %.2f s", variantSeconds);
            DevStageAttackGolemTurnsCompare(stage, variants, variantCount);
        }
        for (DevStage *variant : variants) free(variant);
        // The menus' cues heard offline: windowed developer runs never open the sound device.
        if (stage.kind == DEV_STAGE_AUDIO_UI) {
            char path[96];
            snprintf(path, sizeof(path), "artifacts/%s.wav", DevStageName(stage.kind));
            DevCueRender render;
            if (!DevStageFrontRenderCues(stage, path, render)) dev.artifactFailed = true;
        }
        stage.profile = nullptr;
        stage.menu = nullptr;
        fputs(stage.report, stdout);
        // A capture whose game broke a promise has failed, whatever it pictured.
        if (stage.broken > 0) {
            TraceLog(LOG_WARNING, "DEV: %s: %d of %d promises broken", DevStageName(stage.kind), stage.broken, stage.promises);
            if (status == 0) status = 1;
        }
    }
    if (dev.profileRun) {
        SmokeProfile &run = *dev.profileRun;
        // What the shutdown save will write.
        FieldSyncProfile(app.field, app.persistence.profile);
        SmokeProfileFinish(run, app.persistence.profile, app.persistence.enabled ? app.persistence.path : nullptr);
        fputs(run.report, stdout);
        // The run promised the real file, and (but the held one) an end through the quit dialog.
        bool kept = app.persistence.enabled && run.saveFailures == 0;
        bool quit = app.audio.exitStarted || run.kind == SMOKE_PROFILE_HOLD;
        bool walked = run.kind != SMOKE_PROFILE_FLOW || (run.diedAt >= 0 && run.bought);
        if (!kept || !quit || !walked) {
            TraceLog(LOG_WARNING, "DEV: %s: profile %s, quit %d, died and bought %d", dev.reportName,
                     kept ? "in use" : "not in use or not written", quit ? 1 : 0, walked ? 1 : 0);
            if (status == 0) status = 1;
        }
    }
    bool written = !dev.artifactFailed;
    char replayPath[96];
    snprintf(replayPath, sizeof(replayPath), "artifacts/%s.replay", dev.reportName ? dev.reportName : "run");
    written = ReplayRunFinish(dev.replay, dev.iteration, app.field, replayPath, &status) && written;
    if (dev.trace) {
        FILE *trace = (FILE *)dev.trace;
        written = ferror(trace) == 0 && written;
        written = fclose(trace) == 0 && written;
        dev.trace = nullptr;
        if (!written) TraceLog(LOG_ERROR, "DEV: could not write a trace under artifacts/");
    }
    if (dev.reportName) {
        char path[96];
        snprintf(path, sizeof(path), "artifacts/%s.png", dev.reportName);
        written = SaveLastFrame(dev, path) && written;
        snprintf(path, sizeof(path), "artifacts/%s.txt", dev.reportName);
        written = WriteTimingReport(app, path, status) && written;
    }
    if (dev.mode == DEV_MODE_CAPTURE_HINTS) InputSetGamepad(false);
    // A run that could not write what it promises has failed, whatever the game did.
    return written ? status : 1;
}
