// HUD layout maths.
//
// Index
//   [SECTION] Helpers
//   [SECTION] Anchor and slots
//   [SECTION] Countdown and warning
//   [SECTION] Exchange trails
//   [SECTION] Hearts
//   [SECTION] Level clock
#include "player/hud_layout.h"

#include "common/maths.h"

#include <cmath>
#include <cstdio>


// [SECTION] Helpers

static float Clamp01(float x) { return ClampSafe(x, 0.0f, 1.0f); }


Color HudMix(Color a, Color b, float t)
{
    float u = Clamp01(t);
    auto mix = [u](unsigned char x, unsigned char y) {
        return (unsigned char)std::lround((float)x + ((float)y - (float)x) * u);
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a)};
}

// [SECTION] Anchor and slots

Vector2 HudProject(const FollowCamera &camera, Vector3 point, float viewWidth, float viewHeight)
{
    Vector2 centre = {viewWidth * 0.5f, viewHeight * 0.5f};
    if (!(camera.viewHeight > 0.0f)) return centre;
    float m = viewHeight / camera.viewHeight;
    Vector3 d = {point.x - camera.position.x, point.y - camera.position.y, point.z - camera.position.z};
    return {centre.x + Vector3DotProduct(d, camera.right) * m, centre.y - Vector3DotProduct(d, camera.up) * m};
}

HudAnchor HudAnchorAt(float cx, float cy, float m, float upY)
{
    HudAnchor a{};
    a.cx = cx;
    a.cy = cy;
    a.m = m;
    a.ox = std::fmax(60.0f, 0.5f * m + 36.0f);
    a.oy = std::fmax(65.0f, 1.15f * m * upY + 32.0f);
    return a;
}

HudAnchor HudAnchorFor(const FollowCamera &camera, Vector3 feet, float viewWidth, float viewHeight)
{
    Vector2 head = HudProject(camera, {feet.x, feet.y + HUD_HEAD_HEIGHT, feet.z}, viewWidth, viewHeight);
    float m = camera.viewHeight > 0.0f ? viewHeight / camera.viewHeight : viewHeight / CAMERA_ZOOM_DEFAULT;
    return HudAnchorAt(head.x, head.y, m, camera.up.y);
}

Vector2 HudSlotCentre(const HudAnchor &a, int slot)
{
    switch (slot) {
    case SLOT_UP: return {a.cx, a.cy - a.oy};
    case SLOT_LEFT: return {a.cx - a.ox, a.cy};
    case SLOT_DOWN: return {a.cx, a.cy + a.oy};
    case SLOT_RIGHT: return {a.cx + a.ox, a.cy};
    case SLOT_ABILITY1: return {a.cx - 0.5f * HUD_ABILITY_SPACING, a.cy + a.oy};
    case SLOT_ABILITY2: return {a.cx + 0.5f * HUD_ABILITY_SPACING, a.cy + a.oy};
    default: return {a.cx, a.cy};
    }
}

Vector2 HudArrowDirection(int slot)
{
    switch (slot) {
    case SLOT_UP: return {0.0f, -1.0f};
    case SLOT_LEFT: return {-1.0f, 0.0f};
    case SLOT_DOWN: return {0.0f, 1.0f};
    case SLOT_RIGHT: return {1.0f, 0.0f};
    default: return {0.0f, 0.0f};
    }
}

void HudArrowOutline(Vector2 pos, Vector2 d, Vector2 out[7])
{
    Vector2 p = {d.y, -d.x};
    auto at = [&](float across, float along) {
        return Vector2{pos.x + across * p.x + along * d.x, pos.y + across * p.y + along * d.y};
    };
    out[0] = at(0.0f, 29.0f);
    out[1] = at(31.0f, 3.0f);
    out[2] = at(22.0f, 3.0f);
    out[3] = at(22.0f, -23.0f);
    out[4] = at(-22.0f, -23.0f);
    out[5] = at(-22.0f, 3.0f);
    out[6] = at(-31.0f, 3.0f);
}

