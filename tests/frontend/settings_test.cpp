// The settings: the sliders' drags and ticks, their keys, the buttons and boxes with their cues,
// the two forms' controls, and every setting surviving a restart through the profile file.
//
// Index
//   [SECTION] Sliders
//   [SECTION] Keys
//   [SECTION] Buttons and forms
//   [SECTION] Persistence
#include "frontend/settings.h"

#include "tests/frontend/menu_rig.h"
#include "tests/frontend/profile_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static Vector2 Centre(Rectangle r) { return {r.x + 0.5f * r.width, r.y + 0.5f * r.height}; }

static MenuRig SettingsRig(bool compact)
{
    MenuRig rig;
    rig.profile.introSeen = true;
    if (compact) MenuShow(rig.menu, MENU_SCREEN_PAUSE);
    MenuShow(rig.menu, MENU_SCREEN_SETTINGS);
    rig.MoveTo({640.0f, 20.0f});
    rig.Idle(12);   // no throttle left over
    return rig;
}

// Counts the slider ticks of one frame.
struct TickCounter {
    int serial;
    int ticks = 0;
    void Frame(const MenuState &menu)
    {
        if (menu.cueSerial != serial && menu.cueType == MENU_CUE_SLIDER_TICK) ticks += menu.cueSerial - serial;
        serial = menu.cueSerial;
    }
};

// [SECTION] Sliders

