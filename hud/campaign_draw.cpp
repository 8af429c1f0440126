// Campaign HUD drawing: banner, boss bars and markers, row arrows. The layout comes from
// campaign/bosses.h and campaign/rows.h; this file only turns it into shapes and text.
#include "hud/campaign_draw.h"

#include "campaign/bosses.h"
#include "campaign/rows.h"
#include "common/maths.h"
#include "hud/hud_draw.h"

#include <cmath>
#include <cstdio>

static Color Faded(Color c, float alpha)
{
    c.a = (unsigned char)(ClampSafe(alpha, 0.0f, 1.0f) * (float)c.a + 0.5f);
    return c;
}

void CampaignDrawBanner(const Campaign &campaign, float viewWidth)
{
    float alpha = CampaignBannerAlpha(campaign);
    if (!(alpha > 0.0f)) return;
    char text[32];
    snprintf(text, sizeof(text), "Уровень %d", campaign.level);
    const float size = 52.0f;
    float x = (viewWidth - MeasureTextEx(hudFont, text, size, 0.0f).x) * 0.5f;
    DrawTextEx(hudFont, text, {x, 28.0f + 3.0f}, size, 0.0f, Faded(BLACK, 0.7f * alpha));
    DrawTextEx(hudFont, text, {x, 28.0f}, size, 0.0f, Faded({255, 245, 225, 255}, alpha));
}

static void DrawBar(const BossBar &bar)
{
    const Rectangle &f = bar.frame;
    DrawRectangleRounded({f.x, f.y + 3.0f, f.width, f.height}, 1.0f, 12, {10, 8, 8, 115});
    DrawRectangleRounded(f, 1.0f, 12, bar.gatherer ? Color{149, 111, 56, 255} : Color{29, 18, 18, 245});
    Rectangle inside = {f.x + 2.0f, f.y + 2.0f, f.width - 4.0f, f.height - 4.0f};
    DrawRectangleRounded(inside, 1.0f, 12, {54, 23, 24, 255});
    if (bar.fillWidth > 0.0f) {
        DrawRectangleRounded({inside.x, inside.y, bar.fillWidth, inside.height}, 1.0f, 12, {209, 42, 48, 255});
        float strip = bar.fillWidth - 8.0f;
        if (strip > 0.0f) DrawRectangleRounded({inside.x + 4.0f, inside.y + 2.0f, strip, 3.0f}, 1.0f, 12, {255, 133, 118, 120});
    }
    if (!bar.gatherer) return;
    for (int j = 0; j < MUD_GATHER_TARGET; j++) {
        Color pip = j < bar.gathered ? Color{255, 207, 116, 255} : Color{43, 31, 20, 180};
        DrawCircleV(BossPipCentre(bar, j), BOSS_PIP_RADIUS, pip);
    }
}

static void DrawMarker(const BossMarker &m, float viewWidth, float viewHeight)
{
    DrawCircleV(m.point, BOSS_MARKER_RADIUS, {34, 15, 13, 205});
    Vector2 d = m.direction * (7.0f * m.pulse);
    Vector2 side = {-d.y, d.x};
    Vector2 tip = m.point + d;
    Vector2 back = m.point - d;
    Color colour = m.gatherer ? Color{255, 208, 112, 255} : Color{255, 117, 104, 255};
    for (int pass = 0; pass < 2; pass++) {
        float width = pass == 0 ? 7.0f : 4.0f;
        Color c = pass == 0 ? Faded(BLACK, 0.8f) : colour;
        DrawLineEx(back + side, tip, width, c);
        DrawLineEx(back - side, tip, width, c);
    }
    const char *name = BossName(m.form);
    Vector2 size = MeasureTextEx(hudFont, name, BOSS_NAME_SIZE, 0.0f);
    Vector2 at = BossMarkerLabelOrigin(m.point, size, viewWidth, viewHeight);
    DrawTextEx(hudFont, name, {at.x, at.y + 2.0f}, BOSS_NAME_SIZE, 0.0f, BLACK);
    DrawTextEx(hudFont, name, at, BOSS_NAME_SIZE, 0.0f, colour);
}

void CampaignDrawBosses(const MudPool &pool, const FollowCamera &camera, float viewWidth, float viewHeight, float time)
{
    // Room for every slot, kept once rather than on the stack of each frame.
    static BossHud hud;
    BossHudLayout(pool, camera, viewWidth, viewHeight, time, hud);
    for (int i = 0; i < hud.barCount; i++) DrawBar(hud.bars[i]);
    for (int i = 0; i < hud.markerCount; i++) DrawMarker(hud.markers[i], viewWidth, viewHeight);
}

void CampaignDrawRowWarning(const Campaign &campaign, const FollowCamera &camera, float viewWidth, float viewHeight)
{
    RowsArrow arrows[ROWS_LANES];
    int n = RowsWarningArrows(campaign, camera, viewWidth, viewHeight, arrows);
    Color colour = Faded({235, 180, 97, 255}, RowsWarningAlpha(campaign));
    for (int i = 0; i < n; i++) {
        const RowsArrow &a = arrows[i];
        // raylib culls triangles of the other winding; in y-down pixels its order turns negatively.
        float turn = (a.baseLeft.x - a.tip.x) * (a.baseRight.y - a.tip.y) - (a.baseLeft.y - a.tip.y) * (a.baseRight.x - a.tip.x);
        if (turn < 0.0f) DrawTriangle(a.tip, a.baseLeft, a.baseRight, colour);
        else DrawTriangle(a.tip, a.baseRight, a.baseLeft, colour);
    }
}

void CampaignHudDraw(const Campaign &campaign, const MudPool &pool, const FollowCamera &camera, float viewWidth,
                     float viewHeight, float time)
{
    if (campaign.phase == CAMPAIGN_VICTORY) return;
    CampaignDrawBanner(campaign, viewWidth);
    CampaignDrawBosses(pool, camera, viewWidth, viewHeight, time);
    CampaignDrawRowWarning(campaign, camera, viewWidth, viewHeight);
}
