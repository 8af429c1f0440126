// Developer modes of mudling fusion and attacks: self-checks over the scripted scenes and two
// headless crowd benchmarks.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Merge
//   [SECTION] Evolution
//   [SECTION] Attack
//   [SECTION] Golem
//   [SECTION] Golem contact
//   [SECTION] Benchmarks
#include "dev/mud_attack_checks.h"

#include "dev/mud_attack_scenes.h"
#include "mud/mud_attack.h"
#include "mud/mud_gait.h"
#include "mud/mud_golem.h"
#include "mud/mud_merge.h"
#include "mud/mud_pool.h"
#include "common/maths.h"
#include "world/arena.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

// [SECTION] Helpers

static const float RATES[3] = {30.0f, 60.0f, 144.0f};

struct Tally {
    int passed, failed;
};

static void Check(Tally &tally, bool ok, const char *name)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", name);
    (ok ? tally.passed : tally.failed) += 1;
}

static int Finish(const Tally &tally)
{
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

static std::unique_ptr<MudPool> NewPool()
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    return pool;
}

static float DistanceXZ(Vector3 a, Vector3 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z)); }

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

static bool Near(double value, double expected, double tolerance) { return std::fabs(value - expected) <= tolerance; }

// Seconds a slot spends in its first visit of `state` over `seconds` of updates at `hz`; the
// player is scene.dodge while the subject winds up or strikes, else scene.player.
static double TimeIn(MudPool &pool, const MudScene &scene, int slot, int state, float hz, float seconds)
{
    double entered = -1.0, time = 0.0;
    for (int f = 0; f < (int)(seconds * hz); f++) {
        MudPoolUpdate(pool, scene.player, 1.0f / hz);
        time += 1.0 / hz;
        int now = pool.slots[slot].state;
        if (now == state && entered < 0.0) entered = time;
        if (now != state && entered >= 0.0) return time - entered;
    }
    return -1.0;
}

// Runs a scene at every rate and checks the time of one phase.
static bool PhaseAtEveryRate(MudScene (*setup)(MudPool &), int state, float seconds, float horizon)
{
    for (float hz : RATES) {
        auto pool = NewPool();
        MudScene scene = setup(*pool);
        double span = TimeIn(*pool, scene, scene.subject, state, hz, horizon);
        if (!Near(span, seconds, 1.0 / hz + 1e-4)) {
            printf("     state %d lasted %.4f s at %.0f Hz, expected %.4f\n", state, span, hz, seconds);
            return false;
        }
    }
    return true;
}

// [SECTION] Merge

// Fuses the scene's pair, checking both ledgers in every frame; the survivor or -1.
static int FuseChecked(MudPool &pool, const MudScene &scene, float hz, bool *ledger)
{
    double mass = TotalMass(pool), clay = TotalClay(pool);
    bool started = false;
    for (int f = 0; f < (int)(4.0f * hz); f++) {
        MudPoolUpdate(pool, scene.player, 1.0f / hz);
        if (!Near(TotalMass(pool), mass, 1e-5 * mass) || !Near(TotalClay(pool), clay, 1e-5 * clay)) *ledger = false;
        int fusing = 0, alive = -1;
        for (int i = 0; i < pool.count; i++) {
            fusing += pool.slots[i].state == MUD_ABSORBING;
            if (pool.slots[i].mass > 0.0f && pool.slots[i].state != MUD_FREE) alive = i;
        }
        started = started || fusing > 0;
        if (started && fusing == 0) return alive;
    }
    return -1;
}

static bool CheckLedgerPairs()
{
    const float pairs[4][2] = {{1, 1}, {3, 1}, {2, 2}, {5, 4}};
    for (const float *pair : pairs) {
        auto pool = NewPool();
        MudScene scene = MudSceneFusion(*pool, pair[0], pair[1]);
        bool ledger = true;
        int survivor = FuseChecked(*pool, scene, 60.0f, &ledger);
        if (!ledger || survivor < 0 || pool->slots[survivor].mass != pair[0] + pair[1]) return false;
    }
    return true;
}

