// Ground tracks: the follow rule, the queue and what it paints where (against a recording stand-in
// for the GL half that can fail its read-backs), the archive's row order, the strip clods and the
// stamp inputs. The pixels themselves are checked by the windowed self-check.
#include "world/tracks.h"

#include "render/tracks_gpu.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Records every paint as (stamp x, tile) and fails the next `failReads` read-backs.
struct Recorder {
    std::map<std::pair<float, int>, int> paints;
    int failReads = 0;
    int reads = 0, writes = 0, clears = 0;
    std::vector<int> windowWrites;   // tiles uploaded into the window, in order
};
Recorder *recorder = nullptr;

int TileAt(float x, float z)
{
    return (int)std::floor((z + 128.0f) / 16.0f) * 16 + (int)std::floor((x + 128.0f) / 16.0f);
}

bool RecordingGpu(TrackAtlas &atlas, const TrackGpuOp &op)
{
    Recorder &r = *recorder;
    switch (op.kind) {
    case TRACK_GPU_CLEAR:
        r.clears++;
        return true;
    case TRACK_GPU_DRAW:
        for (int i = 0; i < op.stampCount; i++) {
            const TrackStamp &s = atlas.stamps[op.stamps[i]];
            if (op.surface == TRACK_SURFACE_SCRATCH) {
                r.paints[{s.x, TileAt(op.origin.x + 8.0f, op.origin.y + 8.0f)}]++;
                continue;
            }
            // The window draws the whole stamp: every resident tile it reaches gets it.
            for (int row = s.tileMinZ; row <= s.tileMaxZ; row++)
                for (int column = s.tileMinX; column <= s.tileMaxX; column++)
                    if (TrackTileResident(atlas, column, row, nullptr)) r.paints[{s.x, row * 16 + column}]++;
        }
        return true;
    case TRACK_GPU_READ:
        r.reads++;
        if (r.failReads > 0) {
            r.failReads--;
            return false;
        }
        // Something worth keeping in every block read back.
        for (size_t p = 0; p < TRACK_TILE_RGBA_BYTES; p += 4) atlas.store.buffer[p] = 1;
        return true;
    case TRACK_GPU_WRITE:
        r.writes++;
        if (op.surface == TRACK_SURFACE_WINDOW) {
            int corner = TileAt(atlas.origin.x + 8.0f, atlas.origin.y + 8.0f);
            r.windowWrites.push_back(corner + op.row * 16 + op.column);
        }
        return true;
    }
    return false;
}

// An atlas with the recording stand-in installed, released with the fixture.
class TracksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorder = &rec;
        atlas = std::make_unique<TrackAtlas>();
        TrackAtlasReset(*atlas);
        ASSERT_TRUE(TrackAtlasAttach(*atlas, RecordingGpu));
        TrackAtlasReset(*atlas);
    }
    void TearDown() override
    {
        TrackAtlasDetach(*atlas);
        recorder = nullptr;
    }
    // Every tile each stamp reaches holds it exactly once.
    void ExpectEachPaintedOnce(const std::vector<TrackStamp> &queued)
    {
        int expected = 0;
        for (const TrackStamp &s : queued) {
            for (int row = s.tileMinZ; row <= s.tileMaxZ; row++) {
                for (int column = s.tileMinX; column <= s.tileMaxX; column++) {
                    expected++;
                    auto it = rec.paints.find({s.x, row * 16 + column});
                    ASSERT_NE(it, rec.paints.end()) << "stamp at x " << s.x << " never reached tile " << row * 16 + column;
                    EXPECT_EQ(it->second, 1) << "stamp at x " << s.x << " in tile " << row * 16 + column;
                }
            }
        }
        EXPECT_EQ((int)rec.paints.size(), expected);
    }
    Recorder rec;
    std::unique_ptr<TrackAtlas> atlas;
};

// The stamp as the queue stored it (with its tile bounds), found by its x.
TrackStamp Queued(const TrackAtlas &atlas, float x)
{
    for (const TrackStamp &s : atlas.stamps)
        if (s.kind != TRACK_STAMP_FREE && s.x == x) return s;
    return TrackStamp{};
}

}  // namespace

