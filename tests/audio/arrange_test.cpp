// The arrangement by music context: what each context allocates (from offline renders), the voice
// budget of every context and boss combination over the whole loop, the boss identities and their
// shares, the finale's own bar count, the comic theme, the erase dialog's bed, and the context glide
// at several publication rates.
#include "audio/arrange.h"
#include "audio/synth.h"
#include "common/maths.h"
#include "offline_engine.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr uint32_t SEED = 1906723731u;

// Timbres that only the battle and the bosses use: guitars, bass guitar, snare, bells and tom,
// horn, strings, choir, the boss bell and the rock kick.
constexpr int ROCK_AND_BOSS[] = {13, 14, 15, 16, 17, 18, 19, 20, 21, 22};

// The mood the observer would publish, already settled.
struct Mood {
    float danger = 0.0f, crowd = 0.0f;
    std::array<float, 3> boss{0.0f, 0.0f, 0.0f};
    float finale = 0.0f;
    int from = -1;          // a second context still fading out, or -1
    float fromWeight = 0.0f;
};

// Puts the synthesiser where gliding would have taken it: the context weights, the smoothed mood
// values, the blended table and its tempo; the published state matches, so nothing moves after.
void Settle(Synth &s, int context, const Mood &m)
{
    AudioState p = AudibleState(context);
    p.danger = m.danger;
    p.crowd = m.crowd;
    for (int b = 0; b < 3; ++b) p.bossPresence[b] = m.boss[b];
    p.finale = m.finale;
    s.published = AudioStateSanitise(p);
    for (float &w : s.contextWeight) w = 0.0f;
    s.contextWeight[context] = 1.0f - m.fromWeight;
    if (m.from >= 0) s.contextWeight[m.from] += m.fromWeight;
    s.danger = m.danger;
    s.crowd = m.crowd;
    for (int b = 0; b < 3; ++b) s.boss[b] = m.boss[b];
    s.bossLayer = ClampSafe(4.0f * (m.boss[0] + m.boss[1] + m.boss[2]), 0.0f, 1.0f);
    s.finale = m.finale;
    ArrangeBlendContexts(s.contextWeight, s.danger, s.contextBlend);
    // The tempo the control tick glides to: fights and crowds push it, the finale pulls it to 106.
    float bosses = m.boss[0] + m.boss[1] + m.boss[2];
    float play = s.contextWeight[AUDIO_CONTEXT_PLAY];
    s.tempo = ((bosses < 1.0f ? bosses : 1.0f) * 6.0f + m.danger * 28.0f + m.crowd * 8.0f) * play + s.contextBlend[ARRANGE_TEMPO];
    s.tempo += (106.0f - s.tempo) * m.finale;
    s.musicMaster = s.effectsMaster = 1.0f;
}

struct Started {
    uint64_t counter;   // step counter when the note started
    int timbre;
    int midi;           // nearest MIDI note of the frequency
    float gain;
    uint8_t layer;
    int32_t length;     // samples
};

int Midi(float hz) { return (int)std::lround(69.0 + 12.0 * std::log2((double)hz / 440.0)); }

// The synthesiser stepped by the arrangement alone, voices aged by the samples of each step exactly
// as the renderer frees them, without rendering a sample.
struct Arranger {
    Synth *s = SynthCreate(SEED);
    ~Arranger() { SynthRelease(s); }
    double accumulator = 0.0;
    int mostActive = 0;

    // Steps the arrangement `steps` times from counter `from`; `onStep` sees the pool once each
    // step's notes have started. Without `age` every step starts from an empty pool.
    std::vector<Started> Run(uint64_t from, int steps, bool age = true, const std::function<void(const Synth &)> &onStep = {})
    {
        std::vector<Started> started;
        for (int i = 0; i < steps; ++i) {
            if (!age)
                for (SynthVoice &v : s->music) v.active = false;
            s->step = from + (uint64_t)i;
            ArrangeStep(*s);
            int active = 0;
            for (const SynthVoice &v : s->music) {
                if (!v.active) continue;
                ++active;
                if (v.elapsed == 0)
                    started.push_back({from + (uint64_t)i, v.timbre, Midi(v.frequency), v.gain, v.layer, v.length});
            }
            mostActive = active > mostActive ? active : mostActive;
            if (onStep) onStep(*s);
            double before = accumulator;
            accumulator += AUDIO_SAMPLE_RATE * 15.0 / (double)s->tempo;
            int32_t samples = (int32_t)(std::floor(accumulator) - std::floor(before));
            for (SynthVoice &v : s->music) {
                if (!v.active) continue;
                v.elapsed += samples;
                if (v.elapsed >= v.length) v.active = false;
            }
        }
        return started;
    }
};

