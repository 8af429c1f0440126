// Staged captures of the player's weapons and bought aids: the abilities cast with the keys the
// bindings show at that moment, the aids bought by setting the run's shop levels; the creatures
// placed where the weapons will reach them, their wounds and deaths left to the game step.
//
// Index
//   [SECTION] Shared
//   [SECTION] Meteor
//   [SECTION] Spike
//   [SECTION] Support
#include "dev/dev_stage_ability.h"

#include "campaign/shop.h"
#include "common/maths.h"
#include "dev/mud_attack_scenes.h"
#include "mud/mud_wounds.h"
#include "player/bindings.h"
#include "player/support.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>
#include <initializer_list>

// [SECTION] Shared

// A formed body placed by the stage was never born: it leaves no birth crater.
static int PlaceBody(MudPool &pool, Vector3 at, float mass)
{
    int i = MudSceneAddBody(pool, at.x, at.z, mass, MUD_UNIT_SIZE);
    if (i >= 0) pool.slots[i].emergence = 0.0f;
    return i;
}

// An empty arena around the player: no director, no attacks, no fusions; only what the stage
// places is there.
static void ClearField(Field &field, bool immortal)
{
    MudPool &pool = field.mud;
    field.loop.immortal = immortal;
    MudPoolReset(pool, 0);
    pool.attacksEnabled = 0;
    pool.mergeEnabled = 0;
}

static bool Living(const MudPool &pool, int i)
{
    if (i < 0 || i >= pool.count) return false;
    const MudSlot &s = pool.slots[i];
    return s.mass > 0.0f && s.state != MUD_FREE && s.state != MUD_CORPSE;
}

static bool Dead(const MudPool &pool, int i)
{
    return i >= 0 && i < pool.count && (pool.slots[i].state == MUD_CORPSE || pool.slots[i].state == MUD_FREE);
}

// The key that fires ability slot `slot` now (SLOT_ABILITY1 meteor, SLOT_ABILITY2 spike).
static int AbilityKey(const Field &field, int slot) { return BindingsKeyCode(field.bindings.slotKey[slot]); }

// Metres of `p` above the centre of the view, along the camera's up vector.
static float AboveCentre(const Field &field, Vector3 p) { return Vector3DotProduct(p - field.camera.position, field.camera.up); }

// [SECTION] Meteor

// Two casts: the first onto a one-clod bun that comes under it (a kill), the second beside a
// walker whose side it grazes (a cavity). Meteor k takes slot k: the first is still falling when
// the second is admitted.
enum { METEOR_STEP_RUN, METEOR_STEP_AFTER, METEOR_STEP_OVER };
enum { MR_KILL, MR_CAVITY };
enum { MC_CAST, MC_PHASE = 2, MC_ENTRY = 4, MC_IMPACT = 6, MC_FREED = 8, MC_SHOWN_AFTER_ENTRY = 10, MC_QUARTERS, MC_KILLED,
       MC_CAVITY_WOUNDS, MC_PLAYER_HIT, MC_MUD_HITS };
enum { MV_ENTRY_ABOVE, MV_HALF_VIEW, MV_SHOWN_SHARE, MV_TARGET_LIFT, MV_PLAYER_GAP, MV_CAVITY_REMOVED, MV_LIFETIME, MV_LIFETIME2 = 7 };
enum { MM_TARGET, MM_TARGET2, MM_KILL_AT, MM_CAVITY_AT };
static_assert(MC_MUD_HITS < DEV_STAGE_COUNTERS, "the meteor's counters fit the stage record");

constexpr float METEOR_ZOOM = 13.0f;
constexpr float METEOR_WALK_SECONDS = 1.5f;     // 4 m off the first target before the second cast
constexpr float METEOR_BODIES_AT = 1.55f;       // seconds after a cast: its creature comes under it,
                                                // a bun still resting when the rock lands
constexpr float METEOR_GRAZE = 1.0f;            // metres from the second target to the walker's centre

