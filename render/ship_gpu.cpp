// Ship renderer, GL half: shader and mesh lifetime, the prepass and the effect pass.
//
// Index
//   [SECTION] Create and release
//   [SECTION] Drawing
#include "render/ship.h"

#include "rlgl.h"
#include "raymath.h"

#include <cstdio>

// [SECTION] Create and release

static const char *const SHIP_INIT_ERROR = "Ship shader compilation/link, required uniforms, or immutable mesh upload failed.";

static void FreeMeshArrays(Mesh &mesh)
{
    MemFree(mesh.vertices);
    MemFree(mesh.normals);
    MemFree(mesh.texcoords);
    MemFree(mesh.colors);
    mesh = {};
}

static void ReleaseMesh(Mesh &mesh)
{
    // UnloadMesh also frees the CPU arrays; without GPU buffers only those exist.
    if (mesh.vaoId != 0 || mesh.vboId != nullptr) {
        UnloadMesh(mesh);
        mesh = {};
    } else {
        FreeMeshArrays(mesh);
    }
}

// Builds one mesh into raylib-owned arrays and uploads it; false unless it has a vertex array.
static bool MakeMesh(Mesh &mesh, int capacity, bool (*build)(ShipMeshBuffer &))
{
    mesh = {};
    mesh.vertices = (float *)MemAlloc((unsigned int)(sizeof(float) * 3 * capacity));
    mesh.normals = (float *)MemAlloc((unsigned int)(sizeof(float) * 3 * capacity));
    mesh.texcoords = (float *)MemAlloc((unsigned int)(sizeof(float) * 2 * capacity));
    mesh.colors = (unsigned char *)MemAlloc((unsigned int)(4 * capacity));
    if (!mesh.vertices || !mesh.normals || !mesh.texcoords || !mesh.colors) return false;
    ShipMeshBuffer buffer = {mesh.vertices, mesh.normals, mesh.texcoords, mesh.colors, capacity, 0, false};
    if (!build(buffer) || buffer.count <= 0) return false;
    mesh.vertexCount = buffer.count;
    mesh.triangleCount = buffer.count / 3;
    UploadMesh(&mesh, false);
    // UploadMesh reports nothing: a mesh without a vertex array was not uploaded.
    return mesh.vaoId != 0 && mesh.vboId != nullptr && mesh.vboId[0] != 0;
}

void ShipRendererRelease(ShipRenderer &renderer)
{
    ReleaseMesh(renderer.hull);
    ReleaseMesh(renderer.crystal);
    ReleaseMesh(renderer.quad);
    // UnloadMaterial unloads the ship shader with it; the shader is never unloaded on its own.
    if (renderer.material.maps != nullptr) UnloadMaterial(renderer.material);
    renderer = {};
}

bool ShipRendererCreate(ShipRenderer &renderer)
{
    ShipRendererRelease(renderer);
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "%s", SHIP_INIT_ERROR);
        return false;
    }
    char vs[2048], fs[2048];
    snprintf(vs, sizeof(vs), "%sassets/shaders/ship.vs", GetApplicationDirectory());
    snprintf(fs, sizeof(fs), "%sassets/shaders/ship.fs", GetApplicationDirectory());
    Shader shader = LoadShader(vs, fs);
    // From here the material owns the shader, whatever happens next.
    renderer.material = LoadMaterialDefault();
    renderer.material.shader = shader;

    bool ok = IsShaderValid(shader) && shader.id != rlGetShaderIdDefault();
    if (ok) {
        renderer.locCameraPosition = GetShaderLocation(shader, "cameraPosition");
        renderer.locCameraTarget = GetShaderLocation(shader, "cameraTarget");
        renderer.locEffectMode = GetShaderLocation(shader, "effectMode");
        renderer.locEffectTint = GetShaderLocation(shader, "effectTint");
        renderer.locEffectSeed = GetShaderLocation(shader, "effectSeed");
        ok = renderer.locCameraPosition >= 0 && renderer.locCameraTarget >= 0 && renderer.locEffectMode >= 0 &&
             renderer.locEffectTint >= 0 && renderer.locEffectSeed >= 0 && shader.locs[SHADER_LOC_MATRIX_MVP] >= 0 &&
             shader.locs[SHADER_LOC_MATRIX_MODEL] >= 0;
    }
    ok = ok && MakeMesh(renderer.hull, SHIP_HULL_VERTEX_LIMIT, ShipBuildHull);
    ok = ok && MakeMesh(renderer.crystal, SHIP_CRYSTAL_TRIANGLES * 3, ShipBuildCrystal);
    ok = ok && MakeMesh(renderer.quad, 6, ShipBuildQuad);
    if (!ok) {
        TraceLog(LOG_ERROR, "%s", SHIP_INIT_ERROR);
        ShipRendererRelease(renderer);
        return false;
    }
    renderer.hullTriangles = renderer.hull.triangleCount;
    renderer.ready = true;
    TraceLog(LOG_INFO, "Ship: %d procedural hull triangles; shared astronaut palette and scene depth.", renderer.hullTriangles);
    return true;
}