std::string Name(int context, const Mood &m)
{
    char text[160];
    std::snprintf(text, sizeof text, "context %d from %d (%.2f) danger %.1f crowd %.1f bosses %.2f %.2f %.2f finale %.1f", context,
                  m.from, (double)m.fromWeight, (double)m.danger, (double)m.crowd, (double)m.boss[0], (double)m.boss[1],
                  (double)m.boss[2], (double)m.finale);
    return text;
}

// [SECTION] What each context allocates

// One bar and a little from the cadence bar 7 (fills, organ, phrase-end bells), rendered offline;
// returns the number of music notes started per timbre.
std::array<uint32_t, SYNTH_TIMBRES> RenderHistogram(int context, const Mood &m, uint32_t &dropped)
{
    OfflineEngine o(SEED);
    Settle(o.synth(), context, m);
    AudioEnginePostState(o.e(), o.synth().published);
    o.synth().step = 7 * SCORE_STEPS;
    uint32_t frames = (uint32_t)(AUDIO_SAMPLE_RATE * 17.0 * 15.0 / o.synth().tempo);   // 17 steps
    std::vector<float> out = o.Render(frames, 512);
    EXPECT_TRUE(AllFiniteWithin(out));
    dropped = o.synth().stats.voicesDropped;
    std::array<uint32_t, SYNTH_TIMBRES> histogram;
    std::memcpy(histogram.data(), o.synth().stats.perTimbre, sizeof o.synth().stats.perTimbre);
    return histogram;
}

TEST(ArrangeContexts, TimbreHistogramOfEveryContext)
{
    Mood stale;   // bosses, danger and crowd left over from a fight
    stale.danger = 1.0f;
    stale.crowd = 1.0f;
    stale.boss = {1.0f, 1.0f, 1.0f};
    for (int context = 1; context < AUDIO_CONTEXT_COUNT; ++context) {
        uint32_t dropped = 0;
        auto h = RenderHistogram(context, stale, dropped);
        uint32_t notes = 0;
        for (uint32_t n : h) notes += n;
        EXPECT_GT(notes, 10u) << "context " << context << " should play";
        for (int t : ROCK_AND_BOSS) EXPECT_EQ(h[t], 0u) << "context " << context << " timbre " << t;
        EXPECT_EQ(dropped, 0u) << "context " << context;
    }

    uint32_t dropped = 0;
    Mood battle;
    battle.danger = 0.4f;
    auto rock = RenderHistogram(AUDIO_CONTEXT_PLAY, battle, dropped);
    EXPECT_GT(rock[13], 0u) << "power-chord riff";
    EXPECT_GT(rock[15], 0u) << "bass guitar";
    EXPECT_GT(rock[16], 0u) << "snare backbeat";
    EXPECT_GT(rock[14], 0u) << "lead guitar";
    for (int t : {18, 19, 20, 21, 22}) EXPECT_EQ(rock[t], 0u) << "no boss voice without a boss, timbre " << t;
    EXPECT_EQ(dropped, 0u);

    auto bosses = RenderHistogram(AUDIO_CONTEXT_PLAY, stale, dropped);
    for (int t : {18, 19, 20, 21, 22}) EXPECT_GT(bosses[t], 0u) << "boss layer timbre " << t;
    EXPECT_EQ(bosses[14], 0u) << "the lead guitar gives way to the boss layer";
    EXPECT_EQ(bosses[16], 0u) << "so does the backbeat";
    EXPECT_EQ(dropped, 0u);

    Mood launch;
    launch.finale = 1.0f;
    launch.boss = {0.0f, 0.0f, 1.0f};
    auto finale = RenderHistogram(AUDIO_CONTEXT_PLAY, launch, dropped);
    EXPECT_GT(finale[18], 0u);
    for (int t : {13, 14, 15, 16, 22}) EXPECT_EQ(finale[t], 0u) << "the finale replaces rock and boss parts, timbre " << t;
    EXPECT_EQ(dropped, 0u);
}