// [SECTION] Countdown and warning

float HudRingRadius(const HudAnchor &a)
{
    float clearSlots = std::sqrt((a.oy + 30.0f) * (a.oy + 30.0f) + 115.0f * 115.0f) + 10.0f;
    return std::fmax(a.ox + 34.0f, clearSlots);
}

int HudRingSegments(const Bindings &bindings, HudRingSegment out[HUD_RING_CAPACITY])
{
    int n = BindingsCountdownSegments(bindings);
    if (n <= 0 || n > HUD_RING_CAPACITY) return 0;
    int k = BindingsCountdownRemaining(bindings);
    float half = 180.0f / (float)n - 1.2f;
    int count = 0;
    for (int i = n - k; i < n; i++) {
        float centre = BindingsSegmentAngle(i, n);
        out[count++] = {centre - half, centre + half};
    }
    return count;
}

unsigned char HudRingAlpha(int remaining) { return remaining < 6 ? 220 : 150; }

float HudWarningY(const HudAnchor &a, float ringRadius)
{
    return std::fmax(HUD_WARNING_TOP, a.cy - ringRadius - 48.0f);
}

HudDigit HudDigitFor(const Bindings &bindings)
{
    int digit = BindingsCountdownDigit(bindings);
    if (digit == 0) return {0, 0.0f, 0.0f};
    float f = Clamp01((float)((double)digit - BindingsTimeToSwap(bindings)));
    return {digit, 48.0f * (1.0f + f), 1.0f - f};
}

static bool ExchangeRunning(const Bindings &b) { return b.swapCount > 0 && b.swapAnim < 1.0f; }

void HudSlotHighlights(const Bindings &b, float out[BINDINGS_SLOT_COUNT])
{
    float pulse = BindingsWarningPulse(BindingsWarningTime(b));
    float anim = b.swapCount > 0 ? 1.0f - Smoothstep(b.swapAnim) : 0.0f;
    for (int s = 0; s < BINDINGS_SLOT_COUNT; s++) {
        bool movement = s < SLOT_ABILITY1;
        // pairB codes movement slots as slot + 2 and ability slots as 0, 1.
        int code = movement ? s + 2 : s - SLOT_ABILITY1;
        bool announced = (movement && b.pairA == s) || b.pairB == code;
        bool last = (movement && b.lastPairA == s) || (b.lastPairA >= 0 && b.lastPairB == code);
        float h = announced ? pulse : 0.0f;
        if (last) h = std::fmax(h, anim);
        out[s] = h;
    }
}

HudKeyMotion HudKeyMotionFor(const Bindings &b, int slot)
{
    HudKeyMotion m{};
    m.newAlpha = 1.0f;
    m.newBlend = 1.0f;
    if (slot < 0 || slot >= BINDINGS_SLOT_COUNT) return m;
    m.oldKey = b.prevSlotKey[slot];
    if (!ExchangeRunning(b) || b.prevSlotKey[slot] == b.slotKey[slot]) return m;
    float out = Smoothstep(b.swapAnim / 0.22f);
    float in = Smoothstep(b.swapAnim / 0.34f);
    m.changed = true;
    m.oldShift = 9.0f * out;
    m.oldAlpha = 1.0f - out;
    m.newShift = 9.0f * (1.0f - in);
    m.newAlpha = in;
    m.newBlend = in;
    return m;
}

float HudCooldownTurn(float cooldown)
{
    if (!std::isfinite(cooldown)) return 1.0f;
    return Clamp01(1.0f - 2.0f * cooldown);
}

// [SECTION] Exchange trails

