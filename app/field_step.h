// The game step: one frame of a run's simulation on Field, from the frame's input snapshot, in the
// order the frame loop gives. No window or GL: the loop, the headless runner, tests, benchmarks
// and replays all call it, so nothing else re-implements the frame's order. Drawing reads the
// state it leaves.
#pragma once

#include "app/field.h"
#include "app/frame_rules.h"
#include "app/input.h"
#include "player/dev_panel.h"

// Input-side state that outlives runs: gamepad tracking, the cheat code, the developer panel.
struct FieldControls {
    InputDevices devices;
    CheatState cheat;
    DevPanel devPanel;
};

// What the loop knows of this frame besides the input snapshot.
struct FieldStepInput {
    const FrameInput *input;   // this frame's snapshot; never null
    bool menuTransition;       // a menu opened or closed this frame: every time step is 0
    Rectangle letterbox;       // the view inside the window, window pixels (panel mouse, aspect)
    uint32_t newRunSeed;       // the seed a run started this frame gets
    Profile *profile;          // synced with the run every frame; null: no profile
};

struct FieldStepResult {
    FrameSteps steps;          // the time steps every subsystem received
    bool runReset;             // FieldReset ran this frame
    bool deathReset;           // ...because the player had been dead long enough: show the menu
    bool coinsButton;          // the developer panel's coin button was pressed
    bool departed;             // the shuttle left with the player this frame: the run is won
    bool victoryEntered;       // the campaign's last gate was cleared this frame
};

// What the start of an iteration saw of the input.
struct FieldControlsEvents {
    bool modeChanged;          // keyboard and mouse versus gamepad switched this frame
    bool cheatActivated;       // the cheat code was completed this frame
};

void FieldControlsReset(FieldControls &controls);
// The start of every loop iteration, before any kind of frame: device activity and the cheat
// code, fed with every key pressed this frame in ascending order.
FieldControlsEvents FieldControlsObserve(FieldControls &controls, const FrameInput &input);
// Whether the game keys are taken from the keyboard this frame (no panel text field has focus).
bool FieldControlsTyping(const FieldControls &controls);

// The six keys held this frame: key or its pad button down, only while the window has focus.
void FieldControlsHeldKeys(const FieldControls &controls, const FrameInput &input, bool held[BINDINGS_KEY_COUNT]);

// A creature as it was before the mudling update.
struct MudBefore {
    Vector3 position;
    int32_t steps;
    int32_t state;
    bool grounded;             // on the ground: resting, crouching, or in an attack or pickup state
};

// Whether a creature's state keeps it on the ground.
bool MudStandsOnGround(const MudSlot &slot);
// Remembers every creature's position, steps, state and footing.
void FieldMudSnapshot(const MudPool &mud, MudBefore before[MUD_CAPACITY]);
// The marks of the frame: the boots and the creatures press the soil, boot prints, dash strips,
// footprints and body prints go into the atlas, which then paints its queue.
void FieldGroundMarks(Field &field, const FrameSteps &steps, Vector3 playerBefore, const bool lifted[2],
                      const MudBefore before[MUD_CAPACITY]);

// One game frame's simulation, up to and including the camera follow.
FieldStepResult FieldStep(Field &field, FieldControls &controls, const FieldStepInput &in);
