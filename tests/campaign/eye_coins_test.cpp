#include "campaign/eye_coins.h"
#include "common/maths.h"
#include "world/arena.h"

#include "../support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};
const float NAN_F = std::numeric_limits<float>::quiet_NaN();
const float INF_F = std::numeric_limits<float>::infinity();
const Vector3 FAR_AWAY = {100.0f, 0.0f, 100.0f};

struct EyeCoinsFixture : ::testing::Test {
    std::unique_ptr<MudPool> pool = std::make_unique<MudPool>();
    EyeCoins coins{};

    void SetUp() override
    {
        MudPoolReset(*pool, 0);
        EyeCoinsReset(coins);
    }
    void TearDown() override
    {
        EyeCoinsFree(coins);
        eyeCoinsRefusedGrowths = 0;
    }

    // One death record of `eyes` eyes worth `value` around `at` (the two eyes 0.3 m apart).
    void Die(Vector3 at, uint32_t eyes, uint32_t value, bool roller = false, float seed = 3.7f, float size = 0.16f)
    {
        ASSERT_LT(pool->deathCount, MUD_DEATH_CAPACITY);
        DeathRecord &r = pool->deaths[pool->deathCount++];
        r = {};
        r.eye0 = eyes == 1 ? Vector3{at.x, at.y + 0.5f, at.z} : Vector3{at.x - 0.15f, at.y + 0.5f, at.z};
        r.eye1 = {at.x + 0.15f, at.y + 0.5f, at.z};
        r.center = {at.x, at.y + 0.4f, at.z};
        r.size = size;
        r.heading = 0.4f;
        r.seed = seed;
        r.value = value;
        r.eyes = eyes;
        r.roller = roller ? 1 : 0;
    }
    // A death by the reward table.
    void DieAs(Vector3 at, float mass, bool roller, bool boss, float seed = 3.7f)
    {
        EyeCoinsReward reward = EyeCoinsRewardFor(mass, 0.9f, roller, boss);
        Die(at, reward.eyes, reward.value, roller, seed, reward.size);
    }
    // Updates for `seconds` at `hz` with the player standing at `player`.
    void Run(float seconds, float hz, Vector3 player = FAR_AWAY)
    {
        int frames = (int)(seconds * hz + 0.5f);
        for (int i = 0; i < frames; i++) EyeCoinsUpdate(coins, *pool, player, player, 1.0f / hz);
    }
    // The player walks onto each eye in turn until none is left; the wallet's gain.
    uint64_t CollectAll()
    {
        uint64_t before = coins.wallet;
        for (int frame = 0; frame < 6000 && coins.count > 0; frame++) {
            Vector3 at = coins.items[0].position;
            at.y = 0.0f;
            EyeCoinsUpdate(coins, *pool, at, at, 1.0f / 60.0f);
        }
        EXPECT_EQ(coins.count, 0u);
        return coins.wallet - before;
    }
    // Value units (value x weight) of the eyes still lying about.
    uint64_t UnitsOnGround() const
    {
        uint64_t units = 0;
        for (uint64_t i = 0; i < coins.count; i++) units += (uint64_t)coins.items[i].value * coins.items[i].weight;
        return units;
    }
};

// [SECTION] Income

TEST_F(EyeCoinsFixture, FourEyesOfOneOneEightAndFourteenPay120AtIncomeLevelZero)
{
    EyeCoinsSetLevel(coins, 1);
    for (uint32_t value : {1u, 1u, 8u, 14u}) Die({5.0f, 0.0f, 5.0f}, 1, value);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Run(2.0f, 60.0f);
    EXPECT_EQ(CollectAll(), 120u);
    EXPECT_EQ(coins.levelIncome, 120u);
    EXPECT_EQ(coins.remainder, 0);
}

