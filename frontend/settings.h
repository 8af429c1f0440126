// The settings screen: volumes with their on/off boxes, the window mode, the input device and
// (full form only) the graphics presets, the render-quality slider, the four graphics switches
// and the erase command. The full form opens from the main menu, the compact one from the pause.
//
// Every change goes straight into the Profile; the frame loop applies what changed (borderless,
// render scale, graphics vector, input device) and the audio publisher reads the volumes from it.
// Pure except SettingsDrawFull / SettingsDrawCompact (settings_draw.cpp), which need the window.
#pragma once

#include "frontend/menu.h"

// [SECTION] Controls

// Hover ids. The compact device buttons (37, 38) and the full ones (67, 68) complete the table.
constexpr int SETTINGS_ID_COMPACT_WINDOWED = 31;
constexpr int SETTINGS_ID_COMPACT_BORDERLESS = 32;
constexpr int SETTINGS_ID_COMPACT_MUSIC = 33;       // volume sliders
constexpr int SETTINGS_ID_COMPACT_SOUND = 34;
constexpr int SETTINGS_ID_COMPACT_MUSIC_BOX = 35;   // mute boxes
constexpr int SETTINGS_ID_COMPACT_SOUND_BOX = 36;
constexpr int SETTINGS_ID_COMPACT_KEYBOARD = 37;
constexpr int SETTINGS_ID_COMPACT_GAMEPAD = 38;
constexpr int SETTINGS_ID_ERASE = 60;
constexpr int SETTINGS_ID_WINDOWED = 61;
constexpr int SETTINGS_ID_BORDERLESS = 62;
constexpr int SETTINGS_ID_MUSIC_BOX = 63;
constexpr int SETTINGS_ID_SOUND_BOX = 64;
constexpr int SETTINGS_ID_MUSIC = 65;
constexpr int SETTINGS_ID_SOUND = 66;
constexpr int SETTINGS_ID_KEYBOARD = 67;
constexpr int SETTINGS_ID_GAMEPAD = 68;
constexpr int SETTINGS_ID_PRESET = 110;    // + preset 0..2
constexpr int SETTINGS_ID_QUALITY = 114;
constexpr int SETTINGS_ID_SWITCH = 120;    // + 3 x row + option, rows 0..3

// Slider kinds, as MenuFocusItem.slider and MenuState.dragControl name them.
constexpr int SETTINGS_SLIDER_MUSIC = 0;
constexpr int SETTINGS_SLIDER_SOUND = 1;
constexpr int SETTINGS_SLIDER_QUALITY = 2;

constexpr float SETTINGS_TICK_THROTTLE = 0.1f;   // seconds between two slider ticks
constexpr float SETTINGS_HIT_GROW = 18.0f;       // a slider takes presses this far above and below its track
constexpr float SETTINGS_VOLUME_STEP = 0.05f;    // one key step of a volume slider
constexpr int SETTINGS_QUALITY_STEP = 5;         // one key step of the quality slider, percent
constexpr int SETTINGS_SWITCH_ROWS = 4;          // clouds, shadows, splashes, creature detail
constexpr int SETTINGS_SWITCH_OPTIONS[SETTINGS_SWITCH_ROWS] = {3, 3, 2, 3};

// One form's geometry on the reference canvas.
struct SettingsLayout {
    Rectangle track[2];       // music, sound
    Rectangle box[2];         // their on/off boxes
    Rectangle windowed, borderless;
    Rectangle keyboard, gamepad;
};

constexpr SettingsLayout SETTINGS_FULL = {
    {{323.0f, 148.0f, 514.0f, 14.0f}, {323.0f, 206.0f, 514.0f, 14.0f}},
    {{1071.0f, 134.0f, 36.0f, 36.0f}, {1071.0f, 192.0f, 36.0f, 36.0f}},
    {430.0f, 540.0f, 212.0f, 40.0f}, {660.0f, 540.0f, 532.0f, 40.0f},
    {430.0f, 590.0f, 372.0f, 40.0f}, {820.0f, 590.0f, 372.0f, 40.0f},
};
constexpr SettingsLayout SETTINGS_COMPACT = {
    {{477.0f, 252.0f, 335.0f, 14.0f}, {477.0f, 321.0f, 335.0f, 14.0f}},
    {{944.0f, 241.0f, 36.0f, 36.0f}, {944.0f, 310.0f, 36.0f, 36.0f}},
    {441.0f, 390.0f, 180.0f, 49.0f}, {639.0f, 390.0f, 349.0f, 49.0f},
    {441.0f, 462.0f, 263.0f, 44.0f}, {722.0f, 462.0f, 266.0f, 44.0f},
};
constexpr Rectangle SETTINGS_QUALITY_TRACK = {550.0f, 316.0f, 510.0f, 12.0f};
constexpr Rectangle SETTINGS_ERASE_RECT = {80.0f, 650.0f, 383.0f, 44.0f};

// A preset button (0..2) and a switch button (row 0..3, option), on the full form.
Rectangle SettingsPresetRect(int preset);
Rectangle SettingsSwitchRect(int row, int option);
// A slider's press area: its track grown by SETTINGS_HIT_GROW above and below.
Rectangle SettingsSliderHitRect(Rectangle track);

// [SECTION] Behaviour

// What a settings frame asks of the menus.
enum SettingsEvent : int {
    SETTINGS_EVENT_NONE = 0,
    SETTINGS_EVENT_BACK = 1,    // "Назад": back to the screen that opened the settings
    SETTINGS_EVENT_ERASE = 2,   // "Стереть прогресс": the erase dialog, nothing changed yet
};

// The settings form shown: compact when opened from the pause.
bool SettingsCompact(const MenuState &menu);
// The form's focusable controls in focus order, appended to `list` from `count`; the new count.
int SettingsFocusItems(const MenuState &menu, MenuFocusItem *list, int count, int capacity);
// The hover id under a canvas point, 0 for none.
int SettingsControlAt(const MenuState &menu, Vector2 canvasPoint);
// One frame of the form from menu.io: slider capture, drag and release, the mute boxes and the
// buttons, with their cues. The profile changes at once.
int SettingsUpdate(MenuState &menu, Profile &profile);
// A key step (stepX -1/+1) or accept on a focused slider: the quality by 5 within 50..100, a
// volume by 0.05 within 0..1 switching its channel on (tick cue), accept toggling the channel
// (accept cue). False when nothing changed.
bool SettingsSliderKey(MenuState &menu, Profile &profile, int slider, int stepX, bool accept);

// What a menu frame changed of the preferences the loop applies outside the profile.
struct SettingsChanges {
    bool borderless;     // DisplaySetBorderless with profile.borderless, keeping the state reached
    bool renderScale;    // DisplaySetRenderScale with graphics[0]
    bool graphics;       // the graphics-quality vector from graphics[1..4]
    bool gamepad;        // InputSetGamepad with profile.gamepad
    bool audio;          // volumes or mutes: the publisher reads them from the profile every frame
};

// The preferences that differ between the profile before and after a menu frame.
SettingsChanges SettingsCompare(const Profile &before, const Profile &after);

// [SECTION] Drawing (settings_draw.cpp: needs the window)

// The full form over the menu backdrop, drawn by MenuDraw after it.
void SettingsDrawFull(const MenuState &menu, const Profile &profile);
// The compact panel over the frozen game.
void SettingsDrawCompact(const MenuState &menu, const Profile &profile);
