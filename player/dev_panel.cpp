// Developer panel: text-field editing, commits, layout and the widgets' behaviour.
//
// Index
//   [SECTION] Text fields
//   [SECTION] Values
//   [SECTION] Layout
//   [SECTION] Widget behaviour
#include "player/dev_panel.h"

#include "common/maths.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// [SECTION] Text fields

static int FieldLength(const DevTextField &field)
{
    // The terminator is forced here too, so a corrupted record still cannot be overrun.
    int n = 0;
    while (n < DEV_FIELD_MAX_CHARS && field.text[n] != '\0') n++;
    return n;
}

static void FieldSet(DevTextField &field, const char *format, float value)
{
    snprintf(field.text, sizeof(field.text), format, (double)value);
}

void DevPanelReset(DevPanel &panel)
{
    panel = {};
    panel.opacity = HUD_OPACITY_DEFAULT;
    FieldSet(panel.opacityField, "%.2f", HUD_OPACITY_DEFAULT);
    FieldSet(panel.zoomField, "%.1f", DEV_ZOOM_DEFAULT);
}

bool DevFieldType(DevTextField &field, int codepoint)
{
    bool digit = codepoint >= '0' && codepoint <= '9';
    bool point = codepoint == '.' || codepoint == ',';
    if (!digit && !point) return false;
    if (field.replaceNext) {
        field.text[0] = '\0';
        field.replaceNext = false;
    }
    int n = FieldLength(field);
    field.text[DEV_FIELD_MAX_CHARS] = '\0';
    if (n >= DEV_FIELD_MAX_CHARS) return false;
    if (point && memchr(field.text, '.', (size_t)n) != nullptr) return false;
    field.text[n] = digit ? (char)codepoint : '.';
    field.text[n + 1] = '\0';
    return true;
}

void DevFieldBackspace(DevTextField &field)
{
    int n = FieldLength(field);
    if (field.replaceNext) {
        n = 0;
        field.replaceNext = false;
    } else if (n > 0) {
        n--;
    }
    field.text[n] = '\0';
    field.text[DEV_FIELD_MAX_CHARS] = '\0';
}

void DevFieldFocus(DevTextField &field)
{
    field.focused = true;
    field.replaceNext = true;
}

DevFieldAction DevFieldKeys(DevTextField &field, const DevPanelEvents &events)
{
    if (!field.focused || !events.focused) return DEV_FIELD_NONE;
    int count = events.charCount < 0 ? 0 : (events.charCount > DEV_PANEL_CHAR_CAPACITY ? DEV_PANEL_CHAR_CAPACITY : events.charCount);
    for (int i = 0; i < count; i++) DevFieldType(field, events.chars[i]);
    if (events.backspace) DevFieldBackspace(field);
    if (events.enter) return DEV_FIELD_COMMIT;
    if (events.escape) return DEV_FIELD_CANCEL;
    return DEV_FIELD_NONE;
}

bool DevFieldParse(const char *text, float &out)
{
    // Only what the field accepts: digits with at most one point and at least one digit, so
    // signs, exponents, "inf" and "nan" never reach the value.
    if (text == nullptr) return false;
    int digits = 0, points = 0, n = 0;
    for (; n < DEV_FIELD_MAX_CHARS && text[n] != '\0'; n++) {
        if (text[n] >= '0' && text[n] <= '9') digits++;
        else if (text[n] == '.') points++;
        else return false;
    }
    if (text[n] != '\0' || digits == 0 || points > 1) return false;
    char *end = nullptr;
    double value = strtod(text, &end);
    if (end != text + n || !std::isfinite(value)) return false;
    out = (float)value;
    return true;
}

// [SECTION] Values


void HudSetOpacity(DevPanel &panel, float x)
{
    panel.opacity = std::isfinite(x) ? ClampSafe(x, 0.0f, 1.0f) : HUD_OPACITY_DEFAULT;
    FieldSet(panel.opacityField, "%.2f", panel.opacity);
    panel.opacityField.focused = false;
    panel.opacityField.replaceNext = false;
}

void DevPanelCommitOpacity(DevPanel &panel)
{
    float x = panel.opacity;
    DevFieldParse(panel.opacityField.text, x);
    HudSetOpacity(panel, x);
}

void DevPanelCommitZoom(DevPanel &panel, float &zoom)
{
    float x = zoom;
    if (DevFieldParse(panel.zoomField.text, x)) zoom = ClampSafe(x, DEV_ZOOM_MIN, DEV_ZOOM_MAX);
    DevPanelCancelZoom(panel, zoom);
}

void DevPanelCancelOpacity(DevPanel &panel) { HudSetOpacity(panel, panel.opacity); }

