// The soil's ground texture and its partial uploads; needs the window's GL context.
#pragma once

#include "world/soil.h"

// GPU. Creates the 1024 x 1024 RGBA32F `soilDeposits` texture from the cells (bilinear, clamp)
// and marks it up to date. An invalid texture and one error line if there is no window, the
// record is not created or the upload fails.
Texture2D SoilBuildTexture(Soil &soil);
// GPU. Sends the dirty blocks (SoilUploadPlan) to `texture`, through the record's staging buffer,
// then marks them uploaded. False, with nothing sent and the flags kept, if the record is not
// created or the texture is not the soil texture.
bool SoilUpload(Soil &soil, Texture2D texture);
// GPU. Unloads the texture if it exists and empties the handle; safe twice.
void SoilTextureRelease(Texture2D &texture);
