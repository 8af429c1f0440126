// Shuttle developer checks.
//
// Index
//   [SECTION] Scripted finale
//   [SECTION] Checks
//   [SECTION] --test-ship
//   [SECTION] --test-ship-obstacle
#include "dev/ship_checks.h"

#include "common/maths.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cstdio>
#include <cstring>

// [SECTION] Scripted finale

static float DistanceXZ(Vector3 a, Vector3 b) { return LengthXZ(a - b); }

void DevShipScriptReset(DevShipScript &s)
{
    s = {};
    PlayerReset(s.player, {0.0f, TerrainHeight(0.0f, 0.0f), 0.0f});
    s.player.position = ShipReset(s.ship, s.player.position, PLAYER_RADIUS);
    s.dropTime = s.pickupTime = s.installTime = s.repairTime = s.boardTime = s.departTime = -1.0f;
    s.closestToBase = 1e9f;
    s.carriedFollows = true;
}

static ShipBossView ScriptBoss(float time)
{
    ShipBossView v{};
    v.level = SHIP_FINAL_LEVEL;
    v.phase = time < DEV_SHIP_GATE_TIME ? 0 : (time < DEV_SHIP_BOSS_DEATH ? 1 : 2);
    v.bossCount = 1;
    v.bossPresent[0] = v.phase == 1;
    float x = 14.0f - 0.5f * time;
    v.bossPosition[0] = {x, TerrainHeight(x, 6.0f), 6.0f};
    return v;
}

void DevShipScriptStep(DevShipScript &s, float dt)
{
    if (!(dt > 0.0f) || !IsFinite(dt)) return;
    Ship &ship = s.ship;
    Player &p = s.player;
    s.time += dt;

    ShipCrystalState crystalBefore = ship.crystalState;
    ShipBossView boss = ScriptBoss(s.time);
    ShipWatchFinalBoss(ship, boss);   // before the campaign's update
    ShipWatchFinalBoss(ship, boss);   // after it
    if (crystalBefore == SHIP_CRYSTAL_NONE && ship.crystalState == SHIP_CRYSTAL_DROPPED) {
        s.drops++;
        s.dropTime = s.time;
    }

    // Stand still through the toss, run past the crystal at ten times the speed, walk to the hatch.
    Vector3 goal = p.position;
    p.speedTimesTen = false;
    if (ship.crystalState == SHIP_CRYSTAL_DROPPED && ship.crystalTime >= SHIP_FLIGHT_SECONDS) {
        if (!s.passing) {
            Vector3 u = Vector3Normalize({ship.crystal.x - p.position.x, 0.0f, ship.crystal.z - p.position.z});
            s.passAim = ship.crystal + Vector3{-u.z, 0.0f, u.x} * 0.45f + u * 8.0f;
            s.passing = true;
        }
        goal = s.passAim;
        p.speedTimesTen = true;
    } else if (ship.crystalState >= SHIP_CRYSTAL_ATTRACTED) {
        goal = ShipHatchPoint(ship);
    }
    Vector3 before = p.position;
    if (ShipPlayerAboard(ship)) {
        PlayerStandAboard(p, dt, s.time);
    } else {
        Vector3 to = {goal.x - before.x, 0.0f, goal.z - before.z};
        float distance = LengthXZ(to);
        Vector3 direction = distance > 0.3f ? to / distance : Vector3{0.0f, 0.0f, 0.0f};
        PlayerStep(p, direction, dt, s.time);
        // The hull, as the player's movement will apply it: slide, then the travelled velocity.
        p.position = ShipSlideBody(ship, before, p.position, PLAYER_RADIUS);
        p.position.y = TerrainHeight(p.position.x, p.position.z);
        p.velocity = (p.position - before) / dt;
    }
    s.closestToBase = std::fmin(s.closestToBase, DistanceXZ(p.position, ship.position));

    ShipCrystalState crystal = ship.crystalState;
    ShipPhase phase = ship.phase;
    if (ShipUpdate(ship, before, p.position, dt)) {
        s.victories++;
        s.departTime = s.time;
    }
    if (crystal == SHIP_CRYSTAL_DROPPED && ship.crystalState == SHIP_CRYSTAL_ATTRACTED) s.pickupTime = s.time;
    if (crystal == SHIP_CRYSTAL_CARRIED && ship.crystalState == SHIP_CRYSTAL_INSTALLING) {
        s.installTime = s.time;
        s.installDistance = DistanceXZ(p.position, ship.position);
    }
    if (phase == SHIP_WRECKED && ship.phase == SHIP_REPAIRED) s.repairTime = s.time - ship.phaseTime;
    if (phase == SHIP_REPAIRED && ship.phase == SHIP_LAUNCHING) {
        s.boardTime = s.time;
        s.boardDistance = DistanceXZ(p.position, ShipHatchPoint(ship));
    }
    if (ship.crystalState == SHIP_CRYSTAL_CARRIED && (ship.crystal.x != p.position.x || ship.crystal.z != p.position.z))
        s.carriedFollows = false;
}

