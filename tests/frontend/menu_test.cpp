// The menus: focus navigation, the state machine with its cues and music contexts, the hover
// cue's rules, the shop's purchases through its screen, the pause frame and the pointer drips.
//
// Index
//   [SECTION] Fixture
//   [SECTION] Focus navigation
//   [SECTION] State machine
//   [SECTION] Hover and clicks
//   [SECTION] Shop
//   [SECTION] Pause frame
//   [SECTION] Canvas and drips
#include "frontend/menu.h"
#include "tests/frontend/menu_rig.h"

#include "audio/audio_publish.h"
#include "campaign/shop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

// [SECTION] Fixture

// [SECTION] Focus navigation

// Keys pressed from a screen's first control, and the control they leave focused.
TEST(MenuNavigation, KeysMoveTheFocusAndWrapBothWays)
{
    struct Key {
        int x, y, tab;
    };
    struct Row {
        const char *name;
        int screen, dialog;
        std::vector<Key> keys;
        const char *focused;
    };
    const Key DOWN{0, 1, 0}, UP{0, -1, 0}, LEFT{-1, 0, 0}, RIGHT{1, 0, 0}, TAB{0, 0, 1}, SHIFT_TAB{0, 0, -1};
    const std::vector<Row> rows = {
        {"down from Играть", MENU_SCREEN_MAIN, 0, {DOWN}, "Магазин"},
        {"down twice", MENU_SCREEN_MAIN, 0, {DOWN, DOWN}, "Энциклопедия"},
        {"down from Выход wraps", MENU_SCREEN_MAIN, 0, {DOWN, DOWN, DOWN, DOWN, DOWN}, "Играть"},
        {"up from Играть wraps", MENU_SCREEN_MAIN, 0, {UP}, "Выход"},
        {"shift+tab from Играть wraps", MENU_SCREEN_MAIN, 0, {SHIFT_TAB}, "Выход"},
        {"shift+tab twice", MENU_SCREEN_MAIN, 0, {SHIFT_TAB, SHIFT_TAB}, "Настройки"},
        {"tab round the list", MENU_SCREEN_MAIN, 0, {TAB, TAB, TAB, TAB, TAB}, "Играть"},
        {"pause up wraps", MENU_SCREEN_PAUSE, 0, {UP}, "Меню"},
        {"pause down", MENU_SCREEN_PAUSE, 0, {DOWN}, "Настройки"},
        {"shop right follows the row", MENU_SCREEN_SHOP, 0, {RIGHT}, "Быстрый шаг"},
        {"shop down follows the column", MENU_SCREEN_SHOP, 0, {DOWN, DOWN}, "Отпугивание"},
        {"shop bottom row down reaches Назад", MENU_SCREEN_SHOP, 0, {DOWN, DOWN, DOWN}, "Назад"},
        {"shop up from Назад", MENU_SCREEN_SHOP, 0, {SHIFT_TAB, UP}, "Магнит"},
        {"shop up from the first card wraps", MENU_SCREEN_SHOP, 0, {UP}, "Назад"},
        {"dialog opens on Нет, left reaches Да", MENU_SCREEN_MAIN, MENU_DIALOG_QUIT, {LEFT}, "Да"},
        {"dialog right wraps to Да", MENU_SCREEN_MAIN, MENU_DIALOG_QUIT, {RIGHT}, "Да"},
    };
    for (const Row &row : rows) {
        MenuRig rig;
        MenuShow(rig.menu, row.screen);
        if (row.dialog != 0) {
            rig.Back();   // back on the main menu opens the quit dialog
            ASSERT_EQ(rig.menu.dialog, row.dialog) << row.name;
            ASSERT_EQ(rig.Focused(), "Нет") << row.name;
        }
        for (const Key &k : row.keys) {
            int serial = rig.menu.cueSerial;
            rig.Step(k.x, k.y, k.tab);
            // Every move of the focus is one hover cue.
            EXPECT_EQ(rig.menu.cueSerial, serial + 1) << row.name;
            EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_HOVER) << row.name;
        }
        EXPECT_EQ(rig.Focused(), row.focused) << row.name;
        EXPECT_TRUE(rig.menu.keyboardMode) << row.name;
    }
}

