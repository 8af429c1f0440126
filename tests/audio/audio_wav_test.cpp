// WAV files: the header layout, sample conversion, and a written file read back.
#include "audio/audio_wav.h"

#include "../support/log_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

uint32_t U32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
uint16_t U16(const uint8_t *p) { return (uint16_t)(p[0] | p[1] << 8); }

TEST(AudioWav, HeaderIsRiffPcm48kStereo16)
{
    uint8_t h[AUDIO_WAV_HEADER_BYTES];
    AudioWavHeader(h, 1000);
    EXPECT_EQ(0, std::memcmp(h, "RIFF", 4));
    EXPECT_EQ(U32(h + 4), 36u + 4000u);
    EXPECT_EQ(0, std::memcmp(h + 8, "WAVEfmt ", 8));
    EXPECT_EQ(U32(h + 16), 16u);
    EXPECT_EQ(U16(h + 20), 1u) << "PCM";
    EXPECT_EQ(U16(h + 22), 2u) << "stereo";
    EXPECT_EQ(U32(h + 24), 48000u);
    EXPECT_EQ(U32(h + 28), 192000u) << "bytes per second";
    EXPECT_EQ(U16(h + 32), 4u) << "block align";
    EXPECT_EQ(U16(h + 34), 16u) << "bits";
    EXPECT_EQ(0, std::memcmp(h + 36, "data", 4));
    EXPECT_EQ(U32(h + 40), 4000u);
}

TEST(AudioWav, SamplesAreClampedAndRounded)
{
    struct Row { float in; int16_t out; } rows[] = {
        {0.0f, 0}, {1.0f, 32767}, {-1.0f, -32767}, {2.0f, 32767}, {-7.0f, -32767}, {0.5f, 16384},
        {std::numeric_limits<float>::quiet_NaN(), 0}, {std::numeric_limits<float>::infinity(), 32767},
    };
    for (const Row &r : rows) EXPECT_EQ(AudioWavSample(r.in), r.out) << r.in;
}

TEST(AudioWav, WritesAFileThatReadsBack)
{
    std::vector<float> frames(2 * 3000);
    for (size_t i = 0; i < frames.size(); ++i) frames[i] = (i % 2 ? -0.25f : 0.25f);
    const char *path = "audio_wav_test.wav";
    ASSERT_TRUE(AudioWavWrite(path, frames.data(), 3000));
    FILE *f = std::fopen(path, "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(44 + 12000 + 16);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    std::remove(path);
    ASSERT_EQ(n, 44u + 12000u);
    EXPECT_EQ((int16_t)U16(&bytes[44]), 8192);
    EXPECT_EQ((int16_t)U16(&bytes[46]), -8192);
    EXPECT_EQ((int16_t)U16(&bytes[44 + 11998]), -8192);
}

TEST(AudioWav, UnwritablePathIsOneWarning)
{
    LogCapture log;
    float frame[2] = {0.0f, 0.0f};
    EXPECT_FALSE(AudioWavWrite("/nonexistent-directory/x.wav", frame, 1));
    EXPECT_EQ(log.count(LOG_WARNING), 1);
}

}  // namespace
