// The mudling pool: reset, placement, birth and hop timing at several frame rates, the spawn
// clocks, bosses, rollers, the gatherer's twenty, the pause and determinism guarantees, the
// obstacle tests and the ground the creatures leave behind.
#include "tests/mud/mud_fixture.h"
#include "mud/mud_pool.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

using namespace mudtest;

namespace {

const float NAN_F = std::numeric_limits<float>::quiet_NaN();
const float INF_F = std::numeric_limits<float>::infinity();
const Vector3 ORIGIN = {0.0f, 0.0f, 0.0f};

// Runs `seconds` of updates at `hz` towards a fixed player.
void Advance(MudPool &pool, Vector3 player, float seconds, float hz)
{
    int frames = (int)std::lround(seconds * hz);
    for (int f = 0; f < frames; f++) MudPoolUpdate(pool, player, 1.0f / hz);
}

TEST(MudPool, NoImplicitPaddingInAnyRecord)
{
    // Padding bytes would make byte comparisons of equal states fail at random.
    auto check = [](auto record) {
        unsigned char bytes[sizeof(record)];
        memset(&record, 0xA5, sizeof(record));
        __builtin_clear_padding(&record);
        memcpy(bytes, &record, sizeof(record));
        for (unsigned char b : bytes)
            if (b != 0xA5) return false;
        return true;
    };
    EXPECT_TRUE(check(MudObstacle{}));
    EXPECT_TRUE(check(MudLegPose{}));
    EXPECT_TRUE(check(MudWounds{}));
    EXPECT_TRUE(check(MudDebris{}));
    EXPECT_TRUE(check(MudSlot{}));
    EXPECT_TRUE(check(DeathRecord{}));
    auto pool = std::make_unique<MudPool>();
    memset(pool.get(), 0xA5, sizeof(MudPool));
    __builtin_clear_padding(pool.get());
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(pool.get());
    EXPECT_EQ(std::count(bytes, bytes + sizeof(MudPool), 0xA5), (long)sizeof(MudPool));
}

TEST(MudPool, ResetClearsEverythingAndSetsTheDefaults)
{
    auto pool = NewPool(12);
    pool->queued = 40;
    pool->deathCount = 3;
    MudPoolSpawn(*pool, ORIGIN, true, 1.0f, MUD_UNIT_SIZE, false);
    Advance(*pool, ORIGIN, 1.0f, 60.0f);
    MudPoolReset(*pool, 99);
    EXPECT_EQ(pool->count, 0);
    EXPECT_EQ(pool->queued, 0);
    EXPECT_EQ(pool->deathCount, 0);
    EXPECT_EQ(pool->limit, 48);
    EXPECT_EQ(pool->rng, 7319u);
    EXPECT_FLOAT_EQ(pool->spawnTimer, 0.5f);
    EXPECT_EQ(pool->mergeEnabled, 1);
    EXPECT_EQ(pool->attacksEnabled, 1);
    for (const MudSlot &s : pool->slots) {
        EXPECT_EQ(s.heldBun, -1);
        EXPECT_EQ(s.holder, -1);
        EXPECT_EQ(s.mass, 0.0f);
    }
    MudPoolReset(*pool, -5);
    EXPECT_EQ(pool->limit, 0);
}

// Birth and hop timing: the carried overshoot keeps every event within one frame of its time
// whatever the step, where resetting phase clocks to zero drifts by a frame per phase.
TEST(MudPool, BirthAndTenthHopLandAtTheSameTimeAtEveryFrameRate)
{
    const float steps[] = {1.0f / 30.0f, 1.0f / 60.0f, 1.0f / 144.0f, 0.05f};
    for (float dt : steps) {
        auto pool = NewPool(0);
        int i = MudPoolSpawn(*pool, ORIGIN, true, 1.0f, MUD_UNIT_SIZE, false);
        ASSERT_GE(i, 0);
        MudSlot &s = pool->slots[i];
        s.size = MUD_UNIT_SIZE;  // the unit size: no tempo factor
        s.duration = 1.25f;
        Vector3 player = {80.0f, 0.0f, 0.0f};  // far beyond any dash
        double time = 0.0, emerged = -1.0, birthEnd = -1.0, tenth = -1.0;
        for (int f = 0; f < 40 / dt && tenth < 0.0; f++) {
            int before = s.state;
            MudPoolUpdate(*pool, player, dt);
            time += dt;
            if (before == MUD_BURIED && s.state == MUD_EMERGING) emerged = time;
            if (before == MUD_EMERGING && s.state != MUD_EMERGING) birthEnd = time;
            if (s.steps >= 10 && tenth < 0.0) tenth = time;
        }
        double frame = dt + 1e-4;
        EXPECT_NEAR(emerged, 1.25, frame) << "dt " << dt;
        EXPECT_NEAR(birthEnd, 2.2, frame) << "dt " << dt;
        EXPECT_NEAR(tenth - birthEnd, 13.2, frame) << "dt " << dt;
        EXPECT_EQ(s.steps, 10);
    }
}

TEST(MudPool, SmallerBunsHopMoreOftenAndLower)
{
    auto pool = NewPool(0);
    int small = AddBody(*pool, -3.0f, 20.0f, 1.0f, 0.9f * MUD_UNIT_SIZE);
    int large = AddBody(*pool, 3.0f, 20.0f, 1.0f, MUD_UNIT_SIZE);
    Vector3 player = {0.0f, 0.0f, -80.0f};
    float peak[2] = {0.0f, 0.0f};
    for (int f = 0; f < 600; f++) {
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        for (int k = 0; k < 2; k++) {
            const MudSlot &s = pool->slots[k == 0 ? small : large];
            float lift = s.position.y - TerrainHeight(s.position.x, s.position.z) - s.scale.y * MudBodyRadius(s);
            if (s.state == MUD_HOP_FLIGHT) peak[k] = std::max(peak[k], lift);
        }
    }
    EXPECT_GT(pool->slots[small].steps, pool->slots[large].steps);
    EXPECT_NEAR(peak[0] / peak[1], 0.9f, 0.03f);
}

TEST(MudPool, AmbientSpawnerFillsExactlyItsLimitAtEveryRate)
{
    for (float hz : {30.0f, 60.0f, 120.0f}) {
        auto pool = NewPool(32);
        pool->mergeEnabled = 0;
        int seen = 0;
        for (int f = 0; f < (int)(10.0f * hz); f++) {
            MudPoolUpdate(*pool, ORIGIN, 1.0f / hz);
            for (; seen < pool->count; seen++) {
                const MudSlot &s = pool->slots[seen];
                EXPECT_EQ(s.state, MUD_BURIED) << hz;
                EXPECT_EQ(s.presence, 0.0f) << hz;
                EXPECT_GT(DistanceXZ(s.spawnPoint, ORIGIN), 4.5f) << hz;
            }
        }
        EXPECT_EQ(pool->count, 32) << hz;
    }
}

// Spawn clocks advance by their interval, so the n-th creature appears at the same time at
// any frame rate (re-arming the clock would add up to a frame per interval).
TEST(MudPool, SpawnClocksKeepTheirCadenceAtEveryRate)
{
    struct Case {
        bool director;
        float first, interval;
    };
    const Case cases[] = {{false, 0.5f, 0.17f}, {true, 0.0f, 0.32f}};
    for (const Case &c : cases) {
        for (float hz : {30.0f, 60.0f, 144.0f}) {
            auto pool = NewPool(40);
            if (c.director) MudPoolSetDirector(*pool, 40, 0, 0);
            double time = 0.0;
            int seen = 0;
            std::vector<double> times;
            while (times.size() < 8 && time < 10.0) {
                MudPoolUpdate(*pool, ORIGIN, 1.0f / hz);
                time += 1.0 / hz;
                for (; seen < pool->count; seen++) times.push_back(time);
            }
            ASSERT_EQ(times.size(), 8u);
            for (size_t k = 0; k < times.size(); k++)
                EXPECT_NEAR(times[k], c.first + c.interval * (double)k, 1.0 / hz + 1e-4)
                    << (c.director ? "director" : "ambient") << " " << hz << " Hz, creature " << k;
        }
    }
}

TEST(MudPool, ExtraSpawnQueueFillsThePoolAndRefillsAFreedSlot)
{
    auto pool = NewPool(0);
    for (int k = 0; k < 16; k++) ASSERT_GE(MudPoolSpawn(*pool, ORIGIN, true, 1.0f, MUD_UNIT_SIZE, false), 0);
    for (int k = 0; k < 4; k++) MudPoolQueueExtra(*pool);
    ASSERT_EQ(pool->queued, 40);
    Advance(*pool, ORIGIN, 2.0f, 60.0f);
    EXPECT_EQ(pool->count, MUD_CAPACITY);
    EXPECT_EQ(pool->queued, 8);

    pool->slots[20].mass = 0.0f;
    pool->slots[20].state = MUD_FREE;
    Advance(*pool, ORIGIN, 1.0f, 60.0f);
    EXPECT_EQ(pool->queued, 7);
    EXPECT_GT(pool->slots[20].mass, 0.0f);
    EXPECT_NE(pool->slots[20].state, MUD_FREE);

    MudPoolReset(*pool, 12);
    EXPECT_EQ(pool->queued, 0);
}

TEST(MudPool, QueueSaturates)
{
    auto pool = NewPool(0);
    pool->queued = MUD_QUEUE_MAX - 5;
    MudPoolQueueExtra(*pool);
    EXPECT_EQ(pool->queued, MUD_QUEUE_MAX - 5);
    pool->queued = MUD_QUEUE_MAX - 10;
    MudPoolQueueExtra(*pool);
    EXPECT_EQ(pool->queued, MUD_QUEUE_MAX);
}

TEST(MudPool, QueuedSizesVaryAreDistinctAndReproduce)
{
    auto place = [](MudPool &pool) {
        pool.mergeEnabled = 0;
        pool.queued = 32;
        Advance(pool, ORIGIN, 2.0f, 60.0f);
    };
    auto pool = NewPool(0);
    place(*pool);
    ASSERT_EQ(pool->count, 32);
    std::set<float> sizes;
    float smallest = 1.0f, largest = 0.0f;
    for (int i = 0; i < 32; i++) {
        float size = pool->slots[i].size;
        EXPECT_GE(size, 0.585f);
        EXPECT_LE(size, 0.65f);
        sizes.insert(size);
        smallest = std::min(smallest, size / MUD_UNIT_SIZE);
        largest = std::max(largest, size / MUD_UNIT_SIZE);
    }
    EXPECT_EQ(sizes.size(), 32u);
    EXPECT_LE(smallest, 0.93f);
    EXPECT_GE(largest, 0.98f);

    std::vector<float> before;
    for (int i = 0; i < 32; i++) before.push_back(pool->slots[i].size);
    for (int f = 0; f < 120; f++) MudPoolUpdate(*pool, {0.05f * (float)f, 0.0f, 3.0f}, 1.0f / 60.0f);
    for (int i = 0; i < 32; i++) EXPECT_EQ(pool->slots[i].size, before[i]);

    MudPoolReset(*pool, 0);
    place(*pool);
    for (int i = 0; i < 32; i++) EXPECT_EQ(pool->slots[i].size, before[i]) << i;

    // A freed slot is refilled with a new creature: new size, nothing of the old one.
    MudSlot &old = pool->slots[5];
    old.state = MUD_FREE;
    old.mass = 0.0f;
    old.walkerGrowth = 0.7f;
    old.gathered = 3;
    pool->queued = 1;
    for (int k = 0; k < 16; k++) MudPoolSpawn(*pool, ORIGIN, true, 1.0f, MUD_UNIT_SIZE, false);  // fill 32..47
    Advance(*pool, ORIGIN, 0.5f, 60.0f);
    EXPECT_EQ(pool->queued, 0);
    EXPECT_EQ(pool->slots[5].walkerGrowth, 0.0f);
    EXPECT_EQ(pool->slots[5].gathered, 0);
    EXPECT_NE(pool->slots[5].size, before[5]);
}

TEST(MudPool, SpawnFailsWithoutChangingSlotsOrCount)
{
    auto pool = NewPool(0);
    EXPECT_EQ(MudPoolSpawn(*pool, ORIGIN, false, 1.0f, MUD_UNIT_SIZE, false), -1);  // limit 0
    EXPECT_EQ(MudPoolSpawn(*pool, {NAN_F, 0.0f, 0.0f}, true, 1.0f, MUD_UNIT_SIZE, false), -1);
    EXPECT_EQ(MudPoolSpawn(*pool, ORIGIN, true, 0.0f, MUD_UNIT_SIZE, false), -1);
    EXPECT_EQ(pool->count, 0);
    // A centre far outside the arena leaves no valid place.
    auto before = CopyPool(*pool);
    EXPECT_EQ(MudPoolSpawn(*pool, {1000.0f, 0.0f, 1000.0f}, true, 1.0f, MUD_UNIT_SIZE, false), -1);
    EXPECT_EQ(pool->count, 0);
    EXPECT_EQ(memcmp(pool->slots, before->slots, sizeof(pool->slots)), 0);
}

TEST(MudPool, BossesAreBuriedForTheirOwnTempoAndTheGathererStandsAtOnce)
{
    struct Case {
        int index;
        bool gatherer;
        float mass, size, health;
    };
    const Case cases[] = {{0, true, 3.0f, 0.65f, 24.0f}, {0, false, 3.0f, 1.95f, 24.0f}, {1, false, 6.0f, 1.95f, 32.0f},
                          {2, false, 9.0f, 1.95f, 44.0f}, {1, true, 6.0f, 1.95f, 32.0f}};
    for (const Case &c : cases) {
        auto pool = NewPool(0);
        int i = MudPoolSpawnBoss(*pool, ORIGIN, c.index, c.gatherer);
        ASSERT_GE(i, 0);
        const MudSlot &s = pool->slots[i];
        bool gathering = c.gatherer && c.index == 0;
        EXPECT_EQ(s.boss, 1);
        EXPECT_EQ(s.gatherer, gathering ? 1 : 0);
        EXPECT_EQ(s.mass, c.mass);
        EXPECT_EQ(s.size, c.size);
        EXPECT_EQ(s.health, c.health);
        EXPECT_TRUE(MudPoolBossAlive(*pool, i));
        if (gathering) {
            EXPECT_EQ(s.state, MUD_RESTING);
            EXPECT_EQ(s.presence, 1.0f);
            float d = DistanceXZ(s.position, ORIGIN);
            EXPECT_GE(d, 8.0f);
            EXPECT_LE(d, 10.0f);
        } else {
            EXPECT_EQ(s.state, MUD_BURIED);
            EXPECT_NEAR(s.duration, 1.25f / 1.5f, 1e-5f);  // 0.83 s, not the ordinary 1.25 s
        }
    }
}

TEST(MudPool, LivingBossTest)
{
    auto pool = NewPool(0);
    int i = MudPoolSpawnBoss(*pool, ORIGIN, 1, false);
    EXPECT_TRUE(MudPoolBossAlive(*pool, i));
    EXPECT_FALSE(MudPoolBossAlive(*pool, -1));
    EXPECT_FALSE(MudPoolBossAlive(*pool, pool->count));
    pool->slots[i].health = 0.0f;
    EXPECT_FALSE(MudPoolBossAlive(*pool, i));
    pool->slots[i].health = 5.0f;
    pool->slots[i].state = MUD_CORPSE;
    EXPECT_FALSE(MudPoolBossAlive(*pool, i));
    int bun = AddBody(*pool, 3.0f, 3.0f, 1.0f);
    EXPECT_FALSE(MudPoolBossAlive(*pool, bun));
}

TEST(MudPool, RollerRaisesCountRollsAndExpires)
{
    auto pool = NewPool(0);
    Vector3 at = {10.0f, 0.0f, 10.0f};
    int i = MudPoolSpawnRoller(*pool, at, {2.0f, 0.0f, 0.0f}, 0.6f);
    ASSERT_EQ(i, 0);
    EXPECT_EQ(pool->count, 1);
    // The next spawn takes a new slot instead of overwriting the roller.
    int bun = MudPoolSpawn(*pool, {-20.0f, 0.0f, 0.0f}, true, 1.0f, MUD_UNIT_SIZE, false);
    EXPECT_EQ(bun, 1);
    Advance(*pool, ORIGIN, 1.0f, 60.0f);
    EXPECT_NEAR(pool->slots[i].position.x, 12.0f, 0.01f);
    EXPECT_EQ(pool->slots[i].state, MUD_HOP_FLIGHT);
    Advance(*pool, ORIGIN, 17.1f, 60.0f);
    EXPECT_EQ(pool->slots[i].state, MUD_FREE);
    EXPECT_EQ(pool->slots[i].mass, 0.0f);

    // Outside the arena: freed at once. Blocked by the shuttle: refused.
    auto edge = NewPool(0);
    Vector3 wall = {127.8f, 0.0f, 0.0f};
    int r = MudPoolSpawnRoller(*edge, wall, {5.0f, 0.0f, 0.0f}, 0.5f);
    EXPECT_LT(wall.x, 127.5f);  // returned clamped inside
    Advance(*edge, ORIGIN, 0.5f, 60.0f);
    EXPECT_EQ(edge->slots[r].state, MUD_FREE);
    MudPoolSetObstacle(*edge, {30.0f, 0.0f, 0.0f}, 1.1f, 3.55f, true);
    Vector3 near = {31.0f, 0.0f, 0.5f};
    EXPECT_EQ(MudPoolSpawnRoller(*edge, near, {1.0f, 0.0f, 0.0f}, 0.5f), -1);
}

TEST(MudPool, RollerBouncesOffTheShuttle)
{
    auto pool = NewPool(0);
    MudPoolSetObstacle(*pool, {20.0f, 0.0f, 0.0f}, 1.1f, 3.55f, true);
    Vector3 at = {14.0f, 0.0f, 0.0f};
    int i = MudPoolSpawnRoller(*pool, at, {3.0f, 0.0f, 0.0f}, 0.5f);
    for (int f = 0; f < 240; f++) {
        MudPoolUpdate(*pool, {-30.0f, 0.0f, 0.0f}, 1.0f / 60.0f);
        EXPECT_GE(DistanceXZ(pool->slots[i].position, pool->obstacle.position), 1.1f + 0.5f * 1.08f - 1e-3f);
    }
    EXPECT_LT(pool->slots[i].rollVelocity.x, 0.0f);
}

// Many buns reaching the gatherer in the same frame: it takes twenty and no more, grows to
// exactly 1.95 m and stops gathering; the others are let go.
TEST(MudPool, GathererTakesExactlyTwentyBuns)
{
    auto pool = NewPool(0);
    int g = MudPoolSpawnBoss(*pool, ORIGIN, 0, true);
    ASSERT_GE(g, 0);
    Vector3 centre = pool->slots[g].position;
    float startVolume = pool->slots[g].storedVolume;
    const int buns = 25;
    for (int k = 0; k < buns; k++) {
        float a = 6.2831853f * (float)k / (float)buns;
        int b = AddBody(*pool, centre.x + 2.0f * std::cos(a), centre.z + 2.0f * std::sin(a), 1.0f);
        pool->slots[b].phase = 3.25f;  // same hop timing: all arrive together
    }
    float bunVolume = MudClayVolume(pool->slots[1]);
    int most = 0;
    bool finished = false;
    for (int f = 0; f < 60 * 20 && !finished; f++) {
        MudPoolUpdate(*pool, {40.0f, 0.0f, 40.0f}, 1.0f / 60.0f);
        most = std::max(most, pool->slots[g].gathered);
        finished = !pool->slots[g].gatherer;
    }
    const MudSlot &boss = pool->slots[g];
    EXPECT_TRUE(finished);
    EXPECT_EQ(most, MUD_GATHER_TARGET);
    EXPECT_EQ(boss.gathered, MUD_GATHER_TARGET);
    EXPECT_EQ(boss.size, MUD_BOSS_SIZE);
    EXPECT_NEAR(boss.storedVolume, startVolume + MUD_GATHER_TARGET * bunVolume, 1e-4f);
    int free = 0, alive = 0;
    for (int i = 1; i <= buns; i++) {
        const MudSlot &s = pool->slots[i];
        if (s.state == MUD_FREE) free++;
        if (s.mass > 0.0f) {
            alive++;
            EXPECT_FALSE(MudPoolFollowsGatherer(*pool, i));
        }
    }
    EXPECT_EQ(free, MUD_GATHER_TARGET);
    EXPECT_EQ(alive, buns - MUD_GATHER_TARGET);
}

// Zero-filled slots read as MUD_BURIED with mass 0; they must never come to life.
TEST(MudPool, ZeroFilledSlotsBelowTheCountStayEmpty)
{
    auto pool = NewPool(0);
    pool->count = 3;
    Advance(*pool, ORIGIN, 3.0f, 60.0f);
    for (int i = 0; i < 3; i++) {
        const MudSlot &s = pool->slots[i];
        EXPECT_EQ(s.mass, 0.0f);
        EXPECT_EQ(s.presence, 0.0f);
        EXPECT_EQ(s.mound, 0.0f);
        EXPECT_EQ(s.emergence, 0.0f);
        EXPECT_EQ(s.state, MUD_BURIED);
    }
    EXPECT_EQ(MudPoolCountForms(*pool).counts[0], 0);
}

struct PauseCase {
    const char *name;
    float dt;
    Vector3 player;
};

TEST(MudPool, InvalidStepsLeaveThePoolByteIdentical)
{
    auto pool = NewPool(20);
    MudPoolSpawnBoss(*pool, ORIGIN, 0, true);
    MudPoolQueueExtra(*pool);
    AddBody(*pool, 3.0f, -2.0f, 5.0f);
    Advance(*pool, {1.0f, 0.0f, 2.0f}, 3.0f, 60.0f);
    ASSERT_GT(pool->count, 10);
    const PauseCase cases[] = {
        {"dt 0", 0.0f, ORIGIN},        {"dt -1", -1.0f, ORIGIN},         {"dt NaN", NAN_F, ORIGIN},
        {"dt inf", INF_F, ORIGIN},     {"NaN player", 1.0f / 60.0f, {NAN_F, 0.0f, 0.0f}},
        {"inf player", 1.0f / 60.0f, {0.0f, 0.0f, -INF_F}},
    };
    for (const PauseCase &c : cases) {
        auto before = CopyPool(*pool);
        MudPoolUpdate(*pool, c.player, c.dt);
        EXPECT_TRUE(SameBytes(*pool, *before)) << c.name;
    }
}

TEST(MudPool, SameSeedAndInputsGiveTheSameBytes)
{
    auto script = [](MudPool &pool) {
        MudPoolSetObstacle(pool, {6.0f, 0.0f, -4.0f}, 1.1f, 3.55f, true);
        AddBody(pool, -5.0f, 5.0f, 4.0f);
        for (int f = 0; f < 600; f++) {
            if (f == 90 || f == 300) MudPoolQueueExtra(pool);
            float t = (float)f / 60.0f;
            MudPoolUpdate(pool, {3.0f * std::sin(0.7f * t), 0.0f, 2.0f * t - 4.0f}, f % 3 == 0 ? 1.0f / 30.0f : 1.0f / 60.0f);
        }
    };
    auto a = NewPool(24), b = NewPool(24);
    script(*a);
    script(*b);
    EXPECT_GT(a->count, 20);
    EXPECT_TRUE(SameBytes(*a, *b));
}

TEST(MudPool, ObstacleSweepFractions)
{
    MudObstacle o{};
    o.position = {0.0f, 0.0f, 0.0f};
    o.radius = 1.0f;
    o.height = 3.55f;
    o.active = 1;
    struct Case {
        const char *name;
        Vector3 from, to;
        bool vertical;
        float expected;
    };
    const Case cases[] = {
        {"head-on", {-5.0f, 0.5f, 0.0f}, {5.0f, 0.5f, 0.0f}, false, 0.35f},     // touches at x = -1.5
        {"passes beside", {-5.0f, 0.5f, 2.0f}, {5.0f, 0.5f, 2.0f}, false, 1.0f},
        {"stops short", {-5.0f, 0.5f, 0.0f}, {-2.0f, 0.5f, 0.0f}, false, 1.0f},
        {"starts inside", {0.5f, 0.5f, 0.0f}, {5.0f, 0.5f, 0.0f}, false, 0.0f},
        {"flies over", {-5.0f, 4.5f, 0.0f}, {5.0f, 4.5f, 0.0f}, true, 1.0f},   // above 3.55 + 0.5
        {"over, horizontal test", {-5.0f, 4.5f, 0.0f}, {5.0f, 4.5f, 0.0f}, false, 0.35f},
        {"drops onto the roof", {-5.0f, 8.0f, 0.0f}, {0.0f, 3.0f, 0.0f}, true, 0.79f},  // over the rim at t 0.7, into the slab top 4.05 at t 0.79
    };
    for (const Case &c : cases)
        EXPECT_NEAR(MudObstacleSweep(o, c.from, c.to, 0.5f, c.vertical), c.expected, 1e-4f) << c.name;
    o.active = 0;
    EXPECT_EQ(MudObstacleSweep(o, {-5.0f, 0.5f, 0.0f}, {5.0f, 0.5f, 0.0f}, 0.5f, false), 1.0f);
}

TEST(MudPool, ObstaclePushOutTable)
{
    MudObstacle o{};
    o.position = {2.0f, 0.0f, 3.0f};
    o.radius = 1.1f;
    o.height = 3.55f;
    o.active = 1;
    const float r = 0.5f, need = r + 1.1f + 0.001f;
    struct Case {
        const char *name;
        Vector3 from, to, expected;
    };
    const Case cases[] = {
        {"clear move", {-5.0f, 0.0f, 3.0f}, {-3.0f, 0.0f, 3.0f}, {-3.0f, 0.0f, 3.0f}},
        {"into it: back to the contact", {-5.0f, 0.0f, 3.0f}, {2.0f, 0.0f, 3.0f}, {2.0f - need, 0.0f, 3.0f}},
        {"starts inside: out on its side", {2.0f, 0.0f, 3.5f}, {2.2f, 0.0f, 3.5f}, {2.0f, 0.0f, 3.0f + need}},
        {"from the axis: out along the end", {2.0f, 0.0f, 3.0f}, {2.5f, 0.0f, 3.0f}, {2.0f + need, 0.0f, 3.0f}},
        {"both on the axis: +x", {2.0f, 0.0f, 3.0f}, {2.0f, 0.0f, 3.0f}, {2.0f + need, 0.0f, 3.0f}},
    };
    for (const Case &c : cases) {
        Vector3 p = MudObstaclePushOut(o, c.from, c.to, r);
        EXPECT_NEAR(p.x, c.expected.x, 2e-3f) << c.name;
        EXPECT_NEAR(p.z, c.expected.z, 2e-3f) << c.name;
        EXPECT_GE(DistanceXZ(p, o.position), r + 1.1f) << c.name;
    }
    o.active = 0;
    Vector3 inside = {2.1f, 0.0f, 3.0f};
    Vector3 p = MudObstaclePushOut(o, {0.0f, 0.0f, 0.0f}, inside, r);
    EXPECT_EQ(p.x, inside.x);
}

TEST(MudPool, ObstacleHeaderRules)
{
    auto pool = NewPool(0);
    AddBody(*pool, 5.0f, 5.0f, 1.0f);
    MudPoolSetObstacle(*pool, {1.0f, 0.0f, 2.0f}, 1.1f, 3.55f, true);
    EXPECT_EQ(pool->obstacle.active, 1);
    EXPECT_EQ(memcmp(&pool->slots[0].obstacle, &pool->obstacle, sizeof(MudObstacle)), 0);
    MudPoolSetObstacle(*pool, {1.0f, 0.0f, 2.0f}, -1.0f, 3.55f, true);
    EXPECT_EQ(pool->obstacle.active, 0);
    EXPECT_EQ(pool->obstacle.radius, 0.0f);
    MudPoolSetObstacle(*pool, {NAN_F, 0.0f, 2.0f}, 1.1f, 3.55f, true);
    EXPECT_EQ(pool->obstacle.active, 0);
    MudPoolSetObstacle(*pool, {1.0f, 0.0f, 2.0f}, 1.1f, 3.55f, false);
    EXPECT_EQ(pool->obstacle.active, 0);
}

TEST(MudPool, GroundCarriesMoundsAndCratersEvenOfFreedSlots)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 10.0f, 10.0f, 1.0f);
    MudSlot &s = pool->slots[i];
    float base = TerrainHeight(10.0f, 10.0f);
    s.emergence = 0.0f;
    s.mound = 0.38f;
    EXPECT_NEAR(MudGroundHeight(*pool, 10.0f, 10.0f) - base, 0.38f, 1e-5f);
    s.mound = 0.0f;
    s.emergence = 1.0f;
    s.state = MUD_FREE;
    s.mass = 0.0f;
    EXPECT_NEAR(MudGroundHeight(*pool, 10.0f, 10.0f) - base, -0.2f, 1e-5f);                              // pit
    EXPECT_NEAR(MudGroundHeight(*pool, 10.83f, 10.0f) - TerrainHeight(10.83f, 10.0f), 0.065f, 1e-5f);  // rim
    EXPECT_EQ(MudGroundHeight(*pool, 11.6f, 10.0f), TerrainHeight(11.6f, 10.0f));                       // beyond 1.5 m
    EXPECT_EQ(MudGroundHeight(*pool, NAN_F, 10.0f), TerrainHeight(NAN_F, 10.0f));
}

