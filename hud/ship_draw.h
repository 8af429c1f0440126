// Ship finale on screen: guidance texts, world markers and the victory screen. Needs the window
// and the interface font (hud/hud_draw.h).
#pragma once

#include "campaign/ship.h"
#include "world/camera.h"

// Texts, markers and, once departed, the victory screen, in the letterbox's 2D space (origin at
// its top-left corner, `viewWidth` x `viewHeight` pixels). Draws nothing without a shuttle.
void ShipDrawTexts(const Ship &ship, const FollowCamera &camera, Vector3 player, float viewWidth, float viewHeight);
