#include "app/field.h"

void FieldReset(Field &field, uint32_t seed)
{
    // Zoom and the flags the loop owns survive a new run; everything else starts over.
    float zoom = field.camera.viewHeight > 0.0f ? field.camera.viewHeight : CAMERA_ZOOM_DEFAULT;
    bool runActive = field.runActive;
    bool debugPanelVisible = field.debugPanelVisible;
    bool immortal = field.immortal;
    bool speedTimesTen = field.speedTimesTen;

    field = {};
    field.seed = seed;
    field.runActive = runActive;
    field.debugPanelVisible = debugPanelVisible;
    field.immortal = immortal;
    field.speedTimesTen = speedTimesTen;

    BindingsReset(field.bindings, seed);
    PlayerReset(field.player, {0.0f, 0.0f, 0.0f});
    field.camera.viewHeight = zoom;
    CameraFollow(field.camera, field.player.position, field.player.velocity, 0.0f, true);
}
