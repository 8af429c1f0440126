// Terrain height field and the CPU half of the ground-texture bakes.
//
// Index
//   [SECTION] Value noise
//   [SECTION] Height
//   [SECTION] Detail texel
//   [SECTION] Bakes
#include "world/terrain.h"

#include "world/soil.h"

#include <cmath>
#include <cstdint>
#include <system_error>
#include <thread>

// [SECTION] Value noise

namespace {

constexpr uint32_t LATTICE_STEP_A = 374761393u;   // seed step for +1 in the first coordinate
constexpr uint32_t LATTICE_STEP_B = 668265263u;   // seed step for +1 in the second coordinate
constexpr uint32_t CORNER_OFFSET = 1013904223u;   // added to every corner seed
constexpr uint32_t FEATURE_Z_OFFSET = 3092389815u;  // -1202577481 wrapped: second feature-point hash

// Hash of a lattice seed to [0, 1) in steps of 2^-24.
inline float HashUnit(uint32_t n)
{
    uint32_t m = (n ^ (n >> 13)) * 1274126177u;
    return (float)(int32_t)((m >> 8) ^ (m >> 24)) * (1.0f / 16777216.0f);  // < 2^24: exact
}

inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// smoothstep of a value already in 0..1
inline float Smooth(float t) { return (3.0f - 2.0f * t) * t * t; }

inline float Clamp01(float t) { return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t); }

// floor(a) as a float and as a lattice index modulo 2^32, for |a| < 2^31. A negative float
// converted straight to an unsigned integer is undefined, so the index goes float -> int32 ->
// uint32: truncation, then one step down for a negative fraction. Branch-free, so that the row
// bakes vectorise.
inline void LatticeCellNear(float a, float &floored, uint32_t &index)
{
    int32_t t = (int32_t)a;
    t -= (int32_t)((float)t > a);  // integer arithmetic keeps it a select, not a branch
    floored = (float)t;
    index = (uint32_t)t;
}

// The same for any float: beyond int32 the index goes through int64, and beyond that the value is
// a multiple of 2^40, i.e. index 0; NaN gives index 0 too.
inline void LatticeCell(float a, float &floored, uint32_t &index)
{
    if (std::fabs(a) < 2147483648.0f) {
        LatticeCellNear(a, floored, index);
    } else {
        floored = std::floor(a);
        index = std::fabs(floored) < 9223372036854775808.0f ? (uint32_t)(int64_t)floored : 0u;
    }
}

inline float NoiseFromCell(float a, float b, float fa0, float fb0, uint32_t ia, uint32_t ib)
{
    uint32_t e = ia * LATTICE_STEP_A + ib * LATTICE_STEP_B + CORNER_OFFSET;
    float c00 = HashUnit(e);
    float c10 = HashUnit(e + LATTICE_STEP_A);
    float c01 = HashUnit(e + LATTICE_STEP_B);
    float c11 = HashUnit(e + LATTICE_STEP_A + LATTICE_STEP_B);
    float sa = Smooth(a - fa0), sb = Smooth(b - fb0);
    return Lerp(Lerp(c00, c10, sa), Lerp(c01, c11, sa), sb);
}

// Value noise for |a|, |b| < 2^31 (finite): the bakes' inner loops.
inline float NoiseNear(float a, float b)
{
    float fa0, fb0;
    uint32_t ia, ib;
    LatticeCellNear(a, fa0, ia);
    LatticeCellNear(b, fb0, ib);
    return NoiseFromCell(a, b, fa0, fb0, ia, ib);
}

inline float ValueNoise(float a, float b)
{
    if (std::fabs(a) < 2147483648.0f && std::fabs(b) < 2147483648.0f) return NoiseNear(a, b);  // false for NaN
    if (!std::isfinite(a) || !std::isfinite(b)) return 0.0f;
    float fa0, fb0;
    uint32_t ia, ib;
    LatticeCell(a, fa0, ia);
    LatticeCell(b, fb0, ib);
    return NoiseFromCell(a, b, fa0, fb0, ia, ib);
}

}  // namespace

float TerrainValueNoise(float a, float b) { return ValueNoise(a, b); }

// [SECTION] Height

namespace {

// NEAR: every noise argument is known to be finite and within int32 range (the bakes), so the
// branch-free variant applies; the results are the same bits either way.
template <bool NEAR>
inline float Noise(float a, float b)
{
    return NEAR ? NoiseNear(a, b) : ValueNoise(a, b);
}

// The value-noise term of the base height, 0..1.
template <bool NEAR>
inline float HeightNoise(float x, float z)
{
    return Noise<NEAR>(0.83f * x + 0.37f * z + 13.0f, 0.83f * z - 0.37f * x);
}

// The base height from its noise term: the sines are library calls, kept out of vectorised loops.
inline float HeightFromNoise(float x, float z, float noise)
{
    return 0.18f * std::sin(0.29f * x + 0.13f * z) * std::sin(0.24f * z - 0.17f * x) - 0.035f
         + 0.05f * std::sin(0.32f * z + 0.75f * x) * std::sin(0.62f * z - 0.40f * x)
         + 0.09f * (noise - 0.5f);
}

}  // namespace

