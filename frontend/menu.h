// The front end's state machine: the main menu, the shop, the encyclopedia, the settings, the
// pause screen, the opening comic and the three confirmation dialogs, the immediate-mode widgets,
// and the keyboard, mouse and gamepad focus navigation. The screens' own parts live in
// settings.h, encyclopedia.h and comic.h; the shop's in campaign/shop.h.
//
// Every menu frame the loop builds one MenuInput from the frame's devices (MenuReadInput), hands it
// to MenuUpdate, acts on the returned action and draws with MenuDraw (menu_draw.h). The menus raise
// the interface cues (cueType / cueSerial) and the music context the audio publisher reads.
// Everything here is pure: the window size arrives in the input.
#pragma once

#include "audio/audio_publish.h"
#include "frontend/comic.h"
#include "frontend/menu_canvas.h"
#include "frontend/pointer_drips.h"
#include "frontend/profile.h"
#include "raylib.h"

#include <cstdint>

// [SECTION] Constants

enum MenuScreen : int32_t {
    MENU_SCREEN_MAIN = 0,
    MENU_SCREEN_SHOP = 1,
    MENU_SCREEN_ENCYCLOPEDIA = 2,
    MENU_SCREEN_SETTINGS = 3,
    MENU_SCREEN_PAUSE = 4,
    MENU_SCREEN_PLAY = 5,   // no menu: the run is being played
    MENU_SCREEN_COMIC = 6,
    MENU_SCREEN_COUNT
};

enum MenuDialog : int32_t {
    MENU_DIALOG_NONE = 0,
    MENU_DIALOG_ERASE = 1,       // "Стереть весь прогресс?"
    MENU_DIALOG_QUIT = 2,        // "Выйти из игры?"
    MENU_DIALOG_MAIN_MENU = 3,   // "Вернуться в главное меню?"
};

// What MenuUpdate asks the frame loop to do.
enum MenuAction : int {
    MENU_ACTION_NONE = 0,
    MENU_ACTION_NEW_GAME = 1,
    MENU_ACTION_CONTINUE = 2,    // resume the paused run
    MENU_ACTION_ERASE = 3,       // erase the progress
    MENU_ACTION_QUIT = 4,
    MENU_ACTION_MAIN_MENU = 5,   // the run is ended, the main menu shows
};

// Interface cues, numbered as the audio publisher reads them.
enum MenuCue : uint32_t {
    MENU_CUE_NONE = 0,
    MENU_CUE_HOVER = 1,
    MENU_CUE_ACCEPT = 2,
    MENU_CUE_BACK = 3,
    MENU_CUE_DENIAL = 4,
    MENU_CUE_SLIDER_TICK = 5,
    MENU_CUE_PURCHASE = 6,
};
static_assert((uint32_t)MENU_CUE_HOVER == AUDIO_EVENT_HOVER && (uint32_t)MENU_CUE_ACCEPT == AUDIO_EVENT_ACCEPT &&
                  (uint32_t)MENU_CUE_BACK == AUDIO_EVENT_BACK && (uint32_t)MENU_CUE_DENIAL == AUDIO_EVENT_DENIAL &&
                  (uint32_t)MENU_CUE_SLIDER_TICK == AUDIO_EVENT_SLIDER_TICK &&
                  (uint32_t)MENU_CUE_PURCHASE == AUDIO_EVENT_PURCHASE,
              "the menus' cue types are the publisher's interface events");

// Control ids (hover detection and focus). 0 is no control.
constexpr int MENU_ID_PLAY = 10;           // main menu: 10..14
constexpr int MENU_ID_SHOP = 11;
constexpr int MENU_ID_ENCYCLOPEDIA = 12;
constexpr int MENU_ID_SETTINGS = 13;
constexpr int MENU_ID_EXIT = 14;
constexpr int MENU_ID_PAUSE_PLAY = 20;     // pause: 20..22
constexpr int MENU_ID_PAUSE_SETTINGS = 21;
constexpr int MENU_ID_PAUSE_MENU = 22;
constexpr int MENU_ID_BACK = 40;           // shop, encyclopedia, full settings
constexpr int MENU_ID_SHOP_BUY = 50;       // + upgrade id
constexpr int MENU_ID_YES = 100;           // dialogs
constexpr int MENU_ID_NO = 101;

