// Closing the game fades picture and sound out together over 1.2 s: the picture on the frame
// clock, the sound on the audio thread's own sample clock.
#pragma once

#include "audio/audio_publish.h"

constexpr double EXIT_FADE_SECONDS = 1.2;

// Begins the fade at `now` (GetTime seconds) and asks the audio thread for the same fade; does
// nothing once begun or for a non-finite time.
void ExitFadeStart(AudioPublisher &publisher, double now);
// Progress 0..1: 0 before the start, smoothstep of the elapsed share, exactly 1 from 1.2 s on.
float ExitFadeAmount(const AudioPublisher &publisher, double now);
// The black veil over the whole window at alpha = amount (needs the window; exit_fade_draw.cpp).
void ExitFadeDraw(const AudioPublisher &publisher, double now);
