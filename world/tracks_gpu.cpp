// Ground tracks, GL half: the two colour-only targets and the operations the CPU half orders.
#include "world/tracks.h"

#include "rlgl.h"

#include "external/glad.h"

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

// One stamp's pieces as triangles in the surface's texel space.
static void DrawStamp(const TrackStamp &stamp, Vector2 origin)
{
    Vector2 vertices[TRACK_SHAPE_MAX_VERTICES];
    const float scale = (float)TRACK_TEXELS_PER_METRE;
    int pieces = TrackStampShapeCount(stamp);
    for (int p = 0; p < pieces; p++) {
        TrackShape shape = TrackStampShape(stamp, p);
        int n = TrackShapeTriangles(shape, vertices);
        rlCheckRenderBatchLimit(n);
        rlBegin(RL_TRIANGLES);
        rlColor4ub(shape.red, shape.green, 0, shape.alpha);
        for (int i = 0; i < n; i++) rlVertex2f((vertices[i].x - origin.x) * scale, (vertices[i].y - origin.y) * scale);
        rlEnd();
    }
}

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
        if (op.stampCount <= 0) return true;
        BeginTextureMode(target);
        BeginBlendMode(BLEND_ADDITIVE);
        rlDisableBackfaceCulling();   // mirrored frames turn some pieces around
        for (int i = 0; i < op.stampCount; i++) DrawStamp(atlas.stamps[op.stamps[i]], op.origin);
        rlDrawRenderBatchActive();
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

bool TrackAtlasCreate(TrackAtlas &atlas)
{
    TrackAtlasFree(atlas);
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "TRACKS: The ground-track atlas needs an open window");
        return false;
    }
    if (!LoadColorTarget(TRACK_WINDOW_TEXELS, atlas.window) || !LoadColorTarget(TRACK_TILE_TEXELS, atlas.store.scratch) ||
        !TrackAtlasAttach(atlas, TrackGpuExecute)) {
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
    TrackAtlasDetach(atlas);
    atlas = {};
}
