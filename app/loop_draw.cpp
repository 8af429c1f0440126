// Frame loop: one displayed frame per iteration, each a menu frame or a game frame.
//
// Index
//   [SECTION] Input
//   [SECTION] Game frame
//   [SECTION] Screenshot
//   [SECTION] Loop
#include "app/app.h"
#include "app/field_view.h"
#include "dev/dev_modes.h"
#include "app/display.h"
#include "app/frame_rules.h"
#include "player/hud.h"
#include "player/hud_layout.h"


#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>


// [SECTION] Input

void DevScriptApply(const DevRun &dev, int frame, FrameInput &input)
{
    if (dev.fixedStep > 0.0f) input.frameTime = dev.fixedStep;
    for (int i = 0; i < dev.eventCount; i++) {
        const DevEvent &e = dev.events[i];
        bool within = frame >= e.frame && frame < e.frame + (e.frames > 0 ? e.frames : 1);
        switch (e.kind) {
        case DEV_EVENT_PRESS:
            if (e.key < 0 || e.key >= INPUT_KEY_LIMIT) break;
            if (frame == e.frame) input.keyPressed[e.key] = true;
            if (within) input.keyDown[e.key] = true;
            break;
        case DEV_EVENT_UNFOCUS:
            if (within) input.focused = false;
            break;
        case DEV_EVENT_WHEEL:
            if (frame == e.frame) input.wheel += e.value;
            break;
        case DEV_EVENT_PAD_PRESS:
            if (e.key <= 0 || e.key >= INPUT_PAD_BUTTONS) break;
            input.padAvailable[0] = true;
            if (frame == e.frame) input.padPressed[0][e.key] = true;
            if (within) input.padDown[0][e.key] = true;
            break;
        }
    }
}

// [SECTION] Game frame

// Draws the last scene image into the letterbox and opens the letterboxed 2D space.
static void PresentScene(const App &app)
{
    ClearBackground(BLACK);
    Rectangle box = DisplayLetterbox();
    if (app.scene.target.texture.id != 0) {
        const Texture2D &t = app.scene.target.texture.texture;
        DrawTexturePro(t, {0.0f, 0.0f, (float)t.width, -(float)t.height}, box, {0.0f, 0.0f}, 0.0f, WHITE);
    }
    BeginScissorMode((int)box.x, (int)box.y, (int)box.width, (int)box.height);
    Camera2D view{};
    view.offset = {box.x, box.y};
    view.zoom = 1.0f;
    BeginMode2D(view);
}

static void EndPresent()
{
    EndMode2D();
    EndScissorMode();
}

