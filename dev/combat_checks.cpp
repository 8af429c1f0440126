// Developer self-checks of the player's fight, and the headless combat benchmark.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Meteor
//   [SECTION] Spike
//   [SECTION] Health
//   [SECTION] Support
//   [SECTION] Benchmark scene
//   [SECTION] Benchmark
#include "dev/combat_checks.h"

#include "dev/dev_run.h"

#include "campaign/shop.h"
#include "common/maths.h"
#include "dev/mud_attack_scenes.h"
#include "mud/mud_contact.h"
#include "mud/mud_wounds.h"
#include "player/health.h"
#include "world/arena.h"
#include "world/camera.h"
#include "world/soil.h"
#include "world/terrain.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

// [SECTION] Helpers

static const float RATES[3] = {30.0f, 60.0f, 144.0f};
static const Vector3 FAR_PLAYER = {60.0f, 0.0f, 60.0f};
constexpr float PLAYER_CONTACT_RADIUS = 0.27f;   // the body the creatures touch
constexpr int BENCH_STEPS = 3600;

struct Tally {
    int passed, failed;
};

static void Check(Tally &tally, bool ok, const char *name)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", name);
    (ok ? tally.passed : tally.failed) += 1;
}

static int Summary(const Tally &tally)
{
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

// The checks' soil, made once; the ground the game reads is never bound to it.
static Soil *CheckSoil()
{
    static Soil soil{};
    static bool made = SoilCreate(soil);
    if (!made) return nullptr;
    SoilReset(soil);
    return &soil;
}

static std::unique_ptr<MudPool> QuietPool()
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    pool->mergeEnabled = 0;
    pool->attacksEnabled = 0;
    return pool;
}

// [SECTION] Meteor

static bool CastOn(MeteorSystem &system, Vector3 target)
{
    FollowCamera camera{};
    camera.viewHeight = CAMERA_ZOOM_DEFAULT;
    CameraFollow(camera, target, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return MeteorCast(system, target, camera.position, camera.up, camera.viewHeight);
}

// Strikes on a player standing at the target (walk zero) or walking off at `walk` from the cast.
static int MeteorStrikes(Soil &soil, float rate, Vector3 walk)
{
    auto pool = QuietPool();
    MeteorSystem system{};
    const Vector3 target = {3.0f, 0.0f, -2.0f};
    CastOn(system, target);
    float dt = 1.0f / rate;
    int strikes = 0;
    for (int frame = 0; frame < (int)(3.0f * rate); frame++)
        strikes += MeteorUpdate(system, *pool, soil, target + walk * ((float)frame * dt), target + walk * ((float)(frame + 1) * dt), dt);
    return strikes;
}

int DevTestMeteor()
{
    Tally tally = {0, 0};
    Soil *soil = CheckSoil();
    if (!soil) {
        printf("FAIL soil grids could not be allocated\n0 passed, 1 failed\n");
        return 1;
    }
    char name[160];
    for (float rate : RATES) {
        snprintf(name, sizeof(name), "%.0f Hz: a player standing on the target is struck exactly once", rate);
        Check(tally, MeteorStrikes(*soil, rate, {0.0f, 0.0f, 0.0f}) == 1, name);
        snprintf(name, sizeof(name), "%.0f Hz: a player walking away at 2.7 m/s is never struck", rate);
        Check(tally, MeteorStrikes(*soil, rate, {2.7f, 0.0f, 0.0f}) == 0 && MeteorStrikes(*soil, rate, {0.0f, 0.0f, -2.7f}) == 0, name);

        auto pool = QuietPool();
        MeteorSystem system{};
        CastOn(system, {0.0f, 0.0f, 0.0f});
        int release = -1;
        for (int frame = 1; frame <= (int)(4.0f * rate) && release < 0; frame++) {
            MeteorUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, 1.0f / rate);
            if (!system.slots[0].active) release = frame;
        }
        snprintf(name, sizeof(name), "%.0f Hz: the slot frees on the first frame at 2.74 s (frame %d)", rate, release);
        Check(tally, release == (int)std::ceil(2.74 * rate), name);
    }

    auto run = [&](int steps, float dt, int *strikes) {
        auto pool = QuietPool();
        MudSceneAddBody(*pool, -4.0f, 5.0f, 2.0f, MUD_UNIT_SIZE);
        auto system = std::make_unique<MeteorSystem>();
        CastOn(*system, {-4.0f, 0.0f, 5.0f});
        *strikes = 0;
        for (int k = 0; k < steps; k++) *strikes += MeteorUpdate(*system, *pool, *soil, {-4.0f, 0.0f, 5.0f}, {-4.0f, 0.0f, 5.0f}, dt);
        return system;
    };
    int onceStrikes = 0, manyStrikes = 0;
    auto once = run(1, 3.0f, &onceStrikes);
    auto many = run(180, 1.0f / 60.0f, &manyStrikes);
    Check(tally, memcmp(once.get(), many.get(), sizeof(MeteorSystem)) == 0 && onceStrikes == 1 && manyStrikes == 1 && once->mudHits == 1,
          "one 3 s step ends in the same state as 180 steps of 1/60 s");

    MeteorSystem queue{};
    bool accepted = true;
    for (int k = 0; k < METEOR_QUEUE_CAPACITY; k++) accepted = CastOn(queue, {(float)k, 0.0f, 0.0f}) && accepted;
    Check(tally, accepted && !CastOn(queue, {0.0f, 0.0f, 0.0f}) && queue.queueCount == 64, "the 65th waiting cast is refused");

    auto pool = QuietPool();
    MeteorSystem system{};
    CastOn(system, {0.0f, 0.0f, 0.0f});
    MeteorUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, 1.0f);
    MeteorSystem before = system;
    bool unchanged = true;
    for (float dt : {0.0f, -1.0f, NAN, INFINITY}) {
        MeteorUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, dt);
        unchanged = unchanged && memcmp(&before, &system, sizeof(MeteorSystem)) == 0;
    }
    MeteorUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, 1.75f);
    Check(tally, unchanged && !system.slots[0].active && system.impacts == 1,
          "zero, negative and non-finite steps change nothing; the meteor then ends as usual");
    return Summary(tally);
}

