// Bosses: the gate's encounter and the layout of bars and markers.
//
// Index
//   [SECTION] Encounter
//   [SECTION] HUD layout
#include "campaign/bosses.h"

#include "common/maths.h"
#include "player/hud_layout.h"

#include <climits>
#include <cmath>

// [SECTION] Encounter

const char *BossName(int form)
{
    static const char *const NAMES[BOSS_FORM_COUNT] = {"Босс-грязевик", "Босс-топтун", "Босс-голем"};
    return NAMES[ClampInt(form, 0, BOSS_FORM_COUNT - 1)];
}

bool BossEncounterUpdate(Campaign &campaign, MudPool &pool, Vector3 player)
{
    int count = ClampInt(campaign.bossCount, 0, CAMPAIGN_MAX_BOSSES);
    // Nothing summoned means nothing beaten.
    if (count == 0) return false;
    bool done = true;
    for (int i = 0; i < count; i++) {
        if (campaign.bossSlot[i] < 0) {
            bool gatherer = campaign.level == 1;
            campaign.bossSlot[i] = MudPoolSpawnBoss(pool, player, campaign.bossForm[i], gatherer);
            if (campaign.bossSlot[i] < 0) {
                campaign.bossSlot[i] = -1;
                if (campaign.summonFailures[i] == 0)
                    TraceLog(LOG_WARNING, "CAMPAIGN: boss %d of level %d found no place; trying again every update",
                             campaign.bossForm[i], campaign.level);
                if (campaign.summonFailures[i] < INT_MAX) campaign.summonFailures[i] += 1;
            }
            done = false;
        } else if (CampaignBossAlive(campaign, pool, i)) {
            done = false;
        }
    }
    return done;
}

// [SECTION] HUD layout

static bool BossShown(const MudPool &pool, int i)
{
    const MudSlot &s = pool.slots[i];
    return s.boss && s.mass > 0.0f && s.health > 0.0f && s.state != MUD_FREE && s.state != MUD_ABSORBED &&
           s.state != MUD_CORPSE;
}

static float Distance2(Vector2 a, Vector2 b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)); }

Vector2 BossMarkerEdgePoint(Vector2 projected, float width, float height)
{
    Vector2 centre = {width * 0.5f, height * 0.5f};
    float dx = projected.x - centre.x, dy = projected.y - centre.y;
    float hx = std::fmax(0.0f, centre.x - BOSS_MARKER_INSET_X), hy = std::fmax(0.0f, centre.y - BOSS_MARKER_INSET_Y);
    if (!IsFinite(projected) || (std::fabs(dx) < 1e-6f && std::fabs(dy) < 1e-6f)) return {centre.x, centre.y - hy};
    float sx = std::fabs(dx) > 1e-6f ? hx / std::fabs(dx) : 1e30f;
    float sy = std::fabs(dy) > 1e-6f ? hy / std::fabs(dy) : 1e30f;
    float s = std::fmin(sx, sy);
    return {centre.x + dx * s, centre.y + dy * s};
}

Vector2 BossMarkerSeparate(Vector2 first, Vector2 second, float width, float height)
{
    if (Distance2(first, second) >= BOSS_MARKER_SPACING) return second;
    bool sideEdge = second.x < 40.0f || second.x > width - 40.0f;
    float step = sideEdge ? 62.0f : 100.0f;
    float lo = sideEdge ? BOSS_MARKER_INSET_Y : BOSS_MARKER_INSET_X;
    float hi = sideEdge ? height - BOSS_MARKER_INSET_Y : width - BOSS_MARKER_INSET_X;
    float centreLine = sideEdge ? height * 0.5f : width * 0.5f;
    float own = sideEdge ? second.y : second.x;
    float anchor = sideEdge ? first.y : first.x;
    auto placed = [&](float coordinate) {
        Vector2 p = second;
        (sideEdge ? p.y : p.x) = ClampSafe(coordinate, lo, std::fmax(lo, hi));
        return p;
    };
    // Towards the centre line first; if that leaves the two too close (the second lay between the
    // first and the line), beside the first on the second's own side, else on the other side.
    Vector2 p = placed(own + (own <= centreLine ? step : -step));
    if (Distance2(first, p) >= BOSS_MARKER_SPACING) return p;
    float side = own >= anchor ? 1.0f : -1.0f;
    p = placed(anchor + side * step);
    if (Distance2(first, p) >= BOSS_MARKER_SPACING) return p;
    return placed(anchor - side * step);
}

