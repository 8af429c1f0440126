// Draws the opening comic's picture, assets/comic/intro.png: four 1200 x 576 panels as the
// quadrants of one 2400 x 1152 page, in reading order, in a retro half-tone style with a dark
// strip along each panel's bottom edge (the page lays its captions over it):
//   1. the long ship with its lander docked beneath, nearing the orange mud planet;
//   2. the astronaut in the cockpit with a steaming cup of tea, the planet in the window;
//   3. a gloved finger pressing the orange "ВЫСАДИТЬСЯ" button beside the teal "ЧАЙ" one;
//   4. the lander, undocked, flying from the ship down to the planet.
//
// Everything is drawn on the CPU as signed-distance shapes with one pixel of smoothing; raylib is
// used only to rasterise the lettering from the game's own font and to write the PNG, so the tool
// needs no window. The committed PNG is what the game embeds; this is run by hand:
//
//     make_comic [font.ttf] [out.png]      (defaults: assets/fonts/Exo2-Bold.ttf, assets/comic/intro.png)
//
// Index
//   [SECTION] Canvas
//   [SECTION] Shapes
//   [SECTION] Painting
//   [SECTION] Lettering
//   [SECTION] Shared scenery
//   [SECTION] Panels
//   [SECTION] Entry
#include "raylib.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

// [SECTION] Canvas

constexpr int PANEL_W = 1200, PANEL_H = 576;
constexpr int PAGE_W = 2 * PANEL_W, PAGE_H = 2 * PANEL_H;
constexpr float STRIP_Y = 486.0f;   // the dark caption strip starts here in every panel

struct V2 {
    float x, y;
};
static V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
static V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
static V2 operator*(V2 a, float s) { return {a.x * s, a.y * s}; }
static float Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
static float Len(V2 a) { return std::sqrt(Dot(a, a)); }
static V2 Rot(V2 p, float a) { return {p.x * std::cos(a) - p.y * std::sin(a), p.x * std::sin(a) + p.y * std::cos(a)}; }

struct Rgb {
    float r, g, b;
};
static Rgb C(int r, int g, int b) { return {(float)r, (float)g, (float)b}; }
static Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
static float Clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }
static float Smooth(float a, float b, float x)
{
    float t = Clamp01((x - a) / (b - a));
    return t * t * (3.0f - 2.0f * t);
}

static const Rgb INK = C(27, 32, 34);

// The page, and the panel being painted: every position below is panel-local.
struct Canvas {
    std::vector<Rgb> pixels;
    int ox = 0, oy = 0;   // the panel's corner on the page
};
static Canvas page;

static void Blend(int x, int y, Rgb c, float a)
{
    if (a <= 0.0f || x < 0 || y < 0 || x >= PANEL_W || y >= PANEL_H) return;
    Rgb &p = page.pixels[(size_t)(page.oy + y) * PAGE_W + (size_t)(page.ox + x)];
    p = Mix(p, c, Clamp01(a));
}

// [SECTION] Shapes

using Sdf = std::function<float(V2)>;

static Sdf Circle(V2 c, float r)
{
    return [=](V2 p) { return Len(p - c) - r; };
}

static Sdf Ellipse(V2 c, V2 r, float angle = 0.0f)
{
    return [=](V2 p) {
        V2 q = Rot(p - c, -angle);
        float k = Len({q.x / r.x, q.y / r.y});
        return (k - 1.0f) * std::min(r.x, r.y);
    };
}

// A rectangle of half size h round c, its corners rounded by rr, turned by angle.
static Sdf Box(V2 c, V2 h, float rr = 0.0f, float angle = 0.0f)
{
    return [=](V2 p) {
        V2 q = Rot(p - c, -angle);
        V2 d = {std::fabs(q.x) - h.x + rr, std::fabs(q.y) - h.y + rr};
        V2 o = {std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
        return Len(o) + std::min(std::max(d.x, d.y), 0.0f) - rr;
    };
}

static Sdf Segment(V2 a, V2 b, float r)
{
    return [=](V2 p) {
        V2 pa = p - a, ba = b - a;
        float t = Clamp01(Dot(pa, ba) / std::max(Dot(ba, ba), 1e-6f));
        return Len(pa - ba * t) - r;
    };
}

// A segment whose radius runs from ra to rb.
static Sdf Tapered(V2 a, V2 b, float ra, float rb)
{
    return [=](V2 p) {
        V2 pa = p - a, ba = b - a;
        float t = Clamp01(Dot(pa, ba) / std::max(Dot(ba, ba), 1e-6f));
        return Len(pa - ba * t) - (ra + (rb - ra) * t);
    };
}

// Any simple polygon, exact signed distance.
static Sdf Polygon(std::vector<V2> v)
{
    return [=](V2 p) {
        float d = Dot(p - v[0], p - v[0]);
        float s = 1.0f;
        for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i, i++) {
            V2 e = v[j] - v[i], w = p - v[i];
            V2 b = w - e * Clamp01(Dot(w, e) / Dot(e, e));
            d = std::min(d, Dot(b, b));
            bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y, c3 = e.x * w.y > e.y * w.x;
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
        }
        return s * std::sqrt(d);
    };
}

static Sdf Union(Sdf a, Sdf b)
{
    return [=](V2 p) { return std::min(a(p), b(p)); };
}
static Sdf Cut(Sdf a, Sdf b)
{
    return [=](V2 p) { return std::max(a(p), -b(p)); };
}
static Sdf Inter(Sdf a, Sdf b)
{
    return [=](V2 p) { return std::max(a(p), b(p)); };
}

