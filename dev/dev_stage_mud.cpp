// Staged captures of the mudling pool. Each sequence arranges the pool with the scene set-ups of
// dev/mud_attack_scenes.h or the pool's own spawn, strikes bodies with the real hit operations,
// walks the player with key presses, and reads back what the game step did.
//
// Index
//   [SECTION] Shared
//   [SECTION] Birth and wounds
//   [SECTION] Crowd
//   [SECTION] Pursuit
#include "dev/dev_stage_mud.h"

#include "common/maths.h"
#include "dev/mud_attack_scenes.h"
#include "mud/mud_gait.h"
#include "mud/mud_wounds.h"
#include "world/terrain.h"

#include <algorithm>
#include <cmath>

// [SECTION] Shared

// The first arrangement of a step moved on to in the previous frame's observation.
static bool StepStarts(const DevStage &stage) { return stage.frame == stage.stepFrame + 1; }

// A formed body placed by the scene set-ups was never born: it leaves no birth crater.
static int PlaceBody(MudPool &pool, Vector3 at, float mass)
{
    int i = MudSceneAddBody(pool, at.x, at.z, mass, MUD_UNIT_SIZE);
    if (i >= 0) pool.slots[i].emergence = 0.0f;
    return i;
}

// A mask that lets a strike reach slot `i` alone.
static uint64_t OnlySlot(int i) { return ~MudHitMaskBit(i); }

static float Ground(Vector3 p) { return TerrainHeight(p.x, p.z); }

// Schedules picture `name` when the slot has spent `share` of its current phase, seen from the
// frame in which the phase began.
static void ShotAtShare(DevStage &stage, const MudSlot &s, float share, const char *name)
{
    float wait = share * s.duration - s.timer;
    DevStageShot(stage, stage.frame + 1 + std::max(0, DevStageFrames(stage, wait)), name);
}

// Largest relative change of the clay ledger (living clay, chunks in flight, the soil) from `start`.
static double LedgerDrift(const Field &field, double start)
{
    double now = MudWoundsClay(field.mud) + SoilTotal(field.soil);
    return start > 0.0 ? std::fabs(now - start) / start : 0.0;
}

// [SECTION] Birth and wounds

enum { MUD_STEP_BIRTH, MUD_STEP_STRIKES, MUD_STEP_WALK, MUD_STEP_CRATER, MUD_STEP_OVER };
enum { ROLE_BORN, ROLE_CAVITY, ROLE_CUT, ROLE_SPLIT };
enum { C_PREVIOUS_STATE, C_LANDINGS, C_CHUNKS, C_CHUNK_SEEN, C_FREED_FRAME, C_CAVITY_KEPT, C_CUT_KEPT };
enum {
    V_MOUND, V_SPRAY, V_JUMP, V_CRATER, V_HOP, V_SPLASH_AGE, V_DRIFT, V_SEPARATION, V_COMPRESSION, V_FREED_AFTER,
    V_CHUNK_FIRST, V_CHUNK_LAST, V_PEAK_BEFORE, V_PEAK_AFTER, V_SOIL_BEFORE, V_SOIL_AFTER, V_CRATER_FREE,
    V_CRATER_PACKED, V_CAVITY_REMOVED, V_CUT_REMOVED, V_DEPOSIT
};
enum { M_SPAWN, M_SPLIT_AT, M_WALK_FROM, M_WALK_TO };
static_assert(V_DEPOSIT < DEV_STAGE_VALUES, "the capture's measurements fit the stage record");

// Deposit height along the walked line, at most: the patch the boots cross.
static float PeakAlong(const Field &field, Vector3 from, Vector3 to)
{
    float peak = 0.0f;
    for (int k = 0; k <= 64; k++) {
        Vector3 p = Vector3Lerp(from, to, (float)k / 64.0f);
        peak = std::fmax(peak, SoilHeight(field.soil, p.x, p.z));
    }
    return peak;
}

