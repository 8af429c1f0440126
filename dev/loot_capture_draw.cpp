// Eye-coin developer modes with a window. Every picture is the run's own world drawn by the
// game's renderer (AppRenderWorld), with the eyes drawn into the same scene target inside the
// depth-tested effects pass, and the HUD with the counter on the reference canvas.
//
// Index
//   [SECTION] Frame
//   [SECTION] Scenes
//   [SECTION] --capture-loot
//   [SECTION] --profile-loot
#include "dev/loot_capture.h"

#include "app/app.h"
#include "app/field_view.h"
#include "hud/eye_coins_draw.h"
#include "common/maths.h"
#include "dev/loot_checks.h"
#include "hud/hud_draw.h"
#include "player/hud_layout.h"
#include "world/terrain.h"

#include "rlgl.h"
#include "external/glad.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

constexpr int SCENE_W = 640;          // the software renderer is slow: small scene images
constexpr int SCENE_H = 360;
constexpr int CANVAS_W = 1280;        // the HUD is laid out for the reference canvas
constexpr int CANVAS_H = 720;
constexpr float STEP = 1.0f / 60.0f;

// [SECTION] Frame

struct LootCapture {
    App *app;
    EyeCoins coins;
    RenderTexture2D canvas;   // the scene scaled up with the HUD over it
    float time;               // seconds of the scripted scene
    int written, failed;
};

static bool CaptureOpen(LootCapture &c, App &app)
{
    c = {};
    c.app = &app;
    EyeCoinsReset(c.coins);
    c.canvas = LoadRenderTexture(CANVAS_W, CANVAS_H);
    if (!IsRenderTextureValid(c.canvas)) {
        TraceLog(LOG_ERROR, "EYES: capture canvas could not be created");
        return false;
    }
    return true;
}

static void CaptureClose(LootCapture &c)
{
    if (c.canvas.id != 0) UnloadRenderTexture(c.canvas);
    c.canvas = {};
    EyeCoinsFree(c.coins);
}

// The run's world with the capture's eyes in the effects pass, as the game frame draws them.
static bool RenderWorld(LootCapture &c, int w, int h)
{
    App &app = *c.app;
    if (!AppRenderWorld(app, w, h)) return false;
    SceneEffectsBegin(app.gpu.scene, app.field.camera);
    EyeCoinsDraw(c.coins, app.field.camera, w, h);
    SceneEffectsEnd();
    return true;
}

static bool ExportTexture(Texture2D texture, const char *name)
{
    char path[256];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    Image image = LoadImageFromTexture(texture);
    if (!IsImageValid(image)) return false;
    ImageFlipVertical(&image);
    bool ok = ExportImage(image, path);
    UnloadImage(image);
    if (!ok) TraceLog(LOG_WARNING, "EYES: could not write %s", path);
    return ok;
}

static void Count(LootCapture &c, bool ok, const char *name)
{
    (ok ? c.written : c.failed)++;
    printf("%s %s\n", ok ? "wrote" : "FAILED", name);
}

// One picture: the scene alone, or (`hud`) scaled onto the canvas with the HUD and counter.
static void Shot(LootCapture &c, const char *name, bool hud)
{
    App &app = *c.app;
    bool ok = RenderWorld(c, SCENE_W, SCENE_H);
    if (ok && hud) {
        const Field &field = app.field;
        const Texture2D &scene = app.gpu.scene.target.texture.texture;
        BeginTextureMode(c.canvas);
        ClearBackground(BLACK);
        DrawTexturePro(scene, {0.0f, 0.0f, (float)scene.width, -(float)scene.height},
                       {0.0f, 0.0f, (float)CANVAS_W, (float)CANVAS_H}, {0.0f, 0.0f}, 0.0f, WHITE);
        HudFrame frame{};
        frame.viewWidth = (float)CANVAS_W;
        frame.viewHeight = (float)CANVAS_H;
        frame.time = c.time;
        frame.opacity = 0.8f;
        HudDraw(field.player, field.camera, field.bindings, FieldHudHearts(field.health), frame);
        HudAnchor a = HudAnchorFor(field.camera, field.player.position, (float)CANVAS_W, (float)CANVAS_H);
        EyeCoinsDrawCounter(c.coins, {a.cx + HUD_SIDE_OFFSET, a.cy - a.oy - 12.0f});
        EndTextureMode();
        ok = ExportTexture(c.canvas.texture, name);
    } else if (ok) {
        ok = ExportTexture(app.gpu.scene.target.texture.texture, name);
    }
    Count(c, ok, name);
}

