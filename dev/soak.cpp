// Soak checks: the finite-value scan, the capacity checks and the resident-memory sample.
//
// Index
//   [SECTION] Finite values
//   [SECTION] Capacities
//   [SECTION] Memory
#include "dev/soak.h"

#include "common/maths.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#if defined(__linux__)
#include <unistd.h>
#endif

// [SECTION] Finite values

namespace {

struct Scan {
    char *where;
    size_t size;
    bool ok = true;

    void Fail(const char *name, int index, int offset)
    {
        if (!ok) return;
        ok = false;
        if (!where || size == 0) return;
        if (index >= 0 && offset >= 0) snprintf(where, size, "%s[%d] +%d", name, index, offset);
        else if (index >= 0) snprintf(where, size, "%s[%d]", name, index);
        else snprintf(where, size, "%s", name);
    }
    void F(float v, const char *name, int index = -1)
    {
        if (!std::isfinite(v)) Fail(name, index, -1);
    }
    void D(double v, const char *name, int index = -1)
    {
        if (!std::isfinite(v)) Fail(name, index, -1);
    }
    void V(Vector3 v, const char *name, int index = -1)
    {
        F(v.x, name, index);
        F(v.y, name, index);
        F(v.z, name, index);
    }
    void V(Vector2 v, const char *name, int index = -1)
    {
        F(v.x, name, index);
        F(v.y, name, index);
    }
    void Fs(const float *v, int n, const char *name)
    {
        for (int i = 0; i < n; i++) F(v[i], name, i);
    }
};

// A byte range of a record that holds integers or byte flags, not floats.
struct NotFloat {
    size_t offset, bytes;
};

}  // namespace

#define MUD_RANGE(first, last) {offsetof(MudSlot, first), offsetof(MudSlot, last) + sizeof(MudSlot::last) - offsetof(MudSlot, first)}
#define WOUND_RANGE(first, last)                                                                                       \
    {offsetof(MudSlot, wounds) + offsetof(MudWounds, first),                                                           \
     offsetof(MudWounds, last) + sizeof(MudWounds::last) - offsetof(MudWounds, first)}

// Everything in a creature that is not a float; the rest is scanned word by word, so a float
// added later is checked without anyone listing it.
static const NotFloat MUD_SLOT_INTEGERS[] = {
    {offsetof(MudSlot, obstacle) + offsetof(MudObstacle, active), 4},
    MUD_RANGE(boss, pad0),
    MUD_RANGE(bossIndex, bossDashes),
    MUD_RANGE(bossLeapNext, pad1),
    MUD_RANGE(state, partner),
    MUD_RANGE(dashActive, pad2),
    MUD_RANGE(avoidSide, avoidSide),
    MUD_RANGE(kickLeg, pad3),
    MUD_RANGE(armReady, pad4),
    MUD_RANGE(hand, holder),
    MUD_RANGE(punchActive, projectileHitDone),
    WOUND_RANGE(cavityPart, cavityPart),
    WOUND_RANGE(woundCount, woundCount),
    WOUND_RANGE(finalDeposit, pad),
    WOUND_RANGE(printGrids, printPad),
    {offsetof(MudSlot, debris) + offsetof(MudDebris, active), 4},
    {offsetof(MudSlot, debris) + sizeof(MudDebris) + offsetof(MudDebris, active), 4},
};

#undef MUD_RANGE
#undef WOUND_RANGE

static_assert(sizeof(MudSlot) % 4 == 0, "a creature is a record of 4-byte words");
static_assert(offsetof(MudSlot, wounds) % 4 == 0 && offsetof(MudWounds, printGrids) % 4 == 0 &&
                  (sizeof(MudWounds::printGrids) + sizeof(MudWounds::printPad)) % 4 == 0,
              "the byte tables fill whole words");

static void ScanSlot(Scan &scan, const MudSlot &slot, int index)
{
    const uint8_t *bytes = (const uint8_t *)&slot;
    size_t offset = 0;
    while (offset < sizeof(MudSlot)) {
        bool skipped = false;
        for (const NotFloat &r : MUD_SLOT_INTEGERS) {
            if (offset >= r.offset && offset < r.offset + r.bytes) {
                offset = r.offset + r.bytes;
                skipped = true;
                break;
            }
        }
        if (skipped) continue;
        float v;
        memcpy(&v, bytes + offset, 4);
        if (!std::isfinite(v)) scan.Fail("mud.slots", index, (int)offset);
        offset += 4;
    }
}

