// The comic's pictures: the page at 0.5, 1.5 ... 12.5 s of its clock, drawn as a menu frame draws
// it (with the illustration), then the ready page with the mouse over "Далее".
#include "dev/comic_capture.h"

#include "app/app.h"
#include "dev/menu_checks.h"
#include "frontend/menu_draw.h"

#include <cstdio>

static bool Shot(DevMenuDriver &d, MenuGraphics &graphics, const char *name)
{
    char path[160];
    snprintf(path, sizeof(path), "artifacts/%s.png", name);
    BeginDrawing();
    ClearBackground(BLACK);
    MenuDraw(d.menu, d.profile, &graphics);
    Image image = LoadImageFromScreen();
    bool ok = IsImageValid(image) && ExportImage(image, path);
    UnloadImage(image);
    EndDrawing();
    printf("%s %s\n", ok ? "wrote" : "FAILED", path);
    return ok;
}

int ComicCaptureStills(App &app, bool gamepad)
{
    (void)app;
    MenuGraphics graphics{};
    DevMenuDriver d;
    DevMenuDriverReset(d, gamepad, (float)GetScreenWidth(), (float)GetScreenHeight());
    d.profile.introSeen = false;
    d.mouse = MenuToWindow(MenuCanvasFor(d.width, d.height), {640.0f, 40.0f});
    DevMenuIdle(d, 1);
    MenuOpenComic(d.menu, true);
    int written = 0, failed = 0;
    const char *variant = gamepad ? "-gamepad" : "";
    for (int second = 0; second <= 12; second++) {
        // The frame at (second + 0.5) s of the comic's clock, at 60 Hz.
        int frame = 60 * second + 30;
        for (int guard = 0; guard < 60 * 14; guard++) {
            if ((int)(ComicTime(d.menu.comic) * 60.0f + 0.5f) + 180 * d.menu.comic.panel >= frame) break;
            DevMenuIdle(d, 1);
        }
        char name[64];
        snprintf(name, sizeof(name), "comic-%02d.5s%s", second, variant);
        (Shot(d, graphics, name) ? written : failed)++;
    }
    if (!gamepad) {
        DevMenuMouse(d, {1147.0f, 684.0f}, false);   // over "Далее"
        (Shot(d, graphics, "comic-ready-next") ? written : failed)++;
    }
    bool waiting = d.menu.screen == MENU_SCREEN_COMIC && ComicFinalReady(d.menu.comic);
    printf("%s the page waits, ready, at 12.5 s\n", waiting ? "ok  " : "FAIL");
    if (!waiting) failed++;
    MenuGraphicsRelease(graphics);
    printf("%d written, %d failed\n", written, failed);
    return failed == 0 ? 0 : 1;
}
