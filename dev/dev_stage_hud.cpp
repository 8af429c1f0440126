// Staged captures of the HUD's fight and campaign elements: real blows from a kicking walker,
// a campaign run on its own clock, bosses placed where their markers must part.
//
// Index
//   [SECTION] Shared
//   [SECTION] Health
//   [SECTION] Campaign
//   [SECTION] Markers
#include "dev/dev_stage_hud.h"

#include "campaign/bosses.h"
#include "campaign/rows.h"
#include "common/maths.h"
#include "dev/mud_attack_scenes.h"
#include "mud/mud_wounds.h"
#include "player/hud_layout.h"

#include <cmath>
#include <initializer_list>
#include <cstring>

// [SECTION] Shared

static bool StepStarts(const DevStage &stage) { return stage.frame == stage.stepFrame + 1; }

static float Seconds(const DevStage &stage) { return (float)(stage.frame + 1) / stage.hz; }

// Room for every slot's bar and marker, kept once rather than on the stack.
static BossHud hudScratch;

// [SECTION] Health

enum { HEALTH_STEP_BLOWS, HEALTH_STEP_REGEN, HEALTH_STEP_OVER };
enum { C_QUARTERS, C_BLOWS, C_REGENS, C_LIT_FRAME, C_UNLIT_FRAME, C_CLOSE_BLOWS };
enum { V_LIT, V_UNLIT, V_FIRST_BLOW, V_LAST_BLOW, V_FIRST_REGEN, V_LAST_REGEN, V_REGEN_GAP_WORST, V_BLOW_GAP_LEAST };

constexpr int HEALTH_LOST_TARGET = 6;     // quarters: one heart broken, the next one half gone
constexpr int HEALTH_REGEN_TARGET = 3;    // quarters regenerated before the run ends

