// Eye coins on screen. A thousand eyes of 432 vertices each are too many for the immediate-mode
// batch, so the shapes live in one static buffer and each eye is one 32-byte instance: the
// glow discs and the lenses are two instanced draws per chunk of eyes. Where the program or
// buffers cannot be made, the same shapes go through the batch instead.
//
// Index
//   [SECTION] Shapes
//   [SECTION] GPU objects
//   [SECTION] Eyes
//   [SECTION] Counter
#include "hud/eye_coins_draw.h"

#include "common/maths.h"
#include "hud/hud_draw.h"

#include "rlgl.h"
#include "external/glad.h"

#include <cmath>
#include <cstddef>
#include <cstdio>

// [SECTION] Shapes

struct ShapeVertex {
    float x, y, z;           // unit shape: the lens before the eye's size and (sx, sz)
    unsigned char r, g, b, a;
};

static_assert(sizeof(ShapeVertex) == 16, "shape vertex layout");

constexpr int RINGS = 6, SEGMENTS = 12;                     // the lens's latitude-longitude grid
constexpr int LENS_POINTS = (RINGS + 1) * (SEGMENTS + 1);
constexpr int GLOW_POINTS = 1 + EYE_COINS_GLOW_SEGMENTS;
constexpr int GLOW_CORNERS = EYE_COINS_GLOW_SEGMENTS * 3;
constexpr int SHAPE_POINTS = LENS_POINTS + GLOW_POINTS;
constexpr int SHAPE_CORNERS = EYE_COINS_BODY_VERTICES + GLOW_CORNERS;
constexpr int CHUNK = 1024;  // eyes per upload

// The lens's 432 triangle corners and the glow fan's 36 share 104 points: indexed, each point
// is transformed once per eye instead of up to six times. Built on first use.
static ShapeVertex shapePoints[SHAPE_POINTS];
static unsigned short shapeCorners[SHAPE_CORNERS];
static bool shapesBuilt = false;

static ShapeVertex LensVertex(float theta, float phi)
{
    Vector3 n = {std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
    Vector3 light = Vector3Normalize({-0.3f, 1.0f, 0.45f});
    float t = ClampSafe(Vector3DotProduct(n, light), 0.0f, 1.0f);
    float s = std::pow(t, 18.0f);
    return {n.x, n.y * 0.58f, n.z, (unsigned char)(183.0f + 60.0f * t + 12.0f * s),
            (unsigned char)(92.0f + 95.0f * t + 63.0f * s), (unsigned char)(12.0f + 20.0f * t + 146.0f * s), 255};
}

// Appends a triangle of three points turned to face along `outward` (culling keeps only front
// faces).
static void Triangle(int &n, int a, int b, int c, Vector3 outward)
{
    const ShapeVertex &pa = shapePoints[a], &pb = shapePoints[b], &pc = shapePoints[c];
    Vector3 u = {pb.x - pa.x, pb.y - pa.y, pb.z - pa.z}, v = {pc.x - pa.x, pc.y - pa.y, pc.z - pa.z};
    bool flip = Vector3DotProduct(Vector3CrossProduct(u, v), outward) < 0.0f;
    shapeCorners[n++] = (unsigned short)a;
    shapeCorners[n++] = (unsigned short)(flip ? c : b);
    shapeCorners[n++] = (unsigned short)(flip ? b : c);
}

static void BuildShapes()
{
    if (shapesBuilt) return;
    for (int i = 0; i <= RINGS; i++)
        for (int j = 0; j <= SEGMENTS; j++)
            shapePoints[i * (SEGMENTS + 1) + j] = LensVertex(PI * (float)i / RINGS, 2.0f * PI * (float)j / SEGMENTS);
    int n = 0;
    for (int i = 0; i < RINGS; i++) {
        for (int j = 0; j < SEGMENTS; j++) {
            int a = i * (SEGMENTS + 1) + j, b = a + SEGMENTS + 1, c = b + 1, d = a + 1;
            float tm = PI * ((float)i + 0.5f) / RINGS, pm = 2.0f * PI * ((float)j + 0.5f) / SEGMENTS;
            Vector3 out = {std::sin(tm) * std::cos(pm), std::cos(tm), std::sin(tm) * std::sin(pm)};
            Triangle(n, a, b, c, out);
            Triangle(n, a, c, d, out);
        }
    }
    shapePoints[LENS_POINTS] = {0.0f, 0.0f, 0.0f, 255, 169, 27, 255};
    for (int j = 0; j < EYE_COINS_GLOW_SEGMENTS; j++) {
        float p = 2.0f * PI * (float)j / EYE_COINS_GLOW_SEGMENTS;
        shapePoints[LENS_POINTS + 1 + j] = {3.0f * std::cos(p), 0.0f, 3.0f * std::sin(p), 255, 142, 9, 0};
    }
    for (int j = 0; j < EYE_COINS_GLOW_SEGMENTS; j++)
        Triangle(n, LENS_POINTS, LENS_POINTS + 1 + j, LENS_POINTS + 1 + (j + 1) % EYE_COINS_GLOW_SEGMENTS, {0.0f, 1.0f, 0.0f});
    shapesBuilt = true;
}

// [SECTION] GPU objects

static const char *const EYE_VS = R"(#version 330
layout(location = 0) in vec3 shapePosition;
layout(location = 1) in vec4 shapeColor;
layout(location = 2) in vec4 place;
layout(location = 3) in vec4 look;
uniform mat4 mvp;
out vec4 color;
void main()
{
    vec3 p = place.xyz + place.w * vec3(shapePosition.x * look.x, shapePosition.y, shapePosition.z * look.y);
    color = vec4(shapeColor.rgb, shapeColor.a * look.z);
    gl_Position = mvp * vec4(p, 1.0);
}
)";

