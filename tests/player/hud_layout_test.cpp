#include "player/hud_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr float VIEW_W = 1280.0f;
constexpr float VIEW_H = 720.0f;

FollowCamera CameraAt(Vector3 player, float zoom)
{
    FollowCamera camera{};
    camera.viewHeight = zoom;
    CameraFollow(camera, player, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return camera;
}

// A fresh schedule moved to `clock` seconds in frame-sized steps.
Bindings ScheduleAt(double clock)
{
    Bindings b;
    BindingsReset(b, 12345u);
    while (b.clock < clock - 1e-9) {
        double left = clock - b.clock;
        BindingsUpdate(b, left < 1.0 / 60.0 ? (float)left : 1.0f / 60.0f);
    }
    return b;
}

float AngleMod360(float degrees)
{
    float a = std::fmod(degrees, 360.0f);
    return a < 0.0f ? a + 360.0f : a;
}

// [SECTION] Anchor

TEST(HudAnchor, OffsetsFollowPixelsPerMetreWithFloors)
{
    struct Case {
        float m, upY, ox, oy;
    } cases[] = {
        {36.0f, 0.725f, 60.0f, 65.0f},                     // zoom 20 on 720 px: both floors hold
        {36.0f, 1.0f, 60.0f, 41.4f + 32.0f},               // oy = 1.15 m up.y + 32 once above 65
        {720.0f / 5.5f, 0.725f, 0.5f * 720.0f / 5.5f + 36.0f, 1.15f * 720.0f / 5.5f * 0.725f + 32.0f},
        {24.0f, 0.725f, 60.0f, 65.0f},                     // zoomed out: the floors keep it readable
    };
    for (const Case &c : cases) {
        HudAnchor a = HudAnchorAt(100.0f, 200.0f, c.m, c.upY);
        EXPECT_NEAR(a.ox, c.ox, 1e-3f) << "m " << c.m;
        EXPECT_NEAR(a.oy, c.oy, 1e-3f) << "m " << c.m;
        EXPECT_EQ(a.cx, 100.0f);
        EXPECT_EQ(a.cy, 200.0f);
    }
}

TEST(HudAnchor, FollowsThePlayerAndGrowsWithTheZoom)
{
    // The camera looks at 0.65 m above the feet, which lands on the view's centre.
    FollowCamera camera = CameraAt({0.0f, 0.0f, 0.0f}, 20.0f);
    Vector2 target = HudProject(camera, camera.target, VIEW_W, VIEW_H);
    EXPECT_NEAR(target.x, 640.0f, 1e-3f);
    EXPECT_NEAR(target.y, 360.0f, 1e-3f);

    HudAnchor a = HudAnchorFor(camera, {0.0f, 0.0f, 0.0f}, VIEW_W, VIEW_H);
    EXPECT_NEAR(a.m, 36.0f, 1e-4f);
    EXPECT_NEAR(a.ox, 60.0f, 1e-4f);
    EXPECT_NEAR(a.oy, std::fmax(65.0f, 41.4f * camera.up.y + 32.0f), 1e-3f);
    EXPECT_NEAR(a.cx, 640.0f, 1e-3f);
    EXPECT_NEAR(a.cy, 360.0f - 0.45f * camera.up.y * 36.0f, 1e-3f);  // the head is higher on screen

    // The same camera with the player a metre to the screen's right: the cluster moves m pixels.
    Vector3 right = camera.right;
    HudAnchor moved = HudAnchorFor(camera, {right.x, right.y, right.z}, VIEW_W, VIEW_H);
    EXPECT_NEAR(moved.cx - a.cx, 36.0f, 1e-3f);
    EXPECT_NEAR(moved.cy, a.cy, 1e-3f);

    HudAnchor close = HudAnchorFor(CameraAt({0.0f, 0.0f, 0.0f}, 10.0f), {0.0f, 0.0f, 0.0f}, VIEW_W, VIEW_H);
    EXPECT_NEAR(close.m, 72.0f, 1e-4f);
    EXPECT_GT(close.ox, a.ox);
    EXPECT_GT(close.oy, a.oy);
}

TEST(HudAnchor, SlotsSitAroundTheHead)
{
    HudAnchor a = HudAnchorAt(640.0f, 360.0f, 36.0f, 0.725f);
    struct Case {
        int slot;
        float x, y;
    } cases[] = {
        {SLOT_UP, 640.0f, 295.0f},   {SLOT_LEFT, 580.0f, 360.0f},     {SLOT_DOWN, 640.0f, 425.0f},
        {SLOT_RIGHT, 700.0f, 360.0f}, {SLOT_ABILITY1, 567.0f, 425.0f}, {SLOT_ABILITY2, 713.0f, 425.0f},
    };
    for (const Case &c : cases) {
        Vector2 p = HudSlotCentre(a, c.slot);
        EXPECT_NEAR(p.x, c.x, 1e-4f) << "slot " << c.slot;
        EXPECT_NEAR(p.y, c.y, 1e-4f) << "slot " << c.slot;
    }
    // Each arrow points away from the head: its tip is farther out than its centre.
    for (int slot = SLOT_UP; slot <= SLOT_RIGHT; slot++) {
        Vector2 o[7];
        Vector2 centre = HudSlotCentre(a, slot);
        HudArrowOutline(centre, HudArrowDirection(slot), o);
        float tip = std::hypot(o[0].x - a.cx, o[0].y - a.cy);
        EXPECT_NEAR(tip, std::hypot(centre.x - a.cx, centre.y - a.cy) + 29.0f, 1e-3f) << "slot " << slot;
    }
}

// [SECTION] Countdown ring and warning

TEST(HudRing, ClearsEverySlotAtEveryZoom)
{
    for (float zoom = CAMERA_ZOOM_MIN; zoom <= CAMERA_ZOOM_MAX; zoom += 0.5f) {
        HudAnchor a = HudAnchorAt(640.0f, 360.0f, VIEW_H / zoom, 0.725f);
        float inner = HudRingRadius(a) - 4.4f;
        for (int slot = SLOT_UP; slot <= SLOT_RIGHT; slot++) {
            Vector2 p = HudSlotCentre(a, slot);
            EXPECT_LT(std::hypot(p.x - a.cx, p.y - a.cy) + 29.0f, inner) << "zoom " << zoom << " arrow " << slot;
        }
        for (int slot = SLOT_ABILITY1; slot <= SLOT_ABILITY2; slot++) {
            Vector2 p = HudSlotCentre(a, slot);
            EXPECT_LT(std::hypot(p.x - a.cx, p.y - a.cy) + 31.0f, inner) << "zoom " << zoom << " ability " << slot;
        }
    }
    EXPECT_NEAR(HudRingRadius(HudAnchorAt(0.0f, 0.0f, 36.0f, 0.725f)), std::sqrt(95.0f * 95.0f + 115.0f * 115.0f) + 10.0f,
                1e-3f);
}

TEST(HudRing, CountsTheStageDownAndEndsAtTheBottom)
{
    HudRingSegment segments[HUD_RING_CAPACITY];
    Bindings b = ScheduleAt(0.001);
    ASSERT_EQ(HudRingSegments(b, segments), 25);
    float span = 360.0f / 25.0f - 2.4f;
    for (int i = 0; i < 25; i++) EXPECT_NEAR(segments[i].endAngle - segments[i].startAngle, span, 1e-4f);

    // One fewer each second, the brighter alpha over the last five.
    int before = 25;
    for (int second = 1; second <= 24; second++) {
        Bindings at = ScheduleAt(second + 0.001);
        int shown = HudRingSegments(at, segments);
        EXPECT_EQ(shown, before - 1) << "second " << second;
        EXPECT_EQ(HudRingAlpha(BindingsCountdownRemaining(at)), shown < 6 ? 220 : 150);
        before = shown;
    }
    // The last segment left sits at the bottom of the ring, and the warning shows none.
    ASSERT_EQ(before, 1);
    Bindings last = ScheduleAt(24.5);
    ASSERT_EQ(HudRingSegments(last, segments), 1);
    EXPECT_NEAR(AngleMod360(0.5f * (segments[0].startAngle + segments[0].endAngle)), 90.0f, 1e-3f);
    EXPECT_EQ(HudRingSegments(ScheduleAt(25.2), segments), 0);

    // A 60 s stage (odd and even segment counts alike) also ends at the bottom.
    Bindings longer;
    BindingsReset(longer, 7u);
    BindingsSetInterval(longer, 59.0);
    BindingsUpdate(longer, (float)(BindingsTimeToSwap(longer) - 5.5));
    ASSERT_EQ(HudRingSegments(longer, segments), 1);
    EXPECT_NEAR(AngleMod360(0.5f * (segments[0].startAngle + segments[0].endAngle)), 90.0f, 1e-3f);
}

TEST(HudWarning, BoxesNeverGoAboveTheTopLimit)
{
    const float cys[] = {-400.0f, 0.0f, 100.0f, 300.0f, 328.0f, 360.0f, 700.0f};
    for (float cy : cys) {
        HudAnchor a = HudAnchorAt(640.0f, cy, 36.0f, 0.725f);
        float r = HudRingRadius(a);
        float by = HudWarningY(a, r);
        EXPECT_GE(by, 120.0f) << "cy " << cy;
        EXPECT_EQ(by, std::fmax(120.0f, cy - r - 48.0f)) << "cy " << cy;
    }
}

TEST(HudDigits, OnlyInTheLastThreeSecondsGrowingAndFading)
{
    struct Case {
        double clock;
        int digit;
        float size, opacity;
    } cases[] = {
        {26.5, 0, 0.0f, 0.0f},     // 3.5 s left: warning boxes, no digit yet
        {27.0001, 3, 48.0f, 1.0f}, // the 3 appears at 48 px, opaque
        {27.5, 3, 72.0f, 0.5f},    // halfway through its second
        {28.2, 2, 57.6f, 0.8f},
        {29.9, 1, 91.2f, 0.1f},
        {30.2, 0, 0.0f, 0.0f},     // after the exchange: a new stage
    };
    for (const Case &c : cases) {
        HudDigit d = HudDigitFor(ScheduleAt(c.clock));
        EXPECT_EQ(d.digit, c.digit) << "clock " << c.clock;
        EXPECT_NEAR(d.size, c.size, 0.05f) << "clock " << c.clock;
        EXPECT_NEAR(d.opacity, c.opacity, 0.002f) << "clock " << c.clock;
    }
}

// [SECTION] Highlights and glyph motion

TEST(HudHighlights, PulseOnTheAnnouncedPairThenGlowOnTheExchangedOne)
{
    float h[BINDINGS_SLOT_COUNT];
    Bindings calm = ScheduleAt(10.0);
    HudSlotHighlights(calm, h);
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) EXPECT_EQ(h[s], 0.0f) << "slot " << s;

    Bindings warned = ScheduleAt(25.0 + 1e-4);
    int a = warned.pairA, b = BindingsPairSlotB(warned.pairB);
    HudSlotHighlights(warned, h);
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) EXPECT_NEAR(h[s], s == a || s == b ? 1.0f : 0.0f, 1e-3f) << "slot " << s;

    // Just after the boundary the exchanged slots glow fully; the glow is gone when it settles.
    Bindings swapped = ScheduleAt(30.0 + 1e-4);
    ASSERT_EQ(swapped.swapCount, 1);
    HudSlotHighlights(swapped, h);
    EXPECT_NEAR(h[a], 1.0f, 1e-3f);
    EXPECT_NEAR(h[b], 1.0f, 1e-3f);
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) EXPECT_NEAR(h[s], s == a || s == b ? 1.0f : 0.0f, 1e-3f) << "slot " << s;
    Bindings settled = ScheduleAt(31.0);
    HudSlotHighlights(settled, h);
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) EXPECT_EQ(h[s], 0.0f) << "slot " << s;
}

