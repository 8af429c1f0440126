// Developer panel widgets: each call lays out its widget, hit-tests it, runs its behaviour, draws
// it when the pass draws, and returns whether it was activated. The input pass (early in the
// frame, so the switches act on this frame) and the draw pass (over the HUD) run the same calls.
//
// Index
//   [SECTION] Widgets
//   [SECTION] Panel
//   [SECTION] Entry points
#include "player/dev_panel.h"
#include "player/hud.h"

#include <cstdio>
#include <cstring>

static constexpr Color PANEL_TEXT = {245, 245, 245, 255};
static constexpr Color PANEL_CYAN = {139, 220, 219, 255};
static constexpr Color PANEL_DIM = {173, 184, 190, 255};
static constexpr Color PANEL_FIELD = {21, 32, 39, 255};
static constexpr Color PANEL_BUTTON = {48, 68, 73, 255};
static constexpr Color PANEL_BUTTON_HOT = {77, 104, 101, 255};

// One pass over the widgets.
struct PanelPass {
    DevPanel *panel;
    bool campaign;
    bool press;                    // a press may act in this pass
    bool draw;                     // this pass draws
    const DevPanelEvents *events;  // typing; null in the draw pass
};

// [SECTION] Widgets

static void Text(const char *text, float x, float y, float size, Color color)
{
    DrawTextEx(hudFont, text, {x, y}, size, 1.0f, color);
}

static bool Inside(Vector2 p, Rectangle r)
{
    return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height;
}

// Hover bookkeeping shared by every widget; true when hovered.
static bool Hover(PanelPass &pass, int id, Rectangle rect)
{
    bool hovered = Inside(pass.panel->mouse, rect);
    if (hovered) pass.panel->hot = id;
    return hovered;
}

static bool ToggleRow(PanelPass &pass, int id, const char *label, bool &value)
{
    Rectangle r = DevPanelWidgetRect(id, pass.campaign);
    bool hovered = Hover(pass, id, r);
    bool activated = pass.press && hovered;
    if (activated) value = !value;
    if (!pass.draw) return activated;

    if (hovered) DrawRectangleRec(r, {81, 112, 117, 80});
    Rectangle box = {14.0f, r.y + 3.0f, 20.0f, 20.0f};
    DrawRectangleRec(box, value ? Color{37, 91, 68, 255} : PANEL_FIELD);
    Color edge = hovered ? PANEL_TEXT : (value ? Color{139, 228, 173, 255} : Color{158, 177, 187, 255});
    DrawRectangleLinesEx(box, 1.5f, edge);
    if (value) {
        DrawLineEx({box.x + 4.5f, box.y + 10.5f}, {box.x + 8.5f, box.y + 14.5f}, 2.5f, PANEL_TEXT);
        DrawLineEx({box.x + 8.5f, box.y + 14.5f}, {box.x + 15.5f, box.y + 5.5f}, 2.5f, PANEL_TEXT);
    }
    Text(label, 44.0f, r.y + 3.0f, 20.0f, PANEL_TEXT);
    return activated;
}

static bool Button(PanelPass &pass, int id, const char *label, Vector2 labelAt)
{
    Rectangle r = DevPanelWidgetRect(id, pass.campaign);
    bool hovered = Hover(pass, id, r);
    bool activated = pass.press && hovered;
    if (!pass.draw) return activated;
    DrawRectangleRec(r, hovered ? PANEL_BUTTON_HOT : PANEL_BUTTON);
    Text(label, labelAt.x, labelAt.y, 20.0f, PANEL_TEXT);
    return activated;
}

