// Key bindings and their swap schedule.
//
// Index
//   [SECTION] Keys and input
//   [SECTION] Assignment
//   [SECTION] Schedule
//   [SECTION] HUD queries
#include "player/bindings.h"

#include <cmath>

static constexpr int KEY_CODES[BINDINGS_KEY_COUNT] = {KEY_W, KEY_A, KEY_S, KEY_D, KEY_J, KEY_K};
static constexpr float COOLDOWN_SNAP = 1e-6f;  // a cooldown this close to 0 is over

// [SECTION] Keys and input

int BindingsKeyCode(int keyIndex)
{
    if (keyIndex < 0 || keyIndex >= BINDINGS_KEY_COUNT) return 0;
    return KEY_CODES[keyIndex];
}

int BindingsKeyIndex(int keyCode)
{
    for (int k = 0; k < BINDINGS_KEY_COUNT; k++)
        if (KEY_CODES[k] == keyCode) return k;
    return -1;
}

static void ReadKeys(const bool *table, int count, bool focused, bool out[BINDINGS_KEY_COUNT])
{
    for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
        int code = KEY_CODES[k];
        out[k] = focused && table != nullptr && code < count && table[code];
    }
}

void BindingsReadHeld(const bool *keyDown, int keyCodeCount, bool focused, bool held[BINDINGS_KEY_COUNT])
{
    ReadKeys(keyDown, keyCodeCount, focused, held);
}

void BindingsPressed(const bool *keyPressed, int keyCodeCount, bool focused, bool pressed[BINDINGS_KEY_COUNT])
{
    ReadKeys(keyPressed, keyCodeCount, focused, pressed);
}

// [SECTION] Assignment

static void PickPair(Bindings &b);

void BindingsReset(Bindings &bindings, uint32_t seed)
{
    bindings = {};
    for (int slot = 0; slot < BINDINGS_SLOT_COUNT; slot++) {
        bindings.slotKey[slot] = slot;
        bindings.prevSlotKey[slot] = slot;
    }
    bindings.abilityId[0] = ABILITY_METEOR;
    bindings.abilityId[1] = ABILITY_SPIKE;
    bindings.abilityCount = BINDINGS_ABILITY_SLOTS;
    bindings.prevAbilityCount = BINDINGS_ABILITY_SLOTS;
    bindings.interval = BINDINGS_INTERVAL_MIN;
    bindings.nextSwapAt = BINDINGS_INTERVAL_MIN;
    bindings.swapAnim = 1.0f;
    bindings.lastPairA = -1;
    bindings.rng = seed;
    PickPair(bindings);
}

Vector2 BindingsAxesForKeys(const Bindings &bindings, const bool held[BINDINGS_KEY_COUNT])
{
    auto down = [&](int slot) {
        int key = bindings.slotKey[slot];
        return (key >= 0 && key < BINDINGS_KEY_COUNT && held[key]) ? 1.0f : 0.0f;
    };
    return {down(SLOT_RIGHT) - down(SLOT_LEFT), down(SLOT_UP) - down(SLOT_DOWN)};
}

Vector2 BindingsCardinalAxes(Bindings &bindings, const bool held[BINDINGS_KEY_COUNT])
{
    // Released keys leave the order; the survivors keep their recency, even across an exchange.
    int kept = 0;
    bool listed[BINDINGS_KEY_COUNT] = {};
    for (int i = 0; i < bindings.pressCount; i++) {
        int key = bindings.pressOrder[i];
        if (key < 0 || key >= BINDINGS_KEY_COUNT || !held[key] || listed[key]) continue;
        listed[key] = true;
        bindings.pressOrder[kept++] = key;
    }
    for (int key = 0; key < BINDINGS_KEY_COUNT; key++)
        if (held[key] && !listed[key]) bindings.pressOrder[kept++] = key;
    for (int i = kept; i < BINDINGS_KEY_COUNT; i++) bindings.pressOrder[i] = 0;
    bindings.pressCount = kept;

    for (int i = kept - 1; i >= 0; i--) {
        bool alone[BINDINGS_KEY_COUNT] = {};
        alone[bindings.pressOrder[i]] = true;
        Vector2 axes = BindingsAxesForKeys(bindings, alone);
        if (axes.x != 0.0f || axes.y != 0.0f) return axes;
    }
    return {0.0f, 0.0f};
}

int BindingsPressAbility(Bindings &bindings, int keyIndex, float dt)
{
    // A press while frozen is dropped, never replayed when the run resumes.
    if (!(dt > 0.0f) || !std::isfinite(dt)) return ABILITY_NONE;
    for (int i = 0; i < BINDINGS_ABILITY_SLOTS; i++) {
        if (bindings.slotKey[SLOT_ABILITY1 + i] != keyIndex) continue;
        if (bindings.cooldown[i] > 0.0f) return ABILITY_NONE;
        bindings.cooldown[i] = BINDINGS_COOLDOWN;
        bindings.attackPulse[i] = 1.0f;
        return bindings.abilityId[i];
    }
    return ABILITY_NONE;
}

int BindingsPairSlotB(int pairB) { return pairB < 2 ? SLOT_ABILITY1 + pairB : pairB - 2; }

// [SECTION] Schedule