TEST(HudKeyMotion, OnlyExchangedSlotsSlideAndTheySettle)
{
    Bindings swapped = ScheduleAt(30.0 + 1e-4);
    int a = swapped.lastPairA, b = BindingsPairSlotB(swapped.lastPairB);
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) {
        HudKeyMotion m = HudKeyMotionFor(swapped, s);
        EXPECT_EQ(m.changed, s == a || s == b) << "slot " << s;
    }
    HudKeyMotion start = HudKeyMotionFor(swapped, a);
    EXPECT_EQ(start.oldKey, swapped.prevSlotKey[a]);
    EXPECT_NEAR(start.oldAlpha, 1.0f, 1e-3f);
    EXPECT_NEAR(start.newShift, 9.0f, 1e-3f);
    EXPECT_NEAR(start.newAlpha, 0.0f, 1e-3f);

    // The old key is gone by 0.22 of the animation, the new one in place by 0.34.
    Bindings outDone = ScheduleAt(30.0 + 0.22 * BINDINGS_SWAP_ANIM_SECONDS + 1e-4);
    HudKeyMotion m = HudKeyMotionFor(outDone, a);
    EXPECT_NEAR(m.oldAlpha, 0.0f, 1e-3f);
    EXPECT_NEAR(m.oldShift, 9.0f, 1e-3f);
    EXPECT_GT(m.newShift, 0.0f);
    Bindings inDone = ScheduleAt(30.0 + 0.34 * BINDINGS_SWAP_ANIM_SECONDS + 1e-4);
    m = HudKeyMotionFor(inDone, a);
    EXPECT_NEAR(m.newShift, 0.0f, 1e-3f);
    EXPECT_NEAR(m.newBlend, 1.0f, 1e-3f);

    EXPECT_FALSE(HudKeyMotionFor(ScheduleAt(31.0), a).changed);
    EXPECT_FALSE(HudKeyMotionFor(ScheduleAt(10.0), a).changed);
}

