// Replays: a developer run's per-frame input snapshots and its seed, stored as only what changes
// from one snapshot to the next, with a hash of Field every 60 frames; played back, the same
// snapshots must lead to the same hashes, and the first frame whose hash differs is reported.
//
// The hash covers the run's plain state. Records without padding are hashed as bytes; records
// with padding (the player, health, the shuttle, the soil, the track atlas, the eye coins and
// Field's own members) member by member. What Field points to is hashed by content: the eyes in
// use, and the soil's cells and loose volume in every block that holds clay. Left out on purpose:
// pointers and capacities, and what only the drawing touches (the soil blocks' upload marks, the
// atlas's painting progress, its window corner and GPU objects).
//
// Pure: no window. Files are written and read with the C library.
//
// Index
//   [SECTION] Hash
//   [SECTION] Record
//   [SECTION] Playback
//   [SECTION] Files
#pragma once

#include "app/field.h"
#include "app/input.h"

#include <cstddef>
#include <cstdint>

// [SECTION] Hash

constexpr int REPLAY_HASH_INTERVAL = 60;   // frames between two hashes

// 64-bit hash of the run's plain state (see above).
uint64_t ReplayHashField(const Field &field);

// [SECTION] Record

constexpr uint32_t REPLAY_VERSION = 1;
constexpr int REPLAY_FRAME_LIMIT = 1 << 24;          // snapshots one replay holds at most
constexpr size_t REPLAY_BYTE_LIMIT = (size_t)1 << 28;

// Flags of the run a replay was recorded from, so playback starts it the same way.
enum ReplayFlag : uint32_t {
    REPLAY_CAMPAIGN = 1u,
    REPLAY_MENUS = 2u,
    REPLAY_SOIL = 4u,
    REPLAY_IMMORTAL = 8u,
};

struct Replay {
    uint32_t seed;           // the seed every run of the recording started from
    float dt;                // seconds per frame of the recording
    uint32_t flags;          // ReplayFlag
    int frameCount;          // snapshots recorded
    uint8_t *stream;         // the encoded snapshots (heap)
    size_t size, capacity;
    uint64_t *hashes;        // hashes[k]: Field before frame (k + 1) x 60 (heap)
    int hashCount, hashCapacity;
    FrameInput last;         // the last snapshot recorded
    int unchanged;           // snapshots equal to `last` since the last change (the frame count
                             // covers those after the last change)
    bool full;               // a limit or an allocation failed: the recording stopped
};

// An empty recording of a run started from `seed` with `flags`, at `dt` seconds per frame.
void ReplayBegin(Replay &replay, uint32_t seed, float dt, uint32_t flags);
// Frees the heap; safe twice and on a zeroed record.
void ReplayFree(Replay &replay);
// Records snapshot number frameCount, about to be played on `field`; every 60th also records the
// hash of `field` as it stands before it. False (recording stopped, one log line) when full.
bool ReplayRecord(Replay &replay, const FrameInput &input, const Field &field);

// [SECTION] Playback

struct ReplayCursor {
    const Replay *replay;
    size_t offset;           // next byte of the stream
    int frame;               // snapshots decoded so far
    int repeat;              // snapshots still equal to `current` before the pending change
    bool pending;            // a record's count has been read, its change not yet
    FrameInput current;
    bool broken;             // the stream ended or held something impossible
    int mismatchFrame;       // first frame whose hash differed, -1 while none
    int hashesChecked;
};

void ReplayCursorStart(ReplayCursor &cursor, const Replay &replay);
// The next snapshot into `input`; false once all were given (or the stream is broken).
bool ReplayNext(ReplayCursor &cursor, FrameInput &input);
// Before snapshot `frame` is played on `field`: at every 60th frame compares the recorded hash;
// false at a mismatch (the first is kept in mismatchFrame, with one log line).
bool ReplayCheck(ReplayCursor &cursor, int frame, const Field &field);

// The same recording played at another rate: snapshot `frame` of `dt` seconds takes what was held
// at its start time in the recording and every press whose recorded frame began within it.
struct ReplayResampler {
    ReplayCursor cursor;
    float dt;
    int frame;               // snapshots produced
    FrameInput held;         // the recorded snapshot in force
    bool heldValid;
    bool ended;
};

void ReplayResampleStart(ReplayResampler &resampler, const Replay &replay, float dt);
// False once the recording's time is used up.
bool ReplayResampleNext(ReplayResampler &resampler, FrameInput &input);

// [SECTION] Files

// Writes artifacts-style replay files: a 40-byte header ("GLVRPLAY", version, seed, dt, flags,
// frames, hashes, stream bytes), the stream, the hashes; little-endian. False with one log line.
bool ReplayWriteFile(const Replay &replay, const char *path);
// Reads one into an empty record; false (nothing kept, one log line) for a missing, short,
// corrupt or newer file.
bool ReplayReadFile(Replay &replay, const char *path);