// [SECTION] Checks

struct Tally {
    int passed, failed;
};

static void Check(Tally &tally, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (ok) tally.passed++;
    else tally.failed++;
}

static int Finish(const Tally &tally)
{
    printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}

// [SECTION] --test-ship

static void CheckPlacement(Tally &tally)
{
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, PLAYER_RADIUS);
    Check(tally, ship.position.x == -3.6f && ship.position.z == -1.3f && ship.smoke == 1.0f && ship.phase == SHIP_WRECKED,
          "reset at the centre: wreck at (-3.6, -1.3), smoke 1, wrecked, no crystal");

    const float edge = ARENA_HALF_SIZE - PLAYER_RADIUS;
    const float spots[] = {-edge, -edge + 0.5f, -120.0f, 0.0f, 120.0f, edge - 0.5f, edge};
    int bad = 0, total = 0;
    for (float x : spots) {
        for (float z : spots) {
            Vector3 start = ArenaClampCircle({x, 0.0f, z}, PLAYER_RADIUS);
            Vector3 player = ShipReset(ship, start, PLAYER_RADIUS);
            Vector3 hatch = ShipHatchPoint(ship);
            Vector3 stand = ShipSlideBody(ship, hatch, hatch, PLAYER_RADIUS);
            bool ok = ArenaContainsCircle(ship.position, SHIP_FOOTPRINT_RADIUS) && ArenaContainsCircle(player, PLAYER_RADIUS) &&
                      !ShipHullOverlaps(ship, player, 0.3199f) && DistanceXZ(stand, hatch) <= SHIP_BOARD_RADIUS;
            bad += ok ? 0 : 1;
            total++;
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "reset near walls and corners: %d of %d starts keep the footprint, the player and the hatch", total - bad, total);
    Check(tally, bad == 0, line);
}

static void CheckFinale(Tally &tally)
{
    static const float rates[3] = {30.0f, 60.0f, 144.0f};
    static DevShipScript runs[3];
    for (int r = 0; r < 3; r++) {
        DevShipScript &s = runs[r];
        float dt = 1.0f / rates[r];
        DevShipScriptReset(s);
        for (int i = 0; i < (int)(40.0f * rates[r]); i++) DevShipScriptStep(s, dt);
        bool ok = s.drops == 1 && DistanceXZ(s.ship.crystalTarget, s.ship.position) >= SHIP_CRYSTAL_CLEARANCE &&
                  s.pickupTime > 0.0f && s.installTime > s.pickupTime && s.installDistance <= SHIP_INSTALL_RADIUS &&
                  s.boardTime - s.repairTime >= SHIP_BOARD_DELAY - 1e-4f && s.boardDistance <= SHIP_BOARD_RADIUS &&
                  s.departTime - s.boardTime >= SHIP_LAUNCH_SECONDS - 1e-3f && s.departTime - s.boardTime <= SHIP_LAUNCH_SECONDS + dt + 1e-3f &&
                  s.victories == 1 && s.carriedFollows && s.closestToBase >= SHIP_HULL_RADIUS + PLAYER_RADIUS;
        char line[256];
        snprintf(line, sizeof(line),
                 "finale at %.0f Hz: %d crystal landing %.2f m from the base; picked up %.2f s, installing %.2f s at %.2f m, "
                 "repaired %.2f s, boarded %.2f s at %.2f m, departed %.2f s; %d victory",
                 rates[r], s.drops, DistanceXZ(s.ship.crystalTarget, s.ship.position), s.pickupTime, s.installTime,
                 s.installDistance, s.repairTime, s.boardTime, s.boardDistance, s.departTime, s.victories);
        Check(tally, ok, line);
    }
    float spread = 0.0f;
    for (int r = 0; r < 3; r++) {
        spread = std::fmax(spread, std::fabs(runs[r].pickupTime - runs[1].pickupTime));
        spread = std::fmax(spread, std::fabs(runs[r].boardTime - runs[1].boardTime));
        spread = std::fmax(spread, std::fabs(runs[r].departTime - runs[1].departTime));
    }
    char line[128];
    // The walk itself eases a little differently per rate; the shuttle's own intervals are exact above.
    snprintf(line, sizeof(line), "finale events agree across the three rates within %.3f s (limit 0.15)", spread);
    Check(tally, spread <= 0.15f, line);
}

