// The command ring: walked step by step across the 2^32 wrap of its counters, and its drop rules.
#include "audio/audio_ring.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

AudioCommand Numbered(uint32_t type, uint32_t serial)
{
    AudioCommand c{};
    c.type = type;
    c.words[17] = serial;
    return c;
}

TEST(AudioRing, WalksAcrossTheCounterWrapWithoutLosingOrRepeating)
{
    auto ring = std::make_unique<AudioRing>();
    const uint32_t start = 0xFFFFFFFFu - 99u;   // 2^32 - 100
    AudioRingReset(*ring, start);
    uint32_t nextPush = 0, nextPop = 0;
    bool wrapped = false;
    for (int step = 0; step < 400; ++step) {
        // Producer: 0..6 commands; consumer: part or all of what waits.
        int pushes = (step * 5 + 3) % 7;
        for (int k = 0; k < pushes; ++k) {
            uint32_t type = (nextPush % 3 == 0) ? AUDIO_COMMAND_CUE : AUDIO_COMMAND_STATE;
            ASSERT_TRUE(AudioRingPush(*ring, Numbered(type, nextPush)));
            nextPush++;
        }
        ASSERT_EQ(AudioRingWaiting(*ring), nextPush - nextPop) << "step " << step;
        uint32_t first = 0;
        uint32_t available = AudioRingAcquire(*ring, first);
        ASSERT_EQ(available, nextPush - nextPop) << "step " << step;
        ASSERT_EQ(first, start + nextPop) << "read counter at step " << step;
        uint32_t take = step % 4 == 3 ? available : available / 2;
        for (uint32_t i = 0; i < take; ++i) {
            ASSERT_EQ(AudioRingAt(*ring, first + i).words[17], nextPop) << "step " << step;
            nextPop++;
        }
        AudioRingRelease(*ring, first, take);
        if (ring->write.load() < start) wrapped = true;
    }
    EXPECT_TRUE(wrapped) << "the walk must cross 2^32";
    uint32_t first = 0;
    uint32_t rest = AudioRingAcquire(*ring, first);
    for (uint32_t i = 0; i < rest; ++i) EXPECT_EQ(AudioRingAt(*ring, first + i).words[17], nextPop++);
    AudioRingRelease(*ring, first, rest);
    EXPECT_EQ(nextPop, nextPush);
    EXPECT_EQ(AudioRingWaiting(*ring), 0u);
    EXPECT_EQ(ring->dropped, 0u);
}

// Step by step over the wrap: each push and each pop moves exactly one counter by exactly one.
TEST(AudioRing, SingleStepsAcrossTheWrap)
{
    auto ring = std::make_unique<AudioRing>();
    AudioRingReset(*ring, 0xFFFFFFFFu - 2u);
    for (uint32_t i = 0; i < 6; ++i) {
        uint32_t before = ring->write.load();
        ASSERT_TRUE(AudioRingPush(*ring, Numbered(AUDIO_COMMAND_CUE, i)));
        EXPECT_EQ(ring->write.load(), before + 1u);
        uint32_t first = 0;
        ASSERT_EQ(AudioRingAcquire(*ring, first), 1u);
        EXPECT_EQ(AudioRingAt(*ring, first).words[17], i);
        EXPECT_EQ(&AudioRingAt(*ring, first), &ring->slots[first % AUDIO_RING_CAPACITY]);
        AudioRingRelease(*ring, first, 1);
        EXPECT_EQ(ring->read.load(), ring->write.load());
    }
    EXPECT_EQ(ring->write.load(), 3u) << "counters went 2^32-3 .. 3";
}

TEST(AudioRing, CuesLeaveTwentyFourSlotsForStateAndSpatial)
{
    for (uint32_t start : {0u, 0xFFFFFFFFu - 9u}) {
        auto ring = std::make_unique<AudioRing>();
        AudioRingReset(*ring, start);
        int cues = 0;
        for (int i = 0; i < 300; ++i) cues += AudioRingPush(*ring, Numbered(AUDIO_COMMAND_CUE, (uint32_t)i));
        EXPECT_EQ(cues, 232) << "start " << start;
        int others = 0;
        for (int i = 0; i < 30; ++i)
            others += AudioRingPush(*ring, Numbered(i % 2 ? AUDIO_COMMAND_STATE : AUDIO_COMMAND_SPATIAL, 1000u + (uint32_t)i));
        EXPECT_EQ(others, 24);
        EXPECT_EQ(AudioRingWaiting(*ring), 256u);
        EXPECT_EQ(ring->dropped, 68u + 6u);
        uint32_t first = 0;
        EXPECT_EQ(AudioRingAcquire(*ring, first), 256u);
        // Freeing one slot lets a state in, but a cue still waits for the queue to fall below 232.
        AudioRingRelease(*ring, first, 1);
        EXPECT_FALSE(AudioRingPush(*ring, Numbered(AUDIO_COMMAND_CUE, 9999)));
        EXPECT_TRUE(AudioRingPush(*ring, Numbered(AUDIO_COMMAND_STATE, 9999)));
        // The oldest remaining commands are untouched by the refused ones.
        AudioRingAcquire(*ring, first);
        EXPECT_EQ(AudioRingAt(*ring, first).words[17], 1u);
    }
}

}  // namespace
