// The arrangement: one score and one clock for every situation; the music context decides which
// lines sound, with which timbres and how loudly. ArrangeStep runs on the audio thread, once per
// sixteenth note, under the rules of synth.h: no locks, no allocation, no raylib audio calls.
#pragma once

#include "audio/audio.h"

#include <cstdint>

struct Synth;

// Columns of the context table, blended by the context weights every control tick.
enum ArrangeColumn : int {
    ARRANGE_TEMPO,       // beats per minute
    ARRANGE_PULSE,       // A: thump and mallets
    ARRANGE_BASS,        // B
    ARRANGE_ARPEGGIO,    // C
    ARRANGE_MELODY,      // D: lead and answer
    ARRANGE_BED,         // the pad bed
    ARRANGE_HEARTBEAT,   // E
    ARRANGE_COLUMNS,
};

// Music context ids besides play, main menu and comic (audio.h).
constexpr int32_t AUDIO_CONTEXT_SHOP = 2;
constexpr int32_t AUDIO_CONTEXT_ENCYCLOPEDIA = 3;
constexpr int32_t AUDIO_CONTEXT_SETTINGS = 4;
constexpr int32_t AUDIO_CONTEXT_ERASE_DIALOG = 5;
constexpr int32_t AUDIO_CONTEXT_QUIT_DIALOG = 6;
constexpr int32_t AUDIO_CONTEXT_PAUSE = 7;
constexpr int32_t AUDIO_CONTEXT_MENU_DIALOG = 8;

// One row per music context id.
constexpr float ARRANGE_CONTEXTS[AUDIO_CONTEXT_COUNT][ARRANGE_COLUMNS] = {
    {120.0f, 0.91f, 0.9f, 0.55f, 0.62f, 0.45f, 0.05f},   // 0 play
    {88.0f, 0.36f, 0.52f, 0.63f, 0.54f, 0.95f, 0.02f},   // 1 main menu
    {102.0f, 0.48f, 0.57f, 0.84f, 0.46f, 0.65f, 0.0f},   // 2 shop
    {76.0f, 0.12f, 0.28f, 0.35f, 0.66f, 1.0f, 0.12f},    // 3 encyclopedia
    {82.0f, 0.21f, 0.38f, 0.49f, 0.28f, 0.83f, 0.0f},    // 4 settings
    {91.0f, 0.26f, 0.47f, 0.28f, 0.13f, 0.63f, 1.0f},    // 5 erase dialog
    {68.0f, 0.1f, 0.29f, 0.31f, 0.45f, 0.88f, 0.34f},    // 6 quit dialog
    {72.0f, 0.08f, 0.22f, 0.24f, 0.18f, 0.72f, 0.07f},   // 7 pause
    {75.0f, 0.13f, 0.33f, 0.3f, 0.33f, 0.82f, 0.47f},    // 8 main-menu dialog
    {98.0f, 0.28f, 0.52f, 0.64f, 0.62f, 1.0f, 0.0f},     // 9 comic
};

// Above this weight the comic theme, or the finale, plays alone.
constexpr float ARRANGE_SOLO_WEIGHT = 0.985f;
// Quieter notes start no voice.
constexpr float ARRANGE_MIN_GAIN = 0.002f;
// Boss motifs sound only for presences above this.
constexpr float ARRANGE_BOSS_MOTIF = 0.01f;

// The context table blended by `weight` (ten context weights), with the smoothed danger pushing
// the play row: pulse, bass and arpeggio up, the bed down.
void ArrangeBlendContexts(const float weight[AUDIO_CONTEXT_COUNT], float danger, float blend[ARRANGE_COLUMNS]);
// One sixteenth note at the synthesiser's step counter (before it advances): the pad bed's chord
// change, then the menu arrangement, battle rock, the boss layer, the finale and the comic theme,
// each by its weight. Nothing during the exit fade.
void ArrangeStep(Synth &synth);
// The bar of the finale's own eight-bar progression at absolute bar `bar` (step counter / 16),
// counted from the bar in which the finale began; 0 when no finale runs.
int ArrangeFinaleBar(const Synth &synth, uint64_t bar);
