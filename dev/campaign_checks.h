// Developer modes of the campaign, without a window.
#pragma once

// "--test-campaign": clock and gates at 30, 60 and 144 Hz, the population table, the developer
// skip, pause and reset, the rolling rows. One line per named check and "N passed, N failed";
// 0 when all hold.
int DevTestCampaign();
// "--test-boss": the boss gates: summons, retries into a full pool, the gatherer's twenty buns,
// the two bosses of level 3, victory, the edge markers. Same output and status.
int DevTestBoss();
// "--benchmark-campaign": the whole campaign through the real game step with an immortal scripted
// player (meteor and blade on a fixed pattern of keys), at 1/30, 1/60 and 1/144 s: each gate's
// opening time, the victory time, and median, p99 and max milliseconds per step. 0 when every
// run reached victory consistently.
int DevBenchmarkCampaign();
// "--benchmark-campaign bot": for ten seeds, the bot's mortal runs through the menus and the shop:
// how far each got (level, time, cause of death), the coins earned, whether it won. 0 when at
// least one seed was won and every session stayed consistent.
int DevBenchmarkCampaignBot();