static void MudBirthArrange(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    field.loop.immortal = true;
    MudPoolReset(pool, 0);
    // A bun in reach of the player would dash, and bodies that touch would fuse: this capture is
    // about the hop cycle and the wounds.
    pool.attacksEnabled = 0;
    pool.mergeEnabled = 0;
    DevStagePlacePlayer(field, 10.0f, 12.0f, PLAYER_START_YAW, 9.0f);
    int born = MudPoolSpawn(pool, field.player.position, true, 1.0f, MUD_UNIT_SIZE, false);
    stage.slots[ROLE_BORN] = born;
    if (born < 0) {
        DevStagePromise(stage, false, "a bun is born next to the player");
        stage.done = true;
        return;
    }
    Vector3 spawn = pool.slots[born].spawnPoint;
    stage.mark[M_SPAWN] = spawn;
    // Close up, the birth right of the HUD around the player, who stands where the bun will hop to.
    DevStagePlaceBeside(field, spawn, 6.0f);
    stage.count[C_PREVIOUS_STATE] = -1;
    stage.value[V_CRATER] = 0.0f;
}

static void MudBirthObserve(DevStage &stage, Field &field)
{
    const MudPool &pool = field.mud;
    int born = stage.slots[ROLE_BORN];
    const MudSlot &s = pool.slots[born];
    int before = stage.count[C_PREVIOUS_STATE];
    stage.count[C_PREVIOUS_STATE] = s.state;
    Vector3 spawn = stage.mark[M_SPAWN];
    float ground = Ground(s.position);
    stage.value[V_CRATER] = std::fmin(stage.value[V_CRATER], MudGroundHeight(pool, spawn.x, spawn.z) - Ground(spawn));
    if (s.state == MUD_BURIED) stage.value[V_MOUND] = std::fmax(stage.value[V_MOUND], s.mound);
    if (s.state == MUD_EMERGING) {
        stage.value[V_SPRAY] = std::fmax(stage.value[V_SPRAY], s.spray);
        stage.value[V_JUMP] = std::fmax(stage.value[V_JUMP], s.position.y - ground);
    }
    if (s.state == before) return;
    if (before < 0 && s.state == MUD_BURIED) ShotAtShare(stage, s, 0.8f, "mud-01-mound");
    if (s.state == MUD_EMERGING) {
        ShotAtShare(stage, s, 0.22f, "mud-02-emergence");
        ShotAtShare(stage, s, 0.8f, "mud-03-crater");
    }
    if (s.state == MUD_RESTING && before == MUD_EMERGING) ShotAtShare(stage, s, 0.3f, "mud-04-wobble");
    if (s.state == MUD_HOP_FLIGHT && stage.value[V_HOP] == 0.0f) {
        stage.value[V_HOP] = Vector3Distance(s.from, s.to);
        ShotAtShare(stage, s, 0.5f, "mud-05-hop");
    }
    if (s.state == MUD_RESTING && before == MUD_HOP_FLIGHT) {
        stage.count[C_LANDINGS]++;
        // The splash drops fly for a while after the touchdown.
        int wait = DevStageFrames(stage, 0.12);
        DevStageShot(stage, stage.frame + wait, "mud-06-splash");
        stage.value[V_SPLASH_AGE] = s.sinceTouchdown + (float)wait / stage.hz;
        DevStageNext(stage, MUD_STEP_STRIKES);
        stage.stepFrame += DevStageFrames(stage, 0.4);
    }
}

