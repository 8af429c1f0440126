// The exit fade's veil.
#include "audio/exit_fade.h"

#include "raylib.h"

#include <cmath>

void ExitFadeDraw(const AudioPublisher &publisher, double now)
{
    float amount = ExitFadeAmount(publisher, now);
    if (amount <= 0.0f) return;
    unsigned char alpha = (unsigned char)std::lround(amount * 255.0f);
    DrawRectangle(0, 0, GetScreenWidth(), GetScreenHeight(), Color{0, 0, 0, alpha});
}