TEST(MenuNavigation, AcceptClicksTheFocusedControl)
{
    MenuRig rig;
    rig.Step(0, 1);
    ASSERT_EQ(rig.Focused(), "Магазин");
    int serial = rig.menu.cueSerial;
    EXPECT_EQ(rig.Accept(), MENU_ACTION_NONE);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_SHOP);
    EXPECT_EQ(rig.menu.cueSerial, serial + 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_ACCEPT);
    // The shop opens on its first card with the focus ring still shown.
    EXPECT_EQ(rig.Focused(), "Добыча монет");
    EXPECT_TRUE(rig.menu.keyboardMode);
}

// The pointer the focus moves is not the mouse: a mouse that stays put never takes the focus
// back, however long the keys lead, and a real movement does.
TEST(MenuNavigation, AStillMouseLeavesTheKeyboardInCharge)
{
    MenuRig rig;
    Rectangle play = MainButton(MENU_ID_PLAY);
    rig.MoveTo({play.x + 10.0f, play.y + 10.0f});
    rig.Step(0, 1);
    ASSERT_EQ(rig.Focused(), "Магазин");
    int serial = rig.menu.cueSerial;
    rig.Idle(30);
    EXPECT_TRUE(rig.menu.keyboardMode);
    EXPECT_EQ(rig.Focused(), "Магазин");
    EXPECT_EQ(rig.menu.cueSerial, serial);

    rig.MoveTo({play.x + 12.0f, play.y + 10.0f});
    EXPECT_FALSE(rig.menu.keyboardMode);
    EXPECT_EQ(rig.Focused(), "Играть");
}

// An unfocused window hands the menus nothing, not a pointer at the corner: the keyboard keeps
// the focus and no drip starts at (0, 0).
TEST(MenuNavigation, AnUnfocusedWindowKeepsThePointerAndTheFocus)
{
    MenuRig rig;
    rig.MoveTo({300.0f, 270.0f});
    rig.Step(0, 1);
    ASSERT_EQ(rig.Focused(), "Магазин");

    bool keys[400] = {};
    keys[KEY_ENTER] = keys[KEY_ESCAPE] = true;
    MenuDevices devices{};
    devices.focused = false;
    devices.windowWidth = 1280.0f;
    devices.windowHeight = 720.0f;
    devices.mouse = {0.0f, 0.0f};
    devices.mousePressed = devices.mouseDown = true;
    devices.keyPressed = keys;
    devices.keyCount = 400;
    MenuInput in = MenuReadInput(rig.menu, devices);
    EXPECT_FALSE(in.pressed || in.held || in.back || in.accept || in.stepX || in.stepY || in.tab);
    EXPECT_EQ(in.mouse.x, 300.0f);
    EXPECT_EQ(in.mouse.y, 270.0f);

    for (int i = 0; i < 120; i++) rig.Frame(MenuReadInput(rig.menu, devices));
    EXPECT_TRUE(rig.menu.keyboardMode);
    EXPECT_EQ(rig.Focused(), "Магазин");
    for (const PointerDrip &d : rig.menu.drips.slots)
        if (d.active) { EXPECT_GT(d.x * 1280.0f, 300.0f); }
}

// Which key feeds which part of the input; repeats step like presses, Shift turns Tab around.
TEST(MenuNavigation, KeysReadIntoTheirInputFields)
{
    struct Row {
        int key;
        bool repeat, shift;
        int stepX, stepY, tab;
        bool accept, back;
    };
    const Row rows[] = {
        {KEY_RIGHT, false, false, 1, 0, 0, false, false}, {KEY_D, true, false, 1, 0, 0, false, false},
        {KEY_LEFT, false, false, -1, 0, 0, false, false}, {KEY_A, false, false, -1, 0, 0, false, false},
        {KEY_DOWN, true, false, 0, 1, 0, false, false},   {KEY_S, false, false, 0, 1, 0, false, false},
        {KEY_UP, false, false, 0, -1, 0, false, false},   {KEY_W, true, false, 0, -1, 0, false, false},
        {KEY_TAB, false, false, 0, 0, 1, false, false},   {KEY_TAB, true, true, 0, 0, -1, false, false},
        {KEY_ENTER, false, false, 0, 0, 0, true, false},  {KEY_KP_ENTER, false, false, 0, 0, 0, true, false},
        {KEY_SPACE, false, false, 0, 0, 0, true, false},  {KEY_J, false, false, 0, 0, 0, true, false},
        {KEY_F, false, false, 0, 0, 0, true, false},      {KEY_ESCAPE, false, false, 0, 0, 0, false, true},
        {KEY_K, false, false, 0, 0, 0, false, false},     {KEY_ENTER, true, false, 0, 0, 0, false, false},
    };
    MenuState menu;
    MenuInit(menu);
    for (const Row &row : rows) {
        bool pressed[400] = {}, down[400] = {}, repeat[400] = {};
        (row.repeat ? repeat : pressed)[row.key] = true;
        down[row.key] = true;
        down[KEY_RIGHT_SHIFT] = row.shift;
        MenuDevices devices{};
        devices.focused = true;
        devices.keyPressed = pressed;
        devices.keyDown = down;
        devices.keyRepeat = repeat;
        devices.keyCount = 400;
        MenuInput in = MenuReadInput(menu, devices);
        EXPECT_EQ(in.stepX, row.stepX) << row.key;
        EXPECT_EQ(in.stepY, row.stepY) << row.key;
        EXPECT_EQ(in.tab, row.tab) << row.key;
        EXPECT_EQ(in.accept, row.accept) << row.key;
        EXPECT_EQ(in.back, row.back) << row.key;
    }
}

