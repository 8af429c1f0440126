// Display.
//
// Index
//   [SECTION] Letterbox and render size
//   [SECTION] Window size and driver limits
//   [SECTION] Borderless fullscreen
//   [SECTION] Window icon
//   [SECTION] Cursor
//   [SECTION] Report
#include "app/display.h"
#include "frontend/menu_draw.h"

#include "rlgl.h"
#include "external/glad.h"
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdio>

static int displayRenderScale = 100;    // percent, always 50..100
static bool displayBorderless = false;
static int displayHeightLimit = 0;      // monitor height while borderless, else 0
static int displayRenderLimit = 0;      // largest texture and renderbuffer side, 0 while unknown

// [SECTION] Letterbox and render size




Rectangle DisplayLetterbox()
{
    int height = GetScreenHeight();
    // The extra row that keeps the borderless window from counting as exclusive is not shown.
    if (displayBorderless && displayHeightLimit > 0 && height > displayHeightLimit) height = displayHeightLimit;
    return DisplayLetterboxFor(GetScreenWidth(), height);
}

int DisplayViewWidth()
{
    Rectangle box = DisplayLetterbox();
    return box.width > 0.0f ? (int)box.width : 16;
}

int DisplayViewHeight()
{
    Rectangle box = DisplayLetterbox();
    return box.height > 0.0f ? (int)box.height : 9;
}

Vector2 DisplayToView(Vector2 point)
{
    Rectangle box = DisplayLetterbox();
    return {point.x - box.x, point.y - box.y};
}

DisplaySize DisplayRenderSize()
{
    return DisplayRenderSizeLimit(DisplayRenderSizeFor(displayRenderScale, DisplayLetterbox().width), displayRenderLimit);
}

void DisplaySetRenderScale(int percent)
{
    if (percent < DISPLAY_RENDER_SCALE_MIN) percent = DISPLAY_RENDER_SCALE_MIN;
    if (percent > DISPLAY_RENDER_SCALE_MAX) percent = DISPLAY_RENDER_SCALE_MAX;
    displayRenderScale = percent;
}

int DisplayRenderScale() { return displayRenderScale; }

// [SECTION] Window size and driver limits

// raylib's window, whose context is current on the main thread (raylib's own window handle is the
// system's, not GLFW's); null without a window.
static GLFWwindow *DisplayGlfwWindow() { return IsWindowReady() ? glfwGetCurrentContext() : nullptr; }

DisplaySize DisplayFramebufferSize()
{
    GLFWwindow *window = DisplayGlfwWindow();
    if (!window) return {0, 0};
    int width = 0, height = 0;
    glfwGetFramebufferSize(window, &width, &height);
    return {width, height};
}

// A window system may give a new window another size than it asked for (a 1280 x 720 client area
// with its title bar does not fit a 720-pixel screen) before raylib listens for size changes, and
// raylib then keeps drawing for the size it asked for. raylib's own size handler is handed the
// real size, so that its viewport, projection and screen size all follow.
static void DisplayAdoptFramebuffer()
{
    GLFWwindow *window = DisplayGlfwWindow();
    DisplaySize real = DisplayFramebufferSize();
    if (!window || real.width <= 0 || real.height <= 0) return;  // minimised: nothing to follow
    if (real.width == GetRenderWidth() && real.height == GetRenderHeight()) return;
    GLFWframebuffersizefun handler = glfwSetFramebufferSizeCallback(window, nullptr);
    glfwSetFramebufferSizeCallback(window, handler);
    if (!handler) return;
    TraceLog(LOG_INFO, "DISPLAY: the window has %dx%d pixels, not the %dx%d asked for", real.width, real.height,
             GetRenderWidth(), GetRenderHeight());
    handler(window, real.width, real.height);
}

// The largest square render target the driver makes: both its texture and renderbuffer limits.
static int DisplayQueryRenderLimit()
{
    GLint texture = 0, renderbuffer = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    int limit = texture < renderbuffer ? texture : renderbuffer;
    return limit > 0 ? limit : 0;
}

// [SECTION] Borderless fullscreen


static void DisplayCaptureWindowed(DisplayState &state)
{
    state.windowedPosition = GetWindowPosition();
    state.windowedWidth = GetScreenWidth();
    state.windowedHeight = GetScreenHeight();
    state.initialised = true;
}

void DisplayInit(DisplayState &state)
{
    state = {};
    displayBorderless = false;
    displayHeightLimit = 0;
    displayRenderLimit = 0;
    if (!IsWindowReady()) return;
    DisplayAdoptFramebuffer();
    displayRenderLimit = DisplayQueryRenderLimit();
    DisplayCaptureWindowed(state);
}

bool DisplayIsBorderless() { return displayBorderless; }

