// The drone, its bolts, the repel ring and the HUD dial, drawn; needs the window.
#pragma once

#include "player/support.h"
#include "world/camera.h"

// GPU. The drone, bolts, impact flashes and the repel ring in the 3D pass of the scene target
// (camera set, depth test on); draws nothing when none of them shows.
void SupportDraw(const Support &support, const FollowCamera &camera);
// GPU. The repel dial of the HUD centred at `point` (letterbox 2D space); nothing while the repel
// is off. Needs the interface font.
void SupportDrawDial(const Support &support, Vector2 point);
