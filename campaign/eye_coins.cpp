// Eye coins: rewards, the economy, the death queue turned into eyes, flight, pickup and
// collection.
//
// Index
//   [SECTION] Saturating arithmetic
//   [SECTION] Rewards
//   [SECTION] Economy
//   [SECTION] Storage
//   [SECTION] Death queue
//   [SECTION] Update
//   [SECTION] View queries
#include "campaign/eye_coins.h"

#include "common/maths.h"
#include "world/arena.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// [SECTION] Saturating arithmetic

static uint64_t SatAdd(uint64_t a, uint64_t b) { return a > EYE_COINS_WALLET_MAX - b ? EYE_COINS_WALLET_MAX : a + b; }

static uint64_t SatMul(uint64_t a, uint64_t b)
{
    if (a != 0 && b > EYE_COINS_WALLET_MAX / a) return EYE_COINS_WALLET_MAX;
    return a * b;
}

// [SECTION] Rewards

static float SeveralEyesSize(float bodyScale) { return ClampSafe(bodyScale * 0.13f, 0.10f, 0.22f); }

EyeCoinsReward EyeCoinsRewardFor(float mass, float bodyScale, bool roller, bool boss)
{
    if (roller) return {(uint32_t)EYE_COINS_MAX_EYES, 1u, SeveralEyesSize(bodyScale)};
    // A bun of one clod, a boss, and a mass that cannot be trusted all pay two eyes of 1.
    if (boss || !IsFinite(mass) || !(mass >= 2.0f)) return {2u, 1u, SeveralEyesSize(bodyScale)};
    // Clamped as a float first: the conversion only ever sees 1..9.
    float clods = ClampSafe(std::round(mass), 1.0f, 9.0f);
    uint32_t value = 2u * (uint32_t)clods;
    return {1u, value, ClampSafe((float)value * 0.006f + 0.16f, 0.18f, 0.28f)};
}

uint32_t EyeCoinsSeedState(float seed)
{
    // Reduced modulo 2^32 in double before the conversion, which is undefined past 2^32.
    double scaled = IsFinite(seed) ? std::floor(std::fabs((double)seed) * 65536.0) : 0.0;
    uint32_t s = (uint32_t)std::fmod(scaled, 4294967296.0) ^ 0x9E3779B9u;
    return s == 0 ? 1u : s;
}

// [SECTION] Economy

void EyeCoinsReset(EyeCoins &state)
{
    EyeCoin *items = state.items;
    uint64_t capacity = state.capacity;
    state = {};
    state.items = items;
    state.capacity = capacity;
    state.magnet = EYE_COINS_MAGNET_MIN;
}

void EyeCoinsFree(EyeCoins &state)
{
    std::free(state.items);
    state = {};
}

void EyeCoinsRestore(EyeCoins &state, uint64_t wallet, int32_t remainder)
{
    state.wallet = wallet;
    state.remainder = ClampInt(remainder, 0, 9);
}

uint64_t EyeCoinsAddToWallet(EyeCoins &state, uint64_t coins)
{
    uint64_t gain = coins < EYE_COINS_WALLET_MAX - state.wallet ? coins : EYE_COINS_WALLET_MAX - state.wallet;
    state.wallet += gain;
    return gain;
}

void EyeCoinsSetLevel(EyeCoins &state, int level)
{
    if (level == state.level) return;
    state.level = level;
    state.levelIncome = 0;
}

void EyeCoinsSetIncomeLevel(EyeCoins &state, int n) { state.incomeLevel = ClampInt(n, 0, EYE_COINS_INCOME_LEVEL_MAX); }

void EyeCoinsSetMagnet(EyeCoins &state, float m) { state.magnet = ClampSafe(m, EYE_COINS_MAGNET_MIN, EYE_COINS_MAGNET_MAX); }

float EyeCoinsPickupRadius(const EyeCoins &state)
{
    return EYE_COINS_PICKUP_RADIUS * ClampSafe(state.magnet, EYE_COINS_MAGNET_MIN, EYE_COINS_MAGNET_MAX);
}

