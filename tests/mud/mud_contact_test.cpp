// Mudling contacts: swept crossings caught at 30, 60 and 144 Hz, near misses never touched, a
// dodge off the locked dash line, the read-only touch query, wounded bodies by their surviving
// clay, the kick foot as a cylinder, attacks that hurt once, and input guards.
//
// Index
//   [SECTION] Fixture and helpers
//   [SECTION] Swept crossings
//   [SECTION] Body touch
//   [SECTION] Attack queries
//   [SECTION] Guards
#include "mud/mud_contact.h"

#include "common/maths.h"
#include "mud/mud_gait.h"
#include "tests/mud/mud_fixture.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace mudtest;

namespace {

// [SECTION] Fixture and helpers

constexpr float PLAYER_R = 0.27f;
const float RATES[] = {30.0f, 60.0f, 144.0f};

Vector3 Feet(float x, float z) { return {x, TerrainHeight(x, z), z}; }

// Reach of a bun's body cylinder along its sideways and forward axes, player radius included.
float SideReach(const MudSlot &s) { return 1.04f * MudBodyScale(s) * s.scale.x + PLAYER_R; }
float ForwardReach(const MudSlot &s) { return 1.04f * MudBodyScale(s) * s.scale.z + PLAYER_R; }

// Frames of a player walking along x at `speed` from x0 to x1 at height z: how many of them the
// touch query reports. The first frame starts `phase` of a step late, so the frame ends fall
// anywhere along the path.
int TouchFrames(const MudPool &pool, float x0, float x1, float z, float speed, float rate, float phase)
{
    float step = speed / rate;
    int frames = 0;
    for (float x = x0 + phase * step; x < x1; x += step)
        frames += MudContactTouch(pool, Feet(x, z), Feet(x + step, z), PLAYER_R) ? 1 : 0;
    return frames;
}

// A bun in its dash: this update moves it from `from` to `to` along +x.
void DashFrame(MudPool &pool, int i, Vector3 from, Vector3 to)
{
    MudSlot &s = pool.slots[i];
    pool.frame += 1;
    s.state = MUD_DASH;
    s.dashActive = 1;
    s.attackDir = {1.0f, 0.0f, 0.0f};
    s.yaw = std::atan2(1.0f, 0.0f);
    s.scale = {0.88f, 0.58f, 1.53f};
    s.previousPosition = from;
    s.position = to;
}

// [SECTION] Swept crossings

// A player at 10 m/s grazing a bun's flank, where the overlap is shorter than one 30 Hz step.
TEST(MudContact, FastPlayerGrazingABunIsCaughtAtEveryRate)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 0.0f, 0.0f, 1.0f);
    pool->slots[i].yaw = 0.0f;  // forward +z
    float reach = ForwardReach(pool->slots[i]);
    for (float rate : RATES) {
        for (float phase : {0.0f, 0.3f, 0.5f, 0.7f}) {
            SCOPED_TRACE(std::to_string((int)rate) + " Hz, phase " + std::to_string(phase));
            EXPECT_GE(TouchFrames(*pool, -4.0f, 4.0f, 0.995f * reach, 10.0f, rate, phase), 1);
            EXPECT_EQ(TouchFrames(*pool, -4.0f, 4.0f, 1.01f * reach, 10.0f, rate, phase), 0);
        }
    }
    // Only the sweep sees it: at 30 Hz with phase 0.5 no frame end of this walk lies within reach.
    float step = 10.0f / 30.0f, z = 0.995f * reach;
    float a = SideReach(pool->slots[i]);
    bool endInside = false;
    for (float x = -4.0f + 0.5f * step; x < 4.0f; x += step) endInside = endInside || (x * x) / (a * a) + (z * z) / (reach * reach) <= 1.0f;
    EXPECT_FALSE(endInside);
}

// A body flung past a standing player between two frames.
TEST(MudContact, BodyCrossingAStandingPlayerIsCaught)
{
    for (float rate : RATES) {
        SCOPED_TRACE(std::to_string((int)rate) + " Hz");
        auto pool = NewPool(0);
        int i = AddBody(*pool, -5.0f, 2.0f, 1.0f);
        MudSlot &s = pool->slots[i];
        float y = s.position.y;
        float step = 18.0f / rate;
        int frames = 0;
        for (float x = -5.0f; x < 5.0f; x += step) {
            s.previousPosition = {x, y, 2.0f};
            s.position = {x + step, y, 2.0f};
            Vector3 feet = Feet(0.0f, 2.0f - 0.99f * ForwardReach(s));
            frames += MudContactTouch(*pool, feet, feet, PLAYER_R) ? 1 : 0;
        }
        EXPECT_GE(frames, 1);
    }
}