// Three more bodies beside the player, struck one frame after they appear: a sphere past the
// side of one (a cavity), a blade along the side of the next (a living cut), a blade through the
// middle of the last (a split corpse).
static void MudStrikesArrange(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    Vector3 right = DevStageScreenDirection(field, SLOT_RIGHT), up = DevStageScreenDirection(field, SLOT_UP);
    if (StepStarts(stage)) {
        // Away from the first bun, framed beside the player.
        Vector3 group = stage.mark[M_SPAWN] + right * 5.0f;
        DevStagePlaceBeside(field, group, 9.0f);
        stage.slots[ROLE_CAVITY] = PlaceBody(pool, group - right * 0.9f + up * 1.7f, 3.0f);
        stage.slots[ROLE_CUT] = PlaceBody(pool, group - right * 0.9f - up * 1.7f, 3.0f);
        stage.slots[ROLE_SPLIT] = PlaceBody(pool, group + right * 2.1f, 3.0f);
        return;
    }
    if (stage.frame != stage.stepFrame + 2) return;
    for (int role = ROLE_CAVITY; role <= ROLE_SPLIT; role++) {
        if (stage.slots[role] < 0) {
            DevStagePromise(stage, false, "three bodies placed for the strikes");
            stage.done = true;
            return;
        }
    }
    stage.ledger[0] = MudWoundsClay(pool) + SoilTotal(field.soil);
    stage.count[C_FREED_FRAME] = -1;

    const MudSlot &a = pool.slots[stage.slots[ROLE_CAVITY]];
    float clayA = MudClayVolume(a);
    Vector3 side = a.position + right * (0.75f * MudBodyRadius(a));
    uint64_t mask = OnlySlot(stage.slots[ROLE_CAVITY]);
    MudHitSphere(pool, field.soil, side + Vector3{0.0f, 2.5f, 0.0f}, side - Vector3{0.0f, 1.5f, 0.0f}, 0.42f, &mask);
    stage.value[V_CAVITY_REMOVED] = clayA > 0.0f ? a.wounds.removedVolume / clayA : 0.0f;

    const MudSlot &b = pool.slots[stage.slots[ROLE_CUT]];
    float clayB = MudClayVolume(b);
    Vector3 edge = b.position + right * (0.6f * MudBodyRadius(b));
    edge.y = Ground(edge);
    mask = OnlySlot(stage.slots[ROLE_CUT]);
    MudHitBlade(pool, field.soil, edge - up * 2.5f, edge + up * 2.5f, 0.1f, up, &mask);
    stage.value[V_CUT_REMOVED] = clayB > 0.0f ? b.wounds.removedVolume / clayB : 0.0f;

    const MudSlot &c = pool.slots[stage.slots[ROLE_SPLIT]];
    Vector3 middle = {c.position.x, Ground(c.position), c.position.z};
    stage.mark[M_SPLIT_AT] = middle;
    mask = OnlySlot(stage.slots[ROLE_SPLIT]);
    MudHitBlade(pool, field.soil, middle - up * 2.5f, middle + up * 2.5f, 0.1f, up, &mask);
    stage.value[V_COMPRESSION] = 1.0f;

    DevStageShot(stage, stage.frame + 4, "mud-07-strikes");
    DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.45), "mud-08-split");
    DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.25 + MUD_CORPSE_SECONDS * 0.75), "mud-09-flattened");
}

static void MudStrikesObserve(DevStage &stage, Field &field)
{
    const MudPool &pool = field.mud;
    if (stage.frame < stage.stepFrame + 2) return;
    float since = (float)(stage.frame - stage.stepFrame - 2) / stage.hz;
    stage.value[V_DRIFT] = (float)std::fmax((double)stage.value[V_DRIFT], LedgerDrift(field, stage.ledger[0]));
    // Chunks: how many flew and when the last came down.
    for (int role = ROLE_CAVITY; role <= ROLE_SPLIT; role++) {
        const MudSlot &s = pool.slots[stage.slots[role]];
        for (int k = 0; k < 2; k++) {
            int bit = 1 << (2 * role + k);
            if (s.debris[k].active) stage.count[C_CHUNK_SEEN] |= bit;
            else if (stage.count[C_CHUNK_SEEN] & bit) {
                stage.count[C_CHUNK_SEEN] &= ~bit;
                stage.count[C_CHUNKS]++;
                if (stage.value[V_CHUNK_FIRST] == 0.0f) stage.value[V_CHUNK_FIRST] = since;
                stage.value[V_CHUNK_LAST] = since;
            }
        }
    }
    const MudSlot &c = pool.slots[stage.slots[ROLE_SPLIT]];
    if (c.state == MUD_CORPSE) {
        stage.value[V_SEPARATION] = std::fmax(stage.value[V_SEPARATION], c.separation);
        stage.value[V_COMPRESSION] = std::fmin(stage.value[V_COMPRESSION], c.compression);
    }
    if (c.state == MUD_FREE && stage.count[C_FREED_FRAME] < 0) {
        stage.count[C_FREED_FRAME] = stage.frame;
        stage.value[V_FREED_AFTER] = since;
    }
    bool flying = stage.count[C_CHUNK_SEEN] != 0;
    if ((stage.count[C_FREED_FRAME] >= 0 && !flying) || since > 5.0f) {
        // The wounded bodies as the strikes left them, living with their cavity and their cut.
        const MudSlot &a = pool.slots[stage.slots[ROLE_CAVITY]], &b = pool.slots[stage.slots[ROLE_CUT]];
        stage.count[C_CAVITY_KEPT] = a.wounds.woundCount == 1 && a.state != MUD_CORPSE && a.state != MUD_FREE;
        stage.count[C_CUT_KEPT] = b.wounds.planarCut == 1 && b.state != MUD_CORPSE && b.state != MUD_FREE;
        DevStageNext(stage, MUD_STEP_WALK);
    }
}