// [SECTION] Painting

struct Bounds {
    float x0, y0, x1, y1;
};
static const Bounds ALL = {0.0f, 0.0f, (float)PANEL_W, (float)PANEL_H};

// Paints every pixel of `b` that `shape` covers with colour(p) at opacity alpha.
static void Paint(const Sdf &shape, const std::function<Rgb(V2)> &colour, float alpha = 1.0f, Bounds b = ALL)
{
    int x0 = std::max(0, (int)std::floor(b.x0)), y0 = std::max(0, (int)std::floor(b.y0));
    int x1 = std::min(PANEL_W, (int)std::ceil(b.x1)), y1 = std::min(PANEL_H, (int)std::ceil(b.y1));
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) {
            V2 p = {(float)x + 0.5f, (float)y + 0.5f};
            float d = shape(p);
            if (d > 1.0f) continue;
            Blend(x, y, colour(p), alpha * Clamp01(0.5f - d));
        }
}

static void Fill(const Sdf &shape, Rgb colour, float alpha = 1.0f, Bounds b = ALL)
{
    Paint(shape, [=](V2) { return colour; }, alpha, b);
}

// The shape's outline, `width` wide, centred on its edge.
static void Outline(const Sdf &shape, float width, Rgb colour = INK, float alpha = 1.0f, Bounds b = ALL)
{
    float h = 0.5f * width;
    Fill([=](V2 p) { return std::fabs(shape(p)) - h; }, colour, alpha, b);
}

// Printed shading: dots on a 45-degree grid, larger where shade(p) (0..1) is higher.
static void Halftone(const Sdf &shape, const std::function<float(V2)> &shade, Rgb colour, float spacing = 9.0f,
                     float alpha = 1.0f, Bounds b = ALL)
{
    const float a = 0.7853982f;
    Fill(
        [=](V2 p) {
            float inside = shape(p);
            V2 q = Rot(p, a) * (1.0f / spacing);
            V2 cell = {q.x - std::floor(q.x) - 0.5f, q.y - std::floor(q.y) - 0.5f};
            V2 centre = Rot(V2{q.x - cell.x, q.y - cell.y} * spacing, -a);
            float s = Clamp01(shade(centre));
            float r = 0.62f * spacing * std::sqrt(s);
            float dot = Len(cell) * spacing - r;
            return std::max(inside, s <= 0.0f ? 1e9f : dot);
        },
        colour, alpha, b);
}

static Bounds Around(V2 c, float r) { return {c.x - r, c.y - r, c.x + r, c.y + r}; }

// Small deterministic noise for stars and mottling.
static uint32_t rngState = 1906723731u;
static float Random()
{
    rngState = rngState * 1664525u + 1013904223u;
    return (float)(rngState >> 8) * (1.0f / 16777216.0f);
}

static float Hash2(float x, float y)
{
    float h = std::sin(x * 127.1f + y * 311.7f) * 43758.5453f;
    return h - std::floor(h);
}

static float ValueNoise(V2 p)
{
    float ix = std::floor(p.x), iy = std::floor(p.y);
    float fx = p.x - ix, fy = p.y - iy;
    float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy);
    float a = Hash2(ix, iy), b = Hash2(ix + 1, iy), c = Hash2(ix, iy + 1), d = Hash2(ix + 1, iy + 1);
    return a + (b - a) * ux + (c - a) * uy + (a - b - c + d) * ux * uy;
}

// [SECTION] Lettering

static std::vector<unsigned char> fontFile;

// Draws `text` (UTF-8) with its top-left at `at`, `size` pixels high, optionally centred on at.x.
static float Lettering(const char *text, V2 at, int size, Rgb colour, bool centred = false, float alpha = 1.0f)
{
    int count = 0;
    int *codepoints = LoadCodepoints(text, &count);
    int glyphCount = 0;
    GlyphInfo *glyphs = LoadFontData(fontFile.data(), (int)fontFile.size(), size, codepoints, count, FONT_DEFAULT, &glyphCount);
    float width = 0.0f;
    for (int i = 0; i < glyphCount; i++) width += (float)glyphs[i].advanceX;
    float x = centred ? at.x - 0.5f * width : at.x;
    for (int i = 0; i < glyphCount && glyphs; i++) {
        const GlyphInfo &g = glyphs[i];
        const unsigned char *px = (const unsigned char *)g.image.data;
        for (int y = 0; y < g.image.height && px; y++)
            for (int gx = 0; gx < g.image.width; gx++) {
                float a = (float)px[y * g.image.width + gx] / 255.0f;
                Blend((int)(x + (float)g.offsetX) + gx, (int)(at.y + (float)g.offsetY) + y, colour, a * alpha);
            }
        x += (float)g.advanceX;
    }
    UnloadFontData(glyphs, glyphCount);
    UnloadCodepoints(codepoints);
    return width;
}

// [SECTION] Shared scenery

