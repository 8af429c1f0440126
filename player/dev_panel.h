// Developer panel: statistics, two switches, the HUD opacity and camera zoom text fields and a
// coin button over the top-left corner, available after the cheat code. The record holds the
// HUD opacity and the panel's hover and focus state; the caller keeps no widget objects.
//
// The text-field editing, commits, layout and the widgets' behaviour (DevPanelStep) are pure and
// fed from the frame's input snapshot; the drawing is hud/dev_panel_draw.h.
#pragma once

#include "raylib.h"

constexpr int DEV_FIELD_BYTES = 8;              // text field buffer, terminator included
constexpr int DEV_FIELD_MAX_CHARS = DEV_FIELD_BYTES - 1;
constexpr int DEV_PANEL_CHAR_CAPACITY = 32;     // typed characters taken per frame; more are dropped
constexpr float HUD_OPACITY_DEFAULT = 0.80f;
constexpr float DEV_ZOOM_MIN = 5.5f;            // metres of view height
constexpr float DEV_ZOOM_MAX = 30.0f;
constexpr float DEV_ZOOM_DEFAULT = 20.0f;

enum DevWidget {
    DEV_WIDGET_NONE,
    DEV_WIDGET_IMMORTAL,       // "Бессмертие" row
    DEV_WIDGET_SPEED,          // "Скорость игрока x10" row
    DEV_WIDGET_OPACITY_FIELD,
    DEV_WIDGET_OPACITY_RESET,
    DEV_WIDGET_ZOOM_FIELD,
    DEV_WIDGET_ZOOM_RESET,
    DEV_WIDGET_COINS,          // "+1000 монет"
    DEV_WIDGET_COUNT,
};

enum DevFieldAction {
    DEV_FIELD_NONE,    // still editing, or not focused
    DEV_FIELD_COMMIT,  // Enter: parse and apply
    DEV_FIELD_CANCEL,  // Escape: drop the edit
};

struct DevTextField {
    char text[DEV_FIELD_BYTES];  // always terminated, at most 7 characters
    bool focused;                // has keyboard focus
    bool replaceNext;            // the next typed character replaces the whole text
};

struct DevPanel {
    float opacity;               // HUD opacity 0..1 ("Непрозрачность UI"); not saved
    DevTextField opacityField;   // "0.80" at start
    DevTextField zoomField;      // "20.0" at start; shown only while focused
    Vector2 mouse;               // last mouse position seen, view pixels
    int hot;                     // DEV_WIDGET_* under the mouse, NONE if none
};

// One frame of input for the panel: read from raylib at the edge or written by a test.
struct DevPanelEvents {
    Vector2 mouse;                          // view pixels
    bool press;                             // left button went down
    bool focused;                           // the window has focus
    int chars[DEV_PANEL_CHAR_CAPACITY];     // typed codepoints, in order
    int charCount;
    bool backspace;                         // pressed or repeated
    bool enter;                             // Enter or keypad Enter
    bool escape;
};

// What the statistics lines show.
struct DevPanelStats {
    int fps;
    float frameMs;
    int renderWidth, renderHeight;
    float playerX, playerZ;
    int slotsUsed;             // mudling pool slots in use, of 48
    int buns, walkers, golems; // living ordinary forms
    bool campaign;             // the campaign lines below are shown
    int level;
    float levelClock;          // seconds into the level
    float levelLength;         // seconds
    int phase;                 // 0 waves, 1 boss, 2 victory
    int bosses, rollers;
};

// [SECTION] Text fields

// Start-up state: opacity 0.80, "0.80", "20.0", nothing focused.
void DevPanelReset(DevPanel &panel);
// Types one character: digits, '.' and ',' (as '.') while shorter than 7 characters, one point
// at most; a field marked for replacement is emptied first. False if refused.
bool DevFieldType(DevTextField &field, int codepoint);
// Deletes the last character (or all of a field marked for replacement).
void DevFieldBackspace(DevTextField &field);
// Focuses the field and marks it for replacement.
void DevFieldFocus(DevTextField &field);
// Applies a frame's typing to a focused field; reports Enter and Escape.
DevFieldAction DevFieldKeys(DevTextField &field, const DevPanelEvents &events);
// Parses a whole buffer as a finite decimal number; false (and `out` untouched) otherwise.
bool DevFieldParse(const char *text, float &out);

// [SECTION] Values

// Opacity = x clamped to 0..1 (0.80 if x is not finite); rewrites the field, which loses focus.
void HudSetOpacity(DevPanel &panel, float x);
// Commits the opacity field: a number sets the opacity, anything else keeps it.
void DevPanelCommitOpacity(DevPanel &panel);
// Commits the zoom field into `zoom` (clamped to 5.5..30), or keeps it for a non-number.
void DevPanelCommitZoom(DevPanel &panel, float &zoom);
// Drops an edit: the field loses focus and shows its value again.
void DevPanelCancelOpacity(DevPanel &panel);
void DevPanelCancelZoom(DevPanel &panel, float zoom);
// True while either field has keyboard focus; the game keys are ignored then.
bool DevPanelTextFocused(const DevPanel &panel);

// [SECTION] Layout

// Top of the switches: lower with a campaign, whose statistics take four more lines.
float DevPanelTop(bool campaign);
Rectangle DevPanelBackground(bool campaign);
// Hit rectangle of a widget.
Rectangle DevPanelWidgetRect(int widget, bool campaign);

// [SECTION] Widgets

// Whether the last mouse position the panel saw lies on a widget.
bool DevPanelHovered(const DevPanel &panel, int widget, bool campaign);
// One behaviour pass of the widgets: commits, focus, typing, switches. Draws nothing and needs
// no window. Returns true when the coin button was pressed. A hidden panel only commits its fields.
bool DevPanelStep(DevPanel &panel, bool visible, bool campaign, const DevPanelEvents &events, bool &immortal,
                  bool &speedTimesTen, float &zoom);
