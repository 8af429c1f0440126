// Drawing the menus (needs the window and GL): the screens, the dialogs, the focus ring, the
// static backdrop and the moving mud band, and the hand-drawn widgets the shop shares. Every
// position is on the 1280 x 720 reference canvas, mapped into the window by MenuCanvas; text is
// the interface font (hudFont) at spacing 0.
#pragma once

#include "frontend/comic.h"
#include "frontend/menu.h"
#include "frontend/specimen.h"

// GPU objects of the menus, kept from start-up (or first use) to shutdown: the encyclopedia's
// specimen previews and the comic's illustration.
struct MenuGraphics {
    SpecimenPreviews previews;
    ComicArt comic;
};

// Releases both; safe before anything was made and twice.
void MenuGraphicsRelease(MenuGraphics &graphics);

// The canvas of the current window (the reference canvas while the window has no size).
MenuCanvas MenuWindowCanvas();

// The current screen, its dialog, the focus ring in keyboard mode and, unless the profile's
// device is the gamepad, the pointer with its drips. The play screen draws nothing; the pause and
// the compact settings draw over whatever is already in the frame (the frozen game). Without
// `graphics` the encyclopedia has no previews and the comic no illustration.
void MenuDraw(const MenuState &menu, const Profile &profile, MenuGraphics *graphics = nullptr);
// The still picture behind the main menu and the shop: the same in every frame.
void MenuBackdropDraw();
// The band of liquid mud along the bottom of the window at menu time `time` (a bad time counts
// as 0): falling drops, strata, glints, ripples and splashes. Nothing without a window size.
void MenuAtmosphereDraw(float time);

// Begin/End around immediate triangles whose winding follows the art, not the culling rule;
// nests, so a screen may call the backdrop inside its own pair.
void MenuDrawBegin();
void MenuDrawEnd();

// A hand-drawn panel: the rectangle's outline as 48 points wobbled by `jitter` canvas pixels,
// the same wobble for the same seed; filled as a fan, outlined 1.5 wide (no outline if its
// alpha is 0).
void MenuPanelDraw(const MenuCanvas &canvas, Rectangle rect, Color fill, Color outline, int seed, float jitter);
// The menus' button: a shadow, the panel in its state's colours, the label centred. A disabled
// button is drawn dim and never hovered.
void MenuButtonDraw(const MenuCanvas &canvas, Rectangle rect, const char *label, float size, int seed, bool primary,
                    bool hovered, bool enabled);
// A quad of window points a, b, c, d (in order round its edge) with a colour at each corner.
void MenuQuadDraw(Vector2 a, Vector2 b, Vector2 c, Vector2 d, Color ca, Color cb, Color cc, Color cd);
// A flat ring round the ellipse of radii (rx, ry) at a window point, `thick` window pixels wide
// (its minor side 0.4 as thick), in 32 segments.
void MenuFlatRingDraw(Vector2 centre, float rx, float ry, float thick, Color colour);
// Text at a canvas point, or centred both ways in a canvas rectangle.
void MenuTextDraw(const MenuCanvas &canvas, const char *text, Vector2 at, float size, Color colour);
void MenuTextCentred(const MenuCanvas &canvas, const char *text, Rectangle box, float size, Color colour);
// Width of a text at a size, in canvas pixels.
float MenuTextWidth(const char *text, float size);
// The keyboard focus outline around a control.
void MenuFocusRingDraw(const MenuCanvas &canvas, Rectangle rect);
// Whether the menu's pointer is over a canvas rectangle (hover look; in keyboard mode the pointer
// sits on the focused control).
bool MenuPointerOver(const MenuState &menu, const MenuCanvas &canvas, Rectangle rect);

// A clay droplet centred at a window point: radius r (window pixels), vertical stretch, opacity
// 0..1. Nothing below a radius of 0.35 or at no opacity.
void MudDropDraw(Vector2 centre, float r, float stretch, float opacity);
// The splash of a drop of radius r that landed q seconds ago on the surface at (x, surfaceY);
// s is the canvas scale. Nothing outside 0 <= q <= 1.35.
void MudSplashDraw(float x, float surfaceY, float r, float q, float s);
// The drips as they stand, the last thing a menu frame draws, then the pointer if it is inside.
void PointerDripsDraw(const PointerDrips &drips, float time);