// [SECTION] Drawing

bool ShipNeedsPrepass(const ShipRenderer &renderer, const ShipView &ship, const FollowCamera &camera, int width, int height)
{
    return renderer.ready && ShipPlanFrame(ship, camera, width, height).prepass;
}

static void SetCameraUniforms(const ShipRenderer &r, const FollowCamera &camera)
{
    Shader s = r.material.shader;
    SetShaderValue(s, r.locCameraPosition, &camera.position, SHADER_UNIFORM_VEC3);
    SetShaderValue(s, r.locCameraTarget, &camera.target, SHADER_UNIFORM_VEC3);
}

static void SetEffect(const ShipRenderer &r, int mode, Vector4 tint, float seed)
{
    Shader s = r.material.shader;
    SetShaderValue(s, r.locEffectMode, &mode, SHADER_UNIFORM_INT);
    SetShaderValue(s, r.locEffectTint, &tint, SHADER_UNIFORM_VEC4);
    SetShaderValue(s, r.locEffectSeed, &seed, SHADER_UNIFORM_FLOAT);
}

void ShipDrawPrepass(const ShipRenderer &renderer, const ShipView &ship, const FollowCamera &camera, int width, int height)
{
    if (!renderer.ready) return;
    ShipFramePlan plan = ShipPlanFrame(ship, camera, width, height);
    if (!plan.prepass) return;
    rlDrawRenderBatchActive();
    SetCameraUniforms(renderer, camera);
    SetEffect(renderer, 0, {1.0f, 1.0f, 1.0f, 1.0f}, 0.0f);
    rlDisableBackfaceCulling();
    rlEnableDepthMask();
    if (plan.hull) DrawMesh(renderer.hull, renderer.material, MatrixTranslate(plan.hullOrigin.x, plan.hullOrigin.y, plan.hullOrigin.z));
    if (plan.crystal) {
        float s = plan.crystalScale;
        Matrix m = MatrixMultiply(MatrixMultiply(MatrixScale(s, s, s), MatrixRotateY(plan.crystalAngle)),
                                  MatrixTranslate(plan.crystalOrigin.x, plan.crystalOrigin.y, plan.crystalOrigin.z));
        DrawMesh(renderer.crystal, renderer.material, m);
    }
    rlEnableBackfaceCulling();
}

// The quad's model matrix: its x and y axes scaled, their cross product as z, the centre as translation.
static Matrix BillboardMatrix(const ShipBillboard &b)
{
    Vector3 z = Vector3CrossProduct(b.axisX, b.axisY);
    Matrix m{};
    m.m0 = b.axisX.x, m.m1 = b.axisX.y, m.m2 = b.axisX.z;
    m.m4 = b.axisY.x, m.m5 = b.axisY.y, m.m6 = b.axisY.z;
    m.m8 = z.x, m.m9 = z.y, m.m10 = z.z;
    m.m12 = b.centre.x, m.m13 = b.centre.y, m.m14 = b.centre.z;
    m.m15 = 1.0f;
    return m;
}

void ShipDrawEffects(const ShipRenderer &renderer, const ShipView &ship, const FollowCamera &camera, int width, int height)
{
    if (!renderer.ready) return;
    ShipFramePlan plan = ShipPlanFrame(ship, camera, width, height);
    if (plan.billboardCount == 0) return;
    rlDrawRenderBatchActive();
    SetCameraUniforms(renderer, camera);
    rlDisableBackfaceCulling();
    // Depth-tested against the world, but the effects never hide one another.
    rlDisableDepthMask();
    bool additive = false;
    BeginBlendMode(BLEND_ALPHA);
    for (int i = 0; i < plan.billboardCount; i++) {
        const ShipBillboard &b = plan.billboards[i];
        if (b.additive != additive) {
            additive = b.additive;
            EndBlendMode();
            BeginBlendMode(additive ? BLEND_ADDITIVE : BLEND_ALPHA);
        }
        SetEffect(renderer, b.mode, b.tint, b.seed);
        DrawMesh(renderer.quad, renderer.material, BillboardMatrix(b));
    }
    EndBlendMode();
    rlEnableDepthMask();
    rlEnableBackfaceCulling();
}
