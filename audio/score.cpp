// The seeded score: harmony, the pad voicing search, lead and answer, arpeggio and bass.
//
// Index
//   [SECTION] Tables
//   [SECTION] Helpers
//   [SECTION] Harmony
//   [SECTION] Pad voicing
//   [SECTION] Lead and answer
//   [SECTION] Arpeggio and bass
//   [SECTION] Compose
#include "audio/score.h"

#include "common/maths.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// [SECTION] Tables

static constexpr int SCALE[7] = {0, 2, 3, 5, 7, 8, 10};   // natural minor by degree
static constexpr int THIRD[7] = {3, 3, 4, 3, 4, 4, 4};    // degree 4 is a major dominant
static constexpr int FIFTH[7] = {7, 6, 7, 7, 7, 7, 7};
static constexpr int SEVENTH[7] = {10, 10, 11, 10, 10, 11, 10};

static constexpr int ROUTES[SCORE_PHRASES][SCORE_ROUTES][8] = {
    {{0, 0, 5, 5, 3, 3, 4, 4}, {0, 0, 2, 5, 3, 1, 4, 4}, {0, 2, 5, 3, 1, 3, 4, 4}},
    {{0, 0, 5, 2, 3, 4, 0, 0}, {0, 2, 3, 5, 1, 4, 0, 0}, {0, 5, 2, 3, 1, 4, 0, 0}},
    {{2, 2, 6, 5, 3, 1, 4, 4}, {2, 5, 1, 4, 0, 3, 4, 4}, {2, 6, 5, 2, 3, 1, 4, 4}},
    {{0, 0, 5, 3, 1, 4, 4, 0}, {0, 2, 5, 3, 3, 1, 4, 0}, {0, 5, 2, 3, 1, 3, 4, 0}},
};

static constexpr int RHYTHMS[3][4] = {{0, 3, 6, 10}, {0, 2, 6, 11}, {0, 3, 7, 10}};
static constexpr int CONTOURS[3][4] = {{0, 1, -1, 0}, {0, -1, 1, 0}, {0, 2, 0, -1}};
static constexpr int MOTIFS[6][4] = {{0, 2, 1, 4}, {4, 2, 3, 1}, {2, 4, 1, 2}, {0, 3, 2, 4}, {2, 1, 4, 2}, {4, 3, 1, 2}};
static constexpr int ARPEGGIOS[4][8] = {
    {0, 2, 1, 3, 2, 1, 0, 2}, {0, 1, 2, 1, 3, 2, 1, 2}, {2, 1, 0, 2, 1, 3, 2, 1}, {0, 2, 3, 1, 2, 0, 1, 2}};

// [SECTION] Helpers

static inline int Mod(int x, int m) { return ((x % m) + m) % m; }

// MIDI note of scale degree d above `base`; negative degrees count downward the same way.
static int DegreeNote(int base, int degree)
{
    int octave = degree >= 0 ? degree / 7 : -((6 - degree) / 7);
    return base + SCALE[Mod(degree, 7)] + 12 * octave;
}

// Root, third or fifth of the bar's chord by pitch class.
static bool IsTriadTone(const ScoreBar &bar, int note)
{
    int pc = Mod(note - bar.root, 12);
    return pc == 0 || pc == Mod(bar.intervals[1], 12) || pc == Mod(bar.intervals[2], 12);
}

static bool IsScaleTone(int key, int note)
{
    int pc = Mod(note - key, 12);
    for (int s : SCALE)
        if (s == pc) return true;
    return false;
}

float ScoreNoteHz(int note) { return 440.0f * std::exp2((float)(note - 69) / 12.0f); }

const ScoreBar &ScoreBarAt(const Score &score, int64_t barIndex)
{
    return score.bars[(int)(((barIndex % SCORE_BARS) + SCORE_BARS) % SCORE_BARS)];
}

// [SECTION] Harmony

void ScoreHarmony(Score &score, int32_t key, const int routes[SCORE_PHRASES])
{
    uint32_t seed = score.seed;
    // Cleared bytewise so that two scores of one seed compare equal padding included.
    std::memset(&score, 0, sizeof score);
    score.seed = seed;
    score.key = key;
    for (int i = 0; i < SCORE_PHRASES; ++i) {
        int route = routes[i] >= 0 && routes[i] < SCORE_ROUTES ? routes[i] : 0;
        for (int j = 0; j < 8; ++j) {
            ScoreBar &bar = score.bars[8 * i + j];
            int degree = ROUTES[i][route][j];
            bar.phrase = i;
            bar.cadence = j == 7;
            int root = key + SCALE[degree];
            while (root > SCORE_ROOT_HIGH) root -= 12;
            bar.root = root;
            bar.intervals[0] = 0;
            bar.intervals[1] = THIRD[degree];
            bar.intervals[2] = FIFTH[degree];
            // The full cadences close on the bare octave, not a seventh.
            bar.intervals[3] = bar.cadence && (i == 1 || i == 3) ? 12 : SEVENTH[degree];
            for (int s = 0; s < SCORE_STEPS; ++s)
                bar.lead[s] = bar.answer[s] = bar.arpeggio[s] = bar.bass[s] = SCORE_REST;
        }
    }
}