// The living bodies die where they stand and their corpses settle, so the ground is left to the
// boots; then the player steps beside the deposit the split corpse left and walks across it.
constexpr double WALK_SETTLE = 2.0;   // seconds: corpses flattened, chunks down
constexpr double WALK_WAIT = 0.3;
constexpr float WALK_LENGTH = 6.4f;   // metres

static int WalkStart(const DevStage &stage) { return stage.stepFrame + 1 + DevStageFrames(stage, WALK_SETTLE); }

static void MudWalkArrange(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    Vector3 right = DevStageScreenDirection(field, SLOT_RIGHT);
    Vector3 deposit = stage.mark[M_SPLIT_AT];
    if (StepStarts(stage)) {
        for (int role : {ROLE_BORN, ROLE_CAVITY, ROLE_CUT}) {
            const MudSlot &s = pool.slots[stage.slots[role]];
            uint64_t mask = OnlySlot(stage.slots[role]);
            MudHitSphere(pool, field.soil, s.position + Vector3{0.0f, 3.0f, 0.0f}, s.position - Vector3{0.0f, 1.0f, 0.0f}, 0.5f, &mask);
        }
        return;
    }
    if (stage.frame == WalkStart(stage)) {
        Vector3 from = deposit - right * (0.5f * WALK_LENGTH), to = deposit + right * (0.5f * WALK_LENGTH);
        stage.mark[M_WALK_FROM] = from;
        stage.mark[M_WALK_TO] = to;
        DevStagePlacePlayer(field, from.x, from.z, std::atan2(right.x, right.z), 8.0f);
        stage.value[V_DEPOSIT] = SoilHeight(field.soil, deposit.x, deposit.z);
        stage.value[V_PEAK_BEFORE] = PeakAlong(field, from, to);
        stage.value[V_SOIL_BEFORE] = (float)SoilMassClods(field.soil);
        DevStageShot(stage, stage.frame, "mud-10-deposit");
    }
    if (stage.frame == WalkStart(stage) + DevStageFrames(stage, WALK_WAIT)) {
        DevStageWalk(stage, field, SLOT_RIGHT, WALK_LENGTH / PLAYER_BASE_SPEED);
        DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.5 * WALK_LENGTH / PLAYER_BASE_SPEED), "mud-11-walk");
    }
}

static void MudWalkObserve(DevStage &stage, Field &field)
{
    int end = WalkStart(stage) + DevStageFrames(stage, WALK_WAIT + WALK_LENGTH / PLAYER_BASE_SPEED + 0.5);
    if (stage.frame < end) return;
    stage.value[V_PEAK_AFTER] = PeakAlong(field, stage.mark[M_WALK_FROM], stage.mark[M_WALK_TO]);
    stage.value[V_SOIL_AFTER] = (float)SoilMassClods(field.soil);
    // Back where the walk began, so the pressed patch is pictured as the raised one was.
    Vector3 from = stage.mark[M_WALK_FROM], to = stage.mark[M_WALK_TO];
    DevStagePlacePlayer(field, from.x, from.z, std::atan2(to.x - from.x, to.z - from.z), 8.0f);
    DevStageShot(stage, stage.frame + 1, "mud-12-pressed");
    DevStageNext(stage, MUD_STEP_CRATER);
}

// Once the first bun's slot is free (it died before the walk), the crater of its birth is still
// in the ground.
static void MudCraterArrange(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    int born = stage.slots[ROLE_BORN];
    const MudSlot &s = pool.slots[born];
    if (s.state == MUD_FREE && !s.debris[0].active && !s.debris[1].active) {
        Vector3 spawn = stage.mark[M_SPAWN];
        DevStagePlaceBeside(field, spawn, 6.0f);
        stage.value[V_CRATER_FREE] = MudGroundHeight(pool, spawn.x, spawn.z) - Ground(spawn);
        const FollowCamera &c = field.camera;
        MudPack(pool, stage.pack, c.position, c.right, c.up, c.viewHeight, stage.viewWidth / stage.viewHeight);
        stage.value[V_CRATER_PACKED] = stage.pack.a.mudPatches[born].w;
        DevStageShot(stage, stage.frame, "mud-13-crater");
        stage.done = true;
    }
    if (DevStageStepSeconds(stage) > 6.0f) stage.done = true;
}