// [SECTION] Voice budget

TEST(ArrangeVoices, NoContextOrBossCombinationRunsOutOfMusicVoices)
{
    std::vector<std::pair<int, Mood>> cases;
    const std::array<float, 3> bossSets[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 1, 1}, {0.2f, 0.05f, 0.6f}};
    for (int context = 0; context < AUDIO_CONTEXT_COUNT; ++context)
        for (const auto &bosses : bossSets)
            for (float danger : {0.0f, 1.0f}) {
                Mood m;
                m.danger = danger;
                m.crowd = danger;
                m.boss = bosses;
                cases.push_back({context, m});
            }
    // Crossfades: the pause and the menus arriving over a fight, the comic after the menu, the
    // finale rising under bosses.
    for (int context = 1; context < AUDIO_CONTEXT_COUNT; ++context)
        for (float x : {0.3f, 0.5f, 0.7f}) {
            Mood m;
            m.danger = m.crowd = 1.0f;
            m.boss = {1.0f, 1.0f, 1.0f};
            m.from = AUDIO_CONTEXT_PLAY;
            m.fromWeight = x;
            cases.push_back({context, m});
        }
    for (float finale : {0.3f, 0.6f, 0.98f, 1.0f}) {
        Mood m;
        m.danger = m.crowd = 1.0f;
        m.boss = {1.0f, 1.0f, 1.0f};
        m.finale = finale;
        cases.push_back({AUDIO_CONTEXT_PLAY, m});
    }

    int most = 0;
    std::string densest;
    for (const auto &c : cases) {
        Arranger a;
        Settle(*a.s, c.first, c.second);
        std::vector<Started> started = a.Run(0, SCORE_BARS * SCORE_STEPS + 1);
        ASSERT_EQ(a.s->stats.voicesDropped, 0u) << Name(c.first, c.second) << ", most active " << a.mostActive;
        if (a.mostActive > most) {
            most = a.mostActive;
            densest = Name(c.first, c.second);
        }
        // Every note is audible through its layer, and cut at the end of its bar.
        const float play = a.s->contextWeight[AUDIO_CONTEXT_PLAY];
        const float comic = a.s->contextWeight[AUDIO_CONTEXT_COMIC], finale = a.s->finale * play;
        const double stepSamples = AUDIO_SAMPLE_RATE * 15.0 / (double)a.s->tempo;
        for (const Started &n : started) {
            float weight = n.layer & SYNTH_LAYER_COMIC ? 0.85f * comic
                           : (1.0f - comic) * (n.layer & SYNTH_LAYER_FINALE ? finale : 1.0f - finale);
            ASSERT_TRUE(std::isfinite(n.gain) && n.gain * weight >= ARRANGE_MIN_GAIN) << Name(c.first, c.second);
            double rest = (double)(SCORE_STEPS - (int)(n.counter % SCORE_STEPS)) * stepSamples;
            ASSERT_LE(n.length, rest + 1.0) << Name(c.first, c.second) << " timbre " << n.timbre;
        }
    }
    std::printf("most music voices at once over %zu cases: %d of %d (%s)\n", cases.size(), most, SYNTH_MUSIC_VOICES, densest.c_str());
}

// [SECTION] Boss identities

// The notes one bar of the boss layer starts, fresh pool at every step, as (step, timbre, note).
std::set<std::tuple<int, int, int>> BossBar(const std::array<float, 3> &bosses, float layer = -1.0f)
{
    Arranger a;
    Mood m;
    m.boss = bosses;
    Settle(*a.s, AUDIO_CONTEXT_PLAY, m);
    if (layer >= 0.0f) a.s->bossLayer = layer;
    std::set<std::tuple<int, int, int>> notes;
    for (const Started &n : a.Run(2 * SCORE_STEPS, SCORE_STEPS, false)) {
        EXPECT_TRUE(std::isfinite(n.gain) && n.gain >= ARRANGE_MIN_GAIN);
        notes.insert({(int)(n.counter % SCORE_STEPS), n.timbre, n.midi});
    }
    return notes;
}

