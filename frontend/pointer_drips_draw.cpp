// The pointer's drips, then the pointer itself: the last thing a menu frame draws.
#include "frontend/menu_draw.h"

#include "app/display.h"

#include <cmath>

void PointerDripsDraw(const PointerDrips &drips, float time)
{
    MenuCanvas c = MenuWindowCanvas();
    float s = c.s;
    MenuDrawBegin();
    for (const PointerDrip &d : drips.slots) {
        if (!d.active) continue;
        float x = d.x * c.width;
        if (d.landed) {
            MudSplashDraw(x, MudSurfaceY(c, x, time), s * d.radius, d.age, s);
        } else {
            float opacity = drips.falling ? 1.0f : std::fmax(0.0f, 1.0f - d.age / POINTER_DRIP_FADE);
            MudDropDraw({x, d.y * c.height}, s * d.radius, 1.2f + std::fmin(0.8f, d.speed / 600.0f), opacity);
        }
    }
    if (drips.inside) DisplayDrawCursor(drips.pointer, time);
    MenuDrawEnd();
}