static void CheckDropRules(Tally &tally)
{
    Ship ship{};
    int wrong = 0;
    for (int level = 1; level <= 3; level++) {
        ShipReset(ship, {0.0f, 0.0f, 0.0f}, PLAYER_RADIUS);
        ShipBossView v{};
        v.level = level;
        v.phase = 1;
        v.bossCount = 1;
        v.bossPresent[0] = true;
        v.bossPosition[0] = {10.0f, 0.0f, 0.0f};
        ShipWatchFinalBoss(ship, v);
        v.phase = 2;
        ShipWatchFinalBoss(ship, v);
        if (ship.crystalState != SHIP_CRYSTAL_NONE) wrong++;
    }
    Check(tally, wrong == 0, "no crystal from the bosses of levels 1 to 3");

    ShipReset(ship, {0.0f, 0.0f, 0.0f}, PLAYER_RADIUS);
    ShipBossView victory{};
    victory.level = SHIP_FINAL_LEVEL;
    victory.phase = 2;
    ShipWatchFinalBoss(ship, victory);
    Check(tally, ship.crystalState == SHIP_CRYSTAL_NONE, "no crystal from a final boss never observed in its gate");

    DevShipScript s;
    DevShipScriptReset(s);
    for (int i = 0; i < 240; i++) DevShipScriptStep(s, 1.0f / 60.0f);
    Ship before = s.ship;
    ShipBossView again = ScriptBoss(1.0f);
    ShipWatchFinalBoss(s.ship, again);
    ShipWatchFinalBoss(s.ship, victory);
    Check(tally, s.drops == 1 && std::memcmp(&before, &s.ship, sizeof(Ship)) == 0, "no second crystal once one was dropped");
}

static void CheckFrozen(Tally &tally)
{
    DevShipScript s;
    DevShipScriptReset(s);
    for (int i = 0; i < 600; i++) DevShipScriptStep(s, 1.0f / 60.0f);
    Ship before = s.ship;
    ShipUpdate(s.ship, s.player.position, {s.player.position.x + 2.0f, 0.0f, 0.0f}, 0.0f);
    ShipUpdate(s.ship, s.player.position, s.player.position, -1.0f);
    Check(tally, std::memcmp(&before, &s.ship, sizeof(Ship)) == 0, "a step of 0 (pause, no focus, death) leaves the record bit for bit");
}

int DevTestShip()
{
    Tally tally{};
    CheckPlacement(tally);
    CheckFinale(tally);
    CheckDropRules(tally);
    CheckFrozen(tally);
    return Finish(tally);
}

// [SECTION] --test-ship-obstacle

static void CheckFastApproach(Tally &tally)
{
    Ship ship{};
    ShipReset(ship, {0.0f, 0.0f, 0.0f}, PLAYER_RADIUS);
    Vector3 base = ship.position;
    const float L = SHIP_HULL_RADIUS + PLAYER_RADIUS;
    const float step = 27.0f * 0.05f;
    int inside = 0, overlaps = 0, stuck = 0, runs = 0, faster = 0;
    float closest = 1e9f;
    for (int i = 0; i < 144; i++) {
        float heading = (float)i * 2.0f * PI / 144.0f;
        Vector3 u = {std::cos(heading), 0.0f, std::sin(heading)};
        Vector3 side = {-u.z, 0.0f, u.x};
        for (int o = -5; o <= 5; o++) {
            float offset = 0.23f * (float)o;
            Vector3 p = base - u * 6.0f + side * offset;
            bool around = false;
            for (int k = 0; k < 40; k++) {
                Vector3 next = ShipSlideBody(ship, p, p + u * step, PLAYER_RADIUS);
                float d = DistanceXZ(next, base);
                closest = std::fmin(closest, d);
                if (d < L) inside++;
                if (ShipHullOverlaps(ship, next, 0.3199f)) overlaps++;
                if (DistanceXZ(next, p) > step + 2.0f * SHIP_SLIDE_MARGIN) faster++;
                p = next;
                around = around || Vector3DotProduct(p - base, u) > 3.0f;
            }
            runs++;
            if (o != 0 && !around) stuck++;
        }
    }
    char line[200];
    snprintf(line, sizeof(line), "27 m/s at dt 0.05 from %d approaches: closest %.4f m (limit %.2f), %d inside, %d faster than the move",
             runs, closest, L, inside, faster);
    Check(tally, inside == 0 && faster == 0, line);
    snprintf(line, sizeof(line), "the consistency check's hull overlap (radius 0.3199) never trips: %d overlaps", overlaps);
    Check(tally, overlaps == 0, line);
    snprintf(line, sizeof(line), "every approach off the centre line slides round the hull: %d stuck", stuck);
    Check(tally, stuck == 0, line);

    // Touching the hull, a step at an angle to the inward normal keeps its share along the hull.
    float worst = 0.0f;
    for (float angle = 0.0f; angle < 1.5f; angle += 0.1f) {
        Vector3 start = base + Vector3{-(L + SHIP_SLIDE_MARGIN), 0.0f, 0.0f};
        Vector3 move = Vector3{std::cos(angle), 0.0f, std::sin(angle)} * step;
        Vector3 next = ShipSlideBody(ship, start, start + move, PLAYER_RADIUS);
        worst = std::fmax(worst, std::fabs((next.z - start.z) - move.z));
    }
    snprintf(line, sizeof(line), "speed along the hull kept on contact: worst loss %.5f m per step", worst);
    Check(tally, worst < 1e-3f, line);
}