static void Space(Rgb top, Rgb bottom, int stars)
{
    Paint([](V2) { return -10.0f; }, [=](V2 p) { return Mix(top, bottom, Clamp01(p.y / STRIP_Y)); });
    // A faint printed nebula across the dark.
    Halftone([](V2) { return -10.0f; },
             [](V2 p) {
                 float n = ValueNoise(p * 0.006f) * 0.7f + ValueNoise(p * 0.017f) * 0.3f;
                 return Smooth(0.55f, 0.9f, n) * 0.45f;
             },
             C(70, 96, 130), 10.0f, 0.55f);
    for (int i = 0; i < stars; i++) {
        V2 c = {Random() * PANEL_W, Random() * STRIP_Y};
        float r = 0.7f + 1.6f * Random() * Random();
        float bright = 0.55f + 0.45f * Random();
        Fill(Circle(c, r), C(250, 246, 226), bright, Around(c, r + 2));
        if (r > 1.7f) {
            Fill(Segment(c - V2{7, 0}, c + V2{7, 0}, 0.6f), C(250, 246, 226), 0.7f, Around(c, 9));
            Fill(Segment(c - V2{0, 7}, c + V2{0, 7}, 0.6f), C(250, 246, 226), 0.7f, Around(c, 9));
        }
    }
}

// The orange mud planet: bands, mud blots, a printed night side, a lit rim and a glow.
static void Planet(V2 c, float R, V2 light)
{
    Bounds b = Around(c, R + 60.0f);
    Fill([=](V2 p) { return Len(p - c) - R - 40.0f; }, C(255, 150, 60), 0.0f, b);
    for (int i = 0; i < 6; i++) {
        float g = (float)(6 - i) * 7.0f;
        Fill(Circle(c, R + g), C(255, 150, 70), 0.05f, b);
    }
    Sdf disc = Circle(c, R);
    Paint(disc,
          [=](V2 p) {
              V2 q = (p - c) * (1.0f / R);
              float band = std::sin(q.y * 9.0f + 1.7f * ValueNoise(p * 0.01f) + 0.8f * q.x);
              float n = ValueNoise(p * 0.012f);
              Rgb base = Mix(C(224, 116, 40), C(242, 150, 62), 0.5f + 0.5f * band);
              return Mix(base, C(176, 84, 30), Smooth(0.55f, 0.85f, n) * 0.8f);
          },
          1.0f, b);
    // Mud seas: irregular darker blots, each with a thin wet shine.
    uint32_t keep = rngState;
    for (int i = 0; i < 26; i++) {
        float a = Random() * 6.2832f, d = std::sqrt(Random()) * R * 0.88f;
        V2 at = c + V2{std::cos(a), std::sin(a)} * d;
        float r = R * (0.025f + 0.07f * Random());
        Sdf oval = Ellipse(at, {r * (1.2f + 0.8f * Random()), r}, Random() * 3.0f);
        float seed = 37.0f * (float)i;
        Sdf blot = Inter([=](V2 p) { return oval(p) + 0.5f * r * (ValueNoise((p + V2{seed, seed}) * (2.5f / r)) - 0.5f); }, disc);
        Fill(blot, C(160, 72, 26), 0.7f, Around(at, r * 2.4f));
        Outline(blot, 1.5f, C(252, 186, 110), 0.35f, Around(at, r * 2.4f));
    }
    rngState = keep * 7u + 11u;
    V2 l = light * (1.0f / Len(light));
    Halftone(disc,
             [=](V2 p) {
                 V2 q = (p - c) * (1.0f / R);
                 float z = std::sqrt(std::max(0.0f, 1.0f - Dot(q, q)));
                 float lit = q.x * l.x + q.y * l.y + 0.35f * z;
                 return Smooth(0.25f, -0.55f, lit);
             },
             C(92, 36, 18), 9.0f, 0.9f, b);
    Fill(Inter(Cut(disc, Circle(c - l * 10.0f, R)), Circle(c, R - 1.0f)), C(255, 205, 130), 0.8f, b);
    Outline(disc, 4.0f, INK, 1.0f, b);
}

// The dark strip along the bottom the captions sit over.
static void Strip()
{
    Fill(Box({PANEL_W * 0.5f, (STRIP_Y + PANEL_H) * 0.5f}, {PANEL_W * 0.5f + 2, (PANEL_H - STRIP_Y) * 0.5f}), C(26, 24, 26));
    Halftone(Box({PANEL_W * 0.5f, (STRIP_Y + PANEL_H) * 0.5f}, {PANEL_W * 0.5f + 2, (PANEL_H - STRIP_Y) * 0.5f}),
             [](V2 p) { return 0.25f * Smooth(STRIP_Y, PANEL_H, p.y); }, C(64, 58, 58), 8.0f);
    Fill(Box({PANEL_W * 0.5f, STRIP_Y}, {PANEL_W * 0.5f + 2, 2.5f}), INK);
}

