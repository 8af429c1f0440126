// Terrain: upload of the two baked ground textures (needs the window's GL context).
#include "world/terrain.h"
#include "render/terrain_gpu.h"

#include <cstdlib>

bool TerrainTexturesCreate(TerrainTextures &textures)
{
    textures = {};
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "STARTUP: terrain textures need an open window");
        return false;
    }
    double start = GetTime();
    int threads = TerrainBakeThreadCount();

    float *heights = (float *)std::malloc(TERRAIN_HEIGHT_TEXELS * sizeof(float));
    if (!heights) {
        TraceLog(LOG_ERROR, "STARTUP: terrain height bake could not allocate %d x %d floats",
                 TERRAIN_HEIGHT_SIZE, TERRAIN_HEIGHT_SIZE);
        return false;
    }
    TerrainBakeHeights(heights, threads);
    Image heightImage = {heights, TERRAIN_HEIGHT_SIZE, TERRAIN_HEIGHT_SIZE, 1, PIXELFORMAT_UNCOMPRESSED_R32};
    textures.heights = LoadTextureFromImage(heightImage);
    std::free(heights);
    if (!IsTextureValid(textures.heights)) {
        TraceLog(LOG_ERROR, "STARTUP: terrain height texture could not be created");
        TerrainTexturesRelease(textures);
        return false;
    }
    SetTextureFilter(textures.heights, TEXTURE_FILTER_BILINEAR);
    SetTextureWrap(textures.heights, TEXTURE_WRAP_CLAMP);

    unsigned char *detail = (unsigned char *)std::malloc(TERRAIN_DETAIL_BYTES);
    if (!detail) {
        TraceLog(LOG_ERROR, "STARTUP: terrain detail bake could not allocate %d x %d texels",
                 TERRAIN_DETAIL_SIZE, TERRAIN_DETAIL_SIZE);
        TerrainTexturesRelease(textures);
        return false;
    }
    TerrainBakeDetail(detail, threads);
    Image detailImage = {detail, TERRAIN_DETAIL_SIZE, TERRAIN_DETAIL_SIZE, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8};
    textures.detail = LoadTextureFromImage(detailImage);
    std::free(detail);
    TraceLog(LOG_INFO, "STARTUP: terrain textures %.3f seconds", GetTime() - start);
    if (!IsTextureValid(textures.detail)) {
        TraceLog(LOG_ERROR, "STARTUP: terrain detail texture could not be created");
        TerrainTexturesRelease(textures);
        return false;
    }
    SetTextureFilter(textures.detail, TEXTURE_FILTER_BILINEAR);
    SetTextureWrap(textures.detail, TEXTURE_WRAP_MIRROR_REPEAT);
    return true;
}

void TerrainTexturesRelease(TerrainTextures &textures)
{
    if (textures.heights.id != 0) UnloadTexture(textures.heights);
    if (textures.detail.id != 0) UnloadTexture(textures.detail);
    textures = {};
}
