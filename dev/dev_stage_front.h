// Staged captures of the front end, played through the real menus from the main menu: the run's
// profile is the developer one, never read from or written to a file. Each is one function over
// the hooks of dev/dev_stage.h. Pure.
#pragma once

#include "dev/dev_stage.h"

// "--capture-shop": the shop with a wallet given at the start; levels bought to the last one,
// others bought and refused, every button state (affordable, too dear, bought out), then a new
// run that has the levels bought.
void DevStageFrontShop(DevStage &stage, Field &field, DevStageHook hook);