TEST(MenuNavigation, TheGamepadDrivesTheFocusAndIgnoresTheMouse)
{
    MenuRig rig;
    bool pressed[18] = {}, repeat[18] = {};
    MenuDevices devices{};
    devices.focused = true;
    devices.gamepad = true;
    devices.windowWidth = 1280.0f;
    devices.windowHeight = 720.0f;
    devices.mouse = {700.0f, 700.0f};
    devices.mousePressed = true;
    devices.padPressed = pressed;
    devices.padRepeat = repeat;
    devices.padCount = 18;

    repeat[GAMEPAD_BUTTON_LEFT_FACE_DOWN] = true;   // S's button, pressed or repeating
    rig.Frame(MenuReadInput(rig.menu, devices));
    EXPECT_EQ(rig.Focused(), "Магазин");
    EXPECT_TRUE(rig.menu.keyboardMode);
    repeat[GAMEPAD_BUTTON_LEFT_FACE_DOWN] = false;

    pressed[GAMEPAD_BUTTON_RIGHT_FACE_DOWN] = true;   // J's button accepts
    rig.Frame(MenuReadInput(rig.menu, devices));
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_SHOP);
    pressed[GAMEPAD_BUTTON_RIGHT_FACE_DOWN] = false;

    pressed[GAMEPAD_BUTTON_MIDDLE_RIGHT] = true;   // Start is back
    rig.Frame(MenuReadInput(rig.menu, devices));
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_MAIN);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_BACK);
    // The mouse took no part: no drips, and the pointer is the focused control's centre.
    EXPECT_EQ(PointerDripsActive(rig.menu.drips), 0);
    EXPECT_NE(rig.menu.pointer.y, 700.0f);
}

// [SECTION] State machine

