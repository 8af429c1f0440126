// Eye-coin developer checks and the headless loot profile.
//
// Index
//   [SECTION] Scenes
//   [SECTION] Checks
//   [SECTION] --test-loot
//   [SECTION] --profile-loot
#include "dev/loot_checks.h"

#include "common/maths.h"
#include "world/arena.h"

#include <algorithm>
#include <cstdarg>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

// [SECTION] Scenes

static void Record(MudPool &pool, Vector3 at, EyeCoinsReward reward, bool roller, float seed)
{
    DeathRecord &r = pool.deaths[pool.deathCount++];
    r = {};
    r.eye0 = reward.eyes == 1 ? Vector3{at.x, at.y + 0.5f, at.z} : Vector3{at.x - 0.15f, at.y + 0.5f, at.z};
    r.eye1 = {at.x + 0.15f, at.y + 0.5f, at.z};
    r.center = {at.x, at.y + 0.4f, at.z};
    r.size = reward.size;
    r.heading = 0.4f;
    r.seed = seed;
    r.value = reward.value;
    r.eyes = reward.eyes;
    r.roller = roller ? 1 : 0;
}

bool DevLootScatter(EyeCoins &coins, MudPool &pool, Vector3 centre, int eyes)
{
    bool ok = true;
    for (int k = 0, placed = 0; placed < eyes; k++) {
        // A spiral stretched to the 16:9 view, kept 3.5 m clear of the walker's circle.
        float r = 3.5f + 0.0125f * (float)k;
        float a = 0.73f * (float)k;
        Vector3 at = {centre.x + 1.6f * r * std::cos(a), 0.0f, centre.z + 0.9f * r * std::sin(a)};
        Record(pool, at, EyeCoinsRewardFor(1.0f, 0.9f, false, false), false, (float)k * 0.37f);
        placed += 2;
        if (pool.deathCount == MUD_DEATH_CAPACITY || placed >= eyes) ok = EyeCoinsConsumeDeaths(coins, pool) && ok;
    }
    Vector3 far = {centre.x + 60.0f, 0.0f, centre.z + 60.0f};
    far = ArenaClampCircle(far, 1.0f);
    for (int i = 0; i < 180; i++) EyeCoinsUpdate(coins, pool, far, far, 1.0f / 60.0f);
    return ok && coins.count == (uint64_t)eyes;
}

Vector3 DevLootWalker(Vector3 centre, int step)
{
    float t = (float)step / 60.0f;
    return {centre.x + 0.8f * std::cos(0.9f * t), 0.0f, centre.z + 0.8f * std::sin(0.9f * t)};
}

// [SECTION] Checks

struct Tally {
    int passed, failed;
};

static void Check(Tally &tally, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? tally.passed : tally.failed)++;
}

// A fresh economy over a bare pool; the record and pool stay on the heap.
struct Loot {
    std::unique_ptr<MudPool> pool = std::make_unique<MudPool>();
    EyeCoins coins{};
    Loot()
    {
        MudPoolReset(*pool, 0);
        EyeCoinsReset(coins);
    }
    ~Loot() { EyeCoinsFree(coins); }
    void Die(Vector3 at, uint32_t eyes, uint32_t value, bool roller = false, float seed = 3.7f)
    {
        Record(*pool, at, {eyes, value, eyes == 1 ? 0.2f : 0.14f}, roller, seed);
    }
    void Run(float seconds, float hz, Vector3 player)
    {
        int frames = (int)(seconds * hz + 0.5f);
        for (int i = 0; i < frames; i++) EyeCoinsUpdate(coins, *pool, player, player, 1.0f / hz);
    }
    // Lets the eyes land far from the player, then walks onto each in turn; the wallet's gain.
    uint64_t SettleAndCollect()
    {
        uint64_t before = coins.wallet;
        Run(2.0f, 60.0f, {100.0f, 0.0f, 100.0f});
        for (int frame = 0; frame < 6000 && coins.count > 0; frame++) {
            Vector3 at = {coins.items[0].position.x, 0.0f, coins.items[0].position.z};
            EyeCoinsUpdate(coins, *pool, at, at, 1.0f / 60.0f);
        }
        return coins.count == 0 ? coins.wallet - before : 0;
    }
};