// The boss's 18 m/s dash at a standing player: exactly one hit, whatever the rate; a player who
// stepped off the locked line is never hit.
TEST(MudContact, BossDashHitsOnceAndMissesADodge)
{
    for (float rate : RATES) {
        for (float lateral : {0.0f, 2.0f, 3.2f}) {
            SCOPED_TRACE(std::to_string((int)rate) + " Hz, player " + std::to_string(lateral) + " m off the line");
            auto pool = NewPool(0);
            int i = AddBody(*pool, -20.0f, 0.0f, 3.0f, MUD_BOSS_SIZE);
            pool->slots[i].boss = 1;
            float R = MudBodyRadius(pool->slots[i]);
            float capsule = 0.95f * R * 0.88f;
            bool dodged = lateral > capsule + PLAYER_R;
            float step = 18.0f / rate, y = pool->slots[i].position.y;
            int hits = 0;
            for (float x = -20.0f; x < 20.0f; x += step) {
                DashFrame(*pool, i, {x, y, 0.0f}, {x + step, y, 0.0f});
                hits += MudContactDash(*pool, Feet(0.0f, lateral), Feet(0.0f, lateral), PLAYER_R) ? 1 : 0;
            }
            EXPECT_EQ(hits, dodged ? 0 : 1);
        }
    }
}

// A 10.5 m/s bun dash crossing a player who runs across its line at 10 m/s.
TEST(MudContact, DashCrossingARunningPlayerIsCaught)
{
    for (float rate : RATES) {
        SCOPED_TRACE(std::to_string((int)rate) + " Hz");
        auto pool = NewPool(0);
        int i = AddBody(*pool, -6.0f, 0.0f, 1.0f);
        float y = pool->slots[i].position.y;
        int hits = 0;
        float t = 0.0f, dt = 1.0f / rate;
        for (int frame = 0; frame < (int)(1.2f * rate); frame++, t += dt) {
            DashFrame(*pool, i, {-6.0f + 10.5f * t, y, 0.0f}, {-6.0f + 10.5f * (t + dt), y, 0.0f});
            Vector3 from = Feet(0.1f, -5.0f + 10.0f * t), to = Feet(0.1f, -5.0f + 10.0f * (t + dt));
            hits += MudContactDash(*pool, from, to, PLAYER_R) ? 1 : 0;
        }
        EXPECT_EQ(hits, 1);
    }
}

// [SECTION] Body touch

TEST(MudContact, TouchQueryOnlyReads)
{
    auto pool = NewPool(0);
    AddBody(*pool, 0.0f, 0.0f, 1.0f);
    AddBody(*pool, 0.3f, 1.5f, 4.0f);
    int cut = AddBody(*pool, -1.0f, -1.0f, 3.0f);
    pool->slots[cut].wounds.planarCut = 1;
    pool->slots[cut].wounds.cutPlane = {1.0f, 0.0f, 0.0f, -0.3f};
    int corpse = AddBody(*pool, 2.0f, -1.0f, 2.0f);
    pool->slots[corpse].state = MUD_CORPSE;
    pool->slots[corpse].compression = 1.0f;
    auto before = CopyPool(*pool);
    for (Vector3 p : {Feet(0.0f, 0.0f), Feet(0.4f, 1.2f), Feet(-1.5f, -1.0f), Feet(2.0f, -1.0f), Feet(9.0f, 9.0f)}) {
        bool first = MudContactTouch(*pool, p, p + Vector3{0.5f, 0.0f, 0.0f}, PLAYER_R);
        EXPECT_EQ(MudContactTouch(*pool, p, p + Vector3{0.5f, 0.0f, 0.0f}, PLAYER_R), first);
        EXPECT_TRUE(SameBytes(*pool, *before));
    }
    EXPECT_TRUE(MudContactTouch(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R));
    EXPECT_FALSE(MudContactTouch(*pool, Feet(9.0f, 9.0f), Feet(9.0f, 9.0f), PLAYER_R));
}

