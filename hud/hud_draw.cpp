// Player HUD: resources and drawing.
//
// Index
//   [SECTION] Resources
//   [SECTION] Drawing helpers
//   [SECTION] Key glyphs
//   [SECTION] Binding cluster
//   [SECTION] Hearts
//   [SECTION] Level clock
//   [SECTION] HUD
#include "hud/hud_draw.h"
#include "hud/eye_coins_draw.h"
#include "raymath.h"

#include "rlgl.h"

#include <cmath>

// [SECTION] Resources

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
    float o = !(opacity > 0.0f) ? 0.0f : (opacity > 1.0f ? 1.0f : opacity);
    if (hudOpacityLoc >= 0) SetShaderValue(hudShader, hudOpacityLoc, &o, SHADER_UNIFORM_FLOAT);
    BeginShaderMode(hudShader);
}

void HudEnd() { EndShaderMode(); }

// [SECTION] Drawing helpers


static Color Faded(Color c, float share)
{
    float a = (float)c.a * (share < 0.0f ? 0.0f : (share > 1.0f ? 1.0f : share));
    return {c.r, c.g, c.b, (unsigned char)std::lround(a)};
}


// A triangle with a colour per corner, in whatever winding: the order is fixed here so the
// back-face culling of rlgl never drops it.
static void Tri(Vector2 a, Color ca, Vector2 b, Color cb, Vector2 c, Color cc)
{
    float cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (cross > 0.0f) {
        Vector2 v = b;
        b = c;
        c = v;
        Color k = cb;
        cb = cc;
        cc = k;
    }
    rlBegin(RL_TRIANGLES);
    rlColor4ub(ca.r, ca.g, ca.b, ca.a);
    rlVertex2f(a.x, a.y);
    rlColor4ub(cb.r, cb.g, cb.b, cb.a);
    rlVertex2f(b.x, b.y);
    rlColor4ub(cc.r, cc.g, cc.b, cc.a);
    rlVertex2f(c.x, c.y);
    rlEnd();
}

static void Tri(Vector2 a, Vector2 b, Vector2 c, Color color) { Tri(a, color, b, color, c, color); }

// A closed outline with mitred corners, so translucent strokes do not double up at the joins.
static void OutlineClosed(const Vector2 *p, int n, float thick, Color color)
{
    constexpr int CAPACITY = 16;
    if (n < 3 || n > CAPACITY) return;
    Vector2 offset[CAPACITY];
    for (int i = 0; i < n; i++) {
        Vector2 prev = p[(i + n - 1) % n], here = p[i], next = p[(i + 1) % n];
        Vector2 e1 = {here.x - prev.x, here.y - prev.y}, e2 = {next.x - here.x, next.y - here.y};
        float l1 = std::sqrt(e1.x * e1.x + e1.y * e1.y), l2 = std::sqrt(e2.x * e2.x + e2.y * e2.y);
        Vector2 n1 = l1 > 0.0f ? Vector2{-e1.y / l1, e1.x / l1} : Vector2{0.0f, 0.0f};
        Vector2 n2 = l2 > 0.0f ? Vector2{-e2.y / l2, e2.x / l2} : Vector2{0.0f, 0.0f};
        Vector2 m = Vector2Add(n1, n2);
        float lm = std::sqrt(m.x * m.x + m.y * m.y);
        m = lm > 0.0f ? Vector2Scale(m, 1.0f / lm) : n1;
        // Sharp corners would throw long spikes; their mitre is capped at 2.5 half-widths.
        float cosine = std::fmax(m.x * n1.x + m.y * n1.y, 0.4f);
        offset[i] = Vector2Scale(m, 0.5f * thick / cosine);
    }
    for (int i = 0; i < n; i++) {
        int j = (i + 1) % n;
        Vector2 a0 = Vector2Add(p[i], offset[i]), a1 = Vector2Add(p[i], Vector2Scale(offset[i], -1.0f));
        Vector2 b0 = Vector2Add(p[j], offset[j]), b1 = Vector2Add(p[j], Vector2Scale(offset[j], -1.0f));
        Tri(a0, a1, b1, color);
        Tri(a0, b1, b0, color);
    }
}

