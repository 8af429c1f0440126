// The seeded score: 32 bars in a natural-minor key, four phrases of eight bars, a chord per bar
// with a three-voice pad, a lead, an answering counter-melody, an arpeggio and a bass line, in
// sixteen sixteenth-note steps per bar. Pure data, composed once from a 32-bit seed on the game
// thread (before the stream starts); the audio thread only reads it.
#pragma once

#include <cstdint>

constexpr int SCORE_BARS = 32;
constexpr int SCORE_STEPS = 16;                  // sixteenth notes per bar
constexpr int SCORE_PHRASES = 4;                 // of eight bars each
constexpr int SCORE_ROUTES = 3;                  // harmonic routes per phrase
constexpr int SCORE_KEY_COUNT = 4;
constexpr int SCORE_PAD_CANDIDATES = 128;        // triads kept per bar for the voicing search
constexpr int SCORE_REST = -1;                   // no note starts at this step
constexpr uint32_t SCORE_DEFAULT_SEED = 1779033703u;  // random state for a seed of 0

// The tonic of the piece, one of four (MIDI).
constexpr int32_t SCORE_KEYS[SCORE_KEY_COUNT] = {36, 38, 40, 41};

// Ranges the composed lines keep (MIDI, inclusive).
constexpr int SCORE_ROOT_LOW = 33, SCORE_ROOT_HIGH = 45;
constexpr int SCORE_PAD_LOW = 45, SCORE_PAD_HIGH = 74;
constexpr int SCORE_LEAD_LOW = 64, SCORE_LEAD_HIGH = 86;
constexpr int SCORE_ANSWER_LOW = 50, SCORE_ANSWER_HIGH = 70;
constexpr int SCORE_ARPEGGIO_LOW = 62, SCORE_ARPEGGIO_HIGH = 84;
constexpr int SCORE_PAD_MOVE = 5;                // most semitones a pad voice moves between bars
constexpr int SCORE_LEAP = 7;                    // widest lead leap, and answer leap

struct ScoreBar {
    int32_t root;                   // MIDI note of the chord root, 33..45
    int32_t intervals[4];           // above the root: 0, third, fifth, seventh (or octave)
    int32_t pad[3];                 // the pad triad, low to high, each 45..74
    int32_t lead[SCORE_STEPS];      // lead note starting at each step, or SCORE_REST; 64..86
    int32_t answer[SCORE_STEPS];    // answer note starting at each step, or SCORE_REST; 50..70
    int32_t arpeggio[SCORE_STEPS];  // arpeggio note per step, or SCORE_REST; 62..84
    int32_t bass[SCORE_STEPS];      // bass note per step, or SCORE_REST
    uint8_t leadGate[SCORE_STEPS];  // steps each lead note lasts
    uint8_t answerGate[SCORE_STEPS];
    int32_t phrase;                 // 0..3, bar index / 8
    uint8_t cadence;                // 1 in the last bar of its phrase
};

struct Score {
    uint32_t seed;                  // as passed in (0 stays 0; only the random state is replaced)
    int32_t key;                    // MIDI tonic, one of SCORE_KEYS
    ScoreBar bars[SCORE_BARS];
};

// Composes the whole score from `seed`, byte for byte the same for the same seed. True when the
// pad found a voicing within its rules all round the loop (false: the nearest relaxed voicing).
bool ScoreCompose(Score &score, uint32_t seed);
// Bar `barIndex` mod 32 (any integer, negative ones included).
const ScoreBar &ScoreBarAt(const Score &score, int64_t barIndex);
// Clears the score and writes the harmony of key `key` with route `routes[i]` (0..2, out of
// range: 0) in phrase i: roots, intervals, phrase and cadence flags; every line a rest.
void ScoreHarmony(Score &score, int32_t key, const int routes[SCORE_PHRASES]);
// Chooses every bar's pad by the cheapest closed path of triads in which no voice moves more than
// 5 semitones, bar 31 back to bar 0 included. False when no such path exists: the pads then take
// the cheapest path with the movement limit lifted.
bool ScoreVoicePads(Score &score);
// Frequency in Hz of a MIDI note: 440 * 2^((n - 69) / 12).
float ScoreNoteHz(int note);
