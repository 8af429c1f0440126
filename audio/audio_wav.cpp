// WAV writer.
#include "audio/audio_wav.h"

#include "audio/audio.h"

#include "raylib.h"

#include <cmath>
#include <cstdio>

static void PutU32(uint8_t *p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

static void PutU16(uint8_t *p, uint16_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

void AudioWavHeader(uint8_t out[AUDIO_WAV_HEADER_BYTES], uint32_t frames)
{
    const uint32_t channels = 2, bytesPerSample = 2;
    uint32_t dataBytes = frames * channels * bytesPerSample;
    const uint8_t tags[4][4] = {{'R', 'I', 'F', 'F'}, {'W', 'A', 'V', 'E'}, {'f', 'm', 't', ' '}, {'d', 'a', 't', 'a'}};
    for (int i = 0; i < 4; ++i) out[i] = tags[0][i];
    PutU32(out + 4, 36 + dataBytes);
    for (int i = 0; i < 4; ++i) out[8 + i] = tags[1][i];
    for (int i = 0; i < 4; ++i) out[12 + i] = tags[2][i];
    PutU32(out + 16, 16);                                   // fmt chunk size
    PutU16(out + 20, 1);                                    // PCM
    PutU16(out + 22, (uint16_t)channels);
    PutU32(out + 24, AUDIO_SAMPLE_RATE);
    PutU32(out + 28, AUDIO_SAMPLE_RATE * channels * bytesPerSample);
    PutU16(out + 32, (uint16_t)(channels * bytesPerSample));
    PutU16(out + 34, 16);
    for (int i = 0; i < 4; ++i) out[36 + i] = tags[3][i];
    PutU32(out + 40, dataBytes);
}

int16_t AudioWavSample(float x)
{
    if (!(x == x)) return 0;
    float c = x < -1.0f ? -1.0f : (x > 1.0f ? 1.0f : x);
    return (int16_t)std::lround(c * 32767.0f);
}

bool AudioWavWrite(const char *path, const float *stereo, uint32_t frames)
{
    FILE *file = std::fopen(path, "wb");
    if (!file) {
        TraceLog(LOG_WARNING, "AUDIO: could not open %s for writing", path);
        return false;
    }
    uint8_t header[AUDIO_WAV_HEADER_BYTES];
    AudioWavHeader(header, frames);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    uint8_t chunk[4096];
    uint32_t samples = frames * 2, used = 0;
    for (uint32_t i = 0; i < samples && ok; ++i) {
        uint16_t v = (uint16_t)AudioWavSample(stereo[i]);
        chunk[used++] = (uint8_t)v;
        chunk[used++] = (uint8_t)(v >> 8);
        if (used == sizeof chunk || i + 1 == samples) {
            ok = std::fwrite(chunk, 1, used, file) == used;
            used = 0;
        }
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) TraceLog(LOG_WARNING, "AUDIO: could not write %s", path);
    return ok;
}