// A pointer sequence on a slider's track and what it leaves: the value and the ticks heard.
TEST(SettingsSlider, PointerSequencesLeaveTheirValueAndTicks)
{
    enum Act { PRESS, HOLD, MOVE };   // MOVE: the button is up
    struct Step {
        Act act;
        float at;          // fraction along the track
        int frames = 1;
        int slider = -1;   // -1: the row's slider
        float dy = 0.0f;   // canvas pixels off the track's centre line
    };
    struct Row {
        const char *name;
        bool compact;
        int slider;
        float start;       // volume, or quality percent
        bool on;
        std::vector<Step> steps;
        float value;
        int ticks;
    };
    const int M = SETTINGS_SLIDER_MUSIC, S = SETTINGS_SLIDER_SOUND, Q = SETTINGS_SLIDER_QUALITY;
    const std::vector<Row> rows = {
        {"a press jumps to the pointer and ticks", false, M, 0.75f, true, {{PRESS, 0.5f}}, 0.5f, 1},
        {"a press on the same twentieth is silent", false, M, 0.5f, true, {{PRESS, 0.51f}}, 0.51f, 0},
        {"within a twentieth none, across one exactly one", false, M, 0.5f, true,
         {{PRESS, 0.5f}, {HOLD, 0.52f, 10}, {HOLD, 0.53f, 10}}, 0.53f, 1},
        {"an unchanged value never ticks again", false, S, 0.2f, true, {{PRESS, 0.4f}, {HOLD, 0.4f, 30}}, 0.4f, 1},
        {"a fast drag ends on its last position, ticking it once the throttle allows", false, M, 0.75f, true,
         {{PRESS, 0.0f}, {HOLD, 0.3f}, {HOLD, 0.6f}, {HOLD, 1.0f, 20}}, 1.0f, 2},
        {"beyond both ends the value clamps and still follows", false, S, 0.75f, true,
         {{PRESS, 0.1f}, {HOLD, -0.3f, 10}, {HOLD, 1.4f, 20}}, 1.0f, 3},
        {"a press beside the track's end is no press", false, S, 0.75f, true, {{PRESS, -0.05f}}, 0.75f, 0},
        {"a captured drag follows the pointer off the track", false, M, 0.75f, true,
         {{PRESS, 0.5f}, {HOLD, 0.8f, 10, -1, 200.0f}}, 0.8f, 2},
        {"release frees the slider", false, M, 0.75f, true, {{PRESS, 0.5f}, {MOVE, 0.9f, 5}}, 0.5f, 1},
        {"a press beside the hit area is no press", false, M, 0.75f, true, {{PRESS, 0.5f, 1, -1, 26.0f}}, 0.75f, 0},
        {"the hit area reaches 18 above the track", false, M, 0.75f, true, {{PRESS, 0.5f, 1, -1, -24.0f}}, 0.5f, 1},
        {"dragging a muted channel switches it on", false, M, 0.5f, false, {{PRESS, 0.5f}}, 0.5f, 1},
        {"switched on under the throttle, its tick comes late", false, M, 0.75f, false,
         {{PRESS, 0.1f, 1, S}, {MOVE, 0.1f, 1, S}, {PRESS, 0.75f}, {HOLD, 0.75f, 10}}, 0.75f, 2},
        {"compact music slider", true, M, 0.75f, true, {{PRESS, 0.25f}}, 0.25f, 1},
        {"compact sound slider across many twentieths", true, S, 0.1f, true,
         {{PRESS, 0.1f}, {HOLD, 0.2f, 8}, {HOLD, 0.3f, 8}, {HOLD, 0.4f, 8}}, 0.4f, 3},
        {"the compact form has no quality slider", true, Q, 100.0f, true, {{PRESS, 0.9f, 1, Q}}, 100.0f, 0},
        {"quality: the left end is 50", false, Q, 100.0f, true, {{PRESS, 0.02f}, {HOLD, -0.2f, 10}}, 50.0f, 1},
        {"quality: the right end is 100, unchanged and silent", false, Q, 100.0f, true,
         {{PRESS, 0.98f}, {HOLD, 1.3f, 10}}, 100.0f, 0},
        {"quality: steps of 5", false, Q, 100.0f, true, {{PRESS, 0.33f}, {HOLD, 0.34f, 10}}, 65.0f, 1},
        {"quality: crossing a step ticks once", false, Q, 100.0f, true, {{PRESS, 0.33f}, {HOLD, 0.36f, 10}}, 70.0f, 2},
    };
    for (const Row &row : rows) {
        MenuRig rig = SettingsRig(row.compact);
        Profile &p = rig.profile;
        if (row.slider == Q) p.graphics[0] = (int)row.start;
        else (row.slider == M ? p.musicVolume : p.soundVolume) = row.start;
        (row.slider == S ? p.soundEnabled : p.musicEnabled) = row.on;
        TickCounter counter{rig.menu.cueSerial};
        for (const Step &step : row.steps) {
            int slider = step.slider >= 0 ? step.slider : row.slider;
            const SettingsLayout &l = row.compact ? SETTINGS_COMPACT : SETTINGS_FULL;
            Rectangle t = slider == Q ? SETTINGS_QUALITY_TRACK : l.track[slider];
            Vector2 at = {t.x + step.at * t.width, t.y + 0.5f * t.height + step.dy};
            for (int f = 0; f < step.frames; f++) {
                if (step.act == PRESS && f == 0) rig.Click(at);
                else if (step.act == MOVE) rig.MoveTo(at);
                else rig.Hold(at);
                counter.Frame(rig.menu);
            }
        }
        float value = row.slider == Q ? (float)p.graphics[0] : row.slider == M ? p.musicVolume : p.soundVolume;
        EXPECT_NEAR(value, row.value, 1e-5f) << row.name;
        EXPECT_EQ(counter.ticks, row.ticks) << row.name;
        if (row.slider != Q && row.ticks > 0) { EXPECT_TRUE(row.slider == M ? p.musicEnabled : p.soundEnabled) << row.name; }
        EXPECT_TRUE(ProfileValid(p, PROFILE_LEVEL_SECONDS)) << row.name;
    }
}

TEST(SettingsSlider, ADragNeitherClicksNorHoversAnythingElse)
{
    MenuRig rig = SettingsRig(false);
    Rectangle t = SETTINGS_FULL.track[0];
    rig.Click(Vector2{t.x + 10.0f, t.y + 7.0f});
    ASSERT_EQ(rig.menu.dragControl, SETTINGS_SLIDER_MUSIC);
    // Dragged across the mute box and the preset buttons with the button held: nothing toggles,
    // no hover cue sounds.
    Profile before = rig.profile;
    int serial = rig.menu.cueSerial;
    rig.Hold(Centre(SETTINGS_FULL.box[0]));
    rig.Hold(Centre(SettingsPresetRect(0)));
    for (int i = 0; i < 12; i++) rig.Hold(Centre(SettingsPresetRect(0)));
    EXPECT_EQ(rig.profile.musicEnabled, before.musicEnabled);
    EXPECT_EQ(ProfileGraphicsPresetIndex(rig.profile), ProfileGraphicsPresetIndex(before));
    for (int i = serial; i < rig.menu.cueSerial; i++) EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_SLIDER_TICK);
    rig.MoveTo(Centre(SettingsPresetRect(0)));
    EXPECT_EQ(rig.menu.dragControl, -1);
}