uint64_t EyeCoinsEyeTenths(const EyeCoins &state, const EyeCoin &eye)
{
    uint64_t weight = eye.weight > 1 ? eye.weight : 1;
    uint64_t value = eye.value > 1 ? eye.value : 1;
    uint64_t income = (uint64_t)ClampInt(state.incomeLevel, 0, EYE_COINS_INCOME_LEVEL_MAX) + 10;
    return SatMul(SatMul(SatMul(weight, income), value), 5);
}

// The eye goes into the wallet: its tenths plus the carried ones, the whole coins paid out.
static void Collect(EyeCoins &state, const EyeCoin &eye)
{
    uint64_t tenths = SatAdd(EyeCoinsEyeTenths(state, eye), (uint64_t)ClampInt(state.remainder, 0, 9));
    state.remainder = (int32_t)(tenths % 10);
    uint64_t gain = EyeCoinsAddToWallet(state, tenths / 10);
    state.levelIncome = SatAdd(state.levelIncome, gain);
    state.flash = 1.0f;
}

// [SECTION] Storage

// Room for `needed` eyes: the capacity doubles from 128 until it suffices, or grows to the
// exact need once doubling would pass the limit. False and the old storage kept on failure.
static bool Grow(EyeCoins &state, uint64_t needed)
{
    uint64_t capacity = state.capacity > 0 ? state.capacity : EYE_COINS_FIRST_CAPACITY;
    while (capacity < needed) capacity = capacity > EYE_COINS_DOUBLING_LIMIT ? needed : capacity * 2;
    void *grown = nullptr;
    if (eyeCoinsRefusedGrowths > 0) {
        eyeCoinsRefusedGrowths--;
    } else if (capacity <= SIZE_MAX / sizeof(EyeCoin)) {
        grown = std::realloc(state.items, (size_t)capacity * sizeof(EyeCoin));
    }
    if (!grown) return false;
    state.items = (EyeCoin *)grown;
    state.capacity = capacity;
    return true;
}

// [SECTION] Death queue

static uint32_t RecordEyes(const DeathRecord &r)
{
    if (r.eyes == 0) return 2;
    return r.eyes > (uint32_t)EYE_COINS_MAX_EYES ? (uint32_t)EYE_COINS_MAX_EYES : r.eyes;
}

static float Unit(uint32_t x) { return (float)(x >> 8) * (1.0f / 16777216.0f); }

static Vector3 FiniteOr(Vector3 v, Vector3 fallback) { return IsFinite(v) ? v : fallback; }

// The start of eye k: clamped into the arena, never below its rest height, never absurdly high.
static void Place(EyeCoin &eye, const MudPool &world, Vector3 start)
{
    float radius = eye.size * (eye.value >= 2 ? 1.15f : 1.0f);
    Vector3 p = ArenaClampCircle(start, radius);
    float ground = MudGroundHeight(world, p.x, p.z);
    float rest = ground + eye.size * EYE_COINS_REST_LIFT;
    p.y = ClampSafe(p.y, rest, rest + 50.0f);
    eye.position = p;
    eye.groundHeight = ground;
}

static void SpawnRecord(EyeCoins &state, const MudPool &world, const DeathRecord &r)
{
    const Vector3 origin = {0.0f, 0.0f, 0.0f};
    // A record is the mudling world's word; what it gets wrong still pays, from a sane place.
    Vector3 centre = FiniteOr(r.center, FiniteOr(r.eye0, FiniteOr(r.eye1, origin)));
    Vector3 eyes[2] = {FiniteOr(r.eye0, centre), FiniteOr(r.eye1, FiniteOr(r.eye0, centre))};
    float heading = IsFinite(r.heading) ? r.heading : 0.0f;
    float seed = IsFinite(r.seed) ? r.seed : 0.0f;
    float size = ClampSafe(r.size, 0.10f, 0.28f);
    uint32_t n = RecordEyes(r);
    uint32_t weight = 1u << (ClampInt(state.level, 1, 4) - 1);
    uint32_t value = r.value > 0 ? r.value : 1u;

    uint32_t s = EyeCoinsSeedState(r.seed);
    Xorshift32(s);
    float base = Unit(s) * 2.0f * PI;
    float c = std::cos(heading), sn = std::sin(heading);

    for (uint32_t k = 0; k < n; k++) {
        EyeCoin eye{};
        eye.size = size;
        eye.value = value;
        eye.weight = weight;
        eye.phase = (float)k * 2.7f + seed;
        Vector3 start;
        if (r.roller) {
            // Firework: evenly round the compass with jitter, rising fast.
            uint32_t C = s;
            Xorshift32(C);
            uint32_t D = C;
            Xorshift32(D);
            float angle = (Unit(C) * 0.7f + (float)k) * 2.0f * PI / (float)n + base;
            float speed = Unit(D) * 2.5f + 2.7f;
            s = D;
            Xorshift32(s);
            float rise = Unit(s) * 2.2f + 3.4f;
            Vector3 out = {std::cos(angle), 0.0f, std::sin(angle)};
            start = centre + out * (size * 0.4f);
            eye.velocity = {out.x * speed, rise, out.z * speed};
        } else {
            // The two eyes of a body pop out to opposite sides.
            float m = k == 0 ? -1.0f : 1.0f;
            start = eyes[k % 2];
            eye.velocity = {0.8f * m * c + 0.5f * sn, 1.2f, 0.5f * c - 0.8f * m * sn};
        }
        Place(eye, world, start);
        state.items[state.count++] = eye;
        state.created++;
    }
}

