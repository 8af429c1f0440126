// Platform layer (Windows): the linked-in fast sinf returns MinGW's own x87 results bit for bit.
// __real_sinf is the x87 original; it only links while the toolchain wraps sinf, so this file also
// fails to build if the fast path were left out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

extern "C" float __real_sinf(float x);

namespace {

uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

float FromBits(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// std::sin(float) is the wrapped sinf; counts the inputs where it differs from the x87 one.
long Mismatches(float x, long &count)
{
    count++;
    volatile float input = x;  // a call at run time, never a sine folded by the compiler
    float fast = std::sin(input), x87 = __real_sinf(input);
    if (Bits(fast) == Bits(x87)) return 0;
    ADD_FAILURE() << std::hexfloat << x << ": " << fast << " instead of " << x87;
    return 1;
}

}  // namespace

TEST(PlatformSine, SameBitsAsTheX87SineAcrossTheFastRange)
{
    // Every 509th float from 2^-22 to 600 and its negative: each binade the fast path covers and
    // both of its edges (2^-20 and 512).
    long count = 0, mismatches = 0;
    for (uint32_t u = Bits(0x1p-22f); u <= Bits(600.0f) && mismatches < 5; u += 509) {
        mismatches += Mismatches(FromBits(u), count);
        mismatches += Mismatches(-FromBits(u), count);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(count, 1000000);
}

TEST(PlatformSine, SameBitsNextToMultiplesOfHalfPi)
{
    // The argument reduction cancels most there, and results sit next to 0 or +-1.
    long count = 0, mismatches = 0;
    for (int k = -330; k <= 330; ++k) {
        float centre = (float)((double)k * 1.5707963267948966);
        float below = centre, above = centre;
        for (int step = 0; step < 64; ++step) {
            mismatches += Mismatches(below, count) + Mismatches(above, count);
            below = std::nextafter(below, -INFINITY);
            above = std::nextafter(above, INFINITY);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(PlatformSine, SpecialAndOutOfRangeInputsKeepTheX87Results)
{
    const float inputs[] = {0.0f, -0.0f, 0x1p-149f, -0x1p-149f, 0x1p-126f, 1e-7f, 0x1.fffffep-21f, 512.0f,
                            0x1.000002p9f, 1e4f, -65536.0f, 1e30f, -3e38f, INFINITY, -INFINITY, NAN};
    long count = 0;
    for (float x : inputs) EXPECT_EQ(Mismatches(x, count), 0) << std::hexfloat << x;
}
