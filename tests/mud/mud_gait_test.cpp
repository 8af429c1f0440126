// Mudling movement: crowds that keep apart, pursuit that stops short of the player, the shuttle
// bypass that keeps its side, walking cadence at several frame rates, the walking legs, and the
// dash-ending rule of the pushed move.
#include "mud/mud_gait.h"
#include "mud/mud_pool.h"
#include "tests/mud/mud_fixture.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace mudtest;

namespace {

const Vector3 ORIGIN = {0.0f, 0.0f, 0.0f};

// Largest overlap between any two bodies that keep apart (pair reach minus distance).
float WorstOverlap(const MudPool &pool)
{
    float worst = 0.0f;
    for (int i = 0; i < pool.count; i++)
        for (int j = i + 1; j < pool.count; j++) {
            const MudSlot &a = pool.slots[i], &b = pool.slots[j];
            if (!(a.mass > 0.0f) || !(b.mass > 0.0f) || a.state == MUD_BURIED || b.state == MUD_BURIED) continue;
            worst = std::max(worst, MudGaitPairReach(pool, i, j) - DistanceXZ(a.position, b.position));
        }
    return worst;
}

std::unique_ptr<MudPool> QuietPool()
{
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    pool->attacksEnabled = 0;
    return pool;
}

TEST(MudGait, CrowdsNeverOverlapAtAnyRate)
{
    for (float hz : {30.0f, 60.0f, 120.0f}) {
        auto pool = QuietPool();
        for (int k = 0; k < 8; k++) {
            float a = 6.2831853f * (float)k / 8.0f;
            AddBody(*pool, 7.0f * std::cos(a), 7.0f * std::sin(a), 3.0f);
        }
        for (int k = 0; k < 4; k++) {
            float a = 6.2831853f * ((float)k + 0.5f) / 4.0f;
            AddBody(*pool, 4.0f * std::cos(a), 4.0f * std::sin(a), 1.0f);
        }
        float worst = 0.0f;
        for (int f = 0; f < (int)(12.0f * hz); f++) {
            float t = (float)f / hz;
            Vector3 player = t < 6.0f ? ORIGIN : Vector3{2.0f * (t - 6.0f), 0.0f, 0.0f};
            MudPoolUpdate(*pool, player, 1.0f / hz);
            worst = std::max(worst, WorstOverlap(*pool));
        }
        EXPECT_LE(worst, 0.05f) << hz << " Hz";
    }
}

TEST(MudGait, ThirtyBodiesCrowdAStandingPlayer)
{
    auto pool = QuietPool();
    for (int k = 0; k < 30; k++) {
        float a = 6.2831853f * (float)k / 30.0f;
        float r = 6.0f + 3.0f * (float)(k % 3);
        AddBody(*pool, r * std::cos(a), r * std::sin(a), k % 5 == 0 ? 4.0f : (float)(1 + k % 3));
    }
    float worst = 0.0f;
    for (int f = 0; f < 600; f++) {
        MudPoolUpdate(*pool, ORIGIN, 1.0f / 60.0f);
        worst = std::max(worst, WorstOverlap(*pool));
    }
    EXPECT_LE(worst, 0.05f);
    int near = 0;
    for (int i = 0; i < pool->count; i++) near += DistanceXZ(pool->slots[i].position, ORIGIN) < 5.0f;
    EXPECT_GE(near, 8);  // they really crowd in
}

TEST(MudGait, CoincidentBodiesInACornerSeparateInsideTheArena)
{
    auto pool = QuietPool();
    Vector3 corner = ArenaClampCircle({-130.0f, 0.0f, -130.0f}, 1.5f);
    int a = AddBody(*pool, corner.x, corner.z, 2.0f);
    int b = AddBody(*pool, corner.x, corner.z, 2.0f);
    for (int f = 0; f < 10; f++) MudPoolUpdate(*pool, corner, 1.0f / 60.0f);
    const MudSlot &sa = pool->slots[a], &sb = pool->slots[b];
    EXPECT_GE(DistanceXZ(sa.position, sb.position), MudGaitPairReach(*pool, a, b) - 0.02f);
    EXPECT_TRUE(ArenaContainsExtents(sa.position, MudGaitFootprint(sa)));
    EXPECT_TRUE(ArenaContainsExtents(sb.position, MudGaitFootprint(sb)));
}

TEST(MudGait, BunsInLineSpreadSidewaysInsteadOfQueueing)
{
    auto pool = QuietPool();
    int a = AddBody(*pool, -10.0f, 0.0f, 3.0f);
    int b = AddBody(*pool, -12.5f, 0.0f, 3.0f);
    for (int f = 0; f < 60 * 15; f++) MudPoolUpdate(*pool, ORIGIN, 1.0f / 60.0f);
    EXPECT_GE(std::fabs(pool->slots[a].position.z - pool->slots[b].position.z), 1.0f);
    EXPECT_LT(DistanceXZ(pool->slots[a].position, ORIGIN), 4.0f);
    EXPECT_LT(DistanceXZ(pool->slots[b].position, ORIGIN), 4.0f);
}

TEST(MudGait, SmallerWalkersWalkFasterAndStepMore)
{
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        auto pool = QuietPool();
        int small = AddBody(*pool, -4.0f, 0.0f, 4.0f, 0.9f * MUD_UNIT_SIZE);
        int large = AddBody(*pool, 4.0f, 0.0f, 4.0f);
        Vector3 player = {0.0f, 0.0f, 60.0f};
        Vector3 start[2] = {pool->slots[small].position, pool->slots[large].position};
        for (int f = 0; f < (int)hz; f++) MudPoolUpdate(*pool, player, 1.0f / hz);
        const MudSlot &s = pool->slots[small], &l = pool->slots[large];
        float ratio = DistanceXZ(s.position, start[0]) / DistanceXZ(l.position, start[1]);
        EXPECT_NEAR(ratio, 1.1f, 0.01f) << hz;
        EXPECT_GE(s.gaitWeight, 0.98f) << hz;
        EXPECT_GE(l.gaitWeight, 0.98f) << hz;
        EXPECT_GT(s.steps, l.steps) << hz;
    }
}

