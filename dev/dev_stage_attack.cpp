// Staged captures of fusion and attacks, set up with the scenes of dev/mud_attack_scenes.h and
// played through the game step: the creatures aim at the real player, whom the script walks.
//
// Index
//   [SECTION] Shared
//   [SECTION] Merge
//   [SECTION] Evolution
//   [SECTION] Walker
//   [SECTION] Dash and kick
//   [SECTION] Golem
//   [SECTION] Golem turns
//   [SECTION] Boss attacks
#include "dev/dev_stage_attack.h"

#include "common/maths.h"
#include "dev/mud_attack_scenes.h"
#include "mud/mud_attack.h"
#include "mud/mud_gait.h"
#include "mud/mud_golem.h"
#include "mud/mud_merge.h"
#include "world/terrain.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

// [SECTION] Shared

// A patch of the arena under thin clouds, away from the shuttle: the scenes are played there.
constexpr Vector3 CLEAR_SITE = {-25.0f, 0.0f, 20.0f};

static bool StepStarts(const DevStage &stage) { return stage.frame == stage.stepFrame + 1; }

// Picture `name` once the slot has spent `share` of the phase it entered in this frame.
static void ShotAtShare(DevStage &stage, const MudSlot &s, float share, const char *name)
{
    float wait = share * s.duration - s.timer;
    DevStageShot(stage, stage.frame + 1 + std::max(0, DevStageFrames(stage, wait)), name);
}

// Scene bodies are placed formed, as if born long ago: no birth crater under them.
static void ClearCraters(MudPool &pool)
{
    for (int i = 0; i < pool.count; i++) pool.slots[i].emergence = 0.0f;
}

// The scene turned about its player so that its subject stands right of the player on screen,
// then moved so that the player stands at `site`: attacks run across the view, clear of the HUD.
static MudScene StageScene(Field &field, MudScene scene, Vector3 site)
{
    MudPool &pool = field.mud;
    Vector3 d = scene.player - pool.slots[scene.subject].position;
    Vector3 left = DevStageScreenDirection(field, SLOT_LEFT);
    Vector3 points[2] = {scene.player, scene.dodge};
    DevStageTurnScene(pool, scene.player, std::atan2(left.x, left.z) - std::atan2(d.x, d.z), points, 2);
    Vector3 offset = site - points[0];
    DevStageShiftScene(pool, offset, points, 2);
    scene.player = points[0];
    scene.dodge = points[1];
    return scene;
}

// Stands the player where the scene wants, facing the scene's subject.
static void PlaceForScene(Field &field, const MudScene &scene, float zoom)
{
    Vector3 to = field.mud.slots[scene.subject].position - scene.player;
    DevStagePlacePlayer(field, scene.player.x, scene.player.z, std::atan2(to.x, to.z), zoom);
}

// The screen direction that takes the player off an attack's line, a little away from the attacker.
static int DodgeSlot(const Field &field, Vector3 attackDir)
{
    int best = SLOT_LEFT;
    float score = -1e9f;
    for (int slot = SLOT_UP; slot <= SLOT_RIGHT; slot++) {
        Vector3 d = DevStageScreenDirection(field, slot);
        float value = std::fabs(d.x * attackDir.z - d.z * attackDir.x) + 0.3f * (d.x * attackDir.x + d.z * attackDir.z);
        if (value > score) {
            score = value;
            best = slot;
        }
    }
    return best;
}

static double TotalMass(const MudPool &pool)
{
    double sum = 0.0;
    for (int i = 0; i < pool.count; i++)
        if (pool.slots[i].mass > 0.0f && pool.slots[i].state != MUD_FREE) sum += pool.slots[i].mass;
    return sum;
}

static double TotalClay(const MudPool &pool)
{
    double sum = 0.0;
    for (int i = 0; i < pool.count; i++)
        if (pool.slots[i].mass > 0.0f && pool.slots[i].state != MUD_FREE) sum += MudClayVolume(pool.slots[i]);
    return sum;
}

static double Relative(double now, double start) { return start > 0.0 ? std::fabs(now - start) / start : 0.0; }

// A fusion of massA + massB beside the player, who stands a few steps below it on screen.
static MudScene StartFusion(Field &field, float massA, float massB, float zoom)
{
    MudScene scene = MudSceneFusion(field.mud, massA, massB);
    ClearCraters(field.mud);
    Vector3 middle = Vector3Lerp(field.mud.slots[scene.subject].position, field.mud.slots[scene.other].position, 0.5f);
    DevStagePlaceBeside(field, middle, zoom);
    return scene;
}

// [SECTION] Merge

enum { V_MASS_DRIFT, V_CLAY_DRIFT, V_DONOR_EYES, V_FUSION_SECONDS, V_MASS_AFTER, V_CLAY_BEFORE, V_CLAY_AFTER };
enum { C_FUSION_FRAMES, C_DONOR_FRAMES, C_ENTERED, C_LEFT };