TEST_F(EyeCoinsFixture, TenEyesOfOnePayFiftyPlusFivePerIncomeLevelWithNoRemainder)
{
    for (int n = 0; n <= EYE_COINS_INCOME_LEVEL_MAX; n++) {
        SCOPED_TRACE(n);
        EyeCoinsReset(coins);
        EyeCoinsSetLevel(coins, 1);
        EyeCoinsSetIncomeLevel(coins, n);
        for (int k = 0; k < 5; k++) Die({5.0f + (float)k, 0.0f, 5.0f}, 2, 1);
        ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
        Run(2.0f, 60.0f);
        EXPECT_EQ(CollectAll(), 50u + 5u * (uint64_t)n);
        EXPECT_EQ(coins.remainder, 0);
    }
}

TEST_F(EyeCoinsFixture, AFullWalletSaturatesAndKeepsTheCarriedTenths)
{
    EyeCoinsRestore(coins, UINT64_MAX - 5, 9);
    EyeCoinsSetLevel(coins, 1);
    EyeCoinsSetIncomeLevel(coins, 10);
    Die({5.0f, 0.0f, 5.0f}, 1, 4294967295u);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Run(2.0f, 60.0f);
    CollectAll();
    EXPECT_EQ(coins.wallet, UINT64_MAX);
    EXPECT_EQ(coins.levelIncome, 5u);
    EXPECT_EQ(coins.remainder, 9);

    // The level's counter saturates on its own, and so does the developer's "+1000".
    EyeCoinsRestore(coins, 0, 0);
    coins.levelIncome = UINT64_MAX - 1;
    Die({5.0f, 0.0f, 5.0f}, 1, 4294967295u);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Run(2.0f, 60.0f);
    CollectAll();
    EXPECT_EQ(coins.wallet, 42949672950u);
    EXPECT_EQ(coins.levelIncome, UINT64_MAX);
    EyeCoinsRestore(coins, UINT64_MAX - 10, 0);
    EXPECT_EQ(EyeCoinsAddToWallet(coins, 1000), 10u);
    EXPECT_EQ(coins.wallet, UINT64_MAX);
}

TEST_F(EyeCoinsFixture, EyesKeepTheWeightOfTheLevelTheyDroppedIn)
{
    for (int k = 1; k <= 4; k++) {
        SCOPED_TRACE(k);
        EyeCoinsReset(coins);
        EyeCoinsSetIncomeLevel(coins, 5);
        EyeCoinsSetLevel(coins, k);
        Die({5.0f, 0.0f, 5.0f}, 1, 10);
        Die({6.0f, 0.0f, 5.0f}, 1, 10);
        ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
        EyeCoinsSetLevel(coins, k % 4 + 1);
        Run(2.0f, 60.0f);
        EXPECT_EQ(CollectAll(), 150u << (k - 1));
    }
}

TEST_F(EyeCoinsFixture, ANewLevelClearsTheLevelIncomeButNotTheWallet)
{
    EyeCoinsSetLevel(coins, 2);
    Die({5.0f, 0.0f, 5.0f}, 2, 1);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Run(2.0f, 60.0f);
    uint64_t gain = CollectAll();
    ASSERT_GT(gain, 0u);
    EyeCoinsSetLevel(coins, 2);
    EXPECT_EQ(coins.levelIncome, gain);
    EyeCoinsSetLevel(coins, 3);
    EXPECT_EQ(coins.levelIncome, 0u);
    EXPECT_EQ(coins.wallet, gain);
}

TEST_F(EyeCoinsFixture, TheSettersClampTheirInput)
{
    EyeCoinsSetIncomeLevel(coins, -3);
    EXPECT_EQ(coins.incomeLevel, 0);
    EyeCoinsSetIncomeLevel(coins, 13);
    EXPECT_EQ(coins.incomeLevel, 10);
    EyeCoinsSetMagnet(coins, NAN_F);
    EXPECT_EQ(coins.magnet, 1.0f);
    EyeCoinsSetMagnet(coins, 7.0f);
    EXPECT_EQ(coins.magnet, 2.0f);
    EyeCoinsRestore(coins, 77, -4);
    EXPECT_EQ(coins.remainder, 0);
    EyeCoinsRestore(coins, 77, 12);
    EXPECT_EQ(coins.remainder, 9);
    EXPECT_EQ(coins.wallet, 77u);
}

