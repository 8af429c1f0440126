#include "campaign/ship.h"
#include "common/maths.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

const float RATES[] = {30.0f, 60.0f, 144.0f};
const float NAN_F = std::numeric_limits<float>::quiet_NaN();
const float BODY = 0.32f;   // the player's footprint

float DistXZ(Vector3 a, Vector3 b) { return LengthXZ(a - b); }

Vector3 Ground(float x, float z) { return {x, TerrainHeight(x, z), z}; }

ShipBossView BossView(int level, int phase, bool present, Vector3 boss)
{
    ShipBossView v{};
    v.level = level;
    v.phase = phase;
    v.bossCount = 1;
    v.bossPresent[0] = present;
    v.bossPosition[0] = boss;
    return v;
}

// A wreck beside a player at the centre with a crystal dropped by a boss at `boss`.
Ship DroppedAt(Vector3 boss)
{
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, BODY);
    ShipWatchFinalBoss(ship, BossView(4, 1, true, boss));
    ShipWatchFinalBoss(ship, BossView(4, 2, false, {}));
    return ship;
}

// The finale played by a scripted player: stand still during the toss, run past the crystal
// at ten times the walking speed, walk to the hatch, board.
struct Finale {
    Ship ship{};
    Vector3 player{};
    float time = 0.0f;
    Vector3 passAim{};
    bool passing = false;
    int drops = 0, victories = 0;
    float pickup = -1.0f, install = -1.0f, repair = -1.0f, board = -1.0f, depart = -1.0f;
    float installDistance = 0.0f, boardDistance = 0.0f, pickupSweep = 0.0f;
    float closestToBase = 1e9f;
    bool carriedAbove = true, verticalLaunch = true, socketed = true;
};

// Horizontal distance from `p` to the segment a..b.
float SegmentDist(Vector3 p, Vector3 a, Vector3 b)
{
    Vector3 ab = {b.x - a.x, 0.0f, b.z - a.z}, ap = {p.x - a.x, 0.0f, p.z - a.z};
    float l = ab.x * ab.x + ab.z * ab.z;
    float t = l > 0.0f ? ClampSafe((ap.x * ab.x + ap.z * ab.z) / l, 0.0f, 1.0f) : 0.0f;
    return LengthXZ(ap - ab * t);
}

void FinaleFrame(Finale &f, float dt)
{
    Ship &s = f.ship;
    f.time += dt;
    // The last boss is fought from 0.5 s and dies at 1.5 s; the campaign then stays in victory.
    int phase = f.time < 0.5f ? 0 : (f.time < 1.5f ? 1 : 2);
    Vector3 boss = Ground(14.0f - 0.5f * f.time, 6.0f);
    ShipCrystalState before = s.crystalState;
    ShipWatchFinalBoss(s, BossView(4, phase, phase == 1, boss));
    ShipWatchFinalBoss(s, BossView(4, phase, phase == 1, boss));
    if (before == SHIP_CRYSTAL_NONE && s.crystalState == SHIP_CRYSTAL_DROPPED) f.drops++;

    Vector3 goal = f.player;
    float speed = 2.7f;
    if (s.crystalState == SHIP_CRYSTAL_DROPPED && s.crystalTime >= SHIP_FLIGHT_SECONDS) {
        if (!f.passing) {
            // Aim 0.45 m beside the crystal and far beyond it, so the run sweeps past it.
            Vector3 u = Vector3Normalize({s.crystal.x - f.player.x, 0.0f, s.crystal.z - f.player.z});
            f.passAim = s.crystal + Vector3{-u.z, 0.0f, u.x} * 0.45f + u * 8.0f;
            f.passing = true;
        }
        goal = f.passAim;
        speed = 27.0f;
    } else if (s.crystalState >= SHIP_CRYSTAL_ATTRACTED && !ShipPlayerAboard(s)) {
        goal = ShipHatchPoint(s);
    }
    Vector3 from = f.player;
    Vector3 to = goal - from;
    to.y = 0.0f;
    float distance = LengthXZ(to);
    Vector3 proposed = from;
    if (!ShipPlayerAboard(s) && distance > 0.05f) proposed = from + to * (std::fmin(speed * dt, distance) / distance);
    f.player = ShipSlideBody(s, from, proposed, BODY);
    f.player.y = TerrainHeight(f.player.x, f.player.z);
    f.closestToBase = std::fmin(f.closestToBase, DistXZ(f.player, s.position));

    ShipCrystalState crystal = s.crystalState;
    ShipPhase shipPhase = s.phase;
    Vector3 base = s.position;
    if (ShipUpdate(s, from, f.player, dt)) {
        f.victories++;
        f.depart = f.time;
    }
    if (crystal == SHIP_CRYSTAL_DROPPED && s.crystalState == SHIP_CRYSTAL_ATTRACTED) {
        f.pickup = f.time;
        f.pickupSweep = SegmentDist(s.crystal, from, f.player);
    }
    if (crystal == SHIP_CRYSTAL_CARRIED && s.crystalState == SHIP_CRYSTAL_INSTALLING) {
        f.install = f.time;
        f.installDistance = DistXZ(f.player, s.position);
    }
    if (shipPhase == SHIP_WRECKED && s.phase == SHIP_REPAIRED) f.repair = f.time - s.phaseTime;
    if (shipPhase == SHIP_REPAIRED && s.phase == SHIP_LAUNCHING) {
        f.board = f.time;
        f.boardDistance = DistXZ(f.player, ShipHatchPoint(s));
    }
    if (s.crystalState == SHIP_CRYSTAL_CARRIED && (s.crystal.x != f.player.x || s.crystal.z != f.player.z)) f.carriedAbove = false;
    if (s.phase >= SHIP_LAUNCHING) {
        if (s.position.x != base.x || s.position.z != base.z) f.verticalLaunch = false;
        Vector3 socket = ShipSocketPoint(s);
        if (s.crystal.x != socket.x || s.crystal.y != socket.y || s.crystal.z != socket.z) f.socketed = false;
    }
}

