// The engine block shared by the stream callback and every offline render.
#include "audio/audio_engine.h"

#include <cmath>
#include <cstring>

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#define AUDIO_HAS_MXCSR 1
#endif

bool AudioEngineCreate(AudioEngine &engine, uint32_t seed, uint32_t ringStart)
{
    AudioEngineRelease(engine);
    AudioRingReset(engine.ring, ringStart);
    engine.fadeRequestMs.store(0);
    engine.blocks.store(0);
    engine.synth = SynthCreate(seed);
    return engine.synth != nullptr;
}

void AudioEngineRelease(AudioEngine &engine)
{
    SynthRelease(engine.synth);
    engine.synth = nullptr;
}

static bool Post(AudioEngine &engine, const AudioCommand &command)
{
    if (!engine.synth) return false;
    return AudioRingPush(engine.ring, command);
}

bool AudioEnginePostState(AudioEngine &engine, const AudioState &state)
{
    AudioCommand command{};
    command.type = AUDIO_COMMAND_STATE;
    command.state = state;
    return Post(engine, command);
}

bool AudioEnginePostCue(AudioEngine &engine, int id, float pan, float gain, float pitch)
{
    AudioCommand command{};
    command.type = AUDIO_COMMAND_CUE;
    command.cue = {id, pan, gain, pitch};
    return Post(engine, command);
}

bool AudioEnginePostSpatial(AudioEngine &engine, int slot, float pan, float gain, float pitch)
{
    AudioCommand command{};
    command.type = AUDIO_COMMAND_SPATIAL;
    command.spatial = {slot, pan, gain, pitch};
    return Post(engine, command);
}

void AudioEngineRequestExitFade(AudioEngine &engine, float seconds)
{
    if (!engine.synth) return;
    uint32_t ms = (uint32_t)std::lround(AudioExitFadeSeconds(seconds) * 1000.0f);
    engine.fadeRequestMs.exchange(ms);
}

void AudioEngineProcess(AudioEngine &engine, float *out, uint32_t frames)
{
    Synth *synth = engine.synth;
    if (!synth) {
        std::memset(out, 0, sizeof(float) * 2 * frames);
        return;
    }
#ifdef AUDIO_HAS_MXCSR
    // Flush-to-zero and denormals-are-zero for this block only; the caller's mode comes back.
    unsigned int savedCsr = _mm_getcsr();
    _mm_setcsr(savedCsr | 0x8040u);
#endif
    uint32_t first = 0;
    uint32_t count = AudioRingAcquire(engine.ring, first);
    for (uint32_t i = 0; i < count; ++i) SynthApplyCommand(*synth, AudioRingAt(engine.ring, first + i));
    AudioRingRelease(engine.ring, first, count);

    uint32_t ms = engine.fadeRequestMs.exchange(0);
    if (ms != 0) SynthStartExitFade(*synth, ms * (uint32_t)(AUDIO_SAMPLE_RATE / 1000));

    SynthRender(*synth, out, frames);
    engine.blocks.fetch_add(1, std::memory_order_relaxed);
#ifdef AUDIO_HAS_MXCSR
    _mm_setcsr(savedCsr);
#endif
}