// Announces the next exchange: one of nine pairs that never put S on an ability slot and never
// swap the two abilities with each other.
static void PickPair(Bindings &b)
{
    int sSlot = -1;
    int others[3] = {0, 1, 3};
    int count = 0;
    for (int slot = SLOT_UP; slot <= SLOT_RIGHT; slot++) {
        if (b.slotKey[slot] == BINDINGS_KEY_S && sSlot < 0) sSlot = slot;
        else if (count < 3) others[count++] = slot;
    }
    if (sSlot < 0) sSlot = SLOT_DOWN;  // unreachable while the layout is a permutation

    b.rng = b.rng * 1664525u + 1013904223u;
    int r = (int)((b.rng >> 16) % 9u);
    if (r < 3) {
        b.pairA = sSlot;
        b.pairB = others[r] + 2;
    } else {
        b.pairA = others[(r - 3) / 2];
        b.pairB = (r - 3) % 2;
    }
}

static void PerformSwap(Bindings &b)
{
    for (int slot = 0; slot < BINDINGS_SLOT_COUNT; slot++) b.prevSlotKey[slot] = b.slotKey[slot];
    b.prevAbilityCount = b.abilityCount;
    b.lastSwapAt = b.nextSwapAt;
    b.nextSwapAt += b.interval;

    int slotB = BindingsPairSlotB(b.pairB);
    int key = b.slotKey[b.pairA];
    b.slotKey[b.pairA] = b.slotKey[slotB];
    b.slotKey[slotB] = key;

    b.swapCount += 1;
    b.lastPairA = b.pairA;
    b.lastPairB = b.pairB;
    PickPair(b);
}

void BindingsUpdate(Bindings &bindings, float dt)
{
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    if (dt > BINDINGS_STEP_LIMIT) {
        TraceLog(LOG_WARNING, "BINDINGS: refused a step of %.0f s", (double)dt);
        return;
    }
    Bindings &b = bindings;
    if (!(b.interval >= BINDINGS_INTERVAL_MIN)) return;  // never reset: no schedule to run
    b.clock += dt;
    // A long step performs every boundary it passed, so the layouts match any frame rate.
    while (b.nextSwapAt <= b.clock) PerformSwap(b);
    if (b.swapCount > 0) {
        double progress = (b.clock - b.lastSwapAt) / BINDINGS_SWAP_ANIM_SECONDS;
        b.swapAnim = (float)(progress < 0.0 ? 0.0 : (progress > 1.0 ? 1.0 : progress));
    }

    for (int i = 0; i < BINDINGS_ABILITY_SLOTS; i++) {
        float pulse = b.attackPulse[i] - dt / BINDINGS_PULSE_SECONDS;
        b.attackPulse[i] = pulse > 0.0f ? pulse : 0.0f;
        float cool = b.cooldown[i] - dt;
        b.cooldown[i] = cool >= COOLDOWN_SNAP ? cool : 0.0f;
    }
}

void BindingsSetInterval(Bindings &bindings, double seconds)
{
    if (!std::isfinite(seconds)) return;
    double a = seconds < BINDINGS_INTERVAL_MIN ? BINDINGS_INTERVAL_MIN
                                               : (seconds > BINDINGS_INTERVAL_MAX ? BINDINGS_INTERVAL_MAX : seconds);
    if (a == bindings.interval) return;
    // Keep the share of the stage still to run, so a purchase never jumps past the exchange.
    double share = bindings.interval > 0.0 ? (bindings.nextSwapAt - bindings.clock) / bindings.interval : 1.0;
    share = share < 0.0 ? 0.0 : (share > 1.0 ? 1.0 : share);
    bindings.interval = a;
    bindings.nextSwapAt = bindings.clock + share * a;
}

// [SECTION] HUD queries

double BindingsTimeToSwap(const Bindings &bindings) { return bindings.nextSwapAt - bindings.clock; }

double BindingsWarningTime(const Bindings &bindings)
{
    return BINDINGS_WARNING_SECONDS - BindingsTimeToSwap(bindings);
}

float BindingsWarningPulse(double warningTime)
{
    if (!(warningTime >= 0.0) || !std::isfinite(warningTime)) return 0.0f;
    double t = warningTime;
    double length = 1.3;
    while (t >= length && length > 0.065) {
        t -= length;
        length = length * 0.76 > 0.065 ? length * 0.76 : 0.065;
    }
    // Once the pulses have reached their shortest length they simply repeat.
    if (t >= length) t = std::fmod(t, length);
    double c = t / (0.72 * length);
    c = c < 0.0 ? 0.0 : (c > 1.0 ? 1.0 : c);
    return (float)((1.0 - (3.0 - 2.0 * c) * c * c) * 0.92 + 0.08);
}

int BindingsCountdownSegments(const Bindings &bindings)
{
    return (int)std::lround(bindings.interval - BINDINGS_WARNING_SECONDS);
}

int BindingsCountdownRemaining(const Bindings &bindings)
{
    double k = std::ceil(BindingsTimeToSwap(bindings) - BINDINGS_WARNING_SECONDS - 0.00001);
    int segments = BindingsCountdownSegments(bindings);
    if (!(k > 0.0)) return 0;
    return k > (double)segments ? segments : (int)k;
}

float BindingsSegmentAngle(int index, int segments)
{
    if (segments <= 0) return -90.0f;
    float step = 360.0f / (float)segments;
    if (segments % 2 == 1) {
        float offset = ((float)(index / 2) + 0.5f) * step;
        return (index % 2 == 1 ? offset : -offset) - 90.0f;
    }
    if (index % 2 == 1) return -(float)((index + 1) / 2) * step - 90.0f;
    return (float)(index / 2) * step - 90.0f;
}

int BindingsCountdownDigit(const Bindings &bindings)
{
    double t = BindingsTimeToSwap(bindings);
    if (!(t > 0.0) || t > 3.0) return 0;
    return (int)std::ceil(t);
}
