// Eye coins: what the dead leave behind. Death records of the mudling world become eyes that
// pop out, bounce once, settle on the mud and are pulled into the player once the astronaut
// comes within the pickup radius; each collected eye pays its weighted value into the 64-bit
// wallet, carrying tenths of a coin from one collection to the next.
//
// Simulation only: the ground comes from MudGroundHeight and the walls from the arena clamp.
// The eyes and the HUD counter are drawn by hud/eye_coins_draw.h.
//
// Index
//   [SECTION] Constants
//   [SECTION] Records
//   [SECTION] Rewards
//   [SECTION] Economy
//   [SECTION] Simulation
//   [SECTION] View queries
//   [SECTION] Test seam
#pragma once

#include "mud/mud_pool.h"
#include "raylib.h"
#include "world/camera.h"

#include <cstdint>

// [SECTION] Constants

constexpr uint64_t EYE_COINS_WALLET_MAX = UINT64_MAX;          // the wallet saturates here
constexpr uint64_t EYE_COINS_FIRST_CAPACITY = 128;             // slots of the first allocation
// The largest number of 60-byte eyes a 64-bit size can hold, and the capacity past which the
// storage stops doubling and grows to the exact need.
constexpr uint64_t EYE_COINS_COUNT_LIMIT = 0x444444444444444ull;
constexpr uint64_t EYE_COINS_DOUBLING_LIMIT = 0x222222222222222ull;
constexpr int EYE_COINS_MAX_EYES = 10;                         // per death record
constexpr int EYE_COINS_INCOME_LEVEL_MAX = 10;
constexpr float EYE_COINS_MAGNET_MIN = 1.0f;
constexpr float EYE_COINS_MAGNET_MAX = 2.0f;
constexpr float EYE_COINS_PICKUP_RADIUS = 1.6f;                // metres at magnet 1
constexpr float EYE_COINS_REST_LIFT = 0.62f;                   // centre above the ground, x size
constexpr float EYE_COINS_GLOW_LIFT = 0.035f;                  // glow disc above the ground, metres
constexpr float EYE_COINS_FLIGHT_STEP = 1.0f / 120.0f;         // longest flight sub-step, seconds
constexpr int EYE_COINS_FLIGHT_STEPS_MAX = 120 * 60;           // flight sub-steps one update takes at most
constexpr float EYE_COINS_GRAVITY = 9.8f;                      // m/s^2
constexpr float EYE_COINS_BOUNCE_SPEED = 0.8f;                 // m/s downwards needed for the one bounce
constexpr float EYE_COINS_BOUNCE_KEEP = 0.25f;                 // velocity kept by the bounce and by walls
constexpr float EYE_COINS_GROUND_INTERVAL = 0.18f;             // seconds between ground samples at rest
constexpr float EYE_COINS_ATTRACT_LIFT = 0.65f;                // metres above the player's feet
constexpr float EYE_COINS_ATTRACT_REACH = 0.12f;               // metres: collected within step + this
constexpr float EYE_COINS_FLASH_SECONDS = 0.4f;                // counter flash decay
constexpr int EYE_COINS_BODY_VERTICES = 6 * 12 * 6;            // 432: the lens spheroid as triangles
constexpr int EYE_COINS_GLOW_SEGMENTS = 12;

// [SECTION] Records

// One eye on the ground or in the air.
struct EyeCoin {
    Vector3 position;        // centre, metres
    Vector3 velocity;        // m/s
    float size;              // radius, metres
    float age;               // seconds since it was spawned
    float groundHeight;      // MudGroundHeight under the eye, last sampled
    float groundTimer;       // seconds until a resting eye samples the ground again
    float attractTime;       // seconds since the magnet caught it
    float phase;             // glow pulse phase, radians
    uint8_t landed;          // it has come to rest
    uint8_t attracted;       // it is flying into the player
    uint8_t bounced;         // it has used its one bounce
    uint8_t pad;
    uint32_t value;          // denomination, at least 1
    uint32_t weight;         // level multiplier frozen at spawn: 1, 2, 4 or 8
};
static_assert(sizeof(EyeCoin) == 60, "an eye is a 60-byte record");

// The run's eye-coin economy: the eyes, the wallet and the counters the HUD shows. The storage
// is heap memory that outlives runs: EyeCoinsReset keeps it, EyeCoinsFree releases it.
struct EyeCoins {
    EyeCoin *items;          // owned storage, grown on demand, never shrunk during a run
    uint64_t count;          // eyes alive (in flight, resting or attracted)
    uint64_t capacity;       // allocated slots
    uint64_t wallet;         // coins owned; saturates at 2^64 - 1
    uint64_t created;        // eyes spawned since the last reset
    uint64_t levelIncome;    // coins collected since the campaign level last changed; saturates
    int32_t level;           // campaign level last reported; 0 after reset
    int32_t incomeLevel;     // coin-income upgrade level, 0..10
    int32_t remainder;       // tenths of a coin carried between collections, 0..9
    float magnet;            // pickup-radius multiplier, 1..2
    float clock;             // seconds of updates since reset (glow pulse)
    float flash;             // counter flash: 1 at a collection, gone in 0.4 s
};

