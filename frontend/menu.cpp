// The front end's state machine, widgets and focus navigation.
//
// Index
//   [SECTION] Layout
//   [SECTION] Controls
//   [SECTION] Input
//   [SECTION] Screens and dialogs
//   [SECTION] Focus navigation
//   [SECTION] Update
//   [SECTION] Audio
#include "frontend/menu.h"

#include "campaign/shop.h"
#include "common/maths.h"
#include "frontend/encyclopedia.h"
#include "frontend/settings.h"

#include <cmath>

// [SECTION] Layout

const MenuButtonSpec MENU_MAIN_BUTTONS[5] = {
    {MENU_ID_PLAY, "Играть", {80.0f, 253.0f, 448.0f, 56.0f}, 154, true},
    {MENU_ID_SHOP, "Магазин", {80.0f, 326.0f, 448.0f, 56.0f}, 191, false},
    {MENU_ID_ENCYCLOPEDIA, "Энциклопедия", {80.0f, 399.0f, 448.0f, 56.0f}, 228, false},
    {MENU_ID_SETTINGS, "Настройки", {80.0f, 472.0f, 448.0f, 56.0f}, 265, false},
    {MENU_ID_EXIT, "Выход", {80.0f, 545.0f, 448.0f, 56.0f}, 302, false},
};

const MenuButtonSpec MENU_PAUSE_BUTTONS[3] = {
    {MENU_ID_PAUSE_PLAY, "Играть", {440.0f, 274.0f, 400.0f, 62.0f}, 181, true},
    {MENU_ID_PAUSE_SETTINGS, "Настройки", {440.0f, 358.0f, 400.0f, 62.0f}, 254, false},
    {MENU_ID_PAUSE_MENU, "Меню", {440.0f, 442.0f, 400.0f, 62.0f}, 327, false},
};

const MenuButtonSpec MENU_DIALOG_BUTTONS[2] = {
    {MENU_ID_YES, "Да", {376.0f, 430.0f, 244.0f, 61.0f}, 752, false},
    {MENU_ID_NO, "Нет", {660.0f, 430.0f, 244.0f, 61.0f}, 781, true},
};

static bool Inside(Rectangle r, Vector2 p) { return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height; }

static Vector2 Centre(Rectangle r) { return {r.x + 0.5f * r.width, r.y + 0.5f * r.height}; }

// [SECTION] Controls

int MenuFocusList(const MenuState &menu, const Profile &profile, MenuFocusItem list[MENU_FOCUS_CAPACITY])
{
    (void)profile;
    int n = 0;
    auto add = [&](int id, Rectangle rect, const char *label) {
        if (n < MENU_FOCUS_CAPACITY) list[n++] = {id, rect, label, -1, -1};
    };
    if (menu.dialog != MENU_DIALOG_NONE) {
        for (const MenuButtonSpec &b : MENU_DIALOG_BUTTONS) add(b.id, b.rect, b.label);
        return n;
    }
    switch (menu.screen) {
    case MENU_SCREEN_MAIN:
        for (const MenuButtonSpec &b : MENU_MAIN_BUTTONS) add(b.id, b.rect, b.label);
        break;
    case MENU_SCREEN_PAUSE:
        for (const MenuButtonSpec &b : MENU_PAUSE_BUTTONS) add(b.id, b.rect, b.label);
        break;
    case MENU_SCREEN_SHOP:
        for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) add(MENU_ID_SHOP_BUY + id, ShopBuyRect(id), SHOP_UPGRADES[id].name);
        add(MENU_ID_BACK, MENU_BACK_RECT, "Назад");
        break;
    case MENU_SCREEN_ENCYCLOPEDIA:
        n = EncyclopediaFocusItems(menu, list, n, MENU_FOCUS_CAPACITY);
        break;
    case MENU_SCREEN_SETTINGS:
        n = SettingsFocusItems(menu, list, n, MENU_FOCUS_CAPACITY);
        break;
    default:
        break;   // the comic takes its own keys; play has no menu
    }
    return n;
}