void DevStageHudHealth(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    Health &h = field.health;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 60.0);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) {
            field.loop.immortal = false;
            field.shop.level[SHOP_REGEN] = ShopMaxLevel(SHOP_REGEN);
            MudScene scene = MudSceneKick(pool);
            for (int i = 0; i < pool.count; i++) pool.slots[i].emergence = 0.0f;
            // The walker right of the player on screen, where the hearts leave it in view; far
            // enough out that the opening hints at the top leave the hearts alone.
            Vector3 left = DevStageScreenDirection(field, SLOT_LEFT), d = scene.player - pool.slots[scene.subject].position;
            Vector3 points[1] = {scene.player};
            DevStageTurnScene(pool, scene.player, std::atan2(left.x, left.z) - std::atan2(d.x, d.z), points, 1);
            scene.player = points[0];
            Vector3 to = pool.slots[scene.subject].position - scene.player;
            DevStagePlacePlayer(field, scene.player.x, scene.player.z, std::atan2(to.x, to.z), 12.0f);
            stage.slots[0] = scene.subject;
            stage.count[C_QUARTERS] = h.quarters;
            stage.count[C_LIT_FRAME] = stage.count[C_UNLIT_FRAME] = -1;
            stage.value[V_BLOW_GAP_LEAST] = 1e9f;
        }
        // Enough blows: the walker dies where it stands and the hearts come back on their own.
        if (stage.step == HEALTH_STEP_REGEN && StepStarts(stage)) {
            const MudSlot &s = pool.slots[stage.slots[0]];
            uint64_t mask = ~MudHitMaskBit(stage.slots[0]);
            MudHitSphere(pool, field.soil, s.position + Vector3{0.0f, 3.0f, 0.0f}, s.position - Vector3{0.0f, 1.0f, 0.0f}, 0.6f,
                         &mask);
        }
        break;
    case DEV_STAGE_OBSERVE: {
        float t = Seconds(stage);
        if (stage.frame == stage.count[C_LIT_FRAME]) stage.value[V_LIT] = HealthBlink(h);
        if (stage.frame == stage.count[C_UNLIT_FRAME]) stage.value[V_UNLIT] = HealthBlink(h);
        int before = stage.count[C_QUARTERS];
        stage.count[C_QUARTERS] = h.quarters;
        if (h.quarters < before) {
            int lost = h.maxQuarters - h.quarters;
            if (stage.count[C_BLOWS] > 0) stage.value[V_BLOW_GAP_LEAST] = std::fmin(stage.value[V_BLOW_GAP_LEAST], t - stage.value[V_LAST_BLOW]);
            if (before - h.quarters != 1) stage.count[C_CLOSE_BLOWS]++;
            stage.count[C_BLOWS]++;
            stage.value[V_LAST_BLOW] = t;
            DevStageNote(stage, "blow %d at %.3f s: %d of %d quarters", stage.count[C_BLOWS], t, h.quarters, h.maxQuarters);
            if (stage.count[C_BLOWS] == 1) {
                stage.value[V_FIRST_BLOW] = t;
                // The blink starts lit at the blow and changes 14 times a second.
                stage.count[C_LIT_FRAME] = stage.frame + 1;
                stage.count[C_UNLIT_FRAME] = stage.frame + 1 + DevStageFrames(stage, 1.5 / 14.0);
                DevStageShot(stage, stage.count[C_LIT_FRAME], "health-1-blow-lit");
                DevStageShot(stage, stage.count[C_UNLIT_FRAME], "health-2-blink-unlit");
            }
            if (lost == 2) DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.5), "health-3-cracking");
            if (lost == 4) DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.7), "health-4-heart-broken");
            if (lost >= HEALTH_LOST_TARGET && stage.step == HEALTH_STEP_BLOWS) {
                DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.7), "health-5-cracked");
                DevStageNext(stage, HEALTH_STEP_REGEN);
            }
        } else if (h.quarters > before) {
            stage.count[C_REGENS]++;
            DevStageNote(stage, "regenerated at %.3f s: %d of %d quarters", t, h.quarters, h.maxQuarters);
            if (stage.step == HEALTH_STEP_REGEN && stage.count[C_REGENS] > 1 && stage.value[V_LAST_REGEN] > stage.value[V_LAST_BLOW]) {
                float expected = ShopRegenSecondsPerHeart(&field.shop) * 0.25f;
                float gap = t - stage.value[V_LAST_REGEN];
                stage.value[V_REGEN_GAP_WORST] = std::fmax(stage.value[V_REGEN_GAP_WORST], std::fabs(gap - expected));
            }
            if (stage.value[V_FIRST_REGEN] == 0.0f) stage.value[V_FIRST_REGEN] = t;
            stage.value[V_LAST_REGEN] = t;
            // A heart that comes back grows in over a quarter of a second.
            int shown = stage.frame + DevStageFrames(stage, 0.35);
            if (stage.step == HEALTH_STEP_REGEN && stage.count[C_REGENS] == 1) DevStageShot(stage, shown, "health-6-regenerated");
            if (stage.step == HEALTH_STEP_REGEN && stage.count[C_REGENS] == HEALTH_REGEN_TARGET)
                DevStageShot(stage, shown, "health-7-heart-back");
            if (stage.step == HEALTH_STEP_REGEN && stage.count[C_REGENS] >= HEALTH_REGEN_TARGET) {
                DevStageNext(stage, HEALTH_STEP_OVER);
                stage.done = true;
            }
        }
        break;
    }
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        float quarter = ShopRegenSecondsPerHeart(&field.shop) * 0.25f;
        DevStageNote(stage, "blink %.0f at the blow, %.0f %.0f frames later; blows at least %.3f s apart", v[V_LIT], v[V_UNLIT],
                     (float)(stage.count[C_UNLIT_FRAME] - stage.count[C_LIT_FRAME]), v[V_BLOW_GAP_LEAST]);
        DevStagePromise(stage, stage.count[C_BLOWS] >= HEALTH_LOST_TARGET && stage.count[C_CLOSE_BLOWS] == 0,
                        "blows: %d, each a quarter heart", stage.count[C_BLOWS]);
        DevStagePromise(stage, v[V_BLOW_GAP_LEAST] >= HEALTH_BLOW_INVULNERABLE - 1e-4f,
                        "invulnerable: no two blows closer than %.2f s", HEALTH_BLOW_INVULNERABLE);
        DevStagePromise(stage, v[V_LIT] == 1.0f && v[V_UNLIT] == 0.0f, "blink: lit at the blow, dark a slice later");
        DevStagePromise(stage, stage.count[C_REGENS] >= HEALTH_REGEN_TARGET && v[V_REGEN_GAP_WORST] <= 1.0f / stage.hz + 1e-4f,
                        "regeneration: a quarter every %.2f s, off by %.4f s at most", quarter, v[V_REGEN_GAP_WORST]);
        break;
    }
    }
}