static void MudCaptureFinish(DevStage &stage, const Field &field)
{
    const MudPool &pool = field.mud;
    const float *v = stage.value;
    DevStageNote(stage, "birth: mound %.3f m, strand %.3f m, jump %.3f m above the ground, crater %.3f m", v[V_MOUND],
                 v[V_SPRAY], v[V_JUMP], v[V_CRATER]);
    DevStagePromise(stage, v[V_MOUND] > 0.1f && v[V_SPRAY] > 0.05f && v[V_JUMP] > 0.5f && v[V_CRATER] < -0.05f,
                    "birth: a warning mound, a jump with its strand, a crater left in the ground");
    DevStagePromise(stage, stage.count[C_LANDINGS] >= 1 && v[V_HOP] > 0.2f,
                    "hop: one hop of %.2f m landed, splash pictured %.2f s after the touchdown", v[V_HOP], v[V_SPLASH_AGE]);
    if (stage.slots[ROLE_SPLIT] < 0) return;
    DevStagePromise(stage, stage.count[C_CAVITY_KEPT] == 1,
                    "cavity: the sphere dug one cavity (%.1f %% of the clay) and the body lives",
                    100.0 * v[V_CAVITY_REMOVED]);
    DevStagePromise(stage, stage.count[C_CUT_KEPT] == 1,
                    "cut: the blade sliced %.1f %% off the side and the body lives", 100.0 * v[V_CUT_REMOVED]);
    DevStagePromise(stage, v[V_SEPARATION] > 0.05f && v[V_COMPRESSION] <= MUD_CORPSE_FLAT + 1e-4f && v[V_FREED_AFTER] > 0.0f,
                    "split: the halves drifted %.3f m apart, flattened to %.3f, slot freed %.2f s after the strike",
                    v[V_SEPARATION], v[V_COMPRESSION], v[V_FREED_AFTER]);
    DevStagePromise(stage, stage.count[C_CHUNKS] >= 2, "chunks: %d landed, from %.2f s to %.2f s after the strikes",
                    stage.count[C_CHUNKS], v[V_CHUNK_FIRST], v[V_CHUNK_LAST]);
    DevStagePromise(stage, v[V_DRIFT] <= 1e-4f, "ledger: living clay + chunks + soil within %.2e of the start", v[V_DRIFT]);
    if (stage.step < MUD_STEP_CRATER) return;
    DevStageNote(stage, "deposit: %.3f m at the split line, %.3f m at most across the walked path", v[V_DEPOSIT], v[V_PEAK_BEFORE]);
    DevStagePromise(stage, v[V_PEAK_BEFORE] > 0.02f && v[V_PEAK_AFTER] < v[V_PEAK_BEFORE] - 0.005f,
                    "deposit: the corpse left a raised patch; the walk pressed its top from %.3f m to %.3f m",
                    v[V_PEAK_BEFORE], v[V_PEAK_AFTER]);
    float loss = v[V_SOIL_BEFORE] > 0.0f ? std::fabs(v[V_SOIL_AFTER] - v[V_SOIL_BEFORE]) / v[V_SOIL_BEFORE] : 1.0f;
    DevStagePromise(stage, loss <= 1e-3f, "soil: %.4f clods before the walk, %.4f after", v[V_SOIL_BEFORE], v[V_SOIL_AFTER]);
    const MudSlot &born = pool.slots[stage.slots[ROLE_BORN]];
    DevStagePromise(stage, born.state == MUD_FREE && v[V_CRATER_FREE] < -0.05f && v[V_CRATER_PACKED] > 0.5f,
                    "crater: %.3f m deep after its slot was freed, emergence %.2f still handed to the renderer",
                    v[V_CRATER_FREE], v[V_CRATER_PACKED]);
}

void DevStageMudCapture(DevStage &stage, Field &field, DevStageHook hook)
{
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 30.0);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) MudBirthArrange(stage, field);
        else if (stage.step == MUD_STEP_STRIKES) MudStrikesArrange(stage, field);
        else if (stage.step == MUD_STEP_WALK) MudWalkArrange(stage, field);
        else if (stage.step == MUD_STEP_CRATER) MudCraterArrange(stage, field);
        break;
    case DEV_STAGE_OBSERVE:
        if (stage.slots[ROLE_BORN] < 0) break;
        if (stage.step == MUD_STEP_BIRTH) MudBirthObserve(stage, field);
        else if (stage.step == MUD_STEP_STRIKES && stage.frame > stage.stepFrame) MudStrikesObserve(stage, field);
        else if (stage.step == MUD_STEP_WALK) MudWalkObserve(stage, field);
        break;
    case DEV_STAGE_FINISH:
        MudCaptureFinish(stage, field);
        break;
    }
}