// Draws one codepoint of the interface font centred on its visible ink, not its line box.
static void GlyphCentred(int codepoint, Vector2 centre, float size, Color color)
{
    if (hudFont.glyphs == nullptr || hudFont.recs == nullptr || hudFont.baseSize <= 0) return;
    int index = GetGlyphIndex(hudFont, codepoint);
    float scale = size / (float)hudFont.baseSize;
    Rectangle rec = hudFont.recs[index];
    GlyphInfo glyph = hudFont.glyphs[index];
    Vector2 at = {centre.x - ((float)glyph.offsetX + 0.5f * rec.width) * scale,
                  centre.y - ((float)glyph.offsetY + 0.5f * rec.height) * scale};
    DrawTextCodepoint(hudFont, codepoint, at, size, color);
}

// [SECTION] Key glyphs

static constexpr Color GLYPH_SHADOW = {17, 22, 23, 255};

// A key as the player's device shows it: its letter, or the gamepad's D-pad direction or face.
static void DrawKey(int key, Vector2 c, float size, Color color, bool gamepad)
{
    static const char LETTERS[BINDINGS_KEY_COUNT + 1] = "WASDJK";
    if (key < 0 || key >= BINDINGS_KEY_COUNT) return;
    float shadowShare = 0.8f * (float)color.a / 255.0f;
    if (!gamepad) {
        GlyphCentred(LETTERS[key], {c.x, c.y + 1.0f}, size, Faded(GLYPH_SHADOW, shadowShare));
        GlyphCentred(LETTERS[key], c, size, color);
        return;
    }
    if (key == BINDINGS_KEY_J || key == BINDINGS_KEY_K) {
        bool j = key == BINDINGS_KEY_J;
        float alpha = (float)color.a / 255.0f;
        Color face = j ? Color{144, 244, 159, 255} : Color{255, 146, 141, 255};
        Color ink = j ? Color{22, 58, 34, 255} : Color{74, 22, 24, 255};
        float r = 0.38f * size;
        DrawCircleV({c.x, c.y + 1.0f}, r + 0.5f, Faded(GLYPH_SHADOW, shadowShare));
        DrawCircleV(c, r, Faded(face, alpha));
        GlyphCentred(j ? 'A' : 'B', c, 0.56f * size, Faded(ink, alpha));
        return;
    }
    Vector2 d = key == BINDINGS_KEY_W ? Vector2{0.0f, -1.0f}
              : key == BINDINGS_KEY_S ? Vector2{0.0f, 1.0f}
              : key == BINDINGS_KEY_A ? Vector2{-1.0f, 0.0f}
                                      : Vector2{1.0f, 0.0f};
    Vector2 p = {d.y, -d.x};
    float t = 0.3f * size;
    for (int pass = 0; pass < 2; pass++) {
        Vector2 o = pass == 0 ? Vector2{c.x, c.y + 1.0f} : c;
        Color k = pass == 0 ? Faded(GLYPH_SHADOW, shadowShare) : color;
        Tri(Vector2Add(o, Vector2Scale(d, t)), Vector2Add(o, Vector2Add(Vector2Scale(d, -0.72f * t), Vector2Scale(p, 0.95f * t))),
            Vector2Add(o, Vector2Add(Vector2Scale(d, -0.72f * t), Vector2Scale(p, -0.95f * t))), k);
    }
}

// A slot's key, sliding out and in while an exchange animation runs.
static void DrawSlotKey(const Bindings &b, int slot, Vector2 c, Color normal, bool gamepad)
{
    HudKeyMotion m = HudKeyMotionFor(b, slot);
    int key = b.slotKey[slot];
    if (!m.changed) {
        DrawKey(key, c, 36.0f, normal, gamepad);
        return;
    }
    if (m.oldAlpha > 0.0f) DrawKey(m.oldKey, {c.x, c.y - m.oldShift}, 36.0f, Faded(normal, m.oldAlpha), gamepad);
    Color arriving = HudMix({255, 239, 144, normal.a}, normal, m.newBlend);
    DrawKey(key, {c.x, c.y + m.newShift}, 36.0f, Faded(arriving, m.newAlpha), gamepad);
}

// [SECTION] Binding cluster

