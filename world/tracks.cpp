// Ground tracks, CPU half: the queue, the follow rule, the archive, the stamp shapes and the
// order of every GL operation.
//
// Index
//   [SECTION] Warnings and tiles
//   [SECTION] Archive
//   [SECTION] Queue
//   [SECTION] Painting
//   [SECTION] Following the player
//   [SECTION] Lifecycle
//   [SECTION] Stamp shapes
#include "world/tracks.h"

#include "common/maths.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// [SECTION] Warnings and tiles

enum TrackWarning : uint8_t {
    WARNED_READ = 1,
    WARNED_PRESERVE = 2,
    WARNED_REFUSED = 4,
    WARNED_BUFFER = 8,
};

// Each warning is logged once until the queue next empties: a lasting failure would otherwise
// repeat it every flush.
static void WarnOnce(TrackAtlas &atlas, uint8_t which, const char *text)
{
    if (atlas.warned & which) return;
    atlas.warned |= which;
    TraceLog(LOG_WARNING, "%s", text);
}

static int CornerTile(float corner) { return (int)std::lround((corner - TRACK_GRID_MIN) / TRACK_TILE_METRES); }

bool TrackTileResident(const TrackAtlas &atlas, int column, int row, int *resident)
{
    int c = column - CornerTile(atlas.origin.x), r = row - CornerTile(atlas.origin.y);
    if (c < 0 || c >= TRACK_WINDOW_TILES || r < 0 || r >= TRACK_WINDOW_TILES) return false;
    if (resident) *resident = r * TRACK_WINDOW_TILES + c;
    return true;
}

// [SECTION] Archive

void TrackTileToBuffer(const TrackAtlas &atlas, int tile, uint8_t *rgba)
{
    if (!rgba) return;
    const uint8_t *archive = tile >= 0 && tile < TRACK_TILE_COUNT ? atlas.store.archive[tile] : nullptr;
    uint32_t row32[TRACK_TILE_TEXELS];
    for (int j = 0; j < TRACK_TILE_TEXELS; j++) {
        // Archived rows run in world z; the buffer starts at the +z edge.
        uint8_t *out = rgba + (size_t)(TRACK_TILE_TEXELS - 1 - j) * TRACK_TILE_TEXELS * 4;
        if (!archive) {
            static const uint8_t black[4] = {0, 0, 0, 255};
            for (int i = 0; i < TRACK_TILE_TEXELS; i++) std::memcpy(out + i * 4, black, 4);
            continue;
        }
        const uint8_t *in = archive + (size_t)j * TRACK_TILE_TEXELS * 2;
        for (int i = 0; i < TRACK_TILE_TEXELS; i++) {
            uint8_t texel[4] = {in[i * 2 + 0], in[i * 2 + 1], 0, 255};
            std::memcpy(&row32[i], texel, 4);
        }
        std::memcpy(out, row32, sizeof(row32));
    }
}

bool TrackTileFromBuffer(TrackAtlas &atlas, int tile, const uint8_t *rgba)
{
    if (!rgba || tile < 0 || tile >= TRACK_TILE_COUNT) return false;
    uint8_t *&archive = atlas.store.archive[tile];
    if (!archive) {
        uint8_t marks = 0;
        for (int j = 0; j < TRACK_TILE_TEXELS && marks == 0; j++) {
            const uint8_t *in = rgba + (size_t)j * TRACK_TILE_TEXELS * 4;
            for (int i = 0; i < TRACK_TILE_TEXELS; i++) marks |= in[i * 4] | in[i * 4 + 1];
        }
        if (marks == 0) return true;   // nothing to keep: the tile stays empty
        archive = (uint8_t *)std::malloc(TRACK_ARCHIVE_TILE_BYTES);
        if (!archive) {
            WarnOnce(atlas, WARNED_PRESERVE, "TRACKS: Could not preserve a ground tile in CPU memory");
            return false;
        }
    }
    for (int j = 0; j < TRACK_TILE_TEXELS; j++) {
        const uint8_t *in = rgba + (size_t)(TRACK_TILE_TEXELS - 1 - j) * TRACK_TILE_TEXELS * 4;
        uint8_t *out = archive + (size_t)j * TRACK_TILE_TEXELS * 2;
        for (int i = 0; i < TRACK_TILE_TEXELS; i++) {
            out[i * 2 + 0] = in[i * 4 + 0];
            out[i * 2 + 1] = in[i * 4 + 1];
        }
    }
    return true;
}