bool DisplaySetBorderless(DisplayState &state, bool on)
{
    if (!IsWindowReady() || IsWindowFullscreen()) return false;
    if (!state.initialised) {
        displayBorderless = false;
        displayHeightLimit = 0;
        DisplayCaptureWindowed(state);
    }
    if (on == displayBorderless) return true;

    int monitors = GetMonitorCount();
    if (monitors <= 0) return false;
    int monitor = GetCurrentMonitor();
    if (monitor < 0 || monitor >= monitors) monitor = 0;
    int monitorWidth = GetMonitorWidth(monitor);
    int monitorHeight = GetMonitorHeight(monitor);
    if (monitorWidth <= 15 || monitorHeight <= 8) return false;
    Vector2 monitorPosition = GetMonitorPosition(monitor);

    if (on) {
        state.windowedPosition = GetWindowPosition();
        state.windowedWidth = GetScreenWidth();
        state.windowedHeight = GetScreenHeight();
        state.monitorPosition = monitorPosition;
        state.wasResizable = IsWindowState(FLAG_WINDOW_RESIZABLE);
        state.wasUndecorated = IsWindowState(FLAG_WINDOW_UNDECORATED);
        state.wasMaximized = IsWindowMaximized();
        if (state.wasMaximized) RestoreWindow();
        SetWindowState(FLAG_WINDOW_UNDECORATED);
        ClearWindowState(FLAG_WINDOW_RESIZABLE);
        // One row taller than the monitor, so drivers never treat it as exclusive fullscreen.
        SetWindowSize(monitorWidth, monitorHeight + 1);
        displayHeightLimit = monitorHeight;
        SetWindowPosition((int)monitorPosition.x, (int)monitorPosition.y);
        displayBorderless = true;
        return true;
    }

    if (!state.wasUndecorated) ClearWindowState(FLAG_WINDOW_UNDECORATED);
    if (state.wasResizable) SetWindowState(FLAG_WINDOW_RESIZABLE);
    int width = state.windowedWidth < 1 ? DISPLAY_FALLBACK_WIDTH : state.windowedWidth;
    int height = state.windowedHeight < 1 ? DISPLAY_FALLBACK_HEIGHT : state.windowedHeight;
    SetWindowSize(width, height);
    Vector2 p = DisplayRestorePosition(state.windowedPosition, state.monitorPosition, monitorPosition,
                                       monitorWidth, monitorHeight, width);
    SetWindowPosition((int)p.x, (int)p.y);
    if (state.wasMaximized && state.wasResizable) MaximizeWindow();
    displayHeightLimit = 0;
    displayBorderless = false;
    return true;
}

// [SECTION] Window icon

void DisplaySetWindowIcon()
{
    char path[2048];
    int n = snprintf(path, sizeof(path), "%sassets/icons/glorvent.png", GetApplicationDirectory());
    if (n < 0 || n >= (int)sizeof(path)) {
        TraceLog(LOG_WARNING, "Window icon path is too long.");
        return;
    }
    Image picture = LoadImage(path);
    if (!IsImageValid(picture)) {
        TraceLog(LOG_WARNING, "Could not load the Glorvent window icon.");
        return;
    }
    ImageFormat(&picture, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
    static const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
    Image icons[7];
    int count = 0;
    for (int size : sizes) {
        Image copy = ImageCopy(picture);
        if (!IsImageValid(copy)) continue;
        ImageResize(&copy, size, size);
        if (IsImageValid(copy)) icons[count++] = copy;
        else UnloadImage(copy);
    }
    if (count > 0) SetWindowIcons(icons, count);
    for (int i = 0; i < count; i++) UnloadImage(icons[i]);
    UnloadImage(picture);
}

// [SECTION] Cursor

static const Color CURSOR_MUD = {111, 71, 38, 255};

void DisplayDrawCursor(Vector2 position, float time)
{
    float s = std::fmin((float)GetScreenWidth() / DISPLAY_CANVAS_WIDTH, (float)GetScreenHeight() / DISPLAY_CANVAS_HEIGHT);
    auto at = [&](float x, float y) { return Vector2{position.x + s * x, position.y + s * y}; };
    static const Vector2 RIM[8] = {{0, 0}, {2, 28}, {9, 23}, {15, 34}, {21, 32}, {16, 21}, {27, 20}, {0, 0}};
    Vector2 fan[9];
    fan[0] = at(12.0f, 20.0f);
    for (int i = 0; i < 8; i++) fan[i + 1] = at(RIM[i].x, RIM[i].y);

    // The outline's winding is fixed by its art, not by the renderer's front-face rule.
    rlDrawRenderBatchActive();
    rlDisableBackfaceCulling();
    DrawTriangleFan(fan, 9, CURSOR_MUD);
    for (int i = 0; i < 7; i++) DrawLineEx(fan[i + 1], fan[i + 2], 2.2f * s, {32, 24, 18, 255});
    DrawLineEx(at(3, 5), at(23, 19), 1.7f * s, {231, 186, 116, 255});
    DrawLineEx(at(4, 10), at(5, 23), 1.4f * s, {172, 121, 68, 255});
    DrawCircleV(at(18, 31), 3.0f * s, {120, 77, 39, 255});
    float b = 0.5f + 0.5f * std::sin(10.83f * time);
    MudDropDraw(at(19.0f, 34.0f + 2.0f * b), (1.5f + 1.2f * b) * s, 1.2f + 0.4f * b, 1.0f);
    rlDrawRenderBatchActive();
    rlEnableBackfaceCulling();
}

// [SECTION] Report

const char *DisplayDescribe()
{
    static char line[192];
    DisplaySize real = DisplayFramebufferSize();
    Rectangle box = DisplayLetterbox();
    DisplaySize render = DisplayRenderSize();
    snprintf(line, sizeof(line), "display window %dx%d framebuffer %dx%d letterbox %.1f %.1f %.0fx%.0f render %dx%d limit %d",
             GetScreenWidth(), GetScreenHeight(), real.width, real.height, box.x, box.y, box.width, box.height,
             render.width, render.height, displayRenderLimit);
    return line;
}
