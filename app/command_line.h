// Command line: only the first argument selects a mode (a capture mode may read a second one).
#pragma once

enum CommandKind {
    COMMAND_GAME,         // no argument, or one that matches nothing
    COMMAND_LICENSES,     // "--licenses"
    COMMAND_SELF_CHECK,   // a developer self-check without a window
    COMMAND_WINDOWED_DEV, // a developer mode that opens the normal window
};

struct CommandLine {
    CommandKind kind;
    const char *name;     // the matched switch, or null for the game
    const char *second;   // second argument, or null
    int graphicsPreset;   // -1, or 0 / 1 for "--graphics-low" / "--graphics-medium"
    bool gamepad;         // second argument "gamepad"
};

CommandLine CommandLineParse(int argc, const char *const *argv);
