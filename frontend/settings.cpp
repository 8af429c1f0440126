// The settings screen's controls: layout, focus, hover, sliders and buttons.
//
// Index
//   [SECTION] Layout
//   [SECTION] Focus and hover
//   [SECTION] Sliders
//   [SECTION] Update
#include "frontend/settings.h"

#include "common/maths.h"

#include <cmath>

// [SECTION] Layout

static const char *const PRESET_LABELS[3] = {"Низкие", "Обычные", "Высокие"};
static const char *const SWITCH_LABELS[SETTINGS_SWITCH_ROWS][3] = {
    {"Выкл.", "Низкие", "Высокие"},
    {"Выкл.", "Низкие", "Высокие"},
    {"Мало", "Обычно", nullptr},
    {"Низкая", "Средняя", "Высокая"},
};

Rectangle SettingsPresetRect(int preset) { return {550.0f + 216.0f * (float)preset, 250.0f, 208.0f, 34.0f}; }

Rectangle SettingsSwitchRect(int row, int option)
{
    return {550.0f + 216.0f * (float)option, 348.0f + 44.0f * (float)row, 208.0f, 34.0f};
}

Rectangle SettingsSliderHitRect(Rectangle t)
{
    return {t.x, t.y - SETTINGS_HIT_GROW, t.width, t.height + 2.0f * SETTINGS_HIT_GROW};
}

static bool Inside(Rectangle r, Vector2 p) { return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height; }

bool SettingsCompact(const MenuState &menu) { return menu.settingsParent == MENU_SCREEN_PAUSE; }

// [SECTION] Focus and hover

int SettingsFocusItems(const MenuState &menu, MenuFocusItem *list, int n, int capacity)
{
    bool compact = SettingsCompact(menu);
    const SettingsLayout &l = compact ? SETTINGS_COMPACT : SETTINGS_FULL;
    auto add = [&](int id, Rectangle rect, const char *label, int slider) {
        if (n < capacity) list[n++] = {id, rect, label, slider, -1};
    };
    add(compact ? SETTINGS_ID_COMPACT_MUSIC : SETTINGS_ID_MUSIC, l.track[0], "Музыка", SETTINGS_SLIDER_MUSIC);
    add(compact ? SETTINGS_ID_COMPACT_SOUND : SETTINGS_ID_SOUND, l.track[1], "Звуки", SETTINGS_SLIDER_SOUND);
    if (!compact) {
        for (int k = 0; k < 3; k++) add(SETTINGS_ID_PRESET + k, SettingsPresetRect(k), PRESET_LABELS[k], -1);
        add(SETTINGS_ID_QUALITY, SETTINGS_QUALITY_TRACK, "Качество рендера", SETTINGS_SLIDER_QUALITY);
        for (int row = 0; row < SETTINGS_SWITCH_ROWS; row++)
            for (int k = 0; k < SETTINGS_SWITCH_OPTIONS[row]; k++)
                add(SETTINGS_ID_SWITCH + 3 * row + k, SettingsSwitchRect(row, k), SWITCH_LABELS[row][k], -1);
    }
    add(compact ? SETTINGS_ID_COMPACT_WINDOWED : SETTINGS_ID_WINDOWED, l.windowed, "В окне", -1);
    add(compact ? SETTINGS_ID_COMPACT_BORDERLESS : SETTINGS_ID_BORDERLESS, l.borderless, "На весь экран", -1);
    add(compact ? SETTINGS_ID_COMPACT_KEYBOARD : SETTINGS_ID_KEYBOARD, l.keyboard, "Клавиатура", -1);
    add(compact ? SETTINGS_ID_COMPACT_GAMEPAD : SETTINGS_ID_GAMEPAD, l.gamepad, "Геймпад", -1);
    if (!compact) {
        add(SETTINGS_ID_ERASE, SETTINGS_ERASE_RECT, "Стереть прогресс", -1);
        add(MENU_ID_BACK, MENU_BACK_RECT, "Назад", -1);
    }
    return n;
}

