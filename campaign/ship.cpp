// Ship finale: placement, hull sliding, the final boss's crystal and the phases of the shuttle.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Reset and queries
//   [SECTION] Hull
//   [SECTION] Final boss
//   [SECTION] Update
//   [SECTION] Markers
#include "campaign/ship.h"

#include "common/maths.h"
#include "world/arena.h"
#include "world/terrain.h"

// [SECTION] Helpers

static float DistanceXZ(Vector3 a, Vector3 b) { return LengthXZ(a - b); }

// Horizontal distance from `point` to the segment from `a` to `b`.
static float SegmentDistanceXZ(Vector3 point, Vector3 a, Vector3 b)
{
    float abx = b.x - a.x, abz = b.z - a.z;
    float apx = point.x - a.x, apz = point.z - a.z;
    float lengthSq = abx * abx + abz * abz;
    float t = lengthSq > 0.0f ? ClampSafe((apx * abx + apz * abz) / lengthSq, 0.0f, 1.0f) : 0.0f;
    float dx = apx - abx * t, dz = apz - abz * t;
    return std::sqrt(dx * dx + dz * dz);
}

static float BossGround(const ShipBossView &view, float x, float z)
{
    float h = view.groundHeight ? view.groundHeight(view.groundContext, x, z) : TerrainHeight(x, z);
    return IsFinite(h) ? h : TerrainHeight(x, z);
}

// The hull blocks bodies until the shuttle lifts off.
static bool HullBlocks(const Ship &ship) { return ship.enabled && ship.phase < SHIP_LAUNCHING; }

// [SECTION] Reset and queries

Vector3 ShipReset(Ship &ship, Vector3 player, float bodyRadius)
{
    if (!IsFinite(player)) player = {0.0f, TerrainHeight(0.0f, 0.0f), 0.0f};
    static const Vector3 CANDIDATES[4] = {{-3.6f, 0.0f, -1.3f}, {3.6f, 0.0f, -1.3f}, {-3.6f, 0.0f, 1.3f}, {3.6f, 0.0f, 1.3f}};
    ship = {};
    Vector3 base = player;
    for (const Vector3 &offset : CANDIDATES) {
        base = ArenaClampCircle(player + offset, SHIP_FOOTPRINT_RADIUS);
        if (DistanceXZ(base, player) >= 2.0f) break;
    }
    base.y = TerrainHeight(base.x, base.z);
    ship.position = base;
    ship.smoke = 1.0f;
    ship.phase = SHIP_WRECKED;
    ship.crystalState = SHIP_CRYSTAL_NONE;
    ship.enabled = true;

    // A player pressed against an arena wall can leave no candidate 2 m away: never start inside.
    Vector3 out = ShipSlideBody(ship, player, player, bodyRadius);
    if (out.x != player.x || out.z != player.z) out.y = TerrainHeight(out.x, out.z);
    ship.playerSeen = out;
    return out;
}

bool ShipPlayerAboard(const Ship &ship)
{
    return ship.enabled && (ship.phase == SHIP_LAUNCHING || ship.phase == SHIP_DEPARTED);
}

Vector3 ShipHatchPoint(const Ship &ship) { return ship.position + SHIP_HATCH_OFFSET; }

Vector3 ShipSocketPoint(const Ship &ship)
{
    return {ship.position.x + SHIP_SOCKET_OFFSET.x, ship.position.y + ship.altitude + SHIP_SOCKET_OFFSET.y,
            ship.position.z + SHIP_SOCKET_OFFSET.z};
}

bool ShipObstacleActive(const Ship &ship)
{
    return ship.enabled && ship.phase != SHIP_DEPARTED && ship.altitude < SHIP_CREATURE_HEIGHT;
}

bool ShipHullOverlaps(const Ship &ship, Vector3 position, float radius)
{
    if (!HullBlocks(ship)) return false;
    float r = IsFinite(radius) && radius > 0.0f ? radius : 0.0f;
    return DistanceXZ(position, ship.position) < r + SHIP_HULL_RADIUS;
}

Vector4 ShipShadow(const Ship &ship)
{
    if (!ship.enabled || ship.phase == SHIP_DEPARTED) return {0.0f, 0.0f, 0.0f, 0.0f};
    return {ship.position.x, ship.position.y + ship.altitude, ship.position.z, std::exp(-0.35f * ship.altitude)};
}

Rectangle ShipExitButtonRect(float viewWidth, float viewHeight)
{
    return {viewWidth * 0.5f - 150.0f, viewHeight * 0.5f + 130.0f, 300.0f, 52.0f};
}

// [SECTION] Hull

