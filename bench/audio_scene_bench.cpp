// The scene audio observer's cost per game frame: 48 creatures of every form under fire, 8
// meteors and 8 blades in flight (the crowd of the audio captures), at 1/60 s. The world's own
// step runs outside the timing; the observation, the shuttle's and taking the frame's posts are
// timed.
#include "dev/audio_scene_checks.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_AudioSceneObserveCrowd(benchmark::State &state)
{
    auto world = std::make_unique<DevAudioWorld>();
    if (!DevAudioWorldReset(*world, DEV_AUDIO_SCRIPT_CROWD)) {
        state.SkipWithError("the scripted world could not be made");
        return;
    }
    const float dt = 1.0f / 60.0f;
    // Two seconds in, so the weapons fly and the crowd fights.
    for (int f = 0; f < 120; f++) {
        DevAudioWorldStep(*world, dt);
        DevAudioWorldObserve(*world, dt);
    }
    double cues = 0.0, creatures = 0.0, meteors = 0.0, blades = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        DevAudioWorldStep(*world, dt);
        for (const Meteor &m : world->meteors.slots) meteors += m.active;
        for (const Spike &b : world->spikes.slots) blades += b.active;
        for (int i = 0; i < world->pool.count; i++) creatures += world->pool.slots[i].mass > 0.0f && world->pool.slots[i].state != MUD_FREE;
        state.ResumeTiming();
        DevAudioWorldObserve(*world, dt);
        AudioScenePosts posts;
        AudioSceneTakePosts(world->scene, posts);
        benchmark::DoNotOptimize(posts.cueCount);
        cues += posts.cueCount;
    }
    double n = (double)state.iterations();
    state.counters["cues_per_frame"] = n > 0.0 ? cues / n : 0.0;
    state.counters["creatures"] = n > 0.0 ? creatures / n : 0.0;
    state.counters["meteors"] = n > 0.0 ? meteors / n : 0.0;
    state.counters["blades"] = n > 0.0 ? blades / n : 0.0;
    DevAudioWorldRelease(*world);
}
BENCHMARK(BM_AudioSceneObserveCrowd)->Unit(benchmark::kMicrosecond)->Iterations(3600);

}  // namespace
