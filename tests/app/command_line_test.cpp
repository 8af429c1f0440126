#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, FirstArgumentSelectsTheMode)
{
    struct Case {
        std::vector<const char *> argv;
        CommandKind kind;
        int graphicsPreset;
        bool gamepad;
    };
    const Case cases[] = {
        {{"glorvent"}, COMMAND_GAME, -1, false},
        {{"glorvent", "--unknown"}, COMMAND_GAME, -1, false},
        {{"glorvent", "--LICENSES"}, COMMAND_GAME, -1, false},       // case-sensitive
        {{"glorvent", "--smoke-extra"}, COMMAND_GAME, -1, false},    // exact, not a prefix
        {{"glorvent", "--licenses"}, COMMAND_LICENSES, -1, false},
        {{"glorvent", "--licenses", "--smoke"}, COMMAND_LICENSES, -1, false},
        {{"glorvent", "--test-embedded"}, COMMAND_SELF_CHECK, -1, false},
        {{"glorvent", "--test-golem-contact"}, COMMAND_SELF_CHECK, -1, false},
        {{"glorvent", "--smoke"}, COMMAND_WINDOWED_DEV, -1, false},
        {{"glorvent", "--capture-arena", "--graphics-low"}, COMMAND_WINDOWED_DEV, 0, false},
        {{"glorvent", "--capture-arena", "--graphics-medium"}, COMMAND_WINDOWED_DEV, 1, false},
        {{"glorvent", "--capture-menu", "gamepad"}, COMMAND_WINDOWED_DEV, -1, true},
        {{"glorvent", "--unknown", "--graphics-low"}, COMMAND_GAME, -1, false},
    };
    for (const Case &c : cases) {
        CommandLine line = CommandLineParse((int)c.argv.size(), c.argv.data());
        EXPECT_EQ(line.kind, c.kind) << (c.argv.size() > 1 ? c.argv[1] : "(none)");
        EXPECT_EQ(line.graphicsPreset, c.graphicsPreset);
        EXPECT_EQ(line.gamepad, c.gamepad);
    }
}
