#include "player/bindings.h"
#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};

// Held keys from a string of key letters, e.g. "WD".
struct Held {
    bool keys[BINDINGS_KEY_COUNT] = {};
    explicit Held(const char *letters = "")
    {
        for (const char *c = letters; *c; c++) {
            const char *at = strchr("WASDJK", *c);
            if (at) keys[at - "WASDJK"] = true;
        }
    }
};

Vector2 Axes(Bindings &b, const char *letters)
{
    Held h(letters);
    return BindingsCardinalAxes(b, h.keys);
}

// Puts the next exchange on slots (a, slot b) so a test can choose what moves.
void ForceNextPair(Bindings &b, int slotA, int slotB)
{
    b.pairA = slotA;
    b.pairB = slotB >= SLOT_ABILITY1 ? slotB - SLOT_ABILITY1 : slotB + 2;
}

void RunToNextSwap(Bindings &b)
{
    int before = b.swapCount;
    BindingsUpdate(b, (float)(b.nextSwapAt - b.clock) + 0.001f);
    ASSERT_EQ(b.swapCount, before + 1);
}

bool SameSchedule(const Bindings &a, const Bindings &b)
{
    return memcmp(a.slotKey, b.slotKey, sizeof a.slotKey) == 0 && a.rng == b.rng && a.pairA == b.pairA &&
           a.pairB == b.pairB && a.swapCount == b.swapCount && a.lastPairA == b.lastPairA &&
           a.lastPairB == b.lastPairB && a.lastSwapAt == b.lastSwapAt && a.nextSwapAt == b.nextSwapAt;
}

bool IsPermutation(const int keys[BINDINGS_SLOT_COUNT])
{
    bool seen[BINDINGS_KEY_COUNT] = {};
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) {
        if (keys[s] < 0 || keys[s] >= BINDINGS_KEY_COUNT || seen[keys[s]]) return false;
        seen[keys[s]] = true;
    }
    return true;
}

}  // namespace

// [SECTION] Keys and reset

TEST(Bindings, KeyCodesAndIndicesRoundTrip)
{
    const int codes[] = {87, 65, 83, 68, 74, 75};
    for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
        EXPECT_EQ(BindingsKeyCode(k), codes[k]);
        EXPECT_EQ(BindingsKeyIndex(codes[k]), k);
    }
    EXPECT_EQ(BindingsKeyCode(-1), 0);
    EXPECT_EQ(BindingsKeyCode(6), 0);
    EXPECT_EQ(BindingsKeyIndex(KEY_Q), -1);
}

TEST(Bindings, ReadsKeysOnlyWithFocusAndWithinTheTable)
{
    bool down[400] = {};
    down[KEY_W] = down[KEY_K] = down[KEY_Q] = true;
    bool held[BINDINGS_KEY_COUNT];
    BindingsReadHeld(down, 400, true, held);
    EXPECT_TRUE(held[BINDINGS_KEY_W] && held[BINDINGS_KEY_K]);
    EXPECT_FALSE(held[BINDINGS_KEY_A] || held[BINDINGS_KEY_S] || held[BINDINGS_KEY_D] || held[BINDINGS_KEY_J]);

    BindingsPressed(down, 400, false, held);
    for (bool h : held) EXPECT_FALSE(h);
    // A table too short for W's code (87) never reads past its end.
    BindingsReadHeld(down, 80, true, held);
    EXPECT_FALSE(held[BINDINGS_KEY_W]);
    EXPECT_TRUE(held[BINDINGS_KEY_K]);
}

TEST(Bindings, ResetLayoutMovesAndFiresAtOnce)
{
    Bindings b;
    BindingsReset(b, 1);
    struct Case { const char *key; float x, y; } cases[] = {
        {"W", 0, 1}, {"A", -1, 0}, {"S", 0, -1}, {"D", 1, 0}, {"J", 0, 0}, {"K", 0, 0}, {"", 0, 0}};
    for (const Case &c : cases) {
        Vector2 a = Axes(b, c.key);
        EXPECT_EQ(a.x, c.x) << c.key;
        EXPECT_EQ(a.y, c.y) << c.key;
    }
    // Both abilities in the same frame, no initial cooldown; movement keys fire nothing.
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, 1.0f / 60), ABILITY_METEOR);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_K, 1.0f / 60), ABILITY_SPIKE);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_W, 1.0f / 60), ABILITY_NONE);
    EXPECT_EQ(BindingsPressAbility(b, 17, 1.0f / 60), ABILITY_NONE);
    EXPECT_EQ(b.attackPulse[0], 1.0f);
    EXPECT_EQ(b.cooldown[1], BINDINGS_COOLDOWN);
}

