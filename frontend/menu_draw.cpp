// Drawing the menus: the widgets, the main menu, the pause screen, the dialogs and the frame.
//
// Index
//   [SECTION] Widgets
//   [SECTION] Main menu
//   [SECTION] Pause
//   [SECTION] Dialogs
//   [SECTION] Frame
#include "frontend/menu_draw.h"

#include "app/display.h"
#include "frontend/shop_draw.h"
#include "common/maths.h"
#include "frontend/encyclopedia.h"
#include "frontend/settings.h"
#include "hud/hud_draw.h"

#include "rlgl.h"

#include <bit>
#include <cmath>
#include <cstdio>

static constexpr Color INK = {245, 229, 202, 255};      // titles and labels
static constexpr Color MUTED = {188, 160, 125, 255};    // secondary lines

// [SECTION] Widgets

MenuCanvas MenuWindowCanvas() { return MenuCanvasFor((float)GetScreenWidth(), (float)GetScreenHeight()); }

static int flatDepth = 0;

void MenuDrawBegin()
{
    if (flatDepth++ > 0) return;
    rlDrawRenderBatchActive();
    rlDisableBackfaceCulling();
}

void MenuDrawEnd()
{
    if (flatDepth <= 0 || --flatDepth > 0) return;
    rlDrawRenderBatchActive();
    rlEnableBackfaceCulling();
}

void MenuPanelDraw(const MenuCanvas &c, Rectangle r, Color fill, Color outline, int seed, float jitter)
{
    constexpr int POINTS = 48, PER_SIDE = 12;
    Vector2 p[POINTS];
    for (int i = 0; i < POINTS; i++) {
        int side = i / PER_SIDE;
        float m = (float)(i % PER_SIDE) / (float)PER_SIDE;
        uint32_t v = (uint32_t)i * 1553937203u + (uint32_t)seed * 747796405u - 1403630843u;
        float across = (MenuHash(v) - 0.5f) * jitter * c.s;
        Vector2 q;
        switch (side) {
        case 0: q = {r.x + m * r.width, r.y}; break;
        case 1: q = {r.x + r.width, r.y + m * r.height}; break;
        case 2: q = {r.x + r.width - m * r.width, r.y + r.height}; break;
        default: q = {r.x, r.y + r.height - m * r.height}; break;
        }
        p[i] = MenuToWindow(c, q);
        if (side == 0 || side == 2) p[i].y += across;
        else p[i].x += across;
    }
    Vector2 centre = MenuToWindow(c, {r.x + 0.5f * r.width, r.y + 0.5f * r.height});
    MenuDrawBegin();
    if (fill.a > 0) {
        for (int i = 0; i < POINTS; i++) DrawTriangle(centre, p[i], p[(i + 1) % POINTS], fill);
    }
    if (outline.a > 0) {
        for (int i = 0; i < POINTS; i++) DrawLineEx(p[i], p[(i + 1) % POINTS], 1.5f * c.s, outline);
    }
    MenuDrawEnd();
}

void MenuButtonDraw(const MenuCanvas &c, Rectangle r, const char *label, float size, int seed, bool primary,
                    bool hovered, bool enabled)
{
    MenuPanelDraw(c, {r.x, r.y + 5.0f, r.width, r.height}, {9, 10, 11, 110}, BLANK, seed, 4.0f);
    if (!enabled) {
        // A screen still to come: present but plainly not offered.
        MenuPanelDraw(c, r, {47, 36, 29, 255}, {84, 64, 46, 255}, seed, 4.0f);
        MenuTextCentred(c, label, r, size, {128, 110, 90, 255});
        return;
    }
    hovered = hovered && enabled;
    Color fill = hovered ? (primary ? Color{161, 108, 54, 255} : Color{90, 64, 44, 255})
                         : (primary ? Color{135, 87, 44, 255} : Color{63, 45, 34, 255});
    Color outline = hovered ? Color{230, 174, 79, 255} : primary ? Color{212, 154, 76, 255} : Color{121, 88, 55, 255};
    MenuPanelDraw(c, r, fill, outline, seed, 4.0f);
    MenuTextCentred(c, label, r, size, INK);
}

