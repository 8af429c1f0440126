// Developer modes: self-checks without a window (dev/dev_checks.cpp) and windowed scripted runs
// of the real loop that write pictures and reports under artifacts/.
#pragma once

#include "app/app.h"
#include "app/command_line.h"
#include "dev/dev_run.h"
#include "dev/dev_stage.h"
#include "dev/replay_run.h"
#include "dev/smoke_profile.h"

enum DevMode : uint8_t {
    DEV_MODE_NONE,
    DEV_MODE_SMOKE,
    DEV_MODE_CAPTURE_BINDINGS,
    DEV_MODE_CAPTURE_HINTS,
    DEV_MODE_CAPTURE_ARENA,
    DEV_MODE_SCENE_CHECK,
    DEV_MODE_CAPTURE_SHIP,
    DEV_MODE_CAPTURE_SHIP_OBSTACLE,
    DEV_MODE_SHIP_DEMO,
    DEV_MODE_CANYON_DEMO,
    DEV_MODE_CLIFF_DEMO,
    DEV_MODE_ARENA_JUNCTIONS,
    DEV_MODE_CAPTURE_MENU,
    DEV_MODE_CAPTURE_LOOT,
    DEV_MODE_CAPTURE_COMIC,
    DEV_MODE_PROFILE_LOOT,
    DEV_MODE_STAGE,            // a staged capture of dev/dev_stage.h
    DEV_MODE_REPLAY,           // a recorded run played back
};

constexpr int DEV_FRAME_LIMIT_MAX = 100000;
constexpr int DEV_CAPTURE_CAPACITY = 16;

// A windowed developer run; allocated only while a developer mode runs.
struct DevRun {
    DevMode mode;
    bool gamepad;              // second argument "gamepad"
    int graphicsPreset;        // 0 low, 1 medium, 2 high
    float fixedStep;           // seconds per frame; replaces the measured frame time
    int frameLimit;            // the loop ends after this many iterations
    int iteration;             // loop iterations so far: game, menu and exit-fade frames alike
    bool menus;                // the run starts on the main menu and plays through the real screens
    int drawEvery;             // draw only every n-th frame (0 or 1: every frame)
    bool capturesOnly;         // draw only the frames pictured and the last one
    DevScript script;
    DevShot captures[DEV_CAPTURE_CAPACITY];   // pictures the script asks for (a stage keeps its own)
    int captureCount;
    bool artifactFailed;       // a promised picture or report could not be written
    const char *reportName;    // artifacts/<name>.png and .txt of the last frame, or null
    int timingCount;           // frames measured, at most frameLimit
    float *cpuMs;              // process CPU time per frame, frameLimit entries
    float *wallMs;             // wall time per frame
    double wallStart;          // this frame's start, seconds
    long long cpuStart;        // this frame's start, clock ticks
    void *trace;               // open text trace (FILE*), or null
    Image lastFrame;           // the window as drawn in the last frame, HUD included
    int lastSwapCount;         // binding exchanges already traced
    DevStage *stage;           // the staged capture that arranges and measures the run, or null
    int observed;              // iterations the stage has observed so far
    int pictured;              // the last iteration whose pictures were read from the window
    double runStart;           // seconds when the run's first frame began
    uint32_t seed;             // every run of the developer run starts from it
    ReplayRun replay;          // the run's snapshots being recorded, or a file played back
    SmokeProfile *profileRun;  // a run over the real profile file (loaded and saved as the game
                               // does), or null: every other developer run leaves it alone
    double lastSaveSeen;       // the profile's last save time the run has reported
};

// Runs a self-check that needs no window; its exit status. Unknown ones end with 2.
int DevRunSelfCheck(const CommandLine &command);
// Prepares a windowed developer run before the window opens; false (with one log line) if the
// mode is not built or its arguments are refused.
bool DevConfigure(App &app, const CommandLine &command);
// Runs the configured mode once start-up has finished; the process exit status.
int DevRunWindowed(App &app);
// Releases the run record; safe on null.
void DevRunFree(App &app);

// Loop hooks of a windowed run.
bool DevRunFinished(const DevRun &dev, int frame);
bool DevRunDraws(const DevRun &dev, int frame);
void DevRunBeginFrame(App &app);
void DevRunInput(App &app);
void DevRunAfterDraw(App &app);
void DevRunAfterFrame(App &app);
