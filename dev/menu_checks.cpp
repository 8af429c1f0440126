// The menus' self-check and the driver that plays them.
//
// Index
//   [SECTION] Driver
//   [SECTION] Checks
#include "dev/menu_checks.h"

#include "audio/audio_publish.h"
#include "campaign/shop.h"
#include "frontend/encyclopedia.h"
#include "frontend/settings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

// [SECTION] Driver

void DevMenuDriverReset(DevMenuDriver &d, bool gamepad, float width, float height)
{
    d = DevMenuDriver{};
    MenuInit(d.menu);
    ProfileDefaults(d.profile);
    d.profile.gamepad = gamepad;
    d.gamepad = gamepad;
    d.width = width;
    d.height = height;
    d.dt = 1.0f / 60.0f;
    d.mouse = {-1.0f, -1.0f};
}

static int Frame(DevMenuDriver &d, int key, bool shift, bool click, bool held = false)
{
    static bool keys[512], down[512], repeat[512], pad[18];
    for (bool &k : keys) k = false;
    for (bool &k : down) k = false;
    for (bool &k : repeat) k = false;
    for (bool &b : pad) b = false;
    MenuDevices devices{};
    devices.focused = true;
    devices.gamepad = d.gamepad;
    devices.windowWidth = d.width;
    devices.windowHeight = d.height;
    devices.mouse = d.mouse;
    devices.mousePressed = click;
    devices.mouseDown = click || held;
    devices.keyPressed = keys;
    devices.keyDown = down;
    devices.keyRepeat = repeat;
    devices.keyCount = 512;
    devices.padPressed = pad;
    devices.padRepeat = pad;
    devices.padCount = 18;
    if (key > 0 && d.gamepad && key < 18) pad[key] = true;
    if (key > 0 && !d.gamepad && key < 512) keys[key] = down[key] = true;
    if (shift) down[KEY_LEFT_SHIFT] = true;
    MenuInput in = MenuReadInput(d.menu, devices);
    return MenuFrameUpdate(d.menu, d.profile, d.pausedThisFrame, d.runActive, d.dt, in, nullptr);
}

int DevMenuIdle(DevMenuDriver &d, int frames)
{
    int action = MENU_ACTION_NONE;
    for (int i = 0; i < frames; i++) {
        int a = Frame(d, 0, false, false);
        if (a != MENU_ACTION_NONE) action = a;
    }
    return action;
}

int DevMenuPress(DevMenuDriver &d, int key, bool shift) { return Frame(d, key, shift, false); }

int DevMenuHold(DevMenuDriver &d) { return Frame(d, 0, false, false, true); }

int DevMenuMouse(DevMenuDriver &d, Vector2 p, bool click)
{
    d.mouse = MenuToWindow(MenuCanvasFor(d.width, d.height), p);
    return Frame(d, 0, false, click);
}

const char *DevMenuFocused(const DevMenuDriver &d)
{
    MenuFocusItem list[MENU_FOCUS_CAPACITY];
    int n = MenuFocusList(d.menu, d.profile, list);
    return n > 0 && d.menu.focusIndex >= 0 && d.menu.focusIndex < n ? list[d.menu.focusIndex].label : "";
}

// [SECTION] Checks

struct Tally {
    int passed, failed;
};

static void Check(Tally &t, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? t.passed : t.failed)++;
}

static bool Focused(const DevMenuDriver &d, const char *label) { return strcmp(DevMenuFocused(d), label) == 0; }

static Vector2 Centre(Rectangle r) { return {r.x + 0.5f * r.width, r.y + 0.5f * r.height}; }