std::set<std::tuple<int, int, int>> Minus(const std::set<std::tuple<int, int, int>> &a, const std::set<std::tuple<int, int, int>> &b)
{
    std::set<std::tuple<int, int, int>> out;
    for (const auto &x : a)
        if (!b.count(x)) out.insert(x);
    return out;
}

TEST(ArrangeBoss, BossLayerWithoutPresencesPlaysNoIdentityAndNoNaN)
{
    // The smoothed boss layer outlives the presences it came from; the identities must not divide
    // by their zero sum then.
    // Presences at zero, and presences just under the motif threshold (whole shares of a full
    // layer, loud enough to sound if they were let through).
    for (float presence : {0.0f, 0.009f}) {
        auto layerOnly = BossBar({presence, presence, presence}, 1.0f);
        EXPECT_FALSE(layerOnly.empty()) << "the anthem, choir and ostinato still play";
        for (const auto &[step, timbre, note] : layerOnly) {
            EXPECT_FALSE(timbre == 19 && step % 2 == 1) << "boss 1 strings on step " << step << ", presence " << presence;
            EXPECT_FALSE(timbre == 18 && (step == 2 || step == 10)) << "boss 2 horn call on step " << step << ", presence " << presence;
            EXPECT_FALSE(timbre == 20 && step == 8) << "boss 3 choir on step 8, presence " << presence;
        }
    }
}

TEST(ArrangeBoss, EachBossHasItsOwnMotifAndADefeatedOneFades)
{
    auto base = BossBar({0.0f, 0.0f, 0.0f}, 1.0f);
    std::set<std::tuple<int, int, int>> motifs[3];
    for (int b = 0; b < 3; ++b) {
        std::array<float, 3> alone{0.0f, 0.0f, 0.0f};
        alone[b] = 1.0f;
        motifs[b] = Minus(BossBar(alone), base);
        EXPECT_FALSE(motifs[b].empty()) << "boss " << b + 1;
    }
    EXPECT_NE(motifs[0], motifs[1]);
    EXPECT_NE(motifs[1], motifs[2]);
    EXPECT_NE(motifs[0], motifs[2]);

    auto both = Minus(BossBar({1.0f, 1.0f, 0.0f}), base);
    for (int b : {0, 1})
        for (const auto &n : motifs[b]) EXPECT_TRUE(both.count(n)) << "boss " << b + 1 << " keeps its motif beside its partner";

    // Boss 1 defeated: its presence fades under the motif threshold while boss 2 stays.
    auto fading = Minus(BossBar({0.008f, 1.0f, 0.0f}), base);
    for (const auto &n : motifs[0]) EXPECT_FALSE(fading.count(n) && !motifs[1].count(n)) << "the defeated boss's motif";
    for (const auto &n : motifs[1]) EXPECT_TRUE(fading.count(n)) << "the partner's motif";
}

TEST(ArrangeBoss, IdentityGainFollowsTheBossShare)
{
    // Boss 2's horn call on step 2 is its own; with a partner of equal presence it has half the share.
    auto hornGain = [](const std::array<float, 3> &bosses) {
        Arranger a;
        Mood m;
        m.boss = bosses;
        Settle(*a.s, AUDIO_CONTEXT_PLAY, m);
        for (const Started &n : a.Run(2 * SCORE_STEPS + 2, 1, false))
            if (n.timbre == 18) return n.gain;
        return 0.0f;
    };
    float alone = hornGain({0.0f, 1.0f, 0.0f}), shared = hornGain({1.0f, 1.0f, 0.0f});
    ASSERT_GT(alone, 0.0f);
    // Humanisation scales each gain by 0.94 +- 0.06, and S = 1.1 with the boss layer full.
    EXPECT_GE(alone, 0.083f * 1.1f * 0.88f);
    EXPECT_LE(alone, 0.083f * 1.1f);
    EXPECT_GE(shared / alone, 0.5f * 0.88f);
    EXPECT_LE(shared / alone, 0.5f / 0.88f);
}

// [SECTION] Finale

std::set<int> HornSteps(const std::vector<Started> &notes, uint64_t bar)
{
    std::set<int> steps;
    for (const Started &n : notes)
        if (n.timbre == 18 && n.counter / SCORE_STEPS == bar) steps.insert((int)(n.counter % SCORE_STEPS));
    return steps;
}

