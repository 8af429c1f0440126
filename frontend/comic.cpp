// The opening comic's clock.
#include "frontend/comic.h"

#include "common/maths.h"

#include <cmath>

// Any step longer than this reveals everything and fills the last panel's clock.
static constexpr float COMIC_STEP_LIMIT = 60.0f;

void ComicReset(ComicState &comic) { comic = ComicState{}; }

bool ComicAdvance(ComicState &comic, float dt, bool confirm, bool skip)
{
    if (comic.finished) return true;
    if (skip || (confirm && ComicFinalReady(comic))) {
        comic.finished = true;
        return true;
    }
    if (!IsFinite(dt) || !(dt > 0.0f)) return false;
    comic.clock += std::llround((double)std::fmin(dt, COMIC_STEP_LIMIT) * 1e9);
    for (int i = 0; i < COMIC_PANELS && comic.panel < COMIC_PANELS - 1; i++) {
        if (comic.clock + COMIC_TOLERANCE_NS < COMIC_PANEL_NS) break;
        comic.panel += 1;
        comic.clock -= COMIC_PANEL_NS;
    }
    if (comic.panel == COMIC_PANELS - 1 && comic.clock > COMIC_LAST_LIMIT_NS) comic.clock = COMIC_LAST_LIMIT_NS;
    return false;
}

bool ComicFinalReady(const ComicState &comic)
{
    return comic.panel == COMIC_PANELS - 1 && comic.clock + COMIC_TOLERANCE_NS >= COMIC_PANEL_NS;
}

bool ComicCaptionVisible(const ComicState &comic, int k)
{
    return k < comic.panel || (k == comic.panel && comic.clock + COMIC_TOLERANCE_NS >= COMIC_CAPTION_NS);
}

float ComicTime(const ComicState &comic) { return comic.clock > 0 ? (float)((double)comic.clock * 1e-9) : 0.0f; }