void DevStageAttackMerge(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 4.0);
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame != 0) break;
        field.loop.immortal = true;
        MudScene scene = StartFusion(field, 2.0f, 1.0f, 6.5f);
        stage.slots[0] = scene.subject;
        stage.slots[1] = scene.other;
        stage.ledger[0] = TotalMass(pool);
        stage.ledger[1] = TotalClay(pool);
        stage.count[C_ENTERED] = stage.count[C_LEFT] = -1;
        break;
    }
    case DEV_STAGE_OBSERVE: {
        const MudSlot &a = pool.slots[stage.slots[0]];
        const MudSlot &b = pool.slots[stage.slots[1]];
        stage.value[V_MASS_DRIFT] = (float)std::fmax((double)stage.value[V_MASS_DRIFT], Relative(TotalMass(pool), stage.ledger[0]));
        stage.value[V_CLAY_DRIFT] = (float)std::fmax((double)stage.value[V_CLAY_DRIFT], Relative(TotalClay(pool), stage.ledger[1]));
        if (a.state == MUD_ABSORBING) {
            if (stage.count[C_ENTERED] < 0) {
                stage.count[C_ENTERED] = stage.frame;
                static const char *const NAMES[5] = {"merge-1-start", "merge-2-quarter", "merge-3-half", "merge-4-three-quarters",
                                                     "merge-5-end"};
                static const float SHARES[5] = {0.04f, 0.25f, 0.5f, 0.75f, 0.97f};
                for (int k = 0; k < 5; k++) ShotAtShare(stage, a, SHARES[k], NAMES[k]);
            }
            stage.count[C_FUSION_FRAMES]++;
            // What the renderer is handed for the donor: no eyes at any moment of the fusion.
            if (b.state == MUD_ABSORBED) {
                const FollowCamera &c = field.camera;
                MudPack(pool, stage.pack, c.position, c.right, c.up, c.viewHeight, stage.viewWidth / stage.viewHeight);
                stage.value[V_DONOR_EYES] = std::fmax(stage.value[V_DONOR_EYES], stage.pack.a.mudStates[stage.slots[1]].y);
                stage.count[C_DONOR_FRAMES]++;
            }
        } else if (stage.count[C_ENTERED] >= 0 && stage.count[C_LEFT] < 0) {
            stage.count[C_LEFT] = stage.frame;
            stage.value[V_FUSION_SECONDS] = (float)(stage.frame - stage.count[C_ENTERED]) / stage.hz;
            stage.value[V_MASS_AFTER] = a.mass;
            stage.value[V_CLAY_AFTER] = MudClayVolume(a);
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.3), "merge-6-fused");
        }
        if (stage.count[C_LEFT] >= 0 && stage.frame >= stage.count[C_LEFT] + DevStageFrames(stage, 0.3)) stage.done = true;
        break;
    }
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        DevStageNote(stage, "mass before %.4f clods, after %.4f; clay before %.6f m^3, fused body %.6f m^3", stage.ledger[0],
                     v[V_MASS_AFTER], stage.ledger[1], v[V_CLAY_AFTER]);
        DevStageNote(stage, "fusion %.3f s (%d frames), donor packed %d frames", v[V_FUSION_SECONDS], stage.count[C_FUSION_FRAMES],
                     stage.count[C_DONOR_FRAMES]);
        DevStagePromise(stage, v[V_MASS_DRIFT] <= 1e-5f && v[V_CLAY_DRIFT] <= 1e-5f,
                        "ledger: total mass within %.1e and clay volume within %.1e in every frame", v[V_MASS_DRIFT],
                        v[V_CLAY_DRIFT]);
        DevStagePromise(stage, std::fabs(v[V_FUSION_SECONDS] - MUD_FUSION_SECONDS) <= 1.0f / stage.hz + 1e-4f &&
                                   v[V_MASS_AFTER] == (float)stage.ledger[0],
                        "fusion: %.3f s, one body of %.0f clods", v[V_FUSION_SECONDS], v[V_MASS_AFTER]);
        DevStagePromise(stage, stage.count[C_DONOR_FRAMES] > 0 && v[V_DONOR_EYES] == 0.0f,
                        "donor: handed to the renderer with no eyes (largest eye presence %.3f)", v[V_DONOR_EYES]);
        break;
    }
    }
}

// [SECTION] Evolution

enum { V_FASTEST_LEGS, V_FASTEST_ARMS, V_LAST_Y, V_LEG_GROWTH, V_ARM_GROWTH, V_LAST_GROWTH, V_LAST_VISIBILITY, V_SETTLE_LEGS, V_SETTLE_ARMS };
enum { C_FALLS, C_FUSED, C_FUSED_AT };

