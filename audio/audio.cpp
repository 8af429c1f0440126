// The game's one sound engine and its stream callback.
#include "audio/audio.h"

#include "audio/audio_device.h"
#include "audio/audio_engine.h"
#include "common/maths.h"

#include "raylib.h"

// The audio engine is one of the program's few globals: raylib's stream callback carries no
// user pointer.
static AudioEngine audioEngine;
static AudioDevice audioDevice;
static bool audioOffline;

// raylib's audio thread. Touches only the ring, the fade request and the synthesiser.
static void AudioStreamCallback(void *buffer, unsigned int frames)
{
    AudioEngineProcess(audioEngine, (float *)buffer, frames);
}

AudioState AudioStateSanitise(const AudioState &in)
{
    auto unit = [](float x) { return IsFinite(x) ? ClampSafe(x, 0.0f, 1.0f) : 0.0f; };
    AudioState s = in;
    if (s.context < 0 || s.context >= AUDIO_CONTEXT_COUNT) s.context = AUDIO_CONTEXT_MAIN_MENU;
    s.danger = unit(in.danger);
    for (int i = 0; i < 3; ++i) s.bossPresence[i] = unit(in.bossPresence[i]);
    s.crowd = unit(in.crowd);
    s.musicVolume = unit(in.musicVolume);
    s.soundVolume = unit(in.soundVolume);
    s.musicOn = in.musicOn != 0;
    s.soundOn = in.soundOn != 0;
    s.focused = in.focused != 0;
    s.spare = 0;
    s.finale = unit(in.finale);
    s.rocketLevel = unit(in.rocketLevel);
    s.rocketPan = IsFinite(in.rocketPan) ? ClampSafe(in.rocketPan, -1.0f, 1.0f) : 0.0f;
    s.rocketDrive = unit(in.rocketDrive);
    return s;
}

float AudioExitFadeSeconds(float seconds)
{
    if (seconds != seconds) return 1.2f;
    return seconds < 0.2f ? 0.2f : (seconds > 5.0f ? 5.0f : seconds);
}

bool AudioInit(uint32_t seed)
{
    if (audioEngine.synth) return !audioOffline;
    if (!AudioEngineCreate(audioEngine, seed)) {
        TraceLog(LOG_WARNING, "AUDIO: procedural synthesizer allocation failed");
        return false;
    }
    if (!AudioDeviceOpen(audioDevice, AudioStreamCallback)) {
        AudioEngineRelease(audioEngine);
        return false;
    }
    audioOffline = false;
    return true;
}

bool AudioInitOffline(uint32_t seed)
{
    if (audioEngine.synth) return false;
    if (!AudioEngineCreate(audioEngine, seed)) {
        TraceLog(LOG_WARNING, "AUDIO: procedural synthesizer allocation failed");
        return false;
    }
    audioOffline = true;
    return true;
}

bool AudioRenderOffline(float *out, uint32_t frames)
{
    if (!audioEngine.synth || !audioOffline) return false;
    AudioEngineProcess(audioEngine, out, frames);
    return true;
}

void AudioShutdown()
{
    // The stream stops before the synthesiser it renders is freed.
    AudioDeviceClose(audioDevice);
    AudioEngineRelease(audioEngine);
    audioOffline = false;
}

bool AudioIsRunning() { return audioEngine.synth != nullptr; }

uint32_t AudioCallbackCount() { return audioOffline ? 0u : audioEngine.blocks.load(std::memory_order_relaxed); }

bool AudioPostState(const AudioState &state) { return AudioEnginePostState(audioEngine, state); }

bool AudioPostCue(int id, float pan, float gain, float pitch) { return AudioEnginePostCue(audioEngine, id, pan, gain, pitch); }

bool AudioPostSpatial(int slot, float pan, float gain, float pitch)
{
    return AudioEnginePostSpatial(audioEngine, slot, pan, gain, pitch);
}

void AudioStartExitFade(float seconds) { AudioEngineRequestExitFade(audioEngine, seconds); }
