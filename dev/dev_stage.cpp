// Staged developer runs: the dispatch over the stage kinds, the headless driver and the helpers
// the stage sequences share.
//
// Index
//   [SECTION] Kinds
//   [SECTION] Driving a stage
//   [SECTION] Helpers
#include "dev/dev_stage.h"

#include "common/maths.h"
#include "dev/dev_loop.h"
#include "dev/dev_stage_ability.h"
#include "dev/dev_stage_attack.h"
#include "dev/dev_stage_front.h"
#include "dev/dev_stage_hud.h"
#include "dev/dev_stage_mud.h"
#include "player/bindings.h"
#include "world/terrain.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>

// [SECTION] Kinds

static const char *const STAGE_NAMES[DEV_STAGE_KIND_COUNT] = {
    "",
    "capture-mud",
    "capture-crowd",
    "capture-pursuit",
    "capture-merge",
    "capture-evolution",
    "capture-walker",
    "capture-attack",
    "capture-golem",
    "capture-golem-turns",
    "capture-boss-attacks",
    "capture-health",
    "capture-campaign",
    "capture-markers",
    "capture-meteor",
    "capture-spike",
    "capture-support",
    "capture-shop",
    "capture-audio-ui",
};

DevStageKind DevStageKindFor(const char *name)
{
    if (!name || name[0] != '-' || name[1] != '-') return DEV_STAGE_NONE;
    for (int k = 1; k < DEV_STAGE_KIND_COUNT; k++)
        if (strcmp(name + 2, STAGE_NAMES[k]) == 0) return (DevStageKind)k;
    return DEV_STAGE_NONE;
}

const char *DevStageName(DevStageKind kind) { return kind < DEV_STAGE_KIND_COUNT ? STAGE_NAMES[kind] : ""; }

// One hook of the stage's own sequence.
static void Dispatch(DevStage &stage, Field &field, DevStageHook hook)
{
    switch (stage.kind) {
    case DEV_STAGE_MUD: DevStageMudCapture(stage, field, hook); break;
    case DEV_STAGE_CROWD: DevStageMudCrowd(stage, field, hook); break;
    case DEV_STAGE_PURSUIT: DevStageMudPursuit(stage, field, hook); break;
    case DEV_STAGE_MERGE: DevStageAttackMerge(stage, field, hook); break;
    case DEV_STAGE_EVOLUTION: DevStageAttackEvolution(stage, field, hook); break;
    case DEV_STAGE_WALKER: DevStageAttackWalker(stage, field, hook); break;
    case DEV_STAGE_ATTACK: DevStageAttackDashKick(stage, field, hook); break;
    case DEV_STAGE_GOLEM: DevStageAttackGolem(stage, field, hook); break;
    case DEV_STAGE_GOLEM_TURNS: DevStageAttackGolemTurns(stage, field, hook); break;
    case DEV_STAGE_BOSS_ATTACKS: DevStageAttackBoss(stage, field, hook); break;
    case DEV_STAGE_HEALTH: DevStageHudHealth(stage, field, hook); break;
    case DEV_STAGE_CAMPAIGN: DevStageHudCampaign(stage, field, hook); break;
    case DEV_STAGE_MARKERS: DevStageHudMarkers(stage, field, hook); break;
    case DEV_STAGE_METEOR: DevStageAbilityMeteor(stage, field, hook); break;
    case DEV_STAGE_SPIKE: DevStageAbilitySpike(stage, field, hook); break;
    case DEV_STAGE_SUPPORT: DevStageAbilitySupport(stage, field, hook); break;
    case DEV_STAGE_SHOP: DevStageFrontShop(stage, field, hook); break;
    case DEV_STAGE_AUDIO_UI: DevStageFrontAudio(stage, field, hook); break;
    default: break;
    }
}

// [SECTION] Driving a stage

void DevStageBegin(DevStage &stage, DevStageKind kind, float hz, Field &field)
{
    memset(&stage, 0, sizeof(stage));
    stage.kind = kind < DEV_STAGE_KIND_COUNT ? kind : DEV_STAGE_NONE;
    stage.hz = IsFinite(hz) && hz >= 1.0f ? hz : 60.0f;
    stage.viewWidth = 1280.0f;
    stage.viewHeight = 720.0f;
    stage.frameLimit = 1;
    stage.stepFrame = -1;
    for (int &slot : stage.slots) slot = -1;
    Dispatch(stage, field, DEV_STAGE_BEGIN);
}

void DevStageArrange(DevStage &stage, Field &field, int frame)
{
    stage.frame = frame;
    stage.nextInput = frame;
    Dispatch(stage, field, DEV_STAGE_ARRANGE);
}

void DevStageObserve(DevStage &stage, Field &field, int frame)
{
    stage.frame = frame;
    stage.nextInput = frame + 1;
    Dispatch(stage, field, DEV_STAGE_OBSERVE);
}

void DevStageFinish(DevStage &stage, Field &field)
{
    Dispatch(stage, field, DEV_STAGE_FINISH);
    if (stage.overflow) DevStagePromise(stage, false, "the stage found room for every event, picture and line");
}

