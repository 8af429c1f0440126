// Staged developer runs: scripted runs of the real game step in which the developer mode arranges
// the field at chosen frames (creatures placed, bodies struck, the player moved, the campaign
// clock set), walks the player with scripted key presses, asks for pictures at the moments that
// matter and measures what the game did. Pure: no window, no GL. The windowed captures call it
// from the loop's hooks; DevStageRunHeadless drives the same stage through DevHeadless, so tests
// and the frame-rate variants of a capture run exactly what the window shows.
//
// Index
//   [SECTION] Records
//   [SECTION] Driving a stage
//   [SECTION] Helpers for the stage sequences
#pragma once

#include "dev/dev_run.h"
#include "mud/mud_pack.h"

#include <cstdint>

struct MenuState;
struct Profile;

// [SECTION] Records

enum DevStageKind : uint8_t {
    DEV_STAGE_NONE,
    DEV_STAGE_MUD,            // birth, hop and landing, then wounds and the deposit they leave
    DEV_STAGE_CROWD,          // 30 bodies around a standing player
    DEV_STAGE_PURSUIT,        // one bun around the shuttle to the player
    DEV_STAGE_MERGE,          // one fusion
    DEV_STAGE_EVOLUTION,      // limbs growing out of fusions
    DEV_STAGE_WALKER,         // a walker's legs and its kick
    DEV_STAGE_ATTACK,         // dash and kick against a standing and a dodging player
    DEV_STAGE_GOLEM,          // throw, puddle, reassembly, punches
    DEV_STAGE_GOLEM_TURNS,    // the arms' lag while a golem turns
    DEV_STAGE_BOSS_ATTACKS,   // boss 0's leap and dash
    DEV_STAGE_HEALTH,         // hearts cracking, the blink, regeneration
    DEV_STAGE_CAMPAIGN,       // level 1 from its banner to its gate, then a rolling row
    DEV_STAGE_MARKERS,        // boss bars, the gatherer's pips, edge markers
    DEV_STAGE_METEOR,         // warning ring, entry, fall, cloud, a cavity and a kill
    DEV_STAGE_SPIKE,          // the blade's full run and a short one against the arena's edge
    DEV_STAGE_SUPPORT,        // the drone's bolts, a bun melting, the repel ring, the dial
    DEV_STAGE_SHOP,           // the shop's buttons affordable, too dear and bought out
    DEV_STAGE_AUDIO_UI,       // the interface cues of a pass through the screens, heard offline
    DEV_STAGE_KIND_COUNT,
};

enum DevStageHook : uint8_t {
    DEV_STAGE_BEGIN,          // before the first frame: limits and the first script events
    DEV_STAGE_ARRANGE,        // before the game step of `frame`
    DEV_STAGE_OBSERVE,        // after the game step of `frame`
    DEV_STAGE_FINISH,         // after the last frame: the closing figures and promises
};

constexpr int DEV_STAGE_EVENT_CAPACITY = 256;
constexpr int DEV_STAGE_SHOT_CAPACITY = 32;
constexpr int DEV_STAGE_REPORT_CAPACITY = 6144;
constexpr int DEV_STAGE_MARK_CAPACITY = 16;
constexpr int DEV_STAGE_COUNTERS = 16;
constexpr int DEV_STAGE_VALUES = 32;
constexpr int DEV_STAGE_CUE_CAPACITY = 128;

// A picture of the window taken at the end of one frame: artifacts/<name>.png.
struct DevShot {
    int frame;
    const char *name;
};

// One interface event of the menus as the frame's audio publication treats it, with what the
// publisher reads of the profile in that frame.
struct DevStageCue {
    int frame;                 // the iteration that raised it
    int screen;                // where the menus were after that frame
    uint32_t cueType;          // the menus' last event of the frame (MenuCue)
    int events;                // events the menus raised in that frame; only the last one sounds
    int id;                    // the cue id the publisher posts, -1 for none
    float pan;                 // the stereo position it is posted at
    int musicContext;
    float musicVolume, soundVolume;
    bool musicEnabled, soundEnabled;
};

// One run of a stage. Large (it keeps a render packing for the checks of what the shader is
// handed): allocate it, never put it on the stack.
struct DevStage {
    DevStageKind kind;
    float hz;                  // frames per second of the run
    float viewWidth, viewHeight; // the letterbox the HUD is laid out in, pixels
    int frameLimit;            // frames the run takes at most
    int frame;                 // the frame a hook is called for: the loop iteration in a stage
                               // played through the menus, menu frames included
    bool menus;                // the run opens on the main menu and plays through the real screens
    Profile *profile;          // the run's profile and menus, set by the runner once the run has
    const MenuState *menu;     // begun (a stage played through the menus only); null otherwise
    int nextInput;             // the first frame whose input is still to be read: script events
                               // and pictures asked for now start here
    bool done;                 // the sequence is over: the run may end after this frame

    // The sequence: which step it is in, since when, and the slots it follows.
    int step;
    int stepFrame;
    int slots[4];
    int count[DEV_STAGE_COUNTERS];   // per-stage counters
    float value[DEV_STAGE_VALUES];   // per-stage measurements
    Vector3 mark[DEV_STAGE_MARK_CAPACITY];  // per-stage remembered points
    double ledger[4];          // per-stage sums (mass, clay, soil)