// [SECTION] Scenes

static void Look(App &app, Vector3 at, float zoom)
{
    app.field.camera = {};
    app.field.camera.viewHeight = zoom;
    CameraFollow(app.field.camera, at, {0.0f, 0.0f, 0.0f}, 0.0f, true);
}

// A formed creature standing at (x, z), as the renderer draws one: a bun below 4 clods, a
// walker from 4.
static int AddBody(MudPool &pool, float x, float z, float mass, float yaw)
{
    int i = pool.count++;
    MudSlot &s = pool.slots[i];
    memset(&s, 0, sizeof(s));
    s.obstacle = pool.obstacle;
    s.mass = mass;
    s.size = MUD_UNIT_SIZE;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.wetness = 1.0f;
    s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.legLength = std::cbrt(mass) * s.walkerGrowth * s.size * 0.85f;
    s.state = mass >= 4.0f ? MUD_WALKING : MUD_RESTING;
    s.duration = 1.0f;
    s.presence = s.emergence = 1.0f;
    s.phase = 7.3f * (float)i + 0.4f;
    s.sinceTouchdown = 10.0f;
    s.yaw = yaw;
    s.scale = MudRestShape(s);
    s.position = {x, 0.0f, z};
    s.position.y = MudRestHeight(s, s.scale.y);
    s.spawnPoint = {x, 0.0f, z};
    s.from = s.to = s.previousPosition = s.endPosition = s.position;
    return i;
}

// The body in slot i dies: its eyes leave a record by the reward table and the slot empties.
static void Kill(MudPool &pool, int i)
{
    MudSlot &s = pool.slots[i];
    EyeCoinsReward reward = EyeCoinsRewardFor(s.mass, MudBodyScale(s), s.roller != 0, s.boss != 0);
    float L = MudBodyScale(s);
    Vector3 forward = {std::sin(s.yaw), 0.0f, std::cos(s.yaw)}, side = {std::cos(s.yaw), 0.0f, -std::sin(s.yaw)};
    Vector3 eyes[2];
    for (int k = 0; k < 2; k++) {
        float m = (k == 0 ? -1.0f : 1.0f) * 0.34f, h = 0.29f, f = std::sqrt(std::fmax(0.0f, 1.0f - m * m - h * h));
        eyes[k] = s.position + side * (m * L * s.scale.x) + Vector3{0.0f, h * L * s.scale.y, 0.0f} + forward * (f * L * s.scale.z);
    }
    DeathRecord &r = pool.deaths[pool.deathCount++];
    r = {};
    r.eye0 = reward.eyes == 1 ? (eyes[0] + eyes[1]) * 0.5f : eyes[0];
    r.eye1 = eyes[1];
    r.size = reward.size;
    r.heading = s.yaw;
    r.seed = s.phase;
    r.value = reward.value;
    r.eyes = reward.eyes;
    r.center = s.position;
    r.roller = s.roller;
    s.mass = 0.0f;
    s.state = MUD_FREE;
    s.presence = 0.0f;
}