void DevStageAbilityMeteor(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    MeteorSystem &m = field.meteors;
    int *c = stage.count;
    float *v = stage.value;
    float dt = 1.0f / stage.hz;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 12.0);
        break;
    case DEV_STAGE_ARRANGE: {
        int secondCast = 2 + DevStageFrames(stage, METEOR_WALK_SECONDS) + 4;
        if (stage.frame == 0) {
            ClearField(field, false);
            DevStagePlacePlayer(field, 10.0f, 12.0f, PLAYER_START_YAW, METEOR_ZOOM);
            for (int k = 0; k < 2; k++) c[MC_CAST + k] = c[MC_ENTRY + k] = c[MC_IMPACT + k] = c[MC_FREED + k] = -1;
            v[MV_PLAYER_GAP] = 1e9f;
            c[MC_QUARTERS] = field.health.quarters;
            // Each cast with the key the bindings show at that moment, each followed by a walk off
            // the target: left on screen first, which keeps the targets right of the HUD cluster.
            DevStagePress(stage, 1, AbilityKey(field, SLOT_ABILITY1), 1);
            DevStagePress(stage, 2, BindingsKeyCode(field.bindings.slotKey[SLOT_LEFT]), DevStageFrames(stage, METEOR_WALK_SECONDS));
        }
        if (stage.frame == secondCast) {
            DevStagePress(stage, secondCast, AbilityKey(field, SLOT_ABILITY1), 1);
            DevStagePress(stage, secondCast + 1, BindingsKeyCode(field.bindings.slotKey[SLOT_DOWN]), DevStageFrames(stage, 1.8));
        }
        // The creatures come under the falling rocks.
        if (c[MC_CAST] >= 0 && stage.frame == c[MC_CAST] + DevStageFrames(stage, METEOR_BODIES_AT)) {
            stage.mark[MM_KILL_AT] = stage.mark[MM_TARGET];
            stage.slots[MR_KILL] = PlaceBody(pool, stage.mark[MM_KILL_AT], 1.0f);
        }
        if (c[MC_CAST + 1] >= 0 && stage.frame == c[MC_CAST + 1] + DevStageFrames(stage, METEOR_BODIES_AT)) {
            // Beside the line of the fall, away from the first target.
            Vector3 away = Vector3Normalize(stage.mark[MM_TARGET2] - stage.mark[MM_TARGET]);
            stage.mark[MM_CAVITY_AT] = stage.mark[MM_TARGET2] + Vector3{away.x, 0.0f, away.z} * METEOR_GRAZE;
            stage.slots[MR_CAVITY] = PlaceBody(pool, stage.mark[MM_CAVITY_AT], 6.0f);
        }
        // The walker would make for the player: held where it stands.
        if (Living(pool, stage.slots[MR_CAVITY]))
            DevStageMoveSlot(pool, stage.slots[MR_CAVITY], stage.mark[MM_CAVITY_AT] - pool.slots[stage.slots[MR_CAVITY]].position);
        break;
    }
    case DEV_STAGE_OBSERVE:
        for (int k = 0; k < 2; k++) {
            const Meteor &r = m.slots[k];
            if (c[MC_CAST + k] < 0 && r.active) {
                c[MC_CAST + k] = stage.frame;
                c[MC_PHASE + k] = r.phase;
                stage.mark[MM_TARGET + k] = r.target;
                if (k == 0) v[MV_TARGET_LIFT] = r.target.y - TerrainHeight(r.target.x, r.target.z);
                DevStageNote(stage, "cast %d at frame %d: target %.2f %.2f, the rock starts %.2f m above it", k + 1, stage.frame, r.target.x,
                             r.target.z, r.start.y - r.target.y);
                // Time since admission after frame cast + j is (j + 1) / hz.
                int cast = stage.frame;
                auto at = [&](double seconds) { return cast + (int)std::ceil(seconds * stage.hz - 1e-6) - 1; };
                double impact = METEOR_WARNING_SECONDS + METEOR_FALL_SECONDS;
                if (k == 0) {
                    DevStageShot(stage, at(0.6), "meteor-1-warning");
                    DevStageShot(stage, at(METEOR_WARNING_SECONDS + 1.0), "meteor-3-fall");
                    DevStageShot(stage, at(impact - 0.04), "meteor-4-impact");
                    DevStageShot(stage, at(impact + 0.25), "meteor-5-cloud");
                } else {
                    DevStageShot(stage, at(impact - 0.04), "meteor-6-graze");
                    DevStageShot(stage, at(impact + METEOR_BURST_SECONDS + 1.4), "meteor-7-aftermath");
                }
            }
            if (c[MC_CAST + k] < 0 || c[MC_FREED + k] >= 0) continue;
            if (r.active && r.phase != c[MC_PHASE + k]) {
                if (r.phase == METEOR_FALL) {
                    c[MC_ENTRY + k] = stage.frame;
                    if (k == 0) {
                        v[MV_ENTRY_ABOVE] = AboveCentre(field, r.start);
                        v[MV_HALF_VIEW] = 0.5f * field.camera.viewHeight;
                    }
                }
                if (r.phase == METEOR_BURST) {
                    c[MC_IMPACT + k] = stage.frame;
                    if (k == 1 && stage.slots[MR_CAVITY] >= 0) {
                        const MudSlot &w = pool.slots[stage.slots[MR_CAVITY]];
                        c[MC_CAVITY_WOUNDS] = Living(pool, stage.slots[MR_CAVITY]) ? w.wounds.woundCount : -1;
                        v[MV_CAVITY_REMOVED] = w.wounds.removedVolume;
                    }
                }
                c[MC_PHASE + k] = r.phase;
            }
            // The first rock comes into view early in its fall.
            if (k == 0 && r.active && r.phase == METEOR_FALL && c[MC_SHOWN_AFTER_ENTRY] == 0 &&
                AboveCentre(field, r.position) + METEOR_ROCK_RADIUS < 0.5f * field.camera.viewHeight) {
                c[MC_SHOWN_AFTER_ENTRY] = stage.frame - c[MC_ENTRY];
                v[MV_SHOWN_SHARE] = r.phaseTime / METEOR_FALL_SECONDS;
                DevStageShot(stage, stage.frame + 1, "meteor-2-entry");
            }
            if (r.active && r.playerHit) c[MC_PLAYER_HIT] = 1;
            if (r.active && r.phase == METEOR_FALL) v[MV_PLAYER_GAP] = std::fmin(v[MV_PLAYER_GAP], LengthXZ(field.player.position - r.position));
            if (!r.active) {
                c[MC_FREED + k] = stage.frame;
                v[MV_LIFETIME + k] = (float)(stage.frame - c[MC_CAST + k] + 1) * dt;
                if (k == 1) DevStageNext(stage, METEOR_STEP_AFTER);
            }
        }
        if (c[MC_IMPACT] >= 0 && Dead(pool, stage.slots[MR_KILL])) c[MC_KILLED] = 1;
        if (stage.step == METEOR_STEP_AFTER && DevStageStepSeconds(stage) >= 1.6f) {
            c[MC_MUD_HITS] = (int)m.mudHits;
            DevStageNext(stage, METEOR_STEP_OVER);
            stage.done = true;
        }
        break;
    case DEV_STAGE_FINISH: {
        float lifetime = METEOR_WARNING_SECONDS + METEOR_FALL_SECONDS + METEOR_BURST_SECONDS;
        DevStageNote(stage, "entry %.2f m above the view's centre, half the view %.2f m; in view %d frames later (%.0f %% of the fall)",
                     v[MV_ENTRY_ABOVE], v[MV_HALF_VIEW], c[MC_SHOWN_AFTER_ENTRY], 100.0f * v[MV_SHOWN_SHARE]);
        for (int k = 0; k < 2; k++)
            DevStageNote(stage, "meteor %d: fall from frame %d, impact at frame %d, slot free at frame %d (%.3f s after the cast)", k + 1,
                         c[MC_ENTRY + k], c[MC_IMPACT + k], c[MC_FREED + k], v[MV_LIFETIME + k]);
        DevStageNote(stage, "creatures struck %d; the grazed walker lost %.4f m^3 of clay (%d cavities); the caster at least %.2f m off",
                     c[MC_MUD_HITS], v[MV_CAVITY_REMOVED], c[MC_CAVITY_WOUNDS], v[MV_PLAYER_GAP]);
        DevStagePromise(stage, c[MC_CAST] == 1 && c[MC_CAST + 1] > c[MC_CAST], "the meteor key of the bindings cast at once, twice");
        DevStagePromise(stage, std::fabs(v[MV_TARGET_LIFT] - METEOR_TARGET_LIFT) < 1e-3f, "the impact point lies %.3f m above the ground",
                        v[MV_TARGET_LIFT]);
        DevStagePromise(stage, c[MC_ENTRY] > 0 && v[MV_ENTRY_ABOVE] > v[MV_HALF_VIEW] && v[MV_ENTRY_ABOVE] < v[MV_HALF_VIEW] + 2.0f &&
                                   c[MC_SHOWN_AFTER_ENTRY] > 0 && v[MV_SHOWN_SHARE] < 0.5f,
                        "the rock enters just beyond the top edge of the view and comes into it in the first half of its fall");
        bool lives = true;
        for (int k = 0; k < 2; k++) lives = lives && c[MC_FREED + k] > 0 && std::fabs(v[MV_LIFETIME + k] - lifetime) <= dt + 1e-4f;
        DevStagePromise(stage, lives, "each slot frees %.2f s after its cast", lifetime);
        DevStagePromise(stage, c[MC_KILLED] == 1, "the bun under the first rock died");
        DevStagePromise(stage, c[MC_CAVITY_WOUNDS] >= 1 && v[MV_CAVITY_REMOVED] > 0.0f, "the walker grazed by the second lives with a cavity");
        DevStagePromise(stage, c[MC_PLAYER_HIT] == 0 && field.health.quarters == c[MC_QUARTERS] && v[MV_PLAYER_GAP] > METEOR_PLAYER_REACH,
                        "the caster who walked off was never struck");
        break;
    }
    }
}