TEST(MudPool, ClearWaveRemovesTheBuriedAndSparesBosses)
{
    auto pool = NewPool(0);
    int buried = MudPoolSpawn(*pool, ORIGIN, true, 1.0f, MUD_UNIT_SIZE, false);
    int boss = MudPoolSpawnBoss(*pool, ORIGIN, 1, false);
    pool->queued = 30;
    MudPoolUpdate(*pool, ORIGIN, 1.0f / 60.0f);
    pool->queued = 30;
    MudPoolClearWave(*pool);
    EXPECT_EQ(pool->queued, 0);
    EXPECT_EQ(pool->slots[buried].state, MUD_FREE);
    EXPECT_EQ(pool->slots[buried].mass, 0.0f);
    EXPECT_EQ(pool->slots[buried].mound, 0.0f);
    EXPECT_EQ(pool->slots[boss].state, MUD_BURIED);
    EXPECT_GT(pool->slots[boss].mass, 0.0f);
}

TEST(MudPool, FormCountsCountLivingOrdinaryBodies)
{
    auto pool = NewPool(0);
    AddBody(*pool, 0.0f, 5.0f, 1.0f);
    AddBody(*pool, 0.0f, 10.0f, 3.0f);
    AddBody(*pool, 0.0f, 15.0f, 5.0f);
    AddBody(*pool, 0.0f, 20.0f, 8.0f);
    int a = AddBody(*pool, 0.0f, 25.0f, 2.0f);
    int b = AddBody(*pool, 0.0f, 26.0f, 2.0f);  // a fusion of 2 + 2 makes a walker
    pool->slots[a].state = MUD_ABSORBING;
    pool->slots[a].partner = b;
    pool->slots[b].state = MUD_ABSORBED;
    pool->slots[b].partner = a;
    int dead = AddBody(*pool, 0.0f, 30.0f, 1.0f);
    pool->slots[dead].state = MUD_CORPSE;
    MudPoolSpawnBoss(*pool, ORIGIN, 2, false);
    Vector3 at = {-20.0f, 0.0f, 0.0f};
    MudPoolSpawnRoller(*pool, at, {1.0f, 0.0f, 0.0f}, 0.5f);
    MudFormCounts counts = MudPoolCountForms(*pool);
    EXPECT_EQ(counts.counts[0], 2);
    EXPECT_EQ(counts.counts[1], 2);
    EXPECT_EQ(counts.counts[2], 1);
}

TEST(MudPool, DirectorFillsOnlyPositiveDeficits)
{
    auto pool = NewPool(30);
    MudPoolSetDirector(*pool, 2, 1, 0);
    EXPECT_EQ(pool->limit, 0);
    Advance(*pool, ORIGIN, 3.0f, 60.0f);
    MudFormCounts counts = MudPoolCountForms(*pool);
    EXPECT_EQ(counts.counts[0], 2);
    EXPECT_EQ(counts.counts[1], 1);
    EXPECT_EQ(counts.counts[2], 0);
    EXPECT_EQ(pool->count, 3);
}

}  // namespace
