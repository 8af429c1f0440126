// Player HUD: the interface font, the HUD opacity shader and the overlays around the player.
// Needs a GL context.
#pragma once

#include "player/bindings.h"
#include "player/hud_layout.h"
#include "player/player.h"
#include "raylib.h"
#include "world/camera.h"

constexpr int HUD_FONT_SIZE = 96;         // pixels the interface font is rasterised at
constexpr int HUD_CODEPOINT_COUNT = 194;  // 32..126, 1024..1119, 8212, 8211, 215

extern Font hudFont;  // interface font: every text of the game is drawn with it

// Fills `out` with the interface font's codepoints; returns their count.
int HudFontCodepoints(int out[HUD_CODEPOINT_COUNT]);
// Loads the font and the opacity shader; false and one error line on failure.
bool HudLoad(const char *fontPath);
// Unloads both; safe after a failed or no load.
void HudUnload();
// Begins drawing with the HUD opacity (clamped to 0..1); HudEnd ends it.
void HudBegin(float opacity);
void HudEnd();

// What one HUD frame draws from besides the run's records.
struct EyeCoins;

struct HudFrame {
    float viewWidth, viewHeight;     // letterbox size, pixels; the HUD is drawn in its 2D space
    float time;                      // the run's total time, seconds (heartbeat)
    float opacity;                   // HUD opacity 0..1
    bool gamepad;                    // key glyphs as gamepad buttons
    bool held[BINDINGS_KEY_COUNT];   // key or its pad button down while the window has focus
    const HudClock *clock;           // level clock; null without a campaign
    const EyeCoins *coins;           // the coin counter's wallet and flash; null: no counter
};

// The whole HUD of a game frame around the player's head: binding cluster, hearts, level clock.
void HudDraw(const Player &player, const FollowCamera &camera, const Bindings &bindings, const HudHearts &hearts,
             const HudFrame &frame);
// The binding cluster alone at an anchor (the countdown ring, warning, digits, trails, slots).
void HudDrawBindings(const HudAnchor &anchor, const Bindings &bindings, const HudFrame &frame);
// The heart cluster centred at `cluster`.
void HudDrawHearts(Vector2 cluster, const HudHearts &hearts, float time);

