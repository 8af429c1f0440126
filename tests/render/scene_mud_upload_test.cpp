// The renderer's table of MudPose arrays against the packing's layout, and the per-array upload
// ranges it derives from the slot count.
#include "mud/mud_pose_blocks.h"
#include "render/scene.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

struct Layout {
    const char *name;
    int block;
    size_t offset;
    int entries;   // array length in the CPU struct
};

#define A_ARRAY(field) {#field, 0, offsetof(MudPoseBlockA, field), (int)(sizeof(MudPoseBlockA::field) / sizeof(Vector4))}
#define B_ARRAY(field) {#field, 1, offsetof(MudPoseBlockB, field), (int)(sizeof(MudPoseBlockB::field) / sizeof(Vector4))}

const Layout LAYOUT[] = {
    A_ARRAY(mudBodies), A_ARRAY(mudShapes), A_ARRAY(mudStates), A_ARRAY(mudPatches), A_ARRAY(mudBursts),
    A_ARRAY(mudImpacts), A_ARRAY(mudDashStarts), A_ARRAY(mudDashEnds), A_ARRAY(mudDashImpactsA),
    A_ARRAY(mudDashImpactsB), A_ARRAY(mudMergeBodies), A_ARRAY(mudMergeShapes), A_ARRAY(mudLegHips),
    A_ARRAY(mudLegKnees), A_ARRAY(mudLegFeet),
    B_ARRAY(mudWalkers), B_ARRAY(mudGolemBodies), B_ARRAY(mudGolemShapes), B_ARRAY(mudArmShoulders),
    B_ARRAY(mudArmElbows), B_ARRAY(mudArmHands), B_ARRAY(mudWounds), B_ARRAY(mudDamageChunks),
    B_ARRAY(mudCorpseMotion), B_ARRAY(mudCorpseBase), B_ARRAY(mudCorpsePlanes), B_ARRAY(mudCutPlanes),
    B_ARRAY(mudCutStates), B_ARRAY(mudBossScars), B_ARRAY(mudSpecials),
};

}  // namespace

// The renderer may not include the packing's header, so its own table must name the same
// arrays at the same offsets with the same length per slot.
TEST(SceneMudArrays, MatchThePackedBlocksArrayForArray)
{
    ASSERT_EQ(sizeof(LAYOUT) / sizeof(LAYOUT[0]), (size_t)SCENE_MUD_ARRAY_COUNT);
    for (int i = 0; i < SCENE_MUD_ARRAY_COUNT; i++) {
        const SceneMudArray &a = SCENE_MUD_ARRAYS[i];
        const Layout &l = LAYOUT[i];
        EXPECT_STREQ(a.name, l.name);
        EXPECT_EQ(a.block, l.block) << l.name;
        EXPECT_EQ(a.offset, (int)l.offset) << l.name;
        EXPECT_EQ(a.perSlot * MUD_POSE_SLOTS, l.entries) << l.name;
    }
}

// Byte coverage of each block by a set of ranges: every byte at most once.
static bool Cover(const SceneMudRange *ranges, int n, std::vector<int> &a, std::vector<int> &b)
{
    a.assign(SCENE_MUD_POSE_A_BYTES, 0);
    b.assign(SCENE_MUD_POSE_B_BYTES, 0);
    for (int i = 0; i < n; i++) {
        std::vector<int> &bytes = ranges[i].block == 0 ? a : b;
        if (ranges[i].offset < 0 || ranges[i].bytes <= 0 || ranges[i].offset + ranges[i].bytes > (int)bytes.size()) return false;
        for (int k = 0; k < ranges[i].bytes; k++) bytes[ranges[i].offset + k]++;
    }
    return true;
}

TEST(SceneMudUploadRanges, CopyTheUsedEntriesOfEveryArrayAndNothingElse)
{
    struct Case {
        int count;
        int expectedSlots;   // slots whose entries are copied
    };
    const Case cases[] = {{0, 0}, {-3, 0}, {1, 1}, {12, 12}, {47, 47}, {48, 48}, {49, 48}, {1000000, 48}};
    for (const Case &c : cases) {
        SceneMudRange ranges[SCENE_MUD_ARRAY_COUNT];
        memset(ranges, 0xff, sizeof(ranges));
        int n = SceneMudUploadRanges(c.count, ranges);
        if (c.expectedSlots == 0) {
            EXPECT_EQ(n, 0) << c.count;
            continue;
        }
        ASSERT_EQ(n, SCENE_MUD_ARRAY_COUNT) << c.count;
        std::vector<int> a, b;
        ASSERT_TRUE(Cover(ranges, n, a, b)) << c.count;
        // Slot s of an array with k entries per slot lives at offset + 16 (k s .. k s + k - 1).
        for (int i = 0; i < n; i++) {
            const SceneMudArray &array = SCENE_MUD_ARRAYS[i];
            const std::vector<int> &bytes = array.block == 0 ? a : b;
            int stride = array.perSlot * 16;
            for (int slot = 0; slot < MUD_POSE_SLOTS; slot++) {
                int want = slot < c.expectedSlots ? 1 : 0;
                EXPECT_EQ(bytes[array.offset + slot * stride], want) << array.name << " slot " << slot << " count " << c.count;
                EXPECT_EQ(bytes[array.offset + slot * stride + stride - 1], want) << array.name << " slot " << slot;
            }
        }
    }
}

TEST(SceneMudUploadRanges, AFullPoolTilesBothBlocksExactly)
{
    SceneMudRange ranges[SCENE_MUD_ARRAY_COUNT];
    int n = SceneMudUploadRanges(MUD_POSE_SLOTS, ranges);
    std::vector<int> a, b;
    ASSERT_TRUE(Cover(ranges, n, a, b));
    for (int v : a) ASSERT_EQ(v, 1);
    for (int v : b) ASSERT_EQ(v, 1);
}