static void CheckRewards(Tally &tally)
{
    bool ok = true;
    EyeCoinsReward bun = EyeCoinsRewardFor(1.0f, 0.9f, false, false);
    ok = ok && bun.eyes == 2 && bun.value == 1;
    for (int m = 2; m <= 9; m++) {
        EyeCoinsReward r = EyeCoinsRewardFor((float)m, 0.9f, false, false);
        ok = ok && r.eyes == 1 && r.value == 2u * (uint32_t)m;
    }
    EyeCoinsReward roller = EyeCoinsRewardFor(1.0f, 0.9f, true, false), boss = EyeCoinsRewardFor(50.0f, 2.0f, false, true);
    ok = ok && roller.eyes == 10 && roller.value == 1 && boss.eyes == 2 && boss.value == 1;
    EyeCoinsReward nan = EyeCoinsRewardFor(NAN, 0.9f, false, false);
    ok = ok && nan.eyes == 2 && nan.value == 1;
    Check(tally, ok, "reward table: a bun 2 eyes of 1, masses 2..9 one eye of 4..18, a roller 10 of 1, a boss 2 of 1");
}

static void CheckIncome(Tally &tally)
{
    {
        Loot l;
        EyeCoinsSetLevel(l.coins, 1);
        for (uint32_t v : {1u, 1u, 8u, 14u}) l.Die({5.0f, 0.0f, 5.0f}, 1, v);
        bool ok = EyeCoinsConsumeDeaths(l.coins, *l.pool) && l.SettleAndCollect() == 120 && l.coins.levelIncome == 120;
        Check(tally, ok, "eyes of 1, 1, 8 and 14 pay 120 at income level 0");
    }
    bool all = true;
    for (int n = 0; n <= 10; n++) {
        Loot l;
        EyeCoinsSetLevel(l.coins, 1);
        EyeCoinsSetIncomeLevel(l.coins, n);
        for (int k = 0; k < 5; k++) l.Die({5.0f + (float)k, 0.0f, 5.0f}, 2, 1);
        all = all && EyeCoinsConsumeDeaths(l.coins, *l.pool) && l.SettleAndCollect() == 50u + 5u * (uint64_t)n &&
              l.coins.remainder == 0;
    }
    Check(tally, all, "ten eyes of 1 pay 50 + 5n at income level n, no remainder");
    {
        Loot l;
        EyeCoinsRestore(l.coins, UINT64_MAX - 5, 9);
        EyeCoinsSetLevel(l.coins, 1);
        EyeCoinsSetIncomeLevel(l.coins, 10);
        l.Die({5.0f, 0.0f, 5.0f}, 1, 4294967295u);
        bool ok = EyeCoinsConsumeDeaths(l.coins, *l.pool);
        l.SettleAndCollect();
        ok = ok && l.coins.wallet == UINT64_MAX && l.coins.levelIncome == 5 && l.coins.remainder == 9;
        Check(tally, ok, "wallet 2^64 - 6, remainder 9, an eye of 2^32 - 1 at income 10: wallet 2^64 - 1, level income 5");
    }
    all = true;
    for (int k = 1; k <= 4; k++) {
        Loot l;
        EyeCoinsSetIncomeLevel(l.coins, 5);
        EyeCoinsSetLevel(l.coins, k);
        l.Die({5.0f, 0.0f, 5.0f}, 1, 10);
        l.Die({6.0f, 0.0f, 5.0f}, 1, 10);
        all = all && EyeCoinsConsumeDeaths(l.coins, *l.pool);
        EyeCoinsSetLevel(l.coins, k % 4 + 1);
        all = all && l.SettleAndCollect() == (150u << (k - 1));
    }
    Check(tally, all, "two eyes of 10 dropped in level k pay 150 x 2^(k-1) after the level changed");
}