bool EyeCoinsConsumeDeaths(EyeCoins &state, MudPool &world)
{
    int records = ClampInt(world.deathCount, 0, MUD_DEATH_CAPACITY);
    uint64_t need = 0;
    for (int i = 0; i < records; i++) need += RecordEyes(world.deaths[i]);
    if (need == 0) {
        world.deathCount = 0;
        return true;
    }
    bool room = state.count <= EYE_COINS_COUNT_LIMIT && need <= EYE_COINS_COUNT_LIMIT - state.count;
    if (!room || (state.count + need > state.capacity && !Grow(state, state.count + need))) {
        TraceLog(LOG_ERROR, "Could not allocate eye coins; death drops retained for retry.");
        return false;
    }
    for (int i = 0; i < records; i++) SpawnRecord(state, world, world.deaths[i]);
    world.deathCount = 0;
    return true;
}

// [SECTION] Update

// Flight in sub-steps of at most 1/120 s: the walls turn it back, the ground gives one bounce,
// then it lands. A step longer than a minute leaves the rest of the flight to the next one.
static void Fly(EyeCoin &e, const MudPool &world, float dt)
{
    float radius = e.size * (e.value >= 2 ? 1.15f : 1.0f);
    float exact = std::ceil(dt / EYE_COINS_FLIGHT_STEP - 1e-4f);
    int steps = exact < 1.0f ? 1 : (exact > (float)EYE_COINS_FLIGHT_STEPS_MAX ? EYE_COINS_FLIGHT_STEPS_MAX : (int)exact);
    float w = steps == EYE_COINS_FLIGHT_STEPS_MAX ? EYE_COINS_FLIGHT_STEP : dt / (float)steps;
    for (int i = 0; i < steps; i++) {
        Vector3 moved = e.position + e.velocity * w;
        Vector3 inside = ArenaClampCircle(moved, radius);
        if (inside.x != moved.x) e.velocity.x *= -EYE_COINS_BOUNCE_KEEP;
        if (inside.z != moved.z) e.velocity.z *= -EYE_COINS_BOUNCE_KEEP;
        e.position = inside;
        e.position.y -= 0.5f * EYE_COINS_GRAVITY * w * w;
        e.velocity.y -= EYE_COINS_GRAVITY * w;
        e.groundHeight = MudGroundHeight(world, e.position.x, e.position.z);
        float rest = e.groundHeight + e.size * EYE_COINS_REST_LIFT;
        if (e.position.y > rest) continue;
        e.position.y = rest;
        if (!e.bounced && e.velocity.y < -EYE_COINS_BOUNCE_SPEED) {
            e.velocity = e.velocity * EYE_COINS_BOUNCE_KEEP;
            e.velocity.y = -e.velocity.y;
            e.bounced = 1;
            continue;
        }
        e.landed = 1;
        e.velocity = {0.0f, 0.0f, 0.0f};
        return;
    }
}

// Horizontal squared distance from `p` to the segment a..b (a point when shorter than 1 mm).
static float SegmentDistanceSquared(Vector3 a, Vector3 b, Vector3 p)
{
    float abx = b.x - a.x, abz = b.z - a.z;
    float length2 = abx * abx + abz * abz;
    float t = 0.0f;
    if (length2 >= 1e-6f) t = ClampSafe(((p.x - a.x) * abx + (p.z - a.z) * abz) / length2, 0.0f, 1.0f);
    float dx = p.x - (a.x + abx * t), dz = p.z - (a.z + abz * t);
    return dx * dx + dz * dz;
}