static void DrawWarning(const HudAnchor &a, const Bindings &b, float by, float pulse, bool gamepad)
{
    Color edge = {255, 224, 111, (unsigned char)std::lround(195.0f + 60.0f * pulse)};
    int keys[2] = {b.slotKey[b.pairA], b.slotKey[BindingsPairSlotB(b.pairB)]};
    for (int i = 0; i < 2; i++) {
        Vector2 c = {a.cx + (i == 0 ? -HUD_WARNING_BOX_SHIFT : HUD_WARNING_BOX_SHIFT), by};
        Rectangle box = {c.x - 32.0f, c.y - 32.0f, 64.0f, 64.0f};
        DrawRectangleRounded(box, 0.22f, 8, {47, 33, 13, 100});
        DrawRectangleRoundedLinesEx(box, 0.22f, 8, 2.0f, edge);
        DrawKey(keys[i], c, 50.0f, edge, gamepad);
    }
    float x = a.cx;
    DrawLineEx({x - 17.0f, by - 6.0f}, {x + 17.0f, by - 6.0f}, 2.0f, edge);
    DrawLineEx({x + 17.0f, by - 6.0f}, {x + 11.0f, by - 11.0f}, 2.0f, edge);
    DrawLineEx({x + 17.0f, by - 6.0f}, {x + 11.0f, by - 1.0f}, 2.0f, edge);
    DrawLineEx({x - 17.0f, by + 6.0f}, {x + 17.0f, by + 6.0f}, 2.0f, edge);
    DrawLineEx({x - 17.0f, by + 6.0f}, {x - 11.0f, by + 1.0f}, 2.0f, edge);
    DrawLineEx({x - 17.0f, by + 6.0f}, {x - 11.0f, by + 11.0f}, 2.0f, edge);
}

static void DrawTrails(const HudAnchor &a, const Bindings &b)
{
    Vector2 ends[2] = {HudSlotCentre(a, b.lastPairA), HudSlotCentre(a, BindingsPairSlotB(b.lastPairB))};
    float head = HudTrailHead(b.swapAnim), fade = HudTrailFade(b.swapAnim);
    for (int trail = 0; trail < 2; trail++) {
        Vector2 from = ends[trail], to = ends[1 - trail];
        float side = trail == 0 ? 1.0f : -1.0f;
        Vector2 points[HUD_TRAIL_SEGMENTS + 1];
        for (int i = 0; i <= HUD_TRAIL_SEGMENTS; i++)
            points[i] = HudTrailPoint(a, from, to, (float)i / HUD_TRAIL_SEGMENTS, side);
        // Glow under the whole trail first, then the bright core over it.
        for (int layer = 0; layer < 2; layer++) {
            for (int i = 0; i < HUD_TRAIL_SEGMENTS; i++) {
                float along = ((float)i + 0.5f) / HUD_TRAIL_SEGMENTS;
                float light = HudTrailBrightness(along, head, fade);
                if (light <= 0.0f) continue;
                if (layer == 0) DrawLineEx(points[i], points[i + 1], 6.0f, Faded({255, 172, 31, 255}, 0.22f * light));
                else DrawLineEx(points[i], points[i + 1], 1.6f, Faded({255, 222, 91, 255}, light));
            }
        }
        Vector2 tip = HudTrailPoint(a, from, to, head, side);
        DrawCircleV(tip, 5.0f, Faded({255, 185, 41, 255}, 0.24f * fade));
        DrawCircleV(tip, 2.0f, Faded({255, 249, 198, 255}, fade));
    }
    if (b.swapAnim > 0.48f) {
        float d = (b.swapAnim - 0.48f) / 0.52f;
        d = d > 1.0f ? 1.0f : d;
        for (Vector2 c : ends)
            DrawRing(c, 20.0f + 15.0f * d, 21.5f + 15.0f * d, 0.0f, 360.0f, 32, Faded({255, 225, 100, 255}, 0.55f * (1.0f - d)));
    }
}

