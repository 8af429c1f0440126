// The bot playing whole sessions headless: the main menu, a mortal run with the campaign, death,
// the menu again, the shop, the next run, through the real menus and the real game step. It
// keeps a summary of every run (how far it got, what killed it, what it earned, whether it won),
// a log of the campaign's events with their game times, and tallies of what was exercised.
// Pure: no window.
#pragma once

#include "dev/bot.h"
#include "dev/dev_loop.h"
#include "dev/replay.h"

#include <cstdint>

constexpr int BOT_RUN_SUMMARY_CAPACITY = 64;
constexpr int BOT_RUN_EVENT_CAPACITY = 256;

// What took the astronaut's last heart.
enum BotCause : int32_t {
    BOT_CAUSE_NONE = 0,
    BOT_CAUSE_METEOR,     // its own meteor
    BOT_CAUSE_BLADE,      // its own returning blade
    BOT_CAUSE_BUN,
    BOT_CAUSE_WALKER,
    BOT_CAUSE_GOLEM,
    BOT_CAUSE_ROLLER,
    BOT_CAUSE_BOSS,
    BOT_CAUSE_COUNT
};

// The cause's name for reports ("meteor", "blade", "bun", ...).
const char *BotCauseName(int cause);

struct BotRunSummary {
    int level;              // campaign level reached
    int phase;              // its phase then: 0 clock, 1 boss gate, 2 victory
    double levelClock;      // seconds of that level
    double runTime;         // seconds alive
    int cause;              // BotCause of the death; none for a win or a run still going
    uint64_t coinsEarned;   // eyes collected into the wallet during the run
    int revives;            // revives spent
    bool won;               // the shuttle left with the astronaut
};

enum BotEventKind : int32_t {
    BOT_EVENT_RUN_START,
    BOT_EVENT_GATE,         // a level's boss gate opened
    BOT_EVENT_LEVEL,        // the next level began
    BOT_EVENT_VICTORY,      // the last boss died
    BOT_EVENT_DEPARTED,     // the shuttle left
    BOT_EVENT_REVIVE,
    BOT_EVENT_DEATH,
};

struct BotEvent {
    int kind;               // BotEventKind
    int level;
    int frame;              // game frames since the run began
    double time;            // frame steps summed since the run began (in double), seconds
};

// What the session exercised.
struct BotTally {
    int runs, deaths, revives, wins;
    int blows;              // blows the astronaut took from creatures
    int ownBlows;           // from its own meteors and blades
    int bossesKilled;
    int gates;
    int rowsSpawned;        // rolling rows launched, summed over runs
    uint64_t coinsEarned;
    int purchases;          // shop levels bought
    int meteorStrikes;      // creature strikes of the meteors
    int bladeCuts;
};

struct BotRun {
    DevLoop loop;
    Bot bot;
    BotSight sight;
    BotMenuSight menuSight;
    float dt;               // seconds per frame
    double gameTime;        // frame steps summed over the session, seconds
    BotRunSummary runs[BOT_RUN_SUMMARY_CAPACITY];
    int runCount;           // summaries kept (the first BOT_RUN_SUMMARY_CAPACITY runs)
    BotRunSummary current;
    bool playing;           // a run started from the menu is under way
    bool ended;             // ...and has ended (death or departure): `current` holds its summary
    int runFrames;          // game frames of the current run
    double runClock;        // their frame steps summed, in double
    uint64_t walletAtStart;
    int lastCause;
    BotEvent events[BOT_RUN_EVENT_CAPACITY];
    int eventCount;
    BotTally tally;
};

// A session on `seed` at `dt` seconds per frame with the campaign, the menus and the soil; false
// if the soil cannot be made.
bool BotRunStart(BotRun &run, uint32_t seed, float dt);
// One loop iteration: the bot looks, the loop steps. With `record`, the snapshot is recorded.
void BotRunIterate(BotRun &run, Replay *record);
// One loop iteration with a snapshot from elsewhere (a replay), told apart as the bot's own are.
void BotRunStep(BotRun &run, const FrameInput &input);
// Frees the session's heap.
void BotRunRelease(BotRun &run);
// The summary of the run under way, as it stands.
BotRunSummary BotRunCurrent(const BotRun &run);