    DevEvent events[DEV_STAGE_EVENT_CAPACITY];  // the script, appended to as the run goes
    int eventCount;
    DevShot shots[DEV_STAGE_SHOT_CAPACITY];
    int shotCount;

    char report[DEV_STAGE_REPORT_CAPACITY];   // "name value" lines and "ok"/"FAIL" promises
    int reportLength;
    int promises, broken;
    bool overflow;             // a script event, a picture or a report line found no room

    DevStageCue cues[DEV_STAGE_CUE_CAPACITY];   // interface cues logged by the stage, in order
    int cueCount;

    MudPackRecord pack;        // what the renderer would be handed, for checks of the packing
};

// [SECTION] Driving a stage

// The stage of a developer switch ("--capture-mud" ...), or DEV_STAGE_NONE.
DevStageKind DevStageKindFor(const char *name);
// The report and picture name of a stage kind ("capture-mud" ...).
const char *DevStageName(DevStageKind kind);
// Empties the record and runs the stage's BEGIN hook for a run at `hz` frames per second; the
// hook only reads `field` (the run has not started yet).
void DevStageBegin(DevStage &stage, DevStageKind kind, float hz, Field &field);
// Before the game step of `frame`: the stage arranges the field and extends its script.
void DevStageArrange(DevStage &stage, Field &field, int frame);
// After the game step of `frame`: measurements, pictures asked for, the next step.
void DevStageObserve(DevStage &stage, Field &field, int frame);
// After the last frame: the closing figures and promises.
void DevStageFinish(DevStage &stage, Field &field);
// The script as it stands.
DevScript DevStageScript(const DevStage &stage);
// Runs a whole stage with no window on `field` (reset from the developer seed, campaign off,
// as a windowed developer run starts) at `hz`: arrange, the game step, observe, every frame,
// then finish. The soil bound to the ground is the field's own for the run and the previous
// binding comes back afterwards. A stage played through the menus runs instead on a headless
// loop of its own (dev/dev_loop.h: a developer profile, menu frames and game frames) and leaves
// `field` alone; its profile and menu pointers are cleared before it returns.
void DevStageRunHeadless(DevStage &stage, Field &field, DevStageKind kind, float hz);

// [SECTION] Helpers for the stage sequences

// The frame `seconds` after frame 0 at the stage's rate.
int DevStageFrames(const DevStage &stage, double seconds);
// Seconds since the current step began.
float DevStageStepSeconds(const DevStage &stage);
// Moves the sequence on to `step` from the current frame.
void DevStageNext(DevStage &stage, int step);
// Asks for a picture `name` at `frame`; one asked for too late is taken at the first frame still
// to be drawn (the current one in the arrange hook, the next one after the step).
void DevStageShot(DevStage &stage, int frame, const char *name);
// Appends a report line.
void DevStageNote(DevStage &stage, const char *format, ...);
// Appends a promise the capture makes: "ok   ..." or "FAIL ...", counted.
void DevStagePromise(DevStage &stage, bool kept, const char *format, ...);
// Holds the key now bound to screen direction `slot` (SLOT_UP ... SLOT_RIGHT) for `seconds` from
// the first frame whose input is still to be read, so the game step walks the player.
void DevStageWalk(DevStage &stage, const Field &field, int slot, float seconds);
// Puts the player down at (x, z) on the ground, standing, facing `yaw`, with the camera snapped
// to it at `zoom` metres of view height and the track atlas following.
void DevStagePlacePlayer(Field &field, float x, float z, float yaw, float zoom);
// Puts the player down so that ground point `subject` shows beside the HUD cluster, a little
// right of the player on screen, facing it, at `zoom`.
void DevStagePlaceBeside(Field &field, Vector3 subject, float zoom);
// The ground direction of screen direction `slot` for the field's camera (unit, y = 0).
Vector3 DevStageScreenDirection(const Field &field, int slot);
// Moves every used slot of a freshly placed scene (and the given points) by `offset` on the ground.
void DevStageShiftScene(MudPool &pool, Vector3 offset, Vector3 *points, int pointCount);
// Turns every used slot of a freshly placed scene (and the given points) by `angle` radians about
// the vertical through `pivot`, headings with them.
void DevStageTurnScene(MudPool &pool, Vector3 pivot, float angle, Vector3 *points, int pointCount);
// Living bodies of the pool: index < count, mass > 0, neither free nor a corpse.
int DevStageLiving(const MudPool &pool);
// Presses `key` (a raylib key code) for `frames` frames from `frame` (no earlier than the first
// frame whose input is still to be read); false when the script is full.
bool DevStagePress(DevStage &stage, int frame, int key, int frames);
// Appends any scripted event at its frame (no earlier than the first frame still to be read).
bool DevStageEvent(DevStage &stage, DevEvent event);
// Moves one used slot of the pool by `offset` on the ground, its path and landmarks with it.
void DevStageMoveSlot(MudPool &pool, int slot, Vector3 offset);
