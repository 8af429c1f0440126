// The game's engine as a whole: calls before start-up, offline start and stop.
#include "audio/audio.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Audio, CallsBeforeStartUpDoNothing)
{
    AudioShutdown();
    EXPECT_FALSE(AudioIsRunning());
    AudioState s{};
    EXPECT_FALSE(AudioPostState(s));
    EXPECT_FALSE(AudioPostCue(0, 0.0f, 1.0f, 1.0f));
    EXPECT_FALSE(AudioPostSpatial(0, 0.0f, 1.0f, 1.0f));
    AudioStartExitFade(1.2f);
    float out[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_FALSE(AudioRenderOffline(out, 4));
    EXPECT_EQ(out[0], 1.0f) << "nothing written";
}

TEST(Audio, OfflineEngineStartsOnceAndStopsTwice)
{
    ASSERT_TRUE(AudioInitOffline(1u));
    EXPECT_TRUE(AudioIsRunning());
    EXPECT_FALSE(AudioInitOffline(2u)) << "one engine at a time";
    EXPECT_FALSE(AudioInit(2u)) << "no device under an offline engine";
    EXPECT_TRUE(AudioPostCue(3, 0.0f, 1.0f, 1.0f));
    std::vector<float> out(2 * 256, 1.0f);
    EXPECT_TRUE(AudioRenderOffline(out.data(), 256));
    for (float x : out) EXPECT_EQ(x, 0.0f) << "silent before the first state";
    EXPECT_EQ(AudioCallbackCount(), 0u);
    AudioShutdown();
    AudioShutdown();
    EXPECT_FALSE(AudioIsRunning());
}

}  // namespace