TEST(HudCooldown, SectorStartsEmptyAndFillsAsTheCooldownEnds)
{
    EXPECT_EQ(HudCooldownTurn(BINDINGS_COOLDOWN), 0.0f);
    EXPECT_NEAR(HudCooldownTurn(0.3f), 0.4f, 1e-6f);
    EXPECT_EQ(HudCooldownTurn(0.0f), 1.0f);
    EXPECT_EQ(HudCooldownTurn(NAN), 1.0f);
}

// [SECTION] Exchange trails

TEST(HudTrails, RunBetweenTheSlotsOnBothSidesOfTheHead)
{
    HudAnchor a = HudAnchorAt(640.0f, 360.0f, 36.0f, 0.725f);
    struct Case {
        int from, to;
    } cases[] = {{SLOT_UP, SLOT_DOWN}, {SLOT_LEFT, SLOT_DOWN}, {SLOT_RIGHT, SLOT_ABILITY1}, {SLOT_UP, SLOT_ABILITY2}};
    for (const Case &c : cases) {
        Vector2 p = HudSlotCentre(a, c.from), q = HudSlotCentre(a, c.to);
        for (float side : {1.0f, -1.0f}) {
            Vector2 start = HudTrailPoint(a, p, q, 0.0f, side), end = HudTrailPoint(a, p, q, 1.0f, side);
            EXPECT_NEAR(start.x, p.x, 1e-3f);
            EXPECT_NEAR(start.y, p.y, 1e-3f);
            EXPECT_NEAR(end.x, q.x, 1e-3f);
            EXPECT_NEAR(end.y, q.y, 1e-3f);
            // Around the head, never through it.
            for (int i = 0; i <= HUD_TRAIL_SEGMENTS; i++) {
                Vector2 m = HudTrailPoint(a, p, q, (float)i / HUD_TRAIL_SEGMENTS, side);
                EXPECT_GT(std::hypot((m.x - a.cx) / a.ox, (m.y - a.cy) / a.oy), 0.5f) << c.from << "->" << c.to;
            }
        }
        // The trail there and the trail back do not overlap.
        Vector2 there = HudTrailPoint(a, p, q, 0.5f, 1.0f), back = HudTrailPoint(a, q, p, 0.5f, -1.0f);
        EXPECT_GT(std::hypot(there.x - back.x, there.y - back.y), 5.0f) << c.from << "->" << c.to;
    }
}

