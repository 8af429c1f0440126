// Soil: the `soilDeposits` texture, built once from the cells and brought up to date each frame
// by sending only the dirty blocks (needs the window's GL context).
#include "world/soil.h"
#include "render/soil_gpu.h"

Texture2D SoilBuildTexture(Soil &soil)
{
    if (!IsWindowReady()) {
        TraceLog(LOG_ERROR, "SOIL: the deposit texture needs an open window");
        return {};
    }
    if (!soil.cells) {
        TraceLog(LOG_ERROR, "SOIL: the deposit texture needs the deposit grids");
        return {};
    }
    Image image = {soil.cells, SOIL_SIZE, SOIL_SIZE, 1, PIXELFORMAT_UNCOMPRESSED_R32G32B32A32};
    Texture2D texture = LoadTextureFromImage(image);
    if (!IsTextureValid(texture)) {
        TraceLog(LOG_ERROR, "SOIL: the deposit texture could not be created");
        if (texture.id != 0) UnloadTexture(texture);
        return {};
    }
    SetTextureFilter(texture, TEXTURE_FILTER_BILINEAR);
    SetTextureWrap(texture, TEXTURE_WRAP_CLAMP);
    SoilMarkUploaded(soil);
    return texture;
}

bool SoilUpload(Soil &soil, Texture2D texture)
{
    if (!soil.cells || texture.id == 0 || texture.width != SOIL_SIZE || texture.height != SOIL_SIZE ||
        texture.format != PIXELFORMAT_UNCOMPRESSED_R32G32B32A32) return false;
    if (!soil.textureStale) return true;
    SoilUploadRect rects[SOIL_UPLOAD_RECT_CAPACITY];
    int count = SoilUploadPlan(soil.blockDirty, rects);
    for (int k = 0; k < count; ++k) {
        const SoilUploadRect &r = rects[k];
        if (r.width == SOIL_SIZE && r.height == SOIL_SIZE) {
            UpdateTexture(texture, soil.cells);
            continue;
        }
        Rectangle area = {(float)r.x, (float)r.y, (float)r.width, (float)r.height};
        // Full-width rows already lie contiguously in the cell array.
        if (r.width == SOIL_SIZE) {
            UpdateTextureRec(texture, area, soil.cells + (size_t)r.y * SOIL_SIZE);
        } else if (SoilStageRect(soil, r, soil.staging)) {
            UpdateTextureRec(texture, area, soil.staging);
        }
    }
    SoilMarkUploaded(soil);
    return true;
}

void SoilTextureRelease(Texture2D &texture)
{
    if (texture.id != 0) UnloadTexture(texture);
    texture = {};
}
