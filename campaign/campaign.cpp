// Campaign: reset, level start, the camera snapshot, the per-frame step, the developer skip and
// the queries.
//
// Index
//   [SECTION] Levels
//   [SECTION] Snapshot
//   [SECTION] Update
//   [SECTION] Queries
#include "campaign/campaign.h"

#include "campaign/bosses.h"
#include "campaign/population.h"
#include "campaign/rows.h"
#include "common/maths.h"

#include <cmath>

// [SECTION] Levels

int CampaignLevelLength(int level) { return level == CAMPAIGN_ROWS_LEVEL ? CAMPAIGN_ROWS_LEVEL_SECONDS : CAMPAIGN_LEVEL_SECONDS; }

void CampaignReset(Campaign &campaign, MudPool &pool)
{
    campaign = {};
    campaign.rng = CAMPAIGN_RNG_SEED;
    // The director alone places creatures in a campaign.
    MudPoolReset(pool, 0);
    CampaignStartLevel(campaign, pool, 1);
}

void CampaignStartLevel(Campaign &campaign, MudPool &pool, int level)
{
    campaign.level = ClampInt(level, 1, CAMPAIGN_LEVEL_COUNT);
    campaign.phase = CAMPAIGN_ORDINARY;
    campaign.clock = 0.0;
    campaign.levelAge = 0.0f;
    campaign.bossCount = 0;
    for (int i = 0; i < CAMPAIGN_MAX_BOSSES; i++) {
        campaign.bossSlot[i] = -1;
        campaign.bossForm[i] = 0;
        campaign.summonFailures[i] = 0;
    }
    campaign.rowWarning = 0;
    campaign.rowWarningTime = 0.0f;
    campaign.rollerCount = 0;
    campaign.rowTimer = ROWS_FIRST_SECONDS;
    campaign.gapLane = 3;
    PopulationApply(campaign, pool);
}

// [SECTION] Snapshot

void CampaignTakeSnapshot(Campaign &campaign, const Camera3D &camera, float aspect)
{
    bool valid = camera.projection == CAMERA_ORTHOGRAPHIC && IsFinite(camera.fovy) && camera.fovy > 1.0f &&
                 IsFinite(aspect) && aspect > 0.1f && IsFinite(camera.position) && IsFinite(camera.target) &&
                 IsFinite(camera.up) && Vector3Distance(camera.position, camera.target) > 0.1f;
    // An invalid view keeps the last good one on record but stops the rows from using it.
    campaign.snapshotValid = valid ? 1 : 0;
    if (!valid) return;
    campaign.cameraSnapshot = camera;
    campaign.aspect = aspect;
}

// [SECTION] Update

// The bosses of each level's gate.
static void GateBosses(Campaign &campaign)
{
    switch (campaign.level) {
    case 1:
        campaign.bossCount = 1;
        campaign.bossForm[0] = 0;  // summoned as the gatherer
        break;
    case 2:
        campaign.bossCount = 1;
        campaign.bossForm[0] = 1;
        break;
    case 3:
        campaign.bossCount = 2;
        campaign.bossForm[0] = 0;
        campaign.bossForm[1] = 1;
        break;
    default:
        campaign.bossCount = 1;
        campaign.bossForm[0] = 2;
        break;
    }
}

static void OpenGate(Campaign &campaign, MudPool &pool)
{
    campaign.phase = CAMPAIGN_GATE;
    campaign.clock = (double)CampaignLevelLength(campaign.level);
    campaign.rowWarning = 0;
    campaign.rowWarningTime = 0.0f;
    campaign.rollerCount = 0;
    for (int i = 0; i < CAMPAIGN_MAX_BOSSES; i++) {
        campaign.bossSlot[i] = -1;
        campaign.bossForm[i] = 0;
        campaign.summonFailures[i] = 0;
    }
    GateBosses(campaign);
    PopulationApply(campaign, pool);
}

