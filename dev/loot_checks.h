// Eye-coin developer checks and the headless half of the loot profile; the scenes they build
// are shared with the windowed captures of dev/loot_capture.h.
#pragma once

#include "campaign/eye_coins.h"
#include "world/camera.h"

constexpr int DEV_LOOT_PROFILE_EYES = 1000;

// `eyes` value-1 eyes (two per death) lying in view of a camera at zoom 20 on `centre`, none
// within 3.5 m of it, settled for three seconds on the pool's ground. True if all were made.
bool DevLootScatter(EyeCoins &coins, MudPool &pool, Vector3 centre, int eyes);
// The player's path during the profile: a small circle round `centre` (step at 60 Hz).
Vector3 DevLootWalker(Vector3 centre, int step);

// "--test-loot": rewards, income, saturation, weights, the magnet edge, the swept pickup, the
// queue and its allocation failure, frozen steps, resting heights at 30, 60 and 144 Hz, and the
// money ledger. 0 when every check holds.
int DevTestLoot();
// The headless half of "--profile-loot": update time of 1000 eyes in view, median and worst of
// many frames; 0 when the median is within 0.2 ms.
int DevProfileLoot();
