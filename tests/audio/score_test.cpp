// The seeded score: determinism, every key and harmonic route voiced within the pad's rules, and
// the ranges, gates and intervals of every line over a thousand seeds.
#include "audio/score.h"
#include "dev/audio_score_checks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <set>
#include <string>

namespace {

TEST(ScoreCompose, SameSeedGivesByteIdenticalScores)
{
    auto a = std::make_unique<Score>(), b = std::make_unique<Score>();
    std::memset(b.get(), 0xAB, sizeof(Score));   // leftovers must not survive composing
    for (uint32_t seed : {0u, 1u, 7u, 1906723731u, 0xFFFFFFFFu}) {
        ScoreCompose(*a, seed);
        ScoreCompose(*b, seed);
        EXPECT_EQ(0, std::memcmp(a.get(), b.get(), sizeof(Score))) << seed;
        EXPECT_EQ(a->seed, seed);
    }
    // Seed 0 composes with the replacement state but keeps its own value.
    ScoreCompose(*a, 0u);
    ScoreCompose(*b, SCORE_DEFAULT_SEED);
    EXPECT_EQ(a->seed, 0u);
    EXPECT_EQ(0, std::memcmp(&a->key, &b->key, sizeof(Score) - offsetof(Score, key)));
}

TEST(ScoreCompose, SeedOneIsInDMinorAndEveryScoreOpensOnTheRootPositionTriad)
{
    // xorshift32(1) = 270369, and 270369 mod 4 = 1: the second key.
    Score score{};
    ScoreCompose(score, 1u);
    EXPECT_EQ(score.key, 38);
    EXPECT_EQ(score.bars[0].root, 38);
    // Every key's opening triad (key + 12, + 15, + 19) is itself a candidate, so it is taken.
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        ScoreCompose(score, seed);
        EXPECT_EQ(score.bars[0].pad[0], score.key + 12);
        EXPECT_EQ(score.bars[0].pad[1], score.key + 15);
        EXPECT_EQ(score.bars[0].pad[2], score.key + 19);
    }
}

TEST(ScoreVoicePads, EveryKeyAndRouteHasAClosedVoicing)
{
    Score score{};
    int combinations = 0;
    char detail[256];
    for (int32_t key : SCORE_KEYS) {
        for (int r = 0; r < 81; ++r) {
            int routes[SCORE_PHRASES] = {r % 3, r / 3 % 3, r / 9 % 3, r / 27 % 3};
            ScoreHarmony(score, key, routes);
            ASSERT_TRUE(ScoreVoicePads(score)) << "key " << key << " routes " << r;
            ASSERT_TRUE(DevAudioScorePadsValid(score, detail, sizeof detail)) << "key " << key << " routes " << r << ": " << detail;
            ++combinations;
        }
    }
    EXPECT_EQ(combinations, 324);
}

TEST(ScoreCompose, ThousandSeedsKeepEveryRule)
{
    auto score = std::make_unique<Score>();
    std::set<int> keys;
    std::set<std::string> leads;
    int answers = 0;
    char detail[256];
    for (uint32_t seed = 0; seed < 1000; ++seed) {
        ASSERT_TRUE(ScoreCompose(*score, seed * 2654435761u)) << seed;
        ASSERT_TRUE(DevAudioScoreValid(*score, detail, sizeof detail)) << seed << ": " << detail;
        keys.insert(score->key);
        std::string lead;
        for (const ScoreBar &bar : score->bars)
            for (int s = 0; s < SCORE_STEPS; ++s) {
                lead += (char)(bar.lead[s] + 1);
                answers += bar.answer[s] != SCORE_REST;
            }
        leads.insert(lead);
    }
    EXPECT_EQ(keys.size(), 4u);
    EXPECT_GT(leads.size(), 400u) << "seeds should give many different melodies";
    EXPECT_GT(answers, 1000 * 32) << "the answer line should mostly find its notes";
}

// The rule checker itself must catch what it is there for.
TEST(ScoreCompose, RuleCheckerCatchesBrokenScores)
{
    Score good{};
    ScoreCompose(good, 77u);
    char detail[256];
    ASSERT_TRUE(DevAudioScoreValid(good, detail, sizeof detail)) << detail;
    struct Break { const char *what; void (*apply)(Score &); } breaks[] = {
        {"pad voice leaps from bar 31 to bar 0", [](Score &s) { s.bars[31].pad[0] = s.bars[0].pad[0] + 12; }},
        {"lead above its range", [](Score &s) {
             for (int st = 0; st < SCORE_STEPS; ++st)
                 if (s.bars[3].lead[st] != SCORE_REST) { s.bars[3].lead[st] = 90; break; }
         }},
        {"lead gate past the bar", [](Score &s) { s.bars[5].lead[14] = 72; s.bars[5].leadGate[14] = 4; }},
        {"answer where the lead starts", [](Score &s) { s.bars[0].answer[0] = 60; s.bars[0].answerGate[0] = 2; }},
        {"arpeggio on a skipped step", [](Score &s) { s.bars[2].arpeggio[7] = s.bars[2].arpeggio[5]; }},
        {"cadence flag moved", [](Score &s) { s.bars[6].cadence = 1; }},
    };
    for (const Break &b : breaks) {
        Score broken = good;
        b.apply(broken);
        EXPECT_FALSE(DevAudioScoreValid(broken, detail, sizeof detail)) << b.what;
    }
}

TEST(ScoreBarAt, WrapsEveryIndex)
{
    Score score{};
    ScoreCompose(score, 5u);
    EXPECT_EQ(&ScoreBarAt(score, 0), &score.bars[0]);
    EXPECT_EQ(&ScoreBarAt(score, 33), &score.bars[1]);
    EXPECT_EQ(&ScoreBarAt(score, -1), &score.bars[31]);
    EXPECT_EQ(&ScoreBarAt(score, 255), &score.bars[31]);
    EXPECT_EQ(&ScoreBarAt(score, INT64_MIN), &score.bars[0]);
}

}  // namespace