static void DrawArrow(const HudAnchor &a, const Bindings &b, int slot, float highlight, const HudFrame &f)
{
    Vector2 pos = HudSlotCentre(a, slot), d = HudArrowDirection(slot);
    Vector2 o[7];
    HudArrowOutline(pos, d, o);
    bool held = f.held[b.slotKey[slot]];
    Color fill = held ? Color{92, 218, 228, 82} : Color{220, 241, 239, 27};
    Tri(o[0], o[1], o[6], fill);
    Tri(o[2], o[3], o[4], fill);
    Tri(o[2], o[4], o[5], fill);
    if (held) OutlineClosed(o, 7, 1.8f, {152, 248, 250, 220});
    else OutlineClosed(o, 7, 1.2f, {224, 244, 241, 115});
    if (highlight > 0.0f) {
        OutlineClosed(o, 7, 7.0f, Faded({255, 181, 35, 255}, 0.16f * highlight));
        OutlineClosed(o, 7, 2.3f, Faded({255, 219, 79, 255}, highlight));
    }
    Color ink = held ? Color{188, 255, 255, 255} : Color{239, 250, 248, 248};
    DrawSlotKey(b, slot, Vector2Add(pos, Vector2Scale(d, -5.0f)), ink, f.gamepad);
}

static void DrawSawIcon(Vector2 c)
{
    Color ink = {204, 241, 255, 190};
    for (int k = 0; k < 16; k++) {
        float a = (float)k * PI / 8.0f;
        Vector2 p0 = {c.x + 24.0f * std::cos(a), c.y + 24.0f * std::sin(a)};
        Vector2 p1 = {c.x + 31.0f * std::cos(a + 0.2f), c.y + 31.0f * std::sin(a + 0.2f)};
        Vector2 p2 = {c.x + 24.0f * std::cos(a + 0.32f), c.y + 24.0f * std::sin(a + 0.32f)};
        DrawLineEx(p0, p1, 1.2f, ink);
        DrawLineEx(p1, p2, 1.2f, ink);
    }
}

static void DrawMeteorIcon(Vector2 c)
{
    for (int j = -1; j <= 1; j++) {
        float fj = (float)j;
        Vector2 p0 = {c.x + 17.0f + 8.0f * fj, c.y - 17.0f + 8.0f * fj};
        Vector2 p1 = {c.x + 25.0f + 10.0f * fj, c.y - 36.0f + 8.0f * fj};
        Vector2 p2 = {c.x + 42.0f + 3.0f * fj, c.y - 42.0f + 3.0f * fj};
        Vector2 prev = p0;
        for (int i = 1; i <= 12; i++) {
            float t = (float)i / 12.0f, u = 1.0f - t;
            Vector2 p = {u * u * p0.x + 2.0f * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2.0f * u * t * p1.y + t * t * p2.y};
            // Bright at the falling head, fading towards the tail.
            DrawLineEx(prev, p, 1.3f, Faded({204, 241, 255, 200}, 1.0f - 0.85f * ((float)i - 0.5f) / 12.0f));
            prev = p;
        }
    }
    for (int f = 0; f < 2; f++) {
        float ff = (float)f;
        DrawRing(c, 30.0f + 6.0f * ff, 31.2f + 6.0f * ff, 108.0f + 5.0f * ff, 162.0f - 5.0f * ff, 12,
                 {204, 241, 255, (unsigned char)(170 - 35 * f)});
    }
}

static void DrawAbilitySlot(const HudAnchor &a, const Bindings &b, int i, float highlight, const HudFrame &f)
{
    int slot = SLOT_ABILITY1 + i;
    Vector2 c = HudSlotCentre(a, slot);
    float cooldown = b.cooldown[i];
    bool ready = !(cooldown > 0.0f);
    bool held = f.held[b.slotKey[slot]];
    if (b.abilityId[i] == ABILITY_SPIKE) DrawSawIcon(c);
    else if (b.abilityId[i] == ABILITY_METEOR) DrawMeteorIcon(c);

    DrawCircleV(c, 24.0f, held && ready ? Color{48, 118, 147, 145} : Color{13, 30, 43, 115});
    float rim = held && ready ? 1.0f : b.attackPulse[i];
    DrawRing(c, 23.0f, 24.2f, 0.0f, 360.0f, 48, HudMix({202, 238, 255, 215}, {240, 253, 255, 255}, rim));
    if (highlight > 0.0f) {
        DrawRing(c, 22.0f, 28.0f, 0.0f, 360.0f, 48, Faded({255, 181, 35, 255}, 0.16f * highlight));
        DrawRing(c, 24.0f, 26.0f, 0.0f, 360.0f, 48, Faded({255, 219, 79, 255}, highlight));
    }
    if (!ready) {
        float q = HudCooldownTurn(cooldown);
        float start = q * 360.0f - 90.0f;
        DrawCircleSector(c, 22.5f, start, 270.0f, 36, {91, 12, 30, 155});
        float r = start * PI / 180.0f;
        Vector2 u = {std::cos(r), std::sin(r)}, p = {-u.y, u.x};
        Color hand = {255, 167, 155, 220};
        DrawLineEx(c, Vector2Add(c, Vector2Scale(u, 17.0f)), 1.5f, hand);
        Tri(Vector2Add(c, Vector2Scale(u, 21.0f)), Vector2Add(c, Vector2Add(Vector2Scale(u, 16.0f), Vector2Scale(p, 3.0f))), Vector2Add(c, Vector2Add(Vector2Scale(u, 16.0f), Vector2Scale(p, -3.0f))), hand);
    }
    // The key stays readable over the cooldown sector.
    DrawSlotKey(b, slot, c, {240, 251, 255, 255}, f.gamepad);
}

