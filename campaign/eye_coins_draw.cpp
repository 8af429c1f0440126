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
#include "campaign/eye_coins_draw.h"

#include "common/maths.h"
#include "player/hud.h"

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

// One eye as the shader sees it.
struct EyeInstance {
    float x, y, z, size;     // centre (glow: on the ground), radius
    float sx, sz, alpha, pad;// horizontal lens scales, alpha multiplier
};
static_assert(sizeof(ShapeVertex) == 16 && sizeof(EyeInstance) == 32, "vertex layouts");

constexpr int GLOW_VERTICES = EYE_COINS_GLOW_SEGMENTS * 3;
constexpr int SHAPE_VERTICES = EYE_COINS_BODY_VERTICES + GLOW_VERTICES;
constexpr int CHUNK = 1024;  // eyes per upload

static ShapeVertex shapes[SHAPE_VERTICES];   // the lens, then the glow fan; built on first use
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

// Appends a triangle turned to face along `outward` (culling keeps only front faces).
static void Triangle(int &n, ShapeVertex a, ShapeVertex b, ShapeVertex c, Vector3 outward)
{
    Vector3 u = {b.x - a.x, b.y - a.y, b.z - a.z}, v = {c.x - a.x, c.y - a.y, c.z - a.z};
    bool flip = Vector3DotProduct(Vector3CrossProduct(u, v), outward) < 0.0f;
    shapes[n++] = a;
    shapes[n++] = flip ? c : b;
    shapes[n++] = flip ? b : c;
}

static void BuildShapes()
{
    if (shapesBuilt) return;
    int n = 0;
    constexpr int RINGS = 6, SEGMENTS = 12;
    for (int i = 0; i < RINGS; i++) {
        float t0 = PI * (float)i / RINGS, t1 = PI * (float)(i + 1) / RINGS;
        for (int j = 0; j < SEGMENTS; j++) {
            float p0 = 2.0f * PI * (float)j / SEGMENTS, p1 = 2.0f * PI * (float)(j + 1) / SEGMENTS;
            ShapeVertex a = LensVertex(t0, p0), b = LensVertex(t1, p0), c = LensVertex(t1, p1), d = LensVertex(t0, p1);
            float tm = 0.5f * (t0 + t1), pm = 0.5f * (p0 + p1);
            Vector3 out = {std::sin(tm) * std::cos(pm), std::cos(tm), std::sin(tm) * std::sin(pm)};
            Triangle(n, a, b, c, out);
            Triangle(n, a, c, d, out);
        }
    }
    ShapeVertex centre = {0.0f, 0.0f, 0.0f, 255, 169, 27, 255};
    for (int j = 0; j < EYE_COINS_GLOW_SEGMENTS; j++) {
        float p0 = 2.0f * PI * (float)j / EYE_COINS_GLOW_SEGMENTS, p1 = 2.0f * PI * (float)(j + 1) / EYE_COINS_GLOW_SEGMENTS;
        ShapeVertex a = {3.0f * std::cos(p0), 0.0f, 3.0f * std::sin(p0), 255, 142, 9, 0};
        ShapeVertex b = {3.0f * std::cos(p1), 0.0f, 3.0f * std::sin(p1), 255, 142, 9, 0};
        Triangle(n, centre, a, b, {0.0f, 1.0f, 0.0f});
    }
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
    unsigned int vertexArray, shapeBuffer, instanceBuffer;
};
static EyeGpu gpu{};

static bool GpuReady() { return gpu.program != 0 && gpu.vertexArray != 0; }

void EyeCoinsDrawRelease()
{
    if (gpu.instanceBuffer != 0) glDeleteBuffers(1, &gpu.instanceBuffer);
    if (gpu.shapeBuffer != 0) glDeleteBuffers(1, &gpu.shapeBuffer);
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
    glGenBuffers(1, &gpu.instanceBuffer);
    if (gpu.vertexArray == 0 || gpu.shapeBuffer == 0 || gpu.instanceBuffer == 0) {
        TraceLog(LOG_WARNING, "EYES: instance buffers unavailable; eyes drawn through the batch");
        EyeCoinsDrawRelease();
        gpu.tried = true;
        return;
    }
    glBindVertexArray(gpu.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, gpu.shapeBuffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)sizeof(shapes), shapes, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(ShapeVertex), (const void *)offsetof(ShapeVertex, x));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ShapeVertex), (const void *)offsetof(ShapeVertex, r));
    glBindBuffer(GL_ARRAY_BUFFER, gpu.instanceBuffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(sizeof(EyeInstance) * CHUNK), nullptr, GL_STREAM_DRAW);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(EyeInstance), (const void *)offsetof(EyeInstance, x));
    glVertexAttribDivisor(2, 1);
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, sizeof(EyeInstance), (const void *)offsetof(EyeInstance, sx));
    glVertexAttribDivisor(3, 1);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// [SECTION] Eyes