// [SECTION] Spike

enum { SPIKE_STEP_LONG, SPIKE_STEP_PAUSE, SPIKE_STEP_SHORT, SPIKE_STEP_OVER };
enum { SR_BODY };
enum { SC_LAUNCH_FRAME, SC_PHASE, SC_HOVER_FRAMES, SC_OUT_CUT, SC_BACK_CUT, SC_SHORT_HOVER, SC_QUARTERS, SC_BLOWS, SC_BLOW_PHASE,
       SC_LONG_BLOWS, SC_FIRST_FRAME };
enum { SV_FIRST, SV_REACH, SV_END_GAP, SV_LIFETIME, SV_SHORT_RANGE, SV_SHORT_FREE, SV_SHORT_REACH, SV_SHORT_END_GAP, SV_HEALTH_BEFORE, SV_HEALTH_OUT, SV_HEALTH_BACK };
enum { SM_ORIGIN, SM_BODY_AT };

constexpr float SPIKE_ZOOM = 30.0f;     // the whole 25 m run across the view
constexpr float SPIKE_WALL_ZOOM = 12.0f;
constexpr float SPIKE_WALL_FREE = 7.0f; // metres from the launch point to the arena's edge

// Phase changes of the stage's blade, and the pictures at their moments.
static void SpikeFollow(DevStage &stage, Field &field, bool shortRun)
{
    const Spike &b = field.spikes.slots[0];
    int *c = stage.count;
    float *v = stage.value;
    if (!b.active) return;
    if (c[SC_LAUNCH_FRAME] < 0) {
        c[SC_LAUNCH_FRAME] = stage.frame;
        c[SC_PHASE] = b.phase;
        stage.mark[SM_ORIGIN] = b.origin;
        if (!shortRun) v[SV_FIRST] = b.distance;
        if (shortRun) {
            v[SV_SHORT_RANGE] = b.range;
            v[SV_SHORT_FREE] = ArenaRayExitCircle(b.origin, {b.direction.x, b.direction.z}, SPIKE_BODY_RADIUS, SPIKE_RANGE);
        }
        DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.14), shortRun ? "spike-6-short-rise" : "spike-1-rise");
    }
    float &reach = v[shortRun ? SV_SHORT_REACH : SV_REACH];
    reach = std::fmax(reach, b.distance);
    if (b.phase == SPIKE_HOVER) c[shortRun ? SC_SHORT_HOVER : SC_HOVER_FRAMES]++;
    if (b.phase != c[SC_PHASE]) {
        c[SC_PHASE] = b.phase;
        if (!shortRun && b.phase == SPIKE_OUT) DevStageShot(stage, stage.frame + DevStageFrames(stage, 1.0), "spike-2-out");
        if (!shortRun && b.phase == SPIKE_HOVER) DevStageShot(stage, stage.frame + 1, "spike-3-hover");
        if (b.phase == SPIKE_BACK)
            DevStageShot(stage, stage.frame + DevStageFrames(stage, shortRun ? 0.25 : 0.9), shortRun ? "spike-7-short-back" : "spike-4-back");
        if (b.phase == SPIKE_SINK) {
            v[shortRun ? SV_SHORT_END_GAP : SV_END_GAP] = LengthXZ(b.position - b.origin);
            if (!shortRun) DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.1), "spike-5-sink");
        }
    }
    int body = stage.slots[SR_BODY];
    if (!shortRun && body >= 0) {
        if (!c[SC_OUT_CUT] && (b.outMask & MudHitMaskBit(body))) {
            c[SC_OUT_CUT] = 1;
            v[SV_HEALTH_OUT] = field.mud.slots[body].health;
        }
        if (!c[SC_BACK_CUT] && (b.backMask & MudHitMaskBit(body))) {
            c[SC_BACK_CUT] = 1;
            v[SV_HEALTH_BACK] = field.mud.slots[body].health;
        }
    }
}

