// "--test-tracks": the follow table and the queue table of the ground-track atlas, without a
// window. The GL half is replaced by a recorder that counts every paint per stamp and tile and can
// fail its read-backs, so the checks see exactly what would have been painted where.
#include "dev/tracks_checks.h"

#include "world/tracks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int MAX_MARKS = 1024;

// Paints seen per queued mark (by index of queueing) and tile.
struct Recorder {
    float markX[MAX_MARKS];                       // marks are told apart by their x
    unsigned char paints[MAX_MARKS][TRACK_TILE_COUNT];
    int marks;
    int failReads;
};
Recorder *recorder = nullptr;

int MarkIndex(float x)
{
    for (int i = 0; i < recorder->marks; i++)
        if (recorder->markX[i] == x) return i;
    return -1;
}

int TileAt(float x, float z)
{
    return (int)std::floor((z + 128.0f) / 16.0f) * TRACK_TILES_PER_SIDE + (int)std::floor((x + 128.0f) / 16.0f);
}

bool RecordingGpu(TrackAtlas &atlas, const TrackGpuOp &op)
{
    Recorder &r = *recorder;
    if (op.kind == TRACK_GPU_READ) {
        if (r.failReads > 0) {
            r.failReads--;
            return false;
        }
        memset(atlas.store.buffer, 1, TRACK_TILE_RGBA_BYTES);
        return true;
    }
    if (op.kind != TRACK_GPU_DRAW) return true;
    for (int i = 0; i < op.stampCount; i++) {
        const TrackStamp &s = atlas.stamps[op.stamps[i]];
        int mark = MarkIndex(s.x);
        if (mark < 0) continue;
        if (op.surface == TRACK_SURFACE_SCRATCH) {
            r.paints[mark][TileAt(op.origin.x + 8.0f, op.origin.y + 8.0f)]++;
            continue;
        }
        for (int row = s.tileMinZ; row <= s.tileMaxZ; row++)
            for (int column = s.tileMinX; column <= s.tileMaxX; column++)
                if (TrackTileResident(atlas, column, row, nullptr)) r.paints[mark][row * TRACK_TILES_PER_SIDE + column]++;
    }
    return true;
}

struct Tally {
    int passed, failed;
};

void Check(Tally &tally, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (ok) tally.passed++;
    else tally.failed++;
}

void CheckFollowTable(Tally &tally)
{
    struct Case {
        float corner, player, expected;
        const char *what;
    };
    const Case cases[] = {
        {-32.0f, 0.0f, -32.0f, "follow: 0 keeps -32"},
        {0.0f, 0.0f, -32.0f, "follow: 0 from corner 0 gives -32"},
        {-32.0f, 10.0f, -32.0f, "follow: 10.0 stays"},
        {-32.0f, 10.01f, -16.0f, "follow: 10.01 gives -16"},
        {-32.0f, 127.7f, 64.0f, "follow: 127.7 gives 64"},
        {-32.0f, -127.7f, -128.0f, "follow: -127.7 gives -128"},
    };
    for (const Case &c : cases) Check(tally, TrackFollowCorner(c.corner, c.player) == c.expected, c.what);

    TrackAtlas *atlas = new (std::nothrow) TrackAtlas();
    if (!atlas) {
        Check(tally, false, "follow: atlas record");
        return;
    }
    TrackAtlasReset(*atlas);
    TrackAtlasFollow(*atlas, {NAN, 0.0f, 50.0f});
    TrackAtlasFollow(*atlas, {50.0f, 0.0f, NAN});
    Check(tally, atlas->origin.x == -32.0f && atlas->origin.y == -32.0f, "follow: NaN leaves the window unchanged");
    int moves = 0;
    for (int frame = 0; frame < 600; frame++) {
        Vector2 before = atlas->origin;
        float p = frame % 2 ? 10.1f : 9.9f;
        TrackAtlasFollow(*atlas, {p, 0.0f, p});
        moves += before.x != atlas->origin.x || before.y != atlas->origin.y;
    }
    char line[128];
    snprintf(line, sizeof(line), "follow: alternating 9.9 / 10.1 for 600 frames moves the window %d time(s)", moves);
    Check(tally, moves <= 1, line);
    delete atlas;
}

// `count` marks of `kind` without an update, the first overflow failing `failReads` read-backs.
void CheckQueue(Tally &tally, int kind, int count, int failReads)
{
    TrackAtlas *atlas = new (std::nothrow) TrackAtlas();
    Recorder *r = new (std::nothrow) Recorder();
    if (!atlas || !r || count > MAX_MARKS || !TrackAtlasAttach(*atlas, RecordingGpu)) {
        Check(tally, false, "queue: records");
        delete atlas;
        delete r;
        return;
    }
    recorder = r;
    TrackAtlasReset(*atlas);
    r->failReads = failReads;
    TrackStamp queued[MAX_MARKS];
    bool stored = true;
    for (int i = 0; i < count; i++) {
        float x = -70.0f + 140.0f * (float)i / (float)count;
        float z = i % 3 == 0 ? 0.0f : (i % 3 == 1 ? 15.9f : 40.0f);
        r->markX[r->marks++] = x;
        stored = TrackStampPrint(*atlas, {x, 0.0f, z}, 0.1f * (float)i, 0.4f, kind) && stored;
        queued[i] = {};
        for (const TrackStamp &s : atlas->stamps)
            if (s.kind != TRACK_STAMP_FREE && s.x == x) queued[i] = s;
    }
    TrackAtlasUpdate(*atlas, TRACK_FLUSH_INTERVAL);
    int missing = 0, twice = 0, stray = 0;
    for (int i = 0; i < count; i++) {
        const TrackStamp &s = queued[i];
        for (int tile = 0; tile < TRACK_TILE_COUNT; tile++) {
            int column = tile % TRACK_TILES_PER_SIDE, row = tile / TRACK_TILES_PER_SIDE;
            bool reaches = s.kind != TRACK_STAMP_FREE && column >= s.tileMinX && column <= s.tileMaxX &&
                           row >= s.tileMinZ && row <= s.tileMaxZ;
            int n = r->paints[i][tile];
            if (reaches && n == 0) missing++;
            if (n > 1) twice++;
            if (!reaches && n > 0) stray++;
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "queue: %d %s prints without an update%s: %d tile paints missing, %d repeated, %d stray",
             count, kind == TRACK_STAMP_BOOT ? "boot" : "mud", failReads ? ", one read-back failing" : "", missing, twice, stray);
    Check(tally, stored && !atlas->pending && missing == 0 && twice == 0 && stray == 0 && r->failReads == 0, line);
    TrackAtlasDetach(*atlas);
    recorder = nullptr;
    delete atlas;
    delete r;
}

}  // namespace

int DevTestTracks()
{
    Tally tally{};
    CheckFollowTable(tally);
    CheckQueue(tally, TRACK_STAMP_BOOT, 257, 0);
    CheckQueue(tally, TRACK_STAMP_MUD, 513, 0);
    CheckQueue(tally, TRACK_STAMP_BOOT, 257, 1);
    CheckQueue(tally, TRACK_STAMP_MUD, 513, 1);
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}
