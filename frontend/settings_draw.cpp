// Drawing the settings: the full screen over the menu backdrop and the compact panel over the
// frozen game, with the menus' hand-drawn widgets.
//
// Index
//   [SECTION] Widgets
//   [SECTION] Full form
//   [SECTION] Compact form
#include "frontend/settings.h"

#include "common/maths.h"
#include "frontend/menu_draw.h"

#include <cmath>
#include <cstdio>

static constexpr Color INK = {245, 229, 202, 255};
static constexpr Color MUTED = {188, 160, 125, 255};
static constexpr Color AMBER = {230, 174, 79, 255};
static constexpr Color TRACK = {22, 20, 18, 255};

// [SECTION] Widgets

static bool Hovered(const MenuState &menu, const MenuCanvas &c, Rectangle r)
{
    return menu.dialog == MENU_DIALOG_NONE && MenuPointerOver(menu, c, r);
}

static void Button(const MenuState &menu, const MenuCanvas &c, Rectangle r, const char *label, float size, int seed,
                   bool primary)
{
    MenuButtonDraw(c, r, label, size, seed, primary, Hovered(menu, c, r), true);
}

static void RoundedBar(const MenuCanvas &c, Rectangle r, Color colour)
{
    if (!(r.width > 0.0f)) return;
    DrawRectangleRounded(MenuRectToWindow(c, r), 1.0f, 10, colour);
}

// A track filled to `fraction` of its width.
static void Track(const MenuCanvas &c, Rectangle t, float fraction, Color fill)
{
    RoundedBar(c, t, TRACK);
    float f = ClampSafe(IsFinite(fraction) ? fraction : 0.0f, 0.0f, 1.0f);
    RoundedBar(c, {t.x, t.y, std::fmax(f * t.width, t.height), t.height}, fill);
}

// An on/off box: a small hand-drawn panel with a two-stroke check mark when on.
static void CheckBox(const MenuCanvas &c, Rectangle box, bool on, Color outline, int seed)
{
    MenuPanelDraw(c, box, {26, 24, 21, 255}, outline, seed, 2.0f);
    if (!on) return;
    Vector2 a = MenuToWindow(c, {box.x + 7.0f, box.y + 18.0f});
    Vector2 b = MenuToWindow(c, {box.x + 15.0f, box.y + 26.0f});
    Vector2 d = MenuToWindow(c, {box.x + 29.0f, box.y + 8.0f});
    DrawLineEx(a, b, 3.0f * c.s, AMBER);
    DrawLineEx(b, d, 3.0f * c.s, AMBER);
}

static void Percent(const MenuCanvas &c, float value, Vector2 at, float size, Color colour)
{
    char text[16];
    snprintf(text, sizeof(text), "%d%%", (int)std::lround(ClampSafe(IsFinite(value) ? value : 0.0f, 0.0f, 100.0f)));
    MenuTextDraw(c, text, at, size, colour);
}

static const char *const SWITCH_NAMES[SETTINGS_SWITCH_ROWS] = {"Облака", "Тени", "Брызги", "Детализация мобов"};
static const char *const SWITCH_LABELS[SETTINGS_SWITCH_ROWS][3] = {
    {"Выкл.", "Низкие", "Высокие"},
    {"Выкл.", "Низкие", "Высокие"},
    {"Мало", "Обычно", nullptr},
    {"Низкая", "Средняя", "Высокая"},
};

// [SECTION] Full form

