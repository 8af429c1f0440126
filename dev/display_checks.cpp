// The display's self-check: letterbox and render size, pure arithmetic over window sizes.
#include "dev/display_checks.h"

#include "app/display.h"

#include <cmath>
#include <cstdio>

namespace {

struct Tally {
    int passed, failed;
};

void Check(Tally &t, bool ok, const char *what)
{
    printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? t.passed : t.failed)++;
}

} // namespace

int DevTestDisplay()
{
    Tally t{};
    static const int SIZES[][2] = {{1280, 720}, {1920, 1080}, {2560, 1440}, {3440, 1440}, {1280, 1024},
                                   {1366, 768}, {960, 600},   {767, 1023},  {1921, 1081}, {800, 600},
                                   {3840, 2160}, {17, 10}};
    for (const int *size : SIZES) {
        int w = size[0], h = size[1];
        Rectangle box = DisplayLetterboxFor(w, h);
        bool ratio = box.width * 9.0f == box.height * 16.0f && box.width >= 16.0f;
        bool inside = box.x >= 0.0f && box.y >= 0.0f && box.x + box.width <= (float)w && box.y + box.height <= (float)h;
        bool centred = box.x * 2.0f + box.width == (float)w && box.y * 2.0f + box.height == (float)h;
        bool tight = (float)w - box.width < 16.0f || (float)h - box.height < 9.0f;
        DisplaySize render = DisplayRenderSizeFor(100, box.width);
        bool renderRatio = render.width * 9 == render.height * 16 && render.width >= 320 && render.height >= 180;
        bool near = box.width < 400.0f || std::fabs((float)render.width / box.width - 1.0f) <= 8.01f / box.width;
        float sx = (float)render.width / box.width, sy = (float)render.height / box.height;
        bool square = std::fabs(sx - sy) <= 1e-6f * std::fmax(sx, sy);
        char line[200];
        snprintf(line, sizeof(line), "%d x %d: letterbox %gx%g at %g,%g, render %dx%d", w, h, box.width, box.height, box.x,
                 box.y, render.width, render.height);
        Check(t, ratio && inside && centred && tight && renderRatio && near && square, line);
    }
    bool steps = true;
    for (int percent = 50; percent <= 100; percent += 5) {
        DisplaySize s = DisplayRenderSizeFor(percent, 1920.0f);
        steps = steps && std::fabs((float)s.width - 1920.0f * (float)percent / 100.0f) <= 8.0f;
    }
    Check(t, steps, "at 1920 wide every render quality 50..100 in steps of 5 renders within 8 pixels of its share");
    Rectangle empty = DisplayLetterboxFor(15, 8);
    DisplaySize least = DisplayRenderSizeFor(100, empty.width);
    Check(t, empty.width == 0.0f && empty.height == 0.0f && least.width == 320 && least.height == 180,
          "a window under 16 x 9 has no letterbox and the least render size");
    DisplaySize bad = DisplayRenderSizeFor(100, NAN);
    Check(t, bad.width == 320 && bad.height == 180, "a render width that is no number gives the least render size");
    printf("%d passed, %d failed\n", t.passed, t.failed);
    return t.failed == 0 ? 0 : 1;
}
