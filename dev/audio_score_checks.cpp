// Developer self-check of the seeded score.
//
// Index
//   [SECTION] Rules
//   [SECTION] Dump
//   [SECTION] --test-audio-score
#include "dev/audio_score_checks.h"

#include "audio/audio_engine.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// [SECTION] Rules

static int Pc(int note) { return ((note % 12) + 12) % 12; }

static bool TriadTone(const ScoreBar &bar, int note)
{
    int pc = Pc(note - bar.root);
    return pc == 0 || pc == Pc(bar.intervals[1]) || pc == Pc(bar.intervals[2]);
}

static bool ChordTone(const ScoreBar &bar, int note)
{
    for (int k = 0; k < 4; ++k)
        if (Pc(note - bar.root - bar.intervals[k]) == 0) return true;
    return false;
}

static bool Fail(char *detail, size_t size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(detail, size, format, args);
    va_end(args);
    return false;
}

bool DevAudioScorePadsValid(const Score &score, char *detail, size_t size)
{
    for (int b = 0; b < SCORE_BARS; ++b) {
        const ScoreBar &bar = score.bars[b];
        const ScoreBar &next = score.bars[(b + 1) % SCORE_BARS];
        const int32_t *p = bar.pad;
        for (int v = 0; v < 3; ++v) {
            if (p[v] < SCORE_PAD_LOW || p[v] > SCORE_PAD_HIGH) return Fail(detail, size, "bar %d pad out of range", b);
            if (!TriadTone(bar, p[v])) return Fail(detail, size, "bar %d pad voice not a chord tone", b);
            if (std::abs(next.pad[v] - p[v]) > SCORE_PAD_MOVE) return Fail(detail, size, "bar %d pad voice moves too far", b);
        }
        for (int v = 0; v < 2; ++v)
            if (p[v + 1] - p[v] < 3 || p[v + 1] - p[v] > 9) return Fail(detail, size, "bar %d pad spacing", b);
        if (Pc(p[0]) == Pc(p[1]) || Pc(p[1]) == Pc(p[2]) || Pc(p[0]) == Pc(p[2]))
            return Fail(detail, size, "bar %d pad doubles a pitch class", b);
    }
    return true;
}

static bool AnswerUnderLead(const ScoreBar &bar, int step)
{
    int answer = bar.answer[step];
    for (int l = 0; l < SCORE_STEPS; ++l) {
        if (bar.lead[l] == SCORE_REST || l >= step + bar.answerGate[step] || l + bar.leadGate[l] <= step) continue;
        int below = bar.lead[l] - answer;
        int pc = Pc(below);
        if (below < 7 || !(pc == 0 || pc == 3 || pc == 4 || pc == 7 || pc == 8 || pc == 9)) return false;
    }
    return true;
}