static void CheckPickup(Tally &tally)
{
    bool edge = true;
    for (int step = 0; step <= 5; step++) {
        float m = 1.0f + 0.2f * (float)step;
        for (float margin : {-0.01f, 0.01f}) {
            Loot l;
            EyeCoinsSetMagnet(l.coins, m);
            l.Die({5.0f, 0.0f, 5.0f}, 1, 1);
            EyeCoinsConsumeDeaths(l.coins, *l.pool);
            l.Run(2.0f, 60.0f, {100.0f, 0.0f, 100.0f});
            Vector3 eye = l.coins.items[0].position;
            Vector3 p = {eye.x + 1.6f * m + margin, 0.0f, eye.z};
            EyeCoinsUpdate(l.coins, *l.pool, p, p, 1.0f / 60.0f);
            bool caught = l.coins.count == 0 || l.coins.items[0].attracted;
            edge = edge && caught == (margin < 0.0f);
        }
    }
    Check(tally, edge, "magnet 1.0..2.0: an eye at 1.6m - 0.01 is caught, one at 1.6m + 0.01 is not");

    Loot l;
    l.Die({5.0f, 0.0f, 5.0f}, 1, 1);
    EyeCoinsConsumeDeaths(l.coins, *l.pool);
    l.Run(2.0f, 60.0f, {100.0f, 0.0f, 100.0f});
    Vector3 eye = l.coins.items[0].position;
    Vector3 from = {eye.x - 3.0f, 0.0f, eye.z + 1.5f}, to = {eye.x + 3.0f, 0.0f, eye.z + 1.5f};
    EyeCoinsUpdate(l.coins, *l.pool, from, to, 1.0f / 60.0f);
    bool caught = l.coins.count == 0 || l.coins.items[0].attracted;
    l.Run(1.0f, 60.0f, to);
    Check(tally, caught && l.coins.count == 0 && l.coins.wallet == 5, "a player crossing the radius in one step pulls the eye in");
}

static int refusalLines = 0;

static void CountRefusal(int level, const char *text, va_list)
{
    refusalLines += level == LOG_ERROR && strcmp(text, "Could not allocate eye coins; death drops retained for retry.") == 0;
}

static void CheckQueue(Tally &tally)
{
    Loot l;
    l.Die({5.0f, 0.0f, 5.0f}, 0, 1);
    l.Die({6.0f, 0.0f, 5.0f}, 10, 1, true);
    MudPool copy;
    memcpy(&copy, l.pool.get(), sizeof(MudPool));
    eyeCoinsRefusedGrowths = 1;
    // The refusal's error line is the contract: counted here instead of printed.
    refusalLines = 0;
    SetTraceLogCallback(CountRefusal);
    bool refused = !EyeCoinsConsumeDeaths(l.coins, *l.pool);
    SetTraceLogCallback(nullptr);
    eyeCoinsRefusedGrowths = 0;
    bool kept = refused && refusalLines == 1 && memcmp(&copy, l.pool.get(), sizeof(MudPool)) == 0 && l.coins.count == 0;
    Check(tally, kept, "a storage that cannot grow keeps the death queue untouched, with one error line");
    bool once = EyeCoinsConsumeDeaths(l.coins, *l.pool) && l.coins.count == 12 && l.pool->deathCount == 0 &&
                EyeCoinsConsumeDeaths(l.coins, *l.pool) && l.coins.count == 12;
    Check(tally, once, "the retry turns every record into its eyes, once");
}