// [SECTION] Following the player

TEST(TrackFollow, CornerTable)
{
    struct Case {
        float corner, player, expected;
    };
    const Case cases[] = {
        {-32.0f, 0.0f, -32.0f},      // a fresh run's window keeps the centre
        {0.0f, 0.0f, -32.0f},
        {-32.0f, 10.0f, -32.0f},     // the focus region's far edge is inside
        {-32.0f, -10.0f, -32.0f},
        {-32.0f, 10.01f, -16.0f},
        {-32.0f, -10.01f, -48.0f},
        {-32.0f, 127.7f, 64.0f},     // the window reaches the far corner and stops there
        {-32.0f, -127.7f, -128.0f},
        {64.0f, 127.9f, 64.0f},
        {-128.0f, -128.0f, -128.0f},
        {-32.0f, 1e30f, 64.0f},
        {-32.0f, -1e30f, -128.0f},
    };
    for (const Case &c : cases) EXPECT_EQ(TrackFollowCorner(c.corner, c.player), c.expected) << c.corner << " " << c.player;
}

TEST(TrackFollow, NanIsIgnoredAndSmallReversalsDoNotOscillate)
{
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    EXPECT_EQ(atlas->origin.x, -32.0f);
    EXPECT_EQ(atlas->origin.y, -32.0f);
    TrackAtlasFollow(*atlas, {NAN, 0.0f, 100.0f});
    TrackAtlasFollow(*atlas, {100.0f, 0.0f, NAN});
    TrackAtlasFollow(*atlas, {INFINITY, 0.0f, 0.0f});
    EXPECT_EQ(atlas->origin.x, -32.0f);
    EXPECT_EQ(atlas->origin.y, -32.0f);

    int moves = 0;
    Vector2 last = atlas->origin;
    for (int frame = 0; frame < 600; frame++) {
        float p = frame % 2 ? 10.1f : 9.9f;
        TrackAtlasFollow(*atlas, {p, 0.0f, p});
        if (atlas->origin.x != last.x || atlas->origin.y != last.y) moves++;
        last = atlas->origin;
    }
    EXPECT_LE(moves, 1);

    // Walking 20 m back and forth inside the focus region never moves it.
    TrackAtlasReset(*atlas);
    for (int frame = 0; frame < 400; frame++) {
        float p = -10.0f + 20.0f * std::fabs(std::sin(0.05f * (float)frame));
        TrackAtlasFollow(*atlas, {p, 0.0f, -p});
        ASSERT_EQ(atlas->origin.x, -32.0f);
        ASSERT_EQ(atlas->origin.y, -32.0f);
    }
}

// [SECTION] Queue

// A full ring's next mark paints the queue first; every mark lands once in every tile it reaches,
// inside and outside the window, also when a read-back fails on the way.
TEST_F(TracksTest, OverflowPaintsEveryMarkOnceEvenWithAFailedReadBack)
{
    struct Case {
        int kind, count, failReads;
    };
    const Case cases[] = {{1, 257, 0}, {2, 513, 0}, {1, 257, 1}, {2, 513, 1}, {1, 600, 2}};
    for (const Case &c : cases) {
        TrackAtlasReset(*atlas);
        rec = Recorder{};
        rec.failReads = c.failReads;
        std::vector<TrackStamp> queued;
        for (int i = 0; i < c.count; i++) {
            // Along a line through the window (x -32..32) and the tiles either side of it, some
            // straddling tile borders.
            float x = -70.0f + 140.0f * (float)i / (float)c.count;
            float z = i % 3 == 0 ? 0.0f : (i % 3 == 1 ? 15.9f : 40.0f);
            ASSERT_TRUE(TrackStampPrint(*atlas, {x, 0.0f, z}, 0.1f * (float)i, 0.4f, c.kind)) << i;
            queued.push_back(Queued(*atlas, x));
            ASSERT_EQ(queued.back().kind, c.kind);
        }
        TrackAtlasUpdate(*atlas, 0.05f);
        if (c.failReads > 1) TrackAtlasUpdate(*atlas, 0.05f);
        EXPECT_FALSE(atlas->pending) << "kind " << c.kind << " count " << c.count;
        EXPECT_EQ(rec.failReads, 0);
        ExpectEachPaintedOnce(queued);
    }
}

