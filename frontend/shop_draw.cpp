// The shop screen: the field workshop's cards on the menus' backdrop.
//
// Index
//   [SECTION] Primitives
//   [SECTION] Pictograms
//   [SECTION] Screen
#include "frontend/shop_draw.h"

#include "common/maths.h"
#include "frontend/menu_draw.h"

#include <cmath>
#include <cstdio>

static constexpr Color TITLE = {242, 230, 207, 255};
static constexpr Color MUTED = {166, 149, 127, 255};
static constexpr Color WHITE_INK = {245, 245, 245, 255};

// [SECTION] Primitives
// Everything in canvas coordinates, mapped through the window's canvas.

static MenuCanvas canvas;

static Vector2 At(float x, float y) { return MenuToWindow(canvas, {x, y}); }
static float Px(float v) { return v * canvas.s; }
static Color Alpha(Color c, float opacity) { return Fade(c, ClampSafe(opacity, 0.0f, 1.0f)); }

static void Line(float x0, float y0, float x1, float y1, float width, Color c) { DrawLineEx(At(x0, y0), At(x1, y1), Px(width), c); }
static void Circle(float x, float y, float r, Color c) { DrawCircleV(At(x, y), Px(r), c); }
static void Ring(float x, float y, float inner, float outer, float from, float to, int segments, Color c)
{
    DrawRing(At(x, y), Px(inner), Px(outer), from, to, segments, c);
}
static void Box(float x, float y, float w, float h, Color c) { DrawRectangleRec(MenuRectToWindow(canvas, {x, y, w, h}), c); }
static void Rounded(float x, float y, float w, float h, float roundness, int segments, Color c)
{
    DrawRectangleRounded(MenuRectToWindow(canvas, {x, y, w, h}), roundness, segments, c);
}
static void Triangle(Vector2 a, Vector2 b, Vector2 c, Color col) { DrawTriangle(At(a.x, a.y), At(b.x, b.y), At(c.x, c.y), col); }

static void Heart(float x, float y, float size, Color c)
{
    Circle(x - 0.33f * size, y - 0.14f * size, 0.43f * size, c);
    Circle(x + 0.33f * size, y - 0.14f * size, 0.43f * size, c);
    Triangle({x - 0.73f * size, y}, {x, y + 0.9f * size}, {x + 0.73f * size, y}, c);
}

void ShopDrawEyeCoin(Vector2 centre, float r)
{
    float x = centre.x, y = centre.y;
    Circle(x, y + 0.12f * r, r, {80, 45, 17, 255});
    Circle(x, y, r, {191, 116, 38, 255});
    Circle(x, y, 0.79f * r, {246, 188, 74, 255});
    Circle(x - 0.12f * r, y - 0.1f * r, 0.54f * r, {255, 218, 129, 255});
    DrawEllipseV(At(x + 0.1f * r, y), Px(0.16f * r), Px(0.39f * r), {129, 75, 25, 255});
    Circle(x - 0.28f * r, y - 0.36f * r, 0.18f * r, {255, 242, 194, 255});
}

// [SECTION] Pictograms