// [SECTION] Campaign

enum { CAMPAIGN_STEP_LEVEL, CAMPAIGN_STEP_ROWS, CAMPAIGN_STEP_OVER };
enum { C_ROW, C_GATE_FRAME, C_BOSSES, C_ARROWS, C_GAP, C_SIDE, C_PLANNED, C_ROLLERS, C_ROWS_SPAWNED, C_WARNED, C_PHASE, C_STEP_CHANGES };
enum { V_BANNER, V_STEP_CLOCK, V_GATE_CLOCK, V_BUNS_BEFORE, V_BUNS_AFTER, V_BOSS_ALIVE_AFTER, V_START_REMAINING };
static_assert(C_STEP_CHANGES < DEV_STAGE_COUNTERS, "the campaign's counters fit the stage record");

static int RowCode(const Campaign &c) { return c.targetBuns * 10000 + c.targetWalkers * 100 + c.targetGolems; }

static void ClockNote(DevStage &stage, const Campaign &c, const char *when)
{
    char text[16];
    HudClockText(CampaignHudClock(c), text);
    DevStageNote(stage, "%s: level %d, clock %.3f s, HUD \"%s\", row %d/%d/%d", when, c.level, c.clock, text, c.targetBuns,
                 c.targetWalkers, c.targetGolems);
}

static void CampaignLevelObserve(DevStage &stage, Field &field)
{
    const Campaign &c = field.campaign;
    const MudPool &pool = field.mud;
    int frame = stage.frame;
    if (frame == 0) {
        char text[16];
        HudClockText(CampaignHudClock(c), text);
        stage.value[V_START_REMAINING] = strcmp(text, "01:30") == 0 ? 1.0f : 0.0f;
        ClockNote(stage, c, "first frame");
        stage.count[C_ROW] = RowCode(c);
    }
    if (frame == DevStageFrames(stage, 0.8) - 1) stage.value[V_BANNER] = CampaignBannerAlpha(c);
    if (RowCode(c) != stage.count[C_ROW]) {
        stage.count[C_ROW] = RowCode(c);
        stage.count[C_STEP_CHANGES]++;
        if (c.phase == CAMPAIGN_ORDINARY && stage.value[V_STEP_CLOCK] == 0.0f) {
            stage.value[V_STEP_CLOCK] = (float)c.clock;
            stage.value[V_BUNS_BEFORE] = (float)MudPoolCountForms(pool).counts[0];
            ClockNote(stage, c, "population step");
            DevStageShot(stage, frame + DevStageFrames(stage, 6.0), "campaign-3-population");
        }
    }
    if (stage.value[V_STEP_CLOCK] > 0.0f && std::fabs((float)c.clock - stage.value[V_STEP_CLOCK] - 6.0f) < 0.5f / stage.hz) {
        MudFormCounts forms = MudPoolCountForms(pool);
        stage.value[V_BUNS_AFTER] = (float)forms.counts[0];
        DevStageNote(stage, "6 s after the step: %d buns, %d walkers, %d golems", forms.counts[0], forms.counts[1], forms.counts[2]);
    }
    if (c.phase == CAMPAIGN_GATE && stage.count[C_PHASE] == CAMPAIGN_ORDINARY) {
        stage.count[C_GATE_FRAME] = frame;
        stage.value[V_GATE_CLOCK] = (float)c.clock;
        ClockNote(stage, c, "gate");
        DevStageShot(stage, frame + 1, "campaign-5-gate");
        DevStageShot(stage, frame + DevStageFrames(stage, 3.0), "campaign-6-gate-boss");
    }
    stage.count[C_PHASE] = c.phase;
    if (stage.count[C_GATE_FRAME] > 0 && frame == stage.count[C_GATE_FRAME] + DevStageFrames(stage, 3.0)) {
        int alive = 0;
        for (int i = 0; i < c.bossCount; i++) alive += CampaignBossAlive(c, pool, i);
        stage.count[C_BOSSES] = c.bossCount;
        stage.value[V_BOSS_ALIVE_AFTER] = (float)alive;
        DevStageNote(stage, "gate: %d boss(es) of form %d, %d alive, slot %d", c.bossCount, c.bossForm[0], alive, c.bossSlot[0]);
        DevStageNext(stage, CAMPAIGN_STEP_ROWS);
    }
}

