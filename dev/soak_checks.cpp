#include "dev/soak_checks.h"

#include "dev/bot_run.h"
#include "dev/soak.h"

#include <cstdio>
#include <cstring>
#include <memory>

// Digits only, 1..86400.
static bool ParseSeconds(const char *text, int &out)
{
    if (!text) {
        out = 3600;
        return true;
    }
    long long v = 0;
    if (!*text) return false;
    for (const char *c = text; *c; c++) {
        if (*c < '0' || *c > '9') return false;
        v = v * 10 + (*c - '0');
        if (v > 86400) return false;
    }
    if (v < 1) return false;
    out = (int)v;
    return true;
}

static void Check(int &passed, int &failed, bool ok, const char *text)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", text);
    (ok ? passed : failed)++;
}

// The soil's grids come zeroed from the allocator and become resident page by page as clay first
// lands on them; writing their zeros once makes the samples show growth rather than first touch.
static void CommitSoil(Soil &soil)
{
    if (soil.cells) memset(soil.cells, 0, sizeof(SoilCell) * SOIL_CELL_COUNT);
    if (soil.volume) memset(soil.volume, 0, sizeof(float) * SOIL_CELL_COUNT);
    if (soil.delta) memset(soil.delta, 0, sizeof(SoilDelta) * SOIL_CELL_COUNT);
    if (soil.staging) memset(soil.staging, 0, sizeof(SoilCell) * SOIL_STAGING_TEXELS);
}

constexpr uint64_t SOAK_MEMORY_SLACK = 1u << 20;   // bytes of page-level noise allowed

int DevSoak(const char *secondsText)
{
    int seconds = 0;
    if (!ParseSeconds(secondsText, seconds)) {
        TraceLog(LOG_ERROR, "DEV: --soak takes seconds of game time from 1 to 86400, not \"%s\"", secondsText);
        return 2;
    }
    auto run = std::make_unique<BotRun>();
    if (!BotRunStart(*run, 1u, 1.0f / 60.0f)) return 1;
    CommitSoil(run->loop.field.soil);
    const int frames = seconds * 60;
    char where[160] = "", what[160] = "";
    bool finite = true, bounded = true;
    int finiteFrame = -1, boundFrame = -1;
    uint64_t firstMinute = 0, highest = 0;
    int grewAt = -1;
    printf("soak: %d s of game at 1/60 s, seed 1\n", seconds);
    for (int i = 0; i < frames; i++) {
        BotRunIterate(*run, nullptr);
        const Field &f = run->loop.field;
        // The soil's 5 million floats every ten seconds, the records every frame.
        bool heap = i % 600 == 599 || i == frames - 1;
        if (finite && !SoakFinite(f, heap, where, sizeof(where))) {
            finite = false;
            finiteFrame = i;
        }
        if (bounded && !SoakWithinCapacity(f, what, sizeof(what))) {
            bounded = false;
            boundFrame = i;
        }
        if (i % 3600 == 3599 || i == frames - 1) {
            uint64_t rss = SoakResidentBytes();
            BotRunSummary s = BotRunCurrent(*run);
            printf("minute %3d: resident %.2f MiB; run %d, level %d, %d eyes, %d creatures slots used\n", i / 3600 + 1,
                   (double)rss / 1048576.0, run->tally.runs, s.level, (int)f.coins.count, f.mud.count);
            fflush(stdout);
            if (i == 3599) firstMinute = rss;
            if (i > 3599 && rss > highest) highest = rss;
            if (i > 3599 && firstMinute && rss > firstMinute + SOAK_MEMORY_SLACK && grewAt < 0) grewAt = i / 3600 + 1;
        }
    }
    const BotTally &t = run->tally;
    printf("exercised: %d runs, %d deaths, %d revives, %d wins, %d creature blows, %d own blows, %d bosses killed, %d "
           "rows, %llu coins earned, %d levels bought\n",
           t.runs, t.deaths, t.revives, t.wins, t.blows, t.ownBlows, t.bossesKilled, t.rowsSpawned,
           (unsigned long long)t.coinsEarned, t.purchases);

    int passed = 0, failed = 0;
    char line[320];
    snprintf(line, sizeof(line), "consistency: every frame's check held (%d game frames)%s", run->loop.frameCount,
             run->loop.consistent ? "" : "; first failure noted above");
    if (!run->loop.consistent)
        snprintf(line, sizeof(line), "consistency: first failure at game frame %d", run->loop.firstInconsistent);
    Check(passed, failed, run->loop.consistent, line);
    if (finite) snprintf(line, sizeof(line), "finite: every float of Field, every frame");
    else snprintf(line, sizeof(line), "finite: %s is not finite at frame %d", where, finiteFrame);
    Check(passed, failed, finite, line);
    if (bounded) snprintf(line, sizeof(line), "capacities: pools, queues and rings within bounds every frame");
    else snprintf(line, sizeof(line), "capacities: %s at frame %d", what, boundFrame);
    Check(passed, failed, bounded, line);
    bool flat = grewAt < 0;
    if (seconds <= 60) {
        snprintf(line, sizeof(line), "memory: a run this short has no sample after the first minute");
    } else if (flat) {
        snprintf(line, sizeof(line), "memory: resident %.2f MiB after the first minute, at most %.2f MiB later",
                 (double)firstMinute / 1048576.0, (double)highest / 1048576.0);
    } else {
        snprintf(line, sizeof(line), "memory: resident grew from %.2f MiB past %.2f MiB by minute %d",
                 (double)firstMinute / 1048576.0, (double)(firstMinute + SOAK_MEMORY_SLACK) / 1048576.0, grewAt);
    }
    Check(passed, failed, flat, line);
    printf("%d passed, %d failed\n", passed, failed);
    BotRunRelease(*run);
    return failed == 0 ? 0 : 1;
}
