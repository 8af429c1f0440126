// The application record: everything that lives from start-up to shutdown, owned by the entry
// function, grouped by concern, and the frame loop that runs it.
#pragma once

#include "app/display.h"
#include "app/field.h"
#include "app/field_step.h"
#include "app/input.h"
#include "audio/audio_publish.h"
#include "frontend/menu.h"
#include "frontend/menu_draw.h"
#include "frontend/profile.h"
#include "platform/platform.h"
#include "render/scene.h"
#include "mud/mud_pack.h"
#include "render/ship.h"
#include "world/canyon.h"
#include "world/terrain.h"

struct DevRun;

// GPU objects made at start-up and released at shutdown.
struct AppGpu {
    SceneShaders shaders;
    SceneResources scene;      // render targets, uniform buffers, stand-in textures
    TerrainTextures terrain;   // terrainHeights and terrainDetail
    Texture2D soil;            // soil deposits, uploaded in dirty blocks
    ShipRenderer ship;         // the shuttle's meshes and effects
    Canyon canyon;             // the rock rim's chunks and program
};

// The profile and its file.
struct AppPersistence {
    Profile profile;           // what the game keeps between program starts
    Profile saved;             // the profile as last written (or loaded): dirty is a difference
    char path[PLATFORM_PATH_CAPACITY];
    bool enabled;              // a writable profile path exists; nothing is written otherwise
    bool dirty;
    double lastSaveTime;       // seconds of loop time
    bool saveFailed;           // shows "Не удалось сохранить прогресс" on menu frames
};

// What the player does: this frame's snapshot and the state that reads it across frames.
struct AppInput {
    FrameInput frame;          // this frame's snapshot of keyboard, mouse and gamepads
    FieldControls controls;    // gamepad tracking, the cheat code, the developer panel
    double cheatShownUntil;    // seconds of loop time: the activation message is shown until then
};

// Which screen is up and how the loop is doing.
struct AppFlow {
    int frameCount;            // game frames completed
    bool consistent;           // every per-frame consistency check has held so far
    bool renderFailed;         // the loop ended because the scene target could not be made
};

struct App {
    Field field;
    MenuState menu;            // every menu screen, the pause screen and the dialogs
    MenuGraphics menuGraphics; // the encyclopedia's clay previews and the comic picture
    FieldFlow screens;         // which screen is up, over the menu state and the profile
    AudioPublisher audio;      // the frame's audio publication and the exit fade
    AppGpu gpu;
    DisplayState display;      // windowed geometry kept for leaving borderless fullscreen
    AppPersistence persistence;
    AppInput input;
    AppFlow flow;
    MudPackRecord mudRender;   // the creatures packed for the scene shader, refilled every drawn frame
    bool developerMode;        // no profile, unlimited frame rate, fixed seed, no audio
    DevRun *dev;               // the windowed developer run, null in normal play
};

// Saves the profile now if persistence is on; updates saveFailed, lastSaveTime and dirty.
void AppSaveProfile(App &app);
// Marks the profile dirty when it differs from what was last written.
void AppNoteProfile(App &app);

// Posts this frame's audio state (context, volumes from the profile, focus) and any interface cue.
void AppPublishAudio(App &app, const AudioState *sceneState);

// Whether the run is played through the menus: in normal play, and in developer runs that ask.
bool AppMenusOn(const App &app);

// Seconds of loop time: the window's clock, or the fixed steps of a developer run.
double AppNow(const App &app);

// The ground the scene is drawn on: terrain textures, soil and tracks as they stand.
SceneGround AppSceneGround(const App &app);

// Renders the run's world into the scene target at width x height: the mesh prepass, the
// ray-marched pass, then the depth-tested effects. False if a target cannot be made.
bool AppRenderWorld(App &app, int width, int height);

// Runs frames until the window closes (or a developer run's frame limit); returns when done.
void LoopRun(App &app);
// The drawing half of a game frame on the last scene image: present, HUD, overlays; no
// BeginDrawing/EndDrawing.
void LoopDrawGame(App &app);
// Saves a PNG of the window under the application directory's screenshots folder.
bool LoopSaveScreenshot();