static bool CheckChain()
{
    auto pool = NewPool();
    MudScene scene = MudSceneFusion(*pool, 1.0f, 1.0f);
    bool ledger = true;
    int body = FuseChecked(*pool, scene, 60.0f, &ledger);
    for (float next : {2.0f, 3.0f, 2.0f}) {
        if (body < 0) return false;
        const MudSlot &s = pool->slots[body];
        float gap = (MudBodyRadius(s) + std::cbrt(next) * MUD_UNIT_SIZE) * 1.05f;
        MudSceneAddBody(*pool, s.position.x + gap, s.position.z, next, MUD_UNIT_SIZE);
        body = FuseChecked(*pool, scene, 60.0f, &ledger);
    }
    return ledger && body >= 0 && pool->slots[body].mass == 9.0f && pool->slots[body].golemGrowth == 1.0f;
}

static bool CheckInterruption()
{
    auto pool = NewPool();
    MudScene scene = MudSceneFusion(*pool, 4.0f, 2.0f);
    pool->slots[scene.other].wounds.removedVolume = 0.04f;
    double mass = TotalMass(*pool), clay = TotalClay(*pool);
    float scaleA = MudBodyScale(pool->slots[scene.subject]), scaleB = MudBodyScale(pool->slots[scene.other]);
    for (int f = 0; f < 30; f++) MudPoolUpdate(*pool, scene.player, 1.0f / 60.0f);
    if (pool->slots[scene.subject].state != MUD_ABSORBING) return false;
    MudMergeInterrupt(*pool, scene.other);
    const MudSlot &a = pool->slots[scene.subject], &b = pool->slots[scene.other];
    return Near(TotalMass(*pool), mass, 1e-5 * mass) && Near(TotalClay(*pool), clay, 1e-5 * clay) &&
           a.state == MUD_RESTING && b.state == MUD_RESTING && Near(MudBodyScale(a), scaleA, 1e-5) &&
           Near(MudBodyScale(b), scaleB, 1e-5);
}

static bool CheckCompatibility()
{
    struct Case {
        float a, b;
        bool fuse;
    };
    const Case cases[] = {{1, 1, true}, {3, 1, true}, {2, 2, true}, {5, 4, true}, {5, 5, false}, {7, 1, false}, {7, 2, true}};
    for (const Case &c : cases) {
        auto pool = NewPool();
        MudScene scene = MudSceneFusion(*pool, c.a, c.b);
        if (MudMergeCompatible(*pool, scene.subject, scene.other) != c.fuse) return false;
    }
    auto pool = NewPool();
    MudScene scene = MudSceneFusion(*pool, 1.0f, 1.0f);
    MudPoolSetObstacle(*pool, Vector3Lerp(pool->slots[scene.subject].position, pool->slots[scene.other].position, 0.5f), 0.2f,
                       3.55f, true);
    return !MudMergeCompatible(*pool, scene.subject, scene.other);
}

static bool CheckDirectorCaps()
{
    auto pool = NewPool();
    MudScene scene = MudSceneFusion(*pool, 2.0f, 2.0f);
    bool open = MudMergeCompatible(*pool, scene.subject, scene.other);
    MudPoolSetDirector(*pool, 10, 0, 0);
    bool refused = !MudMergeCompatible(*pool, scene.subject, scene.other);
    MudPoolSetDirector(*pool, 10, 1, 0);
    bool allowed = MudMergeCompatible(*pool, scene.subject, scene.other);
    MudSceneAddBody(*pool, -30.0f, 10.0f, 4.0f, MUD_UNIT_SIZE);
    pool->formCountsValid = 0;
    bool full = !MudMergeCompatible(*pool, scene.subject, scene.other);
    return open && refused && allowed && full;
}

static MudScene FusionThreeOne(MudPool &pool) { return MudSceneFusion(pool, 3.0f, 1.0f); }

int DevTestMerge()
{
    Tally tally{};
    Check(tally, CheckLedgerPairs(), "ledger: mass and clay constant to 1e-5 through 1+1, 3+1, 2+2, 5+4");
    Check(tally, CheckChain(), "ledger: a chain 1+1, +2, +3, +2 ends in one golem of 9 with the clay of all");
    Check(tally, CheckInterruption(), "interruption: both bodies rest with their own clay and drawn size");
    Check(tally, CheckCompatibility(), "compatibility: sums up to 9, no golem with one clod, no line through the shuttle");
    Check(tally, CheckDirectorCaps(), "director: caps open without it, a walker refused at target 0 or when reached");
    Check(tally, PhaseAtEveryRate(FusionThreeOne, MUD_ABSORBING, MUD_FUSION_SECONDS, 3.0f),
          "timing: a fusion lasts 1.05 s within one frame at 30, 60 and 144 Hz");
    return Finish(tally);
}