TEST(MudGait, WalkingCadenceIsTheSameAtEveryRate)
{
    int steps[3];
    float travelled[3];
    const float rates[] = {30.0f, 60.0f, 144.0f};
    for (int r = 0; r < 3; r++) {
        auto pool = QuietPool();
        int w = AddBody(*pool, 0.0f, -20.0f, 5.0f);
        Vector3 start = pool->slots[w].position;
        for (int f = 0; f < (int)(3.0f * rates[r]); f++) MudPoolUpdate(*pool, {0.0f, 0.0f, 40.0f}, 1.0f / rates[r]);
        steps[r] = pool->slots[w].steps;
        travelled[r] = DistanceXZ(pool->slots[w].position, start);
    }
    for (int r = 1; r < 3; r++) {
        EXPECT_NEAR(steps[r], steps[0], 1) << rates[r];
        EXPECT_NEAR(travelled[r], travelled[0], 0.01f) << rates[r];
    }
}

TEST(MudGait, WalkerStopsShortOfAStandingPlayerAndSettles)
{
    auto pool = QuietPool();
    int w = AddBody(*pool, 9.0f, 3.0f, 4.0f);
    Vector3 player = {1.0f, 0.0f, -1.0f};
    for (int f = 0; f < 60 * 8; f++) MudPoolUpdate(*pool, player, 1.0f / 60.0f);
    const MudSlot &s = pool->slots[w];
    EXPECT_LT(DistanceXZ(s.position, player), 1.1f);
    Vector3 last = s.position;
    float moved = 0.0f, heaviest = 0.0f;
    for (int f = 0; f < 60; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        moved += DistanceXZ(s.position, last);
        last = s.position;
        heaviest = std::max(heaviest, s.gaitWeight);
    }
    EXPECT_LT(moved, 0.05f);
    EXPECT_LT(heaviest, 0.1f);
}

