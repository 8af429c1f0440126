#include "app/field_step.h"
#include "tests/support/field_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// The screens over a run, driven by pure steps as the loop drives them.
struct FlowRig {
    std::unique_ptr<TestRun> run = TestRunStart(FIELD_DEVELOPER_SEED);
    MenuState menu{};
    Profile profile{};
    FieldFlow flow{};

    FlowRig()
    {
        ProfileDefaults(profile);
        profile.introSeen = true;
        MenuInit(menu);
        flow = {&menu, &profile, true, true, false};
    }

    // One iteration: the flow's choice, then a menu frame (and the dt-0 game frame that follows
    // when the menus close) or a game frame.
    void Iteration(bool escape, bool accept, const char *held = "")
    {
        FrameInput in{};
        in.frameTime = 1.0f / 60.0f;
        in.focused = true;
        in.keyPressed[KEY_ESCAPE] = escape;
        for (const char *c = held; *c; c++) in.keyDown[(int)*c] = true;
        FieldControlsObserve(run->controls, in);
        FieldFlowChoice choice = FieldFlowChoose(run->field, run->controls, flow, in, {0, 0, 1280, 720});
        FieldStepInput step{&in, false, {0, 0, 1280, 720}, 5, &profile};
        if (choice.menuFrame) {
            MenuInput m{};
            m.accept = accept;
            m.back = escape;
            m.windowWidth = 1280.0f;
            m.windowHeight = 720.0f;
            FieldMenuResult r = FieldMenuStep(run->field, menu, profile, flow.pausedThisFrame, flow.menuVisible, m,
                                              in.frameTime, 5);
            if (r.closed) {
                step.menuTransition = true;
                FieldFlowAfterStep(run->field, flow, FieldStep(run->field, run->controls, step));
            }
            return;
        }
        FieldFlowAfterStep(run->field, flow, FieldStep(run->field, run->controls, step));
    }
};

}  // namespace

// "Играть" starts a run; a pause of any length and the frame that closes it leave the run byte
// for byte as it was; the run then goes on.
TEST(FieldFlow, PlayPauseAndContinueLeaveTheRunAsItWas)
{
    FlowRig rig;
    rig.Iteration(false, true);
    EXPECT_FALSE(rig.flow.menuVisible);
    EXPECT_TRUE(rig.run->field.loop.runActive);
    for (int i = 0; i < 60; i++) rig.Iteration(false, false, "W");
    auto before = std::make_unique<Field>(rig.run->field);
    rig.Iteration(true, false, "W");
    EXPECT_TRUE(rig.flow.menuVisible);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_PAUSE);
    for (int i = 0; i < 30; i++) rig.Iteration(false, false, "W");
    rig.Iteration(false, true, "W");
    EXPECT_FALSE(rig.flow.menuVisible);
    EXPECT_EQ(memcmp(&rig.run->field, before.get(), sizeof(Field)), 0);
    rig.Iteration(false, false, "W");
    EXPECT_GT(rig.run->field.totalTime, before->totalTime);
}

// Two seconds dead brings the main menu back with the run ended.
TEST(FieldFlow, DeathShowsTheMainMenu)
{
    FlowRig rig;
    rig.Iteration(false, true);
    ASSERT_TRUE(HealthDamage(rig.run->field.health, 20));
    for (int i = 0; i < 121 && !rig.flow.menuVisible; i++) rig.Iteration(false, false);
    EXPECT_TRUE(rig.flow.menuVisible);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_MAIN);
    EXPECT_FALSE(rig.run->field.loop.runActive);
}