// One game frame; false if the loop must end (the scene target could not be created).
static bool GameFrame(App &app, float forcedDt)
{
    Field &field = app.field;
    const FrameInput &in = app.input;

    // 1. Time steps. Health, the shuttle and the campaign are not part of the run yet.
    FrameConditions conditions{};
    conditions.frameTime = forcedDt >= 0.0f ? forcedDt : in.frameTime;
    conditions.focused = in.focused;
    FrameSteps steps = FrameComputeSteps(conditions);
    field.totalTime += steps.frame;

    // 4. Developer keys and the developer panel, only after the cheat code.
    bool typing = DevPanelTextFocused(app.devPanel);
    bool devKeys = app.cheat.activated && in.focused && !typing;
    if (app.cheat.activated && in.focused && in.keyPressed[KEY_F3]) field.debugPanelVisible = !field.debugPanelVisible;
    if (app.cheat.activated) {
        Rectangle box = DisplayLetterbox();
        Vector2 mouse = {in.mouse.x - box.x, in.mouse.y - box.y};
        // The "+1000" button pays out once the wallet exists.
        DevPanelInput(app.devPanel, field.debugPanelVisible, false, mouse, in.mousePressed[0], field.immortal,
                      field.speedTimesTen, field.camera.viewHeight);
        typing = DevPanelTextFocused(app.devPanel);
    }

    // 5. New run.
    if (field.newGameRequested || (devKeys && in.keyPressed[KEY_R])) {
        FieldReset(field, app.developerMode ? FIELD_DEVELOPER_SEED : (uint32_t)GetRandomValue(1, 2147483647));
        field.runActive = true;
        field.newGameRequested = false;
    }

    // 6. What the run takes from the shop and the developer toggles. No shop yet: level 0.
    BindingsSetInterval(field.bindings, BINDINGS_INTERVAL_MIN);
    PlayerSetSpeedLevel(field.player, 0);
    field.player.speedTimesTen = field.speedTimesTen;

    // 7. Camera zoom.
    float zoom = field.camera.viewHeight - (typing ? 0.0f : 0.6f * in.wheel);
    field.camera.viewHeight = zoom < CAMERA_ZOOM_MIN ? CAMERA_ZOOM_MIN : (zoom > CAMERA_ZOOM_MAX ? CAMERA_ZOOM_MAX : zoom);

    // 8. The bindings' exchange clock.
    BindingsUpdate(field.bindings, steps.campaign);

    // 9. Movement input: the six keys, or the gamepad buttons that mirror them.
    bool held[BINDINGS_KEY_COUNT] = {};
    for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
        int code = BindingsKeyCode(k);
        held[k] = in.focused && (in.keyDown[code] || InputPadDown(app.devices, code));
    }
    Vector2 axes = typing ? Vector2{0.0f, 0.0f} : BindingsCardinalAxes(field.bindings, held);

    // 10. Ability keys. The meteor and the spike act on these presses once they exist.
    if (in.focused && !typing) {
        for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
            int code = BindingsKeyCode(k);
            if (!InputActionPressed(app.devices, in, code)) continue;
            BindingsPressAbility(field.bindings, k, steps.campaign);
        }
    }

    // 14. Time alive in this run.
    field.runTime += steps.frame;

    // 18. The player moves along the camera's ground axes.
    Vector3 direction = CameraMoveDirection(field.camera, axes.x, axes.y);
    PlayerStep(field.player, direction, steps.player, field.totalTime);

    // 25. Camera follow.
    CameraFollow(field.camera, field.player.position, field.player.velocity, steps.frame, false);

    // 26. Consistency, then the scene.
    if (app.consistent && !FrameConsistent(field)) {
        app.consistent = false;
        TraceLog(LOG_WARNING, "LOOP: consistency check failed at frame %d", app.frameCount);
    }
    // Long developer runs may draw only every n-th frame; the simulation still runs every frame.
    const DevRun &dev = app.dev;
    if (dev.active && dev.drawEvery > 1 && app.frameCount % dev.drawEvery != 0 && app.frameCount + 1 < dev.frameLimit) {
        app.frameCount += 1;
        return true;
    }
    DisplaySize size = DisplayRenderSize();
    // Ground tracks and soil deposits arrive later: their stand-ins keep the ground bare.
    SceneGround ground{};
    ground.detail = app.terrain.detail;
    ground.heights = app.terrain.heights;
    if (!SceneRender(app.scene, app.shaders, FieldSceneView(field), ground, size.width, size.height)) {
        TraceLog(LOG_ERROR, "LOOP: scene render target %dx%d could not be created", size.width, size.height);
        app.consistent = false;
        app.renderFailed = true;
        return false;
    }

    // 27-28. Present, HUD.
    BeginDrawing();
    PresentScene(app);
    // 28. The HUD around the player's head, then the developer panel. Health comes later:
    // full hearts stand in.
    Rectangle box = DisplayLetterbox();
    HudFrame hud{};
    hud.viewWidth = box.width;
    hud.viewHeight = box.height;
    hud.time = field.totalTime;
    hud.opacity = app.devPanel.opacity;
    hud.gamepad = InputIsGamepad();
    HudHeldKeys(in, app.devices, hud.held);
    HudDraw(field.player, field.camera, field.bindings, HudHeartsFull(20), hud);
    if (app.cheat.activated && field.debugPanelVisible) {
        DisplaySize render = DisplayRenderSize();
        DevPanelStats stats{};
        stats.fps = GetFPS();
        stats.frameMs = GetFrameTime() * 1000.0f;
        stats.renderWidth = render.width;
        stats.renderHeight = render.height;
        stats.playerX = field.player.position.x;
        stats.playerZ = field.player.position.z;
        DevPanelDraw(app.devPanel, stats, field.immortal, field.speedTimesTen, field.camera.viewHeight);
    }
    EndPresent();

    // 29. The game's own cursor where the mouse is needed.
    if (field.debugPanelVisible && app.cheat.activated && !InputIsGamepad() && in.focused)
        DisplayDrawCursor(in.mouse, (float)GetTime());

    // 30. The cheat's confirmation.
    if (GetTime() < app.cheatShownUntil)
        DrawTextEx(hudFont, "Чит-код активирован", {24.0f, 24.0f}, 28.0f, 1.0f, {255, 219, 131, 255});

    // 31. End of frame and the screenshot key. A developer run keeps its last frame as drawn.
    if (app.dev.active && app.frameCount + 1 >= app.dev.frameLimit) {
        UnloadImage(app.dev.lastFrame);
        app.dev.lastFrame = LoadImageFromScreen();
    }
    EndDrawing();
    if (in.focused && in.keyPressed[KEY_F12]) LoopSaveScreenshot();
    if (app.frameCount == 0) TraceLog(LOG_INFO, "LOOP: first game frame drawn %.3f seconds after the window opened", GetTime());
    app.frameCount += 1;
    return true;
}

