// The developer panel drawn over the HUD; needs the window and the interface font.
#pragma once

#include "player/dev_panel.h"

// Draws the panel at full opacity, hover taken from the last input (dev_panel_draw.cpp).
void DevPanelDraw(DevPanel &panel, const DevPanelStats &stats, bool immortal, bool speedTimesTen, float zoom);
