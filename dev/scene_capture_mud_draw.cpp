// Mudling render capture: fixed scenes of hand-packed creatures written as PNGs, and the frame
// time of crowds of them at 640 x 360.
//
// Index
//   [SECTION] Views
//   [SECTION] Scenes
//   [SECTION] Capture
#include "dev/scene_capture_mud.h"

#include "app/field_view.h"
#include "common/maths.h"
#include "dev/scene_mud_fixture.h"

#include "rlgl.h"
#include "external/glad.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// [SECTION] Views

static SceneMudFixture captureFixture;   // large: kept off the stack

// The camera snapped onto `look`, with the astronaut standing at `player`.
static SceneView MudView(Vector3 player, Vector3 look, float zoom, bool playerVisible)
{
    SceneView view{};
    view.camera.viewHeight = zoom;
    CameraFollow(view.camera, look, {0.0f, 0.0f, 0.0f}, 0.0f, true);
    view.playerPosition = player;
    view.playerYaw = 0.4f;
    view.playerVisible = playerVisible;
    Player standing{};
    PlayerReset(standing, player);
    view.pose = FieldScenePose(standing.pose);
    view.time = 12.0f;
    return view;
}

// Ground point seen at screen fraction (u, v) of a view of the given aspect.
static Vector2 GroundAt(const FollowCamera &c, float aspect, float u, float v)
{
    Vector3 o = Vector3Add(c.position, Vector3Scale(Vector3Add(Vector3Scale(c.right, (u - 0.5f) * aspect),
                                                                Vector3Scale(c.up, v - 0.5f)), c.viewHeight));
    float t = -o.y / c.forward.y;
    return {o.x + c.forward.x * t, o.z + c.forward.z * t};
}

// [SECTION] Scenes

enum MudScene { SCENE_FORMS, SCENE_CLOSE, SCENE_SPECIALS, SCENE_BIRTH, SCENE_DASH, SCENE_FUSION, SCENE_WOUNDS };