constexpr float MENU_HOVER_THROTTLE = 0.09f;   // seconds between two hover cues
constexpr float MENU_DT_LIMIT = 0.1f;          // the menu clock never jumps further in one frame
constexpr int MENU_FOCUS_CAPACITY = 32;

// A button of a fixed screen layout, on the reference canvas.
struct MenuButtonSpec {
    int id;
    const char *label;
    Rectangle rect;
    int seed;        // the hand-drawn outline's wobble
    bool primary;
};

extern const MenuButtonSpec MENU_MAIN_BUTTONS[5];     // "Играть", "Магазин", "Энциклопедия", "Настройки", "Выход"
extern const MenuButtonSpec MENU_PAUSE_BUTTONS[3];    // "Играть", "Настройки", "Меню"
extern const MenuButtonSpec MENU_DIALOG_BUTTONS[2];   // "Да", "Нет"
constexpr Rectangle MENU_BACK_RECT = {984.0f, 650.0f, 252.0f, 44.0f};

// [SECTION] Records

// What one menu frame sees of the devices; the loop fills it from its input snapshot.
struct MenuDevices {
    bool focused;                 // the window has focus
    bool gamepad;                 // the profile's input device is the gamepad
    float windowWidth, windowHeight;
    Vector2 mouse;                // window pixels
    bool mousePressed;            // left button went down this frame
    bool mouseDown;               // left button held
    float wheel;
    const bool *keyPressed;       // raylib key codes 0..keyCount-1 (null: no keyboard)
    const bool *keyDown;
    const bool *keyRepeat;        // the system's key repeat fired this frame
    int keyCount;
    const bool *padPressed;       // the active gamepad's buttons 0..padCount-1 (null: none)
    const bool *padRepeat;        // pressed or hold-repeated this frame
    int padCount;
};

// One menu frame's input.
struct MenuInput {
    Vector2 pointer;              // window position of the mouse (gamepad: the last virtual pointer)
    Vector2 mouse;                // the raw mouse position (gamepad and unfocused: as last seen)
    bool pressed;                 // left button went down (or a keyboard press of the focused control)
    bool held;                    // left button is down
    bool back;                    // Escape; gamepad: K's button or Start
    float wheel;
    int stepX, stepY;             // -1, 0, +1: Right/D - Left/A, Down/S - Up/W, pressed or repeated
    int tab;                      // +1 Tab, -1 Shift+Tab
    bool accept;                  // Enter, keypad Enter, Space, J, F; gamepad: J's button
    bool gamepad;                 // gamepad mode: mouse and keyboard ignored, focus always shown
    float windowWidth, windowHeight;
};

// The menus' state, one per program.
struct MenuState {
    PointerDrips drips;        // the pointer's falling mud drops
    int32_t screen;            // MenuScreen
    int32_t settingsParent;    // screen that opened the settings: 4 (compact) or 0 (full)
    int32_t dialog;            // MenuDialog
    float time;                // seconds of menu time (clamped steps); drives the animations
    float scroll;              // encyclopedia scroll offset, 0..954
    int32_t contextSerial;     // incremented whenever the visible screen or dialog changes
    uint32_t cueType;          // MenuCue of the last event
    int32_t cueSerial;         // incremented with every cue
    int32_t hovered;           // control under the pointer last frame, 0 none
    float hoverThrottle;       // seconds before another hover cue may sound
    float tickThrottle;        // seconds before another slider tick may sound
    int32_t dragControl;       // slider captured by a drag, -1 none
    bool scrollDrag;           // the encyclopedia scroll bar is being dragged
    Vector2 pointer;           // the pointer of last frame: the mouse, or the focused control's centre
    Vector2 virtualPointer;    // last pointer position seen by the focus navigation
    Vector2 mouse;             // the raw mouse position the navigation saw last frame
    int32_t focusIndex;        // focused control in the screen's focus list
    int32_t screenFocus;       // the screen's focus while a dialog is open, restored when it closes
    bool keyboardMode;         // keyboard or gamepad has taken over from the mouse: focus ring shown
    int32_t lastTickStep;      // settings: slider position of the last tick (twentieths; quality: steps of 5)
    ComicState comic;          // the opening comic's clock
    bool comicFirstLaunch;     // the comic was opened by "Играть" and a run waits
    MenuInput io;              // this frame's input after the focus navigation; the widgets read it
};

