#include "dev/replay_checks.h"

#include "dev/bot_run.h"
#include "dev/replay.h"

#include <cmath>
#include <cstdio>
#include <memory>

static void Check(int &passed, int &failed, bool ok, const char *text)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", text);
    (ok ? passed : failed)++;
}

static const char *EventName(int kind)
{
    static const char *const NAMES[] = {"run start", "gate", "level", "victory", "departed", "revive", "death"};
    return kind >= 0 && kind <= BOT_EVENT_DEATH ? NAMES[kind] : "?";
}

// A session played from the replay's snapshots at `dt` (resampled unless it is the recording's).
static std::unique_ptr<BotRun> Play(const Replay &replay, float dt, int *mismatch, int *checked)
{
    auto run = std::make_unique<BotRun>();
    if (!BotRunStart(*run, replay.seed, dt)) return nullptr;
    FrameInput in;
    if (dt == replay.dt) {
        ReplayCursor cursor;
        ReplayCursorStart(cursor, replay);
        for (int frame = 0;; frame++) {
            ReplayCheck(cursor, frame, run->loop.field);
            if (!ReplayNext(cursor, in)) break;
            BotRunStep(*run, in);
        }
        if (mismatch) *mismatch = cursor.mismatchFrame;
        if (checked) *checked = cursor.hashesChecked;
    } else {
        ReplayResampler resampler;
        ReplayResampleStart(resampler, replay, dt);
        while (ReplayResampleNext(resampler, in)) BotRunStep(*run, in);
    }
    return run;
}

int DevTestReplay()
{
    int passed = 0, failed = 0;
    char line[256];
    const uint32_t seed = 10;
    const float dt = 1.0f / 60.0f;

    // The recording: the bot's session until it wins.
    Replay recording{};
    ReplayBegin(recording, seed, dt, REPLAY_CAMPAIGN | REPLAY_MENUS | REPLAY_SOIL);
    auto live = std::make_unique<BotRun>();
    if (!BotRunStart(*live, seed, dt)) return 1;
    for (int i = 0; i < 60 * 60 * 60 && live->tally.wins == 0; i++) BotRunIterate(*live, &recording);
    // Back on the main menu after the victory screen.
    for (int i = 0; i < 180; i++) BotRunIterate(*live, &recording);
    snprintf(line, sizeof(line), "record: seed %u won in %d runs, %d snapshots in %zu bytes and %d hashes", seed,
             live->tally.runs, recording.frameCount, recording.size, recording.hashCount);
    Check(passed, failed, live->tally.wins == 1 && !recording.full, line);

    if (!DirectoryExists("artifacts")) MakeDirectory("artifacts");
    const char *path = "artifacts/replay-bot-seed10.replay";
    Replay loaded{};
    bool io = ReplayWriteFile(recording, path) && ReplayReadFile(loaded, path);
    bool same = io && loaded.frameCount == recording.frameCount && loaded.size == recording.size &&
                loaded.hashCount == recording.hashCount && loaded.seed == seed;
    snprintf(line, sizeof(line), "file: %s written and read back the same (%lld bytes)", path,
             io ? (long long)GetFileLength(path) : -1ll);
    Check(passed, failed, same, line);

    int mismatch = -2, checked = 0;
    auto again = Play(same ? loaded : recording, dt, &mismatch, &checked);
    bool identical = again && mismatch == -1 && checked == recording.hashCount && again->tally.wins == 1;
    if (mismatch >= 0) snprintf(line, sizeof(line), "playback at 1/60 s: Field differs first at frame %d", mismatch);
    else snprintf(line, sizeof(line), "playback at 1/60 s: all %d hashes identical, the win again", checked);
    Check(passed, failed, identical, line);

    // The same snapshots at other rates.
    auto slow = Play(recording, 1.0f / 30.0f, nullptr, nullptr);
    auto fast = Play(recording, 1.0f / 144.0f, nullptr, nullptr);
    if (!slow || !fast) return 1;
    printf("campaign events (seconds of game time in the run) at 1/60, 1/30 and 1/144 s:\n");
    const BotRun *runs[3] = {live.get(), slow.get(), fast.get()};
    int most = 0;
    for (const BotRun *r : runs) most = r->eventCount > most ? r->eventCount : most;
    for (int k = 0; k < most; k++) {
        printf("  %2d", k);
        for (const BotRun *r : runs) {
            if (k < r->eventCount)
                printf("  %-9s L%d %8.3f", EventName(r->events[k].kind), r->events[k].level, r->events[k].time);
            else
                printf("  %-9s    %8s", "-", "");
        }
        printf("\n");
    }
    // The first run's gates are clock events: they must open at the same game time at every
    // rate while the runs agree on what happened before them.
    for (int r = 1; r < 3; r++) {
        const BotRun *other = runs[r];
        int agree = 0;
        bool gatesMatch = true;
        for (int k = 0; k < live->eventCount && k < other->eventCount; k++) {
            const BotEvent &a = live->events[k], &b = other->events[k];
            if (a.kind != b.kind || a.level != b.level) break;
            if (a.kind == BOT_EVENT_GATE && std::fabs(a.time - b.time) > (double)other->dt + 1e-6) gatesMatch = false;
            agree++;
        }
        snprintf(line, sizeof(line), "1/%s s: the first %d events agree with the recording; gates within one frame",
                 r == 1 ? "30" : "144", agree);
        Check(passed, failed, gatesMatch && agree >= 2, line);
    }
    printf("%d passed, %d failed\n", passed, failed);
    BotRunRelease(*live);
    BotRunRelease(*again);
    BotRunRelease(*slow);
    BotRunRelease(*fast);
    ReplayFree(recording);
    ReplayFree(loaded);
    return failed == 0 ? 0 : 1;
}
