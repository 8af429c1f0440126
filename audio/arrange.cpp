// The arrangement by music context: the pad bed's chord changes, the menu arrangement, battle
// rock, the boss layer, the victory finale and the comic theme, all on one running clock.
//
// Index
//   [SECTION] Tables
//   [SECTION] Context blend
//   [SECTION] Notes
//   [SECTION] Pad bed
//   [SECTION] Menu arrangement
//   [SECTION] Battle rock
//   [SECTION] Boss layer
//   [SECTION] Comic theme
//   [SECTION] Victory finale
//   [SECTION] Step dispatch
#include "audio/arrange.h"

#include "audio/synth.h"
#include "common/maths.h"

#include <cmath>

// [SECTION] Tables

static constexpr float PHRASE_ACCENT[SCORE_PHRASES] = {0.83f, 0.92f, 1.0f, 0.89f};

// Battle riffs: chord tone per step, -1 rests.
static constexpr int RIFFS[4][SCORE_STEPS] = {
    {0, -1, 0, 0, -1, -1, 2, -1, 0, -1, 0, 0, -1, 1, 2, -1},
    {0, -1, 0, -1, -1, 0, 0, 2, 0, -1, -1, 0, -1, 2, 1, -1},
    {0, 0, -1, 0, -1, -1, 2, -1, 0, -1, 0, 0, -1, 2, -1, 0},
    {0, -1, 0, 0, -1, 2, -1, 0, 0, -1, 0, -1, -1, 1, 2, -1},
};

// Boss anthem per bar of the phrase: note steps (16 closes the list) and chord tones (4: octave).
static constexpr int ANTHEM_STEPS[8][4] = {{0, 6, 8, 14}, {0, 8, 12, 16}, {0, 8, 12, 16}, {0, 6, 8, 16},
                                           {0, 4, 8, 12}, {0, 8, 12, 16}, {0, 6, 8, 16}, {0, 8, 16, 16}};
static constexpr int ANTHEM_TONES[8][4] = {{0, 2, 1, 2}, {4, 2, 0, 0}, {1, 4, 2, 0}, {1, 0, 2, 0},
                                           {0, 1, 2, 4}, {4, 3, 2, 0}, {2, 1, 0, 0}, {2, 0, 0, 0}};
// Boss ostinato: chord tone per even step.
static constexpr int OSTINATO[8] = {0, 2, 1, 2, 0, 2, 3, 2};

// Comic theme in the relative major (K = key + 3), per bar of eight.
static constexpr int COMIC_BASS[8] = {0, 5, 7, 0, 5, 0, 7, 0};
static constexpr int COMIC_CHORDS[8][3] = {{12, 16, 26}, {12, 17, 21}, {14, 19, 24}, {12, 16, 21},
                                           {14, 17, 21}, {12, 19, 26}, {12, 17, 19}, {12, 16, 26}};
static constexpr int COMIC_MELODY[8][3] = {{16, 19, 26}, {21, 17, 14}, {19, 26, 24}, {16, 19, 24},
                                           {17, 21, 26}, {19, 16, 14}, {19, 24, 26}, {28, 26, 24}};
static constexpr int COMIC_STEPS[2][3] = {{1, 7, 10}, {2, 6, 12}};   // even bars, odd bars
static constexpr int COMIC_TIMBRES[3] = {10, 4, 11};
static constexpr float COMIC_GAINS[3] = {0.056f, 0.069f, 0.065f};

// Victory finale in the parallel major, per bar counted from the launch.
static constexpr int FINALE_ROOTS[8] = {0, 5, 7, 0, 9, 5, 7, 0};
static constexpr int FINALE_THIRDS[8] = {4, 4, 4, 4, 3, 4, 4, 4};
static constexpr int FINALE_STEPS[8][5] = {{0, 3, 4, 8, 12}, {0, 6, 8, 12, 16}, {0, 4, 8, 12, 16}, {0, 8, 12, 16, 16},
                                           {0, 4, 8, 12, 16}, {0, 6, 8, 12, 16}, {0, 4, 8, 12, 14}, {0, 8, 16, 16, 16}};
