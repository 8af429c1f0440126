// The 1280 x 720 reference canvas of the menus and its mapping into the window, the menus' hash,
// and the surface line of the mud band along the bottom of the screens, shared by the atmosphere
// picture (menu_backdrop_draw.cpp) and the pointer drips that land on it. Pure.
#pragma once

#include "raylib.h"

#include <cstdint>

constexpr float MENU_CANVAS_WIDTH = 1280.0f;   // the reference canvas every screen is laid out on
constexpr float MENU_CANVAS_HEIGHT = 720.0f;

// Where the reference canvas lies in a window: point (x, y) maps to (x0 + s x, y0 + s y).
struct MenuCanvas {
    float width, height;   // the window size used (1280 x 720 when the window has none)
    float s;               // uniform scale
    float x0, y0;          // window position of the canvas origin
};

// The canvas in a window of the given size; a zero, negative or non-finite size counts as
// 1280 x 720, so nothing downstream ever divides by zero.
MenuCanvas MenuCanvasFor(float windowWidth, float windowHeight);
Vector2 MenuToWindow(const MenuCanvas &canvas, Vector2 point);
Rectangle MenuRectToWindow(const MenuCanvas &canvas, Rectangle rect);
Vector2 MenuToCanvas(const MenuCanvas &canvas, Vector2 windowPoint);

// The menus' fixed 32-bit hash of v, a number in [0, 1).
float MenuHash(uint32_t v);

// Height (window pixels) of the mud surface at window x, at menu time `time`. A negative or
// non-finite time counts as 0.
float MudSurfaceY(const MenuCanvas &canvas, float x, float time);