// The long ship: hull, cockpit nose, fins, engines with their glow, windows and panel lines.
// `s` scales it about its centre `c`.
static void Ship(V2 c, float s, bool lander, bool openHatch)
{
    auto P = [=](float x, float y) { return c + V2{x, y} * s; };
    Bounds b = {c.x - 420 * s, c.y - 140 * s, c.x + 460 * s, c.y + 170 * s};
    // Engine glow behind.
    for (int i = 0; i < 5; i++)
        Fill(Ellipse(P(-360, 0), V2{(90.0f - 14 * i) * s, (34.0f - 5 * i) * s}), Mix(C(120, 200, 255), C(240, 252, 255), i / 4.0f),
             0.35f + 0.12f * i, b);
    Sdf nozzleA = Polygon({P(-318, -34), P(-300, -30), P(-300, -6), P(-318, -2)});
    Sdf nozzleB = Polygon({P(-318, 4), P(-300, 8), P(-300, 32), P(-318, 36)});
    Sdf finTop = Polygon({P(-270, -40), P(-190, -40), P(-230, -96), P(-286, -96)});
    Sdf finLow = Polygon({P(-270, 40), P(-200, 40), P(-240, 86), P(-292, 86)});
    Sdf hull = Union(Box(P(0, 0), V2{300, 44} * s, 40 * s), Polygon({P(250, -42), P(352, -28), P(398, 0), P(352, 30), P(250, 44)}));
    Sdf engine = Box(P(-292, 0), V2{22, 40} * s, 6 * s);
    for (const Sdf &part : {finTop, finLow}) {
        Paint(part, [](V2 p) { return Mix(C(210, 108, 44), C(170, 80, 34), Clamp01(ValueNoise(p * 0.05f))); }, 1, b);
        Outline(part, 3.5f * s, INK, 1, b);
    }
    for (const Sdf &part : {nozzleA, nozzleB}) {
        Fill(part, C(92, 100, 104), 1, b);
        Outline(part, 3.0f * s, INK, 1, b);
    }
    Fill(engine, C(120, 128, 130), 1, b);
    Outline(engine, 3.5f * s, INK, 1, b);
    Paint(hull, [=](V2 p) { return Mix(C(236, 238, 230), C(170, 180, 178), Clamp01((p.y - c.y + 44 * s) / (88 * s))); }, 1, b);
    Halftone(hull, [=](V2 p) { return Smooth(c.y + 4 * s, c.y + 44 * s, p.y) * 0.8f; }, C(96, 108, 112), 7.0f * s + 2, 1, b);
    // The orange band along the hull and the cockpit glass.
    Fill(Inter(hull, Box(P(-10, 8), V2{330, 7} * s)), C(224, 112, 40), 1, b);
    Sdf glass = Inter(hull, Polygon({P(300, -36), P(356, -24), P(392, -2), P(320, -2)}));
    Paint(glass, [=](V2 p) { return Mix(C(120, 210, 214), C(30, 84, 104), Clamp01((p.y - c.y + 36 * s) / (36 * s))); }, 1, b);
    Fill(Segment(P(316, -28), P(344, -22), 2.5f * s), C(230, 252, 250), 0.9f, b);
    Outline(glass, 2.5f * s, INK, 1, b);
    for (int i = 0; i < 9; i++) {
        V2 w = P(-200 + 48.0f * i, -16);
        Fill(Circle(w, 8 * s), C(36, 64, 80), 1, b);
        Fill(Circle(w + V2{-2, -2} * s, 3 * s), C(170, 230, 230), 0.9f, b);
        Outline(Circle(w, 8 * s), 2.5f * s, INK, 1, b);
    }
    for (float x : {-150.0f, 40.0f, 210.0f}) Fill(Segment(P(x, -40), P(x, 40), 1.2f * s), INK, 0.7f, b);
    Fill(Segment(P(-60, -44), P(-40, -74), 2 * s), INK, 1, b);
    Fill(Circle(P(-38, -78), 5 * s), C(240, 90, 60), 1, b);
    Outline(hull, 4.0f * s, INK, 1, b);
    if (openHatch) {
        Sdf hatch = Box(P(60, 40), V2{44, 7} * s, 3 * s);
        Fill(hatch, C(16, 18, 22), 1, b);
        Outline(hatch, 2.5f * s, INK, 1, b);
        Fill(Segment(P(20, 46), P(4, 66), 3 * s), C(150, 160, 160), 1, b);
        Fill(Segment(P(100, 46), P(116, 66), 3 * s), C(150, 160, 160), 1, b);
    }
    if (lander) {
        Sdf clamp = Box(P(60, 52), V2{20, 10} * s, 2 * s);
        Fill(clamp, C(130, 138, 140), 1, b);
        Outline(clamp, 2.5f * s, INK, 1, b);
    }
}

// The lander, its top at `top`, turned by angle; legs out when flying.
static void Lander(V2 top, float s, float angle, bool legsOut, bool flame)
{
    auto P = [=](float x, float y) { return top + Rot(V2{x, y} * s, angle); };
    Bounds b = Around(P(0, 60), 220 * s);
    if (flame) {
        for (int i = 0; i < 5; i++) {
            float k = (float)i / 4.0f;
            Sdf f = Tapered(P(0, 96), P(0, 96 + (150 - 90 * k)), (30 - 16 * k) * s, 2 * s);
            Fill(f, Mix(C(255, 120, 40), C(255, 248, 200), k), 0.5f + 0.12f * i, b);
        }
    }
    if (legsOut) {
        for (float side : {-1.0f, 1.0f}) {
            Fill(Segment(P(side * 58, 70), P(side * 96, 118), 5 * s), C(150, 156, 158), 1, b);
            Fill(Segment(P(side * 96, 118), P(side * 112, 118), 4 * s), C(150, 156, 158), 1, b);
            Outline(Segment(P(side * 58, 70), P(side * 96, 118), 5 * s), 2.0f * s, INK, 1, b);
        }
    } else {
        for (float side : {-1.0f, 1.0f}) Fill(Segment(P(side * 60, 74), P(side * 72, 60), 4 * s), C(150, 156, 158), 1, b);
    }
    Sdf body = Polygon({P(-52, 0), P(52, 0), P(78, 74), P(-78, 74)});
    Sdf skirt = Box(P(0, 84), V2{46, 12} * s, 4 * s, angle);
    Fill(skirt, C(96, 102, 106), 1, b);
    Outline(skirt, 3 * s, INK, 1, b);
    Paint(body, [=](V2 p) { return Mix(C(240, 236, 224), C(190, 186, 176), Clamp01(Dot(p - top, Rot({1, 0}, angle)) / (80 * s) + 0.5f)); }, 1, b);
    Fill(Inter(body, Box(P(0, 56), V2{90, 8} * s, 0.0f, angle)), C(224, 112, 40), 1, b);
    Sdf window = Ellipse(P(0, 28), V2{26, 16} * s, angle);
    Fill(window, C(40, 120, 130), 1, b);
    Fill(Ellipse(P(-8, 24), V2{8, 4} * s, angle), C(200, 250, 246), 0.9f, b);
    Outline(window, 3 * s, INK, 1, b);
    Outline(body, 4 * s, INK, 1, b);
}

