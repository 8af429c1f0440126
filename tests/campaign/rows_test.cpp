#include "campaign/rows.h"
#include "common/maths.h"
#include "tests/campaign/campaign_fixture.h"
#include "world/arena.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using camptest::CampRun;

namespace {

// Rows alone on level 3, stepped in the game's order; returns the rollers born in this update.
int StepRows(CampRun &run, float dt, Vector3 born[MUD_CAPACITY])
{
    CampaignTakeSnapshot(run.campaign, CameraToRaylib(run.camera), run.aspect);
    RowsUpdate(run.campaign, run.pool, run.player, run.camera.viewHeight, dt);
    int n = 0;
    for (int i = 0; i < run.pool.count; i++) {
        const MudSlot &s = run.pool.slots[i];
        if (s.roller && s.mass > 0.0f && s.state == MUD_HOP_FLIGHT && s.timer == 0.0f) born[n++] = s.position;
    }
    MudPoolUpdate(run.pool, run.player, dt);
    CameraFollow(run.camera, run.player, {0.0f, 0.0f, 0.0f}, dt, false);
    run.frame++;
    return n;
}

std::unique_ptr<CampRun> StartRows(Vector3 player = {0.0f, 0.0f, 0.0f})
{
    auto run = camptest::Start(player);
    CampaignStartLevel(run->campaign, run->pool, 3);
    return run;
}

// How far a point (lifted to the corridor's test height) lies outside the camera's view, metres:
// positive outside, negative inside.
float OutsideView(const FollowCamera &camera, float aspect, Vector3 p)
{
    Vector3 q = {p.x, TerrainHeight(p.x, p.z) + ROWS_SAMPLE_HEIGHT, p.z};
    Vector3 d = q - camera.position;
    float a = std::fabs(Vector3DotProduct(d, camera.right)) - camera.viewHeight * aspect * 0.5f;
    float b = std::fabs(Vector3DotProduct(d, camera.up)) - camera.viewHeight * 0.5f;
    return std::max(a, b);
}

}  // namespace

TEST(Rows, LongSeededRunKeepsEveryRowWholeHiddenAndWandering)
{
    auto run = StartRows();
    uint32_t walk = 12345u;
    Vector3 goal = {0.0f, 0.0f, 0.0f};
    int sides[4] = {};
    int rows = 0, lastGap = 3;
    Vector3 announced[ROWS_LANES];
    int announcedCount = 0;
    bool wasWarning = false;
    Vector3 born[MUD_CAPACITY];
    const float dt = 1.0f / 60.0f;
    for (int f = 0; f < 60 * 600; f++) {
        // A seeded wander between random goals in the middle of the arena.
        if (f % (60 * 8) == 0) goal = {-60.0f + 120.0f * LcgUnit(walk), 0.0f, -60.0f + 120.0f * LcgUnit(walk)};
        Vector3 to = goal - run->player;
        float d = LengthXZ(to);
        if (d > 0.05f) run->player = run->player + to * (std::fmin(d, 3.0f * dt) / d);
        int n = StepRows(*run, dt, born);
        const Campaign &c = run->campaign;
        if (c.rowWarning && !wasWarning) {
            announcedCount = c.rollerCount;
            for (int k = 0; k < announcedCount; k++) announced[k] = c.rollerPositions[k];
            ASSERT_EQ(announcedCount, ROWS_ROLLERS);
            ASSERT_LE(std::abs(c.gapLane - lastGap), 2);
            lastGap = c.gapLane;
        }
        wasWarning = c.rowWarning;
        if (n == 0) continue;
        ASSERT_EQ(n, ROWS_ROLLERS) << "frame " << f;
        rows++;
        sides[ClampInt(c.rowSide, 0, 3)]++;
        for (int k = 0; k < n; k++) {
            EXPECT_NEAR(born[k].x, announced[k].x, 1e-4f);
            EXPECT_NEAR(born[k].z, announced[k].z, 1e-4f);
            EXPECT_GE(OutsideView(run->camera, run->aspect, born[k]), ROWS_HIDDEN_MARGIN - 1e-3f) << "frame " << f;
            EXPECT_TRUE(ArenaContainsCircle(born[k], ROWS_ARENA_CLEARANCE));
        }
    }
    EXPECT_GT(rows, 80);
    EXPECT_EQ(run->campaign.rowsSpawned, rows);
    for (int s = 0; s < 4; s++) EXPECT_GT(sides[s], 0) << "side " << s;
}

