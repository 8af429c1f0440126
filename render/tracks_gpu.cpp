// Ground tracks, GL half: the two colour-only targets, the painter and the operations the CPU
// half orders.
//
// The marks' pieces are thinner than a texel in places (tread bars and rails are 0.7 texels
// wide), so sampling them at texel centres makes a print's weight depend on its angle by up to a
// fifth. Each triangle is therefore drawn as its texel box, and the fragment program adds the
// exact share of the texel square the triangle covers: prints weigh the same at any angle and a
// print split between two surfaces adds up to the whole.
//
// Index
//   [SECTION] Targets
//   [SECTION] Painter
//   [SECTION] Operations
//   [SECTION] Create and free
#include "world/tracks.h"

#include "render/tracks_gpu.h"
#include "rlgl.h"

#include "external/glad.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

// [SECTION] Targets

// A colour-only render target: the marks need no depth (16 MiB saved on the window).
static bool LoadColorTarget(int size, RenderTexture2D &out)
{
    RenderTexture2D t{};
    t.id = rlLoadFramebuffer();
    if (t.id != 0) {
        t.texture.id = rlLoadTexture(nullptr, size, size, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8, 1);
        t.texture = {t.texture.id, size, size, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8};
    }
    if (t.id != 0 && t.texture.id != 0)
        rlFramebufferAttach(t.id, t.texture.id, RL_ATTACHMENT_COLOR_CHANNEL0, RL_ATTACHMENT_TEXTURE2D, 0);
    if (t.id == 0 || t.texture.id == 0 || !rlFramebufferComplete(t.id)) {
        TraceLog(LOG_ERROR, "TRACKS: Incomplete color framebuffer");
        if (t.id != 0) UnloadRenderTexture(t);
        else if (t.texture.id != 0) rlUnloadTexture(t.texture.id);
        return false;
    }
    out = t;
    return true;
}

// [SECTION] Painter

// Texel space: x along world x, y along world z, both from the surface's corner, one unit per
// texel; texture-mode drawing puts y = 0 at the texture's last row.
static const char *const PAINT_VS = R"(#version 330
layout(location = 0) in vec2 position;
layout(location = 1) in vec4 cornersAB;
layout(location = 2) in vec2 cornerC;
layout(location = 3) in vec4 colour;
uniform vec2 surfaceSize;
flat out vec2 a;
flat out vec2 b;
flat out vec2 c;
flat out vec4 tint;
void main()
{
    a = cornersAB.xy;
    b = cornersAB.zw;
    c = cornerC;
    tint = colour;
    gl_Position = vec4(position.x / surfaceSize.x * 2.0 - 1.0, 1.0 - position.y / surfaceSize.y * 2.0, 0.0, 1.0);
}
)";

static const char *const PAINT_FS = R"(#version 330
flat in vec2 a;
flat in vec2 b;
flat in vec2 c;
flat in vec4 tint;
uniform vec2 surfaceSize;
out vec4 finalColor;

float cross2(vec2 u, vec2 v) { return u.x * v.y - u.y * v.x; }

// Area of the unit texel square around p inside the triangle: the square clipped by the three
// edges' half-planes (at most 7 corners), then the shoelace formula.
float coverage(vec2 p)
{
    float orient = sign(cross2(b - a, c - a));
    if (orient == 0.0) return 0.0;
    vec2 poly[8];
    vec2 next[8];
    int n = 4;
    poly[0] = p + vec2(-0.5, -0.5);
    poly[1] = p + vec2(0.5, -0.5);
    poly[2] = p + vec2(0.5, 0.5);
    poly[3] = p + vec2(-0.5, 0.5);
    vec2 corners[3] = vec2[3](a, b, c);
    for (int e = 0; e < 3; e++) {
        vec2 u = corners[e];
        vec2 edge = corners[(e + 1) % 3] - u;
        int m = 0;
        for (int i = 0; i < 8; i++) {
            if (i >= n) break;
            vec2 P = poly[i];
            vec2 Q = poly[(i + 1) % n];
            float fp = orient * cross2(edge, P - u);
            float fq = orient * cross2(edge, Q - u);
            if (fp >= 0.0) next[m++] = P;
            if ((fp >= 0.0) != (fq >= 0.0)) next[m++] = mix(P, Q, fp / (fp - fq));
        }
        n = m;
        if (n == 0) return 0.0;
        for (int i = 0; i < 8; i++) poly[i] = next[i];
    }
    float twice = 0.0;
    for (int i = 0; i < 8; i++) {
        if (i >= n) break;
        twice += cross2(poly[i], poly[(i + 1) % n]);
    }
    return clamp(0.5 * abs(twice), 0.0, 1.0);
}