// The capture's clock and the eyes move on; the player stands, or walks towards the first eye.
static void Advance(LootCapture &c, float seconds, bool chase)
{
    Field &field = c.app->field;
    int frames = (int)(seconds / STEP + 0.5f);
    for (int i = 0; i < frames; i++) {
        c.time += STEP;
        Vector3 before = field.player.position;
        Vector3 direction = {0.0f, 0.0f, 0.0f};
        if (chase && c.coins.count > 0) {
            Vector3 goal = c.coins.items[0].position;
            Vector3 to = {goal.x - before.x, 0.0f, goal.z - before.z};
            float d = LengthXZ(to);
            if (d > 0.2f) direction = to / d;
        }
        PlayerStep(field.player, direction, STEP, c.time, &field.ship);
        EyeCoinsSetLevel(c.coins, 1);
        EyeCoinsConsumeDeaths(c.coins, field.mud);
        EyeCoinsUpdate(c.coins, field.mud, before, field.player.position, STEP);
    }
}

// The counter alone, three times enlarged, at a given flash and income.
static void CounterShot(LootCapture &c, const char *name, float flash, uint64_t income)
{
    RenderTexture2D t = LoadRenderTexture(300, 90);
    bool ok = IsRenderTextureValid(t);
    if (ok) {
        EyeCoins shown = c.coins;
        shown.flash = flash;
        shown.levelIncome = income;
        BeginTextureMode(t);
        ClearBackground({58, 44, 34, 255});
        Camera2D zoom{};
        zoom.offset = {150.0f, 45.0f};
        zoom.target = {0.0f, 0.0f};
        zoom.zoom = 3.0f;
        BeginMode2D(zoom);
        EyeCoinsDrawCounter(shown, {0.0f, 0.0f});
        EndMode2D();
        EndTextureMode();
        ok = ExportTexture(t.texture, name);
        UnloadRenderTexture(t);
    }
    Count(c, ok, name);
}

// Pixels of two images whose channels differ by more than 8.
static int DifferentPixels(Image a, Image b)
{
    if (a.width != b.width || a.height != b.height) return -1;
    Color *pa = LoadImageColors(a), *pb = LoadImageColors(b);
    int n = 0;
    for (int i = 0; i < a.width * a.height; i++) {
        int d = std::max({std::abs(pa[i].r - pb[i].r), std::abs(pa[i].g - pb[i].g), std::abs(pa[i].b - pb[i].b)});
        n += d > 8;
    }
    UnloadImageColors(pa);
    UnloadImageColors(pb);
    return n;
}

// [SECTION] --capture-loot