// [SECTION] Rewards

// What one slain body leaves: the death record's eyes, value per eye and eye radius.
struct EyeCoinsReward {
    uint32_t eyes;           // 1, 2 or 10
    uint32_t value;          // denomination per eye
    float size;              // eye radius, metres
};

// The reward table: a roller 10 eyes worth 1, a boss 2 worth 1, an ordinary body below mass 2
// (or of a non-finite or non-positive mass) 2 worth 1, one of mass m >= 2 a single eye worth
// 2 x clamp(round(m), 1, 9), that is 4 to 18. `bodyScale` is MudBodyScale of the body; several
// eyes are clamp(0.13 x scale, 0.10, 0.22) in radius, a single eye clamp(0.006 x value + 0.16,
// 0.18, 0.28).
EyeCoinsReward EyeCoinsRewardFor(float mass, float bodyScale, bool roller, bool boss);
// The 32-bit scatter state of a record's seed: trunc(|seed| x 65536) reduced modulo 2^32,
// XOR 0x9E3779B9, 1 instead of 0. A non-finite seed counts as 0.
uint32_t EyeCoinsSeedState(float seed);

// [SECTION] Economy

// Starts a new run: no eyes, wallet, counters and remainder zero, magnet 1. Keeps the storage.
void EyeCoinsReset(EyeCoins &state);
// Releases the storage and zeroes every field; safe on a zeroed or already freed record.
void EyeCoinsFree(EyeCoins &state);
// Puts a saved balance back: wallet as given, remainder clamped to 0..9.
void EyeCoinsRestore(EyeCoins &state, uint64_t wallet, int32_t remainder);
// Adds coins to the wallet, saturating; returns what was actually added.
uint64_t EyeCoinsAddToWallet(EyeCoins &state, uint64_t coins);
// A new campaign level clears levelIncome; the same level again changes nothing.
void EyeCoinsSetLevel(EyeCoins &state, int level);
// incomeLevel = clamp(n, 0, 10).
void EyeCoinsSetIncomeLevel(EyeCoins &state, int n);
// magnet = clamp(m, 1, 2); NaN gives 1.
void EyeCoinsSetMagnet(EyeCoins &state, float m);
// Pickup radius at the current magnet: 1.6 m x magnet.
float EyeCoinsPickupRadius(const EyeCoins &state);
// Tenths of a coin one eye pays at the current income level, before the carried remainder:
// weight x (incomeLevel + 10) x value x 5, saturating.
uint64_t EyeCoinsEyeTenths(const EyeCoins &state, const EyeCoin &eye);

// [SECTION] Simulation

// Turns every record of the world's death queue into eyes and empties the queue. False, with
// the queue untouched, when the storage cannot hold them (one error line).
bool EyeCoinsConsumeDeaths(EyeCoins &state, MudPool &world);
// One step: flight with its bounce, the swept pickup along the player's move from `previous`
// to `player`, the pull of the magnet and the collection. Changes nothing at all unless dt is
// finite and positive and the player position is finite.
void EyeCoinsUpdate(EyeCoins &state, const MudPool &world, Vector3 previous, Vector3 player, float dt);

// [SECTION] View queries

// The eye lies in front of the camera and within its view box plus 0.5 m (aspect = width /
// height of the target; the camera is orthographic with `viewHeight` metres of view height).
bool EyeCoinsVisible(const EyeCoin &eye, const FollowCamera &camera, float aspect);
// Glow centre alpha 0..255 of an eye at the state's clock: trunc((0.16 sin(3 clock + phase) + 0.84) x 100).
int EyeCoinsGlowAlpha(const EyeCoins &state, const EyeCoin &eye);

// One eye as the drawing hands it to the GPU: a unit shape placed, sized and faded.
struct EyeCoinsInstance {
    Vector3 centre;          // lens centre, or the glow disc's centre on the ground
    float size;              // eye radius, metres
    float sx, sz;            // horizontal lens scales: (1, 1) for value 1, (1.15, 0.72) above
    float alpha;             // alpha multiplier 0..1 (the glow's pulse)
    float pad;
};
static_assert(sizeof(EyeCoinsInstance) == 32, "an instance is two vec4 attributes");

// The visible eyes from index `cursor` on, at most `capacity` of them, into `out`; `cursor`
// moves past the eyes looked at. Glow: only eyes not being pulled in, at groundHeight + 0.035
// with the pulse's alpha; body: every visible eye at its position. Returns how many were written.
int EyeCoinsGather(const EyeCoins &state, const FollowCamera &camera, float aspect, bool glow, uint64_t &cursor,
                   EyeCoinsInstance *out, int capacity);

// [SECTION] Test seam

// Tests only: the next n growths of the storage fail as if memory had run out.
inline int eyeCoinsRefusedGrowths = 0;