static constexpr int FINALE_TONES[8][5] = {{0, 1, 2, 3, 2}, {1, 2, 3, 2, 0}, {2, 3, 2, 1, 0}, {3, 2, 0, 0, 0},
                                           {0, 1, 2, 3, 0}, {1, 2, 3, 2, 0}, {2, 3, 2, 1, 2}, {3, 0, 0, 0, 0}};

// The second guitar sits 0.045 semitone sharp: 2^(0.045 / 12).
static constexpr float GUITAR_DETUNE = 1.0026027f;

// [SECTION] Context blend

void ArrangeBlendContexts(const float weight[AUDIO_CONTEXT_COUNT], float danger, float blend[ARRANGE_COLUMNS])
{
    for (int c = 0; c < ARRANGE_COLUMNS; ++c) {
        float sum = 0.0f;
        for (int k = 0; k < AUDIO_CONTEXT_COUNT; ++k) {
            float value = ARRANGE_CONTEXTS[k][c];
            if (k == AUDIO_CONTEXT_PLAY) {
                // Danger drives the play arrangement harder and thins the bed under it.
                if (c == ARRANGE_PULSE) value += 0.24f * danger;
                if (c == ARRANGE_BASS) value += 0.16f * danger;
                if (c == ARRANGE_ARPEGGIO) value += 0.23f * danger;
                if (c == ARRANGE_BED) value *= 1.0f - 0.23f * danger;
            }
            sum += weight[k] * value;
        }
        blend[c] = sum;
    }
}

// [SECTION] Notes

// What every part of one sixteenth note reads.
struct StepFrame {
    Synth &s;
    const ScoreBar &bar;
    int step;            // 0..15 in the bar
    int barIndex;        // 0..31
    bool odd;            // odd bar
    float sixteenth;     // seconds of one step at the current tempo
    float beat;          // seconds of one quarter note
    float play, menu;    // P and M = 1 - P
    float danger, crowd;
    float bossLayer;     // smoothed, before the play weight
    float bosses;        // the boss layer's weight S, the divisor of the lines it thins out
    float comic;         // comic context weight
    float finale;        // finale amount: smoothed finale x P
};

// Weight the renderer gives a voice of these layer tags; a note below the gain threshold after
// it takes no voice, so a layer faded out never fills the pool with silent notes.
static float LayerWeight(const StepFrame &f, uint8_t layer)
{
    if (layer & SYNTH_LAYER_COMIC) return 0.85f * f.comic;
    return (1.0f - f.comic) * (layer & SYNTH_LAYER_FINALE ? f.finale : 1.0f - f.finale);
}

// Humanises the gain, cuts the length at the end of the bar and starts one music voice; false
// when the note is too quiet or no voice is free.
static bool Note(StepFrame &f, int timbre, float hz, float seconds, float gain, float pan, float tone, float glide,
                 float send, uint8_t layer = 0)
{
    float r = (float)(Xorshift32(f.s.musicRandom) >> 8) * (2.0f / 16777216.0f) - 1.0f;
    gain *= 0.94f + 0.06f * r;
    if (!(gain * LayerWeight(f, layer) >= ARRANGE_MIN_GAIN)) return false;
    float rest = (float)(SCORE_STEPS - f.step) * f.sixteenth;
    if (seconds > rest) seconds = rest;
    SynthNote note{timbre, hz, seconds, gain, pan, tone, glide, send, layer};
    return SynthStartVoice(f.s, SYNTH_POOL_MUSIC, note, false);
}

static float Hz(int note) { return ScoreNoteHz(note); }

// A kick raises the bed's duck; a weaker kick never cuts a stronger one short.
static void KickDuck(Synth &s, float level)
{
    if (level > s.pad.kickDuck) s.pad.kickDuck = level;
}

// [SECTION] Pad bed

