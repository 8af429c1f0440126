// Developer mode "--capture-hints": the HUD over the rendered scene at fixed moments of the first
// stage, each written as a PNG under artifacts/. The run starts from the developer seed and the
// schedule advances in 60 Hz steps, so every run writes the same pictures.
#include "app/app.h"
#include "app/field_view.h"
#include "dev/scene_capture.h"
#include "player/dev_panel.h"
#include "player/hud.h"
#include "render/scene.h"

#include <cstdio>

static constexpr int CAPTURE_WIDTH = 1280;
static constexpr int CAPTURE_HEIGHT = 720;
static constexpr float CAPTURE_STEP = 1.0f / 60.0f;

struct CaptureState {
    App *app;
    RenderTexture2D canvas;
    Bindings *bindings;     // the run's own schedule
    HudHearts hearts;
    HudClock clock;
    DevPanel panel;
    bool held[BINDINGS_KEY_COUNT];
    bool panelVisible;
    bool cheatShown;
    bool gamepad;
    int written;
};

// Advances the schedule (and the run's clock) in frame-sized steps up to `seconds` more.
static void CaptureAdvance(CaptureState &s, double seconds)
{
    double target = s.bindings->clock + seconds;
    while (s.bindings->clock < target - 1e-9) {
        double left = target - s.bindings->clock;
        float dt = left < CAPTURE_STEP ? (float)left : CAPTURE_STEP;
        BindingsUpdate(*s.bindings, dt);
        s.app->field.totalTime += dt;
        s.clock.remaining -= dt;
    }
}

// Advances until the exchange is `seconds` away (negative: that long after it).
static void CaptureAdvanceTo(CaptureState &s, double secondsBeforeSwap)
{
    double ahead = BindingsTimeToSwap(*s.bindings) - secondsBeforeSwap;
    if (ahead > 0.0) CaptureAdvance(s, ahead);
}

static bool CaptureWrite(CaptureState &s, const char *name)
{
    Field &field = s.app->field;
    CameraFollow(field.camera, field.player.position, field.player.velocity, 0.0f, true);
    SceneGround ground{};
    ground.detail = s.app->terrain.detail;
    ground.heights = s.app->terrain.heights;
    if (!SceneRender(s.app->scene, s.app->shaders, FieldSceneView(field), ground, CAPTURE_WIDTH, CAPTURE_HEIGHT)) {
        TraceLog(LOG_ERROR, "HUD: capture could not render the scene");
        return false;
    }

    HudFrame frame{};
    frame.viewWidth = (float)CAPTURE_WIDTH;
    frame.viewHeight = (float)CAPTURE_HEIGHT;
    frame.time = field.totalTime;
    frame.opacity = s.panel.opacity;
    frame.gamepad = InputIsGamepad();
    for (int k = 0; k < BINDINGS_KEY_COUNT; k++) frame.held[k] = s.held[k];
    frame.clock = &s.clock;

    BeginDrawing();
    BeginTextureMode(s.canvas);
    ClearBackground(BLACK);
    const Texture2D &scene = s.app->scene.target.texture.texture;
    DrawTexturePro(scene, {0.0f, 0.0f, (float)scene.width, -(float)scene.height},
                   {0.0f, 0.0f, (float)CAPTURE_WIDTH, (float)CAPTURE_HEIGHT}, {0.0f, 0.0f}, 0.0f, WHITE);
    HudDraw(field.player, field.camera, *s.bindings, s.hearts, frame);
    if (s.panelVisible) {
        DevPanelStats stats{};
        stats.fps = 60;
        stats.frameMs = 1000.0f * CAPTURE_STEP;
        stats.renderWidth = CAPTURE_WIDTH;
        stats.renderHeight = CAPTURE_HEIGHT;
        stats.playerX = field.player.position.x;
        stats.playerZ = field.player.position.z;
        DevPanelDraw(s.panel, stats, field.immortal, field.speedTimesTen, field.camera.viewHeight);
    }
    if (s.cheatShown) DrawTextEx(hudFont, "Чит-код активирован", {24.0f, 24.0f}, 28.0f, 1.0f, {255, 219, 131, 255});
    EndTextureMode();
    ClearBackground(BLACK);
    DrawTexturePro(s.canvas.texture, {0.0f, 0.0f, (float)CAPTURE_WIDTH, -(float)CAPTURE_HEIGHT},
                   {0.0f, 0.0f, (float)GetScreenWidth(), (float)GetScreenHeight()}, {0.0f, 0.0f}, 0.0f, WHITE);
    EndDrawing();

    Image image = LoadImageFromTexture(s.canvas.texture);
    if (!IsImageValid(image)) return false;
    ImageFlipVertical(&image);
    // Translucent HUD strokes leave the target's alpha below 1; the picture is the colour alone.
    ImageFormat(&image, PIXELFORMAT_UNCOMPRESSED_R8G8B8);
    char path[256];
    snprintf(path, sizeof(path), "artifacts/hints%s-%d-%s.png", s.gamepad ? "-gamepad" : "", s.written + 1, name);
    bool ok = ExportImage(image, path);
    UnloadImage(image);
    if (!ok) {
        TraceLog(LOG_ERROR, "HUD: could not write %s", path);
        return false;
    }
    TraceLog(LOG_INFO, "HUD: wrote %s", path);
    s.written++;
    return true;
}

