// Display: the 16:9 letterbox inside the window, the scene's render size, borderless fullscreen,
// the window icon and the game's own mouse cursor.
//
// Pure (no window): DisplayLetterboxFor, DisplayRenderSizeFor, DisplayRenderSizeLimit,
// DisplayRestorePosition and the render-scale setters. The rest reads or changes the window and
// needs it open.
#pragma once

#include "raylib.h"

constexpr int DISPLAY_RENDER_SCALE_MIN = 50;   // percent of the letterbox width
constexpr int DISPLAY_RENDER_SCALE_MAX = 100;
constexpr int DISPLAY_FALLBACK_WIDTH = 1280;   // windowed size restored when none was remembered
constexpr int DISPLAY_FALLBACK_HEIGHT = 720;
constexpr float DISPLAY_CANVAS_WIDTH = 1280.0f;   // reference canvas of the front end
constexpr float DISPLAY_CANVAS_HEIGHT = 720.0f;

struct DisplaySize {
    int width, height;
};

// Windowed geometry remembered while borderless fullscreen is on (part of the application record).
struct DisplayState {
    Vector2 windowedPosition;     // window position before entering borderless
    Vector2 monitorPosition;      // position of the monitor that was entered
    int windowedWidth, windowedHeight;
    bool initialised;             // the windowed geometry has been captured
    bool wasResizable, wasUndecorated, wasMaximized;
};

// Largest centred 16:9 rectangle of whole 16 x 9 steps in a window; all zeros below 16 x 9.
Rectangle DisplayLetterboxFor(int windowWidth, int windowHeight);
// Scene render size for a letterbox width at a render-scale percentage: 16:9, at least 320 x 180
// (also for a non-finite or non-positive width).
DisplaySize DisplayRenderSizeFor(int percent, float letterboxWidth);
// A 16:9 render size shrunk in whole 16 x 9 steps until neither side exceeds `largest` pixels (the
// driver's largest texture and renderbuffer side); unchanged when it fits or `largest` <= 0.
DisplaySize DisplayRenderSizeLimit(DisplaySize size, int largest);
// Where the window goes when borderless ends: the remembered position moved with the monitor,
// and kept reachable (64 px visible, title bar below the top edge) if the monitor changed.
Vector2 DisplayRestorePosition(Vector2 windowedPosition, Vector2 rememberedMonitor, Vector2 monitorNow,
                               int monitorWidth, int monitorHeight, int windowWidth);

// Clears the state and the fullscreen globals. If the window is open: makes raylib take the
// framebuffer size the window really got (it may differ from the size asked for), reads the
// driver's render-size limit, and captures the window's geometry.
void DisplayInit(DisplayState &state);
// The window's framebuffer as the window system has it, in pixels; 0 x 0 without a window.
DisplaySize DisplayFramebufferSize();
// The letterbox of the current window (its height limited to the monitor while borderless).
Rectangle DisplayLetterbox();
int DisplayViewWidth();    // letterbox width, 16 when the letterbox is empty
int DisplayViewHeight();   // letterbox height, 9 when the letterbox is empty
// A window point relative to the letterbox's top-left corner.
Vector2 DisplayToView(Vector2 point);
// The scene render size for the current letterbox and render scale, within the driver's limit.
DisplaySize DisplayRenderSize();
void DisplaySetRenderScale(int percent);
int DisplayRenderScale();

bool DisplayIsBorderless();
// Switches between the windowed and the borderless mode; whether the requested mode is now in
// effect. A failure leaves the window as it was.
bool DisplaySetBorderless(DisplayState &state, bool on);
// Sets the window's icons (16 to 256 px) from the embedded picture; a missing picture or an
// over-long path is one warning line and no icon.
void DisplaySetWindowIcon();
// Draws the game's mouse cursor with its tip at `position` (window pixels); `time` in seconds.
void DisplayDrawCursor(Vector2 position, float time);
// One report line: "display window WxH framebuffer WxH letterbox X Y WxH render WxH limit N", the
// size the game lays out for, the real framebuffer, the letterbox, the scene render size and the
// render-size limit (0 when unknown). Valid until the next call.
const char *DisplayDescribe();
