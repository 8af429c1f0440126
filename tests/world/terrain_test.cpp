// Terrain height field: the noise and heights against a plain transcription of their formulas,
// the lattice hash's integer conversions, the CPU bakes (bilinear reconstruction, mirrored seams,
// the same bytes twice) and the GPU half's behaviour without a window.
#include "world/terrain.h"
#include "render/terrain_gpu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// [SECTION] Plain transcription of the formulas, the slow obvious way

namespace plain {

// floor(a) modulo 2^32, through int64 so that it also covers values beyond int32.
uint32_t Index(float floored)
{
    if (std::fabs(floored) >= 9223372036854775808.0f) return 0u;
    return (uint32_t)(int64_t)floored;
}

float Hash(uint32_t n)
{
    uint32_t m = (n ^ (n >> 13)) * 1274126177u;
    return (float)((m >> 8) ^ (m >> 24)) * (1.0f / 16777216.0f);
}

float Noise(float a, float b)
{
    float ia = std::floor(a), ib = std::floor(b);
    uint32_t e = Index(ia) * 374761393u + Index(ib) * 668265263u;
    float c00 = Hash(e + 1013904223u), c10 = Hash(e + 1388665616u);
    float c01 = Hash(e + 1682169486u), c11 = Hash(e + 2056930879u);
    float fa = a - ia, fb = b - ib;
    float sa = (3.0f - 2.0f * fa) * fa * fa, sb = (3.0f - 2.0f * fb) * fb * fb;
    float l0 = c00 + (c10 - c00) * sa, l1 = c01 + (c11 - c01) * sa;
    return l0 + (l1 - l0) * sb;
}

float Base(float x, float z)
{
    return 0.18f * std::sin(0.29f * x + 0.13f * z) * std::sin(0.24f * z - 0.17f * x) - 0.035f
         + 0.05f * std::sin(0.32f * z + 0.75f * x) * std::sin(0.62f * z - 0.40f * x)
         + 0.09f * (Noise(0.83f * x + 0.37f * z + 13.0f, 0.83f * z - 0.37f * x) - 0.5f);
}

float Clamp01(float t) { return std::fmin(std::fmax(t, 0.0f), 1.0f); }
float Smooth(float t) { return (3.0f - 2.0f * t) * t * t; }

Color Detail(float x, float z)
{
    float u = 0.85f * Noise(0.43f * x, 0.43f * z) + 0.72f * x + 0.09f * Noise(1.7f * x, 1.7f * z);
    float w = 0.85f * Noise(0.43f * x + 17.0f, 0.43f * z) + 0.72f * z + 0.09f * Noise(1.7f * x + 41.0f, 1.7f * z);
    float fu = std::floor(u), fw = std::floor(w);
    float f1 = 100.0f, f2 = 100.0f;
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx) {
            uint32_t seed = (Index(fu) + (uint32_t)dx) * 374761393u + (Index(fw) + (uint32_t)dz) * 668265263u;
            float px = fu + (float)dx + 0.12f + 0.76f * Hash(seed + 1013904223u);
            float pz = fw + (float)dz + 0.12f + 0.76f * Hash(seed - 1202577481u);
            float d = (px - u) * (px - u) + (pz - w) * (pz - w);
            if (d < f1) {
                f2 = f1;
                f1 = d;
            } else if (d < f2) {
                f2 = d;
            }
        }
    }
    float q = Clamp01((std::sqrt(f2) - std::sqrt(f1) - 0.014f) / 0.041f);
    float s = Clamp01((Noise(0.14f * x + 9.0f, 0.14f * z) - 0.4f) / 0.28f);
    float crack = (1.0f - Smooth(q)) * Smooth(s);
    float v = 0.7f * Noise(0.7f * x, 0.7f * z) + 0.91f * x + 0.42f * z;
    float vw = 0.7f * Noise(0.7f * x + 71.0f, 0.7f * z) + 0.91f * z - 0.42f * x;
    float g = Clamp01(0.64f * Noise(2.1f * v, 2.1f * vw) + 0.26f * Noise(4.7f * v + 23.0f, 4.7f * vw)
                      + 0.10f * Noise(9.3f * v, 9.3f * vw + 31.0f) - 0.12f * crack);
    float a = std::fmin(std::fmax((Base(x, z) + 0.3f) / 0.6f * 255.0f + 0.5f, 0.0f), 255.0f);
    return {(unsigned char)(int)(crack * 255.0f), (unsigned char)(int)(g * 255.0f),
            (unsigned char)(int)(Noise(8.0f * x, 8.0f * z) * 255.0f), (unsigned char)(int)a};
}

}  // namespace plain

