// Ground-track atlas on the GPU: everything is read back straight from the targets with
// glReadPixels, independently of the atlas's own read-backs.
//
// Index
//   [SECTION] Read-back
//   [SECTION] Checks
//   [SECTION] Entry
#include "dev/tracks_check.h"

#include "render/tracks_gpu.h"
#include "world/tracks.h"

#include "rlgl.h"
#include "external/glad.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// [SECTION] Read-back

static constexpr size_t BLOCK_BYTES = TRACK_TILE_RGBA_BYTES;

// One 512 x 512 block of a target (column along x, row along z), in read-back order.
static bool ReadBlock(const RenderTexture2D &target, int column, int row, uint8_t *out)
{
    if (target.id == 0) return false;
    rlDrawRenderBatchActive();
    glBindFramebuffer(GL_FRAMEBUFFER, target.id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(column * TRACK_TILE_TEXELS, target.texture.height - (row + 1) * TRACK_TILE_TEXELS, TRACK_TILE_TEXELS,
                 TRACK_TILE_TEXELS, GL_RGBA, GL_UNSIGNED_BYTE, out);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return glGetError() == GL_NO_ERROR;
}

// All 16 blocks of the window, block k = row * 4 + column.
static bool ReadWindow(const TrackAtlas &atlas, uint8_t *out)
{
    bool ok = true;
    for (int k = 0; k < TRACK_WINDOW_RESIDENT; k++)
        ok = ReadBlock(atlas.window, k % TRACK_WINDOW_TILES, k / TRACK_WINDOW_TILES, out + (size_t)k * BLOCK_BYTES) && ok;
    return ok;
}

// Window block holding world tile `tile`, or -1.
static int ResidentBlock(const TrackAtlas &atlas, int tile)
{
    int k;
    return TrackTileResident(atlas, tile % TRACK_TILES_PER_SIDE, tile / TRACK_TILES_PER_SIDE, &k) ? k : -1;
}

static int TileAt(float x, float z)
{
    return (int)std::floor((z + 128.0f) / 16.0f) * TRACK_TILES_PER_SIDE + (int)std::floor((x + 128.0f) / 16.0f);
}

// Sum of one channel over a world square of a block whose corner is at (cornerX, cornerZ).
static double ChannelSum(const uint8_t *block, float cornerX, float cornerZ, float x0, float z0, float x1, float z1, int channel)
{
    double sum = 0.0;
    for (int j = 0; j < TRACK_TILE_TEXELS; j++) {
        float z = cornerZ + ((float)(TRACK_TILE_TEXELS - 1 - j) + 0.5f) / (float)TRACK_TEXELS_PER_METRE;   // read-back rows start at +z
        if (z < z0 || z >= z1) continue;
        for (int i = 0; i < TRACK_TILE_TEXELS; i++) {
            float x = cornerX + ((float)i + 0.5f) / (float)TRACK_TEXELS_PER_METRE;
            if (x >= x0 && x < x1) sum += block[((size_t)j * TRACK_TILE_TEXELS + i) * 4 + channel];
        }
    }
    return sum;
}

// Walks the player in steps of `step` metres with the game's follow and update, one 60 Hz frame each.
static void Walk(TrackAtlas &atlas, Vector3 from, Vector3 to, float step)
{
    float length = std::sqrt((to.x - from.x) * (to.x - from.x) + (to.z - from.z) * (to.z - from.z));
    int steps = (int)std::ceil(length / step);
    for (int i = 1; i <= steps; i++) {
        float t = (float)i / (float)steps;
        TrackAtlasFollow(atlas, {from.x + (to.x - from.x) * t, 0.0f, from.z + (to.z - from.z) * t});
        TrackAtlasUpdate(atlas, 1.0f / 60.0f);
    }
}

// [SECTION] Checks

static void Check(TracksCheckCounts &tally, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (ok) tally.passed++;
    else tally.failed++;
}

struct Buffers {
    uint8_t *windowBefore;   // 16 blocks
    uint8_t *windowAfter;
    uint8_t *blockA, *blockB, *blockC;
};

// Marks in resident and remote tiles, a 48 m walk out and back twice: the home window and the far
// tile come back byte for byte each time.
static void CheckRoundTrip(TracksCheckCounts &tally, TrackAtlas &atlas, Buffers &b)
{
    TrackAtlasReset(atlas);
    const Vector3 home = {0.0f, 0.0f, 0.0f}, away = {48.0f, 0.0f, 0.0f};
    for (int i = 0; i < 12; i++) {
        float x = -28.0f + 5.0f * (float)i, z = -26.0f + 4.5f * (float)i;
        TrackStampPrint(atlas, {x, 0.0f, z}, 0.4f * (float)i, 1.0f, TRACK_STAMP_BOOT);
        TrackStampPrint(atlas, {x + 1.5f, 0.0f, z - 1.0f}, 0.9f * (float)i, 0.35f, TRACK_STAMP_MUD);
    }
    TrackStampStrip(atlas, {-20.0f, 0.0f, 10.0f}, {-12.0f, 0.0f, 18.0f}, 0.5f);
    TrackStampStrip(atlas, {14.0f, 0.0f, -3.0f}, {17.0f, 0.0f, 2.0f}, 0.6f);   // across a tile edge
    // Remote: two tiles ahead of the walk and one behind the window.
    const int farTile = TileAt(60.0f, 5.0f);
    TrackStampPrint(atlas, {60.0f, 0.0f, 5.0f}, 1.1f, 0.8f, TRACK_STAMP_MUD);
    TrackStampPrint(atlas, {60.3f, 0.0f, 5.2f}, 1.1f, 1.0f, TRACK_STAMP_BOOT);
    TrackStampStrip(atlas, {58.0f, 0.0f, 2.0f}, {62.0f, 0.0f, 9.0f}, 0.4f);
    TrackStampPrint(atlas, {-60.0f, 0.0f, -60.0f}, 2.0f, 0.6f, TRACK_STAMP_MUD);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    bool painted = !atlas.pending && atlas.store.scratchTile == farTile;
    // The far tile as the scratch painted it.
    bool read = ReadBlock(atlas.store.scratch, 0, 0, b.blockA) && ReadWindow(atlas, b.windowBefore);

    int homeMismatch = 0, farMismatch = 0, farMarked = 0;
    for (size_t p = 0; p < BLOCK_BYTES; p += 4) farMarked += b.blockA[p + 1] > 0;
    for (int trip = 0; trip < 2; trip++) {
        Walk(atlas, home, away, 0.1f);
        int k = ResidentBlock(atlas, farTile);
        if (k < 0 || !ReadBlock(atlas.window, k % TRACK_WINDOW_TILES, k / TRACK_WINDOW_TILES, b.blockB)) read = false;
        else farMismatch += memcmp(b.blockA, b.blockB, BLOCK_BYTES) != 0;
        Walk(atlas, away, home, 0.1f);
        if (!ReadWindow(atlas, b.windowAfter)) read = false;
        else homeMismatch += memcmp(b.windowBefore, b.windowAfter, BLOCK_BYTES * TRACK_WINDOW_RESIDENT) != 0;
    }
    char line[200];
    snprintf(line, sizeof(line), "round trip: home window and far tile (%d marked texels) after two 48 m walks out and back: "
             "%d and %d trips differ", farMarked, homeMismatch, farMismatch);
    Check(tally, painted && read && farMarked > 1000 && homeMismatch == 0 && farMismatch == 0 &&
                     atlas.origin.x == TRACK_ORIGIN_START && atlas.origin.y == TRACK_ORIGIN_START, line);
}

// A mud print centred on the window's +x edge: the window's half and the scratch's half add up to
// the same print painted whole.
static void CheckStraddle(TracksCheckCounts &tally, TrackAtlas &atlas, Buffers &b)
{
    const Vector3 spot = {32.0f, 0.0f, 4.0f};   // the window covers x -32..32
    TrackAtlasReset(atlas);
    TrackStampPrint(atlas, spot, 0.6f, 0.9f, TRACK_STAMP_MUD);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    int k = ResidentBlock(atlas, TileAt(31.0f, 4.0f));
    bool ok = k >= 0 && atlas.store.scratchTile == TileAt(33.0f, 4.0f) &&
              ReadBlock(atlas.window, k % TRACK_WINDOW_TILES, k / TRACK_WINDOW_TILES, b.blockA) &&
              ReadBlock(atlas.store.scratch, 0, 0, b.blockB);
    double inside = ChannelSum(b.blockA, 16.0f, 0.0f, 16.0f, 0.0f, 32.0f, 16.0f, 1);
    double outside = ChannelSum(b.blockB, 32.0f, 0.0f, 32.0f, 0.0f, 48.0f, 16.0f, 1);

    // The same print with the window moved so that it lies inside.
    TrackAtlasReset(atlas);
    Walk(atlas, {0.0f, 0.0f, 0.0f}, {40.0f, 0.0f, 0.0f}, 0.5f);
    TrackStampPrint(atlas, spot, 0.6f, 0.9f, TRACK_STAMP_MUD);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    int left = ResidentBlock(atlas, TileAt(31.0f, 4.0f)), right = ResidentBlock(atlas, TileAt(33.0f, 4.0f));
    ok = ok && left >= 0 && right >= 0 &&
         ReadBlock(atlas.window, left % TRACK_WINDOW_TILES, left / TRACK_WINDOW_TILES, b.blockA) &&
         ReadBlock(atlas.window, right % TRACK_WINDOW_TILES, right / TRACK_WINDOW_TILES, b.blockB);
    double whole = ChannelSum(b.blockA, 16.0f, 0.0f, 16.0f, 0.0f, 32.0f, 16.0f, 1) +
                   ChannelSum(b.blockB, 32.0f, 0.0f, 32.0f, 0.0f, 48.0f, 16.0f, 1);
    double split = inside + outside;
    double error = whole > 0.0 ? std::fabs(split - whole) / whole : 1.0;
    char line[200];
    snprintf(line, sizeof(line), "window edge: a print split %.0f + %.0f against %.0f whole (%.3f %% apart)", inside, outside,
             whole, 100.0 * error);
    Check(tally, ok && inside > 0.0 && outside > 0.0 && error <= 0.01, line);
}

// Boot prints raise only red, mud prints only green, and a strip over a boot print keeps its red.
static void CheckChannels(TracksCheckCounts &tally, TrackAtlas &atlas, Buffers &b)
{
    TrackAtlasReset(atlas);
    const Vector3 spot = {4.0f, 0.0f, 5.0f};
    int k = ResidentBlock(atlas, TileAt(spot.x, spot.z));
    int bc = k % TRACK_WINDOW_TILES, br = k / TRACK_WINDOW_TILES;
    bool ok = k >= 0 && ReadBlock(atlas.window, bc, br, b.blockA);
    int notBlack = 0;
    for (size_t p = 0; p < BLOCK_BYTES; p += 4)
        notBlack += b.blockA[p] != 0 || b.blockA[p + 1] != 0 || b.blockA[p + 2] != 0 || b.blockA[p + 3] != 255;

    TrackStampPrint(atlas, spot, 0.8f, 1.0f, TRACK_STAMP_BOOT);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    ok = ReadBlock(atlas.window, bc, br, b.blockB) && ok;
    int red = 0, otherRaised = 0;
    for (size_t p = 0; p < BLOCK_BYTES; p += 4) {
        red += b.blockB[p] > 0;
        otherRaised += b.blockB[p + 1] != 0 || b.blockB[p + 2] != 0;
    }

    TrackStampPrint(atlas, {spot.x + 0.1f, 0.0f, spot.z}, 0.2f, 0.3f, TRACK_STAMP_MUD);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    ok = ReadBlock(atlas.window, bc, br, b.blockC) && ok;
    int mudRedChanged = 0, green = 0;
    for (size_t p = 0; p < BLOCK_BYTES; p += 4) {
        mudRedChanged += b.blockC[p] != b.blockB[p] || b.blockC[p + 2] != 0;
        green += b.blockC[p + 1] > 0;
    }

    TrackStampStrip(atlas, {spot.x - 0.6f, 0.0f, spot.z - 0.5f}, {spot.x + 0.6f, 0.0f, spot.z + 0.5f}, 0.35f);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    ok = ReadBlock(atlas.window, bc, br, b.blockB) && ok;
    int stripRedChanged = 0, greener = 0;
    for (size_t p = 0; p < BLOCK_BYTES; p += 4) {
        stripRedChanged += b.blockB[p] != b.blockC[p];
        greener += b.blockB[p + 1] > b.blockC[p + 1];
    }
    char line[220];
    snprintf(line, sizeof(line), "channels: cleared window %d non-black; boot %d red texels, %d other raised; mud %d green, "
             "%d red changed; strip %d greener, %d red changed", notBlack, red, otherRaised, green, mudRedChanged, greener,
             stripRedChanged);
    Check(tally, ok && notBlack == 0 && red > 30 && otherRaised == 0 && green > 30 && mudRedChanged == 0 && greener > 100 &&
                     stripRedChanged == 0, line);
}

// The red a boot print lays down is the same at any angle (within 3 %), wherever it falls on the
// texel grid: three rows of prints at different sub-texel offsets.
static void CheckAngles(TracksCheckCounts &tally, TrackAtlas &atlas, Buffers &b)
{
    TrackAtlasReset(atlas);
    const float angles[] = {0.0f, 0.3f, 1.5707963f, 3.1415927f, 4.0f};
    const int count = (int)(sizeof(angles) / sizeof(angles[0]));
    const Vector2 rows[3] = {{-29.7f, 3.3f}, {-29.613f, 8.771f}, {-29.9461f, 13.4052f}};   // all in one tile
    for (const Vector2 &row : rows)
        for (int i = 0; i < count; i++) TrackStampPrint(atlas, {row.x + 3.0f * (float)i, 0.0f, row.y}, angles[i], 1.0f, TRACK_STAMP_BOOT);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    int k = ResidentBlock(atlas, TileAt(-29.0f, 3.0f));
    bool ok = k >= 0 && ReadBlock(atlas.window, k % TRACK_WINDOW_TILES, k / TRACK_WINDOW_TILES, b.blockA);
    double sums[3][count];
    double worst = 0.0;
    for (int r = 0; r < 3; r++) {
        for (int i = 0; i < count; i++) {
            float x = rows[r].x + 3.0f * (float)i, z = rows[r].y;
            sums[r][i] = ChannelSum(b.blockA, -32.0f, 0.0f, x - 1.0f, z - 1.0f, x + 1.0f, z + 1.0f, 0);
            if (sums[r][0] > 0.0) worst = std::fmax(worst, std::fabs(sums[r][i] - sums[r][0]) / sums[r][0]);
            else ok = false;
        }
    }
    char line[200];
    snprintf(line, sizeof(line), "boot print red at angles 0, 0.3, pi/2, pi, 4: %.0f %.0f %.0f %.0f %.0f (%.2f %% apart at most over 3 offsets)",
             sums[0][0], sums[0][1], sums[0][2], sums[0][3], sums[0][4], 100.0 * worst);
    Check(tally, ok && sums[0][0] > 1000.0 && worst <= 0.03, line);
}

static double Median5(double *v)
{
    for (int i = 1; i < 5; i++)
        for (int j = i; j > 0 && v[j] < v[j - 1]; j--) {
            double t = v[j];
            v[j] = v[j - 1];
            v[j - 1] = t;
        }
    return v[2];
}

// What a window move costs here (median of five): out with every resident tile dirty (16
// read-backs, 4 archived tiles up), and back with none dirty (16 archived tiles up).
static void CheckMoveCost(TracksCheckCounts &tally, TrackAtlas &atlas, Buffers &b)
{
    TrackAtlasReset(atlas);
    double dirty[5], clean[5];
    for (int rep = 0; rep < 5; rep++) {
        for (int k = 0; k < TRACK_WINDOW_RESIDENT; k++)
            TrackStampPrint(atlas, {-24.0f + 16.0f * (float)(k % 4) + 0.3f * (float)rep, 0.0f, -24.0f + 16.0f * (float)(k / 4)},
                            0.0f, 1.0f, TRACK_STAMP_BOOT);
        TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
        glFinish();
        double start = GetTime();
        TrackAtlasFollow(atlas, {40.0f, 0.0f, 0.0f});
        glFinish();
        dirty[rep] = (GetTime() - start) * 1000.0;
        start = GetTime();
        TrackAtlasFollow(atlas, {0.0f, 0.0f, 0.0f});
        glFinish();
        clean[rep] = (GetTime() - start) * 1000.0;
    }
    // Back home, every tile holds its five marks.
    bool ok = ReadWindow(atlas, b.windowAfter);
    int marked = 0;
    for (int k = 0; k < TRACK_WINDOW_RESIDENT; k++) {
        const uint8_t *block = b.windowAfter + (size_t)k * BLOCK_BYTES;
        int texels = 0;
        for (size_t p = 0; p < BLOCK_BYTES; p += 4) texels += block[p] > 0;
        marked += texels > 5 * 40;
    }
    char line[200];
    snprintf(line, sizeof(line), "window move: %.1f ms out with 16 dirty tiles, %.1f ms back with none (medians of 5); "
             "%d of 16 tiles keep their marks", Median5(dirty), Median5(clean), marked);
    Check(tally, ok && marked == 16 && atlas.origin.x == TRACK_ORIGIN_START, line);
}

// A reset leaves no mark anywhere: in the window or in any tile archived before.
static void CheckReset(TracksCheckCounts &tally, TrackAtlas &atlas, Buffers &b)
{
    TrackAtlasReset(atlas);
    TrackStampPrint(atlas, {2.0f, 0.0f, 2.0f}, 0.0f, 1.0f, TRACK_STAMP_BOOT);
    TrackStampPrint(atlas, {60.0f, 0.0f, 5.0f}, 0.0f, 1.0f, TRACK_STAMP_MUD);
    TrackAtlasUpdate(atlas, TRACK_FLUSH_INTERVAL);
    Walk(atlas, {0.0f, 0.0f, 0.0f}, {48.0f, 0.0f, 0.0f}, 0.5f);
    TrackAtlasReset(atlas);
    bool ok = ReadWindow(atlas, b.windowAfter);
    int left = 0;
    for (size_t p = 0; p < BLOCK_BYTES * TRACK_WINDOW_RESIDENT; p += 4) left += b.windowAfter[p] != 0 || b.windowAfter[p + 1] != 0;
    int archived = 0;
    for (uint8_t *tile : atlas.store.archive) archived += tile != nullptr;
    Walk(atlas, {0.0f, 0.0f, 0.0f}, {48.0f, 0.0f, 0.0f}, 0.5f);
    ok = ReadWindow(atlas, b.windowAfter) && ok;
    for (size_t p = 0; p < BLOCK_BYTES * TRACK_WINDOW_RESIDENT; p += 4) left += b.windowAfter[p] != 0 || b.windowAfter[p + 1] != 0;
    char line[160];
    snprintf(line, sizeof(line), "reset: %d marked texels left in the window, home and away; %d tiles archived", left, archived);
    Check(tally, ok && left == 0 && archived == 0, line);
}

// [SECTION] Entry

TracksCheckCounts TracksCheckWindowed()
{
    TracksCheckCounts tally{};
    TrackAtlas *atlas = new (std::nothrow) TrackAtlas();
    Buffers b{};
    b.windowBefore = (uint8_t *)malloc(BLOCK_BYTES * TRACK_WINDOW_RESIDENT);
    b.windowAfter = (uint8_t *)malloc(BLOCK_BYTES * TRACK_WINDOW_RESIDENT);
    b.blockA = (uint8_t *)malloc(BLOCK_BYTES);
    b.blockB = (uint8_t *)malloc(BLOCK_BYTES);
    b.blockC = (uint8_t *)malloc(BLOCK_BYTES);
    bool made = atlas && b.windowBefore && b.windowAfter && b.blockA && b.blockB && b.blockC && TrackAtlasCreate(*atlas);
    Check(tally, made && atlas->window.depth.id == 0 && atlas->store.scratch.depth.id == 0,
          "atlas: window 2048 and scratch 512 colour targets without depth");
    if (made) {
        CheckRoundTrip(tally, *atlas, b);
        CheckStraddle(tally, *atlas, b);
        CheckChannels(tally, *atlas, b);
        CheckAngles(tally, *atlas, b);
        CheckMoveCost(tally, *atlas, b);
        CheckReset(tally, *atlas, b);
    }
    if (atlas) {
        TrackAtlasFree(*atlas);
        TrackAtlasFree(*atlas);
    }
    delete atlas;
    free(b.windowBefore);
    free(b.windowAfter);
    free(b.blockA);
    free(b.blockB);
    free(b.blockC);
    return tally;
}