static void CheckCorners(Tally &tally)
{
    const Vector3 corners[] = {{-127.0f, 0.0f, -127.0f}, {127.0f, 0.0f, 127.0f}, {-127.9f, 0.0f, 127.9f}, {127.9f, 0.0f, -127.9f}};
    int outside = 0, inside = 0;
    for (Vector3 c : corners) {
        Ship ship{};
        Vector3 p = ShipReset(ship, ArenaClampCircle(c, PLAYER_RADIUS), PLAYER_RADIUS);
        for (int i = 0; i < 48; i++) {
            float a = (float)i * 2.0f * PI / 48.0f;
            Vector3 q = p;
            for (int k = 0; k < 30; k++) {
                Vector3 toward = Vector3Normalize({ship.position.x - q.x + 3.0f * std::cos(a), 0.0f, ship.position.z - q.z + 3.0f * std::sin(a)});
                q = ShipSlideBody(ship, q, q + toward * 1.35f, PLAYER_RADIUS);
                if (!ArenaContainsCircle(q, PLAYER_RADIUS)) outside++;
                if (DistanceXZ(q, ship.position) < SHIP_HULL_RADIUS + PLAYER_RADIUS) inside++;
            }
        }
    }
    char line[160];
    snprintf(line, sizeof(line), "sliding round wrecks in the four corners: %d steps outside the arena, %d inside the hull", outside, inside);
    Check(tally, outside == 0 && inside == 0, line);
}

static void CheckLaunch(Tally &tally)
{
    DevShipScript s;
    DevShipScriptReset(s);
    bool blockedWhileLaunching = false, cylinderHigh = false, cylinderLow = true;
    for (int i = 0; i < 60 * 40; i++) {
        DevShipScriptStep(s, 1.0f / 60.0f);
        const Ship &ship = s.ship;
        if (ship.phase == SHIP_LAUNCHING) {
            Vector3 out = ship.position + Vector3{2.0f, 0.0f, 0.0f};
            Vector3 in = ship.position + Vector3{0.2f, 0.0f, 0.0f};
            if (DistanceXZ(ShipSlideBody(ship, out, in, PLAYER_RADIUS), in) > 1e-4f) blockedWhileLaunching = true;
            if (ship.altitude < SHIP_CREATURE_HEIGHT && !ShipObstacleActive(ship)) cylinderLow = false;
            if (ship.altitude >= SHIP_CREATURE_HEIGHT && ShipObstacleActive(ship)) cylinderHigh = true;
        }
    }
    Check(tally, s.ship.phase == SHIP_DEPARTED && !blockedWhileLaunching, "launching and departed: the hull no longer blocks the player");
    Check(tally, cylinderLow && !cylinderHigh && !ShipObstacleActive(s.ship),
          "the creature cylinder stays below 3.55 m of altitude and goes once departed");
}

int DevTestShipObstacle()
{
    Tally tally{};
    CheckFastApproach(tally);
    CheckCorners(tally);
    CheckLaunch(tally);
    return Finish(tally);
}