TEST(Bindings, ResetGivesTheSameRecordAsAFreshOne)
{
    Bindings used;
    BindingsReset(used, 99);
    Axes(used, "WD");
    BindingsPressAbility(used, BINDINGS_KEY_J, 0.1f);
    BindingsSetInterval(used, 45.0);
    BindingsUpdate(used, 100.0f);
    BindingsReset(used, 1234);
    Bindings fresh;
    memset(&fresh, 0xAB, sizeof fresh);
    BindingsReset(fresh, 1234);
    EXPECT_EQ(memcmp(&used, &fresh, sizeof fresh), 0);
}

// [SECTION] Last press wins

TEST(Bindings, LastPressWinsAndReleasesRestoreTheEarlierKey)
{
    struct Frame { const char *held; float x, y; };
    struct Case { const char *name; std::vector<Frame> frames; } cases[] = {
        {"W then D, release D", {{"W", 0, 1}, {"WD", 1, 0}, {"W", 0, 1}}},
        {"W then opposite S, release S", {{"W", 0, 1}, {"WS", 0, -1}, {"W", 0, 1}}},
        {"D then W, release W", {{"D", 1, 0}, {"WD", 0, 1}, {"D", 1, 0}}},
        {"same frame: later in key order wins", {{"WD", 1, 0}, {"W", 0, 1}}},
        {"three keys, newest released", {{"A", -1, 0}, {"AD", 1, 0}, {"ADW", 0, 1}, {"AD", 1, 0}, {"A", -1, 0}}},
        {"middle key released keeps order", {{"A", -1, 0}, {"AD", 1, 0}, {"ADW", 0, 1}, {"AW", 0, 1}, {"A", -1, 0}}},
        {"ability keys are skipped", {{"W", 0, 1}, {"WJ", 0, 1}, {"WJK", 0, 1}, {"JK", 0, 0}}},
        {"release all", {{"S", 0, -1}, {"", 0, 0}}},
    };
    for (const Case &c : cases) {
        Bindings b;
        BindingsReset(b, 5);
        for (size_t i = 0; i < c.frames.size(); i++) {
            Vector2 a = Axes(b, c.frames[i].held);
            EXPECT_EQ(a.x, c.frames[i].x) << c.name << ", frame " << i;
            EXPECT_EQ(a.y, c.frames[i].y) << c.name << ", frame " << i;
            EXPECT_FALSE(a.x != 0.0f && a.y != 0.0f) << c.name;
        }
    }
}

TEST(Bindings, FocusLossEmptiesThePressOrderAndRefocusReadsFresh)
{
    Bindings b;
    BindingsReset(b, 3);
    bool down[400] = {};
    down[KEY_W] = down[KEY_D] = true;
    bool held[BINDINGS_KEY_COUNT];

    BindingsReadHeld(down, 400, true, held);
    EXPECT_EQ(BindingsCardinalAxes(b, held).x, 1.0f);
    EXPECT_EQ(b.pressCount, 2);

    BindingsReadHeld(down, 400, false, held);
    Vector2 a = BindingsCardinalAxes(b, held);
    EXPECT_EQ(b.pressCount, 0);
    EXPECT_EQ(a.x, 0.0f);
    EXPECT_EQ(a.y, 0.0f);

    // Back in focus with only W still down: it moves again without a new press.
    down[KEY_D] = false;
    BindingsReadHeld(down, 400, true, held);
    EXPECT_EQ(BindingsCardinalAxes(b, held).y, 1.0f);
}