TEST(Rows, RowHasSevenLanesAroundATwoLaneGap)
{
    auto run = StartRows();
    Vector3 born[MUD_CAPACITY];
    while (!run->campaign.rowWarning) StepRows(*run, 1.0f / 60.0f, born);
    const Campaign &c = run->campaign;
    std::vector<int> lanes;
    for (int k = 0; k < c.rollerCount; k++) {
        Vector3 off = c.rollerPositions[k] - c.rowAnchor;
        float lane = Vector3DotProduct({off.x, 0.0f, off.z}, c.rowLateral) / c.rowSpacing + 4.0f;
        EXPECT_NEAR(lane, std::round(lane), 1e-3f);
        lanes.push_back((int)std::lround(lane));
    }
    ASSERT_EQ(lanes.size(), 7u);
    for (int lane = 0; lane < ROWS_LANES; lane++) {
        bool used = std::find(lanes.begin(), lanes.end(), lane) != lanes.end();
        EXPECT_EQ(used, lane != c.gapLane && lane != c.gapLane + 1) << lane;
    }
    EXPECT_GE(c.rowSpacing, 1.85f);
    EXPECT_LE(c.rowSpacing, 3.0f);
    EXPECT_GE(c.rowSpeed, 4.0f);
    EXPECT_LT(c.rowSpeed, 4.6f);
}

