// The encyclopedia's specimen previews: the clay shader, its material and offscreen target, the
// uploaded specimen meshes, and the render of one turning specimen into a box.
//
// Index
//   [SECTION] Resources
//   [SECTION] Meshes
//   [SECTION] Preview
#include "frontend/specimen.h"

#include "frontend/encyclopedia.h"
#include "raymath.h"
#include "rlgl.h"

#include <cmath>
#include <cstdio>
#include <cstring>

static constexpr Vector3 CAMERA_EYE = {4.8f, 2.1f, 7.8f};
static constexpr float VIEW_HEIGHT = 3.8f;   // orthographic view height, units
static constexpr float MODEL_SIZE = 2.8f;    // the specimen's largest side after scaling

// [SECTION] Resources

static void ReleaseResources(SpecimenPreviews &v)
{
    if (IsRenderTextureValid(v.target)) UnloadRenderTexture(v.target);
    v.target = {};
    // The material owns the shader once it holds it.
    if (v.material.maps) {
        UnloadMaterial(v.material);
    } else if (v.shader.id != 0 && v.shader.id != rlGetShaderIdDefault()) {
        UnloadShader(v.shader);
    }
    v.material = {};
    v.shader = {};
    v.ready = false;
}

// The shader, its uniforms, the material and the target; the reason it failed, or null.
static const char *MakeResources(SpecimenPreviews &v, char *reason, size_t size)
{
    char vs[2048], fs[2048];
    const char *dir = GetApplicationDirectory();
    if (snprintf(vs, sizeof(vs), "%sassets/shaders/bestiary.vs", dir) >= (int)sizeof(vs) ||
        snprintf(fs, sizeof(fs), "%sassets/shaders/bestiary.fs", dir) >= (int)sizeof(fs))
        return "BESTIARY: Clay preview shader did not compile";
    v.shader = LoadShader(vs, fs);
    if (!IsShaderValid(v.shader) || v.shader.id == rlGetShaderIdDefault()) {
        v.shader = {};
        return "BESTIARY: Clay preview shader did not compile";
    }
    static const char *const NAMES[6] = {"matModel", "cameraEye", "headCenter", "headRadii", "golem", "hasEyes"};
    int locs[6];
    for (int i = 0; i < 6; i++) {
        locs[i] = GetShaderLocation(v.shader, NAMES[i]);
        if (locs[i] >= 0) continue;
        ReleaseResources(v);
        snprintf(reason, size, "BESTIARY: Missing shader uniform %s", NAMES[i]);
        return reason;
    }
    v.shader.locs[SHADER_LOC_MATRIX_MODEL] = locs[0];
    v.locCameraEye = locs[1];
    v.locHeadCenter = locs[2];
    v.locHeadRadii = locs[3];
    v.locGolem = locs[4];
    v.locHasEyes = locs[5];
    v.material = LoadMaterialDefault();
    v.material.shader = v.shader;
    v.target = LoadRenderTexture(SPECIMEN_PREVIEW_WIDTH, SPECIMEN_PREVIEW_HEIGHT);
    if (!IsRenderTextureValid(v.target)) {
        ReleaseResources(v);
        return "BESTIARY: Clay preview target could not be made";
    }
    SetTextureFilter(v.target.texture, TEXTURE_FILTER_BILINEAR);
    v.ready = true;
    return nullptr;
}

// The resources under their retry rule: one log line for however many failures.
static bool EnsureResources(SpecimenPreviews &v)
{
    if (v.ready) return true;
    if (!SpecimenGateMayTry(v.gate)) return false;
    char reason[160];
    const char *failure = MakeResources(v, reason, sizeof(reason));
    if (!failure) {
        v.gate.ready = 1;
        return true;
    }
    if (SpecimenGateFailed(v.gate)) TraceLog(LOG_ERROR, "%s", failure);
    return false;
}

// [SECTION] Meshes

// Builds specimen k and uploads it as a static mesh; its CPU arrays are not kept.
static bool EnsureMesh(SpecimenPreviews &v, int k)
{
    if (v.meshGate[k].ready) return true;
    SpecimenMesh m{};
    if (!SpecimenBuildKindGated(k, v.meshGate[k], m)) return false;
    Mesh mesh{};
    mesh.vertexCount = m.vertexCount;
    mesh.triangleCount = m.vertexCount / 3;
    unsigned int bytes = (unsigned int)m.vertexCount * 3u * sizeof(float);
    mesh.vertices = (float *)MemAlloc(bytes);
    mesh.normals = (float *)MemAlloc(bytes);
    mesh.texcoords = (float *)MemAlloc((unsigned int)m.vertexCount * 2u * sizeof(float));   // zeroed
    bool ok = mesh.vertices && mesh.normals && mesh.texcoords;
    if (ok) {
        memcpy(mesh.vertices, m.positions, bytes);
        memcpy(mesh.normals, m.normals, bytes);
        UploadMesh(&mesh, false);
        ok = mesh.vaoId != 0;
    }
    int triangles = m.vertexCount / 3;
    SpecimenMesh shape = m;
    shape.positions = shape.normals = nullptr;
    shape.capacity = 0;
    SpecimenMeshFree(m);
    if (!ok) {
        UnloadMesh(mesh);
        if (SpecimenGateFailed(v.meshGate[k])) TraceLog(LOG_ERROR, "BESTIARY: Specimen %d could not be uploaded", k);
        return false;
    }
    // The GPU has its copy; the RAM one would only sit there.
    MemFree(mesh.vertices);
    MemFree(mesh.normals);
    MemFree(mesh.texcoords);
    mesh.vertices = mesh.normals = mesh.texcoords = nullptr;
    v.mesh[k] = mesh;
    v.shape[k] = shape;
    v.meshGate[k].ready = 1;
    TraceLog(LOG_INFO, "BESTIARY: Cached implicit specimen %d (%d triangles)", k, triangles);
    return true;
}