// A focusable control of the current screen, on the reference canvas.
struct MenuFocusItem {
    int id;
    Rectangle rect;
    const char *label;
    int slider;    // -1 none, 0 music volume, 1 sound volume, 2 render quality
    int row;       // encyclopedia row 0..6, or -1
};

// [SECTION] Interface

// A fresh menu on the main screen: no cue, no drag, nothing focused yet.
void MenuInit(MenuState &menu);
// The frame's input from the devices: nothing but the last pointer while the window is unfocused;
// in gamepad mode only the mapped buttons count.
MenuInput MenuReadInput(const MenuState &menu, const MenuDevices &devices);
// One menu frame: navigation, hover cue, dialogs, back and clicks. Returns a MenuAction. The shop
// spends `profile`'s coins on `profile`'s levels; "Играть" reads introSeen.
int MenuUpdate(MenuState &menu, Profile &profile, bool runActive, float dt, const MenuInput &input);
// The menu frame's input step: MenuUpdate, except in the frame the pause opened, whose press must
// not also reach the pause screen; that frame consumes `pausedThisFrame`, so the next one takes
// input again. `profileChanged` (may be null) tells whether the profile now differs.
int MenuFrameUpdate(MenuState &menu, Profile &profile, bool &pausedThisFrame, bool runActive, float dt,
                    const MenuInput &input, bool *profileChanged);
// Jumps to a screen (pause, the main menu after a run): closes the dialog and clears focus, drag
// and hover; the context serial moves only when the screen or the dialog really changes.
void MenuShow(MenuState &menu, int screen);
// The music context the audio side arranges: dialogs 5, 6, 8; screens 1, 2, 3, 4, 7, 0 (play), 9.
int MenuMusicContext(const MenuState &menu);
// The screen shows the frozen game behind it (pause, and the settings opened from it).
bool MenuShowsGame(const MenuState &menu);
// The focusable controls of the current screen (or the open dialog), in focus order; the count.
int MenuFocusList(const MenuState &menu, const Profile &profile, MenuFocusItem list[MENU_FOCUS_CAPACITY]);
// The control under a canvas point among the hover targets of the current screen, 0 for none.
int MenuControlAt(const MenuState &menu, const Profile &profile, Vector2 canvasPoint);
// The immediate-mode button: true when this frame's click (menu.io) lands on it. Hover and focus
// live in the menu record; the look is MenuButtonDraw's (menu_draw.h).
bool MenuButton(const MenuState &menu, int id, Rectangle rect);
// Raises an interface cue: the audio side plays `type` when cueSerial moves.
void MenuRaiseCue(MenuState &menu, uint32_t type);
// Screen 6 with the comic's clock restarted; `firstLaunch` when "Играть" opened it and a run waits,
// false for the replay from the encyclopedia.
void MenuOpenComic(MenuState &menu, bool firstLaunch);
// The window is closing: if the comic is showing as the introduction and has not been seen, it
// counts as seen so it is not offered again. True when the profile changed.
bool MenuCloseDuringIntro(const MenuState &menu, Profile &profile);
// What the audio publisher needs of the menus this frame.
AudioPublishInput MenuAudioInput(const MenuState &menu, const Profile &profile, bool focused, float windowWidth);