// With every read-back failing, the ring fills with marks that cannot be kept: new ones are
// refused (one warning), none overwritten, and all are painted once reads work again.
TEST_F(TracksTest, AFullRingRefusesMarksInsteadOfOverwritingThem)
{
    LogCapture log;
    rec.failReads = 1000000;
    std::vector<TrackStamp> queued;
    int refused = 0;
    for (int i = 0; i < 600; i++) {
        float x = -100.0f + 0.3f * (float)i;   // mostly outside the window: two remote tiles at least
        if (TrackStampPrint(*atlas, {x, 0.0f, 100.0f}, 0.0f, 1.0f, TRACK_STAMP_BOOT)) queued.push_back(Queued(*atlas, x));
        else refused++;
    }
    EXPECT_GT(refused, 0);
    int refusals = 0;
    for (const LogLine &l : log.lines()) refusals += l.text.find("Ground mark dropped") != std::string::npos;
    EXPECT_EQ(refusals, 1);
    int readWarnings = 0;
    for (const LogLine &l : log.lines()) readWarnings += l.text == "TRACKS: Could not read a ground tile from the GPU";
    EXPECT_EQ(readWarnings, 1);
    rec.failReads = 0;
    TrackAtlasUpdate(*atlas, 0.05f);
    EXPECT_FALSE(atlas->pending);
    ExpectEachPaintedOnce(queued);
}

// A mark queued near the start survives the window moving away before the next paint: the move
// paints it first and archives the tile it dirtied.
TEST_F(TracksTest, WindowMoveKeepsQueuedMarksAndArchivesDirtyTiles)
{
    ASSERT_TRUE(TrackStampPrint(*atlas, {1.0f, 0.0f, 1.0f}, 0.0f, 1.0f, TRACK_STAMP_BOOT));
    TrackStamp s = Queued(*atlas, 1.0f);
    TrackAtlasFollow(*atlas, {100.0f, 0.0f, 100.0f});
    EXPECT_EQ(atlas->origin.x, 64.0f);
    EXPECT_EQ(atlas->origin.y, 64.0f);
    ExpectEachPaintedOnce({s});
    EXPECT_EQ(rec.reads, 1);   // the one dirty tile, not the whole window
    EXPECT_NE(atlas->store.archive[TileAt(1.0f, 1.0f)], nullptr);
    // The new window starts black with nothing archived under it; back home, the archived tile
    // goes up again, alone.
    EXPECT_TRUE(rec.windowWrites.empty());
    for (bool dirty : atlas->store.windowDirty) EXPECT_FALSE(dirty);
    int clears = rec.clears;
    TrackAtlasFollow(*atlas, {0.0f, 0.0f, 0.0f});
    EXPECT_EQ(atlas->origin.x, -32.0f);
    EXPECT_EQ(rec.clears, clears + 1);
    EXPECT_EQ(rec.windowWrites, std::vector<int>{TileAt(1.0f, 1.0f)});
    EXPECT_EQ(rec.reads, 1);   // nothing was dirty the second time
}

// If the dirty tiles cannot be kept, the window stays and keeps them.
TEST_F(TracksTest, FailedArchiveKeepsTheWindowWhereItIs)
{
    ASSERT_TRUE(TrackStampPrint(*atlas, {1.0f, 0.0f, 1.0f}, 0.0f, 1.0f, TRACK_STAMP_BOOT));
    rec.failReads = 1;
    TrackAtlasFollow(*atlas, {100.0f, 0.0f, 100.0f});
    EXPECT_EQ(atlas->origin.x, -32.0f);
    EXPECT_TRUE(rec.windowWrites.empty());
    TrackAtlasFollow(*atlas, {100.0f, 0.0f, 100.0f});
    EXPECT_EQ(atlas->origin.x, 64.0f);
    EXPECT_NE(atlas->store.archive[TileAt(1.0f, 1.0f)], nullptr);
}