void DevStageAttackEvolution(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    enum { STEP_LEGS, STEP_ARMS, STEP_OVER };
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 12.0);
        break;
    case DEV_STAGE_ARRANGE: {
        bool legs = stage.frame == 0, arms = stage.step == STEP_ARMS && StepStarts(stage);
        if (!legs && !arms) break;
        field.loop.immortal = true;
        MudScene scene = legs ? StartFusion(field, 3.0f, 1.0f, 6.5f) : StartFusion(field, 5.0f, 2.0f, 8.0f);
        stage.slots[0] = scene.subject;
        stage.value[V_LAST_Y] = pool.slots[scene.subject].position.y;
        stage.value[V_LAST_GROWTH] = stage.value[V_LAST_VISIBILITY] = -1.0f;
        stage.count[C_FUSED] = 0;
        break;
    }
    case DEV_STAGE_OBSERVE: {
        if (stage.step == STEP_OVER) break;
        bool arms = stage.step == STEP_ARMS;
        const MudSlot &s = pool.slots[stage.slots[0]];
        float growth = arms ? s.golemGrowth : s.walkerGrowth;
        bool valid = false;
        float visibility = arms ? MudGolemArmPose(s, &valid).visibility : MudGaitLegPose(s, &valid).visibility;
        if (growth < stage.value[V_LAST_GROWTH] - 1e-6f || visibility < stage.value[V_LAST_VISIBILITY] - 1e-6f) stage.count[C_FALLS]++;
        stage.value[V_LAST_GROWTH] = growth;
        stage.value[V_LAST_VISIBILITY] = visibility;
        float speed = std::fabs(s.position.y - stage.value[V_LAST_Y]) * stage.hz;
        stage.value[V_LAST_Y] = s.position.y;
        // While the limbs grow (the fusion), and afterwards as the fused body settles.
        bool growing = s.state == MUD_ABSORBING;
        float &fastest = stage.value[growing ? (arms ? V_FASTEST_ARMS : V_FASTEST_LEGS) : (arms ? V_SETTLE_ARMS : V_SETTLE_LEGS)];
        fastest = std::fmax(fastest, speed);
        if (s.state == MUD_ABSORBING && stage.count[C_FUSED] == 0) {
            stage.count[C_FUSED] = 1;
            ShotAtShare(stage, s, 0.3f, arms ? "evolution-4-arms-budding" : "evolution-1-legs-budding");
            ShotAtShare(stage, s, 0.7f, arms ? "evolution-5-arms-growing" : "evolution-2-legs-growing");
        }
        if (s.state != MUD_ABSORBING && stage.count[C_FUSED] == 1) {
            stage.count[C_FUSED] = 2;
            stage.count[C_FUSED_AT] = stage.frame;
            stage.value[arms ? V_ARM_GROWTH : V_LEG_GROWTH] = growth;
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.4), arms ? "evolution-6-golem" : "evolution-3-walker");
        }
        // Half a second with the new limbs, then the next fusion or the end.
        if (stage.count[C_FUSED] == 2 && stage.frame >= stage.count[C_FUSED_AT] + DevStageFrames(stage, 0.5)) {
            DevStageNext(stage, arms ? STEP_OVER : STEP_ARMS);
            if (arms) stage.done = true;
        }
        break;
    }
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        DevStageNote(stage, "legs: growth %.3f after the fusion; body centre at most %.3f m/s vertically while they grow, %.3f m/s as it settles",
                     v[V_LEG_GROWTH], v[V_FASTEST_LEGS], v[V_SETTLE_LEGS]);
        DevStageNote(stage, "arms: growth %.3f after the fusion; body centre at most %.3f m/s vertically while they grow, %.3f m/s as it settles",
                     v[V_ARM_GROWTH], v[V_FASTEST_ARMS], v[V_SETTLE_ARMS]);
        DevStagePromise(stage, v[V_LEG_GROWTH] == 1.0f && v[V_ARM_GROWTH] == 1.0f && stage.count[C_FALLS] == 0,
                        "growth: legs and arms grow from nothing to whole and never shrink on the way (%d falls)",
                        stage.count[C_FALLS]);
        DevStagePromise(stage, v[V_FASTEST_LEGS] <= 3.0f && v[V_FASTEST_ARMS] <= 3.0f,
                        "height: no jump while the limbs grow, the body centre never faster than 3 m/s vertically");
        break;
    }
    }
}

// [SECTION] Walker

enum { V_SUPPORT_DRIFT, V_SUPPORT_LIFT, V_KICK_REACH };
enum { C_SWING, C_SWING_FRAMES, C_SEGMENTS, C_KICKS, C_KICK_LEGS, C_PATTERN, C_WALKER_STATE };

// Which leg swings while walking: a run of frames in which one foot moves and the other stands
// is one step, recorded as a bit (1 = the right leg).
static void WalkerStride(DevStage &stage, const MudLegPose &legs)
{
    float moved[2] = {LengthXZ(legs.foot[0] - stage.mark[0]), LengthXZ(legs.foot[1] - stage.mark[1])};
    if (!(std::fmax(moved[0], moved[1]) > 1e-4f)) return;
    int swing = moved[1] > moved[0] ? 1 : 0;
    if (swing != stage.count[C_SWING]) {
        if (stage.count[C_SWING_FRAMES] >= 3 || stage.count[C_SWING] < 0) {
            stage.count[C_PATTERN] = stage.count[C_PATTERN] * 2 + swing;
            stage.count[C_SEGMENTS]++;
            if (stage.count[C_SEGMENTS] == 2) DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.15), "walker-1-stride");
            if (stage.count[C_SEGMENTS] == 3) DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.15), "walker-2-other-stride");
        }
        stage.count[C_SWING] = swing;
        stage.count[C_SWING_FRAMES] = 0;
    }
    stage.count[C_SWING_FRAMES]++;
}

