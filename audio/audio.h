// The game thread's side of the sound engine: one global engine, started once, fed through a
// lock-free command ring. Every sound of the game is synthesised; nothing here blocks, and
// without an audio device every call is a harmless no-op.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int AUDIO_SAMPLE_RATE = 48000;
constexpr int AUDIO_CONTEXT_COUNT = 10;   // music context ids 0..9
constexpr int AUDIO_CUE_COUNT = 34;       // cue ids 0..33
constexpr int AUDIO_SPATIAL_SLOTS = 4;    // rolling rumble channels

// Music context ids (the front end names the situation, the synthesiser crossfades).
constexpr int32_t AUDIO_CONTEXT_PLAY = 0;
constexpr int32_t AUDIO_CONTEXT_MAIN_MENU = 1;
constexpr int32_t AUDIO_CONTEXT_COMIC = 9;

// Interface cue ids; 6..33 are scene events.
constexpr int AUDIO_CUE_HOVER = 0;
constexpr int AUDIO_CUE_ACCEPT = 1;
constexpr int AUDIO_CUE_BACK = 2;
constexpr int AUDIO_CUE_DENIAL = 3;
constexpr int AUDIO_CUE_TICK = 4;
constexpr int AUDIO_CUE_PURCHASE = 5;

// The slow parameters, posted once per frame: 13 values of 32 bits.
struct AudioState {
    int32_t context;          // music context id 0..9 (out of range: main menu)
    float danger;             // 0..1
    float bossPresence[3];    // boss forms 0, 1, 2, each 0..1
    float crowd;              // rolling presence 0..1
    float musicVolume;        // 0..1
    float soundVolume;        // 0..1
    uint8_t musicOn;          // music switched on (non-zero)
    uint8_t soundOn;          // sound effects switched on (non-zero)
    uint8_t focused;          // the window has focus (non-zero)
    uint8_t spare;
    float finale;             // shuttle launch 0..1
    float rocketLevel;        // 0..1
    float rocketPan;          // -1..1
    float rocketDrive;        // 0..1
};
static_assert(sizeof(AudioState) == 52, "AudioState is 13 values of 32 bits");
static_assert(offsetof(AudioState, danger) == 4 && offsetof(AudioState, crowd) == 20);
static_assert(offsetof(AudioState, musicOn) == 32 && offsetof(AudioState, finale) == 36);
static_assert(offsetof(AudioState, rocketDrive) == 48);

// The state as the audio thread uses it: every non-finite float becomes 0, levels are kept in
// 0..1 and the rocket pan in -1..1; a context id outside 0..9 becomes the main menu; the flag
// bytes become 0 or 1.
AudioState AudioStateSanitise(const AudioState &state);
// The exit fade's length as requested: NaN gives 1.2 s, and it is kept in 0.2..5 s.
float AudioExitFadeSeconds(float seconds);

// Allocates the synthesiser, opens the audio device if raylib's is not open yet and starts a
// 48 kHz stereo float stream. False (one warning, everything freed) without a device or stream:
// the game then runs silent. A second call after success does nothing and returns true.
bool AudioInit(uint32_t seed);
// The engine without a device: posts land in the ring and AudioRenderOffline plays them. For
// self-checks and captures, which never open the device. False if an engine already runs.
bool AudioInitOffline(uint32_t seed);
// Renders `frames` stereo frames of the offline engine into `out` exactly as the stream
// callback would; false (nothing written) unless AudioInitOffline succeeded.
bool AudioRenderOffline(float *out, uint32_t frames);
// Stops and unloads the stream, closes the device if AudioInit opened it, frees the engine.
// Safe without AudioInit and safe twice.
void AudioShutdown();
// True between a successful AudioInit or AudioInitOffline and AudioShutdown.
bool AudioIsRunning();
// Stream callbacks run so far (0 offline): shows that the device is pulling sound.
uint32_t AudioCallbackCount();

// Queues the frame's slow parameters; false if dropped (no engine, or all 256 slots waiting).
bool AudioPostState(const AudioState &state);
// Queues one sound effect, id 0..33; false if dropped (no engine, or 232 commands waiting).
bool AudioPostCue(int id, float pan, float gain, float pitch);
// Queues the targets of rolling channel `slot` 0..3; false if dropped.
bool AudioPostSpatial(int slot, float pan, float gain, float pitch);
// Asks the audio thread to fade to exact silence over `seconds` (NaN: 1.2, kept in 0.2..5).
void AudioStartExitFade(float seconds);