Vector3 ShipSlideBody(const Ship &ship, Vector3 previous, Vector3 proposed, float radius)
{
    float r = IsFinite(radius) && radius > 0.0f ? radius : 0.0f;
    if (!IsFinite(proposed)) {
        if (!IsFinite(previous)) return proposed;
        proposed = previous;
    }
    if (!IsFinite(previous)) previous = proposed;
    // Aboard or without a shuttle only the arena holds the body.
    if (!HullBlocks(ship)) return ArenaClampCircle(proposed, r);

    const float L = r + SHIP_HULL_RADIUS;
    const float outside = L + SHIP_SLIDE_MARGIN;
    float sx = previous.x - ship.position.x, sz = previous.z - ship.position.z;
    float length = std::sqrt(sx * sx + sz * sz);
    if (length < L) {
        if (length <= 0.00001f) {
            sx = 0.0f;
            sz = outside;
        } else {
            sx *= outside / length;
            sz *= outside / length;
        }
    }
    float mx = proposed.x - previous.x, mz = proposed.z - previous.z;
    float rx = sx + mx, rz = sz + mz;
    float mm = mx * mx + mz * mz;
    float sm = sx * mx + sz * mz;
    if (mm > 1e-7f && sm < 0.0f) {
        // Smaller root of |s + t m|^2 = L^2: where the move first touches the circle.
        float c = sx * sx + sz * sz - L * L;
        float disc = sm * sm - mm * c;
        if (disc >= 0.0f) {
            float t = (-sm - std::sqrt(disc)) / mm;
            if (t >= 0.0f && t <= 1.0f) {
                float cx = sx + t * mx, cz = sz + t * mz;
                float cl = std::sqrt(cx * cx + cz * cz);
                float nx = cl > 0.0f ? cx / cl : 0.0f, nz = cl > 0.0f ? cz / cl : 1.0f;
                float remX = (1.0f - t) * mx, remZ = (1.0f - t) * mz;
                float inward = std::fmin(0.0f, remX * nx + remZ * nz);
                rx = outside * nx + remX - inward * nx;
                rz = outside * nz + remZ - inward * nz;
            }
        }
    }
    return ArenaClampCircle({ship.position.x + rx, proposed.y, ship.position.z + rz}, r);
}

// [SECTION] Final boss

// Landing point of the toss: 4.5 m from the spawn, away from the player, clear of the hull.
static Vector3 TossTarget(const Ship &ship, Vector3 spawn)
{
    float ax = ship.bossPoint.x - ship.playerSeen.x, az = ship.bossPoint.z - ship.playerSeen.z;
    float lengthSq = ax * ax + az * az;
    if (lengthSq <= 0.001f) {
        ax = 1.0f;
        az = 0.0f;
    } else {
        float length = std::sqrt(lengthSq);
        ax /= length;
        az /= length;
    }
    bool found = false;
    float bestScore = 0.0f;
    Vector3 best = spawn;
    for (int i = 0; i < SHIP_TOSS_CANDIDATES; i++) {
        float angle = (float)i * 2.0f * PI / (float)SHIP_TOSS_CANDIDATES;
        float c = std::cos(angle), s = std::sin(angle);
        float dx = ax * c - az * s, dz = ax * s + az * c;
        Vector3 candidate = ArenaClampCircle({spawn.x + SHIP_TOSS_DISTANCE * dx, spawn.y, spawn.z + SHIP_TOSS_DISTANCE * dz}, 0.4f);
        if (DistanceXZ(candidate, ship.position) < SHIP_CRYSTAL_CLEARANCE) continue;
        float score = DistanceXZ(candidate, ship.playerSeen) + 2.0f * ((candidate.x - spawn.x) * ax + (candidate.z - spawn.z) * az);
        if (!found || score > bestScore) {
            found = true;
            bestScore = score;
            best = candidate;
        }
    }
    if (found) return best;
    // No candidate left: the spawn itself, but never inside the hull's clearance.
    float ox = spawn.x - ship.position.x, oz = spawn.z - ship.position.z;
    float distance = std::sqrt(ox * ox + oz * oz);
    if (distance >= SHIP_CRYSTAL_CLEARANCE) return spawn;
    if (distance <= 0.00001f) {
        ox = 0.0f;
        oz = 1.0f;
        distance = 1.0f;
    }
    float k = SHIP_CRYSTAL_CLEARANCE / distance;
    return ArenaClampCircle({ship.position.x + ox * k, spawn.y, ship.position.z + oz * k}, 0.4f);
}

