// Drawing the encyclopedia: titles, the comic button, the clipped list of entries with their
// specimen previews, the scroll bar and the way back.
#include "frontend/encyclopedia.h"

#include "common/maths.h"
#include "frontend/menu_draw.h"

#include <cmath>
#include <cstdio>
#include <cstring>

static constexpr Color INK = {245, 229, 202, 255};
static constexpr Color MUTED = {188, 160, 125, 255};
static constexpr Color AMBER = {230, 174, 79, 255};

// Draws `text` word-wrapped to `width` canvas pixels, at most `lines` lines, `step` apart.
static void Wrapped(const MenuCanvas &c, const char *text, Vector2 at, float size, float width, int lines, float step,
                    Color colour)
{
    char line[256];
    const char *p = text;
    for (int n = 0; n < lines && *p; n++) {
        while (*p == ' ') p++;
        // Take words while they fit; a single word too long for the width still gets its line.
        size_t taken = 0;
        const char *q = p;
        while (*q) {
            const char *end = q;
            while (*end && *end != ' ') end++;
            size_t length = (size_t)(end - p);
            if (length >= sizeof(line)) break;
            memcpy(line, p, length);
            line[length] = '\0';
            if (taken > 0 && MenuTextWidth(line, size) > width) break;
            taken = length;
            q = end;
            while (*q == ' ') q++;
        }
        if (taken == 0) break;
        memcpy(line, p, taken);
        line[taken] = '\0';
        MenuTextDraw(c, line, {at.x, at.y + step * (float)n}, size, colour);
        p += taken;
    }
}

void EncyclopediaDraw(const MenuState &menu, const Profile &profile, SpecimenPreviews *previews)
{
    MenuCanvas c = MenuWindowCanvas();
    bool hoverable = menu.dialog == MENU_DIALOG_NONE;
    float scroll = IsFinite(menu.scroll) ? ClampSafe(menu.scroll, 0.0f, ENCYCLOPEDIA_SCROLL_MAX) : 0.0f;
    if (previews) SpecimenPreviewsBeginFrame(*previews);

    MenuTextDraw(c, "GLORVENT", {45.0f, 22.0f}, 20.0f, AMBER);
    MenuTextDraw(c, "Энциклопедия", {44.0f, 48.0f}, 46.0f, INK);
    MenuTextDraw(c, "Встреть существо в игре, чтобы изучить его", {46.0f, 103.0f}, 23.0f, MUTED);
    MenuButtonDraw(c, ENCYCLOPEDIA_COMIC_RECT, "Вступительный комикс", 29.0f, 1286, false,
                   hoverable && MenuPointerOver(menu, c, ENCYCLOPEDIA_COMIC_RECT), true);

    Rectangle view = ENCYCLOPEDIA_VIEWPORT;
    Rectangle clip = MenuRectToWindow(c, view);
    clip = {std::floor(clip.x), std::floor(clip.y), std::ceil(clip.width), std::ceil(clip.height)};
    BeginScissorMode((int)clip.x, (int)clip.y, (int)clip.width, (int)clip.height);
    for (int i = 0; i < ENCYCLOPEDIA_ENTRY_COUNT; i++) {
        float y = 230.0f + 194.0f * (float)i - scroll;
        if (y + 180.0f < view.y || y > view.y + view.height) continue;
        bool seen = EncyclopediaDiscovered(profile, i);
        const EncyclopediaEntry &e = seen ? ENCYCLOPEDIA_ENTRIES[i] : ENCYCLOPEDIA_UNKNOWN;
        MenuPanelDraw(c, EncyclopediaRowRect(i, scroll), {48, 37, 29, 255}, {105, 76, 48, 255}, 639 + 197 * i, 4.0f);
        if (previews)
            SpecimenPreviewDraw(*previews, i, seen, MenuRectToWindow(c, {67.0f, y + 9.0f, 228.0f, 160.0f}), menu.time, &clip);
        char number[16];
        snprintf(number, sizeof(number), "%02d", i + 1);
        MenuTextDraw(c, number, {1134.0f, y + 19.0f}, 25.0f, {133, 103, 69, 255});
        MenuTextDraw(c, e.name, {326.0f, y + 25.0f}, 32.0f, seen ? INK : MUTED);
        Wrapped(c, e.description, {328.0f, y + 76.0f}, 23.0f, 785.0f, 3, 29.0f, MUTED);
    }
    EndScissorMode();

    Rectangle bar = ENCYCLOPEDIA_BAR_RECT;
    DrawRectangleRounded(MenuRectToWindow(c, bar), 1.0f, 8, {22, 20, 18, 255});
    Rectangle thumb = {bar.x, EncyclopediaThumbY(scroll), bar.width, ENCYCLOPEDIA_THUMB};
    DrawRectangleRounded(MenuRectToWindow(c, thumb), 1.0f, 8, {164, 122, 70, 255});

    MenuTextDraw(c, "Колесо мыши — прокрутка", {46.0f, 662.0f}, 21.0f, MUTED);
    MenuButtonDraw(c, MENU_BACK_RECT, "Назад", 25.0f, 774, false, hoverable && MenuPointerOver(menu, c, MENU_BACK_RECT), true);
}