TEST(MudGait, WalkerPassesTheShuttleOnOneSide)
{
    auto pool = QuietPool();
    MudPoolSetObstacle(*pool, {0.0f, 0.0f, 0.0f}, 1.1f, 3.55f, true);
    int w = AddBody(*pool, 0.05f, -9.0f, 4.0f);
    Vector3 player = {0.0f, 0.0f, 9.0f};
    int side = 0, switches = 0;
    float closest = 100.0f;
    for (int f = 0; f < 60 * 12; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        const MudSlot &s = pool->slots[w];
        closest = std::min(closest, DistanceXZ(s.position, ORIGIN) - MudGaitContactRadius(s));
        if (std::fabs(s.position.z) < 2.5f && std::fabs(s.position.x) > 0.05f) {
            int now = s.position.x > 0.0f ? 1 : -1;
            if (side != 0 && now != side) switches++;
            side = now;
        }
    }
    EXPECT_EQ(switches, 0);
    EXPECT_GE(closest, 1.1f - 1e-3f);
    EXPECT_LT(DistanceXZ(pool->slots[w].position, player), 1.1f);
}

TEST(MudGait, BunHopsAroundTheShuttleOnOneSide)
{
    auto pool = QuietPool();
    MudPoolSetObstacle(*pool, {0.0f, 0.0f, 0.0f}, 1.1f, 3.55f, true);
    int bun = AddBody(*pool, 0.02f, -8.0f, 1.0f);
    Vector3 player = {0.0f, 0.0f, 8.0f};
    int side = 0, switches = 0;
    float closest = 100.0f;
    for (int f = 0; f < 60 * 20; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        const MudSlot &s = pool->slots[bun];
        closest = std::min(closest, DistanceXZ(s.position, ORIGIN) - MudGaitContactRadius(s));
        if (std::fabs(s.position.z) < 2.0f && std::fabs(s.position.x) > 0.05f) {
            int now = s.position.x > 0.0f ? 1 : -1;
            if (side != 0 && now != side) switches++;
            side = now;
        }
    }
    const MudSlot &s = pool->slots[bun];
    EXPECT_EQ(switches, 0);
    EXPECT_GE(closest, 1.1f - 1e-3f);
    // A bun's hops stop 1.42 R + 0.45 short of the player.
    EXPECT_NEAR(DistanceXZ(s.position, player), 1.42f * MudBodyRadius(s) + 0.45f, 0.05f);
}

// The ring is snug: the walker touches it all round (pair reach 2.53 m).
TEST(MudGait, EnclosedWalkerSettlesInsteadOfCycling)
{
    auto pool = QuietPool();
    int w = AddBody(*pool, 0.0f, 0.0f, 4.0f);
    for (int k = 0; k < 8; k++) {
        float a = 6.2831853f * (float)k / 8.0f;
        int b = AddBody(*pool, 2.55f * std::cos(a), 2.55f * std::sin(a), 3.0f);
        pool->slots[b].state = MUD_EMERGING;  // immovable, held at its spawn point
        pool->slots[b].duration = 1e9f;
    }
    Vector3 enclosed = pool->slots[w].position;
    Vector3 player = {20.0f, 0.0f, 5.0f};
    float farthest = 0.0f;
    for (int f = 0; f < 60 * 5; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        farthest = std::max(farthest, DistanceXZ(pool->slots[w].position, enclosed));
    }
    EXPECT_LE(farthest, 0.25f);
    EXPECT_LT(pool->slots[w].gaitWeight, 0.1f);
}

// A pushed move ends a dash only when it really moves the body; the crowd's zero shares and an
// idle knockback must not end every dash on its first frame.
TEST(MudGait, OnlyARealPushEndsADash)
{
    struct Case {
        const char *name;
        Vector3 push;
        bool ends;
    };
    const Case cases[] = {{"zero", {0.0f, 0.0f, 0.0f}, false},
                          {"below a micrometre", {4e-7f, 0.0f, 4e-7f}, false},
                          {"a centimetre sideways", {0.0f, 0.0f, 0.01f}, true}};
    for (const Case &c : cases) {
        auto pool = QuietPool();
        int i = AddBody(*pool, 5.0f, 5.0f, 1.0f);
        MudSlot &s = pool->slots[i];
        s.state = MUD_DASH;
        s.attackDir = {1.0f, 0.0f, 0.0f};
        // A quarter of the way along its line after a quarter of its time.
        s.dashFrom = {s.position.x - 2.0f, s.position.y, s.position.z};
        s.dashTo = {s.position.x + 6.0f, s.position.y, s.position.z};
        s.duration = s.dashDuration = 0.8f;
        s.timer = s.dashElapsed = 0.2f;
        MudGaitPushedMove(*pool, i, c.push);
        EXPECT_EQ(s.state == MUD_DASH_RECOVERY, c.ends) << c.name;
        if (c.ends) {
            EXPECT_NEAR(s.dashDuration, 0.2f, 1e-6f) << c.name;  // the hit sweep ends where it stopped
            EXPECT_EQ(s.dashTo.x, s.position.x) << c.name;
        }
    }
    // A whole update with an idle knockback keeps the dash.
    auto pool = QuietPool();
    int i = AddBody(*pool, 5.0f, 5.0f, 1.0f);
    pool->slots[i].state = MUD_DASH;
    pool->slots[i].duration = pool->slots[i].dashDuration = 5.0f;
    MudPoolUpdate(*pool, {30.0f, 0.0f, 30.0f}, 1.0f / 60.0f);
    EXPECT_EQ(pool->slots[i].state, MUD_DASH);
}