// One event on a screen, and what it leaves: the action for the loop, the screen and dialog,
// the cue (0: none raised), the music context and how far the context serial moved.
TEST(MenuStateMachine, EventsLeadToTheirActionScreenCueAndContext)
{
    enum Event { CLICK, BACK, ACCEPT_FOCUSED };
    struct Row {
        const char *name;
        int screen, dialog;
        bool runActive;
        Event event;
        int id;   // the control clicked
        int action, toScreen, toDialog;
        uint32_t cue;
        int context, serialSteps;
    };
    const Row rows[] = {
        {"play, the comic seen", 0, 0, false, CLICK, MENU_ID_PLAY, MENU_ACTION_NEW_GAME, 5, 0, MENU_CUE_ACCEPT, 0, 1},
        {"shop", 0, 0, false, CLICK, MENU_ID_SHOP, 0, 1, 0, MENU_CUE_ACCEPT, 2, 1},
        {"encyclopedia", 0, 0, false, CLICK, MENU_ID_ENCYCLOPEDIA, 0, 2, 0, MENU_CUE_ACCEPT, 3, 1},
        {"full settings", 0, 0, false, CLICK, MENU_ID_SETTINGS, 0, 3, 0, MENU_CUE_ACCEPT, 4, 1},
        {"exit asks", 0, 0, false, CLICK, MENU_ID_EXIT, 0, 0, 2, MENU_CUE_ACCEPT, 6, 1},
        {"back on the main menu asks", 0, 0, false, BACK, 0, 0, 0, 2, MENU_CUE_ACCEPT, 6, 1},
        {"shop back", 1, 0, false, BACK, 0, 0, 0, 0, MENU_CUE_BACK, 1, 1},
        {"shop Назад", 1, 0, false, CLICK, MENU_ID_BACK, 0, 0, 0, MENU_CUE_BACK, 1, 1},
        {"pause back resumes", 4, 0, true, BACK, 0, MENU_ACTION_CONTINUE, 5, 0, MENU_CUE_BACK, 0, 1},
        {"pause back without a run", 4, 0, false, BACK, 0, 0, 0, 0, 0, 1, 1},
        {"pause Играть resumes", 4, 0, true, CLICK, MENU_ID_PAUSE_PLAY, MENU_ACTION_CONTINUE, 5, 0, MENU_CUE_ACCEPT, 0, 1},
        {"pause Играть never starts a run", 4, 0, false, CLICK, MENU_ID_PAUSE_PLAY, 0, 4, 0, 0, 7, 0},
        {"pause Меню asks", 4, 0, true, CLICK, MENU_ID_PAUSE_MENU, 0, 4, 3, MENU_CUE_ACCEPT, 8, 1},
        {"pause settings", 4, 0, true, CLICK, MENU_ID_PAUSE_SETTINGS, 0, 3, 0, MENU_CUE_ACCEPT, 4, 1},
        {"encyclopedia Назад", 2, 0, false, CLICK, MENU_ID_BACK, 0, 0, 0, MENU_CUE_BACK, 1, 1},
        {"encyclopedia back", 2, 0, false, BACK, 0, 0, 0, 0, MENU_CUE_BACK, 1, 1},
        {"full settings Назад", 3, 0, false, CLICK, MENU_ID_BACK, 0, 0, 0, MENU_CUE_BACK, 1, 1},
        {"main-menu dialog Да", 4, 3, true, CLICK, MENU_ID_YES, MENU_ACTION_MAIN_MENU, 0, 0, MENU_CUE_ACCEPT, 1, 1},
        {"main-menu dialog Нет", 4, 3, true, CLICK, MENU_ID_NO, 0, 4, 0, MENU_CUE_BACK, 7, 1},
        {"main-menu dialog back keeps the run", 4, 3, true, BACK, 0, 0, 4, 0, MENU_CUE_BACK, 7, 1},
        {"quit dialog Да", 0, 2, false, CLICK, MENU_ID_YES, MENU_ACTION_QUIT, 0, 0, MENU_CUE_ACCEPT, 1, 1},
        {"quit dialog accept on Нет cancels", 0, 2, false, ACCEPT_FOCUSED, 0, 0, 0, 0, MENU_CUE_BACK, 1, 1},
        {"quit dialog over the pause", 4, 2, true, CLICK, MENU_ID_YES, MENU_ACTION_QUIT, 4, 0, MENU_CUE_ACCEPT, 7, 1},
        {"erase dialog Да", 0, 1, false, CLICK, MENU_ID_YES, MENU_ACTION_ERASE, 0, 0, MENU_CUE_ACCEPT, 1, 1},
        {"dialog hides the screen beneath", 0, 2, false, CLICK, MENU_ID_PLAY, 0, 0, 2, 0, 6, 0},
    };
    for (const Row &row : rows) {
        MenuRig rig;
        rig.profile.introSeen = true;
        rig.runActive = row.runActive;
        rig.MoveTo({1.0f, 1.0f});
        MenuShow(rig.menu, row.screen);
        if (row.dialog != 0) {
            // Dialogs open the way the player opens them.
            if (row.dialog == MENU_DIALOG_QUIT && row.screen == MENU_SCREEN_MAIN) rig.Back();
            else if (row.dialog == MENU_DIALOG_MAIN_MENU) rig.Click(PauseButton(MENU_ID_PAUSE_MENU));
            else rig.menu.dialog = row.dialog;   // erase from the settings, quit while paused: later screens
            ASSERT_EQ(rig.menu.dialog, row.dialog) << row.name;
        }
        int serial = rig.menu.contextSerial;
        int cueSerial = rig.menu.cueSerial;
        int action = 0;
        if (row.event == BACK) {
            action = rig.Back();
        } else if (row.event == ACCEPT_FOCUSED) {
            action = rig.Accept();
        } else {
            Rectangle r = row.id == MENU_ID_BACK ? MENU_BACK_RECT
                          : row.id >= MENU_ID_YES ? MENU_DIALOG_BUTTONS[row.id - MENU_ID_YES].rect
                          : row.id >= MENU_ID_PAUSE_PLAY ? PauseButton(row.id)
                                                         : MainButton(row.id);
            action = rig.Click(r);
        }
        EXPECT_EQ(action, row.action) << row.name;
        EXPECT_EQ(rig.menu.screen, row.toScreen) << row.name;
        EXPECT_EQ(rig.menu.dialog, row.toDialog) << row.name;
        if (row.cue == 0) {
            EXPECT_EQ(rig.menu.cueSerial, cueSerial) << row.name;
        } else {
            EXPECT_EQ(rig.menu.cueSerial, cueSerial + 1) << row.name;
            EXPECT_EQ(rig.menu.cueType, row.cue) << row.name;
        }
        EXPECT_EQ(MenuMusicContext(rig.menu), row.context) << row.name;
        EXPECT_EQ(rig.menu.contextSerial - serial, row.serialSteps) << row.name;
    }
}

