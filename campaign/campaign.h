// Campaign: four timed levels, each ending at a boss gate, then victory. This record holds the
// level clock, the phase machine, the population row handed to the mudling pool, the bosses of
// the gate and the rolling-row state of the third level (campaign/population.h,
// campaign/bosses.h, campaign/rows.h work on it).
//
// Pure simulation: the camera, the aspect and the player come in as arguments. The record has no
// pointers and no implicit padding, so a reset can be compared with a fresh start byte for byte.
//
// Index
//   [SECTION] Constants
//   [SECTION] Record
//   [SECTION] Interface
//   [SECTION] Queries
#pragma once

#include "campaign/ship.h"
#include "mud/mud_pool.h"
#include "player/hud_layout.h"
#include "raylib.h"
#include "world/camera.h"

#include <cstdint>

// [SECTION] Constants

constexpr int CAMPAIGN_LEVEL_COUNT = 4;
constexpr int CAMPAIGN_LEVEL_SECONDS = 90;        // ordinary phase of levels 1, 2 and 4
constexpr int CAMPAIGN_ROWS_LEVEL = 3;            // the level of rolling rows, with no ordinary creatures
constexpr int CAMPAIGN_ROWS_LEVEL_SECONDS = 60;
constexpr int CAMPAIGN_FINAL_LEVEL = 4;           // its boss's death is the victory
constexpr int CAMPAIGN_MAX_BOSSES = 2;            // bosses of one gate
constexpr uint32_t CAMPAIGN_RNG_SEED = 0x8D415A21u;
constexpr float CAMPAIGN_LEVEL_AGE_CAP = 10.0f;   // seconds; levelAge only drives the banner
constexpr float CAMPAIGN_BANNER_SECONDS = 3.6f;   // the level banner shows this long
constexpr float CAMPAIGN_BANNER_FADE_IN = 0.22f;
constexpr float CAMPAIGN_BANNER_FADE_OUT = 0.8f;
constexpr int ROWS_LANES = 9;                     // lanes of a row; two of them are the gap
constexpr int ROWS_ROLLERS = 7;                   // rollers of a row

enum CampaignPhase : int32_t {
    CAMPAIGN_ORDINARY = 0,   // the clock runs
    CAMPAIGN_GATE = 1,       // the clock stands at the level length while the bosses live
    CAMPAIGN_VICTORY = 2,    // final: nothing more happens
};

// [SECTION] Record

struct Campaign {
    // The clock is double: a float sum of 1/30, 1/60 or 1/144 s steps reaches 90 s a frame late.
    double clock;                 // seconds of the current level, 0..level length
    int32_t level;                // 1..4
    int32_t phase;                // CampaignPhase
    float levelAge;               // seconds since the level started, capped at 10; 0 at victory
    int32_t targetBuns, targetWalkers, targetGolems;  // the population row handed to the pool
    int32_t bossSlot[CAMPAIGN_MAX_BOSSES];   // pool slot of each boss of the gate; -1 until summoned
    int32_t bossForm[CAMPAIGN_MAX_BOSSES];   // 0 bun boss, 1 walker boss, 2 golem boss
    int32_t bossCount;                       // bosses of the current gate: 0, 1 or 2
    int32_t summonFailures[CAMPAIGN_MAX_BOSSES];  // updates in which each boss found no place
    int32_t rowsSpawned;          // rolling rows launched in this run
    uint32_t rng;                 // LCG state of the rows

    // Rolling rows.
    float rowTimer;               // seconds until the next row is planned
    uint8_t rowWarning, pad0[3];  // a planned row is being announced
    float rowWarningTime;         // seconds the warning has run
    Vector3 rowAnchor;            // ground point of the centre lane
    Vector3 rowTravel;            // unit ground direction the row rolls in
    Vector3 rowLateral;           // unit ground direction across the row
    float rowSpacing;             // metres between lanes, 1.85..3
    float rowSpeed;               // m/s, 4.0..4.6
    int32_t gapLane;              // first lane of the two-lane gap, 0..7
    int32_t rowSide;              // screen side the row comes from: 0 right, 1 left, 2 top, 3 bottom
    Vector3 rollerPositions[ROWS_LANES];  // birth points of the planned rollers
    int32_t rollerCount;          // 7 while a row is planned, else 0

    // The follow camera as the rows last saw it.
    Camera3D cameraSnapshot;
    float aspect;                 // view width / height of the snapshot
    uint8_t snapshotValid, pad1[3];
};

static_assert(sizeof(Camera3D) == 44, "Camera3D is eleven 4-byte fields");
static_assert(sizeof(Campaign) == 296 && alignof(Campaign) == 8, "Campaign has no padding");

// What one update did, for the game step's records and the audio.
struct CampaignEvents {
    bool gateOpened;    // the clock reached the level length
    bool levelStarted;  // the gate was cleared and the next level began
    bool victory;       // the final boss died: the victory phase began (once per run)
};

// [SECTION] Interface

// Ordinary seconds of `level`: 60 for the rows level, 90 for every other.
int CampaignLevelLength(int level);
// A new campaign: the record zero-filled, rng seeded, the pool reset with no ambient creatures,
// then level 1.
void CampaignReset(Campaign &campaign, MudPool &pool);
// Starts `level` (clamped to 1..4): phase 0, clock 0, no bosses, no row warning, the row timer at
// 1 s and the gap at lane 3, and the level's first-minute population handed to the pool.
void CampaignStartLevel(Campaign &campaign, MudPool &pool, int level);
// Keeps the camera for the rows when it is orthographic, its view height finite and above 1,
// `aspect` finite and above 0.1 and position and target more than 0.1 m apart; otherwise marks
// the snapshot invalid. Called every frame before CampaignUpdate.
void CampaignTakeSnapshot(Campaign &campaign, const Camera3D &camera, float aspect);
// One step: the clock, the population of the minute, the rows of level 3, the gate and its
// bosses, the next level or victory. Changes nothing unless dt is finite and positive, the
// player position is finite and the campaign is not in victory. `camera` gives the zoom the rows
// fall back on without a valid snapshot.
CampaignEvents CampaignUpdate(Campaign &campaign, MudPool &pool, const FollowCamera &camera, Vector3 player, float dt);
// Developer skip, only in the ordinary phase: the clock jumps to its next whole minute, or to the
// gate when that comes first. Returns the seconds skipped (0 when nothing changed); the next
// update applies the new minute's population or opens the gate.
float CampaignSkipMinute(Campaign &campaign);

// [SECTION] Queries

// Level seconds left: level length - clock, at least 0.
double CampaignRemaining(const Campaign &campaign);
// What the HUD's level clock shows: in the ordinary phase the remaining whole seconds rounded
// up (so 01:30 at a level start and 00:01 in the last second), "БОСС" at the gate, "00:00" in
// victory.
HudClock CampaignHudClock(const Campaign &campaign);
// Opacity 0..1 of the level banner: fades in over 0.22 s, out over the last 0.8 s of 3.6 s;
// 0 in victory.
float CampaignBannerAlpha(const Campaign &campaign);
// Boss `i` of the gate is summoned and alive: its slot is a living boss of the gate's form.
bool CampaignBossAlive(const Campaign &campaign, const MudPool &pool, int i);
// Living bosses and living rollers in the pool (the developer panel's line).
int CampaignLivingBosses(const MudPool &pool);
int CampaignLivingRollers(const MudPool &pool);
// What the shuttle watches of the gate: level, phase, the listed bosses and the creatures' ground.
ShipBossView CampaignShipView(const Campaign &campaign, const MudPool &pool);
