// The scene shader as the driver will see it: both variants built from the embedded file,
// compiled and reflected by glslangValidator, against the renderer's uniform table and the CPU
// layout of the MudPose blocks. Needs glslangValidator on the PATH (Debian: glslang-tools).
#include "app/assets.h"
#include "mud/mud_pose_blocks.h"
#include "render/scene.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

namespace {

struct Reflection {
    bool ran = false;
    std::string log;                                 // whole validator output
    std::set<std::string> uniforms;                  // default-block uniforms
    std::map<std::string, int> blockSizes;           // block name -> bytes
    std::map<std::string, std::pair<int, int>> members;   // member -> (block index, offset)
};

// Compiles one variant from the embedded shader and parses the validator's reflection.
Reflection Reflect(int canyon)
{
    Reflection r;
    char *text = AssetLoadText("assets/shaders/scene.fs");
    if (!text) return r;
    char *source = SceneVariantSource(text, canyon);
    MemFree(text);
    if (!source) return r;
    char path[] = "/tmp/glorvent-scene-XXXXXX.frag";
    int fd = mkstemps(path, 5);
    if (fd < 0) {
        MemFree(source);
        return r;
    }
    FILE *f = fdopen(fd, "w");
    fputs(source, f);
    fclose(f);
    MemFree(source);

    std::string command = std::string("glslangValidator -S frag -l -q --reflect-all-block-variables ") + path + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        remove(path);
        return r;
    }
    enum { NONE, UNIFORMS, BLOCKS } section = NONE;
    char line[1024];
    while (fgets(line, sizeof(line), pipe)) {
        r.log += line;
        if (strncmp(line, "Uniform reflection:", 19) == 0) section = UNIFORMS;
        else if (strncmp(line, "Uniform block reflection:", 25) == 0) section = BLOCKS;
        else if (line[0] == '\n' || strstr(line, "reflection:")) section = NONE;
        const char *colon = strchr(line, ':');
        if (section == NONE || !colon || strstr(line, "reflection:")) continue;
        std::string name(line, (size_t)(colon - line));
        int offset = 0, size = 0, index = 0;
        const char *o = strstr(line, "offset ");
        const char *s = strstr(line, "size ");
        const char *i = strstr(line, "index ");
        if (o) offset = atoi(o + 7);
        if (s) size = atoi(s + 5);
        if (i) index = atoi(i + 6);
        if (section == BLOCKS) r.blockSizes[name] = size;
        else if (index < 0) r.uniforms.insert(name);
        else r.members[name] = {index, offset};
    }
    r.ran = pclose(pipe) == 0;
    remove(path);
    return r;
}

bool ValidatorMissing() { return std::system("glslangValidator --version >/dev/null 2>&1") != 0; }

}  // namespace

TEST(SceneShader, BothVariantsCompileWithTheContractsUniformsAndBlocks)
{
    if (ValidatorMissing()) GTEST_SKIP() << "glslangValidator not installed";
    for (int canyon = 0; canyon <= 1; canyon++) {
        Reflection r = Reflect(canyon);
        ASSERT_TRUE(r.ran) << "variant " << canyon << ":\n" << r.log;

        std::set<std::string> expected;
        for (int i = 0; i < SCENE_UNIFORM_COUNT; i++)
            if (SceneUniformRequired(i, canyon != 0)) expected.insert(SCENE_UNIFORM_NAMES[i]);
        EXPECT_EQ(expected.size(), canyon ? 40u : 37u);
        // Active means the shader really reads it: a uniform the optimiser drops fails start-up.
        EXPECT_EQ(r.uniforms, expected) << "variant " << canyon;

        EXPECT_EQ(r.blockSizes["MudPoseA"], MUD_POSE_A_BYTES) << "variant " << canyon;
        EXPECT_EQ(r.blockSizes["MudPoseB"], MUD_POSE_B_BYTES) << "variant " << canyon;
    }
}

