// The exit fade's clock.
#include "audio/exit_fade.h"

#include "common/maths.h"

#include <cmath>

void ExitFadeStart(AudioPublisher &publisher, double now)
{
    if (publisher.exitStarted || !std::isfinite(now)) return;
    publisher.exitStarted = true;
    publisher.exitStart = now;
    AudioStartExitFade((float)EXIT_FADE_SECONDS);
}

float ExitFadeAmount(const AudioPublisher &publisher, double now)
{
    if (!publisher.exitStarted) return 0.0f;
    if (!std::isfinite(now)) return now > 0.0 ? 1.0f : 0.0f;
    double elapsed = now - publisher.exitStart;
    // A frame clock summed from steps lands a hair short of 1.2 s at the frame that should end
    // the fade; without the tolerance the loop would draw one frame too many.
    if (elapsed >= EXIT_FADE_SECONDS - 1e-9) return 1.0f;
    if (elapsed <= 0.0) return 0.0f;
    return Smoothstep((float)(elapsed / EXIT_FADE_SECONDS));
}