static void CampaignRowsObserve(DevStage &stage, Field &field)
{
    const Campaign &c = field.campaign;
    if (stage.frame <= stage.stepFrame + 1) return;
    if (c.rowWarning && !stage.count[C_WARNED]) {
        stage.count[C_WARNED] = 1;
        RowsArrow arrows[ROWS_LANES];
        stage.count[C_ARROWS] = RowsWarningArrows(c, field.camera, stage.viewWidth, stage.viewHeight, arrows);
        stage.count[C_GAP] = c.gapLane;
        stage.count[C_SIDE] = c.rowSide;
        stage.count[C_PLANNED] = c.rollerCount;
        DevStageNote(stage, "row warning %.3f s into level %d: side %d, gap at lanes %d and %d, %d rollers planned, %d arrows",
                     c.clock, c.level, c.rowSide, c.gapLane, c.gapLane + 1, c.rollerCount, stage.count[C_ARROWS]);
        DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.6), "campaign-7-row-warning");
    }
    if (c.rowsSpawned > 0 && stage.count[C_ROWS_SPAWNED] == 0) {
        stage.count[C_ROWS_SPAWNED] = c.rowsSpawned;
        stage.count[C_ROLLERS] = CampaignLivingRollers(field.mud);
        DevStageNote(stage, "row launched at %.3f s: %d rollers rolling", c.clock, stage.count[C_ROLLERS]);
        DevStageShot(stage, stage.frame + DevStageFrames(stage, 1.6), "campaign-8-row");
        stage.slots[0] = stage.frame + DevStageFrames(stage, 1.6);
    }
    if (stage.slots[0] > 0 && stage.frame >= stage.slots[0]) stage.done = true;
}