static void FreeArchive(TrackAtlas &atlas)
{
    for (uint8_t *&tile : atlas.store.archive) {
        std::free(tile);
        tile = nullptr;
    }
}

// Reads one block of a surface back and keeps it as `tile`.
static bool SaveBlock(TrackAtlas &atlas, TrackSurface surface, int column, int row, int tile)
{
    TrackGpuOp op{TRACK_GPU_READ, surface, {0.0f, 0.0f}, column, row, nullptr, 0};
    if (!atlas.gpu(atlas, op)) {
        WarnOnce(atlas, WARNED_READ, "TRACKS: Could not read a ground tile from the GPU");
        return false;
    }
    return TrackTileFromBuffer(atlas, tile, atlas.store.buffer);
}

static bool SaveScratch(TrackAtlas &atlas)
{
    if (!atlas.store.scratchDirty) return true;
    if (!SaveBlock(atlas, TRACK_SURFACE_SCRATCH, 0, 0, atlas.store.scratchTile)) return false;
    atlas.store.scratchDirty = false;
    return true;
}

// [SECTION] Queue

// Tiles a stamp can touch; false if it lies entirely off the tile grid.
static bool StampTiles(TrackStamp &s)
{
    float hx, hz;
    if (s.kind == TRACK_STAMP_BOOT) {
        hx = hz = 0.3f;
    } else if (s.kind == TRACK_STAMP_MUD) {
        hx = hz = 1.5f * s.size + 0.1f;
    } else {
        hx = std::fabs(std::sin(s.angle)) * s.length * 0.5f + 1.5f * s.size + 0.1f;
        hz = std::fabs(std::cos(s.angle)) * s.length * 0.5f + 1.5f * s.size + 0.1f;
    }
    float c0 = std::floor((s.x - hx - TRACK_GRID_MIN) / TRACK_TILE_METRES);
    float c1 = std::floor((s.x + hx - TRACK_GRID_MIN) / TRACK_TILE_METRES);
    float r0 = std::floor((s.z - hz - TRACK_GRID_MIN) / TRACK_TILE_METRES);
    float r1 = std::floor((s.z + hz - TRACK_GRID_MIN) / TRACK_TILE_METRES);
    const float last = (float)(TRACK_TILES_PER_SIDE - 1);
    if (!(c1 >= 0.0f && c0 <= last && r1 >= 0.0f && r0 <= last)) return false;
    // Clamped as floats: the values may be far beyond any integer range.
    s.tileMinX = (uint8_t)ClampSafe(c0, 0.0f, last);
    s.tileMaxX = (uint8_t)ClampSafe(c1, 0.0f, last);
    s.tileMinZ = (uint8_t)ClampSafe(r0, 0.0f, last);
    s.tileMaxZ = (uint8_t)ClampSafe(r1, 0.0f, last);
    return true;
}

