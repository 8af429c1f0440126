// The menus' pictures: each screen and dialog reached by playing the menus with keys, pad buttons
// or the mouse through the game's own input reading and menu frame, then drawn as a menu frame
// draws it and read back from the window.
#include "dev/menu_capture.h"

#include "app/app.h"
#include "campaign/shop.h"
#include "dev/menu_checks.h"
#include "frontend/encyclopedia.h"
#include "frontend/menu_draw.h"
#include "frontend/settings.h"

#include <cstdio>
#include <cstring>

struct MenuCapture {
    App *app;
    MenuGraphics *graphics;   // the previews and the comic picture, made as start-up makes them
    bool gamepad;
    int written, failed;
};

// A profile with something to show: coins, bought and full upgrades, a record, three discoveries.
static void SampleProfile(Profile &p)
{
    p.coins = 640;
    p.shop.level[SHOP_COINS] = 3;
    p.shop.level[SHOP_SPEED] = 2;
    p.shop.level[SHOP_HEALTH] = 5;
    p.shop.level[SHOP_REGEN] = 1;
    p.shop.level[SHOP_BINDINGS] = 6;
    p.shop.level[SHOP_REPEL] = 2;
    p.shop.level[SHOP_MAGNET] = 1;
    p.bestLevel = 3;
    p.bestLevelSeconds = 41.0f;
    p.discoveries = 0x0B;
}

static void Shot(MenuCapture &c, DevMenuDriver &d, const char *screen)
{
    const char *variant = c.gamepad ? "gamepad" : d.menu.keyboardMode ? "keyboard" : "mouse";
    char path[160];
    snprintf(path, sizeof(path), "artifacts/menu-%s-%s.png", screen, variant);
    BeginDrawing();
    ClearBackground(BLACK);
    if (MenuShowsGame(d.menu)) LoopDrawGame(*c.app);
    MenuDraw(d.menu, d.profile, c.graphics);
    Image image = LoadImageFromScreen();
    bool ok = IsImageValid(image) && ExportImage(image, path);
    UnloadImage(image);
    EndDrawing();
    printf("%s %s\n", ok ? "wrote" : "FAILED", path);
    (ok ? c.written : c.failed)++;
}

static Vector2 Centre(Rectangle r) { return {r.x + 0.5f * r.width, r.y + 0.5f * r.height}; }

// The keys (or their pad buttons) the menus are played with.
struct Keys {
    int down, right, left, accept, back;
};

static DevMenuDriver Fresh(const MenuCapture &c)
{
    DevMenuDriver d;
    DevMenuDriverReset(d, c.gamepad, (float)GetScreenWidth(), (float)GetScreenHeight());
    SampleProfile(d.profile);
    d.runActive = true;
    // Keyboard pictures keep the mouse still in a corner of the window, where a player leaves it.
    d.mouse = MenuToWindow(MenuCanvasFor(d.width, d.height), {1200.0f, 330.0f});
    DevMenuIdle(d, 2);
    return d;
}