// Speed lines: straight strokes in a colour, thinning at their tail.
static void SpeedLines(V2 from, V2 direction, int count, float length, float spread, Rgb colour, float alpha)
{
    V2 d = direction * (1.0f / Len(direction));
    V2 n = {-d.y, d.x};
    for (int i = 0; i < count; i++) {
        V2 start = from + n * ((Random() - 0.5f) * spread) + d * (Random() * 60.0f);
        float l = length * (0.5f + 0.5f * Random());
        Fill(Tapered(start, start + d * l, 2.2f, 0.3f), colour, alpha, Around(start + d * (0.5f * l), 0.5f * l + 10));
    }
}

// [SECTION] Panels

static void PanelShip()
{
    Space(C(10, 14, 26), C(26, 34, 56), 240);
    Planet({1030.0f, 392.0f}, 350.0f, {0.6f, -0.8f});
    SpeedLines({80.0f, 250.0f}, {-1.0f, 0.0f}, 14, 150.0f, 150.0f, C(150, 200, 240), 0.5f);
    Ship({470.0f, 210.0f}, 1.0f, true, false);
    Lander({530.0f, 262.0f}, 0.78f, 0.0f, false, false);
    Strip();
}

static void PanelCockpit()
{
    // The cockpit wall, with riveted plates.
    Paint([](V2) { return -10.0f; }, [](V2 p) { return Mix(C(64, 80, 84), C(36, 46, 50), Clamp01(p.y / STRIP_Y)); });
    Halftone([](V2) { return -10.0f; }, [](V2 p) { return 0.35f * Smooth(100.0f, 520.0f, p.x) * (1.0f - Smooth(0, 300, p.y) * 0.4f); },
             C(24, 30, 32), 9.0f, 0.9f);
    for (float x : {140.0f, 470.0f})
        for (float y : {40.0f, 420.0f}) Fill(Circle({x, y}, 5), C(110, 126, 128));
    // The window onto space and the planet.
    Sdf frame = Box({850.0f, 214.0f}, {312.0f, 196.0f}, 60.0f);
    Sdf glass = Box({850.0f, 214.0f}, {284.0f, 168.0f}, 42.0f);
    Fill(frame, C(120, 132, 130));
    Halftone(frame, [](V2 p) { return Smooth(100.0f, 420.0f, p.y) * 0.6f; }, C(60, 68, 70), 7.0f);
    Outline(frame, 4.0f);
    Canvas saved = page;
    Space(C(8, 12, 24), C(22, 30, 52), 160);
    Planet({960.0f, 330.0f}, 210.0f, {0.5f, -0.85f});
    // Keep the space only behind the glass.
    for (int y = 0; y < PANEL_H; y++)
        for (int x = 0; x < PANEL_W; x++) {
            float cover = Clamp01(0.5f - glass({(float)x + 0.5f, (float)y + 0.5f}));
            size_t i = (size_t)(page.oy + y) * PAGE_W + (size_t)(page.ox + x);
            page.pixels[i] = Mix(saved.pixels[i], page.pixels[i], cover);
        }
    Fill(Inter(glass, Polygon({{600, 50}, {700, 50}, {560, 380}, {540, 380}})), C(255, 255, 255), 0.12f);
    Fill(Inter(glass, Polygon({{730, 50}, {760, 50}, {620, 380}, {600, 380}})), C(255, 255, 255), 0.10f);
    Outline(glass, 4.0f);

    // The seat behind the astronaut.
    Sdf seat = Box({205.0f, 300.0f}, {70.0f, 150.0f}, 30.0f, -0.12f);
    Fill(seat, C(150, 64, 34));
    Halftone(seat, [](V2 p) { return Smooth(180, 300, p.x) * 0.7f; }, C(90, 36, 20), 7.0f);
    Outline(seat, 4.0f);
    // The suit: torso, arm and hand round the cup.
    Sdf torso = Polygon({{240, 300}, {420, 290}, {460, 420}, {440, 500}, {230, 500}, {215, 400}});
    Paint(torso, [](V2 p) { return Mix(C(240, 240, 232), C(196, 198, 192), Clamp01((p.y - 290) / 210)); });
    Halftone(torso, [](V2 p) { return Smooth(330, 240, p.x) * 0.7f; }, C(120, 124, 124), 7.0f);
    Sdf chest = Box({360.0f, 380.0f}, {46.0f, 28.0f}, 8.0f);
    Fill(chest, C(60, 70, 76));
    for (int i = 0; i < 3; i++) Fill(Circle({334.0f + 26.0f * i, 380.0f}, 7), i == 0 ? C(255, 140, 50) : (i == 1 ? C(70, 200, 190) : C(250, 220, 90)));
    Outline(chest, 3.0f);
    Outline(torso, 4.0f);
    Sdf upper = Tapered({400, 330}, {470, 380}, 34, 30);
    Sdf fore = Tapered({470, 380}, {548, 318}, 30, 26);
    Sdf arm = Union(upper, fore);
    Paint(arm, [](V2 p) { return Mix(C(236, 236, 228), C(190, 192, 186), Clamp01((p.y - 300) / 110)); });
    Outline(arm, 4.0f);
    // The cup, steaming.
    Sdf cup = Polygon({{540, 250}, {604, 250}, {596, 330}, {548, 330}});
    Sdf handle = Cut(Ellipse({608.0f, 288.0f}, {20.0f, 24.0f}), Ellipse({608.0f, 288.0f}, {10.0f, 14.0f}));
    Fill(handle, C(60, 170, 164));
    Outline(handle, 3.0f);
    Fill(cup, C(60, 170, 164));
    Fill(Inter(cup, Box({572.0f, 276.0f}, {40.0f, 6.0f})), C(240, 236, 220));
    Fill(Ellipse({572.0f, 251.0f}, {31.0f, 6.0f}), C(120, 64, 30));
    Outline(cup, 3.5f);
    Sdf glove = Ellipse({548.0f, 302.0f}, {30.0f, 26.0f}, 0.4f);
    Fill(glove, C(232, 232, 226));
    Halftone(glove, [](V2 p) { return Smooth(290, 330, p.y) * 0.6f; }, C(140, 140, 136), 6.0f);
    Outline(glove, 3.5f);
    for (int i = 0; i < 3; i++) {
        float x = 552.0f + 20.0f * i;
        std::vector<V2> wisp;
        for (int k = 0; k < 12; k++) wisp.push_back({x + 10.0f * std::sin(k * 0.9f + i), 236.0f - 12.0f * k});
        for (size_t k = 0; k + 1 < wisp.size(); k++)
            Fill(Segment(wisp[k], wisp[k + 1], 4.0f - 0.28f * k), C(236, 240, 236), 0.75f - 0.05f * k);
    }
    // The helmet, turned toward the cup, its visor catching the planet.
    Sdf helmet = Circle({330.0f, 196.0f}, 104.0f);
    Paint(helmet, [](V2 p) { return Mix(C(246, 246, 238), C(200, 202, 196), Clamp01((p.y - 100) / 200)); });
    Halftone(helmet, [](V2 p) { return Smooth(320, 230, p.x) * 0.8f; }, C(120, 124, 124), 7.0f);
    Sdf visor = Ellipse({372.0f, 196.0f}, {62.0f, 70.0f}, 0.15f);
    Paint(visor, [](V2 p) { return Mix(C(40, 70, 110), C(16, 24, 44), Clamp01((p.y - 130) / 140)); });
    Fill(Inter(visor, Ellipse({398.0f, 160.0f}, {22.0f, 30.0f}, 0.5f)), C(240, 150, 70), 0.85f);
    Fill(Inter(visor, Ellipse({352.0f, 150.0f}, {10.0f, 20.0f}, 0.4f)), C(255, 255, 255), 0.6f);
    Outline(visor, 4.0f);
    Sdf ring = Cut(Box({322.0f, 296.0f}, {86.0f, 14.0f}, 10.0f), helmet);
    Fill(ring, C(224, 112, 40));
    Outline(ring, 3.5f);
    Outline(helmet, 4.5f);

    // The console across the bottom, its lights and a small screen.
    Sdf console = Polygon({{0, 430}, {1200, 410}, {1200, 500}, {0, 500}});
    Paint(console, [](V2 p) { return Mix(C(74, 84, 88), C(44, 50, 54), Clamp01((p.y - 410) / 80)); });
    Outline(console, 4.0f);
    for (int i = 0; i < 14; i++) {
        V2 at = {640.0f + 38.0f * i, 442.0f - 0.4f * i};
        Rgb lights[4] = {C(255, 140, 50), C(70, 200, 190), C(250, 220, 90), C(220, 70, 60)};
        Fill(Circle(at, 7), lights[i % 4]);
        Outline(Circle(at, 7), 2.0f);
    }
    Sdf screen = Box({100.0f, 455.0f}, {70.0f, 18.0f}, 4.0f);
    Fill(screen, C(30, 90, 84));
    for (int i = 0; i < 6; i++) Fill(Box({50.0f + 20.0f * i, 458.0f - 4.0f * (i % 3)}, {5.0f, 6.0f + 4.0f * (i % 3)}), C(130, 240, 200), 0.9f);
    Outline(screen, 3.0f);
    Strip();
}