void MenuQuadDraw(Vector2 a, Vector2 b, Vector2 c, Vector2 d, Color ca, Color cb, Color cc, Color cd)
{
    auto vertex = [](Vector2 p, Color col) {
        rlColor4ub(col.r, col.g, col.b, col.a);
        rlVertex2f(p.x, p.y);
    };
    rlBegin(RL_TRIANGLES);
    vertex(a, ca);
    vertex(b, cb);
    vertex(c, cc);
    vertex(a, ca);
    vertex(c, cc);
    vertex(d, cd);
    rlEnd();
}

void MenuFlatRingDraw(Vector2 centre, float rx, float ry, float thick, Color colour)
{
    if (colour.a == 0 || !(rx > 0.0f)) return;
    float irx = std::fmax(0.0f, rx - thick), iry = std::fmax(0.0f, ry - 0.4f * thick);
    MenuDrawBegin();
    for (int k = 0; k < 32; k++) {
        float a0 = 2.0f * PI * (float)k / 32.0f, a1 = 2.0f * PI * (float)(k + 1) / 32.0f;
        Vector2 o0 = {centre.x + rx * std::cos(a0), centre.y + ry * std::sin(a0)};
        Vector2 o1 = {centre.x + rx * std::cos(a1), centre.y + ry * std::sin(a1)};
        Vector2 i1 = {centre.x + irx * std::cos(a1), centre.y + iry * std::sin(a1)};
        Vector2 i0 = {centre.x + irx * std::cos(a0), centre.y + iry * std::sin(a0)};
        MenuQuadDraw(o0, o1, i1, i0, colour, colour, colour, colour);
    }
    MenuDrawEnd();
}

void MenuTextDraw(const MenuCanvas &c, const char *text, Vector2 at, float size, Color colour)
{
    DrawTextEx(hudFont, text, MenuToWindow(c, at), size * c.s, 0.0f, colour);
}

float MenuTextWidth(const char *text, float size) { return MeasureTextEx(hudFont, text, size, 0.0f).x; }

void MenuTextCentred(const MenuCanvas &c, const char *text, Rectangle box, float size, Color colour)
{
    Vector2 extent = MeasureTextEx(hudFont, text, size * c.s, 0.0f);
    Vector2 centre = MenuToWindow(c, {box.x + 0.5f * box.width, box.y + 0.5f * box.height});
    DrawTextEx(hudFont, text, {centre.x - 0.5f * extent.x, centre.y - 0.5f * extent.y}, size * c.s, 0.0f, colour);
}

void MenuFocusRingDraw(const MenuCanvas &c, Rectangle r)
{
    Rectangle grown = MenuRectToWindow(c, {r.x - 4.0f, r.y - 4.0f, r.width + 8.0f, r.height + 8.0f});
    DrawRectangleRoundedLinesEx(grown, 0.14f, 8, 2.5f * c.s, {230, 174, 79, 255});
}

bool MenuPointerOver(const MenuState &menu, const MenuCanvas &c, Rectangle r)
{
    Vector2 p = MenuToCanvas(c, menu.pointer);
    return IsFinite(p) && p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height;
}

static void Buttons(const MenuState &menu, const MenuCanvas &c, const MenuButtonSpec *buttons, int count, float size,
                    bool hoverable)
{
    for (int i = 0; i < count; i++) {
        const MenuButtonSpec &b = buttons[i];
        bool hovered = hoverable && MenuPointerOver(menu, c, b.rect);
        MenuButtonDraw(c, b.rect, b.label, size, b.seed, b.primary, hovered, true);
    }
}

// [SECTION] Main menu

