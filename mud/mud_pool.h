// Mudling pool: every body of living clay in the arena lives in one fixed array of slots. The pool
// is a plain value with no pointers and no allocation, so it can be copied, compared byte for byte
// and reset with a fill; every record below is laid out without implicit padding (byte flags come
// in groups of four) so that equal state means equal bytes.
//
// What the creatures need from the world is handed in: the terrain through TerrainHeight, the
// shuttle through MudPoolSetObstacle, the player position through MudPoolUpdate.
//
// Index
//   [SECTION] Constants and states
//   [SECTION] Records
//   [SECTION] Derived quantities
//   [SECTION] Obstacle tests and the phase clock
//   [SECTION] Pool interface
#pragma once

#include "raylib.h"

#include <cstdint>

struct Soil;

// [SECTION] Constants and states

constexpr int MUD_CAPACITY = 48;               // slots
constexpr int MUD_DEATH_CAPACITY = 48;         // death records waiting for the eye coins
constexpr float MUD_UNIT_SIZE = 0.65f;         // metres: the ordinary unit size
constexpr float MUD_BOSS_SIZE = 1.95f;         // metres: three units
constexpr int MUD_QUEUE_STEP = 10;             // buns one press of the extra-spawn key queues
constexpr int MUD_QUEUE_MAX = 1000000;         // the extra-spawn queue saturates here
constexpr int MUD_QUEUE_PER_FRAME = 10;        // queued buns placed per update at most
constexpr int MUD_GATHER_TARGET = 20;          // buns the gatherer absorbs before it is whole
constexpr int MUD_PHASE_CHAIN_LIMIT = 4;       // phase ends one slot may pass in one update
constexpr int MUD_PRINT_CELLS = 17 * 17;       // cells of one corpse print grid
constexpr float MUD_PUSH_EPSILON = 1e-6f;      // metres: shorter pushed moves change nothing

enum MudState : int32_t {
    MUD_BURIED = 0,          // underground under a warning mound
    MUD_EMERGING = 1,        // jump out of the ground
    MUD_RESTING = 2,         // rest; decision point of buns
    MUD_HOP_CROUCH = 3,
    MUD_HOP_FLIGHT = 4,      // also a live roller
    MUD_ABSORBING = 5,       // merge survivor
    MUD_ABSORBED = 6,        // merge donor
    MUD_FREE = 7,            // empty slot
    MUD_DASH_WINDUP = 8,
    MUD_DASH = 9,
    MUD_DASH_RECOVERY = 10,
    MUD_WALKING = 11,        // walker and golem pursuit
    MUD_KICK_WINDUP = 12,
    MUD_KICK_STRIKE = 13,
    MUD_KICK_RECOVERY = 14,
    MUD_PUNCH_WINDUP = 15,
    MUD_PUNCH_STRIKE = 16,
    MUD_PUNCH_RECOVERY = 17,
    MUD_GRAB = 18,
    MUD_THROW_WINDUP = 19,
    MUD_THROW_FOLLOW = 20,
    MUD_HELD = 21,
    MUD_THROWN = 22,
    MUD_PUDDLE = 23,
    MUD_REASSEMBLY = 24,
    MUD_CORPSE = 25,         // frozen-pose collapse
    MUD_BOSS_LEAP = 26,
};

// [SECTION] Records

// The crashed shuttle as a solid vertical cylinder no creature may enter.
struct MudObstacle {
    Vector3 position;        // foot of the cylinder
    float radius;            // metres
    float height;            // metres
    uint8_t active;          // the cylinder exists
    uint8_t pad[3];
};

// Leg joints of a walker or golem; computed on demand (MudGaitLegPose), stored only as the
// per-update snapshot and the frozen corpse copy.
struct MudLegPose {
    Vector3 hip[2];          // leg 0 on the left (side -1), leg 1 on the right (+1)
    Vector3 knee[2];         // control point of the limb curve
    Vector3 foot[2];         // foot centres
    float radius;            // limb radius, metres
    float visibility;        // smoothstep of walker growth; the pose exists above 0.001
};

// Torso and arm joints of a golem; computed on demand by the golem-arm code.
struct MudArmPose {
    Vector3 torsoCentre;
    Vector3 torsoRadii;      // semi-axes in the body frame
    Vector3 shoulder[2];     // arm 0 on the left, arm 1 on the right
    Vector3 elbow[2];        // control point of the limb curve
    Vector3 hand[2];
    float radius;            // arm radius, metres
    float visibility;        // smoothstep of golem growth
};