TEST(HudTrails, HeadIsBrightTailFadesAndAllFadesOut)
{
    EXPECT_NEAR(HudTrailBrightness(0.5f, 0.5f, 1.0f), 0.95f, 1e-5f);
    EXPECT_NEAR(HudTrailBrightness(0.5f + 0.03f, 0.5f, 1.0f), 0.95f, 1e-5f);  // just ahead
    EXPECT_EQ(HudTrailBrightness(0.5f + 0.04f, 0.5f, 1.0f), 0.0f);
    EXPECT_NEAR(HudTrailBrightness(0.5f - 0.14f, 0.5f, 1.0f), 0.86f * 0.25f + 0.09f, 1e-5f);
    EXPECT_EQ(HudTrailBrightness(0.5f - 0.3f, 0.5f, 1.0f), 0.0f);
    EXPECT_NEAR(HudTrailBrightness(0.5f, 0.5f, 0.5f), 0.475f, 1e-5f);

    EXPECT_EQ(HudTrailHead(0.0f), 0.0f);
    EXPECT_NEAR(HudTrailHead(0.38f), 0.5f, 1e-6f);
    EXPECT_EQ(HudTrailHead(0.9f), 1.0f);
    EXPECT_EQ(HudTrailFade(0.7f), 1.0f);
    EXPECT_EQ(HudTrailFade(1.0f), 0.0f);
}

