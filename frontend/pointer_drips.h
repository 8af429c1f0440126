// The mud drops that fall from the menus' pointer: emitted at the tip of the pointer's hanging
// drop, falling under gravity onto the mud band at the bottom of the window and splashing there,
// or, on screens without the band, fading out in the air. Pure; drawn in pointer_drips_draw.cpp.
//
// Positions are kept as fractions of the window so that a resized window keeps its drips; a window
// without a size (minimised on Windows reports 0 x 0) is treated as the 1280 x 720 canvas.
#pragma once

#include "raylib.h"

#include <cstdint>

constexpr int POINTER_DRIP_CAPACITY = 24;
constexpr float POINTER_DRIP_INTERVAL = 0.58f;   // seconds between emissions while the pointer is inside
constexpr float POINTER_DRIP_GRAVITY = 1100.0f;  // canvas pixels per second squared
constexpr float POINTER_DRIP_FADE = 0.45f;       // seconds a drip lives without a surface to land on
constexpr float POINTER_DRIP_SPLASH = 1.35f;     // seconds a landed drip splashes

struct PointerDrip {
    float x, y;      // fractions of the window width and height
    float speed;     // downwards, canvas pixels per second
    float age;       // seconds since emission, or since landing
    float radius;    // canvas pixels
    bool active;
    bool landed;
};

struct PointerDrips {
    Vector2 pointer;   // window pixels, as last given
    float timer;       // seconds toward the next emission
    uint32_t emitted;  // drips emitted so far (seeds each one's radius)
    bool inside;       // the pointer is inside the window
    bool falling;      // drips fall onto the mud surface (off: they fade in the air)
    PointerDrip slots[POINTER_DRIP_CAPACITY];
};

// Once per menu frame: stores the pointer, ages, moves, lands and frees the drips and emits a
// new one every 0.58 s while the pointer is inside the window. A change of `falling` clears every
// drip. `time` is the menu time (it moves the mud surface); the window size may be 0. Nothing but
// the pointer changes unless dt is finite and positive.
void PointerDripsUpdate(PointerDrips &drips, Vector2 pointer, float dt, bool falling, float time, float windowWidth,
                        float windowHeight);
// Slots in use.
int PointerDripsActive(const PointerDrips &drips);