static void Focused(MenuCapture &c)
{
    const Keys k = c.gamepad ? Keys{GAMEPAD_BUTTON_LEFT_FACE_DOWN, GAMEPAD_BUTTON_LEFT_FACE_RIGHT, GAMEPAD_BUTTON_LEFT_FACE_LEFT,
                                    GAMEPAD_BUTTON_RIGHT_FACE_DOWN, GAMEPAD_BUTTON_RIGHT_FACE_RIGHT}
                             : Keys{KEY_DOWN, KEY_RIGHT, KEY_LEFT, KEY_ENTER, KEY_ESCAPE};
    DevMenuDriver d = Fresh(c);
    DevMenuPress(d, k.down);
    DevMenuIdle(d, 90);
    Shot(c, d, "main");

    DevMenuPress(d, k.accept);   // "Магазин"
    DevMenuPress(d, k.right);
    DevMenuPress(d, k.down);
    DevMenuIdle(d, 60);
    Shot(c, d, "shop");

    d = Fresh(c);
    MenuShow(d.menu, MENU_SCREEN_PAUSE);
    DevMenuPress(d, k.down);   // "Меню"
    DevMenuIdle(d, 30);
    Shot(c, d, "pause");
    DevMenuPress(d, k.accept);
    DevMenuIdle(d, 30);
    Shot(c, d, "dialog-main-menu");

    d = Fresh(c);
    DevMenuPress(d, k.back);   // the main menu's back asks to quit
    DevMenuPress(d, k.left);
    DevMenuPress(d, k.right);
    DevMenuIdle(d, 60);
    Shot(c, d, "dialog-quit");

    // The full settings: down to the presets and along them; then on to the erase dialog.
    d = Fresh(c);
    for (int i = 0; i < 3; i++) DevMenuPress(d, k.down);
    DevMenuPress(d, k.accept);   // "Настройки"
    DevMenuPress(d, k.right);    // the music slider takes the step: 5% more
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.right);    // "Обычные"
    DevMenuIdle(d, 60);
    Shot(c, d, "settings-full");
    // Down the left-hand column to "Стереть прогресс".
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.left);
    for (int i = 0; i < 6; i++) DevMenuPress(d, k.down);
    DevMenuPress(d, k.accept);   // "Стереть прогресс"
    DevMenuPress(d, k.left);
    DevMenuIdle(d, 60);
    Shot(c, d, "dialog-erase");

    // The compact settings over the frozen game.
    d = Fresh(c);
    MenuShow(d.menu, MENU_SCREEN_PAUSE);
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.accept);   // "Настройки"
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.left);
    DevMenuIdle(d, 30);
    Shot(c, d, "settings-compact");

    // The encyclopedia: the first rows (two seen, one not), then the last ones (all unseen bosses
    // but the roller seen above them).
    d = Fresh(c);
    MenuShow(d.menu, MENU_SCREEN_ENCYCLOPEDIA);
    DevMenuPress(d, k.down);
    DevMenuPress(d, k.down);
    DevMenuIdle(d, 90);
    Shot(c, d, "encyclopedia");
    for (int i = 0; i < 5; i++) DevMenuPress(d, k.down);
    DevMenuIdle(d, 90);
    Shot(c, d, "encyclopedia-end");
}