int MenuControlAt(const MenuState &menu, const Profile &profile, Vector2 p)
{
    if (!IsFinite(p)) return 0;
    auto hit = [&](const MenuButtonSpec *buttons, int count) {
        for (int i = 0; i < count; i++)
            if (Inside(buttons[i].rect, p)) return buttons[i].id;
        return 0;
    };
    if (menu.dialog != MENU_DIALOG_NONE) return hit(MENU_DIALOG_BUTTONS, 2);
    switch (menu.screen) {
    case MENU_SCREEN_MAIN:
        return hit(MENU_MAIN_BUTTONS, 5);
    case MENU_SCREEN_PAUSE:
        return hit(MENU_PAUSE_BUTTONS, 3);
    case MENU_SCREEN_SHOP: {
        if (Inside(MENU_BACK_RECT, p)) return MENU_ID_BACK;
        // An unaffordable purchase is no hover target: nothing to invite the player to.
        int id = ShopHitButton(p);
        if (id < 0 || id >= SHOP_UPGRADE_COUNT) return 0;
        uint64_t price = ShopPrice(&profile.shop, id);
        return price > 0 && profile.coins >= price ? MENU_ID_SHOP_BUY + id : 0;
    }
    case MENU_SCREEN_ENCYCLOPEDIA:
        return EncyclopediaControlAt(p);
    case MENU_SCREEN_SETTINGS:
        return SettingsControlAt(menu, p);
    default:
        return 0;
    }
}

bool MenuButton(const MenuState &menu, int id, Rectangle rect)
{
    const MenuInput &io = menu.io;
    (void)id;
    if (!io.pressed) return false;
    MenuCanvas canvas = MenuCanvasFor(io.windowWidth, io.windowHeight);
    return Inside(rect, MenuToCanvas(canvas, io.pointer));
}

// [SECTION] Input

static bool Flag(const bool *flags, int count, int index) { return flags && index >= 0 && index < count && flags[index]; }

MenuInput MenuReadInput(const MenuState &menu, const MenuDevices &devices)
{
    MenuInput in{};
    in.windowWidth = devices.windowWidth;
    in.windowHeight = devices.windowHeight;
    in.gamepad = devices.gamepad;
    in.mouse = menu.mouse;
    // Unfocused, or driven by the gamepad, the pointer stays where it was: a zero position would
    // read as a mouse movement into the corner and hand the focus back to the mouse.
    in.pointer = devices.gamepad ? menu.virtualPointer : menu.mouse;
    if (!devices.focused) return in;

    if (devices.gamepad) {
        auto pressed = [&](int b) { return Flag(devices.padPressed, devices.padCount, b); };
        auto step = [&](int b) { return Flag(devices.padRepeat, devices.padCount, b); };
        in.stepX = (step(GAMEPAD_BUTTON_LEFT_FACE_RIGHT) ? 1 : 0) - (step(GAMEPAD_BUTTON_LEFT_FACE_LEFT) ? 1 : 0);
        in.stepY = (step(GAMEPAD_BUTTON_LEFT_FACE_DOWN) ? 1 : 0) - (step(GAMEPAD_BUTTON_LEFT_FACE_UP) ? 1 : 0);
        in.accept = pressed(GAMEPAD_BUTTON_RIGHT_FACE_DOWN);
        in.back = pressed(GAMEPAD_BUTTON_RIGHT_FACE_RIGHT) || pressed(GAMEPAD_BUTTON_MIDDLE_RIGHT);
        return in;
    }

    if (IsFinite(devices.mouse)) in.pointer = in.mouse = devices.mouse;
    in.pressed = devices.mousePressed;
    in.held = devices.mouseDown;
    in.wheel = IsFinite(devices.wheel) ? devices.wheel : 0.0f;
    auto key = [&](int k) { return Flag(devices.keyPressed, devices.keyCount, k); };
    auto down = [&](int k) { return Flag(devices.keyDown, devices.keyCount, k); };
    auto step = [&](int k) { return key(k) || Flag(devices.keyRepeat, devices.keyCount, k); };
    in.back = key(KEY_ESCAPE);
    in.stepX = (step(KEY_RIGHT) || step(KEY_D) ? 1 : 0) - (step(KEY_LEFT) || step(KEY_A) ? 1 : 0);
    in.stepY = (step(KEY_DOWN) || step(KEY_S) ? 1 : 0) - (step(KEY_UP) || step(KEY_W) ? 1 : 0);
    if (step(KEY_TAB)) in.tab = down(KEY_LEFT_SHIFT) || down(KEY_RIGHT_SHIFT) ? -1 : 1;
    in.accept = key(KEY_ENTER) || key(KEY_KP_ENTER) || key(KEY_SPACE) || key(KEY_J) || key(KEY_F);
    return in;
}

