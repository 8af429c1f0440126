// Ship renderer, pure half: the procedural meshes and the per-frame drawing plan.
//
// Index
//   [SECTION] Primitives
//   [SECTION] Body profile
//   [SECTION] Hull
//   [SECTION] Crystal and quad
//   [SECTION] Frame plan
#include "render/ship.h"

#include "common/maths.h"

#include <initializer_list>

// [SECTION] Primitives

static bool Reserve(ShipMeshBuffer &out, int vertices)
{
    if (out.overflow || out.count + vertices > out.capacity) {
        out.overflow = true;
        return false;
    }
    return true;
}

static void Emit(ShipMeshBuffer &out, Vector3 p, Vector3 n, int material, float tint, float surface = 0.0f)
{
    int i = out.count++;
    out.positions[3 * i] = p.x;
    out.positions[3 * i + 1] = p.y;
    out.positions[3 * i + 2] = p.z;
    out.normals[3 * i] = n.x;
    out.normals[3 * i + 1] = n.y;
    out.normals[3 * i + 2] = n.z;
    out.texcoords[2 * i] = (float)material;
    out.texcoords[2 * i + 1] = surface;
    unsigned char grey = (unsigned char)(ClampSafe(tint, 0.0f, 1.0f) * 255.0f + 0.5f);
    out.colors[4 * i] = grey;
    out.colors[4 * i + 1] = grey;
    out.colors[4 * i + 2] = grey;
    out.colors[4 * i + 3] = 255;
}

// A flat triangle; a degenerate one takes `fallback` as its normal.
static void Flat(ShipMeshBuffer &out, Vector3 a, Vector3 b, Vector3 c, int material, float tint, Vector3 fallback)
{
    Vector3 n = Vector3CrossProduct(b - a, c - a);
    float length = Vector3Length(n);
    n = length > 1e-12f ? n / length : fallback;
    Emit(out, a, n, material, tint);
    Emit(out, b, n, material, tint);
    Emit(out, c, n, material, tint);
}

static void Smooth(ShipMeshBuffer &out, Vector3 a, Vector3 na, Vector3 b, Vector3 nb, Vector3 c, Vector3 nc, int material, float tint)
{
    Emit(out, a, na, material, tint);
    Emit(out, b, nb, material, tint);
    Emit(out, c, nc, material, tint);
}

// Truncated cone: per side two mantle triangles and one triangle of each cap.
static void Tube(ShipMeshBuffer &out, Vector3 p0, float r0, Vector3 p1, float r1, int sides, int material)
{
    if (!Reserve(out, sides * 12)) return;
    Vector3 axis = p1 - p0;
    float length = Vector3Length(axis);
    Vector3 dir = length > 0.0f ? axis / length : Vector3{0.0f, 1.0f, 0.0f};
    // Segments within about 25 degrees of vertical take their frame from x instead.
    Vector3 reference = std::fabs(dir.y) > 0.906f ? Vector3{1.0f, 0.0f, 0.0f} : Vector3{0.0f, 1.0f, 0.0f};
    Vector3 u = Vector3Normalize(Vector3CrossProduct(dir, reference));
    Vector3 v = Vector3CrossProduct(dir, u);
    for (int i = 0; i < sides; i++) {
        float a0 = 2.0f * PI * (float)i / (float)sides, a1 = 2.0f * PI * (float)(i + 1) / (float)sides;
        Vector3 e0 = u * std::cos(a0) + v * std::sin(a0);
        Vector3 e1 = u * std::cos(a1) + v * std::sin(a1);
        Vector3 q00 = p0 + e0 * r0, q01 = p0 + e1 * r0, q10 = p1 + e0 * r1, q11 = p1 + e1 * r1;
        Vector3 side = Vector3Normalize(e0 + e1);
        Flat(out, q00, q10, q11, material, 1.0f, side);
        Flat(out, q00, q11, q01, material, 1.0f, side);
        Flat(out, p0, q01, q00, material, 0.84f, dir * -1.0f);
        Flat(out, p1, q10, q11, material, 1.0f, dir);
    }
}

