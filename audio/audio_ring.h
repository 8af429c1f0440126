// The command ring between the game thread (the only producer) and the audio callback (the
// only consumer): 256 fixed slots and two 32-bit atomic counters, no locks. A slot is written
// first and published by advancing the write counter; the consumer advances the read counter
// only after it has applied the slots. Counters wrap modulo 2^32; slot = counter mod 256.
#pragma once

#include "audio/audio.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr uint32_t AUDIO_RING_CAPACITY = 256;
// A cue needs fewer than this many commands waiting, so state and spatial commands always
// find the last 24 slots free.
constexpr uint32_t AUDIO_RING_CUE_LIMIT = 232;

enum AudioCommandType : uint32_t {
    AUDIO_COMMAND_STATE = 0,
    AUDIO_COMMAND_CUE = 1,
    AUDIO_COMMAND_SPATIAL = 2,
    AUDIO_COMMAND_EXIT_FADE = 3,
};

struct AudioCuePayload {
    int32_t id;
    float pan, gain, pitch;
};

struct AudioSpatialPayload {
    int32_t slot;
    float pan, gain, pitch;
};

// One slot: a 32-bit type followed by its payload, 76 bytes.
struct AudioCommand {
    uint32_t type;
    union {
        AudioState state;
        AudioCuePayload cue;
        AudioSpatialPayload spatial;
        float fadeSeconds;
        uint32_t words[18];
    };
};
static_assert(sizeof(AudioCommand) == 76, "a ring slot is 76 bytes");
static_assert(offsetof(AudioCommand, state) == 4);
static_assert(std::atomic<uint32_t>::is_always_lock_free, "the ring needs lock-free counters");

struct AudioRing {
    AudioCommand slots[AUDIO_RING_CAPACITY];
    std::atomic<uint32_t> write;   // advanced by the producer after a slot is written
    std::atomic<uint32_t> read;    // advanced by the consumer after slots are applied
    uint32_t dropped;              // commands refused as full; producer side only
};

// Empties the ring with both counters at `start` (0 in the game; tests start near the wrap).
// Only while no consumer runs.
void AudioRingReset(AudioRing &ring, uint32_t start = 0);
// Producer: appends one command; false (and counted) if the ring is full for its type.
bool AudioRingPush(AudioRing &ring, const AudioCommand &command);
// Commands published and not yet consumed, as the producer sees them.
uint32_t AudioRingWaiting(const AudioRing &ring);
// Consumer: the number of waiting commands (at most 256) starting at counter `first`.
uint32_t AudioRingAcquire(const AudioRing &ring, uint32_t &first);
// Consumer: the slot of counter value `counter`.
const AudioCommand &AudioRingAt(const AudioRing &ring, uint32_t counter);
// Consumer: marks `count` commands from `first` as consumed, freeing their slots.
void AudioRingRelease(AudioRing &ring, uint32_t first, uint32_t count);
