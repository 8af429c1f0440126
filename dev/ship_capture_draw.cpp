// Shuttle developer modes: renderer stills, the hull as an obstacle, the scripted finale and
// the depth check. Every frame goes through the scene renderer's own passes in the game's
// order: the canyon prepass with the hull and crystal, the full-screen pass, then the effects.
//
// Index
//   [SECTION] Frame
//   [SECTION] Stills
//   [SECTION] Depth check
//   [SECTION] Obstacle
//   [SECTION] Demo
#include "dev/ship_capture.h"

#include "app/app.h"
#include "app/field_view.h"
#include "hud/ship_draw.h"
#include "common/maths.h"
#include "dev/ship_checks.h"
#include "hud/hud_draw.h"
#include "render/ship.h"
#include "world/terrain.h"

#include "rlgl.h"
#include "external/glad.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

constexpr int SCENE_W = 640;          // the software renderer is slow: small scene images
constexpr int SCENE_H = 360;
constexpr int CANVAS_W = 1280;        // texts are laid out for the reference canvas
constexpr int CANVAS_H = 720;

// [SECTION] Frame

struct ShipCapture {
    App *app;
    ShipRenderer renderer;
    RenderTexture2D scene;    // colour + depth, SCENE_W x SCENE_H
    RenderTexture2D canvas;   // the scene scaled up with the texts over it
    SceneGround ground;
    int written, failed;
};

// What the renderer is handed of a shuttle record.

static SceneView CaptureSceneView(const Player &player, const FollowCamera &camera, const Ship &ship, float time)
{
    SceneView view{};
    view.camera = camera;
    view.playerPosition = player.position;
    view.playerYaw = player.yaw;
    view.playerVisible = !ShipPlayerAboard(ship);
    view.pose = FieldScenePose(player.pose);
    view.shipShadow = ShipShadow(ship);
    view.time = time;
    return view;
}