// [SECTION] Pickup

// One value-1 eye resting near (5, 5); its resting position.
Vector3 RestingEye(EyeCoinsFixture &f)
{
    f.Die({5.0f, 0.0f, 5.0f}, 1, 1);
    EXPECT_TRUE(EyeCoinsConsumeDeaths(f.coins, *f.pool));
    f.Run(2.0f, 60.0f);
    EXPECT_EQ(f.coins.count, 1u);
    EXPECT_TRUE(f.coins.items[0].landed);
    return f.coins.items[0].position;
}

TEST_F(EyeCoinsFixture, ThePickupRadiusGrowsWithTheMagnetAndEndsAtItsEdge)
{
    for (int step = 0; step <= 5; step++) {
        float m = 1.0f + 0.2f * (float)step;
        for (float margin : {-0.01f, 0.01f}) {
            SCOPED_TRACE(testing::Message() << "magnet " << m << " margin " << margin);
            EyeCoinsReset(coins);
            EyeCoinsSetMagnet(coins, m);
            Vector3 eye = RestingEye(*this);
            Vector3 player = {eye.x + 1.6f * m + margin, 0.0f, eye.z};
            EyeCoinsUpdate(coins, *pool, player, player, 1.0f / 60.0f);
            bool caught = coins.count == 0 || coins.items[0].attracted;
            EXPECT_EQ(caught, margin < 0.0f);
        }
    }
}

TEST_F(EyeCoinsFixture, APlayerWhoCrossesTheRadiusInOneStepStillAttractsTheEye)
{
    struct Pass {
        float side;      // metres beside the eye the straight path runs
        bool caught;
    };
    const Pass passes[] = {{0.0f, true}, {1.55f, true}, {1.65f, false}};
    for (const Pass &p : passes) {
        SCOPED_TRACE(p.side);
        EyeCoinsReset(coins);
        Vector3 eye = RestingEye(*this);
        // Three metres either side: both ends lie outside the radius.
        Vector3 from = {eye.x - 3.0f, 0.0f, eye.z + p.side}, to = {eye.x + 3.0f, 0.0f, eye.z + p.side};
        EyeCoinsUpdate(coins, *pool, from, to, 1.0f / 60.0f);
        bool caught = coins.count == 0 || coins.items[0].attracted;
        EXPECT_EQ(caught, p.caught);
        if (p.caught) {
            // Pulled in over the next frames while the player stands at the far end.
            Run(1.0f, 60.0f, to);
            EXPECT_EQ(coins.count, 0u);
            EXPECT_EQ(coins.wallet, 5u);
        }
    }
}

TEST_F(EyeCoinsFixture, FlyingEyesAreNeverCollected)
{
    Die({5.0f, 0.0f, 5.0f}, 2, 1);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Vector3 at = {5.0f, 0.0f, 5.0f};
    EyeCoinsUpdate(coins, *pool, at, at, 1.0f / 60.0f);
    EXPECT_EQ(coins.count, 2u);
    EXPECT_EQ(coins.wallet, 0u);
    EXPECT_FALSE(coins.items[0].attracted);
}

// [SECTION] Death records