void main()
{
    vec2 p = vec2(gl_FragCoord.x, surfaceSize.y - gl_FragCoord.y);
    float share = coverage(p);
    if (share <= 0.0) discard;
    finalColor = vec4(tint.rgb, tint.a * share);
}
)";

struct PaintVertex {
    float x, y;                        // texel-space corner of the triangle's box
    float ax, ay, bx, by, cx, cy;      // the triangle, texel space
    unsigned char r, g, b, a;
};

static_assert(sizeof(PaintVertex) == 36 && offsetof(PaintVertex, ax) == 8 && offsetof(PaintVertex, cx) == 24 &&
                  offsetof(PaintVertex, r) == 32,
              "the vertex attributes below read this layout");

constexpr int PAINT_CAPACITY = 6 * 4096;   // vertices per batch: 4096 triangle boxes

static bool PainterCreate(TrackPainter &painter)
{
    painter = {};
    painter.program = rlLoadShaderProgram(PAINT_VS, PAINT_FS);
    if (painter.program == 0 || painter.program == rlGetShaderIdDefault()) {
        painter.program = 0;
        TraceLog(LOG_ERROR, "TRACKS: The ground-track paint program did not compile");
        return false;
    }
    painter.locSurfaceSize = rlGetLocationUniform(painter.program, "surfaceSize");
    painter.vertices = std::malloc(sizeof(PaintVertex) * PAINT_CAPACITY);
    painter.capacity = PAINT_CAPACITY;
    glGenVertexArrays(1, &painter.vertexArray);
    glGenBuffers(1, &painter.vertexBuffer);
    if (painter.locSurfaceSize < 0 || !painter.vertices || painter.vertexArray == 0 || painter.vertexBuffer == 0) {
        TraceLog(LOG_ERROR, "TRACKS: The ground-track painter could not be created");
        return false;
    }
    glBindVertexArray(painter.vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, painter.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(sizeof(PaintVertex) * PAINT_CAPACITY), nullptr, GL_STREAM_DRAW);
    const GLsizei stride = (GLsizei)sizeof(PaintVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, (const void *)offsetof(PaintVertex, x));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, (const void *)offsetof(PaintVertex, ax));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, (const void *)offsetof(PaintVertex, cx));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, (const void *)offsetof(PaintVertex, r));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return true;
}

static void PainterFree(TrackPainter &painter)
{
    if (painter.vertexBuffer != 0) glDeleteBuffers(1, &painter.vertexBuffer);
    if (painter.vertexArray != 0) glDeleteVertexArrays(1, &painter.vertexArray);
    if (painter.program != 0) rlUnloadShaderProgram(painter.program);
    std::free(painter.vertices);
    painter = {};
}

static void PainterFlush(TrackPainter &painter, int count)
{
    if (count <= 0) return;
    glBindBuffer(GL_ARRAY_BUFFER, painter.vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)(sizeof(PaintVertex) * (size_t)count), painter.vertices);
    glDrawArrays(GL_TRIANGLES, 0, count);
}

// The listed stamps into the bound surface of `size` texels, `origin` at its corner.
static void PainterDraw(TrackAtlas &atlas, const TrackGpuOp &op, float size)
{
    TrackPainter &painter = atlas.painter;
    PaintVertex *out = (PaintVertex *)painter.vertices;
    const float scale = (float)TRACK_TEXELS_PER_METRE;
    glUseProgram(painter.program);
    glUniform2f(painter.locSurfaceSize, size, size);
    glBindVertexArray(painter.vertexArray);
    int n = 0;
    Vector2 v[TRACK_SHAPE_MAX_VERTICES];
    for (int s = 0; s < op.stampCount; s++) {
        const TrackStamp &stamp = atlas.stamps[op.stamps[s]];
        int pieces = TrackStampShapeCount(stamp);
        for (int p = 0; p < pieces; p++) {
            TrackShape shape = TrackStampShape(stamp, p);
            int count = TrackShapeTriangles(shape, v);
            for (int t = 0; t + 2 < count; t += 3) {
                Vector2 a = {(v[t].x - op.origin.x) * scale, (v[t].y - op.origin.y) * scale};
                Vector2 b = {(v[t + 1].x - op.origin.x) * scale, (v[t + 1].y - op.origin.y) * scale};
                Vector2 c = {(v[t + 2].x - op.origin.x) * scale, (v[t + 2].y - op.origin.y) * scale};
                // Every texel whose square the triangle touches, within the surface.
                float x0 = std::fmax(std::floor(std::fmin(a.x, std::fmin(b.x, c.x))) - 1.0f, 0.0f);
                float y0 = std::fmax(std::floor(std::fmin(a.y, std::fmin(b.y, c.y))) - 1.0f, 0.0f);
                float x1 = std::fmin(std::ceil(std::fmax(a.x, std::fmax(b.x, c.x))) + 1.0f, size);
                float y1 = std::fmin(std::ceil(std::fmax(a.y, std::fmax(b.y, c.y))) + 1.0f, size);
                if (!(x0 < x1 && y0 < y1)) continue;   // outside the surface (or not finite)
                if (n + 6 > painter.capacity) {
                    PainterFlush(painter, n);
                    n = 0;
                }
                const float box[6][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}};
                for (const auto &corner : box)
                    out[n++] = {corner[0], corner[1], a.x, a.y, b.x, b.y, c.x, c.y, shape.red, shape.green, 0, shape.alpha};
            }
        }
    }
    PainterFlush(painter, n);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(0);
}

