// Eye coins: microseconds per EyeCoinsUpdate with 1000 eyes lying in view of a player walking
// among them (none close enough to be pulled in), per update of a fresh burst of 480 eyes in
// flight, per conversion of a full death queue, and per gathering of 1000 eyes in view into
// draw instances (both passes: the processor's share of drawing them).
#include "campaign/eye_coins.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int EYES = 1000;
constexpr float RING = 3.5f;   // metres: no eye lies closer to the player's circle centre

// A crowd's worth of birth patches for the ground queries to walk over.
std::unique_ptr<MudPool> World()
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    pool->count = MUD_CAPACITY;
    for (int i = 0; i < MUD_CAPACITY; i++) {
        float a = 0.61f * (float)i;
        pool->slots[i].spawnPoint = {9.0f * std::cos(a), 0.0f, 5.0f * std::sin(a)};
        pool->slots[i].emergence = 1.0f;
    }
    return pool;
}

// Two-eye deaths on a spiral round the origin, from RING outward, until `eyes` lie in view.
void Scatter(EyeCoins &coins, MudPool &pool, int eyes)
{
    int placed = 0;
    for (int k = 0; placed < eyes; k++) {
        float r = RING + 0.012f * (float)k;
        float a = 0.73f * (float)k;
        DeathRecord &d = pool.deaths[pool.deathCount++];
        d = {};
        d.eye0 = {r * std::cos(a) * 1.6f, 0.6f, r * std::sin(a) * 0.9f};
        d.eye1 = {d.eye0.x + 0.2f, 0.6f, d.eye0.z};
        d.center = d.eye0;
        d.size = 0.14f;
        d.seed = (float)k;
        d.value = 1;
        d.eyes = 2;
        placed += 2;
        if (pool.deathCount == MUD_DEATH_CAPACITY || placed >= eyes) EyeCoinsConsumeDeaths(coins, pool);
    }
}

Vector3 Walker(int step)
{
    float t = (float)step / 60.0f;
    return {0.8f * std::cos(0.9f * t), 0.0f, 0.8f * std::sin(0.9f * t)};
}

void BM_EyeCoinsUpdate1000Resting(benchmark::State &state)
{
    auto pool = World();
    EyeCoins coins{};
    EyeCoinsReset(coins);
    Scatter(coins, *pool, EYES);
    int step = 0;
    for (; step < 180; step++) EyeCoinsUpdate(coins, *pool, Walker(step), Walker(step + 1), 1.0f / 60.0f);
    for (auto _ : state) {
        EyeCoinsUpdate(coins, *pool, Walker(step), Walker(step + 1), 1.0f / 60.0f);
        step++;
        benchmark::ClobberMemory();
    }
    state.counters["eyes"] = (double)coins.count;
    EyeCoinsFree(coins);
}
BENCHMARK(BM_EyeCoinsUpdate1000Resting)->Unit(benchmark::kMicrosecond);

// Forty-eight rollers at once: the worst burst a full death queue can bring.
void BM_EyeCoinsUpdate480Flying(benchmark::State &state)
{
    auto pool = World();
    EyeCoins coins{};
    EyeCoinsReset(coins);
    for (auto _ : state) {
        state.PauseTiming();
        EyeCoinsReset(coins);
        for (int i = 0; i < MUD_DEATH_CAPACITY; i++) {
            DeathRecord &d = pool->deaths[i];
            d = {};
            d.center = {(float)(i % 8) * 2.0f - 8.0f, 0.8f, (float)(i / 8) * 2.0f - 6.0f};
            d.size = 0.14f;
            d.seed = (float)i * 1.7f;
            d.value = 1;
            d.eyes = 10;
            d.roller = 1;
        }
        pool->deathCount = MUD_DEATH_CAPACITY;
        EyeCoinsConsumeDeaths(coins, *pool);
        state.ResumeTiming();
        EyeCoinsUpdate(coins, *pool, Walker(0), Walker(0), 1.0f / 60.0f);
        benchmark::ClobberMemory();
    }
    EyeCoinsFree(coins);
}
BENCHMARK(BM_EyeCoinsUpdate480Flying)->Unit(benchmark::kMicrosecond);

void BM_EyeCoinsConsumeFullQueue(benchmark::State &state)
{
    auto pool = World();
    EyeCoins coins{};
    EyeCoinsReset(coins);
    for (auto _ : state) {
        EyeCoinsReset(coins);
        for (int i = 0; i < MUD_DEATH_CAPACITY; i++) {
            DeathRecord &d = pool->deaths[i];
            d = {};
            d.center = d.eye0 = d.eye1 = {(float)(i % 8) * 2.0f - 8.0f, 0.8f, (float)(i / 8) * 2.0f - 6.0f};
            d.size = 0.14f;
            d.seed = (float)i * 1.7f;
            d.value = 1;
            d.eyes = i % 3 == 0 ? 10 : 2;
            d.roller = i % 3 == 0;
        }
        pool->deathCount = MUD_DEATH_CAPACITY;
        benchmark::DoNotOptimize(EyeCoinsConsumeDeaths(coins, *pool));
    }
    EyeCoinsFree(coins);
}
BENCHMARK(BM_EyeCoinsConsumeFullQueue)->Unit(benchmark::kMicrosecond);

void BM_EyeCoinsGather1000(benchmark::State &state)
{
    auto pool = World();
    EyeCoins coins{};
    EyeCoinsReset(coins);
    Scatter(coins, *pool, EYES);
    for (int step = 0; step < 180; step++) EyeCoinsUpdate(coins, *pool, Walker(step), Walker(step), 1.0f / 60.0f);
    FollowCamera camera{};
    camera.viewHeight = 20.0f;
    CameraFollow(camera, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    static EyeCoinsInstance out[1024];
    int visible = 0;
    for (auto _ : state) {
        visible = 0;
        for (bool glow : {true, false}) {
            uint64_t cursor = 0;
            while (cursor < coins.count) visible += EyeCoinsGather(coins, camera, 16.0f / 9.0f, glow, cursor, out, 1024);
        }
        benchmark::DoNotOptimize(out);
    }
    state.counters["instances"] = (double)visible;
    EyeCoinsFree(coins);
}
BENCHMARK(BM_EyeCoinsGather1000)->Unit(benchmark::kMicrosecond);

}  // namespace