int LootCaptureStills(App &app)
{
    LootCapture c;
    if (!CaptureOpen(c, app)) {
        CaptureClose(c);
        return 1;
    }
    Field &field = app.field;
    MudPoolReset(field.mud, 0);
    field.mud.mergeEnabled = field.mud.attacksEnabled = 0;

    // A bun and a walker a few steps from the astronaut.
    Vector3 site = {6.0f, 0.0f, 3.0f};
    PlayerReset(field.player, {site.x + 3.2f, TerrainHeight(site.x + 3.2f, site.z + 1.6f), site.z + 1.6f});
    PlayerPose(field.player, 0.0f, 0.0f);
    int bun = AddBody(field.mud, site.x, site.z, 1.0f, 2.2f);
    int heavy = AddBody(field.mud, site.x + 1.3f, site.z - 1.1f, 3.0f, 2.6f);
    Look(app, {site.x + 1.4f, 0.0f, site.z + 0.4f}, 6.0f);
    Shot(c, "loot-01-before", false);

    // The kill: the eyes pop out, bounce once and settle glowing.
    Kill(field.mud, bun);
    Kill(field.mud, heavy);
    Advance(c, 0.05f, false);
    Shot(c, "loot-02-pop", false);
    Advance(c, 0.15f, false);
    Shot(c, "loot-03-flight", false);
    float bounceAt = -1.0f;
    for (int i = 0; i < 60 && bounceAt < 0.0f; i++) {
        Advance(c, STEP, false);
        for (uint64_t k = 0; k < c.coins.count; k++)
            if (c.coins.items[k].bounced) bounceAt = c.time;
    }
    Advance(c, 0.05f, false);
    Shot(c, "loot-04-bounce", false);
    Advance(c, 1.0f, false);
    Shot(c, "loot-05-resting-glow", false);
    Advance(c, 0.4f, false);
    Shot(c, "loot-06-resting-glow-later", false);
    Look(app, {site.x + 0.4f, 0.0f, site.z - 0.2f}, CAMERA_ZOOM_MIN);
    Shot(c, "loot-06b-lenses-close", false);
    Look(app, {site.x + 1.4f, 0.0f, site.z + 0.4f}, 6.0f);

    // The astronaut walks in: the magnet pulls the eyes, the counter flashes as they arrive.
    bool attracted = false;
    for (int i = 0; i < 240 && !attracted; i++) {
        Advance(c, STEP, true);
        for (uint64_t k = 0; k < c.coins.count; k++) attracted = attracted || c.coins.items[k].attracted;
    }
    Advance(c, 2.0f * STEP, true);
    Shot(c, "loot-07-pulled-in", true);
    for (int i = 0; i < 600 && c.coins.count > 0; i++) Advance(c, STEP, true);
    Shot(c, "loot-08-collected-flash", true);
    Advance(c, 0.2f, false);
    Shot(c, "loot-09-flash-fading", true);
    printf("eyes collected: wallet %llu, level income %llu\n", (unsigned long long)c.coins.wallet,
           (unsigned long long)c.coins.levelIncome);

    // A roller's burst of ten.
    Vector3 burst = {site.x - 4.0f, 0.0f, site.z - 3.0f};
    DeathRecord &r = field.mud.deaths[field.mud.deathCount++];
    EyeCoinsReward reward = EyeCoinsRewardFor(1.0f, 0.9f, true, false);
    r = {};
    r.center = {burst.x, TerrainHeight(burst.x, burst.z) + 0.55f, burst.z};
    r.eye0 = r.eye1 = r.center;
    r.size = reward.size;
    r.seed = 17.3f;
    r.value = reward.value;
    r.eyes = reward.eyes;
    r.roller = 1;
    Look(app, burst, 13.0f);
    Advance(c, 0.1f, false);
    Shot(c, "loot-10-roller-burst", false);
    Advance(c, 0.3f, false);
    Shot(c, "loot-11-roller-rising", false);
    Advance(c, 0.45f, false);
    Shot(c, "loot-12-roller-falling", false);
    Advance(c, 2.2f, false);
    Shot(c, "loot-13-roller-landed", false);

    // The counter: a fresh collection, half faded, at rest, and a number too wide for it.
    CounterShot(c, "loot-14-counter-flash", 1.0f, 45);
    CounterShot(c, "loot-15-counter-half", 0.5f, 45);
    CounterShot(c, "loot-16-counter-rest", 0.0f, 45);
    CounterShot(c, "loot-17-counter-shrunk", 1.0f, 184467440737095516ull);

    // A thousand eyes in view, instanced and through the batch: the two must look alike.
    EyeCoinsReset(c.coins);
    MudPoolReset(field.mud, 0);
    Vector3 centre = {20.0f, 0.0f, 10.0f};
    bool laid = DevLootScatter(c.coins, field.mud, centre, DEV_LOOT_PROFILE_EYES);
    PlayerReset(field.player, {centre.x, TerrainHeight(centre.x, centre.z), centre.z});
    PlayerPose(field.player, 0.0f, 0.0f);
    Look(app, centre, CAMERA_ZOOM_DEFAULT);
    Shot(c, "loot-18-thousand", false);
    Image instanced = LoadImageFromTexture(app.gpu.scene.target.texture.texture);
    eyeCoinsDrawThroughBatch = true;
    bool batched = RenderWorld(c, SCENE_W, SCENE_H);
    eyeCoinsDrawThroughBatch = false;
    Image batch = LoadImageFromTexture(app.gpu.scene.target.texture.texture);
    int differ = batched ? DifferentPixels(instanced, batch) : -1;
    UnloadImage(instanced);
    UnloadImage(batch);
    bool alike = laid && differ >= 0 && differ <= SCENE_W * SCENE_H / 1000;
    printf("%s 1000 eyes instanced and through the batch: %d of %d pixels differ (limit 0.1 %%)\n", alike ? "ok  " : "FAIL",
           differ, SCENE_W * SCENE_H);

    CaptureClose(c);
    printf("%d written, %d failed\n", c.written, c.failed);
    return c.failed == 0 && alike ? 0 : 1;
}