// [SECTION] Spike

int DevTestSpike()
{
    Tally tally = {0, 0};
    Soil *soil = CheckSoil();
    if (!soil) {
        printf("FAIL soil grids could not be allocated\n0 passed, 1 failed\n");
        return 1;
    }
    char name[160];
    const Vector3 origin = {2.0f, 0.0f, -3.0f}, direction = {0.6f, 0.0f, 0.8f};
    for (float rate : RATES) {
        float dt = 1.0f / rate;
        for (bool wall : {false, true}) {
            auto pool = QuietPool();
            SpikeSystem system{};
            Vector3 from = wall ? Vector3{120.0f, 0.0f, 0.0f} : origin, along = wall ? Vector3{1.0f, 0.0f, 0.0f} : direction;
            SpikeLaunch(system, from, along);
            SpikeUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, dt);
            const Spike &b = system.slots[0];
            Vector3 start = b.origin;
            float first = LengthXZ(b.position - start), farthest = 0.0f;
            bool hovered = false;
            Vector3 last = b.position;
            for (int frame = 0; frame < 2000 && b.active; frame++) {
                hovered = hovered || b.phase == SPIKE_HOVER;
                last = b.position;
                SpikeUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, dt);
                for (int k = 0; k < system.segmentCount; k++)
                    farthest = std::fmax(farthest, LengthXZ(system.segments[k].to - start));
            }
            bool home = last.x == start.x && last.z == start.z && system.completed == 1;
            if (!wall) {
                snprintf(name, sizeof(name), "%.0f Hz: the blade rises 1.25 m out, runs 25 m at most, hovers, returns to its origin", rate);
                Check(tally, std::fabs(first - 1.25f) < 1e-4f && std::fabs(farthest - 25.0f) < 1e-3f && farthest <= 25.0f && hovered && home, name);
            } else {
                snprintf(name, sizeof(name), "%.0f Hz: stopped by the edge at 7.2 m it does not hover and still returns", rate);
                Check(tally, std::fabs(farthest - 7.2f) < 1e-3f && !hovered && home, name);
            }
        }

        auto pool = QuietPool();
        int boss = MudSceneAddBoss(*pool, 10.0f, 0.0f, 2);
        float health = boss >= 0 ? pool->slots[boss].health : 0.0f;
        SpikeSystem system{};
        SpikeLaunch(system, {0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
        int strikes = 0;
        bool onlyBack = true;
        const Vector3 player = {5.0f, 0.0f, 0.0f};
        for (int frame = 0; frame < (int)(5.0f * rate); frame++) {
            int phase = system.slots[0].phase;
            bool struck = SpikeUpdate(system, *pool, *soil, player, player, dt);
            strikes += struck;
            onlyBack = onlyBack && (!struck || phase == SPIKE_BACK);
        }
        snprintf(name, sizeof(name), "%.0f Hz: a boss 10 m out is cut once out and once back; a player on the line is struck once, on the return", rate);
        Check(tally, boss >= 0 && system.mudHits == 2 && pool->slots[boss].health == health - 4.0f && strikes == 1 && onlyBack, name);

        auto clear = QuietPool();
        SpikeSystem atOrigin{};
        SpikeLaunch(atOrigin, origin, direction);
        strikes = 0;
        for (int frame = 0; frame < (int)(5.0f * rate); frame++) strikes += SpikeUpdate(atOrigin, *clear, *soil, origin, origin, dt);
        snprintf(name, sizeof(name), "%.0f Hz: a player at the blade's origin is struck exactly once", rate);
        Check(tally, strikes == 1, name);
    }

    auto longRun = [&](int steps, float dt) {
        auto pool = QuietPool();
        auto system = std::make_unique<SpikeSystem>();
        SpikeLaunch(*system, origin, direction);
        for (int k = 0; k < steps; k++) SpikeUpdate(*system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, dt);
        return system;
    };
    auto once = longRun(1, 5.0f), many = longRun(300, 1.0f / 60.0f);
    Check(tally, memcmp(once->slots, many->slots, sizeof(once->slots)) == 0 && once->completed == 1 && many->completed == 1,
          "one 5 s update ends in the same state as 300 updates of 1/60 s");

    SpikeSystem queue{};
    bool accepted = true;
    for (int k = 0; k < SPIKE_QUEUE_CAPACITY; k++) accepted = SpikeLaunch(queue, origin, direction) && accepted;
    Check(tally, accepted && !SpikeLaunch(queue, origin, direction), "the 33rd waiting launch is refused");

    auto pool = QuietPool();
    SpikeSystem system{};
    SpikeLaunch(system, origin, direction);
    SpikeUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, 1.0f);
    SpikeSystem before = system;
    bool unchanged = true;
    for (float dt : {0.0f, -1.0f, NAN, INFINITY}) {
        SpikeUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, dt);
        unchanged = unchanged && memcmp(&before, &system, sizeof(SpikeSystem)) == 0;
    }
    SpikeUpdate(system, *pool, *soil, FAR_PLAYER, FAR_PLAYER, 4.0f);
    Check(tally, unchanged && system.completed == 1, "zero, negative and non-finite steps change nothing; the blade then completes");
    return Summary(tally);
}