static FollowCamera CameraOn(Vector3 look, float zoom)
{
    FollowCamera c{};
    c.viewHeight = zoom;
    CameraFollow(c, look, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return c;
}

static bool CaptureOpen(ShipCapture &c, App &app)
{
    c = {};
    c.app = &app;
    c.ground = AppSceneGround(app);
    if (!ShipRendererCreate(c.renderer)) {
        TraceLog(LOG_ERROR, "Ship renderer initialization failed");
        return false;
    }
    c.scene = LoadRenderTexture(SCENE_W, SCENE_H);
    c.canvas = LoadRenderTexture(CANVAS_W, CANVAS_H);
    if (!IsRenderTextureValid(c.scene) || !IsRenderTextureValid(c.canvas)) {
        TraceLog(LOG_ERROR, "SHIP: capture targets could not be created");
        return false;
    }
    SetTextureFilter(c.scene.texture, TEXTURE_FILTER_BILINEAR);
    return true;
}

static void CaptureClose(ShipCapture &c)
{
    if (c.scene.id != 0) UnloadRenderTexture(c.scene);
    if (c.canvas.id != 0) UnloadRenderTexture(c.canvas);
    ShipRendererRelease(c.renderer);
    c.scene = {};
    c.canvas = {};
}

// One scene image of the world with the shuttle, in the order the scene renderer uses.
static bool RenderWorld(ShipCapture &c, SceneResources &resources, const SceneShaders &shaders, const SceneView &view,
                        const ShipView &ship, RenderTexture2D target, int w, int h)
{
    bool prepass = ShipNeedsPrepass(c.renderer, ship, view.camera, w, h);
    if (prepass) {
        if (!SceneCanyonBegin(resources, view.camera, w, h)) return false;
        ShipDrawPrepass(c.renderer, ship, view.camera, w, h);
        SceneCanyonEnd();
    }
    BeginTextureMode(target);
    ClearBackground(BLACK);
    SceneDrawPass(resources, shaders, view, c.ground, w, h, prepass);
    BeginMode3D(CameraToRaylib(view.camera));
    ShipDrawEffects(c.renderer, ship, view.camera, w, h);
    EndMode3D();
    EndTextureMode();
    return true;
}

static bool Export(RenderTexture2D target, const char *name)
{
    char path[256];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    Image image = LoadImageFromTexture(target.texture);
    if (!IsImageValid(image)) return false;
    ImageFlipVertical(&image);
    bool ok = ExportImage(image, path);
    UnloadImage(image);
    if (!ok) TraceLog(LOG_WARNING, "SHIP: could not write %s", path);
    return ok;
}

// Renders and writes one picture; with `texts` the scene is scaled onto the reference canvas
// and the shuttle's texts are drawn over it as the game frame does.
static void Shot(ShipCapture &c, const char *name, const Player &player, const FollowCamera &camera, const Ship &ship,
                 float time, bool texts)
{
    App &app = *c.app;
    SceneView view = CaptureSceneView(player, camera, ship, time);
    bool ok = RenderWorld(c, app.gpu.scene, app.gpu.shaders, view, FieldShipView(ship), c.scene, SCENE_W, SCENE_H);
    if (ok && texts) {
        BeginTextureMode(c.canvas);
        ClearBackground(BLACK);
        DrawTexturePro(c.scene.texture, {0.0f, 0.0f, (float)SCENE_W, -(float)SCENE_H}, {0.0f, 0.0f, (float)CANVAS_W, (float)CANVAS_H},
                       {0.0f, 0.0f}, 0.0f, WHITE);
        ShipDrawTexts(ship, camera, player.position, (float)CANVAS_W, (float)CANVAS_H);
        EndTextureMode();
        ok = Export(c.canvas, name);
    } else if (ok) {
        ok = Export(c.scene, name);
    }
    if (ok) c.written++;
    else c.failed++;
    printf("%s %s\n", ok ? "wrote" : "FAILED", name);
}

static Player StandingAt(Vector3 p, float yaw)
{
    Player player{};
    PlayerReset(player, {p.x, TerrainHeight(p.x, p.z), p.z});
    player.yaw = yaw;
    PlayerPose(player, 0.0f, 0.0f);
    return player;
}

// [SECTION] Stills

int ShipCaptureStills(App &app)
{
    ShipCapture c;
    if (!CaptureOpen(c, app)) {
        CaptureClose(c);
        return 1;
    }
    Ship ship{};
    Player player = StandingAt({0.0f, 0.0f, 0.0f}, PLAYER_START_YAW);
    player.position = ShipReset(ship, player.position, PLAYER_RADIUS);
    Vector3 base = ship.position;
    Vector3 middle = {base.x * 0.5f, 0.0f, base.z * 0.5f};

    // The wreck at the three zooms, smoking; the close-up shows the front's materials.
    ship.clock = 6.2f;
    Shot(c, "ship-zoom20-smoke", player, CameraOn(middle, 20.0f), ship, 6.2f, false);
    Shot(c, "ship-zoom30", player, CameraOn(middle, 30.0f), ship, 6.2f, false);
    Shot(c, "ship-zoom5.5-materials", player, CameraOn({base.x, base.y + 1.6f, base.z}, 5.5f), ship, 6.2f, false);
    // The opening hint over the wreck.
    ship.clock = 8.0f;
    Shot(c, "ship-hints", player, CameraOn(player.position, 20.0f), ship, 8.0f, true);

    // The crystal resting far from the wreck: the prepass runs for the crystal alone.
    Ship dropped = ship;
    dropped.crystalState = SHIP_CRYSTAL_DROPPED;
    dropped.crystalTarget = {14.0f, TerrainHeight(14.0f, 9.0f) + 0.4f, 9.0f};
    dropped.crystal = dropped.crystalTarget;
    dropped.crystalTime = 2.0f;
    dropped.clock = 30.0f;
    Player far = StandingAt({11.0f, 0.0f, 7.5f}, 1.0f);
    Shot(c, "ship-crystal-ground", far, CameraOn({13.0f, 0.0f, 8.5f}, 9.0f), dropped, 30.0f, false);
    Shot(c, "ship-crystal-ground-texts", far, CameraOn(far.position, 20.0f), dropped, 30.0f, true);

    // Just repaired: the crystal in its socket, the smoke dying away.
    Ship repaired = ship;
    repaired.phase = SHIP_REPAIRED;
    repaired.crystalState = SHIP_CRYSTAL_INSTALLED;
    repaired.phaseTime = 0.15f;
    repaired.smoke = 0.7f;
    repaired.clock = 40.0f;
    repaired.crystal = ShipSocketPoint(repaired);
    Player waiting = StandingAt({base.x + 1.6f, 0.0f, base.z + 1.6f}, 3.6f);
    Shot(c, "ship-crystal-installed", waiting, CameraOn({base.x + 0.83f, base.y + 1.4f, base.z + 0.48f}, 5.5f), repaired, 40.0f, false);

    // The plume fading in over 0.55 s, then the climb.
    const float times[] = {0.10f, 0.30f, 0.55f, 2.0f, 3.6f};
    for (float t : times) {
        Ship launch = repaired;
        launch.phase = SHIP_LAUNCHING;
        launch.phaseTime = t;
        launch.smoke = 0.0f;
        float lift = std::fmax(0.0f, t - SHIP_IGNITION_SECONDS);
        launch.altitude = SHIP_LAUNCH_ACCELERATION * lift * lift;
        launch.clock = 40.0f + t;
        launch.crystal = ShipSocketPoint(launch);
        char name[64];
        snprintf(name, sizeof(name), "ship-launch-%.2f", t);
        Shot(c, name, waiting, CameraOn({base.x, base.y + 0.5f * launch.altitude, base.z}, t < 1.0f ? 9.0f : 20.0f), launch, 40.0f + t, false);
    }

    // The hull between the camera and an astronaut, and an astronaut between the camera and the hull.
    Vector3 away = Vector3Normalize({-CAMERA_OFFSET.x, 0.0f, -CAMERA_OFFSET.z});
    Player behind = StandingAt(base + away * 2.2f, 0.4f);
    Player front = StandingAt(base - away * 1.6f, 0.4f);
    Shot(c, "ship-astronaut-behind", behind, CameraOn({base.x, base.y + 1.2f, base.z}, 5.5f), ship, 6.2f, false);
    Shot(c, "ship-astronaut-front", front, CameraOn({base.x, base.y + 1.2f, base.z}, 5.5f), ship, 6.2f, false);

    char line[200];
    bool depth = ShipCaptureCheckDepth(app.gpu.scene, app.gpu.shaders, line, sizeof(line));
    printf("%s %s\n", depth ? "ok  " : "FAIL", line);
    int failed = c.failed + (depth ? 0 : 1);
    CaptureClose(c);
    return failed == 0 ? 0 : 1;
}

// [SECTION] Depth check

constexpr int CHECK_W = 320;
constexpr int CHECK_H = 180;

struct CheckImage {
    unsigned char rgba[CHECK_W * CHECK_H * 4];
    float depth[CHECK_W * CHECK_H];
};

static void ReadBack(unsigned int framebuffer, CheckImage &out)
{
    rlDrawRenderBatchActive();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, CHECK_W, CHECK_H, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba);
    glReadPixels(0, 0, CHECK_W, CHECK_H, GL_DEPTH_COMPONENT, GL_FLOAT, out.depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

static bool SamePixel(const CheckImage &a, const CheckImage &b, int i)
{
    for (int k = 0; k < 3; k++)
        if (std::abs((int)a.rgba[4 * i + k] - (int)b.rgba[4 * i + k]) > 1) return false;
    return true;
}

bool ShipCaptureCheckDepth(SceneResources &resources, const SceneShaders &shaders, char *line, int lineSize)
{
    static CheckImage hull, withBody, withoutBody;   // large: kept off the stack
    ShipCapture c{};
    c.ground = {};   // flat neutral ground: the comparison needs nothing but the hull and the body
    bool ok = ShipRendererCreate(c.renderer);
    RenderTexture2D target = LoadRenderTexture(CHECK_W, CHECK_H);
    ok = ok && IsRenderTextureValid(target);
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, PLAYER_RADIUS);
    ship.position.y = 0.0f;
    ship.clock = 3.0f;
    ship.smoke = 0.0f;   // no translucent smoke over the silhouettes
    Vector3 base = ship.position;
    FollowCamera camera = CameraOn({base.x, 1.2f, base.z}, 6.0f);
    Vector3 away = Vector3Normalize({-CAMERA_OFFSET.x, 0.0f, -CAMERA_OFFSET.z});
    int hidden[2] = {0, 0}, covered[2] = {0, 0}, hullPixels = 0;
    for (int side = 0; side < 2 && ok; side++) {
        // side 0: the astronaut 2.2 m behind the hull's axis, past its legs; side 1: 1.6 m in front of it.
        Vector3 at = base + away * (side == 0 ? 2.2f : -1.6f);
        Player body{};
        PlayerReset(body, {at.x, 0.0f, at.z});
        SceneView view = CaptureSceneView(body, camera, ship, 3.0f);
        ShipView shipView = FieldShipView(ship);
        ok = RenderWorld(c, resources, shaders, view, shipView, target, CHECK_W, CHECK_H);
        ReadBack(resources.canyon.texture.id, hull);
        ReadBack(target.id, withBody);
        view.playerVisible = false;
        ok = ok && RenderWorld(c, resources, shaders, view, shipView, target, CHECK_W, CHECK_H);
        ReadBack(target.id, withoutBody);
        // Where the hull covers the picture: is the astronaut drawn over it?
        for (int i = 0; i < CHECK_W * CHECK_H; i++) {
            if (hull.depth[i] >= 0.999999f) continue;
            if (side == 0) hullPixels++;
            if (!SamePixel(withBody, withoutBody, i)) covered[side]++;
            else hidden[side]++;
        }
    }
    // The astronaut behind must really stand in the hull's silhouette: without the hull it shows there.
    int silhouette = 0;
    if (ok) {
        Vector3 at = base + away * 2.2f;
        Player body{};
        PlayerReset(body, {at.x, 0.0f, at.z});
        SceneView view = CaptureSceneView(body, camera, ship, 3.0f);
        ShipView noShip{};
        ok = RenderWorld(c, resources, shaders, view, noShip, target, CHECK_W, CHECK_H);
        ReadBack(target.id, withBody);
        view.playerVisible = false;
        ok = ok && RenderWorld(c, resources, shaders, view, noShip, target, CHECK_W, CHECK_H);
        ReadBack(target.id, withoutBody);
        for (int i = 0; i < CHECK_W * CHECK_H; i++)
            if (hull.depth[i] < 0.999999f && !SamePixel(withBody, withoutBody, i)) silhouette++;
    }
    if (target.id != 0) UnloadRenderTexture(target);
    ShipRendererRelease(c.renderer);
    snprintf(line, (size_t)lineSize,
             "hull depth: %d hull pixels; astronaut behind: %d of its %d pixels there shown over the hull; "
             "astronaut in front: %d shown over the hull",
             hullPixels, covered[0], silhouette, covered[1]);
    return ok && hullPixels > 500 && silhouette > 100 && covered[0] == 0 && covered[1] > 100;
}

// [SECTION] Obstacle

// Top view of fast bodies sliding round the hull: one polyline per approach.
static bool DrawSlidePaths(const char *name)
{
    const int size = 720;
    const float scale = 60.0f;   // pixels per metre
    RenderTexture2D canvas = LoadRenderTexture(size, size);
    if (!IsRenderTextureValid(canvas)) return false;
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, PLAYER_RADIUS);
    Vector3 base = ship.position;
    auto toScreen = [&](Vector3 p) {
        return Vector2{(float)size * 0.5f + (p.x - base.x) * scale, (float)size * 0.5f + (p.z - base.z) * scale};
    };
    BeginTextureMode(canvas);
    ClearBackground({24, 22, 20, 255});
    DrawCircleV(toScreen(base), SHIP_HULL_RADIUS * scale, {120, 110, 96, 255});
    DrawCircleLinesV(toScreen(base), (SHIP_HULL_RADIUS + PLAYER_RADIUS) * scale, {255, 150, 218, 255});
    int inside = 0;
    for (int i = 0; i < 24; i++) {
        float heading = (float)i * 2.0f * PI / 24.0f;
        Vector3 u = {std::cos(heading), 0.0f, std::sin(heading)};
        Vector3 side = {-u.z, 0.0f, u.x};
        for (float offset : {-0.9f, -0.3f, 0.1f, 0.6f}) {
            Vector3 p = base - u * 5.5f + side * offset;
            Color colour = ColorFromHSV(15.0f * (float)i, 0.6f, 0.95f);
            for (int k = 0; k < 9; k++) {
                Vector3 next = ShipSlideBody(ship, p, p + u * 1.35f, PLAYER_RADIUS);
                if (LengthXZ(next - base) < SHIP_HULL_RADIUS + PLAYER_RADIUS) inside++;
                DrawLineEx(toScreen(p), toScreen(next), 2.0f, colour);
                DrawCircleV(toScreen(next), 3.0f, colour);
                p = next;
            }
        }
    }
    char label[96];
    snprintf(label, sizeof(label), "27 m/s, dt 0.05: %d steps inside the 1.2 m circle", inside);
    DrawTextEx(hudFont, label, {16.0f, 16.0f}, 24.0f, 0.0f, {232, 244, 248, 255});
    EndTextureMode();
    bool ok = Export(canvas, name) && inside == 0;
    UnloadRenderTexture(canvas);
    printf("%s %s (%d steps inside)\n", ok ? "wrote" : "FAILED", name, inside);
    return ok;
}