TEST(Bindings, HeldKeyKeepsItsRecencyAcrossAnExchange)
{
    // D, then W: W is newest. Exchange up and right: W now means right and must still win,
    // although D comes later in key order.
    Bindings b;
    BindingsReset(b, 11);
    Axes(b, "D");
    EXPECT_EQ(Axes(b, "WD").y, 1.0f);
    ForceNextPair(b, SLOT_UP, SLOT_RIGHT);
    RunToNextSwap(b);
    Vector2 a = Axes(b, "WD");
    EXPECT_EQ(a.x, 1.0f);
    EXPECT_EQ(a.y, 0.0f);
    a = Axes(b, "D");
    EXPECT_EQ(a.y, 1.0f);

    // A held ability key that becomes a movement key moves at once, as the newest press.
    BindingsReset(b, 11);
    Axes(b, "A");
    EXPECT_EQ(Axes(b, "AJ").x, -1.0f);
    ForceNextPair(b, SLOT_UP, SLOT_ABILITY1);
    RunToNextSwap(b);
    a = Axes(b, "AJ");
    EXPECT_EQ(a.x, 0.0f);
    EXPECT_EQ(a.y, 1.0f);
}

// [SECTION] Ability presses

TEST(Bindings, CooldownOpensAfterHalfASecondAtEveryFrameRate)
{
    for (float hz : RATES) {
        float dt = 1.0f / hz;
        Bindings b;
        BindingsReset(b, 2);
        BindingsUpdate(b, dt);
        ASSERT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, dt), ABILITY_METEOR);
        // J is pressed every frame after; the first accepted press is the first frame at 0.5 s.
        int firstFrame = -1;
        for (int frame = 1; frame < 200 && firstFrame < 0; frame++) {
            BindingsUpdate(b, dt);
            if (BindingsPressAbility(b, BINDINGS_KEY_J, dt) == ABILITY_METEOR) firstFrame = frame;
            else EXPECT_EQ(b.attackPulse[0] > 0.0f, frame * dt < BINDINGS_PULSE_SECONDS) << hz;
        }
        EXPECT_EQ(firstFrame, (int)std::ceil(0.5 * hz - 1e-6)) << hz << " Hz";
    }
}

TEST(Bindings, TheTwoAbilitySlotsCoolIndependently)
{
    Bindings b;
    BindingsReset(b, 2);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, 0.02f), ABILITY_METEOR);
    BindingsUpdate(b, 0.3f);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_K, 0.02f), ABILITY_SPIKE);
    BindingsUpdate(b, 0.2f);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_K, 0.02f), ABILITY_NONE);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, 0.02f), ABILITY_METEOR);
}

TEST(Bindings, CooldownBelongsToTheSlotNotTheKey)
{
    Bindings b;
    BindingsReset(b, 4);
    ASSERT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, 0.02f), ABILITY_METEOR);
    ForceNextPair(b, SLOT_UP, SLOT_ABILITY1);
    b.nextSwapAt = b.clock + 0.1;
    BindingsUpdate(b, 0.1f);
    ASSERT_EQ(b.slotKey[SLOT_ABILITY1], BINDINGS_KEY_W);
    // W landed in the cooling slot: refused until the slot's half second is over.
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_W, 0.02f), ABILITY_NONE);
    // J left for a movement slot: it moves at once and fires nothing.
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, 0.02f), ABILITY_NONE);
    EXPECT_EQ(Axes(b, "J").y, 1.0f);
    BindingsUpdate(b, 0.4f);
    EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_W, 0.02f), ABILITY_METEOR);
}

TEST(Bindings, FrozenStepsChangeNothingAndDropPresses)
{
    const float frozen[] = {0.0f, -0.1f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    Bindings b;
    BindingsReset(b, 8);
    BindingsUpdate(b, 29.0f);
    BindingsPressAbility(b, BINDINGS_KEY_K, 0.01f);
    Bindings before;
    memcpy(&before, &b, sizeof b);
    for (float dt : frozen) {
        BindingsUpdate(b, dt);
        EXPECT_EQ(BindingsPressAbility(b, BINDINGS_KEY_J, dt), ABILITY_NONE) << dt;
        EXPECT_EQ(memcmp(&b, &before, sizeof b), 0) << dt;
    }
    // Not queued: after the pause J fires only on a new press.
    BindingsUpdate(b, 0.01f);
    EXPECT_EQ(b.cooldown[0], 0.0f);
}

TEST(Bindings, AbsurdStepIsRefusedWithOneWarning)
{
    LogCapture log;
    Bindings b;
    BindingsReset(b, 8);
    Bindings before;
    memcpy(&before, &b, sizeof b);
    BindingsUpdate(b, 1e30f);
    EXPECT_EQ(memcmp(&b, &before, sizeof b), 0);
    EXPECT_EQ(log.count(LOG_WARNING), 1);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().back().text.rfind("BINDINGS:", 0), 0u);
}