// [SECTION] Evolution

// A fusion of massA + massB: growth only rises, the body's vertical speed stays bounded, and
// the limbs' visibility grows with it.
static bool GrowsSmoothly(float massA, float massB, bool arms)
{
    for (float hz : RATES) {
        auto pool = NewPool();
        MudScene scene = MudSceneFusion(*pool, massA, massB);
        const MudSlot &s = pool->slots[scene.subject];
        float lastGrowth = -1.0f, lastVisibility = -1.0f, lastY = s.position.y, fastest = 0.0f;
        for (int f = 0; f < (int)(2.0f * hz); f++) {
            MudPoolUpdate(*pool, scene.player, 1.0f / hz);
            float growth = arms ? s.golemGrowth : s.walkerGrowth;
            bool valid = false;
            float visibility = arms ? MudGolemArmPose(s, &valid).visibility : MudGaitLegPose(s, &valid).visibility;
            if (growth < lastGrowth || visibility < lastVisibility) return false;
            lastGrowth = growth;
            lastVisibility = visibility;
            fastest = std::fmax(fastest, std::fabs(s.position.y - lastY) * hz);
            lastY = s.position.y;
        }
        if (lastGrowth != 1.0f || fastest > 3.0f) {
            printf("     growth %.3f, fastest vertical speed %.2f m/s at %.0f Hz\n", lastGrowth, fastest, hz);
            return false;
        }
    }
    return true;
}

static bool CheckWalksAfterwards()
{
    auto pool = NewPool();
    MudScene scene = MudSceneFusion(*pool, 2.0f, 2.0f);
    for (int f = 0; f < 180; f++) MudPoolUpdate(*pool, scene.player, 1.0f / 60.0f);
    const MudSlot &s = pool->slots[scene.subject];
    return s.mass == 4.0f && s.state == MUD_WALKING && s.stepDistance > 0.0f;
}

int DevTestEvolution()
{
    Tally tally{};
    Check(tally, GrowsSmoothly(3.0f, 1.0f, false), "walker: 3+1 grows legs from 0 to 1 with no jump, at 30/60/144 Hz");
    Check(tally, GrowsSmoothly(2.0f, 2.0f, false), "walker: 2+2 the same");
    Check(tally, GrowsSmoothly(5.0f, 2.0f, true), "golem: 5+2 grows its torso and arms from 0 to 1 with no jump");
    Check(tally, CheckWalksAfterwards(), "walker: a fused walker walks after its rest");
    return Finish(tally);
}

// [SECTION] Attack

struct DashRecord {
    Vector3 locked, end;
    int activeRuns, activeFrames;
    float planned;
};

static DashRecord RunDash(float hz, bool dodge)
{
    DashRecord record{};
    auto pool = NewPool();
    MudScene scene = MudSceneDash(*pool);
    const MudSlot &s = pool->slots[scene.subject];
    bool was = false;
    for (int f = 0; f < (int)(4.0f * hz); f++) {
        int before = s.state;
        bool locked = s.state == MUD_DASH_WINDUP || s.state == MUD_DASH;
        MudPoolUpdate(*pool, dodge && locked ? scene.dodge : scene.player, 1.0f / hz);
        if (s.state == MUD_DASH && before != MUD_DASH) {
            record.locked = s.lockedTarget;
            record.planned = s.dashDuration;
        }
        if (s.state == MUD_DASH_RECOVERY && before != MUD_DASH_RECOVERY) record.end = s.position;
        record.activeFrames += s.dashActive;
        record.activeRuns += s.dashActive && !was;
        was = s.dashActive;
    }
    return record;
}