int DevTestMenu()
{
    Tally t{};
    DevMenuDriver d;

    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    DevMenuIdle(d, 120);
    Check(t, d.menu.cueSerial == 0 && d.menu.screen == MENU_SCREEN_MAIN, "a fresh menu stays silent on the main screen");

    DevMenuPress(d, KEY_DOWN);
    Check(t, Focused(d, "Магазин") && d.menu.cueType == MENU_CUE_HOVER, "Down from \"Играть\" focuses \"Магазин\" with a hover cue");
    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    DevMenuPress(d, KEY_TAB, true);
    Check(t, Focused(d, "Выход"), "Shift+Tab from \"Играть\" wraps to \"Выход\"");
    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    DevMenuPress(d, KEY_UP);
    Check(t, Focused(d, "Выход"), "Up from \"Играть\" wraps to \"Выход\"");

    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    DevMenuMouse(d, {300.0f, 270.0f}, false);
    DevMenuPress(d, KEY_DOWN);
    DevMenuIdle(d, 60);
    Check(t, d.menu.keyboardMode && Focused(d, "Магазин"), "a still mouse never takes the focus back from the keys");
    DevMenuPress(d, KEY_ENTER);
    Check(t, d.menu.screen == MENU_SCREEN_SHOP && d.menu.cueType == MENU_CUE_ACCEPT, "Enter on \"Магазин\" opens the shop");

    d.profile.coins = 24;
    DevMenuMouse(d, Centre(ShopBuyRect(SHOP_COINS)), true);
    Check(t, d.profile.coins == 24 && d.profile.shop.level[SHOP_COINS] == 0 && d.menu.cueType == MENU_CUE_DENIAL,
          "the shop refuses a purchase one coin short, with the denial cue");
    DevMenuIdle(d, 2);
    d.profile.coins = 25;
    DevMenuMouse(d, Centre(ShopBuyRect(SHOP_COINS)), true);
    Check(t, d.profile.coins == 0 && d.profile.shop.level[SHOP_COINS] == 1 && d.menu.cueType == MENU_CUE_PURCHASE,
          "the shop buys at exactly the price and leaves 0, with the purchase cue");
    AudioPublishInput audio = MenuAudioInput(d.menu, d.profile, true, d.width);
    Check(t, AudioPublishCueId(audio.cueType) == 5 && audio.musicContext == 2, "the purchase reaches the publisher as cue 5 in context 2");
    int serial = d.menu.contextSerial;
    DevMenuPress(d, KEY_ESCAPE);
    Check(t, d.menu.screen == MENU_SCREEN_MAIN && d.menu.cueType == MENU_CUE_BACK && d.menu.contextSerial == serial + 1,
          "Escape in the shop returns to the main menu with the back cue, one context step");

    DevMenuPress(d, KEY_ESCAPE);
    Check(t, d.menu.dialog == MENU_DIALOG_QUIT && Focused(d, "Нет"), "Escape on the main menu asks to quit with \"Нет\" focused");
    int action = DevMenuMouse(d, Centre(MENU_DIALOG_BUTTONS[0].rect), true);
    Check(t, action == MENU_ACTION_QUIT, "\"Да\" in the quit dialog quits");

    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    d.runActive = true;
    MenuShow(d.menu, MENU_SCREEN_PAUSE);
    d.pausedThisFrame = true;
    action = DevMenuPress(d, KEY_ESCAPE);
    bool skipped = action == MENU_ACTION_NONE && d.menu.screen == MENU_SCREEN_PAUSE && !d.pausedThisFrame;
    action = DevMenuPress(d, KEY_ESCAPE);
    Check(t, skipped && action == MENU_ACTION_CONTINUE && d.menu.screen == MENU_SCREEN_PLAY,
          "the pause ignores the key that opened it and resumes on the next Escape");

    DevMenuDriverReset(d, true, 1280.0f, 720.0f);
    DevMenuPress(d, GAMEPAD_BUTTON_LEFT_FACE_DOWN);
    DevMenuPress(d, GAMEPAD_BUTTON_RIGHT_FACE_DOWN);
    Check(t, d.menu.screen == MENU_SCREEN_SHOP && d.menu.keyboardMode, "the gamepad moves the focus and accepts");

    PointerDrips drips{};
    float time = 0.0f;
    int most = 0;
    bool finite = true;
    for (int i = 0; i < 600; i++) {
        time += 1.0f / 60.0f;
        PointerDripsUpdate(drips, {640.0f, 200.0f}, 1.0f / 60.0f, true, time, 1280.0f, 0.0f);
        for (const PointerDrip &p : drips.slots) finite = finite && (!p.active || (std::isfinite(p.x) && std::isfinite(p.y)));
        most = PointerDripsActive(drips) > most ? PointerDripsActive(drips) : most;
    }
    for (int i = 0; i < 240; i++) {
        time += 1.0f / 60.0f;
        PointerDripsUpdate(drips, {-5.0f, 200.0f}, 1.0f / 60.0f, true, time, 1280.0f, 0.0f);
    }
    Check(t, finite && most > 0 && PointerDripsActive(drips) == 0, "drips in a window of height 0 stay finite and free their slots");

    // The settings, both forms.
    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    DevMenuMouse(d, Centre(MENU_MAIN_BUTTONS[3].rect), true);   // "Настройки"
    Check(t, d.menu.screen == MENU_SCREEN_SETTINGS && d.menu.settingsParent == MENU_SCREEN_MAIN,
          "\"Настройки\" on the main menu opens the full settings");
    Rectangle music = SETTINGS_FULL.track[0];
    int ticks = 0;
    DevMenuMouse(d, {music.x + 0.2f * music.width, music.y + 7.0f}, true);
    for (int i = 0; i <= 30; i++) {
        int before = d.menu.cueSerial;
        d.mouse = MenuToWindow(MenuCanvasFor(d.width, d.height), {music.x + (0.2f + 0.02f * (float)i) * music.width, music.y + 7.0f});
        DevMenuHold(d);
        if (d.menu.cueSerial != before && d.menu.cueType == MENU_CUE_SLIDER_TICK) ticks++;
    }
    char dragged[160];
    snprintf(dragged, sizeof(dragged), "a half-second drag across twelve twentieths ends at %.0f%% with %d throttled ticks",
             100.0f * d.profile.musicVolume, ticks);
    Check(t, std::fabs(d.profile.musicVolume - 0.8f) < 1e-4f && ticks >= 4 && ticks <= 6, dragged);
    DevMenuMouse(d, {640.0f, 40.0f}, false);
    DevMenuMouse(d, Centre(SETTINGS_FULL.gamepad), false);
    Check(t, d.menu.hovered == SETTINGS_ID_GAMEPAD && d.menu.cueType == MENU_CUE_HOVER, "the gamepad button is a hover target");
    DevMenuMouse(d, Centre(SettingsPresetRect(0)), true);
    Check(t, ProfileGraphicsPresetIndex(d.profile) == 0 && d.menu.cueType == MENU_CUE_ACCEPT, "a preset button sets its row");
    DevMenuMouse(d, Centre(MENU_BACK_RECT), true);
    Check(t, d.menu.screen == MENU_SCREEN_MAIN && d.menu.cueType == MENU_CUE_BACK, "\"Назад\" leaves the settings with the back cue");

    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    d.runActive = true;
    MenuShow(d.menu, MENU_SCREEN_PAUSE);
    DevMenuMouse(d, Centre(MENU_PAUSE_BUTTONS[1].rect), true);
    MenuFocusItem items[MENU_FOCUS_CAPACITY];
    int n = MenuFocusList(d.menu, d.profile, items);
    Check(t, d.menu.screen == MENU_SCREEN_SETTINGS && MenuShowsGame(d.menu) && n == 6,
          "the pause's \"Настройки\" opens the compact form with six controls");
    DevMenuPress(d, KEY_RIGHT);
    Check(t, std::fabs(d.profile.musicVolume - 0.8f) < 1e-4f && d.menu.cueType == MENU_CUE_SLIDER_TICK,
          "Right on the focused music slider adds 5% with a tick");
    DevMenuPress(d, KEY_ESCAPE);
    Check(t, d.menu.screen == MENU_SCREEN_PAUSE && d.menu.cueType == MENU_CUE_BACK, "back from the compact form returns to the pause");

    // The encyclopedia.
    DevMenuDriverReset(d, false, 1280.0f, 720.0f);
    MenuShow(d.menu, MENU_SCREEN_ENCYCLOPEDIA);
    for (int i = 0; i < 7; i++) DevMenuPress(d, KEY_DOWN);
    float last = d.menu.scroll;
    Check(t, last == 946.0f, "keyboard focus on the seventh entry scrolls it fully into view");
    DevMenuMouse(d, Centre(ENCYCLOPEDIA_COMIC_RECT), true);
    DevMenuPress(d, KEY_ESCAPE);
    Check(t, d.menu.screen == MENU_SCREEN_ENCYCLOPEDIA && d.menu.scroll == last,
          "a skipped comic replay returns to the encyclopedia at the same scroll");

    printf("%d passed, %d failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}