TEST(MenuStateMachine, AFreshMenuIsSilentOnTheMainScreen)
{
    MenuRig rig;
    rig.profile.introSeen = false;
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_MAIN);
    EXPECT_EQ(rig.menu.dragControl, -1);
    EXPECT_EQ(rig.Idle(120), MENU_ACTION_NONE);
    EXPECT_EQ(rig.menu.cueSerial, 0);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_MAIN);
    EXPECT_EQ(MenuMusicContext(rig.menu), 1);
    EXPECT_NEAR(rig.menu.time, 2.0f, 1e-4f);
}

TEST(MenuStateMachine, ShowChangesTheContextOnlyWhenTheViewChanges)
{
    MenuState menu;
    MenuInit(menu);
    MenuShow(menu, MENU_SCREEN_MAIN);
    EXPECT_EQ(menu.contextSerial, 0);   // the same screen again
    MenuShow(menu, MENU_SCREEN_PAUSE);
    EXPECT_EQ(menu.contextSerial, 1);
    MenuShow(menu, MENU_SCREEN_SETTINGS);
    EXPECT_EQ(menu.settingsParent, MENU_SCREEN_PAUSE);
    EXPECT_TRUE(MenuShowsGame(menu));
    MenuShow(menu, MENU_SCREEN_SETTINGS);
    EXPECT_EQ(menu.settingsParent, MENU_SCREEN_PAUSE);   // re-entering keeps the compact form
    EXPECT_EQ(menu.contextSerial, 2);
    MenuShow(menu, MENU_SCREEN_PLAY);
    EXPECT_EQ(menu.settingsParent, MENU_SCREEN_MAIN);
    EXPECT_EQ(MenuMusicContext(menu), 0);
    MenuShow(menu, 99);   // nonsense lands on the main menu
    EXPECT_EQ(menu.screen, MENU_SCREEN_MAIN);
}

TEST(MenuStateMachine, ACancelledDialogGivesTheFocusBack)
{
    MenuRig rig;
    rig.Step(0, -1);
    ASSERT_EQ(rig.Focused(), "Выход");
    rig.Accept();
    ASSERT_EQ(rig.menu.dialog, MENU_DIALOG_QUIT);
    EXPECT_EQ(rig.Focused(), "Нет");
    rig.Accept();
    EXPECT_EQ(rig.menu.dialog, MENU_DIALOG_NONE);
    EXPECT_EQ(rig.Focused(), "Выход");
}

// [SECTION] Hover and clicks

TEST(MenuHover, OneCuePerNewControlThrottledAndNeverLate)
{
    MenuRig rig;
    Rectangle play = MainButton(MENU_ID_PLAY), shop = MainButton(MENU_ID_SHOP), exit = MainButton(MENU_ID_EXIT);
    rig.MoveTo({600.0f, 100.0f});
    rig.Idle(10);
    rig.MoveTo({play.x + 5.0f, play.y + 5.0f});
    EXPECT_EQ(rig.menu.cueSerial, 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_HOVER);
    rig.MoveTo({play.x + 50.0f, play.y + 5.0f});   // the same control
    EXPECT_EQ(rig.menu.cueSerial, 1);
    rig.MoveTo({shop.x + 5.0f, shop.y + 5.0f});     // 1/60 s later: throttled
    EXPECT_EQ(rig.menu.cueSerial, 1);
    rig.Idle(30);                                   // and never played later
    EXPECT_EQ(rig.menu.cueSerial, 1);
    rig.MoveTo({exit.x + 5.0f, exit.y + 5.0f});
    EXPECT_EQ(rig.menu.cueSerial, 2);
}

