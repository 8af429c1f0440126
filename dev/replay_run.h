// A windowed developer run's replay: every run records its snapshots and seed, and "--replay
// FILE" plays a file back through the real loop, checking Field's hash every 60 frames. The loop
// hooks call these; the run record keeps one ReplayRun. Pure: no window.
#pragma once

#include "dev/replay.h"

struct ReplayRun {
    Replay replay;
    ReplayCursor cursor;
    bool playing;             // the snapshots come from a file
    bool recording;           // the snapshots are being recorded
    bool ended;               // playing: the file has no more snapshots
};

// Playback of `path`; false (one log line) when it cannot be read.
bool ReplayRunOpen(ReplayRun &run, const char *path);
// Recording of a run started from `seed` at `dt` seconds per frame.
void ReplayRunRecord(ReplayRun &run, uint32_t seed, float dt, uint32_t flags);
// The flags of a run as it stands: campaign and immortality from the field, the screens and the
// soil as the run has them.
uint32_t ReplayRunFlags(const Field &field, bool menus, bool soil);
// At the start of loop iteration `iteration`, once the input has been read: playing, checks the
// hash of `field` and replaces `input` with the file's snapshot (a close request from the window
// is kept); recording, records `input`.
void ReplayRunInput(ReplayRun &run, int iteration, const Field &field, FrameInput &input);
// After the loop: playing, the last hash is checked and one line reports the playback (status 3
// on a mismatch); recording, the file is written to `path`. False if the file could not be written.
bool ReplayRunFinish(ReplayRun &run, int iteration, const Field &field, const char *path, int *status);
void ReplayRunFree(ReplayRun &run);
