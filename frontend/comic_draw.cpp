// Drawing the opening comic's page: paper, title, the four panels with their captions, the hint
// line and the way on. Positions are on the 1280 x 720 reference canvas.
//
// Index
//   [SECTION] Illustration
//   [SECTION] Panels
//   [SECTION] Page
#include "frontend/comic.h"

#include "common/maths.h"
#include "frontend/menu_draw.h"

#include <cmath>
#include <cstdio>

static constexpr Color PAPER = {237, 217, 178, 255};
static constexpr Color INK = {27, 32, 34, 255};
static constexpr Color ACCENT = {158, 65, 37, 255};

// [SECTION] Illustration

static void LoadArt(ComicArt &art)
{
    if (art.attempted) return;
    art.attempted = true;
    char path[2048];
    int written = snprintf(path, sizeof(path), "%sassets/comic/intro.png", GetApplicationDirectory());
    Texture2D texture = written > 0 && written < (int)sizeof(path) ? LoadTexture(path) : Texture2D{};
    if (!IsTextureValid(texture)) {
        TraceLog(LOG_ERROR, "Opening comic illustration could not be loaded: %s", path);
        return;
    }
    GenTextureMipmaps(&texture);
    SetTextureFilter(texture, TEXTURE_FILTER_TRILINEAR);
    art.texture = texture;
}

void ComicArtRelease(ComicArt &art)
{
    if (IsTextureValid(art.texture)) UnloadTexture(art.texture);
    art = ComicArt{};
}

// [SECTION] Panels

struct CaptionLine {
    const char *text;
    float size;
    bool accent;
};

struct Caption {
    CaptionLine lines[3];
    int count;
    float height;
    bool balloon;   // a speech-balloon tail toward the picture
};

static const Caption CAPTIONS[COMIC_PANELS] = {
    {{{"Орбита грязевой планеты.", 22.0f, false}, {"До спокойного чаепития — одна кнопка.", 20.0f, false}}, 2, 64.0f, false},
    {{{"Опасная планета. Надо ждать подкрепление.", 21.0f, false},
      {"Высаживаться нельзя.", 21.0f, false},
      {"Выпью пока чаю...", 23.0f, false}},
     3,
     87.0f,
     true},
    {{{"Ой, не ту кнопку нажал.", 26.0f, true}}, 1, 49.0f, true},
    {{{"Шлюз открыт. Челнок отстыкован.", 22.0f, false}, {"Следующая остановка — грязь.", 21.0f, false}}, 2, 64.0f, false},
};

static Color Alpha(Color c, float a) { return Fade(c, ClampSafe(a, 0.0f, 1.0f) * (float)c.a / 255.0f); }

static void Box(const MenuCanvas &c, Rectangle r, Color colour) { DrawRectangleRec(MenuRectToWindow(c, r), colour); }

static void Outline(const MenuCanvas &c, Rectangle r, float width, Color colour)
{
    DrawRectangleLinesEx(MenuRectToWindow(c, r), width * c.s, colour);
}

static void CaptionDraw(const MenuCanvas &c, int k, Rectangle frame, float alpha)
{
    const Caption &caption = CAPTIONS[k];
    Rectangle box = {frame.x + 10.0f, frame.y + frame.height - 9.0f - caption.height, 580.0f, caption.height};
    Box(c, {box.x + 3.0f, box.y + 3.0f, box.width, box.height}, Alpha(INK, alpha));
    if (caption.balloon) {
        // The tail rises from the box toward whoever speaks in the picture.
        Vector2 a = MenuToWindow(c, {box.x + 70.0f, box.y + 1.0f});
        Vector2 b = MenuToWindow(c, {box.x + 104.0f, box.y + 1.0f});
        Vector2 tip = MenuToWindow(c, {box.x + 58.0f, box.y - 24.0f});
        DrawTriangle(a, tip, b, Alpha(INK, alpha));
        Vector2 ia = MenuToWindow(c, {box.x + 73.0f, box.y + 3.0f});
        Vector2 ib = MenuToWindow(c, {box.x + 100.0f, box.y + 3.0f});
        Vector2 itip = MenuToWindow(c, {box.x + 61.0f, box.y - 19.0f});
        DrawTriangle(ia, itip, ib, Alpha(PAPER, alpha));
    }
    Box(c, box, Alpha(PAPER, alpha));
    Outline(c, box, 2.0f, Alpha(INK, alpha));
    if (caption.balloon) {
        // The paper of the tail runs into the box across its outline.
        Box(c, {box.x + 73.5f, box.y - 0.5f, 26.0f, 3.0f}, Alpha(PAPER, alpha));
    }
    for (int i = 0; i < caption.count; i++) {
        const CaptionLine &line = caption.lines[i];
        MenuTextDraw(c, line.text, {box.x + 22.0f, box.y + 8.0f + 25.0f * (float)i}, line.size,
                     Alpha(line.accent ? ACCENT : INK, alpha));
    }
}