CampaignEvents CampaignUpdate(Campaign &campaign, MudPool &pool, const FollowCamera &camera, Vector3 player, float dt)
{
    CampaignEvents events{};
    if (!(dt > 0.0f) || !IsFinite(dt) || !IsFinite(player) || campaign.phase == CAMPAIGN_VICTORY) return events;
    campaign.levelAge = std::fmin(campaign.levelAge + dt, CAMPAIGN_LEVEL_AGE_CAP);

    if (campaign.phase == CAMPAIGN_ORDINARY) {
        double length = (double)CampaignLevelLength(campaign.level);
        campaign.clock = std::fmin(campaign.clock + (double)dt, length);
        if (campaign.clock < length) {
            PopulationApply(campaign, pool);
            if (campaign.level == CAMPAIGN_ROWS_LEVEL) RowsUpdate(campaign, pool, player, camera.viewHeight, dt);
            return events;
        }
        // The step that reaches the length opens the gate and summons in the same update.
        OpenGate(campaign, pool);
        events.gateOpened = true;
    }

    if (!BossEncounterUpdate(campaign, pool, player)) return events;
    MudPoolClearWave(pool);
    if (campaign.level >= CAMPAIGN_FINAL_LEVEL) {
        campaign.phase = CAMPAIGN_VICTORY;
        campaign.levelAge = 0.0f;
        PopulationApply(campaign, pool);
        events.victory = true;
    } else {
        CampaignStartLevel(campaign, pool, campaign.level + 1);
        events.levelStarted = true;
    }
    return events;
}

float CampaignSkipMinute(Campaign &campaign)
{
    if (campaign.phase != CAMPAIGN_ORDINARY || !std::isfinite(campaign.clock)) return 0.0f;
    double length = (double)CampaignLevelLength(campaign.level);
    double next = std::fmin(length, (std::floor(campaign.clock / 60.0) + 1.0) * 60.0);
    double skipped = next - campaign.clock;
    if (!(skipped > 0.0)) return 0.0f;
    campaign.clock = next;
    return (float)skipped;
}

// [SECTION] Queries

double CampaignRemaining(const Campaign &campaign)
{
    double left = (double)CampaignLevelLength(campaign.level) - campaign.clock;
    return std::isfinite(left) && left > 0.0 ? left : 0.0;
}

HudClock CampaignHudClock(const Campaign &campaign)
{
    HudClock clock{};
    clock.phase = campaign.phase;
    // Whole seconds rounded up here, in double: the float the HUD keeps then rounds to itself.
    clock.remaining = campaign.phase == CAMPAIGN_ORDINARY ? (float)std::ceil(CampaignRemaining(campaign)) : 0.0f;
    return clock;
}

float CampaignBannerAlpha(const Campaign &campaign)
{
    float age = campaign.levelAge;
    if (campaign.phase == CAMPAIGN_VICTORY || !(age < CAMPAIGN_BANNER_SECONDS) || !IsFinite(age)) return 0.0f;
    float in = std::fmin(1.0f, std::fmax(0.0f, age) / CAMPAIGN_BANNER_FADE_IN);
    float out = std::fmin(1.0f, (CAMPAIGN_BANNER_SECONDS - age) / CAMPAIGN_BANNER_FADE_OUT);
    return in * out;
}

bool CampaignBossAlive(const Campaign &campaign, const MudPool &pool, int i)
{
    if (i < 0 || i >= ClampInt(campaign.bossCount, 0, CAMPAIGN_MAX_BOSSES)) return false;
    int slot = campaign.bossSlot[i];
    // A slot freed by the boss's collapse and reused by another creature is not this boss.
    return MudPoolBossAlive(pool, slot) && pool.slots[slot].bossIndex == campaign.bossForm[i];
}

int CampaignLivingBosses(const MudPool &pool)
{
    int n = 0;
    for (int i = 0; i < ClampInt(pool.count, 0, MUD_CAPACITY); i++) n += MudPoolBossAlive(pool, i) ? 1 : 0;
    return n;
}

int CampaignLivingRollers(const MudPool &pool)
{
    int n = 0;
    for (int i = 0; i < ClampInt(pool.count, 0, MUD_CAPACITY); i++) {
        const MudSlot &s = pool.slots[i];
        n += s.roller && s.mass > 0.0f && s.state != MUD_FREE && s.state != MUD_CORPSE ? 1 : 0;
    }
    return n;
}

static float PoolGround(const void *context, float x, float z)
{
    return MudGroundHeight(*(const MudPool *)context, x, z);
}

ShipBossView CampaignShipView(const Campaign &campaign, const MudPool &pool)
{
    ShipBossView view{};
    view.level = campaign.level;
    view.phase = campaign.phase;
    view.bossCount = ClampInt(campaign.bossCount, 0, CAMPAIGN_MAX_BOSSES);
    for (int i = 0; i < view.bossCount; i++) {
        int slot = campaign.bossSlot[i];
        view.bossPresent[i] = MudPoolIndexValid(pool, slot) && pool.slots[slot].boss &&
                              pool.slots[slot].bossIndex == campaign.bossForm[i];
        if (view.bossPresent[i]) view.bossPosition[i] = pool.slots[slot].position;
    }
    view.groundHeight = PoolGround;
    view.groundContext = &pool;
    return view;
}
