// The sound engine offline on one core: 8 s of the densest realistic play mix, of the battle's
// music with every boss layer up (after the context and the bosses have faded in), and of the
// 64-voice worst case, in 512-frame callback blocks (10.667 ms each at 48 kHz), with the real-time ratio
// and the slowest block as counters; one voice pool full of each timbre; and the block that
// applies a full ring of commands.
#include "audio/audio_engine.h"
#include "dev/audio_checks.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t SECONDS = 8;
constexpr uint32_t BLOCK = 512;

void RunScene(benchmark::State &state, DevAudioScene scene, float settleSeconds = 0.0f)
{
    double worstCpu = 0.0, worstWall = 0.0, rendered = 0.0, cpu = 0.0, wall = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = std::make_unique<AudioEngine>();
        AudioEngineCreate(*engine, 1906723731u);
        DevAudioSettleScene(*engine, scene, settleSeconds);
        state.ResumeTiming();
        DevAudioTiming t = DevAudioRenderScene(*engine, scene, nullptr, SECONDS * AUDIO_SAMPLE_RATE, BLOCK);
        worstCpu = t.worstBlockCpuMs > worstCpu ? t.worstBlockCpuMs : worstCpu;
        worstWall = t.worstBlockWallMs > worstWall ? t.worstBlockWallMs : worstWall;
        cpu += t.cpuSeconds;
        wall += t.wallSeconds;
        rendered += SECONDS;
        state.PauseTiming();
        AudioEngineRelease(*engine);
        state.ResumeTiming();
    }
    state.counters["realtime_x_cpu"] = cpu > 0.0 ? rendered / cpu : 0.0;
    state.counters["realtime_x_wall"] = wall > 0.0 ? rendered / wall : 0.0;
    state.counters["worst_block_cpu_ms"] = worstCpu;
    state.counters["worst_block_wall_ms"] = worstWall;
    state.counters["deadline_ms"] = 1000.0 * BLOCK / AUDIO_SAMPLE_RATE;
}

void BM_AudioDensestMix(benchmark::State &state) { RunScene(state, DEV_AUDIO_DENSEST); }
BENCHMARK(BM_AudioDensestMix)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Six seconds settle the play weight and the boss layer before the timed render.
void BM_AudioBattleAllBosses(benchmark::State &state) { RunScene(state, DEV_AUDIO_BATTLE_BOSSES, 6.0f); }
BENCHMARK(BM_AudioBattleAllBosses)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_AudioWorstCase64Voices(benchmark::State &state) { RunScene(state, DEV_AUDIO_WORST_CASE); }
BENCHMARK(BM_AudioWorstCase64Voices)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// One second of 32 effect voices of a single timbre; argument: the timbre.
void BM_AudioTimbre(benchmark::State &state)
{
    int timbre = (int)state.range(0);
    std::vector<float> out(2 * BLOCK);
    double spent = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = std::make_unique<AudioEngine>();
        AudioEngineCreate(*engine, 5u);
        AudioState s{};
        s.context = AUDIO_CONTEXT_MAIN_MENU;
        s.soundVolume = 1.0f;
        s.soundOn = s.focused = 1;
        AudioEnginePostState(*engine, s);
        for (int i = 0; i < SYNTH_EFFECT_VOICES; ++i) {
            SynthNote note{timbre, 80.0f + 20.0f * (float)i, 5.0f, 0.03f, 0.0f, 1.0f, 1.0f, 0.2f, 0};
            SynthStartVoice(*engine->synth, SYNTH_POOL_EFFECTS, note, true);
        }
        state.ResumeTiming();
        std::clock_t start = std::clock();
        for (uint32_t pos = 0; pos < (uint32_t)AUDIO_SAMPLE_RATE; pos += BLOCK) AudioEngineProcess(*engine, out.data(), BLOCK);
        spent += (double)(std::clock() - start) / CLOCKS_PER_SEC;
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        AudioEngineRelease(*engine);
        state.ResumeTiming();
    }
    state.counters["cpu_ns_per_voice_sample"] = spent / (double)state.iterations() / (double)(SYNTH_EFFECT_VOICES * AUDIO_SAMPLE_RATE) * 1e9;
}
BENCHMARK(BM_AudioTimbre)->DenseRange(0, SYNTH_TIMBRES - 1)->Unit(benchmark::kMillisecond)->Iterations(2);

// A block that first applies 256 waiting commands (a 300-cue burst) and starts every voice.
void BM_AudioCommandBurstBlock(benchmark::State &state)
{
    std::vector<float> out(2 * BLOCK);
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = std::make_unique<AudioEngine>();
        AudioEngineCreate(*engine, 6u);
        AudioState s{};
        s.context = AUDIO_CONTEXT_PLAY;
        s.musicVolume = s.soundVolume = 1.0f;
        s.musicOn = s.soundOn = s.focused = 1;
        AudioEnginePostState(*engine, s);
        for (int i = 0; i < 300; ++i) AudioEnginePostCue(*engine, 6 + i % 28, 0.0f, 0.9f, 1.0f);
        for (int i = 0; i < 24; ++i) AudioEnginePostSpatial(*engine, i % 4, 0.0f, 0.5f, 1.0f);
        state.ResumeTiming();
        AudioEngineProcess(*engine, out.data(), BLOCK);
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        AudioEngineRelease(*engine);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AudioCommandBurstBlock)->Unit(benchmark::kMicrosecond)->Iterations(50);

}  // namespace
