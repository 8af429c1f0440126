// Staged captures of the front end, played through the real menus from the main menu: the run's
// profile is the developer one, never read from or written to a file. Each is one function over
// the hooks of dev/dev_stage.h. Pure.
#pragma once

#include "dev/dev_stage.h"

// "--capture-shop": the shop with a wallet given at the start; levels bought to the last one,
// others bought and refused, every button state (affordable, too dear, bought out), then a new
// run that has the levels bought.
void DevStageFrontShop(DevStage &stage, Field &field, DevStageHook hook);
// "--capture-audio-ui": a pass through the main menu, the settings and the shop with the mouse:
// hovers, accepts, a volume dragged, a mute box, backs, a purchase and a refusal. Every frame's
// interface event is logged as the audio publisher turns it into a cue.
void DevStageFrontAudio(DevStage &stage, Field &field, DevStageHook hook);

// What the offline render of a stage's cue log heard.
struct DevCueRender {
    bool rendered;             // the engine and the buffer could be made
    uint32_t frames;           // stereo frames rendered
    float peak;                // largest magnitude of any sample
    bool finite;               // every sample was finite
    int heard;                 // logged cues whose first 0.15 s is not silent
    int sounding;              // logged cues that post a sound
};

// Renders the logged cues through the game's sound engine run offline, 800 frames per 60 Hz
// iteration, each iteration's audio state and cue posted first as the publisher does; writes the
// render to `path` as a WAV file unless `path` is null (false, with a log line, if it could not
// be written). Adds the render's promises to the stage's report.
bool DevStageFrontRenderCues(DevStage &stage, const char *path, DevCueRender &out);