static void BuildScene(SceneMudFixture &f, MudScene scene)
{
    SceneMudFixtureReset(f, true);
    switch (scene) {
    case SCENE_FORMS:
        SceneMudFixtureBun(f, -3.2f, 0.4f, 1.0f, 0.9f, 4.1f);
        SceneMudFixtureBun(f, -1.6f, 1.6f, 2.0f, 0.2f, 17.3f);
        SceneMudFixtureBun(f, -0.2f, -0.6f, 3.0f, 1.3f, 29.0f);
        SceneMudFixtureWalker(f, 2.0f, 1.4f, 4.0f, 0.7f, 8.8f, 0.15f);
        SceneMudFixtureWalker(f, 3.6f, -1.6f, 6.0f, 1.1f, 33.3f, 0.6f);
        SceneMudFixtureGolem(f, -2.6f, -2.8f, 7.0f, 0.6f, 21.7f, 0.3f);
        SceneMudFixtureGolem(f, 1.2f, -4.2f, 9.0f, 0.9f, 44.0f, 0.8f);
        break;
    case SCENE_CLOSE:
        SceneMudFixtureWalker(f, -1.3f, 0.3f, 5.0f, 1.2f, 8.8f, 0.15f);
        SceneMudFixtureGolem(f, 1.4f, -0.6f, 8.0f, 0.9f, 21.7f, 0.6f);
        break;
    case SCENE_SPECIALS: {
        // A boss bun with a fresh bruise and a blade mark on the next one, a scorched bun, the
        // gatherer's glow under a hit flash, a roller and a puddle.
        int boss = SceneMudFixtureBun(f, -2.6f, 0.4f, 3.0f, 0.5f, 4.0f);
        f.a.mudBodies[boss].w = std::cbrt(3.0f) * 1.95f * 0.5f;
        f.a.mudBodies[boss].y += 0.4f;
        SceneMudFixtureMark(f, boss, {0.35f, 0.55f, 0.6f}, 1.0f, 0.5f, 0.0f, 1.0f);
        int blade = SceneMudFixtureBun(f, 0.4f, 1.6f, 3.0f, 0.2f, 9.0f);
        SceneMudFixtureMark(f, blade, {0.0f, 0.35f, 0.7f}, 2.0f, 1.0f, 0.0f, 1.0f);
        int scorch = SceneMudFixtureBun(f, 2.4f, 0.8f, 2.0f, 0.9f, 13.0f);
        SceneMudFixtureMark(f, scorch, {0.1f, 0.45f, 0.5f}, 3.0f, 0.05f, 0.0f, 0.0f);
        int gatherer = SceneMudFixtureBun(f, 0.0f, -1.2f, 2.0f, 0.4f, 17.0f);
        SceneMudFixtureMark(f, gatherer, {0.0f, 0.0f, 0.0f}, 0.0f, 0.1f, 0.15f, 2.0f);
        SceneMudFixtureRoller(f, 2.8f, -1.8f, 0.8f, 2.3f);
        SceneMudFixturePuddle(f, -2.4f, -2.2f, 0.6f);
        break;
    }
    case SCENE_BIRTH: {
        SceneMudFixtureBirth(f, -3.0f, 1.0f, -0.7f, 2.0f);
        SceneMudFixtureBirth(f, -1.4f, 1.6f, 0.12f, 7.0f);
        SceneMudFixtureBirth(f, 0.2f, 2.0f, 0.3f, 9.5f);
        SceneMudFixtureBirth(f, 1.8f, 1.4f, 0.45f, 13.0f);
        SceneMudFixtureCrater(f, 3.2f, 0.6f);
        int a = SceneMudFixtureBun(f, -2.0f, -1.4f, 1.0f, 0.5f, 3.3f);
        SceneMudFixtureLanding(f, a, 0.12f);
        int b = SceneMudFixtureBun(f, 0.6f, -1.2f, 2.0f, 1.5f, 19.9f);
        SceneMudFixtureLanding(f, b, 0.45f);
        int c = SceneMudFixtureBun(f, 2.8f, -1.8f, 1.0f, 2.5f, 27.1f);
        SceneMudFixtureLanding(f, c, 0.75f);
        break;
    }
    case SCENE_DASH: {
        int a = SceneMudFixtureBun(f, 0.0f, 0.0f, 2.0f, 0.0f, 6.6f);
        SceneMudFixtureDash(f, a, {-4.0f, 0.0f, 1.5f}, {3.5f, 0.0f, -0.5f}, 0.42f);
        int b = SceneMudFixtureBun(f, 0.0f, 0.0f, 1.0f, 0.0f, 14.2f);
        SceneMudFixtureDash(f, b, {-3.0f, 0.0f, -2.5f}, {2.5f, 0.0f, -3.2f}, 0.7f);
        SceneMudFixtureWalker(f, 3.0f, 2.2f, 5.0f, -0.9f, 10.1f, 0.4f);
        break;
    }
    case SCENE_FUSION:
        SceneMudFixtureFusion(f, -3.0f, 0.5f, 2.0f, 1.0f, 0.15f);
        SceneMudFixtureFusion(f, 0.0f, 0.5f, 2.0f, 1.0f, 0.5f);
        SceneMudFixtureFusion(f, 3.0f, 0.5f, 2.0f, 1.0f, 0.85f);
        break;
    case SCENE_WOUNDS: {
        int a = SceneMudFixtureBun(f, -3.0f, 1.2f, 3.0f, 0.6f, 12.0f);
        SceneMudFixtureCavity(f, a, 0, {0.25f, 0.55f, 0.45f}, 0.42f);
        int b = SceneMudFixtureBun(f, -0.6f, 1.6f, 3.0f, 0.6f, 24.0f);
        SceneMudFixtureCut(f, b, 1.0f, 0.4f, 0.25f);
        int w = SceneMudFixtureWalker(f, 2.2f, 1.8f, 5.0f, 0.5f, 31.0f, 0.2f);
        SceneMudFixtureCavity(f, w, 0, {0.2f, 0.25f, 0.3f}, 0.3f);
        int c = SceneMudFixtureCorpse(f, -2.4f, -1.6f, 3.0f, 0.3f, true, 1.0f, 0.3f);
        SceneMudFixtureChunk(f, c, 0, {-1.6f, 1.1f, -1.2f}, 0.26f);
        SceneMudFixtureCorpse(f, 0.4f, -1.6f, 3.0f, 0.85f, true, 0.2f, 1.0f);
        SceneMudFixtureCorpse(f, 3.0f, -1.4f, 2.0f, 0.55f, false, 0.0f, 0.0f);
        break;
    }
    }
}

