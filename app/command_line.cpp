#include "app/command_line.h"

#include <cstring>

// Reserved switches: every developer mode has its name here even before it exists.
static const char *const SELF_CHECKS[] = {
    "--test-embedded", "--test-audio", "--test-audio-score", "--test-audio-scene", "--test-audio-ui",
    "--capture-audio", "--test-profile", "--test-bestiary", "--test-menu", "--test-comic",
    "--test-display", "--test-shop", "--test-support", "--test-arena", "--test-terrain",
    "--test-campaign", "--test-boss", "--test-motion", "--test-mud", "--test-variation",
    "--test-input", "--test-bindings", "--test-meteor", "--test-spike", "--test-soil",
    "--test-destruction", "--test-merge", "--test-contacts", "--test-tracks", "--test-attack",
    "--test-health", "--test-loot", "--test-ship", "--test-ship-obstacle", "--test-contact-damage",
    "--test-evolution", "--test-pursuit", "--test-golem", "--test-golem-contact",
    // Headless benchmarks: no window either.
    "--benchmark-mud", "--benchmark-walkers", "--benchmark-golems", "--benchmark-combat",
    "--benchmark-campaign", "--soak", "--test-replay",
};

static const char *const WINDOWED[] = {
    "--capture-shop", "--capture-display", "--capture-support", "--capture-campaign",
    "--capture-markers", "--capture-ship", "--capture-ship-obstacle", "--ship-demo",
    "--capture-arena-junctions", "--capture-arena", "--canyon-demo", "--cliff-demo",
    "--profile-arena", "--capture-loot", "--profile-loot", "--profile-campaign",
    "--replay", "--capture-golem", "--capture-meteor", "--benchmark-meteor",
    "--capture-bindings", "--capture-spike", "--benchmark-spike", "--capture-golem-turns",
    "--golem-demo", "--capture-evolution", "--capture-walker",
    "--capture-pursuit", "--capture-boss-attacks", "--capture-attack", "--capture-health",
    "--capture-debug", "--capture-crowd", "--capture-merge", "--capture-mud",
    "--capture-turns",
    "--capture-motion", "--smoke-edge", "--capture-hints", "--smoke", "--capture-audio-ui",
    "--capture-comic", "--capture-menu",
};

CommandLine CommandLineParse(int argc, const char *const *argv)
{
    CommandLine c{};
    c.kind = COMMAND_GAME;
    c.graphicsPreset = -1;
    if (argc < 2 || !argv || !argv[1]) return c;
    const char *first = argv[1];
    c.second = argc > 2 ? argv[2] : nullptr;

    if (strcmp(first, "--licenses") == 0) {
        c.kind = COMMAND_LICENSES;
        c.name = first;
        return c;
    }
    for (const char *name : SELF_CHECKS) {
        if (strcmp(first, name) == 0) {
            c.kind = COMMAND_SELF_CHECK;
            c.name = name;
            return c;
        }
    }
    for (const char *name : WINDOWED) {
        if (strcmp(first, name) == 0) {
            c.kind = COMMAND_WINDOWED_DEV;
            c.name = name;
            if (c.second && strcmp(c.second, "--graphics-low") == 0) c.graphicsPreset = 0;
            if (c.second && strcmp(c.second, "--graphics-medium") == 0) c.graphicsPreset = 1;
            if (c.second && strcmp(c.second, "gamepad") == 0) c.gamepad = true;
            return c;
        }
    }
    c.second = nullptr;
    return c;
}