// [SECTION] Health

int DevTestHealth()
{
    Tally tally = {0, 0};
    struct Case {
        const char *name;
        void (*prepare)(Health &);
        int n;
    } refused[] = {
        {"immortal", [](Health &h) { h.immortal = true; }, 1},
        {"less than a quarter", [](Health &) {}, 0},
        {"dead", [](Health &h) { h.quarters = 0; }, 1},
        {"invulnerable", [](Health &h) { h.invulnerableLeft = 0.01f; }, 4},
    };
    bool allRefused = true;
    for (const Case &c : refused) {
        Health h;
        HealthReset(h);
        c.prepare(h);
        Health before = h;
        allRefused = allRefused && !HealthDamage(h, c.n) && memcmp(&h, &before, sizeof(Health)) == 0;
    }
    Check(tally, allRefused, "blows while immortal, of less than a quarter, while dead or invulnerable change nothing");
    Health h;
    HealthReset(h);
    bool meteor = HealthDamage(h, HEALTH_OWN_BLOW), contact = HealthHit(h);
    Check(tally, meteor && !contact && h.quarters == 16, "a meteor and a contact in one frame: one blow");

    char name[160];
    const int secondBlow[3] = {27, 54, 130}, quarter[3] = {450, 900, 2160};
    for (int r = 0; r < 3; r++) {
        float dt = 1.0f / RATES[r];
        HealthReset(h);
        HealthHit(h);
        int frame = 0;
        bool landed = false;
        while (!landed && ++frame < 1000) {
            HealthUpdate(h, dt);
            landed = HealthHit(h);
        }
        snprintf(name, sizeof(name), "%.0f Hz: a persistent contact lands its second blow at frame %d", RATES[r], frame);
        Check(tally, frame == secondBlow[r], name);

        HealthReset(h);
        h.quarters = 10;
        frame = 0;
        while (h.quarters == 10 && ++frame < 10000) {
            HealthUpdate(h, dt);
            HealthRegenerate(h, 60.0f, dt);
        }
        snprintf(name, sizeof(name), "%.0f Hz: regeneration at 60 s per heart adds a quarter at frame %d", RATES[r], frame);
        Check(tally, frame == quarter[r], name);
    }
    return Summary(tally);
}