// Wounds, cuts and the frozen corpse of a body (filled by the wound code).
struct MudWounds {
    Vector4 cavities[2];         // centre in the part's frame / (R x scale), radius / (R cbrt(scale volume))
    int32_t cavityPart[2];       // 0 torso, 1 and 2 the arms, 3 and 4 the legs
    float cavityAt[2];           // limb-curve parameter of each cavity's anchor
    int32_t woundCount;          // cavities in use, 0..2
    float removedVolume;         // clay taken away by wounds, m^3
    float corpseVolume;          // clay of the body when it died, m^3
    float depositedFraction;     // share of the collapse already pressed into the soil
    uint8_t finalDeposit;        // corpse: the remainder has been deposited
    uint8_t planarCut;           // a living planar cut exists
    uint8_t split;               // corpse lies in two halves
    uint8_t pad;
    Vector4 cutPlane;            // body-frame normal (x, 0, z) times the scale; offset / R
    Vector4 deathPlane;          // world plane of the killing blade: normal, offset
    MudLegPose frozenLegs;
    MudArmPose frozenArms;
    float groundLevel[2];        // base of the frozen pose, base of the compressed pose
    float printCellSize;         // metres per print cell
    float printFirstShare;       // share of the clay that belongs to the first grid
    float printTop;              // height of the silhouette's top above groundLevel[0]
    float corpseBound;           // distance of the silhouette's box corners from the centre
    uint8_t printGrids[2][MUD_PRINT_CELLS];  // 0..12 per cell
    uint8_t printPad[2];
};

// A flying chunk of clay thrown out by a wound.
struct MudDebris {
    Vector3 position;
    Vector3 velocity;
    float radius;
    float volume;
    float airborne;              // seconds in the air
    float wetness, dryness;
    uint8_t active;
    uint8_t pad[3];
};

// One creature. Groups follow the order of the pool's data model; an unused slot is all zeros,
// which reads as MUD_BURIED with mass 0, so every consumer gates on index < count and mass > 0.
struct MudSlot {
    MudObstacle obstacle;        // per-update copy of the pool header
    uint8_t boss, gatherer, roller, pad0;
    int32_t bossIndex;           // 0, 1 or 2
    int32_t gathered;            // buns the gatherer has absorbed
    int32_t leader;              // gatherer this bun hops to; -1
    int32_t bossDashes;
    uint8_t bossLeapNext, pad1[3];
    float health, maxHealth;     // boss hit points
    float hitFlash;              // seconds of hit flash left
    float sinceHit;              // seconds since the last hit
    float storedVolume;          // boss clay volume, m^3
    Vector3 hitPoint;            // last hit point in the body frame
    float hitKind;               // 1 sphere, 2 blade, 3 plasma scorch; 0 none
    float scorch;                // plasma scorch level
    Vector3 knockback;           // push velocity, m/s
    Vector3 rollVelocity;        // roller velocity, m/s
    Vector3 position;            // body centre; y is the centre height
    Vector3 from, to;            // current hop, dash, leap or flight
    Vector3 spawnPoint;          // point of birth, y = 0
    Vector3 touchdown;           // last landing point, y at least 0.08
    float mass;                  // clods; 0 means empty
    float wetness, dryness;      // clay material values
    float size;                  // unit size, metres
    float yaw;                   // heading; rollers: roll angle x 0.24
    float timer, duration;       // seconds in the current state, its length
    float sinceTouchdown;        // seconds since the last landing
    float phase;                 // random 0..50
    Vector3 scale;               // squash and stretch
    float spray;                 // earth strand thickness
    float mound;                 // warning mound height, metres
    float emergence;             // smoothstep progress of the emergence
    float presence;              // 0..1, how far the body is formed (eyes)
    int32_t state;               // MudState
    int32_t steps;               // landings and footfalls
    int32_t partner;             // merge partner while absorbing or absorbed
    Vector3 mergeStart, mergeStartScale;
    float effectiveRadius;       // cbrt of the clay volume when a merge began
    Vector3 lockedTarget;        // aim locked at the start of an attack
    Vector3 attackBase;          // body position at the start of an attack
    Vector3 attackDir;           // unit horizontal attack direction
    Vector3 previousPosition;    // position at the start of this update
    Vector3 endPosition;         // position at the end of the last update
    float cooldown;              // seconds before the next attack
    uint8_t dashActive, dashHitDone, pad2[2];
    Vector3 dashFrom, dashTo;    // dash sweep segment
    float dashElapsed, dashDuration;
    float walkerGrowth, legLength;
    float savedWalkerGrowth, savedLegLength;
    float gaitPhase, gaitWeight;
    float legNorm, savedLegNorm; // 1 for buns, 1 / cbrt(mass) for walkers and golems
    Vector3 gaitDir;             // walking direction
    float stepDistance;          // metres walked this update
    float avoidTimer;            // obstacle avoidance state of the steering
    int32_t avoidSide;           // -1 or +1
    MudLegPose previousLegs;     // leg pose at the start of this update
    Vector3 kickFoot[2];
    int32_t kickLeg;
    uint8_t kickActive, kickHitDone, pad3[2];
    float golemGrowth, savedGolemGrowth;
    float pickupCooldown;
    float armLag, armLagVelocity, armLastYaw;
    uint8_t armReady, pad4[3];
    MudArmPose previousArms;     // arm pose at the start of this update
    Vector3 pickupFrom;
    Vector3 flightVelocity;      // thrown bun
    Vector3 flightFrom, flightTo;// flight sweep of this update
    int32_t hand;                // golem hand for the next punch or pickup
    int32_t heldBun, holder;     // -1 when none
    uint8_t punchActive, punchHitDone, projectileActive, projectileHitDone;
    MudWounds wounds;
    Vector3 recoil;              // secondary push velocity, m/s
    float compression;           // corpse vertical scale, 1 -> 0.018
    float separation;            // corpse half separation of a split, metres
    MudDebris debris[2];
};