// [SECTION] Screens and dialogs

void MenuRaiseCue(MenuState &menu, uint32_t type)
{
    menu.cueType = type;
    menu.cueSerial += 1;
}

static void Cue(MenuState &menu, uint32_t type) { MenuRaiseCue(menu, type); }

void MenuInit(MenuState &menu)
{
    menu = MenuState{};
    menu.screen = MENU_SCREEN_MAIN;
    menu.dragControl = -1;
}

void MenuShow(MenuState &menu, int screen)
{
    if (screen < 0 || screen >= MENU_SCREEN_COUNT) screen = MENU_SCREEN_MAIN;
    int from = menu.screen;
    if (screen != from || menu.dialog != MENU_DIALOG_NONE) menu.contextSerial += 1;
    if (screen == MENU_SCREEN_MAIN || screen == MENU_SCREEN_PLAY) menu.settingsParent = MENU_SCREEN_MAIN;
    if (screen == MENU_SCREEN_SETTINGS && from != MENU_SCREEN_SETTINGS)
        menu.settingsParent = from == MENU_SCREEN_PAUSE ? MENU_SCREEN_PAUSE : MENU_SCREEN_MAIN;
    menu.screen = screen;
    menu.dialog = MENU_DIALOG_NONE;
    menu.focusIndex = 0;
    menu.dragControl = -1;
    menu.scrollDrag = false;
    menu.hovered = 0;
}

void MenuOpenComic(MenuState &menu, bool firstLaunch)
{
    MenuShow(menu, MENU_SCREEN_COMIC);
    ComicReset(menu.comic);
    menu.comicFirstLaunch = firstLaunch;
}

bool MenuCloseDuringIntro(const MenuState &menu, Profile &profile)
{
    if (menu.screen != MENU_SCREEN_COMIC || !menu.comicFirstLaunch || profile.introSeen) return false;
    profile.introSeen = true;
    return true;
}

static void OpenDialog(MenuState &menu, int dialog)
{
    if (menu.dialog != dialog) menu.contextSerial += 1;
    if (menu.dialog == MENU_DIALOG_NONE) menu.screenFocus = menu.focusIndex;
    menu.dialog = dialog;
    menu.focusIndex = 1;   // "Нет": a stray accept never confirms
    menu.dragControl = -1;
    menu.scrollDrag = false;
}

static void CloseDialog(MenuState &menu)
{
    if (menu.dialog == MENU_DIALOG_NONE) return;
    menu.dialog = MENU_DIALOG_NONE;
    menu.contextSerial += 1;
    // Back where the dialog was opened from, not on whatever sits at the dialog's index.
    menu.focusIndex = menu.screenFocus;
}

int MenuMusicContext(const MenuState &menu)
{
    switch (menu.dialog) {
    case MENU_DIALOG_ERASE: return 5;
    case MENU_DIALOG_QUIT: return 6;
    case MENU_DIALOG_MAIN_MENU: return 8;
    default: break;
    }
    switch (menu.screen) {
    case MENU_SCREEN_MAIN: return 1;
    case MENU_SCREEN_SHOP: return 2;
    case MENU_SCREEN_ENCYCLOPEDIA: return 3;
    case MENU_SCREEN_SETTINGS: return 4;
    case MENU_SCREEN_PAUSE: return 7;
    case MENU_SCREEN_COMIC: return 9;
    default: return 0;
    }
}

bool MenuShowsGame(const MenuState &menu)
{
    return menu.screen == MENU_SCREEN_PAUSE ||
           (menu.screen == MENU_SCREEN_SETTINGS && menu.settingsParent == MENU_SCREEN_PAUSE);
}

// [SECTION] Focus navigation

static int Wrap(int index, int count) { return ((index % count) + count) % count; }

