// Display: the 16:9 letterbox inside the window and the scene's render size.
#pragma once

#include "raylib.h"

constexpr int DISPLAY_RENDER_SCALE_MIN = 50;   // percent of the letterbox width
constexpr int DISPLAY_RENDER_SCALE_MAX = 100;

struct DisplaySize {
    int width, height;
};

// Largest centred 16:9 rectangle of whole 16 × 9 steps in a window; all zeros below 16 × 9.
Rectangle DisplayLetterboxFor(int windowWidth, int windowHeight);
// Scene render size for a letterbox width at a render-scale percentage: 16:9, at least 320 × 180.
DisplaySize DisplayRenderSizeFor(int percent, float letterboxWidth);

// The same for the current window and the global render scale.
Rectangle DisplayLetterbox();
DisplaySize DisplayRenderSize();
void DisplaySetRenderScale(int percent);
int DisplayRenderScale();