// [SECTION] Support

int DevTestSupport()
{
    Tally tally = {0, 0};
    char name[160];
    ShopState shop{};
    shop.level[SHOP_DRONE] = 1;
    shop.level[SHOP_REPEL] = 1;
    float droneInterval = ShopDroneInterval(&shop), repelInterval = ShopRepelInterval(&shop);
    for (float rate : RATES) {
        float dt = 1.0f / rate;
        auto pool = QuietPool();
        MudSceneAddBoss(*pool, 6.0f, 4.0f, 2);
        Support s;
        SupportReset(s);
        std::vector<double> shots;
        double time = 0.0, firstPulse = -1.0;
        for (int frame = 0; frame < (int)(85.0f * rate); frame++) {
            int fired = s.shotsFired, pulses = s.pulses;
            SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, dt, droneInterval, repelInterval);
            time += dt;
            if (s.shotsFired > fired) shots.push_back(time);
            if (s.pulses > pulses && firstPulse < 0.0) firstPulse = time;
        }
        bool schedule = shots.size() == 3 && shots[0] == (double)dt;
        for (size_t k = 1; schedule && k < shots.size(); k++) schedule = std::fabs(shots[k] - shots[0] - 40.0 * (double)k) <= dt + 1e-3;
        snprintf(name, sizeof(name), "%.0f Hz: a new drone fires on its first update with a target, then every 40 s", rate);
        Check(tally, schedule, name);
        snprintf(name, sizeof(name), "%.0f Hz: a new repel first pulses one full interval (60 s) later", rate);
        Check(tally, firstPulse >= 60.0 - 1e-3 && firstPulse < 60.0 + dt + 1e-3, name);
    }

    auto pool = QuietPool();
    int boss = MudSceneAddBoss(*pool, 0.0f, 3.2f, 0);
    Vector3 rollerAt = {1.0f, 0.0f, 0.0f};
    int roller = MudPoolSpawnRoller(*pool, rollerAt, {0.0f, 0.0f, 1.0f}, 0.4f);
    for (int k = 0; k < 8; k++) {
        float d = 1.5f + 0.5f * (float)k + (k == 7 ? 0.5f : 0.0f), a = 0.9f * (float)k + 2.0f;
        MudSceneAddBody(*pool, d * std::cos(a), d * std::sin(a), 1.0f, MUD_UNIT_SIZE);
    }
    Support s;
    SupportReset(s);
    SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, 0.05f, 0.0f, 30.0f);
    SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, 30.0f, 0.0f, 30.0f);
    int moved = 0;
    bool near = true;
    for (int i = 0; i < pool->count; i++) {
        const MudSlot &b = pool->slots[i];
        if (LengthXZ(b.knockback) == 0.0f) continue;
        moved++;
        near = near && LengthXZ(b.position) < 5.0f;
    }
    Check(tally, s.pulses == 1 && moved == 6 && near && roller >= 0 && LengthXZ(pool->slots[roller].knockback) == 0.0f,
          "a pulse moves 6 bodies at most, none beyond 5 m, never a roller");
    Check(tally, boss >= 0 && std::fabs(LengthXZ(pool->slots[boss].knockback) - 2.5f) < 1e-5f, "a pulse pushes a boss at 2.5 m/s");

    pool = QuietPool();
    int far = MudSceneAddBody(*pool, 10.0f, 0.0f, 2.0f, MUD_UNIT_SIZE);
    int nearer = MudSceneAddBody(*pool, 5.0f, 0.45f, 2.0f, MUD_UNIT_SIZE);
    SupportReset(s);
    Vector3 from = {0.0f, pool->slots[far].position.y, 0.0f};
    s.bolts[0].position = s.bolts[0].previous = from;
    s.bolts[0].velocity = Vector3Normalize(pool->slots[far].position - from) * SUPPORT_BOLT_SPEED;
    s.bolts[0].active = 1;
    for (int frame = 0; frame < 60 && s.bolts[0].active; frame++) SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, 1.0f / 60.0f, 0.0f, 0.0f);
    Check(tally, s.boltHits == 1 && pool->slots[nearer].scorch == 1.0f && pool->slots[far].scorch == 0.0f,
          "a bolt aimed past a nearer body hits the nearer one");

    SupportReset(s);
    s.bolts[0].position = s.bolts[0].previous = {127.0f, 1.5f, 3.0f};
    s.bolts[0].velocity = {SUPPORT_BOLT_SPEED, 0.0f, 0.0f};
    s.bolts[0].active = 1;
    auto empty = QuietPool();
    for (int frame = 0; frame < 10 && s.bolts[0].active; frame++) SupportUpdate(s, *empty, {0.0f, 0.0f, 0.0f}, 1.0f / 60.0f, 0.0f, 0.0f);
    Check(tally, !s.bolts[0].active && std::fabs(ArenaSignedDistance(s.impacts[0].position.x, s.impacts[0].position.z) + SUPPORT_BOLT_RADIUS) < 0.01f,
          "a bolt stops at the wall");

    SupportReset(s);
    pool = QuietPool();
    MudSceneAddBody(*pool, 1.0f, 1.0f, 2.0f, MUD_UNIT_SIZE);
    Support before = s;
    auto poolBefore = std::make_unique<MudPool>(*pool);
    SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, 1.0f / 60.0f, 0.0f, 0.0f);
    before.droneClock = s.droneClock;
    before.sinceRepel = s.sinceRepel;
    for (int k = 0; k < SUPPORT_IMPACT_CAPACITY; k++) before.impacts[k].age = s.impacts[k].age;
    Check(tally, memcmp(&before, &s, sizeof(Support)) == 0 && memcmp(poolBefore.get(), pool.get(), sizeof(MudPool)) == 0,
          "with both aids off only the clocks change");

    SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, 0.05f, 15.0f, 30.0f);
    before = s;
    bool unchanged = true;
    for (float dt : {0.0f, -1.0f, NAN, INFINITY}) {
        SupportUpdate(s, *pool, {0.0f, 0.0f, 0.0f}, dt, 15.0f, 30.0f);
        unchanged = unchanged && memcmp(&before, &s, sizeof(Support)) == 0;
    }
    Check(tally, unchanged, "zero, negative and non-finite steps change nothing");
    return Summary(tally);
}