TEST(MenuHover, OneClickIsOneAcceptAndHoldingNeverClicksAgain)
{
    MenuRig rig;
    rig.MoveTo({600.0f, 100.0f});
    rig.Idle(10);
    Rectangle exit = MainButton(MENU_ID_EXIT);
    rig.Click(exit);   // arriving and clicking in one frame
    EXPECT_EQ(rig.menu.cueSerial, 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_ACCEPT);
    ASSERT_EQ(rig.menu.dialog, MENU_DIALOG_QUIT);
    // Held over "Да": no second click, no hover cue.
    MenuInput in = rig.Idle();
    Rectangle yes = MENU_DIALOG_BUTTONS[0].rect;
    in.pointer = in.mouse = {yes.x + 10.0f, yes.y + 10.0f};
    in.held = true;
    for (int i = 0; i < 20; i++) EXPECT_EQ(rig.Frame(in), MENU_ACTION_NONE);
    EXPECT_EQ(rig.menu.cueSerial, 1);
    EXPECT_EQ(rig.menu.dialog, MENU_DIALOG_QUIT);
}

// [SECTION] Shop

// The shop screen spends the profile's coins at the buttons' centres: one coin short is refused
// and changes nothing, exactly the price leaves 0, a full upgrade is refused at any wallet.
TEST(MenuShop, ClicksAtTheButtonCentresBuyOrDeny)
{
    struct Row {
        const char *name;
        int id, level;
        int64_t walletOffset;   // wallet = price of the next level + offset (the max level: 10^6)
        bool bought;
    };
    const Row rows[] = {
        {"one coin short", SHOP_COINS, 0, -1, false},
        {"exactly the price", SHOP_COINS, 0, 0, true},
        {"exactly the price, later level", SHOP_DRONE, 3, 0, true},
        {"one short of the revive", SHOP_REVIVE, 1, -1, false},
        {"maxed", SHOP_MAGNET, 5, 0, false},
    };
    for (const Row &row : rows) {
        MenuRig rig;
        MenuShow(rig.menu, MENU_SCREEN_SHOP);
        rig.profile.shop.level[row.id] = row.level;
        uint64_t price = ShopPrice(&rig.profile.shop, row.id);
        rig.profile.coins = price > 0 ? (uint64_t)((int64_t)price + row.walletOffset) : 1000000u;
        Profile before = rig.profile;
        int serial = rig.menu.cueSerial;

        rig.Click(ShopBuyRect(row.id));
        EXPECT_EQ(rig.menu.cueSerial, serial + 1) << row.name;
        EXPECT_EQ(rig.menu.cueType, (uint32_t)(row.bought ? MENU_CUE_PURCHASE : MENU_CUE_DENIAL)) << row.name;
        if (row.bought) {
            EXPECT_EQ(rig.profile.shop.level[row.id], row.level + 1) << row.name;
            EXPECT_EQ(rig.profile.coins, before.coins - price) << row.name;
            if (row.walletOffset == 0) { EXPECT_EQ(rig.profile.coins, 0u) << row.name; }
        } else {
            EXPECT_TRUE(ProfileEqual(rig.profile, before)) << row.name;
        }
        for (int other = 0; other < SHOP_UPGRADE_COUNT; other++)
            if (other != row.id) { EXPECT_EQ(rig.profile.shop.level[other], before.shop.level[other]) << row.name; }
        // The cue reaches the audio side as the purchase or denial sound.
        AudioPublishInput audio = MenuAudioInput(rig.menu, rig.profile, true, 1280.0f);
        EXPECT_EQ(AudioPublishCueId(audio.cueType), row.bought ? 5 : 3) << row.name;
    }
}

TEST(MenuShop, EveryButtonBuysItsOwnCardAndTheLedgerBalances)
{
    for (int id = 0; id < SHOP_UPGRADE_COUNT; id++) {
        ShopState state{};
        uint64_t wallet = 5000;
        Rectangle r = ShopBuyRect(id);
        Rectangle card = ShopCardRect(id);
        // On the card but beside its button: nothing.
        EXPECT_FALSE(ShopClick(&state, &wallet, {card.x + 20.0f, card.y + 20.0f}, true));
        EXPECT_FALSE(ShopClick(&state, &wallet, {r.x + 76.0f, r.y + 20.0f}, false));
        EXPECT_EQ(wallet, 5000u);
        uint64_t price = ShopPrice(&state, id);
        EXPECT_FALSE(ShopClick(&state, &wallet, {r.x + 76.0f, r.y + 20.0f}, true));
        EXPECT_EQ(wallet + price, 5000u) << id;
        for (int other = 0; other < SHOP_UPGRADE_COUNT; other++) EXPECT_EQ(state.level[other], other == id ? 1 : 0);
    }
    ShopState state{};
    uint64_t wallet = 7;
    EXPECT_TRUE(ShopClick(&state, &wallet, {1110.0f, 672.0f}, true));
    EXPECT_FALSE(ShopClick(&state, &wallet, {1110.0f, 672.0f}, false));
    EXPECT_EQ(ShopHitButton({NAN, 300.0f}), SHOP_HIT_NONE);
}