// The control a step of direction d (vertical or horizontal) moves the focus to.
static int StepFocus(int screen, const MenuFocusItem *list, int count, int index, int d, bool vertical)
{
    if (screen == MENU_SCREEN_ENCYCLOPEDIA) return Wrap(index + d, count);
    Vector2 from = Centre(list[index].rect);
    int best = -1;
    float bestAlong = 0.0f, bestAcross = 0.0f, bestScore = 0.0f;
    for (int i = 0; i < count; i++) {
        if (i == index) continue;
        Vector2 c = Centre(list[i].rect);
        float dx = c.x - from.x, dy = c.y - from.y;
        float along = (float)d * (vertical ? dy : dx);
        float across = std::fabs(vertical ? dx : dy);
        if (screen == MENU_SCREEN_SETTINGS) {
            // The settings are a grid of rows: a step keeps to the next row or to its own row.
            if (vertical) {
                if (along <= 1.0f) continue;
                bool nearer = best < 0 || along < bestAlong - 1.0f ||
                              (std::fabs(along - bestAlong) <= 1.0f && across < bestAcross);
                if (nearer) best = i, bestAlong = along, bestAcross = across;
            } else {
                if (across > 1.0f || along <= 1.0f) continue;
                if (best < 0 || along < bestAlong) best = i, bestAlong = along;
            }
            continue;
        }
        if (along <= 1.0f) continue;
        float score = 3.0f * across + along;
        if (best < 0 || score < bestScore) best = i, bestScore = score;
    }
    if (best >= 0) return best;
    return screen == MENU_SCREEN_SETTINGS ? index : Wrap(index + d, count);
}

// Keyboard, gamepad and mouse share one focus: the mouse takes it over by moving, keys and buttons
// take it back and place the pointer on the focused control, where accept clicks.
static void Navigate(MenuState &menu, Profile &profile, MenuInput &in, const MenuCanvas &canvas)
{
    MenuFocusItem list[MENU_FOCUS_CAPACITY];
    int count = MenuFocusList(menu, profile, list);
    // The raw mouse, never the pointer the focus moved: that one differs whenever the keys lead.
    Vector2 lastMouse = menu.mouse;
    menu.mouse = in.mouse;
    if (count == 0) {
        menu.virtualPointer = in.pointer;
        return;
    }

    if (!in.gamepad) {
        float dx = in.mouse.x - lastMouse.x, dy = in.mouse.y - lastMouse.y;
        if (dx * dx + dy * dy > 1.0f || in.pressed || in.held || in.wheel != 0.0f) {
            menu.keyboardMode = false;
            Vector2 point = MenuToCanvas(canvas, in.pointer);
            int id = MenuControlAt(menu, profile, point);
            // Entry rows take the focus from the mouse, though they are no hover targets.
            int row = menu.screen == MENU_SCREEN_ENCYCLOPEDIA && id == 0 ? EncyclopediaRowAt(menu, point) : -1;
            if (row >= 0) id = ENCYCLOPEDIA_ID_ROW + row;
            for (int i = 0; i < count; i++)
                if (id != 0 && list[i].id == id) menu.focusIndex = i;
        }
    }

    menu.focusIndex = ClampInt(menu.focusIndex, 0, count - 1);
    if (in.stepX != 0 || in.stepY != 0 || in.tab != 0 || in.accept) {
        menu.keyboardMode = true;
        menu.dragControl = -1;
        menu.scrollDrag = false;
    }
    if (in.gamepad) menu.keyboardMode = true;
    if (!menu.keyboardMode || in.back) {
        menu.virtualPointer = in.pointer;
        return;
    }

    int before = menu.focusIndex;
    const MenuFocusItem &focused = list[menu.focusIndex];
    if (focused.slider < 0 || in.tab != 0 || (in.stepX == 0 && !in.accept)) {
        if (in.tab != 0) {
            menu.focusIndex = Wrap(menu.focusIndex + in.tab, count);
        } else if (in.stepX != 0 || in.stepY != 0) {
            bool vertical = in.stepY != 0;
            int d = vertical ? in.stepY : in.stepX;
            menu.focusIndex = StepFocus(menu.screen, list, count, menu.focusIndex, d, vertical);
        }
    } else {
        // A focused slider takes the horizontal steps and accept itself; the focus stays on it.
        SettingsSliderKey(menu, profile, focused.slider, in.stepX, in.accept);
    }
    if (menu.focusIndex != before) Cue(menu, MENU_CUE_HOVER);

    // A focused entry row comes fully into view, and the list follows the new scroll.
    if (list[menu.focusIndex].row >= 0) {
        menu.scroll = EncyclopediaScrollIntoView(menu.scroll, list[menu.focusIndex].row);
        count = MenuFocusList(menu, profile, list);
        menu.focusIndex = ClampInt(menu.focusIndex, 0, count - 1);
    }

    const MenuFocusItem &now = list[menu.focusIndex];
    in.pointer = MenuToWindow(canvas, Centre(now.rect));
    if (in.accept && now.slider < 0 && now.row < 0) in.pressed = in.held = true;
    menu.virtualPointer = in.pointer;
}

