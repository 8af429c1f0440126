#include "player/hud.h"

Font hudFont = {};
static Shader hudShader = {};
static int hudOpacityLoc = -1;

static const char *const HUD_FS =
    "#version 330\nin vec2 fragTexCoord; in vec4 fragColor; out vec4 finalColor;\n"
    "uniform sampler2D texture0; uniform vec4 colDiffuse; uniform float hudOpacity;\n"
    "void main(){ finalColor=texture(texture0,fragTexCoord)*colDiffuse*fragColor; finalColor.a*=hudOpacity; }\n";

int HudFontCodepoints(int out[HUD_CODEPOINT_COUNT])
{
    int n = 0;
    for (int c = 32; c <= 126; c++) out[n++] = c;
    for (int c = 1024; c <= 1119; c++) out[n++] = c;
    out[n++] = 8212;
    out[n++] = 8211;
    out[n++] = 215;
    return n;
}

bool HudLoad(const char *fontPath)
{
    int codepoints[HUD_CODEPOINT_COUNT];
    int count = HudFontCodepoints(codepoints);
    hudFont = LoadFontEx(fontPath, HUD_FONT_SIZE, codepoints, count);
    // raylib falls back to its default font when loading fails.
    if (!IsFontValid(hudFont) || hudFont.texture.id == GetFontDefault().texture.id) {
        TraceLog(LOG_ERROR, "Could not load the binding font: %s", fontPath);
        hudFont = {};
        return false;
    }
    SetTextureFilter(hudFont.texture, TEXTURE_FILTER_BILINEAR);

    hudShader = LoadShaderFromMemory(nullptr, HUD_FS);
    hudOpacityLoc = IsShaderValid(hudShader) ? GetShaderLocation(hudShader, "hudOpacity") : -1;
    if (!IsShaderValid(hudShader) || hudOpacityLoc < 0) {
        TraceLog(LOG_ERROR, "Player HUD opacity shader failed to compile or lost its uniform.");
        HudUnload();
        return false;
    }
    return true;
}

void HudUnload()
{
    if (hudFont.texture.id != 0 && hudFont.texture.id != GetFontDefault().texture.id) UnloadFont(hudFont);
    if (hudShader.id != 0 && IsShaderValid(hudShader)) UnloadShader(hudShader);
    hudFont = {};
    hudShader = {};
    hudOpacityLoc = -1;
}

void HudBegin(float opacity)
{
    float o = opacity < 0.0f ? 0.0f : (opacity > 1.0f ? 1.0f : opacity);
    if (hudOpacityLoc >= 0) SetShaderValue(hudShader, hudOpacityLoc, &o, SHADER_UNIFORM_FLOAT);
    BeginShaderMode(hudShader);
}

void HudEnd() { EndShaderMode(); }
