// The pointer's falling mud drops.
#include "frontend/pointer_drips.h"

#include "common/maths.h"
#include "frontend/menu_canvas.h"

#include <cmath>

int PointerDripsActive(const PointerDrips &drips)
{
    int n = 0;
    for (const PointerDrip &d : drips.slots) n += d.active ? 1 : 0;
    return n;
}

void PointerDripsUpdate(PointerDrips &drips, Vector2 pointer, float dt, bool falling, float time, float windowWidth,
                        float windowHeight)
{
    // A minimised window has no height: the canvas stands in, so no drip ever divides by zero.
    MenuCanvas c = MenuCanvasFor(windowWidth, windowHeight);
    float w = c.width, h = c.height, s = c.s;
    drips.pointer = pointer;
    drips.inside = IsFinite(pointer) && pointer.x >= 0.0f && pointer.x < w && pointer.y >= 0.0f && pointer.y < h;
    if (!IsFinite(dt) || dt <= 0.0f) return;

    if (falling != drips.falling) {
        for (PointerDrip &d : drips.slots) d.active = false;
        drips.timer = 0.0f;
        drips.falling = falling;
    }

    for (PointerDrip &d : drips.slots) {
        if (!d.active) continue;
        d.age += dt;
        if (!d.landed) {
            d.y += (d.speed * dt + 0.5f * POINTER_DRIP_GRAVITY * dt * dt) * s / h;
            d.speed += POINTER_DRIP_GRAVITY * dt;
            if (falling) {
                float surface = MudSurfaceY(c, d.x * w, time) / h;
                if (d.y >= surface) {
                    d.y = surface;
                    d.landed = true;
                    d.age = 0.0f;
                }
            } else if (d.age > POINTER_DRIP_FADE) {
                d.active = false;
            }
            if (!d.landed && d.y > 1.1f) d.active = false;
        } else if (d.age > POINTER_DRIP_SPLASH) {
            d.active = false;
        }
        // A value that went bad can never meet a limit: free the slot rather than keep it forever.
        if (!IsFinite(d.x) || !IsFinite(d.y) || !IsFinite(d.speed) || !IsFinite(d.age)) d.active = false;
    }

    if (!drips.inside) return;
    drips.timer += dt;
    if (drips.timer < POINTER_DRIP_INTERVAL) return;
    drips.timer = std::fmod(drips.timer, POINTER_DRIP_INTERVAL);
    for (PointerDrip &d : drips.slots) {
        if (d.active) continue;
        d = PointerDrip{};
        d.x = (pointer.x + 19.0f * s) / w;
        d.y = (pointer.y + 34.0f * s) / h;
        d.speed = 28.0f;
        d.radius = 3.3f + 1.8f * MenuHash(drips.emitted * 747796405u - 655834438u);
        d.active = true;
        drips.emitted += 1;
        break;
    }
}