Finale PlayFinale(float hz, float seconds)
{
    Finale f;
    f.player = ShipReset(f.ship, {0.0f, 0.0f, 0.0f}, BODY);
    int frames = (int)std::lround(seconds * hz);
    for (int i = 0; i < frames; i++) FinaleFrame(f, 1.0f / hz);
    return f;
}

}  // namespace

TEST(ShipReset, WreckBesideThePlayerAtTheCentre)
{
    Ship ship{};
    Vector3 player = ShipReset(ship, {0.0f, 0.0f, 0.0f}, BODY);
    EXPECT_FLOAT_EQ(ship.position.x, -3.6f);
    EXPECT_FLOAT_EQ(ship.position.z, -1.3f);
    EXPECT_FLOAT_EQ(ship.position.y, TerrainHeight(-3.6f, -1.3f));
    EXPECT_EQ(ship.phase, SHIP_WRECKED);
    EXPECT_EQ(ship.crystalState, SHIP_CRYSTAL_NONE);
    EXPECT_EQ(ship.smoke, 1.0f);
    EXPECT_TRUE(ship.enabled);
    EXPECT_EQ(player.x, 0.0f);
    EXPECT_EQ(player.z, 0.0f);
}

// Near every wall and corner the wreck keeps its footprint inside, the player starts outside the
// hull and inside the arena, and the hatch can be reached.
TEST(ShipReset, EdgesKeepFootprintPlayerAndHatch)
{
    const float edge = ARENA_HALF_SIZE - BODY;
    const float spots[] = {-edge, -edge + 0.5f, -120.0f, -60.0f, 0.0f, 60.0f, 120.0f, edge - 0.5f, edge};
    for (float x : spots) {
        for (float z : spots) {
            Vector3 start = ArenaClampCircle({x, 0.0f, z}, BODY);
            Ship ship{};
            Vector3 player = ShipReset(ship, start, BODY);
            SCOPED_TRACE(testing::Message() << "player " << start.x << ", " << start.z);
            EXPECT_TRUE(ArenaContainsCircle(ship.position, SHIP_FOOTPRINT_RADIUS));
            EXPECT_TRUE(ArenaContainsCircle(player, BODY));
            EXPECT_FALSE(ShipHullOverlaps(ship, player, 0.3199f));
            Vector3 hatch = ShipHatchPoint(ship);
            Vector3 stand = ShipSlideBody(ship, hatch, hatch, BODY);
            EXPECT_LE(DistXZ(stand, hatch), SHIP_BOARD_RADIUS);
        }
    }
}