// [SECTION] Hearts

TEST(HudHearts, RowsOfTheCluster)
{
    struct Case {
        int hearts, r0, r1, r2;
    } cases[] = {{5, 2, 2, 1}, {6, 2, 2, 2}, {7, 3, 2, 2}, {8, 3, 3, 2}, {9, 3, 3, 3}, {10, 4, 3, 3}};
    for (const Case &c : cases) {
        int rows[3];
        HudHeartRows(c.hearts, rows);
        EXPECT_EQ(rows[0], c.r0) << c.hearts;
        EXPECT_EQ(rows[1], c.r1) << c.hearts;
        EXPECT_EQ(rows[2], c.r2) << c.hearts;
    }
    // Five hearts: 2 + 2 + 1, each row centred, rows 20 px apart.
    Vector2 cluster = {100.0f, 50.0f};
    const Vector2 five[5] = {{90, 30}, {110, 30}, {90, 50}, {110, 50}, {100, 70}};
    for (int i = 0; i < 5; i++) {
        Vector2 p = HudHeartCentre(cluster, 5, i);
        EXPECT_EQ(p.x, five[i].x) << i;
        EXPECT_EQ(p.y, five[i].y) << i;
    }
    // Ten: 4 + 3 + 3.
    EXPECT_EQ(HudHeartCentre(cluster, 10, 0).x, 70.0f);
    EXPECT_EQ(HudHeartCentre(cluster, 10, 3).x, 130.0f);
    EXPECT_EQ(HudHeartCentre(cluster, 10, 4).x, 80.0f);
    EXPECT_EQ(HudHeartCentre(cluster, 10, 4).y, 50.0f);
    EXPECT_EQ(HudHeartCentre(cluster, 10, 9).y, 70.0f);

    EXPECT_EQ(HudHeartCount(20), 5);
    EXPECT_EQ(HudHeartCount(19), 5);
    EXPECT_EQ(HudHeartCount(40), 10);
    EXPECT_EQ(HudHeartCount(48), 10);
}

TEST(HudHearts, LastHeartLosesFirstAndCracksGrowQuarterByQuarter)
{
    const float expected[5] = {0.0f, 0.0f, 0.0f, 2.0f, 4.0f};
    for (int i = 0; i < 5; i++) EXPECT_EQ(HudHeartLost(6.0f, 5, i), expected[i]) << i;
    EXPECT_EQ(HudHeartLost(40.0f, 10, 0), 4.0f);
    EXPECT_EQ(HudHeartLost(NAN, 5, 4), 0.0f);

    // Crack k grows only once the quarters before it are gone.
    struct Case {
        float lost;
        float length[HUD_CRACK_COUNT];
    } cases[] = {
        {0.0f, {0, 0, 0, 0}},
        {0.5f, {2, 0, 0, 0}},
        {1.0f, {4, 0, 0, 0}},
        {2.0f, {4, 3, 0, 0}},
        {2.25f, {4, 3, 3 * 0.15625f, 0}},
        {3.0f, {4, 3, 3, 3 * 0.84375f}},
        {4.0f, {4, 3, 3, 3}},
    };
    for (const Case &c : cases)
        for (int k = 0; k < HUD_CRACK_COUNT; k++)
            EXPECT_NEAR(HudCrackLength(k, c.lost), c.length[k], 1e-5f) << "lost " << c.lost << " crack " << k;
}