Vector2 HudTrailPoint(const HudAnchor &a, Vector2 from, Vector2 to, float t, float side)
{
    // Interpolate in the frame where the four arrows sit on the unit circle, so the trail
    // follows the cluster's oval rather than cutting through the head.
    float fx = (from.x - a.cx) / a.ox, fy = (from.y - a.cy) / a.oy;
    float tx = (to.x - a.cx) / a.ox, ty = (to.y - a.cy) / a.oy;
    float a0 = std::atan2(fy, fx), a1 = std::atan2(ty, tx);
    float r0 = std::sqrt(fx * fx + fy * fy), r1 = std::sqrt(tx * tx + ty * ty);
    float da = a1 - a0;
    while (da > PI) da -= 2.0f * PI;
    while (da <= -PI) da += 2.0f * PI;
    float bulge = std::sin(PI * t);
    float angle = a0 + da * t + side * 0.2f * bulge;
    float radius = r0 + (r1 - r0) * t + side * 0.17f * bulge;
    return {a.cx + radius * std::cos(angle) * a.ox, a.cy + radius * std::sin(angle) * a.oy};
}

float HudTrailHead(float swapAnim) { return std::fmin(1.0f, Clamp01(swapAnim) / 0.76f); }

float HudTrailFade(float swapAnim) { return 1.0f - Smoothstep((swapAnim - 0.7f) / 0.3f); }

float HudTrailBrightness(float along, float head, float fade)
{
    float behind = head - along;
    if (behind > HUD_TRAIL_TAIL || behind < -HUD_TRAIL_LEAD) return 0.0f;
    float k = 1.0f - Clamp01(behind / HUD_TRAIL_TAIL);
    return (0.86f * k * k + 0.09f) * fade;
}

// [SECTION] Hearts

int HudHeartCount(int maxQuarters)
{
    int n = maxQuarters / 4;
    return n < HUD_HEART_MIN ? HUD_HEART_MIN : (n > HUD_HEART_MAX ? HUD_HEART_MAX : n);
}

HudHearts HudHeartsFull(int maxQuarters)
{
    HudHearts h{};
    int n = HudHeartCount(maxQuarters);
    h.maxQuarters = 4 * n;
    for (int i = 0; i < n; i++) h.heartFill[i] = 1.0f;
    return h;
}

void HudHeartRows(int hearts, int rows[3])
{
    int n = hearts < 0 ? 0 : hearts;
    rows[0] = (n + 2) / 3;
    int rest = n - rows[0];
    rows[1] = (rest + 1) / 2;
    rows[2] = rest - rows[1];
}

Vector2 HudHeartCentre(Vector2 cluster, int hearts, int index)
{
    int rows[3];
    HudHeartRows(hearts, rows);
    int row = 0, column = index;
    while (row < 2 && column >= rows[row]) column -= rows[row++];
    float x = cluster.x + ((float)column - 0.5f * (float)(rows[row] - 1)) * HUD_HEART_SPACING;
    return {x, cluster.y + (float)(row - 1) * HUD_HEART_SPACING};
}

float HudHeartLost(float shownLoss, int hearts, int index)
{
    if (!std::isfinite(shownLoss)) return 0.0f;
    return ClampSafe(shownLoss - 4.0f * (float)(hearts - 1 - index), 0.0f, 4.0f);
}

HudHeartLook HudHeartLookFor(const HudHearts &h, int index, float time)
{
    HudHeartLook look{};
    int n = HudHeartCount(h.maxQuarters);
    if (index < 0 || index >= n) return look;
    float fill = std::isfinite(h.heartFill[index]) ? Clamp01(h.heartFill[index]) : 0.0f;
    look.visible = fill >= 0.005f;
    float hit = std::isfinite(h.hitFlash) ? Clamp01(h.hitFlash) : 0.0f;
    float heal = std::isfinite(h.healFlash) ? Clamp01(h.healFlash) : 0.0f;
    float beat = std::pow(std::fmax(0.0f, std::sin(4.0f * time)), 6.0f);
    float swell = 1.0f + 0.028f * beat + 0.055f * heal + 0.13f * hit * std::sin(3.0f * PI * (1.0f - hit));
    look.size = 7.7f * std::sqrt(fill) * swell;
    look.alpha = (0.68f + 0.27f * hit) * fill;
    look.glint = std::fmax(hit, heal);
    look.lost = HudHeartLost(h.shownLoss, n, index);
    look.shatter = Smoothstep(look.lost - 3.0f);
    return look;
}