// [SECTION] Schedule

// Row 0..8 of the eligible-pair table that the announced pair of `b` is.
static int PairRow(const Bindings &b)
{
    int others[3], count = 0;
    for (int slot = SLOT_UP; slot <= SLOT_RIGHT; slot++)
        if (b.slotKey[slot] != BINDINGS_KEY_S) others[count++] = slot;
    int indexA = -1, indexB = -1;
    for (int i = 0; i < 3; i++) {
        if (others[i] == b.pairA) indexA = i;
        if (others[i] == b.pairB - 2) indexB = i;
    }
    if (b.pairB >= 2) return b.slotKey[b.pairA] == BINDINGS_KEY_S ? indexB : -1;
    return indexA < 0 ? -1 : 3 + 2 * indexA + b.pairB;
}

TEST(Bindings, ExchangesStayEligibleAndSNeverLeavesMovement)
{
    std::set<std::pair<int, int>> firstPairs;
    std::set<int> rows;
    int reversals = 0;
    for (uint32_t seed = 1; seed <= 300; seed++) {
        Bindings b;
        BindingsReset(b, seed * 2654435761u);
        firstPairs.insert({b.pairA, b.pairB});
        std::set<std::vector<int>> layouts;
        for (int stage = 0; stage < 40; stage++) {
            int row = PairRow(b);
            ASSERT_GE(row, 0) << "seed " << seed << " stage " << stage;
            rows.insert(row);
            int announcedA = b.slotKey[b.pairA], announcedB = b.slotKey[BindingsPairSlotB(b.pairB)];
            BindingsUpdate(b, 30.0f);
            ASSERT_TRUE(IsPermutation(b.slotKey));
            ASSERT_NE(b.slotKey[SLOT_ABILITY1], BINDINGS_KEY_S) << seed;
            ASSERT_NE(b.slotKey[SLOT_ABILITY2], BINDINGS_KEY_S) << seed;
            // The announced pair is the one exchanged; the other four stay put.
            int moved = 0;
            for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) moved += b.slotKey[s] != b.prevSlotKey[s];
            ASSERT_EQ(moved, 2);
            ASSERT_EQ(b.slotKey[b.lastPairA], announcedB);
            ASSERT_EQ(b.slotKey[BindingsPairSlotB(b.lastPairB)], announcedA);
            std::vector<int> layout(b.slotKey, b.slotKey + BINDINGS_SLOT_COUNT);
            reversals += !layouts.insert(layout).second;
        }
    }
    // From the reset layout: S with W, A or D, and W, A or D with J or K.
    const std::set<std::pair<int, int>> eligible = {{2, 2}, {2, 3}, {2, 5}, {0, 0}, {0, 1},
                                                    {1, 0}, {1, 1}, {3, 0}, {3, 1}};
    EXPECT_EQ(firstPairs, eligible);
    EXPECT_EQ(rows.size(), 9u);
    EXPECT_GT(reversals, 0);
}

TEST(Bindings, FirstExchangeHappensAtThirtySecondsAndNotBefore)
{
    for (float hz : RATES) {
        float dt = 1.0f / hz;
        Bindings b;
        BindingsReset(b, 77);
        int pairA = b.pairA, pairB = b.pairB;
        while (b.clock + dt < 29.99) BindingsUpdate(b, dt);
        EXPECT_EQ(b.swapCount, 0);
        double previous = b.clock;
        while (b.swapCount == 0) {
            previous = b.clock;
            BindingsUpdate(b, dt);
        }
        EXPECT_LT(previous, 30.0) << hz;
        EXPECT_GE(b.clock, 30.0) << hz;
        EXPECT_EQ(b.lastSwapAt, 30.0);
        EXPECT_EQ(b.lastPairA, pairA);
        EXPECT_EQ(b.lastPairB, pairB);
    }
}

