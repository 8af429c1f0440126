// Developer captures of the canyon rim, rendered with the scene renderer and its canyon prepass
// into small targets and written as PNGs (with a text report) under artifacts/. Each needs the
// open window, the compiled scene shaders in app.shaders and the terrain textures in app.terrain;
// each builds and frees its own rock renderer. 0 on success, 1 if a picture could not be made or
// written, 2 if the rock renderer could not be built.
#pragma once

struct App;

// "--canyon-demo": a walk around the rim: the cliffs, the open edge, the spurs near the square
// corners, the chunk borders and arc joints, the drop fading to black.
int CanyonCaptureDemo(App &app);
// "--cliff-demo": zoom 5.5 at the cliff foot: the grooves running uphill, the soil collar, the
// rock's depth against the astronaut.
int CanyonCaptureCliff(App &app);
// "--capture-arena-junctions": the outline's corner joints (walls and arcs) with their rock.
int CanyonCaptureJunctions(App &app);
