// Terrain: the analytic ground height, its value noise, and the two ground textures baked from
// it at start-up (the float height grid the scene shader marches, and the RGBA detail texture
// with cracks, clay relief, grain and height).
//
// Everything here is CPU only; the textures are created on the GPU by render/terrain_gpu.h.
#pragma once

#include "raylib.h"

#include <cstddef>

// `terrainHeights`: one float per texel, texel (i, j) = column i along x, row j along z, centred
// at -144 + (i + 0.5) * 288 / 2560 (and the same in z). Bilinear filter, clamp wrap.
constexpr int TERRAIN_HEIGHT_SIZE = 2560;                  // texels per side
constexpr float TERRAIN_HEIGHT_HALF_EXTENT = 144.0f;       // metres: covers -144..144 in x and z
constexpr size_t TERRAIN_HEIGHT_TEXELS = (size_t)TERRAIN_HEIGHT_SIZE * TERRAIN_HEIGHT_SIZE;
// `terrainDetail`: RGBA8 (R cracks, G clay relief, B grain, A height), texel centres at
// -48 + (i + 0.5) * 96 / 2048. Bilinear filter, mirrored-repeat wrap beyond -48..48.
constexpr int TERRAIN_DETAIL_SIZE = 2048;                  // texels per side
constexpr float TERRAIN_DETAIL_HALF_EXTENT = 48.0f;        // metres: covers -48..48 in x and z
constexpr size_t TERRAIN_DETAIL_BYTES = (size_t)TERRAIN_DETAIL_SIZE * TERRAIN_DETAIL_SIZE * 4;
// The detail alpha channel encodes heights from -0.3 m (0) to +0.3 m (255), saturating.
constexpr float TERRAIN_DETAIL_HEIGHT_MIN = -0.3f;
constexpr float TERRAIN_DETAIL_HEIGHT_RANGE = 0.6f;
constexpr int TERRAIN_BAKE_MAX_THREADS = 8;                // worker threads a bake may use

// Lattice value noise with smoothstep interpolation, in [0, 1); exactly the lattice value at
// integer coordinates. Non-finite input gives 0.
float TerrainValueNoise(float a, float b);
// The undulating mud plain without soil deposits, metres (a few decimetres around 0). Non-finite
// input gives 0.
float TerrainBaseHeight(float x, float z);
// The ground every body stands on: base height plus the deposits of the ground soil
// (SoilBindGround; none bound, none added), metres. Non-finite input gives 0.
float TerrainHeight(float x, float z);
// One `terrainDetail` texel evaluated at world (x, z).
Color TerrainDetailTexel(float x, float z);

// Threads a bake should use on this machine: the hardware threads, 1..TERRAIN_BAKE_MAX_THREADS.
int TerrainBakeThreadCount();
// Fills heights[j * TERRAIN_HEIGHT_SIZE + i] for the `terrainHeights` grid. Uses up to
// `threadCount` threads (clamped to 1..TERRAIN_BAKE_MAX_THREADS; falls back to the calling thread
// if one cannot start); the result does not depend on the count.
void TerrainBakeHeights(float *heights, int threadCount);
// Fills rgba[(j * TERRAIN_DETAIL_SIZE + i) * 4 + channel] for the `terrainDetail` texture, as above.
void TerrainBakeDetail(unsigned char *rgba, int threadCount);

// The two ground textures; id 0 while not created.
struct TerrainTextures {
    Texture2D heights;  // `terrainHeights`, R32 float
    Texture2D detail;   // `terrainDetail`, RGBA8
};

