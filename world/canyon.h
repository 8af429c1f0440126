// Canyon rocks: the eroded rock rim around the arena, built once at start-up as static chunk
// meshes along the arena outline, culled against the orthographic view and drawn into the
// canyon prepass with their own program.
//
// Pure (world/canyon.cpp): the rim contour, the rock noise and profile, the chunk layout and
// geometry, the bounds and the visibility test. The meshes, program and draw are
// render/canyon_gpu.h.
#pragma once

#include "raylib.h"

constexpr int CANYON_SEGMENT_COUNT = 6;          // walls and arcs of the outline, counter-clockwise
constexpr int CANYON_PROFILE_POINTS = 15;        // columns k across the rim, floor outward
constexpr int CANYON_CHUNK_ROWS = 11;            // rows along the rim per chunk (10 quads)
constexpr float CANYON_CHUNK_LENGTH = 8.0f;      // metres of rim per chunk; the last of a segment is shorter
constexpr float CANYON_CHUNK_MIN_LENGTH = 0.01f; // a shorter remainder starts no chunk
constexpr int CANYON_CHUNK_CAPACITY = 160;
constexpr int CANYON_CHUNK_COUNT = 127;          // what the outline yields: 30, 4, 30, 29, 5, 29
constexpr int CANYON_CHUNK_TRIANGLES = (CANYON_CHUNK_ROWS - 1) * (CANYON_PROFILE_POINTS - 1) * 2;   // 280
constexpr int CANYON_CHUNK_VERTICES = CANYON_CHUNK_TRIANGLES * 3;   // unindexed: 840
constexpr float CANYON_TANGENT_STEP = 0.35f;     // metres either side along the rim for the normal

// Where the rim runs at one parameter: the contour point, its outward direction (not normalised
// at the square corners, where it turns over 8 m) and the rock weight (1 cliff, 0 open edge).
struct CanyonRim {
    Vector2 point;     // R(s), world x, z
    Vector2 outward;   // n(s)
    float weight;      // w(s)
};

// One chunk's stretch of the outline.
struct CanyonChunkSpan {
    int segment;
    float start;       // s of the first row, metres
    float length;      // metres, at most CANYON_CHUNK_LENGTH
};

struct CanyonBounds {
    Vector3 min, max;  // axis-aligned box of the chunk's vertices
    Vector3 centre;    // box centre: the bounding sphere's centre
    float radius;      // half the box diagonal
};

// One grid point of a chunk with every vertex attribute.
struct CanyonGridPoint {
    Vector3 position;  // world
    Vector3 normal;    // unit
    Vector2 foot;      // (R.x, R.z): the column's foot on the rim, the shader's erosion coordinates
    Color tint;        // grey tint, alpha 255
};

// Vertex arrays of one chunk in raylib's mesh layout (3, 3, 2 floats and 4 bytes per vertex),
// CANYON_CHUNK_VERTICES each.
struct CanyonChunkArrays {
    float *positions;
    float *normals;
    float *texcoords;
    unsigned char *colors;
};

// The renderer: program, material, chunk meshes and their bounds.
struct Canyon {
    Shader shader;              // the canyon program until the material takes it over
    Material material;          // default material carrying the program; unloading it unloads the program
    int locCameraPosition;      // `cameraPosition`
    int locCameraTarget;        // `cameraTarget`
    Mesh meshes[CANYON_CHUNK_CAPACITY];
    CanyonBounds bounds[CANYON_CHUNK_CAPACITY];
    int count;                  // chunks built
    bool ready;                 // everything built and uploaded
};

// Length of a segment, metres (0 outside 0..5).
float CanyonSegmentLength(int segment);
// Contour at parameter s of a segment; s beyond the end continues in the next segment (5 wraps
// to 0), a negative one in the previous, and a point exactly at an end is the next one's start.
CanyonRim CanyonContour(int segment, float s);
// The rock noise: the terrain's lattice value noise with the rock's corner seeds, in [0, 1).
// Non-finite or huge (beyond 2^22) input gives 0.
float CanyonRockNoise(float a, float b);
// Rock point of column k (0..14) at parameter s of a segment, world metres.
Vector3 CanyonRockPoint(int segment, float s, int k);

// Fills the chunk spans segment by segment; the number written (CANYON_CHUNK_COUNT with enough
// capacity).
int CanyonChunkSpans(CanyonChunkSpan *spans, int capacity);
// The 11 x 15 grid of chunk `index` of the `count` spans: rows along the rim, columns k. Its last
// row is evaluated as the first row of the next chunk (the last chunk's as the first chunk's), so
// neighbours share their border rows bit for bit.
void CanyonChunkGrid(const CanyonChunkSpan *spans, int count, int index,
                     CanyonGridPoint grid[CANYON_CHUNK_ROWS][CANYON_PROFILE_POINTS]);
// Triangulates chunk `index` into `out` (840 vertices, diagonals alternating with row + column
// parity) and returns its bounds.
CanyonBounds CanyonBuildChunk(const CanyonChunkSpan *spans, int count, int index, CanyonChunkArrays out);
// Bounds of every chunk without keeping the geometry; the number written.
int CanyonComputeBounds(CanyonBounds *bounds, int capacity);

// Whether no rim can be in view: the target lies deep enough inside the arena for the view size.
bool CanyonRimOutOfView(const Camera3D &camera, int width, int height);
// Whether a chunk's bounding sphere meets the orthographic view box of `camera` (fovy = view
// height in metres) for a target of width x height pixels.
bool CanyonSphereInView(const CanyonBounds &bounds, const Camera3D &camera, int width, int height);
// Chunks in view, in index order, written to `out` (at most `capacity`); their number. 0 if the
// renderer is not ready or the size is not positive.
int CanyonVisibleChunks(const Canyon &canyon, const Camera3D &camera, int width, int height, int *out, int capacity);