void DevStageAttackWalker(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 9.0);
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame != 0) break;
        field.loop.immortal = true;
        MudScene scene = MudSceneKick(pool);
        ClearCraters(pool);
        DevStageShiftScene(pool, CLEAR_SITE - pool.slots[scene.subject].position, nullptr, 0);
        // The player a few metres left of it on screen, so the walker walks up across the view
        // before it kicks.
        Vector3 at = pool.slots[scene.subject].position + DevStageScreenDirection(field, SLOT_LEFT) * 4.5f;
        scene.player = {at.x, 0.0f, at.z};
        PlaceForScene(field, scene, 5.5f);
        stage.slots[0] = scene.subject;
        stage.count[C_SWING] = -1;
        stage.count[C_WALKER_STATE] = pool.slots[scene.subject].state;
        bool valid = false;
        MudLegPose legs = MudGaitLegPose(pool.slots[scene.subject], &valid);
        stage.mark[0] = legs.foot[0];
        stage.mark[1] = legs.foot[1];
        break;
    }
    case DEV_STAGE_OBSERVE: {
        const MudSlot &s = pool.slots[stage.slots[0]];
        int before = stage.count[C_WALKER_STATE];
        stage.count[C_WALKER_STATE] = s.state;
        bool valid = false;
        MudLegPose legs = MudGaitLegPose(s, &valid);
        if (s.state == MUD_WALKING && before == MUD_WALKING && valid) WalkerStride(stage, legs);
        stage.mark[0] = legs.foot[0];
        stage.mark[1] = legs.foot[1];
        if (s.state == MUD_KICK_WINDUP && before != MUD_KICK_WINDUP) {
            stage.count[C_KICK_LEGS] |= (s.kickLeg + 1) << (2 * std::min(stage.count[C_KICKS], 3));
            stage.count[C_KICKS]++;
            stage.mark[2] = s.kickFoot[1 - s.kickLeg];
            if (stage.count[C_KICKS] == 1) ShotAtShare(stage, s, 0.7f, "walker-3-kick-windup");
            if (stage.count[C_KICKS] == 2) ShotAtShare(stage, s, 0.7f, "walker-5-second-windup");
        }
        if (s.state == MUD_KICK_STRIKE && before != MUD_KICK_STRIKE && stage.count[C_KICKS] == 1)
            ShotAtShare(stage, s, 0.6f, "walker-4-kick");
        if ((s.state == MUD_KICK_WINDUP || s.state == MUD_KICK_STRIKE) && valid) {
            Vector3 foot = legs.foot[1 - s.kickLeg];
            stage.value[V_SUPPORT_DRIFT] = std::fmax(stage.value[V_SUPPORT_DRIFT], LengthXZ(foot - stage.mark[2]));
            float lift = foot.y - legs.radius - TerrainHeight(foot.x, foot.z);
            if (s.state == MUD_KICK_STRIKE) stage.value[V_SUPPORT_LIFT] = std::fmax(stage.value[V_SUPPORT_LIFT], lift);
            Vector3 kick = legs.foot[s.kickLeg] - s.attackBase;
            float reach = (kick.x * s.attackDir.x + kick.z * s.attackDir.z) / MudBodyRadius(s);
            stage.value[V_KICK_REACH] = std::fmax(stage.value[V_KICK_REACH], reach);
        }
        if (stage.count[C_KICKS] >= 2 && s.state == MUD_WALKING) stage.done = true;
        break;
    }
    case DEV_STAGE_FINISH: {
        char pattern[24] = {};
        int n = std::min(stage.count[C_SEGMENTS], 20);
        for (int k = 0; k < n; k++) pattern[k] = (stage.count[C_PATTERN] >> (n - 1 - k)) & 1 ? 'R' : 'L';
        bool alternating = n >= 4;
        for (int k = 1; k < n; k++) alternating = alternating && pattern[k] != pattern[k - 1];
        int first = stage.count[C_KICK_LEGS] & 3, second = (stage.count[C_KICK_LEGS] >> 2) & 3;
        bool kicksAlternate = stage.count[C_KICKS] >= 2 && first != 0 && second != 0 && first != second;
        DevStageNote(stage, "swinging legs while walking: %s; kicks %d (legs %d then %d)", pattern, stage.count[C_KICKS], first - 1,
                     second - 1);
        DevStageNote(stage, "support foot: drift %.5f m, at most %.4f m above the ground in the strike; kicking foot reaches %.2f R",
                     stage.value[V_SUPPORT_DRIFT], stage.value[V_SUPPORT_LIFT], stage.value[V_KICK_REACH]);
        DevStagePromise(stage, alternating, "walking: the legs swing in turn");
        DevStagePromise(stage, kicksAlternate, "kicks: two kicks, one with each leg");
        DevStagePromise(stage, stage.value[V_SUPPORT_DRIFT] <= 0.005f && stage.value[V_SUPPORT_LIFT] <= 0.02f,
                        "kick: the support foot stays planted");
        break;
    }
    }
}

// [SECTION] Dash and kick

// Rounds: 0 dash at a standing player, 1 dash at a dodging one, 2 kick standing, 3 kick dodging.
enum { C_ROUND_PHASE, C_LATCH0, C_LATCH1, C_LATCH2, C_LATCH3, C_LOST0 };
enum { V_LOST0, V_LOST1, V_LOST2, V_LOST3, V_MISS0, V_MISS1, V_MISS2, V_MISS3 };

static const char *const ROUND_NAMES[4] = {"dash, standing", "dash, dodging", "kick, standing", "kick, dodging"};