// "Победа за 15:02", "Первый след ещё впереди" or "Уровень 3  /  0:41".
static void RecordLine(const Profile &p, char *out, size_t size)
{
    if (p.victories > 0 && p.bestVictorySeconds > 0.0 && std::isfinite(p.bestVictorySeconds)) {
        long long total = (long long)std::floor(std::fmin(p.bestVictorySeconds, PROFILE_MAX_RUN_SECONDS));
        snprintf(out, size, "Победа за %lld:%02lld", total / 60, total % 60);
    } else if (p.bestLevel <= 0) {
        snprintf(out, size, "Первый след ещё впереди");
    } else {
        int total = (int)std::floor(ClampSafe(p.bestLevelSeconds, 0.0f, PROFILE_LOAD_LEVEL_SECONDS));
        snprintf(out, size, "Уровень %d  /  %d:%02d", p.bestLevel, total / 60, total % 60);
    }
}

static void MainDraw(const MenuState &menu, const Profile &profile, const MenuCanvas &c, bool hoverable)
{
    MenuTextDraw(c, "GLORVENT", {76.0f, 81.0f}, 81.0f, INK);
    Buttons(menu, c, MENU_MAIN_BUTTONS, 5, 29.0f, hoverable);

    MenuPanelDraw(c, {642.0f, 177.0f, 550.0f, 417.0f}, {40, 32, 27, 255}, {110, 77, 48, 255}, 820, 8.0f);
    MenuTextDraw(c, "Монеты", {679.0f, 247.0f}, 25.0f, MUTED);
    char text[96];
    snprintf(text, sizeof(text), "%llu", (unsigned long long)profile.coins);
    float width = MenuTextWidth(text, 45.0f);
    float size = width > 430.0f ? 45.0f * 430.0f / width : 45.0f;
    MenuTextDraw(c, text, {677.0f, 279.0f}, size, INK);
    MenuTextDraw(c, "Рекорд", {679.0f, 360.0f}, 25.0f, MUTED);
    RecordLine(profile, text, sizeof(text));
    MenuTextDraw(c, text, {679.0f, 395.0f}, 29.0f, INK);
    snprintf(text, sizeof(text), "Изучено существ: %d / %d", std::popcount((uint32_t)profile.discoveries & 127u), 7);
    MenuTextDraw(c, text, {679.0f, 459.0f}, 23.0f, MUTED);
}

// [SECTION] Pause

static void Veil(const MenuCanvas &c, Color colour)
{
    DrawRectangle(0, 0, (int)std::ceil(c.width), (int)std::ceil(c.height), colour);
}

static void PauseDraw(const MenuState &menu, const MenuCanvas &c, bool hoverable)
{
    Veil(c, {12, 10, 9, 125});
    MenuPanelDraw(c, {402.0f, 180.0f, 476.0f, 387.0f}, {46, 33, 25, 247}, {159, 115, 68, 255}, 1892, 5.0f);
    MenuTextCentred(c, "Пауза", {421.0f, 202.0f, 438.0f, 49.0f}, 38.0f, INK);
    Buttons(menu, c, MENU_PAUSE_BUTTONS, 3, 29.0f, hoverable);
}

// [SECTION] Dialogs

struct DialogText {
    const char *question, *line1, *line2;
};

static const DialogText DIALOG_TEXTS[3] = {
    {"Стереть весь прогресс?", "Все монеты, покупки, рекорд и открытия исчезнут.",
     "Настройки звука, музыки и окна сохранятся."},
    {"Выйти из игры?", "Монеты, покупки, рекорд и открытия сохранятся.",
     "Текущий забег продолжить после выхода нельзя."},
    {"Вернуться в главное меню?", "Текущий забег будет завершён.", "Монеты, покупки, рекорд и открытия сохранятся."},
};

