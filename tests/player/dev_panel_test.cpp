#include "player/dev_panel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

// A panel at its start-up state with the switches and zoom the loop would hand in.
struct PanelFixture : ::testing::Test {
    DevPanel panel{};
    bool immortal = false;
    bool speed = false;
    float zoom = 20.0f;

    void SetUp() override { DevPanelReset(panel); }

    static Vector2 CentreOf(int widget)
    {
        Rectangle r = DevPanelWidgetRect(widget, false);
        return {r.x + 0.5f * r.width, r.y + 0.5f * r.height};
    }

    // One frame: an optional press, typed characters, and the editing keys.
    bool Frame(Vector2 mouse, bool press, const char *typed = "", bool enter = false, bool escape = false,
               bool backspace = false, bool visible = true, bool focused = true)
    {
        DevPanelEvents e{};
        e.mouse = mouse;
        e.press = press;
        e.focused = focused;
        for (const char *c = typed; *c && e.charCount < DEV_PANEL_CHAR_CAPACITY; c++) e.chars[e.charCount++] = (unsigned char)*c;
        e.enter = enter;
        e.escape = escape;
        e.backspace = backspace;
        return DevPanelStep(panel, visible, false, e, immortal, speed, zoom);
    }

    bool Click(int widget) { return Frame(CentreOf(widget), true); }
    void Type(const char *typed) { Frame({0.0f, 0.0f}, false, typed); }
    void Enter() { Frame({0.0f, 0.0f}, false, "", true); }
    void Escape() { Frame({0.0f, 0.0f}, false, "", false, true); }
};

// [SECTION] Editing

TEST(DevField, TypingAcceptsDigitsAndOnePoint)
{
    struct Case {
        const char *typed;
        const char *text;
    } cases[] = {
        {"0,5", "0.5"},            // comma becomes a point
        {"a1b2", "12"},            // letters refused
        {"1.2.3", "1.23"},         // a second point refused
        {"1,2.3", "1.23"},
        {"-5e3", "53"},            // no sign, no exponent
        {"12345678901", "1234567"},// seven characters at most
    };
    for (const Case &c : cases) {
        DevTextField f{};
        DevFieldFocus(f);
        for (const char *p = c.typed; *p; p++) DevFieldType(f, (unsigned char)*p);
        EXPECT_STREQ(f.text, c.text) << c.typed;
    }
}

TEST(DevField, BuffersNeverOverflowWhateverArrives)
{
    // Many characters in one frame (a paste through the character queue), non-ASCII codepoints,
    // and a record whose buffer lost its terminator.
    DevTextField f{};
    DevFieldFocus(f);
    DevPanelEvents e{};
    e.focused = true;
    for (int i = 0; i < DEV_PANEL_CHAR_CAPACITY; i++) e.chars[e.charCount++] = i % 3 == 0 ? 0x0439 : '7';
    e.charCount = 1000;  // a count beyond the array is clamped, never read past it
    DevFieldKeys(f, e);
    EXPECT_EQ(strlen(f.text), (size_t)DEV_FIELD_MAX_CHARS);
    EXPECT_TRUE(f.focused);

    DevTextField broken{};
    memset(broken.text, '9', sizeof(broken.text));
    broken.focused = true;
    EXPECT_FALSE(DevFieldType(broken, '1'));
    EXPECT_EQ(broken.text[DEV_FIELD_MAX_CHARS], '\0');
    EXPECT_TRUE(broken.focused);
    memset(broken.text, '9', sizeof(broken.text));
    DevFieldBackspace(broken);
    EXPECT_STREQ(broken.text, "999999");
    float value = 0.0f;
    memset(broken.text, '9', sizeof(broken.text));
    EXPECT_FALSE(DevFieldParse(broken.text, value));
}

TEST(DevField, ReplacementMarkEmptiesOnTheFirstEdit)
{
    DevTextField f{};
    snprintf(f.text, sizeof(f.text), "0.80");
    DevFieldFocus(f);
    EXPECT_FALSE(DevFieldType(f, 'x'));  // a refused character keeps the text and the mark
    EXPECT_STREQ(f.text, "0.80");
    EXPECT_TRUE(DevFieldType(f, '.'));   // the old text's point does not count
    EXPECT_STREQ(f.text, ".");

    DevFieldFocus(f);
    DevFieldBackspace(f);
    EXPECT_STREQ(f.text, "");
    DevFieldType(f, '4');
    DevFieldType(f, '2');
    DevFieldBackspace(f);
    EXPECT_STREQ(f.text, "4");
    DevFieldBackspace(f);
    DevFieldBackspace(f);  // on an empty field: nothing
    EXPECT_STREQ(f.text, "");
}

