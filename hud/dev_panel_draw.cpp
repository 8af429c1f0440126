// Developer panel, drawn over the HUD from the state the behaviour pass left: the same layout,
// hover taken from the last input, nothing changed.
//
// Index
//   [SECTION] Widgets
//   [SECTION] Panel
#include "player/dev_panel.h"
#include "hud/dev_panel_draw.h"
#include "hud/hud_draw.h"

#include <cstdio>
#include <cstring>

static constexpr Color PANEL_TEXT = {245, 245, 245, 255};
static constexpr Color PANEL_CYAN = {139, 220, 219, 255};
static constexpr Color PANEL_DIM = {173, 184, 190, 255};
static constexpr Color PANEL_FIELD = {21, 32, 39, 255};
static constexpr Color PANEL_BUTTON = {48, 68, 73, 255};
static constexpr Color PANEL_BUTTON_HOT = {77, 104, 101, 255};

// [SECTION] Widgets

static void Text(const char *text, float x, float y, float size, Color color)
{
    DrawTextEx(hudFont, text, {x, y}, size, 1.0f, color);
}

static void ToggleRow(const DevPanel &panel, int id, bool campaign, const char *label, bool value)
{
    Rectangle r = DevPanelWidgetRect(id, campaign);
    bool hovered = DevPanelHovered(panel, id, campaign);
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
}

static void Button(const DevPanel &panel, int id, bool campaign, const char *label, Vector2 labelAt)
{
    Rectangle r = DevPanelWidgetRect(id, campaign);
    DrawRectangleRec(r, DevPanelHovered(panel, id, campaign) ? PANEL_BUTTON_HOT : PANEL_BUTTON);
    Text(label, labelAt.x, labelAt.y, 20.0f, PANEL_TEXT);
}

// `shown` is the text drawn while the field has no focus.
static void TextField(int id, bool campaign, const DevTextField &field, const char *shown)
{
    Rectangle r = DevPanelWidgetRect(id, campaign);
    DrawRectangleRec(r, PANEL_FIELD);
    DrawRectangleLinesEx(r, 1.5f, field.focused ? Color{255, 214, 105, 255} : PANEL_CYAN);
    const char *text = field.focused ? field.text : shown;
    Text(text, r.x + 9.0f, r.y + 2.0f, 22.0f, PANEL_TEXT);
    if (field.focused) {
        float x = r.x + 9.0f + MeasureTextEx(hudFont, text, 22.0f, 1.0f).x + 2.0f;
        DrawLineEx({x, r.y + 5.0f}, {x, r.y + r.height - 5.0f}, 1.5f, {255, 214, 105, 255});
    }
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

void DevPanelDraw(DevPanel &panel, const DevPanelStats &stats, bool immortal, bool speedTimesTen, float zoom)
{
    bool campaign = stats.campaign;
    float y0 = DevPanelTop(campaign);
    DrawStats(stats);
    Text("Непрозрачность UI", 4.0f, y0 + 68.0f, 20.0f, PANEL_TEXT);
    Text("0–1", 112.0f, y0 + 95.0f, 20.0f, PANEL_DIM);
    TextField(DEV_WIDGET_OPACITY_FIELD, campaign, panel.opacityField, panel.opacityField.text);
    Button(panel, DEV_WIDGET_OPACITY_RESET, campaign, "Сброс", {164.0f, y0 + 95.0f});

    char zoomShown[16];
    snprintf(zoomShown, sizeof(zoomShown), "%.1f", (double)zoom);
    Text("Отдаление камеры", 4.0f, y0 + 130.0f, 20.0f, PANEL_TEXT);
    // The gap before the button is too narrow for this hint; it goes after the button.
    Text("5.5–30", 264.0f, y0 + 158.0f, 18.0f, PANEL_DIM);
    TextField(DEV_WIDGET_ZOOM_FIELD, campaign, panel.zoomField, zoomShown);
    Button(panel, DEV_WIDGET_ZOOM_RESET, campaign, "Сброс", {164.0f, y0 + 157.0f});

    ToggleRow(panel, DEV_WIDGET_IMMORTAL, campaign, "Бессмертие", immortal);
    ToggleRow(panel, DEV_WIDGET_SPEED, campaign, "Скорость игрока x10", speedTimesTen);

    Rectangle coins = DevPanelWidgetRect(DEV_WIDGET_COINS, campaign);
    DrawRectangleRounded(coins, 0.2f, 8, DevPanelHovered(panel, DEV_WIDGET_COINS, campaign) ? PANEL_BUTTON_HOT : PANEL_BUTTON);
    Text("+1000 монет", 30.0f, y0 + 214.0f, 22.0f, {255, 220, 136, 255});
}
