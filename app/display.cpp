#include "app/display.h"

#include <cmath>

static int displayRenderScale = 100;   // percent, always 50..100

Rectangle DisplayLetterboxFor(int windowWidth, int windowHeight)
{
    if (windowWidth < 16 || windowHeight < 9) return {0.0f, 0.0f, 0.0f, 0.0f};
    int u = windowWidth / 16 < windowHeight / 9 ? windowWidth / 16 : windowHeight / 9;
    float width = 16.0f * (float)u;
    float height = 9.0f * (float)u;
    return {((float)windowWidth - width) * 0.5f, ((float)windowHeight - height) * 0.5f, width, height};
}

DisplaySize DisplayRenderSizeFor(int percent, float letterboxWidth)
{
    int n = (int)std::floor((float)percent * 0.01f * letterboxWidth / 16.0f + 0.5f);
    if (n < 20) n = 20;
    return {16 * n, 9 * n};
}

Rectangle DisplayLetterbox() { return DisplayLetterboxFor(GetScreenWidth(), GetScreenHeight()); }

DisplaySize DisplayRenderSize() { return DisplayRenderSizeFor(displayRenderScale, DisplayLetterbox().width); }

void DisplaySetRenderScale(int percent)
{
    if (percent < DISPLAY_RENDER_SCALE_MIN) percent = DISPLAY_RENDER_SCALE_MIN;
    if (percent > DISPLAY_RENDER_SCALE_MAX) percent = DISPLAY_RENDER_SCALE_MAX;
    displayRenderScale = percent;
}

int DisplayRenderScale() { return displayRenderScale; }
