// The terrain's baked textures on the GPU; needs the window's GL context.
#pragma once

#include "world/terrain.h"

// GPU. Bakes and uploads both textures, sets their filter and wrap, frees the bake buffers and
// logs "STARTUP: terrain textures %.3f seconds". False (one error line, nothing left created) if
// there is no window, memory runs out or an upload is not valid.
bool TerrainTexturesCreate(TerrainTextures &textures);
// GPU. Unloads whatever exists and empties the record; accepts a failed or empty record.
void TerrainTexturesRelease(TerrainTextures &textures);
