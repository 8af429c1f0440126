// The canvas mapping, the menus' hash and the mud surface line.
#include "frontend/menu_canvas.h"

#include "common/maths.h"

#include <cmath>

MenuCanvas MenuCanvasFor(float windowWidth, float windowHeight)
{
    MenuCanvas c{};
    bool sized = IsFinite(windowWidth) && IsFinite(windowHeight) && windowWidth > 0.0f && windowHeight > 0.0f;
    c.width = sized ? windowWidth : MENU_CANVAS_WIDTH;
    c.height = sized ? windowHeight : MENU_CANVAS_HEIGHT;
    c.s = std::fmin(c.width / MENU_CANVAS_WIDTH, c.height / MENU_CANVAS_HEIGHT);
    c.x0 = (c.width - MENU_CANVAS_WIDTH * c.s) * 0.5f;
    c.y0 = (c.height - MENU_CANVAS_HEIGHT * c.s) * 0.5f;
    return c;
}

Vector2 MenuToWindow(const MenuCanvas &canvas, Vector2 point)
{
    return {canvas.x0 + canvas.s * point.x, canvas.y0 + canvas.s * point.y};
}

Rectangle MenuRectToWindow(const MenuCanvas &canvas, Rectangle rect)
{
    return {canvas.x0 + canvas.s * rect.x, canvas.y0 + canvas.s * rect.y, canvas.s * rect.width, canvas.s * rect.height};
}

Vector2 MenuToCanvas(const MenuCanvas &canvas, Vector2 windowPoint)
{
    return {(windowPoint.x - canvas.x0) / canvas.s, (windowPoint.y - canvas.y0) / canvas.s};
}

float MenuHash(uint32_t v)
{
    v ^= v >> ((v >> 28) + 4u);
    v *= 277803737u;
    float u = (float)((double)(v ^ (v >> 22)) * (1.0 / 4294967296.0));
    return u < 1.0f ? u : 0.99999994f;   // the float rounding of values near 2^32 would reach 1
}

float MudSurfaceY(const MenuCanvas &canvas, float x, float time)
{
    float t = IsFinite(time) && time > 0.0f ? time : 0.0f;
    float s = canvas.s;
    float u = x / s;
    float wave = 9.0f * std::sin(0.34f * t + 0.007f * u) + 4.0f * std::sin(0.023f * u - 0.58f * t) +
                 2.4f * std::cos(0.047f * u + 0.77f * t) + 3.0f * std::sin(2.0f * PI * x / canvas.width - 0.23f * t);
    return wave * s + canvas.height - 77.0f * s;
}
