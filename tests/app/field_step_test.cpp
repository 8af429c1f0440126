#include "app/field_step.h"
#include "dev/dev_run.h"
#include "tests/support/field_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};

// The same walk at any frame rate: keys given in seconds, turned into frames at `hz`.
struct TimedKey {
    float at, seconds;
    int key;
};

std::vector<DevEvent> ScriptAt(const TimedKey *keys, int count, float hz)
{
    std::vector<DevEvent> events;
    for (int i = 0; i < count; i++) {
        int frames = std::max(1, (int)std::lround(keys[i].seconds * hz));
        events.push_back({(int)std::lround(keys[i].at * hz), DEV_EVENT_PRESS, keys[i].key, frames, 0.0f, {}});
    }
    return events;
}

const TimedKey WALK[] = {
    {0.5f, 6.0f, KEY_W}, {4.0f, 5.0f, KEY_D}, {12.0f, 0.02f, KEY_J}, {14.0f, 8.0f, KEY_S},
    {25.0f, 0.02f, KEY_K}, {33.0f, 9.0f, KEY_A}, {44.0f, 10.0f, KEY_W}, {61.0f, 7.0f, KEY_D},
};

}  // namespace

TEST(FieldControls, HeldKeysCountKeysAndPadButtonsOnlyWithFocus)
{
    static FieldControls controls;
    static FrameInput frame;
    FieldControlsReset(controls);
    frame = {};
    frame.keyDown[KEY_W] = true;
    frame.padAvailable[0] = true;
    frame.padDown[0][InputPadButtonForKey(KEY_K)] = true;
    bool held[BINDINGS_KEY_COUNT];
    for (bool focused : {true, false}) {
        frame.focused = focused;
        InputTrackActivity(controls.devices, frame, 1.0f / 60.0f);
        FieldControlsHeldKeys(controls, frame, held);
        for (int k = 0; k < BINDINGS_KEY_COUNT; k++) {
            bool expected = focused && (k == BINDINGS_KEY_W || k == BINDINGS_KEY_K);
            EXPECT_EQ(held[k], expected) << "key " << k << " focused " << focused;
        }
    }
}

// Frames that must freeze the world exactly: no focus, a menu opening or closing, a dead frame
// time. Keys held and pressed, a wheel turn: nothing of the run changes. (Losing focus lets go
// of the keys, so the press order empties on the first unfocused frame; from then on nothing.)
TEST(FieldStep, FrozenFramesLeaveTheFieldByteIdentical)
{
    auto run = TestRunStart(FIELD_DEVELOPER_SEED);
    TestRunHold(*run, "W", 2.0f, 60.0f);
    TestRunFrame(*run, "WD", "J", 1.0f / 60.0f);
    TestRunFrame(*run, "WD", "", 1.0f / 60.0f);
    auto frozen = [&](float dt, bool focused, bool menu) {
        FrameInput &in = run->input;
        in = {};
        in.frameTime = dt;
        in.focused = focused;
        in.keyDown[KEY_W] = in.keyDown[KEY_D] = true;
        in.keyPressed[KEY_K] = true;
        in.wheel = focused ? 0.0f : 3.0f;
        FieldStepInput step{&in, menu, {0.0f, 0.0f, 1280.0f, 720.0f}, 5, nullptr};
        FieldStep(run->field, run->controls, step);
    };
    struct Case { float dt; bool menu; } cases[] = {
        {1.0f / 60.0f, true}, {0.0f, false}, {NAN, false}, {-1.0f, false}, {INFINITY, false},
    };
    for (const Case &c : cases) {
        auto before = std::make_unique<Field>(run->field);
        frozen(c.dt, true, c.menu);
        EXPECT_EQ(memcmp(&run->field, before.get(), sizeof(Field)), 0) << c.dt << " menu " << c.menu;
    }
    auto world = std::make_unique<Field>(run->field);
    frozen(1.0f / 60.0f, false, false);
    EXPECT_EQ(run->field.bindings.pressCount, 0);
    EXPECT_EQ(memcmp(&run->field.player, &world->player, sizeof(Player)), 0);
    EXPECT_EQ(run->field.bindings.clock, world->bindings.clock);
    EXPECT_EQ(run->field.totalTime, world->totalTime);
    auto unfocused = std::make_unique<Field>(run->field);
    for (int i = 0; i < 30; i++) frozen(1.0f / 60.0f, false, false);
    EXPECT_EQ(memcmp(&run->field, unfocused.get(), sizeof(Field)), 0);
}

