// One headless game step as the run stands: the frame's input handling, the game step and the
// consistency check over a scripted walk with casts, at 1/60 s. The baseline every subsystem
// wired into the step is measured against.
#include "dev/dev_run.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

std::vector<DevEvent> WalkScript(int frames)
{
    static const int KEYS[] = {KEY_W, KEY_D, KEY_J, KEY_S, KEY_A, KEY_K};
    std::vector<DevEvent> events;
    for (int frame = 5, n = 0; frame < frames; frame += 41, n++) {
        int key = KEYS[n % 6];
        events.push_back({frame, DEV_EVENT_PRESS, key, key == KEY_J || key == KEY_K ? 1 : 35, 0.0f, {}});
    }
    return events;
}

void BM_FieldStep(benchmark::State &state)
{
    constexpr int FRAMES = 3600;
    std::vector<DevEvent> events = WalkScript(FRAMES);
    DevScript script{events.data(), (int)events.size()};
    auto field = std::make_unique<Field>();
    auto run = std::make_unique<DevHeadless>();
    DevHeadlessReset(*run, *field, FIELD_DEVELOPER_SEED);
    for (auto _ : state) {
        if (run->frame >= FRAMES) {
            state.PauseTiming();
            DevHeadlessReset(*run, *field, FIELD_DEVELOPER_SEED);
            state.ResumeTiming();
        }
        FieldStepResult result = DevHeadlessFrame(*run, *field, script, 1.0f / 60.0f);
        benchmark::DoNotOptimize(result);
    }
    FieldRelease(*field);
}
BENCHMARK(BM_FieldStep);

}  // namespace