int SettingsControlAt(const MenuState &menu, Vector2 p)
{
    if (SettingsCompact(menu)) {
        const SettingsLayout &l = SETTINGS_COMPACT;
        if (Inside(l.windowed, p)) return SETTINGS_ID_COMPACT_WINDOWED;
        if (Inside(l.borderless, p)) return SETTINGS_ID_COMPACT_BORDERLESS;
        if (Inside(SettingsSliderHitRect(l.track[0]), p)) return SETTINGS_ID_COMPACT_MUSIC;
        if (Inside(SettingsSliderHitRect(l.track[1]), p)) return SETTINGS_ID_COMPACT_SOUND;
        if (Inside(l.box[0], p)) return SETTINGS_ID_COMPACT_MUSIC_BOX;
        if (Inside(l.box[1], p)) return SETTINGS_ID_COMPACT_SOUND_BOX;
        if (Inside(l.keyboard, p)) return SETTINGS_ID_COMPACT_KEYBOARD;
        if (Inside(l.gamepad, p)) return SETTINGS_ID_COMPACT_GAMEPAD;
        return 0;
    }
    const SettingsLayout &l = SETTINGS_FULL;
    if (Inside(MENU_BACK_RECT, p)) return MENU_ID_BACK;
    for (int k = 0; k < 3; k++)
        if (Inside(SettingsPresetRect(k), p)) return SETTINGS_ID_PRESET + k;
    if (Inside(SettingsSliderHitRect(SETTINGS_QUALITY_TRACK), p)) return SETTINGS_ID_QUALITY;
    for (int row = 0; row < SETTINGS_SWITCH_ROWS; row++)
        for (int k = 0; k < SETTINGS_SWITCH_OPTIONS[row]; k++)
            if (Inside(SettingsSwitchRect(row, k), p)) return SETTINGS_ID_SWITCH + 3 * row + k;
    if (Inside(SETTINGS_ERASE_RECT, p)) return SETTINGS_ID_ERASE;
    if (Inside(l.windowed, p)) return SETTINGS_ID_WINDOWED;
    if (Inside(l.borderless, p)) return SETTINGS_ID_BORDERLESS;
    if (Inside(l.box[0], p)) return SETTINGS_ID_MUSIC_BOX;
    if (Inside(l.box[1], p)) return SETTINGS_ID_SOUND_BOX;
    if (Inside(SettingsSliderHitRect(l.track[0]), p)) return SETTINGS_ID_MUSIC;
    if (Inside(SettingsSliderHitRect(l.track[1]), p)) return SETTINGS_ID_SOUND;
    if (Inside(l.keyboard, p)) return SETTINGS_ID_KEYBOARD;
    if (Inside(l.gamepad, p)) return SETTINGS_ID_GAMEPAD;
    return 0;
}

// [SECTION] Sliders

static float &Volume(Profile &p, int channel) { return channel == SETTINGS_SLIDER_MUSIC ? p.musicVolume : p.soundVolume; }
static bool &Enabled(Profile &p, int channel) { return channel == SETTINGS_SLIDER_MUSIC ? p.musicEnabled : p.soundEnabled; }

// Twentieths of a volume, or the quality's steps of 5 above 50: where a slider last ticked.
static int TickStep(const Profile &p, int slider)
{
    if (slider == SETTINGS_SLIDER_QUALITY) return (ClampInt(p.graphics[0], 50, 100) - 50) / SETTINGS_QUALITY_STEP;
    float v = slider == SETTINGS_SLIDER_MUSIC ? p.musicVolume : p.soundVolume;
    return (int)std::lround(ClampSafe(v, 0.0f, 1.0f) * 20.0f);
}

