#include "player/health.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};

Health Fresh()
{
    Health h;
    HealthReset(h);
    return h;
}

// One frame as the game orders it: timers first, regeneration, then the blows.
bool Frame(Health &h, float dt, bool contact, float secondsPerHeart = 0.0f)
{
    HealthUpdate(h, dt);
    HealthRegenerate(h, secondsPerHeart, dt);
    return contact && HealthHit(h);
}

}  // namespace

TEST(Health, BlowsRespectInvulnerabilityImmortalityAndDeath)
{
    struct Case {
        const char *name;
        void (*prepare)(Health &);
        int n;
        bool lands;
    } cases[] = {
        {"full health", [](Health &) {}, 1, true},
        {"immortal", [](Health &h) { h.immortal = true; }, 1, false},
        {"less than a quarter", [](Health &) {}, 0, false},
        {"dead", [](Health &h) { h.quarters = 0; }, 1, false},
        {"invulnerable", [](Health &h) { h.invulnerableLeft = 0.01f; }, 4, false},
        {"more than is left", [](Health &h) { h.quarters = 3; }, 4, true},
    };
    for (const Case &c : cases) {
        Health h = Fresh();
        c.prepare(h);
        Health before = h;
        bool landed = HealthDamage(h, c.n);
        EXPECT_EQ(landed, c.lands) << c.name;
        if (!landed) {
            EXPECT_EQ(memcmp(&h, &before, sizeof(Health)), 0) << c.name;
        }
        EXPECT_GE(h.quarters, 0) << c.name;
    }
    // A meteor blow and a contact in the same frame: one blow.
    Health h = Fresh();
    EXPECT_TRUE(HealthDamage(h, HEALTH_OWN_BLOW));
    EXPECT_FALSE(HealthHit(h));
    EXPECT_EQ(h.quarters, 16);
}

// A contact that persists lands its second blow on the first frame after 0.9 s of steps.
TEST(Health, PersistentContactLandsItsSecondBlowAfterPointNineSeconds)
{
    const int expected[] = {27, 54, 130};
    for (int r = 0; r < 3; r++) {
        Health h = Fresh();
        ASSERT_TRUE(Frame(h, 1.0f / RATES[r], true));
        int frame = 0;
        while (++frame < 1000 && !Frame(h, 1.0f / RATES[r], true)) {}
        EXPECT_EQ(frame, expected[r]) << RATES[r];
        EXPECT_EQ(h.quarters, 18);
    }
}

TEST(Health, BlinkAndCracksFollowTheBlow)
{
    Health h = Fresh();
    HealthHit(h);
    EXPECT_EQ(HealthBlink(h), 1.0f);
    HealthUpdate(h, 0.08f);
    EXPECT_EQ(HealthBlink(h), 0.0f);
    EXPECT_GT(h.shownLoss, 0.0f);
    EXPECT_LT(h.shownLoss, 1.0f);
    HealthUpdate(h, 1.0f);
    EXPECT_EQ(h.shownLoss, 1.0f);
    EXPECT_EQ(h.invulnerableLeft, 0.0f);
    EXPECT_EQ(HealthBlink(h), 0.0f);

    // Four blows empty heart slot 4: shown for 0.5 s, fading at 0.65 s, gone at 1.0 s.
    h = Fresh();
    for (int i = 0; i < 4; i++) {
        HealthHit(h);
        HealthUpdate(h, 1.0f);
    }
    EXPECT_EQ(h.quarters, 16);
    h = Fresh();
    for (int i = 0; i < 4; i++) {
        HealthUpdate(h, 0.95f);
        HealthHit(h);
    }
    HealthUpdate(h, 0.4f);
    EXPECT_EQ(h.heartFill[4], 1.0f);
    HealthUpdate(h, 0.25f);
    EXPECT_GT(h.heartFill[4], 0.0f);
    EXPECT_LT(h.heartFill[4], 1.0f);
    HealthUpdate(h, 0.35f);
    EXPECT_EQ(h.heartFill[4], 0.0f);
    EXPECT_EQ(h.heartFill[3], 1.0f);
}

TEST(Health, CapacityRevivesAndReset)
{
    Health h = Fresh();
    h.quarters = 13;
    HealthSetCapacity(h, 1);
    EXPECT_EQ(h.quarters, 17);
    EXPECT_EQ(h.healFlash, 1.0f);
    HealthSetCapacity(h, 99);
    EXPECT_EQ(h.maxQuarters, 40);

    Health dead = Fresh();
    dead.quarters = 0;
    HealthSetCapacity(dead, 1);
    EXPECT_EQ(dead.quarters, 0);
    EXPECT_TRUE(HealthRevive(dead));
    EXPECT_EQ(dead.quarters, 24);
    EXPECT_EQ(dead.invulnerableLeft, 3.0f);
    EXPECT_FALSE(HealthRevive(dead));

    for (int i = 0; i < 45; i++) {
        HealthUpdate(h, 1.0f);
        HealthHit(h);
    }
    EXPECT_EQ(h.quarters, 0);
    HealthReset(h);
    Health fresh = Fresh();
    EXPECT_EQ(memcmp(&h, &fresh, sizeof(Health)), 0);
}

// 60 s per heart: a quarter after every 15 s of steps at any rate; frozen frames keep the
// collected seconds; full health and death stop it.
TEST(Health, RegenerationCountsFifteenSecondsPerQuarterAtEveryRate)
{
    const int expected[] = {450, 900, 2160};
    for (int r = 0; r < 3; r++) {
        Health h = Fresh();
        h.quarters = 10;
        float dt = 1.0f / RATES[r];
        int frame = 0;
        while (h.quarters == 10 && frame < 5000) {
            frame++;
            Frame(h, dt, false, 60.0f);
            if (frame == 100) {
                double kept = h.regenAccumulator;
                for (float frozen : {0.0f, NAN, -1.0f}) Frame(h, frozen, false, 60.0f);
                EXPECT_EQ(h.regenAccumulator, kept);
            }
        }
        EXPECT_EQ(frame, expected[r]) << RATES[r];
    }
    Health full = Fresh();
    full.regenAccumulator = 5.0;
    HealthRegenerate(full, 60.0f, 0.1f);
    EXPECT_EQ(full.regenAccumulator, 0.0);
    Health dead = Fresh();
    dead.quarters = 0;
    HealthRegenerate(dead, 60.0f, 20.0f);
    EXPECT_EQ(dead.quarters, 0);
}
