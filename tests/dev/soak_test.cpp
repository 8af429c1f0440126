#include "dev/dev_loop.h"
#include "dev/soak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

// A run a few seconds in: creatures out of the ground, links at -1, eyes and soil in use.
struct SoakRig {
    std::unique_ptr<DevLoop> loop = std::make_unique<DevLoop>();
    SoakRig()
    {
        DevLoopOptions o{FIELD_DEVELOPER_SEED, true, false, true, false};
        DevLoopStart(*loop, o);
        FrameInput in{};
        in.frameTime = 1.0f / 60.0f;
        in.focused = true;
        for (int i = 0; i < 60 * 70; i++) {
            in.keyDown[KEY_W] = (i / 120) % 2 == 0;
            in.keyDown[KEY_D] = !in.keyDown[KEY_W];
            in.keyPressed[KEY_W] = i % 120 == 0 && in.keyDown[KEY_W];
            in.keyPressed[KEY_D] = i % 120 == 0 && in.keyDown[KEY_D];
            in.keyPressed[KEY_J] = in.keyDown[KEY_J] = i % 30 == 0;
            DevLoopIterate(*loop, in);
        }
    }
    ~SoakRig() { DevLoopRelease(*loop); }
};

}  // namespace

// A healthy run passes; a NaN anywhere is found and named, the creature's fields included
// though nobody listed them one by one; the heap's only when asked.
TEST(SoakFinite, FindsANanWhereverItIs)
{
    SoakRig rig;
    Field &f = rig.loop->field;
    char where[160];
    ASSERT_TRUE(SoakFinite(f, true, where, sizeof(where))) << where;
    ASSERT_GT(f.mud.count, 3);

    struct Case {
        const char *expect;
        bool heap;
        float *(*at)(Field &);
    };
    const Case cases[] = {
        {"player.pose.joints[3]", false, [](Field &x) { return &x.player.pose.joints[3].y; }},
        {"mud.slots[2] +", false, [](Field &x) { return &x.mud.slots[2].wounds.corpseVolume; }},
        {"mud.slots[3] +", false, [](Field &x) { return &x.mud.slots[3].debris[1].dryness; }},
        {"meteors.queue.start[63]", false, [](Field &x) { return &x.meteors.queue[63].start.z; }},
        {"campaign.rollerPositions[8]", false, [](Field &x) { return &x.campaign.rollerPositions[8].x; }},
        {"soil.cells[", true, [](Field &x) { return &x.soil.cells[SOIL_CELL_COUNT - 1].wetness; }},
        {"soil.volume[", true, [](Field &x) { return &x.soil.volume[12345]; }},
    };
    for (const Case &c : cases) {
        float *p = c.at(f);
        float was = *p;
        *p = std::nanf("");
        EXPECT_FALSE(SoakFinite(f, true, where, sizeof(where))) << c.expect;
        EXPECT_EQ(std::string(where).rfind(c.expect, 0), 0u) << where;
        if (c.heap) {
            EXPECT_TRUE(SoakFinite(f, false, where, sizeof(where))) << c.expect;
        }
        *p = INFINITY;
        EXPECT_FALSE(SoakFinite(f, true, where, sizeof(where))) << c.expect;
        *p = was;
    }
    f.runTime = NAN;
    EXPECT_FALSE(SoakFinite(f, false, where, sizeof(where)));
    EXPECT_STREQ(where, "runTime");
}

// Each count beyond its capacity is named; the healthy run passes.
TEST(SoakWithinCapacity, NamesTheCountOutOfBounds)
{
    SoakRig rig;
    Field &f = rig.loop->field;
    char what[160];
    ASSERT_TRUE(SoakWithinCapacity(f, what, sizeof(what))) << what;
    struct Case {
        const char *expect;
        void (*spoil)(Field &);
    };
    const Case cases[] = {
        {"mud.count", [](Field &x) { x.mud.count = MUD_CAPACITY + 1; }},
        {"mud.deathCount", [](Field &x) { x.mud.deathCount = -1; }},
        {"mud.slots.holder", [](Field &x) { x.mud.slots[0].mass = 1.0f, x.mud.slots[0].holder = MUD_CAPACITY; }},
        {"meteors.queueCount", [](Field &x) { x.meteors.queueCount = METEOR_QUEUE_CAPACITY + 1; }},
        {"spikes.queueHead", [](Field &x) { x.spikes.queueHead = SPIKE_QUEUE_CAPACITY; }},
        {"spikes.segmentCount", [](Field &x) { x.spikes.segmentCount = SPIKE_SEGMENT_CAPACITY + 1; }},
        {"support.impactNext", [](Field &x) { x.support.impactNext = SUPPORT_IMPACT_CAPACITY; }},
        {"campaign.bossSlot", [](Field &x) { x.campaign.bossSlot[1] = MUD_CAPACITY; }},
        {"bindings.slotKey keys", [](Field &x) { x.bindings.slotKey[5] = x.bindings.slotKey[4]; }},
        {"health.quarters", [](Field &x) { x.health.quarters = x.health.maxQuarters + 1; }},
        {"coins.count beyond", [](Field &x) { x.coins.count = x.coins.capacity + 1; }},
        {"shop.level", [](Field &x) { x.shop.level[SHOP_REVIVE] = 3; }},
    };
    for (const Case &c : cases) {
        auto saved = std::make_unique<Field>(f);
        c.spoil(f);
        EXPECT_FALSE(SoakWithinCapacity(f, what, sizeof(what))) << c.expect;
        EXPECT_EQ(std::string(what).rfind(c.expect, 0), 0u) << what;
        f = *saved;
    }
    EXPECT_TRUE(SoakWithinCapacity(f, what, sizeof(what))) << what;
}

#if defined(__linux__)
TEST(SoakResidentBytes, ReadsThisProcess) { EXPECT_GT(SoakResidentBytes(), (uint64_t)1 << 20); }
#endif