TEST(ShipReset, NewRunRestoresTheWreck)
{
    Finale f = PlayFinale(60.0f, 40.0f);
    ASSERT_EQ(f.ship.phase, SHIP_DEPARTED);
    ShipReset(f.ship, {0.0f, 0.0f, 0.0f}, BODY);
    EXPECT_EQ(f.ship.phase, SHIP_WRECKED);
    EXPECT_EQ(f.ship.crystalState, SHIP_CRYSTAL_NONE);
    EXPECT_FALSE(f.ship.bossSeen);
    EXPECT_EQ(f.ship.smoke, 1.0f);
    EXPECT_EQ(f.ship.altitude, 0.0f);
    EXPECT_EQ(f.ship.clock, 0.0f);
}

TEST(ShipFinale, SameSequenceAt30_60And144Hz)
{
    Finale runs[3];
    for (int r = 0; r < 3; r++) {
        float hz = RATES[r];
        float dt = 1.0f / hz;
        SCOPED_TRACE(testing::Message() << hz << " Hz");
        Finale &f = runs[r];
        f = PlayFinale(hz, 40.0f);
        EXPECT_EQ(f.drops, 1);
        EXPECT_GE(DistXZ(f.ship.crystalTarget, f.ship.position), SHIP_CRYSTAL_CLEARANCE);
        ASSERT_GT(f.pickup, 0.0f);
        EXPECT_LE(f.pickupSweep, SHIP_PICKUP_RADIUS);
        ASSERT_GT(f.install, f.pickup);
        EXPECT_LE(f.installDistance, SHIP_INSTALL_RADIUS);
        EXPECT_GT(f.installDistance, SHIP_INSTALL_RADIUS - 2.7f * dt - 1e-3f);   // not a frame earlier
        EXPECT_NEAR(f.repair - f.install, SHIP_FLIGHT_SECONDS, 1e-3f);
        ASSERT_GT(f.board, 0.0f);
        EXPECT_GE(f.board - f.repair, SHIP_BOARD_DELAY - 1e-4f);
        EXPECT_LE(f.boardDistance, SHIP_BOARD_RADIUS);
        EXPECT_GE(f.depart - f.board, SHIP_LAUNCH_SECONDS - 1e-3f);
        EXPECT_LE(f.depart - f.board, SHIP_LAUNCH_SECONDS + dt + 1e-3f);
        EXPECT_EQ(f.victories, 1);
        EXPECT_TRUE(f.carriedAbove);
        EXPECT_TRUE(f.verticalLaunch);
        EXPECT_TRUE(f.socketed);
        EXPECT_GE(f.closestToBase, SHIP_HULL_RADIUS + BODY);
        EXPECT_EQ(f.ship.phase, SHIP_DEPARTED);
        EXPECT_FLOAT_EQ(f.ship.altitude, 2.35f * 4.15f * 4.15f);
    }
    for (int r = 0; r < 3; r++) {
        EXPECT_NEAR(runs[r].pickup, runs[1].pickup, 0.07f);
        EXPECT_NEAR(runs[r].install, runs[1].install, 0.1f);
        EXPECT_NEAR(runs[r].board, runs[1].board, 0.1f);
        EXPECT_NEAR(runs[r].depart, runs[1].depart, 0.1f);
    }
}

