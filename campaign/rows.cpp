// Rolling rows: the planning view, the fair corridor, the plan, the warning and the launch.
//
// Index
//   [SECTION] View
//   [SECTION] Corridor
//   [SECTION] Plan
//   [SECTION] Update
//   [SECTION] Warning arrows
#include "campaign/rows.h"

#include "common/maths.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <cmath>
#include <utility>

static constexpr Vector3 WORLD_UP = {0.0f, 1.0f, 0.0f};

// Sides 0 and 1 roll along the screen's right axis, 2 and 3 along its ground-projected up.
static bool SideAlongRight(int side) { return side == 0 || side == 1; }
// +1 for the right and top sides, -1 for the left and bottom.
static float SideSign(int side) { return side == 0 || side == 2 ? 1.0f : -1.0f; }

// [SECTION] View

static RowsView BuildView(Vector3 position, Vector3 target, Vector3 upHint, float viewHeight, float aspect)
{
    RowsView v{};
    v.origin = position;
    v.forward = NormalizeOrZero(target - position);
    v.right = NormalizeOrZero(Vector3CrossProduct(v.forward, upHint));
    v.up = NormalizeOrZero(Vector3CrossProduct(v.right, v.forward));
    v.groundRight = NormalizeOrZero({v.right.x, 0.0f, v.right.z});
    Vector3 u = v.up - v.forward * Vector3DotProduct(v.up, v.forward);
    v.groundUp = NormalizeOrZero({u.x, 0.0f, u.z});
    // Looking straight down: screen-up on the ground is perpendicular to right.
    if (Vector3LengthSqr(v.groundUp) < 0.5f) v.groundUp = Vector3CrossProduct(WORLD_UP, v.groundRight);
    v.halfHeight = viewHeight * 0.5f;
    v.halfWidth = viewHeight * aspect * 0.5f;
    v.valid = IsFinite(position) && Vector3LengthSqr(v.right) > 0.5f && Vector3LengthSqr(v.up) > 0.5f &&
              Vector3LengthSqr(v.groundRight) > 0.5f && Vector3LengthSqr(v.groundUp) > 0.5f && v.halfHeight > 0.0f &&
              v.halfWidth > 0.0f && IsFinite(v.halfWidth) && IsFinite(v.halfHeight);
    return v;
}

RowsView RowsViewFor(const Campaign &campaign, Vector3 player, float zoom)
{
    if (campaign.snapshotValid) {
        const Camera3D &c = campaign.cameraSnapshot;
        return BuildView(c.position, c.target, c.up, c.fovy, campaign.aspect);
    }
    // Without a snapshot: the follow camera's own view of the player. A zoom it cannot have is
    // replaced by the widest one, so a row born outside it is unseen at any zoom.
    bool sane = IsFinite(zoom) && zoom >= CAMERA_ZOOM_MIN && zoom <= CAMERA_ZOOM_MAX;
    Vector3 at = IsFinite(player) ? player : Vector3{0.0f, 0.0f, 0.0f};
    Vector3 target = {at.x, at.y + 0.65f, at.z};
    return BuildView(target + CAMERA_OFFSET, target, WORLD_UP, sane ? zoom : ROWS_FALLBACK_ZOOM, 16.0f / 9.0f);
}

Vector3 RowsGroundPoint(const RowsView &view, float a, float b)
{
    Vector3 p0 = view.origin + view.right * a + view.up * b;
    Vector3 f = view.forward;
    Vector3 p = p0;
    if (std::fabs(f.y) > 1e-6f) {
        float t = (ROWS_SAMPLE_HEIGHT - p0.y) / f.y;
        for (int k = 0; k < 4; k++) {
            Vector3 q = p0 + f * t;
            t = (TerrainHeight(q.x, q.z) + ROWS_SAMPLE_HEIGHT - p0.y) / f.y;
        }
        p = p0 + f * t;
    }
    p.y = TerrainHeight(p.x, p.z);
    return p;
}

// [SECTION] Corridor

bool RowsCorridorFair(const Campaign &campaign, const RowsView &view)
{
    if (!view.valid || !(campaign.rowSpacing > 0.0f)) return false;
    bool alongRight = SideAlongRight(campaign.rowSide);
    float sigma = SideSign(campaign.rowSide);
    Vector3 axis = alongRight ? view.right : view.up;
    Vector3 acrossAxis = alongRight ? view.up : view.right;
    float c = std::fabs(Vector3DotProduct(campaign.rowTravel, axis));
    float edge = alongRight ? view.halfWidth : view.halfHeight;
    float sideExtent = (alongRight ? view.halfHeight : view.halfWidth) + 1.1f;
    if (!(c >= 0.1f)) return false;
    for (int i = 0; i <= 16; i++) {
        float offset = ((float)i * 0.5f - 4.0f) * campaign.rowSpacing;
        Vector3 p = campaign.rowAnchor + campaign.rowLateral * offset;
        p.y = TerrainHeight(p.x, p.z) + ROWS_SAMPLE_HEIGHT;
        Vector3 d = p - view.origin;
        float w = sigma * Vector3DotProduct(d, axis);
        if (!(w >= edge + ROWS_HIDDEN_MARGIN)) return false;
        if (!ArenaContainsCircle(p, ROWS_ARENA_CLEARANCE)) return false;
        if (std::fabs(Vector3DotProduct(d, acrossAxis)) > sideExtent) continue;
        // This part of the row crosses the view: its path must stay in the arena until it is
        // well inside.
        float reach = (w - edge + 1.4f) / c;
        for (int k = 1; k <= 4; k++) {
            Vector3 q = p + campaign.rowTravel * (reach * (float)k * 0.25f);
            if (!ArenaContainsCircle(q, ROWS_ARENA_CLEARANCE)) return false;
        }
    }
    return true;
}

