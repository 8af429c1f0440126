// Player HUD: the interface font, the HUD opacity shader and the overlays around the player.
// Needs a GL context.
#pragma once

#include "raylib.h"

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