static void AttackRoundArrange(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    int round = stage.step;
    if (StepStarts(stage)) {
        MudScene scene = round < 2 ? MudSceneDash(pool) : MudSceneKick(pool);
        ClearCraters(pool);
        scene = StageScene(field, scene, CLEAR_SITE);
        PlaceForScene(field, scene, round < 2 ? 11.0f : 6.0f);
        // A fresh set of hearts for each round, so what the health records is this round's.
        HealthReset(field.health);
        stage.slots[0] = scene.subject;
        stage.count[C_ROUND_PHASE] = 0;
        return;
    }
}

static void AttackRoundObserve(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    int round = stage.step;
    bool dash = round < 2, dodge = round % 2 == 1;
    const MudSlot &s = pool.slots[stage.slots[0]];
    int windup = dash ? MUD_DASH_WINDUP : MUD_KICK_WINDUP;
    int strike = dash ? MUD_DASH : MUD_KICK_STRIKE;
    int recovery = dash ? MUD_DASH_RECOVERY : MUD_KICK_RECOVERY;
    int &phase = stage.count[C_ROUND_PHASE];
    if (phase == 0 && s.state == windup) {
        phase = 1;
        // The aim is locked now: a dodging player steps off the line at once.
        if (dodge) DevStageWalk(stage, field, DodgeSlot(field, s.attackDir), 1.3f);
        static const char *const WINDUPS[4] = {"attack-1-dash-windup", "", "attack-5-kick-windup", ""};
        if (!dodge) ShotAtShare(stage, s, 0.8f, WINDUPS[round]);
    }
    if (phase == 1 && s.state == strike) {
        phase = 2;
        static const char *const STRIKES[4] = {"attack-2-dash-standing", "attack-3-dash-dodging", "attack-6-kick-standing",
                                               "attack-7-kick-dodging"};
        ShotAtShare(stage, s, dash ? 0.45f : 0.6f, STRIKES[round]);
    }
    if (phase == 2 && s.state == recovery) {
        phase = 3;
        stage.count[C_LATCH0 + round] = dash ? s.dashHitDone : s.kickHitDone;
        Vector3 line = s.attackDir;
        Vector3 off = field.player.position - s.attackBase;
        stage.value[V_MISS0 + round] = std::fabs(line.x * off.z - line.z * off.x);
        if (round == 0) ShotAtShare(stage, s, 0.3f, "attack-4-dash-recovery");
    }
    if (phase == 3 && s.state != recovery) {
        stage.value[V_LOST0 + round] = (float)(field.health.maxQuarters - field.health.quarters);
        DevStageNext(stage, round + 1);
        if (round == 3) stage.done = true;
    }
}

void DevStageAttackDashKick(DevStage &stage, Field &field, DevStageHook hook)
{
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 24.0);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) field.loop.immortal = false;
        if (stage.step < 4) AttackRoundArrange(stage, field);
        break;
    case DEV_STAGE_OBSERVE:
        if (stage.step < 4 && stage.frame > stage.stepFrame) AttackRoundObserve(stage, field);
        break;
    case DEV_STAGE_FINISH:
        for (int round = 0; round < 4; round++) {
            bool dodge = round % 2 == 1;
            int latch = stage.count[C_LATCH0 + round];
            float lost = stage.value[V_LOST0 + round];
            DevStageNote(stage, "%s: latched hit %d, quarters lost %.0f, the player %.2f m off the locked line", ROUND_NAMES[round],
                         latch, lost, stage.value[V_MISS0 + round]);
            if (stage.step <= round) {
                DevStagePromise(stage, false, "%s: the round was played to its end", ROUND_NAMES[round]);
                continue;
            }
            DevStagePromise(stage, dodge ? latch == 0 && lost == 0.0f : latch == 1 && lost >= 1.0f,
                            "%s: the latch says %d and the hearts recorded %.0f lost quarters", ROUND_NAMES[round], latch, lost);
        }
        break;
    }
}

// [SECTION] Golem

enum { GOLEM_STEP_THROW, GOLEM_STEP_PUNCH, GOLEM_STEP_OVER };
enum { V_LANDING_PAST, V_PUDDLE_OFF, V_PUDDLE_SECONDS, V_REASSEMBLY_SECONDS, V_BUN_MASS_BEFORE, V_BUN_MASS_AFTER, V_SIZE_CHANGE };
enum { C_BUN_STATE, C_GOLEM_STATE, C_BUN_ENTERED, C_PUNCHES, C_HANDS, C_GRABBED, C_REFORMED };
enum { M_LOCKED, M_LANDING };