static void CheckFrozen(Tally &tally)
{
    Loot l;
    l.Die({5.0f, 0.0f, 5.0f}, 2, 1);
    l.Die({7.0f, 0.0f, 5.0f}, 10, 1, true);
    EyeCoinsConsumeDeaths(l.coins, *l.pool);
    Vector3 near = {5.0f, 0.0f, 5.0f};
    l.Run(0.5f, 60.0f, near);
    EyeCoins before = l.coins;
    std::vector<EyeCoin> eyes(l.coins.items, l.coins.items + l.coins.count);
    bool same = true;
    for (float dt : {0.0f, -1.0f, NAN, INFINITY}) {
        EyeCoinsUpdate(l.coins, *l.pool, near, near, dt);
        same = same && memcmp(&before, &l.coins, sizeof(EyeCoins)) == 0 &&
               memcmp(eyes.data(), l.coins.items, eyes.size() * sizeof(EyeCoin)) == 0;
    }
    Check(tally, same, "a step of 0, -1, NaN or infinity changes nothing");
}

static void CheckResting(Tally &tally)
{
    char line[160];
    float worst = 0.0f;
    bool all = true;
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        Loot l;
        for (Vector3 site : {Vector3{10.0f, 0.0f, -20.0f}, Vector3{127.8f, 0.0f, 3.0f}, Vector3{-127.5f, 0.0f, -127.5f}}) {
            Record(*l.pool, site, EyeCoinsRewardFor(1.0f, 0.9f, true, false), true, 11.0f);
            Record(*l.pool, site, EyeCoinsRewardFor(7.0f, 0.9f, false, false), false, 2.0f);
        }
        EyeCoinsConsumeDeaths(l.coins, *l.pool);
        l.Run(3.0f, hz, {100.0f, 0.0f, 100.0f});
        for (uint64_t i = 0; i < l.coins.count; i++) {
            const EyeCoin &e = l.coins.items[i];
            float rest = MudGroundHeight(*l.pool, e.position.x, e.position.z) + EYE_COINS_REST_LIFT * e.size;
            worst = std::max(worst, std::fabs(e.position.y - rest));
            all = all && e.landed && ArenaContainsCircle(e.position, e.size);
        }
        all = all && l.coins.count == 33;
    }
    snprintf(line, sizeof(line), "rollers and a golem by walls and a corner: all landed inside, at ground + 0.62 size within %.4f m (limit 0.012) at 30/60/144 Hz", worst);
    Check(tally, all && worst <= 0.012f, line);
}

static void CheckLedger(Tally &tally)
{
    bool all = true;
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        Loot l;
        EyeCoinsSetIncomeLevel(l.coins, 4);
        uint64_t dropped = 0;
        Vector3 previous = {0.0f, 0.0f, 0.0f};
        int frames = (int)(16.0f * hz);
        for (int f = 0; f < frames; f++) {
            float t = (float)f / hz;
            int level = 1 + (int)(t / 4.0f) % 4;
            EyeCoinsSetLevel(l.coins, level);
            if (f == 0 || (int)(t * 2.0f) != (int)((t - 1.0f / hz) * 2.0f)) {
                int k = (int)(t * 2.0f);
                float mass = (float)(1 + k % 9);
                bool roller = k % 4 == 3;
                EyeCoinsReward r = EyeCoinsRewardFor(mass, 0.9f, roller, false);
                Record(*l.pool, {8.0f * std::cos(0.4f * t + 0.8f), 0.0f, 8.0f * std::sin(0.4f * t + 0.8f)}, r, roller, (float)k);
                dropped += (uint64_t)r.eyes * r.value << (level - 1);
                all = all && EyeCoinsConsumeDeaths(l.coins, *l.pool);
            }
            Vector3 player = {8.0f * std::cos(0.4f * t), 0.0f, 8.0f * std::sin(0.4f * t)};
            EyeCoinsUpdate(l.coins, *l.pool, previous, player, 1.0f / hz);
            previous = player;
        }
        uint64_t ground = 0;
        for (uint64_t i = 0; i < l.coins.count; i++) ground += (uint64_t)l.coins.items[i].value * l.coins.items[i].weight;
        uint64_t paid = l.coins.wallet * 10 + (uint64_t)l.coins.remainder;
        all = all && l.coins.wallet > 0 && paid == (dropped - ground) * 5 * 14;
    }
    Check(tally, all, "ledger at 30/60/144 Hz: what the dead were worth is in the wallet or on the ground");
}