// The CPU structs are copied into the buffers byte for byte, so every array must sit where the
// compiled block puts it.
TEST(SceneShader, MudPoseMembersSitAtTheCpuOffsets)
{
    if (ValidatorMissing()) GTEST_SKIP() << "glslangValidator not installed";
    Reflection r = Reflect(0);
    ASSERT_TRUE(r.ran) << r.log;
    struct Member {
        const char *name;
        int block;
        size_t offset;
    };
    const Member members[] = {
        {"mudBodies", 0, offsetof(MudPoseBlockA, mudBodies)},
        {"mudShapes", 0, offsetof(MudPoseBlockA, mudShapes)},
        {"mudStates", 0, offsetof(MudPoseBlockA, mudStates)},
        {"mudPatches", 0, offsetof(MudPoseBlockA, mudPatches)},
        {"mudBursts", 0, offsetof(MudPoseBlockA, mudBursts)},
        {"mudImpacts", 0, offsetof(MudPoseBlockA, mudImpacts)},
        {"mudDashStarts", 0, offsetof(MudPoseBlockA, mudDashStarts)},
        {"mudDashEnds", 0, offsetof(MudPoseBlockA, mudDashEnds)},
        {"mudDashImpactsA", 0, offsetof(MudPoseBlockA, mudDashImpactsA)},
        {"mudDashImpactsB", 0, offsetof(MudPoseBlockA, mudDashImpactsB)},
        {"mudMergeBodies", 0, offsetof(MudPoseBlockA, mudMergeBodies)},
        {"mudMergeShapes", 0, offsetof(MudPoseBlockA, mudMergeShapes)},
        {"mudLegHips", 0, offsetof(MudPoseBlockA, mudLegHips)},
        {"mudLegKnees", 0, offsetof(MudPoseBlockA, mudLegKnees)},
        {"mudLegFeet", 0, offsetof(MudPoseBlockA, mudLegFeet)},
        {"mudWalkers", 1, offsetof(MudPoseBlockB, mudWalkers)},
        {"mudGolemBodies", 1, offsetof(MudPoseBlockB, mudGolemBodies)},
        {"mudGolemShapes", 1, offsetof(MudPoseBlockB, mudGolemShapes)},
        {"mudArmShoulders", 1, offsetof(MudPoseBlockB, mudArmShoulders)},
        {"mudArmElbows", 1, offsetof(MudPoseBlockB, mudArmElbows)},
        {"mudArmHands", 1, offsetof(MudPoseBlockB, mudArmHands)},
        {"mudWounds", 1, offsetof(MudPoseBlockB, mudWounds)},
        {"mudDamageChunks", 1, offsetof(MudPoseBlockB, mudDamageChunks)},
        {"mudCorpseMotion", 1, offsetof(MudPoseBlockB, mudCorpseMotion)},
        {"mudCorpseBase", 1, offsetof(MudPoseBlockB, mudCorpseBase)},
        {"mudCorpsePlanes", 1, offsetof(MudPoseBlockB, mudCorpsePlanes)},
        {"mudCutPlanes", 1, offsetof(MudPoseBlockB, mudCutPlanes)},
        {"mudCutStates", 1, offsetof(MudPoseBlockB, mudCutStates)},
        {"mudBossScars", 1, offsetof(MudPoseBlockB, mudBossScars)},
        {"mudSpecials", 1, offsetof(MudPoseBlockB, mudSpecials)},
    };
    EXPECT_EQ(r.members.size(), sizeof(members) / sizeof(members[0]));
    for (const Member &m : members) {
        auto it = r.members.find(m.name);
        ASSERT_NE(it, r.members.end()) << m.name;
        EXPECT_EQ(it->second.first, m.block) << m.name;
        EXPECT_EQ(it->second.second, (int)m.offset) << m.name;
    }
}

TEST(SceneVariantSource, PutsTheVariantDefineRightAfterTheVersionLine)
{
    struct Case {
        const char *text;
        int canyon;
        const char *expected;   // null: no source
    };
    const Case cases[] = {
        {"#version 330\nvoid main() {}\n", 1, "#version 330\n#define ENABLE_CANYON 1\nvoid main() {}\n"},
        {"#version 330\nvoid main() {}\n", 0, "#version 330\n#define ENABLE_CANYON 0\nvoid main() {}\n"},
        {"#version 330\r\nbody", 7, "#version 330\n#define ENABLE_CANYON 1\nbody"},     // any non-zero is the canyon
        {"// anything on the first line\n", 0, "#version 330\n#define ENABLE_CANYON 0\n"},
        {"#version 330", 0, nullptr},                                                   // no line feed
        {"", 1, nullptr},
    };
    for (const Case &c : cases) {
        char *source = SceneVariantSource(c.text, c.canyon);
        if (!c.expected) {
            EXPECT_EQ(source, nullptr) << c.text;
        } else {
            ASSERT_NE(source, nullptr) << c.text;
            EXPECT_STREQ(source, c.expected);
        }
        MemFree(source);
    }
    EXPECT_EQ(SceneVariantSource(nullptr, 0), nullptr);
}

TEST(SceneCheckUniforms, RequiresTheCommonUniformsAndTheRockOnesOnlyInTheCanyonProgram)
{
    SceneLocations all{};
    for (int i = 0; i < SCENE_UNIFORM_COUNT; i++) all.loc[i] = i;
    SceneLocations interior = all;
    for (int i = SCENE_COMMON_UNIFORM_COUNT; i < SCENE_UNIFORM_COUNT; i++) interior.loc[i] = -1;

    struct Case {
        const char *name;
        int missing;         // index set to -1, or -1 for none
        bool fromInterior;   // start from the interior table (rock uniforms absent)
        bool canyon;
        bool ok;
    };
    const Case cases[] = {
        {"interior complete", -1, true, false, true},
        {"canyon complete", -1, false, true, true},
        {"canyon program without rock uniforms", -1, true, true, false},
        {"interior lacks the first", SCENE_U_GRAPHICS_QUALITY, true, false, false},
        {"interior lacks the last common", SCENE_U_SPIKE_DIRECTIONS, true, false, false},
        {"canyon lacks rocksActive", SCENE_U_ROCKS_ACTIVE, false, true, false},
        {"canyon lacks joints", SCENE_U_JOINTS, false, true, false},
    };
    for (const Case &c : cases) {
        SceneLocations l = c.fromInterior ? interior : all;
        if (c.missing >= 0) l.loc[c.missing] = -1;
        LogCapture log;
        EXPECT_EQ(SceneCheckUniforms(l, c.canyon), c.ok) << c.name;
        if (c.missing >= 0) {
            ASSERT_EQ(log.count(LOG_WARNING), 1) << c.name;
            EXPECT_NE(log.lines()[0].text.find(SCENE_UNIFORM_NAMES[c.missing]), std::string::npos) << c.name;
        }
        EXPECT_EQ(log.count(LOG_ERROR), 0) << c.name;
    }
}
