// Developer self-check, capture and benchmark modes: scripted runs of the real game that write
// images and reports under artifacts/, and self-checks without a window.
#pragma once

#include "app/app.h"
#include "app/command_line.h"

// Runs a self-check that needs no window; its exit status. Unknown ones end with 2.
int DevRunSelfCheck(const CommandLine &command);
// Prepares a windowed developer run before the window opens; false if the mode is not built.
bool DevConfigure(App &app, const CommandLine &command);
// Runs the configured mode once start-up has finished (the loop, or a capture of its own).
int DevRunWindowed(App &app);
// Called after every game frame of a developer run (traces).
void DevAfterFrame(App &app);
