// Canyon rocks, GL half: the canyon program, the chunk meshes and the prepass draw.
#include "world/canyon.h"

#include "render/canyon_gpu.h"
#include "rlgl.h"
#include "raymath.h"

#include <cstdio>

static void FreeMeshArrays(Mesh &mesh)
{
    MemFree(mesh.vertices);
    MemFree(mesh.normals);
    MemFree(mesh.texcoords);
    MemFree(mesh.colors);
    mesh.vertices = mesh.normals = mesh.texcoords = nullptr;
    mesh.colors = nullptr;
}

// The program with its three required locations, or false (the shader is left in the record for
// CanyonFree either way).
static bool LoadProgram(Canyon &canyon)
{
    char vs[2048], fs[2048];
    snprintf(vs, sizeof(vs), "%sassets/shaders/canyon.vs", GetApplicationDirectory());
    snprintf(fs, sizeof(fs), "%sassets/shaders/canyon.fs", GetApplicationDirectory());
    canyon.shader = LoadShader(vs, fs);
    // A compile failure comes back as raylib's default program.
    if (!IsShaderValid(canyon.shader) || canyon.shader.id == rlGetShaderIdDefault()) return false;
    canyon.locCameraPosition = GetShaderLocation(canyon.shader, "cameraPosition");
    canyon.locCameraTarget = GetShaderLocation(canyon.shader, "cameraTarget");
    return canyon.locCameraPosition >= 0 && canyon.locCameraTarget >= 0 && canyon.shader.locs[SHADER_LOC_MATRIX_MVP] >= 0;
}

// Builds chunk i into its mesh and uploads it; the CPU copies go once the GPU has them.
static bool BuildMesh(Mesh &mesh, const CanyonChunkSpan *spans, int count, int i, CanyonBounds &bounds)
{
    mesh = {};
    mesh.vertexCount = CANYON_CHUNK_VERTICES;
    mesh.triangleCount = CANYON_CHUNK_TRIANGLES;
    mesh.vertices = (float *)MemAlloc(CANYON_CHUNK_VERTICES * 3 * sizeof(float));
    mesh.normals = (float *)MemAlloc(CANYON_CHUNK_VERTICES * 3 * sizeof(float));
    mesh.texcoords = (float *)MemAlloc(CANYON_CHUNK_VERTICES * 2 * sizeof(float));
    mesh.colors = (unsigned char *)MemAlloc(CANYON_CHUNK_VERTICES * 4);
    if (!mesh.vertices || !mesh.normals || !mesh.texcoords || !mesh.colors) return false;
    bounds = CanyonBuildChunk(spans, count, i, {mesh.vertices, mesh.normals, mesh.texcoords, mesh.colors});
    UploadMesh(&mesh, false);
    if (mesh.vaoId == 0) return false;
    FreeMeshArrays(mesh);
    return true;
}

bool CanyonInit(Canyon &canyon)
{
    CanyonFree(canyon);
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "Canyon: the rock renderer needs an open window.");
        return false;
    }
    if (!LoadProgram(canyon)) {
        TraceLog(LOG_ERROR, "Canyon shader compilation/link failed or required uniforms are missing.");
        CanyonFree(canyon);
        return false;
    }
    canyon.material = LoadMaterialDefault();
    if (!canyon.material.maps) {
        TraceLog(LOG_ERROR, "Canyon: the rock material could not be created.");
        CanyonFree(canyon);
        return false;
    }
    // From here the material owns the program: unloading it unloads the program, exactly once.
    canyon.material.shader = canyon.shader;
    canyon.shader = {};

    CanyonChunkSpan spans[CANYON_CHUNK_CAPACITY];
    int count = CanyonChunkSpans(spans, CANYON_CHUNK_CAPACITY);
    for (int i = 0; i < count; i++) {
        canyon.count = i + 1;   // CanyonFree releases this chunk's arrays too if it fails halfway
        if (!BuildMesh(canyon.meshes[i], spans, count, i, canyon.bounds[i])) {
            TraceLog(LOG_ERROR, "Canyon mesh allocation/upload failed at chunk %d.", i);
            CanyonFree(canyon);
            return false;
        }
    }
    canyon.ready = true;
    TraceLog(LOG_INFO, "Canyon: %d immutable rock chunks, %d triangles; per-view culling enabled.", count,
             count * CANYON_CHUNK_TRIANGLES);
    return true;
}

bool CanyonDraw(Canyon &canyon, const Camera3D &camera, int width, int height)
{
    int visible[CANYON_CHUNK_CAPACITY];
    int n = CanyonVisibleChunks(canyon, camera, width, height, visible, CANYON_CHUNK_CAPACITY);
    if (n == 0) return false;
    Shader shader = canyon.material.shader;
    SetShaderValue(shader, canyon.locCameraPosition, &camera.position, SHADER_UNIFORM_VEC3);
    SetShaderValue(shader, canyon.locCameraTarget, &camera.target, SHADER_UNIFORM_VEC3);
    rlDrawRenderBatchActive();
    // The rock is two-sided: its cells are seen from the arena and from the drop alike.
    rlDisableBackfaceCulling();
    rlEnableDepthTest();
    rlEnableDepthMask();
    for (int i = 0; i < n; i++) DrawMesh(canyon.meshes[visible[i]], canyon.material, MatrixIdentity());
    rlEnableBackfaceCulling();
    return true;
}

void CanyonFree(Canyon &canyon)
{
    for (Mesh &mesh : canyon.meshes) {
        if (mesh.vaoId != 0 || mesh.vboId) UnloadMesh(mesh);   // frees any CPU arrays as well
        else FreeMeshArrays(mesh);
    }
    if (canyon.material.maps) UnloadMaterial(canyon.material);   // and the program it carries
    // A program no material took over yet; raylib's default one is left alone by UnloadShader.
    if (canyon.shader.id != 0 || canyon.shader.locs) UnloadShader(canyon.shader);
    canyon = {};
}