// [SECTION] Update

static int DialogUpdate(MenuState &menu, const MenuInput &in)
{
    if (in.back || MenuButton(menu, MENU_ID_NO, MENU_DIALOG_BUTTONS[1].rect)) {
        CloseDialog(menu);
        Cue(menu, MENU_CUE_BACK);
        return MENU_ACTION_NONE;
    }
    if (!MenuButton(menu, MENU_ID_YES, MENU_DIALOG_BUTTONS[0].rect)) return MENU_ACTION_NONE;
    int dialog = menu.dialog;
    Cue(menu, MENU_CUE_ACCEPT);
    // MenuShow closes the dialog too: one change of what is shown, one step of the serial.
    switch (dialog) {
    case MENU_DIALOG_ERASE:
        MenuShow(menu, MENU_SCREEN_MAIN);
        return MENU_ACTION_ERASE;
    case MENU_DIALOG_QUIT:
        CloseDialog(menu);
        return MENU_ACTION_QUIT;
    default:
        MenuShow(menu, MENU_SCREEN_MAIN);
        return MENU_ACTION_MAIN_MENU;
    }
}

static int BackUpdate(MenuState &menu, bool runActive)
{
    switch (menu.screen) {
    case MENU_SCREEN_MAIN:
        OpenDialog(menu, MENU_DIALOG_QUIT);
        Cue(menu, MENU_CUE_ACCEPT);
        return MENU_ACTION_NONE;
    case MENU_SCREEN_PAUSE:
        if (!runActive) {
            MenuShow(menu, MENU_SCREEN_MAIN);
            return MENU_ACTION_NONE;
        }
        MenuShow(menu, MENU_SCREEN_PLAY);
        Cue(menu, MENU_CUE_BACK);
        return MENU_ACTION_CONTINUE;
    case MENU_SCREEN_SETTINGS:
        MenuShow(menu, menu.settingsParent);
        Cue(menu, MENU_CUE_BACK);
        return MENU_ACTION_NONE;
    default:
        MenuShow(menu, MENU_SCREEN_MAIN);
        Cue(menu, MENU_CUE_BACK);
        return MENU_ACTION_NONE;
    }
}

static int MainClicks(MenuState &menu, const Profile &profile)
{
    for (const MenuButtonSpec &b : MENU_MAIN_BUTTONS) {
        if (!MenuButton(menu, b.id, b.rect)) continue;
        Cue(menu, MENU_CUE_ACCEPT);
        switch (b.id) {
        case MENU_ID_PLAY:
            if (profile.introSeen) {
                MenuShow(menu, MENU_SCREEN_PLAY);
                return MENU_ACTION_NEW_GAME;
            }
            // The first run waits for the opening comic; it starts when the comic ends.
            MenuOpenComic(menu, true);
            break;
        case MENU_ID_SHOP: MenuShow(menu, MENU_SCREEN_SHOP); break;
        case MENU_ID_ENCYCLOPEDIA: MenuShow(menu, MENU_SCREEN_ENCYCLOPEDIA); break;
        case MENU_ID_SETTINGS: MenuShow(menu, MENU_SCREEN_SETTINGS); break;
        default: OpenDialog(menu, MENU_DIALOG_QUIT); break;
        }
        return MENU_ACTION_NONE;
    }
    return MENU_ACTION_NONE;
}

