// Frame loop: one displayed frame per iteration. A game frame is the game step (app/field_step)
// followed by the consistency check and the drawing half below.
//
// Index
//   [SECTION] Drawing
//   [SECTION] Game frame
//   [SECTION] Screenshot
//   [SECTION] Loop
#include "app/app.h"
#include "app/field_view.h"
#include "app/frame_rules.h"
#include "audio/audio.h"
#include "audio/exit_fade.h"
#include "dev/dev_modes.h"
#include "frontend/menu_draw.h"
#include "frontend/settings.h"
#include "hud/campaign_draw.h"
#include "hud/dev_panel_draw.h"
#include "hud/eye_coins_draw.h"
#include "hud/hud_draw.h"
#include "hud/ship_draw.h"
#include "hud/support_draw.h"
#include "platform/platform.h"
#include "player/hud_layout.h"
#include "render/canyon_gpu.h"
#include "render/soil_gpu.h"

#include <cstdio>
#include <cstring>
#include <ctime>

bool AppMenusOn(const App &app) { return !app.dev || app.dev->menus; }

double AppNow(const App &app)
{
    if (app.dev) return (double)app.dev->iteration * (double)app.dev->fixedStep;
    return GetTime();
}

void AppNoteProfile(App &app)
{
    AppPersistence &keep = app.persistence;
    keep.dirty = !ProfileEqual(keep.profile, keep.saved);
}

void AppSaveProfile(App &app)
{
    AppPersistence &keep = app.persistence;
    if (!keep.enabled) return;
    bool ok = ProfileSave(keep.profile, keep.path);
    keep.saveFailed = !ok;
    keep.lastSaveTime = AppNow(app);
    if (ok) {
        keep.saved = keep.profile;
        keep.dirty = false;
    }
}

void AppPublishAudio(App &app, const AudioState *sceneState)
{
    // In play the menus' context is the play context: the menus choose it either way.
    AudioPublishInput in = MenuAudioInput(app.menu, app.persistence.profile, app.input.frame.focused,
                                          (float)GetScreenWidth());
    AudioPublishFrame(app.audio, in, sceneState);
}

// The profile's graphics switches, applied wherever the menus may have changed them. A developer
// run keeps the render size it chose, so long scripted runs stay small on a software renderer.
static void ApplyGraphics(const Profile &p, bool developer)
{
    if (!developer) DisplaySetRenderScale(p.graphics[0]);
    SceneSetGraphicsQuality({p.graphics[1], p.graphics[2], p.graphics[3], p.graphics[4]});
}

SceneGround AppSceneGround(const App &app)
{
    SceneGround ground{};
    ground.tracks = app.field.tracks.window.texture;
    ground.trackOrigin = app.field.tracks.origin;
    ground.detail = app.gpu.terrain.detail;
    ground.heights = app.gpu.terrain.heights;
    ground.soil = app.gpu.soil;
    DisplaySize size = DisplayRenderSize();
    SceneGroundRect r = SceneGroundRectFor(app.field.camera, (float)size.width / (float)size.height);
    ground.soilHeightBound = SoilMaxHeightIn(app.field.soil, r.minX, r.minZ, r.maxX, r.maxZ);
    return ground;
}

// [SECTION] Drawing

bool AppRenderWorld(App &app, int width, int height)
{
    const Field &field = app.field;
    SceneView view = FieldSceneView(field);
    ShipView ship = FieldShipView(field.ship);
    SceneResources &scene = app.gpu.scene;

    // The creatures, packed for this view; the renderer uploads the arrays in use.
    const FollowCamera &c = field.camera;
    MudPackRecord &mud = app.mudRender;
    view.mudCount = MudPack(field.mud, mud, c.position, c.right, c.up, c.viewHeight, (float)width / (float)height);
    static_assert(sizeof(view.mudTiles) == sizeof(mud.tiles), "tile masks");
    memcpy(view.mudTiles, mud.tiles, sizeof(view.mudTiles));
    view.mudPoseA = &mud.a;
    view.mudPoseB = &mud.b;

    // Rock chunks and the hull go into the prepass the scene pass composites.
    Camera3D camera = CameraToRaylib(c);
    int chunks[CANYON_CHUNK_CAPACITY];
    bool rocks = app.gpu.canyon.ready &&
                 CanyonVisibleChunks(app.gpu.canyon, camera, width, height, chunks, CANYON_CHUNK_CAPACITY) > 0;
    bool hull = ShipNeedsPrepass(app.gpu.ship, ship, c, width, height);
    bool prepass = rocks || hull;
    if (prepass) {
        if (!SceneCanyonBegin(scene, c, width, height)) return false;
        if (rocks) CanyonDraw(app.gpu.canyon, camera, width, height);
        if (hull) ShipDrawPrepass(app.gpu.ship, ship, c, width, height);
        SceneCanyonEnd();
    }
    if (!SceneRender(scene, app.gpu.shaders, view, AppSceneGround(app), width, height, prepass)) return false;
    SceneEffectsBegin(scene, view.camera);
    EyeCoinsDraw(field.coins, view.camera, width, height);
    SupportDraw(field.support, view.camera);
    ShipDrawEffects(app.gpu.ship, ship, view.camera, width, height);
    SceneEffectsEnd();
    return true;
}