static void ScanMud(Scan &s, const MudPool &m)
{
    s.V(m.obstacle.position, "mud.obstacle.position");
    s.F(m.obstacle.radius, "mud.obstacle.radius");
    s.F(m.obstacle.height, "mud.obstacle.height");
    for (int i = 0; i < MUD_CAPACITY; i++) ScanSlot(s, m.slots[i], i);
    s.F(m.spawnTimer, "mud.spawnTimer");
    s.F(m.directorTimer, "mud.directorTimer");
    for (int i = 0; i < MUD_DEATH_CAPACITY; i++) {
        const DeathRecord &d = m.deaths[i];
        s.V(d.eye0, "mud.deaths.eye0", i);
        s.V(d.eye1, "mud.deaths.eye1", i);
        s.F(d.size, "mud.deaths.size", i);
        s.F(d.heading, "mud.deaths.heading", i);
        s.F(d.seed, "mud.deaths.seed", i);
        s.V(d.center, "mud.deaths.center", i);
    }
    s.F(m.unplacedClay, "mud.unplacedClay");
}

static void ScanPlayer(Scan &s, const Player &p)
{
    s.V(p.position, "player.position");
    s.V(p.velocity, "player.velocity");
    s.F(p.yaw, "player.yaw");
    s.F(p.walkBlend, "player.walkBlend");
    s.F(p.yawRate, "player.yawRate");
    const PlayerPoseState &q = p.pose;
    s.Fs(q.armSwing, 2, "player.pose.armSwing");
    s.V(q.bodyOffset, "player.pose.bodyOffset");
    s.V(q.bodyAngles, "player.pose.bodyAngles");
    for (int i = 0; i < 2; i++) {
        s.V(q.footAngles[i], "player.pose.footAngles", i);
        s.V(q.feet[i].position, "player.pose.feet.position", i);
        s.F(q.feet[i].yaw, "player.pose.feet.yaw", i);
        s.F(q.feet[i].pitch, "player.pose.feet.pitch", i);
    }
    s.F(q.gaitPhase, "player.pose.gaitPhase");
    s.F(q.minFootGap, "player.pose.minFootGap");
    s.F(q.maxLegReach, "player.pose.maxLegReach");
    for (int i = 0; i < PLAYER_JOINT_COUNT; i++) s.V(q.joints[i], "player.pose.joints", i);
    s.F(p.speedMultiplier, "player.speedMultiplier");
}