static int PauseClicks(MenuState &menu, bool runActive)
{
    if (MenuButton(menu, MENU_ID_PAUSE_PLAY, MENU_PAUSE_BUTTONS[0].rect)) {
        // Only resumes: the pause never starts a run of its own.
        if (!runActive) return MENU_ACTION_NONE;
        Cue(menu, MENU_CUE_ACCEPT);
        MenuShow(menu, MENU_SCREEN_PLAY);
        return MENU_ACTION_CONTINUE;
    }
    if (MenuButton(menu, MENU_ID_PAUSE_SETTINGS, MENU_PAUSE_BUTTONS[1].rect)) {
        Cue(menu, MENU_CUE_ACCEPT);
        MenuShow(menu, MENU_SCREEN_SETTINGS);
    } else if (MenuButton(menu, MENU_ID_PAUSE_MENU, MENU_PAUSE_BUTTONS[2].rect)) {
        Cue(menu, MENU_CUE_ACCEPT);
        OpenDialog(menu, MENU_DIALOG_MAIN_MENU);
    }
    return MENU_ACTION_NONE;
}

// The shop spends the profile's own wallet on the profile's own levels.
static void ShopClicks(MenuState &menu, Profile &profile, const MenuCanvas &canvas)
{
    if (!menu.io.pressed) return;
    Vector2 point = MenuToCanvas(canvas, menu.io.pointer);
    int hit = ShopHitButton(point);
    if (hit == SHOP_HIT_NONE) return;
    int before = hit < SHOP_UPGRADE_COUNT ? ShopLevel(&profile.shop, hit) : 0;
    if (ShopClick(&profile.shop, &profile.coins, point, true)) {
        MenuShow(menu, MENU_SCREEN_MAIN);
        Cue(menu, MENU_CUE_BACK);
        return;
    }
    Cue(menu, ShopLevel(&profile.shop, hit) > before ? MENU_CUE_PURCHASE : MENU_CUE_DENIAL);
}

// The comic screen's frame: its clock, a confirm on the ready page ("Далее" or accept), a skip on
// back; at the end the waiting run starts, or the replay returns to the encyclopedia.
static int ComicFrame(MenuState &menu, Profile &profile, float dt, const MenuInput &input)
{
    MenuInput in = input;
    if (!IsFinite(in.pointer)) in.pointer = menu.pointer;
    if (!IsFinite(in.mouse)) in.mouse = menu.mouse;
    if (in.gamepad) in.pressed = in.held = false;
    MenuCanvas canvas = MenuCanvasFor(in.windowWidth, in.windowHeight);
    bool ready = ComicFinalReady(menu.comic);
    bool click = in.pressed && Inside(COMIC_NEXT_RECT, MenuToCanvas(canvas, in.pointer));
    bool confirm = ready && (in.accept || click);
    bool skip = in.back;
    menu.pointer = in.pointer;
    menu.mouse = in.mouse;
    menu.hovered = 0;
    menu.io = in;
    if (!ComicAdvance(menu.comic, dt, confirm, skip)) return MENU_ACTION_NONE;
    Cue(menu, skip ? MENU_CUE_BACK : MENU_CUE_ACCEPT);
    if (menu.comicFirstLaunch) {
        menu.comicFirstLaunch = false;
        profile.introSeen = true;
        MenuShow(menu, MENU_SCREEN_PLAY);
        return MENU_ACTION_NEW_GAME;
    }
    // The replay changes no progress and returns to the list as it was left.
    MenuShow(menu, MENU_SCREEN_ENCYCLOPEDIA);
    return MENU_ACTION_NONE;
}