// A text field: a press outside commits it, a press inside focuses it for replacement, then the
// frame's typing. `shown` is the text drawn while it has no focus; `refresh` is copied in on
// focusing, so the edit starts from the value in force.
static DevFieldAction TextField(PanelPass &pass, int id, DevTextField &field, const char *shown, const char *refresh)
{
    Rectangle r = DevPanelWidgetRect(id, pass.campaign);
    bool hovered = Hover(pass, id, r);
    DevFieldAction action = DEV_FIELD_NONE;
    if (pass.press && field.focused && !hovered) return DEV_FIELD_COMMIT;
    if (pass.press && hovered) {
        if (!field.focused && refresh) snprintf(field.text, sizeof(field.text), "%s", refresh);
        DevFieldFocus(field);
    }
    if (pass.events) action = DevFieldKeys(field, *pass.events);
    if (!pass.draw) return action;

    DrawRectangleRec(r, PANEL_FIELD);
    DrawRectangleLinesEx(r, 1.5f, field.focused ? Color{255, 214, 105, 255} : PANEL_CYAN);
    const char *text = field.focused ? field.text : shown;
    Text(text, r.x + 9.0f, r.y + 2.0f, 22.0f, PANEL_TEXT);
    if (field.focused) {
        float x = r.x + 9.0f + MeasureTextEx(hudFont, text, 22.0f, 1.0f).x + 2.0f;
        DrawLineEx({x, r.y + 5.0f}, {x, r.y + r.height - 5.0f}, 1.5f, {255, 214, 105, 255});
    }
    return action;
}

// [SECTION] Panel

static void DrawStats(const DevPanelStats &s)
{
    DrawRectangleRounded(DevPanelBackground(s.campaign), 0.06f, 8, {16, 23, 27, 202});
    Text(TextFormat("%d FPS   %.2f ms   %d x %d", s.fps, (double)s.frameMs, s.renderWidth, s.renderHeight), 12.0f, 8.0f,
         18.0f, PANEL_CYAN);
    Text(TextFormat("POS %.1f, %.1f   SLOTS %d/%d", (double)s.playerX, (double)s.playerZ, s.slotsUsed, 48), 12.0f,
         32.0f, 18.0f, PANEL_TEXT);
    Text(TextFormat("BUN %d  WALK %d  GOLEM %d", s.buns, s.walkers, s.golems), 12.0f, 56.0f, 18.0f, PANEL_TEXT);
    if (!s.campaign) return;
    int clock = (int)s.levelClock, length = (int)s.levelLength;
    clock = clock < 0 ? 0 : clock;
    length = length < 0 ? 0 : length;
    Text(TextFormat("LEVEL %d   %02d:%02d / %02d:%02d", s.level, clock / 60, clock % 60, length / 60, length % 60),
         12.0f, 80.0f, 18.0f, PANEL_CYAN);
    static const char *const PHASES[3] = {"WAVES", "BOSS / CLOCK PAUSED", "VICTORY"};
    Text(PHASES[s.phase >= 0 && s.phase <= 2 ? s.phase : 0], 12.0f, 104.0f, 18.0f, PANEL_TEXT);
    Text(TextFormat("BOSSES %d   ROLLERS %d", s.bosses, s.rollers), 12.0f, 128.0f, 18.0f, PANEL_TEXT);
    Text("F4: next minute (debug)", 12.0f, 152.0f, 18.0f, PANEL_DIM);
}