// The new bank takes the bar's pad; a note held over keeps its oscillator's phase.
static void PadChange(Synth &s, const ScoreBar &bar)
{
    SynthPadBed &pad = s.pad;
    int old = pad.bank, next = 1 - pad.bank;
    for (int j = 0; j < 3; ++j) {
        int o = next * 3 + j;
        pad.frequency[o] = ScoreNoteHz(bar.pad[j]);
        for (int k = 0; k < 3; ++k) {
            if (std::fabs(pad.frequency[old * 3 + k] - pad.frequency[o]) < 0.01f) {
                pad.phase[o] = pad.phase[old * 3 + k];
                pad.vibrato[o] = pad.vibrato[old * 3 + k];
                break;
            }
        }
    }
    pad.bank = next;
}

// [SECTION] Menu arrangement

static void MenuArrangement(StepFrame &f)
{
    const Synth &s = f.s;
    const ScoreBar &bar = f.bar;
    const int st = f.step;
    const float M = f.menu, pd = f.play * f.danger;
    const float A = s.contextBlend[ARRANGE_PULSE], B = s.contextBlend[ARRANGE_BASS];
    const float C = s.contextBlend[ARRANGE_ARPEGGIO], D = s.contextBlend[ARRANGE_MELODY];
    const float E = s.contextBlend[ARRANGE_HEARTBEAT];
    const float accent = PHRASE_ACCENT[bar.phrase];
    const float k = accent * A * M;

    bool thump = st == 0 || st == 8 || (pd > 0.38f && st == 6) || (pd > 0.68f && (st == 11 || (f.odd && st == 14)));
    if (thump && Note(f, 0, 144.0f, 0.29f, 0.28f * k, 0.0f, 0.38f, 0.32f, 0.038f)) KickDuck(f.s, 0.4f * k);
    if ((st == 4 || st == 12) && k > 0.16f) {
        Note(f, 12, Hz(bar.root + 19), 0.19f, 0.19f * k, -0.06f, 0.6f, 1.0f, 0.15f);
        Note(f, 11, Hz(bar.root + 31), 0.07f, 0.05f * k, 0.06f, 0.5f, 1.0f, 0.12f);
    }
    if (st % 4 == 2 && k > 0.1f)
        Note(f, 12, Hz(bar.root + 31 + bar.intervals[st / 4]), 0.08f, 0.042f * k, 0.12f, 0.5f, 1.0f, 0.15f);

    const int bass = bar.bass[st];
    const bool downbeat = st == 0 || st == 8;
    if (bass != SCORE_REST && (downbeat || pd > 0.22f || (st == 6 && f.odd)))
        Note(f, 2, Hz(bass), (downbeat ? 0.9f : 0.4f) * f.beat, 0.18f * B * M, 0.0f, 0.35f + 0.35f * pd, 1.0f, 0.05f);

    const int arpeggio = bar.arpeggio[st];
    if (arpeggio != SCORE_REST && ((st != 7 && st != 15) || C > 0.55f))
        Note(f, 11, Hz(arpeggio), 0.52f * f.beat, 0.067f * C * accent * M / (0.3f * f.bosses + 1.0f), -0.23f,
             0.54f + 0.2f * pd + 0.22f * E, 1.0f, 0.2f);
    if (bar.lead[st] != SCORE_REST)
        Note(f, 10, Hz(bar.lead[st]), (float)bar.leadGate[st] * f.sixteenth, 0.076f * D * M / (0.35f * f.bosses + 1.0f),
             -0.09f, 0.4f + 0.2f * pd, 1.0f, 0.22f);
    if (bar.answer[st] != SCORE_REST)
        Note(f, 11, Hz(bar.answer[st]), (float)bar.answerGate[st] * f.sixteenth,
             0.065f * D * M / (0.32f * f.bosses + 1.0f), 0.22f, 0.86f, 1.0f, 0.2f);

    if (bar.cadence && st == 14 && C > 0.3f)
        Note(f, 4, Hz(bar.root + 24 + bar.intervals[2]), 1.15f * f.beat, 0.04f * C * M, 0.0f, 0.5f, 1.0f, 0.3f);
    // The erase dialog's own heartbeat level is taken back out: it keeps the bed without a pulse.
    if (E > 0.2f && (st == 1 || st == 9)) {
        float pulse = E - s.contextWeight[AUDIO_CONTEXT_ERASE_DIALOG];
        Note(f, 2, Hz(bar.root - 12), 0.24f, 0.075f * (pulse > 0.0f ? pulse : 0.0f) * M, 0.0f, 0.3f, 1.0f, 0.02f);
        if (st == 9) Note(f, 4, Hz(bar.root + 25), 1.7f * f.beat, 0.027f * E * M, 0.0f, 0.4f, 1.0f, 0.3f);
    }
}