static void ScanAbilities(Scan &s, const Field &f)
{
    const Bindings &b = f.bindings;
    s.D(b.clock, "bindings.clock");
    s.D(b.interval, "bindings.interval");
    s.D(b.nextSwapAt, "bindings.nextSwapAt");
    s.D(b.lastSwapAt, "bindings.lastSwapAt");
    s.F(b.swapAnim, "bindings.swapAnim");
    s.Fs(b.attackPulse, BINDINGS_ABILITY_SLOTS, "bindings.attackPulse");
    s.Fs(b.cooldown, BINDINGS_ABILITY_SLOTS, "bindings.cooldown");

    const Health &h = f.health;
    s.F(h.invulnerableLeft, "health.invulnerableLeft");
    s.F(h.invulnerableTotal, "health.invulnerableTotal");
    s.F(h.hitFlash, "health.hitFlash");
    s.F(h.healFlash, "health.healFlash");
    s.F(h.shownLoss, "health.shownLoss");
    s.D(h.regenAccumulator, "health.regenAccumulator");
    s.Fs(h.crackTime, HEALTH_SLOT_COUNT, "health.crackTime");
    s.Fs(h.heartFill, HEALTH_SLOT_COUNT, "health.heartFill");

    for (int i = 0; i < METEOR_CAPACITY; i++) {
        const Meteor &m = f.meteors.slots[i];
        s.V(m.target, "meteors.slots.target", i);
        s.V(m.start, "meteors.slots.start", i);
        s.V(m.position, "meteors.slots.position", i);
        s.V(m.previous, "meteors.slots.previous", i);
        s.F(m.phaseTime, "meteors.slots.phaseTime", i);
        s.F(m.look, "meteors.slots.look", i);
    }
    for (int i = 0; i < METEOR_QUEUE_CAPACITY; i++) {
        s.V(f.meteors.queue[i].target, "meteors.queue.target", i);
        s.V(f.meteors.queue[i].start, "meteors.queue.start", i);
    }
    for (int i = 0; i < SPIKE_CAPACITY; i++) {
        const Spike &k = f.spikes.slots[i];
        s.V(k.origin, "spikes.slots.origin", i);
        s.V(k.direction, "spikes.slots.direction", i);
        s.V(k.position, "spikes.slots.position", i);
        s.V(k.previous, "spikes.slots.previous", i);
        s.F(k.phaseTime, "spikes.slots.phaseTime", i);
        s.F(k.distance, "spikes.slots.distance", i);
        s.F(k.look, "spikes.slots.look", i);
        s.F(k.range, "spikes.slots.range", i);
        s.F(k.startDistance, "spikes.slots.startDistance", i);
    }
    for (int i = 0; i < SPIKE_QUEUE_CAPACITY; i++) {
        s.V(f.spikes.queue[i].origin, "spikes.queue.origin", i);
        s.V(f.spikes.queue[i].direction, "spikes.queue.direction", i);
    }
    for (int i = 0; i < SPIKE_SEGMENT_CAPACITY; i++) {
        s.V(f.spikes.segments[i].from, "spikes.segments.from", i);
        s.V(f.spikes.segments[i].to, "spikes.segments.to", i);
    }

    const Support &u = f.support;
    s.V(u.dronePosition, "support.dronePosition");
    s.V(u.aim, "support.aim");
    s.V(u.repelCentre, "support.repelCentre");
    s.F(u.droneClock, "support.droneClock");
    s.F(u.droneTimer, "support.droneTimer");
    s.F(u.repelTimer, "support.repelTimer");
    s.F(u.lastDroneInterval, "support.lastDroneInterval");
    s.F(u.lastRepelInterval, "support.lastRepelInterval");
    s.F(u.sinceRepel, "support.sinceRepel");
    s.F(u.muzzleFlash, "support.muzzleFlash");
    for (int i = 0; i < SUPPORT_BOLT_CAPACITY; i++) {
        s.V(u.bolts[i].position, "support.bolts.position", i);
        s.V(u.bolts[i].previous, "support.bolts.previous", i);
        s.V(u.bolts[i].velocity, "support.bolts.velocity", i);
        s.F(u.bolts[i].age, "support.bolts.age", i);
    }
    for (int i = 0; i < SUPPORT_IMPACT_CAPACITY; i++) {
        s.V(u.impacts[i].position, "support.impacts.position", i);
        s.F(u.impacts[i].age, "support.impacts.age", i);
    }
}