int ShipCaptureObstacle(App &app)
{
    ShipCapture c;
    if (!CaptureOpen(c, app)) {
        CaptureClose(c);
        return 1;
    }
    int failed = DrawSlidePaths("ship-obstacle-paths") ? 0 : 1;

    // The astronaut walking diagonally into the hull and sliding along it, as the movement does.
    Ship ship{};
    Player player = StandingAt({0.0f, 0.0f, 0.0f}, PLAYER_START_YAW);
    player.position = ShipReset(ship, player.position, PLAYER_RADIUS);
    Vector3 base = ship.position;
    Vector3 start = {base.x + 3.2f, 0.0f, base.z + 0.6f};
    player = StandingAt(start, -1.6f);
    Vector3 direction = Vector3Normalize({-1.0f, 0.0f, -0.25f});
    FollowCamera camera = CameraOn(player.position, 7.0f);
    const float dt = 1.0f / 60.0f;
    float time = 0.0f;
    float closest = 1e9f;
    for (int frame = 0; frame <= 150; frame++) {
        if (frame % 30 == 0) {
            char name[64];
            snprintf(name, sizeof(name), "ship-obstacle-slide-%d", frame / 30);
            ship.clock = time;
            Shot(c, name, player, camera, ship, time, false);
        }
        Vector3 before = player.position;
        PlayerStep(player, direction, dt, time);
        player.position = ShipSlideBody(ship, before, player.position, PLAYER_RADIUS);
        player.position.y = TerrainHeight(player.position.x, player.position.z);
        player.velocity = (player.position - before) / dt;
        CameraFollow(camera, player.position, player.velocity, dt, false);
        closest = std::fmin(closest, LengthXZ(player.position - base));
        time += dt;
    }
    printf("%s slide along the hull: closest %.4f m from the base (limit %.2f)\n",
           closest >= SHIP_HULL_RADIUS + PLAYER_RADIUS ? "ok  " : "FAIL", closest, SHIP_HULL_RADIUS + PLAYER_RADIUS);
    if (closest < SHIP_HULL_RADIUS + PLAYER_RADIUS) failed++;
    failed += c.failed;
    CaptureClose(c);
    return failed == 0 ? 0 : 1;
}