static void PanelButtons()
{
    // The console face: brushed plate, rivets, warning stripes along the top.
    Paint([](V2) { return -10.0f; }, [](V2 p) {
        float n = ValueNoise({p.x * 0.004f, p.y * 0.2f});
        return Mix(Mix(C(86, 98, 104), C(58, 68, 74), Clamp01(p.y / STRIP_Y)), C(70, 80, 86), 0.3f * n);
    });
    Halftone([](V2) { return -10.0f; }, [](V2 p) { return 0.3f * Smooth(200, 480, p.y); }, C(30, 36, 40), 9.0f);
    Sdf stripes = Box({600.0f, 26.0f}, {610.0f, 18.0f});
    Fill(stripes, C(240, 196, 60));
    Fill(Inter(stripes, [](V2 p) { float u = std::fmod(p.x + p.y + 1000.0f, 56.0f); return std::fabs(u - 28.0f) - 14.0f; }), INK);
    Fill(Box({600.0f, 45.0f}, {610.0f, 2.0f}), INK);
    for (float x : {40.0f, 1160.0f})
        for (float y : {84.0f, 450.0f}) {
            Fill(Circle({x, y}, 9), C(130, 142, 146));
            Fill(Segment({x - 5, y}, {x + 5, y}, 1.5f), INK, 0.8f);
            Outline(Circle({x, y}, 9), 2.5f);
        }
    // Two buttons in their housings; the orange one is pushed in.
    struct Button {
        V2 centre, half;
        Rgb face, base;
        const char *label;
        int size;
        float press;   // how far the face is sunk
    };
    const Button buttons[2] = {
        {{440.0f, 300.0f}, {238.0f, 92.0f}, C(240, 122, 40), C(150, 62, 22), "ВЫСАДИТЬСЯ", 66, 10.0f},
        {{918.0f, 300.0f}, {142.0f, 92.0f}, C(52, 178, 170), C(20, 92, 90), "ЧАЙ", 82, 0.0f},
    };
    for (const Button &b : buttons) {
        Sdf housing = Box(b.centre + V2{0, 6}, b.half + V2{26, 30}, 46.0f);
        Fill(housing, C(34, 38, 42));
        Halftone(housing, [=](V2 p) { return 0.5f * Smooth(b.centre.y - 60, b.centre.y + 120, p.y); }, C(12, 14, 16), 6.0f);
        Outline(housing, 4.0f);
        float lift = 16.0f - b.press;
        Sdf base = Box(b.centre + V2{0, 12}, b.half, 36.0f);
        Sdf face = Box(b.centre + V2{0, 12 - lift}, b.half, 36.0f);
        Fill(base, b.base);
        Outline(base, 4.0f);
        Paint(face, [=](V2 p) {
            float t = Clamp01((p.y - (b.centre.y - b.half.y)) / (2 * b.half.y));
            return Mix(Mix(b.face, C(255, 240, 200), 0.25f), b.face, Smooth(0.0f, 0.5f, t));
        });
        Halftone(face, [=](V2 p) { return 0.55f * Smooth(b.centre.y, b.centre.y + b.half.y, p.y); }, b.base, 7.0f, 0.8f);
        Fill(Inter(face, Box(b.centre + V2{-b.half.x * 0.35f, -b.half.y * 0.55f - lift + 12}, {b.half.x * 0.5f, 7.0f}, 7.0f)),
             C(255, 255, 255), 0.35f);
        Outline(face, 4.5f);
        float y = 30.0f - lift - 0.62f * (float)b.size;
        Lettering(b.label, b.centre + V2{2.0f, y + 4.0f}, b.size, C(255, 250, 236), true, 0.35f);
        Lettering(b.label, b.centre + V2{0.0f, y}, b.size, INK, true);
    }
    // The press: a burst round the fingertip.
    V2 tip = {480.0f, 250.0f};
    for (int i = 0; i < 11; i++) {
        float a = -2.2f + 2.1f * (float)i / 10.0f;
        V2 d = {std::cos(a), std::sin(a)};
        Fill(Tapered(tip + d * 58.0f, tip + d * (104.0f + 26.0f * (i % 3)), 4.5f, 1.0f), C(255, 236, 120), 0.95f);
    }
    // The gloved hand reaching in from the top left: the back of the hand, three curled fingers
    // tucked under it, the thumb along the top, the index finger down on the orange button.
    Sdf sleeve = Tapered({-60.0f, -70.0f}, {110.0f, 40.0f}, 100.0f, 84.0f);
    Fill(sleeve, C(236, 236, 228));
    Halftone(sleeve, [](V2 p) { return Smooth(-20, 160, p.x + p.y * 0.2f) * 0.6f; }, C(130, 132, 130), 8.0f);
    Sdf cuff = Inter(Tapered({-60.0f, -70.0f}, {150.0f, 66.0f}, 104.0f, 90.0f), Box({146.0f, 66.0f}, {34.0f, 120.0f}, 0.0f, 0.57f));
    Fill(cuff, C(224, 112, 40));
    Halftone(cuff, [](V2 p) { return Smooth(40, 160, p.y) * 0.5f; }, C(150, 62, 22), 7.0f);
    Outline(cuff, 4.0f);
    Outline(sleeve, 4.5f);
    auto glove = [](const Sdf &part) {
        Paint(part, [](V2 p) { return Mix(C(250, 250, 244), C(214, 216, 210), Clamp01((p.y - 60) / 220)); });
        Halftone(part, [](V2 p) { return Smooth(150, 290, p.y - 0.35f * p.x + 70) * 0.7f; }, C(140, 142, 140), 7.0f);
        Outline(part, 4.0f);
    };
    glove(Box({226.0f, 128.0f}, {92.0f, 66.0f}, 46.0f, 0.5f));
    glove(Segment({268.0f, 214.0f}, {304.0f, 232.0f}, 22.0f));
    glove(Segment({290.0f, 190.0f}, {332.0f, 210.0f}, 24.0f));
    glove(Tapered({300.0f, 158.0f}, {466.0f, 244.0f}, 29.0f, 25.0f));
    glove(Tapered({238.0f, 96.0f}, {322.0f, 136.0f}, 25.0f, 20.0f));
    for (float t : {0.55f, 0.78f}) {
        V2 at = V2{300.0f, 158.0f} + V2{166.0f, 86.0f} * t;
        Fill(Segment(at + V2{-9.0f, 17.0f}, at + V2{5.0f, -10.0f}, 1.6f), INK, 0.8f);
    }
    Fill(Segment({180.0f, 100.0f}, {222.0f, 84.0f}, 1.8f), INK, 0.6f);
    Fill(Segment({172.0f, 124.0f}, {214.0f, 108.0f}, 1.8f), INK, 0.6f);
    // Motion arcs behind the finger: it came down hard.
    for (int i = 0; i < 3; i++) {
        float r = 46.0f + 16.0f * i;
        Fill(Inter(Cut(Circle({470.0f, 236.0f}, r + 2.5f), Circle({470.0f, 236.0f}, r - 2.5f)), Box({436.0f, 160.0f}, {36.0f, 40.0f})), INK,
             0.8f);
    }
    Strip();
}

