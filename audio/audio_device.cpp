// raylib's audio device and the synthesiser's stream.
#include "audio/audio_device.h"

#include "audio/audio.h"

bool AudioDeviceOpen(AudioDevice &device, AudioCallback callback)
{
    device = AudioDevice{};
    if (!IsAudioDeviceReady()) {
        InitAudioDevice();
        if (!IsAudioDeviceReady()) {
            TraceLog(LOG_WARNING, "AUDIO: no playback device; game remains playable");
            return false;
        }
        device.openedDevice = true;
    }
    SetAudioStreamBufferSizeDefault(512);
    device.stream = LoadAudioStream(AUDIO_SAMPLE_RATE, 32, 2);
    if (!IsAudioStreamValid(device.stream)) {
        TraceLog(LOG_WARNING, "AUDIO: unable to create stereo synthesizer stream");
        if (device.openedDevice) CloseAudioDevice();
        device = AudioDevice{};
        return false;
    }
    SetAudioStreamCallback(device.stream, callback);
    PlayAudioStream(device.stream);
    device.playing = true;
    TraceLog(LOG_INFO, "AUDIO: procedural stereo 48 kHz, 32 music + 32 effect voices, 4 spatial rollers");
    return true;
}

void AudioDeviceClose(AudioDevice &device)
{
    if (device.playing) {
        // Unloading takes raylib's mixer lock, so no callback is running once it returns.
        StopAudioStream(device.stream);
        UnloadAudioStream(device.stream);
    }
    if (device.openedDevice) CloseAudioDevice();
    device = AudioDevice{};
}
