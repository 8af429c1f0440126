// The synthesiser: voices, timbres, pad bed, rollers, rocket, reverbs and the master chain.
//
// Index
//   [SECTION] Tables
//   [SECTION] Oscillator helpers
//   [SECTION] Reset
//   [SECTION] Voices
//   [SECTION] Timbres
//   [SECTION] Commands
//   [SECTION] Control tick
//   [SECTION] Sequencer
//   [SECTION] Span rendering
//   [SECTION] Render
#include "audio/synth.h"

#include "common/maths.h"

#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

static_assert(std::is_trivially_copyable_v<Synth>, "the synthesiser is reset with a fill");

// [SECTION] Tables

static constexpr float SAMPLE_RATE = (float)AUDIO_SAMPLE_RATE;
static constexpr float INV_SAMPLE_RATE = 1.0f / SAMPLE_RATE;
static constexpr float SNAP = 5e-6f;   // control values below this become exactly 0

// Per timbre: attack and release (samples), end level of the envelope over the whole length,
// partial ratios of the second and third phase, vibrato rate (Hz) and the short decay window
// d (samples, 0 = none).
struct TimbreSpec {
    int attack, release;
    float endLevel, r2, r3, vibratoHz, decaySamples;
};

static constexpr TimbreSpec TIMBRES[SYNTH_TIMBRES] = {
    {168, 863, 0.014f, 2.0f, 3.003f, 4.2f, 2208.0f},     // 0 thump
    {168, 863, 0.014f, 2.0f, 3.003f, 4.2f, 0.0f},        // 1 hiss
    {168, 863, 0.11f, 2.0f, 3.003f, 4.2f, 0.0f},         // 2 soft square
    {168, 863, 0.014f, 1.498f, 3.003f, 4.2f, 0.0f},      // 3 FM bell
    {168, 863, 0.014f, 2.002f, 3.003f, 4.2f, 0.0f},      // 4 octave organ
    {168, 863, 0.014f, 2.0f, 3.003f, 4.2f, 0.0f},        // 5 FM pluck
    {168, 863, 0.014f, 2.0f, 3.003f, 4.2f, 0.0f},        // 6 breath
    {168, 863, 0.014f, 0.503f, 3.003f, 4.2f, 0.0f},      // 7 rumble
    {168, 863, 0.014f, 2.002f, 3.003f, 4.2f, 0.0f},      // 8 soft organ
    {1200, 863, 0.28f, 2.0f, 3.003f, 4.2f, 0.0f},        // 9 whistle
    {384, 1536, 0.18f, 2.0f, 3.003f, 2.8f, 0.0f},        // 10 liquid pulse
    {168, 863, 0.035f, 2.002f, 3.003f, 4.2f, 3456.0f},   // 11 chip lead
    {168, 863, 0.014f, 2.73f, 4.12f, 4.2f, 1392.0f},     // 12 mallet
    {134, 1056, 0.026f, 1.498307f, 3.003f, 4.2f, 1344.0f},  // 13 power-chord guitar
    {134, 1056, 0.24f, 2.0f, 3.003f, 4.2f, 1344.0f},     // 14 lead guitar
    {168, 863, 0.12f, 2.0f, 3.003f, 4.2f, 0.0f},         // 15 bass
    {168, 863, 0.014f, 1.879f, 5.137f, 4.2f, 1632.0f},   // 16 brass stab
    {168, 863, 0.014f, 1.594f, 2.135f, 4.2f, 2160.0f},   // 17 bell
    {2160, 3600, 0.52f, 1.003f, 3.003f, 5.1f, 0.0f},     // 18 horn
    {480, 1680, 0.055f, 1.006f, 3.003f, 4.2f, 0.0f},     // 19 string
    {7200, 6720, 0.69f, 1.004f, 3.003f, 0.37f, 0.0f},    // 20 choir organ
    {168, 863, 0.022f, 1.505f, 1.999f, 4.2f, 1824.0f},   // 21 bell with bite
    {168, 863, 0.014f, 2.17f, 3.371f, 4.2f, 2016.0f},    // 22 rock kick
    {3600, 5760, 0.72f, 1.003f, 3.003f, 0.19f, 0.0f},    // 23 pad voice
};

// One voice of a cue: timbre, frequency factor, seconds, gain factor, tone factor, glide, send.
struct CueVoice {
    int timbre;
    float frequency, seconds, gain, tone, glide, send;
};

struct CueRecipe {
    bool priority;    // may use all 32 effect voices
    bool ducking;     // pushes the music down for a moment
    int count;
    CueVoice voices[4];
};