TEST(MudContact, OnlyFormedBodiesTouch)
{
    struct Case {
        const char *name;
        MudState state;
        float timerShare;  // of the duration
        float lift;        // metres the body floats above its rest height
        bool touches;
    };
    const Case cases[] = {
        {"resting bun", MUD_RESTING, 0.0f, 0.0f, true},
        {"buried", MUD_BURIED, 0.5f, 0.0f, false},
        {"corpse", MUD_CORPSE, 0.1f, 0.0f, false},
        {"puddle", MUD_PUDDLE, 0.5f, 0.0f, false},
        {"held", MUD_HELD, 0.0f, 0.0f, false},
        {"early reassembly", MUD_REASSEMBLY, 0.6f, 0.0f, false},
        {"late reassembly", MUD_REASSEMBLY, 0.7f, 0.0f, true},
        {"hovering above the head", MUD_HOP_FLIGHT, 0.5f, 2.6f, false},
        {"hopping at head height", MUD_HOP_FLIGHT, 0.5f, 1.4f, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto pool = NewPool(0);
        int i = AddBody(*pool, 0.0f, 0.0f, 1.0f);
        MudSlot &s = pool->slots[i];
        s.state = c.state;
        s.duration = 1.0f;
        s.timer = c.timerShare;
        s.position.y += c.lift;
        s.previousPosition = s.position;
        EXPECT_EQ(MudContactTouch(*pool, Feet(0.5f, 0.0f), Feet(0.5f, 0.0f), PLAYER_R), c.touches);
    }
    // An emptied slot never touches.
    auto pool = NewPool(0);
    AddBody(*pool, 0.0f, 0.0f, 1.0f);
    pool->slots[0].mass = 0.0f;
    EXPECT_FALSE(MudContactTouch(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R));
}

// A side cut: no touch in the removed part, touch by the clay that is left, including a capsule
// whose axis stands in the removed part but whose side reaches the surviving clay.
TEST(MudContact, CutBodyTouchesOnlyWithItsSurvivingClay)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 0.0f, 0.0f, 3.0f);
    MudSlot &s = pool->slots[i];
    s.yaw = 0.0f;  // body x along world x
    float R = MudBodyRadius(s);
    s.wounds.planarCut = 1;
    s.wounds.cutPlane = {1.0f * s.scale.x, 0.0f, 0.0f, -0.55f / R};  // removed beyond x = 0.55 m
    struct Case {
        float x;
        bool touches;
    };
    for (Case c : {Case{1.07f, false}, Case{0.70f, true}, Case{-1.2f, true}, Case{-1.45f, false}}) {
        SCOPED_TRACE("player at x = " + std::to_string(c.x));
        EXPECT_EQ(MudContactTouch(*pool, Feet(c.x, 0.0f), Feet(c.x, 0.0f), PLAYER_R), c.touches);
    }
    // Whole, the same body reaches a player at 1.07 m.
    s.wounds.planarCut = 0;
    EXPECT_TRUE(MudContactTouch(*pool, Feet(1.07f, 0.0f), Feet(1.07f, 0.0f), PLAYER_R));
}

// [SECTION] Attack queries

// The kick's foot is a cylinder: its rim reaches a player whom a sphere of the same radius would
// miss (the foot just below the capsule's round bottom).
TEST(MudContact, KickFootIsACylinderAndHitsOnce)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 0.0f, 0.0f, 4.0f);
    MudSlot &s = pool->slots[i];
    bool valid = false;
    MudLegPose legs = MudGaitLegPose(s, &valid);
    ASSERT_TRUE(valid);
    s.previousLegs = legs;
    s.kickLeg = 0;
    s.kickActive = 1;
    float rf = 0.85f * legs.radius * legs.visibility;
    Vector3 foot = legs.foot[0];
    Vector3 away = {-1.0f, 0.0f, 0.0f};
    Vector3 feet = foot + away * (rf + PLAYER_R - 0.02f);
    feet.y = foot.y + 0.9f * rf - MUD_CONTACT_LOW;
    // A sphere of radius rf at the foot would be farther than rf + r from the capsule's axis.
    Vector3 bottom = feet + Vector3{0.0f, MUD_CONTACT_LOW + PLAYER_R, 0.0f};
    ASSERT_GT(Vector3Distance(bottom, foot), rf + PLAYER_R);

    pool->frame = 5;
    EXPECT_TRUE(MudContactKick(*pool, feet, feet, PLAYER_R));
    EXPECT_EQ(s.kickHitDone, 1);
    EXPECT_FALSE(MudContactKick(*pool, feet, feet, PLAYER_R)) << "once per update";
    pool->frame = 6;
    EXPECT_FALSE(MudContactKick(*pool, feet, feet, PLAYER_R)) << "this kick already hurt";
    s.kickHitDone = 0;
    pool->frame = 7;
    Vector3 clear = feet + away * 0.1f;
    EXPECT_FALSE(MudContactKick(*pool, clear, clear, PLAYER_R));
}