// One reward-granting death waiting to become eye coins.
struct DeathRecord {
    Vector3 eye0;                // first eye (one-eye reward: midpoint of both)
    Vector3 eye1;
    float size;                  // eye radius
    float heading;               // radians
    float seed;                  // per-body random phase
    uint32_t value;              // denomination per eye
    uint32_t eyes;               // eyes to spawn; 0 means 2, above 10 means 10
    Vector3 center;              // body centre
    uint8_t roller, pad[3];      // the body was a roller
};

struct MudPool {
    MudObstacle obstacle;
    MudSlot slots[MUD_CAPACITY];
    int32_t count;               // high-water mark: slots 0..count-1 used since the reset
    int32_t limit;               // ambient population limit, compared with count
    int32_t queued;              // extra buns waiting to be spawned
    float spawnTimer;            // seconds until the next ambient spawn attempt
    uint32_t rng;                // LCG state
    uint8_t mergeEnabled, attacksEnabled, director, pad0;
    int32_t directorTarget[3];   // wanted buns, walkers, golems
    int32_t formCounts[3];       // cached living ordinary creatures per form class
    uint8_t formCountsValid, pad1[3];
    float directorTimer;         // seconds until the next director check
    int32_t frame;               // updates with positive dt
    int32_t queryStamps[4];      // frame of the last dash, kick, punch, projectile query
    DeathRecord deaths[MUD_DEATH_CAPACITY];
    int32_t deathCount;
    float unplacedClay;          // clay that reached the ground while no soil was given (ledger)
};

static_assert(sizeof(MudObstacle) == 24, "MudObstacle has no padding");
static_assert(sizeof(MudLegPose) == 80, "MudLegPose has no padding");
static_assert(sizeof(MudArmPose) == 104, "MudArmPose has no padding");
static_assert(sizeof(MudDebris) == 48, "MudDebris has no padding");
static_assert(sizeof(DeathRecord) == 60, "DeathRecord has no padding");
static_assert(sizeof(MudSlot) % 4 == 0 && alignof(MudSlot) == 4, "MudSlot is a float record");
static_assert(sizeof(MudPool) == 24 + MUD_CAPACITY * sizeof(MudSlot) + 19 * 4 + MUD_DEATH_CAPACITY * 60 + 8,
              "MudPool has no padding");

// Living ordinary creatures per form class: buns, walkers, golems.
struct MudFormCounts {
    int32_t counts[3];
};

// [SECTION] Derived quantities

// Form class of a mass: 0 bun (< 4), 1 walker (4 to below 7), 2 golem (7 or more).
int MudFormClass(float mass);
// The slot has (or is growing) legs: mass >= 4 or walker growth above 0.001.
bool MudWalkerShaped(const MudSlot &slot);
// The slot has (or is growing) a torso and arms: mass >= 7 or golem growth above 0.001.
bool MudGolemShaped(const MudSlot &slot);
// A bun of the hop cycle: mass below 4 and walker growth at most 0.001.
bool MudIsBun(const MudSlot &slot);
// Body radius R = cbrt(mass) x size, metres.
float MudBodyRadius(const MudSlot &slot);
// Drawing radius: R x leg normalisation (1 when that is not positive).
float MudBodyScale(const MudSlot &slot);
// Size factor clamp(size / 0.65, 0.9, 1.0).
float MudSizeFactor(const MudSlot &slot);
// 1.5 for a boss that is not gathering, else 1.
float MudBossFactor(const MudSlot &slot);
// Birth and hop durations are divided by this, walking speed multiplied: (2 - sf) x bf.
float MudTempo(const MudSlot &slot);
// Clay volume: base volume (mass x size^3, or a boss's stored volume) minus the removed volume;
// 0 when that is not finite or not positive.
float MudClayVolume(const MudSlot &slot);
// Body scale at rest, blended from bun, walker and golem shapes by the slot's growth.
Vector3 MudRestShape(const MudSlot &slot);
// The same blend for given walker and golem growth.
Vector3 MudRestShapeFor(float walkerGrowth, float golemGrowth);
// Height of the body centre standing on the terrain with vertical scale `shapeY`.
float MudRestHeight(const MudSlot &slot, float shapeY);

