// Developer runs: the scripted input of a run, the headless runner that drives the game step
// with it, and the record a windowed developer mode keeps. Pure: no window, no GL.
#pragma once

#include "app/field_step.h"

#include <cstdint>

// One scripted input of a developer run.
enum DevEventKind : uint8_t {
    DEV_EVENT_PRESS,     // key goes down on `frame` and stays down for `frames`
    DEV_EVENT_UNFOCUS,   // the window has no focus for `frames` frames from `frame`
    DEV_EVENT_WHEEL,     // mouse wheel moves by `value` on `frame`
    DEV_EVENT_PAD_PRESS, // gamepad 0's button `key` goes down on `frame` for `frames`
    DEV_EVENT_CHAR,      // codepoint `key` is typed on `frame`
    DEV_EVENT_MOUSE,     // the mouse is at `point` (view pixels) from `frame` on
    DEV_EVENT_CLICK,     // the left button goes down at `point` (view pixels) on `frame`
};

struct DevEvent {
    int frame;
    DevEventKind kind;
    int key;
    int frames;
    float value;
    Vector2 point;
};

struct DevScript {
    const DevEvent *events;    // ordered by frame
    int count;
};

// Fills `input` for `frame` from the script alone: an empty, focused snapshot with `frameTime`,
// then the script's events. Mouse points are view pixels moved by `viewOrigin` (the letterbox's
// top-left corner in the window).
void DevScriptInput(const DevScript &script, int frame, float frameTime, Vector2 viewOrigin, FrameInput &input);

// A run driven without a window: the same start-of-iteration input handling and game step the
// loop performs, then the per-frame consistency check.
struct DevHeadless {
    FieldControls controls;
    FrameInput input;
    int frame;                 // frames stepped so far
    bool consistent;           // every consistency check has held
    int firstInconsistent;     // frame of the first failed check, -1 while consistent
};

// Starts a headless run: the field reset from `seed`, controls fresh.
void DevHeadlessReset(DevHeadless &run, Field &field, uint32_t seed);
// One frame of `dt` seconds with the script's input for the current frame.
FieldStepResult DevHeadlessFrame(DevHeadless &run, Field &field, const DevScript &script, float dt);