// [SECTION] Keys

TEST(SettingsKeys, AFocusedVolumeSliderStepsAndTogglesAndKeepsTheFocus)
{
    MenuRig rig = SettingsRig(false);
    rig.profile.musicVolume = 0.75f;
    rig.Step(0, 0, 1);
    rig.Step(0, 0, -1);   // the keys lead; the focus is on the first slider
    ASSERT_EQ(rig.Focused(), "Музыка");
    int serial = rig.menu.cueSerial;
    rig.Step(1, 0);
    EXPECT_NEAR(rig.profile.musicVolume, 0.8f, 1e-6f);
    EXPECT_EQ(rig.menu.cueSerial, serial + 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_SLIDER_TICK);
    EXPECT_EQ(rig.Focused(), "Музыка");
    for (int i = 0; i < 8; i++) rig.Step(1, 0);
    EXPECT_EQ(rig.profile.musicVolume, 1.0f);
    serial = rig.menu.cueSerial;
    rig.Step(1, 0);   // at the end: nothing moves, nothing sounds
    EXPECT_EQ(rig.menu.cueSerial, serial);
    rig.Accept();
    EXPECT_FALSE(rig.profile.musicEnabled);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_ACCEPT);
    EXPECT_EQ(rig.profile.musicVolume, 1.0f);   // muting keeps the volume
    rig.Step(-1, 0);   // a step switches the channel back on
    EXPECT_TRUE(rig.profile.musicEnabled);
    EXPECT_NEAR(rig.profile.musicVolume, 0.95f, 1e-6f);
    EXPECT_EQ(rig.Focused(), "Музыка");
    for (int i = 0; i < 30; i++) rig.Step(-1, 0);
    EXPECT_EQ(rig.profile.musicVolume, 0.0f);
}

TEST(SettingsKeys, TheQualitySliderStepsByFiveWithinFiftyToAHundred)
{
    MenuRig rig = SettingsRig(false);
    for (int i = 0; i < 5; i++) rig.Step(0, 0, 1);
    ASSERT_EQ(rig.Focused(), "Качество рендера");
    ASSERT_EQ(rig.profile.graphics[0], 100);
    int serial = rig.menu.cueSerial;
    rig.Step(1, 0);
    EXPECT_EQ(rig.profile.graphics[0], 100);
    EXPECT_EQ(rig.menu.cueSerial, serial);
    rig.Step(-1, 0);
    EXPECT_EQ(rig.profile.graphics[0], 95);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_SLIDER_TICK);
    for (int i = 0; i < 20; i++) rig.Step(-1, 0);
    EXPECT_EQ(rig.profile.graphics[0], 50);
    EXPECT_EQ(rig.Focused(), "Качество рендера");
    EXPECT_EQ(ProfileGraphicsPresetIndex(rig.profile), -1);
}

// Vertical steps keep to the next row, horizontal ones to their own row.
TEST(SettingsKeys, StepsFollowTheRowsOfTheFullForm)
{
    struct Row {
        const char *name;
        std::vector<Vector2> steps;   // (x, y) of each step
        const char *focused;
    };
    const std::vector<Row> rows = {
        {"down from music", {{0, 1}}, "Звуки"},
        {"down to the presets", {{0, 1}, {0, 1}}, "Низкие"},
        {"right along the presets", {{0, 1}, {0, 1}, {1, 0}}, "Обычные"},
        {"right at the row's end stays", {{0, 1}, {0, 1}, {1, 0}, {1, 0}, {1, 0}}, "Высокие"},
        {"down through quality to clouds", {{0, 1}, {0, 1}, {0, 1}, {0, 1}}, "Низкие"},
        {"splashes have two options", {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 0}}, "Обычно"},
        {"the device row down to Назад",
         {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 0}, {0, 1}}, "Назад"},
        {"up from music stays", {{0, -1}}, "Музыка"},
    };
    for (const Row &row : rows) {
        MenuRig rig = SettingsRig(false);
        rig.Step(0, 0, 1);
        rig.Step(0, 0, -1);
        for (Vector2 s : row.steps) rig.Step((int)s.x, (int)s.y);
        EXPECT_EQ(rig.Focused(), row.focused) << row.name;
    }
}