static bool CheckDash()
{
    for (float hz : RATES) {
        DashRecord r = RunDash(hz, false);
        int frames = (int)std::ceil(r.planned * hz - 1e-3f);
        if (!Near(DistanceXZ(r.end, r.locked), MUD_DASH_OVERRUN, 0.01) || r.activeRuns != 1 || r.activeFrames < frames ||
            r.activeFrames > frames + 1 || !Near(r.planned, 0.70, 0.02)) {
            printf("     %.0f Hz: end %.3f m past, %d latch runs, %d frames, %.3f s\n", hz, DistanceXZ(r.end, r.locked),
                   r.activeRuns, r.activeFrames, r.planned);
            return false;
        }
    }
    return true;
}

static bool CheckDodge()
{
    DashRecord r = RunDash(60.0f, true);
    return Near(r.locked.x, 0.0, 1e-4) && Near(r.end.x, 0.0, 0.02);
}

static bool CheckKick()
{
    for (float hz : RATES) {
        auto pool = NewPool();
        MudScene scene = MudSceneKick(*pool);
        const MudSlot &s = pool->slots[scene.subject];
        int legs[2] = {-1, -1}, kicks = 0;
        double entered = 0.0, time = 0.0, spans[3] = {-1, -1, -1};
        int lastState = s.state;
        for (int f = 0; f < (int)(4.0f * hz); f++) {
            MudPoolUpdate(*pool, scene.player, 1.0f / hz);
            time += 1.0 / hz;
            if (s.state == lastState) continue;
            if (lastState >= MUD_KICK_WINDUP && lastState <= MUD_KICK_RECOVERY && spans[lastState - MUD_KICK_WINDUP] < 0.0)
                spans[lastState - MUD_KICK_WINDUP] = time - entered;
            if (s.state == MUD_KICK_WINDUP && kicks < 2) legs[kicks++] = s.kickLeg;
            entered = time;
            lastState = s.state;
        }
        const float expected[3] = {MUD_KICK_WINDUP_SECONDS, MUD_KICK_STRIKE_SECONDS, MUD_KICK_RECOVERY_SECONDS};
        for (int k = 0; k < 3; k++)
            if (!Near(spans[k], expected[k], 1.0 / hz + 1e-4)) return false;
        if (kicks < 2 || legs[0] == legs[1]) return false;
    }
    return true;
}

static bool CheckBoss()
{
    auto pool = NewPool();
    MudScene scene = MudSceneBossAttacks(*pool);
    if (scene.subject < 0) return false;
    const MudSlot &s = pool->slots[scene.subject];
    float apex = 0.0f, crossing = 0.0f;
    bool leapFirst = false, dashed = false;
    for (int f = 0; f < 144 * 12; f++) {
        int before = s.state;
        MudPoolUpdate(*pool, scene.player, 1.0f / 144.0f);
        if (s.state == MUD_BOSS_LEAP) apex = std::fmax(apex, s.position.y - MudRestHeight(s, s.scale.y));
        if (s.state == MUD_BOSS_LEAP && before != MUD_BOSS_LEAP && !dashed) leapFirst = true;
        if (s.state == MUD_DASH && before != MUD_DASH) {
            dashed = true;
            crossing = DistanceXZ(s.dashFrom, s.dashTo);
        }
    }
    printf("     leap apex %.3f m above the rest height, dash of %.2f m\n", apex, crossing);
    return leapFirst && Near(apex, MUD_LEAP_APEX, 0.01) && crossing >= MUD_BOSS_DASH_LENGTH;
}

static bool CheckBossThroughBuns()
{
    auto pool = NewPool();
    MudScene scene = MudSceneBossAttacks(*pool);
    if (scene.subject < 0) return false;
    MudSlot &boss = pool->slots[scene.subject];
    boss.bossDashes = 1;
    int buns[6];
    for (int k = 0; k < 6; k++) {
        buns[k] = MudSceneAddBody(*pool, -5.5f + 2.6f * (float)k, 0.3f * (float)(k % 2), 1.0f, MUD_UNIT_SIZE);
        pool->slots[buns[k]].cooldown = 100.0f;
    }
    float planned = -1.0f;
    double entered = -1.0, span = -1.0;
    for (int f = 0; f < 240; f++) {
        int before = boss.state;
        MudPoolUpdate(*pool, scene.player, 1.0f / 60.0f);
        if (boss.state == MUD_DASH && before != MUD_DASH) {
            planned = boss.dashDuration;
            entered = f;
        }
        if (before == MUD_DASH && boss.state != MUD_DASH && span < 0.0) span = (f - entered) / 60.0;
    }
    return planned > 0.0f && Near(span, planned, 1.0 / 60.0 + 1e-4);
}

