// Developer modes of the mudling pool: self-checks and a headless crowd benchmark.
//
// Index
//   [SECTION] Scenes
//   [SECTION] Self-checks
//   [SECTION] Benchmark
#include "dev/mud_checks.h"

#include "mud/mud_gait.h"
#include "mud/mud_pack.h"
#include "mud/mud_pool.h"
#include "common/maths.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

// [SECTION] Scenes

static const Vector3 ORIGIN = {0.0f, 0.0f, 0.0f};
constexpr int BENCH_STEPS = 3600;

static std::unique_ptr<MudPool> NewPool(int limit)
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, limit);
    return pool;
}

// The player's path in the benchmark: a slow circle of 7 m, so the crowd keeps turning.
static Vector3 CirclingPlayer(int step)
{
    float t = (float)step / 60.0f;
    return {7.0f * std::cos(0.35f * t), 0.0f, 7.0f * std::sin(0.35f * t)};
}

// 36 buns and 12 walkers placed around the player, merging off so the count stays at 48.
static void FillCrowd(MudPool &pool)
{
    pool.mergeEnabled = 0;
    for (int k = 0; k < MUD_CAPACITY; k++)
        MudPoolSpawn(pool, CirclingPlayer(0), true, k % 4 == 3 ? 4.0f : (float)(1 + k % 3), MUD_UNIT_SIZE, false);
}

static float WorstOverlap(const MudPool &pool)
{
    float worst = 0.0f;
    for (int i = 0; i < pool.count; i++)
        for (int j = i + 1; j < pool.count; j++) {
            const MudSlot &a = pool.slots[i], &b = pool.slots[j];
            if (!(a.mass > 0.0f) || !(b.mass > 0.0f) || a.state == MUD_BURIED || b.state == MUD_BURIED) continue;
            float dx = a.position.x - b.position.x, dz = a.position.z - b.position.z;
            worst = std::max(worst, MudGaitPairReach(pool, i, j) - std::sqrt(dx * dx + dz * dz));
        }
    return worst;
}

// [SECTION] Self-checks

struct Tally {
    int passed, failed;
};

static void Check(Tally &tally, bool ok, const char *name)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", name);
    (ok ? tally.passed : tally.failed) += 1;
}

static bool CheckReset()
{
    auto pool = NewPool(60);
    pool->queued = 30;
    MudPoolUpdate(*pool, ORIGIN, 0.1f);
    MudPoolReset(*pool, 12);
    return pool->count == 0 && pool->queued == 0 && pool->limit == 12 && pool->rng == 7319u &&
           pool->spawnTimer == 0.5f && pool->slots[47].heldBun == -1 && pool->slots[0].holder == -1;
}

static bool CheckPause()
{
    auto pool = NewPool(20);
    MudPoolQueueExtra(*pool);
    MudPoolSpawnBoss(*pool, ORIGIN, 0, true);
    for (int f = 0; f < 240; f++) MudPoolUpdate(*pool, {0.02f * (float)f, 0.0f, 1.0f}, 1.0f / 60.0f);
    auto before = std::make_unique<MudPool>();
    memcpy(before.get(), pool.get(), sizeof(MudPool));
    const float steps[] = {0.0f, -1.0f, NAN, INFINITY};
    for (float dt : steps) MudPoolUpdate(*pool, ORIGIN, dt);
    MudPoolUpdate(*pool, {NAN, 0.0f, 0.0f}, 1.0f / 60.0f);
    return memcmp(before.get(), pool.get(), sizeof(MudPool)) == 0;
}

static bool CheckDeterminism()
{
    auto run = [](MudPool &pool) {
        MudPoolSetObstacle(pool, {5.0f, 0.0f, 5.0f}, 1.1f, 3.55f, true);
        for (int f = 0; f < 600; f++) {
            if (f == 100) MudPoolQueueExtra(pool);
            MudPoolUpdate(pool, {std::sin(0.01f * (float)f), 0.0f, 0.01f * (float)f}, 1.0f / 60.0f);
        }
    };
    auto a = NewPool(30), b = NewPool(30);
    run(*a);
    run(*b);
    return a->count > 10 && memcmp(a.get(), b.get(), sizeof(MudPool)) == 0;
}