// [SECTION] --profile-loot

struct DrawTimes {
    double submitMs, submitCpuMs, finishedMs;   // medians
};

// Draws the eyes `frames` times into the scene target over the same scene image.
static DrawTimes TimeDraws(App &app, const EyeCoins &coins, int w, int h, int frames)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> submit, cpu, finished;
    for (int i = 0; i < frames; i++) {
        SceneEffectsBegin(app.gpu.scene, app.field.camera);
        glFinish();
        auto start = Clock::now();
        std::clock_t cpuStart = std::clock();
        EyeCoinsDraw(coins, app.field.camera, w, h);
        rlDrawRenderBatchActive();
        submit.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpu.push_back((double)(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        glFinish();
        finished.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        SceneEffectsEnd();
    }
    for (std::vector<double> *v : {&submit, &cpu, &finished}) std::sort(v->begin(), v->end());
    return {submit[frames / 2], cpu[frames / 2], finished[frames / 2]};
}

int LootProfile(App &app)
{
    int status = DevProfileLoot();
    EyeCoins coins{};
    EyeCoinsReset(coins);
    Field &field = app.field;
    MudPoolReset(field.mud, 0);
    Vector3 centre = {20.0f, 0.0f, 10.0f};
    bool laid = DevLootScatter(coins, field.mud, centre, DEV_LOOT_PROFILE_EYES);
    PlayerReset(field.player, {centre.x, TerrainHeight(centre.x, centre.z), centre.z});
    PlayerPose(field.player, 0.0f, 0.0f);
    Look(app, centre, CAMERA_ZOOM_DEFAULT);
    int inView = 0;
    for (uint64_t i = 0; i < coins.count; i++) inView += EyeCoinsVisible(coins.items[i], field.camera, 16.0f / 9.0f);

    bool rendered = laid && AppRenderWorld(app, CANVAS_W, CANVAS_H);
    DrawTimes instanced{}, batch{};
    if (rendered) {
        TimeDraws(app, coins, CANVAS_W, CANVAS_H, 5);   // first use builds the tables and buffers
        instanced = TimeDraws(app, coins, CANVAS_W, CANVAS_H, 60);
        eyeCoinsDrawThroughBatch = true;
        batch = TimeDraws(app, coins, CANVAS_W, CANVAS_H, 20);
        eyeCoinsDrawThroughBatch = false;
    }
    char report[640];
    snprintf(report, sizeof(report),
             "draw of %d eyes (%d in view) into %d x %d, medians:\n"
             "  instanced:     submit %.3f ms wall, %.3f ms process cpu; finished %.3f ms\n"
             "  through batch: submit %.3f ms wall, %.3f ms process cpu; finished %.3f ms\n",
             (int)coins.count, inView, CANVAS_W, CANVAS_H, instanced.submitMs, instanced.submitCpuMs,
             instanced.finishedMs, batch.submitMs, batch.submitCpuMs, batch.finishedMs);
    printf("%s", report);
    bool ok = rendered && instanced.submitMs <= 2.0;
    printf("%s draw within 2 ms of cpu\n", ok ? "ok  " : "FAIL");
    FILE *f = fopen("artifacts/profile-loot.txt", "w");
    bool written = f && fputs(report, f) >= 0;
    written = f && fclose(f) == 0 && written;
    if (!written) TraceLog(LOG_ERROR, "DEV: could not write artifacts/profile-loot.txt");
    EyeCoinsFree(coins);
    return ok && written && status == 0 ? 0 : 1;
}