void DevStageAbilitySpike(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    SpikeSystem &sp = field.spikes;
    int *c = stage.count;
    float *v = stage.value;
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 16.0);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) {
            ClearField(field, false);
            for (int &s : stage.slots) s = -1;
            c[SC_LAUNCH_FRAME] = c[SC_BLOW_PHASE] = -1;
            // Open ground; the blade runs to the right of the screen, a boss 10 m out on its line (an
            // ordinary body would die at the first cut; a boss loses hit points).
            Vector3 right = DevStageScreenDirection(field, SLOT_RIGHT);
            Vector3 site = {-12.0f, 0.0f, 10.0f};
            DevStagePlacePlayer(field, site.x, site.z, std::atan2(right.x, right.z), SPIKE_ZOOM);
            stage.mark[SM_BODY_AT] = field.player.position + right * 10.0f;
            int boss = MudSceneAddBoss(pool, stage.mark[SM_BODY_AT].x, stage.mark[SM_BODY_AT].z, 0);
            if (boss >= 0) pool.slots[boss].emergence = 0.0f;
            stage.slots[SR_BODY] = boss;
            v[SV_HEALTH_BEFORE] = boss >= 0 ? pool.slots[boss].health : 0.0f;
            c[SC_QUARTERS] = field.health.quarters;
            // Launched, then a step down the screen off the blade's line before it returns.
            DevStagePress(stage, 2, AbilityKey(field, SLOT_ABILITY2), 1);
            DevStagePress(stage, 4, BindingsKeyCode(field.bindings.slotKey[SLOT_DOWN]), DevStageFrames(stage, 0.6));
        }
        if (stage.step == SPIKE_STEP_SHORT && stage.frame == stage.stepFrame + 1) {
            // The arena's edge 7 m ahead: the blade turns back short, and the thrower who stays
            // where it was launched takes it on the way back.
            float x = ARENA_HALF_SIZE - SPIKE_BODY_RADIUS - SPIKE_WALL_FREE;
            DevStagePlacePlayer(field, x, 10.0f, 0.5f * PI, SPIKE_WALL_ZOOM);
            c[SC_LAUNCH_FRAME] = -1;
            c[SC_QUARTERS] = field.health.quarters;
            DevStagePress(stage, stage.frame + 2, AbilityKey(field, SLOT_ABILITY2), 1);
        }
        // The boss would come for the player: held on the blade's line.
        if (stage.step == SPIKE_STEP_LONG && Living(pool, stage.slots[SR_BODY]))
            DevStageMoveSlot(pool, stage.slots[SR_BODY], stage.mark[SM_BODY_AT] - pool.slots[stage.slots[SR_BODY]].position);
        break;
    case DEV_STAGE_OBSERVE: {
        bool shortRun = stage.step == SPIKE_STEP_SHORT;
        if (stage.step == SPIKE_STEP_LONG || shortRun) SpikeFollow(stage, field, shortRun);
        if (field.health.quarters < c[SC_QUARTERS]) {
            c[shortRun ? SC_BLOWS : SC_LONG_BLOWS]++;
            if (shortRun) {
                c[SC_BLOW_PHASE] = sp.slots[0].active ? sp.slots[0].phase : -1;
                DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.15), "spike-8-thrower-struck");
            }
        }
        c[SC_QUARTERS] = field.health.quarters;
        if (stage.step == SPIKE_STEP_LONG && sp.completed == 1) {
            v[SV_LIFETIME] = (float)(stage.frame - c[SC_LAUNCH_FRAME] + 1) / stage.hz;
            DevStageNext(stage, SPIKE_STEP_PAUSE);
        }
        if (stage.step == SPIKE_STEP_PAUSE && DevStageStepSeconds(stage) >= 0.5f) DevStageNext(stage, SPIKE_STEP_SHORT);
        if (shortRun && sp.completed == 2 && DevStageStepSeconds(stage) > 0.5f) {
            DevStageNext(stage, SPIKE_STEP_OVER);
            stage.done = true;
        }
        break;
    }
    case DEV_STAGE_FINISH: {
        float dt = 1.0f / stage.hz;
        float full = SPIKE_RISE_SECONDS + (SPIKE_RANGE - SPIKE_START_DISTANCE) / SPIKE_OUT_SPEED + SPIKE_HOVER_SECONDS +
                     SPIKE_RANGE / SPIKE_BACK_SPEED + SPIKE_SINK_SECONDS;
        DevStageNote(stage, "full run: first update at %.3f m, reach %.3f m, hover %d frames, back within %.4f m of the origin, %.3f s",
                     v[SV_FIRST], v[SV_REACH], c[SC_HOVER_FRAMES], v[SV_END_GAP], v[SV_LIFETIME]);
        DevStageNote(stage, "short run: range %.3f m (free %.3f m), reach %.3f m, hover %d frames, back within %.4f m", v[SV_SHORT_RANGE],
                     v[SV_SHORT_FREE], v[SV_SHORT_REACH], c[SC_SHORT_HOVER], v[SV_SHORT_END_GAP]);
        DevStageNote(stage, "creature cuts %u; blows to the thrower: %d in the full run, %d in the short one (phase %d)", sp.mudHits,
                     c[SC_LONG_BLOWS], c[SC_BLOWS], c[SC_BLOW_PHASE]);
        DevStagePromise(stage, std::fabs(v[SV_FIRST] - SPIKE_START_DISTANCE) < 1e-4f, "the blade rises %.2f m ahead", SPIKE_START_DISTANCE);
        DevStagePromise(stage, std::fabs(v[SV_REACH] - SPIKE_RANGE) < 1e-3f, "it runs %.0f m on open ground", SPIKE_RANGE);
        DevStagePromise(stage, std::fabs(c[SC_HOVER_FRAMES] * dt - SPIKE_HOVER_SECONDS) <= dt + 1e-4f, "it hovers %.1f s at the far end",
                        SPIKE_HOVER_SECONDS);
        DevStagePromise(stage, v[SV_END_GAP] < 1e-3f && std::fabs(v[SV_LIFETIME] - full) <= dt + 1e-4f,
                        "it comes back to its origin and sinks %.2f s after the launch", full);
        DevStageNote(stage, "the boss 10 m out: %.0f hit points, %.0f after the cut going out, %.0f after the one coming back",
                     v[SV_HEALTH_BEFORE], v[SV_HEALTH_OUT], v[SV_HEALTH_BACK]);
        DevStagePromise(stage, c[SC_OUT_CUT] == 1 && c[SC_BACK_CUT] == 1 && v[SV_HEALTH_OUT] < v[SV_HEALTH_BEFORE] &&
                                   v[SV_HEALTH_BACK] < v[SV_HEALTH_OUT],
                        "the boss 10 m out is cut going out and coming back");
        DevStagePromise(stage, c[SC_LONG_BLOWS] == 0, "the thrower who stepped off its line was not struck");
        DevStagePromise(stage, v[SV_SHORT_RANGE] < SPIKE_RANGE && std::fabs(v[SV_SHORT_RANGE] - v[SV_SHORT_FREE]) < 1e-3f &&
                                   v[SV_SHORT_REACH] > v[SV_SHORT_RANGE] - SPIKE_BACK_SPEED / stage.hz,
                        "against the arena's edge it runs only the free %.2f m", v[SV_SHORT_FREE]);
        DevStagePromise(stage, c[SC_SHORT_HOVER] == 0 && v[SV_SHORT_END_GAP] < 1e-3f, "the short run turns back without hovering");
        DevStagePromise(stage, c[SC_BLOWS] == 1 && c[SC_BLOW_PHASE] == SPIKE_BACK,
                        "the thrower standing at its origin is struck once, on its way back");
        break;
    }
    }
}