static const struct {
    const char *name;
    MudScene scene;
    float zoom;
    int shadows;
} MUD_SHOTS[] = {
    {"mud-forms", SCENE_FORMS, 10.0f, 2},
    {"mud-forms-shadows-0", SCENE_FORMS, 10.0f, 0},
    {"mud-forms-shadows-1", SCENE_FORMS, 10.0f, 1},
    {"mud-close", SCENE_CLOSE, 5.5f, 2},
    {"mud-specials", SCENE_SPECIALS, 8.0f, 2},
    {"mud-birth", SCENE_BIRTH, 8.0f, 2},
    {"mud-dash", SCENE_DASH, 8.0f, 2},
    {"mud-fusion", SCENE_FUSION, 6.0f, 2},
    {"mud-wounds", SCENE_WOUNDS, 8.0f, 2},
};

// Creatures spread over a view: `buns` buns, `walkers` walkers and `golems` golems on a grid.
static void BuildCrowd(SceneMudFixture &f, const FollowCamera &camera, float aspect, int buns, int walkers, int golems)
{
    SceneMudFixtureReset(f, true);
    int total = buns + walkers + golems;
    int columns = (int)std::ceil(std::sqrt((float)total * aspect));
    int rows = total > 0 ? (total + columns - 1) / columns : 0;
    for (int i = 0; i < total; i++) {
        int col = i % columns, row = i / columns;
        float u = 0.08f + 0.84f * ((float)col + 0.5f + 0.2f * std::sin(1.7f * (float)i)) / (float)columns;
        float v = 0.1f + 0.8f * ((float)row + 0.5f + 0.2f * std::cos(2.3f * (float)i)) / (float)rows;
        Vector2 g = GroundAt(camera, aspect, u, v);
        float phase = 3.7f * (float)i + 1.3f;
        float yaw = 0.9f * (float)i;
        if (i < golems) SceneMudFixtureGolem(f, g.x, g.y, 7.0f + (float)(i % 3), yaw, phase, 0.13f * (float)i);
        else if (i < golems + walkers) SceneMudFixtureWalker(f, g.x, g.y, 4.0f + (float)(i % 3), yaw, phase, 0.21f * (float)i);
        else SceneMudFixtureBun(f, g.x, g.y, 1.0f + (float)(i % 3), yaw, phase);
    }
    SceneMudFixtureTiles(f, camera, aspect);
}

static int CompareFloat(const void *a, const void *b)
{
    float x = *(const float *)a, y = *(const float *)b;
    return (x > y) - (x < y);
}

static float Median(float *values, int n)
{
    qsort(values, (size_t)n, sizeof(float), CompareFloat);
    return values[n / 2];
}

// [SECTION] Capture

static bool Export(const SceneTarget &target, const char *name)
{
    char path[256];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    Image image = LoadImageFromTexture(target.texture.texture);
    if (!IsImageValid(image)) return false;
    ImageFlipVertical(&image);
    bool ok = ExportImage(image, path);
    UnloadImage(image);
    if (!ok) TraceLog(LOG_WARNING, "CAPTURE: could not write %s", path);
    return ok;
}

static const struct {
    const char *name;
    int buns, walkers, golems;
} CROWDS[] = {
    {"empty arena", 0, 0, 0}, {"12 buns", 12, 0, 0}, {"48 buns", 48, 0, 0},
    {"48 mixed (24 buns, 16 walkers, 8 golems)", 24, 16, 8}, {"12 golems", 0, 0, 12},
    {"combat: 45 mixed, 8 meteors, 8 blades", 23, 15, 7},
};
constexpr int CROWD_COMBAT = 5;   // the case that also carries the weapons
constexpr int CROWD_COUNT = sizeof(CROWDS) / sizeof(CROWDS[0]);
constexpr int CROWD_ROUNDS = 7;
static SceneMudFixture crowdFixtures[CROWD_COUNT];