// [SECTION] Pad voicing

struct PadTriad {
    int8_t note[3];
};

// Every triad of the bar's three chord tones in the pad's ranges, in increasing order of low,
// middle and high; at most SCORE_PAD_CANDIDATES.
static int PadCandidates(const ScoreBar &bar, PadTriad *out)
{
    int count = 0;
    for (int low = 45; low <= 62; ++low) {
        if (!IsTriadTone(bar, low)) continue;
        for (int mid = low + 3; mid <= low + 9; ++mid) {
            if (mid < 50 || !IsTriadTone(bar, mid) || Mod(mid - low, 12) == 0) continue;
            for (int high = mid + 3; high <= mid + 9 && high <= SCORE_PAD_HIGH; ++high) {
                if (high <= 54 || !IsTriadTone(bar, high)) continue;
                if (Mod(high - low, 12) == 0 || Mod(high - mid, 12) == 0) continue;
                if (count == SCORE_PAD_CANDIDATES) return count;
                out[count++] = {{(int8_t)low, (int8_t)mid, (int8_t)high}};
            }
        }
    }
    return count;
}

// Cost of moving between two triads (sum of m(4m + 1) over the voices), or -1 when a voice moves
// more than `limit` semitones.
static int MoveCost(const PadTriad &a, const PadTriad &b, int limit)
{
    int cost = 0;
    for (int v = 0; v < 3; ++v) {
        int m = std::abs(a.note[v] - b.note[v]);
        if (m > limit) return -1;
        cost += m * (4 * m + 1);
    }
    return cost;
}

// The cheapest closed path from the fixed first triad; false when none keeps within `limit`.
static bool PadPath(Score &score, const PadTriad (*candidates)[SCORE_PAD_CANDIDATES], const int *counts, int first,
                    int limit)
{
    constexpr int NONE = -1;
    int cost[SCORE_BARS][SCORE_PAD_CANDIDATES];
    int16_t from[SCORE_BARS][SCORE_PAD_CANDIDATES];
    for (int c = 0; c < counts[0]; ++c) cost[0][c] = c == first ? 0 : NONE;
    for (int b = 1; b < SCORE_BARS; ++b) {
        for (int c = 0; c < counts[b]; ++c) {
            const PadTriad &here = candidates[b][c];
            int best = NONE, bestFrom = 0;
            for (int p = 0; p < counts[b - 1]; ++p) {
                if (cost[b - 1][p] == NONE) continue;
                int move = MoveCost(candidates[b - 1][p], here, limit);
                if (move < 0) continue;
                int total = cost[b - 1][p] + move + std::abs(59 - here.note[1]);
                if (best == NONE || total < best) {
                    best = total;
                    bestFrom = p;
                }
            }
            cost[b][c] = best;
            from[b][c] = (int16_t)bestFrom;
        }
    }
    // The loop closes: the last bar must lead back to the first within the same limit.
    const int last = SCORE_BARS - 1;
    int best = NONE, choice = 0;
    for (int c = 0; c < counts[last]; ++c) {
        if (cost[last][c] == NONE) continue;
        int move = MoveCost(candidates[last][c], candidates[0][first], limit);
        if (move < 0) continue;
        if (best == NONE || cost[last][c] + move < best) {
            best = cost[last][c] + move;
            choice = c;
        }
    }
    if (best == NONE) return false;
    for (int b = last; b >= 0; --b) {
        const PadTriad &t = candidates[b][choice];
        for (int v = 0; v < 3; ++v) score.bars[b].pad[v] = t.note[v];
        if (b > 0) choice = from[b][choice];
    }
    return true;
}