// [SECTION] Helpers

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

struct Random {
    uint32_t state = 2463534242u;
    float Unit()  // [0, 1)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (float)(state >> 8) * (1.0f / 16777216.0f);
    }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
};

float HeightTexelCentre(int i) { return -144.0f + ((float)i + 0.5f) * 288.0f / 2560.0f; }
float DetailTexelCentre(int i) { return ((float)i + 0.5f) * 96.0f / 2048.0f - 48.0f; }

// One bake of each texture, shared by the tests that read them.
struct Bakes {
    std::vector<float> heights = std::vector<float>(TERRAIN_HEIGHT_TEXELS);
    std::vector<unsigned char> detail = std::vector<unsigned char>(TERRAIN_DETAIL_BYTES);
    Bakes()
    {
        TerrainBakeHeights(heights.data(), TerrainBakeThreadCount());
        TerrainBakeDetail(detail.data(), TerrainBakeThreadCount());
    }
    Color DetailAt(int i, int j) const
    {
        const unsigned char *t = &detail[((size_t)j * TERRAIN_DETAIL_SIZE + (size_t)i) * 4];
        return {t[0], t[1], t[2], t[3]};
    }
};

const Bakes &SharedBakes()
{
    static const Bakes bakes;
    return bakes;
}

// Bilinear lookup of the height grid the way the GPU filters it (clamp wrap), at world (x, z).
double HeightBilinear(const std::vector<float> &grid, float x, float z)
{
    double u = ((double)x + 144.0) / 288.0 * 2560.0 - 0.5, v = ((double)z + 144.0) / 288.0 * 2560.0 - 0.5;
    int i0 = (int)std::floor(u), j0 = (int)std::floor(v);
    double fu = u - i0, fv = v - j0;
    auto at = [&grid](int i, int j) {
        i = i < 0 ? 0 : (i > 2559 ? 2559 : i);
        j = j < 0 ? 0 : (j > 2559 ? 2559 : j);
        return (double)grid[(size_t)j * 2560 + (size_t)i];
    };
    double a = at(i0, j0) + (at(i0 + 1, j0) - at(i0, j0)) * fu;
    double b = at(i0, j0 + 1) + (at(i0 + 1, j0 + 1) - at(i0, j0 + 1)) * fu;
    return a + (b - a) * fv;
}

// The GPU's mirrored-repeat wrap of an integer texel index.
int MirrorTexel(int i, int n)
{
    int m = ((i % (2 * n)) + 2 * n) % (2 * n);
    return m < n ? m : 2 * n - 1 - m;
}

// World coordinate folded into -48..48 the way mirrored repeat folds the texture.
float MirrorWorld(float x)
{
    float m = std::fmod(x + 48.0f, 192.0f);
    if (m < 0.0f) m += 192.0f;
    return m <= 96.0f ? m - 48.0f : 144.0f - m;
}