// The same script at 30, 60 and 144 Hz: every exchange at the same game time with the same pair,
// and the walk ending in the same place within what the easing allows.
TEST(FieldStep, SameScriptGivesTheSameExchangesAtEveryRate)
{
    struct Result {
        std::vector<double> swapTimes;
        std::vector<int> pairs;
        Vector3 position;
    } results[3];
    for (int r = 0; r < 3; r++) {
        std::vector<DevEvent> events = ScriptAt(WALK, (int)(sizeof(WALK) / sizeof(WALK[0])), RATES[r]);
        DevScript script{events.data(), (int)events.size()};
        auto field = std::make_unique<Field>();
        auto run = std::make_unique<DevHeadless>();
        DevHeadlessReset(*run, *field, FIELD_DEVELOPER_SEED);
        // Immortal: the schedule is what is compared, not who survives the creatures.
        field->loop.immortal = true;
        int lastSwaps = 0;
        for (int i = 0; i < (int)(100.0f * RATES[r]); i++) {
            int pair = field->bindings.pairA * 8 + field->bindings.pairB;
            DevHeadlessFrame(*run, *field, script, 1.0f / RATES[r]);
            if (field->bindings.swapCount != lastSwaps) {
                lastSwaps = field->bindings.swapCount;
                results[r].swapTimes.push_back(field->bindings.lastSwapAt);
                results[r].pairs.push_back(pair);
            }
        }
        results[r].position = field->player.position;
        EXPECT_TRUE(run->consistent) << RATES[r];
        FieldRelease(*field);
    }
    ASSERT_EQ(results[0].swapTimes.size(), 3u);
    for (int r = 1; r < 3; r++) {
        EXPECT_EQ(results[r].swapTimes, results[0].swapTimes) << RATES[r];
        EXPECT_EQ(results[r].pairs, results[0].pairs) << RATES[r];
        // Key presses land on whole frames: up to one frame of walking apart, plus the easing.
        float slack = 2.7f / 30.0f + 0.02f;
        EXPECT_NEAR(results[r].position.x, results[0].position.x, slack) << RATES[r];
        EXPECT_NEAR(results[r].position.z, results[0].position.z, slack) << RATES[r];
    }
}

// Ten minutes of scripted walking and casting among the creatures: the consistency check holds on
// every frame.
TEST(FieldStep, TenMinuteRunStaysConsistent)
{
    std::vector<DevEvent> events;
    static const int KEYS[] = {KEY_W, KEY_D, KEY_J, KEY_S, KEY_A, KEY_K, KEY_W, KEY_A};
    for (int frame = 10, n = 0; frame < 36000; frame += 97, n++) {
        int key = KEYS[n % 8];
        events.push_back({frame, DEV_EVENT_PRESS, key, key == KEY_J || key == KEY_K ? 1 : 80, 0.0f, {}});
        if (n % 37 == 5) events.push_back({frame, DEV_EVENT_WHEEL, 0, 1, (n % 2) ? 4.0f : -4.0f, {}});
        if (n % 53 == 7) events.push_back({frame, DEV_EVENT_UNFOCUS, 0, 30, 0.0f, {}});
    }
    DevScript script{events.data(), (int)events.size()};
    auto field = std::make_unique<Field>();
    auto run = std::make_unique<DevHeadless>();
    DevHeadlessReset(*run, *field, 77);
    // The creatures fight back: immortal, the run lasts the whole ten minutes.
    field->loop.immortal = true;
    for (int i = 0; i < 36000; i++) DevHeadlessFrame(*run, *field, script, 1.0f / 60.0f);
    EXPECT_TRUE(run->consistent) << "first failure at frame " << run->firstInconsistent;
    // Unfocused frames stop the schedule's clock with the rest of the world.
    EXPECT_EQ(field->bindings.swapCount, (int)(field->totalTime / 30.0f));
    EXPECT_GT(field->bindings.swapCount, 18);
    EXPECT_GT(std::fabs(field->player.position.x) + std::fabs(field->player.position.z), 1.0f);
    FieldRelease(*field);
}

// A tap that goes down and up between two slow frames only shows in the pressed queue: it still
// casts.
TEST(FieldStep, ATapWithinOneFrameStillFires)
{
    auto run = TestRunStart(FIELD_DEVELOPER_SEED);
    TestRunHold(*run, "", 1.0f, 5.0f);
    FrameInput &in = run->input;
    in = {};
    in.frameTime = 0.2f;
    in.focused = true;
    in.keyPressed[KEY_J] = true;
    FieldStepInput step{&in, false, {0.0f, 0.0f, 1280.0f, 720.0f}, 5, nullptr};
    FieldStep(run->field, run->controls, step);
    EXPECT_GT(run->field.bindings.cooldown[0] + run->field.bindings.cooldown[1], 0.0f);
}

