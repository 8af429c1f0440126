// Developer self-checks of the mudling wounds and contacts.
//
// Index
//   [SECTION] Scenes
//   [SECTION] Destruction
//   [SECTION] Contacts
//   [SECTION] Contact damage
#include "dev/mud_wound_checks.h"

#include "mud/mud_contact.h"
#include "mud/mud_gait.h"
#include "mud/mud_shape.h"
#include "mud/mud_wounds.h"
#include "world/soil.h"
#include "world/terrain.h"
#include "common/maths.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

// [SECTION] Scenes

static constexpr float PLAYER_R = 0.27f;
static constexpr float METEOR_R = 0.58f;
static const Vector3 FAR_PLAYER = {60.0f, 0.0f, 60.0f};
static const float RATES[3] = {30.0f, 60.0f, 144.0f};

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

// A pool that keeps still while stepped: no merging, no attacks.
static std::unique_ptr<MudPool> QuietPool()
{
    auto pool = std::make_unique<MudPool>();
    MudPoolReset(*pool, 0);
    pool->mergeEnabled = 0;
    pool->attacksEnabled = 0;
    return pool;
}

// A formed creature standing at (x, z).
static int Place(MudPool &pool, float x, float z, float mass, float size = MUD_UNIT_SIZE)
{
    int i = pool.count++;
    MudSlot &s = pool.slots[i];
    memset(&s, 0, sizeof(s));
    s.mass = mass;
    s.size = size;
    s.leader = s.heldBun = s.holder = s.partner = -1;
    s.wetness = 1.0f;
    s.walkerGrowth = mass >= 4.0f ? 1.0f : 0.0f;
    s.golemGrowth = mass >= 7.0f ? 1.0f : 0.0f;
    s.legNorm = mass < 4.0f ? 1.0f : 1.0f / std::cbrt(mass);
    s.legLength = std::cbrt(mass) * s.walkerGrowth * size * 0.85f;
    s.state = mass >= 4.0f ? MUD_WALKING : MUD_RESTING;
    s.duration = 1.0f;
    s.presence = s.emergence = 1.0f;
    s.phase = 7.3f * (float)i + 0.4f;
    s.scale = MudRestShape(s);
    s.position = {x, 0.0f, z};
    s.position.y = MudRestHeight(s, s.scale.y);
    s.from = s.to = s.previousPosition = s.endPosition = s.position;
    s.previousLegs = MudGaitLegPose(s, nullptr);
    return i;
}

static Vector3 Above(const MudSlot &s) { return {s.position.x, s.position.y + 3.0f, s.position.z}; }
static Vector3 Feet(float x, float z) { return {x, TerrainHeight(x, z), z}; }
static bool SameBytes(const MudPool &a, const MudPool &b) { return memcmp(&a, &b, sizeof(MudPool)) == 0; }

// [SECTION] Destruction

static double Ledger(const MudPool &pool, const Soil &soil) { return MudWoundsClay(pool) + SoilTotal(soil); }

// Steps until every corpse and chunk is down; true when the ledger held to 1e-4 throughout.
static bool SettleHolds(MudPool &pool, Soil &soil, double expected, float dt)
{
    bool holds = std::fabs(Ledger(pool, soil) - expected) <= 1e-4 * expected;
    for (int step = 0; step < (int)(5.0f / dt); step++) {
        MudPoolUpdate(pool, FAR_PLAYER, dt, &soil);
        holds = holds && std::fabs(Ledger(pool, soil) - expected) <= 1e-4 * expected;
    }
    for (int i = 0; i < pool.count; i++) {
        const MudSlot &s = pool.slots[i];
        if (s.state == MUD_CORPSE || s.debris[0].active || s.debris[1].active) return false;
    }
    return holds && pool.unplacedClay == 0.0f;
}

