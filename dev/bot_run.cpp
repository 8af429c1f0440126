#include "dev/bot_run.h"

#include "common/maths.h"

#include <cmath>

const char *BotCauseName(int cause)
{
    static const char *const NAMES[BOT_CAUSE_COUNT] = {"-", "meteor", "blade", "bun", "walker", "golem", "roller", "boss"};
    return cause >= 0 && cause < BOT_CAUSE_COUNT ? NAMES[cause] : "?";
}

bool BotRunStart(BotRun &run, uint32_t seed, float dt)
{
    BotRunRelease(run);
    run = {};
    run.dt = dt;
    DevLoopOptions options{};
    options.seed = seed;
    options.campaign = true;
    options.menus = true;
    options.soil = true;
    if (!DevLoopStart(run.loop, options)) return false;
    BotReset(run.bot, seed ^ 0x5BD1E995u);
    return true;
}

void BotRunRelease(BotRun &run) { DevLoopRelease(run.loop); }

static void Log(BotRun &run, int kind)
{
    if (run.eventCount >= BOT_RUN_EVENT_CAPACITY) return;
    run.events[run.eventCount++] = {kind, run.loop.field.campaign.level, run.runFrames, run.runClock};
}

BotRunSummary BotRunCurrent(const BotRun &run)
{
    BotRunSummary s = run.current;
    const Field &f = run.loop.field;
    if (run.playing && !run.ended) {
        s.level = f.campaign.level;
        s.phase = f.campaign.phase;
        s.levelClock = f.campaign.clock;
        s.runTime = f.runTime;
        s.revives = f.shop.revivesUsed;
        s.coinsEarned = f.coins.wallet > run.walletAtStart ? f.coins.wallet - run.walletAtStart : 0;
    }
    return s;
}

static void CloseRun(BotRun &run)
{
    if (!run.playing) return;
    BotRunSummary s = BotRunCurrent(run);
    run.current = s;
    run.tally.coinsEarned += s.coinsEarned;
    if (run.runCount < BOT_RUN_SUMMARY_CAPACITY) run.runs[run.runCount++] = s;
    run.playing = false;
}

// The kind of creature nearest the astronaut when a blow landed.
static int CreatureCause(const Field &f)
{
    int cause = BOT_CAUSE_BUN;
    float best = 1e30f;
    for (int i = 0; i < f.mud.count && i < MUD_CAPACITY; i++) {
        const MudSlot &s = f.mud.slots[i];
        if (!(s.mass > 0.0f) || s.state == MUD_FREE || s.state == MUD_CORPSE) continue;
        float d = LengthXZ(s.position - f.player.position) - MudBodyScale(s);
        if (d >= best) continue;
        best = d;
        if (s.boss) cause = BOT_CAUSE_BOSS;
        else if (s.roller) cause = BOT_CAUSE_ROLLER;
        else cause = BOT_CAUSE_BUN + MudFormClass(s.mass);
    }
    return cause;
}

void BotRunIterate(BotRun &run, Replay *record)
{
    DevLoop &loop = run.loop;
    Field &f = loop.field;

    // The bot sees the screen the loop left and answers with this frame's snapshot.
    FrameInput input;
    if (loop.flow.menuVisible) {
        BotMenuSee(loop.menu, loop.profile, f.loop.runActive, DEV_LOOP_WIDTH, DEV_LOOP_HEIGHT, run.menuSight);
        BotMenu(run.bot, run.menuSight, run.dt, input);
    } else {
        float moved = loop.stepped ? loop.result.steps.mud : 0.0f;
        BotSee(f, moved, loop.letterbox, run.sight);
        BotPlay(run.bot, run.sight, run.dt, {loop.letterbox.x, loop.letterbox.y}, input);
    }
    if (record) ReplayRecord(*record, input, f);
    BotRunStep(run, input);
}