void EyeCoinsUpdate(EyeCoins &state, const MudPool &world, Vector3 previous, Vector3 player, float dt)
{
    if (!(dt > 0.0f) || !IsFinite(dt) || !IsFinite(player)) return;
    if (!IsFinite(previous)) previous = player;
    state.clock += dt;
    state.flash = std::fmax(0.0f, state.flash - dt / EYE_COINS_FLASH_SECONDS);
    float radius = EyeCoinsPickupRadius(state);
    float radius2 = radius * radius;
    Vector3 target = {player.x, player.y + EYE_COINS_ATTRACT_LIFT, player.z};

    for (uint64_t i = 0; i < state.count;) {
        EyeCoin &e = state.items[i];
        e.age += dt;
        if (!e.landed && !e.attracted) {
            Fly(e, world, dt);   // a flying eye is never collected
            i++;
            continue;
        }
        if (!e.attracted) {
            if (SegmentDistanceSquared(previous, player, e.position) <= radius2) {
                e.attracted = 1;   // caught this step: pulled in this step too
            } else {
                e.groundTimer -= dt;
                if (e.groundTimer <= 0.0f) {
                    e.groundHeight = MudGroundHeight(world, e.position.x, e.position.z);
                    e.groundTimer += EYE_COINS_GROUND_INTERVAL;
                    if (e.groundTimer <= 0.0f) e.groundTimer = EYE_COINS_GROUND_INTERVAL;
                }
                e.position.y = e.groundHeight + e.size * EYE_COINS_REST_LIFT;
                i++;
                continue;
            }
        }
        e.attractTime += dt;
        float step = (e.attractTime * 12.0f + 4.5f) * dt;
        Vector3 to = target - e.position;
        float distance = Vector3Length(to);
        if (distance <= step + EYE_COINS_ATTRACT_REACH) {
            EyeCoin eye = e;
            // The last eye takes this slot and is handled in it this same step.
            state.items[i] = state.items[state.count - 1];
            state.count--;
            Collect(state, eye);
            continue;
        }
        e.position = e.position + to * (step / distance);
        i++;
    }
}

// [SECTION] View queries

bool EyeCoinsVisible(const EyeCoin &eye, const FollowCamera &camera, float aspect)
{
    if (!(aspect > 0.0f) || !IsFinite(aspect)) return false;
    Vector3 offset = eye.position - camera.position;
    float halfHeight = camera.viewHeight * 0.5f;
    if (std::fabs(Vector3DotProduct(offset, camera.right)) > halfHeight * aspect + 0.5f) return false;
    if (std::fabs(Vector3DotProduct(offset, camera.up)) > halfHeight + 0.5f) return false;
    return Vector3DotProduct(offset, camera.forward) >= 0.0f;
}

int EyeCoinsGlowAlpha(const EyeCoins &state, const EyeCoin &eye)
{
    float pulse = std::sin(state.clock * 3.0f + eye.phase) * 0.16f + 0.84f;
    return ClampInt((int)ClampSafe(pulse * 100.0f, 0.0f, 255.0f), 0, 255);
}

int EyeCoinsGather(const EyeCoins &state, const FollowCamera &camera, float aspect, bool glow, uint64_t &cursor,
                   EyeCoinsInstance *out, int capacity)
{
    int n = 0;
    for (; cursor < state.count && n < capacity; cursor++) {
        const EyeCoin &e = state.items[cursor];
        if ((glow && e.attracted) || !EyeCoinsVisible(e, camera, aspect)) continue;
        if (glow) {
            out[n++] = {{e.position.x, e.groundHeight + EYE_COINS_GLOW_LIFT, e.position.z}, e.size, 1.0f, 1.0f,
                        (float)EyeCoinsGlowAlpha(state, e) / 255.0f, 0.0f};
        } else {
            bool large = e.value >= 2;
            out[n++] = {e.position, e.size, large ? 1.15f : 1.0f, large ? 0.72f : 1.0f, 1.0f, 0.0f};
        }
    }
    return n;
}