static const char *const EYE_FS = R"(#version 330
in vec4 color;
out vec4 finalColor;
void main() { finalColor = color; }
)";

struct EyeGpu {
    bool tried;              // creation was attempted (once)
    unsigned int program;
    int locMvp;
    unsigned int vertexArray, shapeBuffer, cornerBuffer, instanceBuffer;
};
static EyeGpu gpu{};

static bool GpuReady() { return gpu.program != 0 && gpu.vertexArray != 0 && !eyeCoinsDrawThroughBatch; }

void EyeCoinsDrawRelease()
{
    if (gpu.instanceBuffer != 0) glDeleteBuffers(1, &gpu.instanceBuffer);
    if (gpu.shapeBuffer != 0) glDeleteBuffers(1, &gpu.shapeBuffer);
    if (gpu.cornerBuffer != 0) glDeleteBuffers(1, &gpu.cornerBuffer);
    if (gpu.vertexArray != 0) glDeleteVertexArrays(1, &gpu.vertexArray);
    if (gpu.program != 0) rlUnloadShaderProgram(gpu.program);
    gpu = {};
}

static void GpuCreate()
{
    if (gpu.tried) return;
    gpu.tried = true;
    BuildShapes();
    unsigned int program = rlLoadShaderProgram(EYE_VS, EYE_FS);
    if (program == 0 || program == rlGetShaderIdDefault()) {
        TraceLog(LOG_WARNING, "EYES: instanced program unavailable; eyes drawn through the batch");
        return;
    }
    gpu.program = program;
    gpu.locMvp = rlGetLocationUniform(program, "mvp");
    glGenVertexArrays(1, &gpu.vertexArray);
    glGenBuffers(1, &gpu.shapeBuffer);
    glGenBuffers(1, &gpu.cornerBuffer);
    glGenBuffers(1, &gpu.instanceBuffer);
    if (gpu.vertexArray == 0 || gpu.shapeBuffer == 0 || gpu.cornerBuffer == 0 || gpu.instanceBuffer == 0) {
        TraceLog(LOG_WARNING, "EYES: instance buffers unavailable; eyes drawn through the batch");
        EyeCoinsDrawRelease();
        gpu.tried = true;
        return;
    }
    glBindVertexArray(gpu.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, gpu.shapeBuffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)sizeof(shapePoints), shapePoints, GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.cornerBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)sizeof(shapeCorners), shapeCorners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(ShapeVertex), (const void *)offsetof(ShapeVertex, x));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ShapeVertex), (const void *)offsetof(ShapeVertex, r));
    glBindBuffer(GL_ARRAY_BUFFER, gpu.instanceBuffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(sizeof(EyeCoinsInstance) * CHUNK), nullptr, GL_STREAM_DRAW);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(EyeCoinsInstance), (const void *)offsetof(EyeCoinsInstance, centre));
    glVertexAttribDivisor(2, 1);
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, sizeof(EyeCoinsInstance), (const void *)offsetof(EyeCoinsInstance, sx));
    glVertexAttribDivisor(3, 1);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// [SECTION] Eyes

