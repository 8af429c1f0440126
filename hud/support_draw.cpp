// Support on screen: the drone, its bolts, the impact flashes and the repel ring in the 3D pass,
// and the repel dial in the HUD. Everything goes through the immediate-mode batch; the drone's
// shaded sphere is built once.
//
// Index
//   [SECTION] Shapes
//   [SECTION] Scene
//   [SECTION] Dial
#include "player/support.h"

#include "common/maths.h"
#include "hud/hud_draw.h"
#include "hud/support_draw.h"
#include "world/camera.h"
#include "world/terrain.h"

#include "rlgl.h"

#include <cmath>
#include <cstdio>

// [SECTION] Shapes

constexpr int DRONE_LATITUDES = 10, DRONE_LONGITUDES = 20;
constexpr int DRONE_CORNERS = DRONE_LATITUDES * DRONE_LONGITUDES * 6;  // 1200
constexpr int DISC_SEGMENTS = 16;
constexpr int RING_SEGMENTS = 64;
constexpr float RING_LIFT = 0.04f;   // metres above the ground, clear of its shading
constexpr Vector3 DRONE_LIGHT = {-0.26387972f, 0.879599f, 0.39581951f};

struct DroneCorner {
    Vector3 normal;
    Color color;
};
static DroneCorner droneCorners[DRONE_CORNERS];
static bool droneBuilt = false;

static DroneCorner DroneCornerAt(float theta, float phi)
{
    Vector3 n = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
    // An equator band and the underside are dark, the rest light.
    bool dark = std::fabs(n.y) < 0.23f || n.y < -0.57f;
    Vector3 base = dark ? Vector3{28.0f, 37.0f, 41.0f} : Vector3{220.0f, 226.0f, 222.0f};
    float lit = std::fmax(0.0f, Vector3DotProduct(n, DRONE_LIGHT));
    float shade = 0.43f + 0.5f * lit, highlight = 0.25f * 255.0f * std::pow(lit, 28.0f);
    auto channel = [&](float b) { return (unsigned char)ClampSafe(b * shade + highlight, 0.0f, 255.0f); };
    return {n, {channel(base.x), channel(base.y), channel(base.z), 255}};
}

static void BuildDrone()
{
    if (droneBuilt) return;
    int k = 0;
    for (int i = 0; i < DRONE_LATITUDES; i++) {
        float t0 = PI * (float)i / DRONE_LATITUDES, t1 = PI * (float)(i + 1) / DRONE_LATITUDES;
        for (int j = 0; j < DRONE_LONGITUDES; j++) {
            float p0 = 2.0f * PI * (float)j / DRONE_LONGITUDES, p1 = 2.0f * PI * (float)(j + 1) / DRONE_LONGITUDES;
            DroneCorner a = DroneCornerAt(t0, p0), b = DroneCornerAt(t1, p0), c = DroneCornerAt(t1, p1), d = DroneCornerAt(t0, p1);
            droneCorners[k++] = a;
            droneCorners[k++] = c;
            droneCorners[k++] = b;
            droneCorners[k++] = a;
            droneCorners[k++] = d;
            droneCorners[k++] = c;
        }
    }
    droneBuilt = true;
}

static unsigned char Alpha(float opacity) { return (unsigned char)(255.0f * ClampSafe(opacity, 0.0f, 1.0f)); }

// A disc facing the camera, fading from `color` at the centre to transparent at the rim.
static void Disc(const FollowCamera &camera, Vector3 centre, float radius, Color color)
{
    if (!(radius > 0.0f) || color.a == 0) return;
    rlBegin(RL_TRIANGLES);
    for (int k = 0; k < DISC_SEGMENTS; k++) {
        float a0 = 2.0f * PI * (float)k / DISC_SEGMENTS, a1 = 2.0f * PI * (float)(k + 1) / DISC_SEGMENTS;
        Vector3 r0 = centre + (camera.right * std::cos(a0) + camera.up * std::sin(a0)) * radius;
        Vector3 r1 = centre + (camera.right * std::cos(a1) + camera.up * std::sin(a1)) * radius;
        rlColor4ub(color.r, color.g, color.b, color.a);
        rlVertex3f(centre.x, centre.y, centre.z);
        rlColor4ub(color.r, color.g, color.b, 0);
        rlVertex3f(r0.x, r0.y, r0.z);
        rlVertex3f(r1.x, r1.y, r1.z);
    }
    rlEnd();
}

// A flat ring on the ground around `centre`: `outer` radius, `width`, alpha `alpha` at the outer
// edge fading to 0 at the inner one.
static void GroundRing(Vector3 centre, float outer, float width, Color color)
{
    float inner = std::fmax(0.0f, outer - width);
    auto at = [&](float radius, float angle) {
        float x = centre.x + radius * std::cos(angle), z = centre.z + radius * std::sin(angle);
        return Vector3{x, TerrainHeight(x, z) + RING_LIFT, z};
    };
    rlBegin(RL_TRIANGLES);
    for (int k = 0; k < RING_SEGMENTS; k++) {
        float a0 = 2.0f * PI * (float)k / RING_SEGMENTS, a1 = 2.0f * PI * (float)(k + 1) / RING_SEGMENTS;
        Vector3 o0 = at(outer, a0), o1 = at(outer, a1), i0 = at(inner, a0), i1 = at(inner, a1);
        Vector3 corners[6] = {o0, i0, o1, o1, i0, i1};
        bool outerCorner[6] = {true, false, true, true, false, false};
        for (int c = 0; c < 6; c++) {
            rlColor4ub(color.r, color.g, color.b, outerCorner[c] ? color.a : 0);
            rlVertex3f(corners[c].x, corners[c].y, corners[c].z);
        }
    }
    rlEnd();
}

