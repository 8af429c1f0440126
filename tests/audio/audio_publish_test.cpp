// The per-frame publisher and the exit fade, on the game's own engine run offline.
#include "audio/audio_publish.h"
#include "audio/exit_fade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

AudioPublishInput MenuInput()
{
    AudioPublishInput in{};
    in.musicContext = AUDIO_CONTEXT_MAIN_MENU;
    in.musicVolume = 0.75f;
    in.soundVolume = 0.85f;
    in.musicEnabled = true;
    in.soundEnabled = true;
    in.focused = true;
    in.pointerX = 640.0f;
    in.windowWidth = 1280.0f;
    return in;
}

// The game's engine without a device, started and stopped around each test.
struct AudioPublishOffline : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(AudioInitOffline(77u)); }
    void TearDown() override { AudioShutdown(); }
    static std::vector<float> Render(uint32_t frames)
    {
        std::vector<float> out(2 * (size_t)frames);
        for (uint32_t pos = 0; pos < frames; pos += 512) AudioRenderOffline(out.data() + 2 * pos, frames - pos < 512 ? frames - pos : 512);
        return out;
    }
};

double Energy(const std::vector<float> &v)
{
    double e = 0.0;
    for (float x : v) e += (double)x * x;
    return e;
}

TEST(AudioPublish, EventTypesMapToInterfaceCues)
{
    struct Row { uint32_t type; int id; } rows[] = {
        {0, -1}, {1, AUDIO_CUE_HOVER}, {2, AUDIO_CUE_ACCEPT}, {3, AUDIO_CUE_BACK}, {4, AUDIO_CUE_DENIAL},
        {5, AUDIO_CUE_TICK}, {6, AUDIO_CUE_PURCHASE}, {7, -1}, {0xFFFFFFFFu, -1},
    };
    for (const Row &r : rows) EXPECT_EQ(AudioPublishCueId(r.type), r.id) << r.type;
}

TEST(AudioPublish, PanFollowsThePointerWithinAFifteenth)
{
    struct Row { float x, width, pan; } rows[] = {
        {1280.0f, 1280.0f, 0.15f}, {1279.0f, 1280.0f, 0.1498f}, {0.0f, 1280.0f, -0.15f}, {640.0f, 1280.0f, 0.0f},
        {5000.0f, 1280.0f, 0.15f}, {-50.0f, 1280.0f, -0.15f}, {100.0f, 0.0f, 0.0f}, {100.0f, -5.0f, 0.0f},
        {NaN, 1280.0f, 0.0f}, {100.0f, NaN, 0.0f},
    };
    for (const Row &r : rows) EXPECT_NEAR(AudioPublishCuePan(r.x, r.width), r.pan, 1e-4f) << r.x << " of " << r.width;
}

TEST(AudioPublish, StateKeepsTheSceneMoodAndTakesTheFrontEndValues)
{
    AudioState scene{};
    scene.context = 5;
    scene.danger = 0.4f;
    scene.bossPresence[2] = 1.0f;
    scene.rocketPan = -0.2f;
    scene.musicVolume = 0.1f;
    AudioPublishInput in = MenuInput();
    in.musicContext = AUDIO_CONTEXT_PLAY;
    in.soundEnabled = false;
    AudioState s = AudioPublishState(in, &scene);
    EXPECT_EQ(s.context, AUDIO_CONTEXT_PLAY);
    EXPECT_EQ(s.danger, 0.4f);
    EXPECT_EQ(s.bossPresence[2], 1.0f);
    EXPECT_EQ(s.rocketPan, -0.2f);
    EXPECT_EQ(s.musicVolume, 0.75f);
    EXPECT_EQ(s.soundVolume, 0.85f);
    EXPECT_EQ(s.musicOn, 1);
    EXPECT_EQ(s.soundOn, 0);
    EXPECT_EQ(s.focused, 1);
    AudioState none = AudioPublishState(in, nullptr);
    EXPECT_EQ(none.danger, 0.0f);
    EXPECT_EQ(none.bossPresence[2], 0.0f);
}

TEST_F(AudioPublishOffline, EachNewEventSoundsOnceAndUnfocusedEventsAreDropped)
{
    AudioPublisher publisher;
    AudioPublisherReset(publisher);
    AudioPublishInput in = MenuInput();
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), -1) << "no event yet";
    in.cueType = AUDIO_EVENT_ACCEPT;
    in.cueSerial = 1;
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), AUDIO_CUE_ACCEPT);
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), -1) << "the same serial never sounds twice";

    in.cueType = AUDIO_EVENT_HOVER;
    in.cueSerial = 2;
    in.focused = false;
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), -1);
    in.focused = true;
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), -1) << "not replayed when focus returns";
    EXPECT_EQ(publisher.lastCueSerial, 2);

    in.cueType = 9;
    in.cueSerial = 3;
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), -1) << "unknown types make no sound";
}