TEST(MenuShop, TheKeyboardBuysOnceAndAStillMouseRepeatsNothing)
{
    MenuRig rig;
    MenuShow(rig.menu, MENU_SCREEN_SHOP);
    rig.profile.coins = 20 + 21;   // the first speed level, then one short of the second
    rig.Step(1, 0);
    ASSERT_EQ(rig.Focused(), "Быстрый шаг");
    int serial = rig.menu.cueSerial;
    rig.Accept();
    EXPECT_EQ(rig.menu.cueSerial, serial + 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_PURCHASE);
    EXPECT_EQ(rig.profile.shop.level[SHOP_SPEED], 1);
    EXPECT_EQ(rig.profile.coins, 21u);
    rig.Accept();   // 22 now
    EXPECT_EQ(rig.menu.cueSerial, serial + 2);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_DENIAL);
    EXPECT_EQ(rig.profile.shop.level[SHOP_SPEED], 1);
    EXPECT_EQ(rig.profile.coins, 21u);

    // The mouse clicks a card once and stays there with the button held.
    rig.Click(ShopBuyRect(SHOP_BINDINGS));
    EXPECT_EQ(rig.profile.coins, 6u);
    MenuInput in = rig.Idle();
    in.held = true;
    serial = rig.menu.cueSerial;
    for (int i = 0; i < 30; i++) rig.Frame(in);
    EXPECT_EQ(rig.menu.cueSerial, serial);
    EXPECT_EQ(rig.profile.shop.level[SHOP_BINDINGS], 1);
    EXPECT_EQ(rig.profile.coins, 6u);
}

// [SECTION] Pause frame

// The frame that opens the pause must not hand its key to the pause screen; the one after does.
TEST(MenuFrame, ThePauseFrameIsSkippedOnceThenInputFlows)
{
    MenuRig rig;
    rig.runActive = true;
    MenuShow(rig.menu, MENU_SCREEN_PAUSE);
    bool paused = true;
    MenuInput back = rig.Idle();
    back.back = true;
    bool changed = true;
    EXPECT_EQ(MenuFrameUpdate(rig.menu, rig.profile, paused, true, rig.dt, back, &changed), MENU_ACTION_NONE);
    EXPECT_FALSE(paused);
    EXPECT_FALSE(changed);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_PAUSE);
    for (int i = 0; i < 3; i++) {
        rig.Idle(1);
        ASSERT_EQ(MenuFrameUpdate(rig.menu, rig.profile, paused, true, rig.dt, rig.Idle(), &changed), MENU_ACTION_NONE);
    }
    EXPECT_EQ(MenuFrameUpdate(rig.menu, rig.profile, paused, true, rig.dt, back, &changed), MENU_ACTION_CONTINUE);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_PLAY);
}

