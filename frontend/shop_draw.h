// Drawing the shop screen (needs the window and GL): the backdrop, the wallet, the nine cards
// with their pictograms, level pips and buy buttons, and the back button.
#pragma once

#include "campaign/shop.h"
#include "raylib.h"

// The whole shop screen at menu time `time`; `pointer` is the pointer on the reference canvas
// (hover look), off the canvas for none.
void ShopDraw(const ShopState *state, uint64_t wallet, float time, Vector2 pointer);
// The eye-coin icon centred at a canvas point with a canvas radius.
void ShopDrawEyeCoin(Vector2 centre, float radius);
