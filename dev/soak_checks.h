// The soak: the bot playing for a long time headless through the menus and the game step.
#pragma once

// "--soak [seconds]": `seconds` of game time (1..86400, one hour when absent) at 1/60 s of bot
// play: every consistency check holds, no float of Field is ever non-finite (records every frame,
// the soil's grids every ten seconds), every pool, queue and ring stays within its capacity, and
// resident memory does not grow after the first minute (sampled every minute and printed). One
// line per named check and "N passed, N failed"; 0 when all hold, 2 for a bad argument.
int DevSoak(const char *seconds);