void SettingsDrawFull(const MenuState &menu, const Profile &profile)
{
    MenuCanvas c = MenuWindowCanvas();
    const SettingsLayout &l = SETTINGS_FULL;
    MenuTextDraw(c, "GLORVENT", {45.0f, 22.0f}, 20.0f, AMBER);
    MenuTextDraw(c, "Настройки", {44.0f, 48.0f}, 46.0f, INK);

    for (int r = 0; r < 2; r++) {
        float y = 125.0f + 58.0f * (float)r;
        bool on = r == 0 ? profile.musicEnabled : profile.soundEnabled;
        float volume = r == 0 ? profile.musicVolume : profile.soundVolume;
        Color state = on ? AMBER : MUTED;
        MenuPanelDraw(c, {80.0f, y, 1112.0f, 50.0f}, {48, 38, 31, 255}, {103, 77, 53, 255}, 221 + 57 * r, 3.0f);
        MenuTextDraw(c, r == 0 ? "Музыка" : "Звуки", {108.0f, y + 12.0f}, 25.0f, INK);
        Rectangle t = l.track[r];
        Track(c, t, volume, state);
        float knob = t.x + ClampSafe(volume, 0.0f, 1.0f) * t.width;
        DrawCircleV(MenuToWindow(c, {knob, t.y + 0.5f * t.height}), 10.0f * c.s, state);
        Percent(c, volume * 100.0f, {877.0f, y + 13.0f}, 24.0f, INK);
        CheckBox(c, l.box[r], on, state, 543 + 23 * r);
        MenuTextDraw(c, on ? "Вкл." : "Выкл.", {1126.0f, y + 16.0f}, 20.0f, MUTED);
    }

    MenuPanelDraw(c, {80.0f, 244.0f, 1112.0f, 282.0f}, {40, 32, 27, 255}, {103, 77, 53, 255}, 989, 4.0f);
    MenuTextDraw(c, "Графика", {108.0f, 254.0f}, 27.0f, AMBER);
    static const char *const PRESETS[3] = {"Низкие", "Обычные", "Высокие"};
    int preset = ProfileGraphicsPresetIndex(profile);
    for (int k = 0; k < 3; k++) Button(menu, c, SettingsPresetRect(k), PRESETS[k], 22.0f, 820 + 37 * k, preset == k);

    MenuTextDraw(c, "Качество рендера", {108.0f, 304.0f}, 24.0f, INK);
    Rectangle q = SETTINGS_QUALITY_TRACK;
    float quality = (float)ClampInt(profile.graphics[0], 50, 100);
    float fraction = (quality - 50.0f) / 50.0f;
    Track(c, q, fraction, AMBER);
    DrawCircleV(MenuToWindow(c, {q.x + fraction * q.width, q.y + 0.5f * q.height}), 10.0f * c.s, AMBER);
    Percent(c, quality, {1100.0f, 302.0f}, 26.0f, INK);

    for (int row = 0; row < SETTINGS_SWITCH_ROWS; row++) {
        MenuTextDraw(c, SWITCH_NAMES[row], {108.0f, 353.0f + 44.0f * (float)row}, 24.0f, INK);
        for (int k = 0; k < SETTINGS_SWITCH_OPTIONS[row]; k++)
            Button(menu, c, SettingsSwitchRect(row, k), SWITCH_LABELS[row][k], 22.0f, 1250 + 31 * (row + 1) + k,
                   profile.graphics[1 + row] == k);
    }

    MenuTextDraw(c, "Экран", {108.0f, 548.0f}, 25.0f, INK);
    Button(menu, c, l.windowed, "В окне", 23.0f, 737, !profile.borderless);
    Button(menu, c, l.borderless, "На весь экран", 23.0f, 737 + 97, profile.borderless);
    MenuTextDraw(c, "Управление", {108.0f, 600.0f}, 25.0f, INK);
    Button(menu, c, l.keyboard, "Клавиатура", 23.0f, 1870, !profile.gamepad);
    Button(menu, c, l.gamepad, "Геймпад", 23.0f, 1870 + 53, profile.gamepad);

    Button(menu, c, SETTINGS_ERASE_RECT, "Стереть прогресс", 25.0f, 93, false);
    Button(menu, c, MENU_BACK_RECT, "Назад", 29.0f, 774, false);
}

// [SECTION] Compact form

void SettingsDrawCompact(const MenuState &menu, const Profile &profile)
{
    MenuCanvas c = MenuWindowCanvas();
    const SettingsLayout &l = SETTINGS_COMPACT;
    DrawRectangle(0, 0, (int)std::ceil(c.width), (int)std::ceil(c.height), {12, 10, 9, 125});
    MenuPanelDraw(c, {260.0f, 151.0f, 760.0f, 410.0f}, {46, 33, 25, 247}, {159, 115, 68, 255}, 1633, 5.0f);
    MenuTextCentred(c, "Настройки", {288.0f, 173.0f, 704.0f, 52.0f}, 38.0f, INK);

    for (int r = 0; r < 2; r++) {
        float dy = 69.0f * (float)r;
        bool on = r == 0 ? profile.musicEnabled : profile.soundEnabled;
        float volume = ClampSafe(r == 0 ? profile.musicVolume : profile.soundVolume, 0.0f, 1.0f);
        MenuTextDraw(c, r == 0 ? "Музыка" : "Звуки", {292.0f, 239.0f + dy}, 27.0f, INK);
        Rectangle t = l.track[r];
        Track(c, t, volume, on ? AMBER : MUTED);
        Vector2 knob = MenuToWindow(c, {t.x + volume * t.width, t.y + 0.5f * t.height});
        DrawCircleV(knob, 14.0f * c.s, {20, 17, 14, 255});
        DrawCircleV(knob, 13.0f * c.s, on ? Color{246, 200, 120, 255} : MUTED);
        DrawCircleV({knob.x - 3.0f * c.s, knob.y - 4.0f * c.s}, 4.0f * c.s, Fade(WHITE, 0.22f));
        Percent(c, volume * 100.0f, {838.0f, 242.0f + dy}, 26.0f, MUTED);
        bool lit = on || Hovered(menu, c, l.box[r]);
        CheckBox(c, l.box[r], on, lit ? AMBER : MUTED, 1543 + 23 * r);
    }

    MenuTextDraw(c, "Экран", {292.0f, 401.0f}, 27.0f, INK);
    Button(menu, c, l.windowed, "В окне", 23.0f, 854, !profile.borderless);
    Button(menu, c, l.borderless, "На весь экран", 23.0f, 854 + 39, profile.borderless);
    MenuTextDraw(c, "Управление", {292.0f, 473.0f}, 23.0f, INK);
    Button(menu, c, l.keyboard, "Клавиатура", 23.0f, 1870, !profile.gamepad);
    Button(menu, c, l.gamepad, "Геймпад", 23.0f, 1870 + 53, profile.gamepad);
}