// [SECTION] Battle rock

// Riff row of a bar: turns with the phrase, the seed and every pair of bars.
static int RiffRow(const Score &score, const ScoreBar &bar, int barIndex)
{
    return (int)(((uint64_t)bar.phrase + score.seed / 32u + (uint64_t)(barIndex / 2)) % 4u);
}

static void BattleRock(StepFrame &f)
{
    const Synth &s = f.s;
    const ScoreBar &bar = f.bar;
    const int st = f.step;
    const float L = f.bossLayer, d = f.danger;
    const float R = f.play * (1.0f - 0.82f * L);
    const float G = R / (0.16f * f.bosses + 1.0f);
    const int *riff = RIFFS[RiffRow(s.score, bar, f.barIndex)];
    auto hit = [&](int step) { return riff[step] >= 0 || (d > 0.65f && (step == 7 || step == 15)); };

    // Riff: a double-tracked power chord with a bass guitar an octave below.
    if (hit(st) && (L < 0.55f || st == 0 || st == 8)) {
        int tone = riff[st] >= 0 ? riff[st] : 0;
        bool sustained = st == 0 || st == 8 || tone == 1 || tone == 2;
        float seconds = 0.82f * f.sixteenth;
        if (sustained) {
            int next = st + 1;
            while (next < SCORE_STEPS && !hit(next)) ++next;
            int steps = next - st < 3 ? next - st : 3;
            seconds = (float)steps * f.sixteenth;
        }
        float drive = 1.0f + 0.12f * d;
        float gain = (sustained ? 0.122f : 0.096f) * G * drive;
        float colour = sustained ? 1.06f : 0.42f;
        float hz = Hz(bar.root + bar.intervals[tone]);
        Note(f, 13, hz, seconds, gain, -0.25f, colour, 1.0f, 0.06f);
        Note(f, 13, hz * GUITAR_DETUNE, 0.94f * seconds, 0.87f * gain, 0.25f, colour, 1.0f, 0.06f);
        Note(f, 15, Hz(bar.root - 12 + (tone == 2 ? bar.intervals[2] : 0)), seconds, (sustained ? 0.205f : 0.16f) * G,
             0.0f, 0.5f, 1.0f, 0.03f);
    }

    // Drums: kicks, a snare and a ringing tom on the backbeat, a high bell, fills.
    bool kick = st == 0 || st == 8 ||
                (L < 0.6f && (st == 6 || st == 11 || (d > 0.5f && (st == 3 || (f.odd && st == 14)))));
    if (kick && Note(f, 0, 176.0f, 0.29f, 0.31f * R, 0.0f, 0.4f, 0.33f, 0.04f)) KickDuck(f.s, 0.43f * R);
    if ((st == 4 || st == 12) && L < 0.65f) {
        Note(f, 16, Hz(50), 0.22f, 0.26f * R, 0.05f, 0.6f, 1.0f, 0.1f);
        Note(f, 17, Hz(bar.root + 7), 0.4f, 0.085f * R, -0.1f, 0.5f, 1.0f, 0.2f);
    }
    if ((st == 2 || st == 10) && d > 0.28f && L < 0.6f)
        Note(f, 17, Hz(bar.root + 19), 0.11f, 0.05f * G, 0.16f, 0.4f, 1.0f, 0.15f);
    if (bar.cadence && L < 0.6f && st >= 13) {
        static constexpr int FILL_NOTES[3] = {19, 12, 7};
        static constexpr float FILL_PANS[3] = {-0.16f, 0.0f, 0.14f};
        Note(f, 17, Hz(bar.root + FILL_NOTES[st - 13]), 0.86f * f.sixteenth, 0.145f * R, FILL_PANS[st - 13], 0.8f, 1.0f, 0.2f);
    }

    // Lead guitar: the score's lead an octave down, in the reply bars and the later phrases, and
    // only the opening of the first phrase's call bars.
    if (L < 0.5f && bar.lead[st] != SCORE_REST && (f.odd || bar.phrase >= 1 || st <= 3))
        Note(f, 14, Hz(bar.lead[st] - 12), (float)bar.leadGate[st] * f.sixteenth, 0.077f * G, -0.08f, 0.72f, 1.0f, 0.12f);

    if (f.crowd > 0.05f && (st == 0 || st == 5 || st == 10 || st == 14))
        Note(f, 17, Hz(bar.root + (st == 5 ? 12 : 7)), 0.21f, 0.14f * f.crowd * G, 0.1f, 0.9f, 1.0f, 0.2f);
}