// [SECTION] Crowd

enum { V_WORST, V_WORST_AT, V_CLOSEST, V_LAST_WORST };

// Largest overlap of two formed bodies: how far they are inside the distance at which they touch.
static float CrowdOverlap(const MudPool &pool, int *pairA, int *pairB)
{
    float worst = 0.0f;
    for (int i = 0; i < pool.count; i++) {
        const MudSlot &a = pool.slots[i];
        if (!(a.mass > 0.0f) || a.state == MUD_FREE || a.state == MUD_CORPSE) continue;
        for (int j = i + 1; j < pool.count; j++) {
            const MudSlot &b = pool.slots[j];
            if (!(b.mass > 0.0f) || b.state == MUD_FREE || b.state == MUD_CORPSE) continue;
            float gap = MudGaitPairReach(pool, i, j) - LengthXZ(a.position - b.position);
            if (gap > worst) {
                worst = gap;
                *pairA = i;
                *pairB = j;
            }
        }
    }
    return worst;
}

void DevStageMudCrowd(DevStage &stage, Field &field, DevStageHook hook)
{
    constexpr int BODIES = 30;
    constexpr double SETTLE = 4.0, SECONDS = 12.0;
    MudPool &pool = field.mud;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, SECONDS);
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame != 0) break;
        field.loop.immortal = true;
        MudPoolReset(pool, 0);
        // Bodies that stay buns and never dash: the crowd's own contacts are what is measured.
        pool.mergeEnabled = 0;
        pool.attacksEnabled = 0;
        Vector3 centre = {8.0f, 0.0f, 10.0f};
        DevStagePlacePlayer(field, centre.x, centre.z, PLAYER_START_YAW, 16.0f);
        for (int k = 0; k < BODIES; k++) {
            float ring = k < 12 ? 4.5f : (k < 22 ? 7.0f : 9.5f);
            int n = k < 12 ? 12 : (k < 22 ? 10 : 8);
            float angle = 6.2831853f * ((float)(k < 12 ? k : (k < 22 ? k - 12 : k - 22)) + 0.5f * (float)(k >= 12)) / (float)n;
            float mass = 1.0f + (float)(k % 3);
            PlaceBody(pool, {centre.x + ring * std::cos(angle), 0.0f, centre.z + ring * std::sin(angle)}, mass);
        }
        stage.value[V_CLOSEST] = 1e9f;
        DevStageShot(stage, 0, "crowd-1-start");
        DevStageShot(stage, DevStageFrames(stage, 2.0), "crowd-2-closing");
        DevStageShot(stage, DevStageFrames(stage, SETTLE + 2.0), "crowd-3-crowded");
        DevStageShot(stage, stage.frameLimit - 1, "crowd-4-settled");
        break;
    }
    case DEV_STAGE_OBSERVE: {
        if ((double)stage.frame < SETTLE * stage.hz) break;
        int a = -1, b = -1;
        float worst = CrowdOverlap(pool, &a, &b);
        if (worst > stage.value[V_WORST]) {
            stage.value[V_WORST] = worst;
            stage.value[V_WORST_AT] = (float)stage.frame / stage.hz;
        }
        stage.value[V_LAST_WORST] = worst;
        for (int i = 0; i < pool.count; i++)
            if (pool.slots[i].mass > 0.0f)
                stage.value[V_CLOSEST] = std::fmin(stage.value[V_CLOSEST], LengthXZ(pool.slots[i].position - field.player.position) -
                                                                               MudBodyRadius(pool.slots[i]));
        break;
    }
    case DEV_STAGE_FINISH: {
        int living = DevStageLiving(pool);
        DevStageNote(stage, "bodies %d, largest overlap after %.0f s: %.4f m (at %.2f s), in the last frame %.4f m", living,
                     SETTLE, stage.value[V_WORST], stage.value[V_WORST_AT], stage.value[V_LAST_WORST]);
        DevStageNote(stage, "closest body surface to the player: %.3f m", stage.value[V_CLOSEST]);
        DevStagePromise(stage, living == BODIES, "crowd: all %d bodies still there, none fused", BODIES);
        DevStagePromise(stage, stage.value[V_WORST] <= 0.05f, "crowd: the largest overlap is at most 0.05 m (%.4f m)",
                        stage.value[V_WORST]);
        break;
    }
    }
}

