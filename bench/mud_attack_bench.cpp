// Mudling attacks: microseconds per MudPoolUpdate with 48 formed creatures attacking a circling
// player: a mixed crowd (24 buns, 12 walkers, 12 golems), 48 walkers, and 16 golems picking and
// throwing among 32 buns; and per fusion step of a crowd that merges.
#include "dev/mud_attack_scenes.h"
#include "mud/mud_pool.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

Vector3 CirclingPlayer(int step)
{
    float t = (float)step / 60.0f;
    return {6.0f * std::cos(0.35f * t), 0.0f, 6.0f * std::sin(0.35f * t)};
}

// The crowd after two seconds of closing in, so attacks are under way when timing starts.
void RunCrowd(benchmark::State &state, int kind)
{
    auto pool = std::make_unique<MudPool>();
    MudSceneCrowd(*pool, kind);
    int step = 0;
    for (; step < 120; step++) MudPoolUpdate(*pool, CirclingPlayer(step), 1.0f / 60.0f);
    for (auto _ : state) {
        MudPoolUpdate(*pool, CirclingPlayer(step++), 1.0f / 60.0f);
        benchmark::ClobberMemory();
    }
}

void BM_MudUpdateMixedAttackers48(benchmark::State &state) { RunCrowd(state, MUD_CROWD_MIXED); }
BENCHMARK(BM_MudUpdateMixedAttackers48)->Unit(benchmark::kMicrosecond);

void BM_MudUpdateWalkers48(benchmark::State &state) { RunCrowd(state, MUD_CROWD_WALKERS); }
BENCHMARK(BM_MudUpdateWalkers48)->Unit(benchmark::kMicrosecond);

void BM_MudUpdateGolemsAndBuns48(benchmark::State &state) { RunCrowd(state, MUD_CROWD_GOLEMS); }
BENCHMARK(BM_MudUpdateGolemsAndBuns48)->Unit(benchmark::kMicrosecond);

// 48 one- and two-clod buns with merging on, restarted whenever the fusions have run out.
void BM_MudUpdateMergingCrowd(benchmark::State &state)
{
    auto pool = std::make_unique<MudPool>();
    int step = 0;
    for (auto _ : state) {
        if (step % 600 == 0) {
            state.PauseTiming();
            MudSceneCrowd(*pool, MUD_CROWD_MIXED);
            for (int i = 0; i < pool->count; i++) {
                pool->slots[i].mass = (float)(1 + i % 2);
                pool->slots[i].walkerGrowth = pool->slots[i].golemGrowth = pool->slots[i].legLength = 0.0f;
                pool->slots[i].legNorm = 1.0f;
                pool->slots[i].state = MUD_RESTING;
            }
            pool->mergeEnabled = 1;
            pool->attacksEnabled = 0;
            state.ResumeTiming();
        }
        MudPoolUpdate(*pool, CirclingPlayer(step++), 1.0f / 60.0f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MudUpdateMergingCrowd)->Unit(benchmark::kMicrosecond);

}  // namespace