TEST(DevField, ParseWholeNumbersOnly)
{
    struct Case {
        const char *text;
        bool ok;
        float value;
    } cases[] = {
        {"5", true, 5.0f},   {"0.5", true, 0.5f}, {".5", true, 0.5f},   {"5.", true, 5.0f},
        {"99", true, 99.0f}, {"", false, 0},      {".", false, 0},      {"1.2.3", false, 0},
        {"abc", false, 0},   {"-1", false, 0},    {"1e3", false, 0},    {"inf", false, 0},
        {"nan", false, 0},   {" 5", false, 0},    {"5 ", false, 0},     {"0x10", false, 0},
    };
    for (const Case &c : cases) {
        float out = -7.0f;
        EXPECT_EQ(DevFieldParse(c.text, out), c.ok) << "'" << c.text << "'";
        EXPECT_EQ(out, c.ok ? c.value : -7.0f) << "'" << c.text << "'";
    }
    float out = 1.0f;
    EXPECT_FALSE(DevFieldParse(nullptr, out));
}

// [SECTION] Values

TEST(DevPanelValues, SetOpacityClampsFormatsAndDropsFocus)
{
    DevPanel p;
    DevPanelReset(p);
    EXPECT_EQ(p.opacity, HUD_OPACITY_DEFAULT);
    EXPECT_STREQ(p.opacityField.text, "0.80");
    EXPECT_STREQ(p.zoomField.text, "20.0");

    struct Case {
        float x, opacity;
        const char *text;
    } cases[] = {{0.5f, 0.5f, "0.50"}, {2.0f, 1.0f, "1.00"}, {-1.0f, 0.0f, "0.00"},
                 {NAN, 0.8f, "0.80"},  {INFINITY, 0.8f, "0.80"}};
    for (const Case &c : cases) {
        DevFieldFocus(p.opacityField);
        HudSetOpacity(p, c.x);
        EXPECT_EQ(p.opacity, c.opacity) << c.x;
        EXPECT_STREQ(p.opacityField.text, c.text) << c.x;
        EXPECT_FALSE(p.opacityField.focused);
        EXPECT_FALSE(DevPanelTextFocused(p));
    }
}

TEST_F(PanelFixture, OpacityCommaFiveEnterGivesHalf)
{
    Click(DEV_WIDGET_OPACITY_FIELD);
    EXPECT_TRUE(DevPanelTextFocused(panel));
    Type("0,5");
    EXPECT_STREQ(panel.opacityField.text, "0.5");
    EXPECT_EQ(panel.opacity, HUD_OPACITY_DEFAULT);  // nothing applies before the commit
    Enter();
    EXPECT_FLOAT_EQ(panel.opacity, 0.5f);
    EXPECT_STREQ(panel.opacityField.text, "0.50");
    EXPECT_FALSE(DevPanelTextFocused(panel));
}

TEST_F(PanelFixture, ZoomCommitsClampedAndEscapeRestores)
{
    struct Case {
        const char *typed;
        float zoom;
        const char *text;
    } cases[] = {{"99", 30.0f, "30.0"}, {"1", 5.5f, "5.5"}, {"12,5", 12.5f, "12.5"}, {".", 12.5f, "12.5"}};
    for (const Case &c : cases) {
        Click(DEV_WIDGET_ZOOM_FIELD);
        Type(c.typed);
        Enter();
        EXPECT_FLOAT_EQ(zoom, c.zoom) << c.typed;
        EXPECT_STREQ(panel.zoomField.text, c.text) << c.typed;
        EXPECT_FALSE(panel.zoomField.focused);
    }

    zoom = 14.0f;  // changed by the wheel since
    Click(DEV_WIDGET_ZOOM_FIELD);
    EXPECT_STREQ(panel.zoomField.text, "14.0");  // the edit starts from the value in force
    Type("7");
    Escape();
    EXPECT_EQ(zoom, 14.0f);
    EXPECT_STREQ(panel.zoomField.text, "14.0");

    Click(DEV_WIDGET_OPACITY_FIELD);
    Type("0.3");
    Escape();
    EXPECT_EQ(panel.opacity, HUD_OPACITY_DEFAULT);
    EXPECT_STREQ(panel.opacityField.text, "0.80");
    EXPECT_FALSE(DevPanelTextFocused(panel));
}

TEST_F(PanelFixture, NonNumberChangesNothing)
{
    Click(DEV_WIDGET_OPACITY_FIELD);
    Frame({0.0f, 0.0f}, false, "", false, false, true);  // backspace empties the marked field
    EXPECT_STREQ(panel.opacityField.text, "");
    Enter();
    EXPECT_EQ(panel.opacity, HUD_OPACITY_DEFAULT);
    EXPECT_STREQ(panel.opacityField.text, "0.80");

    Click(DEV_WIDGET_ZOOM_FIELD);
    Type(".");
    Enter();
    EXPECT_EQ(zoom, 20.0f);
    EXPECT_STREQ(panel.zoomField.text, "20.0");
}