static void GolemThrowObserve(DevStage &stage, Field &field)
{
    MudPool &pool = field.mud;
    const MudSlot &g = pool.slots[stage.slots[0]], &b = pool.slots[stage.slots[1]];
    int bunBefore = stage.count[C_BUN_STATE], golemBefore = stage.count[C_GOLEM_STATE];
    stage.count[C_BUN_STATE] = b.state;
    stage.count[C_GOLEM_STATE] = g.state;
    if (g.state == MUD_GRAB && golemBefore != MUD_GRAB) {
        stage.count[C_GRABBED] = 1;
        ShotAtShare(stage, g, 0.55f, "golem-1-grab");
        // The grab has locked the aim: the player steps aside, or the bun would stop on them.
        DevStageWalk(stage, field, DodgeSlot(field, g.attackDir), 1.2f);
    }
    if (g.state == MUD_THROW_WINDUP && golemBefore != MUD_THROW_WINDUP) ShotAtShare(stage, g, 0.5f, "golem-2-throw");
    if (b.state == bunBefore) return;
    float since = (float)(stage.frame - stage.count[C_BUN_ENTERED]) / stage.hz + b.timer;
    stage.count[C_BUN_ENTERED] = stage.frame;
    if (bunBefore == MUD_HELD && b.state == MUD_THROWN) {
        stage.mark[M_LOCKED] = g.lockedTarget;
        stage.mark[M_LANDING] = b.to;
        stage.value[V_LANDING_PAST] = LengthXZ(b.to - g.lockedTarget);
        ShotAtShare(stage, b, 0.5f, "golem-3-flight");
    }
    if (b.state == MUD_PUDDLE) {
        stage.value[V_PUDDLE_OFF] = LengthXZ(b.position - stage.mark[M_LANDING]);
        ShotAtShare(stage, b, 0.35f, "golem-4-puddle");
    }
    if (bunBefore == MUD_PUDDLE) stage.value[V_PUDDLE_SECONDS] = since - b.timer;
    if (b.state == MUD_REASSEMBLY) ShotAtShare(stage, b, 0.55f, "golem-5-reassembly");
    if (bunBefore == MUD_REASSEMBLY) {
        stage.value[V_REASSEMBLY_SECONDS] = since - b.timer;
        stage.value[V_BUN_MASS_AFTER] = b.mass;
        stage.value[V_SIZE_CHANGE] = std::fabs(b.size - stage.value[V_SIZE_CHANGE]);
        stage.count[C_REFORMED] = 1;
        DevStageNext(stage, GOLEM_STEP_PUNCH);
    }
}

static void GolemPunchObserve(DevStage &stage, Field &field)
{
    const MudSlot &g = field.mud.slots[stage.slots[0]];
    int before = stage.count[C_GOLEM_STATE];
    stage.count[C_GOLEM_STATE] = g.state;
    if (g.state == MUD_PUNCH_STRIKE && before != MUD_PUNCH_STRIKE) {
        stage.count[C_HANDS] |= g.hand << std::min(stage.count[C_PUNCHES], 7);
        stage.count[C_PUNCHES]++;
        static const char *const NAMES[3] = {"golem-6-punch", "golem-7-other-punch", "golem-8-third-punch"};
        if (stage.count[C_PUNCHES] <= 3) ShotAtShare(stage, g, 0.5f, NAMES[stage.count[C_PUNCHES] - 1]);
    }
    if (stage.count[C_PUNCHES] >= 3 && g.state == MUD_PUNCH_RECOVERY && before != MUD_PUNCH_RECOVERY) {
        DevStageNext(stage, GOLEM_STEP_OVER);
        stage.done = true;
    }
}

void DevStageAttackGolem(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 20.0);
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame == 0) {
            field.loop.immortal = true;
            MudScene scene = MudSceneGolemThrow(pool);
            ClearCraters(pool);
            scene = StageScene(field, scene, CLEAR_SITE);
            PlaceForScene(field, scene, 11.0f);
            stage.slots[0] = scene.subject;
            stage.slots[1] = scene.other;
            stage.value[V_BUN_MASS_BEFORE] = pool.slots[scene.other].mass;
            stage.value[V_SIZE_CHANGE] = pool.slots[scene.other].size;
            stage.count[C_BUN_STATE] = pool.slots[scene.other].state;
        }
        if (stage.step == GOLEM_STEP_PUNCH && StepStarts(stage)) {
            MudScene scene = MudSceneGolemPunch(pool);
            ClearCraters(pool);
            scene = StageScene(field, scene, CLEAR_SITE);
            PlaceForScene(field, scene, 6.5f);
            stage.slots[0] = scene.subject;
            stage.count[C_GOLEM_STATE] = pool.slots[scene.subject].state;
        }
        break;
    }
    case DEV_STAGE_OBSERVE:
        if (stage.step == GOLEM_STEP_THROW) GolemThrowObserve(stage, field);
        else if (stage.step == GOLEM_STEP_PUNCH && stage.frame > stage.stepFrame + 1) GolemPunchObserve(stage, field);
        break;
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        float frame = 1.0f / stage.hz + 1e-4f;
        int hands = stage.count[C_HANDS];
        DevStageNote(stage, "throw: lands %.3f m past the locked spot, puddle %.3f m from the landing, puddle %.3f s, reassembly %.3f s",
                     v[V_LANDING_PAST], v[V_PUDDLE_OFF], v[V_PUDDLE_SECONDS], v[V_REASSEMBLY_SECONDS]);
        DevStageNote(stage, "punches %d, hands %d %d %d", stage.count[C_PUNCHES], hands & 1, (hands >> 1) & 1, (hands >> 2) & 1);
        DevStagePromise(stage, stage.count[C_GRABBED] && std::fabs(v[V_LANDING_PAST] - MUD_THROW_OVERRUN) <= 0.06f && v[V_PUDDLE_OFF] < 0.01f,
                        "throw: grabbed, thrown, landing %.0f cm past the locked spot, the puddle where it landed",
                        100.0 * MUD_THROW_OVERRUN);
        DevStagePromise(stage, stage.count[C_REFORMED] && std::fabs(v[V_PUDDLE_SECONDS] - MUD_PUDDLE_SECONDS) <= frame &&
                                   std::fabs(v[V_REASSEMBLY_SECONDS] - MUD_REASSEMBLY_SECONDS) <= frame,
                        "puddle %.2f s, reassembly %.2f s, each within a frame", MUD_PUDDLE_SECONDS, MUD_REASSEMBLY_SECONDS);
        DevStagePromise(stage, v[V_BUN_MASS_AFTER] == v[V_BUN_MASS_BEFORE] && v[V_SIZE_CHANGE] == 0.0f, "reassembly: the same bun again");
        bool alternate = stage.count[C_PUNCHES] >= 3 && ((hands & 1) != ((hands >> 1) & 1)) && ((hands >> 1) & 1) != ((hands >> 2) & 1);
        DevStagePromise(stage, alternate, "punches: the hands take turns");
        break;
    }
    }
}

