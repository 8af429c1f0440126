// The frame loop without a window: each iteration is what the loop does with one input snapshot
// (device activity and the cheat code, the victory screen's way back and the pause key, then a
// menu frame through the real menus or a game frame through the real game step), minus drawing,
// sound and files. Bots, replays, soaks and benchmarks run whole sessions of the game on it, menus
// included. Pure: no window, no GL.
#pragma once

#include "app/field_step.h"
#include "frontend/menu.h"
#include "frontend/profile.h"

#include <cstdint>

constexpr float DEV_LOOP_WIDTH = 1280.0f;    // the window a headless session pretends to have
constexpr float DEV_LOOP_HEIGHT = 720.0f;

struct DevLoopOptions {
    uint32_t seed;          // every run of the session starts from it, as developer runs do
    bool campaign;          // runs follow the campaign's levels
    bool menus;             // the session opens on the main menu and plays through the screens
    bool soil;              // the clay deposits exist (the ground they raise is part of the game)
    bool immortal;          // the developer toggle, forwarded to health every frame
};

struct DevLoop {
    Field field;
    FieldControls controls;
    MenuState menu;
    Profile profile;        // a developer profile: defaults, never read from or written to a file
    FieldFlow flow;
    FrameInput input;       // the snapshot of the current iteration
    Rectangle letterbox;
    uint32_t seed;
    bool soilBound;         // this session's soil is the one the ground reads
    int iteration;          // iterations run: menu and game frames alike
    int frameCount;         // game frames run
    bool consistent;        // every per-frame consistency check has held
    int firstInconsistent;  // game frame of the first failed check, -1 while consistent
    bool quit;              // the menus asked to leave the game
    // What the last iteration did.
    bool menuFrame;         // it was a menu frame
    bool stepped;           // a game frame ran (also after a menu that closed)
    FieldStepResult result; // that game frame's result
    int menuAction;         // the menu frame's action
};

// Starts a session as start-up does for a developer run: default profile, the menus (or the run
// straight away), the field reset from the seed; false (one log line) if the soil cannot be made.
bool DevLoopStart(DevLoop &loop, const DevLoopOptions &options);
// One loop iteration with this snapshot.
void DevLoopIterate(DevLoop &loop, const FrameInput &input);
// Frees the run's heap and unbinds the soil from the ground; safe twice.
void DevLoopRelease(DevLoop &loop);
// What the menus read of a snapshot, as the windowed loop builds it.
MenuDevices DevLoopMenuDevices(const DevLoop &loop, const FrameInput &input);