bool ScoreVoicePads(Score &score)
{
    PadTriad candidates[SCORE_BARS][SCORE_PAD_CANDIDATES];
    int counts[SCORE_BARS];
    for (int b = 0; b < SCORE_BARS; ++b) {
        counts[b] = PadCandidates(score.bars[b], candidates[b]);
        // Every chord has its three tones inside 45..74, so a bar never lacks a triad; this only
        // guards the search against an empty bar.
        if (counts[b] == 0) {
            int r = score.bars[b].root;
            while (r < 48) r += 12;
            candidates[b][0] = {{(int8_t)r, (int8_t)(r + score.bars[b].intervals[1]), (int8_t)(r + score.bars[b].intervals[2])}};
            counts[b] = 1;
        }
    }
    const int target[3] = {score.key + 12, score.key + 15, score.key + 19};
    int first = 0, nearest = -1;
    for (int c = 0; c < counts[0]; ++c) {
        int d = 0;
        for (int v = 0; v < 3; ++v) d += std::abs(candidates[0][c].note[v] - target[v]);
        if (nearest < 0 || d < nearest) {
            nearest = d;
            first = c;
        }
    }
    if (PadPath(score, candidates, counts, first, SCORE_PAD_MOVE)) return true;
    PadPath(score, candidates, counts, first, 1000);
    return false;
}

// [SECTION] Lead and answer

struct Melody {
    int key;
    int previousLead;      // the lead note placed last
    int previousAnswer;
    int previousBarEnd;    // the last lead note of the bar before
};

// The lead note for target degree t after `previous`: chord tones on a strong beat, scale tones
// too off the beat, never more than a seventh's leap away.
static int LeadSearch(const ScoreBar &bar, int key, int degree, int previous, bool strong)
{
    int target = DegreeNote(key + 36, degree);
    int best = -1, bestCost = 0;
    for (int n = SCORE_LEAD_LOW; n <= SCORE_LEAD_HIGH; ++n) {
        if (!IsTriadTone(bar, n) && (strong || !IsScaleTone(key, n))) continue;
        if (std::abs(n - previous) > SCORE_LEAP) continue;
        int cost = 5 * std::abs(n - target) + std::abs(n - previous);
        if (best < 0 || cost < bestCost) {
            best = n;
            bestCost = cost;
        }
    }
    return best < 0 ? 72 : best;
}

static void PlaceLead(Melody &m, ScoreBar &bar, int step, int degree, int maxGate, bool finalTonic = false)
{
    int note;
    if (finalTonic) {
        note = m.key + 36;
        while (note - m.previousLead > SCORE_LEAP) note -= 12;
        while (m.previousLead - note > SCORE_LEAP) note += 12;
        // The range wins over the leap at its very edges.
        while (note > SCORE_LEAD_HIGH) note -= 12;
        while (note < SCORE_LEAD_LOW) note += 12;
    } else {
        note = LeadSearch(bar, m.key, degree, m.previousLead, step % 4 == 0);
    }
    int gate = SCORE_STEPS - step < maxGate ? SCORE_STEPS - step : maxGate;
    // A passing tone never holds over the next beat.
    if (!IsTriadTone(bar, note) && gate > 4 - step % 4) gate = 4 - step % 4;
    bar.lead[step] = note;
    bar.leadGate[step] = (uint8_t)gate;
    m.previousLead = note;
}

// An answer of two steps at `step`, below and consonant with every lead note sounding then and
// moving against the lead (`against` +2 when the lead rose, -2 when it fell); none if nothing fits.
static void PlaceAnswer(Melody &m, ScoreBar &bar, int step, int against)
{
    if (bar.lead[step] != SCORE_REST) return;
    int gate = SCORE_STEPS - step < 2 ? SCORE_STEPS - step : 2;
    int best = -1, bestCost = 0;
    for (int n = SCORE_ANSWER_LOW; n <= SCORE_ANSWER_HIGH; ++n) {
        if (!IsTriadTone(bar, n) || std::abs(n - m.previousAnswer) > SCORE_LEAP) continue;
        bool fits = true;
        for (int s = 0; s < SCORE_STEPS && fits; ++s) {
            int lead = bar.lead[s];
            if (lead == SCORE_REST || s >= step + gate || s + bar.leadGate[s] <= step) continue;
            int below = lead - n;
            int pc = Mod(below, 12);
            fits = below >= 7 && (pc == 0 || pc == 3 || pc == 4 || pc == 7 || pc == 8 || pc == 9);
        }
        if (!fits) continue;
        int cost = 3 * std::abs(n + against - m.previousAnswer) + std::abs(62 - n);
        if (best < 0 || cost < bestCost) {
            best = n;
            bestCost = cost;
        }
    }
    if (best < 0) return;
    bar.answer[step] = best;
    bar.answerGate[step] = (uint8_t)gate;
    m.previousAnswer = best;
}

