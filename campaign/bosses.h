// Bosses as the campaign sees them: which forms a gate summons, summoning them around the player
// until the pool finds room, the test that every boss of the gate is dead, and the layout of the
// boss HUD (health bars, the gatherer's pips, named markers at the view's edge). The bodies
// themselves are mudlings of the pool. Pure: the drawing is in hud/campaign_draw.cpp.
#pragma once

#include "campaign/campaign.h"

constexpr int BOSS_FORM_COUNT = 3;
constexpr float BOSS_BAR_HEIGHT = 18.0f;         // pixels
constexpr float BOSS_BAR_MIN_WIDTH = 132.0f;
constexpr float BOSS_BAR_MAX_WIDTH = 248.0f;
constexpr float BOSS_PIP_RADIUS = 1.5f;
constexpr float BOSS_PIP_DROP = 24.0f;           // pixels from the bar's top to the pips
constexpr float BOSS_OFFSCREEN_MARGIN = 24.0f;   // a centre this close to an edge gets a marker
constexpr float BOSS_MARKER_INSET_X = 36.0f;
constexpr float BOSS_MARKER_INSET_Y = 48.0f;
constexpr float BOSS_MARKER_SPACING = 58.0f;     // two markers never closer than this
constexpr float BOSS_MARKER_RADIUS = 18.0f;
constexpr float BOSS_NAME_SIZE = 17.0f;

// The form's name as shown beside its marker.
const char *BossName(int form);
// The gate's encounter: summons every boss still missing (retried in every update while the pool
// has no room, so the gate waits) and reports true when every boss of the gate was summoned and
// is dead. A gate without bosses is never done.
bool BossEncounterUpdate(Campaign &campaign, MudPool &pool, Vector3 player);

// [SECTION] HUD layout

// A health bar above an on-screen boss.
struct BossBar {
    int slot;
    Rectangle frame;      // pixels: the bar, BOSS_BAR_HEIGHT high
    float fillWidth;      // pixels of the inside (frame inset 2 px) that are filled
    bool gatherer;        // gold frame and the twenty pips
    int gathered;         // pips lit, 0..20
};

// A marker at the view's edge for an off-screen boss.
struct BossMarker {
    int slot;
    int form;
    Vector2 point;        // disc centre, pixels
    Vector2 direction;    // unit, from the disc towards the boss on screen
    float pulse;          // chevron scale
    bool gatherer;
};

struct BossHud {
    BossBar bars[MUD_CAPACITY];
    int barCount;
    BossMarker markers[MUD_CAPACITY];
    int markerCount;
};

// Bars and markers of every living boss in the pool for a view of width x height pixels; `time`
// drives the markers' pulse.
void BossHudLayout(const MudPool &pool, const FollowCamera &camera, float width, float height, float time, BossHud &out);
// Where the line from the view's centre towards `projected` meets the marker rectangle (the view
// inset 36 px left and right, 48 px top and bottom).
Vector2 BossMarkerEdgePoint(Vector2 projected, float width, float height);
// `second` moved along its edge so that it stays at least BOSS_MARKER_SPACING from `first`:
// 62 px vertically near a side edge, else 100 px horizontally, towards the view's centre line
// when that separates them, else beside `first` on whichever side the insets leave room.
Vector2 BossMarkerSeparate(Vector2 first, Vector2 second, float width, float height);
// Top-left corner of a marker's name of `textSize` pixels: right of a marker at the left edge,
// left of one at the right edge, else below (top edge) or above it; kept 8 px inside the view.
Vector2 BossMarkerLabelOrigin(Vector2 point, Vector2 textSize, float width, float height);
// Centre of pip `j` (0..19) under a gatherer's bar.
Vector2 BossPipCentre(const BossBar &bar, int j);