static bool CheckSpawner()
{
    const float rates[] = {30.0f, 60.0f, 120.0f};
    for (float hz : rates) {
        auto pool = NewPool(32);
        int seen = 0;
        for (int f = 0; f < (int)(10.0f * hz); f++) {
            MudPoolUpdate(*pool, ORIGIN, 1.0f / hz);
            for (; seen < pool->count; seen++) {
                const MudSlot &s = pool->slots[seen];
                if (s.state != MUD_BURIED || s.presence != 0.0f || LengthXZ(s.spawnPoint) <= 4.5f) return false;
            }
        }
        if (pool->count != 32) return false;
    }
    return true;
}

static bool CheckHopTiming()
{
    const float steps[] = {1.0f / 30.0f, 1.0f / 60.0f, 1.0f / 144.0f, 0.05f};
    for (float dt : steps) {
        auto pool = NewPool(0);
        int i = MudPoolSpawn(*pool, ORIGIN, true, 1.0f, MUD_UNIT_SIZE, false);
        if (i < 0) return false;
        MudSlot &s = pool->slots[i];
        s.size = MUD_UNIT_SIZE;
        s.duration = 1.25f;
        double time = 0.0, birthEnd = -1.0, tenth = -1.0;
        for (int f = 0; f < (int)(40.0f / dt) && tenth < 0.0; f++) {
            int before = s.state;
            MudPoolUpdate(*pool, {80.0f, 0.0f, 0.0f}, dt);
            time += dt;
            if (before == MUD_EMERGING && s.state != MUD_EMERGING) birthEnd = time;
            if (s.steps >= 10 && tenth < 0.0) tenth = time;
        }
        if (std::fabs(birthEnd - 2.2) > dt + 1e-4 || std::fabs(tenth - birthEnd - 13.2) > dt + 1e-4) return false;
    }
    return true;
}

static bool CheckCrowd()
{
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    pool->attacksEnabled = 0;
    pool->queued = 30;
    float worst = 0.0f;
    for (int f = 0; f < 900; f++) {
        MudPoolUpdate(*pool, ORIGIN, 1.0f / 60.0f);
        worst = std::max(worst, WorstOverlap(*pool));
    }
    printf("     largest overlap %.4f m\n", worst);
    return pool->count == 30 && worst <= 0.05f;
}

static bool CheckGatherer()
{
    auto pool = NewPool(0);
    int g = MudPoolSpawnBoss(*pool, ORIGIN, 0, true);
    if (g < 0) return false;
    pool->queued = 30;
    int most = 0;
    for (int f = 0; f < 60 * 40 && pool->slots[g].gatherer; f++) {
        MudPoolUpdate(*pool, ORIGIN, 1.0f / 60.0f);
        most = std::max(most, pool->slots[g].gathered);
    }
    const MudSlot &boss = pool->slots[g];
    return !boss.gatherer && most == MUD_GATHER_TARGET && boss.size == MUD_BOSS_SIZE;
}

// Every drawn body's own centre and every landing point lie in tiles that list the slot.
static bool CheckTileMasks()
{
    auto pool = NewPool(0);
    FillCrowd(*pool);
    auto record = std::make_unique<MudPackRecord>();
    for (int f = 0; f < 400; f++) {
        Vector3 player = CirclingPlayer(f);
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        if (f % 50 != 0) continue;
        Vector3 offset = {18.0f, 28.5f, 24.0f};
        Vector3 camera = player + offset;
        Vector3 forward = Vector3Normalize(offset * -1.0f);
        Vector3 right = Vector3Normalize(Vector3CrossProduct(forward, {0.0f, 1.0f, 0.0f}));
        Vector3 up = Vector3CrossProduct(right, forward);
        float height = 12.0f, aspect = 16.0f / 9.0f;
        MudPack(*pool, *record, camera, right, up, height, aspect);
        for (int i = 0; i < pool->count; i++) {
            const MudSlot &s = pool->slots[i];
            bool splashing = s.sinceTouchdown < 0.5f;
            for (Vector3 p : {s.position, splashing ? s.touchdown : s.position}) {
                Vector3 d = p - camera;
                float u = Vector3DotProduct(d, right) / (height * aspect) + 0.5f, v = Vector3DotProduct(d, up) / height + 0.5f;
                if (u < 0.0f || u >= 1.0f || v < 0.0f || v >= 1.0f) continue;
                int tile = (int)(v * MUD_TILE_ROWS) * MUD_TILE_COLUMNS + (int)(u * MUD_TILE_COLUMNS);
                if (!((((uint32_t)record->tiles[tile][i / 32]) >> (i % 32)) & 1u)) return false;
            }
        }
    }
    return true;
}