void ShipWatchFinalBoss(Ship &ship, const ShipBossView &view)
{
    if (!ship.enabled || view.level != SHIP_FINAL_LEVEL || ship.crystalState != SHIP_CRYSTAL_NONE) return;
    if (view.phase == 1) {
        int count = ClampInt(view.bossCount, 0, 2);
        for (int i = 0; i < count; i++) {
            if (!view.bossPresent[i] || !IsFinite(view.bossPosition[i])) continue;
            ship.bossPoint = view.bossPosition[i];
            ship.bossSeen = true;
        }
        return;
    }
    if (view.phase != 2 || !ship.bossSeen) return;

    Vector3 spawn = ArenaClampCircle(ship.bossPoint, 0.3f);
    spawn.y = BossGround(view, spawn.x, spawn.z) + 0.55f;
    ship.crystal = spawn;
    ship.crystalFrom = spawn;
    Vector3 target = TossTarget(ship, spawn);
    target.y = BossGround(view, target.x, target.z) + 0.4f;
    ship.crystalTarget = target;
    ship.crystalTime = 0.0f;
    ship.crystalState = SHIP_CRYSTAL_DROPPED;
}

// [SECTION] Update

static void CrystalStep(Ship &ship, Vector3 before, Vector3 after, float dt)
{
    float c = ship.crystalTime;
    Vector3 &crystal = ship.crystal;
    switch (ship.crystalState) {
    case SHIP_CRYSTAL_NONE:
        break;
    case SHIP_CRYSTAL_DROPPED:
        if (c < SHIP_FLIGHT_SECONDS) {
            float d = c / SHIP_FLIGHT_SECONDS;
            crystal.x = Lerp(ship.crystalFrom.x, ship.crystalTarget.x, d);
            crystal.z = Lerp(ship.crystalFrom.z, ship.crystalTarget.z, d);
            crystal.y = Lerp(ship.crystalFrom.y, ship.crystalTarget.y, d) + 8.0f * d * (1.0f - d);
            break;
        }
        crystal = ship.crystalTarget;
        crystal.y = ship.crystalTarget.y + 0.09f * std::sin(2.7f * (c - SHIP_FLIGHT_SECONDS));
        // Swept over the whole step, so a fast player cannot step over the pickup circle.
        if (SegmentDistanceXZ(crystal, before, after) <= SHIP_PICKUP_RADIUS) {
            ship.crystalState = SHIP_CRYSTAL_ATTRACTED;
            ship.crystalTime = 0.0f;
        }
        break;
    case SHIP_CRYSTAL_ATTRACTED: {
        Vector3 carry = {after.x, after.y + SHIP_CARRY_HEIGHT, after.z};
        float step = (5.0f + 14.0f * c) * dt;
        Vector3 d = carry - crystal;
        float remaining = Vector3Length(d);
        if (remaining <= step + 0.06f) {
            crystal = carry;
            ship.crystalState = SHIP_CRYSTAL_CARRIED;
            ship.crystalTime = 0.0f;
        } else {
            crystal = crystal + d * (step / remaining);
        }
        break;
    }
    case SHIP_CRYSTAL_CARRIED:
        crystal = {after.x, after.y + SHIP_CARRY_HEIGHT + 0.08f * std::sin(3.0f * c), after.z};
        if (ship.phase == SHIP_WRECKED && DistanceXZ(after, ship.position) <= SHIP_INSTALL_RADIUS) {
            ship.crystalFrom = crystal;
            ship.crystalState = SHIP_CRYSTAL_INSTALLING;
            ship.crystalTime = 0.0f;
        }
        break;
    case SHIP_CRYSTAL_INSTALLING: {
        float m = ClampSafe(c / SHIP_FLIGHT_SECONDS, 0.0f, 1.0f);
        float e = Smoothstep(m);
        Vector3 socket = ShipSocketPoint(ship);
        if (m >= 1.0f) {
            // The repair starts when the flight ends; the overshoot counts toward the hatch delay.
            float over = std::fmax(0.0f, c - SHIP_FLIGHT_SECONDS);
            crystal = socket;
            ship.crystalState = SHIP_CRYSTAL_INSTALLED;
            ship.crystalTime = over;
            ship.phase = SHIP_REPAIRED;
            ship.phaseTime = over;
            break;
        }
        crystal.x = Lerp(ship.crystalFrom.x, socket.x, e);
        crystal.z = Lerp(ship.crystalFrom.z, socket.z, e);
        crystal.y = Lerp(ship.crystalFrom.y, socket.y, e) + 0.65f * std::sin(PI * m);
        break;
    }
    case SHIP_CRYSTAL_INSTALLED:
        crystal = ShipSocketPoint(ship);
        break;
    }
}

