// The real device path on Linux: ALSA pointed at a missing card (no device: one warning, the game
// runs silent) and at its null plugin (a device that swallows whatever it is given, at least as
// fast as real time, so the stream callback can be seen pulling blocks).
#include "audio/audio.h"

#include "../support/log_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// Points ALSA at a one-line configuration and keeps PulseAudio out of the way for this process.
void UseAlsaConfig(const char *name, const char *text)
{
    std::string path = std::string(::testing::TempDir()) + name;
    FILE *f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
    setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    setenv("PULSE_SERVER", "unix:/nonexistent/glorvent-no-pulse", 1);
}

bool HasLine(const LogCapture &log, int level, const std::string &text)
{
    for (const LogLine &l : log.lines())
        if (l.level == level && l.text == text) return true;
    return false;
}

TEST(AudioDevice, WithoutADeviceTheGameRunsSilent)
{
    UseAlsaConfig("glorvent-no-card.conf", "pcm.!default { type hw card 97 }\nctl.!default { type hw card 97 }\n");
    LogCapture log;
    EXPECT_FALSE(AudioInit(123u));
    EXPECT_TRUE(HasLine(log, LOG_WARNING, "AUDIO: no playback device; game remains playable"));
    EXPECT_FALSE(AudioIsRunning());
    AudioState s{};
    EXPECT_FALSE(AudioPostState(s)) << "every later call is a no-op";
    EXPECT_FALSE(AudioPostCue(1, 0.0f, 1.0f, 1.0f));
    EXPECT_FALSE(AudioPostSpatial(0, 0.0f, 1.0f, 1.0f));
    AudioStartExitFade(1.2f);
    AudioShutdown();
    AudioShutdown();
}

TEST(AudioDevice, NullDevicePullsTheStreamAtLeastInRealTime)
{
    UseAlsaConfig("glorvent-null.conf", "pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
    LogCapture log;
    if (!AudioInit(123u)) GTEST_SKIP() << "ALSA's null plugin is not available here";
    EXPECT_TRUE(HasLine(log, LOG_INFO, "AUDIO: procedural stereo 48 kHz, 32 music + 32 effect voices, 4 spatial rollers"));
    EXPECT_TRUE(AudioInit(123u)) << "a second init after success does nothing";
    AudioState s{};
    s.context = AUDIO_CONTEXT_MAIN_MENU;
    s.musicVolume = s.soundVolume = 1.0f;
    s.musicOn = s.soundOn = s.focused = 1;
    EXPECT_TRUE(AudioPostState(s));
    EXPECT_TRUE(AudioPostCue(AUDIO_CUE_ACCEPT, 0.0f, 0.7f, 1.0f));
    uint32_t before = AudioCallbackCount();
    auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    uint32_t blocks = AudioCallbackCount() - before;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    AudioShutdown();
    // raylib's mixer asks for at most 512 frames (10.7 ms) per call.
    EXPECT_GE(blocks, (uint32_t)(seconds * 48000.0 / 512.0 * 0.5)) << "the callback keeps up with real time";
    uint32_t after = AudioCallbackCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(AudioCallbackCount(), after) << "no callback after shutdown";
    EXPECT_FALSE(AudioPostCue(AUDIO_CUE_ACCEPT, 0.0f, 0.7f, 1.0f));
}

}  // namespace
