// Ground tracks: boot prints, mud prints and dash strips, painted additively into a two-channel
// mask over the whole arena (red pressed boot, green wet mud) at 32 texels per metre. Only a
// 64 m window of 4 x 4 tiles around the player lives on the GPU (the scene's `groundTracks` with
// `trackOrigin`); the other tiles are archived in CPU memory and painted one at a time through a
// scratch target. Marks never fade and survive any number of window moves bit for bit.
//
// Pure (world/tracks.cpp): the queue with what each stamp still needs, the follow rule, the
// archive, the stamp shapes, and the order of every paint, save and upload. The GL work is done
// by the function TrackAtlasCreate installs (render/tracks_gpu.h); without one (headless runs)
// a flush only empties the queue. The window guarantees 22 m of marks around the player on each
// axis; the view reaches farther at its corners (23.3 m at zoom 20, 34.8 m at zoom 30), so marks
// there are cut off until the window follows.
#pragma once

#include "raylib.h"

#include <cstddef>
#include <cstdint>

constexpr int TRACK_TILES_PER_SIDE = 16;             // the arena's -128..128 in tiles of 16 m
constexpr int TRACK_TILE_COUNT = TRACK_TILES_PER_SIDE * TRACK_TILES_PER_SIDE;   // index = row * 16 + column
constexpr float TRACK_TILE_METRES = 16.0f;
constexpr float TRACK_GRID_MIN = -128.0f;             // world x, z of tile (0, 0)'s corner
constexpr int TRACK_TEXELS_PER_METRE = 32;
constexpr int TRACK_TILE_TEXELS = 512;                // per side
constexpr int TRACK_WINDOW_TILES = 4;                 // per side
constexpr int TRACK_WINDOW_RESIDENT = TRACK_WINDOW_TILES * TRACK_WINDOW_TILES;  // row-major 4 x 4
constexpr int TRACK_WINDOW_TEXELS = TRACK_WINDOW_TILES * TRACK_TILE_TEXELS;    // 2048
constexpr float TRACK_ORIGIN_START = -32.0f;          // the window's corner at a run's start
constexpr float TRACK_ORIGIN_MIN = -128.0f;           // the corner is a multiple of 16 in -128..64
constexpr float TRACK_ORIGIN_MAX = 64.0f;
constexpr float TRACK_FOCUS_NEAR = 22.0f;             // the window stays while the player is within
constexpr float TRACK_FOCUS_FAR = 42.0f;              // corner + 22 .. corner + 42 on both axes
constexpr int TRACK_BOOT_SLOTS = 256;                 // boot ring: slots 0..255
constexpr int TRACK_MUD_SLOTS = 512;                  // mud ring (mud prints and strips): 256..767
constexpr int TRACK_STAMP_CAPACITY = TRACK_BOOT_SLOTS + TRACK_MUD_SLOTS;
constexpr float TRACK_FLUSH_INTERVAL = 0.05f;         // seconds of atlas clock between paints
constexpr float TRACK_CLOD_SPACING = 0.48f;           // metres between clods, anchored to the world
constexpr float TRACK_STRIP_MAX_LENGTH = 512.0f;      // longer strips cannot come from one frame's motion
constexpr int TRACK_ELLIPSE_SEGMENTS = 18;            // triangles per ellipse fan
constexpr int TRACK_SHAPE_MAX_VERTICES = TRACK_ELLIPSE_SEGMENTS * 3;
constexpr size_t TRACK_ARCHIVE_TILE_BYTES = (size_t)TRACK_TILE_TEXELS * TRACK_TILE_TEXELS * 2;   // red, green: 512 KiB
constexpr size_t TRACK_TILE_RGBA_BYTES = (size_t)TRACK_TILE_TEXELS * TRACK_TILE_TEXELS * 4;      // 1 MiB

enum TrackStampKind : int32_t {
    TRACK_STAMP_FREE = 0,
    TRACK_STAMP_BOOT = 1,
    TRACK_STAMP_MUD = 2,
    TRACK_STAMP_STRIP = 3,
};

