#include "dev/dev_run.h"

#include "common/maths.h"

void DevScriptInput(const DevScript &script, int frame, float frameTime, Vector2 viewOrigin, FrameInput &input)
{
    input = {};
    input.frameTime = frameTime;
    input.focused = true;
    for (int i = 0; i < script.count; i++) {
        const DevEvent &e = script.events[i];
        bool within = frame >= e.frame && frame < e.frame + (e.frames > 0 ? e.frames : 1);
        Vector2 point = {e.point.x + viewOrigin.x, e.point.y + viewOrigin.y};
        switch (e.kind) {
        case DEV_EVENT_PRESS:
            if (e.key < 0 || e.key >= INPUT_KEY_LIMIT) break;
            if (frame == e.frame) input.keyPressed[e.key] = true;
            if (within) input.keyDown[e.key] = true;
            break;
        case DEV_EVENT_UNFOCUS:
            if (within) input.focused = false;
            break;
        case DEV_EVENT_WHEEL:
            if (frame == e.frame) input.wheel += e.value;
            break;
        case DEV_EVENT_PAD_PRESS:
            if (e.key <= 0 || e.key >= INPUT_PAD_BUTTONS) break;
            input.padAvailable[0] = true;
            if (frame == e.frame) input.padPressed[0][e.key] = true;
            if (within) input.padDown[0][e.key] = true;
            break;
        case DEV_EVENT_CHAR:
            if (frame == e.frame && input.charCount < INPUT_CHAR_CAPACITY) input.chars[input.charCount++] = e.key;
            break;
        case DEV_EVENT_MOUSE:
            if (frame >= e.frame) input.mouse = point;
            break;
        case DEV_EVENT_CLICK:
            if (frame >= e.frame) input.mouse = point;
            if (frame == e.frame) input.mousePressed[0] = true;
            if (within) input.mouseDown[0] = true;
            break;
        }
    }
}

void DevHeadlessReset(DevHeadless &run, Field &field, uint32_t seed)
{
    run = {};
    FieldControlsReset(run.controls);
    run.consistent = true;
    run.firstInconsistent = -1;
    FieldReset(field, seed);
}

FieldStepResult DevHeadlessFrame(DevHeadless &run, Field &field, const DevScript &script, float dt)
{
    DevScriptInput(script, run.frame, dt, {0.0f, 0.0f}, run.input);
    FieldControlsObserve(run.controls, run.input);
    FieldStepInput step{};
    step.input = &run.input;
    step.letterbox = {0.0f, 0.0f, 1280.0f, 720.0f};
    step.newRunSeed = FIELD_DEVELOPER_SEED;
    FieldStepResult result = FieldStep(field, run.controls, step);
    if (run.consistent && !FrameConsistent(field)) {
        run.consistent = false;
        run.firstInconsistent = run.frame;
    }
    run.frame++;
    return result;
}
