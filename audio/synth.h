// The synthesiser: every sound of the game rendered sample by sample at 48 kHz stereo.
//
// Audio thread contract
// - SynthApplyCommand, SynthStartExitFade, SynthStartVoice and SynthRender (with the arrangement
//   it runs every sixteenth note, arrange.h) run on raylib's audio thread, inside the stream callback (or on the one thread of an offline render). They never
//   call a raylib audio function, never lock, never allocate, never make a system call or a
//   library sine call, and touch only the Synth handed to them. All state, the sine table and the
//   reverb lines included, is allocated once by SynthCreate, on the game thread, before the
//   stream starts; SynthRelease frees it after the stream has stopped.
// - The game thread never reads or writes a Synth while the stream runs: it talks to it only
//   through the command ring and the atomic exit-fade request (audio_engine.h). The statistics
//   and the peak meter below are plain fields for that reason and are read only offline.
// - The caller of SynthRender flushes denormals (the engine sets FTZ/DAZ around each block); the
//   feedback paths also flush tiny values themselves so the output does not depend on it.
// - Output depends only on the seed, the commands and the sample at which each was applied, never
//   on how the stream is split into callbacks: every clock is counted in samples.
#pragma once

#include "audio/arrange.h"
#include "audio/audio.h"
#include "audio/audio_ring.h"
#include "audio/score.h"

#include <cstdint>

constexpr int SYNTH_MUSIC_VOICES = 32;
constexpr int SYNTH_EFFECT_VOICES = 32;
constexpr int SYNTH_EFFECT_ORDINARY_VOICES = 24;  // cues without priority use only these
constexpr int SYNTH_TIMBRES = 24;
constexpr int SYNTH_SINE_SIZE = 2048;             // table entries per cycle (plus one guard)
constexpr int SYNTH_CONTROL_PERIOD = 64;          // samples per control tick (750 Hz)
constexpr int SYNTH_HALL_LENGTH = 32768;
constexpr int SYNTH_ROOM_LENGTH = 8192;
constexpr uint32_t SYNTH_DEFAULT_SEED = 1831565813u;  // replaces a seed of 0

enum SynthPool : uint8_t { SYNTH_POOL_MUSIC, SYNTH_POOL_EFFECTS };

// Layer tags of a music voice (set by the arrangement).
constexpr uint8_t SYNTH_LAYER_FINALE = 1;
constexpr uint8_t SYNTH_LAYER_COMIC = 2;

// One note request: what StartVoice takes.
struct SynthNote {
    int timbre;        // 0..23
    float frequency;   // Hz, kept in 24..10 000
    float seconds;     // kept in 0.025..5
    float gain;        // 0..1
    float pan;         // -1..1
    float tone;        // timbre colour
    float glide;       // final / initial frequency, kept in 0.025..8
    float send;        // reverb send
    uint8_t layer;     // SYNTH_LAYER_* bits (music voices only)
};

struct SynthVoice {
    bool active;
    uint8_t timbre;
    uint8_t layer;
    int32_t elapsed;       // samples rendered
    int32_t length;        // samples in all
    int32_t attack;        // samples of the fade-in
    int32_t release;       // samples of the fade-out before the end
    float p1, p2, p3;      // oscillator phases 0..1
    float vibrato;         // vibrato phase 0..1
    float frequency;       // Hz, 24..10 000
    float glide;           // per-sample frequency factor
    float gain;
    float envelope;        // starts at 1, multiplied by `decay` every sample
    float decay;
    float left, right;     // equal-power pan gains
    float tone;
    float filter1, filter2;
    float send;
    uint32_t noise;        // xorshift32 state, odd
};

// One continuous rolling rumble.
struct SynthRoller {
    float pan, gain, pitch;
    float targetPan, targetGain, targetPitch;
    float phaseA, phaseB, phaseC;
    float slow, fast;      // noise smoothers 0.01 and 0.058
    uint32_t noise;
};

struct SynthRocket {
    float level;           // glides toward the posted level in the play context
    float phase1, phase2, phase3;
    float deep1, deep2;    // two cascaded low noise smoothers (the roar)
    float mid1, mid2;      // body of the exhaust
    float hiss;            // low-pass subtracted from the crackle noise
    uint32_t noise1, noise2;
};

