#include "common/maths.h"

#include <gtest/gtest.h>

TEST(Maths, SmoothstepClampsAndHitsItsEnds)
{
    struct Case { float x, expected; };
    const Case cases[] = {{-1.0f, 0.0f}, {0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 1.0f}, {3.0f, 1.0f}, {NAN, 0.0f}};
    for (const Case &c : cases) EXPECT_FLOAT_EQ(Smoothstep(c.x), c.expected) << c.x;
    EXPECT_FLOAT_EQ(Smoothstep(0.25f), 0.15625f);
}

// Easing over one long step or many short ones lands on the same value.
TEST(Maths, EasingDoesNotDependOnTheFrameRate)
{
    for (int hz : {30, 60, 144}) {
        float x = 0.0f;
        for (int i = 0; i < hz; i++) x = EaseToward(x, 10.0f, 3.0f, 1.0f / (float)hz);
        EXPECT_NEAR(x, 10.0f * (1.0f - std::exp(-3.0f)), 2e-4f) << hz;
    }
    EXPECT_FLOAT_EQ(EaseToward(4.0f, 10.0f, 3.0f, 0.0f), 4.0f);
}

// Known values of both generators from their recurrences.
TEST(Maths, GeneratorsFollowTheirRecurrences)
{
    uint32_t lcg = 0;
    EXPECT_EQ(LcgNext(lcg), 1013904223u);
    EXPECT_EQ(LcgNext(lcg), 1196435762u);
    uint32_t unit = 7319;
    for (int i = 0; i < 10000; i++) {
        float u = LcgUnit(unit);
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
    }
    uint32_t xs = 1;
    EXPECT_EQ(Xorshift32(xs), 270369u);
    EXPECT_EQ(Xorshift32(xs), 67634689u);
    uint32_t zero = 0;
    EXPECT_EQ(Xorshift32(zero), 0u);
}

TEST(Maths, ClampSafeSendsNaNToTheLowerBound)
{
    EXPECT_EQ(ClampSafe(NAN, 5.5f, 30.0f), 5.5f);
    EXPECT_EQ(ClampSafe(40.0f, 5.5f, 30.0f), 30.0f);
    EXPECT_NEAR(WrapAngle(2.0f * PI + 0.5f), 0.5f, 1e-6f);
}
