#include "campaign/population.h"
#include "tests/campaign/campaign_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Population, TableByLevelClockAndPhase)
{
    struct Case {
        int level, phase;
        double clock;
        PopulationRow row;
    };
    const Case cases[] = {
        {1, 0, 0.0, {5, 0, 0}},      {1, 0, 59.9, {5, 0, 0}},     {1, 0, 60.0, {15, 5, 2}},
        {1, 0, 89.99, {15, 5, 2}},   {1, 1, 90.0, {15, 5, 2}},    {2, 0, 12.0, {5, 10, 2}},
        {2, 0, 61.0, {10, 20, 4}},   {2, 1, 90.0, {10, 20, 4}},   {3, 0, 30.0, {0, 0, 0}},
        {3, 0, 59.99, {0, 0, 0}},    {3, 1, 60.0, {15, 15, 5}},   {4, 0, 0.5, {5, 5, 10}},
        {4, 0, 60.0, {10, 10, 20}},  {4, 1, 90.0, {10, 10, 20}},  {4, 2, 90.0, {0, 0, 0}},
        {1, 2, 0.0, {0, 0, 0}},      {1, 0, NAN, {5, 0, 0}},      {9, 0, 70.0, {10, 10, 20}},
    };
    for (const Case &k : cases) {
        PopulationRow r = PopulationRowFor(k.level, k.phase, k.clock);
        EXPECT_EQ(r.buns, k.row.buns) << k.level << " " << k.phase << " " << k.clock;
        EXPECT_EQ(r.walkers, k.row.walkers) << k.level << " " << k.phase << " " << k.clock;
        EXPECT_EQ(r.golems, k.row.golems) << k.level << " " << k.phase << " " << k.clock;
    }
}

TEST(Population, SecondMinuteStartsInTheFirstUpdatePastSixtySecondsAtEveryRate)
{
    for (float hz : {30.0f, 60.0f, 144.0f}) {
        auto run = camptest::Start();
        int frames = 0;
        while (run->pool.directorTarget[0] == 5) {
            camptest::StepCampaign(*run, 1.0f / hz);
            frames++;
        }
        EXPECT_EQ(frames, hz == 30.0f ? 1800 : (hz == 60.0f ? 3600 : 8640)) << hz;
        EXPECT_EQ(run->campaign.targetBuns, 15);
        EXPECT_EQ(run->pool.directorTarget[1], 5);
        EXPECT_EQ(run->pool.directorTarget[2], 2);
        // A reset brings the warm-up back.
        CampaignReset(run->campaign, run->pool);
        EXPECT_EQ(run->pool.directorTarget[0], 5);
        EXPECT_EQ(run->pool.directorTarget[1], 0);
        EXPECT_EQ(run->pool.director, 1);
        EXPECT_EQ(run->pool.limit, 0);
    }
}

TEST(Population, LevelOneWarmUpHasAtMostFiveBunsAndNothingElse)
{
    auto run = camptest::Start({10.0f, 0.0f, 5.0f});
    int most = 0;
    for (int f = 0; f < 60 * 59; f++) {
        // The player wanders, so buns keep hopping after it.
        run->player.x = 10.0f + 6.0f * std::sin((float)f / 400.0f);
        camptest::Step(*run, 1.0f / 60.0f);
        MudFormCounts c = MudPoolCountForms(run->pool);
        ASSERT_LE(c.counts[0], 5) << f;
        ASSERT_EQ(c.counts[1], 0) << f;
        ASSERT_EQ(c.counts[2], 0) << f;
        most = std::max(most, c.counts[0]);
    }
    // Buns that fuse free their slot for the director's next one: the forms are what stay capped.
    EXPECT_EQ(most, 5);
}

TEST(Population, LevelFourFillsToExactlyItsFullRowAndNeverBeyond)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 4);
    run->campaign.clock = 60.0;
    MudFormCounts c{};
    for (int f = 0; f < 60 * 29; f++) {
        camptest::Step(*run, 1.0f / 60.0f);
        c = MudPoolCountForms(run->pool);
        ASSERT_LE(c.counts[0], 10);
        ASSERT_LE(c.counts[1], 10);
        ASSERT_LE(c.counts[2], 20);
    }
    EXPECT_EQ(c.counts[0], 10);
    EXPECT_EQ(c.counts[1], 10);
    EXPECT_EQ(c.counts[2], 20);
    EXPECT_EQ(run->campaign.phase, CAMPAIGN_ORDINARY);
}

TEST(Population, LevelThreeOrdinaryPhaseBringsNoCreatures)
{
    auto run = camptest::Start();
    CampaignStartLevel(run->campaign, run->pool, 3);
    for (int f = 0; f < 60 * 30; f++) camptest::Step(*run, 1.0f / 60.0f);
    MudFormCounts c = MudPoolCountForms(run->pool);
    EXPECT_EQ(c.counts[0] + c.counts[1] + c.counts[2], 0);
    EXPECT_GT(CampaignLivingRollers(run->pool), 0);
}

TEST(Population, PausedFrameSpawnsNothing)
{
    auto run = camptest::Start();
    camptest::Step(*run, 1.0f / 60.0f);
    auto before = std::make_unique<camptest::CampRun>(*run);
    for (int f = 0; f < 100; f++) camptest::Step(*run, 0.0f);
    EXPECT_EQ(memcmp(&before->campaign, &run->campaign, sizeof(Campaign)), 0);
    EXPECT_EQ(memcmp(&before->pool, &run->pool, sizeof(MudPool)), 0);
}