void HudDrawBindings(const HudAnchor &a, const Bindings &b, const HudFrame &f)
{
    Vector2 head = {a.cx, a.cy};
    float radius = HudRingRadius(a);

    HudRingSegment segments[HUD_RING_CAPACITY];
    int count = HudRingSegments(b, segments);
    Color tick = {255, 211, 91, HudRingAlpha(BindingsCountdownRemaining(b))};
    for (int i = 0; i < count; i++)
        DrawRing(head, radius - 4.4f, radius + 2.2f, segments[i].startAngle, segments[i].endAngle, 8, tick);

    double warning = BindingsWarningTime(b);
    float by = HudWarningY(a, radius);
    if (warning >= 0.0) DrawWarning(a, b, by, BindingsWarningPulse(warning), f.gamepad);

    HudDigit digit = HudDigitFor(b);
    if (digit.digit > 0) GlyphCentred('0' + digit.digit, {a.cx, by - 80.0f}, digit.size, Faded({255, 225, 122, 255}, digit.opacity));

    if (b.swapCount > 0 && b.swapAnim < 1.0f && b.lastPairA >= 0) DrawTrails(a, b);

    float highlight[BINDINGS_SLOT_COUNT];
    HudSlotHighlights(b, highlight);
    for (int slot = SLOT_UP; slot <= SLOT_RIGHT; slot++) DrawArrow(a, b, slot, highlight[slot], f);
    for (int i = 0; i < BINDINGS_ABILITY_SLOTS; i++) DrawAbilitySlot(a, b, i, highlight[SLOT_ABILITY1 + i], f);
}

// [SECTION] Hearts

static constexpr int HEART_SEGMENTS = HUD_HEART_POINTS - 1;

static Vector2 HeartPoint(int i, float size)
{
    return HudHeartCurve(-2.0f * PI * (float)i / (float)HEART_SEGMENTS, size);
}

static void HeartFlat(Vector2 c, float size, Color color)
{
    for (int i = 0; i < HEART_SEGMENTS; i++)
        Tri(c, Vector2Add(c, HeartPoint(i, size)), Vector2Add(c, HeartPoint(i + 1, size)), color);
}

static void HeartBody(Vector2 c, const HudHeartLook &look)
{
    static const float BANDS[4] = {0.0f, 0.55f, 0.83f, 1.0f};
    auto shade = [&](Vector2 unit, float band) {
        return Faded(HudHeartShade(unit, band, look.shatter, look.glint), look.alpha);
    };
    Color centre = shade({0.0f, 0.0f}, 0.0f);
    for (int i = 0; i < HEART_SEGMENTS; i++) {
        Vector2 ua = HeartPoint(i, 1.0f), ub = HeartPoint(i + 1, 1.0f);
        for (int band = 0; band < 3; band++) {
            float f0 = BANDS[band], f1 = BANDS[band + 1];
            Vector2 a1 = Vector2Add(c, Vector2Scale(ua, f1 * look.size)), b1 = Vector2Add(c, Vector2Scale(ub, f1 * look.size));
            Color ca1 = shade(Vector2Scale(ua, f1), f1), cb1 = shade(Vector2Scale(ub, f1), f1);
            if (band == 0) {
                Tri(c, centre, a1, ca1, b1, cb1);
                continue;
            }
            Vector2 a0 = Vector2Add(c, Vector2Scale(ua, f0 * look.size)), b0 = Vector2Add(c, Vector2Scale(ub, f0 * look.size));
            Color ca0 = shade(Vector2Scale(ua, f0), f0), cb0 = shade(Vector2Scale(ub, f0), f0);
            Tri(a0, ca0, a1, ca1, b1, cb1);
            Tri(a0, ca0, b1, cb1, b0, cb0);
        }
    }
}