// [SECTION] Benchmark scene

static Vector3 CirclingPlayer(int step)
{
    float t = (float)step / 60.0f;
    return {7.0f * std::cos(0.35f * t), 0.0f, 7.0f * std::sin(0.35f * t)};
}

// Ordinary creatures with clay, neither corpses nor rollers nor bosses.
static int LivingOrdinary(const MudPool &pool)
{
    int n = 0;
    for (int i = 0; i < pool.count; i++) {
        const MudSlot &s = pool.slots[i];
        n += s.mass > 0.0f && !s.boss && !s.roller && s.state != MUD_CORPSE && s.state != MUD_FREE;
    }
    return n;
}

static const float BENCH_MASSES[5] = {1.0f, 2.0f, 4.0f, 5.5f, 8.0f};

void DevCombatSceneReset(DevCombatScene &scene, Soil &soil)
{
    SoilReset(soil);
    scene.soil = &soil;
    MudPoolReset(scene.pool, 0);
    scene.pool.mergeEnabled = 0;
    MeteorReset(scene.meteors);
    SpikeReset(scene.spikes);
    SupportReset(scene.support);
    scene.step = 0;
    scene.player = CirclingPlayer(0);
    scene.strikes = scene.contacts = 0;
    for (int k = 0; k < 45; k++) {
        float radius = 3.0f + 0.35f * (float)k, angle = 2.39996f * (float)k;
        int i = MudSceneAddBody(scene.pool, radius * std::cos(angle), radius * std::sin(angle), BENCH_MASSES[k % 5], MUD_UNIT_SIZE);
        if (i < 0) continue;
        const MudSlot &s = scene.pool.slots[i];
        float R = MudBodyRadius(s);
        Vector3 side = {s.position.x + 0.8f * R, s.position.y + 0.3f * R, s.position.z};
        // A glancing rock for one third, a blade past the side for another.
        if (k % 3 == 0) MudHitSphere(scene.pool, soil, side + Vector3{0.0f, 2.0f, 0.0f}, side, 0.3f, nullptr);
        if (k % 3 == 1)
            MudHitBlade(scene.pool, soil, s.position + Vector3{0.6f * R, 0.0f, -3.0f}, s.position + Vector3{0.6f * R, 0.0f, 3.0f}, 0.28f,
                        {0.0f, 0.0f, 1.0f}, nullptr);
    }
    MudSceneAddBoss(scene.pool, 14.0f, 0.0f, 1);
    MudSceneAddBoss(scene.pool, -14.0f, 3.0f, 2);
}