static bool CheckLedger(Soil &soil)
{
    bool ok = true;
    for (int scene = 0; scene < 5; scene++) {
        SoilReset(soil);
        auto pool = QuietPool();
        if (scene < 4) Place(*pool, 0.0f, 0.0f, scene == 0 ? 2.0f : (scene == 3 ? 5.0f : 3.0f));
        else
            for (int k = 0; k < 40; k++) Place(*pool, -30.0f + 6.0f * (float)(k % 10), -12.0f + 6.0f * (float)(k / 10), (float)(1 + k % 9));
        double expected = Ledger(*pool, soil);
        MudSlot &s = pool->slots[0];
        Vector3 c = s.position;
        if (scene == 0) MudHitSphere(*pool, soil, Above(s), c, METEOR_R, nullptr);
        if (scene == 1) MudHitSphere(*pool, soil, c + Vector3{0.75f, 2.0f, 0.0f}, c + Vector3{0.75f, 0.0f, 0.0f}, 0.25f, nullptr);
        if (scene == 2) MudHitBlade(*pool, soil, {c.x + 0.55f, 1.0f, c.z - 3.0f}, {c.x + 0.55f, 1.0f, c.z + 3.0f}, 0.05f, {}, nullptr);
        if (scene == 3) MudHitBlade(*pool, soil, {c.x, 1.0f, c.z - 3.0f}, {c.x, 1.0f, c.z + 3.0f}, 0.05f, {}, nullptr);
        if (scene == 4) MudPoolClearWave(*pool);
        ok = ok && SettleHolds(*pool, soil, expected, 1.0f / 60.0f);
    }
    return ok;
}

static bool CheckMaskBits(Soil &soil)
{
    auto pool = QuietPool();
    for (int k = 0; k < MUD_CAPACITY; k++) Place(*pool, -90.0f + 3.8f * (float)k, 0.0f, 2.0f);
    uint64_t mask = 0;
    int hits = 0;
    for (int slot : {0, 31, 32, 47}) hits += MudHitSphere(*pool, soil, Above(pool->slots[slot]), pool->slots[slot].position, METEOR_R, &mask);
    // A second sweep with the same mask finds nobody left to hurt.
    for (int slot : {0, 31, 32, 47}) hits += MudHitSphere(*pool, soil, Above(pool->slots[slot]), pool->slots[slot].position, METEOR_R, &mask);
    return hits == 4 && mask == (MudHitMaskBit(0) | MudHitMaskBit(31) | MudHitMaskBit(32) | MudHitMaskBit(47));
}

static bool CheckBossHitPoints(Soil &soil)
{
    auto pool = QuietPool();
    int i = Place(*pool, 0.0f, 0.0f, 6.0f, MUD_BOSS_SIZE);
    MudSlot &boss = pool->slots[i];
    boss.boss = 1;
    boss.bossIndex = 1;
    boss.health = boss.maxHealth = 32.0f;
    Vector3 c = boss.position;
    MudHitSphere(*pool, soil, Above(boss), c, METEOR_R, nullptr);
    bool sphere = boss.health == 29.0f;
    MudHitBlade(*pool, soil, {c.x - 6.0f, 1.0f, c.z}, {c.x + 6.0f, 1.0f, c.z}, 0.1f, {}, nullptr);
    bool blade = boss.health == 27.0f;
    MudHitPlasma(*pool, {c.x - 8.0f, c.y, c.z}, {c.x + 8.0f, c.y, c.z}, 0.1f, nullptr);
    return sphere && blade && boss.health == 26.0f && boss.state != MUD_CORPSE;
}

static bool CheckRecoil(Soil &soil)
{
    bool ok = true;
    for (float offset : {0.6f, -0.6f})
        for (float direction : {1.0f, -1.0f}) {
            auto pool = QuietPool();
            int i = Place(*pool, 0.0f, 0.0f, 3.0f);
            float x = offset;
            MudHitBlade(*pool, soil, {x, 1.0f, -3.0f * direction}, {x, 1.0f, 3.0f * direction}, 0.05f, {}, nullptr);
            const MudSlot &s = pool->slots[i];
            ok = ok && s.wounds.planarCut && s.recoil.x * offset < 0.0f;
        }
    return ok;
}