// Every widget of the panel in layout order; true when the coin button was pressed.
static bool PanelRun(PanelPass &pass, const DevPanelStats *stats, bool &immortal, bool &speedTimesTen, float &zoom)
{
    DevPanel &p = *pass.panel;
    float y0 = DevPanelTop(pass.campaign);
    p.hot = DEV_WIDGET_NONE;
    if (pass.draw && stats) DrawStats(*stats);

    char opacityShown[DEV_FIELD_BYTES];
    snprintf(opacityShown, sizeof(opacityShown), "%s", p.opacityField.text);
    if (pass.draw) {
        Text("Непрозрачность UI", 4.0f, y0 + 68.0f, 20.0f, PANEL_TEXT);
        Text("0–1", 112.0f, y0 + 95.0f, 20.0f, PANEL_DIM);
    }
    DevFieldAction opacity = TextField(pass, DEV_WIDGET_OPACITY_FIELD, p.opacityField, opacityShown, nullptr);
    if (opacity == DEV_FIELD_COMMIT) DevPanelCommitOpacity(p);
    if (opacity == DEV_FIELD_CANCEL) DevPanelCancelOpacity(p);
    if (Button(pass, DEV_WIDGET_OPACITY_RESET, "Сброс", {164.0f, y0 + 95.0f})) HudSetOpacity(p, HUD_OPACITY_DEFAULT);

    char zoomShown[16];
    snprintf(zoomShown, sizeof(zoomShown), "%.1f", (double)zoom);
    if (pass.draw) {
        Text("Отдаление камеры", 4.0f, y0 + 130.0f, 20.0f, PANEL_TEXT);
        // The gap before the button is too narrow for this hint; it goes after the button.
        Text("5.5–30", 264.0f, y0 + 158.0f, 18.0f, PANEL_DIM);
    }
    DevFieldAction zoomAction = TextField(pass, DEV_WIDGET_ZOOM_FIELD, p.zoomField, zoomShown, zoomShown);
    if (zoomAction == DEV_FIELD_COMMIT) DevPanelCommitZoom(p, zoom);
    if (zoomAction == DEV_FIELD_CANCEL) DevPanelCancelZoom(p, zoom);
    if (Button(pass, DEV_WIDGET_ZOOM_RESET, "Сброс", {164.0f, y0 + 157.0f})) {
        zoom = DEV_ZOOM_DEFAULT;
        DevPanelCancelZoom(p, zoom);
    }

    ToggleRow(pass, DEV_WIDGET_IMMORTAL, "Бессмертие", immortal);
    ToggleRow(pass, DEV_WIDGET_SPEED, "Скорость игрока x10", speedTimesTen);

    Rectangle coins = DevPanelWidgetRect(DEV_WIDGET_COINS, pass.campaign);
    bool coinsHot = Hover(pass, DEV_WIDGET_COINS, coins);
    if (pass.draw) {
        DrawRectangleRounded(coins, 0.2f, 8, coinsHot ? PANEL_BUTTON_HOT : PANEL_BUTTON);
        Text("+1000 монет", 30.0f, y0 + 214.0f, 22.0f, {255, 220, 136, 255});
    }
    return pass.press && coinsHot;
}

// [SECTION] Entry points

bool DevPanelStep(DevPanel &panel, bool visible, bool campaign, const DevPanelEvents &events, bool &immortal,
                  bool &speedTimesTen, float &zoom)
{
    if (!visible) {
        // A hidden panel keeps no half-typed value.
        if (panel.opacityField.focused) DevPanelCommitOpacity(panel);
        if (panel.zoomField.focused) DevPanelCommitZoom(panel, zoom);
        panel.hot = DEV_WIDGET_NONE;
        return false;
    }
    panel.mouse = events.mouse;
    PanelPass pass{&panel, campaign, events.press, false, &events};
    return PanelRun(pass, nullptr, immortal, speedTimesTen, zoom);
}

bool DevPanelInput(DevPanel &panel, bool visible, bool campaign, Vector2 mouse, bool press, bool &immortal,
                   bool &speedTimesTen, float &zoom)
{
    DevPanelEvents events{};
    events.mouse = mouse;
    events.press = press;
    events.focused = IsWindowFocused();
    if (events.focused) {
        // Read even before a field has focus: a press this frame may focus one.
        for (int c = GetCharPressed(); c != 0; c = GetCharPressed()) {
            if (events.charCount < DEV_PANEL_CHAR_CAPACITY) events.chars[events.charCount++] = c;
        }
        events.backspace = IsKeyPressed(KEY_BACKSPACE) || IsKeyPressedRepeat(KEY_BACKSPACE);
        events.enter = IsKeyPressed(KEY_ENTER) || IsKeyPressed(KEY_KP_ENTER);
        events.escape = IsKeyPressed(KEY_ESCAPE);
    }
    return DevPanelStep(panel, visible, campaign, events, immortal, speedTimesTen, zoom);
}

void DevPanelDraw(DevPanel &panel, const DevPanelStats &stats, bool immortal, bool speedTimesTen, float zoom)
{
    // The draw pass may not change anything: it works on copies of the switches.
    bool immortalShown = immortal, speedShown = speedTimesTen;
    float zoomShown = zoom;
    PanelPass pass{&panel, stats.campaign, false, true, nullptr};
    PanelRun(pass, &stats, immortalShown, speedShown, zoomShown);
}
