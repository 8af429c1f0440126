// Developer modes of the scene renderer. Both need the open window and the compiled scene
// shaders in app.shaders, and write only under artifacts/.
#pragma once

struct App;

// "--capture-arena": renders the fixed arena scenes into PNGs under artifacts/ and the frame
// time report artifacts/capture-arena.txt; graphicsPreset 0, 1 or 2 sets the quality of the
// pictures. 0 on success, 1 if anything could not be rendered or written.
int SceneCaptureArena(App &app, int graphicsPreset);
// Renders fixed cases into small targets, checks their pixels and depth, prints one line per
// check and "N passed, N failed"; 0 when all pass.
int SceneSelfCheck(App &app);