TEST_F(TracksTest, ResetClearsEverythingButKeepsTheGpuSide)
{
    ASSERT_TRUE(TrackStampPrint(*atlas, {1.0f, 0.0f, 1.0f}, 0.0f, 1.0f, TRACK_STAMP_BOOT));
    ASSERT_TRUE(TrackStampPrint(*atlas, {90.0f, 0.0f, 90.0f}, 0.0f, 1.0f, TRACK_STAMP_MUD));
    TrackAtlasUpdate(*atlas, 0.05f);
    TrackAtlasFollow(*atlas, {100.0f, 0.0f, 100.0f});
    ASSERT_TRUE(TrackStampPrint(*atlas, {100.0f, 0.0f, 100.0f}, 0.0f, 1.0f, TRACK_STAMP_BOOT));
    TrackAtlasUpdate(*atlas, 0.05f);
    ASSERT_TRUE(atlas->store.windowDirty[0] || atlas->store.windowDirty[5] || atlas->store.windowDirty[10] ||
                atlas->store.windowDirty[15] || atlas->store.windowDirty[14] || atlas->store.windowDirty[11]);
    uint8_t *buffer = atlas->store.buffer;
    int clears = rec.clears;
    TrackAtlasReset(*atlas);
    EXPECT_EQ(rec.clears, clears + 1);
    for (uint8_t *tile : atlas->store.archive) EXPECT_EQ(tile, nullptr);
    for (bool dirty : atlas->store.windowDirty) EXPECT_FALSE(dirty);   // no black tiles archived later
    EXPECT_EQ(atlas->origin.x, -32.0f);
    EXPECT_EQ(atlas->store.scratchTile, -1);
    EXPECT_FALSE(atlas->pending);
    EXPECT_EQ(atlas->bootCount, 0u);
    EXPECT_EQ(atlas->clock, 0.0f);
    EXPECT_EQ(atlas->store.buffer, buffer);
    EXPECT_EQ(atlas->gpu, &RecordingGpu);
    // The next move archives nothing.
    int reads = rec.reads;
    TrackAtlasFollow(*atlas, {100.0f, 0.0f, 100.0f});
    EXPECT_EQ(rec.reads, reads);
}

TEST(TrackQueue, WithoutAGpuSideAFlushOnlyEmptiesTheQueue)
{
    LogCapture log;
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    for (int i = 0; i < 2000; i++) ASSERT_TRUE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, 0.0f, 1.0f, 1 + i % 2));
    TrackAtlasUpdate(*atlas, 0.05f);
    EXPECT_FALSE(atlas->pending);
    EXPECT_EQ(log.count(LOG_WARNING), 0);
}