void DevPanelCancelZoom(DevPanel &panel, float zoom)
{
    FieldSet(panel.zoomField, "%.1f", zoom);
    panel.zoomField.focused = false;
    panel.zoomField.replaceNext = false;
}

bool DevPanelTextFocused(const DevPanel &panel) { return panel.opacityField.focused || panel.zoomField.focused; }

// [SECTION] Layout

float DevPanelTop(bool campaign) { return campaign ? 176.0f : 86.0f; }

Rectangle DevPanelBackground(bool campaign) { return {4.0f, 4.0f, 316.0f, DevPanelTop(campaign) + 250.0f}; }

Rectangle DevPanelWidgetRect(int widget, bool campaign)
{
    float y0 = DevPanelTop(campaign);
    switch (widget) {
    case DEV_WIDGET_IMMORTAL: return {12.0f, y0, 300.0f, 28.0f};
    case DEV_WIDGET_SPEED: return {12.0f, y0 + 32.0f, 300.0f, 28.0f};
    case DEV_WIDGET_OPACITY_FIELD: return {12.0f, y0 + 92.0f, 92.0f, 28.0f};
    case DEV_WIDGET_OPACITY_RESET: return {144.0f, y0 + 92.0f, 112.0f, 28.0f};
    case DEV_WIDGET_ZOOM_FIELD: return {12.0f, y0 + 154.0f, 92.0f, 28.0f};
    case DEV_WIDGET_ZOOM_RESET: return {144.0f, y0 + 154.0f, 112.0f, 28.0f};
    case DEV_WIDGET_COINS: return {12.0f, y0 + 210.0f, 244.0f, 32.0f};
    default: return {0.0f, 0.0f, 0.0f, 0.0f};
    }
}

// [SECTION] Widget behaviour

static bool Inside(Vector2 p, Rectangle r)
{
    return p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height;
}

bool DevPanelHovered(const DevPanel &panel, int widget, bool campaign)
{
    return Inside(panel.mouse, DevPanelWidgetRect(widget, campaign));
}

// Hover bookkeeping shared by every widget; true when hovered.
static bool Hover(DevPanel &panel, int id, bool campaign)
{
    bool hovered = DevPanelHovered(panel, id, campaign);
    if (hovered) panel.hot = id;
    return hovered;
}

// A text field: a press outside commits it, a press inside focuses it for replacement, then the
// frame's typing. `refresh` is copied in on focusing, so the edit starts from the value in force.
static DevFieldAction TextFieldStep(DevPanel &panel, int id, bool campaign, const DevPanelEvents &events,
                                    DevTextField &field, const char *refresh)
{
    bool hovered = Hover(panel, id, campaign);
    if (events.press && field.focused && !hovered) return DEV_FIELD_COMMIT;
    if (events.press && hovered) {
        if (!field.focused && refresh) snprintf(field.text, sizeof(field.text), "%.*s", (int)sizeof(field.text) - 1, refresh);
        DevFieldFocus(field);
    }
    return DevFieldKeys(field, events);
}

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
    panel.hot = DEV_WIDGET_NONE;

    DevFieldAction opacity = TextFieldStep(panel, DEV_WIDGET_OPACITY_FIELD, campaign, events, panel.opacityField, nullptr);
    if (opacity == DEV_FIELD_COMMIT) DevPanelCommitOpacity(panel);
    if (opacity == DEV_FIELD_CANCEL) DevPanelCancelOpacity(panel);
    if (Hover(panel, DEV_WIDGET_OPACITY_RESET, campaign) && events.press) HudSetOpacity(panel, HUD_OPACITY_DEFAULT);

    char zoomShown[16];
    snprintf(zoomShown, sizeof(zoomShown), "%.1f", (double)zoom);
    DevFieldAction zoomAction = TextFieldStep(panel, DEV_WIDGET_ZOOM_FIELD, campaign, events, panel.zoomField, zoomShown);
    if (zoomAction == DEV_FIELD_COMMIT) DevPanelCommitZoom(panel, zoom);
    if (zoomAction == DEV_FIELD_CANCEL) DevPanelCancelZoom(panel, zoom);
    if (Hover(panel, DEV_WIDGET_ZOOM_RESET, campaign) && events.press) {
        zoom = DEV_ZOOM_DEFAULT;
        DevPanelCancelZoom(panel, zoom);
    }

    if (Hover(panel, DEV_WIDGET_IMMORTAL, campaign) && events.press) immortal = !immortal;
    if (Hover(panel, DEV_WIDGET_SPEED, campaign) && events.press) speedTimesTen = !speedTimesTen;
    return Hover(panel, DEV_WIDGET_COINS, campaign) && events.press;
}