DevScript DevStageScript(const DevStage &stage) { return {stage.events, stage.eventCount}; }

// A stage played through the menus: every loop iteration, menu frames and game frames alike.
static void RunThroughMenus(DevStage &stage)
{
    // The loop's records are large: kept off the stack.
    DevLoop *loop = new DevLoop();
    DevLoopOptions options{FIELD_DEVELOPER_SEED, false, true, true, false};
    bool started = DevLoopStart(*loop, options);
    stage.profile = &loop->profile;
    stage.menu = &loop->menu;
    for (int frame = 0; started && frame < stage.frameLimit; frame++) {
        DevStageArrange(stage, loop->field, frame);
        FrameInput input;
        DevScriptInput(DevStageScript(stage), frame, 1.0f / stage.hz, {0.0f, 0.0f}, input);
        DevLoopIterate(*loop, input);
        DevStageObserve(stage, loop->field, frame);
        if (stage.done || loop->quit) break;
    }
    DevStageFinish(stage, loop->field);
    if (!started) DevStagePromise(stage, false, "the headless loop started");
    if (!loop->consistent) DevStagePromise(stage, false, "the consistency check held (first failed at game frame %d)", loop->firstInconsistent);
    stage.profile = nullptr;
    stage.menu = nullptr;
    DevLoopRelease(*loop);
    delete loop;
}

void DevStageRunHeadless(DevStage &stage, Field &field, DevStageKind kind, float hz)
{
    Soil *bound = SoilGround();
    SoilBindGround(&field.soil);
    DevStageBegin(stage, kind, hz, field);
    if (stage.menus) {
        RunThroughMenus(stage);
        SoilBindGround(bound);
        return;
    }
    DevHeadless run;
    field.loop = {};
    DevHeadlessReset(run, field, FIELD_DEVELOPER_SEED);
    field.loop.runActive = true;
    for (int frame = 0; frame < stage.frameLimit; frame++) {
        DevStageArrange(stage, field, frame);
        DevHeadlessFrame(run, field, DevStageScript(stage), 1.0f / stage.hz);
        DevStageObserve(stage, field, frame);
        if (stage.done) break;
    }
    DevStageFinish(stage, field);
    if (!run.consistent) DevStagePromise(stage, false, "the consistency check held (first failed at frame %d)", run.firstInconsistent);
    SoilBindGround(bound);
}

// [SECTION] Helpers

int DevStageFrames(const DevStage &stage, double seconds) { return (int)std::lround(seconds * (double)stage.hz); }

float DevStageStepSeconds(const DevStage &stage) { return (float)(stage.frame - stage.stepFrame) / stage.hz; }

void DevStageNext(DevStage &stage, int step)
{
    stage.step = step;
    stage.stepFrame = stage.frame;
}

void DevStageShot(DevStage &stage, int frame, const char *name)
{
    if (stage.shotCount >= DEV_STAGE_SHOT_CAPACITY) {
        stage.overflow = true;
        return;
    }
    stage.shots[stage.shotCount++] = {frame > stage.nextInput ? frame : stage.nextInput, name};
}

static void Append(DevStage &stage, const char *prefix, const char *format, va_list args)
{
    int room = DEV_STAGE_REPORT_CAPACITY - stage.reportLength;
    int n = snprintf(stage.report + stage.reportLength, (size_t)room, "%s", prefix);
    if (n >= 0 && n < room) {
        stage.reportLength += n;
        room -= n;
        n = vsnprintf(stage.report + stage.reportLength, (size_t)room, format, args);
    }
    // A line that does not fit is dropped whole, and the run says so.
    if (n < 0 || n + 1 >= room) {
        stage.overflow = true;
        stage.report[stage.reportLength] = 0;
        return;
    }
    stage.reportLength += n;
    stage.report[stage.reportLength++] = '\n';
    stage.report[stage.reportLength] = 0;
}

void DevStageNote(DevStage &stage, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Append(stage, "", format, args);
    va_end(args);
}

void DevStagePromise(DevStage &stage, bool kept, const char *format, ...)
{
    stage.promises++;
    if (!kept) stage.broken++;
    va_list args;
    va_start(args, format);
    Append(stage, kept ? "ok   " : "FAIL ", format, args);
    va_end(args);
}

void DevStageWalk(DevStage &stage, const Field &field, int slot, float seconds)
{
    int key = BindingsKeyCode(field.bindings.slotKey[ClampInt(slot, SLOT_UP, SLOT_RIGHT)]);
    DevStagePress(stage, stage.nextInput, key, DevStageFrames(stage, seconds));
}

bool DevStageEvent(DevStage &stage, DevEvent event)
{
    if (stage.eventCount >= DEV_STAGE_EVENT_CAPACITY) {
        stage.overflow = true;
        return false;
    }
    if (event.frame < stage.nextInput) event.frame = stage.nextInput;
    stage.events[stage.eventCount++] = event;
    return true;
}