// [SECTION] Boss layer

static void BossLayer(StepFrame &f)
{
    const Synth &s = f.s;
    const ScoreBar &bar = f.bar;
    const int st = f.step;
    const float S = f.bosses;
    const int *interval = bar.intervals;
    const int row = f.barIndex % 8;

    // Anthem: horns on the phrase bar's steps, each held to the next.
    for (int i = 0; i < 4 && ANTHEM_STEPS[row][i] < SCORE_STEPS; ++i) {
        if (ANTHEM_STEPS[row][i] != st) continue;
        int next = i < 3 ? ANTHEM_STEPS[row][i + 1] : SCORE_STEPS;
        int tone = ANTHEM_TONES[row][i];
        int note = bar.root + 24 + (tone == 4 ? 12 : interval[tone]);
        Note(f, 18, Hz(note), (float)(next - st) * f.sixteenth, 0.116f * S, -0.055f, 0.7f + 0.12f * (float)bar.phrase, 1.0f, 0.22f);
    }
    if (st == 0) {
        static constexpr float PANS[3] = {-0.22f, 0.0f, 0.22f};
        for (int j = 0; j < 3; ++j) Note(f, 20, Hz(bar.pad[j]), 16.0f * f.sixteenth, 0.046f * S, PANS[j], 0.4f, 1.0f, 0.3f);
    }
    if (st == 0 || st == 8) {
        Note(f, 18, Hz(bar.root), 8.0f * f.sixteenth, 0.092f * S, 0.0f, 0.42f, 1.0f, 0.2f);
        Note(f, 21, Hz(bar.root + (st == 8 ? interval[2] : 0)), 1.4f, (st == 8 ? 0.18f : 0.23f) * S, 0.0f, 0.5f, 1.0f, 0.25f);
    }
    if (st % 2 == 0) {
        int tone = OSTINATO[st / 2];
        int note = bar.root + (st == 0 || st == 8 ? 12 : 24) + interval[tone];
        Note(f, 19, Hz(note), 2.0f * f.sixteenth, 0.083f * S, -0.19f, 0.5f, 1.0f, 0.2f);
    }
    // Epic percussion: the rock kick on the fifth, bells closing each phrase.
    if (st == 8) Note(f, 22, Hz(bar.root + interval[2]), 0.4f, 0.24f * S, 0.0f, 0.5f, 1.0f, 0.05f);
    if (st == 14 && f.odd) Note(f, 22, Hz(bar.root + interval[2]), 0.4f, 0.12f * S, 0.0f, 0.5f, 1.0f, 0.05f);
    if (bar.cadence && (st == 12 || st == 14 || st == 15))
        Note(f, 21, Hz(bar.root + (st == 14 ? 7 : 12)), 0.6f, 0.105f * S, 0.12f, 0.6f, 1.0f, 0.25f);

    // Identities: each boss's share of the summed presences. The sum is only divided by once a
    // boss is above the motif threshold, so it is never 0.
    float sum = s.boss[0] + s.boss[1] + s.boss[2];
    for (int b = 0; b < 3; ++b) {
        if (!(s.boss[b] > ARRANGE_BOSS_MOTIF)) continue;
        float share = s.boss[b] / sum;
        if (b == 0 && st % 4 == 3)
            Note(f, 19, Hz(bar.root + 12 + (st == 7 || st == 15 ? 7 : 0)), 2.0f * f.sixteenth, 0.098f * S * share, -0.25f,
                 0.6f, 1.0f, 0.2f);
        if (b == 1 && (st == 2 || st == 10))
            Note(f, 18, Hz(bar.root + 24 + interval[st == 2 ? 1 : 3]), 4.0f * f.sixteenth, 0.083f * S * share, 0.23f, 0.6f,
                 1.0f, 0.22f);
        if (b == 2 && (st == 0 || st == 8)) {
            Note(f, 20, Hz(bar.root + 12 + (st == 8 ? 7 : 0)), 8.0f * f.sixteenth, 0.1f * S * share, 0.14f, 0.5f, 1.0f, 0.3f);
            Note(f, 21, Hz(bar.root), 1.4f, 0.145f * S * share, -0.14f, 0.5f, 1.0f, 0.25f);
        }
    }
}

