// The application record: everything that lives from start-up to shutdown, owned by the entry
// function, and the frame loop that runs it.
#pragma once

#include "app/field.h"
#include "app/input.h"
#include "player/dev_panel.h"
#include "app/display.h"
#include "render/scene.h"
#include "world/terrain.h"

#include <cstdint>


// One scripted input of a developer run.
enum DevEventKind : uint8_t {
    DEV_EVENT_PRESS,     // key goes down on `frame` and stays down for `frames`
    DEV_EVENT_UNFOCUS,   // the window has no focus for `frames` frames from `frame`
    DEV_EVENT_WHEEL,     // mouse wheel moves by `value` on `frame`
    DEV_EVENT_PAD_PRESS, // gamepad 0's button `key` goes down on `frame` for `frames`
};

struct DevEvent {
    int frame;
    DevEventKind kind;
    int key;
    int frames;
    float value;
};

// Frame timing of a developer run, kept for its report.
constexpr int DEV_TIMING_CAPACITY = 4096;

enum DevMode : uint8_t {
    DEV_MODE_NONE,
    DEV_MODE_SMOKE,
    DEV_MODE_CAPTURE_BINDINGS,
    DEV_MODE_CAPTURE_HINTS,
    DEV_MODE_CAPTURE_ARENA,
    DEV_MODE_SCENE_CHECK,
};

struct DevRun {
    bool active;               // a windowed developer mode drives the loop
    DevMode mode;
    bool gamepad;              // second argument "gamepad"
    int graphicsPreset;        // 0 low, 1 medium, 2 high
    float fixedStep;           // seconds per frame; replaces the measured frame time
    int frameLimit;            // the loop ends after this many frames
    int drawEvery;             // draw only every n-th frame (0 or 1: every frame)
    const DevEvent *events;    // script, ordered by frame
    int eventCount;
    int timingCount;
    float cpuMs[DEV_TIMING_CAPACITY];   // process CPU time per frame
    float wallMs[DEV_TIMING_CAPACITY];  // wall time per frame
    void *trace;               // open text trace (FILE*), or null
    Image lastFrame;           // the window as drawn in the last frame, HUD included
    int lastSwapCount;         // binding exchanges already traced
};

struct App {
    Field field;
    SceneShaders shaders;
    SceneResources scene;      // render targets, uniform buffers, stand-in textures
    TerrainTextures terrain;   // terrainHeights and terrainDetail
    DisplayState display;      // windowed geometry kept for leaving borderless fullscreen

    bool developerMode;        // no profile, unlimited frame rate, fixed seed, no audio
    bool menuVisible;
    bool pausedThisFrame;
    bool persistenceEnabled;   // a profile path exists; nothing is written otherwise
    bool profileDirty;
    double lastSaveTime;       // seconds, GetTime()
    bool saveFailed;
    int frameCount;            // game frames completed
    bool consistent;           // every per-frame consistency check has held so far
    bool renderFailed;         // the loop ended because the scene target could not be made
    FrameInput input;          // this frame's snapshot of keyboard, mouse and gamepads
    InputDevices devices;      // gamepad tracking
    CheatState cheat;
    DevPanel devPanel;         // developer panel: opacity and zoom fields, toggles
    double cheatShownUntil;    // seconds, GetTime(): the activation message is shown until then
    DevRun dev;
};

// Applies the developer script's events for `frame` on top of the input just read.
void DevScriptApply(const DevRun &dev, int frame, FrameInput &input);

// Runs frames until the window closes (or a developer run's frame limit); returns when done.
void LoopRun(App &app);
// Saves a PNG of the window under the application directory's screenshots folder.
bool LoopSaveScreenshot();