TEST(EyeCoinsReward, TheTableGivesEveryBodyItsEyes)
{
    struct Case {
        float mass;
        bool roller, boss;
        uint32_t eyes, value;
    };
    const Case cases[] = {
        {1.0f, false, false, 2, 1},   {1.99f, false, false, 2, 1},  {2.0f, false, false, 1, 4},
        {2.5f, false, false, 1, 6},   {3.0f, false, false, 1, 6},   {4.0f, false, false, 1, 8},
        {5.0f, false, false, 1, 10},  {6.0f, false, false, 1, 12},  {7.0f, false, false, 1, 14},
        {8.0f, false, false, 1, 16},  {9.0f, false, false, 1, 18},  {9.49f, false, false, 1, 18},
        {30.0f, false, false, 1, 18}, {0.0f, false, false, 2, 1},   {-3.0f, false, false, 2, 1},
        {NAN_F, false, false, 2, 1},  {INF_F, false, false, 2, 1},  {1.0f, true, false, 10, 1},
        {6.0f, true, false, 10, 1},   {40.0f, false, true, 2, 1},   {NAN_F, false, true, 2, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "mass " << c.mass << " roller " << c.roller << " boss " << c.boss);
        EyeCoinsReward r = EyeCoinsRewardFor(c.mass, 1.0f, c.roller, c.boss);
        EXPECT_EQ(r.eyes, c.eyes);
        EXPECT_EQ(r.value, c.value);
        EXPECT_GE(r.size, r.eyes == 1 ? 0.18f : 0.10f);
        EXPECT_LE(r.size, r.eyes == 1 ? 0.28f : 0.22f);
    }
    // A valuable eye is visibly larger; a body's size reaches its eyes only within the limits.
    EXPECT_GT(EyeCoinsRewardFor(9.0f, 1.0f, false, false).size, EyeCoinsRewardFor(2.0f, 1.0f, false, false).size + 0.07f);
    EXPECT_EQ(EyeCoinsRewardFor(1.0f, NAN_F, false, false).size, 0.10f);
    EXPECT_EQ(EyeCoinsRewardFor(1.0f, 40.0f, true, false).size, 0.22f);
}

TEST_F(EyeCoinsFixture, EveryRecordBecomesItsEyesOnce)
{
    struct Body {
        float mass;
        bool roller, boss;
    };
    std::vector<Body> bodies = {{1.0f, false, false}, {1.0f, true, false}, {30.0f, false, true}};
    for (int m = 2; m <= 9; m++) bodies.push_back({(float)m, false, false});
    for (const Body &b : bodies) {
        SCOPED_TRACE(testing::Message() << "mass " << b.mass << " roller " << b.roller << " boss " << b.boss);
        EyeCoinsReset(coins);
        EyeCoinsSetLevel(coins, 1);
        DieAs({5.0f, 0.0f, 5.0f}, b.mass, b.roller, b.boss);
        ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
        EXPECT_EQ(pool->deathCount, 0);
        uint64_t n = coins.count;
        EXPECT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
        EXPECT_EQ(coins.count, n);
        EXPECT_EQ(coins.created, n);
        uint32_t wantEyes = b.roller ? 10u : (b.boss || b.mass < 2.0f ? 2u : 1u);
        uint32_t wantValue = wantEyes == 1 ? 2u * (uint32_t)b.mass : 1u;
        ASSERT_EQ(n, wantEyes);
        for (uint64_t i = 0; i < n; i++) EXPECT_EQ(coins.items[i].value, wantValue);
    }
}

TEST_F(EyeCoinsFixture, ARollerBurstsIntoTenRisingEyesRoundTheCompass)
{
    for (float seed : {0.0f, 3.7f, 19.25f, 44.9f}) {
        SCOPED_TRACE(seed);
        EyeCoinsReset(coins);
        Vector3 centre = {-20.0f, 0.0f, 12.0f};
        DieAs(centre, 2.0f, true, false, seed);
        const DeathRecord record = pool->deaths[0];
        ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
        ASSERT_EQ(coins.count, 10u);
        bool octants[8] = {};
        for (uint64_t i = 0; i < coins.count; i++) {
            const EyeCoin &e = coins.items[i];
            EXPECT_LE(LengthXZ(e.position - record.center), 0.4f * e.size + 1e-4f);
            EXPECT_GE(e.velocity.y, 3.4f);
            float angle = std::atan2(e.velocity.z, e.velocity.x);
            octants[(int)std::floor((angle + PI) / (PI / 4.0f)) & 7] = true;
        }
        int covered = 0;
        for (bool o : octants) covered += o;
        EXPECT_GE(covered, 6);
    }
}