static constexpr CueRecipe CUES[AUDIO_CUE_COUNT] = {
    {false, false, 1, {{5, 940.0f, 0.072f, 0.095f, 0.6f, 0.62f, 0.14f}}},
    {true, false, 2, {{5, 690.0f, 0.15f, 0.12f, 0.7f, 1.4f, 0.2f}, {8, 1174.66f, 0.27f, 0.075f, 0.5f, 1.0f, 0.27f}}},
    {true, false, 2, {{5, 790.0f, 0.17f, 0.12f, 0.5f, 0.56f, 0.19f}, {4, 440.0f, 0.23f, 0.055f, 0.3f, 1.0f, 0.22f}}},
    {true, false, 1, {{3, 185.0f, 0.24f, 0.13f, 1.7f, 0.7f, 0.12f}}},
    {false, false, 1, {{5, 640.0f, 0.078f, 0.1f, 0.4f, 1.24f, 0.12f}}},
    {true, false, 3, {{8, 587.33f, 0.38f, 0.12f, 0.5f, 1.0f, 0.28f}, {8, 880.0f, 0.47f, 0.095f, 0.6f, 1.0f, 0.3f},
                      {5, 370.0f, 0.19f, 0.07f, 0.5f, 1.7f, 0.15f}}},
    {true, false, 2, {{6, 210.0f, 0.43f, 0.24f, 1.1f, 3.4f, 0.23f}, {4, 1174.66f, 0.33f, 0.07f, 1.0f, 0.52f, 0.27f}}},
    {false, false, 3, {{0, 150.0f, 0.56f, 0.38f, 0.5f, 0.25f, 0.08f}, {7, 63.0f, 0.85f, 0.33f, 1.0f, 0.59f, 0.23f},
                       {1, 230.0f, 0.28f, 0.16f, 0.9f, 0.45f, 0.12f}}},
    {true, false, 2, {{3, 330.0f, 0.26f, 0.18f, 1.8f, 2.3f, 0.19f}, {6, 95.0f, 0.36f, 0.15f, 0.6f, 1.4f, 0.16f}}},
    {false, false, 2, {{3, 790.0f, 0.25f, 0.13f, 1.3f, 0.42f, 0.18f}, {5, 270.0f, 0.18f, 0.1f, 0.6f, 0.55f, 0.17f}}},
    {true, false, 2, {{3, 155.0f, 0.25f, 0.23f, 2.0f, 0.55f, 0.08f}, {9, 340.0f, 0.2f, 0.13f, 0.8f, 0.45f, 0.1f}}},
    {true, false, 2, {{3, 147.0f, 1.35f, 0.22f, 1.6f, 0.38f, 0.25f}, {4, 440.0f, 1.6f, 0.12f, 0.6f, 0.51f, 0.3f}}},
    {true, false, 3, {{9, 147.0f, 0.85f, 0.17f, 0.8f, 3.0f, 0.25f}, {8, 587.33f, 1.15f, 0.14f, 0.5f, 1.0f, 0.32f},
                      {8, 880.0f, 1.0f, 0.09f, 0.5f, 1.0f, 0.32f}}},
    {false, false, 2, {{5, 760.0f, 0.105f, 0.085f, 0.45f, 1.7f, 0.16f}, {8, 1568.0f, 0.24f, 0.085f, 0.6f, 1.0f, 0.22f}}},
    {false, false, 3, {{7, 61.74f, 1.4f, 0.32f, 1.0f, 0.58f, 0.28f}, {3, 146.83f, 1.1f, 0.18f, 2.1f, 0.73f, 0.25f},
                       {9, 392.0f, 0.8f, 0.12f, 0.7f, 0.5f, 0.23f}}},
    {true, true, 2, {{7, 64.0f, 0.62f, 0.2f, 1.0f, 1.85f, 0.19f}, {5, 205.0f, 0.44f, 0.105f, 0.9f, 1.5f, 0.18f}}},
    {true, true, 2, {{7, 125.0f, 0.48f, 0.28f, 1.0f, 0.35f, 0.21f}, {6, 450.0f, 0.36f, 0.15f, 0.8f, 0.33f, 0.18f}}},
    {true, true, 2, {{0, 160.0f, 0.37f, 0.29f, 0.5f, 0.31f, 0.11f}, {3, 245.0f, 0.29f, 0.17f, 1.3f, 0.54f, 0.17f}}},
    {true, true, 2, {{0, 115.0f, 0.48f, 0.33f, 0.5f, 0.3f, 0.13f}, {7, 78.0f, 0.56f, 0.23f, 1.0f, 0.62f, 0.2f}}},
    {true, true, 2, {{6, 120.0f, 0.38f, 0.24f, 0.7f, 2.4f, 0.2f}, {5, 290.0f, 0.23f, 0.12f, 0.6f, 0.57f, 0.22f}}},
    {false, false, 2, {{5, 178.0f, 0.21f, 0.17f, 1.2f, 0.34f, 0.15f}, {1, 108.0f, 0.17f, 0.12f, 1.0f, 0.5f, 0.12f}}},
    {false, false, 3, {{7, 72.0f, 1.3f, 0.32f, 1.0f, 0.34f, 0.27f}, {5, 240.0f, 0.75f, 0.2f, 1.0f, 0.25f, 0.23f},
                       {9, 165.0f, 0.95f, 0.15f, 0.8f, 0.38f, 0.25f}}},
    {false, false, 2, {{5, 210.0f, 0.19f, 0.16f, 0.9f, 0.3f, 0.14f}, {1, 110.0f, 0.15f, 0.1f, 0.5f, 0.45f, 0.1f}}},
    {false, false, 1, {{3, 1174.66f, 0.18f, 0.15f, 1.5f, 0.43f, 0.12f}}},
    {false, false, 2, {{6, 105.0f, 0.62f, 0.23f, 0.9f, 2.6f, 0.22f}, {4, 587.33f, 0.56f, 0.11f, 0.8f, 0.58f, 0.24f}}},
    {true, false, 2, {{5, 440.0f, 0.31f, 0.16f, 0.7f, 2.0f, 0.24f}, {4, 880.0f, 0.55f, 0.12f, 0.9f, 1.0f, 0.29f}}},
    {true, false, 4, {{8, 587.33f, 1.8f, 0.16f, 0.6f, 1.0f, 0.28f}, {8, 739.99f, 1.7f, 0.12f, 0.6f, 1.0f, 0.28f},
                      {8, 880.0f, 1.6f, 0.11f, 0.6f, 1.0f, 0.28f}, {9, 146.83f, 1.0f, 0.11f, 0.4f, 1.7f, 0.22f}}},
    {false, false, 2, {{11, 174.0f, 0.16f, 0.2f, 0.9f, 1.48f, 0.1f}, {12, 118.0f, 0.1f, 0.095f, 0.6f, 0.86f, 0.06f}}},
    {false, false, 2, {{0, 96.0f, 0.18f, 0.23f, 0.4f, 0.42f, 0.06f}, {5, 168.0f, 0.17f, 0.16f, 0.7f, 0.4f, 0.1f}}},
    {false, false, 2, {{6, 145.0f, 0.24f, 0.2f, 0.65f, 1.75f, 0.1f}, {11, 280.0f, 0.19f, 0.15f, 1.05f, 0.56f, 0.12f}}},
    {false, false, 2, {{6, 640.0f, 0.16f, 0.22f, 0.8f, 0.4f, 0.09f}, {5, 148.0f, 0.24f, 0.22f, 1.1f, 0.31f, 0.11f}}},
    {false, false, 2, {{11, 254.0f, 0.24f, 0.22f, 1.15f, 0.43f, 0.11f}, {12, 142.0f, 0.15f, 0.12f, 0.85f, 0.66f, 0.07f}}},
    {true, false, 3, {{5, 620.0f, 0.24f, 0.2f, 0.75f, 2.1f, 0.24f}, {8, 1568.0f, 0.58f, 0.15f, 0.7f, 1.0f, 0.32f},
                      {4, 2093.0f, 0.42f, 0.08f, 0.5f, 1.0f, 0.25f}}},
    {true, false, 4, {{5, 440.0f, 0.42f, 0.18f, 0.8f, 2.6f, 0.25f}, {8, 1046.5f, 0.85f, 0.17f, 0.7f, 1.0f, 0.33f},
                      {8, 1568.0f, 0.72f, 0.12f, 0.6f, 1.0f, 0.3f}, {4, 2093.0f, 0.62f, 0.075f, 0.4f, 1.0f, 0.28f}}},
};

// Minimum samples between two soundings of the same cue id: hover 0.075 s, slider tick 0.06 s,
// coin chime 0.025 s; every other id may sound again on any later sample.
static int64_t CueInterval(int id)
{
    switch (id) {
    case AUDIO_CUE_HOVER: return 3600;
    case AUDIO_CUE_TICK: return 2880;
    case 13: return 1200;
    default: return 1;
    }
}

// Boss presences beyond one full boss do not push the tempo further: the boss layer itself is
// already whole at that point.
static constexpr float BOSS_TEMPO_CAP = 1.0f;

// Left/right gains of the pad bed's three voices of a bank.
static constexpr float PAD_PAN[3][2] = {{0.79f, 0.61f}, {0.71f, 0.71f}, {0.61f, 0.79f}};

// [SECTION] Oscillator helpers

// Table sine of a phase in cycles. The offset of four cycles keeps the index positive for every
// argument an oscillator forms (partials such as 3p, p - e, p + modulation) and the mask wraps it,
// so nothing is ever read outside the table, even for a value that slipped past the sanitisers.
static inline float Sine(const float *table, float x)
{
    float u = x * (float)SYNTH_SINE_SIZE + 4.0f * (float)SYNTH_SINE_SIZE;
    int i = (int)u;
    float f = u - (float)i;
    i &= SYNTH_SINE_SIZE - 1;
    return table[i] + f * (table[i + 1] - table[i]);
}

// Table sine of a phase already in [0, 1) (an oscillator's own phase).
static inline float Sine01(const float *table, float x)
{
    float u = x * (float)SYNTH_SINE_SIZE;
    int i = (int)u & (SYNTH_SINE_SIZE - 1);
    float f = u - (float)i;
    return table[i] + f * (table[i + 1] - table[i]);
}