// The mouse over a control, long enough for its drips to fall.
static void Hovered(MenuCapture &c)
{
    DevMenuDriver d = Fresh(c);
    DevMenuMouse(d, {300.0f, 282.0f}, false);   // "Играть"
    DevMenuIdle(d, 150);
    Shot(c, d, "main");

    DevMenuMouse(d, Centre(MENU_MAIN_BUTTONS[1].rect), true);   // "Магазин"
    DevMenuMouse(d, Centre(ShopBuyRect(SHOP_SPEED)), false);
    DevMenuIdle(d, 150);
    Shot(c, d, "shop");

    d = Fresh(c);
    MenuShow(d.menu, MENU_SCREEN_PAUSE);
    DevMenuMouse(d, Centre(MENU_PAUSE_BUTTONS[0].rect), false);
    DevMenuIdle(d, 80);
    Shot(c, d, "pause");
    DevMenuMouse(d, Centre(MENU_PAUSE_BUTTONS[2].rect), true);   // "Меню"
    DevMenuMouse(d, Centre(MENU_DIALOG_BUTTONS[0].rect), false);
    DevMenuIdle(d, 80);
    Shot(c, d, "dialog-main-menu");

    d = Fresh(c);
    DevMenuMouse(d, Centre(MENU_MAIN_BUTTONS[4].rect), true);   // "Выход"
    DevMenuMouse(d, Centre(MENU_DIALOG_BUTTONS[1].rect), false);
    DevMenuIdle(d, 150);
    Shot(c, d, "dialog-quit");

    // The full settings: the music slider dragged to 40 %, the mouse resting on "На весь экран".
    d = Fresh(c);
    DevMenuMouse(d, Centre(MENU_MAIN_BUTTONS[3].rect), true);   // "Настройки"
    Rectangle music = SETTINGS_FULL.track[0];
    DevMenuMouse(d, {music.x + 0.4f * music.width, music.y + 7.0f}, true);
    DevMenuMouse(d, {music.x + 0.4f * music.width, music.y + 7.0f}, false);
    DevMenuMouse(d, Centre(SETTINGS_FULL.box[1]), true);        // sound off
    DevMenuMouse(d, Centre(SettingsSwitchRect(1, 1)), true);    // shadows low: no preset lit
    DevMenuMouse(d, Centre(SETTINGS_FULL.borderless), false);
    DevMenuIdle(d, 150);
    Shot(c, d, "settings-full");
    DevMenuMouse(d, Centre(SETTINGS_ERASE_RECT), true);
    DevMenuMouse(d, Centre(MENU_DIALOG_BUTTONS[0].rect), false);
    DevMenuIdle(d, 150);
    Shot(c, d, "dialog-erase");

    // The compact settings: music muted, the mouse over its box.
    d = Fresh(c);
    MenuShow(d.menu, MENU_SCREEN_PAUSE);
    DevMenuMouse(d, Centre(MENU_PAUSE_BUTTONS[1].rect), true);
    DevMenuMouse(d, Centre(SETTINGS_COMPACT.box[0]), true);
    DevMenuIdle(d, 60);
    Shot(c, d, "settings-compact");

    // The encyclopedia with the mouse on the comic button, then dragged to the list's end.
    d = Fresh(c);
    DevMenuMouse(d, Centre(MENU_MAIN_BUTTONS[2].rect), true);   // "Энциклопедия"
    DevMenuMouse(d, Centre(ENCYCLOPEDIA_COMIC_RECT), false);
    DevMenuIdle(d, 150);
    Shot(c, d, "encyclopedia");
    Rectangle bar = ENCYCLOPEDIA_BAR_RECT;
    DevMenuMouse(d, {bar.x + 6.0f, bar.y + 10.0f}, true);
    d.mouse = MenuToWindow(MenuCanvasFor(d.width, d.height), {bar.x + 6.0f, bar.y + bar.height});
    DevMenuHold(d);
    DevMenuMouse(d, {900.0f, 560.0f}, false);
    DevMenuIdle(d, 150);
    Shot(c, d, "encyclopedia-end");
}

// The backdrop and the band at one menu time, drawn in two frames, read back byte for byte.
static bool SamePicture(float time)
{
    Image frames[2];
    for (Image &image : frames) {
        BeginDrawing();
        ClearBackground(BLACK);
        MenuBackdropDraw();
        MenuAtmosphereDraw(time);
        image = LoadImageFromScreen();
        EndDrawing();
    }
    bool same = IsImageValid(frames[0]) && IsImageValid(frames[1]) && frames[0].width == frames[1].width &&
                frames[0].height == frames[1].height &&
                memcmp(frames[0].data, frames[1].data, (size_t)frames[0].width * (size_t)frames[0].height * 4) == 0;
    UnloadImage(frames[0]);
    UnloadImage(frames[1]);
    return same;
}

int MenuCaptureStills(App &app, bool gamepad)
{
    MenuCapture c{};
    c.app = &app;
    c.gamepad = gamepad;
    MenuGraphics graphics{};
    c.graphics = &graphics;
    double start = GetTime();
    bool previews = SpecimenPreviewsCreate(graphics.previews);
    printf("%s the specimen previews and all five specimens made in %.0f ms\n", previews ? "ok  " : "FAIL",
           1000.0 * (GetTime() - start));
    if (!previews) c.failed++;
    // The frozen game behind the pause: the run as start-up left it.
    DisplaySize size = DisplayRenderSize();
    if (!AppRenderWorld(app, size.width, size.height)) {
        TraceLog(LOG_ERROR, "MENU: the scene behind the pause could not be rendered");
        return 1;
    }
    Focused(c);
    if (!gamepad) Hovered(c);
    bool same = SamePicture(37.25f);
    printf("%s the backdrop and the mud band at one menu time are the same picture in two frames\n", same ? "ok  " : "FAIL");
    if (!same) c.failed++;
    MenuGraphicsRelease(graphics);
    printf("%d written, %d failed\n", c.written, c.failed);
    return c.failed == 0 ? 0 : 1;
}