static void PanelDraw(const MenuCanvas &c, const ComicState &comic, int k, ComicArt *art)
{
    Rectangle frame = {34.0f + 612.0f * (float)(k % 2), 67.0f + 300.0f * (float)(k / 2), 600.0f, 288.0f};
    Box(c, {frame.x + 4.0f, frame.y + 4.0f, frame.width, frame.height}, {69, 56, 43, 100});
    Box(c, frame, {218, 197, 160, 255});
    for (int row = 0; row < 21; row++)
        for (int col = 0; col < 43; col++) {
            Vector2 at = {frame.x + 6.0f + 14.0f * (float)col + (row % 2 ? 3.0f : 0.0f), frame.y + 7.0f + 13.0f * (float)row};
            DrawCircleV(MenuToWindow(c, at), 0.7f * c.s, {156, 121, 105, 68});
        }

    if (k <= comic.panel) {
        float t = k == comic.panel ? ComicTime(comic) : 30.0f;
        float picture = Smoothstep(std::fmin(1.0f, t / 1.5f));
        Rectangle window = MenuRectToWindow(c, frame);
        BeginScissorMode((int)std::floor(window.x), (int)std::floor(window.y), (int)std::ceil(window.width),
                         (int)std::ceil(window.height));
        bool drawn = false;
        if (art && IsTextureValid(art->texture)) {
            float qw = 0.5f * (float)art->texture.width, qh = 0.5f * (float)art->texture.height;
            Rectangle source = {qw * (float)(k % 2) + 5.0f, qh * (float)(k / 2) + 5.0f, qw - 10.0f, qh - 10.0f};
            source.height = std::fmin(source.height, source.width * frame.height / frame.width);
            if (source.width > 0.0f && source.height > 0.0f) {
                DrawTexturePro(art->texture, source, window, {0.0f, 0.0f}, 0.0f, Fade(WHITE, picture));
                drawn = true;
            }
        }
        if (!drawn) {
            Box(c, frame, Alpha(INK, picture));
            MenuTextDraw(c, "Иллюстрация недоступна", {frame.x + 24.0f, frame.y + 76.0f}, 25.0f, Alpha(PAPER, picture));
        }
        if (t >= 1.0f) CaptionDraw(c, k, frame, Smoothstep(std::fmin(1.0f, (t - 1.0f) / 1.5f)));
        EndScissorMode();
    }

    char number[16];
    snprintf(number, sizeof(number), "%02d", k + 1);
    float width = MenuTextWidth(number, 20.0f);
    Rectangle tag = {frame.x + 10.0f, frame.y + 10.0f, width + 14.0f, 26.0f};
    Box(c, tag, PAPER);
    Outline(c, tag, 2.0f, INK);
    MenuTextDraw(c, number, {tag.x + 7.0f, tag.y + 3.0f}, 20.0f, INK);
}

// [SECTION] Page

static void PageDraw(const ComicState &comic, bool gamepadMode, ComicArt *art, Vector2 pointer);

void ComicDraw(const ComicState &comic, bool gamepadMode, ComicArt *art, Vector2 pointer)
{
    if (art) LoadArt(*art);
    // The balloon tails are wound as the art needs, not as culling wants.
    MenuDrawBegin();
    PageDraw(comic, gamepadMode, art, pointer);
    MenuDrawEnd();
}

static void PageDraw(const ComicState &comic, bool gamepadMode, ComicArt *art, Vector2 pointer)
{
    MenuCanvas c = MenuWindowCanvas();
    ClearBackground({19, 24, 27, 255});
    Box(c, {18.0f, 12.0f, 1244.0f, 696.0f}, PAPER);
    for (int i = 0; i < 140; i++) {
        Vector2 at = {(float)((337 * i) % 1234 + 22), (float)((139 * i) % 686 + 16)};
        DrawCircleV(MenuToWindow(c, at), 0.6f * c.s, {116, 87, 58, 36});
    }
    MenuTextDraw(c, "НЕ ТА КНОПКА", {34.0f, 19.0f}, 33.0f, INK);
    MenuTextDraw(c, "GLORVENT  /  ПРОЛОГ", {870.0f, 28.0f}, 20.0f, ACCENT);
    DrawLineEx(MenuToWindow(c, {34.0f, 58.0f}), MenuToWindow(c, {1246.0f, 58.0f}), 2.0f * c.s, INK);

    for (int k = 0; k < COMIC_PANELS; k++) PanelDraw(c, comic, k, art);

    bool ready = ComicFinalReady(comic);
    const char *hint = ready ? (gamepadMode ? "A — далее   /   B — пропустить" : "Enter / Пробел — далее   /   Esc — пропустить")
                             : (gamepadMode ? "Кадры появляются автоматически   /   B — пропустить"
                                            : "Кадры появляются автоматически   /   Esc — пропустить");
    MenuTextDraw(c, hint, {36.0f, 675.0f}, 18.0f, INK);

    if (ready) {
        Vector2 p = MenuToCanvas(c, pointer);
        Rectangle r = COMIC_NEXT_RECT;
        bool over = !gamepadMode && IsFinite(p) && p.x >= r.x && p.x < r.x + r.width && p.y >= r.y && p.y < r.y + r.height;
        Box(c, r, over ? ACCENT : INK);
        MenuTextDraw(c, "Далее", {1110.0f, 670.0f}, 25.0f, PAPER);
        return;
    }
    float time = ComicTime(comic);
    for (int i = 0; i < COMIC_PANELS; i++) {
        Rectangle mark = {1070.0f + 42.0f * (float)i, 679.0f, 32.0f, 6.0f};
        Box(c, mark, i <= comic.panel ? INK : Color{179, 153, 116, 255});
        if (i == comic.panel && i < COMIC_PANELS - 1)
            Box(c, {mark.x, mark.y, mark.width * ClampSafe(time / 3.0f, 0.0f, 1.0f), mark.height}, ACCENT);
    }
}