// Stores a stamp in its ring slot. A slot still holding an unpainted mark is painted first; if
// that paint stopped early, any free slot of the ring takes the mark (the marks add up in any
// order), and only a ring with none left refuses it rather than overwrite a mark.
static bool Enqueue(TrackAtlas &atlas, TrackStamp stamp)
{
    if (!StampTiles(stamp)) return false;
    bool boot = stamp.kind == TRACK_STAMP_BOOT;
    int first = boot ? 0 : TRACK_BOOT_SLOTS;
    int size = boot ? TRACK_BOOT_SLOTS : TRACK_MUD_SLOTS;
    int wanted = (int)((boot ? atlas.bootCount : atlas.mudCount) % (uint32_t)size);
    int slot = first + wanted;
    if (atlas.stamps[slot].kind != TRACK_STAMP_FREE) TrackAtlasPaint(atlas);
    for (int probe = 1; probe < size && atlas.stamps[slot].kind != TRACK_STAMP_FREE; probe++)
        slot = first + (wanted + probe) % size;
    if (atlas.stamps[slot].kind != TRACK_STAMP_FREE) {
        WarnOnce(atlas, WARNED_REFUSED, "TRACKS: Ground mark dropped: its queue is full of marks that could not be painted");
        return false;
    }
    stamp.time = atlas.clock;
    atlas.stamps[slot] = stamp;
    if (boot) atlas.bootCount++;
    else atlas.mudCount++;
    atlas.pending = true;
    return true;
}

bool TrackStampPrint(TrackAtlas &atlas, Vector3 position, float angle, float size, int kind)
{
    if (!IsFinite(position) || !IsFinite(angle) || !IsFinite(size) || !(size > 0.0f)) return false;
    if (kind != TRACK_STAMP_BOOT && kind != TRACK_STAMP_MUD) return false;
    TrackStamp s{};
    s.x = position.x;
    s.y = position.y;
    s.z = position.z;
    s.angle = angle;
    s.size = size;
    s.kind = kind;
    return Enqueue(atlas, s);
}

// Smallest clod index j with j * 0.48 >= d, by the same float product the shapes use.
static int32_t ClodAtOrAfter(float d)
{
    int32_t j = (int32_t)std::ceil(d / TRACK_CLOD_SPACING);
    while ((float)j * TRACK_CLOD_SPACING < d) j++;
    while ((float)(j - 1) * TRACK_CLOD_SPACING >= d) j--;
    return j;
}

bool TrackStampStrip(TrackAtlas &atlas, Vector3 from, Vector3 to, float width)
{
    if (!IsFinite(from) || !IsFinite(to) || !IsFinite(width) || !(width > 0.0f)) return false;
    float dx = to.x - from.x, dz = to.z - from.z;
    float length = std::sqrt(dx * dx + dz * dz);
    if (!IsFinite(length) || length < 0.0001f || length > TRACK_STRIP_MAX_LENGTH) return false;
    TrackStamp s{};
    s.x = 0.5f * (from.x + to.x);
    s.y = 0.5f * (from.y + to.y);
    s.z = 0.5f * (from.z + to.z);
    s.angle = std::atan2(dx, dz);
    s.size = width;
    s.length = length;
    s.kind = TRACK_STAMP_STRIP;
    float ux = std::sin(s.angle), uz = std::cos(s.angle);
    float start = from.x * ux + from.z * uz, end = to.x * ux + to.z * uz;
    s.startDistance = start;
    // A strip that still touches the grid this far out has no clods worth placing; the bound keeps
    // the indices far from integer overflow.
    if (std::fabs(start) < 1.0e6f && std::fabs(end) < 1.0e6f) {
        s.clodFirst = ClodAtOrAfter(start);
        s.clodEnd = ClodAtOrAfter(end);
        if (s.clodEnd < s.clodFirst) s.clodEnd = s.clodFirst;
    }
    return Enqueue(atlas, s);
}

// [SECTION] Painting

static bool Covers(const TrackStamp &s, int column, int row)
{
    return column >= s.tileMinX && column <= s.tileMaxX && row >= s.tileMinZ && row <= s.tileMaxZ;
}

// Whether some tile of the stamp still lacks it.
static bool Outstanding(const TrackAtlas &atlas, const TrackStamp &s)
{
    for (int r = s.tileMinZ; r <= s.tileMaxZ; r++) {
        for (int c = s.tileMinX; c <= s.tileMaxX; c++) {
            if (TrackTileResident(atlas, c, r, nullptr) ? !s.windowDone : r * TRACK_TILES_PER_SIDE + c >= s.remoteBelow)
                return true;
        }
    }
    return false;
}