// Bilinear, mirrored-repeat lookup of the detail texture at world (x, z), one channel.
double DetailSample(const Bakes &bakes, float x, float z, int channel)
{
    double u = ((double)x + 48.0) / 96.0 * 2048.0 - 0.5, v = ((double)z + 48.0) / 96.0 * 2048.0 - 0.5;
    int i0 = (int)std::floor(u), j0 = (int)std::floor(v);
    double fu = u - i0, fv = v - j0;
    auto at = [&bakes, channel](int i, int j) {
        const unsigned char *t = &bakes.detail[((size_t)MirrorTexel(j, 2048) * 2048 + (size_t)MirrorTexel(i, 2048)) * 4];
        return (double)t[channel];
    };
    double a = at(i0, j0) + (at(i0 + 1, j0) - at(i0, j0)) * fu;
    double b = at(i0, j0 + 1) + (at(i0 + 1, j0 + 1) - at(i0, j0 + 1)) * fu;
    return a + (b - a) * fv;
}

// Captures raylib log lines at WARNING and above.
std::vector<std::string> capturedLines;
void CaptureLog(int level, const char *text, va_list args)
{
    if (level < LOG_WARNING) return;
    char line[512];
    vsnprintf(line, sizeof line, text, args);
    capturedLines.push_back(line);
}

}  // namespace

// [SECTION] Value noise

