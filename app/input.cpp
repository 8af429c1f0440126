#include "app/input.h"

#include <cmath>

int inputMode = INPUT_KEYBOARD;

void InputDevicesReset(InputDevices &devices)
{
    devices = {};
    devices.activePad = -1;
}

static void ClearHold(InputDevices &devices)
{
    for (float &h : devices.hold) h = 0.0f;
}

// Repeat steps counted from the delay, truncated toward zero so nothing fires before 0.48 s.
static long RepeatIndex(float timer) { return (long)std::trunc((timer - INPUT_REPEAT_DELAY) / INPUT_REPEAT_STEP); }

bool InputTrackActivity(InputDevices &devices, const FrameInput &frame, float dt)
{
    for (bool &r : devices.repeat) r = false;
    for (bool &p : devices.pressed) p = false;
    for (bool &d : devices.down) d = false;
    devices.focused = frame.focused;
    if (!frame.focused) {
        ClearHold(devices);
        return false;
    }
    if (!std::isfinite(dt) || dt < 0.0f) dt = 0.0f;
    int modeBefore = inputMode;

    bool keyboard = frame.mousePressed[0] || frame.mousePressed[1] ||
                    frame.mouseDelta.x * frame.mouseDelta.x + frame.mouseDelta.y * frame.mouseDelta.y > 16.0f;
    for (int key = 32; key < INPUT_KEY_LIMIT && !keyboard; key++) keyboard = frame.keyPressed[key];

    bool gamepad = false;
    if (devices.activePad >= 0 && !frame.padAvailable[devices.activePad]) devices.activePad = -1;
    for (int pad = 0; pad < INPUT_PAD_COUNT; pad++) {
        if (!frame.padAvailable[pad]) continue;
        if (devices.activePad < 0) devices.activePad = pad;
        for (int b = 1; b < INPUT_PAD_BUTTONS; b++) {
            if (!frame.padPressed[pad][b]) continue;
            if (pad != devices.activePad) ClearHold(devices);
            devices.activePad = pad;
            gamepad = true;
        }
    }

    if (devices.activePad >= 0) {
        int pad = devices.activePad;
        for (int b = 1; b < INPUT_PAD_BUTTONS; b++) {
            devices.pressed[b] = frame.padPressed[pad][b];
            devices.down[b] = frame.padDown[pad][b];
            if (!frame.padDown[pad][b]) {
                devices.hold[b] = 0.0f;
                continue;
            }
            float before = devices.hold[b];
            float after = before + dt;
            devices.hold[b] = after;
            devices.repeat[b] = frame.padPressed[pad][b] ||
                                (after >= INPUT_REPEAT_DELAY && RepeatIndex(after) != RepeatIndex(before));
        }
    }

    if (gamepad) inputMode = INPUT_GAMEPAD;
    if (keyboard) {
        inputMode = INPUT_KEYBOARD;
        return modeBefore == INPUT_GAMEPAD;
    }
    return inputMode != modeBefore;
}

bool InputIsGamepad() { return inputMode == INPUT_GAMEPAD; }

void InputSetGamepad(bool on) { inputMode = on ? INPUT_GAMEPAD : INPUT_KEYBOARD; }

int InputPadButtonForKey(int key)
{
    switch (key) {
    case KEY_W: return GAMEPAD_BUTTON_LEFT_FACE_UP;
    case KEY_D: return GAMEPAD_BUTTON_LEFT_FACE_RIGHT;
    case KEY_S: return GAMEPAD_BUTTON_LEFT_FACE_DOWN;
    case KEY_A: return GAMEPAD_BUTTON_LEFT_FACE_LEFT;
    case KEY_K: return GAMEPAD_BUTTON_RIGHT_FACE_RIGHT;
    case KEY_J: return GAMEPAD_BUTTON_RIGHT_FACE_DOWN;
    default: return 0;
    }
}

static bool PadQueryable(const InputDevices &devices) { return devices.focused && devices.activePad >= 0; }

bool InputPadDown(const InputDevices &devices, int key)
{
    int b = InputPadButtonForKey(key);
    return b > 0 && PadQueryable(devices) && devices.down[b];
}

bool InputPadPressed(const InputDevices &devices, int key)
{
    int b = InputPadButtonForKey(key);
    return b > 0 && PadQueryable(devices) && devices.pressed[b];
}

bool InputPadRepeat(const InputDevices &devices, int key)
{
    int b = InputPadButtonForKey(key);
    return b > 0 && PadQueryable(devices) && devices.repeat[b];
}

bool InputPadStart(const InputDevices &devices) { return PadQueryable(devices) && devices.pressed[INPUT_PAD_START]; }

bool InputActionPressed(const InputDevices &devices, const FrameInput &frame, int key)
{
    bool keyboard = key >= 0 && key < INPUT_KEY_LIMIT && frame.keyPressed[key];
    return keyboard || InputPadPressed(devices, key);
}

void CheatReset(CheatState &cheat) { cheat = {}; }

bool CheatFeed(CheatState &cheat, int key)
{
    static const int CODE[6] = {KEY_Z, KEY_X, KEY_C, KEY_Z, KEY_X, KEY_C};
    if (cheat.activated) return false;
    if (key == CODE[cheat.progress]) cheat.progress += 1;
    else cheat.progress = key == CODE[0] ? 1 : 0;
    if (cheat.progress < 6) return false;
    cheat.activated = true;
    cheat.progress = 0;
    return true;
}
