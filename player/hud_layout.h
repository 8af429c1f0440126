// HUD layout: where the binding cluster, the hearts and the level clock go around the player's
// head, and how each element looks at a given moment. Pure maths, no drawing: the HUD draw
// code reads these values and turns them into shapes.
#pragma once

#include "player/bindings.h"
#include "world/camera.h"
#include "raylib.h"

constexpr float HUD_HEAD_HEIGHT = 1.1f;        // metres above the feet the cluster centres on
constexpr float HUD_ABILITY_SPACING = 146.0f;  // pixels between the two ability slots
constexpr float HUD_SIDE_OFFSET = 73.0f;       // pixels from the head to the hearts and the clock
constexpr float HUD_WARNING_TOP = 120.0f;      // warning boxes never centre above this y
constexpr float HUD_WARNING_BOX_SHIFT = 56.0f; // pixels from the head's x to each box centre
constexpr int HUD_RING_CAPACITY = 64;          // countdown segments at most (55 for 60 s stages)
constexpr int HUD_HEART_MAX = 10;
constexpr int HUD_HEART_MIN = 5;
constexpr float HUD_HEART_SPACING = 20.0f;     // pixels between hearts and between rows
constexpr int HUD_HEART_POINTS = 49;           // outline points of one heart, first = last
constexpr int HUD_CRACK_COUNT = 4;
constexpr int HUD_CRACK_POINTS = 5;            // longest crack polyline
constexpr int HUD_TRAIL_SEGMENTS = 32;
constexpr float HUD_TRAIL_TAIL = 0.28f;        // trail lit this far behind its head (0..1 of the way)
constexpr float HUD_TRAIL_LEAD = 0.035f;       // and this far ahead

// Screen frame of the cluster: head position and the offsets every element is placed by.
struct HudAnchor {
    float cx, cy;  // head (1.1 m above the feet) in view pixels
    float ox, oy;  // horizontal and vertical slot offsets, pixels
    float m;       // pixels per metre
};

// What the heart cluster draws from; Health hands these values over once it exists.
struct HudHearts {
    int maxQuarters;                 // capacity in quarter hearts, 20..40
    float heartFill[HUD_HEART_MAX];  // shown presence 0..1 of each heart slot
    float shownLoss;                 // quarters shown as lost, eased towards the real loss
    float hitFlash;                  // 1 at a blow, falling to 0
    float healFlash;                 // 1 at a heal, falling to 0
};

// One heart's look at a moment.
struct HudHeartLook {
    bool visible;  // skipped while its fill is below 0.005
    float size;    // heart-curve scale, pixels
    float alpha;   // opacity 0..1
    float glint;   // brightening 0..1
    float lost;    // lost quarters 0..4
    float shatter; // 0 whole .. 1 grey and broken
};

// The level clock's input; the campaign fills it.
struct HudClock {
    float remaining;  // seconds left in the level
    int phase;        // 0 waves, 1 boss, 2 victory
};

struct HudRingSegment {
    float startAngle, endAngle;  // degrees, 0 = screen right, 90 = screen down
};

// The final countdown digit and its look.
struct HudDigit {
    int digit;      // 3, 2, 1; 0 when none is shown
    float size;     // text size, pixels: 48 growing to 96 during its second
    float opacity;  // 1 fading to 0 during its second
};

// How a slot's key glyph moves during an exchange animation.
struct HudKeyMotion {
    bool changed;    // the slot got a new key in the last exchange and the animation runs
    int oldKey;      // key index leaving the slot
    float oldShift;  // pixels the old glyph has moved up
    float oldAlpha;  // its opacity
    float newShift;  // pixels the new glyph still sits below its place
    float newAlpha;
    float newBlend;  // 0 = the exchange gold, 1 = the glyph's normal colour
};

// [SECTION] Anchor and slots