// [SECTION] Obstacle tests and the phase clock

// First fraction 0..1 of the segment at which a circle of radius r moving from `from` to `to`
// touches the obstacle cylinder (with `vertical`, only inside its slab widened by r); 0 when it
// starts inside, 1 for no contact or an inactive obstacle.
float MudObstacleSweep(const MudObstacle &obstacle, Vector3 from, Vector3 to, float r, bool vertical);
// `to` cut back to just before the sweep contact, then moved radially out of the cylinder (to
// r + radius + 0.001 from the axis, on the side of `from`). Returns `to` unchanged when inactive.
Vector3 MudObstaclePushOut(const MudObstacle &obstacle, Vector3 from, Vector3 to, float r);
// Seconds the slot's phase has run past its duration, or a negative value while it runs. A
// caller that ends the phase starts the next one and hands this on with MudPhaseCarry.
float MudPhaseOvershoot(const MudSlot &slot);
// Starts the phase just entered with the time carried over from the one that ended.
void MudPhaseCarry(MudSlot &slot, float overshoot);
// Records a landing: touchdown = position with y at least 0.08, sinceTouchdown = 0.
void MudTouchdown(MudSlot &slot);

// [SECTION] Pool interface

// Index in 0..count-1; anything else stored in a slot counts as -1.
bool MudPoolIndexValid(const MudPool &pool, int index);
// Zero-fills the pool, then the defaults: rng 7319, spawnTimer 0.5, merging and attacks on,
// limit clamped to 0..48, no held buns or holders.
void MudPoolReset(MudPool &pool, int limit);
// Writes the shuttle header (radius and height at least 0; active only when asked and both are
// positive) and copies it into the used slots. Non-finite values leave it inactive.
void MudPoolSetObstacle(MudPool &pool, Vector3 position, float radius, float height, bool active);
// Director mode: no ambient spawning, creatures placed to meet the targets (each 0..48).
void MudPoolSetDirector(MudPool &pool, int buns, int walkers, int golems);
// Ten more buns in the extra-spawn queue, unless that would pass MUD_QUEUE_MAX.
void MudPoolQueueExtra(MudPool &pool);
// Places a new creature buried around `centre`; the slot index, or -1 (nothing changed) when
// the limit is reached without force, no slot is free or no place passes the clearance rules.
int MudPoolSpawn(MudPool &pool, Vector3 centre, bool force, float mass, float size, bool gathererPlacement);
// Places boss 0, 1 or 2 (index clamped); asGatherer applies to boss 0 only. Slot or -1.
int MudPoolSpawnBoss(MudPool &pool, Vector3 centre, int bossIndex, bool asGatherer);
// Places a roller at `position` (returned clamped into the arena) rolling with `velocity`;
// radius clamped to 0.35..1.2. Slot or -1 (blocked by the shuttle, no slot, non-finite input).
int MudPoolSpawnRoller(MudPool &pool, Vector3 &position, Vector3 velocity, float radius);
// Advances every creature by dt towards `player`. Changes nothing at all unless dt is finite
// and positive and the player position is finite. Landing chunks and collapsing corpses press
// their clay into `soil`; with none it is kept in unplacedClay.
void MudPoolUpdate(MudPool &pool, Vector3 player, float dt, Soil *soil = nullptr);
// Empties the spawn queue and ends every ordinary living creature of the wave: buried ones
// vanish, the others die into corpses without a reward.
void MudPoolClearWave(MudPool &pool);
// Living ordinary creatures (not bosses, not rollers) per form class; an absorbing slot counts
// with both masses.
MudFormCounts MudPoolCountForms(const MudPool &pool);
// The slot is a living boss: index valid, boss mark, health > 0, neither free nor a corpse.
bool MudPoolBossAlive(const MudPool &pool, int index);
// The slot is a bun hopping to a living gatherer.
bool MudPoolFollowsGatherer(const MudPool &pool, int index);
// The ground as creatures' leftovers see it: TerrainHeight plus every used slot's warning mound
// and birth crater within 1.5 m.
float MudGroundHeight(const MudPool &pool, float x, float z);