// [SECTION] Comic theme

static void ComicTheme(StepFrame &f)
{
    const int st = f.step;
    const int K = f.s.score.key + 3;
    const int cb = f.barIndex % 8;
    const int *chord = COMIC_CHORDS[cb];
    const uint8_t tag = SYNTH_LAYER_COMIC;
    if (st % 8 == 0) {
        static constexpr float PANS[3] = {-0.23f, 0.0f, 0.23f};
        for (int j = 0; j < 3; ++j) Note(f, 23, Hz(K + chord[j]), 1.94f * f.beat, 0.04f, PANS[j], 0.5f, 1.0f, 0.3f, tag);
        Note(f, 2, Hz(K + COMIC_BASS[cb]), 1.75f * f.beat, 0.108f, 0.0f, 0.35f, 1.0f, 0.05f, tag);
        Note(f, 0, 108.0f, 0.24f, 0.078f, 0.0f, 0.38f, 0.4f, 0.03f, tag);
    }
    if (st == 4 || st == 12) Note(f, 12, Hz(K + 19), 0.19f, 0.059f, 0.06f, 0.6f, 1.0f, 0.15f, tag);
    if (st == 6 || st == 14) Note(f, 11, Hz(K + COMIC_BASS[cb] + 12), 0.12f, 0.037f, 0.12f, 0.5f, 1.0f, 0.15f, tag);

    const int *steps = COMIC_STEPS[f.odd ? 1 : 0];
    for (int i = 0; i < 3; ++i) {
        if (steps[i] != st) continue;
        // The last note holds into the next bar's first melody step, at most five steps.
        int next = i < 2 ? steps[i + 1] : SCORE_STEPS + COMIC_STEPS[f.odd ? 0 : 1][0];
        int hold = next - st < 5 ? next - st : 5;
        Note(f, COMIC_TIMBRES[i], Hz(K + COMIC_MELODY[cb][i]), 0.92f * (float)hold * f.sixteenth, COMIC_GAINS[i], 0.0f,
             0.5f, 1.0f, 0.22f, tag);
    }
    int echo = st == 3 ? 0 : st == 11 ? 1 : (st == 15 && f.odd) ? 2 : -1;
    if (echo >= 0) Note(f, 11, Hz(K + chord[echo] + 12), 0.57f * f.beat, 0.036f, -0.22f, 0.7f, 1.0f, 0.25f, tag);
}

// [SECTION] Victory finale

int ArrangeFinaleBar(const Synth &s, uint64_t bar)
{
    if (!s.finaleRunning || bar < s.finaleStartBar) return 0;
    return (int)((bar - s.finaleStartBar) % 8u);
}