// One chunk of instances drawn with the corners [first, first + count) of the shapes.
static void DrawChunk(const EyeCoinsInstance *instances, int n, int first, int count)
{
    if (n <= 0) return;
    if (GpuReady()) {
        glBindBuffer(GL_ARRAY_BUFFER, gpu.instanceBuffer);
        glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(sizeof(EyeCoinsInstance) * CHUNK), nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)(sizeof(EyeCoinsInstance) * (size_t)n), instances);
        glDrawElementsInstanced(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, (const void *)(sizeof(unsigned short) * (size_t)first), n);
        return;
    }
    // The same shapes through the batch.
    rlBegin(RL_TRIANGLES);
    for (int i = 0; i < n; i++) {
        const EyeCoinsInstance &e = instances[i];
        for (int v = first; v < first + count; v++) {
            const ShapeVertex &s = shapePoints[shapeCorners[v]];
            rlColor4ub(s.r, s.g, s.b, (unsigned char)((float)s.a * e.alpha));
            rlVertex3f(e.centre.x + e.size * s.x * e.sx, e.centre.y + e.size * s.y, e.centre.z + e.size * s.z * e.sz);
        }
    }
    rlEnd();
}

// The visible eyes of one pass, a chunk at a time (glow: the ones not being pulled in).
static void DrawPass(const EyeCoins &state, const FollowCamera &camera, float aspect, bool glow)
{
    static EyeCoinsInstance chunk[CHUNK];
    int first = glow ? EYE_COINS_BODY_VERTICES : 0;
    int count = glow ? GLOW_CORNERS : EYE_COINS_BODY_VERTICES;
    uint64_t cursor = 0;
    while (cursor < state.count) DrawChunk(chunk, EyeCoinsGather(state, camera, aspect, glow, cursor, chunk, CHUNK), first, count);
}

void EyeCoinsDraw(const EyeCoins &state, const FollowCamera &camera, int screenWidth, int screenHeight)
{
    if (state.count == 0 || !state.items || screenWidth <= 0 || screenHeight <= 0) return;
    GpuCreate();
    BuildShapes();
    float aspect = (float)screenWidth / (float)screenHeight;
    // The glow blends its colour but leaves the target's alpha alone: the scene image is
    // presented over black, and a lowered alpha would darken the glow instead.
    rlSetBlendFactorsSeparate(RL_SRC_ALPHA, RL_ONE_MINUS_SRC_ALPHA, RL_ZERO, RL_ONE, RL_FUNC_ADD, RL_FUNC_ADD);
    rlSetBlendMode(RL_BLEND_CUSTOM_SEPARATE);
    rlDrawRenderBatchActive();
    bool instanced = GpuReady();
    if (instanced) {
        Matrix mvp = MatrixMultiply(rlGetMatrixModelview(), rlGetMatrixProjection());
        float16 m = MatrixToFloatV(mvp);
        glUseProgram(gpu.program);
        glUniformMatrix4fv(gpu.locMvp, 1, GL_FALSE, m.v);
        glBindVertexArray(gpu.vertexArray);
    }
    // Glow first without depth writes, so discs never hide the lenses or each other.
    glDepthMask(GL_FALSE);
    DrawPass(state, camera, aspect, true);
    if (!instanced) rlDrawRenderBatchActive();
    glDepthMask(GL_TRUE);
    DrawPass(state, camera, aspect, false);
    if (instanced) {
        glBindVertexArray(0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glUseProgram(rlGetShaderIdDefault());
    }
    rlSetBlendMode(RL_BLEND_ALPHA);
}

// [SECTION] Counter

void EyeCoinsDrawCounter(const EyeCoins &state, Vector2 anchor)
{
    char text[32];
    snprintf(text, sizeof(text), "%llu", (unsigned long long)state.levelIncome);
    // Spacing shrinks with the size, so the text's width scales exactly.
    float size = 21.0f, spacing = 1.0f;
    Vector2 measured = MeasureTextEx(hudFont, text, size, spacing);
    if (measured.x > 65.0f) {
        float shrink = 65.0f / measured.x;
        size *= shrink;
        spacing *= shrink;
        measured = MeasureTextEx(hudFont, text, size, spacing);
    }
    float flash = ClampSafe(state.flash, 0.0f, 1.0f);
    Vector2 icon = {anchor.x - (measured.x + 23.0f) * 0.5f + 6.0f, anchor.y};
    DrawCircleV(icon, flash * 3.0f + 8.0f, {255, 181, 36, (unsigned char)((flash * 0.25f + 0.15f) * 255.0f)});
    DrawCircleV(icon, 5.7f, {127, 65, 12, 255});
    DrawCircleV({icon.x, icon.y - 0.8f}, 4.6f, {255, 196, 61, 255});
    DrawCircleV({icon.x - 1.0f, icon.y - 2.0f}, 1.9f, {255, 246, 174, 255});
    Vector2 at = {icon.x + 14.0f, anchor.y - 2.0f - measured.y * 0.5f};
    DrawTextEx(hudFont, text, {at.x + 1.0f, at.y + 1.0f}, size, spacing, {26, 21, 15, 230});
    DrawTextEx(hudFont, text, at, size, spacing, {255, 224, 159, 195});
}
