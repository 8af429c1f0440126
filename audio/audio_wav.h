// WAV files of rendered sound: RIFF, 16-bit PCM, 48 000 Hz, stereo.
#pragma once

#include <cstdint>

constexpr int AUDIO_WAV_HEADER_BYTES = 44;

// The 44-byte header of a file holding `frames` stereo frames.
void AudioWavHeader(uint8_t out[AUDIO_WAV_HEADER_BYTES], uint32_t frames);
// One float sample as a 16-bit value: clamped to -1..1, rounded; NaN gives 0.
int16_t AudioWavSample(float x);
// Writes interleaved stereo float frames to `path`; false with one "AUDIO:" warning on failure.
bool AudioWavWrite(const char *path, const float *stereo, uint32_t frames);
