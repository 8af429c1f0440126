#include "player/health.h"

#include "common/maths.h"

#include <cmath>

// Countdowns that fall below this are over: float steps would otherwise leave a sliver that
// delays the next blow by a frame.
constexpr float HEALTH_TIMER_SNAP = 1e-6f;

static int SlotCount(const Health &h) { return ClampInt(h.maxQuarters / 4, 0, HEALTH_SLOT_COUNT); }

void HealthReset(Health &health)
{
    health = {};
    health.quarters = HEALTH_BASE_QUARTERS;
    health.maxQuarters = HEALTH_BASE_QUARTERS;
    for (int i = 0; i < HEALTH_BASE_QUARTERS / 4; i++) health.heartFill[i] = 1.0f;
}

void HealthSetCapacity(Health &health, int level)
{
    Health &h = health;
    int l = ClampInt(level, 0, HEALTH_CAPACITY_LEVEL_MAX);
    int newMax = HEALTH_BASE_QUARTERS + 4 * l;
    if (newMax == h.maxQuarters) return;
    int old = h.maxQuarters;
    h.maxQuarters = newMax;
    if (h.quarters > 0 && newMax > old) {
        h.quarters += newMax - old;
        h.healFlash = 1.0f;
    }
    if (h.quarters > newMax) h.quarters = newMax;
    h.shownLoss = std::fmin(h.shownLoss, (float)(newMax - h.quarters));
    for (int i = l + 5; i < HEALTH_SLOT_COUNT; i++) {
        h.crackTime[i] = 0.0f;
        h.heartFill[i] = 0.0f;
    }
}

void HealthUpdate(Health &health, float dt)
{
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    Health &h = health;
    h.invulnerableLeft = std::fmax(0.0f, h.invulnerableLeft - dt);
    if (h.invulnerableLeft < HEALTH_TIMER_SNAP) h.invulnerableLeft = 0.0f;
    h.hitFlash = std::fmax(0.0f, h.hitFlash - dt / HEALTH_HIT_FLASH_SECONDS);
    h.healFlash = std::fmax(0.0f, h.healFlash - dt / HEALTH_HEAL_FLASH_SECONDS);

    float target = (float)(h.maxQuarters - h.quarters);
    if (h.shownLoss < target) h.shownLoss = std::fmin(target, h.shownLoss + HEALTH_SHOWN_LOSS_RATE * dt);
    else h.shownLoss = std::fmax(target, h.shownLoss - HEALTH_SHOWN_LOSS_RATE * dt);

    for (int i = 0; i < SlotCount(h); i++) {
        if (h.quarters - 4 * i > 0) {
            h.crackTime[i] = 0.0f;
            h.heartFill[i] = std::fmin(1.0f, h.heartFill[i] + dt / 0.26f);
        } else {
            // An emptied heart stays fully shown for 0.5 s, then fades out in 0.32 s.
            h.crackTime[i] += dt;
            h.heartFill[i] = 1.0f - Smoothstep((h.crackTime[i] - 0.5f) / 0.32f);
        }
    }
}

bool HealthDamage(Health &health, int n)
{
    Health &h = health;
    if (h.immortal || n < 1 || h.quarters <= 0 || h.invulnerableLeft > 0.0f) return false;
    h.invulnerableLeft = h.invulnerableTotal = HEALTH_BLOW_INVULNERABLE;
    h.hitFlash = 1.0f;
    h.quarters = h.quarters - n > 0 ? h.quarters - n : 0;
    return true;
}

bool HealthHit(Health &health) { return HealthDamage(health, 1); }

void HealthRegenerate(Health &health, float secondsPerHeart, float dt)
{
    Health &h = health;
    if (!(dt > 0.0f) || !std::isfinite(dt)) return;
    if (!(secondsPerHeart > 0.0f) || !std::isfinite(secondsPerHeart) || h.quarters <= 0 || h.quarters >= h.maxQuarters) {
        h.regenAccumulator = 0.0;
        return;
    }
    h.regenAccumulator += dt;
    double step = (double)secondsPerHeart * 0.25;
    // A tolerance of a microsecond keeps summed float steps from landing a frame late.
    while (h.regenAccumulator >= step - 1e-6 && h.quarters < h.maxQuarters) {
        h.regenAccumulator = std::fmax(0.0, h.regenAccumulator - step);
        h.healFlash = 1.0f;
        h.quarters += 1;
        if (h.quarters >= h.maxQuarters) h.regenAccumulator = 0.0;
    }
}

bool HealthRevive(Health &health)
{
    Health &h = health;
    if (h.quarters > 0) return false;
    h.quarters = h.maxQuarters;
    h.healFlash = 1.0f;
    h.hitFlash = 1.0f;
    h.regenAccumulator = 0.0;
    h.invulnerableLeft = h.invulnerableTotal = HEALTH_REVIVE_INVULNERABLE;
    for (int i = 0; i < HEALTH_SLOT_COUNT; i++) {
        h.heartFill[i] = i < SlotCount(h) ? 1.0f : 0.0f;
        h.crackTime[i] = 0.0f;
    }
    return true;
}

float HealthBlink(const Health &health)
{
    if (!(health.invulnerableLeft > 0.0f) || !(health.invulnerableTotal > 0.0f)) return 0.0f;
    float e = std::fmax(0.0f, health.invulnerableTotal - health.invulnerableLeft);
    return ((long long)std::floor(e * 14.0f) % 2) != 0 ? 0.0f : 1.0f;
}