static bool CheckPause()
{
    auto pool = NewPool();
    MudSceneCrowd(*pool, MUD_CROWD_MIXED);
    pool->mergeEnabled = 1;
    for (int f = 0; f < 300; f++) MudPoolUpdate(*pool, {0.0f, 0.0f, 0.0f}, 1.0f / 60.0f);
    auto copy = std::make_unique<MudPool>();
    memcpy(copy.get(), pool.get(), sizeof(MudPool));
    for (float dt : {0.0f, -1.0f, NAN, INFINITY}) MudPoolUpdate(*pool, {0.0f, 0.0f, 0.0f}, dt);
    return memcmp(copy.get(), pool.get(), sizeof(MudPool)) == 0;
}

static MudScene Dash(MudPool &pool) { return MudSceneDash(pool); }

int DevTestAttack()
{
    Tally tally{};
    Check(tally, PhaseAtEveryRate(Dash, MUD_DASH_WINDUP, MUD_DASH_WINDUP_SECONDS, 3.0f), "dash: windup 1.15 s at 30/60/144 Hz");
    Check(tally, CheckDash(), "dash: 5 m bun dashes ~0.70 s, ends 2 m past the locked spot, one latch run, at 30/60/144 Hz");
    Check(tally, CheckDodge(), "dash: a dodging player is not followed; the dash keeps its line");
    Check(tally, PhaseAtEveryRate(Dash, MUD_DASH_RECOVERY, MUD_DASH_RECOVERY_SECONDS, 4.0f), "dash: recovery 0.68 s");
    Check(tally, CheckKick(), "kick: 0.75 / 0.2 / 0.45 s at 30/60/144 Hz, legs alternate");
    Check(tally, CheckBoss(), "boss 0: a leap to a 6.5 m apex first, then a dash of at least 18 m");
    Check(tally, CheckBossThroughBuns(), "boss 0: its dash passes through six buns without being cut");
    Check(tally, CheckPause(), "pause: dt 0, -1, NaN, inf leave a pool of attackers byte-identical");
    return Finish(tally);
}

// [SECTION] Golem

struct ThrowRecord {
    Vector3 locked, landing, puddle;
    bool released;
    double grab, windup, follow, flight, flightPlanned, puddleTime, reassembly;
    float massBefore, sizeBefore, massAfter, sizeAfter;
};

static ThrowRecord RunThrow(float dt, float seconds)
{
    ThrowRecord r{};
    r.grab = r.windup = r.follow = r.flight = r.puddleTime = r.reassembly = -1.0;
    auto pool = NewPool();
    MudScene scene = MudSceneGolemThrow(*pool);
    const MudSlot &G = pool->slots[scene.subject], &B = pool->slots[scene.other];
    r.massBefore = B.mass;
    r.sizeBefore = B.size;
    double time = 0.0, golemEntered = 0.0, bunEntered = 0.0;
    for (int f = 0; f < (int)(seconds / dt + 0.5f); f++) {
        int g0 = G.state, b0 = B.state;
        bool locked = G.heldBun == scene.other || B.state == MUD_THROWN;
        MudPoolUpdate(*pool, locked ? scene.dodge : scene.player, dt);
        time += dt;
        if (G.state != g0) {
            double span = time - golemEntered;
            if (g0 == MUD_GRAB && r.grab < 0) r.grab = span;
            if (g0 == MUD_THROW_WINDUP && r.windup < 0) r.windup = span;
            if (g0 == MUD_THROW_FOLLOW && r.follow < 0) r.follow = span;
            golemEntered = time;
        }
        if (B.state != b0) {
            double span = time - bunEntered;
            if (b0 == MUD_THROWN && r.flight < 0) r.flight = span, r.puddle = B.position;
            if (b0 == MUD_PUDDLE && r.puddleTime < 0) r.puddleTime = span;
            if (b0 == MUD_REASSEMBLY && r.reassembly < 0) r.reassembly = span;
            if (b0 == MUD_HELD && B.state == MUD_THROWN) {
                r.released = true;
                r.locked = G.lockedTarget;
                r.landing = B.to;
                r.flightPlanned = B.duration;
            }
            bunEntered = time;
        }
    }
    r.massAfter = B.mass;
    r.sizeAfter = B.size;
    return r;
}