TEST(ArrangeFinale, BarsCountFromTheBarTheLaunchBegan)
{
    Arranger a;
    Mood launch;
    launch.finale = 1.0f;
    Settle(*a.s, AUDIO_CONTEXT_PLAY, launch);
    // The launch begins at step 5 of bar 13: that bar is the finale's first.
    std::vector<Started> notes = a.Run(13 * SCORE_STEPS + 5, 10 * SCORE_STEPS, false);
    EXPECT_EQ(a.s->finaleStartBar, 13u);
    EXPECT_EQ(HornSteps(notes, 13), (std::set<int>{8, 12}));
    EXPECT_EQ(HornSteps(notes, 14), (std::set<int>{0, 6, 8, 12}));
    EXPECT_EQ(HornSteps(notes, 15), (std::set<int>{0, 4, 8, 12}));
    EXPECT_EQ(HornSteps(notes, 16), (std::set<int>{0, 8, 12}));
    EXPECT_EQ(HornSteps(notes, 20), (std::set<int>{0, 8}));
    EXPECT_EQ(HornSteps(notes, 21), (std::set<int>{0, 3, 4, 8, 12}));
    for (const Started &n : notes) EXPECT_TRUE(n.layer & SYNTH_LAYER_FINALE) << "only the finale plays at full finale";
    // Bar 14 is the subdominant of the parallel major: its first horn is the third above key + 5.
    for (const Started &n : notes)
        if (n.timbre == 18 && n.counter == 14 * SCORE_STEPS) {
            EXPECT_EQ(n.midi, a.s->score.key + 5 + 24 + 4);
        }

    // Back to silence (a new run), then a second launch counts from its own bar.
    a.s->finale = 0.0f;
    a.Run(30 * SCORE_STEPS, 1, false);
    EXPECT_FALSE(a.s->finaleRunning);
    a.s->finale = 1.0f;
    notes = a.Run(40 * SCORE_STEPS, 2 * SCORE_STEPS, false);
    EXPECT_EQ(HornSteps(notes, 40), (std::set<int>{0, 3, 4, 8, 12}));
    EXPECT_EQ(HornSteps(notes, 41), (std::set<int>{0, 6, 8, 12}));
    EXPECT_EQ(ArrangeFinaleBar(*a.s, 47), 7);
    EXPECT_EQ(ArrangeFinaleBar(*a.s, 48), 0);
}

// [SECTION] Comic and dialogs

TEST(ArrangeComic, OwnMaterialWithAChordUnderEveryStep)
{
    Arranger comic;
    Settle(*comic.s, AUDIO_CONTEXT_COMIC, Mood{});
    std::set<int> timbres;
    int steps = 0;
    std::vector<int> comicMelody, menuMelody;
    auto chordSounds = [&](const Synth &s) {
        bool chord = false;
        for (const SynthVoice &v : s.music) chord = chord || (v.active && v.timbre == 23);
        steps += chord;
    };
    for (const Started &n : comic.Run(6 * SCORE_STEPS, 8 * SCORE_STEPS, true, chordSounds)) {
        EXPECT_TRUE(n.layer & SYNTH_LAYER_COMIC);
        timbres.insert(n.timbre);
        if (n.timbre == 10) comicMelody.push_back(n.midi);
    }
    EXPECT_EQ(steps, 8 * SCORE_STEPS) << "a comic chord sounds under every step, over the phrase's end too";
    EXPECT_EQ(timbres, (std::set<int>{0, 2, 4, 10, 11, 12, 23}));

    Arranger menu;
    Settle(*menu.s, AUDIO_CONTEXT_MAIN_MENU, Mood{});
    for (const Started &n : menu.Run(6 * SCORE_STEPS, 8 * SCORE_STEPS))
        if (n.timbre == 10) menuMelody.push_back(n.midi);
    EXPECT_FALSE(comicMelody.empty());
    EXPECT_NE(comicMelody, menuMelody) << "the comic is not a quieter main menu";
}

