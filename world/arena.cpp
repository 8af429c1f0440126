// Arena shape and boundary queries.
//
// Index
//   [SECTION] Allowed region   - the six numbers a shape shrinks the arena to
//   [SECTION] Region operations - clamp, containment and ray exit shared by circles and extents
//   [SECTION] Public queries
#include "world/arena.h"

#include <cfloat>
#include <cmath>

// [SECTION] Allowed region

namespace {

constexpr float NEGATIVE_ARC_CENTRE = -ARENA_HALF_SIZE + ARENA_CORNER_RADIUS_NEGATIVE;  // -112
constexpr float POSITIVE_ARC_CENTRE = ARENA_HALF_SIZE - ARENA_CORNER_RADIUS_POSITIVE;   // 104

// Plain comparisons (one instruction each) where the arguments are never NaN; std::fmin and
// std::fmax are library calls on the baseline x86-64 target.
template <typename T> inline T Min(T a, T b) { return a < b ? a : b; }
template <typename T> inline T Max(T a, T b) { return a > b ? a : b; }

// Where a shape's centre may be: the box |x| <= hx, |z| <= hz with the (-,-) corner rounded
// around (c1x, c1z) by r1 and the (+,+) corner around (c2x, c2z) by r2 (0 = sharp).
struct ArenaRegion {
    float hx, hz;         // half limits
    float c1x, c1z, r1;   // (-,-) arc centre and radius
    float c2x, c2z, r2;   // (+,+) arc centre and radius
};

// Clamps a size to 0..limit; false (and no region) if it is not finite.
inline bool ClampSize(float value, float limit, float &out)
{
    if (!std::isfinite(value)) return false;
    out = value < 0.0f ? 0.0f : (value > limit ? limit : value);
    return true;
}

inline bool RegionForCircle(float radius, ArenaRegion &region)
{
    float r;
    if (!ClampSize(radius, ARENA_HALF_SIZE, r)) return false;
    region.hx = ARENA_HALF_SIZE - r;
    region.hz = ARENA_HALF_SIZE - r;
    region.c1x = NEGATIVE_ARC_CENTRE;
    region.c1z = NEGATIVE_ARC_CENTRE;
    region.r1 = Max(0.0f, ARENA_CORNER_RADIUS_NEGATIVE - r);
    region.c2x = POSITIVE_ARC_CENTRE;
    region.c2z = POSITIVE_ARC_CENTRE;
    region.r2 = Max(0.0f, ARENA_CORNER_RADIUS_POSITIVE - r);
    return true;
}

inline bool RegionForExtents(Vector2 extents, ArenaRegion &region)
{
    float ex, ez;
    if (!ClampSize(extents.x, ARENA_EXTENT_LIMIT, ex) || !ClampSize(extents.y, ARENA_EXTENT_LIMIT, ez)) return false;
    region.hx = ARENA_HALF_SIZE - ex;
    region.hz = ARENA_HALF_SIZE - ez;
    region.c1x = ex + NEGATIVE_ARC_CENTRE;
    region.c1z = ez + NEGATIVE_ARC_CENTRE;
    region.r1 = ARENA_CORNER_RADIUS_NEGATIVE;
    region.c2x = POSITIVE_ARC_CENTRE - ex;
    region.c2z = POSITIVE_ARC_CENTRE - ez;
    region.r2 = ARENA_CORNER_RADIUS_POSITIVE;
    return true;
}

// [SECTION] Region operations

// Moves (x, z) onto the circle around (cx, cz) of radius r - tolerance if it lies in that
// corner's quadrant (sign `s`: -1 for (-,-), +1 for (+,+)) and beyond the radius.
inline void ClampCorner(float &x, float &z, float cx, float cz, float r, float s)
{
    if (r > 0.0f && s * (x - cx) > 0.0f && s * (z - cz) > 0.0f) {
        float dx = cx - x, dz = cz - z;
        float d2 = dx * dx + dz * dz;
        if (d2 > r * r) {
            float k = Max(0.0f, r - ARENA_TOLERANCE) / std::sqrt(d2);
            x = cx - dx * k;
            z = cz - dz * k;
        }
    }
}

inline Vector3 RegionClamp(const ArenaRegion &g, Vector3 p)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.z)) return p;
    float z = p.z < -g.hz ? -g.hz : (p.z > g.hz ? g.hz : p.z);
    float x = p.x < -g.hx ? -g.hx : (p.x > g.hx ? g.hx : p.x);
    ClampCorner(x, z, g.c1x, g.c1z, g.r1, -1.0f);
    ClampCorner(x, z, g.c2x, g.c2z, g.r2, 1.0f);
    return {x, p.y, z};
}

// True if (x, z) lies in the corner's quadrant and farther than r + tolerance from its centre.
inline bool BeyondCorner(float x, float z, float cx, float cz, float r, float s)
{
    float dx = x - cx, dz = z - cz;
    float limit = r + ARENA_TOLERANCE;
    return (r > 0.0f) & (s * dx > 0.0f) & (s * dz > 0.0f) & (dx * dx + dz * dz > limit * limit);
}