// One queued mark. Its forward axis is (sin angle, cos angle) in (x, z), its lateral axis
// (cos angle, -sin angle).
struct TrackStamp {
    float x, y, z;            // world position (a strip's centre)
    float angle;              // radians
    float size;               // mud print size or strip width, metres (boot prints ignore it)
    float time;               // atlas clock when queued, seconds
    int32_t kind;             // TrackStampKind
    float length;             // strips: metres between the ends
    // Strips: clods j with start <= j * 0.48 < end along the direction from the world origin,
    // half-open so that strips continuing each other paint their shared end once.
    float startDistance;      // metres along the direction to the strip's start
    int32_t clodFirst, clodEnd;
    // Tiles the mark can touch (columns and rows, inclusive) and what is already painted.
    uint8_t tileMinX, tileMaxX, tileMinZ, tileMaxZ;
    bool windowDone;          // painted into the resident window
    int16_t remoteBelow;      // remote tiles with a lower index are painted (they are painted in
                              // ascending order and a paint stops between tiles, never inside one)
};

// The GL side of the atlas, one operation at a time.
enum TrackSurface : int32_t {
    TRACK_SURFACE_WINDOW,     // 2048 x 2048, the resident 4 x 4 tiles
    TRACK_SURFACE_SCRATCH,    // 512 x 512, one remote tile
};

enum TrackGpuOpKind : int32_t {
    TRACK_GPU_CLEAR,          // the surface to opaque black
    TRACK_GPU_DRAW,           // the listed stamps, additively, with `origin` at texel (0, 0)'s corner
    TRACK_GPU_READ,           // tile block (column, row) of the surface into the tile buffer
    TRACK_GPU_WRITE,          // the tile buffer into tile block (column, row)
};

// The tile buffer holds one 512 x 512 block in RGBA bytes in read-back order: its first row is
// the block's +z edge, its last row the -z edge (the first row in world order).
struct TrackGpuOp {
    TrackGpuOpKind kind;
    TrackSurface surface;
    Vector2 origin;           // DRAW: world x, z of the surface's corner
    int column, row;          // READ, WRITE: block within the surface along x and z (0 in the scratch)
    const uint16_t *stamps;   // DRAW: indices into the queue
    int stampCount;
};

struct TrackAtlas;
// Runs one operation; false if it failed (only a read can).
typedef bool (*TrackGpuFunction)(TrackAtlas &atlas, const TrackGpuOp &op);

struct TrackTileStore {
    uint8_t *archive[TRACK_TILE_COUNT];      // red, green per texel, rows in world z order; null = empty
    bool windowDirty[TRACK_WINDOW_RESIDENT]; // a stamp was painted into that resident tile
    RenderTexture2D scratch;                 // one remote tile being painted, no depth
    int scratchTile;                         // tile loaded in the scratch, -1 for none
    bool scratchDirty;                       // the scratch holds marks the archive lacks
    uint8_t *buffer;                         // TRACK_TILE_RGBA_BYTES: one tile on its way up or down
};

// GL objects of the painter (render/tracks_gpu.cpp); zero until TrackAtlasCreate.
struct TrackPainter {
    unsigned int program;                    // area-coverage program for the pieces' triangles
    int locSurfaceSize;                      // its `surfaceSize`
    unsigned int vertexArray, vertexBuffer;
    void *vertices;                          // staging for one batch of triangles
    int capacity;                            // vertices the staging holds
};

struct TrackAtlas {
    TrackStamp stamps[TRACK_STAMP_CAPACITY]; // 0..255 boot ring, 256..767 mud ring
    uint32_t bootCount, mudCount;            // ring write counters
    float clock;                             // seconds, advanced by TrackAtlasUpdate
    float sinceFlush;                        // seconds since the queue was last painted
    bool pending;                            // some stamp is not painted everywhere yet
    RenderTexture2D window;                  // `groundTracks`: RGBA8, no depth, bilinear, clamp
    Vector2 origin;                          // `trackOrigin`: world x, z of the window's corner
    TrackTileStore store;
    TrackGpuFunction gpu;                    // installed by TrackAtlasCreate; null: nothing to paint into
    TrackPainter painter;
    uint16_t drawList[TRACK_STAMP_CAPACITY]; // stamps of the pass being painted
    uint8_t warned;                          // warnings logged since the queue last emptied
};

