// Ordinary attacks: the bun dash with its latch and sweep, the cut dash, the walker kick with its
// planted support foot, boss 0's leap and long dash through a crowd, the phase ends of every
// attack at three frame rates, and pause leaving a pool of attackers unchanged.
#include "mud/mud_attack.h"
#include "mud/mud_gait.h"
#include "mud/mud_golem.h"
#include "mud/mud_pack.h"
#include "mud/mud_pool.h"
#include "tests/mud/mud_fixture.h"
#include "common/maths.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace mudtest;

namespace {

std::unique_ptr<MudPool> AttackPool()
{
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    return pool;
}

double Frame(float hz) { return 1.0 / hz + 1e-4; }

// A resting bun 5 m from a standing player: one dash, recorded frame by frame.
struct DashRun {
    StateLog log;
    int activeFrames, activeRuns, activeOutsideDash;
    Vector3 lockedTarget, attackDir, end, dashFrom, dashTo;
    float plannedDuration;
    bool sweepChained;
};

DashRun RunDash(float hz, Vector3 player, Vector3 dodge)
{
    DashRun run{};
    auto pool = AttackPool();
    int i = AddBody(*pool, 0.0f, 20.0f, 1.0f);
    bool wasActive = false, planned = false;
    Vector3 lastEnd = pool->slots[i].position;
    run.sweepChained = true;
    for (int f = 0; f < (int)(4.0f * hz); f++) {
        const MudSlot &s = pool->slots[i];
        Vector3 target = s.state == MUD_DASH_WINDUP || s.state == MUD_DASH ? dodge : player;
        MudPoolUpdate(*pool, target, 1.0f / hz);
        run.log.Note(s.state, (f + 1) / (double)hz);
        if (s.state == MUD_DASH && !planned) {
            planned = true;
            run.plannedDuration = s.dashDuration;
            run.dashFrom = s.dashFrom;
            run.dashTo = s.dashTo;
            run.lockedTarget = s.lockedTarget;
            run.attackDir = s.attackDir;
        }
        if (s.dashActive) {
            run.activeFrames++;
            if (!wasActive) run.activeRuns++;
            if (s.state != MUD_DASH && s.state != MUD_DASH_RECOVERY) run.activeOutsideDash++;
            // Each frame's sweep starts where the last one ended.
            if (wasActive && DistanceXZ(s.previousPosition, lastEnd) > 1e-5f) run.sweepChained = false;
        }
        wasActive = s.dashActive;
        lastEnd = s.position;
        if (s.state == MUD_DASH_RECOVERY && run.end.x == 0.0f) run.end = s.position;
    }
    return run;
}

TEST(MudAttack, BunDashEndsTwoMetresPastTheLockedSpotAtEveryRate)
{
    const Vector3 player = {0.0f, 0.0f, 25.0f};
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        DashRun run = RunDash(hz, player, player);
        EXPECT_NEAR(run.log.Span(MUD_DASH_WINDUP), MUD_DASH_WINDUP_SECONDS, Frame(hz)) << hz;
        // The windup backed the bun off a little: about 5.3 m to go, plus 2 m, at 10.5 m/s.
        EXPECT_NEAR(run.plannedDuration, 0.70f, 0.02f) << hz;
        EXPECT_NEAR(run.log.Span(MUD_DASH), run.plannedDuration, Frame(hz)) << hz;
        EXPECT_NEAR(run.log.Span(MUD_DASH_RECOVERY), MUD_DASH_RECOVERY_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(DistanceXZ(run.end, run.lockedTarget), MUD_DASH_OVERRUN, 0.01f) << hz;
        EXPECT_GT(run.end.z, run.lockedTarget.z) << "past the spot, not short of it";
        EXPECT_EQ(run.activeRuns, 1) << "the latch opens once per dash";
        EXPECT_EQ(run.activeOutsideDash, 0);
        EXPECT_TRUE(run.sweepChained);
        // Every frame that overlaps the dash, including the one it starts in and the one it ends in.
        int frames = (int)std::ceil(run.plannedDuration * hz - 1e-3f);
        EXPECT_GE(run.activeFrames, frames) << hz;
        EXPECT_LE(run.activeFrames, frames + 1) << hz;
    }
}

TEST(MudAttack, TheDashSweepAndItsSprayArePackedDuringARealDash)
{
    auto pool = AttackPool();
    int i = AddBody(*pool, 0.0f, 20.0f, 1.0f);
    const MudSlot &s = pool->slots[i];
    auto record = std::make_unique<MudPackRecord>();
    int packed = 0;
    for (int f = 0; f < 240; f++) {
        MudPoolUpdate(*pool, {0.0f, 0.0f, 25.0f}, 1.0f / 60.0f);
        if (s.state != MUD_DASH && s.state != MUD_DASH_RECOVERY) continue;
        MudPack(*pool, *record, {0.0f, 30.0f, 45.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.6f, -0.8f}, 20.0f, 16.0f / 9.0f);
        Vector4 from = record->a.mudDashStarts[i], to = record->a.mudDashEnds[i];
        EXPECT_EQ(from.x, s.dashFrom.x);
        EXPECT_EQ(to.z, s.dashTo.z);
        EXPECT_EQ(from.w, s.dashElapsed);
        EXPECT_EQ(to.w, s.dashDuration);
        // Six drops over a 0.7 s dash, each landing after it was thrown out.
        float landings[6] = {record->a.mudDashImpactsA[i].x, record->a.mudDashImpactsA[i].y, record->a.mudDashImpactsA[i].z,
                             record->a.mudDashImpactsA[i].w, record->a.mudDashImpactsB[i].x, record->a.mudDashImpactsB[i].y};
        for (int j = 0; j < 6; j++) EXPECT_GT(landings[j], 0.03f + 0.08f * (float)j) << j;
        packed++;
    }
    EXPECT_GT(packed, 40);
}

TEST(MudAttack, ADodgingPlayerIsNotFollowed)
{
    const Vector3 player = {0.0f, 0.0f, 25.0f}, dodge = {3.0f, 0.0f, 25.0f};
    DashRun run = RunDash(60.0f, player, dodge);
    // The aim was locked on the spot where the player stood when the windup began.
    EXPECT_NEAR(run.lockedTarget.x, 0.0f, 1e-5f);
    EXPECT_NEAR(run.end.x, run.dashFrom.x, 0.01f) << "the dash keeps its line";
    EXPECT_NEAR(run.dashTo.x, run.dashFrom.x, 1e-4f);
}

TEST(MudAttack, ACutDashSweepEndsWhereTheBodyStopped)
{
    struct Case {
        const char *name;
        Vector3 push;     // applied a third of the way along
        float fraction;   // of the planned sweep duration expected
    };
    const Case cases[] = {
        {"pushed sideways: the time along the line", {0.0f, 0.0f, 0.3f}, 1.0f / 3.0f},
        {"pushed back along its line: the distance travelled", {-1.0f, 0.0f, 0.0f}, 1.0f / 3.0f - 1.0f / 9.0f},
    };
    for (const Case &c : cases) {
        MudSlot s{};
        s.state = MUD_DASH;
        s.mass = 1.0f;
        s.size = MUD_UNIT_SIZE;
        s.dashFrom = {0.0f, 0.5f, 0.0f};
        s.dashTo = {9.0f, 0.5f, 0.0f};
        s.dashDuration = s.duration = 0.9f;
        s.timer = s.dashElapsed = 0.3f;
        s.position = Vector3{3.0f, 0.5f, 0.0f} + c.push;
        MudGaitStopDash(s);
        EXPECT_EQ(s.state, MUD_DASH_RECOVERY) << c.name;
        EXPECT_NEAR(s.dashDuration, 0.9f * c.fraction, 1e-5f) << c.name;
        EXPECT_EQ(s.dashTo.x, s.position.x) << c.name;
    }
    // A dash that is over keeps its whole sweep; a zero-length dash falls back to its clock.
    MudSlot s{};
    s.dashFrom = {0.0f, 0.0f, 0.0f};
    s.dashTo = {4.0f, 0.0f, 0.0f};
    s.dashDuration = 0.4f;
    s.dashElapsed = 0.9f;
    EXPECT_FLOAT_EQ(MudAttackCutSweepDuration(s, s.dashTo), 0.4f);
    s.dashTo = s.dashFrom;
    s.dashElapsed = 0.05f;
    EXPECT_FLOAT_EQ(MudAttackCutSweepDuration(s, s.dashTo), 0.05f);
}

TEST(MudAttack, DashesAtTheWallStopShortAndStayInTheArena)
{
    // A three-clod bun dashing at a player in the corner of the arena.
    auto pool = AttackPool();
    int i = AddBody(*pool, 112.0f, -118.0f, 3.0f);
    Vector3 player = {118.0f, 0.0f, -125.0f};
    bool dashed = false;
    for (int f = 0; f < 240; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        const MudSlot &s = pool->slots[i];
        dashed = dashed || s.state == MUD_DASH;
        EXPECT_TRUE(ArenaContainsExtents(s.position, MudGaitFootprint(s))) << f;
    }
    EXPECT_TRUE(dashed);
    // A bun facing the wall it touches: its dash has length 0 and lasts the shortest time.
    pool = AttackPool();
    i = AddBody(*pool, 0.0f, 140.0f, 1.0f);
    MudSlot &s = pool->slots[i];
    s.position.z = ArenaClampExtents(s.position, MudGaitFootprint(s)).z;
    MudAttackStartDashWindup(*pool, i, {0.0f, 0.0f, 140.0f});
    s.timer = s.duration;
    MudAttackBunEnd(*pool, i);
    EXPECT_EQ(s.state, MUD_DASH);
    EXPECT_LT(DistanceXZ(s.dashFrom, s.dashTo), 0.05f);
    EXPECT_NEAR(s.dashDuration, MUD_DASH_MIN_SECONDS, 0.01f);
}

// A walker that has closed in kicks; recorded over `seconds`.
struct KickRun {
    StateLog log;
    int legs[4];
    int kicks;
    float supportDrift, supportLift, reach, sideways;
    int activeOutsideStrike, activeRuns;
};

KickRun RunKicks(float hz, float seconds, Vector3 player)
{
    KickRun run{};
    auto pool = AttackPool();
    int i = AddBody(*pool, 0.0f, 20.0f, 4.0f);
    MudSlot &s = pool->slots[i];
    float R = MudBodyRadius(s);
    Vector3 planted{};
    bool wasActive = false;
    for (int f = 0; f < (int)(seconds * hz); f++) {
        int before = s.state;
        MudPoolUpdate(*pool, player, 1.0f / hz);
        run.log.Note(s.state, (f + 1) / (double)hz);
        if (s.state == MUD_KICK_WINDUP && before != MUD_KICK_WINDUP && run.kicks < 4) run.legs[run.kicks++] = s.kickLeg;
        bool kicking = s.state == MUD_KICK_WINDUP || s.state == MUD_KICK_STRIKE;
        MudLegPose legs = MudGaitLegPose(s, nullptr);
        int support = 1 - s.kickLeg;
        if (kicking && before == MUD_WALKING) planted = legs.foot[support];
        if (kicking && s.timer > 0.16f) {
            // Planted once the windup has settled it: no drift, no lift.
            run.supportDrift = std::fmax(run.supportDrift, DistanceXZ(legs.foot[support], planted));
            float ground = TerrainHeight(legs.foot[support].x, legs.foot[support].z) + 0.85f * legs.radius;
            run.supportLift = std::fmax(run.supportLift, std::fabs(legs.foot[support].y - ground));
        }
        if (s.state == MUD_KICK_STRIKE) {
            // The foot at the strike's very end, whichever frames the rate samples.
            MudSlot end = s;
            end.timer = end.duration;
            Vector3 d = MudGaitLegPose(end, nullptr).foot[s.kickLeg] - s.attackBase;
            run.reach = (d.x * s.attackDir.x + d.z * s.attackDir.z) / R;
            Vector3 side = {s.attackDir.z, 0.0f, -s.attackDir.x};
            run.sideways = (d.x * side.x + d.z * side.z) / R;
        }
        // The strike's last frame may end in recovery; its motion still counts.
        bool strikeFrame = s.state == MUD_KICK_STRIKE || (s.state == MUD_KICK_RECOVERY && before == MUD_KICK_STRIKE);
        if (s.kickActive && !strikeFrame) run.activeOutsideStrike++;
        if (s.kickActive && !wasActive) run.activeRuns++;
        wasActive = s.kickActive;
    }
    return run;
}

TEST(MudAttack, WalkerKicksAlternateWithThePlantedSupportFootAtEveryRate)
{
    const Vector3 player = {0.0f, 0.0f, 21.2f};
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        KickRun run = RunKicks(hz, 6.0f, player);
        ASSERT_GE(run.kicks, 2) << hz;
        EXPECT_NE(run.legs[0], run.legs[1]) << "legs alternate";
        EXPECT_NEAR(run.log.Span(MUD_KICK_WINDUP), MUD_KICK_WINDUP_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(run.log.Span(MUD_KICK_STRIKE), MUD_KICK_STRIKE_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(run.log.Span(MUD_KICK_RECOVERY), MUD_KICK_RECOVERY_SECONDS, Frame(hz)) << hz;
        EXPECT_LT(run.supportDrift, 1e-4f);
        EXPECT_LT(run.supportLift, 1e-4f);
        EXPECT_NEAR(run.reach, 1.9f, 0.02f) << "the kick reaches 1.9 R ahead";
        EXPECT_NEAR(std::fabs(run.sideways), 0.1f, 0.01f) << "swinging in under the body";
        EXPECT_EQ(run.activeOutsideStrike, 0);
        EXPECT_EQ(run.activeRuns, run.kicks - (run.log.state[run.log.count - 1] == MUD_KICK_WINDUP));
    }
}

TEST(MudAttack, BossZeroLeapsToItsApexThenDashesEighteenMetres)
{
    auto pool = AttackPool();
    Vector3 player = {0.0f, 0.0f, 0.0f};
    int b = AddBoss(*pool, -12.0f, 0.0f, 0);
    ASSERT_GE(b, 0);
    MudSlot &s = pool->slots[b];
    float apex = 0.0f, crossing = 0.0f;
    Vector3 leapTarget{}, landing{};
    StateLog log{};
    for (int f = 0; f < 144 * 12; f++) {
        int before = s.state;
        MudPoolUpdate(*pool, player, 1.0f / 144.0f);
        log.Note(s.state, (f + 1) / 144.0);
        if (s.state == MUD_BOSS_LEAP && landing.x == 0.0f) {
            apex = std::fmax(apex, s.position.y - MudRestHeight(s, s.scale.y));
            leapTarget = s.lockedTarget - s.attackDir * (MudBodyRadius(s) * 0.7f);
        }
        if (before == MUD_BOSS_LEAP && s.state != MUD_BOSS_LEAP && landing.x == 0.0f) landing = s.position;
        if (s.state == MUD_DASH && before != MUD_DASH) crossing = DistanceXZ(s.dashFrom, s.dashTo);
    }
    EXPECT_GT(log.Entered(MUD_BOSS_LEAP), 0.0) << "a leap first";
    EXPECT_NEAR(log.Span(MUD_BOSS_LEAP), MUD_LEAP_SECONDS, Frame(144.0f));
    EXPECT_NEAR(apex, MUD_LEAP_APEX, 0.01f);
    EXPECT_LT(DistanceXZ(landing, leapTarget), 0.01f) << "lands just short of the locked spot";
    EXPECT_GT(log.Entered(MUD_DASH), log.Entered(MUD_BOSS_LEAP)) << "then a dash";
    EXPECT_GE(crossing, MUD_BOSS_DASH_LENGTH);
    EXPECT_NEAR(log.Span(MUD_DASH_WINDUP, 1), MUD_BOSS_WINDUP_SECONDS, Frame(144.0f));
}

TEST(MudAttack, BossDashPassesThroughSixBunsWithoutStopping)
{
    auto pool = AttackPool();
    Vector3 player = {0.0f, 0.0f, 0.0f};
    int b = AddBoss(*pool, -12.0f, 0.0f, 0);
    ASSERT_GE(b, 0);
    MudSlot &boss = pool->slots[b];
    boss.bossDashes = 1;  // its next attack is a dash
    int buns[6];
    Vector3 start[6];
    for (int k = 0; k < 6; k++) {
        buns[k] = AddBody(*pool, -5.5f + 2.6f * (float)k, 0.3f * (float)(k % 2), 1.0f);
        pool->slots[buns[k]].cooldown = 100.0f;
    }
    float planned = 0.0f;
    StateLog log{};
    for (int f = 0; f < 60 * 4; f++) {
        int before = boss.state;
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        log.Note(boss.state, (f + 1) / 60.0);
        if (boss.state == MUD_DASH && before != MUD_DASH) {
            planned = boss.dashDuration;
            for (int k = 0; k < 6; k++) start[k] = pool->slots[buns[k]].position;
        }
    }
    ASSERT_GT(planned, 0.0f);
    EXPECT_NEAR(log.Span(MUD_DASH), planned, Frame(60.0f)) << "not cut short";
    EXPECT_FLOAT_EQ(boss.dashDuration, planned);
    int shoved = 0;
    for (int k = 0; k < 6; k++) shoved += DistanceXZ(pool->slots[buns[k]].position, start[k]) > 0.5f;
    EXPECT_EQ(shoved, 6) << "every bun in the line was pushed aside";
}

// Phase ends of every attack at three rates: the same times within one frame.
TEST(MudAttack, PhaseEndsAgreeAtThirtySixtyAndOneFortyFourHertz)
{
    struct Phase {
        int state;
        float seconds;
    };
    const Phase punch[] = {{MUD_PUNCH_WINDUP, MUD_PUNCH_WINDUP_SECONDS},
                           {MUD_PUNCH_STRIKE, MUD_PUNCH_STRIKE_SECONDS},
                           {MUD_PUNCH_RECOVERY, MUD_PUNCH_RECOVERY_SECONDS}};
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        auto pool = AttackPool();
        int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
        StateLog log{};
        for (int f = 0; f < (int)(4.0f * hz); f++) {
            MudPoolUpdate(*pool, {0.0f, 0.0f, 21.8f}, 1.0f / hz);
            log.Note(pool->slots[g].state, (f + 1) / (double)hz);
        }
        for (const Phase &p : punch) EXPECT_NEAR(log.Span(p.state), p.seconds, Frame(hz)) << p.state << " at " << hz;
    }
}

TEST(MudAttack, PauseAndBadStepsLeaveAPoolOfAttackersByteIdentical)
{
    auto pool = NewPool(0);
    Vector3 player = {0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 12; k++) {
        float a = 6.2831853f * (float)k / 12.0f;
        AddBody(*pool, 4.5f * std::cos(a), 4.5f * std::sin(a), k % 4 == 0 ? 7.0f : (k % 4 == 1 ? 4.0f : 1.0f));
    }
    AddBoss(*pool, -14.0f, 6.0f, 0);
    int attacking = 0;
    for (int f = 0; f < 400; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        if (f % 40 != 39) continue;
        auto copy = CopyPool(*pool);
        for (float dt : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()})
            MudPoolUpdate(*pool, player, dt);
        MudPoolUpdate(*pool, {std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f}, 1.0f / 60.0f);
        EXPECT_TRUE(SameBytes(*pool, *copy)) << "frame " << f;
        for (int i = 0; i < pool->count; i++) attacking += pool->slots[i].state >= MUD_DASH_WINDUP && pool->slots[i].state != MUD_WALKING;
    }
    EXPECT_GT(attacking, 5) << "the pool was mid-attack while paused";
}

}  // namespace
