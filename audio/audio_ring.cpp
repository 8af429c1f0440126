// Single-producer single-consumer command ring; see audio_ring.h.
#include "audio/audio_ring.h"

void AudioRingReset(AudioRing &ring, uint32_t start)
{
    for (AudioCommand &slot : ring.slots) slot = AudioCommand{};
    ring.dropped = 0;
    ring.read.store(start);
    ring.write.store(start);
}

uint32_t AudioRingWaiting(const AudioRing &ring)
{
    // Unsigned difference: correct across the 2^32 wrap.
    return ring.write.load() - ring.read.load();
}

bool AudioRingPush(AudioRing &ring, const AudioCommand &command)
{
    uint32_t write = ring.write.load();
    uint32_t waiting = write - ring.read.load();
    uint32_t limit = command.type == AUDIO_COMMAND_CUE ? AUDIO_RING_CUE_LIMIT : AUDIO_RING_CAPACITY;
    if (waiting >= limit) {
        ring.dropped++;
        return false;
    }
    ring.slots[write % AUDIO_RING_CAPACITY] = command;
    ring.write.exchange(write + 1);
    return true;
}

uint32_t AudioRingAcquire(const AudioRing &ring, uint32_t &first)
{
    first = ring.read.load();
    uint32_t waiting = ring.write.load() - first;
    return waiting < AUDIO_RING_CAPACITY ? waiting : AUDIO_RING_CAPACITY;
}

const AudioCommand &AudioRingAt(const AudioRing &ring, uint32_t counter)
{
    return ring.slots[counter % AUDIO_RING_CAPACITY];
}

void AudioRingRelease(AudioRing &ring, uint32_t first, uint32_t count)
{
    ring.read.exchange(first + count);
}