static bool CheckPickupExclusive()
{
    for (int order = 0; order < 2; order++) {
        auto pool = NewPool();
        pool->mergeEnabled = 0;
        int g0 = MudSceneAddBody(*pool, order ? 2.3f : -2.3f, 20.0f, 7.0f, MUD_UNIT_SIZE);
        int g1 = MudSceneAddBody(*pool, order ? -2.3f : 2.3f, 20.0f, 7.0f, MUD_UNIT_SIZE);
        int bun = MudSceneAddBody(*pool, 0.0f, 20.0f, 1.0f, MUD_UNIT_SIZE);
        MudPoolUpdate(*pool, {0.0f, 0.0f, 40.0f}, 1.0f / 60.0f);
        int holders = (pool->slots[g0].heldBun == bun) + (pool->slots[g1].heldBun == bun);
        if (holders != 1 || pool->slots[bun].state != MUD_HELD) return false;
    }
    return true;
}

static bool CheckThrow()
{
    for (float hz : RATES) {
        ThrowRecord r = RunThrow(1.0f / hz, 6.0f);
        double frame = 1.0 / hz + 1e-4;
        bool ok = r.released && Near(DistanceXZ(r.landing, r.locked), MUD_THROW_OVERRUN, 0.06) &&
                  Near(r.locked.x, 0.0, 1e-4) && DistanceXZ(r.puddle, r.landing) < 1e-3f && Near(r.grab, MUD_GRAB_SECONDS, frame) &&
                  Near(r.windup, MUD_THROW_WINDUP_SECONDS, frame) && Near(r.follow, MUD_THROW_FOLLOW_SECONDS, frame) &&
                  Near(r.flight, r.flightPlanned, frame) && Near(r.puddleTime, MUD_PUDDLE_SECONDS, frame) &&
                  Near(r.reassembly, MUD_REASSEMBLY_SECONDS, frame) && r.massAfter == r.massBefore && r.sizeAfter == r.sizeBefore;
        if (!ok) {
            printf("     %.0f Hz: landing %.3f m past, flight %.3f of %.3f s, puddle %.3f s, reassembly %.3f s\n", hz,
                   DistanceXZ(r.landing, r.locked), r.flight, r.flightPlanned, r.puddleTime, r.reassembly);
            return false;
        }
    }
    return true;
}

static bool CheckLongStep()
{
    ThrowRecord r = RunThrow(0.2f, 10.0f);
    return r.released && r.reassembly > 0.0;
}

static bool CheckArmLag()
{
    float lags[3];
    for (int k = 0; k < 3; k++) {
        auto pool = NewPool();
        MudScene scene = MudSceneGolemPunch(*pool);
        pool->attacksEnabled = 0;
        MudSlot &s = pool->slots[scene.subject];
        float worst = 0.0f;
        for (int f = 0; f < (int)(0.6f * RATES[k]); f++) {
            s.yaw += 2.5f / RATES[k];
            MudPoolUpdate(*pool, s.position, 1.0f / RATES[k]);
            worst = std::fmax(worst, std::fabs(s.armLag));
        }
        lags[k] = s.armLag;
        if (!(lags[k] < 0.0f) || worst > MUD_ARM_LAG_LIMIT + 1e-6f) return false;
    }
    printf("     lag after 0.6 s turning at 2.5 rad/s: %.4f / %.4f / %.4f rad\n", lags[0], lags[1], lags[2]);
    return Near(lags[0], lags[1], 0.01) && Near(lags[2], lags[1], 0.01);
}

int DevTestGolem()
{
    Tally tally{};
    Check(tally, CheckPickupExclusive(), "pickup: of two golems beside one bun exactly one holds it, in either slot order");
    Check(tally, CheckThrow(), "throw: lands 0.8 m past the locked spot, puddle 1.15 s, reassembly 1.1 s, same clay, 30/60/144 Hz");
    Check(tally, CheckLongStep(), "throw: 0.2 s steps still release the bun, which lands and re-forms");
    Check(tally, CheckArmLag(), "arms: lag opposite the turn, within 0.4 rad, the same at 30/60/144 Hz");
    return Finish(tally);
}