static void HeartCracks(Vector2 c, const HudHeartLook &look)
{
    float r = (1.0f - 0.78f * look.shatter) * look.alpha;
    for (int crack = 0; crack < HUD_CRACK_COUNT; crack++) {
        Vector2 points[HUD_CRACK_POINTS];
        int n = HudCrackPolyline(crack, points);
        float length = HudCrackLength(crack, look.lost);
        for (int i = 0; i + 1 < n && (float)i < length; i++) {
            float part = length - (float)i < 1.0f ? length - (float)i : 1.0f;
            Vector2 p0 = Vector2Add(c, Vector2Scale(points[i], look.size));
            Vector2 full = Vector2Add(c, Vector2Scale(points[i + 1], look.size));
            Vector2 p1 = {p0.x + (full.x - p0.x) * part, p0.y + (full.y - p0.y) * part};
            DrawLineEx({p0.x + 0.65f, p0.y + 0.65f}, {p1.x + 0.65f, p1.y + 0.65f}, 1.6f, Faded({255, 153, 151, 150}, r));
            DrawLineEx(p0, p1, 1.35f, Faded({48, 9, 20, 235}, r));
        }
    }
}

void HudDrawHearts(Vector2 cluster, const HudHearts &hearts, float time)
{
    int n = HudHeartCount(hearts.maxQuarters);
    for (int i = 0; i < n; i++) {
        HudHeartLook look = HudHeartLookFor(hearts, i, time);
        if (!look.visible) continue;
        Vector2 c = HudHeartCentre(cluster, n, i);
        HeartFlat({c.x, c.y + 1.8f}, look.size + 1.65f, Faded({12, 11, 16, 135}, look.alpha));
        HeartFlat(c, look.size + 1.2f, Faded({37, 20, 29, 250}, look.alpha));
        HeartBody(c, look);
        if (look.shatter < 0.995f) {
            Color shine = Faded({255, 203, 196, 130}, look.alpha * (1.0f - look.shatter));
            DrawEllipseV({c.x - 0.45f * look.size, c.y - 0.5f * look.size}, 0.2f * look.size, 0.12f * look.size, shine);
            DrawEllipseV({c.x + 0.45f * look.size, c.y - 0.62f * look.size}, 0.08f * look.size, 0.06f * look.size, shine);
        }
        HeartCracks(c, look);
    }
}

// [SECTION] Level clock

static void DrawLevelClock(const HudAnchor &a, const HudClock &clock)
{
    char text[16];
    HudClockText(clock, text);
    float width = MeasureTextEx(hudFont, text, 18.0f, 1.0f).x;
    Vector2 q = HudClockIconCentre(a, width);
    Color ink = {242, 226, 181, 170};
    DrawRing(q, 5.0f, 6.0f, 0.0f, 360.0f, 24, ink);
    DrawLineEx(q, {q.x, q.y - 3.5f}, 1.2f, ink);
    DrawLineEx(q, {q.x + 2.8f, q.y + 1.4f}, 1.2f, ink);
    DrawTextEx(hudFont, text, {q.x + 13.0f, q.y - 10.0f}, 18.0f, 1.0f, {20, 17, 12, 160});
    DrawTextEx(hudFont, text, {q.x + 12.0f, q.y - 11.0f}, 18.0f, 1.0f, ink);
}

// [SECTION] HUD

void HudDraw(const Player &player, const FollowCamera &camera, const Bindings &bindings, const HudHearts &hearts,
             const HudFrame &frame)
{
    HudAnchor a = HudAnchorFor(camera, player.position, frame.viewWidth, frame.viewHeight);
    HudBegin(frame.opacity);
    HudDrawBindings(a, bindings, frame);
    HudDrawHearts({a.cx - HUD_SIDE_OFFSET, a.cy - a.oy}, hearts, frame.time);
    if (frame.coins) EyeCoinsDrawCounter(*frame.coins, {a.cx + HUD_SIDE_OFFSET, a.cy - a.oy - 12.0f});
    if (frame.clock) DrawLevelClock(a, *frame.clock);
    HudEnd();
}
