// Developer self-check of the menus ("--test-menu", no window), and the small driver it and the
// "--capture-menu" pictures play the menus with: frames of keys, pad buttons and mouse moves
// through the same input reading and menu frame the game uses.
#pragma once

#include "frontend/menu.h"

// A menu with its profile and a pretend device, one frame per call.
struct DevMenuDriver {
    MenuState menu;
    Profile profile;
    bool runActive;
    bool pausedThisFrame;
    bool gamepad;          // the pad drives the menus (pad buttons instead of keys)
    Vector2 mouse;         // window pixels
    float width, height;   // window size
    float dt;              // seconds per frame
};

// A fresh menu on a default profile in a window of the given size.
void DevMenuDriverReset(DevMenuDriver &driver, bool gamepad, float width, float height);
// One frame with nothing pressed.
int DevMenuIdle(DevMenuDriver &driver, int frames);
// One frame with a key pressed (raylib key code); with the gamepad, a pad button instead.
int DevMenuPress(DevMenuDriver &driver, int keyOrButton, bool shift = false);
// One frame with the left button held where the mouse is (a drag).
int DevMenuHold(DevMenuDriver &driver);
// One frame with the mouse at a canvas point, clicking or not.
int DevMenuMouse(DevMenuDriver &driver, Vector2 canvasPoint, bool click);
// The label of the focused control, "" for none.
const char *DevMenuFocused(const DevMenuDriver &driver);

// Runs the menus' checks without a window; prints one line per check and "N passed, N failed";
// 0 when all hold.
int DevTestMenu();