TEST(Rows, CameraMoveDuringTheWarningDropsTheWholeRow)
{
    auto run = StartRows();
    Vector3 born[MUD_CAPACITY];
    while (!run->campaign.rowWarning) StepRows(*run, 1.0f / 60.0f, born);
    // The view jumps onto the announced row.
    run->player = run->campaign.rowAnchor;
    CameraFollow(run->camera, run->player, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    int spawned = 0;
    for (int f = 0; f < 100 && run->campaign.rowWarning; f++) spawned += StepRows(*run, 1.0f / 60.0f, born);
    EXPECT_EQ(spawned, 0);
    EXPECT_FALSE(run->campaign.rowWarning);
    EXPECT_EQ(run->campaign.rollerCount, 0);
    EXPECT_EQ(run->campaign.rowsSpawned, 0);
    // Another row is planned 0.35 s later (less what the last step overshot).
    EXPECT_GT(run->campaign.rowTimer, ROWS_RETRY_SECONDS - 1.0f / 60.0f);
    EXPECT_LE(run->campaign.rowTimer, ROWS_RETRY_SECONDS);
}

TEST(Rows, NoPartialRowIntoANearlyFullPoolOrOntoTheShuttle)
{
    auto run = StartRows();
    Vector3 born[MUD_CAPACITY];
    // 43 creatures far away: room for five, not seven.
    while (run->pool.count < MUD_CAPACITY - 5) {
        int i = run->pool.count;
        camptest::AddBody(run->pool, 100.0f - 3.0f * (float)(i % 8), 100.0f - 3.0f * (float)(i / 8), 1.0f);
    }
    run->pool.mergeEnabled = 0;
    ASSERT_EQ(RowsPoolRoom(run->pool), 5);
    int spawned = 0;
    for (int f = 0; f < 60 * 4; f++) spawned += StepRows(*run, 1.0f / 60.0f, born);
    EXPECT_EQ(spawned, 0);
    EXPECT_EQ(run->campaign.rowsSpawned, 0);
    // Two more places: the next row comes whole.
    for (int i : {3, 9}) {
        run->pool.slots[i].mass = 0.0f;
        run->pool.slots[i].state = MUD_FREE;
    }
    ASSERT_EQ(RowsPoolRoom(run->pool), 7);
    int whole = 0;
    for (int f = 0; f < 60 * 4 && whole == 0; f++) whole = StepRows(*run, 1.0f / 60.0f, born);
    EXPECT_EQ(whole, 7);

    // The shuttle standing on one announced birth point drops the row.
    auto ship = StartRows();
    while (!ship->campaign.rowWarning) StepRows(*ship, 1.0f / 60.0f, born);
    MudPoolSetObstacle(ship->pool, ship->campaign.rollerPositions[4], 1.1f, 3.55f, true);
    spawned = 0;
    for (int f = 0; f < 100 && ship->campaign.rowWarning; f++) spawned += StepRows(*ship, 1.0f / 60.0f, born);
    EXPECT_EQ(spawned, 0);
    EXPECT_EQ(ship->campaign.rowsSpawned, 0);
}

TEST(Rows, ScheduleIsTheSameAtEveryRate)
{
    std::vector<double> times[3];
    const float rates[3] = {30.0f, 60.0f, 144.0f};
    for (int r = 0; r < 3; r++) {
        auto run = StartRows();
        Vector3 born[MUD_CAPACITY];
        float dt = 1.0f / rates[r];
        double t = 0.0;
        bool announced = false;
        for (int f = 0; f < (int)(rates[r] * 59.0f); f++) {
            int n = StepRows(*run, dt, born);
            t += dt;
            if (!announced && run->campaign.rowWarning) {
                // The first row is announced 1 s after the level starts ...
                EXPECT_NEAR(t, 1.0, dt + 1e-6) << rates[r];
                announced = true;
            }
            if (n > 0) times[r].push_back(t);
        }
        // ... and rolls in 1.5 s later.
        ASSERT_FALSE(times[r].empty());
        EXPECT_NEAR(times[r][0], 2.5, dt + 1e-6) << rates[r];
    }
    for (int r = 0; r < 2; r++) {
        ASSERT_EQ(times[r].size(), times[2].size()) << rates[r];
        for (size_t k = 0; k < times[r].size(); k++)
            EXPECT_NEAR(times[r][k], times[2][k], 1.0 / rates[r] + 1.0 / 144.0) << rates[r] << " row " << k;
    }
}

TEST(Rows, CornerDefersCleanlyAndNeverBirthsVisibleOrOutside)
{
    for (Vector3 corner : {Vector3{-118.0f, 0.0f, -118.0f}, Vector3{110.0f, 0.0f, 110.0f}, Vector3{126.0f, 0.0f, 0.0f}}) {
        auto run = StartRows(corner);
        Vector3 born[MUD_CAPACITY];
        for (int f = 0; f < 60 * 20; f++) {
            int n = StepRows(*run, 1.0f / 60.0f, born);
            ASSERT_TRUE(n == 0 || n == ROWS_ROLLERS);
            for (int k = 0; k < n; k++) {
                EXPECT_GE(OutsideView(run->camera, run->aspect, born[k]), ROWS_HIDDEN_MARGIN - 1e-3f);
                EXPECT_TRUE(ArenaContainsCircle(born[k], ROWS_ARENA_CLEARANCE));
            }
            if (!run->campaign.rowWarning) {
                ASSERT_LE(run->campaign.rowTimer, ROWS_GAP_MIN + ROWS_GAP_SPREAD);
            }
        }
    }
}

TEST(RowsView, FallbackUsesTheCurrentZoomOrTheWidest)
{
    Campaign c{};
    struct Case {
        float zoom;
        float halfHeight;
    };
    const Case cases[] = {{20.0f, 10.0f}, {17.0f, 8.5f}, {30.0f, 15.0f}, {NAN, 15.0f}, {2.0f, 15.0f}, {90.0f, 15.0f}};
    for (const Case &k : cases) {
        RowsView v = RowsViewFor(c, {5.0f, 0.0f, 5.0f}, k.zoom);
        ASSERT_TRUE(v.valid);
        EXPECT_FLOAT_EQ(v.halfHeight, k.halfHeight) << k.zoom;
        EXPECT_FLOAT_EQ(v.halfWidth, k.halfHeight * 16.0f / 9.0f) << k.zoom;
        EXPECT_LT(v.forward.y, -0.1f);
    }
    // A row planned without a snapshot at the default zoom is unseen by that same camera.
    auto run = StartRows();
    run->campaign.snapshotValid = 0;
    ASSERT_TRUE(RowsPlan(run->campaign, RowsViewFor(run->campaign, run->player, run->camera.viewHeight)));
    for (int k = 0; k < run->campaign.rollerCount; k++)
        EXPECT_GE(OutsideView(run->camera, run->aspect, run->campaign.rollerPositions[k]), ROWS_HIDDEN_MARGIN - 0.05f);
}

TEST(RowsView, GroundPointIsSeenWhereItWasAskedFor)
{
    auto run = StartRows({20.0f, 0.0f, -30.0f});
    CampaignTakeSnapshot(run->campaign, CameraToRaylib(run->camera), run->aspect);
    RowsView v = RowsViewFor(run->campaign, run->player, run->camera.viewHeight);
    for (float a : {-25.0f, 0.0f, 12.5f}) {
        for (float b : {-14.0f, 3.0f, 11.0f}) {
            Vector3 g = RowsGroundPoint(v, a, b);
            EXPECT_FLOAT_EQ(g.y, TerrainHeight(g.x, g.z));
            Vector3 lifted = {g.x, g.y + ROWS_SAMPLE_HEIGHT, g.z};
            Vector3 d = lifted - v.origin;
            EXPECT_NEAR(Vector3DotProduct(d, v.right), a, 0.02f);
            EXPECT_NEAR(Vector3DotProduct(d, v.up), b, 0.02f);
        }
    }
}

TEST(RowsArrows, PointInwardFromTheRowsEdgeAndLeaveTheGapOpen)
{
    auto run = StartRows();
    Vector3 born[MUD_CAPACITY];
    const float W = 1280.0f, H = 720.0f;
    int seen[4] = {};
    for (int f = 0; f < 60 * 200; f++) {
        run->player.x += 0.01f;
        bool before = run->campaign.rowWarning;
        StepRows(*run, 1.0f / 60.0f, born);
        const Campaign &c = run->campaign;
        if (!c.rowWarning || before) continue;
        RowsArrow arrows[ROWS_LANES];
        int n = RowsWarningArrows(c, run->camera, W, H, arrows);
        ASSERT_GT(n, 0);
        ASSERT_LE(n, ROWS_ROLLERS);
        seen[c.rowSide]++;
        std::vector<float> along;
        for (int k = 0; k < n; k++) {
            Vector2 base = {(arrows[k].baseLeft.x + arrows[k].baseRight.x) * 0.5f,
                            (arrows[k].baseLeft.y + arrows[k].baseRight.y) * 0.5f};
            Vector2 d = {arrows[k].tip.x - base.x, arrows[k].tip.y - base.y};
            EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y), 13.0f, 1e-3f);
            // The clamped point is 5 px ahead of the base, at the edge the row comes from.
            Vector2 at = {base.x + d.x * 5.0f / 13.0f, base.y + d.y * 5.0f / 13.0f};
            switch (c.rowSide) {
            case 0: EXPECT_NEAR(at.x, W - 18.0f, 0.01f); EXPECT_LT(d.x, 0.0f); along.push_back(at.y); break;
            case 1: EXPECT_NEAR(at.x, 18.0f, 0.01f); EXPECT_GT(d.x, 0.0f); along.push_back(at.y); break;
            case 2: EXPECT_NEAR(at.y, 18.0f, 0.01f); EXPECT_GT(d.y, 0.0f); along.push_back(at.x); break;
            default: EXPECT_NEAR(at.y, H - 18.0f, 0.01f); EXPECT_LT(d.y, 0.0f); along.push_back(at.x); break;
            }
        }
        if (n == ROWS_ROLLERS && c.gapLane > 0 && c.gapLane < ROWS_LANES - 2) {
            // The gap shows as one space three lanes wide between two arrows (the ground's relief
            // moves each birth point a little on screen).
            std::sort(along.begin(), along.end());
            float widest = 0.0f, narrowest = 1e9f;
            for (int k = 1; k < n; k++) {
                widest = std::max(widest, along[k] - along[k - 1]);
                narrowest = std::min(narrowest, along[k] - along[k - 1]);
            }
            EXPECT_NEAR(widest / narrowest, 3.0f, 0.4f);
        }
        EXPECT_NEAR(RowsWarningAlpha(c), 0.4f + 0.2f * std::sin(15.0f * c.rowWarningTime), 1e-6f);
    }
    for (int s = 0; s < 4; s++) EXPECT_GT(seen[s], 0) << s;
    Campaign quiet{};
    RowsArrow arrows[ROWS_LANES];
    EXPECT_EQ(RowsWarningArrows(quiet, run->camera, W, H, arrows), 0);
    EXPECT_EQ(RowsWarningAlpha(quiet), 0.0f);
}