static void ScanWorld(Scan &s, const Field &f, bool heap)
{
    const Ship &p = f.ship;
    s.V(p.position, "ship.position");
    s.V(p.crystal, "ship.crystal");
    s.V(p.crystalFrom, "ship.crystalFrom");
    s.V(p.bossPoint, "ship.bossPoint");
    s.V(p.crystalTarget, "ship.crystalTarget");
    s.V(p.playerSeen, "ship.playerSeen");
    s.F(p.clock, "ship.clock");
    s.F(p.phaseTime, "ship.phaseTime");
    s.F(p.crystalTime, "ship.crystalTime");
    s.F(p.altitude, "ship.altitude");
    s.F(p.smoke, "ship.smoke");

    const FollowCamera &c = f.camera;
    s.V(c.target, "camera.target");
    s.V(c.position, "camera.position");
    s.V(c.forward, "camera.forward");
    s.V(c.right, "camera.right");
    s.V(c.up, "camera.up");
    s.F(c.viewHeight, "camera.viewHeight");

    const Soil &soil = f.soil;
    s.Fs(soil.blockMax, SOIL_BLOCK_COUNT, "soil.blockMax");
    s.F(soil.maxHeight, "soil.maxHeight");
    s.D(soil.total, "soil.total");
    if (heap && soil.cells && soil.volume) {
        for (int i = 0; i < SOIL_CELL_COUNT && s.ok; i++) {
            const SoilCell &cell = soil.cells[i];
            if (!std::isfinite(cell.height) || !std::isfinite(cell.wetness) || !std::isfinite(cell.dryness) ||
                !std::isfinite(cell.mass))
                s.Fail("soil.cells", i, -1);
            s.F(soil.volume[i], "soil.volume", i);
        }
    }

    const TrackAtlas &t = f.tracks;
    for (int i = 0; i < TRACK_STAMP_CAPACITY; i++) {
        const TrackStamp &k = t.stamps[i];
        s.F(k.x, "tracks.stamps.x", i);
        s.F(k.y, "tracks.stamps.y", i);
        s.F(k.z, "tracks.stamps.z", i);
        s.F(k.angle, "tracks.stamps.angle", i);
        s.F(k.size, "tracks.stamps.size", i);
        s.F(k.time, "tracks.stamps.time", i);
        s.F(k.length, "tracks.stamps.length", i);
        s.F(k.startDistance, "tracks.stamps.startDistance", i);
    }
    s.F(t.clock, "tracks.clock");
    s.F(t.sinceFlush, "tracks.sinceFlush");
    s.V(t.origin, "tracks.origin");

    const Campaign &g = f.campaign;
    s.D(g.clock, "campaign.clock");
    s.F(g.levelAge, "campaign.levelAge");
    s.F(g.rowTimer, "campaign.rowTimer");
    s.F(g.rowWarningTime, "campaign.rowWarningTime");
    s.V(g.rowAnchor, "campaign.rowAnchor");
    s.V(g.rowTravel, "campaign.rowTravel");
    s.V(g.rowLateral, "campaign.rowLateral");
    s.F(g.rowSpacing, "campaign.rowSpacing");
    s.F(g.rowSpeed, "campaign.rowSpeed");
    for (int i = 0; i < ROWS_LANES; i++) s.V(g.rollerPositions[i], "campaign.rollerPositions", i);
    s.V(g.cameraSnapshot.position, "campaign.cameraSnapshot.position");
    s.V(g.cameraSnapshot.target, "campaign.cameraSnapshot.target");
    s.V(g.cameraSnapshot.up, "campaign.cameraSnapshot.up");
    s.F(g.cameraSnapshot.fovy, "campaign.cameraSnapshot.fovy");
    s.F(g.aspect, "campaign.aspect");

    const EyeCoins &e = f.coins;
    s.F(e.magnet, "coins.magnet");
    s.F(e.clock, "coins.clock");
    s.F(e.flash, "coins.flash");
    if (heap && e.items) {
        for (uint64_t i = 0; i < e.count && i < e.capacity; i++) {
            const EyeCoin &c = e.items[i];
            int k = (int)i;
            s.V(c.position, "coins.items.position", k);
            s.V(c.velocity, "coins.items.velocity", k);
            s.F(c.size, "coins.items.size", k);
            s.F(c.age, "coins.items.age", k);
            s.F(c.groundHeight, "coins.items.groundHeight", k);
            s.F(c.groundTimer, "coins.items.groundTimer", k);
            s.F(c.attractTime, "coins.items.attractTime", k);
            s.F(c.phase, "coins.items.phase", k);
        }
    }
}

bool SoakFinite(const Field &field, bool heap, char *where, size_t size)
{
    Scan s{where, size};
    if (where && size) where[0] = 0;
    ScanPlayer(s, field.player);
    ScanAbilities(s, field);
    ScanWorld(s, field, heap);
    ScanMud(s, field.mud);
    s.F(field.totalTime, "totalTime");
    s.D(field.runTime, "runTime");
    s.D(field.deathTime, "deathTime");
    return s.ok;
}

// [SECTION] Capacities

namespace {

struct Bounds {
    char *what;
    size_t size;
    bool ok = true;

    // lo <= v <= hi, else the first failure is named with its value.
    void In(long long v, long long lo, long long hi, const char *name, int index = -1)
    {
        if (v >= lo && v <= hi) return;
        if (!ok) return;
        ok = false;
        if (!what || !size) return;
        if (index >= 0) snprintf(what, size, "%s[%d] = %lld outside %lld..%lld", name, index, v, lo, hi);
        else snprintf(what, size, "%s = %lld outside %lld..%lld", name, v, lo, hi);
    }
};

}  // namespace