// Frees every stamp that is painted everywhere; whether any is left.
static bool Settle(TrackAtlas &atlas)
{
    bool left = false;
    for (TrackStamp &s : atlas.stamps) {
        if (s.kind == TRACK_STAMP_FREE) continue;
        if (Outstanding(atlas, s)) left = true;
        else s.kind = TRACK_STAMP_FREE;
    }
    atlas.pending = left;
    atlas.sinceFlush = 0.0f;
    if (!left) atlas.warned = 0;
    return !left;
}

// The window pass: every stamp not yet in the window that touches a resident tile.
static void PaintWindow(TrackAtlas &atlas)
{
    int n = 0;
    for (int i = 0; i < TRACK_STAMP_CAPACITY; i++) {
        TrackStamp &s = atlas.stamps[i];
        if (s.kind == TRACK_STAMP_FREE || s.windowDone) continue;
        bool touches = false;
        for (int r = s.tileMinZ; r <= s.tileMaxZ; r++) {
            for (int c = s.tileMinX; c <= s.tileMaxX; c++) {
                int k;
                if (!TrackTileResident(atlas, c, r, &k)) continue;
                atlas.store.windowDirty[k] = true;
                touches = true;
            }
        }
        if (touches) atlas.drawList[n++] = (uint16_t)i;
    }
    if (n == 0) return;
    atlas.gpu(atlas, {TRACK_GPU_DRAW, TRACK_SURFACE_WINDOW, atlas.origin, 0, 0, atlas.drawList, n});
    for (int i = 0; i < n; i++) atlas.stamps[atlas.drawList[i]].windowDone = true;
}

// One remote tile through the scratch target; false if the scratch's previous tile could not be
// kept (then nothing is painted into this one).
static bool PaintRemote(TrackAtlas &atlas, int tile)
{
    TrackTileStore &store = atlas.store;
    if (store.scratchTile != tile) {
        if (!SaveScratch(atlas)) return false;
        if (store.archive[tile]) {
            TrackTileToBuffer(atlas, tile, store.buffer);
            atlas.gpu(atlas, {TRACK_GPU_WRITE, TRACK_SURFACE_SCRATCH, {0.0f, 0.0f}, 0, 0, nullptr, 0});
        } else {
            atlas.gpu(atlas, {TRACK_GPU_CLEAR, TRACK_SURFACE_SCRATCH, {0.0f, 0.0f}, 0, 0, nullptr, 0});
        }
        store.scratchTile = tile;
        store.scratchDirty = false;
    }
    int column = tile % TRACK_TILES_PER_SIDE, row = tile / TRACK_TILES_PER_SIDE;
    int n = 0;
    for (int i = 0; i < TRACK_STAMP_CAPACITY; i++) {
        const TrackStamp &s = atlas.stamps[i];
        if (s.kind != TRACK_STAMP_FREE && tile >= s.remoteBelow && Covers(s, column, row)) atlas.drawList[n++] = (uint16_t)i;
    }
    Vector2 corner = {TRACK_GRID_MIN + TRACK_TILE_METRES * (float)column, TRACK_GRID_MIN + TRACK_TILE_METRES * (float)row};
    atlas.gpu(atlas, {TRACK_GPU_DRAW, TRACK_SURFACE_SCRATCH, corner, 0, 0, atlas.drawList, n});
    store.scratchDirty = true;
    for (int i = 0; i < n; i++) atlas.stamps[atlas.drawList[i]].remoteBelow = (int16_t)(tile + 1);
    return true;
}