TEST(ArrangeMenu, EraseDialogKeepsABedWithoutAPulse)
{
    auto heartbeats = [](int context, int &notes) {
        Arranger a;
        Settle(*a.s, context, Mood{});
        int beats = 0;
        std::vector<Started> started = a.Run(0, 4 * SCORE_STEPS);
        for (const Started &n : started)
            beats += n.timbre == 2 && n.counter % 8 == 1;   // the bass line never starts on steps 1 or 9
        notes = (int)started.size();
        return beats;
    };
    int eraseNotes = 0, dialogNotes = 0;
    EXPECT_EQ(heartbeats(AUDIO_CONTEXT_ERASE_DIALOG, eraseNotes), 0);
    EXPECT_GT(eraseNotes, 10) << "the bed stays";
    EXPECT_GT(heartbeats(AUDIO_CONTEXT_MENU_DIALOG, dialogNotes), 0) << "the main-menu dialog keeps its heartbeat";
}

// [SECTION] Context glide

// Publishes the state once per game frame at `rate` Hz, switching from the main menu to play at
// 0.5 s; returns the play and main-menu weights 0.95 s and 2.85 s after the switch.
std::array<float, 4> Glide(int rate)
{
    OfflineEngine o(SEED);
    const uint32_t switchAt = AUDIO_SAMPLE_RATE / 2;
    const uint32_t checks[2] = {switchAt + 45600, switchAt + 3 * 45600};
    std::array<float, 4> seen{};
    std::vector<float> out(2 * 4096);
    uint32_t pos = 0;
    int seenCount = 0;
    for (int frame = 0; seenCount < 2; ++frame) {
        uint32_t start = (uint32_t)((uint64_t)frame * AUDIO_SAMPLE_RATE / (uint64_t)rate);
        uint32_t end = (uint32_t)((uint64_t)(frame + 1) * AUDIO_SAMPLE_RATE / (uint64_t)rate);
        AudioEnginePostState(o.e(), AudibleState(start >= switchAt ? AUDIO_CONTEXT_PLAY : AUDIO_CONTEXT_MAIN_MENU));
        while (pos < end && seenCount < 2) {
            uint32_t until = end < checks[seenCount] ? end : checks[seenCount];
            AudioEngineProcess(o.e(), out.data(), until - pos);
            pos = until;
            if (pos == checks[seenCount]) {
                seen[2 * seenCount] = o.synth().contextWeight[AUDIO_CONTEXT_PLAY];
                seen[2 * seenCount + 1] = o.synth().contextWeight[AUDIO_CONTEXT_MAIN_MENU];
                ++seenCount;
            }
        }
    }
    EXPECT_GT(o.synth().step, 0u);
    return seen;
}

TEST(ArrangeContexts, ContextGlideHasTheSameTimeConstantAt30And60And144Hz)
{
    std::array<float, 4> at60 = Glide(60);
    // One time constant: 1 - 1/e of the way; three: 1 - 1/e^3 (within a control tick).
    EXPECT_NEAR(at60[0], 1.0f - std::exp(-1.0f), 0.002f);
    EXPECT_NEAR(at60[1], std::exp(-1.0f), 0.002f);
    EXPECT_NEAR(at60[2], 1.0f - std::exp(-3.0f), 0.002f);
    EXPECT_NEAR(at60[3], std::exp(-3.0f), 0.002f);
    EXPECT_EQ(Glide(30), at60);
    EXPECT_EQ(Glide(144), at60);
}

// [SECTION] Note schedule

TEST(ArrangeNotes, SameSeedStartsTheSameNotesWhateverTheBlocks)
{
    auto hash = [](uint32_t seed, uint32_t block) {
        OfflineEngine o(seed);
        o.Render(3 * AUDIO_SAMPLE_RATE, block, [&](uint32_t frame) {
            AudioState s = AudibleState(frame < AUDIO_SAMPLE_RATE ? AUDIO_CONTEXT_MAIN_MENU : AUDIO_CONTEXT_PLAY);
            s.danger = 0.7f;
            s.bossPresence[0] = 1.0f;
            s.crowd = 0.5f;
            AudioEnginePostState(o.e(), s);
        });
        EXPECT_GT(o.synth().stats.notesStarted, 50u);
        return o.synth().stats.musicHash;
    };
    uint64_t first = hash(SEED, 512);
    EXPECT_EQ(hash(SEED, 512), first);
    EXPECT_EQ(hash(SEED, 4096), first);
    EXPECT_EQ(hash(SEED, 64), first);
    EXPECT_NE(hash(SEED + 1, 512), first);
}

}  // namespace