static void PanelDescent()
{
    Space(C(10, 14, 28), C(40, 40, 60), 200);
    // The planet's surface fills the bottom, its horizon bowed.
    V2 centre = {560.0f, 1620.0f};
    float R = 1300.0f;
    for (int i = 0; i < 8; i++) Fill(Circle(centre, R + 70.0f - 9.0f * i), C(255, 150, 70), 0.05f + 0.02f * i);
    Sdf ground = Circle(centre, R);
    Paint(ground, [=](V2 p) {
        float band = std::sin((Len(p - centre) - R) * 0.09f + 2.0f * ValueNoise(p * 0.008f));
        Rgb base = Mix(C(226, 118, 42), C(244, 152, 64), 0.5f + 0.5f * band);
        return Mix(base, C(170, 80, 30), Smooth(0.6f, 0.85f, ValueNoise(p * 0.015f)) * 0.8f);
    });
    for (int i = 0; i < 12; i++) {
        V2 at = {Random() * PANEL_W, 360.0f + Random() * 140.0f};
        float depth = (at.y - 320.0f) / 180.0f;
        Sdf crater = Inter(Ellipse(at, {(18.0f + 30.0f * Random()) * depth, (5.0f + 8.0f * Random()) * depth}), ground);
        Fill(crater, C(150, 66, 26), 0.9f, Around(at, 80));
        Outline(crater, 2.0f, C(255, 190, 110), 0.6f, Around(at, 80));
    }
    Halftone(ground, [=](V2 p) { return 0.6f * Smooth(0.0f, 260.0f, Len(p - centre) - R + 260.0f) * Smooth(500, 0, p.x); }, C(96, 38, 18),
             9.0f, 0.7f);
    Fill(Inter(ground, Cut(Circle(centre, R), Circle(centre + V2{0, 8}, R))), C(255, 206, 130), 0.9f);
    Outline(ground, 4.0f);

    // The ship above, its hatch open; the trail of the lander's fall; the lander with legs out.
    Ship({290.0f, 120.0f}, 0.55f, false, true);
    for (int i = 0; i < 10; i++) {
        float t = (float)i / 9.0f;
        V2 at = {322.0f + 440.0f * t, 150.0f + 20.0f * t + 30.0f * t * t};
        Fill(Circle(at, 5.0f + 9.0f * t), C(220, 230, 240), 0.25f + 0.3f * t, Around(at, 20));
    }
    SpeedLines({690.0f, 196.0f}, {-1.0f, -0.2f}, 12, 130.0f, 110.0f, C(170, 210, 240), 0.55f);
    Lander({820.0f, 190.0f}, 0.95f, -0.14f, true, true);
    Strip();
}