// Wall-clock and processor milliseconds of one part of the step.
struct Stopwatch {
    std::chrono::steady_clock::time_point wall;
    std::clock_t cpu;
};

static Stopwatch Start() { return {std::chrono::steady_clock::now(), std::clock()}; }

static void Stop(const Stopwatch &watch, double &wallMs, double &cpuMs)
{
    wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - watch.wall).count();
    cpuMs = (double)(std::clock() - watch.cpu) * 1000.0 / CLOCKS_PER_SEC;
}

void DevCombatSceneStep(DevCombatScene &scene, DevCombatTimes *times)
{
    const float dt = 1.0f / 60.0f;
    Soil &soil = *scene.soil;
    DevCombatTimes t{};
    Vector3 before = scene.player;
    Vector3 after = CirclingPlayer(scene.step + 1);

    // Keep eight of each in flight: meteors onto the player's spot, blades along its heading.
    int meteors = scene.meteors.queueCount, blades = scene.spikes.queueCount;
    for (const Meteor &m : scene.meteors.slots) meteors += m.active;
    for (const Spike &b : scene.spikes.slots) blades += b.active;
    FollowCamera camera{};
    camera.viewHeight = CAMERA_ZOOM_DEFAULT;
    CameraFollow(camera, before, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    if (meteors < METEOR_CAPACITY) MeteorCast(scene.meteors, before, camera.position, camera.up, camera.viewHeight);
    if (blades < SPIKE_CAPACITY) SpikeLaunch(scene.spikes, before, after - before);

    // Creatures that died are replaced, so the crowd stays.
    if (LivingOrdinary(scene.pool) < 45)
        MudPoolSpawn(scene.pool, before, true, BENCH_MASSES[scene.step % 5], MUD_UNIT_SIZE, false);

    Stopwatch watch = Start();
    MudPoolUpdate(scene.pool, before, dt, &soil);
    Stop(watch, t.mud, t.mudCpu);

    watch = Start();
    SupportUpdate(scene.support, scene.pool, after, dt, 15.0f, 30.0f);
    Stop(watch, t.support, t.supportCpu);

    watch = Start();
    scene.strikes += MeteorUpdate(scene.meteors, scene.pool, soil, before, after, dt);
    scene.strikes += SpikeUpdate(scene.spikes, scene.pool, soil, before, after, dt);
    Stop(watch, t.weapons, t.weaponsCpu);

    watch = Start();
    bool hit = MudContactDash(scene.pool, before, after, PLAYER_CONTACT_RADIUS);
    hit = MudContactKick(scene.pool, before, after, PLAYER_CONTACT_RADIUS) || hit;
    hit = MudContactPunch(scene.pool, before, after, PLAYER_CONTACT_RADIUS) || hit;
    hit = MudContactProjectile(scene.pool, before, after, PLAYER_CONTACT_RADIUS) || hit;
    hit = MudContactTouch(scene.pool, before, after, PLAYER_CONTACT_RADIUS) || hit;
    scene.contacts += hit;
    Stop(watch, t.queries, t.queriesCpu);

    watch = Start();
    CameraFollow(camera, after, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    MudPack(scene.pool, scene.pack, camera.position, camera.right, camera.up, camera.viewHeight, 16.0f / 9.0f);
    MeteorRenderData(scene.meteors, scene.meteorRender);
    SpikeRenderData(scene.spikes, scene.spikeRender);
    Stop(watch, t.pack, t.packCpu);

    scene.player = after;
    scene.step++;
    if (times) *times = t;
}

// [SECTION] Benchmark

static void Percentiles(std::vector<double> ms, double *median, double *p99, double *most)
{
    std::sort(ms.begin(), ms.end());
    size_t n = ms.size();
    *median = ms[n / 2];
    *p99 = ms[std::min(n - 1, (size_t)std::ceil(0.99 * (double)n) - 1)];
    *most = ms[n - 1];
}

// The same fight through the real game step: the run's creatures filled and refilled to 45 of
// every form with the two bosses, eight meteors and eight blades kept in flight from the
// player's spot, both aids at their highest level, the player immortal and walking a square.
// Returns the whole step's wall and processor milliseconds per frame, and the packing's.
static void WholeStepBenchmark(std::vector<double> &stepWall, std::vector<double> &stepCpu, std::vector<double> &packCpu)
{
    auto field = std::make_unique<Field>();
    auto run = std::make_unique<DevHeadless>();
    DevHeadlessReset(*run, *field, FIELD_DEVELOPER_SEED);
    field->loop.immortal = true;
    field->shop.level[SHOP_DRONE] = ShopMaxLevel(SHOP_DRONE);
    field->shop.level[SHOP_REPEL] = ShopMaxLevel(SHOP_REPEL);
    MudPoolReset(field->mud, 0);
    field->mud.mergeEnabled = 0;
    for (int k = 0; k < 45; k++) {
        float radius = 3.0f + 0.35f * (float)k, angle = 2.39996f * (float)k;
        MudSceneAddBody(field->mud, radius * std::cos(angle), radius * std::sin(angle), BENCH_MASSES[k % 5], MUD_UNIT_SIZE);
    }
    MudSceneAddBoss(field->mud, 14.0f, 0.0f, 1);
    MudSceneAddBoss(field->mud, -14.0f, 3.0f, 2);
    static const DevEvent WALK[] = {
        {0, DEV_EVENT_PRESS, KEY_W, 900, 0.0f, {}},
        {900, DEV_EVENT_PRESS, KEY_D, 900, 0.0f, {}},
        {1800, DEV_EVENT_PRESS, KEY_S, 900, 0.0f, {}},
        {2700, DEV_EVENT_PRESS, KEY_A, 900, 0.0f, {}},
    };
    DevScript script{WALK, 4};
    auto pack = std::make_unique<MudPackRecord>();
    for (int step = 0; step < BENCH_STEPS; step++) {
        int meteors = field->meteors.queueCount, blades = field->spikes.queueCount;
        for (const Meteor &m : field->meteors.slots) meteors += m.active;
        for (const Spike &b : field->spikes.slots) blades += b.active;
        const FollowCamera &c = field->camera;
        Vector3 at = field->player.position;
        if (meteors < METEOR_CAPACITY) MeteorCast(field->meteors, at, c.position, c.up, c.viewHeight);
        if (blades < SPIKE_CAPACITY)
            SpikeLaunch(field->spikes, at, {std::sin(field->player.yaw + (float)step), 0.0f, std::cos(field->player.yaw + (float)step)});
        if (LivingOrdinary(field->mud) < 45) MudPoolSpawn(field->mud, at, true, BENCH_MASSES[step % 5], MUD_UNIT_SIZE, false);
        Stopwatch watch = Start();
        DevHeadlessFrame(*run, *field, script, 1.0f / 60.0f);
        double wall, cpu;
        Stop(watch, wall, cpu);
        stepWall.push_back(wall);
        stepCpu.push_back(cpu);
        watch = Start();
        MudPack(field->mud, *pack, c.position, c.right, c.up, c.viewHeight, 16.0f / 9.0f);
        Stop(watch, wall, cpu);
        packCpu.push_back(cpu);
    }
    FieldRelease(*field);
}

int DevBenchmarkCombat()
{
    Soil *soil = CheckSoil();
    if (!soil) {
        printf("combat benchmark: soil grids could not be allocated\n");
        return 1;
    }
    auto scene = std::make_unique<DevCombatScene>();
    DevCombatSceneReset(*scene, *soil);
    std::vector<double> wall[6], cpu[6];
    int meteorsFlying = 0, bladesFlying = 0;
    for (int step = 0; step < BENCH_STEPS; step++) {
        DevCombatTimes t{};
        DevCombatSceneStep(*scene, &t);
        double w[6] = {t.mud, t.weapons, t.support, t.queries, t.pack, t.mud + t.weapons + t.support + t.queries + t.pack};
        double c[6] = {t.mudCpu, t.weaponsCpu, t.supportCpu, t.queriesCpu, t.packCpu,
                       t.mudCpu + t.weaponsCpu + t.supportCpu + t.queriesCpu + t.packCpu};
        for (int k = 0; k < 6; k++) {
            wall[k].push_back(w[k]);
            cpu[k].push_back(c[k]);
        }
        for (const Meteor &m : scene->meteors.slots) meteorsFlying += m.active;
        for (const Spike &b : scene->spikes.slots) bladesFlying += b.active;
    }
    static const char *const NAMES[6] = {"creatures (MudPoolUpdate)", "meteors and blades (hits)", "support (drone, bolts, repel)",
                                         "contact queries", "render packing", "all parts"};
    printf("combat, %d steps at 1/60 s: %d creatures, on average %.1f meteors and %.1f blades in flight\n", BENCH_STEPS,
           LivingOrdinary(scene->pool), (double)meteorsFlying / BENCH_STEPS, (double)bladesFlying / BENCH_STEPS);
    for (int k = 0; k < 6; k++) {
        double median, p99, most, cpuMedian, cpuP99, cpuMost;
        Percentiles(wall[k], &median, &p99, &most);
        Percentiles(cpu[k], &cpuMedian, &cpuP99, &cpuMost);
        printf("%s: median %.4f ms, p99 %.4f ms, max %.4f ms (processor: median %.4f, p99 %.4f, max %.4f)\n", NAMES[k], median,
               p99, most, cpuMedian, cpuP99, cpuMost);
    }
    printf("meteor hits %u, blade cuts %u, bolts %d, pulses %d, own strikes %d, contact steps %d\n", scene->meteors.mudHits,
           scene->spikes.mudHits, scene->support.boltHits, scene->support.pulses, scene->strikes, scene->contacts);

    std::vector<double> stepWall, stepCpu, packCpu;
    WholeStepBenchmark(stepWall, stepCpu, packCpu);
    double median, p99, most, cpuMedian, cpuP99, cpuMost, packMedian, packP99, packMost;
    Percentiles(stepWall, &median, &p99, &most);
    Percentiles(stepCpu, &cpuMedian, &cpuP99, &cpuMost);
    Percentiles(packCpu, &packMedian, &packP99, &packMost);
    printf("whole game step (FieldStep through the headless runner): median %.4f ms, p99 %.4f ms, max %.4f ms "
           "(processor: median %.4f, p99 %.4f, max %.4f)\n", median, p99, most, cpuMedian, cpuP99, cpuMost);
    printf("render packing of the same run, processor: median %.4f ms, p99 %.4f ms, max %.4f ms\n", packMedian, packP99,
           packMost);
    return 0;
}
