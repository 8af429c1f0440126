#include "app/display.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct WindowSize {
    int width, height;
};

const WindowSize WINDOW_SIZES[] = {
    {1280, 720}, {1920, 1080}, {2560, 1440}, {3440, 1440}, {1280, 1024}, {1366, 768},
    {960, 600}, {767, 1023}, {1921, 1081}, {800, 600}, {3840, 2160}, {17, 10},
};

}  // namespace

TEST(DisplayLetterbox, IsTheLargestCentredSixteenByNineInEveryWindow)
{
    for (const WindowSize &w : WINDOW_SIZES) {
        Rectangle box = DisplayLetterboxFor(w.width, w.height);
        SCOPED_TRACE(testing::Message() << w.width << "x" << w.height);
        EXPECT_EQ(box.width * 9.0f, box.height * 16.0f);
        EXPECT_EQ(std::fmod(box.width, 16.0f), 0.0f);
        EXPECT_GE(box.x, 0.0f);
        EXPECT_GE(box.y, 0.0f);
        EXPECT_EQ(box.x * 2.0f + box.width, (float)w.width);
        EXPECT_EQ(box.y * 2.0f + box.height, (float)w.height);
        // One more 16 x 9 step would not fit.
        EXPECT_TRUE((float)w.width - box.width < 16.0f || (float)w.height - box.height < 9.0f);
    }
}

TEST(DisplayRenderSize, FollowsTheLetterboxInSixteenByNineSteps)
{
    for (const WindowSize &w : WINDOW_SIZES) {
        Rectangle box = DisplayLetterboxFor(w.width, w.height);
        DisplaySize size = DisplayRenderSizeFor(100, box.width);
        SCOPED_TRACE(testing::Message() << w.width << "x" << w.height);
        EXPECT_EQ(size.width * 9, size.height * 16);
        EXPECT_GE(size.width, 320);
        EXPECT_GE(size.height, 180);
        if (box.width >= 400.0f) {
            EXPECT_LE(std::fabs((float)size.width / box.width - 1.0f), 8.01f / box.width);
            EXPECT_NEAR((float)size.width / box.width, (float)size.height / box.height, 1e-6f);
        }
    }
    const WindowSize exact[] = {{1280, 720}, {1920, 1080}};
    for (const WindowSize &w : exact) {
        DisplaySize size = DisplayRenderSizeFor(100, DisplayLetterboxFor(w.width, w.height).width);
        EXPECT_EQ(size.width, w.width);
        EXPECT_EQ(size.height, w.height);
    }
}

TEST(DisplayRenderSize, ScalesWithThePercentageAt1920)
{
    for (int percent = 50; percent <= 100; percent += 5) {
        DisplaySize size = DisplayRenderSizeFor(percent, 1920.0f);
        EXPECT_LE(std::fabs((float)size.width - 1920.0f * (float)percent / 100.0f), 8.0f) << percent;
        EXPECT_EQ(size.width * 9, size.height * 16) << percent;
    }
}

TEST(DisplayRenderSize, WindowsBelowOneStepGiveAnEmptyLetterboxAndTheMinimumSize)
{
    const WindowSize tiny[] = {{15, 9}, {16, 8}, {0, 0}, {-5, 100}};
    for (const WindowSize &w : tiny) {
        Rectangle box = DisplayLetterboxFor(w.width, w.height);
        EXPECT_EQ(box.x, 0.0f);
        EXPECT_EQ(box.y, 0.0f);
        EXPECT_EQ(box.width, 0.0f);
        EXPECT_EQ(box.height, 0.0f);
        DisplaySize size = DisplayRenderSizeFor(100, box.width);
        EXPECT_EQ(size.width, 320);
        EXPECT_EQ(size.height, 180);
    }
}

TEST(DisplayRenderSize, NonFiniteLetterboxWidthsGiveAUsableSize)
{
    // NaN and -inf fall back to the minimum; +inf to a finite 16:9 size that the limit then shrinks.
    const float widths[] = {NAN, -INFINITY, -1.0f, 0.0f};
    for (float width : widths) {
        DisplaySize size = DisplayRenderSizeFor(100, width);
        EXPECT_EQ(size.width, 320) << width;
        EXPECT_EQ(size.height, 180) << width;
    }
    DisplaySize huge = DisplayRenderSizeFor(100, INFINITY);
    EXPECT_GT(huge.width, 0);
    EXPECT_EQ(huge.width * 9LL, huge.height * 16LL);
    DisplaySize limited = DisplayRenderSizeLimit(huge, 16384);
    EXPECT_EQ(limited.width, 16384);
    EXPECT_EQ(limited.height, 9216);
}