// The hatch stays shut for 0.65 s after the repair even for a player waiting on it, and opens
// only within 0.64 m.
TEST(ShipFinale, BoardingNeedsTheDelayAndACloseHatch)
{
    for (float hz : RATES) {
        float dt = 1.0f / hz;
        struct Case { float offset; bool boards; } cases[] = {{0.0f, true}, {0.6f, true}, {0.7f, false}};
        for (const Case &c : cases) {
            Ship ship = DroppedAt(Ground(10.0f, 0.0f));
            ship.crystalState = SHIP_CRYSTAL_INSTALLING;
            ship.crystalFrom = ship.crystal;
            ship.crystalTime = 0.0f;
            // Beside the hatch, clear of the hull.
            Vector3 wait = ShipHatchPoint(ship) + Vector3{c.offset, 0.0f, 0.0f};
            float repaired = -1.0f, boarded = -1.0f;
            for (int i = 0; i < (int)(3.0f * hz); i++) {
                ShipPhase before = ship.phase;
                ShipUpdate(ship, wait, wait, dt);
                float t = (float)(i + 1) * dt;
                if (before == SHIP_WRECKED && ship.phase == SHIP_REPAIRED) repaired = t - ship.phaseTime;
                if (before == SHIP_REPAIRED && ship.phase == SHIP_LAUNCHING) boarded = t;
            }
            SCOPED_TRACE(testing::Message() << hz << " Hz, " << c.offset << " m from the hatch");
            EXPECT_NEAR(repaired, SHIP_FLIGHT_SECONDS, 1e-4f);
            if (c.boards) {
                EXPECT_GE(boarded - repaired, SHIP_BOARD_DELAY - 1e-4f);
                EXPECT_LE(boarded - repaired, SHIP_BOARD_DELAY + dt + 1e-4f);
            } else {
                EXPECT_LT(boarded, 0.0f);
                EXPECT_EQ(ship.phase, SHIP_REPAIRED);
            }
        }
    }
}

// A player crossing past the resting crystal takes it when its step, not its end point, comes
// within 0.55 m.
TEST(ShipCrystal, PickupIsSweptOverTheStep)
{
    struct Case { float miss; bool picked; } cases[] = {{0.0f, true}, {0.5f, true}, {0.549f, true}, {0.56f, false}, {1.0f, false}};
    for (const Case &c : cases) {
        Ship ship = DroppedAt(Ground(12.0f, 4.0f));
        ShipUpdate(ship, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.9f);   // the toss has landed
        ASSERT_EQ(ship.crystalState, SHIP_CRYSTAL_DROPPED);
        Vector3 k = ship.crystalTarget;
        // One 1.35 m step (27 m/s for 0.05 s) whose ends are both 0.67 m along the path from the crystal.
        Vector3 before = {k.x - 0.675f, k.y, k.z + c.miss}, after = {k.x + 0.675f, k.y, k.z + c.miss};
        ShipUpdate(ship, before, after, 0.05f);
        EXPECT_EQ(ship.crystalState == SHIP_CRYSTAL_ATTRACTED, c.picked) << "passing at " << c.miss << " m";
    }
}

TEST(ShipCrystal, TossArcsAndIsNotTakenInFlight)
{
    Ship ship = DroppedAt(Ground(12.0f, 4.0f));
    Vector3 from = ship.crystalFrom, target = ship.crystalTarget;
    EXPECT_NEAR(DistXZ(from, target), SHIP_TOSS_DISTANCE, 1e-3f);
    EXPECT_FLOAT_EQ(target.y, TerrainHeight(target.x, target.z) + 0.4f);
    // Half way: the middle of the line, 2 m above it. Standing on the landing point takes nothing yet.
    ShipUpdate(ship, target, target, 0.425f);
    EXPECT_NEAR(ship.crystal.x, 0.5f * (from.x + target.x), 1e-4f);
    EXPECT_NEAR(ship.crystal.y, 0.5f * (from.y + target.y) + 2.0f, 1e-4f);
    EXPECT_EQ(ship.crystalState, SHIP_CRYSTAL_DROPPED);
    ShipUpdate(ship, target, target, 0.42f);
    EXPECT_EQ(ship.crystalState, SHIP_CRYSTAL_DROPPED);
    ShipUpdate(ship, target, target, 0.01f);
    EXPECT_EQ(ship.crystalState, SHIP_CRYSTAL_ATTRACTED);
}

// The landing point stays 1.58 m from the base, inside the arena, and away from the player, for
// bosses all around the wreck and against the walls.
TEST(ShipCrystal, LandsClearOfTheHullAndAwayFromThePlayer)
{
    for (int i = 0; i < 36; i++) {
        float a = (float)i * 2.0f * PI / 36.0f;
        for (float r : {1.8f, 3.0f, 6.0f}) {
            Ship ship = DroppedAt(Ground(-3.6f + r * std::cos(a), -1.3f + r * std::sin(a)));
            ASSERT_EQ(ship.crystalState, SHIP_CRYSTAL_DROPPED);
            EXPECT_GE(DistXZ(ship.crystalTarget, ship.position), SHIP_CRYSTAL_CLEARANCE);
            EXPECT_TRUE(ArenaContainsCircle(ship.crystalTarget, 0.4f));
        }
    }
    for (Vector3 boss : {Ground(125.0f, 0.0f), Ground(-120.0f, -120.0f), Ground(30.0f, 127.0f)}) {
        Ship ship = DroppedAt(boss);
        EXPECT_TRUE(ArenaContainsCircle(ship.crystalTarget, 0.4f));
    }
    Ship open = DroppedAt(Ground(20.0f, 10.0f));
    EXPECT_GT(DistXZ(open.crystalTarget, open.playerSeen), DistXZ(open.crystalFrom, open.playerSeen));
}