// Clears the queue, counters, clocks, window dirt and scratch, frees every archived tile, puts
// the corner at (-32, -32) and clears the window to black. GPU objects, the tile buffer and the
// installed function survive. Safe on a value-initialised record (before TrackAtlasCreate).
void TrackAtlasReset(TrackAtlas &atlas);
// Queues a boot (kind 1) or mud (kind 2) print; false if ignored (non-finite input, size <= 0,
// another kind, outside the tile grid) or refused (its ring slot holds a mark that could not be
// painted; logged once).
bool TrackStampPrint(TrackAtlas &atlas, Vector3 position, float angle, float size, int kind);
// Queues a dash strip of `width` from one point to another (horizontal distance); false as above,
// also for a strip shorter than 0.0001 m or longer than TRACK_STRIP_MAX_LENGTH.
bool TrackStampStrip(TrackAtlas &atlas, Vector3 from, Vector3 to, float width);
// The window corner on one axis for a player coordinate: kept while the player is within the
// focus region, else the nearest multiple of 16 that centres it, limited to -128..64.
float TrackFollowCorner(float corner, float player);
// Moves the window when the player leaves its focus region: paints the queue, archives the
// scratch and every dirty resident tile, then uploads the 16 tiles under the new corner. Nothing
// moves if any of that fails; a non-finite position is ignored.
void TrackAtlasFollow(TrackAtlas &atlas, Vector3 player);
// Advances the clock by dt (finite and positive only) and paints the queue every 0.05 s.
void TrackAtlasUpdate(TrackAtlas &atlas, float dt);
// Paints every queued stamp into the window and the remote tiles it touches; true if nothing is
// left pending. A failed scratch save stops it; what was painted is not painted again.
bool TrackAtlasPaint(TrackAtlas &atlas);

// Installs the GL function and allocates the tile buffer; false (one warning) without memory.
bool TrackAtlasAttach(TrackAtlas &atlas, TrackGpuFunction gpu);
// Frees the archive and the tile buffer and removes the function.
void TrackAtlasDetach(TrackAtlas &atlas);
// Whether tile (column, row) lies in the window, and its resident index.
bool TrackTileResident(const TrackAtlas &atlas, int column, int row, int *resident);
// One archived tile in read-back order: red and green from the archive, blue 0, alpha 255;
// opaque black for an empty tile.
void TrackTileToBuffer(const TrackAtlas &atlas, int tile, uint8_t *rgba);
// Keeps a tile read back in read-back order: allocates its archive on first use (a tile with no
// marks and no archive stays empty). False (one warning) if memory runs out.
bool TrackTileFromBuffer(TrackAtlas &atlas, int tile, const uint8_t *rgba);

// Stamp shapes: the pure half of painting.

enum TrackShapeKind : int32_t {
    TRACK_SHAPE_QUAD,         // points: four corners in order
    TRACK_SHAPE_ELLIPSE,      // points: centre, lateral radius vector, forward radius vector
};

// One filled piece of a stamp in world (x, z), with its colour and alpha.
struct TrackShape {
    TrackShapeKind kind;
    Vector2 points[4];
    unsigned char red, green, alpha;
};

// Pieces of a stamp: 7 for a print, 5 plus its clods for a strip.
int TrackStampShapeCount(const TrackStamp &stamp);
TrackShape TrackStampShape(const TrackStamp &stamp, int index);
// Triangles of a piece, 3 world (x, z) points each, into `vertices` (TRACK_SHAPE_MAX_VERTICES);
// the number of points written.
int TrackShapeTriangles(const TrackShape &shape, Vector2 *vertices);