bool TrackAtlasPaint(TrackAtlas &atlas)
{
    if (!atlas.pending) {
        atlas.sinceFlush = 0.0f;
        return true;
    }
    if (!atlas.gpu || !atlas.store.buffer) {
        // Nothing to paint into (no renderer): the marks have nowhere to live.
        for (TrackStamp &s : atlas.stamps) s.kind = TRACK_STAMP_FREE;
        return Settle(atlas);
    }
    PaintWindow(atlas);
    bool remote[TRACK_TILE_COUNT] = {};
    for (const TrackStamp &s : atlas.stamps) {
        if (s.kind == TRACK_STAMP_FREE) continue;
        for (int r = s.tileMinZ; r <= s.tileMaxZ; r++) {
            for (int c = s.tileMinX; c <= s.tileMaxX; c++) {
                int tile = r * TRACK_TILES_PER_SIDE + c;
                if (!TrackTileResident(atlas, c, r, nullptr) && tile >= s.remoteBelow) remote[tile] = true;
            }
        }
    }
    for (int tile = 0; tile < TRACK_TILE_COUNT; tile++) {
        if (remote[tile] && !PaintRemote(atlas, tile)) break;
    }
    return Settle(atlas);
}

void TrackAtlasUpdate(TrackAtlas &atlas, float dt)
{
    if (!IsFinite(dt) || !(dt > 0.0f)) return;
    atlas.clock += dt;
    atlas.sinceFlush += dt;
    if (atlas.sinceFlush >= TRACK_FLUSH_INTERVAL) TrackAtlasPaint(atlas);
}

// [SECTION] Following the player

float TrackFollowCorner(float corner, float player)
{
    if (player >= corner + TRACK_FOCUS_NEAR && player <= corner + TRACK_FOCUS_FAR) return corner;
    float candidate = std::floor((player + 8.0f) / TRACK_TILE_METRES) * TRACK_TILE_METRES - 32.0f;
    return ClampSafe(candidate, TRACK_ORIGIN_MIN, TRACK_ORIGIN_MAX);
}

void TrackAtlasFollow(TrackAtlas &atlas, Vector3 player)
{
    if (!IsFinite(player.x) || !IsFinite(player.z)) return;
    Vector2 next = {TrackFollowCorner(atlas.origin.x, player.x), TrackFollowCorner(atlas.origin.y, player.z)};
    if (next.x == atlas.origin.x && next.y == atlas.origin.y) return;
    if (!TrackAtlasPaint(atlas)) return;
    TrackTileStore &store = atlas.store;
    bool gpu = atlas.gpu && store.buffer;
    if (gpu) {
        if (!SaveScratch(atlas)) return;
        int column = CornerTile(atlas.origin.x), row = CornerTile(atlas.origin.y);
        for (int k = 0; k < TRACK_WINDOW_RESIDENT; k++) {
            if (!store.windowDirty[k]) continue;
            int c = k % TRACK_WINDOW_TILES, r = k / TRACK_WINDOW_TILES;
            if (!SaveBlock(atlas, TRACK_SURFACE_WINDOW, c, r, (row + r) * TRACK_TILES_PER_SIDE + column + c)) return;
            store.windowDirty[k] = false;
        }
    }
    atlas.origin = next;
    store.scratchTile = -1;
    store.scratchDirty = false;
    for (bool &dirty : store.windowDirty) dirty = false;
    if (!gpu) return;
    // Black first, then the archived tiles one by one through the one-tile buffer: the window's
    // 16 MiB are never assembled at once.
    atlas.gpu(atlas, {TRACK_GPU_CLEAR, TRACK_SURFACE_WINDOW, {0.0f, 0.0f}, 0, 0, nullptr, 0});
    int column = CornerTile(next.x), row = CornerTile(next.y);
    for (int r = 0; r < TRACK_WINDOW_TILES; r++) {
        for (int c = 0; c < TRACK_WINDOW_TILES; c++) {
            int tile = (row + r) * TRACK_TILES_PER_SIDE + column + c;
            if (!store.archive[tile]) continue;
            TrackTileToBuffer(atlas, tile, store.buffer);
            atlas.gpu(atlas, {TRACK_GPU_WRITE, TRACK_SURFACE_WINDOW, {0.0f, 0.0f}, c, r, nullptr, 0});
        }
    }
}

// [SECTION] Lifecycle