int MenuUpdate(MenuState &menu, Profile &profile, bool runActive, float dt, const MenuInput &input)
{
    if (menu.screen == MENU_SCREEN_PLAY) return MENU_ACTION_NONE;
    if (menu.screen < 0 || menu.screen >= MENU_SCREEN_COUNT) MenuShow(menu, MENU_SCREEN_MAIN);
    dt = IsFinite(dt) ? ClampSafe(dt, 0.0f, MENU_DT_LIMIT) : 0.0f;
    menu.time += dt;
    if (menu.screen == MENU_SCREEN_COMIC) return ComicFrame(menu, profile, dt, input);

    MenuInput in = input;
    if (!IsFinite(in.pointer)) in.pointer = menu.pointer;
    if (!IsFinite(in.mouse)) in.mouse = menu.mouse;
    if (!IsFinite(in.wheel)) in.wheel = 0.0f;
    if (in.gamepad) in.pressed = in.held = false, in.wheel = 0.0f, in.tab = 0;
    MenuCanvas canvas = MenuCanvasFor(in.windowWidth, in.windowHeight);

    if (!in.gamepad) {
        bool falling = !MenuShowsGame(menu);
        PointerDripsUpdate(menu.drips, in.pointer, dt, falling, menu.time, in.windowWidth, in.windowHeight);
    }
    Navigate(menu, profile, in, canvas);
    menu.hoverThrottle = std::fmax(0.0f, menu.hoverThrottle - dt);
    menu.tickThrottle = std::fmax(0.0f, menu.tickThrottle - dt);

    int id = MenuControlAt(menu, profile, MenuToCanvas(canvas, in.pointer));
    bool moved = in.pointer.x != menu.pointer.x || in.pointer.y != menu.pointer.y;
    bool quiet = !in.pressed && !in.held && !in.back && menu.dragControl < 0 && !menu.scrollDrag;
    if (!menu.keyboardMode && moved && id != 0 && id != menu.hovered && menu.hoverThrottle <= 0.0f && quiet) {
        Cue(menu, MENU_CUE_HOVER);
        menu.hoverThrottle = MENU_HOVER_THROTTLE;
    }
    menu.pointer = in.pointer;
    menu.hovered = id;
    menu.io = in;

    if (menu.dialog != MENU_DIALOG_NONE) return DialogUpdate(menu, in);
    if (in.back) return BackUpdate(menu, runActive);
    switch (menu.screen) {
    case MENU_SCREEN_MAIN:
        return MainClicks(menu, profile);
    case MENU_SCREEN_PAUSE:
        return PauseClicks(menu, runActive);
    case MENU_SCREEN_SHOP:
        ShopClicks(menu, profile, canvas);
        return MENU_ACTION_NONE;
    case MENU_SCREEN_ENCYCLOPEDIA:
        switch (EncyclopediaUpdate(menu)) {
        case ENCYCLOPEDIA_EVENT_BACK: return BackUpdate(menu, runActive);
        case ENCYCLOPEDIA_EVENT_COMIC:
            Cue(menu, MENU_CUE_ACCEPT);
            MenuOpenComic(menu, false);
            return MENU_ACTION_NONE;
        default: return MENU_ACTION_NONE;
        }
    case MENU_SCREEN_SETTINGS:
        switch (SettingsUpdate(menu, profile)) {
        case SETTINGS_EVENT_BACK: return BackUpdate(menu, runActive);
        case SETTINGS_EVENT_ERASE:
            Cue(menu, MENU_CUE_ACCEPT);
            OpenDialog(menu, MENU_DIALOG_ERASE);
            return MENU_ACTION_NONE;
        default: return MENU_ACTION_NONE;
        }
    default:
        return MENU_ACTION_NONE;
    }
}

int MenuFrameUpdate(MenuState &menu, Profile &profile, bool &pausedThisFrame, bool runActive, float dt,
                    const MenuInput &input, bool *profileChanged)
{
    Profile before = profile;
    int action = MENU_ACTION_NONE;
    if (pausedThisFrame) pausedThisFrame = false;
    else action = MenuUpdate(menu, profile, runActive, dt, input);
    if (profileChanged) *profileChanged = !ProfileEqual(before, profile);
    return action;
}

// [SECTION] Audio

AudioPublishInput MenuAudioInput(const MenuState &menu, const Profile &profile, bool focused, float windowWidth)
{
    AudioPublishInput out{};
    out.musicContext = MenuMusicContext(menu);
    out.musicVolume = profile.musicVolume;
    out.soundVolume = profile.soundVolume;
    out.musicEnabled = profile.musicEnabled;
    out.soundEnabled = profile.soundEnabled;
    out.focused = focused;
    out.cueType = menu.cueType;
    out.cueSerial = menu.cueSerial;
    out.pointerX = menu.pointer.x;
    out.windowWidth = windowWidth;
    return out;
}