// Axis-aligned box of full `size`; the two bottom triangles are darker.
static void Box(ShipMeshBuffer &out, Vector3 centre, Vector3 size, int material)
{
    if (!Reserve(out, 36)) return;
    Vector3 h = size * 0.5f;
    auto corner = [&](int x, int y, int z) {
        return Vector3{centre.x + (x ? h.x : -h.x), centre.y + (y ? h.y : -h.y), centre.z + (z ? h.z : -h.z)};
    };
    struct Face { int c[4][3]; Vector3 n; float tint; };
    static const Face faces[6] = {
        {{{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}, {1, 0, 0}, 1.0f},
        {{{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {-1, 0, 0}, 1.0f},
        {{{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}}, {0, 1, 0}, 1.0f},
        {{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {0, -1, 0}, 0.8f},
        {{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}, {0, 0, 1}, 1.0f},
        {{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {0, 0, -1}, 1.0f},
    };
    for (const Face &f : faces) {
        Vector3 q[4];
        for (int k = 0; k < 4; k++) q[k] = corner(f.c[k][0], f.c[k][1], f.c[k][2]);
        Flat(out, q[0], q[1], q[2], material, f.tint, f.n);
        Flat(out, q[0], q[2], q[3], material, f.tint, f.n);
    }
}

// [SECTION] Body profile

static const float PROFILE_Y[14] = {0.68f, 0.76f, 0.92f, 1.16f, 1.55f, 1.95f, 2.35f, 2.65f, 2.88f, 3.08f, 3.27f, 3.43f, 3.51f, 3.55f};
static const float PROFILE_R[14] = {0.60f, 0.74f, 0.84f, 0.875f, 0.88f, 0.87f, 0.83f, 0.76f, 0.65f, 0.51f, 0.34f, 0.18f, 0.09f, 0.0f};
constexpr float BODY_BOTTOM = 0.68f;
constexpr float BODY_TOP = 3.55f;
constexpr float BODY_DEPTH = 0.91f;   // the lathe's z radius over its x radius
constexpr int BODY_RINGS = 40;
constexpr int BODY_SEGMENTS = 48;

static float ProfileTangent(int k)
{
    int a = k > 0 ? k - 1 : 0, b = k < 13 ? k + 1 : 13;
    return (PROFILE_R[b] - PROFILE_R[a]) / (PROFILE_Y[b] - PROFILE_Y[a]);
}

float ShipBodyRadius(float y)
{
    if (!(y > BODY_BOTTOM)) return IsFinite(y) ? PROFILE_R[0] : 0.0f;
    if (y > BODY_TOP) return 0.0f;
    int k = 0;
    while (k < 12 && y > PROFILE_Y[k + 1]) k++;
    float h = PROFILE_Y[k + 1] - PROFILE_Y[k];
    float t = (y - PROFILE_Y[k]) / h;
    float t2 = t * t, t3 = t2 * t;
    float r = (2.0f * t3 - 3.0f * t2 + 1.0f) * PROFILE_R[k] + (t3 - 2.0f * t2 + t) * h * ProfileTangent(k) +
              (-2.0f * t3 + 3.0f * t2) * PROFILE_R[k + 1] + (t3 - t2) * h * ProfileTangent(k + 1);
    return std::fmax(0.0f, r);
}

static float BodySlope(float y) { return (ShipBodyRadius(y + 0.002f) - ShipBodyRadius(y - 0.002f)) / 0.004f; }

// The body's front (+z) surface at (x, y).
static float FrontZ(float x, float y)
{
    float r = ShipBodyRadius(y);
    return BODY_DEPTH * std::sqrt(std::fmax(r * r - x * x, 0.005f));
}

static Vector3 BodyPoint(float y, float a)
{
    float r = ShipBodyRadius(y);
    return {r * std::cos(a), y, BODY_DEPTH * r * std::sin(a)};
}

static Vector3 BodyNormal(float y, float a)
{
    return Vector3Normalize({std::cos(a), -BodySlope(y), std::sin(a) / BODY_DEPTH});
}

static void Body(ShipMeshBuffer &out)
{
    if (!Reserve(out, BODY_RINGS * BODY_SEGMENTS * 6 + BODY_SEGMENTS * 3)) return;
    for (int j = 0; j < BODY_RINGS; j++) {
        float y0 = BODY_BOTTOM + (BODY_TOP - BODY_BOTTOM) * (float)j / (float)BODY_RINGS;
        float y1 = BODY_BOTTOM + (BODY_TOP - BODY_BOTTOM) * (float)(j + 1) / (float)BODY_RINGS;
        int material = y0 < 0.83f ? 2 : 1;
        for (int i = 0; i < BODY_SEGMENTS; i++) {
            float a0 = 2.0f * PI * (float)i / (float)BODY_SEGMENTS, a1 = 2.0f * PI * (float)(i + 1) / (float)BODY_SEGMENTS;
            Vector3 p00 = BodyPoint(y0, a0), p01 = BodyPoint(y0, a1), p10 = BodyPoint(y1, a0), p11 = BodyPoint(y1, a1);
            Vector3 n00 = BodyNormal(y0, a0), n01 = BodyNormal(y0, a1), n10 = BodyNormal(y1, a0), n11 = BodyNormal(y1, a1);
            Smooth(out, p00, n00, p10, n10, p11, n11, material, 1.0f);
            Smooth(out, p00, n00, p11, n11, p01, n01, material, 1.0f);
        }
    }
    Vector3 centre = {0.0f, BODY_BOTTOM, 0.0f};
    for (int i = 0; i < BODY_SEGMENTS; i++) {
        float a0 = 2.0f * PI * (float)i / (float)BODY_SEGMENTS, a1 = 2.0f * PI * (float)(i + 1) / (float)BODY_SEGMENTS;
        Flat(out, centre, BodyPoint(BODY_BOTTOM, a0), BodyPoint(BODY_BOTTOM, a1), 2, 0.8f, {0.0f, -1.0f, 0.0f});
    }
}

constexpr int PANEL_ROWS = 16;
constexpr int PANEL_COLUMNS = 8;

struct PanelShape {
    float cx, cy, width, height, thickness, corner, raise;
};

// Half width of a panel row at height y: narrowed by the circular corners near the top and bottom.
static float PanelHalfWidth(const PanelShape &s, float y)
{
    float into = std::fabs(y - s.cy) - (s.height * 0.5f - s.corner);
    if (into <= 0.0f) return s.width * 0.5f;
    return s.width * 0.5f - s.corner + std::sqrt(std::fmax(0.0f, s.corner * s.corner - into * into));
}

static Vector3 PanelPoint(const PanelShape &s, int i, int j)
{
    float y = s.cy - s.height * 0.5f + s.height * (float)j / (float)PANEL_ROWS;
    float hw = PanelHalfWidth(s, y);
    float x = s.cx - hw + 2.0f * hw * (float)i / (float)PANEL_COLUMNS;
    return {x, y, FrontZ(x, y) + s.raise};
}

static Vector3 PanelNormal(const PanelShape &, Vector3 p)
{
    const float e = 0.002f;
    float dx = (FrontZ(p.x + e, p.y) - FrontZ(p.x - e, p.y)) / (2.0f * e);
    float dy = (FrontZ(p.x, p.y + e) - FrontZ(p.x, p.y - e)) / (2.0f * e);
    return Vector3Normalize({-dx, -dy, 1.0f});
}

// A rounded rectangle draped over the body's front, closed by side walls reaching back in z.
static void Panel(ShipMeshBuffer &out, PanelShape s, int material)
{
    const int walls = 2 * (PANEL_ROWS + PANEL_COLUMNS);
    if (!Reserve(out, PANEL_ROWS * PANEL_COLUMNS * 6 + walls * 6)) return;
    for (int j = 0; j < PANEL_ROWS; j++) {
        for (int i = 0; i < PANEL_COLUMNS; i++) {
            Vector3 p00 = PanelPoint(s, i, j), p10 = PanelPoint(s, i + 1, j);
            Vector3 p01 = PanelPoint(s, i, j + 1), p11 = PanelPoint(s, i + 1, j + 1);
            Vector3 n00 = PanelNormal(s, p00), n10 = PanelNormal(s, p10), n01 = PanelNormal(s, p01), n11 = PanelNormal(s, p11);
            Smooth(out, p00, n00, p10, n10, p11, n11, material, 1.0f);
            Smooth(out, p00, n00, p11, n11, p01, n01, material, 1.0f);
        }
    }
    // The border loop: bottom row, right column, top row, left column.
    int loop[walls + 1][2];
    int n = 0;
    for (int i = 0; i < PANEL_COLUMNS; i++) loop[n][0] = i, loop[n++][1] = 0;
    for (int j = 0; j < PANEL_ROWS; j++) loop[n][0] = PANEL_COLUMNS, loop[n++][1] = j;
    for (int i = PANEL_COLUMNS; i > 0; i--) loop[n][0] = i, loop[n++][1] = PANEL_ROWS;
    for (int j = PANEL_ROWS; j > 0; j--) loop[n][0] = 0, loop[n++][1] = j;
    loop[n][0] = loop[0][0], loop[n][1] = loop[0][1];
    Vector3 back = {0.0f, 0.0f, -s.thickness};
    for (int k = 0; k < walls; k++) {
        Vector3 a = PanelPoint(s, loop[k][0], loop[k][1]);
        Vector3 b = PanelPoint(s, loop[k + 1][0], loop[k + 1][1]);
        Vector3 outward = Vector3Normalize(Vector3CrossProduct(b - a, back));
        Flat(out, a, b, b + back, material, 0.94f, outward);
        Flat(out, a, b + back, a + back, material, 0.94f, outward);
    }
}

// [SECTION] Hull

bool ShipBuildHull(ShipMeshBuffer &out)
{
    static const float LEGS[4][2] = {{-0.93f, -0.93f}, {0.93f, -0.93f}, {-0.93f, 0.93f}, {0.93f, 0.93f}};
    for (const auto &leg : LEGS) {
        float b = leg[0], c = leg[1];
        Vector3 hinge = {0.6f * b, 1.17f, 0.6f * c};
        Tube(out, {b, 0.03f, c}, 0.235f, {b, 0.10f, c}, 0.21f, 12, 2);                        // foot pad
        Tube(out, {b, 0.10f, c}, 0.205f, {b, 0.135f, c}, 0.15f, 12, 6);                       // pad collar
        Tube(out, {b, 0.10f, c}, 0.058f, hinge, 0.076f, 8, 5);                                 // leg
        Tube(out, {0.82f * b, 0.5815f, 0.82f * c}, 0.079f, hinge, 0.079f, 8, 6);               // damper
        Vector3 foot = {0.948f * b, 0.239f, 0.948f * c};
        Tube(out, {0.72f * b, 0.76f, 0.37f * c}, 0.033f, foot, 0.033f, 6, 2);                  // braces
        Tube(out, {0.37f * b, 0.76f, 0.72f * c}, 0.033f, foot, 0.033f, 6, 2);
        Tube(out, hinge, 0.106f, {0.6f * b, 1.26f, 0.6f * c}, 0.09f, 8, 4);                    // leg hinge
    }
    Body(out);
    Tube(out, {0.0f, 0.37f, 0.0f}, 0.29f, {0.0f, 0.82f, 0.0f}, 0.15f, 16, 2);                  // engine bell
    Tube(out, {0.0f, 0.37f, 0.0f}, 0.30f, {0.0f, 0.41f, 0.0f}, 0.285f, 16, 5);                 // nozzle rim
    for (float k : {-1.0f, 1.0f}) {                                                            // side thrusters
        Tube(out, {0.82f * k, 1.06f, 0.0f}, 0.15f, {0.89f * k, 1.06f, 0.0f}, 0.13f, 16, 2);
        Tube(out, {0.89f * k, 1.06f, 0.0f}, 0.067f, {0.903f * k, 1.06f, 0.0f}, 0.067f, 16, 4);
    }
    Panel(out, {0.0f, 1.94f, 1.25f, 2.19f, 0.45f, 0.18f, 0.025f}, 6);     // front armour (door)
    Panel(out, {0.0f, 1.94f, 1.14f, 2.08f, 0.045f, 0.16f, 0.0535f}, 2);   // door seal
    Panel(out, {0.0f, 1.94f, 1.02f, 1.94f, 0.035f, 0.15f, 0.0785f}, 1);   // door leaf
    Panel(out, {0.0f, 2.48f, 0.66f, 0.43f, 0.027f, 0.09f, 0.0965f}, 2);   // window frame
    Panel(out, {0.0f, 2.49f, 0.54f, 0.31f, 0.019f, 0.06f, 0.1105f}, 3);   // window
    Panel(out, {0.0f, 1.28f, 0.75f, 0.24f, 0.023f, 0.05f, 0.0975f}, 6);   // kick plate
    Box(out, {0.34f, 1.86f, FrontZ(0.34f, 1.86f) + 0.105f}, {0.1f, 0.31f, 0.035f}, 2);                   // handle block
    Tube(out, {0.35f, 1.77f, FrontZ(0.35f, 1.77f) + 0.147f}, 0.027f, {0.35f, 1.95f, FrontZ(0.35f, 1.95f) + 0.147f}, 0.014f, 8, 5);
    Panel(out, {0.34f, 2.08f, 0.085f, 0.044f, 0.033f, 0.012f, 0.1125f}, 4);   // status light
    Panel(out, {0.0f, 2.98f, 0.39f, 0.035f, 0.027f, 0.01f, 0.0495f}, 4);      // top stripe
    for (float y0 : {1.42f, 2.35f}) {                                          // door hinges
        float x = -0.556f;
        Tube(out, {x, y0 - 0.08f, FrontZ(x, y0 - 0.08f) + 0.076f}, 0.045f, {x, y0 + 0.08f, FrontZ(x, y0 + 0.08f) + 0.076f}, 0.045f, 8, 5);
    }
    Tube(out, {0.68f, 1.65f, 0.385f}, 0.17f, {0.818f, 1.65f, 0.473f}, 0.155f, 16, 5);   // socket housing
    Tube(out, {0.818f, 1.65f, 0.473f}, 0.113f, {0.83f, 1.65f, 0.48f}, 0.113f, 16, 2);   // engine socket
    for (float x : {-0.62f, 0.62f}) {                                                    // grab rails
        Tube(out, {x, 1.04f, 0.91f}, 0.025f, {x, 1.77f, 0.91f}, 0.025f, 8, 5);
        Tube(out, {x, 1.04f, FrontZ(x, 1.04f) + 0.012f}, 0.025f, {x, 1.04f, 0.91f}, 0.025f, 8, 5);
        Tube(out, {x, 1.77f, 0.91f}, 0.025f, {x, 1.77f, FrontZ(x, 1.77f) + 0.012f}, 0.025f, 8, 5);
    }
    for (float x : {-0.41f, 0.41f})                                                      // ladder rails
        Tube(out, {x, 0.15f, 1.21f}, 0.034f, {x, 0.96f, 0.94f}, 0.034f, 8, 5);
    for (int i = 0; i < 4; i++) {                                                        // ladder steps
        float z = 1.183f - 0.078f * (float)i;
        Box(out, {0.0f, 0.23f + 0.235f * (float)i, z}, {0.78f, 0.06f, 0.17f}, 6);
        Box(out, {0.0f, 0.262f + 0.235f * (float)i, z}, {0.69f, 0.012f, 0.11f}, 2);
    }
    Box(out, {-0.36f, 1.6f, -0.67f}, {0.49f, 0.44f, 0.25f}, 2);                          // rear equipment box
    for (int i = 0; i < 3; i++) Box(out, {-0.36f, 1.48f + 0.1f * (float)i, -0.803f}, {0.35f, 0.027f, 0.025f}, 5);   // vents
    Tube(out, {-0.45f, 1.73f, -0.65f}, 0.075f, {-0.45f, 1.99f, -0.72f}, 0.058f, 8, 2);   // exhaust pipe
    static const float ANTENNAS[2][3] = {{-0.32f, -0.1f, 4.12f}, {0.32f, -0.07f, 3.77f}};
    for (const auto &a : ANTENNAS) {
        float x = a[0], z = a[1], top = a[2];
        Tube(out, {x, 3.2f, z}, 0.085f, {x, 3.32f, z}, 0.066f, 12, 6);
        Tube(out, {x, 3.32f, z}, 0.048f, {x, 3.4f, z}, 0.032f, 12, 2);
        Tube(out, {x, 3.39f, z}, 0.023f, {x, top, z}, 0.014f, 10, 5);
        Tube(out, {x, top - 0.035f, z}, 0.035f, {x, top + 0.028f, z}, 0.024f, 10, 4);
    }
    Tube(out, {0.0f, 2.97f, -0.52f}, 0.096f, {0.0f, 3.02f, -0.595f}, 0.078f, 16, 2);     // rear beacon
    Tube(out, {0.0f, 3.02f, -0.595f}, 0.05f, {0.0f, 3.025f, -0.603f}, 0.05f, 16, 4);
    return !out.overflow;
}

// [SECTION] Crystal and quad

bool ShipBuildCrystal(ShipMeshBuffer &out)
{
    if (!Reserve(out, SHIP_CRYSTAL_TRIANGLES * 3)) return false;
    const Vector3 apex = {0.0f, 0.45f, 0.0f}, tip = {0.0f, -0.36f, 0.0f};
    const float lower = 0.21f, upper = 0.21f * 0.86f;
    for (int i = 0; i < 6; i++) {
        float a = 2.0f * PI * (float)i / 6.0f, b = 2.0f * PI * (float)(i + 1) / 6.0f;
        Vector3 la = {lower * std::cos(a), -0.11f, lower * std::sin(a)}, lb = {lower * std::cos(b), -0.11f, lower * std::sin(b)};
        Vector3 ua = {upper * std::cos(a), 0.21f, upper * std::sin(a)}, ub = {upper * std::cos(b), 0.21f, upper * std::sin(b)};
        Vector3 outward = Vector3Normalize({std::cos(0.5f * (a + b)), 0.0f, std::sin(0.5f * (a + b))});
        float band = 0.88f + 0.055f * (float)(i % 3);
        Flat(out, la, ub, lb, SHIP_MATERIAL_CRYSTAL, band, outward);
        Flat(out, la, ua, ub, SHIP_MATERIAL_CRYSTAL, band, outward);
        Flat(out, ua, apex, ub, SHIP_MATERIAL_CRYSTAL, 1.0f, {0.0f, 1.0f, 0.0f});
        Flat(out, la, lb, tip, SHIP_MATERIAL_CRYSTAL, 1.0f, {0.0f, -1.0f, 0.0f});   // lower tip: untinted
    }
    return true;
}

bool ShipBuildQuad(ShipMeshBuffer &out)
{
    if (!Reserve(out, 6)) return false;
    static const float CORNERS[6][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}};
    for (const auto &c : CORNERS) {
        int i = out.count;
        Emit(out, {c[0], c[1], 0.0f}, {0.0f, 0.0f, 1.0f}, 0, 1.0f);
        out.texcoords[2 * i] = 0.5f * c[0] + 0.5f;
        out.texcoords[2 * i + 1] = 0.5f * c[1] + 0.5f;
    }
    return true;
}

// [SECTION] Frame plan

bool ShipSphereInView(const FollowCamera &camera, int width, int height, Vector3 centre, float radius)
{
    if (width <= 0 || height <= 0 || !IsFinite(centre) || !IsFinite(radius)) return false;
    Vector3 d = centre - camera.position;
    float halfWidth = camera.viewHeight * (float)width / (2.0f * (float)height);
    if (std::fabs(Vector3DotProduct(d, camera.right)) > radius + halfWidth) return false;
    if (std::fabs(Vector3DotProduct(d, camera.up)) > radius + camera.viewHeight * 0.5f) return false;
    return Vector3DotProduct(d, camera.forward) >= -radius;
}

static float Fract(float x) { return x - std::floor(x); }

static void AddBillboard(ShipFramePlan &plan, int mode, bool additive, Vector3 centre, Vector3 axisX, Vector3 axisY,
                         Vector4 tint, float seed)
{
    if (plan.billboardCount >= SHIP_BILLBOARD_CAPACITY) return;
    plan.billboards[plan.billboardCount++] = {mode, additive, centre, axisX, axisY, tint, seed};
}

static void PlanSmoke(ShipFramePlan &plan, const ShipView &ship, const FollowCamera &camera, int width, int height)
{
    if (!(ship.smoke > 0.002f)) return;
    ShipBillboard puffs[SHIP_SMOKE_PUFFS];
    float depth[SHIP_SMOKE_PUFFS];
    int n = 0;
    Vector3 p = ship.position;
    for (int k = 0; k < SHIP_SMOKE_PUFFS; k++) {
        float f = Fract(0.29f * ship.clock + (float)k / (float)SHIP_SMOKE_PUFFS);
        float g = 3.45f * f;
        float h = g + 1.73f * (float)k;
        Vector3 centre = {p.x - 0.45f + 0.22f * g + 0.085f * std::sin(2.0f * g + 1.73f * (float)k),
                          p.y + ship.altitude + 1.98f + 0.79f * g, p.z - 0.72f - 0.19f * g + 0.065f * std::cos(h)};
        float half = 0.53f * f + 0.14f;
        if (!ShipSphereInView(camera, width, height, centre, half)) continue;
        float alpha = std::sin(PI * f) * 0.31f * ship.smoke;
        ShipBillboard b = {SHIP_EFFECT_SMOKE, false, centre, camera.right * half, camera.up * half, {0.30f, 0.32f, 0.34f, alpha}, h};
        float d = Vector3DotProduct(centre - camera.position, camera.forward);
        // Far to near; equal depths keep their puff order.
        int at = n;
        while (at > 0 && depth[at - 1] < d) {
            puffs[at] = puffs[at - 1];
            depth[at] = depth[at - 1];
            at--;
        }
        puffs[at] = b;
        depth[at] = d;
        n++;
    }
    for (int k = 0; k < n; k++) plan.billboards[plan.billboardCount++] = puffs[k];
    plan.smokeCount = n;
}

static void PlanCrystal(ShipFramePlan &plan, const ShipView &ship, const FollowCamera &camera)
{
    if (!plan.crystal) return;
    float f = ship.crystalInstalled ? 0.27f : 0.72f;
    float half = f * (0.88f + 0.12f * std::sin(4.8f * ship.clock));
    AddBillboard(plan, SHIP_EFFECT_GLOW, true, ship.crystal, camera.right * half, camera.up * half, {1.0f, 0.12f, 0.49f, 0.34f}, 0.0f);
    plan.glow = true;
    if (ship.crystalInstalled) return;
    for (int i = 0; i < SHIP_SPARKLES; i++) {
        float phi = (float)i * PI * 0.5f + 1.8f * ship.clock;
        Vector3 centre = ship.crystal + Vector3{0.32f * std::cos(phi), 0.24f * std::sin(1.3f * phi), 0.32f * std::sin(phi)};
        AddBillboard(plan, SHIP_EFFECT_GLOW, true, centre, camera.right * 0.046f, camera.up * 0.046f, {1.0f, 0.61f, 0.83f, 0.82f}, 0.0f);
        plan.sparkleCount++;
    }
}

static void PlanLaunch(ShipFramePlan &plan, const ShipView &ship, const FollowCamera &camera, int width, int height)
{
    if (!ship.launching) return;
    float e = ClampSafe(ship.phaseTime / 0.55f, 0.0f, 1.0f);
    float altitude = std::fmax(0.0f, ship.altitude);
    float length = (std::fmin(altitude, 3.7f) + 0.6f) * e;
    Vector3 nozzle = {ship.position.x, ship.position.y + altitude + 0.39f, ship.position.z};
    Vector3 centre = {nozzle.x, nozzle.y - 0.5f * length, nozzle.z};
    if (length > 0.0f && ShipSphereInView(camera, width, height, centre, 0.65f * length + 0.5f)) {
        float halfWidth = 0.54f + 0.08f * std::sin(30.0f * ship.clock);
        AddBillboard(plan, SHIP_EFFECT_PLUME, true, centre, camera.right * halfWidth, {0.0f, 0.5f * length, 0.0f},
                     {1.0f, 0.7f, 0.25f, 0.9f * e}, ship.clock);
        AddBillboard(plan, SHIP_EFFECT_GLOW, true, nozzle, camera.right * 0.48f, camera.up * 0.48f, {1.0f, 0.56f, 0.12f, 0.5f * e}, 0.0f);
        plan.plume = true;
    }
    float strength = std::exp(-0.5f * altitude) * e * 0.18f;
    if (!(strength > 0.002f)) return;
    float ring = 0.65f + 0.45f * ship.phaseTime;
    for (int i = 0; i < SHIP_DUST_PUFFS; i++) {
        float a = (float)i * PI / 4.0f;
        Vector3 c = {ship.position.x + ring * std::cos(a), ship.position.y + 0.16f, ship.position.z + ring * std::sin(a)};
        AddBillboard(plan, SHIP_EFFECT_SMOKE, false, c, camera.right * 0.24f, camera.up * 0.24f, {0.48f, 0.35f, 0.23f, strength},
                     (float)i + ship.clock);
        plan.dustCount++;
    }
}

ShipFramePlan ShipPlanFrame(const ShipView &ship, const FollowCamera &camera, int width, int height)
{
    ShipFramePlan plan{};
    plan.crystalScale = 1.0f;
    if (!ship.exists || ship.departed || width <= 0 || height <= 0 || !IsFinite(ship.position)) return plan;
    plan.hullOrigin = {ship.position.x, ship.position.y + ship.altitude, ship.position.z};
    plan.hull = ShipSphereInView(camera, width, height, plan.hullOrigin + SHIP_HULL_SPHERE_OFFSET, SHIP_HULL_SPHERE_RADIUS);
    plan.crystal = ship.crystalExists && ShipSphereInView(camera, width, height, ship.crystal, SHIP_CRYSTAL_SPHERE_RADIUS);
    plan.prepass = plan.hull || plan.crystal;
    plan.crystalOrigin = ship.crystal;
    plan.crystalScale = ship.crystalInstalled ? 0.36f : 1.0f;
    plan.crystalAngle = 1.1f * ship.clock;
    PlanSmoke(plan, ship, camera, width, height);
    PlanCrystal(plan, ship, camera);
    PlanLaunch(plan, ship, camera, width, height);
    return plan;
}
