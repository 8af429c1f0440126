// The game step: one frame of a run's simulation on Field, from the frame's input snapshot, in the
// order the frame loop gives. No window or GL: the loop, the headless runner, tests, benchmarks
// and replays all call it, so nothing else re-implements the frame's order. Drawing reads the
// state it leaves.
#pragma once

#include "app/field.h"
#include "app/frame_rules.h"
#include "app/input.h"
#include "frontend/menu.h"
#include "frontend/settings.h"
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

// The screens around the run: which is up, and the flags the menu frames consume.
struct FieldFlow {
    MenuState *menu;
    Profile *profile;
    bool menusOn;              // the run is played through the menus (off in most developer runs)
    bool menuVisible;
    bool pausedThisFrame;      // a menu opened this frame: its first update takes no input
};

// What the start of an iteration chose, after the exit fade and the window keys.
struct FieldFlowChoice {
    bool menuFrame;            // a menu frame runs (else a game frame)
    float cueGain;             // an accept cue to post with this gain, 0 for none
};

// Opens a menu screen over the run; the profile first learns what the run has earned.
void FieldOpenMenu(Field &field, FieldFlow &flow, int screen);
// The victory screen's way back to the main menu (a click on its button in the letterbox, or
// Enter, Space, F, J, Escape, the pad's J button or Start), the pause key, or the run.
FieldFlowChoice FieldFlowChoose(Field &field, const FieldControls &controls, FieldFlow &flow, const FrameInput &input,
                                Rectangle letterbox);
// After a game frame: a death that ended the run brings the main menu back.
void FieldFlowAfterStep(Field &field, FieldFlow &flow, const FieldStepResult &result);

// What a menu frame decided, for the parts of it that touch the window, the files and the sound.
struct FieldMenuResult {
    int action;                // MENU_ACTION_*
    SettingsChanges changed;   // preferences the menus changed this frame
    bool introJustSeen;        // the intro-seen flag became set this frame
    bool erased;               // the progress was erased: the profile must be written over its file
    bool closed;               // the menus closed: a game frame with no time step follows
};

// The menus' part of a menu frame: the menus take the input, what they changed goes into the run
// (the shop's purchases, the wallet), and their action is carried out on the run: a new game, a
// continue, an erase (the profile's progress cleared and the run reset from it) or the way back
// to the main menu. `menuVisible` is cleared when the menus close. No window, no file.
FieldMenuResult FieldMenuStep(Field &field, MenuState &menu, Profile &profile, bool &pausedThisFrame,
                              bool &menuVisible, const MenuInput &input, float frameTime, uint32_t newRunSeed);

// One game frame's simulation, up to and including the camera follow.
FieldStepResult FieldStep(Field &field, FieldControls &controls, const FieldStepInput &in);
