// Developer self-checks and captures of the sound engine, all offline (no device): "--test-audio",
// "--test-audio-ui" and "--capture-audio". The scenes are shared with bench/audio_bench.cpp.
#pragma once

#include "audio/audio_engine.h"

#include <cstdint>

// Offline renders: block-size independence by hash, seeds, silence, the exit fade, non-finite
// commands, the voice pools, the ring through its wrap, and the real-time ratio of the densest mix.
int DevTestAudio();
// The publisher and the exit fade: cue mapping, pan, focus, serials, the fade curve at 30, 60
// and 144 Hz, and each interface cue heard through the game's engine run offline.
int DevTestAudioUi();
// WAV files under artifacts/audio/: each cue 0..33 alone, the densest mix, the exit fade, each
// music context 0..9, the boss layers one by one and together, the victory finale, and the scene
// observer's scripted scenes (a crowd of 48 at 30, 60 and 144 Hz, a boss fight, a meteor and a
// blade, coins, rolling rows, the finale, a whole level with its music weights in
// artifacts/audio/scene_level.txt).
int DevCaptureAudio();

enum DevAudioScene : uint8_t {
    DEV_AUDIO_DENSEST,        // the densest realistic play mix (the fight's music, two bosses, rollers, rocket, cues)
    DEV_AUDIO_WORST_CASE,     // all 64 voices on the heaviest timbre, rollers and rocket on
    DEV_AUDIO_BATTLE_BOSSES,  // the battle's music alone with danger, crowd and all three bosses at full
};

// Frames of one 60 Hz game frame.
constexpr uint32_t DEV_AUDIO_FRAME = 800;

struct DevAudioTiming {
    double cpuSeconds;        // processor time spent rendering
    double wallSeconds;       // wall time spent rendering
    double worstBlockCpuMs;   // the slowest single block, processor time
    double worstBlockWallMs;  // the slowest single block, wall time (includes preemption)
};

// Plays a scene for `seconds` into nothing, so that the context weights and mood values have
// settled before a timed render or a capture.
void DevAudioSettleScene(AudioEngine &engine, DevAudioScene scene, float seconds);
// Renders `frames` frames of a scene into `out` (null: discarded) in callback blocks of at most
// `block` frames, posting each 60 Hz game frame's commands first, as the game would.
DevAudioTiming DevAudioRenderScene(AudioEngine &engine, DevAudioScene scene, float *out, uint32_t frames, uint32_t block);
