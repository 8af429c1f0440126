// The opening comic: four panels on a fixed clock (panel k from 3k s, its caption from 3k + 1 s,
// the page ready at 12 s), confirmed or skipped by the player. Pure: the page is drawn by
// ComicDraw (comic_draw.cpp), which needs the window.
//
// The clock counts whole nanoseconds, not summed float seconds: a sum of float steps drifts a
// frame late (the second panel at frame 91, 181, 433 at 30, 60, 144 Hz instead of 90, 180, 432).
#pragma once

#include "raylib.h"

#include <cstdint>

constexpr int COMIC_PANELS = 4;
constexpr int64_t COMIC_PANEL_NS = 3000000000;      // each panel shows alone for 3 s before the next
constexpr int64_t COMIC_CAPTION_NS = 1000000000;    // its caption follows after 1 s
constexpr int64_t COMIC_LAST_LIMIT_NS = 30000000000;   // the last panel's clock stops here
// Steps are rounded to whole nanoseconds; a boundary this close counts as reached, so the
// rounding never costs a frame.
constexpr int64_t COMIC_TOLERANCE_NS = 10000;
constexpr Rectangle COMIC_NEXT_RECT = {1060.0f, 668.0f, 174.0f, 33.0f};   // "Далее", on the ready page

struct ComicState {
    int32_t panel;       // 0..3, the newest visible panel
    int64_t clock;       // nanoseconds since that panel appeared
    bool finished;
};

// Panel 0, at its first instant, not finished.
void ComicReset(ComicState &comic);
// One frame of the comic: a skip, or a confirm on the ready last page, finishes it; otherwise a
// finite positive dt moves the clock, revealing as many panels as it covers and keeping the
// remainder. True once finished (and on every later call).
bool ComicAdvance(ComicState &comic, float dt, bool confirm, bool skip);
// The last page is complete and waits for the player: panel 3 shown for 3 s.
bool ComicFinalReady(const ComicState &comic);
// Panel k's caption is on the page: an earlier panel, or the newest one shown for 1 s.
bool ComicCaptionVisible(const ComicState &comic, int k);
// Seconds since the newest panel appeared, never negative.
float ComicTime(const ComicState &comic);

// [SECTION] Drawing (comic_draw.cpp: needs the window)

// The illustration, "assets/comic/intro.png": its four quadrants are the panels in reading order.
struct ComicArt {
    Texture2D texture;    // loaded on the first draw, with mipmaps and trilinear filtering
    bool attempted;       // a failed load is logged once and never retried
};

// The page at its clock: paper, title, the panels shown so far with their captions, the hint
// line and "Далее" or the progress marks. `pointer` (window pixels) lights "Далее" unless
// `gamepadMode`. Without `art` the panels carry the placeholder.
void ComicDraw(const ComicState &comic, bool gamepadMode, ComicArt *art, Vector2 pointer);
// Unloads the illustration; safe twice.
void ComicArtRelease(ComicArt &art);