void TrackAtlasReset(TrackAtlas &atlas)
{
    FreeArchive(atlas);
    // GPU objects, the buffer and the GL function live from creation to release.
    RenderTexture2D window = atlas.window, scratch = atlas.store.scratch;
    uint8_t *buffer = atlas.store.buffer;
    TrackGpuFunction gpu = atlas.gpu;
    TrackPainter painter = atlas.painter;
    atlas = {};
    atlas.window = window;
    atlas.store.scratch = scratch;
    atlas.store.buffer = buffer;
    atlas.gpu = gpu;
    atlas.painter = painter;
    atlas.origin = {TRACK_ORIGIN_START, TRACK_ORIGIN_START};
    atlas.store.scratchTile = -1;
    if (atlas.gpu) atlas.gpu(atlas, {TRACK_GPU_CLEAR, TRACK_SURFACE_WINDOW, {0.0f, 0.0f}, 0, 0, nullptr, 0});
}

bool TrackAtlasAttach(TrackAtlas &atlas, TrackGpuFunction gpu)
{
    if (!atlas.store.buffer) atlas.store.buffer = (uint8_t *)std::malloc(TRACK_TILE_RGBA_BYTES);
    if (!atlas.store.buffer) {
        WarnOnce(atlas, WARNED_BUFFER, "TRACKS: Could not allocate the ground tile buffer");
        return false;
    }
    atlas.gpu = gpu;
    return true;
}

void TrackAtlasDetach(TrackAtlas &atlas)
{
    FreeArchive(atlas);
    std::free(atlas.store.buffer);
    atlas.store.buffer = nullptr;
    atlas.gpu = nullptr;
}

// [SECTION] Stamp shapes

namespace {

// A stamp's local frame: (u, v) metres laterally and forward from its position.
struct Frame {
    Vector2 origin, lateral, forward;
    Vector2 At(float u, float v) const { return origin + lateral * u + forward * v; }
};

Frame FrameOf(const TrackStamp &s)
{
    float sn = std::sin(s.angle), cs = std::cos(s.angle);
    return {{s.x, s.z}, {cs, -sn}, {sn, cs}};
}

TrackShape Quad(const Frame &f, float u0, float v0, float width, float length, unsigned char red, unsigned char green,
                unsigned char alpha)
{
    float hw = 0.5f * width, hl = 0.5f * length;
    return {TRACK_SHAPE_QUAD,
            {f.At(u0 - hw, v0 - hl), f.At(u0 + hw, v0 - hl), f.At(u0 + hw, v0 + hl), f.At(u0 - hw, v0 + hl)},
            red, green, alpha};
}

// A strip-long trapezoid with half widths h0 at its start and h1 at its end.
TrackShape Trapezoid(const Frame &f, float h0, float h1, float length, unsigned char alpha)
{
    float hl = 0.5f * length;
    return {TRACK_SHAPE_QUAD, {f.At(-h0, -hl), f.At(h0, -hl), f.At(h1, hl), f.At(-h1, hl)}, 0, 255, alpha};
}

TrackShape Ellipse(const Frame &f, float u, float v, float lateralRadius, float forwardRadius, unsigned char green,
                   unsigned char alpha)
{
    return {TRACK_SHAPE_ELLIPSE, {f.At(u, v), f.lateral * lateralRadius, f.forward * forwardRadius, {0.0f, 0.0f}},
            0, green, alpha};
}

// The strip's ragged half-width factor at a world point.
float StripEdge(Vector2 p) { return 0.7f + 0.065f * std::sin(6.7f * p.y + 8.3f * p.x) + 0.035f * std::sin(17.7f * p.x - 13.1f * p.y); }

TrackShape BootShape(const TrackStamp &s, int index)
{
    Frame f = FrameOf(s);
    const unsigned char R = 255, A = 210;
    switch (index) {
    case 0: return Quad(f, 0.0f, -0.115f, 0.18f, 0.10f, R, 0, A);   // heel
    case 1: return Quad(f, 0.0f, 0.115f, 0.20f, 0.10f, R, 0, A);    // toe
    case 2:
    case 3:
    case 4: return Quad(f, 0.0f, -0.035f + 0.044f * (float)(index - 2), 0.19f, 0.022f, R, 0, A);   // tread bars
    case 5: return Quad(f, -0.1f, 0.02f, 0.023f, 0.29f, R, 0, A);   // side rails
    default: return Quad(f, 0.1f, 0.02f, 0.023f, 0.29f, R, 0, A);
    }
}

TrackShape MudShape(const TrackStamp &s, int index)
{
    Frame f = FrameOf(s);
    float size = s.size;
    if (index == 0) return Ellipse(f, 0.0f, 0.0f, 1.08f * size, 0.85f * size, 255, 180);
    if (index == 1) return Ellipse(f, 0.0f, -0.52f * size, 0.66f * size, 0.8f * size, 220, 100);
    int i = index - 2;
    float phi = 2.4f * (float)i + s.x;
    return Ellipse(f, 1.15f * size * std::cos(phi), size * std::sin(phi), 0.045f + 0.018f * (float)(i % 2), 0.035f, 255, 180);
}

TrackShape StripShape(const TrackStamp &s, int index)
{
    Frame f = FrameOf(s);
    float w = s.size, half = 0.5f * s.length;
    float e0 = StripEdge(f.At(0.0f, -half)), e1 = StripEdge(f.At(0.0f, half));
    if (index == 0) return Trapezoid(f, (e0 + 0.065f) * w, (e1 + 0.065f) * w, s.length, 65);   // halo, 0.13 w wider
    if (index == 1) return Trapezoid(f, e0 * w, e1 * w, s.length, 145);
    if (index <= 4) return Quad(f, 0.32f * w * (float)(index - 3), 0.0f, 0.09f * w, s.length, 0, 255, 55);   // grooves
    int j = s.clodFirst + (index - 5);
    float n = 0.5f + 0.5f * std::sin(17.31f * (float)j + 3.7f * s.angle);
    float side = (j & 1) ? -1.0f : 1.0f;
    float v = (float)j * TRACK_CLOD_SPACING - s.startDistance - half;
    return Ellipse(f, side * (0.95f + 0.28f * n) * w, v, 0.025f + 0.025f * n, 0.045f + 0.055f * n, 230, 150);
}

}  // namespace