TEST(TrackQueue, InvalidOrOffGridMarksAreIgnored)
{
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    EXPECT_FALSE(TrackStampPrint(*atlas, {NAN, 0.0f, 0.0f}, 0.0f, 1.0f, 1));
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, INFINITY, 0.0f}, 0.0f, 1.0f, 1));
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, NAN, 1.0f, 1));
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 2));
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, 0.0f, -1.0f, 2));
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, 0.0f, 1.0f, 3));
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, 0.0f, 1.0f, 0));
    EXPECT_FALSE(TrackStampPrint(*atlas, {128.5f, 0.0f, 0.0f}, 0.0f, 1.0f, 1));   // beyond the last column
    EXPECT_FALSE(TrackStampPrint(*atlas, {0.0f, 0.0f, -1e30f}, 0.0f, 1.0f, 1));
    EXPECT_FALSE(TrackStampStrip(*atlas, {0.0f, 0.0f, 0.0f}, {0.00005f, 0.0f, 0.0f}, 0.5f));
    EXPECT_FALSE(TrackStampStrip(*atlas, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, 0.0f));
    EXPECT_FALSE(TrackStampStrip(*atlas, {0.0f, 0.0f, 0.0f}, {NAN, 0.0f, 0.0f}, 0.5f));
    EXPECT_FALSE(TrackStampStrip(*atlas, {-400.0f, 0.0f, 0.0f}, {400.0f, 0.0f, 0.0f}, 0.5f));
    EXPECT_FALSE(atlas->pending);
    EXPECT_EQ(atlas->bootCount + atlas->mudCount, 0u);

    // Half a print beyond the last row still marks the edge tile, clamped.
    ASSERT_TRUE(TrackStampPrint(*atlas, {0.0f, 0.0f, 128.2f}, 0.0f, 1.0f, 1));
    TrackStamp s = Queued(*atlas, 0.0f);
    EXPECT_EQ(s.tileMinZ, 15);
    EXPECT_EQ(s.tileMaxZ, 15);
    // A strip goes to the mud ring.
    ASSERT_TRUE(TrackStampStrip(*atlas, {-20.0f, 0.0f, 5.0f}, {-10.0f, 0.0f, 5.0f}, 0.3f));
    EXPECT_EQ(atlas->mudCount, 1u);
    EXPECT_EQ(atlas->stamps[TRACK_BOOT_SLOTS].kind, TRACK_STAMP_STRIP);
    EXPECT_NEAR(atlas->stamps[TRACK_BOOT_SLOTS].length, 10.0f, 1e-5f);
}

TEST(TrackQueue, UpdateIgnoresBadStepsAndPaintsEvery50Milliseconds)
{
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    ASSERT_TRUE(TrackStampPrint(*atlas, {0.0f, 0.0f, 0.0f}, 0.0f, 1.0f, 1));
    for (float dt : {0.0f, -0.01f, NAN, INFINITY}) TrackAtlasUpdate(*atlas, dt);
    EXPECT_EQ(atlas->clock, 0.0f);
    EXPECT_TRUE(atlas->pending);
    TrackAtlasUpdate(*atlas, 0.03f);
    EXPECT_TRUE(atlas->pending);
    TrackAtlasUpdate(*atlas, 0.03f);
    EXPECT_FALSE(atlas->pending);
    EXPECT_EQ(atlas->sinceFlush, 0.0f);
}

// [SECTION] Archive

// A tile read back and restored comes back identical, rows in the same order: a mark near the
// tile's -z edge stays there.
TEST_F(TracksTest, ArchiveRoundTripKeepsRowOrder)
{
    std::vector<uint8_t> in(TRACK_TILE_RGBA_BYTES), out(TRACK_TILE_RGBA_BYTES);
    for (size_t p = 0; p < (size_t)TRACK_TILE_TEXELS * TRACK_TILE_TEXELS; p++) {
        in[p * 4 + 0] = (uint8_t)(p * 7);
        in[p * 4 + 1] = (uint8_t)(p / 512);
        in[p * 4 + 2] = 0;
        in[p * 4 + 3] = 255;
    }
    ASSERT_TRUE(TrackTileFromBuffer(*atlas, 37, in.data()));
    TrackTileToBuffer(*atlas, 37, out.data());
    EXPECT_EQ(std::memcmp(in.data(), out.data(), in.size()), 0);
    // The read-back's last row is the tile's first archived row (its -z edge).
    const uint8_t *archive = atlas->store.archive[37];
    EXPECT_EQ(archive[1], in[(size_t)511 * 512 * 4 + 1]);
    EXPECT_EQ(archive[(size_t)511 * 512 * 2 + 1], in[1]);

    // An empty tile comes back opaque black, and a blank read-back allocates nothing.
    TrackTileToBuffer(*atlas, 38, out.data());
    for (size_t p = 0; p < out.size(); p += 4) ASSERT_TRUE(out[p] == 0 && out[p + 1] == 0 && out[p + 2] == 0 && out[p + 3] == 255);
    ASSERT_TRUE(TrackTileFromBuffer(*atlas, 38, out.data()));
    EXPECT_EQ(atlas->store.archive[38], nullptr);
}