// [SECTION] Demo

int ShipCaptureDemo(App &app)
{
    ShipCapture c;
    if (!CaptureOpen(c, app)) {
        CaptureClose(c);
        return 1;
    }
    static DevShipScript script;
    DevShipScriptReset(script);
    FollowCamera camera = CameraOn(script.player.position, 20.0f);
    const float dt = 1.0f / 60.0f;
    // One picture at each moment of the finale, named after it.
    struct Moment {
        const char *name;
        bool taken;
    } moments[] = {
        {"gate", false},        {"drop", false},      {"toss", false},       {"landed", false},
        {"pickup", false},      {"carry", false},     {"install", false},    {"installing", false},
        {"repaired", false},    {"hatch", false},     {"board", false},      {"launch-0.3", false},
        {"launch-1.5", false},  {"launch-3.0", false}, {"launch-4.4", false}, {"victory", false},
    };
    int shots = 0;
    auto take = [&](int index) {
        if (moments[index].taken) return;
        moments[index].taken = true;
        char name[64];
        snprintf(name, sizeof(name), "ship-demo-%02d-%s", index, moments[index].name);
        Shot(c, name, script.player, camera, script.ship, script.time, true);
        shots++;
    };
    float departedAt = -1.0f;
    for (int frame = 0; frame < 60 * 30; frame++) {
        ShipCrystalState crystal = script.ship.crystalState;
        DevShipScriptStep(script, dt);
        CameraFollow(camera, script.player.position, script.player.velocity, dt, false);
        const Ship &s = script.ship;
        if (script.time >= 1.0f) take(0);
        if (crystal == SHIP_CRYSTAL_NONE && s.crystalState == SHIP_CRYSTAL_DROPPED) take(1);
        if (s.crystalState == SHIP_CRYSTAL_DROPPED && s.crystalTime >= 0.42f) take(2);
        if (s.crystalState == SHIP_CRYSTAL_DROPPED && s.crystalTime >= 1.0f) take(3);
        if (s.crystalState == SHIP_CRYSTAL_ATTRACTED) take(4);
        if (s.crystalState == SHIP_CRYSTAL_CARRIED && s.crystalTime >= 2.5f) take(5);
        if (s.crystalState == SHIP_CRYSTAL_INSTALLING) take(6);
        if (s.crystalState == SHIP_CRYSTAL_INSTALLING && s.crystalTime >= 0.45f) take(7);
        if (s.phase == SHIP_REPAIRED && s.phaseTime >= 0.2f) take(8);
        if (s.phase == SHIP_REPAIRED && LengthXZ(script.player.position - ShipHatchPoint(s)) < 1.0f) take(9);
        if (s.phase == SHIP_LAUNCHING) take(10);
        if (s.phase == SHIP_LAUNCHING && s.phaseTime >= 0.3f) take(11);
        if (s.phase == SHIP_LAUNCHING && s.phaseTime >= 1.5f) take(12);
        if (s.phase == SHIP_LAUNCHING && s.phaseTime >= 3.0f) take(13);
        if (s.phase == SHIP_LAUNCHING && s.phaseTime >= 4.4f) take(14);
        if (s.phase == SHIP_DEPARTED && departedAt < 0.0f) departedAt = script.time;
        if (departedAt >= 0.0f && script.time >= departedAt + 1.0f) {
            take(15);
            break;
        }
    }
    printf("%s finale: %d pictures, %d crystal, departed at %.2f s, %d victory\n",
           shots == 16 && script.victories == 1 ? "ok  " : "FAIL", shots, script.drops, script.departTime, script.victories);
    int failed = c.failed + (shots == 16 && script.victories == 1 ? 0 : 1);
    CaptureClose(c);
    return failed == 0 ? 0 : 1;
}