void DevStageHudCampaign(DevStage &stage, Field &field, DevStageHook hook)
{
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, (double)CAMPAIGN_LEVEL_SECONDS + 16.0);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) {
            // A campaign run: the reset a new run performs with the campaign switched on.
            field.loop.campaign = true;
            field.loop.immortal = true;
            FieldReset(field, FIELD_DEVELOPER_SEED);
            // A few steps from the shuttle, which would stand behind the hearts.
            DevStagePlacePlayer(field, 9.0f, 6.0f, PLAYER_START_YAW, CAMERA_ZOOM_DEFAULT);
            DevStageShot(stage, DevStageFrames(stage, 0.8) - 1, "campaign-1-banner");
            DevStageShot(stage, DevStageFrames(stage, 45.0) - 1, "campaign-2-clock-0045");
            DevStageShot(stage, DevStageFrames(stage, CAMPAIGN_LEVEL_SECONDS - 0.5) - 1, "campaign-4-clock-0001");
        }
        // The rows level straight after the gate: the campaign set to level 3 from a fresh start.
        if (stage.step == CAMPAIGN_STEP_ROWS && StepStarts(stage)) {
            CampaignReset(field.campaign, field.mud);
            CampaignStartLevel(field.campaign, field.mud, CAMPAIGN_ROWS_LEVEL);
        }
        break;
    case DEV_STAGE_OBSERVE:
        if (stage.step == CAMPAIGN_STEP_LEVEL) CampaignLevelObserve(stage, field);
        else if (stage.step == CAMPAIGN_STEP_ROWS) CampaignRowsObserve(stage, field);
        break;
    case DEV_STAGE_FINISH: {
        const float *v = stage.value;
        int gate = stage.count[C_GATE_FRAME];
        float frame = 1.0f / stage.hz;
        DevStagePromise(stage, v[V_START_REMAINING] == 1.0f && v[V_BANNER] >= 0.99f,
                        "start: the clock shows 01:30 and the banner is up (%.2f)", v[V_BANNER]);
        DevStagePromise(stage, v[V_STEP_CLOCK] >= 60.0f && v[V_STEP_CLOCK] < 60.0f + frame + 1e-4f,
                        "population: the minute's row changes at %.3f s of the clock (00:30 on the HUD)", v[V_STEP_CLOCK]);
        DevStagePromise(stage, gate + 1 == DevStageFrames(stage, CAMPAIGN_LEVEL_SECONDS) && v[V_GATE_CLOCK] == (float)CAMPAIGN_LEVEL_SECONDS,
                        "gate: opens on frame %d, the frame where %d s have passed", gate, CAMPAIGN_LEVEL_SECONDS);
        DevStagePromise(stage, stage.count[C_BOSSES] >= 1 && v[V_BOSS_ALIVE_AFTER] == (float)stage.count[C_BOSSES],
                        "gate: its boss summoned and alive 3 s later");
        DevStagePromise(stage, stage.count[C_PLANNED] == ROWS_ROLLERS && stage.count[C_GAP] >= 0 &&
                                   stage.count[C_GAP] <= ROWS_LANES - 2 && stage.count[C_ARROWS] > 0,
                        "row: %d rollers announced by %d arrows, the gap at lane %d", stage.count[C_PLANNED], stage.count[C_ARROWS],
                        stage.count[C_GAP]);
        DevStagePromise(stage, stage.count[C_ROLLERS] == ROWS_ROLLERS, "row: all %d rollers launched", ROWS_ROLLERS);
        break;
    }
    }
}

// [SECTION] Markers

enum { C_MARKERS, C_BARS, C_PIPS, C_NAMED, C_GATHERER_BAR };
enum { V_APART, V_APART_LEAST };

// The bars and markers the HUD would lay out now, and what the report needs of them.
static void MarkersMeasure(DevStage &stage, const Field &field, bool final)
{
    BossHud &hud = hudScratch;
    BossHudLayout(field.mud, field.camera, stage.viewWidth, stage.viewHeight, field.totalTime, hud);
    float apart = 0.0f;
    if (hud.markerCount >= 2) apart = Vector2Distance(hud.markers[0].point, hud.markers[1].point);
    int named = 0;
    for (int k = 0; k < hud.markerCount; k++) named += BossName(hud.markers[k].form)[0] != 0;
    int pips = 0, gatherer = 0;
    for (int k = 0; k < hud.barCount; k++) {
        if (!hud.bars[k].gatherer) continue;
        gatherer = 1;
        pips = hud.bars[k].gathered;
    }
    DevStageNote(stage, "%.2f s: %d bars (gatherer %d with %d pips lit), %d markers %.1f px apart, %d named", field.totalTime,
                 hud.barCount, gatherer, pips, hud.markerCount, apart, named);
    // Where each marker would sit on its own, before the layout parts them.
    for (int k = 0; k < hud.markerCount; k++) {
        const BossMarker &m = hud.markers[k];
        Vector2 own = BossMarkerEdgePoint(HudProject(field.camera, field.mud.slots[m.slot].position, stage.viewWidth, stage.viewHeight),
                                          stage.viewWidth, stage.viewHeight);
        DevStageNote(stage, "  marker %d: \"%s\" at %.1f, %.1f (alone it would be at %.1f, %.1f)", k, BossName(m.form), m.point.x,
                     m.point.y, own.x, own.y);
    }
    stage.value[V_APART_LEAST] = stage.count[C_MARKERS] == 0 ? apart : std::fmin(stage.value[V_APART_LEAST], apart);
    stage.count[C_MARKERS] = hud.markerCount;
    stage.count[C_NAMED] = named;
    stage.count[C_BARS] = hud.barCount;
    stage.count[C_GATHERER_BAR] = gatherer;
    if (final) stage.count[C_PIPS] = pips;
}