TEST(TerrainValueNoise, MatchesThePlainFormulaBitForBit)
{
    Random r;
    long mismatches = 0;
    for (int k = 0; k < 400000; ++k) {
        float scale = k % 4 == 0 ? 1e6f : (k % 4 == 1 ? 300.0f : (k % 4 == 2 ? 4.0f : 1e9f));
        float a = r.Range(-scale, scale), b = r.Range(-scale, scale);
        if (!SameBits(TerrainValueNoise(a, b), plain::Noise(a, b)) && mismatches++ < 5) {
            ADD_FAILURE() << a << ", " << b;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(TerrainValueNoise, NegativeLatticeIndicesGoThroughSignedIntegers)
{
    // floor(-0.5) = -1 must hash as 0xFFFFFFFF, the wrapped int32, on every compiler.
    EXPECT_TRUE(SameBits(TerrainValueNoise(-1.0f, -3.0f), plain::Hash(0xFFFFFFFFu * 374761393u + 0xFFFFFFFDu * 668265263u + 1013904223u)));
    EXPECT_TRUE(SameBits(TerrainValueNoise(-0.5f, 0.0f), plain::Noise(-0.5f, 0.0f)));
    EXPECT_TRUE(SameBits(TerrainValueNoise(-2147483648.0f, 1.0f), plain::Noise(-2147483648.0f, 1.0f)));
    // Beyond int32 the index wraps modulo 2^32; from 2^63 on, floats are multiples of 2^40.
    EXPECT_TRUE(SameBits(TerrainValueNoise(3e9f, 0.25f), plain::Noise(3e9f, 0.25f)));
    EXPECT_TRUE(SameBits(TerrainValueNoise(-3e9f, 0.25f), plain::Noise(-3e9f, 0.25f)));
    EXPECT_TRUE(SameBits(TerrainValueNoise(4294967296.0f, 0.25f), TerrainValueNoise(0.0f, 0.25f)));
    EXPECT_TRUE(SameBits(TerrainValueNoise(1e20f, 0.25f), TerrainValueNoise(0.0f, 0.25f)));
    EXPECT_TRUE(SameBits(TerrainValueNoise(-3e38f, 0.25f), TerrainValueNoise(0.0f, 0.25f)));
}

TEST(TerrainValueNoise, RangeLatticeValuesAndContinuity)
{
    Random r;
    for (int k = 0; k < 200000; ++k) {
        float a = r.Range(-500.0f, 500.0f), b = r.Range(-500.0f, 500.0f);
        float n = TerrainValueNoise(a, b);
        ASSERT_GE(n, 0.0f) << a << ", " << b;
        ASSERT_LT(n, 1.0f) << a << ", " << b;
    }
    for (int ia = -40; ia <= 40; ia += 3) {
        for (int ib = -40; ib <= 40; ib += 7) {
            uint32_t e = (uint32_t)ia * 374761393u + (uint32_t)ib * 668265263u;
            EXPECT_EQ(TerrainValueNoise((float)ia, (float)ib), plain::Hash(e + 1013904223u)) << ia << ", " << ib;
            // Across the lattice lines, on both sides of a corner.
            float below = TerrainValueNoise((float)ia - 1e-4f, (float)ib + 0.3f);
            float above = TerrainValueNoise((float)ia + 1e-4f, (float)ib + 0.3f);
            EXPECT_NEAR(below, above, 1e-3f) << ia << ", " << ib;
            below = TerrainValueNoise((float)ia + 0.6f, (float)ib - 1e-4f);
            above = TerrainValueNoise((float)ia + 0.6f, (float)ib + 1e-4f);
            EXPECT_NEAR(below, above, 1e-3f) << ia << ", " << ib;
        }
    }
}

TEST(TerrainValueNoise, NonFiniteInputGivesZero)
{
    EXPECT_EQ(TerrainValueNoise(NAN, 0.5f), 0.0f);
    EXPECT_EQ(TerrainValueNoise(0.5f, INFINITY), 0.0f);
    EXPECT_EQ(TerrainValueNoise(-INFINITY, NAN), 0.0f);
}

// [SECTION] Heights

TEST(TerrainHeight, BaseHeightMatchesThePlainFormulaAndStaysLow)
{
    Random r;
    float lowest = 1.0f, highest = -1.0f;
    for (int k = 0; k < 200000; ++k) {
        float x = r.Range(-150.0f, 150.0f), z = r.Range(-150.0f, 150.0f);
        float h = TerrainBaseHeight(x, z);
        ASSERT_TRUE(SameBits(h, plain::Base(x, z))) << x << ", " << z;
        lowest = std::fmin(lowest, h);
        highest = std::fmax(highest, h);
    }
    EXPECT_GT(lowest, -0.32f);
    EXPECT_LT(highest, 0.25f);
    EXPECT_GT(highest - lowest, 0.3f);  // never flat
}

TEST(TerrainHeight, EqualsBaseHeightWithoutSoil)
{
    Random r;
    for (int k = 0; k < 10000; ++k) {
        float x = r.Range(-128.0f, 128.0f), z = r.Range(-128.0f, 128.0f);
        EXPECT_EQ(TerrainHeight(x, z), TerrainBaseHeight(x, z));
    }
}

TEST(TerrainHeight, NonFiniteInputGivesZero)
{
    EXPECT_EQ(TerrainBaseHeight(NAN, 1.0f), 0.0f);
    EXPECT_EQ(TerrainHeight(1.0f, INFINITY), 0.0f);
    EXPECT_EQ(TerrainHeight(-INFINITY, NAN), 0.0f);
    Color c = TerrainDetailTexel(NAN, 0.0f);
    EXPECT_EQ(c.r + c.g + c.b + c.a, 0);
}

// [SECTION] Height bake

TEST(TerrainBake, HeightTexelsAreTheBaseHeightAtTheirCentres)
{
    const Bakes &bakes = SharedBakes();
    long mismatches = 0;
    for (int j = 0; j < TERRAIN_HEIGHT_SIZE; ++j) {
        float z = HeightTexelCentre(j);
        for (int i = 0; i < TERRAIN_HEIGHT_SIZE; ++i) {
            float h = bakes.heights[(size_t)j * TERRAIN_HEIGHT_SIZE + (size_t)i];
            if (!SameBits(h, TerrainBaseHeight(HeightTexelCentre(i), z)) && mismatches++ < 5) {
                ADD_FAILURE() << "texel " << i << ", " << j;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(TerrainBake, BilinearHeightsMatchTheAnalyticHeight)
{
    const Bakes &bakes = SharedBakes();
    Random r;
    double worst = 0.0;
    for (int k = 0; k < 300000; ++k) {
        float x = r.Range(-128.0f, 128.0f), z = r.Range(-128.0f, 128.0f);
        double error = std::fabs(HeightBilinear(bakes.heights, x, z) - (double)TerrainBaseHeight(x, z));
        worst = std::fmax(worst, error);
    }
    EXPECT_LT(worst, 0.0013);
    RecordProperty("worst_bilinear_error_m", std::to_string(worst));
    // Up to the arena's walls and corners too.
    const float edges[][2] = {{-128, -128}, {128, 128}, {-128, 128}, {128, -128}, {0, 128}, {-128, 0}};
    for (const auto &p : edges) {
        EXPECT_LT(std::fabs(HeightBilinear(bakes.heights, p[0], p[1]) - (double)TerrainBaseHeight(p[0], p[1])), 0.0013);
    }
}

// [SECTION] Detail bake

TEST(TerrainBake, DetailTexelsMatchThePlainFormula)
{
    const Bakes &bakes = SharedBakes();
    long mismatches = 0;
    for (int j = 0; j < TERRAIN_DETAIL_SIZE; ++j) {
        float z = DetailTexelCentre(j);
        for (int i = 0; i < TERRAIN_DETAIL_SIZE; ++i) {
            Color baked = bakes.DetailAt(i, j);
            bool edge = i < 2 || j < 2 || i >= TERRAIN_DETAIL_SIZE - 2 || j >= TERRAIN_DETAIL_SIZE - 2;
            bool check = edge || (i * 7 + j * 13) % 29 == 0;  // every edge texel and a spread of the rest
            Color expected = TerrainDetailTexel(DetailTexelCentre(i), z);
            if (!SameColor(baked, expected) && mismatches++ < 5) ADD_FAILURE() << "bake vs texel " << i << ", " << j;
            if (check && !SameColor(expected, plain::Detail(DetailTexelCentre(i), z)) && mismatches++ < 5) {
                ADD_FAILURE() << "texel vs plain " << i << ", " << j;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(TerrainBake, DetailChannelsCarryTheirFeatures)
{
    const Bakes &bakes = SharedBakes();
    long cracks = 0, heightSum = 0;
    int grainMin = 255, grainMax = 0;
    for (int j = 0; j < TERRAIN_DETAIL_SIZE; j += 3) {
        for (int i = 0; i < TERRAIN_DETAIL_SIZE; i += 3) {
            Color c = bakes.DetailAt(i, j);
            cracks += c.r > 128;
            grainMin = c.b < grainMin ? c.b : grainMin;
            grainMax = c.b > grainMax ? c.b : grainMax;
            heightSum += c.a;
            // Alpha encodes the base height from -0.3 m (0) to +0.3 m (255).
            float h = TerrainBaseHeight(DetailTexelCentre(i), DetailTexelCentre(j));
            ASSERT_NEAR((float)c.a, std::fmin(std::fmax((h + 0.3f) / 0.6f * 255.0f, 0.0f), 255.0f), 0.51f);
        }
    }
    long samples = (long)((TERRAIN_DETAIL_SIZE + 2) / 3) * ((TERRAIN_DETAIL_SIZE + 2) / 3);
    EXPECT_GT(cracks, samples / 200);  // thin cracks, but present
    EXPECT_LT(cracks, samples / 4);
    EXPECT_LT(grainMin, 10);
    EXPECT_GT(grainMax, 245);
    double meanHeight = (double)heightSum / (double)samples / 255.0 * 0.6 - 0.3;
    EXPECT_NEAR(meanHeight, -0.035, 0.03);
}

TEST(TerrainBake, DetailMirroredSeamsReflectAtTheEdges)
{
    // Past +-48 m the GPU mirrors the texture. Sampling it there with mirrored-repeat addressing
    // must give the detail of the point reflected back into -48..48: the texel centres sit half a
    // texel in from the edges, so the mirrored copy continues the same lattice with no seam.
    const Bakes &bakes = SharedBakes();
    const float pitch = 96.0f / 2048.0f;
    long mismatches = 0;
    for (int k = 0; k < 64; ++k) {
        float offset = ((float)k + 0.5f) * pitch;  // mirrored texel centres beyond the edges
        const float points[][2] = {{48.0f + offset, DetailTexelCentre(1237)}, {-48.0f - offset, DetailTexelCentre(600)},
                                   {DetailTexelCentre(1100), 48.0f + offset}, {DetailTexelCentre(17), -48.0f - offset},
                                   {48.0f + offset, -48.0f - offset}, {144.0f + offset, 240.0f - offset}};
        for (const auto &p : points) {
            Color expected = TerrainDetailTexel(MirrorWorld(p[0]), MirrorWorld(p[1]));
            const unsigned char channels[4] = {expected.r, expected.g, expected.b, expected.a};
            for (int channel = 0; channel < 4; ++channel) {
                double sampled = DetailSample(bakes, p[0], p[1], channel);
                if (std::fabs(sampled - channels[channel]) > 1e-6 && mismatches++ < 5) {
                    ADD_FAILURE() << p[0] << ", " << p[1] << " channel " << channel << ": " << sampled << " vs "
                                  << (int)channels[channel];
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    // Right at a seam, both sides sample the same value: no jump.
    for (float z = -40.0f; z <= 40.0f; z += 3.7f) {
        for (int channel = 0; channel < 4; ++channel) {
            EXPECT_NEAR(DetailSample(bakes, 48.0f - 0.001f, z, channel), DetailSample(bakes, 48.0f + 0.001f, z, channel), 0.5);
            EXPECT_NEAR(DetailSample(bakes, z, -48.0f - 0.001f, channel), DetailSample(bakes, z, -48.0f + 0.001f, channel), 0.5);
        }
    }
}

// [SECTION] Reproducibility

TEST(TerrainBake, SameBytesTwiceWhateverTheThreadCount)
{
    const Bakes &bakes = SharedBakes();
    std::vector<float> heights(TERRAIN_HEIGHT_TEXELS, -1.0f);
    TerrainBakeHeights(heights.data(), 1);
    EXPECT_EQ(std::memcmp(heights.data(), bakes.heights.data(), TERRAIN_HEIGHT_TEXELS * sizeof(float)), 0);
    std::vector<unsigned char> detail(TERRAIN_DETAIL_BYTES, 7);
    TerrainBakeDetail(detail.data(), 3);
    EXPECT_EQ(std::memcmp(detail.data(), bakes.detail.data(), TERRAIN_DETAIL_BYTES), 0);
    EXPECT_GE(TerrainBakeThreadCount(), 1);
    EXPECT_LE(TerrainBakeThreadCount(), TERRAIN_BAKE_MAX_THREADS);
}

TEST(TerrainBake, NullBuffersAreIgnored)
{
    TerrainBakeHeights(nullptr, 2);
    TerrainBakeDetail(nullptr, 2);
}

// [SECTION] GPU half without a window

TEST(TerrainTextures, CreateWithoutAWindowFailsWithOneErrorLine)
{
    capturedLines.clear();
    SetTraceLogCallback(CaptureLog);
    TerrainTextures textures;
    textures.heights.id = 77;  // stale contents are replaced, not released
    bool created = TerrainTexturesCreate(textures);
    SetTraceLogCallback(nullptr);
    EXPECT_FALSE(created);
    EXPECT_EQ(textures.heights.id, 0u);
    EXPECT_EQ(textures.detail.id, 0u);
    ASSERT_EQ(capturedLines.size(), 1u);
    EXPECT_EQ(capturedLines[0].rfind("STARTUP: terrain textures", 0), 0u) << capturedLines[0];
}

TEST(TerrainTextures, ReleaseAcceptsAnEmptyRecordTwice)
{
    capturedLines.clear();
    SetTraceLogCallback(CaptureLog);
    TerrainTextures textures{};
    TerrainTexturesRelease(textures);
    TerrainTexturesRelease(textures);
    SetTraceLogCallback(nullptr);
    EXPECT_EQ(textures.heights.id, 0u);
    EXPECT_EQ(textures.detail.id, 0u);
    EXPECT_TRUE(capturedLines.empty());
}