TEST_F(EyeCoinsFixture, TheTwoEyesOfABunPopOutToOppositeSides)
{
    DieAs({5.0f, 0.0f, 5.0f}, 1.0f, false, false);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    ASSERT_EQ(coins.count, 2u);
    Vector3 a = coins.items[0].velocity, b = coins.items[1].velocity;
    EXPECT_LT(a.x * b.x + a.z * b.z, 0.0f);
    EXPECT_GT(a.y, 0.0f);
}

TEST_F(EyeCoinsFixture, ASeedIsReducedModulo32BitsAndANonFiniteRecordStillPays)
{
    EXPECT_EQ(EyeCoinsSeedState(65536.0f), EyeCoinsSeedState(0.0f));
    EXPECT_EQ(EyeCoinsSeedState(65537.0f), EyeCoinsSeedState(1.0f));
    EXPECT_EQ(EyeCoinsSeedState(-2.5f), EyeCoinsSeedState(2.5f));
    EXPECT_EQ(EyeCoinsSeedState(1e30f), EyeCoinsSeedState(-1e30f));
    for (float bad : {NAN_F, INF_F, -INF_F}) EXPECT_EQ(EyeCoinsSeedState(bad), EyeCoinsSeedState(0.0f));

    // Nothing of the record can be trusted: the eyes still come out, finite, and land.
    DeathRecord &r = pool->deaths[pool->deathCount++];
    r = {};
    r.eye0 = r.eye1 = r.center = {NAN_F, INF_F, NAN_F};
    r.size = NAN_F;
    r.heading = INF_F;
    r.seed = NAN_F;
    r.value = 3;
    r.eyes = 200;
    r.roller = 1;
    Die({5.0f, 0.0f, 5.0f}, 2, 1, false, 1e30f);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    ASSERT_EQ(coins.count, 12u);
    Run(4.0f, 60.0f);
    for (uint64_t i = 0; i < coins.count; i++) {
        const EyeCoin &e = coins.items[i];
        EXPECT_TRUE(IsFinite(e.position) && IsFinite(e.phase) && IsFinite(e.size));
        EXPECT_TRUE(e.landed);
    }
    EXPECT_EQ(CollectAll(), 10u * 3u * 5u + 2u * 5u);
}

// [SECTION] Storage

TEST_F(EyeCoinsFixture, AFailedGrowthKeepsTheDeathQueueForTheNextStep)
{
    LogCapture log;
    for (int k = 0; k < 3; k++) DieAs({5.0f + (float)k, 0.0f, 5.0f}, (float)(k + 1), k == 2, false);
    MudPool queued;
    memcpy(&queued, pool.get(), sizeof(MudPool));
    eyeCoinsRefusedGrowths = 1;
    EXPECT_FALSE(EyeCoinsConsumeDeaths(coins, *pool));
    EXPECT_EQ(memcmp(&queued, pool.get(), sizeof(MudPool)), 0);
    EXPECT_EQ(coins.count, 0u);
    EXPECT_EQ(coins.capacity, 0u);
    ASSERT_EQ(log.count(LOG_ERROR), 1);
    EXPECT_EQ(log.lines().back().text, "Could not allocate eye coins; death drops retained for retry.");

    EXPECT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    EXPECT_EQ(coins.count, 2u + 1u + 10u);
    EXPECT_EQ(pool->deathCount, 0);
    EXPECT_EQ(coins.capacity, EYE_COINS_FIRST_CAPACITY);
}