// [SECTION] Golem turns

enum { V_WORST_LAG, V_PEAK_RIGHT, V_PEAK_LEFT, V_OPPOSITE, V_TURNING, V_LAST_YAW, V_PEAK_RIGHT_AT, V_PEAK_LEFT_AT, V_WORST_AT };

constexpr float TURN_WALK_SECONDS = 3.2f;

void DevStageAttackGolemTurns(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    const int back = DevStageFrames(stage, 1.0 + TURN_WALK_SECONDS + 1.0);
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = back + DevStageFrames(stage, TURN_WALK_SECONDS + 1.5);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) {
            field.loop.immortal = true;
            MudScene scene = MudSceneGolemPunch(pool);
            ClearCraters(pool);
            // Arms only: the golem turns after the player and never strikes.
            pool.attacksEnabled = 0;
            DevStageShiftScene(pool, CLEAR_SITE - pool.slots[scene.subject].position, nullptr, 0);
            // The player left of it on screen and below, to walk up past it and back down.
            Vector3 g = pool.slots[scene.subject].position;
            Vector3 at = g - DevStageScreenDirection(field, SLOT_RIGHT) * 4.5f - DevStageScreenDirection(field, SLOT_UP) * 4.3f;
            scene.player = {at.x, 0.0f, at.z};
            PlaceForScene(field, scene, 11.0f);
            stage.slots[0] = scene.subject;
            stage.value[V_LAST_YAW] = pool.slots[scene.subject].yaw;
            DevStageShot(stage, 0, "golem-turns-1-start");
        }
        // The player walks up past it, waits, and walks back down.
        if (stage.frame == DevStageFrames(stage, 1.0)) {
            DevStageWalk(stage, field, SLOT_UP, TURN_WALK_SECONDS);
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.55 * TURN_WALK_SECONDS), "golem-turns-2-turning");
        }
        if (stage.frame == back) {
            DevStageWalk(stage, field, SLOT_DOWN, TURN_WALK_SECONDS);
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.55 * TURN_WALK_SECONDS), "golem-turns-3-turning-back");
        }
        break;
    case DEV_STAGE_OBSERVE: {
        const MudSlot &s = pool.slots[stage.slots[0]];
        float rate = WrapAngle(s.yaw - stage.value[V_LAST_YAW]) * stage.hz;
        stage.value[V_LAST_YAW] = s.yaw;
        float lag = s.armLag;
        float t = (float)stage.frame / stage.hz;
        if (std::fabs(lag) > stage.value[V_WORST_LAG]) {
            stage.value[V_WORST_LAG] = std::fabs(lag);
            stage.value[V_WORST_AT] = t;
        }
        // The largest lag of each walk, with its sign.
        bool walking = stage.frame >= DevStageFrames(stage, 1.0);
        int peak = stage.frame < back ? V_PEAK_RIGHT : V_PEAK_LEFT;
        if (walking && std::fabs(lag) > std::fabs(stage.value[peak])) {
            stage.value[peak] = lag;
            stage.value[peak == V_PEAK_RIGHT ? V_PEAK_RIGHT_AT : V_PEAK_LEFT_AT] = t;
        }
        if (std::fabs(rate) > 0.25f) {
            stage.value[V_TURNING] += 1.0f;
            if (rate * lag < 0.0f) stage.value[V_OPPOSITE] += 1.0f;
        }
        break;
    }
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        float share = v[V_TURNING] > 0.0f ? v[V_OPPOSITE] / v[V_TURNING] : 0.0f;
        DevStageNote(stage, "%.0f Hz: largest lag %.4f rad at %.2f s; peak %.4f rad at %.2f s walking past, %.4f rad at %.2f s walking back",
                     stage.hz, v[V_WORST_LAG], v[V_WORST_AT], v[V_PEAK_RIGHT], v[V_PEAK_RIGHT_AT], v[V_PEAK_LEFT], v[V_PEAK_LEFT_AT]);
        DevStageNote(stage, "%.0f Hz: %.0f turning frames, %.1f %% with the arms behind the turn", stage.hz, v[V_TURNING], 100.0 * share);
        DevStagePromise(stage, v[V_WORST_LAG] <= MUD_ARM_LAG_LIMIT + 1e-6f, "%.0f Hz: the lag stays within %.1f rad", stage.hz,
                        MUD_ARM_LAG_LIMIT);
        DevStagePromise(stage, v[V_TURNING] > 0.0f && share >= 0.95f && v[V_PEAK_RIGHT] * v[V_PEAK_LEFT] < 0.0f &&
                                   std::fabs(v[V_PEAK_RIGHT]) > 0.02f && std::fabs(v[V_PEAK_LEFT]) > 0.02f,
                        "%.0f Hz: the arms trail opposite the turn, both ways", stage.hz);
        break;
    }
    }
}