// [SECTION] Golem contact

static bool CheckPunchReach()
{
    auto pool = NewPool();
    MudScene scene = MudSceneGolemPunch(*pool);
    const MudSlot &s = pool->slots[scene.subject];
    float R = MudBodyRadius(s), reach = 0.0f;
    int runs = 0, strikes = 0;
    bool was = false;
    for (int f = 0; f < 60 * 4; f++) {
        int before = s.state;
        MudPoolUpdate(*pool, s.state == MUD_PUNCH_STRIKE ? scene.dodge : scene.player, 1.0f / 60.0f);
        if (s.state == MUD_PUNCH_STRIKE && before != MUD_PUNCH_STRIKE) strikes++;
        if (s.state == MUD_PUNCH_STRIKE) {
            MudSlot end = s;
            end.timer = end.duration;
            Vector3 d = MudGolemArmPose(end, nullptr).hand[s.hand] - s.attackBase;
            reach = (d.x * s.attackDir.x + d.z * s.attackDir.z) / R;
        }
        runs += s.punchActive && !was;
        was = s.punchActive;
    }
    printf("     %d strikes, %d latch runs, reach %.3f R\n", strikes, runs, reach);
    return strikes >= 2 && runs == strikes && Near(reach, 2.55, 0.01);
}

static bool CheckHeldInHand()
{
    auto pool = NewPool();
    MudScene scene = MudSceneGolemThrow(*pool);
    const MudSlot &G = pool->slots[scene.subject], &B = pool->slots[scene.other];
    int held = 0;
    for (int f = 0; f < 90; f++) {
        MudPoolUpdate(*pool, scene.player, 1.0f / 60.0f);
        if (B.state != MUD_HELD || G.state != MUD_THROW_WINDUP) continue;
        held++;
        Vector3 hand = ArenaClampCircle(MudGolemArmPose(G, nullptr).hand[G.hand], 1.05f * MudBodyRadius(B));
        if (Vector3Distance(hand, B.position) > 1e-5f) return false;
    }
    return held > 0;
}

static bool CheckFlightAtShuttle()
{
    auto pool = NewPool();
    MudScene scene = MudSceneGolemThrow(*pool);
    Vector3 shuttle = {0.0f, 0.0f, 25.0f};
    MudPoolSetObstacle(*pool, shuttle, 1.1f, 3.55f, true);
    const MudSlot &B = pool->slots[scene.other];
    bool puddled = false;
    for (int f = 0; f < 240 && !puddled; f++) {
        MudPoolUpdate(*pool, {0.0f, 0.0f, 30.0f}, 1.0f / 60.0f);
        if ((B.state == MUD_THROWN || B.state == MUD_PUDDLE) && DistanceXZ(B.flightTo, shuttle) <= 1.1f) return false;
        puddled = B.state == MUD_PUDDLE;
    }
    return puddled && B.position.z < shuttle.z;
}

static bool CheckPuddlesHarmless()
{
    auto pool = NewPool();
    MudScene scene = MudSceneGolemThrow(*pool);
    const MudSlot &B = pool->slots[scene.other];
    int puddleFrames = 0;
    for (int f = 0; f < 60 * 5; f++) {
        int before = B.state;
        MudPoolUpdate(*pool, scene.player, 1.0f / 60.0f);
        bool landedEarlier = B.state == MUD_PUDDLE && before == MUD_PUDDLE;
        if (landedEarlier && B.projectileActive) return false;
        puddleFrames += landedEarlier;
    }
    return puddleFrames > 30;
}

