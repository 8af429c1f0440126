// Ship finale on screen: the texts of each phase, the markers and the victory screen.
#include "hud/ship_draw.h"

#include "common/maths.h"
#include "hud/hud_draw.h"

#include <cstdio>

static const Color SHADOW = {12, 19, 26, 220};
static const Color TEXT_CYAN = {137, 224, 246, 255};
static const Color TEXT_WHITE = {232, 244, 248, 255};
static const Color TEXT_PINK = {255, 150, 218, 255};
static const Color TEXT_GOLD = {255, 219, 131, 255};
constexpr float HINT_FADE_SECONDS = 0.65f;

static Color Faded(Color c, float alpha)
{
    c.a = (unsigned char)(ClampSafe(alpha, 0.0f, 1.0f) * (float)c.a + 0.5f);
    return c;
}

// Text with its shadow copy 2 px lower, at `x` or centred in the view when x < 0.
static void DrawShadowText(const char *text, float size, float x, float y, Color colour, float viewWidth, float alpha = 1.0f)
{
    if (x < 0.0f) x = (viewWidth - MeasureTextEx(hudFont, text, size, 0.0f).x) * 0.5f;
    DrawTextEx(hudFont, text, {x, y + 2.0f}, size, 0.0f, Faded(SHADOW, alpha));
    DrawTextEx(hudFont, text, {x, y}, size, 0.0f, Faded(colour, alpha));
}

static void DrawCentred(const char *text, float size, float y, Color colour, float viewWidth, float alpha = 1.0f)
{
    DrawShadowText(text, size, -1.0f, y, colour, viewWidth, alpha);
}

static void DrawMarker(const Ship &ship, const FollowCamera &camera, Vector3 player, const char *name, Vector3 target,
                       Color colour, Vector2 view)
{
    ShipMarker m = ShipMarkerPlace(target, camera.position, camera.right, camera.up, camera.viewHeight, view, ship.clock);
    Vector2 d = m.direction;
    Vector2 side = {-d.y * 7.0f, d.x * 7.0f};
    Vector2 tip = m.point + d * 10.0f;
    Vector2 back = m.point - d * 7.0f;
    const Color dark = {12, 19, 26, 200};
    for (int pass = 0; pass < 2; pass++) {
        float width = pass == 0 ? 6.0f : 3.0f;
        Color c = pass == 0 ? dark : colour;
        DrawLineEx(back + side, tip, width, c);
        DrawLineEx(back - side, tip, width, c);
    }
    float distance = LengthXZ(target - player);
    if (m.onScreen && distance < 3.5f) return;
    char label[96];
    snprintf(label, sizeof(label), "%s — %.0f м", name, distance);
    Vector2 size = MeasureTextEx(hudFont, label, 18.0f, 0.0f);
    Vector2 origin = ShipMarkerLabelOrigin(m, size, view);
    DrawShadowText(label, 18.0f, origin.x, origin.y, colour, view.x);
}

static void DrawVictory(float w, float h)
{
    DrawRectangle(0, 0, (int)(w + 0.5f), (int)(h + 0.5f), {12, 15, 20, 205});
    float y0 = h * 0.5f - 160.0f;
    DrawCentred("Игра пройдена!", 46.0f, y0, TEXT_WHITE, w);
    DrawCentred("Шаттл взлетел. Курс домой!", 24.0f, y0 + 58.0f, TEXT_CYAN, w);
    DrawCentred("Чит-код: ZXCZXC", 32.0f, y0 + 110.0f, TEXT_GOLD, w);
    DrawCentred("Введите на клавиатуре в меню или в игре", 20.0f, y0 + 152.0f, TEXT_WHITE, w);
    DrawCentred("F3 — отладка, бессмертие и +1000 монет", 21.0f, y0 + 184.0f, TEXT_WHITE, w);
    DrawCentred("F4 — следующая минута / босс", 21.0f, y0 + 212.0f, TEXT_WHITE, w);
    DrawCentred("/ — создать ещё 10 грязевиков", 21.0f, y0 + 240.0f, TEXT_WHITE, w);
    Rectangle button = ShipExitButtonRect(w, h);
    DrawRectangleRounded(button, 0.25f, 8, {94, 66, 43, 255});
    DrawRectangleRoundedLinesEx(button, 0.25f, 8, 2.0f, TEXT_GOLD);
    DrawCentred("Выйти в меню", 28.0f, button.y + 11.0f, TEXT_WHITE, w);
}

