// Developer self-check of the field workshop, without a window.
#pragma once

// "--test-shop": the price rule against the published list (every upgrade bought out costs 5560),
// refusals that change nothing, the exact price leaving 0, stored levels clamped where used, the
// shop's own buttons, a purchase kept into the next run, and an erase that stays erased when the
// game closes at once. One line per named check and "N passed, N failed"; 0 when all hold.
int DevTestShop();