TEST(Bindings, SameSeedGivesTheSameScheduleAtAnyFrameRateOrOneLongStep)
{
    for (uint32_t seed : {1u, 12345u, BINDINGS_DEVELOPER_SEED}) {
        Bindings once, quarters;
        BindingsReset(once, seed);
        BindingsUpdate(once, 120.0f);
        BindingsReset(quarters, seed);
        for (int i = 0; i < 4; i++) BindingsUpdate(quarters, 30.0f);
        EXPECT_EQ(once.swapCount, 4);
        EXPECT_TRUE(SameSchedule(once, quarters)) << seed;

        for (float hz : RATES) {
            Bindings b;
            BindingsReset(b, seed);
            while (b.clock < 120.0) BindingsUpdate(b, 1.0f / hz);
            EXPECT_TRUE(SameSchedule(b, once)) << seed << " at " << hz << " Hz";
        }
    }
}

TEST(Bindings, SwapAnimationSettlesAfterItsDurationAndAPurchaseDoesNotRewindIt)
{
    Bindings b;
    BindingsReset(b, 6);
    EXPECT_EQ(b.swapAnim, 1.0f);
    BindingsUpdate(b, 30.0f);
    EXPECT_EQ(b.swapAnim, 0.0f);
    BindingsUpdate(b, 0.425f);
    EXPECT_NEAR(b.swapAnim, 0.5f, 1e-5f);
    BindingsSetInterval(b, 60.0);
    EXPECT_NEAR(b.swapAnim, 0.5f, 1e-5f);
    BindingsUpdate(b, 0.425f);
    EXPECT_EQ(b.swapAnim, 1.0f);
}

TEST(Bindings, SetIntervalClampsAndIgnoresNonFiniteValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    // From 10 s into a 30 s stage (two thirds still to run).
    struct Case { double request, interval, nextSwapAt; } cases[] = {
        {20.0, 30.0, 30.0}, {30.0, 30.0, 30.0}, {45.0, 45.0, 40.0}, {90.0, 60.0, 50.0},
        {nan, 30.0, 30.0}, {inf, 30.0, 30.0}, {-inf, 30.0, 30.0},
    };
    for (const Case &c : cases) {
        Bindings b;
        BindingsReset(b, 21);
        BindingsUpdate(b, 10.0f);
        BindingsSetInterval(b, c.request);
        EXPECT_EQ(b.interval, c.interval) << c.request;
        EXPECT_NEAR(b.nextSwapAt, c.nextSwapAt, 1e-9) << c.request;
        // A frozen step afterwards performs no boundary.
        BindingsUpdate(b, 0.0f);
        BindingsUpdate(b, -5.0f);
        EXPECT_EQ(b.swapCount, 0);
    }
}

TEST(Bindings, LongerIntervalBoughtDuringTheWarningKeepsThePair)
{
    Bindings b;
    BindingsReset(b, 31);
    BindingsUpdate(b, 28.0f);
    int pairA = b.pairA, pairB = b.pairB;
    EXPECT_NEAR(BindingsTimeToSwap(b), 2.0, 1e-9);

    BindingsSetInterval(b, 60.0);
    BindingsSetInterval(b, 60.0);  // every frame with the same level: no further change
    EXPECT_NEAR(BindingsTimeToSwap(b), 4.0, 1e-9);
    EXPECT_EQ(b.pairA, pairA);
    EXPECT_EQ(b.pairB, pairB);

    BindingsUpdate(b, 3.99f);
    EXPECT_EQ(b.swapCount, 0);
    BindingsUpdate(b, 0.02f);
    EXPECT_EQ(b.swapCount, 1);
    EXPECT_EQ(b.lastPairA, pairA);
    EXPECT_EQ(b.lastPairB, pairB);
    // The next stage has the purchased length, so its warning starts 55 s later.
    EXPECT_NEAR(b.nextSwapAt - b.lastSwapAt, 60.0, 1e-9);
}