// Fades in over 0.65 s from `start` and out over the 0.65 s before `end`.
static float HintAlpha(float clock, float start, float end)
{
    return ClampSafe(std::fmin((clock - start) / HINT_FADE_SECONDS, (end - clock) / HINT_FADE_SECONDS), 0.0f, 1.0f);
}

static void DrawOpeningHints(float clock, float w)
{
    float k = std::fmin(1.0f, w / 1000.0f);
    bool first = clock < 13.0f;
    float alpha = first ? HintAlpha(clock, 4.0f, 13.0f) : HintAlpha(clock, 13.0f, 26.0f);
    Rectangle panel = {w * 0.5f - 460.0f * k, 82.0f, 920.0f * k, (first ? 76.0f : 104.0f) * k};
    DrawRectangleRounded(panel, 0.18f, 8, Faded({21, 25, 29, 220}, alpha));
    if (first) {
        DrawCentred("Шаттл разбился. Для починки нужен кристалл.", 24.0f * k, 94.0f, TEXT_CYAN, w, alpha);
        DrawCentred("Победи гигантского голема — кристалл у него.", 23.0f * k, 94.0f + 30.0f * k, TEXT_WHITE, w, alpha);
    } else {
        DrawCentred("Подсказка: не запоминай все клавиши.", 24.0f * k, 94.0f, TEXT_CYAN, w, alpha);
        DrawCentred("Выбери нужную стрелку и нажми указанную на ней клавишу.", 23.0f * k, 94.0f + 30.0f * k, TEXT_WHITE, w, alpha);
        DrawCentred("Двигаться можно только в одном направлении за раз.", 23.0f * k, 94.0f + 60.0f * k, TEXT_WHITE, w, alpha);
    }
}

void ShipDrawTexts(const Ship &ship, const FollowCamera &camera, Vector3 player, float viewWidth, float viewHeight)
{
    if (!ship.enabled) return;
    float w = viewWidth, h = viewHeight;
    Vector2 view = {w, h};
    switch (ship.phase) {
    case SHIP_DEPARTED:
        DrawVictory(w, h);
        return;
    case SHIP_LAUNCHING:
        DrawCentred("Взлёт", 28.0f, h - 55.0f, TEXT_WHITE, w);
        return;
    case SHIP_REPAIRED:
        DrawCentred("Шаттл готов", 30.0f, 22.0f, TEXT_CYAN, w);
        DrawCentred("Подойдите вплотную к люку", 20.0f, 59.0f, TEXT_WHITE, w);
        DrawMarker(ship, camera, player, "Люк", ShipHatchPoint(ship), TEXT_CYAN, view);
        return;
    case SHIP_WRECKED:
        break;
    }
    switch (ship.crystalState) {
    case SHIP_CRYSTAL_NONE:
        if (ship.clock >= 4.0f && ship.clock < 26.0f) DrawOpeningHints(ship.clock, w);
        break;
    case SHIP_CRYSTAL_DROPPED:
        DrawCentred("Заберите кристалл", 30.0f, 22.0f, TEXT_PINK, w);
        DrawCentred("Подойдите вплотную, чтобы забрать", 20.0f, 59.0f, TEXT_WHITE, w);
        DrawMarker(ship, camera, player, "Кристалл", ship.crystal, TEXT_PINK, view);
        break;
    case SHIP_CRYSTAL_ATTRACTED:
    case SHIP_CRYSTAL_CARRIED:
        DrawCentred("Вернитесь к шаттлу", 30.0f, 22.0f, TEXT_CYAN, w);
        DrawCentred("Кристалл восстановит двигатель", 20.0f, 59.0f, TEXT_WHITE, w);
        DrawMarker(ship, camera, player, "Шаттл", ShipHatchPoint(ship), TEXT_CYAN, view);
        break;
    case SHIP_CRYSTAL_INSTALLING: {
        DrawCentred("Восстановление двигателя", 30.0f, 22.0f, TEXT_PINK, w);
        Rectangle bar = {w * 0.5f - 90.0f, 64.0f, 180.0f, 4.0f};
        DrawRectangleRounded(bar, 1.0f, 8, {24, 34, 43, 220});
        float fill = ClampSafe(ship.crystalTime / SHIP_FLIGHT_SECONDS, 0.0f, 1.0f);
        if (fill > 0.0f) DrawRectangleRounded({bar.x, bar.y, 180.0f * fill, bar.height}, 1.0f, 8, TEXT_PINK);
        break;
    }
    case SHIP_CRYSTAL_INSTALLED:
        break;
    }
}