// [SECTION] Operations

// Block (column, row) of a surface in GL coordinates: rows counted from the texture's first row,
// which texture-mode drawing puts at the surface's far (+z) edge.
static void BlockOrigin(const RenderTexture2D &target, int column, int row, int &x, int &y)
{
    x = column * TRACK_TILE_TEXELS;
    y = target.texture.height - (row + 1) * TRACK_TILE_TEXELS;
}

static bool TrackGpuExecute(TrackAtlas &atlas, const TrackGpuOp &op)
{
    RenderTexture2D &target = op.surface == TRACK_SURFACE_WINDOW ? atlas.window : atlas.store.scratch;
    if (target.id == 0) return false;
    int x = 0, y = 0;
    switch (op.kind) {
    case TRACK_GPU_CLEAR:
        BeginTextureMode(target);
        ClearBackground(BLACK);
        EndTextureMode();
        return true;
    case TRACK_GPU_DRAW:
        if (op.stampCount <= 0 || atlas.painter.program == 0) return true;
        BeginTextureMode(target);
        BeginBlendMode(BLEND_ADDITIVE);   // colour x alpha added: channels only rise and saturate
        rlDrawRenderBatchActive();
        rlDisableBackfaceCulling();
        PainterDraw(atlas, op, (float)target.texture.width);
        rlEnableBackfaceCulling();
        EndBlendMode();
        EndTextureMode();
        return true;
    case TRACK_GPU_READ: {
        if (!atlas.store.buffer) return false;
        BlockOrigin(target, op.column, op.row, x, y);
        rlDrawRenderBatchActive();
        while (glGetError() != GL_NO_ERROR) {
        }
        glBindFramebuffer(GL_FRAMEBUFFER, target.id);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, TRACK_TILE_TEXELS, TRACK_TILE_TEXELS, GL_RGBA, GL_UNSIGNED_BYTE, atlas.store.buffer);
        GLenum error = glGetError();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return error == GL_NO_ERROR;
    }
    case TRACK_GPU_WRITE:
        if (!atlas.store.buffer) return false;
        BlockOrigin(target, op.column, op.row, x, y);
        rlUpdateTexture(target.texture.id, x, y, TRACK_TILE_TEXELS, TRACK_TILE_TEXELS, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8,
                        atlas.store.buffer);
        return true;
    }
    return false;
}

// [SECTION] Create and free

bool TrackAtlasCreate(TrackAtlas &atlas)
{
    TrackAtlasFree(atlas);
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "TRACKS: The ground-track atlas needs an open window");
        return false;
    }
    if (!LoadColorTarget(TRACK_WINDOW_TEXELS, atlas.window) || !LoadColorTarget(TRACK_TILE_TEXELS, atlas.store.scratch) ||
        !PainterCreate(atlas.painter) || !TrackAtlasAttach(atlas, TrackGpuExecute)) {
        TrackAtlasFree(atlas);
        return false;
    }
    SetTextureFilter(atlas.window.texture, TEXTURE_FILTER_BILINEAR);
    SetTextureWrap(atlas.window.texture, TEXTURE_WRAP_CLAMP);
    TrackAtlasReset(atlas);
    return true;
}

void TrackAtlasFree(TrackAtlas &atlas)
{
    if (atlas.window.id != 0) UnloadRenderTexture(atlas.window);
    if (atlas.store.scratch.id != 0) UnloadRenderTexture(atlas.store.scratch);
    PainterFree(atlas.painter);
    TrackAtlasDetach(atlas);
    atlas = {};
}