bool DevAudioScoreValid(const Score &score, char *detail, size_t size)
{
    if (!DevAudioScorePadsValid(score, detail, size)) return false;
    int previousLead = -1;
    for (int b = 0; b < SCORE_BARS; ++b) {
        const ScoreBar &bar = score.bars[b];
        if (bar.root < SCORE_ROOT_LOW || bar.root > SCORE_ROOT_HIGH) return Fail(detail, size, "bar %d root %d", b, bar.root);
        if (bar.phrase != b / 8 || bar.cadence != (b % 8 == 7)) return Fail(detail, size, "bar %d phrase or cadence", b);
        if (bar.bass[0] != bar.root || bar.bass[8] != bar.root) return Fail(detail, size, "bar %d bass downbeats", b);
        for (int s = 0; s < SCORE_STEPS; ++s) {
            int lead = bar.lead[s], gate = bar.leadGate[s];
            if ((lead == SCORE_REST) != (gate == 0)) return Fail(detail, size, "bar %d step %d lead gate without a note", b, s);
            if (lead != SCORE_REST) {
                if (lead < SCORE_LEAD_LOW || lead > SCORE_LEAD_HIGH) return Fail(detail, size, "bar %d step %d lead %d", b, s, lead);
                if (s + gate > SCORE_STEPS) return Fail(detail, size, "bar %d step %d lead gate past the bar", b, s);
                if (previousLead >= 0 && std::abs(lead - previousLead) > SCORE_LEAP)
                    return Fail(detail, size, "bar %d step %d lead leaps %d", b, s, lead - previousLead);
                if (!TriadTone(bar, lead) && s + gate > (s / 4 + 1) * 4)
                    return Fail(detail, size, "bar %d step %d passing tone held over the beat", b, s);
                previousLead = lead;
            }
            int answer = bar.answer[s], answerGate = bar.answerGate[s];
            if ((answer == SCORE_REST) != (answerGate == 0)) return Fail(detail, size, "bar %d step %d answer gate without a note", b, s);
            if (answer != SCORE_REST) {
                if (answer < SCORE_ANSWER_LOW || answer > SCORE_ANSWER_HIGH) return Fail(detail, size, "bar %d step %d answer %d", b, s, answer);
                if (lead != SCORE_REST) return Fail(detail, size, "bar %d step %d answer on a lead start", b, s);
                if (s + answerGate > SCORE_STEPS) return Fail(detail, size, "bar %d step %d answer gate past the bar", b, s);
                if (!TriadTone(bar, answer)) return Fail(detail, size, "bar %d step %d answer not a chord tone", b, s);
                if (!AnswerUnderLead(bar, s)) return Fail(detail, size, "bar %d step %d answer against the lead", b, s);
            }
            int arpeggio = bar.arpeggio[s];
            bool silent = s % 2 == 0 || s == 7 || s == 15 || (bar.cadence && (s == 11 || s == 13));
            if (silent != (arpeggio == SCORE_REST)) return Fail(detail, size, "bar %d step %d arpeggio on the wrong step", b, s);
            if (arpeggio != SCORE_REST &&
                (arpeggio < SCORE_ARPEGGIO_LOW || arpeggio > SCORE_ARPEGGIO_HIGH || !ChordTone(bar, arpeggio)))
                return Fail(detail, size, "bar %d step %d arpeggio %d", b, s, arpeggio);
            if (bar.bass[s] != SCORE_REST && !ChordTone(bar, bar.bass[s]))
                return Fail(detail, size, "bar %d step %d bass not a chord tone", b, s);
        }
    }
    // Phrases 0 and 2 close on the major dominant, 1 and 3 on the minor tonic.
    for (int b : {7, 23})
        if (Pc(score.bars[b].root - score.key) != 7 || score.bars[b].intervals[1] != 4) return Fail(detail, size, "bar %d half cadence", b);
    for (int b : {15, 31})
        if (Pc(score.bars[b].root - score.key) != 0 || score.bars[b].intervals[1] != 3) return Fail(detail, size, "bar %d full cadence", b);
    return true;
}

// [SECTION] Dump

static void PrintLine(const char *name, const int32_t *notes, const uint8_t *gates)
{
    std::printf("    %-8s", name);
    for (int s = 0; s < SCORE_STEPS; ++s) {
        if (notes[s] == SCORE_REST) std::printf("    . ");
        else if (gates) std::printf(" %2d/%-2d", notes[s], gates[s]);
        else std::printf("   %2d ", notes[s]);
    }
    std::printf("\n");
}

void DevAudioScoreDump(const Score &score)
{
    std::printf("score seed %u key %d\n", score.seed, score.key);
    for (int b = 0; b < SCORE_BARS; ++b) {
        const ScoreBar &bar = score.bars[b];
        std::printf("  bar %2d phrase %d%s root %d chord %d %d %d %d pad %d %d %d\n", b, bar.phrase,
                    bar.cadence ? " cadence" : "        ", bar.root, bar.intervals[0], bar.intervals[1], bar.intervals[2],
                    bar.intervals[3], bar.pad[0], bar.pad[1], bar.pad[2]);
        PrintLine("lead", bar.lead, bar.leadGate);
        PrintLine("answer", bar.answer, bar.answerGate);
        PrintLine("arpeggio", bar.arpeggio, nullptr);
        PrintLine("bass", bar.bass, nullptr);
    }
}

// [SECTION] --test-audio-score

