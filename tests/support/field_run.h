// A run stepped through the real game step, with the six keys given as letters.
#pragma once

#include "app/field_step.h"

#include <cstring>
#include <memory>

struct TestRun {
    Field field;
    FieldControls controls;
    FrameInput input;
    ~TestRun() { FieldRelease(field); }
};

inline std::unique_ptr<TestRun> TestRunStart(uint32_t seed)
{
    auto run = std::make_unique<TestRun>();
    FieldControlsReset(run->controls);
    FieldReset(run->field, seed);
    return run;
}

// One game frame of `dt` seconds with `held` keys down and `pressed` keys going down ("WASDJK"
// letters; a pressed key not also held is a tap that went up within the frame), the window
// focused unless told otherwise.
inline FieldStepResult TestRunFrame(TestRun &run, const char *held, const char *pressed, float dt, bool focused = true)
{
    FrameInput &in = run.input;
    in = {};
    in.frameTime = dt;
    in.focused = focused;
    for (int k = 0; k < 6; k++) {
        int code = "WASDJK"[k];
        in.keyDown[code] = strchr(held, "WASDJK"[k]) != nullptr;
        in.keyPressed[code] = strchr(pressed, "WASDJK"[k]) != nullptr;
    }
    FieldControlsObserve(run.controls, in);
    FieldStepInput step{};
    step.input = &in;
    step.letterbox = {0.0f, 0.0f, 1280.0f, 720.0f};
    step.newRunSeed = FIELD_DEVELOPER_SEED;
    return FieldStep(run.field, run.controls, step);
}

inline void TestRunHold(TestRun &run, const char *held, float seconds, float hz)
{
    int frames = (int)(seconds * hz + 0.5f);
    for (int i = 0; i < frames; i++) TestRunFrame(run, held, "", 1.0f / hz);
}
