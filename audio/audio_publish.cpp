// Once-per-frame publication of the audio state and the interface cues.
#include "audio/audio_publish.h"

#include "common/maths.h"

void AudioPublisherReset(AudioPublisher &publisher) { publisher = AudioPublisher{}; }

AudioState AudioPublishState(const AudioPublishInput &input, const AudioState *sceneState)
{
    AudioState state = sceneState ? *sceneState : AudioState{};
    state.context = input.musicContext;
    state.musicVolume = input.musicVolume;
    state.soundVolume = input.soundVolume;
    state.musicOn = input.musicEnabled ? 1 : 0;
    state.soundOn = input.soundEnabled ? 1 : 0;
    state.focused = input.focused ? 1 : 0;
    state.spare = 0;
    return state;
}

int AudioPublishCueId(uint32_t cueType)
{
    if (cueType >= AUDIO_EVENT_HOVER && cueType <= AUDIO_EVENT_PURCHASE) return (int)cueType - 1;
    return -1;
}

float AudioPublishCuePan(float pointerX, float windowWidth)
{
    if (!IsFinite(pointerX) || !IsFinite(windowWidth) || windowWidth <= 0.0f) return 0.0f;
    return ClampSafe((pointerX / windowWidth - 0.5f) * 0.3f, -0.15f, 0.15f);
}

int AudioPublishFrame(AudioPublisher &publisher, const AudioPublishInput &input, const AudioState *sceneState)
{
    AudioPostState(AudioPublishState(input, sceneState));
    if (input.cueSerial == publisher.lastCueSerial) return -1;
    publisher.lastCueSerial = input.cueSerial;
    if (!input.focused || publisher.exitStarted) return -1;
    int id = AudioPublishCueId(input.cueType);
    if (id < 0) return -1;
    AudioPostCue(id, AudioPublishCuePan(input.pointerX, input.windowWidth), 0.68f, 1.0f);
    return id;
}