// [SECTION] Screenshot

bool LoopSaveScreenshot()
{
    char directory[2048];
    snprintf(directory, sizeof(directory), "%sscreenshots", GetApplicationDirectory());
    if (!DirectoryExists(directory) && MakeDirectory(directory) != 0) {
        TraceLog(LOG_WARNING, "Could not create screenshot directory: %s", directory);
        return false;
    }
    double now = GetTime();
    time_t seconds = time(nullptr);
    struct tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char stamp[64];
    strftime(stamp, sizeof(stamp), "%Y-%m-%d_%H-%M-%S", &local);
    long millis = (long)((now - (double)(long long)now) * 1000.0) % 1000;

    char path[2304];
    snprintf(path, sizeof(path), "%s/capture-%s-%03ld.png", directory, stamp, millis);
    for (unsigned counter = 1; FileExists(path) && counter < 100000; counter++)
        snprintf(path, sizeof(path), "%s/capture-%s-%03ld-%u.png", directory, stamp, millis, counter);

    Image image = LoadImageFromScreen();
    if (!IsImageValid(image)) return false;
    bool ok = ExportImage(image, path);
    UnloadImage(image);
    return ok;
}

// [SECTION] Loop

static void DevRecordTiming(DevRun &dev, double wallStart, clock_t cpuStart)
{
    if (dev.timingCount >= DEV_TIMING_CAPACITY) return;
    dev.wallMs[dev.timingCount] = (float)((GetTime() - wallStart) * 1000.0);
    dev.cpuMs[dev.timingCount] = (float)((double)(clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    dev.timingCount++;
}

void LoopRun(App &app)
{
    while (true) {
        if (app.dev.active && app.frameCount >= app.dev.frameLimit) break;
        double wallStart = GetTime();
        clock_t cpuStart = clock();
        FrameInputRead(app.input);
        if (app.dev.active) DevScriptApply(app.dev, app.frameCount, app.input);

        // Until the exit fade exists, a close request ends the loop at once.
        if (app.input.closeRequested) break;

        // 3. Which device the player is using.
        InputTrackActivity(app.devices, app.input, FrameClampDt(app.input.frameTime));

        // F11: borderless fullscreen. The profile will keep the choice once it exists.
        if (app.input.focused && app.input.keyPressed[KEY_F11]) DisplaySetBorderless(app.display, !DisplayIsBorderless());

        // 4. The cheat code, fed with every key pressed this frame in ascending order.
        if (app.input.focused && !DevPanelTextFocused(app.devPanel)) {
            for (int key = 32; key < INPUT_KEY_LIMIT; key++) {
                if (app.input.keyPressed[key] && CheatFeed(app.cheat, key)) app.cheatShownUntil = GetTime() + 3.0;
            }
        }

        if (!GameFrame(app, -1.0f)) break;
        if (app.dev.active) {
            DevRecordTiming(app.dev, wallStart, cpuStart);
            DevAfterFrame(app);
        }
    }
}