TEST(MudGait, CrowdDashRules)
{
    struct Case {
        const char *name;
        bool bossDashes, bunDashes, bunMovesIn;
        int bossState, bunState;  // expected afterwards
    };
    const Case cases[] = {
        {"a boss dash goes through an ordinary bun", true, false, false, MUD_DASH, MUD_RESTING},
        {"a bun dashing into a dashing boss stops", true, true, true, MUD_DASH, MUD_DASH_RECOVERY},
        {"a bun dashing into a resting boss stops", false, true, true, MUD_RESTING, MUD_DASH_RECOVERY},
    };
    for (const Case &c : cases) {
        auto pool = QuietPool();
        int boss = AddBody(*pool, 0.0f, 0.0f, 3.0f, MUD_BOSS_SIZE);
        pool->slots[boss].boss = 1;
        pool->slots[boss].health = 24.0f;
        int bun = AddBody(*pool, 3.0f, 0.0f, 1.0f);
        if (c.bossDashes) {
            pool->slots[boss].state = MUD_DASH;
            pool->slots[boss].attackDir = {1.0f, 0.0f, 0.0f};
        }
        if (c.bunDashes) {
            pool->slots[bun].state = MUD_DASH;
            pool->slots[bun].attackDir = {c.bunMovesIn ? -1.0f : 1.0f, 0.0f, 0.0f};
        }
        Vector3 before = pool->slots[bun].position;
        MudGaitCrowdSolve(*pool);
        EXPECT_EQ(pool->slots[boss].state, c.bossState) << c.name;
        EXPECT_EQ(pool->slots[bun].state, c.bunState) << c.name;
        EXPECT_GT(DistanceXZ(pool->slots[bun].position, before), 0.1f) << c.name;
    }
}

TEST(MudGait, ShuttlePushOutTakesBodiesOutAndCarriesBuriedSpawnPoints)
{
    auto pool = QuietPool();
    MudPoolSetObstacle(*pool, {0.0f, 0.0f, 0.0f}, 1.1f, 3.55f, true);
    int walker = AddBody(*pool, -4.0f, 0.0f, 4.0f);
    int buried = AddBody(*pool, 0.0f, 4.0f, 1.0f);
    MudSlot &w = pool->slots[walker], &b = pool->slots[buried];
    w.previousPosition = w.position;
    w.position.x = 0.2f;  // walked into the hull this frame
    b.state = MUD_BURIED;
    b.previousPosition = b.position;
    b.position.z = 1.0f;
    b.spawnPoint.z = 1.0f;
    MudGaitShuttlePushOut(*pool);
    EXPECT_GE(DistanceXZ(w.position, ORIGIN), 1.1f + MudGaitContactRadius(w));
    EXPECT_LT(w.position.x, 0.0f);  // back on the side it came from
    EXPECT_GE(DistanceXZ(b.position, ORIGIN), 1.1f + MudGaitContactRadius(b));
    EXPECT_EQ(b.spawnPoint.z, b.position.z);
}

