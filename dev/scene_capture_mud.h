// Developer capture of the mudling half of the scene shader: hand-packed creatures of every form
// and state rendered into PNGs under artifacts/, with a frame-time report. Needs the window and
// the compiled scene shaders.
#pragma once

#include "render/scene.h"

// Writes artifacts/mud-*.png and artifacts/capture-mud-render.txt (median frame times at 640 x 360
// with 0, 12 and 48 buns, 48 mixed creatures, 12 golems, and 45 creatures with the weapons that
// `weapons` adds to a view, when given). 0 on success, 1 if anything could not be rendered or written.
int SceneCaptureMud(SceneResources &resources, const SceneShaders &shaders, const SceneGround &ground,
                    void (*weapons)(SceneView &view));
