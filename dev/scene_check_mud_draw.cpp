// Mudling read-back checks of the scene shader: small targets rendered with hand-packed slots on
// the flat neutral ground, compared with the same view without them and with analytic bodies.
//
// Index
//   [SECTION] Read-back
//   [SECTION] Cases
//   [SECTION] Entry
#include "dev/scene_check_mud.h"

#include "app/assets.h"
#include "app/field_view.h"
#include "common/maths.h"
#include "dev/scene_mud_fixture.h"

#include "rlgl.h"
#include "external/glad.h"

#include <cmath>
#include <cstdio>
#include <cstring>

// [SECTION] Read-back

constexpr int MUD_CHECK_W = 320;
constexpr int MUD_CHECK_H = 180;

struct MudReadback {
    unsigned char rgba[MUD_CHECK_W * MUD_CHECK_H * 4];
    float depth[MUD_CHECK_W * MUD_CHECK_H];
};

static MudReadback readEmpty, readMud, readOther;   // large: kept off the stack
static SceneMudFixture checkFixture;

static void Report(SceneCheckMudCounts &counts, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (ok) counts.passed++;
    else counts.failed++;
}

static void ReadBack(const SceneResources &resources, MudReadback &out)
{
    rlDrawRenderBatchActive();
    glBindFramebuffer(GL_FRAMEBUFFER, resources.target.texture.id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, MUD_CHECK_W, MUD_CHECK_H, GL_RGBA, GL_UNSIGNED_BYTE, out.rgba);
    glReadPixels(0, 0, MUD_CHECK_W, MUD_CHECK_H, GL_DEPTH_COMPONENT, GL_FLOAT, out.depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// A view of the flat neutral ground around the origin; the astronaut stands far out of it.
static SceneView CheckView(float zoom)
{
    SceneView view{};
    view.camera.viewHeight = zoom;
    CameraFollow(view.camera, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    Player standing{};
    PlayerReset(standing, {60.0f, 0.0f, -60.0f});
    view.pose = FieldScenePose(standing.pose);
    view.playerPosition = {60.0f, 0.0f, -60.0f};
    view.playerVisible = false;
    view.time = 5.0f;
    return view;
}

static void Render(SceneResources &resources, const SceneShaders &shaders, SceneView view, const SceneMudFixture *f,
                   MudReadback &out)
{
    if (f) SceneMudFixtureView(*f, view);
    SceneRender(resources, shaders, view, {}, MUD_CHECK_W, MUD_CHECK_H);
    ReadBack(resources, out);
}

static Vector3 PixelOrigin(const FollowCamera &c, int x, int y)
{
    float u = ((float)x + 0.5f - 0.5f * (float)MUD_CHECK_W) / (float)MUD_CHECK_H;
    float v = ((float)y + 0.5f - 0.5f * (float)MUD_CHECK_H) / (float)MUD_CHECK_H;
    return Vector3Add(c.position, Vector3Scale(Vector3Add(Vector3Scale(c.right, u), Vector3Scale(c.up, v)), c.viewHeight));
}

// Pixel whose ray passes through p.
static void PixelOf(const FollowCamera &c, Vector3 p, int &x, int &y)
{
    Vector3 d = Vector3Subtract(p, c.position);
    float u = Vector3DotProduct(d, c.right) / c.viewHeight;
    float v = Vector3DotProduct(d, c.up) / c.viewHeight;
    x = (int)std::floor(u * (float)MUD_CHECK_H + 0.5f * (float)MUD_CHECK_W);
    y = (int)std::floor(v * (float)MUD_CHECK_H + 0.5f * (float)MUD_CHECK_H);
}

static float DistanceOf(float depth)
{
    float nearPlane = (float)rlGetCullDistanceNear();
    float farPlane = (float)rlGetCullDistanceFar();
    return nearPlane + depth * (farPlane - nearPlane);
}

static int ColourDifference(const MudReadback &a, const MudReadback &b, int i)
{
    int worst = 0;
    for (int c = 0; c < 3; c++) {
        int d = std::abs((int)a.rgba[i * 4 + c] - (int)b.rgba[i * 4 + c]);
        if (d > worst) worst = d;
    }
    return worst;
}

static int Brightness(const MudReadback &r, int i) { return r.rgba[i * 4] + r.rgba[i * 4 + 1] + r.rgba[i * 4 + 2]; }

// Ray against the body ellipsoid of slot s alone: entry distance (or -1), the closest approach
// in units of the radii, and the body-frame entry point.
struct BodyHit {
    float t;
    float approach;
    Vector3 local;
    float exit;
};

static BodyHit RayBody(const SceneMudFixture &f, int s, Vector3 ro, Vector3 rd)
{
    Vector4 body = f.a.mudBodies[s];
    Vector4 shape = f.a.mudShapes[s];
    float c = std::cos(shape.w), sn = std::sin(shape.w);
    auto local = [&](Vector3 v) { return Vector3{v.x * c - v.z * sn, v.y, v.z * c + v.x * sn}; };
    Vector3 radii = {body.w * shape.x, body.w * shape.y, body.w * shape.z};
    Vector3 o = local(Vector3Subtract(ro, {body.x, body.y, body.z}));
    Vector3 d = local(rd);
    o = {o.x / radii.x, o.y / radii.y, o.z / radii.z};
    d = {d.x / radii.x, d.y / radii.y, d.z / radii.z};
    float a = Vector3DotProduct(d, d), b = Vector3DotProduct(o, d);
    float closest = -b / a;
    BodyHit hit = {-1.0f, Vector3Length(Vector3Add(o, Vector3Scale(d, closest))), {}, -1.0f};
    float h = b * b - a * (Vector3DotProduct(o, o) - 1.0f);
    if (h < 0.0f) return hit;
    hit.t = (-b - std::sqrt(h)) / a;
    hit.exit = (-b + std::sqrt(h)) / a;
    Vector3 u = Vector3Add(o, Vector3Scale(d, hit.t));
    hit.local = {u.x * radii.x, u.y * radii.y, u.z * radii.z};
    return hit;
}

// [SECTION] Cases

// A bun at a known point: pixels whose ray meets its upper body show it at the ellipsoid's
// distance; pixels whose ray passes well clear of it keep the ground's depth.
static void CheckBunAtItsPixel(SceneCheckMudCounts &counts, SceneResources &resources, const SceneShaders &shaders)
{
    SceneView view = CheckView(8.0f);
    Render(resources, shaders, view, nullptr, readEmpty);
    SceneMudFixtureReset(checkFixture, false);
    int s = SceneMudFixtureBun(checkFixture, 0.7f, -0.4f, 2.0f, 0.5f, 6.0f);
    checkFixture.a.mudPatches[s].w = 0.0f;   // no crater: the ground around stays flat
    SceneMudFixtureTiles(checkFixture, view.camera, (float)MUD_CHECK_W / (float)MUD_CHECK_H);
    Render(resources, shaders, view, &checkFixture, readMud);

    int inside = 0, insideMisses = 0, clear = 0, clearMisses = 0;
    float worst = 0.0f;
    for (int y = 0; y < MUD_CHECK_H; y++) {
        for (int x = 0; x < MUD_CHECK_W; x++) {
            int i = y * MUD_CHECK_W + x;
            BodyHit hit = RayBody(checkFixture, s, PixelOrigin(view.camera, x, y), view.camera.forward);
            if (hit.t > 0.0f && hit.approach < 0.8f && hit.local.y > 0.0f) {
                inside++;
                float error = std::fabs(DistanceOf(readMud.depth[i]) - hit.t);
                worst = std::fmax(worst, error);
                if (error > 0.03f) insideMisses++;
            } else if (hit.approach > 1.7f) {
                clear++;
                if (std::fabs(readMud.depth[i] - readEmpty.depth[i]) > 1e-6f) clearMisses++;
            }
        }
    }
    int cx, cy;
    PixelOf(view.camera, {checkFixture.a.mudBodies[s].x, checkFixture.a.mudBodies[s].y, checkFixture.a.mudBodies[s].z}, cx, cy);
    bool centreShown = cx >= 0 && cx < MUD_CHECK_W && cy >= 0 && cy < MUD_CHECK_H &&
                       readMud.depth[cy * MUD_CHECK_W + cx] < readEmpty.depth[cy * MUD_CHECK_W + cx] - 1e-4f;
    char line[200];
    snprintf(line, sizeof(line), "bun at its pixel: %d body pixels (%d off the ellipsoid depth by > 3 cm, worst %.3f m), "
             "%d clear pixels (%d changed depth), centre pixel %s", inside, insideMisses, worst, clear, clearMisses,
             centreShown ? "covered" : "not covered");
    Report(counts, inside > 300 && insideMisses == 0 && clear > 10000 && clearMisses == 0 && centreShown, line);
}

// The tile under the bun's centre loses its mask bits: that tile shows exactly the empty ground
// (no body, no shadow, no ground patch), while the neighbouring tiles still show the body.
static void CheckClearedTile(SceneCheckMudCounts &counts, SceneResources &resources, const SceneShaders &shaders)
{
    SceneView view = CheckView(5.5f);
    Render(resources, shaders, view, nullptr, readEmpty);
    SceneMudFixtureReset(checkFixture, false);
    int s = SceneMudFixtureBun(checkFixture, 0.0f, 0.0f, 3.0f, 0.3f, 9.0f);
    SceneMudFixtureLanding(checkFixture, s, 0.2f);
    SceneMudFixtureTiles(checkFixture, view.camera, (float)MUD_CHECK_W / (float)MUD_CHECK_H);
    int cx, cy;
    PixelOf(view.camera, {checkFixture.a.mudBodies[s].x, checkFixture.a.mudBodies[s].y, checkFixture.a.mudBodies[s].z}, cx, cy);
    int col = ClampInt(cx * 16 / MUD_CHECK_W, 0, 15), row = ClampInt(cy * 9 / MUD_CHECK_H, 0, 8);
    Render(resources, shaders, view, &checkFixture, readOther);
    checkFixture.tiles[row * 16 + col][0] = 0;
    checkFixture.tiles[row * 16 + col][1] = 0;
    Render(resources, shaders, view, &checkFixture, readMud);

    int tilePixels = 0, tileChanged = 0, bodyBefore = 0, elsewhere = 0;
    for (int y = 0; y < MUD_CHECK_H; y++) {
        for (int x = 0; x < MUD_CHECK_W; x++) {
            int i = y * MUD_CHECK_W + x;
            bool inTile = x * 16 / MUD_CHECK_W == col && y * 9 / MUD_CHECK_H == row;
            bool covered = readOther.depth[i] < readEmpty.depth[i] - 1e-4f;
            if (inTile) {
                tilePixels++;
                if (covered) bodyBefore++;
                if (ColourDifference(readMud, readEmpty, i) != 0 || readMud.depth[i] != readEmpty.depth[i]) tileChanged++;
            } else if (readMud.depth[i] < readEmpty.depth[i] - 1e-4f) {
                elsewhere++;
            }
        }
    }
    char line[200];
    snprintf(line, sizeof(line), "cleared tile (%d, %d): %d of %d pixels differ from the empty ground (%d showed the body), "
             "%d body pixels remain in other tiles", col, row, tileChanged, tilePixels, bodyBefore, elsewhere);
    Report(counts, tilePixels > 0 && bodyBefore > tilePixels / 2 && tileChanged == 0 && elsewhere > 50, line);
}

// Shadow quality 0 casts nothing on the ground; 1 darkens it under the body, never brightens;
// 2 adds the walker's legs.
static void CheckShadows(SceneCheckMudCounts &counts, SceneResources &resources, const SceneShaders &shaders)
{
    SceneQuality saved = SceneGraphicsQuality();
    SceneView view = CheckView(8.0f);
    SceneMudFixtureReset(checkFixture, false);
    int bun = SceneMudFixtureBun(checkFixture, -1.5f, 0.0f, 2.0f, 0.3f, 9.0f);
    int walker = SceneMudFixtureWalker(checkFixture, 1.5f, 0.0f, 5.0f, 0.6f, 4.0f, 0.3f);
    checkFixture.a.mudPatches[bun].w = 0.0f;
    checkFixture.a.mudPatches[walker].w = 0.0f;
    SceneMudFixtureTiles(checkFixture, view.camera, (float)MUD_CHECK_W / (float)MUD_CHECK_H);
    int darker[3] = {0, 0, 0}, brighter[3] = {0, 0, 0};
    for (int q = 0; q <= 2; q++) {
        SceneSetGraphicsQuality({0, q, 1, 2});
        Render(resources, shaders, view, nullptr, readEmpty);
        Render(resources, shaders, view, &checkFixture, readMud);
        for (int i = 0; i < MUD_CHECK_W * MUD_CHECK_H; i++) {
            if (readMud.depth[i] < readEmpty.depth[i] - 1e-6f) continue;   // the bodies themselves
            int d = Brightness(readMud, i) - Brightness(readEmpty, i);
            if (d < -3) darker[q]++;
            if (d > 3) brighter[q]++;
        }
    }
    SceneSetGraphicsQuality(saved);
    char line[200];
    snprintf(line, sizeof(line), "mudling shadows: darkened ground pixels %d / %d / %d at quality 0 / 1 / 2, brightened %d / %d / %d",
             darker[0], darker[1], darker[2], brighter[0], brighter[1], brighter[2]);
    Report(counts, darker[0] == 0 && brighter[0] == 0 && darker[1] > 200 && brighter[1] == 0 && brighter[2] == 0 &&
                       darker[2] > darker[1] + 20, line);
}

// A cavity and a living cut are empty space: rays through the removed clay go deeper than the
// intact body, and rays that pass only through the cut-away side reach the ground.
static void CheckWounds(SceneCheckMudCounts &counts, SceneResources &resources, const SceneShaders &shaders)
{
    SceneView view = CheckView(6.0f);
    Render(resources, shaders, view, nullptr, readEmpty);
    SceneMudFixtureReset(checkFixture, false);
    int a = SceneMudFixtureBun(checkFixture, -1.2f, 0.0f, 3.0f, 0.0f, 2.0f);
    int b = SceneMudFixtureBun(checkFixture, 1.4f, 0.0f, 3.0f, 0.0f, 5.0f);
    checkFixture.a.mudPatches[a].w = checkFixture.a.mudPatches[b].w = 0.0f;
    SceneMudFixtureTiles(checkFixture, view.camera, (float)MUD_CHECK_W / (float)MUD_CHECK_H);
    Render(resources, shaders, view, &checkFixture, readOther);
    // The cavity sits where the view enters bun a; the cut takes everything of bun b beyond 0.1 m
    // along +x.
    Vector3 toCamera = Vector3Negate(view.camera.forward);
    float R = checkFixture.a.mudBodies[a].w;
    Vector3 entry = Vector3Scale(toCamera, 0.55f * R);
    SceneMudFixtureCavity(checkFixture, a, 0, entry, 0.3f);
    SceneMudFixtureCut(checkFixture, b, 1.0f, 0.0f, 0.1f);
    Render(resources, shaders, view, &checkFixture, readMud);

    int cx, cy;
    Vector4 body = checkFixture.a.mudBodies[a];
    PixelOf(view.camera, Vector3Add({body.x, body.y, body.z}, entry), cx, cy);
    int i = cy * MUD_CHECK_W + cx;
    float deeper = DistanceOf(readMud.depth[i]) - DistanceOf(readOther.depth[i]);

    int removed = 0, removedShown = 0, kept = 0, keptLost = 0;
    Vector4 cut = checkFixture.b.mudCutPlanes[b];
    for (int y = 0; y < MUD_CHECK_H; y++) {
        for (int x = 0; x < MUD_CHECK_W; x++) {
            int k = y * MUD_CHECK_W + x;
            Vector3 ro = PixelOrigin(view.camera, x, y);
            BodyHit hit = RayBody(checkFixture, b, ro, view.camera.forward);
            if (hit.t < 0.0f) continue;
            Vector3 in = Vector3Add(ro, Vector3Scale(view.camera.forward, hit.t));
            Vector3 out = Vector3Add(ro, Vector3Scale(view.camera.forward, hit.exit));
            Vector3 floor = Vector3Add(ro, Vector3Scale(view.camera.forward, -ro.y / view.camera.forward.y));
            float pin = cut.x * in.x + cut.z * in.z + cut.w, pout = cut.x * out.x + cut.z * out.z + cut.w;
            float pfloor = cut.x * floor.x + cut.z * floor.z + cut.w;
            // Skirt lobes reach past the body ellipsoid: judge only rays that stay beyond the
            // plane down to the ground, or pass well inside the kept side.
            if (pin > 0.08f && pout > 0.08f && pfloor > 0.08f && hit.approach < 0.95f) {
                removed++;
                if (std::fabs(readMud.depth[k] - readEmpty.depth[k]) > 1e-6f) removedShown++;
            } else if (pin < -0.08f && pout < -0.08f && hit.approach < 0.8f) {
                kept++;
                if (!(readMud.depth[k] < readEmpty.depth[k] - 1e-4f)) keptLost++;
            }
        }
    }
    char line[220];
    snprintf(line, sizeof(line), "wounds: a cavity deepens its pixel by %.3f m; a cut leaves %d of %d removed-side pixels "
             "drawn and loses %d of %d kept ones", deeper, removedShown, removed, keptLost, kept);
    Report(counts, deeper > 0.1f && removed > 50 && removedShown == 0 && kept > 50 && keptLost == 0, line);
}

// A buried slot shows only its mound, raising the ground by the mound height at the spawn
// point; a free slot keeps its crater 0.2 m deep there. Both leave the colour of clay undrawn.
static void CheckPatches(SceneCheckMudCounts &counts, SceneResources &resources, const SceneShaders &shaders)
{
    SceneView view = CheckView(6.0f);
    Render(resources, shaders, view, nullptr, readEmpty);
    SceneMudFixtureReset(checkFixture, false);
    int mound = SceneMudFixtureBirth(checkFixture, -1.5f, 0.0f, -0.8f, 3.0f);
    SceneMudFixtureCrater(checkFixture, 1.5f, 0.0f);
    SceneMudFixtureTiles(checkFixture, view.camera, (float)MUD_CHECK_W / (float)MUD_CHECK_H);
    Render(resources, shaders, view, &checkFixture, readMud);
    float rise = 0.0f, sink = 0.0f;
    const float fy = std::fabs(view.camera.forward.y);
    for (int k = 0; k < 2; k++) {
        Vector3 ground = k == 0 ? Vector3{-1.5f, checkFixture.a.mudPatches[mound].z, 0.0f} : Vector3{1.5f, -0.2f, 0.0f};
        int x, y;
        PixelOf(view.camera, ground, x, y);
        int i = y * MUD_CHECK_W + x;
        // Along the parallel rays a ground height change h moves the hit by h / |forward.y|.
        float change = (DistanceOf(readEmpty.depth[i]) - DistanceOf(readMud.depth[i])) * fy;
        if (k == 0) rise = change;
        else sink = -change;
    }
    float expected = checkFixture.a.mudPatches[mound].z;
    char line[200];
    snprintf(line, sizeof(line), "ground patches: the mound raises its spawn point by %.3f m (packed %.3f), the crater of a "
             "free slot sinks it by %.3f m (0.200)", rise, expected, sink);
    Report(counts, std::fabs(rise - expected) < 0.02f && std::fabs(sink - 0.2f) < 0.02f, line);
}

// The tile masks as packed lose nothing: every kind of body, strand, splash, spray, corpse,
// chunk and fusion drawn with its own masks gives the same picture as with every tile listing
// every slot.
static void CheckMasksLoseNothing(SceneCheckMudCounts &counts, SceneResources &resources, const SceneShaders &shaders)
{
    SceneView view = CheckView(9.0f);
    SceneMudFixture &f = checkFixture;
    SceneMudFixtureReset(f, false);
    int bun = SceneMudFixtureBun(f, -3.4f, 1.2f, 3.0f, 0.7f, 3.0f);
    SceneMudFixtureLanding(f, bun, 0.3f);
    SceneMudFixtureWalker(f, -1.0f, 1.8f, 6.0f, 2.2f, 8.0f, 0.7f);
    SceneMudFixtureGolem(f, 2.6f, 1.4f, 9.0f, -0.6f, 12.0f, 0.2f);
    SceneMudFixtureBirth(f, 0.8f, -0.2f, 0.25f, 14.0f);
    int dasher = SceneMudFixtureBun(f, 0.0f, 0.0f, 2.0f, 0.0f, 21.0f);
    SceneMudFixtureDash(f, dasher, {-3.5f, 0.0f, -1.5f}, {0.5f, 0.0f, -2.5f}, 0.5f);
    int corpse = SceneMudFixtureCorpse(f, 2.8f, -1.8f, 3.0f, 0.4f, true, 0.6f, 0.8f);
    SceneMudFixtureChunk(f, corpse, 0, {3.6f, 1.3f, -1.0f}, 0.25f);
    SceneMudFixtureFusion(f, -2.2f, -1.6f, 2.0f, 1.0f, 0.5f);
    SceneMudFixtureTiles(f, view.camera, (float)MUD_CHECK_W / (float)MUD_CHECK_H);
    Render(resources, shaders, view, &f, readMud);
    for (int t = 0; t < SCENE_MUD_TILE_COUNT; t++) f.tiles[t][0] = f.tiles[t][1] = -1;
    Render(resources, shaders, view, &f, readOther);
    int differ = 0, shown = 0;
    Render(resources, shaders, view, nullptr, readEmpty);
    for (int i = 0; i < MUD_CHECK_W * MUD_CHECK_H; i++) {
        if (ColourDifference(readMud, readOther, i) != 0 || readMud.depth[i] != readOther.depth[i]) differ++;
        if (ColourDifference(readOther, readEmpty, i) > 2) shown++;
    }
    char line[200];
    snprintf(line, sizeof(line), "tile masks lose nothing: %d of %d pixels differ from every tile listing every slot (%d show mudlings)",
             differ, MUD_CHECK_W * MUD_CHECK_H, shown);
    Report(counts, differ == 0 && shown > 2000, line);

    // A view that lists slots but hands over no blocks draws none of them.
    SceneView bare = view;
    SceneMudFixtureView(f, bare);
    bare.mudPoseB = nullptr;
    SceneRender(resources, shaders, bare, {}, MUD_CHECK_W, MUD_CHECK_H);
    ReadBack(resources, readMud);
    int drawn = 0;
    for (int i = 0; i < MUD_CHECK_W * MUD_CHECK_H; i++)
        if (ColourDifference(readMud, readEmpty, i) != 0 || readMud.depth[i] != readEmpty.depth[i]) drawn++;
    snprintf(line, sizeof(line), "slots listed without their blocks: %d pixels differ from the empty ground", drawn);
    Report(counts, drawn == 0, line);
}

// The interior program with its linear colour as output, so that a NaN cannot hide in the
// tone curve.
static Shader LinearProgram()
{
    char *text = AssetLoadText("assets/shaders/scene.fs");
    char *variant = SceneVariantSource(text, 0);
    MemFree(text);
    if (!variant) return Shader{};
    const char *rest = strchr(variant, '\n') + 1;
    size_t length = strlen(variant) + 64;
    char *source = (char *)MemAlloc((unsigned int)length);
    snprintf(source, length, "#version 330\n#define SCENE_LINEAR_OUTPUT 1\n%s", rest);
    MemFree(variant);
    Shader shader = LoadShaderFromMemory(nullptr, source);
    MemFree(source);
    return shader;
}

// Degenerate packed values: zero radii and scales, coincident limb joints, a partner index out
// of range, a corpse at zero compression, drops at their first and last instants. Every linear
// colour must stay finite and non-negative.
static void CheckFinite(SceneCheckMudCounts &counts, SceneResources &resources)
{
    const int w = 160, h = 90;
    static float pixels[160 * 90 * 4];
    SceneShaders probe{};
    probe.interior = LinearProgram();
    probe.interiorLocs = SceneLookupUniforms(probe.interior, false);
    SceneQuality saved = SceneGraphicsQuality();
    SceneSetGraphicsQuality({2, 2, 1, 2});
    SceneView view = CheckView(7.0f);

    SceneMudFixture &f = checkFixture;
    SceneMudFixtureReset(f, false);
    int s = SceneMudFixtureBun(f, -2.0f, -1.0f, 1.0f, 0.0f, 0.0f);
    f.a.mudBodies[s].w = 0.0f;                       // no radius
    s = SceneMudFixtureBun(f, -1.0f, -1.0f, 1.0f, 0.0f, 1.0f);
    f.a.mudShapes[s] = {0.0f, 0.0f, 0.0f, 0.0f};     // no scale
    s = SceneMudFixtureWalker(f, 0.0f, -1.0f, 4.0f, 0.0f, 2.0f, 0.0f);
    for (int k = 0; k < 2; k++) f.a.mudLegKnees[2 * s + k] = f.a.mudLegFeet[2 * s + k] = f.a.mudLegHips[2 * s + k];
    s = SceneMudFixtureGolem(f, 1.5f, -1.0f, 7.0f, 0.0f, 3.0f, 0.0f);
    for (int k = 0; k < 2; k++) f.b.mudArmElbows[2 * s + k] = f.b.mudArmHands[2 * s + k] = f.b.mudArmShoulders[2 * s + k];
    f.b.mudGolemShapes[s] = {0.0f, 0.0f, 0.0f, 0.0f};
    s = SceneMudFixtureBun(f, -2.0f, 1.0f, 2.0f, 0.0f, 4.0f);
    f.b.mudWalkers[s].w = 100.0f;                    // partner beyond the count
    s = SceneMudFixtureCorpse(f, -0.5f, 1.0f, 2.0f, 1.2f, true, 0.0f, 0.0f);
    f.b.mudCorpseMotion[s].w = 0.0f;                 // fully compressed
    s = SceneMudFixtureBun(f, 1.0f, 1.0f, 1.0f, 0.0f, 5.0f);
    SceneMudFixtureLanding(f, s, 0.0f);
    SceneMudFixtureDash(f, s, {1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 1.0f}, 0.0f);   // zero-length dash
    s = SceneMudFixtureBirth(f, 2.5f, 1.0f, 0.0f, 6.0f);                         // first instant of emergence
    SceneMudFixtureCavity(f, s, 0, {0.0f, 0.0f, 0.0f}, 5.0f);                    // a cavity larger than the body
    s = SceneMudFixtureBun(f, 0.0f, 2.0f, 1.0f, 0.0f, 7.0f);
    f.a.mudShapes[s].y = 0.1f;                                                   // pooled, on a steep slope
    f.b.mudGolemShapes[s] = {3.0f, 0.0f, -3.0f, 0.0f};
    SceneMudFixtureChunk(f, s, 0, {0.0f, 0.5f, 2.0f}, 0.0001f);
    SceneMudFixtureTiles(f, view.camera, (float)w / (float)h);

    RenderTexture2D target{};
    target.id = rlLoadFramebuffer();
    target.texture = {rlLoadTexture(nullptr, w, h, PIXELFORMAT_UNCOMPRESSED_R32G32B32A32, 1), w, h, 1,
                      PIXELFORMAT_UNCOMPRESSED_R32G32B32A32};
    target.depth = {rlLoadTextureDepth(w, h, true), w, h, 1, 19};
    rlFramebufferAttach(target.id, target.texture.id, RL_ATTACHMENT_COLOR_CHANNEL0, RL_ATTACHMENT_TEXTURE2D, 0);
    rlFramebufferAttach(target.id, target.depth.id, RL_ATTACHMENT_DEPTH, RL_ATTACHMENT_RENDERBUFFER, 0);
    bool made = IsShaderValid(probe.interior) && SceneCheckUniforms(probe.interiorLocs, false) && rlFramebufferComplete(target.id);
    int bad = 0;
    if (made) {
        SceneMudFixtureView(f, view);
        BeginTextureMode(target);
        ClearBackground(BLACK);
        SceneDrawPass(resources, probe, view, {}, w, h, false);
        EndTextureMode();
        glBindFramebuffer(GL_FRAMEBUFFER, target.id);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, pixels);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        for (int i = 0; i < w * h * 4; i++)
            if (!std::isfinite(pixels[i]) || pixels[i] < 0.0f) bad++;
    }
    UnloadRenderTexture(target);
    SceneShadersRelease(probe);
    SceneSetGraphicsQuality(saved);
    char line[160];
    snprintf(line, sizeof(line), "degenerate mudling slots in a float target: %d non-finite or negative values", bad);
    Report(counts, made && bad == 0, line);
}

// [SECTION] Entry

SceneCheckMudCounts SceneCheckMudDraw(SceneResources &resources, const SceneShaders &shaders)
{
    SceneCheckMudCounts counts{};
    SceneQuality saved = SceneGraphicsQuality();
    SceneSetGraphicsQuality({0, 2, 1, 2});
    CheckBunAtItsPixel(counts, resources, shaders);
    CheckClearedTile(counts, resources, shaders);
    CheckShadows(counts, resources, shaders);
    CheckWounds(counts, resources, shaders);
    CheckPatches(counts, resources, shaders);
    CheckMasksLoseNothing(counts, resources, shaders);
    CheckFinite(counts, resources);
    SceneSetGraphicsQuality(saved);
    return counts;
}
