// "--capture-menu": the menus drawn into the window, one PNG per screen and dialog under
// artifacts/. Needs the open window, the interface font and the compiled scene shaders (the pause
// is drawn over the frozen game).
#pragma once

struct App;

// Keyboard focus and mouse pictures of the main menu, the shop, the pause and the three dialogs;
// with `gamepad`, the gamepad pictures instead. 0 when every picture was written, 1 otherwise.
int MenuCaptureStills(App &app, bool gamepad);