// [SECTION] Support

// Both aids bought at their last level: the drone at the first frame, with a bun pinned in its
// sight that melts at its third bolt; the repel two seconds later, with eight buns set around
// the player just before its first pulse, one of them beyond its reach.
enum { SUPPORT_STEP_RUN, SUPPORT_STEP_OVER };
enum { UC_SHOTS, UC_HITS, UC_HITS_AT_DEATH, UC_PULSE_FRAME, UC_PUSHED, UC_PUSHED_FAR, UC_NEAREST_KEPT, UC_RING_FIRST,
       UC_RING_COUNT, UC_DIAL_SECONDS, UC_DIAL_RING, UC_ALIVE_AFTER_TWO, UC_REPEL_FRAME, UC_SHOT_FRAME };
enum { UV_SHOT_GAP_WORST, UV_FIRST_SHOT, UV_PULSE_DELAY, UV_DIAL_TIMER, UV_DIAL_FILL, UV_LAST_SHOT, UV_SCORCH };
enum { UM_BUN_AT };
static_assert(UC_SHOT_FRAME < DEV_STAGE_COUNTERS, "the support's counters fit the stage record");

constexpr float SUPPORT_ZOOM = 12.0f;
constexpr float SUPPORT_REPEL_BOUGHT = 2.0f;     // seconds: the repel's purchase after the drone's
constexpr float SUPPORT_DIAL_AT = 20.5f;         // seconds: the dial's picture, a third of the way round
constexpr int SUPPORT_RING = 8;                  // buns set around the player for the pulse