// [SECTION] Entry

int main(int argc, char **argv)
{
    const char *fontPath = argc > 1 ? argv[1] : "assets/fonts/Exo2-Bold.ttf";
    const char *outPath = argc > 2 ? argv[2] : "assets/comic/intro.png";
    SetTraceLogLevel(LOG_WARNING);
    int size = 0;
    unsigned char *data = LoadFileData(fontPath, &size);
    if (!data || size <= 0) {
        fprintf(stderr, "make_comic: the font %s could not be read\n", fontPath);
        return 1;
    }
    fontFile.assign(data, data + size);
    UnloadFileData(data);

    page.pixels.assign((size_t)PAGE_W * PAGE_H, C(0, 0, 0));
    void (*const panels[4])() = {PanelShip, PanelCockpit, PanelButtons, PanelDescent};
    for (int k = 0; k < 4; k++) {
        page.ox = (k % 2) * PANEL_W;
        page.oy = (k / 2) * PANEL_H;
        panels[k]();
    }

    std::vector<unsigned char> rgb((size_t)PAGE_W * PAGE_H * 3);
    for (size_t i = 0; i < page.pixels.size(); i++) {
        const Rgb &p = page.pixels[i];
        rgb[3 * i + 0] = (unsigned char)std::lround(std::clamp(p.r, 0.0f, 255.0f));
        rgb[3 * i + 1] = (unsigned char)std::lround(std::clamp(p.g, 0.0f, 255.0f));
        rgb[3 * i + 2] = (unsigned char)std::lround(std::clamp(p.b, 0.0f, 255.0f));
    }
    Image image = {rgb.data(), PAGE_W, PAGE_H, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8};
    if (!ExportImage(image, outPath)) {
        fprintf(stderr, "make_comic: %s could not be written\n", outPath);
        return 1;
    }
    printf("%s: %dx%d\n", outPath, PAGE_W, PAGE_H);
    return 0;
}
