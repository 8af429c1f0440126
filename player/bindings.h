// Key bindings: which of the six player keys means which screen direction or ability, the
// last-press-wins movement reading, the ability cooldowns and the random swap schedule.
// Pure simulation: the caller reads the keyboard and hands in plain held/pressed arrays.
#pragma once

#include "raylib.h"

#include <cstdint>

// Key indices, the fixed order of the six physical keys.
constexpr int BINDINGS_KEY_W = 0;
constexpr int BINDINGS_KEY_A = 1;
constexpr int BINDINGS_KEY_S = 2;
constexpr int BINDINGS_KEY_D = 3;
constexpr int BINDINGS_KEY_J = 4;
constexpr int BINDINGS_KEY_K = 5;
constexpr int BINDINGS_KEY_COUNT = 6;

// Slots: the six actions a key can be bound to.
constexpr int SLOT_UP = 0;        // away from the camera
constexpr int SLOT_LEFT = 1;
constexpr int SLOT_DOWN = 2;      // towards the camera
constexpr int SLOT_RIGHT = 3;
constexpr int SLOT_ABILITY1 = 4;  // always the meteor
constexpr int SLOT_ABILITY2 = 5;  // always the spike
constexpr int BINDINGS_SLOT_COUNT = 6;
constexpr int BINDINGS_ABILITY_SLOTS = 2;

constexpr int ABILITY_NONE = 0;
constexpr int ABILITY_METEOR = 1;
constexpr int ABILITY_SPIKE = 2;

constexpr float BINDINGS_COOLDOWN = 0.5f;         // seconds between two presses of one ability slot
constexpr float BINDINGS_PULSE_SECONDS = 0.55f;   // HUD flash after a press fades in this time
constexpr double BINDINGS_INTERVAL_MIN = 30.0;    // seconds per stage
constexpr double BINDINGS_INTERVAL_MAX = 60.0;
constexpr double BINDINGS_WARNING_SECONDS = 5.0;  // the next pair is announced this long ahead
constexpr float BINDINGS_SWAP_ANIM_SECONDS = 0.85f;
constexpr double BINDINGS_STEP_LIMIT = 86400.0;   // seconds; longer steps are refused as corrupt
constexpr uint32_t BINDINGS_DEVELOPER_SEED = 0x71A64B93u;

// Doubles first and 32-bit fields after them, so the record has no padding and two runs can be
// compared byte for byte.
struct Bindings {
    double clock;                          // seconds of schedule time since reset
    double interval;                       // seconds per stage, 30..60
    double nextSwapAt;                     // schedule time of the next exchange
    double lastSwapAt;                     // boundary time of the last exchange
    int pressOrder[BINDINGS_KEY_COUNT];    // key indices currently held, oldest first
    int pressCount;                        // valid entries in pressOrder
    float swapAnim;                        // 0..1 progress of the exchange animation, 1 settled
    float attackPulse[BINDINGS_ABILITY_SLOTS];  // 1 at a press, falls to 0 in 0.55 s
    float cooldown[BINDINGS_ABILITY_SLOTS];     // seconds until the ability slot may fire again
    int slotKey[BINDINGS_SLOT_COUNT];      // key index (0..5) bound to each slot
    int abilityId[BINDINGS_ABILITY_SLOTS]; // ability of slots 4 and 5: meteor, spike
    int abilityCount;                      // always 2
    int swapCount;                         // exchanges performed since reset
    uint32_t rng;                          // schedule's linear congruential state
    int pairA;                             // announced exchange: a movement slot 0..3
    int pairB;                             // 0/1 = ability slot 4/5, 2..5 = movement slot pairB - 2
    int lastPairA;                         // pair of the last exchange; -1 before the first
    int lastPairB;
    int prevSlotKey[BINDINGS_SLOT_COUNT];  // slotKey just before the last exchange
    int prevAbilityCount;                  // abilityCount just before the last exchange
};
static_assert(sizeof(Bindings) == 4 * sizeof(double) + 34 * 4, "Bindings must have no padding");

// [SECTION] Keys and input

// raylib key code of key index 0..5 (87, 65, 83, 68, 74, 75); 0 for any other index.
int BindingsKeyCode(int keyIndex);
// Key index 0..5 of a raylib key code; -1 if the code is not one of the six.
int BindingsKeyIndex(int keyCode);
// Fills held[] from a key-down table indexed by raylib key code; all false without focus.
void BindingsReadHeld(const bool *keyDown, int keyCodeCount, bool focused, bool held[BINDINGS_KEY_COUNT]);
// Fills pressed[] from a pressed-this-frame table indexed by key code; all false without focus.
void BindingsPressed(const bool *keyPressed, int keyCodeCount, bool focused, bool pressed[BINDINGS_KEY_COUNT]);

// [SECTION] Assignment

// Reset layout W A S D J K, no cooldowns, first stage of 30 s, first pair drawn from `seed`.
void BindingsReset(Bindings &bindings, uint32_t seed);
// Raw slot reading of the held keys: x = right - left, y = up - down, each -1..1.
Vector2 BindingsAxesForKeys(const Bindings &bindings, const bool held[BINDINGS_KEY_COUNT]);
// Updates the press order from the held keys and returns the newest key's direction alone:
// x and y are -1, 0 or 1 and never both non-zero.
Vector2 BindingsCardinalAxes(Bindings &bindings, const bool held[BINDINGS_KEY_COUNT]);
// Ability fired by a press of key index `keyIndex` (ABILITY_METEOR / ABILITY_SPIKE) and starts
// that slot's cooldown; ABILITY_NONE for a movement key, a cooling slot or a frozen step.
int BindingsPressAbility(Bindings &bindings, int keyIndex, float dt);
// Slot index (0..5) that pairB codes.
int BindingsPairSlotB(int pairB);

// [SECTION] Schedule

// Advances the swap clock, performing every boundary passed, then the cooldowns and pulses.
// Does nothing when dt <= 0, not finite or absurdly long.
void BindingsUpdate(Bindings &bindings, float dt);
// Sets the stage length (clamped to 30..60), keeping the share of the current stage still to
// run and the announced pair; ignores non-finite values.
void BindingsSetInterval(Bindings &bindings, double seconds);

// [SECTION] HUD queries

// Seconds until the next exchange.
double BindingsTimeToSwap(const Bindings &bindings);
// Seconds into the warning before the exchange; negative while no warning is shown.
double BindingsWarningTime(const Bindings &bindings);
// Warning flash strength 0.08..1 at warning time `w` (0 before the warning), faster towards
// the exchange.
float BindingsWarningPulse(double warningTime);
// Number of one-second segments of the countdown ring for the current interval.
int BindingsCountdownSegments(const Bindings &bindings);
// Segments still shown: those with index segments - remaining .. segments - 1.
int BindingsCountdownRemaining(const Bindings &bindings);
// Centre angle in degrees (0 = screen right, 90 = screen down) of segment `index` of `segments`.
float BindingsSegmentAngle(int index, int segments);
// Digit 3, 2 or 1 shown in the last three seconds before an exchange; 0 otherwise.
int BindingsCountdownDigit(const Bindings &bindings);