// One frame of a captured slider at canvas x `px`: the value follows the pointer every frame;
// the tick reports the latest position whenever the throttle lets one through.
static void Drag(MenuState &menu, Profile &profile, float px)
{
    bool compact = SettingsCompact(menu);
    int slider = menu.dragControl;
    if (slider == SETTINGS_SLIDER_QUALITY) {
        if (compact) return;
        Rectangle t = SETTINGS_QUALITY_TRACK;
        float x = ClampSafe((px - t.x) / t.width, 0.0f, 1.0f);
        int step = (int)std::lround(x * 10.0f);
        profile.graphics[0] = 50 + SETTINGS_QUALITY_STEP * step;
        if (step != menu.lastTickStep && menu.tickThrottle <= 0.0f) {
            MenuRaiseCue(menu, MENU_CUE_SLIDER_TICK);
            menu.tickThrottle = SETTINGS_TICK_THROTTLE;
            menu.lastTickStep = step;
        }
        return;
    }
    Rectangle t = (compact ? SETTINGS_COMPACT : SETTINGS_FULL).track[slider];
    float x = ClampSafe((px - t.x) / t.width, 0.0f, 1.0f);
    bool wasOff = !Enabled(profile, slider);
    Volume(profile, slider) = x;
    Enabled(profile, slider) = true;
    int step = (int)std::lround(x * 20.0f);
    if ((step != menu.lastTickStep || wasOff) && menu.tickThrottle <= 0.0f) {
        MenuRaiseCue(menu, MENU_CUE_SLIDER_TICK);
        menu.tickThrottle = SETTINGS_TICK_THROTTLE;
        menu.lastTickStep = step;
    } else if (wasOff) {
        // Switched on under the throttle: the tick is owed, whatever the position then.
        menu.lastTickStep = -1;
    }
}

bool SettingsSliderKey(MenuState &menu, Profile &profile, int slider, int stepX, bool accept)
{
    if (slider == SETTINGS_SLIDER_QUALITY) {
        if (SettingsCompact(menu) || stepX == 0) return false;
        int before = profile.graphics[0];
        int q = ClampInt(before, 50, 100) + SETTINGS_QUALITY_STEP * (stepX > 0 ? 1 : -1);
        profile.graphics[0] = ClampInt(q, 50, 100);
        if (profile.graphics[0] == before) return false;
        MenuRaiseCue(menu, MENU_CUE_SLIDER_TICK);
        return true;
    }
    if (slider != SETTINGS_SLIDER_MUSIC && slider != SETTINGS_SLIDER_SOUND) return false;
    bool &on = Enabled(profile, slider);
    if (stepX == 0) {
        if (!accept) return false;
        on = !on;
        MenuRaiseCue(menu, MENU_CUE_ACCEPT);
        return true;
    }
    float &volume = Volume(profile, slider);
    float v = ClampSafe(volume + SETTINGS_VOLUME_STEP * (stepX > 0 ? 1.0f : -1.0f), 0.0f, 1.0f);
    // Key steps stay on the grid of hundredths instead of collecting float error.
    v = std::round(v * 10000.0f) / 10000.0f;
    bool changed = v != volume || !on;
    volume = v;
    on = true;
    if (changed) MenuRaiseCue(menu, MENU_CUE_SLIDER_TICK);
    return changed;
}

// [SECTION] Update