static void DialogDraw(const MenuState &menu, const MenuCanvas &c)
{
    if (menu.dialog < MENU_DIALOG_ERASE || menu.dialog > MENU_DIALOG_MAIN_MENU) return;
    const DialogText &t = DIALOG_TEXTS[menu.dialog - 1];
    Veil(c, {12, 10, 9, 218});
    MenuPanelDraw(c, {266.0f, 193.0f, 748.0f, 339.0f}, {55, 39, 29, 255}, {183, 127, 65, 255}, 1525, 6.0f);
    MenuTextCentred(c, t.question, {284.0f, 225.0f, 712.0f, 59.0f}, 37.0f, INK);
    MenuTextCentred(c, t.line1, {284.0f, 312.0f, 712.0f, 30.0f}, 24.0f, MUTED);
    MenuTextCentred(c, t.line2, {284.0f, 354.0f, 712.0f, 30.0f}, 23.0f, MUTED);
    Buttons(menu, c, MENU_DIALOG_BUTTONS, 2, 29.0f, true);
}

// [SECTION] Frame

void MenuGraphicsRelease(MenuGraphics &graphics)
{
    SpecimenPreviewsRelease(graphics.previews);
    ComicArtRelease(graphics.comic);
}

// The focus ring; an entry row's ring stays inside the list it scrolls in.
static void FocusRing(const MenuState &menu, const Profile &profile, const MenuCanvas &c)
{
    MenuFocusItem list[MENU_FOCUS_CAPACITY];
    int n = MenuFocusList(menu, profile, list);
    if (n <= 0) return;
    const MenuFocusItem &item = list[ClampInt(menu.focusIndex, 0, n - 1)];
    if (item.row < 0) {
        MenuFocusRingDraw(c, item.rect);
        return;
    }
    Rectangle clip = MenuRectToWindow(c, ENCYCLOPEDIA_VIEWPORT);
    BeginScissorMode((int)std::floor(clip.x), (int)std::floor(clip.y), (int)std::ceil(clip.width), (int)std::ceil(clip.height));
    MenuFocusRingDraw(c, item.rect);
    EndScissorMode();
}

void MenuDraw(const MenuState &menu, const Profile &profile, MenuGraphics *graphics)
{
    if (menu.screen == MENU_SCREEN_PLAY) return;
    MenuCanvas c = MenuWindowCanvas();
    if (menu.screen == MENU_SCREEN_COMIC) {
        ComicDraw(menu.comic, profile.gamepad, graphics ? &graphics->comic : nullptr, menu.pointer);
        Vector2 p = menu.pointer;
        if (!profile.gamepad && IsFinite(p) && p.x >= 0.0f && p.y >= 0.0f && p.x < c.width && p.y < c.height)
            DisplayDrawCursor(p, menu.time);
        return;
    }
    bool hoverable = menu.dialog == MENU_DIALOG_NONE;
    MenuDrawBegin();
    switch (menu.screen) {
    case MENU_SCREEN_MAIN:
        MenuBackdropDraw();
        MenuAtmosphereDraw(menu.time);
        MainDraw(menu, profile, c, hoverable);
        break;
    case MENU_SCREEN_SHOP:
        ShopDraw(&profile.shop, profile.coins, menu.time,
                 hoverable ? MenuToCanvas(c, menu.pointer) : Vector2{-1.0f, -1.0f});
        break;
    case MENU_SCREEN_ENCYCLOPEDIA:
        MenuBackdropDraw();
        MenuAtmosphereDraw(menu.time);
        EncyclopediaDraw(menu, profile, graphics ? &graphics->previews : nullptr);
        break;
    case MENU_SCREEN_SETTINGS:
        if (menu.settingsParent == MENU_SCREEN_PAUSE) {
            SettingsDrawCompact(menu, profile);
        } else {
            MenuBackdropDraw();
            MenuAtmosphereDraw(menu.time);
            SettingsDrawFull(menu, profile);
        }
        break;
    case MENU_SCREEN_PAUSE:
        PauseDraw(menu, c, hoverable);
        break;
    default:
        break;
    }
    DialogDraw(menu, c);
    if (menu.keyboardMode || profile.gamepad) FocusRing(menu, profile, c);
    if (!profile.gamepad) PointerDripsDraw(menu.drips, menu.time);
    MenuDrawEnd();
}