// [SECTION] Buttons and forms

TEST(SettingsButtons, PresetsSwitchesAndTheirHighlight)
{
    MenuRig rig = SettingsRig(false);
    int serial = rig.menu.cueSerial;
    rig.Click(SettingsPresetRect(0));
    EXPECT_EQ(rig.menu.cueSerial, serial + 1);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_ACCEPT);
    for (int i = 0; i < PROFILE_GRAPHICS; i++) EXPECT_EQ(rig.profile.graphics[i], PROFILE_GRAPHICS_PRESETS[0][i]);
    EXPECT_EQ(ProfileGraphicsPresetIndex(rig.profile), 0);
    rig.Click(SettingsSwitchRect(0, 2));   // clouds high: no preset any more
    EXPECT_EQ(rig.profile.graphics[1], 2);
    EXPECT_EQ(rig.profile.graphics[2], PROFILE_GRAPHICS_PRESETS[0][2]);
    EXPECT_EQ(ProfileGraphicsPresetIndex(rig.profile), -1);
    rig.Click(SettingsSwitchRect(0, 0));   // back to the preset's own value
    EXPECT_EQ(ProfileGraphicsPresetIndex(rig.profile), 0);
    rig.Click(SettingsSwitchRect(2, 1));
    rig.Click(SettingsSwitchRect(3, 2));
    EXPECT_EQ(rig.profile.graphics[3], 1);
    EXPECT_EQ(rig.profile.graphics[4], 2);
    EXPECT_TRUE(ProfileValid(rig.profile, PROFILE_LEVEL_SECONDS));
}

