// Mudling pool: microseconds per MudPoolUpdate with 48 creatures crowding a circling player,
// per MudPack of the same crowd, and per MudGroundHeight query over the crowd's birth patches.
#include "mud/mud_pack.h"
#include "mud/mud_pool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

Vector3 CirclingPlayer(int step)
{
    float t = (float)step / 60.0f;
    return {7.0f * std::cos(0.35f * t), 0.0f, 7.0f * std::sin(0.35f * t)};
}

// 36 buns and 12 walkers, merging off, run until they have come out of the ground and
// gathered round the player.
std::unique_ptr<MudPool> Crowd(int warmSteps)
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    pool->mergeEnabled = 0;
    for (int k = 0; k < MUD_CAPACITY; k++)
        MudPoolSpawn(*pool, CirclingPlayer(0), true, k % 4 == 3 ? 4.0f : (float)(1 + k % 3), MUD_UNIT_SIZE, false);
    for (int step = 0; step < warmSteps; step++) MudPoolUpdate(*pool, CirclingPlayer(step), 1.0f / 60.0f);
    return pool;
}

void BM_MudPoolUpdate48(benchmark::State &state)
{
    auto pool = Crowd(600);
    int step = 600;
    for (auto _ : state) {
        MudPoolUpdate(*pool, CirclingPlayer(step++), 1.0f / 60.0f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MudPoolUpdate48)->Unit(benchmark::kMicrosecond);

void BM_MudPack48(benchmark::State &state)
{
    auto pool = Crowd(600);
    auto record = std::make_unique<MudPackRecord>();
    Vector3 player = CirclingPlayer(600);
    Vector3 camera = {player.x + 18.0f, 29.15f, player.z + 24.0f};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            MudPack(*pool, *record, camera, {0.8f, 0.0f, -0.6f}, {-0.4134f, 0.7250f, -0.5512f}, 20.0f, 16.0f / 9.0f));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MudPack48)->Unit(benchmark::kMicrosecond);

void BM_MudGroundHeight(benchmark::State &state)
{
    auto pool = Crowd(120);
    int i = 0;
    for (auto _ : state) {
        float a = 0.37f * (float)(i++ & 1023);
        benchmark::DoNotOptimize(MudGroundHeight(*pool, 8.0f * std::cos(a), 8.0f * std::sin(a)));
    }
}
BENCHMARK(BM_MudGroundHeight);

}  // namespace