float SynthSine(const Synth &synth, float phase)
{
    if (!IsFinite(phase)) return 0.0f;
    // The oscillators' own lookup wraps phases of any size an oscillator produces.
    if (std::fabs(phase) > 1e6f) phase = std::fmod(phase, 1.0f);
    return Sine(synth.sine, phase);
}

// Phase advanced by a non-negative increment, kept in [0, 1).
static inline float Advance(float phase, float increment)
{
    phase += increment;
    if (phase >= 1.0f) {
        phase -= 1.0f;
        if (phase >= 1.0f) phase -= (float)(int32_t)phase;
    }
    return phase;
}

// White noise in [-1, 1) from a xorshift32 state.
static inline float Noise(uint32_t &state)
{
    return (float)(Xorshift32(state) >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

static inline float Saturate(float x) { return x / (1.0f + std::fabs(x)); }

// PolyBLEP correction of a ramp at phase t with phase step dt.
static inline float Blep(float t, float dt)
{
    if (t < dt) {
        float x = t / dt;
        return x + x - x * x - 1.0f;
    }
    if (t > 1.0f - dt) {
        float x = (t - 1.0f) / dt;
        return x * x + x + x + 1.0f;
    }
    return 0.0f;
}

static inline float BlepStep(float increment) { return ClampSafe(increment, 0.0001f, 0.4f); }

// Band-limited saw 2t - 1.
static inline float Saw(float t, float dt) { return 2.0f * t - 1.0f - Blep(t, dt); }

// Band-limited pulse of the given width: the difference of two corrected ramps.
static inline float Pulse(float t, float width, float dt)
{
    float t2 = t + width;
    t2 -= (float)(int32_t)t2;
    return Saw(t, dt) - Saw(t2, dt);
}

// Equal-power gains of a pan -1..1 (scaled by `spread`): angle (spread * pan + 1) * pi / 4.
static inline void PanGains(const float *table, float pan, float spread, float &left, float &right)
{
    float cycles = (spread * pan + 1.0f) * 0.125f;
    left = Sine(table, cycles + 0.25f);
    right = Sine(table, cycles);
}

static inline float Snap(float x) { return std::fabs(x) < SNAP ? 0.0f : x; }

static inline float Glide(float x, float target, float rate) { return Snap(x + (target - x) * rate); }

// [SECTION] Reset

Synth *SynthCreate(uint32_t seed)
{
    Synth *synth = new (std::nothrow) Synth();
    if (synth) SynthReset(*synth, seed);
    return synth;
}

void SynthRelease(Synth *synth) { delete synth; }

static void PadSetBank(SynthPadBed &pad, int bank, const int32_t notes[3])
{
    for (int j = 0; j < 3; ++j) pad.frequency[bank * 3 + j] = ScoreNoteHz(notes[j]);
}

void SynthReset(Synth &s, uint32_t seed)
{
    std::memset(&s, 0, sizeof s);
    uint32_t music = seed != 0 ? seed : SYNTH_DEFAULT_SEED;
    s.musicRandom = music;
    s.effectRandom = (music ^ 0x9E3779B9u) | 1u;
    for (int i = 0; i <= SYNTH_SINE_SIZE; ++i)
        s.sine[i] = (float)std::sin(2.0 * 3.14159265358979323846 * (double)i / (double)SYNTH_SINE_SIZE);
    s.sine[SYNTH_SINE_SIZE] = s.sine[0];

    s.published.context = AUDIO_CONTEXT_MAIN_MENU;
    s.published.focused = 1;
    s.contextWeight[AUDIO_CONTEXT_MAIN_MENU] = 1.0f;
    s.weightGlide = 1.0f - std::exp(-64.0f / 45600.0f);
    s.tempo = 88.0f;
    s.focusGain = 1.0f;

    ScoreCompose(s.score, seed);
    PadSetBank(s.pad, 0, s.score.bars[0].pad);
    PadSetBank(s.pad, 1, s.score.bars[0].pad);
    s.pad.bankLevel[0] = 1.0f;

    for (SynthRoller &r : s.rollers) {
        r.pitch = r.targetPitch = 1.0f;
        r.noise = Xorshift32(s.effectRandom) | 1u;
    }
    s.rocket.noise1 = Xorshift32(s.effectRandom) | 1u;
    s.rocket.noise2 = Xorshift32(s.effectRandom) | 1u;

    for (int64_t &t : s.lastCue) t = -1;
    s.lastTick = UINT64_MAX;
    s.stats.musicHash = 14695981039346656037ull;
}

// [SECTION] Voices

static void HashBytes(uint64_t &hash, const void *data, size_t size)
{
    const unsigned char *p = (const unsigned char *)data;
    for (size_t i = 0; i < size; ++i) {
        hash ^= p[i];
        hash *= 1099511628211ull;
    }
}

bool SynthStartVoice(Synth &s, SynthPool pool, const SynthNote &note, bool priority)
{
    if (note.timbre < 0 || note.timbre >= SYNTH_TIMBRES) return false;
    bool music = pool == SYNTH_POOL_MUSIC;
    // The exit fade lets what sounds ring out but starts no new music.
    if (music && s.fadeActive) return false;
    SynthVoice *voices = music ? s.music : s.effects;
    int limit = music || priority ? SYNTH_MUSIC_VOICES : SYNTH_EFFECT_ORDINARY_VOICES;
    SynthVoice *v = nullptr;
    for (int i = 0; i < limit && !v; ++i)
        if (!voices[i].active) v = &voices[i];
    if (!v) {
        s.stats.voicesDropped++;
        return false;
    }
    const TimbreSpec &spec = TIMBRES[note.timbre];
    uint32_t &random = music ? s.musicRandom : s.effectRandom;
    float seconds = IsFinite(note.seconds) ? ClampSafe(note.seconds, 0.025f, 5.0f) : 0.025f;
    float frequency = IsFinite(note.frequency) ? ClampSafe(note.frequency, 24.0f, 10000.0f) : 440.0f;
    float glide = IsFinite(note.glide) ? ClampSafe(note.glide, 0.025f, 8.0f) : 1.0f;
    float tone = IsFinite(note.tone) ? ClampSafe(note.tone, 0.0f, 8.0f) : 0.0f;
    float pan = IsFinite(note.pan) ? ClampSafe(note.pan, -1.0f, 1.0f) : 0.0f;

    *v = SynthVoice{};
    v->active = true;
    v->timbre = (uint8_t)note.timbre;
    v->layer = music ? note.layer : 0;
    v->length = (int32_t)(seconds * SAMPLE_RATE);
    v->attack = spec.attack;
    v->release = spec.release;
    v->frequency = frequency;
    v->gain = IsFinite(note.gain) ? ClampSafe(note.gain, 0.0f, 1.0f) : 0.0f;
    v->tone = tone;
    v->send = IsFinite(note.send) ? ClampSafe(note.send, 0.0f, 1.0f) : 0.0f;
    float endLevel = note.timbre == 13 && tone > 0.8f ? 0.11f : spec.endLevel;
    v->envelope = 1.0f;
    v->decay = std::pow(endLevel, 1.0f / (float)v->length);
    v->glide = std::pow(glide, 1.0f / (float)v->length);
    PanGains(s.sine, pan, 0.88f, v->left, v->right);
    v->noise = Xorshift32(random) | 1u;

    if (music) {
        s.stats.notesStarted++;
        int32_t timbre = note.timbre;
        uint32_t millihertz = (uint32_t)std::lround((double)frequency * 1000.0);
        HashBytes(s.stats.musicHash, &timbre, sizeof timbre);
        HashBytes(s.stats.musicHash, &millihertz, sizeof millihertz);
        HashBytes(s.stats.musicHash, &v->length, sizeof v->length);
    } else {
        s.stats.effectsStarted++;
    }
    s.stats.perTimbre[note.timbre]++;
    return true;
}

int SynthActiveVoices(const Synth &s, SynthPool pool)
{
    const SynthVoice *voices = pool == SYNTH_POOL_MUSIC ? s.music : s.effects;
    int n = 0;
    for (int i = 0; i < SYNTH_MUSIC_VOICES; ++i) n += voices[i].active;
    return n;
}

// [SECTION] Timbres

// Two half-sample sub-steps of the distorted guitars (13 power chord, 14 lead): saws, an octave
// sine and either a fifth saw (13) or a second-partial sine (14), each sub-step saturated.
static inline float Guitar(const float *t, SynthVoice &v, float increment, bool lead, float env, float r2)
{
    const float drive = 1.4f * v.tone + 3.4f;
    float half = 0.5f * increment;
    float dt1 = BlepStep(half), dt2 = BlepStep(half * r2);
    float wobble = lead ? 0.012f * (1.0f - env) * Sine01(t, v.vibrato) : 0.0f;
    float sum = 0.0f;
    for (int k = 0; k < 2; ++k) {
        v.p1 = Advance(v.p1, half);
        v.p2 = Advance(v.p2, half * r2);
        float p = v.p1 + wobble;
        p -= (float)(int32_t)p;
        if (p < 0.0f) p += 1.0f;
        float x = 0.55f * Saw(p, dt1) + 0.17f * Sine(t, 2.0f * p);
        x += lead ? 0.22f * Sine01(t, v.p2) : 0.28f * Saw(v.p2, dt2);
        sum += 0.5f * Saturate(x * drive);
    }
    return sum;
}

// One sample of a voice's raw signal at base frequency f (Hz, the exit-fade factor included);
// advances the voice's phases and filters.
template <int T>
static inline float VoiceSignal(const float *t, SynthVoice &v, float f, float fadePitch, float invLength, float invDecay)
{
    constexpr TimbreSpec spec = TIMBRES[T];
    const float env = v.envelope;
    const float tone = v.tone;
    const float elapsed = (float)v.elapsed;
    const float remaining = 1.0f - elapsed * invLength;
    float d = 1.0f - elapsed * invDecay;
    if (d < 0.0f || invDecay == 0.0f) d = 0.0f;
    float pitch = 1.0f;     // pitch blips and vibrato multiply every phase
    float out = 0.0f;
    bool standard = true;   // phases advance at f, r2 f, r3 f after the switch

    switch (T) {
    case 0: {
        out = 0.92f * Sine01(t, v.p1) + 0.08f * d * d * Sine01(t, v.p2);
        v.p1 = Advance(v.p1, (f * d * d * d + 42.0f * fadePitch) * INV_SAMPLE_RATE);
        v.p2 = Advance(v.p2, f * spec.r2 * INV_SAMPLE_RATE);
        standard = false;
        break;
    }
    case 1: {
        float n = Noise(v.noise);
        v.filter1 += 0.17f * (n - v.filter1);
        out = 0.69f * (n - v.filter1) + 0.24f * Sine01(t, v.p1) + 0.07f * Sine(t, 1.43f * v.p1);
        break;
    }
    case 2: {
        float p = v.p1;
        float square = (Sine01(t, p) - Sine(t, 3.0f * p) * (1.0f / 9.0f) + 0.04f * Sine(t, 5.0f * p) - Sine(t, 7.0f * p) * (1.0f / 49.0f)) * 0.74f;
        v.filter1 += 0.06f * (Pulse(p, 0.5f, BlepStep(f * INV_SAMPLE_RATE)) - v.filter1);
        out = square + 0.08f * Sine(t, 2.0f * p) + 0.13f * tone * v.filter1;
        break;
    }
    case 3:
        out = Sine(t, v.p1 + 0.36f * tone * env * Sine01(t, v.p2)) * 0.78f + 0.22f * Sine01(t, v.p1);
        break;
    case 4:
        out = 0.29f * Sine(t, v.p2 + 0.1f * Sine(t, 2.0f * v.p1)) + 0.15f * Sine(t, 3.997f * v.p1) * remaining +
              0.56f * Sine01(t, v.p1);
        break;
    case 5:
        out = Sine(t, v.p1 + 0.34f * remaining * Sine01(t, v.p2)) * 0.84f + 0.16f * Sine01(t, v.p1);
        break;
    case 6: {
        // The noise filter opens at the start of the breath and closes as it ends.
        float n = Noise(v.noise);
        v.filter1 += (0.028f + 0.1f * remaining) * (n - v.filter1);
        out = Sine(t, v.p1 + 0.38f * Sine01(t, v.p2)) * 0.48f + 0.85f * v.filter1;
        break;
    }
    case 7: {
        float n = Noise(v.noise);
        v.filter1 += 0.018f * (n - v.filter1);
        v.filter2 += 0.037f * (v.filter1 - v.filter2);
        out = 0.1f * Sine01(t, v.p2) + 2.6f * v.filter2 + 0.42f * Sine01(t, v.p1);
        break;
    }
    case 8:
        out = 0.22f * Sine01(t, v.p2) + 0.66f * Sine01(t, v.p1) + 0.12f * Sine(t, 4.0f * v.p1);
        break;
    case 9: {
        float n = Noise(v.noise);
        v.filter1 += 0.047f * (n - v.filter1);
        out = Sine(t, v.p1 + 0.2f * Sine01(t, v.p2)) * 0.37f + 1.3f * v.filter1;
        break;
    }
    case 10: {
        float width = 0.28f + 0.04f * Sine01(t, v.vibrato) + 0.075f * env;
        float a = 0.082f + 0.066f * env + 0.015f * tone;
        v.filter1 += a * (Pulse(v.p1, width, BlepStep(f * INV_SAMPLE_RATE)) - v.filter1);
        v.filter2 += a * (v.filter1 - v.filter2);
        out = 0.76f * v.filter2 + 0.25f * Sine01(t, v.p1) + 0.06f * Sine01(t, v.p2);
        break;
    }
    case 11: {
        pitch = 1.0f + 0.17f * d * d * d;
        float x = 0.66f * Sine(t, v.p1 + (0.055f + 0.23f * env) * tone * Sine01(t, v.p2) + 0.014f * Sine01(t, v.vibrato)) +
                  0.2f * Sine01(t, v.p1) + 0.095f * env * Sine(t, v.p3 + 0.08f * Sine01(t, v.p2));
        v.filter1 += (0.068f + 0.075f * env) * (x - v.filter1);
        out = v.filter1;
        break;
    }
    case 12:
        pitch = 1.0f + 0.25f * d * d;
        out = 0.24f * env * Sine01(t, v.p2) + 0.64f * Sine01(t, v.p1) + 0.12f * env * d * Sine01(t, v.p3);
        break;
    case 13:
    case 14: {
        float x = Guitar(t, v, f * INV_SAMPLE_RATE, T == 14, env, spec.r2);
        v.filter1 += (0.078f + 0.09f * env + 0.055f * d + 0.015f * tone) * (x - v.filter1);
        v.filter2 += 0.27f * (v.filter1 - v.filter2);
        out = 1.3f * v.filter2;
        v.vibrato = Advance(v.vibrato, spec.vibratoHz * fadePitch * INV_SAMPLE_RATE);
        standard = false;
        break;
    }
    case 15: {
        float x = (0.27f * Sine(t, 2.0f * v.p1) + 0.74f * Sine01(t, v.p1) + 0.075f * Saw(v.p1, BlepStep(f * INV_SAMPLE_RATE))) * 2.1f;
        v.filter1 += 0.085f * (Saturate(x) - v.filter1);
        out = 1.16f * v.filter1;
        break;
    }
    case 16: {
        pitch = 1.0f + 0.24f * d * d;
        float x = (0.62f * Sine(t, v.p1 + (0.12f + 0.52f * env) * Sine01(t, v.p2)) + 0.25f * env * Sine01(t, v.p3) +
                   0.13f * d * Sine(t, 4.0f * v.p1)) * 2.7f;
        v.filter1 += 0.22f * (Saturate(x) - v.filter1);
        out = 1.24f * v.filter1;
        break;
    }
    case 17:
        pitch = 1.0f + 0.31f * d * d;
        out = 0.78f * Sine01(t, v.p1) + 0.16f * env * Sine01(t, v.p2) + 0.06f * d * Sine01(t, v.p3);
        break;
    case 18: {
        float b = 0.55f + 0.45f * (1.0f - env);
        pitch = 1.0f + 0.0035f * (1.0f - env) * Sine01(t, v.vibrato);
        float p = v.p1;
        float x = 0.62f * Sine01(t, p) + b * (0.24f * Sine(t, 2.0f * p) + 0.16f * Sine(t, 3.0f * p) +
                                            0.085f * Sine(t, 4.0f * p) + 0.043f * Sine(t, 5.0f * p)) +
                  0.11f * Sine01(t, v.p2);
        v.filter1 += (0.115f + 0.065f * b + 0.018f * tone) * (Saturate(1.75f * x) - v.filter1);
        out = 1.35f * v.filter1;
        break;
    }
    case 19: {
        // The two saws drift apart and back with the vibrato.
        float drift = 0.0018f * Sine01(t, v.vibrato);
        float inc = f * INV_SAMPLE_RATE;
        float x = 0.5f * Saw(v.p1, BlepStep(inc)) + 0.5f * Saw(v.p2, BlepStep(inc * spec.r2)) + 0.23f * Sine01(t, v.p1);
        v.filter1 += (0.115f + 0.063f * env) * (x - v.filter1);
        v.filter2 += 0.22f * (v.filter1 - v.filter2);
        out = 1.16f * v.filter2;
        v.p1 = Advance(v.p1, inc * (1.0f + drift));
        v.p2 = Advance(v.p2, inc * spec.r2 * (1.0f - drift));
        v.vibrato = Advance(v.vibrato, spec.vibratoHz * fadePitch * INV_SAMPLE_RATE);
        standard = false;
        break;
    }
    case 20: {
        float c = 0.5f + 0.1f * Sine01(t, v.vibrato) + 0.12f * tone;
        float p = v.p1;
        float x = 0.43f * Sine01(t, p) + 0.16f * Sine01(t, v.p2) + 0.12f * Sine(t, 2.0f * p) + 0.25f * c * Sine(t, 3.0f * p) +
                  0.045f * Sine(t, 4.0f * p) + 0.13f * (1.0f - c) * Sine(t, 5.0f * p);
        v.filter1 += 0.135f * (x - v.filter1);
        out = v.filter1;
        break;
    }
    case 21:
        pitch = 1.0f + 0.12f * d * d;
        out = 0.76f * Sine01(t, v.p1) + 0.17f * env * Sine01(t, v.p2) + 0.07f * (0.25f + 0.75f * d) * Sine01(t, v.p3);
        break;
    case 22: {
        float x = (0.76f * Sine01(t, v.p1) + 0.17f * env * Sine01(t, v.p2) + 0.07f * d * Sine01(t, v.p3)) * 1.6f;
        out = 1.18f * Saturate(x);
        v.p1 = Advance(v.p1, ((110.0f * d * d * d + 43.0f) * fadePitch + 0.42f * f) * INV_SAMPLE_RATE);
        v.p2 = Advance(v.p2, f * spec.r2 * INV_SAMPLE_RATE);
        v.p3 = Advance(v.p3, f * spec.r3 * INV_SAMPLE_RATE);
        standard = false;
        break;
    }
    default: {
        float vib = Sine01(t, v.vibrato);
        float q = v.p1 + 0.024f * vib;
        float x = 0.65f * Sine(t, q) + 0.18f * Sine(t, v.p2 - 0.012f * vib) + 0.11f * Sine(t, 2.0f * q) +
                  0.04f * Sine(t, 3.0f * q);
        v.filter1 += 0.145f * (x - v.filter1);
        out = v.filter1;
        break;
    }
    }

    if (standard) {
        float inc = f * pitch * INV_SAMPLE_RATE;
        v.p1 = Advance(v.p1, inc);
        v.p2 = Advance(v.p2, inc * spec.r2);
        v.p3 = Advance(v.p3, inc * spec.r3);
        v.vibrato = Advance(v.vibrato, spec.vibratoHz * fadePitch * INV_SAMPLE_RATE);
    }
    return out;
}

// Renders frames [a, b) of one voice of timbre T into a bus and its reverb send, scaled by
// `weight`. The voice is worked on in a local copy: the buses cannot alias it.
template <int T>
static void RenderVoiceOf(const float *table, SynthVoice &voice, int a, int b, const float *fadePitch, float weight,
                          float *busL, float *busR, float *sendL, float *sendR)
{
    SynthVoice v = voice;
    const float invAttack = 1.0f / (float)v.attack;
    const float invRelease = 1.0f / (float)v.release;
    const float invLength = 1.0f / (float)v.length;
    constexpr float decaySamples = TIMBRES[T].decaySamples;
    const float invDecay = decaySamples > 0.0f ? 1.0f / decaySamples : 0.0f;
    for (int i = a; i < b; ++i) {
        float signal = VoiceSignal<T>(table, v, v.frequency * fadePitch[i], fadePitch[i], invLength, invDecay);
        float rise = (float)v.elapsed * invAttack;
        float fall = (float)(v.length - v.elapsed) * invRelease;
        float x = signal * v.gain * v.envelope * (rise < 1.0f ? rise : 1.0f) * (fall < 1.0f ? fall : 1.0f) * weight;
        float l = x * v.left, r = x * v.right;
        busL[i] += l;
        busR[i] += r;
        sendL[i] += l * v.send;
        sendR[i] += r * v.send;
        v.envelope *= v.decay;
        float f = v.frequency * v.glide;
        v.frequency = f < 24.0f ? 24.0f : (f > 10000.0f ? 10000.0f : f);
        if (++v.elapsed >= v.length) {
            v.active = false;
            break;
        }
    }
    voice = v;
}

static void RenderVoice(const float *table, SynthVoice &v, int a, int b, const float *fadePitch, float weight,
                        float *busL, float *busR, float *sendL, float *sendR)
{
#define GLORVENT_TIMBRE_CASE(k) \
    case k: RenderVoiceOf<k>(table, v, a, b, fadePitch, weight, busL, busR, sendL, sendR); break;
    switch (v.timbre) {
        GLORVENT_TIMBRE_CASE(0) GLORVENT_TIMBRE_CASE(1) GLORVENT_TIMBRE_CASE(2) GLORVENT_TIMBRE_CASE(3)
        GLORVENT_TIMBRE_CASE(4) GLORVENT_TIMBRE_CASE(5) GLORVENT_TIMBRE_CASE(6) GLORVENT_TIMBRE_CASE(7)
        GLORVENT_TIMBRE_CASE(8) GLORVENT_TIMBRE_CASE(9) GLORVENT_TIMBRE_CASE(10) GLORVENT_TIMBRE_CASE(11)
        GLORVENT_TIMBRE_CASE(12) GLORVENT_TIMBRE_CASE(13) GLORVENT_TIMBRE_CASE(14) GLORVENT_TIMBRE_CASE(15)
        GLORVENT_TIMBRE_CASE(16) GLORVENT_TIMBRE_CASE(17) GLORVENT_TIMBRE_CASE(18) GLORVENT_TIMBRE_CASE(19)
        GLORVENT_TIMBRE_CASE(20) GLORVENT_TIMBRE_CASE(21) GLORVENT_TIMBRE_CASE(22) GLORVENT_TIMBRE_CASE(23)
    default: v.active = false; break;
    }
#undef GLORVENT_TIMBRE_CASE
}

// [SECTION] Commands

static void ApplyCue(Synth &s, const AudioCuePayload &cue)
{
    int id = cue.id;
    if (id < 0 || id >= AUDIO_CUE_COUNT) {
        s.stats.cuesIgnored++;
        return;
    }
    float pan = IsFinite(cue.pan) ? ClampSafe(cue.pan, -1.0f, 1.0f) : 0.0f;
    float gain = IsFinite(cue.gain) ? ClampSafe(cue.gain, 0.0f, 1.0f) : 0.0f;
    float pitch = IsFinite(cue.pitch) ? ClampSafe(cue.pitch, 0.5f, 2.0f) : 1.0f;
    int64_t now = (int64_t)s.clock;
    if (gain < 0.0001f || (s.lastCue[id] >= 0 && now - s.lastCue[id] < CueInterval(id))) {
        s.stats.cuesIgnored++;
        return;
    }
    s.lastCue[id] = now;
    s.stats.cuesSounded++;

    float r1 = Noise(s.effectRandom), r2 = Noise(s.effectRandom), r3 = Noise(s.effectRandom);
    float h = pitch * (1.0f + 0.024f * r1);
    float k = 1.0f + 0.055f * r2;
    float g = gain * (0.95f + 0.05f * r3);
    const CueRecipe &recipe = CUES[id];
    for (int i = 0; i < recipe.count; ++i) {
        const CueVoice &cv = recipe.voices[i];
        SynthNote note{cv.timbre, cv.frequency * h, cv.seconds, cv.gain * g, pan, cv.tone * k, cv.glide, cv.send, 0};
        SynthStartVoice(s, SYNTH_POOL_EFFECTS, note, recipe.priority);
    }
    const AudioState &p = s.published;
    bool musicAudible = p.musicOn && p.musicVolume > 0.0f;
    if (recipe.ducking && p.soundOn && gain * p.soundVolume > 0.018f && musicAudible && s.duck < 0.17f) s.duck = 0.17f;
}

static void ApplySpatial(Synth &s, const AudioSpatialPayload &spatial)
{
    if (spatial.slot < 0 || spatial.slot >= AUDIO_SPATIAL_SLOTS) return;
    SynthRoller &r = s.rollers[spatial.slot];
    r.targetPan = IsFinite(spatial.pan) ? ClampSafe(spatial.pan, -1.0f, 1.0f) : 0.0f;
    r.targetGain = IsFinite(spatial.gain) ? ClampSafe(spatial.gain, 0.0f, 1.0f) : 0.0f;
    r.targetPitch = IsFinite(spatial.pitch) ? ClampSafe(spatial.pitch, 0.1f, 4.0f) : 1.0f;
}

void SynthStartExitFade(Synth &s, uint32_t samples)
{
    if (s.fadeActive || samples == 0) return;
    s.fadeActive = true;
    s.fadeElapsed = 0;
    s.fadeLength = (int32_t)(samples < 0x7fffffffu ? samples : 0x7fffffffu);
}

void SynthApplyCommand(Synth &s, const AudioCommand &command)
{
    s.stats.commandsApplied++;
    switch (command.type) {
    case AUDIO_COMMAND_STATE: s.published = AudioStateSanitise(command.state); break;
    case AUDIO_COMMAND_CUE: ApplyCue(s, command.cue); break;
    case AUDIO_COMMAND_SPATIAL: ApplySpatial(s, command.spatial); break;
    case AUDIO_COMMAND_EXIT_FADE:
        SynthStartExitFade(s, (uint32_t)(AudioExitFadeSeconds(command.fadeSeconds) * SAMPLE_RATE + 0.5f));
        break;
    default: break;
    }
}

// [SECTION] Control tick

static void ControlTick(Synth &s)
{
    const AudioState &p = s.published;

    // 1. Context weights and the blended context settings.
    for (int k = 0; k < AUDIO_CONTEXT_COUNT; ++k) {
        float target = k == p.context ? 1.0f : 0.0f;
        s.contextWeight[k] = Snap(s.contextWeight[k] + (target - s.contextWeight[k]) * s.weightGlide);
    }
    ArrangeBlendContexts(s.contextWeight, s.danger, s.contextBlend);
    const float play = s.contextWeight[AUDIO_CONTEXT_PLAY];

    // 2. Smoothed mood values.
    float bossSum = p.bossPresence[0] + p.bossPresence[1] + p.bossPresence[2];
    s.danger = Glide(s.danger, p.danger, 0.0014f);
    s.crowd = Glide(s.crowd, p.crowd, 0.0022f);
    for (int b = 0; b < 3; ++b) s.boss[b] = Glide(s.boss[b], p.bossPresence[b], 0.0016f);
    s.bossLayer = Glide(s.bossLayer, ClampSafe(4.0f * bossSum, 0.0f, 1.0f), 0.0018f);
    s.finale = Glide(s.finale, p.finale, 0.0033f);
    s.rocketPan = Glide(s.rocketPan, p.rocketPan, 0.012f);
    s.rocketDrive = Glide(s.rocketDrive, p.rocketDrive, 0.01f);

    // 3. Tempo.
    float smoothedBosses = s.boss[0] + s.boss[1] + s.boss[2];
    float tempoTarget = ((smoothedBosses < BOSS_TEMPO_CAP ? smoothedBosses : BOSS_TEMPO_CAP) * 6.0f + s.danger * 28.0f +
                         s.crowd * 8.0f) * play + s.contextBlend[ARRANGE_TEMPO];
    tempoTarget += (106.0f - tempoTarget) * s.finale;
    s.tempo += (tempoTarget - s.tempo) * 0.001f;

    // 4. Masters and the focus gate.
    s.musicMaster = Glide(s.musicMaster, p.musicOn ? p.musicVolume : 0.0f, 0.014f);
    s.effectsMaster = Glide(s.effectsMaster, p.soundOn ? p.soundVolume : 0.0f, 0.025f);
    s.focusGain = Glide(s.focusGain, p.focused ? 1.0f : 0.0f, 0.012f);

    // 5. Rollers, rocket, duck and the pad banks.
    for (SynthRoller &r : s.rollers) {
        r.gain = Glide(r.gain, r.targetGain, 0.009f);
        r.pan = r.pan + (r.targetPan - r.pan) * 0.008f;
        r.pitch = r.pitch + (r.targetPitch - r.pitch) * 0.004f;
    }
    float rocketTarget = p.context == AUDIO_CONTEXT_PLAY ? p.rocketLevel : 0.0f;
    s.rocket.level = Glide(s.rocket.level, rocketTarget, rocketTarget > s.rocket.level ? 0.006f : 0.018f);
    s.duck = Snap(s.duck * 0.993f);
    s.duckSmooth = Glide(s.duckSmooth, s.duck, 0.08f);
    for (int b = 0; b < 2; ++b) s.pad.bankLevel[b] = Glide(s.pad.bankLevel[b], b == s.pad.bank ? 1.0f : 0.0f, 0.0045f);

    // Values the span renderer holds constant until the next tick.
    s.comicWeight = s.contextWeight[AUDIO_CONTEXT_COMIC];
    s.finaleAmount = s.finale * play;
    s.musicGain = (3.9f - (1.05f * s.danger + 0.8f) * play) * (1.0f - 0.2f * play) * (1.0f - s.duckSmooth);
    s.bedGain = s.contextBlend[ARRANGE_BED] * (1.0f - 0.58f * play) * (1.0f - s.finaleAmount) * (1.0f - s.comicWeight);
}

// [SECTION] Sequencer

// One sixteenth note: the arrangement reads the counter, then the clock moves on.
static void SequencerStep(Synth &s)
{
    ArrangeStep(s);
    s.step++;
}

// [SECTION] Span rendering

// Buses of one span (at most one control period).
struct Buses {
    float musicL[SYNTH_CONTROL_PERIOD], musicR[SYNTH_CONTROL_PERIOD];
    float hallL[SYNTH_CONTROL_PERIOD], hallR[SYNTH_CONTROL_PERIOD];
    float fxL[SYNTH_CONTROL_PERIOD], fxR[SYNTH_CONTROL_PERIOD];
    float roomL[SYNTH_CONTROL_PERIOD], roomR[SYNTH_CONTROL_PERIOD];
    float fadeGain[SYNTH_CONTROL_PERIOD], fadePitch[SYNTH_CONTROL_PERIOD];
};

static float MusicLayerWeight(const Synth &s, const SynthVoice &v)
{
    if (v.layer & SYNTH_LAYER_COMIC) return 0.85f * s.comicWeight;
    float finale = v.layer & SYNTH_LAYER_FINALE ? s.finaleAmount : 1.0f - s.finaleAmount;
    return (1.0f - s.comicWeight) * finale;
}

static void RenderPad(Synth &s, Buses &b, int from, int to)
{
    SynthPadBed &pad = s.pad;
    const float *t = s.sine;
    for (int i = from; i < to; ++i) {
        float pf = b.fadePitch[i];
        float gain = s.bedGain * (1.0f - 0.55f * pad.kickDuck);
        pad.kickDuck *= 0.99967f;
        if (pad.kickDuck < 1e-9f) pad.kickDuck = 0.0f;
        float l = 0.0f, r = 0.0f;
        for (int o = 0; o < 6; ++o) {
            float v = Sine01(t, pad.vibrato[o]);
            float p = pad.phase[o];
            float y = 0.14f * Sine(t, 3.0f * p + 0.02f * v) + Sine(t, p + 0.045f * v) + 0.055f * Sine(t, 2.0f * p + 0.04f * v);
            float level = pad.bankLevel[o / 3] * 0.017f * (1.0f + 0.08f * v);
            l += y * level * PAD_PAN[o % 3][0];
            r += y * level * PAD_PAN[o % 3][1];
            pad.phase[o] = Advance(p, pad.frequency[o] * pf * INV_SAMPLE_RATE);
            pad.vibrato[o] = Advance(pad.vibrato[o], (0.051f + 0.011f * (float)o) * pf * INV_SAMPLE_RATE);
        }
        l *= gain;
        r *= gain;
        b.musicL[i] += l;
        b.musicR[i] += r;
        b.hallL[i] += 0.6f * l;
        b.hallR[i] += 0.6f * r;
    }
}

// Music voices then the pad bed over frames [from, to).
static void RenderMusic(Synth &s, Buses &b, int from, int to)
{
    if (from >= to) return;
    for (SynthVoice &v : s.music)
        if (v.active) RenderVoice(s.sine, v, from, to, b.fadePitch, MusicLayerWeight(s, v), b.musicL, b.musicR, b.hallL, b.hallR);
    RenderPad(s, b, from, to);
}

static void RenderRollers(Synth &s, Buses &b, int n)
{
    const float *t = s.sine;
    for (SynthRoller &r : s.rollers) {
        if (r.gain < 0.00005f && r.targetGain == 0.0f) continue;
        float left, right;
        PanGains(t, r.pan, 0.88f, left, right);
        float fa = (14.0f * r.pitch + 38.0f) * INV_SAMPLE_RATE;
        float fb = (2.6f * r.pitch + 4.0f) * INV_SAMPLE_RATE;
        for (int i = 0; i < n; ++i) {
            float pf = b.fadePitch[i];
            float noise = Noise(r.noise);
            r.slow += 0.01f * (noise - r.slow);
            r.fast += 0.058f * (noise - r.fast);
            float amp = (0.58f + 0.27f * Sine01(t, r.phaseB) + 0.15f * Sine01(t, r.phaseC)) *
                        (0.16f * Sine01(t, r.phaseA) + 0.35f * r.fast + 2.2f * r.slow) * r.gain * 0.5f;
            r.phaseA = Advance(r.phaseA, fa * pf);
            r.phaseB = Advance(r.phaseB, fb * pf);
            r.phaseC = Advance(r.phaseC, 2.37f * fb * pf);
            b.fxL[i] += amp * left;
            b.fxR[i] += amp * right;
            b.roomL[i] += 0.12f * amp * left;
            b.roomR[i] += 0.12f * amp * right;
        }
    }
}

// The shuttle's engine: a deep roar, a body of filtered noise, a flickering crackle and three
// low sines, all opening up with the drive.
static void RenderRocket(Synth &s, Buses &b, int n)
{
    SynthRocket &k = s.rocket;
    if (k.level <= 0.0f) return;
    const float *t = s.sine;
    const float drive = s.rocketDrive;
    const float deepRate = 0.008f + 0.009f * drive;
    const float midRate = 0.045f + 0.05f * drive;
    const float hissRate = 0.22f + 0.12f * drive;
    const float f1 = (28.0f + 31.0f * drive) * INV_SAMPLE_RATE;
    const float f2 = (132.0f + 165.0f * drive) * INV_SAMPLE_RATE;
    const float f3 = (7.0f + 5.0f * drive) * INV_SAMPLE_RATE;
    const float scale = (0.27f + 0.1f * drive) * k.level * 1.8f;
    float left, right;
    PanGains(t, s.rocketPan, 0.88f * 0.8f, left, right);
    for (int i = 0; i < n; ++i) {
        float pf = b.fadePitch[i];
        float n1 = Noise(k.noise1), n2 = Noise(k.noise2);
        k.deep1 += deepRate * (n1 - k.deep1);
        k.deep2 += deepRate * (k.deep1 - k.deep2);
        k.mid1 += midRate * (n1 - k.mid1);
        k.mid2 += midRate * (k.mid1 - k.mid2);
        k.hiss += hissRate * (n2 - k.hiss);
        float flicker = 0.6f + 0.4f * Sine01(t, k.phase3);
        float x = 4.2f * k.deep2 + 1.6f * k.mid2 + 0.18f * (n2 - k.hiss) * flicker + 0.3f * Sine01(t, k.phase1) +
                  0.1f * Sine01(t, k.phase2);
        x = x / (1.0f + 0.34f * std::fabs(x)) * scale;
        k.phase1 = Advance(k.phase1, f1 * pf);
        k.phase2 = Advance(k.phase2, f2 * pf);
        k.phase3 = Advance(k.phase3, f3 * pf);
        b.fxL[i] += x * left;
        b.fxR[i] += x * right;
        b.roomL[i] += 0.065f * x * left;
        b.roomR[i] += 0.065f * x * right;
    }
}

// A non-finite value got past the sanitisers: clear every recirculating state so the game is
// not silenced for good.
static void ClearFeedback(Synth &s)
{
    std::memset(s.hallL, 0, sizeof s.hallL);
    std::memset(s.hallR, 0, sizeof s.hallR);
    std::memset(s.roomL, 0, sizeof s.roomL);
    std::memset(s.roomR, 0, sizeof s.roomR);
    s.hallLp[0] = s.hallLp[1] = s.roomLp[0] = s.roomLp[1] = 0.0f;
    s.dcIn[0] = s.dcIn[1] = s.dcOut[0] = s.dcOut[1] = 0.0f;
    s.stats.nonFiniteResets++;
}

static inline float Flush(float x, float limit) { return std::fabs(x) < limit ? 0.0f : x; }

// Reverbs, mix, DC blocker, limiter, focus gate and fade, written to `out`.
static void MasterChain(Synth &s, const Buses &b, float *out, int n)
{
    for (int i = 0; i < n; ++i) {
        int hw = s.hallWrite;
        float hallReadL = s.hallL[(hw - 13441) & (SYNTH_HALL_LENGTH - 1)];
        float hallReadR = s.hallR[(hw + 15537) & (SYNTH_HALL_LENGTH - 1)];
        s.hallLp[0] = Flush(s.hallLp[0] + 0.16f * (hallReadL - s.hallLp[0]), 1e-15f);
        s.hallLp[1] = Flush(s.hallLp[1] + 0.16f * (hallReadR - s.hallLp[1]), 1e-15f);
        s.hallL[hw] = b.hallL[i] + 0.25f * s.hallLp[0] + 0.045f * s.hallLp[1];
        s.hallR[hw] = b.hallR[i] + 0.25f * s.hallLp[1] + 0.045f * s.hallLp[0];
        s.hallWrite = (hw + 1) & (SYNTH_HALL_LENGTH - 1);

        int rw = s.roomWrite;
        float roomReadL = s.roomL[(rw - 2551) & (SYNTH_ROOM_LENGTH - 1)];
        float roomReadR = s.roomR[(rw - 3967) & (SYNTH_ROOM_LENGTH - 1)];
        s.roomLp[0] = Flush(s.roomLp[0] + 0.22f * (roomReadL - s.roomLp[0]), 1e-15f);
        s.roomLp[1] = Flush(s.roomLp[1] + 0.22f * (roomReadR - s.roomLp[1]), 1e-15f);
        s.roomL[rw] = b.roomL[i] + 0.22f * s.roomLp[0];
        s.roomR[rw] = b.roomR[i] + 0.22f * s.roomLp[1];
        s.roomWrite = (rw + 1) & (SYNTH_ROOM_LENGTH - 1);

        float mix[2];
        mix[0] = (0.22f * roomReadL + 0.045f * roomReadR + b.fxL[i]) * s.effectsMaster +
                 s.musicMaster * (0.32f * hallReadL + 0.055f * hallReadR + b.musicL[i]) * s.musicGain;
        mix[1] = (0.22f * roomReadR + 0.045f * roomReadL + b.fxR[i]) * s.effectsMaster +
                 s.musicMaster * (0.32f * hallReadR + 0.055f * hallReadL + b.musicR[i]) * s.musicGain;
        if (!IsFinite(mix[0]) || !IsFinite(mix[1])) {
            ClearFeedback(s);
            mix[0] = mix[1] = 0.0f;
        }
        for (int c = 0; c < 2; ++c) {
            float y = Flush(mix[c] - s.dcIn[c] + 0.9982f * s.dcOut[c], 1e-20f);
            s.dcIn[c] = mix[c];
            s.dcOut[c] = y;
            float limited = y / (1.0f + 0.35f * std::fabs(y));
            limited = limited > 0.94f ? 0.94f : (limited < -0.94f ? -0.94f : limited);
            float sample = limited * s.focusGain * b.fadeGain[i];
            out[2 * i + c] = sample;
            float magnitude = std::fabs(sample);
            if (magnitude > s.peak) s.peak = magnitude;
        }
    }
}

// Frames [0, n) of one span that lies inside a single control period.
static void RenderSpan(Synth &s, float *out, int n)
{
    Buses b;
    std::memset(&b, 0, sizeof b);

    // Exit fade: smooth 1 -> 0 over its length while every pitch sinks by up to a third.
    for (int i = 0; i < n; ++i) {
        if (!s.fadeActive) {
            b.fadeGain[i] = 1.0f;
            b.fadePitch[i] = 1.0f;
            continue;
        }
        float c = (float)s.fadeElapsed / (float)s.fadeLength;
        if (c > 1.0f) c = 1.0f;
        float u = 1.0f - c;
        b.fadeGain[i] = (3.0f - 2.0f * u) * u * u;
        b.fadePitch[i] = 1.0f - 0.32f * c * c;
        if (s.fadeElapsed < s.fadeLength) s.fadeElapsed++;
    }

    // The sequencer may step inside the span: music rendered up to that frame comes first.
    double increment = (double)s.tempo * 16.0 / 11520000.0;
    int from = 0;
    for (int i = 0; i < n; ++i) {
        s.stepAccumulator += increment;
        if (s.stepAccumulator >= 1.0) {
            s.stepAccumulator -= 1.0;
            RenderMusic(s, b, from, i);
            SequencerStep(s);
            from = i;
        }
    }
    RenderMusic(s, b, from, n);

    for (SynthVoice &v : s.effects)
        if (v.active) RenderVoice(s.sine, v, 0, n, b.fadePitch, 1.0f, b.fxL, b.fxR, b.roomL, b.roomR);
    RenderRollers(s, b, n);
    RenderRocket(s, b, n);
    MasterChain(s, b, out, n);
}

// [SECTION] Render

void SynthRender(Synth &s, float *out, uint32_t frames)
{
    uint32_t done = 0;
    while (done < frames) {
        if (s.fadeActive && s.fadeElapsed >= s.fadeLength) {
            // Past the end of the exit fade everything is exact silence.
            std::memset(out + 2 * done, 0, sizeof(float) * 2 * (frames - done));
            s.clock += frames - done;
            return;
        }
        if (s.clock % SYNTH_CONTROL_PERIOD == 0 && s.lastTick != s.clock) {
            ControlTick(s);
            s.lastTick = s.clock;
        }
        uint32_t untilTick = SYNTH_CONTROL_PERIOD - (uint32_t)(s.clock % SYNTH_CONTROL_PERIOD);
        uint32_t n = frames - done < untilTick ? frames - done : untilTick;
        RenderSpan(s, out + 2 * done, (int)n);
        done += n;
        s.clock += n;
    }
}