// [SECTION] Plan

// Searches one side for a fair row, from the widest spacing down, centred first, nearest first.
static bool PlanSide(Campaign &campaign, const RowsView &view, int side)
{
    bool alongRight = SideAlongRight(side);
    float sigma = SideSign(side);
    campaign.rowSide = side;
    campaign.rowTravel = (alongRight ? view.groundRight : view.groundUp) * -sigma;
    campaign.rowLateral = alongRight ? view.groundUp : view.groundRight;
    float along = (alongRight ? view.halfWidth : view.halfHeight) + 2.2f;
    float across = (alongRight ? view.halfHeight : view.halfWidth) - 1.2f;
    float k = alongRight ? std::fabs(Vector3DotProduct(view.up, campaign.rowLateral)) : 1.0f;
    float widest = ClampSafe(across / (4.0f * k), 1.85f, 3.0f);
    static const float SHIFTS[5] = {0.0f, -0.5f, 0.5f, -1.0f, 1.0f};
    for (int n = 0; n < 4; n++) {
        float spacing = widest + (1.85f - widest) * (float)n / 3.0f;
        float slack = std::fmax(0.0f, across - 4.0f * k * spacing);
        for (float f : SHIFTS) {
            for (int j = 0; j < 4; j++) {
                float d = along + 2.0f * (float)j;
                campaign.rowSpacing = spacing;
                campaign.rowAnchor = alongRight ? RowsGroundPoint(view, sigma * d, slack * f)
                                                : RowsGroundPoint(view, slack * f, sigma * d);
                if (RowsCorridorFair(campaign, view)) return true;
            }
        }
    }
    return false;
}

bool RowsPlan(Campaign &campaign, const RowsView &view)
{
    if (!view.valid || !(view.forward.y <= -0.1f)) return false;
    int sides[4] = {0, 1, 2, 3};
    std::swap(sides[3], sides[ClampInt((int)(4.0f * LcgUnit(campaign.rng)), 0, 3)]);
    std::swap(sides[2], sides[ClampInt((int)(3.0f * LcgUnit(campaign.rng)), 0, 2)]);
    std::swap(sides[1], sides[ClampInt((int)(2.0f * LcgUnit(campaign.rng)), 0, 1)]);
    bool found = false;
    for (int n = 0; n < 4 && !found; n++) found = PlanSide(campaign, view, sides[n]);
    if (!found) return false;

    campaign.rowSpeed = 4.0f + 0.6f * LcgUnit(campaign.rng);
    int wander = ClampInt((int)(5.0f * LcgUnit(campaign.rng)), 0, 4) - 2;
    campaign.gapLane = ClampInt(ClampInt(campaign.gapLane, 0, ROWS_LANES - 2) + wander, 0, ROWS_LANES - 2);
    int count = 0;
    for (int lane = 0; lane < ROWS_LANES; lane++) {
        if (lane == campaign.gapLane || lane == campaign.gapLane + 1) continue;
        Vector3 p = campaign.rowAnchor + campaign.rowLateral * ((float)(lane - 4) * campaign.rowSpacing);
        p.y = TerrainHeight(p.x, p.z);
        campaign.rollerPositions[count++] = p;
    }
    campaign.rollerCount = count;
    campaign.rowWarning = 1;
    campaign.rowWarningTime = 0.0f;
    return true;
}

// [SECTION] Update

int RowsPoolRoom(const MudPool &pool)
{
    int used = ClampInt(pool.count, 0, MUD_CAPACITY);
    int room = MUD_CAPACITY - used;
    for (int i = 0; i < used; i++) {
        const MudSlot &s = pool.slots[i];
        if (s.state == MUD_FREE && !s.debris[0].active && !s.debris[1].active) room++;
    }
    return room;
}

