// Rolling rows of the third level: seven rollers side by side with a two-lane gap, born just
// outside the view, announced for 1.5 s by arrows at the screen edge they come from, then rolling
// straight across. This file chooses the row (side, spacing, position, gap), checks that its
// corridor is fair (unseen at birth, inside the arena), runs the warning, spawns the whole row
// into the mudling pool or none of it, and times the rows. Pure: the arrows are drawn by
// hud/campaign_draw.cpp from RowsWarningArrows.
#pragma once

#include "campaign/campaign.h"

constexpr float ROWS_FIRST_SECONDS = 1.0f;      // level start to the first plan
constexpr float ROWS_WARNING_SECONDS = 1.5f;    // announcement before the rollers appear
constexpr float ROWS_RETRY_SECONDS = 0.35f;     // after a deferred or dropped row
constexpr float ROWS_GAP_MIN = 3.25f;           // after a launched row: 3.25 + 0.65 u
constexpr float ROWS_GAP_SPREAD = 0.65f;
constexpr float ROWS_HIDDEN_MARGIN = 1.2f;      // metres beyond the view edge a birth point lies at least
constexpr float ROWS_ARENA_CLEARANCE = 1.25f;   // metres every corridor point keeps from the walls
constexpr float ROWS_SAMPLE_HEIGHT = 0.85f;     // metres above the terrain the corridor is tested at
constexpr float ROWS_ROLLER_RADIUS_MIN = 0.72f; // + 0.13 u
constexpr float ROWS_ROLLER_RADIUS_SPREAD = 0.13f;
constexpr float ROWS_FALLBACK_ZOOM = 30.0f;     // without a snapshot or a sane zoom: the widest view
constexpr int ROWS_CHAIN_LIMIT = 4;             // phase ends one update may pass

// The planning view: an orthographic camera's basis and half extents, metres.
struct RowsView {
    Vector3 origin;        // camera position
    Vector3 right, up, forward;  // unit camera axes
    Vector3 groundRight;   // right on the ground, unit
    Vector3 groundUp;      // screen-up on the ground, unit
    float halfWidth, halfHeight;
    bool valid;            // the basis is usable
};

// The view of the last valid snapshot, or, without one, the follow camera's view of `player`
// at `zoom` (30 when that is not a zoom the camera can have) and 16:9.
RowsView RowsViewFor(const Campaign &campaign, Vector3 player, float zoom);
// The ground point seen at screen offset (a along right, b along up, metres) from the view
// centre: where the view ray meets the surface 0.85 m above the terrain, y = the terrain there.
Vector3 RowsGroundPoint(const RowsView &view, float a, float b);
// The planned row's corridor is fair: every one of its 17 lateral samples is at least 1.2 m
// beyond the view edge the row comes from and inside the arena with 1.25 m clearance, and so is
// the path of every sample that will cross the view, until it is 1.4 m inside.
bool RowsCorridorFair(const Campaign &campaign, const RowsView &view);
// Chooses a fair row from a shuffled order of the four sides and starts its warning; false (no
// warning) when no side offers one or the camera is not looking down.
bool RowsPlan(Campaign &campaign, const RowsView &view);
// Places the pool has for new creatures: slots beyond its used count and free slots whose debris
// has landed.
int RowsPoolRoom(const MudPool &pool);
// Every planned birth point is far enough from the shuttle for the largest roller.
bool RowsClearOfShuttle(const Campaign &campaign, const MudPool &pool);
// One step of the rows (level 3, ordinary phase): the timer, the plan, the warning and the launch
// of all seven rollers at the announced points, or of none when the corridor is no longer fair or
// the pool lacks room. Every timer carries its overshoot. Nothing changes unless dt is finite and
// positive.
void RowsUpdate(Campaign &campaign, MudPool &pool, Vector3 player, float zoom, float dt);

// [SECTION] Warning arrows

// One arrow of the warning, pixels.
struct RowsArrow {
    Vector2 tip, baseLeft, baseRight;
};

// Opacity of the arrows: 0.4 + 0.2 sin(15 t) while a warning runs, else 0.
float RowsWarningAlpha(const Campaign &campaign);
// The warning's arrows for a view of width x height pixels: one per birth point not too close
// to the perpendicular edges, clamped 18 px inside the view and pointing the way the row rolls.
// Returns their count (0 without a warning).
int RowsWarningArrows(const Campaign &campaign, const FollowCamera &camera, float width, float height,
                      RowsArrow out[ROWS_LANES]);