TEST(ShipCrystal, NoDropOnEarlierLevelsUnseenBossOrASecondTime)
{
    for (int level = 1; level <= 3; level++) {
        Ship ship{};
        ShipReset(ship, {0.0f, 0.0f, 0.0f}, BODY);
        ShipWatchFinalBoss(ship, BossView(level, 1, true, Ground(10.0f, 0.0f)));
        ShipWatchFinalBoss(ship, BossView(level, 2, false, {}));
        EXPECT_EQ(ship.crystalState, SHIP_CRYSTAL_NONE) << "level " << level;
        EXPECT_FALSE(ship.bossSeen);
    }
    {
        // Victory without the boss ever seen in its gate, or seen only as an empty slot.
        Ship ship{};
        ShipReset(ship, {0.0f, 0.0f, 0.0f}, BODY);
        ShipWatchFinalBoss(ship, BossView(4, 1, false, Ground(10.0f, 0.0f)));
        ShipWatchFinalBoss(ship, BossView(4, 2, false, {}));
        EXPECT_EQ(ship.crystalState, SHIP_CRYSTAL_NONE);
    }
    {
        Ship ship = DroppedAt(Ground(10.0f, 0.0f));
        Vector3 target = ship.crystalTarget;
        // The slot is reused by a new boss-marked body elsewhere; a later watch changes nothing.
        ShipUpdate(ship, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.3f);
        Ship before = ship;
        ShipWatchFinalBoss(ship, BossView(4, 1, true, Ground(-40.0f, 20.0f)));
        ShipWatchFinalBoss(ship, BossView(4, 2, false, {}));
        EXPECT_EQ(std::memcmp(&before, &ship, sizeof(Ship)), 0);
        EXPECT_EQ(ship.crystalTarget.x, target.x);
    }
}

TEST(ShipCrystal, InstallsOnlyWithin3_4Metres)
{
    for (float distance : {3.45f, 3.39f}) {
        Ship ship = DroppedAt(Ground(10.0f, 0.0f));
        ship.crystalState = SHIP_CRYSTAL_CARRIED;
        Vector3 p = Ground(ship.position.x + distance, ship.position.z);
        ShipUpdate(ship, p, p, 1.0f / 60.0f);
        EXPECT_EQ(ship.crystalState == SHIP_CRYSTAL_INSTALLING, distance <= SHIP_INSTALL_RADIUS) << distance << " m";
    }
}

// A frozen frame (pause, lost focus, death) leaves the record bit for bit; so does a missing shuttle.
TEST(ShipUpdate, FrozenStepsChangeNothing)
{
    Finale f = PlayFinale(60.0f, 9.0f);
    ASSERT_NE(f.ship.crystalState, SHIP_CRYSTAL_NONE);
    for (float dt : {0.0f, -0.02f, NAN_F, std::numeric_limits<float>::infinity()}) {
        Ship before = f.ship;
        EXPECT_FALSE(ShipUpdate(f.ship, f.player, {f.player.x + 1.0f, f.player.y, f.player.z}, dt));
        EXPECT_EQ(std::memcmp(&before, &f.ship, sizeof(Ship)), 0) << "dt " << dt;
    }
    Ship off = f.ship;
    off.enabled = false;
    Ship copy = off;
    ShipUpdate(off, f.player, f.player, 0.016f);
    ShipWatchFinalBoss(off, BossView(4, 2, false, {}));
    EXPECT_EQ(std::memcmp(&copy, &off, sizeof(Ship)), 0);
}