// Each click and what it changes; every button makes the accept cue except the way back.
TEST(SettingsButtons, ClicksChangeTheProfileWithTheirCue)
{
    struct Row {
        const char *name;
        bool compact;
        Rectangle rect;
        uint32_t cue;
        int screen, dialog;
    };
    const Row rows[] = {
        {"windowed", false, SETTINGS_FULL.windowed, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"borderless", false, SETTINGS_FULL.borderless, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"keyboard", false, SETTINGS_FULL.keyboard, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"gamepad", false, SETTINGS_FULL.gamepad, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"music box", false, SETTINGS_FULL.box[0], MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"sound box", false, SETTINGS_FULL.box[1], MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"erase asks first", false, SETTINGS_ERASE_RECT, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, MENU_DIALOG_ERASE},
        {"Назад is the back cue", false, MENU_BACK_RECT, MENU_CUE_BACK, MENU_SCREEN_MAIN, 0},
        {"compact borderless", true, SETTINGS_COMPACT.borderless, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"compact gamepad", true, SETTINGS_COMPACT.gamepad, MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
        {"compact sound box", true, SETTINGS_COMPACT.box[1], MENU_CUE_ACCEPT, MENU_SCREEN_SETTINGS, 0},
    };
    for (const Row &row : rows) {
        MenuRig rig = SettingsRig(row.compact);
        rig.profile.borderless = row.rect.x == SETTINGS_FULL.windowed.x || row.rect.x == SETTINGS_COMPACT.windowed.x;
        Profile before = rig.profile;
        int serial = rig.menu.cueSerial;
        rig.Click(row.rect);
        EXPECT_EQ(rig.menu.cueSerial, serial + 1) << row.name;
        EXPECT_EQ(rig.menu.cueType, row.cue) << row.name;
        EXPECT_EQ(rig.menu.screen, row.screen) << row.name;
        EXPECT_EQ(rig.menu.dialog, row.dialog) << row.name;
        std::string name = row.name;
        const Profile &p = rig.profile;
        if (name.find("windowed") != std::string::npos) { EXPECT_FALSE(p.borderless); }
        if (name.find("borderless") != std::string::npos) { EXPECT_TRUE(p.borderless); }
        if (name.find("gamepad") != std::string::npos) { EXPECT_TRUE(p.gamepad && rig.menu.keyboardMode) << row.name; }
        if (name == "keyboard") { EXPECT_FALSE(p.gamepad); }
        if (name.find("music box") != std::string::npos) { EXPECT_NE(p.musicEnabled, before.musicEnabled); }
        if (name.find("sound box") != std::string::npos) {
            EXPECT_NE(p.soundEnabled, before.soundEnabled);
            EXPECT_EQ(p.soundVolume, before.soundVolume);   // muting keeps the volume
        }
        if (row.dialog == MENU_DIALOG_ERASE || row.cue == MENU_CUE_BACK) { EXPECT_TRUE(ProfileEqual(p, before)) << row.name; }
    }
}

TEST(SettingsForms, TheCompactFormOffersSixControlsAndHidesTheRest)
{
    MenuRig rig = SettingsRig(true);
    MenuFocusItem list[MENU_FOCUS_CAPACITY];
    int n = MenuFocusList(rig.menu, rig.profile, list);
    ASSERT_EQ(n, 6);
    const char *labels[6] = {"Музыка", "Звуки", "В окне", "На весь экран", "Клавиатура", "Геймпад"};
    for (int i = 0; i < n; i++) EXPECT_STREQ(list[i].label, labels[i]);
    EXPECT_EQ(list[0].slider, SETTINGS_SLIDER_MUSIC);
    EXPECT_EQ(list[1].slider, SETTINGS_SLIDER_SOUND);
    // The full form's erase, presets, switches and back are not there to click or sound.
    Profile before = rig.profile;
    int serial = rig.menu.cueSerial;
    for (Rectangle r : {SETTINGS_ERASE_RECT, SettingsPresetRect(2), SettingsSwitchRect(3, 2), MENU_BACK_RECT}) {
        rig.Idle(10);
        rig.Click(r);
    }
    EXPECT_TRUE(ProfileEqual(rig.profile, before));
    EXPECT_EQ(rig.menu.cueSerial, serial);
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_SETTINGS);
    EXPECT_EQ(rig.menu.dialog, MENU_DIALOG_NONE);
    // Back returns to the pause.
    rig.Back();
    EXPECT_EQ(rig.menu.screen, MENU_SCREEN_PAUSE);
    EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_BACK);
}

// The device buttons are hover targets in both forms, and every control has its own id.
TEST(SettingsForms, EveryControlHasItsHoverId)
{
    for (bool compact : {false, true}) {
        MenuRig rig = SettingsRig(compact);
        MenuFocusItem list[MENU_FOCUS_CAPACITY];
        int n = MenuFocusList(rig.menu, rig.profile, list);
        EXPECT_EQ(n, compact ? 6 : 23);
        for (int i = 0; i < n; i++) {
            EXPECT_EQ(MenuControlAt(rig.menu, rig.profile, Centre(list[i].rect)), list[i].id) << list[i].label;
            for (int j = 0; j < i; j++) EXPECT_NE(list[i].id, list[j].id);
        }
        const SettingsLayout &l = compact ? SETTINGS_COMPACT : SETTINGS_FULL;
        EXPECT_EQ(MenuControlAt(rig.menu, rig.profile, Centre(l.keyboard)),
                  compact ? SETTINGS_ID_COMPACT_KEYBOARD : SETTINGS_ID_KEYBOARD);
        EXPECT_EQ(MenuControlAt(rig.menu, rig.profile, Centre(l.gamepad)),
                  compact ? SETTINGS_ID_COMPACT_GAMEPAD : SETTINGS_ID_GAMEPAD);
        EXPECT_EQ(MenuControlAt(rig.menu, rig.profile, Centre(l.box[0])),
                  compact ? SETTINGS_ID_COMPACT_MUSIC_BOX : SETTINGS_ID_MUSIC_BOX);
        // Moving onto a device button sounds the hover cue.
        rig.MoveTo({640.0f, 20.0f});
        rig.Idle(10);
        int serial = rig.menu.cueSerial;
        rig.MoveTo(Centre(l.gamepad));
        EXPECT_EQ(rig.menu.cueSerial, serial + 1);
        EXPECT_EQ(rig.menu.cueType, (uint32_t)MENU_CUE_HOVER);
    }
}

