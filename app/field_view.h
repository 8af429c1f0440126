// What the scene renderer is handed each frame, gathered from the run. The renderer reads only
// this record; it never sees Field.
#pragma once

#include "app/field.h"
#include "player/hud_layout.h"
#include "render/scene.h"
#include "render/ship.h"

// The astronaut's pose in the form the scene shader takes.
ScenePose FieldScenePose(const PlayerPoseState &pose);
// The hearts the HUD draws, from the run's health.
HudHearts FieldHudHearts(const Health &health);
// What the shuttle renderer draws of a ship.
ShipView FieldShipView(const Ship &ship);
// The view of a run: camera, player with its pose, time.
SceneView FieldSceneView(const Field &field);