static bool CheckJointsContained()
{
    auto pool = NewPool();
    MudSceneCrowd(*pool, MUD_CROWD_GOLEMS);
    MudPoolSetObstacle(*pool, {6.0f, 0.0f, 6.0f}, 1.1f, 3.55f, true);
    for (int f = 0; f < 600; f++) {
        MudPoolUpdate(*pool, {6.0f * std::cos(0.01f * (float)f), 0.0f, 6.0f * std::sin(0.01f * (float)f)}, 1.0f / 60.0f);
        for (int i = 0; i < pool->count; i++) {
            bool valid = false;
            MudArmPose arms = MudGolemArmPose(pool->slots[i], &valid);
            if (!valid) continue;
            for (int k = 0; k < 2; k++)
                for (Vector3 j : {arms.shoulder[k], arms.elbow[k], arms.hand[k]}) {
                    if (!ArenaContainsCircle(j, arms.radius)) return false;
                    bool inSlab = j.y >= -arms.radius && j.y <= 3.55f + arms.radius;
                    if (inSlab && DistanceXZ(j, {6.0f, 0.0f, 6.0f}) < 1.1f + arms.radius) return false;
                }
        }
    }
    return true;
}

int DevTestGolemContact()
{
    Tally tally{};
    Check(tally, CheckPunchReach(), "punch: the hand reaches 2.55 R along the locked line, one latch run per strike");
    Check(tally, CheckHeldInHand(), "held bun: sits in the simulated hand at the end of every update");
    Check(tally, CheckFlightAtShuttle(), "flight: the sweep stops short of the shuttle and the bun splashes on the near side");
    Check(tally, CheckPuddlesHarmless(), "puddle: a landed puddle never carries an active projectile");
    Check(tally, CheckJointsContained(), "arms: every joint of 16 golems stays in the arena and out of the shuttle");
    return Finish(tally);
}

// [SECTION] Benchmarks

constexpr int BENCH_STEPS = 3600;

static Vector3 CirclingPlayer(int step)
{
    float t = (float)step / 60.0f;
    return {6.0f * std::cos(0.35f * t), 0.0f, 6.0f * std::sin(0.35f * t)};
}

static void Percentiles(float *ms, int n, float *median, float *p99, float *most)
{
    std::sort(ms, ms + n);
    *median = ms[n / 2];
    *p99 = ms[std::min(n - 1, (int)std::ceil(0.99 * n) - 1)];
    *most = ms[n - 1];
}

// Times MudPoolUpdate over a crowd scene in wall-clock and processor time (the machine's other
// load shows in the first only); prints how many creatures were attacking on average.
static void BenchmarkCrowd(int kind, const char *name)
{
    static float updateMs[BENCH_STEPS], updateCpuMs[BENCH_STEPS];
    auto pool = NewPool();
    MudSceneCrowd(*pool, kind);
    int attackFrames = 0;
    using Clock = std::chrono::steady_clock;
    for (int step = 0; step < BENCH_STEPS; step++) {
        Vector3 player = CirclingPlayer(step);
        clock_t cpuStart = clock();
        Clock::time_point start = Clock::now();
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        Clock::time_point end = Clock::now();
        clock_t cpuEnd = clock();
        updateMs[step] = std::chrono::duration<float, std::milli>(end - start).count();
        updateCpuMs[step] = (float)((double)(cpuEnd - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
        for (int i = 0; i < pool->count; i++) {
            int state = pool->slots[i].state;
            attackFrames += state >= MUD_DASH_WINDUP && state != MUD_WALKING && state != MUD_CORPSE;
        }
    }
    int living = 0;
    for (int i = 0; i < pool->count; i++) living += pool->slots[i].mass > 0.0f && pool->slots[i].state != MUD_FREE;
    float median, p99, most;
    Percentiles(updateMs, BENCH_STEPS, &median, &p99, &most);
    printf("MudPoolUpdate, %s, %d creatures, %d steps at 1/60 s: median %.4f ms, p99 %.4f ms, max %.4f ms\n", name, living,
           BENCH_STEPS, median, p99, most);
    Percentiles(updateCpuMs, BENCH_STEPS, &median, &p99, &most);
    printf("  processor time: median %.4f ms, p99 %.4f ms, max %.4f ms\n", median, p99, most);
    printf("  creatures attacking on average: %.1f per step\n", (double)attackFrames / BENCH_STEPS);
}

int DevBenchmarkWalkers()
{
    BenchmarkCrowd(MUD_CROWD_WALKERS, "48 walkers kicking");
    BenchmarkCrowd(MUD_CROWD_MIXED, "24 buns, 12 walkers, 12 golems attacking");
    return 0;
}

int DevBenchmarkGolems()
{
    BenchmarkCrowd(MUD_CROWD_GOLEMS, "16 golems among 32 buns");
    return 0;
}
