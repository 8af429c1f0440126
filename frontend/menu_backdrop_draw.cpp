// The menus' backdrop (a still picture) and the band of liquid mud along the bottom of the window.
//
// Index
//   [SECTION] Backdrop
//   [SECTION] Atmosphere
#include "frontend/menu_draw.h"

#include "common/maths.h"

#include <cmath>

static Color Faded(Color c, float opacity) { return Fade(c, ClampSafe(opacity, 0.0f, 1.0f) * (float)c.a / 255.0f); }

// [SECTION] Backdrop

void MenuBackdropDraw()
{
    MenuCanvas c = MenuWindowCanvas();
    int w = (int)std::ceil(c.width), h = (int)std::ceil(c.height);
    DrawRectangle(0, 0, w, h, {29, 23, 21, 255});
    DrawRectangleGradientV(0, 0, w, h, {55, 40, 31, 255}, {27, 24, 24, 255});

    for (uint32_t i = 0; i < 55; i++) {
        uint32_t d = i * 1859766947u;
        Vector2 centre = {MenuHash(839758372u - d) * 1440.0f - 80.0f, MenuHash(1587554777u - d) * 880.0f - 80.0f};
        float r = MenuHash((uint32_t)-1959616114 - d) * 160.0f + 40.0f;
        Color colour = i % 3 == 0 ? Color{126, 80, 46, 14} : Color{79, 53, 35, 20};
        DrawEllipseV(MenuToWindow(c, centre), r * c.s, 0.42f * r * c.s, colour);
    }

    for (int k = 0; k < 9; k++) {
        auto y = [k](float x) {
            return 680.0f + 13.0f * (float)k + 32.0f * std::sin(0.008f * x + 0.4f * (float)k) + 6.0f * std::cos(0.022f * x);
        };
        for (int j = 0; j < 32; j++) {
            float x0 = 42.0f * (float)j, x1 = x0 + 42.0f;
            DrawLineEx(MenuToWindow(c, {x0, y(x0)}), MenuToWindow(c, {x1, y(x1)}), 2.0f * c.s, {141, 92, 51, 18});
        }
    }

    for (uint32_t i = 0; i < 130; i++) {
        uint32_t f = i * 939607539u;
        Vector2 p = {MenuHash(f - 903319789u) * 1280.0f, MenuHash(f - 155523384u) * 720.0f};
        float r = MenuHash(f + 592273021u) * 1.8f + 0.6f;
        DrawCircleV(MenuToWindow(c, p), r * c.s, {209, 163, 103, 18});
    }
}

// [SECTION] Atmosphere

// One of the seven drops that fall into the band, each on its own cycle.
struct AtmosphereDrop {
    float x;         // window pixels
    float tau;       // seconds into the cycle
    float duration;  // seconds of the fall
    float r;         // window pixels
};

static AtmosphereDrop DropAt(uint32_t j, float time, float width, float s)
{
    float period = 5.7f + 2.8f * MenuHash(j * 747796405u - 464023304u);
    float h = time / period + 2.0f * MenuHash(j * 747796405u + 303221232u);
    float cycle = std::floor(h);
    uint32_t a = j * 711570319u - (uint32_t)(int64_t)cycle * 89230127u;
    AtmosphereDrop d{};
    d.x = (0.02f + 0.96f * MenuHash(a - 297757552u)) * width;
    d.tau = (h - cycle) * period;
    d.duration = 1.95f + 0.65f * MenuHash(a - 958994006u);
    d.r = (5.5f + 4.5f * MenuHash(a - 261531466u)) * s;
    return d;
}

void MenuAtmosphereDraw(float time)
{
    int sw = GetScreenWidth(), sh = GetScreenHeight();
    if (sw <= 0 || sh <= 0) return;
    float t = IsFinite(time) && time > 0.0f ? time : 0.0f;
    MenuCanvas c = MenuCanvasFor((float)sw, (float)sh);
    float w = c.width, h = c.height, s = c.s;
    MenuDrawBegin();

    // Falling drops, before the band they fall into.
    for (uint32_t j = 0; j < 7; j++) {
        AtmosphereDrop d = DropAt(j, t, w, s);
        if (d.tau >= d.duration) continue;
        float m = d.tau / d.duration;
        float y = (MudSurfaceY(c, d.x, t) + 34.0f * s) * m * m - 34.0f * s;
        MudDropDraw({d.x, y}, d.r, 1.12f + 0.88f * m, 1.0f);
        if (m > 0.22f) MudDropDraw({d.x + 2.5f * s, y - (26.0f + 21.0f * m) * s}, 0.25f * d.r, 1.32f, 0.63f);
    }

    // Strata under the surface, sampled at 97 points across the window.
    float xs[97], ys[97];
    for (int k = 0; k <= 96; k++) {
        xs[k] = (float)k * w / 96.0f;
        ys[k] = MudSurfaceY(c, xs[k], t);
    }
    static const float EDGES[7] = {-3.0f, 0.0f, 3.0f, 9.0f, 18.0f, 35.0f, 65.0f};
    static const Color BANDS[8] = {{22, 17, 14, 0},  {48, 31, 22, 255}, {117, 77, 42, 255}, {91, 56, 31, 255},
                                   {66, 41, 25, 255}, {49, 32, 22, 255}, {37, 26, 19, 255},  {29, 22, 17, 255}};
    for (int n = 0; n < 7; n++) {
        for (int k = 0; k < 96; k++) {
            Vector2 topA = {xs[k], ys[k] + EDGES[n] * s}, topB = {xs[k + 1], ys[k + 1] + EDGES[n] * s};
            Vector2 bottomA = {xs[k], n < 6 ? ys[k] + EDGES[n + 1] * s : h + 2.0f};
            Vector2 bottomB = {xs[k + 1], n < 6 ? ys[k + 1] + EDGES[n + 1] * s : h + 2.0f};
            MenuQuadDraw(topA, topB, bottomB, bottomA, BANDS[n], BANDS[n], BANDS[n + 1], BANDS[n + 1]);
        }
    }

    // Glints where two slow waves agree.
    for (int k = 0; k < 96; k++) {
        float g = std::sin(0.008f * xs[k] / s + 0.33f * t) * std::sin(0.021f * xs[k] / s - 0.19f * t);
        if (g <= 0.12f) continue;
        DrawLineEx({xs[k], ys[k] + 3.4f * s}, {xs[k + 1], ys[k + 1] + 3.4f * s}, 1.7f * s,
                   Faded({227, 177, 107, 255}, (g - 0.12f) / 2.0f));
    }

    // Ripple rings drifting in the band.
    for (uint32_t k = 0; k < 13; k++) {
        uint32_t a = k * 747796405u;
        float r = (8.0f + 32.0f * MenuHash(a - 1220587136u)) * s;
        float x = 9.0f * s * std::sin(1.7f * (float)k + 0.13f * t) + MenuHash(a - 1126016657u) * w;
        float y = MudSurfaceY(c, x, t) + (20.0f + 39.0f * MenuHash(a + 2054309921u)) * s;
        MenuFlatRingDraw({x, y}, r, 0.12f * r, 1.2f * s, Faded({189, 120, 60, 255}, 0.1f + 0.055f * std::sin((float)k + 0.41f * t)));
    }

    // Splashes last, over everything of the band.
    for (uint32_t j = 0; j < 7; j++) {
        AtmosphereDrop d = DropAt(j, t, w, s);
        MudSplashDraw(d.x, MudSurfaceY(c, d.x, t), d.r, d.tau - d.duration, s);
    }
    MenuDrawEnd();
}