// [SECTION] Scene

static void DrawDrone(const Support &support, const FollowCamera &camera)
{
    BuildDrone();
    Vector3 c = support.dronePosition;
    const float radius = 0.265f;
    rlBegin(RL_TRIANGLES);
    for (const DroneCorner &corner : droneCorners) {
        Vector3 p = c + corner.normal * radius;
        rlColor4ub(corner.color.r, corner.color.g, corner.color.b, 255);
        rlVertex3f(p.x, p.y, p.z);
    }
    rlEnd();
    Vector3 eye = c + support.aim * 0.253f;
    DrawSphereEx(eye, 0.09f, 8, 12, {77, 215, 232, 255});
    DrawSphereEx(eye + support.aim * 0.04f, 0.044f, 6, 10, {210, 251, 249, 255});
    DrawSphereEx(c + Vector3{0.0f, -0.24f, 0.0f}, 0.085f, 8, 12, {71, 182, 196, 255});
    // The glows are drawn last and write no depth, so they never hide what stands behind them.
    rlDrawRenderBatchActive();
    rlDisableDepthMask();
    Disc(camera, c + Vector3{0.0f, -0.31f, 0.0f}, 0.22f, {74, 225, 255, 105});
    if (support.muzzleFlash > 0.0f) Disc(camera, c + support.aim * 0.35f, 0.52f, {87, 237, 255, 140});
    rlDrawRenderBatchActive();
    rlEnableDepthMask();
}

void SupportDraw(const Support &support, const FollowCamera &camera)
{
    bool drone = SupportDroneShown(support);
    bool bolts = false, impacts = false;
    for (const PlasmaBolt &b : support.bolts) bolts = bolts || b.active;
    for (const SupportImpact &i : support.impacts) impacts = impacts || i.age < SUPPORT_IMPACT_SECONDS;
    bool ring = support.sinceRepel < SUPPORT_RING_SECONDS;
    if (!drone && !bolts && !impacts && !ring) return;

    rlDrawRenderBatchActive();
    rlDisableBackfaceCulling();
    if (drone) DrawDrone(support, camera);

    rlDrawRenderBatchActive();
    rlDisableDepthMask();
    for (const PlasmaBolt &b : support.bolts) {
        if (!b.active) continue;
        Vector3 back = NormalizeOrZero(b.velocity) * -1.0f;
        for (int k = 0; k < 4; k++)
            Disc(camera, b.position + back * (0.15f * (float)k), 0.31f - 0.035f * (float)k,
                 {42, 202, 255, (unsigned char)(145 - 30 * k)});
    }
    for (int i = 0; i < SUPPORT_IMPACT_CAPACITY; i++) {
        const SupportImpact &impact = support.impacts[i];
        if (!(impact.age < SUPPORT_IMPACT_SECONDS)) continue;
        float g = ClampSafe(impact.age / SUPPORT_IMPACT_SECONDS, 0.0f, 1.0f);
        Disc(camera, impact.position, 0.24f + 0.8f * g, {82, 224, 255, Alpha(0.72f * (1.0f - g))});
        for (int k = 0; k < 6; k++) {
            float a = (float)k * PI / 3.0f + (float)i;
            Vector3 spark = impact.position + Vector3{0.65f * g * std::cos(a), 0.42f * g - 0.3f * g * g, 0.65f * g * std::sin(a)};
            Disc(camera, spark, 0.08f * (1.0f - g), {171, 250, 255, Alpha(1.0f - g)});
        }
    }
    if (ring) {
        float u = ClampSafe(support.sinceRepel / SUPPORT_RING_SECONDS, 0.0f, 1.0f);
        float outer = 0.25f + 5.45f * std::sqrt(u);
        GroundRing(support.repelCentre, outer, 0.38f, {186, 93, 255, Alpha(220.0f / 255.0f * (1.0f - u))});
        if (u > 0.1f) GroundRing(support.repelCentre, 0.83f * outer, 0.2f, {218, 174, 255, Alpha(115.0f / 255.0f * (1.0f - u))});
    }
    rlDrawRenderBatchActive();
    rlEnableDepthMask();
    rlEnableBackfaceCulling();
}

// [SECTION] Dial

void SupportDrawDial(const Support &support, Vector2 point)
{
    SupportDial dial = SupportDialState(support);
    if (!dial.visible) return;
    float f = dial.glow;
    DrawCircleV(point, 14.0f + 5.0f * f, {171, 83, 232, Alpha(0.12f + 0.2f * f)});
    DrawCircleV(point, 11.0f, {37, 22, 50, 218});
    // The countdown fills clockwise from the top.
    if (dial.ring && dial.fill > 0.0f) DrawRing(point, 10.0f, 12.0f, -90.0f, -90.0f + 360.0f * dial.fill, 32, {179, 103, 245, 240});
    DrawCircleV(point, 3.0f, {212, 154, 255, 255});
    DrawCircleLinesV(point, 6.0f, {187, 107, 250, 255});
    char text[16];
    snprintf(text, sizeof(text), "%d", dial.seconds);
    DrawTextEx(hudFont, text, {point.x + 17.0f, point.y - 9.0f}, 17.0f, 1.0f, {223, 181, 255, 245});
}