// A menu frame tells the loop exactly which preferences it must apply.
TEST(SettingsButtons, TheFrameNamesWhatChanged)
{
    MenuRig rig = SettingsRig(false);
    auto frame = [&](Rectangle r) {
        Profile before = rig.profile;
        rig.Click(r);
        rig.MoveTo({640.0f, 20.0f});
        return SettingsCompare(before, rig.profile);
    };
    SettingsChanges c = frame(SETTINGS_FULL.borderless);
    EXPECT_TRUE(c.borderless && !c.renderScale && !c.graphics && !c.gamepad && !c.audio);
    c = frame(SettingsPresetRect(0));
    EXPECT_TRUE(!c.borderless && c.renderScale && c.graphics && !c.gamepad && !c.audio);
    c = frame(SETTINGS_FULL.gamepad);
    EXPECT_TRUE(c.gamepad && !c.graphics);
    c = frame(SETTINGS_FULL.box[1]);
    EXPECT_TRUE(c.audio && !c.gamepad);
    c = frame({0.0f, 0.0f, 10.0f, 10.0f});   // the background
    EXPECT_TRUE(!c.borderless && !c.renderScale && !c.graphics && !c.gamepad && !c.audio);
}

// [SECTION] Persistence

class SettingsRestart : public profile_files::ProfileFolder {};

// Every setting, changed through the screen, comes back from the file the next start reads.
TEST_F(SettingsRestart, EverySettingSurvivesASaveAndALoad)
{
    MenuRig rig = SettingsRig(false);
    Rectangle music = SETTINGS_FULL.track[0], sound = SETTINGS_FULL.track[1];
    rig.Click(Vector2{music.x + 0.35f * music.width, music.y + 7.0f});
    rig.MoveTo({640.0f, 20.0f});
    rig.Click(Vector2{sound.x + 0.6f * sound.width, sound.y + 7.0f});
    rig.MoveTo({640.0f, 20.0f});
    rig.Click(SETTINGS_FULL.box[0]);            // music off
    rig.Click(SETTINGS_FULL.borderless);
    rig.Click(SETTINGS_FULL.gamepad);
    rig.Click(SettingsPresetRect(1));
    rig.Click(Vector2{SETTINGS_QUALITY_TRACK.x + 0.5f * SETTINGS_QUALITY_TRACK.width, 322.0f});
    rig.MoveTo({640.0f, 20.0f});
    rig.Click(SettingsSwitchRect(0, 0));
    rig.Click(SettingsSwitchRect(1, 2));
    rig.Click(SettingsSwitchRect(2, 1));
    rig.Click(SettingsSwitchRect(3, 0));
    const Profile &p = rig.profile;
    ASSERT_FALSE(p.musicEnabled);
    ASSERT_TRUE(p.borderless && p.gamepad);
    ASSERT_EQ(p.graphics[0], 75);

    ASSERT_TRUE(ProfileSave(p, P.c_str()));
    Profile loaded;
    ASSERT_TRUE(Load(loaded));
    EXPECT_EQ(loaded.musicVolume, p.musicVolume);
    EXPECT_EQ(loaded.soundVolume, p.soundVolume);
    EXPECT_EQ(loaded.musicEnabled, p.musicEnabled);
    EXPECT_EQ(loaded.soundEnabled, p.soundEnabled);
    EXPECT_EQ(loaded.borderless, p.borderless);
    EXPECT_EQ(loaded.gamepad, p.gamepad);
    for (int i = 0; i < PROFILE_GRAPHICS; i++) EXPECT_EQ(loaded.graphics[i], p.graphics[i]) << i;
    EXPECT_EQ(loaded.graphics[1], 0);
    EXPECT_EQ(loaded.graphics[2], 2);
    EXPECT_EQ(loaded.graphics[3], 1);
    EXPECT_EQ(loaded.graphics[4], 0);
    EXPECT_TRUE(ProfileEqual(loaded, p));
}
