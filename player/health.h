// The astronaut's health in quarter hearts: blows, invulnerability, regeneration, capacity and
// revives, and the animated values the HUD draws hearts from. Pure simulation.
#pragma once

#include <cstdint>

constexpr int HEALTH_BASE_QUARTERS = 20;        // five hearts at the start of a run
constexpr int HEALTH_CAPACITY_LEVEL_MAX = 5;    // the shop adds up to five hearts
constexpr int HEALTH_SLOT_COUNT = 10;           // heart slots at most
constexpr float HEALTH_BLOW_INVULNERABLE = 0.9f;     // seconds after a blow
constexpr float HEALTH_REVIVE_INVULNERABLE = 3.0f;   // seconds after a revive
constexpr float HEALTH_HIT_FLASH_SECONDS = 0.48f;
constexpr float HEALTH_HEAL_FLASH_SECONDS = 0.65f;
constexpr float HEALTH_SHOWN_LOSS_RATE = 5.5f;       // quarters per second the cracks follow
constexpr int HEALTH_OWN_BLOW = 4;                   // quarters an own meteor or blade takes

struct Health {
    int32_t quarters;            // 0..maxQuarters; 0 means dead
    int32_t maxQuarters;         // 20 + 4 x capacity level: 20..40
    bool immortal;               // developer switch: blows are ignored
    float invulnerableLeft;      // seconds of invulnerability left
    float invulnerableTotal;     // length of the current invulnerability
    float hitFlash;              // 1 at a blow or revive, falls to 0 in 0.48 s
    float healFlash;             // 1 at a regenerated quarter, a capacity increase or a revive
    float shownLoss;             // displayed lost quarters, eased towards maxQuarters - quarters
    double regenAccumulator;     // seconds collected towards the next regenerated quarter
    float crackTime[HEALTH_SLOT_COUNT];   // seconds since each heart emptied (0 while it holds one)
    float heartFill[HEALTH_SLOT_COUNT];   // displayed presence 0..1 of each heart
};

// Five full hearts, nothing running, the developer switch off.
void HealthReset(Health &health);
// Capacity from the shop's health level (clamped to 0..5); bought hearts arrive full.
void HealthSetCapacity(Health &health, int level);
// Timers and display values; nothing happens unless dt is finite and positive.
void HealthUpdate(Health &health, float dt);
// A blow of one quarter; false (nothing changed) while immortal, dead or invulnerable.
bool HealthHit(Health &health);
// A blow of n quarters (n >= 1), as HealthHit.
bool HealthDamage(Health &health, int n);
// Regeneration at `secondsPerHeart` (0: none); a pause keeps the collected seconds.
void HealthRegenerate(Health &health, float secondsPerHeart, float dt);
// Back to full capacity with 3 s of invulnerability; false unless dead.
bool HealthRevive(Health &health);
// 1 or 0: the blink while invulnerable, 14 slices a second starting lit at the blow.
float HealthBlink(const Health &health);
// Alive: at least one quarter left.
inline bool HealthAlive(const Health &health) { return health.quarters >= 1; }