// Two banks of three slow sine oscillators under everything.
struct SynthPadBed {
    float phase[6];
    float vibrato[6];
    float frequency[6];
    float bankLevel[2];
    int bank;              // 0 or 1: the bank fading in
    float kickDuck;        // set by kicks, decays per sample
};

// Diagnostics of the audio thread; read only offline.
struct SynthStats {
    uint32_t notesStarted;       // music voices
    uint32_t effectsStarted;     // effect voices
    uint32_t voicesDropped;      // no free slot
    uint32_t cuesSounded;
    uint32_t cuesIgnored;        // bad id, inaudible gain, or within the id's minimum interval
    uint32_t commandsApplied;
    uint32_t nonFiniteResets;    // a non-finite sample reached the master chain
    uint32_t perTimbre[SYNTH_TIMBRES];
    uint64_t musicHash;          // FNV-1a over started music notes: timbre, mHz, length
};

struct Synth {
    // Published parameters (sanitised) and their control-rate copies.
    AudioState published;
    float danger, crowd, boss[3], bossLayer, finale, rocketPan, rocketDrive;
    float contextWeight[AUDIO_CONTEXT_COUNT];
    float contextBlend[ARRANGE_COLUMNS];  // tempo, A, B, C, D, pad bed, E blended by the weights
    float weightGlide;               // 1 - exp(-64 / 45 600)

    // Sequencer: low 4 bits of the counter = step in the bar, next 8 bits = bar.
    uint64_t step;
    double stepAccumulator;
    float tempo;                     // beats per minute
    Score score;                     // composed from the seed at reset, read-only afterwards
    bool finaleRunning;              // the smoothed finale has been above 0 since finaleStartBar
    uint64_t finaleStartBar;         // step counter / 16 when the finale began

    uint32_t musicRandom, effectRandom;
    float sine[SYNTH_SINE_SIZE + 1];
    SynthVoice music[SYNTH_MUSIC_VOICES];
    SynthVoice effects[SYNTH_EFFECT_VOICES];
    SynthPadBed pad;
    SynthRoller rollers[AUDIO_SPATIAL_SLOTS];
    SynthRocket rocket;

    float hallL[SYNTH_HALL_LENGTH], hallR[SYNTH_HALL_LENGTH];
    float roomL[SYNTH_ROOM_LENGTH], roomR[SYNTH_ROOM_LENGTH];
    int hallWrite, roomWrite;
    float hallLp[2], roomLp[2];

    // Master chain.
    float musicMaster, effectsMaster, focusGain;
    float duck, duckSmooth;
    float musicGain;                 // per tick, from the play weight, danger and the duck
    float bedGain;                   // per tick, before the kick duck
    float comicWeight, finaleAmount; // per tick: layer weights of the music voices
    float dcIn[2], dcOut[2];
    float peak;

    // Exit fade, counted in samples.
    bool fadeActive;
    int32_t fadeElapsed, fadeLength;

    uint64_t clock;                  // samples rendered
    uint64_t lastTick;               // clock of the last control tick
    int64_t lastCue[AUDIO_CUE_COUNT];  // clock at which each cue id last sounded, -1 never
    SynthStats stats;
};

// Allocates a zeroed synthesiser and resets it; null if the memory is not there.
Synth *SynthCreate(uint32_t seed);
// Frees it; safe with null.
void SynthRelease(Synth *synth);
// Start-up state: the score composed from the seed (game thread only: the pad search takes some
// 40 KB of stack), main-menu context, tempo 88, silent masters until the first AudioState.
void SynthReset(Synth &synth, uint32_t seed);
// Applies one command from the ring (sanitising every value).
void SynthApplyCommand(Synth &synth, const AudioCommand &command);
// Begins the exit fade over `samples` (ignored once a fade runs or for 0).
void SynthStartExitFade(Synth &synth, uint32_t samples);
// Starts a voice in the first free slot of the pool (effects without priority: the first 24
// slots only); false, counted, when no slot is free. Never steals a voice.
bool SynthStartVoice(Synth &synth, SynthPool pool, const SynthNote &note, bool priority);
// Renders `frames` interleaved stereo frames.
void SynthRender(Synth &synth, float *out, uint32_t frames);
// Voices sounding in a pool.
int SynthActiveVoices(const Synth &synth, SynthPool pool);
// Table sine of a phase in cycles (any finite value: wrapped), linearly interpolated.
float SynthSine(const Synth &synth, float phase);