static bool CheckChunkLanding(Soil &soil)
{
    Vector3 landing[2];
    float airborne[2];
    for (int r = 0; r < 2; r++) {
        auto pool = QuietPool();
        int i = Place(*pool, 3.0f, 2.0f, 2.0f);
        MudWoundsDebrisLaunch(*pool, &soil, i, pool->slots[i].position + Vector3{0.5f, 0.2f, 0.1f}, {0.0f, -1.0f, 0.0f}, 0.05f);
        const MudDebris &chunk = pool->slots[i].debris[0];
        for (int step = 0; step < 600 && chunk.active; step++) MudWoundsDebrisFly(*pool, &soil, i, r == 0 ? 1.0f / 30.0f : 1.0f / 144.0f);
        landing[r] = chunk.position;
        airborne[r] = chunk.airborne;
    }
    return std::fabs(airborne[0] - airborne[1]) < 1e-4f && Vector3Distance(landing[0], landing[1]) < 1e-3f;
}

static bool CheckEmptyPrints(Soil &soil)
{
    SoilReset(soil);
    auto pool = QuietPool();
    int i = Place(*pool, 0.0f, 0.0f, 2.0f);
    MudSlot &s = pool->slots[i];
    s.wounds.woundCount = 2;
    s.wounds.cavities[0] = s.wounds.cavities[1] = {0.0f, 0.0f, 0.0f, 4.0f};
    double expected = Ledger(*pool, soil);
    MudSlot copy = s;
    MudWoundsDie(*pool, i, false, {}, copy, false);
    bool fallback = s.wounds.printFirstShare == 1.0f && s.wounds.printGrids[0][8 * MUD_PRINT_SIDE + 8] == 1;
    return fallback && SettleHolds(*pool, soil, expected, 1.0f / 60.0f);
}

static bool CheckPlasmaThreshold()
{
    bool ok = true;
    const float scorches[4] = {1.0f, 2.0f, 2.4f, 1.9f};
    const bool dies[4] = {false, true, true, false};
    for (int k = 0; k < 4; k++) {
        auto pool = QuietPool();
        int i = Place(*pool, 0.0f, 0.0f, 2.0f);
        pool->slots[i].scorch = scorches[k];
        Vector3 p = pool->slots[i].position;
        int hit = MudHitPlasma(*pool, {p.x - 6.0f, p.y, p.z}, {p.x + 6.0f, p.y, p.z}, 0.05f, nullptr);
        ok = ok && hit == i && (pool->slots[i].state == MUD_CORPSE) == dies[k];
    }
    return ok;
}