static void Pictogram(int id, float a, float b, Color accent, float time)
{
    switch (id) {
    case SHOP_COINS:
        ShopDrawEyeCoin({a - 5.0f, b + 4.0f}, 10.0f);
        ShopDrawEyeCoin({a + 5.0f, b - 5.0f}, 10.0f);
        Line(a + 12.0f, b + 7.0f, a + 12.0f, b + 16.0f, 2.0f, accent);
        Line(a + 8.0f, b + 12.0f, a + 16.0f, b + 12.0f, 2.0f, accent);
        break;
    case SHOP_SPEED:
        Rounded(a - 8.0f, b - 12.0f, 13.0f, 20.0f, 0.35f, 5, accent);
        Rounded(a - 8.0f, b + 2.0f, 23.0f, 9.0f, 0.6f, 5, accent);
        Line(a - 17.0f, b - 4.0f, a - 11.0f, b - 4.0f, 2.0f, accent);
        Line(a - 20.0f, b + 2.0f, a - 12.0f, b + 2.0f, 2.0f, accent);
        Line(a - 12.0f, b + 15.0f, a + 11.0f, b + 15.0f, 2.0f, Alpha(accent, 0.45f));
        break;
    case SHOP_HEALTH:
        Heart(a, b - 3.0f, 17.0f, accent);
        Heart(a - 3.0f, b - 6.0f, 8.0f, Alpha(WHITE_INK, 0.2f));
        break;
    case SHOP_REGEN:
        Heart(a, b - 2.0f, 12.0f, accent);
        Ring(a, b, 18.0f, 20.0f, 30.0f, 285.0f, 28, accent);
        Triangle({a - 19.0f, b + 4.0f}, {a - 11.0f, b + 3.0f}, {a - 15.0f, b + 12.0f}, accent);
        break;
    case SHOP_REVIVE:
        Ring(a, b, 17.0f, 20.0f, 45.0f, 325.0f, 32, accent);
        Triangle({a + 9.0f, b - 18.0f}, {a + 11.0f, b - 8.0f}, {a + 20.0f, b - 15.0f}, accent);
        Line(a, b - 10.0f, a, b + 9.0f, 3.0f, accent);
        Line(a - 8.0f, b - 1.0f, a + 8.0f, b - 1.0f, 3.0f, accent);
        break;
    case SHOP_BINDINGS: {
        Color mark = {43, 36, 33, 255};
        Rounded(a - 19.0f, b - 11.0f, 17.0f, 19.0f, 0.25f, 4, accent);
        Rounded(a + 2.0f, b - 6.0f, 17.0f, 19.0f, 0.25f, 4, Alpha(accent, 0.65f));
        Line(a - 11.0f, b - 5.0f, a - 11.0f, b + 2.0f, 2.0f, mark);
        Line(a + 8.0f, b - 1.0f, a + 13.0f, b - 1.0f, 2.0f, mark);
        Line(a + 11.0f, b - 1.0f, a + 11.0f, b + 6.0f, 2.0f, mark);
        break;
    }
    case SHOP_REPEL:
        Circle(a, b, 5.0f, accent);
        Ring(a, b, 10.0f, 12.0f, 0.0f, 360.0f, 28, Alpha(accent, 0.85f));
        Ring(a, b, 18.0f, 19.5f, 0.0f, 360.0f, 36, Alpha(accent, 0.55f + 0.15f * std::sin(2.0f * time)));
        for (int k = 0; k < 4; k++) {
            float angle = (float)k * 0.5f * PI;
            float cx = std::cos(angle), cy = std::sin(angle);
            Line(a + 22.0f * cx, b + 22.0f * cy, a + 26.0f * cx, b + 26.0f * cy, 2.0f, accent);
        }
        break;
    case SHOP_DRONE:
        Circle(a, b + 2.0f, 18.0f, {19, 26, 29, 255});
        Circle(a, b - 1.0f, 16.0f, {205, 216, 213, 255});
        Rounded(a - 16.0f, b - 6.0f, 32.0f, 12.0f, 0.7f, 8, {36, 47, 49, 255});
        Circle(a + 3.0f, b, 6.0f, accent);
        Circle(a + 2.0f, b - 2.0f, 3.0f, {219, 252, 250, 255});
        Line(a - 7.0f, b - 12.0f, a + 1.0f, b - 13.0f, 2.0f, WHITE_INK);
        Line(a - 8.0f, b + 22.0f, a + 8.0f, b + 22.0f, 2.0f, Alpha(accent, 0.5f));
        break;
    case SHOP_MAGNET:
        Ring(a, b, 12.0f, 20.0f, 0.0f, 180.0f, 24, accent);
        Box(a - 20.0f, b - 14.0f, 8.0f, 15.0f, accent);
        Box(a + 12.0f, b - 14.0f, 8.0f, 15.0f, accent);
        Box(a - 20.0f, b - 18.0f, 8.0f, 7.0f, WHITE_INK);
        Box(a + 12.0f, b - 18.0f, 8.0f, 7.0f, WHITE_INK);
        break;
    default:
        break;
    }
}

// [SECTION] Screen

static bool Over(Vector2 p, Rectangle r) { return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height; }