// The developer panel types from the snapshot's character queue.
TEST(FieldStep, DeveloperPanelTypesFromTheSnapshot)
{
    auto run = TestRunStart(FIELD_DEVELOPER_SEED);
    static const int CODE[6] = {KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C};
    for (int key : CODE) {
        FrameInput in{};
        in.focused = true;
        in.keyPressed[key] = true;
        FieldControlsObserve(run->controls, in);
    }
    ASSERT_TRUE(run->controls.cheat.activated);
    run->field.loop.debugPanelVisible = true;
    float top = DevPanelTop(false);
    auto frame = [&](Vector2 mouse, bool press, const char *typed, bool enter) {
        FrameInput &in = run->input;
        in = {};
        in.frameTime = 1.0f / 60.0f;
        in.focused = true;
        in.mouse = {mouse.x + 100.0f, mouse.y + 50.0f};   // the letterbox starts at (100, 50)
        in.mousePressed[0] = press;
        for (const char *c = typed; *c; c++) in.chars[in.charCount++] = *c;
        in.keyPressed[KEY_ENTER] = enter;
        FieldStepInput step{&in, false, {100.0f, 50.0f, 1280.0f, 720.0f}, 5, nullptr};
        FieldStep(run->field, run->controls, step);
    };
    frame({40.0f, top + 104.0f}, true, "", false);
    EXPECT_TRUE(FieldControlsTyping(run->controls));
    frame({40.0f, top + 104.0f}, false, "0,5", false);
    frame({40.0f, top + 104.0f}, false, "", true);
    EXPECT_FLOAT_EQ(run->controls.devPanel.opacity, 0.5f);
    EXPECT_FALSE(FieldControlsTyping(run->controls));
}

// Dead with no revive: the run resets on the frame where 2 s of game time have passed, at any
// rate, and the frames before freeze the player.
TEST(FieldStep, DeathEndsTheRunAfterTwoSecondsAtEveryRate)
{
    const int expected[] = {60, 120, 288};
    for (int r = 0; r < 3; r++) {
        auto run = TestRunStart(FIELD_DEVELOPER_SEED);
        run->field.loop.runActive = true;
        TestRunHold(*run, "W", 1.0f, RATES[r]);
        ASSERT_TRUE(HealthDamage(run->field.health, 20));
        Vector3 where = run->field.player.position;
        int frame = 0;
        FieldStepResult result{};
        while (frame < 1000 && !result.runReset) {
            frame++;
            result = TestRunFrame(*run, "W", "", 1.0f / RATES[r]);
            if (!result.runReset) {
                EXPECT_EQ(run->field.player.position.x, where.x);
            }
        }
        EXPECT_EQ(frame, expected[r]) << RATES[r];
        EXPECT_TRUE(result.deathReset);
        EXPECT_FALSE(run->field.loop.runActive);
        EXPECT_EQ(run->field.health.quarters, 20);
        EXPECT_EQ(run->field.deathTime, 0.0);
    }
}

// F4 skips the campaign to its next minute only once the cheat code is typed, and never in a
// frame with no time step (an unfocused window), however often it is pressed.
TEST(FieldStep, SkipKeyNeedsTheCheatCodeAndATimeStep)
{
    auto run = std::make_unique<TestRun>();
    FieldControlsReset(run->controls);
    run->field.loop.campaign = true;
    FieldReset(run->field, FIELD_DEVELOPER_SEED);
    TestRunHold(*run, "", 1.0f, 60.0f);
    auto pressF4 = [&](bool focused) {
        FrameInput &in = run->input;
        in = {};
        in.frameTime = 1.0f / 60.0f;
        in.focused = focused;
        in.keyPressed[KEY_F4] = true;
        FieldControlsObserve(run->controls, in);
        FieldStepInput step{&in, false, {0.0f, 0.0f, 1280.0f, 720.0f}, 5, nullptr};
        FieldStep(run->field, run->controls, step);
    };
    double before = run->field.campaign.clock;
    pressF4(true);
    EXPECT_NEAR(run->field.campaign.clock, before + 1.0 / 60.0, 1e-6) << "no cheat code yet";

    static const int CODE[6] = {KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C};
    for (int key : CODE) {
        FrameInput in{};
        in.focused = true;
        in.keyPressed[key] = true;
        FieldControlsObserve(run->controls, in);
    }
    ASSERT_TRUE(run->controls.cheat.activated);
    before = run->field.campaign.clock;
    for (int i = 0; i < 3; i++) pressF4(false);
    EXPECT_EQ(run->field.campaign.clock, before) << "an unfocused frame has no time step";
    pressF4(true);
    EXPECT_NEAR(run->field.campaign.clock, 60.0, 1.0 / 60.0 + 1e-6) << "skipped to the next whole minute";
}

// A wheel value that is not a number leaves the zoom where it was; a real one still zooms.
TEST(FieldStep, NonFiniteWheelLeavesTheZoom)
{
    auto run = TestRunStart(FIELD_DEVELOPER_SEED);
    float zoom = run->field.camera.viewHeight;
    for (float wheel : {NAN, INFINITY, -INFINITY}) {
        FrameInput &in = run->input;
        in = {};
        in.frameTime = 1.0f / 60.0f;
        in.focused = true;
        in.wheel = wheel;
        FieldStepInput step{&in, false, {0.0f, 0.0f, 1280.0f, 720.0f}, 5, nullptr};
        FieldStep(run->field, run->controls, step);
        EXPECT_EQ(run->field.camera.viewHeight, zoom) << wheel;
    }
    run->input.wheel = 1.0f;
    FieldStepInput step{&run->input, false, {0.0f, 0.0f, 1280.0f, 720.0f}, 5, nullptr};
    FieldStep(run->field, run->controls, step);
    EXPECT_LT(run->field.camera.viewHeight, zoom);
}