static bool CheckGuards(Soil &soil)
{
    auto pool = QuietPool();
    Place(*pool, 0.0f, 0.0f, 3.0f);
    auto before = std::make_unique<MudPool>();
    memcpy(before.get(), pool.get(), sizeof(MudPool));
    uint64_t mask = 0x77u;
    int hits = MudHitSphere(*pool, soil, {NAN, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, METEOR_R, &mask);
    hits += MudHitSphere(*pool, soil, {0.0f, 3.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, &mask);
    hits += MudHitBlade(*pool, soil, {-3.0f, 1.0f, 0.0f}, {3.0f, 1.0f, INFINITY}, 0.1f, {}, &mask);
    hits += MudHitBlade(*pool, soil, {-3.0f, 1.0f, 0.0f}, {3.0f, 1.0f, 0.0f}, -1.0f, {}, &mask);
    hits += MudHitPlasma(*pool, {0.0f, NAN, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.1f, nullptr) + 1;
    return hits == 0 && mask == 0x77u && SameBytes(*pool, *before);
}

static bool CheckWaveClear()
{
    auto pool = QuietPool();
    for (int k = 0; k < 6; k++) Place(*pool, 4.0f * (float)k, 0.0f, 1.0f + (float)k);
    pool->slots[5].boss = 1;
    pool->slots[5].health = 10.0f;
    MudPoolClearWave(*pool);
    bool ok = pool->deathCount == 0 && pool->slots[5].state == MUD_WALKING;
    for (int k = 0; k < 5; k++) ok = ok && pool->slots[k].state == MUD_CORPSE;
    return ok;
}

int DevTestDestruction()
{
    Tally tally{};
    auto soil = std::make_unique<Soil>();
    if (!SoilCreate(*soil)) {
        Check(tally, false, "soil: grids allocated");
        return Summary(tally);
    }
    Check(tally, CheckLedger(*soil), "ledger: glancing meteor, cavity, side cut, split and a 40-body wave clear keep the clay");
    Check(tally, CheckMaskBits(*soil), "mask: slots 0, 31, 32 and 47 hurt once, each its own bit");
    Check(tally, CheckBossHitPoints(*soil), "boss: 3, 2 and 1 hit points for sphere, blade and plasma");
    Check(tally, CheckRecoil(*soil), "cut: recoil away from the blade on either side, either way");
    Check(tally, CheckChunkLanding(*soil), "chunks: the same landing point and time at 30 and 144 Hz");
    Check(tally, CheckEmptyPrints(*soil), "corpse: an empty silhouette still presses its clay under the body");
    Check(tally, CheckPlasmaThreshold(), "plasma: killed at 3 scorches or more");
    Check(tally, CheckGuards(*soil), "guards: non-finite strikes and radii <= 0 change nothing");
    Check(tally, CheckWaveClear(), "wave clear: every ordinary body dies unrewarded, bosses live");
    SoilRelease(*soil);
    return Summary(tally);
}

// [SECTION] Contacts

// Frames of a 10 m/s walk along x at height z that the touch query reports.
static int TouchFrames(const MudPool &pool, float z, float rate, float phase)
{
    float step = 10.0f / rate;
    int frames = 0;
    for (float x = -4.0f + phase * step; x < 4.0f; x += step)
        frames += MudContactTouch(pool, Feet(x, z), Feet(x + step, z), PLAYER_R) ? 1 : 0;
    return frames;
}

static float ForwardReach(const MudSlot &s) { return 1.04f * MudBodyScale(s) * s.scale.z + PLAYER_R; }

static bool CheckFastCrossing(bool nearMiss)
{
    auto pool = QuietPool();
    int i = Place(*pool, 0.0f, 0.0f, 1.0f);
    float z = (nearMiss ? 1.01f : 0.995f) * ForwardReach(pool->slots[i]);
    bool ok = true;
    for (float rate : RATES)
        for (float phase : {0.0f, 0.5f}) {
            int frames = TouchFrames(*pool, z, rate, phase);
            ok = ok && (nearMiss ? frames == 0 : frames >= 1);
        }
    return ok;
}

static bool CheckBodyCrossing()
{
    bool ok = true;
    for (float rate : RATES) {
        auto pool = QuietPool();
        int i = Place(*pool, -5.0f, 2.0f, 1.0f);
        MudSlot &s = pool->slots[i];
        float y = s.position.y, step = 18.0f / rate;
        Vector3 feet = Feet(0.0f, 2.0f - 0.99f * ForwardReach(s));
        int frames = 0;
        for (float x = -5.0f; x < 5.0f; x += step) {
            s.previousPosition = {x, y, 2.0f};
            s.position = {x + step, y, 2.0f};
            frames += MudContactTouch(*pool, feet, feet, PLAYER_R) ? 1 : 0;
        }
        ok = ok && frames >= 1;
    }
    return ok;
}

static bool CheckReadOnly()
{
    auto pool = QuietPool();
    Place(*pool, 0.0f, 0.0f, 1.0f);
    Place(*pool, 0.3f, 1.5f, 4.0f);
    int cut = Place(*pool, -1.0f, -1.0f, 3.0f);
    pool->slots[cut].wounds.planarCut = 1;
    pool->slots[cut].wounds.cutPlane = {1.0f, 0.0f, 0.0f, -0.3f};
    auto before = std::make_unique<MudPool>();
    memcpy(before.get(), pool.get(), sizeof(MudPool));
    bool ok = true;
    for (Vector3 p : {Feet(0.0f, 0.0f), Feet(0.4f, 1.2f), Feet(-1.5f, -1.0f), Feet(9.0f, 9.0f)}) {
        bool first = MudContactTouch(*pool, p, p + Vector3{0.5f, 0.0f, 0.0f}, PLAYER_R);
        ok = ok && MudContactTouch(*pool, p, p + Vector3{0.5f, 0.0f, 0.0f}, PLAYER_R) == first;
    }
    return ok && SameBytes(*pool, *before);
}

static bool CheckCutBody()
{
    auto pool = QuietPool();
    int i = Place(*pool, 0.0f, 0.0f, 3.0f);
    MudSlot &s = pool->slots[i];
    float R = MudBodyRadius(s);
    s.wounds.planarCut = 1;
    s.wounds.cutPlane = {s.scale.x, 0.0f, 0.0f, -0.55f / R};
    return !MudContactTouch(*pool, Feet(1.07f, 0.0f), Feet(1.07f, 0.0f), PLAYER_R) &&
           MudContactTouch(*pool, Feet(0.7f, 0.0f), Feet(0.7f, 0.0f), PLAYER_R) &&
           MudContactTouch(*pool, Feet(-1.2f, 0.0f), Feet(-1.2f, 0.0f), PLAYER_R);
}

static bool CheckFormless()
{
    bool ok = true;
    for (MudState state : {MUD_BURIED, MUD_PUDDLE, MUD_CORPSE, MUD_HELD}) {
        auto pool = QuietPool();
        int i = Place(*pool, 0.0f, 0.0f, 1.0f);
        pool->slots[i].state = state;
        ok = ok && !MudContactTouch(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R);
    }
    return ok;
}

int DevTestContacts()
{
    Tally tally{};
    Check(tally, CheckFastCrossing(false), "crossing: a 10 m/s player grazing a bun is caught at 30, 60 and 144 Hz");
    Check(tally, CheckFastCrossing(true), "crossing: a near miss is never touched");
    Check(tally, CheckBodyCrossing(), "crossing: a body flung past a standing player at 18 m/s is caught");
    Check(tally, CheckReadOnly(), "touch: the same answer twice, the pool byte-identical");
    Check(tally, CheckCutBody(), "touch: a cut body only by its surviving clay");
    Check(tally, CheckFormless(), "touch: buried, puddle, corpse and held bodies never");
    return Summary(tally);
}

// [SECTION] Contact damage

static void DashFrame(MudPool &pool, int i, Vector3 from, Vector3 to)
{
    MudSlot &s = pool.slots[i];
    pool.frame += 1;
    s.state = MUD_DASH;
    s.dashActive = 1;
    s.attackDir = {1.0f, 0.0f, 0.0f};
    s.yaw = std::atan2(1.0f, 0.0f);
    s.scale = {0.88f, 0.58f, 1.53f};
    s.previousPosition = from;
    s.position = to;
}

// Hits of an 18 m/s boss dash along x on a player `lateral` metres off the line, at each rate.
static bool CheckBossDash(float lateral, int expected)
{
    bool ok = true;
    for (float rate : RATES) {
        auto pool = QuietPool();
        pool->attacksEnabled = 1;
        int i = Place(*pool, -20.0f, 0.0f, 3.0f, MUD_BOSS_SIZE);
        pool->slots[i].boss = 1;
        float step = 18.0f / rate, y = pool->slots[i].position.y;
        int hits = 0;
        for (float x = -20.0f; x < 20.0f; x += step) {
            DashFrame(*pool, i, {x, y, 0.0f}, {x + step, y, 0.0f});
            hits += MudContactDash(*pool, Feet(0.0f, lateral), Feet(0.0f, lateral), PLAYER_R) ? 1 : 0;
        }
        ok = ok && hits == expected;
    }
    return ok;
}

static bool CheckKick()
{
    auto pool = QuietPool();
    pool->attacksEnabled = 1;
    int i = Place(*pool, 0.0f, 0.0f, 4.0f);
    MudSlot &s = pool->slots[i];
    MudLegPose legs = MudGaitLegPose(s, nullptr);
    s.previousLegs = legs;
    s.kickActive = 1;
    s.kickLeg = 0;
    float rf = 0.85f * legs.radius * legs.visibility;
    Vector3 feet = legs.foot[0] + Vector3{-(rf + PLAYER_R - 0.02f), 0.0f, 0.0f};
    feet.y = legs.foot[0].y + 0.9f * rf - MUD_CONTACT_LOW;  // only the cylinder's rim reaches
    pool->frame = 1;
    bool first = MudContactKick(*pool, feet, feet, PLAYER_R);
    bool again = MudContactKick(*pool, feet, feet, PLAYER_R);
    pool->frame = 2;
    bool later = MudContactKick(*pool, feet, feet, PLAYER_R);
    return first && !again && !later;
}

static bool CheckProjectile()
{
    auto pool = QuietPool();
    pool->attacksEnabled = 1;
    int i = Place(*pool, -4.0f, 0.0f, 1.0f);
    MudSlot &s = pool->slots[i];
    s.state = MUD_THROWN;
    s.projectileActive = 1;
    float y = TerrainHeight(0.0f, 0.0f) + 1.0f;
    int hits = 0;
    for (int frame = 0; frame < 16; frame++) {
        pool->frame += 1;
        s.flightFrom = {-4.0f + 0.5f * (float)frame, y, 0.0f};
        s.flightTo = {-3.5f + 0.5f * (float)frame, y, 0.0f};
        hits += MudContactProjectile(*pool, Feet(0.0f, 0.0f), Feet(0.0f, 0.0f), PLAYER_R) ? 1 : 0;
    }
    return hits == 1;
}

static bool CheckDisabledAndInvalid()
{
    auto pool = QuietPool();
    int i = Place(*pool, 0.0f, 0.0f, 1.0f);
    DashFrame(*pool, i, {-1.0f, 0.4f, 0.0f}, {1.0f, 0.4f, 0.0f});
    Vector3 feet = Feet(0.0f, 0.0f);
    bool off = !MudContactDash(*pool, feet, feet, PLAYER_R);
    pool->attacksEnabled = 1;
    bool invalid = !MudContactDash(*pool, {NAN, 0.0f, 0.0f}, feet, PLAYER_R) && !MudContactKick(*pool, feet, {0.0f, INFINITY, 0.0f}, PLAYER_R);
    bool on = MudContactDash(*pool, feet, feet, PLAYER_R);
    return off && invalid && on;
}

int DevTestContactDamage()
{
    Tally tally{};
    Check(tally, CheckBossDash(0.0f, 1), "dash: an 18 m/s boss dash hits a standing player once at 30, 60 and 144 Hz");
    Check(tally, CheckBossDash(3.2f, 0), "dash: a player off the locked line is never hit");
    Check(tally, CheckKick(), "kick: the foot's cylinder rim hits, once per kick and once per update");
    Check(tally, CheckProjectile(), "projectile: one thrown bun hurts once");
    Check(tally, CheckDisabledAndInvalid(), "queries: false with attacks off or a non-finite player");
    return Summary(tally);
}