// Draws the last scene image into the letterbox and opens the letterboxed 2D space.
static void PresentScene(const App &app)
{
    ClearBackground(BLACK);
    Rectangle box = DisplayLetterbox();
    if (app.gpu.scene.target.texture.id != 0) {
        const Texture2D &t = app.gpu.scene.target.texture.texture;
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

void LoopDrawGame(App &app)
{
    const Field &field = app.field;
    const FrameInput &in = app.input.frame;
    const FieldControls &controls = app.input.controls;
    PresentScene(app);

    // The HUD around the player's head, then the developer panel.
    Rectangle box = DisplayLetterbox();
    HudFrame hud{};
    hud.viewWidth = box.width;
    hud.viewHeight = box.height;
    hud.time = field.totalTime;
    hud.opacity = controls.devPanel.opacity;
    hud.gamepad = InputIsGamepad();
    FieldControlsHeldKeys(controls, in, hud.held);
    HudClock clock = CampaignHudClock(field.campaign);
    hud.clock = field.loop.campaign ? &clock : nullptr;
    hud.coins = &field.coins;
    bool aboard = ShipPlayerAboard(field.ship);
    if (!aboard) {
        HudDraw(field.player, field.camera, field.bindings, FieldHudHearts(field.health), hud);
        SupportDrawDial(field.support, {box.width - 76.0f, 52.0f});
        if (field.loop.campaign)
            CampaignHudDraw(field.campaign, field.mud, field.camera, box.width, box.height, field.totalTime);
    }
    bool panel = controls.cheat.activated && field.loop.debugPanelVisible;
    if (panel) {
        DisplaySize render = DisplayRenderSize();
        DevPanelStats stats{};
        stats.fps = app.dev ? (int)(1.0f / app.dev->fixedStep + 0.5f) : GetFPS();
        stats.frameMs = app.dev ? 1000.0f * app.dev->fixedStep : GetFrameTime() * 1000.0f;
        stats.renderWidth = render.width;
        stats.renderHeight = render.height;
        stats.playerX = field.player.position.x;
        stats.playerZ = field.player.position.z;
        MudFormCounts forms = MudPoolCountForms(field.mud);
        stats.slotsUsed = field.mud.count;
        stats.buns = forms.counts[0];
        stats.walkers = forms.counts[1];
        stats.golems = forms.counts[2];
        stats.campaign = field.loop.campaign;
        stats.level = field.campaign.level;
        stats.levelClock = (float)field.campaign.clock;
        stats.levelLength = (float)CampaignLevelLength(field.campaign.level);
        stats.phase = field.campaign.phase;
        stats.bosses = CampaignLivingBosses(field.mud);
        stats.rollers = CampaignLivingRollers(field.mud);
        DevPanelDraw(app.input.controls.devPanel, stats, field.loop.immortal, field.loop.speedTimesTen,
                     field.camera.viewHeight);
    }
    ShipDrawTexts(field.ship, field.camera, field.player.position, box.width, box.height);
    EndPresent();

    // The game's own cursor where the mouse is needed.
    bool departed = field.ship.enabled && field.ship.phase == SHIP_DEPARTED;
    if ((panel || departed) && !InputIsGamepad() && in.focused) DisplayDrawCursor(in.mouse, (float)AppNow(app));

    // The cheat's confirmation.
    if (AppNow(app) < app.input.cheatShownUntil)
        DrawTextEx(hudFont, "Чит-код активирован", {24.0f, 24.0f}, 28.0f, 1.0f, {255, 219, 131, 255});
}

// [SECTION] Game frame

// One game frame; false if the loop must end (the scene target could not be created).
static bool GameFrame(App &app, bool menuTransition)
{
    Field &field = app.field;
    FieldStepInput step{};
    step.input = &app.input.frame;
    step.menuTransition = menuTransition;
    step.letterbox = DisplayLetterbox();
    step.newRunSeed = app.dev ? app.dev->seed : (uint32_t)GetRandomValue(1, 2147483647);
    step.profile = &app.persistence.profile;
    FieldStepResult result = FieldStep(field, app.input.controls, step);
    if (result.coinsButton) AudioPostCue(AUDIO_CUE_ACCEPT, 0.0f, 0.6f, 1.0f);
    // Dead for two seconds: the run is over and the main menu comes back.
    FieldFlowAfterStep(field, app.screens, result);
    AppNoteProfile(app);
    AudioState sceneState{};
    AudioSceneFillState(field.audio, sceneState);
    AppPublishAudio(app, &sceneState);
    AudioScenePublish(field.audio);

    if (app.flow.consistent && !FrameConsistent(field)) {
        app.flow.consistent = false;
        TraceLog(LOG_WARNING, "LOOP: consistency check failed at frame %d", app.flow.frameCount);
    }

    // Long developer runs draw only some frames; the simulation still runs every frame.
    if (!app.dev || DevRunDraws(*app.dev, app.flow.frameCount)) {
        DisplaySize size = DisplayRenderSize();
        SoilUpload(field.soil, app.gpu.soil);
        if (!AppRenderWorld(app, size.width, size.height)) {
            TraceLog(LOG_ERROR, "LOOP: scene render target %dx%d could not be created", size.width, size.height);
            app.flow.consistent = false;
            app.flow.renderFailed = true;
            return false;
        }
        BeginDrawing();
        LoopDrawGame(app);
        if (app.dev) DevRunAfterDraw(app);
        EndDrawing();
        if (app.flow.frameCount == 0 && !app.dev)
            TraceLog(LOG_INFO, "LOOP: first game frame drawn %.3f seconds after the window opened", GetTime());
    }
    if (app.input.frame.focused && app.input.frame.keyPressed[KEY_F12]) LoopSaveScreenshot();
    app.flow.frameCount += 1;
    return true;
}

// [SECTION] Menu frame

// What the menus read of this frame's input.
static MenuDevices MenuDevicesFrom(const App &app)
{
    const FrameInput &f = app.input.frame;
    const InputDevices &pads = app.input.controls.devices;
    MenuDevices d{};
    d.focused = f.focused;
    d.gamepad = InputIsGamepad();
    d.windowWidth = (float)GetScreenWidth();
    d.windowHeight = (float)GetScreenHeight();
    d.mouse = f.mouse;
    d.mousePressed = f.mousePressed[0];
    d.mouseDown = f.mouseDown[0];
    d.wheel = f.wheel;
    d.keyPressed = f.keyPressed;
    d.keyDown = f.keyDown;
    d.keyRepeat = f.keyRepeat;
    d.keyCount = INPUT_KEY_LIMIT;
    d.padPressed = pads.pressed;
    d.padRepeat = pads.repeat;
    d.padCount = INPUT_PAD_BUTTONS;
    return d;
}

// The screen under a menu: the last scene image with its HUD, or nothing.
static void DrawBehindMenu(App &app)
{
    if (MenuShowsGame(app.menu)) LoopDrawGame(app);
    else ClearBackground(BLACK);
}

// One menu frame: the run stands still while the menus take the input. True if the menus were
// closed this frame, so a game frame with no time step follows.
static bool MenuFrame(App &app, double now)
{
    AppPersistence &keep = app.persistence;
    Profile &profile = keep.profile;
    Field &field = app.field;
    const FrameInput &f = app.input.frame;

    MenuInput in = MenuReadInput(app.menu, MenuDevicesFrom(app));
    uint32_t seed = app.dev ? app.dev->seed : (uint32_t)GetRandomValue(1, 2147483647);
    FieldMenuResult r = FieldMenuStep(field, app.menu, profile, app.screens.pausedThisFrame, app.screens.menuVisible, in,
                                      f.frameTime, seed);
    int action = r.action;

    // What the menus changed takes effect at once: the window mode, the input device, the graphics.
    if (r.changed.borderless && !DisplaySetBorderless(app.display, profile.borderless))
        profile.borderless = DisplayIsBorderless();
    if (r.changed.gamepad) InputSetGamepad(profile.gamepad);
    ApplyGraphics(profile, app.dev != nullptr);
    AppNoteProfile(app);

    // An erase is written at once over the file, its backup and its journal.
    if (r.erased && keep.enabled) {
        bool ok = ProfileErase(profile, keep.path);
        keep.saveFailed = !ok;
        keep.lastSaveTime = now;
        if (ok) keep.saved = profile;
        AppNoteProfile(app);
    }
    if (keep.enabled && keep.dirty && (action != MENU_ACTION_NONE || r.introJustSeen)) AppSaveProfile(app);

    // The run falls silent under the menus; the quit dialog's music stays while the fade runs.
    AudioSceneQuiet(field.audio);
    AudioScenePublish(field.audio);
    if (action == MENU_ACTION_QUIT) app.menu.dialog = MENU_DIALOG_QUIT;
    AudioState sceneState{};
    AudioSceneFillState(field.audio, sceneState);
    AppPublishAudio(app, action == MENU_ACTION_CONTINUE ? &sceneState : nullptr);
    if (action == MENU_ACTION_QUIT) ExitFadeStart(app.audio, now);

    if (app.screens.menuVisible) {
        DisplaySize size = DisplayRenderSize();
        const SceneTarget &target = app.gpu.scene.target;
        if (MenuShowsGame(app.menu) && (target.width != size.width || target.height != size.height))
            AppRenderWorld(app, size.width, size.height);
        BeginDrawing();
        DrawBehindMenu(app);
        MenuDraw(app.menu, profile, &app.menuGraphics);
        if (keep.saveFailed)
            DrawTextEx(hudFont, "Не удалось сохранить прогресс", {30.0f, (float)GetScreenHeight() - 30.0f}, 20.0f, 1.0f,
                       {255, 161, 0, 255});
        EndDrawing();
        if (f.focused && f.keyPressed[KEY_F12]) LoopSaveScreenshot();
    }
    return !app.screens.menuVisible;
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
    struct tm local{};
    PlatformLocalTime((long long)time(nullptr), local);
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

// One frame of the exit fade: what was on screen, the veil over it.
static void ExitFadeFrame(App &app, double now)
{
    BeginDrawing();
    if (app.screens.menuVisible) {
        DrawBehindMenu(app);
        MenuDraw(app.menu, app.persistence.profile, &app.menuGraphics);
    } else {
        LoopDrawGame(app);
    }
    ExitFadeDraw(app.audio, now);
    if (app.dev) DevRunAfterDraw(app);
    EndDrawing();
}

void LoopRun(App &app)
{
    while (true) {
        if (app.dev && DevRunFinished(*app.dev, app.dev->iteration)) break;
        if (app.dev) DevRunBeginFrame(app);
        FrameInputRead(app.input.frame);
        // A developer run plays its script alone: the real keyboard and focus take no part.
        if (app.dev) DevRunInput(app);

        // Closing the window fades picture and sound out over the frozen game, then the loop ends.
        double now = AppNow(app);
        if (app.input.frame.closeRequested) {
            // Closing during the opening comic counts as having seen it; the final save keeps it.
            if (MenuCloseDuringIntro(app.menu, app.persistence.profile)) AppNoteProfile(app);
            ExitFadeStart(app.audio, now);
        }
        if (app.audio.exitStarted) {
            ExitFadeFrame(app, now);
            if (ExitFadeAmount(app.audio, now) >= 1.0f) break;
            continue;
        }

        FieldControlsEvents events = FieldControlsObserve(app.input.controls, app.input.frame);
        Profile &profile = app.persistence.profile;
        if (events.modeChanged) profile.gamepad = InputIsGamepad();
        if (events.cheatActivated) {
            app.input.cheatShownUntil = now + 3.0;
            AudioPostCue(AUDIO_CUE_ACCEPT, 0.0f, 0.7f, 1.2f);
        }

        // F11: borderless fullscreen, kept in the profile when the switch succeeds.
        if (app.input.frame.focused && app.input.frame.keyPressed[KEY_F11]) {
            bool wanted = !DisplayIsBorderless();
            if (DisplaySetBorderless(app.display, wanted)) profile.borderless = wanted;
        }

        // The victory screen's way back, the pause key, or the run.
        const FrameInput &f = app.input.frame;
        FieldFlowChoice choice = FieldFlowChoose(app.field, app.input.controls, app.screens, f, DisplayLetterbox());
        if (choice.cueGain > 0.0f) AudioPostCue(AUDIO_CUE_ACCEPT, 0.0f, choice.cueGain, 1.0f);
        AppNoteProfile(app);

        // Autosave: a changed profile is written at most every 2 s.
        AppNoteProfile(app);
        if (app.persistence.enabled && app.persistence.dirty && now - app.persistence.lastSaveTime >= 2.0)
            AppSaveProfile(app);

        if (choice.menuFrame) {
            if (MenuFrame(app, now) && !GameFrame(app, true)) break;
            continue;
        }
        if (!GameFrame(app, false)) break;
        if (app.dev) DevRunAfterFrame(app);
    }
}
