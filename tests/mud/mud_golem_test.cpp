// Golems: the exclusive pickup, the held bun in the hand, the throw at the locked spot with its
// release even at a 0.2 s step, flight, puddle and reassembly with the same clay, a flight cut
// by the shuttle, the punch's reach and latch, the arm spring at three rates, the packed arms.
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

using namespace mudtest;

namespace {

std::unique_ptr<MudPool> GolemPool()
{
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    return pool;
}

double Frame(float hz) { return 1.0 / hz + 1e-4; }

TEST(MudGolem, TwoGolemsNeverHoldOneBun)
{
    for (bool bunFirst : {false, true}) {
        for (bool swap : {false, true}) {
            auto pool = GolemPool();
            int bun = bunFirst ? AddBody(*pool, 0.0f, 20.0f, 1.0f) : -1;
            int g0 = AddBody(*pool, swap ? 2.3f : -2.3f, 20.0f, 7.0f);
            int g1 = AddBody(*pool, swap ? -2.3f : 2.3f, 20.0f, 7.0f);
            if (!bunFirst) bun = AddBody(*pool, 0.0f, 20.0f, 1.0f);
            MudPoolUpdate(*pool, {0.0f, 0.0f, 40.0f}, 1.0f / 60.0f);
            const MudSlot &b = pool->slots[bun];
            int holders = (pool->slots[g0].heldBun == bun) + (pool->slots[g1].heldBun == bun);
            EXPECT_EQ(holders, 1);
            EXPECT_EQ(b.state, MUD_HELD);
            EXPECT_TRUE(b.holder == g0 || b.holder == g1);
            EXPECT_EQ(pool->slots[b.holder].heldBun, bun);
            int other = b.holder == g0 ? g1 : g0;
            EXPECT_EQ(pool->slots[other].heldBun, -1);
            EXPECT_NE(pool->slots[other].state, MUD_GRAB);
        }
    }
}

// A golem beside a lone bun with the player standing ahead: pickup, throw, flight, puddle and
// reassembly, recorded for the bun.
struct ThrowRun {
    StateLog golem, bun;
    Vector3 locked, landing, puddleAt;
    float flightPlanned;
    int heldFrames, handMisses, activeInPuddle, activeRuns, sweepBreaks;
    bool released, picksAgain;
    MudSlot before, after;
};

ThrowRun RunThrow(float dt, float seconds, Vector3 player, Vector3 dodge)
{
    ThrowRun run{};
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    int b = AddBody(*pool, 2.2f, 20.6f, 1.0f);
    pool->slots[b].wetness = 0.6f;
    pool->slots[b].dryness = 0.3f;
    run.before = pool->slots[b];
    const MudSlot &G = pool->slots[g], &B = pool->slots[b];
    double time = 0.0;
    bool wasActive = false;
    Vector3 lastSweepEnd{};
    for (int f = 0; f < (int)(seconds / dt + 0.5f); f++) {
        int before = B.state;
        Vector3 target = G.heldBun == b || B.state == MUD_THROWN ? dodge : player;
        MudPoolUpdate(*pool, target, dt);
        time += dt;
        run.golem.Note(G.state, time);
        run.bun.Note(B.state, time);
        if (B.state == MUD_HELD) {
            run.heldFrames++;
            run.locked = G.lockedTarget;
            // Where the hand holds it at the end of every update.
            MudArmPose arms = MudGolemArmPose(G, nullptr);
            float k = G.state == MUD_GRAB ? Smoothstep((G.timer / G.duration - 0.32f) / 0.15f) : 1.0f;
            Vector3 expected = ArenaClampCircle(Vector3Lerp(G.pickupFrom, arms.hand[G.hand], k), 1.05f * MudBodyRadius(B));
            if (Vector3Distance(expected, B.position) > 1e-5f) run.handMisses++;
        }
        if (B.state == MUD_THROWN && before == MUD_HELD) {
            run.released = true;
            run.landing = B.to;
            run.flightPlanned = B.duration;
            EXPECT_EQ(B.holder, -1);
            EXPECT_EQ(G.heldBun, -1);
        }
        if (B.state == MUD_PUDDLE && before == MUD_THROWN) run.puddleAt = B.position;
        if (B.state == MUD_PUDDLE && before == MUD_PUDDLE && B.projectileActive) run.activeInPuddle++;
        // The projectile latch opens once per throw, and each frame's sweep goes on from the last.
        if (B.projectileActive && !wasActive) run.activeRuns++;
        if (B.projectileActive && wasActive && Vector3Distance(B.flightFrom, lastSweepEnd) > 1e-5f) run.sweepBreaks++;
        wasActive = B.projectileActive;
        lastSweepEnd = B.flightTo;
    }
    run.after = B;
    // Once its pickup cooldown is over the golem takes a fresh bun set down beside it.
    if (G.heldBun < 0 && G.pickupCooldown <= 0.0f && (G.state == MUD_WALKING || G.state == MUD_RESTING)) {
        MudSlot &golem = pool->slots[g];
        golem.cooldown = 0.0f;
        int fresh = AddBody(*pool, golem.position.x + 2.2f, golem.position.z, 1.0f);
        MudPoolUpdate(*pool, golem.position, dt);
        run.picksAgain = pool->slots[fresh].state == MUD_HELD && golem.heldBun == fresh;
    }
    return run;
}

TEST(MudGolem, ThrowLandsPastTheLockedSpotAndTheBunReformsWithItsClay)
{
    const Vector3 player = {0.0f, 0.0f, 28.0f}, dodge = {4.0f, 0.0f, 28.0f};
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        ThrowRun run = RunThrow(1.0f / hz, 6.0f, player, dodge);
        ASSERT_TRUE(run.released) << hz;
        EXPECT_EQ(run.handMisses, 0) << "the held bun sits in the simulated hand";
        EXPECT_NEAR(run.locked.x, 0.0f, 1e-4f) << "aimed where the player stood at the pickup";
        EXPECT_NEAR(DistanceXZ(run.landing, run.locked), MUD_THROW_OVERRUN, 0.06f) << hz;
        EXPECT_GT(run.landing.z, run.locked.z);
        EXPECT_LT(DistanceXZ(run.puddleAt, run.landing), 1e-3f) << "the puddle lies at the flight's end";
        EXPECT_EQ(run.activeInPuddle, 0) << "a puddle never hurts";
        EXPECT_EQ(run.activeRuns, 1);
        EXPECT_EQ(run.sweepBreaks, 0);
        EXPECT_NEAR(run.golem.Span(MUD_GRAB), MUD_GRAB_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(run.golem.Span(MUD_THROW_WINDUP), MUD_THROW_WINDUP_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(run.golem.Span(MUD_THROW_FOLLOW), MUD_THROW_FOLLOW_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(run.bun.Span(MUD_THROWN), run.flightPlanned, Frame(hz)) << hz;
        EXPECT_NEAR(run.bun.Span(MUD_PUDDLE), MUD_PUDDLE_SECONDS, Frame(hz)) << hz;
        EXPECT_NEAR(run.bun.Span(MUD_REASSEMBLY), MUD_REASSEMBLY_SECONDS, Frame(hz)) << hz;
        // The throw changes no clay.
        EXPECT_EQ(run.after.mass, run.before.mass);
        EXPECT_EQ(run.after.size, run.before.size);
        EXPECT_EQ(run.after.walkerGrowth, run.before.walkerGrowth);
        EXPECT_EQ(run.after.wetness, run.before.wetness);
        EXPECT_EQ(run.after.dryness, run.before.dryness);
        EXPECT_EQ(run.after.holder, -1);
    }
}

TEST(MudGolem, ASingleLongStepStillReleasesTheBun)
{
    // 0.2 s steps jump over the release point of the 0.32 s windup.
    ThrowRun run = RunThrow(0.2f, 12.0f, {0.0f, 0.0f, 28.0f}, {0.0f, 0.0f, 28.0f});
    EXPECT_TRUE(run.released);
    EXPECT_NE(run.after.state, MUD_HELD);
    EXPECT_GT(run.bun.Entered(MUD_REASSEMBLY), 0.0) << "the bun landed and re-formed";
    EXPECT_TRUE(run.picksAgain) << "the golem is free to pick again";

    // The windup ends in the very update that starts it: the end action lets go.
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    int b = AddBody(*pool, 2.2f, 20.6f, 1.0f);
    MudPoolUpdate(*pool, {0.0f, 0.0f, 28.0f}, 1.0f / 60.0f);
    ASSERT_EQ(pool->slots[g].state, MUD_GRAB);
    MudSlot &G = pool->slots[g];
    G.state = MUD_THROW_WINDUP;
    G.timer = 0.0f;
    G.duration = MUD_THROW_WINDUP_SECONDS;
    G.timer = 1.0f;  // far past the windup
    MudGolemAttackStep(*pool, g);
    EXPECT_EQ(pool->slots[b].state, MUD_THROWN);
    EXPECT_EQ(G.heldBun, -1);
}

TEST(MudGolem, AHeldBunWithoutItsGolemFalls)
{
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    int b = AddBody(*pool, 2.2f, 20.6f, 1.0f);
    MudPoolUpdate(*pool, {0.0f, 0.0f, 28.0f}, 1.0f / 60.0f);
    ASSERT_EQ(pool->slots[b].state, MUD_HELD);
    // The golem forgets the bun (as a hit on it would make it): the bun does not hang forever.
    pool->slots[g].heldBun = -1;
    pool->slots[g].state = MUD_WALKING;
    for (int f = 0; f < 180; f++) MudPoolUpdate(*pool, {0.0f, 0.0f, 28.0f}, 1.0f / 60.0f);
    EXPECT_NE(pool->slots[b].state, MUD_HELD);
    EXPECT_EQ(pool->slots[b].holder, -1);
    EXPECT_GT(pool->slots[b].steps, 0) << "it landed as a puddle";
}

TEST(MudGolem, AFlightStopsAtTheShuttle)
{
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    int b = AddBody(*pool, 2.2f, 20.6f, 1.0f);
    MudPoolSetObstacle(*pool, {0.0f, 0.0f, 25.0f}, 1.1f, 3.55f, true);
    bool puddled = false;
    for (int f = 0; f < 240 && !puddled; f++) {
        MudPoolUpdate(*pool, {0.0f, 0.0f, 30.0f}, 1.0f / 60.0f);
        const MudSlot &s = pool->slots[b];
        if (s.state == MUD_THROWN || s.state == MUD_PUDDLE) {
            // Neither the sweep nor the body enters the cylinder.
            EXPECT_GT(DistanceXZ(s.flightTo, {0.0f, 0.0f, 25.0f}), 1.1f) << f;
            puddled = s.state == MUD_PUDDLE;
        }
    }
    (void)g;
    ASSERT_TRUE(puddled) << "the pickup line was clear, the throw line is not";
    const MudSlot &s = pool->slots[b];
    EXPECT_GE(DistanceXZ(s.position, {0.0f, 0.0f, 25.0f}), 1.1f + 2.3f * MudBodyRadius(s));
    EXPECT_LT(s.position.z, 25.0f) << "short of the shuttle, on the golem's side";
}

TEST(MudGolem, PunchesAlternateHandsAndReachAlongTheLockedLine)
{
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    MudSlot &s = pool->slots[g];
    float R = MudBodyRadius(s);
    int hands[3] = {-1, -1, -1}, punches = 0, runs = 0, outside = 0;
    bool wasActive = false;
    float reach = 0.0f, sweepGap = 0.0f;
    for (int f = 0; f < 60 * 7; f++) {
        int before = s.state;
        // The player sidesteps during every strike: the punch does not follow.
        Vector3 player = s.state == MUD_PUNCH_STRIKE ? Vector3{2.0f, 0.0f, 21.8f} : Vector3{0.0f, 0.0f, 21.8f};
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        if (s.state == MUD_PUNCH_WINDUP && before != MUD_PUNCH_WINDUP && punches < 3) hands[punches++] = s.hand;
        bool strikeFrame = s.state == MUD_PUNCH_STRIKE || (s.state == MUD_PUNCH_RECOVERY && before == MUD_PUNCH_STRIKE);
        if (s.punchActive && !strikeFrame) outside++;
        if (s.punchActive && !wasActive) runs++;
        wasActive = s.punchActive;
        if (s.state == MUD_PUNCH_STRIKE) {
            MudSlot end = s;
            end.timer = end.duration;
            Vector3 d = MudGolemArmPose(end, nullptr).hand[s.hand] - s.attackBase;
            reach = (d.x * s.attackDir.x + d.z * s.attackDir.z) / R;
            EXPECT_NEAR(s.attackDir.x, 0.0f, 1e-5f);
            // The swept hand of this update starts where the last one ended.
            MudArmPose now = MudGolemArmPose(s, nullptr);
            sweepGap = std::fmax(sweepGap, Vector3Distance(s.previousArms.hand[s.hand], now.hand[s.hand]));
        }
    }
    ASSERT_EQ(punches, 3);
    EXPECT_NE(hands[0], hands[1]);
    EXPECT_EQ(hands[0], hands[2]);
    EXPECT_NEAR(reach, 2.55f, 0.01f);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(runs, 3 - (s.state == MUD_PUNCH_WINDUP));
    EXPECT_GT(sweepGap, 0.05f) << "the strike moves the hand between the snapshot and the pose";
}

// A golem turning at a steady rate for 0.6 s, then walking straight.
void ArmLagRun(float hz, float rate, float *lagAtTurnEnd, float *worst, float *settled)
{
    auto pool = GolemPool();
    pool->attacksEnabled = 0;
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    MudSlot &s = pool->slots[g];
    *worst = 0.0f;
    Vector3 player = {0.0f, 0.0f, 20.0f + MudGaitCloseContact(s)};  // close enough to stand
    for (int f = 0; f < (int)(2.0f * hz); f++) {
        if (f < (int)(0.6f * hz)) s.yaw += rate / hz;
        Vector3 before = s.position;
        MudGolemArmSpringStep(s, 0.0f);
        EXPECT_EQ(s.position.x, before.x) << "the spring never moves the body";
        MudPoolUpdate(*pool, player, 1.0f / hz);
        *worst = std::fmax(*worst, std::fabs(s.armLag));
        if (f == (int)(0.6f * hz) - 1) *lagAtTurnEnd = s.armLag;
    }
    *settled = s.armLag;
}

TEST(MudGolem, ArmsLagOppositeTheTurnBoundedAndTheSameAtEveryRate)
{
    // A new golem starts without lag.
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    MudPoolUpdate(*pool, {0.0f, 0.0f, 60.0f}, 1.0f / 60.0f);
    EXPECT_EQ(pool->slots[g].armReady, 1);
    EXPECT_EQ(pool->slots[g].armLag, 0.0f);

    for (float rate : {1.5f, -2.0f, 6.0f}) {
        float lag[3], worst[3], settled[3];
        const float rates[3] = {30.0f, 60.0f, 144.0f};
        for (int k = 0; k < 3; k++) ArmLagRun(rates[k], rate, &lag[k], &worst[k], &settled[k]);
        for (int k = 0; k < 3; k++) {
            EXPECT_LT(lag[k] * rate, 0.0f) << "opposite the turn";
            EXPECT_LE(worst[k], MUD_ARM_LAG_LIMIT + 1e-6f);
            EXPECT_NEAR(lag[k], lag[1], 0.01f) << rate << " rad/s at " << rates[k] << " Hz";
            EXPECT_LT(std::fabs(settled[k]), 1e-3f) << "settles when it walks straight";
        }
    }
}

TEST(MudGolem, ArmsStayOutsideTheTorsoAndAreTheArmsThatArePacked)
{
    auto pool = GolemPool();
    int g = AddBody(*pool, 0.0f, 20.0f, 7.0f);
    MudSlot &s = pool->slots[g];
    for (float lag : {-0.4f, 0.0f, 0.4f}) {
        s.armLag = lag;
        bool valid = false;
        MudArmPose arms = MudGolemArmPose(s, &valid);
        ASSERT_TRUE(valid);
        float R = MudBodyRadius(s);
        Vector3 side = {std::cos(s.yaw), 0.0f, -std::sin(s.yaw)};
        for (int i = 0; i < 2; i++) {
            float sigma = i == 0 ? -1.0f : 1.0f;
            EXPECT_GE(sigma * Vector3DotProduct(arms.hand[i] - s.position, side) / R, 1.1f - 1e-4f) << lag;
            EXPECT_GE(sigma * Vector3DotProduct(arms.elbow[i] - s.position, side) / R, 1.05f - 1e-4f) << lag;
        }
    }
    auto record = std::make_unique<MudPackRecord>();
    MudPack(*pool, *record, {0.0f, 30.0f, 40.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.6f, -0.8f}, 20.0f, 16.0f / 9.0f);
    MudArmPose arms = MudGolemArmPose(s, nullptr);
    EXPECT_EQ(record->b.mudGolemBodies[g].w, arms.visibility);
    EXPECT_EQ(record->b.mudArmHands[2 * g + 1].x, arms.hand[1].x);
    EXPECT_FLOAT_EQ(record->b.mudArmShoulders[2 * g].w, arms.radius * arms.visibility);
    EXPECT_EQ(record->b.mudGolemShapes[g].y, arms.torsoRadii.y);
    // A bun has no arms.
    int bun = AddBody(*pool, 10.0f, 20.0f, 1.0f);
    bool valid = true;
    MudGolemArmPose(pool->slots[bun], &valid);
    EXPECT_FALSE(valid);
}

}  // namespace
