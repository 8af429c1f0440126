// Windowed read-back checks of the mudling half of the scene shader, run by the scene self-check.
// Needs the window and the compiled scene shaders; renders only into small targets.
#pragma once

#include "render/scene.h"

struct SceneCheckMudCounts {
    int passed, failed;
};

// Renders hand-packed mudlings and reads colour and depth back: a bun drawn at its pixel with
// the body's depth, a tile whose mask is cleared doing no creature work, the shadow qualities,
// cavities and cuts as empty space, mounds and craters in the ground, tile masks that lose no
// pixel, and finite colour under degenerate packed values. Prints one "ok  " or "FAIL" line per check; returns the counts.
SceneCheckMudCounts SceneCheckMudDraw(SceneResources &resources, const SceneShaders &shaders);
