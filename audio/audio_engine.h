// One sound engine: the command ring, the atomic exit-fade request and the synthesiser they
// feed. The game owns one (audio.cpp) driven by the stream callback; self-checks, captures and
// benchmarks make their own and drive it offline with the very same block function.
#pragma once

#include "audio/audio_ring.h"
#include "audio/synth.h"

#include <atomic>
#include <cstdint>

struct AudioEngine {
    AudioRing ring;
    std::atomic<uint32_t> fadeRequestMs;   // exit fade asked for, in milliseconds; 0 = none
    std::atomic<uint32_t> blocks;          // blocks rendered (readable from the game thread)
    Synth *synth;                          // null until created
};

// Allocates the synthesiser and empties the ring (counters at `ringStart`); false, nothing
// allocated, if the memory is not there. Only while no block runs.
bool AudioEngineCreate(AudioEngine &engine, uint32_t seed, uint32_t ringStart = 0);
// Frees the synthesiser; safe before create and twice. Only while no block runs.
void AudioEngineRelease(AudioEngine &engine);
// Game thread: queue one command each; false when dropped or before create.
bool AudioEnginePostState(AudioEngine &engine, const AudioState &state);
bool AudioEnginePostCue(AudioEngine &engine, int id, float pan, float gain, float pitch);
bool AudioEnginePostSpatial(AudioEngine &engine, int slot, float pan, float gain, float pitch);
// Game thread: asks for the exit fade over `seconds` (NaN 1.2, kept in 0.2..5).
void AudioEngineRequestExitFade(AudioEngine &engine, float seconds);
// Audio thread: one block, what the stream callback does: applies the waiting commands, takes up
// a fade request, renders `frames` interleaved stereo frames with denormals flushed. Silence
// before create.
void AudioEngineProcess(AudioEngine &engine, float *out, uint32_t frames);
