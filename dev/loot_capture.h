// Eye-coin developer modes with a window: pictures of the loot and the draw-time half of the
// loot profile. Both need the open window, the compiled scene shaders and the interface font,
// and write only under artifacts/.
#pragma once

struct App;

// "--capture-loot": eyes popping out of two kills, bouncing, glowing and pulled into the
// player; a roller's burst of ten; the counter flashing; a thousand eyes in view, drawn both
// instanced and through the batch and compared. 0 on success, 1 otherwise.
int LootCaptureStills(App &app);
// "--profile-loot": the headless update figures (DevProfileLoot), then the time to draw 1000
// eyes in view into a 1280 x 720 scene target, instanced and through the batch, written also to
// artifacts/profile-loot.txt. 0 when both targets hold, 1 otherwise.
int LootProfile(App &app);
