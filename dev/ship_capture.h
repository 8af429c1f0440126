// Shuttle developer modes with a window: stills of the renderer, the hull as an obstacle, the
// scripted finale, and the depth case of the windowed scene self-check. All need the open
// window, the compiled scene shaders and the interface font, and write only under artifacts/.
#pragma once

#include "render/scene.h"

struct App;

// "--capture-ship": zooms 5.5, 20 and 30, smoke, materials, the crystal on the ground and
// installed, the plume fading in, the hull hiding an astronaut. 0 on success, 1 otherwise.
int ShipCaptureStills(App &app);
// "--capture-ship-obstacle": the slide paths of fast bodies round the hull, and the player
// sliding along it. 0 on success, 1 otherwise.
int ShipCaptureObstacle(App &app);
// "--ship-demo": the scripted finale from the last boss's death to the victory screen, with
// its texts, as a series of PNGs. 0 on success, 1 otherwise.
int ShipCaptureDemo(App &app);
// The hull hides an astronaut standing behind it and not one standing in front; writes one
// line describing the pixel counts into `line`. Uses `resources` for the canyon target.
bool ShipCaptureCheckDepth(SceneResources &resources, const SceneShaders &shaders, char *line, int lineSize);