void DevStageHudMarkers(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    const double first = 1.0, second = 2.5;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, second) + 1;
        break;
    case DEV_STAGE_ARRANGE: {
        if (stage.frame != 0) break;
        field.loop.campaign = true;
        field.loop.immortal = true;
        FieldReset(field, FIELD_DEVELOPER_SEED);
        DevStagePlacePlayer(field, 18.0f, 10.0f, PLAYER_START_YAW, CAMERA_ZOOM_DEFAULT);
        Vector3 p = field.player.position;
        Vector3 right = DevStageScreenDirection(field, SLOT_RIGHT), up = DevStageScreenDirection(field, SLOT_UP);
        // The gatherer on screen, with lone buns to gather; two bosses just off the right edge, so
        // close together that their markers would overlap.
        int gatherer = MudPoolSpawnBoss(pool, p, 0, true);
        if (gatherer >= 0) {
            Vector3 g = pool.slots[gatherer].position;
            for (int k = 0; k < 6; k++) {
                float angle = 1.047f * (float)k;
                int i = MudSceneAddBody(pool, g.x + 3.2f * std::cos(angle), g.z + 3.2f * std::sin(angle), 1.0f, MUD_UNIT_SIZE);
                if (i >= 0) pool.slots[i].emergence = 0.0f;
            }
        }
        Vector3 a = p + right * 34.0f + up * 0.3f, b = p + right * 35.0f - up * 0.2f;
        int walker = MudSceneAddBoss(pool, a.x, a.z, 1);
        int golem = MudSceneAddBoss(pool, b.x, b.z, 2);
        for (int i : {walker, golem})
            if (i >= 0) pool.slots[i].emergence = 0.0f;
        if (gatherer < 0 || walker < 0 || golem < 0) DevStagePromise(stage, false, "three bosses placed");
        DevStageShot(stage, DevStageFrames(stage, first), "markers-1");
        DevStageShot(stage, DevStageFrames(stage, second), "markers-2");
        break;
    }
    case DEV_STAGE_OBSERVE:
        if (stage.frame == DevStageFrames(stage, first)) MarkersMeasure(stage, field, false);
        if (stage.frame == DevStageFrames(stage, second)) MarkersMeasure(stage, field, true);
        break;
    case DEV_STAGE_FINISH:
        DevStagePromise(stage, stage.count[C_MARKERS] >= 2 && stage.count[C_NAMED] == stage.count[C_MARKERS],
                        "markers: two off-screen bosses, each marker named");
        DevStagePromise(stage, stage.value[V_APART_LEAST] >= BOSS_MARKER_SPACING - 1e-3f, "markers: at least %.0f px apart (%.1f px)",
                        BOSS_MARKER_SPACING, stage.value[V_APART_LEAST]);
        DevStagePromise(stage, stage.count[C_GATHERER_BAR] == 1 && stage.count[C_PIPS] >= 1,
                        "bars: the gatherer's bar on screen with %d gold pips lit", stage.count[C_PIPS]);
        break;
    }
}