TEST(HudHearts, LookOfAHeart)
{
    HudHearts h = HudHeartsFull(20);
    for (int i = 0; i < HUD_HEART_MAX; i++) EXPECT_EQ(h.heartFill[i], i < 5 ? 1.0f : 0.0f);

    // Between heartbeats a full heart has its plain size; a beat swells it a little.
    float calm = -0.1f;  // sin(4t) < 0
    HudHeartLook look = HudHeartLookFor(h, 0, calm);
    EXPECT_TRUE(look.visible);
    EXPECT_NEAR(look.size, 7.7f, 1e-5f);
    EXPECT_NEAR(look.alpha, 0.68f, 1e-5f);
    EXPECT_NEAR(HudHeartLookFor(h, 0, 3.14159265f / 8.0f).size, 7.7f * 1.028f, 1e-4f);

    // An emptied heart stays whole-sized while shown, breaks at its fourth quarter, then fades.
    h.shownLoss = 4.0f;
    look = HudHeartLookFor(h, 4, calm);
    EXPECT_TRUE(look.visible);
    EXPECT_EQ(look.lost, 4.0f);
    EXPECT_EQ(look.shatter, 1.0f);
    EXPECT_EQ(HudHeartLookFor(h, 3, calm).shatter, 0.0f);
    h.heartFill[4] = 0.004f;
    EXPECT_FALSE(HudHeartLookFor(h, 4, calm).visible);
    EXPECT_FALSE(HudHeartLookFor(h, 5, calm).visible);  // beyond the capacity

    // A blow brightens and flashes.
    h.hitFlash = 1.0f;
    look = HudHeartLookFor(h, 0, calm);
    EXPECT_NEAR(look.alpha, 0.95f, 1e-5f);
    EXPECT_EQ(look.glint, 1.0f);
}

TEST(HudHearts, ShadeTurnsGreyAsTheHeartBreaks)
{
    Color whole = HudHeartShade({0.0f, 0.0f}, 0.0f, 0.0f, 0.0f);
    Color broken = HudHeartShade({0.0f, 0.0f}, 0.0f, 1.0f, 0.0f);
    EXPECT_GT(whole.r, whole.g + 80);           // red
    EXPECT_LT(std::abs(broken.r - broken.g), 30); // greyish
    Color lit = HudHeartShade({-0.6f, -0.6f}, 0.3f, 0.0f, 0.0f);
    Color shaded = HudHeartShade({0.6f, 0.6f}, 0.3f, 0.0f, 0.0f);
    EXPECT_GT(lit.r, shaded.r);                 // light from the upper left
    Color rim = HudHeartShade({-0.6f, -0.6f}, 1.0f, 0.0f, 0.0f);
    EXPECT_LT(rim.r, lit.r);
    // The glint never brightens a shattered heart.
    Color glint = HudHeartShade({0.0f, 0.0f}, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(glint.r, broken.r);
}

// [SECTION] Level clock

TEST(HudClock, Text)
{
    struct Case {
        HudClock clock;
        const char *text;
    } cases[] = {
        {{90.0f, 0}, "01:30"}, {{89.2f, 0}, "01:30"}, {{60.0f, 0}, "01:00"}, {{0.4f, 0}, "00:01"},
        {{0.0f, 0}, "00:00"},  {{-3.0f, 0}, "00:00"}, {{NAN, 0}, "00:00"},   {{40.0f, 1}, "БОСС"},
        {{40.0f, 2}, "00:00"},
    };
    for (const Case &c : cases) {
        char text[16];
        HudClockText(c.clock, text);
        EXPECT_STREQ(text, c.text) << c.clock.remaining << " phase " << c.clock.phase;
    }
    HudAnchor a = HudAnchorAt(640.0f, 360.0f, 36.0f, 0.725f);
    Vector2 q = HudClockIconCentre(a, 42.0f);
    EXPECT_NEAR(q.x, 640.0f + 73.0f - 30.0f + 5.0f, 1e-4f);
    EXPECT_NEAR(q.y, 360.0f - 65.0f + 15.0f, 1e-4f);
}

}  // namespace