bool SoakWithinCapacity(const Field &f, char *what, size_t size)
{
    Bounds b{what, size};
    if (what && size) what[0] = 0;
    const MudPool &m = f.mud;
    b.In(m.count, 0, MUD_CAPACITY, "mud.count");
    b.In(m.limit, 0, MUD_CAPACITY, "mud.limit");
    b.In(m.deathCount, 0, MUD_DEATH_CAPACITY, "mud.deathCount");
    b.In(m.queued, 0, MUD_QUEUE_MAX, "mud.queued");
    for (int i = 0; i < 3; i++) b.In(m.directorTarget[i], 0, MUD_CAPACITY, "mud.directorTarget", i);
    for (int i = 0; i < MUD_CAPACITY; i++) {
        const MudSlot &s = m.slots[i];
        if (!(s.mass > 0.0f) || i >= m.count) continue;
        // Links point at slots of the pool or nowhere.
        b.In(s.leader, -1, MUD_CAPACITY - 1, "mud.slots.leader", i);
        b.In(s.heldBun, -1, MUD_CAPACITY - 1, "mud.slots.heldBun", i);
        b.In(s.holder, -1, MUD_CAPACITY - 1, "mud.slots.holder", i);
        b.In(s.state, MUD_BURIED, MUD_BOSS_LEAP, "mud.slots.state", i);
        b.In(s.wounds.woundCount, 0, 2, "mud.slots.wounds.woundCount", i);
    }
    b.In(f.meteors.queueHead, 0, METEOR_QUEUE_CAPACITY - 1, "meteors.queueHead");
    b.In(f.meteors.queueCount, 0, METEOR_QUEUE_CAPACITY, "meteors.queueCount");
    b.In(f.spikes.queueHead, 0, SPIKE_QUEUE_CAPACITY - 1, "spikes.queueHead");
    b.In(f.spikes.queueCount, 0, SPIKE_QUEUE_CAPACITY, "spikes.queueCount");
    b.In(f.spikes.segmentCount, 0, SPIKE_SEGMENT_CAPACITY, "spikes.segmentCount");
    b.In(f.support.impactNext, 0, SUPPORT_IMPACT_CAPACITY - 1, "support.impactNext");
    b.In(f.support.lastTarget, -1, MUD_CAPACITY - 1, "support.lastTarget");

    const Campaign &c = f.campaign;
    if (f.loop.campaign) {
        b.In(c.level, 1, CAMPAIGN_LEVEL_COUNT, "campaign.level");
        b.In(c.phase, CAMPAIGN_ORDINARY, CAMPAIGN_VICTORY, "campaign.phase");
    }
    b.In(c.bossCount, 0, CAMPAIGN_MAX_BOSSES, "campaign.bossCount");
    for (int i = 0; i < CAMPAIGN_MAX_BOSSES; i++) b.In(c.bossSlot[i], -1, MUD_CAPACITY - 1, "campaign.bossSlot", i);
    b.In(c.rollerCount, 0, ROWS_LANES, "campaign.rollerCount");
    b.In(c.gapLane, 0, ROWS_LANES - 2, "campaign.gapLane");

    const Bindings &k = f.bindings;
    b.In(k.pressCount, 0, BINDINGS_KEY_COUNT, "bindings.pressCount");
    int seen = 0;
    for (int i = 0; i < BINDINGS_SLOT_COUNT; i++) {
        b.In(k.slotKey[i], 0, BINDINGS_KEY_COUNT - 1, "bindings.slotKey", i);
        if (k.slotKey[i] >= 0 && k.slotKey[i] < BINDINGS_KEY_COUNT) seen |= 1 << k.slotKey[i];
    }
    // The six slots hold the six keys, each once.
    b.In(seen, 63, 63, "bindings.slotKey keys");

    b.In(f.health.maxQuarters, HEALTH_BASE_QUARTERS, HEALTH_BASE_QUARTERS + 4 * HEALTH_CAPACITY_LEVEL_MAX,
         "health.maxQuarters");
    b.In(f.health.quarters, 0, f.health.maxQuarters, "health.quarters");

    const EyeCoins &e = f.coins;
    b.In((long long)(e.count <= e.capacity ? 0 : 1), 0, 0, "coins.count beyond coins.capacity");
    b.In((long long)(e.capacity == 0 || e.items ? 0 : 1), 0, 0, "coins.capacity without storage");
    b.In(e.remainder, 0, 9, "coins.remainder");

    for (int i = 0; i < SHOP_UPGRADE_COUNT; i++) b.In(f.shop.level[i], 0, ShopMaxLevel(i), "shop.level", i);
    b.In(f.shop.revivesUsed, 0, ShopRevives(&f.shop), "shop.revivesUsed");
    return b.ok;
}

// [SECTION] Memory

uint64_t SoakResidentBytes()
{
#if defined(__linux__)
    FILE *f = fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long long total = 0, resident = 0;
    int read = fscanf(f, "%llu %llu", &total, &resident);
    fclose(f);
    long page = sysconf(_SC_PAGESIZE);
    if (read != 2 || page <= 0) return 0;
    return (uint64_t)resident * (uint64_t)page;
#else
    return 0;
#endif
}