// Where the pulse's buns stand around the player: distance (m) and angle (degrees) from +x.
static const float RING_PLACES[SUPPORT_RING][2] = {{2.0f, -40.0f}, {2.2f, 40.0f}, {3.0f, 0.0f},  {3.4f, -75.0f},
                                                   {3.6f, 75.0f},  {4.2f, -30.0f}, {4.5f, 30.0f}, {6.0f, 0.0f}};

void DevStageAbilitySupport(DevStage &stage, Field &field, DevStageHook hook)
{
    MudPool &pool = field.mud;
    Support &sup = field.support;
    int *c = stage.count;
    float *v = stage.value;
    float dt = 1.0f / stage.hz;
    float droneInterval = 45.0f - 5.0f * (float)ShopMaxLevel(SHOP_DRONE);
    float repelInterval = 65.0f - 5.0f * (float)ShopMaxLevel(SHOP_REPEL);
    int repelFrame = DevStageFrames(stage, SUPPORT_REPEL_BOUGHT);
    switch (hook) {
    case DEV_STAGE_BEGIN:
        stage.frameLimit = DevStageFrames(stage, 40.0);
        break;
    case DEV_STAGE_ARRANGE:
        if (stage.frame == 0) {
            ClearField(field, true);
            for (int &s : stage.slots) s = -1;
            c[UC_PULSE_FRAME] = c[UC_HITS_AT_DEATH] = c[UC_RING_FIRST] = c[UC_SHOT_FRAME] = -1;
            DevStagePlacePlayer(field, 10.0f, 12.0f, PLAYER_START_YAW, SUPPORT_ZOOM);
            // The drone floats left of the head: the bun further out on that side is the nearest it sees.
            stage.mark[UM_BUN_AT] = field.player.position + Vector3{-3.2f, 0.0f, 1.2f};
            stage.slots[0] = PlaceBody(pool, stage.mark[UM_BUN_AT], 1.0f);
            field.shop.level[SHOP_DRONE] = ShopMaxLevel(SHOP_DRONE);
            DevStageShot(stage, DevStageFrames(stage, SUPPORT_DIAL_AT) - 1, "support-4-dial");
        }
        if (stage.frame == repelFrame) field.shop.level[SHOP_REPEL] = ShopMaxLevel(SHOP_REPEL);
        // The pulse's buns, a second before it.
        if (stage.frame == repelFrame + DevStageFrames(stage, repelInterval - 1.0f)) {
            c[UC_RING_FIRST] = pool.count;
            for (const float *place : RING_PLACES) {
                float a = place[1] * DEG2RAD;
                PlaceBody(pool, field.player.position + Vector3{std::cos(a), 0.0f, std::sin(a)} * place[0], 1.0f);
            }
            c[UC_RING_COUNT] = pool.count - c[UC_RING_FIRST];
        }
        // The bun would hop to the player: held in the drone's sight while it lives.
        if (Living(pool, stage.slots[0]))
            DevStageMoveSlot(pool, stage.slots[0], stage.mark[UM_BUN_AT] - pool.slots[stage.slots[0]].position);
        break;
    case DEV_STAGE_OBSERVE: {
        float t = (float)(stage.frame + 1) * dt;
        if (sup.shotsFired > c[UC_SHOTS]) {
            c[UC_SHOTS] = sup.shotsFired;
            if (c[UC_SHOTS] == 1) {
                v[UV_FIRST_SHOT] = t;
                DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.06), "support-1-drone-bolt");
            } else {
                v[UV_SHOT_GAP_WORST] = std::fmax(v[UV_SHOT_GAP_WORST], std::fabs(t - v[UV_LAST_SHOT] - droneInterval));
            }
            v[UV_LAST_SHOT] = t;
            DevStageNote(stage, "shot %d at %.3f s at slot %d", c[UC_SHOTS], t, sup.lastTarget);
        }
        int bun = stage.slots[0];
        if (sup.boltHits > c[UC_HITS]) {
            c[UC_HITS] = sup.boltHits;
            if (c[UC_HITS] == 1) DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.1), "support-2-sparks");
            if (c[UC_HITS] == 2) c[UC_ALIVE_AFTER_TWO] = Living(pool, bun);
            if (bun >= 0) v[UV_SCORCH] = pool.slots[bun].scorch;
            DevStageNote(stage, "bolt hit %d at %.3f s: the bun %s, scorch %.2f", c[UC_HITS], t, Living(pool, bun) ? "lives" : "melts",
                         bun >= 0 ? pool.slots[bun].scorch : 0.0f);
        }
        if (c[UC_HITS_AT_DEATH] < 0 && Dead(pool, bun)) {
            c[UC_HITS_AT_DEATH] = c[UC_HITS];
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.35), "support-3-bun-melting");
        }
        // The dial at its picture: the seconds it shows and its ring.
        if (stage.frame == DevStageFrames(stage, SUPPORT_DIAL_AT) - 1) {
            SupportDial d = SupportDialState(sup);
            c[UC_DIAL_RING] = d.visible && d.ring ? 1 : -1;
            c[UC_DIAL_SECONDS] = d.seconds;
            v[UV_DIAL_TIMER] = sup.repelTimer;
            v[UV_DIAL_FILL] = d.fill;
        }
        if (c[UC_PULSE_FRAME] < 0 && sup.pulses > 0) {
            c[UC_PULSE_FRAME] = stage.frame;
            v[UV_PULSE_DELAY] = (float)(stage.frame - repelFrame + 1) * dt;
            c[UC_PUSHED] = sup.pushed;
            // Who was pushed: the nearest ones, none beyond the reach.
            float nearestUnpushed = 1e9f, farthestPushed = 0.0f;
            for (int i = c[UC_RING_FIRST]; i >= 0 && i < c[UC_RING_FIRST] + c[UC_RING_COUNT]; i++) {
                const MudSlot &s = pool.slots[i];
                float d = LengthXZ(s.position - field.player.position);
                bool pushedNow = Vector3Length(s.knockback) > 0.0f;
                if (pushedNow && d > SUPPORT_REPEL_RADIUS) c[UC_PUSHED_FAR]++;
                if (pushedNow) farthestPushed = std::fmax(farthestPushed, d);
                else nearestUnpushed = std::fmin(nearestUnpushed, d);
            }
            c[UC_NEAREST_KEPT] = farthestPushed <= nearestUnpushed;
            DevStageNote(stage, "pulse at %.3f s: %d pushed, the farthest %.2f m out, the nearest left %.2f m out", t, sup.pushed,
                         farthestPushed, nearestUnpushed);
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.3), "support-5-repel-ring");
            DevStageShot(stage, stage.frame + DevStageFrames(stage, 0.8), "support-6-repelled");
            DevStageNext(stage, SUPPORT_STEP_OVER);
        }
        if (stage.step == SUPPORT_STEP_OVER && DevStageStepSeconds(stage) >= 1.0f) stage.done = true;
        break;
    }
    case DEV_STAGE_FINISH:
        DevStageNote(stage, "drone every %.0f s, repel every %.0f s; the dial at %.1f s: %d s shown for %.2f s left, %.0f %% filled",
                     droneInterval, repelInterval, SUPPORT_DIAL_AT, c[UC_DIAL_SECONDS], v[UV_DIAL_TIMER], 100.0f * v[UV_DIAL_FILL]);
        DevStagePromise(stage, c[UC_SHOTS] >= 3 && v[UV_FIRST_SHOT] <= dt + 1e-4f, "the drone fires on its first update with a target");
        DevStagePromise(stage, c[UC_SHOTS] >= 3 && v[UV_SHOT_GAP_WORST] <= dt + 1e-4f, "then once every %.0f s (off by %.4f s at most)",
                        droneInterval, v[UV_SHOT_GAP_WORST]);
        DevStagePromise(stage, c[UC_ALIVE_AFTER_TWO] == 1 && c[UC_HITS_AT_DEATH] == 3, "the bun melts at its third bolt, not before");
        DevStagePromise(stage, c[UC_DIAL_RING] == 1 && c[UC_DIAL_SECONDS] == (int)std::ceil(v[UV_DIAL_TIMER]),
                        "the dial shows the seconds to the pulse and its ring");
        DevStagePromise(stage, c[UC_PULSE_FRAME] >= 0 && std::fabs(v[UV_PULSE_DELAY] - repelInterval) <= dt + 1e-4f,
                        "the first pulse comes one full interval after the purchase (%.3f s)", v[UV_PULSE_DELAY]);
        DevStagePromise(stage, c[UC_PUSHED] == SUPPORT_REPEL_BODIES && c[UC_PUSHED_FAR] == 0 && c[UC_NEAREST_KEPT] == 1,
                        "the pulse pushed the %d nearest buns, none beyond %.0f m", SUPPORT_REPEL_BODIES, SUPPORT_REPEL_RADIUS);
        break;
    }
}