TEST_F(EyeCoinsFixture, AStoreAtTheSizeLimitRefusesWithoutTouchingTheQueue)
{
    LogCapture log;
    Die({5.0f, 0.0f, 5.0f}, 2, 1);
    EyeCoins full = coins;
    full.count = EYE_COINS_COUNT_LIMIT - 1;
    EXPECT_FALSE(EyeCoinsConsumeDeaths(full, *pool));
    EXPECT_EQ(pool->deathCount, 1);
    EXPECT_EQ(full.items, nullptr);
    EXPECT_EQ(log.count(LOG_ERROR), 1);
}

TEST_F(EyeCoinsFixture, StorageDoublesAsNeededSurvivesResetsAndIsFreedToZero)
{
    // 300 deaths of two eyes: 600 eyes in 1024 slots, all still lying there after four seconds.
    for (int batch = 0; batch < 300 / 30; batch++) {
        for (int k = 0; k < 30; k++) Die({-30.0f + (float)k * 2.0f, 0.0f, (float)batch * 2.0f}, 2, 1);
        ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    }
    EXPECT_EQ(coins.count, 600u);
    EXPECT_EQ(coins.capacity, 1024u);
    Run(4.0f, 60.0f);
    EXPECT_EQ(coins.count, 600u);
    EXPECT_EQ(coins.wallet, 0u);

    EyeCoin *items = coins.items;
    coins.wallet = 9;
    EyeCoinsReset(coins);
    EXPECT_EQ(coins.items, items);
    EXPECT_EQ(coins.capacity, 1024u);
    EXPECT_EQ(coins.count, 0u);
    EXPECT_EQ(coins.wallet, 0u);
    EXPECT_EQ(coins.magnet, 1.0f);

    EyeCoinsFree(coins);
    EyeCoins zero{};
    EXPECT_EQ(memcmp(&coins, &zero, sizeof(EyeCoins)), 0);
    EyeCoinsFree(coins);
    EXPECT_EQ(memcmp(&coins, &zero, sizeof(EyeCoins)), 0);
}

// [SECTION] Time

TEST_F(EyeCoinsFixture, AStepThatIsNotFiniteAndPositiveChangesNothing)
{
    // Eyes in flight, resting and being pulled in, and a flash fading.
    Die({5.0f, 0.0f, 5.0f}, 2, 1);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Run(2.0f, 60.0f);
    Vector3 near = coins.items[0].position;
    near.y = 0.0f;
    EyeCoinsUpdate(coins, *pool, near, near, 1.0f / 60.0f);
    DieAs({9.0f, 0.0f, 5.0f}, 1.0f, true, false);
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    EyeCoinsUpdate(coins, *pool, near, near, 1.0f / 60.0f);
    ASSERT_GT(coins.count, 5u);

    EyeCoins before = coins;
    std::vector<EyeCoin> eyes(coins.items, coins.items + coins.count);
    for (float dt : {0.0f, -1.0f, NAN_F, INF_F, -INF_F}) {
        SCOPED_TRACE(dt);
        EyeCoinsUpdate(coins, *pool, near, near, dt);
        EXPECT_EQ(memcmp(&before, &coins, sizeof(EyeCoins)), 0);
        EXPECT_EQ(memcmp(eyes.data(), coins.items, eyes.size() * sizeof(EyeCoin)), 0);
    }
    Vector3 lost = {NAN_F, 0.0f, 0.0f};
    EyeCoinsUpdate(coins, *pool, near, lost, 1.0f / 60.0f);
    EXPECT_EQ(memcmp(&before, &coins, sizeof(EyeCoins)), 0);
    EXPECT_EQ(memcmp(eyes.data(), coins.items, eyes.size() * sizeof(EyeCoin)), 0);
}

