// Reads one frame of raylib input into a FrameInput snapshot (needs the window).
#include "app/input.h"

#include <cmath>

void FrameInputRead(FrameInput &frame)
{
    frame.frameTime = GetFrameTime();
    frame.focused = IsWindowFocused();
    frame.closeRequested = WindowShouldClose();
    // A broken driver's NaN wheel would make the zoom NaN: a wheel that is not finite is no wheel.
    float wheel = GetMouseWheelMove();
    frame.wheel = std::isfinite(wheel) ? wheel : 0.0f;
    frame.mouse = GetMousePosition();
    frame.mouseDelta = GetMouseDelta();
    frame.mousePressed[0] = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    frame.mousePressed[1] = IsMouseButtonPressed(MOUSE_BUTTON_RIGHT);
    frame.mouseDown[0] = IsMouseButtonDown(MOUSE_BUTTON_LEFT);
    frame.mouseDown[1] = IsMouseButtonDown(MOUSE_BUTTON_RIGHT);
    for (int key = 0; key < INPUT_KEY_LIMIT; key++) {
        frame.keyPressed[key] = key >= 32 && IsKeyPressed(key);
        frame.keyDown[key] = key >= 32 && IsKeyDown(key);
        frame.keyRepeat[key] = key >= 32 && IsKeyPressedRepeat(key);
    }
    // At a few frames per second a quick tap goes down and up between two frames: the key state
    // never shows it, but raylib's queue of pressed keys does.
    for (int key = GetKeyPressed(); key != 0; key = GetKeyPressed()) {
        if (key >= 32 && key < INPUT_KEY_LIMIT) frame.keyPressed[key] = true;
    }
    frame.charCount = 0;
    for (int c = GetCharPressed(); c != 0; c = GetCharPressed()) {
        if (frame.charCount < INPUT_CHAR_CAPACITY) frame.chars[frame.charCount++] = c;
    }
    for (int pad = 0; pad < INPUT_PAD_COUNT; pad++) {
        frame.padAvailable[pad] = IsGamepadAvailable(pad);
        for (int b = 0; b < INPUT_PAD_BUTTONS; b++) {
            frame.padPressed[pad][b] = frame.padAvailable[pad] && b > 0 && IsGamepadButtonPressed(pad, b);
            frame.padDown[pad][b] = frame.padAvailable[pad] && b > 0 && IsGamepadButtonDown(pad, b);
        }
    }
}
