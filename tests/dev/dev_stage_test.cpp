// The staged captures run headless through the game step: each keeps the promises it reports,
// so the windowed captures picture a game that does what they say.
#include "dev/dev_stage.h"
#include "dev/dev_stage_attack.h"
#include "dev/dev_stage_front.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct StageRun {
    Field field;
    DevStage stage;
    ~StageRun() { FieldRelease(field); }
};

std::unique_ptr<StageRun> RunStage(DevStageKind kind, float hz)
{
    auto run = std::make_unique<StageRun>();
    // The wounds press clay into the ground: the run holds a soil of its own.
    EXPECT_TRUE(SoilCreate(run->field.soil));
    DevStageRunHeadless(run->stage, run->field, kind, hz);
    return run;
}

class DevStageKeepsPromises : public testing::TestWithParam<DevStageKind> {};

TEST_P(DevStageKeepsPromises, AtSixtyHertz)
{
    auto run = RunStage(GetParam(), 60.0f);
    const DevStage &s = run->stage;
    EXPECT_GT(s.promises, 0);
    EXPECT_EQ(s.broken, 0) << s.report;
    if (getenv("DEV_STAGE_REPORTS")) printf("%s", s.report);
    EXPECT_FALSE(s.overflow);
    EXPECT_GT(s.shotCount, 0);
    // Every picture lies inside the run.
    for (int i = 0; i < s.shotCount; i++) EXPECT_LT(s.shots[i].frame, s.frameLimit) << s.shots[i].name;
}

INSTANTIATE_TEST_SUITE_P(Captures, DevStageKeepsPromises,
                         testing::Values(DEV_STAGE_MUD, DEV_STAGE_CROWD, DEV_STAGE_PURSUIT, DEV_STAGE_MERGE, DEV_STAGE_EVOLUTION,
                                         DEV_STAGE_WALKER, DEV_STAGE_ATTACK, DEV_STAGE_GOLEM, DEV_STAGE_GOLEM_TURNS,
                                         DEV_STAGE_BOSS_ATTACKS, DEV_STAGE_HEALTH, DEV_STAGE_CAMPAIGN, DEV_STAGE_MARKERS,
                                         DEV_STAGE_METEOR, DEV_STAGE_SPIKE, DEV_STAGE_SUPPORT, DEV_STAGE_SHOP,
                                         DEV_STAGE_AUDIO_UI),
                         [](const testing::TestParamInfo<DevStageKind> &info) {
                             std::string name = DevStageName(info.param) + 8;
                             for (char &c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

// The weapons' figures are times and distances of the game's own clock: the captures keep
// their promises at 30 and 144 Hz as well.
TEST(DevStage, WeaponCapturesHoldAtOtherRates)
{
    for (DevStageKind kind : {DEV_STAGE_METEOR, DEV_STAGE_SPIKE, DEV_STAGE_SUPPORT})
        for (float hz : {30.0f, 144.0f}) {
            auto run = RunStage(kind, hz);
            EXPECT_GT(run->stage.promises, 0);
            EXPECT_EQ(run->stage.broken, 0) << DevStageName(kind) << " at " << hz << " Hz\n" << run->stage.report;
        }
}

// The cue log of the pass through the screens, heard through the sound engine run offline: every
// logged cue that posts a sound is heard, and the render stays finite and within the limiter.
TEST(DevStage, InterfaceCuesAreHeardOffline)
{
    auto run = RunStage(DEV_STAGE_AUDIO_UI, 60.0f);
    DevStage &s = run->stage;
    ASSERT_GT(s.cueCount, 10);
    int before = s.broken;
    DevCueRender render;
    EXPECT_TRUE(DevStageFrontRenderCues(s, nullptr, render));
    EXPECT_EQ(s.broken, before) << s.report;
    EXPECT_EQ(render.frames, (uint32_t)(s.cues[s.cueCount - 1].frame + 36) * 800u);
    // Only the last event of a frame sounds: a log entry per frame with events, never more.
    for (int i = 1; i < s.cueCount; i++) EXPECT_GT(s.cues[i].frame, s.cues[i - 1].frame);
}

// The golem's arms at 30 and 144 Hz agree with 60 Hz, as the capture reports.
TEST(DevStage, GolemTurnsAgreeAcrossRates)
{
    auto base = RunStage(DEV_STAGE_GOLEM_TURNS, 60.0f);
    auto slow = RunStage(DEV_STAGE_GOLEM_TURNS, 30.0f);
    auto fast = RunStage(DEV_STAGE_GOLEM_TURNS, 144.0f);
    const DevStage *variants[2] = {&slow->stage, &fast->stage};
    int before = base->stage.broken;
    DevStageAttackGolemTurnsCompare(base->stage, variants, 2);
    EXPECT_EQ(base->stage.broken, before) << base->stage.report;
}

// A staged run is a function of its seed and script: the same pictures at the same frames and the
// same report, figure for figure.
TEST(DevStage, RunsReproduce)
{
    auto first = RunStage(DEV_STAGE_MUD, 60.0f);
    auto second = RunStage(DEV_STAGE_MUD, 60.0f);
    EXPECT_STREQ(first->stage.report, second->stage.report);
    ASSERT_EQ(first->stage.shotCount, second->stage.shotCount);
    for (int i = 0; i < first->stage.shotCount; i++) EXPECT_EQ(first->stage.shots[i].frame, second->stage.shots[i].frame);
}

// The report never overruns its buffer: a line that does not fit is dropped whole and the run
// is marked, and a picture asked for after its frame is taken at the next frame still to come.
TEST(DevStage, RecordsStayInsideTheirRoom)
{
    auto run = std::make_unique<StageRun>();
    DevStageBegin(run->stage, DEV_STAGE_NONE, 60.0f, run->field);
    DevStage &s = run->stage;
    for (int i = 0; i < 1000; i++) DevStageNote(s, "line %d with some words to fill the report", i);
    EXPECT_TRUE(s.overflow);
    EXPECT_LT(s.reportLength, DEV_STAGE_REPORT_CAPACITY);
    EXPECT_EQ(s.report[s.reportLength], 0);
    EXPECT_EQ(s.report[s.reportLength - 1], '\n');
    DevStagePromise(s, false, "a promise that no longer fits");
    EXPECT_EQ(s.broken, 1);

    DevStageObserve(s, run->field, 40);
    DevStageShot(s, 12, "late");
    EXPECT_EQ(s.shots[0].frame, 41);
}

TEST(DevStage, NamesRoundTrip)
{
    for (int k = 1; k < DEV_STAGE_KIND_COUNT; k++) {
        char name[64];
        snprintf(name, sizeof(name), "--%s", DevStageName((DevStageKind)k));
        EXPECT_EQ(DevStageKindFor(name), (DevStageKind)k) << name;
    }
    EXPECT_EQ(DevStageKindFor("--capture-nothing"), DEV_STAGE_NONE);
    EXPECT_EQ(DevStageKindFor("capture-mud"), DEV_STAGE_NONE);
    EXPECT_EQ(DevStageKindFor(nullptr), DEV_STAGE_NONE);
}

}  // namespace