// [SECTION] Pursuit

enum { V_NEAREST_HULL, V_SIDE, V_FINAL, V_FINAL_GAP, V_ARRIVED, V_HOPS };

void DevStageMudPursuit(DevStage &stage, Field &field, DevStageHook hook)
{
    constexpr double SECONDS = 16.0;
    MudPool &pool = field.mud;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, SECONDS);
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame != 0) break;
        field.loop.immortal = true;
        MudPoolReset(pool, 0);
        pool.attacksEnabled = 0;
        // The shuttle stands between them across the screen: the player right of it, the bun left.
        Vector3 ship = field.ship.position;
        Vector3 left = DevStageScreenDirection(field, SLOT_LEFT);
        Vector3 at = ship - left * 4.5f, bun = ship + left * 6.5f;
        DevStagePlacePlayer(field, at.x, at.z, std::atan2(left.x, left.z), 14.0f);
        stage.slots[0] = PlaceBody(pool, bun, 1.0f);
        stage.mark[0] = ship;
        stage.mark[1] = bun;
        stage.value[V_NEAREST_HULL] = 1e9f;
        stage.value[V_ARRIVED] = -1.0f;
        DevStageShot(stage, 0, "pursuit-1-start");
        break;
    }
    case DEV_STAGE_OBSERVE: {
        int i = stage.slots[0];
        if (i < 0) break;
        const MudSlot &s = pool.slots[i];
        Vector3 ship = stage.mark[0];
        float clearance = LengthXZ(s.position - ship) - SHIP_CREATURE_RADIUS - MudGaitContactRadius(s);
        stage.value[V_NEAREST_HULL] = std::fmin(stage.value[V_NEAREST_HULL], clearance);
        // Which side of the straight line from its start to the player the bun passes on.
        Vector3 line = field.player.position - stage.mark[1], off = s.position - stage.mark[1];
        float side = line.x * off.z - line.z * off.x;
        if (std::fabs(side) > std::fabs(stage.value[V_SIDE])) stage.value[V_SIDE] = side;
        float distance = LengthXZ(s.position - field.player.position);
        stage.value[V_FINAL] = distance;
        stage.value[V_FINAL_GAP] = distance - MudBodyRadius(s);
        stage.value[V_HOPS] = (float)s.steps;
        if (stage.value[V_ARRIVED] < 0.0f && s.state == MUD_RESTING && distance < 2.0f) {
            stage.value[V_ARRIVED] = (float)stage.frame / stage.hz;
            DevStageShot(stage, stage.frame + 1, "pursuit-3-arrived");
        }
        // Level with the shuttle on the way: the picture of it going round.
        Vector3 toPlayer = field.player.position - ship;
        float along = (s.position.x - ship.x) * toPlayer.x + (s.position.z - ship.z) * toPlayer.z;
        if (along >= 0.0f && stage.count[0] == 0) {
            stage.count[0] = 1;
            DevStageShot(stage, stage.frame + 1, "pursuit-2-passing");
        }
        break;
    }
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        DevStageNote(stage, "hops %.0f, arrived %.2f s, passed on the %s side, least clearance to the shuttle %.3f m",
                     v[V_HOPS], v[V_ARRIVED], v[V_SIDE] > 0.0f ? "left" : "right", v[V_NEAREST_HULL]);
        DevStageNote(stage, "final distance to the player %.3f m centre to centre, %.3f m from its surface", v[V_FINAL],
                     v[V_FINAL_GAP]);
        DevStagePromise(stage, v[V_NEAREST_HULL] >= -1e-3f, "pursuit: the bun never entered the shuttle's cylinder");
        DevStagePromise(stage, std::fabs(v[V_SIDE]) > 1.0f, "pursuit: it went round one side");
        DevStagePromise(stage, v[V_ARRIVED] > 0.0f && v[V_FINAL_GAP] <= 1.1f,
                        "pursuit: it stopped with its surface within 1.1 m of the player (%.3f m)", v[V_FINAL_GAP]);
        break;
    }
    }
}