int TrackStampShapeCount(const TrackStamp &stamp)
{
    switch (stamp.kind) {
    case TRACK_STAMP_BOOT:
    case TRACK_STAMP_MUD: return 7;
    case TRACK_STAMP_STRIP: return 5 + (stamp.clodEnd > stamp.clodFirst ? stamp.clodEnd - stamp.clodFirst : 0);
    default: return 0;
    }
}

TrackShape TrackStampShape(const TrackStamp &stamp, int index)
{
    switch (stamp.kind) {
    case TRACK_STAMP_BOOT: return BootShape(stamp, index);
    case TRACK_STAMP_MUD: return MudShape(stamp, index);
    case TRACK_STAMP_STRIP: return StripShape(stamp, index);
    default: return TrackShape{};
    }
}

int TrackShapeTriangles(const TrackShape &shape, Vector2 *vertices)
{
    if (!vertices) return 0;
    const Vector2 *p = shape.points;
    if (shape.kind == TRACK_SHAPE_QUAD) {
        const Vector2 corners[6] = {p[0], p[1], p[2], p[0], p[2], p[3]};
        for (int i = 0; i < 6; i++) vertices[i] = corners[i];
        return 6;
    }
    const float step = 2.0f * PI / (float)TRACK_ELLIPSE_SEGMENTS;
    Vector2 previous = p[0] + p[1];
    for (int k = 1; k <= TRACK_ELLIPSE_SEGMENTS; k++) {
        float a = step * (float)(k % TRACK_ELLIPSE_SEGMENTS);
        Vector2 next = p[0] + p[1] * std::cos(a) + p[2] * std::sin(a);
        vertices[(k - 1) * 3 + 0] = p[0];
        vertices[(k - 1) * 3 + 1] = previous;
        vertices[(k - 1) * 3 + 2] = next;
        previous = next;
    }
    return TRACK_SHAPE_MAX_VERTICES;
}
