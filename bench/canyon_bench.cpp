// Canyon rim and ground tracks, CPU side: building every rock chunk (CanyonInit without the upload;
// target <= 150 ms), the per-frame visibility test (<= 20 us) and one flush of the track queue
// without the GL calls (<= 0.5 ms).
#include "world/camera.h"
#include "world/canyon.h"
#include "world/tracks.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

void BM_CanyonBuildAllChunks(benchmark::State &state)
{
    std::vector<float> positions(CANYON_CHUNK_VERTICES * 3), normals(CANYON_CHUNK_VERTICES * 3), texcoords(CANYON_CHUNK_VERTICES * 2);
    std::vector<unsigned char> colors(CANYON_CHUNK_VERTICES * 4);
    for (auto _ : state) {
        CanyonChunkSpan spans[CANYON_CHUNK_CAPACITY];
        int count = CanyonChunkSpans(spans, CANYON_CHUNK_CAPACITY);
        for (int i = 0; i < count; i++) {
            CanyonBounds b = CanyonBuildChunk(spans, count, i, {positions.data(), normals.data(), texcoords.data(), colors.data()});
            benchmark::DoNotOptimize(b);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CanyonBuildAllChunks)->Unit(benchmark::kMillisecond);

Camera3D ViewOf(float x, float z, float zoom)
{
    FollowCamera follow{};
    follow.viewHeight = zoom;
    CameraFollow(follow, {x, 0.0f, z}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return CameraToRaylib(follow);
}

// Arg 0: the arena centre at zoom 20 (the early test); 1: the (-x, -z) arc at zoom 30, the worst
// case, every chunk's sphere tested.
void BM_CanyonVisibleChunks(benchmark::State &state)
{
    static Canyon canyon = [] {
        Canyon c{};
        c.count = CanyonComputeBounds(c.bounds, CANYON_CHUNK_CAPACITY);
        c.ready = true;
        return c;
    }();
    Camera3D camera = state.range(0) == 0 ? ViewOf(0.0f, 0.0f, 20.0f) : ViewOf(-112.0f, -112.0f, 30.0f);
    int list[CANYON_CHUNK_CAPACITY];
    for (auto _ : state) benchmark::DoNotOptimize(CanyonVisibleChunks(canyon, camera, 1280, 720, list, CANYON_CHUNK_CAPACITY));
}
BENCHMARK(BM_CanyonVisibleChunks)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Stands in for the GL half: turns every drawn stamp into its triangles (the CPU part of a draw).
bool ShapeOnlyGpu(TrackAtlas &atlas, const TrackGpuOp &op)
{
    if (op.kind != TRACK_GPU_DRAW) return true;
    Vector2 vertices[TRACK_SHAPE_MAX_VERTICES];
    float sum = 0.0f;
    for (int i = 0; i < op.stampCount; i++) {
        const TrackStamp &s = atlas.stamps[op.stamps[i]];
        for (int p = 0; p < TrackStampShapeCount(s); p++) {
            int n = TrackShapeTriangles(TrackStampShape(s, p), vertices);
            for (int k = 0; k < n; k++) sum += vertices[k].x;
        }
    }
    benchmark::DoNotOptimize(sum);
    return true;
}

// One flush after a busy frame's marks: 2 boot prints, 48 mudling prints and 8 dash strips around
// the player. Arg 1 puts a quarter of the mud prints into two tiles beyond the window, which costs
// two scratch loads and a save.
void BM_TrackFlush(benchmark::State &state)
{
    auto atlas = std::make_unique<TrackAtlas>();
    TrackAtlasReset(*atlas);
    TrackAtlasAttach(*atlas, ShapeOnlyGpu);
    bool remote = state.range(0) != 0;
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        float t = 0.37f * (float)frame++;
        TrackStampPrint(*atlas, {0.3f, 0.0f, 0.1f * t}, t, 1.0f, TRACK_STAMP_BOOT);
        TrackStampPrint(*atlas, {-0.3f, 0.0f, 0.1f * t}, t, 1.0f, TRACK_STAMP_BOOT);
        for (int i = 0; i < 48; i++) {
            float x = -12.0f + 0.5f * (float)i + 0.01f * t, z = 6.0f - 0.25f * (float)i;
            if (remote && i % 4 == 0) x += i % 8 == 0 ? 50.0f : -40.0f;
            TrackStampPrint(*atlas, {x, 0.0f, z}, t + (float)i, 0.45f, TRACK_STAMP_MUD);
        }
        for (int i = 0; i < 8; i++)
            TrackStampStrip(*atlas, {-8.0f + 2.0f * (float)i, 0.0f, -3.0f}, {-7.4f + 2.0f * (float)i, 0.0f, -2.6f}, 0.5f);
        state.ResumeTiming();
        TrackAtlasUpdate(*atlas, TRACK_FLUSH_INTERVAL);
    }
    TrackAtlasDetach(*atlas);
}
BENCHMARK(BM_TrackFlush)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