namespace {

struct Checks {
    int passed = 0, failed = 0;
    void Check(bool ok, const char *name, const char *detail = "")
    {
        std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", name, detail[0] ? ": " : "", detail);
        (ok ? passed : failed)++;
    }
};

// The music notes the engine starts in `seconds` of play with danger and a boss, as a hash.
uint64_t PlayHash(uint32_t seed, float seconds, uint32_t block, uint32_t &notes)
{
    auto engine = std::make_unique<AudioEngine>();
    if (!AudioEngineCreate(*engine, seed)) return 0;
    AudioState s{};
    s.context = AUDIO_CONTEXT_PLAY;
    s.danger = 0.6f;
    s.bossPresence[1] = 1.0f;
    s.crowd = 0.4f;
    s.musicVolume = s.soundVolume = 1.0f;
    s.musicOn = s.soundOn = s.focused = 1;
    AudioEnginePostState(*engine, s);
    uint32_t frames = (uint32_t)(seconds * AUDIO_SAMPLE_RATE);
    float out[2 * 4096];
    for (uint32_t pos = 0; pos < frames; pos += block) AudioEngineProcess(*engine, out, frames - pos < block ? frames - pos : block);
    uint64_t hash = engine->synth->stats.musicHash;
    notes = engine->synth->stats.notesStarted;
    AudioEngineRelease(*engine);
    return hash;
}

}  // namespace

int DevTestAudioScore()
{
    Checks c;
    char detail[640] = "";
    auto score = std::make_unique<Score>();

    {
        int voiced = 0, valid = 0;
        char first[256] = "";
        for (int32_t key : SCORE_KEYS) {
            for (int r = 0; r < 81; ++r) {
                int routes[SCORE_PHRASES] = {r % 3, r / 3 % 3, r / 9 % 3, r / 27 % 3};
                ScoreHarmony(*score, key, routes);
                voiced += ScoreVoicePads(*score);
                char why[128];
                if (DevAudioScorePadsValid(*score, why, sizeof why)) valid++;
                else if (!first[0]) std::snprintf(first, sizeof first, "key %d routes %d: %s", key, r, why);
            }
        }
        std::snprintf(detail, sizeof detail, "%d of 324 voiced, %d within the rules%s%s", voiced, valid, first[0] ? "; " : "", first);
        c.Check(voiced == 324 && valid == 324, "every key and harmonic route has a closed pad voicing", detail);
    }

    {
        const uint32_t seeds = 10000;
        uint32_t bad = 0, unvoiced = 0, firstBad = 0;
        char why[192] = "";
        int keys[SCORE_KEY_COUNT] = {};
        for (uint32_t i = 0; i < seeds; ++i) {
            uint32_t seed = i * 2654435761u + 17u;
            unvoiced += !ScoreCompose(*score, seed);
            char one[192];
            if (!DevAudioScoreValid(*score, one, sizeof one)) {
                if (bad++ == 0) {
                    firstBad = seed;
                    std::snprintf(why, sizeof why, "%s", one);
                }
            }
            for (int k = 0; k < SCORE_KEY_COUNT; ++k) keys[k] += score->key == SCORE_KEYS[k];
        }
        std::snprintf(detail, sizeof detail, "%u seeds, %u broken, %u unvoiced, keys %d/%d/%d/%d%s%s", seeds, bad, unvoiced, keys[0],
                      keys[1], keys[2], keys[3], bad ? "; first " : "", bad ? why : "");
        (void)firstBad;
        c.Check(bad == 0 && unvoiced == 0, "every composed score keeps its ranges, gates and intervals", detail);
    }

    {
        auto again = std::make_unique<Score>();
        bool same = true;
        for (uint32_t seed : {0u, 1u, 99u, 1906723731u}) {
            ScoreCompose(*score, seed);
            std::memset(again.get(), 0x5A, sizeof(Score));
            ScoreCompose(*again, seed);
            same = same && std::memcmp(score.get(), again.get(), sizeof(Score)) == 0;
        }
        c.Check(same, "the same seed composes a byte-identical score");
    }

    {
        uint32_t n1 = 0, n2 = 0, n3 = 0;
        uint64_t a = PlayHash(1906723731u, 6.0f, 512, n1), b = PlayHash(1906723731u, 6.0f, 333, n2);
        uint64_t other = PlayHash(1906723732u, 6.0f, 512, n3);
        std::snprintf(detail, sizeof detail, "%u notes, hash %016llx, other seed %016llx", n1, (unsigned long long)a,
                      (unsigned long long)other);
        c.Check(n1 > 100 && a == b && n1 == n2 && a != other, "the same seed starts the same music notes, another seed others",
                detail);
    }

    ScoreCompose(*score, 1906723731u);
    DevAudioScoreDump(*score);
    std::printf("%d passed, %d failed\n", c.passed, c.failed);
    return c.failed == 0 ? 0 : 1;
}