TEST_F(EyeCoinsFixture, LandedEyesRestOnTheGroundAtEveryFrameRate)
{
    // A birth crater under the first burst: the ground is the mudling world's, not bare terrain.
    pool->count = 1;
    pool->slots[0].spawnPoint = {10.0f, 0.0f, -20.0f};
    pool->slots[0].mound = 0.3f;
    pool->slots[0].emergence = 1.0f;
    const Vector3 sites[] = {{10.0f, 0.0f, -20.0f}, {127.8f, 0.0f, 3.0f}, {-127.5f, 0.0f, -127.5f}, {60.0f, 0.0f, 127.9f}};
    std::vector<Vector3> landing[3];
    for (int r = 0; r < 3; r++) {
        SCOPED_TRACE(RATES[r]);
        EyeCoinsReset(coins);
        for (const Vector3 &site : sites) {
            DieAs(site, 1.0f, true, false, 11.0f);
            DieAs(site, 1.0f, false, false);
            DieAs(site, 7.0f, false, false);
        }
        ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
        Run(3.0f, RATES[r]);
        ASSERT_EQ(coins.count, 4u * 13u);
        for (uint64_t i = 0; i < coins.count; i++) {
            const EyeCoin &e = coins.items[i];
            EXPECT_TRUE(e.landed);
            float rest = MudGroundHeight(*pool, e.position.x, e.position.z) + EYE_COINS_REST_LIFT * e.size;
            EXPECT_NEAR(e.position.y, rest, 0.012f);
            EXPECT_TRUE(ArenaContainsCircle(e.position, e.size));
            landing[r].push_back(e.position);
        }
    }
    // The same flights at every rate: each eye lands within a few centimetres of the same spot.
    for (int r = 1; r < 3; r++)
        for (size_t i = 0; i < landing[0].size(); i++) EXPECT_LT(LengthXZ(landing[r][i] - landing[0][i]), 0.05f) << i;
}

TEST_F(EyeCoinsFixture, RestingEyesFollowTheGroundAsItChanges)
{
    Vector3 eye = RestingEye(*this);
    float before = coins.items[0].position.y;
    // A mound rises under the eye; within one sampling interval it sits on the new ground.
    pool->count = 1;
    pool->slots[0].spawnPoint = {eye.x, 0.0f, eye.z};
    pool->slots[0].mound = 0.25f;
    Run(0.2f, 60.0f);
    float rest = MudGroundHeight(*pool, eye.x, eye.z) + EYE_COINS_REST_LIFT * coins.items[0].size;
    EXPECT_GT(rest, before + 0.2f);
    EXPECT_NEAR(coins.items[0].position.y, rest, 1e-5f);
}

// [SECTION] Ledger

TEST_F(EyeCoinsFixture, WhatTheDeadWereWorthIsInTheWalletOrOnTheGround)
{
    struct Body {
        float mass;
        bool roller, boss;
    };
    const Body bodies[] = {{1.0f, false, false}, {3.0f, false, false}, {1.0f, true, false},
                           {8.4f, false, false}, {20.0f, false, true}, {5.5f, false, false}};
    for (int r = 0; r < 3; r++) {
        float hz = RATES[r];
        SCOPED_TRACE(hz);
        EyeCoinsReset(coins);
        int income = 3 + 2 * r;
        EyeCoinsSetIncomeLevel(coins, income);
        EyeCoinsRestore(coins, 1000, 7);
        uint64_t dropped = 0;   // value units (value x weight) of every eye spawned
        int frames = (int)(20.0f * hz);
        Vector3 previous = {0.0f, 0.0f, 0.0f};
        for (int f = 0; f < frames; f++) {
            float t = (float)f / hz;
            int level = 1 + (int)(t / 4.0f) % 4;
            EyeCoinsSetLevel(coins, level);
            // A death every half second a few metres ahead of a player walking a circle.
            if ((int)(t * 2.0f) != (int)((t - 1.0f / hz) * 2.0f) || f == 0) {
                int k = (int)(t * 2.0f);
                const Body &b = bodies[k % 6];
                Vector3 at = {9.0f * std::cos(0.4f * t + 0.8f), 0.0f, 9.0f * std::sin(0.4f * t + 0.8f)};
                DieAs(at, b.mass, b.roller, b.boss, (float)k * 1.37f);
                EyeCoinsReward reward = EyeCoinsRewardFor(b.mass, 0.9f, b.roller, b.boss);
                dropped += (uint64_t)reward.eyes * reward.value << (level - 1);
                ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
            }
            Vector3 player = {9.0f * std::cos(0.4f * t), 0.0f, 9.0f * std::sin(0.4f * t)};
            EyeCoinsUpdate(coins, *pool, previous, player, 1.0f / hz);
            previous = player;
        }
        ASSERT_GT(coins.wallet, 1000u);
        ASSERT_GT(coins.count, 0u);
        // Each unit of value pays 5 coins and 10 % more per income level, counted in tenths.
        uint64_t paidTenths = (coins.wallet - 1000) * 10 + (uint64_t)coins.remainder - 7;
        EXPECT_EQ(paidTenths, (dropped - UnitsOnGround()) * 5 * (10 + (uint64_t)income));
    }
}

