// Eye coins on screen: the eyes inside the 3D pass and the level's coin counter in the HUD.
// Needs the window's GL context and, for the counter, the interface font (hud/hud_draw.h).
#pragma once

#include "campaign/eye_coins.h"
#include "world/camera.h"

// Draws the eyes inside the 3D pass (camera set, depth test on): the glow discs of the eyes not
// being pulled in, without depth writes, then every visible eye as an amber lens, depth-tested
// and written. `screenWidth` x `screenHeight` is the target being drawn to.
void EyeCoinsDraw(const EyeCoins &state, const FollowCamera &camera, int screenWidth, int screenHeight);
// The counter of the level's income centred on `anchor`, in the letterbox's 2D space.
void EyeCoinsDrawCounter(const EyeCoins &state, Vector2 anchor);
// Releases the GL objects the drawing makes on first use; safe when none were made, and twice.
void EyeCoinsDrawRelease();

// Developer switch: draw through the immediate-mode batch even where instancing works (the
// loot profile and capture compare the two).
inline bool eyeCoinsDrawThroughBatch = false;