Vector2 BossMarkerLabelOrigin(Vector2 point, Vector2 textSize, float width, float height)
{
    const float gap = BOSS_MARKER_RADIUS + 8.0f;
    Vector2 o;
    if (point.x < 40.0f) {
        o = {point.x + gap, point.y - textSize.y * 0.5f};
    } else if (point.x > width - 40.0f) {
        o = {point.x - gap - textSize.x, point.y - textSize.y * 0.5f};
    } else if (point.y < height * 0.5f) {
        o = {point.x - textSize.x * 0.5f, point.y + gap};
    } else {
        o = {point.x - textSize.x * 0.5f, point.y - gap - textSize.y};
    }
    o.x = ClampSafe(o.x, 8.0f, std::fmax(8.0f, width - 8.0f - textSize.x));
    o.y = ClampSafe(o.y, 8.0f, std::fmax(8.0f, height - 8.0f - textSize.y));
    return o;
}

Vector2 BossPipCentre(const BossBar &bar, int j)
{
    float spacing = bar.frame.width / (float)MUD_GATHER_TARGET;
    return {bar.frame.x + ((float)ClampInt(j, 0, MUD_GATHER_TARGET - 1) + 0.5f) * spacing, bar.frame.y + BOSS_PIP_DROP};
}

void BossHudLayout(const MudPool &pool, const FollowCamera &camera, float width, float height, float time, BossHud &out)
{
    out.barCount = 0;
    out.markerCount = 0;
    if (!(width > 0.0f) || !(height > 0.0f) || !IsFinite(width) || !IsFinite(height)) return;
    float zoom = camera.viewHeight > 0.0f && IsFinite(camera.viewHeight) ? camera.viewHeight : CAMERA_ZOOM_DEFAULT;
    int used = ClampInt(pool.count, 0, MUD_CAPACITY);
    for (int i = 0; i < used; i++) {
        if (!BossShown(pool, i)) continue;
        const MudSlot &s = pool.slots[i];
        Vector2 p = HudProject(camera, s.position, width, height);
        if (!IsFinite(p)) continue;
        bool off = p.x < BOSS_OFFSCREEN_MARGIN || p.x > width - BOSS_OFFSCREEN_MARGIN || p.y < BOSS_OFFSCREEN_MARGIN ||
                   p.y > height - BOSS_OFFSCREEN_MARGIN;
        if (off) {
            BossMarker &m = out.markers[out.markerCount];
            m.slot = i;
            m.form = ClampInt(s.bossIndex, 0, BOSS_FORM_COUNT - 1);
            m.gatherer = s.gatherer != 0;
            m.point = BossMarkerEdgePoint(p, width, height);
            // Only the first two markers of a frame are kept apart.
            if (out.markerCount == 1) m.point = BossMarkerSeparate(out.markers[0].point, m.point, width, height);
            Vector2 d = {p.x - m.point.x, p.y - m.point.y};
            float length = std::sqrt(d.x * d.x + d.y * d.y);
            m.direction = length > 1e-4f ? Vector2{d.x / length, d.y / length} : Vector2{0.0f, -1.0f};
            m.pulse = 1.0f + 0.1f * std::sin(5.0f * (time + s.phase));
            out.markerCount++;
            continue;
        }
        // The bar sits just above the top of the body as drawn.
        float r = MudBodyScale(s);
        Vector3 top = {s.position.x, s.position.y + r * 1.08f * std::fmax(s.scale.y, 0.0f), s.position.z};
        float sy = HudProject(camera, top, width, height).y;
        BossBar &b = out.bars[out.barCount];
        b.slot = i;
        b.gatherer = s.gatherer != 0;
        b.gathered = ClampInt(s.gathered, 0, MUD_GATHER_TARGET);
        float w = ClampSafe(height * r / zoom * 1.65f, BOSS_BAR_MIN_WIDTH, BOSS_BAR_MAX_WIDTH);
        float cx = ClampSafe(p.x, w * 0.5f + 8.0f, std::fmax(w * 0.5f + 8.0f, width - w * 0.5f - 8.0f));
        float topEdge = std::fmin(height - 30.0f, std::fmax(12.0f, sy - 14.0f)) - 12.0f;
        b.frame = {cx - w * 0.5f, topEdge, w, BOSS_BAR_HEIGHT};
        float share = s.maxHealth > 0.0f ? ClampSafe(s.health / s.maxHealth, 0.0f, 1.0f) : 0.0f;
        b.fillWidth = std::ceil(share * (w - 4.0f));
        out.barCount++;
    }
}
