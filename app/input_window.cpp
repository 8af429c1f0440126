// Reads one frame of raylib input into a FrameInput snapshot (needs the window).
#include "app/input.h"

void FrameInputRead(FrameInput &frame)
{
    frame.frameTime = GetFrameTime();
    frame.focused = IsWindowFocused();
    frame.closeRequested = WindowShouldClose();
    frame.wheel = GetMouseWheelMove();
    frame.mouse = GetMousePosition();
    frame.mouseDelta = GetMouseDelta();
    frame.mousePressed[0] = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    frame.mousePressed[1] = IsMouseButtonPressed(MOUSE_BUTTON_RIGHT);
    for (int key = 0; key < INPUT_KEY_LIMIT; key++) {
        frame.keyPressed[key] = key >= 32 && IsKeyPressed(key);
        frame.keyDown[key] = key >= 32 && IsKeyDown(key);
    }
    for (int pad = 0; pad < INPUT_PAD_COUNT; pad++) {
        frame.padAvailable[pad] = IsGamepadAvailable(pad);
        for (int b = 0; b < INPUT_PAD_BUTTONS; b++) {
            frame.padPressed[pad][b] = frame.padAvailable[pad] && b > 0 && IsGamepadButtonPressed(pad, b);
            frame.padDown[pad][b] = frame.padAvailable[pad] && b > 0 && IsGamepadButtonDown(pad, b);
        }
    }
}