TEST(MudContact, ThrownBunHurtsOnceAndAttacksOffNever)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, -4.0f, 0.0f, 1.0f);
    MudSlot &s = pool->slots[i];
    s.state = MUD_THROWN;
    s.projectileActive = 1;
    s.yaw = std::atan2(1.0f, 0.0f);
    float y = TerrainHeight(0.0f, 0.0f) + 1.0f;
    int hits = 0;
    for (int frame = 0; frame < 16; frame++) {
        pool->frame += 1;
        s.flightFrom = {-4.0f + 0.5f * (float)frame, y, 0.0f};
        s.flightTo = {-3.5f + 0.5f * (float)frame, y, 0.0f};
        hits += MudContactProjectile(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R) ? 1 : 0;
    }
    EXPECT_EQ(hits, 1);

    s.projectileHitDone = 0;
    pool->attacksEnabled = 0;
    pool->frame += 1;
    s.flightFrom = {-1.0f, y, 0.0f};
    s.flightTo = {1.0f, y, 0.0f};
    EXPECT_FALSE(MudContactProjectile(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R));
    EXPECT_FALSE(MudContactDash(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R));
    EXPECT_FALSE(MudContactKick(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R));
    EXPECT_FALSE(MudContactPunch(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R));
}

TEST(MudContact, SweptCapsuleCatchesAFastChordAndAStillPairOnce)
{
    // A limb chord swinging 3 m in one frame through a standing player.
    Vector3 feet = Feet(0.0f, 0.0f);
    Vector3 a0 = feet + Vector3{-1.5f, 0.6f, -0.2f}, b0 = feet + Vector3{-1.5f, 0.6f, 0.2f};
    Vector3 a1 = feet + Vector3{1.5f, 0.6f, -0.2f}, b1 = feet + Vector3{1.5f, 0.6f, 0.2f};
    EXPECT_TRUE(MudContactSweepCapsule(a0, b0, a1, b1, 0.1f, feet, feet, PLAYER_R));
    // The same chord passing above the head, and a still chord just out of reach.
    Vector3 up = {0.0f, 2.2f, 0.0f};
    EXPECT_FALSE(MudContactSweepCapsule(a0 + up, b0 + up, a1 + up, b1 + up, 0.1f, feet, feet, PLAYER_R));
    Vector3 off = {0.0f, 0.0f, 0.6f};
    EXPECT_FALSE(MudContactSweepCapsule(a0 + off, b0 + off, a0 + off, b0 + off, 0.1f, feet, feet, PLAYER_R));
}

// [SECTION] Guards

TEST(MudContact, NonFiniteInputAnswersFalseAndChangesNothing)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 0.0f, 0.0f, 1.0f);
    DashFrame(*pool, i, pool->slots[i].position, pool->slots[i].position);
    pool->slots[i].kickActive = 1;
    auto before = CopyPool(*pool);
    const Vector3 bad[] = {{NAN, 0.0f, 0.0f}, {0.0f, INFINITY, 0.0f}, {0.0f, 0.0f, -INFINITY}};
    for (Vector3 p : bad) {
        Vector3 good = Feet(0.0f, 0.0f);
        for (int which = 0; which < 2; which++) {
            Vector3 from = which ? p : good, to = which ? good : p;
            EXPECT_FALSE(MudContactTouch(*pool, from, to, PLAYER_R));
            EXPECT_FALSE(MudContactDash(*pool, from, to, PLAYER_R));
            EXPECT_FALSE(MudContactKick(*pool, from, to, PLAYER_R));
            EXPECT_FALSE(MudContactPunch(*pool, from, to, PLAYER_R));
            EXPECT_FALSE(MudContactProjectile(*pool, from, to, PLAYER_R));
        }
    }
    EXPECT_FALSE(MudContactTouch(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), NAN));
    EXPECT_FALSE(MudContactDash(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), -1.0f));
    EXPECT_TRUE(SameBytes(*pool, *before));
    // A player path far too long to sample still ends in an answer.
    pool->slots[i].wounds.planarCut = 1;
    pool->slots[i].wounds.cutPlane = {1.0f, 0.0f, 0.0f, 0.2f};
    EXPECT_FALSE(MudContactWounded(pool->slots[i], {-3e38f, 0.0f, 0.0f}, {3e38f, 0.0f, 0.0f}, PLAYER_R));
}

}  // namespace