bool ShipUpdate(Ship &ship, Vector3 playerBefore, Vector3 playerAfter, float dt)
{
    if (!ship.enabled || !(dt > 0.0f) || !IsFinite(dt)) return false;
    if (!IsFinite(playerAfter)) playerAfter = ship.playerSeen;
    if (!IsFinite(playerBefore)) playerBefore = playerAfter;

    bool wreckedAtStart = ship.phase == SHIP_WRECKED;
    ship.clock += dt;
    ship.phaseTime += dt;
    ship.crystalTime += dt;
    ship.playerSeen = playerAfter;
    CrystalStep(ship, playerBefore, playerAfter, dt);

    ship.smoke = wreckedAtStart ? 1.0f : std::fmax(0.0f, 1.0f - 2.0f * ship.phaseTime);
    if (ship.phase == SHIP_REPAIRED && ship.phaseTime >= SHIP_BOARD_DELAY &&
        DistanceXZ(playerAfter, ShipHatchPoint(ship)) <= SHIP_BOARD_RADIUS) {
        ship.phase = SHIP_LAUNCHING;
        ship.phaseTime = 0.0f;
        ship.smoke = 0.0f;
    }
    bool departed = false;
    if (ship.phase == SHIP_LAUNCHING) {
        ship.smoke = 0.0f;
        float t = ship.phaseTime;
        if (t >= SHIP_LAUNCH_SECONDS) {
            // The final altitude is the one at 4.6 s, whatever the frame rate.
            t = SHIP_LAUNCH_SECONDS;
            ship.phase = SHIP_DEPARTED;
            ship.phaseTime -= SHIP_LAUNCH_SECONDS;
            departed = true;
        }
        float lift = std::fmax(0.0f, t - SHIP_IGNITION_SECONDS);
        ship.altitude = SHIP_LAUNCH_ACCELERATION * lift * lift;
        // The crystal rides in the socket at this step's altitude, not the last one's.
        if (ship.crystalState == SHIP_CRYSTAL_INSTALLED) ship.crystal = ShipSocketPoint(ship);
    }
    if (ship.phase == SHIP_DEPARTED) ship.smoke = 0.0f;
    return departed;
}

// [SECTION] Markers

constexpr float MARKER_MARGIN_SIDE = 48.0f;
constexpr float MARKER_MARGIN_TOP = 114.0f;
constexpr float MARKER_MARGIN_BOTTOM = 72.0f;

ShipMarker ShipMarkerPlace(Vector3 target, Vector3 cameraPosition, Vector3 cameraRight, Vector3 cameraUp,
                           float viewHeightMetres, Vector2 viewSize, float clock)
{
    ShipMarker marker{};
    float w = viewSize.x, h = viewSize.y;
    Vector2 centre = {w * 0.5f, h * 0.5f};
    marker.point = centre;
    marker.direction = {0.0f, 1.0f};
    if (!(viewHeightMetres > 0.0f) || !IsFinite(viewHeightMetres) || !IsFinite(target) || !(h > 0.0f) || !(w > 0.0f))
        return marker;
    float scale = h / viewHeightMetres;
    Vector3 d = target - cameraPosition;
    Vector2 p = {centre.x + scale * Vector3DotProduct(d, cameraRight), centre.y - scale * Vector3DotProduct(d, cameraUp)};
    if (!IsFinite(p)) return marker;
    float left = MARKER_MARGIN_SIDE, right = w - MARKER_MARGIN_SIDE;
    float top = MARKER_MARGIN_TOP, bottom = h - MARKER_MARGIN_BOTTOM;
    if (p.x >= left && p.x <= right && p.y >= top && p.y <= bottom) {
        marker.onScreen = true;
        marker.point = {p.x, p.y - (27.0f + 3.0f * std::sin(3.0f * clock))};
        return marker;
    }
    Vector2 v = p - centre;
    float length = Vector2Length(v);
    if (!(length > 0.0f)) return marker;
    // Where the ray from the centre leaves the inner rectangle.
    float t = 1.0f;
    if (v.x > 0.0f) t = std::fmin(t, (right - centre.x) / v.x);
    if (v.x < 0.0f) t = std::fmin(t, (left - centre.x) / v.x);
    if (v.y > 0.0f) t = std::fmin(t, (bottom - centre.y) / v.y);
    if (v.y < 0.0f) t = std::fmin(t, (top - centre.y) / v.y);
    t = std::fmax(0.0f, t);
    marker.point = centre + v * t;
    marker.direction = v / length;
    return marker;
}

Vector2 ShipMarkerLabelOrigin(const ShipMarker &marker, Vector2 textSize, Vector2 viewSize)
{
    Vector2 centre = marker.onScreen ? Vector2{marker.point.x, marker.point.y - 25.0f} : marker.point - marker.direction * 30.0f;
    Vector2 origin = centre - textSize * 0.5f;
    origin.x = std::fmax(12.0f, std::fmin(origin.x, viewSize.x - 12.0f - textSize.x));
    origin.y = std::fmax(94.0f, std::fmin(origin.y, viewSize.y - 50.0f - textSize.y));
    return origin;
}