TEST(MenuFrame, APurchaseLeavesTheProfileChanged)
{
    MenuRig rig;
    MenuShow(rig.menu, MENU_SCREEN_SHOP);
    rig.profile.coins = 100;
    bool paused = false, changed = false;
    MenuInput in = rig.Idle();
    Rectangle r = ShopBuyRect(SHOP_BINDINGS);
    in.pointer = in.mouse = {r.x + 10.0f, r.y + 10.0f};
    in.pressed = in.held = true;
    MenuFrameUpdate(rig.menu, rig.profile, paused, false, rig.dt, in, &changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(rig.profile.coins + 15u, 100u);
}

// [SECTION] Canvas and drips

TEST(MenuCanvas, AWindowWithoutSizeIsTheReferenceCanvas)
{
    for (Vector2 size : {Vector2{0.0f, 0.0f}, Vector2{1920.0f, 0.0f}, Vector2{-5.0f, 720.0f}, Vector2{NAN, 720.0f}}) {
        MenuCanvas c = MenuCanvasFor(size.x, size.y);
        EXPECT_EQ(c.width, 1280.0f);
        EXPECT_EQ(c.height, 720.0f);
        EXPECT_EQ(c.s, 1.0f);
    }
    MenuCanvas wide = MenuCanvasFor(2560.0f, 1080.0f);   // 1.5 x, centred across
    EXPECT_FLOAT_EQ(wide.s, 1.5f);
    EXPECT_FLOAT_EQ(wide.x0, 320.0f);
    Vector2 p = MenuToCanvas(wide, MenuToWindow(wide, {100.0f, 200.0f}));
    EXPECT_FLOAT_EQ(p.x, 100.0f);
    EXPECT_FLOAT_EQ(p.y, 200.0f);
    for (uint32_t v : {0u, 1u, 0xFFFFFFFFu, 0x80000000u, 12345u}) {
        float u = MenuHash(v);
        EXPECT_GE(u, 0.0f);
        EXPECT_LT(u, 1.0f);
    }
}

// A minimised window reports a height of 0: the drips still move, land or fade and free their
// slots, with every value finite.
TEST(PointerDrips, AZeroWindowHeightUsesTheCanvasAndFreesEverySlot)
{
    for (bool falling : {true, false}) {
        PointerDrips drips{};
        PointerDripsUpdate(drips, {640.0f, 300.0f}, 0.01f, falling, 0.0f, 1280.0f, 720.0f);
        float time = 0.0f;
        int most = 0;
        for (int i = 0; i < 60 * 10; i++) {
            time += 1.0f / 60.0f;
            PointerDripsUpdate(drips, {640.0f, 300.0f}, 1.0f / 60.0f, falling, time, 1280.0f, 0.0f);
            most = std::max(most, PointerDripsActive(drips));
            for (const PointerDrip &d : drips.slots)
                if (d.active) { ASSERT_TRUE(std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.speed)); }
        }
        EXPECT_GT(most, 0) << falling;
        // The pointer leaves; within the splash time every slot is free again.
        for (int i = 0; i < 60 * 4; i++) {
            time += 1.0f / 60.0f;
            PointerDripsUpdate(drips, {-10.0f, 300.0f}, 1.0f / 60.0f, falling, time, 1280.0f, 0.0f);
        }
        EXPECT_EQ(PointerDripsActive(drips), 0) << falling;
    }
}

TEST(PointerDrips, EmissionFadingAndLanding)
{
    auto run = [](bool falling, Vector2 pointer, float seconds, PointerDrips &drips) {
        int landed = 0;
        for (int i = 0; i < (int)(seconds * 60.0f + 0.5f); i++) {
            PointerDripsUpdate(drips, pointer, 1.0f / 60.0f, falling, 0.0f, 1280.0f, 720.0f);
            for (const PointerDrip &d : drips.slots) landed += d.active && d.landed;
        }
        return landed;
    };
    PointerDrips drips{};
    drips.falling = true;
    run(true, {640.0f, 300.0f}, 0.57f, drips);
    EXPECT_EQ(drips.emitted, 0u);   // one drip per 0.58 s, not sooner
    run(true, {640.0f, 300.0f}, 0.3f, drips);
    EXPECT_EQ(drips.emitted, 1u);
    EXPECT_GT(run(true, {640.0f, 300.0f}, 3.0f, drips), 0);   // they reach the mud and splash

    // Switching the surface off clears every drip; without it none lands and each fades in 0.45 s.
    run(false, {640.0f, 300.0f}, 1.0f / 60.0f, drips);
    EXPECT_EQ(PointerDripsActive(drips), 0);
    EXPECT_EQ(run(false, {640.0f, 300.0f}, 5.0f, drips), 0);
    for (const PointerDrip &d : drips.slots)
        if (d.active) { EXPECT_LE(d.age, 0.45f); }
    uint32_t emitted = drips.emitted;
    run(false, {1280.0f, 300.0f}, 3.0f, drips);   // x = width is outside
    EXPECT_EQ(drips.emitted, emitted);

    // A bad step changes nothing.
    run(false, {640.0f, 300.0f}, 1.0f, drips);
    PointerDrips copy = drips;
    PointerDripsUpdate(drips, copy.pointer, NAN, false, 0.0f, 1280.0f, 720.0f);
    PointerDripsUpdate(drips, copy.pointer, -1.0f, false, 0.0f, 1280.0f, 720.0f);
    EXPECT_EQ(drips.timer, copy.timer);
    EXPECT_EQ(drips.emitted, copy.emitted);
    for (int i = 0; i < POINTER_DRIP_CAPACITY; i++) {
        EXPECT_EQ(drips.slots[i].active, copy.slots[i].active);
        EXPECT_EQ(drips.slots[i].y, copy.slots[i].y);
        EXPECT_EQ(drips.slots[i].age, copy.slots[i].age);
    }
}
