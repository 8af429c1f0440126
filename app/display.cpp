// Display, pure half: the letterbox, the render size and its limit, and where a window returns
// from borderless fullscreen. No window.
#include "app/display.h"

#include <cmath>

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
    float steps = std::floor((float)percent * 0.01f * letterboxWidth / 16.0f + 0.5f);
    // Checked as a float first: converting NaN or a value beyond int to an integer is undefined.
    int n = steps >= 20.0f ? (steps < 100000000.0f ? (int)steps : 100000000) : 20;
    return {16 * n, 9 * n};
}

DisplaySize DisplayRenderSizeLimit(DisplaySize size, int largest)
{
    if (largest <= 0 || (size.width <= largest && size.height <= largest)) return size;
    int n = largest / 16;
    if (n < 1) n = 1;
    return {16 * n, 9 * n};
}

Vector2 DisplayRestorePosition(Vector2 windowedPosition, Vector2 rememberedMonitor, Vector2 monitorNow,
                               int monitorWidth, int monitorHeight, int windowWidth)
{
    Vector2 p = {windowedPosition.x + monitorNow.x - rememberedMonitor.x,
                 windowedPosition.y + monitorNow.y - rememberedMonitor.y};
    if (monitorNow.x == rememberedMonitor.x && monitorNow.y == rememberedMonitor.y) return p;
    float maxX = monitorNow.x + (float)(monitorWidth - 64 > 0 ? monitorWidth - 64 : 0);
    float minX = monitorNow.x - (float)(windowWidth - 64);
    float maxY = monitorNow.y + (float)(monitorHeight - 64 > 0 ? monitorHeight - 64 : 0);
    float minY = monitorNow.y + 32.0f;
    p.x = std::fmax(std::fmin(p.x, maxX), minX);
    p.y = std::fmax(std::fmin(p.y, maxY), minY);
    return p;
}
