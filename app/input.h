// Input devices: what one frame sees of keyboard, mouse and gamepads, which of the two the
// player is using, the six keys' gamepad buttons with hold-repeat, and the cheat code.
// Everything here works on a FrameInput snapshot, so scripts and tests can drive it.
#pragma once

#include "raylib.h"

constexpr int INPUT_KEY_LIMIT = 349;        // raylib key codes 0..348
constexpr int INPUT_PAD_COUNT = 4;          // gamepads 0..3
constexpr int INPUT_PAD_BUTTONS = 18;       // raylib buttons 0..17; 1..17 are tracked
constexpr int INPUT_PAD_START = 15;         // middle right
constexpr float INPUT_REPEAT_DELAY = 0.38f; // seconds before the automatic repeats start counting
constexpr float INPUT_REPEAT_STEP = 0.1f;   // seconds between automatic repeats
constexpr int INPUT_CHAR_CAPACITY = 32;     // typed characters kept per frame; more are dropped

enum InputMode { INPUT_KEYBOARD = 0, INPUT_GAMEPAD = 1 };

// What one frame sees of the outside world: read from raylib, or written by a developer script.
struct FrameInput {
    float frameTime;                                   // seconds since the last frame, unclamped
    bool focused;                                      // the window has focus
    bool closeRequested;                               // the window was asked to close
    float wheel;                                       // mouse wheel movement this frame
    Vector2 mouse;                                     // window coordinates
    Vector2 mouseDelta;                                // movement since the last frame, pixels
    bool mousePressed[2];                              // left, right went down this frame
    bool mouseDown[2];                                 // left, right held
    bool keyPressed[INPUT_KEY_LIMIT];                  // went down this frame
    bool keyDown[INPUT_KEY_LIMIT];                     // held
    bool keyRepeat[INPUT_KEY_LIMIT];                   // the system's key repeat fired this frame
    int chars[INPUT_CHAR_CAPACITY];                    // typed codepoints, in order
    int charCount;
    bool padAvailable[INPUT_PAD_COUNT];
    bool padPressed[INPUT_PAD_COUNT][INPUT_PAD_BUTTONS];
    bool padDown[INPUT_PAD_COUNT][INPUT_PAD_BUTTONS];
};

// Gamepad tracking across frames; lives for the process.
struct InputDevices {
    int activePad;                        // 0..3, or -1
    float hold[INPUT_PAD_BUTTONS];        // seconds each button has been held on the active pad
    bool repeat[INPUT_PAD_BUTTONS];       // this frame's repeat events
    bool focused;                         // focus seen by the last tracking call
    bool pressed[INPUT_PAD_BUTTONS];      // pressed this frame on the active pad
    bool down[INPUT_PAD_BUTTONS];         // held on the active pad
};

// The cheat code Z X C Z X C; activation happens once per process and is not saved.
struct CheatState {
    int progress;     // 0..5 keys of the code matched so far
    bool activated;
};

extern int inputMode;   // INPUT_KEYBOARD or INPUT_GAMEPAD; stored in the profile

void InputDevicesReset(InputDevices &devices);
// Once per frame before any input is read; true if the input mode changed this frame.
bool InputTrackActivity(InputDevices &devices, const FrameInput &frame, float dt);
bool InputIsGamepad();
void InputSetGamepad(bool on);
// Gamepad button mirroring a keyboard key (W D S A K J), or 0 for none.
int InputPadButtonForKey(int key);
bool InputPadDown(const InputDevices &devices, int key);
bool InputPadPressed(const InputDevices &devices, int key);
bool InputPadRepeat(const InputDevices &devices, int key);
bool InputPadStart(const InputDevices &devices);
// The key, or its gamepad button, was pressed this frame.
bool InputActionPressed(const InputDevices &devices, const FrameInput &frame, int key);

void CheatReset(CheatState &cheat);
// Feeds one pressed key code; true exactly when this key completes the code.
bool CheatFeed(CheatState &cheat, int key);

// Fills `frame` from raylib for this frame (needs the window).
void FrameInputRead(FrameInput &frame);
