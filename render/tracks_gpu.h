// The ground-track atlas's GL objects and the painter it installs; needs the window's GL context.
#pragma once

#include "world/tracks.h"

// GPU. Creates the window and scratch targets without depth buffers, allocates the tile buffer,
// installs the GL function and resets. False with one line ("TRACKS: Incomplete color
// framebuffer" for an incomplete target), everything released, on failure.
bool TrackAtlasCreate(TrackAtlas &atlas);
// GPU. Releases targets, archive and buffer and empties the record; safe twice and after a failed
// TrackAtlasCreate.
void TrackAtlasFree(TrackAtlas &atlas);