static void Card(const ShopState *state, uint64_t wallet, int id, float time, Vector2 pointer)
{
    const ShopUpgrade &u = SHOP_UPGRADES[id];
    Color accent = {u.accent[0], u.accent[1], u.accent[2], 255};
    Rectangle card = ShopCardRect(id), buy = ShopBuyRect(id);
    float x = card.x, y = card.y;
    int level = ShopLevel(state, id), max = ShopMaxLevel(id);
    uint64_t price = ShopPrice(state, id);
    bool affordable = price > 0 && wallet >= price;
    bool hovered = affordable && Over(pointer, buy);

    Rounded(x, y + 5.0f, card.width, card.height, 0.08f, 8, {10, 9, 8, 90});
    MenuPanelDraw(canvas, card, {51, 41, 34, 255}, hovered ? Alpha(accent, 0.8f) : Color{101, 79, 56, 255}, 23 + 127 * id, 4.0f);
    Line(x + 14.0f, y + 2.0f, x + 372.0f, y + 2.0f, 1.0f, {139, 105, 66, 100});

    Circle(x + 35.0f, y + 37.0f, 26.0f, {31, 28, 27, 255});
    Ring(x + 35.0f, y + 37.0f, 25.0f, 26.0f, 0.0f, 360.0f, 32, Alpha(accent, 0.24f));
    Pictogram(id, x + 35.0f, y + 37.0f, accent, time);

    char text[96], line2[96];
    MenuTextDraw(canvas, u.name, {x + 69.0f, y + 9.0f}, 23.0f, TITLE);
    snprintf(text, sizeof(text), "УРОВЕНЬ %d / %d", level, max);
    MenuTextDraw(canvas, text, {x + 70.0f, y + 37.0f}, 16.0f, MUTED);
    Line(x + 16.0f, y + 61.0f, x + 372.0f, y + 61.0f, 1.0f, {88, 69, 49, 255});
    ShopDescribe(state, id, text, sizeof(text), line2, sizeof(line2));
    MenuTextDraw(canvas, text, {x + 17.0f, y + 68.0f}, 21.0f, level > 0 ? accent : TITLE);
    MenuTextDraw(canvas, line2, {x + 17.0f, y + 95.0f}, 16.0f, MUTED);

    float w = 190.0f / (float)max;
    for (int j = 0; j < max; j++) {
        bool bought = j < level;
        Rounded(x + 16.0f + (float)j * w, y + 125.0f, w - 4.0f, 16.0f, 0.3f, 4, bought ? accent : Color{28, 26, 23, 255});
        if (bought) Rounded(x + 17.0f + (float)j * w, y + 126.0f, w - 6.0f, 4.0f, 0.5f, 4, Alpha(WHITE_INK, 0.16f));
    }

    Color fill = price == 0 ? Color{43, 47, 38, 255}
                 : affordable ? (hovered ? Color{196, 141, 71, 255} : Color{173, 118, 53, 255})
                              : Color{40, 34, 29, 255};
    Color outline = affordable ? Color{218, 164, 87, 255} : Color{89, 71, 49, 255};
    MenuPanelDraw(canvas, buy, fill, outline, 140 + 51 * id, 2.0f);
    if (price == 0) {
        MenuTextCentred(canvas, "Максимум", buy, 18.0f, {158, 181, 130, 255});
    } else {
        snprintf(text, sizeof(text), affordable ? "Купить за %llu" : "Нужно %llu", (unsigned long long)price);
        MenuTextCentred(canvas, text, buy, 18.0f, affordable ? Color{31, 24, 19, 255} : Color{158, 139, 115, 255});
    }
}

void ShopDraw(const ShopState *state, uint64_t wallet, float time, Vector2 pointer)
{
    canvas = MenuWindowCanvas();
    MenuDrawBegin();
    MenuBackdropDraw();
    MenuAtmosphereDraw(time);

    MenuTextDraw(canvas, "GLORVENT  /  ПОЛЕВАЯ МАСТЕРСКАЯ", {45.0f, 21.0f}, 17.0f, {185, 151, 104, 255});
    MenuTextDraw(canvas, "Магазин улучшений", {44.0f, 45.0f}, 43.0f, TITLE);

    MenuPanelDraw(canvas, {994.0f, 43.0f, 242.0f, 63.0f}, {23, 20, 18, 255}, {132, 95, 52, 255}, 92, 3.0f);
    ShopDrawEyeCoin({1024.0f, 74.0f}, 14.0f);
    char text[32];
    snprintf(text, sizeof(text), "%llu", (unsigned long long)wallet);
    float width = MenuTextWidth(text, 29.0f);
    MenuTextDraw(canvas, text, {1050.0f, 52.0f}, width > 172.0f ? 29.0f * 172.0f / width : 29.0f, {255, 208, 115, 255});
    MenuTextDraw(canvas, "глаз-монет", {1051.0f, 82.0f}, 15.0f, MUTED);
    Line(44.0f, 129.0f, 1236.0f, 129.0f, 1.0f, {99, 74, 51, 255});

    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) Card(state, wallet, id, time, pointer);

    bool back = Over(pointer, SHOP_BACK_RECT);
    MenuPanelDraw(canvas, SHOP_BACK_RECT, back ? Color{114, 102, 79, 255} : Color{85, 76, 61, 255}, {176, 155, 119, 255}, 819, 3.0f);
    MenuTextCentred(canvas, "Назад", SHOP_BACK_RECT, 25.0f, TITLE);
    MenuDrawEnd();
}
