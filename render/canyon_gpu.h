// The canyon rim on the GPU: its meshes, program and draw; needs the window's GL context.
#pragma once

#include "world/canyon.h"

// GPU. Loads and checks the canyon program, builds and uploads every chunk. False with one error
// line (everything released) on failure; logs the chunk and triangle counts on success.
bool CanyonInit(Canyon &canyon);
// GPU. Draws the visible chunks inside an open 3D mode (SceneCanyonBegin ... SceneCanyonEnd owns
// it); false if none is in view or the renderer is not ready.
bool CanyonDraw(Canyon &canyon, const Camera3D &camera, int width, int height);
// GPU. Unloads meshes, material and program and empties the record; safe twice and after a failed
// CanyonInit.
void CanyonFree(Canyon &canyon);
