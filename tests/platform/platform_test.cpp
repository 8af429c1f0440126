// Platform layer: the executable's embedded resources, the start-up worker thread and the
// start-up error dialog.
#include "platform/platform.h"
#include "test_asset_sizes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <thread>

// [SECTION] Embedded resources

// Every id is present with exactly its source file's length: a swapped, truncated or padded
// resource shows up here even when its type (text, PNG, font) looks right.
TEST(PlatformResource, EveryAssetIdHasItsSourceFilesSize)
{
    for (const TestAssetSize &asset : TEST_ASSET_SIZES) {
        const unsigned char *data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(PlatformResourceFind(asset.id, &data, &size)) << asset.id;
        EXPECT_NE(data, nullptr) << asset.id;
        EXPECT_EQ((long long)size, asset.bytes) << asset.id;
    }
}

TEST(PlatformResource, UnknownIdsFindNothingAndWriteNothing)
{
    // 101 + 65536 would alias resource 101 if the id were cut to 16 bits.
    const int ids[] = {0, -1, 1, 100, 115, 101 + 65536, INT_MAX, INT_MIN};
    for (int id : ids) {
        const unsigned char sentinel = 0;
        const unsigned char *data = &sentinel;
        size_t size = 77;
        EXPECT_FALSE(PlatformResourceFind(id, &data, &size)) << id;
        EXPECT_EQ(data, &sentinel) << id;
        EXPECT_EQ(size, 77u) << id;
    }
}

// [SECTION] Worker thread

namespace {
struct Gate {
    std::atomic<bool> open{false};
    std::atomic<int> runs{0};
    std::atomic<bool> finished{false};
};
}

static void WaitAtGate(void *arg)
{
    Gate &gate = *(Gate *)arg;
    gate.runs++;
    while (!gate.open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gate.finished = true;
}

TEST(PlatformThread, WaitReportsARunningThreadUntilItEnds)
{
    Gate gate;
    PlatformThread thread{};
    ASSERT_TRUE(PlatformThreadStart(thread, WaitAtGate, &gate));
    EXPECT_TRUE(thread.running);
    EXPECT_FALSE(PlatformThreadWait(thread, 0));
    EXPECT_FALSE(PlatformThreadWait(thread, 16));
    EXPECT_FALSE(gate.finished.load());

    gate.open = true;
    int polls = 0;
    while (!PlatformThreadWait(thread, 16)) ASSERT_LT(++polls, 6000);
    EXPECT_TRUE(gate.finished.load());
    EXPECT_EQ(gate.runs.load(), 1);
    EXPECT_FALSE(thread.running);
    EXPECT_TRUE(PlatformThreadWait(thread, 0));   // an ended thread stays ended

    PlatformThreadClose(thread);
    EXPECT_EQ(thread.handle, nullptr);
    PlatformThreadClose(thread);   // closing twice is harmless
}

static void OpenGateLater(void *arg)
{
    Gate &gate = *(Gate *)arg;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    gate.finished = true;
}

TEST(PlatformThread, CloseWaitsForAThreadStillRunning)
{
    Gate gate;
    PlatformThread thread{};
    ASSERT_TRUE(PlatformThreadStart(thread, OpenGateLater, &gate));
    PlatformThreadClose(thread);
    EXPECT_TRUE(gate.finished.load());
    EXPECT_EQ(thread.handle, nullptr);
    EXPECT_FALSE(thread.running);
}

// [SECTION] Start-up errors

TEST(PlatformStartupError, DialogOnlyForAPlayerWithNowhereElseToSeeIt)
{
    struct Case {
        bool developerMode, hasConsole, outputRedirected, wanted;
    };
    const Case cases[] = {
        {false, false, false, true},   // double-clicked: the log goes nowhere
        {false, true, false, false},   // started from a command prompt: the log is on its console
        {false, false, true, false},   // a script or test reads the output
        {false, true, true, false},
        {true, false, false, false},   // developer modes never wait for a click
        {true, true, false, false},
        {true, false, true, false},
        {true, true, true, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PlatformStartupDialogWanted(c.developerMode, c.hasConsole, c.outputRedirected), c.wanted)
            << c.developerMode << c.hasConsole << c.outputRedirected;
    }
}

// The test runner's output goes to a console, a terminal or a file, so no dialog may block it.
TEST(PlatformStartupError, NoDialogWhenTheOutputIsReadSomewhere)
{
    EXPECT_FALSE(PlatformShowStartupError("Scene requires seven fragment texture units.", false));
    EXPECT_FALSE(PlatformShowStartupError(nullptr, false));
    EXPECT_FALSE(PlatformShowStartupError("Scene requires seven fragment texture units.", true));
}
