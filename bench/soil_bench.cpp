// Soil deposits: one frame's presses (the player and 48 mudlings walking over a field of corpse
// deposits, target 2 ms), the CPU side of that frame's partial upload (planning the dirty runs and
// staging them), the worst-case upload, a height query and one body deposit.
#include "world/soil.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int BODIES = 48;
constexpr float FRAME = 1.0f / 60.0f;

struct Crowd {
    Vector3 centre[BODIES];  // each body walks a circle around its centre
    float radius[BODIES];    // press radius
    float phase[BODIES];     // radians along the circle
    float player;            // player's heading, radians
};

// A 7 x 7 field of corpse deposits 2.5 m apart around (20, 20), one body walking on each (the
// 49th is the player), press radii from a bun's to a boss's.
Soil &BenchSoil(Crowd &crowd)
{
    static Soil soil{};
    if (!soil.cells && !SoilCreate(soil)) return soil;
    SoilReset(soil);
    static const float radii[] = {0.25f, 0.4f, 0.6f, 0.9f, 1.2f, 0.35f, 0.5f, 1.9f};
    for (int k = 0; k < 49; ++k) {
        Vector3 c = {20.0f + 2.5f * (float)(k % 7 - 3), 0.0f, 20.0f + 2.5f * (float)(k / 7 - 3)};
        SoilDepositBody(soil, c, 2.0f, 0.7f, 0.2f);
        if (k < BODIES) {
            crowd.centre[k] = c;
            crowd.radius[k] = radii[k % 8];
            crowd.phase[k] = 0.37f * (float)k;
        }
    }
    crowd.player = 0.0f;
    return soil;
}

// One frame: the player at 3 m/s (radius 0.32, strength 1.8) and every mudling at 1.5 m/s
// (strength 1.1), each on a circle of 0.8 m.
void PressFrame(Soil &soil, Crowd &crowd)
{
    const Vector3 player = {20.0f, 0.0f, 12.0f};
    float a = crowd.player, b = a + 3.0f * FRAME / 4.0f;
    SoilPress(soil, {player.x + 4.0f * std::sin(a), 0.0f, player.z + 4.0f * std::cos(a)},
              {player.x + 4.0f * std::sin(b), 0.0f, player.z + 4.0f * std::cos(b)}, 0.32f, 1.8f, FRAME);
    crowd.player = b;
    for (int k = 0; k < BODIES; ++k) {
        float p = crowd.phase[k], q = p + 1.5f * FRAME / 0.8f;
        Vector3 c = crowd.centre[k];
        SoilPress(soil, {c.x + 0.8f * std::sin(p), 0.0f, c.z + 0.8f * std::cos(p)},
                  {c.x + 0.8f * std::sin(q), 0.0f, c.z + 0.8f * std::cos(q)}, crowd.radius[k], 1.1f, FRAME);
        crowd.phase[k] = q;
    }
}

void BM_SoilPress49PerFrame(benchmark::State &state)
{
    static Crowd crowd;
    Soil &soil = BenchSoil(crowd);
    if (!soil.cells) {
        state.SkipWithError("soil grids could not be allocated");
        return;
    }
    for (auto _ : state) {
        PressFrame(soil, crowd);
        SoilMarkUploaded(soil);
    }
    state.counters["presses/s"] = benchmark::Counter(49.0 * (double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SoilPress49PerFrame)->Unit(benchmark::kMicrosecond);

// Plans the upload of `dirty` and stages every run that is not already contiguous in the cells.
int AssembleUpload(Soil &soil, const bool *dirty)
{
    SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY];
    int count = SoilUploadPlan(dirty, rects);
    int staged = 0;
    for (int k = 0; k < count; ++k) {
        if (rects[k].width == SOIL_SIZE) continue;
        staged += SoilStageRect(soil, rects[k], soil.staging) ? rects[k].width * rects[k].height : 0;
    }
    benchmark::DoNotOptimize(soil.staging[0]);
    return staged;
}

// The dirty blocks a frame of 49 presses leaves (range 0), or every other block (range 1: 512
// runs of one block, the most an upload ever stages).
void BM_SoilUploadAssemble(benchmark::State &state)
{
    static Crowd crowd;
    Soil &soil = BenchSoil(crowd);
    if (!soil.cells) {
        state.SkipWithError("soil grids could not be allocated");
        return;
    }
    bool dirty[SOIL_BLOCK_COUNT];
    if (state.range(0) == 0) {
        SoilMarkUploaded(soil);
        PressFrame(soil, crowd);
        std::memcpy(dirty, soil.blockDirty, sizeof(dirty));
    } else {
        for (int b = 0; b < SOIL_BLOCK_COUNT; ++b) dirty[b] = ((b / SOIL_BLOCKS) + b) % 2 == 0;
    }
    int blocks = 0;
    for (bool d : dirty) blocks += d;
    int texels = 0;
    for (auto _ : state) texels = AssembleUpload(soil, dirty);
    state.counters["dirty blocks"] = (double)blocks;
    state.SetBytesProcessed((int64_t)state.iterations() * texels * (int64_t)sizeof(SoilCell));
}
BENCHMARK(BM_SoilUploadAssemble)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SoilHeight(benchmark::State &state)
{
    static Crowd crowd;
    Soil &soil = BenchSoil(crowd);
    if (!soil.cells) {
        state.SkipWithError("soil grids could not be allocated");
        return;
    }
    uint32_t r = 2463534242u;
    for (auto _ : state) {
        r ^= r << 13;
        r ^= r >> 17;
        r ^= r << 5;
        float x = 10.0f + (float)(r & 0xffff) * (20.0f / 65536.0f), z = 10.0f + (float)(r >> 16) * (20.0f / 65536.0f);
        benchmark::DoNotOptimize(SoilHeight(soil, x, z));
    }
}
BENCHMARK(BM_SoilHeight);

// One body of 2 clods (radius 2.8 m): what a corpse's final deposit or a landing chunk costs.
void BM_SoilDepositBody(benchmark::State &state)
{
    static Crowd crowd;
    Soil &soil = BenchSoil(crowd);
    if (!soil.cells) {
        state.SkipWithError("soil grids could not be allocated");
        return;
    }
    for (auto _ : state) SoilDepositBody(soil, {-40.0f, 0.0f, 40.0f}, 2.0f, 0.6f, 0.3f);
}
BENCHMARK(BM_SoilDepositBody)->Unit(benchmark::kMicrosecond);

}  // namespace
