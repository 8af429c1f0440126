#include "app/input.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Cheat, ActivatesExactlyOnceAtTheLastKeyOfTheCode)
{
    struct Case {
        std::vector<int> keys;
        int activatesAt;   // index of the key that completes the code, -1 for never
    };
    const Case cases[] = {
        {{KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C}, 5},
        {{KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_V}, -1},
        {{KEY_Z, KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C}, 6},        // a repeated Z restarts at 1
        {{KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_Z, KEY_X, KEY_C}, -1},
        {{KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C}, 5},
        {{KEY_A, KEY_Z, KEY_X, KEY_C, KEY_Q, KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C}, 10},
    };
    for (const Case &c : cases) {
        CheatState cheat;
        CheatReset(cheat);
        for (size_t i = 0; i < c.keys.size(); i++)
            EXPECT_EQ(CheatFeed(cheat, c.keys[i]), (int)i == c.activatesAt) << "key " << i;
        EXPECT_EQ(cheat.activated, c.activatesAt >= 0);
    }
}

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InputDevicesReset(devices);
        InputSetGamepad(false);
        frame = {};
        frame.focused = true;
        frame.padAvailable[0] = true;
        frame.padAvailable[1] = true;
    }
    // One frame with the given pad button pressed (and held) on `pad`.
    bool Step(float dt, int pad = -1, int button = 0, bool held = false)
    {
        for (int p = 0; p < INPUT_PAD_COUNT; p++)
            for (int b = 0; b < INPUT_PAD_BUTTONS; b++) frame.padPressed[p][b] = frame.padDown[p][b] = false;
        if (pad >= 0) {
            frame.padPressed[pad][button] = !held;
            frame.padDown[pad][button] = true;
        }
        bool changed = InputTrackActivity(devices, frame, dt);
        frame.mouseDelta = {0.0f, 0.0f};
        frame.keyPressed[KEY_Q] = false;
        return changed;
    }
    InputDevices devices{};
    FrameInput frame{};
};

TEST_F(InputTest, ModeFollowsTheLastDeviceUsedAndReportsEachChangeOnce)
{
    EXPECT_TRUE(Step(0.016f, 0, GAMEPAD_BUTTON_RIGHT_FACE_DOWN));
    EXPECT_TRUE(InputIsGamepad());
    EXPECT_FALSE(Step(0.016f, 0, GAMEPAD_BUTTON_RIGHT_FACE_DOWN, true));

    frame.mouseDelta = {4.0f, 0.0f};   // 4 pixels is not activity
    EXPECT_FALSE(Step(0.016f));
    EXPECT_TRUE(InputIsGamepad());
    frame.mouseDelta = {3.0f, 4.0f};   // 5 pixels is
    EXPECT_TRUE(Step(0.016f));
    EXPECT_FALSE(InputIsGamepad());
    EXPECT_FALSE(Step(0.016f));

    // A key in the same frame as a pad press wins.
    frame.keyPressed[KEY_Q] = true;
    EXPECT_FALSE(Step(0.016f, 0, GAMEPAD_BUTTON_LEFT_FACE_UP));
    EXPECT_FALSE(InputIsGamepad());
}

TEST_F(InputTest, RepeatsOnPressThenAt048AndEveryTenthAfterAtAnyFrameRate)
{
    for (float dt : {1.0f / 30.0f, 1.0f / 60.0f, 1.0f / 144.0f}) {
        SetUp();
        std::vector<float> times;
        float t = 0.0f;
        bool held = false;
        while (t < 0.75f) {
            Step(dt, 0, GAMEPAD_BUTTON_LEFT_FACE_UP, held);
            held = true;
            if (InputPadRepeat(devices, KEY_W)) times.push_back(devices.hold[GAMEPAD_BUTTON_LEFT_FACE_UP]);
            t += dt;
        }
        ASSERT_GE(times.size(), 4u) << dt;
        EXPECT_LE(times[0], dt * 1.01f) << dt;           // the press frame
        EXPECT_GE(times[1], 0.48f - 1e-4f) << dt;         // never at 0.38
        EXPECT_LT(times[1], 0.48f + dt) << dt;
        for (size_t i = 2; i < times.size(); i++) EXPECT_NEAR(times[i] - times[i - 1], 0.1f, dt * 1.01f) << dt;
    }
}

TEST_F(InputTest, FocusLossStopsRepeatsAndClearsTimers)
{
    Step(0.1f, 0, GAMEPAD_BUTTON_LEFT_FACE_UP);
    for (int i = 0; i < 4; i++) Step(0.1f, 0, GAMEPAD_BUTTON_LEFT_FACE_UP, true);
    EXPECT_GT(devices.hold[GAMEPAD_BUTTON_LEFT_FACE_UP], 0.4f);
    frame.focused = false;
    Step(0.1f, 0, GAMEPAD_BUTTON_LEFT_FACE_UP, true);
    EXPECT_FALSE(InputPadRepeat(devices, KEY_W));
    EXPECT_FALSE(InputPadDown(devices, KEY_W));
    EXPECT_EQ(devices.hold[GAMEPAD_BUTTON_LEFT_FACE_UP], 0.0f);
}

TEST_F(InputTest, SecondGamepadTakesOverAndRestartsAllTimers)
{
    Step(0.2f, 0, GAMEPAD_BUTTON_LEFT_FACE_UP);
    Step(0.2f, 0, GAMEPAD_BUTTON_LEFT_FACE_UP, true);
    EXPECT_EQ(devices.activePad, 0);
    EXPECT_GT(devices.hold[GAMEPAD_BUTTON_LEFT_FACE_UP], 0.3f);

    Step(0.016f, 1, GAMEPAD_BUTTON_RIGHT_FACE_RIGHT);
    EXPECT_EQ(devices.activePad, 1);
    EXPECT_EQ(devices.hold[GAMEPAD_BUTTON_LEFT_FACE_UP], 0.0f);
    EXPECT_TRUE(InputPadPressed(devices, KEY_K));
    EXPECT_TRUE(InputActionPressed(devices, frame, KEY_K));
    EXPECT_FALSE(InputPadPressed(devices, KEY_J));
}

TEST_F(InputTest, ButtonsMirrorTheSixKeysOnly)
{
    const int keys[] = {KEY_W, KEY_D, KEY_S, KEY_A, KEY_K, KEY_J, KEY_Q, KEY_ESCAPE};
    const int buttons[] = {1, 2, 3, 4, 6, 7, 0, 0};
    for (int i = 0; i < 8; i++) EXPECT_EQ(InputPadButtonForKey(keys[i]), buttons[i]);
    frame.padAvailable[0] = frame.padAvailable[1] = false;
    Step(0.016f);
    EXPECT_EQ(devices.activePad, -1);
    EXPECT_FALSE(InputPadStart(devices));
}