TEST(ShipUpdate, NonFinitePlayerKeepsTheRecordFinite)
{
    Finale f = PlayFinale(60.0f, 12.0f);
    Ship &s = f.ship;
    ShipUpdate(s, {NAN_F, 0.0f, 0.0f}, {NAN_F, NAN_F, NAN_F}, 0.016f);
    EXPECT_TRUE(IsFinite(s.crystal) && IsFinite(s.playerSeen) && IsFinite(s.smoke) && IsFinite(s.phaseTime));
    Vector3 p = ShipSlideBody(s, f.player, {NAN_F, 0.0f, 0.0f}, BODY);
    EXPECT_TRUE(IsFinite(p));
}

// 27 m/s with dt 0.05 (1.35 m a step) at the hull from every side and offset: never within
// 1.2 m of the base, never a hull overlap for the consistency check, never faster than the move,
// and every run not aimed at the centre gets round the hull.
TEST(ShipSlideBody, FastBodiesNeverEnterTheHull)
{
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, BODY);
    Vector3 base = ship.position;
    const float L = SHIP_HULL_RADIUS + BODY;
    const float step = 27.0f * 0.05f;
    int blocked = 0;
    for (int i = 0; i < 72; i++) {
        float heading = (float)i * 2.0f * PI / 72.0f;
        Vector3 u = {std::cos(heading), 0.0f, std::sin(heading)};
        Vector3 side = {-u.z, 0.0f, u.x};
        for (float offset : {-1.15f, -0.6f, -0.2f, 0.0f, 0.05f, 0.3f, 0.9f, 1.19f}) {
            Vector3 p = base - u * 6.0f + side * offset;
            bool around = false;
            for (int k = 0; k < 40; k++) {
                Vector3 proposed = p + u * step;
                Vector3 next = ShipSlideBody(ship, p, proposed, BODY);
                ASSERT_GE(DistXZ(next, base), L) << "heading " << heading << " offset " << offset << " step " << k;
                ASSERT_FALSE(ShipHullOverlaps(ship, next, 0.3199f));
                EXPECT_LE(DistXZ(next, p), step + 2.0f * SHIP_SLIDE_MARGIN);
                if (DistXZ(next, proposed) > 1e-4f) blocked++;
                p = next;
                if (Vector3DotProduct(p - base, u) > 3.0f) around = true;
            }
            if (std::fabs(offset) >= 0.2f) {
                EXPECT_TRUE(around) << "heading " << heading << " offset " << offset;
            }
        }
    }
    EXPECT_GT(blocked, 300);
}

// A 1.35 m step into the hull from touching it, at an angle from the inward normal, keeps its
// whole share along the hull (1.35 sin angle) and loses only its inward share.
TEST(ShipSlideBody, KeepsTheSpeedAlongTheHull)
{
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, BODY);
    Vector3 base = ship.position;
    const float L = SHIP_HULL_RADIUS + BODY;
    for (float angle : {0.0f, 0.2f, 0.6f, 1.0f, 1.4f}) {
        Vector3 start = base + Vector3{-(L + SHIP_SLIDE_MARGIN), 0.0f, 0.0f};
        Vector3 move = Vector3{std::cos(angle), 0.0f, std::sin(angle)} * 1.35f;
        Vector3 next = ShipSlideBody(ship, start, start + move, BODY);
        EXPECT_NEAR(next.z - start.z, move.z, 1e-3f) << "angle " << angle;
        EXPECT_NEAR(next.x - start.x, 0.0f, 1e-3f) << "angle " << angle;
        EXPECT_GE(DistXZ(next, base), L);
    }
}

TEST(ShipSlideBody, CornerSlidesStayInTheArena)
{
    const Vector3 corners[] = {{-127.0f, 0.0f, -127.0f}, {127.0f, 0.0f, 127.0f}, {-127.9f, 0.0f, 127.9f}, {127.9f, 0.0f, -127.9f}};
    for (Vector3 c : corners) {
        Ship ship{};
        Vector3 p = ShipReset(ship, ArenaClampCircle(c, BODY), BODY);
        for (int i = 0; i < 48; i++) {
            float a = (float)i * 2.0f * PI / 48.0f;
            Vector3 q = p;
            for (int k = 0; k < 30; k++) {
                Vector3 toward = Vector3Normalize({ship.position.x - q.x + 3.0f * std::cos(a), 0.0f, ship.position.z - q.z + 3.0f * std::sin(a)});
                q = ShipSlideBody(ship, q, q + toward * 1.35f, BODY);
                ASSERT_TRUE(ArenaContainsCircle(q, BODY));
                ASSERT_GE(DistXZ(q, ship.position), SHIP_HULL_RADIUS + BODY);
            }
        }
    }
}