TEST_F(AudioPublishOffline, TheFirstPublicationBringsTheBed)
{
    AudioPublisher publisher{};
    EXPECT_EQ(Energy(Render(4800)), 0.0) << "silent until the volumes arrive";
    AudioPublishFrame(publisher, MenuInput(), nullptr);
    EXPECT_GT(Energy(Render(24000)), 1e-3);
}

TEST_F(AudioPublishOffline, AnInterfaceCueIsHeardWhereThePointerIs)
{
    AudioPublisher publisher{};
    AudioPublishInput in = MenuInput();
    in.musicEnabled = false;   // nothing but the cue
    AudioPublishFrame(publisher, in, nullptr);
    EXPECT_EQ(Energy(Render(24000)), 0.0);
    in.cueType = AUDIO_EVENT_PURCHASE;
    in.cueSerial = 1;
    in.pointerX = 1280.0f;
    AudioPublishFrame(publisher, in, nullptr);
    std::vector<float> cue = Render(24000);
    double right = 0.0, left = 0.0;
    for (size_t i = 0; i < cue.size(); i += 2) {
        left += (double)cue[i] * cue[i];
        right += (double)cue[i + 1] * cue[i + 1];
    }
    EXPECT_GT(left, 0.0);
    EXPECT_GT(right, 1.1 * left) << "pointer at the right edge";
}

// [SECTION] Exit fade

TEST(ExitFade, ReachesOneAtOnePointTwoSecondsAtEveryFrameRate)
{
    struct Rate { int fps; int frames; } rates[] = {{30, 36}, {60, 72}, {144, 173}};
    for (const Rate &r : rates) {
        AudioPublisher publisher{};
        double now = 1234.5;
        EXPECT_EQ(ExitFadeAmount(publisher, now), 0.0f);
        ExitFadeStart(publisher, now);
        float last = 0.0f;
        int frame = 0;
        while (ExitFadeAmount(publisher, now) < 1.0f && frame < 1000) {
            float a = ExitFadeAmount(publisher, now);
            ASSERT_GE(a, last) << "monotonic at " << r.fps << " Hz";
            last = a;
            now += 1.0 / r.fps;
            frame++;
        }
        EXPECT_EQ(frame, r.frames) << r.fps << " Hz";
        for (int k = 0; k < 10; ++k, now += 1.0 / r.fps) EXPECT_EQ(ExitFadeAmount(publisher, now), 1.0f);
    }
}

TEST(ExitFade, CurveIsTheSameWhateverTheRate)
{
    AudioPublisher a{}, b{};
    ExitFadeStart(a, 10.0);
    ExitFadeStart(b, 500.0);
    for (double t : {0.0, 0.1, 0.3, 0.6, 0.9, 1.19}) {
        double x = t / 1.2;
        EXPECT_NEAR(ExitFadeAmount(a, 10.0 + t), (3.0 - 2.0 * x) * x * x, 1e-5) << t;
        EXPECT_NEAR(ExitFadeAmount(a, 10.0 + t), ExitFadeAmount(b, 500.0 + t), 1e-4) << t;
    }
    EXPECT_EQ(ExitFadeAmount(a, 9.0), 0.0f) << "before the start";
}

TEST(ExitFade, StartsOnceAndNeverForANonFiniteTime)
{
    AudioPublisher p{};
    ExitFadeStart(p, std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(p.exitStarted);
    ExitFadeStart(p, 3.0);
    ExitFadeStart(p, 3.6);
    EXPECT_TRUE(p.exitStarted);
    EXPECT_EQ(p.exitStart, 3.0);
    EXPECT_NEAR(ExitFadeAmount(p, 3.6), 0.5f, 1e-6f);
}

TEST_F(AudioPublishOffline, ExitFadeSilencesTheEngineOnItsOwnClockAndMutesTheMenus)
{
    AudioPublisher publisher{};
    AudioPublishInput in = MenuInput();
    AudioPublishFrame(publisher, in, nullptr);
    Render(24000);
    ExitFadeStart(publisher, 50.0);
    in.cueType = AUDIO_EVENT_BACK;
    in.cueSerial = 1;
    EXPECT_EQ(AudioPublishFrame(publisher, in, nullptr), -1) << "no interface cue after the fade began";
    std::vector<float> fade = Render(57600 + 4800);
    double start = 0.0;
    for (size_t i = 0; i < 2 * 4800; ++i) start += (double)fade[i] * fade[i];
    EXPECT_GT(start, 0.0);
    for (size_t i = 2 * 57600; i < fade.size(); ++i) ASSERT_EQ(fade[i], 0.0f) << i / 2;
}

}  // namespace