bool DevStagePress(DevStage &stage, int frame, int key, int frames)
{
    return DevStageEvent(stage, {frame, DEV_EVENT_PRESS, key, frames > 0 ? frames : 1, 0.0f, {}});
}

void DevStagePlacePlayer(Field &field, float x, float z, float yaw, float zoom)
{
    Player &p = field.player;
    bool fast = p.speedTimesTen;
    float multiplier = p.speedMultiplier;
    PlayerReset(p, {x, TerrainHeight(x, z), z});
    p.yaw = yaw;
    p.speedTimesTen = fast;
    p.speedMultiplier = multiplier;
    PlayerPose(p, 0.0f, field.totalTime);
    field.camera.viewHeight = ClampSafe(zoom, CAMERA_ZOOM_MIN, CAMERA_ZOOM_MAX);
    CameraFollow(field.camera, p.position, p.velocity, 0.0f, true);
    TrackAtlasFollow(field.tracks, p.position);
}

void DevStagePlaceBeside(Field &field, Vector3 subject, float zoom)
{
    // Half the cluster's width: the subject sits a quarter of the view right of the centre.
    float aside = 0.45f * zoom;
    Vector3 at = subject - DevStageScreenDirection(field, SLOT_RIGHT) * aside + DevStageScreenDirection(field, SLOT_DOWN) * (0.06f * zoom);
    DevStagePlacePlayer(field, at.x, at.z, std::atan2(subject.x - at.x, subject.z - at.z), zoom);
}

Vector3 DevStageScreenDirection(const Field &field, int slot)
{
    static const float AXES[4][2] = {{0.0f, 1.0f}, {-1.0f, 0.0f}, {0.0f, -1.0f}, {1.0f, 0.0f}};
    const float *a = AXES[ClampInt(slot, SLOT_UP, SLOT_RIGHT)];
    return CameraMoveDirection(field.camera, a[0], a[1]);
}

void DevStageShiftScene(MudPool &pool, Vector3 offset, Vector3 *points, int pointCount)
{
    Vector3 d = {offset.x, 0.0f, offset.z};
    for (int i = 0; i < pool.count && i < MUD_CAPACITY; i++) {
        MudSlot &s = pool.slots[i];
        for (Vector3 *p : {&s.position, &s.from, &s.to, &s.spawnPoint, &s.previousPosition, &s.endPosition})
            *p = *p + d;
        if (s.touchdown.x != 0.0f || s.touchdown.z != 0.0f) s.touchdown = s.touchdown + d;
        s.position.y += TerrainHeight(s.position.x, s.position.z) - TerrainHeight(s.position.x - d.x, s.position.z - d.z);
    }
    for (int k = 0; k < pointCount; k++) points[k] = points[k] + d;
}

void DevStageTurnScene(MudPool &pool, Vector3 pivot, float angle, Vector3 *points, int pointCount)
{
    float c = std::cos(angle), sn = std::sin(angle);
    // Headings measure from +z towards +x: a turn by `angle` adds it to every heading.
    auto turn = [&](Vector3 p) {
        float x = p.x - pivot.x, z = p.z - pivot.z;
        return Vector3{pivot.x + x * c + z * sn, p.y, pivot.z - x * sn + z * c};
    };
    for (int i = 0; i < pool.count && i < MUD_CAPACITY; i++) {
        MudSlot &s = pool.slots[i];
        Vector3 before = s.position;
        for (Vector3 *p : {&s.position, &s.from, &s.to, &s.spawnPoint, &s.previousPosition, &s.endPosition}) *p = turn(*p);
        if (s.touchdown.x != 0.0f || s.touchdown.z != 0.0f) s.touchdown = turn(s.touchdown);
        s.yaw += angle;
        s.position.y += TerrainHeight(s.position.x, s.position.z) - TerrainHeight(before.x, before.z);
    }
    for (int k = 0; k < pointCount; k++) points[k] = turn(points[k]);
}

void DevStageMoveSlot(MudPool &pool, int slot, Vector3 offset)
{
    if (slot < 0 || slot >= pool.count || slot >= MUD_CAPACITY) return;
    MudSlot &s = pool.slots[slot];
    Vector3 d = {offset.x, 0.0f, offset.z};
    Vector3 before = s.position;
    for (Vector3 *p : {&s.position, &s.from, &s.to, &s.spawnPoint, &s.previousPosition, &s.endPosition}) *p = *p + d;
    if (s.touchdown.x != 0.0f || s.touchdown.z != 0.0f) s.touchdown = s.touchdown + d;
    s.position.y += TerrainHeight(s.position.x, s.position.z) - TerrainHeight(before.x, before.z);
}

int DevStageLiving(const MudPool &pool)
{
    int n = 0;
    for (int i = 0; i < pool.count && i < MUD_CAPACITY; i++) {
        const MudSlot &s = pool.slots[i];
        n += s.mass > 0.0f && s.state != MUD_FREE && s.state != MUD_CORPSE;
    }
    return n;
}