void BotRunStep(BotRun &run, const FrameInput &input)
{
    DevLoop &loop = run.loop;
    Field &f = loop.field;

    // What the step changes, to tell what happened.
    int quarters = f.health.quarters, revives = f.shop.revivesUsed, level = f.campaign.level, phase = f.campaign.phase;
    int purchases = 0, levelsBefore = 0;
    for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) levelsBefore += loop.profile.shop.level[i];
    bool meteorHit[METEOR_CAPACITY], spikeHit[SPIKE_CAPACITY];
    for (int i = 0; i < METEOR_CAPACITY; i++) meteorHit[i] = f.meteors.slots[i].active && f.meteors.slots[i].playerHit;
    for (int i = 0; i < SPIKE_CAPACITY; i++) spikeHit[i] = f.spikes.slots[i].active && f.spikes.slots[i].playerHit;
    uint32_t meteorStrikes = f.meteors.mudHits, bladeCuts = f.spikes.mudHits;
    int rows = f.campaign.rowsSpawned;
    bool bosses[2] = {CampaignBossAlive(f.campaign, f.mud, 0), CampaignBossAlive(f.campaign, f.mud, 1)};

    DevLoopIterate(loop, input);
    for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) purchases += loop.profile.shop.level[i];
    run.tally.purchases += purchases - levelsBefore > 0 ? purchases - levelsBefore : 0;
    if (!loop.stepped) return;
    const FieldStepResult &r = loop.result;
    run.gameTime += r.steps.frame;

    if (r.runReset) {
        CloseRun(run);
        if (!r.deathReset && f.loop.runActive) {
            run.playing = true;
            run.current = {};
            run.ended = false;
            run.runFrames = 0;
            run.runClock = 0.0;
            run.walletAtStart = f.coins.wallet;
            run.lastCause = BOT_CAUSE_NONE;
            run.tally.runs++;
            Log(run, BOT_EVENT_RUN_START);
        }
        return;
    }
    if (!run.playing) return;
    run.runFrames++;
    run.runClock += (double)r.steps.frame;

    // Blows: a heart from the bot's own meteor or blade, a quarter from a creature.
    if (f.health.quarters < quarters) {
        int cause = BOT_CAUSE_NONE;
        for (int i = 0; i < METEOR_CAPACITY && !cause; i++)
            if (!meteorHit[i] && f.meteors.slots[i].active && f.meteors.slots[i].playerHit) cause = BOT_CAUSE_METEOR;
        for (int i = 0; i < SPIKE_CAPACITY && !cause; i++)
            if (!spikeHit[i] && f.spikes.slots[i].active && f.spikes.slots[i].playerHit) cause = BOT_CAUSE_BLADE;
        if (cause) run.tally.ownBlows++;
        else run.tally.blows++;
        run.lastCause = cause ? cause : CreatureCause(f);
    }
    if (f.shop.revivesUsed > revives) {
        run.tally.revives++;
        Log(run, BOT_EVENT_REVIVE);
    }
    if (quarters > 0 && f.health.quarters == 0 && f.shop.revivesUsed >= ShopRevives(&f.shop)) {
        run.tally.deaths++;
        run.current = BotRunCurrent(run);
        run.current.cause = run.lastCause;
        run.ended = true;
        Log(run, BOT_EVENT_DEATH);
    }
    // The counters start again when the victory clears the abilities.
    if (f.meteors.mudHits >= meteorStrikes) run.tally.meteorStrikes += (int)(f.meteors.mudHits - meteorStrikes);
    if (f.spikes.mudHits >= bladeCuts) run.tally.bladeCuts += (int)(f.spikes.mudHits - bladeCuts);
    if (f.campaign.rowsSpawned > rows) run.tally.rowsSpawned += f.campaign.rowsSpawned - rows;

    // The campaign's events. A boss alive before the step and not after it died in it (a cleared
    // gate moves the level on, which forgets its slots).
    for (int b = 0; b < 2; b++)
        if (bosses[b] && !(f.campaign.level == level && CampaignBossAlive(f.campaign, f.mud, b))) run.tally.bossesKilled++;
    if (phase == CAMPAIGN_ORDINARY && f.campaign.phase == CAMPAIGN_GATE) {
        run.tally.gates++;
        Log(run, BOT_EVENT_GATE);
    }
    if (f.campaign.level > level) Log(run, BOT_EVENT_LEVEL);
    if (r.victoryEntered) Log(run, BOT_EVENT_VICTORY);
    if (r.departed) {
        run.current = BotRunCurrent(run);
        run.current.won = true;
        run.ended = true;
        run.tally.wins++;
        Log(run, BOT_EVENT_DEPARTED);
        CloseRun(run);
    }
}