TEST_F(PanelFixture, PressesCommitFocusAndReset)
{
    // A press elsewhere commits the field being edited.
    Click(DEV_WIDGET_OPACITY_FIELD);
    Type("0.3");
    Frame({600.0f, 600.0f}, true);
    EXPECT_FLOAT_EQ(panel.opacity, 0.3f);
    EXPECT_FALSE(DevPanelTextFocused(panel));

    // "Сброс" while editing: the edit is committed, then the reset wins.
    Click(DEV_WIDGET_OPACITY_FIELD);
    Type("0.1");
    Click(DEV_WIDGET_OPACITY_RESET);
    EXPECT_EQ(panel.opacity, HUD_OPACITY_DEFAULT);
    EXPECT_STREQ(panel.opacityField.text, "0.80");
    EXPECT_FALSE(DevPanelTextFocused(panel));

    // Moving from one field to the other commits the first; only one has focus.
    Click(DEV_WIDGET_ZOOM_FIELD);
    Type("8");
    Click(DEV_WIDGET_OPACITY_FIELD);
    EXPECT_EQ(zoom, 8.0f);
    EXPECT_FALSE(panel.zoomField.focused);
    EXPECT_TRUE(panel.opacityField.focused);

    zoom = 11.0f;
    Click(DEV_WIDGET_ZOOM_RESET);
    EXPECT_EQ(zoom, 20.0f);
    EXPECT_STREQ(panel.zoomField.text, "20.0");
}

TEST_F(PanelFixture, HiddenPanelCommitsAndTypingNeedsWindowFocus)
{
    Click(DEV_WIDGET_ZOOM_FIELD);
    Frame({0.0f, 0.0f}, false, "9", false, false, false, true, false);  // window unfocused
    EXPECT_STREQ(panel.zoomField.text, "20.0");
    Type("9");
    Frame({0.0f, 0.0f}, false, "", false, false, false, false);  // F3 hid the panel
    EXPECT_EQ(zoom, 9.0f);
    EXPECT_FALSE(DevPanelTextFocused(panel));

    // While hidden nothing else reacts, not even a press on a widget's place.
    EXPECT_FALSE(Frame(CentreOf(DEV_WIDGET_COINS), true, "", false, false, false, false));
    Frame(CentreOf(DEV_WIDGET_IMMORTAL), true, "", false, false, false, false);
    EXPECT_FALSE(immortal);
}

TEST_F(PanelFixture, SwitchesAndCoinButton)
{
    Click(DEV_WIDGET_IMMORTAL);
    EXPECT_TRUE(immortal);
    EXPECT_FALSE(speed);
    Click(DEV_WIDGET_SPEED);
    EXPECT_TRUE(speed);
    Click(DEV_WIDGET_IMMORTAL);
    EXPECT_FALSE(immortal);

    EXPECT_TRUE(Click(DEV_WIDGET_COINS));
    EXPECT_EQ(panel.hot, DEV_WIDGET_COINS);
    EXPECT_FALSE(Frame(CentreOf(DEV_WIDGET_COINS), false));  // hovering alone
    EXPECT_FALSE(Click(DEV_WIDGET_ZOOM_RESET));
    Frame({600.0f, 600.0f}, false);
    EXPECT_EQ(panel.hot, DEV_WIDGET_NONE);
}

TEST(DevPanelLayout, CampaignMovesTheWidgetsDown)
{
    EXPECT_EQ(DevPanelTop(false), 86.0f);
    EXPECT_EQ(DevPanelTop(true), 176.0f);
    for (int w = DEV_WIDGET_IMMORTAL; w < DEV_WIDGET_COUNT; w++) {
        Rectangle a = DevPanelWidgetRect(w, false), b = DevPanelWidgetRect(w, true);
        EXPECT_EQ(b.y - a.y, 90.0f) << w;
        Rectangle bg = DevPanelBackground(true);
        EXPECT_LE(b.y + b.height, bg.y + bg.height) << w;  // inside the panel
        EXPECT_LE(b.x + b.width, bg.x + bg.width) << w;
    }
    // No two widgets overlap, so a press reaches exactly one.
    for (int i = DEV_WIDGET_IMMORTAL; i < DEV_WIDGET_COUNT; i++)
        for (int j = i + 1; j < DEV_WIDGET_COUNT; j++) {
            Rectangle a = DevPanelWidgetRect(i, false), b = DevPanelWidgetRect(j, false);
            bool overlap = a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
            EXPECT_FALSE(overlap) << i << " " << j;
        }
}

}  // namespace