float TerrainBaseHeight(float x, float z)
{
    if (!std::isfinite(x) || !std::isfinite(z)) return 0.0f;
    return HeightFromNoise(x, z, HeightNoise<false>(x, z));
}

float TerrainHeight(float x, float z)
{
    return TerrainBaseHeight(x, z) + SoilGroundHeight(x, z);
}

// [SECTION] Detail texel

namespace {

// The noise part of a detail texel, free of square roots (which may set errno) and of clamps
// followed by arithmetic (which the compiler turns into branches), so that a loop over it vectorises.
struct DetailPartial {
    float f1, f2;     // smallest and second-smallest squared distances to the crack cells' feature points
    float region;     // large-scale noise that fades the cracks in and out, 0..1
    float relief;     // clay relief before the cracks are cut into it
    float grain;      // fine grain, 0..1
    float height;     // the base height's noise term, 0..1
};

template <bool NEAR>
inline DetailPartial DetailNoise(float x, float z)
{
    DetailPartial p;
    // Cracks: cellular distances in warped coordinates.
    float u = 0.85f * Noise<NEAR>(0.43f * x, 0.43f * z) + 0.72f * x + 0.09f * Noise<NEAR>(1.7f * x, 1.7f * z);
    float w = 0.85f * Noise<NEAR>(0.43f * x + 17.0f, 0.43f * z) + 0.72f * z
            + 0.09f * Noise<NEAR>(1.7f * x + 41.0f, 1.7f * z);
    float cellU, cellW;
    uint32_t indexU, indexW;
    if (NEAR) {
        LatticeCellNear(u, cellU, indexU);
        LatticeCellNear(w, cellW, indexW);
    } else {
        LatticeCell(u, cellU, indexU);
        LatticeCell(w, cellW, indexW);
    }
    float f1 = 100.0f, f2 = 100.0f;
#pragma GCC unroll 3
    for (int dz = -1; dz <= 1; ++dz) {
#pragma GCC unroll 3
        for (int dx = -1; dx <= 1; ++dx) {
            uint32_t seed = (indexU + (uint32_t)dx) * LATTICE_STEP_A + (indexW + (uint32_t)dz) * LATTICE_STEP_B;
            float px = cellU + (float)dx + 0.12f + 0.76f * HashUnit(seed + CORNER_OFFSET);
            float pz = cellW + (float)dz + 0.12f + 0.76f * HashUnit(seed + FEATURE_Z_OFFSET);
            float ddx = px - u, ddz = pz - w;
            float d = ddx * ddx + ddz * ddz;
            float larger = d > f1 ? d : f1;
            f2 = larger < f2 ? larger : f2;
            f1 = d < f1 ? d : f1;
        }
    }
    p.f1 = f1;
    p.f2 = f2;
    p.region = Noise<NEAR>(0.14f * x + 9.0f, 0.14f * z);
    // Clay relief: three octaves in coordinates warped by a fourth.
    float v = 0.7f * Noise<NEAR>(0.7f * x, 0.7f * z) + 0.91f * x + 0.42f * z;
    float vw = 0.7f * Noise<NEAR>(0.7f * x + 71.0f, 0.7f * z) + 0.91f * z - 0.42f * x;
    p.relief = 0.64f * Noise<NEAR>(2.1f * v, 2.1f * vw) + 0.26f * Noise<NEAR>(4.7f * v + 23.0f, 4.7f * vw)
             + 0.10f * Noise<NEAR>(9.3f * v, 9.3f * vw + 31.0f);
    p.grain = Noise<NEAR>(8.0f * x, 8.0f * z);
    p.height = HeightNoise<NEAR>(x, z);
    return p;
}

// A value in 0..1 to a byte, truncating.
inline unsigned char UnitByte(float v) { return (unsigned char)(int)(v * 255.0f); }

// The finished texel: cracks (1 on the thin cell borders, faded by the region), the relief with
// the cracks cut in, the grain and the height.
inline Color DetailFinish(const DetailPartial &p, float x, float z)
{
    float height = HeightFromNoise(x, z, p.height);
    float edge = Clamp01((std::sqrt(p.f2) - std::sqrt(p.f1) - 0.014f) / 0.041f);
    float region = Clamp01((p.region - 0.4f) / 0.28f);
    float crack = (1.0f - Smooth(edge)) * Smooth(region);
    float clay = Clamp01(p.relief - 0.12f * crack);
    float alpha = (height - TERRAIN_DETAIL_HEIGHT_MIN) / TERRAIN_DETAIL_HEIGHT_RANGE * 255.0f + 0.5f;
    alpha = alpha < 0.0f ? 0.0f : (alpha > 255.0f ? 255.0f : alpha);
    return {UnitByte(crack), UnitByte(clay), UnitByte(p.grain), (unsigned char)(int)alpha};
}

}  // namespace

