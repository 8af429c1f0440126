// The one place that calls raylib's audio layer: opening the device and the synthesiser's
// stream, and closing them again. Game thread only.
#pragma once

#include "raylib.h"

struct AudioDevice {
    AudioStream stream;
    bool openedDevice;   // this module initialised raylib's device and must close it
    bool playing;        // the stream exists and has been started
};

// Opens raylib's device if it is not ready, then a 48 kHz 32-bit stereo stream with a 512-frame
// buffer request, installs `callback` and starts it. False with one warning ("no playback
// device" or "unable to create stereo synthesizer stream"), the device closed again if this call
// opened it.
bool AudioDeviceOpen(AudioDevice &device, AudioCallback callback);
// Stops and unloads the stream and closes the device if AudioDeviceOpen opened it. After it
// returns the callback no longer runs. Safe on a device that never opened, and twice.
void AudioDeviceClose(AudioDevice &device);
