// The clay droplet and its splash: the atmosphere's drops, the pointer's drips and the splashes
// where they land.
#include "frontend/menu_draw.h"

#include "common/maths.h"

#include <cmath>

static Color Faded(Color c, float opacity) { return Fade(c, ClampSafe(opacity, 0.0f, 1.0f)); }

void MudDropDraw(Vector2 centre, float r, float stretch, float opacity)
{
    if (!(r >= 0.35f) || !(opacity > 0.0f) || !IsFinite(centre) || !IsFinite(r) || !IsFinite(stretch)) return;
    float x = centre.x, y = centre.y;
    MenuDrawBegin();
    // The body: narrower above the centre than below, where the clay gathers.
    Vector2 rim[19];
    for (int i = 0; i < 19; i++) {
        float theta = -20.0f * (float)i * DEG2RAD;
        rim[i] = {x + r * std::cos(theta) * (0.83f + 0.17f * std::sin(theta)), y + r * stretch * std::sin(theta)};
    }
    Color body = Faded({31, 22, 17, 255}, opacity);
    for (int i = 0; i < 18; i++) DrawTriangle(centre, rim[i], rim[i + 1], body);
    DrawEllipseV({x - 0.08f * r, y + 0.18f * r}, 0.78f * r, 0.78f * r * stretch, Faded({95, 59, 32, 255}, opacity));
    DrawEllipseV({x - 0.25f * r, y - 0.18f * r}, 0.43f * r, 0.58f * r * stretch, Faded({134, 89, 50, 255}, 0.72f * opacity));
    DrawEllipseV({x - 0.3f * r, y - 0.35f * r}, 0.2f * r, 0.3f * r * stretch, Faded({230, 186, 122, 255}, 0.65f * opacity));
    DrawCircleV({x - 0.25f * r, y - 0.59f * r * stretch}, 0.14f * r, Faded({255, 227, 179, 255}, 0.65f * opacity));
    MenuDrawEnd();
}

void MudSplashDraw(float x, float surface, float r, float q, float s)
{
    if (!(q >= 0.0f) || !(q <= 1.35f) || !IsFinite(x) || !IsFinite(surface) || !IsFinite(r) || !(s > 0.0f)) return;
    float g = std::fmax(0.0f, 1.0f - q / 1.35f);
    float spread = (11.0f + 52.0f * std::sqrt(q)) * s;
    MenuDrawBegin();
    MenuFlatRingDraw({x, surface + 7.0f * s}, spread, 0.17f * spread, 1.8f * s, Faded({191, 135, 74, 255}, 0.42f * g));
    MenuFlatRingDraw({x, surface + 8.0f * s}, 0.73f * spread, 0.13f * spread, 1.1f * s, Faded({23, 17, 14, 255}, 0.56f * g));

    // The crown thrown up in the first moments.
    if (q < 0.42f) {
        float a = (6.0f + 24.0f * q) * s;
        float tip = surface - (8.0f + 25.0f * std::sin(PI * q / 0.42f)) * r / 8.0f;
        const Vector2 P[9] = {
            {x - 1.5f * a, surface + 3.0f * s}, {x - 1.25f * a, tip + 7.0f * s}, {x - 0.58f * a, surface - 4.0f * s},
            {x - 0.35f * a, tip + 14.0f * s},   {x, surface - 3.0f * s},         {x + 0.45f * a, tip + 9.0f * s},
            {x + 0.72f * a, surface - 2.0f * s}, {x + 1.4f * a, tip + 5.0f * s},  {x + 1.7f * a, surface + 4.0f * s},
        };
        Vector2 outline[33];
        for (int i = 0; i < 33; i++) {
            int seg = i / 4 < 8 ? i / 4 : 7;
            float f = i == 32 ? 1.0f : (float)(i % 4) / 4.0f;
            Vector2 pa = P[seg], pb = P[seg + 1];
            outline[i] = {pa.x + (pb.x - pa.x) * f, pa.y + (3.0f - 2.0f * f) * f * f * (pb.y - pa.y)};
        }
        float base = surface + 7.0f * s;
        Color top = {123, 81, 44, 255}, bottom = {76, 46, 27, 255};
        for (int i = 0; i < 32; i++) {
            Vector2 a0 = outline[i], a1 = outline[i + 1];
            MenuQuadDraw(a0, a1, {a1.x, base}, {a0.x, base}, top, top, bottom, bottom);
        }
        Color stroke = Faded({208, 150, 87, 255}, 0.52f);
        for (int i = 0; i < 32; i++) DrawLineEx(outline[i], outline[i + 1], 1.3f * s, stroke);
    }

    // Droplets flung out and falling back.
    for (uint32_t i = 0; i < 7; i++) {
        uint32_t b = i * 747796405u;
        float ti = q - 0.018f * (float)(i % 3);
        if (ti < 0.0f) continue;
        float yi = surface - (70.0f + 86.0f * MenuHash(b - 189079294u)) * s * ti + 200.0f * s * ti * ti;
        if (yi > surface + 3.0f * s) continue;
        float xi = x + (72.0f + 65.0f * MenuHash(b + 2029521438u)) * (((float)i - 3.0f) / 3.0f) * s * ti;
        MudDropDraw({xi, yi}, (0.17f + 0.16f * MenuHash(b - 597490045u)) * r, 1.08f, g);
    }
    MenuDrawEnd();
}