Color TerrainDetailTexel(float x, float z)
{
    if (!std::isfinite(x) || !std::isfinite(z)) return {0, 0, 0, 0};
    return DetailFinish(DetailNoise<false>(x, z), x, z);
}

// [SECTION] Bakes

namespace {

// Runs rows(begin, end) over 0..rowCount split into contiguous blocks, one per thread; the calling
// thread takes the last block and any block whose thread could not start.
template <typename Rows>
void RunRows(int rowCount, int threadCount, const Rows &rows)
{
    int count = threadCount < 1 ? 1 : (threadCount > TERRAIN_BAKE_MAX_THREADS ? TERRAIN_BAKE_MAX_THREADS : threadCount);
    std::thread workers[TERRAIN_BAKE_MAX_THREADS];
    for (int k = 0; k < count - 1; ++k) {
        int begin = rowCount * k / count, end = rowCount * (k + 1) / count;
        try {
            workers[k] = std::thread([&rows, begin, end] { rows(begin, end); });
        } catch (const std::system_error &) {
            rows(begin, end);
        }
    }
    rows(rowCount * (count - 1) / count, rowCount);
    for (int k = 0; k < count - 1; ++k) {
        if (workers[k].joinable()) workers[k].join();
    }
}

inline float TexelCentre(int index, float halfExtent, int size)
{
    return -halfExtent + ((float)index + 0.5f) * (2.0f * halfExtent) / (float)size;
}

}  // namespace

int TerrainBakeThreadCount()
{
    unsigned hardware = std::thread::hardware_concurrency();
    if (hardware < 1u) return 1;
    return hardware > (unsigned)TERRAIN_BAKE_MAX_THREADS ? TERRAIN_BAKE_MAX_THREADS : (int)hardware;
}

void TerrainBakeHeights(float *heights, int threadCount)
{
    if (!heights) return;
    RunRows(TERRAIN_HEIGHT_SIZE, threadCount, [heights](int begin, int end) {
        for (int j = begin; j < end; ++j) {
            float z = TexelCentre(j, TERRAIN_HEIGHT_HALF_EXTENT, TERRAIN_HEIGHT_SIZE);
            float *row = heights + (size_t)j * TERRAIN_HEIGHT_SIZE;
            // The noise terms in a loop the compiler vectorises, then the sines.
            for (int i = 0; i < TERRAIN_HEIGHT_SIZE; ++i) {
                row[i] = HeightNoise<true>(TexelCentre(i, TERRAIN_HEIGHT_HALF_EXTENT, TERRAIN_HEIGHT_SIZE), z);
            }
            for (int i = 0; i < TERRAIN_HEIGHT_SIZE; ++i) {
                row[i] = HeightFromNoise(TexelCentre(i, TERRAIN_HEIGHT_HALF_EXTENT, TERRAIN_HEIGHT_SIZE), z, row[i]);
            }
        }
    });
}

void TerrainBakeDetail(unsigned char *rgba, int threadCount)
{
    if (!rgba) return;
    RunRows(TERRAIN_DETAIL_SIZE, threadCount, [rgba](int begin, int end) {
        DetailPartial partial[TERRAIN_DETAIL_SIZE];
        for (int j = begin; j < end; ++j) {
            float z = TexelCentre(j, TERRAIN_DETAIL_HALF_EXTENT, TERRAIN_DETAIL_SIZE);
            // The noise in a branch-free loop the compiler vectorises, then square roots and sines.
            for (int i = 0; i < TERRAIN_DETAIL_SIZE; ++i) {
                partial[i] = DetailNoise<true>(TexelCentre(i, TERRAIN_DETAIL_HALF_EXTENT, TERRAIN_DETAIL_SIZE), z);
            }
            unsigned char *row = rgba + (size_t)j * TERRAIN_DETAIL_SIZE * 4;
            for (int i = 0; i < TERRAIN_DETAIL_SIZE; ++i) {
                Color c = DetailFinish(partial[i], TexelCentre(i, TERRAIN_DETAIL_HALF_EXTENT, TERRAIN_DETAIL_SIZE), z);
                row[i * 4 + 0] = c.r;
                row[i * 4 + 1] = c.g;
                row[i * 4 + 2] = c.b;
                row[i * 4 + 3] = c.a;
            }
        }
    });
}