TEST(MudGait, FootprintFollowsTheHeading)
{
    auto pool = QuietPool();
    int i = AddBody(*pool, 0.0f, 0.0f, 1.0f);
    MudSlot &s = pool->slots[i];
    s.scale = {1.3f, 0.1f, 0.8f};  // flat: no lobes
    s.yaw = 0.0f;
    Vector2 a = MudGaitFootprint(s);
    s.yaw = 1.5707963f;
    Vector2 b = MudGaitFootprint(s);
    EXPECT_NEAR(a.x, 1.3f * MUD_UNIT_SIZE, 1e-4f);
    EXPECT_NEAR(a.y, 0.8f * MUD_UNIT_SIZE, 1e-4f);
    EXPECT_NEAR(b.x, a.y, 1e-4f);
    EXPECT_NEAR(b.y, a.x, 1e-4f);
    s.scale = MudRestShape(s);  // a standing bun's lobes widen it
    Vector2 c = MudGaitFootprint(s);
    EXPECT_GT(c.x, 1.13f * MUD_UNIT_SIZE);
    int w = AddBody(*pool, 5.0f, 0.0f, 4.0f);
    Vector2 d = MudGaitFootprint(pool->slots[w]);
    EXPECT_EQ(d.x, MudGaitContactRadius(pool->slots[w]));
}

TEST(MudGait, WalkingLegsPlantOneFootWhileTheOtherSwings)
{
    auto pool = QuietPool();
    int w = AddBody(*pool, 10.0f, 10.0f, 4.0f);
    MudSlot &s = pool->slots[w];
    bool valid = false;
    MudLegPose legs = MudGaitLegPose(s, &valid);
    ASSERT_TRUE(valid);
    // Standing: feet beside the body on the ground.
    for (int k = 0; k < 2; k++) {
        EXPECT_NEAR(legs.foot[k].y - TerrainHeight(legs.foot[k].x, legs.foot[k].z), 0.85f * legs.radius, 1e-4f);
        EXPECT_NEAR(DistanceXZ(legs.foot[k], s.position), 0.7f * MudBodyRadius(s), 1e-3f);
    }
    EXPECT_LT(legs.foot[0].x, s.position.x);  // leg 0 on the left of a body facing +z
    s.gaitWeight = 1.0f;
    for (int k = 0; k < 100; k++) {
        s.gaitPhase = (float)k / 100.0f;
        legs = MudGaitLegPose(s, &valid);
        int lifted = 0;
        for (int f = 0; f < 2; f++)
            lifted += legs.foot[f].y - TerrainHeight(legs.foot[f].x, legs.foot[f].z) > 0.85f * legs.radius + 1e-4f;
        EXPECT_LE(lifted, 1) << s.gaitPhase;
    }
    s.state = MUD_BURIED;
    MudGaitLegPose(s, &valid);
    EXPECT_FALSE(valid);
    int bun = AddBody(*pool, 0.0f, 0.0f, 2.0f);
    legs = MudGaitLegPose(pool->slots[bun], &valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(legs.foot[1].x, pool->slots[bun].position.x);  // the snapshot repeats the position
}

TEST(MudGait, LegsStayInTheArenaAndOutOfTheShuttle)
{
    auto pool = QuietPool();
    MudPoolSetObstacle(*pool, {20.0f, 0.0f, 0.0f}, 1.1f, 3.55f, true);
    int edge = AddBody(*pool, 127.0f, 0.0f, 6.0f);
    int hull = AddBody(*pool, 20.0f - 1.1f - 1.2f, 0.0f, 6.0f);
    pool->slots[edge].yaw = 1.5707963f;
    pool->slots[hull].yaw = 1.5707963f;
    for (int i : {edge, hull}) {
        MudSlot &s = pool->slots[i];
        s.obstacle = pool->obstacle;
        for (int k = 0; k < 20; k++) {
            s.gaitWeight = 1.0f;
            s.gaitPhase = 0.05f * (float)k;
            bool valid;
            MudLegPose legs = MudGaitLegPose(s, &valid);
            for (Vector3 joint : {legs.hip[0], legs.hip[1], legs.knee[0], legs.knee[1], legs.foot[0], legs.foot[1]}) {
                EXPECT_TRUE(ArenaContainsCircle(joint, legs.radius));
                EXPECT_GE(DistanceXZ(joint, pool->obstacle.position), 1.1f + legs.radius);
            }
        }
    }
}

}  // namespace