static void ComposeMelody(Score &score, int motifIndex, int rhythmIndex, int contourIndex)
{
    const int *motif = MOTIFS[motifIndex];
    const int *rhythm = RHYTHMS[rhythmIndex];
    Melody m{score.key, score.key + 36, score.key + 24, score.key + 36};
    for (int b = 0; b < SCORE_BARS; ++b) {
        ScoreBar &bar = score.bars[b];
        const int phrase = bar.phrase, j = b % 8;
        const int contour = CONTOURS[contourIndex][(b / 2) % 4];
        int answers[3], answerCount = 0;
        if (bar.cadence) {
            bool half = phrase == 0 || phrase == 2;
            PlaceLead(m, bar, 0, half ? 4 : 2, 3);
            PlaceLead(m, bar, 6, half ? 6 : 1, 2);
            PlaceLead(m, bar, 10, 4, 4, !half);
            answers[answerCount++] = 0;   // always yields to the lead note on the downbeat
            answers[answerCount++] = 8;
        } else if (j % 2 == 1) {
            // The reply bar: three notes stepping down.
            int t = phrase == 2 ? 4 - contour - motif[3] : contour + motif[3];
            PlaceLead(m, bar, 2, t, 2);
            PlaceLead(m, bar, 6, t - 1, 2);
            PlaceLead(m, bar, 10, t - 2, 3);
            answers[answerCount++] = 0;
            answers[answerCount++] = 8;
            answers[answerCount++] = 14;
        } else {
            // The call bar: the motif on the rhythm; phrase 2 mirrors it, phrase 1 varies it.
            for (int k = 0; k < 4; ++k) {
                int step = rhythm[k];
                int degree = phrase == 2 ? 4 - contour - motif[k] : contour + motif[k];
                if (phrase == 1 && j > 0) {
                    degree += j == 2 ? 1 : -1;
                    if (k == 2) step = 7;
                }
                PlaceLead(m, bar, step, degree, k == 3 ? 3 : 2);
            }
            if (phrase == 2 && j >= 4) answers[answerCount++] = 4;
            if (phrase == 2 && j < 4) PlaceLead(m, bar, 14, 2 - contour, 1);
            answers[answerCount++] = 12;
        }
        int barEnd = m.previousLead;
        int against = barEnd > m.previousBarEnd ? 2 : (barEnd < m.previousBarEnd ? -2 : 0);
        for (int a = 0; a < answerCount; ++a) PlaceAnswer(m, bar, answers[a], against);
        m.previousBarEnd = barEnd;
    }
}

// [SECTION] Arpeggio and bass

static void ComposeAccompaniment(Score &score, int pattern, int alternate)
{
    int previous = score.key + 31;
    for (int b = 0; b < SCORE_BARS; ++b) {
        ScoreBar &bar = score.bars[b];
        const int fifth = bar.root + bar.intervals[2];
        bar.bass[0] = bar.bass[8] = bar.root;
        if (!bar.cadence) {
            bar.bass[alternate ? 5 : 6] = fifth;
            bar.bass[11] = bar.root + 12;
            if (b % 2 == 1) bar.bass[14] = fifth;
        }
        for (int step = 1; step < SCORE_STEPS; step += 2) {
            if (step == 7 || step == 15 || (bar.cadence && (step == 11 || step == 13))) continue;
            int k = step / 2;
            int tone = ARPEGGIOS[pattern][bar.phrase == 2 ? 7 - k : k];
            int pc = Mod(bar.root + bar.intervals[tone], 12);
            int best = -1;
            for (int n = SCORE_ARPEGGIO_LOW; n <= SCORE_ARPEGGIO_HIGH; ++n)
                if (Mod(n, 12) == pc && (best < 0 || std::abs(n - previous) < std::abs(best - previous))) best = n;
            bar.arpeggio[step] = best;
            previous = best;
        }
    }
}

// [SECTION] Compose

bool ScoreCompose(Score &score, uint32_t seed)
{
    uint32_t state = seed != 0 ? seed : SCORE_DEFAULT_SEED;
    Xorshift32(state);
    int32_t key = SCORE_KEYS[state % SCORE_KEY_COUNT];
    int routes[SCORE_PHRASES];
    for (int &route : routes) route = (int)(Xorshift32(state) % SCORE_ROUTES);
    score.seed = seed;
    ScoreHarmony(score, key, routes);
    bool voiced = ScoreVoicePads(score);

    uint32_t s1 = Xorshift32(state), s2 = Xorshift32(state), s3 = Xorshift32(state);
    ComposeMelody(score, (int)(s1 % 6), (int)(s2 % 3), (int)(s3 % 3));
    uint32_t s4 = Xorshift32(state), s5 = Xorshift32(state);
    ComposeAccompaniment(score, (int)(s4 % 4), (int)(s5 % 2));
    return voiced;
}