// [SECTION] View

TEST(EyeCoinsView, AnEyeIsDrawnInsideTheViewBoxPlusHalfAMetre)
{
    FollowCamera camera{};
    camera.viewHeight = 20.0f;
    CameraFollow(camera, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    const float aspect = 16.0f / 9.0f;
    Vector3 centre = camera.target;
    struct Case {
        Vector3 offset;
        bool visible;
    };
    const float halfW = 10.0f * aspect, halfH = 10.0f;
    const Case cases[] = {
        {{0.0f, 0.0f, 0.0f}, true},
        {camera.right * (halfW + 0.45f), true},
        {camera.right * -(halfW + 0.55f), false},
        {camera.up * (halfH + 0.45f), true},
        {camera.up * -(halfH + 0.55f), false},
        {camera.forward * -60.0f, false},   // behind the camera
    };
    for (const Case &c : cases) {
        EyeCoin eye{};
        eye.position = centre + c.offset;
        EXPECT_EQ(EyeCoinsVisible(eye, camera, aspect), c.visible) << c.offset.x << " " << c.offset.y << " " << c.offset.z;
    }
    EyeCoin eye{};
    EXPECT_FALSE(EyeCoinsVisible(eye, camera, NAN_F));
}

TEST_F(EyeCoinsFixture, GatheringHandsOverEveryVisibleEyeOnceInChunks)
{
    FollowCamera camera{};
    camera.viewHeight = 20.0f;
    CameraFollow(camera, {5.0f, 0.0f, 5.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    for (int k = 0; k < 20; k++) Die({(float)(k % 5), 0.0f, (float)(k / 5)}, 2, 1);
    Die({6.0f, 0.0f, 6.0f}, 1, 14);
    Die({90.0f, 0.0f, -90.0f}, 2, 1);   // out of view
    ASSERT_TRUE(EyeCoinsConsumeDeaths(coins, *pool));
    Run(2.0f, 60.0f);
    coins.items[3].attracted = 1;
    for (bool glow : {false, true}) {
        SCOPED_TRACE(glow);
        uint64_t cursor = 0;
        int total = 0, large = 0, chunks = 0;
        EyeCoinsInstance out[7];
        while (cursor < coins.count) {
            int n = EyeCoinsGather(coins, camera, 16.0f / 9.0f, glow, cursor, out, 7);
            ASSERT_LE(n, 7);
            for (int i = 0; i < n; i++) {
                large += out[i].sx == 1.15f && out[i].sz == 0.72f;
                EXPECT_GT(out[i].alpha, 0.0f);
                EXPECT_LE(out[i].alpha, glow ? 100.0f / 255.0f : 1.0f);
            }
            total += n;
            chunks++;
        }
        // 41 eyes in view; the glow leaves out the one being pulled in.
        EXPECT_EQ(total, glow ? 40 : 41);
        EXPECT_EQ(large, glow ? 0 : 1);
        EXPECT_GE(chunks, 6);
    }
}

}  // namespace