int SettingsUpdate(MenuState &menu, Profile &profile)
{
    const MenuInput &io = menu.io;
    MenuCanvas canvas = MenuCanvasFor(io.windowWidth, io.windowHeight);
    Vector2 p = MenuToCanvas(canvas, io.pointer);
    bool compact = SettingsCompact(menu);
    const SettingsLayout &l = compact ? SETTINGS_COMPACT : SETTINGS_FULL;

    if (menu.dragControl >= 0 && !io.held && !io.pressed) menu.dragControl = -1;
    bool captured = false;
    if (menu.dragControl < 0 && io.pressed && IsFinite(p)) {
        for (int k = 0; k < 2 && !captured; k++) {
            if (!Inside(SettingsSliderHitRect(l.track[k]), p)) continue;
            menu.dragControl = k;
            captured = true;
        }
        if (!captured && !compact && Inside(SettingsSliderHitRect(SETTINGS_QUALITY_TRACK), p)) {
            menu.dragControl = SETTINGS_SLIDER_QUALITY;
            captured = true;
        }
        if (captured) menu.lastTickStep = TickStep(profile, menu.dragControl);
    }
    if (menu.dragControl > SETTINGS_SLIDER_QUALITY || (compact && menu.dragControl == SETTINGS_SLIDER_QUALITY))
        menu.dragControl = -1;
    if (menu.dragControl >= 0) {
        if ((io.held || io.pressed) && IsFinite(p)) Drag(menu, profile, p.x);
        return SETTINGS_EVENT_NONE;
    }

    auto click = [&](int id, Rectangle r) {
        if (!MenuButton(menu, id, r)) return false;
        MenuRaiseCue(menu, MENU_CUE_ACCEPT);
        return true;
    };
    int music = compact ? SETTINGS_ID_COMPACT_MUSIC_BOX : SETTINGS_ID_MUSIC_BOX;
    int sound = compact ? SETTINGS_ID_COMPACT_SOUND_BOX : SETTINGS_ID_SOUND_BOX;
    if (click(music, l.box[0])) profile.musicEnabled = !profile.musicEnabled;
    else if (click(sound, l.box[1])) profile.soundEnabled = !profile.soundEnabled;
    else if (click(compact ? SETTINGS_ID_COMPACT_WINDOWED : SETTINGS_ID_WINDOWED, l.windowed)) profile.borderless = false;
    else if (click(compact ? SETTINGS_ID_COMPACT_BORDERLESS : SETTINGS_ID_BORDERLESS, l.borderless)) profile.borderless = true;
    else if (click(compact ? SETTINGS_ID_COMPACT_KEYBOARD : SETTINGS_ID_KEYBOARD, l.keyboard)) profile.gamepad = false;
    else if (click(compact ? SETTINGS_ID_COMPACT_GAMEPAD : SETTINGS_ID_GAMEPAD, l.gamepad)) {
        // The pad drives the menus from now on: the focus ring shows, the pointer goes.
        profile.gamepad = true;
        menu.keyboardMode = true;
    }
    if (compact) return SETTINGS_EVENT_NONE;

    for (int k = 0; k < 3; k++)
        if (click(SETTINGS_ID_PRESET + k, SettingsPresetRect(k))) ProfileApplyGraphicsPreset(profile, k);
    for (int row = 0; row < SETTINGS_SWITCH_ROWS; row++)
        for (int k = 0; k < SETTINGS_SWITCH_OPTIONS[row]; k++)
            if (click(SETTINGS_ID_SWITCH + 3 * row + k, SettingsSwitchRect(row, k))) profile.graphics[1 + row] = k;
    if (MenuButton(menu, SETTINGS_ID_ERASE, SETTINGS_ERASE_RECT)) return SETTINGS_EVENT_ERASE;
    if (MenuButton(menu, MENU_ID_BACK, MENU_BACK_RECT)) return SETTINGS_EVENT_BACK;
    return SETTINGS_EVENT_NONE;
}

SettingsChanges SettingsCompare(const Profile &before, const Profile &after)
{
    SettingsChanges c{};
    c.borderless = before.borderless != after.borderless;
    c.renderScale = before.graphics[0] != after.graphics[0];
    for (int i = 1; i < PROFILE_GRAPHICS; i++) c.graphics = c.graphics || before.graphics[i] != after.graphics[i];
    c.gamepad = before.gamepad != after.gamepad;
    c.audio = before.musicVolume != after.musicVolume || before.soundVolume != after.soundVolume ||
              before.musicEnabled != after.musicEnabled || before.soundEnabled != after.soundEnabled;
    return c;
}