int SceneCaptureMud(SceneResources &resources, const SceneShaders &shaders, const SceneGround &ground,
                    void (*weapons)(SceneView &view))
{
    if (MakeDirectory("artifacts") != 0) {
        TraceLog(LOG_ERROR, "CAPTURE: could not create artifacts/");
        return 1;
    }
    SceneQuality saved = SceneGraphicsQuality();
    const int width = 640, height = 360;
    const float aspect = (float)width / (float)height;
    int failures = 0;
    for (const auto &shot : MUD_SHOTS) {
        SceneSetGraphicsQuality({2, shot.shadows, 1, 2});
        SceneView view = MudView({6.5f, 0.0f, 4.0f}, {0.0f, 0.0f, 0.0f}, shot.zoom, true);
        BuildScene(captureFixture, shot.scene);
        SceneMudFixtureTiles(captureFixture, view.camera, aspect);
        SceneMudFixtureView(captureFixture, view);
        if (!SceneRender(resources, shaders, view, ground, width, height) || !Export(resources.target, shot.name)) failures++;
    }

    FILE *report = fopen("artifacts/capture-mud-render.txt", "w");
    if (!report) {
        SceneSetGraphicsQuality(saved);
        return 1;
    }
    fprintf(report, "renderer %s\n", (const char *)glGetString(GL_RENDERER));
    fprintf(report, "camera zoom 20 on the arena centre, %dx%d; crowds spread over the view on a grid\n", width, height);
    fprintf(report, "median of %d rounds, the cases interleaved in each round; each frame finished with glFinish;\n"
                    "cpu = process time of all threads (steadier than wall time on a shared machine)\n", CROWD_ROUNDS);
    static const SceneQuality presets[2] = {{2, 2, 1, 2}, {0, 1, 0, 0}};
    for (int p = 0; p < 2; p++) {
        SceneSetGraphicsQuality(presets[p]);
        SceneView views[CROWD_COUNT];
        for (int c = 0; c < CROWD_COUNT; c++) {
            views[c] = MudView({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 20.0f, true);
            BuildCrowd(crowdFixtures[c], views[c].camera, aspect, CROWDS[c].buns, CROWDS[c].walkers, CROWDS[c].golems);
            SceneMudFixtureView(crowdFixtures[c], views[c]);
            if (c == CROWD_COMBAT && weapons) weapons(views[c]);
            SceneRender(resources, shaders, views[c], ground, width, height);   // warm-up
            glFinish();
        }
        static float wall[CROWD_COUNT][CROWD_ROUNDS], cpu[CROWD_COUNT][CROWD_ROUNDS];
        for (int r = 0; r < CROWD_ROUNDS; r++) {
            for (int c = 0; c < CROWD_COUNT; c++) {
                double start = GetTime();
                clock_t cpuStart = clock();
                SceneRender(resources, shaders, views[c], ground, width, height);
                glFinish();
                wall[c][r] = (float)((GetTime() - start) * 1000.0);
                cpu[c][r] = (float)((double)(clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
            }
        }
        float empty = 0.0f;
        for (int c = 0; c < CROWD_COUNT; c++) {
            float cpuMs = Median(cpu[c], CROWD_ROUNDS), wallMs = Median(wall[c], CROWD_ROUNDS);
            if (c == 0) empty = cpuMs;
            fprintf(report, "quality %s, %-42s cpu %7.1f ms (x%.2f of the empty arena), wall %7.1f ms\n",
                    p == 0 ? "high" : "low ", CROWDS[c].name, cpuMs, cpuMs / std::fmax(empty, 1e-3f), wallMs);
            fflush(report);
        }
        if (p == 0) {
            SceneRender(resources, shaders, views[2], ground, width, height);
            if (!Export(resources.target, "mud-crowd-48")) failures++;
            SceneRender(resources, shaders, views[4], ground, width, height);
            if (!Export(resources.target, "mud-crowd-golems")) failures++;
            SceneRender(resources, shaders, views[CROWD_COMBAT], ground, width, height);
            if (!Export(resources.target, "mud-crowd-combat")) failures++;
        }
    }
    fprintf(report, "failures %d\n", failures);
    fclose(report);
    SceneSetGraphicsQuality(saved);
    return failures == 0 ? 0 : 1;
}
