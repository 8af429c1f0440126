// Arena queries and terrain height: nanoseconds per call over a fixed set of points spread over
// and around the arena (inside, near the walls and rounded corners, outside), and one run of each
// ground-texture bake on 1 thread and on the machine's bake thread count.
#include "world/arena.h"
#include "world/terrain.h"
#include "common/maths.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int SAMPLE_COUNT = 4096;  // power of two: the index wraps with a mask

struct Samples {
    Vector3 points[SAMPLE_COUNT];
    Vector2 directions[SAMPLE_COUNT];
    float radii[SAMPLE_COUNT];
    Vector2 extents[SAMPLE_COUNT];
};

// xorshift32 points in -140..140 (about a sixth of them outside the arena), unit-ish directions,
// radii 0.2..3 m and extents 0.2..3 m.
const Samples &BenchSamples()
{
    static Samples samples = [] {
        Samples s{};
        uint32_t r = 2463534242u;
        auto unit = [&r] { return (float)(Xorshift32(r) >> 8) * (1.0f / 16777216.0f); };
        for (int i = 0; i < SAMPLE_COUNT; ++i) {
            s.points[i] = {unit() * 280.0f - 140.0f, 0.0f, unit() * 280.0f - 140.0f};
            s.directions[i] = {unit() * 2.0f - 1.0f, unit() * 2.0f - 1.0f};
            s.radii[i] = 0.2f + unit() * 2.8f;
            s.extents[i] = {0.2f + unit() * 2.8f, 0.2f + unit() * 2.8f};
        }
        return s;
    }();
    return samples;
}

// Points kept inside the arena (clamped for radius 3), for the ray exits, which return at once
// for an origin outside.
const Samples &InsideSamples()
{
    static Samples samples = [] {
        Samples s = BenchSamples();
        for (Vector3 &p : s.points) p = ArenaClampCircle(p, 3.0f);
        return s;
    }();
    return samples;
}

void BM_ArenaSignedDistance(benchmark::State &state)
{
    const Samples &s = BenchSamples();
    int i = 0;
    for (auto _ : state) {
        const Vector3 &p = s.points[i++ & (SAMPLE_COUNT - 1)];
        benchmark::DoNotOptimize(ArenaSignedDistance(p.x, p.z));
    }
}
BENCHMARK(BM_ArenaSignedDistance);

void BM_ArenaClampCircle(benchmark::State &state)
{
    const Samples &s = BenchSamples();
    int i = 0;
    for (auto _ : state) {
        int k = i++ & (SAMPLE_COUNT - 1);
        benchmark::DoNotOptimize(ArenaClampCircle(s.points[k], s.radii[k]));
    }
}
BENCHMARK(BM_ArenaClampCircle);

void BM_ArenaClampExtents(benchmark::State &state)
{
    const Samples &s = BenchSamples();
    int i = 0;
    for (auto _ : state) {
        int k = i++ & (SAMPLE_COUNT - 1);
        benchmark::DoNotOptimize(ArenaClampExtents(s.points[k], s.extents[k]));
    }
}
BENCHMARK(BM_ArenaClampExtents);

void BM_ArenaContainsCircle(benchmark::State &state)
{
    const Samples &s = BenchSamples();
    int i = 0;
    for (auto _ : state) {
        int k = i++ & (SAMPLE_COUNT - 1);
        benchmark::DoNotOptimize(ArenaContainsCircle(s.points[k], s.radii[k]));
    }
}
BENCHMARK(BM_ArenaContainsCircle);

void BM_ArenaContainsExtents(benchmark::State &state)
{
    const Samples &s = BenchSamples();
    int i = 0;
    for (auto _ : state) {
        int k = i++ & (SAMPLE_COUNT - 1);
        benchmark::DoNotOptimize(ArenaContainsExtents(s.points[k], s.extents[k]));
    }
}
BENCHMARK(BM_ArenaContainsExtents);

void BM_ArenaRayExitCircle(benchmark::State &state)
{
    const Samples &s = InsideSamples();
    int i = 0;
    for (auto _ : state) {
        int k = i++ & (SAMPLE_COUNT - 1);
        benchmark::DoNotOptimize(ArenaRayExitCircle(s.points[k], s.directions[k], s.radii[k], 400.0f));
    }
}
BENCHMARK(BM_ArenaRayExitCircle);

void BM_ArenaRayExitExtents(benchmark::State &state)
{
    const Samples &s = InsideSamples();
    int i = 0;
    for (auto _ : state) {
        int k = i++ & (SAMPLE_COUNT - 1);
        benchmark::DoNotOptimize(ArenaRayExitExtents(s.points[k], s.directions[k], s.extents[k], 400.0f));
    }
}
BENCHMARK(BM_ArenaRayExitExtents);

void BM_TerrainHeight(benchmark::State &state)
{
    const Samples &s = BenchSamples();
    int i = 0;
    for (auto _ : state) {
        const Vector3 &p = s.points[i++ & (SAMPLE_COUNT - 1)];
        benchmark::DoNotOptimize(TerrainHeight(p.x, p.z));
    }
}
BENCHMARK(BM_TerrainHeight);

// Argument: thread count (0 = the machine's bake thread count).
void BM_TerrainBakeHeights(benchmark::State &state)
{
    std::vector<float> heights(TERRAIN_HEIGHT_TEXELS);
    int threads = state.range(0) > 0 ? (int)state.range(0) : TerrainBakeThreadCount();
    for (auto _ : state) {
        TerrainBakeHeights(heights.data(), threads);
        benchmark::ClobberMemory();
    }
    state.counters["threads"] = threads;
}
BENCHMARK(BM_TerrainBakeHeights)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TerrainBakeDetail(benchmark::State &state)
{
    std::vector<unsigned char> rgba(TERRAIN_DETAIL_BYTES);
    int threads = state.range(0) > 0 ? (int)state.range(0) : TerrainBakeThreadCount();
    for (auto _ : state) {
        TerrainBakeDetail(rgba.data(), threads);
        benchmark::ClobberMemory();
    }
    state.counters["threads"] = threads;
}
BENCHMARK(BM_TerrainBakeDetail)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