inline bool RegionContains(const ArenaRegion &g, float x, float z)
{
    if (!std::isfinite(x) || !std::isfinite(z)) return false;
    bool inBox = (std::fabs(x) <= g.hx + ARENA_TOLERANCE) & (std::fabs(z) <= g.hz + ARENA_TOLERANCE);
    return inBox & !BeyondCorner(x, z, g.c1x, g.c1z, g.r1, -1.0f) & !BeyondCorner(x, z, g.c2x, g.c2z, g.r2, 1.0f);
}

// Shortens t so that o + d t stays inside the corner arc around (cx, cz) of radius r when the end
// point lies beyond it. The exit along the ray is solved in double precision and stepped one
// float toward 0 so that the end point stays inside.
inline float RayCorner(float t, Vector3 o, Vector2 d, double a, float cx, float cz, float r, float s)
{
    if (r <= 0.0f) return t;
    float u = d.x * t + (o.x - cx);
    float w = d.y * t + (o.z - cz);
    if (!(s * u > 0.0f && s * w > 0.0f && u * u + w * w > r * r)) return t;
    double ex = (double)o.x - cx, ez = (double)o.z - cz;
    double b = (double)d.x * ex + (double)d.y * ez;
    double c = ex * ex + ez * ez - (double)r * r;
    double exit = (std::sqrt(Max(0.0, b * b - c * a)) - b) / a;
    exit = Min(Max(exit, 0.0), (double)t);  // in float range before the conversion
    float stepped = std::nextafter((float)exit, 0.0f);
    return Min(t, stepped);
}

inline float RegionRayExit(const ArenaRegion &g, Vector3 o, Vector2 d, float maxDistance)
{
    if (!std::isfinite(d.x) || !std::isfinite(d.y) || std::isnan(maxDistance)) return 0.0f;
    if (!RegionContains(g, o.x, o.z)) return 0.0f;
    float t = maxDistance > 0.0f ? Min(maxDistance, FLT_MAX) : 0.0f;
    // Walls. Any non-zero component counts: a tiny one must not let a long ray leave the box.
    if (d.x > 0.0f) t = Min(t, (g.hx - o.x) / d.x);
    else if (d.x < 0.0f) t = Min(t, (-g.hx - o.x) / d.x);
    if (d.y > 0.0f) t = Min(t, (g.hz - o.z) / d.y);
    else if (d.y < 0.0f) t = Min(t, (-g.hz - o.z) / d.y);
    t = Max(0.0f, t);
    double a = (double)d.x * d.x + (double)d.y * d.y;
    if (a == 0.0) return t;
    t = RayCorner(t, o, d, a, g.c1x, g.c1z, g.r1, -1.0f);
    t = RayCorner(t, o, d, a, g.c2x, g.c2z, g.r2, 1.0f);
    return t;
}

}  // namespace

// [SECTION] Public queries

float ArenaSignedDistance(float x, float z)
{
    if (!std::isfinite(x) || !std::isfinite(z)) return INFINITY;
    // Corner radius of the point's quadrant; points on an axis use the sharp corners' 0.
    float r = ARENA_CORNER_RADIUS_NEGATIVE * (float)((x < 0.0f) & (z < 0.0f))
            + ARENA_CORNER_RADIUS_POSITIVE * (float)((x > 0.0f) & (z > 0.0f));
    float qx = std::fabs(x) - ARENA_HALF_SIZE + r;
    float qz = std::fabs(z) - ARENA_HALF_SIZE + r;
    float px = Max(qx, 0.0f), pz = Max(qz, 0.0f);
    return Min(Max(qx, qz), 0.0f) + std::sqrt(px * px + pz * pz) - r;
}

Vector3 ArenaClampCircle(Vector3 point, float radius)
{
    ArenaRegion g;
    if (!RegionForCircle(radius, g)) return point;
    return RegionClamp(g, point);
}

Vector3 ArenaClampExtents(Vector3 point, Vector2 extents)
{
    ArenaRegion g;
    if (!RegionForExtents(extents, g)) return point;
    return RegionClamp(g, point);
}

bool ArenaContainsCircle(Vector3 point, float radius)
{
    ArenaRegion g;
    return RegionForCircle(radius, g) && RegionContains(g, point.x, point.z);
}

bool ArenaContainsExtents(Vector3 point, Vector2 extents)
{
    ArenaRegion g;
    return RegionForExtents(extents, g) && RegionContains(g, point.x, point.z);
}

float ArenaRayExitCircle(Vector3 origin, Vector2 direction, float radius, float maxDistance)
{
    ArenaRegion g;
    if (!RegionForCircle(radius, g)) return 0.0f;
    return RegionRayExit(g, origin, direction, maxDistance);
}

float ArenaRayExitExtents(Vector3 origin, Vector2 direction, Vector2 extents, float maxDistance)
{
    ArenaRegion g;
    if (!RegionForExtents(extents, g)) return 0.0f;
    return RegionRayExit(g, origin, direction, maxDistance);
}