TEST(DisplayRenderSize, LimitKeepsTheLargestSixteenByNineThatTheDriverCanMake)
{
    struct Case {
        int windowWidth, windowHeight, largest;
        int width, height;
    };
    const Case cases[] = {
        {16400, 9225, 16384, 16384, 9216},   // one step too wide: the target could not be made
        {16400, 9225, 8192, 8192, 4608},
        {16400, 9225, 16000, 16000, 9000},
        {16400, 9225, 16399, 16384, 9216},   // a limit between two steps
        {3840, 2160, 4096, 3840, 2160},      // fits: unchanged
        {3840, 2160, 3840, 3840, 2160},      // exactly at the limit
        {3840, 2160, 0, 3840, 2160},         // limit unknown
        {3840, 2160, -7, 3840, 2160},
        {1280, 720, 1000, 992, 558},         // below the smallest limit OpenGL 3.3 allows, still fits
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.windowWidth << "x" << c.windowHeight << " limit " << c.largest);
        DisplaySize wanted = DisplayRenderSizeFor(100, DisplayLetterboxFor(c.windowWidth, c.windowHeight).width);
        DisplaySize size = DisplayRenderSizeLimit(wanted, c.largest);
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.height);
        EXPECT_EQ(size.width * 9, size.height * 16);
        if (c.largest > 0) {
            EXPECT_LE(size.width, c.largest);
            EXPECT_LE(size.height, c.largest);
        }
    }
}

TEST(DisplayRenderScale, IsClampedToFiftyToHundred)
{
    const int cases[][2] = {{49, 50}, {-100, 50}, {50, 50}, {75, 75}, {100, 100}, {101, 100}, {1000, 100}};
    for (const auto &c : cases) {
        DisplaySetRenderScale(c[0]);
        EXPECT_EQ(DisplayRenderScale(), c[1]) << c[0];
    }
    DisplaySetRenderScale(100);
}

TEST(DisplayRestorePosition, FollowsTheMonitorAndStaysReachable)
{
    struct Case {
        const char *name;
        Vector2 windowed, rememberedMonitor, monitorNow;
        int monitorWidth, monitorHeight, windowWidth;
        Vector2 expected;
    };
    const Case cases[] = {
        {"same monitor: unchanged", {100, 80}, {0, 0}, {0, 0}, 1920, 1080, 1280, {100, 80}},
        {"same monitor, even off-screen", {-900, -40}, {0, 0}, {0, 0}, 1920, 1080, 1280, {-900, -40}},
        {"moved with the monitor", {100, 80}, {0, 0}, {1920, 0}, 1920, 1080, 1280, {2020, 80}},
        {"right edge clamp", {1900, 80}, {0, 0}, {1920, 0}, 1280, 720, 1280, {1920 + 1216, 80}},
        {"left edge keeps 64 px", {-1500, 80}, {0, 0}, {1920, 0}, 1920, 1080, 1280, {1920 - 1216, 80}},
        {"title bar below the top", {100, -300}, {0, 0}, {0, 1080}, 1920, 1080, 1280, {100, 1080 + 32}},
        {"bottom edge clamp", {100, 1070}, {0, 0}, {0, 1080}, 1920, 1080, 1280, {100, 1080 + 1016}},
        // Limits that cross: the lower ones win (left edge of the monitor, 32 px below its top).
        {"tiny monitor", {50, 50}, {0, 0}, {10, 10}, 40, 40, 1280, {10, 42}},
    };
    for (const Case &c : cases) {
        Vector2 p = DisplayRestorePosition(c.windowed, c.rememberedMonitor, c.monitorNow, c.monitorWidth,
                                           c.monitorHeight, c.windowWidth);
        EXPECT_EQ(p.x, c.expected.x) << c.name;
        EXPECT_EQ(p.y, c.expected.y) << c.name;
    }
}
