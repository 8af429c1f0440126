// Mudling render data: what each array holds for buried, emerging, free, walking and dashing
// bodies, the splash landing times, and the tile masks checked against a brute-force search of
// every pixel a body, its legs, its shadow, its birth strand and patch or its drops can reach.
#include "mud/mud_gait.h"
#include "mud/mud_pack.h"
#include "common/maths.h"
#include "world/camera.h"
#include "tests/mud/mud_fixture.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace mudtest;

namespace {

const Vector3 SUN = {-0.1187711f, 0.9897595f, 0.0791808f};
const float NAN_F = std::numeric_limits<float>::quiet_NaN();

bool TileHas(const MudPackRecord &record, int tile, int slot)
{
    return (((uint32_t)record.tiles[tile][slot / 32]) >> (slot % 32)) & 1u;
}

std::unique_ptr<MudPackRecord> Pack(const MudPool &pool, const FollowCamera &camera, float aspect)
{
    auto record = std::make_unique<MudPackRecord>();
    MudPack(pool, *record, camera.position, camera.right, camera.up, camera.viewHeight, aspect);
    return record;
}

FollowCamera CameraAt(Vector3 target, float zoom)
{
    FollowCamera camera{};
    camera.viewHeight = zoom;
    CameraFollow(camera, target, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    return camera;
}

TEST(MudPack, RecordLayoutAndTheArrayTable)
{
    int total = 0;
    for (const MudPackArray &array : MUD_PACK_ARRAYS) {
        EXPECT_EQ(array.entries, MUD_POSE_SLOTS * array.perSlot) << array.name;
        total += array.entries * 16;
    }
    EXPECT_EQ(total, MUD_POSE_A_BYTES + MUD_POSE_B_BYTES);
    EXPECT_EQ(MUD_PACK_ARRAYS[12].offset, 9216);   // mudLegHips
    EXPECT_EQ(MUD_PACK_ARRAYS[23].offset, 9984);   // mudCorpseMotion
    EXPECT_EQ(MUD_PACK_ARRAYS[29].offset, 14592);  // mudSpecials
}

TEST(MudPack, BodiesBirthsAndLeftoversAsTheShaderSeesThem)
{
    auto pool = NewPool(0);
    int bun = AddBody(*pool, 2.0f, 0.0f, 2.0f);
    int walker = AddBody(*pool, -3.0f, 1.0f, 4.0f);
    int buried = AddBody(*pool, 0.0f, 4.0f, 1.0f);
    pool->slots[buried].state = MUD_BURIED;
    pool->slots[buried].mound = 0.3f;
    int freed = AddBody(*pool, 0.0f, -4.0f, 1.0f);
    pool->slots[freed].state = MUD_FREE;
    pool->slots[freed].mass = 0.0f;
    pool->slots[freed].emergence = 1.0f;
    pool->slots[bun].dryness = 0.25f;
    FollowCamera camera = CameraAt({0.0f, 0.0f, 0.0f}, 20.0f);
    auto record = std::make_unique<MudPackRecord>();
    memset(record.get(), 0x5A, sizeof(MudPackRecord));
    int count = MudPack(*pool, *record, camera.position, camera.right, camera.up, camera.viewHeight, 16.0f / 9.0f);
    EXPECT_EQ(count, 4);
    const MudPoseBlockA &a = record->a;
    const MudPoseBlockB &b = record->b;

    EXPECT_EQ(b.mudWalkers[bun].z, 1.0f);
    EXPECT_EQ(b.mudWalkers[buried].z, 0.0f);
    EXPECT_EQ(b.mudWalkers[freed].z, 0.0f);
    EXPECT_EQ(a.mudStates[freed].y, 0.0f);                        // no eyes
    EXPECT_FLOAT_EQ(a.mudStates[bun].z, 0.75f);                   // wet sheen
    EXPECT_EQ(a.mudPatches[buried].z, 0.3f);                      // the warning mound
    EXPECT_EQ(a.mudPatches[freed].w, 1.0f);                       // the crater outlives the slot
    EXPECT_EQ(a.mudBodies[bun].w, MudBodyScale(pool->slots[bun]));

    // The walker's legs, with the bound radius covering every joint.
    bool valid;
    MudLegPose legs = MudGaitLegPose(pool->slots[walker], &valid);
    ASSERT_TRUE(valid);
    EXPECT_EQ(b.mudWalkers[walker].x, legs.visibility);
    EXPECT_FLOAT_EQ(a.mudLegFeet[2 * walker + 1].w, legs.radius * legs.visibility);
    for (int k = 0; k < 2; k++)
        EXPECT_GE(b.mudWalkers[walker].y, Vector3Distance(legs.foot[k], pool->slots[walker].position) + legs.radius);
    EXPECT_EQ(a.mudLegFeet[2 * bun].w, 0.0f);  // buns have none

    // Everything past the count is zero, whatever was there before.
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(&a.mudBodies[count]);
    EXPECT_TRUE(std::all_of(bytes, bytes + sizeof(Vector4) * (MUD_POSE_SLOTS - count), [](unsigned char c) { return c == 0; }));
    for (int t = 0; t < MUD_POSE_TILE_COUNT; t++) {
        EXPECT_EQ(record->tiles[t][1], 0);
        EXPECT_EQ(((uint32_t)record->tiles[t][0]) >> count, 0u);
    }
}

TEST(MudPack, SplashDropsLandOnTheTerrain)
{
    auto pool = NewPool(0);
    int i = AddBody(*pool, 17.0f, -9.0f, 3.0f);
    MudSlot &s = pool->slots[i];
    for (float height : {0.08f, 0.6f, 2.5f}) {
        s.touchdown = {s.position.x, TerrainHeight(s.position.x, s.position.z) + height, s.position.z};
        float landings[4];
        MudPackSplashLandings(s, landings);
        for (int j = 0; j < 4; j++) {
            float seed = s.phase + 13.71f * (float)j;
            float speed = 1.1f + 0.8f * (seed - std::floor(seed));
            Vector3 v = {std::cos(4.18f * seed) * speed, 2.0f + 1.4f * (3.1f * seed - std::floor(3.1f * seed)),
                         std::sin(4.18f * seed) * speed};
            float r = 0.055f + 0.045f * (7.3f * seed - std::floor(7.3f * seed));
            float t = landings[j];
            ASSERT_GT(t, 0.0f);
            Vector3 p = {s.touchdown.x + v.x * t, s.touchdown.y + v.y * t - 4.9f * t * t, s.touchdown.z + v.z * t};
            EXPECT_NEAR(p.y - r, TerrainHeight(p.x, p.z), 1e-3f) << height << " drop " << j;
            EXPECT_LT(v.y - 9.8f * t, 0.0f);  // on the way down
        }
    }
    s.sinceTouchdown = 1.8f;
    FollowCamera camera = CameraAt(s.position, 20.0f);
    auto record = Pack(*pool, camera, 16.0f / 9.0f);
    EXPECT_EQ(record->a.mudImpacts[i].x, 0.0f);  // too old to be drawn
}

TEST(MudPack, DegenerateViewMarksEveryTile)
{
    auto pool = NewPool(0);
    AddBody(*pool, 0.0f, 0.0f, 1.0f);
    AddBody(*pool, 50.0f, 50.0f, 1.0f);
    auto record = std::make_unique<MudPackRecord>();
    const float heights[] = {0.0f, NAN_F, 20.0f};
    const float aspects[] = {16.0f / 9.0f, 16.0f / 9.0f, -1.0f};
    for (int c = 0; c < 3; c++) {
        MudPack(*pool, *record, {18.0f, 28.5f, 24.0f}, {0.8f, 0.0f, -0.6f}, {-0.41f, 0.72f, -0.55f}, heights[c], aspects[c]);
        for (int t = 0; t < MUD_POSE_TILE_COUNT; t++) EXPECT_EQ(record->tiles[t][0], 3) << c;
    }
}

// [SECTION] Brute-force coverage

struct ScreenView {
    FollowCamera camera;
    float width, height;  // metres
};

Vector2 Project(const ScreenView &view, Vector3 p)
{
    Vector3 d = p - view.camera.position;
    return {Vector3DotProduct(d, view.camera.right), Vector3DotProduct(d, view.camera.up)};
}

float SegmentDistance2D(Vector2 p, Vector2 a, Vector2 b)
{
    Vector2 ab = {b.x - a.x, b.y - a.y};
    float len = ab.x * ab.x + ab.y * ab.y;
    float t = len > 0.0f ? std::clamp(((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len, 0.0f, 1.0f) : 0.0f;
    float dx = p.x - (a.x + ab.x * t), dy = p.y - (a.y + ab.y * t);
    return std::sqrt(dx * dx + dy * dy);
}

// Something slot `slot` may draw: a capsule (a sphere when a == b) in space, a disc of ground
// within a height band, or the ground in the shadow of a caster.
struct Reach {
    enum Kind { CAPSULE, GROUND_DISC, BODY_SHADOW, LIMB_SHADOW } kind;
    Vector3 a, b;
    float radius;
    float low, high;  // GROUND_DISC: height band above the terrain at the centre
};

struct Pixel {
    Vector3 origin;
    Vector2 screen;
};

// Ground point the pixel's ray hits (the drawn ground, with the patches).
Vector3 GroundHit(const MudPool &pool, const ScreenView &view, const Pixel &px)
{
    Vector3 f = view.camera.forward;
    float t = px.origin.y / -f.y;
    for (int k = 0; k < 4; k++) {
        Vector3 p = px.origin + f * t;
        t = (px.origin.y - MudGroundHeight(pool, p.x, p.z)) / -f.y;
    }
    return px.origin + f * t;
}

bool Reaches(const MudPool &pool, const ScreenView &view, const Reach &r, const Pixel &px)
{
    switch (r.kind) {
    case Reach::CAPSULE:
        return SegmentDistance2D(px.screen, Project(view, r.a), Project(view, r.b)) <= r.radius;
    case Reach::GROUND_DISC: {
        Vector3 f = view.camera.forward;
        float base = TerrainHeight(r.a.x, r.a.z);
        Vector3 p0 = px.origin + f * ((px.origin.y - (base + r.high)) / -f.y);
        Vector3 p1 = px.origin + f * ((px.origin.y - (base + r.low)) / -f.y);
        return SegmentDistance2D({r.a.x, r.a.z}, {p0.x, p0.z}, {p1.x, p1.z}) <= r.radius;
    }
    case Reach::BODY_SHADOW: {
        Vector3 g = GroundHit(pool, view, px);
        float s = std::max(0.0f, Vector3DotProduct(r.a - g, SUN));
        float distance = Vector3Distance(r.a, g + SUN * s);
        float softness = 0.12f + 0.1f * std::max(r.a.y - g.y - r.low, 0.0f);
        return distance <= r.radius * (1.05f + softness);
    }
    case Reach::LIMB_SHADOW: {
        Vector3 g = GroundHit(pool, view, px);
        auto down = [&](Vector3 q) { return q - SUN * ((q.y - g.y) / SUN.y); };
        Vector3 a = down(r.a), b = down(r.b);
        float softness = 0.04f + 0.06f * std::max(0.0f, std::max(r.a.y, r.b.y) - g.y);
        return SegmentDistance2D({g.x, g.z}, {a.x, a.z}, {b.x, b.z}) <= r.radius + softness;
    }
    }
    return false;
}

// Screen-space box of a reach, generously padded.
void ReachBox(const ScreenView &view, const Reach &r, Vector2 *lo, Vector2 *hi)
{
    Vector3 a = r.a, b = r.b;
    float pad = r.radius + 0.5f;
    if (r.kind == Reach::BODY_SHADOW || r.kind == Reach::LIMB_SHADOW) {
        auto ground = [](Vector3 q) {
            float above = q.y - TerrainHeight(q.x, q.z);
            return Vector3{q.x + 0.12f * above, TerrainHeight(q.x, q.z), q.z - 0.08f * above};
        };
        a = ground(a);
        b = ground(b);
        pad = r.radius * 2.0f + 1.0f;
    }
    if (r.kind == Reach::GROUND_DISC) pad = r.radius + 0.8f;
    Vector2 pa = Project(view, a), pb = Project(view, b);
    *lo = {std::min(pa.x, pb.x) - pad, std::min(pa.y, pb.y) - pad};
    *hi = {std::max(pa.x, pb.x) + pad, std::max(pa.y, pb.y) + pad};
}

// First time after launch at which a ballistic drop's bottom reaches the ground, by marching.
float MarchLanding(Vector3 start, Vector3 v, float radius, const MudPool *pool)
{
    bool above = false;
    for (float t = 0.0f; t < 3.0f; t += 0.002f) {
        Vector3 p = {start.x + v.x * t, start.y + v.y * t - 4.9f * t * t, start.z + v.z * t};
        float ground = pool ? MudGroundHeight(*pool, p.x, p.z) : TerrainHeight(p.x, p.z);
        if (p.y - radius > ground) above = true;
        else if (above) return t;
    }
    return 0.0f;
}

float Frac(float x) { return x - std::floor(x); }

std::vector<Reach> SlotReaches(const MudPool &pool, int i)
{
    std::vector<Reach> out;
    const MudSlot &s = pool.slots[i];
    float R = MudBodyRadius(s), S = MudBodyScale(s);
    float g = Smoothstep(s.golemGrowth);
    bool drawn = s.mass > 0.0f && s.state != MUD_BURIED && s.state != MUD_FREE && s.state != MUD_ABSORBED;
    float maxScale = std::max(std::fabs(s.scale.x), std::max(std::fabs(s.scale.y), std::fabs(s.scale.z)));
    if (drawn) {
        out.push_back({Reach::CAPSULE, s.position, s.position, S * maxScale * 1.25f + 0.17f * R, 0, 0});
        Vector3 radii = {std::max(R * s.scale.x, 0.02f), std::max(R * s.scale.y, 0.02f), std::max(R * s.scale.z, 0.02f)};
        float largest = std::max(radii.x, std::max(radii.y, radii.z));
        out.push_back({Reach::BODY_SHADOW, s.position, s.position, largest, radii.y, 0});
    }
    bool valid;
    MudLegPose legs = MudGaitLegPose(s, &valid);
    if (valid) {
        float w = legs.radius * legs.visibility;
        for (int k = 0; k < 2; k++) {
            Vector3 points[4];
            for (int q = 0; q < 4; q++) points[q] = MudGaitLimbPoint(legs.hip[k], legs.knee[k], legs.foot[k], (float)q / 3.0f);
            for (int q = 0; q < 3; q++) {
                out.push_back({Reach::CAPSULE, points[q], points[q + 1], 1.2f * w + 0.31f * R, 0, 0});
                out.push_back({Reach::LIMB_SHADOW, points[q], points[q + 1], 1.2f * w, 0, 0});
            }
            if (g > 0.001f) out.push_back({Reach::CAPSULE, legs.hip[k], legs.foot[k], 1.2f * w + 0.31f * R, 0, 0});
        }
    }
    if (s.spray > 0.001f) {
        Vector3 base = {s.spawnPoint.x, TerrainHeight(s.spawnPoint.x, s.spawnPoint.z) - 0.2f * s.emergence, s.spawnPoint.z};
        out.push_back({Reach::CAPSULE, base, s.position, 1.6f * s.spray + 0.05f, 0, 0});
    }
    if (s.mound > 0.0f || s.emergence > 0.0f)
        out.push_back({Reach::GROUND_DISC, s.spawnPoint, s.spawnPoint, 1.53f, -0.25f, 0.45f});
    float tau = s.sinceTouchdown;
    if (tau < 1.7f) {
        for (int j = 0; j < 4; j++) {
            float seed = s.phase + 13.71f * (float)j;
            float speed = 1.1f + 0.8f * Frac(seed);
            Vector3 v = {std::cos(4.18f * seed) * speed, 2.0f + 1.4f * Frac(3.1f * seed), std::sin(4.18f * seed) * speed};
            float r = 0.055f + 0.045f * Frac(7.3f * seed);
            float land = MarchLanding(s.touchdown, v, r, nullptr);
            auto at = [&](float t) {
                return Vector3{s.touchdown.x + v.x * t, s.touchdown.y + v.y * t - 4.9f * t * t, s.touchdown.z + v.z * t};
            };
            if (tau < land) {
                out.push_back({Reach::CAPSULE, at(tau), at(tau), r + 0.01f, 0, 0});
            } else if (tau < land + 0.48f) {
                float age = tau - land;
                Vector3 splat = at(land) + Vector3{0.0f, 0.1f, 0.0f};
                out.push_back({Reach::CAPSULE, splat, splat, 2.9f * r + 1.1f * age + 0.52f * r + 0.05f, 0, 0});
            }
        }
    }
    if (s.dashDuration > 0.03f && s.dashElapsed < 1.6f) {
        Vector3 line = s.dashTo - s.dashFrom;
        Vector3 dir = Vector3Normalize({line.x, 0.0f, line.z});
        Vector3 right = {dir.z, 0.0f, -dir.x};
        for (int j = 0; j < 6; j++) {
            float emission = 0.03f + 0.08f * (float)j;
            if (emission >= s.dashDuration || s.dashElapsed < emission) continue;
            float side = (j & 1) ? 1.0f : -1.0f, seed = s.phase + 11.31f * (float)j;
            Vector3 start = Vector3Lerp(s.dashFrom, s.dashTo, emission / s.dashDuration) + right * (side * 0.65f * R);
            start.y = MudGroundHeight(pool, start.x, start.z) + 0.18f;
            Vector3 v = dir * -0.65f + right * (side * (1.7f + 0.6f * Frac(seed)));
            v.y = 1.8f + 0.7f * Frac(3.1f * seed);
            float r = 0.045f + 0.025f * Frac(7.3f * seed);
            float land = MarchLanding(start, v, r, &pool);
            float age = s.dashElapsed - emission;
            auto at = [&](float t) { return Vector3{start.x + v.x * t, start.y + v.y * t - 4.9f * t * t, start.z + v.z * t}; };
            if (age < land) out.push_back({Reach::CAPSULE, at(age), at(age), r * 1.25f + 0.01f, 0, 0});
            else if (age < land + 0.36f)
                out.push_back({Reach::CAPSULE, at(land), at(land), 3.1f * r + 0.9f * (age - land) + 0.36f * r + 0.1f, 0, 0});
        }
    }
    return out;
}

// Every pixel (on a 160 x 90 grid, plus the centre of each reach) that a slot can reach lies in
// a tile whose mask has the slot's bit. Returns the misses, described.
std::vector<std::string> MissingTiles(const MudPool &pool, const std::vector<std::vector<Reach>> &reaches,
                                      const FollowCamera &camera, float aspect)
{
    const int NX = 160, NY = 90;
    ScreenView view{camera, camera.viewHeight * aspect, camera.viewHeight};
    auto record = Pack(pool, camera, aspect);
    std::vector<std::string> misses;
    auto check = [&](int slot, const Reach &r, Vector2 screen) {
        float u = screen.x / view.width + 0.5f, v = screen.y / view.height + 0.5f;
        if (u < 0.0f || u >= 1.0f || v < 0.0f || v >= 1.0f) return;
        Pixel px{camera.position + camera.right * screen.x + camera.up * screen.y, screen};
        if (!Reaches(pool, view, r, px)) return;
        int tile = (int)(v * MUD_TILE_ROWS) * MUD_TILE_COLUMNS + (int)(u * MUD_TILE_COLUMNS);
        if (!TileHas(*record, tile, slot) && misses.size() < 8)
            misses.push_back("slot " + std::to_string(slot) + " state " + std::to_string(pool.slots[slot].state) +
                             " reach kind " + std::to_string(r.kind) + " tile " + std::to_string(tile));
    };
    for (int i = 0; i < pool.count; i++) {
        for (const Reach &r : reaches[i]) {
            Vector2 lo, hi;
            ReachBox(view, r, &lo, &hi);
            int i0 = std::max(0, (int)std::floor((lo.x / view.width + 0.5f) * NX));
            int i1 = std::min(NX - 1, (int)std::floor((hi.x / view.width + 0.5f) * NX));
            int j0 = std::max(0, (int)std::floor((lo.y / view.height + 0.5f) * NY));
            int j1 = std::min(NY - 1, (int)std::floor((hi.y / view.height + 0.5f) * NY));
            for (int jy = j0; jy <= j1; jy++)
                for (int ix = i0; ix <= i1; ix++)
                    check(i, r, {((ix + 0.5f) / NX - 0.5f) * view.width, ((jy + 0.5f) / NY - 0.5f) * view.height});
            if (r.kind == Reach::CAPSULE) check(i, r, Project(view, r.a));
        }
    }
    return misses;
}

// A crowd at several moments of its life: buried, emerging with strands, landing with
// splashes, hopping and walking; walkers and a giant golem standing tall; a dash in progress.
std::vector<std::unique_ptr<MudPool>> CoverageScenes()
{
    std::vector<std::unique_ptr<MudPool>> scenes;
    auto pool = NewPool(0);
    pool->mergeEnabled = 0;
    pool->queued = 24;
    MudPoolSpawn(*pool, {2.0f, 0.0f, 1.0f}, true, 4.0f, MUD_UNIT_SIZE, false);
    MudPoolSpawn(*pool, {2.0f, 0.0f, 1.0f}, true, 7.0f, MUD_UNIT_SIZE, false);
    MudPoolSpawnBoss(*pool, {0.0f, 0.0f, 0.0f}, 2, false);
    MudPoolSpawnBoss(*pool, {0.0f, 0.0f, 0.0f}, 0, false);
    AddBody(*pool, -6.0f, 3.0f, 6.0f);
    int dasher = AddBody(*pool, 4.0f, -5.0f, 2.0f);
    const float moments[] = {0.9f, 1.55f, 2.3f, 2.9f, 5.0f, 8.5f};
    float time = 0.0f;
    for (float moment : moments) {
        while (time < moment) {
            MudPoolUpdate(*pool, {0.3f * time, 0.0f, -0.2f * time}, 1.0f / 60.0f);
            time += 1.0f / 60.0f;
        }
        MudSlot &d = pool->slots[dasher];
        d.dashFrom = d.position;
        d.dashTo = d.position + Vector3{6.0f, 0.0f, 2.0f};
        d.dashDuration = 0.6f;
        d.dashElapsed = std::fmod(moment, 1.2f);
        scenes.push_back(CopyPool(*pool));
    }
    // Bodies far from their own shadows and splashes: a giant bun at the top of a leap, golems
    // that walked away from the splash of their high landing.
    for (float since : {0.3f, 1.1f}) {
        auto handmade = NewPool(0);
        int leaper = AddBody(*handmade, 0.0f, 0.0f, 3.0f, MUD_BOSS_SIZE);
        handmade->slots[leaper].boss = 1;
        handmade->slots[leaper].position.y += 6.5f * since;
        for (int k = 0; k < 4; k++) {
            float a = 1.5707963f * (float)k + 0.4f;
            int golem = AddBody(*handmade, 6.0f * std::cos(a), 6.0f * std::sin(a), 7.0f + (float)(k % 3));
            MudSlot &s = handmade->slots[golem];
            s.touchdown = s.position;
            s.position.x += 2.1f * std::cos(a + 2.0f);
            s.position.z += 2.1f * std::sin(a + 2.0f);
            s.sinceTouchdown = since;
        }
        scenes.push_back(std::move(handmade));
    }
    return scenes;
}

TEST(MudPack, TileMasksCoverEveryPixelABodyCanReach)
{
    auto scenes = CoverageScenes();
    const float zooms[] = {5.5f, 13.0f, 30.0f};
    const float aspects[] = {16.0f / 9.0f, 4.0f / 3.0f, 21.0f / 9.0f, 1.0f};
    const Vector3 targets[] = {{1.0f, 0.0f, -1.0f}, {-6.0f, 0.0f, 5.0f}};
    for (size_t scene = 0; scene < scenes.size(); scene++) {
        std::vector<std::vector<Reach>> reaches;
        for (int i = 0; i < scenes[scene]->count; i++) reaches.push_back(SlotReaches(*scenes[scene], i));
        for (float zoom : zooms)
            for (float aspect : aspects)
                for (Vector3 target : targets) {
                    std::vector<std::string> misses = MissingTiles(*scenes[scene], reaches, CameraAt(target, zoom), aspect);
                    EXPECT_TRUE(misses.empty()) << "scene " << scene << " zoom " << zoom << " aspect " << aspect
                                                << " target " << target.x << "," << target.z << ": "
                                                << (misses.empty() ? "" : misses[0]);
                }
    }
}

// The masks are not all-ones: a tile far from every body lists none of them.
TEST(MudPack, TileMasksLeaveEmptyTilesEmpty)
{
    auto pool = NewPool(0);
    AddBody(*pool, 0.0f, 0.0f, 1.0f);
    auto record = Pack(*pool, CameraAt({0.0f, 0.0f, 0.0f}, 20.0f), 16.0f / 9.0f);
    int marked = 0;
    for (int t = 0; t < MUD_POSE_TILE_COUNT; t++) marked += TileHas(*record, t, 0);
    EXPECT_GT(marked, 0);
    EXPECT_LT(marked, 20);
}

}  // namespace