TEST(ShipSlideBody, LaunchReleasesTheHullAndTheCreatureCylinder)
{
    Finale f = PlayFinale(60.0f, 40.0f);
    Ship s = f.ship;
    Vector3 inside = s.position + Vector3{0.3f, 0.0f, 0.0f};
    Vector3 outside = s.position + Vector3{2.0f, 0.0f, 0.0f};
    struct Case { ShipPhase phase; float altitude; bool blocks; bool cylinder; } cases[] = {
        {SHIP_WRECKED, 0.0f, true, true},     {SHIP_REPAIRED, 0.0f, true, true},
        {SHIP_LAUNCHING, 1.0f, false, true},  {SHIP_LAUNCHING, 3.56f, false, false},
        {SHIP_DEPARTED, 40.0f, false, false}, {SHIP_DEPARTED, 0.0f, false, false},
    };
    for (const Case &c : cases) {
        s.phase = c.phase;
        s.altitude = c.altitude;
        Vector3 p = ShipSlideBody(s, outside, inside, BODY);
        EXPECT_EQ(DistXZ(p, s.position) >= SHIP_HULL_RADIUS + BODY, c.blocks) << "phase " << c.phase;
        EXPECT_EQ(ShipObstacleActive(s), c.cylinder) << "phase " << c.phase << " altitude " << c.altitude;
        EXPECT_EQ(ShipPlayerAboard(s), c.phase >= SHIP_LAUNCHING);
    }
    Vector4 none = ShipShadow(f.ship);
    EXPECT_EQ(none.w, 0.0f);
}

TEST(ShipMarker, OnScreenHoversOffScreenSitsOnTheInnerEdge)
{
    // A camera looking straight down -z with right +x and up +y; 10 m of view height in 1000 x 500 px.
    Vector3 cam = {0.0f, 0.0f, 10.0f}, right = {1.0f, 0.0f, 0.0f}, up = {0.0f, 1.0f, 0.0f};
    Vector2 view = {1000.0f, 500.0f};
    ShipMarker on = ShipMarkerPlace({1.0f, 1.0f, 0.0f}, cam, right, up, 10.0f, view, 0.0f);
    EXPECT_TRUE(on.onScreen);
    EXPECT_FLOAT_EQ(on.point.x, 550.0f);
    EXPECT_FLOAT_EQ(on.point.y, 200.0f - 27.0f);
    EXPECT_FLOAT_EQ(on.direction.y, 1.0f);

    // Far to the right: the marker sits on the inner right edge (x = width - 48), pointing right.
    ShipMarker right1 = ShipMarkerPlace({40.0f, 0.0f, 0.0f}, cam, right, up, 10.0f, view, 0.0f);
    EXPECT_FALSE(right1.onScreen);
    EXPECT_FLOAT_EQ(right1.point.x, 952.0f);
    EXPECT_FLOAT_EQ(right1.point.y, 250.0f);
    EXPECT_FLOAT_EQ(right1.direction.x, 1.0f);
    // Far up and left: the top edge (y = 114) is met first.
    ShipMarker corner = ShipMarkerPlace({-10.0f, 30.0f, 0.0f}, cam, right, up, 10.0f, view, 0.0f);
    EXPECT_FALSE(corner.onScreen);
    EXPECT_NEAR(corner.point.y, 114.0f, 1e-3f);
    EXPECT_LT(corner.direction.x, 0.0f);
    EXPECT_LT(corner.direction.y, 0.0f);

    // Labels stay 12 px from the sides and below y = 94.
    Vector2 label = ShipMarkerLabelOrigin(right1, {120.0f, 20.0f}, view);
    EXPECT_LE(label.x + 120.0f, 1000.0f - 12.0f);
    Vector2 top = ShipMarkerLabelOrigin(corner, {120.0f, 20.0f}, view);
    EXPECT_GE(top.y, 94.0f);
    EXPECT_GE(top.x, 12.0f);
}