// One chunk of instances drawn with the shape range [first, first + count).
static void DrawChunk(const EyeInstance *instances, int n, int first, int count)
{
    if (n <= 0) return;
    if (GpuReady()) {
        glBindBuffer(GL_ARRAY_BUFFER, gpu.instanceBuffer);
        glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(sizeof(EyeInstance) * CHUNK), nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)(sizeof(EyeInstance) * (size_t)n), instances);
        glDrawArraysInstanced(GL_TRIANGLES, first, count, n);
        return;
    }
    // The same shapes through the batch.
    rlBegin(RL_TRIANGLES);
    for (int i = 0; i < n; i++) {
        const EyeInstance &e = instances[i];
        for (int v = first; v < first + count; v++) {
            const ShapeVertex &s = shapes[v];
            rlColor4ub(s.r, s.g, s.b, (unsigned char)((float)s.a * e.alpha));
            rlVertex3f(e.x + e.size * s.x * e.sx, e.y + e.size * s.y, e.z + e.size * s.z * e.sz);
        }
    }
    rlEnd();
}

// Fills chunks of visible eyes (glow: the ones not being pulled in) and draws each when full.
static void DrawPass(const EyeCoins &state, const FollowCamera &camera, float aspect, bool glow)
{
    static EyeInstance chunk[CHUNK];
    int n = 0;
    int first = glow ? EYE_COINS_BODY_VERTICES : 0;
    int count = glow ? GLOW_VERTICES : EYE_COINS_BODY_VERTICES;
    for (uint64_t i = 0; i < state.count; i++) {
        const EyeCoin &e = state.items[i];
        if ((glow && e.attracted) || !EyeCoinsVisible(e, camera, aspect)) continue;
        EyeInstance &out = chunk[n++];
        if (glow) {
            out = {e.position.x, e.groundHeight + EYE_COINS_GLOW_LIFT, e.position.z, e.size, 1.0f, 1.0f,
                   (float)EyeCoinsGlowAlpha(state, e) / 255.0f, 0.0f};
        } else {
            bool large = e.value >= 2;
            out = {e.position.x, e.position.y, e.position.z, e.size, large ? 1.15f : 1.0f, large ? 0.72f : 1.0f, 1.0f, 0.0f};
        }
        if (n == CHUNK) {
            DrawChunk(chunk, n, first, count);
            n = 0;
        }
    }
    DrawChunk(chunk, n, first, count);
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
    float size = 21.0f;
    Vector2 measured = MeasureTextEx(hudFont, text, size, 1.0f);
    if (measured.x > 65.0f) {
        size *= 65.0f / measured.x;
        measured = MeasureTextEx(hudFont, text, size, 1.0f);
    }
    float flash = ClampSafe(state.flash, 0.0f, 1.0f);
    Vector2 icon = {anchor.x - (measured.x + 23.0f) * 0.5f + 6.0f, anchor.y};
    DrawCircleV(icon, flash * 3.0f + 8.0f, {255, 181, 36, (unsigned char)((flash * 0.25f + 0.15f) * 255.0f)});
    DrawCircleV(icon, 5.7f, {127, 65, 12, 255});
    DrawCircleV({icon.x, icon.y - 0.8f}, 4.6f, {255, 196, 61, 255});
    DrawCircleV({icon.x - 1.0f, icon.y - 2.0f}, 1.9f, {255, 246, 174, 255});
    Vector2 at = {icon.x + 14.0f, anchor.y - 2.0f - measured.y * 0.5f};
    DrawTextEx(hudFont, text, {at.x + 1.0f, at.y + 1.0f}, size, 1.0f, {26, 21, 15, 230});
    DrawTextEx(hudFont, text, at, size, 1.0f, {255, 224, 159, 195});
}