bool SpecimenPreviewsCreate(SpecimenPreviews &v)
{
    bool all = EnsureResources(v);
    for (int k = 0; k < SPECIMEN_COUNT; k++) all = EnsureMesh(v, k) && all;
    return all;
}

void SpecimenPreviewsRelease(SpecimenPreviews &v)
{
    ReleaseResources(v);
    for (int k = 0; k < SPECIMEN_COUNT; k++) {
        if (v.mesh[k].vaoId != 0) UnloadMesh(v.mesh[k]);
        v.mesh[k] = {};
    }
    v = SpecimenPreviews{};
}

void SpecimenPreviewsBeginFrame(SpecimenPreviews &v) { v.buildBudget = 1; }

// [SECTION] Preview

void SpecimenPreviewDraw(SpecimenPreviews &v, int entry, bool discovered, Rectangle box, float time, const Rectangle *clip)
{
    if (!(box.width >= 1.0f) || !(box.height >= 1.0f) || entry < 0 || entry >= ENCYCLOPEDIA_ENTRY_COUNT) return;
    if (!EnsureResources(v)) return;
    int k = EncyclopediaSpecimenFor(entry, discovered);
    if (!v.meshGate[k].ready) {
        // One build per frame at most: a frame never waits for several specimens.
        if (v.buildBudget <= 0 || !SpecimenGateMayTry(v.meshGate[k])) return;
        v.buildBudget -= 1;
        if (!EnsureMesh(v, k)) return;
    }
    const SpecimenMesh &shape = v.shape[k];
    if (!(shape.largestSide > 0.0f)) return;

    rlDrawRenderBatchActive();
    if (clip) EndScissorMode();
    BeginTextureMode(v.target);
    ClearBackground(BLANK);
    Camera3D camera{};
    camera.position = CAMERA_EYE;
    camera.target = {0.0f, 0.0f, 0.0f};
    camera.up = {0.0f, 1.0f, 0.0f};
    camera.fovy = VIEW_HEIGHT;
    camera.projection = CAMERA_ORTHOGRAPHIC;
    BeginMode3D(camera);
    float t = std::isfinite(time) ? time : 0.0f;
    float scale = MODEL_SIZE / shape.largestSide;
    Matrix model = MatrixMultiply(MatrixMultiply(MatrixTranslate(-shape.centre.x, -shape.centre.y, -shape.centre.z),
                                                 MatrixScale(scale, scale, scale)),
                                  MatrixRotateY(0.48f * t - 0.3f));
    SetShaderValue(v.shader, v.locCameraEye, &CAMERA_EYE, SHADER_UNIFORM_VEC3);
    SetShaderValue(v.shader, v.locHeadCenter, &shape.headCenter, SHADER_UNIFORM_VEC3);
    SetShaderValue(v.shader, v.locHeadRadii, &shape.headRadii, SHADER_UNIFORM_VEC3);
    SetShaderValue(v.shader, v.locGolem, &shape.golem, SHADER_UNIFORM_FLOAT);
    SetShaderValue(v.shader, v.locHasEyes, &shape.hasEyes, SHADER_UNIFORM_FLOAT);
    DrawMesh(v.mesh[k], v.material, model);
    EndMode3D();
    EndTextureMode();
    if (clip) BeginScissorMode((int)clip->x, (int)clip->y, (int)clip->width, (int)clip->height);

    float fit = std::fmin(box.width / (float)SPECIMEN_PREVIEW_WIDTH, box.height / (float)SPECIMEN_PREVIEW_HEIGHT);
    float w = fit * (float)SPECIMEN_PREVIEW_WIDTH, h = fit * (float)SPECIMEN_PREVIEW_HEIGHT;
    Rectangle dest = {box.x + 0.5f * (box.width - w), box.y + 0.5f * (box.height - h), w, h};
    // Render textures are stored upside down.
    Rectangle source = {0.0f, 0.0f, (float)SPECIMEN_PREVIEW_WIDTH, -(float)SPECIMEN_PREVIEW_HEIGHT};
    DrawTexturePro(v.target.texture, source, dest, {0.0f, 0.0f}, 0.0f, WHITE);
    rlDrawRenderBatchActive();
}