static void VictoryFinale(StepFrame &f)
{
    const int st = f.step;
    const uint8_t tag = SYNTH_LAYER_FINALE;
    const int fb = ArrangeFinaleBar(f.s, f.s.step / SCORE_STEPS);
    const int root = f.s.score.key + FINALE_ROOTS[fb];
    const int tones[4] = {0, FINALE_THIRDS[fb], 7, 12};

    for (int i = 0; i < 5 && FINALE_STEPS[fb][i] < SCORE_STEPS; ++i) {
        if (FINALE_STEPS[fb][i] != st) continue;
        int next = i < 4 ? FINALE_STEPS[fb][i + 1] : SCORE_STEPS;
        float seconds = 0.96f * (float)(next - st) * f.sixteenth;
        int note = root + 24 + tones[FINALE_TONES[fb][i]];
        Note(f, 18, Hz(note), seconds, 0.105f, -0.07f, 0.86f, 1.0f, 0.22f, tag);
        if (st == 0 || st == 8) Note(f, 8, Hz(note + 12), seconds, 0.03f, 0.07f, 0.5f, 1.0f, 0.25f, tag);
    }
    if (st == 0) {
        static constexpr float PANS[3] = {-0.2f, 0.0f, 0.2f};
        const int triad[3] = {0, tones[1], 7};
        for (int j = 0; j < 3; ++j) Note(f, 20, Hz(root + 12 + triad[j]), 3.78f * f.beat, 0.04f, PANS[j], 0.5f, 1.0f, 0.3f, tag);
        Note(f, 21, Hz(root), 1.4f, 0.125f, 0.0f, 0.5f, 1.0f, 0.25f, tag);
    }
    if (st == 0 || st == 8) Note(f, 2, Hz(root - 12), 1.85f * f.beat, 0.137f, 0.0f, 0.35f, 1.0f, 0.05f, tag);
    if (st % 4 == 2) Note(f, 19, Hz(root + 12 + (st % 8 == 2 ? tones[1] : 7)), 0.48f * f.beat, 0.059f, -0.12f, 0.5f, 1.0f, 0.2f, tag);
    if (st == 8) Note(f, 12, Hz(root + 19), 0.19f, 0.056f, 0.06f, 0.6f, 1.0f, 0.15f, tag);
}

// [SECTION] Step dispatch

void ArrangeStep(Synth &s)
{
    if (s.fadeActive) return;
    const uint64_t counter = s.step;
    const uint64_t absoluteBar = counter / SCORE_STEPS;
    const int step = (int)(counter % SCORE_STEPS);
    const int barIndex = (int)(absoluteBar % SCORE_BARS);
    const ScoreBar &bar = ScoreBarAt(s.score, barIndex);

    if (step == 0 && counter != 0) PadChange(s, bar);

    // The finale counts its bars from the one in which it began; it starts over after a return
    // to silence (a new run's launch).
    if (s.finale > 0.0f && !s.finaleRunning) {
        s.finaleRunning = true;
        s.finaleStartBar = absoluteBar;
    } else if (s.finale <= 0.0f) {
        s.finaleRunning = false;
    }

    const float tempo = s.tempo > 1.0f ? s.tempo : 1.0f;
    const float play = s.contextWeight[AUDIO_CONTEXT_PLAY];
    StepFrame f{s, bar, step, barIndex, (barIndex & 1) != 0, 15.0f / tempo, 60.0f / tempo, play, 1.0f - play,
                s.danger, s.crowd, s.bossLayer, 1.1f * s.bossLayer * play, s.contextWeight[AUDIO_CONTEXT_COMIC],
                s.finale * play};

    if (f.comic > ARRANGE_SOLO_WEIGHT) {
        ComicTheme(f);
    } else if (f.finale > ARRANGE_SOLO_WEIGHT) {
        VictoryFinale(f);
    } else {
        MenuArrangement(f);
        BattleRock(f);
        BossLayer(f);
        if (f.finale > 0.0f) VictoryFinale(f);
        ComicTheme(f);
    }
}
