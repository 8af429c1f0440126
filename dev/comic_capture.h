// "--capture-comic": the opening comic played as a first launch through the menus' input and
// frame at 60 Hz, one PNG of the window every second from 0.5 s to 12.5 s under artifacts/.
// Needs the open window and the interface font.
#pragma once

struct App;

// 0 when every picture was written, 1 otherwise; `gamepad` plays and draws it in gamepad mode.
int ComicCaptureStills(App &app, bool gamepad);
