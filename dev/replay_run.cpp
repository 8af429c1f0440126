#include "dev/replay_run.h"

#include <cstdio>

bool ReplayRunOpen(ReplayRun &run, const char *path)
{
    ReplayRunFree(run);
    if (!ReplayReadFile(run.replay, path)) return false;
    ReplayCursorStart(run.cursor, run.replay);
    run.playing = true;
    return true;
}

void ReplayRunRecord(ReplayRun &run, uint32_t seed, float dt, uint32_t flags)
{
    ReplayRunFree(run);
    ReplayBegin(run.replay, seed, dt, flags);
    run.recording = true;
}

uint32_t ReplayRunFlags(const Field &field, bool menus, bool soil)
{
    uint32_t flags = 0;
    if (field.loop.campaign) flags |= REPLAY_CAMPAIGN;
    if (field.loop.immortal) flags |= REPLAY_IMMORTAL;
    if (menus) flags |= REPLAY_MENUS;
    if (soil) flags |= REPLAY_SOIL;
    return flags;
}

void ReplayRunInput(ReplayRun &run, int iteration, const Field &field, FrameInput &input)
{
    if (run.recording) {
        ReplayRecord(run.replay, input, field);
        return;
    }
    if (!run.playing) return;
    ReplayCheck(run.cursor, iteration, field);
    bool close = input.closeRequested;
    FrameInput next;
    if (ReplayNext(run.cursor, next)) input = next;
    else run.ended = true;
    input.closeRequested = input.closeRequested || close;
}

bool ReplayRunFinish(ReplayRun &run, int iteration, const Field &field, const char *path, int *status)
{
    if (run.playing) {
        ReplayCheck(run.cursor, iteration, field);
        if (run.cursor.mismatchFrame >= 0) {
            printf("replay: Field differs from the recording first at frame %d (%d hashes checked)\n",
                   run.cursor.mismatchFrame, run.cursor.hashesChecked);
            if (status) *status = 3;
        } else {
            printf("replay: %d frames, all %d hashes identical to the recording\n", run.cursor.frame,
                   run.cursor.hashesChecked);
        }
        return true;
    }
    if (!run.recording || !path) return true;
    return ReplayWriteFile(run.replay, path);
}

void ReplayRunFree(ReplayRun &run)
{
    ReplayFree(run.replay);
    run = {};
}