// [SECTION] HUD queries

TEST(Bindings, WarningPulsesStartStrongAndGetShorter)
{
    EXPECT_EQ(BindingsWarningPulse(-0.5), 0.0f);
    EXPECT_EQ(BindingsWarningPulse(std::numeric_limits<double>::quiet_NaN()), 0.0f);
    EXPECT_FLOAT_EQ(BindingsWarningPulse(0.0), 1.0f);
    EXPECT_FLOAT_EQ(BindingsWarningPulse(0.72 * 1.3), 0.08f);
    EXPECT_FLOAT_EQ(BindingsWarningPulse(1.29), 0.08f);
    EXPECT_FLOAT_EQ(BindingsWarningPulse(1.3), 1.0f);

    // Pulse starts are where the strength jumps back up.
    std::vector<double> starts = {0.0};
    float last = BindingsWarningPulse(0.0);
    for (double w = 1e-4; w < 5.0; w += 1e-4) {
        float p = BindingsWarningPulse(w);
        if (p > last + 0.5f) starts.push_back(w);
        last = p;
    }
    ASSERT_GE(starts.size(), 8u);
    for (size_t i = 2; i < starts.size(); i++) {
        double previous = starts[i - 1] - starts[i - 2], length = starts[i] - starts[i - 1];
        EXPECT_LE(length, previous + 2e-4);
        EXPECT_GE(length, 0.065 - 2e-4);
    }
    EXPECT_NEAR(starts[2] - starts[1], 0.988, 2e-4);
    // Far past the end it keeps its shortest rhythm instead of looping for ever.
    EXPECT_GE(BindingsWarningPulse(1e12), 0.08f);
}

TEST(Bindings, CountdownShowsOneSegmentPerSecondUntilTheWarning)
{
    struct Case { double interval, timeToSwap; int segments, remaining, digit; } cases[] = {
        {30, 30.0, 25, 25, 0}, {30, 29.5, 25, 25, 0}, {30, 29.0, 25, 24, 0}, {30, 5.5, 25, 1, 0},
        {30, 5.0, 25, 0, 0},   {30, 3.0, 25, 0, 3},   {30, 2.5, 25, 0, 3},   {30, 0.1, 25, 0, 1},
        {60, 60.0, 55, 55, 0}, {60, 3.01, 55, 0, 0},  {45, 45.0, 40, 40, 0},
    };
    for (const Case &c : cases) {
        Bindings b;
        BindingsReset(b, 1);
        BindingsSetInterval(b, c.interval);
        BindingsUpdate(b, (float)(c.interval - c.timeToSwap));
        if (c.interval == c.timeToSwap) {
            ASSERT_EQ(b.clock, 0.0);
        }
        EXPECT_EQ(BindingsCountdownSegments(b), c.segments);
        EXPECT_EQ(BindingsCountdownRemaining(b), c.remaining) << c.interval << " " << c.timeToSwap;
        EXPECT_EQ(BindingsCountdownDigit(b), c.digit) << c.interval << " " << c.timeToSwap;
    }
}

TEST(Bindings, CountdownSegmentsLeaveAlternatelyAndTheLastIsAtTheBottom)
{
    for (int n : {25, 40, 55}) {
        float step = 360.0f / (float)n;
        std::set<long> positions;
        for (int i = 0; i < n; i++) {
            float a = BindingsSegmentAngle(i, n);
            positions.insert(std::lround(std::fmod(a + 720.0f, 360.0f) * 100.0f));
        }
        EXPECT_EQ((int)positions.size(), n) << n;
        EXPECT_NEAR(std::fmod(BindingsSegmentAngle(n - 1, n) + 720.0f, 360.0f), 90.0f, 1e-3f) << n;
        EXPECT_NEAR(BindingsSegmentAngle(0, n), -90.0f, step * 0.5f + 1e-3f) << n;
        // Segments 1 and 2 leave on opposite sides of the top.
        EXPECT_LT((BindingsSegmentAngle(1, n) + 90.0f) * (BindingsSegmentAngle(2, n) + 90.0f), 0.0f) << n;
    }
}