// [SECTION] Shapes

TEST(TrackShapes, BootPrintsAreRedAndMudMarksGreen)
{
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    TrackStampPrint(*atlas, {3.0f, 0.0f, 4.0f}, 0.7f, 1.0f, 1);
    TrackStampPrint(*atlas, {3.0f, 0.0f, 4.0f}, 0.7f, 0.6f, 2);
    TrackStampStrip(*atlas, {3.0f, 0.0f, 4.0f}, {5.0f, 0.0f, 7.0f}, 0.5f);
    const TrackStamp &boot = atlas->stamps[0], &mud = atlas->stamps[256], &strip = atlas->stamps[257];
    for (int i = 0; i < TrackStampShapeCount(boot); i++) {
        TrackShape s = TrackStampShape(boot, i);
        EXPECT_TRUE(s.red == 255 && s.green == 0 && s.alpha == 210) << i;
    }
    for (const TrackStamp *st : {&mud, &strip}) {
        ASSERT_GE(TrackStampShapeCount(*st), 7);
        for (int i = 0; i < TrackStampShapeCount(*st); i++) {
            TrackShape s = TrackStampShape(*st, i);
            EXPECT_TRUE(s.red == 0 && s.green >= 220) << i;
        }
    }
    // Every piece lies within the tile bounds the queue used.
    for (const TrackStamp *st : {&boot, &mud, &strip}) {
        Vector2 v[TRACK_SHAPE_MAX_VERTICES];
        for (int i = 0; i < TrackStampShapeCount(*st); i++) {
            int n = TrackShapeTriangles(TrackStampShape(*st, i), v);
            for (int k = 0; k < n; k++) {
                EXPECT_GE(v[k].x, -128.0f + 16.0f * st->tileMinX);
                EXPECT_LE(v[k].x, -128.0f + 16.0f * (st->tileMaxX + 1));
                EXPECT_GE(v[k].y, -128.0f + 16.0f * st->tileMinZ);
                EXPECT_LE(v[k].y, -128.0f + 16.0f * (st->tileMaxZ + 1));
            }
        }
    }
}

// Strips that continue each other place each world-anchored clod once: the shared end belongs to
// the second strip only.
TEST(TrackShapes, ContinuingStripsShareNoClod)
{
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    const float joint = 7.0f * TRACK_CLOD_SPACING;   // exactly on a clod
    ASSERT_TRUE(TrackStampStrip(*atlas, {1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, joint}, 0.4f));
    ASSERT_TRUE(TrackStampStrip(*atlas, {1.0f, 0.0f, joint}, {1.0f, 0.0f, 2.0f * joint}, 0.4f));
    const TrackStamp &a = atlas->stamps[256], &b = atlas->stamps[257];
    EXPECT_EQ(a.clodFirst, 0);
    EXPECT_EQ(a.clodEnd, 7);
    EXPECT_EQ(b.clodFirst, 7);
    EXPECT_EQ(b.clodEnd, 14);
    // The last clod of the first strip and the first of the second sit 0.48 m apart in the world.
    TrackShape last = TrackStampShape(a, TrackStampShapeCount(a) - 1);
    TrackShape next = TrackStampShape(b, 5);
    EXPECT_NEAR(next.points[0].y - last.points[0].y, TRACK_CLOD_SPACING, 1e-4f);
}

// [SECTION] GPU half without a window

TEST(TrackAtlasGpu, CreateFailsCleanlyWithoutAWindowAndFreeIsSafeTwice)
{
    LogCapture log;
    auto atlas = std::make_unique<TrackAtlas>();
    EXPECT_FALSE(TrackAtlasCreate(*atlas));
    EXPECT_EQ(log.count(LOG_ERROR), 1);
    EXPECT_EQ(atlas->store.buffer, nullptr);
    TrackAtlasFree(*atlas);
    TrackAtlasFree(*atlas);
    TrackAtlasReset(*atlas);
    EXPECT_EQ(atlas->origin.x, -32.0f);
}
