// Developer self-check of the display arithmetic ("--test-display", no window): the 16:9
// letterbox and the scene's render size over the window sizes players have, and the render-scale
// steps the settings offer.
#pragma once

// Prints one line per check and "N passed, N failed"; 0 when all hold.
int DevTestDisplay();