// [SECTION] --test-loot

int DevTestLoot()
{
    Tally tally{};
    CheckRewards(tally);
    CheckIncome(tally);
    CheckPickup(tally);
    CheckQueue(tally);
    CheckFrozen(tally);
    CheckResting(tally);
    CheckLedger(tally);
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

// [SECTION] --profile-loot

int DevProfileLoot()
{
    using Clock = std::chrono::steady_clock;
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    // A crowd's birth patches under the eyes: every ground sample walks all 48 slots.
    pool->count = MUD_CAPACITY;
    for (int i = 0; i < MUD_CAPACITY; i++) {
        float a = 0.61f * (float)i;
        pool->slots[i].spawnPoint = {9.0f * std::cos(a), 0.0f, 5.0f * std::sin(a)};
        pool->slots[i].emergence = 1.0f;
    }
    EyeCoins coins{};
    EyeCoinsReset(coins);
    Vector3 centre = {0.0f, 0.0f, 0.0f};
    if (!DevLootScatter(coins, *pool, centre, DEV_LOOT_PROFILE_EYES)) {
        printf("FAIL could not lay out %d eyes\n", DEV_LOOT_PROFILE_EYES);
        EyeCoinsFree(coins);
        return 1;
    }
    FollowCamera camera{};
    camera.viewHeight = CAMERA_ZOOM_DEFAULT;
    CameraFollow(camera, centre, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    int inView = 0;
    for (uint64_t i = 0; i < coins.count; i++) inView += EyeCoinsVisible(coins.items[i], camera, 16.0f / 9.0f);

    // Batches of 50 updates: single updates are below the clocks' resolution.
    constexpr int BATCHES = 60, PER_BATCH = 50;
    std::vector<double> wall(BATCHES), cpu(BATCHES);
    int step = 0;
    for (int b = 0; b < BATCHES; b++) {
        auto start = Clock::now();
        std::clock_t cpuStart = std::clock();
        for (int i = 0; i < PER_BATCH; i++, step++)
            EyeCoinsUpdate(coins, *pool, DevLootWalker(centre, step), DevLootWalker(centre, step + 1), 1.0f / 60.0f);
        cpu[b] = (double)(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / PER_BATCH;
        wall[b] = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / PER_BATCH;
    }
    bool intact = coins.count == (uint64_t)DEV_LOOT_PROFILE_EYES;

    // The processor's share of drawing them: both passes gathered into instances.
    static EyeCoinsInstance instances[1024];
    std::vector<double> gather(BATCHES);
    int gathered = 0;
    for (int b = 0; b < BATCHES; b++) {
        auto start = Clock::now();
        for (int i = 0; i < PER_BATCH; i++) {
            gathered = 0;
            for (bool glow : {true, false}) {
                uint64_t cursor = 0;
                while (cursor < coins.count) gathered += EyeCoinsGather(coins, camera, 16.0f / 9.0f, glow, cursor, instances, 1024);
            }
        }
        gather[b] = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / PER_BATCH;
    }
    std::sort(gather.begin(), gather.end());
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    double median = wall[BATCHES / 2];
    printf("update of %d eyes (%d in view, player walking among them): wall %.4f ms median, %.4f ms worst; cpu %.4f ms median\n",
           (int)coins.count, inView, median, wall[BATCHES - 1], cpu[BATCHES / 2]);
    printf("draw preparation of %d instances (glow and lens passes): wall %.4f ms median\n", gathered, gather[BATCHES / 2]);
    EyeCoinsFree(coins);
    bool ok = intact && median <= 0.2;
    printf("%s update within 0.2 ms\n", ok ? "ok  " : "FAIL");
    return ok ? 0 : 1;
}
