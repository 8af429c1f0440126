// The once-per-frame publisher: turns the front end's music context, the audio preferences, the
// focus flag and the scene observer's mood values into one AudioState, and a new interface event
// of the menus into one cue. It also holds the exit fade's clock (exit_fade.h).
#pragma once

#include "audio/audio.h"

#include <cstdint>

struct AudioPublisher {
    int32_t lastCueSerial;   // the menu's cueSerial already turned into a sound
    bool exitStarted;        // the exit fade has begun
    double exitStart;        // GetTime() seconds at which it began
};

// Menu interface events, as the menus number them.
enum AudioInterfaceEvent : uint32_t {
    AUDIO_EVENT_NONE = 0,
    AUDIO_EVENT_HOVER = 1,
    AUDIO_EVENT_ACCEPT = 2,
    AUDIO_EVENT_BACK = 3,
    AUDIO_EVENT_DENIAL = 4,
    AUDIO_EVENT_SLIDER_TICK = 5,
    AUDIO_EVENT_PURCHASE = 6,
};

// What the front end hands over each frame; filled from the menu state and the profile.
struct AudioPublishInput {
    int32_t musicContext;    // the menus' music context id 0..9
    float musicVolume;       // profile, 0..1
    float soundVolume;       // profile, 0..1
    bool musicEnabled;       // profile mute switches
    bool soundEnabled;
    bool focused;            // the window has focus
    uint32_t cueType;        // the menus' last interface event (AudioInterfaceEvent)
    int32_t cueSerial;       // incremented by the menus with every event
    float pointerX;          // pointer x in window pixels
    float windowWidth;       // window width in pixels
};

// Zeroes the publisher (start-up; the exit fade is never restarted afterwards).
void AudioPublisherReset(AudioPublisher &publisher);
// The frame's state: the scene's mood values (all zero without a scene) with the context,
// volumes, switches and focus of `input` written over them.
AudioState AudioPublishState(const AudioPublishInput &input, const AudioState *sceneState);
// The cue id of an interface event type, -1 for a type that makes no sound.
int AudioPublishCueId(uint32_t cueType);
// Stereo position of an interface cue: follows the pointer across the window, within +-0.15.
float AudioPublishCuePan(float pointerX, float windowWidth);
// Posts the frame's state, then the menus' new interface event as a cue unless the window is
// unfocused or the exit fade has begun (the event is then consumed silently). Returns the cue id
// posted, or -1.
int AudioPublishFrame(AudioPublisher &publisher, const AudioPublishInput &input, const AudioState *sceneState);