static void CaptureRelease(CaptureState &s)
{
    if (s.canvas.id != 0) UnloadRenderTexture(s.canvas);
    s.canvas = {};
}

int HudCaptureHints(App &app, bool gamepad)
{
    if (!DirectoryExists("artifacts") && MakeDirectory("artifacts") != 0) {
        TraceLog(LOG_ERROR, "HUD: could not create artifacts/");
        return 2;
    }
    FieldReset(app.field, FIELD_DEVELOPER_SEED);
    static CaptureState s;  // large; one capture per process
    s = {};
    s.app = &app;
    s.bindings = &app.field.bindings;
    s.gamepad = gamepad;
    InputSetGamepad(gamepad);
    s.canvas = LoadRenderTexture(CAPTURE_WIDTH, CAPTURE_HEIGHT);
    if (!IsRenderTextureValid(s.canvas)) {
        TraceLog(LOG_ERROR, "HUD: capture target %dx%d could not be created", CAPTURE_WIDTH, CAPTURE_HEIGHT);
        return 2;
    }
    s.hearts = HudHeartsFull(20);
    s.clock = {90.0f, 0};
    DevPanelReset(s.panel);

    bool ok = true;
    // A fresh stage: the full ring, no warning.
    CaptureAdvance(s, 0.5);
    ok = ok && CaptureWrite(s, "fresh");
    // The warning: the pair to be exchanged pulses in its boxes, then the final digits.
    CaptureAdvanceTo(s, 4.95);
    ok = ok && CaptureWrite(s, "warning-5s");
    CaptureAdvanceTo(s, 2.9);
    ok = ok && CaptureWrite(s, "warning-3s");
    CaptureAdvanceTo(s, 0.9);
    ok = ok && CaptureWrite(s, "warning-1s");
    // Mid-exchange: keys sliding over and trails running between the two slots, then the rings
    // spreading from both slots as the trails fade.
    CaptureAdvanceTo(s, 0.0);
    CaptureAdvance(s, 0.22 * BINDINGS_SWAP_ANIM_SECONDS);
    ok = ok && CaptureWrite(s, "exchange");
    CaptureAdvance(s, 0.4 * BINDINGS_SWAP_ANIM_SECONDS);
    ok = ok && CaptureWrite(s, "exchange-late");

    // An ability cooling down while an arrow is held; two quarters gone from the cluster and the
    // last heart shattered, as health will show them.
    CaptureAdvance(s, 2.0);
    int meteorKey = s.bindings->slotKey[SLOT_ABILITY1];
    s.held[meteorKey] = true;
    s.held[s.bindings->slotKey[SLOT_UP]] = true;
    BindingsPressAbility(*s.bindings, meteorKey, CAPTURE_STEP);
    CaptureAdvance(s, 0.2);
    s.hearts.shownLoss = 6.0f;
    s.hearts.hitFlash = 0.35f;
    ok = ok && CaptureWrite(s, "cooldown");

    // The developer panel after the cheat code, with the opacity field being edited.
    CheatState cheat;
    CheatReset(cheat);
    static const int CODE[6] = {KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C};
    bool activated = false;
    for (int key : CODE) activated = CheatFeed(cheat, key);
    if (!activated) {
        TraceLog(LOG_ERROR, "HUD: the cheat code did not activate");
        ok = false;
    }
    for (bool &h : s.held) h = false;
    s.hearts = HudHeartsFull(20);
    CaptureAdvance(s, 0.5);
    s.cheatShown = activated;
    ok = ok && CaptureWrite(s, "cheat");
    // F3 a few seconds later, once the confirmation has gone.
    CaptureAdvance(s, 3.0);
    s.cheatShown = false;
    s.panelVisible = activated;
    DevPanelEvents events{};
    events.focused = true;
    events.press = true;
    events.mouse = {40.0f, DevPanelTop(false) + 104.0f};  // inside the opacity field
    DevPanelStep(s.panel, true, false, events, app.field.immortal, app.field.speedTimesTen, app.field.camera.viewHeight);
    events = {};
    events.focused = true;
    events.mouse = {150.0f, DevPanelTop(false) + 12.0f};  // hovering the immortality row
    events.chars[0] = '0';
    events.chars[1] = ',';
    events.chars[2] = '5';
    events.charCount = 3;
    app.field.immortal = true;
    DevPanelStep(s.panel, true, false, events, app.field.immortal, app.field.speedTimesTen, app.field.camera.viewHeight);
    ok = ok && CaptureWrite(s, "panel");

    CaptureRelease(s);
    app.field.immortal = false;
    InputSetGamepad(false);
    return ok ? 0 : 1;
}