void DevStageAttackGolemTurnsCompare(DevStage &stage, const DevStage *const *variants, int count)
{
    float worst = 0.0f;
    for (int k = 0; k < count; k++) {
        const DevStage &v = *variants[k];
        // The variant's own lines, then how far it is from this run.
        DevStageNote(stage, "%.*s", v.reportLength > 0 ? v.reportLength - 1 : 0, v.report);
        stage.promises += v.promises;
        stage.broken += v.broken;
        for (int i : {V_PEAK_RIGHT, V_PEAK_LEFT, V_WORST_LAG})
            worst = std::fmax(worst, std::fabs(v.value[i] - stage.value[i]));
    }
    DevStagePromise(stage, count > 0 && worst <= 0.01f, "rates: the peaks agree within %.4f rad across %d rates", worst, count + 1);
}

// [SECTION] Boss attacks

enum { V_APEX, V_DASH_PLANNED, V_DASH_RUN, V_LEAP_SECONDS };
enum { C_STATE, C_LEAPS, C_DASHES, C_LEAP_FIRST, C_LEAP_ENTERED };

void DevStageAttackBoss(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 14.0);
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame != 0) break;
        field.loop.immortal = true;
        MudScene scene = MudSceneBossAttacks(pool);
        if (scene.subject < 0) {
            DevStagePromise(stage, false, "boss 0 placed");
            stage.done = true;
            break;
        }
        ClearCraters(pool);
        // Away from the shuttle, whose cylinder would stand on the line of the leap and the dash.
        Vector3 points[1] = {scene.player};
        DevStageShiftScene(pool, {24.0f, 0.0f, 22.0f}, points, 1);
        scene.player = points[0];
        PlaceForScene(field, scene, 26.0f);
        stage.slots[0] = scene.subject;
        stage.count[C_STATE] = pool.slots[scene.subject].state;
        DevStageShot(stage, 0, "boss-1-start");
        break;
    }
    case DEV_STAGE_OBSERVE: {
        if (stage.slots[0] < 0) break;
        const MudSlot &s = pool.slots[stage.slots[0]];
        int before = stage.count[C_STATE];
        stage.count[C_STATE] = s.state;
        if (s.state == MUD_BOSS_LEAP) stage.value[V_APEX] = std::fmax(stage.value[V_APEX], s.position.y - MudRestHeight(s, s.scale.y));
        if (s.state == before) break;
        if (s.state == MUD_BOSS_LEAP) {
            if (stage.count[C_DASHES] == 0) stage.count[C_LEAP_FIRST] = 1;
            stage.count[C_LEAPS]++;
            stage.count[C_LEAP_ENTERED] = stage.frame;
            if (stage.count[C_LEAPS] == 1) {
                ShotAtShare(stage, s, 0.2f, "boss-2-leap-rising");
                ShotAtShare(stage, s, 0.5f, "boss-3-leap-apex");
                ShotAtShare(stage, s, 0.97f, "boss-4-leap-landing");
            }
        }
        if (before == MUD_BOSS_LEAP && stage.value[V_LEAP_SECONDS] == 0.0f)
            stage.value[V_LEAP_SECONDS] = (float)(stage.frame - stage.count[C_LEAP_ENTERED]) / stage.hz - s.timer;
        if (s.state == MUD_DASH_WINDUP && stage.count[C_DASHES] == 0) ShotAtShare(stage, s, 0.7f, "boss-5-dash-windup");
        if (s.state == MUD_DASH) {
            stage.count[C_DASHES]++;
            if (stage.count[C_DASHES] == 1) {
                stage.value[V_DASH_PLANNED] = LengthXZ(s.dashTo - s.dashFrom);
                stage.mark[0] = s.dashFrom;
                ShotAtShare(stage, s, 0.5f, "boss-6-dash");
            }
        }
        if (before == MUD_DASH && stage.count[C_DASHES] == 1) {
            stage.value[V_DASH_RUN] = LengthXZ(s.position - stage.mark[0]);
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.8), "boss-7-after-dash");
            stage.slots[1] = stage.frame + DevStageFrames(stage, 0.8);
        }
        if (stage.slots[1] > 0 && stage.frame >= stage.slots[1]) stage.done = true;
        break;
    }
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        DevStageNote(stage, "leap: apex %.3f m above the rest height, %.3f s in the air; dash: planned %.2f m, ran %.2f m", v[V_APEX],
                     v[V_LEAP_SECONDS], v[V_DASH_PLANNED], v[V_DASH_RUN]);
        DevStagePromise(stage, stage.count[C_LEAP_FIRST] == 1 && std::fabs(v[V_APEX] - MUD_LEAP_APEX) <= 0.02f,
                        "leap first, to a %.1f m apex", MUD_LEAP_APEX);
        DevStagePromise(stage, v[V_DASH_PLANNED] >= MUD_BOSS_DASH_LENGTH && v[V_DASH_RUN] >= MUD_BOSS_DASH_LENGTH - 0.05f,
                        "then a dash of at least %.0f m", MUD_BOSS_DASH_LENGTH);
        break;
    }
    }
}
