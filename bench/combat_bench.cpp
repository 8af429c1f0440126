// The fight: one step of the combat scene (45 wounded, attacking creatures, two bosses, 8 meteors
// and 8 blades in flight, the drone and the repel), and the meteors and blades alone over that
// crowd.
#include "dev/combat_checks.h"

#include "common/maths.h"
#include "world/soil.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

Soil &BenchSoil()
{
    static Soil soil{};
    static bool created = SoilCreate(soil);
    (void)created;
    return soil;
}

void BM_CombatSceneStep(benchmark::State &state)
{
    if (!BenchSoil().cells) {
        state.SkipWithError("the soil could not be allocated");
        return;
    }
    auto scene = std::make_unique<DevCombatScene>();
    DevCombatSceneReset(*scene, BenchSoil());
    for (auto _ : state) {
        // A fresh scene every simulated minute, so the measured steps stay like the game's.
        if (scene->step >= 3600) {
            state.PauseTiming();
            DevCombatSceneReset(*scene, BenchSoil());
            state.ResumeTiming();
        }
        DevCombatSceneStep(*scene, nullptr);
    }
    benchmark::DoNotOptimize(scene->pool.count);
}
BENCHMARK(BM_CombatSceneStep)->Unit(benchmark::kMicrosecond);

// Meteors and blades of a scene two seconds in, stepped again and again from the same state.
void BM_CombatWeaponsStep(benchmark::State &state)
{
    if (!BenchSoil().cells) {
        state.SkipWithError("the soil could not be allocated");
        return;
    }
    auto scene = std::make_unique<DevCombatScene>();
    DevCombatSceneReset(*scene, BenchSoil());
    for (int k = 0; k < 120; k++) DevCombatSceneStep(*scene, nullptr);
    auto saved = std::make_unique<DevCombatScene>(*scene);
    Vector3 before = scene->player, after = scene->player + Vector3{0.04f, 0.0f, 0.0f};
    for (auto _ : state) {
        state.PauseTiming();
        memcpy(&scene->pool, &saved->pool, sizeof(MudPool));
        scene->meteors = saved->meteors;
        scene->spikes = saved->spikes;
        state.ResumeTiming();
        benchmark::DoNotOptimize(MeteorUpdate(scene->meteors, scene->pool, BenchSoil(), before, after, 1.0f / 60.0f));
        benchmark::DoNotOptimize(SpikeUpdate(scene->spikes, scene->pool, BenchSoil(), before, after, 1.0f / 60.0f));
    }
}
BENCHMARK(BM_CombatWeaponsStep)->Unit(benchmark::kMicrosecond);

}  // namespace