Vector2 HudHeartCurve(float theta, float size)
{
    float s = std::sin(theta);
    float y = 13.0f * std::cos(theta) - 5.0f * std::cos(2.0f * theta) - 2.0f * std::cos(3.0f * theta) -
              std::cos(4.0f * theta) + 2.5f;
    return {size * s * s * s, -size * y / 16.0f};
}

static const Vector2 CRACKS[HUD_CRACK_COUNT][HUD_CRACK_POINTS] = {
    {{0.0f, -0.45f}, {-0.16f, -0.16f}, {0.11f, 0.03f}, {-0.12f, 0.3f}, {0.02f, 0.66f}},
    {{-0.16f, -0.16f}, {-0.38f, -0.07f}, {-0.41f, 0.11f}, {-0.61f, 0.15f}},
    {{0.11f, 0.03f}, {0.36f, -0.17f}, {0.44f, -0.4f}, {0.62f, -0.49f}},
    {{-0.12f, 0.3f}, {0.13f, 0.39f}, {0.32f, 0.28f}, {0.48f, 0.35f}},
};
static const int CRACK_POINTS[HUD_CRACK_COUNT] = {5, 4, 4, 4};
// Lost quarters at which each crack starts to grow; the fourth follows the third closely.
static const float CRACK_START[HUD_CRACK_COUNT] = {0.0f, 1.0f, 2.0f, 2.25f};

int HudCrackPolyline(int crack, Vector2 out[HUD_CRACK_POINTS])
{
    if (crack < 0 || crack >= HUD_CRACK_COUNT) return 0;
    for (int i = 0; i < CRACK_POINTS[crack]; i++) out[i] = CRACKS[crack][i];
    return CRACK_POINTS[crack];
}

float HudCrackLength(int crack, float lost)
{
    if (crack < 0 || crack >= HUD_CRACK_COUNT || !std::isfinite(lost)) return 0.0f;
    return Smoothstep(lost - CRACK_START[crack]) * (float)(CRACK_POINTS[crack] - 1);
}

Color HudHeartShade(Vector2 unit, float band, float shatter, float glint)
{
    // Light from the upper left, a darker rim, grey as the heart breaks, a glint on hits and heals.
    float light = Clamp01(0.5f - 0.5f * (0.6f * unit.x + 0.8f * unit.y));
    float rim = 0.75f * Smoothstep((band - 0.55f) / 0.45f);
    Color red = HudMix({131, 20, 41, 255}, {245, 74, 84, 255}, light);
    red = HudMix(red, {80, 13, 31, 255}, rim);
    Color grey = HudMix({36, 30, 35, 255}, {87, 66, 70, 255}, light * (1.0f - rim));
    Color c = HudMix(red, grey, shatter);
    return HudMix(c, {255, 228, 219, 255}, 0.24f * Clamp01(glint) * (1.0f - Clamp01(shatter)));
}

// [SECTION] Level clock

void HudClockText(const HudClock &clock, char out[16])
{
    if (clock.phase == 1) {
        snprintf(out, 16, "БОСС");
        return;
    }
    float remaining = std::isfinite(clock.remaining) ? std::fmax(0.0f, clock.remaining) : 0.0f;
    int seconds = clock.phase == 0 ? (int)std::ceil(std::fmin(remaining, 5999.0f)) : 0;
    snprintf(out, 16, "%02d:%02d", seconds / 60, seconds % 60);
}

Vector2 HudClockIconCentre(const HudAnchor &a, float textWidth)
{
    return {a.cx + HUD_SIDE_OFFSET - (textWidth + 18.0f) * 0.5f + 5.0f, a.cy - a.oy + 15.0f};
}