// Orthographic projection of a world point into a view of width × height pixels.
Vector2 HudProject(const FollowCamera &camera, Vector3 point, float viewWidth, float viewHeight);
// The cluster's frame for a head at (cx, cy), m pixels per metre and the camera's up.y.
HudAnchor HudAnchorAt(float cx, float cy, float m, float upY);
// The cluster's frame for a player standing at `feet`; the zoom is the camera's view height.
HudAnchor HudAnchorFor(const FollowCamera &camera, Vector3 feet, float viewWidth, float viewHeight);
// Centre of slot 0..3 (arrow up, left, down, right) or 4..5 (ability slots).
Vector2 HudSlotCentre(const HudAnchor &anchor, int slot);
// Unit screen direction of arrow slot 0..3.
Vector2 HudArrowDirection(int slot);
// The arrow's seven outline points, tip first.
void HudArrowOutline(Vector2 position, Vector2 direction, Vector2 out[7]);

// [SECTION] Countdown and warning

// Radius of the countdown ring: clear of every slot of the cluster.
float HudRingRadius(const HudAnchor &anchor);
// The countdown segments still shown, in index order; returns their count.
int HudRingSegments(const Bindings &bindings, HudRingSegment out[HUD_RING_CAPACITY]);
// Segment alpha: brighter during the last five seconds before the warning.
unsigned char HudRingAlpha(int remaining);
// Centre line of the warning boxes.
float HudWarningY(const HudAnchor &anchor, float ringRadius);
// The final digit before the exchange and its look.
HudDigit HudDigitFor(const Bindings &bindings);
// Highlight 0..1 of each slot: the warning pulse on the announced pair, the fading exchange
// glow on the last pair.
void HudSlotHighlights(const Bindings &bindings, float out[BINDINGS_SLOT_COUNT]);
// Glyph motion of `slot` while an exchange animation runs.
HudKeyMotion HudKeyMotionFor(const Bindings &bindings, int slot);
// Share 0..1 of the cooldown already over (the sector's start).
float HudCooldownTurn(float cooldown);

// [SECTION] Exchange trails

// Point at t (0..1) of the trail from `from` to `to` curving around the head; `side` ±1 picks
// the trail, so the two trails of one exchange bulge apart.
Vector2 HudTrailPoint(const HudAnchor &anchor, Vector2 from, Vector2 to, float t, float side);
// Position 0..1 of the trails' bright head.
float HudTrailHead(float swapAnim);
// Fade-out 1..0 of the trails at the end of the animation.
float HudTrailFade(float swapAnim);
// Brightness of the trail point `along` (0..1) with the head at `head`.
float HudTrailBrightness(float along, float head, float fade);

// [SECTION] Hearts

// Full health of `maxQuarters` (its hearts all present); stands in until health exists.
HudHearts HudHeartsFull(int maxQuarters);
// Hearts shown for a capacity: maxQuarters / 4, within 5..10.
int HudHeartCount(int maxQuarters);
// Hearts per row of the three rows.
void HudHeartRows(int hearts, int rows[3]);
// Centre of heart `index` (row by row) of a cluster centred at `cluster`.
Vector2 HudHeartCentre(Vector2 cluster, int hearts, int index);
// Lost quarters 0..4 of heart `index`: the last heart loses first.
float HudHeartLost(float shownLoss, int hearts, int index);
HudHeartLook HudHeartLookFor(const HudHearts &hearts, int index, float time);
// Point of the heart outline at parameter theta, relative to the heart's centre.
Vector2 HudHeartCurve(float theta, float size);
// Crack polyline `crack` in heart units; returns its point count.
int HudCrackPolyline(int crack, Vector2 out[HUD_CRACK_POINTS]);
// How much of crack `crack` is drawn, in segments (fractional), for `lost` quarters.
float HudCrackLength(int crack, float lost);
// Body colour at `unit` (heart units) on band fraction `band` (0 centre .. 1 rim).
Color HudHeartShade(Vector2 unit, float band, float shatter, float glint);

// [SECTION] Level clock

// "%02d:%02d" of the remaining time in whole seconds rounded up, "БОСС" or "00:00".
void HudClockText(const HudClock &clock, char out[16]);
// Centre of the clock icon for a text of `textWidth` pixels.
Vector2 HudClockIconCentre(const HudAnchor &anchor, float textWidth);

// [SECTION] Helpers

Color HudMix(Color a, Color b, float t);