bool RowsClearOfShuttle(const Campaign &campaign, const MudPool &pool)
{
    const MudObstacle &o = pool.obstacle;
    // The largest roller the launch can draw: any smaller one is clear where it is.
    float reach = (ROWS_ROLLER_RADIUS_MIN + ROWS_ROLLER_RADIUS_SPREAD) * 1.08f + o.radius;
    for (int k = 0; k < ClampInt(campaign.rollerCount, 0, ROWS_LANES); k++) {
        Vector3 p = campaign.rollerPositions[k];
        if (!IsFinite(p)) return false;
        if (o.active && LengthXZ(p - o.position) < reach) return false;
    }
    return true;
}

// The warning is over: the whole row rolls in where it was announced, or the row is dropped.
static void LaunchRow(Campaign &campaign, MudPool &pool, Vector3 player, float zoom)
{
    RowsView view = RowsViewFor(campaign, player, zoom);
    int count = ClampInt(campaign.rollerCount, 0, ROWS_LANES);
    // Checked up front so that the spawns below cannot fail: all seven or none.
    bool ready = count > 0 && RowsCorridorFair(campaign, view) && RowsPoolRoom(pool) >= count &&
                 RowsClearOfShuttle(campaign, pool);
    if (ready) {
        int placed = 0;
        Vector3 velocity = campaign.rowTravel * campaign.rowSpeed;
        for (int k = 0; k < count; k++) {
            float radius = ROWS_ROLLER_RADIUS_MIN + ROWS_ROLLER_RADIUS_SPREAD * LcgUnit(campaign.rng);
            Vector3 p = campaign.rollerPositions[k];
            if (MudPoolSpawnRoller(pool, p, velocity, radius) >= 0) placed++;
        }
        if (placed > 0) campaign.rowsSpawned++;
        campaign.rowTimer = ROWS_GAP_MIN + ROWS_GAP_SPREAD * LcgUnit(campaign.rng);
    } else {
        campaign.rowTimer = ROWS_RETRY_SECONDS;
    }
    campaign.rowWarning = 0;
    campaign.rowWarningTime = 0.0f;
    campaign.rollerCount = 0;
}

void RowsUpdate(Campaign &campaign, MudPool &pool, Vector3 player, float zoom, float dt)
{
    if (!(dt > 0.0f) || !IsFinite(dt)) return;
    if (campaign.rowWarning) campaign.rowWarningTime += dt;
    else campaign.rowTimer -= dt;
    // Each phase end hands its overshoot to the next phase, so the rows keep the same schedule at
    // any frame rate.
    for (int chain = 0; chain < ROWS_CHAIN_LIMIT; chain++) {
        if (campaign.rowWarning) {
            float over = campaign.rowWarningTime - ROWS_WARNING_SECONDS;
            if (over < 0.0f) return;
            LaunchRow(campaign, pool, player, zoom);
            campaign.rowTimer -= over;
        } else {
            if (campaign.rowTimer > 0.0f) return;
            float over = -campaign.rowTimer;
            if (RowsPlan(campaign, RowsViewFor(campaign, player, zoom))) campaign.rowWarningTime = over;
            else campaign.rowTimer = ROWS_RETRY_SECONDS - over;
        }
    }
}

// [SECTION] Warning arrows

float RowsWarningAlpha(const Campaign &campaign)
{
    if (!campaign.rowWarning) return 0.0f;
    return ClampSafe(0.4f + 0.2f * std::sin(15.0f * campaign.rowWarningTime), 0.0f, 1.0f);
}

int RowsWarningArrows(const Campaign &campaign, const FollowCamera &camera, float width, float height,
                      RowsArrow out[ROWS_LANES])
{
    if (!campaign.rowWarning || !(width > 36.0f) || !(height > 36.0f)) return 0;
    const float inset = 18.0f;
    bool alongRight = SideAlongRight(campaign.rowSide);
    int n = 0;
    for (int k = 0; k < ClampInt(campaign.rollerCount, 0, ROWS_LANES); k++) {
        Vector3 p = campaign.rollerPositions[k];
        Vector2 s = HudProject(camera, p, width, height);
        if (!IsFinite(s)) continue;
        if (alongRight && (s.y < inset || s.y > height - inset)) continue;
        if (!alongRight && (s.x < inset || s.x > width - inset)) continue;
        Vector2 q = {ClampSafe(s.x, inset, width - inset), ClampSafe(s.y, inset, height - inset)};
        Vector2 ahead = HudProject(camera, p + campaign.rowTravel, width, height);
        Vector2 d = {ahead.x - s.x, ahead.y - s.y};
        float length = std::sqrt(d.x * d.x + d.y * d.y);
        if (!(length > 1e-4f) || !IsFinite(length)) continue;
        d = {d.x / length, d.y / length};
        Vector2 side = {-d.y * 6.0f, d.x * 6.0f};
        Vector2 base = {q.x - d.x * 5.0f, q.y - d.y * 5.0f};
        out[n].tip = {q.x + d.x * 8.0f, q.y + d.y * 8.0f};
        out[n].baseLeft = {base.x + side.x, base.y + side.y};
        out[n].baseRight = {base.x - side.x, base.y - side.y};
        n++;
    }
    return n;
}