int DevTestMud()
{
    Tally tally{};
    Check(tally, CheckReset(), "reset: defaults, empty queue, no owners");
    Check(tally, CheckPause(), "pause: dt 0, -1, NaN, inf and a NaN player change no byte");
    Check(tally, CheckDeterminism(), "determinism: the same inputs give the same bytes after 600 steps");
    Check(tally, CheckSpawner(), "spawner: limit 32 fills exactly 32 slots, buried beyond 4.5 m, at 30/60/120 Hz");
    Check(tally, CheckHopTiming(), "timing: birth ends at 2.2 s, tenth hop 13.2 s later, at 1/30, 1/60, 1/144, 0.05 s");
    Check(tally, CheckCrowd(), "crowd: 30 buns around a standing player overlap by at most 0.05 m");
    Check(tally, CheckGatherer(), "gatherer: exactly twenty buns, then a 1.95 m boss");
    Check(tally, CheckTileMasks(), "tile masks: every body centre and landing point lists its slot");
    Check(tally, sizeof(MudPoseBlockA) == 13824 && sizeof(MudPoseBlockB) == 15360 && sizeof(MudPackRecord) == 30336,
          "blocks: MudPoseA 13824, MudPoseB 15360, record 30336 bytes");
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

// [SECTION] Benchmark

static void Percentiles(float *ms, int n, float *median, float *p99, float *most)
{
    std::sort(ms, ms + n);
    *median = ms[n / 2];
    *p99 = ms[std::min(n - 1, (int)std::ceil(0.99 * n) - 1)];
    *most = ms[n - 1];
}

// Wall-clock times include whatever else the machine runs; processor times do not.
int DevBenchmarkMud()
{
    static float updateMs[BENCH_STEPS], updateCpuMs[BENCH_STEPS], packMs[BENCH_STEPS];
    auto pool = NewPool(0);
    FillCrowd(*pool);
    auto record = std::make_unique<MudPackRecord>();
    using Clock = std::chrono::steady_clock;
    for (int step = 0; step < BENCH_STEPS; step++) {
        Vector3 player = CirclingPlayer(step);
        clock_t cpuStart = clock();
        Clock::time_point start = Clock::now();
        MudPoolUpdate(*pool, player, 1.0f / 60.0f);
        Clock::time_point updated = Clock::now();
        clock_t cpuEnd = clock();
        MudPack(*pool, *record, player + Vector3{18.0f, 29.15f, 24.0f}, {0.8f, 0.0f, -0.6f}, {-0.4134f, 0.7250f, -0.5512f},
                20.0f, 16.0f / 9.0f);
        Clock::time_point packed = Clock::now();
        updateMs[step] = std::chrono::duration<float, std::milli>(updated - start).count();
        packMs[step] = std::chrono::duration<float, std::milli>(packed - updated).count();
        updateCpuMs[step] = (float)((double)(cpuEnd - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    }
    int living = 0;
    for (int i = 0; i < pool->count; i++) living += pool->slots[i].mass > 0.0f;
    float median, p99, most;
    Percentiles(updateMs, BENCH_STEPS, &median, &p99, &most);
    printf("MudPoolUpdate, %d creatures, %d steps at 1/60 s: median %.4f ms, p99 %.4f ms, max %.4f ms\n", living,
           BENCH_STEPS, median, p99, most);
    Percentiles(updateCpuMs, BENCH_STEPS, &median, &p99, &most);
    printf("MudPoolUpdate processor time: median %.4f ms, p99 %.4f ms, max %.4f ms\n", median, p99, most);
    Percentiles(packMs, BENCH_STEPS, &median, &p99, &most);
    printf("MudPack, %d slots: median %.4f ms, p99 %.4f ms, max %.4f ms\n", pool->count, median, p99, most);
    return 0;
}
