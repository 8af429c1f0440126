// An offline sound engine for tests: the same block function the stream callback runs, driven
// in blocks of any size, with a script that acts at chosen frames.
#pragma once

#include "audio/audio_engine.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct OfflineEngine {
    std::unique_ptr<AudioEngine> engine = std::make_unique<AudioEngine>();

    explicit OfflineEngine(uint32_t seed, uint32_t ringStart = 0) { AudioEngineCreate(*engine, seed, ringStart); }
    ~OfflineEngine() { AudioEngineRelease(*engine); }

    AudioEngine &e() { return *engine; }
    Synth &synth() { return *engine->synth; }

    // Renders `frames` frames in blocks of `block`; before the block that starts at a multiple of
    // `scriptEvery` frames, `script(frame)` runs (it posts commands or starts voices).
    std::vector<float> Render(uint32_t frames, uint32_t block, const std::function<void(uint32_t)> &script = {},
                              uint32_t scriptEvery = 4096)
    {
        std::vector<float> out(2 * (size_t)frames);
        for (uint32_t pos = 0; pos < frames; pos += block) {
            if (script && pos % scriptEvery == 0) script(pos);
            uint32_t n = frames - pos < block ? frames - pos : block;
            AudioEngineProcess(*engine, out.data() + 2 * (size_t)pos, n);
        }
        return out;
    }
};

// A state that makes everything audible: main menu, full volumes, both switches on, focused.
inline AudioState AudibleState(int32_t context = 1)
{
    AudioState s{};
    s.context = context;
    s.musicVolume = 1.0f;
    s.soundVolume = 1.0f;
    s.musicOn = 1;
    s.soundOn = 1;
    s.focused = 1;
    return s;
}

inline double Energy(const std::vector<float> &samples, size_t from = 0, size_t to = SIZE_MAX, int channel = -1)
{
    double sum = 0.0;
    if (to > samples.size()) to = samples.size();
    for (size_t i = from; i < to; ++i)
        if (channel < 0 || (int)(i % 2) == channel) sum += (double)samples[i] * samples[i];
    return sum;
}

// True when every sample is finite and within the limiter's ceiling.
inline bool AllFiniteWithin(const std::vector<float> &samples, float limit = 0.94f)
{
    for (float x : samples)
        if (!std::isfinite(x) || std::fabs(x) > limit) return false;
    return true;
}
